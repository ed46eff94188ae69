// The movie control in a real window under Xvfb: a second process opens a
// shown engine window with a movie control, shows the first picture, plays
// the movie to its end while the idle loop runs, and reports the owner
// messages and pixels; the clicks on the control come from xdotool.
#include <gtest/gtest.h>

#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <string>
#include <thread>

#include "engine/app/VWindow.h"
#include "engine/core/Clock.h"
#include "engine/core/VFileSpec.h"
#include "engine/core/VTask.h"
#include "engine/graphics/LookupTables.h"
#include "engine/graphics/PixelMap.h"
#include "engine/mpeg/MpegTestSupport.h"
#include "platform/Clock.h"
#include "platform/Window.h"
#include "platform/WindowQueue.h"
#include "support/RequireTool.h"
#include "support/Subprocess.h"
#include "support/TempDir.h"
#include "support/XvfbSession.h"
#include "title/controls/AppMovieControl.h"

namespace {

using testsupport::FileExists;
using testsupport::ReadBytes;

TEST(MovieControlXvfb, PlaysInAShownWindowAndAnswersClicks) {
  REQUIRE_TOOL(xvfb, "Xvfb");
  REQUIRE_TOOL(xdotool, "xdotool");
  if (mpegtest::Ffmpeg().empty()) return;  // marked by RequireTool
  const testsupport::TempDir dir("ostrevan-moviexvfb-");
  const std::string movie = dir.Path("m.mpg");
  ASSERT_TRUE(mpegtest::RunFfmpeg("-f lavfi -i color=c=blue:size=96x64:rate=25 -f lavfi -i sine=sample_rate=44100 "
                                  "-t 1.5 -c:v mpeg1video -c:a mp2 -b:a 64k -f mpeg " + movie));
  testsupport::XvfbSession server(xvfb, "800x600x24");
  ASSERT_TRUE(server.Started()) << "Xvfb did not start";
  const std::string results = dir.Path("results");
  const std::string ready = dir.Path("ready");
  std::string self(4096, '\0');
  self.resize(static_cast<size_t>(readlink("/proc/self/exe", self.data(), self.size() - 1)));
  const pid_t child = testsupport::Spawn({self, "--gtest_filter=ChildProcessMovieControlXvfb.*"},
                                         {"DISPLAY=" + server.Display(), "SDL_VIDEODRIVER=x11", "ASAN_OPTIONS=detect_leaks=0",
                                          "OSTREVAN_MOVIE=" + movie, "OSTREVAN_MOVIE_RESULTS=" + results,
                                          "OSTREVAN_MOVIE_READY=" + ready});
  ASSERT_GT(child, 0);
  for (int i = 0; i < 500 && !FileExists(ready); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(20));
  EXPECT_TRUE(FileExists(ready));
  EXPECT_TRUE(testsupport::RunXdotool(xdotool, server.Display(),
                                      {"search", "--sync", "--name", "OstrevanMovie", "windowfocus", "mousemove",
                                       "--window", "%1", "60", "50"}));
  EXPECT_TRUE(testsupport::RunXdotool(xdotool, server.Display(), {"click", "1"}));
  int status = 0;
  EXPECT_TRUE(testsupport::WaitFor(child, 60, &status));
  server.Stop();
  const std::string text = ReadBytes(results);
  ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << text;
  EXPECT_NE(text.find("first blue\n"), std::string::npos) << text;
  EXPECT_NE(text.find("message 45 12295\n"), std::string::npos) << text;
  EXPECT_NE(text.find("message 37 12295\nmessage 38 12295\n"), std::string::npos) << text;
  EXPECT_NE(text.find("message 47 12295\n"), std::string::npos) << text;
  EXPECT_NE(text.find("ended\n"), std::string::npos) << text;
  EXPECT_NE(text.find("outside black\n"), std::string::npos) << text;
}

// Notes the owner messages that reach the window.
class MessageLog : public VControl {
 public:
  MessageLog(std::ofstream* out, VGraphicObject* parent) : VControl(0, 1, 0, 0, 0, 320, 240, parent), out_(out) {}
  bool HandleEvent(uint32_t code, uint32_t value1, uint32_t) override {
    if (code == 37 || code == 38 || code == 45 || code == 46 || code == 47) {
      *out_ << "message " << code << " " << value1 << "\n";
      out_->flush();
    }
    return false;
  }

 private:
  std::ofstream* out_;
};

// The window side, started by the test above; skipped when run on its own.
TEST(ChildProcessMovieControlXvfb, PlaysTheMovie) {
  const char* movie = std::getenv("OSTREVAN_MOVIE");
  const char* results = std::getenv("OSTREVAN_MOVIE_RESULTS");
  const char* ready = std::getenv("OSTREVAN_MOVIE_READY");
  if (movie == nullptr || results == nullptr || ready == nullptr) GTEST_SKIP() << "runs as the window process";
  std::ofstream out(results);
  ASSERT_TRUE(platform::InitializeWindowSystem());
  InitClock();
  SetupLookupTables();
  VTaskManager tasks(0, true, false, nullptr);
  VTaskManager* previous = SetTaskManager(&tasks);
  {
    auto window = std::make_unique<VWindow>(7, 0, VRect(0, 0, 320, 240), false, 0, false, false);
    const VString title("OstrevanMovie");
    ASSERT_TRUE(window->Create(0, VRect(0, 0, 320, 240), false, 0, &title, true));
    window->CreateOffscreenMaps(16, nullptr, 1);
    const VRGBColor black(0, 0, 0);
    if (PixelMap* map = window->GetDrawPixelMap()) map->FillRect(nullptr, &black);
    window->SetVisible(true, true);
    auto* log = new MessageLog(&out, window.get());
    auto* control = new AppMovieControl(12295, 7, VFileSpec(movie), 20, 10, true, false, 2, 0, 0, nullptr, log);
    control->Rewind();
    PixelMap* map = window->GetDrawPixelMap();
    VRGBColor c;
    if (map && map->GetPixel(VPoint(60, 40), c) && c.blue > 150 && c.red < 80) out << "first blue\n";
    control->Play();
    std::ofstream(ready) << "ready\n";
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    bool clicked = false;
    while (std::chrono::steady_clock::now() < deadline && (control->IsActive() || !clicked)) {
      platform::WaitForMessage(5);
      platform::Message m;
      while (platform::PeekMessage(m, true)) {
        clicked = clicked || m.message == platform::kMsgLButtonUp;
        platform::DispatchMessage(m);
      }
      tasks.Step(platform::TickCount());
      // A short movie is played again until the click came.
      if (!control->IsActive() && !clicked) control->Restart();
    }
    out << (control->IsActive() ? "still playing\n" : "ended\n");
    if (map && map->GetPixel(VPoint(200, 150), c) && c.red == 0 && c.green == 0 && c.blue == 0) out << "outside black\n";
    out.flush();
    window.reset();
  }
  SetTaskManager(previous);
  ShutdownLookupTables();
}

}  // namespace
