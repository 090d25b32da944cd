#include "base/crc32.h"

#include <array>

namespace kore {
namespace {

constexpr std::array<uint32_t, 256> MakeTable() {
  std::array<uint32_t, 256> table{};
  for (uint32_t i = 0; i < 256; ++i) {
    uint32_t c = i;
    for (int bit = 0; bit < 8; ++bit) c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
    table[i] = c;
  }
  return table;
}

constexpr std::array<uint32_t, 256> kTable = MakeTable();

}  // namespace

uint32_t Crc32(const void* data, size_t size, uint32_t previous) {
  const auto* p = static_cast<const uint8_t*>(data);
  uint32_t c = ~previous;
  for (size_t i = 0; i < size; ++i) c = kTable[(c ^ p[i]) & 0xFF] ^ (c >> 8);
  return ~c;
}

}  // namespace kore
