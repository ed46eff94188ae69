// Every screen of the title reached by recorded demo tours: each tour of
// tests/title/run/tours (made with tours/record.sh from its .steps file) is
// played with --play-demo into a fresh title that nobody touches. The run
// log says which screens came ("screen-shown KIND", the panels, the bubbles
// entered, the items shown); a screenshot of each screen, taken a while
// after the log line that says it came and once it has stopped changing,
// is compared with its reviewed picture (tours/screens/NAME.png, the window
// scaled to 160 x 120).
//
// Tolerance: the mean absolute difference per channel (0..255) between the
// screenshot scaled to 160 x 120 (ImageMagick's -scale, a box average) and
// the reviewed picture is at most kTolerance (4), over the window less the
// area where a film, a slide show or the opening movie moves (the old
// photograph: over the photograph only, the tour's view behind it turns a
// little more or less from run to run). Replays of the same tour differ by
// less than 0.3; another screen (or the same screen with its strip or panel
// missing) by well over 4.
//
// A failed comparison keeps the screenshots in build/test/title-run-failure/
// (the test's name); after looking at one, make it the reviewed picture
// with `convert NAME.ppm -scale 160x120 tests/title/run/tours/screens/NAME.png`.
// When the disc changes, re-record the tours with tours/record.sh.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <map>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "support/PpmFile.h"
#include "title/run/TitleRun.h"

namespace {

using namespace titlerun;

constexpr double kTolerance = 4.0;
constexpr int kSmallWidth = 160;
constexpr int kSmallHeight = 120;

// A screen the tour reaches: the run log's `line` for the `occurrence`th
// time says it came; the screenshot follows `afterMs` later. The comparison
// covers `compared` less `moving` (window coordinates): a film or a slide
// show moves, and the tour's view behind a screen turns after the replayed
// pointer by a little more or less from run to run.
struct TourScreen {
  const char* name;
  const char* line;
  int occurrence;
  int afterMs;
  Area moving;
  Area compared = {0, 0, 640, 480};
};

struct Tour {
  const char* file;
  std::vector<TourScreen> screens;
  // Lines the run log must hold once the tour has played.
  std::vector<const char*> lines;
};

constexpr Area kNothingMoves = {0, 0, 0, 0};
// The opening movie in the middle of the black screen.
constexpr Area kOpeningMovie = {128, 128, 512, 352};
// A film in the viewer over the tour or in the aspects' viewer.
constexpr Area kViewerFilm = {120, 60, 470, 340};
// The index's model area, where a room's pictures show.
constexpr Area kIndexModel = {53, 71, 373, 311};
// The old photograph on its screen, without the tour's view around it.
constexpr Area kOldPhotograph = {226, 20, 528, 416};
// The closing panel's animation.
constexpr Area kClosingAnimation = {34, 97, 330, 380};
// A slide show in the viewer that the storyline view opens.
constexpr Area kStorylineViewerSlides = {28, 26, 458, 352};

std::string ToursDir() { return testsupport::SourceDir() + "/tests/title/run/tours"; }

// The picture scaled to 160 x 120 as RGB bytes ("" when it cannot be read).
std::string Small(const std::string& picture, const std::string& scratch) {
  const std::string cmd = "convert '" + picture + "' -scale " + std::to_string(kSmallWidth) + "x" +
                          std::to_string(kSmallHeight) + "! -depth 8 ppm:'" + scratch + "'";
  int width = 0;
  int height = 0;
  std::string rgb;
  if (std::system(cmd.c_str()) != 0 || !testsupport::ReadPpm(scratch, width, height, rgb) ||
      width != kSmallWidth || height != kSmallHeight) {
    return std::string();
  }
  return rgb;
}

// The mean absolute difference per channel of two RGB pictures of
// width x height that show the 640 x 480 window (each pixel a square of
// 640 / width window pixels) over the compared area less the moving one
// (window coordinates): a pixel counts when its square lies within the
// compared area and off the moving one.
double MeanDifference(const std::string& a, const std::string& b, int width, int height, const Area& moving,
                      const Area& compared = {0, 0, 640, 480}) {
  if (a.size() != b.size() || a.size() != static_cast<size_t>(width) * static_cast<size_t>(height) * 3) return 255.0;
  const int side = 640 / width;
  double sum = 0;
  long count = 0;
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      const int wx = x * side;
      const int wy = y * side;
      if (wx < compared.left || wx + side > compared.right || wy < compared.top || wy + side > compared.bottom) {
        continue;
      }
      if (wx + side > moving.left && wx < moving.right && wy + side > moving.top && wy < moving.bottom) continue;
      for (int k = 0; k < 3; ++k) {
        const size_t i = (static_cast<size_t>(y) * static_cast<size_t>(width) + static_cast<size_t>(x)) * 3 +
                         static_cast<size_t>(k);
        sum += std::abs(static_cast<int>(static_cast<uint8_t>(a[i])) - static_cast<int>(static_cast<uint8_t>(b[i])));
        ++count;
      }
    }
  }
  return count > 0 ? sum / static_cast<double>(count) : 0.0;
}

// A figure of a process's memory in kB ("VmRSS:" resident now, "VmHWM:"
// its peak), -1 when unknown.
long MemoryKb(pid_t pid, const std::string& field) {
  std::ifstream status("/proc/" + std::to_string(pid) + "/status");
  std::string line;
  while (std::getline(status, line)) {
    if (line.rfind(field, 0) == 0) return std::atol(line.c_str() + field.size());
  }
  return -1;
}

// Takes the screen's screenshot (NAME.ppm) once it has settled: a loaded
// machine can still be fading or drawing the screen when the tour's pause is
// over. Screenshots follow each other until two in a row show the same
// picture (outside what moves), for at most kSettleMs; the later of the two
// is kept. A screen that never stops changing (a ring that turns) keeps the
// first screenshot, taken when the pause was over.
constexpr int kSettleStepMs = 250;
constexpr int kSettleMs = 2000;
constexpr double kSettled = 0.1;

bool TakeSettled(const RunningTitle& title, const TourScreen& screen, const std::string& folder) {
  const std::string name = std::string(screen.name) + ".ppm";
  Shot first;
  if (!title.Take(name, first)) return false;
  Shot last = first;
  for (int waited = 0; waited < kSettleMs; waited += kSettleStepMs) {
    std::this_thread::sleep_for(std::chrono::milliseconds(kSettleStepMs));
    Shot next;
    if (!title.Take("settling.ppm", next)) return false;
    if (next.width == last.width && next.height == last.height &&
        MeanDifference(last.rgb, next.rgb, last.width, last.height, screen.moving, screen.compared) <= kSettled) {
      return std::rename((folder + "/settling.ppm").c_str(), (folder + "/" + name).c_str()) == 0;
    }
    last = std::move(next);
  }
  return true;
}

class EveryScreenRunTest : public TitleRunTest {
 protected:
  void PlayTour(const Tour& tour) {
    REQUIRE_TOOL(xvfb, "Xvfb");
    REQUIRE_TOOL(xdotool, "xdotool");
    REQUIRE_TOOL(import, "import");
    REQUIRE_TOOL(convert, "convert");
    const std::string file = ToursDir() + "/" + tour.file;
    const std::string recorded = testsupport::ReadBytes(file);
    ASSERT_GE(recorded.size(), 24u) << file;
    const RunningTitle title(xvfb, xdotool, import, temp_.Path(), -1, RunEnvironment(temp_.Path("audio.raw")),
                             {"--play-demo", file});
    ASSERT_TRUE(title.Started()) << "Xvfb did not start";
    const std::string log = title.Log();
    const auto step = [&](const std::string& what) { return "at \"" + what + "\":\n" + testsupport::ReadBytes(log); };
    ASSERT_TRUE(testsupport::WaitForText(log, "demo-play " + file, 60)) << step("start") << title.Output();

    // Each screen as the tour reaches it. The tour's own pauses (several
    // seconds on each screen) leave room for a slow machine.
    // The pause is timed from when its line was first seen, so that a wait
    // for the screen before to settle does not delay a later screen of the
    // same line.
    std::map<std::pair<std::string, int>, std::chrono::steady_clock::time_point> seen;
    for (const TourScreen& screen : tour.screens) {
      ASSERT_TRUE(WaitForCount(log, screen.line, screen.occurrence, 120)) << step(screen.name);
      const auto came = seen.try_emplace({screen.line, screen.occurrence}, std::chrono::steady_clock::now()).first->second;
      std::this_thread::sleep_until(came + std::chrono::milliseconds(screen.afterMs));
      EXPECT_TRUE(TakeSettled(title, screen, temp_.Path())) << screen.name;
    }
    ASSERT_TRUE(testsupport::WaitForText(log, "demo-play-end " + file, 180)) << step("the tour's end");
    // Every tour ends on the closing panel; Escape ends the title there.
    ASSERT_TRUE(testsupport::WaitForText(log, "panel 8193", 30)) << step("the closing panel");
    // Reported only: under the sanitizers the figures are not the title's.
    std::printf("resident memory at the tour's end: %ld kB, its peak: %ld kB\n", MemoryKb(title.Child(), "VmRSS:"),
                MemoryKb(title.Child(), "VmHWM:"));
    ASSERT_TRUE(title.Key("Escape"));
    int status = 0;
    ASSERT_TRUE(testsupport::WaitFor(title.Child(), 30, &status)) << step("Escape");
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status << "\n" << title.Output();
    ExpectCleanOutput(title.Output());

    const std::string played = testsupport::ReadBytes(log);
    for (const char* line : tour.lines) EXPECT_NE(played.find(line), std::string::npos) << line << "\n" << played;
    // Every medium the title asked for on the way is on the disc.
    EXPECT_EQ(played.find("media-missing"), std::string::npos) << played;
    EXPECT_NE(played.find("demo-play-end " + file + " " + std::to_string(recorded.size() / 20)), std::string::npos)
        << "every record played\n" << played;

    // Each screenshot is its reviewed picture, and is not the picture of
    // the screen before it (the tour moved on, and the comparison tells
    // screens apart).
    std::string before;
    for (const TourScreen& screen : tour.screens) {
      const std::string name = screen.name;
      const std::string shot = Small(temp_.Path(name + ".ppm"), temp_.Path("small.ppm"));
      const std::string reviewed = Small(ToursDir() + "/screens/" + name + ".png", temp_.Path("small.ppm"));
      EXPECT_FALSE(shot.empty()) << name << ": no screenshot";
      EXPECT_FALSE(reviewed.empty()) << name << ": no reviewed picture tours/screens/" << name << ".png";
      if (shot.empty() || reviewed.empty()) continue;
      const double difference = MeanDifference(shot, reviewed, kSmallWidth, kSmallHeight, screen.moving, screen.compared);
      std::printf("%s: mean difference %.2f\n", name.c_str(), difference);
      EXPECT_LE(difference, kTolerance) << name << " differs from its reviewed picture";
      if (!before.empty()) {
        EXPECT_GT(MeanDifference(shot, before, kSmallWidth, kSmallHeight, kNothingMoves), kTolerance) << name << " is still the screen before";
      }
      before = reviewed;
    }
  }
};

// The opening movie, the hall, the door into the staircase (a transition),
// the stairs' film in the viewer (14), the room overlay (10) walking into
// the garden, its old photograph (12), the closing panel.
TEST_F(EveryScreenRunTest, TheHouseTourReachesTheTourItsViewerTheRoomsAndThePhotograph) {
  PlayTour({"house.mse",
            {{"house-01-opening-movie", "opening-movie-first-frame-ms", 1, 2500, kOpeningMovie},
             {"house-02-hall", "script-done 1 ", 1, 3000, kNothingMoves},
             {"house-03-staircase", "bubble-entered BU004", 1, 3000, kNothingMoves},
             {"house-04-film-viewer", "item-shown VI003", 1, 3000, kViewerFilm},
             {"house-05-room-overlay", "screen-shown 10", 1, 2500, kNothingMoves},
             {"house-06-garden", "bubble-entered BU008", 1, 3000, kNothingMoves},
             {"house-07-old-photograph", "screen-shown 12", 1, 3000, kNothingMoves, kOldPhotograph},
             {"house-08-closing-panel", "panel 8193", 1, 3000, kClosingAnimation}},
            {"panel 8194", "panel 8192", "bubble-entered BU004", "screen-shown 14", "item-shown VI003",
             "screen-shown 10", "bubble-entered BU008", "screen-shown 12", "panel 8193"}});
}

// From the whole strip: the aspects (0) walked down to a film in their
// viewer, the relations (1) and a person's text (4), the index (3) and a
// room's pictures (a slide show), the info page (6), the closing panel. The
// relations' text comes with no line of its own: its screenshot is timed
// from the screen's opening (the tour rests on it for eight seconds).
TEST_F(EveryScreenRunTest, TheModulesTourReachesEachModuleAndItsItems) {
  PlayTour({"modules.mse",
            {{"modules-01-strip", "script-done 0 ", 1, 1500, kNothingMoves},
             {"modules-02-aspects", "script-done 3 ", 1, 2500, kNothingMoves},
             {"modules-03-aspect-film", "item-shown VI003", 1, 3000, kViewerFilm},
             {"modules-04-relations", "script-done 3 ", 2, 2500, kNothingMoves},
             {"modules-05-relations-text", "script-done 3 ", 2, 13000, kNothingMoves},
             {"modules-06-index", "script-done 3 ", 3, 2500, kNothingMoves},
             {"modules-07-index-room-pictures", "item-shown SH001", 1, 4000, kIndexModel},
             {"modules-08-info-page", "screen-shown 6", 1, 3000, kNothingMoves}},
            {"screen-shown 0", "item-shown VI003", "screen-shown 1", "screen-shown 3", "item-shown SH001",
             "screen-shown 6", "panel 8193"}});
}

// The storyline screen (2), the carousel (8) and its details of a place
// chosen in the list, whose go button enters the tour at the salon; the
// closing panel.
TEST_F(EveryScreenRunTest, TheStorylineAndCarouselTourEntersTheChosenPlace) {
  PlayTour({"storyline-carousel.mse",
            {{"storyline-01-storyline", "script-done 3 ", 1, 2500, kNothingMoves},
             {"storyline-02-carousel", "script-done 3 ", 2, 2500, kNothingMoves},
             {"storyline-03-carousel-details", "script-done 3 ", 2, 12000, kNothingMoves},
             {"storyline-04-salon", "bubble-entered BU003", 1, 3000, kNothingMoves}},
            {"screen-shown 2", "screen-shown 8", "bubble-entered BU003", "panel 8193"}});
}

// The items the module screens open. The storyline screen (2), travelled
// back past the middle band's last event and forward again until the band
// stops at that event (no line says so: its screenshot is timed from the
// screen's opening, the tour resting there from about 35 to 50 seconds
// after it); its card opens the storyline view at the event, whose next
// button opens the next event's slide show in the viewer. A person of the
// relations (1): her text (timed from the screen's opening, as in the
// modules tour), whose info button walks into the tour at her place (the
// parlour); the closing panel.
TEST_F(EveryScreenRunTest, TheItemsTourOpensAStorylinesEventAndAPersonsPlace) {
  PlayTour({"items.mse",
            {{"items-01-storyline-last-event", "script-done 3 ", 1, 42000, kNothingMoves},
             {"items-02-storyline-view", "storyline-shown EV029", 1, 3000, kNothingMoves},
             {"items-03-event-slide-show", "item-shown SH003", 1, 3000, kStorylineViewerSlides},
             {"items-04-relations-text", "script-done 3 ", 2, 12000, kNothingMoves},
             {"items-05-parlour", "bubble-entered BU003", 1, 3000, kNothingMoves}},
            {"screen-shown 2", "storyline-shown EV029", "item-shown SH003", "screen-shown 1", "bubble-entered BU003",
             "panel 8193"}});
}

// The room overlay walking into the study (BU005), whose desk opens its
// detail photo (13) over the tour; the photo closed again; the closing panel.
TEST_F(EveryScreenRunTest, TheStudyTourOpensTheDesksDetailPhoto) {
  PlayTour({"study.mse",
            {{"study-01-study", "bubble-entered BU005", 1, 3000, kNothingMoves},
             {"study-02-detail-photo", "popup-shown DF001", 1, 3000, kNothingMoves},
             {"study-03-photo-closed", "popup-hidden DF001", 1, 2500, kNothingMoves}},
            {"screen-shown 10", "bubble-entered BU005", "popup-shown DF001", "popup-hidden DF001", "panel 8193"}});
}

}  // namespace
