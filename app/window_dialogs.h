#pragma once
// Gives the dialogs their host on the main window and points the window's command hooks at the
// dialogs' command flows, the find-and-replace window included.
//
// User-interface thread.
#include <functional>
#include <string>

namespace kore {

class CMMLPlayerDlg;

// `settingsPath` and `saveSettings` are the program's (CMMLApp).
void ConnectDialogs(CMMLPlayerDlg& window, std::string settingsPath,
                    std::function<int()> saveSettings);

}  // namespace kore
