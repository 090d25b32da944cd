#include "base/shift_jis.h"

#include <iconv.h>

#include <cerrno>
#include <cstdint>
#include <cstdio>

namespace kore {
namespace {

// A converter per direction and thread; iconv descriptors are not thread-safe.
class Converter {
 public:
  Converter(const char* to, const char* from) : cd_(iconv_open(to, from)) {}
  ~Converter() {
    if (cd_ != reinterpret_cast<iconv_t>(-1)) iconv_close(cd_);
  }
  Converter(const Converter&) = delete;
  Converter& operator=(const Converter&) = delete;

  // Converts `in`; on an invalid or unconvertible sequence either fails (strict) or writes
  // `replacement` and skips one input byte.
  TextConversion Run(std::string_view in, bool strict, std::string_view replacement,
                     const char* inputName) {
    TextConversion result;
    if (cd_ == reinterpret_cast<iconv_t>(-1)) {
      result.error = "text conversion is not available (iconv CP932)";
      return result;
    }
    // Both encodings hold the ASCII range byte for byte, and most texts (MML, names) are
    // nothing else: those are copied without a call into iconv.
    size_t ascii = 0;
    while (ascii < in.size() && static_cast<uint8_t>(in[ascii]) < 0x80) ++ascii;
    if (ascii == in.size()) {
      result.ok = true;
      result.text.assign(in);
      return result;
    }
    iconv(cd_, nullptr, nullptr, nullptr, nullptr);
    std::string out;
    out.reserve(in.size() * 3 / 2 + 4);
    char buffer[4096];
    char* src = const_cast<char*>(in.data());
    size_t srcLeft = in.size();
    while (srcLeft > 0) {
      char* dst = buffer;
      size_t dstLeft = sizeof buffer;
      size_t rc = iconv(cd_, &src, &srcLeft, &dst, &dstLeft);
      out.append(buffer, static_cast<size_t>(dst - buffer));
      if (rc != static_cast<size_t>(-1)) continue;
      if (errno == E2BIG) continue;
      // EILSEQ, EINVAL (truncated sequence at the end): a bad byte at `src`.
      size_t offset = static_cast<size_t>(src - in.data());
      if (strict) {
        char message[160];
        std::snprintf(message, sizeof message, "invalid %s byte 0x%02X at offset %zu", inputName,
                      static_cast<unsigned>(static_cast<uint8_t>(*src)), offset);
        result.error = message;
        return result;
      }
      out.append(replacement);
      ++src;
      --srcLeft;
      iconv(cd_, nullptr, nullptr, nullptr, nullptr);
    }
    char* dst = buffer;
    size_t dstLeft = sizeof buffer;
    iconv(cd_, nullptr, nullptr, &dst, &dstLeft);
    out.append(buffer, static_cast<size_t>(dst - buffer));
    result.ok = true;
    result.text = std::move(out);
    return result;
  }

 private:
  iconv_t cd_;
};

Converter& ToUtf8() {
  thread_local Converter converter("UTF-8", "CP932");
  return converter;
}
Converter& ToSjis() {
  thread_local Converter converter("CP932", "UTF-8");
  return converter;
}

}  // namespace

TextConversion SjisToUtf8(std::string_view sjis) {
  return ToUtf8().Run(sjis, true, {}, "Shift-JIS");
}
TextConversion Utf8ToSjis(std::string_view utf8) {
  return ToSjis().Run(utf8, true, {}, "UTF-8 (or not representable in Shift-JIS)");
}
std::string SjisToUtf8Lossy(std::string_view sjis) {
  return ToUtf8().Run(sjis, false, "\xEF\xBF\xBD", "Shift-JIS").text;
}
std::string Utf8ToSjisLossy(std::string_view utf8) {
  return ToSjis().Run(utf8, false, "?", "UTF-8").text;
}
std::string Sjis(std::string_view utf8Literal) { return Utf8ToSjisLossy(utf8Literal); }

}  // namespace kore
