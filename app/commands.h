#pragma once
// The main window's commands: their numbers (menu and accelerator ids the rest of the program
// and the dialogs know), menu texts, keys and tool-bar tips, written once.
//
// Texts are UTF-8 here: they go straight to Qt. User-interface thread only.
#include <cstdint>
#include <span>

namespace kore {

enum class Cmd : int32_t {
  New = 57600,
  Open = 57601,
  Save = 57603,
  SaveAs = 57604,
  ClipboardImport = 32791,
  ClipboardExport = 32786,
  SmfImport = 32843,
  SmfExport = 32885,
  WaveExport = 32886,
  SongProperties = 32812,
  RecentFile = 57616,  // 57616..57625, one per entry
  Exit = 32773,
  Undo = 32821,
  Redo = 32822,
  Cut = 32819,
  Copy = 32817,
  Paste = 32818,
  Delete = 32842,
  SelectAll = 32820,
  Find = 32893,
  Replace = 32894,
  ViewAll = 32859,
  ViewSideBySide = 32883,
  ViewStacked = 32882,
  Monitor = 32890,
  Keyboard = 32880,
  TrackAdd = 32871,
  TrackDelete = 32872,
  TrackProperties = 32887,
  SyntaxCheck = 109,
  Play = 105,
  Pause = 32775,
  Stop = 103,
  BackMeasure = 32864,
  ForwardMeasure = 32862,
  Rewind = 32814,
  PlayFromCaret = 32849,
  Loop = 32851,
  Configuration = 32897,
  EditPlaySelect = 32833,
  EditScroll = 32788,
  PianoRollScroll = 32835,
  About = 16,
  PlayPauseToggle = 32808,
  SetStartPosition = 32856,
  RenameTrack = 32902,
  MarkerCreate = 32906,
  MarkerDelete = 32909,
  MarkerEdit = 32910,
  MarkerCancel = 32913,
};

constexpr int32_t kRecentFileCommands = 10;

struct CommandInfo {
  Cmd id;
  const char* text;      // menu text with "&" accelerators; empty for key-only commands
  const char* shortcut;  // QKeySequence text, empty when none
  const char* tip;       // tool-bar tip, empty when the command has no button
  bool checkable;
};

// Every command with a menu entry or a key, in no particular order.
std::span<const CommandInfo> CommandTable();
const CommandInfo* FindCommand(Cmd id);

}  // namespace kore
