// The spinning object on a fake clock: the frame it starts on, the slowing
// schedule of a turn to a frame and its arrival message, the object
// following a held drag, the fling's speed law,
// and clicks and hovers of item regions.
#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <string>
#include <vector>

#include "engine/controls/ControlTestSupport.h"
#include "engine/graphics/VMask.h"
#include "title/controls/AnimatedMaskControl.h"

namespace {

using controltest::Bench;
using controltest::Log;
using controltest::SolidPicture;

constexpr int32_t kW = 40, kH = 20;

// Frames of their own colours; every mask: the left half spins (254), the
// right half holds item 5 above item 9.
class TestMedia : public AnimatedMaskMedia {
 public:
  TestMedia() : AnimatedMaskMedia(0, 0, 0) {}
  VPicture* LoadFrame(int32_t frame) override { return SolidPicture(kW, kH, static_cast<uint32_t>(frame * 0x030201)); }
  VPicture* LoadMaskPicture(int32_t) override { return SolidPicture(kW, kH, 0xFFFFFF); }
  VMask* LoadRegionMask(int32_t) override {
    auto* plane = new PixelMap(VRect(0, 0, kW, kH), 8, nullptr, nullptr, nullptr, PixelMap::kStorageMemory);
    PixelMapLock lock(plane);
    for (int32_t y = 0; y < kH; ++y) {
      for (int32_t x = 0; x < kW; ++x) *plane->GetPixelAddress(VPoint(x, y)) = x < 20 ? 254 : (y < 10 ? 5 : 9);
    }
    return new VMask(plane);
  }
};

class AnimatedMaskTest : public ::testing::Test {
 protected:
  void SetUp() override {
    bench_.clock().SetStepPerRead(0);
    bench_.clock().SetTickCount(60000);
  }
  AnimatedMaskControl* Make(int32_t frames) {
    VPicture* shown = SolidPicture(kW, kH, 0);
    auto* c = new AnimatedMaskControl(77, shown, frames, std::make_unique<TestMedia>(), 10, 10, 0, kW, kH,
                                      bench_.recorder);
    shown->Release();
    return c;
  }
  void PassAt(uint32_t ms) {
    bench_.clock().SetTickCount(60000 + ms);
    bench_.Idle();
  }
  Log OwnerMessages() {
    Log out;
    for (const std::string& e : bench_.log) {
      // Owner messages only: no frame changes, region or press events.
      bool event = false;
      for (const char* code : {"126 ", "15 ", "16 ", "17 ", "18 "}) event = event || e.rfind(code, 0) == 0;
      if (!event) out.push_back(e);
    }
    return out;
  }
  Bench bench_;
};

TEST_F(AnimatedMaskTest, StartsOnTheMiddleFrame) {
  AnimatedMaskControl* c = Make(12);
  EXPECT_EQ(c->GetCurrentFrame(), 6);
  EXPECT_EQ(bench_.log, (Log{"126 77"}));
}

TEST_F(AnimatedMaskTest, TurnToAFrameSlowsDownOverTheLastFramesAndArrivesOnce) {
  AnimatedMaskControl* c = Make(24);
  ASSERT_EQ(c->GetCurrentFrame(), 12);
  c->AnimateTo(22, 5);
  EXPECT_TRUE(c->IsAnimating());
  std::vector<uint32_t> changes;
  int32_t frame = c->GetCurrentFrame();
  for (uint32_t ms = 0; ms <= 600; ++ms) {
    PassAt(ms);
    if (c->GetCurrentFrame() != frame) {
      frame = c->GetCurrentFrame();
      changes.push_back(ms);
    }
  }
  // The first change 20 ms after the first step, six 20 ms apart in all,
  // then 24, 28, 33 and 39 ms apart.
  EXPECT_EQ(changes, (std::vector<uint32_t>{20, 40, 60, 80, 100, 120, 144, 172, 205, 244}));
  EXPECT_EQ(OwnerMessages(), (Log{"156 22"}));
  EXPECT_FALSE(c->IsAnimating());
  EXPECT_EQ(c->GetCurrentRegion(), 5) << "the region is selected on arrival";
  // A target beyond the row turns to its last frame.
  bench_.log.clear();
  c->AnimateTo(900, -1);
  for (uint32_t ms = 1000; ms <= 1400; ++ms) PassAt(ms);
  EXPECT_EQ(c->GetCurrentFrame(), 23);
  EXPECT_EQ(OwnerMessages(), (Log{"156 23"}));
}

TEST_F(AnimatedMaskTest, DragSpeedIsLimitedHalvedOnReleaseThenSlowedByFriction) {
  AnimatedMaskControl* c = Make(40);
  PassAt(0);  // at rest: the frame is shown with its mask
  bench_.Move(20, 15);
  ASSERT_TRUE(c->IsOverSpinArea());
  bench_.Down(20, 15);
  EXPECT_TRUE(c->IsDragging());
  bench_.Move(10, 15);  // 10 pixels in under a millisecond
  EXPECT_DOUBLE_EQ(c->GetVelocity(), 0.1);
  bench_.Up(10, 15);
  EXPECT_FALSE(c->IsDragging());
  EXPECT_DOUBLE_EQ(c->GetVelocity(), 0.05);
  PassAt(1);   // notes the time
  PassAt(101);
  EXPECT_NEAR(c->GetVelocity(), 0.04, 1e-12);
  EXPECT_EQ(c->GetCurrentFrame(), 35) << "20 + 10 dragged + 100 ms x 0.05 frames";
  for (uint32_t ms = 111; ms <= 1000; ms += 10) PassAt(ms);
  EXPECT_EQ(c->GetVelocity(), 0);
  EXPECT_FALSE(c->IsActive());
}

// While the button is held the object follows the pointer, however slowly
// it moves: a drag across the control's width runs through the whole row
// (here 40 frames on 40 pixels), held at the row's ends. Let go after
// holding still, it stays where the hand left it.
TEST_F(AnimatedMaskTest, WhileTheButtonIsHeldTheObjectFollowsThePointer) {
  AnimatedMaskControl* c = Make(40);
  PassAt(0);
  bench_.Move(25, 15);
  ASSERT_TRUE(c->IsOverSpinArea());
  bench_.Down(25, 15);
  ASSERT_TRUE(c->IsDragging());
  struct Step {
    int32_t x;
    int32_t frame;
  };
  // One pixel and more at a time, 50 ms apart; outside the control the
  // drag goes on (the press captured the mouse).
  const Step steps[] = {{24, 21}, {23, 22}, {22, 23}, {15, 30}, {5, 39}, {0, 39}, {45, 0}, {35, 10}, {26, 19}};
  uint32_t ms = 0;
  for (const Step& step : steps) {
    ms += 50;
    PassAt(ms);
    bench_.Move(step.x, 15);
    PassAt(ms + 1);
    EXPECT_EQ(c->GetCurrentFrame(), step.frame) << "pointer at " << step.x;
  }
  // Held still for 300 ms, then let go: no spin.
  PassAt(ms + 300);
  bench_.Up(26, 15);
  EXPECT_FALSE(c->IsDragging());
  EXPECT_EQ(c->GetVelocity(), 0);
  for (uint32_t t = ms + 310; t <= ms + 1300; t += 10) PassAt(t);
  EXPECT_EQ(c->GetCurrentFrame(), 19);
  EXPECT_FALSE(c->IsActive());
}

TEST_F(AnimatedMaskTest, SpinThatRunsOffTheRowStopsWhereItIs) {
  // A fling of 0.05 frames per millisecond from frame 11 of 22: the drag of 9
  // pixels (of 40 for 22 frames) takes the object to 6.05 or 15.95, then
  // the spin, stepped every 110 ms, moves it 5.5 and 4.29 frames. The second
  // step would leave the row: the spin stops on the frame it has reached
  // and never moves on.
  struct Case {
    const char* name;
    int32_t releaseX;  // the fling goes from x 20 to here
    std::vector<int32_t> frames;
  };
  const Case cases[] = {{"toward the first frame", 29, {6, 0}}, {"toward the last frame", 11, {15, 21}}};
  uint32_t start = 0;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    AnimatedMaskControl* control = Make(22);
    PassAt(start);
    bench_.Move(20, 15);
    bench_.Down(20, 15);
    bench_.Move(c.releaseX, 15);
    bench_.Up(c.releaseX, 15);
    ASSERT_DOUBLE_EQ(std::abs(control->GetVelocity()), 0.05);
    std::vector<int32_t> frames{control->GetCurrentFrame()};
    PassAt(start + 1);  // notes the time
    for (uint32_t ms = start + 111; ms <= start + 1500; ms += 110) {
      PassAt(ms);
      if (control->GetCurrentFrame() != frames.back()) frames.push_back(control->GetCurrentFrame());
    }
    EXPECT_EQ(frames, c.frames);
    EXPECT_EQ(control->GetVelocity(), 0);
    EXPECT_FALSE(control->IsActive());
    delete control;
    start += 2000;
  }
}

TEST_F(AnimatedMaskTest, ClicksAndHoversOfItemRegions) {
  AnimatedMaskControl* c = Make(8);
  PassAt(0);
  c->SetSelectedMask(9);
  c->ShowCurrentFrame();
  bench_.log.clear();
  // The selected region: hovering it sends 127, clicking it sends no 122.
  bench_.Move(45, 25);
  bench_.Move(46, 26);
  bench_.Click(46, 26);
  EXPECT_EQ(OwnerMessages(), (Log{"127 9", "127 9"}));
  EXPECT_FALSE(c->IsInputLocked());
  // Another item: 122 with its value, and the input is locked.
  bench_.log.clear();
  bench_.Move(45, 12);
  bench_.Click(45, 12);
  EXPECT_EQ(OwnerMessages(), (Log{"122 5"}));
  EXPECT_TRUE(c->IsInputLocked());
  bench_.log.clear();
  bench_.Click(45, 12);
  EXPECT_TRUE(bench_.log.empty()) << "locked input does nothing";
}

}  // namespace
