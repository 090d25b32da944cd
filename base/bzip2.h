#pragma once
// One-shot bzip2 compression and decompression through libbz2.
#include <cstddef>
#include <cstdint>
#include <vector>

namespace kore {

// Compresses with block size 9, verbosity 0, work factor 30. `outputArea` is the output
// capacity to try first; when the data does not fit it, libbz2's worst-case bound is used
// instead (the bytes produced do not depend on the capacity). Returns false only when libbz2
// itself fails.
bool Bzip2Compress(const uint8_t* data, size_t size, size_t outputArea,
                   std::vector<uint8_t>& compressed);

// Decompresses (small-memory mode off, verbosity 0) into exactly `expectedSize` bytes. Fails
// when the data is damaged or decompresses to any other size.
bool Bzip2Decompress(const uint8_t* data, size_t size, size_t expectedSize,
                     std::vector<uint8_t>& plain);

}  // namespace kore
