#include "app/dialogs/text_search_dialog.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include "app/dialogs/dialog_host.h"
#include "app/dialogs/form.h"
#include "editor/penna_editor.h"
#include "editor/text_buffer.h"
#include "editor/text_search.h"

namespace kore::dialogs {
namespace {

QPushButton* Button(const QString& text, const QString& objectName) {
  auto* b = new QPushButton(text);
  Name(b, objectName, text);
  b->setAutoDefault(false);
  return b;
}

QComboBox* HistoryBox(const std::vector<std::string>& list) {
  auto* box = new QComboBox;
  box->setEditable(true);
  box->setInsertPolicy(QComboBox::NoInsert);
  for (const std::string& entry : list) box->addItem(FromSjis(entry));
  box->setCurrentIndex(-1);
  return box;
}

}  // namespace

CMMLTextSearch::CMMLTextSearch(DialogHost& host, QWidget* parent) : QDialog(parent), host_(host) {
  setObjectName("textSearchDialog");
  setModal(false);
  CProfileFile file(host_.SettingsPath());
  history_ = ReadSearchHistory(file);
  Build();
  SetMode(Mode::Find);
}

CMMLTextSearch::~CMMLTextSearch() { SaveHistory(); }

void CMMLTextSearch::Build() {
  search_ = HistoryBox(history_.searchKeys);
  replace_ = HistoryBox(history_.replaceKeys);
  caseSensitive_ = new QCheckBox(QStringLiteral("大文字と小文字を区別する(&S)"));
  Name(caseSensitive_, "caseSensitive", caseSensitive_->text());
  QPushButton* up = Button(QStringLiteral("上検索(&U)"), "searchUpButton");
  QPushButton* down = Button(QStringLiteral("下検索(&D)"), "searchDownButton");
  QPushButton* replaceOne = Button(QStringLiteral("置換(&R)"), "replaceButton");
  replaceAll_ = Button(QStringLiteral("全て置換(&A)"), "replaceAllButton");
  QPushButton* close = Button(QStringLiteral("閉じる"), "closeButton");
  range_ = new QGroupBox(QStringLiteral("置換範囲"));
  range_->setObjectName("replaceRange");
  selection_ = new QRadioButton(QStringLiteral("選択範囲(&S)"));
  Name(selection_, "rangeSelection", selection_->text());
  whole_ = new QRadioButton(QStringLiteral("トラック全体(&O)"));
  Name(whole_, "rangeWhole", whole_->text());
  auto* rangeLayout = new QVBoxLayout(range_);
  rangeLayout->addWidget(selection_);
  rangeLayout->addWidget(whole_);

  auto* grid = new QGridLayout(this);
  grid->addWidget(MakeBuddyLabel(QStringLiteral("検索する文字列(&N)"), search_, "searchText"), 0, 0);
  grid->addWidget(search_, 0, 1);
  replaceLabel_ = MakeBuddyLabel(QStringLiteral("置換後の文字列(&P)"), replace_, "replaceText");
  grid->addWidget(replaceLabel_, 1, 0);
  grid->addWidget(replace_, 1, 1);
  grid->addWidget(caseSensitive_, 2, 0, 1, 2);
  grid->addWidget(range_, 3, 0, 1, 2);
  auto* buttons = new QVBoxLayout;
  for (QPushButton* b : {up, down, replaceOne, replaceAll_, close}) buttons->addWidget(b);
  buttons->addStretch();
  grid->addLayout(buttons, 0, 2, 4, 1);

  connect(up, &QPushButton::clicked, this, &CMMLTextSearch::SearchUp);
  connect(down, &QPushButton::clicked, this, &CMMLTextSearch::SearchDown);
  connect(replaceOne, &QPushButton::clicked, this, &CMMLTextSearch::Replace);
  connect(replaceAll_, &QPushButton::clicked, this, &CMMLTextSearch::ReplaceAll);
  connect(close, &QPushButton::clicked, this, &CMMLTextSearch::reject);
}

void CMMLTextSearch::SetMode(Mode mode) {
  mode_ = mode;
  const bool replacing = mode == Mode::Replace;
  setWindowTitle(replacing ? QStringLiteral("検索・置換") : QStringLiteral("検索"));
  for (QWidget* w : std::initializer_list<QWidget*>{replaceLabel_, replace_, replaceAll_, range_}) {
    w->setVisible(replacing);
  }
}

void CMMLTextSearch::OpenFind() {
  SetMode(Mode::Find);
  whole_->setChecked(true);
  show();
  raise();
  search_->setFocus();
}

void CMMLTextSearch::OpenReplace() {
  SetMode(Mode::Replace);
  whole_->setChecked(true);
  if (PennaEditor* pane = CurrentPane()) {
    int32_t start = 0, end = 0;
    pane->GetSelB(&start, &end);
    if (start != end) selection_->setChecked(true);
  }
  show();
  raise();
  search_->setFocus();
}

PennaEditor* CMMLTextSearch::CurrentPane() { return host_.Pane(host_.Document().CurrentTrack()); }

void CMMLTextSearch::Remember(QComboBox* combo, std::vector<std::string>& list,
                             const std::string& text) {
  if (text.empty()) return;
  RememberString(list, text);
  const QString shown = FromSjis(text);
  for (int i = combo->count() - 1; i >= 0; --i) {
    if (combo->itemText(i) == shown) combo->removeItem(i);
  }
  combo->insertItem(0, shown);
  combo->setCurrentIndex(0);
}

bool CMMLTextSearch::ReadStrings(std::string& key, std::string& replacement) {
  key = ToSjis(search_->currentText());
  replacement = ToSjis(replace_->currentText());
  Remember(search_, history_.searchKeys, key);
  Remember(replace_, history_.replaceKeys, replacement);
  if (key.empty()) {
    Inform(this, QStringLiteral("検索条件を指定してください。"));
    search_->setFocus();
    return false;
  }
  return true;
}

void CMMLTextSearch::HighlightAll(const std::string& key, bool caseSensitive) {
  const bool same = key == litKey_ && caseSensitive == litCase_;
  for (int32_t slot = 0; slot < kTrackSlotCount; ++slot) {
    PennaEditor*& lit = litPanes_[static_cast<size_t>(slot)];
    PennaEditor* pane = host_.Pane(slot);
    if (!pane || (same && lit == pane)) {
      lit = pane;
      continue;
    }
    pane->SetHighlight(key.c_str(), caseSensitive, true);
    lit = pane;
  }
  litKey_ = key;
  litCase_ = caseSensitive;
}

void CMMLTextSearch::SearchDown() { Search(false, false); }
void CMMLTextSearch::SearchUp() { Search(true, false); }

void CMMLTextSearch::Replace() {
  if (host_.IsPlaying()) return;
  if (mode_ == Mode::Find) {
    SetMode(Mode::Replace);
    return;
  }
  Search(false, true);
}

void CMMLTextSearch::Search(bool up, bool replace) {
  if (host_.IsPlaying()) return;
  std::string key, replacement;
  if (!ReadStrings(key, replacement)) return;
  const bool caseSensitive = caseSensitive_->isChecked();
  HighlightAll(key, caseSensitive);
  PennaEditor* pane = CurrentPane();
  if (!pane) return;
  int32_t selStart = 0, selEnd = 0;
  pane->GetSelB(&selStart, &selEnd);
  --selStart;
  --selEnd;
  const int32_t start = (!up && !replace && selStart != selEnd) ? selEnd : selStart;
  const std::string text = pane->GetText(editor::kLineCodeCrLf);
  if (start < 0 || static_cast<size_t>(start) > text.size()) return;
  const TextSearchOptions options{caseSensitive};
  const auto found = up ? FindUp(text, key, static_cast<size_t>(start), options)
                        : FindDown(text, key, static_cast<size_t>(start), options);
  if (!found) {
    Inform(this, up ? QStringLiteral("前方に文字列が見つかりませんでした。")
                    : QStringLiteral("後方に文字列が見つかりませんでした。"));
    return;
  }
  const auto at = static_cast<int32_t>(*found);
  pane->SetSelB(at + 1, at + static_cast<int32_t>(key.size()) + 1);
  if (replace) pane->SetSelText(replacement.c_str());
}

void CMMLTextSearch::ReplaceAll() {
  if (host_.IsPlaying()) return;
  std::string key, replacement;
  if (!ReadStrings(key, replacement)) return;
  if (replacement == key) return;
  const bool caseSensitive = caseSensitive_->isChecked();
  HighlightAll(key, caseSensitive);
  PennaEditor* pane = CurrentPane();
  if (!pane) return;
  int32_t selStart = 0, selEnd = 0;
  pane->GetSelB(&selStart, &selEnd);
  const std::string text = pane->GetText(editor::kLineCodeCrLf);
  size_t from = 0, to = text.size();
  if (!whole_->isChecked() && selStart != selEnd) {
    from = static_cast<size_t>(selStart - 1);
    to = static_cast<size_t>(selEnd - 1);
  }
  const ReplaceAllResult result =
      kore::ReplaceAll(text, key, replacement, from, to, {caseSensitive}, kMaxTrackTextBytes);
  // Nothing replaced leaves the text, its undo history and the modified flag alone.
  if (result.count > 0) {
    pane->SelectAll();
    pane->SetSelText(result.text.c_str());
    pane->SetSelB(selStart, selEnd);
  }
  Inform(this, QStringLiteral("%1箇所を置換しました。").arg(result.count));
}

void CMMLTextSearch::SaveHistory() {
  CProfileFile file(host_.SettingsPath());
  WriteSearchHistory(file, history_);
  file.Flush();
}

void CMMLTextSearch::reject() {
  hide();
  SetMode(Mode::Find);
  HighlightAll(std::string(), true);
  SaveHistory();
}

}  // namespace kore::dialogs
