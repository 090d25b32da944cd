#include <gtest/gtest.h>

#include <QAccessible>
#include <QKeyEvent>
#include <QSignalSpy>

#include "tests/views/view_test_util.h"
#include "views/event_list.h"

namespace kore {
namespace {

using views::FormatEventRow;

TEST(EventListFormatTest, CompiledRowsAsDrawn) {
  auto document = test::SongOf({"t120 l8 o4 cde"});
  const MidiEventList& events = document->Track(0).events;
  struct Row {
    const char* position;
    const char* event;
  };
  const Row rows[] = {
      {"    0:0000      Meas 0 ", ""},
      {"    0:0000    0", "Tempo                        120"},
      {"    0:0000   16", "C  4 [ 60]        16           8"},
      {"    0:0016   16", "D  4 [ 62]        16           8"},
      {"    0:0032   16", "E  4 [ 64]        16           8"},
      {"    0:0048    0", "End of track                  11"},
  };
  ASSERT_EQ(events.size(), std::size(rows));
  for (size_t i = 0; i < events.size(); ++i) {
    const views::EventRowText text = FormatEventRow(events[i], document->GetTimeBase());
    EXPECT_EQ(text.position, rows[i].position) << "row " << i;
    EXPECT_EQ(text.event, rows[i].event) << "row " << i;
  }
}

TEST(EventListFormatTest, RecordKindsAndTheirCells) {
  auto record = [](MidiEventKind kind, int value, int value2, int step) {
    MidiEvent e;
    e.kind = kind;
    e.tick = 2;
    e.value = value;
    e.value2 = value2;
    e.step = step;
    return e;
  };
  MidiEvent sysex = record(MidiEventKind::SysEx, 0, 0, 0);
  sysex.data = {0xF0, 0x41, 0x10, 0x42, 0x12, 0x40, 0x00, 0x7F, 0x00, 0x41, 0x3A, 0xF7};
  MidiEvent farNote = record(MidiEventKind::Note, 8, 0, 10000);
  farNote.SetPitch(60);
  struct Row {
    const char* name;
    MidiEvent e;
    const char* line;
    std::array<const char*, 6> cells;
  };
  const Row rows[] = {
      {"step beyond 9999", farNote, "    0:0002      C  4 [ 60]         0           8",
       {"0", "0002", "", "C  4 [ 60]", "0", "8"}},
      {"panpot centre", record(MidiEventKind::ControlChange, 10, 64, 130),
       "    0:0002  130 Panpot                         0", {"0", "0002", "130", "Panpot", "", "0"}},
      {"named controller", record(MidiEventKind::ControlChange, 7, 100, 0),
       "    0:0002    0 Volume                       100", {"0", "0002", "0", "Volume", "", "100"}},
      {"unnamed controller", record(MidiEventKind::ControlChange, 21, 5, 0),
       "    0:0002    0 Control Change [ 21]           5",
       {"0", "0002", "0", "Control Change [ 21]", "", "5"}},
      {"bend centre", record(MidiEventKind::PitchBend, 0, 64, 0),
       "    0:0002    0 PitchBend                      0", {"0", "0002", "0", "PitchBend", "", "0"}},
      {"long sysex", sysex, "    0:0002      F0 41 10 42 12 40 00 7F 00 41",
       {"0", "0002", "", "F0 41 10 42 12 40 00 7F 00 41", "", ""}},
      {"tie", record(MidiEventKind::Tie, 0, 0, 0), "    0:0002", {"0", "0002", "", "", "", ""}},
  };
  for (const Row& r : rows) {
    const views::EventRowText text = FormatEventRow(r.e, {32, 4, 4});
    EXPECT_EQ(text.Line(), r.line) << r.name;
    const auto cells = text.Cells(r.e.kind);
    for (int c = 0; c < 6; ++c) EXPECT_EQ(cells[c], r.cells[c]) << r.name << " column " << c;
  }
  // A rest before any note is written as the default pitch.
  auto document = test::SongOf({"r4 o5 c"});
  for (const MidiEvent& e : document->Track(0).events) {
    if (e.kind != MidiEventKind::Rest) continue;
    EXPECT_EQ(FormatEventRow(e, document->GetTimeBase()).event.substr(0, 10), "R  4 [ 60]");
  }
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
  EXPECT_EQ(t->selectedRows(), QList<int>{2});
  EXPECT_TRUE(t->cellAt(2, 0)->tableCellInterface()->isSelected());
  document->SetTrackText(0, "c");
  EXPECT_EQ(t->rowCount(), list.RowCount());
}

}  // namespace
}  // namespace kore
