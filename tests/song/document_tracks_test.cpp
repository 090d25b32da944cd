// Track text buffers. Track and marker operations are in the document scripts; the song list a
// text change rebuilds is checked in document_load_test.
#include "song_test_util.h"

namespace kore {
namespace {

using namespace test;

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

// A full song refuses a track even without a notifier to tell.
TEST(DocumentDefaults, NewMarkerNameAndAFullSongRefusingWithoutANotifier) {
  EXPECT_EQ(NewMarkerName(), Sjis("新規マーカー"));
  CMMLDocument doc;
  doc.NewSong(15, 32);
  EXPECT_EQ(doc.AddTrack(), -1);
}

}  // namespace
}  // namespace kore
