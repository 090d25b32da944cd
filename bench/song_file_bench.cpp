// Reading and writing a song of 15 tracks of 64 KiB each; the target is 20 ms each way.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <string>
#include <unistd.h>

#include "song/loaded_song.h"
#include "song/song_file.h"

namespace kore {
namespace {

LoadedSong BigSong() {
  LoadedSong song;
  song.title = "bench";
  const std::string phrase = "t120 o4 l8 cdefgab>c<bagfedc r4 v12 e16f16g4. &g8 a4 \r\n";
  int32_t position = 0;
  for (int32_t slot = 0; slot < kTrackSlotCount; ++slot) {
    if (slot == kReservedSlot) continue;
    song.slots[slot] = TrackProperties::Fresh(slot);
    std::string& text = song.texts[slot];
    // Vary the text per track so compression sees realistic, not identical, input.
    while (text.size() < 64 * 1024) {
      text += phrase;
      text += 'o';
      text += std::to_string(2 + (text.size() / 97 + slot) % 5);
      text += ' ';
    }
    text.resize(64 * 1024);
    text.replace(text.size() - 2, 2, "\r\n");  // a whole last line reads back unchanged
    song.trackOrder[position++] = slot;
  }
  for (int i = 0; i < 20; ++i) {
    MidiEvent marker;
    marker.kind = MidiEventKind::Marker;
    marker.tick = i * 512;
    marker.value = 0x2828E0;
    marker.text = "marker " + std::to_string(i);
    song.markers.push_back(marker);
  }
  return song;
}

void BM_WriteSongFile(benchmark::State& state) {
  const LoadedSong song = BigSong();
  const SongContent content = song.View();
  const SaveMode mode = static_cast<SaveMode>(state.range(0));
  for (auto _ : state) {
    std::string out;
    WriteSongFile(out, content, mode);
    benchmark::DoNotOptimize(out.data());
  }
  state.SetBytesProcessed(state.iterations() * 15 * 64 * 1024);
}
BENCHMARK(BM_WriteSongFile)
    ->Arg(static_cast<int>(SaveMode::Compact))
    ->Arg(static_cast<int>(SaveMode::Plain))
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

void BM_ReadSongFile(benchmark::State& state) {
  const LoadedSong song = BigSong();
  const std::string bytes = SongFileBytes(song.View(), static_cast<SaveMode>(state.range(0)));
  LoadedSong back;
  for (auto _ : state) {
    ReadSongMemory(bytes, back);
    benchmark::DoNotOptimize(back.texts[0].data());
  }
  if (back.texts[14] != song.texts[14]) state.SkipWithError("read back a different song");
  state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(bytes.size()));
}
BENCHMARK(BM_ReadSongFile)
    ->Arg(static_cast<int>(SaveMode::Compact))
    ->Arg(static_cast<int>(SaveMode::Plain))
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

// Saving through the file system: temporary file, flush to disk, rename.
void BM_SaveSongFile(benchmark::State& state) {
  const LoadedSong song = BigSong();
  const SongContent content = song.View();
  char folder[] = "/tmp/kore-bench-XXXXXX";
  if (mkdtemp(folder) == nullptr) {
    state.SkipWithError("no temporary folder");
    return;
  }
  const std::string path = std::string(folder) + "/song.mml";
  for (auto _ : state) {
    if (SaveSongFile(path, content, SaveMode::Compact) != 0) {
      state.SkipWithError("save failed");
      break;
    }
  }
  std::remove(path.c_str());
  rmdir(folder);
}
BENCHMARK(BM_SaveSongFile)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_OpenSongFile(benchmark::State& state) {
  const LoadedSong song = BigSong();
  char folder[] = "/tmp/kore-bench-XXXXXX";
  if (mkdtemp(folder) == nullptr) {
    state.SkipWithError("no temporary folder");
    return;
  }
  const std::string path = std::string(folder) + "/song.mml";
  LoadedSong back;
  if (SaveSongFile(path, song.View(), SaveMode::Compact) != 0) state.SkipWithError("save failed");
  for (auto _ : state) {
    if (ReadSongFile(path, back) != 0) {
      state.SkipWithError("read failed");
      break;
    }
  }
  std::remove(path.c_str());
  rmdir(folder);
}
BENCHMARK(BM_OpenSongFile)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
}  // namespace kore
