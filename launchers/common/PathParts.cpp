// Splitting at the last backslash and the last point.
#include "launchers/common/PathParts.h"

CPathParts::CPathParts(const std::string& input) {
  const size_t point = input.rfind('.');
  const size_t slash = input.rfind('\\');
  if (point == std::string::npos || slash == std::string::npos) return;
  path = input;
  directory = input.substr(0, slash);
  if (directory.empty() || directory.back() != '\\') directory += '\\';
  name = point > slash ? input.substr(slash + 1, point - slash - 1) : std::string();
  extension = input.substr(point);
  fileName = name + extension;
}
