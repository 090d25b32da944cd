// One playback frame of every view with 15 tracks sounding: the refresh moves the roll, list,
// keyboard, measure display and monitor, and what changed is repainted through the windows'
// backing stores, as on screen (the monitor in full). Run with QT_QPA_PLATFORM=offscreen.
// Core records have fields named `slots`: Qt's keyword macros stay off.
#define QT_NO_KEYWORDS
#include <benchmark/benchmark.h>

#include <QHBoxLayout>

#include "bench/views_bench_util.h"
#include "views/event_list.h"
#include "views/measure_display.h"
#include "views/monitor.h"
#include "views/piano_keys.h"
#include "views/piano_roll.h"
#include "views/playback_refresh.h"

namespace {

// Every slot busy: keys down, fresh levels, rows moving on.
struct Sounding : kore::views::PlayerStateSource {
  int32_t tick = 0;
  int64_t now = 0;
  bool Running() const override { return true; }
  int32_t CurrentTick() const override { return tick; }
  int32_t CurrentTempo() const override { return 120; }
  int32_t TrackRow(int32_t slot) const override { return tick / 4 + slot; }
  int32_t Level(int32_t) const override { return 100; }
  uint64_t KeysLow(int32_t slot) const override { return 0x0101010101ull << (slot % 8); }
  uint64_t KeysHigh(int32_t slot) const override { return 0x1010101ull << slot; }
  int64_t NoteOnTime(int32_t) const override { return now - 200; }
  int64_t NoteOffTime(int32_t) const override { return -1; }
  int64_t NowMs() const override { return now; }
};

void BM_RefreshFrameAllViews(benchmark::State& state) {
  kore::bench::App();
  auto document = kore::bench::FifteenTrackSong();
  QWidget window;
  auto* roll = new kore::CPianoRollCtrl;
  auto* list = new kore::CCodeListCtrl;
  auto* keys = new kore::CPianoKeyCtrl;
  auto* measure = new kore::CDigitCtrl;
  auto* layout = new QHBoxLayout(&window);
  layout->addWidget(roll, 3);
  layout->addWidget(list, 1);
  layout->addWidget(keys);
  layout->addWidget(measure);
  window.resize(1600, 600);
  roll->SetDocument(document.get());
  list->SetDocument(document.get());
  kore::CMidiMoniterCtrl monitor;
  monitor.SetDocument(document.get());
  Sounding sounding;
  monitor.SetPlayerState(&sounding);
  kore::PlaybackViewRefresh refresh(*document, sounding, {roll, list, keys, measure, &monitor});
  window.show();
  monitor.show();
  QApplication::processEvents();
  for (auto _ : state) {
    sounding.tick += 17;  // ahead of the song's pace, so the roll turns pages often
    sounding.now += 16;
    refresh.Frame();
    QApplication::processEvents();
  }
}
BENCHMARK(BM_RefreshFrameAllViews)->Unit(benchmark::kMillisecond);

}  // namespace
