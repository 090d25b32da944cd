#pragma once
// The game-format export of a song: what "MMLをコピー" puts on the clipboard for the tracks
// the export dialog selects, and the message it shows afterwards.
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "mml/game_export.h"
#include "song/song_document.h"
#include "song/song_file.h"

namespace kore {

// Slots of the song's tracks in display order: trackOrder up to its -1, slots in use only.
std::vector<int32_t> DisplayOrder(const SongContent& song);

// The tracks of `slots` (in that order) as the export takes them.
std::vector<GameExportTrack> GameExportTracks(const SongContent& song,
                                              std::span<const int32_t> slots);

// Format 2: the whole song, every track, as the song file writer writes it in `mode`, without
// the file's final byte. 0, or -1 when the writer produced nothing.
int32_t BuildElvaraMmlText(const SongContent& song, SaveMode mode, std::string& text);

struct GameClipboardExport {
  std::string text;         // what goes on the clipboard (Shift-JIS)
  std::string message;      // the information message shown afterwards (Shift-JIS)
  GameExportResult result;  // formats 0 and 1: the parts, their lengths and the rank
};

// "MMLをコピー" without the clipboard: for format 2 the whole song (the slots are not used),
// for formats 0 and 1 the selected slots (one to three, in display order). 0 when there is
// something to put on the clipboard; -1 when nothing happens (no or too many tracks, nothing
// to export, an unknown format).
int32_t ExportGameText(const SongContent& song, std::span<const int32_t> slots, int32_t format,
                       bool optimize, SaveMode mode, GameClipboardExport& out);

}  // namespace kore
