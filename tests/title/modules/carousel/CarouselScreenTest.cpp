// The carousel screen: opening in steps to 94 and closing to 95, a place
// chosen in the title list (the ring turns to it, the details open with the
// place's visited hotspots, the go button sends 140 with its bubble number),
// scrolling the detail list on its buttons, and places or pictures missing.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "engine/controls/VPictureButton.h"
#include "engine/controls/VPictureFont.h"
#include "engine/controls/VTextControl.h"
#include "title/controls/AppTaskListControl.h"
#include "title/shell/PictureFontTable.h"

#include "title/modules/carousel/CarouselScreen.h"
#include "title/modules/carousel/CarouselSlotControl.h"
#include "title/shell/ScreenRegistry.h"
#include "title/modules/carousel/CarouselTestSupport.h"
#include "title/shell/IndexEntryList.h"
#include "title/modules/carousel/PictureCarousel.h"

namespace {

using carouseltest::CarouselFixture;

std::string TextOf(VTextControl* text) {
  const VString* s = text->GetText();
  return s != nullptr && s->GetChars() != nullptr ? s->GetChars() : "";
}

std::vector<std::string> Rows(const CarouselScreen& screen) {
  std::vector<std::string> out;
  for (const VString& row : screen.GetDetailRows()) out.emplace_back(row.GetChars() != nullptr ? row.GetChars() : "");
  return out;
}

class CarouselScreenTest : public CarouselFixture {
 protected:
  CarouselScreen* OpenScreen() {
    auto* screen = new CarouselScreen(CarouselScreen::kScreenId, 0, 0, 30, 640, 480, bench->recorder);
    bench->Move(630, 470);  // off the ring and the list
    screen->Show();
    EXPECT_TRUE(RunUntil([&] { return !Logged(94).empty(); }));
    return screen;
  }

  // Points at a row of the title list and clicks it.
  void ChooseRow(CarouselScreen& screen, int row) {
    const VRect& list = screen.GetTitleList()->GetBounds();
    const int x = list.left + 40;
    const int y = list.top + row * 17 + 8;
    bench->Move(x, y);
    RunFor(400);
    bench->Click(x, y);
  }

  void MarkVisited(const std::vector<std::string>& codes) {
    for (const std::string& code : codes) history.SetFlag(Item(code));
  }
};

TEST_F(CarouselScreenTest, OpensInStepsThenReportsShownAndClosesToHidden) {
  Open();
  auto* screen = new CarouselScreen(CarouselScreen::kScreenId, 0, 0, 30, 640, 480, bench->recorder);
  EXPECT_EQ(screen->GetKind(), 8);
  EXPECT_FALSE(screen->GetTitleList()->IsVisible());
  bench->Move(630, 470);
  screen->Show();
  EXPECT_EQ(screen->GetState(), 1);
  // The ring's places appear one after another in the second second.
  RunFor(1020);
  EXPECT_EQ(screen->GetState(), 2);
  RunFor(500);
  const int32_t halfway = screen->GetCarousel()->GetVisibleCount();
  EXPECT_GT(halfway, 5);
  EXPECT_LT(halfway, 15);
  // The title list slides in from the right edge past its place by 4 % of
  // the way (425 - 8) and settles at 425.
  ASSERT_TRUE(RunUntil([&] { return screen->GetState() == 3; }));
  EXPECT_EQ(screen->GetCarousel()->GetVisibleCount(), 20);
  int leftmost = 640;
  while (screen->GetState() == 3) {
    RunFor(20);
    leftmost = std::min<int>(leftmost, screen->GetTitleList()->GetBounds().left);
  }
  EXPECT_GE(leftmost, 417);
  EXPECT_LT(leftmost, 425);
  EXPECT_EQ(screen->GetTitleList()->GetBounds().left, 425);
  EXPECT_TRUE(Logged(94).empty());
  ASSERT_TRUE(RunUntil([&] { return !Logged(94).empty(); }));
  EXPECT_EQ(Logged(94), std::vector<std::string>{"94 14866"});
  EXPECT_EQ(screen->GetState(), 5);
  // The opening animation stays on its last frame's picture (grey 0x808080,
  // within what 16 bits hold).
  bench->Redraw();
  const uint32_t shown = bench->PixelAt(219, 232);
  for (int shift : {16, 8, 0}) EXPECT_NEAR(static_cast<int>((shown >> shift) & 0xFF), 0x80, 8) << std::hex << shown;

  screen->Hide();
  ASSERT_TRUE(RunUntil([&] { return !Logged(95).empty(); }));
  EXPECT_EQ(Logged(95), std::vector<std::string>{"95 14866"});
  EXPECT_EQ(screen->GetState(), 19);
  EXPECT_FALSE(screen->IsVisible());
  EXPECT_EQ(screen->GetTitleList()->GetBounds().left, 640);
  RunFor(200);
  EXPECT_EQ(Logged(95).size(), 1u);
  // Asking for the current state again does nothing.
  screen->SetState(19);
  RunFor(100);
  EXPECT_EQ(Logged(95).size(), 1u);
}

TEST_F(CarouselScreenTest, HiddenWhileOpeningClosesInOrder) {
  // Without animation frames the closing steps reach the title list's slide
  // at once, while the opening's fade still runs.
  animationFrames = 0;
  Open();
  auto* screen = new CarouselScreen(CarouselScreen::kScreenId, 0, 0, 30, 640, 480, bench->recorder);
  bench->Move(630, 470);
  screen->Show();
  RunFor(100);
  ASSERT_EQ(screen->GetState(), 1);
  screen->Hide();
  EXPECT_EQ(screen->GetState(), 16);
  std::vector<int> states;
  std::vector<uint32_t> since;
  ASSERT_TRUE(RunUntil([&] {
    if (states.empty() || states.back() != screen->GetState()) {
      states.push_back(screen->GetState());
      since.push_back(bench->Now());
    }
    return !Logged(95).empty();
  }, 10));
  ASSERT_EQ(states, (std::vector<int>{16, 17, 18, 19}));
  // Each step took its whole time: the slide out 500 ms, the places and the
  // fade a second each.
  EXPECT_GE(since[1] - since[0], 500u);
  EXPECT_GE(since[2] - since[1], 1000u);
  EXPECT_GE(since[3] - since[2], 1000u);
  EXPECT_TRUE(Logged(94).empty());
}

TEST_F(CarouselScreenTest, ChosenPlaceShowsItsVisitedHotspotsAndGoesToItsBubble) {
  Open();
  MarkVisited({"BU004", "SH001", "SH002", "VI002", "SH003", "VI003", "SH005", "SH004"});
  CarouselScreen* screen = OpenScreen();
  ChooseRow(*screen, 0);
  EXPECT_EQ(screen->GetCurrentItem(), 0);
  EXPECT_EQ(screen->GetKind(), 9);
  ASSERT_FALSE(caption.captions.empty());
  EXPECT_EQ(caption.captions.back(), "Diele [seen]");
  // The ring turns the place to the front, then the details open.
  ASSERT_TRUE(RunUntil([&] { return screen->GetState() == 9; }));
  EXPECT_EQ(screen->GetCarousel()->GetPlaceSlot(PictureCarousel::kFrontPlace), screen->GetCarousel()->GetSlot(0));
  EXPECT_EQ(screen->GetCarousel()->GetSelectedItem(), 0);
  EXPECT_TRUE(screen->GetCarousel()->IsFrozen());
  EXPECT_EQ(Rows(*screen), (std::vector<std::string>{"Diele 1", "Diele 3", "Diele 4", "Diele 5", "Diele 6", "Diele 7"}));
  EXPECT_EQ(TextOf(screen->GetEntryTitleText()), "Diele");
  EXPECT_EQ(TextOf(screen->GetVisitCountText()), "6 von 8 Blickpunkten besucht");
  EXPECT_TRUE(screen->GetVisitCountText()->IsShown());
  EXPECT_TRUE(screen->GetDetailList()->IsShown());
  EXPECT_EQ(screen->GetDetailList()->GetVisibleItems(), 4);
  EXPECT_EQ(screen->GetDetailList()->GetFirstItem(), 0);

  // Go button 2 for the first rows, level with the chosen row's highlight.
  VPictureButton* go = screen->GetGoButton(2);
  ASSERT_TRUE(go->IsShown());
  EXPECT_FALSE(screen->GetGoButton(1)->IsShown());
  VRect bar;
  screen->GetTitleList()->GetItemHighlightRect(0, bar);
  EXPECT_EQ(go->GetBounds().left, 425 + bar.left + 152);
  EXPECT_EQ(go->GetBounds().top, 30 + bar.top + (bar.GetHeight() - go->GetHeight()) / 2);
  bench->Move(go->GetBounds().left + 5, go->GetBounds().top + 5);
  RunFor(60);
  bench->Click(go->GetBounds().left + 5, go->GetBounds().top + 5);
  EXPECT_EQ(Logged(140), std::vector<std::string>{"140 4"});
}

// The go button of a chosen place stands at that place's row, beside its
// highlight bar, never beside a neighbouring row: for the first four rows
// (button 2) and for later ones (button 1). Its middle is the row's middle,
// and the rows above and below it lie outside its height; it leaves the end
// of a long title free while the screen has room (row 4).
TEST_F(CarouselScreenTest, TheGoButtonStandsAtTheChosenRow) {
  // Rows 3 to 5 are places of bubbles 3, 7 (a long title) and 4.
  bubbles[1].title = "Das lange Kontor am Hof";
  index += "4 3 40 15 VI000 \"Stube\"\n5 7 50 20 VI000 \"Kontor\"\n6 4 60 25 VI000 \"Boden\"\n";
  Open();
  CarouselScreen* screen = OpenScreen();
  for (const int row : {0, 2, 4, 5}) {
    SCOPED_TRACE(row);
    ChooseRow(*screen, row);
    ASSERT_TRUE(RunUntil([&] { return screen->GetState() == 9; }));
    VPictureButton* go = screen->GetGoButton(row <= 3 ? 2 : 1);
    ASSERT_TRUE(go->IsShown());
    EXPECT_FALSE(screen->GetGoButton(row <= 3 ? 1 : 2)->IsShown());
    const VRect& list = screen->GetTitleList()->GetBounds();
    const VRect& button = go->GetBounds();
    const int rowTop = list.top + row * 17;
    EXPECT_NEAR((button.top + button.bottom) / 2.0, rowTop + 8.5, 1.0) << "level with the chosen row";
    EXPECT_GT(button.top, rowTop - 17 + 8) << "not beside the row above";
    EXPECT_LT(button.bottom, rowTop + 17 + 9) << "not beside the row below";
    EXPECT_GT(button.left, list.left + 100) << "at the row's right end";
    VPictureFont* font = GetPictureFont(5);
    ASSERT_NE(font, nullptr);
    const std::string title = row == 4 ? bubbles[1].title : "";
    const int32_t width = font->GetTextWidth(title.c_str(), static_cast<int32_t>(title.size()));
    const int32_t titleRight = list.left + (list.GetWidth() - width) / 2 + width;
    EXPECT_TRUE(button.left >= titleRight || button.right == 640)
        << "the title's end stays free: " << button.left << " " << button.right << " " << titleRight;
    // The same row again closes the details and the button goes.
    ChooseRow(*screen, row);
    ASSERT_TRUE(RunUntil([&] { return screen->GetState() == 5; }));
    EXPECT_FALSE(go->IsShown());
  }
}

TEST_F(CarouselScreenTest, ScrollButtonsScrollAtOnceThenEvery400MsWithinTheRows) {
  Open();
  MarkVisited({"SH001", "SH002", "VI002", "SH003", "VI003", "SH005"});
  CarouselScreen* screen = OpenScreen();
  ChooseRow(*screen, 0);
  ASSERT_TRUE(RunUntil([&] { return screen->GetState() == 9; }));
  ASSERT_EQ(screen->GetDetailRows().size(), 6u);
  struct Step {
    int x, y;       // where the pointer goes
    uint32_t wait;  // then this long
    int first;      // first shown row after it
  };
  const std::vector<Step> steps = {
      {75, 315, 0, 1},    // onto the down button: one row at once
      {75, 315, 300, 1},  // not yet repeated
      {75, 315, 200, 2},  // about 400 ms later: again
      {75, 315, 800, 2},  // never beyond the last four rows
      {300, 20, 0, 2},    // off the button: no more repeats
      {300, 20, 800, 2},
      {75, 225, 0, 1},    // the up button
      {75, 225, 300, 1},
      {75, 225, 200, 0},
      {75, 225, 800, 0},  // never above row 0
  };
  int k = 0;
  for (const Step& s : steps) {
    SCOPED_TRACE("step " + std::to_string(k++));
    bench->Move(s.x, s.y);
    RunFor(s.wait);
    EXPECT_EQ(screen->GetFirstDetailRow(), s.first);
    EXPECT_EQ(screen->GetDetailList()->GetFirstItem(), s.first);
  }
  bench->Move(300, 20);
  RunFor(40);
  EXPECT_EQ(screen->GetState(), 9);
}

TEST_F(CarouselScreenTest, PlaceWithoutVisitedHotspotsHasAnEmptyList) {
  Open();
  CarouselScreen* screen = OpenScreen();
  ChooseRow(*screen, 2);
  ASSERT_TRUE(RunUntil([&] { return screen->GetState() == 9; }));
  EXPECT_TRUE(screen->GetDetailRows().empty());
  EXPECT_EQ(TextOf(screen->GetVisitCountText()), "0 von 1 Blickpunkten besucht");
  EXPECT_EQ(caption.captions.back(), "Salon");
  // Clicking the row again closes the details; the ring is free again.
  ChooseRow(*screen, 2);
  ASSERT_TRUE(RunUntil([&] { return screen->GetState() == 5; }));
  EXPECT_FALSE(screen->GetCarousel()->IsFrozen());
  EXPECT_FALSE(screen->GetVisitCountText()->IsShown());
  EXPECT_FALSE(screen->GetGoButton(1)->IsShown());
  EXPECT_FALSE(screen->GetGoButton(2)->IsShown());
}

TEST_F(CarouselScreenTest, RingPictureOfNoPlaceOpensNoBubble) {
  // Three places: the front picture of the ring (item 10) stands for none.
  Open();
  CarouselScreen* screen = OpenScreen();
  bench->Move(210, 70);
  RunFor(100);
  EXPECT_EQ(screen->GetCarousel()->GetSelectedItem(), 10);
  EXPECT_EQ(screen->GetCurrentItem(), 10);
  EXPECT_EQ(caption.captions.back(), "");
  const VRect front = screen->GetCarousel()->GetSlot(10)->GetBounds();
  bench->Click(front.left + 20, front.top + 20);
  EXPECT_TRUE(screen->GetCarousel()->IsFrozen());
  ASSERT_TRUE(RunUntil([&] { return screen->GetState() == 9; }));
  EXPECT_TRUE(screen->GetDetailRows().empty());
  for (int which : {1, 2}) {
    VPictureButton* go = screen->GetGoButton(which);
    if (!go->IsShown()) continue;
    bench->Click(go->GetBounds().left + 5, go->GetBounds().top + 5);
  }
  EXPECT_TRUE(Logged(140).empty());
}

// More places than the ring has pictures: the list holds them all; a place
// beyond the ring opens its details without the ring, even while the ring
// still turns to a place pointed at on the way down the list, and its go
// button names its own bubble.
TEST_F(CarouselScreenTest, PlacesBeyondTheRingOpenWithoutIt) {
  index.clear();
  for (int row = 0; row < 22; ++row) {
    const int bubble = row % 3 == 0 ? 4 : row % 3 == 1 ? 7 : 3;
    index += std::to_string(row + 1) + " " + std::to_string(bubble) + " " + std::to_string(10 * (row + 1)) +
             " 0 VI000 \"Ort " + std::to_string(row) + "\"\n";
  }
  Open();
  MarkVisited({"SH004"});
  CarouselScreen* screen = OpenScreen();
  ASSERT_EQ(screen->GetEntries().GetCount(), 22);
  ASSERT_EQ(screen->GetTitleList()->GetItemCount(), 22);
  // On the way down the list the pointer rests on row 19 (the ring starts
  // turning to it), then row 20 is chosen.
  const VRect& list = screen->GetTitleList()->GetBounds();
  bench->Move(list.left + 40, list.top + 19 * 17 + 8);
  RunFor(100);
  EXPECT_TRUE(screen->GetCarousel()->IsStoppingAtSlot());
  ChooseRow(*screen, 20);
  EXPECT_EQ(screen->GetCurrentItem(), 20);
  ASSERT_TRUE(RunUntil([&] { return screen->GetState() == 9; }, 20, 10000)) << "state " << screen->GetState();
  EXPECT_EQ(TextOf(screen->GetEntryTitleText()), "Salon");
  EXPECT_EQ(Rows(*screen), std::vector<std::string>{"Salon 1"});
  EXPECT_EQ(screen->GetCarousel()->GetSelectedItem(), -1) << "no picture of the ring stands for row 20";
  VPictureButton* go = screen->GetGoButton(1);
  ASSERT_TRUE(go->IsShown());
  bench->Move(go->GetBounds().left + 5, go->GetBounds().top + 5);
  RunFor(60);
  bench->Click(go->GetBounds().left + 5, go->GetBounds().top + 5);
  EXPECT_EQ(Logged(140), std::vector<std::string>{"140 3"});
  screen->Hide();
  ASSERT_TRUE(RunUntil([&] { return !Logged(95).empty(); }));
}

TEST_F(CarouselScreenTest, OpensAndClosesWithoutIndexOrPictures) {
  withInterfacePictures = false;
  index.clear();
  Open();
  CarouselScreen* screen = OpenScreen();
  EXPECT_EQ(screen->GetEntries().GetCount(), 0);
  EXPECT_EQ(screen->GetState(), 5);
  bench->Move(210, 70);
  RunFor(100);
  bench->Move(30, 60);
  RunFor(500);
  screen->Hide();
  ASSERT_TRUE(RunUntil([&] { return !Logged(95).empty(); }));
}

TEST_F(CarouselScreenTest, RegisteredAsTheMainPanelsScreenOfKind8) {
  Open();
  RegisterCarouselScreen();
  ScreenRequest request;
  request.kind = 8;
  request.id = CarouselScreen::kScreenId;
  request.width = 640;
  request.height = 480;
  request.layer = 30;
  request.owner = bench->recorder;
  PictureFrameControl* screen = ScreenRegistry::Make(request);
  ASSERT_NE(dynamic_cast<CarouselScreen*>(screen), nullptr);
  EXPECT_EQ(screen->GetKind(), 8);
  ScreenRegistry::Unregister(8);
}

}  // namespace
