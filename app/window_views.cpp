#include "app/window_views.h"

#include "editor/frame/penna_wnd.h"
#include "views/event_list.h"
#include "views/measure_display.h"
#include "views/monitor.h"
#include "views/piano_keys.h"
#include "views/piano_roll.h"
#include "views/playback_refresh.h"
#include "views/roll_scene.h"

#include <QComboBox>
#include <QWidget>
#include <mutex>

namespace kore {
namespace {

template <typename View>
View* Named(View* view, const char* name) {
  view->setObjectName(QString::fromUtf8(name));
  view->setAccessibleName(QString::fromUtf8(name));
  return view;
}

// Records whose MML an activation selects; bars, ends and state records have no text to show.
bool HasSelectableText(MidiEventKind kind) {
  switch (kind) {
    case MidiEventKind::Note: case MidiEventKind::Rest: case MidiEventKind::Tempo:
    case MidiEventKind::ProgramChange: case MidiEventKind::ControlChange:
    case MidiEventKind::PitchBend: case MidiEventKind::SysEx:
      return true;
    default:
      return false;
  }
}

}  // namespace

WindowViews::WindowViews(CMMLDocument& document, CMMLPlayer& player, AppSettings& settings,
                         Window window)
    : QObject(window.widget), document_(document), player_(player), settings_(settings),
      window_(std::move(window)) {
  QWidget* parent = window_.widget;
  // Each view follows the document through a bridge of its own.
  roll_ = Named(new CPianoRollCtrl(parent), "ピアノロール");
  roll_->SetDocument(&document_);
  roll_->SetZoom(settings_.pianoRollHMag, settings_.pianoRollVMag);
  roll_->SetTarget(views::RollTargetFromSetting(settings_.pianoRollTargetV2));
  list_ = Named(new CCodeListCtrl(parent), "イベントリスト");
  list_->SetDocument(&document_);
  keys_ = Named(new CPianoKeyCtrl(parent), "鍵盤");
  measure_ = new CDigitCtrl(parent);  // names itself after the position it shows
  measure_->setObjectName(QString::fromUtf8("小節表示"));
  monitor_ = new CMidiMoniterCtrl(parent);
  // The views read the player's atomics on its own clock; the player thread never waits on one.
  state_ = std::make_unique<views::PlayerStateOfPlayer>(player_, player_.Clock());
  monitor_->SetDocument(&document_);
  monitor_->SetPlayerState(state_.get());
  refresh_ = new PlaybackViewRefresh(document_, *state_,
                                     {roll_, list_, keys_, measure_, monitor_}, this);
  // The refresh reports a row only when it changes, so no frame walks the track.
  connect(refresh_, &PlaybackViewRefresh::rowPlayed, this, &WindowViews::SelectPlayedRecord);
  connect(roll_, &CPianoRollCtrl::notified, this, &WindowViews::OnRollNotified);
  connect(roll_, &CPianoRollCtrl::command, this, [this](int id, int value) {
    if (window_.markerCommand) window_.markerCommand(static_cast<Cmd>(id), value);
  });
  connect(list_, &CCodeListCtrl::notified, this, &WindowViews::OnListNotified);
  connect(monitor_, &CMidiMoniterCtrl::visibilityChanged, this, [this](bool visible) {
    // Hidden by its own close button while the main window stays: no longer wanted. A monitor
    // hidden with the main window (shutdown) keeps its setting.
    if (visible || (window_.widget && window_.widget->isVisible())) monitorWanted_ = visible;
    Q_EMIT monitorVisibilityChanged();
  });
}

WindowViews::~WindowViews() {
  roll_->SetDocument(nullptr);
  list_->SetDocument(nullptr);
  monitor_->SetDocument(nullptr);
  monitor_->SetPlayerState(nullptr);
}

void WindowViews::AttachTargetList(QComboBox* box) {
  box->clear();
  for (auto target : {views::RollTarget::AllTracks, views::RollTarget::EmphasiseCurrent,
                      views::RollTarget::CurrentOnly})
    box->addItem(QString::fromUtf8(views::RollTargetName(target)));
  box->setCurrentIndex(static_cast<int>(roll_->Target()));
  connect(box, &QComboBox::activated, this, [this](int index) {
    std::lock_guard lock(player_.ViewLock());
    roll_->SetTarget(views::RollTargetFromSetting(index));
    settings_.pianoRollTargetV2 = index;
  });
}

void WindowViews::Frame() {
  std::lock_guard lock(player_.ViewLock());
  refresh_->Frame();
}

void WindowViews::SetPlaying(bool playing) {
  playing_ = playing;
  roll_->SetPlaying(playing);
}

void WindowViews::ShowPosition(int32_t tick, int32_t tempo) {
  std::lock_guard lock(player_.ViewLock());
  const int32_t firstTick = roll_->Geometry().FirstVisibleTick();
  refresh_->ShowStopped(tick);
  // A click in the roll sets the start where the user looks: the roll stays where it is.
  if (keepRollScroll_) roll_->ScrollToTick(firstTick);
  measure_->SetTick(tick, document_.GetTimeBase(), tempo);
  const int row = RowAtOrAfter(tick);
  if (row >= 0) list_->SelectRow(row, true);
}

int WindowViews::RowAtOrAfter(int32_t tick) const {
  const MidiEventList& events = document_.Track(document_.CurrentTrack()).events;
  if (events.empty()) return -1;
  for (size_t i = 0; i < events.size(); ++i)
    if (events[i].tick >= tick) return static_cast<int>(i);
  return 0;
}

void WindowViews::FollowCaret() {
  if (!settings_.editScroll) return;
  CPennaWnd* pane = window_.pane ? window_.pane(document_.CurrentTrack()) : nullptr;
  if (!pane) return;
  const int row = list_->RowForCaret(pane->CaretThrough() + 1);
  if (row >= 0) list_->SelectRow(row, true);
}

void WindowViews::ChannelsChanged() { monitor_->RefreshRows(); }

bool WindowViews::SelectRecordText(int32_t slot, int32_t seq) {
  const MidiEventList& events = document_.Track(slot).events;
  CPennaWnd* pane = window_.pane ? window_.pane(slot) : nullptr;
  if (!pane || seq < 0 || static_cast<size_t>(seq) >= events.size()) return false;
  const MidiEvent& e = events[static_cast<size_t>(seq)];
  if (!HasSelectableText(e.kind)) return false;
  // textEnd is the last byte of the command: the selection ends after it.
  pane->SetSelection(e.textBegin, e.textEnd + 1);
  return true;
}

void WindowViews::SelectPlayedRecord(int slot, int seq) {
  if (settings_.editPlaySelect && slot == document_.CurrentTrack()) SelectRecordText(slot, seq);
}

void WindowViews::OnRollNotified(int code, int type, int value1, int value2) {
  if (playing_) return;
  const auto point = static_cast<views::RollPointType>(type);
  if (code == CPianoRollCtrl::kNotifyStartPosition) {
    keepRollScroll_ = true;
    player_.SetStartPositionCommand(value1);
    keepRollScroll_ = false;
  } else if (code == CPianoRollCtrl::kNotifyActivate) {
    if (point == views::RollPointType::Marker) {
      if (window_.markerCommand) window_.markerCommand(Cmd::MarkerEdit, value1);
    } else if (point == views::RollPointType::Note && document_.Track(value2).inUse) {
      document_.SetCurrentTrack(value2);
      SelectRecordText(value2, value1);
    }
  }
}

void WindowViews::OnListNotified(int code, int row) {
  if (playing_ || code != CCodeListCtrl::kNotifyDoubleClick) return;
  const int32_t slot = document_.CurrentTrack();
  if (!SelectRecordText(slot, row)) return;
  roll_->CenterOnTick(document_.Track(slot).events[static_cast<size_t>(row)].tick);
}

// ------------------------------------------------------------------ monitor window

void WindowViews::ToggleMonitor() {
  monitorWanted_ = !monitor_->isVisible();
  monitor_->setVisible(monitorWanted_);
  if (monitorWanted_) monitor_->raise();
}

bool WindowViews::MonitorVisible() const { return monitor_->isVisible(); }

void WindowViews::RestoreMonitor() {
  monitor_->MoveTo(settings_.monitorLeft, settings_.monitorTop);
  monitorWanted_ = settings_.monitorVisible;
}

void WindowViews::ShowMonitorIfWanted() {
  if (monitorRestored_) return;
  monitorRestored_ = true;
  if (monitorWanted_) monitor_->show();
}

void WindowViews::StoreMonitor() {
  settings_.monitorLeft = monitor_->pos().x();
  settings_.monitorTop = monitor_->pos().y();
  settings_.monitorVisible = monitorWanted_;
}

void WindowViews::StoreZoom() {
  settings_.pianoRollHMag = roll_->Geometry().HMag();
  settings_.pianoRollVMag = roll_->Geometry().VMag();
}

}  // namespace kore
