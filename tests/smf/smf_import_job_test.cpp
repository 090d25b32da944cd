#include <gtest/gtest.h>

#include "base/shift_jis.h"
#include "smf/smf_import_job.h"
#include "smf/smf_import_song.h"

namespace kore {
namespace {

TEST(SmfImportOptionsTest, PresetsSetTheCheckBoxesButNotTheQuantiseUnit) {
  struct Row {
    int32_t preset;
    const char* name;
    bool pc, cc, pb, vel, text, sysex, chan, reduce, spread, spreadControl;
  };
  const Row rows[] = {
      {1, "Elvara 通常", false, false, false, false, false, false, false, false, false, false},
      {2, "Elvara 文字数節約", false, false, false, false, false, false, false, true, false, false},
      {3, "Elvara 和音再現", false, false, false, false, false, false, false, false, true, false},
      {4, "拡張 多数トラック", true, true, false, true, true, true, true, false, false, false},
      {5, "拡張 単体トラック精密", true, true, true, true, true, true, true, false, true, true},
  };
  for (const Row& row : rows) {
    SmfImportOptions o;
    o.quantizeValue = 16;
    o.pitchBend = !row.pb;  // every flag must be set either way, not only turned on
    o.reduceRest = !row.reduce;
    ASSERT_TRUE(ApplySmfImportPreset(row.preset, o));
    EXPECT_EQ(SmfImportPresetName(row.preset), Sjis(row.name));
    EXPECT_EQ(FindSmfImportPreset(Sjis(row.name)), row.preset);
    EXPECT_EQ(FindSmfImportPreset(std::to_string(row.preset)), row.preset);
    const bool got[] = {o.programChange, o.controlChange, o.pitchBend, o.velocity,
                        o.midiText,      o.sysEx,         o.channel,   o.reduceRest,
                        o.spreadTrack,   o.spreadControl};
    const bool want[] = {row.pc,    row.cc,   row.pb,     row.vel,    row.text,
                         row.sysex, row.chan, row.reduce, row.spread, row.spreadControl};
    for (size_t i = 0; i < 10; ++i) EXPECT_EQ(got[i], want[i]) << row.preset << " flag " << i;
    EXPECT_EQ(o.quantizeValue, 16);
  }
  SmfImportOptions custom;
  custom.velocity = true;
  const SmfImportOptions before = custom;
  EXPECT_TRUE(ApplySmfImportPreset(0, custom));
  EXPECT_EQ(custom, before);
  EXPECT_EQ(SmfImportPresetName(0), Sjis("カスタム"));
  EXPECT_FALSE(ApplySmfImportPreset(6, custom));
  EXPECT_EQ(FindSmfImportPreset("9"), -1);
  EXPECT_EQ(FindSmfImportPreset("nothing"), -1);
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
