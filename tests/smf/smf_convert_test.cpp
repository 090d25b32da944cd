#include <gtest/gtest.h>

#include "smf/smf_convert.h"
#include "smf/smf_reader.h"
#include "smf_builder.h"

namespace kore {
namespace {

using test::Bytes;
using test::MakeSmf;
using test::TrackBuilder;

SmfImportJob Convert(const Bytes& file, SmfImportOptions options, std::vector<int32_t> selected,
                     int* code = nullptr) {
  SmfImportJob job;
  job.options = options;
  job.selectedSources = std::move(selected);
  if (job.options.spreadTrack && !job.selectedSources.empty()) {
    job.spreadSource = job.selectedSources[0];
  }
  int result = ConvertSmfFromBytes(file.data(), file.size(), job);
  if (code) *code = result;
  return job;
}

SmfImportOptions Plain() {
  SmfImportOptions o;
  o.reduceRest = false;
  return o;
}

// The music of a converted text: everything after the measure comments, with line breaks and
// the comments themselves taken out.
std::string Music(const std::string& text) {
  std::string out;
  for (size_t i = 0; i < text.size();) {
    if (text.compare(i, 2, "/*") == 0) {
      size_t end = text.find("*/", i);
      i = end == std::string::npos ? text.size() : end + 2;
    } else if (text[i] == '\r' || text[i] == '\n' || text[i] == ' ') {
      ++i;
    } else {
      out += text[i++];
    }
  }
  return out;
}

TEST(SmfQuantizeTest, RoundsToTheNearestUnitHalfDown) {
  const int32_t unit = QuantizeUnit(480, 32);
  EXPECT_EQ(unit, 60);
  EXPECT_EQ(QuantizeTick(89, unit), 60);
  EXPECT_EQ(QuantizeTick(90, unit), 60);
  EXPECT_EQ(QuantizeTick(91, unit), 120);
  EXPECT_EQ(QuantizeTick(0, unit), 0);
  EXPECT_EQ(QuantizeUnit(480, 4), 480);
  EXPECT_EQ(QuantizeUnit(480, 5), 60);  // an invalid stored value reads as 32
  // A resolution too coarse for the unit still gives a usable one.
  EXPECT_EQ(QuantizeUnit(1, 64), 1);
  EXPECT_EQ(QuantizeTick(7, 1), 7);
}

TEST(SmfConvertTest, NoteLengthsAreSplitIntoStandardLengths) {
  struct Case { uint32_t length; const char* music; };
  const Case cases[] = {
      {480, "c4"}, {720, "c4."}, {600, "c4&c16"}, {1920, "c1"}, {2400, "c1&c4"},
      {30, ""},  // shorter than a 64th (after quantising to 32nds the note is gone)
  };
  for (const Case& c : cases) {
    TrackBuilder t;
    t.On(0, 0, 60).Off(c.length, 0, 60).End();
    SmfImportJob job = Convert(MakeSmf(1, 480, {t}), Plain(), {0});
    if (*c.music == 0) {
      EXPECT_TRUE(job.outputs.empty()) << c.length;
      continue;
    }
    ASSERT_EQ(job.outputs.size(), 1u) << c.length;
    EXPECT_EQ(Music(job.outputs[0]), c.music) << c.length;
  }
}

TEST(SmfConvertTest, OutputLayoutWithMeasureComments) {
  TrackBuilder t;
  t.Meta(0, 0x03, "My [Song]\r\nx").Meta(0, 0x02, "Me").On(0, 0, 60).Off(1920, 0, 60)
      .On(0, 0, 62).Off(960, 0, 62).End();
  SmfImportJob job = Convert(MakeSmf(1, 480, {t}), Plain(), {0});
  ASSERT_EQ(job.outputs.size(), 1u);
  EXPECT_EQ(job.outputs[0],
            "// title     : My (Song)  x\r\n"
            "// copyright : Me\r\n"
            "\r\n/*M 0  */  c1"
            "\r\n/*M 1  */  d2\r\n");
}

TEST(SmfConvertTest, ExtendedHeaderAndChannel) {
  TrackBuilder conductor;
  conductor.Meta(0, 0x03, "Title").End();
  TrackBuilder t;
  t.Meta(0, 0x03, "Bass").Raw(0, {0xC4, 33}).Raw(0, {0xB4, 7, 100}).Raw(0, {0xB4, 10, 3})
      .Raw(0, {0xE4, 0, 80}).Raw(0, {0xE4, 5, 80}).On(0, 4, 48, 127).Off(480, 4, 48).End();
  SmfImportOptions o = Plain();
  o.programChange = o.controlChange = o.pitchBend = o.velocity = o.channel = true;
  SmfImportJob job = Convert(MakeSmf(1, 480, {conductor, t}), o, {1});
  ASSERT_EQ(job.outputs.size(), 1u);
  EXPECT_EQ(job.outputs[0],
            "//#using_extension\r\n//#using_channel = 5\r\n\r\n// Bass\r\n"
            "\r\n/*M 0  */  @33V100y10,3~80~80,5v15<c4\r\n");
}

TEST(SmfConvertTest, ChordWithoutSpreadKeepsTheFirstNote) {
  TrackBuilder t;
  t.On(0, 0, 64).On(0, 0, 60).On(0, 0, 67).Off(480, 0, 60).Off(0, 0, 64).Off(0, 0, 67).End();
  Bytes file = MakeSmf(1, 480, {t});
  SmfImportJob job = Convert(file, Plain(), {0});
  ASSERT_EQ(job.outputs.size(), 1u);
  EXPECT_EQ(Music(job.outputs[0]), "e4");

  SmfImportOptions spread = Plain();
  spread.spreadTrack = true;
  SmfImportJob spreadJob = Convert(file, spread, {0});
  ASSERT_EQ(spreadJob.outputs.size(), 3u);
  EXPECT_EQ(Music(spreadJob.outputs[0]), "e4");
  EXPECT_EQ(Music(spreadJob.outputs[1]), "c4");
  EXPECT_EQ(Music(spreadJob.outputs[2]), "g4");
}

TEST(SmfConvertTest, SpreadFillsFreeListsAndGathersControls) {
  MidiEventList source;
  auto note = [](int32_t tick, int32_t length, int32_t key) {
    MidiEvent e;
    e.kind = MidiEventKind::Note;
    e.tick = tick;
    e.length = length;
    e.value = 8;
    e.SetPitch(key);
    return e;
  };
  MidiEvent program;
  program.kind = MidiEventKind::ProgramChange;
  program.value = 5;
  source.push_back(program);
  source.push_back(note(0, 100, 60));
  source.push_back(note(0, 50, 64));
  source.push_back(note(50, 50, 67));  // list 1 is free again at 50
  source.push_back(note(60, 10, 72));  // 2 is the first free list
  std::vector<MidiEventList> plain = SpreadSource(source, 2, 16, false);
  ASSERT_EQ(plain.size(), 16u);
  EXPECT_EQ(plain[2].size(), 2u);  // the program change and the first note stay
  ASSERT_EQ(plain[0].size(), 2u);
  EXPECT_EQ(plain[0][0].note, 64);
  EXPECT_EQ(plain[0][1].note, 67);
  ASSERT_EQ(plain[1].size(), 1u);
  EXPECT_EQ(plain[1][0].note, 72);

  std::vector<MidiEventList> gathered = SpreadSource(source, 2, 16, true);
  ASSERT_EQ(gathered[2].size(), 1u);
  EXPECT_EQ(gathered[2][0].note, 60);
  ASSERT_EQ(gathered[3].size(), 1u);  // the first empty list takes the controls
  EXPECT_EQ(gathered[3][0].kind, MidiEventKind::ProgramChange);

  // Seventeen voices at once: the last has nowhere to go.
  MidiEventList dense;
  for (int i = 0; i < 17; ++i) dense.push_back(note(0, 10, 40 + i));
  std::vector<MidiEventList> full = SpreadSource(dense, 0, 16, false);
  size_t kept = 0;
  for (const MidiEventList& l : full) kept += l.size();
  EXPECT_EQ(kept, 16u);
}

TEST(SmfConvertTest, RestsOrStretchedNotes) {
  TrackBuilder t;
  t.On(480, 0, 60).Off(480, 0, 60).On(480, 0, 62).Off(480, 0, 62).End();
  Bytes file = MakeSmf(1, 480, {t});
  EXPECT_EQ(Music(Convert(file, Plain(), {0}).outputs.at(0)), "r4c4r4d4");
  SmfImportOptions reduce;
  reduce.reduceRest = true;
  // The leading gap has no note before it and stays a rest.
  EXPECT_EQ(Music(Convert(file, reduce, {0}).outputs.at(0)), "r4c2d4");
}

TEST(SmfConvertTest, ZeroLengthNotes) {
  TrackBuilder drums;
  drums.On(0, 9, 36).Off(0, 9, 36).On(480, 9, 38).Off(0, 9, 38).End();
  // Drum hits of no length last one quantise unit (60 ticks = a 32nd at 480).
  EXPECT_EQ(Music(Convert(MakeSmf(1, 480, {drums}), Plain(), {0}).outputs.at(0)),
            "o2c32r8.r32d32");

  TrackBuilder melody;
  melody.On(0, 0, 60).Off(0, 0, 60).On(480, 0, 62).Off(480, 0, 62).End();
  Bytes file = MakeSmf(1, 480, {melody});
  EXPECT_EQ(Music(Convert(file, Plain(), {0}).outputs.at(0)), "r4d4");
  SmfImportOptions reduce;
  reduce.reduceRest = true;
  EXPECT_EQ(Music(Convert(file, reduce, {0}).outputs.at(0)), "c4d4");
}

TEST(SmfConvertTest, QuietNoteOnClosesTheSoundingNote) {
  TrackBuilder t;
  // Velocity 8 is volume step 0: it ends the first C, and is itself no note.
  t.On(0, 0, 60, 100).On(240, 0, 60, 8).Off(240, 0, 60).On(0, 0, 62).Off(480, 0, 62).End();
  EXPECT_EQ(Music(Convert(MakeSmf(1, 480, {t}), Plain(), {0}).outputs.at(0)), "c8r8d4");
}

TEST(SmfConvertTest, OctaveCommands) {
  TrackBuilder t;
  t.On(0, 0, 84).Off(480, 0, 84)    // o6 first: two up on the first note is written as o6
      .On(0, 0, 60).Off(480, 0, 60)  // two down
      .On(0, 0, 72).Off(480, 0, 72)  // one up
      .On(0, 0, 36).Off(480, 0, 36)  // three down
      .On(0, 0, 61).Off(480, 0, 61).End();
  EXPECT_EQ(Music(Convert(MakeSmf(1, 480, {t}), Plain(), {0}).outputs.at(0)),
            "o6c4<<c4>c4o2c4>>c+4");

  TrackBuilder near;
  near.On(0, 0, 72).Off(480, 0, 72).End();
  EXPECT_EQ(Music(Convert(MakeSmf(1, 480, {near}), Plain(), {0}).outputs.at(0)), ">c4");
}

TEST(SmfConvertTest, TextsAndExclusivesStandOnTheirOwnLines) {
  TrackBuilder t;
  t.On(0, 0, 60).Off(480, 0, 60).Meta(0, 0x01, "a[b]\r\nc").Raw(0, {0xF0, 2, 0x41, 0xF7})
      .On(0, 0, 62).Off(480, 0, 62).End();
  SmfImportOptions o = Plain();
  o.midiText = o.sysEx = true;
  SmfImportJob job = Convert(MakeSmf(1, 480, {t}), o, {0});
  ASSERT_EQ(job.outputs.size(), 1u);
  EXPECT_EQ(job.outputs[0],
            "//#using_extension\r\n\r\n"
            "\r\n/*M 0  */  c4"
            "\r\n/*M 0  */  // a(b)"
            "\r\n/*M 0  */  // c"
            "\r\n/*M 0  */  EXxF0,x41,xF7"
            "\r\n/*M 0  */  d4\r\n");
}

TEST(SmfConvertTest, LongLinesBreakAfter80Characters) {
  TrackBuilder t;
  for (int i = 0; i < 40; ++i) t.On(0, 0, 60).Off(60, 0, 60);  // 40 32nds in 2.5 measures
  t.End();
  std::string text = Convert(MakeSmf(1, 480, {t}), Plain(), {0}).outputs.at(0);
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find("\r\n", start);
    if (end == std::string::npos) end = text.size();
    EXPECT_LE(end - start, 80u + 4u) << text.substr(start, end - start);
    start = end + 2;
  }
  std::string expected;
  for (int i = 0; i < 40; ++i) expected += "c32";
  EXPECT_EQ(Music(text), expected);
}

TEST(SmfConvertTest, SelectionAndFailures) {
  TrackBuilder a, b;
  a.On(0, 0, 60).Off(480, 0, 60).End();
  b.On(0, 1, 62).Off(480, 1, 62).End();
  Bytes file = MakeSmf(1, 480, {a, b});
  SmfImportJob job = Convert(file, Plain(), {1});
  ASSERT_EQ(job.outputs.size(), 1u);
  EXPECT_EQ(Music(job.outputs[0]), "d4");
  EXPECT_EQ(Convert(file, Plain(), {0, 1, 1, 99}).outputs.size(), 2u);

  EXPECT_EQ(ConvertSmf(nullptr), 1);
  SmfImportJob missing;
  missing.path = "/nonexistent/file.mid";
  EXPECT_EQ(ConvertSmf(&missing), 2);
  missing.path = KORE_SOURCE_DIR;  // a folder cannot be read as a file
  EXPECT_EQ(ConvertSmf(&missing), 2);
  std::vector<SmfSourceLine> lines;
  EXPECT_EQ(ListSmfTracks(KORE_SOURCE_DIR, missing, lines), 2);
  int code = 0;
  Bytes bad = file;
  bad[7] = 8;
  Convert(bad, Plain(), {0}, &code);
  EXPECT_EQ(code, 4);
}

TEST(SmfConvertTest, HugeLengthsStopAtTheOutputLimit) {
  TrackBuilder t;
  // A note lasting about a billion ticks at a resolution of one tick per quarter.
  t.On(0, 0, 60).Raw(0x0FFFFFFF, {0x80, 60, 0}).End();
  Bytes file = MakeSmf(1, 1, {t});
  SmfImportJob job = Convert(file, Plain(), {0});
  ASSERT_EQ(job.outputs.size(), 1u);
  EXPECT_LE(job.outputs[0].size(), kSmfOutputLimit);
  EXPECT_GT(job.outputs[0].size(), kSmfOutputLimit - 64);
}

}  // namespace
}  // namespace kore
