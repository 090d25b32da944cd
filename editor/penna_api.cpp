// The flat interface: a process-wide table of editor instances addressed by id.
#include <QPointer>
#include <QWidget>
#include <cstring>
#include <new>
#include <vector>

#include "editor/penna.h"
#include "editor/penna_editor.h"

using kore::PennaEditor;

namespace {

struct InstanceTable {
  void* module = nullptr;
  bool started = false;
  bool createHidden = false;
  // QPointer: an editor destroyed with its parent widget leaves an empty slot, not a dangling one.
  std::vector<QPointer<PennaEditor>> editors;
};

InstanceTable& Table() {
  static InstanceTable table;
  return table;
}

bool ValidId(int32_t id) {
  return id >= 0 && static_cast<size_t>(id) < Table().editors.size();
}

PennaEditor* Find(int32_t id) {
  if (!ValidId(id)) return nullptr;
  return Table().editors[static_cast<size_t>(id)].data();
}

void DeleteSlot(size_t index) {
  QPointer<PennaEditor>& slot = Table().editors[index];
  delete slot.data();
  slot = nullptr;
}

}  // namespace

#define PENNA_EDITOR_OR(result) \
  PennaEditor* editor = Find(id); \
  if (!editor) return result

extern "C" {

int32_t PennaStart(void* moduleInstance) {
  InstanceTable& table = Table();
  // Starting again must not orphan the windows of an earlier start.
  for (size_t i = 0; i < table.editors.size(); ++i) DeleteSlot(i);
  try {
    table.editors.assign(1, nullptr);
  } catch (const std::bad_alloc&) {
    return 0;
  }
  table.module = moduleInstance;
  table.started = true;
  return 1;
}

void PennaSetCursor(int32_t marginCursor, int32_t linkCursor) {
  PennaEditor::SetCursorIds(marginCursor, linkCursor);
}

int32_t GetPennaVer(void) { return 161; }
int32_t GetPennaBetaVer(void) { return 0; }

int32_t PennaRedim(int32_t slotCount) {
  InstanceTable& table = Table();
  if (slotCount < 1 || static_cast<size_t>(slotCount) == table.editors.size()) {
    return PENNA_E_ARGUMENT;
  }
  for (size_t i = static_cast<size_t>(slotCount); i < table.editors.size(); ++i) DeleteSlot(i);
  try {
    table.editors.resize(static_cast<size_t>(slotCount));
  } catch (const std::bad_alloc&) {
    return PENNA_E_NOMEMORY;
  }
  return PENNA_OK;
}

int32_t PennaDelete(int32_t id) {
  if (!ValidId(id)) return PENNA_E_ID;
  DeleteSlot(static_cast<size_t>(id));
  return PENNA_OK;
}

int32_t PennaCreate(int32_t id, void* parent, int32_t x, int32_t y, int32_t width,
                    int32_t height) {
  if (!ValidId(id)) return PENNA_E_ID;
  QPointer<PennaEditor>& slot = Table().editors[static_cast<size_t>(id)];
  if (slot) return PENNA_E_SLOTUSED;
  PennaEditor* editor = new (std::nothrow) PennaEditor(id, static_cast<QWidget*>(parent));
  if (!editor) return PENNA_E_NOMEMORY;
  slot = editor;
  editor->SetPos(x, y, width, height);
  editor->SetEditorVisible(!Table().createHidden);
  editor->buffer().NotifyCaret(kore::editor::kCaretByCall);
  return PENNA_OK;
}

int32_t PennaSetFocus(int32_t id) {
  PENNA_EDITOR_OR(-5);
  editor->setFocus(Qt::OtherFocusReason);
  return PENNA_OK;
}

int32_t PennaSetPos(int32_t id, int32_t x, int32_t y, int32_t width, int32_t height) {
  PENNA_EDITOR_OR(-5);
  editor->SetPos(x, y, width, height);
  return PENNA_OK;
}

int32_t PennaSetVisible(int32_t id, uint8_t visible) {
  PENNA_EDITOR_OR(-5);
  editor->SetEditorVisible(visible != 0);
  return PENNA_OK;
}

int32_t PennaRefresh(int32_t id) {
  PENNA_EDITOR_OR(-5);
  editor->Draw();
  return PENNA_OK;
}

void* PennaGetWnd(int32_t id) {
  PENNA_EDITOR_OR(nullptr);
  return static_cast<QWidget*>(editor);
}

int32_t PennaCopy(int32_t id) { PENNA_EDITOR_OR(-5); return editor->Copy(); }
int32_t PennaCut(int32_t id) { PENNA_EDITOR_OR(-5); return editor->Cut(); }
int32_t PennaPaste(int32_t id) { PENNA_EDITOR_OR(-5); return editor->Paste(); }
int32_t PennaUndo(int32_t id) { PENNA_EDITOR_OR(-5); return editor->Undo(); }
int32_t PennaRedo(int32_t id) { PENNA_EDITOR_OR(-5); return editor->Redo(); }
int32_t PennaIndent(int32_t id) { PENNA_EDITOR_OR(-5); return editor->Indent(); }
int32_t PennaUnIndent(int32_t id) { PENNA_EDITOR_OR(-5); return editor->Unindent(); }
int32_t PennaSelectAll(int32_t id) { PENNA_EDITOR_OR(-5); return editor->SelectAll(); }

int32_t PennaSetText(int32_t id, const char* text) {
  if (!text) return PENNA_E_ARGUMENT;
  PENNA_EDITOR_OR(-5);
  return editor->SetText(text);
}

int32_t PennaGetTextLength(int32_t id) {
  PENNA_EDITOR_OR(-5);
  return editor->buffer().TextLength();
}

int32_t PennaGetText(int32_t id, char* buffer, int32_t lineCode) {
  PENNA_EDITOR_OR(-5);
  if (!buffer) return PENNA_E_ARGUMENT;
  std::string text = editor->GetText(lineCode);
  std::memcpy(buffer, text.c_str(), text.size() + 1);
  return PENNA_OK;
}

int32_t PennaSetSelText(int32_t id, const char* text) {
  PENNA_EDITOR_OR(-5);
  return editor->SetSelText(text);
}

int32_t PennaGetSelText(int32_t id, char* buffer) {
  PENNA_EDITOR_OR(-5);
  if (!buffer) return PENNA_E_ARGUMENT;
  if (!editor->buffer().HasSelection()) return PENNA_E_NOSELECTION;
  try {
    std::string text = editor->buffer().SelectedText();
    std::memcpy(buffer, text.c_str(), text.size() + 1);
  } catch (const std::bad_alloc&) {
    return PENNA_E_NOMEMORY;
  }
  return PENNA_OK;
}

int32_t PennaGetLines(int32_t id) {
  PENNA_EDITOR_OR(-5);
  return editor->buffer().LineCount();
}

const char* PennaGetLineData(int32_t id, int32_t line) {
  PENNA_EDITOR_OR(nullptr);
  const kore::editor::LineNode* node = editor->buffer().LineAt(line);
  return node ? node->text.c_str() : nullptr;
}

int32_t PennaGetLineLen(int32_t id, int32_t line) {
  PENNA_EDITOR_OR(-5);
  return editor->buffer().LineLength(line);
}

int32_t PennaGetLineCode(int32_t id) {
  PENNA_EDITOR_OR(-5);
  return editor->buffer().lineCode();
}

int32_t PennaSetSelA(int32_t id, int32_t startLine, int32_t startPos, int32_t endLine,
                     int32_t endPos) {
  PENNA_EDITOR_OR(-5);
  return editor->SetSelA(startLine, startPos, endLine, endPos);
}

int32_t PennaGetSelA(int32_t id, int32_t* startLine, int32_t* startPos, int32_t* endLine,
                     int32_t* endPos) {
  PENNA_EDITOR_OR(-5);
  return editor->GetSelA(startLine, startPos, endLine, endPos);
}

int32_t PennaSetSelB(int32_t id, int32_t start, int32_t end) {
  PENNA_EDITOR_OR(-5);
  return editor->SetSelB(start, end);
}

int32_t PennaGetSelB(int32_t id, int32_t* start, int32_t* end) {
  PENNA_EDITOR_OR(-5);
  return editor->GetSelB(start, end);
}

int32_t PennaGetCaretLine(int32_t id) {
  PENNA_EDITOR_OR(-5);
  return editor->buffer().caret().line;
}

int32_t PennaGetCaretPos(int32_t id) {
  PENNA_EDITOR_OR(-5);
  return editor->buffer().caret().pos;
}

int32_t PennaSetCaretLine(int32_t id, int32_t line) {
  PENNA_EDITOR_OR(-5);
  return editor->SetCaretLine(line);
}

int32_t PennaSetCaretPos(int32_t id, int32_t pos) {
  PENNA_EDITOR_OR(-5);
  return editor->SetCaretPos(pos);
}

int32_t PennaGetCaretVPos(int32_t id) {
  PENNA_EDITOR_OR(-5);
  return editor->core().CaretColumn();
}

int32_t PennaGetCaretThrough(int32_t id) {
  PENNA_EDITOR_OR(-5);
  return editor->buffer().ThroughOf(editor->buffer().caret());
}

int32_t PennaSetCaretThrough(int32_t id, int32_t through) {
  PENNA_EDITOR_OR(-5);
  return editor->SetCaretThrough(through);
}

int32_t PennaSetMark(int32_t id, int32_t line, uint32_t mark, uint8_t redraw) {
  PENNA_EDITOR_OR(-5);
  return editor->SetMark(line, mark, redraw != 0);
}

int32_t PennaGetMark(int32_t id, int32_t line) {
  PENNA_EDITOR_OR(-5);
  return editor->GetMark(line);
}

int32_t PennaSetHighlight(int32_t id, const char* text, uint8_t caseSensitive, uint8_t redraw) {
  PENNA_EDITOR_OR(-5);
  return editor->SetHighlight(text, caseSensitive != 0, redraw != 0);
}

int32_t PennaAddEmphasis(int32_t id, const char* begin, const char* end, int32_t type,
                         uint32_t colour, uint32_t flags, int32_t level, int32_t innerLevel) {
  PENNA_EDITOR_OR(-5);
  return editor->AddEmphasis(begin, end, type, colour, flags, level, innerLevel);
}

int32_t PennaResetEmphasis(int32_t id, uint8_t redraw) {
  PENNA_EDITOR_OR(-5);
  return editor->ResetEmphasis(redraw != 0);
}

int32_t PennaFontDialog(int32_t id, char* faceName, uint8_t redraw) {
  PENNA_EDITOR_OR(-5);
  return editor->FontDialog(faceName, redraw != 0);
}

int32_t PennaSetFont(int32_t id, const char* faceName, int32_t points, uint8_t redraw) {
  PENNA_EDITOR_OR(-5);
  return editor->SetFontFace(faceName, points, redraw != 0);
}

int32_t PennaSetColor(int32_t id, int32_t index, uint32_t colour, uint8_t redraw) {
  PENNA_EDITOR_OR(-5);
  return editor->SetColour(index, colour, redraw != 0);
}

int32_t PennaSetMarkVisible(int32_t id, int32_t kind, uint8_t visible, uint8_t redraw) {
  PENNA_EDITOR_OR(-5);
  return editor->SetMarkVisible(kind, visible != 0, redraw != 0);
}

int32_t PennaSetMetrics(int32_t id, int32_t index, int32_t value, uint8_t redraw) {
  PENNA_EDITOR_OR(-5);
  if (index == 15) {
    Table().createHidden = value != 0;
    return PENNA_OK;
  }
  return editor->SetMetric(index, value, redraw != 0);
}

int32_t PennaGetMetrics(int32_t id, int32_t index) {
  PENNA_EDITOR_OR(-5);
  return editor->GetMetric(index);
}

int32_t PennaWriteEnable(int32_t id, uint8_t writable) {
  PENNA_EDITOR_OR(-5);
  return editor->WriteEnable(writable != 0);
}

int32_t PennaSetLapel(int32_t id, uint8_t wrap, int32_t column, uint8_t redraw) {
  PENNA_EDITOR_OR(-5);
  return editor->SetLapel(wrap != 0, column, redraw != 0);
}

int32_t PennaEventCaretMove(int32_t id, PennaCodeProc callback, intptr_t param) {
  PENNA_EDITOR_OR(-5);
  editor->SetCodeCallback(PENNA_MSG_CARETMOVE, callback, param);
  return PENNA_OK;
}

int32_t PennaEventSelChange(int32_t id, PennaNotifyProc callback, intptr_t param) {
  PENNA_EDITOR_OR(-5);
  editor->SetNotifyCallback(PENNA_MSG_SELCHANGE, callback, param);
  return PENNA_OK;
}

int32_t PennaEventInsChange(int32_t id, PennaCodeProc callback, intptr_t param) {
  PENNA_EDITOR_OR(-5);
  editor->SetCodeCallback(PENNA_MSG_INSCHANGE, callback, param);
  return PENNA_OK;
}

int32_t PennaEventChange(int32_t id, PennaCodeProc callback, intptr_t param) {
  PENNA_EDITOR_OR(-5);
  editor->SetCodeCallback(PENNA_MSG_CHANGE, callback, param);
  return PENNA_OK;
}

int32_t PennaEventContextMenu(int32_t id, PennaNotifyProc callback, intptr_t param) {
  PENNA_EDITOR_OR(-5);
  editor->SetNotifyCallback(PENNA_MSG_CONTEXTMENU, callback, param);
  return PENNA_OK;
}

int32_t PennaEventMouseMove(int32_t id, PennaCodeProc callback, intptr_t param) {
  PENNA_EDITOR_OR(-5);
  editor->SetCodeCallback(PENNA_MSG_MOUSEMOVE, callback, param);
  return PENNA_OK;
}

void PennaEnd(void) {
  InstanceTable& table = Table();
  for (size_t i = 0; i < table.editors.size(); ++i) DeleteSlot(i);
  table.editors.clear();
  table.started = false;
  table.createHidden = false;
}

}  // extern "C"
