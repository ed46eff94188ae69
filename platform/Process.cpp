// The running program's executable, from the kernel's link /proc/self/exe.
#include "platform/Process.h"

#include <unistd.h>

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

}  // namespace platform
