#pragma once
// A simulated player clock: time moves only when the player reads the counter (a small step,
// standing for the cost of a spin pass) or sleeps, so every run is the same. Actions scheduled
// at a time run on the reading thread as soon as the time passes it.
#include <cstdint>
#include <functional>
#include <map>
#include <mutex>

#include "playback/player_clock.h"

namespace kore::test {

class SimClock : public PlayerClock {
 public:
  explicit SimClock(int64_t spinStepNs = 20'000) : spinStep_(spinStepNs) {}

  int64_t Frequency() override { return 1'000'000'000; }
  int64_t Counter() override { return Advance(spinStep_); }
  int64_t Milliseconds() override {
    std::lock_guard lock(mutex_);
    return now_ / 1'000'000;
  }
  void SleepMs(int32_t ms) override { Advance(int64_t{ms} * 1'000'000); }

  // Current time in nanoseconds, without moving it.
  int64_t Now() {
    std::lock_guard lock(mutex_);
    return now_;
  }
  void At(int64_t timeNs, std::function<void()> action) {
    std::lock_guard lock(mutex_);
    actions_.emplace(timeNs, std::move(action));
  }

 private:
  int64_t Advance(int64_t step) {
    int64_t now;
    std::multimap<int64_t, std::function<void()>> due;
    {
      std::lock_guard lock(mutex_);
      now_ += step;
      now = now_;
      auto end = actions_.upper_bound(now_);
      due.insert(actions_.begin(), end);
      actions_.erase(actions_.begin(), end);
    }
    for (auto& [time, action] : due) action();
    return now;
  }

  std::mutex mutex_;
  int64_t now_ = 0;
  int64_t spinStep_;
  std::multimap<int64_t, std::function<void()>> actions_;
};

}  // namespace kore::test
