#pragma once
// One editor instance: a Qt widget over EditorCore that draws the text with emphasis, marks,
// line numbers and ruler into an off-screen image, takes keys, input-method text, mouse, wheel,
// scroll bars and text drag and drop, and reports every change to its parent (as a
// PennaMessageEvent) and to the registered callbacks. The flat interface (penna.h) drives it.
#include <QAbstractScrollArea>
#include <QBasicTimer>
#include <QFont>
#include <QImage>
#include <QRawFont>
#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "editor/char_class.h"
#include "editor/editor_core.h"
#include "editor/emphasis.h"
#include "editor/penna.h"

class QPainter;

namespace kore {

// Colour indices of PennaSetColor (the numbers of penna.h).
enum PennaColour : int32_t {
  kColourTabMark = PENNA_COLOR_TAB_MARK,
  kColourSpaceMark = PENNA_COLOR_SPACE_MARK,
  kColourWideSpaceMark = PENNA_COLOR_WIDE_SPACE_MARK,
  kColourCaretUnderline = PENNA_COLOR_CARET_UNDERLINE,
  kColourLineEndMark = PENNA_COLOR_LINE_END_MARK,
  kColourEofMark = PENNA_COLOR_EOF_MARK,
  kColourText = PENNA_COLOR_TEXT,
  kColourLineNumber = PENNA_COLOR_LINE_NUMBER,
  kColourSeparator = PENNA_COLOR_SEPARATOR,
  kColourCaretNumberBack = PENNA_COLOR_CARET_NUMBER_BACK,
  kColourRulerNumber = PENNA_COLOR_RULER_NUMBER,
  kColourRulerBack = PENNA_COLOR_RULER_BACK,
  kColourRulerTick = PENNA_COLOR_RULER_TICK,
  kColourRulerCaret = PENNA_COLOR_RULER_CARET,
  kColourWebText = PENNA_COLOR_WEB_TEXT,
  kColourMailText = PENNA_COLOR_MAIL_TEXT,
  kColourHighlightText = PENNA_COLOR_HIGHLIGHT_TEXT,
  kColourHighlightBack = PENNA_COLOR_HIGHLIGHT_BACK,
  kColourBackground = PENNA_COLOR_BACKGROUND,
  kColourWebUnderline = PENNA_COLOR_WEB_UNDERLINE,
  kColourMailUnderline = PENNA_COLOR_MAIL_UNDERLINE,
  kColourCount = PENNA_COLOR_COUNT
};
// Mark kinds of PennaSetMarkVisible.
enum PennaMark : int32_t {
  kMarkTab = PENNA_MARK_TAB,
  kMarkSpace = PENNA_MARK_SPACE,
  kMarkWideSpace = PENNA_MARK_WIDE_SPACE,
  kMarkCaretUnderline = PENNA_MARK_CARET_UNDERLINE,
  kMarkLineEnd = PENNA_MARK_LINE_END,
  kMarkEof = PENNA_MARK_EOF,
  kMarkCount = PENNA_MARK_COUNT
};
// Where the mouse is, as reported by the mouse-move notification.
enum MouseWhere : int32_t {
  kMouseText, kMouseMargin, kMouseRuler, kMouseSelectingChars, kMouseSelectingLines,
  kMouseWebAddress, kMouseMailAddress,
};

inline constexpr char kPennaWindowClass[] = "PennaTextEidtorControlForWin32";

class PennaEditor : public QAbstractScrollArea, private editor::TextBufferListener {
  Q_OBJECT

 public:
  PennaEditor(int32_t id, QWidget* parent);
  ~PennaEditor() override;

  int32_t id() const { return id_; }
  editor::EditorCore& core() { return core_; }
  editor::TextBuffer& buffer() { return core_.buffer; }

  // ---- the operations behind the flat interface; results are its codes
  int32_t SetText(const char* text);
  std::string GetText(int32_t lineCode) const { return core_.buffer.GetText(lineCode); }
  int32_t Copy();
  int32_t Cut();
  int32_t Paste();
  int32_t Undo();
  int32_t Redo();
  int32_t Indent();
  int32_t Unindent();
  int32_t SelectAll();
  int32_t SetSelText(const char* text);
  int32_t SetSelA(int32_t startLine, int32_t startPos, int32_t endLine, int32_t endPos);
  int32_t GetSelA(int32_t* startLine, int32_t* startPos, int32_t* endLine, int32_t* endPos) const;
  int32_t SetSelB(int32_t start, int32_t end);
  int32_t GetSelB(int32_t* start, int32_t* end) const;
  int32_t SetCaretLine(int32_t line);
  int32_t SetCaretPos(int32_t pos);
  int32_t SetCaretThrough(int32_t through);
  int32_t SetMark(int32_t line, uint32_t mark, bool redraw);
  int32_t GetMark(int32_t line) const;
  int32_t SetHighlight(const char* text, bool caseSensitive, bool redraw);
  int32_t AddEmphasis(const char* begin, const char* end, int32_t type, uint32_t colour,
                      uint32_t flags, int32_t level, int32_t innerLevel);
  int32_t ResetEmphasis(bool redraw);
  int32_t FontDialog(char* faceName, bool redraw);
  int32_t SetFontFace(const char* faceName, int32_t points, bool redraw);
  int32_t SetColour(int32_t index, uint32_t colour, bool redraw);
  int32_t SetMarkVisible(int32_t kind, bool visible, bool redraw);
  int32_t SetMetric(int32_t index, int32_t value, bool redraw);
  int32_t GetMetric(int32_t index) const;
  int32_t WriteEnable(bool writable);
  int32_t SetLapel(bool wrap, int32_t column, bool redraw);
  void SetEditorVisible(bool visible);
  void SetPos(int32_t x, int32_t y, int32_t width, int32_t height);
  void SetCodeCallback(int32_t message, PennaCodeProc callback, intptr_t param);
  void SetNotifyCallback(int32_t message, PennaNotifyProc callback, intptr_t param);
  static void SetCursorIds(int32_t marginCursor, int32_t linkCursor);
  // Qt cursor shapes standing in for the cursor resources; -1 until set.
  static int32_t MarginCursorId();
  static int32_t LinkCursorId();

  // Draws lines first..last (1-based) into the off-screen image, or everything for -1, and
  // schedules the copy to the screen. Nothing is drawn while the instance is hidden.
  void Draw(int32_t first = -1, int32_t last = -1);
  // The off-screen image as last drawn (what the window shows, before the caret).
  const QImage& image() const { return image_; }

  int32_t charWidth() const { return charWidth_; }
  int32_t charHeight() const { return charHeight_; }
  int32_t rowHeight() const { return charHeight_ + lineSpacing_; }
  int32_t marginWidth() const { return marginWidth_; }
  int32_t rulerHeight() const { return rulerHeight_; }
  uint32_t colour(int32_t index) const { return colours_[static_cast<size_t>(index)]; }
  // Top-left pixel of the text cell at (line, 0-based screen column); -1, -1 when off the page.
  QPoint CellOrigin(int32_t line, int32_t column) const;
  // Top-left pixel of the cell a text point is drawn at (wrapping included); -1, -1 off the page.
  QPoint PointOrigin(editor::TextPoint point) const;
  // The text point under a pixel of the viewport (rows below the text map to the last line).
  editor::TextPoint PointAt(QPoint pixel) const;
  // Inserts dropped text at a point as a drop from this instance (`fromSelf`) or elsewhere.
  bool DropText(editor::TextPoint at, const std::string& text, bool fromSelf, bool move);
  void SetOverwrite(bool on);

 protected:
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void inputMethodEvent(QInputMethodEvent* event) override;
  QVariant inputMethodQuery(Qt::InputMethodQuery query) const override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;
  void wheelEvent(QWheelEvent* event) override;
  void focusInEvent(QFocusEvent* event) override;
  void focusOutEvent(QFocusEvent* event) override;
  void contextMenuEvent(QContextMenuEvent* event) override;
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dragMoveEvent(QDragMoveEvent* event) override;
  void dragLeaveEvent(QDragLeaveEvent* event) override;
  void dropEvent(QDropEvent* event) override;
  void timerEvent(QTimerEvent* event) override;
  void scrollContentsBy(int dx, int dy) override;
  bool focusNextPrevChild(bool next) override;

 private:
  // One undoable command: notifications wait for its end; -2 when it changed nothing.
  template <typename Edit>
  int32_t RunEdit(Edit edit, bool followCaret);
  struct CodeCallback {
    PennaCodeProc proc = nullptr;
    intptr_t param = 0;
  };
  struct NotifyCallback {
    PennaNotifyProc proc = nullptr;
    intptr_t param = 0;
  };
  struct Pending {
    int32_t message;
    int32_t code;
  };
  struct GlyphBatch;
  // Holds notifications back until the outermost operation has finished.
  class NotifyScope {
   public:
    explicit NotifyScope(PennaEditor* editor) : editor_(editor) { ++editor_->scopeDepth_; }
    ~NotifyScope() {
      if (--editor_->scopeDepth_ == 0) editor_->Flush();
    }
    NotifyScope(const NotifyScope&) = delete;
    NotifyScope& operator=(const NotifyScope&) = delete;

   private:
    PennaEditor* editor_;
  };

  // TextBufferListener: queued while an operation runs, sent when it has finished, so that a
  // parent reacting to a notification never sees a half-done edit.
  void TextChanged(int32_t code) override;
  void CaretMoved(int32_t how) override;
  void SelectionChanged() override;
  void Post(int32_t message, int32_t code);
  void Flush();
  void Send(int32_t message, int32_t code);

  // Redraws after a command: the caret line only when the command allowed it.
  void Refresh(bool caretLineOnly);
  void Relayout();
  QSize TextAreaSize() const;
  void SyncScrollBars();
  void PlaceCaretPixel();
  bool ApplyFont(const QFont& font, bool halfOfWide);
  QFont MakeFont(const QString& family, int32_t points, int weight) const;
  quint32 GlyphOf(uint16_t code, bool bold, bool* found);
  // Whether everything drawn for the character stays inside its own cell.
  bool InkInsideCell(std::string_view text, const editor::StyledChar& c);
  void AddGlyphs(std::vector<GlyphBatch>& batches, uint32_t colour, bool bold,
                 std::string_view bytes, qreal x, qreal baseline);
  void DrawMark(QPainter& p, std::vector<GlyphBatch>& batches, int32_t kind, uint32_t colour,
                std::string_view text, int32_t x, int32_t rowTop, int32_t right);
  // Draws one line from `rowTop`; returns its screen rows. `stateChanged` tells whether the
  // line opened or closed multi-line spans differently than before.
  int32_t DrawLine(QPainter& p, std::vector<GlyphBatch>& batches, editor::LineNode& line,
                   int32_t rowTop, bool* stateChanged);
  editor::WrapCell CellOf(size_t index, const editor::StyledChar& c) const;
  // A character's glyph or mark (not its background) into the batches.
  void AddCell(QPainter& p, std::vector<GlyphBatch>& batches, std::string_view text,
               const editor::StyledChar& c, int32_t x, int32_t y, int32_t width);
  // After a change of the highlighted word alone: repaints only the characters it turns on or
  // off. False (nothing drawn) when the picture is not current or the change reaches
  // something drawn across characters (selection, address underline, wrapping, owner-drawn
  // marks); a full Draw is needed then.
  bool RepaintHighlight();
  // Draws now, or remembers that the picture no longer shows every setting.
  void Redraw(bool now);
  void DrawSelection(QPainter& p, const editor::LineNode& line, int32_t lineNo, int32_t rowTop);
  void DrawMargin(QPainter& p);
  void DrawRuler(QPainter& p);
  void FlushGlyphs(QPainter& p, std::vector<GlyphBatch>& batches);

  void HandleMouseMove(QPoint pixel, Qt::MouseButtons buttons, Qt::KeyboardModifiers modifiers);
  void SelectWholeLines(int32_t fromLine, int32_t toLine);
  void StartTextDrag();
  bool IsOnSelection(QPoint pixel) const;
  // Moves the view by screen rows (lines without wrapping) and redraws when it moved.
  void ScrollRows(int32_t delta);
  // Vertical scroll-bar arrow steps and the end of a scroll (timer 0's deferred redraw).
  void ArrowStep();
  void EndScroll();
  bool eventFilter(QObject* watched, QEvent* event) override;

  int32_t id_;
  editor::EditorCore core_;
  editor::EmphasisTable emphasis_;
  std::array<uint32_t, kColourCount> colours_;
  std::array<bool, kMarkCount> markVisible_;

  int32_t rulerHeight_ = 10;
  int32_t marginWidth_ = 50;
  int32_t selectionRop_ = 7;
  int32_t boldWeight_ = 700;
  int32_t wheelStep_ = 3;
  int32_t lineSpacing_ = 0;
  uint32_t addressFlags_ = editor::kDetectAll;
  int32_t dragMode_ = 1;
  bool acceptDropsFlag_ = true;
  bool startDrags_ = true;
  int32_t webPenStyle_ = 2;
  int32_t mailPenStyle_ = 2;
  int32_t separatorPenStyle_ = 0;
  int32_t numberGap_ = 4;
  uint32_t ownerDrawMarks_ = 0;
  int32_t userValue_ = 0;  // PENNA_METRIC_USER_VALUE: stored, nothing depends on it
  bool reportAsMade_ = false;
  bool wrap_ = false;
  int32_t wrapColumn_ = 0;

  QFont textFont_, boldFont_, rulerFont_;
  QRawFont rawFont_, rawBold_;
  std::vector<int64_t> glyphCache_[2];  // per Shift-JIS code: glyph index, -1 unknown, -2 missing
  // Per Shift-JIS code: 1 when the glyph's ink stays inside its cell, 0 when not, -1 unknown.
  std::vector<int8_t> inkInside_[2];
  int32_t charWidth_ = 8;
  int32_t charHeight_ = 16;
  int32_t ascent_ = 13;

  std::string highlight_;
  bool highlightCase_ = true;

  QImage image_;
  // What the image shows: a change of anything here since the last Draw rules out repainting
  // only the highlight.
  struct DrawnView {
    QSize size;
    uint64_t revision = 0;
    int32_t topLine = 0, topRow = 0, scrollColumn = 0, visibleLines = 0, visibleColumns = 0;
    editor::TextPoint caret, selectionStart, selectionEnd;
    bool selection = false;
    bool operator==(const DrawnView&) const = default;
  };
  DrawnView CurrentView() const;
  DrawnView drawnView_;
  std::string drawnHighlight_;
  bool drawnHighlightCase_ = true;
  bool imageCurrent_ = false;  // the last full Draw has been followed only by drawn changes
  bool hidden_ = false;
  bool syncingBars_ = false;
  int32_t caretX_ = 0, caretY_ = 0;
  bool caretShown_ = false;
  bool hasFocus_ = false;
  bool caretOn_ = true;      // blink phase
  QBasicTimer blinkTimer_;
  QString preedit_;          // input-method composition, drawn at the caret until committed

  // Mouse state.
  bool charDrag_ = false;
  bool lineDrag_ = false;
  int32_t lineAnchor_ = 1;
  editor::TextPoint charAnchor_;
  bool dragPending_ = false;
  bool draggingFromHere_ = false;
  bool doubleClicked_ = false;
  QPoint pressPixel_;

  // Timers 0 deferred scroll redraw, 1 triple-click window, 2 drag-select repeat,
  // 3 and 4 drop auto-scroll up and down.
  QBasicTimer timers_[5];
  enum class ArrowScroll { Idle, Deferred, Held };
  ArrowScroll arrowScroll_ = ArrowScroll::Idle;

  CodeCallback change_, caretMove_, insChange_, mouseMove_;
  NotifyCallback selChange_, contextMenu_;
  std::vector<Pending> pending_;
  int32_t scopeDepth_ = 0;
  std::vector<editor::StyledChar> styled_;  // scratch for one line
  mutable editor::WrapLayout wrapLayout_;   // scratch for one wrapped line
  editor::LineNode* topNodeForMargin_ = nullptr;
  int32_t caretRowIndex_ = -1;      // screen row of the caret, -1 when off the page
};

}  // namespace kore
