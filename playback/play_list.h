#pragma once
// The player's private copy of the song: every Note gets a separate NoteOff record placed where
// it falls due, ahead of everything else at that tick.
#include <array>
#include <cstdint>

#include "mml/midi_event.h"
#include "song/song_document.h"

namespace kore {

// A kind that exists only in the play list.
constexpr MidiEventKind kNoteOffKind = static_cast<MidiEventKind>(2);

// Velocity of a volume step: (step x 127) / 15.
constexpr int32_t NoteVelocity(int32_t volumeStep) { return (volumeStep * 127) / 15; }

// For every Note with a volume step of 0 or more, a NoteOff at tick + length is inserted before
// the first later record whose tick is at or beyond it (appended when there is none).
MidiEventList ExpandNoteOffs(const MidiEventList& songOrder);

// What playback and rendering need of a song: its records in song order, the time base, the
// slots' channel set-up and mute flags, and the song end used by "forward one measure".
struct PlaybackSong {
  TimeBase timeBase;
  MidiEventList events;
  std::array<TrackProperties, kTrackSlotCount> slots;
  // The largest tick of the last record of the 16 track lists (0 when all are empty).
  int32_t songEnd = 0;
};

PlaybackSong MakePlaybackSong(const CMMLDocument& document);

}  // namespace kore
