// Random sequences of structural changes: after every step the document is consistent, and
// undoing everything, then redoing everything, gives back exactly the states seen.
#include <random>

#include "song_test_util.h"

namespace kore {
namespace {

struct TrackState {
  int32_t slot;
  TrackProperties properties;
  std::string text;
  friend bool operator==(const TrackState&, const TrackState&) = default;
};

struct SongState {
  std::vector<int32_t> order;
  std::vector<TrackState> tracks;  // in-use slots, ascending
  MidiEventList markers;
  friend bool operator==(const SongState&, const SongState&) = default;
};

SongState Capture(const CMMLDocument& doc) {
  SongState s;
  s.order = test::Order(doc);
  for (int32_t slot = 0; slot < kTrackSlotCount; ++slot) {
    if (!doc.Track(slot).inUse) continue;
    s.tracks.push_back({slot, doc.Track(slot), std::string(doc.TrackText(slot))});
  }
  s.markers = doc.Markers();
  return s;
}

// Everything that must hold between operations.
void ExpectConsistent(const CMMLDocument& doc) {
  std::vector<int32_t> order = test::Order(doc);
  ASSERT_GE(order.size(), 1u);
  std::vector<bool> listed(kTrackSlotCount, false);
  for (int32_t slot : order) {
    ASSERT_TRUE(slot >= 0 && slot < kTrackSlotCount);
    ASSERT_FALSE(listed[slot]) << "slot listed twice";
    listed[slot] = true;
  }
  for (int32_t slot = 0; slot < kTrackSlotCount; ++slot)
    ASSERT_EQ(listed[slot], doc.Track(slot).inUse == 1) << "slot " << slot;
  EXPECT_EQ(doc.Track(kReservedSlot).inUse, 0);
  for (size_t i = 1; i < doc.Markers().size(); ++i)
    ASSERT_LE(doc.Markers()[i - 1].tick, doc.Markers()[i].tick);
  size_t expectedRecords = 0;
  CMMLCompiler compiler(doc.GetTimeBase());
  for (int32_t slot = 0; slot < kTrackSlotCount; ++slot) {
    const CMMLTrack& t = doc.Track(slot);
    ASSERT_GE(t.startMarker, 0);
    ASSERT_LE(t.startMarker, doc.MarkerCount());
    if (!t.inUse) {
      EXPECT_TRUE(t.events.empty());
      continue;
    }
    // The compiled list is what a fresh compile from the current start tick gives.
    MidiEventList events;
    MmlStateList states;
    compiler.Compile(t.Text(), events, states, doc.StartTickOf(slot), false);
    ASSERT_EQ(events.size(), t.events.size()) << "slot " << slot;
    for (size_t i = 0; i < events.size(); ++i)
      ASSERT_EQ(events[i].tick, t.events[i].tick) << "slot " << slot << " record " << i;
    expectedRecords += t.events.size();
    ASSERT_EQ(test::SongRecordsOf(doc, slot).size(), t.events.size());
  }
  EXPECT_EQ(doc.SongEvents().size(), expectedRecords);
  EXPECT_TRUE(doc.CurrentTrack() >= 0 && doc.CurrentTrack() < kTrackSlotCount);
}

const char* kTexts[] = {"c4", "o5l8cdef", "r2g2", "", "t90e1", "c8&c8"};

TEST(DocumentInvariants, RandomEditsUndoAndRedoExactly) {
  std::mt19937 rng(20261206);
  for (int round = 0; round < 60; ++round) {
    CMMLDocument doc;
    doc.NewSong(1 + static_cast<int32_t>(rng() % 4), 32);
    doc.SetTrackText(0, "c4");
    std::vector<SongState> states{Capture(doc)};
    for (int step = 0; step < 30; ++step) {
      std::vector<int32_t> order = test::Order(doc);
      int32_t anySlot = order[rng() % order.size()];
      int32_t markerCount = doc.MarkerCount();
      switch (rng() % 5) {
        case 0: {
          int32_t slot = doc.AddTrack();
          if (slot < 0) continue;
          // Unrecorded edits of the new track: undo must keep them for redo.
          doc.SetTrackText(slot, kTexts[rng() % 6]);
          if (markerCount > 0 && rng() % 2) {
            TrackProperties p = doc.Track(slot);
            p.startMarker = 1 + static_cast<int32_t>(rng() % markerCount);
            ASSERT_EQ(doc.SetTrackProperties(slot, p), 0);
          }
          break;
        }
        case 1: ASSERT_GE(doc.DeleteTrack(anySlot), 0); break;
        case 2: ASSERT_GE(doc.AddMarker(static_cast<int32_t>(rng() % 8) * 32, "m", 1), 1); break;
        case 3:
          if (markerCount == 0) continue;
          ASSERT_EQ(doc.DeleteMarker(1 + static_cast<int32_t>(rng() % markerCount)), 0);
          break;
        case 4:
          if (markerCount == 0) continue;
          ASSERT_GE(doc.UpdateMarker(1 + static_cast<int32_t>(rng() % markerCount),
                                     static_cast<int32_t>(rng() % 8) * 32, "u",
                                     static_cast<int32_t>(rng() % 3)),
                    1);
          break;
      }
      ASSERT_NO_FATAL_FAILURE(ExpectConsistent(doc));
      if (doc.EditNumber() == static_cast<int32_t>(states.size())) {
        states.push_back(Capture(doc));
      } else {
        states.back() = Capture(doc);  // a step that recorded nothing
      }
      ASSERT_EQ(doc.EditNumber() + 1, static_cast<int32_t>(states.size()));
    }
    ASSERT_TRUE(doc.IsModified() || doc.EditNumber() == 0);
    for (int32_t depth = doc.EditNumber(); depth > 0; --depth) {
      ASSERT_TRUE(doc.Undo());
      ASSERT_NO_FATAL_FAILURE(ExpectConsistent(doc));
      ASSERT_EQ(Capture(doc), states[depth - 1]) << "round " << round << " depth " << depth;
    }
    // Back at the state of the new song: only unrecorded property edits leave it modified.
    EXPECT_EQ(doc.IsModified(), doc.IsDirty());
    for (size_t depth = 1; depth < states.size(); ++depth) {
      ASSERT_TRUE(doc.Redo());
      ASSERT_NO_FATAL_FAILURE(ExpectConsistent(doc));
      ASSERT_EQ(Capture(doc), states[depth]) << "round " << round << " redo " << depth;
    }
  }
}

}  // namespace
}  // namespace kore
