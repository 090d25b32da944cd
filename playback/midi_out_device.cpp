#include "playback/midi_out_device.h"

#include <rtmidi/RtMidi.h>
#include <unistd.h>

#include <chrono>
#include <thread>

#include "playback/quiet_alsa.h"

namespace kore {
namespace {

// RtMidi reports problems through this callback instead of throwing or printing.
void IgnoreRtMidiError(RtMidiError::Type, const std::string&, void* flag) {
  if (flag) *static_cast<bool*>(flag) = true;
}

std::unique_ptr<RtMidiOut> MakeRtMidiOut(bool* errorFlag) {
  // Without the ALSA sequencer there are no ports; RtMidi would only print that it is missing.
  if (::access("/dev/snd/seq", F_OK) != 0) return nullptr;
  SilenceAlsaErrors();
  try {
    auto out = std::make_unique<RtMidiOut>(RtMidi::UNSPECIFIED, "KOR EDITOR");
    out->setErrorCallback(&IgnoreRtMidiError, errorFlag);
    return out;
  } catch (const std::exception&) {
    return nullptr;
  }
}

class RtMidiBackend : public MidiPortBackend {
 public:
  bool Open(uint32_t port) override {
    Close();
    error_ = false;
    out_ = MakeRtMidiOut(&error_);
    if (!out_) return false;
    try {
      if (port >= out_->getPortCount()) {
        out_.reset();
        return false;
      }
      out_->openPort(port, "KOR EDITOR output");
    } catch (const std::exception&) {
      error_ = true;
    }
    if (error_ || !out_->isPortOpen()) {
      out_.reset();
      return false;
    }
    return true;
  }
  void Close() override {
    if (!out_) return;
    try {
      out_->closePort();
    } catch (const std::exception&) {
    }
    out_.reset();
  }
  bool IsOpen() const override { return out_ != nullptr; }
  bool Send(const uint8_t* bytes, size_t count) override {
    if (!out_) return false;
    error_ = false;
    try {
      // The sequencer is written without blocking: a full queue is an error, not a wait.
      out_->sendMessage(bytes, count);
    } catch (const std::exception&) {
      return false;
    }
    return !error_;
  }
  bool LongDone() override { return true; }
  void Reset() override {
    for (uint8_t ch = 0; ch < 16; ++ch) {
      const uint8_t allSoundOff[3] = {static_cast<uint8_t>(0xB0 | ch), 120, 0};
      const uint8_t allNotesOff[3] = {static_cast<uint8_t>(0xB0 | ch), 123, 0};
      Send(allSoundOff, 3);
      Send(allNotesOff, 3);
    }
  }

 private:
  std::unique_ptr<RtMidiOut> out_;
  bool error_ = false;
};

}  // namespace

std::unique_ptr<MidiPortBackend> MakeRtMidiBackend() { return std::make_unique<RtMidiBackend>(); }

std::vector<std::string> ListMidiOutPorts() {
  std::vector<std::string> names;
  bool error = false;
  auto out = MakeRtMidiOut(&error);
  if (!out) return names;
  try {
    const unsigned count = out->getPortCount();
    for (unsigned i = 0; i < count; ++i) names.push_back(out->getPortName(i));
  } catch (const std::exception&) {
  }
  return names;
}

CMidiOutDevice::CMidiOutDevice(std::unique_ptr<MidiPortBackend> backend, int32_t longTimeoutMs)
    : backend_(backend ? std::move(backend) : MakeRtMidiBackend()), longTimeoutMs_(longTimeoutMs) {}

CMidiOutDevice::~CMidiOutDevice() { Close(); }

int CMidiOutDevice::Open(int32_t port) {
  Close();
  if (port < 0) return 1;
  return backend_->Open(static_cast<uint32_t>(port)) ? 0 : 1;
}

int CMidiOutDevice::Close() {
  if (backend_->IsOpen()) {
    backend_->Reset();
    backend_->Close();
  }
  return 0;
}

bool CMidiOutDevice::IsOpen() const { return backend_->IsOpen(); }

int CMidiOutDevice::ShortMessage(uint8_t status, uint8_t channel, uint8_t data1, uint8_t data2) {
  if (!backend_->IsOpen()) return 1;
  const uint32_t packed = PackShortMessage(status, channel, data1, data2);
  const uint8_t bytes[3] = {static_cast<uint8_t>(packed & 0xFF), static_cast<uint8_t>(packed >> 8),
                            static_cast<uint8_t>(packed >> 16)};
  return backend_->Send(bytes, static_cast<size_t>(ShortMessageLength(packed))) ? 0 : 1;
}

int CMidiOutDevice::LongMessage(const uint8_t* bytes, uint32_t count) {
  if (!backend_->IsOpen() || !bytes || count == 0) return 1;
  if (!backend_->Send(bytes, count)) return 1;
  // Wait for completion, but not for ever: a port that never finishes is a failure.
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(longTimeoutMs_);
  while (!backend_->LongDone()) {
    if (std::chrono::steady_clock::now() >= deadline) return 1;
    std::this_thread::sleep_for(std::chrono::microseconds(200));
  }
  return 0;
}

}  // namespace kore
