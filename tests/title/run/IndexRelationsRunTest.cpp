// The index and relations screens on the sample disc, opened from the main
// panel's module selector and used as a person would: the house model of
// the index turned by dragging, a place chosen in the list playing its film
// in the model's area and its go-there button walking into the tour at the
// place; on the relations screen an item under the pointer turning the
// house to its place and marking the other items of that place, and a
// click on the item opening its text.
#include <gtest/gtest.h>

#include <string>

#include "title/run/TitleRun.h"

namespace {

using namespace titlerun;

// The index screen: the model's area (320 x 240 at 53, 71) and a point of
// its spin area (the grey around the house, at the area's top); the list of
// places at 425, 30 with rows 17 pixels high.
constexpr Area kIndexModel = {53, 71, 373, 311};
constexpr Point kIndexSpinFrom = {340, 80};
constexpr Point kIndexSpinTo = {70, 80};
constexpr int kIndexListX = 470;
constexpr int kIndexListTop = 30;
constexpr int kIndexRowHeight = 17;
// The gold bars that frame the model's area, each 3 pixels thick with a
// dark line along its bottom or right side; a gold row or column of each:
// the top bar at y 69 from the left edge to 376, the bottom one at y 312 to
// 381, the left one at x 50 down to 388, the right one at x 375 from 69 to
// 314.
constexpr Area kFrameBars[4] = {{0, 69, 376, 70}, {0, 312, 381, 313}, {50, 0, 51, 388}, {375, 69, 376, 314}};
// The salon, third place of the index, plays the film VI001 and is bubble 3.
constexpr int kSalonRow = 2;
// The study, fifth place, has nothing to play (its bubble names no item).
constexpr int kStudyRow = 4;
// The bar under the list's eight rows (at 30 + 8 x 17 + 6): the strip's
// play and pause buttons (24 x 18 at 28, 1 of the strip at the list's left)
// and the go-there button (56 x 18) at the rows' right end (625).
constexpr Point kPlayPause = {465, 182};
constexpr Point kGoThere = {597, 182};
// The relations screen: the house (178 x 134 at 127, 143), the first item's
// button (Hinrich Ostrevan at 22, 120; he belongs to the hall and the study)
// and the text panel's area (376 x 226 at 45, 35).
constexpr Area kRelationsHouse = {127, 143, 305, 277};
constexpr Point kFirstItem = {40, 140};
constexpr Area kRelationsText = {45, 35, 421, 261};
// The text panel's close button (at 353, 131 of the panel), its scroll bar
// (9 x 187 at 354, 150) with the down arrow at its foot, and the lines of
// its text (310 x 200 at 20, 140).
constexpr Point kTextClose = {406, 174};
constexpr Area kScrollBar = {399, 185, 408, 372};
constexpr Point kScrollDown = {403, 366};
constexpr Area kTextLines = {65, 175, 375, 375};
// The cloth trade's button (at 320, 200), the first row of the list (at
// 425, 30), Cornelius Ostrevan's button (at 320, 120; his text is long).
constexpr Area kClothTradeButton = {320, 200, 384, 248};
constexpr Area kFirstRow = {425, 30, 615, 47};
constexpr Point kCorneliusItem = {350, 140};
// The screen's hint line under the items (at 61, 367 on the panel, above the
// main interface's module selector at y 390); the screen's heading, in two
// lines left of the text panel's heading picture (228 x 28 at 173, 38); the
// text of the list's first row, left of the info button shown below it.
constexpr Area kHint = {61, 365, 300, 382};
constexpr Area kScreenHeading = {61, 76, 280, 100};
// The three pictures that fly out as the screen opens (70 x 54 each), where
// they stay while it is open: in front of the screen's panel and clear of
// the heading and the item buttons.
constexpr Area kFlyingPictures[3] = {{109, 19, 179, 73}, {235, 229, 305, 283}, {59, 239, 129, 293}};
constexpr Area kTextHeading = {173, 38, 401, 66};
constexpr Area kFirstRowText = {425, 30, 570, 45};

class IndexRelationsRunTest : public ScreenRunTest {
 protected:
  // The whole strip (space bar), then the module selector's region.
  void OpenModule(const Point& region, const std::string& name) {
    ASSERT_TRUE(title_->Key("space"));
    ASSERT_TRUE(WaitForCount(title_->Log(), "script-done 0 ", 1, 20)) << Step("space");
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    ASSERT_TRUE(title_->ClickAt(region.x, region.y));
    ASSERT_TRUE(WaitForCount(title_->Log(), "script-done 3 ", 1, 20)) << Step(name);
  }
  static long Differs(const Shot& a, const Shot& b, const Area& area) {
    return a.AreaDifference(b, area.left, area.top, area.right, area.bottom);
  }
  // The pixels of the frame bars' gold over an area.
  static long Gold(const Shot& shot, const Area& area) {
    long count = 0;
    for (int y = area.top; y < area.bottom; ++y) {
      for (int x = area.left; x < area.right; ++x) {
        const std::vector<int> p = shot.At(x, y);
        if (p[0] > 160 && p[1] > 120 && p[2] < 110 && p[0] > p[2] + 80) ++count;
      }
    }
    return count;
  }
  // The pixels of the house model's lawn (green) over an area: the garden
  // shows in every frame of the model, never on the area's grey ground.
  static long Lawn(const Shot& shot, const Area& area) {
    long count = 0;
    for (int y = area.top; y < area.bottom; ++y) {
      for (int x = area.left; x < area.right; ++x) {
        const std::vector<int> p = shot.At(x, y);
        if (p[1] > p[0] + 30 && p[1] > p[2] + 20) ++count;
      }
    }
    return count;
  }
  // The text panel's scroll-bar thumb (brass in the bar's middle column,
  // between the two 13-pixel arrows) shows whole inside the track: on each
  // of its rows its dark edges stand one pixel in from the track's edges,
  // inside the bar. False when no thumb shows.
  // The pixels of dark ink (the panel's brown lettering) over an area.
  static long Ink(const Shot& shot, const Area& area) {
    long count = 0;
    for (int y = area.top; y < area.bottom; ++y) {
      for (int x = area.left; x < area.right; ++x) {
        const std::vector<int> p = shot.At(x, y);
        if (p[0] < 170 && p[1] < 140 && p[2] < 110) ++count;
      }
    }
    return count;
  }
  // The share (0..1) of the pixels inside an area, less a 4-pixel rim, that
  // are the dark brown ground of a flying picture (neither the panel's
  // parchment, nor the model's blue-grey ground, nor the tour behind).
  static double DarkBrownShare(const Shot& shot, const Area& area) {
    long count = 0;
    long total = 0;
    for (int y = area.top + 4; y < area.bottom - 4; ++y) {
      for (int x = area.left + 4; x < area.right - 4; ++x) {
        const std::vector<int> p = shot.At(x, y);
        if (p[0] < 75 && p[0] >= p[1] && p[1] >= p[2] && p[0] - p[2] >= 12) ++count;
        ++total;
      }
    }
    return total > 0 ? static_cast<double>(count) / static_cast<double>(total) : 0.0;
  }
  static bool ThumbInsideTheTrack(const Shot& shot) {
    const auto brass = [](const std::vector<int>& p) { return p[0] > 170 && p[1] > 130 && p[1] < 190 && p[2] < 100; };
    const auto dark = [](const std::vector<int>& p) { return p[0] < 120 && p[1] < 90 && p[2] < 60; };
    const int middle = (kScrollBar.left + kScrollBar.right) / 2;
    int rows = 0;
    for (int y = kScrollBar.top + 13; y < kScrollBar.bottom - 14; ++y) {
      if (!brass(shot.At(middle, y))) continue;
      ++rows;
      if (!dark(shot.At(kScrollBar.left + 1, y)) || !dark(shot.At(kScrollBar.right - 2, y))) return false;
    }
    return rows >= 10;
  }
};

// The index screen: dragging in the spin area turns the model, which
// follows a slow held drag; the study's row, with nothing to play, leaves
// the model showing the study; the salon's row, chosen and confirmed with a
// click, plays its film in the model's area with the strip and the go-there
// button under the list; paused, the film keeps its picture and play goes
// on; the go-there button walks into the tour at the salon's bubble.
TEST_F(IndexRelationsRunTest, TheIndexTurnsItsModelPlaysAPlaceAndGoesThere) {
  ASSERT_NO_FATAL_FAILURE(StartInTheTour());
  ASSERT_NO_FATAL_FAILURE(OpenModule(kModuleRegions[3], "index screen"));
  ASSERT_TRUE(testsupport::WaitForText(title_->Log(), "screen-shown 3", 5)) << Step("index screen");
  const Shot opened = TakeAfter(1000, "50-index");
  for (const Area& bar : kFrameBars) {
    const long length = static_cast<long>(bar.right - bar.left) * (bar.bottom - bar.top);
    EXPECT_GT(Gold(opened, bar), length * 9 / 10)
        << "the bar at " << bar.left << ", " << bar.top << " shows in front of the backdrop";
  }

  ASSERT_TRUE(title_->MoveTo(kIndexSpinFrom.x, kIndexSpinFrom.y));
  std::this_thread::sleep_for(std::chrono::milliseconds(500));
  ASSERT_TRUE(title_->Xdotool({"mousedown", "1"}));
  // A slow drag, a few pixels at a time: the model follows the held
  // pointer (half the model's width turns it by half its frames).
  const auto slowDrag = [this](int from, int to) {
    for (int x = from; x >= to; x -= 4) {
      if (!title_->MoveTo(x, kIndexSpinFrom.y)) return false;
      std::this_thread::sleep_for(std::chrono::milliseconds(40));
    }
    return true;
  };
  ASSERT_TRUE(slowDrag(kIndexSpinFrom.x, kIndexSpinFrom.x - 160));
  const Shot held = TakeAfter(300, "51a-held");
  ASSERT_TRUE(slowDrag(kIndexSpinFrom.x - 160, kIndexSpinFrom.x - 320));
  const Shot heldFurther = TakeAfter(300, "51b-held-further");
  EXPECT_GT(Differs(heldFurther, held, kIndexModel), 320L * 240 * 40) << "the held model follows the pointer";
  for (int x = kIndexSpinFrom.x - 320; x <= kIndexSpinFrom.x; x += 20) {
    ASSERT_TRUE(title_->MoveTo(x, kIndexSpinFrom.y));
    std::this_thread::sleep_for(std::chrono::milliseconds(30));
  }
  for (int x = kIndexSpinFrom.x; x >= kIndexSpinTo.x; x -= 20) {
    ASSERT_TRUE(title_->MoveTo(x, kIndexSpinFrom.y));
    std::this_thread::sleep_for(std::chrono::milliseconds(30));
  }
  ASSERT_TRUE(title_->Xdotool({"mouseup", "1"}));
  const Shot turned = TakeAfter(3000, "51-turned");
  EXPECT_GT(Differs(turned, opened, kIndexModel), 320L * 240 * 5) << "the model turned";

  // The study, chosen and confirmed, leaves the model showing it (no empty
  // viewer over the model's area); a second click closes the place.
  const int studyY = kIndexListTop + kStudyRow * kIndexRowHeight + kIndexRowHeight / 2;
  ASSERT_TRUE(title_->MoveTo(kIndexListX, studyY));
  std::this_thread::sleep_for(std::chrono::milliseconds(2500));
  ASSERT_TRUE(title_->Xdotool({"click", "1"}));
  const Shot study = TakeAfter(1500, "51c-study");
  EXPECT_GT(Lawn(study, kIndexModel), 1000L) << "the model shows the study";
  ASSERT_TRUE(title_->Xdotool({"click", "1"}));
  std::this_thread::sleep_for(std::chrono::milliseconds(1500));

  const int salonY = kIndexListTop + kSalonRow * kIndexRowHeight + kIndexRowHeight / 2;
  ASSERT_TRUE(title_->MoveTo(kIndexListX, salonY));
  const Shot pointed = TakeAfter(3000, "52-salon-pointed");
  ASSERT_TRUE(title_->Xdotool({"click", "1"}));
  ASSERT_TRUE(testsupport::WaitForText(title_->Log(), "item-shown VI001", 20)) << Step("the salon's film");
  const Shot playing = TakeAfter(2000, "53-salon-playing");
  const Shot later = TakeAfter(1000, "54-salon-later");
  EXPECT_GT(Differs(later, playing, kIndexModel), 320L * 240 * 3) << "the film moves";
  // Paused, the film keeps its picture (it is not rewound to its black
  // start); play goes on from there.
  ASSERT_TRUE(title_->ClickAt(kPlayPause.x, kPlayPause.y));
  const Shot paused = TakeAfter(1000, "54a-salon-paused");
  const Shot stillPaused = TakeAfter(1000, "54b-salon-still-paused");
  EXPECT_GT(stillPaused.Brightness(kIndexModel.left, kIndexModel.top, kIndexModel.right, kIndexModel.bottom), 40.0)
      << "the paused film's picture shows";
  EXPECT_LT(Differs(stillPaused, paused, kIndexModel), 320L * 240 / 2) << "the film stands still";
  ASSERT_TRUE(title_->ClickAt(kPlayPause.x, kPlayPause.y));
  const Shot resumed = TakeAfter(1000, "54c-salon-resumed");
  EXPECT_GT(Differs(resumed, stillPaused, kIndexModel), 320L * 240 * 3) << "the film moves again";
  const int scripts = CountOf(title_->Log(), "script-done ");
  ASSERT_TRUE(title_->ClickAt(kGoThere.x, kGoThere.y));
  ASSERT_TRUE(testsupport::WaitForText(title_->Log(), "bubble-entered BU003", 30)) << Step("into the salon");
  // The main panel's hand-over into the tour ends with the salon on show.
  ASSERT_TRUE(WaitForCount(title_->Log(), "script-done ", scripts + 1, 30)) << Step("the tour");
  const Shot salon = TakeAfter(1000, "55-salon-tour");
  EXPECT_GT(Differs(salon, later, {0, 0, 640, 380}), 640L * 380 * 10) << "the tour covers the screen";
  ASSERT_NO_FATAL_FAILURE(EndTitle());
}

// The relations screen: its hint shows whole under the items, clear of the
// main interface; the three pictures that flew out as it opened show at
// their places, and the heading beside them. The pointer on an item's button (Hinrich Ostrevan)
// selects it, the house turns to his first place (the hall, lit) and the
// other item of the hall (the cloth trade) is marked; a click opens his
// text, which fits its panel, under a heading that leaves the screen's
// heading and the list's first row uncovered; the close button closes it. A longer text
// (Cornelius Ostrevan's) gets a scroll bar whose thumb stands on the bar
// and moves down it when the text scrolls; closing takes the bar away with
// the panel. The arrow button beside the room's name leads back to the tour.
TEST_F(IndexRelationsRunTest, TheRelationsTurnTheHouseToAnItemAndOpenItsTexts) {
  ASSERT_NO_FATAL_FAILURE(StartInTheTour());
  ASSERT_NO_FATAL_FAILURE(OpenModule(kModuleRegions[1], "relations screen"));
  ASSERT_TRUE(testsupport::WaitForText(title_->Log(), "screen-shown 1", 5)) << Step("relations screen");
  const Shot opened = TakeAfter(1000, "60-relations");
  EXPECT_GT(Ink(opened, kHint), 300L) << "the hint shows under the items";
  EXPECT_GT(Ink(opened, kScreenHeading), 300L) << "the heading shows";
  for (int i = 0; i < 3; ++i) {
    EXPECT_GT(DarkBrownShare(opened, kFlyingPictures[i]), 0.4) << "flying picture " << i + 1 << " shows at its place";
  }
  ASSERT_TRUE(title_->MoveTo(kFirstItem.x, kFirstItem.y));
  const Shot chosen = TakeAfter(3000, "61-item-chosen");
  EXPECT_GT(Differs(chosen, opened, kRelationsHouse), 178L * 134 * 5) << "the house turned";
  EXPECT_GT(DarkBrownShare(chosen, kFlyingPictures[1]), 0.4) << "the turned house leaves the picture over its corner";
  EXPECT_GT(Differs(chosen, opened, kClothTradeButton), 20L * 20 * 10) << "the cloth trade is marked";
  EXPECT_GT(Differs(chosen, opened, kFirstRow), 100L * 10 * 10) << "his row is chosen";
  ASSERT_TRUE(title_->Xdotool({"click", "1"}));
  const Shot text = TakeAfter(2000, "62-text");
  EXPECT_GT(Differs(text, chosen, kRelationsText), 376L * 226 * 10) << "the text shows";
  EXPECT_GT(Differs(text, chosen, kTextHeading), 228L * 28 * 30) << "the text's heading shows";
  EXPECT_LT(Differs(text, chosen, kScreenHeading), 107L * 45 * 3) << "the screen's heading stays uncovered";
  EXPECT_LT(Differs(text, chosen, kFirstRowText), 145L * 15 * 3 * 4) << "the list's first row stays uncovered";
  ASSERT_TRUE(title_->ClickAt(kTextClose.x, kTextClose.y));
  const Shot closed = TakeAfter(1500, "63-text-closed");
  EXPECT_LT(Differs(closed, chosen, kRelationsHouse), Differs(text, chosen, kRelationsHouse) / 4)
      << "the text closed";

  ASSERT_TRUE(title_->MoveTo(kCorneliusItem.x, kCorneliusItem.y));
  std::this_thread::sleep_for(std::chrono::milliseconds(2500));
  ASSERT_TRUE(title_->Xdotool({"click", "1"}));
  const Shot longText = TakeAfter(2000, "64-long-text");
  EXPECT_GT(Differs(longText, closed, kScrollBar), 9L * 187 * 20) << "the scroll bar shows";
  EXPECT_TRUE(ThumbInsideTheTrack(longText)) << "the thumb stands in the track";
  for (int i = 0; i < 12; ++i) ASSERT_TRUE(title_->ClickAt(kScrollDown.x, kScrollDown.y));
  const Shot scrolled = TakeAfter(1000, "65-scrolled");
  EXPECT_GT(Differs(scrolled, longText, kTextLines), 100L * 20 * 10) << "the text scrolled";
  EXPECT_GT(Differs(scrolled, longText, kScrollBar), 0L) << "the thumb moved";
  EXPECT_TRUE(ThumbInsideTheTrack(scrolled)) << "the thumb stands in the track";
  ASSERT_TRUE(title_->ClickAt(kTextClose.x, kTextClose.y));
  const Shot longClosed = TakeAfter(1500, "66-long-text-closed");
  EXPECT_LT(Differs(longClosed, closed, kScrollBar), 9L * 187 * 5) << "the scroll bar went with the panel";
  ASSERT_TRUE(title_->ClickAt(kTourButton.x, kTourButton.y));
  ASSERT_TRUE(WaitForCount(title_->Log(), "script-done 1 ", 2, 20)) << Step("back to the tour");
  ASSERT_NO_FATAL_FAILURE(EndTitle());
}

}  // namespace
