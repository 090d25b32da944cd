#include "app/dialogs/text_search_dialog.h"
#include "editor/text_buffer.h"
#include "tests/app/dialogs/fake_host.h"

namespace kore::dialogs {
namespace {

using namespace test;

constexpr char kSong[] = "t120 v13 l8 o5\r\ne4gec4e4 a4gec2";

struct SearchFixture : test::HostTest {
  SearchFixture() {
    host.MakeTracks({{"t", kSong}});
    pane = host.Pane(host.document.CurrentTrack());
    dialog = std::make_unique<CMMLTextSearch>(host);
  }
  void Type(const char* key, const char* replacement = "") {
    Find<QComboBox>(*dialog, "searchText")->setEditText(key);
    Find<QComboBox>(*dialog, "replaceText")->setEditText(replacement);
  }
  std::pair<int32_t, int32_t> Selection() {
    int32_t s = 0, e = 0;
    pane->GetSelB(&s, &e);
    return {s - 1, e - 1};
  }

  PennaEditor* pane = nullptr;
  std::unique_ptr<CMMLTextSearch> dialog;
};

TEST_F(SearchFixture, DownUpAndCaseFoldingButNotWithAnEmptyKeyOrWhilePlaying) {
  dialog->OpenFind();
  Type("gec");
  dialog->SearchDown();
  EXPECT_EQ(Selection(), std::make_pair(18, 21));
  dialog->SearchDown();
  EXPECT_EQ(Selection(), std::make_pair(27, 30));
  dialog->SearchDown();
  EXPECT_EQ(messages.Last(), QStringLiteral("後方に文字列が見つかりませんでした。"));
  EXPECT_EQ(Selection(), std::make_pair(27, 30));

  for (auto [caret, want] : {std::pair{31, std::pair{27, 30}}, {28, {27, 30}}, {27, {18, 21}}}) {
    pane->SetSelB(caret + 1, caret + 1);
    dialog->SearchUp();
    EXPECT_EQ(Selection(), want) << "up from " << caret;
  }
  pane->SetSelB(1, 1);
  Type("C");
  Find<QCheckBox>(*dialog, "caseSensitive")->setChecked(false);
  dialog->SearchDown();
  EXPECT_EQ(Selection(), std::make_pair(20, 21));
  // An empty key asks for one; while playing nothing is searched or replaced.
  Type("");
  dialog->SearchDown();
  EXPECT_EQ(messages.Last(), QStringLiteral("検索条件を指定してください。"));
  host.playing = true;
  Type("gec");
  const size_t shown = messages.shown.size();
  dialog->SearchDown();
  dialog->ReplaceAll();
  EXPECT_TRUE(messages.shown.size() == shown && Selection() == std::make_pair(20, 21));
}

TEST_F(SearchFixture, ReplaceAllIsOneUndoStepAndCountZeroTouchesNothing) {
  dialog->OpenReplace();
  Type("ec", "EC");
  dialog->ReplaceAll();
  EXPECT_EQ(messages.Last(), QStringLiteral("2箇所を置換しました。"));
  EXPECT_EQ(pane->GetText(editor::kLineCodeCrLf), "t120 v13 l8 o5\r\ne4gEC4e4 a4gEC2");
  pane->Undo();
  EXPECT_EQ(pane->GetText(editor::kLineCodeCrLf), kSong);
  pane->Redo();

  // Nothing matches: no edit, so the undo step below is still the replace-all.
  Type("zz", "y");
  dialog->ReplaceAll();
  EXPECT_EQ(messages.Last(), QStringLiteral("0箇所を置換しました。"));
  pane->Undo();
  EXPECT_EQ(pane->GetText(editor::kLineCodeCrLf), kSong);
}

TEST_F(SearchFixture, ReplaceActsOnTheSelectedMatchAndInsideTheSelectionOnly) {
  dialog->OpenFind();
  Type("gec", "G");
  dialog->Replace();  // in find mode only switches
  EXPECT_EQ(dialog->mode(), CMMLTextSearch::Mode::Replace);
  EXPECT_EQ(pane->GetText(editor::kLineCodeCrLf), kSong);
  dialog->SearchDown();
  dialog->Replace();
  EXPECT_EQ(pane->GetText(editor::kLineCodeCrLf), "t120 v13 l8 o5\r\ne4G4e4 a4gec2");
  pane->Undo();
  pane->SetSelB(1, 21);  // "t120 ... e4ge": no whole "gec" inside
  dialog->OpenReplace();
  EXPECT_TRUE(Find<QRadioButton>(*dialog, "rangeSelection")->isChecked());
  Type("gec", "X");
  dialog->ReplaceAll();
  EXPECT_EQ(messages.Last(), QStringLiteral("0箇所を置換しました。"));
  EXPECT_EQ(pane->GetText(editor::kLineCodeCrLf), kSong);
}

TEST_F(SearchFixture, HistoryKeepsOneEntryPerStringAndOnlyItsSection) {
  {
    CProfileFile other(host.SettingsPath());
    other.SetSection("ApplicationData");
    other.WriteInt("DefaultTimeBase", 480);
    ASSERT_EQ(other.Flush(), 0);
  }
  dialog = std::make_unique<CMMLTextSearch>(host);
  dialog->OpenFind();
  for (const char* key : {"gec", "ec", "gec", "ec"}) {
    Type(key);
    dialog->SearchDown();
  }
  auto* box = Find<QComboBox>(*dialog, "searchText");
  ASSERT_EQ(box->count(), 2);
  EXPECT_EQ(box->itemText(0), "ec");
  dialog.reset();
  for (const char* line : {"SearchKeyCount=+2", "SearchKey[0]=ec", "SearchKey[1]=gec",
                           "DefaultTimeBase=+480"})
    EXPECT_NE(host.Ini().find(line), std::string::npos) << line;
}

TEST_F(SearchFixture, ClosingClearsTheHighlightInEveryPane) {
  host.MakeTracks({{"t", kSong}, {"u", "gec"}});
  host.document.SetCurrentTrack(host.document.TrackOrder()[0]);
  PennaEditor* other = host.Pane(host.document.TrackOrder()[1]);
  PennaEditor plain(99, nullptr);  // never highlighted: what "other" must look like
  plain.SetText("gec");
  auto sameLook = [&] {
    for (PennaEditor* p : {other, &plain}) {
      p->resize(400, 120);
      p->Draw();
    }
    // Below the ruler: its caret mark follows focus and window activation.
    auto body = [](PennaEditor& p) {
      const QImage& image = p.image();
      return image.copy(0, p.rulerHeight(), image.width(), image.height() - p.rulerHeight());
    };
    return body(*other) == body(plain);
  };
  ASSERT_TRUE(sameLook());
  dialog->OpenFind();
  Type("gec");
  dialog->SearchDown();
  EXPECT_FALSE(sameLook());
  dialog->reject();
  EXPECT_TRUE(sameLook());
  EXPECT_EQ(dialog->mode(), CMMLTextSearch::Mode::Find);
}

}  // namespace
}  // namespace kore::dialogs
