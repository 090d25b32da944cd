#include <gtest/gtest.h>

#include <functional>
#include <sstream>

#include "mml/mml_writer.h"
#include "mml/mml_writer_internal.h"

namespace kore::writer_detail {
namespace {

// Items in a short notation: "n3" a note of code 3, "n3=3" with code 3 written, "n7=7&" tied,
// "r0=0" a rest, "#7" a note by number needing default 7.
std::vector<LengthItem> Items(const std::string& notation) {
  std::vector<LengthItem> items;
  std::istringstream in(notation);
  for (std::string token; in >> token;) {
    LengthItem item;
    item.note = token[0] != 'r';
    item.numeric = token[0] == '#';
    item.tied = token.back() == '&';
    item.code = std::stoi(token.substr(1));
    const size_t eq = token.find('=');
    if (eq != std::string::npos) item.written = std::stoi(token.substr(eq + 1));
    items.push_back(item);
  }
  return items;
}

// The written codes, "-" for none.
std::string Written(const std::vector<LengthItem>& items) {
  std::string out;
  for (const LengthItem& item : items) {
    out += (out.empty() ? "" : " ") + (item.written == kNoCode ? "-" : std::to_string(item.written));
  }
  return out;
}

TEST(LengthCode, CostsByDigits) {
  EXPECT_EQ(LengthCodeCost(LengthCodeOf(9, false)), 1);   // "9"
  EXPECT_EQ(LengthCodeCost(LengthCodeOf(10, false)), 2);  // "10"
  EXPECT_EQ(LengthCodeCost(LengthCodeOf(9, true)), 2);    // "9."
  EXPECT_EQ(LengthCodeCost(LengthCodeOf(10, true)), 3);   // "10."
}

TEST(SplitRestTicks, KeepsEveryTickWithStandardRestsAndRegroupsWholeRests) {
  for (int64_t ticks = 2; ticks <= 4000; ++ticks) {
    int64_t total = 0;
    int dotted64 = 0, dottedWhole = 0, whole = 0;
    for (const RestPiece& piece : SplitRestTicks(ticks)) {
      const int32_t v = piece.lengthValue;
      ASSERT_TRUE(v == 1 || v == 2 || v == 4 || v == 8 || v == 16 || v == 32 || v == 64) << ticks;
      ASSERT_TRUE(!piece.dotted || v == 1 || v == 64) << ticks;
      dotted64 += piece.dotted && v == 64;
      if (v == 1) (piece.dotted ? dottedWhole : whole)++;
      total += piece.dotted ? 128 / v * 3 / 2 : 128 / v;
    }
    ASSERT_EQ(total, ticks);
    ASSERT_EQ(dotted64, ticks % 2) << ticks;
    // Six or more whole rests become dotted ones, two for three.
    const int64_t wholes = (ticks - (ticks % 2 ? 3 : 0)) / 128;
    ASSERT_EQ(dottedWhole, wholes < 6 ? 0 : wholes / 3 * 2) << ticks;
    ASSERT_EQ(whole, wholes < 6 ? wholes : wholes % 3) << ticks;
  }
}

TEST(LengthCodeSteps, TableOfItems) {
  using Step = std::function<void(std::vector<LengthItem>&)>;
  const Step plain = [](auto& items) { OptimiseLengthCodes(items, kWriterModePlain); };
  const Step dotted = [](auto& items) { OptimiseLengthCodes(items, kWriterModeDotted); };
  const struct {
    const char* name;
    Step step;
    const char* items;
    const char* written;
  } rows[] = {
      {"switches after repeated lengths", plain, "n3 n7 n7 n7", "3 7 - -"},
      {"plain mode keeps the undotted default", plain, "n3 n67 n67 n67 n67", "3 - - - -"},
      {"dotted mode takes the dotted default", dotted, "n3 n67 n67 n67 n67", "3 67 - - -"},
      {"numbers get their default, the old returns", plain, "n3 #7 #7 #15 r3 n3",
       "3 7 - 15 3 -"},
      {"prune a change costing more than it saves", PruneLengthCodes,
       "n3=3 n7=7 n3=3 n3 n3 n3 n7=7", "3 - 3 - - - 7"},
      {"prune keeps a change a number lives on", PruneLengthCodes, "n3=3 n7=7 #7 n3=3 n3",
       "3 7 - 3 -"},
      {"prune without the number", PruneLengthCodes, "n3=3 n7=7 n7 n3=3 n3", "3 - - 3 -"},
      // Every pattern but "keep both" costs the same; the first removes both.
      {"prune chain takes the first cheapest", PruneLengthCodes, "r3=3 n7=7 n3=3 n7=7 n7",
       "3 - - 7 -"},
      {"prune keeps the one change of a chain that pays", PruneLengthCodes,
       "n7=7 n3=3 n3=3 n3=3", "7 3 - 3"},
      {"prune drops a chain of rewrites of the default in force", PruneLengthCodes,
       "n7=7 n7=7 n7=7 n7=7", "7 - - 7"},
      {"tie moves the change to the previous note", ApplyTieRule, "n3=3 n3 n7=7&", "3 7 -"},
      {"tie moves it to the next when the previous has one", ApplyTieRule,
       "n3=3 n7=7 n15=15& n15", "3 7 - 15"},
      {"tie never moves behind another tie", ApplyTieRule, "n3=3 n15=15 n7=7& n7&",
       "3 15 7 -"},
      {"tie does not move over a rest's code", ApplyTieRule, "n3=3 r0=0 n7=7& n7", "3 0 - 7"},
      {"repair restores a missing default", RepairNumericDefaults, "n3=3 r0=0 #7 #7",
       "3 0 7 -"},
  };
  for (const auto& row : rows) {
    std::vector<LengthItem> items = Items(row.items);
    row.step(items);
    EXPECT_EQ(Written(items), row.written) << row.name;
  }
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
  std::string out;
  EmitGameMml({first, tied, WriterEvent{}}, out);
  EXPECT_EQ(out, "cv10l8>&c");
}

}  // namespace
}  // namespace kore::writer_detail
