#include "app/dialogs/clip_export_dialog.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QVBoxLayout>

#include "app/dialogs/form.h"

namespace kore::dialogs {
namespace {

QPushButton* Button(const QString& text, const QString& objectName) {
  auto* b = new QPushButton(text);
  Name(b, objectName, text);
  return b;
}

}  // namespace

CMMLClipExportDlg::CMMLClipExportDlg(const ClipExportOptions& options, QWidget* parent)
    : QDialog(parent),
      options_(options),
      selection_(static_cast<int32_t>(options.tracks.size())) {
  setObjectName("clipExportDialog");
  setWindowTitle(QStringLiteral("クリップボードへMMLを出力"));

  list_ = new QListWidget;
  list_->setSelectionMode(QAbstractItemView::MultiSelection);
  for (const auto& track : options.tracks) {
    list_->addItem(FromSjis(TrackListItem(track.characters, track.name)));
  }
  QLabel* listLabel = MakeBuddyLabel(QStringLiteral("トラック(&T)"), list_, "tracks");

  auto* formatBox = new QGroupBox(QStringLiteral("出力形式"));
  formatBox->setObjectName("formatGroup");
  auto* formatLayout = new QVBoxLayout(formatBox);
  formats_ = new QButtonGroup(this);
  const QString formatNames[] = {QStringLiteral("Elvara形式(&1)"),
                                 QStringLiteral("したらば形式(&2)"),
                                 QStringLiteral("ElvaraMML形式(&3)")};
  for (int i = 0; i < 3; ++i) {
    auto* radio = new QRadioButton(formatNames[i]);
    Name(radio, QStringLiteral("format%1").arg(i), formatNames[i]);
    formats_->addButton(radio, i);
    formatLayout->addWidget(radio);
  }
  const int format = (options.format >= 0 && options.format <= 2) ? options.format : 0;
  formats_->button(format)->setChecked(true);
  description_ = new QLabel;
  description_->setObjectName("formatDescription");
  description_->setWordWrap(true);
  formatLayout->addWidget(description_);

  optimize_ = new QCheckBox(QStringLiteral("最適化して出力する(&E)"));
  Name(optimize_, "optimize", optimize_->text());
  optimize_->setChecked(options.optimize);
  status_ = new QLabel;
  status_->setObjectName("status");

  QPushButton* reset = Button(QStringLiteral("選択をリセット"), "resetButton");
  QPushButton* title = Button(QStringLiteral("曲名をコピー"), "copyTitleButton");
  QPushButton* name = Button(QStringLiteral("トラック名をコピー"), "copyTrackNameButton");
  QPushButton* instrument = Button(QStringLiteral("楽器名をコピー"), "copyInstrumentButton");
  copy_ = Button(QStringLiteral("MMLをコピー"), "copyButton");
  copy_->setDefault(true);
  QPushButton* close = Button(QStringLiteral("閉じる"), "closeButton");

  auto* grid = new QGridLayout(this);
  grid->addWidget(listLabel, 0, 0);
  grid->addWidget(list_, 1, 0, 4, 1);
  grid->addWidget(formatBox, 1, 1);
  grid->addWidget(optimize_, 2, 1);
  grid->addWidget(reset, 3, 1);
  auto* copyRow = new QHBoxLayout;
  copyRow->addWidget(title);
  copyRow->addWidget(name);
  copyRow->addWidget(instrument);
  grid->addLayout(copyRow, 5, 0, 1, 2);
  grid->addWidget(status_, 6, 0);
  auto* buttons = new QHBoxLayout;
  buttons->addWidget(copy_);
  buttons->addWidget(close);
  grid->addLayout(buttons, 6, 1);

  connect(list_, &QListWidget::itemSelectionChanged, this, [this] { SelectionChanged(); });
  connect(formats_, &QButtonGroup::idClicked, this, [this] { UpdateStatus(); });
  connect(reset, &QPushButton::clicked, this, [this] {
    selection_.Reset();
    Sync();
  });
  connect(title, &QPushButton::clicked, this, [this] { Q_EMIT copyRequested(ClipCopyKind::Title); });
  connect(name, &QPushButton::clicked, this,
          [this] { Q_EMIT copyRequested(ClipCopyKind::TrackName); });
  connect(instrument, &QPushButton::clicked, this,
          [this] { Q_EMIT copyRequested(ClipCopyKind::InstrumentName); });
  connect(copy_, &QPushButton::clicked, this, &QDialog::accept);
  connect(close, &QPushButton::clicked, this, &QDialog::reject);
  Sync();
}

void CMMLClipExportDlg::SelectionChanged() {
  if (syncing_) return;
  // A click toggles one entry; the selection model decides who gives way to it.
  for (int i = 0; i < list_->count(); ++i) {
    if (list_->item(i)->isSelected() != selection_.IsSelected(i)) selection_.Toggle(i);
  }
  Sync();
}

void CMMLClipExportDlg::Sync() {
  syncing_ = true;
  {
    const QSignalBlocker blocker(list_);
    for (int i = 0; i < list_->count(); ++i) list_->item(i)->setSelected(selection_.IsSelected(i));
  }
  syncing_ = false;
  list_->viewport()->update();
  UpdateStatus();
}

void CMMLClipExportDlg::UpdateStatus() {
  const int32_t format = formats_->checkedId();
  description_->setText(FromSjis(FormatDescription(format)));
  std::vector<int32_t> counts;
  for (int32_t item : selection_.Selected()) {
    counts.push_back(options_.tracks[static_cast<size_t>(item)].characters);
  }
  const ExportStatus status = ExportStatusFor(format, counts);
  status_->setText(FromSjis(status.text));
  status_->setAccessibleName(status_->text());
  copy_->setEnabled(status.copyEnabled);
}

ClipExportOptions CMMLClipExportDlg::options() const {
  ClipExportOptions out = options_;
  out.format = formats_->checkedId();
  out.optimize = optimize_->isChecked();
  out.selectedSlots.clear();
  for (int32_t item : selection_.Selected()) {
    out.selectedSlots.push_back(options_.tracks[static_cast<size_t>(item)].slot);
  }
  return out;
}

}  // namespace kore::dialogs
