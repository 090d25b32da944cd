// Converting read tracks into MML text: quantising, note lengths, rests, octaves, layout,
// spreading chords over several tracks and the limits on output.
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
  int result = ConvertSmfFromBytes(file.data(), file.size(), job);
  if (code) *code = result;
  return job;
}

SmfImportOptions Options(bool reduceRest = false) {
  SmfImportOptions o;
  o.reduceRest = reduceRest;
  return o;
}

// The music of a converted text: the measure comments, spaces and line breaks taken out.
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

// One track of notes on a channel: key and length pairs, a negative key is a gap.
Bytes Melody(std::initializer_list<std::pair<int, uint32_t>> notes, int channel = 0) {
  TrackBuilder t;
  uint32_t gap = 0;
  for (auto [key, length] : notes) {
    if (key < 0) {
      gap += length;
      continue;
    }
    t.On(gap, channel, key).Off(length, channel, key);
    gap = 0;
  }
  t.End();
  return MakeSmf(1, 480, {t});
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

TEST(SmfConvertTest, MusicOfOneTrack) {
  TrackBuilder drums;
  drums.On(0, 9, 36).Off(0, 9, 36).On(480, 9, 38).Off(0, 9, 38).End();
  TrackBuilder quiet;  // velocity 8 is volume step 0: it ends the first C and is no note itself
  quiet.On(0, 0, 60, 100).On(240, 0, 60, 8).Off(240, 0, 60).On(0, 0, 62).Off(480, 0, 62).End();
  TrackBuilder chord;
  chord.On(0, 0, 64).On(0, 0, 60).On(0, 0, 67).Off(480, 0, 60).Off(0, 0, 64).Off(0, 0, 67).End();
  const struct {
    const char* name;
    Bytes file;
    bool reduceRest;
    const char* music;
  } rows[] = {
      {"quarter", Melody({{60, 480}}), false, "c4"},
      {"dotted", Melody({{60, 720}}), false, "c4."},
      {"tied", Melody({{60, 600}}), false, "c4&c16"},
      {"whole", Melody({{60, 1920}}), false, "c1"},
      {"over a whole", Melody({{60, 2400}}), false, "c1&c4"},
      {"rests", Melody({{-1, 480}, {60, 480}, {-1, 480}, {62, 480}}), false, "r4c4r4d4"},
      // The leading gap has no note before it and stays a rest.
      {"rests reduced", Melody({{-1, 480}, {60, 480}, {-1, 480}, {62, 480}}), true, "r4c2d4"},
      // Drum hits of no length last one quantise unit (60 ticks = a 32nd at 480).
      {"zero-length drums", MakeSmf(1, 480, {drums}), false, "o2c32r8.r32d32"},
      {"zero-length note dropped", Melody({{60, 0}, {-1, 480}, {62, 480}}), false, "r4d4"},
      {"zero-length note kept", Melody({{60, 0}, {-1, 480}, {62, 480}}), true, "c4d4"},
      {"quiet note-on", MakeSmf(1, 480, {quiet}), false, "c8r8d4"},
      {"chord keeps its first note", MakeSmf(1, 480, {chord}), false, "e4"},
      // o6 first, two down, one up, three down, two up.
      {"octaves", Melody({{84, 480}, {60, 480}, {72, 480}, {36, 480}, {61, 480}}), false,
       "o6c4<<c4>c4o2c4>>c+4"},
      {"one octave up", Melody({{72, 480}}), false, ">c4"},
  };
  for (const auto& row : rows) {
    SmfImportJob job = Convert(row.file, Options(row.reduceRest), {0});
    ASSERT_EQ(job.outputs.size(), 1u) << row.name;
    EXPECT_EQ(Music(job.outputs[0]), row.music) << row.name;
  }
  // Shorter than a 64th: after quantising to 32nds the note is gone, and so is the track.
  EXPECT_TRUE(Convert(Melody({{60, 30}}), Options(), {0}).outputs.empty());
}

TEST(SmfConvertTest, OutputLayout) {
  TrackBuilder t;
  t.Meta(0, 0x03, "My [Song]\r\nx")
      .Meta(0, 0x02, "Me")
      .On(0, 0, 60)
      .Off(1920, 0, 60)
      .On(0, 0, 62)
      .Off(960, 0, 62)
      .Meta(0, 0x01, "a[b]\r\nc")
      .Raw(0, {0xF0, 2, 0x41, 0xF7})
      .On(0, 0, 64)
      .Off(480, 0, 64)
      .End();
  EXPECT_EQ(Convert(MakeSmf(1, 480, {t}), Options(), {0}).outputs.at(0),
            "// title     : My (Song)  x\r\n"
            "// copyright : Me\r\n"
            "\r\n/*M 0  */  c1"
            "\r\n/*M 1  */  d2e4\r\n");
  SmfImportOptions o = Options();
  o.midiText = o.sysEx = true;
  EXPECT_EQ(Convert(MakeSmf(1, 480, {t}), o, {0}).outputs.at(0),
            "//#using_extension\r\n\r\n// title     : My (Song)  x\r\n// copyright : Me\r\n"
            "\r\n/*M 0  */  c1"
            "\r\n/*M 1  */  d2"
            "\r\n/*M 1  */  // a(b)"
            "\r\n/*M 1  */  // c"
            "\r\n/*M 1  */  EXxF0,x41,xF7"
            "\r\n/*M 1  */  e4\r\n");

  TrackBuilder conductor;
  conductor.Meta(0, 0x03, "Title").End();
  TrackBuilder bass;
  bass.Meta(0, 0x03, "Bass")
      .Raw(0, {0xC4, 33})
      .Raw(0, {0xB4, 7, 100})
      .Raw(0, {0xB4, 10, 3})
      .Raw(0, {0xE4, 0, 80})
      .Raw(0, {0xE4, 5, 80})
      .On(0, 4, 48, 127)
      .Off(480, 4, 48)
      .End();
  o = Options();
  o.programChange = o.controlChange = o.pitchBend = o.velocity = o.channel = true;
  EXPECT_EQ(Convert(MakeSmf(1, 480, {conductor, bass}), o, {1}).outputs.at(0),
            "//#using_extension\r\n//#using_channel = 5\r\n\r\n// Bass\r\n"
            "\r\n/*M 0  */  @33V100y10,3~80~80,5v15<c4\r\n");

  TrackBuilder many;
  for (int i = 0; i < 40; ++i) many.On(0, 0, 60).Off(60, 0, 60);  // 40 32nds in 2.5 measures
  many.End();
  std::string text = Convert(MakeSmf(1, 480, {many}), Options(), {0}).outputs.at(0);
  for (size_t start = 0, end = 0; start < text.size(); start = end + 2) {
    end = std::min(text.find("\r\n", start), text.size());
    EXPECT_LE(end - start, 80u + 4u) << text.substr(start, end - start);
  }
  std::string expected;
  for (int i = 0; i < 40; ++i) expected += "c32";
  EXPECT_EQ(Music(text), expected);
}

TEST(SmfConvertTest, SpreadGivesEachVoiceItsTrack) {
  // Whole files spread over tracks are in check_cli_files.py's table.
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
  const MidiEventList source = {program, note(0, 100, 60), note(0, 50, 64),
                                note(50, 50, 67),   // list 0 is free again at 50
                                note(60, 10, 72)};  // 1 is the first free list
  std::vector<MidiEventList> plain = SpreadSource(source, 2, 16, false);
  ASSERT_EQ(plain.size(), 16u);
  EXPECT_EQ(plain[2].size(), 2u);  // the program change and the first note stay
  ASSERT_EQ(plain[0].size(), 2u);
  EXPECT_EQ(plain[0][1].note, 67);
  ASSERT_EQ(plain[1].size(), 1u);
  EXPECT_EQ(plain[1][0].note, 72);
  std::vector<MidiEventList> gathered = SpreadSource(source, 2, 16, true);
  ASSERT_EQ(gathered[2].size(), 1u);
  ASSERT_EQ(gathered[3].size(), 1u);  // the first empty list takes the controls
  EXPECT_EQ(gathered[3][0].kind, MidiEventKind::ProgramChange);

  // Eighteen voices at once: only sixteen lists take notes, however many the file has.
  MidiEventList dense;
  for (int i = 0; i < 18; ++i) dense.push_back(note(0, 10, 40 + i));
  for (size_t lists : {16u, 20u}) {
    size_t kept = 0;
    for (const MidiEventList& l : SpreadSource(dense, 0, lists, false)) kept += l.size();
    EXPECT_EQ(kept, 16u) << lists;
  }
}

TEST(SmfConvertTest, SelectionLimitsAndFailures) {
  std::vector<TrackBuilder> tracks(18);
  for (int i = 0; i < 18; ++i) tracks[i].On(0, i % 16, 60 + i).Off(480, i % 16, 60 + i).End();
  Bytes file = MakeSmf(1, 480, tracks);
  SmfImportJob job = Convert(file, Options(), {1});
  ASSERT_EQ(job.outputs.size(), 1u);
  EXPECT_EQ(Music(job.outputs[0]), "c+4");
  EXPECT_EQ(Convert(file, Options(), {0, 1, 1, 99, -1}).outputs.size(), 2u);
  std::vector<int32_t> all;
  for (int32_t i = 0; i < 18; ++i) all.push_back(i);
  EXPECT_EQ(Convert(file, Options(), all).outputs.size(), 16u);

  EXPECT_EQ(ConvertSmf(nullptr), 1);
  SmfImportJob missing;
  missing.path = "/nonexistent/file.mid";
  EXPECT_EQ(ConvertSmf(&missing), 2);
  missing.path = KORE_SOURCE_DIR;  // a folder cannot be read as a file
  EXPECT_EQ(ConvertSmf(&missing), 2);
  std::vector<SmfSourceLine> lines;
  EXPECT_EQ(ListSmfTracks(KORE_SOURCE_DIR, missing, lines), 2);
  int code = 0;
  file[7] = 8;
  Convert(file, Options(), {0}, &code);
  EXPECT_EQ(code, 4);

  // A note lasting about a billion ticks at a resolution of one tick per quarter.
  TrackBuilder huge;
  huge.On(0, 0, 60).Raw(0x0FFFFFFF, {0x80, 60, 0}).End();
  job = Convert(MakeSmf(1, 1, {huge}), Options(), {0});
  ASSERT_EQ(job.outputs.size(), 1u);
  EXPECT_LE(job.outputs[0].size(), kSmfOutputLimit);
  EXPECT_GT(job.outputs[0].size(), kSmfOutputLimit - 64);
}

}  // namespace
}  // namespace kore
