#pragma once
// Shared helpers of the song document tests.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "base/shift_jis.h"
#include "song/song_document.h"

namespace kore::test {

// Logs what the document tells its observers, one short entry per call.
class RecordingObserver : public DocumentObserver {
 public:
  void StopPlayback() override { log.push_back("stop"); }
  void RefreshViews() override { log.push_back("refresh"); }
  void TrackShown(int32_t slot, int32_t tab) override {
    log.push_back("shown " + std::to_string(slot) + "@" + std::to_string(tab));
  }
  void TrackHidden(int32_t slot) override { log.push_back("hidden " + std::to_string(slot)); }
  void UndoTextEdit(int32_t slot) override { log.push_back("undo-text " + std::to_string(slot)); }
  void RedoTextEdit(int32_t slot) override { log.push_back("redo-text " + std::to_string(slot)); }
  void SongReplaced() override { log.push_back("replaced"); }
  void CaptionChanged() override { log.push_back("caption"); }

  bool Saw(const std::string& entry) const {
    for (const std::string& e : log) {
      if (e == entry) return true;
    }
    return false;
  }
  std::vector<std::string> log;
};

// The slots listed in trackOrder, up to the -1.
inline std::vector<int32_t> Order(const CMMLDocument& doc) {
  std::vector<int32_t> order;
  for (int32_t slot : doc.TrackOrder()) {
    if (slot == -1) break;
    order.push_back(slot);
  }
  return order;
}

// Records of one track in the song list, in song order.
inline std::vector<MidiEvent> SongRecordsOf(const CMMLDocument& doc, int32_t slot) {
  std::vector<MidiEvent> records;
  for (const MidiEvent& e : doc.SongEvents()) {
    if (e.track == slot) records.push_back(e);
  }
  return records;
}

// Tick of the first Note of a slot's compiled list, -1 when it has none.
inline int32_t FirstNoteTick(const CMMLDocument& doc, int32_t slot) {
  for (const MidiEvent& e : doc.Track(slot).events) {
    if (e.kind == MidiEventKind::Note) return e.tick;
  }
  return -1;
}

inline std::vector<int32_t> StartMarkers(const CMMLDocument& doc) {
  std::vector<int32_t> starts;
  for (int32_t slot = 0; slot < kTrackSlotCount; ++slot) {
    starts.push_back(doc.Track(slot).startMarker);
  }
  return starts;
}

}  // namespace kore::test
