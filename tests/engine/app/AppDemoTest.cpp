// The demo program of the framework as a whole: under Xvfb the screen shows
// exactly the frame that was presented, real clicks and keys reach the object
// tree as engine messages, a second start ends at once with 0, Alt+F4 closes
// and the shutdown runs once with the display given back. Without Xvfb (SDL's
// dummy driver) the idle loop's processor use is measured. The Xvfb test is
// skipped when Xvfb, xdotool, ImageMagick's import or Python is missing.
#include <gtest/gtest.h>

#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

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

std::string DemoPath() {
  std::string self(4096, '\0');
  self.resize(static_cast<size_t>(readlink("/proc/self/exe", self.data(), self.size() - 1)));
  return self.substr(0, self.find_last_of('/')) + "/engine/app/demo/ostrevan-app-demo";
}

pid_t Spawn(const std::vector<std::string>& args, const std::vector<std::string>& extraEnv) {
  std::vector<std::string> a = args;
  std::vector<char*> argv;
  for (std::string& s : a) argv.push_back(s.data());
  argv.push_back(nullptr);
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

bool Exists(const std::string& path) { return access(path.c_str(), F_OK) == 0; }

std::string ReadAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

int Count(const std::string& text, const std::string& what) {
  int n = 0;
  for (size_t p = text.find(what); p != std::string::npos; p = text.find(what, p + 1)) ++n;
  return n;
}

bool WaitForText(const std::string& path, const std::string& what, int seconds) {
  for (int i = 0; i < seconds * 50; ++i) {
    if (ReadAll(path).find(what) != std::string::npos) return true;
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

class TempDir {
 public:
  TempDir() {
    char dir[] = "/tmp/ostrevan-appdemo-XXXXXX";
    path = mkdtemp(dir) != nullptr ? dir : "";
  }
  ~TempDir() {
    if (!path.empty()) {
      const std::string cmd = "rm -rf '" + path + "'";
      [[maybe_unused]] int rc = std::system(cmd.c_str());
    }
  }
  std::string path;
};

TEST(AppDemo, IdleLoopDoesNotBurnAProcessor) {
  TempDir dir;
  const std::string log = dir.path + "/log";
  const pid_t demo = Spawn({DemoPath(), "--log", log, "--measure-idle", "2000", "--quit-after-measure", "--name",
                            "ostrevan-appdemo-idle-" + std::to_string(getpid())},
                           {"SDL_VIDEODRIVER=dummy", "ASAN_OPTIONS=detect_leaks=0"});
  ASSERT_GT(demo, 0);
  int status = 0;
  ASSERT_TRUE(WaitFor(demo, 60, &status));
  const std::string text = ReadAll(log);
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
  TempDir dir;
  // The archive: medium 1000 holds a 200 x 150 picture (header: width and
  // height, 16-bit little-endian; then RGB rows), written by the independent
  // Python archive writer.
  const std::string archive = dir.path + "/pictures.msf";
  {
    const std::string script = dir.path + "/make.py";
    std::ofstream(script) << "import json\n"
                             "w,h=200,150\n"
                             "d=bytes([w&255,w>>8,h&255,h>>8])+bytes(b for y in range(h) for x in range(w) "
                             "for b in ((x*7)&255,(y*5)&255,(x*y)&255))\n"
                             "json.dump({'entries':[{'id':1000,'type':'RAWP','name':'pic','data':'hex:'+d.hex()}]},"
                             "open('" << dir.path << "/d.json','w'))\n";
    const std::string cmd = python + " " + script + " && " + python + " '" + OSTREVAN_SOURCE_DIR +
                            "/tests/data/msf_oracle.py' build " + dir.path + "/d.json " + archive;
    ASSERT_EQ(std::system(cmd.c_str()), 0);
  }

  int number = 140 + getpid() % 100;
  while (Exists("/tmp/.X11-unix/X" + std::to_string(number)) || Exists("/tmp/.X" + std::to_string(number) + "-lock")) {
    ++number;
  }
  const std::string display = ":" + std::to_string(number);
  const pid_t server = Spawn({xvfb, display, "-screen", "0", "640x480x24", "-nolisten", "tcp"}, {});
  ASSERT_GT(server, 0);
  for (int i = 0; i < 250 && !Exists("/tmp/.X11-unix/X" + std::to_string(number)); ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  const std::string name = "ostrevan-appdemo-" + std::to_string(getpid());
  const std::vector<std::string> env = {"DISPLAY=" + display, "SDL_VIDEODRIVER=x11", "OSTREVAN_WINDOWED=1",
                                        "ASAN_OPTIONS=detect_leaks=0"};
  const std::string log = dir.path + "/first.log";
  const std::string dump = dir.path + "/presented.ppm";
  const pid_t first = Spawn({DemoPath(), "--archive", archive, "--media", "1000", "--log", log, "--dump", dump,
                             "--name", name},
                            env);
  ASSERT_GT(first, 0);
  const auto xdo = [&](std::vector<std::string> args) {
    args.insert(args.begin(), xdotool);
    int status = 0;
    const pid_t p = Spawn(args, {"DISPLAY=" + display});
    return p > 0 && WaitFor(p, 20, &status) && WIFEXITED(status) && WEXITSTATUS(status) == 0;
  };
  EXPECT_TRUE(WaitForText(log, "mode 640x480x16 fullscreen 1", 20)) << ReadAll(log);
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
  EXPECT_TRUE(WaitForText(log, "dumped 640x480", 10)) << ReadAll(log);
  std::this_thread::sleep_for(std::chrono::milliseconds(500));

  // The screen against the presented frame: the window's pixels, taken back
  // to 5-6-5, equal the back buffer's.
  const std::string shot = dir.path + "/screen.ppm";
  {
    std::string id;
    const std::string cmd = "DISPLAY=" + display + " " + xdotool + " search --name 'Ostrevan Demo' | head -1 > " +
                            dir.path + "/wid && DISPLAY=" + display + " " + import + " -window $(cat " + dir.path +
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
  const std::string secondLog = dir.path + "/second.log";
  const pid_t second = Spawn({DemoPath(), "--log", secondLog, "--name", name}, env);
  int secondStatus = 0;
  EXPECT_TRUE(WaitFor(second, 20, &secondStatus));
  EXPECT_TRUE(WIFEXITED(secondStatus) && WEXITSTATUS(secondStatus) == 0);
  EXPECT_EQ(ReadAll(secondLog).find("mode "), std::string::npos) << ReadAll(secondLog);
  EXPECT_EQ(waitpid(first, nullptr, WNOHANG), 0);  // the first still runs

  EXPECT_TRUE(xdo({"search", "--name", "Ostrevan Demo", "windowfocus", "--sync"}));
  EXPECT_TRUE(xdo({"key", "alt+F4"}));
  int status = 0;
  EXPECT_TRUE(WaitFor(first, 20, &status));
  kill(server, SIGTERM);
  int serverStatus = 0;
  WaitFor(server, 10, &serverStatus);

  const std::string text = ReadAll(log);
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
