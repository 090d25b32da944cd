#include "app/status_text.h"

#include <cstdio>

namespace kore {
namespace {

template <typename... Args>
std::string Format(const char* format, Args... args) {
  char buffer[128];
  std::snprintf(buffer, sizeof buffer, format, args...);
  return buffer;
}

}  // namespace

std::string ResolutionText(const TimeBase& timeBase) {
  return Format("分解能：%4d", timeBase.ticksPerQuarter);
}

std::string MeterText(const TimeBase& timeBase) {
  return Format("拍子：%2d / %2d", timeBase.beatsPerMeasure, timeBase.beatUnit);
}

std::string CharacterCountText(const MidiEventList& trackEvents) {
  int32_t count = 0;
  if (!trackEvents.empty() && trackEvents.back().kind == MidiEventKind::EndOfTrack)
    count = trackEvents.back().value;
  return Format("文字数：%4d", count);
}

MmlCaretState StateAtCaret(const MmlStateList& states, int32_t caretThrough) {
  // The compiler's lookup takes 0-based offsets; the pane reports 1-based through positions.
  return StateAtOffset(states, caretThrough - 1);
}

std::string MmlStateText(const MmlCaretState& s) {
  return Format("Tempo %3d :  Octave %d :  Velocity %2d :  L%d%c", s.tempo, s.octave, s.volume,
                s.length, s.dotted ? '.' : ' ');
}

}  // namespace kore
