#pragma once
// The track panel above the views: the instrument list of the current track (disabled while
// playing), the piano roll's target list, and the mixer buttons MUTE, Solo and All, which act on
// the document and the player at once, also while a song plays. "I" and "編" have no action.
//
// User-interface thread. Instrument names are Shift-JIS in the song library.
// Core headers come before Qt's: a core field named `slots` must not meet Qt's keyword macro.
#include "playback/mml_player.h"
#include "song/song_document.h"

#include <QWidget>

class QComboBox;
class QPushButton;

namespace kore {

class TrackPanel : public QWidget {
  Q_OBJECT

 public:
  TrackPanel(CMMLDocument& document, CMMLPlayer& player, QWidget* parent = nullptr);

  QComboBox* TargetList() const { return targetBox_; }
  // Instrument and MUTE of the current track.
  void ShowCurrentTrack();
  void SetPlaying(bool playing);

 Q_SIGNALS:
  // A mixer button was clicked, before it acts: a command given with the mouse.
  void commandGiven();
  // The current track's instrument changed: its channel needs setting up.
  void instrumentChanged(int slot);

 private:
  void OnButton(int which);
  void OnInstrumentChosen(int index);

  CMMLDocument& document_;
  CMMLPlayer& player_;
  QComboBox* instrumentBox_ = nullptr;
  QComboBox* targetBox_ = nullptr;
  QPushButton* muteButton_ = nullptr;
  bool updating_ = false;
};

}  // namespace kore
