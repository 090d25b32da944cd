// Songs of other formats: the part-based text format, the binary .kor and clipboard MML.
#include "song/foreign_formats.h"

#include <fstream>

#include "base/crc32.h"
#include "song_test_util.h"

namespace kore {
namespace {

using namespace test;

TEST(MmsReader, RefusesOtherFilesAndMapsEveryGameId) {
  LoadedSong song;
  song.title = "kept";
  for (const char* text : {"[infomation]\r\n[mms-file]\r\n", "no sections at all", ""})
    EXPECT_EQ(ReadMmsText(text, song), -1) << text;
  EXPECT_EQ(song.title, "kept");
  EXPECT_EQ(ReadMmsFile("/nonexistent/x.mms", song), -1);
  // Every game id maps to the instrument carrying it; a bad signature reads as 4/4.
  const int32_t expected[] = {0, 1, 2, 4, 6, 3, 5, 0};
  for (int id = 0; id < 8; ++id) {
    std::string text =
        "[MMS-FILE]\n[infomation]\nrythmBase=3\n[part1]\ninstrument=" + std::to_string(id) +
        "\nch0_mml=c\n";
    ASSERT_EQ(ReadMmsText(text, song), 0);
    EXPECT_EQ(song.slots[3].instrument, expected[id]) << id;
    EXPECT_EQ(song.timeBase, (TimeBase{32, 4, 4}));
  }
}

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
}

TEST(ClipboardMml, GroupsEndAtEmptyPartsSemicolonsAndSixteenParts) {
  LoadedSong song;
  ASSERT_EQ(ParseClipboardMml("MML@a,b,,c;", song), 1);
  EXPECT_TRUE(song.slots[1].inUse && !song.slots[2].inUse && !song.slots[3].inUse);
  std::string many = "MML@";
  for (int i = 0; i < 20; ++i) many.append("c").append(std::to_string(i)).append(",");
  ASSERT_EQ(ParseClipboardMml(many, song), 1);
  EXPECT_EQ(song.texts[15], "c15");
  for (const TrackProperties& t : song.slots) EXPECT_TRUE(t.inUse);
  ASSERT_EQ(ParseClipboardMml("MML@abc", song), 1);  // no ";": the rest of the text
  EXPECT_EQ(song.texts[0], "abc");
  ASSERT_EQ(ParseClipboardMml("MML@;x", song), 1);
  EXPECT_FALSE(song.slots[0].inUse);
  EXPECT_EQ(ParseClipboardMml("[Settings]\r\nTitle=x\r\n", song), 0);  // read as a song file
}

TEST(SongFileKind, ChosenByExtensionWithoutRegardToCase) {
  const struct {
    const char* path;
    SongFileKind kind;
  } rows[] = {{"/a/b.MMS", SongFileKind::Mms},      {"x.mms", SongFileKind::Mms},
              {"x.Kor", SongFileKind::Kor},         {"x.mml", SongFileKind::Song},
              {"dir.kor/song", SongFileKind::Song}, {"x.mmsx", SongFileKind::Song},
              {"noext", SongFileKind::Song}};
  for (const auto& row : rows) EXPECT_EQ(SongFileKindOf(row.path), row.kind) << row.path;
}

}  // namespace
}  // namespace kore
