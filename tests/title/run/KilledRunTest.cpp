// The title killed (SIGKILL) at random moments while a demo tour visits
// items: the visit history, history.log, is never left damaged. After every
// kill the file is either still absent (no run in that folder got as far as
// making it) or exactly the history's 12060 bytes: twelve lines with their
// category code, a blank, 1000 flags "0" or "1" and CR LF; no flag once set
// is lost, and no flag is set that the runs did not visit.
//
// The runs are cheap: the demo tour (--play-demo, made here) walks from the
// opening movie to the hall's portrait (a slide show), through the door into
// the staircase and to its stairs (a film) in about 45 s without xdotool;
// several titles run at once, each in its own folder (its history.log kept
// from run to run), on its own Xvfb server and runtime folder; each is
// killed at a random time from its start to a little past the tour's end
// (a quarter of them in the first second, the start, when the title makes
// its history.log: every fourth run of a folder starts without one).
//   OSTREVAN_KILL_RUNS=N   the number of runs (the default, 24, keeps the
//                          test near two minutes; 200 by hand)
//   OSTREVAN_KILL_SEED=N   the seed of the kill times (printed)
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "title/run/TitleRun.h"

namespace {

using namespace titlerun;
using Clock = std::chrono::steady_clock;

constexpr int kDefaultRuns = 24;
constexpr unsigned kDefaultSeed = 4711;
constexpr int kParallelTitles = 4;
constexpr int kHistoryLength = 12060;
constexpr int kLineLength = 1005;
constexpr const char* kCategoryCodes[12] = {"BU", "BH", "DF", "EV", "SH", "VI", "BT", "HP", "AS", "PE", "ST", "TL"};

// The item codes a run log names as visited (bubbles entered, items shown).
std::set<std::string> VisitedInLog(const std::string& log) {
  std::set<std::string> codes;
  std::istringstream lines(testsupport::ReadBytes(log));
  std::string line;
  while (std::getline(lines, line)) {
    for (const char* prefix : {"bubble-entered ", "item-shown "}) {
      if (line.rfind(prefix, 0) == 0) codes.insert(line.substr(std::string(prefix).size()));
    }
  }
  return codes;
}

// What is wrong with a history file ("" when nothing); the codes of its set
// flags go to `set`.
std::string HistoryFault(const std::string& bytes, std::set<std::string>& set) {
  if (bytes.size() != static_cast<size_t>(kHistoryLength)) return "length " + std::to_string(bytes.size());
  for (int line = 0; line < 12; ++line) {
    const size_t start = static_cast<size_t>(line) * kLineLength;
    if (bytes.compare(start, 3, std::string(kCategoryCodes[line]) + " ") != 0) {
      return "header of line " + std::to_string(line + 1);
    }
    if (bytes.compare(start + kLineLength - 2, 2, "\r\n") != 0) return "end of line " + std::to_string(line + 1);
    for (int number = 0; number < 1000; ++number) {
      const char flag = bytes[start + 3 + static_cast<size_t>(number)];
      if (flag != '0' && flag != '1') return "flag " + std::to_string(number) + " of line " + std::to_string(line + 1);
      if (flag == '1') {
        char code[8];
        std::snprintf(code, sizeof code, "%s%03d", kCategoryCodes[line], number);
        set.insert(code);
      }
    }
  }
  return "";
}

class KilledRunTest : public TitleRunTest {};

TEST_F(KilledRunTest, TheVisitHistoryOutlivesAKillAtAnyMoment) {
  REQUIRE_TOOL(xvfb, "Xvfb");
  REQUIRE_TOOL(xdotool, "xdotool");
  REQUIRE_TOOL(import, "import");
  const int runs = IntFromEnvironment("OSTREVAN_KILL_RUNS", kDefaultRuns);
  const unsigned seed = static_cast<unsigned>(IntFromEnvironment("OSTREVAN_KILL_SEED", kDefaultSeed));
  std::printf("kills: %d runs, seed %u (replay: OSTREVAN_KILL_SEED=%u)\n", runs, seed, seed);
  std::fflush(stdout);
  std::mt19937 random(seed);
  const std::string tour = temp_.Path("tour.mse");
  testsupport::WriteBytes(tour, VisitingTour());

  // The items the tour visits when its clicks land as planned; a slower run
  // may land elsewhere, which its log then names.
  const std::set<std::string> planned = {"BU001", "BU004", "SH001", "VI003"};
  struct Slot {
    std::string folder;
    std::optional<RunningTitle> title;
    Clock::time_point killAt;
    int run = 0;
    int runs = 0;
    std::set<std::string> allowed;
    std::set<std::string> flags;  // set so far: never lost
    bool made = false;            // history.log made by an earlier run
  };
  std::vector<Slot> slots(kParallelTitles);
  for (int i = 0; i < kParallelTitles; ++i) {
    Slot& slot = slots[static_cast<size_t>(i)];
    slot.folder = temp_.Path("title-" + std::to_string(i));
    std::filesystem::create_directories(slot.folder + "/runtime");
    std::filesystem::permissions(slot.folder + "/runtime", std::filesystem::perms::owner_all,
                                 std::filesystem::perm_options::replace);
    std::filesystem::create_symlink(disc_ + "/Media", slot.folder + "/Media");
    std::filesystem::create_symlink(disc_ + "/CD", slot.folder + "/CD");
    slot.allowed = planned;
  }
  // Leaks are looked for only in runs that end by themselves.
  const auto environment = [&](const Slot& slot, bool leaks) {
    std::vector<std::string> env = RunEnvironment("/dev/null");
    env.push_back("XDG_RUNTIME_DIR=" + slot.folder + "/runtime");
    if (!leaks) env.push_back("ASAN_OPTIONS=detect_leaks=0");
    return env;
  };

  int started = 0;
  int finished = 0;
  int withoutHistory = 0;
  std::set<std::string> everSet;
  int visitedAtKill = 0;
  const Clock::time_point begin = Clock::now();
  while (finished < runs && !HasFailure()) {
    for (Slot& slot : slots) {
      if (!slot.title && started < runs) {
        ++started;
        slot.run = started;
        ++slot.runs;
        // Every fourth run of a folder starts without a history, and a
        // quarter of the kills fall into the first second: the start, when
        // the title makes its history.log.
        if (slot.runs % 4 == 1) {
          std::filesystem::remove(slot.folder + "/history.log");
          slot.made = false;
          slot.flags.clear();
          slot.allowed = planned;
        }
        const int ms = std::uniform_int_distribution<int>(0, 3)(random) == 0
                           ? std::uniform_int_distribution<int>(0, 1000)(random)
                           : std::uniform_int_distribution<int>(0, kTourMs + 3000)(random);
        slot.title.emplace(xvfb, xdotool, import, slot.folder, -1, environment(slot, false),
                           std::vector<std::string>{"--play-demo", tour});
        ASSERT_TRUE(slot.title->Started()) << "Xvfb did not start";
        slot.killAt = Clock::now() + std::chrono::milliseconds(ms);
        continue;
      }
      if (!slot.title || Clock::now() < slot.killAt) continue;
      const pid_t child = slot.title->Child();
      const std::string log = slot.title->Log();
      const auto step = [&](const std::string& what) {
        return slot.folder + ", run " + std::to_string(slot.run) + ": " + what + "\n" + testsupport::ReadBytes(log) +
               slot.title->Output();
      };
      int status = 0;
      const bool alreadyEnded = waitpid(child, &status, WNOHANG) == child;
      if (!alreadyEnded) {
        kill(child, SIGKILL);
        waitpid(child, &status, 0);
      }
      ASSERT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL)
          << "the title ended before it was killed, status " << status << "\n"
          << step("the kill");
      ExpectCleanOutput(slot.title->Output());
      for (const std::string& code : VisitedInLog(log)) slot.allowed.insert(code);
      const std::string history = slot.folder + "/history.log";
      if (testsupport::FileExists(history)) {
        std::set<std::string> flags;
        const std::string fault = HistoryFault(testsupport::ReadBytes(history), flags);
        ASSERT_EQ(fault, "") << "history.log damaged\n" << step("the kill");
        for (const std::string& code : slot.flags) {
          EXPECT_TRUE(flags.count(code) == 1) << code << " lost\n" << step("the kill");
        }
        for (const std::string& code : flags) {
          EXPECT_TRUE(slot.allowed.count(code) == 1) << code << " set, never visited\n" << step("the kill");
        }
        if (flags.size() > slot.flags.size()) ++visitedAtKill;
        slot.made = true;
        slot.flags = flags;
        everSet.insert(flags.begin(), flags.end());
      } else {
        ASSERT_FALSE(slot.made) << "history.log gone\n" << step("the kill");
        ++withoutHistory;
      }
      slot.title.reset();
      // The next run of the folder appends to the run log: start it afresh.
      std::error_code ignored;
      std::filesystem::rename(log, slot.folder + "/run-" + std::to_string(slot.run) + ".log", ignored);
      ++finished;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  if (HasFailure()) {
    // The failing folder's logs beside the test's own.
    for (const Slot& slot : slots) {
      std::error_code ignored;
      for (const auto& entry : std::filesystem::directory_iterator(slot.folder, ignored)) {
        if (entry.path().extension() == ".log" || entry.path().extension() == ".txt") {
          std::filesystem::copy_file(
              entry.path(), temp_.Path(entry.path().parent_path().filename().string() + "-" + entry.path().filename().string()),
              ignored);
        }
      }
    }
    return;
  }

  // Each folder's title starts again on what the kills left and reads its
  // history without complaint.
  for (Slot& slot : slots) {
    RunningTitle title(xvfb, xdotool, import, slot.folder, 3000, environment(slot, true));
    ASSERT_TRUE(title.Started()) << "Xvfb did not start";
    int status = 0;
    ASSERT_TRUE(testsupport::WaitFor(title.Child(), 60, &status)) << testsupport::ReadBytes(title.Log());
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status << "\n" << title.Output();
    EXPECT_EQ(title.Output().find("history.log"), std::string::npos) << title.Output();
    ExpectCleanOutput(title.Output());
    // A folder whose runs were all killed before history.log was made has
    // none yet (a short start makes none either: few runs, OSTREVAN_KILL_RUNS).
    const std::string history = slot.folder + "/history.log";
    if (!slot.made && !std::filesystem::exists(history)) continue;
    std::set<std::string> flags;
    EXPECT_EQ(HistoryFault(testsupport::ReadBytes(history), flags), "") << slot.folder;
  }
  std::string visited;
  for (const std::string& code : everSet) visited += " " + code;
  std::printf("kills: %d runs in %.0f s, seed %u; %d killed before history.log was made, %d after a flag was set; "
              "flags set:%s\n",
              finished, std::chrono::duration<double>(Clock::now() - begin).count(), seed, withoutHistory,
              visitedAtKill, visited.c_str());
}

}  // namespace
