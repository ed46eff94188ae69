// Scalar, SSE2 and AVX2 forms of the video decoder's kernels. The vector forms
// of the inverse transform run the same 32-bit integer arithmetic on eight (or
// four) lines at once, so their results equal the scalar transform's; the
// AVX2 form runs it in 16-bit lanes for the blocks whose values provably stay
// within them, with the same results.
#include "engine/mpeg/VideoKernels.h"

#include <algorithm>
#include <atomic>
#include <bit>
#include <cstddef>
#include <cstring>
#include <utility>

#include "engine/graphics/VYCbCrColorTable.h"
#include "engine/mpeg/InverseTransformKernel.h"
#include "platform/Processor.h"

#if defined(__SSE2__)
#include <immintrin.h>
#endif

namespace {

inline uint8_t Clamp255(int32_t v) { return static_cast<uint8_t>(v < 0 ? 0 : (v > 255 ? 255 : v)); }

static_assert(int32_t{kVideoSimdSse2} == int32_t{platform::kSimdSse2} &&
              int32_t{kVideoSimdAvx2} == int32_t{platform::kSimdAvx2});
int32_t DetectVideoSimdLevel() {
  const int32_t best = platform::BestSimdSupport();
  return best >= kVideoSimdAvx2 && platform::HasAvx512Bw() ? int32_t{kVideoSimdAvx512} : best;
}

std::atomic<int32_t> gVideoSimdLevel{DetectVideoSimdLevel()};

// The eight flags of the rows (or columns) holding coefficients as a word
// of 0x01 and 0x00 bytes, the first flag lowest.
inline uint64_t FlagBits(const uint8_t* flags) {
  uint64_t v;
  std::memcpy(&v, flags, 8);
  if constexpr (std::endian::native == std::endian::big) v = __builtin_bswap64(v);
  v |= v >> 4;
  v |= v >> 2;
  v |= v >> 1;
  return v & 0x0101010101010101ull;
}
inline int FlagCount(uint64_t bits) { return static_cast<int>((bits * 0x0101010101010101ull) >> 56); }

// Counts of rows and columns holding coefficients, which decide the order of
// the two passes.
inline bool RowsFirst(const VCoefficientBlock& b) {
  return FlagCount(FlagBits(b.columnFlags)) >= FlagCount(FlagBits(b.rowFlags));
}

// Rows of a picture to convert: row r is chroma line r and one or two lines
// of luma and of pixels (the lines of a 4:2:0 pair), dithered by dither[r & 3].
struct ConvertRows {
  uint8_t* out[2];  // the lines of row 0
  ptrdiff_t outStride;  // from row to row
  const uint8_t* y[2];
  ptrdiff_t yStride;
  const uint8_t* cb;
  const uint8_t* cr;
  ptrdiff_t chromaStride;
  int32_t count;
  const int32_t (*dither)[4];

  // The samples and pixels of one row (kLines lines of it), and its dither
  // as the bytes to add and to subtract with saturation, one for each of the
  // four chroma columns it repeats over.
  struct Row {
    const uint8_t* cb;
    const uint8_t* cr;
    const uint8_t* y[2];
    uint8_t* out[2];
    int32_t ditherUp, ditherDown;
  };
  // The dither bytes of the rows, by row & 3, made once for all the rows.
  struct DitherBytes {
    int32_t up[4], down[4];
  };
  DitherBytes Dithers() const {
    DitherBytes bytes{};
    for (int32_t row = 0; row < 4 && row < count; ++row) {
      uint32_t up = 0, down = 0;
      for (int k = 0; k < 4; ++k) {
        const int64_t d = dither[row][k];
        up |= static_cast<uint32_t>(std::clamp<int64_t>(d, 0, 255)) << (8 * k);
        down |= static_cast<uint32_t>(std::clamp<int64_t>(-d, 0, 255)) << (8 * k);
      }
      bytes.up[row] = static_cast<int32_t>(up);
      bytes.down[row] = static_cast<int32_t>(down);
    }
    return bytes;
  }
  template <int kLines>
  Row At(int32_t row, const DitherBytes& bytes) const {
    return {cb + row * chromaStride,
            cr + row * chromaStride,
            {y[0] + row * yStride, y[kLines - 1] + row * yStride},
            {out[0] + row * outStride, out[kLines - 1] + row * outStride},
            bytes.up[row & 3],
            bytes.down[row & 3]};
  }
};

#if defined(__SSE2__)

using V4 = int32_t __attribute__((vector_size(16)));
using V8 = int32_t __attribute__((vector_size(32)));

inline __m128i AsM128(V4 v) { return reinterpret_cast<__m128i>(v); }
inline V4 AsV4(__m128i v) { return reinterpret_cast<V4>(v); }

inline void Transpose4(V4& a, V4& b, V4& c, V4& d) {
  const __m128i t0 = _mm_unpacklo_epi32(AsM128(a), AsM128(b)), t1 = _mm_unpackhi_epi32(AsM128(a), AsM128(b));
  const __m128i t2 = _mm_unpacklo_epi32(AsM128(c), AsM128(d)), t3 = _mm_unpackhi_epi32(AsM128(c), AsM128(d));
  a = AsV4(_mm_unpacklo_epi64(t0, t2));
  b = AsV4(_mm_unpackhi_epi64(t0, t2));
  c = AsV4(_mm_unpacklo_epi64(t1, t3));
  d = AsV4(_mm_unpackhi_epi64(t1, t3));
}

// left[i] holds columns 0-3 of row i, right[i] columns 4-7.
inline void Transpose8(V4* left, V4* right) {
  Transpose4(left[0], left[1], left[2], left[3]);
  Transpose4(right[4], right[5], right[6], right[7]);
  Transpose4(right[0], right[1], right[2], right[3]);
  Transpose4(left[4], left[5], left[6], left[7]);
  for (int i = 0; i < 4; ++i) std::swap(right[i], left[i + 4]);
}

void InverseTransformSse2(VCoefficientBlock& b) {
  V4 left[8], right[8];
  for (int i = 0; i < 8; ++i) {
    left[i] = (AsV4(_mm_loadu_si128(reinterpret_cast<const __m128i*>(b.c + 8 * i))) + 2048) >> 12;
    right[i] = (AsV4(_mm_loadu_si128(reinterpret_cast<const __m128i*>(b.c + 8 * i + 4))) + 2048) >> 12;
  }
  if (RowsFirst(b)) {
    Transpose8(left, right);
    InverseTransformKernel(left);
    InverseTransformKernel(right);
    Transpose8(left, right);
    InverseTransformKernel(left);
    InverseTransformKernel(right);
  } else {
    InverseTransformKernel(left);
    InverseTransformKernel(right);
    Transpose8(left, right);
    InverseTransformKernel(left);
    InverseTransformKernel(right);
    Transpose8(left, right);
  }
  for (int i = 0; i < 8; ++i) {
    _mm_storeu_si128(reinterpret_cast<__m128i*>(b.c + 8 * i), AsM128((left[i] + 8) >> 4));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(b.c + 8 * i + 4), AsM128((right[i] + 8) >> 4));
  }
}

#define OSTREVAN_AVX2 __attribute__((target("avx2")))

OSTREVAN_AVX2 inline __m256i AsM256(V8 v) { return reinterpret_cast<__m256i>(v); }
OSTREVAN_AVX2 inline V8 AsV8(__m256i v) { return reinterpret_cast<V8>(v); }

[[gnu::always_inline]] OSTREVAN_AVX2 inline void Transpose8Avx2(V8* r) {
  __m256i t[8], u[8];
  for (int i = 0; i < 8; i += 2) {
    t[i] = _mm256_unpacklo_epi32(AsM256(r[i]), AsM256(r[i + 1]));
    t[i + 1] = _mm256_unpackhi_epi32(AsM256(r[i]), AsM256(r[i + 1]));
  }
  for (int i = 0; i < 8; i += 4) {
    u[i] = _mm256_unpacklo_epi64(t[i], t[i + 2]);
    u[i + 1] = _mm256_unpackhi_epi64(t[i], t[i + 2]);
    u[i + 2] = _mm256_unpacklo_epi64(t[i + 1], t[i + 3]);
    u[i + 3] = _mm256_unpackhi_epi64(t[i + 1], t[i + 3]);
  }
  for (int i = 0; i < 4; ++i) {
    r[i] = AsV8(_mm256_permute2x128_si256(u[i], u[i + 4], 0x20));
    r[i + 4] = AsV8(_mm256_permute2x128_si256(u[i], u[i + 4], 0x31));
  }
}

// The transform's rows before the final shift. The rounding term of the
// final shift (8) is added to every result by adding it to the second pass's
// first input, which each result holds once and no multiplication touches.
template <bool kRowsFirst>
[[gnu::always_inline]] OSTREVAN_AVX2 inline void InverseTransformRowsAvx2(const VCoefficientBlock& b, V8* r) {
  for (int i = 0; i < 8; ++i)
    r[i] = (AsV8(_mm256_loadu_si256(reinterpret_cast<const __m256i*>(b.c + 8 * i))) + 2048) >> 12;
  if constexpr (kRowsFirst) {
    Transpose8Avx2(r);
    InverseTransformKernel(r);
    Transpose8Avx2(r);
    r[0] += 8;
    InverseTransformKernel(r);
  } else {
    InverseTransformKernel(r);
    Transpose8Avx2(r);
    r[0] += 8;
    InverseTransformKernel(r);
    Transpose8Avx2(r);
  }
}

OSTREVAN_AVX2 void InverseTransformAvx2(VCoefficientBlock& b) {
  V8 r[8];
  if (RowsFirst(b))
    InverseTransformRowsAvx2<true>(b, r);
  else
    InverseTransformRowsAvx2<false>(b, r);
  for (int i = 0; i < 8; ++i)
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(b.c + 8 * i), AsM256(r[i] >> 4));
}

// The transform written straight into the pixels, with the saturations of
// the block store: to 16 bits, the add, to 0..255.
template <bool kRowsFirst>
OSTREVAN_AVX2 void InverseTransformAndStoreAvx2(const VCoefficientBlock& b, uint8_t* dst, ptrdiff_t stride,
                                                bool intra) {
  V8 r[8];
  InverseTransformRowsAvx2<kRowsFirst>(b, r);
  const __m256i bias = _mm256_set1_epi16(128);
  for (int i = 0; i < 8; i += 2, dst += 2 * stride) {
    // Rows i and i + 1 as sixteen 16-bit values, in order.
    __m256i rows = _mm256_permute4x64_epi64(
        _mm256_packs_epi32(AsM256(r[i] >> 4), AsM256(r[i + 1] >> 4)), 0xD8);
    if (intra) {
      rows = _mm256_adds_epi16(rows, bias);
    } else {
      const __m128i pixels = _mm_unpacklo_epi64(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(dst)),
                                                _mm_loadl_epi64(reinterpret_cast<const __m128i*>(dst + stride)));
      rows = _mm256_adds_epi16(rows, _mm256_cvtepu8_epi16(pixels));
    }
    const __m128i bytes = _mm_packus_epi16(_mm256_castsi256_si128(rows), _mm256_extracti128_si256(rows, 1));
    _mm_storel_epi64(reinterpret_cast<__m128i*>(dst), bytes);
    _mm_storel_epi64(reinterpret_cast<__m128i*>(dst + stride), _mm_srli_si128(bytes, 8));
  }
}

// The transform in 16-bit lanes, one line of the block per register: half the
// lanes of the 32-bit form for the same work, and products of words. Sums and
// differences wrap (modulo 2^16), which leaves every value that only passes
// through them right modulo 2^16; the values that must be whole are those the
// products are taken of and the last pass's results before the shift, and
// the block's bound below keeps those within 16 bits, where the 16-bit
// transform equals the 32-bit one exactly.
using V16 = uint16_t __attribute__((vector_size(16)));

OSTREVAN_AVX2 inline __m128i AsM128(V16 v) { return reinterpret_cast<__m128i>(v); }
OSTREVAN_AVX2 inline V16 AsV16(__m128i v) { return reinterpret_cast<V16>(v); }

// (x * c + 128) >> 8 for a word x: with c = 256 q + r (0 <= r < 256), q x plus
// the rounded high product of x and r << 7 (which fits a word), which is
// exactly (x r + 128) >> 8.
template <int kConstant>
struct WordProduct {
  static constexpr int kWhole = kConstant >= 0 ? kConstant / 256 : -((-kConstant + 255) / 256);
  static constexpr int kFraction = kConstant - 256 * kWhole;
  static_assert(kFraction >= 0 && kFraction < 256);
  OSTREVAN_AVX2 static inline void Apply(V16& out, const V16& x) {
    const V16 high = AsV16(_mm_mulhrs_epi16(AsM128(x), _mm_set1_epi16(static_cast<int16_t>(kFraction << 7))));
    out = high + x * static_cast<uint16_t>(kWhole);
  }
};

// The products without rounding, for the bound.
template <int kConstant>
struct ExactProduct {
  static constexpr void Apply(double& out, const double& x) { out = x * kConstant / 256.0; }
};

// Integer weights W[8 i + j] >= 16 g(i) g(j), where g(k) is the largest
// factor by which input k of the kernel reaches any output (without
// rounding). For a block of inputs x, S = sum W |x| / 16 bounds the values
// that must stay whole: a product's input in the second pass is at most the
// sum of the first pass's results over the lines, each at most sum g |x| plus
// 2.5 (the kernel's rounding: five products, at most four in a chain), so
// S + 20; a result of the second pass at most S + 2.5 * sum g + 2.5 plus the
// rounding term 8, which is below S + 47. A product's input in the first pass
// is a sum of at most four inputs of one line, below S too (every weight is
// at least 16), and an input past 16 bits saturates to a sum past the bound.
struct WordTransformBound {
  int16_t weight[64] = {};
  static constexpr int32_t kLargestSum = 16 * (32767 - 47);
  constexpr WordTransformBound() {
    double gain[8] = {};
    for (int k = 0; k < 8; ++k) {
      double line[8] = {};
      line[k] = 1.0;
      InverseTransformKernel<double, ExactProduct>(line);
      for (double v : line) gain[k] = v > gain[k] ? v : -v > gain[k] ? -v : gain[k];
    }
    for (int i = 0; i < 64; ++i) {
      const double w = 16.0 * gain[i >> 3] * gain[i & 7];
      const int whole = static_cast<int>(w);
      weight[i] = static_cast<int16_t>(whole < w ? whole + 1 : whole);
    }
  }
};
constexpr WordTransformBound kWordBound;
static_assert(kWordBound.weight[0] == 16 && kWordBound.weight[63] > 16 * 25 && kWordBound.weight[63] < 16 * 26,
              "the kernel's largest gain is that of input 7, about 5.03");

// The transposition of eight lines of eight words.
[[gnu::always_inline]] OSTREVAN_AVX2 inline void Transpose8Words(V16* r) {
  __m128i a[8], b[8];
  for (int i = 0; i < 8; i += 2) {
    a[i] = _mm_unpacklo_epi16(AsM128(r[i]), AsM128(r[i + 1]));
    a[i + 1] = _mm_unpackhi_epi16(AsM128(r[i]), AsM128(r[i + 1]));
  }
  for (int i = 0; i < 8; i += 4) {
    b[i] = _mm_unpacklo_epi32(a[i], a[i + 2]);
    b[i + 1] = _mm_unpackhi_epi32(a[i], a[i + 2]);
    b[i + 2] = _mm_unpacklo_epi32(a[i + 1], a[i + 3]);
    b[i + 3] = _mm_unpackhi_epi32(a[i + 1], a[i + 3]);
  }
  for (int i = 0; i < 4; ++i) {
    r[2 * i] = AsV16(_mm_unpacklo_epi64(b[i], b[i + 4]));
    r[2 * i + 1] = AsV16(_mm_unpackhi_epi64(b[i], b[i + 4]));
  }
}

// The rows of the store: row i of the block's pixels from word row r[i]
// (before the final shift), as a value (intra) or added to the pixels there.
[[gnu::always_inline]] OSTREVAN_AVX2 inline void StoreWordRows(const V16* r, uint8_t* dst, ptrdiff_t stride,
                                                               bool intra) {
  const __m128i bias = _mm_set1_epi16(128);
  for (int i = 0; i < 8; i += 2, dst += 2 * stride) {
    __m128i upper = _mm_srai_epi16(AsM128(r[i]), 4), lower = _mm_srai_epi16(AsM128(r[i + 1]), 4);
    if (intra) {
      upper = _mm_adds_epi16(upper, bias);
      lower = _mm_adds_epi16(lower, bias);
    } else {
      upper = _mm_adds_epi16(upper, _mm_cvtepu8_epi16(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(dst))));
      lower = _mm_adds_epi16(lower,
                             _mm_cvtepu8_epi16(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(dst + stride))));
    }
    const __m128i bytes = _mm_packus_epi16(upper, lower);
    _mm_storel_epi64(reinterpret_cast<__m128i*>(dst), bytes);
    _mm_storel_epi64(reinterpret_cast<__m128i*>(dst + stride), _mm_srli_si128(bytes, 8));
  }
}

// The transform and store in words when the block's bound allows, else in
// the 32-bit form.
template <bool kRowsFirst>
OSTREVAN_AVX2 void InverseTransformAndStoreWordsAvx2(const VCoefficientBlock& b, uint8_t* dst, ptrdiff_t stride,
                                                     bool intra) {
  // The rounded inputs as words, two rows a register (rows 2 m, 2 m + 1),
  // and the bound's sum of them.
  __m256i pairs[4];
  __m256i sum = _mm256_setzero_si256();
  for (int m = 0; m < 4; ++m) {
    const auto row = [&](int i) OSTREVAN_AVX2 {
      return _mm256_srai_epi32(
          _mm256_add_epi32(_mm256_loadu_si256(reinterpret_cast<const __m256i*>(b.c + 8 * i)), _mm256_set1_epi32(2048)),
          12);
    };
    pairs[m] = _mm256_permute4x64_epi64(_mm256_packs_epi32(row(2 * m), row(2 * m + 1)), 0xD8);
    // (-32768, a saturated input, counts as 32767: past the bound either way.)
    const __m256i magnitudes = _mm256_abs_epi16(_mm256_max_epi16(pairs[m], _mm256_set1_epi16(-32767)));
    sum = _mm256_add_epi32(sum, _mm256_madd_epi16(magnitudes,
                                                  _mm256_loadu_si256(reinterpret_cast<const __m256i*>(
                                                      kWordBound.weight + 16 * m))));
  }
  __m128i total = _mm_add_epi32(_mm256_castsi256_si128(sum), _mm256_extracti128_si256(sum, 1));
  total = _mm_add_epi32(total, _mm_shuffle_epi32(total, 0x4E));
  total = _mm_add_epi32(total, _mm_shuffle_epi32(total, 0xB1));
  if (_mm_cvtsi128_si32(total) > WordTransformBound::kLargestSum) {
    InverseTransformAndStoreAvx2<kRowsFirst>(b, dst, stride, intra);
    return;
  }
  V16 r[8];
  for (int m = 0; m < 4; ++m) {
    r[2 * m] = AsV16(_mm256_castsi256_si128(pairs[m]));
    r[2 * m + 1] = AsV16(_mm256_extracti128_si256(pairs[m], 1));
  }
  if constexpr (kRowsFirst) {
    Transpose8Words(r);
    InverseTransformKernel<V16, WordProduct>(r);
    Transpose8Words(r);
    r[0] += 8;
    InverseTransformKernel<V16, WordProduct>(r);
  } else {
    InverseTransformKernel<V16, WordProduct>(r);
    Transpose8Words(r);
    r[0] += 8;
    InverseTransformKernel<V16, WordProduct>(r);
    Transpose8Words(r);
  }
  StoreWordRows(r, dst, stride, intra);
}

// The bound's weights of the first four columns of each row, in the order of
// two rows of four a register.
struct LeftHalfWeights {
  int16_t weight[32] = {};
  constexpr LeftHalfWeights() {
    for (int i = 0; i < 8; ++i)
      for (int j = 0; j < 4; ++j) weight[4 * i + j] = kWordBound.weight[8 * i + j];
  }
};
constexpr LeftHalfWeights kLeftHalfWeights;

// Eight lines of four words (lanes 0-3 of l[0..7]; the other lanes are not
// read) to four lines of eight: out[i] lane k = l[k] lane i.
[[gnu::always_inline]] OSTREVAN_AVX2 inline void TransposeEightByFour(const V16* l, V16* out) {
  __m128i p[4];
  for (int k = 0; k < 4; ++k) p[k] = _mm_unpacklo_epi16(AsM128(l[2 * k]), AsM128(l[2 * k + 1]));
  const __m128i low01 = _mm_unpacklo_epi32(p[0], p[1]), low23 = _mm_unpackhi_epi32(p[0], p[1]);
  const __m128i high01 = _mm_unpacklo_epi32(p[2], p[3]), high23 = _mm_unpackhi_epi32(p[2], p[3]);
  out[0] = AsV16(_mm_unpacklo_epi64(low01, high01));
  out[1] = AsV16(_mm_unpackhi_epi64(low01, high01));
  out[2] = AsV16(_mm_unpacklo_epi64(low23, high23));
  out[3] = AsV16(_mm_unpackhi_epi64(low23, high23));
}

// The sum of the bound's weights times the magnitudes of the words.
[[gnu::always_inline]] OSTREVAN_AVX2 inline int32_t HorizontalSum(__m128i v) {
  v = _mm_add_epi32(v, _mm_shuffle_epi32(v, 0x4E));
  v = _mm_add_epi32(v, _mm_shuffle_epi32(v, 0xB1));
  return _mm_cvtsi128_si32(v);
}
template <typename Vector>
[[gnu::always_inline]] OSTREVAN_AVX2 inline Vector Weighted(Vector words, const int16_t* weights) {
  // (-32768, a saturated input, counts as 32767: past the bound either way.)
  if constexpr (sizeof(Vector) == 16) {
    return _mm_madd_epi16(_mm_abs_epi16(_mm_max_epi16(words, _mm_set1_epi16(-32767))),
                          _mm_loadu_si128(reinterpret_cast<const __m128i*>(weights)));
  } else {
    return _mm256_madd_epi16(_mm256_abs_epi16(_mm256_max_epi16(words, _mm256_set1_epi16(-32767))),
                             _mm256_loadu_si256(reinterpret_cast<const __m256i*>(weights)));
  }
}

// The transform and store in words of a block whose first pass runs over
// four lines only: the first pass's lines (rows when kRowsFirst, else
// columns) beyond the fourth hold only zeros, and with kQuadrant the lines
// of the other direction too (the coefficients all in the first four rows
// and columns, as in most blocks of pictures with fine detail and noise).
// The same operations as the whole block's word form on the values that can
// be other than zero; the whole block's form when the bound does not allow
// words.
template <bool kRowsFirst, bool kQuadrant>
OSTREVAN_AVX2 void InverseTransformAndStoreFourLinesAvx2(const VCoefficientBlock& b, uint8_t* dst, ptrdiff_t stride,
                                                         bool intra) {
  const auto round = [](__m128i x) OSTREVAN_AVX2 { return _mm_srai_epi32(_mm_add_epi32(x, _mm_set1_epi32(2048)), 12); };
  // The first four columns of row i.
  const auto left = [&](int i) OSTREVAN_AVX2 {
    return round(_mm_loadu_si128(reinterpret_cast<const __m128i*>(b.c + 8 * i)));
  };
  const V16 zero = {};
  V16 d[8], r[8];
  if constexpr (kRowsFirst && !kQuadrant) {
    // Rows 0-3 whole, as words two rows a register.
    __m256i pairs[2];
    for (int m = 0; m < 2; ++m) {
      const auto row = [&](int i) OSTREVAN_AVX2 {
        return _mm256_srai_epi32(_mm256_add_epi32(_mm256_loadu_si256(reinterpret_cast<const __m256i*>(b.c + 8 * i)),
                                                  _mm256_set1_epi32(2048)),
                                 12);
      };
      pairs[m] = _mm256_permute4x64_epi64(_mm256_packs_epi32(row(2 * m), row(2 * m + 1)), 0xD8);
    }
    const __m256i sum = _mm256_add_epi32(Weighted(pairs[0], kWordBound.weight), Weighted(pairs[1], kWordBound.weight + 16));
    if (HorizontalSum(_mm_add_epi32(_mm256_castsi256_si128(sum), _mm256_extracti128_si256(sum, 1))) >
        WordTransformBound::kLargestSum) {
      InverseTransformAndStoreAvx2<kRowsFirst>(b, dst, stride, intra);
      return;
    }
    // The columns, lanes 0-3 the rows: columns 2 k | 2 k + 1 a register.
    const __m128i row0 = _mm256_castsi256_si128(pairs[0]), row1 = _mm256_extracti128_si256(pairs[0], 1);
    const __m128i row2 = _mm256_castsi256_si128(pairs[1]), row3 = _mm256_extracti128_si256(pairs[1], 1);
    const __m128i a = _mm_unpacklo_epi16(row0, row1), c = _mm_unpacklo_epi16(row2, row3);
    const __m128i e = _mm_unpackhi_epi16(row0, row1), g = _mm_unpackhi_epi16(row2, row3);
    const __m128i columns[4] = {_mm_unpacklo_epi32(a, c), _mm_unpackhi_epi32(a, c), _mm_unpacklo_epi32(e, g),
                                _mm_unpackhi_epi32(e, g)};
    for (int k = 0; k < 4; ++k) {
      d[2 * k] = AsV16(columns[k]);
      d[2 * k + 1] = AsV16(_mm_unpackhi_epi64(columns[k], columns[k]));
    }
  } else {
    // The first four columns of the rows as words, two rows a register.
    constexpr int kPairs = kQuadrant ? 2 : 4;
    __m128i pairs[kPairs];
    __m128i sum = _mm_setzero_si128();
    for (int m = 0; m < kPairs; ++m) {
      pairs[m] = _mm_packs_epi32(left(2 * m), left(2 * m + 1));
      sum = _mm_add_epi32(sum, Weighted(pairs[m], kLeftHalfWeights.weight + 8 * m));
    }
    if (HorizontalSum(sum) > WordTransformBound::kLargestSum) {
      InverseTransformAndStoreAvx2<kRowsFirst>(b, dst, stride, intra);
      return;
    }
    if constexpr (kRowsFirst) {
      // The columns, lanes 0-3 the rows: columns 0 | 1 and 2 | 3 a register.
      const __m128i a = _mm_unpacklo_epi16(pairs[0], pairs[1]), c = _mm_unpackhi_epi16(pairs[0], pairs[1]);
      const __m128i columns01 = _mm_unpacklo_epi16(a, c), columns23 = _mm_unpackhi_epi16(a, c);
      d[0] = AsV16(columns01);
      d[1] = AsV16(_mm_unpackhi_epi64(columns01, columns01));
      d[2] = AsV16(columns23);
      d[3] = AsV16(_mm_unpackhi_epi64(columns23, columns23));
    } else {
      // The rows, lanes 0-3 the columns.
      for (int m = 0; m < kPairs; ++m) {
        d[2 * m] = AsV16(pairs[m]);
        d[2 * m + 1] = AsV16(_mm_unpackhi_epi64(pairs[m], pairs[m]));
      }
    }
    if constexpr (kQuadrant) d[4] = d[5] = d[6] = d[7] = zero;
  }
  InverseTransformKernel<V16, WordProduct>(d);
  // The first pass's eight results of each of four lines, as four lines of
  // eight across which the second pass runs.
  TransposeEightByFour(d, r);
  r[0] += 8;
  r[4] = r[5] = r[6] = r[7] = zero;
  InverseTransformKernel<V16, WordProduct>(r);
  if constexpr (!kRowsFirst) Transpose8Words(r);
  StoreWordRows(r, dst, stride, intra);
}

// Bits set in each byte value.
struct BitCounts {
  uint8_t count[256];
  constexpr BitCounts() : count() {
    for (int v = 1; v < 256; ++v) count[v] = static_cast<uint8_t>((v & 1) + count[v >> 1]);
  }
};
constexpr BitCounts kBitCounts;

// The transform and store in the order of passes that the block's counts of
// rows and columns holding coefficients choose, read as two 8-bit masks from
// one compare. (Forms that leave out lines known empty cost more in
// mispredicted calls than they save.)
OSTREVAN_AVX2 void TransformAndStoreByFlagsAvx2(VCoefficientBlock& b, uint8_t* dst, ptrdiff_t stride, bool intra) {
  static_assert(offsetof(VCoefficientBlock, columnFlags) == offsetof(VCoefficientBlock, rowFlags) + 8);
  const __m128i flags = _mm_loadu_si128(reinterpret_cast<const __m128i*>(b.rowFlags));
  const uint32_t set = ~static_cast<uint32_t>(_mm_movemask_epi8(_mm_cmpeq_epi8(flags, _mm_setzero_si128())));
  const uint32_t rows = set & 0xFF, columns = (set >> 8) & 0xFF;
  // The first pass runs over rows when at least as many columns as rows hold
  // coefficients, else over columns; over four lines when the others are empty.
  if ((rows | columns) < 0x10) {
    if (kBitCounts.count[columns] >= kBitCounts.count[rows])
      InverseTransformAndStoreFourLinesAvx2<true, true>(b, dst, stride, intra);
    else
      InverseTransformAndStoreFourLinesAvx2<false, true>(b, dst, stride, intra);
  } else if (kBitCounts.count[columns] >= kBitCounts.count[rows]) {
    if (rows < 0x10)
      InverseTransformAndStoreFourLinesAvx2<true, false>(b, dst, stride, intra);
    else
      InverseTransformAndStoreWordsAvx2<true>(b, dst, stride, intra);
  } else {
    if (columns < 0x10)
      InverseTransformAndStoreFourLinesAvx2<false, false>(b, dst, stride, intra);
    else
      InverseTransformAndStoreWordsAvx2<false>(b, dst, stride, intra);
  }
}

#undef OSTREVAN_AVX2

// Two rows of eight values, saturated to 16 bits.
inline __m128i LoadRows16(const int32_t* c) {
  const __m128i a = _mm_packs_epi32(_mm_loadu_si128(reinterpret_cast<const __m128i*>(c)),
                                    _mm_loadu_si128(reinterpret_cast<const __m128i*>(c + 4)));
  return a;
}

void StoreBlockPixelsSse2(const int32_t* c, uint8_t* dst, ptrdiff_t stride, bool intra) {
  const __m128i zero = _mm_setzero_si128();
  const __m128i bias = _mm_set1_epi16(128);
  for (int r = 0; r < 8; r += 2, c += 16, dst += 2 * stride) {
    __m128i a = LoadRows16(c), b = LoadRows16(c + 8);
    if (intra) {
      a = _mm_adds_epi16(a, bias);
      b = _mm_adds_epi16(b, bias);
    } else {
      a = _mm_adds_epi16(a, _mm_unpacklo_epi8(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(dst)), zero));
      b = _mm_adds_epi16(b,
                         _mm_unpacklo_epi8(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(dst + stride)), zero));
    }
    const __m128i p = _mm_packus_epi16(a, b);
    _mm_storel_epi64(reinterpret_cast<__m128i*>(dst), p);
    _mm_storel_epi64(reinterpret_cast<__m128i*>(dst + stride), _mm_srli_si128(p, 8));
  }
}

template <int W>
inline __m128i LoadPixels(const uint8_t* p) {
  if constexpr (W == 16) return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
  return _mm_loadl_epi64(reinterpret_cast<const __m128i*>(p));
}

template <int W>
inline void StorePixels(uint8_t* p, __m128i v) {
  if constexpr (W == 16)
    _mm_storeu_si128(reinterpret_cast<__m128i*>(p), v);
  else
    _mm_storel_epi64(reinterpret_cast<__m128i*>(p), v);
}

// One strip of a prediction in 16-byte registers: `load(offset, fromDst)`
// reads a line of the source at `offset` (or of the destination, to average
// with), `store(offset, v)` writes one. One form per half-sample offset and
// averaging, so that each loop holds only its own steps.
template <bool kHx, bool kHy, bool kAverage, typename Load, typename Store>
[[gnu::always_inline]] inline void PredictStripSse2(ptrdiff_t srcStride, ptrdiff_t dstStride, int32_t h, Load load,
                                                    Store store) {
  const auto line = [&](ptrdiff_t offset) {
    const __m128i v = load(offset, false);
    if constexpr (kHx) return _mm_avg_epu8(v, load(offset + 1, false));
    return v;
  };
  ptrdiff_t in = 0, out = 0;
  __m128i above = kHy ? line(0) : _mm_setzero_si128();
  for (int32_t r = 0; r < h; ++r, out += dstStride) {
    __m128i v;
    if constexpr (kHy) {
      const __m128i below = line(in + srcStride);
      v = _mm_avg_epu8(above, below);
      above = below;
    } else {
      v = line(in);
    }
    in += srcStride;
    if constexpr (kAverage) v = _mm_avg_epu8(v, load(out, true));
    store(out, v);
  }
}

// W (8 or 16) columns of one plane.
template <int W, bool kHx, bool kHy, bool kAverage>
void PredictBlockSse2(const uint8_t* src, ptrdiff_t srcStride, int32_t h, uint8_t* dst, ptrdiff_t dstStride) {
  PredictStripSse2<kHx, kHy, kAverage>(
      srcStride, dstStride, h,
      [&](ptrdiff_t offset, bool fromDst) { return LoadPixels<W>((fromDst ? dst : src) + offset); },
      [&](ptrdiff_t offset, __m128i v) { StorePixels<W>(dst + offset, v); });
}

// A w x h area (w a multiple of 8) in strips of 16 columns and one of 8.
template <bool kHx, bool kHy, bool kAverage>
void PredictAreaSse2(const uint8_t* src, ptrdiff_t srcStride, uint8_t* dst, ptrdiff_t dstStride, int32_t w,
                     int32_t h) {
  int32_t x = 0;
  for (; x + 16 <= w; x += 16) PredictBlockSse2<16, kHx, kHy, kAverage>(src + x, srcStride, h, dst + x, dstStride);
  if (x < w) PredictBlockSse2<8, kHx, kHy, kAverage>(src + x, srcStride, h, dst + x, dstStride);
}

// Eight columns of two planes at once: the first plane's in the low half of
// a register, the second's in the high half.
template <bool kHx, bool kHy, bool kAverage>
void PredictPairStrip8Sse2(const uint8_t* src0, const uint8_t* src1, ptrdiff_t srcStride, uint8_t* dst0,
                           uint8_t* dst1, ptrdiff_t dstStride, int32_t h) {
  PredictStripSse2<kHx, kHy, kAverage>(
      srcStride, dstStride, h,
      [&](ptrdiff_t offset, bool fromDst) {
        return _mm_unpacklo_epi64(LoadPixels<8>((fromDst ? dst0 : src0) + offset),
                                  LoadPixels<8>((fromDst ? dst1 : src1) + offset));
      },
      [&](ptrdiff_t offset, __m128i v) {
        StorePixels<8>(dst0 + offset, v);
        StorePixels<8>(dst1 + offset, _mm_unpackhi_epi64(v, v));
      });
}

template <bool kHx, bool kHy, bool kAverage>
void PredictPairSse2(const uint8_t* src0, const uint8_t* src1, ptrdiff_t srcStride, uint8_t* dst0, uint8_t* dst1,
                     ptrdiff_t dstStride, int32_t w, int32_t h) {
  if constexpr (!kHx && !kHy && !kAverage) {
    // A copy gains nothing from sharing registers: plane by plane.
    PredictAreaSse2<false, false, false>(src0, srcStride, dst0, dstStride, w, h);
    PredictAreaSse2<false, false, false>(src1, srcStride, dst1, dstStride, w, h);
    return;
  }
  int32_t x = 0;
  for (; x + 16 <= w; x += 16) {
    PredictBlockSse2<16, kHx, kHy, kAverage>(src0 + x, srcStride, h, dst0 + x, dstStride);
    PredictBlockSse2<16, kHx, kHy, kAverage>(src1 + x, srcStride, h, dst1 + x, dstStride);
  }
  if (x < w)
    PredictPairStrip8Sse2<kHx, kHy, kAverage>(src0 + x, src1 + x, srcStride, dst0 + x, dst1 + x, dstStride, h);
}

#define OSTREVAN_AVX2 __attribute__((target("avx2")))

// 32 columns of one plane, or 16 of two planes (the first in the low half),
// per 32-byte register; `load` and `store` move one line of the strip.
template <bool kHx, bool kHy, bool kAverage, typename Load, typename Store>
[[gnu::always_inline]] OSTREVAN_AVX2 inline void PredictStripAvx2(ptrdiff_t srcStride, ptrdiff_t dstStride, int32_t h,
                                                                  Load load, Store store) {
  const auto line = [&](ptrdiff_t offset) OSTREVAN_AVX2 {
    const __m256i v = load(offset, false);
    if constexpr (kHx) return _mm256_avg_epu8(v, load(offset + 1, false));
    return v;
  };
  ptrdiff_t in = 0, out = 0;
  __m256i above = kHy ? line(0) : _mm256_setzero_si256();
  for (int32_t r = 0; r < h; ++r, out += dstStride) {
    __m256i v;
    if constexpr (kHy) {
      const __m256i below = line(in + srcStride);
      v = _mm256_avg_epu8(above, below);
      above = below;
    } else {
      v = line(in);
    }
    in += srcStride;
    if constexpr (kAverage) v = _mm256_avg_epu8(v, load(out, true));
    store(out, v);
  }
}

template <bool kHx, bool kHy, bool kAverage>
OSTREVAN_AVX2 void PredictAreaAvx2(const uint8_t* src, ptrdiff_t srcStride, uint8_t* dst, ptrdiff_t dstStride,
                                   int32_t w, int32_t h) {
  int32_t x = 0;
  for (; x + 32 <= w; x += 32) {
    const uint8_t* s = src + x;
    uint8_t* d = dst + x;
    PredictStripAvx2<kHx, kHy, kAverage>(
        srcStride, dstStride, h,
        [&](ptrdiff_t offset, bool fromDst) OSTREVAN_AVX2 {
          return _mm256_loadu_si256(reinterpret_cast<const __m256i*>((fromDst ? d : s) + offset));
        },
        [&](ptrdiff_t offset, __m256i v) OSTREVAN_AVX2 {
          _mm256_storeu_si256(reinterpret_cast<__m256i*>(d + offset), v);
        });
  }
  if (x + 16 <= w) {
    PredictBlockSse2<16, kHx, kHy, kAverage>(src + x, srcStride, h, dst + x, dstStride);
    x += 16;
  }
  if (x < w) PredictBlockSse2<8, kHx, kHy, kAverage>(src + x, srcStride, h, dst + x, dstStride);
}

template <bool kHx, bool kHy, bool kAverage>
OSTREVAN_AVX2 void PredictPairAvx2(const uint8_t* src0, const uint8_t* src1, ptrdiff_t srcStride, uint8_t* dst0,
                                   uint8_t* dst1, ptrdiff_t dstStride, int32_t w, int32_t h) {
  if constexpr (!kHx && !kHy && !kAverage) {
    // A copy gains nothing from sharing registers: plane by plane.
    PredictAreaAvx2<false, false, false>(src0, srcStride, dst0, dstStride, w, h);
    PredictAreaAvx2<false, false, false>(src1, srcStride, dst1, dstStride, w, h);
    return;
  }
  int32_t x = 0;
  for (; x + 16 <= w; x += 16) {
    const uint8_t *s0 = src0 + x, *s1 = src1 + x;
    uint8_t *d0 = dst0 + x, *d1 = dst1 + x;
    PredictStripAvx2<kHx, kHy, kAverage>(
        srcStride, dstStride, h,
        [&](ptrdiff_t offset, bool fromDst) OSTREVAN_AVX2 {
          const uint8_t* p0 = (fromDst ? d0 : s0) + offset;
          const uint8_t* p1 = (fromDst ? d1 : s1) + offset;
          return _mm256_loadu2_m128i(reinterpret_cast<const __m128i*>(p1), reinterpret_cast<const __m128i*>(p0));
        },
        [&](ptrdiff_t offset, __m256i v) OSTREVAN_AVX2 {
          _mm256_storeu2_m128i(reinterpret_cast<__m128i*>(d1 + offset), reinterpret_cast<__m128i*>(d0 + offset), v);
        });
  }
  if (x < w)
    PredictPairStrip8Sse2<kHx, kHy, kAverage>(src0 + x, src1 + x, srcStride, dst0 + x, dst1 + x, dstStride, h);
}

#undef OSTREVAN_AVX2

#endif  // __SSE2__

template <bool kHx, bool kHy, bool kAverage>
void PredictAreaScalar(const uint8_t* src, ptrdiff_t srcStride, uint8_t* dst, ptrdiff_t dstStride, int32_t w,
                       int32_t h) {
  PredictBlockReference(src, srcStride, kHx, kHy, w, h, dst, dstStride, kAverage);
}

template <bool kHx, bool kHy, bool kAverage>
void PredictPairScalar(const uint8_t* src0, const uint8_t* src1, ptrdiff_t srcStride, uint8_t* dst0, uint8_t* dst1,
                       ptrdiff_t dstStride, int32_t w, int32_t h) {
  PredictBlockReference(src0, srcStride, kHx, kHy, w, h, dst0, dstStride, kAverage);
  PredictBlockReference(src1, srcStride, kHx, kHy, w, h, dst1, dstStride, kAverage);
}

// The table of one level from its two kernel templates.
template <template <bool, bool, bool> class Forms>
constexpr VPredictionKernels MakePredictionKernels() {
  VPredictionKernels k{};
  [&]<size_t... i>(std::index_sequence<i...>) {
    ((k.area[i >> 2][(i >> 1) & 1][i & 1] = Forms<(i >> 2) != 0, ((i >> 1) & 1) != 0, (i & 1) != 0>::kArea,
      k.pair[i >> 2][(i >> 1) & 1][i & 1] = Forms<(i >> 2) != 0, ((i >> 1) & 1) != 0, (i & 1) != 0>::kPair),
     ...);
  }(std::make_index_sequence<8>{});
  return k;
}

template <bool kHx, bool kHy, bool kAverage>
struct ScalarPredictionForms {
  static constexpr VPredictionKernels::Area kArea = PredictAreaScalar<kHx, kHy, kAverage>;
  static constexpr VPredictionKernels::Pair kPair = PredictPairScalar<kHx, kHy, kAverage>;
};
constexpr VPredictionKernels kScalarPrediction = MakePredictionKernels<ScalarPredictionForms>();

#if defined(__SSE2__)
template <bool kHx, bool kHy, bool kAverage>
struct Sse2PredictionForms {
  static constexpr VPredictionKernels::Area kArea = PredictAreaSse2<kHx, kHy, kAverage>;
  static constexpr VPredictionKernels::Pair kPair = PredictPairSse2<kHx, kHy, kAverage>;
};
template <bool kHx, bool kHy, bool kAverage>
struct Avx2PredictionForms {
  static constexpr VPredictionKernels::Area kArea = PredictAreaAvx2<kHx, kHy, kAverage>;
  static constexpr VPredictionKernels::Pair kPair = PredictPairAvx2<kHx, kHy, kAverage>;
};
constexpr VPredictionKernels kSse2Prediction = MakePredictionKernels<Sse2PredictionForms>();
constexpr VPredictionKernels kAvx2Prediction = MakePredictionKernels<Avx2PredictionForms>();
#endif

#if defined(__SSE2__)

// The table indices of 16 pixels from 16 luma and 8 chroma samples; the
// chroma column is a multiple of 8, so the dither repeats twice.
inline void Indices16Sse2(const uint8_t* y, const uint8_t* cb, const uint8_t* cr, __m128i dither, uint16_t* idx) {
  const __m128i zero = _mm_setzero_si128();
  const __m128i high = _mm_set1_epi16(255);
  const auto chroma = [&](const uint8_t* p) {
    const __m128i v = _mm_add_epi16(_mm_unpacklo_epi8(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(p)), zero),
                                    dither);
    return _mm_srli_epi16(_mm_min_epi16(_mm_max_epi16(v, zero), high), 3);
  };
  const __m128i block = _mm_or_si128(_mm_slli_epi16(chroma(cb), 11), _mm_slli_epi16(chroma(cr), 6));
  const __m128i luma = _mm_loadu_si128(reinterpret_cast<const __m128i*>(y));
  const __m128i low = _mm_or_si128(_mm_unpacklo_epi16(block, block), _mm_srli_epi16(_mm_unpacklo_epi8(luma, zero), 2));
  const __m128i upper =
      _mm_or_si128(_mm_unpackhi_epi16(block, block), _mm_srli_epi16(_mm_unpackhi_epi8(luma, zero), 2));
  _mm_storeu_si128(reinterpret_cast<__m128i*>(idx), low);
  _mm_storeu_si128(reinterpret_cast<__m128i*>(idx + 8), upper);
}

#define OSTREVAN_AVX2 __attribute__((target("avx2")))

// The local helpers of the conversion kernels pass vector values, which this
// compiler notes as an ABI change (they are all inlined).
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wpsabi"

// The words that multiply-add a lane of the words (k, 256 k) of a chroma cell
// k = C >> 3 into the 32-bit product scale * 8 k: the remainder of
// 8 scale / 256 (rounded down) for the low word, the quotient for the high
// one (exact for |scale| < 2^20).
inline int32_t CellMultiplyAddPair(int32_t scale) {
  const int32_t product = 8 * scale;
  return static_cast<int32_t>((static_cast<uint32_t>(product >> 8) << 16) | static_cast<uint32_t>(product & 255));
}

// 16 pixels at a time by the colour formula: the chroma terms of 8 samples
// (each sum's constants included) in 32-bit lanes, made once for the lines
// sharing them, the pixels' terms in 16-bit lanes. A component is the top
// half of the exact 32-bit sum luma * (Y & 0xFC) + chroma term; with
// luma = 65536 + e, it is put together from halves: the luma product's top
// half (Y & 0xFC) + mulhi(Y & 0xFC, e) plus the chroma term's, plus the
// carry of their low halves, found by one signed comparison (the low luma
// half > 65535 - the low chroma half, both offset by 32768). The products
// are multiply-adds and multiplies of words, which take this processor far
// fewer cycles than 32-bit multiplies: a chroma cell k as the words
// (k, 256 k), made by one byte shuffle, times CellMultiplyAddPair(scale)
// gives the product of its sample point. The components of
// two lines are clamped by packing them to bytes, from which the 5-6-5 words
// are put together.
template <int kLines, bool kFiveBits, bool kLittle>
OSTREVAN_AVX2 void ConvertBlocksByFormulaAvx2(const ConvertRows& rows, int32_t blocks, const VPixel16Formula& f) {
  static_assert(VYCbCrColorTable::GetLumaScale() >= 65536 && VYCbCrColorTable::GetLumaScale() < 131072,
                "the luma product is split as 65536 + a word");
  // The dither as a saturating addition and subtraction of bytes, which is the
  // clamped sum. A block's first chroma column is a multiple of 8.
  __m128i ditherUp, ditherDown;
  const __m256i zero = _mm256_setzero_si256();
  const __m256i lumaCells = _mm256_set1_epi8(static_cast<char>(0xFC));
  // Bytes 0-7 of a line's 16 as words in the low lane, 8-15 in the high one.
  const __m256i lumaWords = _mm256_setr_epi8(0, -1, 1, -1, 2, -1, 3, -1, 4, -1, 5, -1, 6, -1, 7, -1, 8, -1, 9, -1, 10,
                                             -1, 11, -1, 12, -1, 13, -1, 14, -1, 15, -1);
  const __m256i lumaExcess = _mm256_set1_epi16(static_cast<int16_t>(f.luma - 65536));
  const __m256i lowOffset = _mm256_set1_epi16(static_cast<int16_t>(0x8000));
  const __m256i crToRed = _mm256_set1_epi32(CellMultiplyAddPair(f.crToRed));
  const __m256i cbToBlue = _mm256_set1_epi32(CellMultiplyAddPair(f.cbToBlue));
  const __m256i cbToGreen = _mm256_set1_epi32(CellMultiplyAddPair(-f.cbToGreen));
  const __m256i crToGreen = _mm256_set1_epi32(CellMultiplyAddPair(-f.crToGreen));
  // Sample points: luma * (4 (Y >> 2) + 2 - 16), scale * (8 (C >> 3) + 4 - 128);
  // the luma's constant goes into the chroma terms.
  const int32_t lumaBase = -14 * f.luma;
  const __m256i redBase = _mm256_set1_epi32(lumaBase - 124 * f.crToRed);
  const __m256i blueBase = _mm256_set1_epi32(lumaBase - 124 * f.cbToBlue);
  const __m256i greenBase = _mm256_set1_epi32(lumaBase + 124 * (f.cbToGreen + f.crToGreen));
  // The cells (C >> 3) of 8 Cb samples and of the 8 Cr samples beside them in
  // one register: dithered, clamped and shifted together. (The shift moves
  // bits between the bytes of a word; the mask keeps each cell's own.)
  const __m128i cellBits = _mm_set1_epi8(0x1F);
  // Both halves of the register in each 128-bit lane, then the words (cell,
  // 256 cell) of samples 0-3 in the low lane and 4-7 in the high one.
  const __m256i cbPairs = _mm256_setr_epi8(0, -1, -1, 0, 1, -1, -1, 1, 2, -1, -1, 2, 3, -1, -1, 3, 4, -1, -1, 4, 5, -1,
                                           -1, 5, 6, -1, -1, 6, 7, -1, -1, 7);
  const __m256i crPairs = _mm256_setr_epi8(8, -1, -1, 8, 9, -1, -1, 9, 10, -1, -1, 10, 11, -1, -1, 11, 12, -1, -1, 12,
                                           13, -1, -1, 13, 14, -1, -1, 14, 15, -1, -1, 15);
  struct Cells {
    __m256i cb, cr;
  };
  const auto chroma = [&](const uint8_t* cb, const uint8_t* cr) OSTREVAN_AVX2 {
    const __m128i both = _mm_castpd_si128(_mm_loadh_pd(
        _mm_castsi128_pd(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(cb))), reinterpret_cast<const double*>(cr)));
    const __m128i v = _mm_and_si128(_mm_srli_epi16(_mm_subs_epu8(_mm_adds_epu8(both, ditherUp), ditherDown), 3),
                                    cellBits);
    const __m256i lanes = _mm256_inserti128_si256(_mm256_castsi128_si256(v), v, 1);
    return Cells{_mm256_shuffle_epi8(lanes, cbPairs), _mm256_shuffle_epi8(lanes, crPairs)};
  };
  // A chroma term's halves spread to the two pixels of each sample, in pixel
  // order: its top half, and its low half as the offset bound 65535 - low.
  const __m256i topHalves = _mm256_setr_epi8(2, 3, 2, 3, 6, 7, 6, 7, 10, 11, 10, 11, 14, 15, 14, 15, 2, 3, 2, 3, 6, 7,
                                             6, 7, 10, 11, 10, 11, 14, 15, 14, 15);
  const __m256i lowHalves = _mm256_setr_epi8(0, 1, 0, 1, 4, 5, 4, 5, 8, 9, 8, 9, 12, 13, 12, 13, 0, 1, 0, 1, 4, 5, 4,
                                             5, 8, 9, 8, 9, 12, 13, 12, 13);
  const __m256i boundBits = _mm256_set1_epi32(0x7FFF);
  struct Term {
    __m256i top, bound;
  };
  const auto spread = [&](__m256i term) OSTREVAN_AVX2 {
    const __m256i t = _mm256_xor_si256(term, boundBits);
    return Term{_mm256_shuffle_epi8(t, topHalves), _mm256_shuffle_epi8(t, lowHalves)};
  };
  const auto component = [](__m256i lumaTop, __m256i lumaLow, const Term& t) OSTREVAN_AVX2 {
    // The carry is the comparison's all-ones.
    return _mm256_sub_epi16(_mm256_add_epi16(lumaTop, t.top), _mm256_cmpgt_epi16(lumaLow, t.bound));
  };
  // 0..255 to 0..31 rounded: (c * 249 + 1014) >> 11 in 16 bits.
  const __m256i componentHigh = _mm256_set1_epi16(255);
  const __m256i to5Scale = _mm256_set1_epi16(249), to5Round = _mm256_set1_epi16(1014);
  const auto to5 = [&](__m256i v) OSTREVAN_AVX2 {
    const __m256i c = _mm256_min_epi16(_mm256_max_epi16(v, zero), componentHigh);
    return _mm256_srli_epi16(_mm256_add_epi16(_mm256_mullo_epi16(c, to5Scale), to5Round), 11);
  };
  const __m256i swap = _mm256_setr_epi8(1, 0, 3, 2, 5, 4, 7, 6, 9, 8, 11, 10, 13, 12, 15, 14, 1, 0, 3, 2, 5, 4, 7, 6,
                                        9, 8, 11, 10, 13, 12, 15, 14);
  const __m256i redBits = _mm256_set1_epi8(static_cast<char>(0xF8)), greenHigh = _mm256_set1_epi8(7);
  const __m256i greenLow = _mm256_set1_epi8(static_cast<char>(0xE0)), blueBits = _mm256_set1_epi8(0x1F);
  const ConvertRows::DitherBytes dithers = rows.Dithers();
  for (int32_t row = 0; row < rows.count; ++row) {
    const ConvertRows::Row at = rows.At<kLines>(row, dithers);
    ditherUp = _mm_set1_epi32(at.ditherUp);
    ditherDown = _mm_set1_epi32(at.ditherDown);
    const uint8_t *cb = at.cb, *cr = at.cr;
    const uint8_t* const* y = at.y;
    uint8_t* const* out = at.out;
    for (int32_t i = 0; i < blocks; ++i, cb += 8, cr += 8) {
      const Cells cells = chroma(cb, cr);
      const __m256i cbv = cells.cb, crv = cells.cr;
      const Term red = spread(_mm256_add_epi32(_mm256_madd_epi16(crv, crToRed), redBase));
      const Term blue = spread(_mm256_add_epi32(_mm256_madd_epi16(cbv, cbToBlue), blueBase));
      const Term green = spread(_mm256_add_epi32(
          _mm256_add_epi32(_mm256_madd_epi16(cbv, cbToGreen), _mm256_madd_epi16(crv, crToGreen)), greenBase));
      __m256i r[2], g[2], b[2];
      for (int line = 0; line < kLines; ++line) {
        const __m256i cells = _mm256_shuffle_epi8(
            _mm256_and_si256(
                _mm256_broadcastsi128_si256(_mm_loadu_si128(reinterpret_cast<const __m128i*>(y[line] + 16 * i))),
                lumaCells),
            lumaWords);
        const __m256i lumaTop = _mm256_add_epi16(cells, _mm256_mulhi_epu16(cells, lumaExcess));
        const __m256i lumaLow = _mm256_xor_si256(_mm256_mullo_epi16(cells, lumaExcess), lowOffset);
        r[line] = component(lumaTop, lumaLow, red);
        g[line] = component(lumaTop, lumaLow, green);
        b[line] = component(lumaTop, lumaLow, blue);
      }
      if constexpr (kFiveBits) {
        for (int line = 0; line < kLines; ++line) {
          __m256i pixels = _mm256_or_si256(
              _mm256_or_si256(_mm256_slli_epi16(to5(r[line]), 10), _mm256_slli_epi16(to5(g[line]), 5)), to5(b[line]));
          if constexpr (!kLittle) pixels = _mm256_shuffle_epi8(pixels, swap);
          _mm256_storeu_si256(reinterpret_cast<__m256i*>(out[line] + 32 * i), pixels);
        }
      } else {
        const int last = kLines - 1;
        // Bytes of the clamped components: the first line in the low half of
        // each 128-bit lane, the second (or the first again) in the high half.
        const __m256i rc = _mm256_packus_epi16(r[0], r[last]), gc = _mm256_packus_epi16(g[0], g[last]);
        const __m256i bc = _mm256_packus_epi16(b[0], b[last]);
        const __m256i upper =
            _mm256_or_si256(_mm256_and_si256(rc, redBits), _mm256_and_si256(_mm256_srli_epi16(gc, 5), greenHigh));
        const __m256i lower = _mm256_or_si256(_mm256_and_si256(_mm256_slli_epi16(gc, 3), greenLow),
                                              _mm256_and_si256(_mm256_srli_epi16(bc, 3), blueBits));
        const __m256i first = kLittle ? lower : upper, second = kLittle ? upper : lower;
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(out[0] + 32 * i), _mm256_unpacklo_epi8(first, second));
        if constexpr (kLines == 2)
          _mm256_storeu_si256(reinterpret_cast<__m256i*>(out[1] + 32 * i), _mm256_unpackhi_epi8(first, second));
      }
    }
  }
}

// The forms of a 16-bit conversion kernel K by line count (1 or 2), depth
// (16 or 15) and byte order (big or little endian).
using ConvertKernel = void (*)(const ConvertRows&, int32_t, const VPixel16Formula&);
#define OSTREVAN_CONVERT_KERNELS(K)                                                          \
  {{{K<1, false, false>, K<1, false, true>}, {K<1, true, false>, K<1, true, true>}},       \
   {{K<2, false, false>, K<2, false, true>}, {K<2, true, false>, K<2, true, true>}}}

void ConvertRowsByFormulaAvx2(const ConvertRows& rows, int32_t lines, int32_t blocks, const VPixel16Formula& f,
                              bool little) {
  static constexpr ConvertKernel kKernels[2][2][2] = OSTREVAN_CONVERT_KERNELS(ConvertBlocksByFormulaAvx2);
  kKernels[lines > 1][f.depth == 15][little](rows, blocks, f);
}

// 8 pixels of a 32-bit line at a time by the full colour formula, in 32-bit
// lanes: the chroma terms of 8 samples (each sum's constants included) are made
// once and spread to their two pixels; the top halves of the components'
// exact 32-bit sums are clamped by packing them to bytes, which a byte shuffle
// puts in the pixel layout.
OSTREVAN_AVX2 void ConvertLineTo32BitsAvx2(uint8_t* out, const uint8_t* y, const uint8_t* cb, const uint8_t* cr,
                                           int32_t blocks, const VPixel16Formula& f, const int32_t offsets[4]) {
  const __m256i luma = _mm256_set1_epi32(f.luma);
  const __m256i crToRed = _mm256_set1_epi32(f.crToRed), cbToBlue = _mm256_set1_epi32(f.cbToBlue);
  const __m256i cbToGreen = _mm256_set1_epi32(-f.cbToGreen), crToGreen = _mm256_set1_epi32(-f.crToGreen);
  // luma * (Y - 16) + scale * (C - 128): the constants go into the chroma terms.
  const int32_t lumaBase = -16 * f.luma;
  const __m256i redBase = _mm256_set1_epi32(lumaBase - 128 * f.crToRed);
  const __m256i blueBase = _mm256_set1_epi32(lumaBase - 128 * f.cbToBlue);
  const __m256i greenBase = _mm256_set1_epi32(lumaBase + 128 * (f.cbToGreen + f.crToGreen));
  const __m256i firstHalf = _mm256_setr_epi32(0, 0, 1, 1, 2, 2, 3, 3);
  const __m256i secondHalf = _mm256_setr_epi32(4, 4, 5, 5, 6, 6, 7, 7);
  // After the packing, 128-bit lane bytes 2 k and 2 k + 1 are the blue and
  // green of its pixel k and byte 8 + 2 k the red; the layout takes them from
  // there.
  alignas(32) int8_t layout[32];
  for (int32_t p = 0; p < 8; ++p) {
    const int32_t k = p & 3;
    layout[4 * p + offsets[0]] = static_cast<int8_t>(8 + 2 * k);
    layout[4 * p + offsets[1]] = static_cast<int8_t>(2 * k + 1);
    layout[4 * p + offsets[2]] = static_cast<int8_t>(2 * k);
    layout[4 * p + offsets[3]] = -128;  // zero
  }
  const __m256i order = _mm256_load_si256(reinterpret_cast<const __m256i*>(layout));
  // The top halves of the sums as words (blue and green of a pixel side by
  // side; red and a zero), clamped by packing them to bytes.
  const auto pixels = [&](__m256i lumaTerm, __m256i red, __m256i green, __m256i blue) OSTREVAN_AVX2 {
    const __m256i blueGreen = _mm256_blend_epi16(_mm256_srli_epi32(_mm256_add_epi32(lumaTerm, blue), 16),
                                                 _mm256_add_epi32(lumaTerm, green), 0xAA);
    const __m256i redZero = _mm256_srli_epi32(_mm256_add_epi32(lumaTerm, red), 16);
    return _mm256_shuffle_epi8(_mm256_packus_epi16(blueGreen, redZero), order);
  };
  for (int32_t i = 0; i < blocks; ++i, y += 16, cb += 8, cr += 8, out += 64) {
    const __m256i cbv = _mm256_cvtepu8_epi32(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(cb)));
    const __m256i crv = _mm256_cvtepu8_epi32(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(cr)));
    const __m256i red = _mm256_add_epi32(_mm256_mullo_epi32(crv, crToRed), redBase);
    const __m256i blue = _mm256_add_epi32(_mm256_mullo_epi32(cbv, cbToBlue), blueBase);
    const __m256i green = _mm256_add_epi32(
        _mm256_add_epi32(_mm256_mullo_epi32(cbv, cbToGreen), _mm256_mullo_epi32(crv, crToGreen)), greenBase);
    for (int32_t half = 0; half < 2; ++half) {
      const __m256i spread = half == 0 ? firstHalf : secondHalf;
      const __m256i lumaTerm =
          _mm256_mullo_epi32(_mm256_cvtepu8_epi32(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(y + 8 * half))),
                             luma);
      _mm256_storeu_si256(reinterpret_cast<__m256i*>(out + 32 * half),
                          pixels(lumaTerm, _mm256_permutevar8x32_epi32(red, spread),
                                 _mm256_permutevar8x32_epi32(green, spread),
                                 _mm256_permutevar8x32_epi32(blue, spread)));
    }
  }
}

#pragma GCC diagnostic pop

#undef OSTREVAN_AVX2

#define OSTREVAN_AVX512 __attribute__((target("avx2,avx512f,avx512bw")))
OSTREVAN_AVX512_CODE_BEGIN

// 32 pixels at a time by the colour formula. The chroma terms of the 32 cells
// (each sum's constants included) sit in two registers per term and are picked
// by cell index. The luma of the even and of the odd pixels is in 32-bit lanes,
// so that each sum is one exact 32-bit addition whose top half is the
// component. The components of two lines are clamped by packing them to bytes,
// and the 5-6-5 words are put together from those bytes by bit selection.
template <int kLines, bool kFiveBits, bool kLittle>
OSTREVAN_AVX512 void ConvertBlocksByFormulaAvx512(const ConvertRows& rows, int32_t blocks, const VPixel16Formula& f) {
  // Cell c stands for chroma 8 c + 4 and the luma cell for 4 (Y >> 2) + 2,
  // whose constant part (-14 luma) goes into the chroma terms.
  const __m512i cellLow = _mm512_sub_epi32(
      _mm512_slli_epi32(_mm512_setr_epi32(0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15), 3),
      _mm512_set1_epi32(124));
  const __m512i cellHigh = _mm512_add_epi32(cellLow, _mm512_set1_epi32(128));
  const __m512i zero = _mm512_setzero_si512();
  const __m512i lumaBase = _mm512_set1_epi32(-14 * f.luma);
  const auto term = [](int32_t scale, __m512i base, __m512i cell) OSTREVAN_AVX512 {
    return _mm512_add_epi32(_mm512_mullo_epi32(cell, _mm512_set1_epi32(scale)), base);
  };
  const __m512i redLow = term(f.crToRed, lumaBase, cellLow), redHigh = term(f.crToRed, lumaBase, cellHigh);
  const __m512i blueLow = term(f.cbToBlue, lumaBase, cellLow), blueHigh = term(f.cbToBlue, lumaBase, cellHigh);
  const __m512i greenCbLow = term(-f.cbToGreen, lumaBase, cellLow);
  const __m512i greenCbHigh = term(-f.cbToGreen, lumaBase, cellHigh);
  const __m512i greenCrLow = term(-f.crToGreen, zero, cellLow), greenCrHigh = term(-f.crToGreen, zero, cellHigh);
  // The dither as a saturating addition and subtraction of bytes, which is the
  // clamped sum. A block's first chroma column is a multiple of 16.
  __m128i ditherUp, ditherDown;
  const auto cells = [&](const uint8_t* p) OSTREVAN_AVX512 {
    const __m128i v = _mm_subs_epu8(_mm_adds_epu8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(p)), ditherUp),
                                    ditherDown);
    // Shifted as words: bits 5-7 of each byte come from its neighbour, and the
    // table look-ups use only bits 0-4.
    return _mm512_cvtepu8_epi32(_mm_srli_epi16(v, 3));
  };
  const __m512i lumaCell = _mm512_set1_epi32(0xFC);
  const __m512i luma = _mm512_set1_epi32(f.luma);
  // The top halves of the even and odd pixels' sums, as words in pixel order.
  const __m512i tops = _mm512_setr_epi32(0x00210001, 0x00230003, 0x00250005, 0x00270007, 0x00290009, 0x002B000B,
                                         0x002D000D, 0x002F000F, 0x00310011, 0x00330013, 0x00350015, 0x00370017,
                                         0x00390019, 0x003B001B, 0x003D001D, 0x003F001F);
  const auto top = [&](__m512i even, __m512i odd) OSTREVAN_AVX512 {
    return _mm512_permutex2var_epi16(even, tops, odd);
  };
  const __m512i high = _mm512_set1_epi16(255);
  const __m512i to5Scale = _mm512_set1_epi16(249), to5Round = _mm512_set1_epi16(1014);
  const auto to5 = [&](__m512i v) OSTREVAN_AVX512 {
    const __m512i c = _mm512_min_epi16(_mm512_max_epi16(v, zero), high);
    return _mm512_srli_epi16(_mm512_add_epi16(_mm512_mullo_epi16(c, to5Scale), to5Round), 11);
  };
  const __m512i swap = _mm512_broadcast_i32x4(_mm_setr_epi8(1, 0, 3, 2, 5, 4, 7, 6, 9, 8, 11, 10, 13, 12, 15, 14));
  const __m512i redBits = _mm512_set1_epi8(static_cast<char>(0xF8));
  const __m512i greenBits = _mm512_set1_epi8(static_cast<char>(0xE0));
  constexpr int kSelect = 0xE4;  // bits of the first operand where the third is set, else of the second
  constexpr int kOr = 0xFE;
  const ConvertRows::DitherBytes dithers = rows.Dithers();
  for (int32_t row = 0; row < rows.count; ++row) {
    const ConvertRows::Row at = rows.At<kLines>(row, dithers);
    ditherUp = _mm_set1_epi32(at.ditherUp);
    ditherDown = _mm_set1_epi32(at.ditherDown);
    const uint8_t *cb = at.cb, *cr = at.cr;
    const uint8_t* const* y = at.y;
    uint8_t* const* out = at.out;
    // kUnits blocks at once, each step for all of them before the next, which
    // gives the processor independent work close together.
    const auto convert = [&]<int kUnits>(int32_t i) OSTREVAN_AVX512 {
      __m512i red[kUnits], green[kUnits], blue[kUnits];
      for (int u = 0; u < kUnits; ++u) {
        const __m512i cbCells = cells(cb + 16 * (i + u)), crCells = cells(cr + 16 * (i + u));
        red[u] = _mm512_permutex2var_epi32(redLow, crCells, redHigh);
        blue[u] = _mm512_permutex2var_epi32(blueLow, cbCells, blueHigh);
        green[u] = _mm512_add_epi32(_mm512_permutex2var_epi32(greenCbLow, cbCells, greenCbHigh),
                                    _mm512_permutex2var_epi32(greenCrLow, crCells, greenCrHigh));
      }
      __m512i r[kUnits][2], g[kUnits][2], b[kUnits][2];
      for (int u = 0; u < kUnits; ++u)
        for (int line = 0; line < kLines; ++line) {
          const __m512i pairs = _mm512_cvtepu16_epi32(
              _mm256_loadu_si256(reinterpret_cast<const __m256i*>(y[line] + 32 * (i + u))));
          const __m512i lumaEven = _mm512_mullo_epi32(_mm512_and_si512(pairs, lumaCell), luma);
          const __m512i lumaOdd = _mm512_mullo_epi32(_mm512_and_si512(_mm512_srli_epi32(pairs, 8), lumaCell), luma);
          r[u][line] = top(_mm512_add_epi32(lumaEven, red[u]), _mm512_add_epi32(lumaOdd, red[u]));
          g[u][line] = top(_mm512_add_epi32(lumaEven, green[u]), _mm512_add_epi32(lumaOdd, green[u]));
          b[u][line] = top(_mm512_add_epi32(lumaEven, blue[u]), _mm512_add_epi32(lumaOdd, blue[u]));
        }
      for (int u = 0; u < kUnits; ++u) {
        uint8_t* const out0 = out[0] + 64 * (i + u);
        uint8_t* const out1 = out[1] + 64 * (i + u);
        if constexpr (kFiveBits) {
          for (int line = 0; line < kLines; ++line) {
            __m512i pixels = _mm512_ternarylogic_epi32(_mm512_slli_epi16(to5(r[u][line]), 10),
                                                       _mm512_slli_epi16(to5(g[u][line]), 5), to5(b[u][line]), kOr);
            if constexpr (!kLittle) pixels = _mm512_shuffle_epi8(pixels, swap);
            _mm512_storeu_si512(line == 0 ? out0 : out1, pixels);
          }
        } else {
          const int last = kLines - 1;
          // Bytes of the clamped components: the first line in the low half of
          // each 128-bit lane, the second (or the first again) in the high half.
          const __m512i rc = _mm512_packus_epi16(r[u][0], r[u][last]);
          const __m512i gc = _mm512_packus_epi16(g[u][0], g[u][last]);
          const __m512i bc = _mm512_packus_epi16(b[u][0], b[u][last]);
          const __m512i upper = _mm512_ternarylogic_epi32(rc, _mm512_srli_epi16(gc, 5), redBits, kSelect);
          const __m512i lower = _mm512_ternarylogic_epi32(_mm512_slli_epi16(gc, 3), _mm512_srli_epi16(bc, 3),
                                                          greenBits, kSelect);
          const __m512i first = kLittle ? lower : upper, second = kLittle ? upper : lower;
          _mm512_storeu_si512(out0, _mm512_unpacklo_epi8(first, second));
          if constexpr (kLines == 2) _mm512_storeu_si512(out1, _mm512_unpackhi_epi8(first, second));
        }
      }
    };
    int32_t i = 0;
    // Two blocks a step: more keep too many values for the registers.
    for (; i + 2 <= blocks; i += 2) convert.template operator()<2>(i);
    if (i < blocks) convert.template operator()<1>(i);
  }
}

void ConvertRowsByFormulaAvx512(const ConvertRows& rows, int32_t lines, int32_t blocks, const VPixel16Formula& f,
                                bool little) {
  static constexpr ConvertKernel kKernels[2][2][2] = OSTREVAN_CONVERT_KERNELS(ConvertBlocksByFormulaAvx512);
  kKernels[lines > 1][f.depth == 15][little](rows, blocks, f);
}

#undef OSTREVAN_CONVERT_KERNELS

OSTREVAN_AVX512_CODE_END
#undef OSTREVAN_AVX512

#endif  // __SSE2__

}  // namespace

int32_t GetVideoSimdLevel() { return gVideoSimdLevel.load(std::memory_order_relaxed); }

int32_t SetVideoSimdLevel(int32_t level) {
  const int32_t use = std::clamp(level, static_cast<int32_t>(kVideoSimdScalar), DetectVideoSimdLevel());
  gVideoSimdLevel.store(use, std::memory_order_relaxed);
  return use;
}

void InverseTransformBlock(VCoefficientBlock& block) {
#if defined(__SSE2__)
  // A block of one coefficient takes a scalar shortcut at every level.
  if (block.count >= 2) {
    const int32_t level = GetVideoSimdLevel();
    if (level >= kVideoSimdAvx2) return InverseTransformAvx2(block);
    if (level >= kVideoSimdSse2) return InverseTransformSse2(block);
  }
#endif
  InverseTransform(block);
}

VTransformAndStore GetTransformAndStore() {
#if defined(__SSE2__)
  if (GetVideoSimdLevel() >= kVideoSimdAvx2) return TransformAndStoreByFlagsAvx2;
#endif
  return InverseTransformAndStore;
}

void InverseTransformAndStore(VCoefficientBlock& block, uint8_t* dst, ptrdiff_t stride, bool intra) {
#if defined(__SSE2__)
  // Every block, a lone coefficient too: its transform is the general one.
  if (GetVideoSimdLevel() >= kVideoSimdAvx2) return TransformAndStoreByFlagsAvx2(block, dst, stride, intra);
#endif
  InverseTransformBlock(block);
  StoreBlockPixels(block.c, dst, stride, intra);
}

void StoreBlockPixelsReference(const int32_t* c, uint8_t* dst, ptrdiff_t stride, bool intra) {
  for (int r = 0; r < 8; ++r, dst += stride, c += 8) {
    for (int k = 0; k < 8; ++k) dst[k] = intra ? Clamp255(c[k] + 128) : Clamp255(dst[k] + c[k]);
  }
}

void StoreBlockPixels(const int32_t* c, uint8_t* dst, ptrdiff_t stride, bool intra) {
#if defined(__SSE2__)
  if (GetVideoSimdLevel() >= kVideoSimdSse2) return StoreBlockPixelsSse2(c, dst, stride, intra);
#endif
  StoreBlockPixelsReference(c, dst, stride, intra);
}

void StoreFlatBlockPixelsReference(int32_t value, uint8_t* dst, ptrdiff_t stride, bool intra) {
  for (int r = 0; r < 8; ++r, dst += stride) {
    for (int k = 0; k < 8; ++k) dst[k] = intra ? Clamp255(value + 128) : Clamp255(dst[k] + value);
  }
}

void StoreFlatBlockPixels(int32_t value, uint8_t* dst, ptrdiff_t stride, bool intra) {
  if (intra) {
    // One byte everywhere: eight 8-byte rows.
    uint64_t row = Clamp255(value + 128) * 0x0101010101010101ull;
    for (int r = 0; r < 8; ++r, dst += stride) std::memcpy(dst, &row, 8);
    return;
  }
#if defined(__SSE2__)
  if (GetVideoSimdLevel() >= kVideoSimdSse2) {
    // Saturating byte additions or subtractions of |value| (at most 255 matters).
    const int32_t clamped = std::clamp(value, -255, 255);
    const int32_t magnitude = clamped < 0 ? -clamped : clamped;
    const __m128i m = _mm_set1_epi8(static_cast<char>(magnitude));
    for (int r = 0; r < 8; r += 2, dst += 2 * stride) {
      const __m128i p = _mm_unpacklo_epi64(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(dst)),
                                           _mm_loadl_epi64(reinterpret_cast<const __m128i*>(dst + stride)));
      const __m128i q = value < 0 ? _mm_subs_epu8(p, m) : _mm_adds_epu8(p, m);
      _mm_storel_epi64(reinterpret_cast<__m128i*>(dst), q);
      _mm_storel_epi64(reinterpret_cast<__m128i*>(dst + stride), _mm_srli_si128(q, 8));
    }
    return;
  }
#endif
  StoreFlatBlockPixelsReference(value, dst, stride, intra);
}

void PredictBlockReference(const uint8_t* src, ptrdiff_t srcStride, int32_t hx, int32_t hy, int32_t w, int32_t h,
                           uint8_t* dst, ptrdiff_t dstStride, bool average) {
  for (int32_t r = 0; r < h; ++r) {
    const uint8_t* line = src + r * srcStride;
    uint8_t* out = dst + r * dstStride;
    for (int32_t c = 0; c < w; ++c) {
      int32_t v = line[c];
      if (hx) v = (v + line[c + 1] + 1) >> 1;
      if (hy) {
        const uint8_t* next = line + srcStride;
        int32_t below = next[c];
        if (hx) below = (below + next[c + 1] + 1) >> 1;
        v = (v + below + 1) >> 1;
      }
      out[c] = static_cast<uint8_t>(average ? (out[c] + v + 1) >> 1 : v);
    }
  }
}

const VPredictionKernels& GetPredictionKernels() {
#if defined(__SSE2__)
  const int32_t level = GetVideoSimdLevel();
  if (level >= kVideoSimdAvx2) return kAvx2Prediction;
  if (level >= kVideoSimdSse2) return kSse2Prediction;
#endif
  return kScalarPrediction;
}

void PredictBlock(const uint8_t* src, ptrdiff_t srcStride, int32_t hx, int32_t hy, int32_t w, int32_t h,
                  uint8_t* dst, ptrdiff_t dstStride, bool average) {
  if (h <= 0 || w <= 0) return;
  if (w % 8 == 0)
    return GetPredictionKernels().area[hx != 0][hy != 0][average](src, srcStride, dst, dstStride, w, h);
  PredictBlockReference(src, srcStride, hx, hy, w, h, dst, dstStride, average);
}

void ConvertLineTo16BitsReference(uint8_t* out, const uint8_t* yLine, const uint8_t* cbLine, const uint8_t* crLine,
                                  int32_t width, const int32_t dither[4], const uint16_t* table, bool little) {
  for (int32_t x = 0; x < width; ++x) {
    const int32_t cx = x >> 1;
    const int32_t cbd = std::clamp(cbLine[cx] + dither[cx & 3], 0, 255);
    const int32_t crd = std::clamp(crLine[cx] + dither[cx & 3], 0, 255);
    const uint16_t v = table[((cbd >> 3) << 11) | ((crd >> 3) << 6) | (yLine[x] >> 2)];
    out[2 * x] = static_cast<uint8_t>(little ? v : v >> 8);
    out[2 * x + 1] = static_cast<uint8_t>(little ? v >> 8 : v);
  }
}

void ConvertLineTo16Bits(uint8_t* out, const uint8_t* yLine, const uint8_t* cbLine, const uint8_t* crLine,
                         int32_t width, const int32_t dither[4], const uint16_t* table, bool little) {
  int32_t x = 0;
#if defined(__SSE2__)
  if (GetVideoSimdLevel() >= kVideoSimdSse2 && width >= 16) {
    const __m128i d = _mm_setr_epi16(static_cast<int16_t>(dither[0]), static_cast<int16_t>(dither[1]),
                                     static_cast<int16_t>(dither[2]), static_cast<int16_t>(dither[3]),
                                     static_cast<int16_t>(dither[0]), static_cast<int16_t>(dither[1]),
                                     static_cast<int16_t>(dither[2]), static_cast<int16_t>(dither[3]));
    alignas(16) uint16_t idx[16];
    for (; x + 16 <= width; x += 16) {
      Indices16Sse2(yLine + x, cbLine + x / 2, crLine + x / 2, d, idx);
      uint8_t* o = out + 2 * x;
      for (int k = 0; k < 16; ++k) {
        uint16_t v = table[idx[k]];
        if (!little) v = static_cast<uint16_t>((v << 8) | (v >> 8));
        std::memcpy(o + 2 * k, &v, 2);
      }
    }
  }
#endif
  // The rest (from an even column) one pixel at a time.
  if (x < width)
    ConvertLineTo16BitsReference(out + 2 * x, yLine + x, cbLine + x / 2, crLine + x / 2, width - x, dither, table,
                                 little);
}

VPixel16Formula Pixel16FormulaOf(const VYCbCrColorTable& colorTable, int32_t depth) {
  VPixel16Formula f;
  f.luma = VYCbCrColorTable::GetLumaScale();
  f.crToRed = colorTable.GetCrToRed();
  f.cbToBlue = colorTable.GetCbToBlue();
  f.cbToGreen = colorTable.GetCbToGreen();
  f.crToGreen = colorTable.GetCrToGreen();
  f.depth = depth == 15 ? 15 : 16;
  return f;
}

uint16_t Pixel16ByFormula(const VPixel16Formula& f, int32_t index) {
  const int32_t l = f.luma * (4 * (index & 63) + 2 - 16);
  const int32_t cr = 8 * ((index >> 6) & 31) + 4 - 128;
  const int32_t cb = 8 * ((index >> 11) & 31) + 4 - 128;
  const int32_t r = Clamp255((l + f.crToRed * cr) >> 16);
  const int32_t g = Clamp255((l - f.cbToGreen * cb - f.crToGreen * cr) >> 16);
  const int32_t b = Clamp255((l + f.cbToBlue * cb) >> 16);
  if (f.depth == 15) {
    const auto to5 = [](int32_t c) { return (c * 249 + 1014) >> 11; };  // round(c * 31 / 255)
    return static_cast<uint16_t>((to5(r) << 10) | (to5(g) << 5) | to5(b));
  }
  return static_cast<uint16_t>(((r & 0xF8) << 8) | ((g & 0xFC) << 3) | (b >> 3));
}

bool HasVectorFormulaConversion() {
#if defined(__SSE2__)
  return GetVideoSimdLevel() >= kVideoSimdAvx2;
#else
  return false;
#endif
}

namespace {

// Pixels from column x (even) to the end of the line, one at a time.
void ConvertLineTailByFormula(uint8_t* out, const uint8_t* yLine, const uint8_t* cbLine, const uint8_t* crLine,
                              int32_t x, int32_t width, const int32_t dither[4], const VPixel16Formula& f,
                              bool little) {
  for (; x < width; ++x) {
    const int32_t cx = x >> 1;
    const int32_t cbd = std::clamp(cbLine[cx] + dither[cx & 3], 0, 255);
    const int32_t crd = std::clamp(crLine[cx] + dither[cx & 3], 0, 255);
    const uint16_t v = Pixel16ByFormula(f, ((cbd >> 3) << 11) | ((crd >> 3) << 6) | (yLine[x] >> 2));
    out[2 * x] = static_cast<uint8_t>(little ? v : v >> 8);
    out[2 * x + 1] = static_cast<uint8_t>(little ? v >> 8 : v);
  }
}

// Every row: whole 32-pixel blocks when the level has them, then 16-pixel
// blocks, each size in one pass over the rows; the rest one pixel at a time.
void ConvertRowsByFormula(const ConvertRows& rows, int32_t lines, int32_t width, const VPixel16Formula& f,
                          bool little) {
  int32_t x = 0;
#if defined(__SSE2__)
  if (GetVideoSimdLevel() >= kVideoSimdAvx512 && width >= 32) {
    ConvertRowsByFormulaAvx512(rows, lines, width / 32, f, little);
    x = width & ~31;
  }
  if (const int32_t blocks = (width - x) / 16; HasVectorFormulaConversion() && blocks > 0) {
    ConvertRows rest = rows;
    for (int32_t line = 0; line < 2; ++line) rest.out[line] += 2 * x, rest.y[line] += x;
    rest.cb += x / 2, rest.cr += x / 2;
    ConvertRowsByFormulaAvx2(rest, lines, blocks, f, little);
    x += 16 * blocks;
  }
#endif
  for (int32_t row = 0; x < width && row < rows.count; ++row) {
    const int32_t* dither = rows.dither[row & 3];
    const uint8_t* cb = rows.cb + row * rows.chromaStride;
    const uint8_t* cr = rows.cr + row * rows.chromaStride;
    for (int32_t line = 0; line < lines; ++line)
      ConvertLineTailByFormula(rows.out[line] + row * rows.outStride, rows.y[line] + row * rows.yStride, cb, cr, x,
                               width, dither, f, little);
  }
}

}  // namespace

void ConvertLineTo16BitsByFormula(uint8_t* out, const uint8_t* yLine, const uint8_t* cbLine, const uint8_t* crLine,
                                  int32_t width, const int32_t dither[4], const VPixel16Formula& f, bool little) {
  const int32_t rowDither[1][4] = {{dither[0], dither[1], dither[2], dither[3]}};
  const ConvertRows rows{{out, out}, 0, {yLine, yLine}, 0, cbLine, crLine, 0, 1, rowDither};
  ConvertRowsByFormula(rows, 1, width, f, little);
}

void ConvertLinePairsTo16BitsByFormula(uint8_t* out, ptrdiff_t outStride, const uint8_t* y, ptrdiff_t yStride,
                                       const uint8_t* cb, const uint8_t* cr, ptrdiff_t chromaStride, int32_t width,
                                       int32_t pairs, const int32_t dither[4][4], const VPixel16Formula& f,
                                       bool little) {
  if (pairs <= 0) return;
  const ConvertRows rows{{out, out + outStride}, 2 * outStride, {y, y + yStride}, 2 * yStride, cb, cr,
                         chromaStride, pairs, dither};
  ConvertRowsByFormula(rows, 2, width, f, little);
}

void ConvertLineTo32BitsByFormula(uint8_t* out, const uint8_t* yLine, const uint8_t* cbLine, const uint8_t* crLine,
                                  int32_t width, const VPixel16Formula& f, const int32_t offsets[4]) {
  int32_t x = 0;
#if defined(__SSE2__)
  if (HasVectorFormulaConversion() && width >= 16) {
    ConvertLineTo32BitsAvx2(out, yLine, cbLine, crLine, width / 16, f, offsets);
    x = width & ~15;
  }
#endif
  // The rest (from an even column) one pixel at a time.
  for (; x < width; ++x) {
    const int32_t l = f.luma * (yLine[x] - 16);
    const int32_t cb = cbLine[x >> 1] - 128, cr = crLine[x >> 1] - 128;
    uint8_t* p = out + 4 * x;
    p[offsets[0]] = Clamp255((l + f.crToRed * cr) >> 16);
    p[offsets[1]] = Clamp255((l - f.cbToGreen * cb - f.crToGreen * cr) >> 16);
    p[offsets[2]] = Clamp255((l + f.cbToBlue * cb) >> 16);
    p[offsets[3]] = 0;
  }
}
