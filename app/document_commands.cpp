#include "app/document_commands.h"

#include "app/autosave.h"

#include <algorithm>
#include <cctype>
#include <filesystem>

#include "base/profile_file.h"
#include "base/shift_jis.h"
#include "smf/smf_convert.h"
#include "smf/smf_import_song.h"
#include "smf/smf_reader.h"
#include "smf/smf_writer.h"
#include "song/foreign_formats.h"
#include "song/loaded_song.h"
#include "song/song_file.h"

namespace kore {
namespace {

constexpr char kOpenFailed[] = "ファイルのオープンに失敗しました";

SaveMode ModeOf(const AppSettings& settings) {
  return SaveModeOf(settings.compatible1900, settings.compact);
}

}  // namespace

std::vector<std::string> QtFilters(const std::string& windowsFilter) {
  std::vector<std::string> parts;
  size_t start = 0;
  while (start < windowsFilter.size()) {
    size_t bar = windowsFilter.find('|', start);
    if (bar == std::string::npos) bar = windowsFilter.size();
    parts.push_back(windowsFilter.substr(start, bar - start));
    start = bar + 1;
  }
  std::vector<std::string> filters;
  for (size_t i = 0; i + 1 < parts.size(); i += 2) {
    if (parts[i].empty()) break;
    std::string label = parts[i].substr(0, parts[i].find(" ("));
    std::string patterns = parts[i + 1];
    std::replace(patterns.begin(), patterns.end(), ';', ' ');
    if (patterns == "*.*") patterns = "*";
    filters.push_back(label + " (" + patterns + ")");
  }
  return filters;
}

FileDialogSpec OpenDialogSpec() {
  return {QtFilters("すべての対応形式 (*.mml; *.mms)|*.mml;*.mms|ElvaraMML形式 (*.mml)|*.mml|"
                    "Tamalin形式 (*.mms)|*.mms|すべてのファイル (*.*)|*.*||"),
          "mml", "MMLファイルを開く", ""};
}

FileDialogSpec SaveDialogSpec(const std::string& initialPath) {
  return {QtFilters("ElvaraMML形式 (*.mml)|*.mml|All Files (*.*)|*.*||"), "mml", "名前を付けて保存",
          initialPath};
}

FileDialogSpec PromptSaveDialogSpec() {
  return {QtFilters("MML File (*.mml)|*.mml|All Files (*.*)|*.*||"), "mml", "名前を付けて保存",
          "NoTitle.mml"};
}

FileDialogSpec SmfExportDialogSpec(const std::string& initialPath) {
  return {QtFilters("標準MIDIファイル Format-1 (*.mid)|*.mid|標準MIDIファイル Format-0 (*.mid)|*.mid|"
                    "All Files (*.*)|*.*||"),
          "mid", "名前を付けて標準MIDIファイルをエクスポート", initialPath};
}

FileDialogSpec SmfImportDialogSpec() {
  return {QtFilters("標準MIDIファイル Format-0/1 (*.mid)|*.mid|All Files (*.*)|*.*||"), "mid",
          "インポートする標準MIDIファイルを選択", "*.mid"};
}

std::string SaveChangesText(const std::string& path) {
  return "ファイル " + (path.empty() ? std::string(" <新規作成>") : path) +
         " 変更されています。\n\n変更を保存しますか？";
}

DocumentCommands::DocumentCommands(CMMLDocument& document, AppSettings& settings, DocumentUi& ui)
    : document_(document), settings_(settings), ui_(&ui), clock_([] { return std::time(nullptr); }) {
  stamp_ = clock_();
}

bool DocumentCommands::ConfirmDiscard() {
  if (!document_.IsModified()) return true;
  switch (ui_->AskSaveChanges(SaveChangesText(document_.Path()))) {
    case SaveAnswer::No: return true;
    case SaveAnswer::Cancel: return false;
    case SaveAnswer::Yes: break;
  }
  std::string path = document_.Path();
  if (path.empty()) {
    std::optional<FileChoice> choice = ui_->ChooseSaveFile(PromptSaveDialogSpec());
    if (!choice) return false;
    path = choice->path;
  }
  if (!WriteTo(path)) {
    ui_->ShowError(kOpenFailed);
    return false;
  }
  return true;
}

void DocumentCommands::NewSong() {
  StopPlayback();
  if (!ConfirmDiscard()) return;
  document_.NewSong(settings_.defaultTrackCount, settings_.defaultTimeBase);
  askBeforeReplacing_ = false;
  stamp_ = clock_();
}

bool DocumentCommands::Open() {
  StopPlayback();
  if (!ConfirmDiscard()) return false;
  std::optional<FileChoice> choice = ui_->ChooseOpenFile(OpenDialogSpec());
  if (!choice) return false;
  return OpenPath(choice->path);
}

bool DocumentCommands::OpenWithPrompt(const std::string& path) {
  StopPlayback();
  if (!ConfirmDiscard()) return false;
  return OpenPath(path);
}

bool DocumentCommands::OpenPath(const std::string& path) {
  StopPlayback();
  LoadedSong song;
  SongFileKind kind = SongFileKindOf(path);
  if (ReadAnySongFile(path, song, {settings_.defaultTimeBase}) != kSongFileOk) {
    ui_->ShowError(kOpenFailed);
    return false;
  }
  LoadIntoDocument(song, document_, kind == SongFileKind::Mms ? std::string() : path);
  Loaded(path);
  return true;
}

void DocumentCommands::Loaded(const std::string& path) {
  askBeforeReplacing_ = false;
  stamp_ = clock_();
  AddRecentFile(recent_, path);
}

bool DocumentCommands::WriteTo(const std::string& path) {
  int rc = SongFileKindOf(path) == SongFileKind::Kor
               ? WriteKorFile(path, ContentOf(document_))
               : SaveSongFile(path, document_, ModeOf(settings_));
  if (rc != 0) return false;
  document_.SetPath(path);
  document_.MarkSaved();
  askBeforeReplacing_ = false;
  AddRecentFile(recent_, path);
  return true;
}

bool DocumentCommands::Save(bool saveAs) {
  StopPlayback();
  std::string path = document_.Path();
  if (saveAs || path.empty()) {
    std::optional<FileChoice> choice =
        ui_->ChooseSaveFile(SaveDialogSpec(path.empty() ? "NoTitle.mml" : path));
    if (!choice) return false;
    path = choice->path;
  } else if (askBeforeReplacing_ && std::filesystem::exists(path) && !ui_->AskReplaceFile(path)) {
    return false;
  }
  if (!WriteTo(path)) {
    ui_->ShowError(kOpenFailed);
    return false;
  }
  return true;
}

void DocumentCommands::ImportClipboard() {
  StopPlayback();
  std::optional<std::string> text = ui_->ClipboardText();
  if (!text) {
    ui_->ShowError("クリップボードのオープンに失敗しました。");
    return;
  }
  std::string sjis = Utf8ToSjisLossy(*text);
  LoadedSong song;
  if (ParseClipboardMml(sjis, song, settings_.defaultTimeBase) == 0) {
    if (!ConfirmDiscard()) return;
    song.Reset();
    ReadSongMemory(sjis, song, {settings_.defaultTimeBase});
    LoadIntoDocument(song, document_, "");
    document_.SetModified();
    askBeforeReplacing_ = false;
    stamp_ = clock_();
    return;
  }
  int32_t count = 0;
  for (const TrackProperties& slot : song.slots) count += slot.inUse ? 1 : 0;
  std::optional<ClipImportChoice> choice = ui_->ChooseClipImport(count);
  if (!choice) return;
  if (!choice->append) {
    if (!ConfirmDiscard()) return;
    for (TrackProperties& slot : song.slots)
      if (slot.inUse) slot.instrument = choice->instrument;
    LoadIntoDocument(song, document_, "");
    document_.SetModified();
    askBeforeReplacing_ = false;
    stamp_ = clock_();
    return;
  }
  for (int32_t source = 0; source < kTrackSlotCount; ++source) {
    if (!song.slots[static_cast<size_t>(source)].inUse) continue;
    int32_t slot = document_.AddTrack();
    if (slot < 0) break;
    TrackProperties properties = document_.Track(slot);
    properties.instrument = choice->instrument;
    document_.SetTrackProperties(slot, properties);
    document_.SetTrackText(slot, song.texts[static_cast<size_t>(source)]);
    if (reloadPane_) reloadPane_(slot);
  }
}

void DocumentCommands::ImportSmf() {
  StopPlayback();
  if (!ConfirmDiscard()) return;
  std::optional<FileChoice> choice = ui_->ChooseOpenFile(SmfImportDialogSpec());
  if (!choice) return;
  SmfImportJob job;
  job.path = choice->path;
  std::vector<SmfSourceLine> lines;
  if (ListSmfTracks(job.path, job, lines) != kSmfOk) {
    ui_->ShowError("SMFの解析に失敗しました");
    return;
  }
  const AppSettings& s = settings_;
  job.options = {s.smfProgramChange, s.smfControlChange, s.smfPitchBend,  s.smfVelocity,
                 s.smfMidiText,      s.smfSysEx,         s.smfChannel,    s.smfReduceRest,
                 s.smfSpreadTrack,   s.smfSpreadControl, s.smfQuantizeValue};
  if (!ui_->ChooseSmfImport(job, lines)) return;
  const SmfImportOptions& o = job.options;
  settings_.smfProgramChange = o.programChange;
  settings_.smfControlChange = o.controlChange;
  settings_.smfPitchBend = o.pitchBend;
  settings_.smfVelocity = o.velocity;
  settings_.smfMidiText = o.midiText;
  settings_.smfSysEx = o.sysEx;
  settings_.smfChannel = o.channel;
  settings_.smfReduceRest = o.reduceRest;
  settings_.smfSpreadTrack = o.spreadTrack;
  settings_.smfSpreadControl = o.spreadControl;
  settings_.smfQuantizeValue = o.quantizeValue;
  if (ConvertSmf(&job) != kSmfOk) {
    ui_->ShowError("SMFのインポートに失敗しました");
    return;
  }
  LoadedSong song;
  BuildSmfImportSong(job, song);
  LoadIntoDocument(song, document_, SmfImportSongPath(job.path));
  // Nothing of it is on disk yet: it must not pass for saved.
  document_.SetModified();
  askBeforeReplacing_ = true;
  stamp_ = clock_();
}

bool DocumentCommands::ExportSmf() {
  StopPlayback();
  std::optional<FileChoice> choice = ui_->ChooseSaveFile(
      SmfExportDialogSpec(SuggestSmfExportPath(document_)));
  if (!choice) return false;
  int32_t format = choice->filterIndex == 1 ? 0 : 1;
  if (WriteSmf(MakeSmfExportRequest(document_, choice->path, format)) != 0) {
    ui_->ShowError(kOpenFailed);
    return false;
  }
  return true;
}

std::optional<std::string> DocumentCommands::Autosave(const std::string& folder) {
  if (!document_.IsModified() || !IsOnFixedDisk(folder)) return std::nullopt;
  std::error_code ec;
  std::filesystem::create_directories(folder, ec);
  std::string path =
      (std::filesystem::path(folder) / AutosaveFileName(document_.Path(), stamp_)).string();
  if (SaveSongFile(path, document_, ModeOf(settings_)) != 0) return std::nullopt;
  return path;
}

}  // namespace kore
