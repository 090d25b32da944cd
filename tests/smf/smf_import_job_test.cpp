#include <gtest/gtest.h>

#include <array>
#include <cctype>

#include "base/shift_jis.h"
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
std::string PresetAsText(const std::string& input) {
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

TEST(SmfImportOptionsTest, PresetsSetTheCheckBoxesButNotTheQuantiseUnit) {
  CheckGolden(std::string(KORE_SOURCE_DIR) + "/tests/smf/data/presets.txt", PresetAsText);
}

TEST(SmfImportOptionsTest, StoredQuantiseValuesAndTheirText) {
  for (int32_t v : {4, 8, 16, 32, 64}) EXPECT_EQ(NormalizeQuantizeValue(v), v);
  for (int32_t v : {0, -4, 2, 12, 128}) EXPECT_EQ(NormalizeQuantizeValue(v), 32);
  EXPECT_EQ(QuantizeDisplayText(480, 32), Sjis("分解能 = 480\nクオンタイズ = 60 "));
  EXPECT_EQ(QuantizeDisplayText(100, 64), Sjis("分解能 = 100\nクオンタイズ = 6.25 *変換誤差*"));
  EXPECT_EQ(QuantizeDisplayText(96, 64), Sjis("分解能 = 96\nクオンタイズ = 6 "));
}

TEST(SmfImportOptionsTest, SelectionChecks) {
  SmfImportJob job;
  std::string message;
  EXPECT_EQ(CheckSmfImportSelection(job, &message), 1);
  EXPECT_EQ(message, Sjis("トラックが選択されていません。"));

  job.selectedSources = {0, 1};
  EXPECT_EQ(CheckSmfImportSelection(job, &message), 0);
  EXPECT_TRUE(message.empty());
  // Two tracks are already too many to spread; the message is in check_cli_files.py's table.
  job.options.spreadTrack = true;
  EXPECT_EQ(CheckSmfImportSelection(job, nullptr), 2);
  job.options.spreadTrack = false;
  job.selectedSources.clear();
  for (int32_t i = 0; i < 17; ++i) job.selectedSources.push_back(i);
  EXPECT_EQ(CheckSmfImportSelection(job, &message), 3);
  EXPECT_EQ(message, Sjis("トラックは最大で16まで選択してください。"));
  job.selectedSources.pop_back();
  EXPECT_EQ(CheckSmfImportSelection(job, nullptr), 0);
}

// The song's texts, slots and time base show in the files check_cli_files.py compares.
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
  CMMLDocument doc;
  LoadIntoDocument(song, doc, SmfImportSongPath("/music/a.mid"));
  EXPECT_EQ(doc.Path(), "/music/a.mml");
  EXPECT_EQ(doc.TrackCount(), 3);
  EXPECT_FALSE(doc.IsModified());
  EXPECT_EQ(SmfImportSongPath("/music/b"), "/music/b.mml");
}

}  // namespace
}  // namespace kore
