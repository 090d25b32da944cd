// Drawing of an editor instance: everything goes into one off-screen image (text as glyph runs
// batched by colour, so a page costs a handful of text calls), then the window copies it.
#include <QApplication>
#include <QGlyphRun>
#include <QGuiApplication>
#include <QInputMethod>
#include <QPaintEvent>
#include <QPainter>
#include <QRegion>
#include <algorithm>

#include "base/shift_jis.h"
#include "editor/char_class.h"
#include "editor/penna_editor.h"
#include "editor/penna_event.h"

namespace kore {

using namespace editor;  // the widget is built from the editor's own parts

namespace {

QColor ToColor(uint32_t colourRef) {
  return QColor(colourRef & 0xFF, (colourRef >> 8) & 0xFF, (colourRef >> 16) & 0xFF);
}

Qt::PenStyle ToPenStyle(int32_t gdiStyle) {
  switch (gdiStyle) {
    case 1: return Qt::DashLine;
    case 2: return Qt::DotLine;
    case 3: return Qt::DashDotLine;
    case 4: return Qt::DashDotDotLine;
    case 5: return Qt::NoPen;
    default: return Qt::SolidLine;
  }
}

// The mark texts, in Shift-JIS.
const std::string& WideSpaceMark() {
  static const std::string mark = Sjis("□");
  return mark;
}
const std::string& LineEndMark() {
  static const std::string mark = Sjis("↓");
  return mark;
}

// Owner-draw bits of metric 14 and the item states they report.
constexpr uint32_t kOwnerSpace = 1, kOwnerWideSpace = 2, kOwnerTab = 4, kOwnerLineEnd = 8,
                   kOwnerEof = 16;

}  // namespace

struct PennaEditor::GlyphBatch {
  uint32_t colour;
  bool bold;
  QList<quint32> glyphs;
  QList<QPointF> positions;
};

quint32 PennaEditor::GlyphOf(uint16_t code, bool bold, bool* found) {
  std::vector<int64_t>& cache = glyphCache_[bold ? 1 : 0];
  if (cache.empty()) cache.assign(65536, -1);
  int64_t& slot = cache[code];
  if (slot == -1) {
    slot = -2;
    char bytes[2];
    size_t n = 0;
    if (code > 0xFF) bytes[n++] = static_cast<char>(code >> 8);
    bytes[n++] = static_cast<char>(code & 0xFF);
    uint8_t first = static_cast<uint8_t>(bytes[0]);
    if (n == 2 || (first >= 0x20 && first != 0x7F)) {
      TextConversion utf8 = SjisToUtf8(std::string_view(bytes, n));
      if (utf8.ok) {
        const QRawFont& raw = bold ? rawBold_ : rawFont_;
        QList<quint32> glyphs = raw.glyphIndexesForString(QString::fromUtf8(utf8.text));
        if (glyphs.size() == 1 && glyphs[0] != 0) slot = glyphs[0];
      }
    }
  }
  *found = slot >= 0;
  return slot >= 0 ? static_cast<quint32>(slot) : 0;
}

bool PennaEditor::InkInsideCell(std::string_view text, const StyledChar& c) {
  if (c.kind != kCharNormal) return false;  // marks: not worth measuring
  const auto at = static_cast<size_t>(c.offset);
  uint16_t code = static_cast<uint8_t>(text[at]);
  if (c.bytes == 2) code = static_cast<uint16_t>((code << 8) | static_cast<uint8_t>(text[at + 1]));
  std::vector<int8_t>& cache = inkInside_[c.bold ? 1 : 0];
  if (cache.empty()) cache.assign(65536, -1);
  int8_t& inside = cache[code];
  if (inside < 0) {
    bool found = false;
    const quint32 glyph = GlyphOf(code, c.bold, &found);
    const QRawFont& raw = c.bold ? rawBold_ : rawFont_;
    // A face without its own bold is drawn a second time a pixel to the right.
    const qreal extra = c.bold && raw.weight() < 600 ? 1 : 0;
    const QRectF ink = found ? raw.boundingRect(glyph) : QRectF();
    inside = !found || (ink.left() >= 0 && ink.right() + extra <= c.bytes * charWidth_);
  }
  return inside == 1;
}

void PennaEditor::AddGlyphs(std::vector<GlyphBatch>& batches, uint32_t colour, bool bold,
                            std::string_view bytes, qreal x, qreal baseline) {
  GlyphBatch* batch = nullptr;
  for (GlyphBatch& b : batches) {
    if (b.colour == colour && b.bold == bold) {
      batch = &b;
      break;
    }
  }
  if (!batch) {
    batches.push_back({colour, bold, {}, {}});
    batch = &batches.back();
  }
  int32_t size = static_cast<int32_t>(bytes.size());
  for (int32_t i = 0; i < size;) {
    int32_t n = CharLengthAt(bytes, i);
    uint16_t code = static_cast<uint8_t>(bytes[i]);
    if (n == 2) code = static_cast<uint16_t>((code << 8) | static_cast<uint8_t>(bytes[i + 1]));
    bool found = false;
    quint32 glyph = GlyphOf(code, bold, &found);
    if (found) {
      batch->glyphs.push_back(glyph);
      batch->positions.push_back(QPointF(x, baseline));
    }
    x += n * charWidth_;
    i += n;
  }
}

void PennaEditor::FlushGlyphs(QPainter& p, std::vector<GlyphBatch>& batches) {
  for (GlyphBatch& batch : batches) {
    if (batch.glyphs.isEmpty()) continue;
    QGlyphRun run;
    run.setRawFont(batch.bold ? rawBold_ : rawFont_);
    run.setGlyphIndexes(batch.glyphs);
    run.setPositions(batch.positions);
    p.setPen(ToColor(batch.colour));
    p.drawGlyphRun(QPointF(0, 0), run);
    if (batch.bold && rawBold_.weight() < 600) {
      // The face has no bold of its own: embolden by drawing once more a pixel to the right.
      p.drawGlyphRun(QPointF(1, 0), run);
    }
  }
  batches.clear();
}

void PennaEditor::DrawMark(QPainter& p, std::vector<GlyphBatch>& batches, int32_t kind,
                           uint32_t colour, std::string_view text, int32_t x, int32_t rowTop,
                           int32_t right) {
  static constexpr uint32_t kOwnerBits[] = {kOwnerSpace, kOwnerWideSpace, kOwnerTab, kOwnerLineEnd,
                                            kOwnerEof};
  if ((ownerDrawMarks_ & kOwnerBits[kind]) && parentWidget()) {
    PennaDrawItem item{1000, 0, static_cast<uint32_t>(id_), static_cast<uint32_t>(kind),
                       this, &p, x, rowTop, right, rowTop + charHeight_};
    QPen pen = p.pen();
    PennaMessageEvent event(PENNA_MSG_DRAWITEM, 0, reinterpret_cast<intptr_t>(&item));
    QCoreApplication::sendEvent(parentWidget(), &event);
    p.setPen(pen);  // the owner may have changed the colour
    return;
  }
  AddGlyphs(batches, colour, false, text, x, rowTop + ascent_);
}

WrapCell PennaEditor::CellOf(size_t index, const StyledChar& c) const {
  if (core_.wrap) return wrapLayout_.cells[index];
  return {c.offset, 0, c.column, c.width};
}

void PennaEditor::AddCell(QPainter& p, std::vector<GlyphBatch>& batches, std::string_view text,
                          const StyledChar& c, int32_t x, int32_t y, int32_t width) {
  switch (c.kind) {
    case kCharTab:
      if (markVisible_[kMarkTab])
        DrawMark(p, batches, 2, colours_[kColourTabMark], ">", x, y, x + width);
      return;
    case kCharSpace:
      if (markVisible_[kMarkSpace])
        DrawMark(p, batches, 0, colours_[kColourSpaceMark], "`", x, y, x + width);
      return;
    case kCharWideSpace:
      if (markVisible_[kMarkWideSpace])
        DrawMark(p, batches, 1, colours_[kColourWideSpaceMark], WideSpaceMark(), x, y, x + width);
      return;
    default:
      break;
  }
  uint32_t colour = c.colour;
  if (c.address == kWebAddress) colour = colours_[kColourWebText];
  if (c.address == kMailAddress) colour = colours_[kColourMailText];
  if (c.highlight) colour = colours_[kColourHighlightText];
  AddGlyphs(batches, colour, c.bold, text.substr(static_cast<size_t>(c.offset), c.bytes), x,
            y + ascent_);
}

int32_t PennaEditor::DrawLine(QPainter& p, std::vector<GlyphBatch>& batches, LineNode& line,
                              int32_t rowTop, bool* stateChanged) {
  LineStyleOptions options;
  options.tabWidth = core_.tabWidth;
  options.addressFlags = addressFlags_;
  options.baseColour = colours_[kColourText];
  options.highlight = highlight_;
  options.highlightCaseSensitive = highlightCase_;
  *stateChanged = StyleLine(line, emphasis_, options, styled_);
  const bool wrap = core_.wrap;
  if (wrap) LayOutWrapped(line.text, core_.WrapWidth(), core_.tabWidth, wrapLayout_);
  line.rows = wrap ? wrapLayout_.rows() : 1;

  const int32_t rowH = rowHeight();
  const int32_t firstColumn = wrap ? 0 : core_.scrollColumn - 1;
  const int32_t lastColumn = firstColumn + core_.visibleColumns + 2;
  auto columnX = [&](int32_t column) { return marginWidth_ + (column - firstColumn) * charWidth_; };

  int32_t underlineKind = kNoAddress;
  int32_t underlineStart = 0, underlineEnd = 0, underlineY = 0;
  auto flushUnderline = [&] {
    if (underlineKind == kNoAddress) return;
    bool web = underlineKind == kWebAddress;
    QPen pen(ToColor(colours_[web ? kColourWebUnderline : kColourMailUnderline]), 1,
             ToPenStyle(web ? webPenStyle_ : mailPenStyle_));
    p.setPen(pen);
    p.drawLine(underlineStart, underlineY, underlineEnd - 1, underlineY);
    underlineKind = kNoAddress;
  };

  const std::string_view text = line.text;
  for (size_t k = 0; k < styled_.size(); ++k) {
    const StyledChar& c = styled_[k];
    WrapCell cell = CellOf(k, c);
    if (!wrap && cell.column > lastColumn) break;
    if (!wrap && cell.column < firstColumn) continue;
    int32_t x = columnX(cell.column);
    int32_t y = rowTop + cell.row * rowH;
    int32_t width = cell.width * charWidth_;
    // An address underline breaks where the address ends or the row wraps.
    if (c.address != underlineKind || y + charHeight_ - 1 != underlineY) flushUnderline();
    if (c.address != kNoAddress) {
      if (underlineKind == kNoAddress) underlineStart = x;
      underlineKind = c.address;
      underlineEnd = x + width;
      underlineY = y + charHeight_ - 1;
    }
    if (c.highlight) p.fillRect(x, y, width, charHeight_, ToColor(colours_[kColourHighlightBack]));
    AddCell(p, batches, text, c, x, y, width);
  }
  flushUnderline();
  int32_t endRow = wrap ? wrapLayout_.endRow : 0;
  int32_t endColumn = wrap ? wrapLayout_.endColumn
                           : (styled_.empty() ? 0 : styled_.back().column + styled_.back().width);
  if (endColumn >= firstColumn && endColumn <= lastColumn) {
    int32_t x = columnX(endColumn);
    int32_t y = rowTop + endRow * rowH;
    if (line.next) {
      if (markVisible_[kMarkLineEnd])
        DrawMark(p, batches, 3, colours_[kColourLineEndMark], LineEndMark(), x, y, 0);
    } else if (markVisible_[kMarkEof]) {
      DrawMark(p, batches, 4, colours_[kColourEofMark], "[EOF]", x, y, 0);
    }
  }
  return line.rows;
}

void PennaEditor::DrawSelection(QPainter& p, const LineNode& line, int32_t lineNo,
                                int32_t rowTop) {
  const Selection& sel = core_.buffer.selection();
  TextPoint start = sel.start(), end = sel.end();
  if (!sel.active || lineNo < start.line || lineNo > end.line) return;
  const int32_t from = lineNo == start.line ? start.pos - 1 : 0;
  const int32_t to = lineNo == end.line ? end.pos - 1 : line.length();
  const bool pastEnd = lineNo < end.line;  // the selection runs on over the line end
  // Selected column spans per screen row.
  struct Span {
    int32_t row, from, to;
  };
  std::vector<Span> spans;
  if (core_.wrap) {
    LayOutWrapped(line.text, core_.WrapWidth(), core_.tabWidth, wrapLayout_);
    for (const WrapCell& cell : wrapLayout_.cells) {
      if (cell.offset < from || cell.offset >= to) continue;
      if (!spans.empty() && spans.back().row == cell.row) {
        spans.back().to = cell.column + cell.width;
      } else {
        spans.push_back({cell.row, cell.column, cell.column + cell.width});
      }
    }
    if (pastEnd) {
      int32_t row = wrapLayout_.endRow, column = wrapLayout_.endColumn;
      if (!spans.empty() && spans.back().row == row) {
        spans.back().to = column + 2;
      } else {
        spans.push_back({row, column, column + 2});
      }
    }
  } else {
    int32_t c0 = ColumnOfOffset(line.text, from, core_.tabWidth);
    int32_t c1 = ColumnOfOffset(line.text, to, core_.tabWidth) + (pastEnd ? 2 : 0);
    spans.push_back({0, c0, c1});
  }
  int32_t firstColumn = core_.wrap ? 0 : core_.scrollColumn - 1;
  for (const Span& span : spans) {
    int32_t x0 = std::max(marginWidth_, marginWidth_ + (span.from - firstColumn) * charWidth_);
    int32_t x1 = marginWidth_ + (span.to - firstColumn) * charWidth_;
    if (x1 <= x0) continue;
    QRect rect(x0, rowTop + span.row * rowHeight(), x1 - x0, rowHeight());
    switch (selectionRop_) {
      case 9: case 10: case 11:  // AND, NOT XOR and no-op with a white pen leave the pixels
        continue;
      case 1:
        p.fillRect(rect, Qt::black);
        continue;
      case 13: case 15: case 16:
        p.fillRect(rect, Qt::white);
        continue;
      case 6:
        p.setCompositionMode(QPainter::RasterOp_NotDestination);
        break;
      default:  // 7, exclusive or with white: the colours invert
        p.setCompositionMode(QPainter::RasterOp_SourceXorDestination);
        break;
    }
    p.fillRect(rect, Qt::white);
    p.setCompositionMode(QPainter::CompositionMode_SourceOver);
  }
}

void PennaEditor::DrawMargin(QPainter& p) {
  const int32_t rowH = rowHeight();
  const int32_t numberRight = marginWidth_ - numberGap_;
  const int32_t height = image_.height();
  p.fillRect(0, rulerHeight_, marginWidth_, height - rulerHeight_,
             ToColor(colours_[kColourBackground]));
  std::vector<GlyphBatch> digits;
  // With wrapping every row is numbered, counted in rows from the start of the text.
  int64_t number = core_.topLine;
  const int32_t skipped = core_.wrap ? core_.topRow : 0;  // rows of the top line above the view
  if (core_.wrap) {
    number = 1;
    for (const LineNode* n = core_.buffer.FirstLine(); n && n != topNodeForMargin_; n = n->next)
      number += n->rows;
  }
  const int32_t caretRow = caretRowIndex_;
  LineNode* node = topNodeForMargin_;
  int32_t rowTop = rulerHeight_ - skipped * rowH;
  int32_t screenRow = -skipped;
  static const QColor kBars[] = {QColor(0, 0, 255), QColor(255, 0, 0), QColor(0, 255, 0)};
  for (; node && rowTop < height; node = node->next) {
    int32_t rows = core_.wrap ? node->rows : 1;
    for (int32_t r = 0; r < rows && rowTop < height; ++r, ++screenRow, rowTop += rowH) {
      if (screenRow == caretRow && numberRight > 0)
        p.fillRect(0, rowTop, numberRight, rowH, ToColor(colours_[kColourCaretNumberBack]));
      std::string text = std::to_string(number++);
      int32_t x = numberRight - static_cast<int32_t>(text.size()) * charWidth_;
      AddGlyphs(digits, colours_[kColourLineNumber], false, text, x, rowTop + ascent_);
      if (node->mark >= 1 && node->mark <= 3) p.fillRect(0, rowTop, 2, rowH, kBars[node->mark - 1]);
    }
  }
  FlushGlyphs(p, digits);
}

void PennaEditor::DrawRuler(QPainter& p) {
  const int32_t band = rulerHeight_;
  if (band <= 0) return;
  const int32_t width = image_.width();
  p.fillRect(0, 0, width, band, ToColor(colours_[kColourRulerBack]));
  const int32_t scroll = core_.scrollColumn;
  auto columnX = [&](int32_t c) { return marginWidth_ + (c - scroll + 1) * charWidth_; };
  int32_t caretColumn = core_.CaretColumn();
  if (caretColumn >= scroll - 1 && caretColumn < scroll - 1 + core_.visibleColumns)
    p.fillRect(columnX(caretColumn), 0, charWidth_, band, ToColor(colours_[kColourRulerCaret]));
  p.setPen(QPen(ToColor(colours_[kColourRulerTick]), 1));
  QList<QLine> ticks;
  std::vector<std::pair<int32_t, int32_t>> labels;
  for (int32_t c = scroll - 1; c <= scroll + core_.visibleColumns + 1; ++c) {
    int32_t x = columnX(c);
    if (c % 10 == 0) {
      ticks.push_back(QLine(x, 0, x, band - 1));
      labels.emplace_back(x + 2, c);
    } else if (c % 5 == 0) {
      ticks.push_back(QLine(x, band / 4, x, band - 1));
    } else {
      ticks.push_back(QLine(x, band * 8 / 9, x, band - 1));
    }
  }
  p.drawLines(ticks);
  p.setFont(rulerFont_);
  p.setPen(ToColor(colours_[kColourRulerNumber]));
  QFontMetrics metrics(rulerFont_);
  int32_t baseline = band - metrics.height() + metrics.ascent();
  for (const auto& [x, c] : labels) p.drawText(x, baseline, QString::number(c));
}

void PennaEditor::Redraw(bool now) {
  if (now) {
    Draw();
  } else {
    imageCurrent_ = false;
  }
}

PennaEditor::DrawnView PennaEditor::CurrentView() const {
  const Selection& sel = core_.buffer.selection();
  DrawnView view{image_.size(),     core_.buffer.revision(), core_.topLine,
                 core_.topRow,      core_.scrollColumn,      core_.visibleLines,
                 core_.visibleColumns, core_.buffer.caret(), {}, {}, sel.active};
  if (sel.active) {
    view.selectionStart = sel.start();
    view.selectionEnd = sel.end();
  }
  return view;
}

bool PennaEditor::RepaintHighlight() {
  TextBuffer& buffer = core_.buffer;
  if (!imageCurrent_ || hidden_ || image_.isNull() || core_.wrap || ownerDrawMarks_ != 0 ||
      emphasis_.rulesChanged || buffer.structureChanged || !(drawnView_ == CurrentView())) {
    return false;
  }
  struct Changed {
    const LineNode* node;
    int32_t rowTop;
    std::vector<StyledChar> cells;
    std::vector<size_t> changed;  // indices into cells, ascending
  };
  LineStyleOptions options;
  options.tabWidth = core_.tabWidth;
  options.addressFlags = addressFlags_;
  options.baseColour = colours_[kColourText];
  options.highlight = highlight_;
  options.highlightCaseSensitive = highlightCase_;
  const int32_t rowH = rowHeight();
  const int32_t firstColumn = core_.scrollColumn - 1;
  const int32_t lastColumn = firstColumn + core_.visibleColumns + 2;
  const Selection& sel = buffer.selection();

  // First find every character to repaint, so that nothing is drawn when one of them needs the
  // full redraw.
  std::vector<Changed> lines;
  int32_t selectedFirst = -1, selectedLast = -1;
  LineNode* node = buffer.LineAt(core_.topLine);
  int32_t rowTop = rulerHeight_;
  for (int32_t line = core_.topLine, row = 0; node && row < core_.visibleLines;
       ++line, ++row, node = node->next, rowTop += rowH) {
    if (StyleLine(*node, emphasis_, options, styled_)) {
      RecomputeOpenAtStart(buffer.FirstLine());  // the full redraw must still see the change
      return false;
    }
    HighlightMarker drawn(drawnHighlight_, drawnHighlightCase_);
    Changed entry{node, rowTop, {}, {}};
    for (size_t k = 0; k < styled_.size(); ++k) {
      const StyledChar& c = styled_[k];
      const bool was = drawn.At(node->text, c.offset);
      if (was == c.highlight || c.column < firstColumn || c.column > lastColumn) continue;
      if (c.address != kNoAddress) return false;  // its underline runs across characters
      entry.changed.push_back(k);
    }
    if (entry.changed.empty()) continue;
    if (sel.active && line >= sel.start().line && line <= sel.end().line) {
      // The selection is drawn over the text: these lines are drawn again whole.
      if (selectedFirst < 0) selectedFirst = line;
      selectedLast = line;
      continue;
    }
    entry.cells = styled_;
    lines.push_back(std::move(entry));
  }

  if (!lines.empty()) {
    QPainter p(&image_);
    const QColor background = ToColor(colours_[kColourBackground]);
    const QColor highlightBack = ToColor(colours_[kColourHighlightBack]);
    auto columnX = [&](int32_t column) {
      return marginWidth_ + (column - firstColumn) * charWidth_;
    };
    QList<QRect> rects;  // row by row, left to right: already in QRegion's banded order
    std::vector<GlyphBatch> batches;
    for (const Changed& l : lines) {
      // A neighbour's glyph may reach into a repainted character: it is drawn again, clipped.
      std::vector<bool> glyph(l.cells.size(), false);
      for (size_t k : l.changed) {
        const StyledChar& c = l.cells[k];
        const QRect cell(columnX(c.column), l.rowTop, c.width * charWidth_, rowH);
        p.fillRect(cell, background);
        if (c.highlight) p.fillRect(cell.x(), cell.y(), cell.width(), charHeight_, highlightBack);
        if (!rects.isEmpty() && rects.back().y() == cell.y() &&
            rects.back().right() + 1 == cell.x()) {
          rects.back().setRight(cell.right());
        } else {
          rects.push_back(cell);
        }
        glyph[k] = true;
        if (k > 0 && !InkInsideCell(l.node->text, l.cells[k - 1])) glyph[k - 1] = true;
        if (k + 1 < l.cells.size() && !InkInsideCell(l.node->text, l.cells[k + 1]))
          glyph[k + 1] = true;
      }
      for (size_t k = 0; k < l.cells.size(); ++k) {
        const StyledChar& c = l.cells[k];
        if (!glyph[k] || c.column < firstColumn || c.column > lastColumn) continue;
        AddCell(p, batches, l.node->text, c, columnX(c.column), l.rowTop, c.width * charWidth_);
      }
      const StyledChar& last = l.cells.back();
      const int32_t endColumn = last.column + last.width;
      if (l.changed.back() + 1 == l.cells.size() && endColumn <= lastColumn) {
        const bool lineEnd = l.node->next != nullptr;
        if (markVisible_[lineEnd ? kMarkLineEnd : kMarkEof]) {
          AddGlyphs(batches, colours_[lineEnd ? kColourLineEndMark : kColourEofMark], false,
                    lineEnd ? std::string_view(LineEndMark()) : std::string_view("[EOF]"),
                    columnX(endColumn), l.rowTop + ascent_);
        }
      }
    }
    QRegion region;
    region.setRects(rects.constData(), static_cast<int>(rects.size()));
    p.setClipRegion(region);
    FlushGlyphs(p, batches);
    p.end();
    viewport()->update(region);
  }
  drawnHighlight_ = highlight_;
  drawnHighlightCase_ = highlightCase_;
  if (selectedFirst > 0) Draw(selectedFirst, selectedLast);
  return true;
}

void PennaEditor::Draw(int32_t first, int32_t last) {
  if (hidden_ || image_.isNull()) {
    imageCurrent_ = false;
    PlaceCaretPixel();
    return;
  }
  TextBuffer& buffer = core_.buffer;
  bool full = first < 0;
  if (emphasis_.rulesChanged) {
    emphasis_.rulesChanged = false;
    core_.topLine = 1;
    core_.topRow = 0;
    full = true;
    SyncScrollBars();
  }
  if (buffer.structureChanged) {
    RecomputeOpenAtStart(buffer.FirstLine());
    if (core_.wrap) core_.RecountRows();
    buffer.structureChanged = false;
  }
  const int32_t rowH = rowHeight();
  const QColor background = ToColor(colours_[kColourBackground]);
  const int32_t width = image_.width();
  QPainter p(&image_);
  if (full) p.fillRect(image_.rect(), background);

  std::vector<GlyphBatch> batches;
  struct Shown {
    LineNode* node;
    int32_t line;
    int32_t rowTop;
  };
  std::vector<Shown> shown;
  core_.ClampTopLine();
  LineNode* node = buffer.LineAt(core_.topLine);
  topNodeForMargin_ = node;
  // With wrapping the view may start inside the top line: its rows above are drawn under the
  // ruler band, which is painted over them.
  const int32_t skipped = core_.wrap ? core_.topRow : 0;
  int32_t rowTop = rulerHeight_ - skipped * rowH;
  int32_t updateTop = -1, updateBottom = -1;
  for (int32_t line = core_.topLine, row = -skipped; node && row < core_.visibleLines;
       ++line, node = node->next) {
    int32_t rows = node->rows;
    if (full || (line >= first && line <= last)) {
      if (!full) p.fillRect(0, rowTop, width, rows * rowH, background);
      bool stateChanged = false;
      int32_t before = node->rows;
      rows = DrawLine(p, batches, *node, rowTop, &stateChanged);
      if (stateChanged) RecomputeOpenAtStart(buffer.FirstLine());
      if (!full && (stateChanged || rows != before)) {
        // A span opened or closed, or the line wrapped differently: the lines below move.
        p.end();
        Draw();
        return;
      }
      if (updateTop < 0) updateTop = rowTop;
      updateBottom = rowTop + rows * rowH;
    } else if (core_.wrap) {
      rows = core_.RowsOf(node);
    }
    shown.push_back({node, line, rowTop});
    rowTop += rows * rowH;
    row += rows;
  }
  FlushGlyphs(p, batches);
  if (buffer.HasSelection()) {
    for (const Shown& s : shown) {
      if (full || (s.line >= first && s.line <= last)) DrawSelection(p, *s.node, s.line, s.rowTop);
    }
  }
  PlaceCaretPixel();
  DrawMargin(p);
  DrawRuler(p);
  QPen separator(ToColor(colours_[kColourSeparator]), 1, ToPenStyle(separatorPenStyle_));
  p.setPen(separator);
  int32_t sx = marginWidth_ - numberGap_;
  p.drawLine(sx, 0, sx, image_.height() - 1);
  p.end();
  drawnView_ = CurrentView();
  drawnHighlight_ = highlight_;
  drawnHighlightCase_ = highlightCase_;
  if (full) imageCurrent_ = true;
  if (full || updateTop < 0) {
    viewport()->update();
  } else {
    // The rows drawn, the ruler (caret column) and the margin (caret line number).
    QRegion region(0, 0, width, rulerHeight_);
    region += QRect(0, updateTop, width, updateBottom - updateTop);
    region += QRect(0, rulerHeight_, marginWidth_, image_.height() - rulerHeight_);
    viewport()->update(region);
  }
}

QPoint PennaEditor::PointOrigin(TextPoint point) const {
  if (point.line < core_.topLine) return {-1, -1};
  EditorCore::ScreenPos screen = core_.ScreenOf(point);
  int64_t row = core_.RowsBetween(core_.topLine, point.line) + screen.row - core_.topRow;
  if (row < 0 || row >= core_.visibleLines) return {-1, -1};
  int32_t firstColumn = core_.wrap ? 0 : core_.scrollColumn - 1;
  return {marginWidth_ + (screen.column - firstColumn) * charWidth_,
          rulerHeight_ + static_cast<int32_t>(row) * rowHeight()};
}

QPoint PennaEditor::CellOrigin(int32_t line, int32_t column) const {
  if (line < core_.topLine) return {-1, -1};
  int64_t row = core_.RowsBetween(core_.topLine, line) - core_.topRow;
  if (row < 0 || row >= core_.visibleLines) return {-1, -1};
  return {marginWidth_ + (column - core_.scrollColumn + 1) * charWidth_,
          rulerHeight_ + static_cast<int32_t>(row) * rowHeight()};
}

void PennaEditor::PlaceCaretPixel() {
  QPoint origin = PointOrigin(core_.buffer.caret());
  caretRowIndex_ = origin.y() >= 0 ? (origin.y() - rulerHeight_) / rowHeight() : -1;
  bool visible = origin.y() >= 0 && origin.x() >= marginWidth_ &&
                 origin.x() < image_.width() && origin.y() < image_.height();
  caretShown_ = visible;
  caretX_ = visible ? origin.x() : 0;
  caretY_ = visible ? origin.y() : 0;
  // A moved caret shows at once and blinks from there.
  caretOn_ = true;
  if (hasFocus_ && QApplication::cursorFlashTime() > 0)
    blinkTimer_.start(QApplication::cursorFlashTime() / 2, this);
  if (hasFocus()) QGuiApplication::inputMethod()->update(Qt::ImCursorRectangle | Qt::ImFont);
}

void PennaEditor::paintEvent(QPaintEvent* event) {
  QPainter p(viewport());
  QRect rect = event->rect();
  p.drawImage(rect, image_, rect);
  if (image_.isNull() || hidden_) return;
  TextPoint caret = core_.buffer.caret();
  if (!core_.buffer.HasSelection() && markVisible_[kMarkCaretUnderline] && caretRowIndex_ >= 0) {
    int32_t y = rulerHeight_ + (caretRowIndex_ + 1) * rowHeight() - std::max(lineSpacing_, 1);
    p.setPen(QPen(ToColor(colours_[kColourCaretUnderline]), 1));
    p.drawLine(marginWidth_, y, viewport()->width() - 1, y);
  }
  int32_t caretX = caretX_;
  if (caretShown_ && !preedit_.isEmpty()) {
    // The composition so far, underlined at the caret in the text font.
    int32_t columns = static_cast<int32_t>(Utf8ToSjisLossy(preedit_.toStdString()).size());
    QRect box(caretX_, caretY_, columns * charWidth_, charHeight_);
    p.fillRect(box, ToColor(colours_[kColourBackground]));
    p.setFont(textFont_);
    p.setPen(ToColor(colours_[kColourText]));
    p.drawText(box, Qt::AlignLeft | Qt::AlignVCenter, preedit_);
    p.setPen(QPen(ToColor(colours_[kColourText]), 1, Qt::DotLine));
    p.drawLine(box.left(), box.bottom(), box.right(), box.bottom());
    caretX += box.width();
  }
  if (caretShown_ && hasFocus_ && caretOn_) {
    int32_t width = 2;
    if (core_.overwrite) {
      const LineNode* node = core_.buffer.LineAt(caret.line);
      int32_t n = node ? CharLengthAt(node->text, caret.pos - 1) : 0;
      if (n > 0) width = n * charWidth_;
    }
    p.setCompositionMode(QPainter::RasterOp_SourceXorDestination);
    p.fillRect(caretX, caretY_, width, charHeight_, Qt::white);
  }
}

}  // namespace kore
