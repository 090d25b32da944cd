#include "song/game_export_song.h"

namespace kore {

std::vector<int32_t> DisplayOrder(const SongContent& song) {
  std::vector<int32_t> order;
  for (int32_t slot : song.trackOrder) {
    if (slot < 0 || slot >= kTrackSlotCount) break;
    if (song.slots[static_cast<size_t>(slot)].inUse) order.push_back(slot);
  }
  return order;
}

std::vector<GameExportTrack> GameExportTracks(const SongContent& song,
                                              std::span<const int32_t> slots) {
  std::vector<GameExportTrack> tracks;
  for (int32_t slot : slots) {
    if (slot < 0 || slot >= kTrackSlotCount) continue;
    const size_t index = static_cast<size_t>(slot);
    tracks.push_back({song.slots[index].name, song.texts[index]});
  }
  return tracks;
}

int32_t BuildElvaraMmlText(const SongContent& song, SaveMode mode, std::string& text) {
  text = ElvaraMmlClipboardText(SongFileBytes(song, mode));
  return text.empty() ? -1 : 0;
}

int32_t ExportGameText(const SongContent& song, std::span<const int32_t> slots, int32_t format,
                       bool optimize, SaveMode mode, GameClipboardExport& out) {
  out = GameClipboardExport{};
  if (format == kGameFormatElvaraMml) {
    if (BuildElvaraMmlText(song, mode, out.text) != 0) return -1;
    out.message = ElvaraMmlExportedMessage();
    return 0;
  }
  if (format != kGameFormatGame && format != kGameFormatBoard) return -1;
  if (slots.empty() || slots.size() > kMaxGameParts) return -1;
  std::vector<GameExportTrack> tracks = GameExportTracks(song, slots);
  if (BuildGameMml(tracks, format, optimize, out.result) == 0) return -1;
  out.text = GameClipboardText(format, song.title, song.source, out.result);
  out.message = GameExportMessage(format, optimize, out.result);
  return 0;
}

}  // namespace kore
