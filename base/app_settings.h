#pragma once
// The program's settings as stored in "KORE.ini": every section and key with its default, the
// correction applied after reading and the format used for writing. No windows here: the main
// window copies its live values in before saving and out after loading.
#include <cstdint>
#include <string>
#include <vector>

#include "base/profile_file.h"

namespace kore {

struct WindowPlacementSettings {
  int32_t flags = 0;
  int32_t showCmd = 0;
  int32_t ptMaxPositionX = 0, ptMaxPositionY = 0;
  int32_t ptMinPositionX = 0, ptMinPositionY = 0;
  int32_t left = 0, top = 0, right = 0, bottom = 0;
  friend bool operator==(const WindowPlacementSettings&, const WindowPlacementSettings&) = default;
};

struct AppSettings {
  // "ApplicationData"
  int32_t defaultTimeBase = 32;
  int32_t pianoRollHeight = 200;
  int32_t pianoRollWidth = 200;
  int32_t viewMode = 0;
  std::string editorFontName;  // Shift-JIS
  int32_t editorFontSize = 10;
  int32_t defaultTrackCount = 3;
  int32_t statFrameRate = 30;
  bool autoSave = true;
  bool optClipExport = false;
  bool editPlaySelect = true;
  bool editScroll = false;
  int32_t windowStyle = 0;
  int32_t pianoRollTargetV2 = 0;
  int32_t pianoRollVMag = 10;
  int32_t pianoRollHMag = 48;
  int32_t monitorLeft = 0;
  int32_t monitorTop = 0;
  bool monitorVisible = false;
  // "Window Placement - Main": the defaults are the window's current placement, so reading
  // keeps whatever this holds for a missing key.
  WindowPlacementSettings placement;
  // "MML File Settings"
  bool compatible1900 = false;
  bool compact = true;
  // "Midi Settings"
  int32_t outputDls = 0;
  int32_t porta = -1;
  std::string dlsFilePath;  // Shift-JIS
  int32_t resetType = 1;
  // "DLS Settings"
  int32_t samplingRate = 2;
  int32_t dlsChannel = 1;
  int32_t dlsVolume = 100;
  bool enableReverb = false;
  bool enableChorus = false;
  bool enableDelay = false;
  std::string audioDriver;  // FluidSynth's driver name: "" its default, "silent" no sound card
  // "SMF Import Settings"
  bool smfProgramChange = false;
  bool smfControlChange = false;
  bool smfPitchBend = false;
  bool smfVelocity = false;
  bool smfMidiText = false;
  bool smfSysEx = false;
  bool smfSpreadTrack = false;
  bool smfSpreadControl = false;
  bool smfChannel = false;
  bool smfReduceRest = true;
  int32_t smfQuantizeValue = 32;

  friend bool operator==(const AppSettings&, const AppSettings&) = default;
};

// Reads the keys read at program start ("ApplicationData" up to Window_Style, "Midi Settings",
// "DLS Settings", "MML File Settings", "SMF Import Settings") and applies their checks.
void LoadSettings(CProfileFile& file, AppSettings& settings);
// Reads the keys read when the main window is built: the piano-roll target and zoom, the
// monitor window and the window placement.
void LoadWindowSettings(CProfileFile& file, AppSettings& settings);
// Both of the above.
void LoadAllSettings(CProfileFile& file, AppSettings& settings);
// Writes every key of every section except "Recent File List" and "Search History" (after
// forcing an unusable DefaultTimeBase to 32) and flushes the file. 0, or -1 when it could not
// be written.
int SaveSettings(CProfileFile& file, AppSettings& settings);

// First-start rule: when the game's folder is known and its "mp3/Tonewell.dls" exists, the
// synthesizer uses that bank.
void ApplyFirstStartDls(AppSettings& settings, const std::string& gameFolder);

// The checks of the settings tables, applied to values however they were obtained.
void ApplySettingChecks(AppSettings& settings);

// "Recent File List": up to 10 paths, newest first, under "File1" to "File10".
constexpr size_t kRecentFileCount = 10;
std::vector<std::string> ReadRecentFileList(CProfileFile& file);
void WriteRecentFileList(CProfileFile& file, const std::vector<std::string>& paths);
// Puts `path` at the top, removing an equal entry and anything past the tenth.
void AddRecentFile(std::vector<std::string>& paths, const std::string& path);

// "Search History": search and replacement strings, most recent first.
struct SearchHistory {
  std::vector<std::string> searchKeys;
  std::vector<std::string> replaceKeys;
  friend bool operator==(const SearchHistory&, const SearchHistory&) = default;
};
SearchHistory ReadSearchHistory(CProfileFile& file);
void WriteSearchHistory(CProfileFile& file, const SearchHistory& history);
// Moves (or adds) a non-empty string to the front of a history list without duplicates.
void RememberString(std::vector<std::string>& list, const std::string& text);

// Where the program keeps its files. Portable mode: when a "KORE.ini" already stands beside the
// program, it and "autosave/" are used there. Otherwise "KORE.ini" is in $XDG_CONFIG_HOME/kore
// (default ~/.config/kore) and "autosave/" in $XDG_DATA_HOME/kore (default ~/.local/share/kore);
// a relative XDG value is ignored, as the XDG rules say. A build or install folder is never
// written to unasked. Inputs are injectable for tests.
struct SettingsEnvironment {
  std::string programFolder;  // folder of the executable
  std::string xdgConfigHome;  // value of $XDG_CONFIG_HOME, empty when unset
  std::string home;           // value of $HOME
  std::string xdgDataHome;    // value of $XDG_DATA_HOME, empty when unset
  static SettingsEnvironment FromProcess();
};
std::string SettingsFilePath(const SettingsEnvironment& env);
// The folder the main window writes its automatic backups to (no trailing slash); the caller
// creates it (EnsureParentFolder on a file inside it) before writing.
std::string AutosaveFolder(const SettingsEnvironment& env);
// Creates the folder that holds `filePath` (and its parents); 0 or -1.
int EnsureParentFolder(const std::string& filePath);

}  // namespace kore
