// Exporting a 15-track song as a Standard MIDI File (formats 1 and 0).
#include <benchmark/benchmark.h>

#include <cstdio>
#include <memory>
#include <string>

#include "smf/smf_writer.h"

namespace {

// Fifteen tracks, each 200 measures of eighth notes with volume, octave and tempo changes.
std::unique_ptr<kore::CMMLDocument> MakeSong() {
  auto doc = std::make_unique<kore::CMMLDocument>();
  doc->NewSong(15, 480);
  const char* phrases[] = {"o4l8cdefgab>c<", "o3l8c<b>c d e f g a", "o5l8 v12 e d c d e e e4"};
  for (int32_t slot = 0; slot < 16; ++slot) {
    if (!doc->Track(slot).inUse) continue;
    std::string text = slot == 0 ? "t132" : "";
    for (int measure = 0; measure < 200; ++measure) {
      text += phrases[(slot + measure) % 3];
      text += " ";
      if (slot == 0 && measure % 16 == 15) text += "t" + std::to_string(120 + measure % 40) + " ";
    }
    doc->SetTrackText(slot, text);
  }
  return doc;
}

kore::CMMLDocument& Song() {
  static std::unique_ptr<kore::CMMLDocument> doc = MakeSong();
  return *doc;
}

void BM_ExportSmf(benchmark::State& state) {
  kore::CMMLDocument& doc = Song();
  const int32_t format = static_cast<int32_t>(state.range(0));
  size_t bytes = 0, notes = 0;
  for (int32_t slot = 0; slot < 16; ++slot) notes += doc.Track(slot).events.size();
  for (auto _ : state) {
    kore::SmfExportRequest request = kore::MakeSmfExportRequest(doc, "unused.mid", format);
    std::vector<uint8_t> file = kore::BuildSmf(request);
    bytes = file.size();
    benchmark::DoNotOptimize(file.data());
  }
  state.counters["file_bytes"] = static_cast<double>(bytes);
  state.counters["records"] = static_cast<double>(notes);
}
BENCHMARK(BM_ExportSmf)->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond);

// The same with the file written (temporary file, flush to disk, rename).
void BM_WriteSmfFile(benchmark::State& state) {
  kore::CMMLDocument& doc = Song();
  const std::string path = "/tmp/kore_smf_export_bench_" + std::to_string(::getpid()) + ".mid";
  for (auto _ : state) {
    kore::SmfExportRequest request = kore::MakeSmfExportRequest(doc, path, 1);
    if (kore::WriteSmf(request) != 0) state.SkipWithError("cannot write");
  }
  std::remove(path.c_str());
}
BENCHMARK(BM_WriteSmfFile)->Unit(benchmark::kMillisecond);

}  // namespace
