#include "editor/emphasis.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "base/shift_jis.h"
#include "editor/char_class.h"
#include "editor/text_buffer.h"
#include "tests/support/golden.h"

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

// Lines styled with the MML rules over plain text of colour kText.
struct MmlStyler {
  MmlStyler() {
    AddMmlRules(table);
    options.baseColour = kText;
  }
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
  // Between blanks (tab and full-width space count) and between spaces or the line's ends.
  EmphasisTable bounded;
  ASSERT_EQ(bounded.Add("x", nullptr, 1, 0xBB, 4, 0, 0), -1);
  ASSERT_EQ(bounded.Add("y", nullptr, 1, 0xCC, 8, 0, 0), -1);
  line.text = "x\tax" + Sjis("　") + "x y ay y";
  StyleLine(line, bounded, o, chars);
  std::string marked;
  for (const StyledChar& c : chars) marked += c.colour == 0xBBu ? 'x' : c.colour == 0xCCu ? 'y' : '.';
  EXPECT_EQ(marked, "x....x.y....y");
  // Full-width Latin letters compare without case too.
  EXPECT_TRUE(MatchesAt(Sjis("ａ"), 0, Sjis("Ａ"), false));
  EXPECT_FALSE(MatchesAt(Sjis("ａ"), 0, Sjis("Ａ"), true));

  EXPECT_EQ(t.Add(nullptr, nullptr, 1, 0, 0, 0, 0), -4);
  EXPECT_EQ(t.Add("", nullptr, 1, 0, 0, 0, 0), -4);
  for (int32_t type : {0, 5}) EXPECT_EQ(t.Add("a", nullptr, type, 0, 0, 0, 0), -4) << type;
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

// Cases of data/text_rules.txt; the text (UTF-8 in the file, "\\xHH" for raw bytes) is converted
// to Shift-JIS. "style TEXT": each character's colour as a letter, then the bold ones' offsets;
// "addresses FLAGS TEXT": each address found; "classes TEXT": each character's class; "column
// OFFSET TEXT": its screen column (tabs of 4); "word OFFSET JOIN TEXT": the word there; "wrap
// WIDTH TEXT": the rows' starts, each character's row, column and width, and the line end's place.
std::string TextRule(const std::string& line) {
  std::istringstream in(line);
  std::string command;
  int32_t a = 0, b = 0;
  in >> command;
  if (command != "style" && command != "classes") in >> a;
  if (command == "word") in >> b;
  in.get();
  std::string rest;
  std::getline(in, rest);
  const std::string text = test::Unescape(Utf8ToSjisLossy(rest));
  std::ostringstream out;
  if (command == "style") {
    MmlStyler t;
    out << t.Style(text) << " bold";
    for (size_t i = 0; i < t.chars.size(); ++i)
      if (t.chars[i].bold) out << " " << i;
  } else if (command == "addresses") {
    out << "found";
    for (const AddressSpan& span : FindAddresses(text, static_cast<uint32_t>(a)))
      out << " " << span.begin << "-" << span.end << " kind " << span.kind << " "
          << text.substr(span.begin, span.end - span.begin) << ";";
  } else if (command == "classes") {
    for (int32_t i = 0; i < static_cast<int32_t>(text.size()); i += CharLengthAt(text, i))
      out << CharClassAt(text, i) << " ";
  } else if (command == "column") {
    out << ColumnOfOffset(text, a, 4);
  } else if (command == "word") {
    const WordRange w = WordAt(text, a, b != 0);
    out << SjisToUtf8Lossy(text.substr(w.begin, w.end - w.begin));
  } else if (command == "wrap") {
    WrapLayout layout;
    LayOutWrapped(text, a, 4, layout);
    out << "starts";
    for (int32_t start : layout.rowStarts) out << " " << start;
    out << " cells";
    for (const WrapCell& c : layout.cells) out << " " << c.row << "," << c.column << "/" << c.width;
    out << " end " << layout.endRow << "," << layout.endColumn << " count "
        << CountWrappedRows(text, a, 4);
  } else {
    out << "unknown command";
  }
  return out.str() + "\n";
}

TEST(TextRules, Cases) {
  test::CheckGolden(KORE_SOURCE_DIR "/tests/editor/data/text_rules.txt", TextRule);
}

}  // namespace
}  // namespace kore
