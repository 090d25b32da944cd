// Writing Standard MIDI Files. The layout of whole exported songs (set-up events, lead-in,
// note pairs) is checked by reading them with an independent library in check_with_mido.py;
// these pin the event rules and the edges that the fixtures do not reach.
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>

#include "base/shift_jis.h"
#include "smf/smf_reader.h"
#include "smf/smf_writer.h"
#include "smf_builder.h"
#include "tests/support/temp_dir.h"

namespace kore {
namespace {

using test::Bytes;
using test::FileEvent;
using test::ParseChunks;

// Times of the events of a chunk whose status byte is `status`.
std::vector<int64_t> TimesOf(const std::vector<FileEvent>& events, uint8_t status) {
  std::vector<int64_t> out;
  for (const FileEvent& e : events) {
    if (e.bytes[0] == status) out.push_back(e.time);
  }
  return out;
}

Bytes Export(const CMMLDocument& doc, int32_t format = 1) {
  return BuildSmf(MakeSmfExportRequest(doc, "x.mid", format));
}

TEST(SmfWriterTest, LeadInFollowsTheTimeBase) {
  const struct {
    TimeBase timeBase;
    const char* text;
    Bytes signature;
    std::vector<int64_t> ons, offs;
  } rows[] = {
      // 3/8 at 480: a measure of 720 ticks, less a quarter for GM System On.
      {{480, 3, 8}, "c4", {0xFF, 0x58, 0x04, 3, 3, 0x18, 0x08}, {240}, {720}},
      // A measure shorter than a quarter gives no negative lead-in; the first note keeps its
      // length.
      {{32, 1, 8}, "c8d8", {0xFF, 0x58, 0x04, 1, 3, 0x18, 0x08}, {0, 16}, {16, 32}},
  };
  for (const auto& row : rows) {
    CMMLDocument doc;
    doc.NewSong(1, 32);
    ASSERT_EQ(doc.SetTimeBase(row.timeBase.ticksPerQuarter, row.timeBase.beatsPerMeasure,
                              row.timeBase.beatUnit),
              0);
    doc.SetTrackText(0, row.text);
    auto chunk = ParseChunks(Export(doc))[0];
    EXPECT_EQ(chunk[0].bytes, row.signature) << row.text;
    EXPECT_EQ(TimesOf(chunk, 0x90), row.ons) << row.text;
    EXPECT_EQ(TimesOf(chunk, 0x80), row.offs) << row.text;
  }
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

std::vector<FileEvent> WrittenTrack(MidiEventList events) {
  SmfExportRequest request;
  request.slots[0] = TrackProperties::Fresh(0);
  request.trackEvents[0] = std::move(events);
  return ParseChunks(BuildSmf(request))[0];
}

TEST(SmfWriterTest, EventRules) {
  MidiEvent bend = Record(MidiEventKind::PitchBend, 0, 0, 0x85);
  bend.value2 = 64;
  MidiEvent cc = Record(MidiEventKind::ControlChange, 0, 0, 7);
  cc.value2 = 200;
  MidiEvent sysex = Record(MidiEventKind::SysEx, 0, 0, 4);
  sysex.data = {0xF0, 0x41, 0x10, 0xF7};
  auto chunk = WrittenTrack({
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
  });
  std::vector<Bytes> music;
  std::vector<int64_t> times;
  for (const FileEvent& e : chunk) {
    if (e.time < 96) continue;  // the lead-in: names and set-up
    music.push_back(e.bytes);
    times.push_back(e.time - 96);
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

  // A delta too large for four bytes leaves the event out, and the track still ends.
  chunk = WrittenTrack({Record(MidiEventKind::ProgramChange, 0, 0, 1),
                        Record(MidiEventKind::ProgramChange, 0x10000000, 0, 2),
                        Record(MidiEventKind::EndOfTrack, 0x10000000)});
  auto has = [&](const Bytes& bytes) {
    return std::any_of(chunk.begin(), chunk.end(),
                       [&](const FileEvent& e) { return e.bytes == bytes; });
  };
  EXPECT_TRUE(has({0xC0, 1}));
  EXPECT_FALSE(has({0xC0, 2}));
  EXPECT_EQ(chunk.back().bytes, (Bytes{0xFF, 0x2F, 0x00}));
}

TEST(SmfWriterTest, ReadsBackWithTheReaderAndReplacesTheFileWhole) {
  CMMLDocument doc;
  doc.NewSong(1, 32);
  doc.SetTrackText(0, "t150 o5 c8 d8 e4");
  test::TempDir dir;
  const std::string path = dir.File("song.mid");
  std::ofstream(path, std::ios::binary) << std::string(4096, 'x');  // an older, longer file
  SmfExportRequest request = MakeSmfExportRequest(doc, path, 1);
  ASSERT_EQ(WriteSmf(request), 0);
  std::ifstream in(path, std::ios::binary);
  Bytes written((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  EXPECT_EQ(written, BuildSmf(request));
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.Path().string()), {}),
            1);  // no temp left

  SmfImportJob job;
  std::vector<MidiEventList> lists;
  ASSERT_EQ(ReadSmf(written.data(), written.size(), job, lists), 0);
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

  request.path = dir.File("missing/x.mid");
  EXPECT_EQ(WriteSmf(request), 1);
  EXPECT_FALSE(std::filesystem::exists(request.path));
}

TEST(SmfWriterTest, SuggestedPathAndFormat) {
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
  EXPECT_EQ(MakeSmfExportRequest(doc, "x.mid", 0).format, 0);
}

}  // namespace
}  // namespace kore
