// Event list speed on 300,000 records: setting the list, one scroll step with its repaint, and
// a jump to the last row with its repaint. Repaints go through the window's backing store, as
// on screen (a step moves the drawn rows and paints the one exposed). Run with
// QT_QPA_PLATFORM=offscreen.
// Core records have fields named `slots`: Qt's keyword macros stay off.
#define QT_NO_KEYWORDS
#include <benchmark/benchmark.h>


#include <QImage>

#include "bench/views_bench_util.h"
#include "views/event_list.h"

namespace {

kore::MidiEventList& Records() {
  static kore::MidiEventList list = [] {
    kore::MidiEventList events(300'000);
    for (size_t i = 0; i < events.size(); ++i) {
      kore::MidiEvent& e = events[i];
      e.kind = i % 9 == 0 ? kore::MidiEventKind::Measure : kore::MidiEventKind::Note;
      e.tick = static_cast<int32_t>(i) * 16;
      e.SetPitch(48 + static_cast<int32_t>(i % 36));
      e.length = 16;
      e.step = 16;
      e.value = 8;
      e.letter = 'C';
    }
    return events;
  }();
  return list;
}

struct List {
  kore::CCodeListCtrl list;
  List() {
    list.resize(420, 600);
    list.SetList(&Records(), {32, 4, 4});
    list.show();
    QApplication::processEvents();
  }
};

void BM_ListSet(benchmark::State& state) {
  kore::bench::App();
  List l;
  kore::MidiEventList other = Records();
  bool flip = false;
  for (auto _ : state) {
    l.list.SetList(flip ? &Records() : &other, {32, 4, 4});
    flip = !flip;
  }
}
BENCHMARK(BM_ListSet)->Unit(benchmark::kMicrosecond);

void BM_ListScrollStep(benchmark::State& state) {
  kore::bench::App();
  List l;
  l.list.SetFirstVisibleRow(150'000);
  int step = 1;
  for (auto _ : state) {
    l.list.SetFirstVisibleRow(l.list.FirstVisibleRow() + step);
    step = -step;
    QApplication::processEvents();
  }
}
BENCHMARK(BM_ListScrollStep)->Unit(benchmark::kMicrosecond);

void BM_ListJumpToEnd(benchmark::State& state) {
  kore::bench::App();
  List l;
  bool end = true;
  for (auto _ : state) {
    l.list.SelectRow(end ? l.list.RowCount() - 1 : 0, true);
    end = !end;
    QApplication::processEvents();
  }
}
BENCHMARK(BM_ListJumpToEnd)->Unit(benchmark::kMicrosecond);

// The whole list drawn into an image, without the backing store.
void BM_ListFullRender(benchmark::State& state) {
  kore::bench::App();
  List l;
  QImage image(l.list.size(), QImage::Format_ARGB32_Premultiplied);
  for (auto _ : state) {
    l.list.render(&image);
    benchmark::DoNotOptimize(image.bits());
  }
}
BENCHMARK(BM_ListFullRender)->Unit(benchmark::kMicrosecond);
}  // namespace
