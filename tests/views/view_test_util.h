#pragma once
// Documents and widget helpers shared by the view tests.
#include <QImage>
#include <QMouseEvent>
#include <QWidget>
#include <memory>
#include <string>
#include <vector>

#include "song/song_document.h"
#include "tests/support/qt_app.h"

namespace kore::test {

// A new song with one track per text (slots 0, 1, 2, ...), at `tpq` ticks per quarter.
inline std::unique_ptr<CMMLDocument> SongOf(const std::vector<std::string>& texts,
                                           int32_t tpq = 32) {
  auto document = std::make_unique<CMMLDocument>();
  document->NewSong(static_cast<int32_t>(texts.size()), tpq);
  for (size_t i = 0; i < texts.size(); ++i)
    document->SetTrackText(document->TrackOrder()[i], texts[i]);
  return document;
}

inline QImage Grab(QWidget& widget) { return widget.grab().toImage().convertToFormat(QImage::Format_RGB32); }

inline void SendMouse(QWidget& widget, QEvent::Type type, Qt::MouseButton button, QPoint at) {
  const Qt::MouseButtons held = type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::MouseButtons(button);
  QMouseEvent event(type, QPointF(at), QPointF(widget.mapToGlobal(at)), button, held, Qt::NoModifier);
  QCoreApplication::sendEvent(&widget, &event);
}

}  // namespace kore::test
