// The gliding list on a fake clock: when the highlight arrives (200 ms from
// no item, a jump between items, 200 ms out), the sounds it asks the sound
// manager for, the owner messages 120 and 155, the hover limits of a scrolled
// list, the dimmed look, and the companion list.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "engine/controls/ControlTestSupport.h"
#include "engine/sound/SoundManager.h"
#include "title/controls/AppListControl.h"
#include "title/controls/AppTaskListControl.h"
#include "title/controls/TitleSoundTable.h"

namespace {

using controltest::Bench;
using controltest::Log;

constexpr int32_t kLeft = 10, kTop = 10, kWidth = 100, kRow = 10;

class AppTaskListTest : public ::testing::Test {
 protected:
  void SetUp() override {
    bench_.clock().SetStepPerRead(0);
    bench_.clock().SetTickCount(60000);
    InstallTitleSoundTable().SetTriggerListener([this](int32_t index) { sounds_.push_back(index); });
    for (int i = 0; i < 10; ++i) items_.emplace_back(("item " + std::to_string(i)).c_str());
  }
  void TearDown() override { DestroySoundManager(); }

  AppTaskListControl* Make(int32_t count, int32_t height = 5 * kRow, double factor = 0.0) {
    return new AppTaskListControl(40, items_.data(), count, factor, kLeft, kTop, 0, kWidth, height, kRow,
                                  bench_.recorder);
  }
  void PassAt(uint32_t ms) {
    bench_.clock().SetTickCount(60000 + ms);
    bench_.Idle();
  }
  void MoveToRow(int32_t row, uint32_t ms) {
    bench_.clock().SetTickCount(60000 + ms);
    bench_.Move(kLeft + 20, kTop + row * kRow + 5);
  }
  // Owner messages of the list only.
  Log Messages() {
    Log out;
    for (const std::string& e : bench_.log) {
      if (e.rfind("120 ", 0) == 0 || e.rfind("155 ", 0) == 0) out.push_back(e);
    }
    bench_.log.clear();
    return out;
  }
  std::vector<int32_t> TakeSounds() {
    std::vector<int32_t> out;
    out.swap(sounds_);
    return out;
  }

  Bench bench_;
  std::vector<VString> items_;
  std::vector<int32_t> sounds_;
};

TEST_F(AppTaskListTest, FromNoItemTheHighlightAppearsOnTheRowAtTheNextTick) {
  AppTaskListControl* list = Make(5);
  MoveToRow(1, 0);
  EXPECT_EQ(list->GetHoveredItem(), 1);
  EXPECT_EQ(TakeSounds(), (std::vector<int32_t>{AppTaskListControl::kSoundHover}));
  PassAt(0);  // the same tick: no step yet
  EXPECT_EQ(Messages(), Log{});
  EXPECT_TRUE(list->IsSelectionAnimating());
  PassAt(16);
  EXPECT_EQ(Messages(), (Log{"120 1"}));
  EXPECT_EQ(TakeSounds(), std::vector<int32_t>{});  // no row passed
  EXPECT_TRUE(list->IsResting());
  VRect bar;
  list->GetHighlightRect(bar);
  EXPECT_EQ(bar, VRect(0, kRow, kWidth - 10, 2 * kRow));
  PassAt(400);
  EXPECT_EQ(Messages(), Log{});  // arrives once
}

TEST_F(AppTaskListTest, BetweenItemsTheHighlightJumpsAndTicksOnce) {
  AppTaskListControl* list = Make(5);
  MoveToRow(1, 0);
  PassAt(200);
  Messages();
  TakeSounds();
  MoveToRow(3, 300);
  EXPECT_EQ(TakeSounds(), std::vector<int32_t>{});  // the move itself is silent
  PassAt(301);
  EXPECT_EQ(Messages(), (Log{"120 3"}));
  EXPECT_EQ(TakeSounds(), (std::vector<int32_t>{AppTaskListControl::kSoundRowPassed}));
  VRect bar;
  list->GetHighlightRect(bar);
  EXPECT_EQ(bar.top, 3 * kRow);
}

TEST_F(AppTaskListTest, LeavingPlaysSound0OnceAndSends120TwiceAcrossTheGlideOut) {
  AppTaskListControl* list = Make(5);
  MoveToRow(2, 0);
  PassAt(200);
  Messages();
  TakeSounds();
  bench_.clock().SetTickCount(61000);
  bench_.Move(kLeft + kWidth + 40, kTop + 80);
  EXPECT_EQ(list->GetHoveredItem(), -1);
  EXPECT_EQ(Messages(), (Log{"120 -1"}));
  PassAt(1100);
  EXPECT_EQ(Messages(), Log{});
  EXPECT_TRUE(list->IsSelectionAnimating());
  PassAt(1200);
  EXPECT_EQ(Messages(), (Log{"120 -1"}));
  EXPECT_FALSE(list->IsSelectionAnimating());
  const std::vector<int32_t> sounds = TakeSounds();
  EXPECT_EQ(std::count(sounds.begin(), sounds.end(), AppTaskListControl::kSoundHover), 1);
  bench_.Move(kLeft + kWidth + 50, kTop + 90);  // still outside: nothing more
  EXPECT_EQ(Messages(), Log{});
}

TEST_F(AppTaskListTest, HoverLimits) {
  struct Case {
    const char* name;
    int32_t count, visible, first, row;
    int32_t hovered;
  };
  const Case cases[] = {
      {"first row", 5, 5, 0, 0, 0},
      {"below the last item", 3, 3, 0, 4, -1},
      {"scrolled list, first shown row", 10, 4, 3, 0, 3},
      {"scrolled list, last shown row", 10, 4, 3, 3, 6},
      {"scrolled list, past the shown rows", 10, 4, 3, 4, -1},
  };
  for (const Case& c : cases) {
    AppTaskListControl* list = Make(c.count);
    list->SetItems(items_.data(), c.count, c.visible, c.first);
    MoveToRow(c.row, 0);
    EXPECT_EQ(list->GetHoveredItem(), c.hovered) << c.name;
    delete list;
  }
}

TEST_F(AppTaskListTest, DisabledSelectionAndEmptyListsHoverNothing) {
  AppTaskListControl* list = Make(5);
  list->SetSelectionEnabled(false);
  MoveToRow(1, 0);
  EXPECT_EQ(list->GetHoveredItem(), -1);
  EXPECT_EQ(TakeSounds(), std::vector<int32_t>{});
  delete list;
  AppTaskListControl* empty = Make(0);
  empty->SetItems(nullptr, 7);  // no array: no items
  EXPECT_EQ(empty->GetItemCount(), 0);
  MoveToRow(1, 0);
  bench_.Click(kLeft + 20, kTop + 15);
  PassAt(300);
  EXPECT_EQ(empty->GetHoveredItem(), -1);
  EXPECT_EQ(Messages(), Log{});
  delete empty;
  // Rows of no height: nothing can be pointed at.
  auto* flat = new AppTaskListControl(42, items_.data(), 5, 1.0, kLeft, kTop, 0, kWidth, 50, 0, bench_.recorder);
  MoveToRow(1, 400);
  PassAt(500);
  EXPECT_EQ(flat->GetHoveredItem(), -1);
  flat->FitHeightToRows();
  EXPECT_EQ(flat->GetHeight(), 0);
}

TEST_F(AppTaskListTest, OptionClicksToggleTheDimmedLookAndBothSend155) {
  AppTaskListControl* list = Make(5);
  list->SetOption();
  MoveToRow(2, 0);
  PassAt(200);
  Messages();
  TakeSounds();
  bench_.Click(kLeft + 20, kTop + 25);
  EXPECT_EQ(Messages(), (Log{"155 2"}));
  EXPECT_TRUE(list->IsDimmingUnselected());
  EXPECT_EQ(TakeSounds(), (std::vector<int32_t>{AppTaskListControl::kSoundClick}));
  // The highlight stays frozen on the chosen item.
  MoveToRow(4, 300);
  PassAt(600);
  EXPECT_EQ(list->GetHoveredItem(), 2);
  bench_.clock().SetTickCount(65000);  // well apart: not a double click
  bench_.Click(kLeft + 20, kTop + 25);
  EXPECT_EQ(Messages(), (Log{"155 2"}));
  EXPECT_FALSE(list->IsDimmingUnselected());
  MoveToRow(4, 5100);
  PassAt(5101);
  EXPECT_EQ(list->GetHoveredItem(), 4);
}

TEST_F(AppTaskListTest, WithoutTheOptionAClickOnlyReports) {
  AppTaskListControl* list = Make(5);
  bench_.Click(kLeft + 20, kTop + 45);
  EXPECT_EQ(Messages(), (Log{"155 4"}));
  EXPECT_FALSE(list->IsDimmingUnselected());
}

TEST_F(AppTaskListTest, SoundsAreHeldWhileTheListExists) {
  AppTaskListControl* list = Make(5);
  AppTaskListControl* other = Make(5);
  for (int32_t s : {0, 1, 2}) EXPECT_EQ(GetSoundManager().GetUseCount(s), 2) << s;
  delete other;
  delete list;
  for (int32_t s : {0, 1, 2}) EXPECT_EQ(GetSoundManager().GetUseCount(s), 0) << s;
}

TEST_F(AppTaskListTest, FitHeightToRowsUsesTheVisibleRows) {
  AppTaskListControl* list = new AppTaskListControl(41, items_.data(), 9, 0.0, 0, 0, 0, 80, 40, 18, bench_.recorder);
  list->SetItems(items_.data(), 9, 7, 0);
  list->FitHeightToRows();
  EXPECT_EQ(list->GetHeight(), 126);
}

TEST_F(AppTaskListTest, TheBarIsDrawnInTheHighlightColourAndGoesWithTheGlide) {
  AppTaskListControl* list = Make(5);
  list->SetTransparent(false);  // nothing behind it in this window repaints
  list->SetHighlightColor(255, 0, 0);
  MoveToRow(1, 0);
  PassAt(200);
  bench_.Redraw();
  EXPECT_EQ(bench_.PixelAt(kLeft + 50, kTop + kRow + 5), 0xFF0000u);
  EXPECT_NE(bench_.PixelAt(kLeft + 50, kTop + 3 * kRow + 5), 0xFF0000u);
  EXPECT_NE(bench_.PixelAt(kLeft + kWidth - 5, kTop + kRow + 5), 0xFF0000u);  // rows are 10 px short
  bench_.Move(kLeft + kWidth + 40, kTop + 80);
  PassAt(400);
  bench_.Redraw();
  EXPECT_NE(bench_.PixelAt(kLeft + 50, kTop + kRow + 5), 0xFF0000u);
}

TEST_F(AppTaskListTest, CompanionListFollowsItemsColourAndOffset) {
  AppTaskListControl* list = Make(5, 5 * kRow, 0.5);
  AppListControl* companion = list->GetCompanion();
  ASSERT_NE(companion, nullptr);
  EXPECT_EQ(companion->GetItemCount(), 5);
  EXPECT_FALSE(companion->IsVisible());
  list->SetColor(VRGBColor(1, 2, 3));
  EXPECT_EQ(companion->GetColor(), VRGBColor(1, 2, 3));
  list->SetItems(items_.data(), 8, 4, 2);
  EXPECT_EQ(companion->GetItemCount(), 8);
  EXPECT_EQ(companion->GetFirst(), 2);
  list->HoverItem(4, false, true);  // row 2: centre 25 is the list's centre
  EXPECT_EQ(list->GetCompanionOffset(), 0);
  list->HoverItem(2, false, true);  // row 0: centre 5, 20 px above
  EXPECT_EQ(list->GetCompanionOffset(), 10);
}

TEST_F(AppTaskListTest, HeadingsAreClearedBySetItems) {
  AppTaskListControl* list = Make(5);
  list->SetHeading(1, true);
  list->SetHeading(99, true);  // outside: ignored
  EXPECT_TRUE(list->IsHeading(1));
  list->SetItems(items_.data(), 5);
  EXPECT_FALSE(list->IsHeading(1));
  list->SetHeading(2, true);
  list->ClearHeadings();
  EXPECT_FALSE(list->IsHeading(2));
}

TEST_F(AppTaskListTest, ImmediateHoverPlacesTheBarWithoutSound) {
  AppTaskListControl* list = Make(5);
  list->HoverItem(3, false, true);
  EXPECT_FALSE(list->IsSelectionAnimating());
  EXPECT_TRUE(list->IsResting());
  TakeSounds();
  list->HoverItem(-1, false, true);
  EXPECT_EQ(TakeSounds(), std::vector<int32_t>{});
  VRect bar;
  list->GetHighlightRect(bar);
  EXPECT_TRUE(bar.IsEmpty());
}

}  // namespace
