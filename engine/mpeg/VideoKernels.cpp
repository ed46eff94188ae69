// Scalar, SSE2 and AVX2 forms of the video decoder's kernels. The vector forms
// of the inverse transform run the same 32-bit integer arithmetic on eight (or
// four) lines at once, so their results equal the scalar transform's.
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
int32_t DetectVideoSimdLevel() { return platform::BestSimdSupport(); }

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

OSTREVAN_AVX2 [[gnu::always_inline]] inline void Transpose8Avx2(V8* r) {
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

// The transform's rows before the final shift. The two passes see the
// lines holding coefficients: kFirst (4 or 8) leading lines in the first
// pass's input, kSecond (1, 4 or 8) in the second's, the others zero; with
// the zeros known, the compiler leaves out what they add, which changes no
// result (the kernel of a zero line is zero). The rounding term of the final
// shift (8) is added to every result by adding it to the second pass's
// first input, which each result holds once and no multiplication touches.
template <bool kRowsFirst, int kFirst, int kSecond>
OSTREVAN_AVX2 [[gnu::always_inline]] inline void InverseTransformRowsAvx2(const VCoefficientBlock& b, V8* r) {
  constexpr int kInputRows = kRowsFirst ? kSecond : kFirst;
  for (int i = 0; i < 8; ++i)
    r[i] = i < kInputRows
               ? (AsV8(_mm256_loadu_si256(reinterpret_cast<const __m256i*>(b.c + 8 * i))) + 2048) >> 12
               : V8{};
  const auto zeroFrom = [r](int n) {
    for (int i = n; i < 8; ++i) r[i] = V8{};
  };
  if constexpr (kRowsFirst) {
    Transpose8Avx2(r);
    zeroFrom(kFirst);
    InverseTransformKernel(r);
    Transpose8Avx2(r);
    zeroFrom(kSecond);
    r[0] += 8;
    InverseTransformKernel(r);
  } else {
    InverseTransformKernel(r);
    Transpose8Avx2(r);
    zeroFrom(kSecond);
    r[0] += 8;
    InverseTransformKernel(r);
    Transpose8Avx2(r);
  }
}

OSTREVAN_AVX2 void InverseTransformAvx2(VCoefficientBlock& b) {
  V8 r[8];
  if (RowsFirst(b))
    InverseTransformRowsAvx2<true, 8, 8>(b, r);
  else
    InverseTransformRowsAvx2<false, 8, 8>(b, r);
  for (int i = 0; i < 8; ++i)
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(b.c + 8 * i), AsM256(r[i] >> 4));
}

// The transform written straight into the pixels, with the saturations of
// the block store: to 16 bits, the add, to 0..255.
template <bool kRowsFirst, int kFirst, int kSecond>
OSTREVAN_AVX2 void InverseTransformAndStoreAvx2(const VCoefficientBlock& b, uint8_t* dst, ptrdiff_t stride,
                                                bool intra) {
  V8 r[8];
  InverseTransformRowsAvx2<kRowsFirst, kFirst, kSecond>(b, r);
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

using TransformAndStore = void (*)(const VCoefficientBlock&, uint8_t*, ptrdiff_t, bool);

// By the order of the passes, whether the first pass's lines 4-7 are empty,
// and whether the second's lines past 0 (0) or 4 (1) are empty (2: neither).
constexpr TransformAndStore kTransformAndStoreAvx2[2][2][3] = {
    {{InverseTransformAndStoreAvx2<false, 8, 1>, InverseTransformAndStoreAvx2<false, 8, 4>,
      InverseTransformAndStoreAvx2<false, 8, 8>},
     {InverseTransformAndStoreAvx2<false, 4, 1>, InverseTransformAndStoreAvx2<false, 4, 4>,
      InverseTransformAndStoreAvx2<false, 4, 8>}},
    {{InverseTransformAndStoreAvx2<true, 8, 1>, InverseTransformAndStoreAvx2<true, 8, 4>,
      InverseTransformAndStoreAvx2<true, 8, 8>},
     {InverseTransformAndStoreAvx2<true, 4, 1>, InverseTransformAndStoreAvx2<true, 4, 4>,
      InverseTransformAndStoreAvx2<true, 4, 8>}}};

// Bits set in each byte value.
struct BitCounts {
  uint8_t count[256];
  constexpr BitCounts() : count() {
    for (int v = 1; v < 256; ++v) count[v] = static_cast<uint8_t>((v & 1) + count[v >> 1]);
  }
};
constexpr BitCounts kBitCounts;

// The transform and store in the form for the block's rows and columns
// holding coefficients, read as two 8-bit masks from one compare.
OSTREVAN_AVX2 void TransformAndStoreByFlagsAvx2(VCoefficientBlock& b, uint8_t* dst, ptrdiff_t stride, bool intra) {
  static_assert(offsetof(VCoefficientBlock, columnFlags) == offsetof(VCoefficientBlock, rowFlags) + 8);
  const __m128i flags = _mm_loadu_si128(reinterpret_cast<const __m128i*>(b.rowFlags));
  const uint32_t set = ~static_cast<uint32_t>(_mm_movemask_epi8(_mm_cmpeq_epi8(flags, _mm_setzero_si128())));
  const uint32_t rows = set & 0xFF, columns = (set >> 8) & 0xFF;
  const bool rowsFirst = kBitCounts.count[columns] >= kBitCounts.count[rows];
  const uint32_t first = rowsFirst ? columns : rows, second = rowsFirst ? rows : columns;
  const int secondForm = second == 1 ? 0 : (second & 0xF0) == 0 ? 1 : 2;
  kTransformAndStoreAvx2[rowsFirst][(first & 0xF0) == 0][secondForm](b, dst, stride, intra);
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

// One form per width, half-sample offset and averaging, so that each loop
// holds only its own steps.
template <int W, bool kHx, bool kHy, bool kAverage>
void PredictBlockSse2(const uint8_t* src, ptrdiff_t srcStride, int32_t h, uint8_t* dst, ptrdiff_t dstStride) {
  const auto line = [&](const uint8_t* p) {
    const __m128i v = LoadPixels<W>(p);
    if constexpr (kHx) return _mm_avg_epu8(v, LoadPixels<W>(p + 1));
    return v;
  };
  __m128i above = kHy ? line(src) : _mm_setzero_si128();
  for (int32_t r = 0; r < h; ++r, dst += dstStride) {
    src += srcStride;
    __m128i v;
    if constexpr (kHy) {
      const __m128i below = line(src);
      v = _mm_avg_epu8(above, below);
      above = below;
    } else {
      v = line(src - srcStride);
    }
    if constexpr (kAverage) v = _mm_avg_epu8(v, LoadPixels<W>(dst));
    StorePixels<W>(dst, v);
  }
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
  const auto load = [](const uint8_t* p0, const uint8_t* p1) {
    return _mm_unpacklo_epi64(LoadPixels<8>(p0), LoadPixels<8>(p1));
  };
  const auto line = [&](ptrdiff_t offset) {
    const __m128i v = load(src0 + offset, src1 + offset);
    if constexpr (kHx) return _mm_avg_epu8(v, load(src0 + offset + 1, src1 + offset + 1));
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
    if constexpr (kAverage) v = _mm_avg_epu8(v, load(dst0 + out, dst1 + out));
    StorePixels<8>(dst0 + out, v);
    StorePixels<8>(dst1 + out, _mm_unpackhi_epi64(v, v));
  }
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
OSTREVAN_AVX2 [[gnu::always_inline]] inline void PredictStripAvx2(ptrdiff_t srcStride, ptrdiff_t dstStride, int32_t h,
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

// 16 pixels at a time by the colour formula, in 32-bit lanes: lane k holds
// chroma sample k and the luma of its two pixels, the even one in the low
// half. The 32-bit sums are exact, so their top halves are the table's
// components. The chroma terms are made once for the lines sharing them.
OSTREVAN_AVX2 void ConvertLinesByFormulaAvx2(uint8_t* const* out, const uint8_t* const* y, int32_t lines,
                                             const uint8_t* cb, const uint8_t* cr, int32_t blocks,
                                             const int32_t dither[4], const VPixel16Formula& f, bool little) {
  const __m256i d = _mm256_setr_epi32(dither[0], dither[1], dither[2], dither[3], dither[0], dither[1], dither[2],
                                      dither[3]);
  const __m256i zero = _mm256_setzero_si256();
  const __m256i chromaHigh = _mm256_set1_epi32(255);
  const __m256i chromaCell = _mm256_set1_epi32(0xF8);
  const __m256i lumaCell = _mm256_set1_epi32(0xFC);
  const __m256i luma = _mm256_set1_epi32(f.luma);
  const __m256i crToRed = _mm256_set1_epi32(f.crToRed), cbToBlue = _mm256_set1_epi32(f.cbToBlue);
  const __m256i cbToGreen = _mm256_set1_epi32(f.cbToGreen), crToGreen = _mm256_set1_epi32(f.crToGreen);
  // Sample points: luma * (4 (Y >> 2) + 2 - 16), scale * (8 (C >> 3) + 4 - 128);
  // the luma's constant goes into the chroma terms.
  const int32_t lumaBase = -14 * f.luma;
  const __m256i redBase = _mm256_set1_epi32(lumaBase - 124 * f.crToRed);
  const __m256i blueBase = _mm256_set1_epi32(lumaBase - 124 * f.cbToBlue);
  const __m256i greenBase = _mm256_set1_epi32(-lumaBase - 124 * (f.cbToGreen + f.crToGreen));
  const __m256i componentHigh = _mm256_set1_epi16(255);
  const __m256i redField = _mm256_set1_epi16(static_cast<int16_t>(0xF800));
  const __m256i greenField = _mm256_set1_epi16(0x07E0);
  // Words of the 5-6-5 packs from (even 0-3, odd 0-3) to pixel order, swapped for big-endian words.
  const __m256i order = little ? _mm256_setr_epi8(0, 1, 8, 9, 2, 3, 10, 11, 4, 5, 12, 13, 6, 7, 14, 15, 0, 1, 8, 9, 2,
                                                  3, 10, 11, 4, 5, 12, 13, 6, 7, 14, 15)
                               : _mm256_setr_epi8(1, 0, 9, 8, 3, 2, 11, 10, 5, 4, 13, 12, 7, 6, 15, 14, 1, 0, 9, 8, 3,
                                                  2, 11, 10, 5, 4, 13, 12, 7, 6, 15, 14);
  const __m256i swap = _mm256_setr_epi8(1, 0, 3, 2, 5, 4, 7, 6, 9, 8, 11, 10, 13, 12, 15, 14, 1, 0, 3, 2, 5, 4, 7, 6,
                                        9, 8, 11, 10, 13, 12, 15, 14);
  const bool fiveBits = f.depth == 15;
  const auto chroma = [&](const uint8_t* p) OSTREVAN_AVX2 {
    const __m256i v = _mm256_add_epi32(_mm256_cvtepu8_epi32(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(p))), d);
    return _mm256_and_si256(_mm256_min_epi32(_mm256_max_epi32(v, zero), chromaHigh), chromaCell);
  };
  // Top halves of the even and odd pixels' sums, clamped to 0..255, in pixel order.
  const auto component = [&](__m256i even, __m256i odd) OSTREVAN_AVX2 {
    const __m256i v = _mm256_blend_epi16(_mm256_srli_epi32(even, 16), odd, 0xAA);
    return _mm256_min_epi16(_mm256_max_epi16(v, zero), componentHigh);
  };
  // The sums over 256, saturated to 0..65535: the top bits of the clamped
  // component lead (even pixels 0-3, odd 0-3 in each half).
  const auto saturated = [&](__m256i even, __m256i odd) OSTREVAN_AVX2 {
    return _mm256_packus_epi32(_mm256_srai_epi32(even, 8), _mm256_srai_epi32(odd, 8));
  };
  // 0..255 to 0..31 rounded: (c * 249 + 1014) >> 11 in 16 bits.
  const __m256i to5Scale = _mm256_set1_epi16(249), to5Round = _mm256_set1_epi16(1014);
  const auto to5 = [&](__m256i c) OSTREVAN_AVX2 {
    return _mm256_srli_epi16(_mm256_add_epi16(_mm256_mullo_epi16(c, to5Scale), to5Round), 11);
  };
  for (int32_t i = 0; i < blocks; ++i, cb += 8, cr += 8) {
    const __m256i cbv = chroma(cb), crv = chroma(cr);
    const __m256i red = _mm256_add_epi32(_mm256_mullo_epi32(crv, crToRed), redBase);
    const __m256i blue = _mm256_add_epi32(_mm256_mullo_epi32(cbv, cbToBlue), blueBase);
    const __m256i green = _mm256_add_epi32(
        _mm256_add_epi32(_mm256_mullo_epi32(cbv, cbToGreen), _mm256_mullo_epi32(crv, crToGreen)), greenBase);
    for (int32_t line = 0; line < lines; ++line) {
      const __m256i pairs = _mm256_cvtepu8_epi16(_mm_loadu_si128(reinterpret_cast<const __m128i*>(y[line] + 16 * i)));
      const __m256i lumaEven = _mm256_mullo_epi32(_mm256_and_si256(pairs, lumaCell), luma);
      const __m256i lumaOdd = _mm256_mullo_epi32(_mm256_and_si256(_mm256_srli_epi32(pairs, 16), lumaCell), luma);
      const __m256i re = _mm256_add_epi32(lumaEven, red), ro = _mm256_add_epi32(lumaOdd, red);
      const __m256i ge = _mm256_sub_epi32(lumaEven, green), go = _mm256_sub_epi32(lumaOdd, green);
      const __m256i be = _mm256_add_epi32(lumaEven, blue), bo = _mm256_add_epi32(lumaOdd, blue);
      __m256i pixels;
      if (fiveBits) {
        const __m256i r5 = to5(component(re, ro)), g5 = to5(component(ge, go)), b5 = to5(component(be, bo));
        pixels = _mm256_or_si256(_mm256_or_si256(_mm256_slli_epi16(r5, 10), _mm256_slli_epi16(g5, 5)), b5);
        if (!little) pixels = _mm256_shuffle_epi8(pixels, swap);
      } else {
        pixels = _mm256_or_si256(
            _mm256_or_si256(_mm256_and_si256(saturated(re, ro), redField),
                            _mm256_and_si256(_mm256_srli_epi16(saturated(ge, go), 5), greenField)),
            _mm256_srli_epi16(saturated(be, bo), 11));
        pixels = _mm256_shuffle_epi8(pixels, order);
      }
      _mm256_storeu_si256(reinterpret_cast<__m256i*>(out[line] + 32 * i), pixels);
    }
  }
}

#undef OSTREVAN_AVX2

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

}  // namespace

void ConvertLineTo16BitsByFormula(uint8_t* out, const uint8_t* yLine, const uint8_t* cbLine, const uint8_t* crLine,
                                  int32_t width, const int32_t dither[4], const VPixel16Formula& f, bool little) {
  int32_t x = 0;
#if defined(__SSE2__)
  if (HasVectorFormulaConversion() && width >= 16) {
    ConvertLinesByFormulaAvx2(&out, &yLine, 1, cbLine, crLine, width / 16, dither, f, little);
    x = width & ~15;
  }
#endif
  ConvertLineTailByFormula(out, yLine, cbLine, crLine, x, width, dither, f, little);
}

void ConvertLinePairTo16BitsByFormula(uint8_t* out0, uint8_t* out1, const uint8_t* yLine0, const uint8_t* yLine1,
                                      const uint8_t* cbLine, const uint8_t* crLine, int32_t width,
                                      const int32_t dither[4], const VPixel16Formula& f, bool little) {
  int32_t x = 0;
#if defined(__SSE2__)
  if (HasVectorFormulaConversion() && width >= 16) {
    uint8_t* const out[2] = {out0, out1};
    const uint8_t* const y[2] = {yLine0, yLine1};
    ConvertLinesByFormulaAvx2(out, y, 2, cbLine, crLine, width / 16, dither, f, little);
    x = width & ~15;
  }
#endif
  ConvertLineTailByFormula(out0, yLine0, cbLine, crLine, x, width, dither, f, little);
  ConvertLineTailByFormula(out1, yLine1, cbLine, crLine, x, width, dither, f, little);
}
