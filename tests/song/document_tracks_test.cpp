// Adding and deleting tracks: the slot search, the tab order, the focus rule and restore.
#include "document_test_util.h"

namespace kore {
namespace {

using test::Order;
using test::RecordingObserver;
using test::SongRecordsOf;

TEST(DocumentAddTrack, TakesFirstFreeSlotAndBecomesCurrent) {
  CMMLDocument doc;
  doc.NewSong(3, 32);
  doc.DeleteTrack(1);
  doc.MarkSaved();
  int32_t slot = doc.AddTrack();
  EXPECT_EQ(slot, 1);
  EXPECT_EQ(Order(doc), (std::vector<int32_t>{0, 2, 1}));  // appended to the tabs
  EXPECT_EQ(doc.CurrentTrack(), 1);
  EXPECT_TRUE(doc.IsModified());
  ASSERT_EQ(doc.UndoStack().size(), 2u);
  EXPECT_EQ(doc.UndoStack().back().kind, UndoKind::TrackAdded);
  EXPECT_EQ(doc.UndoStack().back().slot, 1);
}

TEST(DocumentAddTrack, ReusedSlotStartsFresh) {
  CMMLDocument doc;
  doc.NewSong(2, 32);
  doc.SetTrackText(1, "cdef");
  TrackProperties p = doc.Track(1);
  p.volume = 10;
  p.name = "old";
  doc.SetTrackProperties(1, p);
  doc.DeleteTrack(1);
  EXPECT_EQ(doc.TrackText(1), "cdef");  // kept while deleted
  EXPECT_EQ(doc.AddTrack(), 1);
  EXPECT_TRUE(doc.TrackText(1).empty());
  EXPECT_EQ(static_cast<const TrackProperties&>(doc.Track(1)), TrackProperties::Fresh(1));
  EXPECT_EQ(doc.Track(1).TextBuffer()[3], 0);
}

TEST(DocumentAddTrack, FullSongRefusesWithMessageAndNoChange) {
  CollectingNotifier notifier;
  CMMLDocument doc(&notifier);
  doc.NewSong(15, 32);
  doc.MarkSaved();
  auto order = doc.TrackOrder();
  // Slot 9 is free, but never handed out.
  EXPECT_EQ(doc.Track(9).inUse, 0);
  EXPECT_EQ(doc.AddTrack(), -1);
  ASSERT_EQ(notifier.messages.size(), 1u);
  EXPECT_EQ(notifier.messages[0].severity, NotifySeverity::Warning);
  EXPECT_EQ(notifier.messages[0].text, Sjis("これ以上トラックを追加できません"));
  EXPECT_EQ(doc.TrackOrder(), order);
  EXPECT_EQ(doc.Track(9).inUse, 0);
  EXPECT_FALSE(doc.CanUndo());
  EXPECT_FALSE(doc.IsModified());
}

TEST(DocumentAddTrack, NullNotifierIsAllowed) {
  CMMLDocument doc;
  doc.NewSong(15, 32);
  EXPECT_EQ(doc.AddTrack(), -1);
}

TEST(DocumentDeleteTrack, KeepsSlotContentAndDropsItsEvents) {
  CMMLDocument doc;
  doc.NewSong(3, 32);
  doc.SetTrackText(1, "c4d4e4");
  RecordingObserver observer;
  doc.AddObserver(&observer);
  doc.DeleteTrack(1);
  EXPECT_EQ(observer.log.front(), "stop");  // playback stops before the list changes
  EXPECT_TRUE(observer.Saw("hidden 1"));
  EXPECT_EQ(doc.Track(1).inUse, 0);
  EXPECT_EQ(doc.TrackText(1), "c4d4e4");
  EXPECT_EQ(doc.Track(1).name, "Track2");
  EXPECT_TRUE(doc.Track(1).events.empty());
  EXPECT_TRUE(SongRecordsOf(doc, 1).empty());
  EXPECT_EQ(Order(doc), (std::vector<int32_t>{0, 2}));
  doc.RemoveObserver(&observer);
}

TEST(DocumentDeleteTrack, FocusGoesToTabAtSamePositionOrTheLastTab) {
  CMMLDocument doc;
  doc.NewSong(4, 32);
  EXPECT_EQ(doc.DeleteTrack(1), 2);  // tabs 0 2 3: position 1 is now slot 2
  EXPECT_EQ(doc.CurrentTrack(), 2);
  EXPECT_EQ(doc.DeleteTrack(3), 2);  // was last: the new last tab
  EXPECT_EQ(doc.CurrentTrack(), 2);
  EXPECT_EQ(Order(doc), (std::vector<int32_t>{0, 2}));
}

TEST(DocumentDeleteTrack, DeletingTheOnlyTrackCreatesAFreshOne) {
  CMMLDocument doc;
  doc.NewSong(2, 32);
  doc.SetTrackText(0, "c4");
  doc.DeleteTrack(1);
  // Slot 0 was the only track; the fresh one takes the first free slot, which is slot 0 again
  // in a song whose slot 1 was deleted too (first free slot wins).
  int32_t focus = doc.DeleteTrack(0);
  EXPECT_EQ(focus, 0);
  EXPECT_EQ(Order(doc), (std::vector<int32_t>{0}));
  EXPECT_EQ(doc.Track(0).name, "Track1");
  EXPECT_TRUE(doc.TrackText(0).empty());
  EXPECT_EQ(doc.TrackCount(), 1);
}

TEST(DocumentDeleteTrack, FreshTrackIsNamedAfterTheSlotTaken) {
  CMMLDocument doc;
  doc.NewSong(3, 32);
  doc.SetTrackText(2, "c4");
  doc.DeleteTrack(0);
  doc.DeleteTrack(1);
  // Slot 2 is alone; once it goes every slot is free, so the fresh track is slot 0, "Track1".
  EXPECT_EQ(doc.DeleteTrack(2), 0);
  EXPECT_EQ(doc.Track(0).name, "Track1");
  EXPECT_EQ(doc.Track(0).inUse, 1);
  EXPECT_EQ(doc.Track(2).inUse, 0);
  EXPECT_EQ(doc.TrackText(2), "c4");
  EXPECT_EQ(Order(doc), (std::vector<int32_t>{0}));
  EXPECT_EQ(doc.CurrentTrack(), 0);
}

TEST(DocumentDeleteTrack, RefusesSlotsNotInUse) {
  CMMLDocument doc;
  doc.NewSong(2, 32);
  EXPECT_EQ(doc.DeleteTrack(5), -1);
  EXPECT_EQ(doc.DeleteTrack(16), -1);
  EXPECT_EQ(doc.DeleteTrack(-1), -1);
  EXPECT_FALSE(doc.CanUndo());
  EXPECT_EQ(doc.TrackCount(), 2);
}

}  // namespace
}  // namespace kore
