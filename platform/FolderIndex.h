// A case-insensitive index of one folder's names, read once, so that writing
// many files into one folder (an extraction) resolves each name without
// reading the folder again. It knows the folder as it was read plus the files
// made through it: use one for a single operation, never keep it.
#pragma once

#include <string>
#include <unordered_map>
#include <unordered_set>

namespace platform {

class FolderIndex {
 public:
  // Resolves the folder's path (see ResolvePath) and reads its names. A
  // missing or unreadable folder gives an empty index (creating then fails).
  explicit FolderIndex(const std::string& folderPath);

  // The host path of the folder ("." for an empty path).
  const std::string& GetFolder() const { return folder_; }
  // The name on disk for `name`: `name` itself when it exists so spelt, else
  // the first name in sorted order that equals it without regard to ASCII
  // case, else `name` unchanged (a new file gets the name it was given).
  std::string Resolve(const std::string& name) const;
  // Creates the file `name` (under its resolved name), or empties the file
  // that is there, for writing, and records it. Returns a descriptor or -1
  // (also for a folder of that name or a name holding a separator).
  int CreateTruncated(const std::string& name);

 private:
  void Add(const std::string& name);

  std::string folder_;
  std::unordered_set<std::string> names_;
  // ASCII-lower-cased name -> the smallest name on disk folding to it.
  std::unordered_map<std::string, std::string> folded_;
};

}  // namespace platform
