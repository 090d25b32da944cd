#include "app/dialogs/smf_commands.h"

#include <filesystem>

#include "app/dialogs/form.h"
#include "base/shift_jis.h"
#include "playback/mml_player.h"
#include "smf/smf_convert.h"
#include "smf/smf_import_song.h"
#include "smf/smf_reader.h"
#include "smf/smf_writer.h"
#include "song/loaded_song.h"

namespace kore::dialogs {
namespace {

void StopPlayback(DialogHost& host) {
  if (CMMLPlayer* player = host.Player(); player && player->IsPlaying()) player->StopPlayback();
}

}  // namespace

int32_t SmfFormatOfFilter(int32_t filterIndex) { return filterIndex == 1 ? 0 : 1; }

SmfImportOptions SmfImportOptionsOf(const AppSettings& s) {
  SmfImportOptions o;
  o.programChange = s.smfProgramChange;
  o.controlChange = s.smfControlChange;
  o.pitchBend = s.smfPitchBend;
  o.velocity = s.smfVelocity;
  o.midiText = s.smfMidiText;
  o.sysEx = s.smfSysEx;
  o.channel = s.smfChannel;
  o.reduceRest = s.smfReduceRest;
  o.spreadTrack = s.smfSpreadTrack;
  o.spreadControl = s.smfSpreadControl;
  o.quantizeValue = NormalizeQuantizeValue(s.smfQuantizeValue);
  return o;
}

void StoreSmfImportOptions(const SmfImportOptions& o, AppSettings& s) {
  s.smfProgramChange = o.programChange;
  s.smfControlChange = o.controlChange;
  s.smfPitchBend = o.pitchBend;
  s.smfVelocity = o.velocity;
  s.smfMidiText = o.midiText;
  s.smfSysEx = o.sysEx;
  s.smfChannel = o.channel;
  s.smfReduceRest = o.reduceRest;
  s.smfSpreadTrack = o.spreadTrack;
  s.smfSpreadControl = o.spreadControl;
  s.smfQuantizeValue = o.quantizeValue;
}

void ExportSmfCommand(DialogHost& host) {
  StopPlayback(host);
  const CMMLDocument& document = host.Document();
  FileChoice choice;
  choice.save = true;
  choice.title = QStringLiteral("名前を付けて標準MIDIファイルをエクスポート");
  choice.initialPath = QString::fromStdString(SuggestSmfExportPath(document));
  choice.filters = {QStringLiteral("標準MIDIファイル Format-1 (*.mid)"),
                    QStringLiteral("標準MIDIファイル Format-0 (*.mid)"),
                    QStringLiteral("All Files (*)")};
  choice.defaultSuffix = "mid";
  const std::optional<FileChosen> chosen = host.ChooseFile(choice);
  if (!chosen) return;
  const SmfExportRequest request =
      MakeSmfExportRequest(document, chosen->path, SmfFormatOfFilter(chosen->filterIndex));
  if (WriteSmf(request) != 0) Fail(host.DialogParent(), QStringLiteral("ファイルのオープンに失敗しました"));
}

void ImportSmfCommand(DialogHost& host) {
  StopPlayback(host);
  QWidget* parent = host.DialogParent();
  // The import replaces the song: the unsaved-change prompt comes first, as for opening a file.
  if (!host.ConfirmDiscard()) return;
  FileChoice choice;
  choice.save = false;
  choice.title = QStringLiteral("インポートする標準MIDIファイルを選択");
  choice.filters = {QStringLiteral("標準MIDIファイル Format-0/1 (*.mid)"),
                    QStringLiteral("All Files (*)")};
  choice.defaultSuffix = "mid";
  const std::optional<FileChosen> chosen = host.ChooseFile(choice);
  if (!chosen) return;

  SmfImportJob job;
  job.path = chosen->path;
  SmfImportDialogOptions options;
  if (ListSmfTracks(job.path, job, options.sources) != kSmfOk) {
    Fail(parent, QStringLiteral("SMFの解析に失敗しました"));
    return;
  }
  options.fileName = Utf8ToSjisLossy(std::filesystem::path(job.path).filename().string());
  options.ticksPerQuarter = job.ticksPerQuarter;
  options.options = SmfImportOptionsOf(host.Settings());
  CMMLSmfImportDlg dialog(options, parent);
  if (RunModal(dialog) != QDialog::Accepted) return;
  const SmfImportDialogOptions picked = dialog.options();
  StoreSmfImportOptions(picked.options, host.Settings());
  host.SaveSettings();

  job.options = picked.options;
  job.selectedSources = picked.selectedSources;
  if (job.options.spreadTrack && !job.selectedSources.empty()) {
    job.spreadSource = job.selectedSources.front();
  }
  if (ConvertSmf(&job) != kSmfOk) {
    Fail(parent, QStringLiteral("SMFのインポートに失敗しました"));
    return;
  }
  LoadedSong song;
  BuildSmfImportSong(job, song);
  LoadIntoDocument(song, host.Document(), SmfImportSongPath(job.path));
  host.RefreshCaption();
}

}  // namespace kore::dialogs
