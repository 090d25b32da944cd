#include "app/window_dialogs.h"

#include "app/player_dlg.h"

#include "app/dialogs/clip_commands.h"
#include "app/dialogs/clip_import_dialog.h"
#include "app/dialogs/config_commands.h"
#include "app/dialogs/dialog_host.h"
#include "app/dialogs/form.h"
#include "app/dialogs/marker_dialog.h"
#include "app/dialogs/property_commands.h"
#include "app/dialogs/smf_commands.h"
#include "app/dialogs/smf_import_dialog.h"
#include "app/dialogs/text_search_dialog.h"
#include "app/dialogs/wave_export_dialog.h"
#include "app/file_association.h"
#include "base/shift_jis.h"
#include "editor/frame/penna_frame.h"
#include "playback/synth_device.h"

#include <QCoreApplication>
#include <QPointer>

namespace kore {
namespace {

class WindowDialogHost : public dialogs::DialogHost {
 public:
  WindowDialogHost(CMMLPlayerDlg& window, std::string settingsPath,
                   std::function<int()> saveSettings)
      : window_(window), settingsPath_(std::move(settingsPath)),
        saveSettings_(std::move(saveSettings)) {}

  QWidget* DialogParent() override { return &window_; }
  CMMLDocument& Document() override { return window_.Document(); }
  AppSettings& Settings() override { return window_.Settings(); }
  bool IsPlaying() const override { return window_.Player().IsPlaying(); }
  void InitChannel(int32_t slot) override { window_.InitChannel(slot); }
  PennaEditor* Pane(int32_t slot) override {
    CPennaWnd* pane = window_.Frame()->Editor(slot);
    return pane ? pane->Editor() : nullptr;
  }
  void RefreshCaption() override { window_.UpdateCaption(); }
  void RefreshTab(int32_t) override { window_.RefreshTabs(); }
  void RefreshInstrumentSelector() override { window_.ShowTrackPanel(); }
  bool ConfirmDiscard() override { return window_.Commands().ConfirmDiscard(); }
  std::string SettingsPath() override { return settingsPath_; }
  int SaveSettings() override { return saveSettings_ ? saveSettings_() : -1; }
  bool ReopenOutput() override {
    window_.StopPlayback();
    window_.SetDevice(nullptr);
    window_.Output() = dialogs::OutputSettingsOf(window_.Settings());
    return window_.OpenOutputDevice() == 0;
  }
  bool SynthesizerAvailable() override { return true; }
  CMMLPlayer* Player() override { return &window_.Player(); }
  CFluidSynthDevice* Synthesizer() override {
    return dynamic_cast<CFluidSynthDevice*>(window_.Device());
  }
  void SetMainWindowHidden(bool hidden) override { window_.setVisible(!hidden); }
  bool AssociationExists() override { return IsFileAssociationRegistered(Association()); }
  bool RegisterAssociation() override {
    return RegisterFileAssociation(Association(), true) == AssociationResult::Done;
  }
  bool UnregisterAssociation() override {
    return RemoveFileAssociation(Association()) == AssociationResult::Done;
  }

 private:
  static AssociationEnvironment Association() {
    return AssociationEnvironment::FromProcess(
        QCoreApplication::applicationFilePath().toStdString());
  }

  CMMLPlayerDlg& window_;
  std::string settingsPath_;
  std::function<int()> saveSettings_;
};

// The host and the one find-and-replace window over it. The window is the search window's
// parent but dies after this holder, so the holder deletes it first: it writes its history
// through the host.
struct DialogsOfWindow {
  explicit DialogsOfWindow(std::unique_ptr<WindowDialogHost> h) : host(std::move(h)) {}
  ~DialogsOfWindow() { delete search; }
  dialogs::CMMLTextSearch& Search(QWidget* parent) {
    if (!search) search = new dialogs::CMMLTextSearch(*host, parent);
    return *search;
  }

  std::unique_ptr<WindowDialogHost> host;
  QPointer<dialogs::CMMLTextSearch> search;
};

}  // namespace

void ConnectDialogs(CMMLPlayerDlg& window, std::string settingsPath,
                    std::function<int()> saveSettings) {
  auto kept = std::make_shared<DialogsOfWindow>(std::make_unique<WindowDialogHost>(
      window, std::move(settingsPath), std::move(saveSettings)));
  dialogs::DialogHost* h = kept->host.get();
  DialogsOfWindow* d = kept.get();
  window.KeepAlive(kept);
  WindowHooks& hooks = window.Hooks();
  hooks.find = [d, &window] { d->Search(&window).OpenFind(); };
  hooks.replace = [d, &window] { d->Search(&window).OpenReplace(); };
  hooks.clipboardExport = [h] { dialogs::ShowClipExport(*h); };
  hooks.songProperties = [h] { dialogs::ShowSongProperties(*h); };
  hooks.trackProperties = [h, &window] {
    dialogs::ShowTrackProperties(*h, window.Document().CurrentTrack());
  };
  hooks.configuration = [h] { dialogs::RunConfiguration(*h); };
  hooks.waveExport = [h] { dialogs::WaveExportCommand(*h); };
  hooks.markerCreate = [h](int32_t tick) { dialogs::NewMarkerCommand(*h, tick); };
  hooks.markerEdit = [h](int32_t marker) { dialogs::EditMarkerCommand(*h, marker); };
  hooks.askOpenSettings = dialogs::MakeOutputOpenHooks(*h).askOpenSettings;
  window.Ui().clipImportDialog = [&window](int32_t trackCount)
      -> std::optional<ClipImportChoice> {
    dialogs::CMMLClipImportDlg dialog({trackCount, false, 0}, &window);
    if (dialogs::RunModal(dialog) != QDialog::Accepted) return std::nullopt;
    dialogs::ClipImportOptions picked = dialog.options();
    return ClipImportChoice{picked.append, picked.instrument};
  };
  window.Ui().smfImportDialog = [&window](SmfImportJob& job,
                                          const std::vector<SmfSourceLine>& lines) {
    dialogs::SmfImportDialogOptions options;
    options.fileName = Utf8ToSjisLossy(job.path);
    options.sources = lines;
    options.ticksPerQuarter = job.ticksPerQuarter;
    options.options = job.options;
    dialogs::CMMLSmfImportDlg dialog(options, &window);
    if (dialogs::RunModal(dialog) != QDialog::Accepted) return false;
    dialogs::SmfImportDialogOptions picked = dialog.options();
    job.options = picked.options;
    job.selectedSources = picked.selectedSources;
    job.spreadSource = picked.selectedSources.empty() ? 0 : picked.selectedSources.front();
    return true;
  };
  window.UpdateCommandStates();
}

}  // namespace kore
