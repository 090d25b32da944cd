// The picture of a view scrolled by rows with wrapping on, the deferred redraw of the
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
  void DragTo(QPoint pixel) {
    QWidget* vp = editor->viewport();
    QMouseEvent move(QEvent::MouseMove, QPointF(pixel), vp->mapToGlobal(QPointF(pixel)),
                     Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(vp, &move);
  }
  // The text point drawn at the top-left of the text area.
  TextPoint TopLeft() {
    return editor->PointAt({editor->marginWidth() + 1, editor->rulerHeight() + 1});
  }

  QWidget parent;
  std::unique_ptr<PennaEditor> editor;
  int32_t columns = 0;
};

// Scrolling by rows itself runs as a script in data/editing.txt; here: what is drawn.
TEST_F(WrapScrollTest, AViewStartingAtARowDrawsFromThatRow) {
  SetFourRowLines(30);
  // Three rows down the view starts on the 'd' row of line 1.
  ASSERT_EQ(editor->SetHighlight("d", true, true), -1);
  editor->verticalScrollBar()->setValue(3);
  EXPECT_EQ(TopLeft(), (TextPoint{1, 3 * columns + 1}));
  EXPECT_EQ(editor->PointOrigin({1, 1}), QPoint(-1, -1));  // scrolled out above
  EXPECT_EQ(editor->PointOrigin({2, 1}).y(), editor->rulerHeight() + editor->rowHeight());
  // The top row holds the highlighted 'd's, the next one line 2's 'a's.
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
  editor->verticalScrollBar()->setValue(5);
  EXPECT_EQ(TopLeft(), (TextPoint{2, columns + 1}));
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
