#include "views/thumb_scroll_bar.h"

#include <QStyle>
#include <QStyleFactory>
#include <QStyleOptionSlider>

namespace kore::views {

ThumbScrollBar::ThumbScrollBar(Qt::Orientation orientation, QWidget* parent)
    : QScrollBar(orientation, parent) {
  // Qt's plain style draws a bar with a few rectangles; one instance serves every bar.
  static QStyle* const flat = QStyleFactory::create(QStringLiteral("Windows"));
  if (flat) setStyle(flat);
}

QRect ThumbScrollBar::ThumbRect() const {
  QStyleOptionSlider option;
  initStyleOption(&option);
  return style()->subControlRect(QStyle::CC_ScrollBar, &option, QStyle::SC_ScrollBarSlider, this);
}

void ThumbScrollBar::sliderChange(SliderChange change) {
  const QRect thumb = ThumbRect();
  if (change == SliderValueChange && thumb == lastThumb_) return;
  lastThumb_ = thumb;
  QScrollBar::sliderChange(change);
}

}  // namespace kore::views
