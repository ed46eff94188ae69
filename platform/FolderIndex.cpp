// FolderIndex: one read of a folder, then lookups by folded name.
#include "platform/FolderIndex.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "platform/File.h"

namespace platform {

namespace {

std::string FoldCase(const std::string& name) {
  std::string folded = name;
  for (char& c : folded) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c + 32);
  }
  return folded;
}

}  // namespace

FolderIndex::FolderIndex(const std::string& folderPath) {
  folder_ = folderPath.empty() ? std::string(".") : ResolvePath(folderPath);
  while (folder_.size() > 1 && folder_.back() == '/') folder_.pop_back();
  DIR* d = ::opendir(folder_.c_str());
  if (d == nullptr) return;
  while (struct dirent* e = ::readdir(d)) {
    std::string name = e->d_name;
    if (name != "." && name != "..") Add(name);
  }
  ::closedir(d);
}

void FolderIndex::Add(const std::string& name) {
  if (!names_.insert(name).second) return;
  auto [it, added] = folded_.emplace(FoldCase(name), name);
  if (!added && name < it->second) it->second = name;
}

std::string FolderIndex::Resolve(const std::string& name) const {
  if (names_.count(name) != 0) return name;
  auto it = folded_.find(FoldCase(name));
  return it != folded_.end() ? it->second : name;
}

int FolderIndex::CreateTruncated(const std::string& name) {
  if (name.empty() || name == "." || name == ".." || name.find_first_of("/\\") != std::string::npos) return -1;
  const std::string onDisk = Resolve(name);
  const std::string host = folder_ == "/" ? "/" + onDisk : folder_ + "/" + onDisk;
  int fd;
  do {
    fd = ::open(host.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  } while (fd < 0 && errno == EINTR);
  if (fd < 0) return -1;
  Add(onDisk);
  return fd;
}

}  // namespace platform
