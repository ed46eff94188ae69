// Runs of the caption line and what lies round the strip: the long caption
// of the detail photo's window on one line, the desk's caption back at once
// when its detail photo closes, the old photograph's caption over the dark
// leather of the decoration, and the storyline screen's lowest band with its
// name plate clear of the strip.
#include <gtest/gtest.h>

#include <string>
#include <thread>

#include "title/run/TitleRun.h"

namespace titlerun {
namespace {

// On the detail photo of the desk: the window behind it (its caption names
// the desk and the photograph: wider than the caption line as built).
constexpr Point kDeskWindow = {320, 40};
// The strip's button that closes the detail photo.
constexpr Point kDetailPhotoCloseButton = {505, 452};
// The caption line's text (its first line) and the band a second line would
// take, on the strip's top edge.
constexpr Area kCaptionText = {10, 404, 400, 426};
constexpr Area kCaptionSecondLine = {10, 427, 400, 446};
// The desk's caption "Das Schreibpult des Kaufmanns" (without the box that
// follows it once the detail photo has been seen).
constexpr Area kDeskCaption = {10, 404, 200, 426};
// On the old photograph's screen: the decoration's rows just above the
// caption line, left of the photograph.
constexpr Area kAboveTheCaption = {100, 398, 225, 406};
// On the storyline screen: the gap between the module selector and the
// strip's board, and the lowest band's name plate above the selector.
constexpr Area kBesideTheSelector = {93, 441, 105, 468};
constexpr Area kLowestBandPlate = {30, 360, 150, 376};

long Difference(const Shot& a, const Shot& b, const Area& area) {
  return a.AreaDifference(b, area.left, area.top, area.right, area.bottom);
}

double Brightness(const Shot& shot, const Area& area) {
  return shot.Brightness(area.left, area.top, area.right, area.bottom);
}

// The study's desk opens its detail photo; the pointer over its window names
// the window with a caption wider than the caption line as built, on one
// line all the same. The window opens the old photograph of the house, whose
// caption line runs below the decoration's prints. Back on the detail photo
// its house button closes it, the pointer comes back to the middle of the
// view over the desk, and the desk's caption shows at once, without a move.
TEST_F(ScreenRunTest, TheDeskAndItsPhotographsShowTheirCaptionsClearly) {
  ASSERT_NO_FATAL_FAILURE(StartInTheTour());
  ASSERT_NO_FATAL_FAILURE(WalkThroughTheRoomList(kRoomListStudy, kStudyBubbleButton, "BU005"));
  ASSERT_TRUE(title_->MoveTo(320, 235));
  const Shot study = TakeAfter(1500, "70-study");
  ASSERT_TRUE(title_->Xdotool({"click", "1"}));
  ASSERT_TRUE(testsupport::WaitForText(title_->Log(), "popup-shown DF001", 10)) << Step("the detail photo");
  const Shot desk = TakeAfter(1500, "71-detail-photo");

  ASSERT_TRUE(title_->MoveTo(kDeskWindow.x, kDeskWindow.y));
  const Shot window = TakeAfter(1500, "72-window");
  EXPECT_GT(Difference(window, desk, kCaptionText), 100L * 10 * 3) << "the caption names the window";
  EXPECT_LT(Difference(window, desk, kCaptionSecondLine), 20000L) << "the caption ran onto a second line";

  ASSERT_TRUE(title_->ClickAt(kDeskWindow.x, kDeskWindow.y));
  ASSERT_TRUE(testsupport::WaitForText(title_->Log(), "screen-shown 12", 10)) << Step("the old photograph");
  ASSERT_TRUE(WaitForCount(title_->Log(), "script-done 5 ", 1, 20)) << Step("the old photograph");
  const Shot photo = TakeAfter(1500, "73-old-photograph");
  // Dark leather (about 40 bright); the prints' paper is above 200.
  EXPECT_LT(Brightness(photo, kAboveTheCaption), 100.0) << "the decoration's prints reach the caption line";
  ASSERT_TRUE(title_->ClickAt(kPhotoTourButton.x, kPhotoTourButton.y));
  ASSERT_TRUE(WaitForCount(title_->Log(), "script-done 1 ", 2, 20)) << Step("the old photograph closed");
  TakeAfter(1500, "74-back-to-the-detail-photo");

  ASSERT_TRUE(title_->ClickAt(kDetailPhotoCloseButton.x, kDetailPhotoCloseButton.y));
  ASSERT_TRUE(testsupport::WaitForText(title_->Log(), "popup-hidden DF001", 10)) << Step("the detail photo closed");
  const Shot closed = TakeAfter(1500, "75-closed");
  EXPECT_LT(Difference(closed, study, {0, 0, 640, 400}), 640L * 400 * 3) << "the study's view as before";
  EXPECT_LT(Difference(closed, study, kDeskCaption), 25000L) << "the desk's caption as before the detail photo";
  ASSERT_NO_FATAL_FAILURE(EndTitle());
}

// The storyline screen's lowest band has its name plate above the module
// selector: nothing of it shows in the gap between the selector and the
// strip's board.
TEST_F(ScreenRunTest, TheStorylineBandsNamePlateStandsClearOfTheStrip) {
  ASSERT_NO_FATAL_FAILURE(StartInTheTour());
  ASSERT_NO_FATAL_FAILURE(OpenModuleFromTheStrip(2, "storyline screen"));
  const Shot screen = TakeAfter(2500, "76-storyline");
  // The band's dark blue parchment (about 50 bright); the brass plate is above 120.
  EXPECT_LT(Brightness(screen, kBesideTheSelector), 90.0) << "a piece of the plate beside the selector";
  EXPECT_GT(Brightness(screen, kLowestBandPlate), 110.0) << "the plate above the selector";
  ASSERT_NO_FATAL_FAILURE(EndTitle());
}

}  // namespace
}  // namespace titlerun
