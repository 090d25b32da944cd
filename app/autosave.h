#pragma once
// Where and under which name the automatic backup copy of a modified song is written. Qt-free.
#include <ctime>
#include <string>

namespace kore {

// "<song file name without folder and extension>~YYYYMMDD_HHMMSS.mml" with the local time
// `stamp` (the moment the song was created or loaded); untitled songs start with "~".
std::string AutosaveFileName(const std::string& songPath, std::time_t stamp);

// "autosave" beside the settings file when that lives in the program's folder, else
// $XDG_DATA_HOME/kore/autosave (~/.local/share/kore/autosave without it).
std::string BackupFolderFor(const std::string& settingsPath, const std::string& programFolder,
                           const std::string& xdgDataHome, const std::string& home);

// False for folders on network file systems, where a backup copy is not written.
bool IsOnFixedDisk(const std::string& folder);

}  // namespace kore
