// The PDF printer stand-in: a page drawn through it, rendered back to pixels by
// pdftoppm, shows what the software rasteriser draws for the same calls; the
// job calls behave as a print spooler's do.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <unistd.h>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "platform/DeviceContext.h"
#include "platform/PdfDeviceContext.h"
#include "support/RequireTool.h"

namespace {

using platform::Color;
using platform::Rect;

struct Image {
  int width = 0, height = 0;
  std::vector<uint8_t> rgb;
  Color At(int x, int y) const {
    const size_t i = (static_cast<size_t>(y) * width + x) * 3;
    return Color{rgb[i], rgb[i + 1], rgb[i + 2]};
  }
};

// Reads a binary PPM (P6, maxval 255) file.
bool ReadPpm(const std::string& path, Image& image) {
  std::ifstream in(path, std::ios::binary);
  std::string magic;
  int maxval = 0;
  in >> magic >> image.width >> image.height >> maxval;
  if (!in || magic != "P6" || maxval != 255) return false;
  in.get();
  image.rgb.resize(static_cast<size_t>(image.width) * image.height * 3);
  in.read(reinterpret_cast<char*>(image.rgb.data()), static_cast<std::streamsize>(image.rgb.size()));
  return static_cast<bool>(in);
}

// Renders the first page at 72 dots per inch (one pixel per point).
bool RenderFirstPage(const std::string& pdftoppm, const std::string& pdf, const std::string& stem, Image& image) {
  const std::string cmd = pdftoppm + " -r 72 -f 1 -l 1 -singlefile '" + pdf + "' '" + stem + "'";
  if (std::system(cmd.c_str()) != 0) return false;
  return ReadPpm(stem + ".ppm", image);
}

std::string TempPath(const std::string& name) {
  return (std::filesystem::temp_directory_path() / ("ostrevan-" + std::to_string(::getpid()) + "-" + name)).string();
}

// The same calls for both contexts.
void DrawScene(platform::DeviceContext& dc) {
  dc.FillSolidRect(Rect{10, 10, 110, 60}, Color{255, 0, 0});
  dc.SelectPen(platform::Pen{platform::PenStyle::kInsideFrame, 3, Color{0, 0, 255}});
  dc.SelectBrush(platform::Brush{true, {}});
  dc.DrawRectangle(Rect{120, 10, 200, 60});
  dc.SelectPen(platform::Pen{platform::PenStyle::kInsideFrame, 2, Color{0, 128, 0}});
  dc.SelectBrush(platform::Brush{false, Color{255, 255, 0}});
  dc.DrawEllipse(Rect{10, 70, 90, 130});
  dc.SelectPen(platform::Pen{platform::PenStyle::kInsideFrame, 4, Color{0, 0, 0}});
  dc.MoveTo({100, 80});
  dc.LineTo({190, 120});
  dc.InvertRect(Rect{20, 20, 40, 40});
  auto font = platform::Font::Create(platform::FontRequest{"Arial", 18});
  dc.SelectFont(font);
  dc.SetTextAlign(platform::TextAlign::kBaseline);
  dc.SetBackgroundMode(platform::BackgroundMode::kTransparent);
  dc.SetTextColor(Color{0, 0, 0});
  dc.TextOut(12, 160, "Ostrevan Haus", 13);
}

TEST(PdfDeviceContext, PrintedPageMatchesTheRasterisedScene) {
  REQUIRE_TOOL(pdftoppm, "pdftoppm");
  const std::string pdf = TempPath("scene.pdf");
  {
    platform::PdfDeviceContext printer(pdf, 72);
    ASSERT_GT(printer.StartDocument("scene"), 0);
    ASSERT_GT(printer.StartPage(), 0);
    DrawScene(printer);
    ASSERT_GT(printer.EndPage(), 0);
    ASSERT_GT(printer.EndDocument(), 0);
  }
  Image page;
  ASSERT_TRUE(RenderFirstPage(pdftoppm, pdf, TempPath("scene"), page));
  ASSERT_GE(page.width, 210);
  ASSERT_GE(page.height, 180);

  const int w = 210, h = 180;
  std::vector<uint8_t> pixels(static_cast<size_t>(w) * h * 4, 255);
  platform::PixelBuffer buffer{pixels.data(), w * 4, w, h, platform::PixelLayout::kBgrx32, false};
  platform::RasterDeviceContext screen(buffer);
  DrawScene(screen);

  if (std::getenv("OSTREVAN_KEEP_PRINT_TEST") != nullptr) {
    std::ofstream out(TempPath("screen.ppm"), std::ios::binary);
    out << "P6\n" << w << " " << h << "\n255\n";
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x) {
        const uint8_t* p = buffer.PixelAddress(x, y);
        out.put(static_cast<char>(p[2])).put(static_cast<char>(p[1])).put(static_cast<char>(p[0]));
      }
  }
  int differing = 0;
  double squared = 0.0;
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      const Color a = page.At(x, y);
      const Color b = platform::UnpackPixel(platform::LoadPixel(buffer.PixelAddress(x, y), buffer.layout, false),
                                            buffer.layout, nullptr);
      const int d = std::abs(a.red - b.red) + std::abs(a.green - b.green) + std::abs(a.blue - b.blue);
      differing += d > 48;
      squared += (a.red - b.red) * (a.red - b.red) + (a.green - b.green) * (a.green - b.green) +
                 (a.blue - b.blue) * (a.blue - b.blue);
    }
  // Edges are smoothed by the PDF renderer and glyph outlines are drawn
  // unhinted; everything else is the same.
  EXPECT_LT(differing, w * h / 20) << "pixels differing";
  const double mse = squared / (3.0 * w * h);
  const double psnr = mse > 0 ? 10.0 * std::log10(255.0 * 255.0 / mse) : 99.0;
  EXPECT_GT(psnr, 20.0);
  // Interiors are exact.
  EXPECT_EQ(page.At(60, 50), (Color{255, 0, 0}));
  EXPECT_EQ(page.At(30, 30), (Color{0, 255, 255}));
  EXPECT_EQ(page.At(160, 35), (Color{255, 255, 255}));
  EXPECT_EQ(page.At(121, 35), (Color{0, 0, 255}));
  EXPECT_EQ(page.At(50, 100), (Color{255, 255, 0}));
  if (std::getenv("OSTREVAN_KEEP_PRINT_TEST") == nullptr) {
    std::filesystem::remove(pdf);
    std::filesystem::remove(TempPath("scene") + ".ppm");
  }
}

TEST(PdfDeviceContext, JobCallsAndCapabilities) {
  const std::string pdf = TempPath("job.pdf");
  {
    platform::PdfDeviceContext printer(pdf);
    EXPECT_EQ(printer.GetDeviceCaps(platform::DeviceCap::kLogPixelsX), 300);
    EXPECT_EQ(printer.GetDeviceCaps(platform::DeviceCap::kLogPixelsY), 300);
    EXPECT_EQ(printer.GetDeviceCaps(platform::DeviceCap::kHorzRes), 2480);  // 8.27 inches
    EXPECT_EQ(printer.StartPage(), 0);  // no document yet
    ASSERT_GT(printer.StartDocument("job"), 0);
    EXPECT_EQ(printer.StartDocument("again"), 0);
    EXPECT_EQ(printer.EndPage(), 0);  // no page started
    ASSERT_GT(printer.StartPage(), 0);
    EXPECT_EQ(printer.StartPage(), 0);
    ASSERT_GT(printer.EndPage(), 0);
    ASSERT_GT(printer.StartPage(), 0);
    ASSERT_GT(printer.EndPage(), 0);
    EXPECT_EQ(printer.GetPagesEnded(), 2);
    ASSERT_GT(printer.EndDocument(), 0);
  }
  EXPECT_TRUE(std::filesystem::exists(pdf));
  // The page count as poppler reads it (without pdfinfo the test is marked
  // as needing it and goes on with the rest).
  if (const std::string pdfinfo = testsupport::RequireTool("pdfinfo"); !pdfinfo.empty()) {
    const std::string info = TempPath("pages.txt");
    ASSERT_EQ(std::system((pdfinfo + " '" + pdf + "' > '" + info + "'").c_str()), 0);
    std::ifstream in(info);
    std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    EXPECT_NE(text.find("Pages:           2"), std::string::npos) << text;
    std::filesystem::remove(info);
  }
  std::filesystem::remove(pdf);

  {
    platform::PdfDeviceContext aborted(pdf);
    ASSERT_GT(aborted.StartDocument("job"), 0);
    aborted.StartPage();
    aborted.AbortDocument();
  }
  EXPECT_FALSE(std::filesystem::exists(pdf));

  platform::PdfDeviceContext nowhere("/nonexistent-dir/x/y.pdf");
  EXPECT_LE(nowhere.StartDocument("job"), 0);
  nowhere.FillSolidRect(Rect{0, 0, 10, 10}, Color{});  // drawing without a document does nothing
}

}  // namespace
