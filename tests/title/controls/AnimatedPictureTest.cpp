// The animators on a fake clock: path steps and frame steps of the animated
// picture with message 158, the frame turner's slowing schedule with 156,
// the straight-line mover with 157 (its owner deleting it meanwhile), and
// the placement records and their transitions.
#include <gtest/gtest.h>

#include <algorithm>

#include <functional>
#include <vector>

#include "engine/controls/ControlTestSupport.h"
#include "engine/controls/VHTMLTextControl.h"
#include "engine/controls/VMaskControl.h"
#include "engine/controls/VPictureControl.h"
#include "engine/graphics/PixelMapAttributes.h"
#include "engine/graphics/VMask.h"
#include "engine/graphics/VPicture.h"
#include "title/controls/AnimatedPicture.h"
#include "title/controls/AnimatedPictureControl.h"
#include "title/controls/MoveAnimator.h"
#include "title/controls/PlacementAnimation.h"
#include "title/controls/PlacementRecords.h"
#include "title/controls/SignalTimer.h"
#include "title/controls/TextColorHolder.h"

namespace {

using controltest::Bench;
using controltest::Log;
using controltest::SolidPicture;

class AnimatorTest : public ::testing::Test {
 protected:
  void SetUp() override {
    bench_.clock().SetStepPerRead(0);
    bench_.clock().SetTickCount(30000);
  }
  void PassAt(uint32_t ms) {
    bench_.clock().SetTickCount(30000 + ms);
    bench_.Idle();
  }
  AnimatedPicture* MakePicture(int32_t frames) {
    VPicture* picture = SolidPicture(8, 8 * frames, 0x445566);
    picture->SetFrameCount(frames);
    auto* a = new AnimatedPicture(33, picture, 0, 0, 0, 8, 8, bench_.recorder);
    picture->Release();
    return a;
  }
  static VPoint At(VGraphicObject* o) { return VPoint(o->GetBounds().left, o->GetBounds().top); }
  Bench bench_;
};

TEST_F(AnimatorTest, PathInStepsEndsOnTheEndPointWith158) {
  AnimatedPicture* a = MakePicture(1);
  a->SetFrameStepping(false);
  a->SetPath(0, 0, 100, 50);
  a->SetStepCount(10);
  a->SetStepInterval(50);
  a->Start();
  for (uint32_t i = 1; i <= 9; ++i) PassAt(i * 50);
  EXPECT_EQ(At(a), VPoint(90, 45));
  EXPECT_TRUE(bench_.log.empty());
  PassAt(500);
  EXPECT_EQ(At(a), VPoint(100, 50));
  EXPECT_FALSE(a->IsRunning());
  EXPECT_EQ(bench_.log, (Log{"158 33"}));
  PassAt(600);
  EXPECT_EQ(bench_.log.size(), 1u);
}

TEST_F(AnimatorTest, StepsTooFewToDivideStillEndOnTheEndPoint) {
  struct Case {
    bool frameStepping;
    int32_t frames;
    int32_t steps;
  };
  for (const Case c : {Case{false, 1, 0}, Case{false, 1, -4}, Case{true, 1, 10}}) {
    bench_.log.clear();
    AnimatedPicture* a = MakePicture(c.frames);
    a->SetFrameStepping(c.frameStepping);
    a->SetPath(10, 10, 70, 30);
    a->SetStepCount(c.steps);
    bench_.clock().SetTickCount(30000);
    a->Start();
    PassAt(1000);
    EXPECT_EQ(At(a), VPoint(70, 30)) << c.frameStepping << " " << c.steps;
    EXPECT_EQ(bench_.log, (Log{"158 33"}));
    delete a;
  }
}

TEST_F(AnimatorTest, FrameSteppingSpreadsThePathOverTheFrames) {
  AnimatedPicture* a = MakePicture(75);
  a->SetPath(0, 0, 740, 0);
  a->SetStepInterval(10);
  a->Start();
  std::vector<int32_t> xs;
  for (uint32_t i = 1; i <= 74; ++i) {
    PassAt(i * 10);
    xs.push_back(At(a).x);
    EXPECT_EQ(a->GetFrame(), static_cast<int32_t>(i));
  }
  EXPECT_EQ(xs[0], 10);
  EXPECT_EQ(xs[36], 370);
  EXPECT_EQ(xs.back(), 740) << "74 steps for 75 frames";
  EXPECT_TRUE(bench_.log.empty());
  PassAt(750);
  EXPECT_EQ(bench_.log, (Log{"158 33"}));
  EXPECT_FALSE(a->IsRunning());
}

TEST_F(AnimatorTest, LoopingFrameSteppingReportsEachRound) {
  AnimatedPicture* a = MakePicture(3);
  a->SetPath(0, 0, 0, 0);
  a->SetLoop(true);
  a->SetStepInterval(10);
  a->Start();
  for (uint32_t i = 1; i <= 9; ++i) PassAt(i * 10);
  EXPECT_EQ(bench_.log, (Log{"158 33", "158 33", "158 33"}));
  EXPECT_TRUE(a->IsRunning());
}

// Without a path of its own the picture animates where it was placed: start
// and end point are its position at construction.
TEST_F(AnimatorTest, WithoutAPathThePictureStaysWhereItWasPlaced) {
  VPicture* picture = SolidPicture(8, 24, 0x445566);
  picture->SetFrameCount(3);
  auto* a = new AnimatedPicture(34, picture, 40, 30, 0, 8, 8, bench_.recorder);
  picture->Release();
  a->SetStepInterval(10);
  a->Start();
  EXPECT_EQ(At(a), VPoint(40, 30));
  for (uint32_t i = 1; i <= 3; ++i) PassAt(i * 10);
  EXPECT_EQ(At(a), VPoint(40, 30));
  EXPECT_EQ(bench_.log, (Log{"158 34"}));
}

// The moments (after the first step at 0) at which the frame changes.
std::vector<uint32_t> TurnSchedule(Bench& bench, AnimatedPictureControl* c, uint32_t base, int32_t& lastFrame) {
  std::vector<uint32_t> changes;
  int32_t frame = c->GetCurrentFrame();
  for (uint32_t ms = 0; ms <= 1500; ++ms) {
    bench.clock().SetTickCount(base + ms);
    bench.Idle();
    if (c->GetCurrentFrame() != frame) {
      frame = c->GetCurrentFrame();
      changes.push_back(ms);
    }
  }
  lastFrame = frame;
  return changes;
}

TEST_F(AnimatorTest, FrameTurnerSlowsDownOverTheLastFramesAndSends156Once) {
  std::vector<VPicture*> frames;
  for (int32_t i = 0; i < 20; ++i) frames.push_back(SolidPicture(8, 8, static_cast<uint32_t>(i * 0x0A0A0A)));
  auto* c = new AnimatedPictureControl(34, frames, 0, 0, 0, 8, 8, bench_.recorder);
  for (VPicture* p : frames) p->Release();
  EXPECT_EQ(bench_.PixelAt(2, 2), 0x000000u);
  c->PlayForward();
  int32_t last = 0;
  const std::vector<uint32_t> changes = TurnSchedule(bench_, c, 30000, last);
  ASSERT_EQ(changes.size(), 19u);
  std::vector<uint32_t> gaps;
  for (size_t i = 1; i < changes.size(); ++i) gaps.push_back(changes[i] - changes[i - 1]);
  EXPECT_EQ(changes[0], 30u);
  // 30 ms apart until fewer than five frames remain, then x 1.2 each frame.
  EXPECT_EQ(std::vector<uint32_t>(gaps.end() - 5, gaps.end()), (std::vector<uint32_t>{30, 36, 43, 51, 61}));
  EXPECT_EQ(last, 19);
  EXPECT_EQ(bench_.log, (Log{"156 19"}));
  // The last frame's grey 0xBE, through 5-6-5 and widened again.
  EXPECT_EQ(bench_.PixelAt(2, 2), 0xBDBEBDu) << "the last frame is shown";
  // Out-of-range targets are held to the row.
  bench_.log.clear();
  c->AnimateToFrame(400);
  EXPECT_FALSE(c->IsTurning()) << "already at the last frame";
  c->AnimateToFrame(-3);
  TurnSchedule(bench_, c, 40000, last);
  EXPECT_EQ(last, 0);
  EXPECT_EQ(bench_.log, (Log{"156 0"}));
}

class TextTarget : public VControl, public TextColorTarget {
 public:
  explicit TextTarget(VGraphicObject* parent) : VControl(0, 80, 0, 0, 0, 20, 10, parent) {}
  void SetTextColor(const VRGBColor& color) override { greys.push_back(color.red); }
  std::vector<int32_t> greys;
};

TEST_F(AnimatorTest, MoverTravelsAtItsSpeedAndTellsItsOwner) {
  auto* target = new TextTarget(bench_.recorder);
  auto* mover = new MoveAnimator(0, bench_.recorder);
  mover->Start(target, VPoint(0, 388), VPoint(0, 288), 0, 100.0, false, true);
  EXPECT_EQ(At(target), VPoint(0, 388));
  PassAt(500);
  EXPECT_EQ(At(target), VPoint(0, 388 - 49));  // 50 of 100.5 pixels
  EXPECT_TRUE(bench_.log.empty());
  PassAt(1010);
  EXPECT_EQ(At(target), VPoint(0, 288));
  EXPECT_EQ(bench_.log, (Log{"157 " + bench_.log.front().substr(4)}));
  ASSERT_EQ(target->greys.size(), 2u);
  EXPECT_EQ(target->greys[0], 126);  // 255 x 50 / 100.5, moving up
  EXPECT_EQ(target->greys[1], 255);
  delete mover;
}

TEST_F(AnimatorTest, MoverFadesTheTextOfRealTextControls) {
  // The aspect screen's link text is an HTML text control; plain text
  // controls take the colour the same way.
  struct Case {
    const char* name;
    std::function<VTextControl*(VGraphicObject*)> make;
  };
  const Case cases[] = {
      {"text control",
       [](VGraphicObject* parent) {
         return new VTextControl(VControl::kAllocateId, 0, 0, 0, 100, 20, new VString("title"), nullptr,
                                 kAlignLeft, false, 0, parent);
       }},
      {"HTML text control",
       [](VGraphicObject* parent) {
         return new VHTMLTextControl(VControl::kAllocateId, 0, 0, 0, 100, 20, new VString("<b>link</b>"), nullptr,
                                     nullptr, kAlignLeft, false, 0, parent);
       }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    VTextControl* text = c.make(bench_.recorder);
    MoveAnimator mover(0, nullptr);
    // Down the screen to the bottom row: the text fades out.
    mover.Start(text, VPoint(0, 288), VPoint(0, 388), 0, 100.0, false, true);
    PassAt(500);
    EXPECT_EQ(text->GetTextColor(), VRGBColor(128, 128, 128));  // 255 x 50.5 / 100.5
    PassAt(1010);
    EXPECT_EQ(text->GetTextColor(), VRGBColor(0, 0, 0));
    delete text;
    bench_.clock().SetTickCount(30000);
  }
}

TEST_F(AnimatorTest, MovingTheCapturedObjectFromUnderThePointerLetsItGo) {
  // A mask control, all one region, that the pointer has entered: it holds
  // the capture to see the pointer leave.
  auto* plane = new PixelMap(VRect(0, 0, 20, 10), 8, nullptr, nullptr, nullptr, PixelMap::kStorageMemory);
  {
    PixelMapLock lock(plane);
    for (int32_t y = 0; y < 10; ++y) {
      for (int32_t x = 0; x < 20; ++x) *plane->GetPixelAddress(VPoint(x, y)) = 3;
    }
  }
  auto* mask = new VMask(plane);
  VPicture* picture = SolidPicture(20, 10, 0x808080);
  VPicture* maskPicture = SolidPicture(20, 10, 0xFFFFFF);
  auto* control = new VMaskControl(60, picture, maskPicture, mask, 20, 20, 0, 0, 0, bench_.recorder);
  picture->Release();
  maskPicture->Release();
  mask->Release();
  bench_.Move(22, 25);
  ASSERT_EQ(VGraphicObject::GetCapturedObject(), control);
  MoveAnimator mover(0, nullptr);
  mover.Start(control, VPoint(20, 20), VPoint(120, 20), 0, 100.0, false, false);
  PassAt(10);  // one pixel on: still under the pointer
  EXPECT_EQ(bench_.log, (Log{"15 60"}));
  PassAt(500);
  EXPECT_EQ(At(control), VPoint(69, 20));
  EXPECT_EQ(bench_.log, (Log{"15 60", "16 60"}));
  EXPECT_EQ(VGraphicObject::GetCapturedObject(), nullptr);
  EXPECT_EQ(control->GetCurrentRegion(), -1);
}

TEST_F(AnimatorTest, OwnerMayDeleteTheMoverWhileAnswering157) {
  auto* target = new VControl(0, 81, 0, 0, 0, 5, 5, bench_.recorder);
  MoveAnimator* mover = new MoveAnimator(0, bench_.recorder);
  bench_.recorder->onEvent = [&](uint32_t code, uint32_t, uint32_t) {
    if (code == MoveAnimator::kMessageMoved) {
      delete mover;
      mover = nullptr;
    }
  };
  mover->Start(target, VPoint(0, 0), VPoint(30, 40), 0, 1000.0, false, false);
  PassAt(10);
  PassAt(100);
  EXPECT_EQ(mover, nullptr);
  EXPECT_EQ(At(target), VPoint(30, 40));
  PassAt(200);
}

TEST_F(AnimatorTest, MoverWithoutUsableSpeedArrivesAtOnce) {
  for (double speed : {0.0, -5.0, std::nan("")}) {
    bench_.log.clear();
    auto* target = new VControl(0, 82, 0, 0, 0, 5, 5, bench_.recorder);
    MoveAnimator mover(0, bench_.recorder);
    mover.Start(target, VPoint(1, 2), VPoint(31, 42), 0, speed, false, false);
    PassAt(0);
    EXPECT_EQ(At(target), VPoint(31, 42)) << speed;
    EXPECT_EQ(bench_.log.size(), 1u);
    delete target;
  }
}

TEST_F(AnimatorTest, OwnerMayDeleteTheAnimatorsWhileAnsweringTheirEnd) {
  // The animated picture on 158, the frame turner on 156.
  AnimatedPicture* a = MakePicture(1);
  a->SetFrameStepping(false);
  a->SetPath(0, 0, 10, 10);
  a->SetStepCount(2);
  a->SetStepInterval(10);
  std::vector<VPicture*> frames;
  for (int32_t i = 0; i < 3; ++i) frames.push_back(SolidPicture(8, 8, 0x101010u * static_cast<uint32_t>(i)));
  auto* turner = new AnimatedPictureControl(35, frames, 0, 0, 0, 8, 8, bench_.recorder);
  for (VPicture* p : frames) p->Release();
  bench_.recorder->onEvent = [&](uint32_t code, uint32_t, uint32_t) {
    if (code == AnimatedPicture::kMessageFinished) {
      delete a;
      a = nullptr;
    }
    if (code == AnimatedPictureControl::kMessageArrived) {
      delete turner;
      turner = nullptr;
    }
  };
  a->Start();
  turner->PlayForward();
  for (uint32_t ms = 0; ms <= 400; ms += 5) PassAt(ms);
  EXPECT_EQ(a, nullptr);
  EXPECT_EQ(turner, nullptr);
  EXPECT_EQ(bench_.log, (Log{"158 33", "156 2"}));
}

// ---- Placement records ----------------------------------------------------

TEST(PlacementRecords, BuildAndMerge) {
  Bench bench;
  auto* control = new VControl(0, 91, 0, 0, 0, 5, 5, bench.recorder);
  PlacementRecord both(control, 3, 12.7, -4.2, -1.0, -1.0);
  EXPECT_EQ(both.controlId, 91);
  EXPECT_EQ(both.secondWhole, 12);
  EXPECT_EQ(both.secondValue, -4);
  EXPECT_TRUE(both.shown);
  PlacementRecord five(control, 5, 8, 9, 0, 0);
  EXPECT_EQ(five.single, 0) << "the single value only with flags exactly 4";
  PlacementRecord four(control, 4, 8, 9, 0, 0);
  EXPECT_EQ(four.single, 8);

  PlacementList list;
  list.AddOrMerge(new PlacementRecord(control, 2, 0, 0, 30, 0.5));
  list.AddOrMerge(new PlacementRecord(control, 1, 100, 200, 0, 0));
  ASSERT_EQ(list.GetCount(), 1);
  const PlacementRecord* r = list.GetFirstRecord();
  EXPECT_EQ(r->flags, 3);
  EXPECT_EQ(r->first[0], 100);
  EXPECT_EQ(r->first[1], 200);
  EXPECT_EQ(r->secondWhole, 30);
  EXPECT_EQ(r->secondValue, 0.5);

  PlacementList other;
  PlacementTransitionList transitions(17);
  transitions.Add(new PlacementTransition(&list, &other, 500));
  EXPECT_EQ(transitions.GetCount(), 1);
  EXPECT_EQ(transitions.GetId(), 17);
}

// A transition moves a control from the from-list's place to the to-list's,
// overshooting by 4 % of the way until 85 % of the time and settling at the
// end; levels and frames ramp linearly; a coordinate that does not change
// stays where the control stands; the timer reports 103 at the end.
TEST_F(AnimatorTest, PlacementTransitionMovesFadesAndTurnsTheListedControls) {
  VPicture* frames = SolidPicture(8, 8 * 5, 0x445566);
  frames->SetFrameCount(5);
  auto* mover = new VPictureControl(41, frames, 640, 37, 0, 8, 8, bench_.recorder);
  auto* fader = new VPictureControl(42, frames, 0, 0, 0, 8, 8, bench_.recorder);
  auto* turner = new VPictureControl(43, frames, 0, 0, 0, 8, 8, bench_.recorder);
  frames->Release();
  PlacementList from;
  PlacementList to;
  from.AddOrMerge(new PlacementRecord(mover, PlacementRecord::kFirstPair, 640, 20, 0, 0));
  to.AddOrMerge(new PlacementRecord(mover, PlacementRecord::kFirstPair, 340, 20, 0, 0));
  from.AddOrMerge(new PlacementRecord(fader, PlacementRecord::kSecondPair, 0, 0, 63, 0));
  to.AddOrMerge(new PlacementRecord(fader, PlacementRecord::kSecondPair, 0, 0, 1, 0));
  from.AddOrMerge(new PlacementRecord(turner, PlacementRecord::kSingleValue, 1, 0, 0, 0));
  to.AddOrMerge(new PlacementRecord(turner, PlacementRecord::kSingleValue, 5, 0, 0, 0));
  const PlacementTransition transition(&from, &to, 1000);
  SignalTimer* timer = RunPlacementTransition(*bench_.recorder, transition, 77, 0.04);
  ASSERT_NE(timer, nullptr);
  const auto level = [](VPictureControl* c) {
    PixelMapAttributes attributes;
    return c->GetPixelAttributes(attributes) ? attributes.GetLevel() : -1;
  };
  int32_t leftmost = 640;
  for (uint32_t t = 40; t <= 1000; t += 40) {
    PassAt(t);
    leftmost = std::min(leftmost, mover->GetBounds().left);
    EXPECT_EQ(mover->GetBounds().top, 37) << "y did not change: it stays";
    if (t == 520) {
      EXPECT_NEAR(level(fader), 63 - 62 * 0.52, 1.5);
      EXPECT_EQ(turner->GetFrame(), 3);
    }
  }
  EXPECT_EQ(leftmost, 340 - 12) << "4 % of the 300 pixels beyond the end";
  EXPECT_EQ(mover->GetBounds().left, 340);
  EXPECT_EQ(level(fader), 1);
  EXPECT_EQ(turner->GetFrame(), 5);
  EXPECT_EQ(bench_.log, (Log{"103 77"}));
}

}  // namespace
