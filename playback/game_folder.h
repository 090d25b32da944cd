#pragma once
// Finding the game's installation on Linux, where it runs under Wine: the game's key in the
// Wine prefix's user registry file ($WINEPREFIX, else ~/.wine).
#include <string>
#include <string_view>
#include <vector>

namespace kore {

// The file names whose presence in a path of the "Files" value marks the game's folder.
const std::vector<std::string>& GameFileNames();

// 0 and the folder (a Linux path) when found, non-zero otherwise.
int FindGameFolder(std::string& folder);
// The same for a given Wine prefix (tests, and callers that know the prefix).
int FindGameFolderInPrefix(const std::string& prefix, std::string& folder);
// The same for the text of a prefix's user.reg.
int FindGameFolderInRegistry(std::string_view text, const std::string& prefix, std::string& folder);

// The default DLS bank inside the game's folder: <folder>/mp3/Tonewell.dls (the file is looked up
// case-insensitively, as Windows would).
std::string GameDlsCandidate(const std::string& folder);

}  // namespace kore
