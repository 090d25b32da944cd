#include "app/dialogs/clip_commands.h"

#include "app/dialogs/form.h"
#include "app/dialogs/property_commands.h"
#include "editor/penna_editor.h"
#include "song/foreign_formats.h"
#include "song/game_export_song.h"
#include "song/instruments.h"
#include "song/loaded_song.h"
#include "song/song_file.h"

namespace kore::dialogs {
namespace {

int32_t CountTracks(const LoadedSong& song) {
  int32_t count = 0;
  for (const TrackProperties& slot : song.slots) count += slot.inUse ? 1 : 0;
  return count;
}

// A new song made of the imported one: untitled and modified.
void ReplaceSong(DialogHost& host, const LoadedSong& song) {
  CMMLDocument& document = host.Document();
  LoadIntoDocument(song, document, std::string());
  document.SetModified();
  host.RefreshCaption();
}

void AppendTracks(DialogHost& host, const LoadedSong& song, int32_t instrument) {
  CMMLDocument& document = host.Document();
  for (size_t k = 0; k < song.slots.size(); ++k) {
    if (!song.slots[k].inUse) continue;
    const int32_t slot = document.AddTrack();
    if (slot < 0) break;  // the document has said why
    TrackProperties properties = document.Track(slot);
    properties.instrument = instrument;
    document.SetTrackProperties(slot, properties);
    document.SetTrackText(slot, song.texts[k]);
    if (PennaEditor* pane = host.Pane(slot)) pane->SetText(song.texts[k].c_str());
    host.InitChannel(slot);
    host.RefreshTab(slot);
  }
  document.SetModified();
  host.RefreshCaption();
}

}  // namespace

ClipExportOptions ClipExportOptionsFor(DialogHost& host) {
  const CMMLDocument& document = host.Document();
  ClipExportOptions options;
  for (int32_t slot : document.TrackOrder()) {
    if (slot < 0 || slot >= kTrackSlotCount) break;
    const CMMLTrack& track = document.Track(slot);
    if (track.inUse) options.tracks.push_back({slot, TrackCharacterCount(track), track.name});
  }
  options.optimize = host.Settings().optClipExport;
  return options;
}

void FinishClipExport(DialogHost& host, const ClipExportOptions& options) {
  AppSettings& settings = host.Settings();
  settings.optClipExport = options.optimize;
  GameClipboardExport out;
  const SaveMode mode = SaveModeOf(settings.compatible1900, settings.compact);
  if (ExportGameText(ContentOf(host.Document()), options.selectedSlots, options.format,
                     options.optimize, mode, out) != 0) {
    return;
  }
  if (!host.SetClipboardText(out.text)) return;  // nothing placed, nothing said
  Inform(host.DialogParent(), FromSjis(out.message));
}

void CopyForExport(DialogHost& host, const ClipExportOptions& options, ClipCopyKind kind) {
  const CMMLDocument& document = host.Document();
  if (kind == ClipCopyKind::Title) {
    if (host.SetClipboardText(document.Title())) Inform(host.DialogParent(), FromSjis(TitleCopiedMessage()));
    return;
  }
  if (options.selectedSlots.empty()) return;
  const CMMLTrack& track = document.Track(options.selectedSlots.front());
  if (kind == ClipCopyKind::TrackName) {
    if (host.SetClipboardText(track.name)) {
      Inform(host.DialogParent(), FromSjis(TrackNameCopiedMessage()));
    }
  } else if (host.SetClipboardText(std::string(InstrumentName(track.instrument)))) {
    Inform(host.DialogParent(), FromSjis(InstrumentCopiedMessage()));
  }
}

void ShowClipExport(DialogHost& host) {
  CMMLClipExportDlg dialog(ClipExportOptionsFor(host), host.DialogParent());
  QObject::connect(&dialog, &CMMLClipExportDlg::copyRequested, &dialog,
                   [&host, &dialog](ClipCopyKind kind) { CopyForExport(host, dialog.options(), kind); });
  if (RunModal(dialog) == QDialog::Accepted) FinishClipExport(host, dialog.options());
}

void ImportClipboard(DialogHost& host) {
  QWidget* parent = host.DialogParent();
  const std::optional<std::string> text = host.ClipboardText();
  if (!text || text->empty()) {
    Fail(parent, QStringLiteral("クリップボードのオープンに失敗しました。"));
    return;
  }
  const int32_t defaultTicks = host.Settings().defaultTimeBase;
  LoadedSong song;
  if (ParseClipboardMml(*text, song, defaultTicks) == 0) {
    ReadSongMemory(*text, song, SongReadOptions{defaultTicks});
    // Text that is no song at all must not replace the one being edited.
    if (CountTracks(song) == 0) {
      Fail(parent, QStringLiteral("ファイルのオープンに失敗しました"));
      return;
    }
    if (host.ConfirmDiscard()) ReplaceSong(host, song);
    return;
  }
  CMMLClipImportDlg dialog(ClipImportOptions{CountTracks(song)}, parent);
  if (RunModal(dialog) != QDialog::Accepted) return;
  const ClipImportOptions chosen = dialog.options();
  if (chosen.append) {
    AppendTracks(host, song, chosen.instrument);
    return;
  }
  for (TrackProperties& slot : song.slots) {
    if (slot.inUse) slot.instrument = chosen.instrument;
  }
  if (host.ConfirmDiscard()) ReplaceSong(host, song);
}

}  // namespace kore::dialogs
