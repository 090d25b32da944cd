#include "app/track_panel.h"

#include "base/shift_jis.h"
#include "song/instruments.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>

namespace kore {

TrackPanel::TrackPanel(CMMLDocument& document, CMMLPlayer& player, QWidget* parent)
    : QWidget(parent), document_(document), player_(player) {
  setObjectName("TrackPanel");
  auto* row = new QHBoxLayout(this);
  row->setContentsMargins(0, 0, 0, 0);
  auto* instrumentLabel = new QLabel(QString::fromUtf8("楽器"), this);
  instrumentBox_ = new QComboBox(this);
  instrumentBox_->setObjectName("InstrumentList");
  instrumentLabel->setBuddy(instrumentBox_);
  for (int32_t i = 0; i < kInstrumentCount; ++i)
    instrumentBox_->addItem(QString::fromStdString(SjisToUtf8Lossy(InstrumentListText(i))));
  connect(instrumentBox_, &QComboBox::activated, this, &TrackPanel::OnInstrumentChosen);
  auto* targetLabel = new QLabel(QString::fromUtf8("ピアノロール"), this);
  targetBox_ = new QComboBox(this);
  targetBox_->setObjectName("PianoRollTarget");
  targetLabel->setBuddy(targetBox_);
  row->addWidget(instrumentLabel);
  row->addWidget(instrumentBox_);
  row->addWidget(targetLabel);
  row->addWidget(targetBox_);
  const char* names[] = {"MUTE", "Solo", "All", "I", "編"};
  for (int i = 0; i < 5; ++i) {
    auto* button = new QPushButton(QString::fromUtf8(names[i]), this);
    button->setObjectName(QString("Panel_%1").arg(QString::fromUtf8(names[i])));
    button->setAccessibleName(QString::fromUtf8(names[i]));
    if (i == 0) {
      button->setCheckable(true);
      muteButton_ = button;
    }
    if (i >= 3) button->setEnabled(false);  // no action is attached to them
    connect(button, &QPushButton::clicked, this, [this, i] { OnButton(i); });
    row->addWidget(button);
  }
  row->addStretch(1);
}

void TrackPanel::OnButton(int which) {
  if (which > 2) return;
  Q_EMIT commandGiven();
  const int32_t current = document_.CurrentTrack();
  auto setMuted = [this](int32_t slot, bool muted) {
    document_.SetMuted(slot, muted);
    player_.SetMuted(slot, muted);
  };
  switch (which) {
    case 0: setMuted(current, muteButton_->isChecked()); break;
    case 1:
      for (int32_t slot = 0; slot < kTrackSlotCount; ++slot) setMuted(slot, slot != current);
      break;
    default:
      for (int32_t slot = 0; slot < kTrackSlotCount; ++slot) setMuted(slot, false);
      break;
  }
  ShowCurrentTrack();
}

void TrackPanel::OnInstrumentChosen(int index) {
  if (updating_ || player_.IsPlaying()) return;
  const int32_t slot = document_.CurrentTrack();
  TrackProperties properties = document_.Track(slot);
  properties.instrument = index;
  if (document_.SetTrackProperties(slot, properties) == 0) Q_EMIT instrumentChanged(slot);
}

void TrackPanel::ShowCurrentTrack() {
  updating_ = true;
  const CMMLTrack& track = document_.Track(document_.CurrentTrack());
  instrumentBox_->setCurrentIndex(track.instrument);
  muteButton_->setChecked(track.muted != 0);
  updating_ = false;
}

void TrackPanel::SetPlaying(bool playing) { instrumentBox_->setEnabled(!playing); }

}  // namespace kore
