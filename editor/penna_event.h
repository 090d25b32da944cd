#pragma once
// A parent message of the editor control as a Qt event: the message number (2024-2029, or the
// owner-draw message), wParam and lParam. Sent synchronously to the editor's parent widget.
#include <QEvent>
#include <cstdint>

namespace kore {

class PennaMessageEvent : public QEvent {
 public:
  PennaMessageEvent(int32_t message, uintptr_t wParam, intptr_t lParam)
      : QEvent(Type()), message_(message), wParam_(wParam), lParam_(lParam) {}
  // The event type, registered once per process.
  static QEvent::Type Type();

  int32_t message() const { return message_; }
  uintptr_t wParam() const { return wParam_; }
  intptr_t lParam() const { return lParam_; }

 private:
  int32_t message_;
  uintptr_t wParam_;
  intptr_t lParam_;
};

}  // namespace kore
