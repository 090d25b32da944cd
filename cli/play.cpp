// kore-cli play: plays a song in real time on a MIDI port or the synthesizer, or with --dump
// prints every message with its time instead of sounding it.
#include <unistd.h>

#include <atomic>
#include <csignal>
#include <cstdio>
#include <memory>
#include <string>

#include "base/shift_jis.h"
#include "cli/command_registry.h"
#include "cli/open_song.h"
#include "playback/mml_player.h"
#include "playback/output_setup.h"
#include "song/loaded_song.h"
#include "song/song_file.h"

namespace kore::cli {
namespace {

std::atomic<bool> gInterrupted{false};

void OnInterrupt(int) { gInterrupted.store(true); }

struct PlayOptions {
  std::string song;
  int32_t output = -1;
  bool loop = false;
  int32_t fromMeasure = 0;
  bool dump = false;
  std::string bank;
  int32_t resetType = 1;
  std::string audioDriver;
};

void ShowPosition(const CMMLPlayer& player, int32_t lastTick) {
  const int32_t tick = player.CurrentTick();
  const int32_t m = player.TicksPerMeasure();
  const int width = 30;
  const int filled = lastTick > 0 ? std::min(width, static_cast<int>(int64_t{tick} * width / lastTick)) : width;
  std::fprintf(stderr, "\r[%.*s%.*s] %04d:%04d %3d bpm", filled, "##############################",
               width - filled, "------------------------------", m > 0 ? tick / m : 0,
               m > 0 ? tick % m : 0, player.CurrentTempo());
  std::fflush(stderr);
}

void RunPlay(const PlayOptions& options) {
  std::unique_ptr<CMMLDocument> document = OpenSongOrFail(options.song);
  auto song = std::make_shared<PlaybackSong>(MakePlaybackSong(*document));

  CMMLPlayer player;
  std::unique_ptr<CMidiDevice> device;
  OutputSettings settings;
  settings.port = options.output;
  settings.resetType = options.resetType;
  settings.audioDriver = options.audioDriver;
  settings.samplingRate = 3;
  if (!options.bank.empty()) {
    settings.outputDls = 1;
    settings.dlsFilePath = options.bank;
  }
  if (options.dump) {
    // Times count from the moment the player started its clock.
    device = std::make_unique<CRecordingMidiDevice>(
        [&player] { return SystemPlayerClock().Counter(); },
        [&player](const CRecordingMidiDevice::Message& m) {
          const int64_t start = player.StartCounter();
          const double ms = start == 0 ? 0.0 : static_cast<double>(m.timeNs - start) / 1e6;
          std::printf("%.3f %d", ms < 0 ? 0.0 : ms, m.track);
          for (uint8_t b : m.bytes) std::printf(" %02X", b);
          std::printf("\n");
        });
    device->Open(0);
    if (settings.resetType != 0) device->Reset(settings.resetType);
    for (int32_t slot = 0; slot < kTrackSlotCount; ++slot) {
      InitChannel(device.get(), settings.outputDls, slot, song->slots[slot]);
    }
  } else {
    OutputOpenHooks hooks;
    CollectingNotifier notifier;
    hooks.notifier = &notifier;
    if (OpenOutput(device, settings, song->slots, hooks) != 0) {
      std::unique_ptr<CMidiDevice> probe;
      const int code = CreateOutputDevice(settings, probe);
      std::string text = SjisToUtf8Lossy(OpenFailureMessage(code));
      text = text.substr(0, text.find("\n\n"));
      const std::string detail = CFluidSynthDevice::LastSynthError();
      Fail(text + (detail.empty() ? "" : " (" + detail + ")"), code == 0 ? 1 : code);
    }
    for (auto& m : notifier.messages) std::fprintf(stderr, "%s\n", SjisToUtf8Lossy(m.text).c_str());
  }

  player.SetSong(song);
  player.SetDevice(device.get());
  const int32_t start = options.fromMeasure * song->timeBase.TicksPerMeasure();
  std::signal(SIGINT, OnInterrupt);
  std::signal(SIGTERM, OnInterrupt);
  if (player.StartPlayback(start, options.loop) != 0) Fail("MIDI出力デバイスのオープンに失敗しました。");
  const bool bar = !options.dump && isatty(STDERR_FILENO);
  while (!player.WaitForFinish(100)) {
    if (gInterrupted.load() && player.Command() != PlayerCommand::Stop) player.Stop();
    if (bar) ShowPosition(player, player.LastTick());
  }
  player.HandleFinished();
  if (bar) std::fprintf(stderr, "\n");
  std::signal(SIGINT, SIG_DFL);
  std::signal(SIGTERM, SIG_DFL);
  std::fflush(stdout);
  if (gInterrupted.load()) std::fprintf(stderr, "stopped\n");
  device->Close();
}

const CommandRegistration kRegistration("play", [](CLI::App& app) {
  auto options = std::make_shared<PlayOptions>();
  CLI::App* command = app.add_subcommand("play", "Play a song in real time (Ctrl+C stops)");
  command->add_option("SONG", options->song, "song (.mml, .kor or .mms)")->required();
  command->add_option("--output", options->output,
                      "MIDI port number (kore-cli ports); -1 plays through the built-in synthesizer")
      ->capture_default_str();
  command->add_flag("--loop", options->loop, "play again from the start position at the end");
  command->add_option("--from-measure", options->fromMeasure, "first measure (0-based)")
      ->check(CLI::Range(0, 1 << 20));
  command->add_flag("--dump", options->dump,
                    "print every message (ms since start, track, bytes) instead of sounding it");
  command->add_option("--bank", options->bank,
                      "play through the synthesizer with this DLS bank (game instruments by game id)");
  command->add_option("--reset", options->resetType,
                      "reset message after opening: 0 none, 1 GM, 2 GS, 3 XG, 4 SC-88, 5 SD-80")
      ->check(CLI::Range(0, 5))
      ->capture_default_str();
  command->add_option("--audio-driver", options->audioDriver,
                      "FluidSynth audio driver (pulseaudio, alsa, jack, ...; silent: none)");
  command->callback([options] { RunPlay(*options); });
});

}  // namespace
}  // namespace kore::cli
