#include "cli/open_song.h"

#include "cli/command_registry.h"
#include "song/foreign_formats.h"
#include "song/loaded_song.h"

namespace kore::cli {

std::unique_ptr<CMMLDocument> OpenSongOrFail(const std::string& path,
                                             int32_t defaultTicksPerQuarter) {
  LoadedSong loaded;
  if (ReadAnySongFile(path, loaded, {defaultTicksPerQuarter}) != kSongFileOk) {
    Fail("ファイルのオープンに失敗しました: " + path);
  }
  auto document = std::make_unique<CMMLDocument>();
  bool keepPath = SongFileKindOf(path) != SongFileKind::Mms;
  LoadIntoDocument(loaded, *document, keepPath ? path : std::string());
  return document;
}

}  // namespace kore::cli
