#include "views/measure_display.h"

#include <QPainter>

#include "views/view_fonts.h"

namespace kore {

CDigitCtrl::CDigitCtrl(QWidget* parent) : QWidget(parent) {
  setObjectName("measureDisplay");
  SetPosition(0, 0, 120);
  setAccessibleName(QString::fromUtf8("小節表示 ") + Text());
}

void CDigitCtrl::SetPosition(int32_t measure, int32_t tickInMeasure, int32_t tempo) {
  if (measure == measure_ && tickInMeasure == tick_ && tempo == tempo_) return;
  measure_ = measure;
  tick_ = tickInMeasure;
  tempo_ = tempo;
  setAccessibleName(QString::fromUtf8("小節表示 ") + Text());
  update();
}

void CDigitCtrl::SetTick(int32_t tick, const TimeBase& timeBase, int32_t tempo) {
  const int32_t perMeasure = timeBase.TicksPerMeasure();
  if (perMeasure <= 0) {
    SetPosition(0, tick, tempo);
    return;
  }
  SetPosition(tick / perMeasure, tick % perMeasure, tempo);
}

QString CDigitCtrl::Text() const {
  return QString::asprintf("%04d:%04d Meas %3d bpm", measure_, tick_, tempo_);
}

void CDigitCtrl::paintEvent(QPaintEvent*) {
  QPainter p(this);
  p.fillRect(rect(), QColor(44, 63, 97));
  const QFont big = views::FixedJapaneseFont(std::max(10, height() - 8));
  const QFont small = views::FixedJapaneseFont(10);
  const int base = height() - 5;
  p.setPen(QColor(222, 225, 231));
  p.setFont(big);
  const QString position = QString::asprintf("%04d:%04d", measure_, tick_);
  int x = 4;
  p.drawText(x, base, position);
  x += p.fontMetrics().horizontalAdvance(position) + 3;
  p.setFont(small);
  p.drawText(x, base, QStringLiteral("Meas"));
  x += p.fontMetrics().horizontalAdvance(QStringLiteral("Meas ")) + 4;
  p.setFont(big);
  const QString tempo = QString::asprintf("%3d", tempo_);
  p.drawText(x, base, tempo);
  x += p.fontMetrics().horizontalAdvance(tempo) + 3;
  p.setFont(small);
  p.drawText(x, base, QStringLiteral("bpm"));
}

}  // namespace kore
