#include "playback/play_list.h"

#include <algorithm>

namespace kore {

MidiEventList ExpandNoteOffs(const MidiEventList& songOrder) {
  // NoteOffs land in the gap before some original record (or after the last one). Within a gap,
  // a new NoteOff goes before the first NoteOff already there whose tick is at or beyond its
  // own: exactly where a forward search through the growing list would put it.
  const size_t count = songOrder.size();
  std::vector<std::vector<MidiEvent>> gaps(count + 1);
  size_t noteOffs = 0;
  for (size_t i = 0; i < count; ++i) {
    const MidiEvent& note = songOrder[i];
    if (note.kind != MidiEventKind::Note || note.value < 0) continue;
    MidiEvent off;
    off.kind = kNoteOffKind;
    off.tick = note.tick + note.length;
    off.note = note.note;
    off.channel = note.channel;
    off.track = note.track;
    off.seq = note.seq;
    // The first original record after the note with a tick at or beyond the release. Ticks
    // never decrease along the list, so a binary search finds it.
    auto first = std::lower_bound(songOrder.begin() + static_cast<std::ptrdiff_t>(i) + 1,
                                  songOrder.end(), off.tick,
                                  [](const MidiEvent& e, int32_t t) { return e.tick < t; });
    auto& gap = gaps[static_cast<size_t>(first - songOrder.begin())];
    auto at = std::find_if(gap.begin(), gap.end(),
                           [&](const MidiEvent& e) { return e.tick >= off.tick; });
    gap.insert(at, std::move(off));
    ++noteOffs;
  }
  MidiEventList out;
  out.reserve(count + noteOffs);
  for (size_t i = 0; i <= count; ++i) {
    for (auto& off : gaps[i]) out.push_back(std::move(off));
    if (i < count) out.push_back(songOrder[i]);
  }
  return out;
}

PlaybackSong MakePlaybackSong(const CMMLDocument& document) {
  PlaybackSong song;
  song.timeBase = document.GetTimeBase();
  song.events = document.SongEvents().ToVector();
  for (int32_t slot = 0; slot < kTrackSlotCount; ++slot) {
    const CMMLTrack& track = document.Track(slot);
    song.slots[slot] = static_cast<const TrackProperties&>(track);
    if (!track.events.empty()) song.songEnd = std::max(song.songEnd, track.events.back().tick);
  }
  return song;
}

}  // namespace kore
