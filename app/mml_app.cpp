#include "app/mml_app.h"

#include "app/dialogs/config_commands.h"
#include "app/player_dlg.h"
#include "app/window_dialogs.h"
#include "editor/penna.h"
#include "playback/game_folder.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QTranslator>
#include <cstdlib>
#include <filesystem>

namespace kore {

bool InstallQtTranslation(QCoreApplication& app) {
  auto* translator = new QTranslator(&app);
  if (!translator->load(QLocale(QLocale::Japanese, QLocale::Japan), "qtbase", "_",
                        QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
    delete translator;
    return false;
  }
  return app.installTranslator(translator);
}

CMMLApp::CMMLApp(SettingsEnvironment environment) : environment_(std::move(environment)) {
  openDevice = [](CMMLPlayerDlg& window) { return window.OpenOutputDevice(); };
}

CMMLApp::~CMMLApp() { window_.reset(); }

bool CMMLApp::Start(const std::string& path) {
  // The song named on the command line is relative to where the program was started.
  std::string songPath;
  if (!path.empty()) {
    std::error_code ec;
    songPath = std::filesystem::absolute(path, ec).lexically_normal().string();
    if (ec) songPath = path;
  }
  static const bool started = PennaStart(nullptr) != 0;
  if (!started) return false;

  settingsPath_ = SettingsFilePath(environment_);
  CProfileFile file(settingsPath_);
  const bool firstStart = !file.Existed();
  LoadSettings(file, settings_);
  if (firstStart) {
    std::string gameFolder;
    if (FindGameFolder(gameFolder) == 0) ApplyFirstStartDls(settings_, gameFolder);
  }

  window_ = std::make_unique<CMMLPlayerDlg>(settings_, ReadRecentFileList(file));
  // The settings hold the bank path in Shift-JIS; the device wants a file-system path.
  window_->Output() = dialogs::OutputSettingsOf(settings_);
  window_->SetAutosaveFolder(AutosaveFolder(environment_));
  LoadWindowSettings(file, settings_);
  window_->ApplyWindowSettings();
  window_->BuildEmptySong();
  window_->onShutdown = [this] { SaveAll(); };
  ConnectDialogs(*window_, settingsPath_, [this] {
    SaveAll();
    return 0;
  });
  if (firstStart) SaveAll();
  if (!songPath.empty()) window_->OpenCommandLinePath(songPath);
  return true;
}

int CMMLApp::OpenDevice() { return window_ ? openDevice(*window_) : 1; }

void CMMLApp::SaveAll() {
  if (window_) window_->StoreWindowSettings();
  EnsureParentFolder(settingsPath_);
  CProfileFile file(settingsPath_);
  SaveSettings(file, settings_);
  if (window_) WriteRecentFileList(file, window_->Commands().RecentFiles());
  file.Flush();
}

}  // namespace kore
