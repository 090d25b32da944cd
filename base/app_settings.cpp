#include "base/app_settings.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <variant>

#include "base/setting_keys.h"

namespace kore {
namespace {

constexpr const char* kRecentFiles = "Recent File List";
constexpr const char* kSearchHistory = "Search History";

template <typename... F>
struct Overloaded : F... {
  using F::operator()...;
};
template <typename... F>
Overloaded(F...) -> Overloaded<F...>;

// Reads the keys loaded at `when`; a missing key keeps the AppSettings default, a placement key
// the placement held now.
void LoadKeys(CProfileFile& f, AppSettings& s, SettingLoad when) {
  const AppSettings d;
  for (const SettingKey& k : SettingKeys()) {
    if (k.load != when) continue;
    f.SetSection(k.section);
    std::visit(Overloaded{
                   [&](int32_t AppSettings::*m) { s.*m = f.ReadInt(k.key, d.*m); },
                   [&](bool AppSettings::*m) { s.*m = f.ReadBool(k.key, d.*m); },
                   [&](std::string AppSettings::*m) { s.*m = f.ReadString(k.key, d.*m); },
                   [&](int32_t WindowPlacementSettings::*m) {
                     s.placement.*m = f.ReadInt(k.key, s.placement.*m);
                   },
               },
               k.field);
  }
}

void WriteKey(CProfileFile& f, const SettingKey& k, int32_t value) {
  if (k.format == SettingFormat::Unsigned) {
    f.WriteUnsigned(k.key, value);
  } else {
    f.WriteInt(k.key, value);
  }
}

void CheckValue(const SettingKey* k, int32_t& value) {
  if (k && k->check && !k->check->Accepts(value)) value = k->check->fallback;
}

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
  for (const SettingKey& k : SettingKeys()) {
    if (!k.check) continue;
    if (auto* m = std::get_if<int32_t AppSettings::*>(&k.field)) CheckValue(&k, s.**m);
  }
  if (s.outputDls == 3) s.samplingRate = 2;
}

void LoadSettings(CProfileFile& f, AppSettings& s) {
  LoadKeys(f, s, SettingLoad::AtStart);
  ApplySettingChecks(s);
}

void LoadWindowSettings(CProfileFile& f, AppSettings& s) {
  LoadKeys(f, s, SettingLoad::WithWindow);
  ApplySettingChecks(s);
}

void LoadAllSettings(CProfileFile& file, AppSettings& settings) {
  LoadSettings(file, settings);
  LoadWindowSettings(file, settings);
}

int SaveSettings(CProfileFile& f, AppSettings& s) {
  CheckValue(FindSettingKey(&AppSettings::defaultTimeBase), s.defaultTimeBase);
  for (const SettingKey& k : SettingKeys()) {
    f.SetSection(k.section);
    std::visit(Overloaded{
                   [&](int32_t AppSettings::*m) { WriteKey(f, k, s.*m); },
                   [&](bool AppSettings::*m) { f.WriteBool(k.key, s.*m); },
                   [&](std::string AppSettings::*m) { f.WriteString(k.key, s.*m); },
                   [&](int32_t WindowPlacementSettings::*m) { WriteKey(f, k, s.placement.*m); },
               },
               k.field);
  }
  f.SetSection("ApplicationData");
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
  if (const char* v = std::getenv("XDG_DATA_HOME")) env.xdgDataHome = v;
  if (const char* v = std::getenv("HOME")) env.home = v;
  return env;
}

namespace {

bool PortableMode(const SettingsEnvironment& env) {
  if (env.programFolder.empty()) return false;
  struct stat st {};
  std::string beside = env.programFolder + "/KORE.ini";
  return stat(beside.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

// $<variable>/kore, or ~/<fallback>/kore when the variable is unset or relative.
std::string XdgFolder(const std::string& variable, const std::string& home,
                      const char* fallback) {
  if (!variable.empty() && variable.front() == '/') return variable + "/kore";
  std::string folder = home.empty() ? std::string(".") : home;
  folder += fallback;
  folder += "/kore";
  return folder;
}

}  // namespace

std::string SettingsFilePath(const SettingsEnvironment& env) {
  if (PortableMode(env)) return env.programFolder + "/KORE.ini";
  return XdgFolder(env.xdgConfigHome, env.home, "/.config") + "/KORE.ini";
}

std::string AutosaveFolder(const SettingsEnvironment& env) {
  if (PortableMode(env)) return env.programFolder + "/autosave";
  return XdgFolder(env.xdgDataHome, env.home, "/.local/share") + "/autosave";
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
