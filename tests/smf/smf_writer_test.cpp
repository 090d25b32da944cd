// Writing Standard MIDI Files. The layout of whole exported songs (set-up events, lead-in,
// note pairs) is checked by reading them with an independent library in check_cli_files.py;
// these pin the event rules and the edges that the fixtures do not reach.
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>

#include "base/shift_jis.h"
#include "smf/smf_writer.h"
#include "smf_builder.h"
#include "tests/support/temp_dir.h"

namespace kore {
namespace {

using test::Bytes;

std::string Hex(const Bytes& bytes) {
  static const char digits[] = "0123456789abcdef";
  std::string out;
  for (uint8_t b : bytes) out += {digits[b >> 4], digits[b & 15]};
  return out;
}

// Whether the file holds a run of bytes, written as hex with spaces between events (each with
// its delta time) for reading.
bool Holds(const Bytes& file, std::string run) {
  std::erase(run, ' ');
  const std::string hex = Hex(file);
  for (size_t at = hex.find(run); at != std::string::npos; at = hex.find(run, at + 1)) {
    if (at % 2 == 0) return true;
  }
  return false;
}

bool EndsWith(const Bytes& file, std::string run) {
  std::erase(run, ' ');
  return Hex(file).ends_with(run);
}

Bytes Export(const CMMLDocument& doc, int32_t format = 1) {
  return BuildSmf(MakeSmfExportRequest(doc, "x.mid", format));
}

TEST(SmfWriterTest, LeadInFollowsTheTimeBase) {
  const struct {
    TimeBase timeBase;
    const char* text;
    const char* signature;
    const char* notes;
  } rows[] = {
      // 3/8 at 480: a measure of 720 ticks, less a quarter for GM System On.
      {{480, 3, 8}, "c4", "ff5804 03 03 18 08", "8170 903c43 8360 803c43 00ff2f00"},
      // A measure shorter than a quarter gives no negative lead-in; the first note keeps its
      // length.
      {{32, 1, 8}, "c8d8", "ff5804 01 03 18 08", "00 903c43 10 803c43 00 903e43 10 803e43"},
  };
  for (const auto& row : rows) {
    CMMLDocument doc;
    doc.NewSong(1, 32);
    ASSERT_EQ(doc.SetTimeBase(row.timeBase.ticksPerQuarter, row.timeBase.beatsPerMeasure,
                              row.timeBase.beatUnit),
              0);
    doc.SetTrackText(0, row.text);
    const Bytes file = Export(doc);
    EXPECT_TRUE(Holds(file, row.signature) && Holds(file, row.notes))
        << row.text << " " << Hex(file);
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

Bytes Written(MidiEventList events) {
  SmfExportRequest request;
  request.slots[0] = TrackProperties::Fresh(0);
  request.trackEvents[0] = std::move(events);
  return BuildSmf(request);
}

TEST(SmfWriterTest, EventRules) {
  MidiEvent bend = Record(MidiEventKind::PitchBend, 0, 0, 0x85);
  bend.value2 = 64;
  MidiEvent cc = Record(MidiEventKind::ControlChange, 0, 0, 7);
  cc.value2 = 200;
  MidiEvent sysex = Record(MidiEventKind::SysEx, 0, 0, 4);
  sysex.data = {0xF0, 0x41, 0x10, 0xF7};
  Bytes file = Written({
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
  // After the lead-in of 96 ticks; the whole file, no running status.
  EXPECT_TRUE(EndsWith(
      file,
      "60ff510307a120 00ff5103ffffff 00c002 00b00748 00e00540 00f0034110f7 00903c7f 0a903c43 "
      "0a803c7f 0a803c43 00ff2f00"))
      << Hex(file);

  // A delta too large for four bytes leaves the event out, and the track still ends.
  file = Written({Record(MidiEventKind::ProgramChange, 0, 0, 1),
                  Record(MidiEventKind::ProgramChange, 0x10000000, 0, 2),
                  Record(MidiEventKind::EndOfTrack, 0x10000000)});
  EXPECT_TRUE(Holds(file, "60 c001") && !Holds(file, "c002")) << Hex(file);
  EXPECT_TRUE(EndsWith(file, "ff2f00")) << Hex(file);
}

TEST(SmfWriterTest, ReplacesTheFileWholeOrNotAtAll) {
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

  EXPECT_EQ(request.title, Sjis("無題"));  // whole exports are read back in check_cli_files.py

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
