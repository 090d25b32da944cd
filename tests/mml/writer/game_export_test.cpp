#include "mml/game_export.h"

#include <gtest/gtest.h>

#include <sstream>

#include "base/shift_jis.h"
#include "tests/support/golden.h"

namespace kore {
namespace {

std::string Utf8(const std::string& sjis) { return SjisToUtf8(sjis).text; }

// "> {board opt} name=text | name=text ...": the result and the message of an export.
std::string Export(const std::string& line) {
  const size_t close = line.find("} ");
  const std::string options = line.substr(1, close - 1);
  const int32_t format = options.find("board") != std::string::npos ? kGameFormatBoard
                         : options.find("elvara") != std::string::npos ? kGameFormatElvaraMml
                                                                       : kGameFormatGame;
  const bool optimize = options.find("opt") != std::string::npos;
  std::vector<GameExportTrack> tracks;
  std::vector<std::string> texts;  // the tracks' views point here
  texts.reserve(16);
  std::istringstream in(line.substr(close + 2));
  for (std::string track; std::getline(in, track, '|');) {
    const size_t eq = track.find('=');
    const size_t from = track.find_first_not_of(' ');
    const size_t to = track.find_last_not_of(' ');
    texts.push_back(test::Unescape(track.substr(eq + 1, to - eq)));
    tracks.push_back({Sjis(track.substr(from, eq - from)), texts.back()});
  }
  GameExportResult result;
  const int32_t total = BuildGameMml(tracks, format, optimize, result);
  if (total == 0) return result.mml.empty() && result.parts.empty() ? "nothing\n" : "partial\n";
  std::string out = "mml " + test::Escape(result.mml) + "\nmethods " + result.methods + "\n";
  for (const GameExportPart& part : result.parts) {
    out += "part " + Utf8(part.name) + " count " + std::to_string(part.characterCount) +
           " length " + std::to_string(part.length) + " " + test::Escape(part.text) + "\n";
  }
  out += "rank " + Utf8(RankName(result.rankIndex)) + " total " + std::to_string(total) + "\n";
  std::string message = Utf8(GameExportMessage(format, optimize, result));
  for (size_t at = 0; (at = message.find('\n', at)) != std::string::npos;) {
    message.replace(at, 1, "\\n");
  }
  return out + "message " + message + "\n";
}

TEST(BuildGameMml, TableOfExports) {
  test::CheckGolden(KORE_SOURCE_DIR "/tests/mml/writer/data/exports.txt", Export);
}

TEST(RequiredRank, SmallestRankEveryPartFits) {
  const struct {
    std::array<int32_t, 3> lengths;
    const char* rank;
  } rows[] = {
      {{150, 0, 0}, "練習"},      {{200, 100, 0}, "練習"},  // limits are inclusive
      {{201, 0, 0}, "F"},         {{0, 0, 1}, "F"},         // a chord 2 needs rank F at least
      {{500, 300, 100}, "B"},     {{1200, 800, 500}, "1"},  {{1201, 0, 0}, "作曲不可能"},
      {{0, 801, 0}, "作曲不可能"}, {{0, 0, 501}, "作曲不可能"},
  };
  for (const auto& row : rows) {
    EXPECT_EQ(Utf8(RankName(RequiredRank(row.lengths))), row.rank) << row.lengths[0] << ","
                                                                    << row.lengths[1] << ","
                                                                    << row.lengths[2];
  }
  EXPECT_EQ(Utf8(RankName(16)), "作曲不可能");
}

// "> text" or "> {board} text": the command bytes kept, and their count.
TEST(PlainGameMml, TableOfTexts) {
  test::CheckGolden(KORE_SOURCE_DIR "/tests/mml/writer/data/plain.txt", [](const std::string& line) {
    const bool board = line.rfind("{board} ", 0) == 0;
    const std::string plain = PlainGameMml(test::Unescape(line.substr(board ? 8 : 0)), board);
    return test::Escape(plain) + " " + std::to_string(GamePartLength(plain)) + "\n";
  });
}

TEST(GameClipboardText, BoardFormHasAHeader) {
  GameExportResult result;
  BuildGameMml(std::vector<GameExportTrack>{{"a", "c4\r\nd4"}, {"b", "e"}}, kGameFormatBoard,
               false, result);
  std::string text = GameClipboardText(kGameFormatBoard, Sjis("曲"), Sjis("出典"), result);
  EXPECT_EQ(Utf8(text),
            "【曲名】曲\r\n【出典】出典\r\n【作曲可能ランク】練習 (4/1/0)\r\n\r\n"
            "MML@\r\nc4\r\nd4\r\n,\r\ne\r\n;\r\n");
  EXPECT_EQ(GameClipboardText(kGameFormatGame, "t", "s", result), result.mml);
}

TEST(ExportStatus, TextAndCopyButton) {
  const struct {
    int32_t format;
    std::vector<int32_t> counts;
    const char* text;
    bool copy;
  } rows[] = {
      {kGameFormatElvaraMml, {}, "すべてのトラックが出力されます。", true},
      {kGameFormatGame, {}, "トラックを3つまで選択して下さい。", false},
      {kGameFormatBoard, {1, 2, 3, 4}, "トラックが4つ以上選択されています。", false},
      {kGameFormatGame, {100, 500, 300}, "必要作曲ランク : B", true},  // sorted before ranking
  };
  for (const auto& row : rows) {
    ExportStatus status = ExportStatusFor(row.format, row.counts);
    EXPECT_EQ(Utf8(status.text), row.text);
    EXPECT_EQ(status.copyEnabled, row.copy) << row.text;
  }
}

TEST(ExportDialogTexts, ListItemsAndSongFileText) {
  EXPECT_EQ(Utf8(TrackListItem(42, Sjis("ピアノ"))), "  42文字 : ピアノ");
  EXPECT_EQ(ElvaraMmlClipboardText("[Settings]\r\n"), "[Settings]\r");
  EXPECT_EQ(ElvaraMmlClipboardText(""), "");
}

TEST(TrackSelection, AtMostThreeEarliestGivesWay) {
  TrackSelection selection(5);
  EXPECT_EQ(selection.Selected(), (std::vector<int32_t>{0, 1, 2}));
  selection.Toggle(3);  // a fourth: the first selected goes
  EXPECT_EQ(selection.Selected(), (std::vector<int32_t>{1, 2, 3}));
  EXPECT_FALSE(selection.IsSelected(0));
  selection.Toggle(2);  // a click on a selected item deselects it
  EXPECT_EQ(selection.SelectionOrder(), (std::vector<int32_t>{1, 3}));
  selection.Toggle(0);
  selection.Toggle(4);  // now 1 is the earliest
  EXPECT_EQ(selection.SelectionOrder(), (std::vector<int32_t>{3, 0, 4}));
  EXPECT_EQ(selection.Selected(), (std::vector<int32_t>{0, 3, 4}));
  selection.Toggle(7);
  selection.Toggle(-1);
  EXPECT_EQ(selection.Selected().size(), 3u);
  selection.Reset();
  EXPECT_TRUE(selection.Selected().empty());
  EXPECT_EQ(TrackSelection(2).Selected(), (std::vector<int32_t>{0, 1}));
}

}  // namespace
}  // namespace kore
