#pragma once
// How the core tells the user something. The core never shows anything itself: it hands a
// Shift-JIS message and its severity to whatever the program installs (a message box in the
// GUI, stderr in kore-cli, a collector in tests). A null notifier simply drops the message.
#include <string>
#include <string_view>
#include <vector>

namespace kore {

enum class NotifySeverity {
  Information,
  Warning,
  Error,
};

class Notifier {
 public:
  virtual ~Notifier() = default;
  // `message` is Shift-JIS, one of the program's fixed texts.
  virtual void Notify(NotifySeverity severity, std::string_view message) = 0;
};

// Safe to call with a null notifier.
inline void NotifyUser(Notifier* notifier, NotifySeverity severity, std::string_view message) {
  if (notifier) notifier->Notify(severity, message);
}

// Keeps every message, for tests and for batch tools that print them afterwards.
class CollectingNotifier : public Notifier {
 public:
  struct Message {
    NotifySeverity severity;
    std::string text;  // Shift-JIS
  };
  void Notify(NotifySeverity severity, std::string_view message) override {
    messages.push_back({severity, std::string(message)});
  }
  std::vector<Message> messages;
};

}  // namespace kore
