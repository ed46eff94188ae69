#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "engine/graphics/ColorConstants.h"
#include "engine/graphics/TransferDispatcher.h"
#include "engine/graphics/TransferKernels.h"
#include "GraphicsTestSupport.h"
#include "support/RequireTool.h"
#include "support/TempDir.h"

namespace {

using gfxtest::Raster;

int BytesOf(int depth) { return (depth + 7) / 8; }

struct PixelCase {
  const char* what;
  uint32_t flags;
  uint8_t level;
  int depth;
  uint16_t format;
  bool solid;
  VRGBColor colour;  // key colour (RGB keys) or solid colour
  uint32_t source;   // source pixel (ignored for solid sources); key index for index keys
  uint32_t destination;
  uint8_t alpha;
  uint32_t expected;
};

// Runs one case on a 3 x 2 rectangle of equal pixels inside 5 x 4 maps, with
// top-down and bottom-up storage for source, destination and planes, and
// checks the rectangle and that nothing around it was touched.
void RunCase(const PixelCase& c, const ColorTableData* palette, const uint8_t* maskFlags = nullptr,
             uint8_t region = 0) {
  for (int layout = 0; layout < 4; ++layout) {
    const bool srcUp = layout & 1, dstUp = layout & 2;
    const int bytes = BytesOf(c.depth);
    Raster src(5, 4, bytes, srcUp), dst(5, 4, bytes, dstUp), alpha(5, 4, 1, srcUp), mask(5, 4, 1, !srcUp);
    for (int y = 0; y < 4; ++y)
      for (int x = 0; x < 5; ++x) {
        src.Set(x, y, c.source);
        dst.Set(x, y, c.destination);
        alpha.Set(x, y, c.alpha);
        mask.Set(x, y, region);
      }
    TransferAttributes at;
    at.flags = c.flags;
    at.level = c.level;
    at.keyIndex = static_cast<uint8_t>(c.source);
    at.keyColor = c.colour;
    at.maskFlags = maskFlags;
    const TransferRowRoutine routine = SelectTransferRowRoutine(at, c.depth, c.format, c.solid);
    ASSERT_NE(routine, nullptr) << c.what;
    TransferRowArgs a;
    a.source = src.At(1, 1);
    a.sourceRowBytes = src.Step();
    a.destination = dst.At(1, 1);
    a.destinationRowBytes = dst.Step();
    a.alpha = alpha.At(1, 1);
    a.alphaRowBytes = alpha.Step();
    a.width = 3;
    a.height = 2;
    a.bytesPerPixel = bytes;
    a.depth = c.depth;
    a.pixelFormat = c.format;
    a.attributes = at;
    a.solidColor = c.solid ? &c.colour : nullptr;
    a.colorTable = palette;
    a.mask = mask.At(1, 1);
    a.maskRowBytes = mask.Step();
    routine(a);
    for (int y = 0; y < 4; ++y)
      for (int x = 0; x < 5; ++x) {
        const bool inside = x >= 1 && x <= 3 && y >= 1 && y <= 2;
        EXPECT_EQ(dst.Get(x, y), inside ? c.expected : c.destination)
            << c.what << " at " << x << "," << y << " layout " << layout;
      }
  }
}

TEST(TransferKernels, HandComputedPixels) {
  gfxtest::ScopedLookupTables tables;
  const VRGBColor white = kWhiteColor;
  const VRGBColor red = kRedColor;
  const PixelCase cases[] = {
      // Copies and fills.
      {"copy 16", 0, 0, 16, 0x8004, false, {}, 0x1234, 0x4321, 0, 0x1234},
      {"copy 24", 0, 0, 24, 6, false, {}, 0x123456, 0, 0, 0x123456},
      {"fill 15", 0, 0, 15, 0x8003, true, white, 0, 0, 0, 0x7FFF},
      {"fill 16", 0, 0, 16, 0x8004, true, VRGBColor(8, 4, 8), 0, 0, 0, 0x0821},
      {"fill 24 rgb", 0, 0, 24, 5, true, VRGBColor(1, 2, 3), 0, 0, 0, 0x030201},
      {"fill 24 bgr", 0, 0, 24, 6, true, VRGBColor(1, 2, 3), 0, 0, 0, 0x010203},
      {"fill 32 fmt 10", 0, 0, 32, 10, true, VRGBColor(1, 2, 3), 0, 0xFFFFFFFF, 0, 0x01020300},
      {"fill 8 grey", 0, 0, 8, 11, true, VRGBColor(77, 1, 2), 0, 0, 0, 77},
      // Key colours.
      {"index key hit", 1, 0, 8, 2, false, {}, 5, 9, 0, 9},
      {"rgb key 16 hit", 2, 0, 16, 0x8004, false, red, 0xF800, 7, 0, 7},
      {"rgb key 16 miss", 2, 0, 16, 0x8004, false, red, 0xF801, 7, 0, 0xF801},
      {"rgb key 15 hit", 2, 0, 15, 0x8003, false, red, 0x7C00, 7, 0, 7},
      {"rgb key 24 rgb hit", 2, 0, 24, 5, false, VRGBColor(1, 2, 3), 0x030201, 7, 0, 7},
      {"rgb key 24 bgr miss", 2, 0, 24, 6, false, VRGBColor(1, 2, 3), 0x030201, 7, 0, 0x030201},
      {"rgb key 32 masked hit", 2, 0, 32, 8, false, red, 0xAAFF0000, 7, 0, 7},
      {"rgb key 32 keeps dest byte", 2, 0, 32, 8, false, red, 0xAA00FF00, 0x77000000, 0, 0x7700FF00},
      {"rgb key 32 fmt 9 keeps low byte", 2, 0, 32, 9, false, red, 0x00FF00AA, 0x00000077, 0, 0x00FF0077},
      // Levels.
      {"level 24", 4, 32, 24, 6, false, {}, 0xFFFFFF, 0, 0, 0x828282},
      {"level 16", 4, 32, 16, 0x8004, false, {}, 0xFFFF, 0, 0, 0x8410},
      {"level 15", 4, 32, 15, 0x8003, false, {}, 0x7FFF, 0, 0, 0x4210},
      {"level 32 zero fourth byte", 4, 32, 32, 8, false, {}, 0xFFFFFFFF, 0xFF000000, 0, 0x00828282},
      {"solid level 16", 4, 32, 16, 0x8004, true, white, 0, 0, 0, 0x8410},
      {"solid level 24", 4, 32, 24, 6, true, white, 0, 0x646464, 0, 0xB3B3B3},
      {"level rgb key 32 whole word", 6, 32, 32, 8, false, red, 0xAAFF0000, 0, 0, 0x00820000},
      // Alpha channels.
      {"alpha 1 keeps 16", 8, 0, 16, 0x8004, false, {}, 0xFFFF, 0x1234, 1, 0x1234},
      {"alpha 2 is 1/32 at 16", 8, 0, 16, 0x8004, false, {}, 0xFFFF, 0, 2, 0x0020},
      {"alpha 32 at 16", 8, 0, 16, 0x8004, false, {}, 0xF800, 0x001F, 32, 0x780F},
      {"alpha 32 at 15", 8, 0, 15, 0x8003, false, {}, 0x7C00, 0x001F, 32, 0x3C0F},
      {"alpha 63 copies 15", 8, 0, 15, 0x8003, false, {}, 0xFC00, 0, 63, 0xFC00},
      {"alpha 62 rounds down at 24", 8, 0, 24, 6, false, {}, 0x636363, 0x646464, 62, 0x636363},
      {"alpha 32 at 24", 8, 0, 24, 6, false, {}, 0xFFFFFF, 0, 32, 0x838383},
      {"alpha 40 at 32 fmt 8", 8, 0, 32, 8, false, {}, 0xAA123456, 0x55000000, 40, 0x000B2137},
      {"alpha 40 at 32 fmt 9", 8, 0, 32, 9, false, {}, 0x123456AA, 0x00000055, 40, 0x0B213700},
      {"alpha 63 copies whole 32", 8, 0, 32, 8, false, {}, 0xAA123456, 0x55000000, 63, 0xAA123456},
      {"alpha above 63 counts as 63", 8, 0, 24, 6, false, {}, 0x102030, 0, 200, 0x102030},
      {"solid alpha 32 at 16", 8, 0, 16, 0x8004, true, red, 0, 0x001F, 32, 0x780F},
      {"solid alpha 63 at 24", 8, 0, 24, 5, true, VRGBColor(1, 2, 3), 0, 0, 63, 0x030201},
      {"solid alpha 32 at 32", 8, 0, 32, 7, true, white, 0, 0, 32, 0x00838383},
      {"alpha with rgb key hit", 10, 0, 16, 0x8004, false, red, 0xF800, 5, 40, 5},
      {"alpha with rgb key miss", 10, 0, 16, 0x8004, false, red, 0xFFFF, 0x1234, 63, 0xFFFF},
      // Alpha scaled by a level.
      {"alpha 63 level 62 mixes", 12, 62, 32, 8, false, {}, 0xFF000080, 0, 63, 0x0000007E},
      {"scaled alpha 0 keeps", 12, 1, 16, 0x8004, false, {}, 0xFFFF, 0x1234, 31, 0x1234},
      {"scaled alpha reads 6 bits", 12, 62, 24, 6, false, {}, 0xFFFFFF, 0, 64 + 63, 0xFBFBFB},
      {"scaled with key", 14, 62, 24, 6, false, red, 0xFF0000, 9, 63, 9},
  };
  for (const PixelCase& c : cases) RunCase(c, nullptr);
}

TEST(TransferKernels, MaskGate) {
  gfxtest::ScopedLookupTables tables;
  uint8_t flags[256] = {};
  flags[1] = 1;
  const PixelCase open[] = {
      {"mask copy 16", 16, 0, 16, 0x8004, false, {}, 0x1234, 0x4321, 0, 0x1234},
      {"mask copy 32", 16, 0, 32, 8, false, {}, 0xAA123456, 0, 0, 0xAA123456},
      {"mask fill 24", 16, 0, 24, 5, true, VRGBColor(1, 2, 3), 0, 0, 0, 0x030201},
      {"mask level 15", 20, 32, 15, 0x8003, false, {}, 0x7FFF, 0, 0, 0x4210},
      {"mask solid level 16", 20, 32, 16, 0x8004, true, kWhiteColor, 0, 0, 0, 0x8410},
  };
  for (const PixelCase& c : open) RunCase(c, nullptr, flags, 0);
  for (PixelCase c : open) {
    c.expected = c.destination;  // region 1 is switched off: nothing changes
    RunCase(c, nullptr, flags, 1);
  }
}

TEST(TransferKernels, EightBitPalettePixels) {
  gfxtest::ScopedLookupTables tables;
  gfxtest::Palette pal = gfxtest::Palette::Cube();
  const uint32_t black = 0, white = 215, grey128 = 236;
  ASSERT_EQ(pal.colors[grey128], VRGBColor(128, 128, 128));
  // Shade[63][d] is d's own colour at 5-6-5 precision; its nearest index.
  const uint32_t selfOf71 = pal.nearest[pal.shade[63 * 256 + 71]];
  const PixelCase cases[] = {
      {"alpha 32 white over black", 8, 0, 8, 2, false, {}, white, black, 32, grey128},
      {"alpha 0 keeps", 8, 0, 8, 2, false, {}, white, 71, 0, 71},
      {"alpha 63 copies", 8, 0, 8, 2, false, {}, 200, 71, 63, 200},
      {"key alpha 0 remaps dest", 9, 0, 8, 2, false, {}, 5, 71, 64, selfOf71},
      {"level 32", 4, 32, 8, 2, false, {}, white, black, 0, grey128},
      {"solid level 32", 4, 32, 8, 2, true, kWhiteColor, 0, black, 0, grey128},
      {"solid alpha 63", 8, 0, 8, 2, true, kWhiteColor, 0, black, 63, white},
      {"solid fill nearest", 0, 0, 8, 2, true, VRGBColor(250, 2, 1), 0, 0, 0, 180},
      {"scaled alpha no shortcut", 12, 62, 8, 2, false, {}, white, black, 63,
       pal.nearest[pal.shade[62 * 256 + white] + pal.shade[1 * 256 + black]]},
  };
  for (const PixelCase& c : cases) RunCase(c, &pal.data);
  // Without shade and nearest-index tables the 8-bit mixes write nothing.
  ColorTableData bare;
  bare.colors = pal.colors.data();
  bare.colorCount = 256;
  PixelCase c = cases[0];
  c.expected = c.destination;
  RunCase(c, &bare);
}

TEST(TransferKernels, TargetAlphaAt24Bits) {
  gfxtest::ScopedLookupTables tables;
  Raster src(2, 1, 3), dst(2, 1, 3), alpha(2, 1, 1), target(2, 1, 1);
  src.Set(0, 0, 0xFFFFFF);
  src.Set(1, 0, 0xFFFFFF);
  alpha.Set(0, 0, 10);
  alpha.Set(1, 0, 10);
  target.Set(0, 0, 0);   // b <= a: weight 16128 of 16384
  target.Set(1, 0, 20);  // weight 8064
  TransferRowArgs a;
  a.source = src.First();
  a.destination = dst.First();
  a.alpha = alpha.First();
  a.targetAlpha = target.First();
  a.width = 2;
  a.height = 1;
  a.bytesPerPixel = 3;
  a.depth = 24;
  a.pixelFormat = 6;
  a.attributes.flags = kTransferAlpha;
  TransferMode8Depth24(a);
  EXPECT_EQ(dst.Get(0, 0), 0xFBFBFBu);  // 255 * 16128 >> 14 = 251
  EXPECT_EQ(dst.Get(1, 0), 0x7D7D7Du);  // 255 * 8064 >> 14 = 125
}

TEST(TransferKernels, MissingInputsWriteNothing) {
  gfxtest::ScopedLookupTables tables;
  Raster dst(2, 2, 2);
  dst.Set(0, 0, 0x1111);
  TransferRowArgs a;
  a.destination = dst.First();
  a.destinationRowBytes = dst.Step();
  a.width = 2;
  a.height = 2;
  a.bytesPerPixel = 2;
  a.depth = 16;
  a.pixelFormat = 0x8004;
  a.attributes.flags = kTransferMask;  // no mask table, no plane
  TransferMode16FlaggedDepth16(a);
  TransferMode0Depth16(a);  // no solid colour
  a.attributes.flags = kTransferAlpha;
  TransferMode8Depth16(a);  // no source, no alpha
  a.attributes.flags = kTransferLevel;
  a.attributes.level = 0;
  const VRGBColor c = kWhiteColor;
  a.solidColor = &c;
  TransferMode4FlaggedDepth16(a);  // level 0
  a.attributes.level = 63;
  TransferMode4FlaggedDepth16(a);  // level 63
  EXPECT_EQ(dst.Get(0, 0), 0x1111u);
  EXPECT_EQ(dst.Get(1, 1), 0u);
}

TEST(TransferKernels, CopyPixelRowsOverlapAndOddDepth) {
  // Moving a block down inside one map reads every row before overwriting it.
  Raster map(4, 6, 2);
  for (int y = 0; y < 6; ++y)
    for (int x = 0; x < 4; ++x) map.Set(x, y, static_cast<uint32_t>(y * 16 + x));
  TransferRowArgs a;
  a.source = map.At(0, 0);
  a.sourceRowBytes = map.Step();
  a.destination = map.At(1, 2);
  a.destinationRowBytes = map.Step();
  a.width = 3;
  a.height = 4;
  a.bytesPerPixel = 2;
  CopyPixelRows(a);
  for (int y = 0; y < 4; ++y)
    for (int x = 0; x < 3; ++x) EXPECT_EQ(map.Get(x + 1, y + 2), static_cast<uint32_t>(y * 16 + x));
  // Depth 12 (unusual): width x bytes per pixel bytes per row.
  std::vector<uint8_t> s = {1, 2, 3, 4, 5, 6}, d(6, 0);
  TransferAttributes at;
  TransferRowRoutine r = SelectTransferRowRoutine(at, 12, 0, false);
  ASSERT_EQ(r, CopyPixelRows);
  TransferRowArgs b;
  b.source = s.data();
  b.destination = d.data();
  b.width = 2;
  b.height = 1;
  b.bytesPerPixel = 2;
  r(b);
  EXPECT_EQ(d, (std::vector<uint8_t>{1, 2, 3, 4, 0, 0}));
}

// --- Blends against ImageMagick's "over" ------------------------------------

void WritePnm(const std::string& path, int w, int h, int channels, const std::vector<uint8_t>& pixels) {
  std::ofstream f(path, std::ios::binary);
  f << (channels == 3 ? "P6" : "P5") << "\n" << w << " " << h << "\n255\n";
  f.write(reinterpret_cast<const char*>(pixels.data()), static_cast<std::streamsize>(pixels.size()));
}

std::vector<uint8_t> ReadPpm(const std::string& path, int w, int h) {
  std::ifstream f(path, std::ios::binary);
  std::string magic;
  int fw = 0, fh = 0, maxv = 0;
  f >> magic >> fw >> fh >> maxv;
  f.get();
  std::vector<uint8_t> out(static_cast<size_t>(w) * h * 3);
  if (magic != "P6" || fw != w || fh != h || maxv != 255) return {};
  f.read(reinterpret_cast<char*>(out.data()), static_cast<std::streamsize>(out.size()));
  return out;
}

// Composes src over dst with the 6-bit alpha scaled to 0..255.
std::vector<uint8_t> ImageMagickOver(const std::string& convert, const std::vector<uint8_t>& src,
                                     const std::vector<uint8_t>& dst, const std::vector<uint8_t>& alpha6, int w,
                                     int h) {
  const testsupport::TempDir temp("transfer-over-");  // own folder: parallel runs must not share files
  const std::string dir = temp.Path() + "/";
  std::vector<uint8_t> a8(alpha6.size());
  for (size_t i = 0; i < a8.size(); ++i) a8[i] = static_cast<uint8_t>((alpha6[i] * 255 + 31) / 63);
  WritePnm(dir + "over_src.ppm", w, h, 3, src);
  WritePnm(dir + "over_dst.ppm", w, h, 3, dst);
  WritePnm(dir + "over_alpha.pgm", w, h, 1, a8);
  const std::string cmd = convert + " " + dir + "over_dst.ppm \\( " + dir + "over_src.ppm " + dir +
                          "over_alpha.pgm -alpha off -compose CopyOpacity -composite \\) -compose over -composite " +
                          "-depth 8 " + dir + "over_out.ppm";
  if (std::system(cmd.c_str()) != 0) return {};
  return ReadPpm(dir + "over_out.ppm", w, h);
}

struct BlendSetup {
  int w = 37, h = 23;
  std::vector<uint8_t> src, dst, alpha;  // RGB top-down, alpha 0..63
  BlendSetup() {
    std::mt19937 rng(7);
    src.resize(static_cast<size_t>(w) * h * 3);
    dst.resize(src.size());
    alpha.resize(static_cast<size_t>(w) * h);
    for (auto& v : src) v = static_cast<uint8_t>(rng());
    for (auto& v : dst) v = static_cast<uint8_t>(rng());
    for (size_t i = 0; i < alpha.size(); ++i) alpha[i] = static_cast<uint8_t>(i % 64);
  }
};

// Packs an RGB triple into a pixel of the given depth and format, and back.
uint32_t PackPixel(const uint8_t* rgb, int depth, uint16_t format) {
  const VRGBColor c(rgb[0], rgb[1], rgb[2]);
  switch (depth) {
    case 15: return ((c.red >> 3) << 10) | ((c.green >> 3) << 5) | (c.blue >> 3);
    case 16: return ((c.red >> 3) << 11) | ((c.green >> 2) << 5) | (c.blue >> 3);
    case 24: return format == 5 ? (c.red | c.green << 8 | c.blue << 16) : (c.blue | c.green << 8 | c.red << 16);
    default: return PackColor(c, format);
  }
}
void UnpackPixel(uint32_t v, int depth, uint16_t format, int out[3]) {
  switch (depth) {
    case 15: out[0] = (v >> 10) & 31; out[1] = (v >> 5) & 31; out[2] = v & 31; break;
    case 16: out[0] = (v >> 11) & 31; out[1] = (v >> 5) & 63; out[2] = v & 31; break;
    case 24:
      out[0] = format == 5 ? v & 0xFF : (v >> 16) & 0xFF;
      out[1] = (v >> 8) & 0xFF;
      out[2] = format == 5 ? (v >> 16) & 0xFF : v & 0xFF;
      break;
    default: {
      const PixelShifts32 s = GetPixelShifts32(format);
      out[0] = (v >> s.red) & 0xFF;
      out[1] = (v >> s.green) & 0xFF;
      out[2] = (v >> s.blue) & 0xFF;
    }
  }
}

TEST(TransferKernels, AlphaBlendsMatchImageMagickOver) {
  REQUIRE_TOOL(convert, "convert");
  gfxtest::ScopedLookupTables tables;
  BlendSetup b;
  // The same sources at every depth, reduced to the depth's precision first.
  struct Target {
    int depth;
    uint16_t format;
  };
  const Target targets[] = {{15, 0x8003}, {16, 0x8004}, {24, 5}, {24, 6}, {32, 7}, {32, 8}, {32, 9}, {32, 10}};
  for (const Target& t : targets) {
    const int bytes = BytesOf(t.depth);
    Raster src(b.w, b.h, bytes, false), dst(b.w, b.h, bytes, true), alpha(b.w, b.h, 1, true);
    std::vector<uint8_t> srcSeen(b.src.size()), dstSeen(b.dst.size());
    const int bits[3] = {t.depth == 15 || t.depth == 16 ? 5 : 8, t.depth == 15 ? 5 : t.depth == 16 ? 6 : 8,
                         t.depth == 15 || t.depth == 16 ? 5 : 8};
    for (int y = 0; y < b.h; ++y)
      for (int x = 0; x < b.w; ++x) {
        const size_t i = static_cast<size_t>(y) * b.w + x;
        const uint32_t sp = PackPixel(&b.src[i * 3], t.depth, t.format);
        const uint32_t dp = PackPixel(&b.dst[i * 3], t.depth, t.format);
        src.Set(x, y, sp);
        dst.Set(x, y, dp);
        alpha.Set(x, y, b.alpha[i]);
        int s3[3], d3[3];
        UnpackPixel(sp, t.depth, t.format, s3);
        UnpackPixel(dp, t.depth, t.format, d3);
        for (int c = 0; c < 3; ++c) {  // the values at the depth's precision, scaled to 0..255
          const int maxv = (1 << bits[c]) - 1;
          srcSeen[i * 3 + c] = static_cast<uint8_t>((s3[c] * 255 + maxv / 2) / maxv);
          dstSeen[i * 3 + c] = static_cast<uint8_t>((d3[c] * 255 + maxv / 2) / maxv);
        }
      }
    const std::vector<uint8_t> want = ImageMagickOver(convert, srcSeen, dstSeen, b.alpha, b.w, b.h);
    ASSERT_EQ(want.size(), b.src.size()) << "convert failed";
    TransferAttributes at;
    at.flags = kTransferAlpha;
    TransferRowRoutine routine = SelectTransferRowRoutine(at, t.depth, t.format, false);
    ASSERT_NE(routine, nullptr);
    TransferRowArgs a;
    a.source = src.First();
    a.sourceRowBytes = src.Step();
    a.destination = dst.First();
    a.destinationRowBytes = dst.Step();
    a.alpha = alpha.First();
    a.alphaRowBytes = alpha.Step();
    a.width = b.w;
    a.height = b.h;
    a.bytesPerPixel = bytes;
    a.depth = t.depth;
    a.pixelFormat = t.format;
    a.attributes = at;
    routine(a);
    int worst = 0;
    for (int y = 0; y < b.h; ++y)
      for (int x = 0; x < b.w; ++x) {
        const size_t i = static_cast<size_t>(y) * b.w + x;
        const int av = b.alpha[i];
        int got[3];
        UnpackPixel(dst.Get(x, y), t.depth, t.format, got);
        for (int c = 0; c < 3; ++c) {
          const int maxv = (1 << bits[c]) - 1;
          // ImageMagick's result at the field's precision; the 6-bit weights
          // ((a + 1) / 64, or (a >> 1) / 32 at 15/16 bits) differ from a / 63
          // by up to (63 - a) / 4032 (1/32 at 15/16 bits) of the range, plus rounding.
          const double expected = want[i * 3 + c] * maxv / 255.0;
          const double slack = (t.depth <= 16 ? 1.0 / 32 + 1.0 / 63 : (63 - av) / 4032.0) * maxv + 1.5;
          const double diff = std::abs(got[c] - expected);
          worst = std::max(worst, static_cast<int>(diff));
          ASSERT_LE(diff, slack) << "depth " << t.depth << " format " << t.format << " pixel " << x << "," << y
                                 << " channel " << c << " alpha " << av;
        }
      }
    EXPECT_LE(worst, t.depth <= 16 ? 2 : 5);
  }
}

}  // namespace
