#pragma once
// CPianoKeyCtrl: eight octaves of keys (280 x 25 picture inside a one-pixel frame) with a mark
// on every sounding key from note 24 to 118.
//
// User-interface thread only.
#include <QImage>
#include <QWidget>
#include <array>
#include <cstdint>

namespace kore {

class CPianoKeyCtrl : public QWidget {
  Q_OBJECT

 public:
  static constexpr int kPictureWidth = 280;
  static constexpr int kPictureHeight = 25;
  static constexpr int kLowestMarked = 24;
  static constexpr int kHighestMarked = 118;

  explicit CPianoKeyCtrl(QWidget* parent = nullptr);

  // Bit n of the 128-bit mask (note 0 in the lowest bit of the first word) marks note n.
  void SetKeys(const std::array<uint32_t, 4>& keys);
  // The same from the player's two 64-bit halves (notes 0..63, 64..127).
  void SetKeys(uint64_t low, uint64_t high);
  const std::array<uint32_t, 4>& Keys() const { return keys_; }

  QSize sizeHint() const override { return {kPictureWidth + 2, kPictureHeight + 2}; }
  QSize minimumSizeHint() const override { return sizeHint(); }

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  QImage picture_;
  std::array<uint32_t, 4> keys_{};
};

}  // namespace kore
