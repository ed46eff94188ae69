// Runs of the photographs on the sample disc: the detail photo of the desk in
// the study, which opens over the tour with a picture transition, and the old
// photograph of the house that the window on it opens.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "title/run/TitleRun.h"

namespace titlerun {
namespace {

// On the detail photo of the desk: the window behind it (a region that
// opens the old photograph HP001).
constexpr Point kDeskWindow = {320, 40};
constexpr Area kDeskWindowArea = {110, 0, 470, 88};
// The strip's button that closes the detail photo (the house beside the
// room's name while a detail photo is open).
constexpr Point kDetailPhotoCloseButton = {505, 452};
// What the photographs show above the caption line and the strip.
constexpr Area kPhotoArea = {0, 0, 640, 400};
constexpr Area kAboveTheLedger = {0, 0, 640, 150};
constexpr Area kHistoricalPhotoArea = {234, 30, 518, 410};
constexpr Area kCaptionLine = {10, 404, 400, 446};

long Difference(const Shot& a, const Shot& b, const Area& area) {
  return a.AreaDifference(b, area.left, area.top, area.right, area.bottom);
}

// The milliseconds of a run-log line "NAME ms N" (-1 when it is not there).
int MillisecondsOf(const std::string& log, const std::string& name) {
  const std::string bytes = testsupport::ReadBytes(log);
  const size_t at = bytes.find(name + " ms ");
  return at == std::string::npos ? -1 : std::atoi(bytes.c_str() + at + name.size() + 4);
}

class PhotosRunTest : public ScreenRunTest {
 protected:
  // The room overlay's list walks into the study (bubble BU005), whose first
  // view looks at the desk: the desk's hotspot lies in the middle.
  void WalkIntoTheStudy() {
    ASSERT_NO_FATAL_FAILURE(WalkThroughTheRoomList(kRoomListStudy, kStudyBubbleButton, "BU005"));
  }
  // Screenshots one after another until the run log holds the line (at most
  // 12, named PREFIX-N): a transition seen on its way.
  std::vector<Shot> ShotsUntil(const std::string& line, const std::string& prefix) {
    std::vector<Shot> shots;
    for (int i = 0; i < 12 && CountOf(title_->Log(), line) == 0; ++i) {
      shots.push_back(TakeAfter(0, prefix + "-" + std::to_string(i)));
    }
    return shots;
  }
  // Whether one of the shots is neither the picture before nor the one
  // after over the area: half-way between them.
  static bool AnyHalfWay(const std::vector<Shot>& shots, const Shot& before, const Shot& after, const Area& area) {
    const long apart = Difference(before, after, area);
    for (const Shot& shot : shots) {
      if (Difference(shot, before, area) > apart / 5 && Difference(shot, after, area) > apart / 5) return true;
    }
    return false;
  }
  // The detail photo as the disc holds it, read by ImageMagick.
  Shot DeskPhotograph() {
    const std::string ppm = temp_.Path("DF001.ppm");
    const std::string command = "convert '" + disc_ + "/work/tour/detail/DF001.jpg' -depth 8 'ppm:" + ppm + "'";
    Shot shot;
    EXPECT_EQ(std::system(command.c_str()), 0) << command;
    EXPECT_TRUE(testsupport::ReadPpm(ppm, shot.width, shot.height, shot.rgb)) << ppm;
    if (shot.width != 640 || shot.height != 480) shot = Shot{640, 480, std::string(640u * 480 * 3, '\0')};
    return shot;
  }
};

// The desk's hotspot in the study opens its detail photo over the tour: a
// picture transition of 1000 ms from the view to the photograph (seen
// half-way in a screenshot), the photograph then as the disc holds it. The
// pointer over the window lights it and names it on the caption line; a
// click there asks the main panel for the item of its region (138), the
// old photograph of the house (the historical photo screen), whose front
// door lights under the pointer and stays on show when clicked. The arrow
// beside the room's name closes the old photograph, back to the detail
// photo without its caption; the house button closes the detail photo with
// the reverse transition, back to the study's view.
TEST_F(PhotosRunTest, TheDeskInTheStudyOpensItsDetailPhotoAndTheOldPhotograph) {
  REQUIRE_TOOL(convert, "convert");
  ASSERT_NO_FATAL_FAILURE(StartInTheTour());
  ASSERT_NO_FATAL_FAILURE(WalkIntoTheStudy());
  ASSERT_TRUE(title_->MoveTo(320, 235));
  const Shot study = TakeAfter(1500, "60-study");
  ASSERT_TRUE(title_->Xdotool({"click", "1"}));
  const std::vector<Shot> opening = ShotsUntil("popup-shown DF001", "61-opening");
  ASSERT_TRUE(testsupport::WaitForText(title_->Log(), "popup-shown DF001", 10)) << Step("the detail photo");
  const int openedIn = MillisecondsOf(title_->Log(), "popup-shown DF001");
  EXPECT_GE(openedIn, 1000) << "the opening transition's length";
  EXPECT_LE(openedIn, 3000) << "the opening transition's length";
  const Shot desk = TakeAfter(500, "62-detail-photo");
  // The photograph as the disc holds it (the screen keeps 16 bits a pixel).
  const Shot photograph = DeskPhotograph();
  EXPECT_LT(Difference(desk, photograph, kPhotoArea), 640L * 400 * 3 * 6) << "the detail photo shows";
  EXPECT_GT(Difference(study, photograph, kPhotoArea), 640L * 400 * 3 * 20) << "the study's view is not the photo";
  EXPECT_TRUE(AnyHalfWay(opening, study, desk, kPhotoArea)) << "no screenshot half-way through the opening";

  ASSERT_TRUE(title_->MoveTo(kDeskWindow.x, kDeskWindow.y));
  const Shot window = TakeAfter(1500, "63-window");
  EXPECT_GT(Difference(window, desk, kDeskWindowArea), 300L * 80 * 10) << "the window lights up";
  EXPECT_GT(Difference(window, desk, kCaptionLine), 100L * 10 * 3) << "the caption names it";
  ASSERT_TRUE(title_->ClickAt(kDeskWindow.x, kDeskWindow.y));
  ASSERT_TRUE(testsupport::WaitForText(title_->Log(), "screen-shown 12", 10)) << Step("the window's photograph");
  ASSERT_TRUE(WaitForCount(title_->Log(), "script-done 5 ", 1, 20)) << Step("the window's photograph");
  const Shot photo = TakeAfter(1500, "64-old-photograph");
  EXPECT_GT(Difference(photo, window, kHistoricalPhotoArea), 284L * 380 * 20) << "the old photograph shows";
  ASSERT_TRUE(title_->MoveTo(kPhotoFrontDoor.x, kPhotoFrontDoor.y));
  const Shot door = TakeAfter(1500, "65-front-door");
  EXPECT_GT(door.AreaDifference(photo, 330, 190, 405, 335), 40L * 100 * 10) << "the front door lights up";
  ASSERT_TRUE(title_->ClickAt(kPhotoFrontDoor.x, kPhotoFrontDoor.y));
  const Shot clicked = TakeAfter(2000, "66-front-door-clicked");
  EXPECT_LT(Difference(clicked, door, kHistoricalPhotoArea), 284L * 380) << "the old photograph stays";

  ASSERT_TRUE(title_->ClickAt(kPhotoTourButton.x, kPhotoTourButton.y));
  ASSERT_TRUE(WaitForCount(title_->Log(), "script-done 1 ", 2, 20)) << Step("the old photograph closed");
  const Shot back = TakeAfter(1500, "67-back-to-the-desk");
  EXPECT_GT(Difference(back, photo, kHistoricalPhotoArea), 284L * 380 * 20) << "the old photograph went";
  // The pointer comes back to the middle of the view (over the ledger, which
  // lights): above it, the detail photo as it was shown.
  EXPECT_LT(Difference(back, photograph, kAboveTheLedger), 640L * 150 * 3 * 6) << "the detail photo again";

  ASSERT_TRUE(title_->ClickAt(kDetailPhotoCloseButton.x, kDetailPhotoCloseButton.y));
  const std::vector<Shot> closing = ShotsUntil("popup-hidden DF001", "68-closing");
  ASSERT_TRUE(testsupport::WaitForText(title_->Log(), "popup-hidden DF001", 10)) << Step("the detail photo closed");
  const int closedIn = MillisecondsOf(title_->Log(), "popup-hidden DF001");
  EXPECT_GE(closedIn, 1000) << "the closing transition's length";
  EXPECT_LE(closedIn, 3000) << "the closing transition's length";
  const Shot closed = TakeAfter(1500, "69-closed");
  EXPECT_LT(Difference(closed, study, kPhotoArea), Difference(closed, photograph, kPhotoArea) / 4)
      << "the study's view again";
  EXPECT_TRUE(AnyHalfWay(closing, back, closed, kPhotoArea)) << "no screenshot half-way through the closing";
  ASSERT_NO_FATAL_FAILURE(EndTitle());
}

}  // namespace
}  // namespace titlerun
