// Compile speed of 1 MiB of generated MML in both dialects, into lists reused between runs as
// the editor reuses a track's lists between recompiles.
#include <benchmark/benchmark.h>

#include <random>
#include <string>

#include "mml/mml_compiler.h"

namespace {

constexpr size_t kTextSize = 1 << 20;

// Melody-like game MML: notes with lengths, dots and accidentals, octave steps, l/v/t/o
// commands, rests, ties between equal notes, and line and block comments with Japanese text.
std::string GameText(size_t size) {
  std::mt19937 random(12345);
  auto pick = [&](int n) { return static_cast<int>(random() % static_cast<unsigned>(n)); };
  static const char* const kLengths[] = {"", "", "", "4", "8", "8", "16", "2", "1", "4.", "8.",
                                         "16", "32", "12", "6", "3"};
  static const char* const kAccidentals[] = {"", "", "", "", "+", "-", "#"};
  std::string text;
  text.reserve(size + 64);
  int octave = 4;
  std::string lastNote;
  while (text.size() < size) {
    int roll = pick(100);
    if (roll < 55) {
      std::string note(1, "cdefgab"[pick(7)]);
      note += kAccidentals[pick(7)];
      note += kLengths[pick(16)];
      text += note;
      lastNote = note;
    } else if (roll < 60 && !lastNote.empty()) {
      text += "&" + lastNote;  // a tie that merges
    } else if (roll < 67) {
      text += "r";
      text += kLengths[pick(16)];
    } else if (roll < 75) {
      bool up = octave < 3 || (octave < 6 && pick(2) == 0);
      text += up ? ">" : "<";
      octave += up ? 1 : -1;
    } else if (roll < 79) {
      text += "l" + std::to_string(1 << pick(5));
    } else if (roll < 82) {
      text += "v" + std::to_string(pick(16));
    } else if (roll < 83) {
      text += "t" + std::to_string(60 + pick(150));
    } else if (roll < 84) {
      octave = 3 + pick(3);
      text += "o" + std::to_string(octave);
    } else if (roll < 94) {
      text += pick(3) == 0 ? "\r\n" : " ";
    } else if (roll < 97) {
      text += "// \x83\x81\x83\x8D\x83\x66\x83\x42 bar " + std::to_string(pick(200)) + "\r\n";
    } else {
      text += "/* \x83\x54\x83\x72 */";
    }
  }
  text.resize(size);
  return text;
}

std::string ExtendedText(size_t size) {
  std::mt19937 random(678);
  auto pick = [&](int n) { return static_cast<int>(random() % static_cast<unsigned>(n)); };
  std::string text = "//#using_extension\r\n//#using_channel=2\r\n";
  text.reserve(size + 64);
  while (text.size() < size) {
    int roll = pick(100);
    if (roll < 50) {
      text += "cdefgab"[pick(7)];
      text += std::to_string(1 << pick(6));
    } else if (roll < 55) {
      text += "r8";
    } else if (roll < 60) {
      text += pick(2) ? ">" : "<";
    } else if (roll < 68) {
      text += "y" + std::to_string(pick(128)) + "," + std::to_string(pick(128));
    } else if (roll < 74) {
      text += "~" + std::to_string(pick(128)) + "," + std::to_string(pick(128));
    } else if (roll < 78) {
      text += "@" + std::to_string(pick(128));
    } else if (roll < 82) {
      text += "V" + std::to_string(pick(128)) + " E" + std::to_string(pick(128));
    } else if (roll < 84) {
      text += "EX xF0,x41,x10,x42,x12,x40,x00,x7F,x00,x41,xF7";
    } else if (roll < 86) {
      text += "o4 l16 v12";
    } else if (roll < 96) {
      text += " ";
    } else {
      text += "\r\n// comment\r\n";
    }
  }
  text.resize(size);
  return text;
}

void Run(benchmark::State& state, const std::string& text) {
  kore::CMMLCompiler compiler;
  kore::MidiEventList events;
  kore::MmlStateList states;
  for (auto _ : state) {
    compiler.Compile(text, events, states, 0, false);
    benchmark::DoNotOptimize(events.data());
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * text.size()));
  state.counters["records"] = static_cast<double>(events.size());
}

void BM_CompileGameDialect1MiB(benchmark::State& state) {
  static const std::string text = GameText(kTextSize);
  Run(state, text);
}
BENCHMARK(BM_CompileGameDialect1MiB)->Unit(benchmark::kMillisecond);

void BM_CompileExtendedDialect1MiB(benchmark::State& state) {
  static const std::string text = ExtendedText(kTextSize);
  Run(state, text);
}
BENCHMARK(BM_CompileExtendedDialect1MiB)->Unit(benchmark::kMillisecond);

// A track compiled into new lists, as on opening a song: the lists' memory is fresh.
void BM_CompileGameDialect1MiBFreshLists(benchmark::State& state) {
  static const std::string text = GameText(kTextSize);
  kore::CMMLCompiler compiler;
  size_t records = 0;
  for (auto _ : state) {
    kore::MidiEventList events;
    kore::MmlStateList states;
    compiler.Compile(text, events, states, 0, false);
    records = events.size();
    benchmark::DoNotOptimize(events.data());
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * text.size()));
  state.counters["records"] = static_cast<double>(records);
}
BENCHMARK(BM_CompileGameDialect1MiBFreshLists)->Unit(benchmark::kMillisecond);

// The writer's call: Tie records kept apart.
void BM_CompileGameDialectKeepTies1MiB(benchmark::State& state) {
  static const std::string text = GameText(kTextSize);
  kore::CMMLCompiler compiler;
  kore::MidiEventList events;
  kore::MmlStateList states;
  for (auto _ : state) {
    compiler.Compile(text, events, states, 0, true);
    benchmark::DoNotOptimize(events.data());
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * text.size()));
}
BENCHMARK(BM_CompileGameDialectKeepTies1MiB)->Unit(benchmark::kMillisecond);

}  // namespace
