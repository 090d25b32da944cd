#include "base/app_settings.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>

namespace kore {
namespace {

constexpr const char* kApplicationData = "ApplicationData";
constexpr const char* kPlacement = "Window Placement - Main";
constexpr const char* kMmlFile = "MML File Settings";
constexpr const char* kMidi = "Midi Settings";
constexpr const char* kDls = "DLS Settings";
constexpr const char* kSmfImport = "SMF Import Settings";
constexpr const char* kRecentFiles = "Recent File List";
constexpr const char* kSearchHistory = "Search History";

bool IsValidTimeBase(int32_t v) { return v == 32 || v == 480 || v == 960; }

// "<name><number>" or "<name>[<number>]"; built by appending (GCC 12 misreports chains of +).
std::string NumberedKey(const std::string& name, size_t number, bool bracketed) {
  std::string key = name;
  key += bracketed ? "[" : "";
  key += std::to_string(number);
  key += bracketed ? "]" : "";
  return key;
}

std::string CountKey(const std::string& name) {
  std::string key = name;
  key += "Count";
  return key;
}

}  // namespace

void ApplySettingChecks(AppSettings& s) {
  if (!IsValidTimeBase(s.defaultTimeBase)) s.defaultTimeBase = 32;
  // Heights, sizes and the view mode are compared as signed numbers, so that a hand-written
  // negative value cannot turn into a huge pane or font.
  if (s.pianoRollHeight < 1) s.pianoRollHeight = 1;
  if (s.pianoRollWidth < 1) s.pianoRollWidth = 1;
  if (s.viewMode < 0 || s.viewMode > 2) s.viewMode = 0;
  if (s.editorFontSize < 1) s.editorFontSize = 10;
  if (s.defaultTrackCount < 1 || s.defaultTrackCount > 15) s.defaultTrackCount = 3;
  if (s.statFrameRate != 30 && s.statFrameRate != 60) s.statFrameRate = 30;
  if (s.windowStyle < 0 || s.windowStyle > 1) s.windowStyle = 0;
  if (s.pianoRollTargetV2 != 1 && s.pianoRollTargetV2 != 2) s.pianoRollTargetV2 = 0;
  if (s.outputDls < 0 || s.outputDls > 3) s.outputDls = 0;
  if (s.resetType < 0 || s.resetType > 5) s.resetType = 1;
  if (s.samplingRate < 0 || s.samplingRate > 3) s.samplingRate = 2;
  if (s.outputDls == 3) s.samplingRate = 2;
  if (s.dlsChannel < 0 || s.dlsChannel > 1) s.dlsChannel = 1;
  if (s.dlsVolume < 0 || s.dlsVolume > 100) s.dlsVolume = 100;
  int32_t q = s.smfQuantizeValue;
  if (q != 4 && q != 8 && q != 16 && q != 32 && q != 64) s.smfQuantizeValue = 32;
}

void LoadSettings(CProfileFile& f, AppSettings& s) {
  const AppSettings d;
  f.SetSection(kApplicationData);
  s.defaultTimeBase = f.ReadInt("DefaultTimeBase", d.defaultTimeBase);
  s.pianoRollHeight = f.ReadUnsigned("PianoRollHeight", d.pianoRollHeight);
  s.pianoRollWidth = f.ReadUnsigned("PianoRollWidth", d.pianoRollWidth);
  s.viewMode = f.ReadUnsigned("ViewMode", d.viewMode);
  s.editorFontName = f.ReadString("EditorFontName", d.editorFontName);
  s.editorFontSize = f.ReadUnsigned("EditorFontSize", d.editorFontSize);
  s.defaultTrackCount = f.ReadInt("DefaultTrackCount", d.defaultTrackCount);
  s.statFrameRate = f.ReadInt("StatFrameRate", d.statFrameRate);
  s.autoSave = f.ReadBool("AutoSave", d.autoSave);
  s.optClipExport = f.ReadBool("OptClipExport", d.optClipExport);
  s.editPlaySelect = f.ReadBool("EditPlaySelect", d.editPlaySelect);
  s.editScroll = f.ReadBool("EditScroll", d.editScroll);
  s.windowStyle = f.ReadInt("Window_Style", d.windowStyle);

  f.SetSection(kMidi);
  s.outputDls = f.ReadInt("OutputDLS", d.outputDls);
  s.porta = f.ReadUnsigned("PORTA", d.porta);
  s.dlsFilePath = f.ReadString("DLSFilePath", d.dlsFilePath);
  s.resetType = f.ReadInt("ResetType", d.resetType);

  f.SetSection(kDls);
  s.samplingRate = f.ReadInt("SamplingRate", d.samplingRate);
  s.dlsChannel = f.ReadInt("Channel", d.dlsChannel);
  s.dlsVolume = f.ReadInt("Volume", d.dlsVolume);
  s.enableReverb = f.ReadBool("EnableReverb", d.enableReverb);
  s.enableChorus = f.ReadBool("EnableChorus", d.enableChorus);
  s.enableDelay = f.ReadBool("EnableDelay", d.enableDelay);

  f.SetSection(kMmlFile);
  s.compatible1900 = f.ReadBool("Compatible1900", d.compatible1900);
  s.compact = f.ReadBool("Compact", d.compact);

  f.SetSection(kSmfImport);
  s.smfProgramChange = f.ReadBool("ProgramChange", d.smfProgramChange);
  s.smfControlChange = f.ReadBool("ControlChange", d.smfControlChange);
  s.smfPitchBend = f.ReadBool("PitchBend", d.smfPitchBend);
  s.smfVelocity = f.ReadBool("Velocity", d.smfVelocity);
  s.smfMidiText = f.ReadBool("MidiText", d.smfMidiText);
  s.smfSysEx = f.ReadBool("SysEx", d.smfSysEx);
  s.smfSpreadTrack = f.ReadBool("SpreadTrack", d.smfSpreadTrack);
  s.smfSpreadControl = f.ReadBool("SpreadControl", d.smfSpreadControl);
  s.smfChannel = f.ReadBool("Channel", d.smfChannel);
  s.smfReduceRest = f.ReadBool("ReduceRest", d.smfReduceRest);
  s.smfQuantizeValue = f.ReadInt("QuantizeValue", d.smfQuantizeValue);

  ApplySettingChecks(s);
}

void LoadWindowSettings(CProfileFile& f, AppSettings& s) {
  const AppSettings d;
  f.SetSection(kApplicationData);
  s.pianoRollTargetV2 = f.ReadInt("PianoRollTargetV2", d.pianoRollTargetV2);
  s.pianoRollVMag = f.ReadInt("PianoRollVMag", d.pianoRollVMag);
  s.pianoRollHMag = f.ReadInt("PianoRollHMag", d.pianoRollHMag);
  s.monitorLeft = f.ReadInt("Monitor_Left", d.monitorLeft);
  s.monitorTop = f.ReadInt("Monitor_Top", d.monitorTop);
  s.monitorVisible = f.ReadBool("Monitor_Visible", d.monitorVisible);

  f.SetSection(kPlacement);
  WindowPlacementSettings& p = s.placement;
  p.showCmd = f.ReadUnsigned("showCmd", p.showCmd);
  p.ptMaxPositionX = f.ReadInt("ptMaxPosition_x", p.ptMaxPositionX);
  p.ptMaxPositionY = f.ReadInt("ptMaxPosition_y", p.ptMaxPositionY);
  p.ptMinPositionX = f.ReadInt("ptMinPosition_x", p.ptMinPositionX);
  p.ptMinPositionY = f.ReadInt("ptMinPosition_y", p.ptMinPositionY);
  p.left = f.ReadInt("left", p.left);
  p.top = f.ReadInt("top", p.top);
  p.right = f.ReadInt("right", p.right);
  p.bottom = f.ReadInt("bottom", p.bottom);

  ApplySettingChecks(s);
}

void LoadAllSettings(CProfileFile& file, AppSettings& settings) {
  LoadSettings(file, settings);
  LoadWindowSettings(file, settings);
}

int SaveSettings(CProfileFile& f, AppSettings& s) {
  if (!IsValidTimeBase(s.defaultTimeBase)) s.defaultTimeBase = 32;

  f.SetSection(kApplicationData);
  f.WriteInt("DefaultTimeBase", s.defaultTimeBase);
  f.WriteInt("PianoRollHeight", s.pianoRollHeight);
  f.WriteInt("PianoRollWidth", s.pianoRollWidth);
  f.WriteUnsigned("ViewMode", s.viewMode);
  f.WriteString("EditorFontName", s.editorFontName);
  f.WriteUnsigned("EditorFontSize", s.editorFontSize);
  f.WriteUnsigned("DefaultTrackCount", s.defaultTrackCount);
  f.WriteUnsigned("StatFrameRate", s.statFrameRate);
  f.WriteBool("AutoSave", s.autoSave);
  f.WriteBool("OptClipExport", s.optClipExport);
  f.WriteBool("EditPlaySelect", s.editPlaySelect);
  f.WriteBool("EditScroll", s.editScroll);
  f.WriteInt("Window_Style", s.windowStyle);
  f.WriteInt("PianoRollTargetV2", s.pianoRollTargetV2);
  f.WriteInt("PianoRollVMag", s.pianoRollVMag);
  f.WriteInt("PianoRollHMag", s.pianoRollHMag);
  f.WriteInt("Monitor_Left", s.monitorLeft);
  f.WriteInt("Monitor_Top", s.monitorTop);
  f.WriteBool("Monitor_Visible", s.monitorVisible);

  f.SetSection(kPlacement);
  const WindowPlacementSettings& p = s.placement;
  f.WriteUnsigned("flags", p.flags);
  f.WriteUnsigned("showCmd", p.showCmd);
  f.WriteInt("ptMaxPosition_x", p.ptMaxPositionX);
  f.WriteInt("ptMaxPosition_y", p.ptMaxPositionY);
  f.WriteInt("ptMinPosition_x", p.ptMinPositionX);
  f.WriteInt("ptMinPosition_y", p.ptMinPositionY);
  f.WriteInt("left", p.left);
  f.WriteInt("top", p.top);
  f.WriteInt("right", p.right);
  f.WriteInt("bottom", p.bottom);

  f.SetSection(kMmlFile);
  f.WriteBool("Compatible1900", s.compatible1900);
  f.WriteBool("Compact", s.compact);

  f.SetSection(kMidi);
  f.WriteInt("OutputDLS", s.outputDls);
  f.WriteUnsigned("PORTA", s.porta);
  f.WriteString("DLSFilePath", s.dlsFilePath);
  f.WriteInt("ResetType", s.resetType);

  f.SetSection(kDls);
  f.WriteInt("SamplingRate", s.samplingRate);
  f.WriteInt("Channel", s.dlsChannel);
  f.WriteInt("Volume", s.dlsVolume);
  f.WriteBool("EnableReverb", s.enableReverb);
  f.WriteBool("EnableChorus", s.enableChorus);
  f.WriteBool("EnableDelay", s.enableDelay);

  f.SetSection(kSmfImport);
  f.WriteBool("ProgramChange", s.smfProgramChange);
  f.WriteBool("ControlChange", s.smfControlChange);
  f.WriteBool("PitchBend", s.smfPitchBend);
  f.WriteBool("Velocity", s.smfVelocity);
  f.WriteBool("MidiText", s.smfMidiText);
  f.WriteBool("SysEx", s.smfSysEx);
  f.WriteBool("SpreadTrack", s.smfSpreadTrack);
  f.WriteBool("SpreadControl", s.smfSpreadControl);
  f.WriteBool("Channel", s.smfChannel);
  f.WriteBool("ReduceRest", s.smfReduceRest);
  f.WriteInt("QuantizeValue", s.smfQuantizeValue);

  f.SetSection(kApplicationData);
  if (EnsureParentFolder(f.Path()) != 0) return -1;
  return f.Flush();
}

void ApplyFirstStartDls(AppSettings& settings, const std::string& gameFolder) {
  if (gameFolder.empty()) return;
  std::string bank = gameFolder;
  if (bank.back() != '/') bank += '/';
  bank += "mp3/Tonewell.dls";
  struct stat st {};
  if (stat(bank.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return;
  settings.outputDls = 1;
  settings.dlsFilePath = bank;
}

std::vector<std::string> ReadRecentFileList(CProfileFile& f) {
  f.SetSection(kRecentFiles);
  std::vector<std::string> paths;
  for (size_t i = 1; i <= kRecentFileCount; ++i) {
    std::string path = f.ReadString(NumberedKey("File", i, false), "");
    if (!path.empty()) paths.push_back(std::move(path));
  }
  return paths;
}

void WriteRecentFileList(CProfileFile& f, const std::vector<std::string>& paths) {
  f.SetSection(kRecentFiles);
  f.ClearSection();
  for (size_t i = 0; i < paths.size() && i < kRecentFileCount; ++i) {
    f.WriteString(NumberedKey("File", i + 1, false), paths[i]);
  }
}

void AddRecentFile(std::vector<std::string>& paths, const std::string& path) {
  if (path.empty()) return;
  paths.erase(std::remove(paths.begin(), paths.end(), path), paths.end());
  paths.insert(paths.begin(), path);
  if (paths.size() > kRecentFileCount) paths.resize(kRecentFileCount);
}

SearchHistory ReadSearchHistory(CProfileFile& f) {
  f.SetSection(kSearchHistory);
  SearchHistory history;
  auto readList = [&f](const std::string& name, std::vector<std::string>& list) {
    int32_t count = f.ReadInt(CountKey(name), 0);
    for (int32_t i = 0; i < count; ++i) {
      std::string key = NumberedKey(name, static_cast<size_t>(i), true);
      // A hand-edited count larger than the entries present stops at the first missing one.
      if (!f.HasKey(key)) break;
      std::string value = f.ReadString(key, "");
      if (!value.empty()) list.push_back(std::move(value));
    }
  };
  readList("SearchKey", history.searchKeys);
  readList("ReplaceKey", history.replaceKeys);
  return history;
}

void WriteSearchHistory(CProfileFile& f, const SearchHistory& history) {
  f.SetSection(kSearchHistory);
  auto writeList = [&f](const std::string& name, const std::vector<std::string>& list) {
    f.WriteInt(CountKey(name), static_cast<int32_t>(list.size()));
    for (size_t i = 0; i < list.size(); ++i) {
      f.WriteString(NumberedKey(name, i, true), list[i]);
    }
  };
  writeList("SearchKey", history.searchKeys);
  writeList("ReplaceKey", history.replaceKeys);
}

void RememberString(std::vector<std::string>& list, const std::string& text) {
  if (text.empty()) return;
  list.erase(std::remove(list.begin(), list.end(), text), list.end());
  list.insert(list.begin(), text);
}

SettingsEnvironment SettingsEnvironment::FromProcess() {
  SettingsEnvironment env;
  char buffer[4096];
  ssize_t n = readlink("/proc/self/exe", buffer, sizeof buffer - 1);
  if (n > 0) {
    std::string exe(buffer, static_cast<size_t>(n));
    size_t slash = exe.rfind('/');
    if (slash == std::string::npos) {
      env.programFolder = std::string(1, '.');
    } else {
      env.programFolder = exe.substr(0, slash == 0 ? 1 : slash);
    }
  }
  if (const char* v = std::getenv("XDG_CONFIG_HOME")) env.xdgConfigHome = v;
  if (const char* v = std::getenv("HOME")) env.home = v;
  return env;
}

std::string SettingsFilePath(const SettingsEnvironment& env) {
  std::string path;
  if (!env.programFolder.empty() && access(env.programFolder.c_str(), W_OK) == 0) {
    path = env.programFolder;
    path += "/KORE.ini";
  } else if (!env.xdgConfigHome.empty() && env.xdgConfigHome.front() == '/') {
    // The XDG rules ignore a relative $XDG_CONFIG_HOME.
    path = env.xdgConfigHome;
    path += "/kore/KORE.ini";
  } else {
    path = env.home.empty() ? std::string(".") : env.home;
    path += "/.config/kore/KORE.ini";
  }
  return path;
}

int EnsureParentFolder(const std::string& filePath) {
  size_t slash = filePath.rfind('/');
  if (slash == std::string::npos || slash == 0) return 0;
  std::string folder = filePath.substr(0, slash);
  for (size_t pos = 1; pos <= folder.size(); ++pos) {
    if (pos != folder.size() && folder[pos] != '/') continue;
    std::string part = folder.substr(0, pos);
    if (mkdir(part.c_str(), 0755) != 0 && errno != EEXIST) return -1;
  }
  struct stat st {};
  return (stat(folder.c_str(), &st) == 0 && S_ISDIR(st.st_mode)) ? 0 : -1;
}

}  // namespace kore
