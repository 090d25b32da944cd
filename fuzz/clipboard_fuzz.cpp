// Clipboard import: MML@ groups, or else the text read as a song file, as the command does.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "song/foreign_formats.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace kore;
  std::string_view text(reinterpret_cast<const char*>(data), size);
  LoadedSong song;
  if (ParseClipboardMml(text, song, 32) == 0) ReadSongMemory(text, song);
  return 0;
}
