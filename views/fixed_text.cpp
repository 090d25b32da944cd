#include "views/fixed_text.h"

#include <QFontMetricsF>
#include <QGlyphRun>
#include <QPainter>
#include <vector>

namespace kore::views {

FixedText::FixedText(const QFont& font)
    : font_(font), raw_(QRawFont::fromFont(font)), advance_(QFontMetricsF(font).horizontalAdvance('0')) {
  if (!raw_.isValid()) return;
  QString ascii;
  for (int c = 32; c < 127; ++c) ascii.append(QChar(c));
  const QList<quint32> indexes = raw_.glyphIndexesForString(ascii);
  if (indexes.size() != ascii.size()) return;
  usable_ = true;
  for (int c = 32; c < 127; ++c) {
    glyphs_[c] = indexes[c - 32];
    usable_ = usable_ && (c == ' ' || glyphs_[c] != 0);
  }
}

void FixedText::Draw(QPainter& painter, QPointF origin, std::string_view text) const {
  const bool ascii = std::all_of(text.begin(), text.end(),
                                 [](char c) { return c >= 32 && c < 127; });
  if (!usable_ || !ascii) {
    painter.setFont(font_);
    painter.drawText(origin, QString::fromLatin1(text.data(), static_cast<int>(text.size())));
    return;
  }
  QList<quint32> indexes;
  QList<QPointF> positions;
  indexes.reserve(static_cast<qsizetype>(text.size()));
  positions.reserve(static_cast<qsizetype>(text.size()));
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == ' ') continue;
    indexes.append(glyphs_[static_cast<unsigned char>(text[i])]);
    positions.append(QPointF(advance_ * static_cast<qreal>(i), 0));
  }
  if (indexes.isEmpty()) return;
  QGlyphRun run;
  run.setRawFont(raw_);
  run.setGlyphIndexes(indexes);
  run.setPositions(positions);
  painter.drawGlyphRun(origin, run);
}

}  // namespace kore::views
