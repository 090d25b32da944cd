#include "base/shift_jis.h"

#include <gtest/gtest.h>

namespace kore {
namespace {

TEST(ShiftJis, LeadBytesAreTheTwoDocumentedRanges) {
  // Both ends of each range and the bytes beside them; half-width katakana are single bytes.
  const std::pair<uint8_t, bool> rows[] = {{0x80, false}, {0x81, true}, {0x9F, true},
                                           {0xA0, false}, {0xDF, false}, {0xE0, true},
                                           {0xFC, true},  {0xFD, false}, {'c', false}};
  for (auto [byte, lead] : rows) EXPECT_EQ(IsSjisLeadByte(byte), lead) << int{byte};
}

TEST(ShiftJis, RoundTripsJapaneseAndAscii) {
  // "先頭" is 0x90 0xE6 0x93 0xAA in code page 932; the full-width space is 0x81 0x40.
  EXPECT_EQ(Sjis("先頭"), "\x90\xE6\x93\xAA");
  EXPECT_EQ(Sjis("\u3000"), "\x81\x40");
  TextConversion back = SjisToUtf8("\x90\xE6\x93\xAA abc");
  ASSERT_TRUE(back.ok) << back.error;
  EXPECT_EQ(back.text, "先頭 abc");
  // CP932 specifics that plain Shift-JIS lacks: the wave dash and the circled digits.
  TextConversion there = Utf8ToSjis("～①");
  ASSERT_TRUE(there.ok) << there.error;
  EXPECT_EQ(SjisToUtf8(there.text).text, "～①");
  // The ASCII range, backslash and tilde included, is the same bytes in both encodings.
  std::string ascii;
  for (int b = 0; b < 0x80; ++b) ascii += static_cast<char>(b);
  EXPECT_EQ(SjisToUtf8Lossy(ascii), ascii);
  EXPECT_EQ(Utf8ToSjisLossy(ascii), ascii);
}

TEST(ShiftJis, InvalidBytesGiveAClearErrorOrAReplacement) {
  TextConversion truncated = SjisToUtf8("ab\x90");
  EXPECT_FALSE(truncated.ok);
  EXPECT_NE(truncated.error.find("offset 2"), std::string::npos) << truncated.error;
  EXPECT_FALSE(Utf8ToSjis("\xFF").ok);
  EXPECT_FALSE(Utf8ToSjis("\xF0\x9F\x8E\xB5").ok);  // an emoji has no Shift-JIS form
  EXPECT_EQ(SjisToUtf8Lossy("a\x90"), "a\xEF\xBF\xBD");
  EXPECT_EQ(Utf8ToSjisLossy("a\xFF" "b"), "a?b");
}

}  // namespace
}  // namespace kore
