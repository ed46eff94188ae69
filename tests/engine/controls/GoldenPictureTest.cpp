// What picture and mask controls put on the pixels of a 16-bit off-screen
// map, against pictures composed by ImageMagick from the same source files.
// The sources are 5-6-5 files, drawn without conversion, so the comparison
// is exact.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "ControlTestSupport.h"
#include "engine/controls/VMaskControl.h"
#include "engine/controls/VPictureControl.h"
#include "engine/core/MediaTypes.h"
#include "engine/graphics/PictureFileReader.h"
#include "engine/graphics/VMask.h"
#include "support/Subprocess.h"
#include "support/TempDir.h"
#include "support/RequireTool.h"

namespace {

using controltest::Bench;

constexpr int32_t kWidth = 100;
constexpr int32_t kHeight = 80;

class GoldenPictures : public ::testing::Test {
 protected:
  void SetUp() override {
    if (testsupport::RequireTool("convert").empty()) return;
    ASSERT_FALSE(dir_.Path().empty());
    // Four 16 x 16 quadrants: red, green / blue, white.
    source_ = Run("-size 16x16 xc:'#FF0000' -size 16x16 xc:'#00FF00' +append "
                  "\\( -size 16x16 xc:'#0000FF' -size 16x16 xc:'#FFFFFF' +append \\) -append "
                  "-define bmp:subtype=RGB565",
                  "BMP:", "source.bmp");
    overlay_ = Run("-size 32x32 xc:'#FFFF00' -define bmp:subtype=RGB565", "BMP:", "overlay.bmp");
  }

  std::string Run(const std::string& args, const std::string& format, const std::string& name) {
    const std::string out = dir_.Path() + "/" + name;
    const std::string command = "convert " + args + " '" + format + out + "' 2>/dev/null";
    EXPECT_EQ(std::system(command.c_str()), 0) << command;
    return out;
  }

  // The whole kWidth x kHeight scene that ImageMagick composes, as RGB bytes.
  static std::string Golden(const std::string& scene) {
    return testsupport::Capture("convert -size " + std::to_string(kWidth) + "x" + std::to_string(kHeight) +
                                " xc:black " + scene + " -depth 8 rgb:- 2>/dev/null");
  }

  static ::testing::AssertionResult SameAsGolden(Bench& bench, const std::string& golden) {
    if (golden.size() != static_cast<size_t>(kWidth * kHeight * 3)) {
      return ::testing::AssertionFailure() << "golden picture of " << golden.size() << " bytes";
    }
    int32_t differences = 0;
    std::string first;
    for (int32_t y = 0; y < kHeight; ++y) {
      for (int32_t x = 0; x < kWidth; ++x) {
        const size_t i = static_cast<size_t>((y * kWidth + x) * 3);
        const uint32_t want = (uint32_t{static_cast<uint8_t>(golden[i])} << 16) |
                              (uint32_t{static_cast<uint8_t>(golden[i + 1])} << 8) |
                              static_cast<uint8_t>(golden[i + 2]);
        const uint32_t got = bench.PixelAt(x, y);
        if (got != want && differences++ == 0) {
          char text[80];
          std::snprintf(text, sizeof text, "(%d,%d): %06x instead of %06x", x, y, got, want);
          first = text;
        }
      }
    }
    if (differences == 0) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << differences << " pixels differ, first at " << first;
  }

  // Pictures are read at the depth of the display's maps.
  ScopedLoadPixelFormat loadDepth_{16};
  testsupport::TempDir dir_{"ostrevan_controls_"};
  std::string source_;
  std::string overlay_;
};

TEST_F(GoldenPictures, PictureFromAFileClippedToTheControl) {
  Bench bench(kWidth, kHeight);
  new VPictureControl(120, VFileSpec(source_.c_str()), 10, 20, 0, 20, 25, bench.recorder);
  bench.Redraw();
  EXPECT_TRUE(SameAsGolden(bench, Golden("\\( '" + source_ + "' -crop 20x25+0+0 +repage \\) -geometry +10+20 "
                                         "-composite")));
}

TEST_F(GoldenPictures, PictureAtItsOwnSizeWithAnOffset) {
  Bench bench(kWidth, kHeight);
  auto* control = new VPictureControl(121, VFileSpec(source_.c_str()), 30, 5, 0, 0, 0, bench.recorder);
  EXPECT_EQ(control->GetBounds(), VRect(30, 5, 62, 37));
  control->SetPictureOffset(VPoint(8, 4));  // shows the picture from (8, 4) on
  bench.Redraw();
  EXPECT_TRUE(SameAsGolden(bench, Golden("\\( '" + source_ + "' -crop 24x28+8+4 +repage \\) -geometry +30+5 "
                                         "-composite")));
}

TEST_F(GoldenPictures, HighlightedMaskRegionOverThePicture) {
  Bench bench(kWidth, kHeight);
  auto* picture = new VPicture(VFileSpec(source_.c_str()), kUnknownFileType);
  auto* overlay = new VPicture(VFileSpec(overlay_.c_str()), kUnknownFileType);
  ASSERT_EQ(picture->Load(), 0);
  ASSERT_EQ(overlay->Load(), 0);
  // Region 3 on the left half, region 7 on the right.
  auto* plane = new PixelMap(VRect(0, 0, 32, 32), 8, nullptr, nullptr, nullptr, PixelMap::kStorageMemory);
  {
    PixelMapLock lock(plane);
    for (int32_t y = 0; y < 32; ++y) {
      for (int32_t x = 0; x < 32; ++x) *plane->GetPixelAddress(VPoint(x, y)) = x < 16 ? 3 : 7;
    }
  }
  auto* mask = new VMask(plane);
  mask->ResetEnabledTables();
  new VMaskControl(122, picture, overlay, mask, 10, 20, 0, 0, 0, bench.recorder);
  picture->Release();
  overlay->Release();
  mask->Release();
  bench.Redraw();
  const std::string plain = "\\( '" + source_ + "' \\) -geometry +10+20 -composite";
  EXPECT_TRUE(SameAsGolden(bench, Golden(plain)));
  bench.Move(15, 30);  // over region 3
  EXPECT_TRUE(SameAsGolden(bench, Golden("\\( '" + source_ + "' '" + overlay_ +
                                         "' \\( -size 16x32 xc:white -size 16x32 xc:black +append \\) -composite "
                                         "\\) -geometry +10+20 -composite")));
  bench.Move(95, 75);  // off the control: back to the plain picture
  EXPECT_TRUE(SameAsGolden(bench, Golden(plain)));
}

}  // namespace
