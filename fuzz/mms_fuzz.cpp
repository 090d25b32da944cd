// Tamalin ".mms" text (an INI file) on arbitrary bytes.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "song/foreign_formats.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace kore;
  LoadedSong song;
  ReadMmsText(std::string_view(reinterpret_cast<const char*>(data), size), song);
  return 0;
}
