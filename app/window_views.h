#pragma once
// The music views of the main window and what the window does with them: the piano roll, the
// event list, the piano keyboard and the measure display inside the window, the performance
// monitor in a tool window of its own; the frame that moves them while a song plays; and the
// window's answers to the views' notifications (a record's MML selected in its pane, the
// roll's marker menu, the play start position).
//
// User-interface thread. The player's values are read through views::PlayerStateSource,
// without a lock; Frame() and ChannelsChanged() run under the player's view lock.
// Core headers come before Qt's: a core field named `slots` must not meet Qt's keyword macro.
#include "app/commands.h"
#include "base/app_settings.h"
#include "playback/mml_player.h"
#include "song/song_document.h"
#include "views/player_state.h"

#include <QObject>
#include <functional>
#include <memory>

class QComboBox;
class QWidget;

namespace kore {

class CCodeListCtrl;
class CDigitCtrl;
class CMidiMoniterCtrl;
class CPennaWnd;
class CPianoKeyCtrl;
class CPianoRollCtrl;
class PlaybackViewRefresh;

class WindowViews : public QObject {
  Q_OBJECT

 public:
  // What the views need of the window.
  struct Window {
    QWidget* widget = nullptr;  // parent of the views and owner of the monitor window
    std::function<CPennaWnd*(int32_t slot)> pane;
    // A marker command of the roll: the clicked tick (create) or the 1-based marker number.
    std::function<void(Cmd command, int32_t value)> markerCommand;
  };

  WindowViews(CMMLDocument& document, CMMLPlayer& player, AppSettings& settings, Window window);
  // Detaches the views from the document, which dies before the window's children.
  ~WindowViews() override;

  CPianoRollCtrl* Roll() const { return roll_; }
  CCodeListCtrl* List() const { return list_; }
  CPianoKeyCtrl* Keys() const { return keys_; }
  CDigitCtrl* Measure() const { return measure_; }
  CMidiMoniterCtrl* Monitor() const { return monitor_; }

  // Fills the roll's target list and keeps its choice in `PianoRollTargetV2`.
  void AttachTargetList(QComboBox* box);
  // One playback frame; takes the view lock.
  void Frame();
  void SetPlaying(bool playing);
  // The views at a position while stopped (start position set, rewind, after a stop).
  void ShowPosition(int32_t tick, int32_t tempo);
  // After an edit of the current track: with `EditScroll` the list follows the caret.
  void FollowCaret();
  // Program, volume and pan of a slot were sent: the monitor draws its rows again. The caller
  // holds the view lock.
  void ChannelsChanged();

  // The monitor window; its place and whether it shows are the Monitor_* settings.
  void ToggleMonitor();
  bool MonitorVisible() const;
  void RestoreMonitor();
  // Shows the monitor when the settings want it; once, when the main window first shows.
  void ShowMonitorIfWanted();
  void StoreMonitor();
  // The roll's zoom values into the settings.
  void StoreZoom();

 Q_SIGNALS:
  void monitorVisibilityChanged();

 private:
  void OnRollNotified(int code, int type, int value1, int value2);
  void OnListNotified(int code, int row);
  // Selects a record's MML text (through its last byte) in the slot's pane.
  bool SelectRecordText(int32_t slot, int32_t seq);
  void SelectPlayedRecord(int slot, int seq);
  int RowAtOrAfter(int32_t tick) const;

  CMMLDocument& document_;
  CMMLPlayer& player_;
  AppSettings& settings_;
  Window window_;
  std::unique_ptr<views::PlayerStateOfPlayer> state_;
  CPianoRollCtrl* roll_ = nullptr;
  CCodeListCtrl* list_ = nullptr;
  CPianoKeyCtrl* keys_ = nullptr;
  CDigitCtrl* measure_ = nullptr;
  CMidiMoniterCtrl* monitor_ = nullptr;
  PlaybackViewRefresh* refresh_ = nullptr;
  bool playing_ = false;
  bool monitorWanted_ = false;
  bool monitorRestored_ = false;
  bool keepRollScroll_ = false;
};

}  // namespace kore
