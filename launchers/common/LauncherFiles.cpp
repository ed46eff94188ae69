// Existence test and text reads through the platform's files.
#include "launchers/common/LauncherFiles.h"

#include <cstring>
#include <vector>

#include "platform/File.h"

bool FileExists(const std::string& path) {
  int fd = platform::OpenFile(path, platform::kFileRead);
  if (fd < 0) return false;
  platform::CloseFile(fd);
  return true;
}

bool ReadTextFile(const std::string& path, std::string& text) {
  text.clear();
  int fd = platform::OpenFile(path, platform::kFileRead);
  if (fd < 0) return false;
  std::vector<char> buffer(65535, 0);
  int64_t n = platform::ReadAt(fd, buffer.data(), static_cast<int64_t>(buffer.size()), 0);
  platform::CloseFile(fd);
  if (n < 0) return false;
  text.assign(buffer.data(), strnlen(buffer.data(), static_cast<size_t>(n)));
  return true;
}
