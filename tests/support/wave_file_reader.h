#pragma once
// Reads back the WAVE files the tests write, checking the layout field by field.
#include <cstdint>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace kore::test {

struct WaveFile {
  bool ok = false;
  std::string problem;
  uint32_t riffSize = 0;
  uint32_t formatBytes = 0;
  uint16_t channels = 0;
  uint32_t sampleRate = 0;
  uint16_t bits = 0;
  uint32_t dataSize = 0;
  size_t fileSize = 0;
  std::vector<int16_t> samples;

  int64_t Frames() const { return channels ? static_cast<int64_t>(samples.size()) / channels : 0; }
  double PeakAbs() const {
    int peak = 0;
    for (int16_t s : samples) peak = std::max(peak, std::abs(static_cast<int>(s)));
    return peak;
  }
};

inline WaveFile ReadWave(const std::string& path) {
  WaveFile w;
  std::ifstream in(path, std::ios::binary);
  std::vector<uint8_t> b((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  w.fileSize = b.size();
  auto u32 = [&](size_t at) {
    return static_cast<uint32_t>(b[at] | (b[at + 1] << 8) | (b[at + 2] << 16) | (uint32_t{b[at + 3]} << 24));
  };
  auto u16 = [&](size_t at) { return static_cast<uint16_t>(b[at] | (b[at + 1] << 8)); };
  if (b.size() < 44 || std::memcmp(b.data(), "RIFF", 4) || std::memcmp(b.data() + 8, "WAVE", 4) ||
      std::memcmp(b.data() + 12, "fmt ", 4)) {
    w.problem = "not a RIFF WAVE file";
    return w;
  }
  w.riffSize = u32(4);
  w.formatBytes = u32(16);
  if (b.size() < 28 + w.formatBytes) {
    w.problem = "short";
    return w;
  }
  w.channels = u16(22);
  w.sampleRate = u32(24);
  w.bits = u16(34);
  if (std::memcmp(b.data() + 20 + w.formatBytes, "data", 4)) {
    w.problem = "no data chunk after fmt";
    return w;
  }
  w.dataSize = u32(24 + w.formatBytes);
  const size_t begin = 28 + w.formatBytes;
  const size_t count = (b.size() - begin) / 2;
  w.samples.resize(count);
  std::memcpy(w.samples.data(), b.data() + begin, count * 2);
  w.ok = true;
  return w;
}

}  // namespace kore::test
