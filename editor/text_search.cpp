#include "editor/text_search.h"

#include <algorithm>
#include <cstring>

#include "base/shift_jis.h"

namespace kore {
namespace {

inline uint8_t Fold(uint8_t b) { return (b >= 'A' && b <= 'Z') ? static_cast<uint8_t>(b + 32) : b; }

// Length of the character starting at `i`: 2 for a lead byte with a byte after it, else 1.
inline size_t CharLength(std::string_view text, size_t i) {
  return (IsSjisLeadByte(text[i]) && i + 1 < text.size()) ? 2 : 1;
}

// True when `key` stands at `at` (a character boundary). Only single-byte letters fold: the
// key is walked character by character, so a trail byte is always compared exactly.
bool MatchesAt(std::string_view text, std::string_view key, size_t at, bool caseSensitive) {
  if (key.size() > text.size() - at) return false;
  const char* t = text.data() + at;
  if (caseSensitive) return std::memcmp(t, key.data(), key.size()) == 0;
  for (size_t k = 0; k < key.size();) {
    const auto kb = static_cast<uint8_t>(key[k]);
    if (IsSjisLeadByte(kb) && k + 1 < key.size()) {
      if (t[k] != key[k] || t[k + 1] != key[k + 1]) return false;
      k += 2;
    } else {
      if (Fold(static_cast<uint8_t>(t[k])) != Fold(kb)) return false;
      ++k;
    }
  }
  return true;
}

// Walks character boundaries from `from` (itself a boundary) to `to` and returns the first
// occurrence; `to` bounds where a match may begin.
std::optional<size_t> Scan(std::string_view text, std::string_view key, size_t from, size_t to,
                           bool caseSensitive) {
  const auto first = static_cast<uint8_t>(key[0]);
  const bool foldFirst = !caseSensitive && !IsSjisLeadByte(first);
  for (size_t i = from; i < to; i += CharLength(text, i)) {
    const auto b = static_cast<uint8_t>(text[i]);
    const bool firstOk = foldFirst ? Fold(b) == Fold(first) : b == first;
    if (firstOk && MatchesAt(text, key, i, caseSensitive)) return i;
  }
  return std::nullopt;
}

}  // namespace

std::optional<size_t> FindDown(std::string_view text, std::string_view key, size_t start,
                               TextSearchOptions options) {
  if (key.empty() || start >= text.size()) return std::nullopt;
  return Scan(text, key, start, text.size(), options.caseSensitive);
}

std::optional<size_t> FindUp(std::string_view text, std::string_view key, size_t start,
                             TextSearchOptions options) {
  if (key.empty() || start > text.size()) return std::nullopt;
  // Boundaries are only known walking forwards from the text's start.
  std::optional<size_t> last;
  size_t from = 0;
  while (auto found = Scan(text, key, from, start, options.caseSensitive)) {
    last = found;
    from = *found + CharLength(text, *found);
  }
  return last;
}

ReplaceAllResult ReplaceAll(std::string_view text, std::string_view key,
                            std::string_view replacement, size_t rangeStart, size_t rangeEnd,
                            TextSearchOptions options, size_t capacity) {
  ReplaceAllResult result;
  rangeEnd = std::min(rangeEnd, text.size());
  result.rangeEnd = rangeEnd;
  if (key.empty() || rangeStart >= rangeEnd) {
    result.text = std::string(text);
    return result;
  }
  // Built in one pass: the untouched stretches are copied, not shifted at every replacement.
  std::string out;
  out.reserve(text.size());
  size_t copied = 0;  // text[0, copied) is in `out`
  size_t pos = rangeStart;
  size_t length = text.size();
  while (pos < rangeEnd) {
    auto found = Scan(text, key, pos, rangeEnd, options.caseSensitive);
    if (!found || *found + key.size() > rangeEnd) break;
    const size_t grown = length - key.size() + replacement.size();
    if (grown > capacity) {
      result.stoppedAtLimit = true;
      break;
    }
    out.append(text.data() + copied, *found - copied);
    out.append(replacement);
    copied = *found + key.size();
    pos = copied;
    length = grown;
    ++result.count;
  }
  out.append(text.data() + copied, text.size() - copied);
  result.rangeEnd = rangeEnd + out.size() - text.size();
  result.text = std::move(out);
  return result;
}

}  // namespace kore
