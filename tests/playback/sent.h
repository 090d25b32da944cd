#pragma once
// The bytes a device was sent, as one text: "C2 49,B2 07 5A," (hex, each message ends in ",").
#include <cstdio>
#include <string>
#include <vector>

#include "playback/midi_device.h"

namespace kore::test {

inline std::string Sent(const std::vector<CRecordingMidiDevice::Message>& messages) {
  std::string out;
  for (const auto& m : messages) {
    for (uint8_t b : m.bytes) {
      char hex[4];
      std::snprintf(hex, sizeof hex, "%02X ", b);
      out += hex;
    }
    if (!m.bytes.empty()) out.back() = ',';
  }
  return out;
}

}  // namespace kore::test
