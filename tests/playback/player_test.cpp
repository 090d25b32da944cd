#include <gtest/gtest.h>

#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include "playback/mml_player.h"
#include "tests/playback/sent.h"
#include "tests/playback/song_builder.h"
#include "tests/support/sim_clock.h"

namespace kore {
namespace {

using test::SimClock;
using test::SongBuilder;
using Bytes = std::vector<uint8_t>;

constexpr int64_t kMs = 1'000'000;

class RecordingObserver : public PlayerObserver {
 public:
  void PlayerStarted() override { Add("Started"); }
  void PlayerSeeked(int32_t tick) override {
    Add("Seeked " + std::to_string(tick));
    if (onSeek) onSeek();
  }
  void PlayerLooped(int32_t tick) override {
    Add("Looped " + std::to_string(tick));
    if (onLoop) onLoop();
  }
  void PlayerFinished(uint64_t) override { Add("Finished"); }
  std::vector<std::string> Events() {
    std::lock_guard lock(mutex_);
    return events_;
  }
  std::function<void()> onLoop, onSeek;  // run on the player thread

 private:
  void Add(std::string e) {
    std::lock_guard lock(mutex_);
    events_.push_back(std::move(e));
  }
  std::mutex mutex_;
  std::vector<std::string> events_;
};

class PlayerTest : public ::testing::Test {
 protected:
  PlayerTest() : device_([this] { return clock_.Now(); }), player_(&clock_) {
    player_.SetObserver(&observer_);
    player_.SetDevice(&device_);
  }

  void Run(std::shared_ptr<PlaybackSong> song, int32_t startTick = 0, bool loop = false) {
    player_.SetSong(std::move(song));
    ASSERT_EQ(player_.StartPlayback(startTick, loop), 0);
    Finish();
  }
  void Finish() {
    ASSERT_TRUE(player_.WaitForFinish(20'000));
    player_.HandleFinished();
    EXPECT_FALSE(player_.IsPlaying());
    EXPECT_FALSE(player_.IsBusy());
  }
  // Channel messages only (note-on and note-off), without the end-of-play controller sweep.
  std::vector<CRecordingMidiDevice::Message> Notes() {
    std::vector<CRecordingMidiDevice::Message> out;
    for (auto& m : device_.Messages()) {
      const uint8_t kind = m.bytes[0] & 0xF0;
      if (kind == 0x80 || kind == 0x90) out.push_back(m);
    }
    return out;
  }

  SimClock clock_;
  CRecordingMidiDevice device_;
  RecordingObserver observer_;
  CMMLPlayer player_;
};

// 120 bpm at 32 ticks per quarter: a tick is 15.625 ms; a record of tick T falls due when the
// rounded now-tick reaches it, half a tick early.
double DueMs(int32_t tick, double msPerTick) { return tick == 0 ? 0.0 : (tick - 0.5) * msPerTick; }

TEST_F(PlayerTest, NothingLeftAtStartEndsAtOnceWithChannelSweep) {
  auto song = SongBuilder().Note(0, 0, 32, 60).End(0, 32).Build();
  Run(song, 64);
  auto messages = device_.Messages();
  ASSERT_EQ(messages.size(), 32u);  // no notes: CC123/127 and CC64/0 on every channel
  for (uint8_t ch = 0; ch < 16; ++ch) {
    EXPECT_EQ(messages[2 * ch].bytes, (Bytes{static_cast<uint8_t>(0xB0 | ch), 123, 127}));
    EXPECT_EQ(messages[2 * ch + 1].bytes, (Bytes{static_cast<uint8_t>(0xB0 | ch), 64, 0}));
  }
  EXPECT_EQ(observer_.Events(), (std::vector<std::string>{"Started", "Finished"}));
  EXPECT_LT(clock_.Now(), 50 * kMs);
}

TEST_F(PlayerTest, ReleaseGoesOutBeforeTheNextNoteOfTheSameTickAndOnTime) {
  auto song = SongBuilder().Note(0, 0, 32, 60).Note(0, 32, 32, 60).End(0, 64).Build();
  Run(song);
  auto notes = Notes();
  ASSERT_EQ(test::Sent(notes), "90 3C 7F,80 3C 00,90 3C 7F,80 3C 00,");
  const double tickMs = 15.625;
  const double expected[] = {DueMs(0, tickMs), DueMs(32, tickMs), DueMs(32, tickMs), DueMs(64, tickMs)};
  for (size_t i = 0; i < 4; ++i) {
    const double at = notes[i].timeNs / 1e6;
    EXPECT_GE(at, expected[i]) << i;
    EXPECT_LT(at, expected[i] + 0.1) << i;
  }
}

TEST_F(PlayerTest, CoarseTicksAreNotSleptThrough) {
  // 150 bpm, 32 per quarter: 12.5 ms a tick, tick 1 due at 6.25 ms. A truncating look-ahead
  // would sleep 10 ms first and send it 3.75 ms late.
  auto song = SongBuilder().Tempo(0, 0, 150).Note(0, 1, 1, 60).Note(0, 3, 1, 62).End(0, 8).Build();
  Run(song);
  auto notes = Notes();
  ASSERT_EQ(notes.size(), 4u);
  const double dues[] = {6.25, 18.75, 31.25, 43.75};
  for (size_t i = 0; i < 4; ++i) {
    // Late only by the simulated cost of a few counter reads.
    EXPECT_GE(notes[i].timeNs / 1e6, dues[i]) << i;
    EXPECT_LT(notes[i].timeNs / 1e6, dues[i] + 0.15) << i;
  }
}

TEST_F(PlayerTest, VolumeStepZeroSendsOnlyANoteOffAtItsStart) {
  auto song = SongBuilder().Note(0, 0, 32, 60, 8).Note(0, 32, 32, 64, 0).End(0, 64).Build();
  clock_.At(20 * kMs, [&] { EXPECT_EQ(player_.Level(0), 67); });
  clock_.At(500 * kMs, [&] {
    EXPECT_EQ(player_.Level(0), 0);
    EXPECT_EQ(player_.KeysHigh(0), 0u);
  });
  Run(song);
  auto notes = Notes();
  // The silent note: a note-off at its start, and its own release.
  ASSERT_EQ(test::Sent(notes), "90 3C 43,80 3C 00,80 40 00,80 40 00,");
  EXPECT_NEAR(notes[2].timeNs / 1e6, DueMs(32, 15.625), 0.1);
}

TEST_F(PlayerTest, MutedTrackSendsNoNoteOnButKeepsReleasesKeysAndLevels) {
  auto song = SongBuilder().Note(0, 0, 64, 60).Note(1, 0, 256, 72).End(0, 64).End(1, 256).Muted(1).Build();
  int32_t levelSeen = -1;
  uint64_t keysSeen = 0;
  clock_.At(100 * kMs, [&] {
    levelSeen = player_.Level(1);
    keysSeen = player_.KeysHigh(1);
    player_.Stop();  // the muted note is still sounding: its flush sends nothing
  });
  Run(song);
  EXPECT_EQ(levelSeen, 127);
  EXPECT_EQ(keysSeen, uint64_t{1} << (72 - 64));
  for (auto& m : Notes()) EXPECT_EQ(m.bytes[0] & 0x0F, 0) << "nothing on the muted channel";

  // Played to the end, the muted track's NoteOff record still goes out.
  device_.ClearMessages();
  Run(song);
  EXPECT_EQ(test::Sent(Notes()), "90 3C 7F,80 3C 00,81 48 00,");
}

TEST_F(PlayerTest, StartingAfterATempoChangeUsesItAndTempoChangesRebase) {
  // 180 bpm at 32 per quarter: a tick is 60000 / 180 / 32 = 10.4167 ms.
  auto song = SongBuilder().Tempo(0, 0, 180).Note(0, 64, 32, 60).Note(0, 96, 32, 62)
                  .Tempo(0, 128, 60).Note(0, 128, 32, 64).End(0, 160).Build();
  Run(song, 64);
  EXPECT_EQ(observer_.Events().front(), "Started");
  auto notes = Notes();
  ASSERT_EQ(notes.size(), 6u);
  const double tick180 = 60000.0 / 180 / 32;
  EXPECT_NEAR(notes[0].timeNs / 1e6, 0.0, 0.1);
  EXPECT_NEAR(notes[2].timeNs / 1e6, (32 - 0.5) * tick180, 0.1);  // second note-on
  // The Tempo record at 128 is dispatched at its due moment and re-bases the clock there: the
  // release at 160 follows 32 ticks of 60 bpm (31.25 ms) later.
  const double rebase = (64 - 0.5) * tick180;
  EXPECT_NEAR(notes[5].timeNs / 1e6, rebase + (32 - 0.5) * 31.25, 0.2);
}

TEST_F(PlayerTest, TempoOfZeroBeforeTheStartIsIgnored) {
  auto song = SongBuilder().Tempo(0, 0, 90).Tempo(0, 16, 0).Note(0, 32, 32, 60).End(0, 64).Build();
  Run(song, 32);
  auto notes = Notes();
  ASSERT_EQ(notes.size(), 2u);
  EXPECT_NEAR(notes[1].timeNs / 1e6, (32 - 0.5) * (60000.0 / 90 / 32), 0.1);
}

TEST_F(PlayerTest, DispatchSendsControllersProgramsBendsAndSysEx) {
  SongBuilder b;
  b.Program(2, 0, 200).Control(2, 0, 7, 100).SysEx(2, 0, {0xF0, 0x7E, 0x7F, 0x09, 0x01, 0xF7})
      .Bend(2, 2, 0x10, 0x45).End(2, 4);
  auto song = b.Build();
  int32_t row = -1;
  clock_.At(60 * kMs, [&] { row = player_.TrackRow(2); });  // after the end, before the clean-up
  Run(song);
  EXPECT_EQ(row, 4);  // the EndOfTrack record, fifth of the track
  EXPECT_EQ(player_.TrackRow(2), 0);  // cleared by the after-stop clean-up
  auto messages = device_.Messages();
  ASSERT_GE(messages.size(), 4u);
  EXPECT_EQ(test::Sent({messages.begin(), messages.begin() + 4}),
            "C2 48,B2 07 64,F0 7E 7F 09 01 F7,E2 10 45,");  // program 200 & 127
  EXPECT_EQ(messages[0].track, 2);
  EXPECT_EQ(messages.back().track, -1);
}

TEST(PlayerMeasureArithmetic, BackForwardAndRewindWhileStopped) {
  SimClock clock;
  CMMLPlayer player(&clock);
  player.SetSong(SongBuilder(480).Note(0, 0, 480, 60).End(0, 5000).Build());
  const struct {
    int32_t from;
    void (CMMLPlayer::*step)();
    int32_t to;
  } rows[] = {{700, &CMMLPlayer::BackOneMeasure, 0},      {4000, &CMMLPlayer::BackOneMeasure, 1920},
              {1920, &CMMLPlayer::ForwardOneMeasure, 3840}, {3840, &CMMLPlayer::ForwardOneMeasure, 5000},
              {3840, &CMMLPlayer::Rewind, 0}};  // forward never goes past the end of the longest track
  for (const auto& row : rows) {
    player.SetStartPosition(row.from);
    (player.*row.step)();
    EXPECT_EQ(player.PlayStartTick(), row.to) << row.from;
  }
}

TEST_F(PlayerTest, BackOneMeasureWhilePlayingSeeksByWholeMeasures) {
  // 480 per quarter at 120 bpm: a tick is 1.0417 ms; M = 1920.
  auto song = SongBuilder(480).Note(0, 0, 8000, 60).End(0, 8000).Build();
  const double tickMs = 500.0 / 480;
  clock_.At(static_cast<int64_t>(700.2 * tickMs * kMs), [&] { player_.BackOneMeasure(); });
  clock_.At(static_cast<int64_t>(1500 * tickMs * kMs), [&] {
    player_.SetStartPosition(0);  // harmless while playing: only the next Play uses it
  });
  clock_.At(static_cast<int64_t>(4700.2 * tickMs * kMs), [&] { player_.BackOneMeasure(); });
  clock_.At(static_cast<int64_t>(4900 * tickMs * kMs), [&] { player_.ForwardOneMeasure(); });
  clock_.At(static_cast<int64_t>(5100 * tickMs * kMs), [&] { player_.Stop(); });
  Run(song);
  // 700 -> 0; then 4000 ticks after the jump (tick 4000) -> 1920; 200 ticks later (2120) -> 3840.
  EXPECT_EQ(observer_.Events(),
            (std::vector<std::string>{"Started", "Seeked 0", "Seeked 1920", "Seeked 3840", "Finished"}));
}

TEST_F(PlayerTest, LoopRestartsAtTheStartTickWithLoopedThenStarted) {
  auto song = SongBuilder().Note(0, 0, 32, 60).Note(0, 32, 32, 62).End(0, 64).Build();
  int loops = 0;
  observer_.onLoop = [&] {
    if (++loops == 2) player_.SetLoop(false);
  };
  Run(song, 32, true);
  EXPECT_EQ(observer_.Events(),
            (std::vector<std::string>{"Started", "Looped 32", "Started", "Looped 32", "Started", "Finished"}));
  // Each pass from 32: the release of the note begun at 0, then the note at 32 and its release.
  EXPECT_EQ(test::Sent(Notes()), "80 3C 00,90 3E 7F,80 3E 00,80 3C 00,90 3E 7F,80 3E 00,"
                           "80 3C 00,90 3E 7F,80 3E 00,");
}

TEST_F(PlayerTest, PauseThenPlayContinuesStopThenPlayRestarts) {
  auto song = SongBuilder().Note(0, 0, 32, 60).Note(0, 32, 32, 62).Note(0, 64, 32, 64).End(0, 96).Build();
  player_.SetSong(song);
  player_.SetStartPosition(0);
  clock_.At(40 * 15625 * 1000LL, [&] { player_.Pause(); });  // tick 40
  player_.Play();
  Finish();
  EXPECT_EQ(player_.PlayStartTick(), 40);
  device_.ClearMessages();
  player_.Play();
  Finish();
  // The release at 64 of the note begun at 32, then the note at 64.
  auto notes = Notes();
  ASSERT_EQ(test::Sent(notes), "80 3E 00,90 40 7F,80 40 00,");
  EXPECT_NEAR(notes[1].timeNs / 1e6 - notes[0].timeNs / 1e6, 0.0, 0.1);

  // Stop keeps the start position.
  const int64_t now = clock_.Now();
  clock_.At(now + 20 * kMs, [&] { player_.Stop(); });
  player_.Play();
  Finish();
  EXPECT_EQ(player_.PlayStartTick(), 40);
}

TEST_F(PlayerTest, SeekForwardKeepsALongNoteBackwardSilencesEverything) {
  auto song = SongBuilder().Note(0, 0, 256, 60).Note(1, 0, 16, 48).Note(1, 200, 16, 50)
                  .End(0, 256).End(1, 216).Build();
  // Forward from tick 20 to 128 (F6 with 4/4 at 32 per quarter: M = 128).
  clock_.At(20 * 15625 * 1000LL, [&] { player_.ForwardOneMeasure(); });
  Run(song);
  auto notes = Notes();
  // on 60, on 48, off 48 (its release at 16), then nothing at the seek: 60 goes on sounding.
  ASSERT_GE(notes.size(), 4u);
  EXPECT_EQ(notes[2].bytes, (Bytes{0x81, 48, 0}));
  EXPECT_EQ(notes[3].bytes, (Bytes{0x91, 50, 127}));
  EXPECT_EQ(notes.back().bytes, (Bytes{0x80, 60, 0}));
  int offs60 = 0;
  for (auto& m : notes) offs60 += (m.bytes == Bytes{0x80, 60, 0});
  EXPECT_EQ(offs60, 1);

  // Backward from tick 150 to 0 silences the long note at once.
  device_.ClearMessages();
  const int64_t base = clock_.Now();
  clock_.At(base + 150 * 15625 * 1000LL, [&] { player_.Rewind(); });
  clock_.At(base + 170 * 15625 * 1000LL, [&] { player_.Stop(); });
  player_.StartPlayback(0, false);
  Finish();
  notes = Notes();
  ASSERT_GE(notes.size(), 5u);
  EXPECT_EQ(notes[3].bytes, (Bytes{0x80, 60, 0}));  // the flush at the seek
  // A command is seen at the next pass: at most one 10 ms sleep later.
  EXPECT_GE(notes[3].timeNs - base, 150 * 15.625 * kMs);
  EXPECT_LT(notes[3].timeNs - base, 150 * 15.625 * kMs + 11 * kMs);
  EXPECT_EQ(notes[4].bytes, (Bytes{0x90, 60, 127}));  // played again from 0
}

TEST(PlayerStart, FailsWithoutDeviceAndChangesNothing) {
  SimClock clock;
  CMMLPlayer player(&clock);
  player.SetSong(SongBuilder().Note(0, 0, 32, 60).End(0, 32).Build());
  EXPECT_EQ(player.StartPlayback(0, false), 1);
  EXPECT_FALSE(player.IsPlaying());
  EXPECT_FALSE(player.IsBusy());
  player.SetDeviceOpener([] { return nullptr; });
  EXPECT_EQ(player.StartPlayback(0, false), 1);
}

TEST(PlayerRefresh, FrameHookRunsWhilePlayingUnderTheViewLock) {
  // The real clock: the refresh thread samples at 60 frames a second.
  CRecordingMidiDevice device;
  CMMLPlayer player;
  player.SetDevice(&device);
  player.SetSong(SongBuilder().Tempo(0, 0, 240).Note(0, 0, 32, 60).End(0, 32).Build());
  player.SetFrameRate(60);
  std::atomic<int> frames{0};
  player.SetFrameHook([&] {
    EXPECT_FALSE(player.ViewLock().try_lock());
    frames.fetch_add(1);
  });
  ASSERT_EQ(player.StartPlayback(0, false), 0);
  ASSERT_TRUE(player.WaitForFinish(5000));
  player.HandleFinished();
  EXPECT_GE(frames.load(), 5);  // about 250 ms of playback
}

// Stop pressed the moment the seek is acknowledged must not be overwritten when the thread puts
// its command back to Run.
TEST_F(PlayerTest, StopRightAfterSeekedIsNotLost) {
  observer_.onSeek = [this] { player_.Stop(); };
  SongBuilder b;
  for (int i = 0; i < 64; ++i) b.Note(0, i * 8, 8, 60);
  clock_.At(20 * kMs, [&] { player_.ForwardOneMeasure(); });
  Run(b.End(0, 512).Build());
  // Stopped at the seek target (tick 128): no note was begun after the seek.
  EXPECT_LT(clock_.Now(), 100 * kMs);
  int noteOns = 0;
  for (auto& m : device_.Messages()) {
    if (m.bytes[0] == 0x90) {
      ++noteOns;
      EXPECT_LT(m.timeNs, 20 * kMs);
    }
  }
  EXPECT_EQ(noteOns, 1);
}

}  // namespace
}  // namespace kore
