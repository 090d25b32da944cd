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

MmlStateAtCaret StateAtCaret(const MmlStateList& states, int32_t caretThrough) {
  MmlStateAtCaret state;
  for (const MidiEvent& record : states) {
    if (record.textEnd >= caretThrough - 1) break;
    switch (record.kind) {
      case MidiEventKind::StateLength:
        state.length = record.value;
        state.dotted = record.value2 != 0;
        break;
      case MidiEventKind::StateVolume: state.volume = record.value; break;
      case MidiEventKind::StateOctave: state.octave = record.value; break;
      case MidiEventKind::StateTempo: state.tempo = record.value; break;
      default: break;
    }
  }
  return state;
}

std::string MmlStateText(const MmlStateAtCaret& s) {
  return Format("Tempo %3d :  Octave %d :  Velocity %2d :  L%d%c", s.tempo, s.octave, s.volume,
                s.length, s.dotted ? '.' : ' ');
}

}  // namespace kore
