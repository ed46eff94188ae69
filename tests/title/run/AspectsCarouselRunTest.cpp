// The aspects module and the carousel on the sample disc, driven from outside
// as a person would use them: under Xvfb, with xdotool's pointer and clicks.
// The aspects module opens from the main panel's module selector; the tree
// is walked down two levels to a leaf, whose film plays in the item viewer.
// The carousel opens from the strip's button; the pointer resting at the
// ring's edge turns it; a place chosen in the list turns the ring to it and
// opens its details, whose go button takes the tour into the place.
#include <gtest/gtest.h>

#include "title/run/TitleRun.h"

namespace {

using namespace titlerun;

// The aspect list stands at x 342 with rows of 20, centred in the 380 rows
// of the screen's list area: row `row` of a list of `count` rows.
Point AspectRow(int row, int count) { return {400, (380 - 20 * count) / 2 + 20 * row + 10}; }

// The link an open leaf's title becomes, at the bottom of the screen.
constexpr Point kAspectLink = {380, 397};

// The carousel's list of places at x 425, y 30 with rows of 17.
Point PlaceRow(int row) { return {470, 30 + 17 * row + 8}; }

// The ring's rectangle (400 x 379 at the screen's top left) and a place
// beside it where the pointer turns nothing and points at no list row.
constexpr Area kRing = {0, 0, 400, 379};
constexpr Point kBesideTheRing = {412, 200};
// In the ring's left zone, near its outer edge: the ring turns fast.
constexpr Point kRingLeftEdge = {8, 70};
// The go button, level with the chosen third row at its right end.
constexpr Point kCarouselGoButton = {590, 30 + 17 * 2 + 8};

// The aspects module from the selector: Architektur, Das Dachwerk, Treppen
// und Stuben (a film, VI003). Each step moves the chosen title into the
// title bar and lists the children; the leaf's title slides down as a link
// and the viewer plays the film; the link leads back to the list.
TEST_F(ScreenRunTest, TheAspectsModuleWalksDownToAFilm) {
  ASSERT_NO_FATAL_FAILURE(StartInTheTour());
  const Shot tour = TakeAfter(0, "50-tour");
  ASSERT_NO_FATAL_FAILURE(OpenModuleFromTheStrip(0, "aspects screen opened"));
  ASSERT_TRUE(testsupport::WaitForText(title_->Log(), "screen-shown 0", 20)) << Step("aspects screen");
  const Shot top = TakeAfter(500, "51-aspects");
  EXPECT_GT(top.AreaDifference(tour, 0, 0, 640, 380), 640L * 380 * 20) << "the aspects screen covers the tour";

  const Point architecture = AspectRow(0, 4);
  ASSERT_TRUE(title_->ClickAt(architecture.x, architecture.y));
  const Shot node = TakeAfter(1500, "52-architecture");
  EXPECT_GT(node.AreaDifference(top, 342, 20, 580, 400), 100L * 20 * 3) << "the children are listed";

  const Point roof = AspectRow(1, 3);
  ASSERT_TRUE(title_->ClickAt(roof.x, roof.y));
  const Shot lower = TakeAfter(1500, "53-roof");
  EXPECT_GT(lower.AreaDifference(node, 342, 20, 580, 400), 100L * 20 * 3) << "the grandchildren are listed";

  const Point stairs = AspectRow(1, 2);
  ASSERT_TRUE(title_->ClickAt(stairs.x, stairs.y));
  ASSERT_TRUE(testsupport::WaitForText(title_->Log(), "item-shown VI003", 20)) << Step("the leaf's film");
  const Shot film = TakeAfter(2000, "54-film");
  const Shot later = TakeAfter(1500, "55-film-later");
  // The film plays in the middle of the screen, around (290, 204).
  EXPECT_GT(later.AreaDifference(film, 130, 84, 450, 324), 320L * 240 * 2) << "the film moves";
  EXPECT_GT(film.AreaDifference(lower, 130, 84, 450, 324), 320L * 240 * 20) << "the viewer shows the film";
  // The side bar stands right of the film, beside the brass column.
  EXPECT_GT(film.AreaDifference(lower, 541, 115, 581, 255), 40L * 140 * 20) << "the viewer's side bar";

  // The leaf's title at the bottom is a link back to the list.
  ASSERT_TRUE(title_->ClickAt(kAspectLink.x, kAspectLink.y));
  ASSERT_TRUE(title_->MoveTo(320, 470));
  const Shot back = TakeAfter(2000, "56-back-to-the-list");
  EXPECT_LT(back.AreaDifference(lower, 130, 84, 450, 324), film.AreaDifference(lower, 130, 84, 450, 324) / 4)
      << "the film went";
  EXPECT_LT(back.AreaDifference(lower, 342, 20, 580, 380), 100L * 20 * 3) << "the list is back";
  ASSERT_NO_FATAL_FAILURE(EndTitle());
}

// The carousel from the strip's button: the ring turns under the pointer at
// its edge; a place chosen in the list comes to the ring's front and opens
// its details; the go button takes the tour there.
TEST_F(ScreenRunTest, TheCarouselTurnsAndTakesTheTourToTheChosenPlace) {
  ASSERT_NO_FATAL_FAILURE(StartInTheTour());
  ASSERT_TRUE(title_->Key("space"));
  ASSERT_TRUE(WaitForCount(title_->Log(), "script-done 0 ", 1, 20)) << Step("space");
  std::this_thread::sleep_for(std::chrono::milliseconds(300));
  ASSERT_TRUE(title_->ClickAt(kCarouselButton.x, kCarouselButton.y));
  ASSERT_TRUE(title_->MoveTo(kBesideTheRing.x, kBesideTheRing.y));
  ASSERT_TRUE(testsupport::WaitForText(title_->Log(), "screen-shown 8", 20)) << Step("carousel screen");
  ASSERT_TRUE(WaitForCount(title_->Log(), "script-done 3 ", 1, 20)) << Step("carousel screen opened");
  const Shot still = TakeAfter(500, "60-carousel");
  const Shot stillLater = TakeAfter(1000, "61-carousel-still");
  EXPECT_EQ(stillLater.AreaDifference(still, kRing.left, kRing.top, kRing.right, kRing.bottom), 0L)
      << "the ring rests while the pointer is beside it";

  ASSERT_TRUE(title_->MoveTo(kRingLeftEdge.x, kRingLeftEdge.y));
  const Shot turning = TakeAfter(800, "62-turning");
  const Shot turned = TakeAfter(800, "63-turned");
  EXPECT_GT(turning.AreaDifference(still, kRing.left, kRing.top, kRing.right, kRing.bottom), 100L * 50 * 20)
      << "the ring turns";
  EXPECT_GT(turned.AreaDifference(turning, kRing.left, kRing.top, kRing.right, kRing.bottom), 100L * 50 * 20)
      << "the ring keeps turning";

  // The salon (row 2, BU003): pointed at, then chosen; the ring brings it to
  // the front and the details open.
  const Point salon = PlaceRow(2);
  ASSERT_TRUE(title_->MoveTo(salon.x, salon.y));
  std::this_thread::sleep_for(std::chrono::milliseconds(500));
  ASSERT_TRUE(title_->Xdotool({"click", "1"}));
  const Shot details = TakeAfter(5000, "64-details");
  EXPECT_GT(details.AreaDifference(turned, 44, 164, 376, 345), 200L * 100 * 20) << "the details open";
  ASSERT_TRUE(title_->ClickAt(kCarouselGoButton.x, kCarouselGoButton.y));
  ASSERT_TRUE(title_->MoveTo(320, 240));
  ASSERT_TRUE(testsupport::WaitForText(title_->Log(), "bubble-entered BU003", 30)) << Step("into the salon");
  const Shot salonView = TakeAfter(3000, "65-salon");
  EXPECT_GT(salonView.AreaDifference(details, 0, 0, 640, 380), 640L * 380 * 20) << "the tour shows the salon";
  ASSERT_NO_FATAL_FAILURE(EndTitle());
}

}  // namespace
