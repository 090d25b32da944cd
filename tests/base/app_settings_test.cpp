#include "base/app_settings.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "tests/support/temp_dir.h"

namespace kore {
namespace {

using test::TempDir;

std::string DataFile(const std::string& name) {
  return std::string(KORE_SOURCE_DIR) + "/tests/base/data/" + name;
}

TEST(AppSettings, FirstStartWritesEveryDefaultInItsFormat) {
  TempDir dir;
  std::string path = dir.File("KORE.ini");
  CProfileFile file(path);
  ASSERT_FALSE(file.Existed());
  AppSettings settings;
  LoadAllSettings(file, settings);
  EXPECT_EQ(settings, AppSettings{});
  ASSERT_EQ(SaveSettings(file, settings), 0);
  EXPECT_EQ(ReadWholeFile(path), ReadWholeFile(DataFile("default_settings.ini")));

  CProfileFile again(path);
  AppSettings reread;
  reread.porta = 7;
  LoadAllSettings(again, reread);
  EXPECT_EQ(reread, AppSettings{});
}

int32_t ReadOne(const char* section, const char* key, int32_t AppSettings::*field, int32_t value) {
  AppSettings s;
  CProfileFile f = CProfileFile::FromText(std::string("[") + section + "]\n" + key + "=" +
                                          std::to_string(value) + "\n");
  LoadAllSettings(f, s);
  return s.*field;
}

// Each checked key at both ends of what it accepts, and just beyond them.
TEST(AppSettings, HandEditedValuesReadBackCorrected) {
  const char* app = "ApplicationData";
  const struct {
    const char *section, *key;
    int32_t AppSettings::*field;
    int32_t min, max, fallback;
  } ranges[] = {
      {app, "DefaultTimeBase", &AppSettings::defaultTimeBase, 32, 960, 32},
      {app, "ViewMode", &AppSettings::viewMode, 0, 2, 0},
      {app, "DefaultTrackCount", &AppSettings::defaultTrackCount, 1, 15, 3},
      {app, "StatFrameRate", &AppSettings::statFrameRate, 30, 60, 30},
      {app, "Window_Style", &AppSettings::windowStyle, 0, 1, 0},
      {app, "PianoRollTargetV2", &AppSettings::pianoRollTargetV2, 0, 2, 0},
      {"Midi Settings", "OutputDLS", &AppSettings::outputDls, 0, 3, 0},
      {"Midi Settings", "ResetType", &AppSettings::resetType, 0, 5, 1},
      {"DLS Settings", "SamplingRate", &AppSettings::samplingRate, 0, 3, 2},
      {"DLS Settings", "Channel", &AppSettings::dlsChannel, 0, 1, 1},
      {"DLS Settings", "Volume", &AppSettings::dlsVolume, 0, 100, 100},
      {"SMF Import Settings", "QuantizeValue", &AppSettings::smfQuantizeValue, 4, 64, 32},
  };
  for (const auto& r : ranges) {
    EXPECT_EQ(ReadOne(r.section, r.key, r.field, r.min), r.min) << r.key;
    EXPECT_EQ(ReadOne(r.section, r.key, r.field, r.max), r.max) << r.key;
    EXPECT_EQ(ReadOne(r.section, r.key, r.field, r.min - 1), r.fallback) << r.key;
    EXPECT_EQ(ReadOne(r.section, r.key, r.field, r.max + 1), r.fallback) << r.key;
  }
  const struct {
    const char* key;
    int32_t AppSettings::*field;
    int32_t value, expected;
  } values[] = {
      {"DefaultTimeBase", &AppSettings::defaultTimeBase, 100, 32},  // not one of the three
      {"StatFrameRate", &AppSettings::statFrameRate, 45, 30},
      {"PianoRollHeight", &AppSettings::pianoRollHeight, 0, 1},
      {"PianoRollWidth", &AppSettings::pianoRollWidth, 1, 1},
      {"EditorFontSize", &AppSettings::editorFontSize, 0, 10},
      {"PianoRollVMag", &AppSettings::pianoRollVMag, -3, -3},  // unchecked keys are used as read
  };
  for (const auto& v : values)
    EXPECT_EQ(ReadOne(app, v.key, v.field, v.value), v.expected) << v.key;
  EXPECT_EQ(ReadOne("SMF Import Settings", "QuantizeValue", &AppSettings::smfQuantizeValue, 12),
            32);
  CProfileFile f = CProfileFile::FromText(
      "[ApplicationData]\nAutoSave=TRUE\nEditScroll=true\n[Midi Settings]\nOutputDLS=3\n"
      "[DLS Settings]\nSamplingRate=1\n[SMF Import Settings]\nReduceRest=false\n");
  AppSettings s;
  LoadAllSettings(f, s);
  EXPECT_TRUE(s.autoSave);  // "TRUE" is not "true": the default stays
  EXPECT_TRUE(s.editScroll);
  EXPECT_EQ(s.samplingRate, 2);  // forced by OutputDLS 3 whatever the file says
  EXPECT_FALSE(s.smfReduceRest);
}

TEST(AppSettings, SavingForcesAnUnusableTimeBase) {
  CProfileFile f = CProfileFile::FromText("");
  AppSettings s;
  s.defaultTimeBase = 48;
  EXPECT_EQ(SaveSettings(f, s), 0);
  EXPECT_EQ(s.defaultTimeBase, 32);
  f.SetSection("ApplicationData");
  EXPECT_EQ(f.ReadInt("DefaultTimeBase", 0), 32);
}

TEST(AppSettings, RecentFilesKeepTenNewestFirst) {
  std::vector<std::string> list;
  for (int i = 1; i <= 12; ++i) AddRecentFile(list, "/songs/" + std::to_string(i) + ".mml");
  AddRecentFile(list, "/songs/5.mml");
  ASSERT_EQ(list.size(), 10u);
  EXPECT_EQ(list[0], "/songs/5.mml");
  EXPECT_EQ(list[1], "/songs/12.mml");
  EXPECT_EQ(list[9], "/songs/3.mml");

  CProfileFile f = CProfileFile::FromText("[Recent File List]\nFile1=/old.mml\nFile11=/x.mml\n");
  EXPECT_EQ(ReadRecentFileList(f), (std::vector<std::string>{"/old.mml"}));
  WriteRecentFileList(f, list);
  EXPECT_EQ(ReadRecentFileList(f), list);
  f.SetSection("Recent File List");
  EXPECT_FALSE(f.HasKey("File11"));  // the section is rewritten whole
}

TEST(AppSettings, SearchHistoryRoundTripsAndToleratesBadCounts) {
  SearchHistory h;
  RememberString(h.searchKeys, "cde");
  RememberString(h.searchKeys, "o4");
  RememberString(h.searchKeys, "cde");
  RememberString(h.searchKeys, "");
  EXPECT_EQ(h.searchKeys, (std::vector<std::string>{"cde", "o4"}));

  CProfileFile bad = CProfileFile::FromText(
      "[Search History]\nSearchKeyCount=2000000000\nSearchKey[0]=a\nSearchKey[1]=\n"
      "ReplaceKeyCount=-4\n");
  SearchHistory read = ReadSearchHistory(bad);
  EXPECT_EQ(read.searchKeys, (std::vector<std::string>{"a"}));
  EXPECT_TRUE(read.replaceKeys.empty());
}

TEST(AppSettings, FilesLiveInXdgFoldersUnlessAKoreIniStandsBesideTheProgram) {
  TempDir dir;  // a writable program folder, which alone is no reason to write there
  struct Row {
    const char* name;
    std::string config, data;
    bool portable;
    std::string settings, autosave;
  } rows[] = {
      {"xdg set", "/cfg", "/dat", false, "/cfg/kore/KORE.ini", "/dat/kore/autosave"},
      {"xdg unset", "", "", false, "/home/u/.config/kore/KORE.ini",
       "/home/u/.local/share/kore/autosave"},
      {"xdg relative", "rel/cfg", "rel/dat", false, "/home/u/.config/kore/KORE.ini",
       "/home/u/.local/share/kore/autosave"},
      {"portable", "/cfg", "/dat", true, dir.Path().string() + "/KORE.ini", dir.Path().string() + "/autosave"},
  };
  for (const Row& row : rows) {
    std::filesystem::remove(dir.File("KORE.ini"));
    if (row.portable) {
      ASSERT_EQ(WriteFileAtomically(dir.File("KORE.ini"), ""), 0);
    }
    SettingsEnvironment env{dir.Path().string(), row.config, "/home/u", row.data};
    EXPECT_EQ(SettingsFilePath(env), row.settings) << row.name;
    EXPECT_EQ(AutosaveFolder(env), row.autosave) << row.name;
  }
  std::filesystem::remove(dir.File("KORE.ini"));

  std::string nested = dir.File("x/y/KORE.ini");
  ASSERT_EQ(EnsureParentFolder(nested), 0);
  EXPECT_TRUE(std::filesystem::is_directory(dir.File("x/y")));
  CProfileFile f(nested);
  AppSettings s;
  EXPECT_EQ(SaveSettings(f, s), 0);
  EXPECT_TRUE(std::filesystem::exists(nested));
}

TEST(AppSettings, FirstStartPicksTheGameBankOnlyWhenItExists) {
  TempDir dir;
  AppSettings s;
  ApplyFirstStartDls(s, dir.Path().string());
  EXPECT_EQ(s.outputDls, 0);
  std::filesystem::create_directories(dir.File("mp3/Tonewell.dls"));
  ApplyFirstStartDls(s, dir.Path().string());
  EXPECT_EQ(s.outputDls, 0) << "a folder of that name is no bank";
  std::filesystem::remove(dir.File("mp3/Tonewell.dls"));
  std::ofstream(dir.File("mp3/Tonewell.dls")) << "RIFF";
  ApplyFirstStartDls(s, dir.Path().string() + "/");
  EXPECT_EQ(s.outputDls, 1);
  EXPECT_EQ(s.dlsFilePath, dir.File("mp3/Tonewell.dls"));
}

// Every key away from its default, so each one's key, section and write format shows.
AppSettings EveryKeyChanged() {
  AppSettings s;
  s.defaultTimeBase = 480, s.pianoRollHeight = 321, s.pianoRollWidth = 654, s.viewMode = 2;
  s.editorFontName = "\x82\x6c\x82\x72 Gothic", s.editorFontSize = 14, s.defaultTrackCount = 7;
  s.statFrameRate = 60, s.autoSave = false, s.optClipExport = true, s.editPlaySelect = false;
  s.editScroll = true, s.windowStyle = 1, s.pianoRollTargetV2 = 2, s.pianoRollVMag = 12;
  s.pianoRollHMag = 96, s.monitorLeft = -20, s.monitorTop = 33, s.monitorVisible = true;
  s.placement = {2, 3, -1, -2, 4, 5, 10, 20, 810, 620};
  s.compatible1900 = true, s.compact = false, s.outputDls = 1, s.porta = 2;
  s.dlsFilePath = "/home/u/game/mp3/Tonewell.dls", s.resetType = 4, s.samplingRate = 3;
  s.dlsChannel = 0, s.dlsVolume = 75, s.enableReverb = true, s.enableChorus = true;
  s.enableDelay = true, s.audioDriver = "silent", s.smfProgramChange = true;
  s.smfControlChange = true;
  s.smfPitchBend = true, s.smfVelocity = true, s.smfMidiText = true, s.smfSysEx = true;
  s.smfSpreadTrack = true, s.smfSpreadControl = true, s.smfChannel = true;
  s.smfReduceRest = false, s.smfQuantizeValue = 16;
  return s;
}

TEST(AppSettings, AFullWriteKeepsTheBytesOfEarlierVersionsAndReadsBack) {
  const std::string golden = DataFile("full_settings.ini");
  std::optional<std::string> expected = ReadWholeFile(golden);
  ASSERT_TRUE(expected);
  TempDir dir;
  std::string path = dir.File("KORE.ini");
  {
    CProfileFile file(path);
    WriteRecentFileList(file, {"/a/one.mml", "/b/two.kor"});
    WriteSearchHistory(file, {{"cde", "o4"}, {"efg"}});
    AppSettings settings = EveryKeyChanged();
    ASSERT_EQ(SaveSettings(file, settings), 0);
  }
  EXPECT_EQ(ReadWholeFile(path), expected);

  CProfileFile file(golden);
  AppSettings read;
  LoadAllSettings(file, read);
  AppSettings want = EveryKeyChanged();
  want.placement.flags = 0;  // written for the record, never read back
  EXPECT_EQ(read, want);
  EXPECT_EQ(ReadRecentFileList(file), (std::vector<std::string>{"/a/one.mml", "/b/two.kor"}));
  EXPECT_EQ(ReadSearchHistory(file), (SearchHistory{{"cde", "o4"}, {"efg"}}));
}

}  // namespace
}  // namespace kore
