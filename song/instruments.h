#pragma once
// The program's instrument list: seven game instruments, then the 128 General MIDI programs,
// and the instrument code under which an instrument is stored in files.
#include <cstdint>
#include <string>
#include <string_view>

namespace kore {

constexpr int32_t kInstrumentCount = 135;
constexpr int32_t kGameInstrumentCount = 7;

// Shift-JIS name shown for an instrument index ("リュート", "Acoustic Grand Piano"); empty when
// the index is outside 0..134.
std::string_view InstrumentName(int32_t index);

// General MIDI program (0..127) used to play the instrument; index 0 for an out-of-range index.
int32_t InstrumentProgram(int32_t index);

// The game's own id of a game instrument (indexes 0..6), -1 for a General MIDI entry or an
// out-of-range index.
int32_t InstrumentGameId(int32_t index);

// True for indexes 0..6.
constexpr bool IsGameInstrument(int32_t index) { return index >= 0 && index < kGameInstrumentCount; }

// Index -> file code: 7..134 give the GM program 0..127, 0..6 give 128..134. An index outside
// 0..134 is stored as index 0 would be, so a file never carries a code that reads back wrongly.
int32_t InstrumentIndexToCode(int32_t index);

// File code -> index: 0..127 give code + 7, 128..135 give code - 128 (135 lands on index 7),
// anything else gives 0.
int32_t InstrumentCodeToIndex(int32_t code);

// The list entry "%03d : %s" (Shift-JIS): the playback program + 1 and the name, e.g.
// "106 : リュート", "001 : Acoustic Grand Piano". Empty for an out-of-range index.
std::string InstrumentListText(int32_t index);

}  // namespace kore
