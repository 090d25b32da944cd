// kore-cli game: the game-format export of a song file, as "MMLをコピー" of the export dialog
// puts it on the clipboard.
#include <cstdio>
#include <iostream>
#include <memory>
#include <nlohmann/json.hpp>
#include <set>
#include <string>
#include <vector>

#include "base/shift_jis.h"
#include "cli/command_registry.h"
#include "cli/open_song.h"
#include "song/game_export_song.h"
#include "song/loaded_song.h"
#include "song/song_file.h"

namespace kore::cli {
namespace {

struct GameOptions {
  std::string song;
  std::string tracks;  // 1-based positions in display order, comma-separated
  bool optimize = false;
  int32_t format = kGameFormatGame;
  bool json = false;
};

// Slots chosen by --tracks, or the first three in display order.
std::vector<int32_t> SelectSlots(const std::vector<int32_t>& order, const std::string& list) {
  if (list.empty()) {
    return {order.begin(), order.begin() + std::min<ptrdiff_t>(3, std::ssize(order))};
  }
  std::vector<int32_t> slots;
  std::set<int32_t> seen;
  size_t start = 0;
  while (start <= list.size()) {
    size_t comma = list.find(',', start);
    std::string item =
        list.substr(start, comma == std::string::npos ? std::string::npos : comma - start);
    int32_t number = 0;
    bool digits = !item.empty() && item.size() <= 3 &&
                  item.find_first_not_of("0123456789") == std::string::npos;
    if (digits) number = std::stoi(item);
    if (!digits || number < 1 || number > std::ssize(order)) {
      Fail("--tracks: \"" + item + "\" is not a track number from 1 to " +
               std::to_string(order.size()),
           2);
    }
    if (!seen.insert(number).second) Fail("--tracks: track " + item + " is listed twice", 2);
    slots.push_back(order[static_cast<size_t>(number - 1)]);
    if (comma == std::string::npos) break;
    start = comma + 1;
  }
  if (slots.size() > kMaxGameParts) Fail("--tracks: at most three tracks make a score", 2);
  // The export takes the selection in display order, whatever order it was listed in.
  std::vector<int32_t> inOrder;
  for (int32_t slot : order) {
    if (std::find(slots.begin(), slots.end(), slot) != slots.end()) inOrder.push_back(slot);
  }
  return inOrder;
}

void WriteOut(const std::string& utf8) {
  std::fwrite(utf8.data(), 1, utf8.size(), stdout);
  if (std::fflush(stdout) != 0) Fail("cannot write the output");
}

std::string Json(const GameOptions& options, const GameClipboardExport& exported) {
  nlohmann::json json;
  json["format"] = options.format;
  json["optimize"] = options.optimize;
  if (options.format == kGameFormatElvaraMml) {
    json["length"] = exported.text.size();
    return json.dump(2) + "\n";
  }
  const GameExportResult& result = exported.result;
  nlohmann::json parts = nlohmann::json::array();
  for (const GameExportPart& part : result.parts) {
    nlohmann::json entry;
    entry["name"] = SjisToUtf8Lossy(part.name);
    entry["characters"] = part.characterCount;
    entry["length"] = part.length;
    if (part.method != 0) entry["method"] = std::string(1, part.method);
    entry["text"] = SjisToUtf8Lossy(part.text);
    parts.push_back(entry);
  }
  json["parts"] = parts;
  json["methods"] = result.methods;
  json["totalLength"] = result.totalLength;
  json["rank"] = {{"index", result.rankIndex},
                  {"name", SjisToUtf8Lossy(RankName(result.rankIndex))}};
  return json.dump(2) + "\n";
}

void RunGame(const GameOptions& options) {
  std::unique_ptr<CMMLDocument> document = OpenSongOrFail(options.song);
  const SongContent song = ContentOf(*document);
  const std::vector<int32_t> order = DisplayOrder(song);
  std::vector<int32_t> slots;
  if (options.format != kGameFormatElvaraMml) slots = SelectSlots(order, options.tracks);

  GameClipboardExport exported;
  // The song file's default save mode, as a fresh installation saves.
  if (ExportGameText(song, slots, options.format, options.optimize, SaveMode::Compact, exported) !=
      0) {
    Fail("nothing to export: the selected tracks hold no MML the game plays");
  }
  if (options.json) {
    WriteOut(Json(options, exported));
    return;
  }
  WriteOut(SjisToUtf8Lossy(exported.text));
  std::cerr << SjisToUtf8Lossy(exported.message) << '\n';
}

const CommandRegistration kRegistration("game", [](CLI::App& app) {
  auto options = std::make_shared<GameOptions>();
  CLI::App* command = app.add_subcommand(
      "game", "Export up to three tracks of a song file as game-format text (MML@...;)");
  command->add_option("SONG", options->song, "song (.mml, .kor or .mms)")->required();
  command->add_option("--tracks", options->tracks,
                      "tracks to export, by position in display order (1-based, comma-separated, "
                      "at most three); default: the first three");
  command->add_flag("--optimize", options->optimize,
                    "rewrite each track to the fewest characters (methods A, B or X)");
  command
      ->add_option("--format", options->format,
                   "0: MML@a,b,c;  1: board form with header and line breaks  2: whole song "
                   "file")
      ->check(CLI::IsMember({0, 1, 2}))
      ->capture_default_str();
  command->add_flag("--json", options->json,
                    "print the parts, lengths, methods and rank as JSON instead of the text");
  command->callback([options] { RunGame(*options); });
});

}  // namespace
}  // namespace kore::cli
