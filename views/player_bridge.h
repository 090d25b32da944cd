#pragma once
// The one place where the player thread's notifications cross to the user-interface thread.
//
// Threads: Started, Seeked and Looped arrive on the player thread, which waits until the GUI
// thread has handled the signal (blocking-queued), as the player relies on the window having
// followed before it goes on. Finished is the player thread's last act and is only posted
// (queued): the GUI slot then calls CMMLPlayer::HandleFinished. PlayingChanged and
// PositionShown come on the owner's thread and are emitted at once. A notification that
// arrives on the bridge's own thread is emitted directly, never blocking-queued, so an owner
// that drives the player synchronously cannot deadlock itself.
//
// While the owner waits for the player (CMMLPlayer::StopPlayback), it must pump events (the
// player's message pump), or a blocking notification could not be delivered.
// Core headers come before Qt's: a core field named `slots` must not meet Qt's keyword macro.
#include "playback/mml_player.h"

#include <QObject>
#include <cstdint>

namespace kore {

class PlayerBridge : public QObject, public PlayerObserver {
  Q_OBJECT

 public:
  // Lives on the thread that creates it (the GUI thread). Set it as the player's observer with
  // player.SetObserver(&bridge).
  explicit PlayerBridge(QObject* parent = nullptr);

  // PlayerObserver
  void PlayerStarted() override;
  void PlayerSeeked(int32_t tick) override;
  void PlayerLooped(int32_t tick) override;
  void PlayerFinished(uint64_t threadId) override;
  void PlayingChanged(bool playing) override;
  void PositionShown(int32_t tick, int32_t tempo) override;

 Q_SIGNALS:
  void started();
  void seeked(int tick);
  void looped(int tick);
  // The thread id as the player gave it (quint64 so it travels through a queued connection).
  void finished(quint64 threadId);
  void playingChanged(bool playing);
  void positionShown(int tick, int tempo);

 private:
  // Runs `emitter` on this object's thread and waits for it, or runs it here when already there.
  template <typename F>
  void EmitBlocking(F emitter);
};

}  // namespace kore
