#pragma once
// Where and under which name the automatic backup copy of a modified song is written. Qt-free.
#include <ctime>
#include <string>

namespace kore {

// "<song file name without folder and extension>~YYYYMMDD_HHMMSS.mml" with the local time
// `stamp` (the moment the song was created or loaded); untitled songs start with "~".
std::string AutosaveFileName(const std::string& songPath, std::time_t stamp);

// False for folders on network file systems, where a backup copy is not written.
bool IsOnFixedDisk(const std::string& folder);

}  // namespace kore
