#pragma once
// A MIDI output port (ALSA sequencer or JACK through RtMidi), numbered in RtMidi's order.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "playback/midi_device.h"

namespace kore {

// What CMidiOutDevice needs of a port layer. A long message may complete after Send returns;
// LongDone tells when it has.
class MidiPortBackend {
 public:
  virtual ~MidiPortBackend() = default;
  virtual bool Open(uint32_t port) = 0;
  virtual void Close() = 0;
  virtual bool IsOpen() const = 0;
  virtual bool Send(const uint8_t* bytes, size_t count) = 0;
  virtual bool LongDone() = 0;
  // Silences the port before it closes (all notes and sounds off on every channel).
  virtual void Reset() = 0;
};

// The RtMidi backend; never throws.
std::unique_ptr<MidiPortBackend> MakeRtMidiBackend();

// Names of the output ports in port order (empty when the MIDI layer is unavailable).
std::vector<std::string> ListMidiOutPorts();

class CMidiOutDevice : public CMidiDevice {
 public:
  // Without a backend the RtMidi one is used. `longTimeoutMs` bounds the wait for a long
  // message to complete.
  explicit CMidiOutDevice(std::unique_ptr<MidiPortBackend> backend = nullptr,
                          int32_t longTimeoutMs = 2000);
  ~CMidiOutDevice() override;

  // Closes first, then opens the port; 1 when it cannot be opened (also for the mapper, -1,
  // which this layer does not have: the caller plays the mapper through the synthesizer).
  int Open(int32_t port) override;
  int Close() override;
  int ShortMessage(uint8_t status, uint8_t channel, uint8_t data1, uint8_t data2) override;
  // 1 when no port is open, the send fails, or the message does not complete in time.
  int LongMessage(const uint8_t* bytes, uint32_t count) override;
  bool IsOpen() const;

 private:
  std::unique_ptr<MidiPortBackend> backend_;
  int32_t longTimeoutMs_;
};

}  // namespace kore
