#include "editor/emphasis.h"

#include <algorithm>
#include <climits>
#include <cstring>
#include <new>

#include "base/shift_jis.h"
#include "editor/char_class.h"
#include "editor/penna.h"

namespace kore::editor {

int32_t EmphasisTable::Add(const char* begin, const char* end, int32_t type, uint32_t colour,
                           uint32_t flags, int32_t level, int32_t innerLevel) {
  if (!begin || !*begin || type < kEmphasisWord || type > kEmphasisAcrossLines) {
    return PENNA_E_ARGUMENT;
  }
  if (size() >= kMaxRules) return PENNA_E_TABLEFULL;
  if (type == kEmphasisAcrossLines) {
    int32_t count = 0;
    for (const EmphasisRule& r : rules_) count += r.type == kEmphasisAcrossLines;
    if (count >= kMaxAcrossLines) return PENNA_E_MULTILINE;
  }
  if (innerLevel != 0) {
    int32_t count = 0;
    for (const EmphasisRule& r : rules_) count += r.innerLevel != 0;
    if (count >= kMaxWithInnerLevel) return PENNA_E_INNERLEVEL;
  }
  try {
    EmphasisRule rule;
    rule.begin = begin;
    rule.hasEnd = end != nullptr && *end != '\0';
    if (rule.hasEnd) rule.end = end;
    rule.firstClass = CharClassAt(rule.begin, 0);
    rule.lastClass = CharClassAt(
        rule.begin, PrevCharStart(rule.begin, static_cast<int32_t>(rule.begin.size())));
    rule.type = type;
    if (flags & 32) {
      rule.boundary = 32;
    } else if (flags & 16) {
      rule.boundary = 0;
    } else if (flags & 8) {
      rule.boundary = 8;
    } else if (flags & 4) {
      rule.boundary = 4;
    }
    rule.caseSensitive = (flags & 2) == 0;
    rule.lineHeadOnly = (flags & 64) != 0;
    rule.bold = (flags & 1) != 0;
    rule.colour = colour;
    rule.level = level;
    rule.innerLevel = innerLevel;
    rule.allowedLevels = (flags >> 24) & 0xFF;
    rule.independent = rule.allowedLevels == 0;
    rules_.push_back(std::move(rule));
  } catch (const std::bad_alloc&) {
    return PENNA_E_NOMEMORY;
  }
  rulesChanged = true;
  return PENNA_OK;
}

void EmphasisTable::Clear() {
  rules_.clear();
  rulesChanged = true;
}

namespace {

bool IsFullWidthLatin(uint8_t lead, uint8_t trail) {
  return lead == 0x82 && ((trail >= 0x60 && trail <= 0x79) || (trail >= 0x81 && trail <= 0x9A));
}

// Folds a two-byte full-width lower-case letter to upper case.
uint8_t FoldTrail(uint8_t trail) { return trail >= 0x81 ? static_cast<uint8_t>(trail - 0x21) : trail; }

uint8_t FoldAscii(uint8_t c) { return (c >= 'a' && c <= 'z') ? static_cast<uint8_t>(c - 32) : c; }

bool IsWebChar(uint8_t c) {
  if (c == '~' || c == '_' || c == '!' || c == '=' || c == '$' || c == '%' || c == '&' ||
      c == '*' || c == '?' || c == '#')
    return true;
  if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z')) return true;
  return c >= 0x2C && c <= 0x3B && c != ':';
}

bool IsMailChar(uint8_t c) {
  if (c == '~' || c == '_' || c == '\\' || c == '=' || c == '$' || c == '%' || c == '&' ||
      c == '#' || c == '+')
    return true;
  if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z')) return true;
  return c >= 0x2D && c <= 0x3A;
}

// Marks which bytes begin a character.
std::vector<uint8_t> CharStarts(std::string_view line) {
  std::vector<uint8_t> starts(line.size() + 1, 0);
  int32_t i = 0;
  int32_t size = static_cast<int32_t>(line.size());
  while (i < size) {
    starts[static_cast<size_t>(i)] = 1;
    i += CharLengthAt(line, i);
  }
  starts[line.size()] = 1;
  return starts;
}

bool FindWeb(std::string_view line, const std::vector<uint8_t>& starts, int32_t from,
             uint32_t flags, AddressSpan* span) {
  int32_t size = static_cast<int32_t>(line.size());
  for (int32_t i = from; i + 4 <= size; ++i) {
    if (!starts[static_cast<size_t>(i)]) continue;
    int32_t scheme = 0;
    if ((flags & kDetectHttps) && MatchesAt(line, i, "https:", true)) {
      scheme = 6;
    } else if ((flags & kDetectHttp) && MatchesAt(line, i, "http:", true)) {
      scheme = 5;
    } else if ((flags & kDetectFtp) && MatchesAt(line, i, "ftp:", true)) {
      scheme = 4;
    }
    if (scheme == 0) continue;
    int32_t end = i + scheme;
    while (end < size && IsWebChar(static_cast<uint8_t>(line[end]))) ++end;
    *span = {i, end, kWebAddress};
    return true;
  }
  return false;
}

bool FindMail(std::string_view line, const std::vector<uint8_t>& starts, int32_t from,
              AddressSpan* span) {
  int32_t size = static_cast<int32_t>(line.size());
  for (int32_t at = std::max(from, 1); at < size; ++at) {
    if (line[at] != '@' || !starts[static_cast<size_t>(at)]) continue;
    int32_t begin = at;
    while (begin > from && starts[static_cast<size_t>(begin - 1)] &&
           IsMailChar(static_cast<uint8_t>(line[begin - 1])))
      --begin;
    int32_t end = at + 1;
    bool dot = false;
    while (end < size && IsMailChar(static_cast<uint8_t>(line[end]))) {
      dot = dot || line[end] == '.';
      ++end;
    }
    if (begin == at || end == at + 1 || !dot) continue;
    *span = {begin, end, kMailAddress};
    return true;
  }
  return false;
}

}  // namespace

bool MatchesAt(std::string_view line, int32_t at, std::string_view pattern, bool caseSensitive) {
  if (at < 0 || static_cast<size_t>(at) + pattern.size() > line.size()) return false;
  const auto* a = reinterpret_cast<const uint8_t*>(line.data()) + at;
  const auto* b = reinterpret_cast<const uint8_t*>(pattern.data());
  size_t n = pattern.size();
  if (caseSensitive) return std::memcmp(a, b, n) == 0;
  for (size_t i = 0; i < n; ++i) {
    if (IsSjisLeadByte(b[i]) && i + 1 < n) {
      if (a[i] != b[i]) return false;
      uint8_t x = a[i + 1], y = b[i + 1];
      if (IsFullWidthLatin(a[i], x) && IsFullWidthLatin(b[i], y)) {
        x = FoldTrail(x);
        y = FoldTrail(y);
      }
      if (x != y) return false;
      ++i;
    } else if (FoldAscii(a[i]) != FoldAscii(b[i])) {
      return false;
    }
  }
  return true;
}

std::vector<AddressSpan> FindAddresses(std::string_view line, uint32_t flags) {
  std::vector<AddressSpan> result;
  if ((flags & kDetectAll) == 0 || line.empty()) return result;
  std::vector<uint8_t> starts = CharStarts(line);
  int32_t from = 0;
  for (;;) {
    AddressSpan web, mail;
    bool hasWeb = (flags & (kDetectHttp | kDetectHttps | kDetectFtp)) &&
                  FindWeb(line, starts, from, flags, &web);
    bool hasMail = (flags & kDetectMail) && FindMail(line, starts, from, &mail);
    if (!hasWeb && !hasMail) break;
    AddressSpan next = !hasMail || (hasWeb && web.begin <= mail.begin) ? web : mail;
    result.push_back(next);
    from = next.end;
  }
  return result;
}

AddressSpan AddressAt(std::string_view line, int32_t offset, uint32_t flags) {
  for (const AddressSpan& span : FindAddresses(line, flags)) {
    if (offset >= span.begin && offset < span.end) return span;
  }
  return {};
}

namespace {

struct OpenSpan {
  int32_t rule;       // -1: the ordinary text at the bottom
  int32_t end;        // exclusive byte offset where the span ends, -1 open
  int32_t beginPos;   // where it started on this line (INT_MIN / 2: on an earlier line)
};

bool IsBlankAt(std::string_view line, int32_t offset) {
  if (offset < 0 || offset >= static_cast<int32_t>(line.size())) return true;
  uint8_t c = static_cast<uint8_t>(line[offset]);
  if (c == ' ' || c == '\t') return true;
  return c == 0x81 && offset + 1 < static_cast<int32_t>(line.size()) &&
         static_cast<uint8_t>(line[offset + 1]) == 0x40;
}

bool BoundaryHolds(const EmphasisRule& rule, std::string_view line, int32_t at, int32_t prevStart) {
  int32_t after = at + static_cast<int32_t>(rule.begin.size());
  switch (rule.boundary) {
    case 4:
      return (at == 0 || IsBlankAt(line, prevStart)) && IsBlankAt(line, after);
    case 8: {
      bool before = at == 0 || CharClassAt(line, prevStart) == 2;
      bool next = after >= static_cast<int32_t>(line.size()) || CharClassAt(line, after) == 2;
      return before && next;
    }
    case 32: {
      int32_t before = at == 0 ? kNoCharClass : CharClassAt(line, prevStart);
      return before != rule.firstClass && CharClassAt(line, after) != rule.lastClass;
    }
    default:
      return true;
  }
}

void AddOnce(int32_t (&slots)[kEmphasisSlots], int32_t rule) {
  for (int32_t& s : slots) {
    if (s == rule) return;
    if (s == -1) {
      s = rule;
      return;
    }
  }
}

bool RemoveFrom(int32_t (&slots)[kEmphasisSlots], int32_t rule) {
  for (int32_t k = 0; k < kEmphasisSlots; ++k) {
    if (slots[k] != rule) continue;
    for (int32_t j = k; j + 1 < kEmphasisSlots; ++j) slots[j] = slots[j + 1];
    slots[kEmphasisSlots - 1] = -1;
    return true;
  }
  return false;
}

}  // namespace

bool HighlightMarker::At(std::string_view line, int32_t offset) {
  if (!word_.empty() && offset >= end_ && MatchesAt(line, offset, word_, caseSensitive_))
    end_ = offset + static_cast<int32_t>(word_.size());
  return offset < end_;
}

bool StyleLine(LineNode& line, const EmphasisTable& table, const LineStyleOptions& options,
               std::vector<StyledChar>& out) {
  out.clear();
  std::string_view text = line.text;
  int32_t size = static_cast<int32_t>(text.size());
  int32_t ruleCount = table.size();

  std::vector<OpenSpan> stack;
  stack.reserve(8);
  stack.push_back({-1, -1, 0});
  for (int32_t r : line.openAtStart) {
    if (r >= 0 && r < ruleCount) stack.push_back({r, -1, INT_MIN / 2});
  }
  int32_t opened[kEmphasisSlots] = {-1, -1, -1, -1, -1};
  int32_t closed[kEmphasisSlots] = {-1, -1, -1, -1, -1};

  std::vector<AddressSpan> addresses = FindAddresses(text, options.addressFlags);
  size_t nextAddress = 0;
  HighlightMarker highlight(options.highlight, options.highlightCaseSensitive);
  int32_t column = 0;
  int32_t prevStart = -1;
  out.reserve(static_cast<size_t>(size));

  for (int32_t i = 0; i < size;) {
    int32_t n = CharLengthAt(text, i);
    while (stack.size() > 1 && stack.back().end != -1 && stack.back().end <= i) stack.pop_back();

    for (int32_t k = 0; k < ruleCount; ++k) {
      const EmphasisRule& rule = table[k];
      OpenSpan& top = stack.back();
      if (top.rule == k && (rule.type == kEmphasisInLine || rule.type == kEmphasisAcrossLines) &&
          rule.hasEnd && top.end == -1 &&
          i >= top.beginPos + static_cast<int32_t>(rule.end.size()) &&
          MatchesAt(text, i, rule.end, rule.caseSensitive)) {
        top.end = i + static_cast<int32_t>(rule.end.size());
        if (rule.type == kEmphasisAcrossLines && !RemoveFrom(opened, k)) AddOnce(closed, k);
        break;
      }
      if (i + static_cast<int32_t>(rule.begin.size()) > size) continue;
      if (top.rule != -1) {
        const EmphasisRule& open = table[top.rule];
        if (open.innerLevel == 0 || open.innerLevel > rule.level || top.rule == k) continue;
      }
      if (!MatchesAt(text, i, rule.begin, rule.caseSensitive)) continue;
      if (rule.lineHeadOnly && i != 0) break;
      if (!rule.independent && top.rule != -1) {
        int32_t level = table[top.rule].level;
        if (level < 1 || level > 8 || !((rule.allowedLevels >> (level - 1)) & 1)) break;
      }
      if (!BoundaryHolds(rule, text, i, prevStart)) break;
      int32_t end = rule.type == kEmphasisWord ? i + static_cast<int32_t>(rule.begin.size()) : -1;
      stack.push_back({k, end, i});
      if (rule.type == kEmphasisAcrossLines) AddOnce(opened, k);
      break;
    }

    StyledChar c;
    c.offset = i;
    c.column = column;
    c.bytes = static_cast<uint8_t>(n);
    const OpenSpan& top = stack.back();
    if (top.rule == -1) {
      c.colour = options.baseColour;
    } else {
      c.colour = table[top.rule].colour;
      c.bold = table[top.rule].bold;
    }
    uint8_t b = static_cast<uint8_t>(text[i]);
    if (b == '\t') {
      c.kind = kCharTab;
      c.width = static_cast<uint8_t>(NextTabStop(column, options.tabWidth) - column);
    } else {
      c.width = static_cast<uint8_t>(n);
      if (b == ' ') c.kind = kCharSpace;
      if (n == 2 && b == 0x81 && static_cast<uint8_t>(text[i + 1]) == 0x40) c.kind = kCharWideSpace;
    }
    while (nextAddress < addresses.size() && addresses[nextAddress].end <= i) ++nextAddress;
    if (nextAddress < addresses.size() && addresses[nextAddress].begin <= i)
      c.address = static_cast<int8_t>(addresses[nextAddress].kind);
    c.highlight = highlight.At(text, i);
    out.push_back(c);

    column += c.width;
    prevStart = i;
    i += n;
  }

  bool changed = !std::equal(std::begin(opened), std::end(opened), std::begin(line.openedHere)) ||
                 !std::equal(std::begin(closed), std::end(closed), std::begin(line.closedHere));
  std::copy(std::begin(opened), std::end(opened), std::begin(line.openedHere));
  std::copy(std::begin(closed), std::end(closed), std::begin(line.closedHere));
  return changed;
}

void RecomputeOpenAtStart(LineNode* first) {
  int32_t running[kEmphasisSlots];
  int32_t count = 0;
  for (LineNode* node = first; node; node = node->next) {
    for (int32_t k = 0; k < kEmphasisSlots; ++k) node->openAtStart[k] = k < count ? running[k] : -1;
    for (int32_t k = 0; k < kEmphasisSlots; ++k) {
      if (node->openedHere[k] != -1 && count < kEmphasisSlots) running[count++] = node->openedHere[k];
      if (node->closedHere[k] != -1 && count > 0 && node->closedHere[k] == running[count - 1])
        --count;
    }
  }
}

}  // namespace kore::editor
