#pragma once
// The song file (".mml"): INI-like Shift-JIS text with the song settings, one raw MML section
// per track, optional property and marker sections, and always an extension block at the end.
#include <cstdint>
#include <string>
#include <string_view>

#include "song/loaded_song.h"
#include "song/song_document.h"

namespace kore {

enum class SaveMode {
  Compatible,  // Compatible1900 on: time base, instruments and names also in [Settings]
  Compact,     // the default: [Settings] and [Channel%d] only, the rest in the extension block
  Plain,       // [ChannelProperty%d] and [Marker] sections; the block holds the order only
};

SaveMode SaveModeOf(bool compatible1900, bool compact);

// Appends the whole file to `out`.
void WriteSongFile(std::string& out, const SongContent& song, SaveMode mode);
inline std::string SongFileBytes(const SongContent& song, SaveMode mode) {
  std::string out;
  WriteSongFile(out, song, mode);
  return out;
}

// What reading or writing a song file came to; the values are the ones callers compare with 0.
// Every failure is shown to the user as "ファイルのオープンに失敗しました".
enum SongFileResult : int {
  kSongFileOk = 0,
  kSongFileUnreadable = -1,  // cannot be opened, read or written
  kSongFileNotASong = -2,    // no [Settings], no [Channel%d], no extension block: nothing to load
};

// Writes the file through a temporary file in the same folder that replaces `path` only once
// it is complete, so a failed save leaves the old file as it was.
[[nodiscard]] SongFileResult SaveSongFile(const std::string& path, const SongContent& song,
                                          SaveMode mode);
[[nodiscard]] SongFileResult SaveSongFile(const std::string& path, const CMMLDocument& document,
                                          SaveMode mode);

// The next byte 0..255, or -1 at the end of input.
using GetByteFunction = int (*)(void* context);

struct SongReadOptions {
  // The application's DefaultTimeBase, taken when the file has none in 32..960.
  int32_t defaultTicksPerQuarter = 32;
};

// Parses a song file stream into `song` (reset first). Unknown sections and keys are skipped, a
// damaged extension block is ignored. Bytes holding none of the sections a song file always has
// ([Settings], [Channel%d] or the extension block) give kSongFileNotASong and an empty `song`,
// so random bytes are never taken for an empty song. Clipboard text may ignore the result.
SongFileResult ReadSongStream(LoadedSong& song, GetByteFunction getByte, void* context,
                              const SongReadOptions& options = {});
SongFileResult ReadSongMemory(std::string_view bytes, LoadedSong& song,
                              const SongReadOptions& options = {});
[[nodiscard]] SongFileResult ReadSongFile(const std::string& path, LoadedSong& song,
                                          const SongReadOptions& options = {});

// Memo escaping of the [Settings] line and its inverse.
std::string EscapeMemo(std::string_view memo);
std::string UnescapeMemo(std::string_view value);

}  // namespace kore
