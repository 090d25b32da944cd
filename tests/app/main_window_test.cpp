// The main window driven as a user would: start-up, captions, status, commands with their
// enabling, backup copies, undo across tracks, playback and shutdown.
#include <algorithm>

#include "app/dialogs/form.h"
#include "app/dialogs/text_search_dialog.h"
#include "app/mml_app.h"
#include "app/player_dlg.h"
#include "app/status_text.h"
#include "app/window_views.h"
#include "base/shift_jis.h"
#include "editor/frame/penna_frame.h"
#include "playback/midi_device.h"
#include "song/song_file.h"
#include "tests/app/scripted_ui.h"
#include "tests/support/temp_dir.h"
#include "tests/support/sim_clock.h"
#include "tests/support/qt_app.h"
#include "views/event_list.h"
#include "views/measure_display.h"
#include "views/monitor.h"
#include "views/piano_keys.h"
#include "views/piano_roll.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QMimeData>
#include <QSplitter>
#include <QDropEvent>
#include <QPushButton>
#include <QScreen>
#include <QTabBar>
#include <QTest>
#include <QTimer>
#include <QWindow>
#include <atomic>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <thread>

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
    const std::string dir = folder.Path().string();
    SettingsEnvironment env{dir, folder.File("config"), dir, {}};
    app = std::make_unique<CMMLApp>(env);
    ASSERT_TRUE(app->Start(path));
    window()->Commands().SetUi(ui);
    window()->SetDevice(std::make_unique<CRecordingMidiDevice>());
    window()->SetAutosaveFolder(folder.File("autosave"));
  }
  CMMLPlayerDlg* window() { return clocked ? clocked.get() : app->Window(); }
  bool Enabled(Cmd id) { return window()->Actions().Action(id)->isEnabled(); }
  std::string Caption() { return window()->windowTitle().toStdString(); }
  void Type(const char* keys) { QTest::keyClicks(window()->CurrentPane()->Widget(), keys); }
  QString Status(int part) { return window()->StatusParts()[static_cast<size_t>(part)]->text(); }
  std::string Ini() { return ReadWholeFile(app->SettingsPath()).value_or(""); }
  // A window on a simulated clock (the song ends after the player's own reads, however slow
  // the machine) whose player thread is held at 300 ms until `release`.
  void StartClocked() {
    clocked = std::make_unique<CMMLPlayerDlg>(clockedSettings, std::vector<std::string>{}, &clock);
    clocked->Commands().SetUi(ui);
    clocked->SetDevice(std::make_unique<CRecordingMidiDevice>());
    clocked->BuildEmptySong();
    clock.At(300'000'000, [this] {
      for (int i = 0; i < 5000 && !release; ++i) std::this_thread::sleep_for(1ms);
    });
  }
  std::ptrdiff_t Backups() {
    std::error_code missing;
    return std::distance(fs::directory_iterator(folder.File("autosave"), missing), {});
  }

  test::TempDir folder;
  test::ScriptedUi ui;
  std::unique_ptr<CMMLApp> app;
  std::atomic<bool> release{false};
  test::SimClock clock;
  AppSettings clockedSettings;
  std::unique_ptr<CMMLPlayerDlg> clocked;
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
  for (const char* line : {"PORTA=4294967295", "StatFrameRate=30", "DefaultTrackCount=3",
                           "OutputDLS=+1", "AudioDriver=", "DefaultTimeBase=+32", "Tonewell.dls"})
    EXPECT_NE(Ini().find(line), std::string::npos) << line;
  EXPECT_EQ(app->Settings().outputDls, 1);
}

TEST_F(MainWindowTest, CaptionsFollowTypingAndUndoRemovesTheAddedTrackThenTheTyping) {
  Start();
  EXPECT_EQ(Caption(), "KOR EDITOR - (無題) [] - Track1");
  EXPECT_EQ(window()->Tabs()->count(), 3);
  EXPECT_EQ(window()->Tabs()->tabText(2).toStdString(), "Track3");
  Type("c");
  EXPECT_EQ(Caption(), "KOR EDITOR - (無題)(更新) [] - Track1");
  window()->RunCommand(Cmd::TrackAdd, true);
  EXPECT_TRUE(window()->Tabs()->count() == 4 && window()->Document().CurrentTrack() == 3);
  window()->RunCommand(Cmd::Undo, true);
  EXPECT_TRUE(window()->Tabs()->count() == 3 && window()->Document().TrackText(0) == "c");
  window()->RunCommand(Cmd::Undo, true);
  EXPECT_TRUE(window()->Document().TrackText(0).empty() &&
              window()->Frame()->Editor(0)->Text(1).empty());
  // Back to the saved text by undo: still modified.
  EXPECT_EQ(Caption(), "KOR EDITOR - (無題)(更新) [] - Track1");
  window()->RunCommand(Cmd::Redo, true);
  EXPECT_EQ(window()->Document().TrackText(0), "c");
}

// A relative path is taken from the starting directory.
TEST_F(MainWindowTest, CommandLineSongOpensWithItsNamesAndALiteralStarTitle) {
  const std::string saved = fs::current_path().string(), song = folder.File("songs/a.mml");
  fs::create_directories(folder.File("songs"));
  fs::copy_file(std::string(KORE_SOURCE_DIR) + "/data/demo.mml", song);
  fs::current_path(folder.File("songs"));
  Start("a.mml");
  fs::current_path(saved);
  std::string pathWhenDeviceOpened;
  app->openDevice = [&](CMMLPlayerDlg& w) {
    pathWhenDeviceOpened = w.Document().Path();
    return 0;
  };
  app->OpenDevice();
  EXPECT_EQ(pathWhenDeviceOpened, song) << "the song opens before the device";
  EXPECT_EQ(Caption(), "KOR EDITOR - a.mml [はじまりの森] - メロディ");
  EXPECT_EQ(window()->Tabs()->tabText(0).toStdString(), "メロディ");
  window()->Document().SetSongTexts("*", "", "");
  window()->show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(window()));
  EXPECT_NE(window()->windowHandle()->title().toStdString().find("[*]"), std::string::npos);
}

TEST_F(MainWindowTest, StatusShowsTheMmlStateAtTheCaretAndTheTimeBase) {
  Start();
  Type("t150 o5 v12 l8.");
  EXPECT_EQ(Status(3).toStdString(), "Tempo 150 :  Octave 5 :  Velocity 12 :  L8.");
  EXPECT_EQ(Status(0).toStdString(), "分解能：  32");
  EXPECT_EQ(Status(1).toStdString(), "拍子： 4 /  4");
  window()->CurrentPane()->SetCaretThrough(0);
  Type("x");
  EXPECT_EQ(Status(3).toStdString(), "Tempo 120 :  Octave 4 :  Velocity  8 :  L4 ");
  for (int32_t refused : {0, 961}) EXPECT_EQ(window()->ChangeTimeBase(refused), 1) << refused;
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
  EXPECT_EQ(Backups(), 0) << "an unmodified song is not copied";
  Type("c");
  window()->show();
  window()->activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(window()));
  QTest::keyClick(window()->CurrentPane()->Widget(), Qt::Key_A, Qt::ControlModifier);
  EXPECT_TRUE(window()->CurrentPane()->HasSelection()) << "select all ran by its key";
  EXPECT_EQ(Backups(), 0);
  window()->Actions().Action(Cmd::SmfExport)->trigger();  // as the menu does
  EXPECT_EQ(Backups(), 1);
}

TEST_F(MainWindowTest, PlayingLocksEditingUntilTheSongEnds) {
  clockedSettings.editPlaySelect = true;
  StartClocked();
  EXPECT_FALSE(Enabled(Cmd::Save)) << "saved song";
  Type("t240 l4 cdef");
  EXPECT_TRUE(Enabled(Cmd::Save) && !Enabled(Cmd::Pause));
  // The player thread is held while the second note sounds, so the frame timer shows it.
  window()->RunCommand(Cmd::Play, true);
  ASSERT_TRUE(window()->Player().IsPlaying());
  CPennaWnd* pane = window()->CurrentPane();
  EXPECT_TRUE(QTest::qWaitFor([&] { return pane->SelectedText() == "d"; }, 5000))
      << "the note being played is selected, not '" << pane->SelectedText() << "'";
  // The keyboard and the measure display in the window follow the same frame: d4 is note 62.
  EXPECT_EQ(window()->Views().Keys()->Keys()[1], 1u << 30);
  EXPECT_TRUE(window()->Views().Measure()->Text().endsWith("Meas 240 bpm"))
      << window()->Views().Measure()->Text().toStdString();
  release = true;
  EXPECT_TRUE(!Enabled(Cmd::New) && !Enabled(Cmd::Undo) && Enabled(Cmd::Stop));
  EXPECT_TRUE(Status(3).isEmpty());
  Type("g");
  EXPECT_EQ(window()->Document().TrackText(0), "t240 l4 cdef") << "panes are read-only";
  ASSERT_TRUE(QTest::qWaitFor([&] { return !window()->Player().IsPlaying(); }, 10000));
  EXPECT_EQ(window()->Views().Keys()->Keys(), (std::array<uint32_t, 4>{}));
  EXPECT_EQ(window()->Views().Measure()->Text().toStdString(), "0000:0000 Meas 120 bpm");
  EXPECT_TRUE(Enabled(Cmd::New) && !Status(3).isEmpty());
  QTest::keyClick(window()->CurrentPane()->Widget(), Qt::Key_End, Qt::ControlModifier);
  Type("g");
  EXPECT_EQ(window()->Document().TrackText(0), "t240 l4 cdefg");
  auto* device = static_cast<CRecordingMidiDevice*>(window()->Device());
  int noteOns = 0;
  for (const auto& m : device->Messages()) noteOns += (m.bytes[0] & 0xF0) == 0x90 && m.bytes[2] > 0;
  EXPECT_EQ(noteOns, 4);
}

TEST_F(MainWindowTest, ForwardOneMeasureWhileStoppedReachesTheTextAsItIsNow) {
  Start();
  Type("l1 cde");  // three measures, never played
  window()->RunCommand(Cmd::ForwardMeasure, true);
  EXPECT_EQ(window()->Player().PlayStartTick(), 4 * 32) << "a 4/4 measure at 32 per quarter";
}

TEST_F(MainWindowTest, PlacementOffEveryScreenIsCentredAndTheVersionIsShown) {
  Start();
  WindowPlacementSettings& p = app->Settings().placement;
  p = {0, 1, 0, 0, 0, 0, 50000, 50000, 50640, 50480};
  window()->ApplyWindowSettings();
  QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
  EXPECT_TRUE(screen.intersects(window()->geometry()));
  p = {0, 1, 0, 0, 0, 0, 10, 20, 650, 500};
  window()->ApplyWindowSettings();
  EXPECT_EQ(window()->geometry().topLeft(), QPoint(10, 20));

  // The about box and the instance marker carry the version.
  QString text = CMMLPlayerDlg::AboutText();
  EXPECT_TRUE(text.startsWith("KOR EDITOR Version ") && text.contains(" Beta 3\n") &&
              text.contains(QString::fromUtf8("タイマーの分解能  ")) && text.endsWith("(MHz)"))
      << text.toStdString();
  // The marker packs the four numbers the about box shows, a byte each.
  const QStringList numbers = text.section(' ', 3, 3).split('.');
  ASSERT_EQ(numbers.size(), 4) << text.toStdString();
  uint32_t packed = 0;
  for (const QString& n : numbers) packed = (packed << 8) | n.toUInt();
  const QVariant marker = window()->property(CMMLPlayerDlg::kInstanceMarker);
  EXPECT_TRUE(marker.isValid() && marker.toUInt() == packed) << marker.toUInt() << " " << packed;
}

// The list row (and record seq) of the first record of a kind.
int32_t RowOf(const MidiEventList& events, MidiEventKind kind) {
  for (size_t i = 0; i < events.size(); ++i)
    if (events[i].kind == kind) return static_cast<int32_t>(i);
  return -1;
}

TEST_F(MainWindowTest, ViewNotificationsSelectMmlMoveTheStartAndRunMarkerCommands) {
  Start();
  std::vector<int32_t> created, edited;
  window()->Hooks().markerCreate = [&](int32_t tick) { created.push_back(tick); };
  window()->Hooks().markerEdit = [&](int32_t marker) { edited.push_back(marker); };
  window()->UpdateCommandStates();
  CMMLDocument& song = window()->Document();
  WindowViews& views = window()->Views();
  for (QWidget* view : {static_cast<QWidget*>(views.Roll()), static_cast<QWidget*>(views.List()),
                        static_cast<QWidget*>(views.Keys())})
    EXPECT_TRUE(window()->isAncestorOf(view)) << view->accessibleName().toStdString();
  EXPECT_TRUE(views.Measure()->accessibleName().startsWith(QString::fromUtf8("小節表示 ")));

  song.SetCurrentTrack(1);
  Type("l8 e");
  song.SetCurrentTrack(0);
  Type("c4r4d4");
  // A double click on a bar of another track: that track becomes current, its note selected.
  Q_EMIT views.Roll()->notified(CPianoRollCtrl::kNotifyActivate, 5,
                                RowOf(song.Track(1).events, MidiEventKind::Note), 1);
  EXPECT_EQ(song.CurrentTrack(), 1);
  EXPECT_EQ(window()->CurrentPane()->SelectedText(), "e");
  // A double click on the list's rest row selects its MML.
  song.SetCurrentTrack(0);
  Q_EMIT views.List()->notified(CCodeListCtrl::kNotifyDoubleClick,
                                RowOf(song.Track(0).events, MidiEventKind::Rest));
  EXPECT_EQ(window()->CurrentPane()->SelectedText(), "r4");

  // With EditScroll on, the list follows the caret as the MML is edited.
  window()->RunCommand(Cmd::EditScroll, false);
  window()->CurrentPane()->SetSelection(0, 0);
  Type("v8 ");
  const int row = views.List()->SelectedRow();
  ASSERT_GE(row, 0);
  EXPECT_EQ(song.Track(0).events[static_cast<size_t>(row)].textBegin, 3) << "the row at the caret";

  // A click in the roll sets the play start; the measure display shows it.
  Q_EMIT views.Roll()->notified(CPianoRollCtrl::kNotifyStartPosition, 4, 160, 0);
  EXPECT_EQ(window()->Player().PlayStartTick(), 160);
  EXPECT_EQ(views.Measure()->Text().toStdString(), "0001:0032 Meas 120 bpm");
  // F9 with the caret before the d of "v8 c4r4d4" moves the start to that note.
  window()->CurrentPane()->SetSelection(7, 7);
  window()->RunCommand(Cmd::SetStartPosition, true);
  EXPECT_EQ(window()->Player().PlayStartTick(), 64);

  // The ruler menu and a marker flag's activation reach the marker commands.
  Q_EMIT views.Roll()->command(CPianoRollCtrl::kMenuCreateMarker, 64);
  Q_EMIT views.Roll()->notified(CPianoRollCtrl::kNotifyActivate, 6, 1, 0);
  ASSERT_EQ(song.AddMarker(96, "A", 0x2828E0), 1);
  Q_EMIT views.Roll()->command(CPianoRollCtrl::kMenuDeleteMarker, 1);
  EXPECT_EQ(created, std::vector<int32_t>{64});
  EXPECT_EQ(edited, std::vector<int32_t>{1});
  EXPECT_EQ(song.MarkerCount(), 0);
}

TEST_F(MainWindowTest, TrackPanelMixesAndChoosesTheInstrumentAndTheRollTarget) {
  Start();
  CMMLDocument& song = window()->Document();
  auto button = [&](const char* name) {
    return window()->findChild<QPushButton*>(QString("Panel_") + name);
  };
  auto muted = [&](int32_t slot) {
    EXPECT_EQ(song.Track(slot).muted != 0, window()->Player().IsMuted(slot)) << slot;
    return song.Track(slot).muted != 0;
  };
  song.SetCurrentTrack(1);
  button("Solo")->click();
  EXPECT_TRUE(muted(0) && !muted(1) && muted(2));
  EXPECT_FALSE(button("MUTE")->isChecked());
  button("MUTE")->click();
  EXPECT_TRUE(muted(1));
  button("All")->click();
  EXPECT_FALSE(muted(0) || muted(1) || muted(2) || button("MUTE")->isChecked());

  // フルート on a MIDI port: program 73 on the current track's channel, through the device.
  window()->Output().outputDls = 0;
  auto* device = static_cast<CRecordingMidiDevice*>(window()->Device());
  device->ClearMessages();
  Q_EMIT window()->findChild<QComboBox*>("InstrumentList")->activated(3);
  EXPECT_EQ(song.Track(1).instrument, 3);
  EXPECT_EQ(device->Messages().at(0).bytes, (std::vector<uint8_t>{0xC1, 73}));

  auto* target = window()->findChild<QComboBox*>("PianoRollTarget");
  ASSERT_EQ(target->count(), 3);
  Q_EMIT target->activated(2);
  EXPECT_EQ(window()->Views().Roll()->Target(), views::RollTarget::CurrentOnly);
  EXPECT_EQ(app->Settings().pianoRollTargetV2, 2);
}

TEST_F(MainWindowTest, SettingsReachTheDeviceAndViewsWhichCloseAsksAndKeeps) {
  // KORE.ini keeps the bank path in Shift-JIS; the synthesizer opens files by their UTF-8 names.
  const std::string bank = folder.File("音色/Tonewell.dls");
  std::ofstream(folder.File("KORE.ini"), std::ios::binary)
      << "[ApplicationData]\r\nMonitor_Left=+30\r\nMonitor_Top=+40\r\nMonitor_Visible=true\r\n"
      << "[Midi Settings]\r\nOutputDLS=+1\r\nDLSFilePath=" << Utf8ToSjisLossy(bank) << "\r\n";
  Start();
  EXPECT_TRUE(window()->Output().dlsFilePath == bank && window()->Output().outputDls == 1)
      << window()->Output().dlsFilePath;
  CMidiMoniterCtrl* monitor = window()->Views().Monitor();
  QAction* command = window()->Actions().Action(Cmd::Monitor);
  window()->show();
  EXPECT_TRUE(monitor->isVisible() && command->isChecked());
  EXPECT_EQ(monitor->pos(), QPoint(30, 40));
  EXPECT_EQ(monitor->Slots(), (std::vector<int32_t>{0, 1, 2}));
  command->trigger();
  EXPECT_FALSE(monitor->isVisible() || command->isChecked());
  command->trigger();
  monitor->move(50, 60);
  monitor->close();  // its own close button only hides it
  EXPECT_FALSE(command->isChecked());

  EXPECT_TRUE(window()->EventListArea()->isVisible());
  window()->RunCommand(Cmd::ViewStacked, true);
  EXPECT_FALSE(window()->EventListArea()->isVisible());
  EXPECT_TRUE(window()->Actions().Action(Cmd::ViewStacked)->isChecked() &&
              !window()->Actions().Action(Cmd::ViewAll)->isChecked());

  Type("c");
  ui.saveAnswer = SaveAnswer::Cancel;
  EXPECT_FALSE(window()->Shutdown());
  EXPECT_EQ(ui.prompts.size(), 1u);
  EXPECT_EQ(window()->Document().TrackText(0), "c");
  ui.saveAnswer = SaveAnswer::No;
  auto* views = window()->findChild<QSplitter*>("ViewSplitter");
  views->setSizes({1, 3 * views->sizes()[0]});
  const std::string rollHeight = "PianoRollHeight=+" + std::to_string(views->sizes()[0]);
  window()->SetViewMode(1);
  ASSERT_TRUE(window()->Shutdown());
  for (const std::string& line : std::vector<std::string>{"ViewMode=1", "Monitor_Left=+50",
                                                          "Monitor_Top=+60",
                                                          "Monitor_Visible=false", rollHeight})
    EXPECT_NE(Ini().find(line), std::string::npos) << line;
}

TEST_F(MainWindowTest, ADroppedSongFileOpens) {
  Start();
  const std::string song = KORE_SOURCE_DIR "/data/demo.mml";
  QMimeData data;
  data.setUrls({QUrl::fromLocalFile(QString::fromStdString(song))});
  QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
  QCoreApplication::sendEvent(window(), &enter);
  ASSERT_TRUE(enter.isAccepted());
  QDropEvent drop(QPointF(10, 10), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
  QCoreApplication::sendEvent(window(), &drop);
  EXPECT_EQ(window()->Document().Path(), song);
}

TEST_F(MainWindowTest, FindReplaceAndRenameActOnTheWindowsTracks) {
  Start();
  Type("cdcd");
  window()->RunCommand(Cmd::Find, false);
  auto* search = window()->findChild<dialogs::CMMLTextSearch*>();
  ASSERT_TRUE(search);
  EXPECT_TRUE(search->isVisible());
  EXPECT_EQ(search->windowTitle().toStdString(), "検索");
  search->findChild<QComboBox*>("searchText")->setEditText("d");
  window()->CurrentPane()->SetCaretThrough(0);
  search->SearchDown();
  EXPECT_EQ(window()->CurrentPane()->SelectedText(), "d");
  window()->RunCommand(Cmd::Replace, false);
  EXPECT_EQ(search->windowTitle().toStdString(), "検索・置換");
  search->findChild<QComboBox*>("replaceText")->setEditText("e");
  search->Replace();
  EXPECT_EQ(window()->Document().TrackText(0), "cecd");
  search->reject();

  // In-place rename of the current track: Enter keeps the name, Escape or an empty one does not.
  auto rename = [&](const char* name, Qt::Key key) {
    window()->RunCommand(Cmd::RenameTrack, false);
    QLineEdit* edit = nullptr;  // earlier editors are hidden, waiting for their deletion
    for (auto* e : window()->Tabs()->findChildren<QLineEdit*>("TrackNameEdit"))
      if (e->isVisibleTo(window()->Tabs())) edit = e;
    ASSERT_TRUE(edit);
    edit->setText(QString::fromUtf8(name));
    QTest::keyClick(edit, key);
  };
  rename("ベース", Qt::Key_Return);
  EXPECT_EQ(window()->Tabs()->tabText(0).toStdString(), "ベース");
  EXPECT_TRUE(Caption().ends_with(" - ベース")) << Caption();
  rename("X", Qt::Key_Escape);
  rename("", Qt::Key_Return);
  EXPECT_EQ(window()->Document().Track(0).name, Utf8ToSjisLossy("ベース"));
}

// Counts the sends inside the device at once. The player's first message stays inside for a
// while, so a send from the window at that time would overlap it unless both share one lock.
class OverlapProbe : public CRecordingMidiDevice {
 public:
  int ShortMessage(uint8_t status, uint8_t channel, uint8_t data1, uint8_t data2) override {
    const int now = ++inside;
    for (int seen = most; now > seen && !most.compare_exchange_weak(seen, now);) {}
    if (std::this_thread::get_id() != gui && !held.exchange(true))
      for (int i = 0; i < 300 && inside < 2; ++i) std::this_thread::sleep_for(1ms);
    const int rc = CRecordingMidiDevice::ShortMessage(status, channel, data1, data2);
    --inside;
    return rc;
  }
  const std::thread::id gui = std::this_thread::get_id();
  std::atomic<int> inside{0}, most{0};
  std::atomic<bool> held{false};
};

TEST_F(MainWindowTest, ChannelSetUpAndThePlayerShareOneDevice) {
  Start();
  auto probe = std::make_unique<OverlapProbe>();
  OverlapProbe* device = probe.get();
  window()->SetDevice(std::move(probe));
  Type("t60 l1 c");
  window()->RunCommand(Cmd::Play, true);
  ASSERT_TRUE(QTest::qWaitFor([&] { return device->held.load(); }, 5000));
  window()->InitChannel(0);
  window()->StopPlayback();
  EXPECT_EQ(device->most, 1);
  int programChanges = 0;
  for (const auto& m : device->Messages()) programChanges += (m.bytes[0] & 0xF0) == 0xC0;
  EXPECT_GE(programChanges, 1);
}

struct KeyCounter : QObject {
  bool eventFilter(QObject*, QEvent* e) override {
    return keys += e->type() == QEvent::KeyPress, false;
  }
  int keys = 0;
};

TEST_F(MainWindowTest, StopWaitsForThePlayerWithoutUserInputOrCommands) {
  StartClocked();
  Type("t240 l4 cdef");
  window()->RunCommand(Cmd::Play, true);
  ASSERT_TRUE(QTest::qWaitFor([&] { return clock.Now() >= 300'000'000; }, 5000));
  // While the stop waits: a key for the pane, a command as an accessibility action delivers
  // it, then a timer.
  KeyCounter counter;
  QWidget* pane = window()->CurrentPane()->Widget();
  pane->installEventFilter(&counter);
  QCoreApplication::postEvent(pane, new QKeyEvent(QEvent::KeyPress, Qt::Key_G, {}, "g"));
  QMetaObject::invokeMethod(window()->Actions().Action(Cmd::Loop), "trigger", Qt::QueuedConnection);
  std::atomic<bool> pumped{false};
  bool loopInsideTheWait = false;
  int keysInsideTheWait = -1;
  QTimer::singleShot(0, window(), [&] {
    loopInsideTheWait = window()->Player().Loop();
    keysInsideTheWait = counter.keys;
    pumped = true;
  });
  // The player is held until the wait has pumped (or 5 s have passed), however busy the machine.
  std::thread releaser([&] {
    for (int i = 0; i < 5000 && !pumped; ++i) std::this_thread::sleep_for(1ms);
    release = true;
  });
  window()->StopPlayback();
  releaser.join();
  EXPECT_TRUE(pumped) << "the wait lets the player's notices and timers through";
  EXPECT_FALSE(loopInsideTheWait) << "no command runs inside the stop";
  EXPECT_EQ(keysInsideTheWait, 0) << "no key reaches a pane inside the stop";
  EXPECT_TRUE(QTest::qWaitFor([&] { return window()->Player().Loop() && counter.keys == 1; }, 5000))
      << "both come after it";
  // The key is typed once, at the caret or over the note playback left selected.
  const std::string_view text = window()->Document().TrackText(0);
  EXPECT_EQ(std::count(text.begin(), text.end(), 'g'), 1) << text;
}

TEST(QtTranslation, MessageBoxesSpeakJapaneseAndStartOnTheAskedButton) {
  test::EnsureQtApp();
  ASSERT_TRUE(InstallQtTranslation(*QCoreApplication::instance()))
      << "qtbase_ja.qm missing: package qt6-translations-l10n";
  QMessageBox box(QMessageBox::Warning, "KOR EDITOR", "x", QMessageBox::Yes | QMessageBox::No);
  EXPECT_EQ(box.button(QMessageBox::Yes)->text().toStdString(), "はい(&Y)");
  EXPECT_EQ(box.button(QMessageBox::No)->text().toStdString(), "いいえ(&N)");
  // A box shown for real (no hook) starts on the button asked for.
  QMessageBox::StandardButton startsOn = QMessageBox::NoButton;
  QTimer answer;
  QObject::connect(&answer, &QTimer::timeout, [&] {
    for (QWidget* w : QApplication::topLevelWidgets())
      if (auto* shown = qobject_cast<QMessageBox*>(w); shown && shown->isVisible()) {
        answer.stop();
        startsOn = shown->standardButton(shown->defaultButton());
        shown->button(QMessageBox::Yes)->click();
      }
  });
  answer.start(10);
  EXPECT_EQ(dialogs::ShowMessage(nullptr, {QMessageBox::Question, "x", {},
                                           QMessageBox::Yes | QMessageBox::No, QMessageBox::No}),
            QMessageBox::Yes);
  EXPECT_EQ(startsOn, QMessageBox::No);
}

}  // namespace
}  // namespace kore
