#include "mml/mml_compiler.h"

#include <algorithm>

#include "base/huge_pages.h"
#include "mml/mml_compiler_internal.h"

namespace kore {
namespace mml_detail {

namespace {

int32_t SaturateToInt32(int64_t value) {
  return static_cast<int32_t>(std::clamp<int64_t>(value, std::numeric_limits<int32_t>::min(),
                                                  std::numeric_limits<int32_t>::max()));
}

// letter, octave and sharp of the notes the compiler can produce, as SetPitch gives them.
struct PitchFields {
  int32_t letter;
  int32_t octave;
  int32_t sharp;
};
constexpr int32_t kPitchTableSize = 128;

const PitchFields* PitchTable() {
  static const auto table = [] {
    std::array<PitchFields, kPitchTableSize> fields{};
    for (int32_t n = 0; n < kPitchTableSize; ++n) {
      MidiEvent e;
      e.SetPitch(n);
      fields[static_cast<size_t>(n)] = {e.letter, e.octave, e.sharp};
    }
    return fields;
  }();
  return table.data();
}

const PitchFields* const kPitchTable = PitchTable();

void SetPitchFast(MidiEvent& e, int32_t note) {
  if (note < 0 || note >= kPitchTableSize) {
    e.SetPitch(note);
    return;
  }
  const PitchFields& fields = kPitchTable[note];
  e.note = note;
  e.letter = fields.letter;
  e.octave = fields.octave;
  e.sharp = fields.sharp;
}

}  // namespace

CompileContext::CompileContext(const TimeBase& timeBase, MidiEventList& events,
                               MmlStateList& states, int32_t startTick, bool keepTies)
    : events_(events),
      states_(states),
      keepTies_(keepTies),
      ticksPerMeasure_(timeBase.TicksPerMeasure()),
      tick_(startTick),
      tick32_(startTick) {
  ticksOfLength_[0][0] = ticksOfLength_[1][0] = 0;
  for (int32_t length = 1; length <= 64; ++length) {
    ticksOfLength_[0][length] = timeBase.TicksOfLength(length, false);
    ticksOfLength_[1][length] = timeBase.TicksOfLength(length, true);
  }
}

void CompileContext::AppendDefaultStates() {
  const CommandSpan atStart{};
  AppendState(MidiEventKind::StateOctave, 4, atStart);
  AppendState(MidiEventKind::StateVolume, 8, atStart);
  AppendState(MidiEventKind::StateTempo, 120, atStart);
  AppendState(MidiEventKind::StateLength, 4, atStart, 0);
}

void CompileContext::AppendExtensionStart() {
  MidiEvent& start = NextEvent();
  start.kind = MidiEventKind::ExtensionStart;
  start.tick = CurrentTick();
}

MidiEvent& CompileContext::AppendEvent(MidiEventKind kind, const CommandSpan& span) {
  MidiEvent& event = NextEvent();
  event.kind = kind;
  event.tick = CurrentTick();
  event.channel = channel;
  event.textBegin = span.begin;
  event.textEnd = span.end;
  event.defaultLength = defaultLength;
  event.defaultDotted = defaultDotted ? 1 : 0;
  event.lengthValue = span.lengthValue;
  return event;
}

void CompileContext::AppendState(MidiEventKind kind, int32_t value, const CommandSpan& span,
                                 int32_t value2) {
  MidiEvent& state = NextState();
  state.kind = kind;
  state.tick = CurrentTick();
  state.value = value;
  state.value2 = value2;
  state.channel = channel;
  state.textBegin = span.begin;
  state.textEnd = span.end;
  state.defaultLength = defaultLength;
  state.defaultDotted = defaultDotted ? 1 : 0;
  state.lengthValue = span.lengthValue;
}

void CompileContext::OpenMeasure(const CommandSpan& span, int32_t tick) {
  int32_t measure;
  if (measureEnd_ > measureBegin_ && tick >= measureEnd_ && tick - measureEnd_ < ticksPerMeasure_) {
    measure = lastMeasure_ + 1;  // the usual step into the next measure, without a division
  } else {
    measure = ticksPerMeasure_ == 0 ? 0 : tick / ticksPerMeasure_;
  }
  if (ticksPerMeasure_ > 0 && tick >= 0) {
    measureBegin_ = int64_t{measure} * ticksPerMeasure_;
    measureEnd_ = measureBegin_ + ticksPerMeasure_;
  }
  if (measure == lastMeasure_) return;
  lastMeasure_ = measure;
  AppendEvent(MidiEventKind::Measure, span).value = measure;
}

void CompileContext::AddNote(const NoteSpec& spec, const CommandSpan& span) {
  if (!keepTies_ && tiePending && lastNoteIndex_ >= 0) {
    MidiEvent& tied = events_[static_cast<size_t>(lastNoteIndex_)];
    if (tied.note == spec.note) {
      tied.length = SaturateToInt32(int64_t{tied.length} + spec.ticks);
      tied.textEnd = span.end;
      if (spec.displaySize != 0) {
        if (!tiedTextOpen_) tiedText_.assign(std::string_view(tied.text));
        tiedTextOpen_ = true;
        tiedText_ += "&&&&";
        tiedText_ += spec.DisplayText();
      }
      Advance(spec.ticks);
      return;
    }
  }
  MeasureCheck(span);
  int32_t tick = CurrentTick();
  if (lastNoteIndex_ >= 0) {
    MidiEvent& before = events_[static_cast<size_t>(lastNoteIndex_)];
    before.step = tick - before.tick;
    CloseTiedText(before);
  }
  MidiEvent& note = AppendEvent(MidiEventKind::Note, span);
  note.length = spec.ticks;
  SetPitchFast(note, spec.note);
  note.value = volume;
  note.dotted = spec.dotted ? 1 : 0;
  note.lengthValue = spec.lengthValue;
  note.numericNote = spec.numeric ? 1 : 0;
  if (spec.markOutOfRange) note.outOfRange = (spec.note < 28 || spec.note > 100) ? 1 : 0;
  note.text.AssignPacked(spec.displayBytes, spec.displaySize);
  lastNoteIndex_ = static_cast<int64_t>(eventCount_) - 1;
  previousNote_ = spec.note;
  Advance(spec.ticks);
}

void CompileContext::CloseTiedText(MidiEvent& note) {
  if (!tiedTextOpen_) return;
  note.text = tiedText_;
  tiedTextOpen_ = false;
}

void CompileContext::AddRest(int32_t ticks, int32_t lengthValue, bool dotted,
                             const CommandSpan& span) {
  MeasureCheck(span);
  MidiEvent& rest = AppendEvent(MidiEventKind::Rest, span);
  rest.length = ticks;
  SetPitchFast(rest, previousNote_);
  rest.value = volume;
  rest.dotted = dotted ? 1 : 0;
  rest.lengthValue = lengthValue;
  Advance(ticks);
}

void CompileContext::AddTie(int32_t offset) {
  tiePending = true;
  if (keepTies_) AppendEvent(MidiEventKind::Tie, CommandSpan{offset, offset, 0});
}

void CompileContext::Finish() {
  MidiEvent& end = NextEvent();
  end.kind = MidiEventKind::EndOfTrack;
  end.tick = CurrentTick();
  end.value = characterCount;
  end.defaultLength = defaultLength;
  end.defaultDotted = defaultDotted ? 1 : 0;
  // The step pass: the last Note reaches to the end of the track.
  if (lastNoteIndex_ >= 0) {
    MidiEvent& last = events_[static_cast<size_t>(lastNoteIndex_)];
    last.step = end.tick - last.tick;
    CloseTiedText(last);
  }
  events_.resize(eventCount_);
  states_.resize(stateCount_);
}

}  // namespace mml_detail

namespace {

// What one byte adds to the three counts of a text, packed in 21-bit fields of one word so
// that the pass over a long text does a single addition per byte: event-command starts (bits
// 0..20; commands that append event records, at most two each counting the Measure record
// before them), state-command starts (bits 21..41; one record each) and counted characters
// (bits 42..62).
constexpr int kStateShift = 21;
constexpr int kCountedShift = 42;
constexpr uint64_t kFieldMask = (uint64_t{1} << kStateShift) - 1;
// Bytes summed before the fields are emptied into wide counters, so that none overflows.
constexpr size_t kPackedBlock = size_t{1} << 20;

constexpr std::array<uint64_t, 256> kByteCounts = [] {
  std::array<uint64_t, 256> table{};
  for (char c : std::string_view("abcdefghnrtABCDEFGHNRTpyVE@~&")) {
    table[static_cast<uint8_t>(c)] |= 1;
  }
  for (char c : std::string_view("olvtOLVT<>")) {
    table[static_cast<uint8_t>(c)] |= uint64_t{1} << kStateShift;
  }
  for (size_t b = 0; b < 256; ++b) {
    if (mml_detail::kCountedBytes[b]) table[b] |= uint64_t{1} << kCountedShift;
  }
  return table;
}();

struct TextCounts {
  size_t events;   // bound on the event records
  size_t states;   // bound on the state records
  size_t counted;  // counted characters, comments included
};

TextCounts CountText(std::string_view text) {
  size_t eventCommands = 0;
  size_t stateCommands = 0;
  size_t counted = 0;
  for (size_t begin = 0; begin < text.size(); begin += kPackedBlock) {
    const size_t end = std::min(text.size(), begin + kPackedBlock);
    uint64_t packed = 0;
    for (size_t i = begin; i < end; ++i) packed += kByteCounts[static_cast<uint8_t>(text[i])];
    eventCommands += packed & kFieldMask;
    stateCommands += (packed >> kStateShift) & kFieldMask;
    counted += packed >> kCountedShift;
  }
  // ExtensionStart and EndOfTrack; the four states in force before the first command.
  return {2 * eventCommands + 2, stateCommands + 4, counted};
}

// Makes room for `count` records, with some to spare when the list must grow: typing at the end
// of a track raises the bound by a record or two per keystroke, and a list grown to the exact
// bound would move to new memory at every one. True when the list moved.
bool ReserveWithRoom(MidiEventList& list, size_t count) {
  if (count <= list.capacity()) return false;
  list.reserve(list.capacity() == 0 ? count : count + count / 8);
  return true;
}

}  // namespace

void CMMLCompiler::Compile(std::string_view text, MidiEventList& events, MmlStateList& states,
                           int32_t startTick, bool keepTies) const {
  // Sized once from an upper bound, so a long track never grows its list by copying it; pages
  // of the bound that no record reaches are never touched. A recompile finds the capacity kept.
  const TextCounts counts = CountText(text);
  const bool freshEvents = ReserveWithRoom(events, counts.events);
  const bool freshStates = ReserveWithRoom(states, counts.states);
  mml_detail::CompileContext context(timeBase_, events, states, startTick, keepTies);
  if (IsExtendedDialect(text)) {
    context.AppendDefaultStates();
    context.AppendExtensionStart();
    mml_detail::CompileExtendedDialect(context, text);
  } else if (!text.empty()) {
    context.AppendDefaultStates();
    context.characterCount = static_cast<int32_t>(
        std::min<size_t>(counts.counted, std::numeric_limits<int32_t>::max()));
    mml_detail::CompileGameDialect(context, text);
  }
  context.Finish();
  // A bound just reserved is generous: hand back the part of the last huge page that no record
  // reached. A list that kept its capacity is left alone; the next compile would only fault
  // those pages in again.
  if (freshEvents) ReleaseUnusedPages(events.data(), events.size() * sizeof(MidiEvent),
                                      events.capacity() * sizeof(MidiEvent));
  if (freshStates) ReleaseUnusedPages(states.data(), states.size() * sizeof(MidiEvent),
                                      states.capacity() * sizeof(MidiEvent));
}

bool IsExtendedDialect(std::string_view text) {
  return text.substr(0, 18) == "//#using_extension";
}

const MidiEvent* FindEventAtOffset(const MidiEventList& list, int32_t offset) {
  for (const MidiEvent& event : list) {
    if (event.textBegin >= offset) return &event;
  }
  return nullptr;
}

int32_t TickAtOffset(const MidiEventList& list, int32_t offset) {
  const MidiEvent* event = FindEventAtOffset(list, offset);
  return event ? event->tick : 0;
}

MmlCaretState StateAtOffset(const MmlStateList& states, int32_t offset) {
  MmlCaretState state;
  for (const MidiEvent& record : states) {
    if (record.textEnd >= offset) break;
    switch (record.kind) {
      case MidiEventKind::StateLength:
        state.length = record.value;
        state.dotted = record.value2 != 0;
        break;
      case MidiEventKind::StateVolume: state.volume = record.value; break;
      case MidiEventKind::StateOctave: state.octave = record.value; break;
      case MidiEventKind::StateTempo: state.tempo = record.value; break;
      default: break;
    }
  }
  return state;
}

}  // namespace kore
