// The running program's executable, from the kernel's link /proc/self/exe,
// programs found on PATH, and the resident memory from /proc/self/status.
#include "platform/Process.h"

#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <vector>

namespace platform {

std::string ExecutablePath() {
  // The link's target has no length limit of its own: grow until it fits.
  for (size_t size = 4096; size <= (size_t{1} << 20); size *= 2) {
    std::vector<char> buffer(size);
    const ssize_t n = ::readlink("/proc/self/exe", buffer.data(), buffer.size());
    if (n <= 0) return std::string();
    if (static_cast<size_t>(n) < buffer.size()) return std::string(buffer.data(), static_cast<size_t>(n));
  }
  return std::string();
}

std::string ExecutableDirectory() {
  const std::string path = ExecutablePath();
  const size_t slash = path.rfind('/');
  if (slash == std::string::npos) return std::string();
  return path.substr(0, slash == 0 ? 1 : slash);
}

std::string FindOnPath(const std::string& name) {
  if (name.find('/') != std::string::npos) return ::access(name.c_str(), X_OK) == 0 ? name : std::string();
  const char* path = std::getenv("PATH");
  const std::string dirs = path != nullptr ? path : "/usr/bin:/bin";
  size_t start = 0;
  while (start <= dirs.size()) {
    size_t end = dirs.find(':', start);
    if (end == std::string::npos) end = dirs.size();
    const std::string candidate = dirs.substr(start, end - start) + "/" + name;
    if (end > start && ::access(candidate.c_str(), X_OK) == 0) return candidate;
    start = end + 1;
  }
  return std::string();
}

int64_t ResidentMemoryKilobytes() {
  std::ifstream status("/proc/self/status");
  std::string line;
  while (std::getline(status, line)) {
    if (line.rfind("VmRSS:", 0) != 0) continue;
    std::istringstream fields(line.substr(6));
    int64_t kilobytes = -1;
    if (fields >> kilobytes) return kilobytes;
    return -1;
  }
  return -1;
}

bool IsEnvironmentFlagSet(const char* name) {
  const char* value = std::getenv(name);
  return value != nullptr && value[0] == '1' && value[1] == '\0';
}

}  // namespace platform
