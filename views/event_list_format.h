#pragma once
// The event list's text: one fixed-width line per record (position piece, then the event piece
// from character 16), its colours, and the cells of the six columns as drawn.
//
// Any thread; pure functions. Texts are ASCII (note names, controller names, hex bytes).
#include <array>
#include <cstdint>
#include <string>

#include "mml/midi_event.h"

namespace kore::views {

inline constexpr const char* kEventListHeader = " Meas Tick Step Event           Gate   Vel/Value";
inline constexpr int32_t kEventPieceColumn = 16;
inline constexpr int32_t kEventListColumns = 6;
inline constexpr std::array<const char*, kEventListColumns> kEventListColumnNames = {
    "Meas", "Tick", "Step", "Event", "Gate", "Vel/Value"};

// Colours are 0xRRGGBB.
struct EventRowText {
  std::string position;  // starts at character 0
  std::string event;     // starts at kEventPieceColumn; empty when the kind has none
  uint32_t positionColour = 0x40455C;
  uint32_t eventColour = 0x40455C;
  bool framed = false;   // Measure, EndOfTrack and ExtensionStart rows

  // The row as drawn on one line, trailing blanks removed.
  std::string Line() const;
  // The text under each column, trimmed (empty where nothing is drawn).
  std::array<std::string, kEventListColumns> Cells(MidiEventKind kind) const;
};

EventRowText FormatEventRow(const MidiEvent& record, const TimeBase& timeBase);

// Controller name (unpadded, empty when unnamed) and its colour.
const char* ControllerName(int32_t controller);
uint32_t ControllerColour(int32_t controller);

// Character ranges [begin, end) of the six columns in a row of `kind`.
std::array<std::pair<int32_t, int32_t>, kEventListColumns> ColumnSpans(MidiEventKind kind);

}  // namespace kore::views
