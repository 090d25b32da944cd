// kore-cli render: writes a song as a WAVE file through the synthesizer, offline (as fast as the
// machine allows) or, with --realtime, by playing it once and recording what is heard.
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <memory>
#include <string>
#include <thread>

#include "base/shift_jis.h"
#include "cli/command_registry.h"
#include "cli/open_song.h"
#include "playback/offline_renderer.h"
#include "playback/output_setup.h"
#include "playback/wave_export.h"
#include "song/loaded_song.h"
#include "song/song_file.h"

namespace kore::cli {
namespace {

struct RenderCliOptions {
  std::string song;
  std::string out;
  std::string soundFont;
  int32_t rate = 44100;
  bool mono = false;
  bool reverb = false;
  bool chorus = false;
  bool delay = false;
  int32_t volume = 100;
  bool realtime = false;
  int32_t resetType = 1;
  std::string audioDriver = kSilentAudioDriver;
};

bool EndsWithDls(const std::string& path) {
  if (path.size() < 4) return false;
  std::string ext = path.substr(path.size() - 4);
  for (char& c : ext) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return ext == ".dls";
}

void Bar(int32_t tick, int32_t lastTick) {
  const int width = 40;
  const int filled = lastTick > 0 ? std::min(width, static_cast<int>(int64_t{tick} * width / lastTick)) : width;
  std::fprintf(stderr, "\r[%.*s%.*s] %3d%%", filled, "########################################",
               width - filled, "----------------------------------------", filled * 100 / width);
  std::fflush(stderr);
}

int RenderRealtime(const PlaybackSong& song, const OutputSettings& settings, const std::string& out,
                   bool bar) {
  std::unique_ptr<CMidiDevice> device;
  if (const int code = CreateOutputDevice(settings, device); code != 0) {
    std::string text = SjisToUtf8Lossy(OpenFailureMessage(code));
    Fail(text.substr(0, text.find("\n\n")), code);
  }
  auto* synth = static_cast<CFluidSynthDevice*>(device.get());
  if (settings.resetType != 0) synth->Reset(settings.resetType);
  for (int32_t slot = 0; slot < kTrackSlotCount; ++slot) {
    InitChannel(synth, settings.outputDls, slot, song.slots[slot]);
  }
  CMMLPlayer player;
  player.SetSong(std::make_shared<PlaybackSong>(song));
  player.SetDevice(synth);
  CWaveExport exporter(player, *synth);
  if (exporter.Start(out) != 0) {
    Fail(SjisToUtf8Lossy(CWaveExport::FailureMessage()) + " " + exporter.Error());
  }
  for (;;) {
    if (player.WaitForFinish(200)) player.HandleFinished();
    const CWaveExport::State state = exporter.OnTimer();
    if (bar) Bar(exporter.Progress(), exporter.ProgressMax());
    if (state != CWaveExport::State::Exporting) break;
  }
  if (bar) std::fprintf(stderr, "\n");
  if (exporter.GetState() == CWaveExport::State::Failed) {
    Fail(SjisToUtf8Lossy(CWaveExport::FailureMessage()) + " " + exporter.Error());
  }
  return 0;
}

void RunRender(const RenderCliOptions& options) {
  std::unique_ptr<CMMLDocument> document = OpenSongOrFail(options.song);
  const PlaybackSong song = MakePlaybackSong(*document);
  const bool bar = isatty(STDERR_FILENO);

  OutputSettings settings;
  settings.outputDls = options.soundFont.empty() ? 2 : (EndsWithDls(options.soundFont) ? 1 : 2);
  if (settings.outputDls == 1) {
    settings.dlsFilePath = options.soundFont;
  } else {
    settings.soundFontPath = options.soundFont;
  }
  settings.resetType = options.resetType;
  settings.channel = options.mono ? 0 : 1;
  settings.reverb = options.reverb;
  settings.chorus = options.chorus;
  settings.delay = options.delay;
  settings.volume = options.volume;
  settings.audioDriver = options.audioDriver;
  for (int32_t i = 0; i < 4; ++i) {
    if (SampleRateFromIndex(i) == options.rate) settings.samplingRate = i;
  }
  const auto began = std::chrono::steady_clock::now();
  if (options.realtime) {
    RenderRealtime(song, settings, options.out, bar);
    std::printf("%s: %d Hz %s, recorded in real time\n", options.out.c_str(), options.rate,
                options.mono ? "mono" : "stereo");
    return;
  }

  RenderOptions render;
  render.synth = SynthSettingsFrom(settings);
  render.outputDls = settings.outputDls;
  render.bankPath = options.soundFont;
  render.resetType = options.resetType;
  RenderResult result;
  const int code = RenderSongToWave(song, render, options.out,
                                    [bar](int32_t tick, int32_t last) {
                                      if (bar) Bar(tick, last);
                                      return true;
                                    },
                                    &result);
  if (bar) std::fprintf(stderr, "\n");
  if (code != 0) {
    std::string text = code == kRenderFileFailed ? SjisToUtf8Lossy(CWaveExport::FailureMessage())
                                                 : SjisToUtf8Lossy(OpenFailureMessage(code));
    Fail(text.substr(0, text.find("\n\n")) + " " + result.error, code);
  }
  const double seconds = static_cast<double>(result.frames) / options.rate;
  const double took =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - began).count();
  std::printf("%s: %d Hz %s, %.3f s of audio, rendered in %.3f s (%.0fx real time)\n",
              options.out.c_str(), options.rate, options.mono ? "mono" : "stereo", seconds, took,
              took > 0 ? seconds / took : 0.0);
}

const CommandRegistration kRegistration("render", [](CLI::App& app) {
  auto options = std::make_shared<RenderCliOptions>();
  CLI::App* command = app.add_subcommand("render", "Render a song to a WAVE file through the synthesizer");
  command->add_option("SONG", options->song, "song (.mml, .kor or .mms)")->required();
  command->add_option("OUT", options->out, "WAVE file to write (.wav)")->required();
  command->add_option("--soundfont", options->soundFont,
                      "SoundFont (.sf2) or DLS bank (.dls; game instruments then use their game ids)");
  command->add_option("--rate", options->rate, "sample rate")
      ->check(CLI::IsMember({8000, 11025, 22050, 44100}))
      ->capture_default_str();
  command->add_flag("--mono", options->mono, "one channel (downmixed)");
  command->add_flag("--reverb", options->reverb, "reverb on");
  command->add_flag("--chorus", options->chorus, "chorus on");
  command->add_flag("--delay", options->delay, "delay on");
  command->add_option("--volume", options->volume, "output volume 0..100 (100 = 0 dB, 0 = -33.33 dB)")
      ->check(CLI::Range(0, 100))
      ->capture_default_str();
  command->add_flag("--realtime", options->realtime,
                    "play the song once in real time and record it (as the export dialog does)");
  command->add_option("--reset", options->resetType, "reset message sent first (0..5)")
      ->check(CLI::Range(0, 5))
      ->capture_default_str();
  command->add_option("--audio-driver", options->audioDriver,
                      "with --realtime: FluidSynth audio driver, or silent (no sound card)")
      ->capture_default_str();
  command->callback([options] { RunRender(*options); });
});

}  // namespace
}  // namespace kore::cli
