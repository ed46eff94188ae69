// Test support: what one picture load costs. The load runs in a forked child
// so its peak memory (the growth of the resident high-water mark) and its
// time are its own, and a load that runs away is stopped. HostileFileTest
// runs a table of small files with huge promises against one bound.
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
#include <vector>

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

// A small file whose header promises a huge picture.
struct HostileCase {
  const char* name;
  const char* file;    // the extension chooses the reader
  const char* script;  // Python producing `data`
  bool loads;          // what the file really holds is a picture
};

// Generous bounds: the pictures these headers promise take hundreds of MB.
constexpr int64_t kHostilePeakGrowthBoundKB = 64 * 1024;
constexpr double kHostileSecondsBound = 5;

class HostileFileTest : public ImageFixture {
 protected:
  // Loads every file at frame selections -2, -1 and 0 with reader flags 7:
  // each finishes within the bounds, loaded exactly when `loads` says.
  void ExpectCheapLoads(const std::vector<HostileCase>& cases) {
    for (const HostileCase& c : cases) {
      SCOPED_TRACE(c.name);
      const std::string path = MakePython(c.file, c.script);
      for (const int32_t selection : {-2, -1, 0}) {
        SCOPED_TRACE("frame selection " + std::to_string(selection));
        const ReadCost cost = MeasureLoad(path, kReadPixels | kReadAlpha | kReadColorTable, selection, 60);
        ASSERT_TRUE(cost.finished) << "stopped after " << cost.seconds << " s";
        EXPECT_EQ(cost.loaded, c.loads);
        EXPECT_LT(cost.peakGrowthKB, kHostilePeakGrowthBoundKB);
        EXPECT_LT(cost.seconds, kHostileSecondsBound);
        std::printf("[ cost     ] %-52s frame %2d: %s, %lld KB, %.2f s\n", c.name, selection,
                    cost.loaded ? "loaded" : "refused", static_cast<long long>(cost.peakGrowthKB), cost.seconds);
      }
    }
  }
};

}  // namespace imgtest
