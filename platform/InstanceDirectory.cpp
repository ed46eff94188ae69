#include "platform/InstanceDirectory.h"

#include <dirent.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/eventfd.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <map>
#include <mutex>
#include <thread>
#include <vector>

#include "platform/Window.h"
#include "platform/WindowQueue.h"
#include "platform/WindowSystemInternal.h"

namespace platform {
namespace {

constexpr uint32_t kDatagramMagic = 0x5754534Fu;  // "OSTW"
constexpr uint32_t kDatagramVersion = 1;

// One posted message on the wire (native byte order: same machine).
struct Datagram {
  uint32_t magic;
  uint32_t version;
  uint32_t handle;
  uint32_t message;
  uint64_t wParam;
  int64_t lParam;
};

bool MakePrivateDirectory(const std::string& path) {
  if (mkdir(path.c_str(), 0700) != 0 && errno != EEXIST) {
    return false;
  }
  struct stat st{};
  if (lstat(path.c_str(), &st) != 0 || !S_ISDIR(st.st_mode) || st.st_uid != getuid()) {
    return false;  // a symbolic link or another user's folder: not ours to use
  }
  if ((st.st_mode & 0077) != 0) {
    chmod(path.c_str(), 0700);
  }
  return true;
}

std::string SafeName(const std::string& name) {
  std::string out;
  for (char c : name) {
    const auto u = static_cast<unsigned char>(c);
    out.push_back((u < 0x20 || u >= 0x7F || c == '/' || c == '\\') ? '_' : c);
  }
  if (out.empty() || out == "." || out == "..") {
    out = "_" + out;
  }
  return out;
}

std::string ToHex(const std::string& s) {
  static const char* digits = "0123456789abcdef";
  std::string out;
  for (char c : s) {
    const auto u = static_cast<unsigned char>(c);
    out.push_back(digits[u >> 4]);
    out.push_back(digits[u & 15]);
  }
  return out;
}

bool FromHex(const std::string& s, std::string& out) {
  if (s.size() % 2 != 0) return false;
  out.clear();
  const auto value = [](char c) -> int {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
  };
  for (size_t i = 0; i < s.size(); i += 2) {
    const int hi = value(s[i]);
    const int lo = value(s[i + 1]);
    if (hi < 0 || lo < 0) return false;
    out.push_back(static_cast<char>(hi * 16 + lo));
  }
  return true;
}

bool ProcessRuns(int32_t pid) {
  if (pid <= 0) return false;
  return kill(pid, 0) == 0 || errno == EPERM;
}

// Writes a whole file through a temporary name and a rename, so a reader
// never sees half of it.
bool WriteFileAtomically(const std::string& path, const std::string& content) {
  const std::string temp = path + ".tmp" + std::to_string(getpid());
  const int fd = open(temp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
  if (fd < 0) return false;
  size_t done = 0;
  while (done < content.size()) {
    const ssize_t n = write(fd, content.data() + done, content.size() - done);
    if (n <= 0) {
      if (n < 0 && errno == EINTR) continue;
      close(fd);
      unlink(temp.c_str());
      return false;
    }
    done += static_cast<size_t>(n);
  }
  close(fd);
  if (rename(temp.c_str(), path.c_str()) != 0) {
    unlink(temp.c_str());
    return false;
  }
  return true;
}

bool ReadSmallFile(const std::string& path, std::string& out) {
  const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
  if (fd < 0) return false;
  out.clear();
  char buffer[1024];
  for (;;) {
    const ssize_t n = read(fd, buffer, sizeof(buffer));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    out.append(buffer, static_cast<size_t>(n));
    if (out.size() > 64 * 1024) break;  // records are small; anything larger is not one
  }
  close(fd);
  return true;
}

// key=value lines.
std::map<std::string, std::string> ParseLines(const std::string& text) {
  std::map<std::string, std::string> fields;
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    const std::string line = text.substr(start, end - start);
    const size_t eq = line.find('=');
    if (eq != std::string::npos) {
      fields[line.substr(0, eq)] = line.substr(eq + 1);
    }
    start = end + 1;
  }
  return fields;
}

bool ParseInt(const std::string& s, int64_t& out) {
  if (s.empty()) return false;
  char* end = nullptr;
  errno = 0;
  const long long v = std::strtoll(s.c_str(), &end, 10);
  if (errno != 0 || end == nullptr || *end != '\0') return false;
  out = v;
  return true;
}

bool EqualIgnoringAsciiCase(const std::string& a, const std::string& b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    char x = a[i];
    char y = b[i];
    if (x >= 'A' && x <= 'Z') x = static_cast<char>(x - 'A' + 'a');
    if (y >= 'A' && y <= 'Z') y = static_cast<char>(y - 'A' + 'a');
    if (x != y) return false;
  }
  return true;
}

std::string SocketPath(const std::string& dir, int32_t pid) { return dir + "/" + std::to_string(pid) + ".sock"; }
std::string RecordPath(const std::string& dir, int32_t pid, WindowHandle handle) {
  return dir + "/win-" + std::to_string(pid) + "-" + std::to_string(handle) + ".rec";
}

bool FillAddress(const std::string& path, sockaddr_un& address) {
  memset(&address, 0, sizeof(address));
  address.sun_family = AF_UNIX;
  if (path.size() >= sizeof(address.sun_path)) return false;
  memcpy(address.sun_path, path.c_str(), path.size() + 1);
  return true;
}

struct OpenState {
  std::mutex mutex;
  bool open = false;
  std::string dir;
  int socket = -1;
  int wake = -1;
  std::thread receiver;
  std::map<WindowHandle, std::string> records;  // handle -> record path
};

OpenState& State() {
  static OpenState* state = new OpenState();  // lives to the very end of the process
  return *state;
}

void Receive(int socketFd, int wakeFd) {
  for (;;) {
    pollfd fds[2] = {{socketFd, POLLIN, 0}, {wakeFd, POLLIN, 0}};
    const int n = poll(fds, 2, -1);
    if (n < 0) {
      if (errno == EINTR) continue;
      return;
    }
    if ((fds[1].revents & POLLIN) != 0) {
      return;
    }
    if ((fds[0].revents & POLLIN) == 0) {
      continue;
    }
    Datagram d{};
    const ssize_t got = recv(socketFd, &d, sizeof(d), MSG_DONTWAIT);
    if (got != static_cast<ssize_t>(sizeof(d)) || d.magic != kDatagramMagic || d.version != kDatagramVersion) {
      continue;  // not one of ours: ignored
    }
    platform::PostMessage(d.handle, d.message, static_cast<uintptr_t>(d.wParam), static_cast<intptr_t>(d.lParam));
  }
}

// Closes the directory at normal exit so no record outlives the process.
struct CloseAtExit {
  ~CloseAtExit() { InstanceDirectory::Close(); }
} gCloseAtExit;

}  // namespace

std::string GetInstanceDirectoryPath() {
  const char* runtime = std::getenv("XDG_RUNTIME_DIR");
  if (runtime != nullptr && runtime[0] == '/') {
    struct stat st{};
    if (stat(runtime, &st) == 0 && S_ISDIR(st.st_mode)) {
      const std::string path = std::string(runtime) + "/ostrevan";
      if (MakePrivateDirectory(path)) {
        return path;
      }
    }
  }
  const std::string path = "/tmp/ostrevan-" + std::to_string(getuid());
  return MakePrivateDirectory(path) ? path : std::string();
}

bool InstanceDirectory::Open() {
  OpenState& s = State();
  std::vector<std::pair<WindowHandle, std::pair<std::string, std::string>>> existing;
  {
    std::lock_guard<std::mutex> lock(s.mutex);
    if (s.open) {
      return true;
    }
    const std::string dir = GetInstanceDirectoryPath();
    if (dir.empty()) {
      return false;
    }
    const std::string path = SocketPath(dir, getpid());
    sockaddr_un address{};
    if (!FillAddress(path, address)) {
      return false;
    }
    const int fd = socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    if (fd < 0) {
      return false;
    }
    unlink(path.c_str());  // left by an earlier process of the same id
    if (bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof(address)) != 0) {
      close(fd);
      return false;
    }
    const int wake = eventfd(0, EFD_CLOEXEC);
    if (wake < 0) {
      close(fd);
      unlink(path.c_str());
      return false;
    }
    s.dir = dir;
    s.socket = fd;
    s.wake = wake;
    s.receiver = std::thread(&Receive, fd, wake);
    s.open = true;
  }
  Window::ForEach([](Window& w) { PublishWindow(w.GetHandle(), w.GetClassName(), w.GetTitle()); });
  return true;
}

void InstanceDirectory::Close() {
  OpenState& s = State();
  std::thread receiver;
  {
    std::lock_guard<std::mutex> lock(s.mutex);
    if (!s.open) {
      return;
    }
    for (const auto& [handle, path] : s.records) {
      unlink(path.c_str());
    }
    s.records.clear();
    const uint64_t one = 1;
    [[maybe_unused]] ssize_t n = write(s.wake, &one, sizeof(one));
    receiver = std::move(s.receiver);
  }
  if (receiver.joinable()) {
    receiver.join();
  }
  std::lock_guard<std::mutex> lock(s.mutex);
  close(s.socket);
  close(s.wake);
  unlink(SocketPath(s.dir, getpid()).c_str());
  s.socket = -1;
  s.wake = -1;
  s.open = false;
}

bool InstanceDirectory::IsOpen() {
  OpenState& s = State();
  std::lock_guard<std::mutex> lock(s.mutex);
  return s.open;
}

void InstanceDirectory::PublishWindow(WindowHandle window, const std::string& className, const std::string& title) {
  OpenState& s = State();
  std::lock_guard<std::mutex> lock(s.mutex);
  if (!s.open || window == 0) {
    return;
  }
  const std::string path = RecordPath(s.dir, getpid(), window);
  const std::string content = "pid=" + std::to_string(getpid()) + "\nhandle=" + std::to_string(window) +
                              "\nclass=" + ToHex(className) + "\ntitle=" + ToHex(title) + "\n";
  if (WriteFileAtomically(path, content)) {
    s.records[window] = path;
  }
}

void InstanceDirectory::WithdrawWindow(WindowHandle window) {
  OpenState& s = State();
  std::lock_guard<std::mutex> lock(s.mutex);
  auto it = s.records.find(window);
  if (it != s.records.end()) {
    unlink(it->second.c_str());
    s.records.erase(it);
  }
}

std::optional<RemoteWindow> InstanceDirectory::FindWindow(const std::string& className, const std::string& title) {
  const std::string dir = GetInstanceDirectoryPath();
  if (dir.empty()) {
    return std::nullopt;
  }
  DIR* d = opendir(dir.c_str());
  if (d == nullptr) {
    return std::nullopt;
  }
  std::vector<std::string> names;
  while (dirent* e = readdir(d)) {
    const std::string name = e->d_name;
    if (name.rfind("win-", 0) == 0 && name.size() > 4 && name.compare(name.size() - 4, 4, ".rec") == 0) {
      names.push_back(name);
    }
  }
  closedir(d);
  std::sort(names.begin(), names.end());
  for (const std::string& name : names) {
    const std::string path = dir + "/" + name;
    std::string text;
    if (!ReadSmallFile(path, text)) {
      continue;
    }
    auto fields = ParseLines(text);
    int64_t pid = 0;
    int64_t handle = 0;
    RemoteWindow w;
    if (!ParseInt(fields["pid"], pid) || !ParseInt(fields["handle"], handle) || pid <= 0 || pid > INT32_MAX ||
        handle <= 0 || handle > UINT32_MAX || !FromHex(fields["class"], w.className) ||
        !FromHex(fields["title"], w.title)) {
      continue;
    }
    if (!ProcessRuns(static_cast<int32_t>(pid))) {
      unlink(path.c_str());  // left by a process that died
      continue;
    }
    w.processId = static_cast<int32_t>(pid);
    w.handle = static_cast<WindowHandle>(handle);
    if ((className.empty() || EqualIgnoringAsciiCase(className, w.className)) &&
        (title.empty() || title == w.title)) {
      return w;
    }
  }
  return std::nullopt;
}

bool InstanceDirectory::PostMessage(const RemoteWindow& window, uint32_t message, uintptr_t wParam,
                                    intptr_t lParam) {
  const std::string dir = GetInstanceDirectoryPath();
  if (dir.empty() || window.processId <= 0) {
    return false;
  }
  sockaddr_un address{};
  if (!FillAddress(SocketPath(dir, window.processId), address)) {
    return false;
  }
  const int fd = socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC, 0);
  if (fd < 0) {
    return false;
  }
  Datagram d{};
  d.magic = kDatagramMagic;
  d.version = kDatagramVersion;
  d.handle = window.handle;
  d.message = message;
  d.wParam = static_cast<uint64_t>(wParam);
  d.lParam = static_cast<int64_t>(lParam);
  const ssize_t sent = sendto(fd, &d, sizeof(d), MSG_NOSIGNAL, reinterpret_cast<sockaddr*>(&address), sizeof(address));
  close(fd);
  return sent == static_cast<ssize_t>(sizeof(d));
}

bool InstanceDirectory::RequestRaise(const RemoteWindow& window) {
  return PostMessage(window, internal::kMsgRaiseRequest, 0, 0);
}

InstanceLock::InstanceLock(const std::string& name) : name_(SafeName(name)) {}

InstanceLock::~InstanceLock() {
  if (fd_ >= 0) {
    if (published_) {
      const std::string dir = GetInstanceDirectoryPath();
      if (!dir.empty()) {
        unlink((dir + "/" + name_ + ".window").c_str());
      }
    }
    flock(fd_, LOCK_UN);
    close(fd_);
  }
}

bool InstanceLock::Acquire() {
  if (fd_ >= 0) {
    return true;
  }
  const std::string dir = GetInstanceDirectoryPath();
  if (dir.empty()) {
    return false;
  }
  const std::string path = dir + "/" + name_ + ".lock";
  const int fd = open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
  if (fd < 0) {
    return false;
  }
  if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
    close(fd);
    return false;
  }
  fd_ = fd;
  Publish(0);
  return true;
}

bool InstanceLock::Publish(WindowHandle window) {
  if (fd_ < 0) {
    return false;
  }
  const std::string dir = GetInstanceDirectoryPath();
  if (dir.empty()) {
    return false;
  }
  const std::string content = "pid=" + std::to_string(getpid()) + "\nhandle=" + std::to_string(window) + "\n";
  published_ = WriteFileAtomically(dir + "/" + name_ + ".window", content);
  return published_;
}

std::optional<RemoteWindow> InstanceLock::ReadPublished(const std::string& name) {
  const std::string dir = GetInstanceDirectoryPath();
  if (dir.empty()) {
    return std::nullopt;
  }
  std::string text;
  if (!ReadSmallFile(dir + "/" + SafeName(name) + ".window", text)) {
    return std::nullopt;
  }
  auto fields = ParseLines(text);
  int64_t pid = 0;
  int64_t handle = 0;
  if (!ParseInt(fields["pid"], pid) || !ParseInt(fields["handle"], handle) || pid <= 0 || pid > INT32_MAX ||
      handle < 0 || handle > UINT32_MAX || !ProcessRuns(static_cast<int32_t>(pid))) {
    return std::nullopt;
  }
  RemoteWindow w;
  w.processId = static_cast<int32_t>(pid);
  w.handle = static_cast<WindowHandle>(handle);
  return w;
}

}  // namespace platform
