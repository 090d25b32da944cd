#pragma once
// Draws ASCII text in a fixed-pitch font as a glyph run, skipping Qt's text layout: the event
// list paints dozens of rows per frame and layout dominated its cost. Other text falls back to
// QPainter::drawText.
//
// User-interface thread only.
#include <QFont>
#include <QRawFont>
#include <array>
#include <string_view>

class QPainter;

namespace kore::views {

class FixedText {
 public:
  explicit FixedText(const QFont& font);
  // Draws `text` with its baseline starting at `origin`, one advance per character.
  void Draw(QPainter& painter, QPointF origin, std::string_view text) const;
  qreal Advance() const { return advance_; }

 private:
  QFont font_;
  QRawFont raw_;
  qreal advance_ = 0;
  std::array<quint32, 128> glyphs_{};
  bool usable_ = false;
};

}  // namespace kore::views
