#include "playback/game_folder.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <optional>

namespace kore {
namespace {

namespace fs = std::filesystem;

constexpr const char* kGameKey = "software\\\\harrow\\\\elvara";
// A registry file is small; refuse to read anything absurdly large.
constexpr std::uintmax_t kMaxRegistryBytes = 256u << 20;

std::string Lower(std::string s) {
  std::transform(s.begin(), s.end(), s.begin(), [](unsigned char c) { return std::tolower(c); });
  return s;
}

// Decodes a quoted registry string starting at `pos` (at the opening quote).
std::optional<std::string> ParseQuoted(const std::string& line, size_t pos) {
  if (pos >= line.size() || line[pos] != '"') return std::nullopt;
  std::string out;
  for (size_t i = pos + 1; i < line.size(); ++i) {
    char c = line[i];
    if (c == '"') return out;
    if (c == '\\' && i + 1 < line.size()) {
      char e = line[++i];
      if (e == 'n') {
        out += '\n';
      } else if (e == 'x') {
        // \xHHHH: a UTF-16 code unit; the paths we need are ASCII, keep others as '?'.
        size_t j = i + 1;
        unsigned value = 0;
        while (j < line.size() && j < i + 5 && std::isxdigit(static_cast<unsigned char>(line[j]))) {
          const char h = static_cast<char>(std::tolower(static_cast<unsigned char>(line[j])));
          value = value * 16 + static_cast<unsigned>(h <= '9' ? h - '0' : h - 'a' + 10);
          ++j;
        }
        out += value < 0x80 ? static_cast<char>(value) : '?';
        i = j - 1;
      } else {
        out += e;
      }
    } else {
      out += c;
    }
  }
  return std::nullopt;
}

std::string TrimFolder(std::string s) {
  while (!s.empty() && (s.back() == ' ' || s.back() == '\\')) s.pop_back();
  return s;
}

// "C:\Games\Elvara" -> <prefix>/dosdevices/c:/Games/Elvara (or drive_c for C: when the
// dosdevices link is missing).
std::string WindowsToUnix(const std::string& prefix, const std::string& windowsPath) {
  if (windowsPath.size() < 2 || windowsPath[1] != ':') return {};
  const char drive = static_cast<char>(std::tolower(static_cast<unsigned char>(windowsPath[0])));
  fs::path base = fs::path(prefix) / "dosdevices" / (std::string(1, drive) + ":");
  std::error_code ec;
  if (!fs::exists(base, ec) && drive == 'c') base = fs::path(prefix) / "drive_c";
  std::string rest = windowsPath.substr(2);
  std::replace(rest.begin(), rest.end(), '\\', '/');
  while (!rest.empty() && rest.front() == '/') rest.erase(rest.begin());
  return (base / rest).string();
}

}  // namespace

const std::vector<std::string>& GameFileNames() {
  static const std::vector<std::string> names = {
      "Elvara.exe",      "ElvaraLauncher.exe", "ElvaraUpdater.exe", "Elvara.ini",
      "ElvaraConfig.exe", "Elvara.dat",        "Elvara.chm",        "ElvaraPatch.exe",
      "Tonewell.dls",    "ElvaraSetup.exe",    "ElvaraUninstall.exe"};
  return names;
}

int FindGameFolderInPrefix(const std::string& prefix, std::string& folder) {
  const fs::path file = fs::path(prefix) / "user.reg";
  std::error_code ec;
  const auto size = fs::file_size(file, ec);
  if (ec || size > kMaxRegistryBytes) return 1;
  std::ifstream in(file, std::ios::binary);
  if (!in) return 1;
  std::string text(static_cast<size_t>(size), '\0');
  in.read(text.data(), static_cast<std::streamsize>(size));
  text.resize(static_cast<size_t>(in.gcount()));
  return FindGameFolderInRegistry(text, prefix, folder);
}

int FindGameFolderInRegistry(std::string_view text, const std::string& prefix, std::string& folder) {
  std::istringstream in{std::string(text)};
  std::string line;
  bool inKey = false;
  std::optional<std::string> defaultValue, filesValue;
  bool keyFound = false;
  while (std::getline(in, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (!line.empty() && line[0] == '[') {
      const size_t close = line.find(']');
      inKey = close != std::string::npos && Lower(line.substr(1, close - 1)) == kGameKey;
      keyFound = keyFound || inKey;
      continue;
    }
    if (!inKey) continue;
    if (line.rfind("@=", 0) == 0) {
      defaultValue = ParseQuoted(line, 2);
    } else if (Lower(line).rfind("\"files\"=", 0) == 0) {
      filesValue = ParseQuoted(line, 8);
    }
  }
  if (!keyFound) return 1;
  if (defaultValue) {
    folder = WindowsToUnix(prefix, TrimFolder(*defaultValue));
    return folder.empty() ? 1 : 0;
  }
  if (filesValue) {
    size_t start = 0;
    while (start <= filesValue->size()) {
      size_t end = filesValue->find('*', start);
      if (end == std::string::npos) end = filesValue->size();
      const std::string path = filesValue->substr(start, end - start);
      const std::string lower = Lower(path);
      for (const auto& name : GameFileNames()) {
        if (lower.find(Lower(name)) != std::string::npos) {
          const size_t slash = path.find_last_of('\\');
          if (slash == std::string::npos) continue;
          folder = WindowsToUnix(prefix, TrimFolder(path.substr(0, slash)));
          return folder.empty() ? 1 : 0;
        }
      }
      start = end + 1;
    }
  }
  return 1;
}

int FindGameFolder(std::string& folder) {
  if (const char* prefix = std::getenv("WINEPREFIX"); prefix && *prefix) {
    return FindGameFolderInPrefix(prefix, folder);
  }
  const char* home = std::getenv("HOME");
  if (!home || !*home) return 1;
  return FindGameFolderInPrefix((fs::path(home) / ".wine").string(), folder);
}

std::string GameDlsCandidate(const std::string& folder) {
  // Windows names are case-insensitive; find the entries whatever their case.
  auto findChild = [](const fs::path& dir, const std::string& name) -> fs::path {
    std::error_code ec;
    if (fs::exists(dir / name, ec)) return dir / name;
    for (const auto& entry : fs::directory_iterator(dir, ec)) {
      if (Lower(entry.path().filename().string()) == Lower(name)) return entry.path();
    }
    return dir / name;
  };
  const fs::path mp3 = findChild(fs::path(folder), "mp3");
  return findChild(mp3, "Tonewell.dls").string();
}

}  // namespace kore
