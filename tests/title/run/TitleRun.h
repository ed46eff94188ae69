// Shared by the runs of the whole title on the sample disc, driven from
// outside under Xvfb with xdotool: where the controls are, waiting on the
// title's run log, measuring captured sound, and the fixtures that start
// the title in a folder of its own.
#pragma once

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <chrono>
#include <climits>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <thread>
#include <vector>
#include "support/BuildPaths.h"
#include "support/RequireTool.h"
#include "support/RunningTitle.h"
#include "support/TempDir.h"

namespace titlerun {


using testsupport::RunningTitle;
using testsupport::Shot;

// How often the text stands in the file.
inline int CountOf(const std::string& path, const std::string& text) {
  const std::string bytes = testsupport::ReadBytes(path);
  int count = 0;
  for (size_t at = bytes.find(text); at != std::string::npos; at = bytes.find(text, at + text.size())) ++count;
  return count;
}

// Waits until the text stands in the file `count` times.
inline bool WaitForCount(const std::string& path, const std::string& text, int count, int seconds) {
  for (int i = 0; i < seconds * 50; ++i) {
    if (CountOf(path, text) >= count) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  return false;
}

// The RMS (full scale 1) of 16-bit mono samples from `from` to `to` seconds
// at 22050 Hz.
inline double Rms(const std::string& raw, double from, double to) {
  const size_t first = static_cast<size_t>(from * 22050) * 2;
  const size_t last = std::min(raw.size(), static_cast<size_t>(to * 22050) * 2);
  double sum = 0;
  size_t count = 0;
  for (size_t i = first; i + 1 < last; i += 2) {
    const auto sample = static_cast<int16_t>(static_cast<uint16_t>(static_cast<uint8_t>(raw[i]) |
                                                                   (static_cast<uint8_t>(raw[i + 1]) << 8)));
    sum += static_cast<double>(sample) * sample;
    ++count;
  }
  return count > 0 ? std::sqrt(sum / static_cast<double>(count)) / 32768.0 : 0.0;
}

// Where the strip's controls are in the window.
struct Point {
  int x;
  int y;
};
// The module selector's four regions (its 72 x 88 picture at 20, 390:
// 1 top left, 2 top right, 3 bottom left, 4 bottom right).
constexpr Point kModuleRegions[4] = {{40, 415}, {72, 415}, {40, 455}, {72, 455}};
constexpr Point kCarouselButton = {524, 453};
constexpr Point kInfoButton = {549, 453};
constexpr Point kRoomsButton = {587, 453};
// The close button at the top right of the info page.
constexpr Point kInfoCloseButton = {437, 54};
// On the info page: the list of aspects with its lower arrow, the last
// aspect the list shows, and the aspect's text below.
struct Area {
  int left;
  int top;
  int right;
  int bottom;
};
constexpr Area kInfoList = {230, 90, 400, 158};
constexpr Area kInfoText = {218, 172, 420, 340};
constexpr Point kInfoListDown = {232, 165};
constexpr Point kInfoLastAspect = {290, 148};
// The backward arrow of the storyline screen's middle band.
constexpr Point kStorylineBackArrow = {272, 196};
// The middle band's scale row; the storyline's next and previous buttons
// and the viewer's back button in the storyline view.
constexpr int kStorylineScaleY = 243;
// The search starts right of the band's backward arrow: a card's icon
// below that arrow did not take clicks in these runs.
constexpr int kStorylineScaleLeft = 300;
constexpr int kStorylineScaleRight = 585;
constexpr Point kStorylineNext = {478, 112};
constexpr Point kStorylinePrevious = {478, 131};
constexpr Point kStorylineViewerBack = {487, 187};
// The room overlay's close button (at 512, 2 in the overlay at 56, 25).
constexpr Point kRoomOverlayClose = {575, 33};
// On the room overlay: the "Räume" button that lists the rooms, the garden
// in that list (the twelfth of thirteen rooms), and the garden's bubble
// button on the plan.
constexpr Point kRoomOverlayRooms = {118, 36};
constexpr Point kRoomListGarden = {105, 263};
constexpr Point kGardenBubbleButton = {317, 325};
// The study in that list (the seventh) and its bubble button on the plan.
constexpr Point kRoomListStudy = {124, 168};
constexpr Point kStudyBubbleButton = {305, 287};
// The hall in that list (the tenth) and its bubble button on the plan.
constexpr Point kRoomListHall = {97, 226};
constexpr Point kHallBubbleButton = {399, 201};
// The bedroom's box on the plan (upper floor, right), below its buttons.
constexpr Point kPlanBedroomBox = {497, 292};
// In the garden's first view the hotspot of the old photograph on the wall
// above the door; on the photograph its front door; the arrow button beside
// the room's name on the photo screen's strip.
constexpr Point kGardenPhotoHotspot = {325, 114};
constexpr Point kPhotoFrontDoor = {365, 262};
constexpr Point kPhotoTourButton = {411, 452};
// The arrow button left of the link text (the room's name) on the whole
// strip: back to the tour.
constexpr Point kTourButton = {424, 452};
// The portrait (a slide show) on the right of the hall's first view (about
// 612, 230): where the pointer rests so that the portrait lies under it once
// the view has turned after it: the view turns by 0.7 of the pointer's angle from the
// middle, so the pointer at 0.445 rad (x 510) comes to rest over the
// portrait's middle, 0.756 rad right of the first view's.
constexpr Point kPortraitAfterTheTurn = {510, 228};
// The door to the staircase in the middle of the hall's first view, and in
// the staircase's first view the lower flight of the stairs (a film), which
// begins at the middle and reaches to the right.
constexpr Point kStaircaseDoor = {255, 300};
constexpr Point kStairs = {500, 300};

// Nothing in the title's output says that it went wrong.
inline void ExpectCleanOutput(const std::string& output) {
  for (const char* bad : {"AddressSanitizer", "LeakSanitizer", "runtime error", "no owner message"}) {
    EXPECT_EQ(output.find(bad), std::string::npos) << bad << "\n" << output;
  }
}

// The size of a file now (0 when it is not there).
inline size_t SizeOf(const std::string& path) {
  std::error_code ignored;
  const auto size = std::filesystem::file_size(path, ignored);
  return ignored ? 0 : static_cast<size_t>(size);
}

// The RMS (full scale 1) of the 16-bit samples between two byte offsets.
inline double RmsOfBytes(const std::string& raw, size_t from, size_t to) {
  return Rms(raw, static_cast<double>(from / 2) / 22050.0, static_cast<double>(to / 2) / 22050.0);
}

// Waits for the opening panel and its window, skips the opening movie with a
// click on the black beside it and waits for the tour's first script.
inline void SkipIntoTheTour(const RunningTitle& title, const std::function<std::string(const std::string&)>& step) {
  ASSERT_TRUE(testsupport::WaitForText(title.Log(), "panel 8194", 30)) << step("start") << title.Output();
  ASSERT_TRUE(title.Xdotool({"search", "--sync", "--name", "Das Ostrevan Haus"}));
  std::this_thread::sleep_for(std::chrono::milliseconds(1000));
  ASSERT_TRUE(title.ClickAt(60, 60));
  ASSERT_TRUE(WaitForCount(title.Log(), "script-done 1 ", 1, 20)) << step("main panel");
  std::this_thread::sleep_for(std::chrono::milliseconds(500));
}

class TitleRunTest : public ::testing::Test {
 protected:
  TitleRunTest() : temp_("title-run-") {}
  void SetUp() override {
    disc_ = testsupport::BuildDir() + "/content/disc";
    ASSERT_TRUE(std::filesystem::exists(disc_ + "/Media/QV_GUI.msf")) << "the sample disc is built first";
    // The title's folder: the disc's media by link, its own history.log.
    std::filesystem::create_symlink(disc_ + "/Media", temp_.Path("Media"));
    std::filesystem::create_symlink(disc_ + "/CD", temp_.Path("CD"));
    std::filesystem::create_directories(temp_.Path("runtime"));
  }
  void TearDown() override {
    if (!HasFailure()) return;
    // The screenshots and logs outlive the test's folder in the build folder.
    const std::string kept = testsupport::BuildDir() + "/title-run-failure/" +
                             ::testing::UnitTest::GetInstance()->current_test_info()->name();
    std::error_code ignored;
    std::filesystem::remove_all(kept, ignored);
    std::filesystem::create_directories(kept, ignored);
    for (const auto& entry : std::filesystem::directory_iterator(temp_.Path(), ignored)) {
      const std::string ext = entry.path().extension().string();
      if (ext == ".ppm" || ext == ".log" || ext == ".txt") {
        std::filesystem::copy_file(entry.path(), kept + "/" + entry.path().filename().string(),
                                   std::filesystem::copy_options::overwrite_existing, ignored);
      }
    }
    std::printf("screenshots and logs kept in %s\n", kept.c_str());
  }

  // Sound to the disk driver's file; leak detection on. The desktop
  // libraries SDL loads for a real display (D-Bus) keep a little memory to
  // the end; everything of the title's own must be freed.
  std::vector<std::string> RunEnvironment(const std::string& audio) {
    const std::string suppressions = temp_.Path("leaks.supp");
    testsupport::WriteBytes(suppressions, "leak:libdbus-1.so\nleak:libX11.so\nleak:libfontconfig.so\n");
    return {"SDL_AUDIODRIVER=disk", "SDL_DISKAUDIOFILE=" + audio, "SDL_DISKAUDIODELAY=20",
            "XDG_RUNTIME_DIR=" + temp_.Path("runtime"), "ASAN_OPTIONS=detect_leaks=1",
            "LSAN_OPTIONS=suppressions=" + suppressions};
  }

  testsupport::TempDir temp_;
  std::string disc_;
};

class ScreenRunTest : public TitleRunTest {
 protected:
  // Starts the title and waits for the tour after the opening movie.
  void StartInTheTour() {
    REQUIRE_TOOL(xvfb, "Xvfb");
    REQUIRE_TOOL(xdotool, "xdotool");
    REQUIRE_TOOL(import, "import");
    title_.emplace(xvfb, xdotool, import, temp_.Path(), -1, RunEnvironment(temp_.Path("audio.raw")));
    ASSERT_TRUE(title_->Started()) << "Xvfb did not start";
    ASSERT_NO_FATAL_FAILURE(SkipIntoTheTour(*title_, [this](const std::string& what) { return Step(what); }));
  }
  // The run log so far, for a failed step.
  std::string Step(const std::string& what) const {
    return "at \"" + what + "\":\n" + testsupport::ReadBytes(title_->Log());
  }
  // F1 opens the room overlay; its "Räume" button lists the rooms, the room
  // chosen there shows on the plan with its bubble button, and that button
  // walks the tour into the room's bubble (script 2); the pointer rests in
  // the middle, where the view does not turn, until the view has settled.
  void WalkThroughTheRoomList(Point room, Point bubbleButton, const std::string& bubble) {
    ASSERT_TRUE(title_->Key("F1"));
    ASSERT_TRUE(WaitForCount(title_->Log(), "script-done 8 ", 1, 20)) << Step("F1");
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    ASSERT_TRUE(title_->ClickAt(kRoomOverlayRooms.x, kRoomOverlayRooms.y));
    std::this_thread::sleep_for(std::chrono::milliseconds(1500));
    ASSERT_TRUE(title_->ClickAt(room.x, room.y));
    std::this_thread::sleep_for(std::chrono::milliseconds(1500));
    ASSERT_TRUE(title_->ClickAt(bubbleButton.x, bubbleButton.y));
    ASSERT_TRUE(title_->MoveTo(320, 240));
    ASSERT_TRUE(WaitForCount(title_->Log(), "script-done 2 ", 1, 20)) << Step("into " + bubble);
    ASSERT_TRUE(testsupport::WaitForText(title_->Log(), "bubble-entered " + bubble, 30)) << Step("into " + bubble);
    std::this_thread::sleep_for(std::chrono::milliseconds(3000));
  }
  // Space opens the strip; a click on the module selector's region `module`
  // opens that module's screen (script 3).
  void OpenModuleFromTheStrip(int module, const std::string& what) {
    ASSERT_TRUE(title_->Key("space"));
    ASSERT_TRUE(WaitForCount(title_->Log(), "script-done 0 ", 1, 20)) << Step("space");
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    ASSERT_TRUE(title_->ClickAt(kModuleRegions[module].x, kModuleRegions[module].y));
    ASSERT_TRUE(WaitForCount(title_->Log(), "script-done 3 ", 1, 20)) << Step(what);
  }
  // Waits and takes a screenshot.
  Shot TakeAfter(int ms, const std::string& name) {
    std::this_thread::sleep_for(std::chrono::milliseconds(ms));
    Shot shot;
    EXPECT_TRUE(title_->Take(name + ".ppm", shot)) << name;
    if (shot.width != 640) shot = Shot{640, 480, std::string(640u * 480 * 3, '\0')};
    return shot;
  }
  // Alt+F4 to the closing panel, Escape to the end; nothing went wrong.
  void EndTitle() {
    ASSERT_TRUE(title_->Key("alt+F4"));
    ASSERT_TRUE(testsupport::WaitForText(title_->Log(), "panel 8193", 20)) << Step("Alt+F4");
    ASSERT_TRUE(title_->Key("Escape"));
    int status = 0;
    ASSERT_TRUE(testsupport::WaitFor(title_->Child(), 30, &status)) << Step("Escape");
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status << "\n" << title_->Output();
    ExpectCleanOutput(title_->Output());
  }
  std::optional<RunningTitle> title_;
};

// A demo-tour file: 20-byte records (time, window message, x, y, middle
// flag, button code, CR LF) and the end marker.
class DemoTourFile {
 public:
  void Move(uint32_t ms, int x, int y) { Record(ms, 0x200, x, y, 0); }
  // A click: the pointer there first, then press and release.
  void Click(uint32_t ms, int x, int y) {
    Move(ms - 150, x, y);
    Record(ms, 0x201, x, y, 1);
    Record(ms + 3, 0x202, x, y, 0);
  }
  // The view turns after the pointer's move away from the middle (the
  // title puts the pointer back there at once); the move back to the middle
  // before it wakes the tour's mouse look.
  void Turn(uint32_t ms, int x, int y) {
    Move(ms - 1500, 320, 240);
    Move(ms, x, y);
    Move(ms + 3, 320, 240);
  }
  std::string Bytes() const { return bytes_ + std::string(4, '\xFF'); }

 private:
  void Put(uint32_t value, int size) {
    for (int i = 0; i < size; ++i) bytes_ += static_cast<char>((value >> (8 * i)) & 0xFF);
  }
  void Record(uint32_t ms, uint32_t kind, int x, int y, uint32_t button) {
    Put(ms, 4);
    Put(kind, 2);
    Put(static_cast<uint32_t>(x), 4);
    Put(static_cast<uint32_t>(y), 4);
    Put(0, 2);
    Put(button, 2);
    bytes_ += "\r\n";
  }
  std::string bytes_;
};

// The tour: past the opening movie; the portrait in the hall (SH001) and
// back; the hall's first view again, through its door into the staircase
// (BU004) and its stairs (VI003), and back to the tour.
inline std::string VisitingTour() {
  DemoTourFile tour;
  tour.Move(0, 320, 240);
  tour.Click(1500, 60, 60);
  tour.Turn(6000, kPortraitAfterTheTurn.x, kPortraitAfterTheTurn.y);
  tour.Click(9500, 320, 240);
  tour.Click(15500, kTourButton.x, kTourButton.y);
  tour.Turn(19500, 640 - kPortraitAfterTheTurn.x, 480 - kPortraitAfterTheTurn.y);
  tour.Click(23000, kStaircaseDoor.x, kStaircaseDoor.y);
  tour.Turn(31000, kStairs.x, kStairs.y);
  tour.Turn(34000, kStairs.x, kStairs.y);
  tour.Click(34200, 320, 240);
  tour.Click(40000, kTourButton.x, kTourButton.y);
  tour.Move(43000, 320, 240);
  return tour.Bytes();
}
constexpr int kTourMs = 43000;

// A positive whole number from the environment variable `name`, else
// `fallback` (unset, empty, not a number, zero or negative).
inline int IntFromEnvironment(const char* name, int fallback) {
  const char* text = std::getenv(name);
  const long value = text != nullptr ? std::strtol(text, nullptr, 10) : 0;
  return value > 0 && value <= INT_MAX ? static_cast<int>(value) : fallback;
}

}  // namespace titlerun
