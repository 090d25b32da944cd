#include "app/file_association.h"

#include "base/profile_file.h"

#include <cstdlib>
#include <filesystem>
#include <optional>
#include <sstream>
#include <string_view>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace kore {
namespace {

namespace fs = std::filesystem;

constexpr char kDesktopName[] = "kore.desktop";
constexpr char kDefaultsSection[] = "[Default Applications]";

fs::path PackagePath(const AssociationEnvironment& env) {
  return fs::path(env.dataHome) / "mime" / "packages" / "kore.xml";
}
fs::path DesktopPath(const AssociationEnvironment& env) {
  return fs::path(env.dataHome) / "applications" / kDesktopName;
}
fs::path MimeAppsPath(const AssociationEnvironment& env) {
  return fs::path(env.configHome) / "mimeapps.list";
}

std::string PackageText() {
  return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
         "<mime-info xmlns=\"http://www.freedesktop.org/standards/shared-mime-info\">\n"
         "  <mime-type type=\"application/x-kordocumenttype\">\n"
         "    <comment>KORE 楽曲ファイル</comment>\n"
         "    <magic priority=\"60\">\n"
         "      <match type=\"string\" value=\"[Settings]\" offset=\"0:256\"/>\n"
         "    </magic>\n"
         "    <glob pattern=\"*.mml\" weight=\"60\"/>\n"
         "  </mime-type>\n"
         "</mime-info>\n";
}

std::string DesktopText(const std::string& program) {
  return "[Desktop Entry]\n"
         "Type=Application\n"
         "Name=KOR EDITOR\n"
         "Comment=KORE 楽曲ファイル\n"
         "Exec=\"" + program + "\" %f\n"
         "MimeType=application/x-kordocumenttype;\n"
         "Terminal=false\n"
         "Categories=AudioVideo;Audio;\n";
}

bool OnPath(const char* tool) {
  const char* path = std::getenv("PATH");
  if (!path) return false;
  std::stringstream folders(path);
  std::string folder;
  while (std::getline(folders, folder, ':'))
    if (!folder.empty() && access((fs::path(folder) / tool).c_str(), X_OK) == 0) return true;
  return false;
}

// Runs a desktop tool without a shell; false when it is missing or fails.
bool RunTool(const std::vector<std::string>& argv) {
  if (!OnPath(argv[0].c_str())) return false;
  pid_t child = fork();
  if (child < 0) return false;
  if (child == 0) {
    std::vector<char*> args;
    for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    execvp(args[0], args.data());
    _exit(127);
  }
  int status = 0;
  if (waitpid(child, &status, 0) < 0) return false;
  return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

void RefreshDatabases(const AssociationEnvironment& env) {
  if (!env.runTools) return;
  RunTool({"update-mime-database", (fs::path(env.dataHome) / "mime").string()});
  RunTool({"update-desktop-database", (fs::path(env.dataHome) / "applications").string()});
}

// mimeapps.list with our type's default set (or removed when `desktop` is empty); other
// lines stay as they were.
bool WriteDefault(const AssociationEnvironment& env, const std::string& desktop) {
  std::string text = ReadWholeFile(MimeAppsPath(env).string()).value_or("");
  std::vector<std::string> lines;
  std::stringstream in(text);
  std::string line;
  std::string key = std::string(kKoreMimeType) + "=";
  bool inDefaults = false, written = false;
  while (std::getline(in, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (!line.empty() && line[0] == '[') {
      if (inDefaults && !written && !desktop.empty()) {
        lines.push_back(key + desktop + ";");
        written = true;
      }
      inDefaults = line == kDefaultsSection;
    } else if (inDefaults && line.starts_with(key)) {
      if (!desktop.empty() && !written) lines.push_back(key + desktop + ";");
      written = written || !desktop.empty();
      continue;
    }
    lines.push_back(line);
  }
  if (!desktop.empty() && !written) {
    if (!inDefaults) lines.push_back(kDefaultsSection);
    lines.push_back(key + desktop + ";");
  }
  std::string out;
  for (const std::string& l : lines) out += l + "\n";
  std::error_code ec;
  fs::create_directories(MimeAppsPath(env).parent_path(), ec);
  return WriteFileAtomically(MimeAppsPath(env).string(), out) == 0;
}

bool WriteFile(const fs::path& path, const std::string& text) {
  std::error_code ec;
  fs::create_directories(path.parent_path(), ec);
  return WriteFileAtomically(path.string(), text) == 0;
}

std::string EnvOr(const char* name, const std::string& fallback) {
  const char* value = std::getenv(name);
  return value && *value ? value : fallback;
}

}  // namespace

AssociationEnvironment AssociationEnvironment::FromProcess(const std::string& programPath) {
  std::string home = EnvOr("HOME", ".");
  return {EnvOr("XDG_DATA_HOME", home + "/.local/share"),
          EnvOr("XDG_CONFIG_HOME", home + "/.config"), programPath, true};
}

bool IsFileAssociationRegistered(const AssociationEnvironment& env) {
  std::error_code ec;
  return fs::exists(PackagePath(env), ec);
}

AssociationResult RegisterFileAssociation(const AssociationEnvironment& env, bool overwrite) {
  if (IsFileAssociationRegistered(env) && !overwrite) return AssociationResult::AlreadyRegistered;
  if (!WriteFile(PackagePath(env), PackageText()) ||
      !WriteFile(DesktopPath(env), DesktopText(env.programPath)) ||
      !WriteDefault(env, kDesktopName)) {
    return AssociationResult::Failed;
  }
  RefreshDatabases(env);
  if (env.runTools) RunTool({"xdg-mime", "default", kDesktopName, kKoreMimeType});
  return AssociationResult::Done;
}

AssociationResult RemoveFileAssociation(const AssociationEnvironment& env) {
  std::error_code ec;
  fs::remove(PackagePath(env), ec);
  if (ec || !WriteDefault(env, "")) return AssociationResult::Failed;
  RefreshDatabases(env);
  return AssociationResult::Done;
}

}  // namespace kore
