#pragma once
// Builds play-ready songs record by record, without going through MML, so player tests do not
// depend on the compiler.
#include <array>
#include <memory>

#include "mml/midi_event.h"
#include "playback/play_list.h"

namespace kore::test {

class SongBuilder {
 public:
  explicit SongBuilder(int32_t ticksPerQuarter = 32) { song_.timeBase.ticksPerQuarter = ticksPerQuarter; }

  SongBuilder& Note(int32_t track, int32_t tick, int32_t length, int32_t note, int32_t step = 15) {
    Event(track, MidiEventKind::Note, tick, step);
    tracks_[track].back().length = length;
    tracks_[track].back().SetPitch(note);
    return *this;
  }
  SongBuilder& Tempo(int32_t track, int32_t tick, int32_t tempo) {
    return Event(track, MidiEventKind::Tempo, tick, tempo);
  }
  SongBuilder& SysEx(int32_t track, int32_t tick, std::vector<uint8_t> bytes) {
    Event(track, MidiEventKind::SysEx, tick, static_cast<int32_t>(bytes.size()));
    tracks_[track].back().data = std::move(bytes);
    return *this;
  }
  SongBuilder& End(int32_t track, int32_t tick) {
    return Event(track, MidiEventKind::EndOfTrack, tick, 0);
  }
  SongBuilder& Muted(int32_t track) {
    song_.slots[track].muted = 1;
    return *this;
  }

  std::shared_ptr<PlaybackSong> Build() {
    SongEventList list;
    for (int32_t t = 0; t < 16; ++t) {
      if (tracks_[t].empty()) continue;
      song_.slots[t].inUse = 1;
      song_.slots[t].channel = t;
      MergeTrack(list, tracks_[t], t);
      song_.songEnd = std::max(song_.songEnd, tracks_[t].back().tick);
    }
    song_.events = list.ToVector();
    return std::make_shared<PlaybackSong>(song_);
  }

  // Any other record: controllers, programs and bends keep their two numbers in value and value2.
  SongBuilder& Event(int32_t track, MidiEventKind kind, int32_t tick, int32_t value, int32_t value2 = 0) {
    MidiEvent e;
    e.kind = kind;
    e.tick = tick;
    e.value = value;
    e.value2 = value2;
    e.channel = -1;
    tracks_[track].push_back(e);
    return *this;
  }

 private:
  PlaybackSong song_;
  std::array<MidiEventList, 16> tracks_;
};

}  // namespace kore::test
