// POSIX implementation of the platform file layer.
#include "platform/File.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <vector>

namespace platform {

namespace {

bool EqualsNoCase(const std::string& a, const char* b) {
  size_t i = 0;
  for (; i < a.size(); ++i) {
    unsigned char x = static_cast<unsigned char>(a[i]);
    unsigned char y = static_cast<unsigned char>(b[i]);
    if (y == 0) return false;
    if (x >= 'A' && x <= 'Z') x = static_cast<unsigned char>(x + 32);
    if (y >= 'A' && y <= 'Z') y = static_cast<unsigned char>(y + 32);
    if (x != y) return false;
  }
  return b[i] == 0;
}

bool PathExists(const std::string& path) {
  struct stat st;
  return ::lstat(path.c_str(), &st) == 0;
}

// The name in folder `dir` that equals `name` without regard to case, or an
// empty string when there is none.
std::string FindNoCase(const std::string& dir, const std::string& name) {
  DIR* d = ::opendir(dir.empty() ? "." : dir.c_str());
  if (d == nullptr) return std::string();
  std::vector<std::string> matches;
  while (struct dirent* e = ::readdir(d)) {
    if (EqualsNoCase(name, e->d_name)) matches.emplace_back(e->d_name);
  }
  ::closedir(d);
  if (matches.empty()) return std::string();
  std::sort(matches.begin(), matches.end());
  return matches.front();
}

// `path` with runs of "/" after the first `keep` characters collapsed to one,
// and a trailing "/" only when `trailing` (the output rules of ResolvePath).
std::string CollapseSeparators(const std::string& path, size_t keep, bool trailing) {
  std::string result = path.substr(0, keep);
  for (size_t i = keep; i < path.size(); ++i) {
    if (path[i] == '/' && !result.empty() && result.back() == '/') continue;
    result += path[i];
  }
  if (result.size() > keep && result.back() == '/') result.pop_back();
  if (trailing && !result.empty() && result.back() != '/') result += '/';
  return result;
}

int OpenFlags(int access) {
  switch (access & kFileReadWrite) {
    case kFileRead: return O_RDONLY;
    case kFileWrite: return O_WRONLY;
    case kFileReadWrite: return O_RDWR;
    default: return -1;
  }
}

}  // namespace

std::string ResolvePath(const std::string& input) {
  std::string path = input;
  std::replace(path.begin(), path.end(), '\\', '/');

  std::string root;  // "" for a relative path, else the folder it starts from
  size_t pos = 0;
  if (path.size() >= 2 && path[1] == ':' &&
      ((path[0] >= 'A' && path[0] <= 'Z') || (path[0] >= 'a' && path[0] <= 'z'))) {
    char letter = static_cast<char>(path[0] & ~0x20);
    std::string var = std::string("OSTREVAN_DRIVE_") + letter;
    const char* mapped = std::getenv(var.c_str());
    if (mapped != nullptr && mapped[0] != 0) {
      root.append(mapped);
    } else {
      root.push_back('/');
    }
    pos = 2;
  } else if (!path.empty() && path[0] == '/') {
    root.push_back('/');
    pos = 1;
  }
  bool trailing = !path.empty() && path.back() == '/' && path.size() > pos;

  // The common case: the path exists as written. One stat answers it, and no
  // folder is read.
  {
    std::string whole = root;
    if (!whole.empty() && whole.back() != '/' && pos < path.size() && path[pos] != '/') whole += '/';
    whole += path.substr(pos);
    if (!whole.empty() && PathExists(whole)) return CollapseSeparators(whole, root.size(), trailing);
  }

  std::string result = root;
  bool resolving = true;  // false once a component is missing: nothing below it exists
  while (pos <= path.size()) {
    size_t next = path.find('/', pos);
    if (next == std::string::npos) next = path.size();
    std::string component = path.substr(pos, next - pos);
    pos = next + 1;
    if (component.empty()) continue;
    if (!result.empty() && result.back() != '/') result += '/';
    if (resolving && component != "." && component != "..") {
      std::string candidate = result + component;
      if (!PathExists(candidate)) {
        std::string found = FindNoCase(result.empty() ? std::string(".") : result, component);
        if (found.empty()) {
          resolving = false;
        } else {
          component = found;
        }
      }
    }
    result += component;
  }
  if (trailing && !result.empty() && result.back() != '/') result += '/';
  return result;
}

namespace {

// Opens a resolved path; a folder is refused.
int OpenResolved(const std::string& host, int flags) {
  int fd;
  do {
    fd = ::open(host.c_str(), flags | O_CLOEXEC);
  } while (fd < 0 && errno == EINTR);
  if (fd >= 0) {
    struct stat st;
    if (::fstat(fd, &st) != 0 || S_ISDIR(st.st_mode)) {
      ::close(fd);
      return -1;
    }
  }
  return fd;
}

}  // namespace

int OpenFile(const std::string& path, int access) {
  int flags = OpenFlags(access);
  if (flags < 0 || path.empty()) return -1;
  return OpenResolved(ResolvePath(path), flags);
}

int OpenOrCreateFile(const std::string& path, int access) {
  int flags = OpenFlags(access);
  if (flags < 0 || path.empty()) return -1;
  // One resolution serves both the open and the create: when no name matches
  // without regard to case, the file is made under the name as given.
  std::string host = ResolvePath(path);
  int fd = OpenResolved(host, flags);
  if (fd >= 0) return fd;
  if (PathExists(host)) return -1;  // it exists but cannot be opened: leave it alone
  do {
    // O_EXCL: create only a file that is absent, never touch an existing one.
    fd = ::open(host.c_str(), flags | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
  } while (fd < 0 && errno == EINTR);
  return fd;
}

bool CreateEmptyFile(const std::string& path) {
  if (path.empty()) return false;
  std::string host = ResolvePath(path);
  int fd = ::open(host.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  if (fd < 0) return false;
  ::close(fd);
  return true;
}

bool DeleteFile(const std::string& path) {
  if (path.empty()) return false;
  return ::unlink(ResolvePath(path).c_str()) == 0;
}

bool FileExists(const std::string& path) {
  if (path.empty()) return false;
  struct stat st;
  return ::stat(ResolvePath(path).c_str(), &st) == 0;
}

bool DirectoryExists(const std::string& path) {
  if (path.empty()) return false;
  struct stat st;
  return ::stat(ResolvePath(path).c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool CreateDirectories(const std::string& path) {
  if (path.empty()) return false;
  std::string host = ResolvePath(path);
  for (size_t i = 1; i <= host.size(); ++i) {
    if (i == host.size() || host[i] == '/') {
      std::string part = host.substr(0, i);
      ::mkdir(part.c_str(), 0755);
    }
  }
  struct stat st;
  return ::stat(host.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

int64_t ReadAt(int fd, void* buffer, int64_t count, int64_t offset) {
  if (fd < 0 || buffer == nullptr || count < 0 || offset < 0) return -1;
  auto* out = static_cast<unsigned char*>(buffer);
  int64_t done = 0;
  while (done < count) {
    ssize_t n = ::pread(fd, out + done, static_cast<size_t>(count - done), offset + done);
    if (n < 0) {
      if (errno == EINTR) continue;
      return done > 0 ? done : -1;
    }
    if (n == 0) break;  // end of file
    done += n;
  }
  return done;
}

int64_t WriteAt(int fd, const void* buffer, int64_t count, int64_t offset) {
  if (fd < 0 || buffer == nullptr || count < 0 || offset < 0) return -1;
  const auto* in = static_cast<const unsigned char*>(buffer);
  int64_t done = 0;
  while (done < count) {
    ssize_t n = ::pwrite(fd, in + done, static_cast<size_t>(count - done), offset + done);
    if (n < 0) {
      if (errno == EINTR) continue;
      return done > 0 ? done : -1;
    }
    if (n == 0) break;
    done += n;
  }
  return done;
}

int64_t GetFileSize(int fd) {
  struct stat st;
  if (fd < 0 || ::fstat(fd, &st) != 0) return -1;
  return static_cast<int64_t>(st.st_size);
}

bool CloseFile(int fd) {
  if (fd < 0) return false;
  return ::close(fd) == 0;
}

}  // namespace platform
