#include "mml/game_export.h"

#include <gtest/gtest.h>

#include "base/shift_jis.h"

namespace kore {
namespace {

std::string Utf8(const std::string& sjis) { return SjisToUtf8(sjis).text; }

// A track whose MML character count is `count` and which the writer cannot shorten.
std::string TrackOfLength(int count) {
  std::string text;
  for (int i = 0; i < count; ++i) text += "cdefgab"[i % 7];
  return text;
}

GameExportResult Build(const std::vector<GameExportTrack>& tracks, int32_t format, bool optimize) {
  GameExportResult result;
  BuildGameMml(tracks, format, optimize, result);
  return result;
}

TEST(RequiredRank, SmallestRankEveryPartFits) {
  EXPECT_EQ(RequiredRank({150, 0, 0}), 0);
  EXPECT_EQ(Utf8(RankName(0)), "練習");
  EXPECT_EQ(RequiredRank({500, 300, 100}), 5);
  EXPECT_EQ(Utf8(RankName(5)), "B");
  EXPECT_EQ(RequiredRank({1201, 0, 0}), -1);
  EXPECT_EQ(Utf8(RankName(-1)), "作曲不可能");
  EXPECT_EQ(RequiredRank({200, 100, 0}), 0);  // limits are inclusive
  EXPECT_EQ(RequiredRank({201, 0, 0}), 1);
  EXPECT_EQ(RequiredRank({0, 0, 1}), 1);  // a chord 2 needs rank F at least
  EXPECT_EQ(RequiredRank({1200, 800, 500}), 15);
  EXPECT_EQ(Utf8(RankName(15)), "1");
  EXPECT_EQ(RequiredRank({0, 801, 0}), -1);
  EXPECT_EQ(RequiredRank({0, 0, 501}), -1);
  EXPECT_EQ(RankLimit(1, 7), 350);
  EXPECT_EQ(Utf8(RankName(16)), "作曲不可能");
}

TEST(PlainGameMml, KeepsCommandBytesOnly) {
  EXPECT_EQ(PlainGameMml("O4 C4 d+8. // note\nR2 /* x */ L8 T120 V10 N60 < > &", false),
            "o4c4d+8.r2l8t120v10n60<>&");
  EXPECT_EQ(PlainGameMml("c4 ; the rest of the line\nd4", false), "c4d4");
  EXPECT_EQ(PlainGameMml("c4 [verse 1\n] d4", false), "c4d4");
  EXPECT_EQ(PlainGameMml("c4 [ d4", false), "c4d4");  // an unclosed "[" hides nothing
  EXPECT_EQ(PlainGameMml("c /* open", false), "c");
  // "ー" is 0x81 0x5B: its trail byte is no bracket, and the "c" after it stays.
  EXPECT_EQ(PlainGameMml(Sjis("ーc]d"), false), "cd");
  EXPECT_EQ(PlainGameMml("xyz,!@c#", false), "c#");
  // A lead byte without a trail byte is a byte of its own: the line break after it stays.
  EXPECT_EQ(PlainGameMml("c\x82\nd", true), "c\nd");
}

TEST(PlainGameMml, BoardFormKeepsLineBreaksButNotAtTheEnd) {
  EXPECT_EQ(PlainGameMml("c4 // one\r\nd4\r\n\r\n", true), "c4\r\nd4");
  EXPECT_EQ(PlainGameMml("c4 // one\r\nd4\r\n\r\n", false), "c4d4");
  EXPECT_EQ(GamePartLength("c4\r\nd4"), 4);
}

TEST(BuildGameMml, OneTrackInGameFormat) {
  std::string text = TrackOfLength(150);
  GameExportResult result = Build({{"melody", text}}, kGameFormatGame, false);
  EXPECT_EQ(result.totalLength, 150);
  EXPECT_EQ(result.mml, "MML@" + text + ";");
  EXPECT_EQ(Utf8(RankName(result.rankIndex)), "練習");
}

TEST(BuildGameMml, LongestTrackBecomesTheMelody) {
  std::string a = TrackOfLength(100), b = TrackOfLength(300), c = TrackOfLength(500);
  for (bool optimize : {false, true}) {
    GameExportResult result = Build({{"a", a}, {"b", b}, {"c", c}}, kGameFormatGame, optimize);
    ASSERT_EQ(result.parts.size(), 3u);
    EXPECT_EQ(result.parts[0].name, "c");
    EXPECT_EQ(result.parts[1].name, "b");
    EXPECT_EQ(result.parts[2].name, "a");
    EXPECT_EQ(result.PartLengths(), (std::array<int32_t, 3>{500, 300, 100}));
    EXPECT_EQ(result.mml, "MML@" + c + "," + b + "," + a + ";");
    EXPECT_EQ(Utf8(RankName(result.rankIndex)), "B");
    EXPECT_EQ(result.totalLength, 900);
  }
}

TEST(BuildGameMml, EqualLengthsKeepTrackOrder) {
  GameExportResult result = Build({{"first", "cd"}, {"second", "ef"}}, kGameFormatGame, false);
  EXPECT_EQ(result.mml, "MML@cd,ef;");
}

TEST(BuildGameMml, UnoptimisedOrderFollowsTheMmlCharacterCount) {
  // The first track's text is shorter but the game counts more characters in it.
  GameExportResult result = Build({{"x", "c;d"}, {"y", "e"}}, kGameFormatGame, false);
  ASSERT_EQ(result.parts.size(), 2u);
  EXPECT_EQ(result.parts[0].name, "x");
  EXPECT_EQ(result.parts[0].characterCount, 2);
  EXPECT_EQ(result.parts[0].text, "c");
}

TEST(BuildGameMml, MethodChoiceFavoursThePlainFormOnTies) {
  GameExportResult result =
      Build({{"plain", "cde"}, {"shorter", "c4 d4 e4"}}, kGameFormatGame, true);
  EXPECT_EQ(result.methods, "XB");  // track order; mode 1 wins its tie with mode 0
  ASSERT_EQ(result.parts.size(), 2u);
  EXPECT_EQ(result.parts[0].text, "cde");
  EXPECT_EQ(result.parts[1].text, "cde");
  EXPECT_EQ(result.parts[1].characterCount, 6);
  EXPECT_EQ(result.parts[1].length, 3);
}

TEST(BuildGameMml, BoardFormWithTwoTracks) {
  GameExportResult result = Build({{"a", "c4\r\nd4"}, {"b", "e"}}, kGameFormatBoard, false);
  EXPECT_EQ(result.mml, "MML@\r\nc4\r\nd4\r\n,\r\ne\r\n;\r\n");
  std::string text = GameClipboardText(kGameFormatBoard, Sjis("曲"), Sjis("出典"), result);
  EXPECT_EQ(Utf8(text),
            "【曲名】曲\r\n【出典】出典\r\n【作曲可能ランク】練習 (4/1/0)\r\n\r\n"
            "MML@\r\nc4\r\nd4\r\n,\r\ne\r\n;\r\n");
  EXPECT_EQ(GameClipboardText(kGameFormatGame, "t", "s", result), result.mml);
}

TEST(BuildGameMml, NothingToExport) {
  GameExportResult result;
  EXPECT_EQ(BuildGameMml({}, kGameFormatGame, false, result), 0);
  std::vector<GameExportTrack> four(4, {"t", "c"});
  EXPECT_EQ(BuildGameMml(four, kGameFormatGame, false, result), 0);
  EXPECT_TRUE(result.mml.empty());
  std::vector<GameExportTrack> one(1, {"t", "c"});
  EXPECT_EQ(BuildGameMml(one, kGameFormatElvaraMml, false, result), 0);
  std::vector<GameExportTrack> empty(2, {"t", "// nothing"});
  EXPECT_EQ(BuildGameMml(empty, kGameFormatGame, true, result), 0);
  EXPECT_TRUE(result.parts.empty());
}

TEST(GameExportMessage, ListsPartsMethodsAndRank) {
  GameExportResult result =
      Build({{Sjis("伴奏"), "c4 d4 e4"}, {Sjis("主旋律"), "c4 d4 e4 f4"}}, kGameFormatGame, true);
  EXPECT_EQ(Utf8(GameExportMessage(kGameFormatGame, true, result)),
            "Elvara(MML@)形式で以下のとおりに出力しました。     　　\n\n"
            "圧縮メソッド : BB\n\n"
            "Melody  :    8 →    4 文字 [主旋律]\n"
            "Chord 1 :    6 →    3 文字 [伴奏]\n"
            "\n必要作曲ランク : 練習");
  GameExportResult plain = Build({{"a", "c4"}}, kGameFormatBoard, false);
  EXPECT_EQ(Utf8(GameExportMessage(kGameFormatBoard, false, plain)),
            "したらば形式(MML@改行あり)で以下のとおりに出力しました。     　　\n\n"
            "Melody  :    2 文字 [a]\n"
            "\n必要作曲ランク : 練習");
}

TEST(ExportStatus, TextAndCopyButton) {
  ExportStatus status = ExportStatusFor(kGameFormatElvaraMml, {});
  EXPECT_EQ(Utf8(status.text), "すべてのトラックが出力されます。");
  EXPECT_TRUE(status.copyEnabled);
  status = ExportStatusFor(kGameFormatGame, {});
  EXPECT_EQ(Utf8(status.text), "トラックを3つまで選択して下さい。");
  EXPECT_FALSE(status.copyEnabled);
  std::vector<int32_t> four = {1, 2, 3, 4};
  status = ExportStatusFor(kGameFormatBoard, four);
  EXPECT_EQ(Utf8(status.text), "トラックが4つ以上選択されています。");
  EXPECT_FALSE(status.copyEnabled);
  std::vector<int32_t> counts = {100, 500, 300};  // sorted longest first before ranking
  status = ExportStatusFor(kGameFormatGame, counts);
  EXPECT_EQ(Utf8(status.text), "必要作曲ランク : B");
  EXPECT_TRUE(status.copyEnabled);
}

TEST(ExportDialogTexts, ListItemsDescriptionsAndMessages) {
  EXPECT_EQ(Utf8(TrackListItem(42, Sjis("ピアノ"))), "  42文字 : ピアノ");
  EXPECT_EQ(Utf8(FormatDescription(kGameFormatElvaraMml)),
            "ElvaraMMLの形式で出力します。\r\nすべてのトラックが出力対象です。");
  EXPECT_NE(Utf8(FormatDescription(kGameFormatGame)).find("MML@<メロディ>,<和音1>,<和音2>;"),
            std::string::npos);
  EXPECT_EQ(Utf8(ElvaraMmlExportedMessage()), "ElvaraMML形式で出力しました。");
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
