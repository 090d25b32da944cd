#pragma once
// The output device interface everything that sounds goes through, the reset messages sent
// after opening, and a device that records every message instead of sounding it.
#include <atomic>
#include <cstdint>
#include <functional>
#include <mutex>
#include <span>
#include <string_view>
#include <vector>

namespace kore {

constexpr int32_t kResetTypeCount = 6;

// Name shown for a reset type 0..5 ("None", "GM System On", ...); empty outside.
std::string_view ResetTypeName(int32_t resetType);

// The message bytes of a reset type; empty for type 0 and for types outside 0..5.
std::span<const uint8_t> ResetMessage(int32_t resetType);

// One 32-bit word: channel in bits 0..3, the high nibble of status in bits 4..7, data 1 & 127 in
// bits 8..14, data 2 & 127 in bits 16..22.
constexpr uint32_t PackShortMessage(uint8_t status, uint8_t channel, uint8_t data1, uint8_t data2) {
  return (channel & 0x0Fu) | (status & 0xF0u) | (static_cast<uint32_t>(data1 & 0x7Fu) << 8) |
         (static_cast<uint32_t>(data2 & 0x7Fu) << 16);
}

// Number of bytes a packed word stands for on the wire (2 for program change and channel
// pressure, 3 otherwise).
int ShortMessageLength(uint32_t packed);

class CMidiDevice {
 public:
  virtual ~CMidiDevice() = default;
  // 0 on success, a non-zero failure code otherwise.
  virtual int Open(int32_t port) = 0;
  virtual int Close() = 0;
  // 0 on success, 1 on failure.
  virtual int ShortMessage(uint8_t status, uint8_t channel, uint8_t data1, uint8_t data2) = 0;
  virtual int LongMessage(const uint8_t* bytes, uint32_t count) = 0;
  // Sends the reset message of the type; type 0 sends nothing and succeeds, a type outside 0..5
  // fails.
  virtual int Reset(int32_t resetType);
  // Which track the following messages belong to (-1: none); only recording devices care.
  virtual void SetSourceTrack(int32_t track) { (void)track; }
};

// Keeps every message with the time it arrived. Serves the tests and `play --dump`; the optional
// sink sees each message as it arrives (on the sending thread).
class CRecordingMidiDevice : public CMidiDevice {
 public:
  struct Message {
    int64_t timeNs = 0;          // from the time source
    int32_t track = -1;          // SetSourceTrack in force when it was sent
    std::vector<uint8_t> bytes;  // a short message as its 2 or 3 wire bytes
  };
  using TimeSource = std::function<int64_t()>;
  using Sink = std::function<void(const Message&)>;

  // Without a time source every message is stamped 0.
  explicit CRecordingMidiDevice(TimeSource now = {}, Sink sink = {});

  int Open(int32_t port) override;
  int Close() override;
  int ShortMessage(uint8_t status, uint8_t channel, uint8_t data1, uint8_t data2) override;
  int LongMessage(const uint8_t* bytes, uint32_t count) override;
  void SetSourceTrack(int32_t track) override;

  bool IsOpen() const;
  // Makes every later send fail, to exercise callers' failure paths.
  void SetFailing(bool failing);
  std::vector<Message> Messages() const;
  void ClearMessages();

 private:
  void Record(std::vector<uint8_t> bytes);

  TimeSource now_;
  Sink sink_;
  mutable std::mutex mutex_;
  std::vector<Message> messages_;
  std::atomic<int32_t> track_{-1};
  bool open_ = false;
  bool failing_ = false;
};

}  // namespace kore
