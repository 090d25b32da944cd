#pragma once
// Assembles Standard MIDI File bytes for tests.
#include <cstdint>
#include <sstream>
#include <string>
#include <vector>

#include "tests/support/golden.h"

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
  TrackBuilder& Raw(uint32_t delta, const Bytes& bytes) {
    AppendVarLen(data_, delta);
    data_.insert(data_.end(), bytes.begin(), bytes.end());
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

// One track from a line of events separated by ",": "on DELTA CHANNEL KEY [VELOCITY]",
// "off DELTA CHANNEL KEY", "meta DELTA TYPE TEXT" (escapes as in table files), "tempo DELTA
// MICROSECONDS", "raw DELTA HEX..." and runs of "KEY/LENGTH" notes on channel 0 where a key of
// "-" is a rest. The end of track follows the last event.
inline TrackBuilder ParseTrack(const std::string& line) {
  TrackBuilder t;
  uint32_t gap = 0;
  std::istringstream events(line);
  for (std::string event; std::getline(events, event, ',');) {
    std::istringstream in(event);
    std::string kind;
    in >> kind;
    if (kind.find('/') != std::string::npos) {
      for (std::string note = kind; !note.empty(); note.clear(), in >> note) {
        const uint32_t length = std::stoul(note.substr(note.find('/') + 1));
        if (note[0] == '-') {
          gap += length;
        } else {
          t.On(gap, 0, std::stoi(note)).Off(length, 0, std::stoi(note));
          gap = 0;
        }
      }
      continue;
    }
    uint32_t delta = 0;
    int channel = 0, key = 0, velocity = 100;
    in >> delta;
    if (kind == "on" && in >> channel >> key) {
      in >> velocity;
      t.On(delta, channel, key, velocity);
    } else if (kind == "off" && in >> channel >> key) {
      t.Off(delta, channel, key);
    } else if (kind == "meta" && in >> key) {
      std::string text;
      std::getline(in >> std::ws, text);
      t.Meta(delta, static_cast<uint8_t>(key), Unescape(text));
    } else if (kind == "tempo" && in >> key) {
      t.Tempo(delta, static_cast<uint32_t>(key));
    } else if (kind == "raw") {
      Bytes bytes;
      for (std::string hex; in >> hex;)
        bytes.push_back(static_cast<uint8_t>(std::stoi(hex, nullptr, 16)));
      t.Raw(delta, bytes);
    } else {
      ADD_FAILURE() << "bad event: " << event;
    }
  }
  return t.End(gap);
}

// A file of the tracks of `spec`, separated by "|".
inline Bytes ParseSmf(int format, int division, const std::string& spec) {
  std::vector<TrackBuilder> tracks;
  std::istringstream lines(spec);
  for (std::string line; std::getline(lines, line, '|');) tracks.push_back(ParseTrack(line));
  return MakeSmf(format, division, tracks);
}

}  // namespace kore::test
