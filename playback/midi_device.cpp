#include "playback/midi_device.h"

#include <array>

namespace kore {
namespace {

constexpr std::array<uint8_t, 6> kGmSystemOn = {0xF0, 0x7E, 0x7F, 0x09, 0x01, 0xF7};
constexpr std::array<uint8_t, 11> kGsReset = {0xF0, 0x41, 0x10, 0x42, 0x12, 0x40,
                                              0x00, 0x7F, 0x00, 0x41, 0xF7};
constexpr std::array<uint8_t, 9> kXgSystemOn = {0xF0, 0x43, 0x10, 0x4C, 0x00,
                                                0x00, 0x7E, 0x00, 0xF7};
constexpr std::array<uint8_t, 11> kSc88Mode1 = {0xF0, 0x41, 0x10, 0x42, 0x12, 0x00,
                                                0x00, 0x7F, 0x00, 0x01, 0xF7};
constexpr std::array<uint8_t, 13> kSd80Native = {0xF0, 0x41, 0x10, 0x00, 0x48, 0x12, 0x00,
                                                 0x00, 0x00, 0x00, 0x00, 0x00, 0xF7};

constexpr std::array<std::string_view, kResetTypeCount> kResetNames = {
    "None", "GM System On", "GS Reset", "XG System On", "Roland SC-88 Mode-1",
    "Roland SD-80 Native"};

}  // namespace

std::string_view ResetTypeName(int32_t resetType) {
  if (resetType < 0 || resetType >= kResetTypeCount) return {};
  return kResetNames[resetType];
}

std::span<const uint8_t> ResetMessage(int32_t resetType) {
  switch (resetType) {
    case 1: return kGmSystemOn;
    case 2: return kGsReset;
    case 3: return kXgSystemOn;
    case 4: return kSc88Mode1;
    case 5: return kSd80Native;
    default: return {};
  }
}

int ShortMessageLength(uint32_t packed) {
  const uint32_t kind = packed & 0xF0u;
  return (kind == 0xC0u || kind == 0xD0u) ? 2 : 3;
}

int CMidiDevice::Reset(int32_t resetType) {
  if (resetType < 0 || resetType >= kResetTypeCount) return 1;
  if (resetType == 0) return 0;
  auto bytes = ResetMessage(resetType);
  return LongMessage(bytes.data(), static_cast<uint32_t>(bytes.size()));
}

CRecordingMidiDevice::CRecordingMidiDevice(TimeSource now, Sink sink)
    : now_(std::move(now)), sink_(std::move(sink)) {}

int CRecordingMidiDevice::Open(int32_t) {
  std::lock_guard lock(mutex_);
  open_ = true;
  return 0;
}

int CRecordingMidiDevice::Close() {
  std::lock_guard lock(mutex_);
  open_ = false;
  return 0;
}

bool CRecordingMidiDevice::IsOpen() const {
  std::lock_guard lock(mutex_);
  return open_;
}

void CRecordingMidiDevice::SetFailing(bool failing) {
  std::lock_guard lock(mutex_);
  failing_ = failing;
}

int CRecordingMidiDevice::ShortMessage(uint8_t status, uint8_t channel, uint8_t data1,
                                       uint8_t data2) {
  const uint32_t packed = PackShortMessage(status, channel, data1, data2);
  std::vector<uint8_t> bytes = {static_cast<uint8_t>(packed & 0xFF),
                                static_cast<uint8_t>((packed >> 8) & 0x7F)};
  if (ShortMessageLength(packed) == 3) bytes.push_back(static_cast<uint8_t>((packed >> 16) & 0x7F));
  {
    std::lock_guard lock(mutex_);
    if (failing_) return 1;
  }
  Record(std::move(bytes));
  return 0;
}

int CRecordingMidiDevice::LongMessage(const uint8_t* bytes, uint32_t count) {
  {
    std::lock_guard lock(mutex_);
    if (failing_) return 1;
  }
  if (count > 0 && bytes == nullptr) return 1;
  Record(std::vector<uint8_t>(bytes, bytes + count));
  return 0;
}

void CRecordingMidiDevice::SetSourceTrack(int32_t track) {
  track_.store(track, std::memory_order_relaxed);
}

void CRecordingMidiDevice::Record(std::vector<uint8_t> bytes) {
  Message message{now_ ? now_() : 0, track_.load(std::memory_order_relaxed), std::move(bytes)};
  if (sink_) sink_(message);
  std::lock_guard lock(mutex_);
  messages_.push_back(std::move(message));
}

std::vector<CRecordingMidiDevice::Message> CRecordingMidiDevice::Messages() const {
  std::lock_guard lock(mutex_);
  return messages_;
}

void CRecordingMidiDevice::ClearMessages() {
  std::lock_guard lock(mutex_);
  messages_.clear();
}

}  // namespace kore
