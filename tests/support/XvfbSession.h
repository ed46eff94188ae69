// Test support: an Xvfb server on a free display number for the life of the
// object (stopped by Stop() or at the latest by the destructor).
#pragma once

#include <signal.h>
#include <sys/types.h>

#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "support/Subprocess.h"
#include "support/TempDir.h"

namespace testsupport {

class XvfbSession {
 public:
  // Starts the Xvfb program at `xvfbPath` with one screen of `screen` (e.g.
  // "1024x768x24"), on the first display number from `firstNumber` up that
  // has neither a socket nor a lock file, and waits up to 5 s for its socket.
  XvfbSession(const std::string& xvfbPath, int firstNumber, const std::string& screen) {
    int number = firstNumber;
    while (FileExists(SocketOf(number)) || FileExists("/tmp/.X" + std::to_string(number) + "-lock")) ++number;
    display_ = ":" + std::to_string(number);
    pid_ = Spawn({xvfbPath, display_, "-screen", "0", screen, "-nolisten", "tcp"});
    if (pid_ <= 0) return;
    const std::string socket = SocketOf(number);
    for (int i = 0; i < 250 && !FileExists(socket); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(20));
    started_ = FileExists(socket);
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
  static std::string SocketOf(int number) { return "/tmp/.X11-unix/X" + std::to_string(number); }

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
