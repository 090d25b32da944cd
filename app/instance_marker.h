#pragma once
// The marker that names a running program's main window: a property `name` whose value is the
// packed program version. Under X11 it is a property of the native top-level window (type
// CARDINAL, one 32-bit value), so other programs can read it (`xprop`); it goes with that
// window. On every platform the widget also carries it as a Qt dynamic property.
// User-interface thread only; `name` is ASCII.
#include <cstdint>

class QWidget;

namespace kore {

// Marks `window` now, and again whenever it gets a new native window.
void SetInstanceMarker(QWidget& window, const char* name, uint32_t value);

}  // namespace kore
