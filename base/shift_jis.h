#pragma once
// Shift-JIS (code page 932) helpers. Inside the program every text is Shift-JIS bytes;
// conversion to and from UTF-8 happens only at the edges (terminal, GUI, file names).
#include <cstdint>
#include <string>
#include <string_view>

namespace kore {

// True for the first byte of a two-byte Shift-JIS character (0x81-0x9F, 0xE0-0xFC).
constexpr bool IsSjisLeadByte(uint8_t b) {
  return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC);
}
inline bool IsSjisLeadByte(char c) { return IsSjisLeadByte(static_cast<uint8_t>(c)); }

// Outcome of a conversion: on failure `text` is empty and `error` says where and why.
struct TextConversion {
  bool ok = false;
  std::string text;
  std::string error;
};

TextConversion SjisToUtf8(std::string_view sjis);
TextConversion Utf8ToSjis(std::string_view utf8);

// Lenient forms for display: undecodable bytes become U+FFFD ("?" towards Shift-JIS)
// instead of failing, so a damaged name still shows.
std::string SjisToUtf8Lossy(std::string_view sjis);
std::string Utf8ToSjisLossy(std::string_view utf8);

// The program's own fixed texts are written in UTF-8 source; this gives their Shift-JIS bytes.
// Intended for literals, which always convert; anything unconvertible becomes "?".
std::string Sjis(std::string_view utf8Literal);

}  // namespace kore
