#pragma once
// Compiles the MML text of one track into its event and state lists. Two dialects: the game's
// own MML, and the extended dialect selected by a first line "//#using_extension".
#include <cstdint>
#include <string_view>

#include "mml/midi_event.h"

namespace kore {

class CMMLCompiler {
 public:
  CMMLCompiler() = default;
  explicit CMMLCompiler(const TimeBase& timeBase) : timeBase_(timeBase) {}

  const TimeBase& GetTimeBase() const { return timeBase_; }
  void SetTimeBase(const TimeBase& timeBase) { timeBase_ = timeBase; }

  // `text` is the track's Shift-JIS MML (the bytes before its terminating NUL). Both lists are
  // emptied first (their elements and capacity are reused); every tick includes `startTick`.
  // With `keepTies` a "&" becomes a Tie record instead of merging the next note. Never fails:
  // unusable commands are skipped, and numbers too long for 32 bits are simply out of range.
  // Ticks beyond the 32-bit range saturate.
  void Compile(std::string_view text, MidiEventList& events, MmlStateList& states,
               int32_t startTick, bool keepTies) const;

 private:
  TimeBase timeBase_;
};

// True when the text selects the extended dialect (first 18 bytes "//#using_extension").
bool IsExtendedDialect(std::string_view text);

// The first record, in list order, whose textBegin >= offset; nullptr when none.
const MidiEvent* FindEventAtOffset(const MidiEventList& list, int32_t offset);

// The tick playback starts from for a caret offset: FindEventAtOffset's tick, or 0.
int32_t TickAtOffset(const MidiEventList& list, int32_t offset);

// The MML state in force at a caret offset, for the status bar: the state records are applied
// in order up to the first one whose textEnd is at or beyond `offset` (0-based).
struct MmlCaretState {
  int32_t tempo = 120;
  int32_t octave = 4;
  int32_t volume = 8;
  int32_t length = 4;
  bool dotted = false;
  friend bool operator==(const MmlCaretState&, const MmlCaretState&) = default;
};
MmlCaretState StateAtOffset(const MmlStateList& states, int32_t offset);

}  // namespace kore
