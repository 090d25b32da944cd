#include "views/piano_keys.h"

#include <QPainter>

namespace kore {

namespace {

// Key type per pitch class: 0..2 white, 10 black, 11 the last black key of its group.
constexpr std::array<int, 12> kKeyType = {0, 10, 1, 11, 2, 0, 10, 1, 10, 1, 11, 2};
const QColor kMark(255, 0, 169);

QImage DrawKeyboard() {
  QImage image(CPianoKeyCtrl::kPictureWidth, CPianoKeyCtrl::kPictureHeight, QImage::Format_RGB32);
  image.fill(Qt::white);
  QPainter p(&image);
  p.setPen(Qt::black);
  for (int key = 0; key < 56; ++key) p.drawRect(key * 4, 0, 4, 24);  // 5 wide, shared borders
  for (int octave = 0; octave < 8; ++octave) {
    for (int slot = 0; slot < 7; ++slot) {
      if (slot == 2 || slot == 6) continue;  // no black key after E and after B
      p.fillRect(octave * 28 + 3 + 4 * slot, 0, 3, 13, Qt::black);
    }
  }
  return image;
}

}  // namespace

CPianoKeyCtrl::CPianoKeyCtrl(QWidget* parent) : QWidget(parent), picture_(DrawKeyboard()) {
  setObjectName("pianoKeys");
  setAccessibleName(QString::fromUtf8("鍵盤"));
  setFixedSize(sizeHint());
}

void CPianoKeyCtrl::SetKeys(const std::array<uint32_t, 4>& keys) {
  if (keys == keys_) return;
  keys_ = keys;
  update();
}

void CPianoKeyCtrl::SetKeys(uint64_t low, uint64_t high) {
  SetKeys({static_cast<uint32_t>(low), static_cast<uint32_t>(low >> 32),
           static_cast<uint32_t>(high), static_cast<uint32_t>(high >> 32)});
}

void CPianoKeyCtrl::paintEvent(QPaintEvent*) {
  QPainter p(this);
  p.setPen(QColor(96, 96, 96));
  p.drawRect(0, 0, width() - 1, height() - 1);
  p.translate(1, 1);
  p.drawImage(0, 0, picture_);
  int whiteX = 2, blackX = 4;
  for (int note = kLowestMarked; note <= kHighestMarked; ++note) {
    const int type = kKeyType[note % 12];
    if (keys_[note / 32] >> (note % 32) & 1u) {
      if (type < 10) p.fillRect(whiteX, 14, 3, 11, kMark);
      else p.fillRect(blackX, 2, 3, 12, kMark);
    }
    if (type < 10) whiteX += 4;
    else blackX += type == 10 ? 4 : 8;
  }
}

}  // namespace kore
