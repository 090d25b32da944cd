#include "editor/char_class.h"

#include "base/shift_jis.h"

namespace kore::editor {

int32_t CharClassOf(uint8_t b, uint8_t next) {
  if ((b >= 'a' && b <= 'z') || (b >= 'A' && b <= 'Z')) return 0;
  if (b >= '0' && b <= '9') return 1;
  if (b == '_') return 12;
  if (b >= 0xA1 && b <= 0xDF) return 10;
  if (!IsSjisLeadByte(b)) return 2;
  switch (b) {
    case 0x81:
      return (next == 0x5B || next == 0x7C) ? 11 : 8;
    case 0x82:
      if (next >= 0x9F && next <= 0xF1) return 3;
      if (next >= 0x60 && next <= 0x9A) return 6;
      if (next >= 0x4F && next <= 0x58) return 7;
      return 2;
    case 0x83:
      if (next >= 0x40 && next <= 0x96) return 4;
      if (next >= 0x9F && next <= 0xF0) return 8;
      return 2;
    case 0x84: case 0x85: case 0x86: case 0x87:
      return 8;
    default:
      return 5;  // 0x88-0x9F, 0xE0-0xFC
  }
}

int32_t CharClassAt(std::string_view line, int32_t offset) {
  if (offset < 0 || offset >= static_cast<int32_t>(line.size())) return kNoCharClass;
  uint8_t next = offset + 1 < static_cast<int32_t>(line.size())
                     ? static_cast<uint8_t>(line[offset + 1]) : 0;
  return CharClassOf(static_cast<uint8_t>(line[offset]), next);
}

int32_t CharLengthAt(std::string_view line, int32_t offset) {
  int32_t size = static_cast<int32_t>(line.size());
  if (offset < 0 || offset >= size) return 0;
  return (IsSjisLeadByte(line[offset]) && offset + 1 < size) ? 2 : 1;
}

int32_t PrevCharStart(std::string_view line, int32_t offset) {
  int32_t i = 0;
  int32_t prev = 0;
  while (i < offset) {
    prev = i;
    i += CharLengthAt(line, i);
  }
  return prev;
}

int32_t AlignToCharStart(std::string_view line, int32_t offset) {
  int32_t i = 0;
  while (i < offset) {
    int32_t n = CharLengthAt(line, i);
    if (n == 0 || i + n > offset) break;
    i += n;
  }
  return i;
}

int32_t ColumnOfOffset(std::string_view line, int32_t offset, int32_t tabWidth) {
  int32_t column = 0;
  int32_t i = 0;
  int32_t end = offset < static_cast<int32_t>(line.size()) ? offset
                                                            : static_cast<int32_t>(line.size());
  while (i < end) {
    if (line[i] == '\t') {
      column = NextTabStop(column, tabWidth);
      ++i;
    } else {
      int32_t n = CharLengthAt(line, i);
      column += n;
      i += n;
    }
  }
  return column;
}

int32_t OffsetOfColumn(std::string_view line, int32_t column, int32_t tabWidth) {
  int32_t col = 0;
  int32_t i = 0;
  int32_t size = static_cast<int32_t>(line.size());
  while (i < size && col < column) {
    int32_t n = CharLengthAt(line, i);
    int32_t nextCol = line[i] == '\t' ? NextTabStop(col, tabWidth) : col + n;
    if (nextCol > column) break;  // this character spans the column
    col = nextCol;
    i += n;
  }
  return i;
}

void LayOutWrapped(std::string_view line, int32_t width, int32_t tabWidth, WrapLayout& out) {
  width = width < 2 ? 2 : width;
  out.cells.clear();
  out.rowStarts.assign(1, 0);
  int32_t size = static_cast<int32_t>(line.size());
  int32_t row = 0;
  int32_t column = 0;
  for (int32_t i = 0; i < size;) {
    int32_t n = CharLengthAt(line, i);
    bool tab = line[i] == '\t';
    int32_t w = tab ? NextTabStop(column, tabWidth) - column : n;
    if (column + (tab ? 1 : w) > width && column > 0) {
      ++row;
      column = 0;
      out.rowStarts.push_back(i);
      if (tab) w = NextTabStop(0, tabWidth);
    }
    if (tab && column + w > width) w = width - column;
    out.cells.push_back({i, row, column, w});
    column += w;
    i += n;
  }
  if (column >= width && size > 0) {
    ++row;
    column = 0;
    out.rowStarts.push_back(size);
  }
  out.endRow = row;
  out.endColumn = column;
}

int32_t CountWrappedRows(std::string_view line, int32_t width, int32_t tabWidth) {
  WrapLayout layout;
  LayOutWrapped(line, width, tabWidth, layout);
  return layout.rows();
}

namespace {

bool IsLetter(int32_t c) { return c == 0; }
bool IsKana(int32_t c) { return c == 3 || c == 4; }

// Whether a character of class `next` continues a run that began with class `first` and whose
// last character had class `last`.
bool Joins(int32_t first, int32_t last, int32_t next, bool joinLettersDigits) {
  if (next == 2 || next == 8 || last == 2 || last == 8) return false;
  if (next == last) return true;
  if (next == 12 && (IsLetter(first) || first == 12)) return true;  // "_" joins letters
  if (IsLetter(next) && (first == 12 || IsLetter(first))) return true;
  if (joinLettersDigits && (next == 0 || next == 1) && (first == 0 || first == 1 || first == 12))
    return true;
  if (next == 11 && IsKana(last)) return true;  // long vowel mark after kana
  if (IsKana(next) && last == 11 && IsKana(first)) return true;
  return false;
}

}  // namespace

WordRange WordAt(std::string_view line, int32_t offset, bool joinLettersDigits) {
  int32_t size = static_cast<int32_t>(line.size());
  WordRange result;
  if (size == 0) return result;
  if (offset >= size) offset = size - 1;
  offset = AlignToCharStart(line, offset);
  int32_t i = 0;
  while (i < size) {
    int32_t begin = i;
    int32_t first = CharClassAt(line, i);
    int32_t last = first;
    i += CharLengthAt(line, i);
    while (i < size) {
      int32_t next = CharClassAt(line, i);
      if (!Joins(first, last, next, joinLettersDigits)) break;
      last = next;
      i += CharLengthAt(line, i);
    }
    if (offset >= begin && offset < i) {
      result.begin = begin;
      result.end = i;
      return result;
    }
  }
  result.begin = result.end = size;
  return result;
}

}  // namespace kore::editor
