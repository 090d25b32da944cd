// The MML writer and the plain form on arbitrary bytes. Aborts when the rewrite plays other
// notes, tempos or end than the text (both compiled as the editor plays them), when it holds a
// byte that is no game command, or when an optimised export part is longer than the plain form.
#include <cstdint>
#include <cstdio>
#include <span>
#include <string>
#include <vector>

#include "mml/game_export.h"
#include "mml/mml_compiler.h"
#include "mml/mml_writer.h"

namespace {

void Check(bool condition, const char* what) {
  if (condition) return;
  std::fprintf(stderr, "writer property broken: %s\n", what);
  __builtin_trap();
}

// Notes (tick, length, pitch, volume), tempos (tick, tempo) and the end tick, flattened.
std::vector<int32_t> Played(const std::string& text, bool& fastTempo) {
  kore::CMMLCompiler compiler(kore::TimeBase{32, 4, 4});
  kore::MidiEventList events;
  kore::MmlStateList states;
  compiler.Compile(text, events, states, 0, false);
  std::vector<int32_t> played;
  for (const kore::MidiEvent& e : events) {
    if (e.kind == kore::MidiEventKind::Note) {
      played.insert(played.end(), {1, e.tick, e.length, e.note, e.value});
    } else if (e.kind == kore::MidiEventKind::Tempo) {
      played.insert(played.end(), {2, e.tick, e.value});
      fastTempo = fastTempo || e.value > 255;
    } else if (e.kind == kore::MidiEventKind::EndOfTrack) {
      played.insert(played.end(), {3, e.tick});
    }
  }
  return played;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size > 8192) return 0;
  const std::string text(reinterpret_cast<const char*>(data), size);
  bool fastTempo = false;
  const std::vector<int32_t> original = Played(text, fastTempo);
  for (int32_t mode : {kore::kWriterModePlain, kore::kWriterModeDotted}) {
    std::string rewritten;
    Check(kore::WriteGameMml(text, rewritten, mode) == static_cast<int32_t>(rewritten.size()),
          "returned length");
    Check(rewritten.find_first_not_of("0123456789abcdefgilnortv+-.<>&") == std::string::npos,
          "byte outside the game's commands");
    bool ignored = false;
    // Only the extended dialect reaches tempos above 255, which no game text can say.
    if (!fastTempo) Check(Played(rewritten, ignored) == original, "plays other music");
  }
  kore::GameExportTrack track{"t", text};
  kore::GameExportResult result;
  if (kore::BuildGameMml(std::span(&track, 1), kore::kGameFormatGame, true, result) > 0) {
    Check(result.parts[0].length <= kore::GamePartLength(kore::PlainGameMml(text, false)),
          "longer than the plain form");
  }
  return 0;
}
