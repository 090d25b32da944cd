// Song files: the three save modes byte for byte, reading them back, and damaged or foreign input.
#include "song/song_file.h"

#include <signal.h>
#include <sys/resource.h>

#include <fstream>
#include <random>

#include "song/foreign_formats.h"
#include "song_test_util.h"

namespace kore {
namespace {

using namespace test;

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

TEST(SongFile, EachModeWritesTheKnownBytesAndReloadsTheSong) {
  const struct {
    SaveMode mode;
    const char* file;
  } rows[] = {{SaveMode::Compact, "song_compact.mml"},
              {SaveMode::Compatible, "song_compatible.mml"},
              {SaveMode::Plain, "song_plain.mml"}};
  for (const auto& row : rows) {
    SCOPED_TRACE(row.file);
    const std::string bytes = DataFile(row.file);
    EXPECT_EQ(SongFileBytes(SmallSong().View(), row.mode), bytes);
    LoadedSong back;
    ASSERT_EQ(ReadSongMemory(bytes, back), kSongFileOk);
    EXPECT_EQ(back, SmallSongAsReloaded(row.mode));
  }
  EXPECT_TRUE(SaveModeOf(false, false) == SaveMode::Plain &&
              SaveModeOf(true, false) == SaveMode::Compatible &&
              SaveModeOf(false, true) == SaveMode::Compact);
}

// Files read as their known descriptions under data/read/: capitals, bare line feeds and
// double-byte brackets; the explicit and ensemble instrument tables; whole marker names; a
// damaged data line that leaves the plain sections alone; the part-based and binary formats;
// bytes given in the table as a song file, part-based text or clipboard text, with the result;
// the reader a path's extension chooses.
TEST(SongReaders, KnownFilesReadAsDescribed) {
  CheckGolden(std::string(KORE_SOURCE_DIR) + "/tests/song/data/readers.txt",
              [](const std::string& input) {
                std::istringstream words(input);
                std::string kind, path;
                int32_t defaultTicks = 32;
                words >> kind >> path >> defaultTicks;
                if (kind == "reader") {  // the reader chosen for a path
                  const char* names[] = {"song", "mms", "kor"};
                  return std::string(names[static_cast<int>(SongFileKindOf(path))]) + "\n";
                }
                LoadedSong song;
                song.title = "stale";  // shows what a refused read leaves
                const std::string bytes = path == "''" ? "" : Unescape(path);
                if (kind == "memory" || kind == "mms" || kind == "clip") {
                  const int result = kind == "memory" ? ReadSongMemory(bytes, song, {defaultTicks})
                                     : kind == "mms"  ? ReadMmsText(bytes, song)
                                                     : ParseClipboardMml(bytes, song, defaultTicks);
                  return "result " + std::to_string(result) + "\n" + Describe(song);
                }
                path = std::string(KORE_SOURCE_DIR) + "/" + path;
                if (kind == "clipboard") {
                  ParseClipboardMml(ReadWholeFile(path).value_or(""), song, defaultTicks);
                } else if (ReadAnySongFile(path, song, {defaultTicks}) != kSongFileOk) {
                  return std::string("not a song\n");
                }
                return Describe(song);
              });
}

TEST(SongFile, LongValuesAreWrittenWholeButTrackTextIsCut) {
  LoadedSong song;
  song.title = std::string((1 << 20) + 100, 't');
  song.memo = std::string((1 << 20) + 100, '\\');
  LoadedSong back;
  ReadSongMemory(SongFileBytes(song.View(), SaveMode::Compact), back);
  EXPECT_TRUE(back.title == song.title && back.memo == song.memo);
  ReadSongMemory("[Channel1]\r\n" + std::string(kTrackTextBufferSize + 10, 'c'), back);
  EXPECT_EQ(back.texts[0].size(), kMaxTrackTextBytes);
}

TEST(SongFile, LineBreaksInOneLineValuesCannotInjectSections) {
  LoadedSong song;
  song.title = "a\r\n[Channel5]\r\nevil";
  song.slots[0] = TrackProperties::Fresh(0);
  song.slots[0].name = "n\n[Channel6]";
  song.trackOrder[0] = 0;
  LoadedSong back;
  ReadSongMemory(SongFileBytes(song.View(), SaveMode::Compatible), back);
  EXPECT_FALSE(back.slots[4].inUse || back.slots[5].inUse);
  EXPECT_EQ(back.title, "a  [Channel5]  evil");
}

TEST(SongFile, SavingReplacesTheFileOnlyWhenComplete) {
  TempDir dir;
  std::string path = dir.File("song.mml");
  LoadedSong song = SmallSong();
  ASSERT_EQ(SaveSongFile(path, song.View(), SaveMode::Compact), 0);
  const std::string before = ReadWholeFile(path).value();
  EXPECT_EQ(before, DataFile("song_compact.mml"));
  // A write that fails half-way (file size limit) leaves the previous file whole.
  song.texts[0] = std::string(200000, 'c');
  struct rlimit old {};
  getrlimit(RLIMIT_FSIZE, &old);
  auto oldHandler = signal(SIGXFSZ, SIG_IGN);
  struct rlimit limited = old;
  limited.rlim_cur = 4096;
  ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &limited), 0);
  int rc = SaveSongFile(path, song.View(), SaveMode::Plain);
  setrlimit(RLIMIT_FSIZE, &old);
  signal(SIGXFSZ, oldHandler);
  EXPECT_EQ(rc, -1);
  EXPECT_EQ(ReadWholeFile(path).value(), before);
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.Path().string()), {}), 1);
  EXPECT_EQ(SaveSongFile(dir.File("missing/x.mml"), song.View(), SaveMode::Compact), -1);
  LoadedSong back;
  EXPECT_EQ(ReadSongFile(dir.File("missing.mml"), back), -1);
  EXPECT_EQ(ReadSongFile(dir.Path().string(), back), -1);  // a folder is not a song
}

TEST(SongFile, TheDocumentSavesWhatTheSongSaved) {
  CMMLDocument doc;
  LoadIntoDocument(SmallSong(), doc, "/tmp/x.mml");
  EXPECT_EQ(doc.Path(), "/tmp/x.mml");
  EXPECT_FALSE(doc.IsModified());
  EXPECT_EQ(SongFileBytes(ContentOf(doc), SaveMode::Compact), DataFile("song_compact.mml"));
}

// What the readers make of bytes is in the table; here the file readers agree with it.
TEST(SongFile, BytesHoldingNothingOfASongFileAreRefused) {
  std::string noise(100000, '\0');
  std::mt19937 rng(12345);
  for (char& c : noise) c = static_cast<char>(rng() >> 23);
  TempDir dir;
  const std::string path = dir.File("x.mml");
  for (auto [bytes, result] :
       {std::pair{noise, kSongFileNotASong}, {std::string("[Channel3]\r\ncde\r\n"), kSongFileOk}}) {
    LoadedSong song;
    song.title = "stale";
    EXPECT_EQ(ReadSongMemory(bytes, song), result);
    EXPECT_EQ(song == LoadedSong(), result != kSongFileOk) << result;
    ASSERT_TRUE(std::ofstream(path, std::ios::binary) << bytes);
    EXPECT_EQ(ReadSongFile(path, song), result);
    EXPECT_EQ(ReadAnySongFile(path, song), result);
  }
}

}  // namespace
}  // namespace kore
