#include "app/dialogs/property_commands.h"
#include "tests/app/dialogs/fake_host.h"

namespace kore::dialogs {
namespace {

using namespace test;

TEST_F(HostTest, TrackPropertyLabelsFollowTheSlidersAndStartListAndCopyFlagsNameTheirFields) {
  const struct {
    int32_t volume, panpot;
    const char* volumeText;
    const char* panText;
  } rows[] = {{127, 0, "127%", "L64"}, {100, 64, "100%", "0"}, {0, 127, "0%", "R63"},
                      {5, 63, "5%", "L01"}};
  for (const auto& r : rows) {
    CMMLTrackPropaty dialog(TrackPropertyOptionsFor(host, 0));
    Find<QSlider>(dialog, "volume")->setValue(r.volume);
    Find<QSlider>(dialog, "pan")->setValue(r.panpot - 64);
    EXPECT_EQ(Find<QLabel>(dialog, "volumeText")->text(), r.volumeText) << r.volume;
    EXPECT_EQ(Find<QLabel>(dialog, "panText")->text(), r.panText) << r.panpot;
    EXPECT_EQ(dialog.options().properties.panpot, r.panpot);
  }
  ASSERT_GT(host.document.AddMarker(512, Sjis("サビ"), 0x2828E0), 0);
  CMMLTrackPropaty dialog(TrackPropertyOptionsFor(host, 0));
  auto* start = Find<QComboBox>(dialog, "startPosition");
  ASSERT_EQ(start->count(), 2);
  EXPECT_EQ(start->itemText(1), QStringLiteral("001 : サビ (4:0)"));
  EXPECT_TRUE(start->isEnabled());
  host.playing = true;
  CMMLTrackPropaty playing(TrackPropertyOptionsFor(host, 0));
  EXPECT_FALSE(Find<QComboBox>(playing, "startPosition")->isEnabled());
  for (auto [box, name] : {std::pair{"copyName", "トラック名"}, {"copyInstrument", "楽器"},
                           {"copyStart", "再生開始位置"}})
    EXPECT_EQ(Find<QCheckBox>(dialog, box)->accessibleName(),
              QStringLiteral("コピー対象 ") + QString::fromUtf8(name));
}

TEST_F(HostTest, TrackPropertyCancelChangesNothingAndOkRenamesRefreshesAndSetsUpTheChannel) {
  const int32_t slot = host.document.CurrentTrack();
  const std::string before = host.document.Track(slot).name;
  auto fill = [](QDialog& d) {
    Find<QLineEdit>(d, "trackName")->setText(QStringLiteral("メロディ"));
    Find<QComboBox>(d, "instrument")->setCurrentIndex(3);  // フルート
  };
  {
    ModalDriver cancel(fill, false);
    ShowTrackProperties(host, slot);
  }
  EXPECT_EQ(host.document.Track(slot).name, before);
  EXPECT_TRUE(host.device.Messages().empty());
  ModalDriver ok(fill);
  ShowTrackProperties(host, slot);
  EXPECT_EQ(host.document.Track(slot).name, Sjis("メロディ"));
  EXPECT_EQ(host.refreshedTabs, std::vector<int32_t>{slot});
  EXPECT_GT(host.captionRefreshes, 0);
  bool programSent = false;
  for (const auto& m : host.device.Messages())
    programSent |= m.bytes == std::vector<uint8_t>{static_cast<uint8_t>(0xC0 | slot), 0x49};
  EXPECT_TRUE(programSent);
}

TEST_F(HostTest, TrackPropertyApplyNumbersCopiedNamesAndCopiesTheMixer) {
  host.MakeTracks({{"a", ""}, {"b", ""}, {"c", ""}});
  const auto order = host.document.TrackOrder();
  ModalDriver driver(
      [](QDialog& d) {
        Find<QLineEdit>(d, "trackName")->setText("Part");
        Find<QCheckBox>(d, "copyName")->setChecked(true);
        Find<QCheckBox>(d, "numbering")->setChecked(true);
        Find<QSlider>(d, "volume")->setValue(90);
        Find<QCheckBox>(d, "mute")->setChecked(true);
        Find<QPushButton>(d, "selectAllButton")->click();
        Find<QPushButton>(d, "applyButton")->click();
      },
      false);
  ShowTrackProperties(host, order[0]);
  EXPECT_EQ(host.document.Track(order[0]).name, "a");  // Apply leaves the dialog's own track
  for (int i : {1, 2}) {
    const TrackProperties& t = host.document.Track(order[i]);
    EXPECT_EQ(t.name, "Part" + std::to_string(i));
    EXPECT_TRUE(t.volume == 90 && t.muted == 1) << i;
  }
}

TEST_F(HostTest, SongPropertyCaptionAndRankLine) {
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
  const std::pair<const char*, int32_t> rows[] = {
      {"1", 1}, {"24", 24}, {" 960 ", 960}, {"0", 0},      {"961", 0},
      {"abc", 0}, {"4294967328", 0}, {"12abc", 0}, {"", 0}};  // 0: refused
  for (const auto& row : rows) {
    const char* typed = row.first;
    const int32_t ticks = row.second;
    FakeHost host;
    MessageLog messages;
    const int32_t before = host.document.GetTimeBase().ticksPerQuarter;
    ModalDriver driver([&](QDialog& d) {
      Find<QComboBox>(d, "resolution")->setEditText(typed);
      d.accept();
      EXPECT_EQ(d.result() == QDialog::Accepted, ticks != 0) << typed;
    }, false);
    ShowSongProperties(host);
    EXPECT_EQ(host.document.GetTimeBase().ticksPerQuarter, ticks ? ticks : before) << typed;
    EXPECT_EQ(messages.Last(), ticks ? QString() : QStringLiteral("分解能は１～９６０の間で設定してください"))
        << typed;
    EXPECT_EQ(messages.shown.size(), ticks ? 0u : 1u) << typed;
  }
}

TEST_F(HostTest, SongPropertyUnchangedOkKeepsTheSongUnmodifiedAndOkRescalesMarkers) {
  host.document.AddMarker(512, "m", 0);
  host.document.MarkSaved();
  {
    ModalDriver unchanged([](QDialog&) {});
    ShowSongProperties(host);
  }
  EXPECT_FALSE(host.document.IsModified());
  ModalDriver driver([](QDialog& d) {
    Find<QComboBox>(d, "resolution")->setCurrentIndex(1);  // 480
    Find<QLineEdit>(d, "title")->setText(QStringLiteral("曲"));
  });
  ShowSongProperties(host);
  MidiEvent marker;
  ASSERT_TRUE(host.document.GetMarker(1, marker));
  EXPECT_EQ(marker.tick, 7680);
  EXPECT_EQ(host.document.Title(), Sjis("曲"));
  EXPECT_TRUE(host.document.IsModified());
}

}  // namespace
}  // namespace kore::dialogs
