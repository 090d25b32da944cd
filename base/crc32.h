#pragma once
// CRC-32 of ISO 3309 / ITU-T V.42: reflected polynomial 0xEDB88320, initial value 0xFFFFFFFF,
// final complement, computed with a 256-entry table.
#include <cstddef>
#include <cstdint>
#include <string_view>

namespace kore {

// `previous` is the CRC of the bytes before `data` (0 to start), so a long input may be fed in
// pieces: Crc32(b, nb, Crc32(a, na)) == Crc32(ab, na + nb).
uint32_t Crc32(const void* data, size_t size, uint32_t previous = 0);
inline uint32_t Crc32(std::string_view bytes, uint32_t previous = 0) {
  return Crc32(bytes.data(), bytes.size(), previous);
}

}  // namespace kore
