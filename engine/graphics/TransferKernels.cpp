#include "engine/graphics/TransferKernels.h"

#include <algorithm>
#include <atomic>
#include <cstring>
#include <utility>

#if defined(__SSE2__)
#include <immintrin.h>
#endif

#include "engine/graphics/ColorConstants.h"
#include "engine/graphics/LookupTables.h"
#include "engine/graphics/OpacityRatioTable.h"
#include "engine/graphics/PixelAccess.h"
#include "engine/graphics/PixelFormats.h"
#include "platform/Processor.h"

namespace {

// 1/63 as the single-precision constant every level factor is made from.
constexpr double kOneOver63 = static_cast<double>(1.0f / 63.0f);

using namespace pixelaccess;

// Pixel access by destination depth; 24-bit pixels are held as the three
// bytes in memory order in the low 24 bits.
template <int D>
struct Px;
template <>
struct Px<8> {
  static constexpr int kBytes = 1;
  static uint32_t Load(const uint8_t* p) { return *p; }
  static void Store(uint8_t* p, uint32_t v) { *p = static_cast<uint8_t>(v); }
};
template <>
struct Px<15> {
  static constexpr int kBytes = 2;
  static uint32_t Load(const uint8_t* p) { return Load16(p); }
  static void Store(uint8_t* p, uint32_t v) { Store16(p, v); }
};
template <>
struct Px<16> : Px<15> {};
template <>
struct Px<24> {
  static constexpr int kBytes = 3;
  static uint32_t Load(const uint8_t* p) { return Load24(p); }
  static void Store(uint8_t* p, uint32_t v) { Store24(p, v); }
};
template <>
struct Px<32> {
  static constexpr int kBytes = 4;
  static uint32_t Load(const uint8_t* p) { return Load32(p); }
  static void Store(uint8_t* p, uint32_t v) { Store32(p, v); }
};

// A key or solid colour packed for a destination of the given depth and format.
uint32_t PackForDepth(const VRGBColor& c, int32_t depth, uint16_t format) {
  switch (depth) {
    case 15: return PackColor555(c);
    case 16: return PackColor565(c);
    case 24:
      return format == kFormatRGB24 ? (c.red | (uint32_t{c.green} << 8) | (uint32_t{c.blue} << 16))
                         : (c.blue | (uint32_t{c.green} << 8) | (uint32_t{c.red} << 16));
    case 32: return PackColor(c, format);
    default: return 0;
  }
}

// --- Mixing rules -----------------------------------------------------------

template <int D>
inline uint32_t Spread(uint32_t p) {
  if constexpr (D == 15) {
    return ((p & 0x3E0u) << 16) | (p & 0x7C1Fu);
  } else {
    return ((p & 0x7E0u) << 16) | (p & 0xF81Fu);
  }
}
template <int D>
inline uint32_t Unspread(uint32_t v) {
  if constexpr (D == 15) {
    return ((v >> 5) & 0x7C1Fu) | ((v >> 21) & 0x3E0u);
  } else {
    return ((v >> 5) & 0xF81Fu) | ((v >> 21) & 0x7E0u);
  }
}

// d + (((s - d) * (a + 1)) >> 6) on the three bytes at bits 0, 8 and 16, which
// equals (d * (63 - a) + s * (a + 1)) >> 6: both terms are non-negative, so two
// channels share one multiply. The fourth byte comes out 0.
inline uint32_t MixBytes(uint32_t s, uint32_t d, uint32_t a) {
  const uint32_t keep = 63 - a;
  const uint32_t take = a + 1;
  const uint32_t rb = (((d & 0xFF00FFu) * keep + (s & 0xFF00FFu) * take) >> 6) & 0xFF00FFu;
  const uint32_t g = ((((d >> 8) & 0xFFu) * keep + ((s >> 8) & 0xFFu) * take) >> 6) & 0xFFu;
  return rb | (g << 8);
}

// d + (((s - d) * w) >> 14) per byte (mixing against a target alpha).
inline uint32_t MixBytesRatio(uint32_t s, uint32_t d, int32_t w) {
  uint32_t r = 0;
  for (uint32_t shift = 0; shift < 24; shift += 8) {
    const int32_t sc = static_cast<int32_t>((s >> shift) & 0xFF);
    const int32_t dc = static_cast<int32_t>((d >> shift) & 0xFF);
    r |= (static_cast<uint32_t>(dc + (((sc - dc) * w) >> 14)) & 0xFFu) << shift;
  }
  return r;
}

// d + LevelTable[s - d] per byte.
inline uint32_t LevelBytes(uint32_t s, uint32_t d, const int32_t* lt) {
  uint32_t r = 0;
  for (uint32_t shift = 0; shift < 24; shift += 8) {
    const int32_t sc = static_cast<int32_t>((s >> shift) & 0xFF);
    const int32_t dc = static_cast<int32_t>((d >> shift) & 0xFF);
    r |= (static_cast<uint32_t>(dc + lt[sc - dc]) & 0xFFu) << shift;
  }
  return r;
}

// Field layout of 15- and 16-bit pixels: blue, green, red.
template <int D>
struct Fields {
  static constexpr uint32_t kShift[3] = {0, 5, D == 15 ? 10u : 11u};
  static constexpr uint32_t kMask[3] = {31, D == 15 ? 31u : 63u, 31};
};

template <int D>
inline uint32_t LevelWord(uint32_t s, uint32_t d, const int32_t* lt) {
  uint32_t r = 0;
  for (int i = 0; i < 3; ++i) {
    const int32_t sc = static_cast<int32_t>((s >> Fields<D>::kShift[i]) & Fields<D>::kMask[i]);
    const int32_t dc = static_cast<int32_t>((d >> Fields<D>::kShift[i]) & Fields<D>::kMask[i]);
    r |= (static_cast<uint32_t>(dc + lt[sc - dc]) & Fields<D>::kMask[i]) << Fields<D>::kShift[i];
  }
  return r;
}

// --- The generic kernel -----------------------------------------------------

enum class Gate { kNone, kKey, kMask };
enum class Mix { kCopy, kLevel, kAlpha, kScaledAlpha };

// Holds a reference to the opacity ratio table for one call.
struct RatioRef {
  OpacityRatioTable* table = nullptr;
  ~RatioRef() {
    if (table) table->Release();
  }
};

// One routine of the family: destination depth D (the Depth16 copies and key
// routines also serve 15 bits), gate G, mixing M, solid or pixel source, and
// whether alpha 0 and 63 short-cut to keep and copy.
template <int D, Gate G, Mix M, bool Solid, bool Shortcuts>
void Kernel(const TransferRowArgs& a) {
  using P = Px<D>;
  constexpr bool kUsesAlpha = M == Mix::kAlpha || M == Mix::kScaledAlpha;
  const TransferAttributes& at = a.attributes;
  if (a.width <= 0 || a.height <= 0 || !a.destination) return;
  if constexpr (Solid) {
    if (!a.solidColor) return;
  } else {
    if (!a.source) return;
  }
  if constexpr (G == Gate::kMask) {
    if (!at.maskFlags || !a.mask) return;
  }
  if constexpr (kUsesAlpha) {
    if (!a.alpha) return;
  }
  const int32_t level = at.GetLevel();
  if constexpr (M == Mix::kLevel) {
    if (level <= 0 || level >= 63) return;
  }

  // 8 bits: the palette's nearest-index and shade tables.
  const uint8_t* inverse = nullptr;
  const uint16_t* shade = nullptr;
  if constexpr (D == 8 && (M != Mix::kCopy || Solid)) {
    if (!a.colorTable) return;
    inverse = a.colorTable->nearestIndex;
    shade = a.colorTable->shade;
    if (M != Mix::kCopy && (!inverse || !shade)) return;
  }

  const int32_t packDepth = (D == 16 && a.depth == 15) ? 15 : D;
  const uint32_t lowShift = D == 32 ? ColorShift32(a.pixelFormat) : 0u;
  const uint32_t colorMask = D == 32 ? (0xFFFFFFu << lowShift) : 0xFFFFFFFFu;

  uint32_t key = 0;
  if constexpr (G == Gate::kKey) {
    key = D == 8 ? at.keyIndex : PackForDepth(at.keyColor, packDepth, a.pixelFormat);
  }
  uint32_t solid = 0;
  if constexpr (Solid) {
    if constexpr (D == 8) {
      const int32_t index = FindNearestColorIndex(*a.colorTable, *a.solidColor);
      if (index < 0) return;
      solid = static_cast<uint32_t>(index);
    } else {
      solid = PackForDepth(*a.solidColor, packDepth, a.pixelFormat);
    }
  }

  // Shared tables for the call.
  LookupTableRef<VMultiplyTable> levelTable;
  LookupTableRef<VMultiplyTable> alphaScaleTable;
  LookupTableRef<VMultiplyTable> solidTables[3];
  const int32_t* lt = nullptr;
  const int32_t* alphaScale = nullptr;
  const int32_t* st[3] = {nullptr, nullptr, nullptr};
  if constexpr (M == Mix::kLevel && D != 8) {
    if constexpr (!Solid) {
      levelTable.Reset(GetMultiplyTable(level * kOneOver63, 0.0, -255, 256));
      if (!levelTable) return;
      lt = levelTable->Get();
    } else {
      for (int i = 0; i < 3; ++i) {
        uint32_t c;
        int32_t n;
        if constexpr (D == 15 || D == 16) {
          c = (solid >> Fields<D>::kShift[i]) & Fields<D>::kMask[i];
          n = static_cast<int32_t>(Fields<D>::kMask[i]) + 1;
        } else {
          c = (solid >> (lowShift + 8 * i)) & 0xFF;
          n = 256;
        }
        solidTables[i].Reset(GetMultiplyTable((63 - level) * kOneOver63, c * level * kOneOver63, 0, n));
        if (!solidTables[i]) return;
        st[i] = solidTables[i]->Get();
      }
    }
  }
  if constexpr (M == Mix::kScaledAlpha) {
    alphaScaleTable.Reset(GetMultiplyTable(level * kOneOver63, 0.0, 0, 64));
    if (!alphaScaleTable) return;
    alphaScale = alphaScaleTable->Get();
  }
  RatioRef ratio;
  const uint16_t* ratioEntries = nullptr;
  constexpr bool kMayUseTarget = D == 24 && G == Gate::kNone && !Solid && kUsesAlpha;
  if constexpr (kMayUseTarget) {
    if (a.targetAlpha) {
      ratio.table = AcquireOpacityRatioTable();
      ratioEntries = ratio.table->GetEntries();
      if (!ratioEntries) return;
    }
  }

  // The 8-bit level routines mix with a constant weight.
  const uint16_t* shadeSource = nullptr;
  const uint16_t* shadeDest = nullptr;
  if constexpr (D == 8 && M == Mix::kLevel) {
    shadeSource = shade + level * 256;
    shadeDest = shade + (63 - level) * 256;
  }
  // Without a target alpha plane the shortcuts of the 15-, 16- and 32-bit
  // routines are taken by selection rather than by branches.
  constexpr bool kBranchFreeShortcuts = (D == 15 || D == 16 || D == 32);
  const uint32_t solidSpread = (D == 15 || D == 16) ? Spread<(D == 15 ? 15 : 16)>(solid) : 0;

  const uint8_t* srow = a.source;
  uint8_t* drow = a.destination;
  const uint8_t* arow = a.alpha;
  const uint8_t* trow = ratioEntries ? a.targetAlpha : nullptr;
  const uint8_t* mrow = a.mask;
  for (int32_t y = 0; y < a.height; ++y) {
    for (int32_t x = 0; x < a.width; ++x) {
      if constexpr (G == Gate::kMask) {
        if (at.maskFlags[mrow[x]] != 0) continue;
      }
      uint8_t* dp = drow + static_cast<intptr_t>(x) * P::kBytes;
      uint32_t s;
      if constexpr (Solid) {
        s = solid;
      } else {
        s = P::Load(srow + static_cast<intptr_t>(x) * P::kBytes);
      }
      if constexpr (G == Gate::kKey) {
        if constexpr (D == 32 && M == Mix::kCopy) {
          if ((s & colorMask) == (key & colorMask)) continue;
        } else {
          if (s == key) continue;
        }
      }
      if constexpr (M == Mix::kCopy) {
        if constexpr (D == 32 && G == Gate::kKey) {
          P::Store(dp, (P::Load(dp) & ~colorMask) | (s & colorMask));
        } else {
          P::Store(dp, s);
        }
      } else if constexpr (M == Mix::kLevel) {
        const uint32_t d = P::Load(dp);
        if constexpr (D == 8) {
          P::Store(dp, inverse[shadeSource[s] + shadeDest[d]]);
        } else if constexpr (D == 15 || D == 16) {
          if constexpr (Solid) {
            uint32_t r = 0;
            for (int i = 0; i < 3; ++i) {
              r |= (static_cast<uint32_t>(st[i][(d >> Fields<D>::kShift[i]) & Fields<D>::kMask[i]]) & Fields<D>::kMask[i])
                   << Fields<D>::kShift[i];
            }
            P::Store(dp, r);
          } else {
            P::Store(dp, LevelWord<D>(s, d, lt));
          }
        } else {
          const uint32_t du = d >> lowShift;
          uint32_t r;
          if constexpr (Solid) {
            r = (static_cast<uint32_t>(st[0][du & 0xFF]) & 0xFF) | ((static_cast<uint32_t>(st[1][(du >> 8) & 0xFF]) & 0xFF) << 8) |
                ((static_cast<uint32_t>(st[2][(du >> 16) & 0xFF]) & 0xFF) << 16);
          } else {
            r = LevelBytes(s >> lowShift, du, lt);
          }
          P::Store(dp, r << lowShift);
        }
      } else {
        uint32_t alpha = arow[x];
        if constexpr (D == 8 || M == Mix::kScaledAlpha) {
          alpha &= 63;
        } else {
          alpha = alpha > 63 ? 63 : alpha;
        }
        if constexpr (M == Mix::kScaledAlpha) alpha = static_cast<uint32_t>(alphaScale[alpha]);
        if constexpr (Shortcuts && !kBranchFreeShortcuts) {
          if (alpha == 0) continue;
          if (alpha == 63) {
            P::Store(dp, s);
            continue;
          }
        }
        const uint32_t d = P::Load(dp);
        if constexpr (Shortcuts && kBranchFreeShortcuts) {
          // Mixed alpha planes defeat branch prediction: mix, then pick.
          uint32_t mixed;
          if constexpr (D == 15 || D == 16) {
            const uint32_t k = alpha >> 1;
            mixed = Unspread<D>(Spread<D>(d) * (32 - k) + (Solid ? solidSpread : Spread<D>(s)) * k);
          } else {
            mixed = MixBytes(s >> lowShift, d >> lowShift, alpha) << lowShift;
          }
          mixed = alpha == 63 ? s : mixed;
          P::Store(dp, alpha == 0 ? d : mixed);
          continue;
        }
        if constexpr (D == 8) {
          P::Store(dp, inverse[shade[alpha * 256 + s] + shade[(63 - alpha) * 256 + d]]);
        } else if constexpr (D == 15 || D == 16) {
          const uint32_t k = alpha >> 1;
          const uint32_t ss = Solid ? solidSpread : Spread<D>(s);
          P::Store(dp, Unspread<D>(Spread<D>(d) * (32 - k) + ss * k));
        } else {
          if constexpr (kMayUseTarget) {
            if (trow) {
              const int32_t w = ratioEntries[alpha * 64 + (trow[x] & 63)];
              P::Store(dp, MixBytesRatio(s >> lowShift, d >> lowShift, w) << lowShift);
              continue;
            }
          }
          P::Store(dp, MixBytes(s >> lowShift, d >> lowShift, alpha) << lowShift);
        }
      }
    }
    drow += a.destinationRowBytes;
    if constexpr (!Solid) srow += a.sourceRowBytes;
    if constexpr (kUsesAlpha) arow += a.alphaRowBytes;
    if constexpr (kMayUseTarget) {
      if (trow) trow += a.targetAlphaRowBytes;
    }
    if constexpr (G == Gate::kMask) mrow += a.maskRowBytes;
  }
}

// Fills every row with one pixel value of `bytes` bytes.
void FillRows(uint8_t* row, int32_t rowBytes, int32_t width, int32_t height, uint32_t value, int32_t bytes) {
  if (!row || width <= 0 || height <= 0) return;
  for (int32_t y = 0; y < height; ++y, row += rowBytes) {
    switch (bytes) {
      case 1: std::memset(row, static_cast<int>(value & 0xFF), static_cast<size_t>(width)); break;
      case 2: {
        const uint32_t pair = (value & 0xFFFF) | (value << 16);
        uint8_t* p = row;
        int32_t n = width;
        if ((reinterpret_cast<uintptr_t>(p) & 2) != 0 && n > 0) {
          Store16(p, value);
          p += 2;
          --n;
        }
        for (; n >= 2; n -= 2, p += 4) Store32(p, pair);
        if (n) Store16(p, value);
        break;
      }
      case 3: {
        uint8_t* p = row;
        for (int32_t x = 0; x < width; ++x, p += 3) Px<24>::Store(p, value);
        break;
      }
      default: {
        uint8_t* p = row;
        for (int32_t x = 0; x < width; ++x, p += 4) Store32(p, value);
        break;
      }
    }
  }
}

// --- Vectorised routines ----------------------------------------------------
//
// The level table holds round((s - d) * L / 63) (half away from zero), so a
// level mix is d + round((s - d) * L / 63). 63 is odd, so (s - d) * L / 63 is
// never a half, and the single-precision 1/63 the table is built from errs by
// under 2e-5 over the table's range, far inside the 1/126 margin; hence
//   d + LevelTable[s - d] = d + floor(((s - d) * L + 31) / 63)
//                         = (s * L + d * (63 - L) + 31) / 63,
// a quotient of a non-negative number below 2^14. In 16-bit lanes the
// quotient n / 63 is (n * 16645) >> 20 for every n <= 16096, because
// 63 * 16645 = 2^20 + 59 and 16096 * 59 / 63 < 2^20 / 63.
//
// The alpha mix of a colour byte, d + (((s - d) * (a + 1)) >> 6), is
// (d * (63 - a) + s * (a + 1)) >> 6 (both terms non-negative, at most 16320).
//
// The 15/16-bit alpha mix of a field, (d * (32 - k) + s * k) >> 5 with
// k = a >> 1, is d + floor((s - d) * k / 32): 32 * d is a multiple of 32. The
// signed product lies within +-63 * 31, so 16-bit lanes hold it and an
// arithmetic shift does the floor. The spread form never carries one field
// into the next, so mixing field by field gives the same word (bit 15 of a
// 5-5-5 result is 0 either way).
//
// A level table comes from the shared manager and is checked against these
// values at the start of every call; the table-driven form runs when it
// differs. The vector paths also step aside for a source that overlaps the
// destination, where the one-pixel order of reads and writes shows.

constexpr uint32_t kDivide63Multiplier = 16645;
constexpr int kDivide63Shift = 20;

inline uint32_t LevelComponent(uint32_t s, uint32_t d, uint32_t level) {
  return (s * level + d * (63 - level) + 31) / 63;
}

// True when the level table holds the values LevelComponent computes for
// every difference in -range..range.
bool IsStandardLevelTable(const int32_t* lt, int32_t level, int32_t range) {
  for (int32_t i = 0; i <= range; ++i) {
    const int32_t v = (i * level + 31) / 63;
    if (lt[i] != v || lt[-i] != -v) return false;
  }
  return true;
}

// True when the byte ranges covered by the source and destination rectangles meet.
bool PlanesOverlap(const TransferRowArgs& a, int32_t bytesPerPixel) {
  const auto span = [&](const uint8_t* first, int32_t step) {
    const intptr_t begin = reinterpret_cast<intptr_t>(first);
    const intptr_t last = begin + static_cast<intptr_t>(step) * (a.height - 1);
    return std::pair<intptr_t, intptr_t>(std::min(begin, last),
                                         std::max(begin, last) + static_cast<intptr_t>(a.width) * bytesPerPixel);
  };
  const auto s = span(a.source, a.sourceRowBytes);
  const auto d = span(a.destination, a.destinationRowBytes);
  return s.first < d.second && d.first < s.second;
}


// Scalar rows: the same arithmetic one pixel at a time (also the vector rows' tails).
template <int D>
void LevelRow16Scalar(const uint8_t* s, uint8_t* d, int32_t n, uint32_t level) {
  for (int32_t x = 0; x < n; ++x, s += 2, d += 2) {
    const uint32_t sp = Load16(s), dp = Load16(d);
    uint32_t r = 0;
    for (int i = 0; i < 3; ++i) {
      const uint32_t shift = Fields<D>::kShift[i], mask = Fields<D>::kMask[i];
      r |= LevelComponent((sp >> shift) & mask, (dp >> shift) & mask, level) << shift;
    }
    Store16(d, r);
  }
}

void LevelRow32Scalar(const uint8_t* s, uint8_t* d, int32_t n, uint32_t level, uint32_t lowShift) {
  for (int32_t x = 0; x < n; ++x, s += 4, d += 4) {
    const uint32_t sp = Load32(s), dp = Load32(d);
    uint32_t r = 0;
    for (uint32_t shift = lowShift; shift < lowShift + 24; shift += 8) {
      r |= LevelComponent((sp >> shift) & 0xFF, (dp >> shift) & 0xFF, level) << shift;
    }
    Store32(d, r);
  }
}

void AlphaRow32Scalar(const uint8_t* s, uint8_t* d, const uint8_t* alpha, int32_t n, uint32_t lowShift) {
  for (int32_t x = 0; x < n; ++x, s += 4, d += 4) {
    const uint32_t a = std::min<uint32_t>(alpha[x], 63);
    if (a == 0) continue;
    const uint32_t sp = Load32(s);
    Store32(d, a == 63 ? sp : MixBytes(sp >> lowShift, Load32(d) >> lowShift, a) << lowShift);
  }
}

template <int D>
void AlphaRow16Scalar(const uint8_t* s, uint8_t* d, const uint8_t* alpha, int32_t n) {
  for (int32_t x = 0; x < n; ++x, s += 2, d += 2) {
    const uint32_t a = std::min<uint32_t>(alpha[x], 63);
    if (a == 0) continue;
    const uint32_t sp = Load16(s);
    const uint32_t k = a >> 1;
    Store16(d, a == 63 ? sp : Unspread<D>(Spread<D>(Load16(d)) * (32 - k) + Spread<D>(sp) * k));
  }
}

#if defined(__SSE2__)

inline __m128i Divide63(__m128i n) {
  return _mm_srli_epi16(_mm_mulhi_epu16(n, _mm_set1_epi16(static_cast<int16_t>(kDivide63Multiplier))),
                        kDivide63Shift - 16);
}

// One field of eight 15/16-bit pixels: (s * L + d * (63 - L) + 31) / 63.
inline __m128i LevelField(__m128i s, __m128i d, __m128i wS, __m128i wD) {
  const __m128i n = _mm_add_epi16(_mm_add_epi16(_mm_mullo_epi16(s, wS), _mm_mullo_epi16(d, wD)), _mm_set1_epi16(31));
  return Divide63(n);
}

template <int D>
int32_t LevelRow16Sse2(const uint8_t* s, uint8_t* d, int32_t n, uint32_t level) {
  constexpr int kRedShift = D == 15 ? 10 : 11;
  const __m128i wS = _mm_set1_epi16(static_cast<int16_t>(level));
  const __m128i wD = _mm_set1_epi16(static_cast<int16_t>(63 - level));
  const __m128i m5 = _mm_set1_epi16(31);
  const __m128i mg = _mm_set1_epi16(D == 15 ? 31 : 63);
  int32_t x = 0;
  for (; x + 8 <= n; x += 8) {
    const __m128i sp = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s + 2 * x));
    const __m128i dp = _mm_loadu_si128(reinterpret_cast<const __m128i*>(d + 2 * x));
    const __m128i b = LevelField(_mm_and_si128(sp, m5), _mm_and_si128(dp, m5), wS, wD);
    const __m128i g = LevelField(_mm_and_si128(_mm_srli_epi16(sp, 5), mg), _mm_and_si128(_mm_srli_epi16(dp, 5), mg), wS, wD);
    const __m128i r = LevelField(_mm_and_si128(_mm_srli_epi16(sp, kRedShift), m5),
                                 _mm_and_si128(_mm_srli_epi16(dp, kRedShift), m5), wS, wD);
    const __m128i v = _mm_or_si128(_mm_or_si128(b, _mm_slli_epi16(g, 5)), _mm_slli_epi16(r, kRedShift));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(d + 2 * x), v);
  }
  return x;
}

int32_t LevelRow32Sse2(const uint8_t* s, uint8_t* d, int32_t n, uint32_t level, uint32_t lowShift) {
  // 16-bit lanes hold bytes 0..3 of two pixels; the colourless byte gets weight 0, so it comes out 0.
  const int16_t l = static_cast<int16_t>(level), k = static_cast<int16_t>(63 - level);
  const __m128i wS = lowShift ? _mm_set_epi16(l, l, l, 0, l, l, l, 0) : _mm_set_epi16(0, l, l, l, 0, l, l, l);
  const __m128i wD = lowShift ? _mm_set_epi16(k, k, k, 0, k, k, k, 0) : _mm_set_epi16(0, k, k, k, 0, k, k, k);
  const __m128i zero = _mm_setzero_si128();
  const __m128i round = _mm_set1_epi16(31);
  int32_t x = 0;
  for (; x + 4 <= n; x += 4) {
    const __m128i sp = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s + 4 * x));
    const __m128i dp = _mm_loadu_si128(reinterpret_cast<const __m128i*>(d + 4 * x));
    const __m128i lo = _mm_add_epi16(_mm_add_epi16(_mm_mullo_epi16(_mm_unpacklo_epi8(sp, zero), wS),
                                                   _mm_mullo_epi16(_mm_unpacklo_epi8(dp, zero), wD)),
                                     round);
    const __m128i hi = _mm_add_epi16(_mm_add_epi16(_mm_mullo_epi16(_mm_unpackhi_epi8(sp, zero), wS),
                                                   _mm_mullo_epi16(_mm_unpackhi_epi8(dp, zero), wD)),
                                     round);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(d + 4 * x), _mm_packus_epi16(Divide63(lo), Divide63(hi)));
  }
  return x;
}

int32_t AlphaRow32Sse2(const uint8_t* s, uint8_t* d, const uint8_t* alpha, int32_t n, uint32_t lowShift) {
  const __m128i zero = _mm_setzero_si128();
  const __m128i c63 = _mm_set1_epi8(63);
  const __m128i c64 = _mm_set1_epi16(64);
  const __m128i colorMask = _mm_set1_epi32(static_cast<int32_t>(0xFFFFFFu << lowShift));
  int32_t x = 0;
  for (; x + 4 <= n; x += 4) {
    int32_t a4;
    std::memcpy(&a4, alpha + x, 4);
    __m128i a = _mm_min_epu8(_mm_cvtsi32_si128(a4), c63);
    a = _mm_unpacklo_epi8(a, a);
    a = _mm_unpacklo_epi16(a, a);  // each pixel's alpha in its four bytes
    const __m128i zeroMask = _mm_cmpeq_epi8(a, zero);
    const __m128i fullMask = _mm_cmpeq_epi8(a, c63);
    if (_mm_movemask_epi8(zeroMask) == 0xFFFF) continue;
    const __m128i sp = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s + 4 * x));
    const __m128i dp = _mm_loadu_si128(reinterpret_cast<const __m128i*>(d + 4 * x));
    const __m128i aLo = _mm_unpacklo_epi8(a, zero), aHi = _mm_unpackhi_epi8(a, zero);
    const __m128i takeLo = _mm_add_epi16(aLo, _mm_set1_epi16(1)), takeHi = _mm_add_epi16(aHi, _mm_set1_epi16(1));
    const __m128i keepLo = _mm_sub_epi16(c64, takeLo), keepHi = _mm_sub_epi16(c64, takeHi);
    const __m128i lo = _mm_srli_epi16(_mm_add_epi16(_mm_mullo_epi16(_mm_unpacklo_epi8(dp, zero), keepLo),
                                                    _mm_mullo_epi16(_mm_unpacklo_epi8(sp, zero), takeLo)),
                                      6);
    const __m128i hi = _mm_srli_epi16(_mm_add_epi16(_mm_mullo_epi16(_mm_unpackhi_epi8(dp, zero), keepHi),
                                                    _mm_mullo_epi16(_mm_unpackhi_epi8(sp, zero), takeHi)),
                                      6);
    const __m128i mixed = _mm_and_si128(_mm_packus_epi16(lo, hi), colorMask);
    __m128i v = _mm_or_si128(_mm_and_si128(fullMask, sp), _mm_andnot_si128(fullMask, mixed));
    v = _mm_or_si128(_mm_and_si128(zeroMask, dp), _mm_andnot_si128(zeroMask, v));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(d + 4 * x), v);
  }
  return x;
}

// Eight 15/16-bit pixels mixed field by field with weights k (0..31) in 16-bit lanes.
template <int D>
inline __m128i AlphaMix16(__m128i sp, __m128i dp, __m128i k) {
  constexpr int kRedShift = D == 15 ? 10 : 11;
  const __m128i m5 = _mm_set1_epi16(31);
  const __m128i mg = _mm_set1_epi16(D == 15 ? 31 : 63);
  const auto mix = [k](__m128i sf, __m128i df) {
    return _mm_add_epi16(df, _mm_srai_epi16(_mm_mullo_epi16(_mm_sub_epi16(sf, df), k), 5));
  };
  const auto red = [m5](__m128i p) {
    const __m128i r = _mm_srli_epi16(p, kRedShift);
    return D == 15 ? _mm_and_si128(r, m5) : r;
  };
  const __m128i b = mix(_mm_and_si128(sp, m5), _mm_and_si128(dp, m5));
  const __m128i g = mix(_mm_and_si128(_mm_srli_epi16(sp, 5), mg), _mm_and_si128(_mm_srli_epi16(dp, 5), mg));
  const __m128i r = mix(red(sp), red(dp));
  return _mm_or_si128(_mm_or_si128(b, _mm_slli_epi16(g, 5)), _mm_slli_epi16(r, kRedShift));
}

template <int D>
int32_t AlphaRow16Sse2(const uint8_t* s, uint8_t* d, const uint8_t* alpha, int32_t n) {
  const __m128i zero = _mm_setzero_si128();
  const __m128i c63 = _mm_set1_epi8(63);
  int32_t x = 0;
  for (; x + 8 <= n; x += 8) {
    const __m128i a8 = _mm_min_epu8(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(alpha + x)), c63);
    const int zeroBits = _mm_movemask_epi8(_mm_cmpeq_epi8(a8, zero)) & 0xFF;
    if (zeroBits == 0xFF) continue;
    const __m128i sp = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s + 2 * x));
    if ((_mm_movemask_epi8(_mm_cmpeq_epi8(a8, c63)) & 0xFF) == 0xFF) {
      _mm_storeu_si128(reinterpret_cast<__m128i*>(d + 2 * x), sp);
      continue;
    }
    const __m128i dp = _mm_loadu_si128(reinterpret_cast<const __m128i*>(d + 2 * x));
    const __m128i a = _mm_unpacklo_epi8(a8, zero);
    const __m128i fullMask = _mm_cmpeq_epi16(a, _mm_set1_epi16(63));
    const __m128i mixed = AlphaMix16<D>(sp, dp, _mm_srli_epi16(a, 1));
    __m128i v = _mm_or_si128(_mm_and_si128(fullMask, sp), _mm_andnot_si128(fullMask, mixed));
    if constexpr (D == 15) {  // alpha 0 keeps the top bit the mix clears (see AlphaRow16Avx2)
      const __m128i zeroMask = _mm_cmpeq_epi16(a, zero);
      v = _mm_or_si128(_mm_and_si128(zeroMask, dp), _mm_andnot_si128(zeroMask, v));
    }
    _mm_storeu_si128(reinterpret_cast<__m128i*>(d + 2 * x), v);
  }
  return x;
}

#define OSTREVAN_AVX2 __attribute__((target("avx2")))

OSTREVAN_AVX2 inline __m256i Divide63Avx2(__m256i n) {
  return _mm256_srli_epi16(_mm256_mulhi_epu16(n, _mm256_set1_epi16(static_cast<int16_t>(kDivide63Multiplier))),
                           kDivide63Shift - 16);
}

OSTREVAN_AVX2 inline __m256i LevelFieldAvx2(__m256i s, __m256i d, __m256i wS, __m256i wD) {
  const __m256i n =
      _mm256_add_epi16(_mm256_add_epi16(_mm256_mullo_epi16(s, wS), _mm256_mullo_epi16(d, wD)), _mm256_set1_epi16(31));
  return Divide63Avx2(n);
}

template <int D>
OSTREVAN_AVX2 int32_t LevelRow16Avx2(const uint8_t* s, uint8_t* d, int32_t n, uint32_t level) {
  constexpr int kRedShift = D == 15 ? 10 : 11;
  const __m256i wS = _mm256_set1_epi16(static_cast<int16_t>(level));
  const __m256i wD = _mm256_set1_epi16(static_cast<int16_t>(63 - level));
  const __m256i m5 = _mm256_set1_epi16(31);
  const __m256i mg = _mm256_set1_epi16(D == 15 ? 31 : 63);
  int32_t x = 0;
  for (; x + 16 <= n; x += 16) {
    const __m256i sp = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(s + 2 * x));
    const __m256i dp = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(d + 2 * x));
    const __m256i b = LevelFieldAvx2(_mm256_and_si256(sp, m5), _mm256_and_si256(dp, m5), wS, wD);
    const __m256i g = LevelFieldAvx2(_mm256_and_si256(_mm256_srli_epi16(sp, 5), mg),
                                     _mm256_and_si256(_mm256_srli_epi16(dp, 5), mg), wS, wD);
    const __m256i r = LevelFieldAvx2(_mm256_and_si256(_mm256_srli_epi16(sp, kRedShift), m5),
                                     _mm256_and_si256(_mm256_srli_epi16(dp, kRedShift), m5), wS, wD);
    const __m256i v =
        _mm256_or_si256(_mm256_or_si256(b, _mm256_slli_epi16(g, 5)), _mm256_slli_epi16(r, kRedShift));
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(d + 2 * x), v);
  }
  return x;
}

OSTREVAN_AVX2 int32_t LevelRow32Avx2(const uint8_t* s, uint8_t* d, int32_t n, uint32_t level, uint32_t lowShift) {
  // Source and destination bytes interleaved in pairs, multiplied and summed by
  // weight pairs (L, 63 - L); the colourless byte's pair weighs (0, 0).
  const uint64_t w = level | ((63 - level) << 8);
  const uint64_t pattern = lowShift ? (w << 16) | (w << 32) | (w << 48) : w | (w << 16) | (w << 32);
  const __m256i weights = _mm256_set1_epi64x(static_cast<int64_t>(pattern));
  const __m256i round = _mm256_set1_epi16(31);
  int32_t x = 0;
  for (; x + 8 <= n; x += 8) {
    const __m256i sp = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(s + 4 * x));
    const __m256i dp = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(d + 4 * x));
    const __m256i lo = _mm256_add_epi16(_mm256_maddubs_epi16(_mm256_unpacklo_epi8(sp, dp), weights), round);
    const __m256i hi = _mm256_add_epi16(_mm256_maddubs_epi16(_mm256_unpackhi_epi8(sp, dp), weights), round);
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(d + 4 * x), _mm256_packus_epi16(Divide63Avx2(lo), Divide63Avx2(hi)));
  }
  return x;
}

OSTREVAN_AVX2 int32_t AlphaRow32Avx2(const uint8_t* s, uint8_t* d, const uint8_t* alpha, int32_t n,
                                     uint32_t lowShift) {
  const __m256i c63 = _mm256_set1_epi8(63);
  const __m256i one = _mm256_set1_epi8(1);
  const __m256i colorMask = _mm256_set1_epi32(static_cast<int32_t>(0xFFFFFFu << lowShift));
  // Spreads alphas 0..3 over the four bytes of pixels 0..3 (low lane) and 4..7 (high lane).
  const __m256i spread = _mm256_setr_epi8(0, 0, 0, 0, 1, 1, 1, 1, 2, 2, 2, 2, 3, 3, 3, 3,  //
                                          4, 4, 4, 4, 5, 5, 5, 5, 6, 6, 6, 6, 7, 7, 7, 7);
  int32_t x = 0;
  for (; x + 8 <= n; x += 8) {
    int64_t a8;
    std::memcpy(&a8, alpha + x, 8);
    const __m256i a = _mm256_min_epu8(_mm256_shuffle_epi8(_mm256_set1_epi64x(a8), spread), c63);
    const __m256i zeroMask = _mm256_cmpeq_epi8(a, _mm256_setzero_si256());
    const __m256i fullMask = _mm256_cmpeq_epi8(a, c63);
    const uint32_t zeroBits = static_cast<uint32_t>(_mm256_movemask_epi8(zeroMask));
    if (zeroBits == 0xFFFFFFFFu) continue;
    const __m256i sp = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(s + 4 * x));
    if (static_cast<uint32_t>(_mm256_movemask_epi8(fullMask)) == 0xFFFFFFFFu) {
      _mm256_storeu_si256(reinterpret_cast<__m256i*>(d + 4 * x), sp);
      continue;
    }
    const __m256i dp = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(d + 4 * x));
    // Pairs (d, s) weighed by (63 - a, a + 1).
    const __m256i keep = _mm256_sub_epi8(c63, a), take = _mm256_add_epi8(a, one);
    const __m256i lo = _mm256_srli_epi16(
        _mm256_maddubs_epi16(_mm256_unpacklo_epi8(dp, sp), _mm256_unpacklo_epi8(keep, take)), 6);
    const __m256i hi = _mm256_srli_epi16(
        _mm256_maddubs_epi16(_mm256_unpackhi_epi8(dp, sp), _mm256_unpackhi_epi8(keep, take)), 6);
    const __m256i mixed = _mm256_and_si256(_mm256_packus_epi16(lo, hi), colorMask);
    const __m256i v = _mm256_blendv_epi8(_mm256_blendv_epi8(mixed, sp, fullMask), dp, zeroMask);
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(d + 4 * x), v);
  }
  return x;
}

// Sixteen 15/16-bit pixels mixed field by field with weights k (0..31) in 16-bit lanes.
template <int D>
OSTREVAN_AVX2 inline __m256i AlphaMix16Avx2(__m256i sp, __m256i dp, __m256i k) {
  constexpr int kRedShift = D == 15 ? 10 : 11;
  const __m256i m5 = _mm256_set1_epi16(31);
  const __m256i mg = _mm256_set1_epi16(D == 15 ? 31 : 63);
  const __m256i db = _mm256_and_si256(dp, m5);
  const __m256i dg = _mm256_and_si256(_mm256_srli_epi16(dp, 5), mg);
  __m256i dr = _mm256_srli_epi16(dp, kRedShift);
  __m256i sr = _mm256_srli_epi16(sp, kRedShift);
  if constexpr (D == 15) {
    dr = _mm256_and_si256(dr, m5);
    sr = _mm256_and_si256(sr, m5);
  }
  const __m256i b = _mm256_add_epi16(
      db, _mm256_srai_epi16(_mm256_mullo_epi16(_mm256_sub_epi16(_mm256_and_si256(sp, m5), db), k), 5));
  const __m256i g = _mm256_add_epi16(
      dg, _mm256_srai_epi16(
              _mm256_mullo_epi16(_mm256_sub_epi16(_mm256_and_si256(_mm256_srli_epi16(sp, 5), mg), dg), k), 5));
  const __m256i r = _mm256_add_epi16(dr, _mm256_srai_epi16(_mm256_mullo_epi16(_mm256_sub_epi16(sr, dr), k), 5));
  return _mm256_or_si256(_mm256_or_si256(b, _mm256_slli_epi16(g, 5)), _mm256_slli_epi16(r, kRedShift));
}

template <int D>
OSTREVAN_AVX2 int32_t AlphaRow16Avx2(const uint8_t* s, uint8_t* d, const uint8_t* alpha, int32_t n) {
  const __m128i c63 = _mm_set1_epi8(63);
  int32_t x = 0;
  for (; x + 16 <= n; x += 16) {
    const __m128i a8 = _mm_min_epu8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(alpha + x)), c63);
    if (_mm_movemask_epi8(_mm_cmpeq_epi8(a8, _mm_setzero_si128())) == 0xFFFF) continue;
    const __m256i sp = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(s + 2 * x));
    if (_mm_movemask_epi8(_mm_cmpeq_epi8(a8, c63)) == 0xFFFF) {
      _mm256_storeu_si256(reinterpret_cast<__m256i*>(d + 2 * x), sp);
      continue;
    }
    const __m256i dp = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(d + 2 * x));
    const __m256i a = _mm256_cvtepu8_epi16(a8);
    const __m256i fullMask = _mm256_cmpeq_epi16(a, _mm256_set1_epi16(63));
    const __m256i mixed = AlphaMix16Avx2<D>(sp, dp, _mm256_srli_epi16(a, 1));
    __m256i v = _mm256_blendv_epi8(mixed, sp, fullMask);
    // Alpha 0 gives k = 0, whose mix is the destination's three fields: the
    // whole 5-6-5 word, but a 5-5-5 word without its top bit.
    if constexpr (D == 15) v = _mm256_blendv_epi8(v, dp, _mm256_cmpeq_epi16(a, _mm256_setzero_si256()));
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(d + 2 * x), v);
  }
  return x;
}

#undef OSTREVAN_AVX2

#endif  // __SSE2__

static_assert(int32_t{kTransferSimdSse2} == int32_t{platform::kSimdSse2} &&
              int32_t{kTransferSimdAvx2} == int32_t{platform::kSimdAvx2});
int32_t DetectTransferSimdLevel() { return platform::BestSimdSupport(); }

std::atomic<int32_t> gSimdLevel{DetectTransferSimdLevel()};

// The level routines at 15, 16 and 32 bits, pixel source, no gate.
template <int D>
void FastLevel(const TransferRowArgs& a) {
  const int32_t level = a.attributes.GetLevel();
  if (a.width <= 0 || a.height <= 0 || !a.destination || !a.source || level <= 0 || level >= 63) return;
  constexpr int kBytes = D == 32 ? 4 : 2;
  constexpr int32_t kRange = D == 32 ? 255 : (D == 16 ? 63 : 31);
  LookupTableRef<VMultiplyTable> table(GetMultiplyTable(level * kOneOver63, 0.0, -255, 256));
  if (!table) return;
  if (table->GetFirst() > -kRange || table->GetEnd() <= kRange || !IsStandardLevelTable(table->Get(), level, kRange) ||
      PlanesOverlap(a, kBytes)) {
    Kernel<D, Gate::kNone, Mix::kLevel, false, false>(a);
    return;
  }
  const int32_t simd = gSimdLevel.load(std::memory_order_relaxed);
  const uint32_t l = static_cast<uint32_t>(level);
  const uint32_t lowShift = ColorShift32(a.pixelFormat);
  const uint8_t* s = a.source;
  uint8_t* d = a.destination;
  for (int32_t y = 0; y < a.height; ++y, s += a.sourceRowBytes, d += a.destinationRowBytes) {
    int32_t x = 0;
#if defined(__SSE2__)
    if constexpr (D == 32) {
      if (simd >= kTransferSimdAvx2) x = LevelRow32Avx2(s, d, a.width, l, lowShift);
      if (simd >= kTransferSimdSse2) x += LevelRow32Sse2(s + 4 * x, d + 4 * x, a.width - x, l, lowShift);
    } else {
      if (simd >= kTransferSimdAvx2) x = LevelRow16Avx2<D>(s, d, a.width, l);
      if (simd >= kTransferSimdSse2) x += LevelRow16Sse2<D>(s + 2 * x, d + 2 * x, a.width - x, l);
    }
#else
    (void)simd;
#endif
    if constexpr (D == 32) {
      LevelRow32Scalar(s + 4 * x, d + 4 * x, a.width - x, l, lowShift);
    } else {
      LevelRow16Scalar<D>(s + 2 * x, d + 2 * x, a.width - x, l);
    }
  }
}

// The 15- and 16-bit alpha-channel routines, pixel source, no gate.
template <int D>
void FastAlpha16(const TransferRowArgs& a) {
  if (a.width <= 0 || a.height <= 0 || !a.destination || !a.source || !a.alpha) return;
  if (PlanesOverlap(a, 2)) {
    Kernel<D, Gate::kNone, Mix::kAlpha, false, true>(a);
    return;
  }
  const int32_t simd = gSimdLevel.load(std::memory_order_relaxed);
  const uint8_t* s = a.source;
  uint8_t* d = a.destination;
  const uint8_t* al = a.alpha;
  for (int32_t y = 0; y < a.height; ++y, s += a.sourceRowBytes, d += a.destinationRowBytes, al += a.alphaRowBytes) {
    int32_t x = 0;
#if defined(__SSE2__)
    if (simd >= kTransferSimdAvx2) x = AlphaRow16Avx2<D>(s, d, al, a.width);
    if (simd >= kTransferSimdSse2) x += AlphaRow16Sse2<D>(s + 2 * x, d + 2 * x, al + x, a.width - x);
#else
    (void)simd;
#endif
    AlphaRow16Scalar<D>(s + 2 * x, d + 2 * x, al + x, a.width - x);
  }
}

// The 32-bit alpha-channel routine, pixel source, no gate.
void FastAlpha32(const TransferRowArgs& a) {
  if (a.width <= 0 || a.height <= 0 || !a.destination || !a.source || !a.alpha) return;
  if (PlanesOverlap(a, 4)) {
    Kernel<32, Gate::kNone, Mix::kAlpha, false, true>(a);
    return;
  }
  const int32_t simd = gSimdLevel.load(std::memory_order_relaxed);
  const uint32_t lowShift = ColorShift32(a.pixelFormat);
  const uint8_t* s = a.source;
  uint8_t* d = a.destination;
  const uint8_t* al = a.alpha;
  for (int32_t y = 0; y < a.height; ++y, s += a.sourceRowBytes, d += a.destinationRowBytes, al += a.alphaRowBytes) {
    int32_t x = 0;
#if defined(__SSE2__)
    if (simd >= kTransferSimdAvx2) x = AlphaRow32Avx2(s, d, al, a.width, lowShift);
    if (simd >= kTransferSimdSse2) x += AlphaRow32Sse2(s + 4 * x, d + 4 * x, al + x, a.width - x, lowShift);
#else
    (void)simd;
#endif
    AlphaRow32Scalar(s + 4 * x, d + 4 * x, al + x, a.width - x, lowShift);
  }
}

}  // namespace

void CopyPixelRows(const TransferRowArgs& a) {
  if (!a.source || !a.destination || a.width <= 0 || a.height <= 0 || a.bytesPerPixel <= 0) return;
  const size_t rowLength = static_cast<size_t>(a.width) * static_cast<size_t>(a.bytesPerPixel);
  const uint8_t* s = a.source;
  uint8_t* d = a.destination;
  if (s == d && a.sourceRowBytes == a.destinationRowBytes) return;
  // Rows of the same map that overlap in memory: walk them in the order that
  // reads every source row before it is overwritten.
  const intptr_t step = a.sourceRowBytes;
  const intptr_t gap = reinterpret_cast<intptr_t>(d) - reinterpret_cast<intptr_t>(s);
  const bool backwards = step == a.destinationRowBytes && step != 0 && ((gap > 0) == (step > 0)) &&
                         (gap < 0 ? -gap : gap) < static_cast<intptr_t>(a.height) * (step < 0 ? -step : step);
  if (backwards) {
    s += step * (a.height - 1);
    d += step * (a.height - 1);
    for (int32_t y = 0; y < a.height; ++y, s -= step, d -= step) std::memmove(d, s, rowLength);
    return;
  }
  for (int32_t y = 0; y < a.height; ++y, s += a.sourceRowBytes, d += a.destinationRowBytes) {
    std::memmove(d, s, rowLength);
  }
}

void TransferMode0Depth8Table(const TransferRowArgs& a) {
  if (!a.solidColor || !a.colorTable) return;
  const int32_t index = FindNearestColorIndex(*a.colorTable, *a.solidColor);
  if (index < 0) return;
  FillRows(a.destination, a.destinationRowBytes, a.width, a.height, static_cast<uint32_t>(index), 1);
}

void TransferMode0Depth8(const TransferRowArgs& a) {
  if (!a.solidColor) return;
  FillRows(a.destination, a.destinationRowBytes, a.width, a.height, a.solidColor->red, 1);
}

void TransferMode0Depth16(const TransferRowArgs& a) {
  if (!a.solidColor) return;
  FillRows(a.destination, a.destinationRowBytes, a.width, a.height,
           PackForDepth(*a.solidColor, a.depth == 15 ? 15 : 16, a.pixelFormat), 2);
}

void TransferMode0Depth24(const TransferRowArgs& a) {
  if (!a.solidColor) return;
  FillRows(a.destination, a.destinationRowBytes, a.width, a.height, PackForDepth(*a.solidColor, 24, a.pixelFormat), 3);
}

void TransferMode0Depth32(const TransferRowArgs& a) {
  if (!a.solidColor) return;
  FillRows(a.destination, a.destinationRowBytes, a.width, a.height, PackColor(*a.solidColor, a.pixelFormat), 4);
}

#define OSTREVAN_KERNEL(name, D, G, M, S, C) \
  void name(const TransferRowArgs& a) { Kernel<D, Gate::G, Mix::M, S, C>(a); }

OSTREVAN_KERNEL(TransferMode1Depth8, 8, kKey, kCopy, false, false)
OSTREVAN_KERNEL(TransferMode2Depth16, 16, kKey, kCopy, false, false)
OSTREVAN_KERNEL(TransferMode2Depth24, 24, kKey, kCopy, false, false)
OSTREVAN_KERNEL(TransferMode2Depth32, 32, kKey, kCopy, false, false)

OSTREVAN_KERNEL(TransferMode4Depth8, 8, kNone, kLevel, false, false)
OSTREVAN_KERNEL(TransferMode4Depth15Reference, 15, kNone, kLevel, false, false)
OSTREVAN_KERNEL(TransferMode4Depth16Reference, 16, kNone, kLevel, false, false)
OSTREVAN_KERNEL(TransferMode4Depth24, 24, kNone, kLevel, false, false)
OSTREVAN_KERNEL(TransferMode4Depth32Reference, 32, kNone, kLevel, false, false)
OSTREVAN_KERNEL(TransferMode4FlaggedDepth8, 8, kNone, kLevel, true, false)
OSTREVAN_KERNEL(TransferMode4FlaggedDepth15, 15, kNone, kLevel, true, false)
OSTREVAN_KERNEL(TransferMode4FlaggedDepth16, 16, kNone, kLevel, true, false)
OSTREVAN_KERNEL(TransferMode4FlaggedDepth24, 24, kNone, kLevel, true, false)
OSTREVAN_KERNEL(TransferMode4FlaggedDepth32, 32, kNone, kLevel, true, false)
OSTREVAN_KERNEL(TransferMode5Depth8, 8, kKey, kLevel, false, false)
OSTREVAN_KERNEL(TransferMode6Depth15, 15, kKey, kLevel, false, false)
OSTREVAN_KERNEL(TransferMode6Depth16, 16, kKey, kLevel, false, false)
OSTREVAN_KERNEL(TransferMode6Depth24, 24, kKey, kLevel, false, false)
OSTREVAN_KERNEL(TransferMode6Depth32, 32, kKey, kLevel, false, false)

OSTREVAN_KERNEL(TransferMode8Depth8, 8, kNone, kAlpha, false, true)
OSTREVAN_KERNEL(TransferMode8Depth15Reference, 15, kNone, kAlpha, false, true)
OSTREVAN_KERNEL(TransferMode8Depth16Reference, 16, kNone, kAlpha, false, true)
OSTREVAN_KERNEL(TransferMode8Depth24, 24, kNone, kAlpha, false, true)
OSTREVAN_KERNEL(TransferMode8Depth32Reference, 32, kNone, kAlpha, false, true)
OSTREVAN_KERNEL(TransferMode8FlaggedDepth8, 8, kNone, kAlpha, true, true)
OSTREVAN_KERNEL(TransferMode8FlaggedDepth15, 15, kNone, kAlpha, true, true)
OSTREVAN_KERNEL(TransferMode8FlaggedDepth16, 16, kNone, kAlpha, true, true)
OSTREVAN_KERNEL(TransferMode8FlaggedDepth24, 24, kNone, kAlpha, true, true)
OSTREVAN_KERNEL(TransferMode8FlaggedDepth32, 32, kNone, kAlpha, true, true)
OSTREVAN_KERNEL(TransferMode9Depth8, 8, kKey, kAlpha, false, false)
OSTREVAN_KERNEL(TransferMode10Depth15, 15, kKey, kAlpha, false, true)
OSTREVAN_KERNEL(TransferMode10Depth16, 16, kKey, kAlpha, false, true)
OSTREVAN_KERNEL(TransferMode10Depth24, 24, kKey, kAlpha, false, true)
OSTREVAN_KERNEL(TransferMode10Depth32, 32, kKey, kAlpha, false, true)

OSTREVAN_KERNEL(TransferMode12Depth8, 8, kNone, kScaledAlpha, false, false)
OSTREVAN_KERNEL(TransferMode12Depth15, 15, kNone, kScaledAlpha, false, true)
OSTREVAN_KERNEL(TransferMode12Depth16, 16, kNone, kScaledAlpha, false, true)
OSTREVAN_KERNEL(TransferMode12Depth24, 24, kNone, kScaledAlpha, false, true)
OSTREVAN_KERNEL(TransferMode12Depth32, 32, kNone, kScaledAlpha, false, true)
OSTREVAN_KERNEL(TransferMode12FlaggedDepth8, 8, kNone, kScaledAlpha, true, true)
OSTREVAN_KERNEL(TransferMode12FlaggedDepth15, 15, kNone, kScaledAlpha, true, true)
OSTREVAN_KERNEL(TransferMode12FlaggedDepth16, 16, kNone, kScaledAlpha, true, true)
OSTREVAN_KERNEL(TransferMode12FlaggedDepth24, 24, kNone, kScaledAlpha, true, true)
OSTREVAN_KERNEL(TransferMode12FlaggedDepth32, 32, kNone, kScaledAlpha, true, true)
OSTREVAN_KERNEL(TransferMode13Depth8, 8, kKey, kScaledAlpha, false, false)
OSTREVAN_KERNEL(TransferMode14Depth15, 15, kKey, kScaledAlpha, false, true)
OSTREVAN_KERNEL(TransferMode14Depth16, 16, kKey, kScaledAlpha, false, true)
OSTREVAN_KERNEL(TransferMode14Depth24, 24, kKey, kScaledAlpha, false, true)
OSTREVAN_KERNEL(TransferMode14Depth32, 32, kKey, kScaledAlpha, false, true)

OSTREVAN_KERNEL(TransferMode16Depth8, 8, kMask, kCopy, false, false)
OSTREVAN_KERNEL(TransferMode16Depth16, 16, kMask, kCopy, false, false)
OSTREVAN_KERNEL(TransferMode16Depth24, 24, kMask, kCopy, false, false)
OSTREVAN_KERNEL(TransferMode16Depth32, 32, kMask, kCopy, false, false)
OSTREVAN_KERNEL(TransferMode16FlaggedDepth8, 8, kMask, kCopy, true, false)
OSTREVAN_KERNEL(TransferMode16FlaggedDepth16, 16, kMask, kCopy, true, false)
OSTREVAN_KERNEL(TransferMode16FlaggedDepth24, 24, kMask, kCopy, true, false)
OSTREVAN_KERNEL(TransferMode16FlaggedDepth32, 32, kMask, kCopy, true, false)
OSTREVAN_KERNEL(TransferMode20Depth8, 8, kMask, kLevel, false, false)
OSTREVAN_KERNEL(TransferMode20Depth15, 15, kMask, kLevel, false, false)
OSTREVAN_KERNEL(TransferMode20Depth16, 16, kMask, kLevel, false, false)
OSTREVAN_KERNEL(TransferMode20Depth24, 24, kMask, kLevel, false, false)
OSTREVAN_KERNEL(TransferMode20Depth32, 32, kMask, kLevel, false, false)
OSTREVAN_KERNEL(TransferMode20FlaggedDepth8, 8, kMask, kLevel, true, false)
OSTREVAN_KERNEL(TransferMode20FlaggedDepth15, 15, kMask, kLevel, true, false)
OSTREVAN_KERNEL(TransferMode20FlaggedDepth16, 16, kMask, kLevel, true, false)
OSTREVAN_KERNEL(TransferMode20FlaggedDepth24, 24, kMask, kLevel, true, false)
OSTREVAN_KERNEL(TransferMode20FlaggedDepth32, 32, kMask, kLevel, true, false)

#undef OSTREVAN_KERNEL

void TransferMode4Depth15(const TransferRowArgs& a) { FastLevel<15>(a); }
void TransferMode4Depth16(const TransferRowArgs& a) { FastLevel<16>(a); }
void TransferMode4Depth32(const TransferRowArgs& a) { FastLevel<32>(a); }
void TransferMode8Depth15(const TransferRowArgs& a) { FastAlpha16<15>(a); }
void TransferMode8Depth16(const TransferRowArgs& a) { FastAlpha16<16>(a); }
void TransferMode8Depth32(const TransferRowArgs& a) { FastAlpha32(a); }

int32_t GetTransferSimdLevel() { return gSimdLevel.load(std::memory_order_relaxed); }

int32_t SetTransferSimdLevel(int32_t level) {
  const int32_t best = DetectTransferSimdLevel();
  const int32_t use = std::clamp(level, static_cast<int32_t>(kTransferSimdScalar), best);
  gSimdLevel.store(use, std::memory_order_relaxed);
  return use;
}
