// The binary block of song settings: its record stream, compression, checksums and damage.
#include "song/extension_block.h"

#include <functional>

#include "base/crc32.h"
#include "song_test_util.h"

namespace kore {
namespace {

using namespace test;

std::vector<uint8_t> Bytes(const std::string& s) {
  return std::vector<uint8_t>(s.begin(), s.end());
}

LoadedSong Applied(const std::string& stream, LoadedSong song = {}) {
  ApplyRecordStream(reinterpret_cast<const uint8_t*>(stream.data()), stream.size(), song);
  return song;
}

TEST(ExtensionBlock, StreamAndBlockAreTheKnownBytes) {
  const LoadedSong song = SmallSong();
  EXPECT_EQ(BuildRecordStream(song.View(), ExtensionParts::All()),
            Bytes(DataFile("song_records.bin")));
  EXPECT_EQ(BuildExtensionBlock(song.View(), ExtensionParts::All()),
            Bytes(DataFile("song_block.bin")));
  // Nothing asked for: the order alone.
  EXPECT_EQ(BuildRecordStream(song.View(), {}), Bytes(Record(1, std::string("\0\x03\0", 3))));
  // A stream far over the first compression area uses a larger one.
  LoadedSong big = song;
  big.texts[0] = std::string(70000, 'c');
  EXPECT_EQ(BuildExtensionBlock(big.View(), ExtensionParts::All()),
            Bytes(DataFile("big_block.bin")));
}

TEST(ExtensionBlock, TextFormIsIgnoredWhenItsChecksumOrBlockIsDamaged) {
  std::string section;
  WriteExtensionSection(section, SmallSong().View(), ExtensionParts::All());
  std::string text;
  for (size_t d = section.find("d="); d != std::string::npos; d = section.find("d=", d + 2)) {
    text += section.substr(d + 2, section.find("\r\n", d) - d - 2);
  }
  LoadedSong applied;
  ASSERT_TRUE(ApplyExtensionText(text, Crc32(text), applied));
  EXPECT_EQ(applied.title, Sjis("曲"));
  std::string damaged = text;
  damaged[5] = damaged[5] == 'A' ? 'B' : 'A';
  LoadedSong untouched;
  untouched.title = "kept";
  EXPECT_FALSE(ApplyExtensionText(damaged, Crc32(text), untouched));
  // The right checksum over a damaged block still leaves the song untouched.
  EXPECT_FALSE(ApplyExtensionText(damaged, Crc32(damaged), untouched));
  EXPECT_EQ(untouched.title, "kept");
}

TEST(ExtensionBlock, DamagedHeadersLeaveTheSongUntouched) {
  const auto good = BuildExtensionBlock(SmallSong().View(), ExtensionParts::All());
  auto reseal = [](std::vector<uint8_t> block) {
    uint32_t crc = Crc32(block.data() + 12, block.size() - 12);
    for (int i = 0; i < 4; ++i) block[4 + i] = static_cast<uint8_t>(crc >> (8 * i));
    return block;
  };
  auto with = [&](size_t at, uint8_t value) {
    auto block = good;
    block[at] = value;
    return block;
  };
  const struct {
    const char* name;
    std::vector<uint8_t> block;
  } rows[] = {
      {"flag", with(9, 1)},
      {"checksum", with(4, good[4] ^ 1)},
      {"method", with(8, 2)},
      {"stream length one more", with(0, good[0] + 1)},
      {"stream length one less", with(0, good[0] - 1)},
      {"stream length near 4 GiB",
       [&] {
         auto b = with(0, 0xFF);
         b[1] = b[2] = b[3] = 0xFF;
         return b;
       }()},
      {"header cut", std::vector<uint8_t>(good.begin(), good.begin() + 11)},
      {"body cut, resealed", reseal(std::vector<uint8_t>(good.begin(), good.end() - 5))},
  };
  for (const auto& row : rows) {
    LoadedSong target;
    EXPECT_FALSE(ApplyExtensionBlock(row.block.data(), row.block.size(), target)) << row.name;
    EXPECT_EQ(target, LoadedSong()) << row.name;
  }
}

TEST(ExtensionBlock, StoredMethodIsAcceptedWhenItsLengthMatches) {
  std::string records = Record(6, std::string("\0Stored", 8)) + Record(1, std::string("\0\x05", 2));
  std::vector<uint8_t> block =
      Bytes(Le32(records.size()) + Le32(Crc32(records)) + std::string("\0\0\0\0", 4) + records);
  LoadedSong song;
  ASSERT_TRUE(ApplyExtensionBlock(block.data(), block.size(), song));
  EXPECT_EQ(song.title, "Stored");
  EXPECT_EQ(song.trackOrder[0], 5);
  EXPECT_EQ(song.trackOrder[1], -1);
  block[0] += 1;
  LoadedSong other;
  EXPECT_FALSE(ApplyExtensionBlock(block.data(), block.size(), other));
}

TEST(ExtensionBlock, RecordWalkChecksEveryLengthAndSlot) {
  LoadedSong song =
      Applied(Record(4, Le32(0) + Le32(3) + Le32(3)) +           // ticks 0 -> 32, bad unit -> 4/4
              Record(2, std::string(10, '\x05')) +               // too short for its type: skipped
              Record(5, std::string("\x10never", 7)) +           // slot 16: ignored
              Record(3, std::string("\x01no terminator", 14)) +  // no NUL: the payload end ends it
              Record(99, "unknown") +                            // unknown type: skipped
              Record(1, std::string(40, '\x01')) +               // at most 16 order entries
              Record(9, Le32(0) + Le32(10) + Le32(1)) +          // marker without a name
              Record(9, Le32(7) + Le32(10) + Le32(2) + "x" + std::string(1, '\0')) +
              std::string(1, '\x06') + Le32(1000) + "short");  // runs past the end: walk stops
  EXPECT_EQ(song.timeBase, (TimeBase{32, 4, 4}));
  EXPECT_EQ(song.slots[5].volume, 100);
  EXPECT_EQ(song.slots[1].name, "no terminator");
  for (int i = 0; i < 16; ++i) EXPECT_EQ(song.trackOrder[i], 1);
  ASSERT_EQ(song.markers.size(), 2u);  // both markers of tick 10 reach the loaded song
  EXPECT_EQ(song.markers[0].text, "");
  EXPECT_EQ(song.markers[1].text, "x");
  EXPECT_EQ(song.markers[1].value, 2);
  EXPECT_EQ(song.title, "");
  EXPECT_EQ(Applied(Record(4, Le32(96) + Le32(17) + Le32(8))).timeBase, (TimeBase{96, 4, 4}));
  EXPECT_EQ(Applied(Record(4, Le32(960) + Le32(7) + Le32(8))).timeBase, (TimeBase{960, 7, 8}));
}

TEST(ExtensionBlock, RecordsAreReadExactlyFromTheirShortestLength) {
  LoadedSong titled;
  titled.title = "kept";
  const std::string props = std::string("\x05\x01\x02\x09", 4) + Le32(7) + Le32(4) + Le32(0);
  const std::string timeBase = Le32(96) + Le32(3) + Le32(8);
  const std::string marker = Le32(0) + Le32(10) + Le32(1);
  const struct {
    const char* name;
    std::string stream;
    std::function<bool(const LoadedSong&)> read;
    bool expected;
  } rows[] = {
      {"properties of 16 bytes", Record(2, props),
       [](const LoadedSong& s) { return s.slots[5].volume == 1 && s.slots[5].channel == 9; }, true},
      {"properties of 15 bytes", Record(2, props.substr(0, 15)),
       [](const LoadedSong& s) { return s.slots[5].volume == 1; }, false},
      {"time base of 12 bytes", Record(4, timeBase),
       [](const LoadedSong& s) {
         return s.timeBase == TimeBase{96, 3, 8};
       },
       true},
      {"time base of 11 bytes", Record(4, timeBase.substr(0, 11)),
       [](const LoadedSong& s) { return s.timeBase.ticksPerQuarter == 96; }, false},
      {"marker of 12 bytes", Record(9, marker),
       [](const LoadedSong& s) { return !s.markers.empty(); }, true},
      {"marker of 11 bytes", Record(9, marker.substr(0, 11)),
       [](const LoadedSong& s) { return !s.markers.empty(); }, false},
      {"empty order ending the stream", Record(1, ""),
       [](const LoadedSong& s) { return s.trackOrderRead; }, true},
      {"record header cut", Record(1, "").substr(0, 4),
       [](const LoadedSong& s) { return s.trackOrderRead; }, false},
      {"title of no bytes", Record(6, ""), [](const LoadedSong& s) { return s.title != "kept"; },
       false},
  };
  for (const auto& row : rows) {
    LoadedSong song = Applied(row.stream, titled);
    EXPECT_EQ(row.read(song), row.expected) << row.name;
    EXPECT_EQ(song.slots[5].inUse, 0) << row.name;  // properties alone do not make a track
  }
}

}  // namespace
}  // namespace kore
