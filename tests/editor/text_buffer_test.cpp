#include "editor/text_buffer.h"

#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <memory>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include <QKeySequence>
#include <QScrollBar>
#include <QTest>

#include "base/shift_jis.h"
#include "editor/editor_core.h"
#include "editor/penna_editor.h"
#include "tests/editor/message_parent.h"
#include "tests/support/golden.h"
#include "tests/support/qt_app.h"

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
    if (parent_) parent_->messages.clear();
    const int result = widget_ && Input(command, rest) ? kNoResult : Command(command, rest);
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
    } else if (command == "line") {
      const LineNode* node = b.LineAt(std::stoi(rest));
      out = (node ? '"' + test::Escape(node->text) + '"' : std::string("none")) + " length " +
            std::to_string(b.LineLength(std::stoi(rest))) + "\n";
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
    if (command.empty()) return kUnknown;
    if (edits.count(command)) return edits.at(command)(c);
    if (moves.count(command)) c.Move(moves.at(command), false);
    else if (command[0] == '+' && moves.count(command.substr(1))) c.Move(moves.at(command.substr(1)), true);
    else if (command == "new") Reset();
    else if (command == "widget") Reset(true);
    else if (command == "fourrows") FourRowLines(std::stoi(arg));
    else if (command == "numbered") Numbered(std::stoi(arg));
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
      TextPoint end;
      const bool done = c.buffer.Insert(at, test::Unescape(rest.substr(rest.find(' ') + 1)), false, &end);
      if (done) note_ = " end " + std::to_string(end.line) + "," + std::to_string(end.pos);
      return done;
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

  void Reset(bool widget = false) {
    widget_.reset();
    own_ = std::make_unique<EditorCore>();
    core_ = own_.get();
    core_->visibleLines = 20;
    core_->visibleColumns = 60;
    if (widget) {
      test::EnsureQtApp();
      parent_ = std::make_unique<test::MessageParent>();
      parent_->resize(640, 480);
      widget_ = std::make_unique<PennaEditor>(0, parent_.get());
      widget_->SetPos(0, 0, 600, 400);
      parent_->show();
      widget_->setFocus();
      core_ = &widget_->core();  // its changes arrive as messages to the parent
    } else {
      core_->buffer.SetListener(&events_);
    }
  }

  // `lines` lines of four screen rows each (rows of 'a', 'b' and 'c', then half a row of 'd'),
  // wrapped.
  void FourRowLines(int lines) {
    const size_t columns = static_cast<size_t>(core_->visibleColumns);
    const std::string line = std::string(columns, 'a') + std::string(columns, 'b') +
                             std::string(columns, 'c') + std::string(columns / 2, 'd') + "\n";
    std::string text;
    for (int i = 0; i < lines; ++i) text += line;
    text.pop_back();
    widget_->SetText(text.c_str());
    widget_->SetLapel(true, 0, true);
    shownText_ = core_->buffer.GetText(3);  // too long to show
  }
  // Lines "line 1" to "line N", not shown.
  void Numbered(int lines) {
    std::string text;
    for (int i = 1; i <= lines; ++i) text += "line " + std::to_string(i) + "\n";
    widget_->SetText(text.c_str());
    shownText_ = core_->buffer.GetText(3);
  }

  // Input through the widget's events: "key KEYS" (as a key sequence names them: "Shift+Right"),
  // "keys TEXT" typed character by character, "click", "dclick", "press", "drag", "release" at "L,C"
  // (the left half of the cell of 0-based column C), "L,C>" (its right half), "margin:L" or
  // "screen:R,C" (the left edge of 0-based screen row and column; "+" before the command: Shift
  // held), "wheel N" notches down, "bar N" the scroll-bar's value, "lapel 0|1" wrapping.
  bool Input(std::string command, const std::string& rest) {
    PennaEditor& w = *widget_;
    QWidget* vp = w.viewport();
    Qt::KeyboardModifiers modifiers;
    if (command[0] == '+') modifiers |= Qt::ShiftModifier, command.erase(0, 1);
    if (command == "key") {
      const QKeyCombination key = QKeySequence(QString::fromStdString(rest))[0];
      QTest::keyClick(&w, key.key(), key.keyboardModifiers());
    } else if (command == "keys") {
      for (QChar c : QString::fromStdString(rest)) {
        QKeyEvent press(QEvent::KeyPress, c.isLetterOrNumber() && c.unicode() < 128 ? c.toUpper().unicode() : 0,
                        Qt::NoModifier, QString(c));
        QCoreApplication::sendEvent(&w, &press);
      }
    } else if (command == "wheel") {
      const QPointF at(100, 100);
      const int notches = std::stoi(rest);
      for (int i = 0; i < std::abs(notches); ++i) {
        QWheelEvent e(at, vp->mapToGlobal(at), QPoint(), QPoint(0, notches > 0 ? -120 : 120),
                      Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
        QCoreApplication::sendEvent(vp, &e);
      }
    } else if (command == "bar") {
      w.verticalScrollBar()->setValue(std::stoi(rest));
    } else if (command == "caret") {
      std::istringstream in(rest);
      const TextPoint p = Point(in);
      w.SetCaretLine(p.line);
      w.SetCaretPos(p.pos);
    } else if (command == "lapel") {
      w.SetLapel(rest == "1", 0, true);
    } else {
      static const std::map<std::string, QEvent::Type> mice = {
          {"click", QEvent::MouseButtonPress}, {"dclick", QEvent::MouseButtonDblClick},
          {"press", QEvent::MouseButtonPress}, {"drag", QEvent::MouseMove},
          {"release", QEvent::MouseButtonRelease}};
      if (!mice.count(command)) return false;
      QPoint at;
      std::istringstream in(rest.substr(rest.find(':') + 1));
      char comma;
      int a = 0, b = 0;
      in >> a >> comma >> b;
      if (rest.rfind("margin:", 0) == 0) at = QPoint(5, w.CellOrigin(a, 0).y() + 3);
      else if (rest.rfind("screen:", 0) == 0)
        at = QPoint(w.marginWidth() + b * w.charWidth(), w.rulerHeight() + a * w.rowHeight() + 2);
      else at = w.CellOrigin(a, b) + QPoint(rest.back() == '>' ? w.charWidth() - 1 : 1, w.charHeight() / 2);
      const auto type = mice.at(command);
      const Qt::MouseButtons held = type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton;
      const Qt::MouseButton button = type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton;
      QMouseEvent e(type, QPointF(at), vp->mapToGlobal(QPointF(at)), button, held, modifiers);
      QCoreApplication::sendEvent(vp, &e);
      if (command == "click" || command == "dclick") {
        QMouseEvent up(QEvent::MouseButtonRelease, QPointF(at), vp->mapToGlobal(QPointF(at)),
                       Qt::LeftButton, Qt::NoButton, modifiers);
        QCoreApplication::sendEvent(vp, &up);
      }
    }
    return true;
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
    if (widget_) {
      // The first screen row shown, and the caret's screen row and column.
      const PennaEditor& w = *widget_;
      out << " row " << core_->TopRowNumber() << " bar " << w.verticalScrollBar()->value() << "/"
          << w.verticalScrollBar()->maximum() << " at "
          << (w.GetMetric(5) - w.rulerHeight()) / w.rowHeight() << ","
          << (w.GetMetric(4) - w.marginWidth()) / w.charWidth();
    }
    out << std::exchange(note_, "");
    for (int32_t change : widget_ ? parent_->Codes(PENNA_MSG_CHANGE) : events_.changes)
      out << " change " << change;
    return out.str() + "\n";
  }

  std::unique_ptr<test::MessageParent> parent_;
  std::unique_ptr<PennaEditor> widget_;
  std::unique_ptr<EditorCore> own_;
  EditorCore* core_ = nullptr;
  Recorder events_;
  std::string shownText_;
  std::string note_;  // what the last command gave back besides its state
};

TEST(EditorCore, EditingScripts) {
  EditingScript script;
  test::CheckGolden(KORE_SOURCE_DIR "/tests/editor/data/editing.txt",
                    [&](const std::string& line) { return script.Run(line); });
}

TEST(EditorCore, TheUndoListKeeps256RecordsAndPointsFollowInsertedText) {
  EXPECT_EQ(PointAfter({3, 7}, "ab"), (TextPoint{3, 9}));
  EXPECT_EQ(PointAfter({3, 7}, "ab\r\ncde"), (TextPoint{4, 4}));
  EditorCore core;
  for (int i = 0; i < 257; ++i) core.TypeChar("z");
  EXPECT_EQ(core.buffer.UndoSteps(), 256);
  while (core.buffer.Undo()) {
  }
  EXPECT_EQ(core.buffer.GetText(3), "z");  // the oldest edit can no longer be undone
}

}  // namespace
}  // namespace kore
