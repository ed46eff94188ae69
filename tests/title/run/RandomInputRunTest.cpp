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
// - its resident memory (VmRSS) stays within a bound;
// - every few actions the input stops and the way back into the tour is
//   taken as a person would, chosen by what the run log says is on show: a
//   detail photo's close button, an overlay's close button, the room's name
//   on the strip; then the tour must be alive: the view turns when the
//   pointer moves, and after the room list has brought the tour to a room
//   with a known door (the hall, or the garden when the tour is in the hall),
//   a click on that door walks into the next room, where the view turns too;
//   the first check and every second one after it break into that walk
//   instead, at a random moment, with F1, the space bar, Escape, a right
//   click or a button of the strip, and leave it to the random input: the
//   next check finds out whether the tour survived.
//
// The seed of the random input is printed; the same seed sends the same
// input again (timing aside), with the checks after the same actions:
//   OSTREVAN_RANDOM_INPUT_SEED=N       the seed (the default is fixed)
//   OSTREVAN_RANDOM_INPUT_SECONDS=S    the duration (the default: 120 s)
//   OSTREVAN_RANDOM_INPUT_CHECK_EVERY=A  the actions between two checks of
//                                      the tour (the default: 20)
// The long form, by hand, e.g. for half an hour (past CTest's time limit,
// so the test program itself):
//   OSTREVAN_RANDOM_INPUT_SECONDS=1800
//       build/test/tests/test_title_run --gtest_filter='RandomInputRunTest.*'
// Every action sent is written to actions.txt beside the run logs (kept in
// build/test/title-run-failure/NAME when the test fails); a failure names
// the seed and the actions that led to it.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <functional>
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
// Random actions between two checks of the tour (about fifteen seconds).
constexpr int kDefaultCheckEvery = 20;
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

// What the run log says so far about the title's health and what is on show.
struct LogState {
  int aliveLines = 0;
  long frames = 0;
  // The script started last and whether it has ended.
  int openScript = -1;
  int scripts = 0;
  int panel = 0;  // the panel on show
  // How often each hand-over script began and ended.
  int started[10] = {};
  int done[10] = {};
  // Scripts 1 and 2 (into the tour) ended last: the tour with its own strip.
  bool inTour = false;
  int lastDone = -1;
  // The overlay shown last (6 the info page, 10 the room overlay) and not
  // hidden by a script since, -1 none. Its own close button leaves no line,
  // so it may be gone already.
  int overlay = -1;
  // A detail photo over the tour (a bubble entered removes it).
  bool popup = false;
  int popupsHidden = 0;
  // The tour's current bubble and the count of bubbles entered.
  std::string bubble;
  int bubblesEntered = 0;
};

// "script N" with N 0..9, else -1.
int ScriptNumber(const std::string& line, size_t at) {
  const int n = std::atoi(line.c_str() + at);
  return n >= 0 && n < 10 ? n : -1;
}

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
      const int n = ScriptNumber(line, 12);
      if (n < 0) continue;
      ++state.done[n];
      state.lastDone = n;
      // 1 and 2 hide overlay and module and show the tour; 3 hides the
      // overlay; the others leave the tour for the whole strip.
      state.inTour = n == 1 || n == 2;
      if (n == 1 || n == 2 || n == 3) state.overlay = -1;
    } else if (line.rfind("panel ", 0) == 0) {
      state.panel = std::atoi(line.c_str() + 6);
    } else if (line.rfind("script ", 0) == 0) {
      state.openScript = std::atoi(line.c_str() + 7);
      ++state.scripts;
      const int n = ScriptNumber(line, 7);
      if (n >= 0) ++state.started[n];
    } else if (line == "screen-shown 6" || line == "screen-shown 10") {
      state.overlay = std::atoi(line.c_str() + 13);
    } else if (line.rfind("popup-shown ", 0) == 0) {
      state.popup = true;
    } else if (line.rfind("popup-hidden ", 0) == 0) {
      state.popup = false;
      ++state.popupsHidden;
    } else if (line.rfind("bubble-entered ", 0) == 0) {
      state.bubble = line.substr(15);
      ++state.bubblesEntered;
      state.popup = false;
    }
  }
  return state;
}

// What the log says is on show, for a failure's message.
std::string Describe(const LogState& state) {
  std::ostringstream text;
  text << "panel " << state.panel << ", " << (state.inTour ? "the tour" : "a screen over the tour") << " in "
       << (state.bubble.empty() ? "no bubble" : state.bubble) << ", script " << state.lastDone << " ended last";
  if (state.openScript >= 0) text << ", script " << state.openScript << " running";
  if (state.overlay >= 0) text << ", overlay " << state.overlay << " perhaps shown";
  if (state.popup) text << ", a detail photo shown";
  return text.str();
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

  // What a person does while something goes on (a walk through a door):
  // after a random moment of up to three seconds, F1, the space bar,
  // Escape, a right click, a module button or a tool button of the strip.
  void Interrupt() {
    const int wait = Uniform(0, 3000);
    Note("interrupt after " + Str(wait) + " ms");
    std::this_thread::sleep_for(std::chrono::milliseconds(wait));
    static const Point kButtons[] = {kModuleRegions[0], kModuleRegions[1], kModuleRegions[2], kModuleRegions[3],
                                     kCarouselButton,   kInfoButton,       kRoomsButton};
    switch (Uniform(0, 5)) {
      case 0:
        Send("interrupt", {"key", "F1"});
        break;
      case 1:
        Send("interrupt", {"key", "space"});
        break;
      case 2:
        Send("interrupt", {"key", "Escape"});
        break;
      case 3:
        Send("interrupt", {"mousemove", "--window", window_, Str(Uniform(0, 639)), Str(Uniform(0, 479)), "click", "3"});
        break;
      default: {
        const Point at = kButtons[Uniform(0, static_cast<int>(std::size(kButtons)) - 1)];
        Send("interrupt", {"mousemove", "--window", window_, Str(at.x), Str(at.y), "click", "1"});
        break;
      }
    }
  }

  // The input of a check, written to the action log as the random input is.
  void Do(const char* what, const std::vector<std::string>& args) { Send(what, args); }
  void MoveTo(Point at) { Send("check-move", {"mousemove", "--window", window_, Str(at.x), Str(at.y)}); }
  void ClickAt(Point at, const char* rest = "0.2") {
    Send("check-click", {"mousemove", "--window", window_, Str(at.x), Str(at.y), "sleep", rest, "click", "1"});
  }
  void Key(const char* key) { Send("check-key", {"key", key}); }
  void Note(const std::string& text) {
    actions_ << "# " << text << '\n';
    actions_.flush();
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

// Where a person clicks to get back into the tour and to walk on in it.
// The room's name on the whole strip (a link back to the tour): its right
// end stands at the same place for every name the house has.
constexpr Point kRoomNameOnTheStrip = {486, 456};
// The detail photo's close button (the house beside the study's name).
constexpr Point kDetailPhotoClose = {505, 452};
// A room the room list walks to, and in its first view a door with the room
// it leads to.
struct KnownDoor {
  const char* bubble;
  Point inTheList;
  Point bubbleButton;
  Point door;
  const char* next;
};
// The hall, its staircase door; the garden, its kitchen door.
constexpr KnownDoor kHallDoor = {"BU001", kRoomListHall, kHallBubbleButton, kStaircaseDoor, "BU004"};
constexpr KnownDoor kGardenDoor = {"BU008", kRoomListGarden, kGardenBubbleButton, {316, 285}, "BU002"};
// A turn of the view changes the tour's picture by at least this much on
// the average (the sum of three channels' differences a pixel).
constexpr long kTurnedDifference = 8;

// Whether the process has ended (a zombie not yet waited for).
bool Ended(pid_t pid) {
  const std::string stat = testsupport::ReadBytes("/proc/" + std::to_string(pid) + "/stat");
  const size_t close = stat.rfind(')');
  return stat.empty() || (close != std::string::npos && close + 2 < stat.size() && stat[close + 2] == 'Z');
}

// The way back into the tour and the check that the tour is alive, driven
// by the run log; each returns "" or what went wrong.
class TourCheck {
 public:
  TourCheck(const RunningTitle& title, RandomInput& input, std::string log, int life, int number)
      : title_(title), input_(input), log_(std::move(log)), name_(std::to_string(life) + "-" + std::to_string(number)) {}

  // True when the title is on the main panel (not the opening movie or the
  // closing panel), where the tour is to be found.
  bool OnTheMainPanel() const { return ReadLogState(log_).panel == 8192; }

  // As a person does: what is on top goes first (the detail photo by its
  // close button, an overlay by its close button), then the room's name on
  // the strip leads back to the tour (script 1). Whatever is under way (a
  // script, a walk through a door) is let end first.
  std::string BackToTheTour() {
    input_.Note("check " + name_ + ": back to the tour");
    const Clock::time_point start = Clock::now();
    const int started1 = ReadLogState(log_).started[1];
    for (int attempt = 0; attempt < 5; ++attempt) {
      if (Ended(title_.Child())) return "";
      if (!WaitFor([](const LogState& s) { return s.openScript < 0; }, 30)) {
        return "script " + std::to_string(ReadLogState(log_).openScript) + " never ends (" +
               Describe(ReadLogState(log_)) + ")";
      }
      // A walk through a door leaves no line when it ends: it takes about
      // three seconds.
      Sleep(attempt == 0 ? 4000 : 1000);
      const LogState state = ReadLogState(log_);
      if (state.openScript >= 0) continue;
      if (state.panel != 8192) return "";  // the title is ending: no tour to check
      if (state.inTour && !state.popup) {
        Say("in the tour (" + state.bubble + ") after " + std::to_string(attempt) + " steps, " +
            std::to_string(std::chrono::duration_cast<std::chrono::seconds>(Clock::now() - start).count()) + " s");
        return "";
      }
      Say("on show: " + Describe(state));
      if (state.inTour) {
        input_.ClickAt(kDetailPhotoClose);
        WaitFor([&](const LogState& s) { return s.popupsHidden > state.popupsHidden || s.bubblesEntered > state.bubblesEntered; }, 10);
        continue;
      }
      // An overlay's close, perhaps of one gone already (then the click
      // falls on the screen under it, which the strip then closes too);
      // later attempts close either kind, and at last F1 puts the room
      // overlay, whose close button is known, over whatever is there.
      if (attempt >= 3) {
        input_.Key("F1");
        WaitFor([&](const LogState& s) { return s.done[8] > state.done[8]; }, 10);
        Sleep(700);
        input_.ClickAt(kRoomOverlayClose);
        Sleep(1500);
      } else if (attempt >= 1 || state.overlay == 6 || state.overlay == 10) {
        if (attempt == 2) input_.Key("Escape");
        if (attempt >= 1 || state.overlay == 6) input_.ClickAt(kInfoCloseButton);
        if (attempt >= 1) Sleep(1500);
        if (attempt >= 1 || state.overlay == 10) input_.ClickAt(kRoomOverlayClose);
        Sleep(1500);
      }
      input_.ClickAt(kRoomNameOnTheStrip);
      if (!WaitFor([&](const LogState& s) { return s.started[1] > state.started[1]; }, 5)) continue;
      WaitFor([&](const LogState& s) { return s.done[1] > state.done[1]; }, 30);
    }
    const LogState last = ReadLogState(log_);
    return "the screen is dead: no way leads back into the tour (the room's name on the strip started no script 1 "
           "in five tries, nor after the overlays' close buttons, Escape and F1 with the room overlay's close; " +
           Describe(last) + (last.started[1] == started1 ? "" : "; script 1 ran but left no tour") + ")";
  }

  // The view turns when the pointer moves; then the room list brings the
  // tour to a room with a known door, and a click on that door walks into
  // the next room, where the view turns too. With interruptTheWalk a
  // person's interruption breaks into the walk and the random input goes on
  // (the next check finds out whether the tour survived it).
  std::string CheckAlive(bool interruptTheWalk) {
    const LogState before = ReadLogState(log_);
    input_.Note("check " + name_ + ": is the tour alive in " + before.bubble);
    std::string dead = Turns("the tour in " + before.bubble + " after the way back", "turn");
    if (!dead.empty()) return dead;

    const KnownDoor& known = before.bubble == kHallDoor.bubble ? kGardenDoor : kHallDoor;
    input_.Note("check " + name_ + ": through the room list to " + known.bubble);
    input_.Key("F1");
    if (!WaitFor([&](const LogState& s) { return s.done[8] > before.done[8]; }, 20)) {
      return "F1 in the tour did not bring the room overlay (script 8; " + Describe(ReadLogState(log_)) + ")";
    }
    Sleep(700);
    input_.ClickAt(kRoomOverlayRooms);
    Sleep(1500);
    input_.ClickAt(known.inTheList);
    Sleep(1500);
    input_.ClickAt(known.bubbleButton);
    input_.MoveTo({320, 240});
    if (!WaitFor([&](const LogState& s) { return s.done[2] > before.done[2] && s.bubble == known.bubble; }, 20)) {
      return std::string("the room list did not walk into ") + known.bubble + " (script 2; " +
             Describe(ReadLogState(log_)) + ")";
    }
    // The cover fades out and the view settles.
    Sleep(3000);

    input_.Note(std::string("check ") + name_ + ": through the door of " + known.bubble + " to " + known.next);
    const LogState atTheDoor = ReadLogState(log_);
    input_.ClickAt(known.door, "2.5");
    if (interruptTheWalk) {
      // A person breaks into the walk; the random input goes on from there.
      Say(std::string("turned; the door of ") + known.bubble + " clicked, the walk interrupted");
      input_.Interrupt();
      return "";
    }
    if (!WaitFor([&](const LogState& s) { return s.bubblesEntered > atTheDoor.bubblesEntered; }, 20)) {
      Shot shot;
      title_.Take("check-" + name_ + "-door.ppm", shot);
      return std::string("the tour is dead: a click on the door of ") + known.bubble + " at " +
             std::to_string(known.door.x) + ", " + std::to_string(known.door.y) + " in its first view walked nowhere (" +
             Describe(ReadLogState(log_)) + ")";
    }
    const LogState walked = ReadLogState(log_);
    if (walked.bubble != known.next) {
      return std::string("the door of ") + known.bubble + " led into " + walked.bubble + ", not " + known.next;
    }
    // The walk ends about a second after the next bubble is entered.
    Sleep(3000);
    dead = Turns(std::string("the tour in ") + known.next + " after the walk from " + known.bubble, "turn-after-walk");
    if (dead.empty()) Say(std::string("alive: turned, walked from ") + known.bubble + " into " + known.next + ", turned");
    return dead;
  }

 private:
  // The pointer in the middle, then to the right: the view turns after it.
  std::string Turns(const std::string& where, const std::string& shotName) {
    input_.MoveTo({320, 240});
    Sleep(700);
    Shot before;
    Shot after;
    const bool took = title_.Take("check-" + name_ + "-" + shotName + "-before.ppm", before);
    input_.MoveTo({540, 240});
    Sleep(2000);
    const bool tookAfter = title_.Take("check-" + name_ + "-" + shotName + "-after.ppm", after);
    if (!took || !tookAfter) return "no screenshot of the tour in " + where;
    const long difference = after.AreaDifference(before, 0, 0, 640, 380);
    if (difference >= 640L * 380 * kTurnedDifference) return "";
    return "the tour is dead: the view did not turn when the pointer moved (" + where + "; mean difference " +
           std::to_string(difference / (640L * 380)) + ", at least " + std::to_string(kTurnedDifference) +
           " for a turn; " + Describe(ReadLogState(log_)) + ")";
  }

  bool WaitFor(const std::function<bool(const LogState&)>& done, int seconds) const {
    const Clock::time_point until = Clock::now() + std::chrono::seconds(seconds);
    while (Clock::now() < until) {
      if (done(ReadLogState(log_))) return true;
      if (Ended(title_.Child())) return false;
      std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    return done(ReadLogState(log_));
  }
  static void Sleep(int ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }
  // A line of the test's output and of the action log.
  void Say(const std::string& text) {
    std::printf("check %s: %s\n", name_.c_str(), text.c_str());
    std::fflush(stdout);
    input_.Note("check " + name_ + ": " + text);
  }

  const RunningTitle& title_;
  RandomInput& input_;
  std::string log_;
  std::string name_;
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
  const int checkEvery = IntFromEnvironment("OSTREVAN_RANDOM_INPUT_CHECK_EVERY", kDefaultCheckEvery);
  std::printf("random input: seed %u, %d s, the tour checked every %d actions (replay: OSTREVAN_RANDOM_INPUT_SEED=%u)\n",
              seed, seconds, checkEvery, seed);
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
  int checks = 0;
  const std::string actionsPath = temp_.Path("actions.txt");
  // The seed and the actions that led to a failure, for its message.
  const auto replay = [&]() {
    std::istringstream lines(testsupport::ReadBytes(actionsPath));
    std::vector<std::string> last;
    std::string line;
    while (std::getline(lines, line)) {
      last.push_back(line);
      if (last.size() > 60) last.erase(last.begin());
    }
    std::string text = "seed " + std::to_string(seed) + " (replay: OSTREVAN_RANDOM_INPUT_SEED=" + std::to_string(seed) +
                       " OSTREVAN_RANDOM_INPUT_CHECK_EVERY=" + std::to_string(checkEvery) + "); the last actions:\n";
    for (const std::string& l : last) text += "  " + l + "\n";
    return text;
  };
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
    int sinceCheck = 0;
    int lifeChecks = 0;
    long firstMinuteKb = 0;
    long lastKb = 0;
    long lifeHighestKb = 0;
    bool ended = false;
    int status = 0;
    while (Clock::now() < end) {
      const std::chrono::milliseconds pause = input.Next();
      ++actionsSent;
      ++sinceCheck;
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

      // Every few actions the way back into the tour, which must be alive
      // (none begins in the last seconds: a check takes half a minute).
      if (sinceCheck >= checkEvery && end - Clock::now() > std::chrono::seconds(15)) {
        TourCheck check(*title, input, log, lives, lifeChecks + 1);
        if (check.OnTheMainPanel()) {
          sinceCheck = 0;
          ++lifeChecks;
          ++checks;
          std::string dead = check.BackToTheTour();
          const bool inTheTour = dead.empty() && ReadLogState(log).panel == 8192 && !Ended(title->Child());
          if (inTheTour) dead = check.CheckAlive(lifeChecks % 2 == 1);
          if (!dead.empty()) {
            Shot shot;
            title->Take("dead.ppm", shot);
            if (Ended(title->Child())) dead = "the title ended during the check: " + dead + "\n" + title->Output();
            FAIL() << "life " << lives << ", check " << lifeChecks << ": " << dead << "\n"
                   << replay() << step("check");
          }
        }
      }

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
               << replay() << step("hang");
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
        "life %d: %.0f s, %d scripts, %d screens, %d items, %d bubbles entered, %d checks of the tour; resident %ld KB "
        "highest, %ld KB in the first minute, %ld KB at the end\n",
        lives, lifeSeconds, CountOf(log, "script-done "), CountOf(log, "screen-shown "), CountOf(log, "item-shown "),
        CountOf(log, "bubble-entered "), lifeChecks, lifeHighestKb, firstMinuteKb, lastKb);
    std::fflush(stdout);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0)
        << "status " << status << "\n" << title->Output() << replay() << step("the end");
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
  std::printf(
      "random input: seed %u, %d s, %d lives, %ld actions, %d checks of the tour, resident at most %ld KB, largest "
      "growth %ld KB\n",
      seed, seconds, lives, actionsSent, checks, highestKb, largestGrowthKb);
}

}  // namespace
