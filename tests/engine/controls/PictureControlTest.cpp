// Picture controls under scripted mouse input: the events they report, the
// pixel hit test, sizing, frames and scaling, and what lands on the pixels
// of the window's 16-bit off-screen map.
#include <gtest/gtest.h>

#include "ControlTestSupport.h"
#include "engine/controls/VPictureControl.h"
#include "engine/graphics/VAlphaChannel.h"
#include "engine/graphics/VColorTable.h"
#include "engine/graphics/VPicture.h"

namespace {

using controltest::Bench;
using controltest::Log;
using controltest::MakePicture;
using controltest::SolidPicture;

// A 10 x 10 picture whose left half is transparent (key colour).
VPicture* HalfTransparent() {
  return MakePicture(10, 10, [](int32_t, int32_t) { return 0x00FF00; }, [](int32_t x, int32_t) { return x >= 5; });
}

struct PressCase {
  const char* name;
  int32_t downX, downY, upX, upY;
  Log expected;
};

TEST(PictureControl, PressAndReleaseEvents) {
  const PressCase cases[] = {
      {"press and release on an opaque pixel", 27, 25, 28, 26, {"17 40", "18 40"}},
      {"release outside after a press inside", 27, 25, 100, 100, {"17 40"}},
      {"release on a transparent pixel of the control", 27, 25, 21, 25, {"17 40"}},
      {"press on a transparent pixel goes below", 21, 25, 27, 25, {}},
      {"press outside the control", 5, 5, 27, 25, {}},
  };
  for (const PressCase& c : cases) {
    SCOPED_TRACE(c.name);
    Bench bench;
    VPicture* picture = HalfTransparent();
    new VPictureControl(40, picture, 20, 20, 0, 0, 0, bench.recorder);
    picture->Release();
    bench.Down(c.downX, c.downY);
    bench.Up(c.upX, c.upY);
    EXPECT_EQ(bench.log, c.expected);
  }
}

TEST(PictureControl, PixelHitTestCanBeSwitchedOff) {
  Bench bench;
  VPicture* picture = HalfTransparent();
  auto* control = new VPictureControl(40, picture, 20, 20, 0, 0, 0, bench.recorder);
  picture->Release();
  control->SetPixelHitTest(false);
  bench.Down(21, 25);
  bench.Up(21, 25);
  EXPECT_EQ(bench.log, (Log{"17 40", "18 40"}));
}

TEST(PictureControl, SizeFollowsThePictureUnlessGiven) {
  Bench bench;
  VPicture* small = SolidPicture(6, 4, 0xFF0000);
  VPicture* large = SolidPicture(12, 9, 0xFF0000);
  auto* fitting = new VPictureControl(41, small, 5, 5, 0, 0, 0, bench.recorder);
  auto* fixed = new VPictureControl(42, small, 50, 5, 0, 8, 8, bench.recorder);
  EXPECT_EQ(fitting->GetBounds(), VRect(5, 5, 11, 9));
  EXPECT_EQ(fixed->GetBounds(), VRect(50, 5, 58, 13));
  EXPECT_TRUE(fitting->SetPicture(large, false));
  EXPECT_TRUE(fixed->SetPicture(large, false));
  EXPECT_EQ(fitting->GetBounds(), VRect(5, 5, 17, 14));
  EXPECT_EQ(fixed->GetBounds(), VRect(50, 5, 58, 13));
  EXPECT_FALSE(fitting->SetPicture(large, true));  // the same picture again
  small->Release();
  large->Release();
}

TEST(PictureControl, WithoutPictureDrawsAndHitsNothing) {
  Bench bench;
  auto* control = new VPictureControl(43, static_cast<VPicture*>(nullptr), 10, 10, 0, 20, 20, bench.recorder);
  EXPECT_EQ(control->GetFrameCount(), 1);
  EXPECT_EQ(control->GetPicture(), nullptr);
  PixelMapAttributes attributes;
  EXPECT_FALSE(control->GetPixelAttributes(attributes));
  bench.Redraw();
  EXPECT_EQ(bench.PixelAt(15, 15), 0x000000u);
  bench.Click(15, 15);
  EXPECT_TRUE(bench.log.empty());
}

TEST(PictureControl, DrawsClippedToItsBounds) {
  Bench bench;
  VPicture* picture = SolidPicture(20, 20, 0xFF0000);
  new VPictureControl(44, picture, 10, 20, 0, 8, 5, bench.recorder);
  picture->Release();
  bench.Redraw();
  EXPECT_EQ(bench.PixelAt(10, 20), 0xFF0000u);
  EXPECT_EQ(bench.PixelAt(17, 24), 0xFF0000u);
  EXPECT_EQ(bench.PixelAt(18, 24), 0x000000u);
  EXPECT_EQ(bench.PixelAt(17, 25), 0x000000u);
  EXPECT_EQ(bench.PixelAt(9, 20), 0x000000u);
}

TEST(PictureControl, FramesAreClampedWhenDrawn) {
  struct FrameCase {
    int32_t frame;
    uint32_t colour;
  };
  const uint32_t colours[3] = {0xFF0000, 0x00FF00, 0x0000FF};
  const FrameCase cases[] = {{-5, 0xFF0000}, {0, 0xFF0000}, {1, 0x00FF00}, {2, 0x0000FF}, {99, 0x0000FF}};
  for (const FrameCase& c : cases) {
    SCOPED_TRACE(c.frame);
    Bench bench;
    VPicture* picture = MakePicture(4, 12, [&](int32_t, int32_t y) { return colours[y / 4]; });
    picture->SetFrameCount(3);
    auto* control = new VPictureControl(45, picture, 30, 30, 0, 0, 0, bench.recorder);
    picture->Release();
    EXPECT_EQ(control->GetBounds(), VRect(30, 30, 34, 34));
    control->SetFrame(c.frame, false);
    bench.Redraw();
    EXPECT_EQ(bench.PixelAt(30, 30), c.colour);
    EXPECT_EQ(bench.PixelAt(33, 33), c.colour);
    EXPECT_EQ(bench.PixelAt(30, 34), 0x000000u);
  }
}

TEST(PictureControl, ScaledPictureFillsTheControl) {
  Bench bench;
  // 2 x 2 checker enlarged to 8 x 8: each quarter of the control one colour
  // at its corner.
  VPicture* picture = MakePicture(2, 2, [](int32_t x, int32_t y) { return (x + y) % 2 ? 0xFFFFFF : 0xFF0000; });
  auto* control = new VPictureControl(46, picture, 10, 10, 0, 8, 8, bench.recorder);
  picture->Release();
  EXPECT_FALSE(control->SetScaled(true, nullptr));
  bench.Redraw();
  EXPECT_EQ(bench.PixelAt(10, 10), 0xFF0000u);
  EXPECT_EQ(bench.PixelAt(17, 17), 0xFF0000u);
  EXPECT_EQ(bench.PixelAt(17, 10), 0xFFFFFFu);
  EXPECT_EQ(bench.PixelAt(10, 17), 0xFFFFFFu);
  EXPECT_EQ(bench.PixelAt(18, 10), 0x000000u);
}

TEST(PictureControl, ScaledPictureShowsTheFrameSetLast) {
  // Two 2 x 2 frames, red above blue, shown scaled to 8 x 8; the new frame
  // shows whether SetFrame draws it or a later redraw does.
  for (const bool redrawAtOnce : {true, false}) {
    SCOPED_TRACE(redrawAtOnce ? "SetFrame draws" : "drawn later");
    Bench bench;
    VPicture* picture = MakePicture(2, 4, [](int32_t, int32_t y) { return y < 2 ? 0xFF0000 : 0x0000FF; });
    picture->SetFrameCount(2);
    auto* control = new VPictureControl(49, picture, 10, 10, 0, 8, 8, bench.recorder);
    picture->Release();
    control->SetScaled(true, nullptr);
    bench.Redraw();
    EXPECT_EQ(bench.PixelAt(13, 13), 0xFF0000u);
    EXPECT_TRUE(control->SetFrame(1, redrawAtOnce));
    if (!redrawAtOnce) bench.Redraw();
    EXPECT_EQ(bench.PixelAt(10, 10), 0x0000FFu);
    EXPECT_EQ(bench.PixelAt(17, 17), 0x0000FFu);
    control->SetFrame(0, true);
    EXPECT_EQ(bench.PixelAt(13, 13), 0xFF0000u);
  }
}

TEST(PictureControl, KeyColouredPictureStaysUnscaled) {
  Bench bench;
  VPicture* picture = HalfTransparent();
  auto* control = new VPictureControl(47, picture, 10, 10, 0, 20, 20, bench.recorder);
  picture->Release();
  control->SetScaled(true, nullptr);
  EXPECT_FALSE(control->IsScaled());
  bench.Redraw();
  EXPECT_EQ(bench.PixelAt(16, 16), 0x00FF00u);
  EXPECT_EQ(bench.PixelAt(22, 22), 0x000000u);  // beyond the 10 x 10 picture
}

}  // namespace

namespace {

TEST(PictureControl, ScaledCopyCarriesTheAlphaChannel) {
  controltest::Bench bench;
  VPicture* picture = controltest::SolidPicture(2, 2, 0xFF0000);
  auto* alpha = new VAlphaChannel(VRect(0, 0, 2, 2));
  {
    PixelMap* map = alpha->GetPixelMap();
    PixelMapLock lock(map);
    for (int32_t y = 0; y < 2; ++y) {
      *map->GetPixelAddress(VPoint(0, y)) = 0;   // left column transparent
      *map->GetPixelAddress(VPoint(1, y)) = 63;  // right column opaque
    }
  }
  PixelMapAttributes attributes;
  attributes.SetAlphaChannel(alpha);
  alpha->Release();
  picture->SetPixelAttributes(attributes);
  auto* control = new VPictureControl(48, picture, 10, 10, 0, 16, 16, bench.recorder);
  picture->Release();
  control->SetScaled(true, nullptr);
  bench.Redraw();
  EXPECT_FALSE(control->ContainsPoint(VPoint(12, 14)));
  EXPECT_TRUE(control->ContainsPoint(VPoint(23, 14)));
  EXPECT_EQ(bench.PixelAt(12, 14), 0x000000u);
  EXPECT_EQ(bench.PixelAt(23, 14), 0xFF0000u);
  bench.Down(12, 14);  // the transparent half: nothing under the pointer answers
  bench.Up(12, 14);
  bench.Down(23, 14);
  bench.Up(23, 14);
  EXPECT_EQ(bench.log, (Log{"17 48", "18 48"}));
}

// A scaled copy shares the source's colour table and leaves it with the
// references it had once the copy is gone (the title scales many pictures,
// and a reference kept each time would hold the table for ever).
TEST(PictureControl, ScaledCopiesLeaveTheColourTableAsTheyFoundIt) {
  controltest::Bench bench;
  VPicture* picture = controltest::SolidPicture(4, 4, 0x336699);
  auto* table = new VColorTable(StandardPalette{0});
  picture->GetPixelMap()->SetColorTable(table, false);
  ASSERT_EQ(picture->GetPixelMap()->PeekColorTable(), table);
  const int32_t before = table->GetReferenceCount();
  for (int i = 0; i < 3; ++i) {
    VPicture* copy = VPictureControl::MakeScaledCopy(picture, 0, 7 + i, 5);
    ASSERT_NE(copy, nullptr);
    EXPECT_EQ(copy->GetPixelMap()->PeekColorTable(), table);
    copy->Release();
  }
  EXPECT_EQ(table->GetReferenceCount(), before);
  table->Release();
  picture->Release();
}

}  // namespace
