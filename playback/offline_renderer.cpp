#include "playback/offline_renderer.h"

#include <algorithm>
#include <vector>

#include "playback/output_setup.h"
#include "playback/player_clock.h"

namespace kore {
namespace {

constexpr int32_t kProgressFrames = 22050;

struct Sounding {
  int32_t note;
  int32_t channel;
  bool muted;
};

class Renderer {
 public:
  Renderer(CFluidSynthDevice& device, std::vector<float>& left, std::vector<float>& right)
      : device_(device), left_(left), right_(right) {}

  void RenderTo(int64_t frame) {
    while (position_ < frame) {
      const auto n = static_cast<int32_t>(std::min<int64_t>(frame - position_, static_cast<int64_t>(left_.size())));
      device_.RenderFloat(left_.data(), right_.data(), n);
      position_ += n;
    }
  }
  int64_t Position() const { return position_; }

 private:
  CFluidSynthDevice& device_;
  std::vector<float>& left_;
  std::vector<float>& right_;
  int64_t position_ = 0;
};

}  // namespace

int RenderSongToWave(const PlaybackSong& song, const RenderOptions& options,
                     const std::string& path, const RenderProgress& progress,
                     RenderResult* result) {
  RenderResult local;
  RenderResult& out = result ? *result : local;
  out = {};
  SynthSettings synthSettings = options.synth;
  synthSettings.loadSamplesOnDemand = true;  // nothing waits on a program change here
  CFluidSynthDevice device(synthSettings);
  if (device.OpenOffline() != 0) {
    out.error = "the synthesizer cannot be set up";
    return kSynthInitFailed;
  }
  const bool dls = options.outputDls == 1 || options.outputDls == 3;
  if (device.LoadInstruments(options.bankPath) != 0) {
    const std::string bank = options.bankPath.empty() ? DefaultSoundFontPath() : options.bankPath;
    out.error = "cannot load the instruments of " + bank;
    return (dls || !options.bankPath.empty()) ? kSynthBankFailed : kSynthBuiltInFailed;
  }
  device.SetVolume(options.synth.volume);
  if (device.StartRecording(path) != 0) {
    out.error = device.RecordingError();
    return kRenderFileFailed;
  }

  if (options.resetType != 0) device.Reset(options.resetType);
  for (int32_t slot = 0; slot < kTrackSlotCount; ++slot) {
    InitChannel(&device, options.outputDls, slot, song.slots[slot]);
  }

  const int32_t rate = device.Settings().sampleRate;
  const int32_t ticksPerQuarter = song.timeBase.ticksPerQuarter > 0 ? song.timeBase.ticksPerQuarter : 1;
  const MidiEventList list = ExpandNoteOffs(song.events);
  const int32_t lastTick = list.empty() ? 0 : list.back().tick;
  std::vector<float> left(4096), right(4096);
  Renderer renderer(device, left, right);
  std::vector<Sounding> sounding;

  // The player's clock with the sample counter as its counter: records fall due where they
  // would in real time.
  TickClock clock;
  clock.SetTempo(rate, 120, ticksPerQuarter);
  clock.baseCounter = 0;
  clock.baseTick = 0;
  int64_t nextProgress = 0;
  for (const MidiEvent& record : list) {
    const int64_t due = std::max(renderer.Position(), clock.CounterWhenDue(record.tick));
    while (renderer.Position() < due) {
      renderer.RenderTo(std::min(due, renderer.Position() + kProgressFrames));
      if (progress && renderer.Position() >= nextProgress) {
        nextProgress = renderer.Position() + kProgressFrames;
        if (!progress(clock.TickAt(renderer.Position()), lastTick)) {
          device.DiscardRecording();
          out.error = "aborted";
          return 1;
        }
      }
    }
    const auto channel = static_cast<uint8_t>(record.channel);
    const int32_t track = record.track;
    const bool muted = track >= 0 && track < kTrackSlotCount && song.slots[track].muted != 0;
    switch (record.kind) {
      case MidiEventKind::Note:
        if (record.value <= 0) {
          device.ShortMessage(0x80, channel, static_cast<uint8_t>(record.note), 0);
        } else if (!muted) {
          device.ShortMessage(0x90, channel, static_cast<uint8_t>(record.note),
                              static_cast<uint8_t>(NoteVelocity(record.value)));
          sounding.push_back({record.note, record.channel, muted});
        }
        break;
      case MidiEventKind::Tempo:
        if (record.value > 0) {
          clock.SetTempo(rate, record.value, ticksPerQuarter);
          clock.baseCounter = renderer.Position();
          clock.baseTick = record.tick;
        }
        break;
      case MidiEventKind::ProgramChange:
        device.ShortMessage(0xC0, channel, static_cast<uint8_t>(record.value), 0);
        break;
      case MidiEventKind::ControlChange:
        device.ShortMessage(0xB0, channel, static_cast<uint8_t>(record.value),
                            static_cast<uint8_t>(record.value2));
        break;
      case MidiEventKind::PitchBend:
        device.ShortMessage(0xE0, channel, static_cast<uint8_t>(record.value),
                            static_cast<uint8_t>(record.value2));
        break;
      case MidiEventKind::SysEx:
        if (!record.data.empty()) {
          device.LongMessage(record.data.data(), static_cast<uint32_t>(record.data.size()));
        }
        break;
      default:
        if (record.kind == kNoteOffKind) {
          device.ShortMessage(0x80, channel, static_cast<uint8_t>(record.note), 0);
          auto it = std::find_if(sounding.begin(), sounding.end(), [&](const Sounding& s) {
            return s.note == record.note && s.channel == record.channel;
          });
          if (it != sounding.end()) sounding.erase(it);
        }
        break;
    }
  }
  out.songFrames = renderer.Position();
  // The end of play, as the player sends it.
  for (const Sounding& s : sounding) {
    device.ShortMessage(0x80, static_cast<uint8_t>(s.channel), static_cast<uint8_t>(s.note), 0);
  }
  for (uint8_t channel = 0; channel < 16; ++channel) {
    device.ShortMessage(0xB0, channel, 123, 127);
    device.ShortMessage(0xB0, channel, 64, 0);
  }
  renderer.RenderTo(out.songFrames + static_cast<int64_t>(rate) * options.tailMs / 1000);
  out.frames = renderer.Position();
  if (progress) progress(lastTick, lastTick);
  if (device.StopRecording() != 0) {
    out.error = device.RecordingError();
    return kRenderFileFailed;
  }
  return 0;
}

}  // namespace kore
