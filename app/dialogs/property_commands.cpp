#include "app/dialogs/property_commands.h"

#include <filesystem>

#include "app/dialogs/form.h"
#include "base/shift_jis.h"
#include "playback/mml_player.h"

namespace kore::dialogs {
namespace {

std::vector<int32_t> TabSlots(const CMMLDocument& document) {
  std::vector<int32_t> slots;
  for (int32_t slot : document.TrackOrder()) {
    if (slot < 0 || slot >= kTrackSlotCount) break;
    if (document.Track(slot).inUse) slots.push_back(slot);
  }
  return slots;
}

// Stores new properties of a slot and makes the output, the player and the window follow.
void StoreTrack(DialogHost& host, int32_t slot, const TrackProperties& next) {
  CMMLDocument& document = host.Document();
  const CMMLTrack& old = document.Track(slot);
  const bool channelChanged = old.instrument != next.instrument || old.volume != next.volume ||
                              old.panpot != next.panpot;
  if (document.SetTrackProperties(slot, next) != 0) return;
  document.SetMuted(slot, next.muted != 0);
  if (CMMLPlayer* player = host.Player()) player->SetMuted(slot, next.muted != 0);
  if (channelChanged) host.InitChannel(slot);
  host.RefreshTab(slot);
  if (slot == document.CurrentTrack()) host.RefreshInstrumentSelector();
}

}  // namespace

int32_t TrackCharacterCount(const CMMLTrack& track) {
  for (auto it = track.events.rbegin(); it != track.events.rend(); ++it) {
    if (it->kind == MidiEventKind::EndOfTrack) return it->value;
  }
  return 0;
}

TrackPropertyOptions TrackPropertyOptionsFor(DialogHost& host, int32_t slot) {
  const CMMLDocument& document = host.Document();
  TrackPropertyOptions options;
  options.properties = document.Track(slot);
  options.playing = host.IsPlaying();
  MidiEvent marker;
  for (int32_t k = 0; document.GetMarker(k, marker); ++k) {
    options.startItems.push_back(StartListText(k, marker, document.GetTimeBase()));
  }
  for (int32_t other : TabSlots(document)) {
    if (other != slot) options.destinations.push_back({other, document.Track(other)});
  }
  return options;
}

void ApplyTrackProperties(DialogHost& host, int32_t slot, const TrackPropertyOptions& options) {
  TrackProperties next = host.Document().Track(slot);
  const TrackProperties& edited = options.properties;
  next.name = edited.name;
  next.instrument = edited.instrument;
  next.volume = edited.volume;
  next.panpot = edited.panpot;
  next.muted = edited.muted;
  if (!host.IsPlaying()) next.startMarker = edited.startMarker;
  StoreTrack(host, slot, next);
  host.RefreshCaption();
}

void ApplyToDestinations(DialogHost& host, const TrackPropertyOptions& options) {
  const TrackProperties& edited = options.properties;
  const bool playing = host.IsPlaying();
  int32_t number = 1;
  for (int32_t slot : options.selectedDestinations) {
    if (slot < 0 || slot >= kTrackSlotCount || !host.Document().Track(slot).inUse) continue;
    TrackProperties next = host.Document().Track(slot);
    if (options.copyName) {
      next.name = edited.name;
      if (options.numbering) next.name += std::to_string(number);
    }
    ++number;
    if (options.copyInstrument) next.instrument = edited.instrument;
    if (options.copyStart && !playing) next.startMarker = edited.startMarker;
    next.volume = edited.volume;
    next.panpot = edited.panpot;
    next.muted = edited.muted;
    StoreTrack(host, slot, next);
  }
  host.RefreshCaption();
}

void ShowTrackProperties(DialogHost& host, int32_t slot) {
  if (slot < 0 || slot >= kTrackSlotCount || !host.Document().Track(slot).inUse) return;
  CMMLTrackPropaty dialog(TrackPropertyOptionsFor(host, slot), host.DialogParent());
  QObject::connect(&dialog, &CMMLTrackPropaty::applyRequested, &dialog,
                   [&host, &dialog] { ApplyToDestinations(host, dialog.options()); });
  if (RunModal(dialog) == QDialog::Accepted) ApplyTrackProperties(host, slot, dialog.options());
}

SongPropertyOptions SongPropertyOptionsFor(DialogHost& host) {
  const CMMLDocument& document = host.Document();
  SongPropertyOptions options;
  const std::string& path = document.Path();
  options.fileTitle = path.empty()
                          ? Sjis("(無題)")
                          : Utf8ToSjisLossy(std::filesystem::path(path).filename().string());
  options.title = document.Title();
  options.source = document.Source();
  options.memo = document.Memo();
  options.timeBase = document.GetTimeBase();
  for (int32_t slot : TabSlots(document)) {
    const CMMLTrack& track = document.Track(slot);
    options.tracks.push_back({TrackCharacterCount(track), track.name});
  }
  return options;
}

void ApplySongProperties(DialogHost& host, const SongPropertyOptions& options) {
  CMMLDocument& document = host.Document();
  const TimeBase& next = options.timeBase;
  if (!(next == document.GetTimeBase()) &&
      document.SetTimeBase(next.ticksPerQuarter, next.beatsPerMeasure, next.beatUnit) == 0) {
    document.SetModified();
  }
  document.SetSongTexts(options.title, options.source, options.memo);
  host.RefreshCaption();
}

void ShowSongProperties(DialogHost& host) {
  CMMLPropatyDlg dialog(SongPropertyOptionsFor(host), host.DialogParent());
  if (RunModal(dialog) == QDialog::Accepted) ApplySongProperties(host, dialog.options());
}

}  // namespace kore::dialogs
