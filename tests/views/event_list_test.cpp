#include <gtest/gtest.h>

#include <QAccessible>
#include <QKeyEvent>
#include <QScrollBar>
#include <QSignalSpy>
#include <QStyle>
#include <map>
#include <sstream>
#include <utility>

#include "tests/support/golden.h"
#include "tests/views/view_test_util.h"
#include "views/event_list.h"

namespace kore {
namespace {

using views::FormatEventRow;

// Rows of data/event_rows.txt: "mml TEXT" formats every record of a one-track song, "KIND A B
// STEP [HEX]" one record at tick 2 (32 per quarter, 4/4): note (pitch A, volume B), control
// (controller A, value B), bend (B the high byte), sysex (HEX its bytes), tie. Each record shows
// its line as drawn, then its two pieces quoted and its six cells.
std::string FormatRows(const std::string& line) {
  std::istringstream in(line);
  std::string kind;
  in >> kind;
  std::unique_ptr<CMMLDocument> document;
  MidiEventList records;
  TimeBase timeBase{32, 4, 4};
  if (kind == "mml") {
    document = test::SongOf({line.substr(4)});
    records = document->Track(0).events;
    timeBase = document->GetTimeBase();
  } else {
    static const std::map<std::string, MidiEventKind> kinds = {
        {"note", MidiEventKind::Note}, {"control", MidiEventKind::ControlChange},
        {"bend", MidiEventKind::PitchBend}, {"sysex", MidiEventKind::SysEx}, {"tie", MidiEventKind::Tie}};
    MidiEvent e;
    e.kind = kinds.at(kind);
    e.tick = 2;
    std::string hex;
    in >> e.value >> e.value2 >> e.step >> hex;
    if (e.kind == MidiEventKind::Note) e.SetPitch(std::exchange(e.value, e.value2));
    std::vector<uint8_t> bytes;
    for (size_t i = 0; i + 1 < hex.size(); i += 2) bytes.push_back(uint8_t(std::stoi(hex.substr(i, 2), nullptr, 16)));
    e.data = bytes;
    records.push_back(e);
  }
  std::string out;
  for (const MidiEvent& e : records) {
    const views::EventRowText text = FormatEventRow(e, timeBase);
    out += text.Line() + "\n  \"" + text.position + "\" \"" + text.event + "\"";
    for (const std::string& cell : text.Cells(e.kind)) out += " |" + cell;
    out += "\n";
  }
  return out;
}

TEST(EventListFormatTest, RowsAsDrawn) {
  test::CheckGolden(KORE_SOURCE_DIR "/tests/views/data/event_rows.txt", FormatRows);
}

struct EventListTest : test::WithQtApp, ::testing::Test {
  std::unique_ptr<CMMLDocument> document = test::SongOf({"t120 l8 o4 cde"});
  CCodeListCtrl list;  // observes the document, so it goes first
  EventListTest() {
    list.resize(420, 2 * 2 + 25 + 13 * 4);  // four whole rows
    list.SetDocument(document.get());
  }
  int RowY(int row) { return list.RowTop(row) + 5; }
  void Key(int key) {
    QKeyEvent event(QEvent::KeyPress, key, Qt::NoModifier);
    QCoreApplication::sendEvent(&list, &event);
  }
};

TEST_F(EventListTest, ClicksAndKeysSelectAndNotify) {
  QSignalSpy spy(&list, &CCodeListCtrl::notified);
  ASSERT_EQ(list.VisibleRows(), 4);
  test::SendMouse(list, QEvent::MouseButtonPress, Qt::LeftButton, QPoint(50, 2 + 24));
  EXPECT_EQ(spy.count(), 0) << "header band";
  test::SendMouse(list, QEvent::MouseButtonPress, Qt::LeftButton, QPoint(50, 2 + 25 + 13 * 2 + 1));
  EXPECT_EQ(list.SelectedRow(), 2);
  test::SendMouse(list, QEvent::MouseButtonDblClick, Qt::LeftButton, QPoint(50, RowY(3)));
  ASSERT_EQ(spy.count(), 2);
  EXPECT_EQ(spy.at(1).at(0).toInt(), CCodeListCtrl::kNotifyDoubleClick);
  EXPECT_EQ(spy.at(1).at(1).toInt(), 3);
  spy.clear();
  Key(Qt::Key_Down);
  EXPECT_EQ(list.FirstVisibleRow(), 1) << "the new row becomes the last visible";
  Key(Qt::Key_Down);
  Key(Qt::Key_Down);
  EXPECT_EQ(list.SelectedRow(), 5) << "no row after the last";
  ASSERT_EQ(spy.count(), 3);
  EXPECT_EQ(spy.at(2).at(1).toInt(), 5);
  // An edit that shortens the list leaves the selection on a row that exists.
  document->SetTrackText(0, "c");
  ASSERT_LT(list.RowCount(), 6);
  EXPECT_EQ(list.SelectedRow(), list.RowCount() - 1);
  EXPECT_EQ(list.FirstVisibleRow(), 0);
  list.SetList(nullptr, {});
  spy.clear();
  Key(Qt::Key_Down);
  EXPECT_EQ(list.SelectedRow(), -1);
  EXPECT_EQ(spy.count(), 0) << "no row to report";
}

TEST_F(EventListTest, RowColoursAndCaretRows) {
  list.SelectRow(3, false);
  const QImage image = test::Grab(list);
  EXPECT_EQ(QColor(image.pixel(300, RowY(3))), QColor(232, 203, 201)) << "selected";
  EXPECT_EQ(QColor(image.pixel(300, RowY(1))), QColor(242, 247, 255)) << "odd";
  EXPECT_EQ(QColor(image.pixel(300, RowY(2))), QColor(Qt::white)) << "even";
  EXPECT_EQ(QColor(image.pixel(300, RowY(0))), QColor(222, 225, 231)) << "measure";
  // The bar keeps the plain look whatever the application's style.
  EXPECT_EQ(list.findChild<QScrollBar*>("eventListScroll")->style()->name(), "windows");
  // "t120 l8 o4 cde": c is byte 11; a caret just after it still names it.
  const MidiEventList& events = document->Track(0).events;
  EXPECT_EQ(events[2].textBegin, 11);
  EXPECT_EQ(list.RowForCaret(12), 2);
  EXPECT_EQ(list.RowForCaret(13), 3);
  EXPECT_EQ(list.RowForCaret(1000), 5);
}

TEST_F(EventListTest, AssistiveToolsSeeATable) {
  list.SelectRow(2, false);
  QAccessibleInterface* table = QAccessible::queryAccessibleInterface(&list);
  ASSERT_NE(table, nullptr);
  EXPECT_EQ(table->role(), QAccessible::Table);
  EXPECT_EQ(table->text(QAccessible::Name), QString::fromUtf8("イベントリスト"));
  QAccessibleTableInterface* t = table->tableInterface();
  ASSERT_NE(t, nullptr);
  EXPECT_EQ(t->rowCount(), 6);
  QStringList columns;
  for (int c = 0; c < t->columnCount(); ++c) columns << t->columnDescription(c);
  EXPECT_EQ(columns, QStringList({"Meas", "Tick", "Step", "Event", "Gate", "Vel/Value"}));
  for (int outside : {-1, t->columnCount(), 1 << 24})
    EXPECT_TRUE(t->columnDescription(outside).isEmpty()) << outside;
  struct Cell {
    int row, column;
    const char* text;
  };
  const Cell cells[] = {{0, 3, "Meas 0"}, {1, 3, "Tempo"}, {1, 5, "120"}, {3, 1, "0016"},
                        {3, 3, "D  4 [ 62]"}, {3, 4, "16"}, {3, 5, "8"}, {5, 3, "End of track"}};
  for (const Cell& c : cells) {
    QAccessibleInterface* cell = t->cellAt(c.row, c.column);
    ASSERT_NE(cell, nullptr) << c.row << "," << c.column;
    EXPECT_EQ(cell->text(QAccessible::Name).toStdString(), c.text) << c.row << "," << c.column;
  }
  EXPECT_EQ(t->rowDescription(2).toStdString(), "    0:0000   16 C  4 [ 60]        16           8");
  EXPECT_EQ(t->rowDescription(0).toStdString(), "    0:0000      Meas 0");
  EXPECT_EQ(t->selectedRows(), QList<int>{2});
  EXPECT_FALSE(t->selectColumn(1)) << "only rows are selected";
  EXPECT_TRUE(t->cellAt(2, 0)->tableCellInterface()->isSelected());
  // A cell a screen reader still holds goes stale once its row is gone.
  QAccessibleInterface* fourth = t->cellAt(3, 0);
  document->SetTrackText(0, "c");
  EXPECT_EQ(t->rowCount(), list.RowCount());
  ASSERT_EQ(t->rowCount(), 3);
  EXPECT_FALSE(fourth->isValid());
  EXPECT_TRUE(t->cellAt(2, 0)->isValid());
}

}  // namespace
}  // namespace kore
