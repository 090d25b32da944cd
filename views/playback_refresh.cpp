#include "views/playback_refresh.h"

#include "views/event_list.h"
#include "views/measure_display.h"
#include "views/monitor.h"
#include "views/piano_keys.h"
#include "views/piano_roll.h"

namespace kore {

PlaybackViewRefresh::PlaybackViewRefresh(const CMMLDocument& document,
                                         const views::PlayerStateSource& state, Views views,
                                         QObject* parent)
    : QObject(parent), document_(document), state_(state), views_(views) {
  seenRows_.fill(-1);
}

int PlaybackViewRefresh::IntervalMs(int framesPerSecond) {
  return 1000 / (framesPerSecond == 60 ? 60 : 30);
}

void PlaybackViewRefresh::Frame() {
  if (!state_.Running()) return;
  const int32_t tick = state_.CurrentTick();
  if (views_.roll) views_.roll->FollowTick(tick);
  uint64_t low = 0, high = 0;
  for (int32_t slot = 0; slot < kTrackSlotCount; ++slot) {
    low |= state_.KeysLow(slot);
    high |= state_.KeysHigh(slot);
  }
  if (views_.keys) views_.keys->SetKeys(low, high);
  if (views_.monitor && views_.monitor->isVisible()) views_.monitor->RedrawLevels();
  if (views_.measure) views_.measure->SetTick(tick, document_.GetTimeBase(), state_.CurrentTempo());
  const int32_t current = document_.CurrentTrack();
  const bool trackChanged = current != seenCurrentTrack_;
  seenCurrentTrack_ = current;
  for (int32_t slot = 0; slot < kTrackSlotCount; ++slot) {
    const int32_t row = state_.TrackRow(slot);
    if (row == seenRows_[slot] && !trackChanged) continue;
    seenRows_[slot] = row;
    if (slot != current) continue;
    if (views_.list) views_.list->SelectRow(row, true);
    Q_EMIT rowPlayed(slot, row);
  }
}

void PlaybackViewRefresh::ShowStopped(int32_t startTick) {
  seenRows_.fill(-1);
  seenCurrentTrack_ = -1;
  if (views_.roll) {
    views_.roll->SetPlayCursor(-1);
    views_.roll->SetStartMark(startTick);
    views_.roll->CenterOnTick(startTick);
  }
  if (views_.keys) views_.keys->SetKeys(0, 0);
  if (views_.measure) views_.measure->SetTick(startTick, document_.GetTimeBase(), 120);
  if (views_.monitor) views_.monitor->RedrawLevels();
}

}  // namespace kore
