#include <gtest/gtest.h>

#include <memory>
#include <random>

#include "mml/midi_event.h"

namespace kore {
namespace {

MidiEvent Rec(MidiEventKind kind, int32_t tick, int32_t channel = -1) {
  MidiEvent e;
  e.kind = kind;
  e.tick = tick;
  e.channel = channel;
  return e;
}

// Literal reading of the merge rule: every record searched from the head of the list.
std::vector<std::pair<int32_t, int32_t>> ReferenceMerge(std::vector<std::pair<int32_t, int32_t>> list,
                                                        const MidiEventList& track, int32_t index) {
  for (const MidiEvent& e : track) {
    auto it = list.begin();
    while (it != list.end() && !(it->first > e.tick || (it->first == e.tick && it->second > index))) ++it;
    list.insert(it, {e.tick, index});
  }
  return list;
}

std::vector<std::pair<int32_t, int32_t>> Keys(const SongEventList& song) {
  std::vector<std::pair<int32_t, int32_t>> keys;
  for (const MidiEvent& e : song) keys.emplace_back(e.tick, e.track);
  return keys;
}

TEST(TimeBase, DerivedValuesTruncateInTheDocumentedOrder) {
  TimeBase tb;
  EXPECT_EQ(tb.TicksOfLength(3, false), 42);  // three third-notes make 126, not 128
  EXPECT_EQ(tb.TicksOfLength(64, true), 3);
  EXPECT_EQ(tb.TicksOfLength(8, true), 24);
  TimeBase waltz{480, 3, 8};
  EXPECT_EQ(waltz.TicksPerMeasure(), 720);
  EXPECT_EQ(waltz.MeasureOf(1439), 1);
  EXPECT_EQ(waltz.TickInMeasure(1439), 719);
}

TEST(ResetEvent, ClearsEveryFieldTextAndData) {
  MidiEvent e = Rec(MidiEventKind::SysEx, 40, 3);
  e.text = "x";
  e.data = {0xF0, 0xF7};
  e.dotted = 1;
  e.outOfRange = 1;
  ResetEvent(e);
  EXPECT_EQ(e, MidiEvent{});
}

TEST(MergeTrack, LowerTrackFirstAtEqualTicksWhateverTheCompileOrder) {
  SongEventList song;
  MidiEventList t2{Rec(MidiEventKind::Note, 0), Rec(MidiEventKind::EndOfTrack, 32, 0)};
  MidiEventList t0{Rec(MidiEventKind::Note, 0), Rec(MidiEventKind::Note, 32),
                   Rec(MidiEventKind::EndOfTrack, 64, 0)};
  MergeTrack(song, t2, 2);
  MergeTrack(song, t0, 0);
  std::vector<std::pair<int32_t, int32_t>> expected{{0, 0}, {0, 2}, {32, 0}, {32, 2}, {64, 0}};
  EXPECT_EQ(Keys(song), expected);
  // The track's own records carry the values written into the copies.
  EXPECT_EQ(t0[1].seq, 1);
  EXPECT_EQ(t0[1].track, 0);
  EXPECT_EQ(t2[0].channel, 2);
  EXPECT_EQ(t2[1].channel, 0);  // an explicit channel is kept
  EXPECT_EQ(song[1].seq, 0);
  EXPECT_EQ(song[1].channel, 2);
}

TEST(MergeTrack, IndexMinusOneKeepsTrackAndMakesChannelZero) {
  SongEventList song;
  MidiEventList list{Rec(MidiEventKind::Marker, 5)};
  list[0].track = 7;
  MergeTrack(song, list, -1);
  EXPECT_EQ(song[0].track, 7);
  EXPECT_EQ(song[0].channel, 0);
}

TEST(ReplaceTrack, OneForwardPassMatchesTheHeadSearchOnRandomSongs) {
  std::mt19937 rng(1234);
  for (int round = 0; round < 200; ++round) {
    SongEventList song;
    std::vector<std::pair<int32_t, int32_t>> reference;
    MidiEventList tracks[16];
    for (int step = 0; step < 12; ++step) {
      int32_t index = static_cast<int32_t>(rng() % 16);
      MidiEventList& list = tracks[index];
      // Half the time the head of the track stays, as when typing at its end.
      list.resize(rng() % 2 ? rng() % (list.size() + 1) : 0);
      int32_t tick = list.empty() ? static_cast<int32_t>(rng() % 8) : list.back().tick;
      int count = static_cast<int>(rng() % 10);
      for (int i = 0; i < count; ++i) {
        list.push_back(Rec(MidiEventKind::Note, tick));
        list.back().value = step * 100 + i;
        tick += static_cast<int32_t>(rng() % 3);  // many equal ticks
      }
      if (step == 6) {
        // A whole-song merge forgets which lists were replaced: the next ones walk the song.
        std::vector<TrackEvents> all;
        for (int32_t t = 0; t < 16; ++t) all.push_back(TrackEvents{&tracks[t], t});
        MergeTracks(song, all);
      }
      std::erase_if(reference, [&](auto& key) { return key.second == index; });
      reference = ReferenceMerge(reference, list, index);
      ReplaceTrack(song, list, index);
      ASSERT_EQ(Keys(song), reference) << "round " << round << " step " << step;
      // Every track's records stay in place and unchanged.
      for (const MidiEvent& e : song) {
        ASSERT_EQ(e, tracks[e.track][e.seq]) << round;
        ASSERT_EQ(e.channel, e.track) << round;
      }
    }
    size_t i = 0;
    for (auto it = song.begin(); it != song.end(); ++it, ++i) ASSERT_EQ(it.index(), i);
    EXPECT_EQ(song.ToVector().size(), song.size());
  }
}

// The song list reads the records where they live: after a track is replaced from another
// list, the old list may go, and its place serves the next list merged.
TEST(ReplaceTrack, ReadsOnlyTheListsMergedLast) {
  SongEventList song;
  MidiEventList t0{Rec(MidiEventKind::Note, 0), Rec(MidiEventKind::EndOfTrack, 10, 0)};
  MergeTrack(song, t0, 0);
  auto first = std::make_unique<MidiEventList>(
      MidiEventList{Rec(MidiEventKind::Rest, 5), Rec(MidiEventKind::EndOfTrack, 8, 0)});
  MergeTrack(song, *first, 1);
  MidiEventList second{Rec(MidiEventKind::Tempo, 3), Rec(MidiEventKind::EndOfTrack, 4, 0)};
  ReplaceTrack(song, second, 1);
  first.reset();
  MidiEventList t2{Rec(MidiEventKind::Note, 6)};
  MergeTrack(song, t2, 2);
  std::string seen;
  for (const MidiEvent& e : song) seen += MidiEventKindName(e.kind) + std::to_string(e.track) + " ";
  EXPECT_EQ(seen, "Note0 Tempo1 EndOfTrack1 Note2 EndOfTrack0 ");
}

TEST(RescaleTicks, RoundsHalfUp) {
  MidiEventList markers{Rec(MidiEventKind::Marker, 1), Rec(MidiEventKind::Marker, 33),
                        Rec(MidiEventKind::Marker, 128)};
  RescaleTicks(markers, 32, 48);  // 1.5 -> 2, 49.5 -> 50
  EXPECT_EQ(markers[0].tick, 2);
  EXPECT_EQ(markers[1].tick, 50);
  EXPECT_EQ(markers[2].tick, 192);
  RescaleTicks(markers, 48, 32);
  EXPECT_EQ(markers[2].tick, 128);
}

TEST(ComputeSteps, SpansRestsAndEndsAtTheTrackEnd) {
  MidiEventList list{Rec(MidiEventKind::Measure, 0), Rec(MidiEventKind::Note, 0),
                     Rec(MidiEventKind::Rest, 32),    Rec(MidiEventKind::Tempo, 64),
                     Rec(MidiEventKind::Note, 64),    Rec(MidiEventKind::EndOfTrack, 96, 0)};
  ComputeSteps(list);
  EXPECT_EQ(list[1].step, 64);
  EXPECT_EQ(list[4].step, 32);
  EXPECT_EQ(list[2].step, 0);
}

}  // namespace
}  // namespace kore
