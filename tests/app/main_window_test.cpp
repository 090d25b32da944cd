// The main window driven as a user would: start-up, captions, status, commands with their
// enabling, backup copies, undo across tracks, playback and shutdown.
#include "app/mml_app.h"
#include "app/player_dlg.h"
#include "app/status_text.h"
#include "base/shift_jis.h"
#include "editor/frame/penna_frame.h"
#include "playback/midi_device.h"
#include "song/song_file.h"
#include "tests/app/scripted_ui.h"
#include "tests/base/temp_folder.h"
#include "tests/playback/sim_clock.h"
#include "tests/support/qt_app.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QTabBar>
#include <QTest>
#include <QScreen>
#include <QWindow>
#include <cstdlib>
#include <filesystem>
#include <thread>
#include <atomic>
#include <chrono>
#include <fstream>

namespace kore {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

class MainWindowTest : public ::testing::Test, protected test::WithQtApp {
 protected:
  void SetUp() override {
    setenv("WINEPREFIX", folder.File("no-wine").c_str(), 1);
    setenv("XDG_DATA_HOME", folder.File("data").c_str(), 1);
  }
  void Start(const std::string& path = "") {
    SettingsEnvironment env{folder.path(), folder.File("config"), folder.path()};
    app = std::make_unique<CMMLApp>(env);
    ASSERT_TRUE(app->Start(path));
    window()->Commands().SetUi(ui);
    window()->SetDevice(std::make_unique<CRecordingMidiDevice>());
    window()->SetAutosaveFolder(folder.File("autosave"));
  }
  CMMLPlayerDlg* window() { return app->Window(); }
  std::string Caption() { return window()->windowTitle().toStdString(); }
  void Type(const char* keys) { QTest::keyClicks(window()->CurrentPane()->Widget(), keys); }
  QString Status(int part) { return window()->StatusParts()[static_cast<size_t>(part)]->text(); }
  bool Enabled(Cmd id) { return window()->Actions().Action(id)->isEnabled(); }
  std::vector<std::string> Backups() {
    std::vector<std::string> names;
    if (!fs::exists(folder.File("autosave"))) return names;
    for (const auto& entry : fs::directory_iterator(folder.File("autosave")))
      names.push_back(entry.path().filename().string());
    return names;
  }

  testing_support::TempFolder folder;
  test::ScriptedUi ui;
  std::unique_ptr<CMMLApp> app;
};

TEST_F(MainWindowTest, FirstStartWritesTheDefaultsAndTakesTheGameBank) {
  std::string prefix = folder.File("wine");
  fs::create_directories(prefix + "/drive_c/Games/Elvara/mp3");
  std::ofstream(prefix + "/drive_c/Games/Elvara/mp3/Tonewell.dls") << "x";
  std::ofstream(prefix + "/user.reg") << "WINE REGISTRY Version 2\n\n"
                                         "[Software\\\\Harrow\\\\Elvara] 1700000000\n"
                                         "@=\"C:\\\\Games\\\\Elvara\"\n";
  setenv("WINEPREFIX", prefix.c_str(), 1);
  Start();
  std::optional<std::string> ini = ReadWholeFile(app->SettingsPath());
  ASSERT_TRUE(ini);
  for (const char* line : {"PORTA=4294967295", "StatFrameRate=30", "DefaultTrackCount=3",
                           "OutputDLS=+1", "AudioDriver=", "DefaultTimeBase=+32"})
    EXPECT_NE(ini->find(line), std::string::npos) << line;
  EXPECT_NE(ini->find("Tonewell.dls"), std::string::npos);
  EXPECT_EQ(app->Settings().outputDls, 1);
}

TEST_F(MainWindowTest, TheBankPathReachesTheDeviceAsAFileSystemPath) {
  // KORE.ini keeps the path in Shift-JIS; the synthesizer opens files by their UTF-8 names.
  const std::string bank = folder.File("音色/Tonewell.dls");
  std::ofstream(folder.File("KORE.ini"), std::ios::binary)
      << "[Midi Settings]\r\nOutputDLS=+1\r\nDLSFilePath=" << Utf8ToSjisLossy(bank) << "\r\n";
  Start();
  EXPECT_EQ(window()->Output().dlsFilePath, bank);
  EXPECT_EQ(window()->Output().outputDls, 1);
}

TEST_F(MainWindowTest, CaptionsFollowTheSongAndTyping) {
  Start();
  EXPECT_EQ(Caption(), "KOR EDITOR - (無題) [] - Track1");
  EXPECT_EQ(window()->Tabs()->count(), 3);
  EXPECT_EQ(window()->Tabs()->tabText(2).toStdString(), "Track3");
  Type("c");
  EXPECT_EQ(Caption(), "KOR EDITOR - (無題)(更新) [] - Track1");
  // Back to the saved text by undo: still modified.
  window()->RunCommand(Cmd::Undo, true);
  EXPECT_EQ(window()->Document().TrackText(0), "");
  EXPECT_EQ(Caption(), "KOR EDITOR - (無題)(更新) [] - Track1");
}

TEST_F(MainWindowTest, CommandLineSongOpensWithItsNamesAndALiteralStarTitle) {
  std::string demo = std::string(KORE_SOURCE_DIR) + "/data/demo.mml";
  Start(demo);
  std::string pathWhenDeviceOpened;
  app->openDevice = [&](CMMLPlayerDlg& w) {
    pathWhenDeviceOpened = w.Document().Path();
    return 0;
  };
  app->OpenDevice();
  EXPECT_EQ(pathWhenDeviceOpened, demo) << "the song opens before the device";
  EXPECT_EQ(Caption(), "KOR EDITOR - demo.mml [はじまりの森] - メロディ");
  EXPECT_EQ(window()->Tabs()->tabText(0).toStdString(), "メロディ");
  window()->Document().SetSongTexts("*", "", "");
  window()->show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(window()));
  EXPECT_NE(window()->windowHandle()->title().toStdString().find("[*]"), std::string::npos);
}

TEST_F(MainWindowTest, RelativePathIsTakenFromTheStartingDirectory) {
  std::string saved = fs::current_path().string();
  fs::create_directories(folder.File("songs"));
  CMMLDocument song;
  song.NewSong(1, 32);
  song.SetTrackText(0, "c");
  ASSERT_EQ(SaveSongFile(folder.File("songs/a.mml"), song, SaveMode::Compact), 0);
  fs::current_path(folder.File("songs"));
  Start("a.mml");
  fs::current_path(saved);
  EXPECT_EQ(window()->Document().Path(), folder.File("songs/a.mml"));
}

TEST_F(MainWindowTest, StatusShowsTheMmlStateAtTheCaret) {
  Start();
  Type("t150 o5 v12 l8.");
  EXPECT_EQ(Status(3).toStdString(), "Tempo 150 :  Octave 5 :  Velocity 12 :  L8.");
  EXPECT_EQ(Status(0).toStdString(), "分解能：  32");
  EXPECT_EQ(Status(1).toStdString(), "拍子： 4 /  4");
  window()->CurrentPane()->SetCaretThrough(0);
  Type("x");
  EXPECT_EQ(Status(3).toStdString(), "Tempo 120 :  Octave 4 :  Velocity  8 :  L4 ");
}

TEST_F(MainWindowTest, TimeBaseChangeAnswers) {
  Start();
  EXPECT_EQ(window()->ChangeTimeBase(0), 1);
  EXPECT_EQ(window()->ChangeTimeBase(961), 1);
  EXPECT_EQ(window()->Document().GetTimeBase().ticksPerQuarter, 32);
  EXPECT_EQ(window()->ChangeTimeBase(480), 0);
  EXPECT_EQ(Status(0).toStdString(), "分解能： 480");
  Type("t60 l1 c c c c");
  window()->RunCommand(Cmd::Play, true);
  ASSERT_TRUE(window()->Player().IsPlaying());
  EXPECT_EQ(window()->ChangeTimeBase(96), 2);
  window()->StopPlayback();
}

TEST_F(MainWindowTest, MenuCommandsMakeABackupCopyAndKeysDoNot) {
  Start();
  window()->RunCommand(Cmd::SmfExport, false);
  EXPECT_TRUE(Backups().empty()) << "an unmodified song is not copied";
  Type("c");
  window()->show();
  window()->activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(window()));
  QTest::keyClick(window()->CurrentPane()->Widget(), Qt::Key_A, Qt::ControlModifier);
  EXPECT_TRUE(window()->CurrentPane()->HasSelection()) << "select all ran by its key";
  EXPECT_TRUE(Backups().empty());
  window()->Actions().Action(Cmd::SmfExport)->trigger();  // as the menu does
  std::vector<std::string> names = Backups();
  ASSERT_EQ(names.size(), 1u);
  EXPECT_EQ(names[0].front(), '~');
  EXPECT_EQ(names[0].size(), std::string("~20240101_120000.mml").size());
  EXPECT_TRUE(names[0].ends_with(".mml"));
}

TEST_F(MainWindowTest, UndoRemovesTheAddedTrackThenTheTyping) {
  Start();
  Type("c");
  window()->RunCommand(Cmd::TrackAdd, true);
  EXPECT_EQ(window()->Tabs()->count(), 4);
  EXPECT_EQ(window()->Document().CurrentTrack(), 3);
  window()->RunCommand(Cmd::Undo, true);
  EXPECT_EQ(window()->Tabs()->count(), 3);
  EXPECT_EQ(window()->Document().TrackText(0), "c");
  window()->RunCommand(Cmd::Undo, true);
  EXPECT_EQ(window()->Document().TrackText(0), "");
  EXPECT_EQ(window()->Frame()->Editor(0)->Text(1), "");
  window()->RunCommand(Cmd::Redo, true);
  EXPECT_EQ(window()->Document().TrackText(0), "c");
}

TEST_F(MainWindowTest, PlayingLocksEditingUntilTheSongEnds) {
  // A simulated clock: the song ends after the player's own reads, however slow the machine.
  test::SimClock clock;
  AppSettings settings;
  settings.editPlaySelect = true;
  CMMLPlayerDlg window(settings, {}, &clock);
  window.Commands().SetUi(ui);
  window.SetDevice(std::make_unique<CRecordingMidiDevice>());
  window.BuildEmptySong();
  auto enabled = [&](Cmd id) { return window.Actions().Action(id)->isEnabled(); };
  auto status3 = [&] { return window.StatusParts()[3]->text(); };
  auto type = [&](const char* keys) { QTest::keyClicks(window.CurrentPane()->Widget(), keys); };
  EXPECT_FALSE(enabled(Cmd::Save)) << "saved song";
  type("t240 l4 cdef");
  EXPECT_TRUE(enabled(Cmd::Save));
  EXPECT_FALSE(enabled(Cmd::Pause));
  // The player thread is held while the second note sounds, so the frame timer shows it.
  std::atomic<bool> release{false};
  clock.At(300'000'000, [&] {
    for (int i = 0; i < 5000 && !release; ++i) std::this_thread::sleep_for(1ms);
  });
  window.RunCommand(Cmd::Play, true);
  ASSERT_TRUE(window.Player().IsPlaying());
  EXPECT_TRUE(QTest::qWaitFor([&] { return window.CurrentPane()->SelectedText() == "d"; }, 5000))
      << "the note being played is selected, not '" << window.CurrentPane()->SelectedText() << "'";
  release = true;
  EXPECT_FALSE(enabled(Cmd::New));
  EXPECT_FALSE(enabled(Cmd::Undo));
  EXPECT_TRUE(enabled(Cmd::Stop));
  EXPECT_TRUE(status3().isEmpty());
  type("g");
  EXPECT_EQ(window.Document().TrackText(0), "t240 l4 cdef") << "panes are read-only";
  ASSERT_TRUE(QTest::qWaitFor([&] { return !window.Player().IsPlaying(); }, 10000));
  EXPECT_TRUE(enabled(Cmd::New));
  EXPECT_FALSE(status3().isEmpty());
  QTest::keyClick(window.CurrentPane()->Widget(), Qt::Key_End, Qt::ControlModifier);
  type("g");
  EXPECT_EQ(window.Document().TrackText(0), "t240 l4 cdefg");
  auto* device = static_cast<CRecordingMidiDevice*>(window.Device());
  int noteOns = 0;
  for (const auto& m : device->Messages()) noteOns += (m.bytes[0] & 0xF0) == 0x90 && m.bytes[2] > 0;
  EXPECT_EQ(noteOns, 4);
}

TEST_F(MainWindowTest, CloseAsksAndCancelKeepsTheWindowAndSong) {
  Start();
  Type("c");
  ui.saveAnswer = SaveAnswer::Cancel;
  EXPECT_FALSE(window()->Shutdown());
  ASSERT_EQ(ui.prompts.size(), 1u);
  EXPECT_EQ(ui.prompts[0], "ファイル  <新規作成> 変更されています。\n\n変更を保存しますか？");
  EXPECT_EQ(window()->Document().TrackText(0), "c");
  ui.saveAnswer = SaveAnswer::No;
  window()->SetViewMode(1);
  EXPECT_TRUE(window()->Shutdown());
  std::optional<std::string> ini = ReadWholeFile(app->SettingsPath());
  ASSERT_TRUE(ini);
  EXPECT_NE(ini->find("ViewMode=1"), std::string::npos);
}

TEST_F(MainWindowTest, ViewModesArrangeThePanes) {
  Start();
  window()->show();
  EXPECT_TRUE(window()->EventListArea()->isVisible());
  window()->RunCommand(Cmd::ViewStacked, true);
  EXPECT_FALSE(window()->EventListArea()->isVisible());
  EXPECT_TRUE(window()->Actions().Action(Cmd::ViewStacked)->isChecked());
  EXPECT_FALSE(window()->Actions().Action(Cmd::ViewAll)->isChecked());
}

TEST_F(MainWindowTest, PlacementOffEveryScreenIsCentred) {
  Start();
  WindowPlacementSettings& p = app->Settings().placement;
  p = {0, 1, 0, 0, 0, 0, 50000, 50000, 50640, 50480};
  window()->ApplyWindowSettings();
  QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
  EXPECT_TRUE(screen.intersects(window()->geometry()));
  p = {0, 1, 0, 0, 0, 0, 10, 20, 650, 500};
  window()->ApplyWindowSettings();
  EXPECT_EQ(window()->geometry().topLeft(), QPoint(10, 20));
}

TEST_F(MainWindowTest, AboutBoxText) {
  QString text = CMMLPlayerDlg::AboutText();
  EXPECT_TRUE(text.startsWith("KOR EDITOR Version ")) << text.toStdString();
  EXPECT_TRUE(text.contains(" Beta 3\n"));
  EXPECT_TRUE(text.contains(QString::fromUtf8("タイマーの分解能  ")));
  EXPECT_TRUE(text.endsWith("(MHz)"));
}

}  // namespace
}  // namespace kore

namespace kore {
namespace {

TEST(QtTranslation, StandardButtonsSpeakJapanese) {
  test::EnsureQtApp();
  ASSERT_TRUE(InstallQtTranslation(*QCoreApplication::instance()))
      << "qtbase_ja.qm missing: package qt6-translations-l10n";
  QMessageBox box(QMessageBox::Warning, "KOR EDITOR", "x", QMessageBox::Yes | QMessageBox::No);
  EXPECT_EQ(box.button(QMessageBox::Yes)->text().toStdString(), "はい(&Y)");
  EXPECT_EQ(box.button(QMessageBox::No)->text().toStdString(), "いいえ(&N)");
}

}  // namespace
}  // namespace kore
