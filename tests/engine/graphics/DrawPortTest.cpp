// Drawing ports, clip regions and system fonts: primitives and text on pixel
// maps of every depth (read back through the map's own pixel decoding), the
// fill and frame modes, the printer port's point scaling and its PDF pages
// against the screen rendering (pdftoppm), and the font registry.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <unistd.h>
#include <vector>

#include "engine/core/ServiceCheck.h"
#include "engine/graphics/GraphicsServices.h"
#include "engine/graphics/DrawPort.h"
#include "engine/graphics/PixelMap.h"
#include "engine/graphics/PrintPort.h"
#include "engine/graphics/VAlphaChannel.h"
#include "engine/graphics/VClipRegion.h"
#include "engine/graphics/VColorTable.h"
#include "engine/graphics/VFont.h"
#include "platform/DeviceContext.h"
#include "platform/FontRasterizer.h"
#include "platform/PdfDeviceContext.h"
#include "support/RequireTool.h"

namespace {

const VRGBColor kRed(255, 0, 0), kBlue(0, 0, 255), kWhite(255, 255, 255), kBlack(0, 0, 0);

// Deletes the fonts a test made.
struct FontScope {
  ~FontScope() { DeleteAllFonts(); }
};

struct MapCase {
  int32_t depth;
  int32_t format;
  int16_t kind;
};

// Every depth, both storage kinds a port draws into with a device context.
const MapCase kMaps[] = {
    {8, 11, PixelMap::kStorageMemory},       {8, 2, PixelMap::kStorageDib},
    {15, 0x8003, PixelMap::kStorageDib},     {15, 0x8003, PixelMap::kStorageMemory},
    {16, 0x8004, PixelMap::kStorageMemory},  {24, 6, PixelMap::kStorageDib},
    {24, 5, PixelMap::kStorageMemory},       {32, 8, PixelMap::kStorageDib},
    {32, 10, PixelMap::kStorageMemory},      {32, 7, PixelMap::kStorageMemory},
};

std::string Describe(const MapCase& c) {
  return "depth " + std::to_string(c.depth) + " format " + std::to_string(c.format) + " kind " +
         std::to_string(c.kind);
}

// '#' where the map's pixel decodes to the colour.
std::vector<std::string> Mask(PixelMap& map, const VRGBColor& color, const VRect& r) {
  std::vector<std::string> rows;
  for (int32_t y = r.top; y < r.bottom; ++y) {
    std::string s;
    for (int32_t x = r.left; x < r.right; ++x) {
      VRGBColor c;
      s += map.GetPixel(VPoint(x, y), c) && c == color ? '#' : '.';
    }
    rows.push_back(s);
  }
  return rows;
}

std::unique_ptr<PixelMap> MakeMap(const MapCase& c, int32_t w, int32_t h) {
  // Grey maps hold pure black and white exactly; pure red would be grey there,
  // so the indexed and grey cases draw in white on black.
  VColorTable* table = c.format == 2 ? new VColorTable(StandardPalette{4}) : nullptr;
  auto map = std::make_unique<PixelMap>(VRect(0, 0, w, h), c.depth, table, nullptr, nullptr, c.kind, c.format, 0);
  if (table != nullptr) table->Release();
  EXPECT_NE(map->GetPixels(), nullptr) << Describe(c);
  return map;
}

VRGBColor Ink(const MapCase& c) { return c.depth == 8 ? kWhite : kRed; }

TEST(DrawPort, PrimitivesLandOnTheRightPixelsAtEveryDepth) {
  for (const MapCase& c : kMaps) {
    auto map = MakeMap(c, 16, 12);
    map->Clear();
    const VRGBColor ink = Ink(c);
    {
      DrawPort port(map.get());
      ASSERT_NE(port.GetDC(), nullptr) << Describe(c);
      port.FillEllipse(VRect(0, 0, 8, 8), &ink, nullptr, 1, 0, 0);
      port.DrawLine(VPoint(9, 1), VPoint(14, 1), &ink, 1);
    }
    // The filled ellipse is outlined by the context's default pen (black), as
    // the current pen of a device context does.
    EXPECT_EQ(Mask(*map, ink, VRect(0, 0, 16, 9)),
              (std::vector<std::string>{"................", "..####...#####..", ".######.........",
                                        ".######.........", ".######.........", ".######.........",
                                        "..####..........", "................", "................"}))
        << Describe(c);
  }
}

TEST(DrawPort, FramesAndFillModes) {
  struct Case {
    const char* name;
    bool fill;
    bool frame;
    int32_t width;
    int16_t fillMode, frameMode;
    std::vector<std::string> ink;  // '#' = ink colour in the rectangle (1, 1, 7, 6) and around it
  };
  const std::vector<Case> cases = {
      {"fill and frame", true, true, 1, 0, 0, {"........", ".######.", ".#....#.", ".#....#.", ".#....#.", ".######.", "........"}},
      {"fill mode 3 draws only the frame", true, true, 2, 3, 0,
       {"........", ".######.", ".######.", ".##..##.", ".######.", ".######.", "........"}},
      {"frame mode 5 draws no frame", true, true, 1, 0, 5,
       {"........", "........", "........", "........", "........", "........", "........"}},
      {"frame width 0 draws one pixel", false, true, 0, 0, 0,
       {"........", ".######.", ".#....#.", ".#....#.", ".#....#.", ".######.", "........"}},
      {"negative frame width draws one pixel", false, true, -4, 3, 0,
       {"........", ".######.", ".#....#.", ".#....#.", ".#....#.", ".######.", "........"}},
  };
  for (const MapCase& m : kMaps) {
    if (m.kind != PixelMap::kStorageDib) continue;
    for (const Case& c : cases) {
      auto map = MakeMap(m, 8, 7);
      map->Clear();
      const VRGBColor ink = Ink(m);
      const VRGBColor fill = m.depth == 8 ? kBlack : kBlue;
      {
        DrawPort port(map.get());
        port.FillRect(VRect(1, 1, 7, 6), c.fill ? &fill : nullptr, c.frame ? &ink : nullptr, c.width, c.fillMode,
                      c.frameMode);
      }
      EXPECT_EQ(Mask(*map, ink, VRect(0, 0, 8, 7)), c.ink) << c.name << " " << Describe(m);
      if (c.fill && c.fillMode == 0 && m.depth != 8) {
        VRGBColor inside;
        ASSERT_TRUE(map->GetPixel(VPoint(3, 3), inside));
        EXPECT_EQ(inside, kBlue) << c.name;
      }
    }
  }
}

TEST(DrawPort, InvertModeAndPlainMemoryFills) {
  // Fill mode 5 inverts a DIB map's pixels.
  auto dib = MakeMap(MapCase{24, 6, PixelMap::kStorageDib}, 4, 4);
  dib->Clear();
  {
    DrawPort port(dib.get());
    port.FillRect(VRect(1, 1, 3, 3), nullptr, nullptr, 1, 5, 3);
  }
  VRGBColor c;
  ASSERT_TRUE(dib->GetPixel(VPoint(1, 1), c));
  EXPECT_EQ(c, kWhite);
  ASSERT_TRUE(dib->GetPixel(VPoint(0, 0), c));
  EXPECT_EQ(c, kBlack);

  // A plain-memory map fills itself whatever the fill mode, and draws no frame.
  for (int16_t mode : {int16_t{0}, int16_t{3}, int16_t{5}}) {
    auto mem = MakeMap(MapCase{16, 0x8004, PixelMap::kStorageMemory}, 6, 6);
    mem->Clear();
    {
      DrawPort port(mem.get());
      port.FillRect(VRect(1, 1, 5, 5), &kRed, &kBlue, 1, mode, 0);
    }
    EXPECT_EQ(Mask(*mem, kRed, VRect(0, 0, 6, 6)),
              (std::vector<std::string>{"......", ".####.", ".####.", ".####.", ".####.", "......"}))
        << "mode " << mode;
  }
}

// Text drawn through the port lands where FreeType's own glyphs say.
TEST(DrawPort, SystemFontTextMatchesTheRasterisedFace) {
  FontScope fonts;
  VFont* font = FindOrCreateFont("Arial", 18, 0, nullptr, true);
  ASSERT_NE(font, nullptr);
  ASSERT_NE(font->GetPlatformFont(), nullptr);
  auto reference = platform::Font::Create(platform::FontRequest{"Arial", 18});
  ASSERT_NE(reference, nullptr);
  for (const MapCase& c : kMaps) {
    auto map = MakeMap(c, 60, 30);
    map->Clear();
    const VRGBColor ink = Ink(c);
    int32_t width = 0;
    {
      DrawPort port(map.get());
      port.DrawString("Ha\xE9", 4, 20, font, &ink, true, nullptr);
      width = port.GetStringWidth("Ha\xE9", font);
      EXPECT_EQ(port.GetFontAscent(font),
                reference->GetMetrics().ascent - reference->GetMetrics().internalLeading);
      EXPECT_EQ(port.GetFontDescent(font), reference->GetMetrics().descent);
    }
    EXPECT_EQ(width, reference->GetTextWidth("Ha\xE9", 3));
    // The same glyphs drawn straight onto a raw buffer.
    std::vector<uint8_t> raw(60 * 30, 0);
    platform::PixelBuffer buffer{raw.data(), 60, 60, 30, platform::PixelLayout::kGrey8, false};
    platform::RasterDeviceContext dc(buffer);
    dc.SelectFont(reference);
    dc.SetTextAlign(platform::TextAlign::kBaseline);
    dc.SetBackgroundMode(platform::BackgroundMode::kTransparent);
    dc.SetTextColor(platform::Color{255, 255, 255});
    dc.TextOut(4, 20, "Ha\xE9", 3);
    std::vector<std::string> expected;
    for (int y = 0; y < 30; ++y) {
      std::string s;
      for (int x = 0; x < 60; ++x) s += raw[static_cast<size_t>(y) * 60 + x] ? '#' : '.';
      expected.push_back(s);
    }
    EXPECT_EQ(Mask(*map, ink, VRect(0, 0, 60, 30)), expected) << Describe(c);
  }
}

TEST(DrawPort, TextIsClippedAndTheClipRestored) {
  FontScope fonts;
  VFont* font = FindOrCreateFont("Times", 20, 0, nullptr, true);
  auto map = MakeMap(MapCase{32, 8, PixelMap::kStorageDib}, 60, 30);
  map->Clear();
  DrawPort port(map.get());
  const VRect clip(10, 0, 20, 30);
  port.DrawText("MMMM", 4, 0, 22, font, &kWhite, false, &clip);
  for (int y = 0; y < 30; ++y)
    for (int x = 0; x < 60; ++x) {
      VRGBColor c;
      map->GetPixel(VPoint(x, y), c);
      if (x < 10 || x >= 20) {
        EXPECT_EQ(c, kBlack) << x << "," << y;
      }
    }
  platform::Rect box;
  ASSERT_TRUE(port.GetDC()->GetClipBox(box));
  EXPECT_EQ(box, (platform::Rect{0, 0, 60, 30}));
}

// A picture font stand-in that records how the port hands it the drawing.
class RecordingPictureFont : public VFont {
 public:
  RecordingPictureFont() : VFont("Picture", 10, 0) {
    measured_ = 1;
    for (auto& w : charWidths_) w = 7;
  }
  bool IsSystemFont() const override { return false; }
  void DrawText(DrawPort*, int32_t x, int32_t y, const char*, int32_t count, const VRect*) override {
    calls.push_back({x, y, count});
  }
  void SetColor(const VRGBColor& c) override { color = c; }
  struct Call {
    int32_t x, y, count;
  };
  std::vector<Call> calls;
  VRGBColor color;
};

TEST(DrawPort, PictureFontsDrawThemselvesEvenWithoutADeviceContext) {
  FontScope fonts;
  auto* picture = new RecordingPictureFont();
  DrawPort port(static_cast<platform::DeviceContext*>(nullptr));
  port.SetCurrentPictureFont(picture);
  port.SetSystemFontCurrent(false);
  port.DrawText("abc", 3, 5, 9, nullptr, &kRed, true, nullptr);
  ASSERT_EQ(picture->calls.size(), 1u);
  EXPECT_EQ(picture->calls[0].x, 5);
  EXPECT_EQ(picture->calls[0].y, 9);
  EXPECT_EQ(picture->color, kRed);
  EXPECT_EQ(port.GetTextWidth("abc", 3, nullptr), 21);
  // Without a device context system-font work does nothing.
  VFont* system = FindOrCreateFont("Arial", 12, 0, nullptr, true);
  EXPECT_EQ(port.GetTextWidth("abc", 3, system), 0);
  EXPECT_EQ(port.GetFontAscent(system), 0);
  EXPECT_EQ(port.DrawSmoothText("abc", 3, system, 1), nullptr);
}

TEST(DrawPort, SmoothTextCoverage) {
  struct Case {
    int32_t covered, shift, coverage;
  };
  const Case cases[] = {{8, 2, 36}, {16, 2, 63}, {0, 2, 0}, {1, 0, 63}, {1, 1, 20},
                        {3, 1, 52}, {64, 3, 63}, {60, 3, 59}, {1, 3, 0}};
  for (const Case& c : cases) {
    EXPECT_EQ(SmoothTextCoverage(c.covered, c.shift), c.coverage) << c.covered << "/" << c.shift;
  }

  FontScope fonts;
  VFont* font = FindOrCreateFont("Arial", 16, 0, nullptr, true);
  auto map = MakeMap(MapCase{32, 8, PixelMap::kStorageDib}, 8, 8);
  DrawPort port(map.get());
  EXPECT_EQ(port.DrawSmoothText("Ag", 2, font, 4), nullptr);
  EXPECT_EQ(port.DrawSmoothText("Ag", 2, font, -1), nullptr);
  VAlphaChannel* channel = port.DrawSmoothText("Ag", 2, font, 2);
  ASSERT_NE(channel, nullptr);
  EXPECT_EQ(channel->GetWidth(), port.GetTextWidth("Ag", 2, font));
  EXPECT_EQ(channel->GetHeight(), 16);
  int full = 0, partial = 0;
  for (int y = 0; y < channel->GetHeight(); ++y)
    for (int x = 0; x < channel->GetWidth(); ++x) {
      const int v = channel->GetValueAt(x, y);
      EXPECT_TRUE(v == 0 || (v >= 6 && v <= 63)) << v;
      full += v == 63;
      partial += v > 0 && v < 63;
    }
  EXPECT_GT(full, 0);
  EXPECT_GT(partial, 0);
  channel->Release();
}

TEST(DrawPort, DrawRectsNest) {
  DrawPort port(static_cast<platform::DeviceContext*>(nullptr));
  VRect previous;
  EXPECT_FALSE(port.PushDrawRect(VRect(0, 0, 10, 10), previous));
  EXPECT_TRUE(port.PushDrawRect(VRect(1, 1, 5, 5), previous));
  EXPECT_EQ(previous, VRect(0, 0, 10, 10));
  port.PopDrawRect(previous);
  EXPECT_EQ(port.GetDrawRect(), VRect(0, 0, 10, 10));
}

TEST(VClipRegion, ClipsForItsScopeAndRestores) {
  auto map = MakeMap(MapCase{32, 8, PixelMap::kStorageDib}, 50, 50);
  map->Clear();
  DrawPort port(map.get());
  {
    VClipRegion region(&port, VRect(10, 20, 30, 40));
    port.GetDC()->FillSolidRect(platform::Rect{0, 0, 50, 50}, platform::Color{255, 0, 0});
  }
  std::vector<std::string> mask = Mask(*map, kRed, VRect(0, 0, 50, 50));
  for (int y = 0; y < 50; ++y)
    for (int x = 0; x < 50; ++x)
      EXPECT_EQ(mask[y][x] == '#', x >= 10 && x < 30 && y >= 20 && y < 40) << x << "," << y;
  platform::Rect box;
  ASSERT_TRUE(port.GetDC()->GetClipBox(box));
  EXPECT_EQ(box, (platform::Rect{0, 0, 50, 50}));

  DrawPort none(static_cast<platform::DeviceContext*>(nullptr));
  VClipRegion nothing(&none, VRect(1, 2, 3, 4));
  EXPECT_EQ(nothing.GetSavedClipBox(), VRect());
}

std::string TempPath(const std::string& name) {
  return (std::filesystem::temp_directory_path() / ("ostrevan-port-" + std::to_string(::getpid()) + "-" + name))
      .string();
}

TEST(PrintPort, ScalesPointsToPrinterDotsAndClipsInPoints) {
  const std::string pdf = TempPath("scale.pdf");
  {
    PrintPort port(std::make_unique<platform::PdfDeviceContext>(pdf, 300));
    EXPECT_TRUE(port.IsPrinting());
    EXPECT_FALSE(port.HasStartFailed());
    EXPECT_EQ(port.GetResolutionX(), 300);
    {
      VClipRegion region(&port, VRect(36, 0, 72, 72));
      platform::Rect box;
      ASSERT_TRUE(port.GetDC()->GetClipBox(box));
      EXPECT_EQ(box.left, 150);
      EXPECT_EQ(box.right, 300);
    }
    ASSERT_TRUE(port.NewPage());
    port.FillRect(VRect(0, 0, 72, 72), &kRed, nullptr, 1, 0, 0);
  }
  REQUIRE_TOOL(pdftoppm, "pdftoppm");
  const std::string stem = TempPath("scale");
  const std::string render = pdftoppm + " -r 300 -x 0 -y 0 -W 320 -H 320 -singlefile '" + pdf + "' '" + stem + "'";
  ASSERT_EQ(std::system(render.c_str()), 0);
  std::ifstream in(stem + ".ppm", std::ios::binary);
  std::string magic;
  int w = 0, h = 0, maxval = 0;
  in >> magic >> w >> h >> maxval;
  in.get();
  std::vector<uint8_t> rgb(static_cast<size_t>(w) * h * 3);
  in.read(reinterpret_cast<char*>(rgb.data()), static_cast<std::streamsize>(rgb.size()));
  ASSERT_EQ(w, 320);
  auto px = [&](int x, int y) { return std::vector<int>{rgb[(y * w + x) * 3], rgb[(y * w + x) * 3 + 1], rgb[(y * w + x) * 3 + 2]}; };
  EXPECT_EQ(px(10, 10), (std::vector<int>{255, 0, 0}));
  EXPECT_EQ(px(298, 298), (std::vector<int>{255, 0, 0}));
  EXPECT_EQ(px(302, 302), (std::vector<int>{255, 255, 255}));
  EXPECT_EQ(px(310, 100), (std::vector<int>{255, 255, 255}));
  std::filesystem::remove(pdf);
  std::filesystem::remove(stem + ".ppm");
}

TEST(PrintPort, JobWithoutPagesEndsTheDocument) {
  const std::string pdf = TempPath("nopage.pdf");
  {
    PrintPort port(std::make_unique<platform::PdfDeviceContext>(pdf, 300));
    EXPECT_EQ(port.GetPagesStarted(), 0);
  }
  EXPECT_TRUE(std::filesystem::exists(pdf));
  std::filesystem::remove(pdf);
  {
    PrintPort failed(std::make_unique<platform::PdfDeviceContext>("/nonexistent-dir/out.pdf", 300));
    EXPECT_TRUE(failed.HasStartFailed());
    failed.FillRect(VRect(0, 0, 10, 10), &kRed, nullptr, 1, 0, 0);  // usable, draws nowhere
  }
  PrintPort::SetPrinterSettings(TempPath("default.pdf"), 150);
  PrintPort* port = PrintPort::OpenDefault();
  ASSERT_NE(port, nullptr);
  EXPECT_EQ(port->GetResolutionY(), 150);
  EXPECT_TRUE(port->NewPage());
  EXPECT_TRUE(port->NewPage());
  EXPECT_EQ(port->GetPagesStarted(), 2);
  delete port;
  EXPECT_TRUE(std::filesystem::exists(TempPath("default.pdf")));
  std::filesystem::remove(TempPath("default.pdf"));
  PrintPort::SetPrinterSettings("", 300);
}

// The same drawing on the screen (a 32-bit map, one pixel per point) and on
// paper (288 dots per inch, four dots per point), rendered back at 72 dots
// per inch. Pen widths are device pixels on both (a printed frame is a
// hairline), so the scene keeps them at 1.
void DrawScene(DrawPort& port, VFont* font) {
  port.FillRect(VRect(8, 8, 100, 50), &kRed, &kBlack, 1, 0, 0);
  const VRGBColor green(0, 160, 0), yellow(255, 255, 0);
  port.FillEllipse(VRect(110, 8, 190, 60), &yellow, &green, 1, 0, 0);
  port.FillRect(VRect(120, 70, 190, 100), &kBlue, nullptr, 1, 0, 0);
  port.DrawLine(VPoint(10, 70), VPoint(100, 90), &kBlue, 1);
  port.DrawText("Ostrevan Haus", 13, 12, 120, font, &kBlack, true, nullptr);
}

TEST(PrintPort, PrintedPageMatchesTheScreenRendering) {
  REQUIRE_TOOL(pdftoppm, "pdftoppm");
  FontScope fonts;
  VFont* font = FindOrCreateFont("Arial", 16, 0, nullptr, true);
  const std::string pdf = TempPath("scene.pdf");
  {
    PrintPort port(std::make_unique<platform::PdfDeviceContext>(pdf, 288));
    ASSERT_TRUE(port.NewPage());
    DrawScene(port, font);
  }
  const int w = 200, h = 140;
  auto map = MakeMap(MapCase{32, 8, PixelMap::kStorageDib}, w, h);
  {
    DrawPort screen(map.get());
    screen.FillRect(VRect(0, 0, w, h), &kWhite, nullptr, 1, 0, 0);
    DrawScene(screen, font);
  }
  const std::string stem = TempPath("scene");
  const std::string render = pdftoppm + " -r 72 -x 0 -y 0 -W 200 -H 140 -singlefile '" + pdf + "' '" + stem + "'";
  ASSERT_EQ(std::system(render.c_str()), 0);
  std::ifstream in(stem + ".ppm", std::ios::binary);
  std::string magic;
  int pw = 0, ph = 0, maxval = 0;
  in >> magic >> pw >> ph >> maxval;
  in.get();
  ASSERT_EQ(pw, w);
  ASSERT_EQ(ph, h);
  std::vector<uint8_t> rgb(static_cast<size_t>(w) * h * 3);
  in.read(reinterpret_cast<char*>(rgb.data()), static_cast<std::streamsize>(rgb.size()));
  double squared = 0;
  int differing = 0;
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      VRGBColor s;
      ASSERT_TRUE(map->GetPixel(VPoint(x, y), s));
      const uint8_t* p = &rgb[(static_cast<size_t>(y) * w + x) * 3];
      const int dr = p[0] - s.red, dg = p[1] - s.green, db = p[2] - s.blue;
      squared += dr * dr + dg * dg + db * db;
      differing += std::abs(dr) + std::abs(dg) + std::abs(db) > 48;
    }
  if (std::getenv("OSTREVAN_KEEP_PRINT_TEST") != nullptr) {
    std::ofstream out(TempPath("screen.ppm"), std::ios::binary);
    out << "P6\n" << w << " " << h << "\n255\n";
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x) {
        VRGBColor s;
        map->GetPixel(VPoint(x, y), s);
        out.put(static_cast<char>(s.red)).put(static_cast<char>(s.green)).put(static_cast<char>(s.blue));
      }
    return;
  }
  // Shapes agree up to their smoothed edges; glyphs are hinted for 16 pixels
  // on screen and for 64 dots on paper, so the text drifts by a pixel or two.
  const double mse = squared / (3.0 * w * h);
  const double psnr = mse > 0 ? 10 * std::log10(255.0 * 255.0 / mse) : 99.0;
  EXPECT_GT(psnr, 16.0);
  EXPECT_LT(differing, w * h / 12);
  auto paper = [&](int x, int y) {
    const uint8_t* p = &rgb[(static_cast<size_t>(y) * w + x) * 3];
    return VRGBColor(p[0], p[1], p[2]);
  };
  EXPECT_EQ(paper(50, 30), kRed);
  EXPECT_EQ(paper(150, 34), VRGBColor(255, 255, 0));
  EXPECT_EQ(paper(150, 85), kBlue);
  EXPECT_EQ(paper(5, 5), kWhite);
  // The text covers the same columns within a few pixels.
  auto inkColumns = [&](bool onPaper, int& first, int& last) {
    first = w;
    last = -1;
    for (int y = 104; y < 126; ++y)
      for (int x = 0; x < w; ++x) {
        VRGBColor c;
        if (onPaper) {
          c = paper(x, y);
        } else {
          map->GetPixel(VPoint(x, y), c);
        }
        if (c.red < 128) {
          first = std::min(first, x);
          last = std::max(last, x);
        }
      }
  };
  int screenFirst, screenLast, paperFirst, paperLast;
  inkColumns(false, screenFirst, screenLast);
  inkColumns(true, paperFirst, paperLast);
  EXPECT_NEAR(paperFirst, screenFirst, 2);
  EXPECT_NEAR(paperLast, screenLast, 6);
  std::filesystem::remove(pdf);
  std::filesystem::remove(stem + ".ppm");
}

TEST(VFont, RegistryMeasuringAndPrinterCopies) {
  FontScope fonts;
  EXPECT_EQ(FindOrCreateFont(nullptr, 12, 0, nullptr, true), nullptr);
  VFont* a = FindOrCreateFont("Arial", 12, 0, nullptr, true);
  VFont* b = FindOrCreateFont("Arial", 12, 0, nullptr, true);
  VFont* bold = FindOrCreateFont("Arial", 12, kFontStyleBold, nullptr, true);
  EXPECT_EQ(a, b);
  EXPECT_NE(a, bold);
  {
    // Picture fonts come from the installed picture fonts alone.
    ScopedMissingServicesAllowed allowed;
    PictureFontFactory installed = SetPictureFontFactory(nullptr);
    EXPECT_EQ(FindOrCreateFont("Arial", 12, 0, nullptr, false), nullptr);
    SetPictureFontFactory(std::move(installed));
  }
  EXPECT_FALSE(a->IsMeasured());

  auto map = MakeMap(MapCase{8, 2, PixelMap::kStorageDib}, 4, 4);
  DrawPort port(map.get());
  const uint8_t* widths = a->GetCharWidths(&port);
  auto reference = platform::Font::Create(platform::FontRequest{"Arial", 12});
  EXPECT_TRUE(a->IsMeasured());
  EXPECT_EQ(widths['W'], reference->GetGlyph('W').advance);
  EXPECT_EQ(a->GetTextWidth("Wi", 2), reference->GetTextWidth("Wi", 2));
  EXPECT_EQ(a->GetTextWidth("Wi\0x", 4), reference->GetTextWidth("Wi", 2));
  EXPECT_EQ(a->GetAscent(&port), reference->GetMetrics().ascent - reference->GetMetrics().internalLeading);
  EXPECT_EQ(a->GetDescent(&port), reference->GetMetrics().descent);

  VFont* printer = a->GetPrinterFont(300);
  ASSERT_NE(printer, nullptr);
  EXPECT_EQ(printer->GetSize(), 50);  // 12 x 300 / 72
  EXPECT_EQ(a->GetPrinterFont(300), printer);
  VFont copy(*a, kFontStyleItalic);
  EXPECT_EQ(copy.GetStyle(), kFontStyleItalic);
  EXPECT_EQ(copy.GetSize(), 12);
  VFont larger(*a, 30);
  EXPECT_EQ(larger.GetSize(), 30);
  // A printer copy deleted first leaves its owner consistent.
  delete printer;
  VFont* again = a->GetPrinterFont(150);
  ASSERT_NE(again, nullptr);
  EXPECT_EQ(again->GetSize(), 25);
}

}  // namespace
