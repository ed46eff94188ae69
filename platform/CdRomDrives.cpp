#include "platform/CdRomDrives.h"

#include <cstdlib>
#include <fstream>
#include <sstream>

namespace platform {

namespace {

// Mount tables write a blank, tab, newline and backslash in a path as a
// backslash and three octal digits.
std::string DecodeMountPath(const std::string& field) {
  std::string out;
  out.reserve(field.size());
  for (size_t i = 0; i < field.size(); ++i) {
    if (field[i] == '\\' && i + 3 < field.size()) {
      const char a = field[i + 1], b = field[i + 2], c = field[i + 3];
      if (a >= '0' && a <= '3' && b >= '0' && b <= '7' && c >= '0' && c <= '7') {
        out.push_back(static_cast<char>((a - '0') * 64 + (b - '0') * 8 + (c - '0')));
        i += 3;
        continue;
      }
    }
    out.push_back(field[i]);
  }
  return out;
}

}  // namespace

std::vector<std::string> ParseOpticalMounts(const std::string& mountTable) {
  std::vector<std::string> roots;
  std::istringstream lines(mountTable);
  std::string line;
  while (std::getline(lines, line)) {
    std::istringstream fields(line);
    std::string device, mountPoint, type;
    if (!(fields >> device >> mountPoint >> type)) continue;
    if (type == "iso9660" || type == "udf") roots.push_back(DecodeMountPath(mountPoint));
  }
  return roots;
}

std::vector<std::string> CdRomRoots() {
  std::vector<std::string> roots;
  if (const char* named = std::getenv("OSTREVAN_CD")) {
    const std::string list = named;
    size_t start = 0;
    while (start <= list.size()) {
      size_t end = list.find(':', start);
      if (end == std::string::npos) end = list.size();
      if (end > start) roots.push_back(list.substr(start, end - start));
      start = end + 1;
    }
  }
  std::ifstream mounts("/proc/self/mounts");
  if (mounts) {
    std::stringstream text;
    text << mounts.rdbuf();
    for (std::string& root : ParseOpticalMounts(text.str())) roots.push_back(std::move(root));
  }
  return roots;
}

}  // namespace platform
