// New songs, the sixteen slots with their text buffers, the slot-9 rule and compiling.
#include <cstring>

#include "document_test_util.h"

namespace kore {
namespace {

using test::FirstNoteTick;
using test::Order;
using test::SongRecordsOf;

TEST(DocumentNewSong, CreatesTracksInAscendingSlotsWithDefaults) {
  CMMLDocument doc;
  doc.SetPath("/tmp/old.mml");
  doc.SetSongTexts("x", "", "");
  doc.SetModified();
  doc.NewSong(3, 480);

  EXPECT_EQ(Order(doc), (std::vector<int32_t>{0, 1, 2}));
  EXPECT_EQ(doc.CurrentTrack(), 0);
  EXPECT_TRUE(doc.Path().empty());
  EXPECT_TRUE(doc.Title().empty());
  EXPECT_EQ(doc.GetTimeBase(), (TimeBase{480, 4, 4}));
  EXPECT_FALSE(doc.IsModified());
  EXPECT_FALSE(doc.CanUndo());
  for (int32_t slot = 0; slot < 3; ++slot) {
    const CMMLTrack& t = doc.Track(slot);
    EXPECT_EQ(t.inUse, 1);
    EXPECT_EQ(t.instrument, 0);
    EXPECT_EQ(t.reserved, slot);
    EXPECT_EQ(t.channel, slot);
    EXPECT_EQ(t.volume, 100);
    EXPECT_EQ(t.panpot, 64);
    EXPECT_EQ(t.startMarker, 0);
    EXPECT_EQ(t.name, "Track" + std::to_string(slot + 1));
    // An empty text still compiles to its EndOfTrack record, which is in the song list.
    ASSERT_EQ(t.events.size(), 1u);
    EXPECT_EQ(t.events[0].kind, MidiEventKind::EndOfTrack);
  }
  EXPECT_EQ(doc.SongEvents().size(), 3u);
  for (int32_t slot = 3; slot < kTrackSlotCount; ++slot) EXPECT_EQ(doc.Track(slot).inUse, 0);
}

TEST(DocumentNewSong, ClampsTrackCountAndTimeBase) {
  CMMLDocument doc;
  doc.NewSong(0, 0);
  EXPECT_EQ(Order(doc), (std::vector<int32_t>{0}));
  EXPECT_EQ(doc.GetTimeBase().ticksPerQuarter, 32);
  doc.NewSong(99, 961);
  EXPECT_EQ(doc.TrackCount(), 15);
  EXPECT_EQ(doc.GetTimeBase().ticksPerQuarter, 32);
}

TEST(DocumentNewSong, FifteenTracksSkipSlotNine) {
  CMMLDocument doc;
  doc.NewSong(15, 32);
  EXPECT_EQ(Order(doc),
            (std::vector<int32_t>{0, 1, 2, 3, 4, 5, 6, 7, 8, 10, 11, 12, 13, 14, 15}));
  EXPECT_EQ(doc.Track(kReservedSlot).inUse, 0);
  EXPECT_EQ(doc.Track(10).name, "Track11");
}

TEST(DocumentNewSong, ClearsMarkersTextsAndHistory) {
  CMMLDocument doc;
  doc.SetTrackText(0, "cde");
  doc.AddMarker(64, "m", kDefaultMarkerColour);
  doc.NewSong(2, 32);
  EXPECT_TRUE(doc.Markers().empty());
  EXPECT_TRUE(doc.TrackText(0).empty());
  EXPECT_FALSE(doc.CanUndo());
  EXPECT_FALSE(doc.IsModified());
}

TEST(DocumentText, BufferIsOneMebibyteAndZeroedBehindShorterText) {
  CMMLDocument doc;
  EXPECT_EQ(doc.SetTrackText(0, "o4cdefgab"), 9);
  EXPECT_EQ(doc.TrackText(0), "o4cdefgab");
  EXPECT_EQ(doc.SetTrackText(0, "r2"), 2);
  EXPECT_EQ(doc.TrackText(0), "r2");
  const char* buffer = doc.Track(0).TextBuffer();
  for (size_t i = 2; i < 16; ++i) EXPECT_EQ(buffer[i], 0) << i;
  EXPECT_EQ(buffer[kTrackTextBufferSize - 1], 0);
}

TEST(DocumentText, LongTextIsCutAtBufferSizeWithoutSplittingACharacter) {
  CMMLDocument doc;
  std::string ascii(kTrackTextBufferSize + 10, ' ');
  EXPECT_EQ(doc.SetTrackText(0, ascii), static_cast<int32_t>(kMaxTrackTextBytes));
  EXPECT_EQ(doc.TrackText(0).size(), kMaxTrackTextBytes);

  // A two-byte character whose second byte would be byte 1,048,576 is dropped whole.
  std::string sjis(kMaxTrackTextBytes - 1, ' ');
  sjis += Sjis("あ");
  sjis += "cc";
  EXPECT_EQ(doc.SetTrackText(1, sjis), static_cast<int32_t>(kMaxTrackTextBytes - 1));
  EXPECT_EQ(doc.TrackText(1).back(), ' ');
}

TEST(DocumentText, NulEndsTheTextAndBadSlotsAreRefused) {
  CMMLDocument doc;
  EXPECT_EQ(doc.SetTrackText(0, std::string_view("c4\0d4", 5)), 2);
  EXPECT_EQ(doc.TrackText(0), "c4");
  EXPECT_EQ(doc.SetTrackText(16, "c"), -1);
  EXPECT_EQ(doc.SetTrackText(-1, "c"), -1);
  EXPECT_TRUE(doc.TrackText(16).empty());
  EXPECT_EQ(doc.CompileTrack(16), -1);
}

TEST(DocumentCompile, SettingTextReplacesOnlyThatTrackInTheSongList) {
  CMMLDocument doc;
  doc.NewSong(3, 32);
  doc.SetTrackText(0, "c4d4");
  doc.SetTrackText(1, "e4");
  doc.SetTrackText(2, "g4g4g4");
  auto before0 = SongRecordsOf(doc, 0);
  auto before2 = SongRecordsOf(doc, 2);
  doc.SetTrackText(1, "a8a8a8a8");
  EXPECT_EQ(SongRecordsOf(doc, 0), before0);
  EXPECT_EQ(SongRecordsOf(doc, 2), before2);
  auto track1 = SongRecordsOf(doc, 1);
  ASSERT_EQ(track1.size(), doc.Track(1).events.size());
  int notes = 0;
  for (const MidiEvent& e : track1) notes += e.kind == MidiEventKind::Note;
  EXPECT_EQ(notes, 4);
  // Song order: tick, then track.
  int32_t lastTick = -1, lastTrack = -1;
  for (const MidiEvent& e : doc.SongEvents()) {
    ASSERT_TRUE(e.tick > lastTick || (e.tick == lastTick && e.track >= lastTrack));
    lastTick = e.tick;
    lastTrack = e.track;
  }
}

TEST(DocumentCompile, SlotNotInUseContributesNothing) {
  CMMLDocument doc;
  doc.NewSong(1, 32);
  doc.SetTrackText(5, "c4");
  EXPECT_TRUE(doc.Track(5).events.empty());
  EXPECT_TRUE(SongRecordsOf(doc, 5).empty());
  EXPECT_EQ(doc.TrackText(5), "c4");
}

TEST(DocumentCompile, StartMarkerOutOfRangeIsRefusedAndCompilesFromSongStart) {
  CMMLDocument doc;
  doc.SetTrackText(0, "c4");
  for (int32_t k : {7, -3}) {
    TrackProperties p = doc.Track(0);
    p.startMarker = k;  // no such marker
    EXPECT_EQ(doc.SetTrackProperties(0, p), -1) << k;
    EXPECT_EQ(doc.StartTickOf(0), 0) << k;
    EXPECT_EQ(FirstNoteTick(doc, 0), 0) << k;
  }
  EXPECT_EQ(doc.StartTickOf(99), 0);
  EXPECT_EQ(doc.Track(99).inUse, 0);
  EXPECT_TRUE(doc.Track(-1).Text().empty());
}

TEST(DocumentSlots, SlotNineFromAFileIsAnOrdinaryTrack) {
  CMMLDocument doc;
  SongContent song;
  song.slots[9] = TrackProperties::Fresh(9);
  song.slots[9].name = "drums";
  song.texts[9] = "c4";
  doc.LoadSong(song, "/tmp/drums.mml");
  EXPECT_EQ(Order(doc), (std::vector<int32_t>{9}));
  EXPECT_EQ(doc.CurrentTrack(), 9);
  EXPECT_EQ(FirstNoteTick(doc, 9), 0);
  EXPECT_EQ(SongRecordsOf(doc, 9).size(), doc.Track(9).events.size());
}

TEST(DocumentSlots, CurrentTrackIgnoresSlotsOutOfRange) {
  CMMLDocument doc;
  doc.NewSong(3, 32);
  doc.SetCurrentTrack(2);
  EXPECT_EQ(doc.CurrentTrack(), 2);
  doc.SetCurrentTrack(16);
  doc.SetCurrentTrack(-1);
  EXPECT_EQ(doc.CurrentTrack(), 2);
}

TEST(DocumentSlots, PropertiesAreValidatedAndMarkTheSongModified) {
  CMMLDocument doc;
  doc.AddMarker(100, "m", kDefaultMarkerColour);
  doc.MarkSaved();
  doc.ClearUndoHistory();
  doc.SetTrackText(0, "c4");
  TrackProperties p = doc.Track(0);
  p.volume = 128;
  EXPECT_EQ(doc.SetTrackProperties(0, p), -1);
  p.volume = 90;
  p.instrument = 135;
  EXPECT_EQ(doc.SetTrackProperties(0, p), -1);
  p.instrument = 134;
  p.startMarker = 2;  // only one marker
  EXPECT_EQ(doc.SetTrackProperties(0, p), -1);
  EXPECT_FALSE(doc.IsModified());

  p.startMarker = 1;
  p.name = "Lead";
  EXPECT_EQ(doc.SetTrackProperties(0, p), 0);
  EXPECT_EQ(doc.Track(0).volume, 90);
  EXPECT_EQ(doc.Track(0).name, "Lead");
  EXPECT_EQ(FirstNoteTick(doc, 0), 100);  // recompiled from the marker
  EXPECT_TRUE(doc.IsModified());
  EXPECT_FALSE(doc.CanUndo());  // property edits are not structural

  doc.MarkSaved();
  doc.SetMuted(0, true);
  EXPECT_EQ(doc.Track(0).muted, 1);
  EXPECT_FALSE(doc.IsModified());  // muting is never saved
}

}  // namespace
}  // namespace kore
