#pragma once
// The piano roll's coordinate system: magnifications, beat columns, tick <-> x, note <-> y and
// the visible range, as plain numbers so they can be tested without a window.
//
// User-interface thread only. No text.
#include <cstdint>

#include "mml/midi_event.h"

namespace kore::views {

class RollGeometry {
 public:
  static constexpr int32_t kRulerHeight = 26;
  static constexpr int32_t kKeyStripWidth = 39;
  static constexpr int32_t kTopNote = 119;  // "C8" row is the top octave's B
  static constexpr int32_t kBottomNote = 24;
  static constexpr int32_t kRowCount = kTopNote - kBottomNote + 1;
  static constexpr int32_t kMaxHMag = 128;
  static constexpr int32_t kMaxVMag = 11;
  static constexpr int32_t kDefaultHMag = 48;
  static constexpr int32_t kDefaultVMag = 10;

  // Stored settings may hold anything; out-of-range magnifications are clamped.
  void SetMagnification(int32_t hMag, int32_t vMag);
  void SetTimeBase(const TimeBase& timeBase);
  // The drawing area, ruler and key strip included.
  void SetViewSize(int32_t width, int32_t height);
  // The last tick of the song bounds the horizontal scroll range.
  void SetSongEnd(int32_t lastTick);

  int32_t HMag() const { return hMag_; }
  int32_t VMag() const { return vMag_; }
  int32_t QuarterWidth() const { return hMag_ + 16; }
  int32_t RowHeight() const { return vMag_ + 4; }
  // One beat per column; never 0, even for time bases whose beat is shorter than a tick.
  int32_t TicksPerColumn() const;
  int32_t PixelsPerColumn() const;
  int32_t TicksPerMeasure() const;

  int32_t FirstColumn() const { return firstColumn_; }
  int32_t FirstRow() const { return firstRow_; }
  int32_t MaxFirstColumn() const;
  int32_t MaxFirstRow() const;
  void SetFirstColumn(int32_t column);
  void SetFirstRow(int32_t row);
  // The column holding `tick` becomes the first visible one (limited to the range).
  void ScrollToTick(int32_t tick);
  // `tick` stands in the middle of the visible width (origin never before the song start).
  void CenterOnTick(int32_t tick);
  // Rows so that notes low..high are in view, centred when they fit.
  void ShowPitchRange(int32_t low, int32_t high);

  int32_t VisibleColumns() const;  // whole and partial columns
  int32_t VisibleRows() const;     // whole rows
  int32_t FirstVisibleTick() const { return firstColumn_ * TicksPerColumn(); }
  // One past the last tick that can be seen.
  int32_t EndVisibleTick() const;
  bool IsTickVisible(int32_t tick) const;

  // The tick under x: ticks per pixel in floating point times (x - key strip), truncated, plus
  // the first visible column's tick.
  int32_t TickAtX(int32_t x) const;
  int32_t XOfTick(int32_t tick) const;
  int32_t YOfNote(int32_t note) const;  // top of the note's row
  // The note of the row under y; -1 above or below the rows.
  int32_t NoteAtY(int32_t y) const;

 private:
  TimeBase timeBase_;
  int32_t hMag_ = kDefaultHMag;
  int32_t vMag_ = kDefaultVMag;
  int32_t width_ = 0;
  int32_t height_ = 0;
  int32_t songEnd_ = 0;
  int32_t firstColumn_ = 0;
  int32_t firstRow_ = 0;
};

}  // namespace kore::views
