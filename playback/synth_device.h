#pragma once
// The software synthesizer output: FluidSynth loaded with a DLS bank (read through FluidSynth's
// libinstpatch loader) or a SoundFont, rendering at 8000 to 44100 Hz, mono or stereo, with
// reverb, chorus and a small feedback delay, either to an audio driver in real time or, for
// offline rendering, block by block on request. Every rendered block can be captured into a
// WAVE file in order and without gaps.
#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "playback/midi_device.h"
#include "playback/wave_writer.h"

namespace kore {

// The audio driver that needs no sound card: the synthesizer is rendered by a thread of our own,
// paced by the clock, so real-time playback and export work headless.
inline constexpr const char* kSilentAudioDriver = "silent";

struct SynthSettings {
  int32_t sampleRate = 44100;  // 8000, 11025, 22050 or 44100
  int32_t channels = 2;        // 1 mono (downmixed), 2 stereo
  bool reverb = true;
  bool chorus = true;
  bool delay = true;
  int32_t volume = 100;  // 0..100, see VolumeToCentibels
  // A FluidSynth audio driver name ("pulseaudio", "alsa", "jack", ...), empty for FluidSynth's
  // default, or kSilentAudioDriver.
  std::string audioDriver;
  // Load a bank's samples only when a program using them is chosen. Much faster start-up with a
  // large SoundFont, but a program change then waits for the loading: offline rendering only.
  bool loadSamplesOnDemand = false;
};

// Failure codes of opening the synthesizer and loading its instruments.
enum SynthFailure : int {
  kSynthInitFailed = 2,      // the synthesizer cannot be set up
  kSynthOutputFailed = 3,    // its audio output cannot be opened
  kSynthBankFailed = 4,      // the DLS file (or chosen SoundFont) cannot be loaded
  kSynthBuiltInFailed = 5,   // the built-in General MIDI set cannot be loaded
};

// The sampling-rate setting 0..3 as Hz (8000, 11025, 22050, 44100); anything else gives 22050.
int32_t SampleRateFromIndex(int32_t index);
// The four accepted rates.
bool IsSupportedSampleRate(int32_t rate);

// Output volume in hundredths of a decibel: ((v - 100) x 10000) / 300, truncating; a value
// outside 0..100 counts as 100. 100 gives 0, 0 gives -3333.
int32_t VolumeToCentibels(int32_t volume);

// The General MIDI set used for the built-in instruments: $KORE_SOUNDFONT when set, else the
// distribution's default SoundFont.
std::string DefaultSoundFontPath();

// Whether a synthesizer can be created on this machine (offers the synthesizer entries).
bool SynthesizerAvailable();

class CFluidSynthDevice : public CMidiDevice {
 public:
  explicit CFluidSynthDevice(SynthSettings settings = {});
  ~CFluidSynthDevice() override;
  CFluidSynthDevice(const CFluidSynthDevice&) = delete;
  CFluidSynthDevice& operator=(const CFluidSynthDevice&) = delete;

  // The port argument is ignored. 0, kSynthInitFailed or kSynthOutputFailed; on failure
  // nothing stays open.
  int Open(int32_t port) override;
  // Opens without any audio output; the caller pulls audio with Render.
  int OpenOffline();
  // Stops a running recording, unloads the instruments, closes everything.
  int Close() override;
  int ShortMessage(uint8_t status, uint8_t channel, uint8_t data1, uint8_t data2) override;
  int LongMessage(const uint8_t* bytes, uint32_t count) override;

  // Loads a DLS bank or SoundFont (empty path: the built-in General MIDI set) in place of the
  // instruments loaded before. 0 on success, 1 on failure.
  int LoadInstruments(const std::string& path);
  // Names and patch numbers (bank x 128 + program) of the loaded instruments.
  std::vector<std::pair<std::string, int32_t>> InstrumentList() const;
  void SetVolume(int32_t volume);

  // Offline mode: renders `frames` frames of 16-bit PCM in the configured channel layout into
  // `out` (frames x channels samples), capturing them when recording.
  void Render(int16_t* out, int32_t frames);
  // Float variant for callers that post-process; both buffers get `frames` samples.
  void RenderFloat(float* left, float* right, int32_t frames);

  // 1 when a recording already runs, the synthesizer is not open, or the file cannot be
  // created; else 0.
  int StartRecording(const std::string& path);
  // Finishes the file; 0 also when nothing was recording, 1 when writing failed.
  int StopRecording();
  // Drops a running recording without writing the destination.
  void DiscardRecording() { writer_.Discard(); }
  bool IsRecording() const { return writer_.IsRecording(); }
  std::string RecordingError() const { return writer_.LastError(); }

  bool IsOpen() const { return synth_ != nullptr; }
  const SynthSettings& Settings() const { return settings_; }
  WaveFormat Format() const;
  // Message of the last FluidSynth error (for the terminal).
  static std::string LastSynthError();

 private:
  int CreateSynth();
  void ReleaseAll();
  void ProcessBlock(float* left, float* right, int32_t frames);
  void Capture(const float* left, const float* right, int32_t frames);
  static int AudioCallback(void* data, int len, int nfx, float* fx[], int nout, float* out[]);
  void SilentDriverLoop();

  SynthSettings settings_;
  struct FluidObjects;
  std::unique_ptr<FluidObjects> fluid_;
  void* synth_ = nullptr;  // fluid_synth_t*, kept untyped to keep FluidSynth out of this header
  int soundFontId_ = -1;
  std::atomic<float> gain_{1.0f};

  // The delay line, touched only by the rendering thread.
  std::vector<float> delayLeft_, delayRight_;
  size_t delayPos_ = 0;

  std::thread silentThread_;
  std::atomic<bool> silentRunning_{false};
  std::vector<int16_t> captureScratch_;
  CWaveWriter writer_;
};

}  // namespace kore
