// Pictures, alpha channels and masks: frames
// stacked in the maps, drawing through a port with a clip, reloading,
// alpha data written and read, masks answering region values.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "ImageTestSupport.h"
#include "engine/core/MediaTypes.h"
#include "engine/core/VFile.h"
#include "engine/graphics/DrawPort.h"
#include "engine/graphics/VAlphaChannel.h"
#include "engine/graphics/VMask.h"

namespace {

using imgtest::ImageFixture;
using imgtest::Pixels;

class Pictures : public ImageFixture {};

TEST_F(Pictures, FramesAreStackedVertically) {
  auto* picture = new VPicture(VRect(0, 0, 10, 100), 24, nullptr);
  picture->SetFrameCount(4);
  EXPECT_EQ(picture->GetHeight(), 25);
  picture->SetFrame(9);
  EXPECT_EQ(picture->GetFrame(), 3);
  EXPECT_EQ(picture->GetFrameOffset(), VPoint(0, 75));
  picture->SetFrame(-3);
  EXPECT_EQ(picture->GetFrame(), 0);
  picture->Release();
}

TEST_F(Pictures, DrawHonoursTheClipAndTheFrame) {
  // A 20x4 picture of two 20x2 frames: column x has red = x * 10, frame 1 green 200.
  auto* map = new PixelMap(VRect(0, 0, 20, 4), 24, nullptr, nullptr, nullptr, PixelMap::kStorageMemory, 1);
  {
    PixelMapLock lock(map);
    for (int y = 0; y < 4; ++y)
      for (int x = 0; x < 20; ++x)
        map->SetPixel(VPoint(x, y), VRGBColor(static_cast<uint8_t>(x * 10), y >= 2 ? 200 : 0, 0));
  }
  auto* picture = new VPicture(map);
  picture->SetFrameCount(2);
  picture->SetFrame(1);
  PixelMap target(VRect(0, 0, 40, 10), 24, nullptr, nullptr, nullptr, PixelMap::kStorageMemory, 1);
  target.ClearPixels();
  {
    DrawPort port(&target);
    const VRect destination(5, 3, 25, 5);
    const VRect clip(15, 0, 40, 10);
    EXPECT_EQ(picture->DrawPicture(&port, destination, &clip), 0);
  }
  VRGBColor c;
  ASSERT_TRUE(target.GetPixel(VPoint(15, 3), c));
  EXPECT_EQ(c, VRGBColor(100, 200, 0));  // column 10 of frame 1 at the clip's left edge
  ASSERT_TRUE(target.GetPixel(VPoint(14, 3), c));
  EXPECT_EQ(c, VRGBColor(0, 0, 0));
  ASSERT_TRUE(target.GetPixel(VPoint(24, 4), c));
  EXPECT_EQ(c, VRGBColor(190, 200, 0));
  picture->Release();
}

TEST_F(Pictures, FailedLoadsStayFailedAndPurgedPicturesReload) {
  auto* missing = new VPicture(VFileSpec(Path("nothing.bmp").c_str()), kUnknownFileType);
  EXPECT_EQ(missing->GetPixelMap(), nullptr);
  EXPECT_NE(missing->Load(), 0);
  missing->Release();

  const std::string path = Make("p.gif", "rose: -colors 20");
  VPicture* picture = imgtest::LoadPicture(path);
  ASSERT_NE(picture, nullptr);
  const imgtest::RGBImage before = Pixels(*picture->GetPixelMap());
  picture->Purge();
  EXPECT_EQ(picture->GetPixelMap(), nullptr);
  EXPECT_EQ(picture->Load(), 0);
  ASSERT_NE(picture->GetPixelMap(), nullptr);
  EXPECT_TRUE(imgtest::SameImage(Pixels(*picture->GetPixelMap()), before));
  picture->Release();
}

TEST_F(Pictures, LoadDepthZeroTakesTheDisplaysDepth) {
  ScopedLoadPixelFormat display(0);
  const std::string path = Make("d.gif", "rose: -colors 20");
  VPicture* picture = imgtest::LoadPicture(path);
  ASSERT_NE(picture, nullptr);
  EXPECT_NE(picture->GetPixelMap()->GetDepth(), 8);
  EXPECT_TRUE(imgtest::SameImage(Pixels(*picture->GetPixelMap()), imgtest::Oracle(path), 5));
  picture->Release();
}

TEST_F(Pictures, AlphaDataFromPicturesAndChannels) {
  // An 8-bit grey picture written as alpha data: levels are pixel >> 2.
  ScopedLoadPixelFormat own(-1);
  const std::string grey = Make("g.tga", "-size 1x1 xc:'gray(0)' xc:'gray(64)' xc:'gray(128)' xc:'gray(252)' "
                                         "xc:'gray(255)' +append -type Grayscale");
  VPicture* picture = imgtest::LoadPicture(grey, kReadPixels | kReadColorTable);
  ASSERT_NE(picture, nullptr);
  ASSERT_EQ(picture->GetPixelMap()->GetDepth(), 8);
  const std::string rax = Path("g.rax");
  {
    VFileSpec spec(rax.c_str());
    CreateFileForSpec(spec, kUnknownFileType, kUnknownFileType);
    VFile file(spec, kUnknownFileType, kUnknownFileType);
    ASSERT_EQ(picture->WriteAlphaData(file, false, true), 0);
    file.Close();
  }
  picture->Release();
  auto* channel = new VAlphaChannel(VFileSpec(rax.c_str()), kUnknownFileType);
  ASSERT_NE(channel->GetPixelMap(), nullptr);
  auto* direct = new VAlphaChannel(VFileSpec(grey.c_str()), kUnknownFileType);
  ASSERT_NE(direct->GetPixelMap(), nullptr);
  EXPECT_TRUE(channel->IsEqual(*direct));
  // A grey Targa file's pixels are its grey levels: the levels are grey >> 2.
  const int expected[5] = {0, 16, 32, 63, 63};
  for (int x = 0; x < 5; ++x) EXPECT_EQ(direct->GetValueAt(x, 0), expected[x]) << x;
  channel->Release();
  direct->Release();

  // A Photoshop file cannot give an alpha channel.
  const std::string psd = Make("x.psd", "rose:");
  auto* refused = new VAlphaChannel(VFileSpec(psd.c_str()), kUnknownFileType);
  EXPECT_EQ(refused->GetPixelMap(), nullptr);
  refused->Release();
}

TEST_F(Pictures, AttributesFromMediaIds) {
  PixelMapAttributes none = MakePixelMapAttributes(8, 0);
  EXPECT_EQ(none.flags, 0u);
  EXPECT_EQ(none.PeekAlphaChannel(), nullptr);
  PixelMapAttributes key = MakePixelMapAttributes(1, 7);
  EXPECT_EQ(key.flags, 1u);
  EXPECT_EQ(key.keyIndex, 7);
  PixelMapAttributes level = MakePixelMapAttributes(4, 20);
  EXPECT_EQ(level.GetLevel(), 20);
  EXPECT_EQ(MakePixelMapAttributes(3, 1).flags, 0u);
}

TEST_F(Pictures, CombineWithModeZeroKeepsTheTarget) {
  VAlphaChannel source(VRect(0, 0, 64, 1));
  VAlphaChannel target(VRect(0, 0, 64, 1));
  {
    PixelMapLock a(source.GetPixelMap());
    PixelMapLock b(target.GetPixelMap());
    for (int x = 0; x < 64; ++x) {
      *source.GetPixelMap()->GetPixelAddress(VPoint(x, 0)) = static_cast<uint8_t>(63 - x);
      *target.GetPixelMap()->GetPixelAddress(VPoint(x, 0)) = static_cast<uint8_t>(x);
    }
  }
  source.Combine(target, VRect(0, 0, 64, 1), VRect(0, 0, 64, 1), 0);
  for (int x = 0; x < 64; ++x) EXPECT_EQ(target.GetValueAt(x, 0), x);
}

TEST_F(Pictures, MasksAnswerRegionValues) {
  const std::string path = Make("m.gif", "-size 1x2 xc:black xc:white xc:red +append -type Palette");
  auto* mask = new VMask(VFileSpec(path.c_str()), kUnknownFileType);
  ASSERT_NE(mask->GetPixelMap(), nullptr);
  const int32_t a = mask->GetValueAt(VPoint(0, 0));
  const int32_t b = mask->GetValueAt(VPoint(1, 1));
  const int32_t c = mask->GetValueAt(VPoint(2, 0));
  EXPECT_GE(a, 0);
  EXPECT_NE(a, b);
  EXPECT_NE(b, c);
  EXPECT_EQ(mask->GetValueAt(VPoint(3, 0)), -1);
  EXPECT_EQ(mask->GetValueAt(VPoint(0, 2)), -1);
  EXPECT_EQ(mask->GetValueAt(VPoint(-1, 0)), -1);
  // Current = on AND normal; each setter answers the old flag.
  EXPECT_EQ(mask->SetNormalFlag(3, 0), 1);
  EXPECT_EQ(mask->SetCurrentFlag(3, 1), 1);
  EXPECT_EQ(mask->GetCurrentFlags()[3], 0);
  EXPECT_EQ(mask->SetCurrentFlag(4, 0), 1);
  EXPECT_EQ(mask->GetCurrentFlags()[4], 0);
  mask->ResetEnabledTables();
  EXPECT_EQ(mask->GetCurrentFlags()[3], 1);
  EXPECT_EQ(mask->GetNormalFlag(3), 1);
  mask->Release();

  // A mask made from a 24-bit picture has no plane and answers -1.
  auto* colour = new VPicture(VRect(0, 0, 4, 4), 24, nullptr);
  auto* none = new VMask(colour);
  EXPECT_EQ(none->GetValueAt(VPoint(1, 1)), -1);
  none->Release();
  colour->Release();
}

}  // namespace
