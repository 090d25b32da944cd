// Offline rendering throughput: a two-minute three-track song through the General MIDI
// SoundFont at 44.1 kHz stereo, bank loading included (as a user's `render` sees it), and the
// play-list preparation of a long song.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <filesystem>
#include <string>

#include "playback/offline_renderer.h"
#include "playback/play_list.h"

namespace kore {
namespace {

// Eighth notes, quarter notes and half notes at 120 bpm and 32 ticks per quarter.
PlaybackSong MakeSong(int32_t seconds) {
  PlaybackSong song;
  SongEventList list;
  const int32_t totalTicks = seconds * 2 * 32;
  const int32_t lengths[3] = {16, 32, 64};
  const int32_t bases[3] = {72, 60, 48};
  MidiEventList tracks[3];  // the song list refers to them until the copy below
  for (int32_t track = 0; track < 3; ++track) {
    MidiEventList& events = tracks[track];
    int32_t i = 0;
    for (int32_t tick = 0; tick < totalTicks; tick += lengths[track], ++i) {
      MidiEvent e;
      e.kind = MidiEventKind::Note;
      e.tick = tick;
      e.length = lengths[track];
      e.SetPitch(bases[track] + (i * 5) % 12);
      e.value = 11;
      e.channel = -1;
      events.push_back(e);
    }
    MidiEvent end;
    end.kind = MidiEventKind::EndOfTrack;
    end.tick = totalTicks;
    events.push_back(end);
    MergeTrack(list, events, track);
    song.slots[track] = TrackProperties::Fresh(track);
    song.slots[track].instrument = 7 + track * 8;  // piano, chromatic percussion, organ
  }
  song.events = list.ToVector();
  song.songEnd = totalTicks;
  return song;
}

void BM_RenderTwoMinutesGm(benchmark::State& state) {
  const PlaybackSong song = MakeSong(120);
  const std::string path =
      (std::filesystem::temp_directory_path() / "kore_render_bench.wav").string();
  RenderOptions options;
  options.synth.reverb = options.synth.chorus = options.synth.delay = false;
  double audioSeconds = 0;
  for (auto _ : state) {
    RenderResult result;
    if (RenderSongToWave(song, options, path, {}, &result) != 0) {
      state.SkipWithError(result.error.c_str());
      break;
    }
    audioSeconds = static_cast<double>(result.frames) / options.synth.sampleRate;
  }
  std::remove(path.c_str());
  state.counters["audio_s"] = audioSeconds;
  state.counters["x_realtime"] =
      benchmark::Counter(audioSeconds * static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_RenderTwoMinutesGm)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();

void BM_ExpandNoteOffs(benchmark::State& state) {
  const PlaybackSong song = MakeSong(static_cast<int32_t>(state.range(0)));
  for (auto _ : state) {
    benchmark::DoNotOptimize(ExpandNoteOffs(song.events));
  }
  state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(song.events.size()));
}
BENCHMARK(BM_ExpandNoteOffs)->Arg(120)->Arg(3600)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace kore
