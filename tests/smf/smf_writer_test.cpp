#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "base/shift_jis.h"
#include "smf/smf_reader.h"
#include "smf/smf_writer.h"
#include "smf_builder.h"

namespace kore {
namespace {

using test::Bytes;
using test::FileEvent;
using test::ParseChunks;

Bytes B(std::initializer_list<uint8_t> bytes) { return Bytes(bytes); }

const Bytes kGmSystemOn = {0xF0, 0x05, 0x7E, 0x7F, 0x09, 0x01, 0xF7};

// Events of a chunk whose status byte is `status`.
std::vector<FileEvent> WithStatus(const std::vector<FileEvent>& events, uint8_t status) {
  std::vector<FileEvent> out;
  for (const FileEvent& e : events) {
    if (e.bytes[0] == status) out.push_back(e);
  }
  return out;
}

bool Contains(const std::vector<FileEvent>& events, const Bytes& bytes) {
  for (const FileEvent& e : events) {
    if (e.bytes == bytes) return true;
  }
  return false;
}

class SmfWriterTest : public ::testing::Test {
 protected:
  void SetUp() override { doc.NewSong(3, 32); }
  Bytes Export(int32_t format) { return BuildSmf(MakeSmfExportRequest(doc, "x.mid", format)); }

  CMMLDocument doc;
};

TEST_F(SmfWriterTest, FormatOneWritesEverySlotUpToTheLastUsed) {
  doc.SetTrackText(0, "c4");
  doc.SetTrackText(2, "e4");
  ASSERT_GE(doc.DeleteTrack(1), 0);
  Bytes file = Export(1);
  EXPECT_EQ(Bytes(file.begin(), file.begin() + 14),
            B({'M', 'T', 'h', 'd', 0, 0, 0, 6, 0, 1, 0, 3, 0, 32}));
  auto chunks = ParseChunks(file);
  ASSERT_EQ(chunks.size(), 3u);
  // The empty slot: its name and End of Track only.
  ASSERT_EQ(chunks[1].size(), 2u);
  EXPECT_EQ(chunks[1][0].bytes, B({0xFF, 0x03, 0x06, 'T', 'r', 'a', 'c', 'k', '2'}));
  EXPECT_EQ(chunks[1][1].bytes, B({0xFF, 0x2F, 0x00}));

  // Header metas, GM System On and the set-up of channel 0, all at time 0.
  const auto& first = chunks[0];
  ASSERT_GE(first.size(), 9u);
  EXPECT_EQ(first[0].bytes, B({0xFF, 0x58, 0x04, 4, 2, 0x18, 0x08}));
  EXPECT_EQ(first[1].bytes, (Bytes{0xFF, 0x03, 0x04, 0x96, 0xB3, 0x91, 0xE8}));  // 無題
  EXPECT_EQ(first[2].bytes, kGmSystemOn);
  EXPECT_EQ(first[3].bytes, B({0xFF, 0x03, 0x06, 'T', 'r', 'a', 'c', 'k', '1'}));
  EXPECT_EQ(first[4].bytes, B({0xB0, 0x00, 0x00}));
  EXPECT_EQ(first[5].bytes, B({0xB0, 0x20, 0x00}));
  EXPECT_EQ(first[6].bytes, B({0xC0, 105}));  // リュート plays GM 105
  EXPECT_EQ(first[7].bytes, B({0xB0, 0x07, 100}));
  EXPECT_EQ(first[8].bytes, B({0xB0, 0x0A, 64}));
  for (size_t i = 0; i < 9; ++i) EXPECT_EQ(first[i].time, 0);

  // With GM System On the lead-in is a measure less a quarter: 128 - 32.
  auto notes = WithStatus(first, 0x90);
  ASSERT_EQ(notes.size(), 1u);
  EXPECT_EQ(notes[0].time, 96);
  EXPECT_EQ(notes[0].bytes, B({0x90, 60, 67}));  // volume step 8
  auto offs = WithStatus(first, 0x80);
  ASSERT_EQ(offs.size(), 1u);
  EXPECT_EQ(offs[0].time, 128);
  EXPECT_EQ(offs[0].bytes, B({0x80, 60, 67}));
  EXPECT_EQ(first.back().bytes, B({0xFF, 0x2F, 0x00}));

  auto third = WithStatus(chunks[2], 0x92);
  ASSERT_EQ(third.size(), 1u);
  EXPECT_EQ(third[0].bytes[1], 64);

  // Chunk lengths add up to the file.
  size_t pos = 14;
  for (int i = 0; i < 3; ++i) {
    ASSERT_LE(pos + 8, file.size());
    pos += 8 + ((size_t{file[pos + 6]} << 8) | file[pos + 7]);
  }
  EXPECT_EQ(pos, file.size());
}

TEST_F(SmfWriterTest, FormatZeroHasOneChunkWithSetUpFirst) {
  doc.SetTrackText(0, "c4");
  doc.SetTrackText(1, "r4d4");
  doc.SetTrackText(2, "");
  Bytes file = Export(0);
  EXPECT_EQ(file[9], 0);
  EXPECT_EQ(file[11], 1);
  auto chunks = ParseChunks(file);
  ASSERT_EQ(chunks.size(), 1u);
  const auto& events = chunks[0];
  EXPECT_EQ(events[2].bytes, kGmSystemOn);
  // Five set-up events per slot in use, ProgramChange first, all before the first note.
  ASSERT_GE(events.size(), 3u + 15u);
  for (int slot = 0; slot < 3; ++slot) {
    const size_t at = 3 + 5 * static_cast<size_t>(slot);
    const uint8_t ch = static_cast<uint8_t>(slot);
    EXPECT_EQ(events[at].bytes, B({static_cast<uint8_t>(0xC0 | ch), 105}));
    EXPECT_EQ(events[at + 1].bytes, B({static_cast<uint8_t>(0xB0 | ch), 32, 0}));
    EXPECT_EQ(events[at + 2].bytes, B({static_cast<uint8_t>(0xB0 | ch), 0, 0}));
    EXPECT_EQ(events[at + 3].bytes, B({static_cast<uint8_t>(0xB0 | ch), 10, 64}));
    EXPECT_EQ(events[at + 4].bytes, B({static_cast<uint8_t>(0xB0 | ch), 7, 100}));
    for (size_t i = at; i < at + 5; ++i) EXPECT_EQ(events[i].time, 0);
  }
  auto notes = WithStatus(events, 0x90);
  auto notes1 = WithStatus(events, 0x91);
  ASSERT_EQ(notes.size(), 1u);
  ASSERT_EQ(notes1.size(), 1u);
  EXPECT_EQ(notes[0].time, 128);  // a whole measure of lead-in in format 0
  EXPECT_EQ(notes1[0].time, 160);
}

TEST_F(SmfWriterTest, ExtendedTrackDropsGmSystemOnAndItsOwnSetUp) {
  doc.SetTrackText(0, "c4");
  doc.SetTrackText(1, "//#using_extension\n@10 d4");
  Bytes file = Export(1);
  auto chunks = ParseChunks(file);
  ASSERT_GE(chunks.size(), 2u);
  EXPECT_FALSE(Contains(chunks[0], kGmSystemOn));
  EXPECT_TRUE(Contains(chunks[0], B({0xC0, 105})));
  EXPECT_EQ(WithStatus(chunks[1], 0xB1).size(), 0u);
  auto programs = WithStatus(chunks[1], 0xC1);
  ASSERT_EQ(programs.size(), 1u);
  EXPECT_EQ(programs[0].bytes, B({0xC1, 10}));
  // Without GM System On the lead-in is a whole measure.
  EXPECT_EQ(WithStatus(chunks[0], 0x90).at(0).time, 128);
  EXPECT_EQ(programs[0].time, 128);
}

TEST_F(SmfWriterTest, TimeSignatureAndLeadInFollowTheTimeBase) {
  ASSERT_EQ(doc.SetTimeBase(480, 3, 8), 0);
  doc.SetTrackText(0, "c4");
  auto chunks = ParseChunks(Export(1));
  EXPECT_EQ(chunks[0][0].bytes, B({0xFF, 0x58, 0x04, 3, 3, 0x18, 0x08}));
  // 3/8 at 480: a measure of 720 ticks, less a quarter.
  EXPECT_EQ(WithStatus(chunks[0], 0x90).at(0).time, 720 - 480);
}

TEST_F(SmfWriterTest, MeasureShorterThanAQuarterGivesNoNegativeLeadIn) {
  ASSERT_EQ(doc.SetTimeBase(32, 1, 8), 0);
  doc.SetTrackText(0, "c8d8");
  auto chunk = ParseChunks(Export(1))[0];
  auto notes = WithStatus(chunk, 0x90), offs = WithStatus(chunk, 0x80);
  ASSERT_EQ(notes.size(), 2u);
  ASSERT_EQ(offs.size(), 2u);
  EXPECT_EQ(notes[0].time, 0);
  EXPECT_EQ(offs[0].time, 16);  // the first note keeps its length
  EXPECT_EQ(notes[1].time, 16);
}

SmfExportRequest OneTrack(MidiEventList events) {
  SmfExportRequest request;
  request.slots[0] = TrackProperties::Fresh(0);
  request.trackEvents[0] = std::move(events);
  return request;
}

MidiEvent Record(MidiEventKind kind, int32_t tick, int32_t length = 0, int32_t value = 0,
                 int32_t note = 0) {
  MidiEvent e;
  e.kind = kind;
  e.tick = tick;
  e.length = length;
  e.value = value;
  e.note = note;
  return e;
}

TEST(SmfWriterEventTest, EventRules) {
  MidiEvent bend = Record(MidiEventKind::PitchBend, 0, 0, 0x85);
  bend.value2 = 64;
  MidiEvent cc = Record(MidiEventKind::ControlChange, 0, 0, 7);
  cc.value2 = 200;
  MidiEvent sysex = Record(MidiEventKind::SysEx, 0, 0, 4);
  sysex.data = {0xF0, 0x41, 0x10, 0xF7};
  MidiEventList list = {
      Record(MidiEventKind::Tempo, 0, 0, 120),
      Record(MidiEventKind::Tempo, 0, 0, 0),  // writes nothing
      Record(MidiEventKind::Tempo, 0, 0, 1),  // slower than three bytes can hold
      Record(MidiEventKind::ProgramChange, 0, 0, 130),
      cc,
      bend,
      sysex,
      Record(MidiEventKind::Note, 0, 20, 15, 60),
      Record(MidiEventKind::Note, 10, 20, 8, 60),  // same pitch, overlapping
      Record(MidiEventKind::Rest, 30, 10),
      Record(MidiEventKind::EndOfTrack, 40),
  };
  auto chunk = ParseChunks(BuildSmf(OneTrack(list)))[0];
  std::vector<Bytes> music;
  std::vector<int64_t> times;
  for (const FileEvent& e : chunk) {
    if (e.time >= 96) {
      music.push_back(e.bytes);
      times.push_back(e.time - 96);
    }
  }
  const std::vector<Bytes> expected = {
      {0xFF, 0x51, 0x03, 0x07, 0xA1, 0x20},
      {0xFF, 0x51, 0x03, 0xFF, 0xFF, 0xFF},
      {0xC0, 2},
      {0xB0, 7, 200 & 0x7F},
      {0xE0, 0x05, 64},
      {0xF0, 0x03, 0x41, 0x10, 0xF7},
      {0x90, 60, 127},
      {0x90, 60, 67},
      {0x80, 60, 127},
      {0x80, 60, 67},
      {0xFF, 0x2F, 0x00},
  };
  EXPECT_EQ(music, expected);
  EXPECT_EQ(times, (std::vector<int64_t>{0, 0, 0, 0, 0, 0, 0, 10, 20, 30, 30}));
}

TEST(SmfWriterEventTest, DeltaTooLargeForFourBytesLeavesTheEventOut) {
  MidiEventList list = {
      Record(MidiEventKind::ProgramChange, 0, 0, 1),
      Record(MidiEventKind::ProgramChange, 0x10000000, 0, 2),
      Record(MidiEventKind::EndOfTrack, 0x10000000),
  };
  auto chunk = ParseChunks(BuildSmf(OneTrack(list)))[0];
  EXPECT_TRUE(Contains(chunk, B({0xC0, 1})));
  EXPECT_FALSE(Contains(chunk, B({0xC0, 2})));
  EXPECT_EQ(chunk.back().bytes, B({0xFF, 0x2F, 0x00}));
}

TEST_F(SmfWriterTest, ReadsBackWithTheReader) {
  doc.SetTrackText(0, "t150 o5 c8 d8 e4");
  Bytes file = Export(1);
  SmfImportJob job;
  std::vector<MidiEventList> lists;
  ASSERT_EQ(ReadSmf(file.data(), file.size(), job, lists), 0);
  EXPECT_EQ(job.title, Sjis("無題"));
  EXPECT_EQ(job.ticksPerQuarter, 32);
  std::vector<int32_t> notes;
  for (const MidiEvent& e : lists[0]) {
    if (e.kind == MidiEventKind::Note) notes.push_back(e.note);
    if (e.kind == MidiEventKind::Tempo) {
      EXPECT_EQ(e.value, 150);
    }
  }
  EXPECT_EQ(notes, (std::vector<int32_t>{72, 74, 76}));
}

TEST_F(SmfWriterTest, WriteSmfReplacesTheFileWhole) {
  const auto dir = std::filesystem::temp_directory_path() / ("smf_writer_test_" + std::to_string(::getpid()));
  std::filesystem::create_directories(dir);
  const std::string path = (dir / "song.mid").string();
  {
    std::ofstream old(path, std::ios::binary);
    old << "an older and much longer file that must not leave a tail behind";
  }
  doc.SetTrackText(0, "c4");
  SmfExportRequest request = MakeSmfExportRequest(doc, path, 1);
  ASSERT_EQ(WriteSmf(request), 0);
  std::ifstream in(path, std::ios::binary);
  Bytes written((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  EXPECT_EQ(written, BuildSmf(request));
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir), {}), 1);  // no temp left

  request.path = (dir / "missing" / "x.mid").string();
  EXPECT_EQ(WriteSmf(request), 1);
  EXPECT_FALSE(std::filesystem::exists(request.path));
  std::filesystem::remove_all(dir);
}

TEST(SmfExportNamesTest, SuggestedPath) {
  CMMLDocument doc;
  doc.NewSong(1, 32);
  EXPECT_EQ(SuggestSmfExportPath(doc), "NoTitle.mid");
  doc.SetSongTexts(Sjis("曲/名"), "", "");
  EXPECT_EQ(SuggestSmfExportPath(doc), "曲_名.mid");
  doc.SetPath("/home/u/songs/a.b.mml");
  EXPECT_EQ(SuggestSmfExportPath(doc), "/home/u/songs/a.b.mid");
  SmfExportRequest request = MakeSmfExportRequest(doc, "x.mid", 7);
  EXPECT_EQ(request.format, 1);
  EXPECT_EQ(request.title, Sjis("曲/名"));
}

}  // namespace
}  // namespace kore
