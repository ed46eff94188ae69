// A Windows-form path split into folder, name and extension (all empty
// unless the path holds both a backslash and a point).
#pragma once

#include <string>

class CPathParts {
 public:
  explicit CPathParts(const std::string& path);

  std::string path;       // the input
  std::string directory;  // up to the last backslash, ending in one
  std::string name;       // between the last backslash and the last point
  std::string extension;  // from the last point, point included
  std::string fileName;   // name + extension
};
