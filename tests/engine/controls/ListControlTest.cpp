// The list control under scripted mouse and keys: selection by press, double
// click, presses past the last item, the cursor keys, auto-scroll speeds
// while the button is held above the items, and lists whose items have no
// size.
#include <gtest/gtest.h>

#include "ControlTestSupport.h"
#include "engine/controls/VListControl.h"

namespace {

using controltest::Bench;
using controltest::Log;

class TestList : public VListControl2_0_11 {
 public:
  TestList(int32_t count, int32_t itemSize, VGraphicObject* parent, int32_t height = 100)
      : VListControl2_0_11(90, 20, 20, 0, 60, height, true, itemSize, 0, 0, 0, 0, parent), count(count) {}
  int32_t GetItemCount() override { return count; }
  void DrawItem(DrawPort*, int32_t index, const VRect&, bool selected) override {
    drawn.push_back(std::to_string(index) + (selected ? "*" : ""));
  }
  void SelectionChanged(int32_t start, int32_t end, uint16_t) override {
    changes.push_back(std::to_string(start) + ".." + std::to_string(end));
  }
  int32_t count;
  std::vector<std::string> drawn;
  std::vector<std::string> changes;
};

TEST(ListControl, PressSelectsAndReleaseReports) {
  Bench bench;
  auto* list = new TestList(20, 10, bench.recorder);
  bench.Click(30, 45);  // item 2
  EXPECT_EQ(list->GetSelectionStart(), 2);
  EXPECT_EQ(list->GetSelectionEnd(), 2);
  EXPECT_EQ(list->changes, (std::vector<std::string>{"2..2", "2..2"}));
  EXPECT_EQ(bench.log, (Log{"39 90"}));
  // Selected rows show the selection colour, the others the background.
  bench.Redraw();
  EXPECT_EQ(bench.PixelAt(30, 45), 0x000000u);
  EXPECT_EQ(bench.PixelAt(30, 35), 0xFFFFFFu);
}

TEST(ListControl, DoubleClickSends39Then40) {
  Bench bench;
  new TestList(20, 10, bench.recorder);
  bench.Click(30, 45);
  bench.Click(30, 45);
  EXPECT_EQ(bench.log, (Log{"39 90", "40 90"}));
}

TEST(ListControl, PressPastTheLastItemClearsTheSelection) {
  Bench bench;
  auto* list = new TestList(3, 10, bench.recorder);
  bench.Click(30, 25);
  bench.clock().AdvanceMilliseconds(2000);  // no double click
  bench.Click(30, 80);                      // below item 2
  EXPECT_EQ(list->GetSelectionStart(), -1);
  EXPECT_EQ(list->GetSelectionEnd(), -1);
  EXPECT_EQ(bench.log, (Log{"39 90", "39 90"}));
  // With no selection such a press is taken and changes nothing.
  bench.clock().AdvanceMilliseconds(2000);
  bench.Click(30, 80);
  EXPECT_EQ(bench.log.size(), 2u);
}

TEST(ListControl, EmptyListTakesNoPress) {
  Bench bench;
  new TestList(0, 10, bench.recorder);
  bench.Click(30, 25);
  EXPECT_TRUE(bench.log.empty());
  EXPECT_EQ(VGraphicObject::GetCapturedObject(), nullptr);
}

TEST(ListControl, Keys) {
  struct Case {
    const char* name;
    int32_t selected, top;
    uint32_t key;
    int32_t expectedSelected, expectedTop;
    bool event;
  };
  // 30 items of 10 pixels in a 100-pixel list: 10 visible, top at most 20.
  const Case cases[] = {
      {"down inside the page", 3, 0, kKeyDown, 4, 0, true},
      {"down off the page scrolls", 9, 0, kKeyDown, 10, 1, true},
      {"down on the last item", 29, 20, kKeyDown, 29, 20, false},
      {"up inside the page", 5, 0, kKeyUp, 4, 0, true},
      {"up above the top scrolls", 10, 10, kKeyUp, 9, 9, true},
      {"up on the first item", 0, 0, kKeyUp, 0, 0, false},
      {"page down", 3, 0, kKeyPageDown, 13, 10, true},
      {"page down near the end", 25, 20, kKeyPageDown, 29, 20, true},
      {"page up", 15, 10, kKeyPageUp, 5, 0, true},
      {"page up near the start", 4, 0, kKeyPageUp, 0, 0, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Bench bench;
    auto* list = new TestList(30, 10, bench.recorder);
    list->SetSelection(c.selected, c.selected);
    list->ScrollBy(c.top, 0);
    ASSERT_EQ(list->GetTopItem(), c.top);
    bench.Key(c.key);
    EXPECT_EQ(list->GetSelectionStart(), c.expectedSelected);
    EXPECT_EQ(list->GetSelectionEnd(), c.expectedSelected);
    EXPECT_EQ(list->GetTopItem(), c.expectedTop);
    EXPECT_EQ(bench.log, c.event ? Log{"39 90"} : Log{});
  }
  Bench bench;
  new TestList(30, 10, bench.recorder);
  bench.Key(0x41);  // another key is not the list's
  EXPECT_TRUE(bench.log.empty());
}

TEST(ListControl, AutoScrollSpeedWhileHeldAboveTheItems) {
  struct Case {
    int32_t above;
    int32_t perPass;
  };
  const Case cases[] = {{3, 1}, {10, 1}, {25, 2}, {45, 4}, {70, 5}, {200, 5}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.above);
    Bench bench(200, 400);
    auto* list = new TestList(100, 10, bench.recorder);
    list->ScrollBy(50, 0);
    bench.Down(30, 25);  // item 50
    bench.Move(30, 20 - c.above);
    bench.Idle();
    EXPECT_EQ(list->GetTopItem(), 50 - c.perPass);
    bench.Idle();
    EXPECT_EQ(list->GetTopItem(), 50 - 2 * c.perPass);
    // The item under the pointer (above the area: the top item) is selected.
    EXPECT_EQ(list->GetSelectionStart(), list->GetTopItem());
    bench.Up(30, 20 - c.above);
    EXPECT_TRUE(bench.log.empty());  // released outside the list
  }
}

TEST(ListControl, AutoScrollDownAndDragSelection) {
  Bench bench(200, 400);
  auto* list = new TestList(100, 10, bench.recorder);
  list->SetRangeSelection(true);
  bench.Down(30, 25);           // item 0
  bench.Move(30, 20 + 100 + 15);  // 15 below the area
  bench.Idle();
  EXPECT_EQ(list->GetTopItem(), 1);
  EXPECT_EQ(list->GetSelectionStart(), 0);
  EXPECT_EQ(list->GetSelectionEnd(), 12);  // counted on past the area: 11.5 items below its top
  bench.Move(30, 55);  // back inside: item 4 (top 1 + 3)
  bench.Idle();
  EXPECT_EQ(list->GetTopItem(), 1);
  EXPECT_EQ(list->GetSelectionEnd(), 4);
}

TEST(ListControl, ItemSizeZeroIsHarmless) {
  Bench bench;
  auto* list = new TestList(10, 0, bench.recorder);
  EXPECT_EQ(list->GetVisibleCount(), 0);
  EXPECT_EQ(list->GetMax(0), 10);
  bench.Redraw();
  bench.Click(30, 25);
  bench.Key(kKeyDown);
  bench.Key(kKeyPageDown);
  bench.Idle();
  EXPECT_TRUE(list->drawn.empty());
}

}  // namespace
