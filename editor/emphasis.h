#pragma once
// Syntax colouring: the emphasis rules, web and mail address detection, the highlighted word,
// and the styling of one line into coloured characters for the renderer. Multi-line spans are
// carried from line to line in each line's open-at-start list, so styling a line never looks at
// the lines above it.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "editor/text_buffer.h"

namespace kore::editor {

enum EmphasisType : int32_t {
  kEmphasisWord = 1, kEmphasisToLineEnd = 2, kEmphasisInLine = 3, kEmphasisAcrossLines = 4,
};

struct EmphasisRule {
  std::string begin;
  std::string end;
  bool hasEnd = false;
  int32_t firstClass = 2;
  int32_t lastClass = 2;
  int32_t type = kEmphasisWord;
  int32_t boundary = 0;  // 0 none, 4 between blanks, 8 between symbols, 32 whole word by class
  bool caseSensitive = true;
  bool lineHeadOnly = false;
  bool bold = false;
  uint32_t colour = 0;  // 0x00BBGGRR
  int32_t level = 0;
  int32_t innerLevel = 0;
  uint32_t allowedLevels = 0;  // bit n-1: may start inside a span of level n (1..8)
  bool independent = true;
};

class EmphasisTable {
 public:
  static constexpr int32_t kMaxRules = 1024;
  static constexpr int32_t kMaxAcrossLines = 5;
  static constexpr int32_t kMaxWithInnerLevel = 7;

  // -1 added; -4 null or empty begin or a type outside 1..4; -8, -9, -10 beyond the limits;
  // -3 out of memory. The table is unchanged on failure.
  int32_t Add(const char* begin, const char* end, int32_t type, uint32_t colour, uint32_t flags,
              int32_t level, int32_t innerLevel);
  void Clear();
  int32_t size() const { return static_cast<int32_t>(rules_.size()); }
  const EmphasisRule& operator[](int32_t i) const { return rules_[static_cast<size_t>(i)]; }

  bool rulesChanged = false;

 private:
  std::vector<EmphasisRule> rules_;
};

// Address detection flags (metric 7).
enum AddressFlags : uint32_t {
  kDetectMail = 1, kDetectHttp = 2, kDetectHttps = 4, kDetectFtp = 8, kDetectAll = 15,
};
enum AddressKind : int32_t { kNoAddress = 0, kWebAddress = 1, kMailAddress = 2 };

struct AddressSpan {
  int32_t begin = 0;  // byte offsets [begin, end)
  int32_t end = 0;
  int32_t kind = kNoAddress;
};
// Every address on the line, in order, never overlapping (the earlier one wins).
std::vector<AddressSpan> FindAddresses(std::string_view line, uint32_t flags);
// The address containing byte `offset`, kind kNoAddress when none.
AddressSpan AddressAt(std::string_view line, int32_t offset, uint32_t flags);

enum CharKind : uint8_t { kCharNormal, kCharTab, kCharSpace, kCharWideSpace };

struct StyledChar {
  int32_t offset = 0;   // byte offset in the line
  int32_t column = 0;   // 0-based screen column
  uint8_t bytes = 1;    // 1 or 2
  uint8_t width = 1;    // screen columns (a tab up to the next stop)
  CharKind kind = kCharNormal;
  bool bold = false;
  bool highlight = false;
  int8_t address = kNoAddress;
  uint32_t colour = 0;  // emphasis colour (address and highlight colours are applied on top)
};

struct LineStyleOptions {
  int32_t tabWidth = 4;
  uint32_t addressFlags = kDetectAll;
  uint32_t baseColour = 0;
  std::string_view highlight;  // empty: none
  bool highlightCaseSensitive = true;
};

// The highlighted word's occurrences on a line, character by character: a match counts where a
// character starts at or after the end of the previous match.
class HighlightMarker {
 public:
  HighlightMarker(std::string_view word, bool caseSensitive)
      : word_(word), caseSensitive_(caseSensitive) {}
  // Whether the character starting at `offset` is highlighted; asked for every character start
  // of `line`, in order.
  bool At(std::string_view line, int32_t offset);

 private:
  std::string_view word_;
  bool caseSensitive_;
  int32_t end_ = -1;
};

// Styles one line. Updates the line's opened-here and closed-here lists and returns true when
// they differ from before (the open-at-start lists of all lines must then be recomputed).
bool StyleLine(LineNode& line, const EmphasisTable& table, const LineStyleOptions& options,
               std::vector<StyledChar>& out);

// One pass over all lines: each line's open-at-start list from the lines above it.
void RecomputeOpenAtStart(LineNode* first);

// Byte-wise comparison at `at`; without case sensitivity ASCII and full-width Latin letters
// compare equal in either case.
bool MatchesAt(std::string_view line, int32_t at, std::string_view pattern, bool caseSensitive);

}  // namespace kore::editor
