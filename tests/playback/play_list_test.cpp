#include <gtest/gtest.h>

#include "playback/play_list.h"
#include "playback/player_clock.h"
#include "tests/playback/song_builder.h"

namespace kore {
namespace {

std::vector<std::pair<int, int>> KindsAndTicks(const MidiEventList& list) {
  std::vector<std::pair<int, int>> out;
  for (auto& e : list) out.emplace_back(static_cast<int>(e.kind), e.tick);
  return out;
}

TEST(ExpandNoteOffs, ReleasesPrecedeEverythingAtTheirTick) {
  auto song = test::SongBuilder().Note(0, 0, 32, 60).Note(0, 32, 32, 62).Note(1, 0, 64, 48)
                  .End(0, 64).End(1, 64).Build();
  auto list = ExpandNoteOffs(song->events);
  // Track 0 note at 0, track 1 note at 0; then the release of 60 before the note at 32; at 64
  // both releases before the EndOfTrack records; the note merged later (62) is released first,
  // since a forward search from it meets the release of 48 and goes in front of it.
  EXPECT_EQ(KindsAndTicks(list), (std::vector<std::pair<int, int>>{
                                     {1, 0}, {1, 0}, {2, 32}, {1, 32}, {2, 64}, {2, 64}, {7, 64}, {7, 64}}));
  EXPECT_EQ(list[4].note, 62);
  EXPECT_EQ(list[5].note, 48);
  EXPECT_EQ(list[2].value, 0);
  EXPECT_EQ(list[2].length, 0);
}

TEST(TickClock, FormulasAndDueMoments) {
  TickClock clock;
  clock.SetTempo(1'000'000'000, 150, 32);
  EXPECT_EQ(clock.countsPerQuarter, 400'000'000);
  clock.baseCounter = 1000;
  clock.baseTick = 10;
  EXPECT_EQ(clock.TickAt(1000), 10);
  EXPECT_EQ(clock.TickAt(1000 + 6'249'999), 10);  // 0.49999 ticks
  EXPECT_EQ(clock.TickAt(1000 + 6'250'000), 11);  // rounds up half a tick early
  EXPECT_EQ(clock.CounterWhenDue(11), 1000 + 6'250'000);
  EXPECT_EQ(clock.CounterWhenDue(13), 1000 + 31'250'000);
  EXPECT_EQ(clock.CounterWhenDue(5), 1000);
  clock.SetTempo(1'000'000'000, 0, 32);  // never divides by zero
  EXPECT_GT(clock.countsPerQuarter, 0);
}

}  // namespace
}  // namespace kore
