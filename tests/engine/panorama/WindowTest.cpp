// The viewer in a window under Xvfb: a picture shown as a panorama is turned
// by real drags of the pointer, and the window then shows exactly the frame
// the tool renders for the view the demo reports.
#include <gtest/gtest.h>

#include <signal.h>
#include <sys/wait.h>

#include <chrono>
#include <cstdlib>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "PanoramaTestSupport.h"
#include "support/BuildPaths.h"
#include "support/RequireTool.h"
#include "support/Subprocess.h"
#include "support/TempDir.h"
#include "support/XvfbSession.h"

namespace {

using testsupport::ReadBytes;

bool WaitForText(const std::string& path, const std::string& what, int count, int seconds) {
  for (int i = 0; i < seconds * 50; ++i) {
    const std::string text = ReadBytes(path);
    int n = 0;
    for (size_t p = text.find(what); p != std::string::npos; p = text.find(what, p + 1)) ++n;
    if (n >= count) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  return false;
}

// Every pixel of both pictures reduced to 5-6-5: how many differ.
int DifferingPixels(const panotest::Rgb& a, const panotest::Rgb& b) {
  if (a.pixels.size() != b.pixels.size()) return -1;
  int differing = 0;
  for (size_t i = 0; i < a.pixels.size(); i += 3) {
    differing += panotest::Pack565(&a.pixels[i]) != panotest::Pack565(&b.pixels[i]);
  }
  return differing;
}

TEST(PanoramaWindow, DragsTurnTheViewAndTheWindowShowsTheRenderedFrame) {
  REQUIRE_TOOL(xvfb, "Xvfb");
  REQUIRE_TOOL(xdotool, "xdotool");
  REQUIRE_TOOL(import, "import");
  REQUIRE_TOOL(convert, "convert");
  const testsupport::TempDir dir("ostrevan-panodemo-");
  ASSERT_TRUE(panotest::DrawSyntheticPanorama(convert, dir.Path("pano.ppm"), dir.Path("pano.bmp"), 1024, 512));

  testsupport::XvfbSession server(xvfb, "640x480x24");
  ASSERT_TRUE(server.Started()) << "Xvfb did not start";
  const std::string display = server.Display();
  const std::vector<std::string> env = {"DISPLAY=" + display, "SDL_VIDEODRIVER=x11", "OSTREVAN_WINDOWED=1",
                                        "ASAN_OPTIONS=detect_leaks=0"};
  const std::string log = dir.Path("demo.log");
  const std::string dump = dir.Path("presented.ppm");
  const pid_t demo = testsupport::Spawn({OSTREVAN_PANORAMA_DEMO_BIN, "--picture", dir.Path("pano.bmp"), "--log", log,
                                         "--dump", dump, "--name", "ostrevan-panodemo-" + std::to_string(getpid())},
                                        env);
  ASSERT_GT(demo, 0);
  const testsupport::KillOnExit killDemo{demo};
  const auto xdo = [&](std::vector<std::string> args) { return testsupport::RunXdotool(xdotool, display, args); };
  ASSERT_TRUE(WaitForText(log, "ready", 1, 30)) << ReadBytes(log);
  EXPECT_TRUE(xdo({"search", "--sync", "--name", "Ostrevan Panorama", "windowfocus", "--sync"}));
  std::this_thread::sleep_for(std::chrono::milliseconds(500));

  // Two drags: left and up, then right and down a little.
  struct Drag {
    int x0, y0, x1, y1;
  };
  for (const Drag d : {Drag{400, 300, 250, 220}, Drag{200, 200, 260, 240}}) {
    EXPECT_TRUE(xdo({"search", "--name", "Ostrevan Panorama", "mousemove", "--window", "%1", std::to_string(d.x0),
                     std::to_string(d.y0)}));
    EXPECT_TRUE(xdo({"mousedown", "1"}));
    for (int step = 1; step <= 5; ++step) {
      const int x = d.x0 + (d.x1 - d.x0) * step / 5;
      const int y = d.y0 + (d.y1 - d.y0) * step / 5;
      EXPECT_TRUE(xdo({"search", "--name", "Ostrevan Panorama", "mousemove", "--window", "%1", std::to_string(x),
                       std::to_string(y)}));
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    EXPECT_TRUE(xdo({"mouseup", "1"}));
  }
  ASSERT_TRUE(WaitForText(log, "view ", 2, 20)) << ReadBytes(log);
  std::this_thread::sleep_for(std::chrono::milliseconds(500));
  EXPECT_TRUE(xdo({"key", "d"}));
  ASSERT_TRUE(WaitForText(log, "dumped 640x480", 1, 20)) << ReadBytes(log);

  // The view after the drags: (150 - 60) pixels left and (80 - 40) up of
  // turning at a focal length of 320.
  const std::string text = ReadBytes(log);
  std::istringstream last(text.substr(text.rfind("view ")));
  std::string word, yaw, pitch;
  last >> word >> yaw >> pitch;
  EXPECT_NEAR(std::stod(yaw), 90.0 / 320.0, 1e-4) << text;
  EXPECT_NEAR(std::stod(pitch), 40.0 / 320.0, 1e-4) << text;

  const std::string shot = dir.Path("screen.ppm");
  const std::string cmd = "wid=$(DISPLAY=" + display + " " + xdotool +
                          " search --name 'Ostrevan Panorama' | head -1) && [ -n \"$wid\" ] && DISPLAY=" + display +
                          " timeout 20 " + import + " -window \"$wid\" -depth 8 ppm:" + shot;
  ASSERT_EQ(std::system(cmd.c_str()), 0);
  const std::string rendered = dir.Path("rendered.ppm");
  const std::string tool = "'" + std::string(OSTREVAN_TOOL_BIN) + "' panorama render '" + dir.Path("pano.bmp") + "' '" +
                           rendered + "' --yaw " + yaw + " --pitch " + pitch;
  ASSERT_EQ(std::system(tool.c_str()), 0) << tool;

  const panotest::Rgb screen = panotest::ReadPpm(shot);
  const panotest::Rgb presented = panotest::ReadPpm(dump);
  const panotest::Rgb expected = panotest::ReadPpm(rendered);
  ASSERT_EQ(screen.width, 640);
  ASSERT_EQ(screen.height, 480);
  EXPECT_EQ(DifferingPixels(presented, expected), 0);
  EXPECT_EQ(DifferingPixels(screen, expected), 0);

  EXPECT_TRUE(xdo({"key", "Escape"}));
  int status = 0;
  EXPECT_TRUE(testsupport::WaitFor(demo, 20, &status));
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << ReadBytes(log);
}

}  // namespace
