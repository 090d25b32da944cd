#include "app/dialogs/config_sheet.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSlider>
#include <QTabWidget>
#include <QVBoxLayout>
#include <algorithm>
#include <vector>

#include "app/dialogs/form.h"
#include "base/setting_keys.h"
#include "playback/midi_device.h"

namespace kore::dialogs {
namespace {

// A list whose entries stand for the values the settings table allows for `field`, in the
// table's order (labels one per value); a value the table would not keep selects its fallback.
QComboBox* Combo(SettingKey::Field field, const QStringList& labels, int32_t value) {
  const SettingCheck& check = CheckOf(field);
  const std::vector<int32_t> values = check.Choices();
  Q_ASSERT(static_cast<size_t>(labels.size()) == values.size());
  auto* box = new QComboBox;
  box->addItems(labels);
  const auto at = std::find(values.begin(), values.end(), check.Corrected(value));
  box->setCurrentIndex(at == values.end() ? 0 : static_cast<int>(at - values.begin()));
  return box;
}

int32_t ChosenValue(SettingKey::Field field, const QComboBox* box) {
  const SettingCheck& check = CheckOf(field);
  const std::vector<int32_t> values = check.Choices();
  const int index = box->currentIndex();
  return index >= 0 && static_cast<size_t>(index) < values.size() ? values[size_t(index)]
                                                                   : check.fallback;
}

QCheckBox* Check(const QString& text, const QString& objectName, bool checked) {
  auto* box = new QCheckBox(text);
  Name(box, objectName, text);
  box->setChecked(checked);
  return box;
}

QPushButton* Button(const QString& text, const QString& objectName) {
  auto* b = new QPushButton(text);
  Name(b, objectName, text);
  return b;
}

}  // namespace

CMMLConfigSheet::CMMLConfigSheet(const ConfigOptions& options, QWidget* parent)
    : QDialog(parent), options_(options) {
  setObjectName("configSheet");
  setWindowTitle(QStringLiteral("環境設定"));
  tabs_ = new QTabWidget;
  tabs_->setObjectName("pages");
  tabs_->addTab(GeneralPage(), QStringLiteral("一般"));
  tabs_->addTab(FilePage(), QStringLiteral("ファイル"));
  tabs_->addTab(MidiPage(), QStringLiteral("演奏・レコーディング"));
  if (options.synthesizerAvailable) tabs_->addTab(DlsPage(), QStringLiteral("DLS演奏"));
  tabs_->setCurrentIndex(std::clamp(options.page, 0, tabs_->count() - 1));
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(tabs_);
  layout->addWidget(OkCancelButtons(this));
}

QWidget* CMMLConfigSheet::GeneralPage() {
  const AppSettings& s = options_.settings;
  auto* page = new QWidget;
  page->setObjectName("generalPage");
  auto* form = new QFormLayout(page);
  QStringList counts;
  for (int32_t count : CheckOf(&AppSettings::defaultTrackCount).Choices())
    counts << QString::number(count);
  trackCount_ = Combo(&AppSettings::defaultTrackCount, counts, s.defaultTrackCount);
  AddRow(form, QStringLiteral("新規作成時のトラック数(&T) "), trackCount_, "defaultTrackCount");
  QPushButton* font = Button(QStringLiteral("エディタフォント設定(&F)"), "fontButton");
  form->addRow(font);
  windowStyle_ = Combo(&AppSettings::windowStyle, {"Office XP Style", "Office XP 2003 Style"},
                       s.windowStyle);
  AddRow(form, QStringLiteral("ウィンドウスタイル(&S) ※要再起動"), windowStyle_, "windowStyle");
  timeBase_ = Combo(&AppSettings::defaultTimeBase,
                    {QStringLiteral("低精度: 32(TPQN)"), QStringLiteral("標準   : 480(TPQN)"),
                     QStringLiteral("高精度: 960(TPQN)")},
                    s.defaultTimeBase);
  AddRow(form, QStringLiteral("デフォルトの分解能(&R)"), timeBase_, "defaultTimeBase");
  frameRate_ = Combo(&AppSettings::statFrameRate,
                     {QStringLiteral("標準 : 30(FPS)"), QStringLiteral("高　  : 60(FPS)")},
                     s.statFrameRate);
  AddRow(form, QStringLiteral("描画フレームレート(&F)"), frameRate_, "frameRate");
  connect(font, &QPushButton::clicked, this, &CMMLConfigSheet::fontRequested);
  return page;
}

QWidget* CMMLConfigSheet::FilePage() {
  const AppSettings& s = options_.settings;
  auto* page = new QWidget;
  page->setObjectName("filePage");
  auto* layout = new QVBoxLayout(page);
  compatible_ = Check(QStringLiteral("互換性を最大にする(&C)"), "compatible", s.compatible1900);
  compatible_->setToolTip(QStringLiteral("バージョン1.9.0.1以前との互換性を重視して保存します。"));
  compact_ = Check(QStringLiteral("コンパクトに出力する(&M)"), "compact", s.compact);
  compact_->setToolTip(QStringLiteral(
      "コンパクトに出力されます。\nMMLファイルを直接編集する場合はチェックを外して下さい。"));
  autoSave_ = Check(QStringLiteral("自動保存を有効にする(&A)"), "autoSave", s.autoSave);
  QPushButton* doRegister = Button(QStringLiteral("関連付け実行"), "registerButton");
  QPushButton* doRemove = Button(QStringLiteral("関連付け解除"), "unregisterButton");
  layout->addWidget(compatible_);
  layout->addWidget(compact_);
  layout->addWidget(autoSave_);
  auto* association = new QHBoxLayout;
  association->addWidget(doRegister);
  association->addWidget(doRemove);
  layout->addLayout(association);
  layout->addStretch();
  compact_->setEnabled(!s.compatible1900);
  connect(compatible_, &QCheckBox::toggled, compact_, [this](bool on) { compact_->setEnabled(!on); });
  connect(doRegister, &QPushButton::clicked, this, &CMMLConfigSheet::registerRequested);
  connect(doRemove, &QPushButton::clicked, this, &CMMLConfigSheet::unregisterRequested);
  return page;
}

QWidget* CMMLConfigSheet::MidiPage() {
  const AppSettings& s = options_.settings;
  auto* page = new QWidget;
  page->setObjectName("midiPage");
  auto* form = new QFormLayout(page);
  output_ = new QComboBox;
  QString dlsEntry = QStringLiteral("Microsoft DirectMusic DLS");
  for (const OutputChoice& choice : options_.outputs) {
    output_->addItem(QString::fromStdString(choice.name));
    if (choice.outputDls == 1) dlsEntry = QString::fromStdString(choice.name);
  }
  OutputSettings current;
  current.outputDls = s.outputDls;
  current.port = s.porta;
  output_->setCurrentIndex(SelectedOutputChoice(options_.outputs, current));
  AddRow(form, QStringLiteral("出力先(&O)"), output_, "output");
  QStringList resets;
  for (int32_t type : CheckOf(&AppSettings::resetType).Choices())
    resets << QString::fromStdString(std::string(ResetTypeName(type)));
  resetType_ = Combo(&AppSettings::resetType, resets, s.resetType);
  AddRow(form, QStringLiteral("リセットタイプ(&R)"), resetType_, "resetType");
  // The note names the entry this program offers for sound banks.
  auto* note = new QLabel(QStringLiteral("※DLS演奏を行うには、%1を選択します。\nその際は、DLS演奏設定も行ってください。")
                              .arg(dlsEntry));
  note->setObjectName("outputNote");
  form->addRow(note);
  return page;
}

QWidget* CMMLConfigSheet::DlsPage() {
  const AppSettings& s = options_.settings;
  auto* page = new QWidget;
  page->setObjectName("dlsPage");
  auto* form = new QFormLayout(page);
  dlsPath_ = new QLineEdit(FromSjis(s.dlsFilePath));
  QPushButton* browse = Button(QStringLiteral("..."), "dlsBrowseButton");
  browse->setAccessibleName(QStringLiteral("DLS音色ファイルを選択"));
  auto* pathRow = new QHBoxLayout;
  pathRow->addWidget(dlsPath_, 1);
  pathRow->addWidget(browse);
  form->addRow(MakeBuddyLabel(QStringLiteral("DLS音色ファイル(&I)"), dlsPath_, "dlsPath"), pathRow);
  samplingRate_ = Combo(&AppSettings::samplingRate,
                        {"8,000 Hz", "11,025 Hz", "22,050 Hz", "44,100 Hz"}, s.samplingRate);
  AddRow(form, QStringLiteral("サンプリングレート(&S)"), samplingRate_, "samplingRate");
  channels_ = Combo(&AppSettings::dlsChannel,
                    {QStringLiteral("モノラル"), QStringLiteral("ステレオ")}, s.dlsChannel);
  AddRow(form, QStringLiteral("チャンネル(&N)"), channels_, "channels");
  reverb_ = Check(QStringLiteral("リバーブ(&R)"), "reverb", s.enableReverb);
  chorus_ = Check(QStringLiteral("コーラス(&C)"), "chorus", s.enableChorus);
  delay_ = Check(QStringLiteral("ディレイ(&D)"), "delay", s.enableDelay);
  form->addRow(reverb_);
  form->addRow(chorus_);
  form->addRow(delay_);
  volume_ = new QSlider(Qt::Horizontal);
  const SettingCheck& volume = CheckOf(&AppSettings::dlsVolume);
  volume_->setRange(volume.min, volume.max);
  volume_->setSingleStep(10);
  volume_->setTickInterval(10);
  volume_->setTickPosition(QSlider::TicksBelow);
  volume_->setValue(volume.Corrected(s.dlsVolume));
  AddRow(form, QStringLiteral("マスタボリューム(&V)"), volume_, "volume");
  connect(browse, &QPushButton::clicked, this,
          [this] { Q_EMIT dlsBrowseRequested(dlsPath_->text()); });
  return page;
}

void CMMLConfigSheet::SetDlsPath(const QString& path) {
  if (dlsPath_) dlsPath_->setText(path);
}

void CMMLConfigSheet::SetEditorFont(const std::string& sjisName, int32_t size) {
  options_.settings.editorFontName = sjisName;
  options_.settings.editorFontSize = size;
}

ConfigOptions CMMLConfigSheet::options() const {
  ConfigOptions out = options_;
  AppSettings& s = out.settings;
  s.defaultTrackCount = ChosenValue(&AppSettings::defaultTrackCount, trackCount_);
  s.windowStyle = ChosenValue(&AppSettings::windowStyle, windowStyle_);
  s.defaultTimeBase = ChosenValue(&AppSettings::defaultTimeBase, timeBase_);
  s.statFrameRate = ChosenValue(&AppSettings::statFrameRate, frameRate_);
  s.compatible1900 = compatible_->isChecked();
  s.compact = compact_->isChecked();
  s.autoSave = autoSave_->isChecked();
  const int output = output_->currentIndex();
  if (output >= 0 && output < static_cast<int>(options_.outputs.size())) {
    s.outputDls = options_.outputs[static_cast<size_t>(output)].outputDls;
    s.porta = options_.outputs[static_cast<size_t>(output)].port;
  }
  s.resetType = ChosenValue(&AppSettings::resetType, resetType_);
  if (dlsPath_) {
    s.dlsFilePath = ToSjis(dlsPath_->text());
    s.samplingRate = ChosenValue(&AppSettings::samplingRate, samplingRate_);
    s.dlsChannel = ChosenValue(&AppSettings::dlsChannel, channels_);
    s.enableReverb = reverb_->isChecked();
    s.enableChorus = chorus_->isChecked();
    s.enableDelay = delay_->isChecked();
    s.dlsVolume = volume_->value();
  }
  return out;
}

}  // namespace kore::dialogs
