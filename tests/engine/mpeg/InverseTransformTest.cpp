// The integer inverse transform (8-bit fixed point, so within 1.5) against the
// defining formula in double precision, for blocks of one coefficient anywhere
// (the flat-block shortcut must take only a lone DC term) and for a few mixed
// blocks, at every instruction-set level.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "engine/mpeg/InverseTransform.h"
#include "engine/mpeg/VideoKernels.h"

namespace {

// f(x, y) = 1/4 sum C(u) C(v) F(v, u) cos((2x + 1) u pi / 16) cos((2y + 1) v pi / 16).
double Reference(const int32_t* f, int x, int y) {
  const double pi = std::acos(-1.0);
  double sum = 0;
  for (int v = 0; v < 8; ++v)
    for (int u = 0; u < 8; ++u) {
      const double cu = u ? 1.0 : std::sqrt(0.5), cv = v ? 1.0 : std::sqrt(0.5);
      sum += cu * cv * f[8 * v + u] * std::cos((2 * x + 1) * u * pi / 16) * std::cos((2 * y + 1) * v * pi / 16);
    }
  return sum / 4;
}

// The block the decoder hands the transform for these coefficients.
VCoefficientBlock Prescaled(const int32_t* f) {
  VCoefficientBlock b;
  b.Clear();
  for (int p = 0; p < 64; ++p) {
    if (!f[p]) continue;
    b.c[p] = f[p] * kTransformScale[p] / 2;
    b.rowFlags[p >> 3] = 1;
    b.columnFlags[p & 7] = 1;
    ++b.count;
  }
  return b;
}

void ExpectCloseToReference(const int32_t* f, const char* what) {
  const int32_t saved = GetVideoSimdLevel();
  const int32_t best = SetVideoSimdLevel(kVideoSimdAvx512);
  for (int32_t level = kVideoSimdScalar; level <= best; ++level) {
    SetVideoSimdLevel(level);
    VCoefficientBlock b = Prescaled(f);
    InverseTransformBlock(b);
    for (int y = 0; y < 8; ++y)
      for (int x = 0; x < 8; ++x)
        ASSERT_NEAR(b.c[8 * y + x], Reference(f, x, y), 1.5) << what << " at " << x << "," << y << " level " << level;
  }
  SetVideoSimdLevel(saved);
}

TEST(InverseTransform, LoneCoefficientAnywhereGivesItsCosinePattern) {
  for (int p = 0; p < 64; ++p)
    for (const int32_t value : {1, -3, 17, 200, -1000}) {
      std::vector<int32_t> f(64, 0);
      f[static_cast<size_t>(p)] = value;
      ExpectCloseToReference(f.data(), ("position " + std::to_string(p) + " value " + std::to_string(value)).c_str());
    }
}

TEST(InverseTransform, MixedBlocksFollowTheFormula) {
  const std::vector<std::vector<std::pair<int, int32_t>>> blocks = {
      {{0, 400}, {1, -30}, {8, 25}},             // DC with the first terms of a row and a column
      {{9, 60}, {18, -40}, {63, 5}},             // diagonal terms only
      {{7, 100}, {56, -100}},                    // the highest frequencies of row and column 0
      {{0, -800}, {2, 12}, {3, -7}, {5, 9}},     // one row
      {{0, 640}, {16, -11}, {40, 13}, {48, 8}},  // one column
  };
  for (size_t i = 0; i < blocks.size(); ++i) {
    std::vector<int32_t> f(64, 0);
    for (const auto& [p, v] : blocks[i]) f[static_cast<size_t>(p)] = v;
    ExpectCloseToReference(f.data(), ("block " + std::to_string(i)).c_str());
  }
}

}  // namespace
