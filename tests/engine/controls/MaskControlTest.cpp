// Mask controls: regions under the pointer reported as 16 then 15, the flag
// tables that decide what is highlighted, points of the control outside the
// mask, and the highlighted region drawn over the picture.
#include <gtest/gtest.h>

#include "ControlTestSupport.h"
#include "engine/controls/DeferredDeletion.h"
#include "engine/controls/VMaskControl.h"
#include "engine/graphics/VMask.h"

namespace {

using controltest::Bench;
using controltest::Log;
using controltest::MakePicture;
using controltest::SolidPicture;

// A 20 x 10 plane: columns 0-9 hold value 3, columns 10-19 value 7.
VMask* TwoRegionMask(int32_t width = 20, int32_t height = 10) {
  auto* plane = new PixelMap(VRect(0, 0, width, height), 8, nullptr, nullptr, nullptr, PixelMap::kStorageMemory);
  {
    PixelMapLock lock(plane);
    for (int32_t y = 0; y < height; ++y) {
      for (int32_t x = 0; x < width; ++x) *plane->GetPixelAddress(VPoint(x, y)) = x < 10 ? 3 : 7;
    }
  }
  auto* mask = new VMask(plane);
  mask->ResetEnabledTables();  // as a loaded mask starts: nothing highlighted
  return mask;
}

// A mask control at (20, 20): a grey picture, a white mask picture, and the
// two-region mask; the control is `size` wide and 10 high.
struct MaskScene {
  explicit MaskScene(Bench& bench, int32_t size = 20, int32_t maskWidth = 20) {
    VPicture* picture = SolidPicture(size, 10, 0x808080);
    VPicture* maskPicture = SolidPicture(maskWidth, 10, 0xFFFFFF);
    VMask* mask = TwoRegionMask(maskWidth);
    control = new VMaskControl(50, picture, maskPicture, mask, 20, 20, 0, 0, 0, bench.recorder);
    picture->Release();
    maskPicture->Release();
    mask->Release();
  }
  VMaskControl* control;
};

TEST(MaskControl, RegionsUnderThePointer) {
  struct Case {
    const char* name;
    std::vector<std::pair<int32_t, int32_t>> moves;
    Log expected;
    int32_t region;
  };
  const Case cases[] = {
      {"enter region 3", {{5, 5}, {22, 25}}, {"15 50"}, 3},
      {"moving within one region sends nothing", {{22, 25}, {25, 26}, {28, 29}}, {"15 50"}, 3},
      {"from region 3 straight to region 7", {{22, 25}, {33, 25}}, {"15 50", "16 50", "15 50"}, 7},
      {"leaving the control", {{22, 25}, {100, 100}}, {"15 50", "16 50"}, -1},
      {"back and forth", {{22, 25}, {33, 25}, {22, 25}}, {"15 50", "16 50", "15 50", "16 50", "15 50"}, 3},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Bench bench;
    MaskScene scene(bench);
    for (auto [x, y] : c.moves) bench.Move(x, y);
    EXPECT_EQ(bench.log, c.expected);
    EXPECT_EQ(scene.control->GetCurrentRegion(), c.region);
  }
}

TEST(MaskControl, TakenLeaveEventHoldsOffTheNextRegion) {
  Bench bench;
  MaskScene scene(bench);
  bench.recorder->take = {16};
  bench.Move(22, 25);
  bench.Move(33, 25);
  EXPECT_EQ(bench.log, (Log{"15 50", "16 50"}));
  EXPECT_EQ(scene.control->GetCurrentRegion(), -1);
  bench.Move(34, 25);
  EXPECT_EQ(bench.log, (Log{"15 50", "16 50", "15 50"}));
  EXPECT_EQ(scene.control->GetCurrentRegion(), 7);
}

TEST(MaskControl, TakenLeaveEventStillTakesTheHighlightOff) {
  Bench bench;
  MaskScene scene(bench);
  bench.Redraw();
  const uint32_t grey = bench.PixelAt(22, 25);
  bench.Move(22, 25);
  ASSERT_EQ(bench.PixelAt(22, 25), 0xFFFFFFu);
  bench.recorder->take = {16};
  bench.Move(33, 25);
  EXPECT_EQ(bench.PixelAt(22, 25), grey) << "region 3 is no longer current";
  EXPECT_EQ(bench.PixelAt(33, 25), grey) << "region 7 is not entered yet";
}

TEST(MaskControl, HoverFlagDecidesTheFlagInEffect) {
  Bench bench;
  MaskScene scene(bench);
  VMask* mask = scene.control->GetMask();
  ASSERT_NE(mask, nullptr);
  mask->SetHoverFlag(7, 0);
  bench.Move(22, 25);
  EXPECT_EQ(mask->GetCurrentFlags()[3], 0);  // hover flag 1 gives 0
  bench.Move(33, 25);
  EXPECT_EQ(mask->GetCurrentFlags()[3], 1);  // back to the normal flag
  EXPECT_EQ(mask->GetCurrentFlags()[7], 1);  // hover flag 0 gives 1
  mask->Release();
}

TEST(MaskControl, HighlightedRegionIsDrawnOverThePicture) {
  Bench bench;
  MaskScene scene(bench);
  bench.Redraw();
  const uint32_t grey = bench.PixelAt(22, 25);
  EXPECT_NE(grey, 0xFFFFFFu);
  bench.Move(22, 25);
  EXPECT_EQ(bench.PixelAt(22, 25), 0xFFFFFFu);
  EXPECT_EQ(bench.PixelAt(33, 25), grey);
  bench.Move(33, 25);
  EXPECT_EQ(bench.PixelAt(22, 25), grey);
  EXPECT_EQ(bench.PixelAt(33, 25), 0xFFFFFFu);
}

TEST(MaskControl, ControlLargerThanItsMaskHasNoRegionOutsideIt) {
  Bench bench;
  MaskScene scene(bench, 40, 20);  // a 40-wide control over a 20-wide mask
  bench.Move(33, 25);
  bench.Move(50, 25);  // inside the control, beyond the mask
  bench.Move(55, 25);
  EXPECT_EQ(bench.log, (Log{"15 50", "16 50"}));
  EXPECT_EQ(scene.control->GetCurrentRegion(), -1);
}

TEST(MaskControl, MaskOfAnotherSizeIsNotAttached) {
  Bench bench;
  VPicture* picture = SolidPicture(20, 10, 0x808080);
  VPicture* maskPicture = SolidPicture(20, 10, 0xFFFFFF);
  VMask* mask = TwoRegionMask(30, 10);
  auto* control = new VMaskControl(51, picture, maskPicture, mask, 20, 20, 0, 0, 0, bench.recorder);
  picture->Release();
  maskPicture->Release();
  mask->Release();
  EXPECT_EQ(control->GetMask(), nullptr);
  bench.Move(22, 25);
  EXPECT_TRUE(bench.log.empty());
}

TEST(MaskControl, SelectValueAndDisabledTracking) {
  Bench bench;
  MaskScene scene(bench);
  EXPECT_EQ(scene.control->SelectValue(7), -1);
  EXPECT_EQ(scene.control->GetCurrentRegion(), 7);
  EXPECT_EQ(scene.control->SelectValue(-1), 7);
  EXPECT_TRUE(scene.control->SetMaskEnabled(false));
  bench.Move(22, 25);
  EXPECT_TRUE(bench.log.empty());
  EXPECT_FALSE(scene.control->SetMaskEnabled(true));
  bench.Move(23, 25);
  EXPECT_EQ(bench.log, (Log{"15 50"}));
}

TEST(MaskControl, DeletedFromInsideItsOwnEvent) {
  Bench bench;
  MaskScene scene(bench);
  bench.recorder->onEvent = [&](uint32_t code, uint32_t, uint32_t) {
    if (code == 16) DeleteControlLater(scene.control);
  };
  bench.Move(22, 25);
  bench.Move(33, 25);  // 16 deletes the control; no 15 follows from a control out of the tree
  EXPECT_EQ(DeferredDeletionCount(), 1);
  bench.Idle();
  EXPECT_EQ(DeferredDeletionCount(), 0);
  bench.Move(34, 25);
  EXPECT_EQ(bench.log.front(), "15 50");
}

}  // namespace
