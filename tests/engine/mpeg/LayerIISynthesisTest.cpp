// The synthesis filter bank against the direct form of ISO/IEC 11172-3
// (matrixing into a 1024-value vector FIFO, windowing with D), computed in
// double precision from the same window; its DCT against the plain sum; and
// loud input that leaves the 16-bit range clipping instead of wrapping.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <numbers>
#include <random>
#include <vector>

#include "engine/mpeg/VIDCTFilterBank.h"

namespace {

// D[0..511] as the filter bank holds it (13 fraction bits).
std::vector<double> WindowD() {
  const int16_t* w = VIDCTFilterBank::Window();
  std::vector<double> d(512);
  for (int j = 0; j < 32; ++j) {
    for (int i = 0; i < 8; ++i) {
      d[static_cast<size_t>(64 * i + j)] = w[j * 16 + 2 * i] / 8192.0;
      d[static_cast<size_t>(64 * i + 32 + j)] = w[j * 16 + 2 * i + 1] / 8192.0;
    }
  }
  return d;
}

// The standard's synthesis, one channel, in doubles.
class DirectSynthesis {
 public:
  DirectSynthesis() : v_(1024, 0.0), d_(WindowD()) {}
  void Slot(const double* s, double* out) {
    for (int i = 1023; i >= 64; --i) v_[static_cast<size_t>(i)] = v_[static_cast<size_t>(i - 64)];
    for (int i = 0; i < 64; ++i) {
      double sum = 0;
      for (int k = 0; k < 32; ++k) sum += std::cos((16 + i) * (2 * k + 1) * std::numbers::pi / 64.0) * s[k];
      v_[static_cast<size_t>(i)] = sum;
    }
    double u[512];
    for (int i = 0; i < 8; ++i) {
      for (int j = 0; j < 32; ++j) {
        u[i * 64 + j] = v_[static_cast<size_t>(i * 128 + j)];
        u[i * 64 + 32 + j] = v_[static_cast<size_t>(i * 128 + 96 + j)];
      }
    }
    for (int j = 0; j < 32; ++j) {
      double sum = 0;
      for (int i = 0; i < 16; ++i) sum += u[j + 32 * i] * d_[static_cast<size_t>(j + 32 * i)];
      out[j] = sum;
    }
  }

 private:
  std::vector<double> v_;
  std::vector<double> d_;
};

TEST(LayerIISynthesis, DCTMatchesTheSum) {
  std::mt19937 random(7);
  std::uniform_int_distribution<int> sample(-16384, 16384);
  for (int round = 0; round < 40; ++round) {
    int16_t x[32];
    for (int16_t& v : x) v = static_cast<int16_t>(sample(random));
    if (round == 0) std::fill(x, x + 32, int16_t{16384});  // the largest sums
    if (round == 1) {
      for (int n = 0; n < 32; ++n) x[n] = static_cast<int16_t>(n & 1 ? -32768 : 32767);
    }
    int32_t fast[32];
    VIDCTFilterBank::DCT32(x, fast);
    for (int k = 0; k < 32; ++k) {
      double sum = 0;
      for (int n = 0; n < 32; ++n) sum += std::clamp<int>(x[n], -16383, 16383) * std::cos((2 * n + 1) * k * std::numbers::pi / 64.0);
      // Twelve-bit cosines: an error of at most 1/8192 of the inputs' sum.
      EXPECT_NEAR(fast[k], sum, 1.0 + 32 * 16384 / 8192.0) << "round " << round << " k " << k;
    }
  }
}

TEST(LayerIISynthesis, MatchesTheDirectForm) {
  std::mt19937 random(11);
  std::normal_distribution<double> sample(0.0, 0.08);
  VIDCTFilterBank bank(1);
  DirectSynthesis direct;
  double signal = 0, noise = 0;
  for (int slot = 0; slot < 400; ++slot) {
    int16_t in[32];
    double ind[32];
    for (int k = 0; k < 32; ++k) {
      // Falling with frequency, as real content does.
      in[k] = static_cast<int16_t>(std::lround(std::clamp(sample(random) * 8192.0 / (1 + k / 4.0), -8192.0, 8192.0)));
      ind[k] = in[k] / 8192.0;
    }
    int16_t out[32];
    double ref[32];
    bank.SynthesizeSlot(0, in, out, 1);
    direct.Slot(ind, ref);
    for (int j = 0; j < 32; ++j) {
      const double r = ref[j] * 32768.0;
      signal += r * r;
      noise += (r - out[j]) * (r - out[j]);
      ASSERT_NEAR(out[j], r, 12.0) << "slot " << slot << " position " << j;
    }
  }
  EXPECT_GT(10 * std::log10(signal / noise), 60.0);
}

// The same synthesis in the bank's own integers, computed the plain way: the
// 64-value vector from the DCT's outputs through the cosine's symmetries,
// saturated to 16 bits, a 1024-value FIFO, the window of 13 fraction bits
// and the sum rounded and saturated. The bank must give exactly these samples.
class IntegerSynthesis {
 public:
  IntegerSynthesis() : v_(1024, 0) {}
  void Slot(const int16_t* s, int16_t* out) {
    int32_t c[32];
    VIDCTFilterBank::DCT32(s, c);
    // sum of s[k] cos((2k+1) m pi / 64) for any m >= 0.
    auto cosineSum = [&](auto& self, int m) -> int64_t {
      if (m >= 64) return -self(self, m - 64);
      if (m > 32) return -self(self, 64 - m);
      return m == 32 ? 0 : c[m];
    };
    for (int i = 1023; i >= 64; --i) v_[static_cast<size_t>(i)] = v_[static_cast<size_t>(i - 64)];
    for (int i = 0; i < 64; ++i)
      v_[static_cast<size_t>(i)] = static_cast<int16_t>(std::clamp<int64_t>(cosineSum(cosineSum, 16 + i), -32768, 32767));
    const int16_t* w = VIDCTFilterBank::Window();
    for (int j = 0; j < 32; ++j) {
      int64_t sum = 0;
      for (int i = 0; i < 8; ++i) {
        sum += int64_t{w[j * 16 + 2 * i]} * v_[static_cast<size_t>(128 * i + j)];
        sum += int64_t{w[j * 16 + 2 * i + 1]} * v_[static_cast<size_t>(128 * i + 96 + j)];
      }
      out[j] = static_cast<int16_t>(std::clamp<int64_t>((sum + 1024) >> 11, -32768, 32767));
    }
  }

 private:
  std::vector<int16_t> v_;
};

TEST(LayerIISynthesis, MatchesTheIntegerDirectFormExactly) {
  // Two channels in turn (their histories must stay apart), with quiet,
  // ordinary and loud content (the vector saturating) and silence after it.
  std::mt19937 random(5);
  std::normal_distribution<double> sample(0.0, 0.08);
  VIDCTFilterBank bank(2);
  IntegerSynthesis direct[2];
  for (int slot = 0; slot < 600; ++slot) {
    for (int channel = 0; channel < 2; ++channel) {
      int16_t in[32] = {};
      for (int k = 0; k < 32; ++k) {
        double v = sample(random) * 8192.0 / (1 + k / 4.0);
        if (slot >= 200 && slot < 400) v *= 8 * (channel + 1);  // loud
        if (slot >= 500) v = 0;
        in[k] = static_cast<int16_t>(std::lround(std::clamp(v, -32768.0, 32767.0)));
      }
      int16_t out[32], expected[32];
      bank.SynthesizeSlot(channel, in, out, 1);
      direct[channel].Slot(in, expected);
      for (int j = 0; j < 32; ++j)
        ASSERT_EQ(out[j], expected[j]) << "slot " << slot << " channel " << channel << " position " << j;
    }
  }
}

TEST(LayerIISynthesis, WindowSumsCannotOverflow) {
  // |sum of 16 products| <= 32767 * sum |w|, plus the rounding, must stay
  // within 32 bits.
  const int16_t* w = VIDCTFilterBank::Window();
  for (int j = 0; j < 32; ++j) {
    int64_t l1 = 0;
    for (int k = 0; k < 16; ++k) l1 += std::abs(int{w[j * 16 + k]});
    EXPECT_LT(l1 * 32768 + 1024, int64_t{INT32_MAX}) << j;
  }
}

TEST(LayerIISynthesis, LoudInputClipsAndNeverWraps) {
  VIDCTFilterBank bank(1);
  DirectSynthesis direct;
  std::mt19937 random(3);
  for (int slot = 0; slot < 300; ++slot) {
    int16_t in[32] = {};
    if (slot < 100) {
      in[0] = 16383;  // a constant 2.0 in the lowest subband
    } else if (slot < 200) {
      in[3] = (slot & 1) ? 16383 : -16384;  // full scale, alternating
    } else {
      // Every subband at full scale: the synthesis vector itself leaves its
      // range; only the absence of overflow is checked (the sanitizers).
      for (int16_t& v : in) v = (random() & 1) ? 16383 : -16384;
    }
    double ind[32];
    for (int k = 0; k < 32; ++k) ind[k] = in[k] / 8192.0;
    int16_t out[32];
    double ref[32];
    bank.SynthesizeSlot(0, in, out, 1);
    direct.Slot(ind, ref);
    if (slot >= 200) continue;
    for (int j = 0; j < 32; ++j) {
      const double r = ref[j] * 32768.0;
      ASSERT_NEAR(out[j], std::clamp(r, -32768.0, 32767.0), 32.0) << "slot " << slot << " position " << j;
      if (r > 33000) {
        EXPECT_EQ(out[j], 32767);
      }
      if (r < -33000) {
        EXPECT_EQ(out[j], -32768);
      }
    }
  }
}

}  // namespace
