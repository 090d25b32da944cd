#include "song/loaded_song.h"

#include <utility>

namespace kore {

void LoadedSong::Reset() {
  timeBase = TimeBase{};
  title.clear();
  source.clear();
  memo.clear();
  for (int32_t slot = 0; slot < kTrackSlotCount; ++slot) {
    TrackProperties& p = slots[slot];
    p = TrackProperties{};
    p.inUse = 0;
    p.instrument = 0;
    p.reserved = slot;
    p.channel = slot;
    p.volume = kDefaultTrackVolume;
    p.panpot = kDefaultTrackPanpot;
    p.startMarker = 0;
    p.name.clear();
    texts[slot].clear();
  }
  trackOrder.fill(-1);
  trackOrderRead = false;
  markers.clear();
}

void LoadedSong::NameSlotsByNumber() {
  for (int32_t slot = 0; slot < kTrackSlotCount; ++slot) {
    slots[slot].name = "Track" + std::to_string(slot + 1);
  }
}

SongContent LoadedSong::View() const {
  SongContent content;
  content.timeBase = timeBase;
  content.title = title;
  content.source = source;
  content.memo = memo;
  content.slots = slots;
  for (int32_t slot = 0; slot < kTrackSlotCount; ++slot) content.texts[slot] = texts[slot];
  content.trackOrder = trackOrder;
  content.trackOrderRead = trackOrderRead;
  content.markers = markers;
  return content;
}

SongContent ContentOf(const CMMLDocument& document) {
  SongContent content;
  content.timeBase = document.GetTimeBase();
  content.title = document.Title();
  content.source = document.Source();
  content.memo = document.Memo();
  for (int32_t slot = 0; slot < kTrackSlotCount; ++slot) {
    content.slots[slot] = static_cast<const TrackProperties&>(document.Track(slot));
    content.texts[slot] = document.Track(slot).Text();
  }
  content.trackOrder = document.TrackOrder();
  content.trackOrderRead = true;
  content.markers = document.Markers();
  return content;
}

void LoadIntoDocument(const LoadedSong& song, CMMLDocument& document, std::string path) {
  document.LoadSong(song.View(), std::move(path));
}

void StoreTrackText(std::string& slotText, std::string_view text) {
  slotText.assign(text.substr(0, kMaxTrackTextBytes));
}

}  // namespace kore
