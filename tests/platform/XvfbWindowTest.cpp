// A real X window under Xvfb, driven by xdotool: the clicks and keys of the X
// server arrive as window messages with the right points, flags and
// characters. Skipped when Xvfb or xdotool is not installed.
#include <gtest/gtest.h>

#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "platform/Display.h"
#include "platform/Window.h"
#include "platform/WindowQueue.h"

extern char** environ;

namespace {

std::string FindProgram(const std::string& name) {
  const char* path = std::getenv("PATH");
  std::stringstream dirs(path != nullptr ? path : "");
  std::string dir;
  while (std::getline(dirs, dir, ':')) {
    const std::string candidate = dir + "/" + name;
    if (!dir.empty() && access(candidate.c_str(), X_OK) == 0) return candidate;
  }
  return std::string();
}

pid_t Spawn(const std::vector<std::string>& args, const std::vector<std::string>& extraEnv = {}) {
  std::vector<std::string> a = args;
  std::vector<char*> argv;
  for (std::string& s : a) argv.push_back(s.data());
  argv.push_back(nullptr);
  // The extra variables replace those of the same name.
  std::vector<std::string> env;
  for (char** e = environ; *e != nullptr; ++e) {
    const std::string entry = *e;
    const std::string key = entry.substr(0, entry.find('=') + 1);
    bool replaced = false;
    for (const std::string& x : extraEnv) replaced = replaced || x.rfind(key, 0) == 0;
    if (!replaced) env.push_back(entry);
  }
  for (const std::string& e : extraEnv) env.push_back(e);
  std::vector<char*> envp;
  for (std::string& s : env) envp.push_back(s.data());
  envp.push_back(nullptr);
  pid_t pid = 0;
  if (posix_spawn(&pid, a[0].c_str(), nullptr, nullptr, argv.data(), envp.data()) != 0) return -1;
  return pid;
}

bool WaitFor(pid_t pid, int seconds, int* status) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
  while (waitpid(pid, status, WNOHANG) == 0) {
    if (std::chrono::steady_clock::now() > deadline) {
      kill(pid, SIGKILL);
      waitpid(pid, status, 0);
      return false;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  return true;
}

bool FileExists(const std::string& path) { return access(path.c_str(), F_OK) == 0; }

TEST(XvfbWindow, RealInputArrivesAsWindowMessages) {
  const std::string xvfb = FindProgram("Xvfb");
  const std::string xdotool = FindProgram("xdotool");
  if (xvfb.empty() || xdotool.empty()) {
    GTEST_SKIP() << "needs Xvfb and xdotool (packages xvfb, xdotool)";
  }
  int number = 90 + getpid() % 100;
  while (FileExists("/tmp/.X11-unix/X" + std::to_string(number)) || FileExists("/tmp/.X" + std::to_string(number) + "-lock")) {
    ++number;
  }
  const std::string display = ":" + std::to_string(number);
  const pid_t server = Spawn({xvfb, display, "-screen", "0", "1024x768x24", "-nolisten", "tcp"});
  ASSERT_GT(server, 0);
  const std::string socket = "/tmp/.X11-unix/X" + std::to_string(number);
  for (int i = 0; i < 250 && !FileExists(socket); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(20));
  ASSERT_TRUE(FileExists(socket)) << "Xvfb did not start";

  char dir[] = "/tmp/ostrevan-xvfb-XXXXXX";
  ASSERT_NE(mkdtemp(dir), nullptr);
  const std::string results = std::string(dir) + "/messages";
  const std::string ready = std::string(dir) + "/ready";

  std::string self(4096, '\0');
  self.resize(static_cast<size_t>(readlink("/proc/self/exe", self.data(), self.size() - 1)));
  // The desktop libraries SDL loads (and unloads) for a real display keep a
  // little memory to the end of the process, beyond the reach of leak
  // suppressions; leaks of our own code are checked by the dummy-driver tests.
  const pid_t child = Spawn({self, "--gtest_filter=XvfbWindowChild.*"},
                            {"DISPLAY=" + display, "SDL_VIDEODRIVER=x11", "OSTREVAN_WINDOWED=1",
                             "ASAN_OPTIONS=detect_leaks=0",
                             "OSTREVAN_XVFB_RESULTS=" + results, "OSTREVAN_XVFB_READY=" + ready});
  ASSERT_GT(child, 0);
  for (int i = 0; i < 500 && !FileExists(ready); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(20));
  EXPECT_TRUE(FileExists(ready));

  const std::vector<std::string> xdoEnv = {"DISPLAY=" + display};
  const auto xdo = [&](std::vector<std::string> args) {
    args.insert(args.begin(), xdotool);
    int status = 0;
    const pid_t p = Spawn(args, xdoEnv);
    return p > 0 && WaitFor(p, 20, &status) && WIFEXITED(status) && WEXITSTATUS(status) == 0;
  };
  EXPECT_TRUE(xdo({"search", "--sync", "--name", "OstrevanXvfb", "windowfocus", "mousemove", "--window", "%1", "100",
                   "50", "click", "1"}));
  EXPECT_TRUE(xdo({"key", "a"}));
  EXPECT_TRUE(xdo({"key", "shift+F12"}));
  EXPECT_TRUE(xdo({"key", "q"}));

  int status = 0;
  EXPECT_TRUE(WaitFor(child, 30, &status));
  kill(server, SIGTERM);
  int serverStatus = 0;
  WaitFor(server, 10, &serverStatus);

  std::ifstream in(results);
  std::stringstream all;
  all << in.rdbuf();
  const std::string text = all.str();
  const std::string cmd = "rm -rf '" + std::string(dir) + "'";
  [[maybe_unused]] int rc = std::system(cmd.c_str());
  ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << text;
  // Lines: message wParam x y (points for mouse messages, key flags otherwise).
  EXPECT_NE(text.find("0x201 1 100 50\n"), std::string::npos) << text;  // left button down, MK_LBUTTON
  EXPECT_NE(text.find("0x202 0 100 50\n"), std::string::npos) << text;  // left button up
  EXPECT_NE(text.find("0x100 65 "), std::string::npos) << text;         // key down 'A'
  EXPECT_NE(text.find("0x102 97 "), std::string::npos) << text;         // character 'a'
  EXPECT_NE(text.find("0x100 16 "), std::string::npos) << text;         // Shift
  EXPECT_NE(text.find("0x100 123 "), std::string::npos) << text;        // F12
}

// The window side of the test above; skipped when run on its own.
TEST(XvfbWindowChild, RecordsItsMessages) {
  const char* results = std::getenv("OSTREVAN_XVFB_RESULTS");
  const char* ready = std::getenv("OSTREVAN_XVFB_READY");
  if (results == nullptr || ready == nullptr) {
    GTEST_SKIP() << "runs as the window process of XvfbWindow";
  }
  ASSERT_TRUE(platform::InitializeWindowSystem());
  platform::WindowOptions options;
  options.className = "OstrevanMain";
  options.title = "OstrevanXvfb";
  options.bounds = platform::Rect{0, 0, 640, 480};
  options.fullScreen = true;  // OSTREVAN_WINDOWED keeps it a window
  options.visible = true;
  std::unique_ptr<platform::Window> window = platform::Window::Create(options);
  ASSERT_NE(window, nullptr);
  platform::Display& display = platform::Display::Get();
  display.AttachWindow(window.get());
  ASSERT_TRUE(display.SetMode(640, 480, 16));
  ASSERT_TRUE(display.CreateBackBuffer());
  display.Flip();
  std::ofstream out(results);
  bool signalled = false;
  const auto start = std::chrono::steady_clock::now();
  const auto deadline = start + std::chrono::seconds(25);
  while (std::chrono::steady_clock::now() < deadline) {
    if (!signalled && std::chrono::steady_clock::now() - start > std::chrono::milliseconds(300)) {
      std::ofstream(ready) << "ready\n";
      signalled = true;
    }
    platform::WaitForMessage(50);
    platform::Message m;
    bool quit = false;
    while (platform::PeekMessage(m, true)) {
      if (m.message == platform::kMsgPaint) {
        window->Validate(nullptr);
        display.Flip();
        continue;
      }
      const bool mouse = m.message >= platform::kMsgMouseMove && m.message <= platform::kMsgMButtonUp;
      if (m.message == platform::kMsgMouseMove) continue;
      out << "0x" << std::hex << m.message << std::dec << " " << m.wParam << " ";
      if (mouse) {
        out << platform::PointParamX(m.lParam) << " " << platform::PointParamY(m.lParam) << "\n";
      } else {
        out << platform::KeyFlagsOf(m.lParam) << " 0\n";
      }
      if (m.message == platform::kMsgChar && m.wParam == 'q') quit = true;
    }
    out.flush();
    if (quit) break;
  }
  display.AttachWindow(nullptr);
  window.reset();
  platform::ShutdownWindowSystem();
}

}  // namespace
