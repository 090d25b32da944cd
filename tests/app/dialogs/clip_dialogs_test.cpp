#include <gtest/gtest.h>

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>

#include "app/dialogs/clip_commands.h"
#include "app/dialogs/marker_dialog.h"
#include "tests/app/dialogs/fake_host.h"

namespace kore::dialogs {
namespace {

using test::FakeHost;
using test::Find;
using test::MessageLog;
using test::ModalDriver;

const std::string kMelody(79, 'c');
const std::string kChord(57, 'e');

TEST(ClipExportDialog, ListsCountsAndExportsTwoTracksInGameForm) {
  FakeHost host;
  MessageLog messages;
  host.MakeTracks({{Sjis("メロディ"), kMelody}, {Sjis("和音"), kChord}});
  ModalDriver driver([](QDialog& d) {
    auto* list = Find<QListWidget>(d, "tracks");
    EXPECT_EQ(list->item(0)->text(), QStringLiteral("  79文字 : メロディ"));
    EXPECT_EQ(Find<QLabel>(d, "status")->text(), QStringLiteral("必要作曲ランク : 練習"));
    Find<QPushButton>(d, "copyButton")->click();
    return int(d.result());
  });
  ShowClipExport(host);
  EXPECT_EQ(host.clipboard, "MML@" + kMelody + "," + kChord + ";");
  ASSERT_EQ(messages.shown.size(), 1u);
  EXPECT_TRUE(messages.Last().startsWith(QStringLiteral("Elvara(MML@)形式で以下のとおりに出力しました。")));
  EXPECT_TRUE(messages.Last().contains(QStringLiteral("Melody  :   79 文字 [メロディ]")));
}

TEST(ClipExportDialog, BoardFormHeaderAndEnding) {
  FakeHost host;
  MessageLog messages;
  host.MakeTracks({{"a", kChord}, {"b", kMelody}});
  ModalDriver driver([](QDialog& d) {
    Find<QRadioButton>(d, "format1")->click();
    Find<QPushButton>(d, "copyButton")->click();
    return int(d.result());
  });
  ShowClipExport(host);
  ASSERT_TRUE(host.clipboard);
  EXPECT_NE(host.clipboard->find(" (79/57/0)\r\n"), std::string::npos);
  EXPECT_TRUE(host.clipboard->ends_with(kChord + "\r\n;\r\n"));
}

TEST(ClipExportDialog, WholeSongFormatCopiesTheSongFileText) {
  FakeHost host;
  MessageLog messages;
  host.MakeTracks({{"a", "cde"}, {"b", "efg"}});
  ModalDriver driver([](QDialog& d) {
    Find<QListWidget>(d, "tracks")->clearSelection();
    Find<QRadioButton>(d, "format2")->click();
    Find<QPushButton>(d, "copyButton")->click();
    return int(d.result());
  });
  ShowClipExport(host);
  ASSERT_TRUE(host.clipboard);
  EXPECT_TRUE(host.clipboard->starts_with("[Settings]")) << host.clipboard->substr(0, 40);
  EXPECT_NE(host.clipboard->find("efg"), std::string::npos);
  EXPECT_EQ(messages.Last(), QStringLiteral("ElvaraMML形式で出力しました。"));
}

TEST(ClipExportDialog, AFourthSelectionDropsTheFirstAndStatusFollows) {
  FakeHost host;
  host.MakeTracks({{"a", "c"}, {"b", "c"}, {"c", "c"}, {"d", "c"}});
  CMMLClipExportDlg dialog(ClipExportOptionsFor(host));
  auto* list = Find<QListWidget>(dialog, "tracks");
  auto* copy = Find<QPushButton>(dialog, "copyButton");
  auto selected = [&] {
    std::vector<int> rows;
    for (int i = 0; i < list->count(); ++i) {
      if (list->item(i)->isSelected()) rows.push_back(i);
    }
    return rows;
  };
  EXPECT_EQ(selected(), (std::vector<int>{0, 1, 2}));
  list->item(3)->setSelected(true);
  EXPECT_EQ(selected(), (std::vector<int>{1, 2, 3}));
  EXPECT_EQ(dialog.options().selectedSlots.size(), 3u);
  Find<QPushButton>(dialog, "resetButton")->click();
  EXPECT_TRUE(selected().empty());
  EXPECT_EQ(Find<QLabel>(dialog, "status")->text(), QStringLiteral("トラックを3つまで選択して下さい。"));
  EXPECT_FALSE(copy->isEnabled());
  Find<QRadioButton>(dialog, "format2")->click();
  EXPECT_TRUE(copy->isEnabled());
}

TEST(ClipExportDialog, OptimiseBoxIsRememberedAndCopyButtonsSayWhatTheyDid) {
  FakeHost host;
  MessageLog messages;
  host.MakeTracks({{"lead", "cde"}});
  host.settings.optClipExport = false;
  ModalDriver driver([](QDialog& d) {
    Find<QPushButton>(d, "copyTrackNameButton")->click();
    Find<QCheckBox>(d, "optimize")->setChecked(true);
    Find<QPushButton>(d, "copyButton")->click();
    return int(d.result());
  });
  ShowClipExport(host);
  EXPECT_TRUE(host.settings.optClipExport);
  ASSERT_EQ(messages.shown.size(), 2u);
  EXPECT_EQ(messages.shown[0].text, QStringLiteral("トラック名をコピーしました。"));
  EXPECT_TRUE(messages.Last().contains(QStringLiteral("圧縮メソッド : ")));
}

TEST(ClipImport, NewSongFromMmlText) {
  FakeHost host;
  MessageLog messages;
  host.clipboard = "MML@cde,efg,gab;";
  QString info;
  ModalDriver driver([&](QDialog& d) {
    info = Find<QLabel>(d, "trackInfo")->text();
    d.accept();
    return int(d.result());
  });
  ImportClipboard(host);
  EXPECT_EQ(info, QStringLiteral("MML@形式 3トラック "));
  EXPECT_EQ(host.document.TrackCount(), 3);
  EXPECT_EQ(host.document.TrackText(host.document.TrackOrder()[2]), "gab");
  EXPECT_TRUE(host.document.Path().empty());
  EXPECT_TRUE(host.document.IsModified());
}

TEST(ClipImport, AppendStopsWhenTheSongIsFull) {
  FakeHost host;
  MessageLog messages;
  while (host.document.TrackCount() < 13) host.document.AddTrack();
  host.clipboard = "MML@cde,efg,gab;";
  ModalDriver driver([](QDialog& d) {
    Find<QRadioButton>(d, "append")->setChecked(true);
    d.accept();
    return int(d.result());
  });
  ImportClipboard(host);
  EXPECT_EQ(host.document.TrackCount(), 15);
  const int32_t last = host.document.TrackOrder()[14];
  EXPECT_EQ(host.document.TrackText(last), "efg");
  ASSERT_FALSE(host.notifier.messages.empty());
  EXPECT_EQ(host.notifier.messages.back().text, Sjis("これ以上トラックを追加できません"));
}

TEST(ClipImport, UnusableClipboardKeepsTheSong) {
  struct Row {
    const char* name;
    std::optional<std::string> clipboard;
    QString message;
  };
  const Row rows[] = {
      {"no text", std::nullopt, QStringLiteral("クリップボードのオープンに失敗しました。")},
      {"empty", std::string(), QStringLiteral("クリップボードのオープンに失敗しました。")},
      {"neither MML@ nor song", std::string("hello"), QStringLiteral("ファイルのオープンに失敗しました")},
  };
  for (const Row& r : rows) {
    FakeHost host;
    MessageLog messages;
    host.MakeTracks({{"keep", "cde"}});
    host.clipboard = r.clipboard;
    ImportClipboard(host);
    EXPECT_EQ(messages.Last(), r.message) << r.name;
    EXPECT_EQ(host.document.TrackText(host.document.TrackOrder()[0]), "cde") << r.name;
  }
}

TEST(MarkerDialog, CreateEditDeleteAndCancel) {
  FakeHost host;
  QString position;
  bool nameSelected = false;
  ModalDriver create([&](QDialog& d) {
    position = Find<QLabel>(d, "markerPosition")->text();
    auto* name = Find<QLineEdit>(d, "markerName");
    nameSelected = name->selectedText() == name->text() && !name->text().isEmpty();
    EXPECT_FALSE(Find<QPushButton>(d, "deleteButton")->isEnabled());
    name->setText(QStringLiteral("サビ"));
    d.accept();
    return int(d.result());
  });
  NewMarkerCommand(host, 512);
  EXPECT_EQ(position, QStringLiteral("0004:0000"));
  EXPECT_TRUE(nameSelected);
  MidiEvent marker;
  ASSERT_TRUE(host.document.GetMarker(1, marker));
  EXPECT_EQ(marker.tick, 512);
  EXPECT_EQ(std::string(std::string_view(marker.text)), Sjis("サビ"));

  {
    ModalDriver cancel([](QDialog& d) {
      Find<QLineEdit>(d, "markerName")->setText("x");
      d.reject();
      return int(d.result());
    });
    EditMarkerCommand(host, 1);
  }
  ASSERT_TRUE(host.document.GetMarker(1, marker));
  EXPECT_EQ(std::string(std::string_view(marker.text)), Sjis("サビ"));

  host.playing = true;
  DeleteMarkerCommand(host, 1);
  EXPECT_EQ(host.document.MarkerCount(), 1);
  host.playing = false;
  ModalDriver remove([](QDialog& d) {
    Find<QPushButton>(d, "deleteButton")->click();
    return int(d.result());
  });
  EditMarkerCommand(host, 1);
  EXPECT_EQ(host.document.MarkerCount(), 0);
}

}  // namespace
}  // namespace kore::dialogs
