#include <QFontDialog>
#include <QTimer>
#include <tuple>

#include "app/dialogs/config_commands.h"
#include "editor/penna.h"
#include "tests/app/dialogs/fake_host.h"

namespace kore::dialogs {
namespace {

using namespace test;

struct ConfigFixture : test::HostTest {
  ConfigFixture() {
    host.choices = {{"Mapper", 0, -1}, {"Port A", 0, 0}, {"Built-in", 2, -1}, {"FluidSynth DLS", 1, -1}};
    host.synthesizer = true;
  }
};

TEST_F(ConfigFixture, OkStoresEveryPageAndCancelWritesTheOldValues) {
  for (const bool ok : {true, false}) {
    FakeHost fresh;
    ModalDriver driver([&](QDialog& d) {
      Find<QComboBox>(d, "defaultTrackCount")->setCurrentIndex(4);
      Find<QComboBox>(d, "frameRate")->setCurrentIndex(1);
      Find<QComboBox>(d, "defaultTimeBase")->setCurrentIndex(1);
      Find<QCheckBox>(d, "compatible")->setChecked(true);
    }, ok);
    RunConfiguration(fresh, kPageGeneral);
    // Read back as the program reads it at start: the file is written either way.
    CProfileFile file(fresh.SettingsPath());
    ASSERT_TRUE(file.Existed()) << ok;
    AppSettings read;
    LoadSettings(file, read);
    const AppSettings old;
    EXPECT_EQ(std::tuple(read.defaultTrackCount, read.statFrameRate, read.defaultTimeBase,
                         read.compatible1900, fresh.reopens),  // no output value changed
              ok ? std::tuple(5, 60, 480, true, 0)
                 : std::tuple(old.defaultTrackCount, old.statFrameRate, old.defaultTimeBase,
                              false, 0));
  }
}

TEST_F(ConfigFixture, OnlyOutputChangesReopenTheDevice) {
  const struct {
    const char* name;
    std::function<void(QDialog&)> change;
    int reopens;
  } rows[] = {
      {"bank path", [](QDialog& d) { Find<QLineEdit>(d, "dlsPath")->setText("/no/such.dls"); }, 1},
      {"output", [](QDialog& d) { Find<QComboBox>(d, "output")->setCurrentIndex(3); }, 1},
      {"reset type", [](QDialog& d) { Find<QComboBox>(d, "resetType")->setCurrentIndex(4); }, 1},
      {"volume", [](QDialog& d) { Find<QSlider>(d, "volume")->setValue(40); }, 1},
  };
  for (const auto& r : rows) {
    host.reopens = 0;
    ModalDriver driver(r.change);
    RunConfiguration(host, kPageGeneral);
    EXPECT_EQ(host.reopens, r.reopens) << r.name;
  }
  EXPECT_EQ(host.settings.outputDls, 1);
}

TEST_F(ConfigFixture, ListsOfferWhatTheSettingsKeepAndPagesFollowTheMachineAndTheCompatibleBox) {
  const struct {
    const char* list;
    int count;
    int32_t AppSettings::*field;
    int32_t stored, kept;  // a value the settings would correct becomes their fallback
  } rows[] = {
      {"defaultTrackCount", 15, &AppSettings::defaultTrackCount, 16, 3},
      {"defaultTimeBase", 3, &AppSettings::defaultTimeBase, 960, 960},
      {"defaultTimeBase", 3, &AppSettings::defaultTimeBase, 100, 32},
      {"frameRate", 2, &AppSettings::statFrameRate, 60, 60},
      {"resetType", 6, &AppSettings::resetType, 9, 1},
      {"samplingRate", 4, &AppSettings::samplingRate, 3, 3},
  };
  for (const auto& r : rows) {
    AppSettings settings;
    settings.*r.field = r.stored;
    CMMLConfigSheet sheet({settings, host.choices, true, kPageGeneral});
    EXPECT_EQ(Find<QComboBox>(sheet, r.list)->count(), r.count) << r.list;
    EXPECT_EQ(sheet.options().settings.*r.field, r.kept) << r.list << " " << r.stored;
  }
  AppSettings loud;
  loud.dlsVolume = 250;
  CMMLConfigSheet sheet({loud, host.choices, true, kPageDls});
  EXPECT_EQ(Find<QSlider>(sheet, "volume")->maximum(), 100);
  EXPECT_EQ(sheet.options().settings.dlsVolume, 100);
  CMMLConfigSheet withSynth({host.settings, host.choices, true, kPageMidi});
  auto* pages = Find<QTabWidget>(withSynth, "pages");
  EXPECT_EQ(pages->count(), 4);
  EXPECT_EQ(pages->currentIndex(), kPageMidi);
  auto* compatible = Find<QCheckBox>(withSynth, "compatible");
  auto* compact = Find<QCheckBox>(withSynth, "compact");
  for (bool on : {true, false}) {
    compatible->setChecked(on);
    EXPECT_EQ(compact->isEnabled(), !on) << on;
  }
  CMMLConfigSheet withoutSynth({host.settings, {host.choices[0]}, false, kPageGeneral});
  EXPECT_EQ(Find<QTabWidget>(withoutSynth, "pages")->count(), 3);
}

TEST_F(ConfigFixture, FontButtonSetsEveryPaneAndTheSettingsAtOnce) {
  host.document.AddTrack();
  const auto order = host.document.TrackOrder();
  const int32_t height = host.Pane(order[1])->GetMetric(PENNA_INFO_CHAR_HEIGHT);
  // The font dialog runs modally inside the command: a timer answers it.
  QTimer answer;
  QString family;
  QObject::connect(&answer, &QTimer::timeout, [&] {
    if (auto* fonts = qobject_cast<QFontDialog*>(QApplication::activeModalWidget())) {
      QFont chosen = fonts->currentFont();  // one of the families the dialog offers
      chosen.setPointSize(24);
      fonts->setCurrentFont(chosen);
      family = fonts->currentFont().family();
      fonts->accept();
    }
  });
  answer.start(10);
  // Cancel: the font stays, as it is set at once, not on OK.
  ModalDriver driver([&](QDialog& d) { Find<QPushButton>(d, "fontButton")->click(); }, false);
  RunConfiguration(host, kPageGeneral);
  ASSERT_FALSE(family.isEmpty());
  EXPECT_EQ(host.settings.editorFontName, ToSjis(family));
  EXPECT_EQ(host.settings.editorFontSize, 24);
  EXPECT_NE(host.Ini().find("EditorFontSize=24"), std::string::npos);
  const int32_t first = host.Pane(order[0])->GetMetric(PENNA_INFO_CHAR_HEIGHT);
  EXPECT_GT(first, height);
  EXPECT_EQ(host.Pane(order[1])->GetMetric(PENNA_INFO_CHAR_HEIGHT), first);
}

TEST_F(ConfigFixture, AssociationAsksBeforeOverwritingAndReportsFailures) {
  RegisterAssociationCommand(host);
  EXPECT_EQ(messages.Last(), QStringLiteral("関連付けを実行しました。"));
  messages.answers.push_back(QMessageBox::No);
  RegisterAssociationCommand(host);
  EXPECT_EQ(messages.Last(), QStringLiteral("既に関連付けられています。\n既存の関連付け設定に上書きしますか？"));
  EXPECT_EQ(host.registrations, 1);
  host.removalWorks = false;
  UnregisterAssociationCommand(host);
  EXPECT_EQ(messages.Last(), QStringLiteral("関連付けに失敗しました。"));
  EXPECT_EQ(messages.shown.back().icon, QMessageBox::Critical);
  host.removalWorks = true;
  UnregisterAssociationCommand(host);
  EXPECT_EQ(messages.Last(), QStringLiteral("関連付けを解除しました。"));
}

TEST_F(ConfigFixture, AFailedOpenAsksWithNoAsDefaultAndYesOpensTheOutputPage) {
  OutputSettings settings;
  settings.outputDls = 1;
  settings.dlsFilePath = host.folder.File("missing.dls");
  settings.audioDriver = "silent";
  host.settings.audioDriver = "silent";
  std::array<TrackProperties, kTrackSlotCount> slots{};
  std::unique_ptr<CMidiDevice> device;
  OutputOpenHooks hooks = MakeOutputOpenHooks(host);
  hooks.sleep = [](int32_t) {};
  messages.answers.push_back(QMessageBox::No);
  EXPECT_EQ(OpenOutput(device, settings, slots, hooks), 1);
  ASSERT_EQ(messages.Last(), FromSjis(OpenFailureMessage(4)));
  EXPECT_EQ(messages.shown.back().defaultButton, QMessageBox::No);

  // Yes: the sheet opens on the output page; choosing the built-in set lets the retry succeed.
  int page = -1;
  ModalDriver driver([&](QDialog& d) {
    page = Find<QTabWidget>(d, "pages")->currentIndex();
    Find<QComboBox>(d, "output")->setCurrentIndex(2);
  });
  messages.answers.push_back(QMessageBox::Yes);
  messages.answers.push_back(QMessageBox::No);  // should the built-in set fail here as well
  const int opened = OpenOutput(device, settings, slots, hooks);
  EXPECT_EQ(page, kPageMidi);
  EXPECT_EQ(settings.outputDls, 2);
  EXPECT_EQ(opened == 0, device != nullptr);
}

}  // namespace
}  // namespace kore::dialogs
