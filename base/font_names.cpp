#include "base/font_names.h"

#include <algorithm>
#include <array>
#include <cctype>

namespace kore {

namespace {

bool EqualsIgnoringCase(std::string_view a, std::string_view b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           return std::tolower(static_cast<unsigned char>(x)) ==
                  std::tolower(static_cast<unsigned char>(y));
         });
}

constexpr std::array<const char*, 4> kFixedFaces = {"IPAGothic", "IPAゴシック",
                                                    "Noto Sans Mono CJK JP", "VL Gothic"};
constexpr std::array<const char*, 4> kUiFaces = {"IPAPGothic", "IPAPゴシック",
                                                 "Noto Sans CJK JP", "VL PGothic"};

}  // namespace

FaceKind ClassifyWindowsFace(std::string_view utf8Name) {
  if (utf8Name == kFixedPitchJapaneseFace || utf8Name == "ＭＳゴシック" ||
      EqualsIgnoringCase(utf8Name, "MS Gothic"))
    return FaceKind::FixedPitchJapanese;
  if (EqualsIgnoringCase(utf8Name, "MS UI Gothic")) return FaceKind::UiJapanese;
  return FaceKind::Other;
}

std::span<const char* const> SubstituteFaces(FaceKind kind) {
  switch (kind) {
    case FaceKind::FixedPitchJapanese:
      return kFixedFaces;
    case FaceKind::UiJapanese:
      return kUiFaces;
    case FaceKind::Other:
      break;
  }
  return {};
}

}  // namespace kore
