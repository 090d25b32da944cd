#pragma once
// The four texts of the main window's status bar. Qt-free; results are UTF-8.
#include <cstdint>
#include <string>

#include "mml/midi_event.h"
#include "mml/mml_compiler.h"

namespace kore {

std::string ResolutionText(const TimeBase& timeBase);  // "分解能：%4d"
std::string MeterText(const TimeBase& timeBase);       // "拍子：%2d / %2d"
// "文字数：%4d": the value of the track's last record when it is EndOfTrack, else 0.
std::string CharacterCountText(const MidiEventList& trackEvents);

// The MML state in force before the caret: `caretThrough` is the pane's 1-based through
// position of the caret.
MmlCaretState StateAtCaret(const MmlStateList& states, int32_t caretThrough);
// "Tempo %3d :  Octave %d :  Velocity %2d :  L%d%c"
std::string MmlStateText(const MmlCaretState& state);

}  // namespace kore
