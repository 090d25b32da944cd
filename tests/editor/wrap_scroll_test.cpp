// Scrolling by screen rows with wrapping on, End on a wrapped row, the deferred redraw of the
// scroll-bar arrows and the drag-scroll debug lines.
#include <gtest/gtest.h>

#include <QScrollBar>
#include <QTest>
#include <QWidget>
#include <memory>
#include <string>

#include "editor/penna_editor.h"
#include "tests/support/qt_app.h"

namespace kore {
namespace {

using namespace editor;

QStringList* g_debugLines = nullptr;

void CaptureDebug(QtMsgType type, const QMessageLogContext&, const QString& message) {
  if (type == QtDebugMsg && g_debugLines) g_debugLines->append(message);
}

class WrapScrollTest : public ::testing::Test, protected test::WithQtApp {
 protected:
  void SetUp() override {
    parent.resize(640, 480);
    editor = std::make_unique<PennaEditor>(0, &parent);
    editor->SetPos(0, 0, 600, 400);
    parent.show();
    editor->setFocus();
    columns = editor->core().visibleColumns;
    visible = editor->core().visibleLines;
  }
  // `lines` lines of four rows each: rows of 'a', 'b' and 'c', then half a row of 'd'.
  void SetFourRowLines(int lines) {
    std::string line = std::string(static_cast<size_t>(columns), 'a') +
                       std::string(static_cast<size_t>(columns), 'b') +
                       std::string(static_cast<size_t>(columns), 'c') +
                       std::string(static_cast<size_t>(columns / 2), 'd');
    std::string text;
    for (int i = 0; i < lines; ++i) text += line + "\n";
    text.pop_back();
    editor->SetText(text.c_str());
    ASSERT_EQ(editor->SetLapel(true, 0, true), -1);
    ASSERT_EQ(editor->buffer().LineAt(1)->rows, 4);
  }
  void Wheel(int delta) {
    QWidget* vp = editor->viewport();
    QPointF at(100, 100);
    QWheelEvent e(at, vp->mapToGlobal(at), QPoint(), QPoint(0, delta), Qt::NoButton,
                  Qt::NoModifier, Qt::NoScrollPhase, false);
    QCoreApplication::sendEvent(vp, &e);
  }
  void DragTo(QPoint pixel) {
    QWidget* vp = editor->viewport();
    QMouseEvent move(QEvent::MouseMove, QPointF(pixel), vp->mapToGlobal(QPointF(pixel)),
                     Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(vp, &move);
  }
  TextPoint Caret() { return editor->buffer().caret(); }
  // The text point drawn at the top-left of the text area.
  TextPoint TopLeft() {
    return editor->PointAt({editor->marginWidth() + 1, editor->rulerHeight() + 1});
  }

  QWidget parent;
  std::unique_ptr<PennaEditor> editor;
  int32_t columns = 0;
  int32_t visible = 0;
};

TEST_F(WrapScrollTest, TheViewStartsAtARowAndTheBarCountsRows) {
  SetFourRowLines(30);
  QScrollBar* bar = editor->verticalScrollBar();
  EXPECT_EQ(bar->maximum(), 30 * 4 - 1);
  EXPECT_EQ(bar->value(), 0);

  // One wheel notch moves three rows: the view now starts on the 'd' row of line 1.
  ASSERT_EQ(editor->SetHighlight("d", true, true), -1);
  Wheel(-120);
  EXPECT_EQ(editor->core().topLine, 1);
  EXPECT_EQ(editor->core().topRow, 3);
  EXPECT_EQ(bar->value(), 3);
  EXPECT_EQ(TopLeft(), (TextPoint{1, 3 * columns + 1}));
  EXPECT_EQ(editor->PointOrigin({1, 1}), QPoint(-1, -1));  // scrolled out above
  EXPECT_EQ(editor->PointOrigin({2, 1}).y(), editor->rulerHeight() + editor->rowHeight());
  // What is drawn agrees: the top row holds the highlighted 'd's, the next one line 2's 'a's.
  const uint32_t back = editor->colour(kColourHighlightBack);
  const int32_t top = editor->rulerHeight();
  const int32_t rowH = editor->rowHeight();
  QRect firstRow(editor->marginWidth(), top, columns / 2 * editor->charWidth(), rowH - 1);
  QRect secondRow(editor->marginWidth(), top + rowH, columns * editor->charWidth(), rowH - 1);
  auto has = [&](QRect r) {
    for (int y = r.top(); y <= r.bottom(); ++y)
      for (int x = r.left(); x <= r.right(); ++x)
        if (editor->image().pixelColor(x, y) ==
            QColor(back & 0xFF, (back >> 8) & 0xFF, (back >> 16) & 0xFF))
          return true;
    return false;
  };
  EXPECT_TRUE(has(firstRow));
  EXPECT_FALSE(has(secondRow));
  // A click on the top row lands on the row under the pointer.
  QTest::mouseClick(editor->viewport(), Qt::LeftButton, {},
                    QPoint(editor->marginWidth() + 1, top + 2));
  EXPECT_EQ(Caret(), (TextPoint{1, 3 * columns + 1}));
  EXPECT_EQ(editor->GetMetric(5), top);

  // The thumb sets a row; the wheel stops at the first and the last row.
  bar->setValue(5);
  EXPECT_EQ(editor->core().topLine, 2);
  EXPECT_EQ(editor->core().topRow, 1);
  EXPECT_EQ(TopLeft(), (TextPoint{2, columns + 1}));
  for (int i = 0; i < 3; ++i) Wheel(120);
  EXPECT_EQ(editor->core().TopRowNumber(), 0);
  for (int i = 0; i < 100; ++i) Wheel(-120);
  EXPECT_EQ(editor->core().TopRowNumber(), 30 * 4 - 1);
  EXPECT_EQ(editor->core().topLine, 30);
  EXPECT_EQ(editor->core().topRow, 3);

  // Switching wrapping off counts lines again.
  ASSERT_EQ(editor->SetLapel(false, 0, true), -1);
  EXPECT_EQ(editor->core().topRow, 0);
  EXPECT_EQ(bar->maximum(), 29);
}

TEST_F(WrapScrollTest, PagingAndTheCaretFollowGoByRows) {
  SetFourRowLines(30);
  // Page Down moves the view and the caret by a page of rows, keeping the caret's screen row
  // and column.
  editor->SetCaretThrough(3);
  QTest::keyClick(editor.get(), Qt::Key_PageDown);
  EXPECT_EQ(editor->core().TopRowNumber(), visible);
  TextPoint expected{1 + visible / 4, (visible % 4) * columns + 3};
  EXPECT_EQ(Caret(), expected);
  EXPECT_EQ(editor->GetMetric(5), editor->rulerHeight());
  QTest::keyClick(editor.get(), Qt::Key_PageUp);
  EXPECT_EQ(editor->core().TopRowNumber(), 0);
  EXPECT_EQ(Caret(), (TextPoint{1, 3}));

  // A caret far below puts its row two thirds of a page down, in rows.
  QTest::keyClick(editor.get(), Qt::Key_End, Qt::ControlModifier);
  const int64_t lastRow = 30 * 4 - 1;
  EXPECT_EQ(editor->core().TopRowNumber(), lastRow - (2 * visible) / 3);
  EXPECT_EQ(editor->GetMetric(5),
            editor->rulerHeight() + (2 * visible) / 3 * editor->rowHeight());
  // Up keeps the caret on the page row by row: moving to the previous line's same column
  // leaves the view alone while that row is still visible.
  const int64_t top = editor->core().TopRowNumber();
  QTest::keyClick(editor.get(), Qt::Key_Up);
  EXPECT_EQ(editor->core().TopRowNumber(), top);
  // Ctrl+Down scrolls the view by one row, not one line.
  QTest::keyClick(editor.get(), Qt::Key_Down, Qt::ControlModifier);
  EXPECT_EQ(editor->core().TopRowNumber(), top + 1);
  // Going back to the top through Up reaches row 0 with the caret on the first line.
  QTest::keyClick(editor.get(), Qt::Key_Home, Qt::ControlModifier);
  EXPECT_EQ(editor->core().TopRowNumber(), 0);
  // A caret on the last row of a tall line that is just past the page scrolls by rows only.
  editor->SetCaretThrough(1);
  int32_t line = 1 + (visible - 1) / 4;  // the line holding screen row visible - 1
  int32_t row = (visible - 1) % 4;
  editor->SetCaretLine(line);
  editor->SetCaretPos(row * columns + 1);
  EXPECT_EQ(editor->core().TopRowNumber(), (visible - 1) - (2 * visible) / 3);
}

TEST_F(WrapScrollTest, EndOnAWrappedRowStaysOnThatRow) {
  SetFourRowLines(2);
  const int32_t margin = editor->marginWidth();
  const int32_t top = editor->rulerHeight();
  const int32_t rowH = editor->rowHeight();
  const int32_t cw = editor->charWidth();
  editor->SetCaretThrough(3);
  QTest::keyClick(editor.get(), Qt::Key_End);
  // The offset is that of the next row's start, but the caret is drawn at the end of row 0.
  EXPECT_EQ(Caret(), (TextPoint{1, columns + 1}));
  EXPECT_EQ(editor->GetMetric(4), margin + columns * cw);
  EXPECT_EQ(editor->GetMetric(5), top);
  EXPECT_EQ(editor->core().CaretColumn(), columns);
  // End again stays; Home goes to the start of the same row.
  QTest::keyClick(editor.get(), Qt::Key_End);
  EXPECT_EQ(Caret(), (TextPoint{1, columns + 1}));
  EXPECT_EQ(editor->GetMetric(5), top);
  QTest::keyClick(editor.get(), Qt::Key_Home);
  EXPECT_EQ(Caret(), (TextPoint{1, 1}));
  // From the row end, Right goes past the first character of the next row.
  QTest::keyClick(editor.get(), Qt::Key_End);
  QTest::keyClick(editor.get(), Qt::Key_Right);
  EXPECT_EQ(Caret(), (TextPoint{1, columns + 2}));
  EXPECT_EQ(editor->GetMetric(4), margin + cw);
  EXPECT_EQ(editor->GetMetric(5), top + rowH);
  // End on row 1 ends that row; Home from there returns to row 1's start, not row 2's.
  QTest::keyClick(editor.get(), Qt::Key_End);
  EXPECT_EQ(Caret(), (TextPoint{1, 2 * columns + 1}));
  EXPECT_EQ(editor->GetMetric(5), top + rowH);
  QTest::keyClick(editor.get(), Qt::Key_Home);
  EXPECT_EQ(Caret(), (TextPoint{1, columns + 1}));
  EXPECT_EQ(editor->GetMetric(5), top + rowH);
  // On the last row End is the end of the line.
  QTest::keyClick(editor.get(), Qt::Key_Down);
  QTest::keyClick(editor.get(), Qt::Key_Up);
  editor->SetCaretPos(3 * columns + 2);
  QTest::keyClick(editor.get(), Qt::Key_End);
  EXPECT_EQ(Caret(), (TextPoint{1, 3 * columns + columns / 2 + 1}));
  EXPECT_EQ(editor->GetMetric(5), top + 3 * rowH);
  // A click at the start of row 1 puts the caret there, not at the end of row 0.
  QTest::keyClick(editor.get(), Qt::Key_Home, Qt::ControlModifier);
  QTest::keyClick(editor.get(), Qt::Key_End);
  QTest::mouseClick(editor->viewport(), Qt::LeftButton, {}, QPoint(margin + 1, top + rowH + 2));
  EXPECT_EQ(Caret(), (TextPoint{1, columns + 1}));
  EXPECT_EQ(editor->GetMetric(4), margin);
  EXPECT_EQ(editor->GetMetric(5), top + rowH);
}

TEST_F(WrapScrollTest, ArrowStepsRedrawOnceOrAtTheEndOfTheScroll) {
  std::string text;
  for (int i = 1; i <= 200; ++i) text += "line " + std::to_string(i) + "\n";
  editor->SetText(text.c_str());
  QScrollBar* bar = editor->verticalScrollBar();
  auto redrawnNow = [&] {
    QImage shown = editor->image();
    editor->Draw();
    return shown == editor->image();
  };
  const QImage start = editor->image();

  // A single step: the view moves at once, the picture 30 ms later.
  bar->triggerAction(QAbstractSlider::SliderSingleStepAdd);
  EXPECT_EQ(editor->core().topLine, 2);
  EXPECT_EQ(editor->image(), start);
  QTest::qWait(120);
  EXPECT_NE(editor->image(), start);
  EXPECT_TRUE(redrawnNow());

  // Two steps in a row: the timer is cancelled and nothing is drawn while the arrow is held,
  // however long, until the scroll ends.
  const QImage before = editor->image();
  bar->triggerAction(QAbstractSlider::SliderSingleStepAdd);
  bar->triggerAction(QAbstractSlider::SliderSingleStepAdd);
  QTest::qWait(120);
  bar->triggerAction(QAbstractSlider::SliderSingleStepAdd);
  QTest::qWait(120);
  EXPECT_EQ(editor->core().topLine, 5);
  EXPECT_EQ(editor->image(), before);
  QTest::mouseRelease(bar, Qt::LeftButton);
  EXPECT_NE(editor->image(), before);
  EXPECT_TRUE(redrawnNow());

  // After the end the next single step is deferred again, and page steps draw at once.
  const QImage after = editor->image();
  bar->triggerAction(QAbstractSlider::SliderSingleStepSub);
  EXPECT_EQ(editor->image(), after);
  QTest::qWait(120);
  EXPECT_TRUE(redrawnNow());
  const QImage paged = editor->image();
  bar->triggerAction(QAbstractSlider::SliderPageStepAdd);
  EXPECT_NE(editor->image(), paged);
}

TEST_F(WrapScrollTest, DragSelectingOutsideScrollsRowsAndSaysSo) {
  SetFourRowLines(30);
  QStringList lines;
  g_debugLines = &lines;
  QtMessageHandler previous = qInstallMessageHandler(CaptureDebug);
  QWidget* vp = editor->viewport();
  const QPoint inside(editor->marginWidth() + 2, editor->rulerHeight() + 2);
  QTest::mousePress(vp, Qt::LeftButton, {}, inside);
  DragTo({inside.x(), vp->height() + 5});
  EXPECT_EQ(editor->core().TopRowNumber(), 1);  // one row, not one four-row line
  DragTo({inside.x(), vp->height() + 5});
  EXPECT_EQ(editor->core().TopRowNumber(), 2);
  DragTo(inside);
  DragTo({inside.x(), editor->rulerHeight() - 2});
  EXPECT_EQ(editor->core().TopRowNumber(), 1);
  QTest::mouseRelease(vp, Qt::LeftButton, {}, inside);
  // Moves inside the window say nothing.
  DragTo(inside);
  qInstallMessageHandler(previous);
  g_debugLines = nullptr;
  EXPECT_EQ(lines, (QStringList{"DownTimerStarted", "DownTimerStarted", "UpTimerStarted"}));
  EXPECT_TRUE(editor->buffer().HasSelection());
}

}  // namespace
}  // namespace kore
