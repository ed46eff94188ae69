// A demonstration of the application framework (not part of the title): a
// single-instance program with a 640 x 480 x 16 full-screen main window whose
// object tree draws pictures read from an archive, logs the engine messages
// that reach it, and can dump the frame it presented.
//
//   ostrevan-app-demo [--archive FILE.msf --media ID[,ID...]] [--log FILE] [--dump FILE.ppm]
//                     [--name NAME] [--measure-idle MS] [--quit-after-measure]
//                     [--meter-period MS] [--timing-tasks MS[,MS...]] [--idle-tick MS]
//
// --measure-idle logs the processor time the process used over MS of wall
// time ("idle wall-ms ... cpu-us ..."); the meter is a task that asks for a
// step every --meter-period ms (10; 0: only when the measurement ends, so
// nothing is due in between). --timing-tasks adds periodic tasks that ask
// for steps at those periods and logs, per period, how late their steps came
// ("timing period ... max-us ..."), beside a thread that sleeps to 10 ms
// deadlines on its own as the reference. --idle-tick sets the longest stretch
// without a tick while idle (0: none).
//
// Each medium is loaded as a VPicture by its id (any picture type the reader
// registry knows: RIX, BMP, GIF, Targa, Photoshop, JPEG) from the archive,
// which is registered as the default and current one; the pictures (frame 0,
// with their transparency) are shown side by side, centred. Without an
// archive a generated pattern stands in for them. Keys: "d" dumps the
// presented frame to the --dump file (PPM); Alt+F4 or Escape quit.
#include <sys/resource.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <memory>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "engine/app/CursorResources.h"
#include "engine/app/MainWindow.h"
#include "engine/app/MessagePointer.h"
#include "engine/app/VApplication.h"
#include "engine/app/VControl.h"
#include "engine/app/VDisplay.h"
#include "engine/app/VExceptionFilter.h"
#include "engine/archive/ArchiveServices.h"
#include "engine/archive/MediaArchive.h"
#include "engine/core/VFileSpec.h"
#include "engine/core/VTLink.h"
#include "engine/graphics/DrawPort.h"
#include "engine/graphics/PictureFileReader.h"
#include "engine/graphics/PixelMap.h"
#include "engine/graphics/VPicture.h"
#include "engine/services/EngineServices.h"
#include "platform/Clock.h"
#include "platform/Display.h"
#include "tools/demo/DemoSupport.h"

namespace {

struct Options {
  std::string archive;
  std::vector<int> media;
  std::string log;
  std::string dump;
  std::string name;
  int measureIdleMs = 0;
  bool quitAfterMeasure = false;
  int meterPeriodMs = 10;
  std::vector<int> timingPeriods;
  int idleTickMs = -1;  // -1: the framework's default
} gOptions;

using demo::Log;

uint64_t CpuMicroseconds() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return static_cast<uint64_t>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) * 1000000u +
         static_cast<uint64_t>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec);
}

// Where the pictures come from: "archive" or "generated", or an error.
std::string gSource;

// A stand-in picture: a 320 x 240 gradient with a checker pattern, at the
// display's depth (the layout of the window's off-screen maps).
VPicture* MakeGeneratedPicture() {
  auto* map = new PixelMap(VRect(0, 0, 320, 240), 0, nullptr);
  if (!map->HasStorage()) {
    delete map;
    return nullptr;
  }
  for (int32_t y = 0; y < 240; ++y) {
    for (int32_t x = 0; x < 320; ++x) {
      map->SetPixel(VPoint(x, y), VRGBColor(static_cast<uint8_t>(x * 255 / 319), static_cast<uint8_t>(y * 255 / 239),
                                            static_cast<uint8_t>(((x / 20) + (y / 20)) % 2 ? 200 : 40)));
    }
  }
  return new VPicture(map);
}

// The pictures to show (one reference each, for the caller): every --media
// id of the archive, read as a picture through the reader registry with the
// archive registered as the default and current one; without an archive the
// generated picture. Empty, with gSource saying why, on any failure.
std::vector<VPicture*> LoadPictures() {
  std::vector<VPicture*> pictures;
  if (gOptions.archive.empty()) {
    if (VPicture* picture = MakeGeneratedPicture()) pictures.push_back(picture);
    gSource = pictures.empty() ? "error: no memory for the generated picture" : "generated";
    return pictures;
  }
  static MediaArchive archive;
  if (!archive.OpenArchive(VFileSpec(gOptions.archive.c_str()), false)) {
    gSource = "error: cannot open archive " + gOptions.archive;
    return pictures;
  }
  SetDefaultMediaArchive(&archive);
  SetCurrentArchive(&archive);
  if (gOptions.media.empty()) {
    gSource = "error: no --media id";
    return pictures;
  }
  for (const int id : gOptions.media) {
    if (id < 1 || id > 0xFFFF) {
      gSource = "error: bad media id " + std::to_string(id);
      break;
    }
    auto* picture = new VPicture(static_cast<uint16_t>(id));
    if (picture->Load() != 0 || picture->GetPixelMap() == nullptr || picture->GetBounds().IsEmpty()) {
      picture->Release();
      gSource = "error: medium " + std::to_string(id) + " is not a readable picture";
      break;
    }
    picture->SetFrame(0);
    pictures.push_back(picture);
    Log("media " + std::to_string(id) + " " + std::to_string(picture->GetWidth()) + "x" +
        std::to_string(picture->GetHeight()) + " frames " + std::to_string(picture->GetFrameCount()) +
        " attributes " + (picture->HasPixelAttributes() ? "1" : "0"));
  }
  if (pictures.size() != gOptions.media.size()) {
    for (VPicture* picture : pictures) picture->Release();
    pictures.clear();
    return pictures;
  }
  gSource = "archive";
  return pictures;
}

void DumpFrame() {
  const std::string problem = demo::DumpPresentedFrame(gOptions.dump);
  if (!problem.empty()) std::fprintf(stderr, "ostrevan-app-demo: %s\n", problem.c_str());
}

// The first panel: draws the pictures side by side, centred, on a dark
// background (each with its transparency, as a picture control draws its
// picture) and a marker where the last click was; logs the input that
// reaches it.
class PicturePanel : public VControl {
 public:
  // Takes the references to the pictures.
  PicturePanel(VGraphicObject* parent, std::vector<VPicture*> pictures)
      : VControl(VControl::kApplicationKind, MainWindow::kFirstPanelId, 0, 0, 0, 640, 480, parent),
        pictures_(std::move(pictures)) {
    SetCursorId(107);
  }
  ~PicturePanel() override {
    for (VPicture* picture : pictures_) picture->Release();
  }

  void DrawContent(DrawPort* port, const VRect& rect) override {
    if (port == nullptr) return;
    const VRGBColor background(16, 32, 64);
    port->FillRect(rect, &background, nullptr, 1, 0, 0);
    VRect area;
    GetGlobalBounds(area);
    constexpr int32_t kGap = 16;
    int64_t total = 0;
    for (VPicture* picture : pictures_) total += picture->GetWidth() + (total > 0 ? kGap : 0);
    int64_t left = area.left + (area.GetWidth() - total) / 2;
    for (VPicture* picture : pictures_) {
      const int64_t top = area.top + (area.GetHeight() - picture->GetHeight()) / 2;
      const int64_t right = left + picture->GetWidth();
      // Pictures beyond the panel are left out rather than wrap coordinates.
      if (left >= INT32_MIN && right <= INT32_MAX && top >= INT32_MIN && top + picture->GetHeight() <= INT32_MAX) {
        const VRect destination(static_cast<int32_t>(left), static_cast<int32_t>(top), static_cast<int32_t>(right),
                                static_cast<int32_t>(top + picture->GetHeight()));
        picture->Draw(port, destination, &rect);
      }
      left = right + kGap;
    }
    if (marker_.IsNonEmpty()) {
      VRect part;
      const VRGBColor yellow(255, 255, 0);
      if (marker_.Intersect(rect, part)) port->FillRect(part, &yellow, nullptr, 1, 0, 0);
    }
  }

  bool MouseDown(const VMouseEvent& e) override {
    Log("down " + std::to_string(e.x) + " " + std::to_string(e.y) + " buttons " + std::to_string(e.buttons) +
        " clicks " + std::to_string(GetClickCount()) + " modifiers " + std::to_string(e.modifiers));
    TakeMouseCapture();  // the release comes back to this panel
    const VRect old = marker_;
    marker_ = VRect(e.x - 3, e.y - 3, e.x + 4, e.y + 4);
    if (old.IsNonEmpty()) Redraw(nullptr, &old);
    Redraw(nullptr, &marker_);
    return true;
  }
  bool MouseUp(const VMouseEvent& e) override {
    Log("up " + std::to_string(e.x) + " " + std::to_string(e.y) + " buttons " + std::to_string(e.buttons));
    return true;
  }
  bool KeyDown(const VKeyEvent& e) override {
    // Alt combinations are left to the window (Alt+F4 closes it).
    if (e.IsAltDown()) return false;
    Log("key " + std::to_string(e.virtualKey) + " char " + std::to_string(e.character) + " modifiers " +
        std::to_string(e.modifiers));
    if (e.character == 'd') DumpFrame();
    if (e.virtualKey == 0x1B) GetApplication()->Quit();
    return true;
  }
  bool KeyUp(const VKeyEvent& e) override {
    if (e.IsAltDown()) return false;
    Log("keyup " + std::to_string(e.virtualKey));
    return true;
  }
  bool HandleEvent(uint32_t code, uint32_t value1, uint32_t value2) override {
    if (code == kMessageTick) ++ticks_;
    return VControl::HandleEvent(code, value1, value2);
  }
  uint64_t GetTicks() const { return ticks_; }

 private:
  std::vector<VPicture*> pictures_;
  VRect marker_;
  uint64_t ticks_ = 0;
};

PicturePanel* gPanel = nullptr;

// One line of lateness figures (microseconds) for the measurement log:
// count, mean, median, 99th percentile, maximum and how many were over 1 ms.
std::string FormatLateness(const std::string& label, std::vector<uint64_t>& lateUs) {
  std::sort(lateUs.begin(), lateUs.end());
  uint64_t sum = 0;
  size_t over = 0;
  for (const uint64_t late : lateUs) {
    sum += late;
    if (late > 1000) ++over;
  }
  const size_t n = lateUs.size();
  const auto at = [&](double q) { return n == 0 ? 0 : lateUs[std::min(n - 1, static_cast<size_t>(q * n))]; };
  return label + " steps " + std::to_string(n) + " mean-us " + std::to_string(n == 0 ? 0 : sum / n) + " median-us " +
         std::to_string(at(0.5)) + " p99-us " + std::to_string(at(0.99)) + " max-us " +
         std::to_string(n == 0 ? 0 : lateUs.back()) + " over-1ms " + std::to_string(over);
}

// A task that works on a fixed period, as an animation would, and records
// how late each step comes after the moment it asked for (microseconds).
class TimingTask : public VTask {
 public:
  explicit TimingTask(uint32_t periodMs) : VTask(0, true, true, true, ::GetTaskManager()), period_(periodMs) {}
  bool Step(uint32_t) override {
    const uint64_t nowUs = platform::Microseconds();
    if (dueMs_ == 0) {
      dueMs_ = nowUs / 1000 + period_;
    } else {
      if (nowUs < dueMs_ * 1000) return true;  // a pass brought by something else
      lateUs_.push_back(nowUs - dueMs_ * 1000);
      dueMs_ += period_;
      while (dueMs_ * 1000 <= nowUs) {  // a whole period missed
        dueMs_ += period_;
        ++missed_;
      }
    }
    SetNextStepTime(static_cast<uint32_t>(dueMs_));
    return true;
  }
  std::string Report() {
    return FormatLateness("timing period " + std::to_string(period_), lateUs_) + " missed " + std::to_string(missed_);
  }

 private:
  uint32_t period_;
  uint64_t dueMs_ = 0;
  std::vector<uint64_t> lateUs_;
  uint64_t missed_ = 0;
};

std::vector<TimingTask*> gTimingTasks;

// The reference for the lateness figures: a thread of its own that sleeps
// until each 10 ms deadline (clock_nanosleep through sleep_until), measured
// over the same stretch, so what the machine's load adds shows in both.
class ReferenceSleeper {
 public:
  void Start() {
    thread_ = std::thread([this] {
      using Clock = std::chrono::steady_clock;
      Clock::time_point due = Clock::now();
      while (!stop_.load()) {
        due += std::chrono::milliseconds(10);
        std::this_thread::sleep_until(due);
        const auto late = std::chrono::duration_cast<std::chrono::microseconds>(Clock::now() - due).count();
        lateUs_.push_back(static_cast<uint64_t>(std::max<int64_t>(0, late)));
      }
    });
  }
  std::string StopAndReport() {
    stop_.store(true);
    if (thread_.joinable()) thread_.join();
    return FormatLateness("timing reference-thread period 10", lateUs_);
  }

 private:
  std::thread thread_;
  std::atomic<bool> stop_{false};
  std::vector<uint64_t> lateUs_;
};

ReferenceSleeper gReference;
bool gReferenceRunning = false;

// Measures the process's processor time over a stretch of idling, stepping
// every --meter-period ms (or only at the end).
class IdleMeter : public VTask {
 public:
  IdleMeter() : VTask(1, true, true, true, ::GetTaskManager()) {}
  bool Step(uint32_t pass) override {
    if (lastPass_ != 0 && pass != lastPass_ + 1) passGaps_ = true;
    lastPass_ = pass;
    const uint32_t now = GetTaskTickCount();
    if (!settled_) {
      // The start-up (display check, first frame) is over after a moment.
      settled_ = true;
      settleEnd_ = now + 500;
      SetNextStepTime(settleEnd_);
      return true;
    }
    if (!started_ && static_cast<int32_t>(now - settleEnd_) < 0) return true;
    if (!started_) {
      started_ = true;
      startTick_ = now;
      startCpu_ = CpuMicroseconds();
      startPass_ = pass;
      startTicks_ = gPanel != nullptr ? gPanel->GetTicks() : 0;
      for (const int period : gOptions.timingPeriods) gTimingTasks.push_back(new TimingTask(period));
      if (!gOptions.timingPeriods.empty()) {
        gReference.Start();
        gReferenceRunning = true;
      }
    }
    const uint32_t end = startTick_ + static_cast<uint32_t>(gOptions.measureIdleMs);
    if (static_cast<int32_t>(now - end) < 0) {
      const uint32_t period = static_cast<uint32_t>(std::max(0, gOptions.meterPeriodMs));
      const uint32_t next = period > 0 && static_cast<int32_t>(now + period - end) < 0 ? now + period : end;
      SetNextStepTime(next);
      return true;
    }
    const uint64_t cpu = CpuMicroseconds() - startCpu_;
    Log("idle wall-ms " + std::to_string(now - startTick_) + " cpu-ms " + std::to_string(cpu / 1000) + " passes " +
        std::to_string(pass - startPass_) + " ticks " +
        std::to_string((gPanel != nullptr ? gPanel->GetTicks() : 0) - startTicks_) + " pass-gaps " +
        (passGaps_ ? "1" : "0") + " cpu-us " + std::to_string(cpu));
    for (TimingTask* task : gTimingTasks) {
      Log(task->Report());
      task->SetFinished();  // the manager deletes it
    }
    gTimingTasks.clear();
    if (gReferenceRunning) Log(gReference.StopAndReport());
    gReferenceRunning = false;
    if (gOptions.quitAfterMeasure) GetApplication()->Quit();
    return false;
  }

 private:
  bool settled_ = false;
  uint32_t settleEnd_ = 0;
  bool started_ = false;
  uint32_t startTick_ = 0;
  uint64_t startCpu_ = 0;
  uint32_t startPass_ = 0;
  uint32_t lastPass_ = 0;
  uint64_t startTicks_ = 0;
  bool passGaps_ = false;
};

class DemoApplication : public VApplication {
 public:
  bool StartApplication() override {
    RegisterCursorResources();
    SetupLookupTables();
    if (!SetupDisplay(DisplaySetup{})) {
      std::fputs("ostrevan-app-demo: error: cannot set up the display\n", stderr);
      return false;
    }
    // Pictures load at the display's depth, the layout of the window's
    // off-screen maps, so drawing them copies pixels without conversion.
    SetLoadPixelFormat(0);
    std::vector<VPicture*> pictures = LoadPictures();
    Log("picture " + gSource);
    if (pictures.empty()) {
      std::fprintf(stderr, "ostrevan-app-demo: %s\n", gSource.c_str());
      return false;
    }
    gPanel = new PicturePanel(GetMainWindow(), std::move(pictures));
    gPanel->SetVisible(false, false);  // shown by the display check
    if (gOptions.idleTickMs >= 0) SetIdleTickInterval(static_cast<uint32_t>(gOptions.idleTickMs));
    if (gOptions.measureIdleMs > 0) new IdleMeter();
    int32_t w = 0, h = 0, d = 0;
    VDisplay::Get().GetDisplayMode(w, h, d);
    Log("mode " + std::to_string(w) + "x" + std::to_string(h) + "x" + std::to_string(d) + " fullscreen " +
        (VDisplay::Get().IsFullScreen() ? "1" : "0"));
    return true;
  }
  void CreateMainWindow(const VRect& screen) override {
    auto* window = new MainWindow(4096, 4096, screen, true, true);
    VString title("Ostrevan Demo");
    window->SetTitle(title);
  }
  void Shutdown() override {
    if (IsRunning()) Log("shutdown");
    VApplication::Shutdown();
    if (!IsRunning() && !shutdownLogged_) {
      shutdownLogged_ = true;
      Log(std::string("display-restored ") + (platform::Display::Get().IsModeSwitched() ? "0" : "1"));
    }
  }

 private:
  bool shutdownLogged_ = false;
};

constexpr const char* kUsage =
    "usage: ostrevan-app-demo [--archive FILE.msf --media ID[,ID...]] [--log FILE] [--dump FILE.ppm]\n"
    "                         [--name NAME] [--measure-idle MS] [--quit-after-measure]\n"
    "                         [--meter-period MS] [--idle-tick MS] [--timing-tasks MS[,MS...]] [--help]\n";

// A whole decimal number within [low, high], or false.
bool ParseNumber(const std::string& text, long low, long high, int& value) {
  char* end = nullptr;
  errno = 0;
  const long parsed = std::strtol(text.c_str(), &end, 10);
  if (text.empty() || end == text.c_str() || *end != '\0' || errno == ERANGE || parsed < low || parsed > high) {
    return false;
  }
  value = static_cast<int>(parsed);
  return true;
}

// Reads the command line into gOptions. Returns -1 to go on, else the exit
// code (0 after --help, 2 for a command line not understood, with a message
// and the usage on stderr).
int ParseOptions(int argc, char** argv) {
  const auto refuse = [](const std::string& message) {
    std::fprintf(stderr, "ostrevan-app-demo: %s\n%s", message.c_str(), kUsage);
    return 2;
  };
  for (int i = 1; i < argc; ++i) {
    const std::string a = argv[i];
    if (a == "--help" || a == "-h") {
      std::fputs(kUsage, stdout);
      return 0;
    }
    if (a == "--quit-after-measure") {
      gOptions.quitAfterMeasure = true;
      continue;
    }
    const bool takesValue = a == "--archive" || a == "--media" || a == "--log" || a == "--dump" || a == "--name" ||
                            a == "--measure-idle" || a == "--meter-period" || a == "--idle-tick" ||
                            a == "--timing-tasks";
    if (!takesValue) return refuse((a.size() > 1 && a[0] == '-' ? "unknown option '" : "unexpected argument '") + a + "'");
    if (i + 1 >= argc) return refuse("option '" + a + "' needs a value");
    const std::string value = argv[++i];
    if (a == "--archive") {
      gOptions.archive = value;
    } else if (a == "--media") {
      // "--media 200 --media 201" or "--media 200,201": side by side. The
      // range of each id is checked when the pictures load.
      for (size_t p = 0; p <= value.size();) {
        const size_t comma = std::min(value.find(',', p), value.size());
        int id = 0;
        if (!ParseNumber(value.substr(p, comma - p), INT_MIN, INT_MAX, id)) {
          return refuse("bad media id '" + value.substr(p, comma - p) + "'");
        }
        gOptions.media.push_back(id);
        p = comma + 1;
      }
    } else if (a == "--log") {
      gOptions.log = value;
    } else if (a == "--dump") {
      gOptions.dump = value;
    } else if (a == "--name") {
      gOptions.name = value;
    } else if (a == "--timing-tasks") {
      for (size_t p = 0; p <= value.size();) {
        const size_t comma = std::min(value.find(',', p), value.size());
        int period = 0;
        if (!ParseNumber(value.substr(p, comma - p), 1, INT_MAX, period)) {
          return refuse("bad task period '" + value.substr(p, comma - p) + "' for --timing-tasks (milliseconds)");
        }
        gOptions.timingPeriods.push_back(period);
        p = comma + 1;
      }
    } else {
      int* target = a == "--meter-period" ? &gOptions.meterPeriodMs
                    : a == "--idle-tick"  ? &gOptions.idleTickMs
                                          : &gOptions.measureIdleMs;
      if (!ParseNumber(value, 0, INT_MAX, *target)) {
        return refuse("bad duration '" + value + "' for " + a + " (milliseconds)");
      }
    }
  }
  return -1;
}

}  // namespace

int main(int argc, char** argv) {
  const int parsed = ParseOptions(argc, argv);
  if (parsed >= 0) return parsed;
  if (!gOptions.log.empty()) {
    if (!demo::OpenLog(gOptions.log)) {
      std::fprintf(stderr, "ostrevan-app-demo: cannot write the log '%s'\n", gOptions.log.c_str());
      return 1;
    }
  }
  InstallEngineServices();
  VExceptionFilter filter;
  DemoApplication app;
  if (!gOptions.name.empty()) app.SetAppName(gOptions.name.c_str());
  Log("start");
  const int code = VApplication::Main(argc, argv);
  Log("exit " + std::to_string(code));
  return code;
}
