#include "song/song_file.h"

#include <signal.h>
#include <sys/resource.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "base/profile_file.h"
#include "base/shift_jis.h"
#include "song/foreign_formats.h"
#include "song_file_test_util.h"

namespace kore {
namespace {

using namespace filetest;

// One track in slot 0 and one in slot 3, listed 3 first; a marker; a 480 3/4 time base.
LoadedSong SmallSong() {
  LoadedSong song;
  song.timeBase = {480, 3, 4};
  song.title = Sjis("曲");
  song.source = "me";
  song.memo = "x\\ny\r\nz\t";
  song.slots[0] = TrackProperties::Fresh(0);
  song.slots[0].instrument = 3;  // flute, code 131
  song.slots[0].volume = 80;
  song.texts[0] = "o4[cde]4\r\nr";
  song.slots[3] = TrackProperties::Fresh(3);
  song.slots[3].name = Sjis("伴奏");
  song.slots[3].instrument = 8;  // code 1
  song.slots[3].panpot = 30;
  song.slots[3].startMarker = 1;
  song.texts[3] = "c [d\r\n";
  song.trackOrder = {3, 0, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1};
  song.trackOrderRead = true;
  song.markers = {Marker(96, 0x2828E0, "A B")};
  return song;
}

std::string Props(int slot, int volume, int panpot, int startMarker, int code) {
  std::string p;
  p += static_cast<char>(slot);
  p += static_cast<char>(volume);
  p += static_cast<char>(panpot);
  p += static_cast<char>(slot);  // channel
  p += Le32(0xFFFFFFFFu) + Le32(startMarker) + Le32(code) + Le32(0) + Le32(0) + Le32(0);
  return Record(2, p);
}

std::string Str(int type, int lead, const std::string& s) {
  return Record(type, std::string(1, static_cast<char>(lead)) + s + std::string(1, '\0'));
}

// Records of the compact and compatible modes for SmallSong.
std::string FullRecords() {
  return Record(4, Le32(480) + Le32(3) + Le32(4)) + Record(1, std::string("\0\x03\0", 3)) +
         Props(3, 100, 30, 1, 1) + Str(3, 3, Sjis("伴奏")) + Props(0, 80, 64, 0, 131) +
         Str(3, 0, "Track1") +
         Record(9, Le32(0) + Le32(96) + Le32(0x2828E0) + "A B" + std::string(1, '\0'));
}

const std::string kSettingsHead = "[Settings]\r\nTitle=" + Sjis("曲") +
                                  "\r\nSource=me\r\nMemo=x\\\\ny\\r\\nz\\t\r\n";
const std::string kChannels =
    "[Channel4]\r\nc [d\r\n"          // "[" without "]" stays with its line
    "[Channel1]\r\no44\r\nr\r\n";     // "[cde]" removed; CR LF added after "r"

TEST(SongFile, CompactModeIsByteExact) {
  std::string expected = kSettingsHead + "\r\n" + kChannels + ExtensionSection(FullRecords());
  EXPECT_EQ(SongFileBytes(SmallSong().View(), SaveMode::Compact), expected);
}

TEST(SongFile, CompatibleModeIsByteExact) {
  std::string expected = kSettingsHead +
                         "TimeBase=480\r\nTimeSignatureNN=3\r\nTimeSignatureDD=4\r\n"
                         "Instrument4=1\r\nInstrument1=131\r\nTrackName4=" + Sjis("伴奏") +
                         "\r\nTrackName1=Track1\r\n\r\n" + kChannels +
                         ExtensionSection(FullRecords());
  EXPECT_EQ(SongFileBytes(SmallSong().View(), SaveMode::Compatible), expected);
}

TEST(SongFile, PlainModeIsByteExact) {
  std::string expected =
      kSettingsHead + "TimeBase=480\r\nTimeSignatureNN=3\r\nTimeSignatureDD=4\r\n\r\n" +
      "[ChannelProperty4]\r\nName=" + Sjis("伴奏") +
      "\r\nPatch=1\r\nVolume=100\r\nPanpot=30\r\nMarker=1\r\n[Channel4]\r\nc [d\r\n"
      "[ChannelProperty1]\r\nName=Track1\r\nPatch=131\r\nVolume=80\r\nPanpot=64\r\nMarker=0\r\n"
      "[Channel1]\r\no44\r\nr\r\n"
      "[Marker]\r\nentry=96,2828e0,A B\r\n" +
      ExtensionSection(Record(1, std::string("\0\x03\0", 3)));
  EXPECT_EQ(SongFileBytes(SmallSong().View(), SaveMode::Plain), expected);
  EXPECT_EQ(SaveModeOf(false, false), SaveMode::Plain);
  EXPECT_EQ(SaveModeOf(true, false), SaveMode::Compatible);
  EXPECT_EQ(SaveModeOf(false, true), SaveMode::Compact);
}

// What a reload of SmallSong gives: the bracket span is gone and the unclosed "[" of slot 3
// starts a header attempt that the line end abandons, losing the rest of that text.
LoadedSong SmallSongAsReloaded(SaveMode mode) {
  LoadedSong song = SmallSong();
  song.texts[0] = "o44\r\nr\r\n";
  song.texts[3] = "c ";
  for (TrackProperties& t : song.slots) {
    if (t.inUse && mode != SaveMode::Plain) t.reserved = -1;
    if (!t.inUse) t.name.clear();
  }
  return song;
}

TEST(SongFile, EveryModeReloadsTheSameSong) {
  for (SaveMode mode : {SaveMode::Compact, SaveMode::Compatible, SaveMode::Plain}) {
    LoadedSong back;
    ReadSongMemory(SongFileBytes(SmallSong().View(), mode), back);
    EXPECT_EQ(back, SmallSongAsReloaded(mode)) << static_cast<int>(mode);
  }
}

TEST(SongFile, PlainModeTimeBaseBelow32TakesTheDefault) {
  LoadedSong song = SmallSong();
  song.timeBase = {24, 3, 8};
  LoadedSong back;
  ReadSongMemory(SongFileBytes(song.View(), SaveMode::Plain), back, {480});
  EXPECT_EQ(back.timeBase, (TimeBase{480, 4, 4}));
  ReadSongMemory("[Settings]\r\nTimeBase=961\r\nTimeSignatureNN=3\r\n", back);
  EXPECT_EQ(back.timeBase, (TimeBase{32, 4, 4}));
  ReadSongMemory("[Settings]\r\nTimeBase=96\r\nTimeSignatureNN=3\r\nTimeSignatureDD=2\r\n", back);
  EXPECT_EQ(back.timeBase, (TimeBase{96, 3, 2}));
  ReadSongMemory("[Settings]\r\nTimeBase=96\r\nTimeSignatureNN=17\r\nTimeSignatureDD=2\r\n", back);
  EXPECT_EQ(back.timeBase, (TimeBase{96, 4, 4}));
}

TEST(SongFile, MemoEscapesSurviveAReload) {
  EXPECT_EQ(EscapeMemo("a\\nb\r\n\t"), "a\\\\nb\\r\\n\\t");
  EXPECT_EQ(UnescapeMemo("a\\\\nb\\r\\n\\t\\q\\"), "a\\nb\r\n\t\\q\\");
  LoadedSong song;
  song.memo = "back\\n slash\nreal break";
  LoadedSong back;
  ReadSongMemory(SongFileBytes(song.View(), SaveMode::Compact), back);
  EXPECT_EQ(back.memo, song.memo);
}

TEST(SongFile, ReaderToleratesCapitalsBareLineFeedsAndDoubleByteBrackets) {
  std::string text = "[settings]\ntitle = Song \nMEMO=a\\tb\n\n[CHANNEL3]\nab\x81[c\n"
                     "[ Channel16 ]trailing junk\nx\n[Channel17]\nlost\n[Channel03]\nlost\n"
                     "[unknown]\nz=1\n[Channel2";
  LoadedSong song;
  ReadSongMemory(text, song);
  EXPECT_EQ(song.title, "Song");
  EXPECT_EQ(song.memo, "a\tb");
  EXPECT_TRUE(song.slots[2].inUse);
  EXPECT_EQ(song.texts[2], "ab\x81[c\n");  // "[" after a lead byte is text
  EXPECT_TRUE(song.slots[15].inUse);
  EXPECT_EQ(song.texts[15], "x\n");
  EXPECT_FALSE(song.slots[1].inUse);  // unfinished header at the end
  int inUse = 0;
  for (const TrackProperties& t : song.slots) inUse += t.inUse;
  EXPECT_EQ(inUse, 2);
}

TEST(SongFile, SettingsKeysFillTheExplicitOrEnsembleTable) {
  LoadedSong song;
  ReadSongMemory(
      "[Settings]\r\nEnsemblePlayer=Trio, 4 ,1,2, 3\r\nVolume2=50\r\nPanpot2=128\r\n"
      "[Channel1]\r\n[Channel2]\r\n",
      song);
  EXPECT_EQ(song.slots[0].instrument, 4);
  EXPECT_EQ(song.slots[2].instrument, 4);
  EXPECT_EQ(song.slots[1].name, "Trio");
  EXPECT_EQ(song.slots[1].volume, 50);
  EXPECT_EQ(song.slots[1].panpot, 64);
  EXPECT_EQ(song.slots[3].instrument, 0);

  // One explicit key makes the explicit table win over the ensemble one.
  ReadSongMemory(
      "[Settings]\r\nEnsemblePlayer=Trio,4,1,2,3\r\nInstrument2=0\r\nInstrument17=5\r\n"
      "[ChannelProperty1]\r\nName= Lead \r\nPatch=129\r\nVolume=-1\r\nMarker=7\r\n",
      song);
  EXPECT_EQ(song.slots[0].instrument, 1);
  EXPECT_EQ(song.slots[0].name, "Lead");
  EXPECT_EQ(song.slots[0].volume, 100);
  EXPECT_EQ(song.slots[0].startMarker, 7);
  EXPECT_EQ(song.slots[1].instrument, 7);
  EXPECT_EQ(song.slots[2].instrument, 0);
  EXPECT_EQ(song.slots[2].name, "");

  // An ensemble line missing a track number or with instrument 8 is ignored.
  ReadSongMemory("[Settings]\r\nEnsemblePlayer=A,2,1,2\r\nEnsemblePlayer=B,8,1,2,3\r\n", song);
  EXPECT_EQ(song.slots[0].instrument, 0);
  EXPECT_EQ(song.slots[0].name, "");
}

TEST(SongFile, MarkersFromAPlainFileKeepTheirWholeNames) {
  LoadedSong song;
  ReadSongMemory(
      "[Settings]\r\n[Marker]\r\nentry=128,ff00,Verse two, again\r\nentry=0x\r\n[Marker]\r\n"
      "Entry=64,1,\r\n",
      song);
  ASSERT_EQ(song.markers.size(), 3u);
  EXPECT_EQ(song.markers[0].tick, 128);
  EXPECT_EQ(song.markers[0].value, 0xFF00);
  EXPECT_EQ(song.markers[0].text, "Verse two, again");
  EXPECT_EQ(song.markers[1].tick, 0);
  EXPECT_EQ(song.markers[2].tick, 64);
}

TEST(SongFile, ADamagedDataLineLeavesThePlainSectionsAlone) {
  std::string file = SongFileBytes(SmallSong().View(), SaveMode::Compact);
  size_t d = file.find("d=");
  ASSERT_NE(d, std::string::npos);
  file[d + 10] = file[d + 10] == 'Q' ? 'R' : 'Q';
  LoadedSong back;
  ReadSongMemory(file, back, {960});
  EXPECT_EQ(back.title, Sjis("曲"));
  EXPECT_EQ(back.timeBase, (TimeBase{960, 4, 4}));  // compact files keep it in the block
  EXPECT_FALSE(back.trackOrderRead);
  EXPECT_TRUE(back.markers.empty());
  EXPECT_EQ(back.slots[3].panpot, 64);
  EXPECT_EQ(back.slots[3].name, "");
  EXPECT_EQ(back.texts[0], "o44\r\nr\r\n");
}

TEST(SongFile, TrackTextIsCutAtTheBufferSize) {
  std::string file = "[Channel1]\r\n" + std::string(kTrackTextBufferSize + 10, 'c');
  LoadedSong song;
  ReadSongMemory(file, song);
  EXPECT_EQ(song.texts[0].size(), kMaxTrackTextBytes);
}

TEST(SongFile, LinesLongerThanTheFormattingBufferAreWrittenWhole) {
  LoadedSong song;
  song.title = std::string((1 << 20) + 100, 't');
  song.memo = std::string((1 << 20) + 100, '\\');
  LoadedSong back;
  ReadSongMemory(SongFileBytes(song.View(), SaveMode::Compact), back);
  EXPECT_EQ(back.title, song.title);
  EXPECT_EQ(back.memo, song.memo);
}

TEST(SongFile, LineBreaksInOneLineValuesCannotInjectSections) {
  LoadedSong song;
  song.title = "a\r\n[Channel5]\r\nevil";
  song.slots[0] = TrackProperties::Fresh(0);
  song.slots[0].name = "n\n[Channel6]";
  song.trackOrder[0] = 0;
  LoadedSong back;
  ReadSongMemory(SongFileBytes(song.View(), SaveMode::Compatible), back);
  EXPECT_FALSE(back.slots[4].inUse);
  EXPECT_FALSE(back.slots[5].inUse);
  EXPECT_EQ(back.title, "a  [Channel5]  evil");
}

TEST(SongFile, SavingReplacesTheFileOnlyWhenComplete) {
  TempFolder dir;
  std::string path = dir.File("song.mml");
  LoadedSong song = SmallSong();
  ASSERT_EQ(SaveSongFile(path, song.View(), SaveMode::Compact), 0);
  EXPECT_EQ(ReadWholeFile(path).value(), SongFileBytes(song.View(), SaveMode::Compact));
  LoadedSong back;
  ASSERT_EQ(ReadSongFile(path, back), 0);
  EXPECT_EQ(back, SmallSongAsReloaded(SaveMode::Compact));

  // A write that fails half-way (file size limit) leaves the previous file whole.
  const std::string before = ReadWholeFile(path).value();
  LoadedSong big = song;
  big.texts[0] = std::string(200000, 'c');
  struct rlimit old {};
  getrlimit(RLIMIT_FSIZE, &old);
  auto oldHandler = signal(SIGXFSZ, SIG_IGN);
  struct rlimit limited = old;
  limited.rlim_cur = 4096;
  ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &limited), 0);
  int rc = SaveSongFile(path, big.View(), SaveMode::Plain);
  setrlimit(RLIMIT_FSIZE, &old);
  signal(SIGXFSZ, oldHandler);
  EXPECT_EQ(rc, -1);
  EXPECT_EQ(ReadWholeFile(path).value(), before);
  size_t files = 0;
  for (auto& entry : std::filesystem::directory_iterator(dir.path())) {
    (void)entry;
    ++files;
  }
  EXPECT_EQ(files, 1u);  // no temporary file left behind

  EXPECT_EQ(SaveSongFile(dir.File("missing/x.mml"), song.View(), SaveMode::Compact), -1);
  EXPECT_EQ(ReadSongFile(dir.File("missing.mml"), back), -1);
  EXPECT_EQ(ReadSongFile(dir.path(), back), -1);  // a folder is not a song
}

TEST(SongFile, LoadingIntoTheDocumentSortsMarkersAndKeepsReferences) {
  LoadedSong song = SmallSong();
  song.markers = {Marker(300, 1, "late"), Marker(100, 2, "early"), Marker(100, 3, "dup")};
  song.slots[3].startMarker = 1;  // "late", which becomes marker 2
  song.slots[0].startMarker = 3;  // "dup", dropped: the song start
  LoadedSong reread;
  ReadSongMemory(SongFileBytes(song.View(), SaveMode::Compact), reread);
  CMMLDocument doc;
  LoadIntoDocument(reread, doc, "/tmp/x.mml");
  ASSERT_EQ(doc.MarkerCount(), 2);
  EXPECT_EQ(doc.Markers()[0].text, "early");
  EXPECT_EQ(doc.Markers()[1].text, "late");
  EXPECT_EQ(doc.Track(3).startMarker, 2);
  EXPECT_EQ(doc.Track(0).startMarker, 0);
  EXPECT_EQ(doc.TrackOrder()[0], 3);
  EXPECT_EQ(doc.TrackOrder()[1], 0);
  EXPECT_EQ(doc.GetTimeBase(), (TimeBase{480, 3, 4}));
  EXPECT_EQ(doc.Path(), "/tmp/x.mml");
  EXPECT_FALSE(doc.IsModified());
  EXPECT_FALSE(doc.Track(3).events.empty());  // recompiled

  // Saving the document gives what saving the song gave.
  LoadedSong again;
  ReadSongMemory(SongFileBytes(ContentOf(doc), SaveMode::Compact), again);
  EXPECT_EQ(again.texts[0], reread.texts[0]);
  EXPECT_EQ(again.slots[3].name, Sjis("伴奏"));
}

TEST(SongFile, AnOrderNotMatchingTheTracksInUseIsRebuilt) {
  LoadedSong song = SmallSong();
  song.trackOrder = {3, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1};
  CMMLDocument doc;
  LoadIntoDocument(song, doc, "");
  EXPECT_EQ(doc.TrackOrder()[0], 0);
  EXPECT_EQ(doc.TrackOrder()[1], 3);
  EXPECT_EQ(doc.TrackOrder()[2], -1);
}

}  // namespace
}  // namespace kore

namespace kore {
namespace {

TEST(SongFile, BytesHoldingNothingOfASongFileAreRefused) {
  std::string noise(100000, '\0');
  uint32_t x = 12345;
  for (char& c : noise) {
    x = x * 1103515245u + 12345u;
    c = static_cast<char>(x >> 23);
  }
  struct Row {
    const char* name;
    std::string bytes;
    SongFileResult result;
  } rows[] = {
      {"random bytes", noise, kSongFileNotASong},
      {"empty", "", kSongFileNotASong},
      {"other sections", "[Foo]\r\nTimeBase=96\r\n[Marker]\r\n1=0,A\r\n[ChannelProperty1]\r\n",
       kSongFileNotASong},
      {"channel out of range", "[Channel17]\r\ncde\r\n", kSongFileNotASong},
      {"settings", "[Settings]\r\n", kSongFileOk},
      {"settings in capitals", "[SETTINGS]\r\nTimeBase=96\r\n", kSongFileOk},
      {"a channel", "[Channel3]\r\ncde\r\n", kSongFileOk},
      {"extension block", "[KORE EXTENSION]\r\n", kSongFileOk},
  };
  filetest::TempFolder dir;
  for (const Row& row : rows) {
    LoadedSong song;
    song.title = "stale";
    EXPECT_EQ(ReadSongMemory(row.bytes, song), row.result) << row.name;
    if (row.result != kSongFileOk) {
      EXPECT_EQ(song, LoadedSong()) << row.name;
    }
    std::string path = dir.File("x.mml");
    ASSERT_TRUE(std::ofstream(path, std::ios::binary) << row.bytes) << row.name;
    LoadedSong fromFile;
    EXPECT_EQ(ReadSongFile(path, fromFile), row.result) << row.name;
    EXPECT_EQ(ReadAnySongFile(path, fromFile), row.result) << row.name;
  }
}

}  // namespace
}  // namespace kore
