#pragma once
// Expected song-file bytes built without the program's own writer: a bitwise CRC-32, a plain
// Base64 encoder and libbz2 called directly with the documented parameters.
#include <bzlib.h>
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include <stdlib.h>

#include "song/loaded_song.h"

namespace kore::filetest {

inline uint32_t BitwiseCrc(const std::string& bytes) {
  uint32_t crc = 0xFFFFFFFFu;
  for (unsigned char c : bytes) {
    crc ^= c;
    for (int i = 0; i < 8; ++i) crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
  }
  return ~crc;
}

inline std::string PlainBase64(const std::string& bytes) {
  static const char* abc = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  std::string out;
  size_t i = 0;
  for (; i + 2 < bytes.size(); i += 3) {
    uint32_t v = (uint8_t(bytes[i]) << 16) | (uint8_t(bytes[i + 1]) << 8) | uint8_t(bytes[i + 2]);
    for (int s = 18; s >= 0; s -= 6) out += abc[(v >> s) & 63];
  }
  if (bytes.size() - i == 1) {
    uint32_t v = uint8_t(bytes[i]) << 16;
    out += abc[v >> 18];
    out += abc[(v >> 12) & 63];
    out += "==";
  } else if (bytes.size() - i == 2) {
    uint32_t v = (uint8_t(bytes[i]) << 16) | (uint8_t(bytes[i + 1]) << 8);
    out += abc[v >> 18];
    out += abc[(v >> 12) & 63];
    out += abc[(v >> 6) & 63];
    out += '=';
  }
  return out;
}

inline std::string Le32(uint32_t v) {
  std::string s(4, '\0');
  for (int i = 0; i < 4; ++i) s[i] = static_cast<char>((v >> (8 * i)) & 0xFF);
  return s;
}

// One record: type, little-endian length, payload.
inline std::string Record(int type, const std::string& payload) {
  return std::string(1, static_cast<char>(type)) + Le32(static_cast<uint32_t>(payload.size())) +
         payload;
}

inline std::string Bzip2(const std::string& plain) {
  std::vector<char> out(plain.size() * 2 + 1024);
  unsigned int size = static_cast<unsigned int>(out.size());
  int rc = BZ2_bzBuffToBuffCompress(out.data(), &size, const_cast<char*>(plain.data()),
                                    static_cast<unsigned int>(plain.size()), 9, 0, 30);
  EXPECT_EQ(rc, BZ_OK);
  return std::string(out.data(), size);
}

// The binary block around a record stream.
inline std::string Block(const std::string& records) {
  std::string packed = Bzip2(records);
  return Le32(static_cast<uint32_t>(records.size())) + Le32(BitwiseCrc(packed)) +
         std::string("\x01\0\0\0", 4) + packed;
}

// The "[KORE EXTENSION]" section around a record stream.
inline std::string ExtensionSection(const std::string& records) {
  std::string text = PlainBase64(Block(records));
  std::string out = "[KORE EXTENSION]\r\nc=" + std::to_string(BitwiseCrc(text)) + "\r\n";
  for (size_t pos = 0; pos < text.size(); pos += 128) out += "d=" + text.substr(pos, 128) + "\r\n";
  return out + "\r\n";
}

inline MidiEvent Marker(int32_t tick, int32_t colour, const std::string& name) {
  MidiEvent m;
  m.kind = MidiEventKind::Marker;
  m.tick = tick;
  m.value = colour;
  m.text = name;
  return m;
}

// A fresh folder removed at the end of the test.
class TempFolder {
 public:
  TempFolder() {
    std::string pattern = ::testing::TempDir() + "kore-song-XXXXXX";
    path_ = mkdtemp(pattern.data()) ? pattern : std::string();
  }
  ~TempFolder() {
    std::error_code ignored;
    if (!path_.empty()) std::filesystem::remove_all(path_, ignored);
  }
  std::string File(const std::string& name) const {
    std::string f = path_;
    f += '/';
    f += name;
    return f;
  }
  const std::string& path() const { return path_; }

 private:
  std::string path_;
};

}  // namespace kore::filetest
