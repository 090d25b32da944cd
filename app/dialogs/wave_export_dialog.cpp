#include "app/dialogs/wave_export_dialog.h"

#include <QCheckBox>
#include <QEventLoop>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/dialogs/dialog_host.h"
#include "app/dialogs/form.h"
#include "playback/mml_player.h"

namespace kore::dialogs {
namespace {

// Waits with the event loop running: the tail must not freeze the window.
void PumpFor(int32_t ms) {
  QEventLoop loop;
  QTimer::singleShot(ms, &loop, &QEventLoop::quit);
  loop.exec();
}

}  // namespace

CMMLWaveExportDlg::CMMLWaveExportDlg(const WaveExportOptions& options, CMMLPlayer& player,
                                     CFluidSynthDevice& device, QWidget* parent)
    : QDialog(parent), options_(options), exporter_(player, device, PumpFor) {
  setObjectName("waveExportDialog");
  setWindowTitle(QStringLiteral("WAVEファイルを出力中"));
  hide_ = new QCheckBox(QStringLiteral("出力中はKOREを隠す(&H)"));
  Name(hide_, "hideMainWindow", hide_->text());
  auto* note = new QLabel(QStringLiteral("出力には実演奏分の時間が掛かります。"));
  note->setObjectName("note");
  time_ = new QLabel(FromSjis(ExportElapsedText(0)));
  time_->setObjectName("elapsed");
  button_ = new QPushButton(QStringLiteral("開始"));
  Name(button_, "startButton", button_->text());
  progress_ = new QProgressBar;
  Name(progress_, "progress", QStringLiteral("進行状況"));
  progress_->setTextVisible(false);

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(hide_);
  layout->addWidget(note);
  layout->addWidget(time_);
  layout->addWidget(progress_);
  layout->addWidget(button_);

  timer_.setInterval(200);
  connect(&timer_, &QTimer::timeout, this, [this] { Tick(); });
  connect(button_, &QPushButton::clicked, this, [this] { ButtonClicked(); });
  connect(hide_, &QCheckBox::toggled, this, [this](bool on) {
    if (Exporting()) SetHidden(on);
  });
}

CMMLWaveExportDlg::~CMMLWaveExportDlg() {
  if (Exporting()) exporter_.Abort();
  SetHidden(false);
}

void CMMLWaveExportDlg::SetHidden(bool hidden) {
  if (hidden == mainHidden_) return;
  mainHidden_ = hidden;
  if (options_.hideMainWindow) options_.hideMainWindow(hidden);
  setWindowTitle(hidden ? AppTitle() + QStringLiteral(" WAVEファイル出力中")
                        : QStringLiteral("WAVEファイル出力中"));
}

bool CMMLWaveExportDlg::StartExport() {
  if (exporter_.Start(options_.path) != 0) {
    Fail(this, FromSjis(CWaveExport::FailureMessage()));
    return false;
  }
  button_->setText(QStringLiteral("中断"));
  button_->setAccessibleName(button_->text());
  time_->setText(FromSjis(ExportElapsedText(0)));
  progress_->setRange(0, std::max(exporter_.ProgressMax(), 1));
  progress_->setValue(0);
  timer_.start();
  if (hide_->isChecked()) SetHidden(true);
  return true;
}

void CMMLWaveExportDlg::Tick() {
  if (inTick_) return;  // the tail's wait runs the event loop, timer included
  inTick_ = true;
  const CWaveExport::State state = exporter_.OnTimer();
  progress_->setValue(exporter_.Progress());
  if (state == CWaveExport::State::Exporting) {
    time_->setText(FromSjis(ExportElapsedText(exporter_.ElapsedMs())));
    inTick_ = false;
    return;
  }
  timer_.stop();
  SetHidden(false);
  if (state == CWaveExport::State::Finished) {
    Inform(this, FromSjis(CWaveExport::FinishedMessage()));
    done(QDialog::Accepted);
  } else {
    Fail(this, FromSjis(CWaveExport::FailureMessage()));
    done(QDialog::Rejected);
  }
  inTick_ = false;
}

bool CMMLWaveExportDlg::ConfirmAbort() {
  return AskYesNo(this, FromSjis(CWaveExport::AbortQuestion()));
}

void CMMLWaveExportDlg::StopExport() {
  timer_.stop();
  exporter_.Abort();
  SetHidden(false);
}

void CMMLWaveExportDlg::ButtonClicked() {
  if (!Exporting()) {
    StartExport();
    return;
  }
  if (!ConfirmAbort()) return;
  StopExport();
  QDialog::reject();
}

void CMMLWaveExportDlg::reject() {
  if (Exporting()) {
    if (!ConfirmAbort()) return;
    StopExport();
  }
  QDialog::reject();
}

void WaveExportCommand(DialogHost& host) {
  CMMLPlayer* player = host.Player();
  if (player && player->IsPlaying()) player->StopPlayback();
  const CMMLDocument& document = host.Document();
  FileChoice choice;
  choice.save = true;
  choice.title = QStringLiteral("名前を付けてWaveファイルをエクスポート");
  choice.initialPath =
      QString::fromStdString(ProposedWaveFileName(document.Path(), document.Title()));
  choice.filters = {QStringLiteral("Wave (Microsoft) (*.wav)"), QStringLiteral("All Files (*)")};
  choice.defaultSuffix = "wav";
  const std::optional<FileChosen> chosen = host.ChooseFile(choice);
  if (!chosen) return;
  CFluidSynthDevice* synth = host.Synthesizer();
  // Only the synthesizer can be recorded; a port output cannot export.
  if (!player || !synth) {
    Fail(host.DialogParent(), FromSjis(CWaveExport::FailureMessage()));
    return;
  }
  WaveExportOptions options;
  options.path = chosen->path;
  options.hideMainWindow = [&host](bool hidden) { host.SetMainWindowHidden(hidden); };
  CMMLWaveExportDlg dialog(options, *player, *synth, host.DialogParent());
  QTimer::singleShot(0, &dialog, [&dialog] { dialog.StartExport(); });
  RunModal(dialog);
}

}  // namespace kore::dialogs
