// Where the tests find the source tree and the built programs. The paths are
// found at run time from the test program's own place in the build folder
// (its CMakeCache.txt names the source folder), so test objects hold no
// absolute paths and a compiler cache serves clones of the tree in any folder.
#pragma once

#include <unistd.h>

#include <fstream>
#include <string>

namespace testsupport {

// The build folder: the parent of the folder holding this test program.
inline std::string BuildDir() {
  static const std::string dir = [] {
    std::string self(4096, '\0');
    const ssize_t n = readlink("/proc/self/exe", self.data(), self.size() - 1);
    self.resize(n > 0 ? static_cast<size_t>(n) : 0);
    std::string folder = self.substr(0, self.find_last_of('/'));
    return folder.substr(0, folder.find_last_of('/'));
  }();
  return dir;
}

// The source folder, as the build folder's CMakeCache.txt records it.
inline std::string SourceDir() {
  static const std::string dir = [] {
    std::ifstream cache(BuildDir() + "/CMakeCache.txt");
    const std::string key = "CMAKE_HOME_DIRECTORY:INTERNAL=";
    for (std::string line; std::getline(cache, line);) {
      if (line.rfind(key, 0) == 0) return line.substr(key.size());
    }
    return std::string();
  }();
  return dir;
}

}  // namespace testsupport

#define OSTREVAN_SOURCE_DIR (::testsupport::SourceDir())
#define OSTREVAN_TOOL_BIN (::testsupport::BuildDir() + "/tools/ostrevan-tool")
#define OSTREVAN_DEMO_BIN (::testsupport::BuildDir() + "/tools/demo/ostrevan-app-demo")
#define OSTREVAN_PANORAMA_DEMO_BIN (::testsupport::BuildDir() + "/tools/demo/ostrevan-panorama-demo")
