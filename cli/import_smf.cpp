// kore-cli import-smf: converts a Standard MIDI File into MML tracks and writes a song file.
#include <cstdio>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "base/shift_jis.h"
#include "cli/command_registry.h"
#include "smf/smf_convert.h"
#include "smf/smf_import_song.h"
#include "smf/smf_reader.h"
#include "song/song_file.h"

namespace kore::cli {
namespace {

struct ImportSmfOptions {
  std::string in;
  std::string out;
  std::string preset;
  int32_t quantize = 32;
  std::string tracks;
  int32_t spread = 0;
  bool programChange = false, controlChange = false, pitchBend = false, velocity = false;
  bool midiText = false, sysEx = false, channel = false;
  bool reduceRest = false, noReduceRest = false, spreadControl = false;
};

// "1,3,10" -> list indexes 0, 2, 9.
std::vector<int32_t> ParseTrackList(const std::string& text, size_t listCount) {
  std::vector<int32_t> indexes;
  std::stringstream stream(text);
  std::string item;
  while (std::getline(stream, item, ',')) {
    size_t used = 0;
    int number = 0;
    try {
      number = std::stoi(item, &used);
    } catch (...) {
      used = 0;
    }
    if (used == 0 || used != item.size() || number < 1 || static_cast<size_t>(number) > listCount) {
      Fail("--tracks: \"" + item + "\" is not a track number 1.." + std::to_string(listCount), 2);
    }
    indexes.push_back(number - 1);
  }
  return indexes;
}

SmfImportOptions BuildOptions(const ImportSmfOptions& o) {
  SmfImportOptions options;  // the settings' defaults: only ReduceRest on, quantise 32
  if (!o.preset.empty()) {
    int32_t preset = FindSmfImportPreset(Utf8ToSjisLossy(o.preset));
    if (preset < 0) Fail("--preset: unknown preset \"" + o.preset + "\"", 2);
    ApplySmfImportPreset(preset, options);
  }
  options.quantizeValue = o.quantize;
  options.programChange |= o.programChange;
  options.controlChange |= o.controlChange;
  options.pitchBend |= o.pitchBend;
  options.velocity |= o.velocity;
  options.midiText |= o.midiText;
  options.sysEx |= o.sysEx;
  options.channel |= o.channel;
  if (o.reduceRest) options.reduceRest = true;
  if (o.noReduceRest) options.reduceRest = false;
  if (o.spread > 0) options.spreadTrack = true;
  options.spreadControl |= o.spreadControl;
  if (!options.spreadTrack) options.spreadControl = false;  // only offered while spreading
  return options;
}

void RunImportSmf(const ImportSmfOptions& o) {
  SmfImportJob job;
  job.path = o.in;
  job.options = BuildOptions(o);
  std::vector<SmfSourceLine> lines;
  if (int code = ListSmfTracks(o.in, job, lines); code != kSmfOk) {
    Fail("SMFの解析に失敗しました: " + o.in + " (code " + std::to_string(code) + ")", code);
  }
  const size_t listCount = job.trackNames.size();
  if (o.spread > 0) {
    if (static_cast<size_t>(o.spread) > listCount) {
      Fail("--spread: no track " + std::to_string(o.spread), 2);
    }
    job.selectedSources = {o.spread - 1};
    if (!o.tracks.empty() && ParseTrackList(o.tracks, listCount) != job.selectedSources) {
      Fail("--spread and --tracks name different tracks", 2);
    }
  } else if (!o.tracks.empty()) {
    job.selectedSources = ParseTrackList(o.tracks, listCount);
  } else {
    for (const SmfSourceLine& line : lines) job.selectedSources.push_back(line.listIndex);
  }
  std::string warning;
  if (CheckSmfImportSelection(job, &warning) != 0) Fail(SjisToUtf8Lossy(warning), 2);
  if (job.options.spreadTrack) job.spreadSource = job.selectedSources.front();

  if (int code = ConvertSmf(&job); code != kSmfOk) {
    Fail("SMFのインポートに失敗しました: " + o.in + " (code " + std::to_string(code) + ")", code);
  }
  if (job.outputs.empty()) Fail("no notes or events to convert in the chosen tracks");

  LoadedSong song;
  BuildSmfImportSong(job, song);
  if (SaveSongFile(o.out, song.View(), SaveMode::Compact) != 0) {
    Fail("ファイルのオープンに失敗しました: " + o.out);
  }
  std::printf("%s: %zu tracks\n%s\n", o.out.c_str(), job.outputs.size(),
              SjisToUtf8Lossy(QuantizeDisplayText(job.ticksPerQuarter,
                                                  job.options.quantizeValue)).c_str());
}

const CommandRegistration kRegistration("import-smf", [](CLI::App& app) {
  auto o = std::make_shared<ImportSmfOptions>();
  CLI::App* command = app.add_subcommand(
      "import-smf", "Convert a Standard MIDI File into MML tracks and write them as a song file");
  command->add_option("IN", o->in, "MIDI file (.mid)")->required();
  command->add_option("OUT", o->out, "song file to write (.mml)")->required();
  command->add_option("--preset", o->preset,
                      "0..5 or a preset name: カスタム, Elvara 通常, Elvara 文字数節約, "
                      "Elvara 和音再現, 拡張 多数トラック, 拡張 単体トラック精密");
  command->add_option("--quantize", o->quantize, "quantise unit: 4, 8, 16, 32 or 64")
      ->check(CLI::IsMember({4, 8, 16, 32, 64}))
      ->capture_default_str();
  command->add_option("--tracks", o->tracks,
                      "comma-separated track numbers as smf-tracks lists them (default: all)");
  command->add_option("--spread", o->spread,
                      "spread the chords of this one track over several MML tracks")
      ->check(CLI::PositiveNumber);
  command->add_flag("--program-change", o->programChange, "keep program changes (@n)");
  command->add_flag("--control-change", o->controlChange, "keep control changes (Vn, yn,m)");
  command->add_flag("--pitch-bend", o->pitchBend, "keep pitch bends (~n)");
  command->add_flag("--velocity", o->velocity, "write velocity changes (vn)");
  command->add_flag("--midi-text", o->midiText, "keep text meta events as comments");
  command->add_flag("--sysex", o->sysEx, "keep system exclusive messages (EX ...)");
  command->add_flag("--channel", o->channel, "write each track's MIDI channel directive");
  CLI::Option* reduce =
      command->add_flag("--reduce-rest", o->reduceRest, "lengthen notes over gaps (default)");
  command->add_flag("--no-reduce-rest", o->noReduceRest, "write rests for gaps")->excludes(reduce);
  command->add_flag("--spread-control", o->spreadControl,
                    "with --spread: gather non-note events in a track of their own");
  command->callback([o] { RunImportSmf(*o); });
});

}  // namespace
}  // namespace kore::cli
