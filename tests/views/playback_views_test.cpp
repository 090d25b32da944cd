#include <gtest/gtest.h>

#include <QCoreApplication>
#include <condition_variable>
#include <mutex>

#include "playback/mml_player.h"
#include "song/loaded_song.h"
#include "song/song_file.h"
#include "tests/playback/sim_clock.h"
#include "tests/views/view_test_util.h"
#include "views/event_list.h"
#include "views/measure_display.h"
#include "views/piano_keys.h"
#include "views/piano_roll.h"
#include "views/playback_refresh.h"
#include "views/player_bridge.h"

namespace kore {
namespace {

// The demo song played on a simulated clock into a recording device; the player thread is held
// mid-song while the GUI thread takes frames, then let go.
TEST(PlaybackViewsTest, FramesShowWhatThePlayerThreadHasDone) {
  test::EnsureQtApp();
  CMMLDocument document;
  LoadedSong loaded;
  ASSERT_EQ(ReadSongFile(KORE_SOURCE_DIR "/data/demo.mml", loaded), 0);
  LoadIntoDocument(loaded, document, "demo.mml");

  test::SimClock clock;
  CRecordingMidiDevice device;
  device.Open(0);
  CMMLPlayer player(&clock);
  PlayerBridge bridge;
  QObject::connect(&bridge, &PlayerBridge::finished, [&] { player.HandleFinished(); });
  player.SetObserver(&bridge);
  player.SetDevice(&device);
  player.SetMessagePump([] { QCoreApplication::processEvents(); });
  player.SetSong(std::make_shared<PlaybackSong>(MakePlaybackSong(document)));

  CPianoRollCtrl roll;
  CCodeListCtrl list;
  CPianoKeyCtrl keys;
  CDigitCtrl measure;
  roll.resize(800, 400);
  list.resize(400, 300);
  roll.SetDocument(&document);
  list.SetDocument(&document);
  views::PlayerStateOfPlayer state(player, clock);
  PlaybackViewRefresh refresh(document, state, {&roll, &list, &keys, &measure, nullptr});

  std::mutex mutex;
  std::condition_variable cv;
  int holds = 0;
  bool release = false;
  auto hold = [&] {
    std::unique_lock lock(mutex);
    ++holds;
    cv.notify_all();
    cv.wait(lock, [&] { return release; });
    release = false;
  };
  const int64_t second = 1'000'000'000;
  clock.At(5 * second + second / 3, hold);  // 120 bpm, 2 s a measure: inside measure 2
  clock.At(9 * second + second / 7, hold);  // inside measure 4
  ASSERT_EQ(player.StartPlayback(0, false), 0);
  for (int expected = 1; expected <= 2; ++expected) {
    while (true) {
      {
        std::lock_guard lock(mutex);
        if (holds == expected) break;
      }
      QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    }
    for (int slot = 0; slot < 3; ++slot) {
      document.SetCurrentTrack(slot);
      refresh.Frame();
      const int32_t tick = player.CurrentTick();
      EXPECT_EQ(roll.PlayCursor(), tick) << expected;
      EXPECT_TRUE(roll.Geometry().IsTickVisible(tick)) << expected;
      EXPECT_EQ(list.SelectedRow(), player.TrackRow(slot)) << expected << " slot " << slot;
      uint64_t low = 0, high = 0;
      for (int s = 0; s < kTrackSlotCount; ++s) {
        low |= player.KeysLow(s);
        high |= player.KeysHigh(s);
      }
      EXPECT_NE(low | high, 0u) << "something sounds";
      const std::array<uint32_t, 4> words = {uint32_t(low), uint32_t(low >> 32), uint32_t(high),
                                             uint32_t(high >> 32)};
      EXPECT_EQ(keys.Keys(), words);
      EXPECT_EQ(measure.Text().left(4).toInt(), tick / document.GetTimeBase().TicksPerMeasure());
    }
    std::lock_guard lock(mutex);
    release = true;
    cv.notify_all();
  }
  player.StopPlayback();
  EXPECT_EQ(player.Command(), PlayerCommand::Stop);
}

}  // namespace
}  // namespace kore
