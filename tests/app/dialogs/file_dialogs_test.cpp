#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFileDialog>
#include <QTimer>
#include <filesystem>
#include <fstream>

#include "app/dialogs/smf_commands.h"
#include "app/dialogs/wave_export_dialog.h"
#include "app/qt_document_ui.h"
#include "playback/mml_player.h"
#include "playback/synth_device.h"
#include "tests/app/dialogs/fake_host.h"
#include "tests/support/wave_file_reader.h"
#include "tests/smf/smf_builder.h"

namespace kore::dialogs {
namespace {

using namespace test;
namespace fs = std::filesystem;

TEST(SmfExport, FilterChoosesTheFormatAndFailuresLeaveNoFile) {
  for (auto [filter, format] : {std::pair{0, '\1'}, {1, '\0'}, {2, '\1'}}) {
    FakeHost host;
    host.MakeTracks({{"a", "cde"}, {"b", "efg"}});
    host.chosenFile = FileChosen{host.folder.File("out.mid"), filter};
    ExportSmfCommand(host);
    const std::string file = ReadWholeFile(host.folder.File("out.mid")).value_or("");
    EXPECT_TRUE(file.starts_with("MThd") && file.size() > 9 && file[9] == format) << filter;
  }
  FakeHost host;
  MessageLog messages;
  host.chosenFile = FileChosen{host.folder.File("missing/out.mid"), 0};
  ExportSmfCommand(host);
  EXPECT_EQ(messages.Last(), QStringLiteral("ファイルのオープンに失敗しました"));
  EXPECT_FALSE(fs::exists(host.folder.File("missing/out.mid")));
}

struct SmfImportFixture : test::HostTest {
  SmfImportFixture() {
    const auto bytes = kore::test::ParseSmf(1, 480, "60/480 | on 0 1 64, off 240 1 64");
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()),
                                                static_cast<std::streamsize>(bytes.size()));
    host.chosenFile = FileChosen{path, 0};
  }
  std::string path = host.folder.File("song.mid");
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
  });
  ImportSmfCommand(host);
  ASSERT_EQ(messages.shown.size(), 2u);
  EXPECT_EQ(messages.shown[1].text, QStringLiteral("トラックが選択されていません。"));
  EXPECT_EQ(host.document.Path(), host.folder.File("song.mml"));
  for (const char* line : {"SpreadTrack=true", "QuantizeValue=+64"})
    EXPECT_NE(host.Ini().find(line), std::string::npos) << line;
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
struct WaveFixture : test::HostTest, PlayerObserver {
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
    QElapsedTimer clock;
    clock.start();
    while (dialog.Exporting() && clock.elapsed() < 20000) {
      QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
      if (abortAfterMs >= 0 && clock.elapsed() > abortAfterMs) {
        dialog.reject();
        break;
      }
    }
    return dialog.result();
  }

  std::unique_ptr<CFluidSynthDevice> synth;
  CMMLPlayer player;
};

// A whole export gives the song and its tail; an abort after a second a valid shorter file.
TEST_F(WaveFixture, ExportsOrAbortsIntoAValidFile) {
  const struct {
    const char* mml;
    int abortAfterMs, result;
    const char* message;
    double shortest, longest;  // seconds
  } rows[] = {{"t120 l1 c", -1, QDialog::Accepted, "WAVEファイルの出力が終了しました。", 2.5, 4.5},
              {"t120 l1 cccc", 1000, QDialog::Rejected, "出力を中断しますか？", 0, 4.0}};
  for (const auto& r : rows) {
    SetSong(r.mml);  // 2 s, or 8 s
    const std::string path = host.folder.File(std::string(r.mml) + ".wav");
    CMMLWaveExportDlg dialog(WaveExportOptions{path, {}}, player, *synth);
    ASSERT_TRUE(dialog.StartExport()) << r.mml;
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("WAVEファイルを出力中"));
    EXPECT_EQ(RunUntilClosed(dialog, r.abortAfterMs), r.result) << r.mml;
    EXPECT_EQ(messages.Last(), QString::fromUtf8(r.message)) << r.mml;
    const auto wave = kore::test::ReadWave(path);
    ASSERT_TRUE(wave.ok) << r.mml << ": " << wave.problem;
    EXPECT_EQ(wave.riffSize, wave.fileSize - 8) << r.mml;
    const double seconds = static_cast<double>(wave.Frames()) / 8000;
    EXPECT_TRUE(seconds > r.shortest && seconds < r.longest) << r.mml << ": " << seconds;
  }
}

TEST_F(WaveFixture, FailuresAreReportedAndStartNothing) {
  SetSong("t120 l1 c");
  const struct {
    const char* name;
    std::string path;
    bool deviceForPlayer;
  } rows[] = {{"unwritable", host.folder.File("no/such.wav"), true},
                      {"playback cannot start", host.folder.File("x.wav"), false}};
  for (const auto& r : rows) {
    player.SetDevice(r.deviceForPlayer ? synth.get() : nullptr);
    CMMLWaveExportDlg dialog(WaveExportOptions{r.path, {}}, player, *synth);
    EXPECT_FALSE(dialog.StartExport()) << r.name;
    EXPECT_EQ(messages.Last(), QStringLiteral("WAVEファイル出力に失敗しました。")) << r.name;
    EXPECT_FALSE(player.IsPlaying()) << r.name;
    EXPECT_FALSE(fs::exists(r.path)) << r.name;
  }
}

// Qt's own file dialogs, closed by a timer: cancelling chooses nothing even though a name was
// proposed in the dialog; OK takes the proposed name.
TEST(FileDialogs, CancelChoosesNothingAndOkTakesTheProposedName) {
  FakeHost host;
  QtDocumentUi ui(nullptr);
  const std::string proposed = host.folder.File("song.mml");
  for (bool ok : {false, true}) {
    QTimer closer;
    QObject::connect(&closer, &QTimer::timeout, [&] {
      QDialog* d = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
      if (d) ok ? d->accept() : d->reject();
    });
    closer.start(10);
    auto fromHost = host.DialogHost::ChooseFile(
        {true, "t", QString::fromStdString(proposed), {"MML (*.mml)"}, "mml"});
    auto fromUi = ui.ChooseSaveFile({{"MML (*.mml)"}, "mml", "t", proposed});
    EXPECT_EQ(fromHost ? fromHost->path : "none", ok ? proposed : "none") << ok;
    EXPECT_EQ(fromUi ? fromUi->path : "none", ok ? proposed : "none") << ok;
  }
}

}  // namespace
}  // namespace kore::dialogs
