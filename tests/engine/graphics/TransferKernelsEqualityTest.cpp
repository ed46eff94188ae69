// The vectorised transfer routines against their table-driven references:
// the integer forms of the level and alpha mixes over every channel value,
// level and alpha, then the routines themselves at every instruction-set level
// over every pair of channel values, odd widths, bottom-up rows and overlaps.
#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "engine/graphics/LookupTables.h"
#include "engine/graphics/PixelFormats.h"
#include "engine/graphics/TransferKernels.h"

namespace {

constexpr double kOneOver63 = static_cast<double>(1.0f / 63.0f);

// Every instruction-set level this processor has, restoring the best one afterwards.
std::vector<int32_t> SimdLevels() {
  const int32_t best = SetTransferSimdLevel(kTransferSimdAvx2);
  std::vector<int32_t> levels;
  for (int32_t l = kTransferSimdScalar; l <= best; ++l) levels.push_back(l);
  return levels;
}

struct SimdLevelScope {
  const int32_t saved = GetTransferSimdLevel();
  explicit SimdLevelScope(int32_t level) { SetTransferSimdLevel(level); }
  ~SimdLevelScope() { SetTransferSimdLevel(saved); }
};

TEST(TransferMixArithmetic, LevelTableEqualsIntegerFormulaForEveryPairAndLevel) {
  for (int32_t level = 1; level <= 62; ++level) {
    LookupTableRef<VMultiplyTable> table(GetMultiplyTable(level * kOneOver63, 0.0, -255, 256));
    ASSERT_TRUE(table);
    const int32_t* lt = table->Get();
    int mismatches = 0;
    for (int32_t s = 0; s < 256; ++s)
      for (int32_t d = 0; d < 256; ++d) {
        const int32_t exact = (s * level + d * (63 - level) + 31) / 63;
        if (d + lt[s - d] != exact && ++mismatches < 5) ADD_FAILURE() << "L " << level << " s " << s << " d " << d;
      }
    EXPECT_EQ(mismatches, 0) << "level " << level;
  }
}

TEST(TransferMixArithmetic, AlphaShiftEqualsWeightedSumForEveryPairAndAlpha) {
  for (int32_t a = 0; a <= 63; ++a)
    for (int32_t s = 0; s < 256; ++s)
      for (int32_t d = 0; d < 256; ++d) {
        // The arithmetic shift of the signed product, as the rule reads.
        const int32_t p = (s - d) * (a + 1);
        const int32_t shifted = p >= 0 ? p / 64 : -((-p + 63) / 64);
        ASSERT_EQ(d + shifted, (d * (63 - a) + s * (a + 1)) >> 6) << a << " " << s << " " << d;
      }
}

TEST(TransferMixArithmetic, MultiplyShiftDividesBy63OverTheMixRange) {
  for (uint32_t n = 0; n <= 255 * 63 + 31; ++n) ASSERT_EQ((n * 16645u) >> 20, n / 63) << n;
}

// Two planes of w x h pixels of `bytes` bytes with a one-pixel border, top-down or bottom-up.
struct Plane {
  int32_t w, h, bytes, rowBytes;
  bool up;
  std::vector<uint8_t> data;
  Plane(int32_t width, int32_t height, int32_t b, bool bottomUp)
      : w(width), h(height), bytes(b), rowBytes((width + 2) * b + 3), up(bottomUp),
        data(static_cast<size_t>(rowBytes) * (height + 2)) {}
  uint8_t* At(int32_t x, int32_t y) {
    const int32_t row = up ? h - y : y + 1;
    return data.data() + static_cast<size_t>(row) * rowBytes + (x + 1) * bytes;
  }
  int32_t Step() const { return up ? -rowBytes : rowBytes; }
  void Set(int32_t x, int32_t y, uint32_t v) { std::memcpy(At(x, y), &v, static_cast<size_t>(bytes)); }
};

struct Frame {
  Plane src, dst, alpha;
  Frame(int32_t w, int32_t h, int32_t bytes, bool srcUp, bool dstUp)
      : src(w, h, bytes, srcUp), dst(w, h, bytes, dstUp), alpha(w, h, 1, !srcUp) {}
  void Fill(std::mt19937& rng) {
    for (auto* p : {&src, &dst, &alpha})
      for (auto& b : p->data) b = static_cast<uint8_t>(rng());
  }
  TransferRowArgs Args(int32_t depth, uint16_t format, uint32_t flags, uint8_t level) {
    TransferRowArgs a;
    a.source = src.At(0, 0);
    a.sourceRowBytes = src.Step();
    a.destination = dst.At(0, 0);
    a.destinationRowBytes = dst.Step();
    a.alpha = alpha.At(0, 0);
    a.alphaRowBytes = alpha.Step();
    a.width = src.w;
    a.height = src.h;
    a.bytesPerPixel = src.bytes;
    a.depth = depth;
    a.pixelFormat = format;
    a.attributes.flags = flags;
    a.attributes.level = level;
    return a;
  }
};

struct Routine {
  const char* name;
  int32_t depth;
  uint32_t flags;
  TransferRowRoutine fast, reference;
};
const Routine kRoutines[] = {
    {"level 15", 15, kTransferLevel, TransferMode4Depth15, TransferMode4Depth15Reference},
    {"level 16", 16, kTransferLevel, TransferMode4Depth16, TransferMode4Depth16Reference},
    {"level 32", 32, kTransferLevel, TransferMode4Depth32, TransferMode4Depth32Reference},
    {"alpha 32", 32, kTransferAlpha, TransferMode8Depth32, TransferMode8Depth32Reference},
    {"alpha 15", 15, kTransferAlpha, TransferMode8Depth15, TransferMode8Depth15Reference},
    {"alpha 16", 16, kTransferAlpha, TransferMode8Depth16, TransferMode8Depth16Reference},
};

// The destination format the routine is asked for in the tests that do not vary it.
uint16_t DefaultFormat(int32_t depth) {
  return depth == 32 ? kFormatBGRX32 : depth == 15 ? kFormat555LE : kFormat565LE;
}

// Runs both forms on copies of the frame's destination (border included) and compares every byte.
void ExpectSame(const Routine& r, Frame& f, uint16_t format, uint8_t level, const std::string& what) {
  const std::vector<uint8_t> before = f.dst.data;
  TransferRowArgs a = f.Args(r.depth, format, r.flags, level);
  r.reference(a);
  const std::vector<uint8_t> expected = f.dst.data;
  f.dst.data = before;
  r.fast(a);
  ASSERT_TRUE(f.dst.data == expected) << r.name << " " << what;
}

// 256 x 256 pixels: source bytes come from x, destination bytes from y, so each
// colour byte meets every (source, destination) pair; 15/16 bits: 64 x 64 with
// every pair of 5- and 6-bit fields (and, at 15 bits, the unused top bit set
// on half of the pixels).
Frame AllPairsFrame(int32_t depth) {
  const int32_t n = depth == 32 ? 256 : 64;
  Frame f(n, n, depth == 32 ? 4 : 2, false, false);
  for (int32_t y = 0; y < n; ++y)
    for (int32_t x = 0; x < n; ++x) {
      const auto pixel = [depth](uint32_t v) {
        if (depth == 32) return v | ((255 - v) << 8) | (((v * 7) & 255) << 16) | (((v * 13) & 255) << 24);
        const uint32_t red = v & 31, green = depth == 15 ? (v >> 1) : v, blue = (31 - v) & 31;
        return depth == 15 ? ((v >> 5) << 15) | (red << 10) | (green << 5) | blue : (red << 11) | (green << 5) | blue;
      };
      f.src.Set(x, y, pixel(static_cast<uint32_t>(x)));
      f.dst.Set(x, y, pixel(static_cast<uint32_t>(y)));
    }
  return f;
}

TEST(TransferKernelsEquality, LevelRoutinesMatchTheTablesForEveryPairAndLevel) {
  for (const int32_t simd : SimdLevels()) {
    SimdLevelScope scope(simd);
    for (const Routine& r : kRoutines) {
      if (r.flags != kTransferLevel) continue;
      Frame f = AllPairsFrame(r.depth);
      const std::vector<uint16_t> formats = r.depth == 32 ? std::vector<uint16_t>{kFormatBGRX32, kFormatXRGB32}
                                                          : std::vector<uint16_t>{DefaultFormat(r.depth)};
      for (const uint16_t format : formats)
        for (int level = 1; level <= 62; ++level)
          ExpectSame(r, f, format, static_cast<uint8_t>(level),
                     "simd " + std::to_string(simd) + " format " + std::to_string(format) + " L " + std::to_string(level));
    }
  }
}

TEST(TransferKernelsEquality, AlphaRoutinesMatchForEveryPairAndAlphaByte) {
  for (const Routine& r : kRoutines) {
    if (r.flags != kTransferAlpha) continue;
    Frame f = AllPairsFrame(r.depth);
    const int32_t n = f.src.w;
    const std::vector<uint16_t> formats = r.depth == 32 ? std::vector<uint16_t>{kFormatRGBX32, kFormatXBGR32}
                                                        : std::vector<uint16_t>{DefaultFormat(r.depth)};
    for (const int32_t simd : SimdLevels()) {
      SimdLevelScope scope(simd);
      for (const uint16_t format : formats) {
        // Over the 256 runs every pixel sees every alpha byte 0..255 (above 63 counts as 63).
        for (int32_t t = 0; t < 256; ++t) {
          for (int32_t y = 0; y < n; ++y)
            for (int32_t x = 0; x < n; ++x) *f.alpha.At(x, y) = static_cast<uint8_t>(x + 3 * y + t);
          ExpectSame(r, f, format, 63, "simd " + std::to_string(simd) + " t " + std::to_string(t));
        }
      }
    }
  }
}

TEST(TransferKernelsEquality, AlphaRunsOfClearAndOpaquePixels) {
  // Whole groups of alpha 0 or 63 (the vector short cuts) next to mixed ones,
  // in runs of 8 and of 16 pixels (the group sizes of the vector rows).
  for (const Routine& r : kRoutines) {
    if (r.flags != kTransferAlpha) continue;
    for (const int32_t runLength : {8, 16}) {
      Frame f(67, 5, r.depth == 32 ? 4 : 2, false, true);
      std::mt19937 rng(7);
      f.Fill(rng);
      for (int32_t y = 0; y < 5; ++y)
        for (int32_t x = 0; x < 67; ++x) {
          const int32_t run = (x + y * 5) / runLength % 4;
          *f.alpha.At(x, y) = static_cast<uint8_t>(run == 0 ? 0 : run == 1 ? 63 : run == 2 ? 200 : rng() % 64);
        }
      const std::vector<uint16_t> formats =
          r.depth == 32 ? std::vector<uint16_t>{kFormatRGBX32, kFormatBGRX32, kFormatXRGB32, kFormatXBGR32}
                        : std::vector<uint16_t>{DefaultFormat(r.depth)};
      for (const int32_t simd : SimdLevels()) {
        SimdLevelScope scope(simd);
        for (const uint16_t format : formats)
          ExpectSame(r, f, format, 63, "simd " + std::to_string(simd) + " run " + std::to_string(runLength));
      }
    }
  }
}

TEST(TransferKernelsEquality, OddWidthsBottomUpRowsAndEveryFormat) {
  std::mt19937 rng(1234);
  for (const int32_t simd : SimdLevels()) {
    SimdLevelScope scope(simd);
    for (const Routine& r : kRoutines)
      for (int32_t width = 0; width <= 41; ++width)
        for (int layout = 0; layout < 4; ++layout) {
          Frame f(width, 3, r.depth == 32 ? 4 : 2, layout & 1, layout & 2);
          f.Fill(rng);
          const uint16_t format = r.depth == 32 ? static_cast<uint16_t>(kFormatRGBX32 + (width + layout) % 4)
                                                : DefaultFormat(r.depth);
          const uint8_t level = static_cast<uint8_t>(1 + rng() % 62);
          ExpectSame(r, f, format, level,
                     "simd " + std::to_string(simd) + " width " + std::to_string(width) + " layout " +
                         std::to_string(layout));
        }
  }
}

TEST(TransferKernelsEquality, SourceOverlappingTheDestinationKeepsThePixelOrder) {
  // One buffer; the destination starts one pixel after the source, so a
  // one-pixel walk reads pixels it has just written.
  for (const Routine& r : kRoutines) {
    const int32_t bytes = r.depth == 32 ? 4 : 2;
    std::mt19937 rng(99);
    std::vector<uint8_t> buffer(static_cast<size_t>(40 * bytes * 4)), alpha(40 * 4);
    for (auto& b : buffer) b = static_cast<uint8_t>(rng());
    for (auto& b : alpha) b = static_cast<uint8_t>(rng() % 64);
    TransferRowArgs a;
    a.source = buffer.data();
    a.sourceRowBytes = 40 * bytes;
    a.destination = buffer.data() + bytes;
    a.destinationRowBytes = 40 * bytes;
    a.alpha = alpha.data();
    a.alphaRowBytes = 40;
    a.width = 32;
    a.height = 3;
    a.bytesPerPixel = bytes;
    a.depth = r.depth;
    a.pixelFormat = DefaultFormat(r.depth);
    a.attributes.flags = r.flags;
    a.attributes.level = 40;
    std::vector<uint8_t> copy = buffer;
    r.fast(a);
    std::swap(copy, buffer);
    a.source = buffer.data();
    a.destination = buffer.data() + bytes;
    r.reference(a);
    EXPECT_TRUE(copy == buffer) << r.name;
  }
}

TEST(TransferKernelsEquality, SharedLevelTableFromTheManagerIsUsed) {
  // With a manager holding the level table over a wider range, built from a
  // different first entry, the results stay the same.
  SetupLookupTables();
  {
    LookupTableRef<VMultiplyTable> wide(GetMultiplyTable(21 * kOneOver63, 0.0, -1000, 1000));
    Frame f = AllPairsFrame(32);
    ExpectSame(kRoutines[2], f, kFormatBGRX32, 21, "shared wide table");
  }
  ShutdownLookupTables();
}

TEST(TransferKernelsEquality, SimdLevelIsCappedToTheProcessor) {
  const int32_t saved = GetTransferSimdLevel();
  const int32_t best = SetTransferSimdLevel(1000);
  EXPECT_GE(best, kTransferSimdScalar);
  EXPECT_LE(best, kTransferSimdAvx2);
  EXPECT_EQ(GetTransferSimdLevel(), best);
  EXPECT_EQ(SetTransferSimdLevel(-5), kTransferSimdScalar);
  SetTransferSimdLevel(saved);
}

}  // namespace
