#include <tuple>

#include "app/dialogs/clip_commands.h"
#include "app/dialogs/marker_dialog.h"
#include "tests/app/dialogs/fake_host.h"

namespace kore::dialogs {
namespace {

using namespace test;

const std::string kMelody(79, 'c');
const std::string kChord(57, 'e');

TEST(ClipExportDialog, EachFormatCopiesItsText) {
  const struct {
    const char* name;
    std::vector<std::pair<std::string, std::string>> tracks;
    std::function<void(QDialog&)> fill;
    std::vector<std::string> copied;  // the text starts with the first, holds the others
    QString message, report;          // the one shown starts with the first, holds the other
  } rows[] = {
      {"game form", {{Sjis("メロディ"), kMelody}, {Sjis("和音"), kChord}},
       [](QDialog& d) {
         EXPECT_EQ(Find<QListWidget>(d, "tracks")->item(0)->text(),
                   QStringLiteral("  79文字 : メロディ"));
         EXPECT_EQ(Find<QLabel>(d, "status")->text(), QStringLiteral("必要作曲ランク : 練習"));
       },
       {"MML@" + kMelody + "," + kChord + ";"},
       QStringLiteral("Elvara(MML@)形式で以下のとおりに出力しました。"),
       QStringLiteral("Melody  :   79 文字 [メロディ]")},
      {"board form: header and ending", {{"a", kChord}, {"b", kMelody}},
       [](QDialog& d) { Find<QRadioButton>(d, "format1")->click(); },
       {"", " (79/57/0)\r\n", kChord + "\r\n;\r\n"},
       QStringLiteral("したらば形式(MML@改行あり)で以下のとおりに出力しました。"), ""},
      {"whole song, nothing selected", {{"a", "cde"}, {"b", "efg"}},
       [](QDialog& d) {
         Find<QListWidget>(d, "tracks")->clearSelection();
         Find<QRadioButton>(d, "format2")->click();
       },
       {"[Settings]", "efg"}, QStringLiteral("ElvaraMML形式で出力しました。"), ""},
  };
  for (const auto& r : rows) {
    FakeHost host;
    MessageLog messages;
    host.MakeTracks(r.tracks);
    ModalDriver driver([&](QDialog& d) {
      r.fill(d);
      Find<QPushButton>(d, "copyButton")->click();
    });
    ShowClipExport(host);
    const std::string copied = host.clipboard.value_or("(nothing)");
    EXPECT_TRUE(copied.starts_with(r.copied[0])) << r.name << ": " << copied.substr(0, 40);
    for (const std::string& part : r.copied)
      EXPECT_NE(copied.find(part), std::string::npos) << r.name << ": " << part;
    ASSERT_EQ(messages.shown.size(), 1u) << r.name;
    EXPECT_TRUE(messages.Last().startsWith(r.message) && messages.Last().contains(r.report))
        << r.name << ": " << messages.Last().toStdString();
  }
}

TEST(ClipExportDialog, AFourthSelectionDropsTheFirstAndStatusFollows) {
  FakeHost host;
  host.MakeTracks({{"a", "c"}, {"b", "c"}, {"c", "c"}, {"d", "c"}});
  CMMLClipExportDlg dialog(ClipExportOptionsFor(host));
  auto* list = Find<QListWidget>(dialog, "tracks");
  auto* copy = Find<QPushButton>(dialog, "copyButton");
  auto selected = [&] {
    std::vector<int> rows;
    for (int i = 0; i < list->count(); ++i)
      if (list->item(i)->isSelected()) rows.push_back(i);
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

TEST_F(HostTest, ClipExportRemembersTheOptimiseBoxAndCopyButtonsSayWhatTheyDid) {
  host.MakeTracks({{"lead", "cde"}});
  host.settings.optClipExport = false;
  ModalDriver driver([](QDialog& d) {
    Find<QPushButton>(d, "copyTrackNameButton")->click();
    Find<QCheckBox>(d, "optimize")->setChecked(true);
    Find<QPushButton>(d, "copyButton")->click();
  });
  ShowClipExport(host);
  EXPECT_TRUE(host.settings.optClipExport);
  ASSERT_EQ(messages.shown.size(), 2u);
  EXPECT_EQ(messages.shown[0].text, QStringLiteral("トラック名をコピーしました。"));
  EXPECT_TRUE(messages.Last().contains(QStringLiteral("圧縮メソッド : ")));
}

// A new song from the clipboard's parts, or the parts appended until the song is full.
TEST(ClipImport, NewSongOrAppendedTracks) {
  for (const bool append : {false, true}) {
    FakeHost host;
    while (append && host.document.TrackCount() < 13) host.document.AddTrack();
    host.clipboard = "MML@cde,efg,gab;";
    QString info;
    ModalDriver driver([&](QDialog& d) {
      info = Find<QLabel>(d, "trackInfo")->text();
      Find<QRadioButton>(d, "append")->setChecked(append);
    });
    ImportClipboard(host);
    EXPECT_EQ(info, QStringLiteral("MML@形式 3トラック ")) << append;
    const auto& order = host.document.TrackOrder();
    EXPECT_EQ(host.document.TrackCount(), append ? 15 : 3);
    EXPECT_EQ(host.document.TrackText(order[append ? 14 : 2]), append ? "efg" : "gab");
    EXPECT_TRUE(host.document.Path().empty() && host.document.IsModified()) << append;
    EXPECT_EQ(host.notifier.messages.empty(), !append);
    if (append)
      EXPECT_EQ(host.notifier.messages.back().text, Sjis("これ以上トラックを追加できません"));
  }
}

// Unusable text keeps the song; a whole song file's text replaces it once discarding is agreed.
TEST(ClipImport, UnusableClipboardKeepsTheSongASongFileReplacesIt) {
  const std::tuple<std::optional<std::string>, QString, std::string> rows[] = {
      {std::nullopt, QStringLiteral("クリップボードのオープンに失敗しました。"), "cde"},
      {std::string(), QStringLiteral("クリップボードのオープンに失敗しました。"), "cde"},
      {std::string("hello"), QStringLiteral("ファイルのオープンに失敗しました"), "cde"},
      {std::string("[Channel1]\r\nfga"), QString(), "fga"},
  };
  for (const auto& [clipboard, message, text] : rows) {
    FakeHost host;
    MessageLog messages;
    host.MakeTracks({{"keep", "cde"}});
    host.clipboard = clipboard;
    ImportClipboard(host);
    EXPECT_EQ(messages.Last(), message) << clipboard.value_or("(no text)");
    EXPECT_EQ(host.document.TrackText(host.document.TrackOrder()[0]), text) << clipboard.value_or("(no text)");
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
  });
  NewMarkerCommand(host, 512);
  EXPECT_TRUE(position == QStringLiteral("0004:0000") && nameSelected) << position.toStdString();
  auto markerName = [&] {
    MidiEvent marker;
    EXPECT_TRUE(host.document.GetMarker(1, marker) && marker.tick == 512);
    return std::string(std::string_view(marker.text));
  };
  EXPECT_EQ(markerName(), Sjis("サビ"));
  {
    ModalDriver cancel([](QDialog& d) { Find<QLineEdit>(d, "markerName")->setText("x"); }, false);
    EditMarkerCommand(host, 1);
  }
  EXPECT_EQ(markerName(), Sjis("サビ"));

  host.playing = true;
  DeleteMarkerCommand(host, 1);
  EXPECT_EQ(host.document.MarkerCount(), 1);
  host.playing = false;
  ModalDriver remove([](QDialog& d) { Find<QPushButton>(d, "deleteButton")->click(); });
  EditMarkerCommand(host, 1);
  EXPECT_EQ(host.document.MarkerCount(), 0);
}

}  // namespace
}  // namespace kore::dialogs
