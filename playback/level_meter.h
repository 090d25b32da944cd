#pragma once
// The performance monitor's level meter: how far a slot's level has decayed since its last
// note-on (15 s while held) and note-off (about 0.6 s after the release).
#include <cstdint>

namespace kore {

// L' for level L (0..127) at time `now` with the note-on and note-off stamps in milliseconds
// (note-off -1 while the note is held); never below 0.
int32_t DecayedLevel(int32_t level, int64_t now, int64_t noteOnTime, int64_t noteOffTime);

// Segments lit out of 60: (L' x 60) / 127.
int32_t LevelMeterSegments(int32_t decayedLevel);

}  // namespace kore
