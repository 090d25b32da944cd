// The binary block of song settings: its record stream, compression, checksums and damage.
#include "song/extension_block.h"

#include <sstream>

#include "base/base64.h"
#include "base/crc32.h"
#include "song_test_util.h"

namespace kore {
namespace {

using namespace test;

std::vector<uint8_t> Bytes(const std::string& s) { return {s.begin(), s.end()}; }

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

// The text form is taken only under its own checksum, even when the block inside is sound, and
// only when the block under it is sound (the ways a block is damaged are in the table below).
TEST(ExtensionBlock, TextFormIsTakenOnlyUnderItsChecksumWithASoundBlock) {
  const std::string text =
      Base64Encode(BuildExtensionBlock(SmallSong().View(), ExtensionParts::All()));
  std::string damaged = text;
  damaged[5] = damaged[5] == 'A' ? 'B' : 'A';
  LoadedSong song;
  EXPECT_FALSE(ApplyExtensionText(text, Crc32(text) ^ 1, song));
  EXPECT_FALSE(ApplyExtensionText(damaged, Crc32(damaged), song));
  EXPECT_EQ(song, LoadedSong());
  ASSERT_TRUE(ApplyExtensionText(text, Crc32(text), song));
  EXPECT_EQ(song.title, Sjis("曲"));
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
  LoadedSong song, other;
  ASSERT_TRUE(ApplyExtensionBlock(block.data(), block.size(), song));
  EXPECT_TRUE(song.title == "Stored" && song.trackOrder[0] == 5 && song.trackOrder[1] == -1);
  block[0] += 1;
  EXPECT_FALSE(ApplyExtensionBlock(block.data(), block.size(), other));
}

// A case of the record table: records separated by " | ", each "TYPE PAYLOAD" or "raw BYTES".
std::string AppliedAsText(const std::string& input) {
  std::string stream;
  std::istringstream in(input);
  for (std::string item; std::getline(in, item, '|');) {
    item.erase(item.find_last_not_of(' ') + 1).erase(0, item.find_first_not_of(' '));
    const std::string kind = item.substr(0, item.find(' '));
    const std::string payload = Unescape(item.substr(std::min(item.size(), kind.size() + 1)));
    stream += kind == "raw" ? payload : Record(std::stoi(kind), payload);
  }
  LoadedSong song;
  song.title = "kept";
  ApplyRecordStream(reinterpret_cast<const uint8_t*>(stream.data()), stream.size(), song);
  return Describe(song);
}

TEST(ExtensionBlock, RecordStreamsOfTheTable) {
  CheckGolden(std::string(KORE_SOURCE_DIR) + "/tests/song/data/records.txt", AppliedAsText);
}

}  // namespace
}  // namespace kore
