#include "song/game_export_song.h"

#include <gtest/gtest.h>

#include "base/shift_jis.h"
#include "song/loaded_song.h"

namespace kore {
namespace {

LoadedSong ThreeTrackSong() {
  LoadedSong song;
  song.title = Sjis("曲");
  song.source = "src";
  const char* texts[] = {"c4 d4 e4", "o5 c1 // high", "l8 cdefgab"};
  const char* names[] = {"one", "two", "three"};
  for (int slot = 0; slot < 3; ++slot) {
    song.slots[slot].inUse = 1;
    song.slots[slot].name = names[slot];
    song.texts[slot] = texts[slot];
  }
  song.trackOrder = {2, 0, 1, -1};
  song.trackOrderRead = true;
  return song;
}

TEST(DisplayOrder, ListedSlotsInUseUpToTheEnd) {
  LoadedSong song = ThreeTrackSong();
  song.trackOrder = {2, 5, 0, -1, 1};  // slot 5 is not in use; 1 stands after the end
  EXPECT_EQ(DisplayOrder(song.View()), (std::vector<int32_t>{2, 0}));
}

TEST(ExportGameText, GameFormatOfTheSelectedSlots) {
  LoadedSong song = ThreeTrackSong();
  std::vector<int32_t> slots = {0, 2};
  GameClipboardExport out;
  ASSERT_EQ(ExportGameText(song.View(), slots, kGameFormatGame, false, SaveMode::Compact, out), 0);
  EXPECT_EQ(out.text, "MML@l8cdefgab,c4d4e4;");
  EXPECT_NE(SjisToUtf8(out.message).text.find("Chord 1 :    6 文字 [one]"), std::string::npos);

  ASSERT_EQ(ExportGameText(song.View(), slots, kGameFormatBoard, true, SaveMode::Compact, out), 0);
  EXPECT_EQ(SjisToUtf8(out.text).text,
            "【曲名】曲\r\n【出典】src\r\n【作曲可能ランク】練習 (9/3/0)\r\n\r\n"
            "MML@\r\nl8cdefgab\r\n,\r\ncde\r\n;\r\n");
  EXPECT_EQ(out.result.methods, "BX");  // slot order as given: 0, then 2
}

TEST(ExportGameText, NothingHappensWithoutAUsableSelection) {
  LoadedSong song = ThreeTrackSong();
  GameClipboardExport out;
  EXPECT_EQ(ExportGameText(song.View(), {}, kGameFormatGame, false, SaveMode::Compact, out), -1);
  std::vector<int32_t> four = {0, 1, 2, 3};
  EXPECT_EQ(ExportGameText(song.View(), four, kGameFormatGame, false, SaveMode::Compact, out), -1);
  song.texts[0] = "// only a comment";
  std::vector<int32_t> first = {0};
  EXPECT_EQ(ExportGameText(song.View(), first, kGameFormatGame, true, SaveMode::Compact, out), -1);
  EXPECT_TRUE(out.text.empty());
  EXPECT_EQ(ExportGameText(song.View(), first, 7, true, SaveMode::Compact, out), -1);
}

TEST(ExportGameText, WholeSongIsTheSongFileWithoutItsLastByte) {
  LoadedSong song = ThreeTrackSong();
  for (SaveMode mode : {SaveMode::Compact, SaveMode::Plain, SaveMode::Compatible}) {
    std::string file = SongFileBytes(song.View(), mode);
    GameClipboardExport out;
    ASSERT_EQ(ExportGameText(song.View(), {}, kGameFormatElvaraMml, false, mode, out), 0);
    ASSERT_FALSE(file.empty());
    EXPECT_EQ(out.text, file.substr(0, file.size() - 1));
    EXPECT_EQ(SjisToUtf8(out.message).text, "ElvaraMML形式で出力しました。");
    // Every track goes, whatever is selected.
    EXPECT_NE(out.text.find("l8 cdefgab"), std::string::npos);
    EXPECT_NE(out.text.find("o5 c1 // high"), std::string::npos);
  }
}

}  // namespace
}  // namespace kore
