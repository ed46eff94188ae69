// The historical photo screen: where the photograph goes for its width, the
// fade of the photograph and the decoration and the caption's slide with its
// overshoot against the clock, 94 at the end of the opening and 95 on the
// tick after the closing, the hotspot captions on the main screen's line,
// and items without media or with a mask of another size.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <string>
#include <vector>

#include "engine/controls/VPictureControl.h"
#include "engine/graphics/PixelMapAttributes.h"
#include "engine/graphics/VMask.h"
#include "title/controls/HotspotMaskControl.h"
#include "title/modules/photos/HistoricalPhotoControl.h"
#include "title/modules/photos/HistoricalPhotoItem.h"
#include "title/modules/photos/PhotoTestSupport.h"

namespace {

using phototest::Item;
using phototest::SolidBmp;
using phototest::StripeMask;

constexpr int32_t kScreenId = 14423;
const std::string kShown = "94 " + std::to_string(kScreenId);
const std::string kHidden = "95 " + std::to_string(kScreenId);

int32_t Level(VPictureControl* control) {
  PixelMapAttributes attributes;
  return control != nullptr && control->GetPixelAttributes(attributes) ? attributes.GetLevel() : -1;
}

class HistoricalPhotoControlTest : public phototest::PhotoFixture {
 protected:
  void SetUp() override {
    PhotoFixture::SetUp();
    if (HasFatalFailure()) return;
    const std::string hotspots =
        " HOTSPOTS { HOTSPOT { MASKINDEX 1 INFO BU003 } HOTSPOT { MASKINDEX 2 INFO PE001 } HOTSPOT { MASKINDEX 4 "
        "INFO VI001 } } }";
    std::vector<std::string> lines = {
        CopyLine(17000, SolidBmp(242, 419, 0x806040), "bmp"),
        TextLine(3000, "BUBBLE { ID BU003 }"),
        TextLine(3002, "Salon"),
        TextLine(12102, "1 0 5101 0 40 300 \"Gaertner\" 0\n"),
    };
    // HP001-HP003: photographs 300, 485 and 501 wide with six stripes of
    // regions (0 none, 1 to 5); HP004: a mask of another size than its
    // picture.
    const int32_t widths[] = {300, 485, 501, 300};
    for (int32_t n = 1; n <= 4; ++n) {
      const int32_t base = 20000 + 10 * (n - 1);
      const int32_t width = widths[n - 1];
      lines.push_back(TextLine(base, "HISTORICALPHOTO { ID HP00" + std::to_string(n) + hotspots));
      lines.push_back(CopyLine(base + 1, SolidBmp(width, 100, 0x204080), "bmp"));
      lines.push_back(CopyLine(base + 2, SolidBmp(width, 100, 0xF0F0F0), "bmp"));
      lines.push_back(CopyLine(base + 3, n == 4 ? StripeMask(120, 50, 6) : StripeMask(width, 100, 6), "bmp"));
      lines.push_back(TextLine(base + 4, "Der Garten um 1910"));
      lines.push_back(CopyLine(base + 5, SolidBmp(200, 30, 0xFFFFFF), "bmp"));
      SetEntry(HistoricalPhotoItem::kTable, n, base);
    }
    // HP007: the mask and its picture smaller than the photograph.
    lines.push_back(TextLine(20060, "HISTORICALPHOTO { ID HP007" + hotspots));
    lines.push_back(CopyLine(20061, SolidBmp(300, 100, 0x204080), "bmp"));
    lines.push_back(CopyLine(20062, SolidBmp(120, 50, 0xF0F0F0), "bmp"));
    lines.push_back(CopyLine(20063, StripeMask(120, 50, 6), "bmp"));
    lines.push_back(TextLine(20064, "Der Garten um 1910"));
    SetEntry(HistoricalPhotoItem::kTable, 7, 20060);
    // HP006: a record, but no photograph.
    lines.push_back(TextLine(20050, "HISTORICALPHOTO { ID HP006 }"));
    SetEntry(HistoricalPhotoItem::kTable, 6, 20050);
    // HP008: the table's "none" written as -1 (HP005 has no entry at all).
    SetEntry(HistoricalPhotoItem::kTable, 8, -1);
    SetEntry(1, 3, 3000);
    BuildArchives(lines);
  }

  HistoricalPhotoControl* Make(const char* item) {
    return new HistoricalPhotoControl(kScreenId, Item(item), 0, 0, 30, 640, 480, bench->recorder);
  }
  HotspotMaskControl* Photo(HistoricalPhotoControl* screen) {
    return dynamic_cast<HotspotMaskControl*>(screen->FindObject(HistoricalPhotoControl::kMaskControlId));
  }
};

TEST_F(HistoricalPhotoControlTest, ThePhotographIsCentredOnItsArea) {
  struct Case {
    const char* item;
    int32_t width;
    int32_t left;
  };
  const Case cases[] = {{"HP001", 300, 226}, {"HP002", 485, 134}, {"HP003", 501, 126}};
  for (const Case& c : cases) {
    HistoricalPhotoControl* screen = Make(c.item);
    EXPECT_EQ(screen->GetKind(), 12);
    EXPECT_FALSE(screen->IsShown());
    HotspotMaskControl* photo = Photo(screen);
    ASSERT_NE(photo, nullptr) << c.item;
    EXPECT_EQ(photo->GetBounds().left, c.left) << c.item;
    EXPECT_EQ(photo->GetBounds().top, 22) << c.item;
    EXPECT_EQ(photo->GetWidth(), c.width) << c.item;
    EXPECT_EQ(Level(photo), 0) << c.item;
    // The decoration, hidden, and the caption left of the screen.
    EXPECT_EQ(screen->GetDecoration()->GetBounds().left, 0);
    EXPECT_EQ(screen->GetDecoration()->GetBounds().top, 200);
    EXPECT_EQ(Level(screen->GetDecoration()), 0);
    EXPECT_EQ(screen->GetCaption()->GetBounds().left, -200);
    EXPECT_EQ(screen->GetCaption()->GetBounds().top, 20);
    EXPECT_TRUE(Item(c.item).IsItemVisited()) << c.item;
    delete screen;
  }
}

TEST_F(HistoricalPhotoControlTest, OpensAndClosesAgainstTheClock) {
  HistoricalPhotoControl* photoScreen = Make("HP001");
  VPictureControl* caption = photoScreen->GetCaption();
  VPictureControl* decoration = photoScreen->GetDecoration();
  HotspotMaskControl* photo = Photo(photoScreen);
  ASSERT_NE(photo, nullptr);
  photoScreen->Show();
  EXPECT_TRUE(photoScreen->IsShown());
  EXPECT_EQ(screen.captions, (std::vector<std::string>{"Der Garten um 1910"}));
  // Every 5 ms: the caption's left edge and the levels.
  std::map<int32_t, int32_t> left, level, photoLevel;
  int32_t shownAt = -1;
  for (int32_t t = 5; t <= 1200; t += 5) {
    Run(5);
    left[t] = caption->GetBounds().left;
    level[t] = Level(decoration);
    photoLevel[t] = Level(photo);
    if (shownAt < 0 && Count(kShown) > 0) shownAt = t;
  }
  // The fade: linear from 0 to 63 over the first 500 ms, the caption still out.
  EXPECT_EQ(level[250], 31);
  EXPECT_EQ(photoLevel[250], 31);
  EXPECT_EQ(level[500], 63);
  EXPECT_EQ(photoLevel[500], 63);
  EXPECT_EQ(left[500], -200);
  // The slide: from -200 past 15 + trunc(0.04 x 215) = 23 at 85 % of its
  // 500 ms, settling on 15; never further right than the overshoot.
  EXPECT_EQ(left[500 + 425], 23);
  int32_t rightmost = -1000;
  for (const auto& [t, x] : left) rightmost = std::max(rightmost, x);
  EXPECT_EQ(rightmost, 23);
  EXPECT_EQ(left[1000], 15);
  EXPECT_EQ(caption->GetBounds().top, 20);
  EXPECT_EQ(shownAt, 1000);
  EXPECT_EQ(Count(kShown), 1);

  // The hotspot under the pointer: its caption after the photo's text.
  const int32_t photoLeft = photo->GetBounds().left;
  bench->Move(photoLeft + 75, 60);   // region 1: the bubble
  bench->Move(photoLeft + 125, 60);  // region 2: the person
  bench->Move(photoLeft + 175, 60);  // region 3: no hotspot
  bench->Move(photoLeft + 225, 60);  // region 4: a video, no title
  EXPECT_EQ(screen.captions,
            (std::vector<std::string>{"Der Garten um 1910", "Der Garten um 1910 / Salon", "Der Garten um 1910",
                                      "Der Garten um 1910 / Gaertner", "Der Garten um 1910", "Der Garten um 1910",
                                      "Der Garten um 1910", "Der Garten um 1910 / ????"}));
  EXPECT_EQ(sounds, (std::vector<int32_t>{61, 61, 61}));

  // Closing: the caption slides out first, then the fade; hidden at the
  // end, and 95 with the tick.
  photoScreen->Hide();
  EXPECT_TRUE(photoScreen->IsLeaving());
  Run(500);
  EXPECT_EQ(caption->GetBounds().left, -200);
  EXPECT_EQ(Level(decoration), 63);
  Run(250);
  EXPECT_EQ(Level(decoration), 31);
  EXPECT_EQ(Count(kHidden), 0);
  // The screen hides at the fade's end and reports on the tick that follows.
  Run(250);
  EXPECT_EQ(Level(decoration), 0);
  EXPECT_EQ(Level(photo), 0);
  EXPECT_FALSE(photoScreen->IsShown());
  EXPECT_EQ(Count(kHidden), 1);
  Run(100);
  EXPECT_EQ(Count(kHidden), 1);
  EXPECT_EQ(Count(kShown), 1);
  delete photoScreen;
}

// The photo's caption goes with the photo: once it leaves (disabled first,
// as the main panel does), the caption line is empty, and the pointer that
// crosses the photograph on its way to the strip while it fades brings no
// caption back (nor the hotspot sound).
TEST_F(HistoricalPhotoControlTest, TheCaptionLeavesWithThePhoto) {
  HistoricalPhotoControl* photoScreen = Make("HP001");
  HotspotMaskControl* photo = Photo(photoScreen);
  ASSERT_NE(photo, nullptr);
  photoScreen->Show();
  ASSERT_GE(RunUntil(kShown), 0);
  const int32_t photoLeft = photo->GetBounds().left;
  bench->Move(photoLeft + 75, 60);  // region 1: the bubble
  ASSERT_EQ(screen.captions.back(), "Der Garten um 1910 / Salon");
  sounds.clear();
  photoScreen->SetEnabled(false);
  photoScreen->Hide();
  EXPECT_EQ(screen.captions.back(), "");
  // On its way out the pointer crosses the photograph's regions.
  bench->Move(photoLeft + 125, 60);
  Run(300);
  bench->Move(photoLeft + 75, 60);
  bench->Move(600, 470);
  ASSERT_GE(RunUntil(kHidden), 0);
  EXPECT_EQ(screen.captions.back(), "");
  EXPECT_TRUE(sounds.empty());
  delete photoScreen;
}

// Nothing to animate: no media (a table entry of 0 or -1), or a record
// without its photograph. The screen reports on the next tick, never from
// inside Show or Hide, and sets no caption.
TEST_F(HistoricalPhotoControlTest, WithoutAPhotographItReportsOnTheNextTick) {
  for (const char* item : {"HP005", "HP006", "HP008"}) {
    SCOPED_TRACE(item);
    bench->log.clear();
    screen.captions.clear();
    HistoricalPhotoControl* photoScreen = Make(item);
    EXPECT_EQ(Photo(photoScreen), nullptr);
    photoScreen->Show();
    EXPECT_EQ(Count(kShown), 0);
    Run(5);
    EXPECT_EQ(Count(kShown), 1);
    photoScreen->Hide();
    EXPECT_EQ(Count(kHidden), 0);
    Run(5);
    EXPECT_EQ(Count(kHidden), 1);
    EXPECT_FALSE(photoScreen->IsShown());
    Run(100);
    EXPECT_EQ(Count(kShown), 1);
    EXPECT_EQ(Count(kHidden), 1);
    EXPECT_TRUE(screen.captions.empty());
    delete photoScreen;
  }
}

// Masks of another size: a mask that does not fit its picture names no
// regions (the photograph shows without hotspots); a mask and picture
// smaller than the photograph name regions only over their own pixels.
TEST_F(HistoricalPhotoControlTest, MasksOfAnotherSizeOpenWithWhatIsValid) {
  struct Case {
    const char* item;
    int32_t regionAt30;  // the region at (30, 18) of the photograph
  };
  for (const Case& c : {Case{"HP004", -1}, Case{"HP007", 1}}) {
    SCOPED_TRACE(c.item);
    screen.captions.clear();
    HistoricalPhotoControl* photoScreen = Make(c.item);
    HotspotMaskControl* photo = Photo(photoScreen);
    ASSERT_NE(photo, nullptr);
    EXPECT_EQ(photo->GetWidth(), 300);
    photoScreen->Show();
    Run(1100);
    const int32_t left = photo->GetBounds().left;
    for (int32_t y = 25; y < 120; y += 10) {
      for (int32_t x = left; x < left + 300; x += 7) bench->Move(x, y);
    }
    bench->Move(left + 30, 40);
    EXPECT_EQ(photo->GetCurrentRegion(), c.regionAt30);
    EXPECT_EQ(screen.captions.back(), c.regionAt30 == 1 ? "Der Garten um 1910 / Salon" : "Der Garten um 1910");
    bench->Move(left + 200, 100);
    EXPECT_EQ(photo->GetCurrentRegion(), -1);
    delete photoScreen;
  }
}

}  // namespace
