// The song-start marker and the recompiling a new marker causes; the marker rules themselves
// are in the document scripts.
#include "song_test_util.h"

namespace kore {
namespace {

using namespace test;

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
  doc.NewSong(15, 32);  // a refusal without a notifier to tell
  EXPECT_EQ(doc.AddTrack(), -1);
}

TEST(DocumentMarkers, OnlyTracksWhoseStartChangedAreRecompiled) {
  CMMLDocument doc;
  doc.NewSong(3, 32);
  doc.AddMarker(128, "A", 1);
  doc.SetTrackText(0, "c4");
  doc.SetTrackText(2, "e4");
  SetStartMarker(doc, 0, 1);
  // Track 2 starts at the song start: adding a marker must leave its records as they were,
  // including their place in the song list.
  std::vector<MidiEvent> before = doc.Track(2).events;
  RecordingObserver observer;
  doc.AddObserver(&observer);
  doc.AddMarker(10, "early", 1);
  EXPECT_EQ(observer.log.front(), "stop");
  EXPECT_TRUE(observer.Saw("refresh"));
  EXPECT_EQ(doc.Track(2).events, before);
  EXPECT_EQ(FirstNoteTick(doc, 0), 128);
  doc.RemoveObserver(&observer);
}

}  // namespace
}  // namespace kore
