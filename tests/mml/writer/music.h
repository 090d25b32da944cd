#pragma once
// What a track plays as the editor plays it, and seeded random game-dialect texts: the writer
// must turn every text into one that plays the same.
#include <cstdint>
#include <random>
#include <string>
#include <string_view>
#include <tuple>
#include <utility>
#include <vector>

#include "mml/mml_compiler.h"

namespace kore::testing {

struct PlayedNote {
  int32_t tick, length, note, volume;
  friend bool operator==(const PlayedNote&, const PlayedNote&) = default;
};
struct PlayedTempo {
  int32_t tick, tempo;
  friend bool operator==(const PlayedTempo&, const PlayedTempo&) = default;
};
struct Music {
  std::vector<PlayedNote> notes;
  std::vector<PlayedTempo> tempos;
  int32_t endTick = 0;
  friend bool operator==(const Music&, const Music&) = default;
};

// Compiled as the editor compiles for playback: 32 ticks per quarter, ties merged.
inline Music Play(std::string_view mml) {
  CMMLCompiler compiler(TimeBase{32, 4, 4});
  MidiEventList events;
  MmlStateList states;
  compiler.Compile(mml, events, states, 0, false);
  Music music;
  for (const MidiEvent& e : events) {
    if (e.kind == MidiEventKind::Note) music.notes.push_back({e.tick, e.length, e.note, e.value});
    if (e.kind == MidiEventKind::Tempo) music.tempos.push_back({e.tick, e.value});
    if (e.kind == MidiEventKind::EndOfTrack) music.endTick = e.tick;
  }
  return music;
}

inline std::string Describe(const Music& music) {
  std::string out;
  for (const PlayedNote& n : music.notes) {
    out += std::to_string(n.tick) + "+" + std::to_string(n.length) + " note " +
           std::to_string(n.note) + " vol " + std::to_string(n.volume) + "\n";
  }
  for (const PlayedTempo& t : music.tempos) {
    out += std::to_string(t.tick) + " tempo " + std::to_string(t.tempo) + "\n";
  }
  return out + "end " + std::to_string(music.endTick) + "\n";
}

// Both pieces of music, for failure messages; empty when equal.
inline std::string Difference(const Music& want, const Music& got) {
  return want == got ? "" : "want:\n" + Describe(want) + "got:\n" + Describe(got);
}

// Texts of notes, rests, lengths with dots, octave commands and steps, volumes, tempos, ties,
// comments and note numbers, biased toward the places where a rewrite can go wrong: ties
// cleared by a command, ties across rests, chains of ties, numbers after length changes, odd
// rest totals, long silences and the octave edges.
class GameMmlGenerator {
 public:
  explicit GameMmlGenerator(uint32_t seed) : rng_(seed) {}

  std::string Next(bool extended = false) {
    extended_ = extended;
    std::string text = extended ? "//#using_extension\n" : "";
    lastNote_ = "c";
    int tokens = Uniform(1, 60);
    for (int i = 0; i < tokens; ++i) AppendToken(text);
    return text;
  }

 private:
  int Uniform(int low, int high) { return std::uniform_int_distribution<int>(low, high)(rng_); }
  bool Chance(int percent) { return Uniform(0, 99) < percent; }
  template <size_t N>
  const char* Pick(const char* const (&options)[N]) {
    return options[Uniform(0, static_cast<int>(N) - 1)];
  }

  std::string Length() {
    std::string s;
    int kind = Uniform(0, 99);
    if (kind < 35) {
      // the default
    } else if (kind < 80) {
      static constexpr int kStandard[] = {1, 2, 4, 8, 16, 32, 64};
      s = std::to_string(kStandard[Uniform(0, 6)]);
    } else if (kind < 96) {
      s = std::to_string(Uniform(1, 64));
    } else {
      s = std::to_string(Chance(40) ? 0 : Uniform(65, 200));
    }
    if (Chance(22)) s += '.';
    if (Chance(2)) s += '.';
    return s;
  }

  std::string Letter() {
    std::string s(1, "abcdefgh"[Uniform(0, 7)]);
    if (!extended_ && Chance(10)) s[0] = static_cast<char>(s[0] - 32);
    const int accidental = Uniform(0, 99);
    return s + (accidental < 12 ? "+" : accidental < 20 ? "#" : accidental < 32 ? "-" : "");
  }

  std::string Note() {
    lastNote_ = Letter();
    return lastNote_ + Length();
  }

  std::string Space() { return Pick({" ", "\n", "\r\n", "\t", "", "", "", "", "", ""}); }

  std::string Comment() {
    return Chance(50) ? std::string("// c4 o9 & comment\n") : std::string("/* r1 & */");
  }

  // Something between "&" and the next note that may clear the tie (or may not).
  std::string TieFiller() {
    switch (Uniform(0, 11)) {
      case 0: return "o" + std::to_string(Uniform(0, 8));
      case 1: return "v" + std::to_string(Uniform(0, 15));
      case 2: return "l" + std::to_string(Uniform(1, 64));
      case 3: return "<";
      case 4: return ">";
      case 5: return "x";
      case 6: return "r" + Length();
      case 7: return Comment();
      case 8: return "&";
      case 9: return "t" + std::to_string(Uniform(32, 255));
      default: return "";
    }
  }

  void AppendToken(std::string& text) {
    text += Space();
    int kind = Uniform(0, 99);
    if (kind < 28) {
      text += Note();
    } else if (kind < 40) {
      text += "r" + Length();
    } else if (kind < 52) {
      // A tie, usually to the same note again, sometimes across a rest or a command.
      text += "&";
      if (Chance(40)) text += TieFiller();
      text += Space();
      text += Chance(75) ? lastNote_ + Length() : Note();
    } else if (kind < 57) {
      text += "o" + std::to_string(Chance(95) ? Uniform(0, 8) : 9);
    } else if (kind < 64) {
      text += Chance(50) ? "<" : ">";
    } else if (kind < 70) {
      text += "l" + Length();
    } else if (kind < 75) {
      text += "v" + std::to_string(Chance(95) ? Uniform(0, 15) : 16);
    } else if (kind < 78) {
      // The extended dialect takes tempos up to 300, which no game text can say.
      text += "t" + std::to_string(Chance(90) || extended_ ? Uniform(32, 255) : Uniform(0, 400));
    } else if (kind < 86) {
      text += "n" + std::to_string(Chance(95) ? Uniform(0, 96) : 97) + (Chance(10) ? "." : "");
    } else if (kind < 89) {
      text += Comment();
    } else if (kind < 92) {
      // Long silences and odd totals.
      int count = Uniform(1, 20);
      const char* rest = Pick({"r1", "r1.", "r64.", "r2", "r"});
      for (int i = 0; i < count; ++i) text += rest;
    } else if (kind < 95) {
      text += Pick({"o8b+", "o0c-", "o8b+&b+", "o0c-&c-", "o1<c", "o0<c", "o2<<c", "o8>c", "o7>>b+",
                    "o8c+>c"});
    } else if (kind < 97) {
      text += Pick({"x", ",", "[", "]", ";", "!"});
    } else if (extended_) {
      text += Pick({"@10", "y7,100", "p64", "~64", "EX xF0,x41,xF7", "V100", "E64"});
    } else {
      text += "\x82\xa0";  // a two-byte character
    }
  }

  std::mt19937 rng_;
  bool extended_ = false;
  std::string lastNote_ = "c";
};

}  // namespace kore::testing
