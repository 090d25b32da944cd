#include "app/dialogs/marker_dialog.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/dialogs/dialog_host.h"
#include "app/dialogs/form.h"

namespace kore::dialogs {

QString MarkerPositionText(int32_t tick, const TimeBase& timeBase) {
  return QStringLiteral("%1:%2")
      .arg(timeBase.MeasureOf(tick), 4, 10, QLatin1Char('0'))
      .arg(timeBase.TickInMeasure(tick), 4, 10, QLatin1Char('0'));
}

CMMLMarkerDlg::CMMLMarkerDlg(const MarkerOptions& options, QWidget* parent)
    : QDialog(parent), options_(options) {
  setObjectName("markerDialog");
  const bool editing = options.mode == MarkerMode::Edit;
  setWindowTitle(editing ? QStringLiteral("マーカー編集") : QStringLiteral("マーカー作成"));
  name_ = new QLineEdit(FromSjis(options.name));
  auto* position = new QLabel(MarkerPositionText(options.tick, options.timeBase));
  auto* form = new QFormLayout;
  AddRow(form, QStringLiteral("マーカー名(&N)"), name_, "markerName");
  AddRow(form, QStringLiteral("マーカーの位置"), position, "markerPosition");
  position->setAccessibleName(position->text());

  QDialogButtonBox* buttons = OkCancelButtons(this);
  auto* remove = new QPushButton(QStringLiteral("削除(&D)"));
  Name(remove, "deleteButton", remove->text());
  remove->setEnabled(editing);
  buttons->addButton(remove, QDialogButtonBox::DestructiveRole);
  connect(remove, &QPushButton::clicked, this, [this] {
    markerResult_ = kMarkerDelete;
    done(kMarkerDelete);
  });

  auto* layout = new QVBoxLayout(this);
  layout->addLayout(form);
  layout->addWidget(buttons);
  name_->selectAll();
  name_->setFocus();
}

void CMMLMarkerDlg::accept() {
  markerResult_ = kMarkerOk;
  QDialog::accept();
}

void CMMLMarkerDlg::reject() {
  markerResult_ = kMarkerCancel;
  QDialog::reject();
}

MarkerOptions CMMLMarkerDlg::options() const {
  MarkerOptions out = options_;
  out.name = ToSjis(name_->text());
  return out;
}

void NewMarkerCommand(DialogHost& host, int32_t tick) {
  if (host.IsPlaying()) return;
  CMMLDocument& document = host.Document();
  MarkerOptions options;
  options.name = NewMarkerName();
  options.tick = tick;
  options.timeBase = document.GetTimeBase();
  CMMLMarkerDlg dialog(options, host.DialogParent());
  RunModal(dialog);
  if (dialog.markerResult() != kMarkerOk) return;
  const MarkerOptions chosen = dialog.options();
  document.AddMarker(chosen.tick, chosen.name, chosen.colour);
}

void EditMarkerCommand(DialogHost& host, int32_t number) {
  if (host.IsPlaying()) return;
  CMMLDocument& document = host.Document();
  MidiEvent marker;
  if (number < 1 || !document.GetMarker(number, marker)) return;
  MarkerOptions options;
  options.mode = MarkerMode::Edit;
  options.name = std::string(std::string_view(marker.text));
  options.number = number;
  options.tick = marker.tick;
  options.colour = marker.value;
  options.timeBase = document.GetTimeBase();
  CMMLMarkerDlg dialog(options, host.DialogParent());
  RunModal(dialog);
  if (dialog.markerResult() == kMarkerOk) {
    const MarkerOptions chosen = dialog.options();
    document.UpdateMarker(number, chosen.tick, chosen.name, chosen.colour);
  } else if (dialog.markerResult() == kMarkerDelete) {
    document.DeleteMarker(number);
  }
}

void DeleteMarkerCommand(DialogHost& host, int32_t number) {
  if (host.IsPlaying()) return;
  host.Document().DeleteMarker(number);
}

}  // namespace kore::dialogs
