// Converting read tracks into MML text: quantising, note lengths, rests, octaves, layout,
// spreading chords over several tracks and the limits on output.
#include <gtest/gtest.h>

#include <array>

#include "smf/smf_convert.h"
#include "smf/smf_reader.h"
#include "smf_builder.h"

namespace kore {
namespace {

using test::Bytes;
using test::CheckGolden;
using test::Escape;

SmfImportJob Convert(const Bytes& file, SmfImportOptions options, std::vector<int32_t> selected) {
  SmfImportJob job;
  job.options = options;
  job.selectedSources = std::move(selected);
  job.spreadSource = job.selectedSources.empty() ? 0 : job.selectedSources[0];
  ConvertSmfFromBytes(file.data(), file.size(), job);
  return job;
}

// A case of the table: option words, then ":" and the tracks of a format 1 file at 480 ticks a
// quarter, separated by "|" (see ParseTrack). The output is every converted text, its lines
// marked with "|". "select=A,B" lists the tracks taken, the first is the one spread.
std::string Converted(const std::string& input) {
  std::istringstream words(input.substr(0, input.find(':')));
  SmfImportOptions o;
  o.reduceRest = false;
  std::vector<int32_t> selected = {0};
  for (std::string w; words >> w;) {
    if (w.rfind("select=", 0) == 0) {
      std::istringstream list(w.substr(7));
      selected.clear();
      for (std::string n; std::getline(list, n, ',');) selected.push_back(std::stoi(n));
    }
    using O = SmfImportOptions;
    const std::pair<const char*, bool O::*> flags[] = {
        {"reduce", &O::reduceRest},   {"pc", &O::programChange}, {"cc", &O::controlChange},
        {"pb", &O::pitchBend},        {"vel", &O::velocity},     {"text", &O::midiText},
        {"sysex", &O::sysEx},         {"chan", &O::channel},     {"spread", &O::spreadTrack},
        {"gather", &O::spreadControl}};
    for (auto [word, flag] : flags)
      if (w == word) o.*flag = true;
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

// The unit a resolution and stored value give is in data/presets.txt.
TEST(SmfQuantizeTest, TicksRoundToTheNearestUnitHalfDown) {
  for (auto [tick, unit, want] :
       {std::array{89, 60, 60}, {90, 60, 60}, {91, 60, 120}, {0, 60, 0}, {7, 1, 7}})
    EXPECT_EQ(QuantizeTick(tick, unit), want) << tick << " " << unit;
}

// Only sixteen lists take notes, however many the file has.
TEST(SmfConvertTest, SpreadFillsNoMoreThanSixteenLists) {
  MidiEventList dense(18);
  for (int i = 0; i < 18; ++i) {
    dense[i].kind = MidiEventKind::Note;
    dense[i].length = 10;
    dense[i].SetPitch(40 + i);
  }
  size_t kept = 0;
  for (const MidiEventList& list : SpreadSource(dense, 0, 20, false)) kept += list.size();
  EXPECT_EQ(kept, 16u);
}

TEST(SmfConvertTest, FailuresAndTheOutputLimit) {
  EXPECT_EQ(ConvertSmf(nullptr), 1);
  SmfImportJob missing;
  missing.path = "/nonexistent/file.mid";
  EXPECT_EQ(ConvertSmf(&missing), 2);
  std::vector<SmfSourceLine> lines;  // a folder cannot be read as a file
  EXPECT_EQ(ListSmfTracks(KORE_SOURCE_DIR, missing, lines), 2);
  Bytes file = test::ParseSmf(1, 480, "60/480");
  file[7] = 8;
  EXPECT_EQ(ConvertSmfFromBytes(file.data(), file.size(), missing), 4);

  // A note lasting about a billion ticks at a resolution of one tick per quarter.
  const SmfImportJob job =
      Convert(test::ParseSmf(1, 1, "on 0 0 60, off 268435455 0 60"), {}, {0});
  ASSERT_EQ(job.outputs.size(), 1u);
  EXPECT_LE(job.outputs[0].size(), kSmfOutputLimit);
  EXPECT_GT(job.outputs[0].size(), kSmfOutputLimit - 64);
}

}  // namespace
}  // namespace kore
