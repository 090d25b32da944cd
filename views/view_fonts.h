#pragma once
// Fonts of the views: the Windows faces they name, resolved to installed families once.
// User-interface thread only.
#include <QFont>

namespace kore::views {

// "ＭＳ ゴシック" at a pixel height.
QFont FixedJapaneseFont(int pixelHeight);
// "MS UI Gothic" at a pixel height.
QFont UiJapaneseFont(int pixelHeight);

}  // namespace kore::views
