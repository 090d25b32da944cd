#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSlider>

#include "app/dialogs/property_commands.h"
#include "tests/app/dialogs/fake_host.h"

namespace kore::dialogs {
namespace {

using test::FakeHost;
using test::Find;
using test::MessageLog;
using test::ModalDriver;

TEST(TrackPropertyDialog, LabelsFollowTheSliders) {
  struct Row {
    int32_t volume, panpot;
    const char* volumeText;
    const char* panText;
  };
  const Row rows[] = {{127, 0, "127%", "L64"}, {100, 64, "100%", "0"}, {0, 127, "0%", "R63"},
                      {5, 63, "5%", "L01"}};
  FakeHost host;
  for (const Row& r : rows) {
    TrackPropertyOptions options = TrackPropertyOptionsFor(host, 0);
    CMMLTrackPropaty dialog(options);
    Find<QSlider>(dialog, "volume")->setValue(r.volume);
    Find<QSlider>(dialog, "pan")->setValue(r.panpot - 64);
    EXPECT_EQ(Find<QLabel>(dialog, "volumeText")->text(), r.volumeText) << r.volume;
    EXPECT_EQ(Find<QLabel>(dialog, "panText")->text(), r.panText) << r.panpot;
    EXPECT_EQ(dialog.options().properties.panpot, r.panpot);
  }
}

TEST(TrackPropertyDialog, StartListNamesMarkersWithTheirMeasure) {
  FakeHost host;
  ASSERT_GT(host.document.AddMarker(512, Sjis("サビ"), 0x2828E0), 0);
  CMMLTrackPropaty dialog(TrackPropertyOptionsFor(host, 0));
  auto* start = Find<QComboBox>(dialog, "startPosition");
  ASSERT_EQ(start->count(), 2);
  EXPECT_EQ(start->itemText(1), QStringLiteral("001 : サビ (4:0)"));
  EXPECT_TRUE(start->isEnabled());

  host.playing = true;
  CMMLTrackPropaty playing(TrackPropertyOptionsFor(host, 0));
  EXPECT_FALSE(Find<QComboBox>(playing, "startPosition")->isEnabled());
}

TEST(TrackPropertyDialog, OkRenamesRefreshesAndSetsUpTheChannel) {
  FakeHost host;
  const int32_t slot = host.document.CurrentTrack();
  ModalDriver driver([](QDialog& d) {
    Find<QLineEdit>(d, "trackName")->setText(QStringLiteral("メロディ"));
    Find<QComboBox>(d, "instrument")->setCurrentIndex(3);  // フルート
    d.accept();
    return int(d.result());
  });
  ShowTrackProperties(host, slot);
  EXPECT_EQ(host.document.Track(slot).name, Sjis("メロディ"));
  EXPECT_EQ(host.refreshedTabs, std::vector<int32_t>{slot});
  EXPECT_GT(host.captionRefreshes, 0);
  EXPECT_NE(host.document.CaptionText("K").find(Sjis("メロディ")), std::string::npos);
  bool programSent = false;
  for (const auto& m : host.device.Messages()) {
    programSent |= m.bytes == std::vector<uint8_t>{static_cast<uint8_t>(0xC0 | slot), 0x49};
  }
  EXPECT_TRUE(programSent);
}

TEST(TrackPropertyDialog, CancelChangesNothing) {
  FakeHost host;
  const std::string before = host.document.Track(0).name;
  ModalDriver driver([](QDialog& d) {
    Find<QLineEdit>(d, "trackName")->setText("x");
    d.reject();
    return int(d.result());
  });
  ShowTrackProperties(host, 0);
  EXPECT_EQ(host.document.Track(0).name, before);
  EXPECT_TRUE(host.device.Messages().empty());
}

TEST(TrackPropertyDialog, ApplyNumbersCopiedNamesAndCopiesTheMixer) {
  FakeHost host;
  host.MakeTracks({{"a", ""}, {"b", ""}, {"c", ""}});
  const auto order = host.document.TrackOrder();
  ModalDriver driver([](QDialog& d) {
    Find<QLineEdit>(d, "trackName")->setText("Part");
    Find<QCheckBox>(d, "copyName")->setChecked(true);
    Find<QCheckBox>(d, "numbering")->setChecked(true);
    Find<QSlider>(d, "volume")->setValue(90);
    Find<QCheckBox>(d, "mute")->setChecked(true);
    Find<QPushButton>(d, "selectAllButton")->click();
    Find<QPushButton>(d, "applyButton")->click();
    d.reject();
    return int(d.result());
  });
  ShowTrackProperties(host, order[0]);
  EXPECT_EQ(host.document.Track(order[0]).name, "a");  // Apply leaves the dialog's own track
  EXPECT_EQ(host.document.Track(order[1]).name, "Part1");
  EXPECT_EQ(host.document.Track(order[2]).name, "Part2");
  for (int i : {1, 2}) {
    EXPECT_EQ(host.document.Track(order[i]).volume, 90) << i;
    EXPECT_EQ(host.document.Track(order[i]).muted, 1) << i;
  }
}

TEST(TrackPropertyDialog, CopyFlagsNameTheirFields) {
  FakeHost host;
  CMMLTrackPropaty dialog(TrackPropertyOptionsFor(host, 0));
  EXPECT_EQ(Find<QCheckBox>(dialog, "copyName")->accessibleName(), QStringLiteral("コピー対象 トラック名"));
  EXPECT_EQ(Find<QCheckBox>(dialog, "copyInstrument")->accessibleName(), QStringLiteral("コピー対象 楽器"));
  EXPECT_EQ(Find<QCheckBox>(dialog, "copyStart")->accessibleName(), QStringLiteral("コピー対象 再生開始位置"));
}

TEST(SongPropertyDialog, CaptionAndRankLine) {
  FakeHost host;
  host.MakeTracks({{"m", ""}, {"c1", ""}, {"c2", ""}, {"x", ""}});
  CMMLPropatyDlg untitled(SongPropertyOptionsFor(host));
  EXPECT_EQ(untitled.windowTitle(), QStringLiteral("(無題) のプロパティ"));
  host.document.SetPath("/songs/demo.mml");
  SongPropertyOptions options = SongPropertyOptionsFor(host);
  const int32_t counts[] = {500, 300, 100, 50};
  for (size_t i = 0; i < 4; ++i) options.tracks[i].characters = counts[i];
  CMMLPropatyDlg dialog(options);
  EXPECT_EQ(dialog.windowTitle(), QStringLiteral("demo.mml のプロパティ"));
  auto* list = Find<QListWidget>(dialog, "characterCounts");
  auto* rank = Find<QLabel>(dialog, "rankLine");
  EXPECT_TRUE(list->selectedItems().isEmpty());
  EXPECT_EQ(rank->text(), QStringLiteral("トラックを３まで選択してください"));
  for (int i = 0; i < 3; ++i) list->item(i)->setSelected(true);
  EXPECT_EQ(rank->text(), QStringLiteral("必要作曲ランク : B"));
  list->item(3)->setSelected(true);
  EXPECT_EQ(rank->text(), QStringLiteral("４つ以上選択されています"));
}

TEST(SongPropertyDialog, ResolutionIsAWholeNumberFrom1To960) {
  struct Row {
    const char* typed;
    bool accepted;
    int32_t ticks;
  };
  const Row rows[] = {{"24", true, 24},       {" 960 ", true, 960}, {"0", false, 0},
                      {"961", false, 0},      {"abc", false, 0},    {"4294967328", false, 0},
                      {"12abc", false, 0},    {"", false, 0}};
  for (const Row& r : rows) {
    FakeHost host;
    MessageLog messages;
    const TimeBase before = host.document.GetTimeBase();
    ModalDriver driver([&](QDialog& d) {
      Find<QComboBox>(d, "resolution")->setEditText(r.typed);
      d.accept();
      EXPECT_EQ(d.result() == QDialog::Accepted, r.accepted) << r.typed;
      if (!r.accepted) {
        EXPECT_EQ(messages.Last(), QStringLiteral("分解能は１～９６０の間で設定してください"));
        d.reject();
      }
      return int(d.result());
    });
    ShowSongProperties(host);
    EXPECT_EQ(host.document.GetTimeBase().ticksPerQuarter,
              r.accepted ? r.ticks : before.ticksPerQuarter)
        << r.typed;
    EXPECT_EQ(messages.shown.size(), r.accepted ? 0u : 1u) << r.typed;
  }
}

TEST(SongPropertyDialog, OkRescalesMarkersAndCopiesTheTexts) {
  FakeHost host;
  host.document.AddMarker(512, "m", 0);
  host.document.MarkSaved();
  ModalDriver driver([](QDialog& d) {
    Find<QComboBox>(d, "resolution")->setCurrentIndex(1);  // 480
    Find<QLineEdit>(d, "title")->setText(QStringLiteral("曲"));
    d.accept();
    return int(d.result());
  });
  ShowSongProperties(host);
  MidiEvent marker;
  ASSERT_TRUE(host.document.GetMarker(1, marker));
  EXPECT_EQ(marker.tick, 7680);
  EXPECT_EQ(host.document.Title(), Sjis("曲"));
  EXPECT_TRUE(host.document.IsModified());
  EXPECT_NE(host.document.CaptionText("K").find(Sjis("[曲]")), std::string::npos);
}

TEST(SongPropertyDialog, UnchangedOkLeavesTheSongUnmodified) {
  FakeHost host;
  host.document.MarkSaved();
  ModalDriver driver([](QDialog& d) {
    d.accept();
    return int(d.result());
  });
  ShowSongProperties(host);
  EXPECT_FALSE(host.document.IsModified());
}

}  // namespace
}  // namespace kore::dialogs
