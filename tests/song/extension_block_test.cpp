#include "song/extension_block.h"

#include <gtest/gtest.h>

#include "base/crc32.h"
#include "base/shift_jis.h"
#include "song/instruments.h"
#include "song_file_test_util.h"

namespace kore {
namespace {

using namespace filetest;

std::vector<uint8_t> Bytes(const std::string& s) { return std::vector<uint8_t>(s.begin(), s.end()); }

// Two tracks listed as slot 2 then slot 0, a 3/4 time base of 480 and two markers.
LoadedSong SampleSong() {
  LoadedSong song;
  song.timeBase = {480, 3, 4};
  song.title = Sjis("題");
  song.source = "src";
  song.memo = "a\r\nb";
  song.slots[0] = TrackProperties::Fresh(0);
  song.slots[0].name = "Lead";
  song.slots[0].volume = 90;
  song.slots[0].panpot = 10;
  song.slots[0].instrument = 4;  // whistle, code 132
  song.texts[0] = "cde";
  song.slots[2] = TrackProperties::Fresh(2);
  song.slots[2].instrument = 7;  // Acoustic Grand Piano, code 0
  song.slots[2].startMarker = 1;
  song.texts[2] = "o5g";
  song.trackOrder = {2, 0, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1};
  song.trackOrderRead = true;
  song.markers = {Marker(64, 0x2828E0, "A"), Marker(128, 0x123456, Sjis("サビ"))};
  return song;
}

std::string PropertiesRecord(int slot, int volume, int panpot, int channel, int startMarker,
                             int code) {
  std::string p;
  p += static_cast<char>(slot);
  p += static_cast<char>(volume);
  p += static_cast<char>(panpot);
  p += static_cast<char>(channel);
  p += Le32(0xFFFFFFFFu) + Le32(startMarker) + Le32(code) + Le32(0) + Le32(0) + Le32(0);
  return Record(2, p);
}

std::string StringRecord(int type, int lead, const std::string& s) {
  return Record(type, std::string(1, static_cast<char>(lead)) + s + std::string(1, '\0'));
}

TEST(ExtensionBlock, RecordStreamHoldsEveryTypeInTheDocumentedOrder) {
  LoadedSong song = SampleSong();
  std::string expected =
      Record(4, Le32(480) + Le32(3) + Le32(4)) + StringRecord(6, 0, Sjis("題")) +
      StringRecord(7, 0, "src") + StringRecord(8, 0, "a\r\nb") +
      Record(1, std::string("\0\x02\0", 3)) + PropertiesRecord(2, 100, 64, 2, 1, 0) +
      StringRecord(3, 2, "Track3") + PropertiesRecord(0, 90, 10, 0, 0, 132) +
      StringRecord(3, 0, "Lead") + StringRecord(5, 2, "o5g") + StringRecord(5, 0, "cde") +
      Record(9, Le32(0) + Le32(64) + Le32(0x2828E0) + "A" + std::string(1, '\0')) +
      Record(9, Le32(1) + Le32(128) + Le32(0x123456) + Sjis("サビ") + std::string(1, '\0'));
  EXPECT_EQ(BuildRecordStream(song.View(), ExtensionParts::All()), Bytes(expected));
  // Nothing asked for: the order alone.
  EXPECT_EQ(BuildRecordStream(song.View(), {}), Bytes(Record(1, std::string("\0\x02\0", 3))));
}

TEST(ExtensionBlock, PlainModeOrderOfFourTracks) {
  LoadedSong song;
  for (int slot : {0, 1, 2, 3}) song.slots[slot].inUse = 1;
  song.trackOrder = {2, 0, 1, 3, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1};
  EXPECT_EQ(BuildRecordStream(song.View(), {}), Bytes(Record(1, std::string("\0\2\0\1\3", 5))));
}

TEST(ExtensionBlock, BlockHeaderAndCompressionAreByteExact) {
  LoadedSong song = SampleSong();
  std::string records(reinterpret_cast<const char*>(
                          BuildRecordStream(song.View(), ExtensionParts::All()).data()),
                      BuildRecordStream(song.View(), ExtensionParts::All()).size());
  ASSERT_LE(records.size(), 512u);  // compressed into the 1,024-byte area
  EXPECT_EQ(BuildExtensionBlock(song.View(), ExtensionParts::All()), Bytes(Block(records)));

  // A stream far over 512 bytes uses the doubled area and still matches libbz2 exactly.
  song.texts[0] = std::string(70000, 'c');
  auto big = BuildRecordStream(song.View(), ExtensionParts::All());
  EXPECT_EQ(BuildExtensionBlock(song.View(), ExtensionParts::All()),
            Bytes(Block(std::string(big.begin(), big.end()))));
}

TEST(ExtensionBlock, EveryRecordTypeRoundTrips) {
  LoadedSong song = SampleSong();
  auto block = BuildExtensionBlock(song.View(), ExtensionParts::All());
  LoadedSong back;
  ASSERT_TRUE(ApplyExtensionBlock(block.data(), block.size(), back));
  LoadedSong expected = song;
  for (TrackProperties& t : expected.slots) {
    if (t.inUse) t.reserved = -1;  // written as -1 and read back from there
  }
  EXPECT_EQ(back, expected);
}

TEST(ExtensionBlock, TextFormChecksItsCrcAndIsIgnoredWhenDamaged) {
  LoadedSong song = SampleSong();
  std::string section;
  WriteExtensionSection(section, song.View(), ExtensionParts::All());
  std::string records;
  for (uint8_t b : BuildRecordStream(song.View(), ExtensionParts::All())) records += char(b);
  EXPECT_EQ(section, ExtensionSection(records));

  std::string text = PlainBase64(Block(records));
  LoadedSong applied;
  ASSERT_TRUE(ApplyExtensionText(text, BitwiseCrc(text), applied));
  EXPECT_EQ(applied.title, song.title);

  std::string damaged = text;
  damaged[5] = damaged[5] == 'A' ? 'B' : 'A';
  LoadedSong untouched;
  untouched.title = "kept";
  EXPECT_FALSE(ApplyExtensionText(damaged, BitwiseCrc(text), untouched));
  EXPECT_EQ(untouched.title, "kept");
  // The right checksum over a damaged block still leaves the song untouched.
  EXPECT_FALSE(ApplyExtensionText(damaged, BitwiseCrc(damaged), untouched));
  EXPECT_EQ(untouched.title, "kept");
}

// Rewrites the header CRC after a change to the body.
void Reseal(std::vector<uint8_t>& block) {
  uint32_t crc = Crc32(block.data() + 12, block.size() - 12);
  for (int i = 0; i < 4; ++i) block[4 + i] = static_cast<uint8_t>(crc >> (8 * i));
}

TEST(ExtensionBlock, DamagedHeadersLeaveTheSongUntouched) {
  LoadedSong song = SampleSong();
  const auto good = BuildExtensionBlock(song.View(), ExtensionParts::All());
  LoadedSong fresh;
  auto rejects = [&](std::vector<uint8_t> block) {
    LoadedSong target;
    bool applied = ApplyExtensionBlock(block.data(), block.size(), target);
    return !applied && target == fresh;
  };
  auto flag = good;
  flag[9] = 1;
  EXPECT_TRUE(rejects(flag));
  auto crc = good;
  crc[4] ^= 1;
  EXPECT_TRUE(rejects(crc));
  auto method = good;
  method[8] = 2;
  EXPECT_TRUE(rejects(method));
  // A stream length that is not exactly what the data yields, either way.
  auto longer = good;
  longer[0] += 1;
  EXPECT_TRUE(rejects(longer));
  auto shorter = good;
  shorter[0] -= 1;
  EXPECT_TRUE(rejects(shorter));
  // An announced length of nearly 4 GiB is refused before anything is allocated.
  auto huge = good;
  huge[0] = huge[1] = huge[2] = huge[3] = 0xFF;
  EXPECT_TRUE(rejects(huge));
  EXPECT_TRUE(rejects(std::vector<uint8_t>(good.begin(), good.begin() + 11)));
  auto cut = std::vector<uint8_t>(good.begin(), good.end() - 5);
  Reseal(cut);
  EXPECT_TRUE(rejects(cut));
}

TEST(ExtensionBlock, StoredMethodIsAcceptedWhenItsLengthMatches) {
  std::string records = Record(6, std::string("\0Stored", 8)) + Record(1, std::string("\0\x05", 2));
  std::vector<uint8_t> block = Bytes(Le32(records.size()) + Le32(BitwiseCrc(records)) +
                                     std::string("\0\0\0\0", 4) + records);
  LoadedSong song;
  ASSERT_TRUE(ApplyExtensionBlock(block.data(), block.size(), song));
  EXPECT_EQ(song.title, "Stored");
  EXPECT_TRUE(song.trackOrderRead);
  EXPECT_EQ(song.trackOrder[0], 5);
  EXPECT_EQ(song.trackOrder[1], -1);
  block[0] += 1;
  LoadedSong other;
  EXPECT_FALSE(ApplyExtensionBlock(block.data(), block.size(), other));
}

TEST(ExtensionBlock, RecordWalkChecksEveryLengthAndSlot) {
  LoadedSong song;
  std::string stream =
      Record(4, Le32(0) + Le32(3) + Le32(3)) +        // ticks 0 -> 32, bad unit -> 4/4
      Record(2, std::string(10, '\x05')) +            // too short for its type: skipped
      StringRecord(5, 16, "never") +                  // slot 16: ignored
      Record(3, std::string("\x01no terminator", 14)) +  // no NUL: the payload end ends it
      Record(99, "unknown") +                         // unknown type: skipped
      Record(1, std::string(40, '\x01')) +            // at most 16 order entries
      Record(9, Le32(0) + Le32(10) + Le32(1)) +       // marker without a name
      Record(9, Le32(7) + Le32(10) + Le32(2) + "x" + std::string(1, '\0')) +
      std::string(1, '\x06') + Le32(1000) + "short";  // runs past the end: walk stops
  ApplyRecordStream(reinterpret_cast<const uint8_t*>(stream.data()), stream.size(), song);
  EXPECT_EQ(song.timeBase, (TimeBase{32, 4, 4}));
  EXPECT_EQ(song.slots[5].volume, 100);
  EXPECT_EQ(song.slots[1].name, "no terminator");
  for (int i = 0; i < 16; ++i) EXPECT_EQ(song.trackOrder[i], 1);
  ASSERT_EQ(song.markers.size(), 2u);  // both markers of tick 10 reach the loaded song
  EXPECT_EQ(song.markers[0].text, "");
  EXPECT_EQ(song.markers[1].text, "x");
  EXPECT_EQ(song.markers[1].value, 2);
  EXPECT_EQ(song.title, "");
}

TEST(ExtensionBlock, TimeBaseRecordKeepsItsTicksWithABadSignature) {
  LoadedSong song;
  std::string stream = Record(4, Le32(96) + Le32(6) + Le32(3));
  ApplyRecordStream(reinterpret_cast<const uint8_t*>(stream.data()), stream.size(), song);
  EXPECT_EQ(song.timeBase, (TimeBase{96, 4, 4}));
  stream = Record(4, Le32(96) + Le32(17) + Le32(8));
  ApplyRecordStream(reinterpret_cast<const uint8_t*>(stream.data()), stream.size(), song);
  EXPECT_EQ(song.timeBase, (TimeBase{96, 4, 4}));
  stream = Record(4, Le32(960) + Le32(7) + Le32(8));
  ApplyRecordStream(reinterpret_cast<const uint8_t*>(stream.data()), stream.size(), song);
  EXPECT_EQ(song.timeBase, (TimeBase{960, 7, 8}));
}

TEST(ExtensionBlock, InstrumentCodesMapBackToIndexes) {
  LoadedSong song;
  std::string stream = PropertiesRecord(3, 1, 2, 9, 4, 128) + PropertiesRecord(4, 1, 2, 9, 4, 0) +
                       PropertiesRecord(5, 1, 2, 9, 4, 135) + PropertiesRecord(6, 1, 2, 9, 4, 500);
  ApplyRecordStream(reinterpret_cast<const uint8_t*>(stream.data()), stream.size(), song);
  EXPECT_EQ(song.slots[3].instrument, 0);
  EXPECT_EQ(song.slots[4].instrument, 7);
  EXPECT_EQ(song.slots[5].instrument, 7);
  EXPECT_EQ(song.slots[6].instrument, 0);
  EXPECT_EQ(song.slots[3].channel, 9);
  EXPECT_EQ(song.slots[3].reserved, -1);
  EXPECT_EQ(song.slots[3].startMarker, 4);
  EXPECT_EQ(song.slots[3].inUse, 0);  // properties alone do not make a track
}

}  // namespace
}  // namespace kore
