#pragma once
// The main window's actions built from the command table: the menu bar with its exact texts,
// the tool bar with its tips, the recent-file entries and the context menus. It tells apart a
// command given by a key from one chosen with the mouse or an accessibility action (only the
// latter makes a backup copy), and applies the enabling rules to every action.
//
// User-interface thread.
#include "app/command_state.h"
#include "app/commands.h"

#include <QAction>
#include <QHash>
#include <QObject>
#include <string>
#include <vector>

class QMainWindow;
class QMenu;
class QToolBar;

namespace kore {

class CommandAction : public QAction {
  Q_OBJECT

 public:
  CommandAction(Cmd id, QObject* parent);
  Cmd id() const { return id_; }
  bool viaShortcut() const { return viaShortcut_; }

 protected:
  bool event(QEvent* event) override;

 private:
  Cmd id_;
  bool viaShortcut_ = false;
};

class CommandActions : public QObject {
  Q_OBJECT

 public:
  explicit CommandActions(QMainWindow* window);

  QAction* Action(Cmd id) const { return actions_.value(static_cast<int>(id)); }
  QToolBar* ToolBar() const { return toolBar_; }
  void SetRecentFiles(const std::vector<std::string>& paths);
  // Applies the rules; recent entries follow the RecentFile rule.
  void Apply(const CommandInputs& inputs);
  // Context menus: the editor's (133) and the track tab's (155); the piano roll shows the
  // marker ruler's (159) itself.
  QMenu* EditorMenu() const { return editorMenu_; }
  QMenu* TabMenu() const { return tabMenu_; }

  // "&1 " ... "1&0 " followed by the path cut to 30 characters.
  static QString RecentEntryText(int index, const std::string& path);

 Q_SIGNALS:
  void command(kore::Cmd id, bool viaShortcut);
  void recentChosen(int index);

 private:
  QMenu* AddMenu(const char* title, std::initializer_list<int> layout);

  QMainWindow* window_;
  QHash<int, CommandAction*> actions_;
  QMenu* fileMenu_ = nullptr;
  QAction* recentAnchor_ = nullptr;  // the separator after the recent entries
  std::vector<QAction*> recent_;
  QMenu* editorMenu_ = nullptr;
  QMenu* tabMenu_ = nullptr;
  QToolBar* toolBar_ = nullptr;
};

}  // namespace kore
