#include "views/event_list.h"

#include <QKeyEvent>
#include <QPainter>
#include <QScrollBar>
#include <QStyle>
#include <algorithm>
#include <cstdlib>

#include "views/document_bridge.h"
#include "views/thumb_scroll_bar.h"
#include "views/view_fonts.h"

namespace kore {

namespace {

QColor Rgb(uint32_t c) { return QColor((c >> 16) & 0xFF, (c >> 8) & 0xFF, c & 0xFF); }

}  // namespace

CCodeListCtrl::CCodeListCtrl(QWidget* parent)
    : QWidget(parent), scroll_(new views::ThumbScrollBar(Qt::Vertical, this)) {
  views::InstallAccessibleRowsFactory();
  setObjectName("eventList");
  setAccessibleName(QString::fromUtf8("イベントリスト"));
  setFocusPolicy(Qt::StrongFocus);
  setAttribute(Qt::WA_OpaquePaintEvent);
  font_ = views::FixedJapaneseFont(12);
  charWidth_ = std::max(1, QFontMetrics(font_).horizontalAdvance(QLatin1Char('0')));
  text_ = std::make_unique<views::FixedText>(font_);
  scroll_->setObjectName("eventListScroll");
  scroll_->setAccessibleName(QString::fromUtf8("イベントリストのスクロール"));
  scroll_->setSingleStep(1);
  scroll_->setPageStep(3);
  // Wide enough for every column of the header.
  setMinimumWidth(2 * kInset + 4 + 49 * charWidth_ + style()->pixelMetric(QStyle::PM_ScrollBarExtent));
  connect(scroll_, &QScrollBar::valueChanged, this, [this](int v) {
    if (!syncing_) SetFirstVisibleRow(v);
  });
  UpdateRange();
}

CCodeListCtrl::~CCodeListCtrl() = default;

void CCodeListCtrl::SetDocument(CMMLDocument* document) {
  delete bridge_;
  bridge_ = nullptr;
  document_ = document;
  if (document_) {
    bridge_ = new DocumentBridge(document_, this);
    connect(bridge_, &DocumentBridge::refreshViews, this, &CCodeListCtrl::FollowCurrentTrack);
    // Another track's recompile leaves the shown list as it is.
    connect(bridge_, &DocumentBridge::trackCompiled, this, [this](int slot) {
      if (slot == document_->CurrentTrack()) FollowCurrentTrack();
    });
    connect(bridge_, &DocumentBridge::songReplaced, this, &CCodeListCtrl::FollowCurrentTrack);
    connect(bridge_, &DocumentBridge::currentTrackChanged, this,
            &CCodeListCtrl::FollowCurrentTrack);
  }
  FollowCurrentTrack();
}

void CCodeListCtrl::FollowCurrentTrack() {
  if (!document_) {
    SetList(nullptr, TimeBase{});
    return;
  }
  SetList(&document_->Track(document_->CurrentTrack()).events, document_->GetTimeBase());
}

void CCodeListCtrl::SetList(const MidiEventList* list, const TimeBase& timeBase) {
  model_.SetList(list, timeBase);
  views::NotifyAccessibleRowsReset(this);
  // A shorter list must not leave the selection on a row that no longer exists.
  const int count = RowCount();
  selected_ = count == 0 ? -1 : std::clamp(selected_, 0, count - 1);
  UpdateRange();
  update();
}

QRect CCodeListCtrl::ListArea() const {
  const int sb = style()->pixelMetric(QStyle::PM_ScrollBarExtent);
  return QRect(kInset, kInset, std::max(0, width() - 2 * kInset - sb),
               std::max(0, height() - 2 * kInset));
}

int CCodeListCtrl::VisibleRows() const {
  return std::max(0, ListArea().height() - kHeaderHeight) / kRowHeight;
}

int CCodeListCtrl::RowTop(int row) const {
  return kInset + kHeaderHeight + (row - firstRow_) * kRowHeight;
}

void CCodeListCtrl::UpdateRange() {
  const int maxFirst = std::max(0, RowCount() - VisibleRows());
  firstRow_ = std::clamp(firstRow_, 0, maxFirst);
  syncing_ = true;
  scroll_->setRange(0, maxFirst);
  scroll_->setValue(firstRow_);
  syncing_ = false;
}

void CCodeListCtrl::SetFirstVisibleRow(int row) {
  const int old = firstRow_;
  firstRow_ = row;
  UpdateRange();
  const int delta = firstRow_ - old;
  if (delta == 0) return;
  const QRect area = ListArea();
  const QRect rows(area.left(), area.top() + kHeaderHeight, area.width(),
                   area.height() - kHeaderHeight);
  // A step of a few rows moves the drawn rows and repaints only those that come into view.
  if (std::abs(delta) < VisibleRows()) scroll(0, -delta * kRowHeight, rows);
  else update(rows);
}

void CCodeListCtrl::SelectRow(int row, bool scroll) {
  if (row < 0 || row >= RowCount()) return;
  if (row != selected_) {
    if (selected_ >= firstRow_ && selected_ < firstRow_ + VisibleRows() + 1)
      update(0, RowTop(selected_), width(), kRowHeight);
    selected_ = row;
    update(0, RowTop(row), width(), kRowHeight);
    views::NotifyAccessibleSelection(this, row, views::kEventListColumns);
  }
  if (!scroll) return;
  if (row < firstRow_) SetFirstVisibleRow(row);
  else if (row >= firstRow_ + VisibleRows()) SetFirstVisibleRow(row - VisibleRows() + 1);
}

int CCodeListCtrl::RowForCaret(int offset) const {
  const MidiEventList* list = model_.List();
  if (!list || list->empty()) return -1;
  const auto it = std::find_if(list->begin(), list->end(), [offset](const MidiEvent& e) {
    return e.textBegin >= offset - 1;
  });
  return it == list->end() ? static_cast<int>(list->size()) - 1
                           : static_cast<int>(it - list->begin());
}

int CCodeListCtrl::RowAtY(int y) const {
  const int inList = y - kInset;
  if (inList < kHeaderHeight) return -1;
  const int row = (inList - kHeaderHeight) / kRowHeight + firstRow_;
  return row < RowCount() ? row : -1;
}

void CCodeListCtrl::resizeEvent(QResizeEvent*) {
  const int sb = style()->pixelMetric(QStyle::PM_ScrollBarExtent);
  scroll_->setGeometry(width() - sb - kInset, kInset, sb, std::max(0, height() - 2 * kInset));
  UpdateRange();
}

void CCodeListCtrl::mousePressEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton) return;
  const int row = RowAtY(event->position().toPoint().y());
  if (row < 0) return;
  SelectRow(row, false);
  Q_EMIT notified(kNotifyClick, row);
}

void CCodeListCtrl::mouseDoubleClickEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton) return;
  const int row = RowAtY(event->position().toPoint().y());
  if (row < 0) return;
  SelectRow(row, false);
  Q_EMIT notified(kNotifyDoubleClick, row);
}

void CCodeListCtrl::keyPressEvent(QKeyEvent* event) {
  const bool up = event->key() == Qt::Key_Up;
  if (!up && event->key() != Qt::Key_Down) {
    QWidget::keyPressEvent(event);
    return;
  }
  if (selected_ < 0) return;  // an empty list has no row to report
  const int row = std::clamp(selected_ + (up ? -1 : 1), 0, RowCount() - 1);
  SelectRow(row, false);
  if (row < firstRow_) SetFirstVisibleRow(row);
  else if (row >= firstRow_ + VisibleRows()) SetFirstVisibleRow(row - VisibleRows() + 1);
  Q_EMIT notified(kNotifyClick, selected_);
}

void CCodeListCtrl::wheelEvent(QWheelEvent* event) {
  const int notches = event->angleDelta().y() / 120;
  if (notches != 0) SetFirstVisibleRow(firstRow_ - notches * 3);
}

int CCodeListCtrl::ColumnX(int character) const { return kInset + 2 + character * charWidth_; }

QRect CCodeListCtrl::CellRect(int row, int column) const {
  if (row < firstRow_ || row >= firstRow_ + VisibleRows() || row >= RowCount()) return {};
  const auto spans = views::ColumnSpans((*model_.List())[row].kind);
  const auto [begin, end] = spans[column];
  if (begin >= end) return {};
  const int right = std::min(ColumnX(std::min(end, 48)), ListArea().right());
  return QRect(QPoint(ColumnX(begin), RowTop(row)), QPoint(right, RowTop(row) + kRowHeight - 1));
}

void CCodeListCtrl::paintEvent(QPaintEvent* event) {
  QPainter p(this);
  const QRect dirty = event->rect();
  const QRect area = ListArea();
  // Each pixel is filled once: the inset frame, the header, the rows, the blank below them.
  const QRegion frame = QRegion(rect()) - QRegion(area);
  for (const QRect& r : frame.intersected(dirty)) p.fillRect(r, palette().button());
  p.setClipRect(area);
  p.setFont(font_);
  const QRect header(area.left(), area.top(), area.width(), kHeaderHeight);
  if (dirty.intersects(header)) {
    p.fillRect(header, palette().button());
    p.setPen(palette().shadow().color());
    p.drawLine(header.bottomLeft(), header.bottomRight());
    p.setPen(QColor(44, 63, 97));
    text_->Draw(p, QPoint(ColumnX(0), header.top() + 17), views::kEventListHeader);
  }
  const int body = area.top() + kHeaderHeight;
  p.setClipRect(QRect(area.left(), body, area.width(), area.bottom() - body + 1).intersected(dirty));
  // Only the rows the paint event asks for: a scroll step exposes one.
  const int from = std::max(0, (dirty.top() - body) / kRowHeight);
  const int to = (dirty.bottom() - body) / kRowHeight + 1;
  const int last = std::min({RowCount(), firstRow_ + VisibleRows() + 1, firstRow_ + to});
  for (int row = firstRow_ + from; row < last; ++row) PaintRow(p, row, area);
  const int blankTop = std::max(body, RowTop(std::max(last, firstRow_)));
  if (blankTop <= area.bottom())
    p.fillRect(QRect(area.left(), blankTop, area.width(), area.bottom() - blankTop + 1), Qt::white);
}

void CCodeListCtrl::PaintRow(QPainter& p, int row, const QRect& area) const {
  const QRect box(area.left(), RowTop(row), area.width(), kRowHeight);
  const views::EventRowText text = model_.Row(row);
  if (row == selected_) {
    p.fillRect(box, QColor(232, 203, 201));
  } else if (text.framed) {
    // Light text (end of track, extension start) on the dark band, dark text on the light one.
    p.fillRect(box, text.positionColour == 0xDEE1E7 ? QColor(103, 110, 137) : QColor(222, 225, 231));
    p.setPen(QColor(193, 200, 214));
    p.drawRect(box.adjusted(0, 0, -1, -1));
  } else {
    p.fillRect(box, row % 2 ? QColor(242, 247, 255) : QColor(Qt::white));
  }
  const int baseline = box.top() + 11;
  p.setPen(Rgb(text.positionColour));
  text_->Draw(p, QPoint(ColumnX(0), baseline), text.position);
  if (!text.event.empty()) {
    p.setPen(Rgb(text.eventColour));
    text_->Draw(p, QPoint(ColumnX(views::kEventPieceColumn), baseline), text.event);
  }
}

}  // namespace kore
