// The whole title on the sample disc, driven from outside as a person would
// use it: under Xvfb, with xdotool's clicks and keys, from the opening movie
// through the main panel's strip, each module button and tool button, F1
// and the space bar, to Alt+F4, the closing panel and the program's end.
// The title's run log says which panel shows and when each hand-over script
// has ended; screenshots show what the screen held at each step (kept in
// the test's folder, named after the step, when the test fails). Sound goes
// to SDL's disk driver and is measured afterwards.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <algorithm>
#include <cstdint>
#include <cmath>
#include <cstdlib>
#include <map>
#include <sstream>
#include <string>

#include "title/run/TitleRun.h"

namespace {

using namespace titlerun;

// How long each module screen's opening (and, played back, its closing)
// runs on its own animations: the aspects' three 500 ms fades and 500 ms
// list slide; the relations' and the index's two 500 ms placement moves and
// 16-frame intro picture (15 steps of 30 ms, slowing over the last four:
// 521 ms); the storyline's backgrounds, fly-in and date run (1150 + 1750 +
// 2400 ms); the carousel's ring fade and places (2 x 1000 ms), list slide
// (500 ms) and 21-frame picture (671 ms).
int AnimationMs(int kind) {
  switch (kind) {
    case 0:
      return 2000;
    case 1:
    case 3:
      return 1521;
    case 2:
      return 5300;
    case 8:
      return 3171;
    default:
      return -1;
  }
}

// The info page and the room overlay on the screen; the highlight bar inside
// its one-pixel frame on the info list's row under kInfoLastAspect.
constexpr Area kInfoPage = {186, 25, 453, 378};
constexpr Area kRoomOverlayArea = {56, 25, 584, 380};
constexpr Area kInfoLastAspectBar = {228, 143, 404, 156};

// Pixels of an area whose red and blue both stand well above their green:
// what the edges of a picture keyed with magenta leave on the screen when
// they were blended with the key (a fringe the key does not take out).
int MagentaPixels(const Shot& shot, const Area& area) {
  int count = 0;
  for (int y = area.top; y < area.bottom; ++y) {
    for (int x = area.left; x < area.right; ++x) {
      const std::vector<int> p = shot.At(x, y);
      if (std::min(p[0], p[2]) - p[1] > 80) ++count;
    }
  }
  return count;
}

// The relative luminance of an sRGB colour (WCAG 2).
double Luminance(const std::vector<int>& rgb) {
  double sum = 0;
  const double weights[3] = {0.2126, 0.7152, 0.0722};
  for (size_t k = 0; k < 3; ++k) {
    const double c = rgb[k] / 255.0;
    sum += weights[k] * (c <= 0.03928 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4));
  }
  return sum;
}

// The contrast ratio (WCAG 2: (lighter + 0.05) / (darker + 0.05); text wants
// 4.5 or more) between an area's most common colour, the bar a text lies on,
// and the pixel of the area that stands out most from it, the text's
// strongest stroke.
double TextContrast(const Shot& shot, const Area& area) {
  std::map<std::vector<int>, int> counts;
  for (int y = area.top; y < area.bottom; ++y) {
    for (int x = area.left; x < area.right; ++x) ++counts[shot.At(x, y)];
  }
  if (counts.empty()) return 0.0;
  const auto bar = std::max_element(counts.begin(), counts.end(),
                                    [](const auto& a, const auto& b) { return a.second < b.second; });
  const double barLuminance = Luminance(bar->first);
  double best = 1.0;
  for (const auto& entry : counts) {
    const double l = Luminance(entry.first);
    best = std::max(best, (std::max(l, barLuminance) + 0.05) / (std::min(l, barLuminance) + 0.05));
  }
  return best;
}

// Every wait of a hand-over script in the run log ended with its message,
// not the watchdog, and no wait for a module screen to open or close lasted
// much longer than that screen's animations, nor a wait for the strip's
// 1000 ms layout move or the tour's 500 ms fades longer than those. The
// margin (a quarter, and a second) leaves room for a slow run under ASan.
void ExpectSwitchesWithinTheirAnimations(const std::string& log) {
  std::istringstream lines(log);
  std::string line;
  int shownKind = -1;  // the module screen on show, as the log names it
  int pendingKind = -1;
  int waits = 0;
  while (std::getline(lines, line)) {
    EXPECT_NE(line.rfind("script-watchdog ", 0), 0u) << "a wait given up: " << line;
    if (line.rfind("screen-shown ", 0) == 0) {
      pendingKind = std::atoi(line.c_str() + 13);
      continue;
    }
    if (line.rfind("script-wait ", 0) != 0) continue;
    ++waits;
    const size_t at = line.rfind(" ms ");
    ASSERT_NE(at, std::string::npos) << line;
    const int waited = std::atoi(line.c_str() + at + 4);
    int animation = -1;
    if (line.find(" ShowPendingModule ") != std::string::npos) {
      animation = AnimationMs(pendingKind);
      shownKind = pendingKind;
    } else if (line.find(" HideModule ") != std::string::npos) {
      animation = AnimationMs(shownKind);
      shownKind = -1;
    } else if (line.find(" LayoutMode") != std::string::npos) {
      animation = 1000;
    } else if (line.find(" SuspendTour ") != std::string::npos || line.find(" InfoPanel") != std::string::npos) {
      animation = 500;
    }
    if (animation < 0) continue;  // an item viewer or an overlay: no animation of its own here
    EXPECT_LE(waited, animation + animation / 4 + 1000) << line << " (animations " << animation << " ms)";
  }
  EXPECT_GT(waits, 10) << "the run log times the scripts' waits";
}

TEST_F(TitleRunTest, RunFromTheOpeningMovieToTheEnd) {
  REQUIRE_TOOL(xvfb, "Xvfb");
  REQUIRE_TOOL(xdotool, "xdotool");
  REQUIRE_TOOL(import, "import");
  const std::string audio = temp_.Path("audio.raw");
  const RunningTitle title(xvfb, xdotool, import, temp_.Path(), -1, RunEnvironment(audio));
  ASSERT_TRUE(title.Started()) << "Xvfb did not start";
  const std::string log = title.Log();
  const auto step = [&](const std::string& what) { return "at \"" + what + "\":\n" + testsupport::ReadBytes(log); };

  // The opening movie plays in the middle of a black screen.
  ASSERT_TRUE(testsupport::WaitForText(log, "first-frame-ms ", 30)) << step("start") << title.Output();
  ASSERT_TRUE(testsupport::WaitForText(log, "panel 8194", 10)) << step("opening panel");
  ASSERT_TRUE(title.Xdotool({"search", "--sync", "--name", "Das Ostrevan Haus"}));
  std::this_thread::sleep_for(std::chrono::milliseconds(2500));
  Shot movie;
  Shot movieLater;
  ASSERT_TRUE(title.Take("01-opening-movie.ppm", movie));
  std::this_thread::sleep_for(std::chrono::milliseconds(600));
  ASSERT_TRUE(title.Take("02-opening-movie-later.ppm", movieLater));
  EXPECT_GT(movie.Brightness(128, 128, 512, 352), 10.0) << "the movie shows";
  EXPECT_LT(movie.Brightness(0, 0, 640, 120), 2.0) << "around it the screen is black";
  EXPECT_GT(movie.AreaDifference(movieLater, 128, 128, 512, 352), 384L * 224 * 3) << "the movie moves";

  // A click on the black around it skips the rest of the ten seconds: the
  // main panel with the tour and the strip.
  ASSERT_TRUE(title.ClickAt(60, 60));
  ASSERT_TRUE(testsupport::WaitForText(log, "panel 8192", 3)) << step("main panel");
  ASSERT_TRUE(WaitForCount(log, "script-done 1 ", 1, 20)) << step("first script");
  std::this_thread::sleep_for(std::chrono::milliseconds(500));
  Shot tour;
  ASSERT_TRUE(title.Take("03-tour.ppm", tour));
  EXPECT_GT(tour.Brightness(0, 0, 640, 380), 20.0) << "the hall shows";
  EXPECT_GT(tour.Brightness(0, 430, 640, 480), 20.0) << "the strip shows";

  // The portrait on the hall's wall is a slide show: a click on it turns the
  // view to it and opens it (138 with the item, script 5) in the viewer
  // over the tour; the arrow button beside the room's name leads back.
  // The pointer rests on it first while the view turns after the pointer.
  ASSERT_TRUE(title.MoveTo(kPortraitAfterTheTurn.x, kPortraitAfterTheTurn.y));
  std::this_thread::sleep_for(std::chrono::milliseconds(3000));
  ASSERT_TRUE(title.ClickAt(kPortraitAfterTheTurn.x, kPortraitAfterTheTurn.y));
  ASSERT_TRUE(WaitForCount(log, "script-done 5 ", 1, 20)) << step("portrait");
  std::this_thread::sleep_for(std::chrono::milliseconds(300));
  Shot viewer;
  ASSERT_TRUE(title.Take("03-viewer.ppm", viewer));
  EXPECT_GT(viewer.AreaDifference(tour, 0, 40, 640, 380), 640L * 340 * 10) << "the viewer covers the tour";
  ASSERT_TRUE(title.ClickAt(kTourButton.x, kTourButton.y));
  ASSERT_TRUE(WaitForCount(log, "script-done 1 ", 2, 20)) << step("viewer closed");
  std::this_thread::sleep_for(std::chrono::milliseconds(500));

  // The space bar leaves the tour for the whole strip (script 0); each
  // module button then opens its screen (script 3) over the tour, and the
  // arrow button beside the room's name leads back to the tour (script 1).
  int backToTour = 2;
  int leaveTour = 0;
  const auto openStrip = [&](const std::string& name) {
    ASSERT_TRUE(title.Key("space"));
    ASSERT_TRUE(WaitForCount(log, "script-done 0 ", ++leaveTour, 20)) << step(name);
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
  };
  const auto backToTheTour = [&](const std::string& name) {
    ASSERT_TRUE(title.ClickAt(kTourButton.x, kTourButton.y));
    ASSERT_TRUE(WaitForCount(log, "script-done 1 ", ++backToTour, 20)) << step(name);
  };
  ASSERT_NO_FATAL_FAILURE(openStrip("space"));
  Shot strip;
  ASSERT_TRUE(title.Take("04-strip.ppm", strip));
  EXPECT_GT(strip.AreaDifference(tour, 20, 390, 92, 478), 72L * 88 * 20) << "the module selector came in";
  // The pointer over a module button lights it up and names it in the
  // caption line.
  ASSERT_TRUE(title.MoveTo(kModuleRegions[0].x, kModuleRegions[0].y));
  std::this_thread::sleep_for(std::chrono::milliseconds(800));
  Shot hover;
  ASSERT_TRUE(title.Take("04-hover.ppm", hover));
  EXPECT_GT(hover.AreaDifference(strip, 20, 390, 56, 434), 0L) << "the button lights up";
  EXPECT_GT(hover.AreaDifference(strip, 96, 405, 416, 425), 200L * 10) << "the caption names it";

  int modules = 0;
  // Each starts and ends on the whole strip (after the space bar).
  const auto openModule = [&](const Point& at, const std::string& name) {
    ASSERT_TRUE(title.ClickAt(at.x, at.y));
    ASSERT_TRUE(WaitForCount(log, "script-done 3 ", ++modules, 20)) << step(name);
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    Shot shot;
    ASSERT_TRUE(title.Take("05-" + name + ".ppm", shot));
    EXPECT_GT(shot.AreaDifference(tour, 0, 0, 640, 380), 640L * 380 * 10) << name << " covers the tour";
    ASSERT_NO_FATAL_FAILURE(backToTheTour(name + " closed"));
    ASSERT_NO_FATAL_FAILURE(openStrip(name + " strip again"));
  };
  const char* moduleNames[4] = {"aspects", "relations", "storylines", "index"};
  for (int i = 0; i < 4; ++i) ASSERT_NO_FATAL_FAILURE(openModule(kModuleRegions[i], moduleNames[i]));
  ASSERT_NO_FATAL_FAILURE(openModule(kCarouselButton, "carousel"));

  // From one module straight to another, clicked as soon as the pointer
  // is on the button (the button's strip has not yet come in): each click
  // opens the module clicked.
  const struct {
    int region;
    int kind;
  } chain[] = {{0, 0}, {3, 3}, {1, 1}, {0, 0}};
  for (const auto& next : chain) {
    const std::string name = std::string("switch to ") + moduleNames[next.region];
    ASSERT_TRUE(title.ClickAt(kModuleRegions[next.region].x, kModuleRegions[next.region].y));
    ASSERT_TRUE(WaitForCount(log, "script-done 3 ", ++modules, 20)) << step(name);
    const std::string bytes = testsupport::ReadBytes(log);
    const size_t shown = bytes.rfind("screen-shown ");
    ASSERT_NE(shown, std::string::npos) << step(name);
    EXPECT_EQ(std::atoi(bytes.c_str() + shown + 13), next.kind) << step(name);
  }
  ASSERT_NO_FATAL_FAILURE(backToTheTour("the last module closed"));
  ASSERT_NO_FATAL_FAILURE(openStrip("the strip for the tool buttons"));

  // The info and rooms buttons open their overlays, which a click closes
  // (the info page and the room overlay on their close buttons).
  const auto openOverlay = [&](const Point& at, const std::string& name, const Point& close, const Area& page) {
    ASSERT_TRUE(title.ClickAt(at.x, at.y));
    std::this_thread::sleep_for(std::chrono::milliseconds(1500));
    Shot shot;
    ASSERT_TRUE(title.Take("06-" + name + ".ppm", shot));
    EXPECT_GT(shot.AreaDifference(strip, 0, 0, 640, 380), 640L * 380 * 10) << name << " shows";
    EXPECT_EQ(MagentaPixels(shot, page), 0) << name << ": its buttons' edges keep none of the key colour";
    ASSERT_TRUE(title.ClickAt(close.x, close.y));
    std::this_thread::sleep_for(std::chrono::milliseconds(1500));
    Shot closed;
    ASSERT_TRUE(title.Take("07-" + name + "-closed.ppm", closed));
    EXPECT_LT(closed.AreaDifference(strip, 0, 0, 640, 380), shot.AreaDifference(strip, 0, 0, 640, 380) / 4)
        << name << " closed";
  };
  ASSERT_NO_FATAL_FAILURE(openOverlay(kInfoButton, "info", kInfoCloseButton, kInfoPage));
  ASSERT_NO_FATAL_FAILURE(openOverlay(kRoomsButton, "rooms", kRoomOverlayClose, kRoomOverlayArea));
  ASSERT_NO_FATAL_FAILURE(backToTheTour("back to the tour"));

  // F1 opens the room overlay through its script (8).
  ASSERT_TRUE(title.Key("F1"));
  ASSERT_TRUE(WaitForCount(log, "script-done 8 ", 1, 20)) << step("F1");
  Shot rooms;
  ASSERT_TRUE(title.Take("08-F1.ppm", rooms));
  EXPECT_GT(rooms.AreaDifference(tour, 0, 0, 640, 380), 640L * 380 * 10) << "the room overlay shows";
  ASSERT_TRUE(title.ClickAt(kRoomOverlayClose.x, kRoomOverlayClose.y));
  std::this_thread::sleep_for(std::chrono::milliseconds(1500));

  // Alt+F4 leads through script 7 to the closing panel; a key skips its
  // text; Escape ends the program.
  ASSERT_TRUE(title.Key("alt+F4"));
  ASSERT_TRUE(testsupport::WaitForText(log, "panel 8193", 20)) << step("Alt+F4");
  std::this_thread::sleep_for(std::chrono::milliseconds(3000));
  Shot closing;
  ASSERT_TRUE(title.Take("09-closing.ppm", closing));
  EXPECT_GT(closing.Brightness(34, 97, 330, 380), 10.0) << "the closing animation shows";
  ASSERT_TRUE(title.Key("a"));
  std::this_thread::sleep_for(std::chrono::milliseconds(500));
  ASSERT_TRUE(title.Key("Escape"));
  int status = 0;
  ASSERT_TRUE(testsupport::WaitFor(title.Child(), 30, &status)) << step("Escape");
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status << "\n" << title.Output();
  EXPECT_NE(testsupport::ReadBytes(log).find("exit 0"), std::string::npos) << step("end");

  ExpectCleanOutput(title.Output());
  ExpectSwitchesWithinTheirAnimations(testsupport::ReadBytes(log));

  // The opening movie's sound (music) reached the device in its first
  // seconds, and the main panel's sounds after it.
  const std::string raw = testsupport::ReadBytes(audio);
  ASSERT_GT(raw.size(), 22050u * 2 * 8) << "eight seconds of sound at least";
  EXPECT_GT(Rms(raw, 0.5, 3.0), 0.01) << "the opening movie's sound";
  EXPECT_GT(Rms(raw, 5.0, static_cast<double>(raw.size()) / 44100.0), 0.003) << "the main panel's sounds";
}

// Runs of the title's screens over the tour, each in a title of its own:
// started fresh, the opening movie skipped into the tour.
// F1 opens the room overlay; a click in the bedroom's box on the plan shows
// the bedroom (an upper floor's room) with its buttons. The "Räume" button
// at its top left lists the rooms, the upper floors' too; the garden chosen
// there shows on the plan with its bubble button, and that button walks the
// tour into the garden (script 2, bubble BU008): the strip's link text names
// the garden, the view is the garden's.
TEST_F(ScreenRunTest, TheRoomOverlayWalksIntoTheChosenRoom) {
  ASSERT_NO_FATAL_FAILURE(StartInTheTour());
  const Shot hall = TakeAfter(0, "20-hall");
  ASSERT_TRUE(title_->Key("F1"));
  ASSERT_TRUE(WaitForCount(title_->Log(), "script-done 8 ", 1, 20)) << Step("F1");
  const Shot overlay = TakeAfter(500, "21-overlay");
  ASSERT_TRUE(title_->ClickAt(kPlanBedroomBox.x, kPlanBedroomBox.y));
  ASSERT_TRUE(testsupport::WaitForText(title_->Log(), "room-shown 6", 5)) << Step("the bedroom's box");
  const Shot bedroom = TakeAfter(500, "21-bedroom-chosen");
  EXPECT_GT(bedroom.AreaDifference(overlay, 200, 26, 440, 44), 20L * 10 * 3) << "the header names the bedroom";
  EXPECT_GT(bedroom.AreaDifference(overlay, 434, 262, 480, 288), 20L * 10 * 3) << "the bedroom's buttons";
  EXPECT_EQ(MagentaPixels(bedroom, kRoomOverlayArea), 0) << "the badges' edges keep none of the key colour";
  ASSERT_TRUE(title_->ClickAt(kRoomOverlayRooms.x, kRoomOverlayRooms.y));
  const Shot list = TakeAfter(1500, "22-rooms-list");
  EXPECT_GT(list.AreaDifference(bedroom, 76, 44, 264, 218), 100L * 100 * 3) << "the list of rooms opens";
  EXPECT_GT(list.AreaDifference(bedroom, 76, 255, 264, 295), 100L * 40 * 3) << "thirteen rooms, not ten";
  ASSERT_TRUE(title_->ClickAt(kRoomListGarden.x, kRoomListGarden.y));
  ASSERT_TRUE(testsupport::WaitForText(title_->Log(), "room-shown 2", 5)) << Step("the garden's link");
  const Shot garden = TakeAfter(1500, "23-garden-chosen");
  EXPECT_GT(garden.AreaDifference(overlay, 200, 26, 440, 44), 20L * 10 * 3) << "the overlay's header names the garden";
  EXPECT_GT(garden.AreaDifference(overlay, 270, 310, 340, 340), 20L * 10 * 3) << "the garden's buttons on the plan";
  ASSERT_TRUE(title_->ClickAt(kGardenBubbleButton.x, kGardenBubbleButton.y));
  // The pointer rests in the middle, where the view does not turn under it.
  ASSERT_TRUE(title_->MoveTo(320, 240));
  ASSERT_TRUE(WaitForCount(title_->Log(), "script-done 2 ", 1, 20)) << Step("the bubble button");
  ASSERT_TRUE(testsupport::WaitForText(title_->Log(), "bubble-entered BU008", 30)) << Step("into the garden");
  const Shot walked = TakeAfter(3000, "24-garden");
  EXPECT_GT(walked.AreaDifference(hall, 0, 0, 640, 380), 640L * 380 * 20) << "the tour shows another room";
  EXPECT_GT(walked.AreaDifference(hall, 430, 444, 640, 464), 50L * 10 * 3) << "the strip names another room";
  // The garden's view: sky at the top right, grass at the bottom left.
  const std::vector<int> sky = walked.At(630, 100);
  EXPECT_GT(sky[2], sky[0] + 20) << "sky";
  const std::vector<int> grass = walked.At(40, 370);
  EXPECT_GT(grass[1], grass[2] + 20) << "grass";
  ASSERT_NO_FATAL_FAILURE(EndTitle());
}

// Interrupted walks. A click on the hall's staircase door starts the walk;
// F1 0.3 s later opens the room overlay: the walk ends at once in the
// staircase. The overlay closes and the strip's arrow leads back to the
// tour, which is alive: the view turns with the pointer, and two moves
// upwards bring the door up the stairs (to the bedroom, right above the
// staircase's arrival view) under the middle, where a click walks through
// it. In the bedroom seven moves to the left edge turn the view by 3.3 rad
// to its door back down; the space bar 1 s into that walk (while the
// interface hides for its pictures) leaves the tour for the strip, the walk
// arriving at once; the arrow leads back into the staircase, where the view
// turns again.
TEST_F(ScreenRunTest, AWalkInterruptedByTheRoomOverlayOrTheStripLeavesALiveTour) {
  constexpr Point kUpwards = {320, 40};
  constexpr Point kLeftEdge = {1, 240};
  // The strip's arrow leads back into the tour (its `returns`th arrival),
  // whose view then turns with the pointer.
  const auto backIntoALiveTour = [&](int returns, const std::string& before, const std::string& after) {
    ASSERT_TRUE(title_->ClickAt(kTourButton.x, kTourButton.y));
    ASSERT_TRUE(WaitForCount(title_->Log(), "script-done 1 ", returns, 20)) << Step("back to the tour");
    const Shot rest = TakeAfter(1500, before);
    ASSERT_TRUE(title_->MoveTo(kUpwards.x, kUpwards.y));
    const Shot turned = TakeAfter(300, after);
    EXPECT_GT(turned.AreaDifference(rest, 0, 0, 640, 380), 640L * 380 * 10) << "the view turns with the pointer";
  };
  ASSERT_NO_FATAL_FAILURE(StartInTheTour());
  ASSERT_TRUE(title_->ClickAt(kStaircaseDoor.x, kStaircaseDoor.y));
  std::this_thread::sleep_for(std::chrono::milliseconds(300));
  ASSERT_TRUE(title_->Key("F1"));
  ASSERT_TRUE(WaitForCount(title_->Log(), "script-done 8 ", 1, 20)) << Step("F1 during the walk");
  EXPECT_TRUE(testsupport::WaitForText(title_->Log(), "bubble-entered BU004", 5)) << Step("the walk arrives");
  std::this_thread::sleep_for(std::chrono::milliseconds(500));
  ASSERT_TRUE(title_->ClickAt(kRoomOverlayClose.x, kRoomOverlayClose.y));
  std::this_thread::sleep_for(std::chrono::milliseconds(1500));
  ASSERT_NO_FATAL_FAILURE(backIntoALiveTour(2, "60-staircase", "61-turned"));
  ASSERT_TRUE(title_->MoveTo(kUpwards.x, kUpwards.y));
  std::this_thread::sleep_for(std::chrono::milliseconds(2000));
  ASSERT_TRUE(title_->ClickAt(320, 240));
  ASSERT_TRUE(testsupport::WaitForText(title_->Log(), "bubble-entered BU006", 10)) << Step("the door up the stairs");

  // The walk back down, from the bedroom: the space bar in its middle.
  std::this_thread::sleep_for(std::chrono::milliseconds(3000));
  for (int i = 0; i < 7; ++i) {
    ASSERT_TRUE(title_->MoveTo(kLeftEdge.x, kLeftEdge.y));
    std::this_thread::sleep_for(std::chrono::milliseconds(150));
  }
  std::this_thread::sleep_for(std::chrono::milliseconds(3000));
  ASSERT_TRUE(title_->ClickAt(320, 240));
  std::this_thread::sleep_for(std::chrono::milliseconds(1000));
  ASSERT_TRUE(title_->Key("space"));
  ASSERT_TRUE(WaitForCount(title_->Log(), "script-done 0 ", 1, 20)) << Step("space during the walk");
  EXPECT_TRUE(WaitForCount(title_->Log(), "bubble-entered BU004", 2, 5)) << Step("the walk back down arrives");
  std::this_thread::sleep_for(std::chrono::milliseconds(500));
  ASSERT_NO_FATAL_FAILURE(backIntoALiveTour(3, "62-arrived", "63-turned-again"));
  ASSERT_NO_FATAL_FAILURE(EndTitle());
}

// The space bar shows the whole strip, its info button the info page of the
// house's aspects: the pointer held on the list's lower arrow scrolls the
// list; a click on an aspect shows its text below; the close button closes
// the page.
TEST_F(ScreenRunTest, TheInfoPageScrollsAndShowsAnAspect) {
  ASSERT_NO_FATAL_FAILURE(StartInTheTour());
  ASSERT_TRUE(title_->Key("space"));
  ASSERT_TRUE(WaitForCount(title_->Log(), "script-done 0 ", 1, 20)) << Step("space");
  const Shot strip = TakeAfter(300, "30-strip");
  ASSERT_TRUE(title_->ClickAt(kInfoButton.x, kInfoButton.y));
  const Shot page = TakeAfter(1500, "31-info");
  EXPECT_GT(page.AreaDifference(strip, 190, 30, 450, 370), 260L * 340 * 20) << "the info page shows";
  EXPECT_EQ(MagentaPixels(page, kInfoPage), 0) << "the arrows' edges keep none of the key colour";
  ASSERT_TRUE(title_->MoveTo(kInfoListDown.x, kInfoListDown.y));
  const Shot scrolled = TakeAfter(3000, "32-scrolled");
  EXPECT_GT(scrolled.AreaDifference(page, kInfoList.left, kInfoList.top, kInfoList.right, kInfoList.bottom),
            80L * 10 * 3)
      << "the list moved";
  EXPECT_EQ(scrolled.AreaDifference(page, kInfoText.left, kInfoText.top, kInfoText.right, kInfoText.bottom), 0L)
      << "the text stays";
  ASSERT_TRUE(title_->ClickAt(kInfoLastAspect.x, kInfoLastAspect.y));
  const Shot chosen = TakeAfter(1500, "33-aspect");
  // The pointer stays on the aspect: its title shows on the highlight bar.
  EXPECT_GE(TextContrast(chosen, kInfoLastAspectBar), 4.5) << "the title on the bar reads";
  EXPECT_GT(chosen.AreaDifference(scrolled, kInfoText.left, kInfoText.top, kInfoText.right, kInfoText.bottom),
            100L * 10 * 3)
      << "the aspect's text shows";
  ASSERT_TRUE(title_->ClickAt(kInfoCloseButton.x, kInfoCloseButton.y));
  const Shot closed = TakeAfter(1500, "34-closed");
  EXPECT_LT(closed.AreaDifference(strip, 190, 30, 450, 370), chosen.AreaDifference(strip, 190, 30, 450, 370) / 4)
      << "the info page closed";
  ASSERT_TRUE(title_->ClickAt(kTourButton.x, kTourButton.y));
  ASSERT_TRUE(WaitForCount(title_->Log(), "script-done 1 ", 2, 20)) << Step("back to the tour");
  ASSERT_NO_FATAL_FAILURE(EndTitle());
}

// The column of the first event card's icon on the middle band's scale row
// (-1 when none shows): the scale is gold (green at most 153, blue at most
// 90) with dark ticks, the icons are lighter.
int CardIconOnTheScale(const Shot& shot) {
  int first = -1;
  int last = -1;
  for (int x = kStorylineScaleLeft; x < kStorylineScaleRight; ++x) {
    const std::vector<int> pixel = shot.At(x, kStorylineScaleY);
    if (pixel[1] >= 165 || pixel[2] >= 110) {
      if (first < 0) first = x;
      if (x - last > 12 && last >= 0) break;
      last = x;
    }
  }
  return first < 0 ? -1 : (first + last) / 2;
}

// The widest run of columns without text inside a date written on the
// screen (between its first and its last text column, text being the
// pixels `isText` picks in the area): a space between the words is about
// 5; a day of one digit set in a box for two left twice that.
int WidestGapInText(const Shot& shot, const Area& area, bool (*isText)(const std::vector<int>&)) {
  int last = -1;
  int widest = -1;
  for (int x = area.left; x < area.right; ++x) {
    bool text = false;
    for (int y = area.top; y < area.bottom && !text; ++y) text = isText(shot.At(x, y));
    if (!text) continue;
    if (last >= 0) widest = std::max(widest, x - last - 1);
    last = x;
  }
  return widest;
}
// The bands' light beige texts and the readout's green one over the dark
// panels.
bool IsBandText(const std::vector<int>& p) {
  return p[0] >= 140 && p[1] >= 130 && p[2] >= 120 && std::abs(p[0] - p[2]) < 50;
}
bool IsReadoutText(const std::vector<int>& p) { return p[1] >= 100 && p[1] >= p[0] + 15 && p[1] >= p[2] + 30; }
// The dates' rows: the readout, then bands 0, 1 and 2 (short of their
// storyline pictures).
constexpr Area kStorylineDateRows[4] = {
    {400, 108, 600, 130}, {462, 32, 640, 48}, {44, 200, 180, 217}, {14, 279, 150, 296}};

// The top band's forward arrow and the date readout right of the bands.
constexpr Point kStorylineForwardArrow = {365, 80};
constexpr Area kStorylineReadout = {400, 105, 580, 132};

// The storyline screen from the module selector: the pointer resting on the
// top band's forward arrow travels on from where the view opened (the date
// readout changes); resting on a band's backward arrow travels back in time
// (the dates on the bands
// change); an event card's icon opens its storyline, whose next button
// opens an event's item in the viewer; the viewer closes, and the arrow
// button beside the room's name leads back to the tour.
TEST_F(ScreenRunTest, TheStorylineScreenTravelsInTimeAndOpensAnEvent) {
  ASSERT_NO_FATAL_FAILURE(StartInTheTour());
  ASSERT_NO_FATAL_FAILURE(OpenModuleFromTheStrip(2, "storyline screen"));
  const Shot opened = TakeAfter(500, "40-storyline");
  // The dates as they opened (the bands' events of 1900 and 1939 on days
  // of one digit): the words one space apart.
  for (int i = 0; i < 4; ++i) {
    EXPECT_LE(WidestGapInText(opened, kStorylineDateRows[i], i == 0 ? IsReadoutText : IsBandText), 7)
        << "date row " << i << " has a gap wider than a space";
  }
  ASSERT_TRUE(title_->MoveTo(kStorylineForwardArrow.x, kStorylineForwardArrow.y));
  const Shot now = TakeAfter(2000, "40b-later");
  EXPECT_GT(now.AreaDifference(opened, kStorylineReadout.left, kStorylineReadout.top, kStorylineReadout.right,
                               kStorylineReadout.bottom),
            20L * 10 * 3)
      << "travel forward from where the view opened moves the date";
  ASSERT_TRUE(title_->MoveTo(kStorylineBackArrow.x, kStorylineBackArrow.y));
  const Shot earlier = TakeAfter(5000, "41-earlier");
  // The dates of the first and the last band.
  EXPECT_GT(earlier.AreaDifference(now, 460, 28, 600, 64) + earlier.AreaDifference(now, 14, 276, 150, 312),
            50L * 10 * 3)
      << "the dates changed";

  // An event card of the middle band: its icon sits on the band's scale
  // where the event's date is, the scale's own pixels around it. With the
  // pointer off the bands the time stands still; the band travels on until
  // a card comes into view.
  int cardX = -1;
  for (int tries = 0; tries < 10 && cardX < 0; ++tries) {
    ASSERT_TRUE(title_->MoveTo(320, 470));
    const Shot resting = TakeAfter(2000, "42-resting-" + std::to_string(tries));
    cardX = CardIconOnTheScale(resting);
    if (cardX < 0) {
      ASSERT_TRUE(title_->MoveTo(kStorylineBackArrow.x, kStorylineBackArrow.y));
      std::this_thread::sleep_for(std::chrono::milliseconds(2000));
    }
  }
  ASSERT_GE(cardX, 0) << "no event card came into view on the middle band";
  // The card opens its storyline beside the bands; the storyline's next (or,
  // at its last event, previous) button opens the event's item in the
  // viewer; the viewer's back button closes it.
  // The pointer rests on the icon first, as a person's does: a click at
  // once as it arrives can come before the icon has taken the pointer.
  const Shot beforeCard = TakeAfter(0, "43-before-card");
  // The card's title, printed turned, stands above its icon,
  // from the icon's column rightwards, between the band's ends: it reads
  // over its ground.
  constexpr int kMiddleBandRightEnd = 526;
  const Area cardTitle = {cardX - 4, 140, std::min(cardX + 90, kMiddleBandRightEnd), 232};
  EXPECT_GE(TextContrast(beforeCard, cardTitle), 4.5) << "the card's title reads over its ground";
  ASSERT_TRUE(title_->MoveTo(cardX, kStorylineScaleY + 1));
  std::this_thread::sleep_for(std::chrono::milliseconds(1500));
  ASSERT_TRUE(title_->Xdotool({"click", "1"}));
  // The view's step buttons take clicks once the storyline is up (about 7.5 s
  // after the click, longer on a busy machine).
  ASSERT_TRUE(testsupport::WaitForText(title_->Log(), "storyline-shown ", 30)) << Step("the storyline opens");
  const Shot storyline = TakeAfter(500, "44-storyline-view");
  EXPECT_GT(storyline.AreaDifference(beforeCard, 456, 96, 590, 226), 100L * 100 * 10) << "the storyline opens";
  ASSERT_TRUE(title_->ClickAt(kStorylineNext.x, kStorylineNext.y));
  if (!testsupport::WaitForText(title_->Log(), "item-shown ", 5)) {
    ASSERT_TRUE(title_->ClickAt(kStorylinePrevious.x, kStorylinePrevious.y));
  }
  ASSERT_TRUE(testsupport::WaitForText(title_->Log(), "item-shown ", 10)) << Step("the event's item");
  const Shot item = TakeAfter(2000, "45-item");
  EXPECT_GT(item.AreaDifference(storyline, 82, 70, 400, 308), 318L * 238 * 20) << "the viewer shows the item";
  ASSERT_TRUE(title_->ClickAt(kStorylineViewerBack.x, kStorylineViewerBack.y));
  ASSERT_TRUE(testsupport::WaitForText(title_->Log(), "item-ended ", 10)) << Step("the viewer closed");
  const Shot closed = TakeAfter(4000, "46-viewer-closed");
  EXPECT_GT(closed.AreaDifference(item, 82, 70, 400, 308), 318L * 238 * 20) << "the viewer went";

  ASSERT_TRUE(title_->ClickAt(kTourButton.x, kTourButton.y));
  ASSERT_TRUE(WaitForCount(title_->Log(), "script-done 1 ", 2, 20)) << Step("back to the tour");
  ASSERT_NO_FATAL_FAILURE(EndTitle());
}

// The garden's hotspot on the house's back wall, above the door, opens the
// old photograph of the house (the historical photo screen, kind 12). The
// room overlay's bubble button walks into the garden; the pointer then moves
// up to the hotspot and the view turns after it, the hotspot coming to the
// middle; once the view rests there (the small move names the hotspot in
// the caption line) a click opens the photograph. The pointer over a region
// of the photograph (its front door) lights it; a click there leaves the
// photograph on show; the arrow button beside the room's name closes it,
// and its caption with it.
TEST_F(ScreenRunTest, TheGardenOpensTheOldPhotographOfTheHouse) {
  ASSERT_NO_FATAL_FAILURE(StartInTheTour());
  ASSERT_NO_FATAL_FAILURE(WalkThroughTheRoomList(kRoomListGarden, kGardenBubbleButton, "BU008"));
  ASSERT_TRUE(title_->MoveTo(kGardenPhotoHotspot.x, kGardenPhotoHotspot.y));
  std::this_thread::sleep_for(std::chrono::milliseconds(3000));
  ASSERT_TRUE(title_->MoveTo(320, 235));
  const Shot wall = TakeAfter(2000, "50-back-wall");
  ASSERT_TRUE(title_->Xdotool({"click", "1"}));
  ASSERT_TRUE(WaitForCount(title_->Log(), "script-done 5 ", 1, 20)) << Step("the photograph's hotspot");
  ASSERT_TRUE(testsupport::WaitForText(title_->Log(), "screen-shown 12", 5)) << Step("the photograph's hotspot");
  const Shot photo = TakeAfter(1500, "51-photo");
  EXPECT_GT(photo.AreaDifference(wall, 234, 30, 518, 410), 284L * 380 * 20) << "the photograph shows";
  ASSERT_TRUE(title_->MoveTo(kPhotoFrontDoor.x, kPhotoFrontDoor.y));
  const Shot door = TakeAfter(1500, "52-door");
  EXPECT_GT(door.AreaDifference(photo, 330, 190, 405, 335), 40L * 100 * 10) << "the front door lights up";
  EXPECT_GT(door.AreaDifference(photo, 96, 404, 400, 422), 100L * 10 * 3) << "the caption names it";
  ASSERT_TRUE(title_->ClickAt(kPhotoFrontDoor.x, kPhotoFrontDoor.y));
  const Shot clicked = TakeAfter(3000, "53-door-clicked");
  EXPECT_LT(clicked.AreaDifference(door, 234, 30, 518, 410), 284L * 380) << "the photograph stays";
  ASSERT_TRUE(title_->ClickAt(kPhotoTourButton.x, kPhotoTourButton.y));
  ASSERT_TRUE(WaitForCount(title_->Log(), "script-done 1 ", 2, 20)) << Step("the photograph closed");
  const Shot back = TakeAfter(500, "54-back");
  EXPECT_GT(back.AreaDifference(photo, 234, 30, 518, 410), 284L * 380 * 20) << "the photograph went";
  EXPECT_LT(back.AreaDifference(wall, 0, 0, 640, 380), back.AreaDifference(photo, 0, 0, 640, 380) / 4)
      << "the garden again";
  // The photograph's caption went with it: no text (its black shadow) on the
  // caption line above the strip.
  int captionShadow = 0;
  for (int y = 404; y < 424; ++y) {
    for (int x = 10; x < 400; ++x) {
      const std::vector<int> pixel = back.At(x, y);
      captionShadow += std::max({pixel[0], pixel[1], pixel[2]}) < 40 ? 1 : 0;
    }
  }
  EXPECT_LT(captionShadow, 20) << "the photograph's caption stayed on the caption line";
  ASSERT_NO_FATAL_FAILURE(EndTitle());
}

// An item opened from its hotspot in the tour plays to its end with its
// sound, and the viewer closes back to the tour. Each item runs in a title of
// its own (the view stays turned to an item after its viewer closes).
class ItemRunTest : public TitleRunTest {
 protected:
  // Starts the title and skips the opening movie into the tour; then runs
  // the clicks that open the item, plays it to its end (its pictures change
  // while it plays, its sound reaches the device, at its end it stands at
  // its start again), closes it and ends the title.
  void PlayToTheEnd(const std::vector<Point>& clicks, const std::string& code, int seconds) {
    REQUIRE_TOOL(xvfb, "Xvfb");
    REQUIRE_TOOL(xdotool, "xdotool");
    REQUIRE_TOOL(import, "import");
    const std::string audio = temp_.Path("audio.raw");
    const RunningTitle title(xvfb, xdotool, import, temp_.Path(), -1, RunEnvironment(audio));
    ASSERT_TRUE(title.Started()) << "Xvfb did not start";
    const std::string log = title.Log();
    const auto step = [&](const std::string& what) { return "at \"" + what + "\":\n" + testsupport::ReadBytes(log); };
    ASSERT_NO_FATAL_FAILURE(SkipIntoTheTour(title, step));
    Shot tour;
    int bubbles = CountOf(log, "bubble-entered ");
    for (size_t i = 0; i < clicks.size(); ++i) {
      if (i + 1 == clicks.size()) {
        ASSERT_TRUE(title.Take("10-tour.ppm", tour));
      }
      // On the item the pointer comes to the place first, as a person's
      // does, and waits for the view that turns under it to come to rest: a
      // hotspot takes a click whose press and release both fall on it, and a
      // view still turning between them (on a busy machine) moves it away.
      // A door in the middle of the view is clicked at once.
      if (i + 1 == clicks.size()) {
        ASSERT_TRUE(title.MoveTo(clicks[i].x, clicks[i].y));
        std::this_thread::sleep_for(std::chrono::milliseconds(3000));
      }
      ASSERT_TRUE(title.ClickAt(clicks[i].x, clicks[i].y));
      // A click before the last walks through a door into the next bubble;
      // the pointer then rests in the middle, where the view does not turn.
      if (i + 1 < clicks.size()) {
        ASSERT_TRUE(WaitForCount(log, "bubble-entered ", ++bubbles, 30)) << step("walk " + std::to_string(i));
        ASSERT_TRUE(title.MoveTo(320, 240));
        std::this_thread::sleep_for(std::chrono::milliseconds(2000));
      }
    }

    ASSERT_TRUE(testsupport::WaitForText(log, "item-shown " + code, 20)) << step(code + " opened");
    const size_t soundFrom = SizeOf(audio);
    std::this_thread::sleep_for(std::chrono::milliseconds(4000));
    Shot early;
    ASSERT_TRUE(title.Take("11-early.ppm", early));
    std::this_thread::sleep_for(std::chrono::milliseconds(static_cast<int64_t>(seconds) * 500));
    Shot later;
    ASSERT_TRUE(title.Take("12-later.ppm", later));
    EXPECT_GT(later.AreaDifference(early, 160, 120, 480, 360), 100L * 100 * 10) << code << " moves on";
    ASSERT_TRUE(testsupport::WaitForText(log, "item-ended " + code, seconds + 30)) << step(code + " playing");
    const size_t soundTo = SizeOf(audio);
    EXPECT_GT(RmsOfBytes(testsupport::ReadBytes(audio), soundFrom, soundTo), 0.01) << code << " is heard";
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    Shot ended;
    ASSERT_TRUE(title.Take("13-ended.ppm", ended));
    EXPECT_GT(ended.Brightness(160, 120, 480, 360), 10.0) << code << " shows its start again";

    ASSERT_TRUE(title.ClickAt(kTourButton.x, kTourButton.y));
    ASSERT_TRUE(WaitForCount(log, "script-done 1 ", 2, 20)) << step(code + " closed");
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    Shot back;
    ASSERT_TRUE(title.Take("14-back.ppm", back));
    EXPECT_GT(back.AreaDifference(ended, 160, 120, 480, 360), 320L * 240 * 10) << "the viewer went";
    ASSERT_TRUE(title.Key("alt+F4"));
    ASSERT_TRUE(testsupport::WaitForText(log, "panel 8193", 20)) << step("Alt+F4");
    ASSERT_TRUE(title.Key("Escape"));
    int status = 0;
    ASSERT_TRUE(testsupport::WaitFor(title.Child(), 30, &status)) << step("Escape");
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status << "\n" << title.Output();
    ExpectCleanOutput(title.Output());
  }
};

// The portrait in the hall: a slide show of 40 s.
TEST_F(ItemRunTest, ASlideShowPlaysToItsEnd) { PlayToTheEnd({kPortraitAfterTheTurn}, "SH001", 40); }

// Through the door into the staircase, and its stairs: a film of 27 s.
TEST_F(ItemRunTest, AFilmPlaysToItsEnd) { PlayToTheEnd({kStaircaseDoor, kStairs}, "VI003", 27); }

// A demo tour recorded with --record-demo while a person opens the portrait
// and goes back to the tour, then played with --play-demo into a fresh
// title that nobody touches: the same panels and hand-over scripts run, the
// same item opens, and the tour's file is left as it was.
class DemoTourRunTest : public TitleRunTest {
 protected:
  // A folder of its own for each run (its run log, its history.log).
  std::string RunFolder(const std::string& name) {
    const std::string folder = temp_.Path(name);
    std::filesystem::create_directories(folder);
    std::filesystem::create_symlink(disc_ + "/Media", folder + "/Media");
    std::filesystem::create_symlink(disc_ + "/CD", folder + "/CD");
    return folder;
  }
  // Alt+F4 to the closing panel, Escape to the end.
  static void EndTitle(const RunningTitle& title, const std::function<std::string(const std::string&)>& step) {
    ASSERT_TRUE(title.Key("alt+F4"));
    ASSERT_TRUE(testsupport::WaitForText(title.Log(), "panel 8193", 20)) << step("Alt+F4");
    ASSERT_TRUE(title.Key("Escape"));
    int status = 0;
    ASSERT_TRUE(testsupport::WaitFor(title.Child(), 30, &status)) << step("Escape");
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status << "\n" << title.Output();
    ExpectCleanOutput(title.Output());
  }
};

TEST_F(DemoTourRunTest, ARecordedTourPlaysBackTheSameWalk) {
  REQUIRE_TOOL(xvfb, "Xvfb");
  REQUIRE_TOOL(xdotool, "xdotool");
  REQUIRE_TOOL(import, "import");
  const std::string tour = temp_.Path("tour.mse");
  {
    const std::string folder = RunFolder("record");
    const RunningTitle title(xvfb, xdotool, import, folder, -1, RunEnvironment(folder + "/audio.raw"),
                             {"--record-demo", tour});
    ASSERT_TRUE(title.Started()) << "Xvfb did not start";
    const std::string log = title.Log();
    const auto step = [&](const std::string& what) { return "recording, at \"" + what + "\":\n" + testsupport::ReadBytes(log); };
    ASSERT_TRUE(testsupport::WaitForText(log, "panel 8194", 30)) << step("start") << title.Output();
    ASSERT_TRUE(testsupport::WaitForText(log, "demo-record ", 10)) << step("recording starts");
    ASSERT_TRUE(title.Xdotool({"search", "--sync", "--name", "Das Ostrevan Haus"}));
    std::this_thread::sleep_for(std::chrono::milliseconds(1000));
    // Past the opening movie into the tour, and through the hall's door into
    // the staircase (a wide door in the middle of the view: a hotspot in a
    // view that turns after the pointer can move away from a replayed click
    // on a slower run). The pauses leave room for a slower playback.
    ASSERT_TRUE(title.ClickAt(60, 60));
    ASSERT_TRUE(WaitForCount(log, "script-done 1 ", 1, 20)) << step("main panel");
    std::this_thread::sleep_for(std::chrono::milliseconds(4000));
    ASSERT_TRUE(title.ClickAt(kStaircaseDoor.x, kStaircaseDoor.y));
    ASSERT_TRUE(testsupport::WaitForText(log, "bubble-entered BU004", 30)) << step("staircase");
    std::this_thread::sleep_for(std::chrono::milliseconds(3000));
    ASSERT_NO_FATAL_FAILURE(EndTitle(title, step));
    EXPECT_NE(testsupport::ReadBytes(log).find("demo-record-end " + tour), std::string::npos) << step("end");
  }
  // Whole records and the end marker.
  const std::string recorded = testsupport::ReadBytes(tour);
  ASSERT_GE(recorded.size(), 20u * 5 + 4) << "a move and two clicks at least";
  EXPECT_EQ(recorded.size() % 20, 4u);
  EXPECT_EQ(recorded.substr(recorded.size() - 4), std::string("\xFF\xFF\xFF\xFF", 4));

  const std::string folder = RunFolder("play");
  const RunningTitle title(xvfb, xdotool, import, folder, -1, RunEnvironment(folder + "/audio.raw"),
                           {"--play-demo", tour});
  ASSERT_TRUE(title.Started()) << "Xvfb did not start";
  const std::string log = title.Log();
  const auto step = [&](const std::string& what) { return "playback, at \"" + what + "\":\n" + testsupport::ReadBytes(log); };
  ASSERT_TRUE(testsupport::WaitForText(log, "demo-play " + tour, 30)) << step("start") << title.Output();
  ASSERT_TRUE(testsupport::WaitForText(log, "demo-play-end " + tour, 90)) << step("playing");
  ASSERT_TRUE(testsupport::WaitForText(log, "bubble-entered BU004", 20)) << step("staircase");
  std::this_thread::sleep_for(std::chrono::milliseconds(500));
  EXPECT_EQ(CountOf(log, "panel 8192"), 1) << step("main panel");
  EXPECT_EQ(CountOf(log, "script-done 1 "), 1) << step("main panel");
  EXPECT_EQ(CountOf(log, "bubble-entered BU004"), 1) << step("staircase");
  EXPECT_NE(testsupport::ReadBytes(log).find("demo-play-end " + tour + " " + std::to_string(recorded.size() / 20)),
            std::string::npos)
      << step("every record played");
  ASSERT_NO_FATAL_FAILURE(EndTitle(title, step));
  EXPECT_EQ(testsupport::ReadBytes(tour), recorded) << "playback leaves the file alone";
}

// A tour file is outside input, and a person may quit at any moment: a
// played tour that moves the pointer to the far corners of the 32-bit plane
// (held to the screen: the controls' arithmetic overflowed) and opens the
// hall's portrait, a slide show whose sound streams, when the title is told
// to quit (--quit-after). The title ends cleanly: no sanitizer report, the
// streamed sound not left behind (LeakSanitizer, on for this run).
TEST_F(DemoTourRunTest, AFarFlungTourAndAQuitDuringTheSlideShowLeaveNothingBehind) {
  REQUIRE_TOOL(xvfb, "Xvfb");
  REQUIRE_TOOL(xdotool, "xdotool");
  REQUIRE_TOOL(import, "import");
  DemoTourFile tour;
  tour.Move(0, 320, 240);
  tour.Click(1500, 60, 60);
  tour.Move(2500, INT32_MIN, INT32_MIN);
  tour.Move(2600, INT32_MAX, INT32_MAX);
  tour.Move(2700, INT32_MIN, INT32_MAX);
  tour.Move(2800, 320, 240);
  tour.Turn(6000, kPortraitAfterTheTurn.x, kPortraitAfterTheTurn.y);
  tour.Click(9500, 320, 240);
  tour.Move(30000, 320, 240);
  const std::string path = temp_.Path("far.mse");
  testsupport::WriteBytes(path, tour.Bytes());
  const std::string folder = RunFolder("far");
  // The portrait opens about 10 s after the first frame; its show lasts 40 s.
  const RunningTitle title(xvfb, xdotool, import, folder, 16000, RunEnvironment(folder + "/audio.raw"),
                           {"--play-demo", path});
  ASSERT_TRUE(title.Started()) << "Xvfb did not start";
  const std::string log = title.Log();
  const auto step = [&](const std::string& what) { return "at \"" + what + "\":\n" + testsupport::ReadBytes(log); };
  int status = 0;
  ASSERT_TRUE(testsupport::WaitFor(title.Child(), 90, &status)) << step("the end") << title.Output();
  EXPECT_NE(testsupport::ReadBytes(log).find("item-shown SH001"), std::string::npos) << step("portrait");
  EXPECT_EQ(testsupport::ReadBytes(log).find("item-ended SH001"), std::string::npos) << step("quit while it plays");
  EXPECT_EQ(testsupport::ReadBytes(log).find("demo-play-end"), std::string::npos) << step("quit while it plays");
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status << "\n" << title.Output();
  ExpectCleanOutput(title.Output());
}

}  // namespace
