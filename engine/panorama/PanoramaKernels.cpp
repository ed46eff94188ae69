#include "engine/panorama/PanoramaKernels.h"

#include <algorithm>
#include <cstring>

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

inline uint16_t Quality565(const PanoramaSampleSource& s, uint32_t x, int32_t y) {
  const Address at = Locate(s, x, y);
  const uint8_t* r1 = at.row0 + s.rowBytes;
  const uint32_t a = (x & 0xFFFF) >> 11;
  const uint32_t b = at.fraction >> 11;
  return Blend16<0x07E0F81Fu, 0x02008010u, 0x03E0FC1Fu>(Load16(at.row0 + at.column * 2), Load16(at.row0 + at.column1 * 2),
                                                       Load16(r1 + at.column * 2), Load16(r1 + at.column1 * 2), a, b);
}

inline uint16_t Quality555(const PanoramaSampleSource& s, uint32_t x, int32_t y) {
  const Address at = Locate(s, x, y);
  const uint8_t* r1 = at.row0 + s.rowBytes;
  const uint32_t a = (x & 0xFFFF) >> 11;
  const uint32_t b = at.fraction >> 11;
  return Blend16<0x03E07C1Fu, 0x02004010u, 0x03E07C1Fu>(Load16(at.row0 + at.column * 2), Load16(at.row0 + at.column1 * 2),
                                                       Load16(r1 + at.column * 2), Load16(r1 + at.column1 * 2), a, b);
}

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

}  // namespace

void RunPanoramaKernel(PanoramaKernelKind kind, const PanoramaSampleSource& source, const PanoramaRun& run,
                       uint8_t* target, bool clampRows) {
  if (run.count <= 0) return;
  if (clampRows) {
    Dispatch<true>(kind, source, run, target);
  } else {
    Dispatch<false>(kind, source, run, target);
  }
}

uint16_t SampleBilinear565(const PanoramaSampleSource& source, uint32_t x, int32_t y) { return Quality565(source, x, y); }
uint16_t SampleBilinear555(const PanoramaSampleSource& source, uint32_t x, int32_t y) { return Quality555(source, x, y); }
uint32_t SampleBilinear32(const PanoramaSampleSource& source, uint32_t x, int32_t y) { return Quality32(source, x, y); }
