// The whole title under random input: clicks, drags, pointer moves, keys
// (Escape, F1, the space bar, letters and arrows, and now and then Alt+F4),
// bursts of keys and clicks a few milliseconds apart, and pauses, sent with xdotool to the title under Xvfb for a given time;
// when the title ends by itself (Alt+F4 then a key on the closing panel) it
// is started again. Throughout:
// - no life of the title ends other than with exit code 0, and its output
//   holds no sanitizer report (leaks at the end included);
// - it never hangs: its run log's "alive frames N" line (every two seconds
//   from the idle loop) keeps coming, the count of frames shown keeps
//   growing on the main panel (within a minute of input), and every
//   hand-over script ("script N") ends ("script-done N");
// - its resident memory (VmRSS) stays within a bound.
//
// The seed of the random input is printed; the same seed sends the same
// input again (timing aside):
//   OSTREVAN_RANDOM_INPUT_SEED=N       the seed (the default is fixed)
//   OSTREVAN_RANDOM_INPUT_SECONDS=S    the duration (the default: 120 s)
// The long form, by hand, e.g. for half an hour (past CTest's time limit,
// so the test program itself):
//   OSTREVAN_RANDOM_INPUT_SECONDS=1800
//       build/test/tests/test_title_run --gtest_filter='RandomInputRunTest.*'
// Every action sent is written to actions.txt beside the run logs (kept in
// build/test/title-run-failure/NAME when the test fails).
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "title/run/TitleRun.h"

namespace {

using namespace titlerun;
using Clock = std::chrono::steady_clock;

constexpr unsigned kDefaultSeed = 20261210;
constexpr int kDefaultSeconds = 120;
// No "alive frames" line for this long: the idle loop stands still.
constexpr int kAliveTimeoutSeconds = 30;
// No new frame for this long while input keeps coming: nothing is drawn.
constexpr int kFrameTimeoutSeconds = 60;
// A hand-over script that has not ended after this long hangs the title
// (each of its waits has a watchdog of a few seconds).
constexpr int kScriptTimeoutSeconds = 60;
// The resident memory of the title may not exceed this, and may not grow by
// more than the second bound from its highest value in a life's first minute
// to the end of a life longer than two minutes. Under ASan (its quarantine
// of freed memory held to 32 MB, free pages given back to the system) a
// life holds 80 to 220 MB and grows by up to about 60 MB in six minutes
// while the quarantine and the allocator's caches fill; the same input to
// a Release build holds 35 to 50 MB and grows by less than 8 MB.
constexpr long kResidentLimitKb = 512 * 1024;
constexpr long kResidentGrowthLimitKb = 96 * 1024;

unsigned SeedFromEnvironment() {
  const char* text = std::getenv("OSTREVAN_RANDOM_INPUT_SEED");
  return text != nullptr && *text != '\0' ? static_cast<unsigned>(std::strtoul(text, nullptr, 10)) : kDefaultSeed;
}

// The resident memory of a process in KB (VmRSS), -1 when it is gone.
long ResidentKb(pid_t pid) {
  std::ifstream status("/proc/" + std::to_string(pid) + "/status");
  std::string line;
  while (std::getline(status, line)) {
    if (line.rfind("VmRSS:", 0) == 0) return std::strtol(line.c_str() + 6, nullptr, 10);
  }
  return -1;
}

// What the run log says so far about the title's health.
struct LogState {
  int aliveLines = 0;
  long frames = 0;
  // The script started last and whether it has ended.
  int openScript = -1;
  int scripts = 0;
  int panel = 0;  // the panel on show
};

LogState ReadLogState(const std::string& path) {
  LogState state;
  std::istringstream lines(testsupport::ReadBytes(path));
  std::string line;
  while (std::getline(lines, line)) {
    if (line.rfind("alive frames ", 0) == 0) {
      ++state.aliveLines;
      state.frames = std::strtol(line.c_str() + 13, nullptr, 10);
    } else if (line.rfind("script-done ", 0) == 0) {
      state.openScript = -1;
    } else if (line.rfind("panel ", 0) == 0) {
      state.panel = std::atoi(line.c_str() + 6);
    } else if (line.rfind("script ", 0) == 0) {
      state.openScript = std::atoi(line.c_str() + 7);
      ++state.scripts;
    }
  }
  return state;
}

// Random input to one life of the title: each action is one xdotool call on
// the title's window, found once per life.
class RandomInput {
 public:
  RandomInput(const RunningTitle& title, std::mt19937& random, std::ofstream& actions)
      : title_(title), random_(random), actions_(actions) {}

  bool FindWindow() {
    window_ = testsupport::Capture("DISPLAY=" + title_.Display() + " " + testsupport::FindProgram("xdotool") +
                                   " search --sync --onlyvisible --name 'Das Ostrevan Haus' | tail -1");
    while (!window_.empty() && (window_.back() == '\n' || window_.back() == '\r')) window_.pop_back();
    return !window_.empty();
  }

  // Sends one random action; returns how long to wait after it.
  std::chrono::milliseconds Next() {
    const int pick = Uniform(0, 999);
    if (pick < 300) {
      const int x = Uniform(0, 639);
      const int y = Uniform(0, 479);
      Send("move", {"mousemove", "--window", window_, Str(x), Str(y)});
      return std::chrono::milliseconds(Uniform(0, 300));
    }
    if (pick < 520) {
      const int x = Uniform(0, 639);
      const int y = Uniform(0, 479);
      const std::string button = Uniform(0, 9) == 0 ? "3" : "1";
      Send("click", {"mousemove", "--window", window_, Str(x), Str(y), "sleep", "0.1", "click", button});
      return std::chrono::milliseconds(Uniform(50, 800));
    }
    if (pick < 640) {
      // A place a person would click: the strip's buttons, the module
      // selector, the hall's portrait and door, the overlays' close buttons.
      static const Point kPlaces[] = {kModuleRegions[0], kModuleRegions[1], kModuleRegions[2], kModuleRegions[3],
                                      kCarouselButton,   kInfoButton,       kRoomsButton,      kInfoCloseButton,
                                      kRoomOverlayClose, kTourButton,       kPortraitAfterTheTurn,
                                      kStaircaseDoor,    kStairs,           kRoomOverlayRooms, kRoomListGarden,
                                      kGardenBubbleButton, kStorylineNext,  kStorylineViewerBack, kPhotoTourButton};
      const Point at = kPlaces[Uniform(0, static_cast<int>(std::size(kPlaces)) - 1)];
      // Hotspots in the tour need the view to settle under the pointer.
      const std::string rest = Uniform(0, 2) == 0 ? "2.5" : "0.2";
      Send("click-place", {"mousemove", "--window", window_, Str(at.x), Str(at.y), "sleep", rest, "click", "1"});
      return std::chrono::milliseconds(Uniform(200, 1500));
    }
    if (pick < 740) {
      std::vector<std::string> args = {"mousemove", "--window", window_, Str(Uniform(0, 639)), Str(Uniform(0, 479)),
                                       "mousedown", "1"};
      const int steps = Uniform(2, 8);
      for (int i = 0; i < steps; ++i) {
        for (const std::string& a : {std::string("sleep"), std::string("0.05"), std::string("mousemove"),
                                     std::string("--window"), window_, Str(Uniform(0, 639)), Str(Uniform(0, 479))}) {
          args.push_back(a);
        }
      }
      args.insert(args.end(), {"mouseup", "1"});
      Send("drag", args);
      return std::chrono::milliseconds(Uniform(50, 500));
    }
    if (pick < 780) return std::chrono::milliseconds(Uniform(500, 3000));  // a pause
    if (pick < 820) {
      // A burst: keys and clicks a few milliseconds apart, into hand-overs
      // and animations that have just begun.
      std::vector<std::string> args;
      const int count = Uniform(3, 6);
      for (int i = 0; i < count; ++i) {
        if (Uniform(0, 1) == 0) {
          args.insert(args.end(), {"key", RandomKey()});
        } else {
          args.insert(args.end(), {"mousemove", "--window", window_, Str(Uniform(0, 639)), Str(Uniform(0, 479)), "click",
                                   "1"});
        }
        args.insert(args.end(), {"sleep", "0.0" + Str(Uniform(1, 9))});
      }
      Send("burst", args);
      return std::chrono::milliseconds(Uniform(200, 1500));
    }
    if (pick < 999) {
      Send("key", {"key", RandomKey()});
      return std::chrono::milliseconds(Uniform(50, 1000));
    }
    // Now and then (one action in a thousand, about once in twelve
    // minutes) the end of the program.
    Send("key", {"key", "alt+F4"});
    return std::chrono::milliseconds(Uniform(500, 2000));
  }

 private:
  int Uniform(int low, int high) { return std::uniform_int_distribution<int>(low, high)(random_); }
  std::string RandomKey() {
    static const char* kKeys[] = {"space", "space", "F1",     "F1",     "Escape", "Escape", "Return", "Tab",
                                  "a",     "b",     "l",      "ctrl+l", "ctrl+b", "Left",   "Right",  "Up",
                                  "Down",  "1",     "2",      "F12",    "p",      "r",      "BackSpace"};
    return kKeys[Uniform(0, static_cast<int>(std::size(kKeys)) - 1)];
  }
  static std::string Str(int value) { return std::to_string(value); }
  void Send(const char* what, const std::vector<std::string>& args) {
    actions_ << what;
    for (const std::string& a : args) actions_ << ' ' << a;
    actions_ << '\n';
    actions_.flush();
    // A failed call (the window gone while the title ends) is no fault of
    // the title's: what it did shows in its log and exit.
    title_.Xdotool(args);
  }

  const RunningTitle& title_;
  std::mt19937& random_;
  std::ofstream& actions_;
  std::string window_;
};

class RandomInputRunTest : public TitleRunTest {
 protected:
  // The stack of every thread of a title that seems to hang, for the report.
  static std::string Backtrace(pid_t pid) {
    const std::string gdb = testsupport::FindProgram("gdb");
    if (gdb.empty()) return "(no gdb for a backtrace)";
    return testsupport::Capture("timeout 60 " + gdb + " -p " + std::to_string(pid) +
                                " -batch -ex 'thread apply all bt' 2>/dev/null | grep -E '^(#|Thread)' | head -150");
  }
};

// The short form runs in CI; OSTREVAN_RANDOM_INPUT_SECONDS makes it longer.
TEST_F(RandomInputRunTest, TheTitleSurvivesRandomInput) {
  REQUIRE_TOOL(xvfb, "Xvfb");
  REQUIRE_TOOL(xdotool, "xdotool");
  REQUIRE_TOOL(import, "import");
  const unsigned seed = SeedFromEnvironment();
  const int seconds = IntFromEnvironment("OSTREVAN_RANDOM_INPUT_SECONDS", kDefaultSeconds);
  std::printf("random input: seed %u, %d s (replay: OSTREVAN_RANDOM_INPUT_SEED=%u)\n", seed, seconds, seed);
  std::fflush(stdout);
  std::mt19937 random(seed);
  std::ofstream actions(temp_.Path("actions.txt"));
  std::vector<std::string> environment = RunEnvironment("/dev/null");
  // The sound goes nowhere; ASan's quarantine of freed memory is held to
  // 32 MB (its default of 256 MB would hide growth under its own) and its
  // allocator gives free pages back to the system.
  for (std::string& e : environment) {
    if (e.rfind("ASAN_OPTIONS=", 0) == 0) e += ":quarantine_size_mb=32:allocator_release_to_os_interval_ms=500";
  }

  const Clock::time_point end = Clock::now() + std::chrono::seconds(seconds);
  int lives = 0;
  long actionsSent = 0;
  long highestKb = 0;
  long largestGrowthKb = 0;
  while (Clock::now() < end && !HasFailure()) {
    ++lives;
    const std::string log = temp_.Path("run.log");
    std::optional<RunningTitle> title;
    title.emplace(xvfb, xdotool, import, temp_.Path(), -1, environment);
    ASSERT_TRUE(title->Started()) << "Xvfb did not start";
    const auto step = [&](const std::string& what) {
      return "life " + std::to_string(lives) + " at \"" + what + "\":\n" + testsupport::ReadBytes(log);
    };
    actions << "# life " << lives << '\n';
    ASSERT_TRUE(testsupport::WaitForText(log, "panel 8194", 60)) << step("start") << title->Output();
    RandomInput input(*title, random, actions);
    ASSERT_TRUE(input.FindWindow()) << step("window");

    const Clock::time_point born = Clock::now();
    Clock::time_point lastAlive = born;
    Clock::time_point lastFrame = born;
    Clock::time_point scriptSince = born;
    LogState seen;
    long firstMinuteKb = 0;
    long lastKb = 0;
    long lifeHighestKb = 0;
    bool ended = false;
    int status = 0;
    while (Clock::now() < end) {
      const std::chrono::milliseconds pause = input.Next();
      ++actionsSent;
      // The pause in small slices, watching the title meanwhile.
      const Clock::time_point pauseEnd = Clock::now() + pause;
      do {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        if (waitpid(title->Child(), &status, WNOHANG) == title->Child()) {
          ended = true;
          break;
        }
      } while (Clock::now() < pauseEnd);
      if (ended) break;

      const Clock::time_point now = Clock::now();
      const long kb = ResidentKb(title->Child());
      if (kb > 0) {
        lastKb = kb;
        lifeHighestKb = std::max(lifeHighestKb, kb);
        if (now - born < std::chrono::seconds(60)) firstMinuteKb = std::max(firstMinuteKb, kb);
        ASSERT_LE(kb, kResidentLimitKb) << step("resident memory");
      }
      const LogState state = ReadLogState(log);
      if (state.aliveLines > seen.aliveLines) lastAlive = now;
      // The closing panel rests on its last page until a key ends it.
      if (state.frames > seen.frames || state.panel != 8192) lastFrame = now;
      if (state.scripts != seen.scripts || state.openScript < 0) scriptSince = now;
      seen = state;
      const bool stillAlive = now - lastAlive < std::chrono::seconds(kAliveTimeoutSeconds);
      const bool drawing = now - lastFrame < std::chrono::seconds(kFrameTimeoutSeconds);
      const bool scriptEnds = now - scriptSince < std::chrono::seconds(kScriptTimeoutSeconds);
      if (!stillAlive || !drawing || !scriptEnds) {
        Shot shot;
        title->Take("hang.ppm", shot);
        FAIL() << (!stillAlive ? "the idle loop stands still" : !drawing ? "no frame is drawn" : "a script never ends")
               << " (script " << state.openScript << ")\n"
               << Backtrace(title->Child()) << "\n"
               << step("hang");
      }
    }
    if (!ended) {
      // The time is up: Alt+F4 to the closing panel (again while a script
      // still runs, or the program ends at once on the closing panel),
      // Escape to the end.
      const int closingPanels = CountOf(log, "panel 8193");
      bool closing = false;
      for (int attempt = 0; attempt < 5 && !closing && !ended; ++attempt) {
        title->Key("alt+F4");
        for (int i = 0; i < 200 && !closing && !ended; ++i) {
          std::this_thread::sleep_for(std::chrono::milliseconds(50));
          closing = CountOf(log, "panel 8193") > closingPanels;
          ended = waitpid(title->Child(), &status, WNOHANG) == title->Child();
        }
      }
      ASSERT_TRUE(closing || ended) << step("Alt+F4 at the end");
      if (!ended) {
        std::this_thread::sleep_for(std::chrono::milliseconds(500));
        title->Key("Escape");
        ASSERT_TRUE(testsupport::WaitFor(title->Child(), 60, &status)) << step("Escape at the end");
      }
    }
    if (largestGrowthKb < lastKb - firstMinuteKb && Clock::now() - born > std::chrono::seconds(120)) {
      largestGrowthKb = lastKb - firstMinuteKb;
    }
    highestKb = std::max(highestKb, lifeHighestKb);
    const double lifeSeconds = std::chrono::duration<double>(Clock::now() - born).count();
    std::printf(
        "life %d: %.0f s, %d scripts, %d screens, %d items, %d bubbles entered; resident %ld KB highest, %ld KB in "
        "the first minute, %ld KB at the end\n",
        lives, lifeSeconds, CountOf(log, "script-done "), CountOf(log, "screen-shown "), CountOf(log, "item-shown "),
        CountOf(log, "bubble-entered "), lifeHighestKb, firstMinuteKb, lastKb);
    std::fflush(stdout);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0)
        << "status " << status << "\n" << title->Output() << step("the end");
    ExpectCleanOutput(title->Output());
    if (lifeSeconds > 120) {
      EXPECT_LE(lastKb - firstMinuteKb, kResidentGrowthLimitKb) << step("resident memory grew");
    }
    title.reset();
    // The next life starts with this one's history.log; its logs stay.
    std::error_code ignored;
    std::filesystem::rename(log, temp_.Path("life-" + std::to_string(lives) + "-run.log"), ignored);
    std::filesystem::rename(temp_.Path("output.txt"), temp_.Path("life-" + std::to_string(lives) + "-output.txt"),
                            ignored);
  }
  std::printf("random input: seed %u, %d s, %d lives, %ld actions, resident at most %ld KB, largest growth %ld KB\n",
              seed, seconds, lives, actionsSent, highestKb, largestGrowthKb);
}

}  // namespace
