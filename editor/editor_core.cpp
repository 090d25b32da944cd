#include "editor/editor_core.h"

#include <algorithm>
#include <string>

#include "editor/char_class.h"

namespace kore::editor {

int32_t EditorCore::ColumnOf(TextPoint p) const {
  const LineNode* node = buffer.LineAt(p.line);
  return node ? ColumnOfOffset(node->text, p.pos - 1, tabWidth) : 0;
}

EditorCore::ScreenPos EditorCore::ScreenOf(TextPoint p) const {
  const LineNode* node = buffer.LineAt(p.line);
  if (!node) return {};
  if (!wrap) return {0, ColumnOfOffset(node->text, p.pos - 1, tabWidth)};
  WrapLayout layout;
  LayOutWrapped(node->text, WrapWidth(), tabWidth, layout);
  const bool rowEnd = p == rowEndCaret && p == buffer.caret();
  const WrapCell* previous = nullptr;
  for (const WrapCell& cell : layout.cells) {
    if (cell.offset >= p.pos - 1) {
      if (rowEnd && previous && previous->row + 1 == cell.row)
        return {previous->row, previous->column + previous->width};
      return {cell.row, cell.column};
    }
    previous = &cell;
  }
  return {layout.endRow, layout.endColumn};
}

int32_t EditorCore::CaretColumn() const { return ScreenOf(buffer.caret()).column; }

int32_t EditorCore::RowsOf(LineNode* node) const {
  node->rows = wrap ? CountWrappedRows(node->text, WrapWidth(), tabWidth) : 1;
  return node->rows;
}

void EditorCore::RecountRows() {
  for (LineNode* node = buffer.FirstLine(); node; node = node->next) RowsOf(node);
}

int64_t EditorCore::RowsBetween(int32_t from, int32_t to) const {
  if (!wrap) return to - from;
  int64_t rows = 0;
  LineNode* node = buffer.LineAt(from);
  for (int32_t line = from; node && line < to; ++line, node = node->next) rows += RowsOf(node);
  return rows;
}

TextPoint EditorCore::PointAtColumn(int32_t line, int32_t column) const {
  const LineNode* node = buffer.LineAt(line);
  if (!node) return buffer.caret();
  return {line, OffsetOfColumn(node->text, column, tabWidth) + 1};
}

void EditorCore::ClampTopLine() {
  topLine = std::clamp(topLine, 1, buffer.LineCount());
  topRow = wrap ? std::clamp(topRow, 0, RowsOf(buffer.LineAt(topLine)) - 1) : 0;
}

int64_t EditorCore::TopRowNumber() const {
  return wrap ? RowsBetween(1, topLine) + topRow : topLine - 1;
}

int64_t EditorCore::TotalRows() const {
  return wrap ? RowsBetween(1, buffer.LineCount() + 1) : buffer.LineCount();
}

void EditorCore::SetTopRowNumber(int64_t row) {
  row = std::max<int64_t>(row, 0);
  if (!wrap) {
    topLine = static_cast<int32_t>(std::min<int64_t>(row + 1, buffer.LineCount()));
    topRow = 0;
    return;
  }
  LineNode* node = buffer.FirstLine();
  int32_t line = 1;
  while (node->next && row >= RowsOf(node)) {
    row -= node->rows;
    node = node->next;
    ++line;
  }
  topLine = line;
  topRow = static_cast<int32_t>(std::min<int64_t>(row, RowsOf(node) - 1));
}

bool EditorCore::ScrollRows(int64_t delta) {
  int32_t oldLine = topLine, oldRow = topRow;
  if (wrap) {
    SetTopRowNumber(TopRowNumber() + delta);
  } else {
    topLine = static_cast<int32_t>(std::clamp<int64_t>(topLine + delta, 1, buffer.LineCount()));
  }
  bool moved = oldLine != topLine || oldRow != topRow;
  if (moved) fullRedraw = true;
  return moved;
}

bool EditorCore::FollowCaret() {
  bool moved = false;
  TextPoint caret = buffer.caret();
  if (wrap) {
    // Rows scroll; the caret's row must be on the page.
    ClampTopLine();
    const int32_t caretRow = ScreenOf(caret).row;
    // Far below the page the rows in between need not be counted.
    bool off = caret.line < topLine || caret.line - topLine >= visibleLines;
    if (!off) {
      int64_t rel = RowsBetween(topLine, caret.line) + caretRow - topRow;
      off = rel < 0 || rel > visibleLines - 2;
    }
    int32_t oldLine = topLine, oldRow = topRow;
    if (off) {
      // Put the caret's row two thirds of a page below the top, walking back row by row.
      int64_t remaining = (2 * visibleLines) / 3;
      int32_t line = caret.line;
      int32_t row = caretRow;
      LineNode* node = buffer.LineAt(line);
      while (remaining > row && node->prev) {
        remaining -= row + 1;
        node = node->prev;
        --line;
        row = RowsOf(node) - 1;
      }
      topLine = line;
      topRow = static_cast<int32_t>(std::max<int64_t>(0, row - remaining));
    }
    moved = oldLine != topLine || oldRow != topRow || scrollColumn != 1;
    scrollColumn = 1;
    if (moved) fullRedraw = true;
    return moved;
  }
  if (caret.line < topLine || caret.line > topLine + visibleLines - 2) {
    int32_t top = std::clamp(caret.line - (2 * visibleLines) / 3, 1, buffer.LineCount());
    moved = top != topLine;
    topLine = top;
  }
  int32_t column = CaretColumn() + 1;
  if (column < scrollColumn || column > scrollColumn + visibleColumns - 1) {
    int32_t scroll = std::clamp(column - (2 * visibleColumns) / 3, 1,
                                std::max(1, kMaxColumns - visibleColumns));
    moved = moved || scroll != scrollColumn;
    scrollColumn = scroll;
  }
  if (moved) fullRedraw = true;
  return moved;
}

void EditorCore::MoveTo(TextPoint to, bool extend) {
  TextPoint old = buffer.caret();
  rowEndCaret = {0, 0};
  const Selection& sel = buffer.selection();
  if (extend) {
    if (!sel.active) {
      if (to != old) buffer.Select(old, to);
    } else if (to == sel.a) {
      buffer.ClearSelection();
    } else {
      buffer.Select(sel.a, to);
    }
    fullRedraw = true;
  } else if (sel.active) {
    buffer.ClearSelection();
    fullRedraw = true;
  }
  buffer.PlaceCaret(to);
  if (FollowCaret()) fullRedraw = true;
  buffer.NotifyCaret(kCaretByKeyboard);
}

TextPoint EditorCore::PointAtRow(int32_t line, int32_t row, int32_t column, bool* rowEnd) const {
  *rowEnd = false;
  const LineNode* node = buffer.LineAt(line);
  WrapLayout layout;
  LayOutWrapped(node->text, WrapWidth(), tabWidth, layout);
  for (const WrapCell& cell : layout.cells) {
    if (cell.row == row && cell.column + cell.width > column) return {line, cell.offset + 1};
  }
  if (static_cast<size_t>(row) + 1 < layout.rowStarts.size()) {
    // Past the end of a row that wraps: the same offset as the next row's start.
    *rowEnd = true;
    return {line, layout.rowStarts[static_cast<size_t>(row) + 1] + 1};
  }
  return {line, node->length() + 1};
}

void EditorCore::Move(CaretMove move, bool extend) {
  TextPoint caret = buffer.caret();
  const LineNode* node = buffer.LineAt(caret.line);
  int32_t lines = buffer.LineCount();
  auto goalColumn = [&] { return ColumnOf(buffer.Clamp(buffer.goal)); };
  TextPoint to = caret;
  bool keepGoal = false;
  bool rowEnd = false;
  switch (move) {
    case CaretMove::Left:
      if (caret.pos > 1) {
        to.pos = PrevCharStart(node->text, caret.pos - 1) + 1;
      } else if (caret.line > 1) {
        to = {caret.line - 1, buffer.LineLength(caret.line - 1) + 1};
      }
      break;
    case CaretMove::Right:
      if (caret.pos <= node->length()) {
        to.pos += CharLengthAt(node->text, caret.pos - 1);
      } else if (caret.line < lines) {
        to = {caret.line + 1, 1};
      }
      break;
    case CaretMove::Home:
      if (wrap) {
        WrapLayout layout;
        LayOutWrapped(node->text, WrapWidth(), tabWidth, layout);
        int32_t row = ScreenOf(caret).row;
        to.pos = layout.rowStarts[static_cast<size_t>(row)] + 1;
        break;
      }
      to.pos = 1;
      if (scrollColumn != 1) fullRedraw = true;
      scrollColumn = 1;
      break;
    case CaretMove::End:
      to.pos = node->length() + 1;
      if (wrap) {
        WrapLayout layout;
        LayOutWrapped(node->text, WrapWidth(), tabWidth, layout);
        size_t row = static_cast<size_t>(ScreenOf(caret).row);
        if (row + 1 < layout.rowStarts.size()) {
          to.pos = layout.rowStarts[row + 1] + 1;
          rowEnd = true;
        }
      }
      break;
    case CaretMove::TextStart:
      to = {1, 1};
      topLine = 1;
      topRow = 0;
      scrollColumn = 1;
      fullRedraw = true;
      break;
    case CaretMove::TextEnd:
      to = buffer.EndOfText();
      break;
    case CaretMove::Up:
      keepGoal = true;
      if (caret.line == 1) {
        to.pos = 1;
      } else {
        if (!wrap && caret.line == topLine) {
          --topLine;
          fullRedraw = true;
        }
        to = PointAtColumn(caret.line - 1, goalColumn());
      }
      break;
    case CaretMove::Down:
      keepGoal = true;
      if (caret.line == lines) {
        to.pos = node->length() + 1;
      } else {
        to = PointAtColumn(caret.line + 1, goalColumn());
        if (!wrap && to.line > topLine + visibleLines - 2) {
          ++topLine;
          fullRedraw = true;
        }
      }
      break;
    case CaretMove::PageUp:
    case CaretMove::PageDown: {
      keepGoal = true;
      int32_t step = move == CaretMove::PageUp ? -visibleLines : visibleLines;
      if (wrap) {
        // A page of rows: the view and the caret's row move alike.
        int64_t top = TopRowNumber();
        int64_t caretRow = RowsBetween(1, caret.line) + ScreenOf(caret).row;
        if (caretRow < top || caretRow > top + visibleLines - 1) caretRow = top;
        ScrollRows(step);
        int64_t target = std::clamp<int64_t>(caretRow + step, 0, TotalRows() - 1);
        int32_t line = 1;
        for (LineNode* n = buffer.FirstLine(); n->next && target >= RowsOf(n); n = n->next) {
          target -= n->rows;
          ++line;
        }
        to = PointAtRow(line, static_cast<int32_t>(target),
                        ScreenOf(buffer.Clamp(buffer.goal)).column, &rowEnd);
        fullRedraw = true;
        break;
      }
      int32_t line = caret.line;
      if (line < topLine || line > topLine + visibleLines - 1) line = topLine;
      topLine = std::clamp(topLine + step, 1, lines);
      to = PointAtColumn(std::clamp(line + step, 1, lines), goalColumn());
      fullRedraw = true;
      break;
    }
  }
  MoveTo(to, extend);
  if (rowEnd) {
    rowEndCaret = to;
    FollowCaret();
  }
  if (!keepGoal) buffer.goal = buffer.caret();
}

void EditorCore::ScrollView(int32_t lines) { ScrollRows(lines); }

bool EditorCore::Backspace() {
  if (!buffer.writable()) return false;
  TextPoint caret = buffer.caret();
  if (buffer.HasSelection()) {
    buffer.DeleteSelection(true);
    fullRedraw = true;
  } else if (caret.pos == 1) {
    if (caret.line == 1) return false;
    buffer.DeleteRange({caret.line - 1, buffer.LineLength(caret.line - 1) + 1}, caret, true);
    fullRedraw = true;
  } else {
    const LineNode* node = buffer.LineAt(caret.line);
    buffer.DeleteRange({caret.line, PrevCharStart(node->text, caret.pos - 1) + 1}, caret, true);
  }
  buffer.NewestRecord()->reinsertOnly = true;
  buffer.goal = buffer.caret();
  FollowCaret();
  buffer.NotifyChange(kChangeBackspace);
  buffer.NotifyCaret(kCaretByKeyboard);
  return true;
}

bool EditorCore::Delete() {
  if (!buffer.writable()) return false;
  TextPoint caret = buffer.caret();
  int32_t code = kChangeDelete;
  if (buffer.HasSelection()) {
    buffer.DeleteSelection(true);
    buffer.NewestRecord()->reinsertOnly = true;
    code = kChangeBackspace;
    fullRedraw = true;
  } else {
    const LineNode* node = buffer.LineAt(caret.line);
    if (caret.pos > node->length()) {
      if (caret.line == buffer.LineCount()) return false;
      buffer.DeleteRange(caret, {caret.line + 1, 1}, true);
      fullRedraw = true;
    } else {
      buffer.DeleteRange(caret, {caret.line, caret.pos + CharLengthAt(node->text, caret.pos - 1)},
                         true);
    }
    TextUndoRecord* r = buffer.NewestRecord();
    r->reinsertOnly = true;
    r->caretAtStart = true;
  }
  buffer.goal = buffer.caret();
  FollowCaret();
  buffer.NotifyChange(code);
  buffer.NotifyCaret(kCaretByKeyboard);
  return true;
}

bool EditorCore::Enter() {
  if (!buffer.writable()) return false;
  buffer.ReplaceSelection("\r\n", true, true);
  scrollColumn = 1;
  TextPoint caret = buffer.caret();
  if (caret.line > topLine + visibleLines - 2) ++topLine;
  buffer.goal = caret;
  FollowCaret();
  fullRedraw = true;
  buffer.NotifyChange(kChangeEnter);
  buffer.NotifyCaret(kCaretByKeyboard);
  return true;
}

bool EditorCore::Tab(bool shift) {
  const Selection& sel = buffer.selection();
  if (sel.active && sel.a.line != sel.b.line) return shift ? Unindent() : Indent();
  if (shift || !buffer.writable()) return false;
  if (sel.active) fullRedraw = true;
  buffer.ReplaceSelection("\t", true, true);
  buffer.goal = buffer.caret();
  FollowCaret();
  buffer.NotifyChange(kChangeTab);
  buffer.NotifyCaret(kCaretByKeyboard);
  return true;
}

bool EditorCore::TypeChar(std::string_view bytes) {
  if (bytes.empty()) return false;
  uint8_t first = static_cast<uint8_t>(bytes[0]);
  if (first < 32 || first == 127) return false;
  if (!buffer.writable()) return false;
  if (buffer.HasSelection()) {
    fullRedraw = true;
  } else if (overwrite) {
    TextPoint caret = buffer.caret();
    const LineNode* node = buffer.LineAt(caret.line);
    int32_t n = CharLengthAt(node->text, caret.pos - 1);
    if (n > 0) buffer.SelectQuietly(caret, {caret.line, caret.pos + n});
  }
  buffer.ReplaceSelection(bytes, true, true);
  buffer.goal = buffer.caret();
  FollowCaret();
  buffer.NotifyChange(kChangeTyped);
  buffer.NotifyCaret(kCaretByKeyboard);
  return true;
}

bool EditorCore::ImeResult(std::string_view text) {
  if (text.empty() || !buffer.writable()) return false;
  if (buffer.HasSelection()) {
    fullRedraw = true;
  } else if (overwrite) {
    // As many characters as the result has, stopping at the line end.
    int32_t characters = 0;
    for (size_t i = 0; i < text.size(); i += static_cast<size_t>(CharLengthAt(text, static_cast<int32_t>(i))))
      ++characters;
    TextPoint caret = buffer.caret();
    const LineNode* node = buffer.LineAt(caret.line);
    int32_t end = caret.pos - 1;
    for (int32_t k = 0; k < characters && end < node->length(); ++k)
      end += CharLengthAt(node->text, end);
    if (end + 1 > caret.pos) buffer.SelectQuietly(caret, {caret.line, end + 1});
  }
  buffer.ReplaceSelection(text, true, true);
  if (text.find_first_of("\r\n") != std::string_view::npos) fullRedraw = true;
  buffer.goal = buffer.caret();
  FollowCaret();
  buffer.NotifyCaret(kCaretByKeyboard);
  buffer.NotifyChange(kChangeImeResult);
  return true;
}

namespace {

// Bytes to remove from the front of `line` to take one tab width of indentation away; 0 when
// the line has less leading whitespace and no tab within it.
size_t UnindentLength(std::string_view line, int32_t tabWidth) {
  int32_t column = 0;
  size_t i = 0;
  while (column < tabWidth && i < line.size()) {
    if (line[i] == ' ') {
      ++column;
      ++i;
    } else if (line[i] == '\t') {
      return i + 1;
    } else if (i + 1 < line.size() && static_cast<uint8_t>(line[i]) == 0x81 &&
               static_cast<uint8_t>(line[i + 1]) == 0x40) {
      column += 2;
      i += 2;
    } else {
      break;
    }
  }
  return column >= tabWidth ? i : 0;
}

}  // namespace

bool EditorCore::IndentBlock(bool indent) {
  if (!buffer.writable() || !buffer.HasSelection()) return false;
  TextPoint start = buffer.selection().start();
  TextPoint end = buffer.selection().end();
  int32_t lastLine = end.line;
  if (end.pos == 1 && end.line > start.line) --lastLine;

  std::string before;
  std::string after;
  const LineNode* node = buffer.LineAt(start.line);
  for (int32_t line = start.line; line <= lastLine; ++line, node = node->next) {
    if (line > start.line) {
      before += "\r\n";
      after += "\r\n";
    }
    before += node->text;
    if (indent) {
      after += '\t';
      after += node->text;
    } else {
      after.append(node->text, UnindentLength(node->text, tabWidth));
    }
  }
  if (before == after) return false;  // nothing to unindent: no empty undo step

  buffer.SelectQuietly({start.line, 1}, {lastLine, buffer.LineLength(lastLine) + 1});
  buffer.ReplaceSelection(after, true, true);
  buffer.Select({start.line, 1}, {lastLine, buffer.LineLength(lastLine) + 1});
  buffer.PlaceCaret(buffer.selection().end());
  buffer.goal = buffer.caret();
  if (!indent) scrollColumn = 1;
  fullRedraw = true;
  FollowCaret();
  buffer.NotifyChange(indent ? kChangeIndent : kChangeUnindent);
  buffer.NotifyCaret(kCaretByCall);
  return true;
}

bool EditorCore::Indent() { return IndentBlock(true); }
bool EditorCore::Unindent() { return IndentBlock(false); }

void EditorCore::SelectAll() {
  TextPoint end = buffer.EndOfText();
  buffer.Select({1, 1}, end);
  buffer.PlaceCaret(end);
  buffer.goal = end;
  fullRedraw = true;
  FollowCaret();
  buffer.NotifyCaret(kCaretByCall);
}

bool EditorCore::CutSelection() {
  if (!buffer.writable() || !buffer.HasSelection()) return false;
  buffer.DeleteSelection(true);
  buffer.NewestRecord()->reinsertOnly = true;
  buffer.goal = buffer.caret();
  fullRedraw = true;
  FollowCaret();
  buffer.NotifyChange(kChangeCut);
  return true;
}

bool EditorCore::Paste(std::string_view text) {
  if (!buffer.writable()) return false;
  if (text.empty()) return true;
  buffer.ReplaceSelection(text, true, true);
  buffer.goal = buffer.caret();
  fullRedraw = true;
  FollowCaret();
  buffer.NotifyChange(kChangePaste);
  return true;
}

bool EditorCore::SetSelText(std::string_view text) {
  if (!buffer.writable()) return false;
  buffer.ReplaceSelection(text, true, true);
  buffer.goal = buffer.caret();
  fullRedraw = true;
  FollowCaret();
  buffer.NotifyChange(kChangeSetSelText);
  return true;
}

}  // namespace kore::editor
