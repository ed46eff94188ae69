// YCbCr pictures into 15-, 16-, 24- and 32-bit pixels: the colour formula's
// ends, every byte order, bottom-up buffers, clipping to the picture, the same
// bytes at every instruction-set level, and ffmpeg's own conversion as an
// oracle.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <random>
#include <tuple>
#include <vector>

#include "engine/graphics/PixelMap.h"
#include "engine/mpeg/MpegTestSupport.h"
#include "engine/graphics/VColorTable.h"
#include "engine/graphics/VYCbCrColorTable.h"
#include "engine/mpeg/VMPVPicture.h"
#include "engine/mpeg/VYCbCrPicture.h"
#include "engine/mpeg/VideoKernels.h"

namespace {

PixelBuffer Buffer(std::vector<uint8_t>& storage, int width, int height, int depth, int format, bool bottomUp = false) {
  PixelBuffer b;
  b.width = width;
  b.height = height;
  b.depth = depth;
  b.rowBytes = ((width * BytesPerPixel(depth)) + 3) & ~3;
  storage.assign(static_cast<size_t>(b.rowBytes) * height, 0xEE);
  b.pixels = storage.data();
  b.pixelFormat = static_cast<uint16_t>(format);
  b.bottomUp = bottomUp;
  return b;
}

void Fill(VYCbCrPicture& p, uint8_t y, uint8_t cb, uint8_t cr) {
  std::fill_n(p.Y(), p.GetLumaWidth() * p.GetLumaHeight(), y);
  std::fill_n(p.Cb(), p.GetChromaWidth() * p.GetChromaHeight(), cb);
  std::fill_n(p.Cr(), p.GetChromaWidth() * p.GetChromaHeight(), cr);
}

TEST(ColorConversionTest, LumaEndsMapToBlackAndWhiteInEveryByteOrder) {
  struct Case {
    int depth, format;
    std::vector<int> black, nearWhite, white;  // bytes of one pixel for Y 16, 235, 236
  };
  const Case cases[] = {
      {24, kFormatRGB24, {0, 0, 0}, {254, 254, 254}, {255, 255, 255}},
      {24, kFormatBGR24, {0, 0, 0}, {254, 254, 254}, {255, 255, 255}},
      {32, kFormatRGBX32, {0, 0, 0, 0}, {254, 254, 254, 0}, {255, 255, 255, 0}},
      {32, kFormatBGRX32, {0, 0, 0, 0}, {254, 254, 254, 0}, {255, 255, 255, 0}},
      {32, kFormatXRGB32, {0, 0, 0, 0}, {0, 254, 254, 254}, {0, 255, 255, 255}},
      {32, kFormatXBGR32, {0, 0, 0, 0}, {0, 254, 254, 254}, {0, 255, 255, 255}},
      {16, kFormat565LE, {0, 0}, {0xFF, 0xFF}, {0xFF, 0xFF}},
      {16, kFormat565, {0, 0}, {0xFF, 0xFF}, {0xFF, 0xFF}},
      {15, kFormat555LE, {0, 0}, {0xFF, 0x7F}, {0xFF, 0x7F}},
  };
  VYCbCrPicture picture(1, 1, 1, nullptr);
  for (const Case& c : cases) {
    for (int k = 0; k < 3; ++k) {
      const uint8_t y = k == 0 ? 16 : (k == 1 ? 235 : 236);
      Fill(picture, y, 128, 128);
      std::vector<uint8_t> storage;
      const PixelBuffer b = Buffer(storage, 16, 16, c.depth, c.format);
      ASSERT_TRUE(picture.ConvertToPixels(b, 0, 0, 16, 16));
      const std::vector<int>& want = k == 0 ? c.black : (k == 1 ? c.nearWhite : c.white);
      if (c.depth >= 24) {
        for (size_t i = 0; i < want.size(); ++i)
          EXPECT_EQ(storage[i + want.size() * 2], want[i])
              << "depth " << c.depth << " format " << c.format << " Y " << int(y) << " byte " << i;
        continue;
      }
      // 15/16 bits go through the 64K table, whose cells are sampled at
      // their centres: each channel lies within one step of the end. Pixel
      // (2, 0) is where the chroma dither is 0.
      const bool little = HasLittleEndianWords(c.format);
      const int word = little ? storage[4] | (storage[5] << 8) : (storage[4] << 8) | storage[5];
      const int wantWord = little ? want[0] | (want[1] << 8) : (want[0] << 8) | want[1];
      const bool is15 = c.depth == 15;
      for (int channel = 0; channel < 3; ++channel) {
        const int shift = channel == 0 ? (is15 ? 10 : 11) : (channel == 1 ? 5 : 0);
        const int mask = (channel == 1 && !is15) ? 63 : 31;
        EXPECT_LE(std::abs(((word >> shift) & mask) - ((wantWord >> shift) & mask)), 1)
            << "depth " << c.depth << " format " << c.format << " Y " << int(y) << " channel " << channel;
      }
    }
  }
}

TEST(ColorConversionTest, PrimaryColoursKeepTheirChannelsInEachLayout) {
  VYCbCrPicture picture(1, 1, 1, nullptr);
  Fill(picture, 81, 90, 240);  // red in BT.601
  struct Case {
    int depth, format;
    size_t redByte;
  };
  for (const Case& c : {Case{24, kFormatRGB24, 0}, Case{24, kFormatBGR24, 2}, Case{32, kFormatRGBX32, 0},
                        Case{32, kFormatBGRX32, 2}, Case{32, kFormatXRGB32, 1}, Case{32, kFormatXBGR32, 3}}) {
    std::vector<uint8_t> storage;
    const PixelBuffer b = Buffer(storage, 16, 16, c.depth, c.format);
    ASSERT_TRUE(picture.ConvertToPixels(b, 0, 0, 16, 16));
    const int bytes = BytesPerPixel(c.depth);
    for (int i = 0; i < bytes; ++i) {
      if (static_cast<size_t>(i) == c.redByte)
        EXPECT_GE(storage[static_cast<size_t>(i)], 250) << c.format;
      else
        EXPECT_LE(storage[static_cast<size_t>(i)], 3) << c.format << " byte " << i;
    }
  }
}

TEST(ColorConversionTest, BottomUpBuffersTakeTheFirstLineLast) {
  VYCbCrPicture picture(1, 1, 1, nullptr);
  Fill(picture, 16, 128, 128);
  std::fill_n(picture.Y(), 16, uint8_t{235});  // first line white
  std::vector<uint8_t> storage;
  const PixelBuffer b = Buffer(storage, 16, 16, 32, kFormatBGRX32, true);
  ASSERT_TRUE(picture.ConvertToPixels(b, 0, 0, 16, 16));
  EXPECT_EQ(storage[static_cast<size_t>(b.rowBytes) * 15], 254);
  EXPECT_EQ(storage[0], 0);
}

// A rectangle larger than the picture or reaching past the buffer is cut to
// both: nothing is written outside, nothing read past the planes.
TEST(ColorConversionTest, TheAreaIsCutToThePictureAndTheBuffer) {
  VYCbCrPicture picture(1, 1, 1, nullptr);
  Fill(picture, 235, 128, 128);
  std::vector<uint8_t> storage;
  const PixelBuffer b = Buffer(storage, 40, 30, 32, kFormatBGRX32);
  ASSERT_TRUE(picture.ConvertToPixels(b, 30, 20, 500, 500));
  for (int y = 0; y < 30; ++y)
    for (int x = 0; x < 40; ++x) {
      const bool inside = x >= 30 && y >= 20 && x < 46 && y < 36;
      EXPECT_EQ(storage[static_cast<size_t>(y * b.rowBytes + x * 4)], inside ? 254 : 0xEE) << x << "," << y;
    }
  EXPECT_FALSE(picture.ConvertToPixels(b, -1, 0, 10, 10));
}

// The vector forms (which compute the tables' values themselves) give the
// same buffer as the table look-ups of the plain form: every 15-, 16- and
// 32-bit layout, top-down and bottom-up, whole pictures and areas of widths
// that leave partial vector blocks, in frames and in fields.
TEST(ColorConversionTest, EveryInstructionSetLevelGivesTheSameBytes) {
  VYCbCrPicture picture(5, 3, 1, nullptr);
  std::mt19937 rng(2024);
  const auto fill = [&](uint8_t* p, int count) {
    for (int i = 0; i < count; ++i)
      p[i] = rng() % 4 == 0 ? static_cast<uint8_t>((rng() & 1) ? 255 - rng() % 6 : rng() % 6)
                            : static_cast<uint8_t>(rng());
  };
  fill(picture.Y(), picture.GetLumaWidth() * picture.GetLumaHeight());
  fill(picture.Cb(), picture.GetChromaWidth() * picture.GetChromaHeight());
  fill(picture.Cr(), picture.GetChromaWidth() * picture.GetChromaHeight());
  struct Layout {
    int depth, format;
  };
  const Layout layouts[] = {{16, kFormat565LE}, {16, kFormat565}, {15, kFormat555LE}, {15, kFormat555},
                            {32, kFormatBGRX32}, {32, kFormatRGBX32}, {32, kFormatXRGB32}, {32, kFormatXBGR32}};
  struct Area {
    int left, top, width, height;
  };
  const Area areas[] = {{0, 0, 80, 48}, {3, 1, 61, 37}, {0, 2, 47, 1}, {5, 0, 16, 2}};
  const int32_t saved = GetVideoSimdLevel();
  const int32_t best = SetVideoSimdLevel(kVideoSimdAvx512);
  for (const Layout& l : layouts)
    for (const bool bottomUp : {false, true})
      for (const Area& a : areas)
        for (const int parity : {-1, 0, 1}) {
          std::vector<uint8_t> want, got;
          SetVideoSimdLevel(kVideoSimdScalar);
          const PixelBuffer w = Buffer(want, 90, 50, l.depth, l.format, bottomUp);
          ASSERT_TRUE(parity < 0 ? picture.ConvertToPixels(w, a.left, a.top, a.width, a.height)
                                 : picture.ConvertFieldToPixels(w, a.left, a.top, a.width, a.height, parity));
          for (int32_t level = kVideoSimdSse2; level <= best; ++level) {
            SetVideoSimdLevel(level);
            const PixelBuffer g = Buffer(got, 90, 50, l.depth, l.format, bottomUp);
            ASSERT_TRUE(parity < 0 ? picture.ConvertToPixels(g, a.left, a.top, a.width, a.height)
                                   : picture.ConvertFieldToPixels(g, a.left, a.top, a.width, a.height, parity));
            ASSERT_EQ(got, want) << "format " << l.format << " bottom-up " << bottomUp << " area " << a.left << ","
                                 << a.top << " " << a.width << "x" << a.height << " parity " << parity << " level "
                                 << level;
          }
        }
  SetVideoSimdLevel(saved);
}

TEST(ColorConversionTest, UnsupportedDepthsAndChromaFormatsLeaveTheBuffer) {
  VYCbCrPicture full(1, 1, 3, nullptr);
  std::vector<uint8_t> storage;
  EXPECT_FALSE(full.ConvertToPixels(Buffer(storage, 16, 16, 32, kFormatBGRX32), 0, 0, 16, 16));
  EXPECT_TRUE(std::all_of(storage.begin(), storage.end(), [](uint8_t v) { return v == 0xEE; }));
  VYCbCrPicture picture(1, 1, 1, nullptr);
  EXPECT_FALSE(picture.ConvertToPixels(Buffer(storage, 16, 16, 4, kFormatNone), 0, 0, 16, 16));
}

// The same planes through ffmpeg's converter: the table path differs from it
// only by rounding (and, at 16 bits, by the chroma dither and the table
// cells): measured largest differences 2 (24 bits) and 3 steps (16 bits).
class ColorOracleTest : public testsupport::TempDirTest {
 protected:
  ColorOracleTest() : TempDirTest("mpegcolour") {}
};

TEST_F(ColorOracleTest, MatchesFfmpegWithinASmallBound) {
  if (mpegtest::Ffmpeg().empty()) return;  // marked by RequireTool
  const int w = 352, h = 240;
  for (const char* chroma : {"yuv420p", "yuv422p"}) {
    const int format = std::string(chroma) == "yuv420p" ? 1 : 2;
    ASSERT_TRUE(mpegtest::RunFfmpeg("-f lavfi -i testsrc2=size=352x240 -frames:v 1 -f rawvideo -pix_fmt " +
                                    std::string(chroma) + " " + Path("in.yuv")));
    const std::string yuv = testsupport::ReadBytes(Path("in.yuv"));
    VYCbCrPicture picture(w / 16, h / 16, format, nullptr);
    const size_t chromaSize = static_cast<size_t>(w / 2) * (format == 1 ? h / 2 : h);
    ASSERT_EQ(yuv.size(), static_cast<size_t>(w * h) + 2 * chromaSize);
    std::copy_n(yuv.data(), w * h, picture.Y());
    std::copy_n(yuv.data() + w * h, chromaSize, picture.Cb());
    std::copy_n(yuv.data() + w * h + chromaSize, chromaSize, picture.Cr());
    for (const char* target : {"rgb24", "rgb565le"}) {
      const bool is24 = std::string(target) == "rgb24";
      ASSERT_TRUE(mpegtest::RunFfmpeg("-f rawvideo -pix_fmt " + std::string(chroma) +
                                      " -s 352x240 -i " + Path("in.yuv") +
                                      " -sws_flags neighbor+accurate_rnd -f rawvideo -pix_fmt " + target + " " +
                                      Path("ref.raw")));
      const std::string ref = testsupport::ReadBytes(Path("ref.raw"));
      std::vector<uint8_t> storage;
      const PixelBuffer b = Buffer(storage, w, h, is24 ? 24 : 16, is24 ? kFormatRGB24 : kFormat565LE);
      ASSERT_TRUE(picture.ConvertToPixels(b, 0, 0, w, h));
      int worst = 0;
      double sum = 0;
      for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
          for (int c = 0; c < 3; ++c) {
            int ours, theirs;
            if (is24) {
              ours = storage[static_cast<size_t>(y * b.rowBytes + x * 3 + c)];
              theirs = uint8_t(ref[static_cast<size_t>((y * w + x) * 3 + c)]);
            } else {
              const auto word = [](const uint8_t* p) { return p[0] | (p[1] << 8); };
              const int a = word(storage.data() + y * b.rowBytes + x * 2);
              const int r = word(reinterpret_cast<const uint8_t*>(ref.data()) + (y * w + x) * 2);
              const int shift = c == 0 ? 11 : (c == 1 ? 5 : 0), mask = c == 1 ? 63 : 31;
              ours = (a >> shift) & mask;
              theirs = (r >> shift) & mask;
            }
            worst = std::max(worst, std::abs(ours - theirs));
            sum += std::abs(ours - theirs);
          }
      const double mean = sum / (w * h * 3);
      std::printf("[ colour ] %s -> %s: largest difference %d, mean %.3f\n", chroma, target, worst, mean);
      EXPECT_LE(worst, is24 ? 2 : 3) << chroma << " " << target;
      EXPECT_LE(mean, is24 ? 0.75 : 0.25) << chroma << " " << target;
    }
  }
}

}  // namespace

namespace {

// An interlaced frame converts one field; the lines between are the mean of
// their neighbours, each component rounded up.
TEST(FieldConversionTest, ConvertsOneFieldAndInterpolatesTheOther) {
  VYCbCrPicture picture(1, 1, 1, nullptr);
  Fill(picture, 16, 128, 128);
  for (int row = 0; row < 16; row += 2) std::fill_n(picture.Y() + row * 16, 16, uint8_t(16 + 10 * row));
  for (int depth : {32, 24, 16}) {
    const int format = GetDefaultPixelFormat(depth);
    std::vector<uint8_t> top, bottom;
    const PixelBuffer t = Buffer(top, 16, 16, depth, format);
    const PixelBuffer b = Buffer(bottom, 16, 16, depth, format);
    ASSERT_TRUE(picture.ConvertFieldToPixels(t, 0, 0, 16, 16, 0));
    ASSERT_TRUE(picture.ConvertFieldToPixels(b, 0, 0, 16, 16, 1));
    const auto green = [&](const std::vector<uint8_t>& s, int row) {
      const uint8_t* p = s.data() + row * t.rowBytes + 2 * BytesPerPixel(depth);
      if (depth == 16) return ((p[0] | (p[1] << 8)) >> 5) & 63;
      return int(p[1]);
    };
    for (int row = 1; row < 15; row += 2) {
      const int above = green(top, row - 1), below = green(top, row + 1);
      EXPECT_GT(below, above) << depth;
      EXPECT_EQ(green(top, row), (above + below + 1) >> 1) << "depth " << depth << " row " << row;
    }
    EXPECT_EQ(green(top, 15), green(top, 14));  // the last line has one neighbour
    // The bottom field is black (within the 16-bit table cell).
    for (int row = 0; row < 16; ++row) EXPECT_LE(green(bottom, row), depth == 16 ? 1 : 0) << depth << " " << row;
  }
}

TEST(FieldConversionTest, InterlacedVideoPicturesConvertTheirFirstField) {
  VMPVPicture picture(1, 1, 1, nullptr);
  Fill(picture, 235, 128, 128);
  for (int row = 1; row < 16; row += 2) std::fill_n(picture.Y() + row * 16, 16, uint8_t{16});
  std::vector<uint8_t> storage;
  const PixelBuffer b = Buffer(storage, 16, 16, 32, kFormatBGRX32);
  picture.progressiveSequence = 0;
  picture.progressiveFrame = 0;
  picture.bottomFieldFirst = 1;
  ASSERT_TRUE(picture.ConvertToPixels(b, 0, 0, 16, 16));
  EXPECT_EQ(storage[0], 0);
  EXPECT_EQ(storage[static_cast<size_t>(b.rowBytes) * 6], 0);
  picture.progressiveFrame = 1;  // a progressive frame converts every line
  ASSERT_TRUE(picture.ConvertToPixels(b, 0, 0, 16, 16));
  EXPECT_EQ(storage[0], 254);
  EXPECT_EQ(storage[static_cast<size_t>(b.rowBytes)], 0);
}

// Areas of one to three lines, both field orders, every depth, 4:2:0 and
// 4:2:2, into buffers of exactly the area's size (top-down and bottom-up):
// the lines between stay inside the buffer; a missing line with one
// neighbour copies it, and a one-line area of the field not shown first is
// converted as in a frame.
TEST(FieldConversionTest, AreasOfOneToThreeLinesStayInsideTheBuffer) {
  auto* colours = new VColorTable(StandardPalette{4});
  auto* table = new VYCbCrColorTable(5, colours);
  std::mt19937 rng(7);
  for (const int chroma : {1, 2}) {
    VYCbCrPicture picture(1, 1, chroma, table);
    for (int i = 0; i < picture.GetLumaWidth() * picture.GetLumaHeight(); ++i) picture.Y()[i] = uint8_t(rng());
    for (int i = 0; i < picture.GetChromaWidth() * picture.GetChromaHeight(); ++i) {
      picture.Cb()[i] = uint8_t(rng());
      picture.Cr()[i] = uint8_t(rng());
    }
    for (const int depth : {8, 15, 16, 24, 32})
      for (const bool bottomUp : {false, true})
        for (const int height : {1, 2, 3})
          for (const int parity : {0, 1}) {
            const int format = depth == 8 ? int{kFormatIndexed8} : int{GetDefaultPixelFormat(depth)};
            std::vector<uint8_t> field, frame;
            const PixelBuffer f = Buffer(field, 16, height, depth, format, bottomUp);
            const PixelBuffer p = Buffer(frame, 16, height, depth, format, bottomUp);
            ASSERT_TRUE(picture.ConvertFieldToPixels(f, 0, 0, 16, height, parity));
            ASSERT_TRUE(picture.ConvertToPixels(p, 0, 0, 16, height));
            const auto line = [&](const std::vector<uint8_t>& s, int row) {
              const int mapRow = bottomUp ? height - 1 - row : row;
              return std::vector<uint8_t>(s.begin() + mapRow * f.rowBytes, s.begin() + (mapRow + 1) * f.rowBytes);
            };
            const std::string where = "chroma " + std::to_string(chroma) + " depth " + std::to_string(depth) +
                                      " height " + std::to_string(height) + " parity " + std::to_string(parity) +
                                      (bottomUp ? " bottom-up" : "");
            if (height == 1 && parity == 1) {
              EXPECT_EQ(field, frame) << where;
              continue;
            }
            if (depth == 8) continue;  // 8-bit lines between are made from luma
            if (height == 2) {
              EXPECT_EQ(line(field, 1 - parity), line(field, parity)) << where;
            }
            if (height == 3 && parity == 1) {
              EXPECT_EQ(line(field, 0), line(field, 1)) << where;
              EXPECT_EQ(line(field, 2), line(field, 1)) << where;
            }
          }
  }
  table->Release();
  colours->Release();
}

// 8 bits: ordered dither through the palette of the colour table held.
TEST(EightBitConversionTest, DithersIntoThePaletteOfTheColourTable) {
  auto* colours = new VColorTable(StandardPalette{4});
  auto* table = new VYCbCrColorTable(5, colours);
  VYCbCrPicture picture(1, 1, 1, table);
  table->Release();
  std::vector<uint8_t> storage;
  const PixelBuffer b = Buffer(storage, 16, 16, 8, kFormatIndexed8);
  for (const auto& [y, cb, cr, red, green, blue] :
       {std::tuple<int, int, int, int, int, int>{235, 128, 128, 255, 255, 255}, {16, 128, 128, 0, 0, 0},
        {81, 90, 240, 255, 0, 0}, {41, 240, 110, 0, 0, 255}}) {
    Fill(picture, uint8_t(y), uint8_t(cb), uint8_t(cr));
    ASSERT_TRUE(picture.ConvertToPixels(b, 0, 0, 16, 16));
    double r = 0, g = 0, bl = 0;
    for (int i = 0; i < 16 * 16; ++i) {
      const VRGBColor& c = colours->GetEntries()[storage[static_cast<size_t>(i / 16 * b.rowBytes + i % 16)]];
      r += c.red, g += c.green, bl += c.blue;
    }
    // The dithered area averages to the colour.
    EXPECT_NEAR(r / 256, red, 30) << y;
    EXPECT_NEAR(g / 256, green, 30) << y;
    EXPECT_NEAR(bl / 256, blue, 30) << y;
  }
  colours->Release();
  VYCbCrPicture withoutPalette(1, 1, 1, nullptr);
  EXPECT_FALSE(withoutPalette.ConvertToPixels(b, 0, 0, 16, 16));
}

}  // namespace
