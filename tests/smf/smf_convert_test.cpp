// Converting read tracks into MML text: quantising, note lengths, rests, octaves, layout,
// spreading chords over several tracks and the limits on output.
#include <gtest/gtest.h>

#include "smf/smf_convert.h"
#include "smf/smf_reader.h"
#include "smf_builder.h"

namespace kore {
namespace {

using test::Bytes;
using test::CheckGolden;
using test::Escape;
using test::MakeSmf;

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

// A case of the table: option words, then ":" and the tracks of a format 1 file at 480 ticks a
// quarter, separated by "|" (see ParseTrack). The output is every converted text, its lines
// marked with "|".
std::string Converted(const std::string& input) {
  std::istringstream words(input.substr(0, input.find(':')));
  SmfImportOptions o = Options();
  std::vector<int32_t> selected = {0};
  for (std::string w; words >> w;) {
    if (w.rfind("select=", 0) == 0) selected = {std::stoi(w.substr(7))};
    bool* flag = w == "reduce"  ? &o.reduceRest
                 : w == "pc"    ? &o.programChange
                 : w == "cc"    ? &o.controlChange
                 : w == "pb"    ? &o.pitchBend
                 : w == "vel"   ? &o.velocity
                 : w == "text"  ? &o.midiText
                 : w == "sysex" ? &o.sysEx
                 : w == "chan"  ? &o.channel
                                : nullptr;
    if (flag) *flag = true;
  }
  const SmfImportJob job =
      Convert(test::ParseSmf(1, 480, input.substr(input.find(':') + 1)), o, selected);
  std::string out = job.outputs.empty() ? "no text\n" : "";
  for (const std::string& text : job.outputs) {
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) out += "|" + Escape(line) + "\n";
    out += "--\n";
  }
  return out;
}

TEST(SmfConvertTest, TextsOfTheTable) {
  CheckGolden(std::string(KORE_SOURCE_DIR) + "/tests/smf/data/convert_texts.txt", Converted);
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
  std::vector<Bytes> tracks;
  for (int i = 0; i < 18; ++i) {
    const std::string channelKey = std::to_string(i % 16) + " " + std::to_string(60 + i);
    tracks.push_back(test::ParseTrack("on 0 " + channelKey + ", off 480 " + channelKey));
  }
  Bytes file = MakeSmf(1, 480, tracks);
  SmfImportJob job = Convert(file, Options(), {1});
  ASSERT_EQ(job.outputs.size(), 1u);
  EXPECT_EQ(job.outputs[0], "\r\n/*M 0  */  c+4\r\n");  // the second track's note
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
  job = Convert(test::ParseSmf(1, 1, "on 0 0 60, off 268435455 0 60"), Options(), {0});
  ASSERT_EQ(job.outputs.size(), 1u);
  EXPECT_LE(job.outputs[0].size(), kSmfOutputLimit);
  EXPECT_GT(job.outputs[0].size(), kSmfOutputLimit - 64);
}

}  // namespace
}  // namespace kore
