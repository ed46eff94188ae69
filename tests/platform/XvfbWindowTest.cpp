// A real X window under Xvfb, driven by xdotool: the clicks and keys of the X
// server arrive as window messages with the right points, flags and
// characters.
#include <SDL.h>
#include <SDL_syswm.h>
#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "platform/Display.h"
#include "platform/Window.h"
#include "platform/WindowQueue.h"
#include "platform/X11Errors.h"
#include "support/RequireTool.h"
#include "support/Subprocess.h"
#include "support/TempDir.h"
#include "support/XvfbSession.h"

namespace {

using testsupport::FileExists;

TEST(XvfbWindow, RealInputArrivesAsWindowMessages) {
  REQUIRE_TOOL(xvfb, "Xvfb");
  REQUIRE_TOOL(xdotool, "xdotool");
  testsupport::XvfbSession server(xvfb, "1024x768x24");
  ASSERT_TRUE(server.Started()) << "Xvfb did not start";
  const std::string display = server.Display();

  const testsupport::TempDir dir("ostrevan-xvfb-");
  ASSERT_FALSE(dir.Path().empty());
  const std::string results = dir.Path("messages");
  const std::string ready = dir.Path("ready");

  std::string self(4096, '\0');
  self.resize(static_cast<size_t>(readlink("/proc/self/exe", self.data(), self.size() - 1)));
  // The desktop libraries SDL loads (and unloads) for a real display keep a
  // little memory to the end of the process, beyond the reach of leak
  // suppressions; leaks of our own code are checked by the dummy-driver tests.
  const pid_t child = testsupport::Spawn({self, "--gtest_filter=ChildProcessXvfbWindow.*"},
                                         {"DISPLAY=" + display, "SDL_VIDEODRIVER=x11", "OSTREVAN_WINDOWED=1",
                                          "ASAN_OPTIONS=detect_leaks=0", "OSTREVAN_XVFB_RESULTS=" + results,
                                          "OSTREVAN_XVFB_READY=" + ready});
  ASSERT_GT(child, 0);
  for (int i = 0; i < 500 && !FileExists(ready); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(20));
  EXPECT_TRUE(FileExists(ready));

  const auto xdo = [&](std::vector<std::string> args) {
    return testsupport::RunXdotool(xdotool, display, std::move(args));
  };
  EXPECT_TRUE(xdo({"search", "--sync", "--name", "OstrevanXvfb", "windowfocus", "mousemove", "--window", "%1", "100",
                   "50"}));
  EXPECT_TRUE(xdo({"click", "1"}));
  EXPECT_TRUE(xdo({"key", "a"}));
  EXPECT_TRUE(xdo({"key", "shift+F12"}));
  EXPECT_TRUE(xdo({"key", "q"}));

  int status = 0;
  EXPECT_TRUE(testsupport::WaitFor(child, 30, &status));
  server.Stop();

  const std::string text = testsupport::ReadBytes(results);
  ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << text;
  // Lines: message wParam x y (points for mouse messages, key flags otherwise).
  EXPECT_NE(text.find("0x201 1 100 50\n"), std::string::npos) << text;  // left button down, MK_LBUTTON
  EXPECT_NE(text.find("0x202 0 100 50\n"), std::string::npos) << text;  // left button up
  EXPECT_NE(text.find("0x100 65 "), std::string::npos) << text;         // key down 'A'
  EXPECT_NE(text.find("0x102 97 "), std::string::npos) << text;         // character 'a'
  EXPECT_NE(text.find("0x100 16 "), std::string::npos) << text;         // Shift
  EXPECT_NE(text.find("0x100 123 "), std::string::npos) << text;        // F12
  // The always-on-top request reaches the X window through SDL, both ways.
  EXPECT_NE(text.find("topmost 1 0\n"), std::string::npos) << text;
  // An X error reply was logged, not the end of the process.
  EXPECT_NE(text.find("xerrors 1\n"), std::string::npos) << text;
}

// The window side of the test above, started by it (suites named
// ChildProcess* are no tests of their own: CTest does not list them); skipped
// when run on its own.
TEST(ChildProcessXvfbWindow, RecordsItsMessages) {
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
  const auto onTop = [&] { return (SDL_GetWindowFlags(window->GetSdlWindow()) & SDL_WINDOW_ALWAYS_ON_TOP) != 0; };
  window->SetTopmost(true);
  const bool raised = onTop();
  window->SetTopmost(false);
  out << "topmost " << raised << " " << onTop() << "\n";
  // A request on a window that no longer exists is answered with an error
  // reply; the program logs it and goes on (Xlib's default would exit).
  SDL_SysWMinfo info;
  SDL_VERSION(&info.version);
  ASSERT_TRUE(SDL_GetWindowWMInfo(window->GetSdlWindow(), &info));
  ASSERT_EQ(info.subsystem, SDL_SYSWM_X11);
  const uint32_t errorsBefore = platform::internal::GetX11ErrorCount();
  XDestroyWindow(info.info.x11.display, static_cast<::Window>(0x1FFFFF0));
  XSync(info.info.x11.display, False);
  out << "xerrors " << platform::internal::GetX11ErrorCount() - errorsBefore << "\n";
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
