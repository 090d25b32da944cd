#pragma once
// Exports a compiled song as a Standard MIDI File: format 1 (one chunk per track slot) or
// format 0 (one chunk holding the merged song). Reads compiled event lists only.
#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "mml/midi_event.h"
#include "song/song_document.h"

namespace kore {

struct SmfExportRequest {
  std::string path;   // output file (UTF-8 file-system path)
  std::string title;  // Shift-JIS; "無題" when the song title is empty
  std::array<int32_t, kTrackSlotCount> programs{};  // GM program of each slot in use
  TimeBase timeBase;
  std::array<MidiEventList, kTrackSlotCount> trackEvents;  // per slot
  MidiEventList songEvents;  // the merged song in song order (format 0 only)
  // When set, read instead of trackEvents[t] and songEvents: the document's own lists, which
  // a long song would otherwise copy whole. They must outlive the request unchanged.
  std::array<const MidiEventList*, kTrackSlotCount> trackLists{};
  const SongEventList* songList = nullptr;
  int32_t format = 1;        // 0 or 1
  int32_t slotCount = kTrackSlotCount;
  std::array<TrackProperties, kTrackSlotCount> slots;  // names, in-use flags, volume, pan

  const MidiEventList& Track(int32_t slot) const {
    return trackLists[slot] != nullptr ? *trackLists[slot] : trackEvents[slot];
  }
};

// The file's bytes for a request (the file format as written by WriteSmf).
std::vector<uint8_t> BuildSmf(const SmfExportRequest& request);

// Writes request.path: 0 on success, 1 when the file cannot be created or written. The bytes
// go to a temporary file in the same folder that replaces the target only when complete, so a
// failed export never leaves a partial file over a good one.
int WriteSmf(const SmfExportRequest& request);

// The GM program a slot plays: the game instruments' playback programs, else index - 7.
int32_t SmfProgramOf(const TrackProperties& slot);

// Fills a request from the song: title (or "無題"), time base, the per-slot lists and the song
// list (referred to, not copied: write the file before the song changes), programs of the
// slots in use.
SmfExportRequest MakeSmfExportRequest(const CMMLDocument& document, std::string path,
                                      int32_t format);

// The name the export dialog proposes: for an untitled song the song title + ".mid", or
// "NoTitle.mid" when the title is empty too; otherwise the song's own path with ".mid".
std::string SuggestSmfExportPath(const CMMLDocument& document);

}  // namespace kore
