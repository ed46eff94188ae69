// Windows folder stand-in and current folder.
#include "platform/WindowsFolder.h"

#include <limits.h>
#include <unistd.h>

#include <cstdlib>

#include "platform/File.h"

namespace platform {

std::string GetWindowsDirectory() {
  std::string folder;
  if (const char* configured = std::getenv(kWindowsFolderVariable); configured != nullptr && configured[0] != 0) {
    folder = configured;
  } else if (const char* data = std::getenv("XDG_DATA_HOME"); data != nullptr && data[0] != 0) {
    folder = std::string(data) + "/ostrevan/windows";
  } else {
    const char* home = std::getenv("HOME");
    folder = std::string(home != nullptr ? home : "/tmp") + "/.local/share/ostrevan/windows";
  }
  while (folder.size() > 1 && folder.back() == '/') folder.pop_back();
  CreateDirectories(folder);
  return folder;
}

bool SetCurrentDirectory(const std::string& path) {
  if (path.empty()) return false;
  return ::chdir(ResolvePath(path).c_str()) == 0;
}

std::string GetCurrentDirectory() {
  char buf[PATH_MAX];
  return ::getcwd(buf, sizeof buf) != nullptr ? std::string(buf) : std::string();
}

}  // namespace platform
