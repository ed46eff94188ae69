// A dissolve between two pictures on a real window under Xvfb: once the
// transition has run to its end, the window on the X screen shows the new
// picture where the control stands (compared in 5-6-5, the map's depth).
#include <gtest/gtest.h>

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "engine/app/VWindow.h"
#include "engine/controls/ControlTestSupport.h"
#include "engine/controls/VPictureControl.h"
#include "engine/core/VString.h"
#include "engine/core/VTask.h"
#include "engine/graphics/LookupTables.h"
#include "engine/graphics/PixelMap.h"
#include "engine/graphics/VPicture.h"
#include "platform/Clock.h"
#include "platform/WindowQueue.h"
#include "platform/Window.h"
#include "support/RequireTool.h"
#include "support/PpmFile.h"
#include "support/Subprocess.h"
#include "support/TempDir.h"
#include "support/XvfbSession.h"
#include "title/controls/PictureTransitions.h"

namespace {

constexpr int32_t kLeft = 200, kTop = 150, kW = 160, kH = 120;
constexpr const char* kTitle = "OstrevanTransition";

uint32_t OldColour(int32_t x, int32_t y) { return ((x / 8 + y / 8) % 2) ? 0xF0F0F0u : 0x101010u; }
uint32_t NewColour(int32_t x, int32_t y) {
  return (static_cast<uint32_t>(x * 255 / kW) << 16) | (static_cast<uint32_t>(y * 255 / kH) << 8) | 0x60u;
}
uint32_t To565(uint8_t r, uint8_t g, uint8_t b) { return ((r >> 3u) << 11) | ((g >> 2u) << 5) | (b >> 3u); }

using testsupport::ReadPpm;

TEST(PictureTransitionXvfb, LastFrameOfADissolveIsTheNewPicture) {
  REQUIRE_TOOL(xvfb, "Xvfb");
  REQUIRE_TOOL(xdotool, "xdotool");
  REQUIRE_TOOL(import, "import");
  testsupport::XvfbSession server(xvfb, "640x480x24");
  ASSERT_TRUE(server.Started()) << "Xvfb did not start";
  const std::string display = server.Display();
  const testsupport::TempDir dir("ostrevan-transition-xvfb-");
  ASSERT_FALSE(dir.Path().empty());
  const std::string ready = dir.Path("ready");
  const std::string done = dir.Path("done");

  std::string self(4096, '\0');
  self.resize(static_cast<size_t>(readlink("/proc/self/exe", self.data(), self.size() - 1)));
  const pid_t child = testsupport::Spawn({self, "--gtest_filter=ChildProcessTransitionXvfb.*"},
                                         {"DISPLAY=" + display, "SDL_VIDEODRIVER=x11", "OSTREVAN_WINDOWED=1",
                                          "ASAN_OPTIONS=detect_leaks=0", "OSTREVAN_XVFB_READY=" + ready,
                                          "OSTREVAN_XVFB_DONE=" + done});
  ASSERT_GT(child, 0);
  const testsupport::KillOnExit killChild{child};
  for (int i = 0; i < 1000 && !testsupport::FileExists(ready); ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  ASSERT_TRUE(testsupport::FileExists(ready)) << "the window process did not get ready";
  EXPECT_TRUE(testsupport::RunXdotool(xdotool, display, {"search", "--sync", "--name", kTitle}));
  std::this_thread::sleep_for(std::chrono::milliseconds(300));
  const std::string shot = dir.Path("screen.ppm");
  const std::string cmd = "wid=$(DISPLAY=" + display + " " + xdotool + " search --name '" + kTitle +
                          "' | head -1) && [ -n \"$wid\" ] && DISPLAY=" + display + " timeout 20 " + import +
                          " -window \"$wid\" -depth 8 ppm:" + shot;
  EXPECT_EQ(std::system(cmd.c_str()), 0);
  std::ofstream(done) << "done\n";
  int status = 0;
  EXPECT_TRUE(testsupport::WaitFor(child, 20, &status));
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);

  int w = 0, h = 0;
  std::string rgb;
  ASSERT_TRUE(ReadPpm(shot, w, h, rgb));
  ASSERT_GE(w, kLeft + kW);
  ASSERT_GE(h, kTop + kH);
  int different = 0;
  for (int32_t y = 0; y < kH; ++y) {
    for (int32_t x = 0; x < kW; ++x) {
      const size_t i = (static_cast<size_t>(kTop + y) * static_cast<size_t>(w) + static_cast<size_t>(kLeft + x)) * 3;
      const uint32_t want = NewColour(x, y);
      different += To565(static_cast<uint8_t>(rgb[i]), static_cast<uint8_t>(rgb[i + 1]), static_cast<uint8_t>(rgb[i + 2])) !=
                   To565(static_cast<uint8_t>(want >> 16), static_cast<uint8_t>(want >> 8), static_cast<uint8_t>(want));
    }
  }
  EXPECT_EQ(different, 0);
}

// The window side of the test above (suites named ChildProcess* are no
// tests of their own); skipped when run on its own.
TEST(ChildProcessTransitionXvfb, DissolvesOnItsWindow) {
  const char* ready = std::getenv("OSTREVAN_XVFB_READY");
  const char* done = std::getenv("OSTREVAN_XVFB_DONE");
  if (ready == nullptr || done == nullptr) GTEST_SKIP() << "runs as the window process of PictureTransitionXvfb";
  ASSERT_TRUE(platform::InitializeWindowSystem());
  SetupLookupTables();
  {
    VTaskManager manager(0, true, false, nullptr);
    VTaskManager* previous = SetTaskManager(&manager);
    const VString title(kTitle);
    VWindow window(7, 0, VRect(0, 0, 640, 480), false, 0, false, false);
    ASSERT_TRUE(window.Create(0, VRect(0, 0, 640, 480), false, 0, &title, true));
    auto* map = new PixelMap(VRect(0, 0, 640, 480), 16, nullptr, nullptr, nullptr, PixelMap::kStorageMemory,
                             kFormat565LE, 0);
    const VRGBColor black(0, 0, 0);
    map->FillRect(nullptr, &black);
    window.SetOffscreenMap(map, 0);
    window.SetVisible(true, false);

    VPicture* before = controltest::MakePicture(kW, kH, OldColour);
    auto* target = new VPictureControl(40, before, kLeft, kTop, 0, kW, kH, &window);
    before->Release();
    window.Redraw(nullptr);
    {
      // The dissolve runs on a clock of its own, 50 ms a pass.
      platform::FakeClock clock(5000ull * 1000000ull);
      platform::ScopedClockSource source(&clock);
      VPicture* after = controltest::MakePicture(kW, kH, NewColour);
      auto* dissolve = new PictureTransition(17, target, after, true, 1000, {}, 0, true);
      after->Release();
      dissolve->SetRandom(true);
      for (uint32_t ms = 50; ms <= 1100; ms += 50) {
        clock.AdvanceMilliseconds(50);
        manager.Step(ms);
      }
    }
    EXPECT_EQ(manager.GetTaskCount(), 0) << "the dissolve has ended";
    bool signalled = false;
    const auto start = std::chrono::steady_clock::now();
    while (std::chrono::steady_clock::now() - start < std::chrono::seconds(25) && !testsupport::FileExists(done)) {
      platform::WaitForMessage(50);
      platform::Message m;
      while (platform::PeekMessage(m, true)) {
        if (m.window == window.GetHandle()) window.WindowProc(m);
      }
      if (!signalled && std::chrono::steady_clock::now() - start > std::chrono::milliseconds(300)) {
        std::ofstream(ready) << "ready\n";
        signalled = true;
      }
    }
    SetTaskManager(previous);
  }
  ShutdownLookupTables();
  platform::ShutdownWindowSystem();
}

}  // namespace
