#include "app/instance_marker.h"

#include <QEvent>
#include <QGuiApplication>
#include <QWidget>
#include <cstdlib>
#include <cstring>
#include <string>

#if defined(KORE_HAVE_XCB) && QT_CONFIG(xcb)
#include <xcb/xcb.h>
#define KORE_X11_MARKER 1
#endif

namespace kore {
namespace {

#ifdef KORE_X11_MARKER
void SetX11Property(QWidget& window, const std::string& name, uint32_t value) {
  auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
  if (!x11 || !x11->connection() || !window.testAttribute(Qt::WA_WState_Created)) return;
  xcb_connection_t* connection = x11->connection();
  xcb_intern_atom_reply_t* atom = xcb_intern_atom_reply(
      connection, xcb_intern_atom(connection, 0, static_cast<uint16_t>(name.size()), name.c_str()),
      nullptr);
  if (!atom) return;
  xcb_change_property(connection, XCB_PROP_MODE_REPLACE, static_cast<xcb_window_t>(window.winId()),
                      atom->atom, XCB_ATOM_CARDINAL, 32, 1, &value);
  xcb_flush(connection);
  std::free(atom);
}
#endif

// Puts the property back on each new native window (created at the first show, or again after
// the widget was re-parented or its window recreated).
class MarkerKeeper : public QObject {
 public:
  MarkerKeeper(QWidget& window, const char* name, uint32_t value)
      : QObject(&window), window_(window), name_(name), value_(value) {}

  void Apply() {
#ifdef KORE_X11_MARKER
    SetX11Property(window_, name_, value_);
#endif
  }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (watched == &window_ &&
        (event->type() == QEvent::WinIdChange || event->type() == QEvent::Show)) {
      Apply();
    }
    return false;
  }

 private:
  QWidget& window_;
  std::string name_;
  uint32_t value_;
};

}  // namespace

void SetInstanceMarker(QWidget& window, const char* name, uint32_t value) {
  window.setProperty(name, value);
  auto* keeper = new MarkerKeeper(window, name, value);
  window.installEventFilter(keeper);
  keeper->Apply();
}

}  // namespace kore
