#pragma once
// Shared by every widget test program: one QApplication (offscreen unless the runner says
// otherwise), created on first use. Fixtures whose members are widgets derive from WithQtApp.
#include <QApplication>
#include <cstdlib>

namespace kore::test {

inline QApplication* EnsureQtApp() {
  static int argc = 1;
  static char name[] = "kore-test";
  static char* argv[] = {name, nullptr};
  static QApplication* app = [] {
    if (!std::getenv("QT_QPA_PLATFORM")) setenv("QT_QPA_PLATFORM", "offscreen", 1);
    return new QApplication(argc, argv);
  }();
  return app;
}

}  // namespace kore::test

namespace kore::test {

// A base for fixtures whose members are widgets: the application exists before they do.
struct WithQtApp {
  WithQtApp() { EnsureQtApp(); }
};

}  // namespace kore::test
