// kore-cli smf-tracks: prints the source list the SMF import dialog shows for a file.
#include <cstdio>
#include <memory>
#include <string>

#include "base/shift_jis.h"
#include "cli/command_registry.h"
#include "smf/smf_reader.h"

namespace kore::cli {
namespace {

void RunSmfTracks(const std::string& path) {
  SmfImportJob job;
  std::vector<SmfSourceLine> lines;
  if (int code = ListSmfTracks(path, job, lines); code != kSmfOk) {
    Fail("SMFの解析に失敗しました: " + path + " (code " + std::to_string(code) + ")", code);
  }
  std::string out;
  for (const SmfSourceLine& line : lines) out += SjisToUtf8Lossy(line.text) + "\n";
  std::fwrite(out.data(), 1, out.size(), stdout);
  if (std::fflush(stdout) != 0) Fail("cannot write the output");
}

const CommandRegistration kRegistration("smf-tracks", [](CLI::App& app) {
  auto path = std::make_shared<std::string>();
  CLI::App* command = app.add_subcommand(
      "smf-tracks", "List the tracks (or, for format 0, the channels) of a Standard MIDI File");
  command->add_option("IN", *path, "MIDI file (.mid)")->required();
  command->callback([path] { RunSmfTracks(*path); });
});

}  // namespace
}  // namespace kore::cli
