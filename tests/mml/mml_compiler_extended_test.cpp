// The extended dialect: commands with several and hexadecimal arguments, ties, the argument
// limit, and the channel directive.
#include <string>

#include "mml_compiler_test_util.h"

namespace kore {
namespace {

using namespace compiler_test;

constexpr const char* kHead = "//#using_extension\n";  // 19 bytes

Compiled Ext(const std::string& body, bool keepTies = false) {
  return Compile(std::string(kHead) + body, keepTies);
}

TEST(ExtendedCommands, ProgramChangeThenNoteFieldByField) {
  Compiled c = Ext("@48 c");
  ASSERT_EQ(Kinds(c.events), (std::vector<K>{K::ExtensionStart, K::Measure, K::ProgramChange,
                                             K::Note, K::EndOfTrack}));
  MidiEvent start;
  start.kind = K::ExtensionStart;
  EXPECT_EQ(c.events[0], start);
  MidiEvent measure = Record(K::Measure, 0, 19, 22);
  measure.lengthValue = 48;
  EXPECT_EQ(c.events[1], measure);
  MidiEvent program = Record(K::ProgramChange, 0, 19, 22);
  program.value = 48;
  program.lengthValue = 48;
  EXPECT_EQ(c.events[2], program);
  MidiEvent note = Note(0, 32, 60, 23, 23, 4, "");  // no display text in this dialect
  note.step = 32;
  EXPECT_EQ(c.events[3], note);
  EXPECT_EQ(End(c), EndOfTrack(32, 3));
  ASSERT_EQ(c.states.size(), 4u);
  EXPECT_EQ(c.states[3].kind, K::StateLength);
}

TEST(ExtendedCommands, ControllersAndTheirRanges) {
  Compiled y = Ext("y7,100");
  auto changes = OfKind(y.events, K::ControlChange);
  ASSERT_EQ(changes.size(), 1u);
  EXPECT_EQ(changes[0].value, 7);
  EXPECT_EQ(changes[0].value2, 100);
  EXPECT_EQ(changes[0].textEnd, 24);
  for (const char* rejected : {"y7", "y128,1", "y7,128", "V128", "E128", "p", "@128", "@"}) {
    SCOPED_TRACE(rejected);
    EXPECT_EQ(Kinds(Ext(rejected).events), (std::vector<K>{K::ExtensionStart, K::EndOfTrack}));
  }
  struct Case {
    const char* text;
    int32_t controller, value;
  };
  for (Case k : {Case{"V100", 7, 100}, Case{"E20", 11, 20}, Case{"p64", 10, 64},
                 Case{"y0,0", 0, 0}, Case{"y127,127", 127, 127}}) {
    SCOPED_TRACE(k.text);
    auto found = OfKind(Ext(k.text).events, K::ControlChange);
    ASSERT_EQ(found.size(), 1u);
    EXPECT_EQ(found[0].value, k.controller);
    EXPECT_EQ(found[0].value2, k.value);
  }
}

TEST(ExtendedCommands, PitchBendLowBitsAreOptional) {
  auto bend = OfKind(Ext("~64").events, K::PitchBend);
  ASSERT_EQ(bend.size(), 1u);
  EXPECT_EQ(bend[0].value2, 64);
  EXPECT_EQ(bend[0].value, 0);
  EXPECT_EQ(OfKind(Ext("~64,5").events, K::PitchBend)[0].value, 5);
  EXPECT_EQ(OfKind(Ext("~64,200").events, K::PitchBend)[0].value, 0);
  EXPECT_TRUE(OfKind(Ext("~128").events, K::PitchBend).empty());
}

TEST(ExtendedCommands, ExclusiveMessages) {
  Compiled c = Ext("EX xF0,x41,x10,xF7");
  auto sysex = OfKind(c.events, K::SysEx);
  ASSERT_EQ(sysex.size(), 1u);
  EXPECT_EQ(sysex[0].data, (std::vector<uint8_t>{240, 65, 16, 247}));
  EXPECT_EQ(sysex[0].value, 4);
  EXPECT_EQ(sysex[0].textBegin, 19);
  EXPECT_EQ(sysex[0].textEnd, 36);
  EXPECT_EQ(End(c).value, 1);  // only the "E": hexadecimal digits are not counted
  EXPECT_EQ(OfKind(Ext("EX 240,65,247").events, K::SysEx).size(), 1u);
  for (const char* rejected : {"EX 240,200,247", "EX 240,1,2", "EX 240,,247", "EX 241,247",
                               "EX"}) {
    SCOPED_TRACE(rejected);
    EXPECT_TRUE(OfKind(Ext(rejected).events, K::SysEx).empty());
  }
  // Arguments after the closing 247 are not looked at.
  EXPECT_EQ(OfKind(Ext("EX 240,247,999").events, K::SysEx)[0].data.size(), 2u);
  // "E" without "X" is the expression controller.
  EXPECT_EQ(OfKind(Ext("E 100").events, K::ControlChange)[0].value, 11);
}

TEST(ExtendedCommands, OnlyLowerCaseNotesButUpperCaseStillCounts) {
  Compiled c = Ext("C4");
  EXPECT_EQ(Kinds(c.events), (std::vector<K>{K::ExtensionStart, K::EndOfTrack}));
  EXPECT_EQ(End(c).value, 2);
}

TEST(ExtendedCommands, NotesRestsAndStates) {
  Compiled n = Ext("l8.n60");
  const MidiEvent numbered = OfKind(n.events, K::Note)[0];
  EXPECT_EQ(numbered.note, 72);
  EXPECT_EQ(numbered.numericNote, 0);
  EXPECT_EQ(numbered.lengthValue, 60);
  EXPECT_EQ(numbered.length, 24);
  EXPECT_EQ(numbered.dotted, 1);
  EXPECT_TRUE(numbered.text.empty());
  const MidiEvent high = OfKind(Ext("o8b").events, K::Note)[0];
  EXPECT_EQ(high.note, 119);
  EXPECT_EQ(high.outOfRange, 0);
  EXPECT_EQ(OfKind(Ext("c#4").events, K::Note)[0].note, 61);
  EXPECT_EQ(OfKind(Ext("c-").events, K::Note)[0].note, 59);
  EXPECT_EQ(OfKind(Ext("c4.").events, K::Note)[0].length, 48);
  EXPECT_TRUE(OfKind(Ext("c65").events, K::Note).empty());
  const MidiEvent rest = OfKind(Ext("d v3 r8.").events, K::Rest)[0];
  EXPECT_EQ(rest.note, 62);
  EXPECT_EQ(rest.value, 3);
  EXPECT_EQ(rest.length, 24);
  Compiled states = Ext("o5 v10 l16. t300 < >");
  ASSERT_EQ(states.states.size(), 10u);
  EXPECT_EQ(states.states[4].value, 5);
  EXPECT_EQ(states.states[6].value, 16);
  EXPECT_EQ(states.states[6].value2, 1);
  EXPECT_EQ(states.states[7].value, 300);
  EXPECT_EQ(states.states[8].value, 4);
  EXPECT_EQ(states.states[9].value, 5);
  EXPECT_EQ(OfKind(Ext("t300").events, K::Tempo).size(), 1u);
  EXPECT_TRUE(OfKind(Ext("t301").events, K::Tempo).empty());
  EXPECT_TRUE(OfKind(Ext("t31").events, K::Tempo).empty());
}

TEST(ExtendedCommands, EveryTimedKindOpensAMeasure) {
  Compiled c = Ext("c1 @5 c1 y1,2 c1 ~1 c1 EX 240,247");
  std::vector<K> kinds = Kinds(c.events);
  EXPECT_EQ(kinds, (std::vector<K>{K::ExtensionStart, K::Measure, K::Note, K::Measure,
                                   K::ProgramChange, K::Note, K::Measure, K::ControlChange,
                                   K::Note, K::Measure, K::PitchBend, K::Note, K::Measure,
                                   K::SysEx, K::EndOfTrack}));
  EXPECT_EQ(c.events.back().tick, 512);
}

TEST(ExtendedArguments, HexadecimalDecimalAndMixed) {
  auto program = [](const char* body) {
    auto found = OfKind(Ext(body).events, K::ProgramChange);
    return found.empty() ? -1 : found[0].value;
  };
  EXPECT_EQ(program("@x7F"), 127);
  EXPECT_EQ(program("@0x7f"), 127);
  EXPECT_EQ(program("@127"), 127);
  EXPECT_EQ(program("@x7"), 7);     // one digit at the end of the text
  EXPECT_EQ(program("@x7 "), -1);   // a blank after one digit makes it invalid
  EXPECT_EQ(program("@xG"), -1);
  EXPECT_EQ(program("@12x5"), 125);  // "x" after a non-zero value is ignored
  EXPECT_EQ(program("@x7F5"), -1);   // 1275
  EXPECT_EQ(program("@X7F"), 7);     // only a lower-case "x" switches
  // One digit then "," is accepted and the comma still separates.
  auto change = OfKind(Ext("y x7,xA").events, K::ControlChange);
  ASSERT_EQ(change.size(), 1u);
  EXPECT_EQ(change[0].value, 7);
  EXPECT_EQ(change[0].value2, 10);
  // Digits count in decimal, not in hexadecimal.
  EXPECT_EQ(End(Ext("@x7f")).value, 0);
  EXPECT_EQ(End(Ext("@127")).value, 3);
}

TEST(ExtendedArguments, HugeNumbersSaturate) {
  for (const char* body : {"@4294967344", "@99999999999999999999", "y4294967303,1",
                           "c4294967300", "EX 4294967536,247"}) {
    SCOPED_TRACE(body);
    EXPECT_EQ(Ext(body).events.size(), 2u);
  }
}

TEST(ExtendedArguments, OnlyOneHundredTwentyEightArgumentsAreKept) {
  std::string fits = "EX 240";
  for (int i = 0; i < 126; ++i) fits += ",1";
  auto kept = OfKind(Ext(fits + ",247").events, K::SysEx);
  ASSERT_EQ(kept.size(), 1u);
  EXPECT_EQ(kept[0].data.size(), 128u);
  EXPECT_EQ(kept[0].value, 128);
  // One more data byte puts the 247 at index 128, which is dropped.
  EXPECT_TRUE(OfKind(Ext(fits + ",1,247").events, K::SysEx).empty());
  // Many empty arguments after a complete command do no harm.
  std::string many = "y1,2" + std::string(1000, ',') + "5";
  EXPECT_EQ(OfKind(Ext(many).events, K::ControlChange).size(), 1u);
}

TEST(ExtendedTies, PendingAcrossAnythingButCommandsAndOctaveSteps) {
  Compiled merged = Ext("c4 & \n c4");
  auto notes = OfKind(merged.events, K::Note);
  ASSERT_EQ(notes.size(), 1u);
  EXPECT_EQ(notes[0].length, 64);
  EXPECT_EQ(notes[0].textEnd, 27);
  EXPECT_TRUE(notes[0].text.empty());
  EXPECT_EQ(OfKind(Ext("c4&x;Q/*z*/c4").events, K::Note).size(), 1u);
  for (const char* body : {"c4&<c4", "c4&><c4", "c4&c0c4", "c4&@1c4", "c4&r4c4"}) {
    SCOPED_TRACE(body);
    EXPECT_EQ(OfKind(Ext(body).events, K::Note).size(), 2u);
  }
  EXPECT_EQ(OfKind(Ext("c4r4&c4").events, K::Note).size(), 1u);
}

TEST(ExtendedTies, KeepTiesRecordsCarryTheChannel) {
  Compiled c = Ext("//#using_channel=3\nl8c&c", true);
  auto ties = OfKind(c.events, K::Tie);
  ASSERT_EQ(ties.size(), 1u);
  MidiEvent tie = Record(K::Tie, 16, 41, 41, 8, 2);
  EXPECT_EQ(ties[0], tie);
}

TEST(ExtendedDirectives, UsingChannelAppliesToLaterRecords) {
  Compiled c = Ext("//#using_channel = 10\nc");
  for (const MidiEvent& e : c.events) {
    if (e.kind == K::Note || e.kind == K::Measure) {
      EXPECT_EQ(e.channel, 9);
    }
  }
  EXPECT_EQ(End(c).channel, 0);
  EXPECT_EQ(c.events[0].channel, 0);
  for (const char* ignored : {"//#using_channel=17\nc", "//#USING_CHANNEL=3\nc",
                              "//#using_channel=0\nc", "//# using_channel=3\nc",
                              "// #using_channel=3\nc", "//#using_channel\nc"}) {
    SCOPED_TRACE(ignored);
    EXPECT_EQ(OfKind(Ext(ignored).events, K::Note)[0].channel, -1);
  }
  Compiled spaced = Ext("//#using_channel\t==\t16\t\r\nc");
  EXPECT_EQ(OfKind(spaced.events, K::Note)[0].channel, 15);
  Compiled order = Ext("c //#using_channel=2\nc");
  auto notes = OfKind(order.events, K::Note);
  ASSERT_EQ(notes.size(), 2u);
  EXPECT_EQ(notes[0].channel, -1);
  EXPECT_EQ(notes[1].channel, 1);
  // Directives and comments end at the line; a block comment resumes right after "*/".
  EXPECT_EQ(OfKind(Ext("//#using_channel=2 c\nd/*e*/f").events, K::Note).size(), 2u);
}

TEST(ExtendedDirectives, RecompilingKeepsExactlyFourDefaultStates) {
  MidiEventList events;
  MmlStateList states;
  CMMLCompiler compiler;
  const std::string text = std::string(kHead) + "o5 c";
  compiler.Compile(text, events, states, 0, false);
  compiler.Compile(text, events, states, 0, false);
  ASSERT_EQ(states.size(), 5u);
  EXPECT_EQ(states[0].kind, K::StateOctave);
  EXPECT_EQ(states[3].kind, K::StateLength);
  EXPECT_EQ(states[4].value, 5);
  EXPECT_EQ(events.front().kind, K::ExtensionStart);
}

}  // namespace
}  // namespace kore
