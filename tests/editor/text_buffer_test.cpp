#include "editor/text_buffer.h"

#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "base/shift_jis.h"
#include "editor/editor_core.h"
#include "tests/support/golden.h"

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

// The editing commands as scripts in data/editing.txt, one command a case; each shows the
// text (when changed), the caret, the selection, the undo and redo steps, the top line, the change reported
// and whether the command did anything.
class EditingScript {
 public:
  EditingScript() { Reset(); }

  std::string Run(const std::string& line) {
    const size_t space = line.find(' ');
    const std::string command = line.substr(0, space);
    const std::string rest = space == std::string::npos ? "" : line.substr(space + 1);
    std::string query;
    if (Query(command, rest, query)) return query;
    events_.changes.clear();
    const int result = Command(command, rest);
    return result == kUnknown ? "unknown command\n" : State(result);
  }

 private:
  static constexpr int kNoResult = -1, kUnknown = -2;

  static TextPoint Point(std::istream& in) {
    TextPoint p;
    char comma;
    in >> p.line >> comma >> p.pos;
    return p;
  }

  // Commands that change nothing and show their own answer.
  bool Query(const std::string& command, const std::string& rest, std::string& out) const {
    const TextBuffer& b = core_->buffer;
    TextPoint p;
    if (command == "get") {
      out = '"' + test::Escape(b.GetText(std::stoi(rest)));
      out += "\"\n";
    } else if (command == "info") {
      out = "lines " + std::to_string(b.LineCount()) + " length " +
            std::to_string(b.TextLength()) + " code " + std::to_string(b.lineCode()) +
            " through " + std::to_string(b.ThroughOf(b.caret())) + "\n";
    } else if (command == "through") {
      out = !b.PointOfThrough(std::stoi(rest), &p)
                ? "none\n"
                : std::to_string(p.line) + "," + std::to_string(p.pos) + "\n";
    } else {
      return false;
    }
    return true;
  }

  // 1 when the command did something, 0 when it refused, kNoResult when it cannot refuse.
  int Command(const std::string& command, const std::string& rest) {
    static const std::map<std::string, CaretMove> moves = {
        {"up", CaretMove::Up},           {"down", CaretMove::Down},
        {"left", CaretMove::Left},       {"right", CaretMove::Right},
        {"home", CaretMove::Home},       {"end", CaretMove::End},
        {"pageup", CaretMove::PageUp},   {"pagedown", CaretMove::PageDown},
        {"start", CaretMove::TextStart}, {"textend", CaretMove::TextEnd}};
    static const std::map<std::string, std::function<bool(EditorCore&)>> edits = {
        {"undo", [](EditorCore& c) { return c.buffer.Undo(); }},
        {"redo", [](EditorCore& c) { return c.buffer.Redo(); }},
        {"cut", [](EditorCore& c) { return c.CutSelection(); }},
        {"cutbuffer", [](EditorCore& c) { return c.buffer.DeleteSelection(true); }},
        {"delete", [](EditorCore& c) { return c.Delete(); }},
        {"backspace", [](EditorCore& c) { return c.Backspace(); }},
        {"enter", [](EditorCore& c) { return c.Enter(); }},
        {"tab", [](EditorCore& c) { return c.Tab(false); }},
        {"shifttab", [](EditorCore& c) { return c.Tab(true); }},
        {"indent", [](EditorCore& c) { return c.Indent(); }},
        {"unindent", [](EditorCore& c) { return c.Unindent(); }}};
    const std::string arg = test::Unescape(rest);
    std::istringstream points(rest);
    EditorCore& c = *core_;
    if (edits.count(command)) return edits.at(command)(c);
    if (moves.count(command)) c.Move(moves.at(command), false);
    else if (command[0] == '+' && moves.count(command.substr(1))) c.Move(moves.at(command.substr(1)), true);
    else if (command == "new") Reset();
    else if (command == "set") return c.buffer.SetText(arg) == -1;
    else if (command == "ime") return c.ImeResult(arg);
    else if (command == "readonly") c.buffer.SetWritable(false);
    else if (command == "overwrite") c.overwrite = true;
    else if (command == "lines") c.visibleLines = std::stoi(arg);
    else if (command == "top") c.topLine = std::stoi(arg);
    else if (command == "scroll") c.ScrollView(std::stoi(arg));
    else if (command == "goal") c.buffer.goal = c.buffer.caret();
    else if (command == "place") c.buffer.PlaceCaret(Point(points));
    else if (command == "insert") {
      const TextPoint at = Point(points);
      return c.buffer.Insert(at, test::Unescape(rest.substr(rest.find(' ') + 1)), false);
    } else if (command == "select") {
      const TextPoint from = Point(points), to = Point(points);
      c.buffer.Select(from, to);
    } else if (command == "type") {
      int result = kNoResult;
      for (char ch : arg) result = c.TypeChar(std::string_view(&ch, 1));
      return result;
    } else {
      return kUnknown;
    }
    return kNoResult;
  }

  void Reset() {
    core_ = std::make_unique<EditorCore>();
    core_->buffer.SetListener(&events_);
    core_->visibleLines = 20;
    core_->visibleColumns = 60;
  }

  // The text only when it changed since the last state shown.
  std::string State(int result) {
    const TextBuffer& b = core_->buffer;
    std::ostringstream out;
    out << (result == kNoResult ? "" : result ? "done " : "nothing ");
    if (b.GetText(3) != shownText_) out << "\"" << test::Escape(shownText_ = b.GetText(3)) << "\" ";
    out << "caret " << b.caret().line << "," << b.caret().pos;
    if (b.HasSelection()) {
      out << " selected \"" << test::Escape(b.SelectedText()) << "\""
          << (b.selection().aIsStart ? "" : " backward");
    }
    out << " undo " << b.UndoSteps() << " redo " << b.RedoSteps() << " top " << core_->topLine;
    for (int32_t change : events_.changes) out << " change " << change;
    return out.str() + "\n";
  }

  std::unique_ptr<EditorCore> core_;
  Recorder events_;
  std::string shownText_;
};

TEST(EditorCore, EditingScripts) {
  EditingScript script;
  test::CheckGolden(KORE_SOURCE_DIR "/tests/editor/data/editing.txt",
                    [&](const std::string& line) { return script.Run(line); });
}

TEST(EditorCore, TheUndoListKeeps256Records) {
  EditorCore core;
  for (int i = 0; i < 257; ++i) core.TypeChar("z");
  EXPECT_EQ(core.buffer.UndoSteps(), 256);
  while (core.buffer.Undo()) {
  }
  EXPECT_EQ(core.buffer.GetText(3), "z");  // the oldest edit can no longer be undone
}

}  // namespace
}  // namespace kore
