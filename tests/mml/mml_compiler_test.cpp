// The compiler of both dialects: the cases in data/compiler_cases.txt give every record of the
// listed texts; the tests below cover what a table of texts cannot say.
#include <cstdio>
#include <sstream>
#include <string>

#include "mml/mml_compiler.h"
#include "tests/support/golden.h"

namespace kore {
namespace {

using K = MidiEventKind;

struct Compiled {
  MidiEventList events;
  MmlStateList states;
};

Compiled Compile(std::string_view text, bool keepTies = false, int32_t startTick = 0,
                 TimeBase timeBase = {}) {
  Compiled out;
  CMMLCompiler(timeBase).Compile(text, out.events, out.states, startTick, keepTies);
  return out;
}

// Only the fields that differ from a fresh record, except the tick and the text span.
std::string Show(const MidiEvent& e) {
  std::ostringstream s;
  s << MidiEventKindName(e.kind) << " " << e.tick;
  if (e.length) s << "+" << e.length;
  if (e.note) s << " n" << e.note;
  if (e.letter) s << " [" << char(e.letter) << e.octave << (e.sharp ? "#]" : "]");
  if (e.value) s << " v" << e.value;
  if (e.value2) s << " v2=" << e.value2;
  if (e.channel != -1) s << " ch" << int{e.channel};
  s << " @" << e.textBegin << "-" << e.textEnd;
  if (e.step) s << " step" << e.step;
  if (e.lengthValue) s << " len" << e.lengthValue;
  s << (e.dotted ? " dotted" : "") << (e.numericNote ? " numeric" : "");
  if (e.defaultLength) s << " l" << int{e.defaultLength} << (e.defaultDotted ? "." : "");
  if (e.outOfRange) s << " out";
  if (e.track || e.seq) s << " track" << int{e.track} << "/" << e.seq;
  if (!e.text.empty()) s << " \"" << test::Escape(e.text.str()) << "\"";
  if (!e.data.empty()) {
    s << " data";
    for (uint8_t b : e.data) s << " " << int{b};
  }
  return s.str();
}

// "> {ext ties all start=N base=Q/B/U} text": the options are optional; "ext" puts the extended
// dialect's first line before the text.
std::string RunCase(const std::string& line) {
  std::string text = line;
  bool keepTies = false, all = false;
  int32_t start = 0;
  TimeBase base;
  if (line.rfind("{", 0) == 0) {
    const size_t close = line.find("} ");
    text = line.substr(close + 2);
    std::istringstream options(line.substr(1, close - 1));
    for (std::string option; options >> option;) {
      if (option == "ext") text = "//#using_extension\\n" + text;
      keepTies |= option == "ties";
      all |= option == "all";
      if (option.rfind("start=", 0) == 0) start = std::stoi(option.substr(6));
      if (option.rfind("base=", 0) == 0) {
        std::sscanf(option.c_str() + 5, "%d/%d/%d", &base.ticksPerQuarter, &base.beatsPerMeasure,
                    &base.beatUnit);
      }
    }
  }
  Compiled c = Compile(test::Unescape(text), keepTies, start, base);
  std::string out;
  for (const MidiEvent& e : c.events) out += Show(e) + "\n";
  // Every list opens with the four default states at the start tick: shown only with "all".
  const MmlStateList defaults = Compile("c", false, start).states;
  if (c.states.size() < 4) out += "states " + std::to_string(c.states.size()) + "\n";
  for (size_t i = 0; i < c.states.size(); ++i) {
    const MidiEvent& s = c.states[i];
    if (!all && i < defaults.size() && s == defaults[i]) continue;
    out += "state " + Show(s) + "\n";
  }
  return out;
}

TEST(Compiler, TableOfTexts) {
  test::CheckGolden(KORE_SOURCE_DIR "/tests/mml/data/compiler_cases.txt", RunCase);
}

TEST(Compiler, ReusedListsEqualFreshOnes) {
  // Records are written over the previous compile's: nothing of the old ones may survive,
  // including what a merge into the song wrote into them.
  MidiEventList events;
  MmlStateList states;
  CMMLCompiler compiler;
  compiler.Compile("//#using_extension\n//#using_channel=5\nEX 240,1,2,3,247 ~1,2 y3,4 c1&c1 "
                   "d4 e8 f16 g r o2 l16. v3 t200 c c c c c c c c c c",
                   events, states, 480, true);
  SongEventList song;
  MergeTrack(song, events, 3);
  const char* game = "c4&c4&c4&c4&c4 d+8. n30 r v9 <c";
  compiler.Compile(game, events, states, 0, false);
  Compiled fresh = Compile(game);
  EXPECT_EQ(events, fresh.events);
  EXPECT_EQ(states, fresh.states);
  compiler.Compile("c", events, states, 0, false);
  compiler.Compile(game, events, states, 0, false);
  EXPECT_EQ(events, fresh.events);

  // Lists long enough for huge pages hand back the unused end of their last one; a shorter
  // and then a longer text compiled into them again still equal fresh compiles.
  std::string longText;
  for (int i = 0; i < 40000; ++i) longText += i % 7 == 0 ? "v9 c8" : "c8";
  for (size_t size : {longText.size(), longText.size() / 3, longText.size()}) {
    std::string_view text = std::string_view(longText).substr(0, size);
    compiler.Compile(text, events, states, 0, false);
    Compiled expected = Compile(text);
    EXPECT_EQ(events, expected.events) << size;
    EXPECT_EQ(states, expected.states) << size;
  }
}

TEST(Compiler, StateAtOffsetAppliesRecordsEndingBeforeTheCaret) {
  Compiled c = Compile("o5 v10 l8. t150 < >");
  EXPECT_EQ(StateAtOffset(c.states, 0), MmlCaretState{});
  EXPECT_EQ(StateAtOffset(c.states, 2).octave, 4);
  EXPECT_EQ(StateAtOffset(c.states, 3).octave, 5);
  EXPECT_EQ(StateAtOffset(c.states, 3).volume, 8);
  EXPECT_EQ(StateAtOffset(c.states, 16), (MmlCaretState{150, 5, 10, 8, true}));
  EXPECT_EQ(StateAtOffset(c.states, 17).octave, 4);
  EXPECT_EQ(StateAtOffset(c.states, 100), (MmlCaretState{150, 5, 10, 8, true}));
  EXPECT_EQ(StateAtOffset({}, 5), MmlCaretState{});
}

TEST(Compiler, FindEventAtOffsetTakesTheFirstRecordAtOrAfterTheCaret) {
  Compiled c = Compile("c d1 e");  // Measure, c 0..1, d 2..4, Measure and e at 5, End
  ASSERT_EQ(c.events.size(), 6u);
  EXPECT_EQ(FindEventAtOffset(c.events, 0), &c.events[0]);
  EXPECT_EQ(FindEventAtOffset(c.events, 1), &c.events[2]);
  EXPECT_EQ(TickAtOffset(c.events, 1), 32);
  EXPECT_EQ(FindEventAtOffset(c.events, 5), &c.events[3]);
  EXPECT_EQ(TickAtOffset(c.events, 5), 160);
  EXPECT_EQ(FindEventAtOffset(c.events, 6), nullptr);
  EXPECT_EQ(TickAtOffset(c.events, 6), 0);
  EXPECT_EQ(FindEventAtOffset({}, 0), nullptr);
}

TEST(Compiler, LongFineGrainedTextSaturatesTicksInsteadOfOverflowing) {
  std::string text;
  for (int i = 0; i < 300000; ++i) text += "c1.";
  Compiled c = Compile(text, false, 2000000000, TimeBase{960, 4, 4});
  int32_t previous = 0;
  for (const MidiEvent& e : c.events) {
    ASSERT_GE(e.tick, previous);
    previous = e.tick;
  }
  EXPECT_EQ(c.events.back().tick, 2147483647);
}

}  // namespace
}  // namespace kore
