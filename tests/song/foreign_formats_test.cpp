// Songs of other formats: the binary .kor. What the part-based and clipboard readers make of
// their text, and the reader a path chooses, are in data/readers.txt.
#include "song/foreign_formats.h"

#include <filesystem>
#include <fstream>

#include "base/crc32.h"
#include "song_test_util.h"

namespace kore {
namespace {

using namespace test;

TEST(KorFile, WrittenBackTheSame) {
  const std::string bytes = DataFile("read/all_records.kor");
  LoadedSong song;
  ASSERT_EQ(ReadKorBytes(bytes, song), 0);
  EXPECT_EQ(KorFileBytes(song.View()), bytes);
  TempDir dir;
  ASSERT_EQ(WriteKorFile(dir.File("a.kor"), song.View()), 0);
  LoadedSong back;
  ASSERT_EQ(ReadKorFile(dir.File("a.kor"), back), 0);
  EXPECT_EQ(back, song);
}

TEST(KorFile, HeaderChecksRefuseDamagedFiles) {
  const std::string good = DataFile("read/all_records.kor");
  auto with = [&](size_t at, char value) {
    std::string bytes = good;
    bytes[at] = value;
    return bytes;
  };
  // Both checksums right but a flag set inside the block: the block is unusable.
  std::string flagged = with(16 + 9, 1);
  flagged = flagged.substr(0, 8) + Le32(Crc32(flagged.substr(16))) + flagged.substr(12);
  const struct {
    const char* name;
    std::string bytes;
  } rows[] = {
      {"header cut", good.substr(0, 15)},
      {"magic", with(0, 0)},
      {"one byte more", good + "x"},
      {"one byte less", good.substr(0, good.size() - 1)},
      {"checksum", with(good.size() - 3, good[good.size() - 3] ^ 0x40)},
      {"flag", flagged},
  };
  for (const auto& row : rows) {
    LoadedSong song;
    song.title = "kept";
    EXPECT_EQ(ReadKorBytes(row.bytes, song), -1) << row.name;
    EXPECT_EQ(song.title, "kept") << row.name;
  }
  LoadedSong song;
  EXPECT_EQ(ReadKorFile("/nonexistent.kor", song), -1);
  EXPECT_EQ(ReadMmsFile("/nonexistent/x.mms", song), -1);
  TempDir dir;  // a huge file is refused before it is read, whatever its start
  const std::string huge = dir.File("huge.mms");
  std::ofstream(huge, std::ios::binary) << "[mms-file]\r\n";
  std::filesystem::resize_file(huge, (256u << 20) + 1);
  EXPECT_EQ(ReadMmsFile(huge, song), -1);
}

}  // namespace
}  // namespace kore
