// Speed of the MML writer on a 20,000-character track in each mode, and of a whole optimised
// export of three such tracks (both writer modes and the plain form per track).
#include <benchmark/benchmark.h>

#include <random>
#include <string>
#include <vector>

#include "mml/game_export.h"
#include "mml/mml_writer.h"

namespace {

constexpr size_t kTrackSize = 20000;

// A melody or chord part as users write them: notes with lengths, dots and accidentals, ties,
// rest runs, octave steps, l/v/t/o commands, notes by number, white space and comments.
std::string TrackText(size_t size, uint32_t seed) {
  std::mt19937 random(seed);
  auto pick = [&](int n) { return static_cast<int>(random() % static_cast<unsigned>(n)); };
  static const char* const kLengths[] = {"",   "",   "",   "4",  "8",  "8", "16", "2",  "1",
                                         "4.", "8.", "16", "32", "12", "6", "3",  "8.", "16."};
  static const char* const kAccidentals[] = {"", "", "", "", "+", "-", "#"};
  std::string text;
  text.reserve(size + 64);
  int octave = 4;
  std::string lastNote = "c";
  while (text.size() < size) {
    int roll = pick(100);
    if (roll < 50) {
      lastNote = std::string(1, "cdefgab"[pick(7)]) + kAccidentals[pick(7)];
      text += lastNote + kLengths[pick(18)];
    } else if (roll < 56) {
      text += "&" + lastNote + kLengths[pick(18)];
    } else if (roll < 64) {
      int count = 1 + pick(4);
      for (int i = 0; i < count; ++i) text += std::string("r") + kLengths[pick(18)];
    } else if (roll < 72) {
      bool up = octave < 2 || (octave < 7 && pick(2) == 0);
      text += up ? ">" : "<";
      octave += up ? 1 : -1;
    } else if (roll < 76) {
      text += "l" + std::to_string(1 << pick(6)) + (pick(4) == 0 ? "." : "");
    } else if (roll < 79) {
      text += "v" + std::to_string(pick(16));
    } else if (roll < 80) {
      text += "t" + std::to_string(60 + pick(150));
    } else if (roll < 82) {
      octave = 2 + pick(5);
      text += "o" + std::to_string(octave);
    } else if (roll < 84) {
      text += "n" + std::to_string(24 + pick(60));
    } else if (roll < 95) {
      text += pick(3) == 0 ? "\r\n" : " ";
    } else {
      text += "// bar " + std::to_string(pick(200)) + "\r\n";
    }
  }
  text.resize(size);
  return text;
}

void BM_WriteGameMml(benchmark::State& state) {
  const std::string text = TrackText(kTrackSize, 1);
  const int32_t mode = static_cast<int32_t>(state.range(0));
  std::string out;
  for (auto _ : state) {
    out.clear();
    benchmark::DoNotOptimize(kore::WriteGameMml(text, out, mode));
  }
  state.counters["in_chars"] = static_cast<double>(text.size());
  state.counters["out_chars"] = static_cast<double>(out.size());
}
BENCHMARK(BM_WriteGameMml)
    ->Arg(kore::kWriterModePlain)
    ->Arg(kore::kWriterModeDotted)
    ->Unit(benchmark::kMillisecond);

void BM_OptimisedExportOfThreeTracks(benchmark::State& state) {
  const std::string melody = TrackText(kTrackSize, 2);
  const std::string chord1 = TrackText(kTrackSize, 3);
  const std::string chord2 = TrackText(kTrackSize, 4);
  const std::vector<kore::GameExportTrack> tracks = {
      {"melody", melody}, {"chord 1", chord1}, {"chord 2", chord2}};
  kore::GameExportResult result;
  for (auto _ : state) {
    benchmark::DoNotOptimize(kore::BuildGameMml(tracks, kore::kGameFormatGame, true, result));
  }
  state.counters["total_chars"] = static_cast<double>(result.totalLength);
}
BENCHMARK(BM_OptimisedExportOfThreeTracks)->Unit(benchmark::kMillisecond);

}  // namespace
