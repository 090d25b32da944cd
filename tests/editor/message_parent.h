#pragma once
// A parent widget that records the messages its editors send it.
#include <QWidget>
#include <cstdint>
#include <vector>

#include "editor/penna.h"
#include "editor/penna_event.h"

namespace kore::test {

struct PennaMessage {
  int32_t message;
  uintptr_t wParam;
  intptr_t lParam;
};

class MessageParent : public QWidget {
 public:
  std::vector<PennaMessage> messages;
  std::vector<PennaDrawItem> drawItems;  // copies: the item lives only during the message

  bool event(QEvent* e) override {
    if (e->type() != PennaMessageEvent::Type()) return QWidget::event(e);
    auto* m = static_cast<PennaMessageEvent*>(e);
    messages.push_back({m->message(), m->wParam(), m->lParam()});
    if (m->message() == PENNA_MSG_DRAWITEM) {
      drawItems.push_back(*reinterpret_cast<PennaDrawItem*>(m->lParam()));
    }
    return true;
  }
  // The low words of wParam of every `message`, in order.
  std::vector<int32_t> Codes(int32_t message) const {
    std::vector<int32_t> out;
    for (const PennaMessage& m : messages) {
      if (m.message == message) out.push_back(static_cast<int32_t>(m.wParam & 0xFFFF));
    }
    return out;
  }
};

}  // namespace kore::test
