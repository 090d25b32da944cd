#pragma once
// CMMLWaveExportDlg, "WAVEファイルを出力中": runs and watches a real-time WAVE export
// (CWaveExport) with a 200 ms timer; the button starts or aborts it. The 1 s tail is waited for
// with the event loop running, so the window stays responsive. WaveExportCommand is the file
// menu's "WAVEファイルを出力(&W)".
// User-interface thread only; paths are UTF-8.
#include <QDialog>
#include <QTimer>
#include <functional>
#include <memory>
#include <string>

#include "playback/wave_export.h"

class QCheckBox;
class QLabel;
class QProgressBar;
class QPushButton;

namespace kore::dialogs {

class DialogHost;

struct WaveExportOptions {
  std::string path;
  // Hides (true) or shows the main window while exporting.
  std::function<void(bool hidden)> hideMainWindow;
};

class CMMLWaveExportDlg : public QDialog {
  Q_OBJECT

 public:
  CMMLWaveExportDlg(const WaveExportOptions& options, CMMLPlayer& player,
                    CFluidSynthDevice& device, QWidget* parent = nullptr);
  ~CMMLWaveExportDlg() override;

  // Starts an export (what opening the dialog does); false after the failure message.
  bool StartExport();
  bool Exporting() const { return exporter_.GetState() == CWaveExport::State::Exporting; }
  // One tick of the 200 ms timer (public so tests can step it).
  void Tick();

  // Cancel while exporting asks first.
  void reject() override;

 private:
  void ButtonClicked();
  bool ConfirmAbort();
  void StopExport();
  void SetHidden(bool hidden);

  WaveExportOptions options_;
  CWaveExport exporter_;
  QTimer timer_;
  bool inTick_ = false;
  bool mainHidden_ = false;
  QCheckBox* hide_ = nullptr;
  QLabel* time_ = nullptr;
  QPushButton* button_ = nullptr;
  QProgressBar* progress_ = nullptr;
};

void WaveExportCommand(DialogHost& host);

}  // namespace kore::dialogs
