#pragma once
// The clock the player runs on: a monotonic counter with its frequency, a millisecond clock for
// the time stamps the monitor reads, and sleeping. Tests put a simulated clock in its place.
#include <cstdint>

namespace kore {

class PlayerClock {
 public:
  virtual ~PlayerClock() = default;
  // Counts per second of Counter().
  virtual int64_t Frequency() = 0;
  virtual int64_t Counter() = 0;
  // Milliseconds since an arbitrary fixed moment (time stamps of note-ons and note-offs).
  virtual int64_t Milliseconds() = 0;
  virtual void SleepMs(int32_t ms) = 0;
};

// std::chrono::steady_clock in nanoseconds.
class SteadyPlayerClock : public PlayerClock {
 public:
  int64_t Frequency() override { return 1'000'000'000; }
  int64_t Counter() override;
  int64_t Milliseconds() override;
  void SleepMs(int32_t ms) override;
};

// The process-wide steady clock.
PlayerClock& SystemPlayerClock();

// Ticks of the clock formulas: counts per quarter C = (F x 60) / T in 64-bit integers, ticks per
// count R = P / C in double precision.
struct TickClock {
  int64_t frequency = 1;
  int64_t countsPerQuarter = 1;
  double ticksPerCount = 0.0;
  int64_t baseCounter = 0;
  int32_t baseTick = 0;

  void SetTempo(int64_t freq, int32_t tempo, int32_t ticksPerQuarter);
  // Integer part of (counter - base) x R + 0.5, plus the base tick.
  int32_t TickAt(int64_t counter) const;
  // The first counter value at which TickAt reaches `tick` (never before the base).
  int64_t CounterWhenDue(int32_t tick) const;
};

}  // namespace kore
