#include "engine/panorama/PanoramaKernels.h"

#include <algorithm>
#include <atomic>
#include <cstring>

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
#define OSTREVAN_PANORAMA_AVX2 1
#endif

#include "platform/Processor.h"

namespace {

inline uint16_t Load16(const uint8_t* p) {
  uint16_t v;
  std::memcpy(&v, p, sizeof v);
  return v;
}
inline uint32_t Load32(const uint8_t* p) {
  uint32_t v;
  std::memcpy(&v, p, sizeof v);
  return v;
}

// Bilinear blend of four 15/16-bit pixels with the components spread apart
// so that each gets guard bits: Mask spreads, Round adds one half, Clear
// drops the fractions before packing back.
template <uint32_t Mask, uint32_t Round, uint32_t Clear>
inline uint16_t Blend16(uint32_t p00, uint32_t p01, uint32_t p10, uint32_t p11, uint32_t a, uint32_t b) {
  const uint32_t s00 = ((p00 << 16) | p00) & Mask;
  const uint32_t s01 = ((p01 << 16) | p01) & Mask;
  const uint32_t s10 = ((p10 << 16) | p10) & Mask;
  const uint32_t s11 = ((p11 << 16) | p11) & Mask;
  const uint32_t top = ((s01 * a + s00 * (32 - a) + Round) >> 5) & Mask;
  const uint32_t bottom = ((s11 * a + s10 * (32 - a) + Round) >> 5) & Mask;
  const uint32_t result = (bottom * b + top * (32 - b) + Round) & ~Clear;
  return static_cast<uint16_t>((result >> 5) | (result >> 21));
}

// Blend of two 32-bit pixels with an 8-bit weight, components two at a time.
// Each product is rounded to the nearest step (one half added before the shift).
inline uint32_t Lerp32(uint32_t p, uint32_t q, uint32_t w) {
  const uint32_t lo = (((p & 0x00FF00FFu) * (256 - w) + (q & 0x00FF00FFu) * w + 0x00800080u) >> 8) & 0x00FF00FFu;
  const uint32_t hi = (((p >> 8) & 0x00FF00FFu) * (256 - w) + ((q >> 8) & 0x00FF00FFu) * w + 0x00800080u) & 0xFF00FF00u;
  return lo | hi;
}

struct Address {
  const uint8_t* row0;
  uint32_t column;
  uint32_t column1;
  uint32_t fraction;  // 16 bits of row fraction
};

inline Address Locate(const PanoramaSampleSource& s, uint32_t x, int32_t y) {
  const uint32_t uy = static_cast<uint32_t>(y);
  const uint32_t column = (x >> 16) & s.columnMask;
  return {s.map + static_cast<size_t>(uy >> 16) * static_cast<size_t>(s.rowBytes), column, (column + 1) & s.columnMask,
          uy & 0xFFFFu};
}

// Bilinear sample of a 15- or 16-bit map, blended with the layout's masks
// (see Blend16).
template <uint32_t Mask, uint32_t Round, uint32_t Clear>
inline uint16_t QualityWord(const PanoramaSampleSource& s, uint32_t x, int32_t y) {
  const Address at = Locate(s, x, y);
  const uint8_t* r1 = at.row0 + s.rowBytes;
  const uint32_t a = (x & 0xFFFF) >> 11;
  const uint32_t b = at.fraction >> 11;
  return Blend16<Mask, Round, Clear>(Load16(at.row0 + at.column * 2), Load16(at.row0 + at.column1 * 2),
                                     Load16(r1 + at.column * 2), Load16(r1 + at.column1 * 2), a, b);
}

constexpr auto Quality565 = QualityWord<0x07E0F81Fu, 0x02008010u, 0x03E0FC1Fu>;
constexpr auto Quality555 = QualityWord<0x03E07C1Fu, 0x02004010u, 0x03E07C1Fu>;

inline uint32_t Quality32(const PanoramaSampleSource& s, uint32_t x, int32_t y) {
  const Address at = Locate(s, x, y);
  const uint8_t* r1 = at.row0 + s.rowBytes;
  const uint32_t a = (x & 0xFFFF) >> 8;
  const uint32_t b = at.fraction >> 8;
  const uint32_t top = Lerp32(Load32(at.row0 + at.column * 4), Load32(at.row0 + at.column1 * 4), a);
  const uint32_t bottom = Lerp32(Load32(r1 + at.column * 4), Load32(r1 + at.column1 * 4), a);
  return Lerp32(top, bottom, b);
}

inline uint16_t Nearest16(const PanoramaSampleSource& s, uint32_t x, int32_t y) {
  const Address at = Locate(s, x, y);
  return Load16(at.row0 + at.column * 2);
}

inline uint32_t Nearest32(const PanoramaSampleSource& s, uint32_t x, int32_t y) {
  const Address at = Locate(s, x, y);
  return Load32(at.row0 + at.column * 4);
}

template <typename Pixel, Pixel (*Sample)(const PanoramaSampleSource&, uint32_t, int32_t), bool Clamp>
void Loop(const PanoramaSampleSource& s, const PanoramaRun& run, uint8_t* target) {
  uint32_t x = run.x;
  int32_t y = run.y;
  const uint32_t sx = static_cast<uint32_t>(run.stepX);
  for (int32_t i = 0; i < run.count; ++i) {
    const int32_t yy = Clamp ? std::clamp(y, 0, s.maxY) : y;
    const Pixel p = Sample(s, x, yy);
    std::memcpy(target, &p, sizeof p);
    target += sizeof p;
    x += sx;
    y += run.stepY;
  }
}

template <bool Clamp>
void Dispatch(PanoramaKernelKind kind, const PanoramaSampleSource& s, const PanoramaRun& run, uint8_t* target) {
  switch (kind) {
    case kPanoramaFast16: Loop<uint16_t, Nearest16, Clamp>(s, run, target); break;
    case kPanoramaFast32: Loop<uint32_t, Nearest32, Clamp>(s, run, target); break;
    case kPanoramaQuality15: Loop<uint16_t, Quality555, Clamp>(s, run, target); break;
    case kPanoramaQuality16: Loop<uint16_t, Quality565, Clamp>(s, run, target); break;
    case kPanoramaQuality32: Loop<uint32_t, Quality32, Clamp>(s, run, target); break;
  }
}


#ifdef OSTREVAN_PANORAMA_AVX2

// Eight pixels at a time with the same arithmetic as the loops above (the
// results are bit-identical). Samples are read by gathers; 16-bit pixels are
// read as the aligned pair that holds them, so no read leaves a map row.
struct Lanes {
  __m256i x;
  __m256i y;
};

__attribute__((target("avx2"))) inline Lanes StartLanes(const PanoramaRun& run) {
  const __m256i iota = _mm256_setr_epi32(0, 1, 2, 3, 4, 5, 6, 7);
  return {_mm256_add_epi32(_mm256_set1_epi32(static_cast<int32_t>(run.x)),
                           _mm256_mullo_epi32(iota, _mm256_set1_epi32(run.stepX))),
          _mm256_add_epi32(_mm256_set1_epi32(run.y), _mm256_mullo_epi32(iota, _mm256_set1_epi32(run.stepY)))};
}

__attribute__((target("avx2"))) inline __m256i ClampY(__m256i y, int32_t maxY) {
  return _mm256_min_epi32(_mm256_max_epi32(y, _mm256_setzero_si256()), _mm256_set1_epi32(maxY));
}

// The 16-bit pixels at the given pixel indexes.
__attribute__((target("avx2"))) inline __m256i Gather16(const uint8_t* map, __m256i index) {
  const __m256i pairs = _mm256_i32gather_epi32(reinterpret_cast<const int*>(map), _mm256_srli_epi32(index, 1), 4);
  const __m256i shift = _mm256_slli_epi32(_mm256_and_si256(index, _mm256_set1_epi32(1)), 4);
  return _mm256_and_si256(_mm256_srlv_epi32(pairs, shift), _mm256_set1_epi32(0xFFFF));
}

__attribute__((target("avx2"))) inline void Store16(uint8_t* out, __m256i v) {
  const __m256i packed = _mm256_permute4x64_epi64(_mm256_packus_epi32(v, v), 0x08);
  _mm_storeu_si128(reinterpret_cast<__m128i*>(out), _mm256_castsi256_si128(packed));
}

__attribute__((target("avx2"))) inline __m256i Spread(__m256i p, __m256i mask) {
  return _mm256_and_si256(_mm256_or_si256(_mm256_slli_epi32(p, 16), p), mask);
}

template <uint32_t Mask, uint32_t Round, uint32_t Clear>
__attribute__((target("avx2"))) inline __m256i Blend16x8(__m256i p00, __m256i p01, __m256i p10, __m256i p11, __m256i a,
                                                         __m256i b) {
  const __m256i mask = _mm256_set1_epi32(static_cast<int32_t>(Mask));
  const __m256i round = _mm256_set1_epi32(static_cast<int32_t>(Round));
  const __m256i thirtyTwo = _mm256_set1_epi32(32);
  const __m256i na = _mm256_sub_epi32(thirtyTwo, a);
  const __m256i nb = _mm256_sub_epi32(thirtyTwo, b);
  const __m256i top = _mm256_and_si256(
      _mm256_srli_epi32(_mm256_add_epi32(_mm256_add_epi32(_mm256_mullo_epi32(Spread(p01, mask), a), _mm256_mullo_epi32(Spread(p00, mask), na)), round), 5),
      mask);
  const __m256i bottom = _mm256_and_si256(
      _mm256_srli_epi32(_mm256_add_epi32(_mm256_add_epi32(_mm256_mullo_epi32(Spread(p11, mask), a), _mm256_mullo_epi32(Spread(p10, mask), na)), round), 5),
      mask);
  const __m256i result = _mm256_andnot_si256(
      _mm256_set1_epi32(static_cast<int32_t>(Clear)),
      _mm256_add_epi32(_mm256_add_epi32(_mm256_mullo_epi32(bottom, b), _mm256_mullo_epi32(top, nb)), round));
  return _mm256_and_si256(_mm256_or_si256(_mm256_srli_epi32(result, 5), _mm256_srli_epi32(result, 21)),
                          _mm256_set1_epi32(0xFFFF));
}

// (p * (256 - w) + q * w + 128) >> 8 per byte, w (0..255) in every 16-bit
// lane: written as p + ((q - p) * w + 128) >> 8, whose product and rounding
// one rounding high multiply by w * 128 gives exactly.
__attribute__((target("avx2"))) inline __m256i Lerp32x8(__m256i p, __m256i q, __m256i w) {
  const __m256i m = _mm256_set1_epi32(0x00FF00FF);
  const __m256i w7 = _mm256_slli_epi16(w, 7);
  const __m256i pl = _mm256_and_si256(p, m);
  const __m256i ph = _mm256_and_si256(_mm256_srli_epi16(p, 8), m);
  const __m256i lo = _mm256_add_epi16(pl, _mm256_mulhrs_epi16(_mm256_sub_epi16(_mm256_and_si256(q, m), pl), w7));
  const __m256i hi = _mm256_add_epi16(
      ph, _mm256_mulhrs_epi16(_mm256_sub_epi16(_mm256_and_si256(_mm256_srli_epi16(q, 8), m), ph), w7));
  return _mm256_or_si256(lo, _mm256_slli_epi16(hi, 8));
}

// The 32-bit pixels at the indexes and their right neighbours, read as one
// 64-bit value each (no index may be the last column of its row).
__attribute__((target("avx2"))) inline void GatherPairs32(const uint8_t* map, __m256i index, __m256i& left,
                                                          __m256i& right) {
  const long long* base = reinterpret_cast<const long long*>(map);
  // Lanes 0-3 and 4-7 as (left, right) pairs.
  const __m256i low = _mm256_i32gather_epi64(base, _mm256_castsi256_si128(index), 4);
  const __m256i high = _mm256_i32gather_epi64(base, _mm256_extracti128_si256(index, 1), 4);
  // [l0 l1 r0 r1 | l2 l3 r2 r3] and [l4 l5 r4 r5 | l6 l7 r6 r7].
  const __m256i a = _mm256_shuffle_epi32(low, 0xD8);
  const __m256i b = _mm256_shuffle_epi32(high, 0xD8);
  // [l0 l1 l4 l5 | l2 l3 l6 l7] into lane order.
  left = _mm256_permute4x64_epi64(_mm256_unpacklo_epi64(a, b), 0xD8);
  right = _mm256_permute4x64_epi64(_mm256_unpackhi_epi64(a, b), 0xD8);
}

// Runs the first count & ~7 pixels; returns how many were drawn.
__attribute__((target("avx2"))) int32_t RunAvx2(PanoramaKernelKind kind, const PanoramaSampleSource& s,
                                                const PanoramaRun& run, uint8_t* target) {
  const int32_t blocks = run.count / 8;
  if (blocks == 0) return 0;
  Lanes lanes = StartLanes(run);
  const __m256i stepX = _mm256_set1_epi32(static_cast<int32_t>(static_cast<uint32_t>(run.stepX) * 8u));
  const __m256i stepY = _mm256_set1_epi32(static_cast<int32_t>(static_cast<uint32_t>(run.stepY) * 8u));
  const __m256i columnMask = _mm256_set1_epi32(static_cast<int32_t>(s.columnMask));
  const __m256i one = _mm256_set1_epi32(1);
  const __m256i low16 = _mm256_set1_epi32(0xFFFF);
  const int32_t bytes = kind == kPanoramaFast32 || kind == kPanoramaQuality32 ? 4 : 2;
  const __m256i width = _mm256_set1_epi32(s.rowBytes / bytes);
  for (int32_t block = 0; block < blocks; ++block) {
    const __m256i y = ClampY(lanes.y, s.maxY);
    const __m256i column = _mm256_and_si256(_mm256_srli_epi32(lanes.x, 16), columnMask);
    const __m256i rowStart = _mm256_mullo_epi32(_mm256_srli_epi32(y, 16), width);
    const __m256i i00 = _mm256_add_epi32(rowStart, column);
    uint8_t* out = target + static_cast<ptrdiff_t>(block) * 8 * bytes;
    if (kind == kPanoramaFast16) {
      Store16(out, Gather16(s.map, i00));
    } else if (kind == kPanoramaFast32) {
      _mm256_storeu_si256(reinterpret_cast<__m256i*>(out),
                          _mm256_i32gather_epi32(reinterpret_cast<const int*>(s.map), i00, 4));
    } else {
      const __m256i column1 = _mm256_and_si256(_mm256_add_epi32(column, one), columnMask);
      const __m256i i01 = _mm256_add_epi32(rowStart, column1);
      const __m256i i10 = _mm256_add_epi32(i00, width);
      const __m256i i11 = _mm256_add_epi32(i01, width);
      const __m256i fx = _mm256_and_si256(lanes.x, low16);
      const __m256i fy = _mm256_and_si256(y, low16);
      // Unless a sample's right neighbour wraps round to column 0, both
      // neighbours of a row come in one read.
      const bool wraps = _mm256_movemask_epi8(_mm256_cmpeq_epi32(column, columnMask)) != 0;
      if (kind == kPanoramaQuality32) {
        const int* base = reinterpret_cast<const int*>(s.map);
        const __m256i a = _mm256_srli_epi32(fx, 8);
        const __m256i b = _mm256_srli_epi32(fy, 8);
        const __m256i wa = _mm256_or_si256(a, _mm256_slli_epi32(a, 16));
        const __m256i wb = _mm256_or_si256(b, _mm256_slli_epi32(b, 16));
        __m256i p00, p01, p10, p11;
        if (wraps) {
          p00 = _mm256_i32gather_epi32(base, i00, 4);
          p01 = _mm256_i32gather_epi32(base, i01, 4);
          p10 = _mm256_i32gather_epi32(base, i10, 4);
          p11 = _mm256_i32gather_epi32(base, i11, 4);
        } else {
          GatherPairs32(s.map, i00, p00, p01);
          GatherPairs32(s.map, i10, p10, p11);
        }
        const __m256i top = Lerp32x8(p00, p01, wa);
        const __m256i bottom = Lerp32x8(p10, p11, wa);
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(out), Lerp32x8(top, bottom, wb));
      } else {
        const __m256i a = _mm256_srli_epi32(fx, 11);
        const __m256i b = _mm256_srli_epi32(fy, 11);
        __m256i p00, p01, p10, p11;
        if (wraps) {
          p00 = Gather16(s.map, i00);
          p01 = Gather16(s.map, i01);
          p10 = Gather16(s.map, i10);
          p11 = Gather16(s.map, i11);
        } else {
          const int* base = reinterpret_cast<const int*>(s.map);
          const __m256i top = _mm256_i32gather_epi32(base, i00, 2);
          const __m256i bottom = _mm256_i32gather_epi32(base, i10, 2);
          p00 = _mm256_and_si256(top, low16);
          p01 = _mm256_srli_epi32(top, 16);
          p10 = _mm256_and_si256(bottom, low16);
          p11 = _mm256_srli_epi32(bottom, 16);
        }
        Store16(out, kind == kPanoramaQuality16
                         ? Blend16x8<0x07E0F81Fu, 0x02008010u, 0x03E0FC1Fu>(p00, p01, p10, p11, a, b)
                         : Blend16x8<0x03E07C1Fu, 0x02004010u, 0x03E07C1Fu>(p00, p01, p10, p11, a, b));
      }
    }
    lanes.x = _mm256_add_epi32(lanes.x, stepX);
    lanes.y = _mm256_add_epi32(lanes.y, stepY);
  }
  return blocks * 8;
}

#endif

std::atomic<int32_t> gKernelLevel{-1};

int32_t KernelLevel() {
  int32_t level = gKernelLevel.load(std::memory_order_relaxed);
  if (level < 0) {
    level = platform::BestSimdSupport();
    gKernelLevel.store(level, std::memory_order_relaxed);
  }
  return level;
}

}  // namespace

int32_t SetPanoramaKernelLevel(int32_t level) {
  const int32_t previous = KernelLevel();
  gKernelLevel.store(level < 0 ? platform::BestSimdSupport() : std::min(level, platform::BestSimdSupport()));
  return previous;
}

int32_t GetPanoramaKernelLevel() { return KernelLevel(); }

void RunPanoramaKernel(PanoramaKernelKind kind, const PanoramaSampleSource& source, const PanoramaRun& run,
                       uint8_t* target, bool clampRows) {
  if (run.count <= 0) return;
#ifdef OSTREVAN_PANORAMA_AVX2
  if (KernelLevel() >= platform::kSimdAvx2 && run.count >= 8) {
    // The vector loop clamps every row, which leaves rows inside the map unchanged.
    const int32_t done = RunAvx2(kind, source, run, target);
    if (done == run.count) return;
    const int32_t bytes = kind == kPanoramaFast32 || kind == kPanoramaQuality32 ? 4 : 2;
    PanoramaRun rest = run;
    rest.x = run.x + static_cast<uint32_t>(done) * static_cast<uint32_t>(run.stepX);
    rest.y = static_cast<int32_t>(static_cast<uint32_t>(run.y) + static_cast<uint32_t>(done) * static_cast<uint32_t>(run.stepY));
    rest.count = run.count - done;
    RunPanoramaKernel(kind, source, rest, target + static_cast<ptrdiff_t>(done) * bytes, true);
    return;
  }
#endif
  if (clampRows) {
    Dispatch<true>(kind, source, run, target);
  } else {
    Dispatch<false>(kind, source, run, target);
  }
}

uint16_t SampleBilinear565(const PanoramaSampleSource& source, uint32_t x, int32_t y) { return Quality565(source, x, y); }
uint16_t SampleBilinear555(const PanoramaSampleSource& source, uint32_t x, int32_t y) { return Quality555(source, x, y); }
uint32_t SampleBilinear32(const PanoramaSampleSource& source, uint32_t x, int32_t y) { return Quality32(source, x, y); }
