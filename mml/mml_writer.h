#pragma once
// Rewrites the MML of one track as a short game-dialect text that plays the same notes,
// rests, volumes and tempos: comments, white space and everything the game does not know are
// dropped, and default lengths, octave steps and spellings are chosen for few characters.
#include <cstdint>
#include <string>
#include <string_view>

namespace kore {

// The two optimiser modes. Mode 1 may also switch the default length to a dotted length when
// notes are the dotted form of the current default; the export runs both and keeps the shorter.
constexpr int32_t kWriterModePlain = 0;
constexpr int32_t kWriterModeDotted = 1;

// Appends the rewritten text of `mml` (Shift-JIS, either dialect) to `out` and returns the
// number of bytes appended. Never fails: an empty or comment-only text appends nothing.
// Any mode other than 1 is taken as mode 0.
int32_t WriteGameMml(std::string_view mml, std::string& out, int32_t mode);

// Written cost in characters of a length code (length value - 1, plus 64 when dotted):
// 1 below 9, 2 up to 72, 3 above.
constexpr int32_t LengthCodeCost(int32_t code) { return code < 9 ? 1 : (code <= 72 ? 2 : 3); }

}  // namespace kore
