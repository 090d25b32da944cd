#include "playback/wave_writer.h"

#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <random>

namespace kore {
namespace {

// RIFF sizes are 32-bit: stop taking audio before the data size would overflow.
constexpr uint64_t kMaxDataBytes = 0xFFFFFFFFull - 64;

void PutU16(unsigned char* p, uint16_t v) {
  p[0] = static_cast<unsigned char>(v);
  p[1] = static_cast<unsigned char>(v >> 8);
}
void PutU32(unsigned char* p, uint32_t v) {
  for (int i = 0; i < 4; ++i) p[i] = static_cast<unsigned char>(v >> (8 * i));
}

bool WriteU32At(std::FILE* f, long offset, uint32_t v) {
  unsigned char b[4];
  PutU32(b, v);
  return std::fseek(f, offset, SEEK_SET) == 0 && std::fwrite(b, 1, 4, f) == 4;
}

std::string TempPathFor(const std::string& path) {
  std::random_device rd;
  return path + ".tmp" + std::to_string(::getpid()) + "-" + std::to_string(rd() % 100000);
}

}  // namespace

WaveFormat WaveFormat::Pcm16(uint32_t sampleRate, uint16_t channels) {
  WaveFormat f;
  f.channels = channels;
  f.samplesPerSecond = sampleRate;
  f.blockAlign = static_cast<uint16_t>(channels * 2);
  f.averageBytesPerSecond = sampleRate * f.blockAlign;
  return f;
}

CWaveWriter::~CWaveWriter() { Discard(); }

int CWaveWriter::StartRecording(const std::string& path, const WaveFormat& format) {
  std::lock_guard lock(mutex_);
  if (file_) {
    error_ = "a recording is already running";
    return 1;
  }
  tempPath_ = TempPathFor(path);
  file_ = std::fopen(tempPath_.c_str(), "wb");
  if (!file_) {
    error_ = "cannot create " + path + ": " + std::strerror(errno);
    return 1;
  }
  path_ = path;
  dataBytes_ = 0;
  writeFailed_ = false;
  formatBytes_ = WaveFormat::kBlockBytes;
  unsigned char header[28 + WaveFormat::kBlockBytes] = {};
  std::memcpy(header, "RIFF", 4);
  PutU32(header + 4, 0);
  std::memcpy(header + 8, "WAVE", 4);
  std::memcpy(header + 12, "fmt ", 4);
  PutU32(header + 16, formatBytes_);
  unsigned char* fmt = header + 20;
  PutU16(fmt, format.formatTag);
  PutU16(fmt + 2, format.channels);
  PutU32(fmt + 4, format.samplesPerSecond);
  PutU32(fmt + 8, format.averageBytesPerSecond);
  PutU16(fmt + 12, format.blockAlign);
  PutU16(fmt + 14, format.bitsPerSample);
  PutU16(fmt + 16, format.extraSize);
  std::memcpy(header + 20 + formatBytes_, "data", 4);
  PutU32(header + 24 + formatBytes_, 0);
  if (std::fwrite(header, 1, sizeof header, file_) != sizeof header) {
    error_ = "cannot write " + path + ": " + std::strerror(errno);
    CloseAndRemove();
    return 1;
  }
  return 0;
}

void CWaveWriter::Append(const void* bytes, size_t length) {
  std::lock_guard lock(mutex_);
  if (!file_ || writeFailed_ || length == 0) return;
  if (dataBytes_ + length > kMaxDataBytes) {
    writeFailed_ = true;
    error_ = "the recording exceeds the 4 GiB a WAVE file can hold";
    return;
  }
  if (std::fwrite(bytes, 1, length, file_) != length) {
    writeFailed_ = true;
    error_ = std::string("write failed: ") + std::strerror(errno);
    return;
  }
  dataBytes_ += length;
}

int CWaveWriter::StopRecording() {
  std::lock_guard lock(mutex_);
  if (!file_) return 0;
  const auto data = static_cast<uint32_t>(dataBytes_);
  bool ok = !writeFailed_ && WriteU32At(file_, 4, 20 + formatBytes_ + data) &&
            WriteU32At(file_, static_cast<long>(24 + formatBytes_), data) &&
            std::fflush(file_) == 0;
  if (!ok && error_.empty()) error_ = std::string("write failed: ") + std::strerror(errno);
  if (std::fclose(file_) != 0 && ok) {
    ok = false;
    error_ = std::string("write failed: ") + std::strerror(errno);
  }
  file_ = nullptr;
  if (ok) {
    std::error_code ec;
    std::filesystem::rename(tempPath_, path_, ec);
    if (ec) {
      ok = false;
      error_ = "cannot rename into " + path_ + ": " + ec.message();
    }
  }
  if (!ok) std::remove(tempPath_.c_str());
  return ok ? 0 : 1;
}

void CWaveWriter::Discard() {
  std::lock_guard lock(mutex_);
  CloseAndRemove();
}

void CWaveWriter::CloseAndRemove() {
  if (!file_) return;
  std::fclose(file_);
  file_ = nullptr;
  std::remove(tempPath_.c_str());
}

bool CWaveWriter::IsRecording() const {
  std::lock_guard lock(mutex_);
  return file_ != nullptr;
}

uint32_t CWaveWriter::DataBytes() const {
  std::lock_guard lock(mutex_);
  return static_cast<uint32_t>(dataBytes_);
}

std::string CWaveWriter::LastError() const {
  std::lock_guard lock(mutex_);
  return error_;
}

}  // namespace kore
