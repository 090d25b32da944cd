#include "editor/frame/penna_wnd.h"

#include <QVariant>
#include <QWidget>
#include <vector>

#include "editor/penna.h"
#include "editor/penna_editor.h"

namespace kore {
namespace {

constexpr char kObjectProperty[] = "kore_penna_wnd";

// PennaStart leaves a table of one slot.
int32_t gSlotCount = 1;
int32_t gOpenCount = 0;

// A state change that failed is tried once more: 0 when the first call succeeded, else what the
// second call answered.
template <typename Call>
int32_t Retried(Call call) {
  if (call() == PENNA_OK) return 0;
  return call();
}

}  // namespace

CPennaWnd::~CPennaWnd() { Destroy(); }

int32_t CPennaWnd::OpenCount() { return gOpenCount; }
int32_t CPennaWnd::SlotCount() { return gSlotCount; }

bool CPennaWnd::Create(QWidget* parent, const QRect& rect, int32_t controlId) {
  if (id_ >= 0) return false;
  if (gOpenCount + 1 > gSlotCount) {
    int32_t wanted = gOpenCount + 1;
    int32_t rc = PennaRedim(wanted);
    // -4 also answers a table that already has that size.
    if (rc != PENNA_OK && rc != PENNA_E_ARGUMENT) return false;
    gSlotCount = wanted;
  }
  int32_t rc = PENNA_E_SLOTUSED;
  int32_t id = 0;
  for (; id < gSlotCount; ++id) {
    rc = PennaCreate(id, parent, rect.x(), rect.y(), rect.width(), rect.height());
    if (rc == PENNA_E_ID && PennaRedim(id + 1) == PENNA_OK) {
      // The library was started again and its table is smaller than last set.
      gSlotCount = id + 1;
      rc = PennaCreate(id, parent, rect.x(), rect.y(), rect.width(), rect.height());
    }
    if (rc != PENNA_E_SLOTUSED) break;
  }
  if (rc != PENNA_OK) return false;
  id_ = id;
  controlId_ = controlId;
  ++gOpenCount;
  modifiedCount_ = 0;
  PennaEventChange(id_, &CPennaWnd::OnChange, reinterpret_cast<intptr_t>(this));
  if (QWidget* w = Widget()) w->setProperty(kObjectProperty, QVariant::fromValue<void*>(this));
  return true;
}

void CPennaWnd::Destroy() {
  if (id_ < 0) return;
  if (QWidget* w = Widget()) w->setProperty(kObjectProperty, QVariant());
  PennaEventChange(id_, nullptr, 0);
  PennaDelete(id_);
  if (gOpenCount > 0) --gOpenCount;
  id_ = -1;
}

QWidget* CPennaWnd::Widget() const {
  return id_ < 0 ? nullptr : static_cast<QWidget*>(PennaGetWnd(id_));
}

PennaEditor* CPennaWnd::Editor() const { return qobject_cast<PennaEditor*>(Widget()); }

CPennaWnd* CPennaWnd::FromWidget(const QObject* widget) {
  if (!widget) return nullptr;
  return static_cast<CPennaWnd*>(widget->property(kObjectProperty).value<void*>());
}

int32_t CPennaWnd::OnChange(int32_t, intptr_t param, int32_t code) {
  auto* self = reinterpret_cast<CPennaWnd*>(param);
  constexpr int32_t kUndoCode = 7;
  self->modifiedCount_ += code == kUndoCode ? -1 : 1;
  return 0;
}

// ---------------------------------------------------------------- text

int32_t CPennaWnd::SetText(std::string_view text) {
  std::string copy(text);
  return Retried([&] { return PennaSetText(id_, copy.c_str()); });
}

std::string CPennaWnd::Text(int32_t lineCode) const {
  int32_t length = PennaGetTextLength(id_);
  if (length < 0) return {};
  std::vector<char> buffer(static_cast<size_t>(length) + 1);
  if (PennaGetText(id_, buffer.data(), lineCode) != PENNA_OK) return {};
  return std::string(buffer.data());
}

int32_t CPennaWnd::TextLength() const { return PennaGetTextLength(id_); }
int32_t CPennaWnd::LineCount() const { return PennaGetLines(id_); }
int32_t CPennaWnd::LineLength(int32_t line) const { return PennaGetLineLen(id_, line + 1); }

std::string CPennaWnd::LineData(int32_t line) const {
  const char* data = PennaGetLineData(id_, line + 1);
  return data ? std::string(data) : std::string();
}

int32_t CPennaWnd::LineCode() const { return PennaGetLineCode(id_); }

int32_t CPennaWnd::SetSelectedText(std::string_view text) {
  std::string copy(text);
  return Retried([&] { return PennaSetSelText(id_, copy.c_str()); });
}

std::string CPennaWnd::SelectedText() const {
  int32_t start = 0, end = 0;
  if (PennaGetSelB(id_, &start, &end) != PENNA_OK || end <= start) return {};
  std::vector<char> buffer(static_cast<size_t>(end - start) + 1);
  if (PennaGetSelText(id_, buffer.data()) != PENNA_OK) return {};
  return std::string(buffer.data());
}

// ---------------------------------------------------------------- caret and selection

int32_t CPennaWnd::CaretThrough() const { return PennaGetCaretThrough(id_) - 1; }

int32_t CPennaWnd::SetCaretThrough(int32_t through) {
  return Retried([&] { return PennaSetCaretThrough(id_, through + 1); });
}

int32_t CPennaWnd::CaretLine() const { return PennaGetCaretLine(id_) - 1; }
int32_t CPennaWnd::CaretPos() const { return PennaGetCaretPos(id_) - 1; }

int32_t CPennaWnd::SetCaretLine(int32_t line) {
  return Retried([&] { return PennaSetCaretLine(id_, line + 1); });
}

int32_t CPennaWnd::SetCaretPos(int32_t pos) {
  return Retried([&] { return PennaSetCaretPos(id_, pos + 1); });
}

int32_t CPennaWnd::CaretScreenColumn() const { return PennaGetCaretVPos(id_); }

int32_t CPennaWnd::Selection(int32_t* start, int32_t* end) const {
  int32_t rc = PennaGetSelB(id_, start, end);
  if (rc == PENNA_OK || rc == PENNA_E_FAILED) {
    if (start) --*start;
    if (end) --*end;
  }
  return rc;
}

int32_t CPennaWnd::SetSelection(int32_t start, int32_t end) {
  return Retried([&] { return PennaSetSelB(id_, start + 1, end + 1); });
}

int32_t CPennaWnd::SelectionLines(int32_t* startLine, int32_t* startPos, int32_t* endLine,
                                  int32_t* endPos) const {
  int32_t rc = PennaGetSelA(id_, startLine, startPos, endLine, endPos);
  if (rc == PENNA_OK || rc == PENNA_E_FAILED) {
    for (int32_t* out : {startLine, startPos, endLine, endPos})
      if (out) --*out;
  }
  return rc;
}

int32_t CPennaWnd::SetSelectionLines(int32_t startLine, int32_t startPos, int32_t endLine,
                                     int32_t endPos) {
  return Retried([&] {
    return PennaSetSelA(id_, startLine + 1, startPos + 1, endLine + 1, endPos + 1);
  });
}

bool CPennaWnd::HasSelection() const {
  int32_t start = 0, end = 0;
  return PennaGetSelB(id_, &start, &end) == PENNA_OK && start != end;
}

// ---------------------------------------------------------------- commands

void CPennaWnd::SelectCaretLine(int32_t* line, int32_t* pos) {
  *line = PennaGetCaretLine(id_);
  *pos = PennaGetCaretPos(id_);
  int32_t lines = PennaGetLines(id_);
  if (*line < lines) {
    PennaSetSelA(id_, *line, 1, *line + 1, 1);
  } else {
    PennaSetSelA(id_, *line, 1, *line, PennaGetLineLen(id_, *line) + 1);
  }
}

int32_t CPennaWnd::Copy() {
  if (HasSelection()) return PennaCopy(id_);
  QWidget* w = Widget();
  bool updates = w && w->updatesEnabled();
  if (w) w->setUpdatesEnabled(false);
  int32_t line = 0, pos = 0;
  SelectCaretLine(&line, &pos);
  int32_t rc = PennaCopy(id_);
  PennaSetSelA(id_, line, pos, line, pos);
  if (w) w->setUpdatesEnabled(updates);
  return rc;
}

int32_t CPennaWnd::Cut() {
  if (HasSelection()) return PennaCut(id_);
  int32_t line = 0, pos = 0;
  SelectCaretLine(&line, &pos);
  return PennaCut(id_);
}

int32_t CPennaWnd::Paste() { return Retried([&] { return PennaPaste(id_); }); }
int32_t CPennaWnd::Undo() { return Retried([&] { return PennaUndo(id_); }); }
int32_t CPennaWnd::Redo() { return Retried([&] { return PennaRedo(id_); }); }
int32_t CPennaWnd::SelectAll() { return Retried([&] { return PennaSelectAll(id_); }); }
int32_t CPennaWnd::Indent() { return Retried([&] { return PennaIndent(id_); }); }
int32_t CPennaWnd::Unindent() { return Retried([&] { return PennaUnIndent(id_); }); }
bool CPennaWnd::CanUndo() const { return PennaGetMetrics(id_, 2) > 0; }
bool CPennaWnd::CanRedo() const { return PennaGetMetrics(id_, 3) > 0; }

// ---------------------------------------------------------------- look and state

int32_t CPennaWnd::SetMetric(int32_t index, int32_t value, bool redraw) {
  return Retried([&] { return PennaSetMetrics(id_, index, value, redraw); });
}

int32_t CPennaWnd::Metric(int32_t index) const { return PennaGetMetrics(id_, index); }

int32_t CPennaWnd::SetColour(int32_t index, uint32_t colour, bool redraw) {
  return Retried([&] { return PennaSetColor(id_, index, colour, redraw); });
}

int32_t CPennaWnd::SetMarkVisible(int32_t kind, bool visible, bool redraw) {
  return Retried([&] { return PennaSetMarkVisible(id_, kind, visible, redraw); });
}

int32_t CPennaWnd::SetFont(const std::string& face, int32_t points, bool redraw) {
  return Retried([&] { return PennaSetFont(id_, face.c_str(), points, redraw); });
}

int32_t CPennaWnd::FontDialog(std::string* face, bool redraw) {
  char name[32] = {};
  int32_t rc = PennaFontDialog(id_, name, redraw);
  if (face && rc == PENNA_OK) *face = name;
  return rc;
}

int32_t CPennaWnd::ResetEmphasis(bool redraw) {
  return Retried([&] { return PennaResetEmphasis(id_, redraw); });
}

int32_t CPennaWnd::AddEmphasis(const char* begin, const char* end, int32_t type, uint32_t colour,
                               uint32_t flags, int32_t level, int32_t innerLevel) {
  return Retried([&] {
    return PennaAddEmphasis(id_, begin, end, type, colour, flags, level, innerLevel);
  });
}

int32_t CPennaWnd::SetHighlight(const std::string& text, bool caseSensitive, bool redraw) {
  return Retried([&] { return PennaSetHighlight(id_, text.c_str(), caseSensitive, redraw); });
}

int32_t CPennaWnd::Mark(int32_t line) const { return PennaGetMark(id_, line + 1); }

int32_t CPennaWnd::SetMark(int32_t line, uint32_t mark, bool redraw) {
  return Retried([&] { return PennaSetMark(id_, line + 1, mark, redraw); });
}

int32_t CPennaWnd::SetLapel(bool wrap, int32_t column, bool redraw) {
  return Retried([&] { return PennaSetLapel(id_, wrap, column, redraw); });
}

int32_t CPennaWnd::SetReadOnly(bool readOnly) {
  return Retried([&] { return PennaWriteEnable(id_, !readOnly); });
}

int32_t CPennaWnd::SetFocus() { return Retried([&] { return PennaSetFocus(id_); }); }

int32_t CPennaWnd::Show(bool visible) {
  return Retried([&] { return PennaSetVisible(id_, visible); });
}

int32_t CPennaWnd::Refresh() { return Retried([&] { return PennaRefresh(id_); }); }

int32_t CPennaWnd::Move(const QRect& rect) {
  return Retried(
      [&] { return PennaSetPos(id_, rect.x(), rect.y(), rect.width(), rect.height()); });
}

}  // namespace kore
