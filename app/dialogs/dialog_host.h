#pragma once
// DialogHost: everything the dialogs' command flows see of the program. The main window
// implements it; tests implement it with fakes. Dialog classes themselves never see it: a flow
// reads the host, fills a dialog's options, runs the dialog and applies its result here.
// User-interface thread only. std::string texts are Shift-JIS, paths UTF-8.
#include <QString>
#include <QStringList>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "base/app_settings.h"
#include "playback/output_setup.h"
#include "song/song_document.h"

class QWidget;

namespace kore {
class CMMLPlayer;
class CFluidSynthDevice;
class PennaEditor;
}  // namespace kore

namespace kore::dialogs {

// A file dialog request; `filters` are Qt filter strings in menu order.
struct FileChoice {
  bool save = true;
  QString title;
  QString initialPath;    // proposed name or starting folder (UTF-8)
  QStringList filters;
  QString defaultSuffix;  // without the dot
};
struct FileChosen {
  std::string path;      // UTF-8
  int32_t filterIndex = 0;
};

class DialogHost {
 public:
  virtual ~DialogHost() = default;

  // Owner of modal dialogs and message boxes.
  virtual QWidget* DialogParent() = 0;
  virtual CMMLDocument& Document() = 0;
  virtual AppSettings& Settings() = 0;
  // The player's playing flag (read under its lock).
  virtual bool IsPlaying() const = 0;

  // Program change, volume and pan of a slot sent to the open output. The host sends through
  // the CSerializedMidiDevice the player sends through, so this is safe while a song plays.
  virtual void InitChannel(int32_t slot) = 0;
  // The MML pane of a slot; null when the slot has none.
  virtual PennaEditor* Pane(int32_t slot) = 0;
  // The window caption, a track's tab text and the instrument selector follow the document.
  virtual void RefreshCaption() = 0;
  virtual void RefreshTab(int32_t slot) = 0;
  virtual void RefreshInstrumentSelector() = 0;
  // The unsaved-change prompt: true to go on (saved or discarded), false when cancelled.
  virtual bool ConfirmDiscard() = 0;

  // "KORE.ini": where it is, and writing every setting (0 or -1).
  virtual std::string SettingsPath() = 0;
  virtual int SaveSettings() = 0;

  // Output device: closes and opens it again from the settings (the open hooks show the failure
  // question). True when a device is open afterwards.
  virtual bool ReopenOutput() = 0;
  virtual std::vector<OutputChoice> OutputChoices() { return ListOutputChoices(); }
  virtual bool SynthesizerAvailable() = 0;
  // The player and, while the output is the synthesizer, its device (WAVE export).
  virtual CMMLPlayer* Player() = 0;
  virtual CFluidSynthDevice* Synthesizer() = 0;
  // Hides the main window during a WAVE export (and shows it again).
  virtual void SetMainWindowHidden(bool hidden) { (void)hidden; }

  // ".mml" association for this user. Exists: our MIME package is installed.
  virtual bool AssociationExists() = 0;
  virtual bool RegisterAssociation() = 0;    // true on success
  virtual bool UnregisterAssociation() = 0;  // true on success

  // Platform edges with working defaults (Qt's non-native file dialog, the system clipboard);
  // tests override them.
  virtual std::optional<FileChosen> ChooseFile(const FileChoice& choice);
  // Offered as Unicode text, so any X program can read it.
  virtual bool SetClipboardText(std::string_view sjis);
  // Nothing when the clipboard holds no text.
  virtual std::optional<std::string> ClipboardText();
};

}  // namespace kore::dialogs
