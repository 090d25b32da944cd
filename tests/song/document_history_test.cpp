// The structural undo and redo stacks and the modified state. Exact restoring of random edit
// sequences is covered by the invariants test; this pins what it does not see.
#include "song_test_util.h"

namespace kore {
namespace {

using namespace test;

TEST(DocumentHistory, UndoOfADeleteBringsBackTheTrackWithItsPropertiesAndFocus) {
  CMMLDocument doc;
  doc.NewSong(4, 32);
  doc.SetTrackText(1, "o5c4");
  TrackProperties p = doc.Track(1);
  p.name = "Melody";
  p.instrument = 3;
  doc.SetTrackProperties(1, p);
  doc.DeleteTrack(1);
  EXPECT_EQ(doc.AddTrack(), 1);  // the same slot, reset
  doc.SetCurrentTrack(0);
  ASSERT_TRUE(doc.Undo());  // removes the new track
  ASSERT_TRUE(doc.Undo());  // brings back the deleted one at its tab
  EXPECT_EQ(Order(doc), (std::vector<int32_t>{0, 1, 2, 3}));
  EXPECT_EQ(doc.TrackText(1), "o5c4");
  EXPECT_EQ(doc.Track(1).name, "Melody");
  EXPECT_EQ(doc.Track(1).instrument, 3);
  EXPECT_EQ(doc.CurrentTrack(), 1);
  EXPECT_EQ(FirstNoteTick(doc, 1), 0);
  EXPECT_EQ(SongRecordsOf(doc, 1).size(), doc.Track(1).events.size());
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
  EXPECT_EQ(doc.UndoStack()[1].sequence, 2);
  EXPECT_TRUE(doc.RedoStack().empty());
  EXPECT_FALSE(doc.Redo());
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

TEST(DocumentModified, FollowsTheSavedStateThroughUndoAndRedo) {
  CMMLDocument doc;
  doc.NewSong(1, 32);
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
  // A dirty flag outlives undo back to the saved depth.
  doc.SetModified();
  doc.Undo();
  doc.Redo();
  EXPECT_TRUE(doc.IsModified());
  doc.MarkSaved();
  EXPECT_FALSE(doc.IsDirty() || doc.IsModified());
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
