// Step 3 of the writer: before which notes a default-length command ("l") is written.
#include <algorithm>
#include <array>
#include <vector>

#include "mml/mml_writer.h"
#include "mml/mml_writer_internal.h"

namespace kore::writer_detail {
namespace {

constexpr size_t kMaxChain = 13;

int32_t Cost(int32_t code) { return LengthCodeCost(code); }

// Scores per length code. Few codes are ever above zero at once, so only those are visited.
class Scores {
 public:
  Scores() {
    score_.fill(0);
    start_.fill(0);
  }
  void Clear() {
    for (int32_t code : active_) score_[code] = 0;
    active_.clear();
  }
  // Grows the score of `code`; its start is where it last grew from zero.
  void Grow(int32_t code, int32_t by, size_t position) {
    if (by <= 0) return;
    if (score_[code] == 0) {
      start_[code] = position;
      active_.push_back(code);
    }
    score_[code] += by;
  }
  // Every score but `keep`'s drops by `by` (not below 0); `current`'s, when given, by 1 only.
  void Decay(int32_t keep, int32_t by, int32_t current = kNoCode) {
    size_t kept = 0;
    for (int32_t code : active_) {
      if (code != keep) score_[code] = std::max(0, score_[code] - (code == current ? 1 : by));
      if (score_[code] > 0) active_[kept++] = code;
    }
    active_.resize(kept);
  }
  int32_t Score(int32_t code) const { return score_[code]; }
  size_t Start(int32_t code) const { return start_[code]; }

 private:
  std::array<int32_t, kLengthCodeCount> score_;
  std::array<size_t, kLengthCodeCount> start_;
  std::vector<int32_t> active_;
};

bool ValidCode(int32_t code) { return code >= 0 && code < kLengthCodeCount; }

struct Candidate {
  size_t i, p, q;
};

}  // namespace

void OptimiseLengthCodes(std::vector<LengthItem>& items, int32_t mode) {
  if (items.empty()) return;
  items[0].written = kQuarterCode;  // matches the starting default and writes nothing
  int32_t current = kQuarterCode;
  Scores scores;
  size_t j = 0;
  while (j < items.size()) {
    LengthItem& item = items[j];
    if (item.numeric) {
      // A note by number has no length of its own: the default must be its own.
      scores.Clear();
      int32_t inForce = current;
      while (j < items.size() && items[j].numeric) {
        if (items[j].code != inForce) {
          items[j].written = items[j].code;
          inForce = items[j].code;
        }
        ++j;
      }
      // Restore the default the optimiser assumes; the walk goes on from that note.
      if (j < items.size() && inForce != current) items[j].written = current;
      continue;
    }

    const int32_t c = item.code;
    const int32_t w = Cost(c);
    int32_t switchTo = kNoCode;
    if (c == current) {
      scores.Decay(c, w);
    } else if (c - 64 == current) {
      scores.Decay(c, w, current);
      if (mode == 1) {
        scores.Grow(c, w - 1, j);
        if (scores.Score(c) > w + 1) switchTo = c;
      }
    } else {
      scores.Grow(c, w, j);
      if (c >= 64) {
        scores.Grow(c - 64, w - 1, j);
        if (mode == 1 && scores.Score(c - 64) > w + 1) switchTo = c - 64;
      }
      if (switchTo == kNoCode && scores.Score(c) > w + 1) switchTo = c;
    }
    if (switchTo == kNoCode) {
      ++j;
      continue;
    }
    size_t start = scores.Start(switchTo);
    scores.Clear();
    items[start].written = switchTo;
    current = switchTo;
    j = start + 1;
  }
}

void PruneLengthCodes(std::vector<LengthItem>& items) {
  std::vector<size_t> writtenAt;
  for (size_t t = 0; t < items.size(); ++t) {
    if (items[t].written != kNoCode) writtenAt.push_back(t);
  }
  std::vector<Candidate> candidates;
  for (size_t n = 1; n + 1 < writtenAt.size(); ++n) {
    const size_t i = writtenAt[n], p = writtenAt[n - 1], q = writtenAt[n + 1];
    const int32_t k = items[i].written, kp = items[p].written, kq = items[q].written;
    int32_t keepCost = kp == kq ? Cost(k) + 2 + Cost(kq) : Cost(k) + 1;
    int32_t saving = 0;
    bool neededByNumber = false;
    for (size_t t = i; t < q; ++t) {
      if (items[t].numeric) {
        // A note by number after i lives on i's default: the change cannot go.
        if (t != i) neededByNumber = true;
        continue;
      }
      int32_t c = items[t].code;
      if (c == kp)
        keepCost += Cost(c);
      else if (c == kp + 64)
        keepCost += Cost(c) - 1;
      if (c == k)
        saving += Cost(c);
      else if (c == k + 64)
        saving += Cost(c) - 1;
    }
    if (!neededByNumber && saving < keepCost) candidates.push_back({i, p, q});
  }

  size_t first = 0;
  while (first < candidates.size()) {
    size_t last = first + 1;
    while (last < candidates.size() && last - first < kMaxChain &&
           candidates[last].i == candidates[last - 1].q) {
      ++last;
    }
    const size_t count = last - first;
    if (count == 1) {
      LengthItem& item = items[candidates[first].i];
      if (!item.numeric) item.written = kNoCode;
      first = last;
      continue;
    }

    // Segment s runs from one written code to the next: s = 0 from the chain's first p, then
    // one segment per candidate. Its notes cost the same under any pattern that leaves the
    // same default in force, so each segment is priced once per possible default.
    std::vector<int32_t> defaults;  // index 0: the code at p; 1..count: the candidates' codes
    std::vector<size_t> bounds;     // segment starts, then the last q
    defaults.push_back(items[candidates[first].p].written);
    bounds.push_back(candidates[first].p);
    for (size_t n = first; n < last; ++n) {
      defaults.push_back(items[candidates[n].i].written);
      bounds.push_back(candidates[n].i);
    }
    bounds.push_back(candidates[last - 1].q);
    const size_t segments = count + 1;
    std::vector<int32_t> segmentCost(segments * defaults.size(), 0);
    for (size_t s = 0; s < segments; ++s) {
      for (size_t d = 0; d < defaults.size(); ++d) {
        int32_t running = defaults[d], total = 0;
        for (size_t t = bounds[s]; t < bounds[s + 1]; ++t) {
          if (items[t].numeric) continue;
          int32_t c = items[t].code;
          total += c == running ? 0 : (c == running + 64 ? 1 : Cost(c));
        }
        segmentCost[s * defaults.size() + d] = total;
      }
    }
    const int32_t endCode = items[candidates[last - 1].q].written;
    uint32_t bestPattern = 0;
    int64_t bestCount = -1;
    for (uint32_t pattern = 0; pattern < (1u << count); ++pattern) {
      size_t runningIndex = 0;
      int64_t total = segmentCost[0 * defaults.size() + 0];
      for (size_t s = 1; s < segments; ++s) {
        bool kept = ((pattern >> (s - 1)) & 1u) != 0 || items[bounds[s]].numeric;
        if (kept && defaults[s] != defaults[runningIndex]) {
          total += 1 + Cost(defaults[s]);
          runningIndex = s;
        }
        total += segmentCost[s * defaults.size() + runningIndex];
      }
      if (defaults[runningIndex] != endCode) total += 1 + Cost(endCode);
      if (bestCount < 0 || total < bestCount) {
        bestCount = total;
        bestPattern = pattern;
      }
    }
    for (size_t n = 0; n < count; ++n) {
      LengthItem& item = items[candidates[first + n].i];
      if (!((bestPattern >> n) & 1u) && !item.numeric) item.written = kNoCode;
    }
    first = last;
  }
}

void ApplyTieRule(std::vector<LengthItem>& items) {
  int32_t inForce = kQuarterCode;
  std::vector<size_t> notes;  // positions of the Notes seen so far
  for (size_t j = 0; j < items.size(); ++j) {
    LengthItem& item = items[j];
    // A note by number keeps its code: its length is that default.
    if (item.note && item.tied && item.written != kNoCode && item.written != inForce &&
        !item.numeric) {
      const int32_t code = item.written;
      bool moved = false;
      if (!notes.empty()) {
        size_t p = notes.back();
        LengthItem& previous = items[p];
        // A code on a rest in between would take over again before this note.
        bool codeBetween = false;
        for (size_t t = p + 1; t < j; ++t) codeBetween = codeBetween || items[t].written != kNoCode;
        if (!previous.numeric && !codeBetween && previous.code != code &&
            (previous.written == kNoCode || p == 0)) {
          previous.written = code;
          item.written = kNoCode;
          moved = true;
        }
      }
      if (!moved) {
        size_t n = j + 1;
        while (n < items.size() && !items[n].note) ++n;
        // A next note that is itself tied would take the command between its "&" and itself.
        if (n < items.size() && items[n].written == kNoCode && !items[n].tied &&
            !items[n].numeric) {
          items[n].written = code;
          item.written = kNoCode;
        }
      }
    }
    if (item.written != kNoCode) inForce = item.written;
    if (item.note) notes.push_back(j);
  }
}

void RepairNumericDefaults(std::vector<LengthItem>& items) {
  int32_t inForce = kQuarterCode;
  for (LengthItem& item : items) {
    if (item.written != kNoCode) inForce = item.written;
    if (item.numeric && inForce != item.code) {
      item.written = item.code;
      inForce = item.code;
    }
  }
}

void AssignLengthCodes(std::vector<WriterEvent>& events, int32_t mode) {
  std::vector<LengthItem> items;
  std::vector<size_t> positions;
  for (size_t e = 0; e < events.size(); ++e) {
    const WriterEvent& event = events[e];
    if (event.kind != WriterKind::Note && event.kind != WriterKind::Rest) continue;
    LengthItem item;
    item.note = event.kind == WriterKind::Note;
    item.numeric = event.numeric;
    item.tied = event.tied;
    item.code = event.numeric ? event.defaultCode : LengthCodeOf(event.lengthValue, event.dotted);
    if (!ValidCode(item.code)) item.code = kQuarterCode;
    items.push_back(item);
    positions.push_back(e);
  }
  OptimiseLengthCodes(items, mode);
  PruneLengthCodes(items);
  ApplyTieRule(items);
  RepairNumericDefaults(items);
  for (size_t n = 0; n < items.size(); ++n) events[positions[n]].writtenCode = items[n].written;
}

}  // namespace kore::writer_detail
