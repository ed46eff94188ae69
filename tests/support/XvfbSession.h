// Test support: an Xvfb server for the life of the object (stopped by Stop()
// or at the latest by the destructor). The server picks a free display number
// itself and reports it once it takes connections (-displayfd), so parallel
// tests never race for a number.
#pragma once

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/types.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "support/Subprocess.h"

namespace testsupport {

class XvfbSession {
 public:
  // Starts the Xvfb program at `xvfbPath` with one screen of `screen` (e.g.
  // "1024x768x24") and waits up to `seconds` for it to report its display.
  XvfbSession(const std::string& xvfbPath, const std::string& screen, int seconds = 30) {
    int fds[2];
    if (pipe2(fds, O_CLOEXEC) != 0) return;
    // The server writes to kReportFd, a copy of the pipe's write end made in
    // the child only: dup2 clears close-on-exec on the copy, while both pipe
    // ends themselves stay closed in the server (and in any other child).
    const int reportFd = fds[1] == kReportFd ? kReportFd + 1 : kReportFd;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, fds[1], reportFd);
    std::vector<std::string> args = {xvfbPath,    "-displayfd", std::to_string(reportFd), "-screen", "0", screen,
                                     "-nolisten", "tcp"};
    std::vector<char*> argv;
    for (std::string& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    pid_t pid = -1;
    if (posix_spawn(&pid, xvfbPath.c_str(), &actions, nullptr, argv.data(), environ) == 0) pid_ = pid;
    posix_spawn_file_actions_destroy(&actions);
    close(fds[1]);  // a server that dies ends the read below at once
    if (pid_ > 0) {
      const std::string number = ReadLine(fds[0], seconds);
      if (!number.empty() && number.find_first_not_of("0123456789") == std::string::npos) {
        display_ = ":" + number;
        started_ = true;
      }
    }
    close(fds[0]);
    if (!started_) Stop();
  }
  ~XvfbSession() { Stop(); }
  XvfbSession(const XvfbSession&) = delete;
  XvfbSession& operator=(const XvfbSession&) = delete;

  // True when the server runs and takes connections.
  bool Started() const { return started_; }
  // The DISPLAY value of the server, e.g. ":93".
  const std::string& Display() const { return display_; }

  // Ends the server (SIGTERM, then SIGKILL after 10 s) and waits for it.
  void Stop() {
    if (pid_ <= 0) return;
    kill(pid_, SIGTERM);
    int status = 0;
    WaitFor(pid_, 10, &status);
    pid_ = -1;
    started_ = false;
  }

 private:
  static constexpr int kReportFd = 3;

  // The text the server writes up to its first newline; "" when nothing
  // complete arrives within the seconds given or the pipe closes first.
  static std::string ReadLine(int fd, int seconds) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
    std::string text;
    while (text.find('\n') == std::string::npos) {
      const auto left =
          std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now()).count();
      if (left <= 0) return std::string();
      pollfd p{fd, POLLIN, 0};
      const int ready = poll(&p, 1, static_cast<int>(left));
      if (ready < 0 && errno == EINTR) continue;
      if (ready <= 0) return std::string();
      char buf[64];
      const ssize_t n = read(fd, buf, sizeof buf);
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) return std::string();
      text.append(buf, static_cast<size_t>(n));
    }
    return text.substr(0, text.find('\n'));
  }

  std::string display_;
  pid_t pid_ = -1;
  bool started_ = false;
};

// Runs xdotool on the display; true when it exited with 0. A command that
// starts with "search" only looks windows up, focuses and moves the pointer,
// so it is tried again a few times: while a program starts, a window can vanish
// between xdotool listing it and querying it (an X "BadWindow" error).
inline bool RunXdotool(const std::string& xdotool, const std::string& display, std::vector<std::string> args) {
  const bool retry = !args.empty() && args.front() == "search";
  args.insert(args.begin(), xdotool);
  for (int attempt = 0; attempt < (retry ? 5 : 1); ++attempt) {
    if (attempt > 0) std::this_thread::sleep_for(std::chrono::milliseconds(300));
    if (RunsToSuccess(args, {"DISPLAY=" + display}, 20)) return true;
  }
  return false;
}

}  // namespace testsupport
