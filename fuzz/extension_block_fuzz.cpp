// The binary extension block: as given, with its header CRC made right so the decompression
// and the record walk are reached, and the input as a bare record stream.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "base/crc32.h"
#include "song/extension_block.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace kore;
  LoadedSong song;
  ApplyExtensionBlock(data, size, song);
  if (size >= kExtensionHeaderSize) {
    std::vector<uint8_t> block(data, data + size);
    uint32_t crc = Crc32(block.data() + kExtensionHeaderSize, size - kExtensionHeaderSize);
    for (int i = 0; i < 4; ++i) block[4 + i] = static_cast<uint8_t>(crc >> (8 * i));
    LoadedSong sealed;
    ApplyExtensionBlock(block.data(), block.size(), sealed);
  }
  LoadedSong records;
  ApplyRecordStream(data, size, records);
  return 0;
}
