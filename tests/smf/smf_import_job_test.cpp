#include <gtest/gtest.h>

#include <array>
#include <cctype>
#include <sstream>

#include "base/shift_jis.h"
#include "smf/smf_convert.h"
#include "smf/smf_import_job.h"
#include "smf/smf_import_song.h"
#include "tests/support/golden.h"

namespace kore {
namespace {

using test::CheckGolden;

std::array<bool*, 10> Flags(SmfImportOptions& o) {
  return {&o.programChange, &o.controlChange, &o.pitchBend, &o.velocity,    &o.midiText,
          &o.sysEx,         &o.channel,       &o.reduceRest, &o.spreadTrack, &o.spreadControl};
}

// A case of the preset table: a preset number or name. The output is the number the name or
// number finds, the name, and the check boxes the preset leaves over all-off and all-on options.
// "quantise TICKS VALUE" shows the value stored, the unit in ticks and the dialog's text; "select
// COUNT [spread]" checks a selection of the first COUNT tracks.
std::string PresetAsText(const std::string& input) {
  std::istringstream words(input);
  std::string kind, spread;
  int32_t a = 0, b = 0;
  words >> kind >> a;
  auto oneLine = [](std::string text) {
    for (size_t at; (at = text.find('\n')) != std::string::npos;) text.replace(at, 1, "\\n");
    return " \"" + text + "\"\n";
  };
  if (kind == "quantise" && words >> b) {
    const int32_t stored = NormalizeQuantizeValue(b);
    return "stored " + std::to_string(stored) + " unit " + std::to_string(QuantizeUnit(a, b)) +
           (stored == b ? oneLine(SjisToUtf8Lossy(QuantizeDisplayText(a, b))) : "\n");
  }
  if (kind == "select") {
    SmfImportJob job;
    for (int32_t i = 0; i < a; ++i) job.selectedSources.push_back(i);
    job.options.spreadTrack = words >> spread && spread == "spread";
    std::string message = "-";
    const int result = CheckSmfImportSelection(job, &message);
    EXPECT_EQ(CheckSmfImportSelection(job, nullptr), result) << input;
    return std::to_string(result) + oneLine(SjisToUtf8Lossy(message));
  }
  const int32_t found = FindSmfImportPreset(Utf8ToSjisLossy(input));
  const int32_t preset = std::isdigit(static_cast<unsigned char>(input[0])) ? std::stoi(input)
                                                                            : found;
  std::string out = "found " + std::to_string(found) + " name \"" +
                    SjisToUtf8Lossy(SmfImportPresetName(preset)) + "\"";
  for (bool start : {false, true}) {
    SmfImportOptions o;
    o.quantizeValue = 16;
    for (bool* flag : Flags(o)) *flag = start;
    out += ApplySmfImportPreset(preset, o) ? " flags " : " refused ";
    for (bool* flag : Flags(o)) out += *flag ? '1' : '0';
    out += " quantise " + std::to_string(o.quantizeValue);
  }
  return out + "\n";
}

TEST(SmfImportOptionsTest, PresetsQuantiseValuesAndSelections) {
  CheckGolden(std::string(KORE_SOURCE_DIR) + "/tests/smf/data/presets.txt", PresetAsText);
}

// The song's texts, slots and time base show in the files the command-line import tests compare;
// taking it into a document is the song loader's.
TEST(SmfImportSongTest, AFreshSongBesideTheSource) {
  SmfImportJob job;
  job.outputs = {"c4", "d4", "e4"};
  job.copyright = "(c)";
  LoadedSong song;
  song.memo = "old";
  BuildSmfImportSong(job, song);
  EXPECT_TRUE(song.memo.empty());
  EXPECT_EQ(song.source, "(c)");  // the fixture has no copyright
  EXPECT_EQ(song.trackOrder[3], -1);
  EXPECT_EQ(SmfImportSongPath("/music/a.mid"), "/music/a.mml");
  EXPECT_EQ(SmfImportSongPath("/music/b"), "/music/b.mml");
}

}  // namespace
}  // namespace kore
