#pragma once
// A device that lets one message through at a time: the player's thread and the user-interface
// thread (a track's channel set-up while a song plays) send through the same lock instead of
// calling the device at once. Wraps the real device, which it does not own.
// Any thread.
#include <cstdint>
#include <mutex>

#include "playback/midi_device.h"

namespace kore {

class CSerializedMidiDevice : public CMidiDevice {
 public:
  explicit CSerializedMidiDevice(CMidiDevice& device) : device_(device) {}

  int Open(int32_t port) override;
  int Close() override;
  int ShortMessage(uint8_t status, uint8_t channel, uint8_t data1, uint8_t data2) override;
  int LongMessage(const uint8_t* bytes, uint32_t count) override;
  int Reset(int32_t resetType) override;
  void SetSourceTrack(int32_t track) override;

 private:
  CMidiDevice& device_;
  std::mutex lock_;
};

}  // namespace kore
