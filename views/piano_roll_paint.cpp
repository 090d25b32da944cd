// Drawing of the piano roll: grid, ruler, bars, markers, cursors and the key strip.
#include <QPainter>
#include <QStyle>
#include <algorithm>
#include <array>
#include <cmath>

#include "base/shift_jis.h"
#include "views/piano_roll.h"
#include "views/view_fonts.h"

namespace kore {

using views::RollGeometry;

namespace {

struct TrackColours {
  QRgb fill;
  QRgb border;
};

constexpr std::array<TrackColours, 16> kTrackColours = {{
    {qRgb(239, 123, 206), qRgb(231, 0, 165)},  {qRgb(123, 206, 173), qRgb(0, 165, 99)},
    {qRgb(123, 123, 239), qRgb(0, 0, 231)},    {qRgb(214, 243, 153), qRgb(156, 197, 80)},
    {qRgb(254, 225, 152), qRgb(254, 194, 58)}, {qRgb(179, 223, 234), qRgb(62, 168, 190)},
    {qRgb(199, 127, 199), qRgb(144, 0, 144)},  {qRgb(239, 127, 127), qRgb(224, 0, 0)},
    {qRgb(223, 191, 159), qRgb(192, 128, 64)}, {qRgb(243, 194, 243), qRgb(241, 120, 255)},
    {qRgb(242, 242, 123), qRgb(178, 178, 65)}, {qRgb(146, 224, 153), qRgb(4, 187, 68)},
    {qRgb(253, 198, 137), qRgb(247, 148, 29)}, {qRgb(204, 153, 102), qRgb(153, 0, 0)},
    {qRgb(102, 153, 255), qRgb(0, 102, 153)},  {qRgb(255, 201, 201), qRgb(234, 136, 136)},
}};

// Every channel c becomes c x (255 - a) / 255 + 255 x a / 255, each product rounded.
QColor Lighten(QRgb colour, int a) {
  auto channel = [a](int c) {
    return static_cast<int>(std::lround(c * (255.0 - a) / 255.0)) + a;
  };
  return QColor(channel(qRed(colour)), channel(qGreen(colour)), channel(qBlue(colour)));
}

bool IsBlackKey(int note) {
  const int pc = note % 12;
  return pc == 1 || pc == 3 || pc == 6 || pc == 8 || pc == 10;
}

}  // namespace

QColor CPianoRollCtrl::FillColour(int32_t track, bool light) {
  const QRgb c = kTrackColours[static_cast<size_t>(track) & 15].fill;
  return light ? Lighten(c, 135) : QColor(c);
}

QColor CPianoRollCtrl::BorderColour(int32_t track, bool light) {
  const QRgb c = kTrackColours[static_cast<size_t>(track) & 15].border;
  return light ? Lighten(c, 165) : QColor(c);
}

void CPianoRollCtrl::paintEvent(QPaintEvent*) {
  QPainter p(this);
  const QRect canvas = CanvasRect();
  p.setClipRect(canvas);
  PaintGrid(p, canvas);
  PaintNotes(p);
  PaintMarkersAndCursors(p, canvas);
  PaintRuler(p, canvas);
  PaintKeyStrip(p, canvas);
  p.setClipping(false);
  const int sb = style()->pixelMetric(QStyle::PM_ScrollBarExtent);
  p.fillRect(QRect(canvas.right() + 1, canvas.bottom() + 1, sb, sb), palette().button());
}

void CPianoRollCtrl::PaintGrid(QPainter& p, const QRect& canvas) const {
  const int rowH = geometry_.RowHeight();
  const int left = RollGeometry::kKeyStripWidth;
  for (int note = RollGeometry::kTopNote - geometry_.FirstRow(); note >= RollGeometry::kBottomNote;
       --note) {
    const int y = geometry_.YOfNote(note);
    if (y > canvas.bottom()) break;
    p.fillRect(left, y, canvas.width() - left, rowH,
               IsBlackKey(note) ? QColor(231, 231, 231) : QColor(Qt::white));
    if (note % 12 == 0) {
      p.setPen(QColor(198, 198, 198));
      p.drawLine(left, y + rowH - 1, canvas.width(), y + rowH - 1);
    }
  }
  const int bottomY = geometry_.YOfNote(RollGeometry::kBottomNote - 1);
  if (bottomY < canvas.height())
    p.fillRect(left, bottomY, canvas.width() - left, canvas.height() - bottomY,
               palette().button());
  const int tpc = geometry_.TicksPerColumn();
  const int tpm = geometry_.TicksPerMeasure();
  const QColor beatPen(198, 198, 198), measurePen(96, 96, 96);
  for (int column = 0; column <= geometry_.VisibleColumns(); ++column) {
    const int64_t tick = int64_t{geometry_.FirstColumn() + column} * tpc;
    const int x = geometry_.XOfTick(static_cast<int32_t>(tick));
    p.setPen(tick % tpm == 0 ? measurePen : beatPen);
    p.drawLine(x, RollGeometry::kRulerHeight, x, std::min(bottomY, canvas.height()));
  }
}

void CPianoRollCtrl::PaintNotes(QPainter& p) const {
  const auto& notes = scene_.Notes();
  const bool emphasise = scene_.Target() == views::RollTarget::EmphasiseCurrent;
  auto draw = [&](const views::RollNote& n, bool light) {
    const views::RollRect& r = n.rect;
    p.fillRect(r.left, r.top, r.Width(), r.bottom - r.top, FillColour(n.track, light));
    p.setPen(BorderColour(n.track, light));
    p.drawRect(r.left, r.top, r.Width() - 1, r.bottom - r.top - 1);
  };
  // Other tracks first, the current one over them.
  for (const views::RollNote& n : notes)
    if (n.track != currentTrack_) draw(n, emphasise);
  for (const views::RollNote& n : notes)
    if (n.track == currentTrack_) draw(n, false);
}

void CPianoRollCtrl::PaintMarkersAndCursors(QPainter& p, const QRect& canvas) const {
  QPen dotted(QColor(224, 40, 40));
  dotted.setStyle(Qt::DotLine);
  for (const views::RollMarker& m : scene_.Markers()) {
    p.setPen(dotted);
    p.drawLine(m.flag.left, RollGeometry::kRulerHeight, m.flag.left, canvas.height());
  }
  auto line = [&](int32_t tick, const QColor& colour) {
    if (tick < geometry_.FirstVisibleTick() || tick >= geometry_.EndVisibleTick()) return;
    const int x = geometry_.XOfTick(tick);
    p.fillRect(x, RollGeometry::kRulerHeight, 2, canvas.height() - RollGeometry::kRulerHeight,
               colour);
  };
  line(startMark_, QColor(44, 63, 97));
  if (playCursor_ >= 0) line(playCursor_, QColor(0, 128, 255));
}

void CPianoRollCtrl::PaintRuler(QPainter& p, const QRect& canvas) const {
  const int h = RollGeometry::kRulerHeight;
  p.fillRect(0, 0, canvas.width(), h, QColor(103, 110, 137));
  p.setPen(QColor(44, 63, 97));
  p.drawLine(0, h - 1, canvas.width(), h - 1);
  p.setFont(views::FixedJapaneseFont(12));
  const int tpm = geometry_.TicksPerMeasure();
  const int first = geometry_.FirstVisibleTick() / tpm;
  for (int measure = first;; ++measure) {
    const int64_t tick = int64_t{measure} * tpm;
    if (tick >= geometry_.EndVisibleTick()) break;
    const int x = geometry_.XOfTick(static_cast<int32_t>(tick));
    p.setPen(QColor(222, 225, 231));
    p.drawLine(x, 2, x, 12);
    p.drawText(x + 3, 11, QString::number(measure));
  }
  if (startMark_ >= geometry_.FirstVisibleTick() && startMark_ < geometry_.EndVisibleTick()) {
    const int x = geometry_.XOfTick(startMark_);
    const QPoint tri[3] = {QPoint(x - 5, h - 8), QPoint(x + 5, h - 8), QPoint(x, h - 2)};
    p.setPen(QColor(44, 63, 97));
    p.setBrush(QColor(245, 248, 255));
    p.drawPolygon(tri, 3);
  }
  for (const views::RollMarker& m : scene_.Markers()) {
    const views::RollRect& f = m.flag;
    const QColor colour(m.colour & 0xFF, (m.colour >> 8) & 0xFF, (m.colour >> 16) & 0xFF);
    p.fillRect(f.left, f.top, 6, f.bottom - f.top, colour);
    p.setPen(QColor(222, 225, 231));
    p.drawText(f.left + 8, f.bottom - 1, QString::fromStdString(SjisToUtf8Lossy(m.name)));
  }
  p.setBrush(Qt::NoBrush);
}

void CPianoRollCtrl::PaintKeyStrip(QPainter& p, const QRect& canvas) const {
  const int w = RollGeometry::kKeyStripWidth;
  const int rowH = geometry_.RowHeight();
  p.fillRect(0, 0, w, RollGeometry::kRulerHeight, palette().button());
  p.fillRect(0, RollGeometry::kRulerHeight, w, canvas.height(), QColor(222, 225, 231));
  p.setFont(views::FixedJapaneseFont(std::min(12, rowH + 1)));
  for (int note = RollGeometry::kTopNote - geometry_.FirstRow(); note >= RollGeometry::kBottomNote;
       --note) {
    const int y = geometry_.YOfNote(note);
    if (y > canvas.bottom()) break;
    const bool black = IsBlackKey(note);
    QColor fill = black ? QColor(Qt::black) : QColor(Qt::white);
    if (note == hoverNote_) fill = QColor(0, 128, 255);
    const int keyW = black ? w * 3 / 5 : w - 1;
    p.fillRect(0, y, keyW, rowH, fill);
    p.setPen(QColor(142, 142, 142));
    if (!black) p.drawLine(0, y + rowH - 1, w - 1, y + rowH - 1);
    if (note % 12 == 0 && rowH > 5) {
      p.setPen(note == hoverNote_ ? Qt::white : Qt::black);
      const QString label = QString("C%1").arg(note / 12 - 1);
      const QRect box(2, y, w - 2 - 3, rowH);
      p.drawText(box, Qt::AlignRight | Qt::AlignVCenter | Qt::TextSingleLine,
                 p.fontMetrics().elidedText(label, Qt::ElideRight, box.width()));
    }
  }
  p.setPen(QColor(44, 63, 97));
  p.drawLine(w - 1, RollGeometry::kRulerHeight, w - 1, canvas.height());
}

}  // namespace kore
