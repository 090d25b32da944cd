// The editing frame and its editor objects, driven through their public surface.
#include "editor/frame/penna_frame.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QClipboard>
#include <QAccessible>
#include <QTest>
#include <algorithm>
#include <vector>

#include "base/shift_jis.h"
#include "editor/penna.h"
#include "editor/penna_event.h"
#include "tests/editor/message_parent.h"
#include "tests/support/qt_app.h"

namespace kore {
namespace {

class FrameTest : public ::testing::Test, protected test::WithQtApp {
 protected:
  static void SetUpTestSuite() {
    test::EnsureQtApp();
    PennaStart(nullptr);
  }
  void SetUp() override {
    window.resize(400, 300);
    frame = new CPennaFrame(&window);
    frame->resize(400, 300);
    frame->SetMessageTarget(&target);
    ASSERT_TRUE(frame->Create(kTrackEditors));
  }
  void TearDown() override { delete frame; }

  static constexpr int32_t kTrackEditors = 16;
  test::MessageParent target;
  QWidget window;
  CPennaFrame* frame = nullptr;
};

TEST_F(FrameTest, CopyAndCutWithoutSelectionTakeTheCaretLine) {
  struct Row {
    const char* name;
    bool cut;
    int32_t caretLine;
    const char* clipboard;
    const char* textAfter;
  };
  const Row rows[] = {
      {"copy middle line", false, 1, "d8e8\r\n", "c8\r\nd8e8\r\nf8"},
      {"copy last line", false, 2, "f8", "c8\r\nd8e8\r\nf8"},
      {"cut last line", true, 2, "f8", "c8\r\nd8e8\r\n"},
      {"cut first line", true, 0, "c8\r\n", "d8e8\r\nf8"},
  };
  for (const Row& row : rows) {
    CPennaWnd* editor = frame->Editor(0);
    editor->SetText("c8\r\nd8e8\r\nf8");
    editor->SetCaretLine(row.caretLine);
    editor->SetCaretPos(1);
    QApplication::clipboard()->clear();
    if (row.cut) {
      editor->Cut();
    } else {
      EXPECT_EQ(editor->Copy(), PENNA_OK) << row.name;
      EXPECT_EQ(editor->CaretLine(), row.caretLine) << row.name;
      EXPECT_EQ(editor->CaretPos(), 1) << row.name;
      EXPECT_FALSE(editor->HasSelection()) << row.name;
    }
    EXPECT_EQ(QApplication::clipboard()->text().toStdString(), row.clipboard) << row.name;
    EXPECT_EQ(editor->Text(1), row.textAfter) << row.name;
  }
}


TEST_F(FrameTest, TypingIsCountedReportedWithItsSenderAndRefusedWhenReadOnly) {
  CPennaWnd* editor = frame->Editor(0);
  editor->SetText("");
  editor->ClearModified();
  target.messages.clear();
  QTest::keyClicks(editor->Widget(), "abc");
  EXPECT_EQ(editor->ModifiedCount(), 3);
  const auto sender = reinterpret_cast<intptr_t>(editor);
  for (int32_t message : {PENNA_MSG_CHANGE, PENNA_MSG_CARETMOVE}) {
    EXPECT_TRUE(std::any_of(target.messages.begin(), target.messages.end(), [&](auto& m) {
      return m.message == message && m.lParam == sender;
    })) << message;
  }
  EXPECT_EQ(CPennaWnd::FromWidget(editor->Widget()), editor);
  editor->Undo();
  EXPECT_EQ(editor->ModifiedCount(), 2);
  editor->Undo();
  editor->Undo();
  EXPECT_EQ(editor->ModifiedCount(), 0);
  EXPECT_FALSE(frame->AnyModified());
  frame->SetReadOnlyForAll(true);
  QTest::keyClicks(editor->Widget(), "x");
  EXPECT_EQ(editor->Text(1), "");
  frame->SetReadOnlyForAll(false);
  QTest::keyClicks(editor->Widget(), "a");
  EXPECT_EQ(editor->Text(1), "a");
}

TEST_F(FrameTest, ZeroBasedPositionsMatchByteOffsetsOfCrLfText) {
  CPennaWnd* editor = frame->Editor(3);
  editor->SetText("ab\r\ncd");
  editor->SetCaretThrough(5);  // before "d"
  EXPECT_EQ(editor->CaretLine(), 1);
  EXPECT_EQ(editor->CaretPos(), 1);
  EXPECT_EQ(editor->CaretThrough(), 5);
  editor->SetSelection(1, 5);
  int32_t start = 0, end = 0;
  EXPECT_EQ(editor->Selection(&start, &end), PENNA_OK);
  EXPECT_EQ(start, 1);
  EXPECT_EQ(end, 5);
  EXPECT_EQ(editor->SelectedText(), "b\r\nc");
}

TEST_F(FrameTest, SelectShowsOneEditorAndIgnoresOutOfRange) {
  frame->Select(5);
  EXPECT_EQ(frame->Current(), 5);
  frame->Select(kTrackEditors);
  frame->Select(-1);
  EXPECT_EQ(frame->Current(), 5);
  int visible = 0;
  for (int32_t i = 0; i < frame->Count(); ++i)
    visible += frame->Editor(i)->Widget()->isVisibleTo(frame) ? 1 : 0;
  EXPECT_EQ(visible, 1);
  EXPECT_TRUE(frame->Editor(5)->Widget()->isVisibleTo(frame));
}

TEST_F(FrameTest, SecondFrameGrowsTheTableForItsEditors) {
  CPennaFrame second(&window);
  ASSERT_TRUE(second.Create(kTrackEditors));
  EXPECT_FALSE(second.Create(kTrackEditors)) << "a frame is created once";
  std::vector<int32_t> ids;
  for (int32_t i = 0; i < second.Count(); ++i) ids.push_back(second.Editor(i)->Id());
  std::sort(ids.begin(), ids.end());
  EXPECT_EQ(ids.front(), 16);
  EXPECT_EQ(ids.back(), 31);
  EXPECT_GE(CPennaWnd::SlotCount(), 32);
}



TEST_F(FrameTest, AccessibleTextCountsCharactersAndEditsLikeTyping) {
  CPennaWnd* editor = frame->Editor(0);
  editor->SetText(Utf8ToSjisLossy("ドレミ\r\ncd"));
  QAccessibleInterface* a11y = QAccessible::queryAccessibleInterface(editor->Widget());
  ASSERT_NE(a11y, nullptr);
  EXPECT_EQ(a11y->role(), QAccessible::EditableText);
  QAccessibleTextInterface* text = a11y->textInterface();
  ASSERT_NE(text, nullptr);
  EXPECT_EQ(text->characterCount(), 7);
  EXPECT_EQ(text->text(0, 7).toStdString(), "ドレミ\r\ncd");
  EXPECT_EQ(a11y->text(QAccessible::Value).toStdString(), "ドレミ\r\ncd");
  text->setCursorPosition(2);
  EXPECT_EQ(editor->CaretThrough(), 4) << "two two-byte characters before the caret";
  EXPECT_EQ(text->cursorPosition(), 2);
  text->setSelection(0, 1, 3);
  int start = 0, end = 0;
  text->selection(0, &start, &end);
  EXPECT_EQ(start, 1);
  EXPECT_EQ(end, 3);

  target.messages.clear();
  editor->ClearModified();
  a11y->editableTextInterface()->replaceText(5, 6, QString::fromUtf8("ファ"));
  EXPECT_EQ(SjisToUtf8Lossy(editor->Text(1)), "ドレミ\r\nファd");
  EXPECT_EQ(editor->ModifiedCount(), 1);
  EXPECT_FALSE(target.Codes(PENNA_MSG_CHANGE).empty());
  editor->Undo();
  EXPECT_EQ(SjisToUtf8Lossy(editor->Text(1)), "ドレミ\r\ncd");

  frame->SetReadOnlyForAll(true);
  EXPECT_TRUE(a11y->state().readOnly);
  a11y->editableTextInterface()->insertText(0, "x");
  EXPECT_EQ(SjisToUtf8Lossy(editor->Text(1)), "ドレミ\r\ncd");
  frame->SetReadOnlyForAll(false);
}

}  // namespace
}  // namespace kore
