#pragma once
// Windows face names that the program's texts and settings use, and the faces installed on Linux
// that stand in for them. Qt-free: callers at the Qt edge pick the first candidate installed.
//
// Any thread. Names here are UTF-8 (convert Shift-JIS names with base/shift_jis.h first).
#include <span>
#include <string_view>

namespace kore {

enum class FaceKind {
  Other,               // used as named
  FixedPitchJapanese,  // "ＭＳ ゴシック", "MS Gothic"
  UiJapanese,          // "MS UI Gothic"
};

FaceKind ClassifyWindowsFace(std::string_view utf8Name);

// Installed families to try, best first, for a kind other than Other (empty for Other).
std::span<const char* const> SubstituteFaces(FaceKind kind);

// The Windows face the views and the editor ask for ("ＭＳ ゴシック", UTF-8).
inline constexpr std::string_view kFixedPitchJapaneseFace = "ＭＳ ゴシック";

}  // namespace kore
