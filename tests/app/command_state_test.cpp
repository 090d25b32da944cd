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
    const char* flags;
    bool enabled;
    std::vector<Cmd> ids;
  } rows[] = {
      {"", true, {Cmd::New, Cmd::Play}},
      {"p", false, {Cmd::New, Cmd::Open, Cmd::RecentFile, Cmd::Undo, Cmd::Paste, Cmd::TrackAdd,
                    Cmd::ViewStacked, Cmd::PlayFromCaret, Cmd::Play}},
      {"p", true, {Cmd::Copy, Cmd::SelectAll, Cmd::SaveAs, Cmd::ForwardMeasure, Cmd::BackMeasure,
                   Cmd::TrackProperties, Cmd::Exit, Cmd::Stop}},
      {"", false, {Cmd::Save, Cmd::Pause, Cmd::WaveExport, Cmd::Keyboard, Cmd::SyntaxCheck,
                   Cmd::PianoRollScroll}},
      {"m", true, {Cmd::Save}},
      {"mp", true, {Cmd::Save}},
      {"s", true, {Cmd::WaveExport}},
      {"sp", false, {Cmd::WaveExport}},
      {"f", false, {Cmd::Find}},
      {"f", true, {Cmd::Replace}},
  };
  for (const auto& row : rows)
    for (Cmd id : row.ids)
      EXPECT_EQ(StateOf(id, Inputs(row.flags)).enabled, row.enabled)
          << "flags '" << row.flags << "' command " << static_cast<int>(id);
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
