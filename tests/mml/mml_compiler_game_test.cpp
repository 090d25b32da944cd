// The game dialect: dispatch, argument reader, notes, ties, comments, measures, steps,
// character count, state records and the caret lookups.
#include <string>

#include "mml_compiler_test_util.h"

namespace kore {
namespace {

using namespace compiler_test;

TEST(CompilerDispatch, EmptyTextGivesOnlyEndOfTrackAndNoStates) {
  Compiled c = Compile("", false, 256);
  ASSERT_EQ(c.events.size(), 1u);
  EXPECT_EQ(c.events[0], EndOfTrack(256, 0));
  EXPECT_TRUE(c.states.empty());
}

TEST(CompilerDispatch, ExtendedOnlyForTheExactCaseSensitiveMarkerAtOffsetZero) {
  EXPECT_TRUE(IsExtendedDialect("//#using_extension"));
  EXPECT_TRUE(IsExtendedDialect("//#using_extension_and_more\nc"));
  EXPECT_FALSE(IsExtendedDialect(" //#using_extension"));
  EXPECT_FALSE(IsExtendedDialect("//#Using_extension"));
  EXPECT_FALSE(IsExtendedDialect("//#using_extensio"));
  // In the game dialect the same line is a comment and upper case still means notes.
  Compiled game = Compile(" //#using_extension\nC");
  EXPECT_EQ(Kinds(game.events), (std::vector<K>{K::Measure, K::Note, K::EndOfTrack}));
  Compiled extended = Compile("//#using_extension\nC");
  EXPECT_EQ(Kinds(extended.events), (std::vector<K>{K::ExtensionStart, K::EndOfTrack}));
}

TEST(CompilerDispatch, ListsAreRebuiltAndDefaultStatesComeFirstAtTheStartTick) {
  MidiEventList events;
  MmlStateList states;
  CMMLCompiler compiler;
  compiler.Compile("o5c", events, states, 0, false);
  compiler.Compile("c", events, states, 96, false);
  ASSERT_EQ(states.size(), 4u);
  const MidiEventKind kinds[] = {K::StateOctave, K::StateVolume, K::StateTempo, K::StateLength};
  const int32_t values[] = {4, 8, 120, 4};
  for (size_t i = 0; i < 4; ++i) {
    EXPECT_EQ(states[i].kind, kinds[i]);
    EXPECT_EQ(states[i].value, values[i]);
    EXPECT_EQ(states[i].value2, 0);
    EXPECT_EQ(states[i].tick, 96);
    EXPECT_EQ(states[i].textBegin, 0);
    EXPECT_EQ(states[i].textEnd, 0);
  }
  ASSERT_EQ(events.size(), 3u);
  EXPECT_EQ(events[1].tick, 96);
  EXPECT_EQ(events[0].value, 0);  // measure index of tick 96
  EXPECT_EQ(events[2].tick, 128);
}

TEST(CompilerDispatch, ReusedListsEqualFreshOnes) {
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
  // And growing again after a shorter compile.
  compiler.Compile("c", events, states, 0, false);
  compiler.Compile(game, events, states, 0, false);
  EXPECT_EQ(events, fresh.events);
}

TEST(CompilerNotes, SingleNoteFieldByField) {
  Compiled c = Compile("c");
  ASSERT_EQ(c.events.size(), 3u);
  EXPECT_EQ(c.events[0], Record(K::Measure, 0, 0, 0));
  MidiEvent note = Note(0, 32, 60, 0, 0, 4, "C4");
  note.step = 32;
  EXPECT_EQ(c.events[1], note);
  EXPECT_EQ(c.events[1].letter, 'C');
  EXPECT_EQ(c.events[1].octave, 4);
  EXPECT_EQ(c.events[2], EndOfTrack(32, 1));
  EXPECT_EQ(c.events[2].channel, 0);
}

TEST(CompilerNotes, DefaultLengthDotAppliesOnlyWithoutWrittenLength) {
  Compiled dotted = Compile("l8.c");
  const MidiEvent& n = dotted.events[1];
  EXPECT_EQ(n.length, 24);
  EXPECT_EQ(n.text, "C8.");
  EXPECT_EQ(n.dotted, 1);
  EXPECT_EQ(n.lengthValue, 8);
  EXPECT_EQ(n.defaultLength, 8);
  EXPECT_EQ(n.defaultDotted, 1);
  EXPECT_EQ(n.textBegin, 3);
  Compiled plain = Compile("l8.c4");
  EXPECT_EQ(plain.events[1].length, 32);
  EXPECT_EQ(plain.events[1].dotted, 0);
  EXPECT_EQ(plain.events[1].text, "C4");
  EXPECT_EQ(Compile("c4..").events[1].length, 48);  // several dots count as one
}

TEST(CompilerNotes, ThirdNotesLoseTheRemainder) {
  Compiled c = Compile("c3c3c3");
  auto notes = OfKind(c.events, K::Note);
  ASSERT_EQ(notes.size(), 3u);
  for (const MidiEvent& n : notes) EXPECT_EQ(n.length, 42);
  EXPECT_EQ(End(c).tick, 126);
}

TEST(CompilerNotes, CaseFoldingAndDisplayTextOfAccidentals) {
  Compiled upper = Compile("C+4");
  Compiled lower = Compile("c+4");
  EXPECT_EQ(upper.events, lower.events);
  EXPECT_EQ(lower.events[1].text, "C+4");
  EXPECT_EQ(lower.events[1].note, 61);
  EXPECT_EQ(lower.events[1].sharp, 1);
  EXPECT_EQ(Compile("c#8").events[1].text, "C#8");
  EXPECT_EQ(Compile("d-16.").events[1].text, "D-16.");
  EXPECT_EQ(Compile("d-16.").events[1].note, 61);
  // "h" is "b" in pitch but keeps its own letter in the text.
  Compiled h = Compile("h");
  EXPECT_EQ(h.events[1].note, 71);
  EXPECT_EQ(h.events[1].letter, 'B');
  EXPECT_EQ(h.events[1].text, "H4");
}

TEST(CompilerNotes, OutOfRangeLengthsAndStateValuesAreSkippedWithoutTime) {
  for (const char* text : {"c65", "c0", "r0", "r65", "o9", "t300", "t31", "v16", "l0", "l65",
                           "n97", "n", "o", "t", "v", "l", "l."}) {
    SCOPED_TRACE(text);
    Compiled c = Compile(text);
    EXPECT_EQ(Kinds(c.events), (std::vector<K>{K::EndOfTrack})) << text;
    EXPECT_EQ(End(c).tick, 0);
    EXPECT_EQ(c.states.size(), 4u);
  }
  Compiled after = Compile("c65c");
  ASSERT_EQ(after.events.size(), 3u);
  EXPECT_EQ(after.events[1].tick, 0);
  EXPECT_EQ(after.events[1].textBegin, 3);
}

TEST(CompilerNotes, HugeNumbersSaturateInsteadOfWrapping) {
  // 2^32 + 8, 2^32 + 4, 2^32 + 32, 2^32 + 48: wrapped to 32 bits each would be in range.
  for (const char* text : {"v4294967304", "l4294967300", "t4294967328", "n4294967344",
                           "c4294967300", "o99999999999999999999999999999999"}) {
    SCOPED_TRACE(text);
    Compiled c = Compile(text);
    EXPECT_EQ(c.events.size(), 1u);
    EXPECT_EQ(c.states.size(), 4u);
    EXPECT_EQ(End(c).value, static_cast<int32_t>(std::string(text).size()));
  }
}

TEST(CompilerNotes, OctaveStepsStopAtTheLimits) {
  EXPECT_EQ(Compile("o1<c").events[1].note, 24);
  EXPECT_EQ(Compile("o0c").events[1].note, 12);
  EXPECT_EQ(Compile("o0<c").events[1].note, 12);
  EXPECT_EQ(Compile("o2<c").events[1].note, 24);
  EXPECT_EQ(Compile("o8>c").events[1].note, 108);
  EXPECT_EQ(Compile("o8b+").events[1].note, 120);  // no clamping
  EXPECT_EQ(Compile("o0c-").events[1].note, 11);
  EXPECT_EQ(Compile("o8b+").events[1].outOfRange, 1);
  // A step that does nothing writes no state record.
  EXPECT_EQ(Compile("o1<").states.size(), 5u);
  EXPECT_EQ(Compile("o8>").states.size(), 5u);
}

TEST(CompilerNotes, NumberNotesUseTheDefaultLength) {
  Compiled c = Compile("n96");
  const MidiEvent& n = c.events[1];
  EXPECT_EQ(n.note, 108);
  EXPECT_EQ(n.outOfRange, 1);
  EXPECT_EQ(n.numericNote, 1);
  EXPECT_EQ(n.lengthValue, 96);
  EXPECT_EQ(n.length, 32);
  EXPECT_EQ(n.text, "N96");
  EXPECT_EQ(Compile("n16").events[1].note, 28);
  EXPECT_EQ(Compile("n16").events[1].outOfRange, 0);
  EXPECT_EQ(Compile("n15").events[1].note, 27);
  EXPECT_EQ(Compile("n15").events[1].outOfRange, 1);
  EXPECT_EQ(Compile("n0").events[1].note, 12);
  Compiled dotIgnored = Compile("l8n60.");
  EXPECT_EQ(dotIgnored.events[1].length, 16);
  EXPECT_EQ(dotIgnored.events[1].dotted, 0);
  EXPECT_EQ(dotIgnored.events[1].textEnd, 5);
  Compiled defaultDot = Compile("l8.n60");
  EXPECT_EQ(defaultDot.events[1].length, 24);
  EXPECT_EQ(defaultDot.events[1].dotted, 1);
  EXPECT_EQ(defaultDot.events[1].text, "N60");
}

TEST(CompilerNotes, RestsCarryThePreviousNoteAndTheVolume) {
  Compiled first = Compile("r");
  MidiEvent rest = Record(K::Rest, 0, 0, 0);
  rest.length = 32;
  rest.SetPitch(60);
  rest.value = 8;
  rest.lengthValue = 4;
  EXPECT_EQ(first.events[1], rest);
  EXPECT_EQ(first.events[1].letter, 'C');
  EXPECT_EQ(first.events[1].octave, 4);

  Compiled later = Compile("o5d+v3r8.");
  const MidiEvent& r = later.events[2];
  EXPECT_EQ(r.kind, K::Rest);
  EXPECT_EQ(r.note, 75);
  EXPECT_EQ(r.sharp, 1);
  EXPECT_EQ(r.value, 3);
  EXPECT_EQ(r.length, 24);
  EXPECT_EQ(r.dotted, 1);
  EXPECT_EQ(r.lengthValue, 8);
  EXPECT_EQ(r.tick, 32);
}

TEST(CompilerArgumentReader, WhiteSpaceAndUnknownBytesAreConsumed) {
  for (const char* text : {"c+8", "c 8", "c\n8", "c8 ", "c,8", "c\x82\x9f" "8", "c i8"}) {
    SCOPED_TRACE(text);
    EXPECT_EQ(Compile(text).events[1].lengthValue, 8);
    EXPECT_EQ(Compile(text).events[1].length, 16);
  }
  EXPECT_EQ(Compile("c8 ").events[1].textEnd, 2);
  EXPECT_EQ(Compile("c8 \n\td").events[1].textEnd, 4);
  EXPECT_EQ(Compile("c;8").events[1].textEnd, 0);  // ";" stops the reader
}

TEST(CompilerArgumentReader, BytesAfterTheNumberAreLeftToTheMainLoop) {
  Compiled plus = Compile("c8+");
  EXPECT_EQ(plus.events[1].note, 60);
  EXPECT_EQ(plus.events[1].textEnd, 1);
  EXPECT_EQ(End(plus).value, 3);
  Compiled twice = Compile("c8.8");
  EXPECT_EQ(twice.events[1].length, 24);
  EXPECT_EQ(twice.events[1].textEnd, 2);
  EXPECT_EQ(OfKind(twice.events, K::Note).size(), 1u);
  EXPECT_EQ(End(twice).tick, 24);
  Compiled spaced = Compile("c4 4");
  EXPECT_EQ(spaced.events[1].lengthValue, 4);
  EXPECT_EQ(spaced.events[1].textEnd, 2);
  // A dot ends the digits: the 8 is not read as a length.
  EXPECT_EQ(Compile("c.8").events[1].lengthValue, 4);
  EXPECT_EQ(Compile("c.8").events[1].dotted, 1);
}

TEST(CompilerArgumentReader, LaterAccidentalWins) {
  EXPECT_EQ(Compile("c-+4").events[1].note, 61);
  EXPECT_EQ(Compile("c-+4").events[1].text, "C+4");
  EXPECT_EQ(Compile("c+-4").events[1].note, 59);
  EXPECT_EQ(Compile("c#-").events[1].text, "C-4");
}

TEST(CompilerArgumentReader, TrailingByteOfATwoByteCharacterActsAsCommand) {
  // "ア" is 0x83 0x41; the second byte folds to "a".
  Compiled c = Compile("\x83\x41");
  ASSERT_EQ(c.events.size(), 3u);
  EXPECT_EQ(c.events[1].note, 69);
  EXPECT_EQ(c.events[1].textBegin, 1);
}

TEST(CompilerTies, MergeIntoOneNoteWithJoinedText) {
  Compiled c = Compile("c4&c4");
  ASSERT_EQ(Kinds(c.events), (std::vector<K>{K::Measure, K::Note, K::EndOfTrack}));
  MidiEvent merged = Note(0, 64, 60, 0, 4, 4, "C4&&&&C4");
  merged.step = 64;
  EXPECT_EQ(c.events[1], merged);
  EXPECT_EQ(End(c), EndOfTrack(64, 5));
}

TEST(CompilerTies, KeepTiesGivesTieRecords) {
  Compiled c = Compile("c4&c4", true);
  ASSERT_EQ(Kinds(c.events),
            (std::vector<K>{K::Measure, K::Note, K::Tie, K::Note, K::EndOfTrack}));
  EXPECT_EQ(c.events[2], Record(K::Tie, 32, 2, 2));
  EXPECT_EQ(c.events[3].tick, 32);
  EXPECT_EQ(c.events[3].text, "C4");
  // A Tie opens no measure; the note after it does.
  Compiled bar = Compile("l8.c1&c", true);
  EXPECT_EQ(Kinds(bar.events),
            (std::vector<K>{K::Measure, K::Note, K::Tie, K::Measure, K::Note, K::EndOfTrack}));
  EXPECT_EQ(bar.events[2].tick, 128);
  EXPECT_EQ(bar.events[2].defaultLength, 8);
  EXPECT_EQ(bar.events[2].defaultDotted, 1);
}

TEST(CompilerTies, WhiteSpaceAndCommentsKeepTheTiePending) {
  Compiled c = Compile("c4 // x\n & /* y */ c4");
  ASSERT_EQ(OfKind(c.events, K::Note).size(), 1u);
  EXPECT_EQ(c.events[1].length, 64);
  EXPECT_EQ(c.events[1].textEnd, 20);
  EXPECT_EQ(OfKind(Compile("c4&\x81\x40" "c4").events, K::Note).size(), 1u);  // full-width space
}

TEST(CompilerTies, OtherBytesAndCommandsClearTheTie) {
  for (const char* text : {"c4&o4c4", "c4&x c4", "c4&r4c4", "c4&;c4", "c4&c0c4", "c4&\x81x c4"}) {
    SCOPED_TRACE(text);
    EXPECT_EQ(OfKind(Compile(text).events, K::Note).size(), 2u);
  }
  EXPECT_EQ(OfKind(Compile("c4&d4").events, K::Note).size(), 2u);
}

// The joined text of a chain of ties reaches the Note whether the chain ends at another note,
// at a rest or at the end of the text.
TEST(CompilerTies, ChainsJoinEveryTextWhereverTheyEnd) {
  struct Row {
    const char* mml;
    std::vector<std::string> texts;
  };
  const Row rows[] = {
      {"c4&c4&c8. d4", {"C4&&&&C4&&&&C8.", "D4"}},
      {"d8 c4&c4&c4", {"D8", "C4&&&&C4&&&&C4"}},
      {"c&c r e16&e", {"C4&&&&C4", "E16&&&&E4"}},
      {"o3 n40&n40&e", {"N40&&&&N40&&&&E4"}},
  };
  for (const Row& row : rows) {
    std::vector<std::string> texts;
    for (const MidiEvent& note : OfKind(Compile(row.mml).events, K::Note)) {
      texts.push_back(note.text.str());
    }
    EXPECT_EQ(texts, row.texts) << row.mml;
  }
}

TEST(CompilerTies, MergeReachesBackOverRests) {
  Compiled c = Compile("c4r4&c4");
  ASSERT_EQ(Kinds(c.events), (std::vector<K>{K::Measure, K::Note, K::Rest, K::EndOfTrack}));
  EXPECT_EQ(c.events[1].length, 64);
  EXPECT_EQ(c.events[1].text, "C4&&&&C4");
  EXPECT_EQ(c.events[1].textEnd, 6);
  EXPECT_EQ(End(c).tick, 96);
  EXPECT_EQ(c.events[1].step, 96);
}

TEST(CompilerTies, MergedNoteAcrossABarOpensNoMeasure) {
  Compiled c = Compile("c1&c1c1");
  auto measures = OfKind(c.events, K::Measure);
  ASSERT_EQ(measures.size(), 2u);
  EXPECT_EQ(measures[0].value, 0);
  EXPECT_EQ(measures[1].value, 2);
  EXPECT_EQ(measures[1].tick, 256);
  EXPECT_EQ(c.events[1].length, 256);
}

TEST(CompilerComments, ScanningResumesAfterTheComment) {
  Compiled block = Compile("c/*x*/d");
  auto notes = OfKind(block.events, K::Note);
  ASSERT_EQ(notes.size(), 2u);
  EXPECT_EQ(notes[0].textEnd, 0);
  EXPECT_EQ(notes[1].note, 62);
  EXPECT_EQ(notes[1].textBegin, 6);
  EXPECT_EQ(OfKind(Compile("c//d\ne").events, K::Note).size(), 2u);
  EXPECT_EQ(OfKind(Compile("c/*d").events, K::Note).size(), 1u);  // runs to the end
  EXPECT_EQ(OfKind(Compile("c//d").events, K::Note).size(), 1u);
  EXPECT_EQ(OfKind(Compile("/*/c*/d").events, K::Note).size(), 1u);
  // A lone "/" is ignored but still stops an argument.
  Compiled slash = Compile("c/d");
  EXPECT_EQ(OfKind(slash.events, K::Note).size(), 2u);
  EXPECT_EQ(slash.events[1].textEnd, 0);
  EXPECT_EQ(OfKind(Compile("c/").events, K::Note).size(), 1u);
}

TEST(CompilerMeasures, RecordBeforeFirstRecordOfEachNewMeasureOnly) {
  Compiled c = Compile("c2.c2c");
  ASSERT_EQ(Kinds(c.events),
            (std::vector<K>{K::Measure, K::Note, K::Note, K::Measure, K::Note, K::EndOfTrack}));
  EXPECT_EQ(c.events[2].tick, 96);  // crosses the bar line without a second Measure
  MidiEvent measure = Record(K::Measure, 160, 5, 5);
  measure.value = 1;
  EXPECT_EQ(c.events[3], measure);
  // A measure in which no record starts gets none.
  Compiled skip = Compile("c1.c1.c");
  auto measures = OfKind(skip.events, K::Measure);
  ASSERT_EQ(measures.size(), 3u);
  EXPECT_EQ(measures[1].value, 1);
  EXPECT_EQ(measures[2].value, 3);
  EXPECT_EQ(measures[2].tick, 384);
}

TEST(CompilerMeasures, TempoOpensAMeasureAndRecordsItsState) {
  Compiled c = Compile("c1t150");
  ASSERT_EQ(Kinds(c.events),
            (std::vector<K>{K::Measure, K::Note, K::Measure, K::Tempo, K::EndOfTrack}));
  EXPECT_EQ(c.events[3], [] {
    MidiEvent e = Record(K::Tempo, 128, 2, 5);
    e.value = 150;
    return e;
  }());
  ASSERT_EQ(c.states.size(), 5u);
  EXPECT_EQ(c.states[4].kind, K::StateTempo);
  EXPECT_EQ(c.states[4].value, 150);
  EXPECT_EQ(c.states[4].tick, 128);
  EXPECT_EQ(c.states[4].textBegin, 2);
  EXPECT_EQ(c.states[4].textEnd, 5);
  EXPECT_EQ(Compile("t255").events.size(), 3u);
  EXPECT_EQ(Compile("t32").events.size(), 3u);
}

TEST(CompilerMeasures, FollowTheTimeBaseAndTheStartTick) {
  Compiled waltz = Compile("c2.c", false, 0, TimeBase{480, 3, 4});
  auto measures = OfKind(waltz.events, K::Measure);
  ASSERT_EQ(measures.size(), 2u);
  EXPECT_EQ(measures[1].tick, 1440);
  EXPECT_EQ(measures[1].value, 1);
  Compiled late = Compile("c", false, 300);
  EXPECT_EQ(late.events[0].value, 2);
  EXPECT_EQ(late.events[1].tick, 300);
  EXPECT_EQ(End(late).tick, 332);
}

TEST(CompilerSteps, StepsSpanRestsAndEndAtTheTrackEnd) {
  Compiled c = Compile("o4c4r4t140d4");
  auto notes = OfKind(c.events, K::Note);
  ASSERT_EQ(notes.size(), 2u);
  EXPECT_EQ(notes[0].step, 64);
  EXPECT_EQ(notes[1].step, 32);
  for (const MidiEvent& e : c.events) {
    if (e.kind != K::Note) {
      EXPECT_EQ(e.step, 0);
    }
  }
  EXPECT_EQ(Compile("c4r2").events[1].step, 96);
}

TEST(CompilerCharacterCount, CountsTheBytesTheGameSees) {
  EXPECT_EQ(End(Compile("c4 d8. // comment 123\n r16 &e")).value, 10);
  EXPECT_EQ(End(Compile("/* c4 */ \x81\x40")).value, 0);
  EXPECT_EQ(End(Compile("C4")).value, 2);
  EXPECT_EQ(End(Compile("c,4 ix;")).value, 2);
  EXPECT_EQ(End(Compile("c4#")).value, 3);  // "#" left to the main loop is counted once
  EXPECT_EQ(End(Compile("c65")).value, 3);  // skipped commands still count
  EXPECT_EQ(End(Compile("o4<>l8.v12t120n60")).value, 17);
}

TEST(CompilerStates, RecordsCarryTheCommandSpan) {
  Compiled c = Compile("o5 v10 l8. t150 < >");
  ASSERT_EQ(c.states.size(), 10u);
  struct Expected {
    K kind;
    int32_t value, value2, begin, end;
  };
  const Expected expected[] = {{K::StateOctave, 5, 0, 0, 2},  {K::StateVolume, 10, 0, 3, 6},
                               {K::StateLength, 8, 1, 7, 10}, {K::StateTempo, 150, 0, 11, 15},
                               {K::StateOctave, 4, 0, 16, 16}, {K::StateOctave, 5, 0, 18, 18}};
  for (size_t i = 0; i < 6; ++i) {
    const MidiEvent& s = c.states[4 + i];
    SCOPED_TRACE(i);
    EXPECT_EQ(s.kind, expected[i].kind);
    EXPECT_EQ(s.value, expected[i].value);
    EXPECT_EQ(s.value2, expected[i].value2);
    EXPECT_EQ(s.textBegin, expected[i].begin);
    EXPECT_EQ(s.textEnd, expected[i].end);
    EXPECT_EQ(s.channel, -1);
  }
}

TEST(CompilerCaretLookups, StateAtOffsetAppliesRecordsEndingBeforeTheCaret) {
  Compiled c = Compile("o5 v10 l8. t150 < >");
  EXPECT_EQ(StateAtOffset(c.states, 0), MmlCaretState{});
  EXPECT_EQ(StateAtOffset(c.states, 2).octave, 4);
  EXPECT_EQ(StateAtOffset(c.states, 3).octave, 5);
  EXPECT_EQ(StateAtOffset(c.states, 3).volume, 8);
  MmlCaretState all{150, 5, 10, 8, true};
  EXPECT_EQ(StateAtOffset(c.states, 100), all);
  MmlCaretState beforeStep{150, 5, 10, 8, true};
  EXPECT_EQ(StateAtOffset(c.states, 16), beforeStep);
  EXPECT_EQ(StateAtOffset(c.states, 17).octave, 4);
  EXPECT_EQ(StateAtOffset({}, 5), MmlCaretState{});
}

TEST(CompilerCaretLookups, FindEventAtOffsetTakesTheFirstRecordAtOrAfterTheCaret) {
  Compiled c = Compile("c d1 e");  // c at 0..1, d at 2..4, Measure and e at 5
  ASSERT_EQ(Kinds(c.events), (std::vector<K>{K::Measure, K::Note, K::Note, K::Measure, K::Note,
                                             K::EndOfTrack}));
  EXPECT_EQ(FindEventAtOffset(c.events, 0), &c.events[0]);
  EXPECT_EQ(FindEventAtOffset(c.events, 1), &c.events[2]);
  EXPECT_EQ(TickAtOffset(c.events, 1), 32);
  EXPECT_EQ(FindEventAtOffset(c.events, 5), &c.events[3]);
  EXPECT_EQ(TickAtOffset(c.events, 5), 160);
  EXPECT_EQ(FindEventAtOffset(c.events, 6), nullptr);
  EXPECT_EQ(TickAtOffset(c.events, 6), 0);
  EXPECT_EQ(FindEventAtOffset({}, 0), nullptr);
  EXPECT_EQ(TickAtOffset({}, 0), 0);
}

TEST(CompilerLimits, LongFineGrainedTextSaturatesTicksInsteadOfOverflowing) {
  std::string text;
  for (int i = 0; i < 300000; ++i) text += "c1.";
  Compiled c = Compile(text, false, 2000000000, TimeBase{960, 4, 4});
  int32_t previous = 0;
  for (const MidiEvent& e : c.events) {
    ASSERT_GE(e.tick, previous);
    previous = e.tick;
  }
  EXPECT_EQ(End(c).tick, 2147483647);
}

}  // namespace
}  // namespace kore
