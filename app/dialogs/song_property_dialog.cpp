#include "app/dialogs/song_property_dialog.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>
#include <algorithm>
#include <array>
#include <functional>

#include "app/dialogs/form.h"
#include "mml/game_export.h"

namespace kore::dialogs {
namespace {

constexpr std::array<int32_t, 3> kResolutions = {32, 480, 960};
constexpr std::array<int32_t, 5> kBeatUnits = {1, 2, 4, 8, 16};

QStringList ResolutionItems() {
  return {QStringLiteral("低精度: 32(TPQN)"), QStringLiteral("標準   : 480(TPQN)"),
          QStringLiteral("高精度: 960(TPQN)")};
}

}  // namespace

std::optional<int32_t> ParseResolution(const QString& text) {
  const QString t = text.trimmed();
  if (t.isEmpty() || t.size() > 9) return std::nullopt;  // nine digits cannot overflow
  int32_t value = 0;
  for (QChar c : t) {
    if (c < u'0' || c > u'9') return std::nullopt;
    value = value * 10 + (c.unicode() - u'0');
  }
  if (value < 1 || value > 960) return std::nullopt;
  return value;
}

QString RankLineText(const std::vector<int32_t>& selectedCounts) {
  if (selectedCounts.empty()) return QStringLiteral("トラックを３まで選択してください");
  if (selectedCounts.size() > 3) return QStringLiteral("４つ以上選択されています");
  std::vector<int32_t> sorted = selectedCounts;
  std::sort(sorted.begin(), sorted.end(), std::greater<>());
  std::array<int32_t, 3> lengths{};
  std::copy(sorted.begin(), sorted.end(), lengths.begin());
  return QStringLiteral("必要作曲ランク : ") + FromSjis(RankName(RequiredRank(lengths)));
}

CMMLPropatyDlg::CMMLPropatyDlg(const SongPropertyOptions& options, QWidget* parent)
    : QDialog(parent), options_(options) {
  setObjectName("songPropertyDialog");
  setWindowTitle(FromSjis(options.fileTitle) + QStringLiteral(" のプロパティ"));
  auto* form = new QFormLayout;
  title_ = new QLineEdit(FromSjis(options.title));
  source_ = new QLineEdit(FromSjis(options.source));
  memo_ = new QPlainTextEdit(FromSjis(options.memo));
  AddRow(form, QStringLiteral("曲名(&T)"), title_, "title");
  AddRow(form, QStringLiteral("出典(&S)"), source_, "source");
  AddRow(form, QStringLiteral("メモ(&M)"), memo_, "memo");

  resolution_ = new QComboBox;
  resolution_->setEditable(true);
  resolution_->addItems(ResolutionItems());
  const auto* known = std::find(kResolutions.begin(), kResolutions.end(),
                                options.timeBase.ticksPerQuarter);
  if (known != kResolutions.end()) {
    resolution_->setCurrentIndex(static_cast<int>(known - kResolutions.begin()));
  } else {
    resolution_->setCurrentIndex(-1);
    resolution_->setEditText(QString::number(options.timeBase.ticksPerQuarter));
  }
  AddRow(form, QStringLiteral("分解能(&R)"), resolution_, "resolution");

  numerator_ = new QComboBox;
  for (int i = 1; i <= 16; ++i) numerator_->addItem(QString::number(i));
  numerator_->setCurrentIndex(options.timeBase.beatsPerMeasure - 1);
  denominator_ = new QComboBox;
  for (int32_t unit : kBeatUnits) denominator_->addItem(QString::number(unit));
  const auto* unit =
      std::find(kBeatUnits.begin(), kBeatUnits.end(), options.timeBase.beatUnit);
  denominator_->setCurrentIndex(unit == kBeatUnits.end() ? 2 : int(unit - kBeatUnits.begin()));
  Name(denominator_, "beatUnit", QStringLiteral("拍子 分母"));
  auto* signature = new QHBoxLayout;
  signature->addWidget(numerator_);
  signature->addWidget(new QLabel("/"));
  signature->addWidget(denominator_);
  form->addRow(MakeBuddyLabel(QStringLiteral("拍子(&B)"), numerator_, "beats"), signature);

  counts_ = new QListWidget;
  // A click toggles an entry; nothing is selected at opening.
  counts_->setSelectionMode(QAbstractItemView::MultiSelection);
  for (const auto& track : options.tracks) {
    counts_->addItem(FromSjis(TrackListItem(track.characters, track.name)));
  }
  AddRow(form, QStringLiteral("文字数(&C)"), counts_, "characterCounts");
  rank_ = new QLabel;
  rank_->setObjectName("rankLine");
  auto* reset = new QPushButton(QStringLiteral("リセット"));
  Name(reset, "resetButton", reset->text());
  auto* rankRow = new QHBoxLayout;
  rankRow->addWidget(rank_, 1);
  rankRow->addWidget(reset);
  form->addRow(rankRow);

  auto* layout = new QVBoxLayout(this);
  layout->addLayout(form);
  layout->addWidget(OkCancelButtons(this));
  connect(counts_, &QListWidget::itemSelectionChanged, this, [this] { UpdateRank(); });
  connect(reset, &QPushButton::clicked, counts_, &QListWidget::clearSelection);
  UpdateRank();
}

void CMMLPropatyDlg::UpdateRank() {
  std::vector<int32_t> counts;
  for (int i = 0; i < counts_->count(); ++i) {
    if (counts_->item(i)->isSelected()) counts.push_back(options_.tracks[size_t(i)].characters);
  }
  rank_->setText(RankLineText(counts));
  rank_->setAccessibleName(rank_->text());
}

void CMMLPropatyDlg::accept() {
  const int index = resolution_->findText(resolution_->currentText());
  if (index < 0 && !ParseResolution(resolution_->currentText())) {
    Warn(this, QStringLiteral("分解能は１～９６０の間で設定してください"));
    resolution_->setFocus();
    resolution_->lineEdit()->selectAll();
    return;
  }
  QDialog::accept();
}

SongPropertyOptions CMMLPropatyDlg::options() const {
  SongPropertyOptions out = options_;
  out.title = ToSjis(title_->text());
  out.source = ToSjis(source_->text());
  // Lines the program writes end with CR LF.
  out.memo = ToSjis(memo_->toPlainText().replace(u'\n', QStringLiteral("\r\n")));
  const int index = resolution_->findText(resolution_->currentText());
  if (index >= 0) {
    out.timeBase.ticksPerQuarter = kResolutions[size_t(index)];
  } else if (auto typed = ParseResolution(resolution_->currentText())) {
    out.timeBase.ticksPerQuarter = *typed;
  }
  const int numerator = numerator_->currentIndex() + 1;
  const int unitIndex = denominator_->currentIndex();
  if (numerator >= 1 && numerator <= 16 && unitIndex >= 0) {
    out.timeBase.beatsPerMeasure = numerator;
    out.timeBase.beatUnit = kBeatUnits[size_t(unitIndex)];
  } else {
    out.timeBase.beatsPerMeasure = 4;
    out.timeBase.beatUnit = 4;
  }
  return out;
}

}  // namespace kore::dialogs
