#pragma once
// Shared helpers of the song tests: a sample song, known files under data/, record bytes and
// an observer that logs what the document tells its views.
#include <gtest/gtest.h>

#include <cstdint>
#include <sstream>
#include <string>
#include <vector>

#include "base/profile_file.h"
#include "base/shift_jis.h"
#include "song/loaded_song.h"
#include "song/song_document.h"
#include "tests/support/golden.h"
#include "tests/support/temp_dir.h"

namespace kore::test {

// Bytes of a file under tests/song/data/.
inline std::string DataFile(const std::string& name) {
  auto bytes = ReadWholeFile(std::string(KORE_SOURCE_DIR) + "/tests/song/data/" + name);
  EXPECT_TRUE(bytes.has_value()) << name;
  return bytes.value_or("");
}

// A song as readable text, one fact a line, for comparison with a known description. Slots
// left fresh (in use or not) with no text are left out.
inline std::string Describe(const LoadedSong& song) {
  auto q = [](std::string_view text) { return "\"" + Escape(std::string(text)) + "\""; };
  std::ostringstream out;
  const TimeBase& tb = song.timeBase;
  out << "title " << q(song.title) << "\nsource " << q(song.source) << "\nmemo " << q(song.memo)
      << "\ntime base " << tb.ticksPerQuarter << " " << tb.beatsPerMeasure << "/" << tb.beatUnit
      << "\norder" << (song.trackOrderRead ? "" : " not read");
  for (int32_t slot : song.trackOrder) out << " " << slot;
  for (const MidiEvent& m : song.markers)
    out << "\nmarker " << m.tick << " " << std::hex << m.value << std::dec << " " << q(m.text);
  for (int32_t slot = 0; slot < kTrackSlotCount; ++slot) {
    const TrackProperties& t = song.slots[slot];
    TrackProperties unused = TrackProperties::Fresh(slot);
    unused.inUse = 0;
    if ((t == LoadedSong().slots[slot] || t == unused) && song.texts[slot].empty()) continue;
    out << "\nslot " << slot << (t.inUse ? " in use" : " unused") << " name " << q(t.name)
        << " instrument " << t.instrument << " volume " << t.volume << " panpot " << t.panpot
        << " channel " << t.channel << " reserved " << t.reserved << " start " << t.startMarker
        << "\n  text " << q(song.texts[slot]);
  }
  return out.str() + "\n";
}

inline std::string Le32(uint32_t v) {
  std::string s(4, '\0');
  for (int i = 0; i < 4; ++i) s[i] = static_cast<char>((v >> (8 * i)) & 0xFF);
  return s;
}

// One record of the extension stream: type, little-endian length, payload.
inline std::string Record(int type, const std::string& payload) {
  return std::string(1, static_cast<char>(type)) + Le32(static_cast<uint32_t>(payload.size())) +
         payload;
}

inline MidiEvent Marker(int32_t tick, int32_t colour, const std::string& name) {
  MidiEvent m;
  m.kind = MidiEventKind::Marker;
  m.tick = tick;
  m.value = colour;
  m.text = name;
  return m;
}

// One track in slot 0 and one in slot 3, listed 3 first; a marker; a 480 3/4 time base. The
// texts hold a bracket span and an unclosed "[" that the plain sections cannot keep.
inline LoadedSong SmallSong() {
  LoadedSong song;
  song.timeBase = {480, 3, 4};
  song.title = Sjis("曲");
  song.source = "me";
  song.memo = "x\\ny\r\nz\t";
  song.slots[0] = TrackProperties::Fresh(0);
  song.slots[0].instrument = 3;  // flute, code 131
  song.slots[0].volume = 80;
  song.texts[0] = "o4[cde]4\r\nr";
  song.slots[3] = TrackProperties::Fresh(3);
  song.slots[3].name = Sjis("伴奏");
  song.slots[3].instrument = 8;  // code 1
  song.slots[3].panpot = 30;
  song.slots[3].startMarker = 1;
  song.texts[3] = "c [d\r\n";
  song.trackOrder = {3, 0, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1};
  song.trackOrderRead = true;
  song.markers = {Marker(96, 0x2828E0, "A B")};
  return song;
}

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
inline MidiEventList SongRecordsOf(const CMMLDocument& doc, int32_t slot) {
  MidiEventList records;
  for (const MidiEvent& e : doc.SongEvents()) {
    if (e.track == slot) records.push_back(e);
  }
  return records;
}

}  // namespace kore::test
