// The main window's speed targets with a song of 15 tracks of 64 KiB each: building and showing
// the window with the song (no output device), opening the song file into a shown window, and
// one keystroke at the end of a 64 KiB track (recompile, song list, caption, status).
// Run with QT_QPA_PLATFORM=offscreen.
#include <benchmark/benchmark.h>

#include "app/player_dlg.h"
#include "base/shift_jis.h"
#include "editor/frame/penna_frame.h"
#include "editor/penna.h"
#include "song/song_file.h"

#include <QApplication>
#include <QKeyEvent>
#include <cstdlib>
#include <filesystem>
#include <string>

namespace {

using namespace kore;

QApplication* App() {
  static int argc = 1;
  static char name[] = "kore_window_bench";
  static char* argv[] = {name, nullptr};
  static QApplication* app = [] {
    if (!std::getenv("QT_QPA_PLATFORM")) setenv("QT_QPA_PLATFORM", "offscreen", 1);
    auto* made = new QApplication(argc, argv);
    PennaStart(nullptr);
    return made;
  }();
  return app;
}

// 64 KiB of MML: a tempo line, then measures of eighth notes with a comment every eight lines.
std::string TrackText(int32_t track) {
  std::string text = "t120 v12 l8 o4\r\n";
  for (int line = 0; text.size() < 64 * 1024; ++line) {
    if (line % 8 == 0) text += "// measure " + std::to_string(line + track) + "\r\n";
    text += "cdefgab>c<bagfedc r4 c8d8e8f8 g4a4b4 c2\r\n";
  }
  text.resize(64 * 1024 - 2);
  return text + "\r\n";
}

const std::string& SongPath() {
  static const std::string path = [] {
    CMMLDocument song;
    song.NewSong(15, 480);
    for (int32_t k = 0; k < 15; ++k) {
      int32_t slot = song.TrackOrder()[static_cast<size_t>(k)];
      song.SetTrackText(slot, TrackText(k));
    }
    std::string file = (std::filesystem::temp_directory_path() / "kore_window_bench.mml").string();
    SaveSongFile(file, song, SaveMode::Compact);
    return file;
  }();
  return path;
}

void BM_ShowWindowWithSong(benchmark::State& state) {
  App();
  const std::string& path = SongPath();
  AppSettings settings;
  for (auto _ : state) {
    auto window = std::make_unique<CMMLPlayerDlg>(settings, std::vector<std::string>{});
    window->BuildEmptySong();
    window->OpenCommandLinePath(path);
    window->show();
    QApplication::processEvents();
    state.PauseTiming();
    window.reset();
    QApplication::processEvents();
    state.ResumeTiming();
  }
}
BENCHMARK(BM_ShowWindowWithSong)->Unit(benchmark::kMillisecond)->Iterations(5);

void BM_OpenSong(benchmark::State& state) {
  App();
  const std::string& path = SongPath();
  AppSettings settings;
  CMMLPlayerDlg window(settings, {});
  window.BuildEmptySong();
  window.show();
  QApplication::processEvents();
  for (auto _ : state) {
    window.OpenCommandLinePath(path);
    QApplication::processEvents();
  }
}
BENCHMARK(BM_OpenSong)->Unit(benchmark::kMillisecond)->Iterations(10);

void BM_KeystrokeAtEndOfTrack(benchmark::State& state) {
  App();
  AppSettings settings;
  CMMLPlayerDlg window(settings, {});
  window.BuildEmptySong();
  window.OpenCommandLinePath(SongPath());
  window.show();
  QApplication::processEvents();
  CPennaWnd* pane = window.CurrentPane();
  pane->SetCaretThrough(pane->TextLength());
  int n = 0;
  for (auto _ : state) {
    // One key: the pane's change message recompiles the track and refreshes caption and status.
    bool c = n++ % 2;
    QKeyEvent press(QEvent::KeyPress, c ? Qt::Key_C : Qt::Key_D, Qt::NoModifier, c ? "c" : "d");
    QApplication::sendEvent(pane->Widget(), &press);
  }
  state.counters["track_bytes"] = static_cast<double>(window.Document().TrackText(0).size());
}
BENCHMARK(BM_KeystrokeAtEndOfTrack)->Unit(benchmark::kMillisecond)->Iterations(200);

}  // namespace
