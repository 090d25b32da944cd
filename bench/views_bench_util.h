#pragma once
// Shared by the view benchmarks: the Qt application (offscreen unless told otherwise) and a
// song of 15 tracks with 64 KiB of MML each.
#include <QApplication>
#include <cstdlib>
#include <memory>
#include <string>

#include "song/song_document.h"

namespace kore::bench {

inline QApplication* App() {
  static int argc = 1;
  static char name[] = "views_bench";
  static char* argv[] = {name, nullptr};
  static QApplication* app = [] {
    if (!std::getenv("QT_QPA_PLATFORM")) setenv("QT_QPA_PLATFORM", "offscreen", 1);
    return new QApplication(argc, argv);
  }();
  return app;
}

// Fifteen tracks, each 64 KiB of sixteenth-note runs in its own octave range.
inline std::unique_ptr<CMMLDocument> FifteenTrackSong() {
  auto document = std::make_unique<CMMLDocument>();
  document->NewSong(15, 32);
  const char* runs[] = {"cdefgab>c<", "edcdefga", "g>c<bagfed", "ceg>c<gec", "faf>c<afc"};
  for (int32_t i = 0; i < document->TrackCount(); ++i) {
    std::string text = "t120 l16 o" + std::to_string(2 + i % 5) + " ";
    while (text.size() < 64 * 1024) text += runs[i % 5];
    text.resize(64 * 1024);
    document->SetTrackText(document->TrackOrder()[i], text);
  }
  return document;
}

}  // namespace kore::bench
