#pragma once
// Renders a song to a WAVE file as fast as the machine allows: the same synthesizer
// configuration and set-up as real-time playback, with every record sent at the sample where the
// player's clock formulas make it due, then the end-of-play messages and the 1 s tail.
#include <cstdint>
#include <functional>
#include <string>

#include "playback/play_list.h"
#include "playback/synth_device.h"

namespace kore {

struct RenderOptions {
  SynthSettings synth;
  // Which programs game instruments get (see ChannelProgram) and which bank is loaded: 1 or 3
  // load `bankPath` (a DLS file or SoundFont), anything else the built-in General MIDI set, or
  // `bankPath` when one is given.
  int32_t outputDls = 2;
  std::string bankPath;
  int32_t resetType = 1;
  int32_t tailMs = 1000;
};

// Render failures beyond the synthesizer's own codes (2, 4, 5).
enum RenderFailure : int {
  kRenderFileFailed = 6,  // the WAVE file cannot be created or written
};

struct RenderResult {
  int64_t frames = 0;        // audio frames written
  int64_t songFrames = 0;    // of which the song itself, before the tail
  std::string error;         // UTF-8, for the terminal
};

// Called now and then with the tick reached and the last tick of the song; returning false
// aborts (the file is then not written).
using RenderProgress = std::function<bool(int32_t tick, int32_t lastTick)>;

// 0 on success, else a failure code (kSynthInitFailed, kSynthBankFailed, kSynthBuiltInFailed,
// kRenderFileFailed, or 1 when aborted).
int RenderSongToWave(const PlaybackSong& song, const RenderOptions& options,
                     const std::string& path, const RenderProgress& progress,
                     RenderResult* result = nullptr);

}  // namespace kore
