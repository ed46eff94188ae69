// The stand-in for the Windows folder (where the launchers write qtw.ini) and
// the process's current folder.
#pragma once

#include <string>

namespace platform {

inline constexpr const char* kWindowsFolderVariable = "OSTREVAN_WINDOWS_DIR";

// The folder named by OSTREVAN_WINDOWS_DIR, else ~/.local/share/ostrevan/windows
// (made when missing); a host path without a trailing separator.
std::string GetWindowsDirectory();

// Changes the current folder (path through ResolvePath); false when it
// cannot be entered.
bool SetCurrentDirectory(const std::string& path);
std::string GetCurrentDirectory();

}  // namespace platform
