#include "playback/synth_device.h"

#include <fluidsynth.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <mutex>

#include "playback/quiet_alsa.h"

namespace kore {
namespace {

constexpr double kDelaySeconds = 0.12;
constexpr float kDelayFeedback = 0.35f;
constexpr float kDelayMix = 0.3f;
constexpr int32_t kSilentBlockFrames = 256;
constexpr int32_t kMaxBlockFrames = 8192;

std::mutex& LogMutex() {
  static std::mutex m;
  return m;
}
std::string& LastError() {
  static std::string error;
  return error;
}

// FluidSynth reports through its log; keep the last error for our own messages instead of
// letting it print (a DLS file, for instance, is first offered to the SoundFont loader).
void QuietLog(int level, const char* message, void*) {
  if (level <= FLUID_ERR) {
    std::lock_guard lock(LogMutex());
    LastError() = message ? message : "";
  }
}

void InstallQuietLog() {
  SilenceAlsaErrors();
  static std::once_flag once;
  std::call_once(once, [] {
    fluid_set_log_function(FLUID_ERR, QuietLog, nullptr);
    fluid_set_log_function(FLUID_WARN, QuietLog, nullptr);
    fluid_set_log_function(FLUID_INFO, QuietLog, nullptr);
    fluid_set_log_function(FLUID_DBG, QuietLog, nullptr);
  });
}

inline int16_t ToPcm16(float v) {
  const float scaled = v * 32767.0f;
  if (scaled >= 32767.0f) return 32767;
  if (scaled <= -32768.0f) return -32768;
  return static_cast<int16_t>(std::lrintf(scaled));
}

fluid_synth_t* AsSynth(void* p) { return static_cast<fluid_synth_t*>(p); }

}  // namespace

struct CFluidSynthDevice::FluidObjects {
  fluid_settings_t* settings = nullptr;
  fluid_audio_driver_t* driver = nullptr;
};

int32_t SampleRateFromIndex(int32_t index) {
  static constexpr int32_t kRates[] = {8000, 11025, 22050, 44100};
  return (index >= 0 && index <= 3) ? kRates[index] : 22050;
}

bool IsSupportedSampleRate(int32_t rate) {
  return rate == 8000 || rate == 11025 || rate == 22050 || rate == 44100;
}

int32_t VolumeToCentibels(int32_t volume) {
  if (volume < 0 || volume > 100) volume = 100;
  return ((volume - 100) * 10000) / 300;
}

std::string DefaultSoundFontPath() {
  if (const char* env = std::getenv("KORE_SOUNDFONT"); env && *env) return env;
  return "/usr/share/sounds/sf2/default-GM.sf2";
}

bool SynthesizerAvailable() {
  InstallQuietLog();
  fluid_settings_t* settings = new_fluid_settings();
  if (!settings) return false;
  fluid_synth_t* synth = new_fluid_synth(settings);
  const bool ok = synth != nullptr;
  if (synth) delete_fluid_synth(synth);
  delete_fluid_settings(settings);
  return ok;
}

std::string CFluidSynthDevice::LastSynthError() {
  std::lock_guard lock(LogMutex());
  return LastError();
}

CFluidSynthDevice::CFluidSynthDevice(SynthSettings settings)
    : settings_(std::move(settings)), fluid_(std::make_unique<FluidObjects>()) {
  InstallQuietLog();
  if (!IsSupportedSampleRate(settings_.sampleRate)) settings_.sampleRate = 44100;
  if (settings_.channels != 1) settings_.channels = 2;
  SetVolume(settings_.volume);
}

CFluidSynthDevice::~CFluidSynthDevice() { Close(); }

WaveFormat CFluidSynthDevice::Format() const {
  return WaveFormat::Pcm16(static_cast<uint32_t>(settings_.sampleRate),
                           static_cast<uint16_t>(settings_.channels));
}

int CFluidSynthDevice::CreateSynth() {
  fluid_->settings = new_fluid_settings();
  if (!fluid_->settings) return kSynthInitFailed;
  fluid_settings_t* s = fluid_->settings;
  fluid_settings_setnum(s, "synth.sample-rate", settings_.sampleRate);
  fluid_settings_setint(s, "synth.reverb.active", settings_.reverb ? 1 : 0);
  fluid_settings_setint(s, "synth.chorus.active", settings_.chorus ? 1 : 0);
  fluid_settings_setint(s, "synth.cpu-cores", 1);
  fluid_settings_setint(s, "synth.threadsafe-api", 1);
  fluid_settings_setint(s, "audio.period-size", 256);
  fluid_settings_setint(s, "synth.dynamic-sample-loading", settings_.loadSamplesOnDemand ? 1 : 0);
  if (!settings_.audioDriver.empty() && settings_.audioDriver != kSilentAudioDriver) {
    if (fluid_settings_setstr(s, "audio.driver", settings_.audioDriver.c_str()) != FLUID_OK) {
      return kSynthOutputFailed;
    }
  }
  synth_ = new_fluid_synth(s);
  if (!synth_) return kSynthInitFailed;
  const size_t delayFrames = static_cast<size_t>(kDelaySeconds * settings_.sampleRate);
  delayLeft_.assign(delayFrames, 0.0f);
  delayRight_.assign(delayFrames, 0.0f);
  delayPos_ = 0;
  return 0;
}

int CFluidSynthDevice::Open(int32_t) {
  Close();
  if (const int code = CreateSynth(); code != 0) {
    ReleaseAll();
    return code;
  }
  if (settings_.audioDriver == kSilentAudioDriver) {
    silentRunning_.store(true);
    silentThread_ = std::thread([this] { SilentDriverLoop(); });
    return 0;
  }
  fluid_->driver = new_fluid_audio_driver2(fluid_->settings, &CFluidSynthDevice::AudioCallback, this);
  if (!fluid_->driver) {
    // Never leave a synthesizer without its output behind.
    ReleaseAll();
    return kSynthOutputFailed;
  }
  return 0;
}

int CFluidSynthDevice::OpenOffline() {
  Close();
  if (const int code = CreateSynth(); code != 0) {
    ReleaseAll();
    return code;
  }
  return 0;
}

int CFluidSynthDevice::Close() {
  StopRecording();
  ReleaseAll();
  return 0;
}

void CFluidSynthDevice::ReleaseAll() {
  if (fluid_->driver) {
    delete_fluid_audio_driver(fluid_->driver);
    fluid_->driver = nullptr;
  }
  if (silentThread_.joinable()) {
    silentRunning_.store(false);
    silentThread_.join();
  }
  if (synth_) {
    delete_fluid_synth(AsSynth(synth_));
    synth_ = nullptr;
  }
  soundFontId_ = -1;
  if (fluid_->settings) {
    delete_fluid_settings(fluid_->settings);
    fluid_->settings = nullptr;
  }
}

int CFluidSynthDevice::ShortMessage(uint8_t status, uint8_t channel, uint8_t data1, uint8_t data2) {
  if (!synth_) return 1;
  fluid_synth_t* synth = AsSynth(synth_);
  const uint32_t packed = PackShortMessage(status, channel, data1, data2);
  const int ch = static_cast<int>(packed & 0x0F);
  const int d1 = static_cast<int>((packed >> 8) & 0x7F);
  const int d2 = static_cast<int>((packed >> 16) & 0x7F);
  int result = FLUID_OK;
  switch (packed & 0xF0) {
    case 0x80:
      fluid_synth_noteoff(synth, ch, d1);  // releasing a silent key is not a failure
      break;
    case 0x90:
      result = d2 == 0 ? (fluid_synth_noteoff(synth, ch, d1), FLUID_OK) : fluid_synth_noteon(synth, ch, d1, d2);
      break;
    case 0xA0: result = fluid_synth_key_pressure(synth, ch, d1, d2); break;
    case 0xB0: result = fluid_synth_cc(synth, ch, d1, d2); break;
    case 0xC0: result = fluid_synth_program_change(synth, ch, d1); break;
    case 0xD0: result = fluid_synth_channel_pressure(synth, ch, d1); break;
    case 0xE0: result = fluid_synth_pitch_bend(synth, ch, (d2 << 7) | d1); break;
    default: return 1;
  }
  return result == FLUID_OK ? 0 : 1;
}

int CFluidSynthDevice::LongMessage(const uint8_t* bytes, uint32_t count) {
  if (!synth_ || !bytes || count == 0) return 1;
  // FluidSynth takes the message without its F0 and F7 framing.
  uint32_t begin = bytes[0] == 0xF0 ? 1 : 0;
  uint32_t end = count;
  if (end > begin && bytes[end - 1] == 0xF7) --end;
  if (end <= begin) return 1;
  const int result = fluid_synth_sysex(AsSynth(synth_), reinterpret_cast<const char*>(bytes + begin),
                                       static_cast<int>(end - begin), nullptr, nullptr, nullptr, 0);
  return result == FLUID_OK ? 0 : 1;
}

int CFluidSynthDevice::LoadInstruments(const std::string& path) {
  if (!synth_) return 1;
  fluid_synth_t* synth = AsSynth(synth_);
  const std::string file = path.empty() ? DefaultSoundFontPath() : path;
  if (soundFontId_ >= 0) {
    fluid_synth_sfunload(synth, soundFontId_, 1);
    soundFontId_ = -1;
  }
  const int id = fluid_synth_sfload(synth, file.c_str(), 1);
  if (id < 0) return 1;
  soundFontId_ = id;
  return 0;
}

std::vector<std::pair<std::string, int32_t>> CFluidSynthDevice::InstrumentList() const {
  std::vector<std::pair<std::string, int32_t>> out;
  if (!synth_ || soundFontId_ < 0) return out;
  fluid_sfont_t* font = fluid_synth_get_sfont_by_id(AsSynth(synth_), soundFontId_);
  if (!font) return out;
  fluid_sfont_iteration_start(font);
  while (fluid_preset_t* preset = fluid_sfont_iteration_next(font)) {
    const char* name = fluid_preset_get_name(preset);
    out.emplace_back(name ? name : "",
                     fluid_preset_get_banknum(preset) * 128 + fluid_preset_get_num(preset));
  }
  return out;
}

void CFluidSynthDevice::SetVolume(int32_t volume) {
  settings_.volume = volume;
  gain_.store(static_cast<float>(std::pow(10.0, VolumeToCentibels(volume) / 2000.0)));
}

void CFluidSynthDevice::ProcessBlock(float* left, float* right, int32_t frames) {
  fluid_synth_write_float(AsSynth(synth_), frames, left, 0, 1, right, 0, 1);
  if (settings_.delay && !delayLeft_.empty()) {
    const size_t size = delayLeft_.size();
    for (int32_t i = 0; i < frames; ++i) {
      const float dl = delayLeft_[delayPos_];
      const float dr = delayRight_[delayPos_];
      delayLeft_[delayPos_] = left[i] + dl * kDelayFeedback;
      delayRight_[delayPos_] = right[i] + dr * kDelayFeedback;
      left[i] += dl * kDelayMix;
      right[i] += dr * kDelayMix;
      if (++delayPos_ == size) delayPos_ = 0;
    }
  }
  const float gain = gain_.load(std::memory_order_relaxed);
  if (settings_.channels == 1) {
    const float half = 0.5f * gain;
    for (int32_t i = 0; i < frames; ++i) left[i] = right[i] = (left[i] + right[i]) * half;
  } else if (gain != 1.0f) {
    for (int32_t i = 0; i < frames; ++i) {
      left[i] *= gain;
      right[i] *= gain;
    }
  }
}

void CFluidSynthDevice::Capture(const float* left, const float* right, int32_t frames) {
  if (!writer_.IsRecording()) return;
  const int channels = settings_.channels;
  captureScratch_.resize(static_cast<size_t>(frames) * channels);
  int16_t* out = captureScratch_.data();
  if (channels == 1) {
    for (int32_t i = 0; i < frames; ++i) out[i] = ToPcm16(left[i]);
  } else {
    for (int32_t i = 0; i < frames; ++i) {
      out[2 * i] = ToPcm16(left[i]);
      out[2 * i + 1] = ToPcm16(right[i]);
    }
  }
  writer_.Append(out, captureScratch_.size() * sizeof(int16_t));
}

void CFluidSynthDevice::RenderFloat(float* left, float* right, int32_t frames) {
  if (!synth_) {
    std::fill(left, left + frames, 0.0f);
    std::fill(right, right + frames, 0.0f);
    return;
  }
  for (int32_t done = 0; done < frames;) {
    const int32_t n = std::min(kMaxBlockFrames, frames - done);
    ProcessBlock(left + done, right + done, n);
    Capture(left + done, right + done, n);
    done += n;
  }
}

void CFluidSynthDevice::Render(int16_t* out, int32_t frames) {
  std::vector<float> left(static_cast<size_t>(std::min(frames, kMaxBlockFrames)));
  std::vector<float> right(left.size());
  const int channels = settings_.channels;
  for (int32_t done = 0; done < frames;) {
    const int32_t n = std::min(kMaxBlockFrames, frames - done);
    RenderFloat(left.data(), right.data(), n);
    int16_t* dst = out + static_cast<size_t>(done) * channels;
    for (int32_t i = 0; i < n; ++i) {
      if (channels == 1) {
        dst[i] = ToPcm16(left[i]);
      } else {
        dst[2 * i] = ToPcm16(left[i]);
        dst[2 * i + 1] = ToPcm16(right[i]);
      }
    }
    done += n;
  }
}

int CFluidSynthDevice::AudioCallback(void* data, int len, int, float*[], int nout, float* out[]) {
  auto* self = static_cast<CFluidSynthDevice*>(data);
  if (nout < 2 || len <= 0) return FLUID_OK;
  self->ProcessBlock(out[0], out[1], len);
  self->Capture(out[0], out[1], len);
  return FLUID_OK;
}

void CFluidSynthDevice::SilentDriverLoop() {
  std::vector<float> left(kSilentBlockFrames), right(kSilentBlockFrames);
  const auto start = std::chrono::steady_clock::now();
  int64_t frames = 0;
  while (silentRunning_.load()) {
    ProcessBlock(left.data(), right.data(), kSilentBlockFrames);
    Capture(left.data(), right.data(), kSilentBlockFrames);
    frames += kSilentBlockFrames;
    const auto due = start + std::chrono::microseconds(frames * 1'000'000 / settings_.sampleRate);
    std::this_thread::sleep_until(due);
  }
}

int CFluidSynthDevice::StartRecording(const std::string& path) {
  if (!synth_ || writer_.IsRecording()) return 1;
  return writer_.StartRecording(path, Format());
}

int CFluidSynthDevice::StopRecording() { return writer_.StopRecording(); }

}  // namespace kore
