// The flat interface driven as another program would, with a parent widget that records the
// parent messages.
#include "editor/penna.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QClipboard>
#include <QTimer>
#include <QWidget>
#include <functional>
#include <map>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "base/shift_jis.h"
#include "editor/penna_editor.h"
#include "editor/penna_event.h"
#include "tests/editor/message_parent.h"
#include "tests/support/golden.h"
#include "tests/support/qt_app.h"

namespace kore {
namespace {

using namespace editor;

std::vector<std::pair<intptr_t, int32_t>> gCallbacks;
int32_t RecordCallback(int32_t id, intptr_t param, int32_t code) {
  gCallbacks.push_back({param + id * 1000, code});
  return 0;
}

class PennaApiTest : public ::testing::Test, protected test::WithQtApp {
 protected:
  void SetUp() override {
    test::EnsureQtApp();
    parent.resize(500, 400);
    ASSERT_EQ(PennaStart(nullptr), 1);
    ASSERT_EQ(PennaCreate(0, &parent, 0, 0, 480, 360), -1);
    gCallbacks.clear();
  }
  void TearDown() override { PennaEnd(); }
  test::MessageParent parent;
};

// One call of the flat interface per case of data/api_calls.txt, run in order: "> SetSelA 0 2 3
// 2 3" shows the answer and any values given back through pointers. Text arguments are escaped
// ("\x20" for a space), "null" is a null pointer. "reset" starts a fresh table with instance 0,
// "clip" puts a text on the clipboard, "clipboard" shows it, "changes" and "inschanges" the
// change and insert-mode codes the parent got since the last look, "callbacks" the callbacks
// registered by EventChange and EventInsChange got (parameter plus 1000 times the instance).
class ApiScript {
 public:
  explicit ApiScript(test::MessageParent& parent) : parent_(parent) {}

  std::string Run(const std::string& line) {
    std::istringstream in(line);
    std::string name;
    in >> name;
    args_.clear();
    for (std::string arg; in >> arg;) args_.push_back(arg);
    auto call = Calls().find(name);
    if (call == Calls().end()) return "unknown call\n";
    return call->second(*this) + "\n";
  }

 private:
  using Call = std::function<std::string(ApiScript&)>;
  int32_t I(size_t n) const { return std::stoi(args_.at(n)); }
  const char* S(size_t n) {
    if (args_.at(n) == "null") return nullptr;
    texts_[n] = test::Unescape(args_[n]);
    return texts_[n].c_str();
  }
  static std::string N(int32_t value) { return std::to_string(value); }
  static std::string Quoted(const char* text) {
    return text ? "\"" + test::Escape(text) + "\"" : std::string("null");
  }
  // The answer and what the call wrote into its buffer.
  static std::string WithText(int32_t result, const std::vector<char>& buffer) {
    return N(result) + " " + Quoted(buffer.data());
  }
  std::string Codes(const std::string& name, int32_t message) {
    std::string out = name;
    for (int32_t code : parent_.Codes(message)) out += " " + N(code);
    parent_.messages.clear();
    return out;
  }

  static const std::map<std::string, Call>& Calls() {
    static const std::map<std::string, Call> calls = {
        {"reset", [](ApiScript& a) {
           PennaEnd();
           const std::string started = N(PennaStart(nullptr));
           return started + " " + N(PennaCreate(0, &a.parent_, 0, 0, 480, 360));
         }},
        {"Version", [](ApiScript&) { return N(GetPennaVer() * 1000 + GetPennaBetaVer()); }},
        {"Create", [](ApiScript& a) { return N(PennaCreate(a.I(0), &a.parent_, 0, 0, a.I(1), a.I(2))); }},
        {"Redim", [](ApiScript& a) { return N(PennaRedim(a.I(0))); }},
        {"Delete", [](ApiScript& a) { return N(PennaDelete(a.I(0))); }},
        {"GetWnd", [](ApiScript& a) { return std::string(PennaGetWnd(a.I(0)) ? "window" : "null"); }},
        {"SetText", [](ApiScript& a) { return N(PennaSetText(a.I(0), a.S(1))); }},
        {"GetText", [](ApiScript& a) {
           std::vector<char> text(static_cast<size_t>(std::max(PennaGetTextLength(a.I(0)), 0)) + 1);
           return WithText(PennaGetText(a.I(0), text.data(), a.I(1)), text);
         }},
        {"GetTextLength", [](ApiScript& a) { return N(PennaGetTextLength(a.I(0))); }},
        {"SetSelText", [](ApiScript& a) { return N(PennaSetSelText(a.I(0), a.S(1))); }},
        {"GetSelText", [](ApiScript& a) {
           std::vector<char> text(64, '\0');
           return WithText(PennaGetSelText(a.I(0), a.args_.at(1) == "null" ? nullptr : text.data()), text);
         }},
        {"GetLines", [](ApiScript& a) { return N(PennaGetLines(a.I(0))); }},
        {"GetLineData", [](ApiScript& a) { return Quoted(PennaGetLineData(a.I(0), a.I(1))); }},
        {"GetLineLen", [](ApiScript& a) { return N(PennaGetLineLen(a.I(0), a.I(1))); }},
        {"GetLineCode", [](ApiScript& a) { return N(PennaGetLineCode(a.I(0))); }},
        {"SetSelA", [](ApiScript& a) { return N(PennaSetSelA(a.I(0), a.I(1), a.I(2), a.I(3), a.I(4))); }},
        {"GetSelA", [](ApiScript& a) {
           int32_t v[4] = {0, 0, 0, 0};
           const bool ends = a.args_.size() < 2;  // "GetSelA 0 start" leaves the end pointers null
           const int32_t r = PennaGetSelA(a.I(0), &v[0], &v[1], ends ? &v[2] : nullptr, ends ? &v[3] : nullptr);
           return N(r) + " " + N(v[0]) + "," + N(v[1]) + (ends ? " " + N(v[2]) + "," + N(v[3]) : "");
         }},
        {"SetSelB", [](ApiScript& a) { return N(PennaSetSelB(a.I(0), a.I(1), a.I(2))); }},
        {"GetSelB", [](ApiScript& a) {
           int32_t from = 0, to = 0;
           const std::string r = N(PennaGetSelB(a.I(0), &from, &to));
           return r + " " + N(from) + " " + N(to);
         }},
        {"GetCaretLine", [](ApiScript& a) { return N(PennaGetCaretLine(a.I(0))); }},
        {"GetCaretPos", [](ApiScript& a) { return N(PennaGetCaretPos(a.I(0))); }},
        {"SetCaretLine", [](ApiScript& a) { return N(PennaSetCaretLine(a.I(0), a.I(1))); }},
        {"SetCaretPos", [](ApiScript& a) { return N(PennaSetCaretPos(a.I(0), a.I(1))); }},
        {"GetCaretVPos", [](ApiScript& a) { return N(PennaGetCaretVPos(a.I(0))); }},
        {"GetCaretThrough", [](ApiScript& a) { return N(PennaGetCaretThrough(a.I(0))); }},
        {"SetCaretThrough", [](ApiScript& a) { return N(PennaSetCaretThrough(a.I(0), a.I(1))); }},
        {"SetMark", [](ApiScript& a) { return N(PennaSetMark(a.I(0), a.I(1), a.I(2), 0)); }},
        {"GetMark", [](ApiScript& a) { return N(PennaGetMark(a.I(0), a.I(1))); }},
        {"SetHighlight", [](ApiScript& a) { return N(PennaSetHighlight(a.I(0), a.S(1), 1, 0)); }},
        {"AddEmphasis", [](ApiScript& a) { return N(PennaAddEmphasis(a.I(0), a.S(1), nullptr, 2, 0xA000, 0, 0, 1)); }},
        {"ResetEmphasis", [](ApiScript& a) { return N(PennaResetEmphasis(a.I(0), 1)); }},
        {"SetFont", [](ApiScript& a) { return N(PennaSetFont(a.I(0), a.S(1), a.I(2), 0)); }},
        {"SetColor", [](ApiScript& a) { return N(PennaSetColor(a.I(0), a.I(1), 0x123456, 1)); }},
        {"SetMarkVisible", [](ApiScript& a) { return N(PennaSetMarkVisible(a.I(0), a.I(1), 0, 1)); }},
        {"SetMetrics", [](ApiScript& a) { return N(PennaSetMetrics(a.I(0), a.I(1), a.I(2), 0)); }},
        {"GetMetrics", [](ApiScript& a) { return N(PennaGetMetrics(a.I(0), a.I(1))); }},
        {"WriteEnable", [](ApiScript& a) { return N(PennaWriteEnable(a.I(0), static_cast<uint8_t>(a.I(1)))); }},
        {"SetLapel", [](ApiScript& a) { return N(PennaSetLapel(a.I(0), static_cast<uint8_t>(a.I(1)), 0, 1)); }},
        {"Undo", [](ApiScript& a) { return N(PennaUndo(a.I(0))); }},
        {"Redo", [](ApiScript& a) { return N(PennaRedo(a.I(0))); }},
        {"Cut", [](ApiScript& a) { return N(PennaCut(a.I(0))); }},
        {"Copy", [](ApiScript& a) { return N(PennaCopy(a.I(0))); }},
        {"Paste", [](ApiScript& a) { return N(PennaPaste(a.I(0))); }},
        {"Indent", [](ApiScript& a) { return N(PennaIndent(a.I(0))); }},
        {"SelectAll", [](ApiScript& a) { return N(PennaSelectAll(a.I(0))); }},
        {"clip", [](ApiScript& a) {
           const std::string text = a.args_.empty() ? "" : a.S(0);
           QApplication::clipboard()->setText(QString::fromStdString(SjisToUtf8(text).text));
           return std::string("clip");
         }},
        {"clipboard", [](ApiScript&) { return Quoted(Utf8ToSjisLossy(QApplication::clipboard()->text().toStdString()).c_str()); }},
        {"changes", [](ApiScript& a) { return a.Codes("changes", PENNA_MSG_CHANGE); }},
        {"inschanges", [](ApiScript& a) { return a.Codes("inschanges", PENNA_MSG_INSCHANGE); }},
        {"EventChange", [](ApiScript& a) { return N(PennaEventChange(a.I(0), RecordCallback, a.I(1))); }},
        {"EventInsChange", [](ApiScript& a) { return N(PennaEventInsChange(a.I(0), RecordCallback, a.I(1))); }},
        {"callbacks", [](ApiScript&) {
           std::string out = "callbacks";
           for (auto [param, code] : std::exchange(gCallbacks, {})) out += " " + N(param) + ":" + N(code);
           return out;
         }},
    };
    return calls;
  }

  test::MessageParent& parent_;
  std::vector<std::string> args_;
  std::map<size_t, std::string> texts_;
};

TEST_F(PennaApiTest, CallScripts) {
  ApiScript script(parent);
  test::CheckGolden(KORE_SOURCE_DIR "/tests/editor/data/api_calls.txt",
                    [&](const std::string& line) { return script.Run(line); });
}

TEST_F(PennaApiTest, CreateReportsTheCaretOnceAndAWindowOfTheRegisteredClass) {
  ASSERT_EQ(PennaRedim(2), -1);
  parent.messages.clear();
  ASSERT_EQ(PennaCreate(1, &parent, 5, 6, 200, 100), -1);
  ASSERT_EQ(parent.messages.size(), 1u);
  EXPECT_EQ(parent.messages[0].message, PENNA_MSG_CARETMOVE);
  EXPECT_EQ(parent.messages[0].wParam, (1u << 16) | 0u);
  auto* window = static_cast<QWidget*>(PennaGetWnd(1));
  EXPECT_EQ(window->geometry(), QRect(5, 6, 200, 100));
  EXPECT_EQ(window->windowTitle(), QString("PennaTextEidtorControlForWin32"));
  EXPECT_EQ(window->property("PennaClass").value<void*>(), static_cast<void*>(window));
  // The create-hidden flag (metric 15) applies to instances created afterwards.
  ASSERT_EQ(PennaRedim(3), -1);
  ASSERT_EQ(PennaSetMetrics(0, 15, 1, 0), -1);
  ASSERT_EQ(PennaCreate(2, &parent, 0, 0, 50, 50), -1);
  EXPECT_TRUE(static_cast<QWidget*>(PennaGetWnd(2))->isHidden());
}

TEST_F(PennaApiTest, AnEditorDestroyedWithItsParentLeavesAnEmptySlot) {
  ASSERT_EQ(PennaRedim(2), -1);
  auto* owner = new QWidget;
  ASSERT_EQ(PennaCreate(1, owner, 0, 0, 100, 100), -1);
  delete owner;  // takes the editor window with it
  EXPECT_EQ(PennaGetWnd(1), nullptr);
  EXPECT_EQ(PennaSetText(1, "x"), -5);
  EXPECT_EQ(PennaCreate(1, &parent, 0, 0, 100, 100), -1);  // the slot can be used again
}

TEST_F(PennaApiTest, ResettingEmphasisRedrawsOnlyWhenAsked) {
  auto* editor = dynamic_cast<PennaEditor*>(static_cast<QWidget*>(PennaGetWnd(0)));
  ASSERT_NE(editor, nullptr);
  ASSERT_EQ(PennaSetText(0, "c // note"), PENNA_OK);
  ASSERT_EQ(PennaAddEmphasis(0, "//", nullptr, 2, 0xA000, 0, 0, 1), PENNA_OK);
  editor->Draw();
  const QImage emphasised = editor->image();
  ASSERT_EQ(PennaResetEmphasis(0, 0), PENNA_OK);
  EXPECT_EQ(editor->image(), emphasised);
  ASSERT_EQ(PennaResetEmphasis(0, 1), PENNA_OK);
  EXPECT_NE(editor->image(), emphasised);
}

TEST_F(PennaApiTest, FontDialogDismissedGivesMinusSixAndAnEmptyName) {
  QTimer closer;
  QObject::connect(&closer, &QTimer::timeout, [] {
    if (QWidget* dialog = QApplication::activeModalWidget()) dialog->close();
  });
  closer.start(20);
  char name[32] = "unchanged";
  EXPECT_EQ(PennaFontDialog(0, name, 0), -6);
  EXPECT_STREQ(name, "");
}

}  // namespace
}  // namespace kore
