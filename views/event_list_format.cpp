#include "views/event_list_format.h"

#include <algorithm>
#include <cstdio>

namespace kore::views {

namespace {

struct Controller {
  int32_t number;
  const char* name;
  uint32_t colour;
};

constexpr uint32_t kDark = 0x800000, kPurple = 0x800080, kBlue = 0x0000D0, kRed = 0xD00000;
constexpr uint32_t kData = 0x40455C, kTeal = 0x008080;

constexpr Controller kControllers[] = {
    {0, "Bank Select MSB", kPurple}, {1, "Modulation", kBlue},      {2, "Breath", kDark},
    {5, "Potamento Time", kDark},    {6, "DATA ENTRY MSB", kData},  {7, "Volume", kRed},
    {8, "Balance", kDark},           {10, "Panpot", 0xB4B400},      {11, "Expression", kRed},
    {32, "Bank Select LSB", kPurple}, {38, "DATA ENTRY LSB", kData}, {64, "Hold 1", kDark},
    {65, "Portamento", kDark},       {66, "Sostenuto", kDark},      {67, "Soft Pedal", kDark},
    {68, "Legato", kDark},           {69, "Hold 2", kDark},         {70, "Sound Variation", kTeal},
    {71, "Harmonic Content", kTeal}, {72, "Release Time", kTeal},   {73, "Attack Time", kTeal},
    {74, "Brightness", kTeal},       {75, "Decay Time", kTeal},     {76, "Vibrato Rate", kTeal},
    {77, "Vibrato Depth", kTeal},    {78, "Vibrato Delay", kTeal},  {79, "Sound Ctrl 10", kDark},
    {80, "GPC 5", kDark},            {81, "GPC 6", kDark},          {82, "GPC 7", kDark},
    {83, "GPC 8", kDark},            {84, "Portamento", kDark},     {91, "Reverb", kDark},
    {92, "Tremolo", kDark},          {93, "Chorus", kTeal},         {94, "Variation", kBlue},
    {95, "Phaser", kDark},           {96, "Data Increment", kDark}, {97, "Data Decrement", kDark},
    {98, "NRPN LSB", kData},         {99, "NRPN MSB", kData},       {100, "RPN LSB", kData},
    {101, "RPN MSB", kData},         {120, "All Sound OFF", kDark}, {121, "Reset All Ctrl", kDark},
    {122, "Local Control", kDark},   {123, "All Note OFF", kDark},  {124, "OMNI OFF", kDark},
    {125, "OMNI ON", kDark},         {126, "MONO", kDark},          {127, "POLY", kDark},
};

const Controller* FindController(int32_t number) {
  for (const Controller& c : kControllers)
    if (c.number == number) return &c;
  return nullptr;
}

template <typename... Args>
std::string Format(const char* format, Args... args) {
  char buffer[128];
  const int n = std::snprintf(buffer, sizeof buffer, format, args...);
  return std::string(buffer, static_cast<size_t>(std::clamp(n, 0, int(sizeof buffer) - 1)));
}

std::string Trim(std::string_view s) {
  const size_t b = s.find_first_not_of(' ');
  if (b == std::string_view::npos) return {};
  return std::string(s.substr(b, s.find_last_not_of(' ') - b + 1));
}

bool HasStepPosition(const MidiEvent& e) {
  switch (e.kind) {
    case MidiEventKind::Note:
    case MidiEventKind::Tempo:
    case MidiEventKind::PitchBend:
    case MidiEventKind::ProgramChange:
    case MidiEventKind::ControlChange:
      return e.step <= 9999;
    default:
      return false;
  }
}

std::string EventPiece(const MidiEvent& e, uint32_t& colour) {
  switch (e.kind) {
    case MidiEventKind::Note:
      return Format(e.sharp ? "%c# %d [%3d]     %5d      %6d" : "%c  %d [%3d]     %5d      %6d",
                    static_cast<char>(e.letter), e.octave, e.note, e.length, e.value);
    case MidiEventKind::Rest:
      colour = 0xB4B4B4;
      return Format(e.sharp ? "R# %d [%3d]     %5d      %6d" : "R  %d [%3d]     %5d      %6d",
                    e.octave, e.note, e.length, e.value);
    case MidiEventKind::ProgramChange:
      colour = 0x800080;
      return Format("Program Change            %6d", e.value);
    case MidiEventKind::Tempo:
      colour = 0xB4B400;
      return Format("Tempo                     %6d", e.value);
    case MidiEventKind::EndOfTrack:
      colour = 0xDEE1E7;
      return Format("End of track              %6d", e.value);
    case MidiEventKind::Marker:
      colour = 0x800000;
      return Format("Marker                    %6d", e.value);
    case MidiEventKind::ControlChange: {
      const int32_t number = ((e.value % 128) + 128) % 128;
      colour = ControllerColour(number);
      if (number == 10) return Format("Panpot                    %6d", e.value2 - 64);
      if (const Controller* c = FindController(number)) return Format("%-20s      %6d", c->name, e.value2);
      return Format("Control Change [%3d]      %6d", e.value, e.value2);
    }
    case MidiEventKind::PitchBend:
      colour = 0x800000;
      return Format("PitchBend                 %6d", e.value2 * 128 + e.value - 8192);
    case MidiEventKind::SysEx: {
      colour = 0x45783A;
      std::string bytes;
      const size_t n = std::min<size_t>(e.data.size(), 10);
      for (size_t i = 0; i < n; ++i) bytes += Format("%02X ", static_cast<unsigned>(e.data[i]));
      return bytes;
    }
    default:
      return {};
  }
}

}  // namespace

const char* ControllerName(int32_t controller) {
  const Controller* c = FindController(controller);
  return c ? c->name : "";
}

uint32_t ControllerColour(int32_t controller) {
  const Controller* c = FindController(controller);
  return c ? c->colour : kDark;
}

EventRowText FormatEventRow(const MidiEvent& e, const TimeBase& timeBase) {
  EventRowText row;
  const int32_t perMeasure = timeBase.TicksPerMeasure();
  const int32_t m = perMeasure > 0 ? e.tick / perMeasure : 0;
  const int32_t t = perMeasure > 0 ? e.tick % perMeasure : e.tick;
  if (HasStepPosition(e)) {
    row.position = Format(" %4d:%04d %4d", m, t, e.step);
  } else if (e.kind == MidiEventKind::Measure) {
    row.framed = true;
    row.positionColour = 0x4E545F;
    row.position = Format(" %4d:0000      Meas %d ", m, e.value);
  } else if (e.kind == MidiEventKind::EndOfTrack) {
    row.framed = true;
    row.positionColour = 0xDEE1E7;
    row.position = Format(" %4d:%04d %4d", m, t, e.step);
  } else if (e.kind == MidiEventKind::ExtensionStart) {
    row.framed = true;
    row.positionColour = 0xDEE1E7;
    row.position = Format(" %4d:%04d      KOR Extension MML", m, t);
  } else {
    row.position = Format(" %4d:%04d", m, t);
  }
  if (e.kind != MidiEventKind::Measure && e.kind != MidiEventKind::Tie &&
      e.kind != MidiEventKind::ExtensionStart)
    row.event = EventPiece(e, row.eventColour);
  return row;
}

std::string EventRowText::Line() const {
  std::string line = position;
  if (!event.empty()) {
    if (line.size() < size_t{kEventPieceColumn}) line.resize(kEventPieceColumn, ' ');
    line = line.substr(0, kEventPieceColumn) + event;
  }
  const size_t end = line.find_last_not_of(' ');
  return end == std::string::npos ? std::string() : line.substr(0, end + 1);
}

std::array<std::pair<int32_t, int32_t>, kEventListColumns> ColumnSpans(MidiEventKind kind) {
  constexpr int32_t kEnd = 1 << 20;
  switch (kind) {
    case MidiEventKind::Note:
    case MidiEventKind::Rest:
      return {{{0, 5}, {6, 10}, {10, 15}, {15, 26}, {26, 36}, {36, kEnd}}};
    case MidiEventKind::SysEx:
      return {{{0, 5}, {6, 10}, {10, 15}, {15, kEnd}, {0, 0}, {0, 0}}};
    default:
      return {{{0, 5}, {6, 10}, {10, 15}, {15, 42}, {0, 0}, {42, kEnd}}};
  }
}

std::array<std::string, kEventListColumns> EventRowText::Cells(MidiEventKind kind) const {
  const std::string line = Line();
  std::array<std::string, kEventListColumns> cells;
  const auto spans = ColumnSpans(kind);
  for (int32_t c = 0; c < kEventListColumns; ++c) {
    const auto [begin, end] = spans[c];
    if (begin >= end || size_t(begin) >= line.size()) continue;
    cells[c] = Trim(std::string_view(line).substr(begin, end - begin));
  }
  return cells;
}

}  // namespace kore::views
