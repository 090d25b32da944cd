#pragma once
// The keyboard side of an editor instance without any GUI: caret movement with the remembered
// goal column, selection by Shift, the editing keys, typed characters and input-method text,
// insert/overwrite mode, indent and unindent, and the view position that follows the caret.
// The widget feeds it keys and draws what it says changed.
#include <cstdint>
#include <string_view>

#include "editor/text_buffer.h"

namespace kore::editor {

enum class CaretMove { Up, Down, Left, Right, Home, End, PageUp, PageDown, TextStart, TextEnd };

class EditorCore {
 public:
  TextBuffer buffer;

  // Layout figures the widget keeps up to date.
  int32_t tabWidth = 4;
  int32_t visibleLines = 1;
  int32_t visibleColumns = 1;
  int32_t topLine = 1;       // first visible line, 1-based
  int32_t topRow = 0;        // with wrapping: the row of the top line the view starts at
  int32_t scrollColumn = 1;  // first visible column, 1-based, 1..1024
  bool overwrite = false;
  // Lines break at the visible width; the view then scrolls by screen rows.
  bool wrap = false;
  // A caret at the start of a wrapped row that End placed there is drawn at the end of the row
  // above (the same byte offset); any other caret placement clears it.
  TextPoint rowEndCaret{0, 0};
  uint32_t wordJoinFlags = 0;
  static constexpr int32_t kMaxColumns = 1024;

  // Set by a command when more than the caret line has to be drawn again.
  bool fullRedraw = false;

  // Moves the caret; with `extend` the selection follows (Shift). Caret-move code 1.
  void Move(CaretMove move, bool extend);
  // Ctrl+Up / Ctrl+Down: the view moves, the caret stays.
  void ScrollView(int32_t lines);

  // The editing keys; false when refused or nothing happened (then nothing is sent).
  bool Backspace();
  bool Delete();
  bool Enter();
  bool Tab(bool shift);
  // One character (one byte, or both bytes of a two-byte character) typed.
  bool TypeChar(std::string_view bytes);
  // An input-method result string.
  bool ImeResult(std::string_view text);
  bool Indent();
  bool Unindent();
  void SelectAll();
  // The editing half of cut and paste; the clipboard is the widget's business.
  bool CutSelection();
  bool Paste(std::string_view text);
  bool SetSelText(std::string_view text);

  // Screen row within its line (0 without wrapping) and 0-based screen column of a point.
  struct ScreenPos {
    int32_t row = 0;
    int32_t column = 0;
  };
  ScreenPos ScreenOf(TextPoint p) const;
  // 0-based screen column of the caret on its row.
  int32_t CaretColumn() const;
  int32_t WrapWidth() const { return visibleColumns < 2 ? 2 : visibleColumns; }
  // Screen rows of a line in the current mode, kept in the node.
  int32_t RowsOf(LineNode* node) const;
  void RecountRows();
  // Screen rows from the start of line `from` up to (not including) line `to`.
  int64_t RowsBetween(int32_t from, int32_t to) const;
  int32_t ColumnOf(TextPoint p) const;
  // Point on `line` at 0-based screen column `column` (before a character spanning it).
  TextPoint PointAtColumn(int32_t line, int32_t column) const;
  // Point on screen row `row` of `line` at 0-based column `column` (wrapping on); `rowEnd` tells
  // that it lies past the end of a row that wraps.
  TextPoint PointAtRow(int32_t line, int32_t row, int32_t column, bool* rowEnd) const;
  // Scrolls so that the caret is on the page; true when the view moved.
  bool FollowCaret();
  void ClampTopLine();
  // The view position counted in screen rows from the start of the text (0-based; lines when
  // not wrapping), the total, and moving the view by rows. ScrollRows: true when it moved.
  int64_t TopRowNumber() const;
  int64_t TotalRows() const;
  void SetTopRowNumber(int64_t row);
  bool ScrollRows(int64_t delta);

 private:
  // Caret to `to` by a key: with `extend` the selection runs from the anchor to it.
  void MoveTo(TextPoint to, bool extend);
  bool IndentBlock(bool indent);
};

}  // namespace kore::editor
