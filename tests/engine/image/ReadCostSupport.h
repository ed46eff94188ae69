// Test support: what one picture load costs. The load runs in a forked child
// so its peak memory (the growth of the resident high-water mark) and its
// time are its own, and a load that runs away is stopped.
#pragma once

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <string>
#include <thread>

#include "ImageTestSupport.h"

namespace imgtest {

struct ReadCost {
  bool finished = false;  // false: the child was stopped after the time limit (or died)
  bool loaded = false;
  int64_t peakGrowthKB = 0;
  double seconds = 0;
};

// The resident high-water mark of this process, in KB.
inline int64_t ResidentHighWaterKB() {
  std::ifstream status("/proc/self/status");
  std::string line;
  while (std::getline(status, line)) {
    if (line.rfind("VmHWM:", 0) == 0) return std::stoll(line.substr(6));
  }
  return -1;
}

// Loads the file as a picture (as LoadPicture does) in a child process.
inline ReadCost MeasureLoad(const std::string& path, int32_t flags = kReadPixels | kReadColorTable,
                            int32_t selection = -4, double timeLimitSeconds = 30) {
  ReadCost cost;
  int fds[2];
  if (pipe(fds) != 0) return cost;
  const auto start = std::chrono::steady_clock::now();
  const pid_t child = fork();
  if (child < 0) {
    close(fds[0]);
    close(fds[1]);
    return cost;
  }
  if (child == 0) {
    close(fds[0]);
    // Reset the high-water mark to the present resident size.
    std::ofstream("/proc/self/clear_refs") << "5";
    const int64_t before = ResidentHighWaterKB();
    VPicture* picture = LoadPicture(path, flags, selection);
    const int64_t growth = ResidentHighWaterKB() - before;
    const char loaded = picture ? 1 : 0;
    if (picture) picture->Release();
    char message[32];
    const int length = std::snprintf(message, sizeof message, "%d %lld", loaded, static_cast<long long>(growth));
    if (write(fds[1], message, static_cast<size_t>(length)) != length) _exit(2);
    _exit(0);
  }
  close(fds[1]);
  int status = 0;
  for (;;) {
    const pid_t done = waitpid(child, &status, WNOHANG);
    if (done == child) break;
    const double elapsed = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    if (elapsed > timeLimitSeconds) {
      kill(child, SIGKILL);
      waitpid(child, &status, 0);
      close(fds[0]);
      cost.seconds = elapsed;
      return cost;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  cost.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  char message[32] = {};
  const ssize_t length = read(fds[0], message, sizeof message - 1);
  close(fds[0]);
  int loaded = 0;
  long long growth = 0;
  if (WIFEXITED(status) && WEXITSTATUS(status) == 0 && length > 0 &&
      std::sscanf(message, "%d %lld", &loaded, &growth) == 2) {
    cost.finished = true;
    cost.loaded = loaded != 0;
    cost.peakGrowthKB = growth;
  }
  return cost;
}

}  // namespace imgtest
