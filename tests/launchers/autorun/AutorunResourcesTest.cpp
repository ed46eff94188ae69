// The menu's own bitmaps: every id the dialogs name decodes at the size it
// is laid out for, and the placeholder files are BMPs ImageMagick reads as
// such.
#include <gtest/gtest.h>

#include <string>

#include "launchers/autorun/AutorunResources.h"
#include "launchers/common/KitApp.h"
#include "launchers/common/PlaceholderBitmap.h"
#include "launchers/common/Resources.h"
#include "support/RequireTool.h"
#include "support/Subprocess.h"
#include "support/TempDir.h"

namespace {

TEST(AutorunResources, EveryBitmapDecodesAtItsSize) {
  kit::InitializeKit();
  RegisterAutorunResources();
  const auto sizes = AutorunBitmapSizes();
  EXPECT_EQ(sizes.size(), 46u);  // every id the dialogs and their looks name
  for (const AutorunBitmapSize& s : sizes) {
    kit::KitImage image;
    ASSERT_TRUE(kit::CResources::LoadBitmap(s.id, image)) << s.id;
    EXPECT_EQ(image.width, s.width) << s.id;
    EXPECT_EQ(image.height, s.height) << s.id;
  }
  // A button's three looks differ.
  kit::KitImage normal, hover, pressed;
  ASSERT_TRUE(kit::CResources::LoadBitmap(136, normal));
  ASSERT_TRUE(kit::CResources::LoadBitmap(135, hover));
  ASSERT_TRUE(kit::CResources::LoadBitmap(134, pressed));
  EXPECT_NE(normal.pixels, hover.pixels);
  EXPECT_NE(normal.pixels, pressed.pixels);
  kit::CResources::Clear();
}

TEST(AutorunResources, PlaceholdersAreBmpFilesForImageMagick) {
  REQUIRE_TOOL(identify, "identify");
  testsupport::TempDir dir("placeholder");
  const auto eight = MakePlaceholderBitmap(185, 42, 0x2a5caa, PanelLook::kRaised);
  testsupport::WriteBytes(dir.Path("eight.bmp"), std::string(eight.begin(), eight.end()));
  std::vector<uint32_t> pixels(7 * 3, 0x123456);
  pixels[0] = 0xFF0000;
  const auto full = EncodeBmp24(7, 3, pixels);
  testsupport::WriteBytes(dir.Path("full.bmp"), std::string(full.begin(), full.end()));
  EXPECT_EQ(testsupport::Capture(identify + " -format '%m %wx%h %[type]\\n' '" + dir.Path("eight.bmp") + "'"),
            "BMP3 185x42 Palette\n");
  EXPECT_EQ(testsupport::Capture("convert '" + dir.Path("full.bmp") + "' -crop 1x1+0+0 -depth 8 txt:- | tail -1 | "
                                 "grep -o '#[0-9A-F]*'"),
            "#FF0000\n");
  EXPECT_EQ(testsupport::Capture("convert '" + dir.Path("full.bmp") + "' -crop 1x1+6+2 -depth 8 txt:- | tail -1 | "
                                 "grep -o '#[0-9A-F]*'"),
            "#123456\n");
}

}  // namespace
