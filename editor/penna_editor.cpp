#include "editor/penna_editor.h"

#include <QApplication>
#include <QClipboard>
#include <QFontDatabase>
#include <QFontDialog>
#include <QFontMetrics>
#include <QMimeData>
#include <QPointer>
#include <QScrollBar>
#include <algorithm>
#include <cstring>

#include "base/font_names.h"
#include "base/shift_jis.h"
#include "editor/char_class.h"
#include "editor/penna_event.h"

namespace kore {

using namespace editor;  // the widget is built from the editor's own parts

QEvent::Type PennaMessageEvent::Type() {
  static const QEvent::Type type = static_cast<QEvent::Type>(QEvent::registerEventType());
  return type;
}

namespace {

constexpr std::array<uint32_t, kColourCount> kDefaultColours = {
    0x2BB5C8, 0x9696FF, 0x9696FF, 0x5F30C0, 0xCB5288, 0xBFCF4E, 0x000000,
    0xB87430, 0x85B129, 0x36E6EF, 0x000000, 0xD8E9EC, 0x000000, 0xC8C800,
    0xFF0000, 0x5E2BAA, 0xFF0000, 0x00B2FF, 0xFFFFFF, 0xFF0000, 0x5E2BAA};

int32_t gMarginCursor = -1;
int32_t gLinkCursor = -1;

// The fixed-pitch Japanese face that stands in for the Windows one.
QString InstalledJapaneseFace() {
  static const QString face = [] {
    const QStringList families = QFontDatabase::families();
    for (const char* name : SubstituteFaces(FaceKind::FixedPitchJapanese)) {
      if (families.contains(QString::fromUtf8(name), Qt::CaseInsensitive))
        return QString::fromUtf8(name);
    }
    return QFontDatabase::systemFont(QFontDatabase::FixedFont).family();
  }();
  return face;
}

// The family to ask Qt for, from a Shift-JIS face name; empty when it is not installed.
QString ResolveFace(const char* sjisFace) {
  TextConversion utf8 = SjisToUtf8(sjisFace);
  if (!utf8.ok) return {};
  if (ClassifyWindowsFace(utf8.text) == FaceKind::FixedPitchJapanese)
    return InstalledJapaneseFace();
  QString name = QString::fromUtf8(utf8.text);
  if (!QFontDatabase::families().contains(name, Qt::CaseInsensitive)) return {};
  return name;
}

}  // namespace

PennaEditor::PennaEditor(int32_t id, QWidget* parent)
    : QAbstractScrollArea(parent), id_(id), colours_(kDefaultColours) {
  markVisible_.fill(true);
  setObjectName(QString::fromLatin1(kPennaWindowClass));
  setWindowTitle(QString::fromLatin1(kPennaWindowClass));
  setProperty("PennaClass", QVariant::fromValue(static_cast<void*>(this)));
  setFrameStyle(QFrame::StyledPanel | QFrame::Sunken);
  setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  setFocusPolicy(Qt::StrongFocus);
  setAttribute(Qt::WA_InputMethodEnabled);
  viewport()->setAttribute(Qt::WA_OpaquePaintEvent);
  viewport()->setMouseTracking(true);
  viewport()->setAcceptDrops(true);
  viewport()->setCursor(Qt::IBeamCursor);
  core_.buffer.SetListener(this);
  rulerFont_ = MakeFont(InstalledJapaneseFace(), 8, 400);
  ApplyFont(MakeFont(InstalledJapaneseFace(), 12, 400), false);
  connect(verticalScrollBar(), &QScrollBar::actionTriggered, this, [this](int action) {
    if (action == QAbstractSlider::SliderSingleStepAdd ||
        action == QAbstractSlider::SliderSingleStepSub)
      ArrowStep();
  });
  // Letting go of the bar ends a scroll (see eventFilter).
  verticalScrollBar()->installEventFilter(this);
  setGeometry(0, 0, 200, 200);
  Relayout();
}

PennaEditor::~PennaEditor() { core_.buffer.SetListener(nullptr); }

// ---------------------------------------------------------------- notifications

void PennaEditor::TextChanged(int32_t code) { Post(PENNA_MSG_CHANGE, code); }
void PennaEditor::CaretMoved(int32_t how) {
  core_.rowEndCaret = {0, 0};
  Post(PENNA_MSG_CARETMOVE, how);
}
void PennaEditor::SelectionChanged() { Post(PENNA_MSG_SELCHANGE, 0); }

void PennaEditor::Post(int32_t message, int32_t code) {
  if (scopeDepth_ > 0) {
    pending_.push_back({message, code});
  } else {
    Send(message, code);
  }
}

void PennaEditor::Flush() {
  QPointer<PennaEditor> self(this);
  while (!pending_.empty()) {
    std::vector<Pending> batch;
    batch.swap(pending_);
    for (const Pending& p : batch) {
      Send(p.message, p.code);
      if (!self) return;  // a receiver deleted the instance
    }
  }
}

void PennaEditor::Send(int32_t message, int32_t code) {
  uintptr_t wParam = (static_cast<uintptr_t>(static_cast<uint32_t>(id_)) << 16) |
                     static_cast<uint16_t>(code);
  if (message == PENNA_MSG_SELCHANGE) wParam = 0;
  if (message == PENNA_MSG_CONTEXTMENU) wParam = static_cast<uintptr_t>(id_) << 16;
  if (QWidget* parent = parentWidget()) {
    PennaMessageEvent event(message, wParam, 0);
    QCoreApplication::sendEvent(parent, &event);
  }
  switch (message) {
    case PENNA_MSG_CHANGE:
      if (change_.proc) change_.proc(id_, change_.param, code);
      break;
    case PENNA_MSG_CARETMOVE:
      if (caretMove_.proc) caretMove_.proc(id_, caretMove_.param, code);
      break;
    case PENNA_MSG_INSCHANGE:
      if (insChange_.proc) insChange_.proc(id_, insChange_.param, code);
      break;
    case PENNA_MSG_MOUSEMOVE:
      if (mouseMove_.proc) mouseMove_.proc(id_, mouseMove_.param, code);
      break;
    case PENNA_MSG_SELCHANGE:
      if (selChange_.proc) selChange_.proc(id_, selChange_.param);
      break;
    case PENNA_MSG_CONTEXTMENU:
      if (contextMenu_.proc) contextMenu_.proc(id_, contextMenu_.param);
      break;
    default:
      break;
  }
}

void PennaEditor::SetCodeCallback(int32_t message, PennaCodeProc callback, intptr_t param) {
  CodeCallback* target = message == PENNA_MSG_CHANGE      ? &change_
                         : message == PENNA_MSG_CARETMOVE ? &caretMove_
                         : message == PENNA_MSG_INSCHANGE ? &insChange_
                                                          : &mouseMove_;
  target->proc = callback;
  target->param = param;
}

void PennaEditor::SetNotifyCallback(int32_t message, PennaNotifyProc callback, intptr_t param) {
  NotifyCallback* target = message == PENNA_MSG_SELCHANGE ? &selChange_ : &contextMenu_;
  target->proc = callback;
  target->param = param;
}

void PennaEditor::SetCursorIds(int32_t marginCursor, int32_t linkCursor) {
  gMarginCursor = marginCursor;
  gLinkCursor = linkCursor;
}

int32_t PennaEditor::MarginCursorId() { return gMarginCursor; }
int32_t PennaEditor::LinkCursorId() { return gLinkCursor; }

// ---------------------------------------------------------------- layout and fonts

QFont PennaEditor::MakeFont(const QString& family, int32_t points, int weight) const {
  QFont font(family);
  int dpi = logicalDpiY() > 0 ? logicalDpiY() : 96;
  font.setPixelSize(std::max(1, (points * dpi + 36) / 72));
  font.setWeight(static_cast<QFont::Weight>(std::clamp(weight, 1, 1000)));
  font.setStyleHint(QFont::TypeWriter);
  font.setFixedPitch(true);
  font.setKerning(false);
  font.setHintingPreference(QFont::PreferFullHinting);
  return font;
}

bool PennaEditor::ApplyFont(const QFont& font, bool halfOfWide) {
  QFontMetrics metrics(font);
  int width = metrics.horizontalAdvance(QLatin1Char('i'));
  if (!halfOfWide && width != metrics.horizontalAdvance(QLatin1Char('w'))) return false;
  if (halfOfWide) width = metrics.horizontalAdvance(QString::fromUtf8("全")) / 2;
  if (width <= 0) return false;
  textFont_ = font;
  boldFont_ = font;
  boldFont_.setWeight(static_cast<QFont::Weight>(std::clamp(boldWeight_, 1, 1000)));
  rawFont_ = QRawFont::fromFont(textFont_);
  rawBold_ = QRawFont::fromFont(boldFont_);
  glyphCache_[0].clear();
  glyphCache_[1].clear();
  inkInside_[0].clear();
  inkInside_[1].clear();
  charWidth_ = width;
  charHeight_ = metrics.height();
  ascent_ = metrics.ascent();
  Relayout();
  return true;
}

QSize PennaEditor::TextAreaSize() const {
  if (isVisible()) return viewport()->size();
  // A hidden widget gets its resize events only when shown; until then the viewport keeps an
  // old size, so estimate it from the frame and the two scroll bars.
  QSize size = contentsRect().size();
  size.rwidth() -= verticalScrollBar()->sizeHint().width();
  size.rheight() -= horizontalScrollBar()->sizeHint().height();
  return size.expandedTo(QSize(1, 1));
}

void PennaEditor::Relayout() {
  QSize size = TextAreaSize();
  core_.visibleLines = std::max(1, (size.height() - rulerHeight_) / rowHeight() + 1);
  int32_t columns = std::max(1, (size.width() - marginWidth_ - numberGap_) / charWidth_);
  bool rewrap = core_.wrap && columns != core_.visibleColumns;
  core_.visibleColumns = columns;
  if (rewrap) core_.RecountRows();
  if (image_.size() != size && !size.isEmpty()) image_ = QImage(size, QImage::Format_RGB32);
  core_.ClampTopLine();
  SyncScrollBars();
  Draw();
}

void PennaEditor::SyncScrollBars() {
  syncingBars_ = true;
  QScrollBar* v = verticalScrollBar();
  // With wrapping the bar counts screen rows.
  int64_t total = core_.TotalRows();
  v->setRange(0, static_cast<int>(std::clamp<int64_t>(total - 1, 0, INT32_MAX)));
  v->setPageStep(core_.visibleLines);
  v->setSingleStep(1);
  v->setValue(static_cast<int>(core_.TopRowNumber()));
  QScrollBar* h = horizontalScrollBar();
  h->setRange(0, wrap_ ? 0 : std::max(0, EditorCore::kMaxColumns - core_.visibleColumns - 1));
  h->setPageStep(core_.visibleColumns);
  h->setSingleStep(1);
  h->setValue(core_.scrollColumn - 1);
  syncingBars_ = false;
}

void PennaEditor::resizeEvent(QResizeEvent* event) {
  QAbstractScrollArea::resizeEvent(event);
  Relayout();
}

void PennaEditor::SetPos(int32_t x, int32_t y, int32_t width, int32_t height) {
  setGeometry(x, y, std::max(0, width), std::max(0, height));
  Relayout();
}

void PennaEditor::SetEditorVisible(bool visible) {
  hidden_ = !visible;
  setVisible(visible);
  if (visible) Draw();
}

void PennaEditor::Refresh(bool caretLineOnly) {
  if (caretLineOnly && !core_.fullRedraw) {
    int32_t line = core_.buffer.caret().line;
    Draw(line, line);
  } else {
    SyncScrollBars();
    Draw();
  }
  core_.fullRedraw = false;
}

// ---------------------------------------------------------------- text operations

int32_t PennaEditor::SetText(const char* text) {
  if (!text) return PENNA_E_ARGUMENT;
  NotifyScope scope(this);
  int32_t rc = core_.buffer.SetText(text);
  if (rc == PENNA_E_READONLY) return rc;  // refused: nothing changed, so no change is reported
  core_.topLine = 1;
  core_.topRow = 0;
  core_.scrollColumn = 1;
  Refresh(false);
  TextChanged(kChangeSetText);
  return rc;
}

int32_t PennaEditor::Copy() {
  if (!core_.buffer.HasSelection()) return PENNA_E_FAILED;
  QApplication::clipboard()->setText(
      QString::fromUtf8(SjisToUtf8Lossy(core_.buffer.SelectedText())));
  return PENNA_OK;
}

int32_t PennaEditor::Cut() {
  if (!core_.buffer.writable() || !core_.buffer.HasSelection()) return PENNA_E_FAILED;
  NotifyScope scope(this);
  Copy();
  core_.CutSelection();
  Refresh(false);
  return PENNA_OK;
}

int32_t PennaEditor::Paste() {
  if (!core_.buffer.writable()) return PENNA_E_FAILED;
  const QMimeData* mime = QApplication::clipboard()->mimeData();
  if (!mime || !mime->hasText()) return PENNA_E_FAILED;
  NotifyScope scope(this);
  core_.Paste(Utf8ToSjisLossy(mime->text().toStdString()));
  Refresh(false);
  return PENNA_OK;
}

template <typename Edit>
int32_t PennaEditor::RunEdit(Edit edit, bool followCaret) {
  NotifyScope scope(this);
  if (!edit()) return PENNA_E_FAILED;
  if (followCaret) core_.FollowCaret();
  Refresh(false);
  return PENNA_OK;
}

int32_t PennaEditor::Undo() {
  return RunEdit([this] { return core_.buffer.Undo(); }, true);
}

int32_t PennaEditor::Redo() {
  return RunEdit([this] { return core_.buffer.Redo(); }, true);
}

int32_t PennaEditor::Indent() {
  return RunEdit([this] { return core_.Indent(); }, false);
}

int32_t PennaEditor::Unindent() {
  return RunEdit([this] { return core_.Unindent(); }, false);
}

int32_t PennaEditor::SelectAll() {
  NotifyScope scope(this);
  core_.SelectAll();
  Refresh(false);
  return PENNA_OK;
}

int32_t PennaEditor::SetSelText(const char* text) {
  NotifyScope scope(this);
  if (!core_.SetSelText(text ? text : "")) return PENNA_E_FAILED;
  Refresh(false);
  return PENNA_OK;
}

int32_t PennaEditor::SetSelA(int32_t startLine, int32_t startPos, int32_t endLine,
                             int32_t endPos) {
  TextPoint a{startLine, startPos};
  TextPoint b{endLine, endPos};
  TextBuffer& buffer = core_.buffer;
  if (!buffer.IsValidPoint(a) || !buffer.IsValidPoint(b)) return 0;
  NotifyScope scope(this);
  if (a == b) {
    buffer.ClearSelection();
  } else {
    buffer.Select(a, b);
    SelectionChanged();
  }
  buffer.PlaceCaret(b);
  buffer.goal = buffer.caret();
  core_.FollowCaret();
  CaretMoved(kCaretByCall);
  Refresh(false);
  return 1;
}

int32_t PennaEditor::GetSelA(int32_t* startLine, int32_t* startPos, int32_t* endLine,
                             int32_t* endPos) const {
  const Selection& sel = core_.buffer.selection();
  TextPoint s = core_.buffer.caret();
  TextPoint e = s;
  if (sel.active) {
    s = reportAsMade_ ? sel.a : sel.start();
    e = reportAsMade_ ? sel.b : sel.end();
  }
  if (startLine) *startLine = s.line;
  if (startPos) *startPos = s.pos;
  if (endLine) *endLine = e.line;
  if (endPos) *endPos = e.pos;
  return sel.active ? PENNA_OK : PENNA_E_FAILED;
}

int32_t PennaEditor::SetSelB(int32_t start, int32_t end) {
  if (start < 1 || start > end) return PENNA_E_ARGUMENT;
  TextBuffer& buffer = core_.buffer;
  TextPoint a, b;
  if (!buffer.PointOfThrough(start, &a) || !buffer.PointOfThrough(end, &b)) return PENNA_OK;
  NotifyScope scope(this);
  if (a == b) {
    buffer.ClearSelection();
  } else {
    buffer.Select(a, b);
    SelectionChanged();
  }
  buffer.PlaceCaret(b);
  buffer.goal = buffer.caret();
  core_.FollowCaret();
  CaretMoved(kCaretByCall);
  Refresh(false);
  return PENNA_OK;
}

int32_t PennaEditor::GetSelB(int32_t* start, int32_t* end) const {
  const TextBuffer& buffer = core_.buffer;
  const Selection& sel = buffer.selection();
  if (!sel.active) {
    if (start && end) *start = *end = buffer.ThroughOf(buffer.caret());
    return PENNA_E_FAILED;
  }
  if (start) *start = buffer.ThroughOf(sel.start());
  if (end) *end = buffer.ThroughOf(sel.end());
  return PENNA_OK;
}

int32_t PennaEditor::SetCaretLine(int32_t line) {
  if (!core_.buffer.LineAt(line)) return PENNA_E_ARGUMENT;
  NotifyScope scope(this);
  core_.buffer.PlaceCaret({line, 1});
  core_.buffer.goal = core_.buffer.caret();
  core_.FollowCaret();
  CaretMoved(kCaretByCall);
  Refresh(false);
  return PENNA_OK;
}

int32_t PennaEditor::SetCaretPos(int32_t pos) {
  TextPoint p{core_.buffer.caret().line, pos};
  if (!core_.buffer.IsValidPoint(p)) return PENNA_E_ARGUMENT;
  NotifyScope scope(this);
  core_.buffer.PlaceCaret(p);
  core_.buffer.goal = core_.buffer.caret();
  core_.FollowCaret();
  CaretMoved(kCaretByCall);
  Refresh(false);
  return PENNA_OK;
}

int32_t PennaEditor::SetCaretThrough(int32_t through) {
  TextPoint p;
  if (!core_.buffer.PointOfThrough(through, &p)) return PENNA_E_FAILED;
  NotifyScope scope(this);
  core_.buffer.PlaceCaret(p);
  core_.buffer.goal = core_.buffer.caret();
  core_.FollowCaret();
  CaretMoved(kCaretByCall);
  Refresh(false);
  return PENNA_OK;
}

int32_t PennaEditor::SetMark(int32_t line, uint32_t mark, bool redraw) {
  LineNode* node = core_.buffer.LineAt(line);
  if (!node) return PENNA_E_ARGUMENT;
  uint32_t previous = node->mark;
  node->mark = mark;
  Redraw(redraw);
  return static_cast<int32_t>(previous);
}

int32_t PennaEditor::GetMark(int32_t line) const {
  const LineNode* node = core_.buffer.LineAt(line);
  return node ? static_cast<int32_t>(node->mark) : PENNA_E_ARGUMENT;
}

int32_t PennaEditor::SetHighlight(const char* text, bool caseSensitive, bool redraw) {
  if (!text) return PENNA_E_ARGUMENT;
  const bool changed = highlight_ != text || highlightCase_ != caseSensitive;
  highlight_ = text;
  highlightCase_ = caseSensitive;
  if (!redraw) {
    if (changed) imageCurrent_ = false;
  } else if (!RepaintHighlight()) {
    Draw();
  }
  return PENNA_OK;
}

int32_t PennaEditor::AddEmphasis(const char* begin, const char* end, int32_t type,
                                 uint32_t colour, uint32_t flags, int32_t level,
                                 int32_t innerLevel) {
  return emphasis_.Add(begin, end, type, colour, flags, level, innerLevel);
}

int32_t PennaEditor::ResetEmphasis(bool redraw) {
  emphasis_.Clear();
  for (LineNode* node = core_.buffer.FirstLine(); node; node = node->next) node->ClearEmphasis();
  Redraw(redraw);
  return PENNA_OK;
}

// ---------------------------------------------------------------- appearance

int32_t PennaEditor::FontDialog(char* faceName, bool redraw) {
  bool ok = false;
  QFont chosen = QFontDialog::getFont(&ok, textFont_, this, QString(),
                                      QFontDialog::MonospacedFonts);
  if (!ok) {
    if (faceName) faceName[0] = '\0';
    return PENNA_E_CANCELLED;
  }
  int points = chosen.pointSize() > 0 ? chosen.pointSize()
                                      : std::max(1, chosen.pixelSize() * 72 / 96);
  QFont font = MakeFont(chosen.family(), points, 400);
  if (!ApplyFont(font, true)) return PENNA_E_FAILED;
  if (faceName) {
    std::string sjis = Utf8ToSjisLossy(chosen.family().toStdString());
    int32_t n = AlignToCharStart(sjis, std::min<int32_t>(31, static_cast<int32_t>(sjis.size())));
    std::memcpy(faceName, sjis.data(), static_cast<size_t>(n));
    faceName[n] = '\0';
  }
  Redraw(redraw);
  return points;
}

int32_t PennaEditor::SetFontFace(const char* faceName, int32_t points, bool redraw) {
  if (!faceName || points < 1) return PENNA_E_ARGUMENT;
  QString family = ResolveFace(faceName);
  if (family.isEmpty()) return PENNA_E_FAILED;
  if (!ApplyFont(MakeFont(family, std::min(points, 400), 400), false)) return PENNA_E_FAILED;
  Redraw(redraw);
  return PENNA_OK;
}

int32_t PennaEditor::SetColour(int32_t index, uint32_t colour, bool redraw) {
  if (index < 0 || index >= kColourCount) return PENNA_E_ARGUMENT;
  colours_[static_cast<size_t>(index)] = colour & 0xFFFFFF;
  Redraw(redraw);
  return PENNA_OK;
}

int32_t PennaEditor::SetMarkVisible(int32_t kind, bool visible, bool redraw) {
  if (kind < 0 || kind >= kMarkCount) return PENNA_E_ARGUMENT;
  markVisible_[static_cast<size_t>(kind)] = visible;
  Redraw(redraw);
  return PENNA_OK;
}

void PennaEditor::SetOverwrite(bool on) {
  if (core_.overwrite == on) return;
  core_.overwrite = on;
  Post(PENNA_MSG_INSCHANGE, on ? 0 : 1);
  PlaceCaretPixel();
  viewport()->update();
}

int32_t PennaEditor::SetMetric(int32_t index, int32_t value, bool redraw) {
  NotifyScope scope(this);
  switch (index) {
    case PENNA_METRIC_TAB_WIDTH:
      if (value < 1) return PENNA_E_ARGUMENT;
      core_.tabWidth = value;
      break;
    case PENNA_METRIC_RULER_HEIGHT: rulerHeight_ = std::clamp(value, 0, 1000); Relayout(); break;
    case PENNA_METRIC_MARGIN_WIDTH: marginWidth_ = std::clamp(value, 0, 10000); Relayout(); break;
    case PENNA_METRIC_SELECTION_ROP: selectionRop_ = value; break;
    case PENNA_METRIC_BOLD_WEIGHT: boldWeight_ = value; break;
    case PENNA_METRIC_WHEEL_LINES: wheelStep_ = value; break;
    case PENNA_METRIC_LINE_SPACING: lineSpacing_ = std::clamp(value, 0, 1000); Relayout(); break;
    case PENNA_METRIC_ADDRESS_FLAGS:
      addressFlags_ = static_cast<uint32_t>(value) & kDetectAll;
      break;
    case PENNA_METRIC_DRAG_FLAGS:
      if (value & 1) dragMode_ = 1;
      if (value & 2) dragMode_ = 2;
      if (value & 16) dragMode_ = 16;
      acceptDropsFlag_ = (value & 4) == 0;
      startDrags_ = (value & 8) == 0;
      break;
    case PENNA_METRIC_WEB_PEN: webPenStyle_ = value; break;
    case PENNA_METRIC_MAIL_PEN: mailPenStyle_ = value; break;
    case PENNA_METRIC_SEPARATOR_PEN: separatorPenStyle_ = value; break;
    case PENNA_METRIC_OVERWRITE: SetOverwrite(value != 0); break;
    case PENNA_METRIC_NUMBER_GAP: numberGap_ = std::clamp(value, 0, 1000); Relayout(); break;
    case PENNA_METRIC_OWNER_DRAW: ownerDrawMarks_ = static_cast<uint32_t>(value); break;
    case PENNA_METRIC_CREATE_HIDDEN: break;  // global, kept by the instance table
    case PENNA_METRIC_USER_VALUE: userValue_ = value; break;
    case PENNA_METRIC_SELECTION_ORDER: reportAsMade_ = value != 0; break;
    case PENNA_METRIC_WORD_JOIN: core_.wordJoinFlags = static_cast<uint32_t>(value); break;
    default: return PENNA_E_ARGUMENT;
  }
  Redraw(redraw);
  return PENNA_OK;
}

int32_t PennaEditor::GetMetric(int32_t index) const {
  switch (index) {
    case PENNA_INFO_CHAR_WIDTH: return charWidth_;
    case PENNA_INFO_CHAR_HEIGHT: return charHeight_;
    case PENNA_INFO_UNDO_STEPS: return core_.buffer.UndoSteps();
    case PENNA_INFO_REDO_STEPS: return core_.buffer.RedoSteps();
    case PENNA_INFO_CARET_X: return caretX_;
    case PENNA_INFO_CARET_Y: return caretY_;
    default: return PENNA_E_ARGUMENT;
  }
}

int32_t PennaEditor::WriteEnable(bool writable) {
  core_.buffer.SetWritable(writable);
  return PENNA_OK;
}

int32_t PennaEditor::SetLapel(bool wrap, int32_t column, bool redraw) {
  wrap_ = wrap;
  wrapColumn_ = column;
  core_.wrap = wrap;
  core_.scrollColumn = 1;
  core_.topRow = 0;  // the top line's first row either way
  core_.RecountRows();
  core_.FollowCaret();
  SyncScrollBars();
  Redraw(redraw);
  return PENNA_OK;
}

}  // namespace kore
