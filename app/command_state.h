#pragma once
// Which commands are enabled and checked, as one pure function of the document, player and
// window state, so the rules are tested without widgets. Qt-free.
#include <cstdint>
#include <set>

#include "app/commands.h"

namespace kore {

struct CommandInputs {
  bool playing = false;
  bool modified = false;
  bool synthesizerOpen = false;  // an output device is open and it is the synthesizer
  bool loop = false;
  bool editPlaySelect = true;
  bool editScroll = false;
  bool monitorVisible = false;
  int32_t viewMode = 0;
  // Commands whose window is not part of this program yet: shown, never enabled.
  std::set<Cmd> unavailable;
};

struct CommandState {
  bool enabled = false;
  bool checked = false;
};

CommandState StateOf(Cmd command, const CommandInputs& in);

}  // namespace kore
