#include "app/dialogs/clip_import_dialog.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QRadioButton>
#include <QVBoxLayout>

#include "app/dialogs/form.h"
#include "song/instruments.h"

namespace kore::dialogs {

CMMLClipImportDlg::CMMLClipImportDlg(const ClipImportOptions& options, QWidget* parent)
    : QDialog(parent), options_(options) {
  setObjectName("clipImportDialog");
  setWindowTitle(QStringLiteral("クリップボードのMMLを入力"));
  auto* info = new QLabel(QStringLiteral("MML@形式 %1トラック ").arg(options.trackCount));
  info->setObjectName("trackInfo");
  info->setAccessibleName(info->text());
  auto* fresh = new QRadioButton(QStringLiteral("新規読み込み(&N)"));
  Name(fresh, "newSong", fresh->text());
  append_ = new QRadioButton(QStringLiteral("追加読み込み(&A)"));
  Name(append_, "append", append_->text());
  (options.append ? append_ : fresh)->setChecked(true);
  instrument_ = new QComboBox;
  for (int32_t i = 0; i < kInstrumentCount; ++i) instrument_->addItem(FromSjis(InstrumentListText(i)));
  instrument_->setCurrentIndex(options.instrument);

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(info);
  layout->addWidget(fresh);
  layout->addWidget(append_);
  auto* form = new QFormLayout;
  AddRow(form, QStringLiteral("楽器(&I)"), instrument_, "instrument");
  layout->addLayout(form);
  layout->addWidget(OkCancelButtons(this));
}

ClipImportOptions CMMLClipImportDlg::options() const {
  ClipImportOptions out = options_;
  out.append = append_->isChecked();
  out.instrument = instrument_->currentIndex();
  return out;
}

}  // namespace kore::dialogs
