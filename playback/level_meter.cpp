#include "playback/level_meter.h"

namespace kore {

int32_t DecayedLevel(int32_t level, int64_t now, int64_t noteOnTime, int64_t noteOffTime) {
  if (level <= 0) return 0;
  // Unsigned products and quotients as the meter has always computed them, but 64 bits wide
  // and with a signed difference, so long notes neither wrap nor light the whole meter.
  const uint64_t l = static_cast<uint64_t>(level);
  const uint64_t sinceOn = now > noteOnTime ? static_cast<uint64_t>(now - noteOnTime) : 0;
  int64_t result = level - static_cast<int64_t>(sinceOn * l / 15000);
  if (noteOffTime != -1) {
    const uint64_t sinceOff = now > noteOffTime ? static_cast<uint64_t>(now - noteOffTime) : 0;
    result = level - static_cast<int64_t>(sinceOn * l / 10000) - static_cast<int64_t>(sinceOff * l / 600);
  }
  return result < 0 ? 0 : static_cast<int32_t>(result);
}

int32_t LevelMeterSegments(int32_t decayedLevel) {
  if (decayedLevel <= 0) return 0;
  return (decayedLevel * 60) / 127;
}

}  // namespace kore
