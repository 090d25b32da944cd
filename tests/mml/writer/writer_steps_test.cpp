#include <gtest/gtest.h>

#include "mml/mml_writer.h"
#include "mml/mml_writer_internal.h"

namespace kore::writer_detail {
namespace {

LengthItem Note(int32_t code, int32_t written = kNoCode, bool tied = false) {
  LengthItem item;
  item.note = true;
  item.code = code;
  item.written = written;
  item.tied = tied;
  return item;
}
LengthItem Rest(int32_t code, int32_t written = kNoCode) {
  LengthItem item = Note(code, written);
  item.note = false;
  return item;
}
LengthItem Numeric(int32_t defaultCode, int32_t written = kNoCode) {
  LengthItem item = Note(defaultCode, written);
  item.numeric = true;
  return item;
}
std::vector<int32_t> Written(const std::vector<LengthItem>& items) {
  std::vector<int32_t> written;
  for (const LengthItem& item : items) written.push_back(item.written);
  return written;
}

TEST(LengthCode, CostsByDigits) {
  EXPECT_EQ(LengthCodeOf(4, false), 3);
  EXPECT_EQ(LengthCodeOf(8, true), 71);
  EXPECT_EQ(LengthCodeCost(LengthCodeOf(9, false)), 1);   // "9"
  EXPECT_EQ(LengthCodeCost(LengthCodeOf(10, false)), 2);  // "10"
  EXPECT_EQ(LengthCodeCost(LengthCodeOf(9, true)), 2);    // "9."
  EXPECT_EQ(LengthCodeCost(LengthCodeOf(10, true)), 3);   // "10."
}

TEST(SplitRestTicks, KeepsEveryTickWithStandardRests) {
  for (int64_t ticks = 2; ticks <= 4000; ++ticks) {
    int64_t total = 0;
    int dotted64 = 0;
    for (const RestPiece& piece : SplitRestTicks(ticks)) {
      ASSERT_TRUE(piece.lengthValue == 1 || piece.lengthValue == 2 || piece.lengthValue == 4 ||
                  piece.lengthValue == 8 || piece.lengthValue == 16 || piece.lengthValue == 32 ||
                  piece.lengthValue == 64);
      ASSERT_TRUE(!piece.dotted || piece.lengthValue == 1 || piece.lengthValue == 64);
      if (piece.dotted && piece.lengthValue == 64) ++dotted64;
      int64_t whole = 128 / piece.lengthValue;
      total += piece.dotted ? whole * 3 / 2 : whole;
    }
    ASSERT_EQ(total, ticks);
    ASSERT_EQ(dotted64, ticks % 2);
  }
}

TEST(SplitRestTicks, RegroupsWholeRests) {
  auto count = [](int64_t ticks) {
    int dotted = 0, plain = 0;
    for (const RestPiece& piece : SplitRestTicks(ticks)) {
      if (piece.lengthValue == 1) (piece.dotted ? dotted : plain)++;
    }
    return std::pair{dotted, plain};
  };
  EXPECT_EQ(count(5 * 128), std::pair(0, 5));
  EXPECT_EQ(count(6 * 128), std::pair(4, 0));
  EXPECT_EQ(count(8 * 128 + 64), std::pair(4, 2));
  EXPECT_EQ(count(9 * 128), std::pair(6, 0));
  EXPECT_EQ(count(10 * 128), std::pair(6, 1));
  EXPECT_EQ(count(30 * 128), std::pair(20, 0));
}

TEST(OptimiseLengthCodes, SwitchesAfterRepeatedLengths) {
  std::vector<LengthItem> items = {Note(3), Note(7), Note(7), Note(7)};
  OptimiseLengthCodes(items, kWriterModePlain);
  EXPECT_EQ(Written(items), (std::vector<int32_t>{3, 7, kNoCode, kNoCode}));
}

TEST(OptimiseLengthCodes, OnlyModeOneTakesTheDottedFormOfTheDefault) {
  std::vector<LengthItem> items = {Note(3), Note(67), Note(67), Note(67), Note(67)};
  std::vector<LengthItem> plain = items, dotted = items;
  OptimiseLengthCodes(plain, kWriterModePlain);
  OptimiseLengthCodes(dotted, kWriterModeDotted);
  EXPECT_EQ(Written(plain), (std::vector<int32_t>{3, kNoCode, kNoCode, kNoCode, kNoCode}));
  EXPECT_EQ(Written(dotted), (std::vector<int32_t>{3, 67, kNoCode, kNoCode, kNoCode}));
}

TEST(OptimiseLengthCodes, NotesByNumberGetTheirDefaultAndTheOldOneReturns) {
  std::vector<LengthItem> items = {Note(3), Numeric(7), Numeric(7), Numeric(15), Rest(3), Note(3)};
  OptimiseLengthCodes(items, kWriterModePlain);
  EXPECT_EQ(Written(items), (std::vector<int32_t>{3, 7, kNoCode, 15, 3, kNoCode}));
}

TEST(PruneLengthCodes, DropsAChangeThatCostsMoreThanItSaves) {
  // "l8" for one eighth costs more than writing "8"; the quarters after it keep their "l4".
  std::vector<LengthItem> items = {Note(3, 3), Note(7, 7), Note(3, 3), Note(3),
                                   Note(3),    Note(3),    Note(7, 7)};
  PruneLengthCodes(items);
  EXPECT_EQ(Written(items), (std::vector<int32_t>{3, kNoCode, 3, kNoCode, kNoCode, kNoCode, 7}));
}

TEST(PruneLengthCodes, KeepsAChangeANoteByNumberLivesOn) {
  std::vector<LengthItem> items = {Note(3, 3), Note(7, 7), Numeric(7), Note(3, 3), Note(3)};
  PruneLengthCodes(items);
  EXPECT_EQ(items[1].written, 7);
  // Without the note by number the same change goes.
  items[2] = Note(7);
  PruneLengthCodes(items);
  EXPECT_EQ(items[1].written, kNoCode);
}

TEST(PruneLengthCodes, ChainTakesTheFirstCheapestPattern) {
  // Both changes are candidates and form one chain; every pattern but "keep both" costs the
  // same, and the first of them removes both.
  std::vector<LengthItem> items = {Rest(3, 3), Note(7, 7), Note(3, 3), Note(7, 7), Note(7)};
  PruneLengthCodes(items);
  EXPECT_EQ(Written(items), (std::vector<int32_t>{3, kNoCode, kNoCode, 7, kNoCode}));
}

TEST(ApplyTieRule, MovesTheChangeToThePreviousNote) {
  std::vector<LengthItem> items = {Note(3, 3), Note(3), Note(7, 7, true)};
  ApplyTieRule(items);
  EXPECT_EQ(Written(items), (std::vector<int32_t>{3, 7, kNoCode}));
}

TEST(ApplyTieRule, MovesTheChangeToTheNextNoteWhenThePreviousHasItsOwn) {
  std::vector<LengthItem> items = {Note(3, 3), Note(7, 7), Note(15, 15, true), Note(15)};
  ApplyTieRule(items);
  EXPECT_EQ(Written(items), (std::vector<int32_t>{3, 7, kNoCode, 15}));
}

TEST(ApplyTieRule, NeverMovesTheChangeBehindAnotherTie) {
  // x & y & z: z is tied too, so the change stays on y (and is written before its "&").
  std::vector<LengthItem> items = {Note(3, 3), Note(15, 15), Note(7, 7, true),
                                   Note(7, kNoCode, true)};
  ApplyTieRule(items);
  EXPECT_EQ(Written(items), (std::vector<int32_t>{3, 15, 7, kNoCode}));
}

TEST(ApplyTieRule, DoesNotMoveOverACodeOnARestInBetween) {
  // The rest's whole-note default would take over again before the tied note.
  std::vector<LengthItem> items = {Note(3, 3), Rest(0, 0), Note(7, 7, true), Note(7)};
  ApplyTieRule(items);
  EXPECT_EQ(Written(items), (std::vector<int32_t>{3, 0, kNoCode, 7}));
}

TEST(RepairNumericDefaults, RestoresAMissingDefault) {
  std::vector<LengthItem> items = {Note(3, 3), Rest(0, 0), Numeric(7), Numeric(7)};
  RepairNumericDefaults(items);
  EXPECT_EQ(Written(items), (std::vector<int32_t>{3, 0, 7, kNoCode}));
}

TEST(EmitGameMml, EverythingATiedNoteNeedsStandsBeforeTheTie) {
  WriterEvent first;
  first.kind = WriterKind::Note;
  first.note = 60;
  first.value = 8;
  first.lengthValue = 4;
  WriterEvent tied = first;
  tied.tick = 32;
  tied.note = 72;  // an octave up: ">" too
  tied.value = 10;
  tied.lengthValue = 8;
  tied.writtenCode = 7;
  tied.tied = true;
  WriterEvent end;
  end.kind = WriterKind::End;
  std::string out;
  EmitGameMml({first, tied, end}, out);
  EXPECT_EQ(out, "cv10l8>&c");
}

}  // namespace
}  // namespace kore::writer_detail
