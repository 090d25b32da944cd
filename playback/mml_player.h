#pragma once
// The real-time sequencer: walks a private copy of the song on its own thread against a
// monotonic clock and sends every record to the output device the moment its tick is due, plus
// the transport commands of the main window and the refresh thread that moves the views.
//
// Threads: the owner's thread (the GUI's user-interface thread, or a CLI's main thread) calls
// every transport command; the player thread writes the position and key state, which any
// thread may read; the refresh thread calls the frame hook under the view lock.
#include <array>
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "playback/midi_device.h"
#include "playback/play_list.h"
#include "playback/player_clock.h"

namespace kore {

enum class PlayerCommand : int32_t { Run = 0, Stop = 1, Seek = 3 };

// Notification codes, numbered as the main window knows them.
enum class PlayerNotify : int32_t { Started = 1, Finished = 2, Seeked = 6, Looped = 9 };

class PlayerObserver {
 public:
  virtual ~PlayerObserver() = default;
  // Player thread, synchronous: the thread goes on when these return. The player has already
  // done its own part (Started and Seeked clear `busy`).
  virtual void PlayerStarted() {}
  virtual void PlayerSeeked(int32_t tick) { (void)tick; }
  virtual void PlayerLooped(int32_t tick) { (void)tick; }
  // Player thread, its last act. Must not wait for the player: post to the owner's thread, which
  // then calls CMMLPlayer::HandleFinished.
  virtual void PlayerFinished(uint64_t threadId) { (void)threadId; }
  // Owner's thread: playback began or ended (command states, read-only panes, file drops).
  virtual void PlayingChanged(bool playing) { (void)playing; }
  // Owner's thread: the views and the measure display move to a position (start position set,
  // rewind, after a stop). `tempo` is what the measure display shows.
  virtual void PositionShown(int32_t tick, int32_t tempo) { (void)tick, (void)tempo; }
};

class CMMLPlayer {
 public:
  static constexpr int32_t kSlots = kTrackSlotCount;

  // Without a clock the system's steady clock is used.
  explicit CMMLPlayer(PlayerClock* clock = nullptr);
  ~CMMLPlayer();
  CMMLPlayer(const CMMLPlayer&) = delete;
  CMMLPlayer& operator=(const CMMLPlayer&) = delete;
  // The clock positions and note times are read against (the views' meters decay on it).
  PlayerClock& Clock() const { return *clock_; }

  // --- set-up (owner's thread, while stopped) -------------------------------------------------
  void SetObserver(PlayerObserver* observer) { observer_ = observer; }
  // The song to play: copied at every StartPlayback. Mute flags are taken from its slots.
  void SetSong(std::shared_ptr<const PlaybackSong> song);
  // The open device, or null. When null at start, the opener (if any) is asked for one.
  void SetDevice(CMidiDevice* device) { device_ = device; }
  void SetDeviceOpener(std::function<CMidiDevice*()> opener) { opener_ = std::move(opener); }
  CMidiDevice* Device() const { return device_; }
  // Frames per second of the refresh thread (30 or 60; anything else is 30) and what it does
  // at each frame, under ViewLock(). Without a hook no refresh thread runs.
  void SetFrameRate(int32_t framesPerSecond);
  void SetFrameHook(std::function<void()> hook) { frameHook_ = std::move(hook); }
  // Called between the 50 ms slices in which StopPlayback waits for the threads.
  void SetMessagePump(std::function<void()> pump) { pump_ = std::move(pump); }
  std::mutex& ViewLock() { return viewLock_; }

  // May change during playback: applies from the next note-on.
  void SetMuted(int32_t slot, bool muted);
  bool IsMuted(int32_t slot) const;

  // --- playback -------------------------------------------------------------------------------
  // 0 on success; 1 when no device can be had (nothing else changes).
  int StartPlayback(int32_t startTick, bool loop);
  // Stops the threads and waits for them, pumping messages in between.
  void StopPlayback();
  // The owner's answer to PlayerFinished: the after-stop clean-up, unless StopPlayback is
  // already waiting for the threads.
  void HandleFinished();
  // For owners without a message queue: waits until the player thread has finished (true), or
  // the timeout passed (false).
  bool WaitForFinish(int64_t timeoutMs);

  // --- transport commands (owner's thread); each is dropped while `busy` ---------------------
  void Play();
  void Pause();
  void TogglePlayPause();
  void Stop();
  void BackOneMeasure();
  void ForwardOneMeasure();
  void Rewind();
  // Play from a position without moving the play start position (play from caret).
  void PlayFrom(int32_t tick);
  // Set start position command: ignored while playing.
  void SetStartPositionCommand(int32_t tick);
  // Sets the play start position and moves the views there (while stopped).
  void SetStartPosition(int32_t tick);
  void ToggleLoop();
  void SetLoop(bool loop) { loop_.store(loop); }
  bool Loop() const { return loop_.load(); }

  // --- state, readable from any thread -----------------------------------------------------
  bool IsPlaying() const;
  bool IsBusy() const;
  int32_t PlayStartTick() const { return playStartTick_; }
  int32_t CurrentTick() const { return currentTick_.load(std::memory_order_relaxed); }
  int32_t CurrentTempo() const { return currentTempo_.load(std::memory_order_relaxed); }
  PlayerCommand Command() const { return command_.load(); }
  int32_t TrackRow(int32_t slot) const;
  int32_t Level(int32_t slot) const;
  uint64_t KeysLow(int32_t slot) const;
  uint64_t KeysHigh(int32_t slot) const;
  int64_t NoteOnTime(int32_t slot) const;
  int64_t NoteOffTime(int32_t slot) const;
  // Tick of the last record of the play list (progress range of an export); 0 when empty.
  int32_t LastTick() const { return lastTick_; }
  const TimeBase& GetTimeBase() const { return timeBase_; }
  // The clock counter at which the thread first started its clock (the zero of its timing).
  int64_t StartCounter() const { return startCounter_.load(); }
  int32_t TicksPerMeasure() const { return timeBase_.TicksPerMeasure(); }

 private:
  struct SoundingNote {
    int32_t tick;
    int32_t note;
    int32_t channel;
    int32_t track;
    int32_t muted;
  };

  void SetBusy(bool busy);
  void SetPlaying(bool playing);
  void ClearChannelState();
  void RequestSeek(int32_t target);

  void PlayerThread();
  void RefreshThread();
  void Dispatch(const MidiEvent& record, std::vector<SoundingNote>& sounding);
  void SendNoteOff(int32_t track, int32_t channel, int32_t note);
  void FlushSoundingNotes(std::vector<SoundingNote>& sounding, bool limited, int32_t limit);
  void SetKey(int32_t track, int32_t note, bool down);
  bool ValidSlot(int32_t slot) const { return slot >= 0 && slot < kSlots; }

  PlayerClock* clock_;
  PlayerObserver* observer_ = nullptr;
  CMidiDevice* device_ = nullptr;
  std::function<CMidiDevice*()> opener_;
  std::function<void()> frameHook_;
  std::function<void()> pump_;
  std::shared_ptr<const PlaybackSong> song_;
  int32_t frameRate_ = 30;

  // Player state. Written by the owner before the thread starts, or atomic.
  MidiEventList playList_;
  TimeBase timeBase_;
  int32_t lastTick_ = 0;
  std::atomic<int32_t> seekTick_{0};
  std::atomic<int64_t> startCounter_{0};
  std::atomic<int32_t> loopStartTick_{0};
  std::atomic<int32_t> currentTick_{0};
  std::atomic<int32_t> currentTempo_{120};
  std::atomic<PlayerCommand> command_{PlayerCommand::Stop};
  std::atomic<bool> loop_{false};
  std::array<std::atomic<int32_t>, kSlots> trackRow_{};
  std::array<std::atomic<int32_t>, kSlots> level_{};
  std::array<std::atomic<uint64_t>, kSlots> keysLow_{};
  std::array<std::atomic<uint64_t>, kSlots> keysHigh_{};
  std::array<std::atomic<int64_t>, kSlots> noteOnTime_{};
  std::array<std::atomic<int64_t>, kSlots> noteOffTime_{};
  std::array<std::atomic<bool>, kSlots> muted_{};

  // Flags of the owner.
  mutable std::mutex playLock_;
  bool playing_ = false;
  mutable std::mutex commandLock_;
  bool busy_ = false;
  std::mutex viewLock_;
  int32_t stopState_ = 1;  // owner's thread only: 1 idle, 2 while StopPlayback waits
  int32_t playStartTick_ = 0;

  // Threads and their hand-shakes.
  std::thread player_;
  std::thread refresh_;
  std::mutex threadMutex_;
  std::condition_variable threadCv_;
  bool playerDone_ = false;
  bool finishedPosted_ = false;
  bool refreshResumed_ = false;
};

}  // namespace kore
