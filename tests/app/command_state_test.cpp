// The enabling rules and check marks as one function of the program's state.
#include "app/command_state.h"

#include <gtest/gtest.h>

#include "app/command_actions.h"
#include "app/status_text.h"
#include "mml/mml_compiler.h"

namespace kore {
namespace {

CommandInputs Idle() { return {}; }
CommandInputs Playing() {
  CommandInputs in;
  in.playing = true;
  return in;
}
CommandInputs Modified(CommandInputs in) {
  in.modified = true;
  return in;
}
CommandInputs WithSynth(CommandInputs in) {
  in.synthesizerOpen = true;
  return in;
}

TEST(CommandState, EnablingFollowsPlayingModifiedAndDevice) {
  struct Row {
    const char* name;
    CommandInputs in;
    Cmd id;
    bool enabled;
  };
  CommandInputs withoutFind = Idle();
  withoutFind.unavailable = {Cmd::Find};
  const Row rows[] = {
      {"new idle", Idle(), Cmd::New, true},
      {"new playing", Playing(), Cmd::New, false},
      {"open playing", Playing(), Cmd::Open, false},
      {"recent playing", Playing(), Cmd::RecentFile, false},
      {"undo playing", Playing(), Cmd::Undo, false},
      {"paste playing", Playing(), Cmd::Paste, false},
      {"track add playing", Playing(), Cmd::TrackAdd, false},
      {"view mode playing", Playing(), Cmd::ViewStacked, false},
      {"play from caret playing", Playing(), Cmd::PlayFromCaret, false},
      {"copy playing", Playing(), Cmd::Copy, true},
      {"select all playing", Playing(), Cmd::SelectAll, true},
      {"save as playing", Playing(), Cmd::SaveAs, true},
      {"forward playing", Playing(), Cmd::ForwardMeasure, true},
      {"back playing", Playing(), Cmd::BackMeasure, true},
      {"track properties playing", Playing(), Cmd::TrackProperties, true},
      {"exit playing", Playing(), Cmd::Exit, true},
      {"save unmodified", Idle(), Cmd::Save, false},
      {"save modified", Modified(Idle()), Cmd::Save, true},
      {"save modified playing", Modified(Playing()), Cmd::Save, true},
      {"play idle", Idle(), Cmd::Play, true},
      {"play playing", Playing(), Cmd::Play, false},
      {"pause idle", Idle(), Cmd::Pause, false},
      {"stop playing", Playing(), Cmd::Stop, true},
      {"wave without synthesizer", Idle(), Cmd::WaveExport, false},
      {"wave with synthesizer", WithSynth(Idle()), Cmd::WaveExport, true},
      {"wave with synthesizer playing", WithSynth(Playing()), Cmd::WaveExport, false},
      {"keyboard", Idle(), Cmd::Keyboard, false},
      {"syntax check", Idle(), Cmd::SyntaxCheck, false},
      {"piano roll scroll", Idle(), Cmd::PianoRollScroll, false},
      {"find without its window", withoutFind, Cmd::Find, false},
      {"replace with its window", withoutFind, Cmd::Replace, true},
  };
  for (const Row& row : rows) EXPECT_EQ(StateOf(row.id, row.in).enabled, row.enabled) << row.name;
}

TEST(CommandState, CheckMarks) {
  CommandInputs in;
  in.loop = true;
  in.editPlaySelect = false;
  in.editScroll = true;
  in.viewMode = 2;
  EXPECT_TRUE(StateOf(Cmd::Loop, in).checked);
  EXPECT_FALSE(StateOf(Cmd::EditPlaySelect, in).checked);
  EXPECT_TRUE(StateOf(Cmd::EditScroll, in).checked);
  EXPECT_TRUE(StateOf(Cmd::ViewStacked, in).checked);
  EXPECT_FALSE(StateOf(Cmd::ViewAll, in).checked);
  EXPECT_FALSE(StateOf(Cmd::Monitor, in).checked);
}

TEST(CommandText, RecentEntriesAreNumberedAndCut) {
  EXPECT_EQ(CommandActions::RecentEntryText(0, "/a/b.mml").toStdString(), "&1 /a/b.mml");
  EXPECT_EQ(CommandActions::RecentEntryText(9, "/x.mml").toStdString(), "1&0 /x.mml");
  std::string longPath = "/home/user/songs/folder/another/song.mml";
  EXPECT_EQ(CommandActions::RecentEntryText(1, longPath).toStdString(),
            "&2 " + longPath.substr(0, 30));
}

TEST(StatusText, StateBeforeTheCaret) {
  struct Row {
    const char* mml;
    int32_t caretThrough;  // 1-based
    const char* expected;
  };
  const Row rows[] = {
      {"t150 o5 v12 l8.", 16, "Tempo 150 :  Octave 5 :  Velocity 12 :  L8."},
      {"t150 o5 v12 l8.", 1, "Tempo 120 :  Octave 4 :  Velocity  8 :  L4 "},
      {"t150 o5 v12 l8.", 9, "Tempo 150 :  Octave 5 :  Velocity  8 :  L4 "},
      {"l16 c", 6, "Tempo 120 :  Octave 4 :  Velocity  8 :  L16 "},
  };
  for (const Row& row : rows) {
    CMMLCompiler compiler;
    MidiEventList events;
    MmlStateList states;
    compiler.Compile(row.mml, events, states, 0, false);
    EXPECT_EQ(MmlStateText(StateAtCaret(states, row.caretThrough)), row.expected)
        << row.mml << " @" << row.caretThrough;
  }
  EXPECT_EQ(CharacterCountText({}), "文字数：   0");
}

}  // namespace
}  // namespace kore
