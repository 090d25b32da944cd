// The "d=" text of an extension section: Base64 decoding and the block behind it. The input's
// own CRC is passed as the expected one so that decoding is always reached.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "base/crc32.h"
#include "song/extension_block.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace kore;
  std::string_view text(reinterpret_cast<const char*>(data), size);
  LoadedSong song;
  ApplyExtensionText(text, Crc32(text), song);
  return 0;
}
