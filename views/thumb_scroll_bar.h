#pragma once
// A scroll bar that repaints on a value change only when its thumb moves on screen. Over a long
// list one row moves the thumb by a fraction of a pixel, and repainting the bar cost ten times
// more than drawing the row that came into view. It is drawn flat, as the program's skin has it.
//
// User-interface thread only.
#include <QScrollBar>

namespace kore::views {

class ThumbScrollBar : public QScrollBar {
 public:
  ThumbScrollBar(Qt::Orientation orientation, QWidget* parent);

 protected:
  void sliderChange(SliderChange change) override;

 private:
  QRect ThumbRect() const;
  QRect lastThumb_;
};

}  // namespace kore::views
