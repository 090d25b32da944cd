// Song file reader on arbitrary bytes; now and then what it read is written again and read
// back (writing compresses, which is slow enough to starve the reader of runs if done always).
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "song/song_file.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace kore;
  std::string_view bytes(reinterpret_cast<const char*>(data), size);
  LoadedSong song;
  ReadSongMemory(bytes, song, {480});
  if (size == 0 || data[0] % 8 != 0) return 0;
  SaveMode mode = static_cast<SaveMode>(data[size - 1] % 3);
  std::string written = SongFileBytes(song.View(), mode);
  LoadedSong again;
  ReadSongMemory(written, again, {480});
  return 0;
}
