#include "editor/text_search.h"

#include <gtest/gtest.h>

#include <string>

#include "base/shift_jis.h"

namespace kore {
namespace {

constexpr char kSong[] = "t120 v13 l8 o5\r\ne4gec4e4 a4gec2";
constexpr size_t kNone = static_cast<size_t>(-1);

size_t Or(std::optional<size_t> found) { return found ? *found : kNone; }

TEST(TextSearch, FindsOnCharacterBoundariesFoldingOnlySingleByteLetters) {
  const std::string kana = Sjis("アイA");  // 83 41 83 43 41: "A" hides in the first trail byte
  const std::string wide = Sjis("ａｂ");   // 82 81 82 82: 0x81 would fold only if it were a letter
  struct Row {
    const char* name;
    std::string text, key;
    size_t start;
    bool up, caseSensitive;
    size_t expected;
  };
  const Row rows[] = {
      {"down from 0", kSong, "gec", 0, false, true, 18},
      {"down skips the selected one", kSong, "gec", 21, false, true, 27},
      {"down past the last", kSong, "gec", 30, false, true, kNone},
      {"down from the end", kSong, "gec", 31, false, true, kNone},
      {"up from the end", kSong, "gec", 31, true, true, 27},
      {"up from inside an occurrence", kSong, "gec", 28, true, true, 27},
      {"up from the first", kSong, "gec", 18, true, true, kNone},
      {"up past the end", kSong, "gec", 32, true, true, kNone},
      {"case folded", kSong, "C", 0, false, false, 20},
      {"case kept", kSong, "C", 0, false, true, kNone},
      {"trail byte is no match", kana, "A", 0, false, true, 4},
      {"trail byte is no match upwards", kana, "A", 5, true, false, 4},
      {"two-byte key exact", wide, Sjis("ｂ"), 0, false, false, 2},
      {"empty key", kSong, "", 0, false, true, kNone},
  };
  for (const Row& r : rows) {
    const TextSearchOptions options{r.caseSensitive};
    const auto found = r.up ? FindUp(r.text, r.key, r.start, options)
                            : FindDown(r.text, r.key, r.start, options);
    EXPECT_EQ(Or(found), r.expected) << r.name;
  }
}

TEST(TextSearch, ReplaceAllTakesOnlyOccurrencesInsideTheRangeAndNeverCutsTheText) {
  struct Row {
    const char* name;
    std::string text, key, replacement;
    size_t from, to, capacity;
    std::string expected;
    int32_t count;
    bool stopped;
    bool fold = false;
  };
  const Row rows[] = {
      {"whole text", kSong, "ec", "EC", 0, 31, 1 << 20, "t120 v13 l8 o5\r\ne4gEC4e4 a4gEC2", 2, false},
      {"range holds no match", kSong, "gec", "X", 0, 17, 1 << 20, kSong, 0, false},
      {"match crossing the range end", kSong, "gec", "X", 0, 20, 1 << 20, kSong, 0, false},
      {"end follows growth", "aaaa", "a", "bb", 0, 2, 1 << 20, "bbbbaa", 2, false},
      {"no rescan of the inserted text", "aa", "a", "aa", 0, 2, 1 << 20, "aaaa", 2, false},
      {"stops before the limit", "abab", "a", "xyz", 0, 4, 6, "xyzbab", 1, true},
      {"shrinking is never refused", "abab", "ab", "", 0, 4, 3, "", 2, false},
      {"folded", "AbAB", "ab", "c", 0, 4, 99, "cc", 2, false, true},
      {"two-byte text", Sjis("アA"), "A", "b", 0, 3, 99, Sjis("アb"), 1, false},
  };
  for (const Row& r : rows) {
    const auto result = ReplaceAll(r.text, r.key, r.replacement, r.from, r.to,
                                   TextSearchOptions{!r.fold}, r.capacity);
    EXPECT_EQ(result.text, r.expected) << r.name;
    EXPECT_EQ(result.count, r.count) << r.name;
    EXPECT_EQ(result.stoppedAtLimit, r.stopped) << r.name;
    EXPECT_LE(result.text.size(), std::max(r.capacity, r.text.size())) << r.name;
  }
  const auto grown = ReplaceAll("aaaa", "a", "bb", 0, 2, {}, 99);
  EXPECT_EQ(grown.rangeEnd, 4u);
}

}  // namespace
}  // namespace kore
