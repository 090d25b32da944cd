#pragma once
// The text of one editor instance: a doubly linked list of Shift-JIS lines, edited only through
// two primitives (insert at a point, delete the selection), every edit recorded in a bounded
// undo list, every change reported to a listener. No GUI dependency, so it can be driven and
// measured on its own; the widget wraps it.
#include <compare>
#include <cstdint>
#include <deque>
#include <string>
#include <string_view>

namespace kore::editor {

constexpr int32_t kEmphasisSlots = 5;

struct LineNode {
  LineNode* next = nullptr;
  LineNode* prev = nullptr;
  uint32_t mark = 0;
  // Multi-line emphasis rules open when the line begins, opened and closed on the line as last
  // drawn (rule indices in opening order, -1 = empty slot).
  int32_t openAtStart[kEmphasisSlots] = {-1, -1, -1, -1, -1};
  int32_t openedHere[kEmphasisSlots] = {-1, -1, -1, -1, -1};
  int32_t closedHere[kEmphasisSlots] = {-1, -1, -1, -1, -1};
  std::string text;  // never holds CR or LF
  int32_t rows = 1;  // screen rows while wrapping, else 1

  int32_t length() const { return static_cast<int32_t>(text.size()); }
  void ClearEmphasis();
};

// How lines are separated: the code of the first line end of the text last set.
enum LineCode : int32_t { kLineCodeCrLf = 1, kLineCodeCr = 2, kLineCodeLf = 3 };
// Separator choice for GetText: the three codes above, or the text's own.
constexpr int32_t kLineCodeOwn = 4;

// 1-based line and byte position; position 1 is before the first byte.
struct TextPoint {
  int32_t line = 0;
  int32_t pos = 0;
  friend auto operator<=>(const TextPoint&, const TextPoint&) = default;
};

struct TextUndoRecord {
  bool reinsertOnly = false;
  int32_t startPos = 0, startLine = 0;
  int32_t afterPos = 0, afterLine = 0;
  int32_t deletedEndPos = 0, deletedEndLine = 0;
  bool caretAtStart = false;
  bool chained = false;  // same user action as the next older record
  std::string insertedText;
  std::string deletedText;
};

// Codes of the change notification.
enum ChangeCode : int32_t {
  kChangeTyped = 0, kChangeImeResult = 1, kChangeEnter = 2, kChangeBackspace = 3,
  kChangeDelete = 4, kChangePaste = 5, kChangeCut = 6, kChangeUndo = 7, kChangeRedo = 8,
  kChangeTab = 9, kChangeSetSelText = 10, kChangeSetText = 11, kChangeIndent = 12,
  kChangeUnindent = 13, kChangeDragDrop = 14,
};
// How the caret was moved.
enum CaretMoveCode : int32_t {
  kCaretByCall = 0, kCaretByKeyboard = 1, kCaretByMouse = 2, kCaretByDragDrop = 3,
};

class TextBufferListener {
 public:
  virtual ~TextBufferListener() = default;
  virtual void TextChanged(int32_t /*code*/) {}
  virtual void CaretMoved(int32_t /*how*/) {}
  virtual void SelectionChanged() {}
};

struct Selection {
  TextPoint a, b;
  bool aIsStart = true;
  bool active = false;
  TextPoint start() const { return aIsStart ? a : b; }
  TextPoint end() const { return aIsStart ? b : a; }
};

class TextBuffer {
 public:
  static constexpr int32_t kUndoLimit = 256;

  TextBuffer();
  ~TextBuffer();
  TextBuffer(const TextBuffer&) = delete;
  TextBuffer& operator=(const TextBuffer&) = delete;

  void SetListener(TextBufferListener* listener) { listener_ = listener; }

  // ---- lines
  int32_t LineCount() const { return lineCount_; }
  LineNode* FirstLine() const { return first_; }
  LineNode* LastLine() const { return last_; }
  // Null outside 1..LineCount(); never walks past the list.
  LineNode* LineAt(int32_t line) const;
  // -4 outside 1..LineCount().
  int32_t LineLength(int32_t line) const;
  int32_t lineCode() const { return lineCode_; }
  // Length with every line end counted as two bytes.
  int32_t TextLength() const;
  // Lines joined by the separator of `code` (1 CR LF, 2 CR, 3 LF, 4 own code, else none).
  std::string GetText(int32_t code) const;
  // Text between two points (a <= b), line ends as CR LF.
  std::string TextBetween(TextPoint a, TextPoint b) const;
  std::string SelectedText() const;

  // ---- whole-text operations
  // Frees every line, one empty line, no selection, caret (1, 1), empty undo list; caret-move 0.
  void Reset();
  // -1 success, -7 read-only, -3 out of memory. Not recorded for undo.
  int32_t SetText(std::string_view text);

  // ---- the two primitives and their combination
  // Inserts at (line, byte offset); `end` receives the point after the inserted text. False when
  // read-only, the point is invalid or memory runs out (the lines built so far stay).
  bool Insert(TextPoint at, std::string_view text, bool takeLineCode, TextPoint* end = nullptr);
  // Deletes the active selection. With `record` a record is pushed even without a selection
  // (start = end = caret) and then false is returned.
  bool DeleteSelection(bool record);
  // Deletes the selection, inserts the text at the caret; the same record holds both.
  bool ReplaceSelection(std::string_view text, bool record, bool moveCaret);
  // Deletes [a, b) as if it were selected, without a selection-change notification (the
  // editing keys delete characters the user never selected).
  bool DeleteRange(TextPoint a, TextPoint b, bool record);
  // Selects [a, b) silently; the next DeleteSelection sends no selection-change notification.
  void SelectQuietly(TextPoint a, TextPoint b);

  // ---- undo
  bool Undo();
  bool Redo();
  int32_t UndoSteps() const { return done_; }
  int32_t RedoSteps() const { return static_cast<int32_t>(undo_.size()) - done_; }
  // The record of the latest edit (to adjust its flags), null when none has been made.
  TextUndoRecord* NewestRecord();
  void ClearUndo();

  // ---- caret and selection
  TextPoint caret() const { return caret_; }
  // Moves the caret to a valid point (clamped), no notification.
  void PlaceCaret(TextPoint p);
  const Selection& selection() const { return sel_; }
  bool HasSelection() const { return sel_.active; }
  // Selects from `a` to `b` (both clamped); equal points clear the selection.
  void Select(TextPoint a, TextPoint b);
  void ClearSelection();  // sends the selection-change notification when one was active
  bool IsValidPoint(TextPoint p) const;
  TextPoint Clamp(TextPoint p) const;
  TextPoint EndOfText() const { return {lineCount_, last_->length() + 1}; }

  // Through position: offset in the whole text, every line end two bytes, plus the position.
  int32_t ThroughOf(TextPoint p) const;
  // False when the through position lies past the end of the text or below 1.
  bool PointOfThrough(int32_t through, TextPoint* p) const;

  bool writable() const { return writable_; }
  void SetWritable(bool on) { writable_ = on; }

  // ---- notifications (also used by the commands layered on top)
  void NotifyChange(int32_t code) { if (listener_) listener_->TextChanged(code); }
  void NotifyCaret(int32_t how) { if (listener_) listener_->CaretMoved(how); }
  void NotifySelection() { if (listener_) listener_->SelectionChanged(); }

  // Set whenever the line structure changed; the renderer recomputes emphasis state then.
  bool structureChanged = false;
  // Grows with every change of the text, so a drawn picture can tell whether it is current.
  uint64_t revision() const { return revision_; }
  // Remembered position for vertical movement.
  TextPoint goal{1, 1};

 private:
  uint64_t revision_ = 0;
  TextUndoRecord& PushRecord();
  void ApplyUndo(const TextUndoRecord& r);
  void ApplyRedo(const TextUndoRecord& r);
  void FreeLines();
  void Unlink(LineNode* node);
  void Remember(int32_t line, LineNode* node) const;

  LineNode* first_ = nullptr;
  LineNode* last_ = nullptr;
  int32_t lineCount_ = 0;
  int32_t lineCode_ = kLineCodeCrLf;
  TextPoint caret_{1, 1};
  Selection sel_;
  bool writable_ = true;
  bool quietSelection_ = false;
  TextBufferListener* listener_ = nullptr;
  // One remembered (line number, node) pair so that nearby lines are found without walking.
  mutable int32_t cacheLine_ = 1;
  mutable LineNode* cacheNode_ = nullptr;
  // Oldest first; records [0, done_) can be undone, [done_, size) redone.
  std::deque<TextUndoRecord> undo_;
  int32_t done_ = 0;
};

// Point after `text` inserted at `at`: lines grow by the number of line ends.
TextPoint PointAfter(TextPoint at, std::string_view text);

// Finds the first line end in text[from..]: returns its offset (or npos) and its code and size.
struct LineEnd {
  size_t offset = std::string_view::npos;
  int32_t code = 0;
  int32_t size = 0;
};
LineEnd FindLineEnd(std::string_view text, size_t from);

}  // namespace kore::editor
