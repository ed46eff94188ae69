// The vectorised kernels of the video decoder against their one-value-at-a-
// time forms, at every instruction-set level, over random inputs shaped like
// the decoder's: sparse and dense coefficient blocks up to the largest
// dequantised magnitudes, residuals past the 16-bit range, predictions at every
// half-sample offset and height, and conversion lines of every width; the
// 16-bit conversion by formula against the colour tables' every cell, alone,
// in pairs and in runs of pairs; the 32-bit conversion against the component
// tables for every sample; then whole streams, decoded and converted at every
// level, byte for byte.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "engine/graphics/VYCbCrColorTable.h"
#include "engine/mpeg/InverseTransform.h"
#include "engine/mpeg/MpegTestSupport.h"
#include "engine/mpeg/VideoKernels.h"

namespace {

// Every instruction-set level this processor has, restoring the best one afterwards.
std::vector<int32_t> SimdLevels() {
  const int32_t best = SetVideoSimdLevel(kVideoSimdAvx512);
  std::vector<int32_t> levels;
  for (int32_t l = kVideoSimdScalar; l <= best; ++l) levels.push_back(l);
  return levels;
}

struct SimdLevelScope {
  const int32_t saved = GetVideoSimdLevel();
  explicit SimdLevelScope(int32_t level) { SetVideoSimdLevel(level); }
  ~SimdLevelScope() { SetVideoSimdLevel(saved); }
};

// The largest magnitude the decoder hands the transform at a raster position.
int32_t Limit(int p) { return (kTransformScale[p] * 2047) >> 1; }

enum class Shape { kOneColumn, kOneRow, kSparse, kDense, kExtreme, kLowLines };

// Codes coefficient `p` of `b` as `v`, marking its row and column.
void PutCoefficient(VCoefficientBlock& b, int p, int32_t v) {
  b.c[p] = v;
  b.rowFlags[p >> 3] = 1;
  b.columnFlags[p & 7] = 1;
}

// A block holding one coefficient, with the count the decoder would give.
VCoefficientBlock LoneCoefficient(int p, int32_t v, int count) {
  VCoefficientBlock b;
  b.Clear();
  PutCoefficient(b, p, v);
  b.count = count;
  return b;
}

VCoefficientBlock RandomBlock(std::mt19937& rng, Shape shape) {
  VCoefficientBlock b;
  b.Clear();
  const auto put = [&](int p, int32_t v) {
    if (b.c[p] == 0 && v != 0) ++b.count;
    PutCoefficient(b, p, v);
  };
  const auto value = [&](int p) {
    // Mostly small levels, as quantised blocks hold, some up to the limit.
    std::uniform_int_distribution<int32_t> small(-40, 40);
    const int32_t v = rng() % 4 ? small(rng) * (kTransformScale[p] >> 2) : static_cast<int32_t>(rng() % (Limit(p) + 1));
    return (rng() & 1) ? -v : v;
  };
  std::uniform_int_distribution<int> index(0, 7);
  switch (shape) {
    case Shape::kOneColumn:
      for (int n = 2 + index(rng); n > 0; --n) {
        const int p = 8 * index(rng);
        put(p, value(p));
      }
      break;
    case Shape::kOneRow:
      for (int n = 2 + index(rng); n > 0; --n) {
        const int p = index(rng);
        put(p, value(p));
      }
      break;
    case Shape::kSparse:
      for (int n = 2 + index(rng); n > 0; --n) {
        const int p = 8 * index(rng) + index(rng);
        put(p, value(p));
      }
      break;
    case Shape::kDense:
      for (int p = 0; p < 64; ++p)
        if (rng() % 3) put(p, value(p));
      break;
    case Shape::kExtreme:
      for (int p = 0; p < 64; ++p) put(p, (rng() & 1) ? Limit(p) : -Limit(p));
      break;
    case Shape::kLowLines: {
      // Within the first four rows, the first four columns, or both.
      const int rows = rng() % 3 == 0 ? 8 : 4, columns = rows == 8 || rng() % 2 ? 4 : 8;
      std::uniform_int_distribution<int> row(0, rows - 1), column(0, columns - 1);
      for (int n = 1 + index(rng) * 2; n > 0; --n) {
        const int p = 8 * row(rng) + column(rng);
        put(p, value(p));
      }
      break;
    }
  }
  b.count = std::max(b.count, 2);  // the transform of one coefficient is a shortcut at every level
  return b;
}

// The transform and store the decoder picks at the level in force.
void TransformAndStoreAtLevel(VCoefficientBlock& block, uint8_t* dst, ptrdiff_t stride, bool intra) {
  GetTransformAndStore()(block, dst, stride, intra);
}

// `store` of `input` over a random 8-line plane, intra and added, at every
// level gives the bytes of the plain transform followed by the plain store.
void ExpectStoreEqualsReference(const VCoefficientBlock& input, std::mt19937& rng, int stride,
                                void (*store)(VCoefficientBlock&, uint8_t*, ptrdiff_t, bool), const std::string& what) {
  std::vector<uint8_t> plane(static_cast<size_t>(8 * stride));
  for (uint8_t& x : plane) x = static_cast<uint8_t>(rng());
  VCoefficientBlock transformed = input;
  InverseTransform(transformed);
  for (const bool intra : {false, true}) {
    std::vector<uint8_t> expected = plane;
    StoreBlockPixelsReference(transformed.c, expected.data(), stride, intra);
    for (const int32_t level : SimdLevels()) {
      SimdLevelScope scope(level);
      VCoefficientBlock block = input;
      std::vector<uint8_t> got = plane;
      store(block, got.data(), stride, intra);
      ASSERT_EQ(got, expected) << what << " intra " << intra << " level " << level;
    }
  }
}

TEST(VideoKernelsEquality, InverseTransformEqualsScalarAtEveryLevel) {
  std::mt19937 rng(12345);
  for (const Shape shape :
       {Shape::kOneColumn, Shape::kOneRow, Shape::kSparse, Shape::kDense, Shape::kExtreme, Shape::kLowLines}) {
    for (int n = 0; n < 3000; ++n) {
      const VCoefficientBlock input = RandomBlock(rng, shape);
      VCoefficientBlock expected = input;
      InverseTransform(expected);
      for (const int32_t level : SimdLevels()) {
        SimdLevelScope scope(level);
        VCoefficientBlock got = input;
        InverseTransformBlock(got);
        ASSERT_EQ(0, std::memcmp(got.c, expected.c, sizeof(got.c)))
            << "shape " << static_cast<int>(shape) << " block " << n << " level " << level;
      }
    }
  }
}

// The transform written straight into the pixels gives what the scalar
// transform and store give, intra and added, at every level.
TEST(VideoKernelsEquality, TransformAndStoreEqualsScalarTransformThenStore) {
  std::mt19937 rng(2024);
  constexpr int kStride = 20;
  for (const Shape shape :
       {Shape::kOneColumn, Shape::kOneRow, Shape::kSparse, Shape::kDense, Shape::kExtreme, Shape::kLowLines}) {
    for (int n = 0; n < 1500; ++n) {
      const VCoefficientBlock input = RandomBlock(rng, shape);
      std::vector<uint8_t> plane(8 * kStride);
      for (uint8_t& p : plane) p = static_cast<uint8_t>(rng());
      const bool intra = n % 2 == 0;
      VCoefficientBlock transformed = input;
      InverseTransform(transformed);
      std::vector<uint8_t> expected = plane;
      StoreBlockPixelsReference(transformed.c, expected.data() + 1, kStride, intra);
      for (const int32_t level : SimdLevels()) {
        SimdLevelScope scope(level);
        VCoefficientBlock block = input;
        std::vector<uint8_t> got = plane;
        InverseTransformAndStore(block, got.data() + 1, kStride, intra);
        ASSERT_EQ(got, expected) << "shape " << static_cast<int>(shape) << " block " << n << " level " << level;
        // The form a decoder takes once per picture.
        block = input;
        got = plane;
        GetTransformAndStore()(block, got.data() + 1, kStride, intra);
        ASSERT_EQ(got, expected) << "chosen form, shape " << static_cast<int>(shape) << " block " << n << " level "
                                 << level;
      }
    }
  }
}

// A lone coefficient anywhere (as a non-intra block may hold), at the
// smallest and largest magnitudes, transformed and stored at every level.
TEST(VideoKernelsEquality, TransformAndStoreOfALoneCoefficientEqualsScalar) {
  std::mt19937 rng(55);
  constexpr int kStride = 16;
  for (int p = 0; p < 64; ++p) {
    const int32_t scale = kTransformScale[p];
    for (const int32_t v : {scale >> 1, -scale, 7 * scale, Limit(p), -Limit(p)}) {
      const VCoefficientBlock input = LoneCoefficient(p, v, 1);
      ASSERT_NO_FATAL_FAILURE(ExpectStoreEqualsReference(input, rng, kStride, InverseTransformAndStore,
                                                         "position " + std::to_string(p) + " value " + std::to_string(v)));
    }
  }
}

// Blocks whose results reach the edge of the 16-bit range (values near
// +-2048 after the transform, 16 times that before its last shift): the
// coefficients signed to add up at one result and scaled so that it lies at
// random about that edge. A vector form working in 16-bit lanes must tell the
// blocks it can hold from those it cannot.
TEST(VideoKernelsEquality, TransformAndStoreAtTheEdgeOfTheWordRangeEqualsScalar) {
  std::mt19937 rng(4242);
  constexpr int kStride = 8;
  // Each position's pattern, for the sign its coefficient gives each result.
  std::array<VCoefficientBlock, 64> lone;
  for (int p = 0; p < 64; ++p) {
    lone[p] = LoneCoefficient(p, kTransformScale[p] * 256, 2);
    InverseTransform(lone[p]);
  }
  // Lone coefficients far past what the decoder hands over, whose inputs do
  // not fit 16 bits even after the transform's first rounding.
  for (int p = 0; p < 64; ++p) {
    for (const int32_t v : {1 << 28, -(1 << 28), -(1 << 27) - 4096}) {
      const VCoefficientBlock input = LoneCoefficient(p, v, 2);
      ASSERT_NO_FATAL_FAILURE(ExpectStoreEqualsReference(input, rng, kStride, TransformAndStoreAtLevel,
                                                         "position " + std::to_string(p) + " value " + std::to_string(v)));
    }
  }
  // The coefficients anywhere, then only in the first four rows and columns,
  // the first four rows, the first four columns (blocks a vector form may
  // take by a shorter way).
  struct Region {
    const char* name;
    int rows, columns, blocks;
  };
  for (const Region region : {Region{"whole block", 8, 8, 6000}, Region{"first four rows and columns", 4, 4, 3000},
                              Region{"first four rows", 4, 8, 3000}, Region{"first four columns", 8, 4, 3000}}) {
    for (int n = 0; n < region.blocks; ++n) {
      const int target = static_cast<int>(rng() % 64);
      const int density = 1 + static_cast<int>(rng() % 4);  // about one in `density` positions coded
      VCoefficientBlock input;
      input.Clear();
      for (int p = 0; p < 64; ++p) {
        if ((p >> 3) >= region.rows || (p & 7) >= region.columns) continue;
        if (rng() % density != 0 || lone[p].c[target] == 0) continue;
        const int32_t v = static_cast<int32_t>(1 + rng() % 1000) * (kTransformScale[p] >> 4);
        PutCoefficient(input, p, lone[p].c[target] > 0 ? v : -v);
        ++input.count;
      }
      VCoefficientBlock probe = input;
      probe.count = std::max(probe.count, 2);
      InverseTransform(probe);
      if (probe.c[target] == 0) continue;
      const double scale = (1400.0 + static_cast<double>(rng() % 1400)) / std::abs(probe.c[target]);
      for (int p = 0; p < 64; ++p)
        input.c[p] = std::clamp(static_cast<int32_t>(input.c[p] * scale), -Limit(p), Limit(p));
      input.count = std::max(input.count, 2);
      ASSERT_NO_FATAL_FAILURE(ExpectStoreEqualsReference(
          input, rng, kStride, TransformAndStoreAtLevel,
          std::string(region.name) + ", block " + std::to_string(n) + " result " + std::to_string(target)));
    }
  }
}

TEST(VideoKernelsEquality, StoreBlockEqualsScalarForIntraAndAddedBlocks) {
  std::mt19937 rng(777);
  // Values near the clamping edges, far past them, and past the 16-bit range.
  const int32_t edges[] = {-100000, -32769, -32768, -256, -255, -129, -128, -1,    0,
                           1,       127,    128,    255,  256,  32767, 32768, 100000};
  constexpr int kStride = 24;
  for (int n = 0; n < 4000; ++n) {
    std::array<int32_t, 64> c;
    for (int32_t& v : c) v = rng() % 2 ? edges[rng() % std::size(edges)] : static_cast<int32_t>(rng() % 601) - 300;
    std::vector<uint8_t> plane(8 * kStride);
    for (uint8_t& p : plane) p = static_cast<uint8_t>(rng());
    const bool intra = n % 2 == 0;
    const int offset = static_cast<int>(rng() % 9);  // any alignment
    std::vector<uint8_t> expected = plane;
    StoreBlockPixelsReference(c.data(), expected.data() + offset, kStride, intra);
    for (const int32_t level : SimdLevels()) {
      SimdLevelScope scope(level);
      std::vector<uint8_t> got = plane;
      StoreBlockPixels(c.data(), got.data() + offset, kStride, intra);
      ASSERT_EQ(got, expected) << "block " << n << " intra " << intra << " level " << level;
    }
  }
}

// A block holding only its DC term is stored as one value without the
// transform: at every level that equals transforming the block in full and
// storing the result, intra or added, over the whole DC range and pixels at
// the clamping edges.
TEST(VideoKernelsEquality, FlatBlocksEqualTheFullTransformAndStore) {
  std::mt19937 rng(31337);
  constexpr int kStride = 16;
  std::vector<int32_t> dcs;
  for (int32_t dc = -2048; dc <= 2047; dc += 7) dcs.push_back(dc);
  for (int32_t dc : {-2048, -1, 0, 1, 2047}) dcs.push_back(dc);
  for (const int32_t dc : dcs) {
    VCoefficientBlock full;
    full.Clear();
    full.c[0] = dc * 8192;
    full.count = 2;  // past the shortcut: the separable transform at the vector levels
    const int32_t flat = InverseTransformFlatValue(full.c[0]);
    std::vector<uint8_t> plane(8 * kStride);
    for (uint8_t& p : plane) p = rng() % 3 ? static_cast<uint8_t>(rng()) : ((rng() & 1) ? 255 : 0);
    for (const bool intra : {true, false}) {
      for (const int32_t level : SimdLevels()) {
        SimdLevelScope scope(level);
        VCoefficientBlock transformed = full;
        InverseTransformBlock(transformed);
        for (int i = 0; i < 64; ++i) ASSERT_EQ(transformed.c[i], flat) << "dc " << dc << " level " << level;
        std::vector<uint8_t> expected = plane, got = plane;
        StoreBlockPixelsReference(transformed.c, expected.data() + 3, kStride, intra);
        StoreFlatBlockPixels(flat, got.data() + 3, kStride, intra);
        ASSERT_EQ(got, expected) << "dc " << dc << " intra " << intra << " level " << level;
      }
    }
  }
  // Values far outside a pixel's range clamp as the block store does.
  for (const int32_t value : {-100000, -256, -255, 255, 256, 100000}) {
    std::vector<uint8_t> plane(8 * kStride);
    for (uint8_t& p : plane) p = static_cast<uint8_t>(rng());
    for (const bool intra : {true, false}) {
      std::vector<uint8_t> expected = plane;
      StoreFlatBlockPixelsReference(value, expected.data(), kStride, intra);
      for (const int32_t level : SimdLevels()) {
        SimdLevelScope scope(level);
        std::vector<uint8_t> got = plane;
        StoreFlatBlockPixels(value, got.data(), kStride, intra);
        ASSERT_EQ(got, expected) << "value " << value << " intra " << intra << " level " << level;
      }
    }
  }
}

TEST(VideoKernelsEquality, PredictionEqualsScalarAtEveryOffsetSizeAndHeight) {
  std::mt19937 rng(99);
  constexpr int kSourceStride = 40, kDestStride = 48;
  std::vector<uint8_t> source(18 * kSourceStride);
  for (int w : {8, 16})
    for (int h = 1; h <= 16; ++h)
      for (int hx = 0; hx < 2; ++hx)
        for (int hy = 0; hy < 2; ++hy)
          for (const bool average : {false, true})
            for (int n = 0; n < 20; ++n) {
              for (uint8_t& p : source) p = static_cast<uint8_t>(rng());
              // Extremes often, where rounding up matters most.
              if (n % 4 == 0)
                for (uint8_t& p : source) p = (rng() & 1) ? 255 : 0;
              std::vector<uint8_t> dst(17 * kDestStride);
              for (uint8_t& p : dst) p = static_cast<uint8_t>(rng());
              const int sx = static_cast<int>(rng() % 8);
              std::vector<uint8_t> expected = dst;
              PredictBlockReference(source.data() + sx, kSourceStride, hx, hy, w, h, expected.data() + 1, kDestStride,
                                    average);
              for (const int32_t level : SimdLevels()) {
                SimdLevelScope scope(level);
                std::vector<uint8_t> got = dst;
                PredictBlock(source.data() + sx, kSourceStride, hx, hy, w, h, got.data() + 1, kDestStride, average);
                ASSERT_EQ(got, expected) << "w " << w << " h " << h << " hx " << hx << " hy " << hy << " average "
                                         << average << " level " << level;
              }
            }
}

// The kernels a decoder takes once per picture: areas as wide as runs of
// macroblocks (strips of 32, 16 and 8 columns), and the pair form on two
// planes at once, against the reference form on each plane.
TEST(VideoKernelsEquality, PredictionKernelsEqualScalarForWideAreasAndPlanePairs) {
  std::mt19937 rng(314);
  constexpr int kSourceStride = 200, kDestStride = 216;
  std::vector<uint8_t> source0(18 * kSourceStride), source1(18 * kSourceStride);
  for (int w = 8; w <= 184; w += 8)
    for (const int h : {1, 4, 8, 16})
      for (int hx = 0; hx < 2; ++hx)
        for (int hy = 0; hy < 2; ++hy)
          for (const bool average : {false, true})
            for (int n = 0; n < 3; ++n) {
              // Extremes first, where rounding up matters most.
              for (std::vector<uint8_t>* source : {&source0, &source1})
                for (uint8_t& p : *source) p = static_cast<uint8_t>(n == 0 ? ((rng() & 1) ? 255 : 0) : rng());
              std::vector<uint8_t> dst0(17 * kDestStride), dst1(17 * kDestStride);
              for (uint8_t& p : dst0) p = static_cast<uint8_t>(rng());
              for (uint8_t& p : dst1) p = static_cast<uint8_t>(rng());
              const int sx = static_cast<int>(rng() % 8);
              std::vector<uint8_t> expected0 = dst0, expected1 = dst1;
              PredictBlockReference(source0.data() + sx, kSourceStride, hx, hy, w, h, expected0.data() + 3,
                                    kDestStride, average);
              PredictBlockReference(source1.data() + sx, kSourceStride, hx, hy, w, h, expected1.data() + 3,
                                    kDestStride, average);
              for (const int32_t level : SimdLevels()) {
                SimdLevelScope scope(level);
                const VPredictionKernels& kernels = GetPredictionKernels();
                std::vector<uint8_t> got0 = dst0, got1 = dst1;
                kernels.area[hx][hy][average](source0.data() + sx, kSourceStride, got0.data() + 3, kDestStride, w,
                                              h);
                ASSERT_EQ(got0, expected0) << "area w " << w << " h " << h << " hx " << hx << " hy " << hy
                                           << " average " << average << " level " << level;
                got0 = dst0;
                kernels.pair[hx][hy][average](source0.data() + sx, source1.data() + sx, kSourceStride,
                                              got0.data() + 3, got1.data() + 3, kDestStride, w, h);
                ASSERT_EQ(got0, expected0) << "pair w " << w << " h " << h << " hx " << hx << " hy " << hy
                                           << " average " << average << " level " << level;
                ASSERT_EQ(got1, expected1) << "pair w " << w << " h " << h << " hx " << hx << " hy " << hy
                                           << " average " << average << " level " << level;
              }
            }
}

TEST(VideoKernelsEquality, PredictionAgreesWithTheRoundedAverageDefinition) {
  // Horizontal neighbours first, then the two lines, each rounding up; then the
  // average with the other direction.
  const uint8_t src[2][17] = {{1, 2, 4, 7, 255, 0, 9, 9, 3, 3, 3, 3, 3, 3, 3, 3, 200},
                              {2, 2, 5, 8, 254, 1, 8, 7, 3, 4, 3, 4, 3, 4, 3, 4, 100}};
  for (const int32_t level : SimdLevels()) {
    SimdLevelScope scope(level);
    uint8_t out[16] = {};
    PredictBlock(src[0], 17, 1, 1, 16, 1, out, 16, false);
    for (int c = 0; c < 16; ++c) {
      const int top = (src[0][c] + src[0][c + 1] + 1) >> 1, bottom = (src[1][c] + src[1][c + 1] + 1) >> 1;
      EXPECT_EQ(out[c], (top + bottom + 1) >> 1) << c << " level " << level;
    }
    uint8_t averaged[16];
    std::memset(averaged, 10, sizeof(averaged));
    PredictBlock(src[0], 17, 0, 0, 16, 1, averaged, 16, true);
    for (int c = 0; c < 16; ++c) EXPECT_EQ(averaged[c], (10 + src[0][c] + 1) >> 1) << c << " level " << level;
  }
}

TEST(VideoKernelsEquality, ConversionTo16BitsEqualsScalarForEveryWidthAndDither) {
  std::mt19937 rng(4242);
  std::vector<uint16_t> table(65536);
  for (uint16_t& v : table) v = static_cast<uint16_t>(rng());
  // The halved rows of the decoder's dither, and the widest offsets.
  const int32_t dithers[][4] = {{-4, 0, -3, 1}, {2, -2, 3, -1}, {-2, 1, -3, 0}, {3, 0, 2, -1}, {-4, -4, 3, 3}};
  for (int width = 1; width <= 80; ++width)
    for (const auto& dither : dithers)
      for (const bool little : {true, false}) {
        std::vector<uint8_t> y(static_cast<size_t>(width)), cb(static_cast<size_t>(width + 1) / 2),
            cr(static_cast<size_t>(width + 1) / 2);
        for (uint8_t& v : y) v = static_cast<uint8_t>(rng());
        // Chroma at the ends of the range, where the dither clamps.
        for (uint8_t& v : cb) v = rng() % 3 == 0 ? static_cast<uint8_t>((rng() & 1) ? 255 - rng() % 4 : rng() % 4)
                                                 : static_cast<uint8_t>(rng());
        for (uint8_t& v : cr) v = rng() % 3 == 0 ? static_cast<uint8_t>((rng() & 1) ? 255 - rng() % 4 : rng() % 4)
                                                 : static_cast<uint8_t>(rng());
        std::vector<uint8_t> expected(2 * static_cast<size_t>(width) + 2, 0xAB);
        ConvertLineTo16BitsReference(expected.data(), y.data(), cb.data(), cr.data(), width, dither, table.data(),
                                     little);
        for (const int32_t level : SimdLevels()) {
          SimdLevelScope scope(level);
          std::vector<uint8_t> got(expected.size(), 0xAB);
          ConvertLineTo16Bits(got.data(), y.data(), cb.data(), cr.data(), width, dither, table.data(), little);
          ASSERT_EQ(got, expected) << "width " << width << " little " << little << " level " << level;
        }
      }
}

// The colour tables of every matrix code, 15 and 16 bits, released at the end.
struct FormulaTables {
  struct Entry {
    int32_t matrix, depth;
    const uint16_t* table;
    VPixel16Formula formula;
  };
  std::vector<VYCbCrColorTable*> owned;
  std::vector<Entry> entries;
  FormulaTables() {
    for (int32_t matrix = 0; matrix <= 8; ++matrix) {  // 8 stands for any code out of range
      auto* t = new VYCbCrColorTable(matrix, static_cast<const ColorTableData*>(nullptr));
      owned.push_back(t);
      for (const int32_t depth : {15, 16})
        entries.push_back({matrix, depth, depth == 15 ? t->Build15BitTable() : t->Build16BitTable(),
                           Pixel16FormulaOf(*t, depth)});
    }
  }
  ~FormulaTables() {
    for (VYCbCrColorTable* t : owned) t->Release();
  }
};

TEST(VideoKernelsEquality, FormulaGivesEveryCellOfTheColourTables) {
  FormulaTables tables;
  for (const auto& e : tables.entries) {
    ASSERT_NE(e.table, nullptr);
    for (int32_t index = 0; index < 65536; ++index)
      ASSERT_EQ(Pixel16ByFormula(e.formula, index), e.table[index])
          << "matrix " << e.matrix << " depth " << e.depth << " index " << index;
  }
}

TEST(VideoKernelsEquality, ConversionByFormulaEqualsTheTableForEveryCellAndLine) {
  FormulaTables tables;
  std::mt19937 rng(777);
  // Every cell: one line per chroma cell pair with all 64 luma cells, each
  // sample anywhere inside its cell, and no dither.
  const int32_t noDither[4] = {0, 0, 0, 0};
  std::vector<uint8_t> y(64), cb(32), cr(32);
  std::vector<uint8_t> expected(128), got(128);
  for (const auto& e : tables.entries)
    for (int32_t cb5 = 0; cb5 < 32; ++cb5)
      for (int32_t cr5 = 0; cr5 < 32; ++cr5) {
        for (int32_t i = 0; i < 64; ++i)
          y[static_cast<size_t>(i)] = static_cast<uint8_t>(4 * ((i * 29) & 63) + rng() % 4);
        for (int32_t i = 0; i < 32; ++i) {
          cb[static_cast<size_t>(i)] = static_cast<uint8_t>(8 * cb5 + rng() % 8);
          cr[static_cast<size_t>(i)] = static_cast<uint8_t>(8 * cr5 + rng() % 8);
        }
        for (const bool little : {true, false}) {
          ConvertLineTo16BitsReference(expected.data(), y.data(), cb.data(), cr.data(), 64, noDither, e.table,
                                       little);
          for (const int32_t level : SimdLevels()) {
            SimdLevelScope scope(level);
            ConvertLineTo16BitsByFormula(got.data(), y.data(), cb.data(), cr.data(), 64, noDither, e.formula,
                                         little);
            ASSERT_EQ(got, expected) << "matrix " << e.matrix << " depth " << e.depth << " cells " << cb5 << ","
                                     << cr5 << " little " << little << " level " << level;
          }
        }
      }
  // Lines of every width with the decoder's dithers, chroma often at the ends,
  // alone and in pairs sharing the chroma.
  const int32_t dithers[][4] = {{-4, 0, -3, 1}, {2, -2, 3, -1}, {-2, 1, -3, 0}, {3, 0, 2, -1}, {-4, -4, 3, 3}};
  for (const auto& e : tables.entries)
    for (int width = 1; width <= 70; ++width)
      for (const auto& dither : dithers) {
        std::vector<uint8_t> ly(static_cast<size_t>(width)), lcb(static_cast<size_t>(width + 1) / 2),
            lcr(static_cast<size_t>(width + 1) / 2);
        for (uint8_t& v : ly) v = static_cast<uint8_t>(rng());
        for (uint8_t& v : lcb) v = rng() % 3 == 0 ? static_cast<uint8_t>((rng() & 1) ? 255 - rng() % 4 : rng() % 4)
                                                  : static_cast<uint8_t>(rng());
        for (uint8_t& v : lcr) v = rng() % 3 == 0 ? static_cast<uint8_t>((rng() & 1) ? 255 - rng() % 4 : rng() % 4)
                                                  : static_cast<uint8_t>(rng());
        for (const bool little : {true, false}) {
          std::vector<uint8_t> want(2 * static_cast<size_t>(width) + 2, 0xAB);
          ConvertLineTo16BitsReference(want.data(), ly.data(), lcb.data(), lcr.data(), width, dither, e.table,
                                       little);
          for (const int32_t level : SimdLevels()) {
            SimdLevelScope scope(level);
            std::vector<uint8_t> line(want.size(), 0xAB);
            ConvertLineTo16BitsByFormula(line.data(), ly.data(), lcb.data(), lcr.data(), width, dither, e.formula,
                                         little);
            ASSERT_EQ(line, want) << "matrix " << e.matrix << " depth " << e.depth << " width " << width
                                  << " little " << little << " level " << level;
            // The same line as the second of a pair whose first line is its mirror.
            std::vector<uint8_t> lumaPair(ly.rbegin(), ly.rend()), mirrorWant(want.size(), 0xAB);
            ConvertLineTo16BitsReference(mirrorWant.data(), lumaPair.data(), lcb.data(), lcr.data(), width, dither,
                                         e.table, little);
            lumaPair.insert(lumaPair.end(), ly.begin(), ly.end());
            std::vector<uint8_t> pair(2 * want.size(), 0xAB);
            const int32_t pairDither[4][4] = {{dither[0], dither[1], dither[2], dither[3]}};
            ConvertLinePairsTo16BitsByFormula(pair.data(), static_cast<ptrdiff_t>(want.size()), lumaPair.data(), width,
                                              lcb.data(), lcr.data(), 0, width, 1, pairDither, e.formula, little);
            const std::vector<uint8_t> first(pair.begin(), pair.begin() + static_cast<ptrdiff_t>(want.size()));
            const std::vector<uint8_t> second(pair.begin() + static_cast<ptrdiff_t>(want.size()), pair.end());
            ASSERT_EQ(first, mirrorWant) << "pair, width " << width << " level " << level;
            ASSERT_EQ(second, want) << "pair, width " << width << " level " << level;
          }
        }
      }
}

// The 32-bit form against the colour tables' component tables: every luma,
// Cb and Cr value for each coefficient row, then lines of every width in each
// byte layout.
TEST(VideoKernelsEquality, ConversionTo32BitsGivesTheComponentTablesForEverySample) {
  const auto expect = [](const VYCbCrColorTable& t, int32_t y, int32_t cb, int32_t cr, const int32_t offsets[4],
                         uint8_t* p) {
    const int32_t* clip = t.GetClip();
    const int32_t l = t.GetLuma()[y];
    p[offsets[0]] = static_cast<uint8_t>(clip[(l + t.GetCrToRedTable()[cr]) >> 16]);
    p[offsets[1]] = static_cast<uint8_t>(clip[(l - t.GetCbToGreenTable()[cb] - t.GetCrToGreenTable()[cr]) >> 16]);
    p[offsets[2]] = static_cast<uint8_t>(clip[(l + t.GetCbToBlueTable()[cb]) >> 16]);
    p[offsets[3]] = 0;
  };
  const int32_t bgrx[4] = {2, 1, 0, 3};
  for (const int32_t matrix : {1, 4, 5, 7}) {  // the four coefficient rows
    VYCbCrColorTable* table = new VYCbCrColorTable(matrix, static_cast<const ColorTableData*>(nullptr));
    ASSERT_NE(table->GetLuma(), nullptr);
    const VPixel16Formula formula = Pixel16FormulaOf(*table, 16);
    // One line per chroma pair, all 256 luma values under it.
    std::vector<uint8_t> y(256), cb(128), cr(128), want(1024), got(1024);
    for (int32_t i = 0; i < 256; ++i) y[static_cast<size_t>(i)] = static_cast<uint8_t>(i);
    for (int32_t cbValue = 0; cbValue < 256; ++cbValue)
      for (int32_t crValue = 0; crValue < 256; ++crValue) {
        std::fill(cb.begin(), cb.end(), static_cast<uint8_t>(cbValue));
        std::fill(cr.begin(), cr.end(), static_cast<uint8_t>(crValue));
        for (int32_t i = 0; i < 256; ++i) expect(*table, i, cbValue, crValue, bgrx, &want[4 * static_cast<size_t>(i)]);
        for (const int32_t level : SimdLevels()) {
          SimdLevelScope scope(level);
          ConvertLineTo32BitsByFormula(got.data(), y.data(), cb.data(), cr.data(), 256, formula, bgrx);
          ASSERT_EQ(got, want) << "matrix " << matrix << " Cb " << cbValue << " Cr " << crValue << " level "
                               << level;
        }
      }
    std::mt19937 rng(static_cast<uint32_t>(matrix));
    const int32_t layouts[4][4] = {{0, 1, 2, 3}, {2, 1, 0, 3}, {1, 2, 3, 0}, {3, 2, 1, 0}};
    for (int width = 1; width <= 70; ++width)
      for (const auto& offsets : layouts) {
        std::vector<uint8_t> ly(static_cast<size_t>(width)), lcb(static_cast<size_t>(width + 1) / 2),
            lcr(static_cast<size_t>(width + 1) / 2);
        for (uint8_t& v : ly) v = static_cast<uint8_t>(rng());
        for (uint8_t& v : lcb) v = static_cast<uint8_t>(rng());
        for (uint8_t& v : lcr) v = static_cast<uint8_t>(rng());
        std::vector<uint8_t> lineWant(4 * static_cast<size_t>(width) + 4, 0xAB);
        for (int x = 0; x < width; ++x)
          expect(*table, ly[static_cast<size_t>(x)], lcb[static_cast<size_t>(x / 2)], lcr[static_cast<size_t>(x / 2)],
                 offsets, &lineWant[4 * static_cast<size_t>(x)]);
        for (const int32_t level : SimdLevels()) {
          SimdLevelScope scope(level);
          std::vector<uint8_t> line(lineWant.size(), 0xAB);
          ConvertLineTo32BitsByFormula(line.data(), ly.data(), lcb.data(), lcr.data(), width, formula, offsets);
          ASSERT_EQ(line, lineWant) << "matrix " << matrix << " width " << width << " red at " << offsets[0]
                                    << " level " << level;
        }
      }
    table->Release();
  }
}

// Pairs of lines in one call, top-down and bottom-up, against pair by pair.
TEST(VideoKernelsEquality, LinePairsEqualOnePairAtATime) {
  FormulaTables tables;
  std::mt19937 rng(99);
  const int32_t dithers[4][4] = {{-4, 0, -3, 1}, {2, -2, 3, -1}, {-2, 1, -3, 0}, {3, 0, 2, -1}};
  for (const auto& e : tables.entries) {
    if (e.matrix != 5 && e.matrix != 1) continue;
    for (const int width : {16, 40, 64, 77, 96}) {
      const int pairs = 5, chromaWidth = (width + 1) / 2;
      std::vector<uint8_t> y(static_cast<size_t>(width) * 2 * pairs), cb(static_cast<size_t>(chromaWidth) * pairs),
          cr(cb.size());
      for (uint8_t& v : y) v = static_cast<uint8_t>(rng());
      for (uint8_t& v : cb) v = static_cast<uint8_t>(rng());
      for (uint8_t& v : cr) v = static_cast<uint8_t>(rng());
      const size_t lineBytes = 2 * static_cast<size_t>(width) + 6;  // a gap after each line
      for (const bool little : {true, false})
        for (const bool bottomUp : {false, true})
          for (const int32_t level : SimdLevels()) {
            SimdLevelScope scope(level);
            std::vector<uint8_t> want(lineBytes * 2 * pairs, 0xAB), got(want.size(), 0xAB);
            const auto lineAt = [&](std::vector<uint8_t>& v, int line) {
              return v.data() + lineBytes * static_cast<size_t>(bottomUp ? 2 * pairs - 1 - line : line);
            };
            for (int p = 0; p < pairs; ++p)
              for (int line = 0; line < 2; ++line)
                ConvertLineTo16BitsByFormula(lineAt(want, 2 * p + line), &y[(2 * p + line) * width],
                                             &cb[p * chromaWidth], &cr[p * chromaWidth], width, dithers[p & 3],
                                             e.formula, little);
            const ptrdiff_t stride = bottomUp ? -static_cast<ptrdiff_t>(lineBytes) : static_cast<ptrdiff_t>(lineBytes);
            ConvertLinePairsTo16BitsByFormula(lineAt(got, 0), stride, y.data(), width, cb.data(), cr.data(),
                                              chromaWidth, width, pairs, dithers, e.formula, little);
            ASSERT_EQ(got, want) << "depth " << e.depth << " width " << width << " little " << little
                                 << " bottom-up " << bottomUp << " level " << level;
          }
    }
  }
}

TEST(VideoKernelsEquality, LevelIsCappedToTheProcessor) {
  const int32_t saved = GetVideoSimdLevel();
  EXPECT_EQ(SetVideoSimdLevel(-3), kVideoSimdScalar);
  EXPECT_EQ(GetVideoSimdLevel(), kVideoSimdScalar);
  const int32_t best = SetVideoSimdLevel(100);
  EXPECT_GE(best, kVideoSimdScalar);
  EXPECT_LE(best, kVideoSimdAvx512);
  SetVideoSimdLevel(saved);
}

class VideoDecodingAtEveryLevelTest : public testsupport::TempDirTest {
 protected:
  VideoDecodingAtEveryLevelTest() : TempDirTest("mpeglevels") {}
};

// Decoded frames and their 16-bit conversion, in display order.
std::vector<std::vector<uint8_t>> DecodeAndConvert(const std::string& path) {
  std::vector<std::vector<uint8_t>> out;
  VFile file(VFileSpec(path.c_str()), 0, 0);
  if (!file.Open(1)) return out;
  VBitstream bitstream(&file, 32768, true);
  VideoStreamDecoder decoder(bitstream, 4);
  if (!decoder.Start()) return out;
  while (auto picture = decoder.Next()) {
    out.push_back(mpegtest::CopyFrame(*picture).bytes);
    std::vector<uint8_t> pixels(size_t(2) * picture->width * picture->height);
    PixelBuffer buffer;
    buffer.pixels = pixels.data();
    buffer.width = picture->width;
    buffer.height = picture->height;
    buffer.depth = 16;
    buffer.rowBytes = 2 * picture->width;
    buffer.pixelFormat = kFormat565LE;
    EXPECT_TRUE(picture->ConvertToPixels(buffer, 0, 0, buffer.width, buffer.height));
    out.push_back(std::move(pixels));
  }
  return out;
}

TEST_F(VideoDecodingAtEveryLevelTest, StreamsDecodeAndConvertIdenticallyAtEveryLevel) {
  if (mpegtest::Ffmpeg().empty()) return;  // marked by RequireTool
  // Fast motion reaching past the edges; field motion and dual chroma in 4:2:2.
  const char* const streams[][2] = {
      {"a.m1v", "-f lavfi -i testsrc2=size=344x232:rate=25,scroll=h=0.05:v=0.03 -frames:v 16 -c:v mpeg1video -bf 2 "
                "-g 12 -me_range 60 -b:v 3000k -f mpeg1video"},
      {"b.m2v", "-f lavfi -i testsrc2=size=200x150:rate=25,scroll=h=0.02:v=0.01 -frames:v 16 -c:v mpeg2video -bf 2 "
                "-g 12 -pix_fmt yuv422p -flags +ildct+ilme -top 0 -f mpeg2video"},
  };
  for (const auto& stream : streams) {
    ASSERT_TRUE(mpegtest::RunFfmpeg(std::string(stream[1]) + " " + Path(stream[0])));
    std::vector<std::vector<uint8_t>> expected;
    {
      SimdLevelScope scope(kVideoSimdScalar);
      expected = DecodeAndConvert(Path(stream[0]));
    }
    ASSERT_EQ(expected.size(), 32u) << stream[0];
    for (const int32_t level : SimdLevels()) {
      SimdLevelScope scope(level);
      const auto got = DecodeAndConvert(Path(stream[0]));
      ASSERT_EQ(got.size(), expected.size());
      for (size_t i = 0; i < got.size(); ++i)
        EXPECT_EQ(got[i], expected[i]) << stream[0] << " item " << i << " level " << level;
    }
  }
}

}  // namespace
