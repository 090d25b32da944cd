#include "editor/text_buffer.h"

#include <algorithm>
#include <cstdlib>
#include <new>

#include "editor/char_class.h"
#include "editor/penna.h"

namespace kore::editor {

void LineNode::ClearEmphasis() {
  std::fill(std::begin(openAtStart), std::end(openAtStart), -1);
  std::fill(std::begin(openedHere), std::end(openedHere), -1);
  std::fill(std::begin(closedHere), std::end(closedHere), -1);
}

LineEnd FindLineEnd(std::string_view text, size_t from) {
  LineEnd result;
  const char* data = text.data();
  size_t size = text.size();
  for (size_t i = from; i < size; ++i) {
    char c = data[i];
    if (c == '\r') {
      result.offset = i;
      if (i + 1 < size && data[i + 1] == '\n') {
        result.code = kLineCodeCrLf;
        result.size = 2;
      } else {
        result.code = kLineCodeCr;
        result.size = 1;
      }
      return result;
    }
    if (c == '\n') {
      result.offset = i;
      result.code = kLineCodeLf;
      result.size = 1;
      return result;
    }
  }
  return result;
}

TextPoint PointAfter(TextPoint at, std::string_view text) {
  size_t pos = 0;
  int32_t lines = 0;
  size_t lastStart = 0;
  for (;;) {
    LineEnd end = FindLineEnd(text, pos);
    if (end.offset == std::string_view::npos) break;
    ++lines;
    pos = end.offset + end.size;
    lastStart = pos;
  }
  if (lines == 0) return {at.line, at.pos + static_cast<int32_t>(text.size())};
  return {at.line + lines, static_cast<int32_t>(text.size() - lastStart) + 1};
}

TextBuffer::TextBuffer() {
  first_ = last_ = new LineNode;
  lineCount_ = 1;
  cacheNode_ = first_;
}

TextBuffer::~TextBuffer() { FreeLines(); }

void TextBuffer::FreeLines() {
  LineNode* node = first_;
  while (node) {
    LineNode* next = node->next;
    delete node;
    node = next;
  }
  first_ = last_ = cacheNode_ = nullptr;
  lineCount_ = 0;
}

void TextBuffer::Remember(int32_t line, LineNode* node) const {
  cacheLine_ = line;
  cacheNode_ = node;
}

LineNode* TextBuffer::LineAt(int32_t line) const {
  if (line < 1 || line > lineCount_) return nullptr;
  // Walk from whichever known node is nearest: the first, the last or the remembered one.
  LineNode* node = first_;
  int32_t at = 1;
  int32_t best = line - 1;
  if (lineCount_ - line < best) {
    node = last_;
    at = lineCount_;
    best = lineCount_ - line;
  }
  if (cacheNode_ && std::abs(cacheLine_ - line) < best) {
    node = cacheNode_;
    at = cacheLine_;
  }
  while (at < line) {
    node = node->next;
    ++at;
  }
  while (at > line) {
    node = node->prev;
    --at;
  }
  Remember(line, node);
  return node;
}

int32_t TextBuffer::LineLength(int32_t line) const {
  const LineNode* node = LineAt(line);
  return node ? node->length() : PENNA_E_ARGUMENT;
}

int32_t TextBuffer::TextLength() const {
  int64_t total = 0;
  for (const LineNode* n = first_; n; n = n->next) total += n->length() + 2;
  return static_cast<int32_t>(total - 2);
}

std::string TextBuffer::GetText(int32_t code) const {
  if (code == kLineCodeOwn) code = lineCode_;
  std::string_view separator;
  switch (code) {
    case kLineCodeCrLf: separator = "\r\n"; break;
    case kLineCodeCr: separator = "\r"; break;
    case kLineCodeLf: separator = "\n"; break;
    default: break;
  }
  std::string out;
  out.reserve(static_cast<size_t>(TextLength()) + 1);
  for (const LineNode* n = first_; n; n = n->next) {
    out += n->text;
    if (n->next) out += separator;
  }
  return out;
}

std::string TextBuffer::TextBetween(TextPoint a, TextPoint b) const {
  std::string out;
  const LineNode* node = LineAt(a.line);
  if (!node || b < a) return out;
  if (a.line == b.line) return node->text.substr(a.pos - 1, b.pos - a.pos);
  out = node->text.substr(a.pos - 1);
  for (int32_t line = a.line + 1; line <= b.line && node->next; ++line) {
    node = node->next;
    out += "\r\n";
    if (line == b.line) {
      out.append(node->text, 0, b.pos - 1);
    } else {
      out += node->text;
    }
  }
  return out;
}

std::string TextBuffer::SelectedText() const {
  if (!sel_.active) return {};
  return TextBetween(sel_.start(), sel_.end());
}

void TextBuffer::Reset() {
  ++revision_;
  FreeLines();
  first_ = last_ = new LineNode;
  lineCount_ = 1;
  Remember(1, first_);
  sel_ = Selection{};
  caret_ = goal = {1, 1};
  ClearUndo();
  structureChanged = true;
  NotifyCaret(kCaretByCall);
}

int32_t TextBuffer::SetText(std::string_view text) {
  if (!writable_) return PENNA_E_READONLY;
  Reset();
  if (!Insert({1, 1}, text, true)) return PENNA_E_NOMEMORY;
  return PENNA_OK;
}

bool TextBuffer::Insert(TextPoint at, std::string_view text, bool takeLineCode, TextPoint* end) {
  if (!writable_) return false;
  LineNode* node = LineAt(at.line);
  if (!node || at.pos < 1 || at.pos > node->length() + 1) return false;
  ++revision_;
  size_t offset = static_cast<size_t>(at.pos - 1);
  LineEnd lineEnd = FindLineEnd(text, 0);
  if (lineEnd.offset == std::string_view::npos) {
    try {
      node->text.insert(offset, text);
    } catch (const std::bad_alloc&) {
      return false;
    }
    if (end) *end = {at.line, at.pos + static_cast<int32_t>(text.size())};
    return true;
  }

  // The tail after the insertion point moves to the last new line. New lines are built and
  // linked one by one; nothing else runs in between, so no other input sees a half-built list.
  std::string tail;
  LineNode* current = node;
  int32_t currentLine = at.line;
  bool tailPlaced = false;
  try {
    tail = node->text.substr(offset);
    node->text.resize(offset);
    node->text.append(text.substr(0, lineEnd.offset));
    if (takeLineCode) lineCode_ = lineEnd.code;
    size_t pos = lineEnd.offset + static_cast<size_t>(lineEnd.size);
    for (;;) {
      LineEnd next = FindLineEnd(text, pos);
      auto* fresh = new LineNode;
      fresh->prev = current;
      fresh->next = current->next;
      if (current->next) {
        current->next->prev = fresh;
      } else {
        last_ = fresh;
      }
      current->next = fresh;
      ++lineCount_;
      current = fresh;
      ++currentLine;
      if (next.offset == std::string_view::npos) {
        fresh->text.reserve(text.size() - pos + tail.size());
        fresh->text.append(text.substr(pos));
        fresh->text.append(tail);
        tailPlaced = true;
        break;
      }
      fresh->text.assign(text.substr(pos, next.offset - pos));
      pos = next.offset + static_cast<size_t>(next.size);
    }
  } catch (const std::bad_alloc&) {
    // Keep what was built and put the cut-off tail back so no existing text is lost.
    if (!tailPlaced) {
      try {
        current->text.append(tail);
      } catch (const std::bad_alloc&) {
      }
    }
    structureChanged = true;
    Remember(at.line, node);
    return false;
  }
  structureChanged = true;
  Remember(currentLine, current);
  if (end) *end = {currentLine, current->length() - static_cast<int32_t>(tail.size()) + 1};
  return true;
}

void TextBuffer::Unlink(LineNode* node) {
  if (node->prev) {
    node->prev->next = node->next;
  } else {
    first_ = node->next;
  }
  if (node->next) {
    node->next->prev = node->prev;
  } else {
    last_ = node->prev;
  }
  --lineCount_;
  delete node;
}

TextUndoRecord& TextBuffer::PushRecord() {
  undo_.erase(undo_.begin() + done_, undo_.end());
  undo_.emplace_back();
  if (static_cast<int32_t>(undo_.size()) > kUndoLimit) undo_.pop_front();
  done_ = static_cast<int32_t>(undo_.size());
  return undo_.back();
}

TextUndoRecord* TextBuffer::NewestRecord() { return undo_.empty() ? nullptr : &undo_.back(); }

void TextBuffer::ClearUndo() {
  undo_.clear();
  done_ = 0;
}

bool TextBuffer::DeleteSelection(bool record) {
  if (!writable_) return false;
  ++revision_;
  if (!sel_.active) {
    if (record) {
      TextUndoRecord& r = PushRecord();
      r.startLine = r.deletedEndLine = r.afterLine = caret_.line;
      r.startPos = r.deletedEndPos = r.afterPos = caret_.pos;
    }
    return false;
  }
  TextPoint s = sel_.start();
  TextPoint e = sel_.end();
  if (record) {
    TextUndoRecord& r = PushRecord();
    r.deletedText = TextBetween(s, e);
    r.startLine = s.line;
    r.startPos = s.pos;
    r.deletedEndLine = r.afterLine = e.line;
    r.deletedEndPos = r.afterPos = e.pos;
  }
  LineNode* first = LineAt(s.line);
  if (s.line == e.line) {
    first->text.erase(static_cast<size_t>(s.pos - 1), static_cast<size_t>(e.pos - s.pos));
  } else {
    LineNode* node = first->next;
    for (int32_t line = s.line + 1; line < e.line; ++line) {
      LineNode* next = node->next;
      Unlink(node);
      node = next;
    }
    first->text.resize(static_cast<size_t>(s.pos - 1));
    first->text.append(node->text, static_cast<size_t>(e.pos - 1));
    Unlink(node);
    structureChanged = true;
  }
  Remember(s.line, first);
  sel_ = Selection{};
  if (!quietSelection_) NotifySelection();
  quietSelection_ = false;
  caret_ = Clamp(s);
  return true;
}

bool TextBuffer::ReplaceSelection(std::string_view text, bool record, bool moveCaret) {
  if (!writable_) return false;
  DeleteSelection(record);
  TextPoint end;
  bool ok = Insert(caret_, text, false, &end);
  if (!ok) end = caret_;
  if (record) {
    TextUndoRecord* r = NewestRecord();
    r->insertedText.assign(text);
    r->reinsertOnly = false;
    r->afterLine = end.line;
    r->afterPos = end.pos;
  }
  if (moveCaret) caret_ = end;
  return ok;
}

void TextBuffer::ApplyUndo(const TextUndoRecord& r) {
  TextPoint start{r.startLine, r.startPos};
  if (r.reinsertOnly) {
    sel_ = Selection{};
    caret_ = Clamp(start);
    TextPoint end;
    if (!Insert(caret_, r.deletedText, false, &end)) end = caret_;
    caret_ = r.caretAtStart ? start : end;
  } else {
    SelectQuietly(start, {r.afterLine, r.afterPos});
    if (!sel_.active) caret_ = Clamp(start);
    ReplaceSelection(r.deletedText, false, true);
  }
}

void TextBuffer::ApplyRedo(const TextUndoRecord& r) {
  TextPoint start{r.startLine, r.startPos};
  SelectQuietly(start, {r.deletedEndLine, r.deletedEndPos});
  if (!sel_.active) caret_ = Clamp(start);
  if (r.reinsertOnly) {
    DeleteSelection(false);
  } else {
    ReplaceSelection(r.insertedText, false, true);
  }
}

bool TextBuffer::Undo() {
  if (!writable_ || done_ == 0) return false;
  for (;;) {
    const TextUndoRecord& r = undo_[static_cast<size_t>(--done_)];
    ApplyUndo(r);
    if (!r.chained || done_ == 0) break;
  }
  goal = caret_;
  NotifyChange(kChangeUndo);
  NotifyCaret(kCaretByCall);
  return true;
}

bool TextBuffer::Redo() {
  if (!writable_ || done_ >= static_cast<int32_t>(undo_.size())) return false;
  for (;;) {
    ApplyRedo(undo_[static_cast<size_t>(done_++)]);
    if (done_ >= static_cast<int32_t>(undo_.size()) || !undo_[static_cast<size_t>(done_)].chained)
      break;
  }
  goal = caret_;
  NotifyChange(kChangeRedo);
  NotifyCaret(kCaretByCall);
  return true;
}

bool TextBuffer::IsValidPoint(TextPoint p) const {
  const LineNode* node = LineAt(p.line);
  return node && p.pos >= 1 && p.pos <= node->length() + 1;
}

TextPoint TextBuffer::Clamp(TextPoint p) const {
  p.line = std::clamp(p.line, 1, lineCount_);
  const LineNode* node = LineAt(p.line);
  p.pos = std::clamp(p.pos, 1, node->length() + 1);
  p.pos = AlignToCharStart(node->text, p.pos - 1) + 1;
  return p;
}

void TextBuffer::PlaceCaret(TextPoint p) { caret_ = Clamp(p); }

void TextBuffer::Select(TextPoint a, TextPoint b) {
  a = Clamp(a);
  b = Clamp(b);
  if (a == b) {
    sel_ = Selection{};
    return;
  }
  sel_.a = a;
  sel_.b = b;
  sel_.aIsStart = a < b;
  sel_.active = true;
  quietSelection_ = false;
}

void TextBuffer::SelectQuietly(TextPoint a, TextPoint b) {
  Select(a, b);
  quietSelection_ = sel_.active;
}

bool TextBuffer::DeleteRange(TextPoint a, TextPoint b, bool record) {
  if (!writable_) return false;
  SelectQuietly(a, b);
  return DeleteSelection(record);
}

void TextBuffer::ClearSelection() {
  quietSelection_ = false;
  bool was = sel_.active;
  sel_ = Selection{};
  if (was) NotifySelection();
}

int32_t TextBuffer::ThroughOf(TextPoint p) const {
  int64_t through = p.pos;
  const LineNode* node = first_;
  for (int32_t line = 1; line < p.line && node; ++line, node = node->next) {
    through += node->length() + 2;
  }
  return static_cast<int32_t>(through);
}

bool TextBuffer::PointOfThrough(int32_t through, TextPoint* p) const {
  if (through < 1) return false;
  int64_t rest = through;
  int32_t line = 1;
  for (const LineNode* node = first_; node; node = node->next, ++line) {
    if (rest <= node->length() + 1) {
      *p = Clamp({line, static_cast<int32_t>(rest)});
      return true;
    }
    rest -= node->length() + 2;
    if (rest < 1) {  // inside the two bytes of a line end: the end of that line
      *p = {line, node->length() + 1};
      return node->next != nullptr;
    }
  }
  return false;
}

}  // namespace kore::editor
