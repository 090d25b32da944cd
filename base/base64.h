#pragma once
// Standard Base64 (alphabet A-Z a-z 0-9 + /, "=" padding, no line breaks).
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace kore {

std::string Base64Encode(const uint8_t* data, size_t size);
inline std::string Base64Encode(const std::vector<uint8_t>& bytes) {
  return Base64Encode(bytes.data(), bytes.size());
}

// Decodes until the first character outside the alphabet (such as "=" or a line break) and
// keeps the bytes completed so far; a trailing group of fewer than four characters yields
// its whole bytes (two characters give one byte, three give two).
std::vector<uint8_t> Base64Decode(std::string_view text);

}  // namespace kore
