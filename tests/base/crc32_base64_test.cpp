#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "base/base64.h"
#include "base/bzip2.h"
#include "base/crc32.h"

namespace kore {
namespace {

TEST(Crc32, MatchesTheStandardCheckValuesAndChains) {
  EXPECT_EQ(Crc32(std::string_view("123456789")), 0xCBF43926u);
  EXPECT_EQ(Crc32(std::string_view("")), 0u);
  EXPECT_EQ(Crc32(std::string_view("The quick brown fox jumps over the lazy dog")), 0x414FA339u);
  uint32_t first = Crc32(std::string_view("12345"));
  EXPECT_EQ(Crc32(std::string_view("6789"), first), 0xCBF43926u);
}

std::string Decoded(std::string_view text) {
  auto v = Base64Decode(text);
  return std::string(v.begin(), v.end());
}

TEST(Base64, EncodesWithPaddingAndDecodesBack) {
  const std::pair<std::string, std::string> rows[] = {
      {"", ""}, {"f", "Zg=="}, {"fo", "Zm8="}, {"foo", "Zm9v"}, {"foobar", "Zm9vYmFy"}};
  for (const auto& [plain, text] : rows) {
    EXPECT_EQ(Base64Encode(reinterpret_cast<const uint8_t*>(plain.data()), plain.size()), text);
    EXPECT_EQ(Decoded(text), plain) << text;
  }
  std::vector<uint8_t> all;
  for (int i = 0; i < 256; ++i) all.push_back(static_cast<uint8_t>(255 - i));
  EXPECT_EQ(Base64Decode(Base64Encode(all)), all);
  // Decoding stops at the first character outside the alphabet, keeping completed bytes.
  EXPECT_EQ(Decoded("Zm9v YmFy"), "foo");
  EXPECT_EQ(Decoded("Zm9vYm=Fy"), "foob");
  EXPECT_EQ(Decoded("\x81@Zm9v"), "");
}

// Repetitive text packs small; noise larger than the output area given still packs, and the
// same input always gives the same bytes.
TEST(Bzip2, RoundTripsWhateverTheOutputArea) {
  std::string text;
  for (int i = 0; i < 2000; ++i) text += "o4l8cdefgab>c<";
  std::string noise(512, 0);
  uint32_t x = 12345;
  for (char& b : noise) b = static_cast<char>((x = x * 1103515245u + 12345u) >> 24);
  for (const std::string& in : {text, noise}) {
    const auto* p = reinterpret_cast<const uint8_t*>(in.data());
    std::vector<uint8_t> small, large, plain;
    ASSERT_TRUE(Bzip2Compress(p, in.size(), 16, small));
    ASSERT_TRUE(Bzip2Compress(p, in.size(), 1 << 20, large));
    EXPECT_EQ(small, large);
    EXPECT_EQ(std::string(small.begin(), small.begin() + 4), "BZh9");  // block size 9
    ASSERT_TRUE(Bzip2Decompress(small.data(), small.size(), in.size(), plain));
    EXPECT_EQ(std::string(plain.begin(), plain.end()), in);
    if (in == text) {
      EXPECT_LT(small.size(), text.size() / 10);
    }
  }
}

TEST(Bzip2, DecompressionDemandsTheAnnouncedSize) {
  std::string text(1000, 'x');
  std::vector<uint8_t> packed, plain;
  ASSERT_TRUE(
      Bzip2Compress(reinterpret_cast<const uint8_t*>(text.data()), text.size(), 1024, packed));
  EXPECT_FALSE(Bzip2Decompress(packed.data(), packed.size(), 999, plain));
  EXPECT_FALSE(Bzip2Decompress(packed.data(), packed.size(), 1001, plain));
  EXPECT_TRUE(plain.empty());
  std::vector<uint8_t> damaged = packed;
  damaged[damaged.size() / 2] ^= 0x55;
  EXPECT_FALSE(Bzip2Decompress(damaged.data(), damaged.size(), 1000, plain));
  EXPECT_FALSE(Bzip2Decompress(packed.data(), packed.size() / 2, 1000, plain));
}

}  // namespace
}  // namespace kore
