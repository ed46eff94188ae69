// The software device context: colour packing per layout, primitive geometry
// at every depth and storage order, clipping, inversion, stretching, and text
// checked against FreeType's own rendering and metrics.
#include <gtest/gtest.h>

#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_TRUETYPE_TABLES_H

#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "platform/DeviceContext.h"
#include "platform/FontRasterizer.h"

namespace {

using platform::Color;
using platform::PixelBuffer;
using platform::PixelLayout;
using platform::Rect;

// Pixel memory of one layout, top-down or bottom-up, padded rows.
struct Memory {
  std::vector<uint8_t> bytes;
  PixelBuffer buffer;
  Memory(int32_t w, int32_t h, PixelLayout layout, bool bottomUp = false, bool bigEndian = false) {
    const int bpp = platform::LayoutBytesPerPixel(layout);
    const int32_t rowBytes = (w * bpp + 3) & ~3;
    bytes.assign(static_cast<size_t>(rowBytes) * h, 0);
    buffer.width = w;
    buffer.height = h;
    buffer.layout = layout;
    buffer.bigEndianWords = bigEndian;
    buffer.rowStep = bottomUp ? -rowBytes : rowBytes;
    buffer.first = bottomUp ? bytes.data() + static_cast<size_t>(rowBytes) * (h - 1) : bytes.data();
  }
  uint32_t Get(int32_t x, int32_t y) const {
    return platform::LoadPixel(buffer.PixelAddress(x, y), buffer.layout, buffer.bigEndianWords);
  }
  // Rows of '#' where the pixel equals `value`, '.' elsewhere.
  std::vector<std::string> Mask(uint32_t value, const Rect& r) const {
    std::vector<std::string> rows;
    for (int32_t y = r.top; y < r.bottom; ++y) {
      std::string s;
      for (int32_t x = r.left; x < r.right; ++x) s += Get(x, y) == value ? '#' : '.';
      rows.push_back(s);
    }
    return rows;
  }
};

struct LayoutCase {
  PixelLayout layout;
  bool bigEndian;
  std::vector<uint8_t> bytes;  // of the colour (0x12, 0x34, 0x56) in memory order
};

TEST(PixelBuffer, ColourLandsInEveryLayoutsByteOrder) {
  platform::PixelPalette palette;
  palette.count = 3;
  palette.colors[0] = Color{0, 0, 0};
  palette.colors[1] = Color{0x10, 0x30, 0x50};
  palette.colors[2] = Color{255, 255, 255};
  const std::vector<LayoutCase> cases = {
      {PixelLayout::kIndexed8, false, {1}},
      {PixelLayout::kGrey8, false, {0x2E}},  // 0.299 x 18 + 0.587 x 52 + 0.114 x 86 = 46.2
      {PixelLayout::kRgb555, false, {0xCA, 0x08}},
      {PixelLayout::kRgb555, true, {0x08, 0xCA}},
      {PixelLayout::kRgb565, false, {0xAA, 0x11}},
      {PixelLayout::kRgb565, true, {0x11, 0xAA}},
      {PixelLayout::kRgb24, false, {0x12, 0x34, 0x56}},
      {PixelLayout::kBgr24, false, {0x56, 0x34, 0x12}},
      {PixelLayout::kRgbx32, false, {0x12, 0x34, 0x56, 0}},
      {PixelLayout::kBgrx32, false, {0x56, 0x34, 0x12, 0}},
      {PixelLayout::kXrgb32, false, {0, 0x12, 0x34, 0x56}},
      {PixelLayout::kXbgr32, false, {0, 0x56, 0x34, 0x12}},
  };
  for (const LayoutCase& c : cases) {
    Memory m(3, 2, c.layout, false, c.bigEndian);
    platform::RasterDeviceContext dc(m.buffer, &palette);
    dc.FillSolidRect(Rect{1, 1, 2, 2}, Color{0x12, 0x34, 0x56});
    const uint8_t* p = m.buffer.PixelAddress(1, 1);
    std::vector<uint8_t> got(p, p + c.bytes.size());
    EXPECT_EQ(got, c.bytes) << "layout " << static_cast<int>(c.layout) << " big-endian " << c.bigEndian;
    // Nothing else was touched.
    EXPECT_EQ(m.Get(0, 1), 0u);
    EXPECT_EQ(m.Get(2, 1), 0u);
    EXPECT_EQ(m.Get(1, 0), 0u);
  }
}

TEST(PixelBuffer, UnpackWidensFiveAndSixBitComponents) {
  EXPECT_EQ(platform::UnpackPixel(0x7FFF, PixelLayout::kRgb555, nullptr), (Color{255, 255, 255}));
  EXPECT_EQ(platform::UnpackPixel(0x0421, PixelLayout::kRgb555, nullptr), (Color{8, 8, 8}));
  EXPECT_EQ(platform::UnpackPixel(0x0020, PixelLayout::kRgb565, nullptr), (Color{0, 4, 0}));
  EXPECT_EQ(platform::Cp1252ToUnicode(0x80), 0x20ACu);
  EXPECT_EQ(platform::Cp1252ToUnicode(0xE9), 0xE9u);
}

const PixelLayout kAllLayouts[] = {PixelLayout::kIndexed8, PixelLayout::kRgb555, PixelLayout::kRgb565,
                                   PixelLayout::kBgr24,    PixelLayout::kRgb24,  PixelLayout::kBgrx32,
                                   PixelLayout::kXbgr32};

platform::PixelPalette TwoColours() {
  platform::PixelPalette p;
  p.count = 4;
  p.colors[0] = Color{0, 0, 0};
  p.colors[1] = Color{255, 0, 0};
  p.colors[2] = Color{0, 0, 255};
  p.colors[3] = Color{255, 255, 255};
  return p;
}

struct ShapeCase {
  const char* name;
  std::function<void(platform::RasterDeviceContext&)> draw;
  Rect window;
  std::vector<std::string> expected;  // '#' = red
};

TEST(RasterDeviceContext, ShapesLandOnTheSamePixelsAtEveryDepthAndRowOrder) {
  const Color red{255, 0, 0};
  const std::vector<ShapeCase> cases = {
      {"filled circle",
       [&](platform::RasterDeviceContext& dc) {
         dc.SelectPen(platform::Pen{platform::PenStyle::kNull, 1, red});
         dc.SelectBrush(platform::Brush{false, red});
         dc.DrawEllipse(Rect{0, 0, 8, 8});
       },
       Rect{0, 0, 8, 8},
       {"..####..", ".######.", "########", "########", "########", "########", ".######.", "..####.."}},
      {"outlined circle, pen 1",
       [&](platform::RasterDeviceContext& dc) {
         dc.SelectPen(platform::Pen{platform::PenStyle::kInsideFrame, 1, red});
         dc.SelectBrush(platform::Brush{true, {}});
         dc.DrawEllipse(Rect{0, 0, 8, 8});
       },
       Rect{0, 0, 8, 8},
       {"..####..", ".#....#.", "#......#", "#......#", "#......#", "#......#", ".#....#.", "..####.."}},
      {"frame of width 2 inside the rectangle",
       [&](platform::RasterDeviceContext& dc) {
         dc.SelectPen(platform::Pen{platform::PenStyle::kInsideFrame, 2, red});
         dc.SelectBrush(platform::Brush{true, {}});
         dc.DrawRectangle(Rect{1, 1, 8, 7});
       },
       Rect{0, 0, 9, 8},
       {".........", ".#######.", ".#######.", ".##...##.", ".##...##.", ".#######.", ".#######.",
        "........."}},
      {"frame around a brush fill of another colour",
       [&](platform::RasterDeviceContext& dc) {
         dc.SelectPen(platform::Pen{platform::PenStyle::kInsideFrame, 1, red});
         dc.SelectBrush(platform::Brush{false, Color{0, 0, 255}});
         dc.DrawRectangle(Rect{0, 0, 4, 3});
       },
       Rect{0, 0, 5, 4},
       {"####.", "#..#.", "####.", "....."}},
      {"horizontal line leaves out its end point",
       [&](platform::RasterDeviceContext& dc) {
         dc.SelectPen(platform::Pen{platform::PenStyle::kInsideFrame, 1, red});
         dc.MoveTo({0, 1});
         dc.LineTo({5, 1});
       },
       Rect{0, 0, 6, 3},
       {"......", "#####.", "......"}},
      {"diagonal line",
       [&](platform::RasterDeviceContext& dc) {
         dc.SelectPen(platform::Pen{platform::PenStyle::kInsideFrame, 1, red});
         dc.MoveTo({0, 0});
         dc.LineTo({4, 4});
       },
       Rect{0, 0, 5, 5},
       {"#....", ".#...", "..#..", "...#.", "....."}},
      {"wide line with round ends",
       [&](platform::RasterDeviceContext& dc) {
         dc.SelectPen(platform::Pen{platform::PenStyle::kInsideFrame, 3, red});
         dc.MoveTo({2, 2});
         dc.LineTo({6, 2});
       },
       Rect{0, 0, 9, 5},
       {".........", ".#######.", ".#######.", ".#######.", "........."}},
      {"fill clipped to a rectangle",
       [&](platform::RasterDeviceContext& dc) {
         const Rect clip{2, 1, 4, 3};
         dc.SetClipRect(&clip);
         dc.FillSolidRect(Rect{0, 0, 6, 4}, red);
       },
       Rect{0, 0, 6, 4},
       {"......", "..##..", "..##..", "......"}},
  };
  const platform::PixelPalette palette = TwoColours();
  for (const ShapeCase& c : cases) {
    for (PixelLayout layout : kAllLayouts) {
      for (bool bottomUp : {false, true}) {
        Memory m(12, 10, layout, bottomUp);
        platform::RasterDeviceContext dc(m.buffer, &palette);
        c.draw(dc);
        const uint32_t redValue = platform::PackPixel(red, layout, &palette);
        EXPECT_EQ(m.Mask(redValue, c.window), c.expected)
            << c.name << " layout " << static_cast<int>(layout) << " bottom-up " << bottomUp;
        // Nothing outside the expected window was drawn.
        int outside = 0;
        for (int32_t y = 0; y < 10; ++y)
          for (int32_t x = 0; x < 12; ++x)
            if ((x >= c.window.right || y >= c.window.bottom) && m.Get(x, y) == redValue) ++outside;
        EXPECT_EQ(outside, 0) << c.name;
      }
    }
  }
}

TEST(RasterDeviceContext, InvertFlipsColourBitsOnly) {
  struct Case {
    PixelLayout layout;
    uint32_t before, after;
  };
  const Case cases[] = {
      {PixelLayout::kIndexed8, 0x0F, 0xF0},
      {PixelLayout::kRgb555, 0x0000, 0x7FFF},
      {PixelLayout::kRgb565, 0x1234, 0xEDCB},
      {PixelLayout::kBgr24, 0x00FF00, 0xFF00FF},
      {PixelLayout::kBgrx32, 0xAA000000, 0xAAFFFFFF},
      {PixelLayout::kXbgr32, 0x000000AA, 0xFFFFFFAA},
  };
  for (const Case& c : cases) {
    Memory m(2, 1, c.layout);
    platform::StorePixel(m.buffer.PixelAddress(0, 0), c.before, c.layout, false);
    platform::StorePixel(m.buffer.PixelAddress(1, 0), c.before, c.layout, false);
    platform::RasterDeviceContext dc(m.buffer);
    dc.InvertRect(Rect{0, 0, 1, 1});
    EXPECT_EQ(m.Get(0, 0), c.after) << static_cast<int>(c.layout);
    EXPECT_EQ(m.Get(1, 0), c.before);
  }
}

TEST(RasterDeviceContext, ClipBoxAndCapabilities) {
  Memory m(40, 30, PixelLayout::kBgrx32);
  platform::RasterDeviceContext dc(m.buffer);
  Rect box;
  ASSERT_TRUE(dc.GetClipBox(box));
  EXPECT_EQ(box, (Rect{0, 0, 40, 30}));
  const Rect clip{20, 10, 60, 20};
  dc.SetClipRect(&clip);
  ASSERT_TRUE(dc.GetClipBox(box));
  EXPECT_EQ(box, (Rect{20, 10, 40, 20}));
  dc.SetClipRect(nullptr);
  ASSERT_TRUE(dc.GetClipBox(box));
  EXPECT_EQ(box, (Rect{0, 0, 40, 30}));
  EXPECT_EQ(dc.GetDeviceCaps(platform::DeviceCap::kLogPixelsY), 96);
  EXPECT_EQ(dc.GetDeviceCaps(platform::DeviceCap::kLogPixelsX), 96);
  EXPECT_EQ(dc.GetDeviceCaps(platform::DeviceCap::kHorzRes), 40);
  EXPECT_EQ(dc.GetDeviceCaps(platform::DeviceCap::kVertRes), 30);
  EXPECT_NE(dc.GetDeviceCaps(platform::DeviceCap::kRasterCaps) & platform::kRasterCapStretchDib, 0);

  // Shapes far outside the device and huge coordinates draw nothing and do not crash.
  dc.SelectBrush(platform::Brush{false, Color{255, 255, 255}});
  dc.DrawEllipse(Rect{-2000000000, -2000000000, 2000000000, -1999999990});
  dc.DrawRectangle(Rect{100, 100, 200, 200});
  dc.SelectPen(platform::Pen{platform::PenStyle::kSolid, 1, Color{9, 9, 9}});
  dc.MoveTo({-1000000, 5});
  dc.LineTo({1000000, 5});
  EXPECT_EQ(m.Get(0, 0), 0u);
  EXPECT_NE(m.Get(0, 5), 0u);  // the long line crosses the device

  PixelBuffer none;
  platform::RasterDeviceContext empty(none);
  EXPECT_FALSE(empty.GetClipBox(box));
  empty.FillSolidRect(Rect{0, 0, 10, 10}, Color{1, 2, 3});
}

TEST(RasterDeviceContext, StretchPixelsByNearestNeighbour) {
  Memory src(2, 2, PixelLayout::kIndexed8);
  src.bytes[0] = 1;
  src.bytes[1] = 2;
  src.bytes[4] = 3;
  src.bytes[5] = 0;
  const platform::PixelPalette palette = TwoColours();
  Memory dst(5, 5, PixelLayout::kXrgb32, true);
  platform::RasterDeviceContext dc(dst.buffer);
  ASSERT_TRUE(dc.StretchPixels(Rect{1, 1, 5, 5}, Rect{0, 0, 2, 2}, src.buffer, &palette));
  auto at = [&](int x, int y) { return platform::UnpackPixel(dst.Get(x, y), PixelLayout::kXrgb32, nullptr); };
  EXPECT_EQ(at(1, 1), (Color{255, 0, 0}));
  EXPECT_EQ(at(2, 2), (Color{255, 0, 0}));
  EXPECT_EQ(at(3, 1), (Color{0, 0, 255}));
  EXPECT_EQ(at(4, 2), (Color{0, 0, 255}));
  EXPECT_EQ(at(1, 4), (Color{255, 255, 255}));
  EXPECT_EQ(at(4, 4), (Color{0, 0, 0}));
  EXPECT_EQ(dst.Get(0, 0), 0u);
  EXPECT_FALSE(dc.StretchPixels(Rect{0, 0, 0, 5}, Rect{0, 0, 2, 2}, src.buffer, &palette));
}

// ---------------------------------------------------------------------------
// Fonts and text

TEST(FontRasterizer, EngineFaceNamesMapToInstalledFamilies) {
  struct Case {
    const char* face;
    const char* family;
  };
  const Case cases[] = {{"Times", "Liberation Serif"},
                        {"Arial", "Liberation Sans"},
                        {"MS Sans Serif", "DejaVu Sans"},
                        {"Small Fonts", "DejaVu Sans"}};
  for (const Case& c : cases) {
    auto file = platform::MatchFontFile(c.face, false, false);
    ASSERT_TRUE(file.has_value()) << c.face;
    EXPECT_EQ(file->family, c.family) << c.face;
  }
  auto bold = platform::MatchFontFile("Arial", true, false);
  ASSERT_TRUE(bold.has_value());
  EXPECT_NE(bold->path.find("Bold"), std::string::npos);
  EXPECT_EQ(platform::Font::Create(platform::FontRequest{"Arial", 0}), nullptr);
}

// FreeType's own view of a face, loaded independently of the font class.
struct FreeTypeOracle {
  FT_Library lib = nullptr;
  FT_Face face = nullptr;
  FreeTypeOracle(const std::string& path, int index, int pixels) {
    EXPECT_EQ(FT_Init_FreeType(&lib), 0);
    EXPECT_EQ(FT_New_Face(lib, path.c_str(), index, &face), 0);
    FT_Set_Pixel_Sizes(face, 0, static_cast<FT_UInt>(pixels));
  }
  ~FreeTypeOracle() {
    if (face) FT_Done_Face(face);
    if (lib) FT_Done_FreeType(lib);
  }
  // Renders a character monochrome; fills the covered pixels, relative to
  // the pen position on the baseline, and returns the advance.
  int Render(uint32_t code, int penX, int baseline, std::vector<std::pair<int, int>>& on) {
    FT_Load_Char(face, code, FT_LOAD_RENDER | FT_LOAD_TARGET_MONO);
    const FT_Bitmap& bm = face->glyph->bitmap;
    for (unsigned r = 0; r < bm.rows; ++r)
      for (unsigned c = 0; c < bm.width; ++c)
        if ((bm.buffer[r * bm.pitch + (c >> 3)] >> (7 - (c & 7))) & 1)
          on.emplace_back(penX + face->glyph->bitmap_left + static_cast<int>(c),
                          baseline - face->glyph->bitmap_top + static_cast<int>(r));
    return static_cast<int>((face->glyph->advance.x + 32) >> 6);
  }
};

TEST(FontRasterizer, TextMatchesFreeTypeGlyphsAndMetrics) {
  auto font = platform::Font::Create(platform::FontRequest{"Arial", 20});
  ASSERT_NE(font, nullptr);
  FreeTypeOracle ft(font->GetFile().path, font->GetFile().index, 20);
  const TT_OS2* os2 = static_cast<const TT_OS2*>(FT_Get_Sfnt_Table(ft.face, FT_SFNT_OS2));
  ASSERT_NE(os2, nullptr);
  const int upem = ft.face->units_per_EM;
  const int ascent = (os2->usWinAscent * 20 + upem / 2) / upem;
  const int descent = (os2->usWinDescent * 20 + upem / 2) / upem;
  EXPECT_EQ(font->GetMetrics().ascent, ascent);
  EXPECT_EQ(font->GetMetrics().descent, descent);
  EXPECT_EQ(font->GetMetrics().internalLeading, ascent + descent - 20);

  for (PixelLayout layout : kAllLayouts) {
    for (bool bottomUp : {false, true}) {
      Memory m(80, 40, layout, bottomUp);
      const platform::PixelPalette palette = TwoColours();
      platform::RasterDeviceContext dc(m.buffer, &palette);
      dc.SelectFont(font);
      dc.SetTextAlign(platform::TextAlign::kBaseline);
      dc.SetBackgroundMode(platform::BackgroundMode::kTransparent);
      dc.SetTextColor(Color{255, 0, 0});
      const char text[] = "Hg\xE9";
      dc.TextOut(3, 25, text, 3);

      std::vector<std::pair<int, int>> on;
      int pen = 3;
      pen += ft.Render('H', pen, 25, on);
      pen += ft.Render('g', pen, 25, on);
      pen += ft.Render(0xE9, pen, 25, on);
      std::vector<std::string> expected(40, std::string(80, '.'));
      for (auto [x, y] : on) expected[static_cast<size_t>(y)][static_cast<size_t>(x)] = '#';
      const uint32_t redValue = platform::PackPixel(Color{255, 0, 0}, layout, &palette);
      EXPECT_EQ(m.Mask(redValue, Rect{0, 0, 80, 40}), expected) << static_cast<int>(layout);

      int32_t w = 0, h = 0;
      ASSERT_TRUE(dc.GetTextExtent(text, 3, w, h));
      EXPECT_EQ(w, pen - 3);
      EXPECT_EQ(h, ascent + descent);
    }
  }
}

TEST(FontRasterizer, OpaqueTextFillsTheCellAndTopAlignmentMovesTheBaseline) {
  auto font = platform::Font::Create(platform::FontRequest{"Times", 16});
  ASSERT_NE(font, nullptr);
  const int ascent = font->GetMetrics().ascent, descent = font->GetMetrics().descent;
  Memory m(60, 40, PixelLayout::kBgrx32);
  platform::RasterDeviceContext dc(m.buffer);
  dc.SelectFont(font);
  dc.SetBackgroundMode(platform::BackgroundMode::kOpaque);
  dc.SetBackgroundColor(Color{0, 0, 255});
  dc.SetTextColor(Color{255, 255, 255});
  dc.SetTextAlign(platform::TextAlign::kTop);
  dc.TextOut(5, 4, "ii", 2);
  const int width = font->GetTextWidth("ii", 2);
  const uint32_t blue = platform::PackPixel(Color{0, 0, 255}, PixelLayout::kBgrx32, nullptr);
  const uint32_t white = platform::PackPixel(Color{255, 255, 255}, PixelLayout::kBgrx32, nullptr);
  int cell = 0, text = 0, outside = 0;
  for (int y = 0; y < 40; ++y)
    for (int x = 0; x < 60; ++x) {
      const bool inCell = x >= 5 && x < 5 + width && y >= 4 && y < 4 + ascent + descent;
      const uint32_t v = m.Get(x, y);
      if (inCell) {
        cell += v == blue;
        text += v == white;
      } else {
        outside += v != 0;
      }
    }
  EXPECT_EQ(outside, 0);
  EXPECT_GT(text, 0);
  EXPECT_EQ(cell + text, width * (ascent + descent));
  // The dot of the i lies above the baseline (4 + ascent), the stem ends on it.
  EXPECT_EQ(m.Get(5 + font->GetGlyph('i').left + 1, 4 + ascent), blue);
}

}  // namespace
