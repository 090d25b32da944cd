#pragma once
// Helpers shared by the compiler test files: one-call compile, whole-record expectations and a
// readable printer so a mismatching record shows every field.
#include <gtest/gtest.h>

#include <ostream>
#include <string_view>
#include <vector>

#include "mml/mml_compiler.h"

namespace kore {

inline void PrintTo(const MidiEvent& e, std::ostream* os) {
  *os << "{" << MidiEventKindName(e.kind) << " tick=" << e.tick << " length=" << e.length
      << " note=" << e.note << " value=" << e.value << " value2=" << e.value2
      << " channel=" << int{e.channel} << " letter=" << int{e.letter} << " octave=" << e.octave
      << " sharp=" << int{e.sharp} << " step=" << e.step << " text=[" << e.textBegin << ","
      << e.textEnd << "] dotted=" << int{e.dotted} << " numeric=" << int{e.numericNote}
      << " default=" << int{e.defaultLength} << (e.defaultDotted ? "." : "")
      << " lengthValue=" << e.lengthValue << " outOfRange=" << int{e.outOfRange} << " \"" << e.text
      << "\" data=" << e.data.size() << "}";
}

namespace compiler_test {

struct Compiled {
  MidiEventList events;
  MmlStateList states;
};

inline Compiled Compile(std::string_view text, bool keepTies = false, int32_t startTick = 0,
                        TimeBase timeBase = {}) {
  Compiled out;
  CMMLCompiler(timeBase).Compile(text, out.events, out.states, startTick, keepTies);
  return out;
}

inline std::vector<MidiEventKind> Kinds(const MidiEventList& list) {
  std::vector<MidiEventKind> kinds;
  for (const MidiEvent& e : list) kinds.push_back(e.kind);
  return kinds;
}

// Copies, so that the result may outlive a temporary list.
inline std::vector<MidiEvent> OfKind(const MidiEventList& list, MidiEventKind kind) {
  std::vector<MidiEvent> found;
  for (const MidiEvent& e : list) {
    if (e.kind == kind) found.push_back(e);
  }
  return found;
}

inline const MidiEvent& End(const Compiled& c) { return c.events.back(); }

// A record as the compiler starts it: the kind, tick, span, channel and default length.
inline MidiEvent Record(MidiEventKind kind, int32_t tick, int32_t begin, int32_t end,
                        int32_t defaultLength = 4, int32_t channel = -1) {
  MidiEvent e;
  e.kind = kind;
  e.tick = tick;
  e.textBegin = begin;
  e.textEnd = end;
  e.defaultLength = defaultLength;
  e.channel = channel;
  return e;
}

inline MidiEvent Note(int32_t tick, int32_t length, int32_t note, int32_t begin, int32_t end,
                      int32_t lengthValue = 4, const char* text = "") {
  MidiEvent e = Record(MidiEventKind::Note, tick, begin, end);
  e.length = length;
  e.SetPitch(note);
  e.value = 8;
  e.lengthValue = lengthValue;
  e.text = text;
  return e;
}

inline MidiEvent EndOfTrack(int32_t tick, int32_t characters, int32_t defaultLength = 4) {
  MidiEvent e;
  e.kind = MidiEventKind::EndOfTrack;
  e.tick = tick;
  e.value = characters;
  e.defaultLength = defaultLength;
  return e;
}

using K = MidiEventKind;

}  // namespace compiler_test
}  // namespace kore
