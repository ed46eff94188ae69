// The tour cover's fades (steps at most every 66 ms, the end message, hidden
// at 0, the capture given back, a fade of no length) and the centre
// indicator's direction frames and fades.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "engine/controls/ControlTestSupport.h"
#include "title/tour/TourCenterIndicator.h"
#include "title/tour/TourCover.h"

namespace {

using controltest::Bench;

struct CoverBench {
  Bench bench{640, 480};
  TourCover* cover = new TourCover(14372, 1000, 0, 0, 4, 640, 480, bench.recorder);

  int Ended() const {
    int n = 0;
    for (const std::string& e : bench.log) n += e == "128 14372" ? 1 : 0;
    return n;
  }
  // Idle passes every `step` ms until the fade's message (or the limit);
  // answers the levels seen at each pass and their times from the start.
  struct Seen {
    uint32_t at;
    int32_t level;
  };
  std::vector<Seen> Run(int32_t step = 10, int32_t limit = 3000) {
    std::vector<Seen> seen;
    const int before = Ended();
    const uint32_t start = bench.Now();
    for (int32_t t = 0; t < limit && Ended() == before; t += step) {
      bench.clock().AdvanceMilliseconds(static_cast<uint64_t>(step));
      bench.Idle();
      seen.push_back(Seen{bench.Now() - start, cover->GetLevel()});
    }
    return seen;
  }
};

TEST(TourCover, AFreshCoverIsHiddenAndTransparentAndFadesInAtItsFirstStep) {
  CoverBench b;
  EXPECT_FALSE(b.cover->IsVisible());
  EXPECT_EQ(b.cover->GetLevel(), 0);
  EXPECT_FALSE(b.cover->VTask::IsActive());
  b.cover->FadeIn(1);
  EXPECT_TRUE(b.cover->IsVisible());
  const auto seen = b.Run();
  ASSERT_FALSE(seen.empty());
  EXPECT_EQ(b.cover->GetLevel(), 63);
  EXPECT_EQ(b.Ended(), 1);
  EXPECT_LE(seen.back().at, 66u + 12u) << "the first step after the step period";
  EXPECT_TRUE(b.cover->IsVisible());
  EXPECT_FALSE(b.cover->VTask::IsActive());
}

TEST(TourCover, ADimmingFadeStepsDownToItsLevelAtItsDurationAndStaysShown) {
  CoverBench b;
  b.cover->FadeIn(1);
  b.Run();
  b.cover->FadeTo(37, 500);
  const auto seen = b.Run(5);
  ASSERT_FALSE(seen.empty());
  EXPECT_EQ(b.cover->GetLevel(), 37);
  EXPECT_GE(seen.back().at, 500u);
  EXPECT_LE(seen.back().at, 500u + 66u + 10u);
  int32_t last = 63;
  uint32_t lastChange = 0;
  int changes = 0;
  for (const auto& s : seen) {
    EXPECT_LE(s.level, last) << "only downwards";
    if (s.level != last) {
      if (changes > 0) {
        EXPECT_GT(s.at - lastChange, 66u) << "at most one change per 66 ms";
      }
      lastChange = s.at;
      ++changes;
    }
    last = s.level;
  }
  EXPECT_GE(changes, 5);
  EXPECT_TRUE(b.cover->IsVisible());
  EXPECT_EQ(b.Ended(), 2);
}

TEST(TourCover, AFadeOutEndsHiddenAndGivesTheMouseBack) {
  CoverBench b;
  b.cover->FadeIn(1);
  b.Run();
  VGraphicObject::SetCapturedObject(b.cover);
  b.cover->FadeOut(500);
  b.Run();
  EXPECT_EQ(b.cover->GetLevel(), 0);
  EXPECT_FALSE(b.cover->IsVisible());
  EXPECT_EQ(VGraphicObject::GetCapturedObject(), nullptr);
  EXPECT_EQ(b.Ended(), 2);
}

TEST(TourCover, LevelsAboveOpaqueAndFadesOfNoLengthReachTheirTarget) {
  CoverBench b;
  b.cover->FadeTo(99, 200);
  EXPECT_EQ(b.cover->GetTargetLevel(), 63);
  b.Run();
  EXPECT_EQ(b.cover->GetLevel(), 63);
  // No length: the target at the first step, not a level computed from 0 / 0.
  b.cover->FadeTo(20, 0);
  b.Run();
  EXPECT_EQ(b.cover->GetLevel(), 20);
  EXPECT_EQ(b.Ended(), 2);
  b.cover->FadeOut(-5);
  b.Run();
  EXPECT_EQ(b.cover->GetLevel(), 0);
  EXPECT_EQ(b.Ended(), 3);
}

TEST(TourCover, WhileShownItKeepsThePointersMovesFromThePanorama) {
  CoverBench b;
  b.cover->FadeIn(1);
  b.Run();
  const VMouseEvent inside(VPoint(100, 100), 0, 0, 0);
  const VMouseEvent outside(VPoint(700, 100), 0, 0, 0);
  EXPECT_TRUE(b.cover->MouseMove(inside));
  EXPECT_FALSE(b.cover->MouseMove(outside));
}

TEST(TourCenterIndicator, TheFrameShowsTheLookDirectionOutsideTheDeadZoneOrTheHotspotSign) {
  struct Row {
    float x, y;
    bool hotspot;
    int32_t frame;
  };
  const Row rows[] = {
      {0.0f, 0.0f, false, 4},       {0.0125f, 0.0f, false, 4},     {-0.0125f, 0.0125f, false, 4},
      {0.02f, -0.02f, false, 2},    {-0.02f, -0.02f, false, 0},    {0.0f, -0.5f, false, 1},
      {-0.3f, 0.0f, false, 3},      {0.3f, 0.0f, false, 5},        {-0.02f, 0.02f, false, 6},
      {0.0f, 0.013f, false, 7},     {0.013f, 0.013f, false, 8},    {0.0f, 0.0f, true, 10},
      {0.5f, -0.5f, true, 10},
  };
  for (const Row& r : rows) {
    EXPECT_EQ(TourCenterIndicator::DirectionFrame(r.x, r.y, r.hotspot), r.frame) << r.x << "," << r.y;
  }
}

TEST(TourCenterIndicator, ItFadesOverHalfASecondAndLeavesThePointerToThePanorama) {
  Bench bench(640, 480);
  auto* indicator = new TourCenterIndicator(14375, 198, 308, 228, 1, 24, 24, bench.recorder);
  EXPECT_EQ(indicator->GetShownFrame(), 4);
  ASSERT_NE(indicator->GetTimer(), nullptr);
  VPicture* picture = controltest::SolidPicture(24, 24, 0xFFFFFF);
  indicator->SetPicture(picture, false);
  picture->Release();
  auto level = [&] {
    PixelMapAttributes a;
    return indicator->GetPixelAttributes(a) ? a.GetLevel() : -1;
  };
  indicator->FadeOut();
  for (int i = 0; i < 60; ++i) {
    bench.clock().AdvanceMilliseconds(10);
    bench.Idle();
  }
  EXPECT_EQ(level(), 0);
  indicator->FadeIn();
  bench.clock().AdvanceMilliseconds(250);
  bench.Idle();
  EXPECT_GT(level(), 20);
  EXPECT_LT(level(), 45);
  for (int i = 0; i < 40; ++i) {
    bench.clock().AdvanceMilliseconds(10);
    bench.Idle();
  }
  EXPECT_EQ(level(), 63);
  const VMouseEvent centre(VPoint(320, 240), 0, kButtonLeft, 0);
  EXPECT_FALSE(indicator->MouseDown(centre));
  EXPECT_FALSE(indicator->MouseUp(centre));
  EXPECT_FALSE(indicator->MouseMove(centre));
}

}  // namespace
