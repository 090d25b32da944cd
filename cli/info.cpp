// kore-cli info: prints a song (any file kind the editor opens) as JSON.
#include <cstdio>
#include <memory>
#include <nlohmann/json.hpp>
#include <string>

#include "base/shift_jis.h"
#include "cli/command_registry.h"
#include "cli/open_song.h"
#include "song/foreign_formats.h"
#include "song/instruments.h"
#include "song/loaded_song.h"

namespace kore::cli {
namespace {

struct InfoOptions {
  std::string song;
  int32_t defaultTimeBase = 32;
  bool compact = false;
};

std::string Utf8(std::string_view sjis) { return SjisToUtf8Lossy(sjis); }

nlohmann::ordered_json SongJson(const CMMLDocument& doc) {
  nlohmann::ordered_json j;
  j["path"] = doc.Path();
  j["title"] = Utf8(doc.Title());
  j["source"] = Utf8(doc.Source());
  j["memo"] = Utf8(doc.Memo());
  j["timeBase"] = {{"ticksPerQuarter", doc.GetTimeBase().ticksPerQuarter},
                   {"beatsPerMeasure", doc.GetTimeBase().beatsPerMeasure},
                   {"beatUnit", doc.GetTimeBase().beatUnit}};
  auto order = nlohmann::ordered_json::array();
  for (int32_t slot : doc.TrackOrder()) {
    if (slot == -1) break;
    order.push_back(slot);
  }
  j["trackOrder"] = order;
  auto tracks = nlohmann::ordered_json::array();
  for (int32_t slot = 0; slot < kTrackSlotCount; ++slot) {
    const CMMLTrack& t = doc.Track(slot);
    if (!t.inUse) continue;
    int32_t characters = t.events.empty() ? 0 : t.events.back().value;
    tracks.push_back({{"slot", slot},
                      {"inUse", t.inUse},
                      {"instrument", t.instrument},
                      {"instrumentName", Utf8(InstrumentName(t.instrument))},
                      {"reserved", t.reserved},
                      {"channel", t.channel},
                      {"volume", t.volume},
                      {"panpot", t.panpot},
                      {"muted", t.muted},
                      {"startMarker", t.startMarker},
                      {"name", Utf8(t.name)},
                      {"characters", characters},
                      {"text", Utf8(t.Text())}});
  }
  j["tracks"] = tracks;
  auto markers = nlohmann::ordered_json::array();
  for (const MidiEvent& m : doc.Markers()) {
    char colour[16];
    std::snprintf(colour, sizeof colour, "#%06X", static_cast<unsigned>(m.value) & 0xFFFFFFu);
    markers.push_back({{"tick", m.tick}, {"colour", m.value}, {"colourHex", colour},
                       {"name", Utf8(m.text)}});
  }
  j["markers"] = markers;
  return j;
}

void RunInfo(const InfoOptions& options) {
  std::unique_ptr<CMMLDocument> document = OpenSongOrFail(options.song, options.defaultTimeBase);
  nlohmann::ordered_json json = SongJson(*document);
  // The compiled records of a long song are hundreds of MB; they are not printed.
  document.reset();
  std::string out = json.dump(options.compact ? -1 : 2);
  json = nullptr;
  out += '\n';
  std::fwrite(out.data(), 1, out.size(), stdout);
  if (std::fflush(stdout) != 0) Fail("cannot write the output");
}

const CommandRegistration kRegistration("info", [](CLI::App& app) {
  auto options = std::make_shared<InfoOptions>();
  CLI::App* command = app.add_subcommand(
      "info", "Print a song (.mml, .mms or .kor) as JSON: settings, tracks, texts, markers");
  command->add_option("SONG", options->song, "song file")->required();
  command->add_option("--default-tpq", options->defaultTimeBase,
                      "time base for files without a usable one (32, 480 or 960)")
      ->check(CLI::IsMember({32, 480, 960}))
      ->capture_default_str();
  command->add_flag("--compact", options->compact, "print the JSON on one line");
  command->callback([options] { RunInfo(*options); });
});

}  // namespace
}  // namespace kore::cli
