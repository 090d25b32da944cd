#pragma once
// Standard MIDI File bytes for tests, written as lines of events.
#include <cstdint>
#include <sstream>
#include <string>
#include <vector>

#include "tests/support/golden.h"

namespace kore::test {

using Bytes = std::vector<uint8_t>;

inline void AppendVarLen(Bytes& out, uint32_t value) {
  for (int shift = 21; shift > 0; shift -= 7)
    if (value >> shift) out.push_back(static_cast<uint8_t>(0x80 | ((value >> shift) & 0x7F)));
  out.push_back(static_cast<uint8_t>(value & 0x7F));
}

inline void AppendBig(Bytes& out, uint32_t value, int bytes) {
  for (int i = bytes - 1; i >= 0; --i) out.push_back(static_cast<uint8_t>(value >> (8 * i)));
}

// One track chunk's events from a line of events separated by ",": "on DELTA CHANNEL KEY
// [VELOCITY]", "off DELTA CHANNEL KEY", "meta DELTA TYPE TEXT" (escapes as in table files),
// "raw DELTA HEX..." and runs of "KEY/LENGTH" notes on channel 0 where a key of "-" is a rest.
// The end of track follows the last event.
inline Bytes ParseTrack(const std::string& line) {
  Bytes t;
  auto put = [&t](uint32_t delta, const Bytes& bytes) {
    AppendVarLen(t, delta);
    t.insert(t.end(), bytes.begin(), bytes.end());
  };
  auto u8 = [](uint32_t v) { return static_cast<uint8_t>(v); };
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
          continue;
        }
        put(gap, {0x90, u8(std::stoi(note)), 100});
        put(length, {0x80, u8(std::stoi(note)), 0});
        gap = 0;
      }
      continue;
    }
    uint32_t delta = 0, channel = 0, key = 0, velocity = 100;
    in >> delta;
    if (kind == "on" && in >> channel >> key) {
      in >> velocity;
      put(delta, {u8(0x90 | channel), u8(key), u8(velocity)});
    } else if (kind == "off" && in >> channel >> key) {
      put(delta, {u8(0x80 | channel), u8(key), 0});
    } else if (kind == "meta" && in >> key) {
      std::string text;
      std::getline(in >> std::ws, text);
      text = Unescape(text);
      Bytes bytes = {0xFF, u8(key)};
      AppendVarLen(bytes, static_cast<uint32_t>(text.size()));
      put(delta, (bytes.insert(bytes.end(), text.begin(), text.end()), bytes));
    } else if (kind == "raw") {
      Bytes bytes;
      for (std::string hex; in >> hex;) bytes.push_back(u8(std::stoul(hex, nullptr, 16)));
      put(delta, bytes);
    } else {
      ADD_FAILURE() << "bad event: " << event;
    }
  }
  put(gap, {0xFF, 0x2F, 0x00});
  return t;
}

inline Bytes MakeSmf(int format, int division, const std::vector<Bytes>& tracks) {
  Bytes out = {'M', 'T', 'h', 'd', 0, 0, 0, 6};
  AppendBig(out, static_cast<uint32_t>(format), 2);
  AppendBig(out, static_cast<uint32_t>(tracks.size()), 2);
  AppendBig(out, static_cast<uint32_t>(division), 2);
  for (const Bytes& t : tracks) {
    out.insert(out.end(), {'M', 'T', 'r', 'k'});
    AppendBig(out, static_cast<uint32_t>(t.size()), 4);
    out.insert(out.end(), t.begin(), t.end());
  }
  return out;
}

// A file of the tracks written in `lines`, separated by "|".
inline Bytes ParseSmf(int format, int division, const std::string& lines) {
  std::vector<Bytes> tracks;
  std::istringstream in(lines);
  for (std::string line; std::getline(in, line, '|');) tracks.push_back(ParseTrack(line));
  return MakeSmf(format, division, tracks);
}

}  // namespace kore::test
