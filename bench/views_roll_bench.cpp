// Piano roll speed: a full repaint of a 1280 x 600 roll over 15 busy tracks at the default zoom,
// and a following page turn (scroll, visible records, repaint) near the end of the song.
// Run with QT_QPA_PLATFORM=offscreen.
// Core records have fields named `slots`: Qt's keyword macros stay off.
#define QT_NO_KEYWORDS
#include <benchmark/benchmark.h>

#include <QImage>

#include "bench/views_bench_util.h"
#include "views/piano_roll.h"

namespace {

using kore::CPianoRollCtrl;

struct Roll {
  std::unique_ptr<kore::CMMLDocument> document = kore::bench::FifteenTrackSong();
  CPianoRollCtrl roll;
  QImage image{1280, 600, QImage::Format_ARGB32_Premultiplied};
  Roll() {
    roll.resize(1280, 600);
    roll.SetDocument(document.get());
    roll.SetZoom(48, 10);
  }
};

void BM_RollFullRepaint(benchmark::State& state) {
  kore::bench::App();
  Roll r;
  r.roll.ScrollToTick(32 * 4 * 40);
  for (auto _ : state) {
    r.roll.render(&r.image);
    benchmark::DoNotOptimize(r.image.bits());
  }
  state.counters["bars"] = static_cast<double>(r.roll.Scene().Notes().size());
}
BENCHMARK(BM_RollFullRepaint)->Unit(benchmark::kMillisecond);

void BM_RollFollowPageTurnAtEnd(benchmark::State& state) {
  kore::bench::App();
  Roll r;
  const auto& song = r.document->SongEvents();
  const int32_t last = song[song.size() - 1].tick;
  const int32_t page = r.roll.Geometry().VisibleColumns() * r.roll.Geometry().TicksPerColumn();
  bool back = false;
  for (auto _ : state) {
    // Alternate between the last two pages, so every iteration turns one.
    r.roll.FollowTick(back ? last - 2 * page : last - page / 2);
    back = !back;
    r.roll.render(&r.image);
    benchmark::DoNotOptimize(r.image.bits());
  }
}
BENCHMARK(BM_RollFollowPageTurnAtEnd)->Unit(benchmark::kMillisecond);

}  // namespace
