#include "editor/text_buffer.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "base/shift_jis.h"
#include "editor/editor_core.h"

namespace kore {
namespace {

using namespace editor;

struct Recorder : TextBufferListener {
  std::vector<int32_t> changes;
  std::vector<int32_t> carets;
  int32_t selections = 0;
  void TextChanged(int32_t code) override { changes.push_back(code); }
  void CaretMoved(int32_t how) override { carets.push_back(how); }
  void SelectionChanged() override { ++selections; }
};

TEST(TextBuffer, SetTextTakesTheFirstLineCodeAndGetTextConvertsSeparators) {
  TextBuffer b;
  ASSERT_EQ(b.SetText("a\r\nbb\rc\nd"), -1);
  EXPECT_EQ(b.LineCount(), 4);
  EXPECT_EQ(b.lineCode(), kLineCodeCrLf);
  EXPECT_EQ(b.GetText(kLineCodeOwn), "a\r\nbb\r\nc\r\nd");
  EXPECT_EQ(b.GetText(kLineCodeLf), "a\nbb\nc\nd");
  EXPECT_EQ(b.GetText(kLineCodeCr), "a\rbb\rc\rd");
  EXPECT_EQ(b.GetText(9), "abbcd");
  ASSERT_EQ(b.SetText("x\ny"), -1);
  EXPECT_EQ(b.lineCode(), kLineCodeLf);
  ASSERT_EQ(b.SetText("no line end"), -1);
  EXPECT_EQ(b.lineCode(), kLineCodeLf);  // unchanged without a line end
  // A trailing line end makes an empty last line.
  ASSERT_EQ(b.SetText("z\r\n"), -1);
  EXPECT_EQ(b.LineCount(), 2);
  EXPECT_EQ(b.LineLength(2), 0);
}

TEST(TextBuffer, LengthCountsEveryLineEndAsTwoBytes) {
  TextBuffer b;
  ASSERT_EQ(b.SetText(""), -1);
  EXPECT_EQ(b.LineCount(), 1);
  EXPECT_EQ(b.TextLength(), 0);
  for (const char* sep : {"\r\n", "\r", "\n"}) {
    ASSERT_EQ(b.SetText(Sjis("あ") + sep + "b"), -1);
    EXPECT_EQ(b.TextLength(), 5) << "separator size " << std::string(sep).size();
  }
}

TEST(TextBuffer, LineNumbersOutsideTheListAreRejected) {
  TextBuffer b;
  ASSERT_EQ(b.SetText("one\ntwo\nthree"), -1);
  EXPECT_EQ(b.LineAt(0), nullptr);
  EXPECT_EQ(b.LineAt(4), nullptr);
  EXPECT_EQ(b.LineAt(-7), nullptr);
  EXPECT_EQ(b.LineLength(4), -4);
  EXPECT_EQ(b.LineLength(0), -4);
  // Reaching lines from both ends and from the remembered node gives the right ones.
  EXPECT_EQ(b.LineAt(3)->text, "three");
  EXPECT_EQ(b.LineAt(1)->text, "one");
  EXPECT_EQ(b.LineAt(2)->text, "two");
  EXPECT_FALSE(b.Insert({4, 1}, "x", false));
  EXPECT_FALSE(b.Insert({1, 5}, "x", false));
  EXPECT_EQ(b.GetText(3), "one\ntwo\nthree");
}

TEST(TextBuffer, InsertSplitsLinesAndKeepsTheTail) {
  TextBuffer b;
  ASSERT_EQ(b.SetText("headtail\nlast"), -1);
  TextPoint end;
  ASSERT_TRUE(b.Insert({1, 5}, "A\r\nB\rC\nD", false, &end));
  EXPECT_EQ(b.GetText(3), "headA\nB\nC\nDtail\nlast");
  EXPECT_EQ(b.LineCount(), 5);
  EXPECT_EQ(end, (TextPoint{4, 2}));
  EXPECT_EQ(b.LastLine()->text, "last");
  EXPECT_EQ(b.LineAt(4)->prev->text, "C");
  EXPECT_EQ(PointAfter({3, 7}, "ab"), (TextPoint{3, 9}));
  EXPECT_EQ(PointAfter({3, 7}, "ab\r\ncde"), (TextPoint{4, 4}));
}

TEST(TextBuffer, ThroughPositionsCountLineEndsAsTwo) {
  TextBuffer b;
  ASSERT_EQ(b.SetText("ab\ncd"), -1);
  EXPECT_EQ(b.ThroughOf({1, 1}), 1);
  EXPECT_EQ(b.ThroughOf({2, 1}), 5);
  EXPECT_EQ(b.ThroughOf({2, 3}), 7);
  TextPoint p;
  ASSERT_TRUE(b.PointOfThrough(5, &p));
  EXPECT_EQ(p, (TextPoint{2, 1}));
  ASSERT_TRUE(b.PointOfThrough(7, &p));
  EXPECT_EQ(p, (TextPoint{2, 3}));
  EXPECT_FALSE(b.PointOfThrough(8, &p));
  EXPECT_FALSE(b.PointOfThrough(0, &p));
}

TEST(TextBuffer, ReadOnlyRefusesEveryEdit) {
  TextBuffer b;
  ASSERT_EQ(b.SetText("keep"), -1);
  b.SetWritable(false);
  EXPECT_EQ(b.SetText("other"), -7);
  EXPECT_FALSE(b.Insert({1, 1}, "x", false));
  b.Select({1, 1}, {1, 3});
  EXPECT_FALSE(b.DeleteSelection(true));
  EXPECT_FALSE(b.ReplaceSelection("y", true, true));
  EXPECT_EQ(b.GetText(3), "keep");
  EXPECT_EQ(b.UndoSteps(), 0);
  EXPECT_EQ(b.SelectedText(), "ke");  // selecting still works
}

class EditorCoreTest : public ::testing::Test {
 protected:
  void SetUp() override {
    core.buffer.SetListener(&events);
    core.visibleLines = 20;
    core.visibleColumns = 60;
  }
  void Type(std::string_view text) {
    for (char c : text) core.TypeChar(std::string_view(&c, 1));
  }
  std::string Text() const { return core.buffer.GetText(3); }
  TextPoint Caret() const { return core.buffer.caret(); }

  EditorCore core;
  Recorder events;
};

TEST_F(EditorCoreTest, TypingUndoAndRedoCountSteps) {
  Type("abc");
  EXPECT_EQ(Text(), "abc");
  EXPECT_EQ(core.buffer.UndoSteps(), 3);
  ASSERT_TRUE(core.buffer.Undo());
  EXPECT_EQ(Text(), "ab");
  EXPECT_EQ(core.buffer.UndoSteps(), 2);
  EXPECT_EQ(core.buffer.RedoSteps(), 1);
  ASSERT_TRUE(core.buffer.Redo());
  EXPECT_EQ(Text(), "abc");
  EXPECT_EQ(Caret(), (TextPoint{1, 4}));
  EXPECT_FALSE(core.buffer.Redo());
  // An edit after an undo drops every redo step.
  core.buffer.Undo();
  core.buffer.Undo();
  Type("x");
  EXPECT_EQ(Text(), "ax");
  EXPECT_EQ(core.buffer.RedoSteps(), 0);
  EXPECT_EQ(core.buffer.UndoSteps(), 2);
  EXPECT_EQ(events.changes.front(), kChangeTyped);
  EXPECT_NE(std::find(events.changes.begin(), events.changes.end(), kChangeUndo),
            events.changes.end());
}

TEST_F(EditorCoreTest, TheUndoListKeeps256Records) {
  for (int i = 0; i < 257; ++i) Type("z");
  EXPECT_EQ(core.buffer.UndoSteps(), 256);
  while (core.buffer.Undo()) {
  }
  EXPECT_EQ(Text(), "z");  // the oldest edit can no longer be undone
}

TEST_F(EditorCoreTest, CutUndoRedoAndDeleteBackspaceCarets) {
  core.buffer.SetText("hello world");
  core.buffer.Select({1, 1}, {1, 7});
  ASSERT_TRUE(core.CutSelection());
  EXPECT_EQ(Text(), "world");
  ASSERT_TRUE(core.buffer.Undo());
  EXPECT_EQ(Text(), "hello world");
  EXPECT_FALSE(core.buffer.HasSelection());
  EXPECT_EQ(Caret(), (TextPoint{1, 7}));
  ASSERT_TRUE(core.buffer.Redo());
  EXPECT_EQ(Text(), "world");

  core.buffer.SetText("abc");
  core.buffer.PlaceCaret({1, 2});
  ASSERT_TRUE(core.Delete());
  EXPECT_EQ(Text(), "ac");
  core.buffer.Undo();
  EXPECT_EQ(Text(), "abc");
  EXPECT_EQ(Caret(), (TextPoint{1, 2}));  // before the restored character

  core.buffer.PlaceCaret({1, 3});
  ASSERT_TRUE(core.Backspace());
  EXPECT_EQ(Text(), "ac");
  core.buffer.Undo();
  EXPECT_EQ(Caret(), (TextPoint{1, 3}));  // after it
}

TEST_F(EditorCoreTest, EditingKeysAtTheEdges) {
  core.buffer.SetText("ab\ncd");
  events.changes.clear();
  core.buffer.PlaceCaret({1, 1});
  EXPECT_FALSE(core.Backspace());
  EXPECT_TRUE(events.changes.empty());
  core.Move(CaretMove::Left, false);
  EXPECT_EQ(Caret(), (TextPoint{1, 1}));
  core.Move(CaretMove::TextEnd, false);
  core.Move(CaretMove::Right, false);
  EXPECT_EQ(Caret(), (TextPoint{2, 3}));
  EXPECT_FALSE(core.Delete());  // at the end of the last line

  // Delete at a line end joins; undo splits again with the caret before the line end.
  core.buffer.PlaceCaret({1, 3});
  ASSERT_TRUE(core.Delete());
  EXPECT_EQ(Text(), "abcd");
  core.buffer.Undo();
  EXPECT_EQ(Text(), "ab\ncd");
  EXPECT_EQ(Caret(), (TextPoint{1, 3}));
  // Backspace at position 1 joins with the line above.
  core.buffer.PlaceCaret({2, 1});
  ASSERT_TRUE(core.Backspace());
  EXPECT_EQ(Text(), "abcd");
  EXPECT_EQ(Caret(), (TextPoint{1, 3}));
  // Enter splits and moves to the new line.
  ASSERT_TRUE(core.Enter());
  EXPECT_EQ(Text(), "ab\ncd");
  EXPECT_EQ(Caret(), (TextPoint{2, 1}));
  EXPECT_EQ(events.changes.back(), kChangeEnter);
}

TEST_F(EditorCoreTest, TwoByteCharactersAreNeverSplit) {
  std::string a = Sjis("あ");
  core.buffer.SetText("x" + a + "y");
  core.buffer.PlaceCaret({1, 5});
  core.Move(CaretMove::Left, false);
  EXPECT_EQ(Caret(), (TextPoint{1, 4}));
  core.Move(CaretMove::Left, false);
  EXPECT_EQ(Caret(), (TextPoint{1, 2}));
  core.Move(CaretMove::Right, false);
  EXPECT_EQ(Caret(), (TextPoint{1, 4}));
  core.buffer.PlaceCaret({1, 3});  // between the two bytes: moved before the character
  EXPECT_EQ(Caret(), (TextPoint{1, 2}));
  core.buffer.PlaceCaret({1, 4});
  ASSERT_TRUE(core.Backspace());
  EXPECT_EQ(Text(), "xy");
  // Overwrite mode replaces a two-byte character whole and appends at the line end.
  core.buffer.SetText(a + "b");
  core.overwrite = true;
  core.buffer.PlaceCaret({1, 1});
  Type("Z");
  EXPECT_EQ(Text(), "Zb");
  core.Move(CaretMove::End, false);
  Type("!");
  EXPECT_EQ(Text(), "Zb!");
}

TEST_F(EditorCoreTest, ShiftMovesExtendAndEndTheSelection) {
  core.buffer.SetText("abcdef");
  core.buffer.PlaceCaret({1, 3});
  core.Move(CaretMove::Right, true);
  ASSERT_TRUE(core.buffer.HasSelection());
  EXPECT_EQ(core.buffer.SelectedText(), "c");
  core.Move(CaretMove::Left, true);
  EXPECT_FALSE(core.buffer.HasSelection());
  EXPECT_EQ(Caret(), (TextPoint{1, 3}));
  core.Move(CaretMove::Home, true);
  EXPECT_EQ(core.buffer.SelectedText(), "ab");
  EXPECT_FALSE(core.buffer.selection().aIsStart);
  core.Move(CaretMove::Right, false);  // without Shift the selection goes
  EXPECT_FALSE(core.buffer.HasSelection());
}

TEST_F(EditorCoreTest, VerticalMovesKeepTheGoalColumn) {
  std::string a = Sjis("あ");
  core.buffer.SetText("abcdef\n" + a + a + "\nab\n\tx");
  core.buffer.PlaceCaret({1, 4});  // column 3
  core.buffer.goal = Caret();
  core.Move(CaretMove::Down, false);
  EXPECT_EQ(Caret(), (TextPoint{2, 3}));  // column 3 is inside the second "あ": before it
  core.Move(CaretMove::Down, false);
  EXPECT_EQ(Caret(), (TextPoint{3, 3}));  // short line: its end
  core.Move(CaretMove::Down, false);
  EXPECT_EQ(Caret(), (TextPoint{4, 1}));  // the tab spans columns 0-3
  core.Move(CaretMove::Up, false);
  core.Move(CaretMove::Up, false);
  core.Move(CaretMove::Up, false);
  EXPECT_EQ(Caret(), (TextPoint{1, 4}));
  core.Move(CaretMove::Up, false);
  EXPECT_EQ(Caret(), (TextPoint{1, 1}));
}

TEST_F(EditorCoreTest, PagesAndViewScrolling) {
  std::string text;
  for (int i = 1; i <= 100; ++i) text += "line\n";
  core.buffer.SetText(text);
  core.visibleLines = 10;
  core.Move(CaretMove::PageDown, false);
  EXPECT_EQ(Caret().line, 11);
  EXPECT_EQ(core.topLine, 11);
  core.ScrollView(1);  // Ctrl+Down: the view moves, the caret stays
  EXPECT_EQ(core.topLine, 12);
  EXPECT_EQ(Caret().line, 11);
  // The caret off the page goes to the top line first.
  core.topLine = 50;
  core.Move(CaretMove::PageUp, false);
  EXPECT_EQ(Caret().line, 40);
  EXPECT_EQ(core.topLine, 40);
  core.Move(CaretMove::TextEnd, false);
  EXPECT_EQ(Caret(), (TextPoint{101, 1}));
  EXPECT_EQ(core.topLine, 101 - (2 * 10) / 3);  // the view follows the caret
  core.Move(CaretMove::TextStart, false);
  EXPECT_EQ(core.topLine, 1);
  core.ScrollView(-5);
  EXPECT_EQ(core.topLine, 1);
}

TEST_F(EditorCoreTest, TabReplacesOrIndentsAndUnindentFollowsTheRules) {
  core.buffer.SetText("abc\nd\ne\nf");
  core.buffer.Select({1, 2}, {1, 3});
  ASSERT_TRUE(core.Tab(false));
  EXPECT_EQ(Text(), "a\tc\nd\ne\nf");

  core.buffer.Select({1, 2}, {3, 1 + 1});
  ASSERT_TRUE(core.Tab(false));
  EXPECT_EQ(Text(), "\ta\tc\n\td\n\te\nf");
  EXPECT_EQ(core.buffer.SelectedText(), "\ta\tc\r\n\td\r\n\te");
  EXPECT_EQ(events.changes.back(), kChangeIndent);
  ASSERT_TRUE(core.buffer.Undo());
  EXPECT_EQ(Text(), "a\tc\nd\ne\nf");

  // A selection ending at position 1 of the fourth line indents three lines.
  core.buffer.Select({1, 1}, {4, 1});
  ASSERT_TRUE(core.Indent());
  EXPECT_EQ(Text(), "\ta\tc\n\td\n\te\nf");

  core.buffer.SetText("  two\n    four\n \tmixed\n" + Sjis("\u3000") + "  wide\nnone");
  core.buffer.Select({1, 1}, {5, 5});
  ASSERT_TRUE(core.Tab(true));
  EXPECT_EQ(Text(), "  two\nfour\nmixed\nwide\nnone");
  EXPECT_EQ(events.changes.back(), kChangeUnindent);
  EXPECT_EQ(core.buffer.UndoSteps(), 1);
  core.buffer.Select({1, 1}, {1, 4});
  EXPECT_FALSE(core.Unindent());  // nothing to take away: no change, no empty undo step
  EXPECT_EQ(core.buffer.UndoSteps(), 1);
}

TEST_F(EditorCoreTest, ImeResultReplacesCharactersInOverwriteMode) {
  core.buffer.SetText("abcd");
  core.overwrite = true;
  core.buffer.PlaceCaret({1, 2});
  const std::string japan = Sjis("日本");
  ASSERT_TRUE(core.ImeResult(japan));
  EXPECT_EQ(Text(), std::string("a").append(japan).append("d"));
  EXPECT_EQ(Caret(), (TextPoint{1, 6}));
  EXPECT_EQ(events.changes.back(), kChangeImeResult);
  core.buffer.Undo();
  EXPECT_EQ(Text(), "abcd");
}

}  // namespace
}  // namespace kore
