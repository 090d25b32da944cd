// kore-cli events: compiles the MML of one track and prints its records as TSV; or, for a
// song file, the compiled records of one of its tracks or of the whole song.
#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <iterator>
#include <memory>
#include <string>

#include "base/shift_jis.h"
#include "cli/command_registry.h"
#include "cli/open_song.h"
#include "mml/mml_compiler.h"
#include "song/foreign_formats.h"
#include "song/loaded_song.h"

namespace kore::cli {
namespace {

struct EventsOptions {
  std::string mml;
  std::string mmlFile;
  bool keepTies = false;
  int32_t ticksPerQuarter = 32;
  int32_t beatsPerMeasure = 4;
  int32_t beatUnit = 4;
  int32_t startTick = 0;
  bool states = false;
  bool summary = false;
  std::string songPath;
  int32_t track = -1;
  bool wholeSong = false;
  CLI::Option* mmlOption = nullptr;
  CLI::Option* mmlFileOption = nullptr;
  CLI::Option* trackOption = nullptr;
};

// A long track's text is read into fresh memory once: huge pages take it in a fault or two.
using TrackText = std::vector<char, LongArrayAllocator<char>>;

// The Shift-JIS text of the track to compile. Fails with a message when there is none or it
// cannot be read.
TrackText ReadEventsInput(const EventsOptions& options) {
  if (*options.mmlOption) {
    TextConversion converted = Utf8ToSjis(options.mml);
    if (!converted.ok) Fail("--mml: " + converted.error);
    return TrackText(converted.text.begin(), converted.text.end());
  }
  if (*options.mmlFileOption) {
    std::error_code error;
    if (std::filesystem::is_directory(options.mmlFile, error)) {
      Fail(options.mmlFile + " is a folder, not an MML file");
    }
    std::ifstream in(options.mmlFile, std::ios::binary);
    if (!in) Fail("cannot open " + options.mmlFile);
    TrackText text;
    // A regular file is read at once into a string of its size; anything else (a pipe) in
    // large blocks.
    const auto size = std::filesystem::is_regular_file(options.mmlFile, error)
                          ? std::filesystem::file_size(options.mmlFile, error)
                          : std::uintmax_t{0};
    if (!error && size > 0) {
      text.resize(static_cast<size_t>(size));
      in.read(text.data(), static_cast<std::streamsize>(size));
      text.resize(static_cast<size_t>(in.gcount()));
    }
    char buffer[1 << 16];
    while (in.read(buffer, sizeof buffer) || in.gcount() > 0) {
      text.insert(text.end(), buffer, buffer + in.gcount());
      if (!in) break;
    }
    if (in.bad()) Fail("cannot read " + options.mmlFile);
    return text;
  }
  Fail("no input: give SONG, --mml TEXT or --mml-file PATH", 2);
}

constexpr const char* kHeader =
    "kind\ttick\tlength\tnote\tvalue\tvalue2\tchannel\ttrack\tseq\tletter\toctave\tsharp\tstep\t"
    "textBegin\ttextEnd\tdotted\tnumericNote\tdefaultDotted\tdefaultLength\tlengthValue\t"
    "outOfRange\ttext\tdata";

void PrintRecord(std::string& out, const MidiEvent& e) {
  out += MidiEventKindName(e.kind);
  const int32_t numbers[] = {e.tick,      e.length,    e.note,          e.value,
                             e.value2,    e.channel,   e.track,         e.seq,
                             e.letter,    e.octave,    e.sharp,         e.step,
                             e.textBegin, e.textEnd,   e.dotted,        e.numericNote,
                             e.defaultDotted, e.defaultLength, e.lengthValue, e.outOfRange};
  for (int32_t n : numbers) {
    out += '\t';
    out += std::to_string(n);
  }
  out += '\t';
  out += SjisToUtf8Lossy(e.text);
  out += '\t';
  for (size_t i = 0; i < e.data.size(); ++i) {
    if (i > 0) out += ' ';
    out += std::to_string(e.data[i]);
  }
  out += '\n';
}

void WriteOut(const std::string& out) {
  std::fwrite(out.data(), 1, out.size(), stdout);
  if (std::fflush(stdout) != 0) Fail("cannot write the output");
}

// "records=.. notes=.. endTick=.. characters=..": the end tick is the latest EndOfTrack and the
// characters those of every EndOfTrack in the list.
template <typename Records>
std::string Summary(const Records& list) {
  size_t records = 0;
  size_t notes = 0;
  int32_t endTick = 0;
  int32_t characters = 0;
  for (const MidiEvent& e : list) {
    ++records;
    notes += size_t{e.kind == MidiEventKind::Note};  // no branch: kinds alternate unpredictably
    if (e.kind == MidiEventKind::EndOfTrack) {
      endTick = std::max(endTick, e.tick);
      characters += e.value;
    }
  }
  return "records=" + std::to_string(records) + " notes=" + std::to_string(notes) +
         " endTick=" + std::to_string(endTick) + " characters=" + std::to_string(characters) +
         "\n";
}

template <typename Records>
std::string Table(const Records& list) {
  std::string out = kHeader;
  out += '\n';
  for (const MidiEvent& e : list) PrintRecord(out, e);
  return out;
}

// A song file loaded as the editor loads it; prints the lists the editor holds: one slot's
// records (or states), or the merged song list the player walks.
void RunSongEvents(const EventsOptions& options) {
  std::unique_ptr<CMMLDocument> document = OpenSongOrFail(options.songPath);
  if (options.wholeSong) {
    const SongEventList& song = document->SongEvents();
    WriteOut(options.summary ? Summary(song) : Table(song));
    return;
  }
  int32_t slot = *options.trackOption ? options.track : document->TrackOrder()[0];
  if (slot < 0 || slot >= kTrackSlotCount || !document->Track(slot).inUse) {
    Fail("slot " + std::to_string(slot) + " holds no track in " + options.songPath, 2);
  }
  const CMMLTrack& track = document->Track(slot);
  const MidiEventList& list = options.states ? track.states : track.events;
  WriteOut(options.summary ? Summary(list) : Table(list));
}

void RunEvents(const EventsOptions& options) {
  if (!options.songPath.empty()) {
    RunSongEvents(options);
    return;
  }
  const TrackText text = ReadEventsInput(options);
  TimeBase timeBase{options.ticksPerQuarter, options.beatsPerMeasure, options.beatUnit};
  // The process ends once they are printed: the lists are left for the exit to take back
  // (reachable from here) rather than walked once more to be destroyed.
  static auto* const kept = new std::pair<MidiEventList, MmlStateList>;
  auto& [events, states] = *kept;
  CMMLCompiler(timeBase).Compile(std::string_view(text.data(), text.size()), events, states,
                                 options.startTick, options.keepTies);

  // One compiled track ends in its one EndOfTrack, so the song summary reads the same here.
  WriteOut(options.summary ? Summary(events) : Table(options.states ? states : events));
}

const CommandRegistration kRegistration("events", [](CLI::App& app) {
  auto options = std::make_shared<EventsOptions>();
  CLI::App* command = app.add_subcommand(
      "events",
      "Compile the MML of one track, or read a song file, and print its records (TSV) or a "
      "summary");
  CLI::Option* song = command->add_option(
      "SONG", options->songPath,
      "song file (.mml, .mms, .kor): print a track's compiled records (--track) or the song's");
  options->mmlOption =
      command->add_option("--mml", options->mml, "MML text (UTF-8, converted to Shift-JIS)");
  options->mmlFileOption = command->add_option("--mml-file", options->mmlFile,
                                               "file holding the raw Shift-JIS MML of one track");
  options->mmlOption->excludes(options->mmlFileOption);
  song->excludes(options->mmlOption)->excludes(options->mmlFileOption);
  options->trackOption =
      command->add_option("--track", options->track, "with SONG: slot 0-15 (default: first tab)")
          ->check(CLI::Range(0, 15))
          ->needs(song);
  CLI::Option* wholeSong = command->add_flag(
      "--song", options->wholeSong, "with SONG: the merged records of all tracks, in song order");
  wholeSong->needs(song)->excludes(options->trackOption);
  command->add_flag("--keep-ties", options->keepTies, "compile \"&\" as Tie records")
      ->excludes(song);
  command->add_option("--tpq", options->ticksPerQuarter, "ticks per quarter note (1-960)")
      ->check(CLI::Range(1, 960))
      ->excludes(song)
      ->capture_default_str();
  command->add_option("--beats", options->beatsPerMeasure, "beats per measure (1-16)")
      ->check(CLI::Range(1, 16))
      ->excludes(song)
      ->capture_default_str();
  command->add_option("--unit", options->beatUnit, "beat unit (1, 2, 4, 8 or 16)")
      ->check(CLI::IsMember({1, 2, 4, 8, 16}))
      ->excludes(song)
      ->capture_default_str();
  command->add_option("--start-tick", options->startTick, "tick the track starts at")
      ->check(CLI::NonNegativeNumber)
      ->excludes(song)
      ->capture_default_str();
  CLI::Option* states =
      command->add_flag("--states", options->states, "print the MML state records instead");
  states->excludes(wholeSong);
  command->add_flag("--summary", options->summary,
                    "print one line: records, notes, end tick, characters")
      ->excludes(states);
  command->callback([options] { RunEvents(*options); });
});

}  // namespace
}  // namespace kore::cli
