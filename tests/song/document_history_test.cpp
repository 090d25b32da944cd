// The structural undo and redo stacks and the modified state.
#include "document_test_util.h"

namespace kore {
namespace {

using test::FirstNoteTick;
using test::Order;
using test::RecordingObserver;
using test::SongRecordsOf;

TEST(DocumentUndoTracks, UndoAndRedoOfAnAddedTrack) {
  CMMLDocument doc;
  doc.NewSong(2, 32);
  int32_t slot = doc.AddTrack();
  doc.SetTrackText(slot, "c4");
  ASSERT_TRUE(doc.Undo());
  EXPECT_EQ(doc.Track(slot).inUse, 0);
  EXPECT_EQ(Order(doc), (std::vector<int32_t>{0, 1}));
  EXPECT_TRUE(SongRecordsOf(doc, slot).empty());
  EXPECT_TRUE(doc.CanRedo());
  ASSERT_TRUE(doc.Redo());
  EXPECT_EQ(doc.Track(slot).inUse, 1);
  EXPECT_EQ(Order(doc), (std::vector<int32_t>{0, 1, 2}));
  EXPECT_EQ(doc.TrackText(slot), "c4");
  EXPECT_EQ(FirstNoteTick(doc, slot), 0);
  EXPECT_EQ(SongRecordsOf(doc, slot).size(), doc.Track(slot).events.size());
  EXPECT_FALSE(doc.Redo());
}

TEST(DocumentUndoTracks, UndoOfADeleteRestoresTheTabAtItsPlace) {
  CMMLDocument doc;
  doc.NewSong(4, 32);
  doc.SetTrackText(1, "e4");
  doc.DeleteTrack(1);
  ASSERT_TRUE(doc.Undo());
  EXPECT_EQ(Order(doc), (std::vector<int32_t>{0, 1, 2, 3}));
  EXPECT_EQ(doc.TrackText(1), "e4");
  EXPECT_EQ(doc.CurrentTrack(), 1);
  ASSERT_TRUE(doc.Redo());
  EXPECT_EQ(Order(doc), (std::vector<int32_t>{0, 2, 3}));
  EXPECT_EQ(doc.Track(1).inUse, 0);
}

TEST(DocumentUndoTracks, UndoOfADeleteSurvivesTheSlotBeingHandedOutAgain) {
  CMMLDocument doc;
  doc.NewSong(2, 32);
  doc.SetTrackText(0, "o5c4");
  TrackProperties p = doc.Track(0);
  p.name = "Melody";
  p.instrument = 3;
  doc.SetTrackProperties(0, p);
  doc.DeleteTrack(0);
  EXPECT_EQ(doc.AddTrack(), 0);  // the same slot, reset
  doc.SetTrackText(0, "r1");
  ASSERT_TRUE(doc.Undo());  // removes the new track
  ASSERT_TRUE(doc.Undo());  // brings back the deleted one with its own text
  EXPECT_EQ(doc.TrackText(0), "o5c4");
  EXPECT_EQ(doc.Track(0).name, "Melody");
  EXPECT_EQ(doc.Track(0).instrument, 3);
  EXPECT_EQ(Order(doc), (std::vector<int32_t>{0, 1}));
  // And redoing the add gives the added track its own text again.
  ASSERT_TRUE(doc.Redo());
  ASSERT_TRUE(doc.Redo());
  EXPECT_EQ(doc.TrackText(0), "r1");
  EXPECT_EQ(doc.Track(0).name, "Track1");
}

TEST(DocumentUndoTracks, UndoOfDeletingTheOnlyTrackRemovesTheFreshOne) {
  CMMLDocument doc;
  doc.NewSong(1, 32);
  doc.SetTrackText(0, "c4d4");
  doc.DeleteTrack(0);
  EXPECT_TRUE(doc.TrackText(0).empty());  // the fresh track took slot 0
  ASSERT_TRUE(doc.Undo());
  EXPECT_EQ(doc.TrackText(0), "c4d4");
  EXPECT_EQ(Order(doc), (std::vector<int32_t>{0}));
  EXPECT_EQ(doc.TrackCount(), 1);
  ASSERT_TRUE(doc.Redo());
  EXPECT_TRUE(doc.TrackText(0).empty());
  EXPECT_EQ(doc.TrackCount(), 1);
  EXPECT_TRUE(doc.IsModified());
}

TEST(DocumentUndoTracks, FreshTrackInAnotherSlotIsRemovedOnUndo) {
  CMMLDocument doc;
  doc.NewSong(3, 32);
  doc.DeleteTrack(0);
  doc.DeleteTrack(1);
  doc.DeleteTrack(2);  // fresh track in slot 0
  ASSERT_TRUE(doc.Undo());
  EXPECT_EQ(Order(doc), (std::vector<int32_t>{2}));
  EXPECT_EQ(doc.Track(0).inUse, 0);
  ASSERT_TRUE(doc.Undo());
  ASSERT_TRUE(doc.Undo());
  EXPECT_EQ(Order(doc), (std::vector<int32_t>{0, 1, 2}));
  EXPECT_FALSE(doc.IsModified());
}

TEST(DocumentUndoMarkers, DeletedMarkerComesBackWithItsTracks) {
  CMMLDocument doc;
  doc.NewSong(2, 32);
  doc.AddMarker(64, "A", 1);
  doc.AddMarker(128, "B", 2);
  doc.SetTrackText(0, "c4");
  TrackProperties p = doc.Track(0);
  p.startMarker = 1;
  doc.SetTrackProperties(0, p);
  p = doc.Track(1);
  p.startMarker = 2;
  doc.SetTrackProperties(1, p);

  doc.DeleteMarker(1);
  EXPECT_EQ(doc.Track(0).startMarker, 0);
  EXPECT_EQ(doc.Track(1).startMarker, 1);
  ASSERT_TRUE(doc.Undo());
  EXPECT_EQ(doc.MarkerCount(), 2);
  EXPECT_EQ(doc.Markers()[0].text, "A");
  EXPECT_EQ(doc.Track(0).startMarker, 1);
  EXPECT_EQ(doc.Track(1).startMarker, 2);
  EXPECT_EQ(FirstNoteTick(doc, 0), 64);
  ASSERT_TRUE(doc.Redo());
  EXPECT_EQ(doc.MarkerCount(), 1);
  EXPECT_EQ(doc.Track(0).startMarker, 0);
  EXPECT_EQ(FirstNoteTick(doc, 0), 0);
}

TEST(DocumentUndoMarkers, AddAndUpdateUndoAndRedo) {
  CMMLDocument doc;
  doc.NewSong(1, 32);
  doc.SetTrackText(0, "c4");
  doc.AddMarker(100, "A", 1);
  TrackProperties p = doc.Track(0);
  p.startMarker = 1;
  doc.SetTrackProperties(0, p);
  doc.AddMarker(50, "early", 2);  // A becomes 2
  EXPECT_EQ(doc.Track(0).startMarker, 2);
  doc.UpdateMarker(2, 10, "A moved", 3);  // A becomes 1
  EXPECT_EQ(doc.Track(0).startMarker, 1);
  EXPECT_EQ(FirstNoteTick(doc, 0), 10);

  ASSERT_TRUE(doc.Undo());  // update
  EXPECT_EQ(doc.Markers()[1].text, "A");
  EXPECT_EQ(doc.Markers()[1].tick, 100);
  EXPECT_EQ(doc.Track(0).startMarker, 2);
  EXPECT_EQ(FirstNoteTick(doc, 0), 100);
  ASSERT_TRUE(doc.Undo());  // add "early"
  EXPECT_EQ(doc.MarkerCount(), 1);
  EXPECT_EQ(doc.Track(0).startMarker, 1);
  ASSERT_TRUE(doc.Redo());
  ASSERT_TRUE(doc.Redo());
  EXPECT_EQ(doc.Markers()[0].text, "A moved");
  EXPECT_EQ(doc.Markers()[1].text, "early");
  EXPECT_EQ(doc.Track(0).startMarker, 1);
  EXPECT_EQ(FirstNoteTick(doc, 0), 10);
}

TEST(DocumentHistory, SequenceIsDepthAndNewChangesDropTheRedoStack) {
  CMMLDocument doc;
  doc.NewSong(1, 32);
  doc.AddTrack();
  doc.AddMarker(10, "m", 1);
  ASSERT_EQ(doc.EditNumber(), 2);
  EXPECT_EQ(doc.UndoStack()[0].sequence, 1);
  EXPECT_EQ(doc.UndoStack()[1].sequence, 2);
  doc.Undo();
  EXPECT_EQ(doc.EditNumber(), 1);
  EXPECT_EQ(doc.RedoStack().size(), 1u);
  doc.AddTrack();
  EXPECT_EQ(doc.EditNumber(), 2);
  EXPECT_EQ(doc.UndoStack()[1].sequence, 2);
  EXPECT_TRUE(doc.RedoStack().empty());
  EXPECT_TRUE(doc.Undo());
  EXPECT_TRUE(doc.Undo());
  EXPECT_FALSE(doc.Undo());
}

TEST(DocumentHistory, TextEditsGoThroughTheEditorHooks) {
  CMMLDocument doc;
  doc.NewSong(3, 32);
  RecordingObserver observer;
  doc.AddObserver(&observer);
  doc.RecordTextEdit(2);
  doc.SetCurrentTrack(0);
  ASSERT_EQ(doc.UndoStack().back().kind, UndoKind::TextChanged);
  doc.Undo();
  EXPECT_TRUE(observer.Saw("undo-text 2"));
  EXPECT_EQ(doc.CurrentTrack(), 2);
  doc.SetCurrentTrack(1);
  doc.Redo();
  EXPECT_TRUE(observer.Saw("redo-text 2"));
  EXPECT_EQ(doc.CurrentTrack(), 2);
  doc.RecordTextEdit(16);  // ignored
  EXPECT_EQ(doc.EditNumber(), 1);
  doc.RemoveObserver(&observer);
}

TEST(DocumentModified, UndoBackToTheSavedStateIsNotModified) {
  CMMLDocument doc;
  doc.NewSong(1, 32);
  EXPECT_FALSE(doc.IsModified());
  doc.AddTrack();
  EXPECT_TRUE(doc.IsModified());
  doc.Undo();
  EXPECT_FALSE(doc.IsModified());
  doc.Redo();
  doc.MarkSaved();
  EXPECT_EQ(doc.SavedEditNumber(), 1);
  EXPECT_FALSE(doc.IsModified());
  doc.Undo();
  EXPECT_TRUE(doc.IsModified());
  doc.Redo();
  EXPECT_FALSE(doc.IsModified());
}

TEST(DocumentModified, DirtyFlagOutlivesUndo) {
  CMMLDocument doc;
  doc.NewSong(1, 32);
  doc.AddTrack();
  doc.SetModified();
  doc.Undo();
  EXPECT_EQ(doc.EditNumber(), doc.SavedEditNumber());
  EXPECT_TRUE(doc.IsModified());
  doc.MarkSaved();
  EXPECT_FALSE(doc.IsDirty());
  EXPECT_FALSE(doc.IsModified());
}

TEST(DocumentModified, DifferentChangeAtTheSavedDepthIsModified) {
  CMMLDocument doc;
  doc.NewSong(1, 32);
  doc.AddMarker(10, "saved", 1);
  doc.MarkSaved();
  doc.Undo();
  doc.AddMarker(20, "other", 1);  // same depth as when saved, different song
  EXPECT_EQ(doc.EditNumber(), 1);
  EXPECT_TRUE(doc.IsModified());
  doc.Undo();
  EXPECT_TRUE(doc.IsModified());  // the saved state is no longer reachable
}

TEST(DocumentModified, ClearingTheHistoryKeepsTheModifiedState) {
  CMMLDocument doc;
  doc.NewSong(1, 32);
  doc.AddTrack();
  doc.ClearUndoHistory();
  EXPECT_FALSE(doc.CanUndo());
  EXPECT_TRUE(doc.IsModified());
  doc.MarkSaved();
  doc.AddTrack();
  doc.Undo();
  doc.ClearUndoHistory();
  EXPECT_FALSE(doc.CanRedo());
  EXPECT_FALSE(doc.IsModified());
}

}  // namespace
}  // namespace kore
