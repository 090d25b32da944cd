#include "smf/smf_import_song.h"

#include <algorithm>
#include <filesystem>

namespace kore {

void BuildSmfImportSong(const SmfImportJob& job, LoadedSong& song) {
  song.Reset();
  song.timeBase = TimeBase{32, 4, 4};
  song.title = job.title;
  song.source = job.copyright;
  const size_t count = std::min<size_t>(job.outputs.size(), kTrackSlotCount);
  for (size_t i = 0; i < count; ++i) {
    const int32_t slot = static_cast<int32_t>(i);
    song.slots[i] = TrackProperties::Fresh(slot);
    StoreTrackText(song.texts[i], job.outputs[i]);
    song.trackOrder[i] = slot;  // writers list tracks in this order
  }
  song.trackOrderRead = count > 0;
}

std::string SmfImportSongPath(const std::string& midiPath) {
  return std::filesystem::path(midiPath).replace_extension(".mml").string();
}

}  // namespace kore
