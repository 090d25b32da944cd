#pragma once
// The program's main window: owns the song, the player, the output device, the editing frame
// and the view panes; builds the menus, tool bar, track panel, tabs, splitter and status bar;
// routes every command to its flow and keeps command states, caption and status in step.
//
// User-interface thread. The player's notifications arrive through PlayerBridge.
// Core headers come before Qt's: a core field named `slots` must not meet Qt's keyword macro.
#include "app/command_actions.h"
#include "app/document_commands.h"
#include "app/qt_document_ui.h"
#include "base/app_settings.h"
#include "playback/mml_player.h"
#include "playback/output_setup.h"
#include "playback/serialized_midi_device.h"
#include "song/song_document.h"
#include "views/document_bridge.h"
#include "views/player_bridge.h"

#include <QMainWindow>
#include <QTimer>
#include <array>
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

class QLabel;
class QSplitter;
class QTabBar;

namespace kore {

class CPennaFrame;
class CPennaWnd;
class TrackPanel;
class TrackPanes;
class WindowViews;

// Windows of other parts of the program, reached through these; a command whose hook is empty
// stays disabled.
struct WindowHooks {
  std::function<void()> clipboardExport, waveExport, songProperties, trackProperties, find,
      replace, configuration;
  std::function<void(int32_t tick)> markerCreate;
  std::function<void(int32_t marker)> markerEdit;
  // Replace the window's own flows when set.
  std::function<void()> clipboardImport, smfImport;
  // Asked when the device cannot be opened; true (Yes) would show the configuration sheet.
  std::function<bool(const std::string& message, const std::string& caption, OutputSettings&)>
      askOpenSettings;
};

class CMMLPlayerDlg : public QMainWindow {
  Q_OBJECT

 public:
  // Property naming a running instance (X11 window property and Qt dynamic property); its value
  // is the packed program version.
  static constexpr const char* kInstanceMarker = "KOREV1-{6D3B1E52-8C4A-4F0B-9E27-5A1C0D7E4B93}";

  // Without a clock the player uses the system's steady clock.
  CMMLPlayerDlg(AppSettings& settings, std::vector<std::string> recentFiles,
                PlayerClock* clock = nullptr, QWidget* parent = nullptr);
  ~CMMLPlayerDlg() override;

  // --- start-up and shutdown steps (CMMLApp calls them in order) ---------------------------
  // The empty song, the views and the caption; `firstStart` writes nothing here.
  void BuildEmptySong();
  // Opens PATH as a song; on failure the stop box "ファイルのオープンに失敗しました".
  bool OpenCommandLinePath(const std::string& path);
  // Opens the output device with its waiting and failure boxes; returns OpenOutput's code.
  int OpenOutputDevice();
  // The window's live values copied into the settings (splitter, placement).
  void StoreWindowSettings();
  void ApplyWindowSettings();

  // --- what tests and other windows use ------------------------------------------------------
  CMMLDocument& Document() { return document_; }
  AppSettings& Settings() { return settings_; }
  CMMLPlayer& Player() { return player_; }
  DocumentCommands& Commands() { return commands_; }
  CommandActions& Actions() { return *actions_; }
  CPennaFrame* Frame() const { return frame_; }
  CPennaWnd* CurrentPane() const;
  QTabBar* Tabs() const { return tabs_; }
  WindowHooks& Hooks() { return hooks_; }
  QtDocumentUi& Ui() { return ui_; }
  const std::array<QLabel*, 4>& StatusParts() const { return status_; }
  WindowViews& Views() const { return *views_; }
  QWidget* EventListArea() const;
  // Where backup copies go (empty: none are made).
  void SetAutosaveFolder(std::string folder) { autosaveFolder_ = std::move(folder); }
  // The open output device; tests give a recording device. The player and the channel set-up
  // both send through one CSerializedMidiDevice over it, never at the same time.
  void SetDevice(std::unique_ptr<CMidiDevice> device);
  CMidiDevice* Device() const { return device_.get(); }
  CMidiDevice* SharedDevice() const { return sharedDevice_.get(); }
  // Program, volume and pan of a slot sent to the device; safe while a song plays.
  void InitChannel(int32_t slot);
  OutputSettings& Output() { return output_; }

  // Runs a command as the menu would (`viaShortcut` false) or as its key would.
  void RunCommand(Cmd id, bool viaShortcut);
  // Answers a time-base change: 1 outside 1..960, 2 while playing, else 0 after the change.
  int ChangeTimeBase(int32_t ticksPerQuarter);
  void SetViewMode(int32_t mode);
  // Stops playback and runs the after-stop clean-up when the player was playing. While it waits
  // for the player, user input waits too: commands arriving then run after it.
  void StopPlayback();
  // Shutdown with the save prompt; false when the user cancelled.
  bool Shutdown();
  void UpdateCaption();
  void UpdateStatus();
  void UpdateCommandStates();
  // Instrument list and MUTE of the current track, and the tab texts.
  void ShowTrackPanel();
  void RefreshTabs();
  // A marker command of the piano roll's ruler menu: the clicked tick (create) or the 1-based
  // marker number (edit, delete). Runs as a menu command; ignored while playing.
  void MarkerCommand(Cmd id, int32_t value);
  // Keeps an object (the dialogs' host) alive as long as the window.
  void KeepAlive(std::shared_ptr<void> object) { keptAlive_.push_back(std::move(object)); }
  // A file dropped on the window or a pane.
  void DropFile(const std::string& path);
  // Caption with Qt's "[*]" placeholder escaped.
  static QString WindowTitleText(const std::string& caption);
  // The about box texts.
  static QString AboutText();

  // The shutdown hook of CMMLApp: settings and recent list written.
  std::function<void()> onShutdown;

 protected:
  bool event(QEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  void showEvent(QShowEvent* event) override;
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dropEvent(QDropEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void BuildWidgets();
  void ConnectPlayer();
  void OnPlayingChanged(bool playing);
  void Autosave();
  void ApplyHooksAvailability();
  void EditCommand(Cmd id);
  void TransportCommand(Cmd id);
  void AddTrack();
  void DeleteTrack();
  void ShowAbout();
  int32_t CaretRecordTick() const;
  void RecentChosen(int index);
  void CopyViewSizes();
  void ApplyViewSizes();

  AppSettings& settings_;
  CMMLDocument document_;
  DocumentBridge documentBridge_;
  CMMLPlayer player_;
  PlayerBridge playerBridge_;
  std::unique_ptr<CMidiDevice> device_;
  std::unique_ptr<CSerializedMidiDevice> sharedDevice_;
  OutputSettings output_;
  QtDocumentUi ui_;
  DocumentCommands commands_;
  WindowHooks hooks_;
  std::string autosaveFolder_;

  CommandActions* actions_ = nullptr;
  WindowViews* views_ = nullptr;
  TrackPanes* panes_ = nullptr;
  CPennaFrame* frame_ = nullptr;
  QTabBar* tabs_ = nullptr;
  QSplitter* viewSplitter_ = nullptr;
  QSplitter* outerSplitter_ = nullptr;
  QWidget* editorArea_ = nullptr;
  TrackPanel* panel_ = nullptr;
  std::array<QLabel*, 4> status_{};
  QTimer frameTimer_;
  int32_t viewMode_ = 0;
  int32_t markerTick_ = 0;
  int32_t markerNumber_ = 0;
  bool shutDown_ = false;
  // While StopPlayback waits: commands that arrive then, run after it.
  bool stopping_ = false;
  std::vector<std::pair<Cmd, bool>> deferred_;
  std::vector<std::shared_ptr<void>> keptAlive_;
};

}  // namespace kore
