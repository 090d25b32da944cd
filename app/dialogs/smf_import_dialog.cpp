#include "app/dialogs/smf_import_dialog.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QListWidget>
#include <QRadioButton>
#include <QVBoxLayout>
#include <algorithm>

#include "app/dialogs/form.h"

namespace kore::dialogs {
namespace {

constexpr std::array<int32_t, 5> kQuantizeValues = {4, 8, 16, 32, 64};

QCheckBox* Flag(const QString& text, const QString& objectName, bool checked) {
  auto* box = new QCheckBox(text);
  Name(box, objectName, text);
  box->setChecked(checked);
  return box;
}

}  // namespace

CMMLSmfImportDlg::CMMLSmfImportDlg(const SmfImportDialogOptions& options, QWidget* parent)
    : QDialog(parent), options_(options) {
  setObjectName("smfImportDialog");
  setWindowTitle(QStringLiteral("インポート設定 - ") + FromSjis(options.fileName));
  const SmfImportOptions& o = options.options;

  sources_ = new QListWidget;
  sources_->setSelectionMode(QAbstractItemView::MultiSelection);
  for (const SmfSourceLine& line : options.sources) sources_->addItem(FromSjis(line.text));
  sources_->selectAll();

  preset_ = new QComboBox;
  for (int32_t p = 0; p < kSmfImportPresetCount; ++p) preset_->addItem(FromSjis(SmfImportPresetName(p)));
  preset_->setCurrentIndex(0);

  programChange_ = Flag(QStringLiteral("プログラムチェンジ(&P)"), "programChange", o.programChange);
  controlChange_ = Flag(QStringLiteral("コントロールチェンジ(&Y)"), "controlChange", o.controlChange);
  pitchBend_ = Flag(QStringLiteral("ピッチベンド(&B)"), "pitchBend", o.pitchBend);
  velocity_ = Flag(QStringLiteral("ベロシティ(&V)"), "velocity", o.velocity);
  midiText_ = Flag(QStringLiteral("MIDIコメント(&M)"), "midiText", o.midiText);
  sysEx_ = Flag(QStringLiteral("エクスクルーシブメッセージ(&X)"), "sysEx", o.sysEx);
  channel_ = Flag(QStringLiteral("MIDIチャンネル(&C)"), "channel", o.channel);
  reduceRest_ = Flag(QStringLiteral("休符節約(&R)"), "reduceRest", o.reduceRest);
  spreadTrack_ = Flag(QStringLiteral("1MIDIトラック→複数MMLトラック変換(&S)"), "spreadTrack",
                      o.spreadTrack);
  spreadControl_ = Flag(QStringLiteral("音符以外を別トラックにまとめる(&U)"), "spreadControl",
                        o.spreadControl);

  auto* quantizeBox = new QGroupBox(QStringLiteral("クオンタイズ"));
  quantizeBox->setObjectName("quantizeGroup");
  auto* quantizeLayout = new QVBoxLayout(quantizeBox);
  quantize_ = new QButtonGroup(this);
  const QString names[] = {QStringLiteral("4分音符(&1)"), QStringLiteral("8分音符(&2)"),
                           QStringLiteral("16分音符(&3)"), QStringLiteral("32分音符(&4)"),
                           QStringLiteral("64分音符(&5)")};
  for (size_t i = 0; i < kQuantizeValues.size(); ++i) {
    auto* radio = new QRadioButton(names[i]);
    Name(radio, QStringLiteral("quantize%1").arg(kQuantizeValues[i]), names[i]);
    quantize_->addButton(radio, kQuantizeValues[i]);
    quantizeLayout->addWidget(radio);
  }
  quantize_->button(NormalizeQuantizeValue(o.quantizeValue))->setChecked(true);
  resolution_ = new QLabel;
  resolution_->setObjectName("resolutionText");
  quantizeLayout->addWidget(resolution_);

  auto* form = new QFormLayout;
  AddRow(form, QStringLiteral("トラック(&T)"), sources_, "sources");
  AddRow(form, QStringLiteral("プリセット"), preset_, "preset");
  auto* flags = new QGridLayout;
  QCheckBox* all[] = {programChange_, controlChange_, pitchBend_, velocity_, midiText_,
                      sysEx_, channel_, reduceRest_, spreadTrack_, spreadControl_};
  for (int i = 0; i < 10; ++i) flags->addWidget(all[i], i % 5, i / 5);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(form);
  layout->addLayout(flags);
  layout->addWidget(quantizeBox);
  layout->addWidget(OkCancelButtons(this));

  connect(preset_, &QComboBox::activated, this, [this](int p) { ApplyPreset(p); });
  connect(spreadTrack_, &QCheckBox::toggled, this, [this] { Refresh(); });
  connect(quantize_, &QButtonGroup::idClicked, this, [this] { Refresh(); });
  Refresh();
}

void CMMLSmfImportDlg::ApplyPreset(int preset) {
  SmfImportOptions o = options().options;
  if (!ApplySmfImportPreset(preset, o)) return;
  programChange_->setChecked(o.programChange);
  controlChange_->setChecked(o.controlChange);
  pitchBend_->setChecked(o.pitchBend);
  velocity_->setChecked(o.velocity);
  midiText_->setChecked(o.midiText);
  sysEx_->setChecked(o.sysEx);
  channel_->setChecked(o.channel);
  reduceRest_->setChecked(o.reduceRest);
  spreadTrack_->setChecked(o.spreadTrack);
  spreadControl_->setChecked(o.spreadControl);
  Refresh();
}

void CMMLSmfImportDlg::Refresh() {
  spreadControl_->setEnabled(spreadTrack_->isChecked());
  resolution_->setText(
      FromSjis(QuantizeDisplayText(options_.ticksPerQuarter, quantize_->checkedId())));
  resolution_->setAccessibleName(resolution_->text());
}

void CMMLSmfImportDlg::accept() {
  const SmfImportDialogOptions chosen = options();
  SmfImportJob job;
  job.options = chosen.options;
  job.selectedSources = chosen.selectedSources;
  std::string message;
  if (CheckSmfImportSelection(job, &message) != 0) {
    Warn(this, FromSjis(message));
    return;
  }
  QDialog::accept();
}

SmfImportDialogOptions CMMLSmfImportDlg::options() const {
  SmfImportDialogOptions out = options_;
  SmfImportOptions& o = out.options;
  o.programChange = programChange_->isChecked();
  o.controlChange = controlChange_->isChecked();
  o.pitchBend = pitchBend_->isChecked();
  o.velocity = velocity_->isChecked();
  o.midiText = midiText_->isChecked();
  o.sysEx = sysEx_->isChecked();
  o.channel = channel_->isChecked();
  o.reduceRest = reduceRest_->isChecked();
  o.spreadTrack = spreadTrack_->isChecked();
  o.spreadControl = spreadControl_->isChecked() && o.spreadTrack;
  o.quantizeValue = quantize_->checkedId();
  out.selectedSources.clear();
  for (int i = 0; i < sources_->count(); ++i) {
    if (sources_->item(i)->isSelected()) {
      out.selectedSources.push_back(options_.sources[static_cast<size_t>(i)].listIndex);
    }
  }
  std::sort(out.selectedSources.begin(), out.selectedSources.end());
  return out;
}

}  // namespace kore::dialogs
