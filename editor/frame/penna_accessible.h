#pragma once
// What assistive technology sees of an editor instance: a text object (read-only while the
// editor refuses writing) with the whole text in Unicode, the caret and the selection readable
// and settable, and editable text whose inserts, deletions and replacements go through the
// editor's own undoable replace-selection command, so the window hears of them like of typing.
//
// User-interface thread. Offsets are Unicode characters; the editor counts Shift-JIS bytes with
// CR LF line ends, and each Shift-JIS character is one character here.

namespace kore {

// Registers the accessibility factory for editor instances (once per process).
void InstallPennaAccessibility();

}  // namespace kore
