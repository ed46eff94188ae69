// The pointer warp on a real X server: in a window that shows the 640 x 480
// picture scaled, the motion the X server reports for each warp arrives at
// exactly the warped point, a thousand times over, so that mouse look that
// re-centres the pointer never drifts.
#include <SDL.h>
#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <string>
#include <thread>

#include "platform/MessageQueue.h"
#include "platform/PointerWarp.h"
#include "platform/Window.h"
#include "platform/WindowQueue.h"
#include "support/RequireTool.h"
#include "support/Subprocess.h"
#include "support/TempDir.h"
#include "support/XvfbSession.h"

namespace {

TEST(XvfbPointerWarp, TheServersMotionForEveryWarpLandsOnTheWarpedPoint) {
  REQUIRE_TOOL(xvfb, "Xvfb");
  testsupport::XvfbSession server(xvfb, "1280x1024x24");
  ASSERT_TRUE(server.Started()) << "Xvfb did not start";
  const testsupport::TempDir dir("ostrevan-warp-");
  ASSERT_FALSE(dir.Path().empty());
  const std::string results = dir.Path("warps");
  std::string self(4096, '\0');
  self.resize(static_cast<size_t>(readlink("/proc/self/exe", self.data(), self.size() - 1)));
  const pid_t child = testsupport::Spawn({self, "--gtest_filter=ChildProcessXvfbPointerWarp.*"},
                                         {"DISPLAY=" + server.Display(), "SDL_VIDEODRIVER=x11", "OSTREVAN_WINDOWED=1",
                                          "ASAN_OPTIONS=detect_leaks=0", "OSTREVAN_WARP_RESULTS=" + results});
  ASSERT_GT(child, 0);
  int status = 0;
  EXPECT_TRUE(testsupport::WaitFor(child, 60, &status));
  server.Stop();
  const std::string text = testsupport::ReadBytes(results);
  ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << text;
  // One line per window size: size, warps answered, warps that landed elsewhere.
  EXPECT_NE(text.find("640x480 1000 0\n"), std::string::npos) << text;
  EXPECT_NE(text.find("1000x700 1000 0\n"), std::string::npos) << text;
  EXPECT_NE(text.find("1223x917 1000 0\n"), std::string::npos) << text;
}

// The window side of the test above; it does nothing when run on its own.
TEST(ChildProcessXvfbPointerWarp, WarpsAndRecordsTheMotion) {
  const char* results = std::getenv("OSTREVAN_WARP_RESULTS");
  if (results == nullptr) return;
  ASSERT_TRUE(platform::InitializeWindowSystem());
  platform::WindowOptions options;
  options.className = "OstrevanMain";
  options.title = "OstrevanWarp";
  options.bounds = platform::Rect{0, 0, 640, 480};
  options.visible = true;
  std::unique_ptr<platform::Window> window = platform::Window::Create(options);
  ASSERT_NE(window, nullptr);
  std::ofstream out(results);
  // The motion messages that arrive within a while, the last one answered.
  const auto lastMotion = [](platform::Message& last) {
    bool any = false;
    const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(200);
    while (std::chrono::steady_clock::now() < until) {
      platform::WaitForMessage(5);
      platform::Message m;
      while (platform::PeekMessage(m, true)) {
        if (m.message == platform::kMsgPaint) platform::Window::FromHandle(m.window)->Validate(nullptr);
        if (m.message != platform::kMsgMouseMove) continue;
        last = m;
        any = true;
      }
      if (any) break;
    }
    return any;
  };
  struct Size {
    int w, h;
  };
  for (const Size size : {Size{640, 480}, Size{1000, 700}, Size{1223, 917}}) {
    SDL_SetWindowSize(window->GetSdlWindow(), size.w, size.h);
    platform::Message ignored;
    for (int i = 0; i < 10; ++i) lastMotion(ignored);
    int answered = 0;
    int elsewhere = 0;
    for (int i = 0; i < 1000; ++i) {
      // The user moves a little; the look puts the pointer back on the centre.
      const int x = i % 2 == 0 ? 320 : 320 + (i % 23) - 11;
      const int y = i % 2 == 0 ? 240 : 240 + (i % 17) - 8;
      if (!platform::WarpPointer(x, y)) break;
      platform::Message m;
      if (!lastMotion(m)) continue;
      ++answered;
      if (platform::PointParamX(m.lParam) != x || platform::PointParamY(m.lParam) != y) ++elsewhere;
    }
    out << size.w << "x" << size.h << " " << answered << " " << elsewhere << "\n";
    out.flush();
  }
  window.reset();
  platform::ShutdownWindowSystem();
}

}  // namespace
