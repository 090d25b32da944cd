// Reading and converting a large multi-track Standard MIDI File: about 1 MB, 16 channels of
// three-note chords in running status, controllers, and a conductor track of tempo changes.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <vector>

#include "smf/smf_convert.h"
#include "smf/smf_reader.h"

namespace {

void VarLen(std::vector<uint8_t>& out, uint32_t value) {
  uint8_t groups[5];
  int n = 0;
  do {
    groups[n++] = value & 0x7F;
    value >>= 7;
  } while (value != 0);
  while (n-- > 0) out.push_back(static_cast<uint8_t>(groups[n] | (n > 0 ? 0x80 : 0)));
}

void Chunk(std::vector<uint8_t>& file, const std::vector<uint8_t>& events) {
  file.insert(file.end(), {'M', 'T', 'r', 'k'});
  const uint32_t n = static_cast<uint32_t>(events.size());
  file.insert(file.end(), {static_cast<uint8_t>(n >> 24), static_cast<uint8_t>(n >> 16),
                           static_cast<uint8_t>(n >> 8), static_cast<uint8_t>(n)});
  file.insert(file.end(), events.begin(), events.end());
}

std::vector<uint8_t> MakeLargeFile() {
  constexpr int kTpq = 480;
  constexpr int kChords = 3400;  // per channel
  std::vector<uint8_t> file = {'M', 'T', 'h', 'd', 0, 0, 0, 6, 0, 1, 0, 17, kTpq >> 8, kTpq & 0xFF};
  std::vector<uint8_t> conductor;
  for (int measure = 0; measure < kChords / 4; ++measure) {
    const uint32_t micros = 400000 + static_cast<uint32_t>(measure % 50) * 4000;
    VarLen(conductor, measure == 0 ? 0 : 4 * kTpq);
    conductor.insert(conductor.end(), {0xFF, 0x51, 0x03, static_cast<uint8_t>(micros >> 16),
                                       static_cast<uint8_t>(micros >> 8),
                                       static_cast<uint8_t>(micros)});
  }
  conductor.insert(conductor.end(), {0x00, 0xFF, 0x2F, 0x00});
  Chunk(file, conductor);

  uint32_t seed = 1;
  auto random = [&seed](uint32_t range) {
    seed = seed * 1103515245u + 12345u;
    return (seed >> 16) % range;
  };
  for (int ch = 0; ch < 16; ++ch) {
    std::vector<uint8_t> events;
    VarLen(events, 0);
    events.insert(events.end(), {static_cast<uint8_t>(0xB0 | ch), 7, 100});
    bool statusSent = false;  // after the first note-on everything runs on its status
    for (int i = 0; i < kChords; ++i) {
      const uint8_t root = static_cast<uint8_t>(48 + random(24));
      const uint8_t keys[3] = {root, static_cast<uint8_t>(root + 4), static_cast<uint8_t>(root + 7)};
      const uint32_t length = kTpq / 4 * (1 + random(4));
      for (int k = 0; k < 3; ++k) {
        VarLen(events, k == 0 && i > 0 ? kTpq / 8 * random(3) : 0);
        if (!statusSent) events.push_back(static_cast<uint8_t>(0x90 | ch));
        statusSent = true;
        events.insert(events.end(), {keys[k], static_cast<uint8_t>(40 + random(80))});
      }
      for (int k = 0; k < 3; ++k) {
        VarLen(events, k == 0 ? length : 0);
        events.insert(events.end(), {keys[k], 0});  // note-on of velocity 0 ends the note
      }
    }
    events.insert(events.end(), {0x00, 0xFF, 0x2F, 0x00});
    Chunk(file, events);
  }
  return file;
}

const std::vector<uint8_t>& LargeFile() {
  static const std::vector<uint8_t> file = MakeLargeFile();
  return file;
}

void BM_ReadSmf(benchmark::State& state) {
  const std::vector<uint8_t>& file = LargeFile();
  for (auto _ : state) {
    kore::SmfImportJob job;
    std::vector<kore::MidiEventList> lists;
    benchmark::DoNotOptimize(kore::ReadSmf(file.data(), file.size(), job, lists));
  }
  state.counters["bytes"] = static_cast<double>(file.size());
}
BENCHMARK(BM_ReadSmf)->Unit(benchmark::kMillisecond);

// Reading and converting every track, with the default options or the extended preset.
void BM_ReadAndConvertSmf(benchmark::State& state) {
  const std::vector<uint8_t>& file = LargeFile();
  size_t outputBytes = 0;
  for (auto _ : state) {
    kore::SmfImportJob job;
    if (state.range(0) == 1) {
      kore::ApplySmfImportPreset(static_cast<int32_t>(kore::SmfImportPreset::ExtendedMultiTrack),
                                 job.options);
    }
    for (int32_t i = 1; i <= 16; ++i) job.selectedSources.push_back(i);
    if (kore::ConvertSmfFromBytes(file.data(), file.size(), job) != 0) {
      state.SkipWithError("conversion failed");
    }
    outputBytes = 0;
    for (const std::string& text : job.outputs) outputBytes += text.size();
  }
  state.counters["bytes"] = static_cast<double>(file.size());
  state.counters["mml_bytes"] = static_cast<double>(outputBytes);
}
BENCHMARK(BM_ReadAndConvertSmf)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

// One channel spread over sixteen tracks.
void BM_ReadAndSpreadSmf(benchmark::State& state) {
  const std::vector<uint8_t>& file = LargeFile();
  for (auto _ : state) {
    kore::SmfImportJob job;
    job.options.spreadTrack = true;
    job.selectedSources = {1};
    job.spreadSource = 1;
    benchmark::DoNotOptimize(kore::ConvertSmfFromBytes(file.data(), file.size(), job));
  }
}
BENCHMARK(BM_ReadAndSpreadSmf)->Unit(benchmark::kMillisecond);

}  // namespace
