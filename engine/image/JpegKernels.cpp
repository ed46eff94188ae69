#include "engine/image/JpegKernels.h"

#include <atomic>

#if defined(__SSE2__)
#include <immintrin.h>
#endif

#include "platform/Processor.h"

namespace {

// The factors of one 1-D pass of the inverse DCT: the even part's three, then
// the odd part's nine.
struct IdctFactors {
  float even[3];
  float odd[9];
};
constexpr IdctFactors kRowFactors = {
    {0.5411961f, 1.847759f, 0.76536685f},
    {1.1758755f, -0.8999762f, -2.5629156f, -1.9615705f, -0.39018065f, 0.29863134f, 2.05312f, 3.072711f, 1.5013211f}};
// The row factors scaled by 1/8.
constexpr IdctFactors kColumnFactors = {
    {0.06764951f, 0.23096988f, 0.09567086f},
    {0.14698444f, -0.112497024f, -0.32036445f, -0.24519631f, -0.04877258f, 0.037328918f, 0.25664f, 0.38408887f,
     0.18766513f}};

// One 8-point butterfly on in[0], in[kStep], ... in[7 kStep], written to
// out[0], out[kStep], .... The column pass (kColumn) scales its DC terms by
// 1/8 and adds `bias` to every sample. The SIMD forms repeat these
// operations in this order, so that they give the same floats.
template <int32_t kStep, bool kColumn, class T>
inline void InverseDct8(const T* in, float* out, const IdctFactors& k, float bias) {
  const auto c0 = static_cast<float>(in[0]), c1 = static_cast<float>(in[kStep]),
             c2 = static_cast<float>(in[2 * kStep]), c3 = static_cast<float>(in[3 * kStep]),
             c4 = static_cast<float>(in[4 * kStep]), c5 = static_cast<float>(in[5 * kStep]),
             c6 = static_cast<float>(in[6 * kStep]), c7 = static_cast<float>(in[7 * kStep]);
  float z1 = (c2 + c6) * k.even[0];
  const float t2 = z1 - c6 * k.even[1];
  const float t3 = z1 + c2 * k.even[2];
  float t0 = c0 + c4, t1 = c0 - c4;
  if constexpr (kColumn) {
    t0 = t0 * 0.125f + bias;
    t1 = t1 * 0.125f + bias;
  }
  const float t10 = t0 + t3, t13 = t0 - t3, t11 = t1 + t2, t12 = t1 - t2;
  const float a = c7, b = c5, cc = c3, d = c1;
  const float z5 = (a + b + cc + d) * k.odd[0];
  z1 = (a + d) * k.odd[1];
  const float z2 = (b + cc) * k.odd[2];
  const float z3 = (a + cc) * k.odd[3] + z5;
  const float z4 = (b + d) * k.odd[4] + z5;
  const float o0 = a * k.odd[5] + z1 + z3;
  const float o1 = b * k.odd[6] + z2 + z4;
  const float o2 = cc * k.odd[7] + z2 + z3;
  const float o3 = d * k.odd[8] + z1 + z4;
  out[0] = t10 + o3;
  out[7 * kStep] = t10 - o3;
  out[kStep] = t11 + o2;
  out[6 * kStep] = t11 - o2;
  out[2 * kStep] = t12 + o1;
  out[5 * kStep] = t12 - o1;
  out[3 * kStep] = t13 + o0;
  out[4 * kStep] = t13 - o0;
}

void InverseDctScalar(const int16_t* coefficients, const int32_t* quantisation, float* samples, int32_t stride,
                      float bias) {
  // Dequantised, in row order.
  int32_t in[64];
  for (int32_t r = 0; r < 8; ++r) {
    for (int32_t k = 0; k < 8; ++k) in[r * 8 + k] = coefficients[k * 8 + r] * quantisation[k * 8 + r];
  }
  float tmp[64];
  float out[64];
  for (int32_t r = 0; r < 8; ++r) {
    const int32_t* c = in + r * 8;
    float* t = tmp + r * 8;
    if ((c[1] | c[2] | c[3] | c[4] | c[5] | c[6] | c[7]) == 0) {
      // The full pass gives exactly the DC value here.
      const auto dc = static_cast<float>(c[0]);
      for (int32_t i = 0; i < 8; ++i) t[i] = dc;
      continue;
    }
    InverseDct8<1, false>(c, t, kRowFactors, 0.0f);
  }
  for (int32_t col = 0; col < 8; ++col) InverseDct8<8, true>(tmp + col, out + col, kColumnFactors, bias);
  for (int32_t r = 0; r < 8; ++r) {
    for (int32_t i = 0; i < 8; ++i) samples[r * stride + i] = out[r * 8 + i];
  }
}

inline float Limit(float v, float low, float high) {
  v = v < low ? low : v;
  return v > high ? high : v;
}

struct RGB {
  uint8_t r, g, b;
};
inline RGB ConvertPixel(float ys, float cbs, float crs) {
  const float y = Limit(ys, 0.0f, 255.0f);
  const float cb = Limit(cbs, -128.0f, 127.0f);
  const float cr = Limit(crs, -128.0f, 127.0f);
  return {static_cast<uint8_t>(Limit(y + 1.403f * cr, 0.0f, 255.0f)),
          static_cast<uint8_t>(Limit(y - 0.344f * cb - 0.714f * cr, 0.0f, 255.0f)),
          static_cast<uint8_t>(Limit(y + 1.773f * cb, 0.0f, 255.0f))};
}
inline RGB ConvertPixel(const float* y, const JpegChromaRow& c, int32_t x) {
  if (!c.half) return ConvertPixel(y[x], c.cb[x], c.cr[x]);
  const int32_t j = x >> 1;
  if (c.cbBefore && x > 0) {
    const int32_t i = (x - 1) >> 1;
    return ConvertPixel(y[x], 0.5f * (c.cb[j] + c.cbBefore[i]), 0.5f * (c.cr[j] + c.crBefore[i]));
  }
  return ConvertPixel(y[x], c.cb[j], c.cr[j]);
}

void YCbCrToRGBScalar(const float* y, const JpegChromaRow& c, uint8_t* red, uint8_t* green, uint8_t* blue,
                      int32_t from, int32_t width) {
  for (int32_t x = from; x < width; ++x) {
    const RGB p = ConvertPixel(y, c, x);
    red[x] = p.r;
    green[x] = p.g;
    blue[x] = p.b;
  }
}

void YCbCrToPixels24Scalar(const float* y, const JpegChromaRow& c, uint8_t* out, int32_t from, int32_t width,
                           bool rgbOrder) {
  for (int32_t x = from; x < width; ++x) {
    const RGB p = ConvertPixel(y, c, x);
    out[3 * x] = rgbOrder ? p.r : p.b;
    out[3 * x + 1] = p.g;
    out[3 * x + 2] = rgbOrder ? p.b : p.r;
  }
}

void Interleave24Scalar(const uint8_t* a, const uint8_t* b, const uint8_t* c, uint8_t* out, int32_t from,
                        int32_t width) {
  out += 3 * from;
  for (int32_t x = from; x < width; ++x, out += 3) {
    out[0] = a[x];
    out[1] = b[x];
    out[2] = c[x];
  }
}

void PackRow16Scalar(const uint8_t* rgb, uint8_t* out, int32_t from, int32_t width, bool sixBitGreen,
                     bool bigEndian) {
  rgb += 3 * from;
  for (int32_t x = from; x < width; ++x, rgb += 3) {
    const uint32_t r = rgb[0], g = rgb[1], b = rgb[2];
    const uint32_t v = sixBitGreen ? ((r >> 3) << 11) | ((g >> 2) << 5) | (b >> 3)
                                   : ((r >> 3) << 10) | ((g >> 3) << 5) | (b >> 3);
    out[2 * x + (bigEndian ? 0 : 1)] = static_cast<uint8_t>(v >> 8);
    out[2 * x + (bigEndian ? 1 : 0)] = static_cast<uint8_t>(v);
  }
}

void SpreadRow32Scalar(const uint8_t* rgb, uint8_t* out, int32_t from, int32_t width, const int8_t order[4]) {
  rgb += 3 * from;
  out += 4 * from;
  for (int32_t x = from; x < width; ++x, rgb += 3, out += 4) {
    for (int32_t k = 0; k < 4; ++k) out[k] = order[k] < 0 ? 0 : rgb[order[k]];
  }
}

void DitherRow16Scalar(const uint8_t* red, const uint8_t* green, const uint8_t* blue, const int16_t* dither,
                       uint8_t* out, int32_t from, int32_t width, bool sixBitGreen, bool bigEndian) {
  auto clamp = [](int32_t v, int32_t top) { return v < 0 ? 0 : (v > top ? top : v); };
  for (int32_t x = from; x < width; ++x) {
    const int32_t d = dither[x];
    const int32_t r = clamp((red[x] + d) >> 3, 31), b = clamp((blue[x] + d) >> 3, 31);
    const uint32_t v = sixBitGreen ? static_cast<uint32_t>(r << 11 | clamp((green[x] + (d >> 1)) >> 2, 63) << 5 | b)
                                   : static_cast<uint32_t>(r << 10 | clamp((green[x] + d) >> 3, 31) << 5 | b);
    out[2 * x + (bigEndian ? 0 : 1)] = static_cast<uint8_t>(v >> 8);
    out[2 * x + (bigEndian ? 1 : 0)] = static_cast<uint8_t>(v);
  }
}

#if defined(__SSE2__)

// The chroma of pixels x..x+7 (x even) of one plane, as ConvertPixel takes
// it: from a half row, each sample twice, averaged with the row above.
inline void Chroma8Sse2(const float* row, const float* before, bool halfRow, int32_t x, __m128 out[2]) {
  if (!halfRow) {
    out[0] = _mm_loadu_ps(row + x);
    out[1] = _mm_loadu_ps(row + x + 4);
    return;
  }
  const int32_t j = x >> 1;
  const __m128 c = _mm_loadu_ps(row + j);
  __m128 even = c, odd = c;
  if (before) {
    const __m128 p = _mm_loadu_ps(before + j);
    // The even pixels average with the sample before theirs; the row's first
    // pixel with its own, which gives that sample unchanged.
    const __m128 p1 = j > 0 ? _mm_loadu_ps(before + j - 1) : _mm_move_ss(_mm_shuffle_ps(p, p, _MM_SHUFFLE(2, 1, 0, 0)), c);
    const __m128 half = _mm_set1_ps(0.5f);
    even = _mm_mul_ps(half, _mm_add_ps(c, p1));
    odd = _mm_mul_ps(half, _mm_add_ps(c, p));
  }
  out[0] = _mm_unpacklo_ps(even, odd);
  out[1] = _mm_unpackhi_ps(even, odd);
}

// From pixel `from` (even) in steps of 8; pixel x goes to index x - outBase
// of the outputs.
int32_t YCbCrToRGBSse2(const float* ys, const JpegChromaRow& c, uint8_t* red, uint8_t* green, uint8_t* blue,
                       int32_t from, int32_t width, int32_t outBase) {
  const __m128 zero = _mm_setzero_ps(), top = _mm_set1_ps(255.0f);
  const __m128 chromaLow = _mm_set1_ps(-128.0f), chromaHigh = _mm_set1_ps(127.0f);
  const __m128 crToRed = _mm_set1_ps(1.403f), cbToGreen = _mm_set1_ps(0.344f), crToGreen = _mm_set1_ps(0.714f),
               cbToBlue = _mm_set1_ps(1.773f);
  auto limit = [](__m128 v, __m128 low, __m128 high) { return _mm_min_ps(_mm_max_ps(v, low), high); };
  int32_t x = from;
  for (; x + 8 <= width; x += 8) {
    __m128 cbs[2], crs[2];
    Chroma8Sse2(c.cb, c.cbBefore, c.half, x, cbs);
    Chroma8Sse2(c.cr, c.crBefore, c.half, x, crs);
    __m128i r[2], g[2], b[2];
    for (int32_t h = 0; h < 2; ++h) {
      const int32_t i = x + 4 * h;
      const __m128 y = limit(_mm_loadu_ps(ys + i), zero, top);
      const __m128 cb = limit(cbs[h], chromaLow, chromaHigh);
      const __m128 cr = limit(crs[h], chromaLow, chromaHigh);
      // With Y and chroma limited the results lie within -230..482: truncated
      // first, the saturating packs below clamp them to the same bytes.
      r[h] = _mm_cvttps_epi32(_mm_add_ps(y, _mm_mul_ps(crToRed, cr)));
      g[h] = _mm_cvttps_epi32(_mm_sub_ps(_mm_sub_ps(y, _mm_mul_ps(cbToGreen, cb)), _mm_mul_ps(crToGreen, cr)));
      b[h] = _mm_cvttps_epi32(_mm_add_ps(y, _mm_mul_ps(cbToBlue, cb)));
    }
    const __m128i r16 = _mm_packs_epi32(r[0], r[1]), g16 = _mm_packs_epi32(g[0], g[1]),
                  b16 = _mm_packs_epi32(b[0], b[1]);
    _mm_storel_epi64(reinterpret_cast<__m128i*>(red + x - outBase), _mm_packus_epi16(r16, r16));
    _mm_storel_epi64(reinterpret_cast<__m128i*>(green + x - outBase), _mm_packus_epi16(g16, g16));
    _mm_storel_epi64(reinterpret_cast<__m128i*>(blue + x - outBase), _mm_packus_epi16(b16, b16));
  }
  return x;
}

#define OSTREVAN_AVX2 __attribute__((target("avx2")))

OSTREVAN_AVX2 inline __m256 Splat(float x) { return _mm256_set1_ps(x); }
OSTREVAN_AVX2 inline __m256 Clamp(__m256 v, __m256 low, __m256 high) {
  return _mm256_min_ps(_mm256_max_ps(v, low), high);
}
// Packing works within 128-bit lanes: 16-bit values come out as 0-3, 8-11,
// 4-7, 12-15; the bytes are then put in order with a permute.
OSTREVAN_AVX2 inline __m128i PackBytes(__m256i lo, __m256i hi) {
  const __m256i words = _mm256_packs_epi32(lo, hi);
  const __m256i packed = _mm256_packus_epi16(words, words);
  return _mm256_castsi256_si128(_mm256_permutevar8x32_epi32(packed, _mm256_setr_epi32(0, 4, 1, 5, 2, 6, 3, 7)));
}

// Transposes the 8 x 8 floats held in r[0..7] (row i in r[i]).
OSTREVAN_AVX2 inline void Transpose8(__m256 r[8]) {
  const __m256 t0 = _mm256_unpacklo_ps(r[0], r[1]), t1 = _mm256_unpackhi_ps(r[0], r[1]);
  const __m256 t2 = _mm256_unpacklo_ps(r[2], r[3]), t3 = _mm256_unpackhi_ps(r[2], r[3]);
  const __m256 t4 = _mm256_unpacklo_ps(r[4], r[5]), t5 = _mm256_unpackhi_ps(r[4], r[5]);
  const __m256 t6 = _mm256_unpacklo_ps(r[6], r[7]), t7 = _mm256_unpackhi_ps(r[6], r[7]);
  const __m256 s0 = _mm256_shuffle_ps(t0, t2, 0x44), s1 = _mm256_shuffle_ps(t0, t2, 0xEE);
  const __m256 s2 = _mm256_shuffle_ps(t1, t3, 0x44), s3 = _mm256_shuffle_ps(t1, t3, 0xEE);
  const __m256 s4 = _mm256_shuffle_ps(t4, t6, 0x44), s5 = _mm256_shuffle_ps(t4, t6, 0xEE);
  const __m256 s6 = _mm256_shuffle_ps(t5, t7, 0x44), s7 = _mm256_shuffle_ps(t5, t7, 0xEE);
  r[0] = _mm256_permute2f128_ps(s0, s4, 0x20);
  r[1] = _mm256_permute2f128_ps(s1, s5, 0x20);
  r[2] = _mm256_permute2f128_ps(s2, s6, 0x20);
  r[3] = _mm256_permute2f128_ps(s3, s7, 0x20);
  r[4] = _mm256_permute2f128_ps(s0, s4, 0x31);
  r[5] = _mm256_permute2f128_ps(s1, s5, 0x31);
  r[6] = _mm256_permute2f128_ps(s2, s6, 0x31);
  r[7] = _mm256_permute2f128_ps(s3, s7, 0x31);
}

// InverseDct8 on eight transforms at once: lane i of v[k] is input k of
// transform i; the outputs replace the inputs.
template <bool kColumn>
OSTREVAN_AVX2 inline void InverseDct8Avx2(__m256 v[8], const IdctFactors& k, __m256 bias) {
  const __m256 c0 = v[0], c1 = v[1], c2 = v[2], c3 = v[3], c4 = v[4], c5 = v[5], c6 = v[6], c7 = v[7];
  __m256 z1 = _mm256_mul_ps(_mm256_add_ps(c2, c6), Splat(k.even[0]));
  const __m256 t2 = _mm256_sub_ps(z1, _mm256_mul_ps(c6, Splat(k.even[1])));
  const __m256 t3 = _mm256_add_ps(z1, _mm256_mul_ps(c2, Splat(k.even[2])));
  __m256 t0 = _mm256_add_ps(c0, c4), t1 = _mm256_sub_ps(c0, c4);
  if constexpr (kColumn) {
    t0 = _mm256_add_ps(_mm256_mul_ps(t0, Splat(0.125f)), bias);
    t1 = _mm256_add_ps(_mm256_mul_ps(t1, Splat(0.125f)), bias);
  }
  const __m256 t10 = _mm256_add_ps(t0, t3), t13 = _mm256_sub_ps(t0, t3), t11 = _mm256_add_ps(t1, t2),
               t12 = _mm256_sub_ps(t1, t2);
  const __m256 a = c7, b = c5, cc = c3, d = c1;
  const __m256 z5 = _mm256_mul_ps(_mm256_add_ps(_mm256_add_ps(_mm256_add_ps(a, b), cc), d), Splat(k.odd[0]));
  z1 = _mm256_mul_ps(_mm256_add_ps(a, d), Splat(k.odd[1]));
  const __m256 z2 = _mm256_mul_ps(_mm256_add_ps(b, cc), Splat(k.odd[2]));
  const __m256 z3 = _mm256_add_ps(_mm256_mul_ps(_mm256_add_ps(a, cc), Splat(k.odd[3])), z5);
  const __m256 z4 = _mm256_add_ps(_mm256_mul_ps(_mm256_add_ps(b, d), Splat(k.odd[4])), z5);
  const __m256 o0 = _mm256_add_ps(_mm256_add_ps(_mm256_mul_ps(a, Splat(k.odd[5])), z1), z3);
  const __m256 o1 = _mm256_add_ps(_mm256_add_ps(_mm256_mul_ps(b, Splat(k.odd[6])), z2), z4);
  const __m256 o2 = _mm256_add_ps(_mm256_add_ps(_mm256_mul_ps(cc, Splat(k.odd[7])), z2), z3);
  const __m256 o3 = _mm256_add_ps(_mm256_add_ps(_mm256_mul_ps(d, Splat(k.odd[8])), z1), z4);
  v[0] = _mm256_add_ps(t10, o3);
  v[7] = _mm256_sub_ps(t10, o3);
  v[1] = _mm256_add_ps(t11, o2);
  v[6] = _mm256_sub_ps(t11, o2);
  v[2] = _mm256_add_ps(t12, o1);
  v[5] = _mm256_sub_ps(t12, o1);
  v[3] = _mm256_add_ps(t13, o0);
  v[4] = _mm256_sub_ps(t13, o0);
}

OSTREVAN_AVX2 void InverseDctAvx2(const int16_t* in, const int32_t* quantisation, float* out, int32_t stride,
                                   float bias) {
  __m256 v[8];
  for (int32_t i = 0; i < 8; ++i) {
    const __m256i c = _mm256_cvtepi16_epi32(_mm_loadu_si128(reinterpret_cast<const __m128i*>(in + 8 * i)));
    const __m256i q = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(quantisation + 8 * i));
    v[i] = _mm256_cvtepi32_ps(_mm256_mullo_epi32(c, q));
  }
  // Rows: lane r of v[k] is coefficient k of row r (the storage order).
  InverseDct8Avx2<false>(v, kRowFactors, _mm256_setzero_ps());
  // Columns: lane c of v[k] becomes row k's sample in column c.
  Transpose8(v);
  InverseDct8Avx2<true>(v, kColumnFactors, _mm256_set1_ps(bias));
  for (int32_t i = 0; i < 8; ++i) _mm256_storeu_ps(out + stride * i, v[i]);
}

// Chroma8Sse2 for pixels x..x+15.
OSTREVAN_AVX2 inline void Chroma16Avx2(const float* row, const float* before, bool halfRow, int32_t x,
                                       __m256 out[2]) {
  if (!halfRow) {
    out[0] = _mm256_loadu_ps(row + x);
    out[1] = _mm256_loadu_ps(row + x + 8);
    return;
  }
  const int32_t j = x >> 1;
  const __m256 c = _mm256_loadu_ps(row + j);
  __m256 even = c, odd = c;
  if (before) {
    const __m256 p = _mm256_loadu_ps(before + j);
    const __m256 p1 =
        j > 0 ? _mm256_loadu_ps(before + j - 1)
              : _mm256_blend_ps(_mm256_permutevar8x32_ps(p, _mm256_setr_epi32(0, 0, 1, 2, 3, 4, 5, 6)), c, 1);
    const __m256 half = _mm256_set1_ps(0.5f);
    even = _mm256_mul_ps(half, _mm256_add_ps(c, p1));
    odd = _mm256_mul_ps(half, _mm256_add_ps(c, p));
  }
  // Pixels 0-3 and 8-11, then 4-7 and 12-15; the lanes then put in order.
  const __m256 low = _mm256_unpacklo_ps(even, odd), high = _mm256_unpackhi_ps(even, odd);
  out[0] = _mm256_permute2f128_ps(low, high, 0x20);
  out[1] = _mm256_permute2f128_ps(low, high, 0x31);
}

// Pixels x..x+15 (x even) as red, green and blue bytes.
OSTREVAN_AVX2 inline void Convert16Avx2(const float* ys, const JpegChromaRow& c, int32_t x, __m128i& red,
                                        __m128i& green, __m128i& blue) {
  const __m256 zero = _mm256_setzero_ps(), top = _mm256_set1_ps(255.0f);
  const __m256 chromaLow = _mm256_set1_ps(-128.0f), chromaHigh = _mm256_set1_ps(127.0f);
  const __m256 crToRed = _mm256_set1_ps(1.403f), cbToGreen = _mm256_set1_ps(0.344f),
               crToGreen = _mm256_set1_ps(0.714f), cbToBlue = _mm256_set1_ps(1.773f);
  __m256 cbs[2], crs[2];
  Chroma16Avx2(c.cb, c.cbBefore, c.half, x, cbs);
  Chroma16Avx2(c.cr, c.crBefore, c.half, x, crs);
  __m256i r[2], g[2], b[2];
  for (int32_t h = 0; h < 2; ++h) {
    const int32_t i = x + 8 * h;
    const __m256 y = Clamp(_mm256_loadu_ps(ys + i), zero, top);
    const __m256 cb = Clamp(cbs[h], chromaLow, chromaHigh);
    const __m256 cr = Clamp(crs[h], chromaLow, chromaHigh);
    // Clamped to bytes by the saturating packs (see YCbCrToRGBSse2).
    r[h] = _mm256_cvttps_epi32(_mm256_add_ps(y, _mm256_mul_ps(crToRed, cr)));
    g[h] = _mm256_cvttps_epi32(_mm256_sub_ps(_mm256_sub_ps(y, _mm256_mul_ps(cbToGreen, cb)), _mm256_mul_ps(crToGreen, cr)));
    b[h] = _mm256_cvttps_epi32(_mm256_add_ps(y, _mm256_mul_ps(cbToBlue, cb)));
  }
  red = PackBytes(r[0], r[1]);
  green = PackBytes(g[0], g[1]);
  blue = PackBytes(b[0], b[1]);
}

OSTREVAN_AVX2 int32_t YCbCrToRGBAvx2(const float* ys, const JpegChromaRow& c, uint8_t* red, uint8_t* green,
                                     uint8_t* blue, int32_t from, int32_t width) {
  int32_t x = from;
  for (; x + 16 <= width; x += 16) {
    __m128i r, g, b;
    Convert16Avx2(ys, c, x, r, g, b);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(red + x), r);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(green + x), g);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(blue + x), b);
  }
  return x;
}

// 16 pixels of three planes as 48 bytes, with byte shuffles (SSSE3,
// present wherever AVX2 is).
OSTREVAN_AVX2 inline void Store48(__m128i pa, __m128i pb, __m128i pc, uint8_t* out) {
  // Output byte j of each 16-byte part takes byte (16p + j) / 3 of plane (16p + j) % 3.
  alignas(16) static const int8_t kShuffle[3][3][16] = {
      {{0, -1, -1, 1, -1, -1, 2, -1, -1, 3, -1, -1, 4, -1, -1, 5},
       {-1, 0, -1, -1, 1, -1, -1, 2, -1, -1, 3, -1, -1, 4, -1, -1},
       {-1, -1, 0, -1, -1, 1, -1, -1, 2, -1, -1, 3, -1, -1, 4, -1}},
      {{-1, -1, 6, -1, -1, 7, -1, -1, 8, -1, -1, 9, -1, -1, 10, -1},
       {5, -1, -1, 6, -1, -1, 7, -1, -1, 8, -1, -1, 9, -1, -1, 10},
       {-1, 5, -1, -1, 6, -1, -1, 7, -1, -1, 8, -1, -1, 9, -1, -1}},
      {{-1, 11, -1, -1, 12, -1, -1, 13, -1, -1, 14, -1, -1, 15, -1, -1},
       {-1, -1, 11, -1, -1, 12, -1, -1, 13, -1, -1, 14, -1, -1, 15, -1},
       {10, -1, -1, 11, -1, -1, 12, -1, -1, 13, -1, -1, 14, -1, -1, 15}},
  };
  for (int32_t p = 0; p < 3; ++p) {
    const __m128i v = _mm_or_si128(
        _mm_or_si128(_mm_shuffle_epi8(pa, _mm_load_si128(reinterpret_cast<const __m128i*>(kShuffle[p][0]))),
                     _mm_shuffle_epi8(pb, _mm_load_si128(reinterpret_cast<const __m128i*>(kShuffle[p][1])))),
        _mm_shuffle_epi8(pc, _mm_load_si128(reinterpret_cast<const __m128i*>(kShuffle[p][2]))));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out + 16 * p), v);
  }
}

OSTREVAN_AVX2 int32_t Interleave24Avx2(const uint8_t* a, const uint8_t* b, const uint8_t* c, uint8_t* out,
                                       int32_t width) {
  int32_t x = 0;
  for (; x + 16 <= width; x += 16) {
    Store48(_mm_loadu_si128(reinterpret_cast<const __m128i*>(a + x)),
            _mm_loadu_si128(reinterpret_cast<const __m128i*>(b + x)),
            _mm_loadu_si128(reinterpret_cast<const __m128i*>(c + x)), out + 3 * x);
  }
  return x;
}

OSTREVAN_AVX2 int32_t YCbCrToPixels24Avx2(const float* ys, const JpegChromaRow& c, uint8_t* out, int32_t from,
                                          int32_t width, bool rgbOrder) {
  int32_t x = from;
  for (; x + 16 <= width; x += 16) {
    __m128i r, g, b;
    Convert16Avx2(ys, c, x, r, g, b);
    if (rgbOrder) {
      Store48(r, g, b, out + 3 * x);
    } else {
      Store48(b, g, r, out + 3 * x);
    }
  }
  return x;
}

OSTREVAN_AVX2 int32_t DitherRow16Avx2(const uint8_t* red, const uint8_t* green, const uint8_t* blue,
                                      const int16_t* dither, uint8_t* out, int32_t width, bool sixBitGreen,
                                      bool bigEndian) {
  const __m256i zero = _mm256_setzero_si256(), top5 = _mm256_set1_epi16(31), top6 = _mm256_set1_epi16(63);
  int32_t x = 0;
  for (; x + 16 <= width; x += 16) {
    const __m256i d = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(dither + x));
    auto load = [](const uint8_t* p) { return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p)); };
    const __m256i r = _mm256_cvtepu8_epi16(load(red + x)), g = _mm256_cvtepu8_epi16(load(green + x)),
                  b = _mm256_cvtepu8_epi16(load(blue + x));
    const __m256i r5 = _mm256_min_epi16(_mm256_max_epi16(_mm256_srai_epi16(_mm256_add_epi16(r, d), 3), zero), top5);
    const __m256i b5 = _mm256_min_epi16(_mm256_max_epi16(_mm256_srai_epi16(_mm256_add_epi16(b, d), 3), zero), top5);
    __m256i v;
    if (sixBitGreen) {
      const __m256i g6 = _mm256_min_epi16(
          _mm256_max_epi16(_mm256_srai_epi16(_mm256_add_epi16(g, _mm256_srai_epi16(d, 1)), 2), zero), top6);
      v = _mm256_or_si256(_mm256_or_si256(_mm256_slli_epi16(r5, 11), _mm256_slli_epi16(g6, 5)), b5);
    } else {
      const __m256i g5 =
          _mm256_min_epi16(_mm256_max_epi16(_mm256_srai_epi16(_mm256_add_epi16(g, d), 3), zero), top5);
      v = _mm256_or_si256(_mm256_or_si256(_mm256_slli_epi16(r5, 10), _mm256_slli_epi16(g5, 5)), b5);
    }
    if (bigEndian) v = _mm256_or_si256(_mm256_slli_epi16(v, 8), _mm256_srli_epi16(v, 8));
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(out + 2 * x), v);
  }
  return x;
}

// Byte shuffles that take one channel of 16 three-byte pixels out of the
// three 16-byte parts they span: mask[channel][part], -1 where that part
// holds none of the channel's bytes.
struct ChannelGather {
  int8_t mask[3][3][16];
};
constexpr ChannelGather MakeChannelGather() {
  ChannelGather g{};
  for (int32_t c = 0; c < 3; ++c) {
    for (int32_t part = 0; part < 3; ++part) {
      for (int32_t i = 0; i < 16; ++i) {
        const int32_t at = 3 * i + c;
        g.mask[c][part][i] = static_cast<int8_t>(at / 16 == part ? at % 16 : -1);
      }
    }
  }
  return g;
}
alignas(16) constexpr ChannelGather kChannelGather = MakeChannelGather();

// One channel of the 16 pixels in a, b, c, a byte per pixel.
OSTREVAN_AVX2 inline __m128i GatherChannel(__m128i a, __m128i b, __m128i c, int32_t channel) {
  const auto* m = reinterpret_cast<const __m128i*>(kChannelGather.mask[channel]);
  return _mm_or_si128(_mm_or_si128(_mm_shuffle_epi8(a, _mm_load_si128(m)), _mm_shuffle_epi8(b, _mm_load_si128(m + 1))),
                      _mm_shuffle_epi8(c, _mm_load_si128(m + 2)));
}

// 16 pixels a step. The high and low bytes of the words are made apart from
// the channels' bytes (16-bit shifts, the bits crossing into the other byte
// masked off), then interleaved in the byte order asked for.
OSTREVAN_AVX2 int32_t PackRow16Avx2(const uint8_t* rgb, uint8_t* out, int32_t width, bool sixBitGreen,
                                    bool bigEndian) {
  const __m128i low5 = _mm_set1_epi8(0x1F), top3 = _mm_set1_epi8(static_cast<char>(0xE0));
  int32_t x = 0;
  for (; x + 16 <= width; x += 16) {
    const uint8_t* p = rgb + 3 * x;
    const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
    const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 16));
    const __m128i c = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 32));
    const __m128i r = GatherChannel(a, b, c, 0), g = GatherChannel(a, b, c, 1), bl = GatherChannel(a, b, c, 2);
    const __m128i low = _mm_or_si128(
        _mm_and_si128(_mm_slli_epi16(g, sixBitGreen ? 3 : 2), top3), _mm_and_si128(_mm_srli_epi16(bl, 3), low5));
    __m128i high;
    if (sixBitGreen) {
      // Red's top five bits, then green's top three.
      high = _mm_or_si128(_mm_and_si128(r, _mm_set1_epi8(static_cast<char>(0xF8))),
                          _mm_and_si128(_mm_srli_epi16(g, 5), _mm_set1_epi8(0x07)));
    } else {
      // A zero bit, red's top five, green's top two.
      high = _mm_or_si128(_mm_and_si128(_mm_srli_epi16(r, 1), _mm_set1_epi8(0x7C)),
                          _mm_and_si128(_mm_srli_epi16(g, 6), _mm_set1_epi8(0x03)));
    }
    const __m128i first = bigEndian ? high : low, second = bigEndian ? low : high;
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out + 2 * x), _mm_unpacklo_epi8(first, second));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out + 2 * x + 16), _mm_unpackhi_epi8(first, second));
  }
  return x;
}

// 8 pixels a step: four from each 12 bytes, read 16 at a time, so the
// step stops while 16 bytes are still there to read.
OSTREVAN_AVX2 int32_t SpreadRow32Avx2(const uint8_t* rgb, uint8_t* out, int32_t width, const int8_t order[4]) {
  alignas(16) int8_t spread[16];
  for (int32_t i = 0; i < 16; ++i) {
    const int8_t c = order[i % 4];
    spread[i] = static_cast<int8_t>(c < 0 ? -1 : 3 * (i / 4) + c);
  }
  const __m256i mask = _mm256_broadcastsi128_si256(_mm_load_si128(reinterpret_cast<const __m128i*>(spread)));
  int32_t x = 0;
  for (; x + 10 <= width; x += 8) {
    const uint8_t* p = rgb + 3 * x;
    const __m256i v = _mm256_loadu2_m128i(reinterpret_cast<const __m128i*>(p + 12), reinterpret_cast<const __m128i*>(p));
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(out + 4 * x), _mm256_shuffle_epi8(v, mask));
  }
  return x;
}

#undef OSTREVAN_AVX2

#endif  // __SSE2__

static_assert(int32_t{kJpegSimdSse2} == int32_t{platform::kSimdSse2} &&
              int32_t{kJpegSimdAvx2} == int32_t{platform::kSimdAvx2});
int32_t DetectLevel() { return platform::BestSimdSupport(); }

const int32_t gBestLevel = DetectLevel();
std::atomic<int32_t> gLevel{gBestLevel};

}  // namespace

int32_t GetJpegSimdLevel() { return gLevel.load(std::memory_order_relaxed); }

int32_t SetJpegSimdLevel(int32_t level) {
  level = level < kJpegSimdScalar ? kJpegSimdScalar : (level > gBestLevel ? gBestLevel : level);
  return gLevel.exchange(level);
}

void JpegInverseDct(const int16_t* coefficients, const int32_t* quantisation, float* samples, int32_t stride,
                    float bias) {
#if defined(__SSE2__)
  if (GetJpegSimdLevel() >= kJpegSimdAvx2) {
    InverseDctAvx2(coefficients, quantisation, samples, stride, bias);
    return;
  }
#endif
  InverseDctScalar(coefficients, quantisation, samples, stride, bias);
}

void JpegYCbCrToRGB(const float* y, const JpegChromaRow& chroma, uint8_t* red, uint8_t* green, uint8_t* blue,
                    int32_t width) {
  int32_t done = 0;
#if defined(__SSE2__)
  const int32_t level = GetJpegSimdLevel();
  if (level >= kJpegSimdAvx2) done = YCbCrToRGBAvx2(y, chroma, red, green, blue, done, width);
  if (level >= kJpegSimdSse2) done = YCbCrToRGBSse2(y, chroma, red, green, blue, done, width, 0);
#endif
  YCbCrToRGBScalar(y, chroma, red, green, blue, done, width);
}

void JpegYCbCrToPixels24(const float* y, const JpegChromaRow& chroma, uint8_t* out, int32_t width, bool rgbOrder) {
  int32_t done = 0;
#if defined(__SSE2__)
  if (GetJpegSimdLevel() >= kJpegSimdAvx2) done = YCbCrToPixels24Avx2(y, chroma, out, done, width, rgbOrder);
#endif
  if (GetJpegSimdLevel() >= kJpegSimdSse2 && done < width) {
    // The SSE2 level converts to planes, then interleaves.
    uint8_t r[64], g[64], b[64];
    for (int32_t x = done; x < width; x += 64) {
      const int32_t n = width - x < 64 ? width - x : 64;
      const int32_t vectors = YCbCrToRGBSse2(y, chroma, r, g, b, x, x + n, x) - x;
      for (int32_t i = vectors; i < n; ++i) {
        const RGB p = ConvertPixel(y, chroma, x + i);
        r[i] = p.r;
        g[i] = p.g;
        b[i] = p.b;
      }
      Interleave24Scalar(rgbOrder ? r : b, g, rgbOrder ? b : r, out + 3 * x, 0, n);
    }
    return;
  }
  YCbCrToPixels24Scalar(y, chroma, out, done, width, rgbOrder);
}

void JpegInterleave24(const uint8_t* first, const uint8_t* second, const uint8_t* third, uint8_t* out,
                      int32_t width) {
  int32_t done = 0;
#if defined(__SSE2__)
  if (GetJpegSimdLevel() >= kJpegSimdAvx2) done = Interleave24Avx2(first, second, third, out, width);
#endif
  Interleave24Scalar(first, second, third, out, done, width);
}

void JpegDitherRow16(const uint8_t* red, const uint8_t* green, const uint8_t* blue, const int16_t* dither,
                     uint8_t* out, int32_t width, bool sixBitGreen, bool bigEndian) {
  int32_t done = 0;
#if defined(__SSE2__)
  if (GetJpegSimdLevel() >= kJpegSimdAvx2) {
    done = DitherRow16Avx2(red, green, blue, dither, out, width, sixBitGreen, bigEndian);
  }
#endif
  DitherRow16Scalar(red, green, blue, dither, out, done, width, sixBitGreen, bigEndian);
}

void JpegPackRow16(const uint8_t* rgb, uint8_t* out, int32_t width, bool sixBitGreen, bool bigEndian) {
  int32_t done = 0;
#if defined(__SSE2__)
  if (GetJpegSimdLevel() >= kJpegSimdAvx2) done = PackRow16Avx2(rgb, out, width, sixBitGreen, bigEndian);
#endif
  PackRow16Scalar(rgb, out, done, width, sixBitGreen, bigEndian);
}

void JpegSpreadRow32(const uint8_t* rgb, uint8_t* out, int32_t width, const int8_t order[4]) {
  int32_t done = 0;
#if defined(__SSE2__)
  if (GetJpegSimdLevel() >= kJpegSimdAvx2) done = SpreadRow32Avx2(rgb, out, width, order);
#endif
  SpreadRow32Scalar(rgb, out, done, width, order);
}
