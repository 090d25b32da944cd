// Typing in a long song: one track's text is replaced, recompiled and merged back into the
// song-wide list of a 15-track song of about 450,000 records.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "mml/mml_compiler.h"
#include "song/song_document.h"

namespace {

using kore::CMMLDocument;

// Game-dialect MML of about `records` compiled records: phrases of eighth and sixteenth notes
// with octave steps, rests, ties and the odd tempo or volume change.
std::string GenerateTrack(uint32_t seed, size_t records) {
  std::mt19937 rng(seed);
  static const char* kNotes[] = {"c", "d", "e", "f", "g", "a", "b", "c+", "f+", "b-"};
  std::string text = "t120v12o4l8";
  // About 9.5 records per measure (notes, rests, the Measure record, state changes).
  size_t measures = records * 10 / 95;
  for (size_t m = 0; m < measures; ++m) {
    int ticksLeft = 8;  // eighths per 4/4 measure
    while (ticksLeft > 0) {
      uint32_t r = rng() % 100;
      if (r < 70) {
        text += kNotes[rng() % 10];
      } else if (r < 80) {
        text += "r";
      } else if (r < 88) {
        text += rng() % 2 ? ">" : "<";
        text += kNotes[rng() % 7];
      } else if (r < 94) {
        text += kNotes[rng() % 7];
        text += "16";
        text += kNotes[rng() % 7];
        text += "16";
      } else {
        text += kNotes[rng() % 7];
        text += "&";
        text += kNotes[rng() % 7];
        text += "8";
        --ticksLeft;
        if (ticksLeft == 0) break;
      }
      --ticksLeft;
    }
    // Keep the octave in the middle of the keyboard.
    if (m % 4 == 3) text += "o4";
    if (m % 32 == 31) text += "v10t118";
  }
  return text;
}

constexpr int32_t kTracks = 15;
constexpr size_t kRecordsPerTrack = 30000;
constexpr int32_t kEditedSlot = 7;

// A song of 15 tracks (slots 0..8, 10..15) of ~30,000 records each.
CMMLDocument& LongSong() {
  static CMMLDocument* doc = [] {
    auto* d = new CMMLDocument;
    d->NewSong(kTracks, 32);
    for (int32_t slot = 0; slot < kore::kTrackSlotCount; ++slot) {
      if (d->Track(slot).inUse) d->SetTrackText(slot, GenerateTrack(slot + 1, kRecordsPerTrack));
    }
    return d;
  }();
  return *doc;
}

void SetCounters(benchmark::State& state, const CMMLDocument& doc) {
  state.counters["song_records"] = static_cast<double>(doc.SongEvents().size());
  state.counters["track_records"] = static_cast<double>(doc.Track(kEditedSlot).events.size());
}

// What a keystroke costs: store the text, compile the track, ReplaceTrack into the song list.
void BM_SetTextCompileReplace(benchmark::State& state) {
  CMMLDocument& doc = LongSong();
  // Two versions of the track that differ in one note, as after typing a character.
  std::string a = GenerateTrack(kEditedSlot + 1, kRecordsPerTrack);
  std::string b = a;
  b[b.size() / 2] = b[b.size() / 2] == 'c' ? 'd' : 'c';
  bool flip = false;
  for (auto _ : state) {
    doc.SetTrackText(kEditedSlot, flip ? b : a);
    flip = !flip;
    benchmark::DoNotOptimize(doc.SongEvents().size());
  }
  SetCounters(state, doc);
}
BENCHMARK(BM_SetTextCompileReplace)->Unit(benchmark::kMillisecond);

// The two halves separately, to see where the time goes.
void BM_CompileOneTrack(benchmark::State& state) {
  CMMLDocument& doc = LongSong();
  kore::CMMLCompiler compiler(doc.GetTimeBase());
  kore::MidiEventList events;
  kore::MmlStateList states;
  std::string_view text = doc.TrackText(kEditedSlot);
  for (auto _ : state) {
    compiler.Compile(text, events, states, 0, false);
    benchmark::DoNotOptimize(events.data());
  }
  state.counters["track_records"] = static_cast<double>(events.size());
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) *
                          static_cast<int64_t>(text.size()));
}
BENCHMARK(BM_CompileOneTrack)->Unit(benchmark::kMillisecond);

void BM_ReplaceTrackOnly(benchmark::State& state) {
  CMMLDocument& doc = LongSong();
  // Copies: the document's own lists change only through its operations.
  kore::SongEventList songEvents = doc.SongEvents();
  kore::MidiEventList events = doc.Track(kEditedSlot).events;
  for (auto _ : state) {
    kore::ReplaceTrack(songEvents, events, kEditedSlot);
    benchmark::DoNotOptimize(songEvents.size());
  }
  SetCounters(state, doc);
}
BENCHMARK(BM_ReplaceTrackOnly)->Unit(benchmark::kMillisecond);

// Loading or changing the time base: every track compiled and merged again.
void BM_CompileAllTracks(benchmark::State& state) {
  CMMLDocument& doc = LongSong();
  for (auto _ : state) {
    doc.CompileAllTracks();
    benchmark::DoNotOptimize(doc.SongEvents().size());
  }
  SetCounters(state, doc);
}
BENCHMARK(BM_CompileAllTracks)->Unit(benchmark::kMillisecond);

// Opening a long song: a new document (its lists fresh, as in a new process) takes over 15
// tracks of 64 KiB and compiles them all.
void BM_OpenSong15x64KiB(benchmark::State& state) {
  static const auto texts = [] {
    std::vector<std::string> t;
    for (int32_t i = 0; i < kTracks; ++i) {
      std::string text = GenerateTrack(static_cast<uint32_t>(100 + i), 12000);
      text.resize(64 * 1024, ' ');
      t.push_back(std::move(text));
    }
    return t;
  }();
  kore::SongContent content;
  int32_t listed = 0;
  for (int32_t slot = 0; slot < kore::kTrackSlotCount && listed < kTracks; ++slot) {
    if (slot == kore::kReservedSlot) continue;
    content.slots[slot] = kore::TrackProperties::Fresh(slot);
    content.texts[slot] = texts[static_cast<size_t>(listed++)];
  }
  size_t records = 0;
  for (auto _ : state) {
    CMMLDocument doc;
    doc.LoadSong(content, "long.mml");
    records = doc.SongEvents().size();
    benchmark::DoNotOptimize(records);
  }
  state.counters["song_records"] = static_cast<double>(records);
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * kTracks * 64 * 1024);
}
BENCHMARK(BM_OpenSong15x64KiB)->Unit(benchmark::kMillisecond);

}  // namespace
