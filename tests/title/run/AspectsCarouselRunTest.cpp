// The aspects module and the carousel on the sample disc, driven from outside
// as a person would use them: under Xvfb, with xdotool's pointer and clicks.
// The aspects module opens from the main panel's module selector; the tree
// is walked down two levels to a leaf, whose film plays in the item viewer.
// The carousel opens from the strip's button; the pointer resting at the
// ring's edge turns it; a place chosen in the list turns the ring to it and
// opens its details, whose go button takes the tour into the place.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <vector>

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

// Where the whole strip leaves the window to the screen above it: the band
// above the bar, left and right of the selector. (Below it, left of the bar,
// the tour's own strip lay in the shot of the tour.)
constexpr Area kBesideTheStrip[] = {{0, 400, 20, 427}, {92, 400, 640, 427}};

// The correlation of the brightness of two shots over some areas: near 1
// when one shows what the other does, however dimmed (the tour behind a
// module screen is dimmed), near 0 when they show unrelated pictures.
template <size_t N>
double Correlation(const Shot& a, const Shot& b, const Area (&areas)[N]) {
  double n = 0, sa = 0, sb = 0, saa = 0, sbb = 0, sab = 0;
  for (const Area& area : areas) {
    for (int y = area.top; y < area.bottom; ++y) {
      for (int x = area.left; x < area.right; ++x) {
        const std::vector<int> p = a.At(x, y), q = b.At(x, y);
        const double u = p[0] + p[1] + p[2], v = q[0] + q[1] + q[2];
        n += 1;
        sa += u;
        sb += v;
        saa += u * u;
        sbb += v * v;
        sab += u * v;
      }
    }
  }
  const double va = saa - sa * sa / n, vb = sbb - sb * sb / n;
  return va > 0 && vb > 0 ? (sab - sa * sb / n) / std::sqrt(va * vb) : 0.0;
}

// A word on a button has room: no dark pixel (ink, rivets) in the three
// columns inside either end of the button's face, over its rows below the
// top edge (4) and above the bottom edge (3).
int CrowdedPixels(const Shot& shot, const Area& button) {
  int crowded = 0;
  for (int y = button.top + 4; y < button.bottom - 3; ++y) {
    for (int x : {button.left + 2, button.left + 3, button.left + 4, button.right - 5, button.right - 4,
                  button.right - 3}) {
      const std::vector<int> c = shot.At(x, y);
      if (c[0] + c[1] + c[2] < 3 * 90) ++crowded;
    }
  }
  return crowded;
}

// The share of the 16 x 16 blocks of `area` that are plain: their
// brightness spans less than 24 steps (an empty stretch of paper).
double PlainShare(const Shot& shot, const Area& area) {
  int plain = 0, all = 0;
  for (int by = area.top; by + 16 <= area.bottom; by += 16) {
    for (int bx = area.left; bx + 16 <= area.right; bx += 16) {
      int low = 255, high = 0;
      for (int y = by; y < by + 16; ++y) {
        for (int x = bx; x < bx + 16; ++x) {
          const std::vector<int> c = shot.At(x, y);
          const int v = (c[0] + c[1] + c[2]) / 3;
          low = std::min(low, v);
          high = std::max(high, v);
        }
      }
      ++all;
      if (high - low < 24) ++plain;
    }
  }
  return all > 0 ? static_cast<double>(plain) / all : 1.0;
}

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
  // Nothing of the tour shows between the screen and the strip.
  EXPECT_LT(Correlation(top, tour, kBesideTheStrip), 0.5) << "the tour shows between the screen and the strip";

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
  // Its two buttons with words have room around them: "Zurück" at its top
  // (40 x 18 at 547, 115) and "Zum Ort" at its foot, under the oak panel
  // (50), "Ansehen" (26) and the place's card (30), 4 up into the card.
  EXPECT_EQ(CrowdedPixels(film, {547, 115, 587, 133}), 0) << "Zurück";
  EXPECT_EQ(CrowdedPixels(film, {539, 235, 595, 257}), 0) << "Zum Ort";

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
  // The salon's views are not visited yet: the list is empty, and the panel
  // still reads as filled in (within its frame).
  EXPECT_LT(PlainShare(details, {52, 172, 368, 337}), 0.4) << "the detail panel is mostly empty";
  ASSERT_TRUE(title_->ClickAt(kCarouselGoButton.x, kCarouselGoButton.y));
  ASSERT_TRUE(title_->MoveTo(320, 240));
  ASSERT_TRUE(testsupport::WaitForText(title_->Log(), "bubble-entered BU003", 30)) << Step("into the salon");
  const Shot salonView = TakeAfter(3000, "65-salon");
  EXPECT_GT(salonView.AreaDifference(details, 0, 0, 640, 380), 640L * 380 * 20) << "the tour shows the salon";
  ASSERT_NO_FATAL_FAILURE(EndTitle());
}

}  // namespace
