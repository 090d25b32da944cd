#include "views/monitor.h"

#include <QAccessibleWidget>
#include <QGuiApplication>
#include <QPainter>
#include <QScreen>
#include <array>

#include "base/shift_jis.h"
#include "playback/level_meter.h"
#include "song/instruments.h"
#include "views/document_bridge.h"
#include "views/view_fonts.h"

namespace kore {

namespace {

// The monitor is a window of its own to assistive tools, not a plain panel.
QAccessibleInterface* MonitorWindowFactory(const QString& className, QObject* object) {
  if (className != QLatin1String("kore::CMidiMoniterCtrl")) return nullptr;
  auto* widget = qobject_cast<QWidget*>(object);
  return widget ? new QAccessibleWidget(widget, QAccessible::Window) : nullptr;
}

constexpr std::array<int, 12> kKeyType = {0, 10, 1, 11, 2, 0, 10, 1, 10, 1, 11, 2};
const QColor kMeter(82, 145, 255);
const QColor kSounding(255, 0, 169);

}  // namespace

namespace views {

int MonitorRowsModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : static_cast<int>(monitor_.Slots().size());
}

QVariant MonitorRowsModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid() || role != Qt::DisplayRole) return {};
  return monitor_.RowText(index.row());
}

QVariant MonitorRowsModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (role != Qt::DisplayRole) return {};
  if (orientation == Qt::Horizontal) return section == 0 ? QVariant(QStringLiteral("TRACK")) : QVariant();
  return monitor_.RowText(section);
}

// Fills the window, draws the rows and is the list of tracks to assistive tools.
class MonitorCanvas : public QWidget, public AccessibleRowsHost {
 public:
  explicit MonitorCanvas(CMidiMoniterCtrl& monitor) : QWidget(&monitor), monitor_(monitor) {
    setObjectName("monitorRows");
    setAccessibleName(QString::fromUtf8("トラック一覧"));
    setAttribute(Qt::WA_OpaquePaintEvent);
  }
  QAbstractItemModel* AccessibleModel() const override {
    return const_cast<MonitorRowsModel*>(&monitor_.rows_);
  }
  QAccessible::Role AccessibleRole() const override { return QAccessible::List; }
  QRect CellRect(int row, int) const override {
    if (row < 0 || size_t(row) >= monitor_.Slots().size()) return {};
    return QRect(0, row * CMidiMoniterCtrl::kRowHeight, width(), CMidiMoniterCtrl::kRowHeight);
  }

 protected:
  void paintEvent(QPaintEvent*) override {
    QPainter p(this);
    p.fillRect(rect(), QColor(44, 63, 97));
    for (int row = 0; row < static_cast<int>(monitor_.Slots().size()); ++row)
      monitor_.PaintRow(p, row);
  }

 private:
  CMidiMoniterCtrl& monitor_;
};

}  // namespace views

CMidiMoniterCtrl::CMidiMoniterCtrl(QWidget* parent)
    : QWidget(parent, Qt::Tool | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowCloseButtonHint) {
  views::InstallAccessibleRowsFactory();
  static const bool windowFactory = [] {
    QAccessible::installFactory(MonitorWindowFactory);
    return true;
  }();
  (void)windowFactory;
  setObjectName("performanceMonitor");
  const QString caption = QString::fromUtf8("演奏モニタ 実験版");
  setWindowTitle(caption);
  setAccessibleName(caption);
  setFixedSize(kClientWidth, kClientHeight);
  canvas_ = new views::MonitorCanvas(*this);
  canvas_->setGeometry(rect());
}

void CMidiMoniterCtrl::SetDocument(CMMLDocument* document) {
  delete bridge_;
  bridge_ = nullptr;
  document_ = document;
  if (document) {
    bridge_ = new DocumentBridge(document, this);
    for (auto signal : {&DocumentBridge::refreshViews, &DocumentBridge::songReplaced})
      connect(bridge_, signal, this, &CMidiMoniterCtrl::RefreshRows);
    connect(bridge_, &DocumentBridge::trackCompiled, this, &CMidiMoniterCtrl::RefreshRows);
    connect(bridge_, &DocumentBridge::trackShown, this, &CMidiMoniterCtrl::RefreshRows);
    connect(bridge_, &DocumentBridge::trackHidden, this, &CMidiMoniterCtrl::RefreshRows);
  }
  RefreshRows();
}

void CMidiMoniterCtrl::RefreshRows() {
  std::vector<int32_t> slots;
  if (document_) {
    for (int32_t slot : document_->TrackOrder()) {
      if (slot < 0 || slot >= kTrackSlotCount) break;
      if (document_->Track(slot).inUse) slots.push_back(slot);
    }
  }
  if (slots != slots_) {
    slots_ = std::move(slots);
    rows_.Reset();
    views::NotifyAccessibleRowsReset(canvas_);
  }
  canvas_->update();
}

void CMidiMoniterCtrl::RedrawLevels() { canvas_->update(); }

QWidget* CMidiMoniterCtrl::RowsWidget() const { return canvas_; }

void CMidiMoniterCtrl::MoveTo(int left, int top) {
  if (!QGuiApplication::screenAt(QPoint(left, top))) {
    if (QScreen* primary = QGuiApplication::primaryScreen()) {
      const QPoint origin = primary->availableGeometry().topLeft();
      left = origin.x();
      top = origin.y();
    }
  }
  move(left, top);
}

int32_t CMidiMoniterCtrl::Segments(int32_t slot) const {
  if (!state_) return 0;
  return LevelMeterSegments(DecayedLevel(state_->Level(slot), state_->NowMs(),
                                         state_->NoteOnTime(slot), state_->NoteOffTime(slot)));
}

QString CMidiMoniterCtrl::RowText(int row) const {
  if (!document_ || row < 0 || size_t(row) >= slots_.size()) return {};
  const CMMLTrack& track = document_->Track(slots_[row]);
  return QString("%1, %2, %3")
      .arg(QString::fromStdString(SjisToUtf8Lossy(track.name)))
      .arg(InstrumentProgram(track.instrument))
      .arg(Segments(slots_[row]));
}

QRect CMidiMoniterCtrl::MeterRect(int row) const {
  return QRect(kMeterX, row * kRowHeight + 4, kMeterSegments * 2, 9);
}

void CMidiMoniterCtrl::PaintRow(QPainter& p, int row) const {
  const int32_t slot = slots_[row];
  const CMMLTrack& track = document_->Track(slot);
  const int top = row * kRowHeight;
  p.fillRect(1, top + 1, width() - 2, kRowHeight - 2, QColor(22, 30, 48));
  const QFont small = views::UiJapaneseFont(10);
  p.setFont(small);
  p.setPen(QColor(189, 195, 217));
  p.drawText(4, top + 11, QStringLiteral("TRACK"));
  p.drawText(4, top + 23, QString::asprintf("V%d P%d", track.volume, track.panpot));
  // The programme with its leading zeros dimmed.
  p.setFont(views::FixedJapaneseFont(20));
  const QString digits = QString::asprintf("%03d", InstrumentProgram(track.instrument));
  const int leading = digits.startsWith("00") ? 2 : digits.startsWith('0') ? 1 : 0;
  int x = 52;
  for (int i = 0; i < 3; ++i) {
    p.setPen(i < leading ? QColor(70, 80, 100) : QColor(222, 225, 231));
    p.drawText(x, top + 22, QString(digits[i]));
    x += p.fontMetrics().horizontalAdvance(digits[i]);
  }
  const QRect meter = MeterRect(row);
  const int lit = Segments(slot);
  for (int s = 0; s < kMeterSegments; ++s)
    p.fillRect(meter.left() + 2 * s, meter.top(), 1, meter.height(),
               s < lit ? kMeter : QColor(60, 70, 90));
  // Keyboard of notes 24..118: white keys 4 pixels apart, black keys between them.
  const uint64_t low = state_ ? state_->KeysLow(slot) : 0;
  const uint64_t high = state_ ? state_->KeysHigh(slot) : 0;
  const int keysTop = top + 15;
  int whiteX = kKeysX;
  for (int note = 24; note <= 118; ++note) {
    const bool on = note < 64 ? (low >> note & 1) : (high >> (note - 64) & 1);
    if (kKeyType[note % 12] < 10) {
      p.fillRect(whiteX, keysTop, 3, 9, on ? kSounding : QColor(Qt::white));
      whiteX += 4;
    }
  }
  int blackX = kKeysX + 2;
  for (int note = 24; note <= 118; ++note) {
    const int type = kKeyType[note % 12];
    if (type < 10) continue;
    const bool on = note < 64 ? (low >> note & 1) : (high >> (note - 64) & 1);
    p.fillRect(blackX, keysTop, 3, 5, on ? kSounding : QColor(Qt::black));
    blackX += type == 10 ? 4 : 8;
  }
}

void CMidiMoniterCtrl::showEvent(QShowEvent*) { Q_EMIT visibilityChanged(true); }
void CMidiMoniterCtrl::hideEvent(QHideEvent*) { Q_EMIT visibilityChanged(false); }

}  // namespace kore
