#pragma once
// CMMLMarkerDlg, "マーカー作成" / "マーカー編集": a marker's name with its position shown as
// "%04d:%04d" (measure, tick in it). Results: OK (1), Cancel (2), Delete (3, edit mode only).
// The marker commands (create, edit, delete from the piano roll's marker menu) sit beside it.
// User-interface thread only; std::string texts are Shift-JIS.
#include <QDialog>
#include <cstdint>
#include <string>

#include "mml/midi_event.h"

class QLineEdit;

namespace kore::dialogs {

class DialogHost;

enum class MarkerMode { Create = 0, Edit = 1 };
enum MarkerResult : int { kMarkerOk = 1, kMarkerCancel = 2, kMarkerDelete = 3 };

QString MarkerPositionText(int32_t tick, const TimeBase& timeBase);

struct MarkerOptions {
  MarkerMode mode = MarkerMode::Create;
  std::string name;
  int32_t number = 0;  // 1-based marker number in edit mode
  int32_t tick = 0;
  int32_t colour = 0x2828E0;
  TimeBase timeBase;
};

class CMMLMarkerDlg : public QDialog {
  Q_OBJECT

 public:
  explicit CMMLMarkerDlg(const MarkerOptions& options, QWidget* parent = nullptr);
  MarkerOptions options() const;
  // The dialog's answer as the marker commands read it (1, 2 or 3).
  int markerResult() const { return markerResult_; }

  void accept() override;
  void reject() override;

 private:
  MarkerOptions options_;
  QLineEdit* name_ = nullptr;
  int markerResult_ = kMarkerCancel;
};

// The marker commands; all do nothing while playing. `tick` is where the marker menu was opened.
void NewMarkerCommand(DialogHost& host, int32_t tick);
void EditMarkerCommand(DialogHost& host, int32_t number);
void DeleteMarkerCommand(DialogHost& host, int32_t number);

}  // namespace kore::dialogs
