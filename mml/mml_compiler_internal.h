#pragma once
// Working state shared by the two dialect compilers: the running position in time, the MML
// state, and the record builders both dialects use. Not part of the public interface.
#include <array>
#include <cstdint>
#include <limits>
#include <string>
#include <string_view>

#include "mml/midi_event.h"

namespace kore::mml_detail {

// Bytes the game counts toward a string's length once comments and white space are dropped.
inline constexpr std::array<bool, 256> kCountedBytes = [] {
  std::array<bool, 256> table{};
  for (char c : std::string_view("#&+-.0123456789<>abcdefghlnortvABCDEFGHLNORTV")) {
    table[static_cast<uint8_t>(c)] = true;
  }
  return table;
}();

inline constexpr int32_t kNoValue = -1;

// Appends a decimal digit, saturating so that an over-long number stays out of every range.
inline int32_t AppendDigit(int32_t value, int32_t digit, int32_t base = 10) {
  int64_t next = int64_t{value < 0 ? 0 : value} * base + digit;
  return next > std::numeric_limits<int32_t>::max() ? std::numeric_limits<int32_t>::max()
                                                    : static_cast<int32_t>(next);
}

inline int32_t PitchClassOf(uint8_t letter) {
  // a b c d e f g h
  static constexpr int32_t kClasses[8] = {9, 11, 0, 2, 4, 5, 7, 11};
  return kClasses[letter - 'a'];
}

// Text span and the values every record of one command carries.
struct CommandSpan {
  int32_t begin = 0;
  int32_t end = 0;
  int32_t lengthValue = 0;  // extended dialect: argument 0 of the command
};

struct NoteSpec {
  int32_t note = 0;
  int32_t ticks = 0;
  int32_t lengthValue = 0;
  bool dotted = false;
  bool numeric = false;
  bool markOutOfRange = false;  // game dialect only
  // Game dialect only (else empty): the display text, its bytes packed in memory order.
  uint64_t displayBytes = 0;
  uint8_t displaySize = 0;

  std::string_view DisplayText() const {
    return {reinterpret_cast<const char*>(&displayBytes), displaySize};
  }
};

class CompileContext {
 public:
  // Records are written over the lists' existing elements (keeping their capacity and their
  // text buffers) and the lists are cut to the records written in Finish().
  CompileContext(const TimeBase& timeBase, MidiEventList& events, MmlStateList& states,
                 int32_t startTick, bool keepTies);

  // The four records describing the state before the first command.
  void AppendDefaultStates();
  void AppendExtensionStart();

  // A record at the current tick carrying the command's span, the channel and the defaults.
  MidiEvent& AppendEvent(MidiEventKind kind, const CommandSpan& span);
  void AppendState(MidiEventKind kind, int32_t value, const CommandSpan& span, int32_t value2 = 0);

  // Opens a Measure record when the current tick lies in a measure not yet announced.
  void MeasureCheck(const CommandSpan& span) {
    // Most records fall into the measure of the one before; skip the division for them.
    int32_t tick = CurrentTick();
    if (tick < measureBegin_ || tick >= measureEnd_) OpenMeasure(span, tick);
  }

  // Tie merge (when a tie is pending), Measure check, the Note itself; advances the time.
  void AddNote(const NoteSpec& spec, const CommandSpan& span);
  void AddRest(int32_t ticks, int32_t lengthValue, bool dotted, const CommandSpan& span);
  void AddTie(int32_t offset);

  // EndOfTrack with the character count; the lists then hold exactly the records written.
  void Finish();

  // Ticks of a length value 1..64.
  int32_t TicksOf(int32_t lengthValue, bool dotted) const {
    return ticksOfLength_[dotted ? 1 : 0][lengthValue];
  }

  // The length a note or rest takes: the one written, else the default (whose dot joins a
  // written one). False when it lies outside 1..64 and the command is skipped. Arithmetic
  // rather than a branch: whether a length is written varies from note to note.
  bool ResolveLength(int32_t written, bool writtenDot, int32_t& lengthValue, bool& dotted) const {
    const bool useDefault = written == kNoValue;
    lengthValue = written + int32_t{useDefault} * (defaultLength - written);
    dotted = writtenDot | (useDefault & defaultDotted);
    return lengthValue >= 1 && lengthValue <= 64;
  }

  // Working state the dialects read and change directly.
  int32_t octave = 4;
  int32_t volume = 8;
  int32_t defaultLength = 4;
  bool defaultDotted = false;
  bool tiePending = false;
  int32_t characterCount = 0;
  int32_t channel = -1;

 private:
  int32_t CurrentTick() const { return tick32_; }
  void Advance(int32_t ticks) {
    tick_ += ticks;
    tick32_ = tick_ > std::numeric_limits<int32_t>::max()   ? std::numeric_limits<int32_t>::max()
              : tick_ < std::numeric_limits<int32_t>::min() ? std::numeric_limits<int32_t>::min()
                                                            : static_cast<int32_t>(tick_);
  }
  void OpenMeasure(const CommandSpan& span, int32_t tick);
  // The next fresh record of a list: an element left from the last compile, reset, or a new one.
  static MidiEvent& NextRecord(MidiEventList& list, size_t& count) {
    if (count < list.size()) {
      MidiEvent& record = list[count++];
      record = MidiEvent{};
      return record;
    }
    ++count;
    return list.emplace_back();
  }
  MidiEvent& NextEvent() { return NextRecord(events_, eventCount_); }
  MidiEvent& NextState() { return NextRecord(states_, stateCount_); }
  // Stores the text a chain of ties built up into the Note that carries it.
  void CloseTiedText(MidiEvent& note);

  MidiEventList& events_;
  MmlStateList& states_;
  size_t eventCount_ = 0;
  size_t stateCount_ = 0;
  const bool keepTies_;
  const int32_t ticksPerMeasure_;
  int32_t ticksOfLength_[2][65];
  // Kept wide: a long text at a fine time base may pass the 32-bit range, and ticks then
  // saturate instead of wrapping.
  int64_t tick_;
  int32_t tick32_;  // tick_ saturated, as every record stores it
  int32_t lastMeasure_ = -1;
  // Tick range of lastMeasure_ (empty until known).
  int64_t measureBegin_ = 0;
  int64_t measureEnd_ = 0;
  int32_t previousNote_ = 60;
  // Index of the last Note record: a tie merge needs no backward search over rests, and each
  // Note's step is filled in when the next one (or the end) is known.
  int64_t lastNoteIndex_ = -1;
  // The display text of the last Note while ties keep extending it: record texts are immutable,
  // and rebuilding one per tie would make a long chain quadratic.
  std::string tiedText_;
  bool tiedTextOpen_ = false;
};

// Run the main loop of a dialect over a non-empty text; the caller finishes the list. The game
// dialect takes characterCount holding every counted byte of the text and takes off those
// inside comments; the extended one counts from 0 as it goes.
void CompileGameDialect(CompileContext& context, std::string_view text);
void CompileExtendedDialect(CompileContext& context, std::string_view text);

}  // namespace kore::mml_detail
