// Markers: the song-start marker, sorted insertion and the startMarker bookkeeping of all slots.
#include "song_test_util.h"

namespace kore {
namespace {

using namespace test;

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
    SetStartMarker(doc, 0, 2);
    SetStartMarker(doc, 1, 3);
    // A deleted slot keeps its reference and must be kept pointing at the same marker too.
    SetStartMarker(doc, 7, 2);
    doc.MarkSaved();
    doc.ClearUndoHistory();
  }
  std::vector<int32_t> Ticks() const {
    std::vector<int32_t> ticks;
    for (const MidiEvent& m : doc.Markers()) ticks.push_back(m.tick);
    return ticks;
  }
  // Start markers of slots 0, 1, 2 and 7 and the first note ticks of slots 0 and 1.
  std::vector<int32_t> Starts() const {
    return {doc.Track(0).startMarker, doc.Track(1).startMarker, doc.Track(2).startMarker,
            doc.Track(7).startMarker, FirstNoteTick(doc, 0),    FirstNoteTick(doc, 1)};
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
  EXPECT_EQ(doc.MarkerCount(), 1);  // the song-start marker is not in the list
  EXPECT_EQ(NewMarkerName(), Sjis("新規マーカー"));
}

TEST_F(MarkerTest, AddingAtAnUsedTickGoesFirstAndReferencesMoveUp) {
  EXPECT_EQ(Ticks(), (std::vector<int32_t>{128, 256, 384}));
  EXPECT_EQ(Starts(), (std::vector<int32_t>{2, 3, 0, 2, 256, 384}));
  EXPECT_EQ(doc.AddMarker(256, "B2", kDefaultMarkerColour), 2);
  EXPECT_EQ(doc.Markers()[1].text, "B2");
  EXPECT_EQ(doc.Markers()[2].text, "B");
  EXPECT_EQ(Starts(), (std::vector<int32_t>{3, 4, 0, 3, 256, 384}));
  EXPECT_EQ(doc.AddMarker(1000, "Z", 1), 5);
  EXPECT_EQ(doc.UndoStack().back().kind, UndoKind::MarkerAdded);
  EXPECT_EQ(doc.UndoStack().back().position, 5);
  EXPECT_TRUE(doc.IsModified());
  EXPECT_EQ(doc.AddMarker(-1, "bad", 1), -1);
  EXPECT_EQ(doc.MarkerCount(), 5);
}

TEST_F(MarkerTest, DeletingMovesItsTracksToTheSongStart) {
  EXPECT_EQ(doc.DeleteMarker(2), 0);
  EXPECT_EQ(Ticks(), (std::vector<int32_t>{128, 384}));
  EXPECT_EQ(Starts(), (std::vector<int32_t>{0, 2, 0, 0, 0, 384}));
}

TEST_F(MarkerTest, BadArgumentsChangeNothing) {
  const auto starts = Starts();
  EXPECT_EQ(doc.DeleteMarker(0), -1);
  EXPECT_EQ(doc.DeleteMarker(4), -1);
  EXPECT_EQ(doc.UpdateMarker(0, 10, "x", 1), -1);
  EXPECT_EQ(doc.UpdateMarker(4, 10, "x", 1), -1);
  EXPECT_EQ(doc.UpdateMarker(1, -5, "x", 1), -1);
  EXPECT_EQ(Ticks(), (std::vector<int32_t>{128, 256, 384}));
  EXPECT_EQ(Starts(), starts);
  EXPECT_FALSE(doc.CanUndo() || doc.IsModified());
}

TEST_F(MarkerTest, UpdateMovesTheMarkerAndItsTracksFollow) {
  EXPECT_EQ(doc.UpdateMarker(3, 384, "renamed", 1), 3);  // same tick: same place
  EXPECT_EQ(Starts(), (std::vector<int32_t>{2, 3, 0, 2, 256, 384}));
  // Moving "B" behind "C": tracks that started at "B" start at its new place.
  EXPECT_EQ(doc.UpdateMarker(2, 500, "B'", 7), 3);
  EXPECT_EQ(Ticks(), (std::vector<int32_t>{128, 384, 500}));
  EXPECT_EQ(doc.Markers()[2].text, "B'");
  EXPECT_EQ(doc.Markers()[2].value, 7);
  EXPECT_EQ(Starts(), (std::vector<int32_t>{3, 2, 0, 3, 500, 384}));
  EXPECT_EQ(doc.UndoStack().back().kind, UndoKind::MarkerChanged);
  EXPECT_EQ(doc.UndoStack().back().marker.text, "B");
  EXPECT_EQ(doc.UndoStack().back().newPosition, 3);
}

TEST_F(MarkerTest, OnlyTracksWhoseStartChangedAreRecompiled) {
  // Track 2 starts at the song start: adding a marker must leave its records as they were,
  // including their place in the song list.
  std::vector<MidiEvent> before = doc.Track(2).events;
  RecordingObserver observer;
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
