// The launcher's folder from its own path.
#include "launchers/common/LauncherDirectory.h"

#include "launchers/common/PathParts.h"

std::string LauncherDirectory(const std::string& arg0) {
  const CPathParts parts(arg0);
  if (!parts.directory.empty()) return parts.directory;
  // A name without a point: CPathParts leaves it whole, the folder is still
  // everything before the last backslash.
  const size_t slash = arg0.rfind('\\');
  return slash == std::string::npos ? std::string() : arg0.substr(0, slash + 1);
}
