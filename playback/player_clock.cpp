#include "playback/player_clock.h"

#include <chrono>
#include <cmath>
#include <thread>

namespace kore {

int64_t SteadyPlayerClock::Counter() {
  return std::chrono::duration_cast<std::chrono::nanoseconds>(
             std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

int64_t SteadyPlayerClock::Milliseconds() {
  return std::chrono::duration_cast<std::chrono::milliseconds>(
             std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

void SteadyPlayerClock::SleepMs(int32_t ms) {
  std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

PlayerClock& SystemPlayerClock() {
  static SteadyPlayerClock clock;
  return clock;
}

void TickClock::SetTempo(int64_t freq, int32_t tempo, int32_t ticksPerQuarter) {
  frequency = freq > 0 ? freq : 1;
  // Callers never pass a tempo of 0 or less; guard the division anyway.
  countsPerQuarter = (frequency * 60) / (tempo > 0 ? tempo : 120);
  if (countsPerQuarter <= 0) countsPerQuarter = 1;
  ticksPerCount = static_cast<double>(ticksPerQuarter) / static_cast<double>(countsPerQuarter);
}

int32_t TickClock::TickAt(int64_t counter) const {
  const double ticks = static_cast<double>(counter - baseCounter) * ticksPerCount + 0.5;
  return static_cast<int32_t>(static_cast<int64_t>(ticks)) + baseTick;
}

int64_t TickClock::CounterWhenDue(int32_t tick) const {
  if (tick <= baseTick || ticksPerCount <= 0.0) return baseCounter;
  int64_t elapsed = static_cast<int64_t>(
      std::ceil((static_cast<double>(tick - baseTick) - 0.5) / ticksPerCount));
  // Floating-point edges: settle on the first counter that really reaches the tick.
  while (elapsed > 0 && TickAt(baseCounter + elapsed - 1) >= tick) --elapsed;
  while (TickAt(baseCounter + elapsed) < tick) ++elapsed;
  return baseCounter + elapsed;
}

}  // namespace kore
