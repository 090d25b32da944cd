#include "playback/mml_player.h"

#include <pthread.h>
#include <sched.h>

#include <algorithm>
#include <chrono>
#include <functional>

namespace kore {
namespace {

constexpr uint8_t kNoteOffStatus = 0x80;
constexpr uint8_t kNoteOnStatus = 0x90;
constexpr uint8_t kControlChangeStatus = 0xB0;
constexpr uint8_t kProgramChangeStatus = 0xC0;
constexpr uint8_t kPitchBendStatus = 0xE0;

// Time-critical priority where the system allows it; otherwise the thread simply runs at the
// ordinary priority.
void RaiseToRealtime() {
  sched_param param{};
  param.sched_priority = sched_get_priority_max(SCHED_FIFO) - 1;
  pthread_setschedparam(pthread_self(), SCHED_FIFO, &param);
}

uint64_t ThreadId() { return std::hash<std::thread::id>{}(std::this_thread::get_id()); }

inline void CpuRelax() {
#if defined(__x86_64__) || defined(__i386__)
  __builtin_ia32_pause();
#endif
}

}  // namespace

CMMLPlayer::CMMLPlayer(PlayerClock* clock) : clock_(clock ? clock : &SystemPlayerClock()) {
  for (auto& t : noteOffTime_) t.store(0);
}

CMMLPlayer::~CMMLPlayer() { StopPlayback(); }

void CMMLPlayer::SetSong(std::shared_ptr<const PlaybackSong> song) {
  song_ = std::move(song);
  if (!song_) return;
  timeBase_ = song_->timeBase;
  for (int32_t slot = 0; slot < kSlots; ++slot) muted_[slot].store(song_->slots[slot].muted != 0);
}

void CMMLPlayer::SetFrameRate(int32_t framesPerSecond) {
  frameRate_ = (framesPerSecond == 60) ? 60 : 30;
}

void CMMLPlayer::SetMuted(int32_t slot, bool muted) {
  if (ValidSlot(slot)) muted_[slot].store(muted);
}

bool CMMLPlayer::IsMuted(int32_t slot) const { return ValidSlot(slot) && muted_[slot].load(); }

bool CMMLPlayer::IsPlaying() const {
  std::lock_guard lock(playLock_);
  return playing_;
}

bool CMMLPlayer::IsBusy() const {
  std::lock_guard lock(commandLock_);
  return busy_;
}

void CMMLPlayer::SetBusy(bool busy) {
  std::lock_guard lock(commandLock_);
  busy_ = busy;
}

void CMMLPlayer::SetPlaying(bool playing) {
  {
    std::lock_guard lock(playLock_);
    playing_ = playing;
  }
  if (observer_) observer_->PlayingChanged(playing);
}

int32_t CMMLPlayer::TrackRow(int32_t slot) const {
  return ValidSlot(slot) ? trackRow_[slot].load(std::memory_order_relaxed) : 0;
}
int32_t CMMLPlayer::Level(int32_t slot) const {
  return ValidSlot(slot) ? level_[slot].load(std::memory_order_relaxed) : 0;
}
uint64_t CMMLPlayer::KeysLow(int32_t slot) const {
  return ValidSlot(slot) ? keysLow_[slot].load(std::memory_order_relaxed) : 0;
}
uint64_t CMMLPlayer::KeysHigh(int32_t slot) const {
  return ValidSlot(slot) ? keysHigh_[slot].load(std::memory_order_relaxed) : 0;
}
int64_t CMMLPlayer::NoteOnTime(int32_t slot) const {
  return ValidSlot(slot) ? noteOnTime_[slot].load(std::memory_order_relaxed) : 0;
}
int64_t CMMLPlayer::NoteOffTime(int32_t slot) const {
  return ValidSlot(slot) ? noteOffTime_[slot].load(std::memory_order_relaxed) : 0;
}

void CMMLPlayer::ClearChannelState() {
  for (int32_t slot = 0; slot < kSlots; ++slot) {
    keysLow_[slot].store(0, std::memory_order_relaxed);
    keysHigh_[slot].store(0, std::memory_order_relaxed);
    level_[slot].store(0, std::memory_order_relaxed);
    noteOnTime_[slot].store(0, std::memory_order_relaxed);
    noteOffTime_[slot].store(0, std::memory_order_relaxed);
  }
}

// --- start and stop -------------------------------------------------------------------------

int CMMLPlayer::StartPlayback(int32_t startTick, bool loop) {
  if (player_.joinable() || refresh_.joinable()) StopPlayback();
  if (!device_ && opener_) device_ = opener_();
  if (!device_) return 1;

  SetPlaying(true);
  SetBusy(true);

  seekTick_.store(startTick);
  command_.store(PlayerCommand::Run);
  loop_.store(loop);
  loopStartTick_.store(startTick);
  ClearChannelState();
  for (auto& row : trackRow_) row.store(0, std::memory_order_relaxed);

  playList_ = song_ ? song_->events : MidiEventList{};
  lastTick_ = playList_.empty() ? 0 : playList_.back().tick;
  if (song_) timeBase_ = song_->timeBase;

  {
    std::lock_guard lock(threadMutex_);
    playerDone_ = false;
    finishedPosted_ = false;
    refreshResumed_ = false;
  }
  player_ = std::thread([this] { PlayerThread(); });
  if (frameHook_) refresh_ = std::thread([this] { RefreshThread(); });
  return 0;
}

void CMMLPlayer::StopPlayback() {
  stopState_ = 2;
  command_.store(PlayerCommand::Stop);
  {
    std::lock_guard lock(threadMutex_);
    refreshResumed_ = true;
  }
  threadCv_.notify_all();
  if (player_.joinable()) {
    std::unique_lock lock(threadMutex_);
    while (!threadCv_.wait_for(lock, std::chrono::milliseconds(50), [this] { return playerDone_; })) {
      if (pump_) {
        lock.unlock();
        pump_();
        lock.lock();
      }
    }
    lock.unlock();
    player_.join();
  }
  if (refresh_.joinable()) refresh_.join();
  stopState_ = 1;
}

void CMMLPlayer::HandleFinished() {
  if (stopState_ != 1) return;
  if (!IsPlaying()) return;
  StopPlayback();
  ClearChannelState();
  for (auto& row : trackRow_) row.store(0, std::memory_order_relaxed);
  if (observer_) observer_->PositionShown(playStartTick_, 120);
  SetPlaying(false);
  SetBusy(false);
}

bool CMMLPlayer::WaitForFinish(int64_t timeoutMs) {
  std::unique_lock lock(threadMutex_);
  return threadCv_.wait_for(lock, std::chrono::milliseconds(timeoutMs),
                            [this] { return finishedPosted_; });
}

// --- transport ------------------------------------------------------------------------------

void CMMLPlayer::Play() {
  if (IsBusy() || IsPlaying()) return;
  StartPlayback(playStartTick_, loop_.load());
}

void CMMLPlayer::Pause() {
  if (IsBusy()) return;
  if (IsPlaying() && command_.load() == PlayerCommand::Run) {
    SetBusy(true);
    command_.store(PlayerCommand::Stop);
    playStartTick_ = CurrentTick();
  }
}

void CMMLPlayer::TogglePlayPause() {
  if (IsBusy()) return;
  if (IsPlaying()) {
    Pause();
  } else {
    Play();
  }
}

void CMMLPlayer::Stop() {
  if (IsBusy()) return;
  if (IsPlaying()) {
    SetBusy(true);
    command_.store(PlayerCommand::Stop);
  }
}

void CMMLPlayer::RequestSeek(int32_t target) {
  SetBusy(true);
  seekTick_.store(target);
  command_.store(PlayerCommand::Seek);
}

void CMMLPlayer::BackOneMeasure() {
  if (IsBusy()) return;
  const int32_t m = TicksPerMeasure();
  if (m <= 0) return;
  if (IsPlaying()) {
    if (command_.load() != PlayerCommand::Run) return;
    RequestSeek(std::max(0, (CurrentTick() / m - 1) * m));
  } else {
    SetStartPosition(std::max(0, (playStartTick_ / m - 1) * m));
  }
}

void CMMLPlayer::ForwardOneMeasure() {
  if (IsBusy()) return;
  const int32_t m = TicksPerMeasure();
  if (m <= 0) return;
  const int32_t end = song_ ? song_->songEnd : 0;
  if (IsPlaying()) {
    if (command_.load() != PlayerCommand::Run) return;
    RequestSeek(std::min((CurrentTick() / m + 1) * m, end));
  } else {
    SetStartPosition(std::min((playStartTick_ / m + 1) * m, end));
  }
}

void CMMLPlayer::Rewind() {
  if (IsBusy()) return;
  if (IsPlaying()) {
    if (command_.load() != PlayerCommand::Run) return;
    RequestSeek(0);
    if (observer_) observer_->PositionShown(0, 120);
  } else {
    for (auto& row : trackRow_) row.store(0, std::memory_order_relaxed);
    playStartTick_ = 0;
    if (observer_) observer_->PositionShown(0, 120);
  }
}

void CMMLPlayer::PlayFrom(int32_t tick) {
  if (IsBusy() || IsPlaying()) return;
  StartPlayback(tick, loop_.load());
}

void CMMLPlayer::SetStartPositionCommand(int32_t tick) {
  if (IsPlaying()) return;
  SetStartPosition(tick);
}

void CMMLPlayer::SetStartPosition(int32_t tick) {
  playStartTick_ = tick;
  seekTick_.store(tick);
  if (observer_) observer_->PositionShown(tick, CurrentTempo());
}

void CMMLPlayer::ToggleLoop() { loop_.store(!loop_.load()); }

// --- the player thread ----------------------------------------------------------------------

void CMMLPlayer::SetKey(int32_t track, int32_t note, bool down) {
  if (!ValidSlot(track) || note < 0 || note > 127) return;
  auto& keys = note < 64 ? keysLow_[track] : keysHigh_[track];
  const uint64_t bit = uint64_t{1} << (note & 63);
  if (down) {
    keys.fetch_or(bit, std::memory_order_relaxed);
  } else {
    keys.fetch_and(~bit, std::memory_order_relaxed);
  }
}

void CMMLPlayer::SendNoteOff(int32_t track, int32_t channel, int32_t note) {
  device_->SetSourceTrack(track);
  device_->ShortMessage(kNoteOffStatus, static_cast<uint8_t>(channel),
                        static_cast<uint8_t>(note), 0);
}

void CMMLPlayer::FlushSoundingNotes(std::vector<SoundingNote>& sounding, bool limited,
                                    int32_t limit) {
  auto keep = sounding.begin();
  for (auto it = sounding.begin(); it != sounding.end(); ++it) {
    if (limited && it->tick > limit) {
      *keep++ = *it;
      continue;
    }
    if (!it->muted) SendNoteOff(it->track, it->channel, it->note);
    SetKey(it->track, it->note, false);
    if (ValidSlot(it->track)) {
      noteOffTime_[it->track].store(clock_->Milliseconds(), std::memory_order_relaxed);
    }
  }
  sounding.erase(keep, sounding.end());
}

void CMMLPlayer::Dispatch(const MidiEvent& record, std::vector<SoundingNote>& sounding) {
  const int32_t track = record.track;
  const bool slotOk = ValidSlot(track);
  const auto channel = static_cast<uint8_t>(record.channel);
  auto setRow = [&] {
    if (slotOk) trackRow_[track].store(record.seq, std::memory_order_relaxed);
  };
  device_->SetSourceTrack(track);
  if (record.kind == kNoteOffKind) {
    SendNoteOff(track, record.channel, record.note);
    SetKey(track, record.note, false);
    if (slotOk) noteOffTime_[track].store(clock_->Milliseconds(), std::memory_order_relaxed);
    return;
  }
  switch (record.kind) {
    case MidiEventKind::Note: {
      setRow();
      if (record.value <= 0) {
        if (slotOk) level_[track].store(0, std::memory_order_relaxed);
        SendNoteOff(track, record.channel, record.note);
        SetKey(track, record.note, false);
        if (slotOk) noteOffTime_[track].store(clock_->Milliseconds(), std::memory_order_relaxed);
        break;
      }
      const int32_t velocity = NoteVelocity(record.value);
      const bool muted = slotOk && muted_[track].load(std::memory_order_relaxed);
      SetKey(track, record.note, true);
      if (!muted) {
        device_->ShortMessage(kNoteOnStatus, channel, static_cast<uint8_t>(record.note),
                              static_cast<uint8_t>(velocity));
      }
      if (slotOk) {
        level_[track].store(velocity, std::memory_order_relaxed);
        noteOffTime_[track].store(-1, std::memory_order_relaxed);
        noteOnTime_[track].store(clock_->Milliseconds(), std::memory_order_relaxed);
      }
      sounding.push_back({record.tick + record.length, record.note, record.channel, track,
                          muted ? 1 : 0});
      break;
    }
    case MidiEventKind::ProgramChange:
      device_->ShortMessage(kProgramChangeStatus, channel, static_cast<uint8_t>(record.value), 0);
      setRow();
      break;
    case MidiEventKind::Rest:
    case MidiEventKind::EndOfTrack:
      setRow();
      break;
    case MidiEventKind::ControlChange:
      device_->ShortMessage(kControlChangeStatus, channel, static_cast<uint8_t>(record.value),
                            static_cast<uint8_t>(record.value2));
      setRow();
      break;
    case MidiEventKind::PitchBend:
      device_->ShortMessage(kPitchBendStatus, channel, static_cast<uint8_t>(record.value),
                            static_cast<uint8_t>(record.value2));
      setRow();
      break;
    case MidiEventKind::SysEx:
      if (!record.data.empty()) {
        device_->LongMessage(record.data.data(), static_cast<uint32_t>(record.data.size()));
      }
      setRow();
      break;
    default:  // Tempo is handled by the thread loop; markers and the rest send nothing.
      break;
  }
}

void CMMLPlayer::PlayerThread() {
  RaiseToRealtime();
  MidiEventList list = ExpandNoteOffs(playList_);
  std::vector<SoundingNote> sounding;
  const int32_t ticksPerQuarter = timeBase_.ticksPerQuarter > 0 ? timeBase_.ticksPerQuarter : 1;
  bool firstStart = true;

  for (;;) {
    // (Re)start at seekTick.
    ClearChannelState();
    const int32_t seek = seekTick_.load();
    currentTick_.store(seek, std::memory_order_relaxed);
    int32_t tempo = 120;
    size_t next = 0;
    for (; next < list.size() && list[next].tick < seek; ++next) {
      // A tempo of 0 or less is ignored here as in dispatch (it would divide by zero).
      if (list[next].kind == MidiEventKind::Tempo && list[next].value > 0) tempo = list[next].value;
    }
    currentTempo_.store(tempo, std::memory_order_relaxed);
    const int64_t frequency = clock_->Frequency();
    TickClock tickClock;
    tickClock.SetTempo(frequency, tempo, ticksPerQuarter);
    tickClock.baseCounter = clock_->Counter();
    tickClock.baseTick = seek;
    if (firstStart) startCounter_.store(tickClock.baseCounter);
    firstStart = false;
    PlayerCommand seen = command_.load();
    if (seen == PlayerCommand::Run) {
      SetBusy(false);
      {
        std::lock_guard lock(threadMutex_);
        refreshResumed_ = true;
      }
      threadCv_.notify_all();
      if (observer_) observer_->PlayerStarted();
    }
    // Only a Run or Seek becomes Run: a Stop that arrived meanwhile must not be lost.
    if (seen != PlayerCommand::Stop) command_.compare_exchange_strong(seen, PlayerCommand::Run);

    bool seekRequested = false;
    int32_t nowTick = seek;
    while (next < list.size()) {
      int64_t now = clock_->Counter();
      nowTick = tickClock.TickAt(now);
      const PlayerCommand command = command_.load();
      if (command == PlayerCommand::Stop) break;
      if (command == PlayerCommand::Seek) {
        seekRequested = true;
        break;
      }
      currentTick_.store(nowTick, std::memory_order_relaxed);
      std::erase_if(sounding, [&](const SoundingNote& s) { return s.tick <= nowTick; });
      if (list[next].tick <= nowTick) {
        const MidiEvent& record = list[next++];
        if (record.kind == MidiEventKind::Tempo) {
          if (record.value > 0) {
            currentTempo_.store(record.value, std::memory_order_relaxed);
            tickClock.SetTempo(frequency, record.value, ticksPerQuarter);
            tickClock.baseCounter = clock_->Counter();
            tickClock.baseTick = record.tick;
            if (ValidSlot(record.track)) {
              trackRow_[record.track].store(record.seq, std::memory_order_relaxed);
            }
          }
        } else {
          Dispatch(record, sounding);
        }
      }
      // Look ahead 10 ms, rounded like the now-tick, so the thread is always spinning through
      // the last 10 ms before a record falls due.
      now = clock_->Counter();
      const int32_t ahead = tickClock.TickAt(now + frequency / 100);
      if (next >= list.size() || list[next].tick > ahead) {
        clock_->SleepMs(10);
      } else {
        CpuRelax();
      }
    }

    if (seekRequested) {
      const int32_t target = seekTick_.load();
      if (target < nowTick) {
        FlushSoundingNotes(sounding, false, 0);
      } else {
        FlushSoundingNotes(sounding, true, target);
      }
      SetBusy(false);
      if (observer_) observer_->PlayerSeeked(target);
      continue;
    }

    // End of the list, or Stop.
    FlushSoundingNotes(sounding, false, 0);
    clock_->SleepMs(10);
    device_->SetSourceTrack(-1);
    for (uint8_t channel = 0; channel < 16; ++channel) {
      device_->ShortMessage(kControlChangeStatus, channel, 123, 127);
      device_->ShortMessage(kControlChangeStatus, channel, 64, 0);
    }
    if (loop_.load() && command_.load() == PlayerCommand::Run) {
      const int32_t start = loopStartTick_.load();
      seekTick_.store(start);
      if (observer_) observer_->PlayerLooped(start);
      continue;
    }
    break;
  }

  {
    std::lock_guard lock(threadMutex_);
    finishedPosted_ = true;
  }
  threadCv_.notify_all();
  if (observer_) observer_->PlayerFinished(ThreadId());
  {
    std::lock_guard lock(threadMutex_);
    playerDone_ = true;
  }
  threadCv_.notify_all();
}

// --- the refresh thread ---------------------------------------------------------------------

void CMMLPlayer::RefreshThread() {
  {
    std::unique_lock lock(threadMutex_);
    threadCv_.wait(lock, [this] { return refreshResumed_; });
  }
  const float interval = 1000.0f / static_cast<float>(frameRate_);
  int64_t frame = 0;
  int64_t start = clock_->Milliseconds();
  while (command_.load() != PlayerCommand::Stop) {
    ++frame;
    if (command_.load() == PlayerCommand::Run) {
      std::lock_guard lock(viewLock_);
      frameHook_();
    }
    const int64_t due = start + static_cast<int64_t>(static_cast<float>(frame) * interval);
    while (clock_->Milliseconds() < due && command_.load() != PlayerCommand::Stop) {
      clock_->SleepMs(1);
    }
    const int64_t now = clock_->Milliseconds();
    if (now - start >= 1000) {
      frame = 0;
      start = now;
    }
  }
}

}  // namespace kore
