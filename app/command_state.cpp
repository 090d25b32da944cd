#include "app/command_state.h"

namespace kore {
namespace {

bool EnabledOf(Cmd command, const CommandInputs& in) {
  if (in.unavailable.count(command)) return false;
  const bool idle = !in.playing;
  switch (command) {
    case Cmd::New: case Cmd::Open: case Cmd::ClipboardImport: case Cmd::SmfImport:
    case Cmd::RecentFile: case Cmd::Undo: case Cmd::Redo: case Cmd::Cut: case Cmd::Paste:
    case Cmd::Delete: case Cmd::Find: case Cmd::Replace: case Cmd::TrackAdd:
    case Cmd::TrackDelete: case Cmd::PlayFromCaret: case Cmd::SetStartPosition:
    case Cmd::ViewAll: case Cmd::ViewSideBySide: case Cmd::ViewStacked: case Cmd::Configuration:
    case Cmd::Play:
    case Cmd::MarkerCreate: case Cmd::MarkerDelete: case Cmd::MarkerEdit:
      return idle;
    case Cmd::WaveExport:
      return idle && in.synthesizerOpen;
    case Cmd::Save:
      return in.modified;
    case Cmd::Pause: case Cmd::Stop:
      return in.playing;
    case Cmd::Keyboard: case Cmd::SyntaxCheck: case Cmd::PianoRollScroll:
      return false;
    default:
      return true;
  }
}

bool CheckedOf(Cmd command, const CommandInputs& in) {
  switch (command) {
    case Cmd::Loop: return in.loop;
    case Cmd::EditPlaySelect: return in.editPlaySelect;
    case Cmd::EditScroll: return in.editScroll;
    case Cmd::Monitor: return in.monitorVisible;
    case Cmd::ViewAll: return in.viewMode == 0;
    case Cmd::ViewSideBySide: return in.viewMode == 1;
    case Cmd::ViewStacked: return in.viewMode == 2;
    default: return false;
  }
}

}  // namespace

CommandState StateOf(Cmd command, const CommandInputs& in) {
  return {EnabledOf(command, in), CheckedOf(command, in)};
}

}  // namespace kore
