#include <gtest/gtest.h>

#include <cmath>
#include <random>

#include "engine/graphics/ColorConstants.h"
#include "engine/graphics/DepthConversion.h"
#include "engine/graphics/Ditherers.h"
#include "GraphicsTestSupport.h"
#include "platform/Rand.h"

namespace {

using gfxtest::Palette;
using gfxtest::Raster;

int BytesOf(int depth) { return (depth + 7) / 8; }
uint16_t FormatFor(int depth) {
  switch (depth) {
    case 8: return 2;
    case 15: return 0x8003;
    case 16: return 0x8004;
    case 24: return 6;
    default: return 8;
  }
}

// Restores both conversion settings after a test.
struct ScopedMethods {
  int32_t eight = GetEightBitConversionMethod();
  int32_t high = GetHighColorConversionMethod();
  ScopedMethods(int32_t e, int32_t h) {
    SetEightBitConversionMethod(e);
    SetHighColorConversionMethod(h);
  }
  ~ScopedMethods() {
    SetEightBitConversionMethod(eight);
    SetHighColorConversionMethod(high);
  }
};

void Convert(int sd, uint16_t sf, const ColorTableData* st, Raster& s, int dd, uint16_t df, const ColorTableData* dt,
             Raster& d, TransferAttributes* at = nullptr) {
  DepthConverter conv = GetDepthConverter(sd, dd);
  ASSERT_NE(conv, nullptr) << sd << " to " << dd;
  conv(s.First(), s.Step(), sf, st, d.First(), d.Step(), df, dt, s.width, s.height, at);
}

TEST(DepthConversion, ConverterTable) {
  struct Case { int s, d; DepthConverter want; };
  const Case cases[] = {
      {8, 8, Convert8To8}, {8, 32, Convert8To32}, {15, 16, Convert15To16}, {16, 15, Convert16To15},
      {15, 15, nullptr}, {16, 16, nullptr}, {24, 24, Convert24To24}, {32, 32, Convert32To32},
      {32, 24, Convert32To24}, {24, 8, Convert24To8}, {12, 8, nullptr}, {8, 0, nullptr}, {33, 8, nullptr},
  };
  for (const Case& c : cases) EXPECT_EQ(GetDepthConverter(c.s, c.d), c.want) << c.s << " to " << c.d;
  EXPECT_EQ(GetEightBitConversionMethod(), 1);
  EXPECT_EQ(GetHighColorConversionMethod(), 2);
  EXPECT_EQ(SetHighColorConversionMethod(0), 2);
  EXPECT_EQ(SetHighColorConversionMethod(2), 0);
}

TEST(DepthConversion, RepackingExamples) {
  gfxtest::ScopedLookupTables tables;
  ScopedMethods methods(0, 0);
  Raster rgb(1, 1, 3), w16(1, 1, 2, true), back(1, 1, 3);
  rgb.Set(0, 0, 0xC86432);  // format 6 (B, G, R in memory): red 200, green 100, blue 50
  Convert(24, 6, nullptr, rgb, 16, 0x8004, nullptr, w16);
  EXPECT_EQ(w16.Get(0, 0), (25u << 11) | (25u << 5) | 6u);
  Convert(16, 0x8004, nullptr, w16, 24, 5, nullptr, back);
  EXPECT_EQ(back.Get(0, 0), 204u | (102u << 8) | (52u << 16));  // format 5: R, G, B in memory

  Raster p15(64, 2, 2), p16(64, 2, 2, true), again(64, 2, 2);
  for (int x = 0; x < 64; ++x) {
    p15.Set(x, 0, static_cast<uint32_t>(x * 517) & 0x7FFF);
    p15.Set(x, 1, static_cast<uint32_t>(0x7FFF - x * 311) & 0x7FFF);
  }
  Convert(15, 0x8003, nullptr, p15, 16, 0x8004, nullptr, p16);
  Convert(16, 0x8004, nullptr, p16, 15, 0x8003, nullptr, again);
  EXPECT_EQ(p15.data, again.data);
  p16.Set(0, 0, 0x07E0);  // green 63 -> 31
  p16.Set(1, 0, 0x0020);  // green 1 -> 0
  Convert(16, 0x8004, nullptr, p16, 15, 0x8003, nullptr, again);
  EXPECT_EQ(again.Get(0, 0), 0x03E0u);
  EXPECT_EQ(again.Get(1, 0), 0u);

  // 15 to 32 takes bucket midpoints; 32 to 24 and 24 to 24 move bytes between layouts.
  Raster one15(1, 1, 2), one32(1, 1, 4), one24(1, 1, 3), swapped(1, 1, 3);
  one15.Set(0, 0, (31u << 10) | (0u << 5) | 16u);
  Convert(15, 0x8003, nullptr, one15, 32, 9, nullptr, one32);
  EXPECT_EQ(one32.Get(0, 0), PackColor(VRGBColor(252, 4, 132), 9));
  Convert(32, 9, nullptr, one32, 24, 5, nullptr, one24);
  EXPECT_EQ(one24.Get(0, 0), 252u | (4u << 8) | (132u << 16));
  Convert(24, 5, nullptr, one24, 24, 6, nullptr, swapped);
  EXPECT_EQ(swapped.Get(0, 0), 132u | (4u << 8) | (252u << 16));
}

TEST(DepthConversion, PaletteToPalette) {
  gfxtest::ScopedLookupTables tables;
  ScopedMethods methods(0, 0);
  Palette cube = Palette::Cube();
  Palette other;
  for (int i = 0; i < 256; ++i) other.colors[i] = VRGBColor(static_cast<uint8_t>(i), 0, static_cast<uint8_t>(255 - i));
  other.Finish();
  Raster s(16, 2, 1), d(16, 2, 1);
  for (int x = 0; x < 16; ++x) {
    s.Set(x, 0, static_cast<uint32_t>(x));
    s.Set(x, 1, static_cast<uint32_t>(240 + x));
  }
  Convert(8, 2, &other.data, s, 8, 2, &cube.data, d);
  for (int y = 0; y < 2; ++y)
    for (int x = 0; x < 16; ++x)
      EXPECT_EQ(d.Get(x, y), cube.nearest[NearestIndexKey(other.colors[s.Get(x, y)])]);
  // A destination palette that begins with the source's keeps the indexes.
  Palette same = Palette::Cube();
  Convert(8, 2, &cube.data, s, 8, 2, &same.data, d);
  EXPECT_EQ(d.data, s.data);
  // Without a source palette or a nearest-index table nothing is written.
  Raster untouched(16, 2, 1);
  ColorTableData noNearest = cube.data;
  noNearest.nearestIndex = nullptr;
  Convert(8, 2, nullptr, s, 8, 2, &cube.data, untouched);
  Convert(24, 6, nullptr, s, 8, 2, &noNearest, untouched);
  EXPECT_EQ(untouched.data, std::vector<uint8_t>(untouched.data.size(), 0));
}

// Every converter with every method: the key colour comes out exact where the
// source had it and nowhere else; bottom-up and top-down storage mixed.
TEST(DepthConversion, KeyColourStaysExactAndUnique) {
  gfxtest::ScopedLookupTables tables;
  Palette cube = Palette::Cube();
  const int depths[] = {8, 15, 16, 24, 32};
  const VRGBColor key(204, 100, 51);  // a colour near cube entries, exact at 5-5-5 only by its bucket
  const uint8_t keyIndex = 6 * 36 / 6 * 4 + 2 * 6 + 1;  // cube (204, 102, 51)
  std::mt19937 rng(3);
  for (int sd : depths) {
    const uint16_t sf = FormatFor(sd);
    Raster src(23, 9, BytesOf(sd), sd == 16);
    std::vector<bool> isKey(23 * 9);
    for (int y = 0; y < 9; ++y)
      for (int x = 0; x < 23; ++x) {
        const bool k = (x + y) % 5 == 0;
        isKey[y * 23 + x] = k;
        uint32_t v;
        if (sd == 8) {
          v = k ? keyIndex : (rng() % 216);
          if (!k && v == keyIndex) v = keyIndex + 1;
        } else {
          // Near the key so that many pixels collide with it after conversion.
          const VRGBColor c(static_cast<uint8_t>(key.red + static_cast<int>(rng() % 9) - 4),
                            static_cast<uint8_t>(key.green + static_cast<int>(rng() % 9) - 4),
                            static_cast<uint8_t>(key.blue + static_cast<int>(rng() % 9) - 4));
          const VRGBColor use = k ? key : c;
          switch (sd) {
            case 15: v = static_cast<uint32_t>(((use.red >> 3) << 10) | ((use.green >> 3) << 5) | (use.blue >> 3)); break;
            case 16: v = NearestIndexKey(use); break;
            case 24: v = static_cast<uint32_t>(use.blue | (use.green << 8) | (use.red << 16)); break;
            default: v = PackColor(use, sf); break;
          }
        }
        src.Set(x, y, v);
      }
    // Pixels that are the key in the source's own precision.
    for (int y = 0; y < 9; ++y)
      for (int x = 0; x < 23; ++x) {
        if (sd == 15) isKey[y * 23 + x] = src.Get(x, y) == static_cast<uint32_t>(((key.red >> 3) << 10) | ((key.green >> 3) << 5) | (key.blue >> 3));
        if (sd == 16) isKey[y * 23 + x] = src.Get(x, y) == NearestIndexKey(key);
      }
    for (int dd : depths) {
      DepthConverter conv = GetDepthConverter(sd, dd);
      if (!conv || (sd == dd && sd != 8)) continue;
      for (int method = 0; method < 4; ++method) {
        ScopedMethods methods(method, method);
        const uint16_t df = dd == 32 ? 10 : dd == 24 ? 5 : FormatFor(dd);
        Raster dst(23, 9, BytesOf(dd), method % 2 == 0);
        TransferAttributes at;
        if (sd == 8) {
          at.flags = kTransferKeyIndex;
          at.keyIndex = keyIndex;
        } else {
          at.flags = kTransferKeyColor;
          at.keyColor = key;
        }
        Palette other;  // 8 to 8 goes through a palette that does not begin with the cube
        for (int i = 0; i < 256; ++i) other.colors[i] = cube.colors[255 - i];
        other.Finish();
        const ColorTableData* dt = dd == 8 ? (sd == 8 ? &other.data : &cube.data) : nullptr;
        conv(src.First(), src.Step(), sf, &cube.data, dst.First(), dst.Step(), df, dt, 23, 9, &at);
        uint32_t want, mask = 0xFFFFFFFF;
        if (dd == 8) {
          ASSERT_EQ(at.flags & 3u, static_cast<uint32_t>(kTransferKeyIndex));
          want = at.keyIndex;
        } else {
          ASSERT_EQ(at.flags & 3u, static_cast<uint32_t>(kTransferKeyColor));
          const VRGBColor c = at.keyColor;
          EXPECT_EQ(c, sd == 8 ? cube.colors[keyIndex] : key);
          switch (dd) {
            case 15: want = static_cast<uint32_t>(((c.red >> 3) << 10) | ((c.green >> 3) << 5) | (c.blue >> 3)); break;
            case 16: want = NearestIndexKey(c); break;
            case 24: want = static_cast<uint32_t>(c.red | (c.green << 8) | (c.blue << 16)); break;
            default: want = PackColor(c, df); mask = 0xFFFFFF00; break;
          }
        }
        for (int y = 0; y < 9; ++y)
          for (int x = 0; x < 23; ++x) {
            const bool got = (dst.Get(x, y) & mask) == want;
            ASSERT_EQ(got, static_cast<bool>(isKey[y * 23 + x]))
                << sd << " to " << dd << " method " << method << " at " << x << "," << y;
          }
      }
    }
  }
}

TEST(Ditherers, ErrorDiffusionKeepsPaletteColoursAndMeanColour) {
  gfxtest::ScopedLookupTables tables;
  ScopedMethods methods(1, 1);
  // The cube alone (the rest black): its nearest-index table maps each exact colour to itself.
  Palette cube = Palette::Cube();
  for (int i = 216; i < 256; ++i) cube.colors[i] = kBlackColor;
  cube.Finish();
  // Pixels that are palette colours produce no error.
  Raster exact(40, 6, 3), out(40, 6, 1);
  for (int y = 0; y < 6; ++y)
    for (int x = 0; x < 40; ++x) {
      const VRGBColor& c = cube.colors[(x * 7 + y * 13) % 216];
      exact.Set(x, y, c.blue | (c.green << 8) | (c.red << 16));
    }
  Convert(24, 6, nullptr, exact, 8, 2, &cube.data, out);
  for (int y = 0; y < 6; ++y)
    for (int x = 0; x < 40; ++x) EXPECT_EQ(out.Get(x, y), static_cast<uint32_t>((x * 7 + y * 13) % 216));
  // A flat colour between palette entries averages out to itself.
  Raster flat(64, 64, 3), flat8(64, 64, 1), flat16(64, 64, 2);
  for (int y = 0; y < 64; ++y)
    for (int x = 0; x < 64; ++x) flat.Set(x, y, 90 | (77 << 8) | (30 << 16));  // red 30, green 77, blue 90
  Convert(24, 6, nullptr, flat, 8, 2, &cube.data, flat8);
  Convert(24, 6, nullptr, flat, 16, 0x8004, nullptr, flat16);
  double sum8[3] = {}, sum16[3] = {};
  for (int y = 0; y < 64; ++y)
    for (int x = 0; x < 64; ++x) {
      const VRGBColor& c = cube.colors[flat8.Get(x, y)];
      sum8[0] += c.red;
      sum8[1] += c.green;
      sum8[2] += c.blue;
      const uint32_t p = flat16.Get(x, y);
      sum16[0] += ((p >> 11) & 31) * 8.0;
      sum16[1] += ((p >> 5) & 63) * 4.0;
      sum16[2] += (p & 31) * 8.0;
    }
  const double want[3] = {30, 77, 90};
  for (int c = 0; c < 3; ++c) {
    EXPECT_NEAR(sum8[c] / 4096, want[c], 2.0) << c;
    EXPECT_NEAR(sum16[c] / 4096, want[c], 1.0) << c;
  }
}

TEST(Ditherers, ChannelErrorIsClampedBeforeSpreading) {
  gfxtest::ScopedLookupTables tables;
  VErrorDiffusionDitherer d(4);
  ASSERT_TRUE(d.IsValid());
  d.SetRow(0);
  d.Advance();
  d.DiffuseError(200);              // clamped to 31: 7 x 31 = 217 sixteenths to the right
  EXPECT_EQ(d.Advance(), 217 >> 4);  // 13
}

TEST(Ditherers, OrderedAndRandomOffsets) {
  gfxtest::ScopedLookupTables tables;
  EXPECT_EQ(OrderedDitherValue(0, 4), -8);  // first pixel of a 4-row rectangle
  EXPECT_EQ(OrderedDitherValue(1, 4), 4);
  EXPECT_EQ(OrderedDitherValue(0, 3), 2);
  // The ordered palette offset of that pixel is 4 x (-8) = -32: grey 40 reads as grey 8.
  Palette cube = Palette::Cube();
  {
    ScopedMethods methods(2, 2);
    Raster grey(1, 4, 3), out(1, 4, 1);
    for (int y = 0; y < 4; ++y) grey.Set(0, y, 0x282828);
    Convert(24, 6, nullptr, grey, 8, 2, &cube.data, out);
    EXPECT_EQ(out.Get(0, 0), cube.nearest[NearestIndexKey(8, 8, 8)]);
    EXPECT_EQ(out.Get(0, 1), cube.nearest[NearestIndexKey(48, 48, 48)]);  // row index 3: +8 x 4... matrix 2 -> +8
  }
  // The random method continues the seeded sequence: one value per pixel.
  ScopedMethods methods(3, 3);
  Raster warm(1, 1, 3), warmOut(1, 1, 2);
  Convert(24, 6, nullptr, warm, 15, 0x8003, nullptr, warmOut);
  EXPECT_TRUE(IsRandomDitherSeeded());
  platform::SeedRand(1234);
  Raster s(8, 2, 3), d(8, 2, 2);
  for (int y = 0; y < 2; ++y)
    for (int x = 0; x < 8; ++x) s.Set(x, y, 0x646464);
  Convert(24, 6, nullptr, s, 15, 0x8003, nullptr, d);
  platform::SeedRand(1234);
  for (int y = 0; y < 2; ++y)
    for (int x = 0; x < 8; ++x) {
      const int v = (100 + (platform::Rand() & 15) - 8) >> 3;
      EXPECT_EQ(d.Get(x, y), static_cast<uint32_t>((v << 10) | (v << 5) | v));
    }
}

}  // namespace
