#include "views/roll_geometry.h"

#include <algorithm>
#include <cmath>

namespace kore::views {

namespace {
int32_t ValidBeatUnit(int32_t unit) { return unit > 0 ? unit : 4; }
}  // namespace

void RollGeometry::SetMagnification(int32_t hMag, int32_t vMag) {
  hMag_ = std::clamp(hMag, 0, kMaxHMag);
  vMag_ = std::clamp(vMag, 0, kMaxVMag);
  SetFirstColumn(firstColumn_);
  SetFirstRow(firstRow_);
}

void RollGeometry::SetTimeBase(const TimeBase& timeBase) {
  timeBase_ = timeBase;
  SetFirstColumn(firstColumn_);
}

void RollGeometry::SetViewSize(int32_t width, int32_t height) {
  width_ = std::max(0, width);
  height_ = std::max(0, height);
  SetFirstColumn(firstColumn_);
  SetFirstRow(firstRow_);
}

void RollGeometry::SetSongEnd(int32_t lastTick) {
  songEnd_ = std::max(0, lastTick);
  SetFirstColumn(firstColumn_);
}

int32_t RollGeometry::TicksPerColumn() const {
  return std::max(1, std::max(1, timeBase_.ticksPerQuarter) * 4 / ValidBeatUnit(timeBase_.beatUnit));
}

int32_t RollGeometry::PixelsPerColumn() const {
  return std::max(1, QuarterWidth() * 4 / ValidBeatUnit(timeBase_.beatUnit));
}

int32_t RollGeometry::TicksPerMeasure() const {
  return std::max(1, timeBase_.TicksPerMeasure());
}

int32_t RollGeometry::VisibleColumns() const {
  const int32_t pixels = std::max(0, width_ - kKeyStripWidth);
  return (pixels + PixelsPerColumn() - 1) / PixelsPerColumn();
}

int32_t RollGeometry::VisibleRows() const {
  return std::max(0, height_ - kRulerHeight) / RowHeight();
}

int32_t RollGeometry::MaxFirstColumn() const {
  const int32_t songColumns = songEnd_ / TicksPerColumn() + 1;
  const int32_t wholeColumns = std::max(0, width_ - kKeyStripWidth) / PixelsPerColumn();
  return std::max(0, songColumns - wholeColumns);
}

int32_t RollGeometry::MaxFirstRow() const { return std::max(0, kRowCount - VisibleRows()); }

void RollGeometry::SetFirstColumn(int32_t column) {
  firstColumn_ = std::clamp(column, 0, MaxFirstColumn());
}

void RollGeometry::SetFirstRow(int32_t row) { firstRow_ = std::clamp(row, 0, MaxFirstRow()); }

void RollGeometry::ScrollToTick(int32_t tick) { SetFirstColumn(std::max(0, tick) / TicksPerColumn()); }

void RollGeometry::CenterOnTick(int32_t tick) {
  const int64_t halfWidthTicks = int64_t{std::max(0, width_ - kKeyStripWidth)} / 2 *
                                 TicksPerColumn() / PixelsPerColumn();
  const int64_t origin = std::max<int64_t>(0, int64_t{tick} - halfWidthTicks);
  SetFirstColumn(static_cast<int32_t>(origin / TicksPerColumn()));
}

void RollGeometry::ShowPitchRange(int32_t low, int32_t high) {
  low = std::clamp(low, kBottomNote, kTopNote);
  high = std::clamp(high, low, kTopNote);
  const int32_t topRow = kTopNote - high;
  const int32_t span = high - low + 1;
  const int32_t rows = VisibleRows();
  SetFirstRow(span >= rows ? topRow : topRow - (rows - span) / 2);
}

int32_t RollGeometry::EndVisibleTick() const {
  const int64_t end = int64_t{firstColumn_ + VisibleColumns()} * TicksPerColumn();
  return static_cast<int32_t>(std::min<int64_t>(end, INT32_MAX));
}

bool RollGeometry::IsTickVisible(int32_t tick) const {
  // Only whole columns count, so a followed position never sits under the right edge.
  const int32_t whole = std::max(1, std::max(0, width_ - kKeyStripWidth) / PixelsPerColumn());
  return tick >= FirstVisibleTick() &&
         int64_t{tick} < int64_t{firstColumn_ + whole} * TicksPerColumn();
}

int32_t RollGeometry::TickAtX(int32_t x) const {
  const double ticksPerPixel = static_cast<double>(TicksPerColumn()) / PixelsPerColumn();
  return static_cast<int32_t>(ticksPerPixel * (x - kKeyStripWidth)) + FirstVisibleTick();
}

int32_t RollGeometry::XOfTick(int32_t tick) const {
  const int64_t offset = int64_t{tick} - FirstVisibleTick();
  const int64_t x = offset * PixelsPerColumn() / TicksPerColumn() + kKeyStripWidth;
  return static_cast<int32_t>(std::clamp<int64_t>(x, -(1 << 24), 1 << 24));
}

int32_t RollGeometry::YOfNote(int32_t note) const {
  return kRulerHeight + (kTopNote - note - firstRow_) * RowHeight();
}

int32_t RollGeometry::NoteAtY(int32_t y) const {
  if (y < kRulerHeight) return -1;
  const int32_t row = (y - kRulerHeight) / RowHeight() + firstRow_;
  return row < kRowCount ? kTopNote - row : -1;
}

}  // namespace kore::views
