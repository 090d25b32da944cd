#pragma once
// CDigitCtrl: the play position as "measure:tick", "Meas", the tempo and "bpm". Its accessible
// name carries the same text, so assistive tools can read the position.
//
// User-interface thread only.
#include <QWidget>
#include <cstdint>

#include "mml/midi_event.h"

namespace kore {

class CDigitCtrl : public QWidget {
  Q_OBJECT

 public:
  explicit CDigitCtrl(QWidget* parent = nullptr);

  void SetPosition(int32_t measure, int32_t tickInMeasure, int32_t tempo);
  // Measure and tick in measure of a song tick.
  void SetTick(int32_t tick, const TimeBase& timeBase, int32_t tempo);
  // "%04d:%04d Meas %3d bpm".
  QString Text() const;

  QSize sizeHint() const override { return {200, 28}; }

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  int32_t measure_ = 0;
  int32_t tick_ = 0;
  int32_t tempo_ = 120;
};

}  // namespace kore
