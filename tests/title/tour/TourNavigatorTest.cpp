// The tour's navigator: mouse look by 0.7 of the pointer's angle from the
// centre with the pointer put back there (a table of moves, the window away
// from the screen's origin, a thousand warps without drift), the short way
// across the seam, hotspot regions and their messages (also as the view
// glides under a still pointer), rest and wake, and
// task passes asked for only while the view moves.
#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <string>
#include <vector>

#include "engine/controls/ControlTestSupport.h"
#include "engine/core/VTask.h"
#include "engine/panorama/VBubble.h"
#include "platform/Input.h"
#include "platform/PointerWarp.h"
#include "platform/Window.h"
#include "title/tour/TourBubble.h"
#include "title/tour/TourNavigator.h"

namespace {

using controltest::Bench;
using controltest::Log;

constexpr double kFocal = 400.0;

// A bubble record: a small panorama and hotspot rectangles.
class FakeBubble : public TourBubbleContent {
 public:
  explicit FakeBubble(std::vector<VFRect> hotspots, VFPoint view = VFPoint{1.0f, 0.0f})
      : hotspots_(std::move(hotspots)), view_(view) {}
  ~FakeBubble() override { ReleasePicture(); }
  VPicture* GetPicture() override {
    if (picture_ == nullptr && withPicture) picture_ = controltest::SolidPicture(512, 256, 0x336699);
    return picture_;
  }
  void ReleasePicture() override {
    if (picture_ != nullptr) picture_->Release();
    picture_ = nullptr;
    ++releases;
  }
  VFPoint GetDefaultViewAngle() const override { return view_; }
  int32_t GetHotspotCount() const override { return static_cast<int32_t>(hotspots_.size()) + missing; }
  bool GetHotspotHitRect(int32_t index, VFRect& out) const override {
    if (index < 0 || index >= static_cast<int32_t>(hotspots_.size())) return false;
    out = hotspots_[static_cast<size_t>(index)];
    return true;
  }
  bool withPicture = true;
  int32_t missing = 0;
  int32_t releases = 0;

 private:
  std::vector<VFRect> hotspots_;
  VFPoint view_;
  VPicture* picture_ = nullptr;
};

// The tour screen's navigator as the tour view makes it, in a 640 x 480 window.
struct Tour {
  Bench bench{640, 480};
  platform::RecordingPointerWarp warp;
  platform::ScopedPointerWarpBackend scopedWarp{&warp};
  TourNavigator* navigator;

  Tour() {
    navigator = new TourNavigator(12288, 8, 0, 0, 0, 640, 480, bench.recorder);
    navigator->SetMaxSpeed(32.0f);
    navigator->SetAcceleration(8.0f);
    navigator->SetDeceleration(8.0f);
    navigator->SetFocalLength(static_cast<float>(kFocal));
  }
  // How often the owner message with the navigator's id (allocated: 12288 asks for one) arrived.
  int Message(uint32_t code) const { return Count(std::to_string(code) + " " + std::to_string(navigator->GetId())); }
  int Count(const std::string& entry) const {
    int n = 0;
    for (const std::string& e : bench.log) n += e == entry ? 1 : 0;
    return n;
  }
};

// The look angle of a pointer offset from the centre at pitch 0.
double YawOf(double dx, double) { return std::atan2(dx, kFocal); }
double PitchOf(double dx, double dy) { return std::asin(dy / std::sqrt(kFocal * kFocal + dx * dx + dy * dy)); }

TEST(TourNavigator, APointerMoveAddsSevenTenthsOfItsAngleToTheTargetAndComesBackToTheCentre) {
  struct Row {
    int dx, dy;
  };
  const Row rows[] = {{1, 0}, {-1, 0}, {0, 1}, {0, -1}, {5, 3}, {-17, 9}, {40, -25}, {150, 120}, {-319, -239}, {319, 239}};
  for (const Row& r : rows) {
    Tour tour;
    tour.navigator->SetViewAngle(VFPoint{1.0f, 0.0f});
    ASSERT_EQ(tour.navigator->GetReferencePoint(), VPoint(320, 240));
    tour.bench.Move(320 + r.dx, 240 + r.dy);
    const Vec3 t = tour.navigator->GetTarget();
    EXPECT_NEAR(t[0], 1.0 + 0.7 * YawOf(r.dx, r.dy), 2e-6) << r.dx << "," << r.dy;
    EXPECT_NEAR(t[1], 0.7 * PitchOf(r.dx, r.dy), 2e-6) << r.dx << "," << r.dy;
    EXPECT_NEAR(tour.navigator->GetLookOffset().x, YawOf(r.dx, r.dy), 2e-6);
    EXPECT_TRUE(tour.navigator->IsSeeking());
    ASSERT_EQ(tour.warp.warps.size(), 1u);
    EXPECT_EQ(tour.warp.warps[0], (platform::RecordingPointerWarp::Warp{320, 240}));
    EXPECT_EQ(tour.Message(136), 1);
  }
  // Onto the reference point, outside the control, and with mouse look off: nothing.
  Tour tour;
  tour.navigator->SetViewAngle(VFPoint{1.0f, 0.0f});
  tour.navigator->Step(0);
  tour.bench.Move(320, 240);
  tour.bench.Move(700, 100);
  tour.navigator->SetLookActive(false);
  tour.bench.Move(330, 250);
  EXPECT_FALSE(tour.navigator->IsSeeking());
  EXPECT_FLOAT_EQ(tour.navigator->GetTarget()[0], 1.0f);
  EXPECT_TRUE(tour.warp.warps.empty());
  EXPECT_EQ(tour.Message(136), 0);
}

TEST(TourNavigator, MouseLookIsTheSameWhenTheWindowStandsAwayFromTheScreenOrigin) {
  Tour tour;
  tour.bench.window().GetPlatformWindow()->MoveTo(100, 50);
  tour.navigator->SetViewAngle(VFPoint{1.0f, 0.0f});
  // Window points: the pointer 12 pixels right of the centre.
  tour.bench.Move(332, 240);
  EXPECT_NEAR(tour.navigator->GetTarget()[0], 1.0 + 0.7 * YawOf(12, 0), 2e-6);
  EXPECT_NEAR(tour.navigator->GetTarget()[1], 0.0, 2e-6);
  ASSERT_EQ(tour.warp.warps.size(), 1u);
  EXPECT_EQ(tour.warp.warps[0], (platform::RecordingPointerWarp::Warp{420, 290})) << "the centre on the screen";
}

TEST(TourNavigator, AThousandMovesAndWarpEchoesDoNotDriftTheCamera) {
  Tour tour;
  tour.navigator->SetViewAngle(VFPoint{2.0f, 0.0f});
  const Vec3 start = tour.navigator->GetTarget();
  double expectedYaw = start[0];
  int echoesThatMoved = 0;
  for (int i = 0; i < 1000; ++i) {
    // Out and back: the same offset to one side, then to the other.
    const int dx = (i % 2 == 0 ? 1 : -1) * (1 + (i / 2) % 9);
    tour.bench.Move(320 + dx, 240);
    expectedYaw += 0.7 * (tour.navigator->GetLookOffset().x);
    ASSERT_FALSE(tour.warp.warps.empty());
    const auto w = tour.warp.warps.back();
    const Vec3 before = tour.navigator->GetTarget();
    tour.bench.Move(w.x, w.y);  // the warp's own motion, at the centre
    if (tour.navigator->GetTarget() != before) ++echoesThatMoved;
  }
  EXPECT_EQ(echoesThatMoved, 0);
  EXPECT_EQ(tour.warp.warps.size(), 1000u);
  EXPECT_NEAR(tour.navigator->GetTarget()[0], expectedYaw, 1e-4);
  EXPECT_NEAR(tour.navigator->GetTarget()[0], start[0], 1e-4) << "out and back leaves the target where it was";
  EXPECT_NEAR(tour.navigator->GetTarget()[1], start[1], 1e-6);
}

TEST(TourNavigator, ASeekAcrossTheSeamTakesTheShortWay) {
  Tour tour;
  tour.navigator->SetViewAngle(VFPoint{6.2f, 0.0f});
  ASSERT_TRUE(tour.navigator->SeekTo({0.1f, 0.0f, 0.0f}));
  EXPECT_FALSE(tour.navigator->HasArrived());
  double travelled = 0;
  float last = tour.navigator->GetYaw();
  for (int i = 0; i < 500 && !tour.navigator->HasArrived(); ++i) {
    tour.bench.clock().AdvanceMilliseconds(20);
    tour.navigator->Step(0);
    float d = tour.navigator->GetYaw() - last;
    if (d < -kBubblePi) d += kBubbleTwoPi;
    if (d > kBubblePi) d -= kBubbleTwoPi;
    EXPECT_GE(d, -1e-6f) << "never backwards";
    travelled += d;
    last = tour.navigator->GetYaw();
  }
  EXPECT_TRUE(tour.navigator->HasArrived());
  EXPECT_NEAR(travelled, 0.1 + 2 * 3.14159265358979 - 6.2, 2e-3);
  // Arrival is measured the short way too.
  tour.navigator->SetViewAngle(VFPoint{kBubbleTwoPi - 0.0005f, 0.0f});
  tour.navigator->SeekTo({0.0005f, 0.0f, 0.0f});
  EXPECT_TRUE(tour.navigator->HasArrived());
  // NormalizeViewAngle brings the view into range and ends any seek there.
  tour.navigator->SetViewAngle(VFPoint{-0.5f, 0.2f});
  tour.navigator->SeekTo({3.0f, 0.2f, 0.0f});
  tour.navigator->NormalizeViewAngle();
  EXPECT_NEAR(tour.navigator->GetYaw(), kBubbleTwoPi - 0.5f, 1e-6);
  EXPECT_TRUE(tour.navigator->HasArrived());
}

TEST(TourNavigator, HotspotRegionsSitBelowTheHorizonOfThePictureAndReportThePointer) {
  Tour tour;
  auto* record = new FakeBubble({VFRect(0.9f, -0.2f, 1.1f, 0.2f), VFRect(3.0f, -0.1f, 3.2f, 0.1f)});
  record->missing = 1;  // an index without a hotspot is skipped
  tour.navigator->SetBubble(record);
  EXPECT_EQ(tour.navigator->GetCurrentBubble(), record);
  EXPECT_EQ(record->releases, 1) << "the record lets go of its picture";
  auto* panorama = tour.navigator->GetRoot()->FindById(TourNavigator::kPictureBubbleId, false);
  ASSERT_NE(panorama, nullptr);
  auto* region = dynamic_cast<TourBubble*>(panorama->FindById(0, false));
  ASSERT_NE(region, nullptr);
  EXPECT_FLOAT_EQ(region->GetBounds().top, kBubbleHalfPi - 0.2f);
  EXPECT_FLOAT_EQ(region->GetBounds().bottom, kBubbleHalfPi + 0.2f);
  EXPECT_EQ(region->GetCursorId(), 107);
  EXPECT_NE(panorama->FindById(1, false), nullptr);
  EXPECT_NEAR(tour.navigator->GetYaw(), 1.0f, 1e-6) << "the default view";

  // The camera looks at the region's middle: the centre is inside it.
  tour.bench.Move(321, 240);  // enters (and turns the camera a little)
  EXPECT_EQ(tour.Message(131), 1);
  EXPECT_EQ(tour.navigator->GetCurrentHotspot(), 0);
  tour.bench.Down(320, 240);
  tour.bench.Up(320, 240);
  EXPECT_EQ(tour.Message(134), 1);
  EXPECT_EQ(tour.navigator->GetCurrentHotspot(), 0);
  // Far to the side the pointer leaves the region: 132 and no hotspot.
  tour.bench.Move(639, 240);
  EXPECT_EQ(tour.Message(132), 1);
  EXPECT_EQ(tour.navigator->GetCurrentHotspot(), -1);
  // Back in (the camera has not stepped, so the centre is still on the
  // region): a right press goes up as 135 from the region, not as a press.
  tour.bench.log.clear();
  tour.bench.Move(322, 240);
  EXPECT_EQ(tour.Message(131), 1);
  tour.bench.Down(322, 240, platform::kMouseFlagRightButton);
  EXPECT_EQ(tour.Count("135 0"), 1) << ::testing::PrintToString(tour.bench.log);
  EXPECT_EQ(tour.Count("31 0"), 0);
  EXPECT_EQ(tour.Message(134), 0);
  // Replacing the bubble removes the regions.
  tour.navigator->SetBubble(new FakeBubble({}));
  auto* next = tour.navigator->GetRoot()->FindById(TourNavigator::kPictureBubbleId, false);
  ASSERT_NE(next, nullptr);
  EXPECT_EQ(next->FirstChildObject(), nullptr);
}

// The view glides on after the pointer has stopped (the pointer stands on
// the centre again, where mouse look put it): the region the view brings
// under the pointer reports it (131), and the one it carries away lets go
// (132), with no move of the pointer; a pointer off the window or a view
// with look off (a walk's turn) reports nothing.
TEST(TourNavigator, RegionsFollowTheViewAsItGlidesUnderAStillPointer) {
  Tour tour;
  tour.navigator->SetBubble(new FakeBubble({VFRect(1.15f, -0.2f, 1.45f, 0.2f)}, VFPoint{1.0f, 0.0f}));
  auto settle = [&] {
    for (int i = 0; i < 200; ++i) {
      tour.bench.clock().AdvanceMilliseconds(20);
      tour.navigator->Step(0);
    }
  };
  // A look to the right (target 1.0 + 0.7 atan(180 / 400) = 1.30), the
  // pointer back on the centre, which is not on the region yet. (On its way
  // the pointer passed over the region: 131 and 132 for that.)
  tour.bench.Move(500, 240);
  tour.bench.Move(320, 240);
  ASSERT_EQ(tour.navigator->GetCurrentHotspot(), -1);
  int entered = tour.Message(131);
  int left = tour.Message(132);
  settle();
  EXPECT_NEAR(tour.navigator->GetYaw(), 1.0f + 0.7f * std::atan(180.0f / 400.0f), 0.01f);
  EXPECT_EQ(tour.Message(131), entered + 1) << "the region came under the pointer";
  EXPECT_EQ(tour.navigator->GetCurrentHotspot(), 0);
  // Further right: the region goes from under it.
  tour.bench.Move(600, 240);
  tour.bench.Move(320, 240);
  ASSERT_GT(tour.navigator->GetTarget()[0], 1.5f);
  entered = tour.Message(131);
  left = tour.Message(132);
  settle();
  EXPECT_EQ(tour.Message(132), left + 1) << "the region left the pointer";
  EXPECT_EQ(tour.Message(131), entered);
  EXPECT_EQ(tour.navigator->GetCurrentHotspot(), -1);

  // The pointer off the window: nothing comes under it as the view turns
  // back over the region.
  platform::SetCursorScreenPosition(-1, -1);
  ASSERT_TRUE(tour.navigator->TurnTo(VFPoint{1.3f, 0.0f}));
  settle();
  EXPECT_EQ(tour.Message(131), entered);
  // Back on the centre, the next turn finds the region under it.
  platform::SetCursorScreenPosition(320, 240);
  ASSERT_TRUE(tour.navigator->TurnTo(VFPoint{1.35f, 0.0f}));
  settle();
  EXPECT_EQ(tour.Message(131), entered + 1);
  ASSERT_EQ(tour.navigator->GetCurrentHotspot(), 0);
  // Look off: the view turns away (a walk's turn) without reports.
  left = tour.Message(132);
  tour.navigator->SetLookActive(false);
  ASSERT_TRUE(tour.navigator->TurnTo(VFPoint{2.5f, 0.0f}));
  settle();
  EXPECT_NEAR(tour.navigator->GetYaw(), 2.5f, 0.01f);
  EXPECT_EQ(tour.Message(132), left);
}

TEST(TourNavigator, ARightPressOutsideEveryRegionGoesToTheTourViewAndPressesAreIgnoredWhileLookIsOff) {
  Tour tour;
  tour.navigator->SetBubble(new FakeBubble({VFRect(3.0f, -0.1f, 3.2f, 0.1f)}));
  tour.bench.Down(320, 240, platform::kMouseFlagRightButton);
  EXPECT_EQ(tour.Message(135), 1);
  tour.bench.Up(320, 240);
  tour.navigator->SetLookActive(false);
  tour.bench.Down(320, 240, platform::kMouseFlagRightButton);
  tour.bench.Move(400, 240);
  EXPECT_EQ(tour.Message(135), 1);
  EXPECT_EQ(tour.Message(136), 0);
}

TEST(TourNavigator, WithoutAPictureTheBubbleHasNoRegionsButItsView) {
  Tour tour;
  auto* record = new FakeBubble({VFRect(0.9f, -0.2f, 1.1f, 0.2f)}, VFPoint{2.5f, 0.0f});
  record->withPicture = false;
  tour.navigator->SetBubble(record);
  EXPECT_EQ(tour.navigator->GetRoot()->FindById(TourNavigator::kPictureBubbleId, true), nullptr);
  EXPECT_NEAR(tour.navigator->GetYaw(), 2.5f, 1e-6);
}

TEST(TourNavigator, RestAndWakeSwitchTheTaskInputAndPointerGrab) {
  Tour tour;
  tour.navigator->SetBubble(new FakeBubble({}));
  tour.navigator->Activate();
  EXPECT_TRUE(tour.warp.grabbed) << "the pointer is held while the navigator looks";
  ASSERT_EQ(tour.warp.warps.size(), 1u) << "waking puts the pointer on the centre";
  EXPECT_TRUE(tour.navigator->VTask::IsActive());
  tour.navigator->Deactivate();
  EXPECT_TRUE(tour.navigator->IsAtRest());
  EXPECT_FALSE(tour.warp.grabbed);
  EXPECT_FALSE(tour.navigator->VTask::IsActive());
  EXPECT_EQ(tour.navigator->GetRenderMode(), 3);
  EXPECT_FALSE(tour.navigator->IsEnabled());
  EXPECT_FALSE(tour.navigator->GetRoot()->IsEnabled());
  EXPECT_EQ(tour.navigator->GetStepWait(0), VTask::kNoStepWanted);
  tour.bench.Move(400, 300);
  EXPECT_EQ(tour.Message(136), 0) << "no mouse look at rest";
  tour.navigator->Activate();
  EXPECT_FALSE(tour.navigator->IsAtRest());
  EXPECT_EQ(tour.navigator->GetRenderMode(), 0);
  tour.bench.Move(400, 300);
  EXPECT_EQ(tour.Message(136), 1);
}

TEST(TourNavigator, AStillViewAsksForNoPassesAndAMovingOneForEvery) {
  Tour tour;
  tour.navigator->SetBubble(new FakeBubble({}));
  PixelMap screen(VRect(0, 0, 640, 480), 16, nullptr, nullptr, nullptr, PixelMap::kStorageMemory,
                  GetDefaultPixelFormat(16));
  DrawPort port(&screen);
  auto pass = [&] {
    tour.bench.clock().AdvanceMilliseconds(20);
    tour.navigator->Step(0);
    if (tour.navigator->RedrawRequested()) tour.navigator->DrawContent(&port, VRect(0, 0, 640, 480));
    return tour.navigator->GetStepWait(platform::TickCount());
  };
  uint32_t wait = 0;
  for (int i = 0; i < 20; ++i) wait = pass();
  EXPECT_EQ(wait, VTask::kNoStepWanted) << "still, after its quality frame";
  EXPECT_TRUE(tour.navigator->LastFrameWasQuality());
  tour.bench.Move(360, 240);
  EXPECT_EQ(tour.navigator->GetStepWait(platform::TickCount()), 0u) << "looking around";
  int moving = 0;
  wait = 0;
  for (int i = 0; i < 200 && wait != VTask::kNoStepWanted; ++i) {
    wait = pass();
    ++moving;
  }
  EXPECT_EQ(wait, VTask::kNoStepWanted) << "still again once arrived and drawn well";
  EXPECT_GT(moving, 3);
  const int frames = tour.navigator->GetFrameCount();
  for (int i = 0; i < 50; ++i) pass();
  EXPECT_EQ(tour.navigator->GetFrameCount(), frames);
}

}  // namespace
