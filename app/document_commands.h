#pragma once
// The file commands over the song document: the prompt that protects unsaved changes, new,
// open, save, save as, the recent-file list, clipboard import, SMF import and export, and the
// automatic backup copy. Every question to the user goes through DocumentUi, so the flows run
// in tests with scripted answers.
//
// User-interface thread. Paths are UTF-8; messages handed to DocumentUi are UTF-8.
#include <cstdint>
#include <ctime>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "base/app_settings.h"
#include "smf/smf_import_job.h"
#include "song/song_document.h"

namespace kore {

enum class SaveAnswer { Yes, No, Cancel };

// One file dialog: filters as Qt takes them ("label (*.a *.b)"), the suffix added to a name
// typed without one, the title (empty: the dialog's own) and the proposed name.
struct FileDialogSpec {
  std::vector<std::string> filters;
  std::string defaultSuffix;
  std::string title;
  std::string initialPath;
};

struct FileChoice {
  std::string path;
  int32_t filterIndex = 0;
};

struct ClipImportChoice {
  bool append = false;
  int32_t instrument = 0;
};

class DocumentUi {
 public:
  virtual ~DocumentUi() = default;
  virtual SaveAnswer AskSaveChanges(const std::string& text) = 0;
  virtual std::optional<FileChoice> ChooseOpenFile(const FileDialogSpec& spec) = 0;
  virtual std::optional<FileChoice> ChooseSaveFile(const FileDialogSpec& spec) = 0;
  virtual void ShowError(const std::string& text) = 0;
  // Yes/No: an existing file would be replaced by a song that was never saved there.
  virtual bool AskReplaceFile(const std::string& path) = 0;
  // The clipboard's text, nothing when it cannot be had.
  virtual std::optional<std::string> ClipboardText() = 0;
  // The clipboard import dialog for `trackCount` game tracks; nothing when cancelled or when
  // the dialog is not part of the program.
  virtual std::optional<ClipImportChoice> ChooseClipImport(int32_t trackCount) = 0;
  // The SMF import dialog: fills the job's options and selection; false when cancelled or when
  // the dialog is not part of the program.
  virtual bool ChooseSmfImport(SmfImportJob& job, const std::vector<SmfSourceLine>& lines) = 0;
};

// The fixed file-dialog texts.
FileDialogSpec OpenDialogSpec();
FileDialogSpec SaveDialogSpec(const std::string& initialPath);
FileDialogSpec PromptSaveDialogSpec();
FileDialogSpec SmfExportDialogSpec(const std::string& initialPath);
FileDialogSpec SmfImportDialogSpec();

// "ファイル <path> 変更されています。\n\n変更を保存しますか？" (" <新規作成>" when untitled).
std::string SaveChangesText(const std::string& path);

// Converts a Windows filter ("label|*.a;*.b|...||") into Qt's form ("label (*.a *.b)").
std::vector<std::string> QtFilters(const std::string& windowsFilter);

class DocumentCommands {
 public:
  DocumentCommands(CMMLDocument& document, AppSettings& settings, DocumentUi& ui);

  // Runs before a file command: playback must stop (the window's player).
  void SetStopPlayback(std::function<void()> stop) { stopPlayback_ = std::move(stop); }
  // Called for each slot whose text the commands changed without replacing the song.
  void SetPaneReload(std::function<void(int32_t)> reload) { reloadPane_ = std::move(reload); }
  // The clock of the backup name (tests set a fixed one).
  void SetClock(std::function<std::time_t()> clock) { clock_ = std::move(clock); }
  // Tests answer the questions themselves.
  void SetUi(DocumentUi& ui) { ui_ = &ui; }

  bool ConfirmDiscard();
  void NewSong();
  // The open dialog, then the file.
  bool Open();
  // Reads a song file into the document; false (message shown, song kept) on failure.
  bool OpenPath(const std::string& path);
  // A recent-file entry or a dropped file: the save prompt, then the file.
  bool OpenWithPrompt(const std::string& path);
  bool Save(bool saveAs);
  void ImportClipboard();
  void ImportSmf();
  bool ExportSmf();
  // Writes the backup copy into `folder` when the song is modified; returns the file written.
  std::optional<std::string> Autosave(const std::string& folder);

  std::vector<std::string>& RecentFiles() { return recent_; }
  const std::vector<std::string>& RecentFiles() const { return recent_; }
  // The song was created or loaded at this moment (names the backup copy).
  std::time_t SongStamp() const { return stamp_; }
  void RestartStamp() { stamp_ = clock_(); }

 private:
  bool WriteTo(const std::string& path);
  void StopPlayback() {
    if (stopPlayback_) stopPlayback_();
  }
  void Loaded(const std::string& path);

  CMMLDocument& document_;
  AppSettings& settings_;
  DocumentUi* ui_;
  std::function<void()> stopPlayback_;
  std::function<void(int32_t)> reloadPane_;
  std::function<std::time_t()> clock_;
  std::vector<std::string> recent_;
  std::time_t stamp_ = 0;
  // An imported song named after its MIDI file was never written there.
  bool askBeforeReplacing_ = false;
};

}  // namespace kore
