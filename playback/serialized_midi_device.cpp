#include "playback/serialized_midi_device.h"

namespace kore {

int CSerializedMidiDevice::Open(int32_t port) {
  std::lock_guard<std::mutex> hold(lock_);
  return device_.Open(port);
}

int CSerializedMidiDevice::Close() {
  std::lock_guard<std::mutex> hold(lock_);
  return device_.Close();
}

int CSerializedMidiDevice::ShortMessage(uint8_t status, uint8_t channel, uint8_t data1,
                                        uint8_t data2) {
  std::lock_guard<std::mutex> hold(lock_);
  return device_.ShortMessage(status, channel, data1, data2);
}

int CSerializedMidiDevice::LongMessage(const uint8_t* bytes, uint32_t count) {
  std::lock_guard<std::mutex> hold(lock_);
  return device_.LongMessage(bytes, count);
}

int CSerializedMidiDevice::Reset(int32_t resetType) {
  std::lock_guard<std::mutex> hold(lock_);
  return device_.Reset(resetType);
}

void CSerializedMidiDevice::SetSourceTrack(int32_t track) {
  std::lock_guard<std::mutex> hold(lock_);
  device_.SetSourceTrack(track);
}

}  // namespace kore
