#include "song/instruments.h"

#include <array>
#include <cstdio>

#include "base/shift_jis.h"

namespace kore {
namespace {

struct GameInstrument {
  const char* name;  // UTF-8 source text
  int32_t program;
  int32_t gameId;
};

constexpr GameInstrument kGameInstruments[kGameInstrumentCount] = {
    {"リュート", 105, 0},   {"ウクレレ", 24, 1},   {"マンドリン", 25, 2}, {"フルート", 73, 5},
    {"ホイッスル", 72, 3}, {"シャルーモ", 71, 6}, {"尺八", 77, 4},
};

constexpr const char* kGmNames[128] = {
    "Acoustic Grand Piano", "Bright Acoustic Piano", "Electric Grand Piano", "Honky-tonk Piano",
    "Electric Piano 1", "Electric Piano 2", "Harpsichord", "Clavi",
    "Celesta", "Glockenspiel", "Music Box", "Vibraphone",
    "Marimba", "Xylophone", "Tubular Bells", "Dulcimer",
    "Drawbar Organ", "Percussive Organ", "Rock Organ", "Church Organ",
    "Reed Organ", "Accordion", "Harmonica", "Tango Accordion",
    "Acoustic Guitar (nylon)", "Acoustic Guitar (steel)", "Electric Guitar (jazz)",
    "Electric Guitar (clean)", "Electric Guitar (muted)", "Overdriven Guitar",
    "Distortion Guitar", "Guitar harmonics",
    "Acoustic Bass", "Electric Bass (finger)", "Electric Bass (pick)", "Fretless Bass",
    "Slap Bass 1", "Slap Bass 2", "Synth Bass 1", "Synth Bass 2",
    "Violin", "Viola", "Cello", "Contrabass",
    "Tremolo Strings", "Pizzicato Strings", "Orchestral Harp", "Timpani",
    "String Ensemble 1", "String Ensemble 2", "SynthStrings 1", "SynthStrings 2",
    "Choir Aahs", "Voice Oohs", "Synth Voice", "Orchestra Hit",
    "Trumpet", "Trombone", "Tuba", "Muted Trumpet",
    "French Horn", "Brass Section", "SynthBrass 1", "SynthBrass 2",
    "Soprano Sax", "Alto Sax", "Tenor Sax", "Baritone Sax",
    "Oboe", "English Horn", "Bassoon", "Clarinet",
    "Piccolo", "Flute", "Recorder", "Pan Flute",
    "Blown Bottle", "Shakuhachi", "Whistle", "Ocarina",
    "Lead 1 (square)", "Lead 2 (sawtooth)", "Lead 3 (calliope)", "Lead 4 (chiff)",
    "Lead 5 (charang)", "Lead 6 (voice)", "Lead 7 (fifths)", "Lead 8 (bass + lead)",
    "Pad 1 (new age)", "Pad 2 (warm)", "Pad 3 (polysynth)", "Pad 4 (choir)",
    "Pad 5 (bowed)", "Pad 6 (metallic)", "Pad 7 (halo)", "Pad 8 (sweep)",
    "FX 1 (rain)", "FX 2 (soundtrack)", "FX 3 (crystal)", "FX 4 (atmosphere)",
    "FX 5 (brightness)", "FX 6 (goblins)", "FX 7 (echoes)", "FX 8 (sci-fi)",
    "Sitar", "Banjo", "Shamisen", "Koto",
    "Kalimba", "Bag pipe", "Fiddle", "Shanai",
    "Tinkle Bell", "Agogo", "Steel Drums", "Woodblock",
    "Taiko Drum", "Melodic Tom", "Synth Drum", "Reverse Cymbal",
    "Guitar Fret Noise", "Breath Noise", "Seashore", "Bird Tweet",
    "Telephone Ring", "Helicopter", "Applause", "Gunshot",
};

bool InRange(int32_t index) { return index >= 0 && index < kInstrumentCount; }

// Shift-JIS names, converted once; the GM names are ASCII and pass through unchanged.
const std::array<std::string, kInstrumentCount>& Names() {
  static const std::array<std::string, kInstrumentCount> names = [] {
    std::array<std::string, kInstrumentCount> out;
    for (int32_t i = 0; i < kGameInstrumentCount; ++i) out[i] = Sjis(kGameInstruments[i].name);
    for (int32_t p = 0; p < 128; ++p) out[kGameInstrumentCount + p] = kGmNames[p];
    return out;
  }();
  return names;
}

}  // namespace

std::string_view InstrumentName(int32_t index) {
  if (!InRange(index)) return {};
  return Names()[index];
}

int32_t InstrumentProgram(int32_t index) {
  if (!InRange(index)) index = 0;
  return IsGameInstrument(index) ? kGameInstruments[index].program : index - kGameInstrumentCount;
}

int32_t InstrumentGameId(int32_t index) {
  return IsGameInstrument(index) ? kGameInstruments[index].gameId : -1;
}

int32_t InstrumentIndexToCode(int32_t index) {
  if (!InRange(index)) index = 0;
  return IsGameInstrument(index) ? index + 128 : index - kGameInstrumentCount;
}

int32_t InstrumentCodeToIndex(int32_t code) {
  if (code >= 0 && code <= 127) return code + kGameInstrumentCount;
  if (code >= 128 && code <= 135) return code - 128;
  return 0;
}

std::string InstrumentListText(int32_t index) {
  if (!InRange(index)) return {};
  char number[16];
  std::snprintf(number, sizeof number, "%03d : ", InstrumentProgram(index) + 1);
  return number + std::string(InstrumentName(index));
}

}  // namespace kore
