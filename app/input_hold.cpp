#include "app/input_hold.h"

#include <QCoreApplication>
#include <QEvent>

namespace kore {
namespace {

bool IsUserInput(const QEvent& event) {
  switch (event.type()) {
    case QEvent::Shortcut: case QEvent::ShortcutOverride: case QEvent::ContextMenu:
    case QEvent::InputMethod:
      return true;
    default:
      return event.isInputEvent();
  }
}

}  // namespace

UserInputHold::UserInputHold() { QCoreApplication::instance()->installEventFilter(this); }

UserInputHold::~UserInputHold() {
  QCoreApplication::instance()->removeEventFilter(this);
  for (auto& [receiver, event] : held_)
    if (receiver) QCoreApplication::postEvent(receiver, event.release());
}

bool UserInputHold::eventFilter(QObject* watched, QEvent* event) {
  if (!watched->isWidgetType() && !watched->isWindowType()) return false;
  if (!IsUserInput(*event)) return false;
  held_.emplace_back(watched, std::unique_ptr<QEvent>(event->clone()));
  return true;
}

}  // namespace kore
