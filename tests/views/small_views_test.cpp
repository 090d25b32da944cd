#include <gtest/gtest.h>

#include <QAccessible>
#include <QSignalSpy>

#include "tests/views/view_test_util.h"
#include "views/accessible_rows.h"
#include "views/event_list.h"
#include "views/measure_display.h"
#include "views/monitor.h"
#include "views/piano_keys.h"
#include "views/piano_roll.h"
#include "views/playback_refresh.h"

namespace kore {
namespace {

// Player values set by hand, on a clock the test moves.
struct FakeState : views::PlayerStateSource {
  bool running = true;
  int32_t tick = 0, tempo = 120;
  std::array<int32_t, 16> rows{}, levels{};
  std::array<uint64_t, 16> low{}, high{};
  std::array<int64_t, 16> on{}, off{};
  int64_t now = 0;
  bool Running() const override { return running; }
  int32_t CurrentTick() const override { return tick; }
  int32_t CurrentTempo() const override { return tempo; }
  int32_t TrackRow(int32_t s) const override { return rows[s]; }
  int32_t Level(int32_t s) const override { return levels[s]; }
  uint64_t KeysLow(int32_t s) const override { return low[s]; }
  uint64_t KeysHigh(int32_t s) const override { return high[s]; }
  int64_t NoteOnTime(int32_t s) const override { return on[s]; }
  int64_t NoteOffTime(int32_t s) const override { return off[s]; }
  int64_t NowMs() const override { return now; }
};

struct SmallViewsTest : test::WithQtApp, ::testing::Test {};

TEST_F(SmallViewsTest, KeyboardMarksOnlyNotes24To118) {
  CPianoKeyCtrl keys;
  const QImage plain = test::Grab(keys);
  EXPECT_EQ(QColor(plain.pixel(1 + 228, 1 + 5)), QColor(Qt::white)) << "eight octaves only";
  keys.SetKeys(0, 0);
  keys.SetKeys({1u << 23, 0, 0, 1u << (119 - 96)});
  EXPECT_EQ(test::Grab(keys), plain) << "23 and 119 never light";
  keys.SetKeys({0, 1u << (60 - 32), 0, 0});
  const QImage marked = test::Grab(keys);
  QRect changed;
  for (int y = 0; y < plain.height(); ++y)
    for (int x = 0; x < plain.width(); ++x)
      if (plain.pixel(x, y) != marked.pixel(x, y)) changed |= QRect(x, y, 1, 1);
  EXPECT_EQ(changed, QRect(87, 15, 3, 11));
  keys.SetKeys(uint64_t{1} << 61, 0);  // the black key after note 60, marked at (88, 2)
  EXPECT_EQ(QColor(test::Grab(keys).pixel(1 + 88, 1 + 2)), QColor(255, 0, 169));
}

struct MonitorTest : SmallViewsTest {
  std::unique_ptr<CMMLDocument> document = test::SongOf({"c", "d", "e"});
  FakeState state;
  CMidiMoniterCtrl monitor;
  MonitorTest() {
    monitor.SetDocument(document.get());
    monitor.SetPlayerState(&state);
  }
  int LitOnGrab(int row) {
    const QImage image = test::Grab(monitor);
    const QRect meter = monitor.MeterRect(row);
    int lit = 0;
    for (int x = meter.left(); x <= meter.right(); ++x)
      lit += QColor(image.pixel(x, meter.top() + 1)) == QColor(82, 145, 255);
    return lit;
  }
};

TEST_F(MonitorTest, MeterDecaysOnTheClockAndKeysLight) {
  struct Row {
    const char* name;
    int level;
    int64_t on, off, now;
    int segments;
  };
  const Row rows[] = {
      {"held 7.5 s", 127, 0, -1, 7500, 30},
      {"released, 300 ms on", 127, 0, 300, 600, 26},
      {"released, 600 ms on", 127, 0, 300, 900, 0},
      {"volume 0", 0, 0, -1, 10, 0},
      {"just struck", 127, 1000, -1, 1000, 60},
  };
  for (const Row& r : rows) {
    state.levels[1] = r.level;
    state.on[1] = r.on;
    state.off[1] = r.off;
    state.now = r.now;
    EXPECT_EQ(monitor.Segments(1), r.segments) << r.name;
    EXPECT_EQ(LitOnGrab(1), r.segments) << r.name;
  }
  // A sounding C#1, the first black key; D#1 beside it stays black.
  state.low[0] = uint64_t{1} << 25;
  const QImage keys = test::Grab(monitor);
  EXPECT_EQ(QColor(keys.pixel(CMidiMoniterCtrl::kKeysX + 2, 17)), QColor(255, 0, 169));
  EXPECT_EQ(QColor(keys.pixel(CMidiMoniterCtrl::kKeysX + 6, 17)), QColor(Qt::black));
}

TEST_F(MonitorTest, WindowRowsAndAccessibility) {
  EXPECT_TRUE(monitor.isWindow());
  EXPECT_EQ(monitor.windowTitle(), QString::fromUtf8("演奏モニタ 実験版"));
  EXPECT_EQ(monitor.size(), QSize(317, 416));
  EXPECT_EQ(monitor.Slots(), (std::vector<int32_t>{0, 1, 2}));
  document->DeleteTrack(1);
  EXPECT_EQ(monitor.Slots(), (std::vector<int32_t>{0, 2}));
  QAccessibleInterface* window = QAccessible::queryAccessibleInterface(&monitor);
  ASSERT_NE(window, nullptr);
  EXPECT_EQ(window->role(), QAccessible::Window);
  QAccessibleInterface* list = QAccessible::queryAccessibleInterface(monitor.RowsWidget());
  ASSERT_NE(list, nullptr);
  EXPECT_EQ(list->role(), QAccessible::List);
  ASSERT_EQ(list->childCount(), 2);
  state.levels[2] = 127;
  state.off[2] = -1;
  EXPECT_EQ(list->child(1)->text(QAccessible::Name), "Track3, 105, 60");
  auto* rows = dynamic_cast<views::AccessibleRowsHost*>(monitor.RowsWidget());
  ASSERT_NE(rows, nullptr);
  EXPECT_FALSE(rows->CellRect(1, 0).isEmpty());
  EXPECT_TRUE(rows->CellRect(2, 0).isEmpty()) << "no place for a row past the list";
  QSignalSpy visible(&monitor, &CMidiMoniterCtrl::visibilityChanged);
  monitor.show();
  EXPECT_TRUE(monitor.close()) << "a refused close would also refuse the application's quit";
  EXPECT_FALSE(monitor.isVisible());
  ASSERT_EQ(visible.count(), 2);
  EXPECT_FALSE(visible.at(1).at(0).toBool());
  monitor.MoveTo(-50000, -50000);
  EXPECT_TRUE(QGuiApplication::screenAt(monitor.pos()) != nullptr);
}

TEST_F(MonitorTest, FrameMovesEveryViewWhileRunningOnly) {
  CPianoRollCtrl roll;
  CCodeListCtrl list;
  CPianoKeyCtrl keys;
  CDigitCtrl measure;
  document->SetTrackText(0, "l1 cccccccccccccccccccc");
  roll.resize(600, 300);
  list.resize(400, 300);
  roll.SetDocument(document.get());
  list.SetDocument(document.get());
  PlaybackViewRefresh refresh(*document, state, {&roll, &list, &keys, &measure, &monitor});
  QSignalSpy played(&refresh, &PlaybackViewRefresh::rowPlayed);
  state.tick = 2000;
  state.tempo = 96;  // two digits: padded
  state.low[0] = 1;
  state.low[2] = uint64_t{1} << 40;
  state.high[1] = 2;
  state.rows = {2, 1, 1};
  state.running = false;
  refresh.Frame();
  EXPECT_EQ(roll.PlayCursor(), -1);
  EXPECT_EQ(played.count(), 0);
  state.running = true;
  refresh.Frame();
  EXPECT_EQ(roll.PlayCursor(), 2000);
  EXPECT_TRUE(roll.Geometry().IsTickVisible(2000));
  EXPECT_EQ(keys.Keys(), (std::array<uint32_t, 4>{1, 1u << 8, 2, 0}));
  EXPECT_EQ(measure.accessibleName(), QString::fromUtf8("小節表示 0015:0080 Meas  96 bpm"));
  EXPECT_EQ(list.SelectedRow(), 2);
  ASSERT_EQ(played.count(), 1);
  EXPECT_EQ(played.at(0).at(1).toInt(), 2);
  PlaybackViewRefresh bare(*document, state, {});  // every view is optional
  QSignalSpy barePlayed(&bare, &PlaybackViewRefresh::rowPlayed);
  bare.Frame();
  EXPECT_EQ(barePlayed.count(), 1);
  refresh.Frame();
  EXPECT_EQ(played.count(), 1) << "an unchanged row is not reported again";
  document->SetCurrentTrack(1);
  refresh.Frame();
  ASSERT_EQ(played.count(), 2);
  EXPECT_EQ(played.at(1).at(0).toInt(), 1);
  refresh.ShowStopped(64);
  EXPECT_EQ(roll.PlayCursor(), -1);
  EXPECT_EQ(roll.StartMark(), 64);
  EXPECT_EQ(keys.Keys(), (std::array<uint32_t, 4>{}));
  EXPECT_EQ(measure.Text(), "0000:0064 Meas 120 bpm");
  measure.SetPosition(3, 64, 120);  // only the measure moved
  EXPECT_EQ(measure.Text(), "0003:0064 Meas 120 bpm");
}

}  // namespace
}  // namespace kore
