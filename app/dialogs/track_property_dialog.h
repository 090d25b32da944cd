#pragma once
// CMMLTrackPropaty, "トラックプロパティ": one track's name, instrument, mute, volume, pan and
// start position, and the copy of chosen properties to other tracks ("適用(&A)").
// The dialog only edits its options; ShowTrackProperties (track_property_flow.h) applies them.
// User-interface thread only; std::string texts are Shift-JIS.
#include <QDialog>
#include <cstdint>
#include <string>
#include <vector>

#include "song/song_document.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QSlider;

namespace kore::dialogs {

// "%d%%" for a volume; "0" at the centre, "L%02d" / "R%02d" for a pan of 0..127.
QString VolumeLabelText(int32_t volume);
QString PanLabelText(int32_t panpot);
// A start-list item: "%03d : %s (%d:%d)" with the marker number, name, measure and tick in it.
std::string StartListText(int32_t number, const MidiEvent& marker, const TimeBase& timeBase);

struct TrackPropertyOptions {
  struct Destination {
    int32_t slot = 0;
    TrackProperties properties;
  };
  TrackProperties properties;          // the dialog's track (edited)
  std::vector<std::string> startItems;  // marker 0 (song start) and every marker
  std::vector<Destination> destinations;  // the other tracks in tab order
  bool playing = false;                 // start position fixed while playing

  // Out: what "適用(&A)" copies and to which destinations (slots, list order).
  bool copyName = false;
  bool copyInstrument = false;
  bool copyStart = false;
  bool numbering = false;
  std::vector<int32_t> selectedDestinations;
};

class CMMLTrackPropaty : public QDialog {
  Q_OBJECT

 public:
  explicit CMMLTrackPropaty(const TrackPropertyOptions& options, QWidget* parent = nullptr);
  TrackPropertyOptions options() const;

 Q_SIGNALS:
  // "適用(&A)": the flow applies options() to the selected destinations; the dialog stays.
  void applyRequested();

 private:
  void Build();
  void Load(const TrackProperties& p);
  void LoadSelectedDestination();

  TrackPropertyOptions options_;
  QLineEdit* name_ = nullptr;
  QCheckBox* copyName_ = nullptr;
  QCheckBox* copyInstrument_ = nullptr;
  QCheckBox* copyStart_ = nullptr;
  QCheckBox* numbering_ = nullptr;
  QComboBox* instrument_ = nullptr;
  QCheckBox* mute_ = nullptr;
  QSlider* volume_ = nullptr;
  QLabel* volumeText_ = nullptr;
  QSlider* pan_ = nullptr;
  QLabel* panText_ = nullptr;
  QComboBox* start_ = nullptr;
  QListWidget* destinations_ = nullptr;
};

}  // namespace kore::dialogs
