#include "song/foreign_formats.h"

#include <gtest/gtest.h>

#include <fstream>

#include "base/profile_file.h"
#include "base/shift_jis.h"
#include "song_file_test_util.h"

namespace kore {
namespace {

using namespace filetest;

std::string Fixture(const std::string& name) {
  return std::string(KORE_SOURCE_DIR) + "/data/fixtures/song/" + name;
}

TEST(MmsReader, PartsZeroAndThreeFillTheirSlots) {
  LoadedSong song;
  ASSERT_EQ(ReadMmsFile(Fixture("parts_0_3.mms"), song), 0);
  EXPECT_EQ(song.title, Sjis("森の歌"));
  EXPECT_EQ(song.source, Sjis("作者"));
  EXPECT_EQ(song.timeBase, (TimeBase{32, 3, 4}));
  EXPECT_FALSE(song.trackOrderRead);
  for (int slot : {0, 1, 2}) {
    EXPECT_TRUE(song.slots[slot].inUse) << slot;
    EXPECT_EQ(song.slots[slot].instrument, 4) << slot;  // game id 3 is the whistle
    EXPECT_EQ(song.slots[slot].name, Sjis("メロディ"));
  }
  for (int slot : {10, 11, 12}) {
    EXPECT_TRUE(song.slots[slot].inUse) << slot;
    EXPECT_EQ(song.slots[slot].instrument, 0) << slot;  // id 9 is no game instrument
    EXPECT_EQ(song.slots[slot].name, "Part4");
  }
  EXPECT_EQ(song.texts[0], "t120 o5 l8 cdefg4");
  EXPECT_EQ(song.texts[1], "o4 l4 ceg");
  EXPECT_EQ(song.texts[2], "");
  EXPECT_EQ(song.texts[10], "o3 c1");
  EXPECT_EQ(song.texts[12], "o3 g1");
  int inUse = 0;
  for (const TrackProperties& t : song.slots) inUse += t.inUse;
  EXPECT_EQ(inUse, 6);  // part9 has no slot
  EXPECT_EQ(song.slots[9].name, "Track10");
  EXPECT_EQ(song.slots[9].volume, 100);
}

TEST(MmsReader, RefusesFilesThatAreNotTamalinFiles) {
  LoadedSong song;
  song.title = "kept";
  EXPECT_EQ(ReadMmsText("[infomation]\r\n[mms-file]\r\n", song), -1);
  EXPECT_EQ(ReadMmsText("no sections at all", song), -1);
  EXPECT_EQ(ReadMmsText("", song), -1);
  EXPECT_EQ(song.title, "kept");
  EXPECT_EQ(ReadMmsFile("/nonexistent/x.mms", song), -1);
  // Every game id maps to the instrument carrying it; a bad signature reads as 4/4.
  const int32_t expected[] = {0, 1, 2, 4, 6, 3, 5, 0};
  for (int id = 0; id < 8; ++id) {
    std::string text = "[MMS-FILE]\n[infomation]\nrythmBase=3\n[part1]\ninstrument=" +
                       std::to_string(id) + "\nch0_mml=c\n";
    ASSERT_EQ(ReadMmsText(text, song), 0);
    EXPECT_EQ(song.slots[3].instrument, expected[id]) << id;
    EXPECT_EQ(song.timeBase, (TimeBase{32, 4, 4}));
  }
}

// A ".kor" holding every record type, built byte by byte.
std::string KorBytes(const std::string& records) {
  std::string block = Block(records);
  return Le32(0xB9B3B2CCu) + Le32(static_cast<uint32_t>(block.size())) + Le32(BitwiseCrc(block)) +
         Le32(0) + block;
}

std::string AllRecords() {
  std::string props = std::string("\x01\x50\x20\x05", 4) + Le32(0xFFFFFFFFu) + Le32(1) + Le32(130) +
                      Le32(0) + Le32(0) + Le32(0);
  return Record(4, Le32(96) + Le32(6) + Le32(8)) + Record(6, std::string("\0Kor", 4) + '\0') +
         Record(7, std::string("\0Src", 4) + '\0') + Record(8, std::string("\0M\r\nm", 5) + '\0') +
         Record(1, std::string("\0\x01", 2)) + Record(2, props) +
         Record(3, std::string("\x01" "Bass", 5) + '\0') + Record(5, std::string("\x01o2c1", 5) + '\0') +
         Record(9, Le32(0) + Le32(384) + Le32(0xFF) + "End" + '\0');
}

TEST(KorFile, EveryRecordTypeLoads) {
  TempFolder dir;
  std::string path = dir.File("song.KOR");
  std::ofstream(path, std::ios::binary) << KorBytes(AllRecords());
  LoadedSong song;
  ASSERT_EQ(ReadAnySongFile(path, song), 0);
  EXPECT_EQ(song.timeBase, (TimeBase{96, 6, 8}));
  EXPECT_EQ(song.title, "Kor");
  EXPECT_EQ(song.source, "Src");
  EXPECT_EQ(song.memo, "M\r\nm");
  EXPECT_TRUE(song.trackOrderRead);
  EXPECT_EQ(song.trackOrder[0], 1);
  EXPECT_EQ(song.trackOrder[1], -1);
  const TrackProperties& t = song.slots[1];
  EXPECT_TRUE(t.inUse);
  EXPECT_EQ(t.volume, 0x50);
  EXPECT_EQ(t.panpot, 0x20);
  EXPECT_EQ(t.channel, 5);
  EXPECT_EQ(t.startMarker, 1);
  EXPECT_EQ(t.instrument, 2);  // code 130: the mandolin
  EXPECT_EQ(t.name, "Bass");
  EXPECT_EQ(song.texts[1], "o2c1");
  ASSERT_EQ(song.markers.size(), 1u);
  EXPECT_EQ(song.markers[0].tick, 384);
  EXPECT_EQ(song.markers[0].text, "End");
}

TEST(KorFile, HeaderChecksRefuseDamagedFiles) {
  const std::string good = KorBytes(AllRecords());
  LoadedSong song;
  song.title = "kept";
  EXPECT_EQ(ReadKorBytes(good.substr(0, 15), song), -1);
  std::string magic = good;
  magic[0] = 0;
  EXPECT_EQ(ReadKorBytes(magic, song), -1);
  EXPECT_EQ(ReadKorBytes(good + "x", song), -1);        // length field no longer matches
  EXPECT_EQ(ReadKorBytes(good.substr(0, good.size() - 1), song), -1);
  std::string crc = good;
  crc[good.size() - 3] ^= 0x40;
  EXPECT_EQ(ReadKorBytes(crc, song), -1);
  // Both checksums right but a flag set inside the block: the block is unusable.
  std::string flagged = good;
  flagged[16 + 9] = 1;
  std::string block = flagged.substr(16);
  std::string resealed = flagged.substr(0, 8) + Le32(BitwiseCrc(block)) + flagged.substr(12);
  EXPECT_EQ(ReadKorBytes(resealed, song), -1);
  EXPECT_EQ(song.title, "kept");
  EXPECT_EQ(ReadKorFile("/nonexistent.kor", song), -1);
}

TEST(KorFile, WrittenFilesRoundTrip) {
  LoadedSong song;
  ASSERT_EQ(ReadKorBytes(KorBytes(AllRecords()), song), 0);
  EXPECT_EQ(KorFileBytes(song.View()), KorBytes(AllRecords()));
  TempFolder dir;
  ASSERT_EQ(WriteKorFile(dir.File("a.kor"), song.View()), 0);
  LoadedSong back;
  ASSERT_EQ(ReadKorFile(dir.File("a.kor"), back), 0);
  EXPECT_EQ(back, song);
}

TEST(ClipboardMml, TwoGroupsAppendToTheSameTracks) {
  std::string text = ReadWholeFile(Fixture("two_groups.txt")).value();
  LoadedSong song;
  ASSERT_EQ(ParseClipboardMml(text, song, 480), 1);
  const std::string next = "\r\n//Next MML@ group fund.\r\n";
  EXPECT_EQ(song.texts[0], "t120l8cdefgab>c" + next + "o5c1");
  EXPECT_EQ(song.texts[1], "o3l4ceg" + next);  // the empty part ended the second group
  EXPECT_EQ(song.texts[2], "o3l2c" + next);
  EXPECT_EQ(song.texts[3], "");
  for (int slot = 0; slot < 16; ++slot) EXPECT_EQ(song.slots[slot].inUse, slot < 3 ? 1 : 0);
  EXPECT_EQ(song.slots[2].name, "Track3");
  EXPECT_EQ(song.timeBase, (TimeBase{480, 4, 4}));
}

TEST(ClipboardMml, GroupsEndAtEmptyPartsSemicolonsAndSixteenParts) {
  LoadedSong song;
  ASSERT_EQ(ParseClipboardMml("MML@a,b,,c;", song), 1);
  EXPECT_TRUE(song.slots[1].inUse);
  EXPECT_FALSE(song.slots[2].inUse);
  EXPECT_FALSE(song.slots[3].inUse);

  std::string many = "MML@";
  for (int i = 0; i < 20; ++i) {
    many += 'c';
    many += std::to_string(i);
    many += ',';
  }
  ASSERT_EQ(ParseClipboardMml(many, song), 1);
  EXPECT_EQ(song.texts[15], "c15");
  for (const TrackProperties& t : song.slots) EXPECT_TRUE(t.inUse);

  ASSERT_EQ(ParseClipboardMml("MML@abc", song), 1);  // no ";": the rest of the text
  EXPECT_EQ(song.texts[0], "abc");
  ASSERT_EQ(ParseClipboardMml("MML@;x", song), 1);
  EXPECT_FALSE(song.slots[0].inUse);
  EXPECT_EQ(ParseClipboardMml("[Settings]\r\nTitle=x\r\n", song), 0);
}

TEST(ClipboardMml, TextWithoutGroupsReadsAsASongFile) {
  const std::string text = "[Settings]\r\nTitle=Clip\r\n\r\n[Channel2]\r\ncde\r\n";
  LoadedSong song;
  ASSERT_EQ(ParseClipboardMml(text, song), 0);
  ReadSongMemory(text, song);
  EXPECT_EQ(song.title, "Clip");
  EXPECT_EQ(song.texts[1], "cde\r\n");
}

TEST(SongFileKind, ChosenByExtensionWithoutRegardToCase) {
  EXPECT_EQ(SongFileKindOf("/a/b.MMS"), SongFileKind::Mms);
  EXPECT_EQ(SongFileKindOf("x.mms"), SongFileKind::Mms);
  EXPECT_EQ(SongFileKindOf("x.Kor"), SongFileKind::Kor);
  EXPECT_EQ(SongFileKindOf("x.mml"), SongFileKind::Song);
  EXPECT_EQ(SongFileKindOf("dir.kor/song"), SongFileKind::Song);
  EXPECT_EQ(SongFileKindOf("x.mmsx"), SongFileKind::Song);
  EXPECT_EQ(SongFileKindOf("noext"), SongFileKind::Song);
}

}  // namespace
}  // namespace kore
