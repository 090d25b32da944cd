// The flat interface driven as another program would, with a parent widget that records the
// parent messages.
#include "editor/penna.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QClipboard>
#include <QTimer>
#include <QWidget>
#include <string>
#include <vector>

#include "base/shift_jis.h"
#include "editor/penna_editor.h"
#include "editor/penna_event.h"
#include "tests/editor/message_parent.h"
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
  std::string Text(int32_t code = 3) {
    std::string out(static_cast<size_t>(PennaGetTextLength(0)) + 1, '\0');
    EXPECT_EQ(PennaGetText(0, out.data(), code), -1);
    out.resize(std::char_traits<char>::length(out.c_str()));
    return out;
  }
  test::MessageParent parent;
};

TEST_F(PennaApiTest, InstanceTableIdsSlotsAndVersions) {
  EXPECT_EQ(GetPennaVer(), 161);
  EXPECT_EQ(GetPennaBetaVer(), 0);
  EXPECT_EQ(PennaCreate(1, &parent, 0, 0, 10, 10), -5);  // id equal to the slot count
  EXPECT_EQ(PennaCreate(0, &parent, 0, 0, 10, 10), -11);
  EXPECT_EQ(PennaRedim(1), -4);
  EXPECT_EQ(PennaRedim(-2), -4);
  EXPECT_EQ(PennaRedim(0), -4);  // the table keeps at least one slot
  ASSERT_EQ(PennaRedim(3), -1);
  EXPECT_EQ(PennaGetWnd(2), nullptr);
  EXPECT_EQ(PennaGetLines(2), -5);
  ASSERT_EQ(PennaCreate(2, &parent, 0, 0, 100, 100), -1);
  EXPECT_NE(PennaGetWnd(2), nullptr);
  // Shrinking deletes the instances in the removed slots.
  ASSERT_EQ(PennaRedim(2), -1);
  EXPECT_EQ(PennaGetWnd(2), nullptr);
  EXPECT_EQ(PennaDelete(1), -1);  // an empty slot
  EXPECT_EQ(PennaDelete(7), -5);
  ASSERT_EQ(PennaDelete(0), -1);
  EXPECT_EQ(PennaSetText(0, "x"), -5);
  EXPECT_EQ(PennaSetText(0, nullptr), -4);  // the text is checked before the id
  EXPECT_EQ(PennaGetLineData(0, 1), nullptr);
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

TEST_F(PennaApiTest, TextLinesAndLineNumbersOutOfRange) {
  ASSERT_EQ(PennaEventChange(0, RecordCallback, 7), -1);
  ASSERT_EQ(PennaSetText(0, "ab\r\nc\rd\ne"), -1);
  EXPECT_EQ(PennaGetLines(0), 4);
  EXPECT_EQ(PennaGetLineCode(0), 1);
  EXPECT_EQ(PennaGetTextLength(0), 2 + 2 + 1 + 2 + 1 + 2 + 1);
  EXPECT_EQ(Text(4), "ab\r\nc\r\nd\r\ne");
  EXPECT_STREQ(PennaGetLineData(0, 2), "c");
  EXPECT_EQ(PennaGetLineLen(0, 1), 2);
  EXPECT_EQ(PennaGetLineData(0, 5), nullptr);
  EXPECT_EQ(PennaGetLineData(0, 0), nullptr);
  EXPECT_EQ(PennaGetLineLen(0, 5), -4);
  EXPECT_EQ(PennaGetMark(0, 9), -4);
  EXPECT_EQ(PennaSetMark(0, 0, 1, 0), -4);
  EXPECT_EQ(PennaSetMark(0, 2, 3, 0), 0);
  EXPECT_EQ(PennaSetMark(0, 2, 1, 1), 3);  // the previous value
  EXPECT_EQ(PennaGetMark(0, 2), 1);
  // Change code 11 went to the parent first, then to the callback.
  EXPECT_EQ(parent.Codes(PENNA_MSG_CHANGE), std::vector<int32_t>{kChangeSetText});
  ASSERT_EQ(gCallbacks.size(), 1u);
  EXPECT_EQ(gCallbacks[0], (std::pair<intptr_t, int32_t>{7, kChangeSetText}));
}

TEST_F(PennaApiTest, SelectionInBothFormsAndTheCaret) {
  ASSERT_EQ(PennaSetText(0, "abc\ndef"), -1);
  int32_t l1 = 0, p1 = 0, l2 = 0, p2 = 0;
  ASSERT_EQ(PennaSetCaretPos(0, 3), -1);
  EXPECT_EQ(PennaGetSelA(0, &l1, &p1, &l2, &p2), -2);
  EXPECT_EQ(std::vector<int32_t>({l1, p1, l2, p2}), std::vector<int32_t>({1, 3, 1, 3}));
  EXPECT_EQ(PennaSetSelA(0, 2, 3, 2, 3), 1);  // equal ends: caret only
  EXPECT_EQ(PennaGetCaretLine(0), 2);
  EXPECT_EQ(PennaGetCaretPos(0), 3);
  EXPECT_EQ(PennaSetSelA(0, 1, 1, 3, 1), 0);
  EXPECT_EQ(PennaSetSelA(0, 1, 5, 2, 1), 0);
  ASSERT_EQ(PennaSetSelA(0, 2, 2, 1, 2), 1);
  EXPECT_EQ(PennaGetSelA(0, &l1, &p1, &l2, &p2), -1);
  EXPECT_EQ(std::vector<int32_t>({l1, p1, l2, p2}), std::vector<int32_t>({1, 2, 2, 2}));
  EXPECT_EQ(PennaGetCaretLine(0), 1);  // the caret is at the end point given
  ASSERT_EQ(PennaSetMetrics(0, 17, 1, 0), -1);  // in the order made
  EXPECT_EQ(PennaGetSelA(0, &l1, &p1, nullptr, nullptr), -1);
  EXPECT_EQ(std::vector<int32_t>({l1, p1}), std::vector<int32_t>({2, 2}));
  char selected[16];
  ASSERT_EQ(PennaGetSelText(0, selected), -1);
  EXPECT_STREQ(selected, "bc\r\nd");
  EXPECT_EQ(PennaGetSelText(0, nullptr), -4);

  int32_t s = 0, e = 0;
  EXPECT_EQ(PennaSetSelB(0, 0, 3), -4);
  EXPECT_EQ(PennaSetSelB(0, 4, 3), -4);
  ASSERT_EQ(PennaSetSelB(0, 2, 6), -1);
  EXPECT_EQ(PennaGetSelB(0, &s, &e), -1);
  EXPECT_EQ(s, 2);
  EXPECT_EQ(e, 6);
  EXPECT_EQ(PennaSetSelB(0, 2, 99), -1);  // past the text: unchanged
  EXPECT_EQ(PennaGetSelB(0, &s, &e), -1);
  EXPECT_EQ(e, 6);
  ASSERT_EQ(PennaSetSelB(0, 3, 3), -1);
  EXPECT_EQ(PennaGetSelB(0, &s, &e), -2);
  EXPECT_EQ(s, 3);
  EXPECT_EQ(e, 3);
  EXPECT_EQ(PennaGetSelText(0, selected), -12);

  EXPECT_EQ(PennaSetCaretLine(0, 3), -4);
  EXPECT_EQ(PennaSetCaretLine(0, 0), -4);
  ASSERT_EQ(PennaSetCaretLine(0, 2), -1);
  EXPECT_EQ(PennaSetCaretPos(0, 4), -1);  // line length + 1
  EXPECT_EQ(PennaSetCaretPos(0, 5), -4);
  EXPECT_EQ(PennaGetCaretThrough(0), 9);
  EXPECT_EQ(PennaSetCaretThrough(0, 10), -2);
  ASSERT_EQ(PennaSetCaretThrough(0, 2), -1);
  EXPECT_EQ(PennaGetCaretPos(0), 2);
  ASSERT_EQ(PennaSetText(0, "\tab"), -1);
  ASSERT_EQ(PennaSetCaretPos(0, 3), -1);
  EXPECT_EQ(PennaGetCaretVPos(0), 5);
}

TEST_F(PennaApiTest, UndoRedoCutAndPasteThroughTheInterface) {
  ASSERT_EQ(PennaSetText(0, "one two"), -1);
  EXPECT_EQ(PennaUndo(0), -2);  // setting the text is not recorded
  ASSERT_EQ(PennaSetCaretPos(0, 8), -1);
  for (const char* s : {"!", "?", "."}) {
    ASSERT_EQ(PennaSetSelText(0, s), -1);
  }
  ASSERT_EQ(PennaUndo(0), -1);
  EXPECT_EQ(PennaGetMetrics(0, 2), 2);
  EXPECT_EQ(PennaGetMetrics(0, 3), 1);
  EXPECT_EQ(Text(), "one two!?");

  ASSERT_EQ(PennaSetSelA(0, 1, 1, 1, 5), 1);
  ASSERT_EQ(PennaCut(0), -1);
  EXPECT_EQ(Text(), "two!?");
  EXPECT_EQ(SjisToUtf8(QApplication::clipboard()->text().toStdString()).ok, true);
  EXPECT_EQ(QApplication::clipboard()->text(), QString("one "));
  ASSERT_EQ(PennaUndo(0), -1);
  EXPECT_EQ(Text(), "one two!?");
  int32_t l1, p1, l2, p2;
  EXPECT_EQ(PennaGetSelA(0, &l1, &p1, &l2, &p2), -2);
  EXPECT_EQ(p1, 5);  // unselected, caret at the end of the restored text
  ASSERT_EQ(PennaRedo(0), -1);
  EXPECT_EQ(Text(), "two!?");
  EXPECT_EQ(PennaCopy(0), -2);  // nothing selected

  QApplication::clipboard()->setText(QString::fromUtf8("日本\n"));
  ASSERT_EQ(PennaSetCaretPos(0, 1), -1);
  ASSERT_EQ(PennaPaste(0), -1);
  EXPECT_EQ(Text(), Sjis("日本") + "\ntwo!?");
  EXPECT_EQ(PennaGetCaretLine(0), 2);
  QApplication::clipboard()->setText(QString());
  EXPECT_EQ(PennaPaste(0), -1);  // empty clipboard text: success, nothing changes
  EXPECT_EQ(Text(), Sjis("日本") + "\ntwo!?");
  std::vector<int32_t> codes = parent.Codes(PENNA_MSG_CHANGE);
  EXPECT_EQ(codes.back(), kChangePaste);
  EXPECT_NE(std::find(codes.begin(), codes.end(), kChangeCut), codes.end());
  EXPECT_NE(std::find(codes.begin(), codes.end(), kChangeRedo), codes.end());
}

TEST_F(PennaApiTest, ReadOnlyRefusesEditsAndReportsNoChange) {
  ASSERT_EQ(PennaSetText(0, "keep"), -1);
  ASSERT_EQ(PennaSetSelText(0, "x"), -1);
  ASSERT_EQ(PennaWriteEnable(0, 0), -1);
  parent.messages.clear();
  EXPECT_EQ(PennaSetText(0, "other"), -7);
  EXPECT_EQ(PennaUndo(0), -2);
  EXPECT_EQ(PennaSetSelText(0, "y"), -2);
  ASSERT_EQ(PennaSelectAll(0), -1);  // selecting still works
  EXPECT_EQ(PennaCut(0), -2);
  EXPECT_EQ(PennaIndent(0), -2);
  EXPECT_EQ(PennaCopy(0), -1);
  EXPECT_EQ(Text(), "xkeep");
  // A refused text changed nothing, so no change notification claims otherwise.
  EXPECT_TRUE(parent.Codes(PENNA_MSG_CHANGE).empty());
  ASSERT_EQ(PennaWriteEnable(0, 1), -1);
  EXPECT_EQ(PennaUndo(0), -1);
  EXPECT_EQ(Text(), "keep");
}

TEST_F(PennaApiTest, SettersCheckTheirIndices) {
  EXPECT_EQ(PennaSetColor(0, 21, 0, 0), -4);
  EXPECT_EQ(PennaSetColor(0, -1, 0, 0), -4);
  EXPECT_EQ(PennaSetColor(0, 20, 0x123456, 1), -1);
  EXPECT_EQ(PennaSetMarkVisible(0, 6, 1, 0), -4);
  EXPECT_EQ(PennaSetMarkVisible(0, 5, 0, 1), -1);
  EXPECT_EQ(PennaSetMetrics(0, 0, 0, 0), -4);
  EXPECT_EQ(PennaSetMetrics(0, 19, 0, 0), -4);
  EXPECT_EQ(PennaSetMetrics(0, 0, 8, 0), -1);
  EXPECT_EQ(PennaGetMetrics(0, 6), -4);
  EXPECT_EQ(PennaGetMetrics(0, -1), -4);
  EXPECT_EQ(PennaSetHighlight(0, nullptr, 1, 0), -4);
  EXPECT_EQ(PennaSetHighlight(0, "ab", 0, 1), -1);
  EXPECT_EQ(PennaAddEmphasis(0, nullptr, nullptr, 1, 0, 0, 0, 0), -4);
  EXPECT_EQ(PennaAddEmphasis(0, "//", nullptr, 2, 0xA000, 0, 0, 1), -1);
  EXPECT_EQ(PennaResetEmphasis(0, 1), -1);
  EXPECT_EQ(PennaSetLapel(0, 0, 0, 1), -1);
  // Metric 12 switches to overwrite mode and reports it as the Insert key would.
  ASSERT_EQ(PennaEventInsChange(0, RecordCallback, 0), -1);
  ASSERT_EQ(PennaSetMetrics(0, 12, 1, 0), -1);
  EXPECT_EQ(parent.Codes(PENNA_MSG_INSCHANGE), std::vector<int32_t>{0});
  ASSERT_EQ(PennaSetMetrics(0, 12, 1, 0), -1);  // already overwriting: nothing sent
  EXPECT_EQ(gCallbacks.size(), 1u);
}

TEST_F(PennaApiTest, FontsMapTheDefaultFaceAndRefuseProportionalOnes) {
  EXPECT_EQ(PennaSetFont(0, nullptr, 12, 0), -4);
  EXPECT_EQ(PennaSetFont(0, "IPAGothic", 0, 0), -4);
  ASSERT_EQ(PennaSetFont(0, Sjis("ＭＳ ゴシック").c_str(), 12, 1), -1);
  int32_t width = PennaGetMetrics(0, 0);
  EXPECT_GT(width, 0);
  EXPECT_GT(PennaGetMetrics(0, 1), width);
  EXPECT_EQ(PennaSetFont(0, "No Such Face 123", 12, 0), -2);
  EXPECT_EQ(PennaSetFont(0, "IPAPGothic", 12, 0), -2);  // proportional
  EXPECT_EQ(PennaGetMetrics(0, 0), width);                // the fonts are unchanged
  ASSERT_EQ(PennaSetFont(0, "IPAGothic", 24, 0), -1);
  EXPECT_GT(PennaGetMetrics(0, 0), width);
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
