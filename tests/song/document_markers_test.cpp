// Markers: the song-start marker, sorted insertion and the startMarker bookkeeping of all slots.
#include "document_test_util.h"

namespace kore {
namespace {

using test::FirstNoteTick;
using test::StartMarkers;

std::vector<int32_t> MarkerTicks(const CMMLDocument& doc) {
  std::vector<int32_t> ticks;
  for (const MidiEvent& m : doc.Markers()) ticks.push_back(m.tick);
  return ticks;
}

// Three markers at 128, 256, 384; track 0 starts at the second, track 1 at the third.
class MarkerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    doc.NewSong(3, 32);
    doc.AddMarker(128, "A", kDefaultMarkerColour);
    doc.AddMarker(384, "C", kDefaultMarkerColour);
    doc.AddMarker(256, "B", 0x00FF00);
    doc.SetTrackText(0, "c4");
    doc.SetTrackText(1, "d4");
    doc.SetTrackText(2, "e4");
    SetStart(0, 2);
    SetStart(1, 3);
    // A deleted slot keeps its reference and must be kept pointing at the same marker too.
    SetStart(7, 2);
    doc.MarkSaved();
    doc.ClearUndoHistory();
  }
  void SetStart(int32_t slot, int32_t k) {
    TrackProperties p = doc.Track(slot);
    p.startMarker = k;
    ASSERT_EQ(doc.SetTrackProperties(slot, p), 0);
  }
  CMMLDocument doc;
};

TEST(DocumentGetMarker, ZeroIsTheSongStartAndOthersAreCopies) {
  CMMLDocument doc;
  MidiEvent m;
  ASSERT_TRUE(doc.GetMarker(0, m));
  EXPECT_EQ(m.kind, MidiEventKind::Marker);
  EXPECT_EQ(m.tick, 0);
  EXPECT_EQ(m.value, 0x2828E0);
  EXPECT_EQ(m.text, Sjis("先頭"));
  EXPECT_FALSE(doc.GetMarker(1, m));
  EXPECT_FALSE(doc.GetMarker(-1, m));
  doc.AddMarker(64, Sjis("サビ"), 0x123456);
  ASSERT_TRUE(doc.GetMarker(1, m));
  EXPECT_EQ(m.tick, 64);
  EXPECT_EQ(m.text, Sjis("サビ"));
  EXPECT_EQ(m.value, 0x123456);
  EXPECT_FALSE(doc.GetMarker(2, m));
  // The song-start marker is not in the list.
  EXPECT_EQ(doc.MarkerCount(), 1);
  EXPECT_EQ(NewMarkerName(), Sjis("新規マーカー"));
}

TEST_F(MarkerTest, MarkersAreSortedAndTracksStartAtTheirMarker) {
  EXPECT_EQ(MarkerTicks(doc), (std::vector<int32_t>{128, 256, 384}));
  EXPECT_EQ(doc.Markers()[1].text, "B");
  EXPECT_EQ(FirstNoteTick(doc, 0), 256);
  EXPECT_EQ(FirstNoteTick(doc, 1), 384);
  EXPECT_EQ(FirstNoteTick(doc, 2), 0);
}

TEST_F(MarkerTest, AddingAtAnUsedTickGoesFirstAndReferencesMoveUp) {
  int32_t k = doc.AddMarker(256, "B2", kDefaultMarkerColour);
  EXPECT_EQ(k, 2);
  EXPECT_EQ(doc.Markers()[1].text, "B2");
  EXPECT_EQ(doc.Markers()[2].text, "B");
  EXPECT_EQ(doc.Track(0).startMarker, 3);  // still "B"
  EXPECT_EQ(doc.Track(1).startMarker, 4);  // still "C"
  EXPECT_EQ(doc.Track(7).startMarker, 3);  // deleted slots follow too
  EXPECT_EQ(doc.Track(2).startMarker, 0);
  EXPECT_EQ(FirstNoteTick(doc, 0), 256);
  EXPECT_EQ(FirstNoteTick(doc, 1), 384);
}

TEST_F(MarkerTest, AddingAtTheEndAndRecordsUndo) {
  EXPECT_EQ(doc.AddMarker(1000, "Z", 1), 4);
  EXPECT_EQ(doc.Track(1).startMarker, 3);
  ASSERT_EQ(doc.UndoStack().size(), 1u);
  EXPECT_EQ(doc.UndoStack()[0].kind, UndoKind::MarkerAdded);
  EXPECT_EQ(doc.UndoStack()[0].position, 4);
  EXPECT_TRUE(doc.IsModified());
  EXPECT_EQ(doc.AddMarker(-1, "bad", 1), -1);
  EXPECT_EQ(doc.MarkerCount(), 4);
}

TEST_F(MarkerTest, DeletingMovesItsTracksToTheSongStart) {
  EXPECT_EQ(doc.DeleteMarker(2), 0);
  EXPECT_EQ(MarkerTicks(doc), (std::vector<int32_t>{128, 384}));
  EXPECT_EQ(doc.Track(0).startMarker, 0);
  EXPECT_EQ(doc.Track(7).startMarker, 0);
  EXPECT_EQ(doc.Track(1).startMarker, 2);  // still "C"
  EXPECT_EQ(FirstNoteTick(doc, 0), 0);
  EXPECT_EQ(FirstNoteTick(doc, 1), 384);
}

TEST_F(MarkerTest, DeletingOutOfRangeIsANoOp) {
  auto starts = StartMarkers(doc);
  EXPECT_EQ(doc.DeleteMarker(0), -1);
  EXPECT_EQ(doc.DeleteMarker(4), -1);
  EXPECT_EQ(doc.MarkerCount(), 3);
  EXPECT_EQ(StartMarkers(doc), starts);
  EXPECT_FALSE(doc.CanUndo());
  EXPECT_FALSE(doc.IsModified());
}

TEST_F(MarkerTest, UpdateMovesTheMarkerAndItsTracksFollow) {
  // Moving "B" behind "C": tracks that started at "B" start at its new place.
  int32_t k = doc.UpdateMarker(2, 500, "B'", 7);
  EXPECT_EQ(k, 3);
  EXPECT_EQ(MarkerTicks(doc), (std::vector<int32_t>{128, 384, 500}));
  EXPECT_EQ(doc.Markers()[2].text, "B'");
  EXPECT_EQ(doc.Markers()[2].value, 7);
  EXPECT_EQ(doc.Track(0).startMarker, 3);
  EXPECT_EQ(doc.Track(7).startMarker, 3);
  EXPECT_EQ(doc.Track(1).startMarker, 2);
  EXPECT_EQ(FirstNoteTick(doc, 0), 500);
  EXPECT_EQ(FirstNoteTick(doc, 1), 384);
  ASSERT_EQ(doc.UndoStack().size(), 1u);
  EXPECT_EQ(doc.UndoStack()[0].kind, UndoKind::MarkerChanged);
  EXPECT_EQ(doc.UndoStack()[0].marker.text, "B");
  EXPECT_EQ(doc.UndoStack()[0].newPosition, 3);
}

TEST_F(MarkerTest, RenamingKeepsPositionAndTracks) {
  EXPECT_EQ(doc.UpdateMarker(2, 256, "renamed", kDefaultMarkerColour), 2);
  EXPECT_EQ(doc.Track(0).startMarker, 2);
  EXPECT_EQ(FirstNoteTick(doc, 0), 256);
}

TEST_F(MarkerTest, UpdateRefusesBadArguments) {
  EXPECT_EQ(doc.UpdateMarker(0, 10, "x", 1), -1);
  EXPECT_EQ(doc.UpdateMarker(4, 10, "x", 1), -1);
  EXPECT_EQ(doc.UpdateMarker(1, -5, "x", 1), -1);
  EXPECT_EQ(MarkerTicks(doc), (std::vector<int32_t>{128, 256, 384}));
  EXPECT_FALSE(doc.CanUndo());
}

TEST_F(MarkerTest, OnlyTracksWhoseStartChangedAreRecompiled) {
  // Track 2 starts at the song start: adding a marker must leave its records as they were,
  // including their place in the song list.
  std::vector<MidiEvent> before = doc.Track(2).events;
  test::RecordingObserver observer;
  doc.AddObserver(&observer);
  doc.AddMarker(10, "early", 1);
  EXPECT_EQ(observer.log.front(), "stop");
  EXPECT_TRUE(observer.Saw("refresh"));
  EXPECT_EQ(doc.Track(2).events, before);
  EXPECT_EQ(FirstNoteTick(doc, 0), 256);
  doc.RemoveObserver(&observer);
}

}  // namespace
}  // namespace kore
