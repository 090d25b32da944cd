#pragma once
// What the views read from the player at a frame, behind an interface so that widget tests can
// feed values without a running player. The real source reads the player's atomics and its
// clock; it takes no lock.
//
// Any thread may read; the views read on the user-interface thread.
#include <cstdint>

#include "playback/mml_player.h"

namespace kore::views {

class PlayerStateSource {
 public:
  virtual ~PlayerStateSource() = default;
  virtual bool Running() const = 0;  // the command is Run
  virtual int32_t CurrentTick() const = 0;
  virtual int32_t CurrentTempo() const = 0;
  virtual int32_t TrackRow(int32_t slot) const = 0;
  virtual int32_t Level(int32_t slot) const = 0;
  virtual uint64_t KeysLow(int32_t slot) const = 0;
  virtual uint64_t KeysHigh(int32_t slot) const = 0;
  virtual int64_t NoteOnTime(int32_t slot) const = 0;
  virtual int64_t NoteOffTime(int32_t slot) const = 0;
  // The millisecond clock the note times are stamped with.
  virtual int64_t NowMs() const = 0;
};

class PlayerStateOfPlayer : public PlayerStateSource {
 public:
  PlayerStateOfPlayer(const CMMLPlayer& player, PlayerClock& clock)
      : player_(player), clock_(clock) {}
  bool Running() const override { return player_.Command() == PlayerCommand::Run; }
  int32_t CurrentTick() const override { return player_.CurrentTick(); }
  int32_t CurrentTempo() const override { return player_.CurrentTempo(); }
  int32_t TrackRow(int32_t slot) const override { return player_.TrackRow(slot); }
  int32_t Level(int32_t slot) const override { return player_.Level(slot); }
  uint64_t KeysLow(int32_t slot) const override { return player_.KeysLow(slot); }
  uint64_t KeysHigh(int32_t slot) const override { return player_.KeysHigh(slot); }
  int64_t NoteOnTime(int32_t slot) const override { return player_.NoteOnTime(slot); }
  int64_t NoteOffTime(int32_t slot) const override { return player_.NoteOffTime(slot); }
  int64_t NowMs() const override { return clock_.Milliseconds(); }

 private:
  const CMMLPlayer& player_;
  PlayerClock& clock_;
};

}  // namespace kore::views
