// New songs, the sixteen slots with their text buffers, adding and deleting tracks.
#include "song_test_util.h"

namespace kore {
namespace {

using namespace test;

TEST(DocumentNewSong, CreatesTracksInAscendingSlotsWithDefaults) {
  CMMLDocument doc;
  doc.SetPath("/tmp/old.mml");
  doc.SetSongTexts("x", "", "");
  doc.SetTrackText(5, "cde");
  doc.AddMarker(64, "m", kDefaultMarkerColour);
  doc.NewSong(3, 480);
  EXPECT_EQ(Order(doc), (std::vector<int32_t>{0, 1, 2}));
  EXPECT_EQ(doc.CurrentTrack(), 0);
  EXPECT_TRUE(doc.Path().empty() && doc.Title().empty() && doc.Markers().empty());
  EXPECT_TRUE(doc.TrackText(5).empty());
  EXPECT_EQ(doc.GetTimeBase(), (TimeBase{480, 4, 4}));
  EXPECT_FALSE(doc.IsModified() || doc.CanUndo());
  for (int32_t slot = 0; slot < kTrackSlotCount; ++slot) {
    const CMMLTrack& t = doc.Track(slot);
    if (slot >= 3) {
      EXPECT_EQ(t.inUse, 0) << slot;
      continue;
    }
    EXPECT_EQ(static_cast<const TrackProperties&>(t), TrackProperties::Fresh(slot));
    EXPECT_EQ(t.name, "Track" + std::to_string(slot + 1));
    // An empty text still compiles to its EndOfTrack record, which is in the song list.
    ASSERT_EQ(t.events.size(), 1u);
    EXPECT_EQ(t.events[0].kind, MidiEventKind::EndOfTrack);
  }
  EXPECT_EQ(doc.SongEvents().size(), 3u);
  const TrackProperties& fresh = doc.Track(2);
  EXPECT_TRUE(fresh.inUse == 1 && fresh.instrument == 0 && fresh.reserved == 2 &&
              fresh.channel == 2 && fresh.volume == 100 && fresh.panpot == 64 &&
              fresh.startMarker == 0);
}

TEST(DocumentNewSong, ClampsTrackCountAndTimeBaseAndSkipsSlotNine) {
  const struct {
    int32_t tracks, ticks;
    std::vector<int32_t> order;
    int32_t expectedTicks;
  } rows[] = {{0, 0, {0}, 32},
              {1, 960, {0}, 960},
              {2, 1, {0, 1}, 1},
              {99, 961, {0, 1, 2, 3, 4, 5, 6, 7, 8, 10, 11, 12, 13, 14, 15}, 32},
              {15, 32, {0, 1, 2, 3, 4, 5, 6, 7, 8, 10, 11, 12, 13, 14, 15}, 32}};
  for (const auto& row : rows) {
    CMMLDocument doc;
    doc.NewSong(row.tracks, row.ticks);
    EXPECT_EQ(Order(doc), row.order) << row.tracks;
    EXPECT_EQ(doc.GetTimeBase().ticksPerQuarter, row.expectedTicks) << row.ticks;
    EXPECT_EQ(doc.Track(kReservedSlot).inUse, 0);
  }
}

TEST(DocumentText, BufferIsCutWithoutSplittingACharacterAndZeroedBehindShorterText) {
  CMMLDocument doc;
  EXPECT_EQ(doc.SetTrackText(0, "o4cdefgab"), 9);
  EXPECT_EQ(doc.SetTrackText(0, "r2"), 2);
  EXPECT_EQ(doc.TrackText(0), "r2");
  const char* buffer = doc.Track(0).TextBuffer();
  for (size_t i = 2; i < 16; ++i) EXPECT_EQ(buffer[i], 0) << i;
  EXPECT_EQ(buffer[kTrackTextBufferSize - 1], 0);
  std::string ascii(kTrackTextBufferSize + 10, ' ');
  EXPECT_EQ(doc.SetTrackText(0, ascii), static_cast<int32_t>(kMaxTrackTextBytes));
  EXPECT_EQ(doc.TrackText(0).size(), kMaxTrackTextBytes);
  // A two-byte character whose second byte would be past the last text byte is dropped whole.
  std::string sjis(kMaxTrackTextBytes - 1, ' ');
  sjis += Sjis("あ") + "cc";
  EXPECT_EQ(doc.SetTrackText(1, sjis), static_cast<int32_t>(kMaxTrackTextBytes - 1));
  EXPECT_EQ(doc.TrackText(1).back(), ' ');
  sjis = std::string(kMaxTrackTextBytes - 2, ' ') + Sjis("あ") + "cc";
  EXPECT_EQ(doc.SetTrackText(1, sjis), static_cast<int32_t>(kMaxTrackTextBytes));
  EXPECT_EQ(doc.SetTrackText(0, std::string_view("c4\0d4", 5)), 2);  // NUL ends the text
  for (int32_t bad : {16, -1}) {
    EXPECT_EQ(doc.SetTrackText(bad, "c"), -1) << bad;
    EXPECT_TRUE(doc.TrackText(bad).empty()) << bad;
    EXPECT_EQ(doc.CompileTrack(bad), -1) << bad;
    EXPECT_EQ(doc.StartTickOf(bad), 0) << bad;
  }
}

TEST(DocumentCompile, SettingTextReplacesOnlyThatTrackInTheSongList) {
  CMMLDocument doc;
  doc.NewSong(3, 32);
  doc.SetTrackText(0, "c4d4");
  doc.SetTrackText(2, "g4g4g4");
  doc.SetTrackText(5, "c4");  // not in use: kept, compiled to nothing
  auto before0 = SongRecordsOf(doc, 0);
  auto before2 = SongRecordsOf(doc, 2);
  doc.SetTrackText(1, "a8a8a8a8");
  EXPECT_EQ(SongRecordsOf(doc, 0), before0);
  EXPECT_EQ(SongRecordsOf(doc, 2), before2);
  int notes = 0;
  for (const MidiEvent& e : SongRecordsOf(doc, 1)) notes += e.kind == MidiEventKind::Note;
  EXPECT_EQ(notes, 4);
  EXPECT_TRUE(doc.Track(5).events.empty() && SongRecordsOf(doc, 5).empty());
  EXPECT_EQ(doc.TrackText(5), "c4");
  int32_t lastTick = -1, lastTrack = -1;  // song order: tick, then track
  for (const MidiEvent& e : doc.SongEvents()) {
    ASSERT_TRUE(e.tick > lastTick || (e.tick == lastTick && e.track >= lastTrack));
    lastTick = e.tick;
    lastTrack = e.track;
  }
}

TEST(DocumentSlots, PropertiesAreValidatedAndMarkTheSongModified) {
  CMMLDocument doc;
  doc.AddMarker(100, "m", kDefaultMarkerColour);
  doc.SetTrackText(0, "c4");
  doc.MarkSaved();
  doc.ClearUndoHistory();
  const TrackProperties good = doc.Track(0);
  const struct {
    const char* name;
    int32_t volume, panpot, channel, instrument, startMarker;
  } rows[] = {{"volume 128", 128, 0, 0, 0, 0},     {"volume -1", -1, 0, 0, 0, 0},
              {"panpot 128", 0, 128, 0, 0, 0},     {"panpot -1", 0, -1, 0, 0, 0},
              {"channel 16", 0, 0, 16, 0, 0},      {"channel -1", 0, 0, -1, 0, 0},
              {"instrument 135", 0, 0, 0, 135, 0}, {"instrument -1", 0, 0, 0, -1, 0},
              {"marker 2 of 1", 0, 0, 0, 0, 2},    {"marker -1", 0, 0, 0, 0, -1}};
  for (const auto& row : rows) {
    TrackProperties p = good;
    p.volume = row.volume;
    p.panpot = row.panpot;
    p.channel = row.channel;
    p.instrument = row.instrument;
    p.startMarker = row.startMarker;
    EXPECT_EQ(doc.SetTrackProperties(0, p), -1) << row.name;
    EXPECT_EQ(doc.StartTickOf(0), 0) << row.name;
  }
  EXPECT_FALSE(doc.IsModified());
  TrackProperties p = good;
  p.volume = p.panpot = 127;
  p.channel = 15;
  p.instrument = 134;
  p.startMarker = 1;
  p.name = "Lead";
  EXPECT_EQ(doc.SetTrackProperties(0, p), 0);
  EXPECT_EQ(doc.Track(0).name, "Lead");
  EXPECT_EQ(FirstNoteTick(doc, 0), 100);  // recompiled from the marker
  EXPECT_TRUE(doc.IsModified());
  EXPECT_FALSE(doc.CanUndo());  // property edits are not structural
  doc.MarkSaved();
  doc.SetMuted(0, true);
  EXPECT_EQ(doc.Track(0).muted, 1);
  EXPECT_FALSE(doc.IsModified());  // muting is never saved
  doc.SetCurrentTrack(16);
  doc.SetCurrentTrack(-1);
  EXPECT_EQ(doc.CurrentTrack(), 0);
}

TEST(DocumentAddTrack, TakesFirstFreeSlotStartsFreshAndBecomesCurrent) {
  CMMLDocument doc;
  doc.NewSong(3, 32);
  doc.SetTrackText(1, "cdef");
  TrackProperties p = doc.Track(1);
  p.volume = 10;
  doc.SetTrackProperties(1, p);
  doc.DeleteTrack(1);
  EXPECT_EQ(doc.TrackText(1), "cdef");  // kept while deleted
  doc.MarkSaved();
  EXPECT_EQ(doc.AddTrack(), 1);
  EXPECT_EQ(Order(doc), (std::vector<int32_t>{0, 2, 1}));  // appended to the tabs
  EXPECT_EQ(doc.CurrentTrack(), 1);
  EXPECT_TRUE(doc.TrackText(1).empty());
  EXPECT_EQ(static_cast<const TrackProperties&>(doc.Track(1)), TrackProperties::Fresh(1));
  EXPECT_TRUE(doc.IsModified());
  EXPECT_EQ(doc.UndoStack().back().kind, UndoKind::TrackAdded);
  EXPECT_EQ(doc.UndoStack().back().slot, 1);
}

TEST(DocumentAddTrack, FullSongRefusesWithMessageAndNoChange) {
  CollectingNotifier notifier;
  CMMLDocument doc(&notifier);
  doc.NewSong(15, 32);
  doc.MarkSaved();
  auto order = doc.TrackOrder();
  EXPECT_EQ(doc.AddTrack(), -1);  // slot 9 is free, but never handed out
  ASSERT_EQ(notifier.messages.size(), 1u);
  EXPECT_EQ(notifier.messages[0].severity, NotifySeverity::Warning);
  EXPECT_EQ(notifier.messages[0].text, Sjis("これ以上トラックを追加できません"));
  EXPECT_EQ(doc.TrackOrder(), order);
  EXPECT_FALSE(doc.CanUndo() || doc.IsModified());
  CMMLDocument silent;  // no notifier
  silent.NewSong(15, 32);
  EXPECT_EQ(silent.AddTrack(), -1);
}

TEST(DocumentDeleteTrack, KeepsSlotContentDropsItsEventsAndMovesTheFocus) {
  CMMLDocument doc;
  doc.NewSong(4, 32);
  doc.SetTrackText(1, "c4d4e4");
  RecordingObserver observer;
  doc.AddObserver(&observer);
  EXPECT_EQ(doc.DeleteTrack(1), 2);         // tabs 0 2 3: position 1 is now slot 2
  EXPECT_EQ(observer.log.front(), "stop");  // playback stops before the list changes
  EXPECT_TRUE(observer.Saw("hidden 1"));
  EXPECT_EQ(doc.Track(1).inUse, 0);
  EXPECT_EQ(doc.TrackText(1), "c4d4e4");
  EXPECT_EQ(doc.Track(1).name, "Track2");
  EXPECT_TRUE(doc.Track(1).events.empty() && SongRecordsOf(doc, 1).empty());
  EXPECT_EQ(doc.CurrentTrack(), 2);
  EXPECT_EQ(doc.DeleteTrack(3), 2);  // was last: the new last tab
  EXPECT_EQ(Order(doc), (std::vector<int32_t>{0, 2}));
  for (int32_t bad : {3, 16, -1}) EXPECT_EQ(doc.DeleteTrack(bad), -1) << bad;
  EXPECT_EQ(doc.EditNumber(), 2);
  doc.RemoveObserver(&observer);
}

TEST(DocumentDeleteTrack, DeletingTheOnlyTrackCreatesAFreshOneInTheFirstFreeSlot) {
  CMMLDocument doc;
  doc.NewSong(3, 32);
  doc.SetTrackText(2, "c4");
  doc.DeleteTrack(0);
  doc.DeleteTrack(1);
  EXPECT_EQ(doc.DeleteTrack(2), 0);
  EXPECT_EQ(Order(doc), (std::vector<int32_t>{0}));
  EXPECT_EQ(doc.Track(0).name, "Track1");
  EXPECT_TRUE(doc.TrackText(0).empty());
  EXPECT_EQ(doc.TrackText(2), "c4");
  EXPECT_EQ(doc.CurrentTrack(), 0);
  EXPECT_EQ(doc.TrackCount(), 1);
}

}  // namespace
}  // namespace kore
