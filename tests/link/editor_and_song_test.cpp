// The editor's and the document's undo histories live side by side in one program; a shared type
// name would make one library's inline members run on the other's records.
#include <gtest/gtest.h>

#include <string>

#include "editor/text_buffer.h"
#include "song/song_document.h"

namespace kore {
namespace {

TEST(EditorAndSong, BothUndoHistoriesWorkInOneProgram) {
  editor::TextBuffer buffer;
  buffer.SetText("abc");
  for (int i = 0; i < 40; ++i) ASSERT_TRUE(buffer.ReplaceSelection("xyz", true, true)) << i;
  CMMLDocument doc;
  for (int round = 0; round < 20; ++round) {
    int32_t slot = doc.AddTrack();
    ASSERT_GE(slot, 0) << round;
    doc.AddMarker(48 * (round + 1), "m", 0);
    ASSERT_TRUE(doc.Undo()) << round;  // the marker
    ASSERT_TRUE(doc.Undo()) << round;  // the track: its record keeps a copy of the slot
    EXPECT_EQ(doc.TrackCount(), 1) << round;
    ASSERT_TRUE(doc.Redo()) << round;
    EXPECT_EQ(doc.Track(slot).inUse, 1) << round;
    ASSERT_TRUE(doc.Undo()) << round;
  }
  while (buffer.UndoSteps() > 0) ASSERT_TRUE(buffer.Undo());
  EXPECT_EQ(buffer.GetText(editor::kLineCodeLf), "abc");
}

}  // namespace
}  // namespace kore
