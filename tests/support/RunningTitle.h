// Test support: the title's program ostrevan-haus running under its own
// Xvfb server in a folder (Media/ and history.log there), with its run log,
// its output in a file, and xdotool and ImageMagick's import to drive it and
// take screenshots of its 640 x 480 window (found by its title).
#pragma once

#include <sys/types.h>

#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "support/BuildPaths.h"
#include "support/PpmFile.h"
#include "support/Subprocess.h"
#include "support/TempDir.h"
#include "support/XvfbSession.h"

namespace testsupport {

inline std::string TitleProgramPath() { return BuildDir() + "/title/main/ostrevan-haus"; }

// Waits until the file holds the text; false after the seconds given.
inline bool WaitForText(const std::string& path, const std::string& text, int seconds) {
  for (int i = 0; i < seconds * 50; ++i) {
    if (ReadBytes(path).find(text) != std::string::npos) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  return false;
}

// A screenshot of the title's window (640 x 480), its pixels as RGB.
struct Shot {
  int width = 0;
  int height = 0;
  std::string rgb;
  std::vector<int> At(int x, int y) const {
    const size_t i = (static_cast<size_t>(y) * static_cast<size_t>(width) + static_cast<size_t>(x)) * 3;
    return {static_cast<uint8_t>(rgb[i]), static_cast<uint8_t>(rgb[i + 1]), static_cast<uint8_t>(rgb[i + 2])};
  }
  // 5-6-5 keeps the top bits: compare within what it can hold.
  bool Near(int x, int y, const std::vector<int>& want) const {
    const std::vector<int> got = At(x, y);
    for (size_t k = 0; k < 3; ++k) {
      if (std::abs(got[k] - want[k]) > 8) return false;
    }
    return true;
  }
  // The sum of the channel differences to another shot along a row.
  long RowDifference(const Shot& other, int y) const { return AreaDifference(other, 0, y, width, y + 1); }
  // The sum of the channel differences to another shot over a rectangle.
  long AreaDifference(const Shot& other, int left, int top, int right, int bottom) const {
    long sum = 0;
    for (int y = top; y < bottom; ++y) {
      for (int x = left; x < right; ++x) {
        const std::vector<int> a = At(x, y);
        const std::vector<int> b = other.At(x, y);
        for (size_t k = 0; k < 3; ++k) sum += std::abs(a[k] - b[k]);
      }
    }
    return sum;
  }
  // The mean brightness (0..255) over a rectangle.
  double Brightness(int left, int top, int right, int bottom) const {
    long sum = 0;
    for (int y = top; y < bottom; ++y) {
      for (int x = left; x < right; ++x) {
        const std::vector<int> a = At(x, y);
        sum += a[0] + a[1] + a[2];
      }
    }
    const long count = static_cast<long>(right - left) * (bottom - top) * 3;
    return count > 0 ? static_cast<double>(sum) / static_cast<double>(count) : 0.0;
  }
};

class RunningTitle {
 public:
  // quitAfterMs < 0: the title runs until it ends itself (or is killed when
  // the object goes). extraEnv replaces or adds "NAME=value" entries;
  // extraArgs follow the program's --log and --quit-after.
  RunningTitle(const std::string& xvfb, const std::string& xdotool, const std::string& import, std::string folder,
               int quitAfterMs, std::vector<std::string> extraEnv = {}, const std::vector<std::string>& extraArgs = {})
      : server_(xvfb, "800x600x24"), xdotool_(xdotool), import_(import), folder_(std::move(folder)) {
    if (!server_.Started()) return;
    log_ = folder_ + "/run.log";
    output_ = folder_ + "/output.txt";
    std::string quit = quitAfterMs >= 0 ? " --quit-after " + std::to_string(quitAfterMs) : "";
    for (const std::string& arg : extraArgs) quit += " '" + arg + "'";
    std::vector<std::string> env = {"DISPLAY=" + server_.Display(), "SDL_VIDEODRIVER=x11", "SDL_AUDIODRIVER=dummy",
                                    "OSTREVAN_WINDOWED=1",           "OSTREVAN_CD=CD",     "ASAN_OPTIONS=detect_leaks=0"};
    for (std::string& e : extraEnv) {
      const std::string key = e.substr(0, e.find('=') + 1);
      std::erase_if(env, [&key](const std::string& old) { return old.rfind(key, 0) == 0; });
      env.push_back(std::move(e));
    }
    // The program's current folder is the disc's (Media/ and history.log).
    child_ = Spawn({"/bin/sh", "-c",
                    "cd '" + folder_ + "' && exec '" + TitleProgramPath() + "' --log '" + log_ + "'" + quit + " >'" +
                        output_ + "' 2>&1"},
                   env);
    kill_.emplace(child_);
  }
  bool Started() const { return server_.Started() && child_ > 0; }
  const std::string& Log() const { return log_; }
  // What the program wrote to stdout and stderr.
  std::string Output() const { return ReadBytes(output_); }
  const std::string& Display() const { return server_.Display(); }
  pid_t Child() const { return child_; }
  bool Xdotool(std::vector<std::string> args) const { return RunXdotool(xdotool_, server_.Display(), std::move(args)); }
  // Moves the pointer to (x, y) of the window.
  bool MoveTo(int x, int y) const {
    return OnWindow("mousemove --window \"$wid\" " + std::to_string(x) + " " + std::to_string(y));
  }
  // Moves there and clicks the left button.
  bool ClickAt(int x, int y) const {
    if (!MoveTo(x, y)) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(150));
    return Xdotool({"click", "1"});
  }
  // Keys in xdotool's names ("space", "F1", "alt+F4", "Escape"), typed as
  // on the keyboard: to the window with the focus (the one under the
  // pointer on a server without a window manager).
  bool Key(const std::string& keys) const { return Xdotool({"key", keys}); }
  bool Take(const std::string& name, Shot& shot) const {
    const std::string path = folder_ + "/" + name;
    const std::string cmd = "wid=$(DISPLAY=" + Display() + " " + xdotool_ +
                            " search --onlyvisible --name 'Das Ostrevan Haus' | tail -1) && [ -n \"$wid\" ] && DISPLAY=" +
                            Display() + " timeout 20 " + import_ + " -window \"$wid\" -depth 8 ppm:" + path;
    return std::system(cmd.c_str()) == 0 && ReadPpm(path, shot.width, shot.height, shot.rgb) && shot.width == 640 &&
           shot.height == 480;
  }

 private:
  bool OnWindow(const std::string& command) const {
    const std::string cmd = "wid=$(DISPLAY=" + Display() + " " + xdotool_ +
                            " search --onlyvisible --name 'Das Ostrevan Haus' | tail -1) && [ -n \"$wid\" ] && DISPLAY=" +
                            Display() + " " + xdotool_ + " " + command;
    return std::system(cmd.c_str()) == 0;
  }

  XvfbSession server_;
  std::string xdotool_;
  std::string import_;
  std::string folder_;
  std::string log_;
  std::string output_;
  pid_t child_ = -1;
  std::optional<KillOnExit> kill_;
};

}  // namespace testsupport
