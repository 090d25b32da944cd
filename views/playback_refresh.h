#pragma once
// PlaybackViewRefresh: one Frame() moves every view to the player's state. The main window
// calls it from a GUI timer at the frame rate while playing, so views are only ever touched on
// the user-interface thread; the player's values are atomics read without any lock, and the
// player thread never waits for a frame.
//
// User-interface thread only.
#include "song/song_document.h"
#include "views/player_state.h"

#include <QObject>
#include <QPointer>
#include <array>

namespace kore {

class CPianoRollCtrl;
class CCodeListCtrl;
class CPianoKeyCtrl;
class CDigitCtrl;
class CMidiMoniterCtrl;

class PlaybackViewRefresh : public QObject {
  Q_OBJECT

 public:
  // Any view may be null (not shown by this owner).
  struct Views {
    CPianoRollCtrl* roll = nullptr;
    CCodeListCtrl* list = nullptr;
    CPianoKeyCtrl* keys = nullptr;
    CDigitCtrl* measure = nullptr;
    CMidiMoniterCtrl* monitor = nullptr;
  };

  PlaybackViewRefresh(const CMMLDocument& document, const views::PlayerStateSource& state,
                      Views views, QObject* parent = nullptr);

  // One frame: does nothing unless the player's command is Run.
  void Frame();
  // After a stop: views at the start position with tempo 120, keys and levels cleared, the
  // cached rows forgotten.
  void ShowStopped(int32_t startTick);
  // The frame interval in milliseconds for a `StatFrameRate` value (30 or 60; anything else 30).
  static int IntervalMs(int framesPerSecond);

 Q_SIGNALS:
  // The record `seq` of the current track's slot is being played (select its MML text when
  // the window's "play selection" setting is on).
  void rowPlayed(int slot, int seq);

 private:
  const CMMLDocument& document_;
  const views::PlayerStateSource& state_;
  Views views_;
  std::array<int32_t, kTrackSlotCount> seenRows_{};
  int32_t seenCurrentTrack_ = -1;
};

}  // namespace kore
