// The editor widget under the offscreen platform: input method, pointer reports, drops, wrapped
// rows, scrolling redraws and what ends up in the drawn image (keys, clicks and scrolling run as
// scripts in data/editing.txt).
#include <gtest/gtest.h>

#include <QContextMenuEvent>
#include <QInputMethodEvent>
#include <QMimeData>
#include <QScrollBar>
#include <QTest>
#include <QWidget>
#include <memory>
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

QColor Rgb(uint32_t colourRef) {
  return QColor(colourRef & 0xFF, (colourRef >> 8) & 0xFF, (colourRef >> 16) & 0xFF);
}

// Whether any pixel of the rectangle has exactly the colour.
bool HasColour(const QImage& image, QRect rect, uint32_t colourRef) {
  QRgb want = Rgb(colourRef).rgb();
  rect = rect.intersected(image.rect());
  for (int y = rect.top(); y <= rect.bottom(); ++y)
    for (int x = rect.left(); x <= rect.right(); ++x)
      if ((image.pixel(x, y) | 0xFF000000u) == (want | 0xFF000000u)) return true;
  return false;
}

// Whether some pixel of the rectangle is the colour drawn over a white background with at least
// half coverage (glyph edges are anti-aliased, thin marks may have no fully covered pixel).
bool HasInk(const QImage& image, QRect rect, uint32_t colourRef) {
  QColor want = Rgb(colourRef);
  const int target[3] = {want.red(), want.green(), want.blue()};
  rect = rect.intersected(image.rect());
  for (int y = rect.top(); y <= rect.bottom(); ++y) {
    for (int x = rect.left(); x <= rect.right(); ++x) {
      QColor c = image.pixelColor(x, y);
      const int got[3] = {c.red(), c.green(), c.blue()};
      double lo = 1.0, hi = 0.0;
      bool ok = true;
      for (int k = 0; k < 3; ++k) {
        int span = 255 - target[k];
        if (span < 40) {
          ok = ok && std::abs(got[k] - (255 - span / 2)) <= span / 2 + 8;
          continue;
        }
        double alpha = (255.0 - got[k]) / span;
        lo = std::min(lo, alpha);
        hi = std::max(hi, alpha);
      }
      if (ok && lo >= 0.45 && hi - lo <= 0.12) return true;
    }
  }
  return false;
}

class EditorWidgetTest : public ::testing::Test, protected test::WithQtApp {
 protected:
  void SetUp() override {
    parent.resize(640, 480);
    editor = std::make_unique<PennaEditor>(0, &parent);
    editor->SetPos(0, 0, 600, 400);
    parent.show();
    editor->setFocus();
  }
  std::string Text() { return editor->buffer().GetText(3); }
  QPoint Cell(int32_t line, int32_t column) { return editor->CellOrigin(line, column); }
  QRect CellRect(int32_t line, int32_t column, int32_t columns = 1) {
    return QRect(Cell(line, column), QSize(columns * editor->charWidth(), editor->charHeight()));
  }
  void AddMmlRules() {
    editor->AddEmphasis("//#", nullptr, 2, 0x008080, 0, 2, 0);
    editor->AddEmphasis("//", nullptr, 2, 0x00A000, 0, 0, 1);
    editor->AddEmphasis("/*", "*/", 4, 0x00A000, 0, 0, 0);
    for (const char* c : {"T", "V", "O", "N", "L"}) editor->AddEmphasis(c, nullptr, 1, 0x0080FF, 2, 0, 0);
    editor->AddEmphasis("<", nullptr, 1, 0xFF0000, 1, 0, 0);
    editor->AddEmphasis(">", nullptr, 1, 0xFF0000, 1, 0, 0);
  }

  QWidget parent;
  std::unique_ptr<PennaEditor> editor;
};

TEST_F(EditorWidgetTest, InputMethodResultIsOneEdit) {
  test::MessageParent owner;
  PennaEditor local(3, &owner);
  // A composition in progress changes no text.
  QInputMethodEvent compose(QString::fromUtf8("にほんご"), {});
  QCoreApplication::sendEvent(&local, &compose);
  EXPECT_EQ(local.buffer().GetText(3), "");
  EXPECT_TRUE(owner.Codes(PENNA_MSG_CHANGE).empty());
  QInputMethodEvent commit;
  commit.setCommitString(QString::fromUtf8("日本語"));
  QCoreApplication::sendEvent(&local, &commit);
  EXPECT_EQ(local.buffer().GetText(3), Sjis("日本語"));
  EXPECT_EQ(local.buffer().caret(), (TextPoint{1, 7}));
  EXPECT_EQ(owner.Codes(PENNA_MSG_CHANGE), std::vector<int32_t>{kChangeImeResult});
  EXPECT_EQ(local.buffer().UndoSteps(), 1);
  QTest::keyClicks(&local, "a");  // typing afterwards is not swallowed
  EXPECT_EQ(local.buffer().GetText(3), Sjis("日本語") + "a");
}

TEST_F(EditorWidgetTest, TheCompositionShowsAtTheCaretUntilCommitted) {
  editor->SetText("ab");
  editor->SetCaretPos(3);
  QRect cell = CellRect(1, 2, 2);
  EXPECT_FALSE(HasInk(editor->viewport()->grab().toImage(), cell.adjusted(3, 0, 0, 0), 0x000000));
  QInputMethodEvent compose(QString::fromUtf8("音"), {});
  QCoreApplication::sendEvent(editor.get(), &compose);
  EXPECT_TRUE(HasInk(editor->viewport()->grab().toImage(), cell.adjusted(3, 0, 0, 0), 0x000000));
  QInputMethodEvent cancel;
  QCoreApplication::sendEvent(editor.get(), &cancel);
  EXPECT_FALSE(HasInk(editor->viewport()->grab().toImage(), cell.adjusted(3, 0, 0, 0), 0x000000));
  EXPECT_EQ(Text(), "ab");
}

TEST_F(EditorWidgetTest, DropsMoveCopyAndUndoAsOne) {
  editor->SetText("abc def");
  ASSERT_EQ(editor->SetSelA(1, 1, 1, 4), 1);
  // Onto its own selection, either end included: nothing happens.
  for (TextPoint at : {TextPoint{1, 1}, TextPoint{1, 4}})
    EXPECT_FALSE(editor->DropText(at, "abc", true, true)) << at.pos;
  EXPECT_EQ(Text(), "abc def");
  // A move to the end, then one undo restores the old place.
  ASSERT_TRUE(editor->DropText({1, 8}, "abc", true, true));
  EXPECT_EQ(Text(), " defabc");
  ASSERT_EQ(editor->Undo(), -1);
  EXPECT_EQ(Text(), "abc def");
  EXPECT_EQ(editor->buffer().UndoSteps(), 0);
  // Text from elsewhere arrives through a real drop event and is copied in.
  QMimeData mime;
  mime.setText(QString::fromUtf8("音"));
  QPoint at = Cell(1, 4) + QPoint(1, editor->charHeight() / 2);
  // Qt delivers a drop to the widget that accepted the drag's entry.
  QDragEnterEvent enter(at, Qt::CopyAction | Qt::MoveAction, &mime, Qt::LeftButton, Qt::NoModifier);
  QCoreApplication::sendEvent(editor->viewport(), &enter);
  EXPECT_TRUE(enter.isAccepted());
  EXPECT_EQ(enter.dropAction(), Qt::CopyAction);  // text from elsewhere is copied
  QDropEvent drop(QPointF(at), Qt::CopyAction | Qt::MoveAction, &mime, Qt::LeftButton, Qt::NoModifier);
  QCoreApplication::sendEvent(editor->viewport(), &drop);
  EXPECT_EQ(Text(), "abc " + Sjis("音") + "def");
  // A read-only instance takes no drop and keeps its undo list.
  editor->WriteEnable(false);
  int32_t steps = editor->buffer().UndoSteps();
  EXPECT_FALSE(editor->DropText({1, 1}, "zz", false, false));
  EXPECT_EQ(editor->buffer().UndoSteps(), steps);
}

TEST_F(EditorWidgetTest, MultiLineCommentColoursTheLinesBetween) {
  AddMmlRules();
  editor->SetText("/*c\nt120\nd*/ t\nl8");
  editor->Draw();
  const QImage& image = editor->image();
  EXPECT_TRUE(HasColour(image, CellRect(2, 0, 4), 0x00A000));   // "t120" inside the comment
  EXPECT_FALSE(HasColour(image, CellRect(2, 0, 4), 0x0080FF));
  EXPECT_TRUE(HasColour(image, CellRect(3, 4), 0x0080FF));      // "t" after "*/"
  EXPECT_TRUE(HasColour(image, CellRect(4, 0), 0x0080FF));
  // Deleting "*/" extends the comment to the end of the text.
  ASSERT_EQ(editor->SetSelA(3, 2, 3, 4), 1);
  ASSERT_EQ(editor->SetSelText(""), -1);
  EXPECT_TRUE(HasColour(editor->image(), CellRect(4, 0), 0x00A000));
  EXPECT_FALSE(HasColour(editor->image(), CellRect(4, 0), 0x0080FF));
}

// A face with a bold of its own is drawn once; a light bold weight is thickened by a second pass.
TEST_F(EditorWidgetTest, BoldWeightsFromDemiBoldUseTheBoldFaceAsItIs) {
  editor->AddEmphasis("T", nullptr, 1, 0x000000, 1, 0, 0);
  editor->SetText("TTTT");
  auto drawn = [&](int32_t weight) {
    editor->SetMetric(PENNA_METRIC_BOLD_WEIGHT, weight, false);
    EXPECT_EQ(editor->SetFontFace("DejaVu Sans Mono", 12, false), PENNA_OK);
    editor->Draw();
    return editor->image().copy(CellRect(1, 0, 4));
  };
  const QImage demiBold = drawn(600);
  EXPECT_TRUE(demiBold == drawn(700)) << "600 drawn unlike 700";
  EXPECT_TRUE(demiBold != drawn(400)) << "600 drawn like 400";
}

TEST_F(EditorWidgetTest, MarksSelectionNumbersAndCaretLine) {
  editor->SetText(("a b\n\tx" + Sjis("\u3000") + "\nlast").c_str());
  editor->SetMark(2, 1, false);
  editor->SetMark(3, 2, false);
  editor->Draw();
  QImage image = editor->image();
  EXPECT_TRUE(HasInk(image, CellRect(1, 1), 0x9696FF));          // half-width space
  EXPECT_TRUE(HasInk(image, CellRect(1, 3), 0xCB5288));          // line end
  EXPECT_TRUE(HasInk(image, CellRect(2, 0), 0x2BB5C8));          // tab mark at column 0
  EXPECT_FALSE(HasInk(image, CellRect(2, 1, 3), 0x2BB5C8));
  EXPECT_TRUE(HasInk(image, CellRect(2, 5, 2), 0x9696FF));       // full-width space, 2 columns
  EXPECT_TRUE(HasInk(image, CellRect(3, 4, 5), 0xBFCF4E));       // [EOF] after the last line
  EXPECT_FALSE(HasInk(image, CellRect(3, 4, 5), 0xCB5288));
  int32_t row2 = Cell(2, 0).y() + 2, row3 = Cell(3, 0).y() + 2;
  EXPECT_EQ(image.pixelColor(0, row2), QColor(0, 0, 255));          // mark 1: blue bar
  EXPECT_EQ(image.pixelColor(1, row3), QColor(255, 0, 0));          // mark 2: red bar
  EXPECT_EQ(image.pixelColor(3, row2), Rgb(0xFFFFFF));              // only 2 pixels wide
  EXPECT_TRUE(HasColour(image, QRect(0, Cell(1, 0).y(), 40, 4), 0x36E6EF));  // caret line number

  // The caret-line underline shows without a selection only.
  QImage shown = editor->viewport()->grab().toImage();
  int32_t underline = Cell(2, 0).y() - 1;
  EXPECT_TRUE(HasColour(shown, QRect(100, underline, 200, 1), 0x5F30C0));
  ASSERT_EQ(editor->SetSelA(1, 1, 1, 4), 1);
  shown = editor->viewport()->grab().toImage();
  EXPECT_FALSE(HasColour(shown, QRect(100, underline, 200, 1), 0x5F30C0));
  // The selection inverts the white background of the selected cells.
  image = editor->image();
  QPoint inside = Cell(1, 2) + QPoint(editor->charWidth() / 2, 1);
  EXPECT_EQ(image.pixelColor(inside), QColor(0, 0, 0));
  EXPECT_EQ(image.pixelColor(Cell(1, 6) + QPoint(2, 1)), QColor(255, 255, 255));

  editor->SetMarkVisible(kMarkEof, false, true);
  EXPECT_FALSE(HasInk(editor->image(), CellRect(3, 4, 5), 0xBFCF4E));
  editor->SetMarkVisible(kMarkEof, true, true);
  editor->SetText("c\n");
  editor->Draw();
  EXPECT_TRUE(HasInk(editor->image(), CellRect(2, 0, 5), 0xBFCF4E)) << "[EOF] on an empty line";

  // Each address keeps its own underline, which ends with it.
  editor->SetText("a@b.jp http://x.jp\n");
  editor->Draw();
  image = editor->image();
  const int32_t base = Cell(1, 0).y() + editor->charHeight() - 1;
  const int32_t cw = editor->charWidth();
  EXPECT_TRUE(HasColour(image, QRect(Cell(1, 0).x(), base, 6 * cw, 1), 0x5E2BAA)) << "mail";
  EXPECT_FALSE(HasColour(image, QRect(Cell(1, 6).x(), base, cw, 1), 0xFF0000)) << "space";
}

TEST_F(EditorWidgetTest, MouseMoveReportsWhereThePointerIsAndTheContextMenuNotifies) {
  test::MessageParent owner;
  PennaEditor local(2, &owner);
  local.SetPos(0, 0, 500, 200);
  local.SetText("see http://example.com now");
  QWidget* vp = local.viewport();
  auto moveTo = [&](QPoint at) {
    QMouseEvent move(QEvent::MouseMove, QPointF(at), vp->mapToGlobal(QPointF(at)), Qt::NoButton,
                     Qt::NoButton, Qt::NoModifier);
    QCoreApplication::sendEvent(vp, &move);
    return std::pair{owner.messages.back().message, owner.messages.back().wParam};
  };
  QPoint row = local.CellOrigin(1, 0) + QPoint(0, 3);
  EXPECT_EQ(moveTo({5, row.y()}), (std::pair<int32_t, uintptr_t>{PENNA_MSG_MOUSEMOVE, (2u << 16) | 1}));
  EXPECT_EQ(moveTo({100, 2}).second & 0xFFFF, 2u);
  EXPECT_EQ(moveTo(local.CellOrigin(1, 1) + QPoint(2, 3)).second & 0xFFFF, 0u);
  EXPECT_EQ(vp->cursor().shape(), Qt::IBeamCursor);
  EXPECT_EQ(moveTo(local.CellOrigin(1, 8) + QPoint(2, 3)).second & 0xFFFF, 5u);  // on the address
  EXPECT_EQ(vp->cursor().shape(), Qt::PointingHandCursor);

  QContextMenuEvent menu(QContextMenuEvent::Mouse, QPoint(100, 50), vp->mapToGlobal(QPoint(100, 50)));
  QCoreApplication::sendEvent(vp, &menu);
  EXPECT_EQ(owner.messages.back().message, PENNA_MSG_CONTEXTMENU);
  EXPECT_EQ(owner.messages.back().wParam, 2u << 16);
}

TEST_F(EditorWidgetTest, OwnerDrawnMarksAndTheHighlight) {
  test::MessageParent owner;
  PennaEditor local(4, &owner);
  local.SetPos(0, 0, 400, 200);
  local.SetText("ab\ncd");
  ASSERT_EQ(local.SetMetric(14, 8 | 16, true), -1);  // line ends and end of text
  ASSERT_EQ(owner.drawItems.size(), 2u);
  EXPECT_EQ(owner.drawItems[0].ctlType, 1000u);
  EXPECT_EQ(owner.drawItems[0].itemId, 4u);
  EXPECT_EQ(owner.drawItems[0].itemState, 3u);
  EXPECT_EQ(owner.drawItems[0].right, 0);
  EXPECT_EQ(owner.drawItems[0].left, local.CellOrigin(1, 2).x());
  EXPECT_EQ(owner.drawItems[1].itemState, 4u);
  EXPECT_EQ(owner.drawItems[1].hwndItem, static_cast<void*>(&local));
  // Nothing of the marks themselves was drawn.
  EXPECT_FALSE(HasInk(local.image(), QRect(local.CellOrigin(1, 2), QSize(16, 16)), 0xCB5288));

  // The highlighted word gets its own background, in either case when asked.
  ASSERT_EQ(local.SetHighlight("CD", false, true), -1);
  QPoint cell = local.CellOrigin(2, 0);
  EXPECT_EQ(local.image().pixelColor(cell + QPoint(1, 1)), Rgb(0x00B2FF));
  ASSERT_EQ(local.SetHighlight("CD", true, true), -1);
  EXPECT_EQ(local.image().pixelColor(cell + QPoint(1, 1)), Rgb(0xFFFFFF));
}

TEST_F(EditorWidgetTest, ANewHighlightPaintsWhatAFullRedrawPaints) {
  // Only the characters a new word turns on or off are repainted; the picture must still be the
  // one a pane drawn afresh with that word shows: overlaps, line ends, marks, emphasis colours,
  // two-byte text, a bold glyph spilling into its highlighted neighbour, a selection.
  const std::string text = Sjis("t120 gec4 ab\nGEC gec\tgecgec\n/* gec\nge */ ア゛gec\nl8 c xge");
  auto make = [&](const char* word, bool caseSensitive) {
    auto pane = std::make_unique<PennaEditor>(1, &parent);
    pane->SetText(text.c_str());
    for (int32_t mark : {kMarkSpace, kMarkTab, kMarkLineEnd, kMarkEof})
      pane->SetMarkVisible(mark, true, false);
    pane->AddEmphasis("/*", "*/", 4, 0x00A000, 0, 0, 0);
    pane->AddEmphasis("T", nullptr, 1, 0x0080FF, 2, 0, 0);
    pane->AddEmphasis("x", nullptr, 1, 0x0080FF, 1, 0, 0);
    pane->SetHighlight(word, caseSensitive, false);
    pane->SetPos(0, 0, 400, 200);
    return pane;
  };
  struct Row {
    const char* word;
    bool caseSensitive;
  };
  const Row rows[] = {{"ge", true}, {"gec", true}, {"GEC", false}, {"c", true},
                      {" ", true},  {"gecgec", true}, {"", true}, {"e", false}};
  auto pane = make("", true);
  for (const Row& r : rows) {
    pane->SetHighlight(r.word, r.caseSensitive, true);
    EXPECT_TRUE(pane->image() == make(r.word, r.caseSensitive)->image()) << "'" << r.word << "'";
  }
  pane->SetSelB(3, 9);
  pane->SetHighlight("ge", true, true);
  auto selected = make("ge", true);
  selected->SetSelB(3, 9);
  EXPECT_TRUE(pane->image() == selected->image()) << "with a selection";
}

TEST_F(EditorWidgetTest, WrappingBreaksLinesAtTheVisibleWidthAndNumbersRows) {
  int32_t columns = editor->core().visibleColumns;
  std::string longLine(static_cast<size_t>(columns) + 5, 'a');
  editor->SetText((longLine + "\nb").c_str());
  ASSERT_EQ(editor->SetLapel(true, 0, true), -1);
  EXPECT_EQ(editor->buffer().LineAt(1)->rows, 2);
  // The character after the first row's width starts the second row.
  QPoint second = editor->PointOrigin({1, columns + 1});
  EXPECT_EQ(second, QPoint(editor->marginWidth(), editor->rulerHeight() + editor->rowHeight()));
  EXPECT_EQ(editor->PointOrigin({2, 1}).y(), editor->rulerHeight() + 2 * editor->rowHeight());
  // Rows are numbered: line 2 is drawn as row 3 with its number.
  EXPECT_TRUE(HasInk(editor->image(), QRect(0, editor->PointOrigin({2, 1}).y(),
                                          editor->marginWidth(), editor->charHeight()),
                     0xB87430));
  ASSERT_EQ(editor->SetLapel(false, 0, true), -1);
  EXPECT_EQ(editor->PointOrigin({2, 1}).y(), editor->rulerHeight() + editor->rowHeight());
}

TEST_F(EditorWidgetTest, NoEventIsDispatchedInsideAnEditAndNotificationsFollowIt) {
  // Events queued before a long insertion stay queued until it returns.
  struct Counter : QObject {
    int seen = 0;
    bool event(QEvent*) override {
      ++seen;
      return true;
    }
  } counter;
  QCoreApplication::postEvent(&counter, new QEvent(QEvent::User));
  std::string text;
  for (int i = 0; i < 5000; ++i) text += "c8d8e8\r\n";
  ASSERT_EQ(editor->SetText(text.c_str()), -1);
  EXPECT_EQ(counter.seen, 0);
  QCoreApplication::sendPostedEvents(&counter);
  EXPECT_EQ(counter.seen, 1);

  // The selection-change notice of a typed replacement arrives after the edit is complete.
  editor->SetText("abc");
  ASSERT_EQ(editor->SetSelA(1, 1, 1, 3), 1);
  static PennaEditor* current;
  static std::string seenText;
  current = editor.get();
  editor->SetNotifyCallback(PENNA_MSG_SELCHANGE, [](int32_t, intptr_t) {
    seenText = current->buffer().GetText(3);
    return 0;
  }, 0);
  QTest::keyClicks(editor.get(), "X");
  EXPECT_EQ(seenText, "Xc");
}

QStringList* g_debugLines = nullptr;

void CaptureDebug(QtMsgType type, const QMessageLogContext&, const QString& message) {
  if (type == QtDebugMsg && g_debugLines) g_debugLines->append(message);
}

class WrapScrollTest : public EditorWidgetTest {
 protected:
  void SetUp() override {
    EditorWidgetTest::SetUp();
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
  EXPECT_TRUE(HasColour(editor->image(), firstRow, back));
  EXPECT_FALSE(HasColour(editor->image(), secondRow, back));
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

  // A highlight set while a step's picture waits is drawn on the new view, not the old picture.
  bar->triggerAction(QAbstractSlider::SliderSingleStepAdd);
  ASSERT_EQ(editor->SetHighlight("line", true, true), -1);
  EXPECT_TRUE(redrawnNow());
}

TEST_F(WrapScrollTest, ADraggedTextScrollsOnlyNearTheTopEdge) {
  SetFourRowLines(30);
  editor->verticalScrollBar()->setValue(8);
  QWidget* vp = editor->viewport();
  QMimeData mime;
  mime.setText("x");
  auto dragOver = [&](int y) {
    const QPoint at(editor->marginWidth() + 2, y);
    QDragEnterEvent enter(at, Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(vp, &enter);
    QDragMoveEvent move(at, Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(vp, &move);
    QTest::qWait(250);
    return editor->core().TopRowNumber();
  };
  EXPECT_EQ(dragOver(vp->height() / 2), 8);
  EXPECT_LT(dragOver(editor->rulerHeight() + 2), 8);
  QDragLeaveEvent leave;
  QCoreApplication::sendEvent(vp, &leave);
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
