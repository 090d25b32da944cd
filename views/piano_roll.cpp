#include "views/piano_roll.h"

#include <QMenu>
#include <QMouseEvent>
#include <QScrollBar>
#include <QStyle>
#include <QTextDocument>
#include <QToolTip>
#include <algorithm>

#include "base/shift_jis.h"
#include "views/document_bridge.h"

namespace kore {

using views::RollGeometry;
using views::RollPoint;
using views::RollPointType;

namespace {

constexpr int kZoomBarLength = 80;

QString FromSjis(std::string_view sjis) { return QString::fromStdString(SjisToUtf8Lossy(sjis)); }

}  // namespace

CPianoRollCtrl::CPianoRollCtrl(QWidget* parent)
    : QWidget(parent),
      hScroll_(new QScrollBar(Qt::Horizontal, this)),
      vScroll_(new QScrollBar(Qt::Vertical, this)),
      hZoom_(new QScrollBar(Qt::Horizontal, this)),
      vZoom_(new QScrollBar(Qt::Vertical, this)) {
  setObjectName("pianoRoll");
  setAccessibleName(QString::fromUtf8("ピアノロール"));
  setMouseTracking(true);
  setAttribute(Qt::WA_OpaquePaintEvent);
  hScroll_->setObjectName("pianoRollHScroll");
  vScroll_->setObjectName("pianoRollVScroll");
  hZoom_->setObjectName("pianoRollHZoom");
  vZoom_->setObjectName("pianoRollVZoom");
  hScroll_->setAccessibleName(QString::fromUtf8("横スクロール"));
  vScroll_->setAccessibleName(QString::fromUtf8("縦スクロール"));
  hZoom_->setAccessibleName(QString::fromUtf8("横倍率"));
  vZoom_->setAccessibleName(QString::fromUtf8("縦倍率"));
  hZoom_->setRange(0, RollGeometry::kMaxHMag);
  hZoom_->setSingleStep(16);
  hZoom_->setPageStep(16);
  vZoom_->setRange(0, RollGeometry::kMaxVMag);
  vZoom_->setSingleStep(1);
  vZoom_->setPageStep(1);
  vScroll_->setSingleStep(1);
  vScroll_->setPageStep(3);
  hScroll_->setSingleStep(1);
  connect(hScroll_, &QScrollBar::valueChanged, this, [this](int v) {
    if (syncing_) return;
    geometry_.SetFirstColumn(v);
    RebuildScene();
  });
  connect(vScroll_, &QScrollBar::valueChanged, this, [this](int v) {
    if (syncing_) return;
    geometry_.SetFirstRow(v);
    RebuildScene();
  });
  auto zoom = [this] {
    if (!syncing_) SetZoom(hZoom_->value(), vZoom_->value());
  };
  connect(hZoom_, &QScrollBar::valueChanged, this, zoom);
  connect(vZoom_, &QScrollBar::valueChanged, this, zoom);
  menuRunner = [](QMenu& menu, const QPoint& at) { return menu.exec(at); };
  SyncScrollBars();
}

CPianoRollCtrl::~CPianoRollCtrl() = default;

void CPianoRollCtrl::SetDocument(CMMLDocument* document) {
  delete bridge_;
  bridge_ = nullptr;
  document_ = document;
  slotScroll_.fill(std::nullopt);
  if (document_) {
    bridge_ = new DocumentBridge(document_, this);
    connect(bridge_, &DocumentBridge::refreshViews, this, &CPianoRollCtrl::Rebuild);
    connect(bridge_, &DocumentBridge::trackCompiled, this, &CPianoRollCtrl::Rebuild);
    connect(bridge_, &DocumentBridge::songReplaced, this, [this] {
      slotScroll_.fill(std::nullopt);
      currentTrack_ = document_->CurrentTrack();
      Rebuild();
      geometry_.SetFirstColumn(0);
      FitCurrentPitchRange();
      RebuildScene();
    });
    connect(bridge_, &DocumentBridge::currentTrackChanged, this, &CPianoRollCtrl::SetCurrentTrack);
    connect(bridge_, &DocumentBridge::trackTextReset, this, &CPianoRollCtrl::Forget);
    currentTrack_ = document_->CurrentTrack();
  }
  Rebuild();
  FitCurrentPitchRange();
  RebuildScene();
}

void CPianoRollCtrl::Forget(int32_t slot) {
  if (slot >= 0 && slot < kTrackSlotCount) slotScroll_[slot].reset();
}

void CPianoRollCtrl::Rebuild() {
  if (document_) {
    geometry_.SetTimeBase(document_->GetTimeBase());
    const SongEventList& song = document_->SongEvents();
    geometry_.SetSongEnd(song.empty() ? 0 : song[song.size() - 1].tick);
    scene_.SetSong(&song, &document_->Markers(), document_->LongestNoteBound());
  } else {
    scene_.SetSong(nullptr, nullptr);
  }
  scene_.SetTarget(scene_.Target(), currentTrack_);
  RebuildScene();
}

void CPianoRollCtrl::SetCurrentTrack(int32_t slot) {
  if (slot < 0 || slot >= kTrackSlotCount) return;
  if (currentTrack_ >= 0 && currentTrack_ < kTrackSlotCount)
    slotScroll_[currentTrack_] = SlotScroll{geometry_.FirstColumn(), geometry_.FirstRow()};
  currentTrack_ = slot;
  scene_.SetTarget(scene_.Target(), slot);
  if (slotScroll_[slot]) {
    geometry_.SetFirstColumn(slotScroll_[slot]->column);
    geometry_.SetFirstRow(slotScroll_[slot]->row);
  } else {
    FitCurrentPitchRange();
  }
  RebuildScene();
}

void CPianoRollCtrl::FitCurrentPitchRange() {
  if (!document_) return;
  int32_t low = 128, high = -1;
  for (const MidiEvent& e : document_->Track(currentTrack_).events) {
    if (e.kind != MidiEventKind::Note) continue;
    low = std::min<int32_t>(low, e.note);
    high = std::max<int32_t>(high, e.note);
  }
  if (high < 0) {
    low = 48;  // an empty track shows the middle octaves
    high = 83;
  }
  geometry_.ShowPitchRange(low, high);
}

void CPianoRollCtrl::ScrollToTick(int32_t tick) {
  geometry_.ScrollToTick(tick);
  QToolTip::hideText();
  RebuildScene();
}

void CPianoRollCtrl::CenterOnTick(int32_t tick) {
  geometry_.CenterOnTick(tick);
  RebuildScene();
}

void CPianoRollCtrl::FollowTick(int32_t tick) {
  if (!geometry_.IsTickVisible(tick)) {
    geometry_.ScrollToTick(tick);
    QToolTip::hideText();
    RebuildScene();
  }
  SetPlayCursor(tick);
}

void CPianoRollCtrl::SetPlayCursor(int32_t tick) {
  if (tick == playCursor_) return;
  // Only the strips under the old and the new cursor are drawn again.
  const QRect canvas = CanvasRect();
  for (int32_t t : {playCursor_, tick}) {
    if (t < 0) continue;
    const int x = geometry_.XOfTick(t);
    update(QRect(x - 1, 0, 4, canvas.height()).intersected(canvas));
  }
  playCursor_ = tick;
}

void CPianoRollCtrl::SetStartMark(int32_t tick) {
  startMark_ = std::max(0, tick);
  update(CanvasRect());
}

void CPianoRollCtrl::SetZoom(int32_t hMag, int32_t vMag) {
  const int32_t oldH = geometry_.HMag(), oldV = geometry_.VMag();
  geometry_.SetMagnification(hMag, vMag);
  RebuildScene();
  if (geometry_.HMag() != oldH || geometry_.VMag() != oldV)
    Q_EMIT zoomChanged(geometry_.HMag(), geometry_.VMag());
}

void CPianoRollCtrl::SetTarget(views::RollTarget target) {
  scene_.SetTarget(target, currentTrack_);
  RebuildScene();
}

QRect CPianoRollCtrl::CanvasRect() const {
  const int sb = style()->pixelMetric(QStyle::PM_ScrollBarExtent);
  return QRect(0, 0, std::max(0, width() - sb), std::max(0, height() - sb));
}

void CPianoRollCtrl::resizeEvent(QResizeEvent*) {
  LayoutScrollBars();
  RebuildScene();
}

void CPianoRollCtrl::LayoutScrollBars() {
  const int sb = style()->pixelMetric(QStyle::PM_ScrollBarExtent);
  const QRect c = CanvasRect();
  const int hZoomW = std::min(kZoomBarLength, c.width() / 3);
  const int vZoomH = std::min(kZoomBarLength, c.height() / 3);
  hScroll_->setGeometry(0, c.height(), c.width() - hZoomW, sb);
  hZoom_->setGeometry(c.width() - hZoomW, c.height(), hZoomW, sb);
  vScroll_->setGeometry(c.width(), 0, sb, c.height() - vZoomH);
  vZoom_->setGeometry(c.width(), c.height() - vZoomH, sb, vZoomH);
}

void CPianoRollCtrl::SyncScrollBars() {
  syncing_ = true;
  hScroll_->setRange(0, geometry_.MaxFirstColumn());
  hScroll_->setPageStep(std::max(1, geometry_.VisibleColumns()));
  hScroll_->setValue(geometry_.FirstColumn());
  vScroll_->setRange(0, geometry_.MaxFirstRow());
  vScroll_->setValue(geometry_.FirstRow());
  hZoom_->setValue(geometry_.HMag());
  vZoom_->setValue(geometry_.VMag());
  syncing_ = false;
}

void CPianoRollCtrl::RebuildScene() {
  const QRect c = CanvasRect();
  geometry_.SetViewSize(c.width(), c.height());
  scene_.Rebuild(geometry_);
  LayoutMarkerFlags();
  SyncScrollBars();
  toolTipTick_ = toolTipTrack_ = -1;
  update();
}

void CPianoRollCtrl::LayoutMarkerFlags() {
  const QFontMetrics metrics(font());
  for (views::RollMarker& m : scene_.Markers()) {
    const int x = geometry_.XOfTick(m.tick);
    const int textWidth = metrics.horizontalAdvance(FromSjis(m.name));
    m.flag = {x, 13, x + 8 + textWidth, RollGeometry::kRulerHeight - 1};
  }
}

void CPianoRollCtrl::mousePressEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton) return;
  leftDown_ = true;
  QToolTip::hideText();
  const QPoint pos = event->position().toPoint();
  const RollPoint point = scene_.Classify(pos.x(), pos.y(), geometry_);
  if (point.type != RollPointType::Empty && point.type != RollPointType::Note &&
      point.type != RollPointType::Marker)
    return;
  const int32_t tick = geometry_.TickAtX(pos.x());
  // While playing the mark would claim a start the player is not using.
  if (!playing_) SetStartMark(tick);
  Q_EMIT notified(kNotifyStartPosition, static_cast<int>(point.type), tick, 0);
}

void CPianoRollCtrl::mouseReleaseEvent(QMouseEvent* event) {
  const QPoint pos = event->position().toPoint();
  if (event->button() == Qt::LeftButton) {
    leftDown_ = false;
    return;
  }
  if (event->button() != Qt::RightButton) return;
  const RollPoint point = scene_.Classify(pos.x(), pos.y(), geometry_);
  if (point.type == RollPointType::Ruler) {
    if (!playing_) SetStartMark(point.value1);
    Q_EMIT notified(kNotifyStartPosition, static_cast<int>(point.type), point.value1, 0);
  }
  Q_EMIT notified(kNotifyRightClick, static_cast<int>(point.type), point.value1, point.value2);
  if (!playing_ && (point.type == RollPointType::Ruler || point.type == RollPointType::Marker))
    ShowMarkerMenu(point, event->globalPosition().toPoint());
}

void CPianoRollCtrl::ShowMarkerMenu(const RollPoint& point, const QPoint& globalPos) {
  QMenu menu(this);
  menu.setObjectName("markerMenu");
  const bool onMarker = point.type == RollPointType::Marker;
  auto add = [&](const char* text, int id) {
    QAction* action = menu.addAction(QString::fromUtf8(text));
    action->setData(id);
  };
  if (onMarker) {
    add("マーカーを削除(&D)", kMenuDeleteMarker);
    add("マーカーを編集(&E)", kMenuEditMarker);
  } else {
    add("マーカーを作成(&M)", kMenuCreateMarker);
  }
  add("キャンセル(&C)", kMenuCancel);
  QAction* chosen = menuRunner(menu, globalPos);
  if (!chosen) return;
  const int id = chosen->data().toInt();
  if (id != kMenuCancel) Q_EMIT command(id, point.value1);
}

void CPianoRollCtrl::mouseDoubleClickEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton) return;
  const QPoint pos = event->position().toPoint();
  const RollPoint point = scene_.Classify(pos.x(), pos.y(), geometry_);
  Q_EMIT notified(kNotifyActivate, static_cast<int>(point.type), point.value1, point.value2);
}

void CPianoRollCtrl::mouseMoveEvent(QMouseEvent* event) {
  const QPoint pos = event->position().toPoint();
  const int32_t note = pos.x() < RollGeometry::kKeyStripWidth || pos.y() >= CanvasRect().height()
                           ? -1 : geometry_.NoteAtY(pos.y());
  if (note != hoverNote_) {
    hoverNote_ = note;
    update(QRect(0, 0, RollGeometry::kKeyStripWidth, CanvasRect().height()));
  }
  if (!leftDown_ && pos.x() >= RollGeometry::kKeyStripWidth) UpdateToolTip(pos);
}

void CPianoRollCtrl::leaveEvent(QEvent*) {
  hoverNote_ = -1;
  update(QRect(0, 0, RollGeometry::kKeyStripWidth, height()));
}

void CPianoRollCtrl::wheelEvent(QWheelEvent* event) {
  const int notches = event->angleDelta().y() / 120;
  if (notches == 0) return;
  geometry_.SetFirstRow(geometry_.FirstRow() - notches * 3);
  RebuildScene();
}

void CPianoRollCtrl::UpdateToolTip(const QPoint& pos) {
  const RollPoint point = scene_.Classify(pos.x(), pos.y(), geometry_);
  int32_t tick = -1, track = -1;
  std::string text;
  QColor colour;
  if (point.type == RollPointType::Note) {
    const views::RollNote& n = scene_.Notes()[point.hit];
    tick = n.tick;
    track = n.track;
    text = views::NoteTooltip(n);
    colour = FillColour(n.track);
  } else if (point.type == RollPointType::Marker) {
    const views::RollMarker& m = scene_.Markers()[point.hit];
    tick = m.tick;
    track = -2 - m.number;  // markers never share a key with Notes
    text = views::MarkerTooltip(m, document_ ? document_->GetTimeBase() : TimeBase{});
    colour = QColor(m.colour & 0xFF, (m.colour >> 8) & 0xFF, (m.colour >> 16) & 0xFF);
  }
  if (tick == toolTipTick_ && track == toolTipTrack_) return;
  toolTipTick_ = tick;
  toolTipTrack_ = track;
  toolTipText_ = text.empty() ? QString() : FromSjis(text);
  toolTipColour_ = colour;
  setCursor(point.type == RollPointType::Marker ? Qt::PointingHandCursor : Qt::ArrowCursor);
  if (toolTipText_.isEmpty()) {
    QToolTip::hideText();
    return;
  }
  QPalette palette = QToolTip::palette();
  palette.setColor(QPalette::ToolTipBase, colour);
  QToolTip::setPalette(palette);
  // Shown as plain text: MML such as "<b" must not turn into markup.
  QToolTip::showText(mapToGlobal(pos), Qt::convertFromPlainText(toolTipText_, Qt::WhiteSpacePre),
                     this);
}

}  // namespace kore
