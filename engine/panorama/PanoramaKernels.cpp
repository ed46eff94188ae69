#include "engine/panorama/PanoramaKernels.h"

#include <algorithm>
#include <atomic>
#include <bit>
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

// Nearest samples of a run in a map whose rows are a power of two of pixels
// apart: each address is a shift and a mask. The same pixels as Loop with
// Nearest16 or Nearest32, in about half the instructions.
template <typename Pixel, bool Clamp>
void NearestLoop(const PanoramaSampleSource& s, const PanoramaRun& run, uint8_t* target) {
  // Locals, so that the stores through the target need not reload them.
  const uint8_t* const map = s.map;
  const uint32_t mask = s.columnMask;
  const int32_t maxY = s.maxY;
  const int32_t count = run.count;
  const int shift = std::countr_zero(static_cast<uint32_t>(s.rowBytes) / static_cast<uint32_t>(sizeof(Pixel)));
  uint32_t x = run.x;
  auto y = static_cast<uint32_t>(run.y);
  const auto sx = static_cast<uint32_t>(run.stepX);
  const auto sy = static_cast<uint32_t>(run.stepY);
  for (int32_t i = 0; i < count; ++i) {
    const auto row = static_cast<uint32_t>(Clamp ? std::clamp(static_cast<int32_t>(y), 0, maxY) : static_cast<int32_t>(y)) >> 16;
    const size_t at = (static_cast<size_t>(row) << shift) | ((x >> 16) & mask);
    Pixel p;
    std::memcpy(&p, map + at * sizeof(Pixel), sizeof p);
    std::memcpy(target + static_cast<size_t>(i) * sizeof(Pixel), &p, sizeof p);
    x += sx;
    y += sy;
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
// results are bit-identical). Addresses are computed eight at a time; the
// samples are read by plain loads into the lanes, which on many processors
// (those that split or microcode the gather instructions) is several times
// quicker than a gather.
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

// Whether every pixel index of the map fits 32 bits, as NearestLoopAvx2's
// offsets must.
inline bool PixelIndexesFit32(const PanoramaSampleSource& s, int32_t pixelBytes) {
  const uint64_t rows = (static_cast<uint64_t>(std::max(s.maxY, 0)) >> 16) + 1;
  return rows * (static_cast<uint64_t>(s.rowBytes) / static_cast<uint64_t>(pixelBytes)) <= UINT32_MAX;
}

// Nearest samples of a run eight at a time: the eight map offsets are worked
// out in one register with the arithmetic of NearestLoop, then each pixel is
// read and written by plain moves (no lanes to fill or pack). The same pixels
// as NearestLoop. The map's pixel count must fit 32 bits.
template <typename Pixel, bool Clamp>
__attribute__((target("avx2"))) void NearestLoopAvx2(const PanoramaSampleSource& s, const PanoramaRun& run,
                                                     uint8_t* target) {
  const uint8_t* const map = s.map;
  const int32_t count = run.count;
  const int shift = std::countr_zero(static_cast<uint32_t>(s.rowBytes) / static_cast<uint32_t>(sizeof(Pixel)));
  const __m128i rowShift = _mm_cvtsi32_si128(shift);
  const __m256i mask = _mm256_set1_epi32(static_cast<int32_t>(s.columnMask));
  // Eight steps, wrapping as the lanes do.
  const __m256i stepX = _mm256_set1_epi32(static_cast<int32_t>(static_cast<uint32_t>(run.stepX) * 8u));
  const __m256i stepY = _mm256_set1_epi32(static_cast<int32_t>(static_cast<uint32_t>(run.stepY) * 8u));
  Lanes lanes = StartLanes(run);
  int32_t i = 0;
  for (; i + 8 <= count; i += 8) {
    const __m256i y = Clamp ? ClampY(lanes.y, s.maxY) : lanes.y;
    const __m256i at = _mm256_or_si256(_mm256_sll_epi32(_mm256_srli_epi32(y, 16), rowShift),
                                       _mm256_and_si256(_mm256_srli_epi32(lanes.x, 16), mask));
    alignas(32) uint32_t offsets[8];
    _mm256_store_si256(reinterpret_cast<__m256i*>(offsets), at);
    for (int k = 0; k < 8; ++k) {
      Pixel p;
      std::memcpy(&p, map + static_cast<size_t>(offsets[k]) * sizeof(Pixel), sizeof p);
      std::memcpy(target + static_cast<size_t>(i + k) * sizeof(Pixel), &p, sizeof p);
    }
    lanes.x = _mm256_add_epi32(lanes.x, stepX);
    lanes.y = _mm256_add_epi32(lanes.y, stepY);
  }
  if (i < count) {
    PanoramaRun rest = run;
    rest.x = run.x + static_cast<uint32_t>(run.stepX) * static_cast<uint32_t>(i);
    rest.y = static_cast<int32_t>(static_cast<uint32_t>(run.y) + static_cast<uint32_t>(run.stepY) * static_cast<uint32_t>(i));
    rest.count = count - i;
    NearestLoop<Pixel, Clamp>(s, rest, target + static_cast<size_t>(i) * sizeof(Pixel));
  }
}

// Nearest samples of a row's runs one after the other, eight at a time, as
// NearestLoopAvx2 draws one run; every row is clamped, which leaves the rows
// of a run inside the map as they are, so runs need not be told apart and one
// loop draws them all. A run's last block moves only the pixels it has. The
// same pixels as NearestLoop. The map's pixel count must fit 32 bits.
template <typename Pixel>
__attribute__((target("avx2"))) void NearestRunsAvx2(const PanoramaSampleSource& s, const PanoramaRun* runs,
                                                     int32_t count, uint8_t* target) {
  const uint8_t* const map = s.map;
  const int shift = std::countr_zero(static_cast<uint32_t>(s.rowBytes) / static_cast<uint32_t>(sizeof(Pixel)));
  const __m128i rowShift = _mm_cvtsi32_si128(shift);
  const __m256i mask = _mm256_set1_epi32(static_cast<int32_t>(s.columnMask));
  const __m256i iota = _mm256_setr_epi32(0, 1, 2, 3, 4, 5, 6, 7);
  for (int32_t r = 0; r < count; ++r) {
    const PanoramaRun& run = runs[r];
    const int32_t n = run.count;
    if (n <= 0) continue;
    const __m256i stepX = _mm256_set1_epi32(run.stepX);
    const __m256i stepY = _mm256_set1_epi32(run.stepY);
    __m256i x = _mm256_add_epi32(_mm256_set1_epi32(static_cast<int32_t>(run.x)), _mm256_mullo_epi32(iota, stepX));
    __m256i y = _mm256_add_epi32(_mm256_set1_epi32(run.y), _mm256_mullo_epi32(iota, stepY));
    const __m256i stepX8 = _mm256_slli_epi32(stepX, 3);
    const __m256i stepY8 = _mm256_slli_epi32(stepY, 3);
    for (int32_t i = 0; i < n; i += 8) {
      const __m256i row = _mm256_srli_epi32(ClampY(y, s.maxY), 16);
      const __m256i at = _mm256_or_si256(_mm256_sll_epi32(row, rowShift), _mm256_and_si256(_mm256_srli_epi32(x, 16), mask));
      alignas(32) uint32_t offsets[8];
      _mm256_store_si256(reinterpret_cast<__m256i*>(offsets), at);
      uint8_t* out = target + static_cast<size_t>(i) * sizeof(Pixel);
      const auto move = [&](int32_t k) {
        Pixel p;
        std::memcpy(&p, map + static_cast<size_t>(offsets[k]) * sizeof(Pixel), sizeof p);
        std::memcpy(out + static_cast<size_t>(k) * sizeof(Pixel), &p, sizeof p);
      };
      if (n - i >= 8) {
        // A whole block: eight moves with no count to check between them.
        for (int32_t k = 0; k < 8; ++k) move(k);
      } else {
        for (int32_t k = 0; k < n - i; ++k) move(k);
      }
      x = _mm256_add_epi32(x, stepX8);
      y = _mm256_add_epi32(y, stepY8);
    }
    target += static_cast<size_t>(n) * sizeof(Pixel);
  }
}

// Eight values of type Value read at the byte offsets in `offsets`, in lanes.
template <typename Value>
__attribute__((target("avx2"))) inline __m256i Fetch(const uint8_t* map, __m256i offsets) {
  alignas(32) int32_t at[8];
  _mm256_store_si256(reinterpret_cast<__m256i*>(at), offsets);
  auto load = [&](int k) -> int32_t {
    Value v;
    std::memcpy(&v, map + static_cast<uint32_t>(at[k]), sizeof v);
    return static_cast<int32_t>(v);
  };
  return _mm256_setr_epi32(load(0), load(1), load(2), load(3), load(4), load(5), load(6), load(7));
}

// The 16-bit pixels at the given pixel indexes.
__attribute__((target("avx2"))) inline __m256i Gather16(const uint8_t* map, __m256i index) {
  return Fetch<uint16_t>(map, _mm256_slli_epi32(index, 1));
}

// The 32-bit values at the given pixel indexes times `Scale` bytes.
template <int Scale>
__attribute__((target("avx2"))) inline __m256i Gather32(const uint8_t* map, __m256i index) {
  return Fetch<uint32_t>(map, Scale == 4 ? _mm256_slli_epi32(index, 2) : _mm256_slli_epi32(index, 1));
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

// (p * (256 - w) + q * w + 128) >> 8 per byte held in a 16-bit lane, w7 =
// w (0..255) << 7: written as p + ((q - p) * w + 128) >> 8, whose product
// and rounding one rounding high multiply by w * 128 gives exactly.
__attribute__((target("avx2"))) inline __m256i LerpLanes(__m256i p, __m256i q, __m256i w7) {
  return _mm256_add_epi16(p, _mm256_mulhrs_epi16(_mm256_sub_epi16(q, p), w7));
}

// Bilinear samples of eight 32-bit pixels as Lerp32 does them (within the
// rows with the weight a, then between them with b), the even and the odd
// bytes kept apart in 16-bit lanes from the first blend to the last (each
// blend's result is a byte in its lane, as when packed between the steps).
__attribute__((target("avx2"))) inline __m256i Bilinear32x8(__m256i p00, __m256i p01, __m256i p10, __m256i p11,
                                                            __m256i wa, __m256i wb) {
  const __m256i m = _mm256_set1_epi32(0x00FF00FF);
  const __m256i a7 = _mm256_slli_epi16(wa, 7);
  const __m256i b7 = _mm256_slli_epi16(wb, 7);
  const __m256i topLow = LerpLanes(_mm256_and_si256(p00, m), _mm256_and_si256(p01, m), a7);
  const __m256i topHigh = LerpLanes(_mm256_srli_epi16(p00, 8), _mm256_srli_epi16(p01, 8), a7);
  const __m256i bottomLow = LerpLanes(_mm256_and_si256(p10, m), _mm256_and_si256(p11, m), a7);
  const __m256i bottomHigh = LerpLanes(_mm256_srli_epi16(p10, 8), _mm256_srli_epi16(p11, 8), a7);
  return _mm256_or_si256(LerpLanes(topLow, bottomLow, b7), _mm256_slli_epi16(LerpLanes(topHigh, bottomHigh, b7), 8));
}

// The 32-bit pixels at the indexes and their right neighbours, read as one
// 64-bit value each (no index may be the last column of its row).
__attribute__((target("avx2"))) inline void GatherPairs32(const uint8_t* map, __m256i index, __m256i& left,
                                                          __m256i& right) {
  alignas(32) uint32_t at[8];
  _mm256_store_si256(reinterpret_cast<__m256i*>(at), _mm256_slli_epi32(index, 2));
  const auto pair = [&](int k) {
    uint64_t v;
    std::memcpy(&v, map + at[k], sizeof v);
    return static_cast<long long>(v);
  };
  // [l0 r0 l1 r1 | l2 r2 l3 r3] and [l4 r4 l5 r5 | l6 r6 l7 r7].
  const __m256 low = _mm256_castsi256_ps(_mm256_setr_epi64x(pair(0), pair(1), pair(2), pair(3)));
  const __m256 high = _mm256_castsi256_ps(_mm256_setr_epi64x(pair(4), pair(5), pair(6), pair(7)));
  // [l0 l1 l4 l5 | l2 l3 l6 l7] into lane order, and the same for the right.
  left = _mm256_permute4x64_epi64(_mm256_castps_si256(_mm256_shuffle_ps(low, high, 0x88)), 0xD8);
  right = _mm256_permute4x64_epi64(_mm256_castps_si256(_mm256_shuffle_ps(low, high, 0xDD)), 0xD8);
}

// The first pixel of each lane's row: a shift when the rows are a power of
// two of pixels apart (every map the renderer accepts), else a multiply.
__attribute__((target("avx2"))) inline __m256i RowStart(__m256i row, int32_t width) {
  if ((width & (width - 1)) == 0) {
    return _mm256_sll_epi32(row, _mm_cvtsi32_si128(std::countr_zero(static_cast<uint32_t>(width))));
  }
  return _mm256_mullo_epi32(row, _mm256_set1_epi32(width));
}

// The four neighbours of eight samples of a 15- or 16-bit map, as pairs
// (left | right << 16) of the upper and the lower row, and the 5-bit weights.
__attribute__((target("avx2"), always_inline)) inline void Corners16(const PanoramaSampleSource& s, __m256i x, __m256i yInMap,
                                                      __m256i& top, __m256i& bottom, __m256i& a, __m256i& b) {
  const __m256i columnMask = _mm256_set1_epi32(static_cast<int32_t>(s.columnMask));
  const __m256i low16 = _mm256_set1_epi32(0xFFFF);
  const __m256i width = _mm256_set1_epi32(s.rowBytes / 2);
  const __m256i y = ClampY(yInMap, s.maxY);
  const __m256i column = _mm256_and_si256(_mm256_srli_epi32(x, 16), columnMask);
  const __m256i rowNumber = _mm256_srli_epi32(y, 16);
  a = _mm256_srli_epi32(_mm256_and_si256(x, low16), 11);
  b = _mm256_srli_epi32(_mm256_and_si256(y, low16), 11);
  const __m256i rowStart = RowStart(rowNumber, s.rowBytes / 2);
  const __m256i i00 = _mm256_add_epi32(rowStart, column);
  const __m256i i10 = _mm256_add_epi32(i00, width);
  // Unless a sample's right neighbour wraps round to column 0, both
  // neighbours of a row come in one read.
  if (_mm256_movemask_epi8(_mm256_cmpeq_epi32(column, columnMask)) != 0) {
    const __m256i column1 = _mm256_and_si256(_mm256_add_epi32(column, _mm256_set1_epi32(1)), columnMask);
    const __m256i i01 = _mm256_add_epi32(rowStart, column1);
    const __m256i i11 = _mm256_add_epi32(i01, width);
    top = _mm256_or_si256(Gather16(s.map, i00), _mm256_slli_epi32(Gather16(s.map, i01), 16));
    bottom = _mm256_or_si256(Gather16(s.map, i10), _mm256_slli_epi32(Gather16(s.map, i11), 16));
  } else {
    top = Gather32<2>(s.map, i00);
    bottom = Gather32<2>(s.map, i10);
  }
}

// 32-bit lanes of eight and eight into sixteen 16-bit lanes, in the order
// of the pack (lanes 0-3 of v0, 0-3 of v1, 4-7 of v0, 4-7 of v1); lane-wise
// work on values narrowed alike keeps that order, put right once at the end.
__attribute__((target("avx2"))) inline __m256i Narrow(__m256i v0, __m256i v1) {
  return _mm256_packus_epi32(v0, v1);
}

// c0 + ((c1 - c0) w + 16) >> 5 per 16-bit lane, w10 = w (0..31) << 10:
// the rounding high multiply by w << 10 gives ((c1 - c0) w + 16) >> 5 exactly.
__attribute__((target("avx2"))) inline __m256i Lerp16x16(__m256i c0, __m256i c1, __m256i w10) {
  return _mm256_add_epi16(c0, _mm256_mulhrs_epi16(_mm256_sub_epi16(c1, c0), w10));
}

// One component (`Shift` bits up, `Mask` wide) of four corners, blended.
// The weights are a and b << 10 (see Lerp16x16).
template <int Shift, int Mask>
__attribute__((target("avx2"))) inline __m256i BilinearComponent(__m256i p00, __m256i p01, __m256i p10, __m256i p11,
                                                                 __m256i a, __m256i b) {
  const __m256i mask = _mm256_set1_epi16(Mask);
  const __m256i c00 = _mm256_and_si256(_mm256_srli_epi16(p00, Shift), mask);
  const __m256i c01 = _mm256_and_si256(_mm256_srli_epi16(p01, Shift), mask);
  const __m256i c10 = _mm256_and_si256(_mm256_srli_epi16(p10, Shift), mask);
  const __m256i c11 = _mm256_and_si256(_mm256_srli_epi16(p11, Shift), mask);
  return _mm256_slli_epi16(Lerp16x16(Lerp16x16(c00, c01, a), Lerp16x16(c10, c11, a), b), Shift);
}

// Sixteen bilinear samples of a 15- or 16-bit map from their corners (two
// sets of eight) with 16-bit lanes, per component
//   t = (c00 (32 - a) + c01 a + 16) >> 5 = c00 + ((c01 - c00) a + 16) >> 5,
// then the same between the rows with b: exactly what Blend16 computes with
// the components spread apart (no component reaches into another there).
template <bool Is565>
__attribute__((target("avx2"))) inline __m256i Blend16x16(__m256i top0, __m256i bottom0, __m256i a0, __m256i b0,
                                                          __m256i top1, __m256i bottom1, __m256i a1, __m256i b1) {
  const __m256i low16 = _mm256_set1_epi32(0xFFFF);
  const __m256i p00 = Narrow(_mm256_and_si256(top0, low16), _mm256_and_si256(top1, low16));
  const __m256i p01 = Narrow(_mm256_srli_epi32(top0, 16), _mm256_srli_epi32(top1, 16));
  const __m256i p10 = Narrow(_mm256_and_si256(bottom0, low16), _mm256_and_si256(bottom1, low16));
  const __m256i p11 = Narrow(_mm256_srli_epi32(bottom0, 16), _mm256_srli_epi32(bottom1, 16));
  const __m256i a = _mm256_slli_epi16(Narrow(a0, a1), 10);
  const __m256i b = _mm256_slli_epi16(Narrow(b0, b1), 10);
  const __m256i blue = BilinearComponent<0, 31>(p00, p01, p10, p11, a, b);
  const __m256i green = BilinearComponent<5, Is565 ? 63 : 31>(p00, p01, p10, p11, a, b);
  const __m256i red = BilinearComponent<Is565 ? 11 : 10, 31>(p00, p01, p10, p11, a, b);
  return _mm256_permute4x64_epi64(_mm256_or_si256(_mm256_or_si256(blue, green), red), 0xD8);
}

// Sixteen bilinear samples of a 15- or 16-bit map as Blend16x16 computes
// them, from the pairs (pixel | right neighbour << 16) of the upper and the
// lower row of two sets of eight: A holds samples 0-3 and 8-11, B samples
// 4-7 and 12-15, so that the words come out in order; the weights are << 10
// in 32-bit lanes. A byte shuffle puts the four left pixels of each half
// before the four right ones, and the halves of A and B are joined.
template <bool Is565>
__attribute__((target("avx2"))) inline __m256i BlendPairs16(__m256i topA, __m256i bottomA, __m256i aA, __m256i bA,
                                                            __m256i topB, __m256i bottomB, __m256i aB, __m256i bB) {
  const __m256i split = _mm256_setr_epi8(0, 1, 4, 5, 8, 9, 12, 13, 2, 3, 6, 7, 10, 11, 14, 15,  //
                                         0, 1, 4, 5, 8, 9, 12, 13, 2, 3, 6, 7, 10, 11, 14, 15);
  const __m256i tA = _mm256_shuffle_epi8(topA, split);
  const __m256i tB = _mm256_shuffle_epi8(topB, split);
  const __m256i uA = _mm256_shuffle_epi8(bottomA, split);
  const __m256i uB = _mm256_shuffle_epi8(bottomB, split);
  const __m256i p00 = _mm256_unpacklo_epi64(tA, tB);
  const __m256i p01 = _mm256_unpackhi_epi64(tA, tB);
  const __m256i p10 = _mm256_unpacklo_epi64(uA, uB);
  const __m256i p11 = _mm256_unpackhi_epi64(uA, uB);
  const __m256i a = _mm256_packus_epi32(aA, aB);
  const __m256i b = _mm256_packus_epi32(bA, bB);
  const __m256i blue = BilinearComponent<0, 31>(p00, p01, p10, p11, a, b);
  const __m256i green = BilinearComponent<5, Is565 ? 63 : 31>(p00, p01, p10, p11, a, b);
  const __m256i red = BilinearComponent<Is565 ? 11 : 10, 31>(p00, p01, p10, p11, a, b);
  return _mm256_or_si256(_mm256_or_si256(blue, green), red);
}

// Eight pixels at map positions (x, y) into `out`, rows clamped to the map.
template <PanoramaKernelKind Kind>
__attribute__((target("avx2"))) inline void DrawEight(const PanoramaSampleSource& s, __m256i x, __m256i yInMap,
                                                      uint8_t* out) {
  constexpr int32_t bytes = Kind == kPanoramaFast32 || Kind == kPanoramaQuality32 ? 4 : 2;
  const __m256i columnMask = _mm256_set1_epi32(static_cast<int32_t>(s.columnMask));
  const __m256i low16 = _mm256_set1_epi32(0xFFFF);
  const __m256i width = _mm256_set1_epi32(s.rowBytes / bytes);
  const __m256i y = ClampY(yInMap, s.maxY);
  const __m256i column = _mm256_and_si256(_mm256_srli_epi32(x, 16), columnMask);
  const __m256i rowStart = RowStart(_mm256_srli_epi32(y, 16), s.rowBytes / bytes);
  const __m256i i00 = _mm256_add_epi32(rowStart, column);
  if constexpr (Kind == kPanoramaFast16) {
    Store16(out, Gather16(s.map, i00));
  } else if constexpr (Kind == kPanoramaFast32) {
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(out), Gather32<4>(s.map, i00));
  } else {
    const __m256i column1 = _mm256_and_si256(_mm256_add_epi32(column, _mm256_set1_epi32(1)), columnMask);
    const __m256i i01 = _mm256_add_epi32(rowStart, column1);
    const __m256i i10 = _mm256_add_epi32(i00, width);
    const __m256i i11 = _mm256_add_epi32(i01, width);
    const __m256i fx = _mm256_and_si256(x, low16);
    const __m256i fy = _mm256_and_si256(y, low16);
    // Unless a sample's right neighbour wraps round to column 0, both
    // neighbours of a row come in one read.
    const bool wraps = _mm256_movemask_epi8(_mm256_cmpeq_epi32(column, columnMask)) != 0;
    if constexpr (Kind == kPanoramaQuality32) {
      const __m256i a = _mm256_srli_epi32(fx, 8);
      const __m256i b = _mm256_srli_epi32(fy, 8);
      const __m256i wa = _mm256_or_si256(a, _mm256_slli_epi32(a, 16));
      const __m256i wb = _mm256_or_si256(b, _mm256_slli_epi32(b, 16));
      __m256i p00, p01, p10, p11;
      if (wraps) {
        p00 = Gather32<4>(s.map, i00);
        p01 = Gather32<4>(s.map, i01);
        p10 = Gather32<4>(s.map, i10);
        p11 = Gather32<4>(s.map, i11);
      } else {
        GatherPairs32(s.map, i00, p00, p01);
        GatherPairs32(s.map, i10, p10, p11);
      }
      _mm256_storeu_si256(reinterpret_cast<__m256i*>(out), Bilinear32x8(p00, p01, p10, p11, wa, wb));
    } else {
      __m256i top, bottom, a, b;
      Corners16(s, x, yInMap, top, bottom, a, b);
      const __m256i p00 = _mm256_and_si256(top, low16);
      const __m256i p01 = _mm256_srli_epi32(top, 16);
      const __m256i p10 = _mm256_and_si256(bottom, low16);
      const __m256i p11 = _mm256_srli_epi32(bottom, 16);
      if constexpr (Kind == kPanoramaQuality16) {
        Store16(out, Blend16x8<0x07E0F81Fu, 0x02008010u, 0x03E0FC1Fu>(p00, p01, p10, p11, a, b));
      } else {
        Store16(out, Blend16x8<0x03E07C1Fu, 0x02004010u, 0x03E07C1Fu>(p00, p01, p10, p11, a, b));
      }
    }
  }
}

// What the bilinear blocks below keep for a whole row of runs: the map, its
// second row, where the reads ahead start, and the address arithmetic in
// lanes (rows a power of two of pixels apart).
struct QualityConstants {
  const uint8_t* map;
  const uint8_t* below;  // map + rowBytes
  uintptr_t ahead;       // the address of row 3 (as a number: it may lie past the map)
  __m256i columnMask;
  __m256i maxY;
  __m128i rowShift;  // log2 of the row length in pixels
};

__attribute__((target("avx2"))) inline QualityConstants MakeQualityConstants(const PanoramaSampleSource& s,
                                                                             int32_t bytes) {
  return {s.map,
          s.map + s.rowBytes,
          reinterpret_cast<uintptr_t>(s.map) + 3 * static_cast<uintptr_t>(s.rowBytes),
          _mm256_set1_epi32(static_cast<int32_t>(s.columnMask)),
          _mm256_set1_epi32(s.maxY),
          _mm_cvtsi32_si128(std::countr_zero(static_cast<uint32_t>(s.rowBytes / bytes)))};
}

// The pixel index (row x width + column) of each lane's upper left
// neighbour, rows clamped to the map, and the clamped y.
__attribute__((target("avx2"))) inline __m256i PixelIndex(const QualityConstants& c, __m256i x, __m256i& y) {
  y = _mm256_min_epi32(_mm256_max_epi32(y, _mm256_setzero_si256()), c.maxY);
  const __m256i column = _mm256_and_si256(_mm256_srli_epi32(x, 16), c.columnMask);
  return _mm256_or_si256(_mm256_sll_epi32(_mm256_srli_epi32(y, 16), c.rowShift), column);
}

// Asks for the map's lines three rows below the pixels at two byte offsets:
// the rows the screen's next rows read (the map is seen about as large as
// the screen, and the screen's rows go down the map). Only an address is
// formed: the row may lie outside the map, where the request is dropped.
__attribute__((target("avx2"))) inline void ReadAhead(const QualityConstants& c, uint32_t first, uint32_t last) {
  _mm_prefetch(reinterpret_cast<const char*>(c.ahead + first), _MM_HINT_T0);
  _mm_prefetch(reinterpret_cast<const char*>(c.ahead + last), _MM_HINT_T0);
}

// Whether some lane's right neighbour wraps round to column 0.
__attribute__((target("avx2"))) inline bool AnyWraps(const QualityConstants& c, __m256i x) {
  const __m256i column = _mm256_and_si256(_mm256_srli_epi32(x, 16), c.columnMask);
  return _mm256_movemask_epi8(_mm256_cmpeq_epi32(column, c.columnMask)) != 0;
}

// The eight 32-bit indexes of `index` as scalars, two to a 64-bit register.
struct Indexes {
  uint64_t pairs[4];
  uint32_t operator[](int k) const { return static_cast<uint32_t>(pairs[k / 2] >> (32 * (k % 2))); }
};

__attribute__((target("avx2"))) inline Indexes ToScalars(__m256i index) {
  const __m128i low = _mm256_castsi256_si128(index);
  const __m128i high = _mm256_extracti128_si256(index, 1);
  return {{static_cast<uint64_t>(_mm_cvtsi128_si64(low)), static_cast<uint64_t>(_mm_extract_epi64(low, 1)),
           static_cast<uint64_t>(_mm_cvtsi128_si64(high)), static_cast<uint64_t>(_mm_extract_epi64(high, 1))}};
}

// Eight bytes at p and eight at q, as the low and the high half.
__attribute__((target("avx2"))) inline __m128i LoadTwo(const uint8_t* p, const uint8_t* q) {
  const __m128d low = _mm_castsi128_pd(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(p)));
  return _mm_castpd_si128(_mm_loadh_pd(low, reinterpret_cast<const double*>(q)));
}

// Two eight-byte pairs in each half: those of samples k, k + 1 in the low
// half and k + 4, k + 5 in the high half, from `row`.
__attribute__((target("avx2"))) inline __m256i PairsOf(const uint8_t* row, const Indexes& at, int k) {
  return _mm256_inserti128_si256(_mm256_castsi128_si256(LoadTwo(row + at[k], row + at[k + 1])),
                                 LoadTwo(row + at[k + 4], row + at[k + 5]), 1);
}

// The bilinear blends of four samples whose pairs are in `top` and `bottom`
// (see PairsOf), with the weights << 7 in the low word of the 32-bit lanes of
// wx and wy picked out by `spread`, as 16-bit lanes: the four components of
// the samples in PairsOf's order.
__attribute__((target("avx2"))) inline __m256i BlendPairs32(__m256i top, __m256i bottom, __m256i wx, __m256i wy,
                                                            __m256i spread) {
  // The left pixel's components (bytes 0-3 and 8-11 of each half) and the
  // right one's (4-7, 12-15) over 16-bit lanes.
  const __m256i left = _mm256_setr_epi8(0, -1, 1, -1, 2, -1, 3, -1, 8, -1, 9, -1, 10, -1, 11, -1,  //
                                        0, -1, 1, -1, 2, -1, 3, -1, 8, -1, 9, -1, 10, -1, 11, -1);
  const __m256i right = _mm256_setr_epi8(4, -1, 5, -1, 6, -1, 7, -1, 12, -1, 13, -1, 14, -1, 15, -1,  //
                                         4, -1, 5, -1, 6, -1, 7, -1, 12, -1, 13, -1, 14, -1, 15, -1);
  const __m256i a = _mm256_shuffle_epi8(wx, spread);
  const __m256i b = _mm256_shuffle_epi8(wy, spread);
  const __m256i upper = LerpLanes(_mm256_shuffle_epi8(top, left), _mm256_shuffle_epi8(top, right), a);
  const __m256i lower = LerpLanes(_mm256_shuffle_epi8(bottom, left), _mm256_shuffle_epi8(bottom, right), a);
  return LerpLanes(upper, lower, b);
}

// Bilinear samples of eight 32-bit pixels, each blend as Lerp32 does it (no
// sample's right neighbour may wrap round). Every sample's pixel and right
// neighbour are read as one eight-byte pair from the upper and from the lower
// row; the halves of a register take the pairs of samples 0, 1 and 4, 5, or
// 2, 3 and 6, 7, so that the words packed back to bytes come out in order.
__attribute__((target("avx2"))) inline void Quality32x8(const QualityConstants& c, __m256i x, __m256i y,
                                                         uint8_t* out) {
  const __m256i index = PixelIndex(c, x, y);
  const Indexes at = ToScalars(_mm256_slli_epi32(index, 2));
  ReadAhead(c, at[0], at[7]);
  const __m256i weightMask = _mm256_set1_epi32(0x7F80);
  const __m256i wx = _mm256_and_si256(_mm256_srli_epi32(x, 1), weightMask);
  const __m256i wy = _mm256_and_si256(_mm256_srli_epi32(y, 1), weightMask);
  const __m256i spreadA = _mm256_setr_epi8(0, 1, 0, 1, 0, 1, 0, 1, 4, 5, 4, 5, 4, 5, 4, 5,  //
                                           0, 1, 0, 1, 0, 1, 0, 1, 4, 5, 4, 5, 4, 5, 4, 5);
  const __m256i spreadB = _mm256_setr_epi8(8, 9, 8, 9, 8, 9, 8, 9, 12, 13, 12, 13, 12, 13, 12, 13,  //
                                           8, 9, 8, 9, 8, 9, 8, 9, 12, 13, 12, 13, 12, 13, 12, 13);
  const __m256i first = BlendPairs32(PairsOf(c.map, at, 0), PairsOf(c.below, at, 0), wx, wy, spreadA);
  const __m256i second = BlendPairs32(PairsOf(c.map, at, 2), PairsOf(c.below, at, 2), wx, wy, spreadB);
  _mm256_storeu_si256(reinterpret_cast<__m256i*>(out), _mm256_packus_epi16(first, second));
}

// The pairs (pixel | right neighbour << 16) of eight samples of a 15- or
// 16-bit map from the upper and the lower row (no sample's right neighbour
// may wrap round), and their 5-bit weights << 10.
__attribute__((target("avx2"))) inline void Pairs16(const QualityConstants& c, __m256i x, __m256i y, __m256i& top,
                                                     __m256i& bottom, __m256i& a, __m256i& b) {
  const __m256i index = PixelIndex(c, x, y);
  const Indexes at = ToScalars(_mm256_slli_epi32(index, 1));
  ReadAhead(c, at[0], at[7]);
  const auto load = [](const uint8_t* p) { return static_cast<int32_t>(Load32(p)); };
  top = _mm256_setr_epi32(load(c.map + at[0]), load(c.map + at[1]), load(c.map + at[2]), load(c.map + at[3]),
                          load(c.map + at[4]), load(c.map + at[5]), load(c.map + at[6]), load(c.map + at[7]));
  bottom = _mm256_setr_epi32(load(c.below + at[0]), load(c.below + at[1]), load(c.below + at[2]),
                             load(c.below + at[3]), load(c.below + at[4]), load(c.below + at[5]),
                             load(c.below + at[6]), load(c.below + at[7]));
  const __m256i weightMask = _mm256_set1_epi32(0x7C00);
  a = _mm256_and_si256(_mm256_srli_epi32(x, 1), weightMask);
  b = _mm256_and_si256(_mm256_srli_epi32(y, 1), weightMask);
}

// The part of a run after its first `done` pixels.
inline PanoramaRun RestOf(const PanoramaRun& run, int32_t done) {
  PanoramaRun rest = run;
  rest.x = run.x + static_cast<uint32_t>(done) * static_cast<uint32_t>(run.stepX);
  rest.y = static_cast<int32_t>(static_cast<uint32_t>(run.y) +
                                static_cast<uint32_t>(done) * static_cast<uint32_t>(run.stepY));
  rest.count = run.count - done;
  return rest;
}

// The runs of a screen row one after the other (runAt(i) gives run i) with
// bilinear samples, eight (sixteen at 15 and 16 bits) at a time, the rest of
// each run one by one. Every row is clamped, which leaves the rows of a run
// inside the map as they are.
template <PanoramaKernelKind Kind, typename RunAt>
__attribute__((target("avx2"))) void QualityRunsAvx2(const PanoramaSampleSource& s, RunAt runAt, int32_t count,
                                                     uint8_t* target) {
  constexpr int32_t bytes = Kind == kPanoramaQuality32 ? 4 : 2;
  const QualityConstants c = MakeQualityConstants(s, bytes);
  for (int32_t i = 0; i < count; ++i) {
    const PanoramaRun& run = runAt(i);
    if (run.count <= 0) continue;
    int32_t done = 0;
    if constexpr (Kind != kPanoramaQuality32) {
      if (run.count >= 16) {
        // Lanes A: samples 0-3 and 8-11, B: 4-7 and 12-15 (see BlendPairs16).
        const __m256i order = _mm256_setr_epi32(0, 1, 2, 3, 8, 9, 10, 11);
        __m256i xA = _mm256_add_epi32(_mm256_set1_epi32(static_cast<int32_t>(run.x)),
                                      _mm256_mullo_epi32(order, _mm256_set1_epi32(run.stepX)));
        __m256i yA = _mm256_add_epi32(_mm256_set1_epi32(run.y),
                                      _mm256_mullo_epi32(order, _mm256_set1_epi32(run.stepY)));
        const __m256i fourX = _mm256_set1_epi32(static_cast<int32_t>(static_cast<uint32_t>(run.stepX) * 4u));
        const __m256i fourY = _mm256_set1_epi32(static_cast<int32_t>(static_cast<uint32_t>(run.stepY) * 4u));
        const __m256i sixteenX = _mm256_slli_epi32(fourX, 2);
        const __m256i sixteenY = _mm256_slli_epi32(fourY, 2);
        for (; done + 16 <= run.count; done += 16) {
          const __m256i xB = _mm256_add_epi32(xA, fourX);
          const __m256i yB = _mm256_add_epi32(yA, fourY);
          __m256i topA, bottomA, aA, bA, topB, bottomB, aB, bB;
          if (AnyWraps(c, xA) || AnyWraps(c, xB)) {
            Corners16(s, xA, yA, topA, bottomA, aA, bA);
            Corners16(s, xB, yB, topB, bottomB, aB, bB);
            aA = _mm256_slli_epi32(aA, 10);
            bA = _mm256_slli_epi32(bA, 10);
            aB = _mm256_slli_epi32(aB, 10);
            bB = _mm256_slli_epi32(bB, 10);
          } else {
            Pairs16(c, xA, yA, topA, bottomA, aA, bA);
            Pairs16(c, xB, yB, topB, bottomB, aB, bB);
          }
          _mm256_storeu_si256(reinterpret_cast<__m256i*>(target + static_cast<ptrdiff_t>(done) * bytes),
                              BlendPairs16<Kind == kPanoramaQuality16>(topA, bottomA, aA, bA, topB, bottomB, aB, bB));
          xA = _mm256_add_epi32(xA, sixteenX);
          yA = _mm256_add_epi32(yA, sixteenY);
        }
      }
    }
    if (run.count - done >= 8) {
      Lanes lanes = StartLanes(RestOf(run, done));
      const __m256i stepX = _mm256_set1_epi32(static_cast<int32_t>(static_cast<uint32_t>(run.stepX) * 8u));
      const __m256i stepY = _mm256_set1_epi32(static_cast<int32_t>(static_cast<uint32_t>(run.stepY) * 8u));
      for (; done + 8 <= run.count; done += 8) {
        uint8_t* out = target + static_cast<ptrdiff_t>(done) * bytes;
        if constexpr (Kind == kPanoramaQuality32) {
          if (AnyWraps(c, lanes.x)) {
            DrawEight<Kind>(s, lanes.x, lanes.y, out);
          } else {
            Quality32x8(c, lanes.x, lanes.y, out);
          }
        } else {
          DrawEight<Kind>(s, lanes.x, lanes.y, out);
        }
        lanes.x = _mm256_add_epi32(lanes.x, stepX);
        lanes.y = _mm256_add_epi32(lanes.y, stepY);
      }
    }
    if (done < run.count) {
      const PanoramaRun rest = RestOf(run, done);
      if constexpr (Kind == kPanoramaQuality32) {
        Loop<uint32_t, Quality32, true>(s, rest, target + static_cast<ptrdiff_t>(done) * bytes);
      } else if constexpr (Kind == kPanoramaQuality16) {
        Loop<uint16_t, Quality565, true>(s, rest, target + static_cast<ptrdiff_t>(done) * bytes);
      } else {
        Loop<uint16_t, Quality555, true>(s, rest, target + static_cast<ptrdiff_t>(done) * bytes);
      }
    }
    target += static_cast<ptrdiff_t>(run.count) * bytes;
  }
}

// Runs the first count & ~7 pixels; returns how many were drawn.
template <PanoramaKernelKind Kind>
__attribute__((target("avx2"))) int32_t RunAvx2(const PanoramaSampleSource& s, const PanoramaRun& run,
                                                uint8_t* target) {
  constexpr int32_t bytes = Kind == kPanoramaFast32 || Kind == kPanoramaQuality32 ? 4 : 2;
  const int32_t blocks = run.count / 8;
  Lanes lanes = StartLanes(run);
  const __m256i stepX = _mm256_set1_epi32(static_cast<int32_t>(static_cast<uint32_t>(run.stepX) * 8u));
  const __m256i stepY = _mm256_set1_epi32(static_cast<int32_t>(static_cast<uint32_t>(run.stepY) * 8u));
  int32_t block = 0;
  if constexpr (Kind == kPanoramaQuality15 || Kind == kPanoramaQuality16) {
    for (; block + 2 <= blocks; block += 2) {
      __m256i top0, bottom0, a0, b0, top1, bottom1, a1, b1;
      Corners16(s, lanes.x, lanes.y, top0, bottom0, a0, b0);
      Corners16(s, _mm256_add_epi32(lanes.x, stepX), _mm256_add_epi32(lanes.y, stepY), top1, bottom1, a1, b1);
      _mm256_storeu_si256(reinterpret_cast<__m256i*>(target + static_cast<ptrdiff_t>(block) * 8 * bytes),
                          Blend16x16<Kind == kPanoramaQuality16>(top0, bottom0, a0, b0, top1, bottom1, a1, b1));
      lanes.x = _mm256_add_epi32(lanes.x, _mm256_add_epi32(stepX, stepX));
      lanes.y = _mm256_add_epi32(lanes.y, _mm256_add_epi32(stepY, stepY));
    }
  }
  for (; block < blocks; ++block) {
    DrawEight<Kind>(s, lanes.x, lanes.y, target + static_cast<ptrdiff_t>(block) * 8 * bytes);
    lanes.x = _mm256_add_epi32(lanes.x, stepX);
    lanes.y = _mm256_add_epi32(lanes.y, stepY);
  }
  return blocks * 8;
}

#define OSTREVAN_PANORAMA_AVX512 __attribute__((target("avx2,avx512f,avx512bw")))
OSTREVAN_AVX512_CODE_BEGIN

// Nearest samples of runs sixteen at a time, one run after the other
// (runAt(r) gives run r): the sixteen map offsets are worked out in one
// register with the arithmetic of NearestLoop, then each pixel is read and
// written by plain moves (on this processor quicker than a gather). Every row
// is clamped, which leaves the rows of a run inside the map as they are, so
// runs need not be told apart. The same pixels as NearestLoop. The map's
// pixel count must fit 32 bits.
template <typename Pixel, typename RunAt>
OSTREVAN_PANORAMA_AVX512 void NearestRunsAvx512(const PanoramaSampleSource& s, RunAt runAt, int32_t count,
                                                uint8_t* target) {
  const uint8_t* const map = s.map;
  const int shift = std::countr_zero(static_cast<uint32_t>(s.rowBytes) / static_cast<uint32_t>(sizeof(Pixel)));
  const __m128i rowShift = _mm_cvtsi32_si128(shift);
  const __m512i mask = _mm512_set1_epi32(static_cast<int32_t>(s.columnMask));
  const __m512i maxY = _mm512_set1_epi32(s.maxY);
  const __m512i zero = _mm512_setzero_si512();
  const __m512i iota = _mm512_setr_epi32(0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15);
  for (int32_t r = 0; r < count; ++r) {
    const PanoramaRun run = runAt(r);
    const int32_t n = run.count;
    if (n <= 0) continue;
    const __m512i stepX = _mm512_set1_epi32(run.stepX);
    const __m512i stepY = _mm512_set1_epi32(run.stepY);
    __m512i x = _mm512_add_epi32(_mm512_set1_epi32(static_cast<int32_t>(run.x)), _mm512_mullo_epi32(iota, stepX));
    __m512i y = _mm512_add_epi32(_mm512_set1_epi32(run.y), _mm512_mullo_epi32(iota, stepY));
    const __m512i stepX16 = _mm512_slli_epi32(stepX, 4);
    const __m512i stepY16 = _mm512_slli_epi32(stepY, 4);
    for (int32_t i = 0; i < n; i += 16) {
      const __m512i row = _mm512_srli_epi32(_mm512_min_epi32(_mm512_max_epi32(y, zero), maxY), 16);
      const __m512i at =
          _mm512_or_si512(_mm512_sll_epi32(row, rowShift), _mm512_and_si512(_mm512_srli_epi32(x, 16), mask));
      alignas(64) uint32_t offsets[16];
      _mm512_store_si512(offsets, at);
      uint8_t* out = target + static_cast<size_t>(i) * sizeof(Pixel);
      const auto move = [&](int32_t k) {
        Pixel p;
        std::memcpy(&p, map + static_cast<size_t>(offsets[k]) * sizeof(Pixel), sizeof p);
        std::memcpy(out + static_cast<size_t>(k) * sizeof(Pixel), &p, sizeof p);
      };
      if (n - i >= 16) {
        // A whole block: sixteen moves with no count to check between them.
        for (int32_t k = 0; k < 16; ++k) move(k);
      } else {
        for (int32_t k = 0; k < n - i; ++k) move(k);
      }
      x = _mm512_add_epi32(x, stepX16);
      y = _mm512_add_epi32(y, stepY16);
    }
    target += static_cast<size_t>(n) * sizeof(Pixel);
  }
}

OSTREVAN_AVX512_CODE_END
#undef OSTREVAN_PANORAMA_AVX512

int32_t RunAvx2(PanoramaKernelKind kind, const PanoramaSampleSource& s, const PanoramaRun& run, uint8_t* target) {
  if (run.count < 8) return 0;
  switch (kind) {
    case kPanoramaFast16: return RunAvx2<kPanoramaFast16>(s, run, target);
    case kPanoramaFast32: return RunAvx2<kPanoramaFast32>(s, run, target);
    case kPanoramaQuality15: return RunAvx2<kPanoramaQuality15>(s, run, target);
    case kPanoramaQuality16: return RunAvx2<kPanoramaQuality16>(s, run, target);
    case kPanoramaQuality32: return RunAvx2<kPanoramaQuality32>(s, run, target);
  }
  return 0;
}

#endif

static_assert(kPanoramaLevelAvx512 == platform::kSimdAvx2 + 1);

int32_t BestLevel() {
  const int32_t best = platform::BestSimdSupport();
#ifdef OSTREVAN_PANORAMA_AVX2
  if (best >= platform::kSimdAvx2 && platform::HasAvx512Bw()) return kPanoramaLevelAvx512;
#endif
  return best;
}

std::atomic<int32_t> gKernelLevel{-1};

int32_t KernelLevel() {
  int32_t level = gKernelLevel.load(std::memory_order_relaxed);
  if (level < 0) {
    level = BestLevel();
    gKernelLevel.store(level, std::memory_order_relaxed);
  }
  return level;
}

}  // namespace

int32_t SetPanoramaKernelLevel(int32_t level) {
  const int32_t previous = KernelLevel();
  gKernelLevel.store(level < 0 ? BestLevel() : std::min(level, BestLevel()));
  return previous;
}

int32_t GetPanoramaKernelLevel() { return KernelLevel(); }

namespace {

template <typename Pixel>
void NearestRuns(const PanoramaSampleSource& source, const PanoramaRun* runs, const uint8_t* clampRows, int32_t count,
                 uint8_t* target) {
  using Loop = void (*)(const PanoramaSampleSource&, const PanoramaRun&, uint8_t*);
  Loop clamped = NearestLoop<Pixel, true>, inside = NearestLoop<Pixel, false>;
#ifdef OSTREVAN_PANORAMA_AVX2
  if (KernelLevel() >= kPanoramaLevelAvx512 && PixelIndexesFit32(source, sizeof(Pixel))) {
    NearestRunsAvx512<Pixel>(source, [runs](int32_t r) { return runs[r]; }, count, target);
    return;
  }
  if (KernelLevel() >= platform::kSimdAvx2 && PixelIndexesFit32(source, sizeof(Pixel))) {
    if (count > 1) {
      NearestRunsAvx2<Pixel>(source, runs, count, target);
      return;
    }
    clamped = NearestLoopAvx2<Pixel, true>;
    inside = NearestLoopAvx2<Pixel, false>;
  }
#endif
  for (int32_t i = 0; i < count; ++i) {
    (clampRows[i] != 0 ? clamped : inside)(source, runs[i], target);
    target += static_cast<ptrdiff_t>(std::max(runs[i].count, 0)) * static_cast<ptrdiff_t>(sizeof(Pixel));
  }
}

}  // namespace

void RunPanoramaKernel(PanoramaKernelKind kind, const PanoramaSampleSource& source, const PanoramaRun& run,
                       uint8_t* target, bool clampRows) {
  if (run.count <= 0) return;
  if ((kind == kPanoramaFast16 || kind == kPanoramaFast32) && KernelLevel() >= platform::kSimdSse2 &&
      (source.rowBytes & (source.rowBytes - 1)) == 0) {
    // Nearest samples are address arithmetic and one load each, written
    // by plain moves; at AVX2 the addresses are worked out eight at a time,
    // at AVX-512 sixteen.
    const uint8_t clamp = clampRows ? 1 : 0;
    if (kind == kPanoramaFast16) {
      NearestRuns<uint16_t>(source, &run, &clamp, 1, target);
    } else {
      NearestRuns<uint32_t>(source, &run, &clamp, 1, target);
    }
    return;
  }
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


void RunPanoramaKernels(PanoramaKernelKind kind, const PanoramaSampleSource& source, const PanoramaRun* runs,
                        const uint8_t* clampRows, int32_t count, uint8_t* target) {
  if ((kind == kPanoramaFast16 || kind == kPanoramaFast32) && KernelLevel() >= platform::kSimdSse2 &&
      (source.rowBytes & (source.rowBytes - 1)) == 0) {
    // As RunPanoramaKernel does, without choosing the loop again per run.
    if (kind == kPanoramaFast16) {
      NearestRuns<uint16_t>(source, runs, clampRows, count, target);
    } else {
      NearestRuns<uint32_t>(source, runs, clampRows, count, target);
    }
    return;
  }
#ifdef OSTREVAN_PANORAMA_AVX2
  if (KernelLevel() >= platform::kSimdAvx2 && (source.rowBytes & (source.rowBytes - 1)) == 0) {
    const auto at = [runs](int32_t r) -> const PanoramaRun& { return runs[r]; };
    switch (kind) {
      case kPanoramaQuality15: QualityRunsAvx2<kPanoramaQuality15>(source, at, count, target); return;
      case kPanoramaQuality16: QualityRunsAvx2<kPanoramaQuality16>(source, at, count, target); return;
      case kPanoramaQuality32: QualityRunsAvx2<kPanoramaQuality32>(source, at, count, target); return;
      default: break;
    }
  }
#endif
  const int32_t bytes = kind == kPanoramaFast32 || kind == kPanoramaQuality32 ? 4 : 2;
  for (int32_t i = 0; i < count; ++i) {
    RunPanoramaKernel(kind, source, runs[i], target, clampRows[i] != 0);
    target += static_cast<ptrdiff_t>(std::max(runs[i].count, 0)) * bytes;
  }
}

bool CanRunPanoramaNearestColumns(PanoramaKernelKind kind, const PanoramaSampleSource& source) {
#ifdef OSTREVAN_PANORAMA_AVX2
  const int32_t bytes = kind == kPanoramaFast32 ? 4 : 2;
  return (kind == kPanoramaFast16 || kind == kPanoramaFast32) && KernelLevel() >= kPanoramaLevelAvx512 &&
         (source.rowBytes & (source.rowBytes - 1)) == 0 && PixelIndexesFit32(source, bytes);
#else
  (void)kind;
  (void)source;
  return false;
#endif
}

void RunPanoramaNearestColumns(PanoramaKernelKind kind, const PanoramaSampleSource& source,
                               const PanoramaRunColumns& runs, int32_t count, uint8_t* target) {
#ifdef OSTREVAN_PANORAMA_AVX2
  const auto runAt = [&runs](int32_t r) {
    return PanoramaRun{runs.x[r], runs.y[r], runs.stepX[r], runs.stepY[r], runs.count[r]};
  };
  if (kind == kPanoramaFast16) {
    NearestRunsAvx512<uint16_t>(source, runAt, count, target);
  } else {
    NearestRunsAvx512<uint32_t>(source, runAt, count, target);
  }
#else
  (void)kind;
  (void)source;
  (void)runs;
  (void)count;
  (void)target;
#endif
}

bool CanRunPanoramaBilinearColumns(PanoramaKernelKind kind, const PanoramaSampleSource& source) {
#ifdef OSTREVAN_PANORAMA_AVX2
  return (kind == kPanoramaQuality15 || kind == kPanoramaQuality16 || kind == kPanoramaQuality32) &&
         KernelLevel() >= kPanoramaLevelAvx512 && (source.rowBytes & (source.rowBytes - 1)) == 0;
#else
  (void)kind;
  (void)source;
  return false;
#endif
}

void RunPanoramaBilinearColumns(PanoramaKernelKind kind, const PanoramaSampleSource& source,
                                const PanoramaRunColumns& runs, int32_t count, uint8_t* target) {
#ifdef OSTREVAN_PANORAMA_AVX2
  const auto at = [&runs](int32_t r) {
    return PanoramaRun{runs.x[r], runs.y[r], runs.stepX[r], runs.stepY[r], runs.count[r]};
  };
  switch (kind) {
    case kPanoramaQuality15: QualityRunsAvx2<kPanoramaQuality15>(source, at, count, target); return;
    case kPanoramaQuality16: QualityRunsAvx2<kPanoramaQuality16>(source, at, count, target); return;
    case kPanoramaQuality32: QualityRunsAvx2<kPanoramaQuality32>(source, at, count, target); return;
    default: return;
  }
#else
  (void)kind;
  (void)source;
  (void)runs;
  (void)count;
  (void)target;
#endif
}

uint16_t SampleBilinear565(const PanoramaSampleSource& source, uint32_t x, int32_t y) { return Quality565(source, x, y); }
uint16_t SampleBilinear555(const PanoramaSampleSource& source, uint32_t x, int32_t y) { return Quality555(source, x, y); }
uint32_t SampleBilinear32(const PanoramaSampleSource& source, uint32_t x, int32_t y) { return Quality32(source, x, y); }
