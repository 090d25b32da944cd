#include <gtest/gtest.h>

#include <QAction>
#include <QMenu>
#include <QSignalSpy>
#include <string_view>
#include <tuple>

#include "tests/views/view_test_util.h"
#include "views/event_list.h"
#include "views/piano_roll.h"

namespace kore {
namespace {

using views::RollGeometry;
using views::RollNote;
using views::RollPointType;

TEST(RollGeometryTest, ColumnsPixelsAndTicks) {
  struct Row {
    const char* name;
    TimeBase timeBase;
    int hMag, vMag;
    int ticksPerColumn, pixelsPerColumn, rowHeight;
    int x, tickAtX;
  };
  const Row rows[] = {
      {"default zoom", {32, 4, 4}, 48, 10, 32, 64, 14, 39 + 64, 32},
      {"half a column", {480, 4, 4}, 48, 10, 480, 64, 14, 39 + 32, 240},
      {"eighth beats", {96, 6, 8}, 0, 0, 48, 8, 4, 39 + 4, 24},
      {"zoom beyond the range", {32, 4, 4}, 500, 99, 32, 144, 15, 39 + 144, 32},
      {"negative zoom", {32, 4, 4}, -16, -4, 32, 16, 4, 39 + 16, 32},
      {"beat shorter than a tick", {1, 4, 16}, -20, 0, 1, 4, 4, 39 + 8, 2},
  };
  for (const Row& r : rows) {
    RollGeometry g;
    g.SetTimeBase(r.timeBase);
    g.SetMagnification(r.hMag, r.vMag);
    g.SetViewSize(1000, 600);
    g.SetSongEnd(100000);
    EXPECT_EQ(g.TicksPerColumn(), r.ticksPerColumn) << r.name;
    EXPECT_EQ(g.PixelsPerColumn(), r.pixelsPerColumn) << r.name;
    EXPECT_EQ(g.RowHeight(), r.rowHeight) << r.name;
    EXPECT_EQ(g.TickAtX(r.x), r.tickAtX) << r.name;
    g.ScrollToTick(5 * r.ticksPerColumn + r.ticksPerColumn / 2);
    EXPECT_EQ(g.FirstColumn(), 5) << r.name;
    EXPECT_EQ(g.TickAtX(r.x), r.tickAtX + 5 * r.ticksPerColumn) << r.name;
    EXPECT_EQ(g.XOfTick(g.FirstVisibleTick()), RollGeometry::kKeyStripWidth) << r.name;
  }
}

TEST(RollGeometryTest, ScrollLimitsCentringAndRows) {
  RollGeometry g;
  g.SetViewSize(39 + 640, 26 + 14 * 20);  // 10 columns, 20 rows
  g.SetSongEnd(32 * 100);
  EXPECT_EQ(g.MaxFirstColumn(), 101 - 10);
  g.ScrollToTick(1 << 30);
  EXPECT_EQ(g.FirstColumn(), g.MaxFirstColumn());
  g.CenterOnTick(100);  // half the width is 160 ticks: the origin stays at the start
  EXPECT_EQ(g.FirstColumn(), 0);
  g.CenterOnTick(32 * 40 + 16);
  EXPECT_EQ(g.FirstColumn(), 35);
  EXPECT_EQ(g.NoteAtY(26), 119);
  EXPECT_EQ(g.NoteAtY(26 + 14 * 95), 24);
  EXPECT_EQ(g.NoteAtY(25), -1);
  g.ShowPitchRange(60, 64);  // 5 rows centred in 20
  EXPECT_EQ(g.FirstRow(), 119 - 64 - 7);
  g.ShowPitchRange(24, 119);
  EXPECT_EQ(g.FirstRow(), 0);
}

TEST(RollSceneTest, TooltipTexts) {
  RollNote note;
  note.octave = 4;
  note.value = 8;
  note.length = 64;
  note.text = std::string(70, 'c');
  EXPECT_EQ(views::NoteTooltip(note), "O4 V8 Gate64\n" + std::string(61, 'c') + "...");
  note.text = std::string(64, 'c');
  EXPECT_EQ(views::NoteTooltip(note), "O4 V8 Gate64\n" + std::string(64, 'c'));
  note.text = std::string(60, 'c') + "\x82\xa0" + std::string(8, 'c');  // a kana across byte 61
  EXPECT_EQ(views::NoteTooltip(note), "O4 V8 Gate64\n" + std::string(60, 'c') + "...");
  views::RollMarker marker;
  marker.name = "Intro";
  marker.tick = 2000;
  EXPECT_EQ(views::MarkerTooltip(marker, {480, 4, 4}), "Intro\nMeas 0001:0080");
}

struct PianoRollTest : test::WithQtApp, ::testing::Test {
  std::unique_ptr<CMMLDocument> document;  // outlives the roll that observes it
  CPianoRollCtrl roll;
  void Show(CMMLDocument& document, int width = 800, int height = 500) {
    roll.resize(width, height);
    roll.SetDocument(&document);
  }
  QPoint CentreOf(const RollNote& n) {
    return QPoint((n.rect.left + n.rect.right) / 2, (n.rect.top + n.rect.bottom) / 2);
  }
  const RollNote* FindNote(int track, int tick) {
    for (const RollNote& n : roll.Scene().Notes())
      if (n.track == track && n.tick == tick) return &n;
    return nullptr;
  }
};

TEST_F(PianoRollTest, OverlapGoesToCurrentTrackInHitTooltipAndPicture) {
  document = test::SongOf({"o4 l4 r c d", "o4 l4 r c e"});
  Show(*document);
  for (int current : {0, 1}) {
    document->SetCurrentTrack(current);
    const RollNote* note = FindNote(current, 32);
    ASSERT_NE(note, nullptr) << current;
    const QPoint at = CentreOf(*note);
    const views::RollPoint point = roll.Scene().Classify(at.x(), at.y(), roll.Geometry());
    EXPECT_EQ(point.type, RollPointType::Note) << current;
    EXPECT_EQ(point.value2, current);
    EXPECT_EQ(point.value1, note->seq);
    test::SendMouse(roll, QEvent::MouseMove, Qt::NoButton, at);
    EXPECT_EQ(roll.ToolTipColour(), CPianoRollCtrl::FillColour(current)) << current;
    EXPECT_TRUE(roll.ToolTipText().startsWith("O4 V8 Gate32\n")) << roll.ToolTipText().toStdString();
    const QImage image = test::Grab(roll);
    EXPECT_EQ(QColor(image.pixel(at)), CPianoRollCtrl::FillColour(current)) << current;
    // Each track's own bar shows its own fill.
    const RollNote* own = FindNote(current, 64);
    ASSERT_NE(own, nullptr);
    EXPECT_EQ(QColor(image.pixel(CentreOf(*own))), CPianoRollCtrl::FillColour(current));
  }
  // The default zoom: a quarter is 64 pixels, a row 14.
  const RollNote* note = FindNote(0, 32);
  EXPECT_EQ(note->rect.Width(), 64);
  EXPECT_EQ(note->rect.bottom - note->rect.top, 14);
  // Before the first note the grid rows shade the black keys of the octave from C4.
  const QImage image = test::Grab(roll);
  for (int n = 60; n < 72; ++n) {
    const bool black = std::string_view("010100101010")[n - 60] == '1';
    const QPoint at(RollGeometry::kKeyStripWidth + 20, roll.Geometry().YOfNote(n) + 7);
    EXPECT_EQ(QColor(image.pixel(at)), black ? QColor(231, 231, 231) : QColor(Qt::white)) << n;
    const QColor keyEdge = black ? QColor(Qt::black) : QColor(142, 142, 142);
    EXPECT_EQ(QColor(image.pixel(1, roll.Geometry().YOfNote(n) + 13)), keyEdge) << n;
  }
  // The key strip ends in a dark edge from the ruler down.
  EXPECT_EQ(QColor(image.pixel(RollGeometry::kKeyStripWidth - 1, RollGeometry::kRulerHeight)),
            QColor(44, 63, 97));
  // Measure lines are darker than beat lines.
  const int freeRow = roll.Geometry().YOfNote(65) + 7;
  EXPECT_EQ(QColor(image.pixel(roll.Geometry().XOfTick(128), freeRow)), QColor(96, 96, 96));
  EXPECT_EQ(QColor(image.pixel(roll.Geometry().XOfTick(32), freeRow)), QColor(198, 198, 198));
}

TEST_F(PianoRollTest, NoteStartingBeforeTheRangeIsDrawnAndTiesMerge) {
  document = test::SongOf({"o4 l1 c&c&c&c d"});
  Show(*document, 400, 400);
  roll.ScrollToTick(128 * 2);
  ASSERT_EQ(roll.Geometry().FirstVisibleTick(), 256);
  const RollNote* tied = FindNote(0, 0);
  ASSERT_NE(tied, nullptr);
  EXPECT_EQ(tied->length, 512);
  EXPECT_EQ(tied->rect.left, RollGeometry::kKeyStripWidth - 256 * 2);
  const QPoint at(RollGeometry::kKeyStripWidth + 10, (tied->rect.top + tied->rect.bottom) / 2);
  EXPECT_EQ(QColor(test::Grab(roll).pixel(at)), CPianoRollCtrl::FillColour(0));
  test::SendMouse(roll, QEvent::MouseMove, Qt::NoButton, at);
  EXPECT_TRUE(roll.ToolTipText().startsWith("O4 V8 Gate512\n")) << roll.ToolTipText().toStdString();
  EXPECT_TRUE(roll.ToolTipText().contains("&&&&")) << roll.ToolTipText().toStdString();
  // An edit that lengthens the note: it is still found from further on.
  document->SetTrackText(0, "o4 l1 c&c&c&c&c&c d");
  roll.ScrollToTick(128 * 5);
  ASSERT_NE(FindNote(0, 0), nullptr);
  EXPECT_EQ(FindNote(0, 0)->length, 768);
}

TEST_F(PianoRollTest, ClicksNotifyAndMoveTheStartMarkOnlyWhileStopped) {
  document = test::SongOf({"o4 l4 cdef"});
  Show(*document);
  QSignalSpy spy(&roll, &CPianoRollCtrl::notified);
  const QPoint empty(RollGeometry::kKeyStripWidth + 96, 200);
  test::SendMouse(roll, QEvent::MouseButtonPress, Qt::LeftButton, empty);
  test::SendMouse(roll, QEvent::MouseButtonRelease, Qt::LeftButton, empty);
  EXPECT_EQ(roll.StartMark(), 48);
  roll.SetPlaying(true);
  test::SendMouse(roll, QEvent::MouseButtonPress, Qt::LeftButton, empty + QPoint(64, 0));
  test::SendMouse(roll, QEvent::MouseButtonRelease, Qt::LeftButton, empty);
  EXPECT_EQ(roll.StartMark(), 48);
  ASSERT_EQ(spy.count(), 2);
  EXPECT_EQ(spy.at(1).at(0).toInt(), CPianoRollCtrl::kNotifyStartPosition);
  EXPECT_EQ(spy.at(1).at(2).toInt(), 80);
  roll.SetPlaying(false);
  spy.clear();
  const RollNote* note = FindNote(0, 32);
  test::SendMouse(roll, QEvent::MouseButtonDblClick, Qt::LeftButton, CentreOf(*note));
  ASSERT_EQ(spy.count(), 1);
  EXPECT_EQ(spy.at(0).at(0).toInt(), CPianoRollCtrl::kNotifyActivate);
  EXPECT_EQ(spy.at(0).at(1).toInt(), int(RollPointType::Note));
  EXPECT_EQ(spy.at(0).at(2).toInt(), note->seq);
}

TEST_F(PianoRollTest, RulerRightClickOffersTheMarkerMenu) {
  document = test::SongOf({"o4 l4 cdefgab"});
  document->AddMarker(64, "Intro", kDefaultMarkerColour);
  Show(*document);
  ASSERT_EQ(roll.Scene().Markers().size(), 1u);
  const views::RollRect flag = roll.Scene().Markers()[0].flag;
  struct Row {
    const char* name;
    QPoint at;
    bool playing;
    QStringList texts;
    int chosen;
    int command, value;
  };
  const Row rows[] = {
      {"empty ruler", QPoint(RollGeometry::kKeyStripWidth + 128, 5), false,
       {"マーカーを作成(&M)", "キャンセル(&C)"}, 0, CPianoRollCtrl::kMenuCreateMarker, 64},
      {"flag", QPoint(flag.left + 2, flag.top + 2), false,
       {"マーカーを削除(&D)", "マーカーを編集(&E)", "キャンセル(&C)"}, 1, CPianoRollCtrl::kMenuEditMarker, 1},
      {"cancel", QPoint(flag.left + 2, flag.top + 2), false,
       {"マーカーを削除(&D)", "マーカーを編集(&E)", "キャンセル(&C)"}, 2, 0, 0},
      {"while playing", QPoint(RollGeometry::kKeyStripWidth + 128, 5), true, {}, -1, 0, 0},
  };
  for (const Row& r : rows) {
    QStringList shown;
    roll.menuRunner = [&](QMenu& menu, const QPoint&) -> QAction* {
      for (QAction* a : menu.actions()) shown << a->text();
      return menu.actions().value(r.chosen);
    };
    roll.SetPlaying(r.playing);
    QSignalSpy commands(&roll, &CPianoRollCtrl::command);
    QSignalSpy notices(&roll, &CPianoRollCtrl::notified);
    test::SendMouse(roll, QEvent::MouseButtonRelease, Qt::RightButton, r.at);
    EXPECT_EQ(shown, r.texts) << r.name;
    ASSERT_GE(notices.count(), 1) << r.name;
    EXPECT_EQ(notices.last().at(0).toInt(), CPianoRollCtrl::kNotifyRightClick) << r.name;
    ASSERT_EQ(commands.count(), r.command ? 1 : 0) << r.name;
    if (r.command) {
      EXPECT_EQ(commands.at(0).at(0).toInt(), r.command) << r.name;
      EXPECT_EQ(commands.at(0).at(1).toInt(), r.value) << r.name;
    }
  }
  roll.SetPlaying(false);
  test::SendMouse(roll, QEvent::MouseMove, Qt::NoButton, QPoint(flag.left + 2, flag.top + 2));
  EXPECT_EQ(roll.ToolTipText(), "Intro\nMeas 0000:0064");
}

TEST_F(PianoRollTest, TargetsDecideWhatIsDrawnAndHit) {
  document = test::SongOf({"o4 l4 c", "o5 l4 c"});
  Show(*document);
  roll.SetTarget(views::RollTarget::CurrentOnly);
  EXPECT_EQ(FindNote(1, 0), nullptr);
  roll.SetTarget(views::RollTarget::EmphasiseCurrent);
  const RollNote* other = FindNote(1, 0);
  ASSERT_NE(other, nullptr);
  EXPECT_EQ(QColor(test::Grab(roll).pixel(CentreOf(*other))), CPianoRollCtrl::FillColour(1, true));
  EXPECT_EQ(CPianoRollCtrl::FillColour(0, true), QColor(247, 193, 232));
  for (int stored : {-1, 0, 3, 99})
    EXPECT_EQ(views::RollTargetFromSetting(stored), views::RollTarget::AllTracks) << stored;
  EXPECT_EQ(views::RollTargetFromSetting(2), views::RollTarget::CurrentOnly);
}

TEST_F(PianoRollTest, OddTimeBasesAndZoomsDrawAndScroll) {
  document = test::SongOf({"o4 l16 cdefgab>c"}, 1);
  ASSERT_EQ(document->SetTimeBase(1, 4, 16), 0);
  Show(*document);
  roll.SetZoom(-20, -20);
  EXPECT_EQ(roll.Geometry().HMag(), 0);
  EXPECT_EQ(roll.Geometry().VMag(), 0);
  roll.FollowTick(5);
  roll.CenterOnTick(3);
  test::SendMouse(roll, QEvent::MouseMove, Qt::NoButton, QPoint(200, 200));
  EXPECT_FALSE(test::Grab(roll).isNull());
}

TEST_F(PianoRollTest, TrackSwitchRestoresScrollOrFitsPitches) {
  document = test::SongOf({"o1 l1 cdefgab", "o7 l1 cdefgab"});
  Show(*document, 600, 300);
  auto inView = [&](int note) {
    const int y = roll.Geometry().YOfNote(note);
    return y >= RollGeometry::kRulerHeight && y + 14 <= roll.CanvasRect().height();
  };
  EXPECT_TRUE(inView(24));
  document->SetCurrentTrack(1);
  EXPECT_TRUE(inView(96)) << roll.Geometry().FirstRow();
  roll.ScrollToTick(64);
  document->SetCurrentTrack(0);
  EXPECT_TRUE(inView(24));
  EXPECT_EQ(roll.Geometry().FirstColumn(), 0);
  document->SetCurrentTrack(1);
  EXPECT_EQ(roll.Geometry().FirstColumn(), 2);
  // An edit reaches the roll at once.
  document->SetTrackText(1, "o7 l4 r r r c");
  EXPECT_NE(FindNote(1, 96), nullptr);
}

// A recompile of one track reaches the roll and, for the current track, the event list; the
// other tracks' bars and the list of a track not edited stay as they were.
TEST_F(PianoRollTest, AnEditUpdatesItsTrackInRollAndList) {
  document = test::SongOf({"o4 l4 c d", "o4 l4 e", "o4 l4 g a"});
  CCodeListCtrl list;
  list.resize(420, 300);
  list.SetDocument(document.get());
  Show(*document);
  document->SetCurrentTrack(1);
  auto notesOf = [&](int track) {
    std::vector<std::tuple<int, int, int>> seen;  // tick, note, seq
    for (const RollNote& n : roll.Scene().Notes())
      if (n.track == track) seen.emplace_back(n.tick, n.note, n.seq);
    return seen;
  };
  auto rows = [&] {
    std::vector<std::string> lines;
    for (int row = 0; row < list.RowCount(); ++row) lines.push_back(list.Model().Row(row).Line());
    return lines;
  };
  const auto track0 = notesOf(0), track2 = notesOf(2);
  const int rowsBefore = list.RowCount();

  document->SetTrackText(1, "o4 l4 e f");
  const RollNote* added = FindNote(1, 32);
  ASSERT_NE(added, nullptr);
  EXPECT_EQ(added->note, 65);
  EXPECT_EQ(list.RowCount(), rowsBefore + 1);
  EXPECT_EQ(notesOf(0), track0);
  EXPECT_EQ(notesOf(2), track2);

  // A whole note tied four times in a track not shown in the list: still drawn once its start
  // has scrolled out of view, and the list keeps its rows.
  const auto rowsOfTrack1 = rows();
  document->SetTrackText(2, "o4 l1 g&g&g&g");
  roll.ScrollToTick(128);
  ASSERT_GE(roll.Geometry().FirstVisibleTick(), 64);  // beyond any quarter from tick 0
  EXPECT_NE(FindNote(2, 0), nullptr);
  EXPECT_EQ(rows(), rowsOfTrack1);
}

}  // namespace
}  // namespace kore
