#pragma once
// Byte-level helpers for Shift-JIS lines: character classes, character boundaries, screen
// columns (tabs expanded, a two-byte character two columns) and word runs.
#include <cstdint>
#include <string_view>
#include <vector>

namespace kore::editor {

// Class of the character whose first byte is `b` and whose next byte is `next` (0 at the end).
// Equal classes form one word; 13 stands for "no character" before a line start.
int32_t CharClassOf(uint8_t b, uint8_t next);
int32_t CharClassAt(std::string_view line, int32_t offset);
constexpr int32_t kNoCharClass = 13;

// 2 for a lead byte with a following byte, else 1; 0 at or past the end.
int32_t CharLengthAt(std::string_view line, int32_t offset);
// Start offset of the character that ends at `offset` (scans from the line start, since
// Shift-JIS cannot be walked backwards reliably). 0 for offset 0.
int32_t PrevCharStart(std::string_view line, int32_t offset);
// Moves `offset` back to a character start when it falls on a trail byte.
int32_t AlignToCharStart(std::string_view line, int32_t offset);

// 0-based screen column of the byte offset; tab stops every `tabWidth` columns.
int32_t ColumnOfOffset(std::string_view line, int32_t offset, int32_t tabWidth);
// Byte offset whose column equals `column`; a tab or two-byte character spanning it gives the
// offset before it; a short line gives its length.
int32_t OffsetOfColumn(std::string_view line, int32_t column, int32_t tabWidth);
// Screen column reached after a tab that starts at `column`.
inline int32_t NextTabStop(int32_t column, int32_t tabWidth) {
  return (column / tabWidth + 1) * tabWidth;
}

// Where each character of a wrapped line goes: its screen row within the line and its column
// within that row. Rows hold `width` columns; a character never straddles two rows (a tab ends
// at the row's edge); a full last row is followed by an empty row for the line end.
struct WrapCell {
  int32_t offset = 0;
  int32_t row = 0;
  int32_t column = 0;
  int32_t width = 1;
};
struct WrapLayout {
  std::vector<WrapCell> cells;  // one per character, in order
  std::vector<int32_t> rowStarts;  // byte offset of each row's first character
  int32_t endRow = 0;              // where the line end goes
  int32_t endColumn = 0;
  int32_t rows() const { return static_cast<int32_t>(rowStarts.size()); }
};
void LayOutWrapped(std::string_view line, int32_t width, int32_t tabWidth, WrapLayout& out);
int32_t CountWrappedRows(std::string_view line, int32_t width, int32_t tabWidth);

// The word run containing the byte at `offset`: [begin, end) byte offsets. `joinLettersDigits`
// makes letters and digits one word.
struct WordRange {
  int32_t begin = 0;
  int32_t end = 0;
};
WordRange WordAt(std::string_view line, int32_t offset, bool joinLettersDigits);

}  // namespace kore::editor
