// kore-cli convert: reads a song (song file, .mms, .kor or clipboard text) and writes it as a
// song file in one of the three save modes, or as a .kor container.
#include <cstdio>
#include <memory>
#include <string>

#include "base/profile_file.h"
#include "cli/command_registry.h"
#include "cli/open_song.h"
#include "song/foreign_formats.h"
#include "song/loaded_song.h"
#include "song/song_file.h"

namespace kore::cli {
namespace {

struct ConvertOptions {
  std::string in;
  std::string out;
  std::string mode = "compact";
  std::string to;
  bool clipboardText = false;
  int32_t defaultTimeBase = 32;
};

// Clipboard text is what pasting it into the editor gives: its "MML@" groups, else the text
// read as a song file (an empty song when it is neither).
std::unique_ptr<CMMLDocument> ReadClipboardText(const ConvertOptions& options) {
  auto text = ReadWholeFile(options.in);
  if (!text) Fail("ファイルのオープンに失敗しました: " + options.in);
  LoadedSong loaded;
  if (ParseClipboardMml(*text, loaded, options.defaultTimeBase) == 0) {
    ReadSongMemory(*text, loaded, {options.defaultTimeBase});
  }
  auto document = std::make_unique<CMMLDocument>();
  LoadIntoDocument(loaded, *document, std::string());
  return document;
}

void RunConvert(const ConvertOptions& options) {
  // Through the document, so the result is what the editor would save after opening it.
  std::unique_ptr<CMMLDocument> owned = options.clipboardText
                                            ? ReadClipboardText(options)
                                            : OpenSongOrFail(options.in, options.defaultTimeBase);
  const CMMLDocument& document = *owned;

  std::string to = options.to;
  if (to.empty()) to = SongFileKindOf(options.out) == SongFileKind::Kor ? "kor" : "mml";
  int rc;
  if (to == "kor") {
    rc = WriteKorFile(options.out, ContentOf(document));
  } else {
    SaveMode mode = options.mode == "plain"        ? SaveMode::Plain
                    : options.mode == "compatible" ? SaveMode::Compatible
                                                   : SaveMode::Compact;
    rc = SaveSongFile(options.out, document, mode);
  }
  if (rc != 0) Fail("ファイルのオープンに失敗しました: " + options.out);
  std::printf("%s: %s, %d tracks\n", options.out.c_str(),
              to == "kor" ? "kor" : options.mode.c_str(), document.TrackCount());
}

const CommandRegistration kRegistration("convert", [](CLI::App& app) {
  auto options = std::make_shared<ConvertOptions>();
  CLI::App* command = app.add_subcommand(
      "convert", "Convert a song (.mml, .mms, .kor or clipboard text) to a song file or .kor");
  command->add_option("IN", options->in, "song to read")->required();
  command->add_option("OUT", options->out, "file to write (replaced only once complete)")
      ->required();
  command->add_option("--mode", options->mode, "save mode of a song file")
      ->check(CLI::IsMember({"compact", "compatible", "plain"}))
      ->capture_default_str();
  command->add_option("--to", options->to, "output kind; default: kor for a .kor name, else mml")
      ->check(CLI::IsMember({"mml", "kor"}));
  command->add_flag("--clipboard-text", options->clipboardText,
                    "IN holds clipboard text: MML@ groups, or a whole song file");
  command->add_option("--default-tpq", options->defaultTimeBase,
                      "time base for input without a usable one (32, 480 or 960)")
      ->check(CLI::IsMember({32, 480, 960}))
      ->capture_default_str();
  command->callback([options] { RunConvert(*options); });
});

}  // namespace
}  // namespace kore::cli
