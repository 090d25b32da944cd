#include "app/track_panes.h"

#include "base/shift_jis.h"
#include "editor/frame/penna_frame.h"
#include "views/document_bridge.h"

#include <QKeyEvent>
#include <QLineEdit>
#include <QTabBar>

namespace kore {
namespace {

constexpr int32_t kCodeUndo = 7, kCodeRedo = 8, kCodeSetText = 11;
constexpr int32_t kLineCodeCrLf = 1;

QString TrackName(const CMMLDocument& document, int32_t slot) {
  return QString::fromStdString(SjisToUtf8Lossy(document.Track(slot).name));
}

}  // namespace

TrackPanes::TrackPanes(CMMLDocument& document, DocumentBridge& bridge, QTabBar* tabs,
                       CPennaFrame* frame, QObject* parent)
    : QObject(parent), document_(document), tabs_(tabs), frame_(frame) {
  connect(&bridge, &DocumentBridge::songReplaced, this, &TrackPanes::SongReplaced);
  connect(&bridge, &DocumentBridge::trackShown, this, &TrackPanes::TrackShown);
  connect(&bridge, &DocumentBridge::trackHidden, this, &TrackPanes::TrackHidden);
  connect(&bridge, &DocumentBridge::trackTextReset, this, &TrackPanes::ReloadPane);
  connect(&bridge, &DocumentBridge::currentTrackChanged, this, &TrackPanes::CurrentTrackChanged);
  connect(&bridge, &DocumentBridge::undoTextEdit, this, &TrackPanes::UndoTextEdit);
  connect(&bridge, &DocumentBridge::redoTextEdit, this, &TrackPanes::RedoTextEdit);
  connect(&bridge, &DocumentBridge::captionChanged, this, &TrackPanes::RenameTabs);
  connect(tabs_, &QTabBar::currentChanged, this, [this](int index) {
    if (rebuilding_ || index < 0) return;
    int32_t slot = tabs_->tabData(index).toInt();
    if (slot != document_.CurrentTrack()) document_.SetCurrentTrack(slot);
  });
}

CPennaWnd* TrackPanes::PaneOf(int32_t slot) const { return frame_->Editor(slot); }
CPennaWnd* TrackPanes::CurrentPane() const { return frame_->Editor(document_.CurrentTrack()); }

int32_t TrackPanes::TabOf(int32_t slot) const {
  for (int i = 0; i < tabs_->count(); ++i)
    if (tabs_->tabData(i).toInt() == slot) return i;
  return -1;
}

void TrackPanes::RebuildTabs() {
  rebuilding_ = true;
  while (tabs_->count() > 0) tabs_->removeTab(0);
  for (int32_t slot : document_.TrackOrder()) {
    if (slot < 0) break;
    int index = tabs_->addTab(TrackName(document_, slot));
    tabs_->setTabData(index, slot);
  }
  rebuilding_ = false;
  ShowCurrent();
}

void TrackPanes::ShowCurrent() {
  int32_t slot = document_.CurrentTrack();
  int tab = TabOf(slot);
  if (tab >= 0 && tabs_->currentIndex() != tab) {
    rebuilding_ = true;
    tabs_->setCurrentIndex(tab);
    rebuilding_ = false;
  }
  if (frame_->Current() != slot) frame_->Select(slot);
}

void TrackPanes::ReloadPane(int32_t slot) {
  CPennaWnd* pane = PaneOf(slot);
  if (!pane) return;
  // The program's own text is no edit: its change code is ignored.
  pane->SetText(document_.TrackText(slot));
  pane->ClearModified();
}

void TrackPanes::PaneChanged(CPennaWnd* pane, int32_t code) {
  if (playing_ || code == kCodeSetText || !pane) return;
  int32_t slot = pane->ControlId();
  document_.SetTrackText(slot, pane->Text(kLineCodeCrLf));
  if (code != kCodeUndo && code != kCodeRedo) document_.RecordTextEdit(slot);
  document_.SetModified();
  Q_EMIT Edited();
}

void TrackPanes::SetPlaying(bool playing) {
  playing_ = playing;
  frame_->SetReadOnlyForAll(playing);
}

void TrackPanes::SongReplaced() {
  EndRename(false);
  for (int32_t slot = 0; slot < frame_->Count(); ++slot) ReloadPane(slot);
  RebuildTabs();
}

void TrackPanes::TrackShown(int32_t slot, int32_t tabPosition) {
  if (TabOf(slot) >= 0) return;
  rebuilding_ = true;
  int index = tabs_->insertTab(tabPosition, TrackName(document_, slot));
  tabs_->setTabData(index, slot);
  rebuilding_ = false;
  ShowCurrent();
}

void TrackPanes::TrackHidden(int32_t slot) {
  if (slot == renameSlot_) EndRename(false);
  int tab = TabOf(slot);
  if (tab < 0) return;
  rebuilding_ = true;
  tabs_->removeTab(tab);
  rebuilding_ = false;
  ShowCurrent();
}

void TrackPanes::CurrentTrackChanged() { ShowCurrent(); }

void TrackPanes::UndoTextEdit(int32_t slot) {
  if (slot != document_.CurrentTrack()) document_.SetCurrentTrack(slot);
  if (CPennaWnd* pane = PaneOf(slot)) pane->Undo();
}

void TrackPanes::RedoTextEdit(int32_t slot) {
  if (slot != document_.CurrentTrack()) document_.SetCurrentTrack(slot);
  if (CPennaWnd* pane = PaneOf(slot)) pane->Redo();
}

void TrackPanes::RenameTabs() {
  // Track names may have changed with the properties.
  for (int i = 0; i < tabs_->count(); ++i) {
    QString name = TrackName(document_, tabs_->tabData(i).toInt());
    if (tabs_->tabText(i) != name) tabs_->setTabText(i, name);
  }
}

void TrackPanes::BeginRename() {
  EndRename(false);
  const int32_t slot = document_.CurrentTrack();
  const int tab = TabOf(slot);
  if (tab < 0) return;
  auto* edit = new QLineEdit(TrackName(document_, slot), tabs_);
  edit->setObjectName("TrackNameEdit");
  edit->setAccessibleName(QString::fromUtf8("トラック名"));
  edit->setGeometry(tabs_->tabRect(tab));
  edit->installEventFilter(this);
  renameEdit_ = edit;
  renameSlot_ = slot;
  connect(edit, &QLineEdit::editingFinished, this, [this] { EndRename(true); });
  edit->show();
  edit->selectAll();
  edit->setFocus();
}

void TrackPanes::EndRename(bool keep) {
  QLineEdit* edit = renameEdit_;
  if (!edit) return;
  // Cleared first: hiding the editor takes its focus, which finishes the edit once more.
  renameEdit_ = nullptr;
  const QString text = edit->text();
  edit->hide();
  edit->deleteLater();
  const CMMLTrack& track = document_.Track(renameSlot_);
  std::string name = Utf8ToSjisLossy(text.toStdString());
  if (!keep || name.empty() || !track.inUse || name == track.name) return;
  TrackProperties properties = track;
  properties.name = std::move(name);
  document_.SetTrackProperties(renameSlot_, properties);
}

bool TrackPanes::eventFilter(QObject* watched, QEvent* event) {
  const bool escape = watched == renameEdit_ &&
                      (event->type() == QEvent::KeyPress ||
                       event->type() == QEvent::ShortcutOverride) &&
                      static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape;
  if (!escape) return QObject::eventFilter(watched, event);
  // Escape is also the stop key: inside the editor it only drops the new name.
  if (event->type() == QEvent::ShortcutOverride) {
    event->accept();
  } else {
    EndRename(false);
  }
  return true;
}

}  // namespace kore
