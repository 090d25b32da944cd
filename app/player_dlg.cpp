#include "app/player_dlg.h"

#include "app/input_hold.h"
#include "app/instance_marker.h"
#include "app/status_text.h"
#include "app/track_panel.h"
#include "app/track_panes.h"
#include "app/window_views.h"
#include "base/shift_jis.h"
#include "editor/frame/penna_frame.h"
#include "editor/penna.h"
#include "editor/penna_event.h"
#include "playback/play_list.h"
#include "views/event_list.h"
#include "views/measure_display.h"
#include "views/piano_keys.h"
#include "views/piano_roll.h"
#include "views/playback_refresh.h"

#include <QAbstractScrollArea>
#include <QApplication>
#include <QCloseEvent>
#include <QCursor>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QMessageBox>
#include <QMimeData>
#include <QSplitter>
#include <QStatusBar>
#include <QTabBar>
#include <QVBoxLayout>
#include <chrono>
#include <mutex>
#include <optional>

#ifndef KORE_VERSION_MAJOR
#define KORE_VERSION_MAJOR 0
#define KORE_VERSION_MINOR 0
#define KORE_VERSION_PATCH 0
#define KORE_VERSION_TWEAK 0
#endif

namespace kore {
namespace {

constexpr int32_t kTrackEditors = kTrackSlotCount;
constexpr char kAppTitle[] = "KOR EDITOR";

QString Q(const std::string& utf8) { return QString::fromStdString(utf8); }
QString FromSjis(std::string_view sjis) { return Q(SjisToUtf8Lossy(sjis)); }

uint32_t PackedVersion() {
  return (uint32_t{KORE_VERSION_MAJOR} << 24) | (uint32_t{KORE_VERSION_MINOR} << 16) |
         (uint32_t{KORE_VERSION_PATCH} << 8) | uint32_t{KORE_VERSION_TWEAK};
}

// Shows the core's messages ("これ以上トラックを追加できません", ...) in a box.
class BoxNotifier : public Notifier {
 public:
  explicit BoxNotifier(QWidget* parent) : parent_(parent) {}
  void Notify(NotifySeverity severity, std::string_view message) override {
    QMessageBox::Icon icon = severity == NotifySeverity::Error     ? QMessageBox::Critical
                             : severity == NotifySeverity::Warning ? QMessageBox::Warning
                                                                   : QMessageBox::Information;
    QMessageBox box(icon, kAppTitle, FromSjis(message), QMessageBox::Ok, parent_);
    box.exec();
  }

 private:
  QWidget* parent_;
};

}  // namespace

CMMLPlayerDlg::CMMLPlayerDlg(AppSettings& settings, std::vector<std::string> recentFiles,
                             PlayerClock* clock, QWidget* parent)
    : QMainWindow(parent),
      settings_(settings),
      player_(clock),
      ui_(this),
      commands_(document_, settings_, ui_) {
  setObjectName("CMMLPlayerDlg");
  SetInstanceMarker(*this, kInstanceMarker, PackedVersion());
  static BoxNotifier* notifier = nullptr;
  if (!notifier) notifier = new BoxNotifier(nullptr);
  document_.SetNotifier(notifier);
  commands_.RecentFiles() = std::move(recentFiles);
  commands_.SetStopPlayback([this] { StopPlayback(); });
  viewMode_ = settings_.viewMode;

  actions_ = new CommandActions(this);
  connect(actions_, &CommandActions::command, this, &CMMLPlayerDlg::RunCommand);
  connect(actions_, &CommandActions::recentChosen, this, &CMMLPlayerDlg::RecentChosen);
  actions_->SetRecentFiles(commands_.RecentFiles());
  BuildWidgets();
  documentBridge_.SetDocument(&document_);
  panes_ = new TrackPanes(document_, documentBridge_, tabs_, frame_, this);
  commands_.SetPaneReload([this](int32_t slot) { panes_->ReloadPane(slot); });
  connect(panes_, &TrackPanes::Edited, this, [this] {
    views_->FollowCaret();
    UpdateStatus();
    UpdateCommandStates();
  });
  connect(&documentBridge_, &DocumentBridge::captionChanged, this, [this] {
    UpdateCaption();
    UpdateCommandStates();
  });
  connect(&documentBridge_, &DocumentBridge::stopPlayback, this, &CMMLPlayerDlg::StopPlayback);
  connect(&documentBridge_, &DocumentBridge::currentTrackChanged, this, [this] {
    UpdateCaption();
    UpdateStatus();
    ShowTrackPanel();
  });
  connect(&documentBridge_, &DocumentBridge::songReplaced, this, [this] {
    for (int32_t slot = 0; slot < kTrackSlotCount; ++slot) InitChannel(slot);
    player_.SetStartPosition(0);
    UpdateStatus();
    ShowTrackPanel();
  });
  ConnectPlayer();
  ApplyHooksAvailability();
  setAcceptDrops(true);
}

CMMLPlayerDlg::~CMMLPlayerDlg() {
  player_.StopPlayback();
  player_.SetObserver(nullptr);
  // The views are children, destroyed after the document: they let go of it first.
  delete views_;
  views_ = nullptr;
  documentBridge_.SetDocument(nullptr);
}

// ------------------------------------------------------------------ layout

void CMMLPlayerDlg::BuildWidgets() {
  WindowViews::Window hooks;
  hooks.widget = this;
  hooks.pane = [this](int32_t slot) { return frame_ ? frame_->Editor(slot) : nullptr; };
  hooks.markerCommand = [this](Cmd id, int32_t value) { MarkerCommand(id, value); };
  views_ = new WindowViews(document_, player_, settings_, std::move(hooks));
  connect(views_, &WindowViews::monitorVisibilityChanged, this,
          &CMMLPlayerDlg::UpdateCommandStates);

  auto* central = new QWidget(this);
  auto* layout = new QVBoxLayout(central);
  layout->setContentsMargins(2, 2, 2, 2);
  panel_ = new TrackPanel(document_, player_, central);
  views_->AttachTargetList(panel_->TargetList());
  connect(panel_, &TrackPanel::commandGiven, this, &CMMLPlayerDlg::Autosave);
  connect(panel_, &TrackPanel::instrumentChanged, this, [this](int slot) {
    InitChannel(slot);
    UpdateCommandStates();
  });
  layout->addWidget(panel_);

  outerSplitter_ = new QSplitter(Qt::Horizontal, central);
  outerSplitter_->setObjectName("CMMLSplitterWnd");
  viewSplitter_ = new QSplitter(Qt::Vertical, outerSplitter_);
  viewSplitter_->setObjectName("ViewSplitter");
  editorArea_ = new QWidget(viewSplitter_);
  auto* editorLayout = new QVBoxLayout(editorArea_);
  editorLayout->setContentsMargins(0, 0, 0, 0);
  editorLayout->setSpacing(0);
  tabs_ = new QTabBar(editorArea_);
  tabs_->setObjectName("TrackTabs");
  tabs_->setAccessibleName(QString::fromUtf8("トラック"));
  tabs_->setContextMenuPolicy(Qt::CustomContextMenu);
  // Without a floor the editor area's layout squeezes the bar to nothing.
  tabs_->setMinimumHeight(tabs_->fontMetrics().height() + 10);
  tabs_->setExpanding(false);
  connect(tabs_, &QWidget::customContextMenuRequested, this, [this](const QPoint& at) {
    int tab = tabs_->tabAt(at);
    if (tab < 0) return;
    tabs_->setCurrentIndex(tab);
    actions_->TabMenu()->popup(tabs_->mapToGlobal(at));
  });
  frame_ = new CPennaFrame(editorArea_);
  frame_->SetMessageTarget(this);
  editorLayout->addWidget(tabs_);
  editorLayout->addWidget(frame_, 1);
  viewSplitter_->addWidget(views_->Roll());
  viewSplitter_->addWidget(editorArea_);
  outerSplitter_->addWidget(viewSplitter_);
  outerSplitter_->addWidget(EventListArea());
  outerSplitter_->setStretchFactor(0, 3);
  outerSplitter_->setStretchFactor(1, 1);
  layout->addWidget(outerSplitter_, 1);
  setCentralWidget(central);

  frame_->resize(600, 300);
  frame_->Create(kTrackEditors);
  std::string face = settings_.editorFontName.empty() ? Utf8ToSjisLossy("ＭＳ ゴシック")
                                                      : settings_.editorFontName;
  frame_->SetFontForAll(face, settings_.editorFontSize);
  for (int32_t i = 0; i < frame_->Count(); ++i) {
    auto* area = qobject_cast<QAbstractScrollArea*>(frame_->Editor(i)->Widget());
    if (area) area->viewport()->installEventFilter(this);
    frame_->Editor(i)->Widget()->setAccessibleName(QString::fromUtf8("MML"));
  }

  for (size_t i = 0; i < status_.size(); ++i) {
    status_[i] = new QLabel(this);
    status_[i]->setObjectName(QString("StatusPart%1").arg(i));
    statusBar()->addWidget(status_[i], i == 3 ? 1 : 0);
  }
  // The keyboard and the measure display stay in sight in every view mode.
  for (QWidget* view : std::initializer_list<QWidget*>{views_->Keys(), views_->Measure()}) {
    view->setFixedSize(view->sizeHint());  // the display's digits grow with its height
    statusBar()->addPermanentWidget(view);
  }
  SetViewMode(viewMode_);
  EventListArea()->setVisible(viewMode_ == 0);
  resize(960, 720);
}

QWidget* CMMLPlayerDlg::EventListArea() const { return views_->List(); }

void CMMLPlayerDlg::CopyViewSizes() {
  QList<int> sizes = viewSplitter_->sizes();
  if (sizes.isEmpty() || sizes[0] < 1) return;
  if (viewMode_ == 1) {
    settings_.pianoRollWidth = sizes[0];
  } else {
    settings_.pianoRollHeight = sizes[0];
  }
}

void CMMLPlayerDlg::SetViewMode(int32_t mode) {
  if (mode < 0 || mode > 2) return;
  bool first = viewSplitter_->property("laidOut").isNull();
  if (mode == viewMode_ && !first) return;
  std::lock_guard lock(player_.ViewLock());
  if (!first) CopyViewSizes();
  viewMode_ = mode;
  settings_.viewMode = mode;
  viewSplitter_->setOrientation(mode == 1 ? Qt::Horizontal : Qt::Vertical);
  ApplyViewSizes();
  viewSplitter_->setProperty("laidOut", true);
  EventListArea()->setVisible(mode == 0);
  UpdateCommandStates();
}

void CMMLPlayerDlg::ApplyViewSizes() {
  int pianoRoll = viewMode_ == 1 ? settings_.pianoRollWidth : settings_.pianoRollHeight;
  int whole = viewMode_ == 1 ? viewSplitter_->width() : viewSplitter_->height();
  viewSplitter_->setSizes({pianoRoll, std::max(1, std::max(whole, 2 * pianoRoll) - pianoRoll)});
}

void CMMLPlayerDlg::showEvent(QShowEvent* event) {
  QMainWindow::showEvent(event);
  // The splitter knows its own size only once shown.
  if (!viewSplitter_->property("shown").isValid()) {
    viewSplitter_->setProperty("shown", true);
    ApplyViewSizes();
  }
  views_->ShowMonitorIfWanted();
}

void CMMLPlayerDlg::StoreWindowSettings() {
  CopyViewSizes();
  views_->StoreMonitor();
  views_->StoreZoom();
  WindowPlacementSettings& p = settings_.placement;
  QRect normal = normalGeometry().isValid() ? normalGeometry() : geometry();
  p.showCmd = isMaximized() ? 3 : (isMinimized() ? 2 : 1);
  p.left = normal.left();
  p.top = normal.top();
  p.right = normal.right() + 1;
  p.bottom = normal.bottom() + 1;
}

void CMMLPlayerDlg::ApplyWindowSettings() {
  const WindowPlacementSettings& p = settings_.placement;
  QRect saved(QPoint(p.left, p.top), QPoint(p.right - 1, p.bottom - 1));
  bool onScreen = false;
  for (QScreen* screen : QGuiApplication::screens())
    onScreen |= screen->availableGeometry().intersects(saved);
  if (saved.width() > 100 && saved.height() > 100) {
    if (onScreen) {
      setGeometry(saved);
    } else if (QScreen* screen = QGuiApplication::primaryScreen()) {
      // A placement off every screen (a monitor that is gone) is replaced by a centred one.
      QRect area = screen->availableGeometry();
      resize(saved.size().boundedTo(area.size()));
      move(area.center() - rect().center());
    }
  }
  if (p.showCmd == 3) setWindowState(windowState() | Qt::WindowMaximized);
  views_->RestoreMonitor();
}

// ------------------------------------------------------------------ start-up

void CMMLPlayerDlg::BuildEmptySong() {
  document_.NewSong(settings_.defaultTrackCount, settings_.defaultTimeBase);
  commands_.RestartStamp();
  UpdateCaption();
  UpdateStatus();
  UpdateCommandStates();
}

bool CMMLPlayerDlg::OpenCommandLinePath(const std::string& path) {
  if (commands_.OpenPath(path)) {
    actions_->SetRecentFiles(commands_.RecentFiles());
    return true;
  }
  return false;
}

void CMMLPlayerDlg::SetDevice(std::unique_ptr<CMidiDevice> device) {
  player_.SetDevice(nullptr);
  sharedDevice_.reset();
  device_ = std::move(device);
  if (device_) sharedDevice_ = std::make_unique<CSerializedMidiDevice>(*device_);
  player_.SetDevice(sharedDevice_.get());
  UpdateCommandStates();
}

void CMMLPlayerDlg::InitChannel(int32_t slot) {
  // The device's own lock keeps this from sending at once with the player thread; the view
  // lock keeps the monitor's rows from being redrawn under a frame.
  kore::InitChannel(sharedDevice_.get(), output_.outputDls, slot, document_.Track(slot));
  std::lock_guard lock(player_.ViewLock());
  views_->ChannelsChanged();
}

int CMMLPlayerDlg::OpenOutputDevice() {
  std::array<TrackProperties, kTrackSlotCount> slots;
  for (int32_t slot = 0; slot < kTrackSlotCount; ++slot)
    slots[static_cast<size_t>(slot)] = document_.Track(slot);
  QMessageBox* waiting = nullptr;
  OutputOpenHooks hooks;
  hooks.showWaiting = [&] {
    waiting = new QMessageBox(QMessageBox::NoIcon, kAppTitle, FromSjis(OpeningMessage()),
                              QMessageBox::NoButton, this);
    waiting->setObjectName("OpeningBox");
    waiting->show();
    QApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
  };
  hooks.hideWaiting = [&] {
    delete waiting;
    waiting = nullptr;
  };
  hooks.askOpenSettings = [this](const std::string& message, const std::string& caption,
                                 OutputSettings& settings) {
    if (hooks_.askOpenSettings) return hooks_.askOpenSettings(message, caption, settings);
    QMessageBox box(QMessageBox::Warning, FromSjis(caption), FromSjis(message),
                    QMessageBox::Yes | QMessageBox::No, this);
    box.setObjectName("OpenFailureBox");
    box.exec();
    return false;  // Yes has no configuration sheet to show yet
  };
  hooks.notifier = document_.GetNotifier();
  std::unique_ptr<CMidiDevice> device;
  int rc = OpenOutput(device, output_, slots, hooks);
  delete waiting;
  if (rc == 0) SetDevice(std::move(device));
  return rc;
}

// ------------------------------------------------------------------ player

void CMMLPlayerDlg::ConnectPlayer() {
  player_.SetObserver(&playerBridge_);
  player_.SetDevice(sharedDevice_.get());
  player_.SetDeviceOpener([this]() -> CMidiDevice* {
    OpenOutputDevice();
    return sharedDevice_.get();
  });
  // Only the player's notifications may be delivered while it is waited for: user input would
  // start nested commands.
  player_.SetMessagePump([] { QApplication::processEvents(QEventLoop::ExcludeUserInputEvents); });
  connect(&playerBridge_, &PlayerBridge::finished, this, [this] { player_.HandleFinished(); });
  connect(&playerBridge_, &PlayerBridge::playingChanged, this, &CMMLPlayerDlg::OnPlayingChanged);
  connect(&playerBridge_, &PlayerBridge::positionShown, views_, &WindowViews::ShowPosition);
  frameTimer_.setInterval(PlaybackViewRefresh::IntervalMs(settings_.statFrameRate));
  connect(&frameTimer_, &QTimer::timeout, views_, &WindowViews::Frame);
}

void CMMLPlayerDlg::StopPlayback() {
  // The pump excludes input from the window system; what comes another way (an accessibility
  // action, a posted event) must not start a command inside this one either.
  const bool nested = stopping_;
  stopping_ = true;
  {
    std::optional<UserInputHold> hold;
    if (!nested) hold.emplace();
    player_.StopPlayback();
  }
  stopping_ = nested;
  // A Finished notice delivered while waiting was ignored: clean up here.
  player_.HandleFinished();
  if (nested || deferred_.empty()) return;
  std::vector<std::pair<Cmd, bool>> commands = std::move(deferred_);
  deferred_.clear();
  for (const auto& [id, viaShortcut] : commands)
    QMetaObject::invokeMethod(this, [this, id, viaShortcut] { RunCommand(id, viaShortcut); },
                              Qt::QueuedConnection);
}

void CMMLPlayerDlg::OnPlayingChanged(bool playing) {
  panes_->SetPlaying(playing);
  views_->SetPlaying(playing);
  setAcceptDrops(!playing);
  panel_->SetPlaying(playing);
  if (playing) {
    frameTimer_.start();
  } else {
    frameTimer_.stop();
  }
  UpdateStatus();
  UpdateCommandStates();
  UpdateCaption();
}

int32_t CMMLPlayerDlg::CaretRecordTick() const {
  CPennaWnd* pane = CurrentPane();
  if (!pane) return 0;
  int32_t offset = pane->CaretThrough();  // caret offset - 1 of the 1-based through position
  for (const MidiEvent& e : document_.Track(document_.CurrentTrack()).events)
    if (e.textBegin >= offset) return e.tick;
  return 0;
}

void CMMLPlayerDlg::TransportCommand(Cmd id) {
  bool startsPlayback = id == Cmd::Play || id == Cmd::PlayFromCaret ||
                        (id == Cmd::PlayPauseToggle && !player_.IsPlaying());
  // The measure steps read the song's end and measure length while stopped, too: before the
  // first play and after edits they must see the text as it is now.
  bool readsSong = startsPlayback || id == Cmd::BackMeasure || id == Cmd::ForwardMeasure;
  if (readsSong && !player_.IsPlaying() && !player_.IsBusy())
    player_.SetSong(std::make_shared<const PlaybackSong>(MakePlaybackSong(document_)));
  switch (id) {
    case Cmd::Play: player_.Play(); break;
    case Cmd::Pause: player_.Pause(); break;
    case Cmd::PlayPauseToggle: player_.TogglePlayPause(); break;
    case Cmd::Stop: player_.Stop(); break;
    case Cmd::BackMeasure: player_.BackOneMeasure(); break;
    case Cmd::ForwardMeasure: player_.ForwardOneMeasure(); break;
    case Cmd::Rewind: player_.Rewind(); break;
    case Cmd::PlayFromCaret: player_.PlayFrom(CaretRecordTick()); break;
    case Cmd::SetStartPosition: player_.SetStartPositionCommand(CaretRecordTick()); break;
    case Cmd::Loop: player_.ToggleLoop(); break;
    default: break;
  }
}

// ------------------------------------------------------------------ commands

void CMMLPlayerDlg::Autosave() {
  if (!settings_.autoSave || autosaveFolder_.empty()) return;
  commands_.Autosave(autosaveFolder_);
}

void CMMLPlayerDlg::ApplyHooksAvailability() { UpdateCommandStates(); }

void CMMLPlayerDlg::RunCommand(Cmd id, bool viaShortcut) {
  if (stopping_) {
    deferred_.emplace_back(id, viaShortcut);
    return;
  }
  if (!viaShortcut) Autosave();
  if (QAction* action = actions_->Action(id); action && !action->isEnabled()) return;
  auto call = [](const std::function<void()>& hook) {
    if (hook) hook();
  };
  switch (id) {
    case Cmd::New: commands_.NewSong(); break;
    case Cmd::Open: commands_.Open(); break;
    case Cmd::Save: commands_.Save(false); break;
    case Cmd::SaveAs: commands_.Save(true); break;
    case Cmd::ClipboardImport:
      hooks_.clipboardImport ? hooks_.clipboardImport() : commands_.ImportClipboard();
      break;
    case Cmd::SmfImport: hooks_.smfImport ? hooks_.smfImport() : commands_.ImportSmf(); break;
    case Cmd::SmfExport: commands_.ExportSmf(); break;
    case Cmd::ClipboardExport: call(hooks_.clipboardExport); break;
    case Cmd::WaveExport: call(hooks_.waveExport); break;
    case Cmd::SongProperties: call(hooks_.songProperties); break;
    case Cmd::TrackProperties: call(hooks_.trackProperties); break;
    case Cmd::RenameTrack: panes_->BeginRename(); break;
    case Cmd::Find: call(hooks_.find); break;
    case Cmd::Replace: call(hooks_.replace); break;
    case Cmd::Configuration: call(hooks_.configuration); break;
    case Cmd::Monitor: views_->ToggleMonitor(); break;
    case Cmd::Exit: close(); break;
    case Cmd::Undo: document_.Undo(); break;
    case Cmd::Redo: document_.Redo(); break;
    case Cmd::Cut: case Cmd::Copy: case Cmd::Paste: case Cmd::Delete: case Cmd::SelectAll:
      EditCommand(id);
      break;
    case Cmd::ViewAll: SetViewMode(0); break;
    case Cmd::ViewSideBySide: SetViewMode(1); break;
    case Cmd::ViewStacked: SetViewMode(2); break;
    case Cmd::TrackAdd: document_.AddTrack(); break;
    case Cmd::TrackDelete: document_.DeleteTrack(document_.CurrentTrack()); break;
    case Cmd::EditPlaySelect: settings_.editPlaySelect = !settings_.editPlaySelect; break;
    case Cmd::EditScroll: settings_.editScroll = !settings_.editScroll; break;
    case Cmd::About: ShowAbout(); break;
    case Cmd::MarkerCreate:
      if (hooks_.markerCreate) hooks_.markerCreate(markerTick_);
      break;
    case Cmd::MarkerEdit:
      if (hooks_.markerEdit) hooks_.markerEdit(markerNumber_);
      break;
    case Cmd::MarkerDelete: document_.DeleteMarker(markerNumber_); break;
    case Cmd::Play: case Cmd::Pause: case Cmd::Stop: case Cmd::BackMeasure:
    case Cmd::ForwardMeasure: case Cmd::Rewind: case Cmd::PlayFromCaret: case Cmd::Loop:
    case Cmd::PlayPauseToggle: case Cmd::SetStartPosition:
      TransportCommand(id);
      break;
    default: break;
  }
  actions_->SetRecentFiles(commands_.RecentFiles());
  UpdateCommandStates();
}

void CMMLPlayerDlg::RecentChosen(int index) {
  Autosave();
  if (player_.IsPlaying()) return;
  const std::vector<std::string>& recent = commands_.RecentFiles();
  if (index < 0 || static_cast<size_t>(index) >= recent.size()) return;
  std::string path = recent[static_cast<size_t>(index)];
  commands_.OpenWithPrompt(path);
  actions_->SetRecentFiles(commands_.RecentFiles());
  UpdateCommandStates();
}

void CMMLPlayerDlg::EditCommand(Cmd id) {
  CPennaWnd* pane = CurrentPane();
  if (!pane) return;
  switch (id) {
    case Cmd::Cut: pane->Cut(); break;
    case Cmd::Copy: pane->Copy(); break;
    case Cmd::Paste: pane->Paste(); break;
    case Cmd::SelectAll: pane->SelectAll(); break;
    case Cmd::Delete: {
      // The editor's own Delete key, delivered past the window's shortcut.
      QKeyEvent press(QEvent::KeyPress, Qt::Key_Delete, Qt::NoModifier);
      QApplication::sendEvent(pane->Widget(), &press);
      break;
    }
    default: break;
  }
}

void CMMLPlayerDlg::ShowTrackPanel() { panel_->ShowCurrentTrack(); }

void CMMLPlayerDlg::RefreshTabs() {
  panes_->RebuildTabs();
  UpdateCaption();
}

void CMMLPlayerDlg::MarkerCommand(Cmd id, int32_t value) {
  if (player_.IsPlaying()) return;
  if (id == Cmd::MarkerCreate) {
    markerTick_ = value;
  } else {
    markerNumber_ = value;
  }
  RunCommand(id, false);
}

int CMMLPlayerDlg::ChangeTimeBase(int32_t ticksPerQuarter) {
  if (ticksPerQuarter < kMinTicksPerQuarter || ticksPerQuarter > kMaxTicksPerQuarter) return 1;
  if (player_.IsPlaying()) return 2;
  const TimeBase& now = document_.GetTimeBase();
  {
    std::lock_guard lock(player_.ViewLock());
    document_.SetTimeBase(ticksPerQuarter, now.beatsPerMeasure, now.beatUnit);
  }
  UpdateCaption();
  UpdateStatus();
  return 0;
}

void CMMLPlayerDlg::DropFile(const std::string& path) {
  if (player_.IsPlaying()) return;
  setAcceptDrops(false);
  commands_.OpenWithPrompt(path);
  actions_->SetRecentFiles(commands_.RecentFiles());
  setAcceptDrops(true);
  UpdateCommandStates();
}

QString CMMLPlayerDlg::AboutText() {
  double mhz = static_cast<double>(std::chrono::steady_clock::period::den) /
               static_cast<double>(std::chrono::steady_clock::period::num) * 0.000001;
  return QString::asprintf("%s Version %d.%d.%d.%d Beta %d\n", kAppTitle, KORE_VERSION_MAJOR,
                           KORE_VERSION_MINOR, KORE_VERSION_PATCH, KORE_VERSION_TWEAK, 3) +
         QString::fromUtf8("タイマーの分解能  ") + QString::asprintf("%lf(MHz)", mhz);
}

void CMMLPlayerDlg::ShowAbout() {
  QMessageBox box(QMessageBox::Information, QString::fromUtf8("バージョン情報 ") + kAppTitle,
                  AboutText(), QMessageBox::Ok, this);
  box.setObjectName("AboutBox");
  box.exec();
}

// ------------------------------------------------------------------ state shown

CPennaWnd* CMMLPlayerDlg::CurrentPane() const { return panes_ ? panes_->CurrentPane() : nullptr; }

QString CMMLPlayerDlg::WindowTitleText(const std::string& caption) {
  QString title = Q(caption);
  // Qt shows "[*]" as the modified mark; doubled, it shows the characters themselves.
  title.replace(QStringLiteral("[*]"), QStringLiteral("[*][*]"));
  return title;
}

void CMMLPlayerDlg::UpdateCaption() {
  setWindowTitle(WindowTitleText(SjisToUtf8Lossy(document_.CaptionText(kAppTitle))));
}

void CMMLPlayerDlg::UpdateStatus() {
  const TimeBase& timeBase = document_.GetTimeBase();
  const CMMLTrack& track = document_.Track(document_.CurrentTrack());
  status_[0]->setText(Q(ResolutionText(timeBase)));
  status_[1]->setText(Q(MeterText(timeBase)));
  status_[2]->setText(Q(CharacterCountText(track.events)));
  if (player_.IsPlaying()) {
    status_[3]->setText(QString());
    return;
  }
  CPennaWnd* pane = CurrentPane();
  int32_t through = pane ? pane->CaretThrough() + 1 : 1;
  status_[3]->setText(Q(MmlStateText(StateAtCaret(track.states, through))));
}

void CMMLPlayerDlg::UpdateCommandStates() {
  if (!actions_) return;
  CommandInputs in;
  in.playing = player_.IsPlaying();
  in.modified = document_.IsModified();
  in.synthesizerOpen = device_ && UsesSynthesizer(output_);
  in.loop = player_.Loop();
  in.editPlaySelect = settings_.editPlaySelect;
  in.editScroll = settings_.editScroll;
  in.viewMode = viewMode_;
  in.monitorVisible = views_ && views_->MonitorVisible();
  const std::pair<Cmd, bool> hooked[] = {
      {Cmd::ClipboardExport, bool(hooks_.clipboardExport)},
      {Cmd::WaveExport, bool(hooks_.waveExport)},
      {Cmd::SongProperties, bool(hooks_.songProperties)},
      {Cmd::TrackProperties, bool(hooks_.trackProperties)},
      {Cmd::Find, bool(hooks_.find)},
      {Cmd::Replace, bool(hooks_.replace)},
      {Cmd::Configuration, bool(hooks_.configuration)},
      {Cmd::MarkerCreate, bool(hooks_.markerCreate)},
      {Cmd::MarkerEdit, bool(hooks_.markerEdit)},
      {Cmd::SmfImport, bool(ui_.smfImportDialog) || bool(hooks_.smfImport)},
  };
  for (const auto& [id, available] : hooked)
    if (!available) in.unavailable.insert(id);
  actions_->Apply(in);
}

// ------------------------------------------------------------------ events

bool CMMLPlayerDlg::event(QEvent* event) {
  if (event->type() != PennaMessageEvent::Type()) return QMainWindow::event(event);
  auto* message = static_cast<PennaMessageEvent*>(event);
  auto* pane = reinterpret_cast<CPennaWnd*>(message->lParam());
  switch (message->message()) {
    case PENNA_MSG_CHANGE:
      panes_->PaneChanged(pane, static_cast<int32_t>(message->wParam() & 0xFFFF));
      break;
    case PENNA_MSG_CONTEXTMENU:
      actions_->EditorMenu()->popup(QCursor::pos());
      break;
    case PENNA_MSG_CARETMOVE:
      if (!player_.IsPlaying()) UpdateStatus();
      break;
    default: break;
  }
  return true;
}

void CMMLPlayerDlg::closeEvent(QCloseEvent* event) {
  if (shutDown_ || Shutdown()) {
    event->accept();
  } else {
    event->ignore();
  }
}

bool CMMLPlayerDlg::Shutdown() {
  StopPlayback();
  if (!commands_.ConfirmDiscard()) return false;
  frameTimer_.stop();
  StoreWindowSettings();
  if (onShutdown) onShutdown();
  player_.SetDevice(nullptr);
  if (device_) device_->Close();
  device_.reset();
  shutDown_ = true;
  return true;
}

void CMMLPlayerDlg::dragEnterEvent(QDragEnterEvent* event) {
  if (!player_.IsPlaying() && event->mimeData()->hasUrls()) event->acceptProposedAction();
}

void CMMLPlayerDlg::dropEvent(QDropEvent* event) {
  const QList<QUrl> urls = event->mimeData()->urls();
  if (urls.isEmpty() || !urls.front().isLocalFile()) return;
  event->acceptProposedAction();
  DropFile(urls.front().toLocalFile().toStdString());
}

bool CMMLPlayerDlg::eventFilter(QObject* watched, QEvent* event) {
  // Files dropped on a pane open as songs; text drops stay the editor's.
  if (event->type() == QEvent::DragEnter || event->type() == QEvent::DragMove) {
    auto* drag = static_cast<QDragMoveEvent*>(event);
    if (drag->mimeData()->hasUrls() && !drag->mimeData()->hasText()) {
      if (player_.IsPlaying()) {
        drag->ignore();
      } else {
        drag->acceptProposedAction();
      }
      return true;
    }
  } else if (event->type() == QEvent::Drop) {
    auto* drop = static_cast<QDropEvent*>(event);
    if (drop->mimeData()->hasUrls() && !drop->mimeData()->hasText()) {
      dropEvent(drop);
      return true;
    }
  }
  return QMainWindow::eventFilter(watched, event);
}

}  // namespace kore
