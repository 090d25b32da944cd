#include "app/command_actions.h"

#include <QEvent>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QStyle>
#include <QToolBar>

namespace kore {
namespace {

constexpr int kSeparator = 0;
constexpr int kRecentPlace = -1;

int N(Cmd id) { return static_cast<int>(id); }

}  // namespace

CommandAction::CommandAction(Cmd id, QObject* parent) : QAction(parent), id_(id) {}

bool CommandAction::event(QEvent* event) {
  if (event->type() != QEvent::Shortcut) return QAction::event(event);
  viaShortcut_ = true;
  bool handled = QAction::event(event);
  viaShortcut_ = false;
  return handled;
}

CommandActions::CommandActions(QMainWindow* window) : QObject(window), window_(window) {
  for (const CommandInfo& info : CommandTable()) {
    auto* action = new CommandAction(info.id, window);
    action->setText(QString::fromUtf8(info.text));
    action->setObjectName(QString("command_%1").arg(N(info.id)));
    if (*info.shortcut) {
      action->setShortcut(QKeySequence(QString::fromUtf8(info.shortcut)));
      action->setShortcutContext(Qt::WindowShortcut);
    }
    if (*info.tip) {
      action->setToolTip(QString::fromUtf8(info.tip));
      action->setIconText(QString::fromUtf8(info.tip));
    }
    action->setCheckable(info.checkable);
    connect(action, &QAction::triggered, this, [this, action] {
      Q_EMIT command(action->id(), action->viaShortcut());
    });
    actions_.insert(N(info.id), action);
    window->addAction(action);  // keys work without the menus open
  }

  using C = Cmd;
  fileMenu_ = AddMenu("ファイル(&F)",
                      {N(C::New), N(C::Open), N(C::Save), N(C::SaveAs), kSeparator,
                       N(C::ClipboardImport), N(C::ClipboardExport), kSeparator, N(C::SmfImport),
                       N(C::SmfExport), N(C::WaveExport), kSeparator, N(C::SongProperties),
                       kSeparator, kRecentPlace, N(C::Exit)});
  AddMenu("編集(&E)", {N(C::Undo), N(C::Redo), kSeparator, N(C::Cut), N(C::Copy), N(C::Paste),
                       N(C::Delete), kSeparator, N(C::SelectAll), kSeparator, N(C::Find),
                       N(C::Replace)});
  AddMenu("表示(&V)", {N(C::ViewAll), N(C::ViewSideBySide), N(C::ViewStacked), kSeparator,
                       N(C::Monitor), N(C::Keyboard)});
  AddMenu("トラック(&T)", {N(C::TrackAdd), N(C::TrackDelete), N(C::TrackProperties), kSeparator,
                           N(C::SyntaxCheck)});
  AddMenu("演奏(&P)", {N(C::Play), N(C::Pause), N(C::Stop), kSeparator, N(C::BackMeasure),
                       N(C::ForwardMeasure), N(C::Rewind), kSeparator, N(C::PlayFromCaret),
                       N(C::Loop)});
  AddMenu("オプション(&O)", {N(C::Configuration), kSeparator, N(C::EditPlaySelect),
                             N(C::EditScroll), N(C::PianoRollScroll)});
  AddMenu("ヘルプ(&H)", {N(C::About)});

  editorMenu_ = new QMenu(window);
  for (Cmd id : {C::Undo, C::Redo, C::Cut, C::Copy, C::Paste, C::Delete, C::SelectAll})
    editorMenu_->addAction(Action(id));
  editorMenu_->addSeparator();
  editorMenu_->addAction(Action(C::SetStartPosition));
  tabMenu_ = new QMenu(window);
  for (Cmd id : {C::TrackProperties, C::RenameTrack, C::TrackDelete}) tabMenu_->addAction(Action(id));

  toolBar_ = window->addToolBar("ToolBar");
  toolBar_->setObjectName("ToolBar");
  QStyle* style = window->style();
  const std::pair<Cmd, QStyle::StandardPixmap> icons[] = {
      {C::New, QStyle::SP_FileIcon},           {C::Open, QStyle::SP_DialogOpenButton},
      {C::Save, QStyle::SP_DialogSaveButton},  {C::Play, QStyle::SP_MediaPlay},
      {C::Pause, QStyle::SP_MediaPause},       {C::Stop, QStyle::SP_MediaStop},
      {C::Rewind, QStyle::SP_MediaSkipBackward}, {C::BackMeasure, QStyle::SP_MediaSeekBackward},
      {C::ForwardMeasure, QStyle::SP_MediaSeekForward}, {C::About, QStyle::SP_MessageBoxInformation},
  };
  for (const auto& [id, pixmap] : icons) Action(id)->setIcon(style->standardIcon(pixmap));
  const int toolLayout[] = {N(C::New), N(C::Open), N(C::Save), N(C::SaveAs), kSeparator,
                            N(C::ClipboardImport), N(C::ClipboardExport), N(C::SmfExport),
                            kSeparator, N(C::Play), N(C::Pause), N(C::Stop), N(C::Rewind),
                            N(C::BackMeasure), N(C::ForwardMeasure), N(C::Loop), kSeparator,
                            N(C::EditScroll), kSeparator, N(C::TrackAdd), N(C::TrackDelete),
                            N(C::TrackProperties), kSeparator, N(C::About)};
  for (int id : toolLayout) {
    if (id == kSeparator) {
      toolBar_->addSeparator();
    } else {
      toolBar_->addAction(actions_.value(id));
    }
  }
  // Menus keep their own texts; the tool bar shows the short tip texts where there is no icon.
  for (QAction* action : toolBar_->actions()) {
    if (action->isSeparator()) continue;
    if (QWidget* button = toolBar_->widgetForAction(action)) {
      button->setToolTip(action->toolTip());
      button->setAccessibleName(action->toolTip());
    }
  }
}

QMenu* CommandActions::AddMenu(const char* title, std::initializer_list<int> layout) {
  QMenu* menu = window_->menuBar()->addMenu(QString::fromUtf8(title));
  menu->setObjectName(QString::fromUtf8(title));
  for (int id : layout) {
    if (id == kSeparator) {
      menu->addSeparator();
    } else if (id == kRecentPlace) {
      recentAnchor_ = menu->addSeparator();
    } else {
      menu->addAction(actions_.value(id));
    }
  }
  return menu;
}

QString CommandActions::RecentEntryText(int index, const std::string& path) {
  QString prefix = index < 9 ? QString("&%1 ").arg(index + 1) : QString("1&0 ");
  QString shown = QString::fromStdString(path);
  if (shown.size() > 30) shown = shown.left(30);
  return prefix + shown;
}

void CommandActions::SetRecentFiles(const std::vector<std::string>& paths) {
  for (QAction* action : recent_) {
    fileMenu_->removeAction(action);
    action->deleteLater();
  }
  recent_.clear();
  if (paths.empty()) {
    auto* empty = new QAction(QString::fromUtf8("最近使ったファイル"), fileMenu_);
    empty->setEnabled(false);
    fileMenu_->insertAction(recentAnchor_, empty);
    recent_.push_back(empty);
    return;
  }
  for (size_t i = 0; i < paths.size() && i < static_cast<size_t>(kRecentFileCommands); ++i) {
    auto* action = new QAction(RecentEntryText(static_cast<int>(i), paths[i]), fileMenu_);
    action->setObjectName(QString("command_%1").arg(N(Cmd::RecentFile) + static_cast<int>(i)));
    action->setToolTip(QString::fromStdString(paths[i]));
    int index = static_cast<int>(i);
    connect(action, &QAction::triggered, this, [this, index] { Q_EMIT recentChosen(index); });
    fileMenu_->insertAction(recentAnchor_, action);
    recent_.push_back(action);
  }
}

void CommandActions::Apply(const CommandInputs& inputs) {
  for (CommandAction* action : actions_) {
    CommandState state = StateOf(action->id(), inputs);
    action->setEnabled(state.enabled);
    if (action->isCheckable()) action->setChecked(state.checked);
  }
  bool recentEnabled = StateOf(Cmd::RecentFile, inputs).enabled;
  for (QAction* action : recent_)
    if (!action->text().startsWith(QString::fromUtf8("最近"))) action->setEnabled(recentEnabled);
}

}  // namespace kore
