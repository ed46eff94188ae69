// The frame turner's frames read by media id out of an archive (written by
// the independent Python writer, the frames made by ImageMagick) and drawn
// into the 16-bit window: the pixels are the frames' own at every step, a
// frame that cannot be read shows nothing, and with a key colour a narrower
// frame after a wider one shows what lies behind, not the wider frame.
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <string>
#include <utility>
#include <vector>

#include "engine/archive/ArchiveServices.h"
#include "engine/archive/MediaArchive.h"
#include "engine/controls/ControlTestSupport.h"
#include "engine/controls/VPictureControl.h"
#include "engine/image/ImageTestSupport.h"
#include "support/BuildPaths.h"
#include "title/controls/AnimatedPictureControl.h"

namespace {

using controltest::Bench;

constexpr int32_t kLeft = 10, kTop = 6, kWidth = 24, kHeight = 16;
constexpr uint32_t kBehind = 0x3060C0;

class AnimatedPictureFrames : public imgtest::ImageFixture {
 protected:
  std::string Hex(const std::string& bytes) {
    static const char digits[] = "0123456789abcdef";
    std::string out;
    for (unsigned char c : bytes) {
      out += digits[c >> 4];
      out += digits[c & 15];
    }
    return out;
  }
  // An archive of BMP frames by id (24-bit true colour).
  std::string Archive(const std::vector<std::pair<int, std::string>>& frames) {
    std::string entries;
    for (const auto& [id, file] : frames) {
      if (!entries.empty()) entries += ", ";
      entries += "{\"id\": " + std::to_string(id) + ", \"type\": \".BMP\", \"name\": \"f" + std::to_string(id) +
                 "\", \"data\": \"hex:" + Hex(ReadBytes(file)) + "\"}";
    }
    const std::string desc = Path("frames.json");
    std::ofstream(desc) << "{\"entries\": [" << entries << "]}";
    const std::string out = Path("frames.msf");
    EXPECT_EQ(imgtest::RunCommand("python3 '" + OSTREVAN_SOURCE_DIR + "/tests/data/msf_oracle.py' build '" +
                                  desc + "' '" + out + "'"),
              0);
    return out;
  }
  // The window's pixels against ImageMagick's reading of the frame: the
  // mean difference of the channel values (the 16-bit window keeps 5 or 6
  // bits of each, dithered), with the sizes checked.
  static ::testing::AssertionResult LooksLike(const imgtest::RGBImage& got, const imgtest::RGBImage& want) {
    if (got.width != want.width || got.height != want.height || got.rgb.size() != want.rgb.size() || got.rgb.empty())
      return ::testing::AssertionFailure() << "size " << got.width << "x" << got.height;
    double sum = 0;
    for (size_t i = 0; i < got.rgb.size(); ++i) sum += std::abs(int{got.rgb[i]} - int{want.rgb[i]});
    const double mean = sum / static_cast<double>(got.rgb.size());
    if (mean > 5.0) return ::testing::AssertionFailure() << "mean difference " << mean;
    return ::testing::AssertionSuccess() << "mean difference " << mean;
  }
  // The window's pixels over the control's rectangle, as RGB.
  static imgtest::RGBImage Shown(Bench& bench, int32_t width = kWidth) {
    return Crop(imgtest::Pixels(*bench.map(), kTop, kHeight), kLeft, width);
  }
  static void TurnFor(Bench& bench, uint32_t ms) {
    for (uint32_t t = 0; t < ms; t += 5) {
      bench.clock().SetTickCount(bench.Now() + 5);
      bench.Idle();
    }
  }
  static imgtest::RGBImage Crop(const imgtest::RGBImage& image, int32_t left, int32_t width) {
    imgtest::RGBImage out;
    out.width = width;
    out.height = image.height;
    for (int32_t y = 0; y < image.height; ++y) {
      const size_t start = (static_cast<size_t>(y) * static_cast<size_t>(image.width) + static_cast<size_t>(left)) * 3;
      out.rgb.insert(out.rgb.end(), image.rgb.begin() + static_cast<std::ptrdiff_t>(start),
                     image.rgb.begin() + static_cast<std::ptrdiff_t>(start + static_cast<size_t>(width) * 3));
    }
    return out;
  }
};

TEST_F(AnimatedPictureFrames, TrueColourFramesShowInTheirOwnColoursAndANarrowerFrameLeavesNoTrail) {
  // Frame 0: a photograph as wide as the control; frame 1: another part of
  // it, half as wide; frame 2 is missing from the archive (it keeps its
  // place: the turn to it ends with its message).
  const std::string wide = Make("wide.bmp", "rose: -crop 24x16+10+12 +repage -type TrueColor");
  const std::string narrow = Make("narrow.bmp", "rose: -crop 12x16+40+20 +repage -type TrueColor");
  MediaArchive media(VFileSpec(Archive({{3050, wide}, {3051, narrow}}).c_str()));
  ASSERT_TRUE(media.IsOpen());
  ScopedMediaArchive serve(&media);

  Bench bench(64, 32);
  VPicture* behind = controltest::SolidPicture(64, 32, kBehind);
  new VPictureControl(1, behind, 0, 0, 0, 64, 32, bench.recorder);
  behind->Release();
  auto* c = new AnimatedPictureControl(40, 3, 3050, kLeft, kTop, 1, kWidth, kHeight, bench.recorder);
  EXPECT_EQ(c->GetFrameTotal(), 3);
  bench.Redraw();
  EXPECT_TRUE(LooksLike(Shown(bench), imgtest::Oracle(wide))) << "frame 0 in its own colours";

  // Keyed on black: the narrower frame turned to shows the background
  // where the wider one stood.
  c->SetKeyColor(true, VRGBColor(0, 0, 0));
  c->AnimateToFrame(1);
  TurnFor(bench, 400);
  ASSERT_EQ(c->GetCurrentFrame(), 1);
  EXPECT_TRUE(LooksLike(Shown(bench, 12), imgtest::Oracle(narrow))) << "frame 1 in its own colours";
  for (int32_t y = kTop; y < kTop + kHeight; ++y) {
    for (int32_t x = kLeft + 12; x < kLeft + kWidth; ++x) {
      ASSERT_EQ(bench.PixelAt(x, y), 0x3161C6u) << "no trail of frame 0 at " << x << ", " << y;
    }
  }
  // The missing frame shows the background all over, and turned back the
  // wide frame again covers it all.
  bench.log.clear();
  c->AnimateToFrame(2);
  TurnFor(bench, 400);
  EXPECT_EQ(bench.log, (controltest::Log{"156 2"}));
  for (int32_t y = kTop; y < kTop + kHeight; ++y) {
    for (int32_t x = kLeft; x < kLeft + kWidth; ++x) {
      ASSERT_EQ(bench.PixelAt(x, y), 0x3161C6u) << "nothing of frame 1 at " << x << ", " << y;
    }
  }
  c->PlayBackward();
  TurnFor(bench, 400);
  ASSERT_EQ(c->GetCurrentFrame(), 0);
  EXPECT_TRUE(LooksLike(Shown(bench), imgtest::Oracle(wide)));
}

// Frames given as pictures: a null one keeps its place and shows nothing
// (black without a key colour), not the frame before it nor uncleared memory.
TEST(AnimatedPictureFrameRow, ANullFrameShowsNothing) {
  Bench bench(32, 32);
  VPicture* grey = controltest::SolidPicture(8, 8, 0x808080);
  auto* c = new AnimatedPictureControl(41, std::vector<VPicture*>{grey, nullptr, grey}, 0, 0, 0, 8, 8, bench.recorder);
  grey->Release();
  EXPECT_EQ(c->GetFrameTotal(), 3);
  c->ShowFrame(0, true);
  EXPECT_EQ(bench.PixelAt(4, 4), 0x848284u);  // the grey through 5-6-5
  c->ShowFrame(1, true);
  EXPECT_EQ(bench.PixelAt(4, 4), 0x000000u);
}

}  // namespace
