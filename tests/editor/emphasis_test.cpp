#include "editor/emphasis.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "base/shift_jis.h"
#include "editor/char_class.h"
#include "editor/text_buffer.h"

namespace kore {
namespace {

using namespace editor;

constexpr uint32_t kComment = 0x00A000, kDirective = 0x008080, kCommand = 0x0080FF,
                   kNote = 0x0000FF, kShift = 0xFF0000, kText = 0x111111;

// The MML rules of the editing frame, in their order.
void AddMmlRules(EmphasisTable& t) {
  ASSERT_EQ(t.Add("//#", nullptr, 2, kDirective, 0, 2, 0), -1);
  ASSERT_EQ(t.Add("//", nullptr, 2, kComment, 0, 0, 1), -1);
  ASSERT_EQ(t.Add("/*", "*/", 4, kComment, 0, 0, 0), -1);
  for (const char* letter : {"T", "V", "O", "L"}) ASSERT_EQ(t.Add(letter, nullptr, 1, kCommand, 2, 0, 0), -1);
  ASSERT_EQ(t.Add("N", nullptr, 1, kNote, 2, 0, 0), -1);
  ASSERT_EQ(t.Add("<", nullptr, 1, kShift, 1, 0, 0), -1);
  ASSERT_EQ(t.Add(">", nullptr, 1, kShift, 1, 0, 0), -1);
}

// The colour of every character of a styled line as a letter: C command, N note, S shift,
// M comment, D directive, "." plain text, "?" anything else.
std::string Colours(const std::vector<StyledChar>& chars) {
  std::string out;
  for (const StyledChar& c : chars) {
    out += c.colour == kCommand     ? 'C'
           : c.colour == kNote      ? 'N'
           : c.colour == kShift     ? 'S'
           : c.colour == kComment   ? 'M'
           : c.colour == kDirective ? 'D'
           : c.colour == kText      ? '.'
                                    : '?';
  }
  return out;
}

class EmphasisTest : public ::testing::Test {
 protected:
  void SetUp() override { AddMmlRules(table); options.baseColour = kText; }
  std::string Style(const std::string& text) {
    LineNode line;
    line.text = text;
    StyleLine(line, table, options, chars);
    return Colours(chars);
  }
  EmphasisTable table;
  LineStyleOptions options;
  std::vector<StyledChar> chars;
};

TEST_F(EmphasisTest, CommandLettersInEitherCaseAndBoldShifts) {
  EXPECT_EQ(Style("t120l8c>c"), "C...C..S.");
  EXPECT_TRUE(chars[7].bold);
  EXPECT_FALSE(chars[0].bold);
  EXPECT_EQ(Style("n60"), "N..");
}

TEST_F(EmphasisTest, RulesStartOnlyAtCharacterStarts) {
  // The second bytes of "サ" (0x83 0x54) and "フ" (0x83 0x74) are the letters T and t.
  ASSERT_EQ(Sjis("サフ"), "\x83T\x83t");
  EXPECT_EQ(Style(Sjis("サフ") + "t"), "..C");
  // Nor does an address start inside a two-byte character.
  EXPECT_TRUE(FindAddresses("\x83http://a.b", kDetectAll).empty());  // "h" is a second byte
  ASSERT_EQ(FindAddresses("\x83xhttp://a.b", kDetectAll).size(), 1u);
  EXPECT_EQ(FindAddresses("\x83xhttp://a.b", kDetectAll)[0].begin, 2);
}

TEST_F(EmphasisTest, CommentsBlockOtherRulesButADirectiveMayStartInALineComment) {
  EXPECT_EQ(Style("c// t v"), ".MMMMMM");
  EXPECT_EQ(Style("// //#x t"), "MMMDDDDDD");  // nothing starts inside the directive
  EXPECT_EQ(Style("//#using_extension T"), std::string(20, 'D'));
  // "/*" ... "*/" in one line: coloured up to the end of "*/", then plain again.
  EXPECT_EQ(Style("a/*t*/t"), ".MMMMMC");
}

TEST_F(EmphasisTest, MultiLineCommentsCarryOverLinesAndFollowEdits) {
  TextBuffer buffer;
  buffer.SetText("c/*d\nt120\ne*/ t\nt");
  // As the renderer does: a line whose state changed updates the lines below before they
  // are styled.
  auto styleAll = [&] {
    std::string all;
    for (LineNode* n = buffer.FirstLine(); n; n = n->next) {
      if (StyleLine(*n, table, options, chars)) RecomputeOpenAtStart(buffer.FirstLine());
      all += Colours(chars) + "|";
    }
    return all;
  };
  EXPECT_EQ(styleAll(), ".MMM|MMMM|MMM.C|C|");  // "t120" is inside the comment
  // Deleting "*/" leaves the comment open to the end of the text.
  buffer.Select({3, 2}, {3, 4});
  buffer.DeleteSelection(false);
  EXPECT_EQ(styleAll(), ".MMM|MMMM|MMM|M|");
}

TEST(EmphasisRules, BoundariesCaseAndLimits) {
  EmphasisTable t;
  ASSERT_EQ(t.Add("end", nullptr, 1, 0xFF, 32, 0, 0), -1);  // whole word by class
  ASSERT_EQ(t.Add("T", nullptr, 1, 0xAA, 2, 0, 0), -1);     // case ignored
  LineStyleOptions o;
  std::vector<StyledChar> chars;
  LineNode line;
  line.text = "end x endless";
  StyleLine(line, t, o, chars);
  EXPECT_EQ(chars[0].colour, 0xFFu);
  EXPECT_EQ(chars[6].colour, 0u);  // the start of a longer word is not the word
  line.text = "Tt";
  StyleLine(line, t, o, chars);
  EXPECT_EQ(chars[0].colour, 0xAAu);
  EXPECT_EQ(chars[1].colour, 0xAAu);
  // Full-width Latin letters compare without case too.
  EXPECT_TRUE(MatchesAt(Sjis("ａ"), 0, Sjis("Ａ"), false));
  EXPECT_FALSE(MatchesAt(Sjis("ａ"), 0, Sjis("Ａ"), true));

  EXPECT_EQ(t.Add(nullptr, nullptr, 1, 0, 0, 0, 0), -4);
  EXPECT_EQ(t.Add("", nullptr, 1, 0, 0, 0, 0), -4);
  EmphasisTable multi;
  for (int i = 0; i < 5; ++i) ASSERT_EQ(multi.Add("a", "b", 4, 0, 0, 0, 0), -1);
  EXPECT_EQ(multi.Add("a", "b", 4, 0, 0, 0, 0), -9);
  EmphasisTable inner;
  for (int i = 0; i < 7; ++i) ASSERT_EQ(inner.Add("a", nullptr, 2, 0, 0, 0, 1), -1);
  EXPECT_EQ(inner.Add("a", nullptr, 2, 0, 0, 0, 1), -10);
  EmphasisTable full;
  for (int i = 0; i < 1024; ++i) ASSERT_EQ(full.Add("a", nullptr, 1, 0, 0, 0, 0), -1);
  EXPECT_EQ(full.Add("a", nullptr, 1, 0, 0, 0, 0), -8);
  EXPECT_EQ(full.size(), 1024);
}

TEST(Addresses, WebAndMailAddressesStopWhereTheyShould) {
  std::string line = "see http://example.com/a1.b:80 now";
  std::vector<AddressSpan> a = FindAddresses(line, kDetectAll);
  ASSERT_EQ(a.size(), 1u);
  EXPECT_EQ(line.substr(a[0].begin, a[0].end - a[0].begin), "http://example.com/a1.b");
  EXPECT_EQ(a[0].kind, kWebAddress);
  EXPECT_TRUE(FindAddresses(line, kDetectMail | kDetectFtp).empty());

  line = "mail me@host.jp, not me@host";
  a = FindAddresses(line, kDetectAll);
  ASSERT_EQ(a.size(), 1u);
  EXPECT_EQ(line.substr(a[0].begin, a[0].end - a[0].begin), "me@host.jp");  // "," is not a mail character
  EXPECT_EQ(a[0].kind, kMailAddress);
  EXPECT_TRUE(FindAddresses("@a.b", kDetectAll).empty());  // empty local part
  // The local part never runs into a two-byte character.
  line = Sjis("宛先") + "x@y.z";
  a = FindAddresses(line, kDetectAll);
  ASSERT_EQ(a.size(), 1u);
  EXPECT_EQ(a[0].begin, 4);
}

TEST(CharClasses, ClassesColumnsAndWords) {
  const std::pair<std::string, int> classes[] = {
      {"a", 0},         {"7", 1},         {"_", 12},        {Sjis("ー"), 11}, {Sjis("カ"), 4},
      {Sjis("か"), 3},  {Sjis("漢"), 5},  {Sjis("Ａ"), 6},  {Sjis("１"), 7},  {Sjis("、"), 8},
      {"\xB1", 10},     {" ", 2}};
  for (const auto& [text, charClass] : classes) EXPECT_EQ(CharClassAt(text, 0), charClass) << text;

  // A tab at column 0 with width 4 fills columns 0-3.
  EXPECT_EQ(ColumnOfOffset("\tx", 1, 4), 4);
  EXPECT_EQ(ColumnOfOffset("ab\tx", 3, 4), 4);
  EXPECT_EQ(ColumnOfOffset(Sjis("あ") + "x", 2, 4), 2);

  std::string line = "foo_bar baz" + Sjis("カード") + "x12";
  WordRange w = WordAt(line, 1, false);
  EXPECT_EQ(line.substr(w.begin, w.end - w.begin), "foo_bar");
  w = WordAt(line, 12, false);  // inside the katakana word with its long vowel mark
  EXPECT_EQ(line.substr(w.begin, w.end - w.begin), Sjis("カード"));
  w = WordAt(line, static_cast<int32_t>(line.size()) - 1, false);
  EXPECT_EQ(line.substr(w.begin, w.end - w.begin), "12");
  w = WordAt(line, static_cast<int32_t>(line.size()) - 1, true);
  EXPECT_EQ(line.substr(w.begin, w.end - w.begin), "x12");
}

TEST(CharClasses, WrappedRowsNeverSplitACharacter) {
  WrapLayout layout;
  LayOutWrapped("abcdefg", 4, 4, layout);
  EXPECT_EQ(layout.rowStarts, (std::vector<int32_t>{0, 4}));
  EXPECT_EQ(layout.cells[4].row, 1);
  EXPECT_EQ(layout.cells[4].column, 0);
  EXPECT_EQ(layout.endRow, 1);
  EXPECT_EQ(layout.endColumn, 3);
  // A full last row is followed by an empty row for the line end.
  LayOutWrapped("abcd", 4, 4, layout);
  EXPECT_EQ(layout.rows(), 2);
  // A two-byte character that does not fit moves to the next row whole.
  std::string line = "abc" + Sjis("あ") + "d";
  LayOutWrapped(line, 4, 4, layout);
  EXPECT_EQ(layout.rowStarts, (std::vector<int32_t>{0, 3}));
  EXPECT_EQ(layout.cells[3].row, 1);
  EXPECT_EQ(layout.cells[3].width, 2);
  // A tab ends at the row's edge.
  LayOutWrapped("ab\tc", 3, 4, layout);
  EXPECT_EQ(layout.cells[2].width, 1);
  EXPECT_EQ(layout.cells[3].row, 1);
  EXPECT_EQ(CountWrappedRows("", 4, 4), 1);
}

}  // namespace
}  // namespace kore
