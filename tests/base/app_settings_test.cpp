#include "base/app_settings.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "temp_folder.h"

namespace kore {
namespace {

using testing_support::TempFolder;

TEST(AppSettings, FirstStartWritesEveryDefaultInItsFormat) {
  TempFolder dir;
  std::string path = dir.File("KORE.ini");
  CProfileFile file(path);
  ASSERT_FALSE(file.Existed());
  AppSettings settings;
  LoadAllSettings(file, settings);
  EXPECT_EQ(settings, AppSettings{});
  ASSERT_EQ(SaveSettings(file, settings), 0);
  const std::string expected =
      "[ApplicationData]\r\n"
      "DefaultTimeBase=+32\r\nPianoRollHeight=+200\r\nPianoRollWidth=+200\r\nViewMode=0\r\n"
      "EditorFontName=\r\nEditorFontSize=10\r\nDefaultTrackCount=3\r\nStatFrameRate=30\r\n"
      "AutoSave=true\r\nOptClipExport=false\r\nEditPlaySelect=true\r\nEditScroll=false\r\n"
      "Window_Style=+0\r\nPianoRollTargetV2=+0\r\nPianoRollVMag=+10\r\nPianoRollHMag=+48\r\n"
      "Monitor_Left=+0\r\nMonitor_Top=+0\r\nMonitor_Visible=false\r\n"
      "\r\n[Window Placement - Main]\r\n"
      "flags=0\r\nshowCmd=0\r\nptMaxPosition_x=+0\r\nptMaxPosition_y=+0\r\n"
      "ptMinPosition_x=+0\r\nptMinPosition_y=+0\r\nleft=+0\r\ntop=+0\r\nright=+0\r\nbottom=+0\r\n"
      "\r\n[MML File Settings]\r\nCompatible1900=false\r\nCompact=true\r\n"
      "\r\n[Midi Settings]\r\nOutputDLS=+0\r\nPORTA=4294967295\r\nDLSFilePath=\r\nResetType=+1\r\n"
      "\r\n[DLS Settings]\r\nSamplingRate=+2\r\nChannel=+1\r\nVolume=+100\r\n"
      "EnableReverb=false\r\nEnableChorus=false\r\nEnableDelay=false\r\n"
      "\r\n[SMF Import Settings]\r\nProgramChange=false\r\nControlChange=false\r\n"
      "PitchBend=false\r\nVelocity=false\r\nMidiText=false\r\nSysEx=false\r\n"
      "SpreadTrack=false\r\nSpreadControl=false\r\nChannel=false\r\nReduceRest=true\r\n"
      "QuantizeValue=+32\r\n";
  EXPECT_EQ(ReadWholeFile(path).value(), expected);

  CProfileFile again(path);
  AppSettings reread;
  reread.porta = 7;
  LoadAllSettings(again, reread);
  EXPECT_EQ(reread, AppSettings{});
  EXPECT_EQ(reread.porta, -1);
}

TEST(AppSettings, HandEditedValuesReadBackCorrected) {
  CProfileFile f = CProfileFile::FromText(
      "[ApplicationData]\nDefaultTimeBase=100\nPianoRollHeight=0\nPianoRollWidth=-5\n"
      "ViewMode=3\nEditorFontSize=0\nDefaultTrackCount=16\nStatFrameRate=45\nWindow_Style=2\n"
      "PianoRollTargetV2=3\nAutoSave=TRUE\nEditScroll=true\nPianoRollVMag=-3\n"
      "[Midi Settings]\nOutputDLS=3\nResetType=6\nPORTA=2\n"
      "[DLS Settings]\nSamplingRate=1\nChannel=2\nVolume=101\n"
      "[SMF Import Settings]\nQuantizeValue=12\nReduceRest=false\n");
  AppSettings s;
  LoadAllSettings(f, s);
  EXPECT_EQ(s.defaultTimeBase, 32);
  EXPECT_EQ(s.pianoRollHeight, 1);
  EXPECT_EQ(s.pianoRollWidth, 1);
  EXPECT_EQ(s.viewMode, 0);
  EXPECT_EQ(s.editorFontSize, 10);
  EXPECT_EQ(s.defaultTrackCount, 3);
  EXPECT_EQ(s.statFrameRate, 30);
  EXPECT_EQ(s.windowStyle, 0);
  EXPECT_EQ(s.pianoRollTargetV2, 0);
  EXPECT_TRUE(s.autoSave);  // "TRUE" is not "true": the default stays
  EXPECT_TRUE(s.editScroll);
  EXPECT_EQ(s.pianoRollVMag, -3);  // unchecked keys are used as read
  EXPECT_EQ(s.outputDls, 3);
  EXPECT_EQ(s.samplingRate, 2);  // forced by OutputDLS 3 whatever the file says
  EXPECT_EQ(s.resetType, 1);
  EXPECT_EQ(s.porta, 2);
  EXPECT_EQ(s.dlsChannel, 1);
  EXPECT_EQ(s.dlsVolume, 100);
  EXPECT_EQ(s.smfQuantizeValue, 32);
  EXPECT_FALSE(s.smfReduceRest);
}

TEST(AppSettings, ValidValuesSurviveASaveAndTheTwoChannelKeysStayApart) {
  TempFolder dir;
  std::string path = dir.File("KORE.ini");
  AppSettings s;
  s.defaultTimeBase = 960;
  s.viewMode = 2;
  s.statFrameRate = 60;
  s.editorFontName = "\x82\x6C\x82\x72 Gothic";
  s.dlsChannel = 0;
  s.smfChannel = true;
  s.smfQuantizeValue = 64;
  s.outputDls = 2;
  s.samplingRate = 3;
  s.placement = {2, 3, -1, -1, -32000, -32000, 10, 20, 810, 620};
  s.monitorLeft = -100;
  {
    CProfileFile f(path);
    ASSERT_EQ(SaveSettings(f, s), 0);
  }
  CProfileFile f(path);
  AppSettings back;
  LoadAllSettings(f, back);
  s.placement.flags = 0;  // written only
  EXPECT_EQ(back, s);
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
  std::vector<std::string> back = ReadRecentFileList(f);
  EXPECT_EQ(back, list);
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
  h.replaceKeys = {"r4"};
  CProfileFile f = CProfileFile::FromText("");
  WriteSearchHistory(f, h);
  EXPECT_EQ(ReadSearchHistory(f), h);
  f.SetSection("Search History");
  EXPECT_EQ(f.ReadString("SearchKey[1]", ""), "o4");

  CProfileFile bad = CProfileFile::FromText(
      "[Search History]\nSearchKeyCount=2000000000\nSearchKey[0]=a\nSearchKey[1]=\n"
      "ReplaceKeyCount=-4\n");
  SearchHistory read = ReadSearchHistory(bad);
  EXPECT_EQ(read.searchKeys, (std::vector<std::string>{"a"}));
  EXPECT_TRUE(read.replaceKeys.empty());
}

TEST(AppSettings, FilesLiveInXdgFoldersUnlessAKoreIniStandsBesideTheProgram) {
  TempFolder dir;  // a writable program folder, which alone is no reason to write there
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
      {"portable", "/cfg", "/dat", true, dir.path() + "/KORE.ini", dir.path() + "/autosave"},
  };
  for (const Row& row : rows) {
    std::filesystem::remove(dir.File("KORE.ini"));
    if (row.portable) {
      ASSERT_EQ(WriteFileAtomically(dir.File("KORE.ini"), ""), 0);
    }
    SettingsEnvironment env{dir.path(), row.config, "/home/u", row.data};
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
  TempFolder dir;
  AppSettings s;
  ApplyFirstStartDls(s, dir.path());
  EXPECT_EQ(s.outputDls, 0);
  std::filesystem::create_directories(dir.File("mp3"));
  std::ofstream(dir.File("mp3/Tonewell.dls")) << "RIFF";
  ApplyFirstStartDls(s, dir.path());
  EXPECT_EQ(s.outputDls, 1);
  EXPECT_EQ(s.dlsFilePath, dir.File("mp3/Tonewell.dls"));
}

}  // namespace
}  // namespace kore

namespace kore {
namespace {

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
  s.enableDelay = true, s.smfProgramChange = true, s.smfControlChange = true;
  s.smfPitchBend = true, s.smfVelocity = true, s.smfMidiText = true, s.smfSysEx = true;
  s.smfSpreadTrack = true, s.smfSpreadControl = true, s.smfChannel = true;
  s.smfReduceRest = false, s.smfQuantizeValue = 16;
  return s;
}

TEST(AppSettings, AFullWriteKeepsTheBytesOfEarlierVersionsAndReadsBack) {
  const std::string golden = std::string(KORE_SOURCE_DIR) + "/tests/base/data/full_settings.ini";
  std::optional<std::string> expected = ReadWholeFile(golden);
  ASSERT_TRUE(expected);
  TempFolder dir;
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
}

}  // namespace
}  // namespace kore
