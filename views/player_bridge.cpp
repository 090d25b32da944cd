#include "views/player_bridge.h"

#include <QThread>
#include <condition_variable>
#include <mutex>

namespace kore {

PlayerBridge::PlayerBridge(QObject* parent) : QObject(parent) {}

template <typename F>
void PlayerBridge::EmitBlocking(F emitter) {
  if (QThread::currentThread() == thread()) {
    emitter();
    return;
  }
  // Posted, then waited for on our own condition: the hand-over is then visible to thread
  // checkers, and nothing of the waiting thread is touched once it may go on.
  struct Handshake {
    std::mutex mutex;
    std::condition_variable done;
    bool finished = false;
  } handshake;
  QMetaObject::invokeMethod(
      this,
      [emitter, h = &handshake] {
        emitter();
        std::lock_guard lock(h->mutex);
        h->finished = true;
        h->done.notify_one();
      },
      Qt::QueuedConnection);
  std::unique_lock lock(handshake.mutex);
  handshake.done.wait(lock, [&] { return handshake.finished; });
}

void PlayerBridge::PlayerStarted() {
  EmitBlocking([this] { Q_EMIT started(); });
}

void PlayerBridge::PlayerSeeked(int32_t tick) {
  EmitBlocking([this, tick] { Q_EMIT seeked(tick); });
}

void PlayerBridge::PlayerLooped(int32_t tick) {
  EmitBlocking([this, tick] { Q_EMIT looped(tick); });
}

void PlayerBridge::PlayerFinished(uint64_t threadId) {
  // Never waits: the owner may at this moment be waiting for the player thread to end.
  const quint64 id = threadId;
  QMetaObject::invokeMethod(this, [this, id] { Q_EMIT finished(id); }, Qt::QueuedConnection);
}

void PlayerBridge::PlayingChanged(bool playing) { Q_EMIT playingChanged(playing); }

void PlayerBridge::PositionShown(int32_t tick, int32_t tempo) { Q_EMIT positionShown(tick, tempo); }

}  // namespace kore
