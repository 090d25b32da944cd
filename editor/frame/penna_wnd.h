#pragma once
// One editor instance of the flat interface addressed as an object: the id, the widget, the
// modified count kept by its change callback, and wrappers that retry a failed state change
// once and number lines, positions and through positions from 0.
//
// User-interface thread only. Text is Shift-JIS bytes.
#include <QRect>
#include <cstdint>
#include <string>
#include <string_view>

class QObject;
class QWidget;

namespace kore {

class PennaEditor;

class CPennaWnd {
 public:
  CPennaWnd() = default;
  ~CPennaWnd();
  CPennaWnd(const CPennaWnd&) = delete;
  CPennaWnd& operator=(const CPennaWnd&) = delete;

  // Grows the instance table when needed and takes the first free id. False on failure.
  bool Create(QWidget* parent, const QRect& rect, int32_t controlId);
  void Destroy();

  int32_t Id() const { return id_; }
  QWidget* Widget() const;
  // The editor widget itself, for code that works on it directly.
  PennaEditor* Editor() const;
  int32_t ControlId() const { return controlId_; }
  // The object behind an editor widget created here, or null.
  static CPennaWnd* FromWidget(const QObject* widget);
  // Editors open in the process and the table size last set.
  static int32_t OpenCount();
  static int32_t SlotCount();

  // ---- text
  int32_t SetText(std::string_view text);
  std::string Text(int32_t lineCode) const;  // 1 CR LF, 2 CR, 3 LF
  int32_t TextLength() const;
  int32_t LineCount() const;
  int32_t LineLength(int32_t line) const;  // 0-based line
  std::string LineData(int32_t line) const;
  int32_t LineCode() const;
  int32_t SetSelectedText(std::string_view text);
  std::string SelectedText() const;

  // ---- caret and selection, 0-based
  int32_t CaretThrough() const;
  int32_t SetCaretThrough(int32_t through);
  int32_t CaretLine() const;
  int32_t CaretPos() const;
  int32_t SetCaretLine(int32_t line);
  int32_t SetCaretPos(int32_t pos);
  int32_t CaretScreenColumn() const;
  // Through form: start and end offsets; -1 (nothing changed) without a selection.
  int32_t Selection(int32_t* start, int32_t* end) const;
  int32_t SetSelection(int32_t start, int32_t end);
  int32_t SelectionLines(int32_t* startLine, int32_t* startPos, int32_t* endLine,
                         int32_t* endPos) const;
  int32_t SetSelectionLines(int32_t startLine, int32_t startPos, int32_t endLine,
                            int32_t endPos);
  bool HasSelection() const;

  // ---- commands
  int32_t Copy();
  int32_t Cut();
  int32_t Paste();
  int32_t Undo();
  int32_t Redo();
  int32_t SelectAll();
  int32_t Indent();
  int32_t Unindent();
  bool CanUndo() const;
  bool CanRedo() const;

  // ---- look and state
  int32_t SetMetric(int32_t index, int32_t value, bool redraw);
  int32_t Metric(int32_t index) const;
  int32_t SetColour(int32_t index, uint32_t colour, bool redraw);
  int32_t SetMarkVisible(int32_t kind, bool visible, bool redraw);
  int32_t SetFont(const std::string& face, int32_t points, bool redraw);
  int32_t FontDialog(std::string* face, bool redraw);
  int32_t ResetEmphasis(bool redraw);
  int32_t AddEmphasis(const char* begin, const char* end, int32_t type, uint32_t colour,
                      uint32_t flags, int32_t level, int32_t innerLevel);
  int32_t SetHighlight(const std::string& text, bool caseSensitive, bool redraw);
  int32_t Mark(int32_t line) const;
  int32_t SetMark(int32_t line, uint32_t mark, bool redraw);
  int32_t SetLapel(bool wrap, int32_t column, bool redraw);
  int32_t SetReadOnly(bool readOnly);
  int32_t SetFocus();
  int32_t Show(bool visible);
  int32_t Refresh();
  int32_t Move(const QRect& rect);

  // ---- modified count, kept by the change notifications
  int32_t ModifiedCount() const { return modifiedCount_; }
  bool IsModified() const { return modifiedCount_ != 0; }
  void ClearModified() { modifiedCount_ = 0; }

 private:
  static int32_t OnChange(int32_t id, intptr_t param, int32_t code);
  // Selects the caret's whole line (through its line end) and returns the old caret.
  void SelectCaretLine(int32_t* line, int32_t* pos);

  int32_t id_ = -1;
  int32_t controlId_ = 0;
  int32_t modifiedCount_ = 0;
};

}  // namespace kore
