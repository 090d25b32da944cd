#pragma once
// While a UserInputHold lives, user input that arrives through the event queue (keys, mouse,
// wheel, context menus, shortcuts, input method) is not delivered: it waits and is posted again,
// in order, when the hold ends. Input straight from the window system is kept back by processing
// events with QEventLoop::ExcludeUserInputEvents; the hold covers what comes another way, so
// nothing the user does starts a command inside a wait that pumps events.
//
// User-interface thread.
#include <QObject>
#include <QPointer>
#include <memory>
#include <utility>
#include <vector>

class QEvent;

namespace kore {

class UserInputHold : public QObject {
 public:
  UserInputHold();
  ~UserInputHold() override;
  UserInputHold(const UserInputHold&) = delete;
  UserInputHold& operator=(const UserInputHold&) = delete;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  std::vector<std::pair<QPointer<QObject>, std::unique_ptr<QEvent>>> held_;
};

}  // namespace kore
