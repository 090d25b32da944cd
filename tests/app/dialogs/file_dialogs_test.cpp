#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <thread>

#include "app/dialogs/smf_commands.h"
#include "app/dialogs/wave_export_dialog.h"
#include "base/profile_file.h"
#include "playback/mml_player.h"
#include "playback/synth_device.h"
#include "tests/app/dialogs/fake_host.h"
#include "tests/playback/wave_file_reader.h"
#include "tests/smf/smf_builder.h"

namespace kore::dialogs {
namespace {

using test::FakeHost;
using test::Find;
using test::MessageLog;
using test::ModalDriver;
namespace fs = std::filesystem;

int CountChunks(const std::string& path) {
  const auto bytes = ReadWholeFile(path);
  int count = 0;
  for (size_t at = bytes ? bytes->find("MTrk") : std::string::npos; at != std::string::npos;
       at = bytes->find("MTrk", at + 4)) {
    ++count;
  }
  return count;
}

TEST(SmfExport, FilterChoosesTheFormatAndFailuresLeaveNoFile) {
  struct Row {
    int32_t filter;
    int chunks;
  };
  for (const Row& r : {Row{0, 2}, Row{1, 1}, Row{2, 2}}) {
    FakeHost host;
    host.MakeTracks({{"a", "cde"}, {"b", "efg"}});
    host.chosenFile = FileChosen{host.folder.File("out.mid"), r.filter};
    ExportSmfCommand(host);
    EXPECT_EQ(CountChunks(host.folder.File("out.mid")), r.chunks) << "filter " << r.filter;
  }
  FakeHost host;
  MessageLog messages;
  host.chosenFile = FileChosen{host.folder.File("missing/out.mid"), 0};
  ExportSmfCommand(host);
  EXPECT_EQ(messages.Last(), QStringLiteral("ファイルのオープンに失敗しました"));
  EXPECT_FALSE(fs::exists(host.folder.File("missing/out.mid")));
}

struct SmfImportFixture : ::testing::Test {
  SmfImportFixture() {
    using kore::test::TrackBuilder;
    TrackBuilder a, b;
    a.On(0, 0, 60).Off(480, 0, 60).End();
    b.On(0, 1, 64).Off(240, 1, 64).End();
    const auto bytes = kore::test::MakeSmf(1, 480, {a, b});
    path = host.folder.File("song.mid");
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()),
                                                static_cast<std::streamsize>(bytes.size()));
    host.chosenFile = FileChosen{path, 0};
  }
  FakeHost host;
  MessageLog messages;
  std::string path;
};

TEST_F(SmfImportFixture, DialogWarnsAndStaysOpenThenStoresOptionsAndReplacesTheSong) {
  ModalDriver driver([this](QDialog& d) {
    auto* sources = Find<QListWidget>(d, "sources");
    EXPECT_EQ(sources->selectedItems().size(), 2);
    EXPECT_EQ(Find<QComboBox>(d, "preset")->currentIndex(), 0);
    EXPECT_EQ(Find<QLabel>(d, "resolutionText")->text(),
              QStringLiteral("分解能 = 480\nクオンタイズ = 60 "));
    Find<QRadioButton>(d, "quantize64")->click();
    EXPECT_EQ(Find<QLabel>(d, "resolutionText")->text(),
              QStringLiteral("分解能 = 480\nクオンタイズ = 30 "));
    Find<QCheckBox>(d, "spreadTrack")->setChecked(true);
    d.accept();  // two sources with spreading
    sources->clearSelection();
    d.accept();  // nothing selected
    EXPECT_EQ(messages.shown.size(), 2u);
    EXPECT_EQ(d.result(), QDialog::Rejected);
    sources->item(1)->setSelected(true);
    d.accept();
    return int(d.result());
  });
  ImportSmfCommand(host);
  ASSERT_EQ(messages.shown.size(), 2u);
  EXPECT_EQ(messages.shown[1].text, QStringLiteral("トラックが選択されていません。"));
  EXPECT_EQ(host.document.Path(), host.folder.File("song.mml"));
  EXPECT_GE(host.document.TrackCount(), 1);
  const auto ini = ReadWholeFile(host.SettingsPath());
  ASSERT_TRUE(ini);
  EXPECT_NE(ini->find("SpreadTrack=true"), std::string::npos);
  EXPECT_NE(ini->find("QuantizeValue=+64"), std::string::npos);
}

TEST_F(SmfImportFixture, UnreadableFileKeepsTheSong) {
  std::ofstream(path, std::ios::binary | std::ios::trunc) << "not midi";
  host.MakeTracks({{"keep", "cde"}});
  ImportSmfCommand(host);
  EXPECT_EQ(messages.Last(), QStringLiteral("SMFの解析に失敗しました"));
  EXPECT_EQ(host.document.TrackText(host.document.TrackOrder()[0]), "cde");
}

// A synthesizer without sound card and a player that reports its end the way the main
// window does (queued to the user-interface thread).
struct WaveFixture : ::testing::Test, PlayerObserver {
  WaveFixture() {
    SynthSettings settings;
    settings.audioDriver = kSilentAudioDriver;
    settings.sampleRate = 8000;
    settings.channels = 1;
    synth = std::make_unique<CFluidSynthDevice>(settings);
    EXPECT_EQ(synth->Open(0), 0);
    player.SetObserver(this);
    player.SetDevice(synth.get());
    host.player = &player;
    host.synth = synth.get();
  }
  ~WaveFixture() override {
    player.StopPlayback();
    synth->Close();
  }
  void PlayerFinished(uint64_t) override {
    QMetaObject::invokeMethod(qApp, [this] { player.HandleFinished(); }, Qt::QueuedConnection);
  }
  void SetSong(const std::string& mml) {
    host.MakeTracks({{"t", mml}});
    auto song = std::make_shared<PlaybackSong>(MakePlaybackSong(host.document));
    player.SetSong(song);
  }
  int RunUntilClosed(CMMLWaveExportDlg& dialog, int abortAfterMs = -1) {
    const auto start = std::chrono::steady_clock::now();
    while (dialog.Exporting()) {
      QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
      const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(
                          std::chrono::steady_clock::now() - start)
                          .count();
      if (abortAfterMs >= 0 && ms > abortAfterMs) {
        dialog.reject();
        break;
      }
      if (ms > 20000) break;
    }
    return dialog.result();
  }

  FakeHost host;
  MessageLog messages;
  std::unique_ptr<CFluidSynthDevice> synth;
  CMMLPlayer player;
};

TEST_F(WaveFixture, ExportsTheSongAndItsTailAsAValidFile) {
  SetSong("t120 l1 c");  // 2 s
  const std::string path = host.folder.File("song.wav");
  CMMLWaveExportDlg dialog(WaveExportOptions{path, {}}, player, *synth);
  ASSERT_TRUE(dialog.StartExport());
  EXPECT_EQ(dialog.windowTitle(), QStringLiteral("WAVEファイルを出力中"));
  EXPECT_EQ(RunUntilClosed(dialog), QDialog::Accepted);
  EXPECT_EQ(messages.Last(), QStringLiteral("WAVEファイルの出力が終了しました。"));
  const auto wave = kore::test::ReadWave(path);
  ASSERT_TRUE(wave.ok) << wave.problem;
  EXPECT_EQ(wave.riffSize, wave.fileSize - 8);
  const double seconds = static_cast<double>(wave.Frames()) / 8000;
  EXPECT_GT(seconds, 2.5);
  EXPECT_LT(seconds, 4.5);
}

TEST_F(WaveFixture, AbortLeavesAValidShorterFile) {
  SetSong("t120 l1 cccc");  // 8 s
  const std::string path = host.folder.File("abort.wav");
  CMMLWaveExportDlg dialog(WaveExportOptions{path, {}}, player, *synth);
  ASSERT_TRUE(dialog.StartExport());
  EXPECT_EQ(RunUntilClosed(dialog, 1000), QDialog::Rejected);
  EXPECT_EQ(messages.Last(), QStringLiteral("出力を中断しますか？"));
  const auto wave = kore::test::ReadWave(path);
  ASSERT_TRUE(wave.ok) << wave.problem;
  EXPECT_LT(static_cast<double>(wave.Frames()) / 8000, 4.0);
}

TEST_F(WaveFixture, FailuresAreReportedAndStartNothing) {
  SetSong("t120 l1 c");
  struct Row {
    const char* name;
    std::string path;
    bool deviceForPlayer;
  };
  const Row rows[] = {{"unwritable", host.folder.File("no/such.wav"), true},
                      {"playback cannot start", host.folder.File("x.wav"), false}};
  for (const Row& r : rows) {
    player.SetDevice(r.deviceForPlayer ? synth.get() : nullptr);
    CMMLWaveExportDlg dialog(WaveExportOptions{r.path, {}}, player, *synth);
    EXPECT_FALSE(dialog.StartExport()) << r.name;
    EXPECT_EQ(messages.Last(), QStringLiteral("WAVEファイル出力に失敗しました。")) << r.name;
    EXPECT_FALSE(player.IsPlaying()) << r.name;
    EXPECT_FALSE(fs::exists(r.path)) << r.name;
  }
}

}  // namespace
}  // namespace kore::dialogs
