#include "app/dialogs/track_property_dialog.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSlider>
#include <QVBoxLayout>
#include <cstdio>

#include "app/dialogs/form.h"
#include "song/instruments.h"

namespace kore::dialogs {
namespace {

QCheckBox* CopyFlag(const QString& fieldLabel, const QString& objectName) {
  auto* box = new QCheckBox(QStringLiteral("コピー対象"));
  // Three boxes share one visible text; the field they stand beside tells them apart.
  Name(box, objectName, QStringLiteral("コピー対象 ") + StripMnemonic(fieldLabel));
  return box;
}

QPushButton* Button(const QString& text, const QString& objectName) {
  auto* b = new QPushButton(text);
  Name(b, objectName, text);
  return b;
}

}  // namespace

QString VolumeLabelText(int32_t volume) { return QStringLiteral("%1%").arg(volume); }

QString PanLabelText(int32_t panpot) {
  if (panpot == 64) return QStringLiteral("0");
  if (panpot < 64) return QStringLiteral("L%1").arg(64 - panpot, 2, 10, QLatin1Char('0'));
  return QStringLiteral("R%1").arg(panpot - 64, 2, 10, QLatin1Char('0'));
}

std::string StartListText(int32_t number, const MidiEvent& marker, const TimeBase& timeBase) {
  char head[32];
  std::snprintf(head, sizeof head, "%03d : ", number);
  char tail[48];
  std::snprintf(tail, sizeof tail, " (%d:%d)", timeBase.MeasureOf(marker.tick),
                timeBase.TickInMeasure(marker.tick));
  return head + std::string(std::string_view(marker.text)) + tail;
}

CMMLTrackPropaty::CMMLTrackPropaty(const TrackPropertyOptions& options, QWidget* parent)
    : QDialog(parent), options_(options) {
  setObjectName("trackPropertyDialog");
  setWindowTitle(QStringLiteral("トラックプロパティ - ") + FromSjis(options.properties.name));
  Build();
  Load(options_.properties);
  // The start marker cannot change during playback.
  start_->setEnabled(!options_.playing);
  copyStart_->setEnabled(!options_.playing);
}

void CMMLTrackPropaty::Build() {
  auto* grid = new QGridLayout;
  int row = 0;
  const QString nameLabel = QStringLiteral("トラック名(&N)");
  name_ = new QLineEdit;
  copyName_ = CopyFlag(nameLabel, "copyName");
  grid->addWidget(MakeBuddyLabel(nameLabel, name_, "trackName"), row, 0);
  grid->addWidget(name_, row, 1);
  grid->addWidget(copyName_, row++, 2);

  const QString instrumentLabel = QStringLiteral("楽器(&I)");
  instrument_ = new QComboBox;
  for (int32_t i = 0; i < kInstrumentCount; ++i) instrument_->addItem(FromSjis(InstrumentListText(i)));
  copyInstrument_ = CopyFlag(instrumentLabel, "copyInstrument");
  grid->addWidget(MakeBuddyLabel(instrumentLabel, instrument_, "instrument"), row, 0);
  grid->addWidget(instrument_, row, 1);
  grid->addWidget(copyInstrument_, row++, 2);

  mute_ = new QCheckBox(QStringLiteral("ミュート(&M)"));
  Name(mute_, "mute", mute_->text());
  grid->addWidget(mute_, row++, 1);

  volume_ = new QSlider(Qt::Horizontal);
  volume_->setRange(0, 127);
  volume_->setPageStep(5);
  volume_->setTickInterval(50);
  volume_->setTickPosition(QSlider::TicksBelow);
  volumeText_ = new QLabel;
  volumeText_->setObjectName("volumeText");
  grid->addWidget(MakeBuddyLabel(QStringLiteral("ボリューム(&V)"), volume_, "volume"), row, 0);
  grid->addWidget(volume_, row, 1);
  grid->addWidget(volumeText_, row++, 2);

  pan_ = new QSlider(Qt::Horizontal);
  pan_->setRange(-64, 63);
  pan_->setPageStep(5);
  pan_->setTickInterval(64);
  pan_->setTickPosition(QSlider::TicksBelow);
  panText_ = new QLabel;
  panText_->setObjectName("panText");
  grid->addWidget(MakeBuddyLabel(QStringLiteral("パンポット(&P)"), pan_, "pan"), row, 0);
  grid->addWidget(pan_, row, 1);
  grid->addWidget(panText_, row++, 2);

  const QString startLabel = QStringLiteral("再生開始位置(&S)");
  start_ = new QComboBox;
  for (const std::string& item : options_.startItems) start_->addItem(FromSjis(item));
  copyStart_ = CopyFlag(startLabel, "copyStart");
  grid->addWidget(MakeBuddyLabel(startLabel, start_, "startPosition"), row, 0);
  grid->addWidget(start_, row, 1);
  grid->addWidget(copyStart_, row++, 2);

  numbering_ = new QCheckBox(QStringLiteral("連番を振る"));
  Name(numbering_, "numbering", numbering_->text());
  grid->addWidget(numbering_, row++, 2);

  destinations_ = new QListWidget;
  destinations_->setSelectionMode(QAbstractItemView::MultiSelection);
  for (const auto& d : options_.destinations) destinations_->addItem(FromSjis(d.properties.name));
  grid->addWidget(MakeBuddyLabel(QStringLiteral("コピー先トラック(&T)"), destinations_,
                                 "destinations"),
                  row, 0, Qt::AlignTop);
  grid->addWidget(destinations_, row++, 1);
  auto* listButtons = new QHBoxLayout;
  QPushButton* load = Button(QStringLiteral("読み込み(&L)"), "loadButton");
  QPushButton* clear = Button(QStringLiteral("クリア(&C)"), "clearButton");
  QPushButton* all = Button(QStringLiteral("全選択(&D)"), "selectAllButton");
  listButtons->addWidget(load);
  listButtons->addWidget(clear);
  listButtons->addWidget(all);
  grid->addLayout(listButtons, row++, 1);

  QDialogButtonBox* buttons = OkCancelButtons(this);
  QPushButton* apply = Button(QStringLiteral("適用(&A)"), "applyButton");
  buttons->addButton(apply, QDialogButtonBox::ActionRole);

  auto* layout = new QVBoxLayout(this);
  layout->addLayout(grid);
  layout->addWidget(buttons);

  connect(volume_, &QSlider::valueChanged, this,
          [this](int v) { volumeText_->setText(VolumeLabelText(v)); });
  connect(pan_, &QSlider::valueChanged, this,
          [this](int v) { panText_->setText(PanLabelText(v + 64)); });
  connect(load, &QPushButton::clicked, this, [this] { LoadSelectedDestination(); });
  connect(clear, &QPushButton::clicked, destinations_, &QListWidget::clearSelection);
  connect(all, &QPushButton::clicked, destinations_, &QListWidget::selectAll);
  connect(apply, &QPushButton::clicked, this, &CMMLTrackPropaty::applyRequested);
}

void CMMLTrackPropaty::Load(const TrackProperties& p) {
  name_->setText(FromSjis(p.name));
  instrument_->setCurrentIndex(p.instrument);
  mute_->setChecked(p.muted != 0);
  volume_->setValue(p.volume);
  volumeText_->setText(VolumeLabelText(p.volume));
  pan_->setValue(p.panpot - 64);
  panText_->setText(PanLabelText(p.panpot));
  if (!options_.playing) start_->setCurrentIndex(p.startMarker);
}

void CMMLTrackPropaty::LoadSelectedDestination() {
  const int row = destinations_->currentRow();
  if (row < 0 || row >= static_cast<int>(options_.destinations.size())) return;
  Load(options_.destinations[static_cast<size_t>(row)].properties);
}

TrackPropertyOptions CMMLTrackPropaty::options() const {
  TrackPropertyOptions out = options_;
  TrackProperties& p = out.properties;
  p.name = ToSjis(name_->text());
  p.instrument = instrument_->currentIndex();
  p.muted = mute_->isChecked() ? 1 : 0;
  p.volume = volume_->value();
  p.panpot = pan_->value() + 64;
  if (!options_.playing && start_->currentIndex() >= 0) p.startMarker = start_->currentIndex();
  out.copyName = copyName_->isChecked();
  out.copyInstrument = copyInstrument_->isChecked();
  out.copyStart = copyStart_->isChecked() && !options_.playing;
  out.numbering = numbering_->isChecked();
  out.selectedDestinations.clear();
  for (int i = 0; i < destinations_->count(); ++i) {
    if (destinations_->item(i)->isSelected()) {
      out.selectedDestinations.push_back(options_.destinations[static_cast<size_t>(i)].slot);
    }
  }
  return out;
}

}  // namespace kore::dialogs
