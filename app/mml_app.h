#pragma once
// The program's start-up and shutdown: Qt's Japanese texts, the editor control library, the
// settings file with its first-start rule, the main window, the song named on the command line
// and, last, the output device; at the end the settings and the recent-file list are written.
//
// User-interface thread. Paths are UTF-8.
#include "base/app_settings.h"
#include "base/profile_file.h"

#include <functional>
#include <memory>
#include <string>

class QCoreApplication;

namespace kore {

class CMMLPlayerDlg;

// Loads Qt's own Japanese translation (standard buttons, file dialogs); false when missing.
bool InstallQtTranslation(QCoreApplication& app);

class CMMLApp {
 public:
  explicit CMMLApp(SettingsEnvironment environment);
  ~CMMLApp();

  // Everything up to the device: settings, window, empty song, `path` (relative to the
  // directory the program was started in). False when the settings cannot be placed.
  bool Start(const std::string& path);
  // Opens the output device (the window's boxes); tests replace it.
  std::function<int(CMMLPlayerDlg&)> openDevice;
  int OpenDevice();

  CMMLPlayerDlg* Window() const { return window_.get(); }
  AppSettings& Settings() { return settings_; }
  const std::string& SettingsPath() const { return settingsPath_; }
  // Writes every setting and the recent-file list.
  void SaveAll();

 private:
  SettingsEnvironment environment_;
  std::string settingsPath_;
  AppSettings settings_;
  std::unique_ptr<CMMLPlayerDlg> window_;
};

}  // namespace kore
