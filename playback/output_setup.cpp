#include "playback/output_setup.h"

#include <chrono>
#include <thread>

#include "base/shift_jis.h"
#include "playback/midi_out_device.h"
#include "song/instruments.h"

namespace kore {
namespace {

constexpr uint8_t kProgramChange = 0xC0;
constexpr uint8_t kControlChange = 0xB0;

void SleepFor(const OutputOpenHooks& hooks, int32_t ms) {
  if (hooks.sleep) {
    hooks.sleep(ms);
  } else {
    std::this_thread::sleep_for(std::chrono::milliseconds(ms));
  }
}

}  // namespace

SynthSettings SynthSettingsFrom(const OutputSettings& settings) {
  SynthSettings s;
  s.sampleRate = SampleRateFromIndex(settings.samplingRate);
  s.channels = settings.channel == 0 ? 1 : 2;
  s.reverb = settings.reverb;
  s.chorus = settings.chorus;
  s.delay = settings.delay;
  s.volume = settings.volume;
  s.audioDriver = settings.audioDriver;
  return s;
}

bool UsesSynthesizer(const OutputSettings& settings) {
  return settings.outputDls != 0 || settings.port < 0;
}

int32_t ChannelProgram(int32_t instrument, int32_t outputDls) {
  if (IsGameInstrument(instrument)) {
    const bool dls = outputDls == 1 || outputDls == 3;
    return dls ? InstrumentGameId(instrument) : InstrumentProgram(instrument);
  }
  return instrument - kGameInstrumentCount;
}

int InitChannel(CMidiDevice* device, int32_t outputDls, int32_t slot, const TrackProperties& track) {
  if (!device || slot < 0 || slot >= kTrackSlotCount || !track.inUse) return 1;
  const auto channel = static_cast<uint8_t>(slot);
  device->SetSourceTrack(slot);
  device->ShortMessage(kProgramChange, channel,
                       static_cast<uint8_t>(ChannelProgram(track.instrument, outputDls)), 0);
  device->ShortMessage(kControlChange, channel, 7, static_cast<uint8_t>(track.volume));
  device->ShortMessage(kControlChange, channel, 10, static_cast<uint8_t>(track.panpot));
  device->SetSourceTrack(-1);
  return 0;
}

int CreateOutputDevice(const OutputSettings& settings, std::unique_ptr<CMidiDevice>& device) {
  device.reset();
  if (!UsesSynthesizer(settings)) {
    auto port = std::make_unique<CMidiOutDevice>();
    if (port->Open(settings.port) != 0) return 1;
    device = std::move(port);
    return 0;
  }
  auto synth = std::make_unique<CFluidSynthDevice>(SynthSettingsFrom(settings));
  const bool mapper = settings.outputDls == 0;
  if (const int code = synth->Open(0); code != 0) return mapper ? 1 : code;
  const bool dls = settings.outputDls == 1 || settings.outputDls == 3;
  if (synth->LoadInstruments(dls ? settings.dlsFilePath : settings.soundFontPath) != 0) {
    if (mapper) return 1;
    return dls ? kSynthBankFailed : kSynthBuiltInFailed;
  }
  synth->SetVolume(settings.volume);
  device = std::move(synth);
  return 0;
}

std::string OpenFailureMessage(int code) {
  std::string_view text;
  switch (code) {
    case 1: text = "MIDI出力デバイスのオープンに失敗しました。"; break;
    case 2: text = "DirectMusicの初期化に失敗しました。"; break;
    case 3: text = "DirectMusicの出力ポートのオープンに失敗しました。"; break;
    case 4: text = "DLSファイルの読み込みに失敗しました。\nDLSファイルの設定を見直してください。"; break;
    case 5: text = "DirectMusic Synthesizerの音色データのロードに失敗しました。"; break;
    default: text = "想定外のエラーが発生しました。"; break;
  }
  return Sjis(text) + Sjis("\n\nMIDI設定を開きますか？");
}

std::string OpenFailureCaption(std::string_view appTitle) {
  return std::string(appTitle) + Sjis(" MIDI出力先のオープンに失敗");
}

std::string ResetFailureMessage() { return Sjis("MIDI音源のリセットに失敗しました"); }

std::string OpeningMessage() { return Sjis("MIDIデバイス初期化中"); }

int OpenOutput(std::unique_ptr<CMidiDevice>& device, OutputSettings& settings,
               const std::array<TrackProperties, kTrackSlotCount>& slots,
               const OutputOpenHooks& hooks) {
  for (;;) {
    if (device) return 0;
    if (hooks.showWaiting) hooks.showWaiting();
    const int code = CreateOutputDevice(settings, device);
    if (code == 0) {
      if (settings.resetType != 0) {
        if (device->Reset(settings.resetType) == 0) {
          SleepFor(hooks, 100);
        } else {
          NotifyUser(hooks.notifier, NotifySeverity::Error, ResetFailureMessage());
        }
      }
      for (int32_t slot = 0; slot < kTrackSlotCount; ++slot) {
        if (InitChannel(device.get(), settings.outputDls, slot, slots[slot]) == 0) SleepFor(hooks, 10);
      }
      if (hooks.hideWaiting) hooks.hideWaiting();
      return 0;
    }
    if (hooks.hideWaiting) hooks.hideWaiting();
    if (!hooks.askOpenSettings ||
        !hooks.askOpenSettings(OpenFailureMessage(code), OpenFailureCaption(Sjis(hooks.appTitle)),
                               settings)) {
      return 1;
    }
  }
}

std::vector<OutputChoice> ListOutputChoices() {
  std::vector<OutputChoice> choices;
  choices.push_back({"MIDI Mapper (FluidSynth General MIDI)", 0, -1});
  const auto ports = ListMidiOutPorts();
  for (size_t i = 0; i < ports.size(); ++i) {
    choices.push_back({ports[i], 0, static_cast<int32_t>(i)});
  }
  if (SynthesizerAvailable()) {
    choices.push_back({"FluidSynth Synthesizer", 2, -1});
    choices.push_back({"FluidSynth DLS", 1, -1});
  }
  return choices;
}

int32_t SelectedOutputChoice(const std::vector<OutputChoice>& choices, const OutputSettings& settings) {
  for (size_t i = 0; i < choices.size(); ++i) {
    const OutputChoice& c = choices[i];
    if (settings.outputDls == 2 && c.outputDls == 2) return static_cast<int32_t>(i);
    if ((settings.outputDls == 1 || settings.outputDls == 3) && c.outputDls == 1) {
      return static_cast<int32_t>(i);
    }
    if (settings.outputDls == 0 && c.outputDls == 0 && c.port == settings.port && c.port >= 0) {
      return static_cast<int32_t>(i);
    }
  }
  return 0;  // the mapper, also for a port number that no longer exists
}

}  // namespace kore
