// The compiler on arbitrary bytes in both dialects. The first byte chooses keepTies, the
// extended-dialect first line, the time base and the start tick; the rest is the MML text.
// Aborts when a list invariant breaks.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "mml/mml_compiler.h"

namespace {

using kore::MidiEvent;
using kore::MidiEventKind;

void Check(bool condition) {
  if (!condition) __builtin_trap();
}

bool IsTimed(MidiEventKind kind, bool extended) {
  switch (kind) {
    case MidiEventKind::Note:
    case MidiEventKind::Rest:
    case MidiEventKind::Tempo:
      return true;
    case MidiEventKind::ProgramChange:
    case MidiEventKind::ControlChange:
    case MidiEventKind::PitchBend:
    case MidiEventKind::SysEx:
      return extended;
    default:
      return false;
  }
}

void CheckSpan(const MidiEvent& e, size_t size) {
  Check(e.textBegin >= 0);
  Check(e.textBegin <= e.textEnd);
  Check(static_cast<size_t>(e.textEnd) < size);
}

void CheckEvents(const kore::MidiEventList& events, const kore::TimeBase& timeBase,
                 const std::string& text, int32_t startTick, bool extended, bool keepTies) {
  Check(!events.empty());
  Check(events.back().kind == MidiEventKind::EndOfTrack);
  Check(events.back().channel == 0);
  Check(events.back().value >= 0 && static_cast<size_t>(events.back().value) <= text.size());
  size_t first = 0;
  if (extended) {
    Check(events.front().kind == MidiEventKind::ExtensionStart);
    Check(events.front().tick == startTick);
    first = 1;
  }
  int32_t previousTick = startTick;
  int32_t lastMeasure = -1;
  for (size_t i = 0; i < events.size(); ++i) {
    const MidiEvent& e = events[i];
    Check(e.tick >= previousTick);
    previousTick = e.tick;
    bool end = i + 1 == events.size();
    Check((e.kind == MidiEventKind::EndOfTrack) == end);
    Check((e.kind == MidiEventKind::ExtensionStart) == (extended && i == 0));
    if (i < first || end) continue;
    CheckSpan(e, text.size());
    if (!extended) Check(e.channel == -1);
    Check(keepTies || e.kind != MidiEventKind::Tie);
    if (e.kind == MidiEventKind::Note || e.kind == MidiEventKind::Rest) Check(e.length >= 0);
    int32_t measure = timeBase.MeasureOf(e.tick);
    if (e.kind == MidiEventKind::Measure) {
      // Stands right before the first timed record of a measure not announced yet.
      Check(e.value == measure);
      Check(measure != lastMeasure);
      Check(i + 1 < events.size() && IsTimed(events[i + 1].kind, extended));
      Check(events[i + 1].tick == e.tick);
      lastMeasure = measure;
    } else if (IsTimed(e.kind, extended)) {
      Check(measure == lastMeasure);
    }
  }
  // Steps as the backward pass over the finished list gives them.
  kore::MidiEventList stepped = events;
  kore::ComputeSteps(stepped);
  for (size_t i = 0; i < events.size(); ++i) Check(stepped[i].step == events[i].step);
}

void CheckStates(const kore::MmlStateList& states, const std::string& text) {
  if (text.empty()) {
    Check(states.empty());
    return;
  }
  Check(states.size() >= 4);
  for (const MidiEvent& s : states) {
    Check(s.kind >= MidiEventKind::StateLength && s.kind <= MidiEventKind::StateTempo);
    CheckSpan(s, text.size());
  }
}

const kore::TimeBase kTimeBases[8] = {{32, 4, 4}, {480, 4, 4}, {960, 4, 4}, {32, 3, 4},
                                      {480, 7, 8}, {1, 1, 16}, {960, 16, 1}, {5, 3, 2}};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  const uint8_t options = data[0];
  const bool keepTies = options & 1;
  const bool prefix = options & 2;
  const kore::TimeBase& timeBase = kTimeBases[(options >> 2) & 7];
  const int32_t startTick = (options & 0x20) ? 1000 : ((options & 0x40) ? 2147480000 : 0);
  std::string text;
  if (prefix) text = "//#using_extension";
  text.append(reinterpret_cast<const char*>(data + 1), size - 1);
  const bool extended = kore::IsExtendedDialect(text);

  kore::CMMLCompiler compiler(timeBase);
  kore::MidiEventList events;
  kore::MmlStateList states;
  compiler.Compile(text, events, states, startTick, keepTies);
  CheckEvents(events, timeBase, text, startTick, extended, keepTies);
  CheckStates(states, text);

  // Lists that still hold the previous input's records must come out the same as fresh ones.
  static kore::MidiEventList reusedEvents;
  static kore::MmlStateList reusedStates;
  compiler.Compile(text, reusedEvents, reusedStates, startTick, keepTies);
  Check(reusedEvents == events);
  Check(reusedStates == states);

  for (int32_t offset : {0, 1, static_cast<int32_t>(text.size() / 2)}) {
    kore::StateAtOffset(states, offset);
    const MidiEvent* found = kore::FindEventAtOffset(events, offset);
    Check(!found || found->textBegin >= offset);
  }
  return 0;
}
