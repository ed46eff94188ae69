// Full screen on an X server without a window manager (Xvfb): the window
// covers the screen without waiting for a manager that never answers, leaves
// full screen back to its own size, and the frames go out through SDL's
// software renderer, since OpenGL there could only be drawn in software.
#include <SDL.h>
#include <gtest/gtest.h>

#include <sys/wait.h>

#include <cstdlib>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "platform/Display.h"
#include "platform/Window.h"
#include "platform/WindowQueue.h"
#include "support/RequireTool.h"
#include "support/Subprocess.h"
#include "support/TempDir.h"
#include "support/XvfbSession.h"

namespace {

TEST(XvfbFullScreen, CoversTheScreenWithoutAWindowManager) {
  REQUIRE_TOOL(xvfb, "Xvfb");
  const testsupport::TempDir dir("ostrevan-fullscreen-");
  ASSERT_FALSE(dir.Path().empty());
  std::string self(4096, '\0');
  self.resize(static_cast<size_t>(readlink("/proc/self/exe", self.data(), self.size() - 1)));
  struct Row {
    const char* renderDriver;  // SDL_RENDER_DRIVER, empty for none
    const char* renderer;      // the renderer expected, null when it depends on the machine
  };
  // Named by the user, the OpenGL renderer stands; it remakes the window,
  // which still ends up over the whole screen.
  const Row rows[] = {{"", "software"}, {"opengl", nullptr}};
  int run = 0;
  for (const Row& row : rows) {
    SCOPED_TRACE(row.renderDriver);
    testsupport::XvfbSession server(xvfb, "1280x1024x24");
    ASSERT_TRUE(server.Started()) << "Xvfb did not start";
    const std::string results = dir.Path("results" + std::to_string(run++));
    // Leaks: see XvfbWindowTest (the desktop libraries SDL loads keep memory).
    std::vector<std::string> env = {"DISPLAY=" + server.Display(), "SDL_VIDEODRIVER=x11",
                                    "ASAN_OPTIONS=detect_leaks=0", "OSTREVAN_FULLSCREEN_RESULTS=" + results};
    if (*row.renderDriver != '\0') env.push_back(std::string("SDL_RENDER_DRIVER=") + row.renderDriver);
    const pid_t child = testsupport::Spawn({self, "--gtest_filter=ChildProcessXvfbFullScreen.*"}, env);
    ASSERT_GT(child, 0);
    int status = 0;
    EXPECT_TRUE(testsupport::WaitFor(child, 30, &status));
    server.Stop();

    const std::string text = testsupport::ReadBytes(results);
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << text;
    const size_t placement = text.find('\n') + 1;
    if (row.renderer != nullptr) {
      EXPECT_EQ(text.substr(0, placement), std::string("renderer ") + row.renderer + "\n");
    }
    EXPECT_EQ(text.substr(placement),
              "full 1 0 0 1280 1024 output 1280 1024\n"
              "windowed 0 640 480\n"
              "full 1 0 0 1280 1024\n")
        << text;
  }
}

// The window side of the test above, started by it (suites named
// ChildProcess* are no tests of their own: CTest does not list them); it does
// nothing when run on its own.
TEST(ChildProcessXvfbFullScreen, RecordsItsPlacement) {
  const char* results = std::getenv("OSTREVAN_FULLSCREEN_RESULTS");
  if (results == nullptr) return;
  ASSERT_TRUE(platform::InitializeWindowSystem());
  platform::WindowOptions options;
  options.title = "OstrevanFullScreen";
  options.bounds = platform::Rect{0, 0, 640, 480};
  options.visible = false;
  std::unique_ptr<platform::Window> window = platform::Window::Create(options);
  ASSERT_NE(window, nullptr);
  platform::Display& display = platform::Display::Get();
  display.AttachWindow(window.get());
  ASSERT_TRUE(display.SetMode(640, 480, 16));  // full screen, renderer made
  window->Show(true);
  ASSERT_TRUE(display.CreateBackBuffer());
  std::ofstream out(results);
  SDL_RendererInfo info{};
  ASSERT_NE(display.GetRenderer(), nullptr);
  ASSERT_EQ(SDL_GetRendererInfo(display.GetRenderer(), &info), 0);
  out << "renderer " << info.name << "\n";
  SDL_Window* sdl = window->GetSdlWindow();
  const auto placement = [&] {
    int x = 0, y = 0, w = 0, h = 0;
    SDL_GetWindowPosition(sdl, &x, &y);
    SDL_GetWindowSize(sdl, &w, &h);
    return std::to_string(x) + " " + std::to_string(y) + " " + std::to_string(w) + " " + std::to_string(h);
  };
  EXPECT_TRUE(display.Flip());
  int outW = 0, outH = 0;
  SDL_GetRendererOutputSize(display.GetRenderer(), &outW, &outH);
  out << "full " << window->IsFullScreen() << " " << placement() << " output " << outW << " " << outH << "\n";
  display.RestoreMode();
  int w = 0, h = 0;
  SDL_GetWindowSize(sdl, &w, &h);
  out << "windowed " << window->IsFullScreen() << " " << w << " " << h << "\n";
  ASSERT_TRUE(display.SetMode(640, 480, 16));
  out << "full " << window->IsFullScreen() << " " << placement() << "\n";
  out.flush();
  display.AttachWindow(nullptr);
  window.reset();
  platform::ShutdownWindowSystem();
}

}  // namespace
