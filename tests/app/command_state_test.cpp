// The enabling rules and check marks as one function of the program's state.
#include "app/command_state.h"

#include <gtest/gtest.h>

#include "app/command_actions.h"
#include "app/status_text.h"
#include "mml/mml_compiler.h"

namespace kore {
namespace {

// Inputs by letters: p playing, m modified, s synthesizer open, f the find window unavailable.
CommandInputs Inputs(std::string_view flags) {
  CommandInputs in;
  in.playing = flags.find('p') != flags.npos;
  in.modified = flags.find('m') != flags.npos;
  in.synthesizerOpen = flags.find('s') != flags.npos;
  if (flags.find('f') != flags.npos) in.unavailable = {Cmd::Find};
  return in;
}

TEST(CommandState, EnablingFollowsPlayingModifiedAndDevice) {
  const struct {
    const char* name;
    const char* flags;
    Cmd id;
    bool enabled;
  } rows[] = {
      {"new idle", "", Cmd::New, true},
      {"new playing", "p", Cmd::New, false},
      {"open playing", "p", Cmd::Open, false},
      {"recent playing", "p", Cmd::RecentFile, false},
      {"undo playing", "p", Cmd::Undo, false},
      {"paste playing", "p", Cmd::Paste, false},
      {"track add playing", "p", Cmd::TrackAdd, false},
      {"view mode playing", "p", Cmd::ViewStacked, false},
      {"play from caret playing", "p", Cmd::PlayFromCaret, false},
      {"copy playing", "p", Cmd::Copy, true},
      {"select all playing", "p", Cmd::SelectAll, true},
      {"save as playing", "p", Cmd::SaveAs, true},
      {"forward playing", "p", Cmd::ForwardMeasure, true},
      {"back playing", "p", Cmd::BackMeasure, true},
      {"track properties playing", "p", Cmd::TrackProperties, true},
      {"exit playing", "p", Cmd::Exit, true},
      {"save unmodified", "", Cmd::Save, false},
      {"save modified", "m", Cmd::Save, true},
      {"save modified playing", "mp", Cmd::Save, true},
      {"play idle", "", Cmd::Play, true},
      {"play playing", "p", Cmd::Play, false},
      {"pause idle", "", Cmd::Pause, false},
      {"stop playing", "p", Cmd::Stop, true},
      {"wave without synthesizer", "", Cmd::WaveExport, false},
      {"wave with synthesizer", "s", Cmd::WaveExport, true},
      {"wave with synthesizer playing", "sp", Cmd::WaveExport, false},
      {"keyboard", "", Cmd::Keyboard, false},
      {"syntax check", "", Cmd::SyntaxCheck, false},
      {"piano roll scroll", "", Cmd::PianoRollScroll, false},
      {"find without its window", "f", Cmd::Find, false},
      {"replace with its window", "f", Cmd::Replace, true},
  };
  for (const auto& row : rows)
    EXPECT_EQ(StateOf(row.id, Inputs(row.flags)).enabled, row.enabled) << row.name;
}

TEST(CommandState, CheckMarks) {
  CommandInputs in;
  in.loop = true;
  in.editPlaySelect = false;
  in.editScroll = true;
  in.viewMode = 2;
  const std::pair<Cmd, bool> marks[] = {{Cmd::Loop, true},        {Cmd::EditPlaySelect, false},
                                        {Cmd::EditScroll, true},  {Cmd::ViewStacked, true},
                                        {Cmd::ViewAll, false},    {Cmd::Monitor, false}};
  for (auto [id, checked] : marks) EXPECT_EQ(StateOf(id, in).checked, checked) << int(id);
}

TEST(CommandText, RecentEntriesAreNumberedAndCut) {
  EXPECT_EQ(CommandActions::RecentEntryText(0, "/a/b.mml").toStdString(), "&1 /a/b.mml");
  EXPECT_EQ(CommandActions::RecentEntryText(9, "/x.mml").toStdString(), "1&0 /x.mml");
  std::string longPath = "/home/user/songs/folder/another/song.mml";
  EXPECT_EQ(CommandActions::RecentEntryText(1, longPath).toStdString(),
            "&2 " + longPath.substr(0, 30));
}

TEST(StatusText, StateBeforeTheCaret) {
  const struct {
    const char* mml;
    int32_t caretThrough;  // 1-based
    const char* expected;
  } rows[] = {
      {"t150 o5 v12 l8.", 9, "Tempo 150 :  Octave 5 :  Velocity  8 :  L4 "},
      {"l16 c", 6, "Tempo 120 :  Octave 4 :  Velocity  8 :  L16 "},
  };
  for (const auto& row : rows) {
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
