// kore-cli export-smf: writes a song file's compiled tracks as a Standard MIDI File.
#include <cstdio>
#include <memory>
#include <string>

#include "cli/command_registry.h"
#include "cli/open_song.h"
#include "smf/smf_writer.h"
#include "song/loaded_song.h"
#include "song/song_file.h"

namespace kore::cli {
namespace {

struct ExportSmfOptions {
  std::string song;
  std::string out;
  int32_t format = 1;
};

void RunExportSmf(const ExportSmfOptions& options) {
  std::unique_ptr<CMMLDocument> document = OpenSongOrFail(options.song);
  SmfExportRequest request = MakeSmfExportRequest(*document, options.out, options.format);
  if (WriteSmf(request) != 0) Fail("ファイルのオープンに失敗しました: " + options.out);
  int32_t tracks = 0;
  for (const TrackProperties& slot : request.slots) tracks += slot.inUse ? 1 : 0;
  std::printf("%s: format %d, %d tracks, %d ticks per quarter\n", options.out.c_str(),
              request.format, tracks, request.timeBase.ticksPerQuarter);
}

const CommandRegistration kRegistration("export-smf", [](CLI::App& app) {
  auto options = std::make_shared<ExportSmfOptions>();
  CLI::App* command =
      app.add_subcommand("export-smf", "Export a song file as a Standard MIDI File");
  command->add_option("SONG", options->song, "song (.mml, .kor or .mms)")->required();
  command->add_option("OUT", options->out, "MIDI file to write (.mid)")->required();
  command->add_option("--format", options->format, "SMF format: 1 (one chunk per track) or 0")
      ->check(CLI::IsMember({0, 1}))
      ->capture_default_str();
  command->callback([options] { RunExportSmf(*options); });
});

}  // namespace
}  // namespace kore::cli
