#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "playback/serialized_midi_device.h"

namespace kore {
namespace {

// Notices when a second call enters while one is still inside.
class OverlapDetector : public CMidiDevice {
 public:
  int Open(int32_t) override { return 0; }
  int Close() override { return 0; }
  int ShortMessage(uint8_t, uint8_t, uint8_t, uint8_t) override { return Enter(); }
  int LongMessage(const uint8_t*, uint32_t) override { return Enter(); }
  std::atomic<bool> overlapped{false};
  std::atomic<int> calls{0};

 private:
  int Enter() {
    if (inside_.fetch_add(1) != 0) overlapped = true;
    std::this_thread::sleep_for(std::chrono::microseconds(50));
    inside_.fetch_sub(1);
    ++calls;
    return 0;
  }
  std::atomic<int> inside_{0};
};

TEST(SerializedMidiDevice, PlayerAndChannelSetUpNeverSendAtOnce) {
  OverlapDetector device;
  CSerializedMidiDevice serialized(device);
  auto send = [&serialized](uint8_t status) {
    for (int i = 0; i < 200; ++i) serialized.ShortMessage(status, 0, 60, 100);
  };
  std::thread player(send, 0x90);
  std::thread setup([&serialized] {
    const uint8_t reset[] = {0xF0, 0x7E, 0x7F, 0x09, 0x01, 0xF7};
    for (int i = 0; i < 100; ++i) {
      serialized.ShortMessage(0xC0, 1, 73, 0);
      serialized.LongMessage(reset, sizeof reset);
    }
  });
  player.join();
  setup.join();
  EXPECT_FALSE(device.overlapped);
  EXPECT_EQ(device.calls, 400);
}

}  // namespace
}  // namespace kore
