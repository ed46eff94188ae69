// The title's picture font (letter spacing, extra leading) and text made into
// rotated pictures: the rotation against ImageMagick's, quarter turns exact.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "engine/controls/VPictureFont.h"
#include "engine/graphics/DrawPort.h"
#include "engine/graphics/PixelMap.h"
#include "engine/graphics/VAlphaChannel.h"
#include "engine/graphics/VColorTable.h"
#include "engine/graphics/VPicture.h"
#include "support/AlphaPgm.h"
#include "support/RequireTool.h"
#include "support/Subprocess.h"
#include "support/TempDir.h"
#include "title/controls/AppPictureFont.h"
#include "title/controls/RotatePixelMap.h"
#include "title/controls/TextToPicture.h"

namespace {

class AppPictureFontTest : public ::testing::Test {
 protected:
  void SetUp() override {
    DeleteAllFonts();
    system_ = FindOrCreateFont("Arial", 18, 0, nullptr, true);
    ASSERT_NE(system_, nullptr);
    font_ = new AppPictureFont(*system_);
  }
  void TearDown() override { DeleteAllFonts(); }

  VFont* system_ = nullptr;
  AppPictureFont* font_ = nullptr;  // owned by the registry
};

TEST_F(AppPictureFontTest, EveryGlyphRenderedAtOnce) {
  EXPECT_FALSE(font_->IsSystemFont());
  for (int c = 0; c < 256; ++c) EXPECT_TRUE(font_->IsGlyphRendered(static_cast<uint8_t>(c))) << c;
  EXPECT_EQ(font_->GetSize(), 18);
  EXPECT_EQ(font_->GetSpacingTable(), nullptr);
}

TEST_F(AppPictureFontTest, SpacingKeepsWidthsInRange) {
  const uint8_t* widths = font_->GetCharWidths(nullptr);
  const int32_t i = widths['i'], m = widths['m'];
  ASSERT_GT(i, 0);
  struct Row {
    const char* what;
    int32_t extra;
    int32_t character;
    int32_t iWidth;  // expected widths afterwards
    int32_t mWidth;
    int32_t iExtra;
  } rows[] = {
      {"more than the width is taken away", -10, 'i', 0, m, -i},
      {"back to none", 0, 'i', i, m, 0},
      {"every character", 2, 300, i + 2, m + 2, 2},
      {"one character over all", 1, 'i', i + 1, m + 2, 1},
      {"every character by a negative number", -1, -1, i - 1, m - 1, -1},
      {"past the byte a width is", 127, 'm', i - 1, std::min(255, m + 127), -1},
  };
  for (const Row& row : rows) {
    font_->SetSpacing(row.extra, row.character);
    EXPECT_EQ(widths['i'], row.iWidth) << row.what;
    EXPECT_EQ(widths['m'], row.mWidth) << row.what;
    ASSERT_NE(font_->GetSpacingTable(), nullptr);
    EXPECT_EQ(font_->GetSpacingTable()['i'], row.iExtra) << row.what;
  }
  EXPECT_EQ(font_->GetTextWidth("im", 2), widths['i'] + widths['m']);
  font_->SetSpacingTable(nullptr);
  EXPECT_EQ(widths['i'], i);
  EXPECT_EQ(widths['m'], m);
  EXPECT_EQ(font_->GetSpacingTable(), nullptr);
  int8_t table[256] = {};
  table['i'] = -100;
  table['m'] = 3;
  font_->SetSpacingTable(table);
  EXPECT_EQ(widths['i'], 0);
  EXPECT_EQ(widths['m'], m + 3);
  // A copy keeps its own table.
  AppPictureFont* copy = new AppPictureFont(*font_);
  font_->SetSpacingTable(nullptr);
  EXPECT_EQ(copy->GetCharWidths(nullptr)['m'], m + 3);
  EXPECT_EQ(copy->GetSpacingTable()['i'], -i);
  EXPECT_EQ(copy->PeekPicture(), font_->PeekPicture());
}

TEST_F(AppPictureFontTest, ExtraLeadingComesAndGoes) {
  const int32_t ascent = font_->GetAscent(nullptr), size = font_->GetSize();
  font_->SetExtraLeading(4);
  EXPECT_EQ(font_->GetAscent(nullptr), ascent + 4);
  EXPECT_EQ(font_->GetSize(), size + 4);
  font_->SetExtraLeading(0);
  EXPECT_EQ(font_->GetAscent(nullptr), ascent);
  EXPECT_EQ(font_->GetSize(), size);
}

// Glyphs drawn with spacing keep their own width; the pen moves by the
// spaced width; leading moves nothing on the page.
TEST_F(AppPictureFontTest, SpacingAndLeadingWhenDrawing) {
  auto draw = [&](const char* text) {
    auto map = std::make_unique<PixelMap>(VRect(0, 0, 80, 30), 24, nullptr, nullptr, nullptr, PixelMap::kStorageMemory);
    map->ClearPixels();
    DrawPort port(map.get());
    const VRGBColor white(255, 255, 255);
    port.DrawText(text, 2, 5, 22, font_, &white, true, nullptr);
    return map;
  };
  auto columns = [](PixelMap& map) {
    std::string s;
    for (int32_t x = 0; x < map.GetWidth(); ++x) {
      bool lit = false;
      for (int32_t y = 0; y < map.GetHeight(); ++y) {
        VRGBColor c;
        map.GetPixel(VPoint(x, y), c);
        lit = lit || c.red > 0;
      }
      s += lit ? '1' : '0';
    }
    return s;
  };
  auto rows = [](PixelMap& map) {
    std::string s;
    for (int32_t y = 0; y < map.GetHeight(); ++y) {
      bool lit = false;
      for (int32_t x = 0; x < map.GetWidth(); ++x) {
        VRGBColor c;
        map.GetPixel(VPoint(x, y), c);
        lit = lit || c.red > 0;
      }
      s += lit ? '1' : '0';
    }
    return s;
  };
  auto plain = draw("HH");
  const std::string plainColumns = columns(*plain), plainRows = rows(*plain);
  const int32_t h = font_->GetCharWidths(nullptr)['H'];
  font_->SetSpacing(6, 'H');
  auto spaced = draw("HH");
  // The second H starts 6 columns later; the first is unchanged.
  EXPECT_EQ(columns(*spaced).substr(0, 5 + h), plainColumns.substr(0, 5 + h));
  EXPECT_EQ(columns(*spaced).substr(5 + h + 6, h), plainColumns.substr(5 + h, h));
  font_->SetSpacing(0, 'H');
  font_->SetExtraLeading(5);
  auto led = draw("HH");
  EXPECT_EQ(rows(*led), plainRows);
  EXPECT_EQ(columns(*led), plainColumns);
}

TEST_F(AppPictureFontTest, TextToPictureWantsTheRightKindOfFont) {
  const VRGBColor black(0, 0, 0);
  EXPECT_EQ(RenderTextToPicture("Text", 45.0, system_, black), nullptr);
  EXPECT_EQ(RenderSystemTextToPicture("Text", 45.0, font_, black, -1), nullptr);
  EXPECT_EQ(RenderTextToPicture("", 45.0, font_, black), nullptr);
  EXPECT_EQ(RenderTextToPicture(nullptr, 45.0, font_, black), nullptr);
  std::unique_ptr<PixelMap> system(RenderSystemTextToPicture("Text", 0.0, system_, black, 2));
  ASSERT_NE(system, nullptr);
  EXPECT_EQ(system->GetHeight(), 18);
  EXPECT_NE(system->PeekAttributes().PeekAlphaChannel(), nullptr);

  std::unique_ptr<PixelMap> flat(RenderTextToPicture("Ostrevan", 0.0, font_, VRGBColor(200, 10, 10)));
  ASSERT_NE(flat, nullptr);
  EXPECT_TRUE(flat->IsSolidColor());
  EXPECT_EQ(flat->GetSolidColor(), VRGBColor(200, 10, 10));
  EXPECT_EQ(flat->GetWidth(), font_->GetTextWidth("Ostrevan", 100));
  EXPECT_EQ(flat->GetHeight(), 18);

  // The screens' form gives a picture.
  VPicture* picture = RenderTextToPicture("Ostrevan", 0, 45.0, font_, black, 2);
  ASSERT_NE(picture, nullptr);
  EXPECT_GT(picture->GetWidth(), flat->GetWidth() * 7 / 10);
  picture->Release();
}

// Measuring a text gives the size its rendering has, at every angle, and
// nothing where the rendering gives nothing.
TEST_F(AppPictureFontTest, MeasuringGivesTheRenderedSize) {
  const VRGBColor black(0, 0, 0);
  for (const char* text : {"I", "Ostrevan ", "Ostrevan Haus 1642 und der Garten "}) {
    for (double angle : {0.0, 45.0, -45.0, 30.0, 90.0, 135.0, 200.0, -300.0}) {
      SCOPED_TRACE(std::string(text) + " at " + std::to_string(angle));
      std::unique_ptr<PixelMap> rendered(RenderTextToPicture(text, angle, font_, black));
      ASSERT_NE(rendered, nullptr);
      int32_t width = 0, height = 0;
      ASSERT_TRUE(MeasureTextToPicture(text, angle, font_, width, height));
      EXPECT_EQ(width, rendered->GetWidth());
      EXPECT_EQ(height, rendered->GetHeight());
    }
  }
  int32_t width = 0, height = 0;
  EXPECT_FALSE(MeasureTextToPicture("Text", 45.0, system_, width, height));
  EXPECT_FALSE(MeasureTextToPicture("", 45.0, font_, width, height));
  EXPECT_FALSE(MeasureTextToPicture(nullptr, 45.0, font_, width, height));
  EXPECT_FALSE(MeasureTextToPicture("Text", std::nan(""), font_, width, height));
}

// The coverage of a spaced text holds each glyph's own columns only: an
// extra advance adds empty columns and never copies the next glyph's.
TEST_F(AppPictureFontTest, SpacedTextCopiesOnlyItsGlyphs) {
  const VRGBColor black(0, 0, 0);
  auto levels = [](PixelMap& map) {
    std::vector<int32_t> out;
    VAlphaChannel* alpha = map.GetAlphaChannel();
    for (int32_t y = 0; y < alpha->GetHeight(); ++y) {
      for (int32_t x = 0; x < alpha->GetWidth(); ++x) out.push_back(alpha->GetValueAt(x, y));
    }
    alpha->Release();
    return out;
  };
  std::unique_ptr<PixelMap> plain(RenderTextToPicture("I", 0.0, font_, black));
  ASSERT_NE(plain, nullptr);
  const int32_t w = plain->GetWidth(), h = plain->GetHeight();
  const std::vector<int32_t> plainLevels = levels(*plain);
  font_->SetSpacing(5, 'I');
  std::unique_ptr<PixelMap> spaced(RenderTextToPicture("I", 0.0, font_, black));
  ASSERT_NE(spaced, nullptr);
  ASSERT_EQ(spaced->GetWidth(), w + 5);
  const std::vector<int32_t> spacedLevels = levels(*spaced);
  for (int32_t y = 0; y < h; ++y) {
    for (int32_t x = 0; x < w + 5; ++x) {
      const int32_t expected = x < w ? plainLevels[static_cast<size_t>(y * w + x)] : 0;
      EXPECT_EQ(spacedLevels[static_cast<size_t>(y * (w + 5) + x)], expected) << x << "," << y;
    }
  }
  // Extra leading puts empty rows above the glyphs.
  font_->SetSpacing(0, 'I');
  font_->SetExtraLeading(3);
  std::unique_ptr<PixelMap> led(RenderTextToPicture("I", 0.0, font_, black));
  ASSERT_NE(led, nullptr);
  ASSERT_EQ(led->GetHeight(), h + 3);
  const std::vector<int32_t> ledLevels = levels(*led);
  for (int32_t y = 0; y < h + 3; ++y) {
    for (int32_t x = 0; x < w; ++x) {
      const int32_t expected = y < 3 ? 0 : plainLevels[static_cast<size_t>((y - 3) * w + x)];
      EXPECT_EQ(ledLevels[static_cast<size_t>(y * w + x)], expected) << x << "," << y;
    }
  }
}

class RotationTest : public AppPictureFontTest {
 protected:
  void SetUp() override {
    AppPictureFontTest::SetUp();
    testsupport::RequireTool("convert");
    testsupport::RequireTool("compare");
  }
  void WritePgm(PixelMap& map, const std::string& path) { ASSERT_TRUE(testsupport::WriteAlphaPgm(map, path)); }
  std::string Magick(const std::string& arguments) {
    return testsupport::Capture("cd '" + dir_.Path() + "' && " + arguments + " 2>&1");
  }
  testsupport::TempDir dir_{"ostrevan_rotate_"};
};

TEST_F(RotationTest, FortyFiveDegreesLikeImageMagick) {
  const char* text = "Ostrevan Haus 1642";
  std::unique_ptr<PixelMap> flat(RenderTextToPicture(text, 0.0, font_, VRGBColor(0, 0, 0)));
  ASSERT_NE(flat, nullptr);
  WritePgm(*flat, dir_.Path("flat.pgm"));
  for (double angle : {45.0, -45.0, 30.0, 135.0}) {
    std::unique_ptr<PixelMap> turned(RenderTextToPicture(text, angle, font_, VRGBColor(0, 0, 0)));
    ASSERT_NE(turned, nullptr) << angle;
    EXPECT_TRUE(turned->IsSolidColor());
    WritePgm(*turned, dir_.Path("ours.pgm"));
    const std::string a = std::to_string(static_cast<int>(angle));
    Magick("convert flat.pgm -background black -rotate " + a + " -trim +repage theirs.pgm");
    Magick("convert ours.pgm -trim +repage ours_t.pgm");
    const testsupport::Grey theirs = testsupport::ReadPgm(dir_.Path("theirs.pgm"));
    const testsupport::Grey ours = testsupport::ReadPgm(dir_.Path("ours_t.pgm"));
    ASSERT_GT(theirs.width, 0);
    ASSERT_GT(ours.width, 0);
    EXPECT_NEAR(ours.width, theirs.width, 2) << angle;
    EXPECT_NEAR(ours.height, theirs.height, 2) << angle;
    // Past a quarter turn ImageMagick turns first and shears about another
    // sub-pixel centre; only the size is compared there.
    if (std::fabs(angle) <= 45.0) {
      EXPECT_GE(testsupport::RegisteredPsnr(ours, theirs), 30.0) << angle;
    }
  }
}

TEST_F(RotationTest, QuarterTurnsAreExact) {
  std::unique_ptr<PixelMap> flat(RenderTextToPicture("Haus", 0.0, font_, VRGBColor(0, 0, 0)));
  ASSERT_NE(flat, nullptr);
  WritePgm(*flat, dir_.Path("flat.pgm"));
  for (int angle : {0, 90, 180, 270, -90}) {
    std::unique_ptr<PixelMap> turned(RotatePixelMap(flat.get(), angle, nullptr));
    ASSERT_NE(turned, nullptr) << angle;
    WritePgm(*turned, dir_.Path("ours.pgm"));
    Magick("convert flat.pgm -rotate " + std::to_string(angle) + " theirs.pgm");
    EXPECT_EQ(Magick("compare -metric AE ours.pgm theirs.pgm null:"), "0") << angle;
  }
}

// A coloured source comes back in the colours of its table: the nearest-colour
// table is built on demand, so the result does not depend on what ran before.
TEST_F(RotationTest, ColouredSourceThroughItsTable) {
  auto* table = new VColorTable(StandardPalette{4});
  table->DiscardInverseTable();
  ASSERT_EQ(table->GetInverseTable(), nullptr);
  PixelMap source(VRect(0, 0, 5, 3), 8, table, nullptr, nullptr, PixelMap::kStorageMemory);
  for (int32_t y = 0; y < 3; ++y) {
    for (int32_t x = 0; x < 5; ++x) *source.GetPixelAddress(VPoint(x, y)) = static_cast<uint8_t>(10 * y + x);
  }
  std::unique_ptr<PixelMap> turned(RotatePixelMap(&source, 90.0, nullptr));
  ASSERT_NE(turned, nullptr);
  EXPECT_NE(table->GetInverseTable(), nullptr);
  ASSERT_EQ(turned->GetDepth(), 8);
  ASSERT_EQ(turned->GetWidth(), 3);
  ASSERT_EQ(turned->GetHeight(), 5);
  for (int32_t y = 0; y < 5; ++y) {
    for (int32_t x = 0; x < 3; ++x) {
      VRGBColor expected, got;
      source.GetPixel(VPoint(y, 2 - x), expected);
      turned->GetPixel(VPoint(x, y), got);
      EXPECT_EQ(got, expected) << x << "," << y;
    }
  }
  EXPECT_EQ(RotatePixelMap(nullptr, 45.0, nullptr), nullptr);
  table->Release();
}

}  // namespace
