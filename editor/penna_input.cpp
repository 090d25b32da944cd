// Keyboard, input method, mouse, wheel, scroll bars, focus and text drag and drop of an editor
// instance.
#include <QApplication>
#include <QDebug>
#include <QDesktopServices>
#include <QDrag>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QMimeData>
#include <QScrollBar>
#include <QUrl>
#include <algorithm>

#include "base/shift_jis.h"
#include "editor/char_class.h"
#include "editor/penna_editor.h"

namespace kore {

using namespace editor;  // the widget is built from the editor's own parts

namespace {

// Marks text dragged out of an editor with the editor's address, so a drop can tell its own.
constexpr char kDragSourceFormat[] = "application/x-penna-editor";

QByteArray SourceTag(const PennaEditor* editor) {
  return QByteArray::number(reinterpret_cast<quintptr>(editor));
}

}  // namespace

// ---------------------------------------------------------------- keyboard

bool PennaEditor::focusNextPrevChild(bool) { return false; }  // Tab is a key of the editor

void PennaEditor::keyPressEvent(QKeyEvent* event) {
  NotifyScope scope(this);
  const bool shift = event->modifiers() & Qt::ShiftModifier;
  const bool ctrl = event->modifiers() & Qt::ControlModifier;
  core_.fullRedraw = false;
  bool caretLineOnly = false;
  switch (event->key()) {
    case Qt::Key_Up:
      ctrl ? core_.ScrollView(-1) : core_.Move(CaretMove::Up, shift);
      break;
    case Qt::Key_Down:
      ctrl ? core_.ScrollView(1) : core_.Move(CaretMove::Down, shift);
      break;
    case Qt::Key_Left: core_.Move(CaretMove::Left, shift); break;
    case Qt::Key_Right: core_.Move(CaretMove::Right, shift); break;
    case Qt::Key_Home: core_.Move(ctrl ? CaretMove::TextStart : CaretMove::Home, shift); break;
    case Qt::Key_End: core_.Move(ctrl ? CaretMove::TextEnd : CaretMove::End, shift); break;
    case Qt::Key_PageUp: core_.Move(CaretMove::PageUp, shift); break;
    case Qt::Key_PageDown: core_.Move(CaretMove::PageDown, shift); break;
    case Qt::Key_Insert: SetOverwrite(!core_.overwrite); break;
    case Qt::Key_Backspace: caretLineOnly = core_.Backspace(); break;
    case Qt::Key_Delete: caretLineOnly = core_.Delete(); break;
    case Qt::Key_Return:
    case Qt::Key_Enter: core_.Enter(); break;
    case Qt::Key_Tab: core_.Tab(shift); break;
    case Qt::Key_Backtab: core_.Tab(true); break;
    default: {
      QString text = event->text();
      if (text.isEmpty() || ctrl) {
        event->ignore();
        return;
      }
      TextConversion sjis = Utf8ToSjis(text.toStdString());
      if (!sjis.ok) return;  // a character Shift-JIS cannot hold is not typed
      for (int32_t i = 0; i < static_cast<int32_t>(sjis.text.size());) {
        int32_t n = CharLengthAt(sjis.text, i);
        if (core_.TypeChar(std::string_view(sjis.text).substr(static_cast<size_t>(i), static_cast<size_t>(n))))
          caretLineOnly = true;
        i += n;
      }
      break;
    }
  }
  Refresh(caretLineOnly);
}

void PennaEditor::inputMethodEvent(QInputMethodEvent* event) {
  if (preedit_ != event->preeditString()) {
    preedit_ = event->preeditString();
    viewport()->update();
  }
  if (event->commitString().isEmpty()) {
    event->accept();
    return;
  }
  NotifyScope scope(this);
  core_.fullRedraw = false;
  std::string sjis = Utf8ToSjisLossy(event->commitString().toStdString());
  bool done = core_.ImeResult(sjis);
  Refresh(done);
  event->accept();
}

QVariant PennaEditor::inputMethodQuery(Qt::InputMethodQuery query) const {
  switch (query) {
    case Qt::ImCursorRectangle:
      return QRect(caretX_, caretY_, 2, charHeight_);
    case Qt::ImFont:
      return textFont_;
    case Qt::ImEnabled:
      return core_.buffer.writable();
    default:
      return QAbstractScrollArea::inputMethodQuery(query);
  }
}

// ---------------------------------------------------------------- mouse

TextPoint PennaEditor::PointAt(QPoint pixel) const {
  const TextBuffer& buffer = core_.buffer;
  int32_t y = pixel.y() - rulerHeight_;
  int32_t row = y < 0 ? -1 : y / rowHeight();
  if (core_.wrap) {
    // Find the line and its row under the pixel, then the character on that row.
    int32_t line = core_.topLine;
    LineNode* node = buffer.LineAt(line);
    row = std::max(row, 0) + core_.topRow;
    while (node->next && row >= core_.RowsOf(node)) {
      row -= node->rows;
      node = node->next;
      ++line;
    }
    LayOutWrapped(node->text, core_.WrapWidth(), core_.tabWidth, wrapLayout_);
    row = std::min(row, wrapLayout_.rows() - 1);
    for (const WrapCell& cell : wrapLayout_.cells) {
      if (cell.row != row) continue;
      int32_t middle = marginWidth_ + (2 * cell.column + cell.width) * charWidth_ / 2;
      if (pixel.x() <= middle) return {line, cell.offset + 1};
    }
    if (row + 1 < wrapLayout_.rows()) return {line, wrapLayout_.rowStarts[static_cast<size_t>(row) + 1] + 1};
    return {line, node->length() + 1};
  }
  int32_t line = std::clamp(core_.topLine + row, 1, buffer.LineCount());
  const LineNode* node = buffer.LineAt(line);
  const std::string& text = node->text;
  int32_t column = 0;
  int32_t origin = marginWidth_ - (core_.scrollColumn - 1) * charWidth_;
  for (int32_t i = 0; i < node->length();) {
    int32_t n = CharLengthAt(text, i);
    int32_t next = text[i] == '\t' ? NextTabStop(column, core_.tabWidth) : column + n;
    int32_t middle = origin + (column + next) * charWidth_ / 2;
    if (pixel.x() <= middle) return {line, i + 1};
    column = next;
    i += n;
  }
  return {line, node->length() + 1};
}

bool PennaEditor::IsOnSelection(QPoint pixel) const {
  const Selection& sel = core_.buffer.selection();
  if (!sel.active || pixel.x() < marginWidth_ || pixel.y() < rulerHeight_) return false;
  TextPoint p = PointAt(pixel);
  if (p < sel.start() || p > sel.end()) return false;
  // The point is a boundary; make sure the pixel is over a selected character, not beyond.
  TextPoint next = p;
  const LineNode* node = core_.buffer.LineAt(p.line);
  if (p == sel.end()) {
    int32_t previous = PrevCharStart(node->text, p.pos - 1);
    next = {p.line, previous + 1};
    return p.pos > 1 && next >= sel.start() &&
           pixel.x() >= PointOrigin(next).x();
  }
  return true;
}

void PennaEditor::SelectWholeLines(int32_t fromLine, int32_t toLine) {
  TextBuffer& buffer = core_.buffer;
  int32_t lo = std::min(fromLine, toLine), hi = std::max(fromLine, toLine);
  TextPoint start{lo, 1};
  TextPoint end = hi < buffer.LineCount() ? TextPoint{hi + 1, 1}
                                          : TextPoint{hi, buffer.LineLength(hi) + 1};
  if (toLine >= fromLine) {
    buffer.Select(start, end);
    buffer.PlaceCaret(end);
  } else {
    buffer.Select(end, start);
    buffer.PlaceCaret(start);
  }
  SelectionChanged();
}

void PennaEditor::mousePressEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton) return;
  NotifyScope scope(this);
  core_.rowEndCaret = {0, 0};  // a click at a row start means that row, even on the same offset
  QPoint pixel = event->position().toPoint();
  pressPixel_ = pixel;
  bool shift = event->modifiers() & Qt::ShiftModifier;
  if (startDrags_ && !timers_[1].isActive() && IsOnSelection(pixel)) {
    dragPending_ = true;
    return;
  }
  TextBuffer& buffer = core_.buffer;
  TextPoint oldCaret = buffer.caret();
  bool hadSelection = buffer.HasSelection();
  if (!shift || pixel.x() < marginWidth_) buffer.ClearSelection();
  setFocus(Qt::MouseFocusReason);
  if (pixel.y() >= rulerHeight_) {
    TextPoint point = PointAt(pixel);
    if (pixel.x() < marginWidth_ || timers_[1].isActive()) {
      if (!shift) lineAnchor_ = point.line;
      SelectWholeLines(lineAnchor_, point.line);
      lineDrag_ = true;
    } else if (!shift) {
      buffer.PlaceCaret(point);
      charAnchor_ = buffer.caret();
      charDrag_ = true;
    } else {
      TextPoint anchor = hadSelection ? buffer.selection().a : oldCaret;
      buffer.Select(anchor, point);
      buffer.PlaceCaret(point);
      SelectionChanged();
    }
    buffer.goal = buffer.caret();
    if (buffer.caret() != oldCaret) CaretMoved(kCaretByMouse);
  }
  timers_[1].stop();
  Draw();
}

void PennaEditor::HandleMouseMove(QPoint pixel, Qt::MouseButtons buttons,
                                  Qt::KeyboardModifiers) {
  TextBuffer& buffer = core_.buffer;
  if ((charDrag_ || lineDrag_) && (buttons & Qt::LeftButton)) {
    int32_t height = viewport()->height();
    if (pixel.y() < rulerHeight_ || pixel.y() >= height) {
      // Each step outside (the first move and every tick) scrolls a row and says so.
      const bool up = pixel.y() < rulerHeight_;
      ScrollRows(up ? -1 : 1);
      qDebug().noquote() << (up ? "UpTimerStarted" : "DownTimerStarted");
      if (!timers_[2].isActive()) timers_[2].start(100, this);
    } else {
      timers_[2].stop();
    }
    TextPoint point = PointAt({pixel.x(), std::clamp(pixel.y(), rulerHeight_, height - 1)});
    if (charDrag_) {
      if (!wrap_ && pixel.x() < marginWidth_ && core_.scrollColumn > 1) --core_.scrollColumn;
      if (!wrap_ && pixel.x() >= viewport()->width()) {
        const LineNode* node = buffer.LineAt(point.line);
        int32_t last = ColumnOfOffset(node->text, node->length(), core_.tabWidth);
        if (last + 6 > core_.visibleColumns + core_.scrollColumn &&
            core_.scrollColumn < EditorCore::kMaxColumns - core_.visibleColumns)
          ++core_.scrollColumn;
      }
      if (point != buffer.caret()) {
        buffer.Select(charAnchor_, point);
        buffer.PlaceCaret(point);
        SelectionChanged();
        CaretMoved(kCaretByMouse);
      }
      Post(PENNA_MSG_MOUSEMOVE, kMouseSelectingChars);
    } else {
      SelectWholeLines(lineAnchor_, point.line);
      CaretMoved(kCaretByMouse);
      Post(PENNA_MSG_MOUSEMOVE, kMouseSelectingLines);
    }
    buffer.goal = buffer.caret();
    SyncScrollBars();
    Draw();
    return;
  }
  int32_t where = kMouseText;
  Qt::CursorShape shape = Qt::IBeamCursor;
  auto cursorOf = [](int32_t id, Qt::CursorShape fallback) {
    return id >= 0 && id <= Qt::LastCursor ? static_cast<Qt::CursorShape>(id) : fallback;
  };
  if (pixel.y() < rulerHeight_) {
    where = kMouseRuler;
    shape = Qt::ArrowCursor;
  } else if (pixel.x() < marginWidth_) {
    where = kMouseMargin;
    shape = cursorOf(MarginCursorId(), Qt::ArrowCursor);
  } else {
    TextPoint point = PointAt(pixel);
    const LineNode* node = buffer.LineAt(point.line);
    int32_t offset = point.pos - 1;
    // The character under the pointer is the one the point falls before, or the one before it.
    if (pixel.x() < PointOrigin(point).x() && offset > 0)
      offset = PrevCharStart(node->text, offset);
    AddressSpan address = AddressAt(node->text, offset, addressFlags_);
    if (address.kind != kNoAddress) {
      where = address.kind == kWebAddress ? kMouseWebAddress : kMouseMailAddress;
      shape = cursorOf(LinkCursorId(), Qt::PointingHandCursor);
    } else if (startDrags_ && IsOnSelection(pixel)) {
      shape = Qt::ArrowCursor;
    }
  }
  viewport()->setCursor(shape);
  Post(PENNA_MSG_MOUSEMOVE, where);
}

void PennaEditor::mouseMoveEvent(QMouseEvent* event) {
  NotifyScope scope(this);
  if (dragPending_ && (event->buttons() & Qt::LeftButton)) {
    dragPending_ = false;
    StartTextDrag();
    return;
  }
  HandleMouseMove(event->position().toPoint(), event->buttons(), event->modifiers());
}

void PennaEditor::mouseReleaseEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton) return;
  NotifyScope scope(this);
  timers_[2].stop();
  charDrag_ = lineDrag_ = false;
  if (dragPending_) {
    dragPending_ = false;
    TextBuffer& buffer = core_.buffer;
    buffer.ClearSelection();
    TextPoint old = buffer.caret();
    buffer.PlaceCaret(PointAt(event->position().toPoint()));
    buffer.goal = buffer.caret();
    if (buffer.caret() != old) CaretMoved(kCaretByMouse);
    Draw();
  }
  if (doubleClicked_) {
    doubleClicked_ = false;
    timers_[1].start(200, this);
  }
}

void PennaEditor::mouseDoubleClickEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton) return;
  NotifyScope scope(this);
  QPoint pixel = event->position().toPoint();
  if (pixel.y() < rulerHeight_ || pixel.x() < marginWidth_) {
    mousePressEvent(event);
    return;
  }
  TextBuffer& buffer = core_.buffer;
  TextPoint point = PointAt(pixel);
  const LineNode* node = buffer.LineAt(point.line);
  int32_t offset = point.pos - 1;
  if (offset > 0 && (offset >= node->length() ||
                     pixel.x() < PointOrigin(point).x()))
    offset = PrevCharStart(node->text, offset);
  AddressSpan address = AddressAt(node->text, offset, addressFlags_);
  charDrag_ = false;
  if (address.kind != kNoAddress) {
    std::string target = node->text.substr(static_cast<size_t>(address.begin),
                                           static_cast<size_t>(address.end - address.begin));
    if (address.kind == kMailAddress && target.rfind("mailto:", 0) != 0) target = "mailto:" + target;
    QDesktopServices::openUrl(QUrl(QString::fromStdString(target)));
    return;
  }
  WordRange word = WordAt(node->text, offset, core_.wordJoinFlags & 1);
  TextPoint old = buffer.caret();
  if (word.end > word.begin) {
    buffer.Select({point.line, word.begin + 1}, {point.line, word.end + 1});
    buffer.PlaceCaret({point.line, word.end + 1});
    SelectionChanged();
  }
  buffer.goal = buffer.caret();
  if (buffer.caret() != old) CaretMoved(kCaretByMouse);
  doubleClicked_ = true;
  Draw();
}

void PennaEditor::wheelEvent(QWheelEvent* event) {
  int delta = event->angleDelta().y();
  if (delta == 0) return;
  ScrollRows(delta > 0 ? -wheelStep_ : wheelStep_);
  event->accept();
}

void PennaEditor::ScrollRows(int32_t delta) {
  if (!core_.ScrollRows(delta)) return;
  SyncScrollBars();
  Draw();
}

void PennaEditor::scrollContentsBy(int, int) {
  if (syncingBars_) return;
  core_.SetTopRowNumber(verticalScrollBar()->value());
  core_.scrollColumn = std::clamp(horizontalScrollBar()->value() + 1, 1, EditorCore::kMaxColumns);
  if (arrowScroll_ != ArrowScroll::Idle) return;  // timer 0 or the end of the scroll redraws
  Draw();
}

void PennaEditor::ArrowStep() {
  // The first arrow step redraws when timer 0 fires; a second one within 30 ms means the
  // arrow is held: scroll without drawing until the scroll ends.
  if (arrowScroll_ == ArrowScroll::Idle) {
    arrowScroll_ = ArrowScroll::Deferred;
    timers_[0].start(30, this);
  } else if (arrowScroll_ == ArrowScroll::Deferred) {
    timers_[0].stop();
    arrowScroll_ = ArrowScroll::Held;
  }
}

bool PennaEditor::eventFilter(QObject* watched, QEvent* event) {
  // The scroll ends when the bar's mouse button or (with the bar focused) the key is let go.
  const bool released =
      event->type() == QEvent::MouseButtonRelease ||
      (event->type() == QEvent::KeyRelease && !static_cast<QKeyEvent*>(event)->isAutoRepeat());
  if (watched == verticalScrollBar() && released) EndScroll();
  return QAbstractScrollArea::eventFilter(watched, event);
}

void PennaEditor::EndScroll() {
  if (arrowScroll_ == ArrowScroll::Idle) return;
  timers_[0].stop();
  arrowScroll_ = ArrowScroll::Idle;
  Draw();
}

// ---------------------------------------------------------------- focus, menu, timers

void PennaEditor::focusInEvent(QFocusEvent* event) {
  QAbstractScrollArea::focusInEvent(event);
  hasFocus_ = true;
  Draw();
}

void PennaEditor::focusOutEvent(QFocusEvent* event) {
  QAbstractScrollArea::focusOutEvent(event);
  hasFocus_ = false;
  blinkTimer_.stop();
  viewport()->update();
}

void PennaEditor::contextMenuEvent(QContextMenuEvent* event) {
  Post(PENNA_MSG_CONTEXTMENU, 0);
  event->accept();
}

void PennaEditor::timerEvent(QTimerEvent* event) {
  int id = event->timerId();
  if (id == blinkTimer_.timerId()) {
    caretOn_ = !caretOn_;
    if (preedit_.isEmpty()) {
      viewport()->update(caretX_, caretY_, 2 * charWidth_ + 2, charHeight_);
    } else {
      viewport()->update();
    }
  } else if (id == timers_[0].timerId()) {
    timers_[0].stop();
    arrowScroll_ = ArrowScroll::Idle;
    Draw();
  } else if (id == timers_[1].timerId()) {
    timers_[1].stop();
  } else if (id == timers_[2].timerId()) {
    NotifyScope scope(this);
    HandleMouseMove(viewport()->mapFromGlobal(QCursor::pos()), QApplication::mouseButtons(),
                    QApplication::keyboardModifiers());
  } else if (id == timers_[3].timerId()) {
    ScrollRows(-1);
  } else if (id == timers_[4].timerId()) {
    ScrollRows(1);
  } else {
    QAbstractScrollArea::timerEvent(event);
  }
}

// ---------------------------------------------------------------- text drag and drop

void PennaEditor::StartTextDrag() {
  TextBuffer& buffer = core_.buffer;
  if (!buffer.HasSelection()) return;
  auto* mime = new QMimeData;
  mime->setText(QString::fromUtf8(SjisToUtf8Lossy(buffer.SelectedText())));
  mime->setData(kDragSourceFormat, SourceTag(this));
  auto* drag = new QDrag(this);
  drag->setMimeData(mime);
  draggingFromHere_ = true;
  drag->exec(Qt::CopyAction | Qt::MoveAction, Qt::MoveAction);
  draggingFromHere_ = false;
  // Text moved into another window stays here too; only the selection goes.
  if (buffer.HasSelection()) {
    buffer.ClearSelection();
    Draw();
  }
}

void PennaEditor::dragEnterEvent(QDragEnterEvent* event) {
  if (!acceptDropsFlag_ || !event->mimeData()->hasText()) {
    event->ignore();
    return;
  }
  event->acceptProposedAction();
  dragMoveEvent(event);
}

void PennaEditor::dragMoveEvent(QDragMoveEvent* event) {
  if (!acceptDropsFlag_ || !event->mimeData()->hasText()) {
    event->ignore();
    return;
  }
  QPoint pixel = event->position().toPoint();
  bool fromSelf = event->mimeData()->data(kDragSourceFormat) == SourceTag(this);
  Qt::DropAction action = Qt::CopyAction;
  if (fromSelf) {
    bool ctrl = event->modifiers() & Qt::ControlModifier;
    action = dragMode_ == 2 || (dragMode_ == 16 && ctrl) ? Qt::CopyAction : Qt::MoveAction;
  }
  event->setDropAction(action);
  event->accept();
  if (pixel.x() >= marginWidth_ && pixel.y() >= rulerHeight_) {
    core_.buffer.PlaceCaret(PointAt(pixel));
    PlaceCaretPixel();
    viewport()->update();
  }
  int32_t height = viewport()->height();
  bool up = pixel.y() >= rulerHeight_ && pixel.y() < rulerHeight_ + 10;
  bool down = pixel.y() >= height - 10;
  if (up && !timers_[3].isActive()) timers_[3].start(100, this);
  if (!up) timers_[3].stop();
  if (down && !timers_[4].isActive()) timers_[4].start(100, this);
  if (!down) timers_[4].stop();
}

void PennaEditor::dragLeaveEvent(QDragLeaveEvent*) {
  timers_[3].stop();
  timers_[4].stop();
}

void PennaEditor::dropEvent(QDropEvent* event) {
  timers_[3].stop();
  timers_[4].stop();
  if (!acceptDropsFlag_ || !event->mimeData()->hasText()) {
    event->ignore();
    return;
  }
  bool fromSelf = event->mimeData()->data(kDragSourceFormat) == SourceTag(this);
  bool move = false;
  if (fromSelf) {
    bool ctrl = event->modifiers() & Qt::ControlModifier;
    move = !(dragMode_ == 2 || (dragMode_ == 16 && ctrl));
  }
  std::string text = Utf8ToSjisLossy(event->mimeData()->text().toStdString());
  bool done = DropText(PointAt(event->position().toPoint()), text, fromSelf, move);
  // A move inside this instance is complete here; the source must not delete anything.
  event->setDropAction(done && fromSelf ? Qt::CopyAction : event->dropAction());
  event->accept();
}

bool PennaEditor::DropText(TextPoint at, const std::string& text, bool fromSelf, bool move) {
  TextBuffer& buffer = core_.buffer;
  if (!buffer.writable()) return false;  // the text and the undo list stay as they were
  NotifyScope scope(this);
  at = buffer.Clamp(at);
  const Selection sel = buffer.selection();
  if (fromSelf && sel.active && at >= sel.start() && at <= sel.end()) return false;
  bool moved = false;
  if (fromSelf && move && sel.active) {
    TextPoint s = sel.start(), e = sel.end();
    buffer.DeleteSelection(true);
    buffer.NewestRecord()->reinsertOnly = true;
    moved = true;
    if (at > e) {  // the drop point shifts by the removed text
      if (at.line == e.line) {
        at = {s.line, s.pos + (at.pos - e.pos)};
      } else {
        at.line -= e.line - s.line;
      }
    }
  } else {
    buffer.ClearSelection();
  }
  buffer.PlaceCaret(at);
  buffer.ReplaceSelection(text, true, true);
  if (moved) buffer.NewestRecord()->chained = true;
  buffer.goal = buffer.caret();
  core_.FollowCaret();
  CaretMoved(kCaretByDragDrop);
  TextChanged(kChangeDragDrop);
  SyncScrollBars();
  Draw();
  return true;
}

}  // namespace kore
