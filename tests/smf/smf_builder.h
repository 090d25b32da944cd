#pragma once
// Assembles Standard MIDI File bytes for tests.
#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

namespace kore::test {

using Bytes = std::vector<uint8_t>;

inline void AppendVarLen(Bytes& out, uint32_t value) {
  uint8_t groups[5];
  int n = 0;
  do {
    groups[n++] = value & 0x7F;
    value >>= 7;
  } while (value != 0);
  while (n-- > 0) out.push_back(static_cast<uint8_t>(groups[n] | (n > 0 ? 0x80 : 0)));
}

inline void AppendBig(Bytes& out, uint32_t value, int bytes) {
  for (int i = bytes - 1; i >= 0; --i) out.push_back(static_cast<uint8_t>(value >> (8 * i)));
}

// One track chunk's events.
class TrackBuilder {
 public:
  TrackBuilder& Raw(uint32_t delta, std::initializer_list<uint8_t> bytes) {
    AppendVarLen(data_, delta);
    data_.insert(data_.end(), bytes);
    return *this;
  }
  TrackBuilder& On(uint32_t delta, int ch, int key, int vel = 100) {
    return Raw(delta, {static_cast<uint8_t>(0x90 | ch), static_cast<uint8_t>(key),
                       static_cast<uint8_t>(vel)});
  }
  TrackBuilder& Off(uint32_t delta, int ch, int key) {
    return Raw(delta, {static_cast<uint8_t>(0x80 | ch), static_cast<uint8_t>(key), 0});
  }
  TrackBuilder& Meta(uint32_t delta, uint8_t type, const std::string& text) {
    AppendVarLen(data_, delta);
    data_.push_back(0xFF);
    data_.push_back(type);
    AppendVarLen(data_, static_cast<uint32_t>(text.size()));
    data_.insert(data_.end(), text.begin(), text.end());
    return *this;
  }
  TrackBuilder& Tempo(uint32_t delta, uint32_t micros) {
    return Raw(delta, {0xFF, 0x51, 0x03, static_cast<uint8_t>(micros >> 16),
                       static_cast<uint8_t>(micros >> 8), static_cast<uint8_t>(micros)});
  }
  TrackBuilder& End(uint32_t delta = 0) { return Raw(delta, {0xFF, 0x2F, 0x00}); }
  const Bytes& data() const { return data_; }

 private:
  Bytes data_;
};

inline Bytes MakeSmf(int format, int division, const std::vector<TrackBuilder>& tracks,
                     int declaredTracks = -1) {
  Bytes out = {'M', 'T', 'h', 'd', 0, 0, 0, 6};
  AppendBig(out, static_cast<uint32_t>(format), 2);
  AppendBig(out, static_cast<uint32_t>(declaredTracks < 0 ? tracks.size() : declaredTracks), 2);
  AppendBig(out, static_cast<uint32_t>(division), 2);
  for (const TrackBuilder& t : tracks) {
    out.insert(out.end(), {'M', 'T', 'r', 'k'});
    AppendBig(out, static_cast<uint32_t>(t.data().size()), 4);
    out.insert(out.end(), t.data().begin(), t.data().end());
  }
  return out;
}

}  // namespace kore::test
