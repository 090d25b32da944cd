// ".kor" reading, as given and with the header's length and both checksums made right; a file
// that reads is written and read again.
#include <cstddef>
#include <cstdint>
#include <string>

#include "base/crc32.h"
#include "song/extension_block.h"
#include "song/foreign_formats.h"

namespace {

void PutU32(std::string& s, size_t at, uint32_t v) {
  for (int i = 0; i < 4; ++i) s[at + i] = static_cast<char>((v >> (8 * i)) & 0xFF);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace kore;
  std::string bytes(reinterpret_cast<const char*>(data), size);
  LoadedSong song;
  ReadKorBytes(bytes, song);
  if (size >= kKorHeaderSize + kExtensionHeaderSize) {
    const size_t blockAt = kKorHeaderSize;
    const size_t bodyAt = blockAt + kExtensionHeaderSize;
    PutU32(bytes, blockAt + 4, Crc32(bytes.data() + bodyAt, size - bodyAt));
    PutU32(bytes, 0, kKorMagic);
    PutU32(bytes, 4, static_cast<uint32_t>(size - blockAt));
    PutU32(bytes, 8, Crc32(bytes.data() + blockAt, size - blockAt));
    LoadedSong sealed;
    if (ReadKorBytes(bytes, sealed) == 0) {
      LoadedSong again;
      ReadKorBytes(KorFileBytes(sealed.View()), again);
    }
  }
  return 0;
}
