// The viewer: the map's size from the bubbles' resolution, screen points in
// bubble space (also far outside and at the poles), redraw decisions on a
// fake clock (fast frames while moving, one quality frame after), one-shot
// render modes, seeks the short way round, and the largest map it makes.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <cstdint>
#include <memory>
#include <string>

#include "engine/graphics/ColorConstants.h"
#include "engine/graphics/DrawPort.h"
#include "engine/graphics/PixelMap.h"
#include "engine/graphics/VPicture.h"
#include "engine/panorama/BubbleViewControl.h"
#include "engine/panorama/PanoramaMap.h"
#include "engine/panorama/VPictureBubble.h"
#include "platform/Clock.h"

namespace {

std::unique_ptr<BubbleViewControl> MakeViewer(int width = 320, int height = 240) {
  return std::make_unique<BubbleViewControl>(1, 0, VFRect(0.0f, -kBubbleHalfPi, kBubbleTwoPi, kBubbleHalfPi), 0, 0, 0,
                                             width, height, nullptr);
}

VPictureBubble* Panorama(BubbleViewControl& viewer, float resolution) {
  return new VPictureBubble(VBubble::kAutomaticId, VRGBColor(40, 80, 120), VFRect(0.0f, 0.0f, kBubbleTwoPi, kBubblePi),
                            resolution, 0, viewer.GetRoot());
}

TEST(Viewer, AResolutionOf250PixelsPerRadianGivesAMap2048Wide) {
  auto viewer = MakeViewer();
  Panorama(*viewer, 250.0f);
  ASSERT_TRUE(viewer->PreparePanoramaMap(16, GetDefaultPixelFormat(16)));
  EXPECT_EQ(viewer->GetPanoramaMap()->GetWidth(), 2048);
  EXPECT_FLOAT_EQ(viewer->GetRoot()->GetResolution(), 2048 / kBubbleTwoPi);
}

TEST(Viewer, APanoramaWiderThanTheProjectionAddressesIsScaledDown) {
  auto viewer = std::make_unique<BubbleViewControl>(1, 0, VFRect(0.0f, -0.05f, kBubbleTwoPi, 0.05f), 0, 0, 0, 320,
                                                    240, nullptr);
  // 40000 pixels round the full turn.
  new VPictureBubble(VBubble::kAutomaticId, VRGBColor(1, 2, 3), VFRect(0.0f, 0.0f, kBubbleTwoPi, 0.1f),
                     40000 / kBubbleTwoPi, 0, viewer->GetRoot());
  ASSERT_TRUE(viewer->PreparePanoramaMap(32, 8));
  EXPECT_EQ(viewer->GetPanoramaMap()->GetWidth(), PanoramaRenderer::kMaximumMapWidth);
  PixelMap target(VRect(0, 0, 320, 240), 32, nullptr, nullptr, nullptr, PixelMap::kStorageMemory, 8);
  viewer->SetView(1.0f, 0.0f);
  EXPECT_TRUE(viewer->RenderPanorama(target));
}

TEST(Viewer, ScreenPointsMapToFiniteBubblePointsEvenFarOutsideAndAtThePoles) {
  auto viewer = MakeViewer(320, 240);
  Panorama(*viewer, 300.0f);
  ASSERT_TRUE(viewer->SetView(2.0f, 0.0f));
  const VFPoint centre = viewer->ScreenToBubblePoint(VPoint(160, 120));
  EXPECT_FLOAT_EQ(centre.x, 2.0f);
  EXPECT_FLOAT_EQ(centre.y, 0.0f);
  for (const float pitch : {0.0f, viewer->GetPitchMaximum(), viewer->GetPitchMinimum(), 1.5707964f}) {
    viewer->SetView(0.5f, pitch);
    for (const VPoint p : {VPoint(0, 0), VPoint(319, 239), VPoint(160, 120 + 160), VPoint(-100000, 100000),
                           VPoint(160, -2000000000), VPoint(2000000000, 120)}) {
      const VFPoint b = viewer->ScreenToBubblePoint(p);
      EXPECT_TRUE(std::isfinite(b.x) && std::isfinite(b.y)) << pitch << " at " << p.x << "," << p.y;
      EXPECT_LE(std::fabs(b.y), kBubbleHalfPi + 1e-6f);
    }
  }
  EXPECT_FALSE(viewer->SetView(std::nanf(""), 0.0f));
  EXPECT_FALSE(viewer->SeekTo({0.0f, INFINITY, 0.0f}));
}

TEST(Viewer, ASeekTurnsThroughTheSmallerAngleAcrossTheSeam) {
  platform::FakeClock clock;
  platform::ScopedClockSource scoped(&clock);
  auto viewer = MakeViewer();
  viewer->SetMaxSpeed(3.0f);
  viewer->SetAcceleration(2.0f);
  viewer->SetDeceleration(5.0f);
  ASSERT_TRUE(viewer->SetView(6.1f, 0.0f));
  ASSERT_TRUE(viewer->SeekTo({6.1f + 0.3f, 0.0f, 0.0f}));
  float travelled = 0.0f;
  float last = viewer->GetYaw();
  for (int i = 0; i < 500 && viewer->IsSeeking(); ++i) {
    clock.AdvanceMilliseconds(20);
    viewer->Step(0);
    float d = viewer->GetYaw() - last;
    if (d < -kBubblePi) d += kBubbleTwoPi;
    travelled += d;
    last = viewer->GetYaw();
  }
  EXPECT_FALSE(viewer->IsSeeking());
  EXPECT_NEAR(travelled, 0.3f, 1e-3) << "forwards across 2pi, not back the long way";
  EXPECT_NEAR(viewer->GetYaw(), 6.4f - kBubbleTwoPi, 1e-5);
}

// Steps the viewer the way the application does: a step, and a draw of the
// control when the step asked for one.
struct Loop {
  BubbleViewControl& viewer;
  platform::FakeClock& clock;
  PixelMap screen;
  DrawPort port;
  int quality = 0;
  int fast = 0;

  Loop(BubbleViewControl& v, platform::FakeClock& c)
      : viewer(v), clock(c), screen(VRect(0, 0, 320, 240), 16, nullptr, nullptr, nullptr, PixelMap::kStorageMemory,
                                    GetDefaultPixelFormat(16)),
        port(&screen) {}

  void Pass(int milliseconds = 20) {
    clock.AdvanceMilliseconds(static_cast<uint64_t>(milliseconds));
    viewer.Step(0);
    if (!viewer.RedrawRequested()) return;
    const int before = viewer.GetFrameCount();
    viewer.DrawContent(&port, VRect(0, 0, 320, 240));
    if (viewer.GetFrameCount() == before) return;
    (viewer.LastFrameWasQuality() ? quality : fast)++;
  }
};

TEST(Viewer, AfterTheViewStopsExactlyOneQualityFrameFollowsAndThenNothing) {
  platform::FakeClock clock;
  platform::ScopedClockSource scoped(&clock);
  auto viewer = MakeViewer();
  Panorama(*viewer, 300.0f);
  viewer->SetMaxSpeed(2.0f);
  viewer->SetAcceleration(4.0f);
  viewer->SetDeceleration(4.0f);
  viewer->SetSettleTime(200);
  Loop loop(*viewer, clock);
  for (int i = 0; i < 20; ++i) loop.Pass();
  ASSERT_EQ(loop.quality, 1) << "a still view settles into one quality frame";
  // The mouse drives the view for a second.
  viewer->Steer({1.0f, 0.0f, 0.0f});
  loop.quality = loop.fast = 0;
  for (int i = 0; i < 50; ++i) loop.Pass();
  EXPECT_EQ(loop.quality, 0);
  EXPECT_GE(loop.fast, 45) << "every moving step draws a fast frame";
  // The mouse stops: the view halts where it is.
  viewer->Halt();
  loop.quality = loop.fast = 0;
  for (int i = 0; i < 100; ++i) loop.Pass();
  EXPECT_EQ(loop.quality, 1);
  const int framesAfter = viewer->GetFrameCount();
  for (int i = 0; i < 50; ++i) loop.Pass();
  EXPECT_EQ(viewer->GetFrameCount(), framesAfter) << "nothing is drawn until something changes";
  EXPECT_TRUE(viewer->LastFrameWasQuality());
}

TEST(Viewer, OneShotRenderModesFallBackAfterOneFrame) {
  auto viewer = MakeViewer();
  Panorama(*viewer, 300.0f);
  PixelMap target(VRect(0, 0, 320, 240), 16, nullptr, nullptr, nullptr, PixelMap::kStorageMemory,
                  GetDefaultPixelFormat(16));
  ASSERT_TRUE(viewer->PreparePanoramaMap(16, GetDefaultPixelFormat(16)));
  viewer->SetRenderMode(2);
  ASSERT_TRUE(viewer->RenderPanorama(target));
  EXPECT_FALSE(viewer->LastFrameWasQuality());
  viewer->SetRenderMode(3);
  ASSERT_TRUE(viewer->RenderPanorama(target));
  EXPECT_TRUE(viewer->LastFrameWasQuality());
  EXPECT_EQ(viewer->GetRenderMode(), 2);
  ASSERT_TRUE(viewer->RenderPanorama(target));
  EXPECT_FALSE(viewer->LastFrameWasQuality());
  viewer->SetFrameMode(4);
  EXPECT_FALSE(viewer->UseFrameBuffer(nullptr));
  ASSERT_TRUE(viewer->RenderPanorama(target));
  EXPECT_EQ(viewer->GetFrameMode(), 0);
}

TEST(Viewer, DroppingTheComposedPictureKeepsTheBubblesPlaceAndResolution) {
  auto viewer = MakeViewer();
  VPictureBubble* bubble = Panorama(*viewer, 300.0f);
  ASSERT_TRUE(viewer->PreparePanoramaMap(16, GetDefaultPixelFormat(16)));
  const float resolution = bubble->GetResolution();
  const VFRect bounds = bubble->GetBounds();
  EXPECT_TRUE(bubble->SetPicture(nullptr, false));
  EXPECT_EQ(bubble->GetResolution(), resolution);
  EXPECT_EQ(bubble->GetBounds(), bounds);
  EXPECT_TRUE(viewer->PreparePanoramaMap(16, GetDefaultPixelFormat(16)));
  EXPECT_EQ(viewer->GetPanoramaMap()->GetWidth(), 2048);
}

}  // namespace

namespace {

// A picture in the map's own format (16 or 32 bits, as the JPEG decoder
// writes for the screen) is copied as it stands, except the fourth byte of
// 32-bit pixels, which the map keeps at zero; the map it gives is the one a
// 24-bit picture of the same colours gives through the conversion, whichever
// way up the picture's rows are stored, and scaled.
TEST(PanoramaMapDrawing, PicturesInTheMapsFormatGiveWhatConvertedOnesGive) {
  constexpr int32_t kW = 2048;
  constexpr int32_t kH = 64;
  for (const int32_t depth : {16, 32}) {
    const uint16_t format = GetDefaultPixelFormat(depth);
    for (const bool scaled : {false, true}) {
      SCOPED_TRACE(std::to_string(depth) + (scaled ? " bits, scaled" : " bits, same size"));
      const int32_t pw = scaled ? kW / 2 : kW;
      PixelMap wide(VRect(0, 0, pw, kH), 24, nullptr, nullptr, nullptr, PixelMap::kStorageMemory,
                    GetDefaultPixelFormat(24));
      PixelMap own(VRect(0, 0, pw, kH), depth, nullptr, nullptr, nullptr, PixelMap::kStorageMemory, format);
      ASSERT_TRUE(wide.HasStorage());
      ASSERT_TRUE(own.HasStorage());
      for (int32_t y = 0; y < kH; ++y) {
        for (int32_t x = 0; x < pw; ++x) {
          // Colours a 5-6-5 word holds exactly.
          const VRGBColor c(static_cast<uint8_t>((x * 8) & 0xF8), static_cast<uint8_t>((y * 4) & 0xFC),
                            static_cast<uint8_t>(((x + y) * 8) & 0xF8));
          ASSERT_TRUE(wide.SetPixel(VPoint(x, y), c));
          ASSERT_TRUE(own.SetPixel(VPoint(x, y), c));
        }
      }
      if (depth == 32) {
        // Something in every pixel's unused byte.
        const PixelShifts32 s = GetPixelShifts32(format);
        const uint32_t unused = ~((0xFFu << s.red) | (0xFFu << s.green) | (0xFFu << s.blue));
        PixelMapLock lock(&own);
        for (int32_t y = 0; y < kH; ++y) {
          uint8_t* row = own.GetPixelAddress(VPoint(0, y));
          for (int32_t x = 0; x < pw; ++x) {
            uint32_t v;
            std::memcpy(&v, row + 4 * x, 4);
            v |= unused & (0x5Au * 0x01010101u + static_cast<uint32_t>(x));
            std::memcpy(row + 4 * x, &v, 4);
          }
        }
      }
      PanoramaMap fromWide;
      PanoramaMap fromOwn;
      ASSERT_TRUE(fromWide.Create(kW, kH, depth, format));
      ASSERT_TRUE(fromOwn.Create(kW, kH, depth, format));
      const VRect placement(0, 0, kW, kH);
      ASSERT_TRUE(fromWide.DrawPicture(wide, 0, kH, placement, placement));
      ASSERT_TRUE(fromOwn.DrawPicture(own, 0, kH, placement, placement));
      const size_t bytes = static_cast<size_t>(fromWide.GetRowBytes()) * (kH + 1);
      EXPECT_EQ(std::memcmp(fromWide.GetPixels(), fromOwn.GetPixels(), bytes), 0);
    }
  }
}

}  // namespace
