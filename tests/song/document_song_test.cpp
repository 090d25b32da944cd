// Song-wide settings: the time base change, the caption and taking over a loaded song.
#include <algorithm>
#include <climits>

#include "song_test_util.h"

namespace kore {
namespace {

using namespace test;

SongContent TwoTrackSong() {
  SongContent song;
  song.timeBase = TimeBase{480, 3, 4};
  song.title = "t";
  song.slots[2] = TrackProperties::Fresh(2);
  song.slots[5] = TrackProperties::Fresh(5);
  song.texts[2] = "c4";
  song.texts[5] = "d4";
  return song;
}

TEST(DocumentLoad, TakesOverTheSongAndMarksItSaved) {
  CMMLDocument doc;
  doc.AddTrack();
  SongContent song = TwoTrackSong();
  song.trackOrder = {5, 2, -1};
  song.trackOrderRead = true;
  RecordingObserver observer;
  doc.AddObserver(&observer);
  doc.LoadSong(song, "/tmp/a.mml");
  EXPECT_EQ(observer.log.front(), "stop");
  EXPECT_TRUE(observer.Saw("replaced"));
  EXPECT_EQ(Order(doc), (std::vector<int32_t>{5, 2}));
  EXPECT_EQ(doc.CurrentTrack(), 5);
  EXPECT_EQ(doc.Path(), "/tmp/a.mml");
  EXPECT_EQ(doc.GetTimeBase(), (TimeBase{480, 3, 4}));
  EXPECT_EQ(doc.Track(1).inUse, 0);
  EXPECT_EQ(doc.Track(2).events[1].length, 480);
  EXPECT_FALSE(doc.CanUndo() || doc.IsModified());
  doc.RemoveObserver(&observer);
}

TEST(DocumentLoad, OrderNotMatchingTheTracksIsRebuilt) {
  const std::vector<int32_t> orders[] = {{5, -1}, {5, 5, -1}, {5, 3, -1}, {5, 2, 3, -1}};
  for (const auto& order : orders) {
    CMMLDocument doc;
    SongContent song = TwoTrackSong();
    song.trackOrderRead = true;
    std::copy(order.begin(), order.end(), song.trackOrder.begin());
    doc.LoadSong(song, "");
    EXPECT_EQ(Order(doc), (std::vector<int32_t>{2, 5})) << order.size() << " " << order[1];
  }
}

TEST(DocumentLoad, MarkersAreSortedDeduplicatedAndReferencesFollow) {
  CMMLDocument doc;
  SongContent song = TwoTrackSong();
  song.markers = {Marker(300, 0, "late"), Marker(100, 0, "first"), Marker(100, 0, "dup"),
                  Marker(200, 0, "mid")};
  song.slots[2].startMarker = 1;  // "late"
  song.slots[5].startMarker = 3;  // "dup", dropped
  song.slots[7].startMarker = 9;  // beyond the list
  doc.LoadSong(song, "");
  ASSERT_EQ(doc.MarkerCount(), 3);
  EXPECT_EQ(doc.Markers()[0].text, "first");
  EXPECT_EQ(doc.Markers()[1].text, "mid");
  EXPECT_EQ(doc.Markers()[2].text, "late");
  EXPECT_EQ(doc.Track(2).startMarker, 3);
  EXPECT_EQ(doc.Track(5).startMarker, 0);
  EXPECT_EQ(doc.Track(7).startMarker, 0);
  EXPECT_EQ(FirstNoteTick(doc, 2), 300);
}

TEST(DocumentLoad, UnsafeValuesAreReplacedAndAnEmptySongGetsATrack) {
  CMMLDocument doc;
  SongContent song = TwoTrackSong();
  song.timeBase = TimeBase{0, 4, 4};
  song.slots[2].channel = 200;
  song.slots[2].volume = -1;
  song.slots[2].instrument = 999;
  song.markers = {Marker(-50, 0, "negative")};
  doc.LoadSong(song, "");
  EXPECT_EQ(doc.GetTimeBase(), TimeBase{});
  EXPECT_EQ(doc.Track(2).channel, 2);
  EXPECT_EQ(doc.Track(2).volume, 100);
  EXPECT_EQ(doc.Track(2).instrument, 0);
  EXPECT_EQ(doc.Markers()[0].tick, 0);
  doc.LoadSong(SongContent(), "/tmp/empty.mml");
  EXPECT_EQ(Order(doc), (std::vector<int32_t>{0}));
  EXPECT_EQ(doc.Track(0).name, "Track1");
  EXPECT_FALSE(doc.IsModified());
  SongContent drums;  // slot 9 from a file is an ordinary track
  drums.slots[9] = TrackProperties::Fresh(9);
  drums.texts[9] = "c4";
  doc.LoadSong(drums, "");
  EXPECT_EQ(Order(doc), (std::vector<int32_t>{9}));
  EXPECT_EQ(FirstNoteTick(doc, 9), 0);
}

}  // namespace
}  // namespace kore
