// The demo program of the framework as a whole: under Xvfb the screen shows
// exactly the frame that was presented, real clicks and keys reach the object
// tree as engine messages, a second start ends at once with 0, Alt+F4 closes
// and the shutdown runs once with the display given back. Without Xvfb (SDL's
// dummy driver) the idle loop's processor use is measured. The Xvfb test is
// skipped when Xvfb, xdotool, ImageMagick's import or Python is missing.
#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "support/Subprocess.h"
#include "support/TempDir.h"
#include "support/XvfbSession.h"

namespace {

using testsupport::FindProgram;
using testsupport::ReadBytes;
using testsupport::Spawn;
using testsupport::WaitFor;

std::string DemoPath() {
  std::string self(4096, '\0');
  self.resize(static_cast<size_t>(readlink("/proc/self/exe", self.data(), self.size() - 1)));
  return self.substr(0, self.find_last_of('/')) + "/engine/app/demo/ostrevan-app-demo";
}

int Count(const std::string& text, const std::string& what) {
  int n = 0;
  for (size_t p = text.find(what); p != std::string::npos; p = text.find(what, p + 1)) ++n;
  return n;
}

bool WaitForText(const std::string& path, const std::string& what, int seconds) {
  for (int i = 0; i < seconds * 50; ++i) {
    if (ReadBytes(path).find(what) != std::string::npos) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  return false;
}

// A binary PPM with 8-bit samples: width, height and the RGB bytes.
bool ReadPpm(const std::string& path, int& width, int& height, std::string& rgb) {
  std::ifstream in(path, std::ios::binary);
  std::string magic;
  int maxValue = 0;
  if (!(in >> magic >> width >> height >> maxValue) || magic != "P6" || maxValue != 255) return false;
  in.get();
  rgb.assign(static_cast<size_t>(width) * static_cast<size_t>(height) * 3, '\0');
  return static_cast<bool>(in.read(rgb.data(), static_cast<std::streamsize>(rgb.size())));
}

TEST(AppDemo, IdleLoopDoesNotBurnAProcessor) {
  const testsupport::TempDir dir("ostrevan-appdemo-");
  const std::string log = dir.Path("log");
  const pid_t demo = Spawn({DemoPath(), "--log", log, "--measure-idle", "2000", "--quit-after-measure", "--name",
                            "ostrevan-appdemo-idle-" + std::to_string(getpid())},
                           {"SDL_VIDEODRIVER=dummy", "ASAN_OPTIONS=detect_leaks=0"});
  ASSERT_GT(demo, 0);
  int status = 0;
  ASSERT_TRUE(WaitFor(demo, 60, &status));
  const std::string text = ReadBytes(log);
  ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << text;
  // "idle wall-ms W cpu-ms C passes P ticks T pass-gaps G"
  const size_t at = text.find("idle wall-ms ");
  ASSERT_NE(at, std::string::npos) << text;
  std::istringstream line(text.substr(at));
  std::string word;
  long wall = 0, cpu = 0, passes = 0, ticks = 0, gaps = 1;
  line >> word >> word >> wall >> word >> cpu >> word >> passes >> word >> ticks >> word >> gaps;
  std::cout << "idle: " << cpu << " ms of processor time in " << wall << " ms, " << passes << " idle steps\n";
  EXPECT_GE(wall, 2000);
  EXPECT_LT(cpu * 4, wall) << text;  // well below a whole core (about 4 % measured, sanitizers on)
  EXPECT_GT(passes, 100) << text;    // and still stepping continuously
  EXPECT_GT(ticks, 100) << text;     // the tick goes down the event tree while idle
  EXPECT_EQ(gaps, 0) << text;        // the tasks see the idle counter, one by one
  EXPECT_EQ(Count(text, "shutdown"), 1) << text;
}

TEST(AppDemo, UnderXvfb) {
  const std::string xvfb = FindProgram("Xvfb");
  const std::string xdotool = FindProgram("xdotool");
  const std::string import = FindProgram("import");
  const std::string python = FindProgram("python3");
  if (xvfb.empty() || xdotool.empty() || import.empty() || python.empty()) {
    GTEST_SKIP() << "needs Xvfb, xdotool, ImageMagick's import and python3";
  }
  const testsupport::TempDir dir("ostrevan-appdemo-");
  // The archive: medium 1000 holds a 200 x 150 picture (header: width and
  // height, 16-bit little-endian; then RGB rows), written by the independent
  // Python archive writer.
  const std::string archive = dir.Path("pictures.msf");
  {
    const std::string script = dir.Path("make.py");
    std::ofstream(script) << "import json\n"
                             "w,h=200,150\n"
                             "d=bytes([w&255,w>>8,h&255,h>>8])+bytes(b for y in range(h) for x in range(w) "
                             "for b in ((x*7)&255,(y*5)&255,(x*y)&255))\n"
                             "json.dump({'entries':[{'id':1000,'type':'RAWP','name':'pic','data':'hex:'+d.hex()}]},"
                             "open('" << dir.Path() << "/d.json','w'))\n";
    const std::string cmd = python + " " + script + " && " + python + " '" + OSTREVAN_SOURCE_DIR +
                            "/tests/data/msf_oracle.py' build " + dir.Path() + "/d.json " + archive;
    ASSERT_EQ(std::system(cmd.c_str()), 0);
  }

  testsupport::XvfbSession server(xvfb, 140 + getpid() % 100, "640x480x24");
  ASSERT_TRUE(server.Started()) << "Xvfb did not start";
  const std::string display = server.Display();
  const std::string name = "ostrevan-appdemo-" + std::to_string(getpid());
  const std::vector<std::string> env = {"DISPLAY=" + display, "SDL_VIDEODRIVER=x11", "OSTREVAN_WINDOWED=1",
                                        "ASAN_OPTIONS=detect_leaks=0"};
  const std::string log = dir.Path("first.log");
  const std::string dump = dir.Path("presented.ppm");
  const pid_t first = Spawn({DemoPath(), "--archive", archive, "--media", "1000", "--log", log, "--dump", dump,
                             "--name", name},
                            env);
  ASSERT_GT(first, 0);
  const auto xdo = [&](std::vector<std::string> args) {
    args.insert(args.begin(), xdotool);
    return testsupport::RunsToSuccess(args, {"DISPLAY=" + display}, 20);
  };
  EXPECT_TRUE(WaitForText(log, "mode 640x480x16 fullscreen 1", 20)) << ReadBytes(log);
  EXPECT_TRUE(xdo({"search", "--sync", "--name", "Ostrevan Demo", "windowfocus", "--sync"}));
  std::this_thread::sleep_for(std::chrono::milliseconds(500));
  // Two quick clicks, then a right click after the double-click time.
  EXPECT_TRUE(xdo({"search", "--name", "Ostrevan Demo", "mousemove", "--window", "%1", "100", "50"}));
  EXPECT_TRUE(xdo({"click", "--repeat", "2", "--delay", "80", "1"}));
  std::this_thread::sleep_for(std::chrono::milliseconds(700));
  EXPECT_TRUE(xdo({"search", "--name", "Ostrevan Demo", "mousemove", "--window", "%1", "321", "222"}));
  EXPECT_TRUE(xdo({"click", "3"}));
  EXPECT_TRUE(xdo({"key", "a"}));
  EXPECT_TRUE(xdo({"key", "shift+F12"}));
  EXPECT_TRUE(xdo({"key", "d"}));
  EXPECT_TRUE(WaitForText(log, "dumped 640x480", 10)) << ReadBytes(log);
  std::this_thread::sleep_for(std::chrono::milliseconds(500));

  // The screen against the presented frame: the window's pixels, taken back
  // to 5-6-5, equal the back buffer's.
  const std::string shot = dir.Path("screen.ppm");
  {
    std::string id;
    const std::string cmd = "DISPLAY=" + display + " " + xdotool + " search --name 'Ostrevan Demo' | head -1 > " +
                            dir.Path() + "/wid && DISPLAY=" + display + " " + import + " -window $(cat " + dir.Path() +
                            "/wid) -depth 8 ppm:" + shot;
    EXPECT_EQ(std::system(cmd.c_str()), 0);
  }
  int w1 = 0, h1 = 0, w2 = 0, h2 = 0;
  std::string presented, screen;
  ASSERT_TRUE(ReadPpm(dump, w1, h1, presented));
  ASSERT_TRUE(ReadPpm(shot, w2, h2, screen));
  ASSERT_EQ(w1 * 10000 + h1, 640 * 10000 + 480);
  ASSERT_EQ(w2 * 10000 + h2, 640 * 10000 + 480);
  int different = 0;
  for (size_t i = 0; i < presented.size(); i += 3) {
    const auto q = [](const std::string& s, size_t k) {
      return ((static_cast<uint8_t>(s[k]) >> 3) << 11) | ((static_cast<uint8_t>(s[k + 1]) >> 2) << 5) |
             (static_cast<uint8_t>(s[k + 2]) >> 3);
    };
    different += q(presented, i) != q(screen, i);
  }
  EXPECT_EQ(different, 0);
  // The picture from the archive is in it: its pixel (10, 20) sits at (230, 185).
  const size_t at = (185u * 640u + 230u) * 3u;
  EXPECT_EQ(static_cast<uint8_t>(presented[at]) >> 3, 70 >> 3);
  EXPECT_EQ(static_cast<uint8_t>(presented[at + 1]) >> 2, 100 >> 2);

  // A second start brings the first forward and ends at once with 0.
  const std::string secondLog = dir.Path("second.log");
  const pid_t second = Spawn({DemoPath(), "--log", secondLog, "--name", name}, env);
  int secondStatus = 0;
  EXPECT_TRUE(WaitFor(second, 20, &secondStatus));
  EXPECT_TRUE(WIFEXITED(secondStatus) && WEXITSTATUS(secondStatus) == 0);
  EXPECT_EQ(ReadBytes(secondLog).find("mode "), std::string::npos) << ReadBytes(secondLog);
  EXPECT_EQ(waitpid(first, nullptr, WNOHANG), 0);  // the first still runs

  EXPECT_TRUE(xdo({"search", "--name", "Ostrevan Demo", "windowfocus", "--sync"}));
  EXPECT_TRUE(xdo({"key", "alt+F4"}));
  int status = 0;
  EXPECT_TRUE(WaitFor(first, 20, &status));
  server.Stop();

  const std::string text = ReadBytes(log);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << text;
  EXPECT_NE(text.find("picture archive"), std::string::npos) << text;
  EXPECT_NE(text.find("down 100 50 buttons 1 clicks 1 modifiers 0\nup 100 50 buttons 0\n"
                      "down 100 50 buttons 1 clicks 2 modifiers 0\nup 100 50 buttons 0\n"),
            std::string::npos)
      << text;
  EXPECT_NE(text.find("down 321 222 buttons 4 clicks 1 modifiers 0\nup 321 222 buttons 0\n"), std::string::npos)
      << text;
  EXPECT_NE(text.find("key 65 char 0 modifiers 0\nkey 0 char 97 modifiers 0\nkeyup 65"), std::string::npos) << text;
  EXPECT_NE(text.find("key 123 char 0 modifiers 24"), std::string::npos) << text;
  EXPECT_EQ(Count(text, "shutdown"), 1) << text;
  EXPECT_NE(text.find("display-restored 1"), std::string::npos) << text;
  EXPECT_NE(text.find("exit 0"), std::string::npos) << text;
}

}  // namespace
