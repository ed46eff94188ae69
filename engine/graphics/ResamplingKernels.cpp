// Resampling row routines. Every family is written once as a template over a
// pixel kind (8-bit bytes, 8-bit palette indexes, 15- and 16-bit words, 24-bit
// byte triples, 32-bit words) and a direction. Positions along the pass are
// 16.16 fixed point kept in 64 bits, so long rows cannot overflow them; source
// indexes are kept inside the row, so no routine reads past its rectangle.
#include "engine/graphics/ResamplingKernels.h"

#include <bit>
#include <cstddef>
#include <cstring>

#include "engine/graphics/ColorConstants.h"
#include "engine/graphics/PixelAccess.h"

namespace {

using namespace pixelaccess;

// a + (b - a) * w / 256 with an arithmetic shift (w = 0..255).
inline uint32_t LerpByte(uint32_t a, uint32_t b, int32_t w) {
  const int32_t ia = static_cast<int32_t>(a);
  return static_cast<uint32_t>(ia + (((static_cast<int32_t>(b) - ia) * w) >> 8));
}
// Rounded-up mean of each byte of two words.
inline uint32_t AverageBytes4(uint32_t a, uint32_t b) {
  return ((a | b) & 0x01010101u) + ((a >> 1) & 0x7F7F7F7Fu) + ((b >> 1) & 0x7F7F7F7Fu);
}
inline uint8_t AverageByte(uint32_t a, uint32_t b) {
  return static_cast<uint8_t>(((a | b) & 1u) + (a >> 1) + (b >> 1));
}
// Rounded-up byte means of two runs of n bytes, four bytes at a time.
void AverageByteRun(uint8_t* d, const uint8_t* a, const uint8_t* b, size_t n) {
  size_t k = 0;
  for (; k + 4 <= n; k += 4) Store32(d + k, AverageBytes4(Load32(a + k), Load32(b + k)));
  for (; k < n; ++k) d[k] = AverageByte(a[k], b[k]);
}

// Fractions of a 16.16 position.
inline int32_t ByteWeight(int64_t pos) { return static_cast<int32_t>((pos >> 8) & 255); }
inline int32_t FiveBitWeight(int64_t pos) { return static_cast<int32_t>((pos >> 11) & 31); }

// ---- pixel kinds ----------------------------------------------------------
// Each kind offers: Ready (the data it needs is present), Copy, Lerp (linear
// mix at a 16.16 position's fraction), Average (rounded-up mean), the sum
// triple Start/Add/Store of the area average, and CopyRun/AverageRun over n
// contiguous pixels for the row-wise vertical doubling.

// 8-bit values averaged as bytes: grey maps, and palette indexes copied as they are.
struct Bytes8 {
  static constexpr int32_t kBytes = 1;
  Bytes8(uint16_t, const ColorTableData*) {}
  bool Ready() const { return true; }
  void Copy(uint8_t* d, const uint8_t* s) const { *d = *s; }
  void Lerp(uint8_t* d, const uint8_t* a, const uint8_t* b, int64_t pos) const {
    *d = static_cast<uint8_t>(LerpByte(*a, *b, ByteWeight(pos)));
  }
  void Average(uint8_t* d, const uint8_t* a, const uint8_t* b) const { *d = AverageByte(*a, *b); }
  struct Sum {
    uint32_t v;
  };
  Sum Start(uint32_t bias, bool) const { return {bias}; }
  void Add(Sum& sum, const uint8_t* s) const { sum.v += *s; }
  void Store(uint8_t* d, const Sum& sum, int32_t shift) const { *d = static_cast<uint8_t>(sum.v >> shift); }
  void CopyRun(uint8_t* d, const uint8_t* s, int32_t n) const { std::memcpy(d, s, static_cast<size_t>(n)); }
  void AverageRun(uint8_t* d, const uint8_t* a, const uint8_t* b, int32_t n) const {
    AverageByteRun(d, a, b, static_cast<size_t>(n));
  }
};

// 8-bit palette indexes mixed through their colours: the result is the
// nearest-index table's entry for the mixed colour.
struct Palette8 {
  static constexpr int32_t kBytes = 1;
  const VRGBColor* colors = nullptr;
  const uint8_t* nearest = nullptr;
  Palette8(uint16_t, const ColorTableData* table) {
    if (table) {
      colors = table->colors;
      nearest = table->nearestIndex;
    }
  }
  bool Ready() const { return colors && nearest; }
  void Copy(uint8_t* d, const uint8_t* s) const { *d = *s; }
  void Lerp(uint8_t* d, const uint8_t* a, const uint8_t* b, int64_t pos) const {
    const VRGBColor& ca = colors[*a];
    const VRGBColor& cb = colors[*b];
    const int32_t w = ByteWeight(pos);
    *d = nearest[NearestIndexKey(LerpByte(ca.red, cb.red, w), LerpByte(ca.green, cb.green, w),
                                 LerpByte(ca.blue, cb.blue, w))];
  }
  struct Sum {
    uint32_t r, g, b;
  };
  Sum Start(uint32_t bias, bool) const { return {bias, bias, bias}; }
  void Add(Sum& sum, const uint8_t* s) const {
    const VRGBColor& c = colors[*s];
    sum.r += c.red;
    sum.g += c.green;
    sum.b += c.blue;
  }
  void Store(uint8_t* d, const Sum& sum, int32_t shift) const {
    const uint32_t r = sum.r >> shift, g = sum.g >> shift, b = sum.b >> shift;
    *d = nearest[((r & 0xF8u) << 8) | ((g & 0xFCu) << 3) | (b >> 3)];
  }
  void CopyRun(uint8_t* d, const uint8_t* s, int32_t n) const { std::memcpy(d, s, static_cast<size_t>(n)); }
};

// 15-bit 5-5-5 and 16-bit 5-6-5 words.
template <bool kSixBitGreen>
struct Words16 {
  static constexpr int32_t kBytes = 2;
  static constexpr uint32_t kRed = kSixBitGreen ? 0xF800u : 0x7C00u;
  static constexpr uint32_t kGreen = kSixBitGreen ? 0x7E0u : 0x3E0u;
  static constexpr uint32_t kBlue = 0x1Fu;
  static constexpr int32_t kRedShift = kSixBitGreen ? 11 : 10;
  static constexpr uint32_t kLow = kSixBitGreen ? 0x821u : 0x421u;
  static constexpr uint32_t kRest = kSixBitGreen ? 0x7BEFu : 0x3DEFu;
  // Linear mix: green moved up by 16 so that every field has five bits of
  // headroom for the weight; 16 in each field rounds; the top bits fold back.
  static constexpr uint32_t kRedBlue = kRed | kBlue;
  static constexpr uint32_t kRound = kSixBitGreen ? 0x2008010u : 0x2004010u;
  static constexpr uint32_t kFoldRedBlue = kSixBitGreen ? 0x001F03E0u : 0x000F83E0u;
  static constexpr uint32_t kFoldGreen = kSixBitGreen ? 0xFC000000u : 0x7C000000u;

  Words16(uint16_t, const ColorTableData*) {}
  bool Ready() const { return true; }
  void Copy(uint8_t* d, const uint8_t* s) const { std::memcpy(d, s, 2); }
  static uint32_t Spread(uint32_t p) { return ((p & kGreen) << 16) | (p & kRedBlue); }
  void Lerp(uint8_t* d, const uint8_t* a, const uint8_t* b, int64_t pos) const {
    const uint32_t f = static_cast<uint32_t>(FiveBitWeight(pos));
    const uint32_t sum = Spread(Load16(a)) * (32 - f) + Spread(Load16(b)) * f + kRound;
    Store16(d, ((sum & kFoldRedBlue) >> 5) | ((sum & kFoldGreen) >> 21));
  }
  static uint32_t Mean(uint32_t a, uint32_t b) { return ((a | b) & kLow) + ((a >> 1) & kRest) + ((b >> 1) & kRest); }
  void Average(uint8_t* d, const uint8_t* a, const uint8_t* b) const { Store16(d, Mean(Load16(a), Load16(b))); }
  struct Sum {
    uint32_t r, g, b;
  };
  // The horizontal members round every field (the bias sits at each field's
  // lowest bit); the vertical members start all three sums at the plain bias,
  // which rounds blue and truncates red and green.
  Sum Start(uint32_t bias, bool vertical) const {
    if (vertical) return {bias, bias, bias};
    return {bias << kRedShift, bias << 5, bias};
  }
  void Add(Sum& sum, const uint8_t* s) const {
    const uint32_t p = Load16(s);
    sum.r += p & kRed;
    sum.g += p & kGreen;
    sum.b += p & kBlue;
  }
  void Store(uint8_t* d, const Sum& sum, int32_t shift) const {
    Store16(d, ((sum.r >> shift) & kRed) | ((sum.g >> shift) & kGreen) | ((sum.b >> shift) & kBlue));
  }
  void CopyRun(uint8_t* d, const uint8_t* s, int32_t n) const { std::memcpy(d, s, static_cast<size_t>(n) * 2); }
  // Four pixels per 64-bit word.
  void AverageRun(uint8_t* d, const uint8_t* a, const uint8_t* b, int32_t n) const {
    constexpr uint64_t low = kLow * 0x0001000100010001ull, rest = kRest * 0x0001000100010001ull;
    int32_t k = 0;
    for (; k + 4 <= n; k += 4) {
      uint64_t x, y;
      std::memcpy(&x, a + 2 * k, 8);
      std::memcpy(&y, b + 2 * k, 8);
      const uint64_t v = ((x | y) & low) + ((x >> 1) & rest) + ((y >> 1) & rest);
      std::memcpy(d + 2 * k, &v, 8);
    }
    for (; k < n; ++k) Average(d + 2 * k, a + 2 * k, b + 2 * k);
  }
  // A pixel followed by its mean with the next, stored as one 32-bit word.
  void CopyAndAverage(uint8_t* d, const uint8_t* a, const uint8_t* b) const {
    const uint32_t x = Load16(a), m = Mean(x, Load16(b));
    if constexpr (std::endian::native == std::endian::little) {
      Store32(d, x | (m << 16));
    } else {
      Store16(d, x);
      Store16(d + 2, m);
    }
  }
};
using Words15 = Words16<false>;
using Words565 = Words16<true>;

// 24-bit pixels: three bytes, each mixed on its own.
struct Bytes24 {
  static constexpr int32_t kBytes = 3;
  Bytes24(uint16_t, const ColorTableData*) {}
  bool Ready() const { return true; }
  void Copy(uint8_t* d, const uint8_t* s) const {
    d[0] = s[0];
    d[1] = s[1];
    d[2] = s[2];
  }
  void Lerp(uint8_t* d, const uint8_t* a, const uint8_t* b, int64_t pos) const {
    const int32_t w = ByteWeight(pos);
    for (int k = 0; k < 3; ++k) d[k] = static_cast<uint8_t>(LerpByte(a[k], b[k], w));
  }
  void Average(uint8_t* d, const uint8_t* a, const uint8_t* b) const {
    for (int k = 0; k < 3; ++k) d[k] = AverageByte(a[k], b[k]);
  }
  struct Sum {
    uint32_t c[3];
  };
  Sum Start(uint32_t bias, bool) const { return {{bias, bias, bias}}; }
  void Add(Sum& sum, const uint8_t* s) const {
    for (int k = 0; k < 3; ++k) sum.c[k] += s[k];
  }
  void Store(uint8_t* d, const Sum& sum, int32_t shift) const {
    for (int k = 0; k < 3; ++k) d[k] = static_cast<uint8_t>(sum.c[k] >> shift);
  }
  void CopyRun(uint8_t* d, const uint8_t* s, int32_t n) const { std::memcpy(d, s, static_cast<size_t>(n) * 3); }
  void AverageRun(uint8_t* d, const uint8_t* a, const uint8_t* b, int32_t n) const {
    AverageByteRun(d, a, b, static_cast<size_t>(n) * 3);
  }
};

// 32-bit pixels: every result is stored through the layout's colour mask, so
// the fourth byte of the target keeps its value.
struct Words32 {
  static constexpr int32_t kBytes = 4;
  uint32_t mask;
  Words32(uint16_t format, const ColorTableData*) : mask(GetPixelShifts32(format).colorMask) {}
  bool Ready() const { return true; }
  void Put(uint8_t* d, uint32_t v) const { Store32(d, (Load32(d) & ~mask) | (v & mask)); }
  void Copy(uint8_t* d, const uint8_t* s) const { Put(d, Load32(s)); }
  void Lerp(uint8_t* d, const uint8_t* a, const uint8_t* b, int64_t pos) const {
    const int32_t w = ByteWeight(pos);
    uint32_t v = 0;
    for (int k = 0; k < 4; ++k) v |= (LerpByte(a[k], b[k], w) & 0xFFu) << (8 * k);
    Put(d, v);
  }
  void Average(uint8_t* d, const uint8_t* a, const uint8_t* b) const { Put(d, AverageBytes4(Load32(a), Load32(b))); }
  struct Sum {
    uint32_t c[4];
  };
  Sum Start(uint32_t bias, bool) const { return {{bias, bias, bias, bias}}; }
  void Add(Sum& sum, const uint8_t* s) const {
    for (int k = 0; k < 4; ++k) sum.c[k] += s[k];
  }
  void Store(uint8_t* d, const Sum& sum, int32_t shift) const {
    uint32_t v = 0;
    for (int k = 0; k < 4; ++k) v |= ((sum.c[k] >> shift) & 0xFFu) << (8 * k);
    Put(d, v);
  }
  void CopyRun(uint8_t* d, const uint8_t* s, int32_t n) const {
    for (int32_t k = 0; k < n; ++k) Copy(d + 4 * k, s + 4 * k);
  }
  void AverageRun(uint8_t* d, const uint8_t* a, const uint8_t* b, int32_t n) const {
    for (int32_t k = 0; k < n; ++k) Average(d + 4 * k, a + 4 * k, b + 4 * k);
  }
};

// ---- geometry -------------------------------------------------------------
// The rectangle as seen by one pass: `along` is the byte distance between
// neighbouring pixels of the pass (a pixel for a horizontal pass, a row for a
// vertical one), `across` the distance between neighbouring lines.
struct Geometry {
  const uint8_t* src;
  ptrdiff_t srcAlong, srcAcross;
  int32_t L;
  uint8_t* dst;
  ptrdiff_t dstAlong, dstAcross;
  int32_t M;
  int32_t N;
  const uint8_t* Src(int32_t line, int32_t i) const { return src + line * srcAcross + i * srcAlong; }
  uint8_t* Dst(int32_t line, int32_t t) const { return dst + line * dstAcross + t * dstAlong; }
};

bool MakeGeometry(Geometry& g, bool vertical, int32_t bytes, const uint8_t* source, int32_t sourceStep,
                  int32_t sourceLength, uint8_t* target, int32_t targetStep, int32_t targetLength,
                  int32_t lineCount) {
  if (!source || !target || sourceLength <= 0 || targetLength <= 0 || lineCount <= 0) return false;
  g.src = source;
  g.dst = target;
  g.L = sourceLength;
  g.M = targetLength;
  g.N = lineCount;
  g.srcAlong = vertical ? sourceStep : bytes;
  g.srcAcross = vertical ? bytes : sourceStep;
  g.dstAlong = vertical ? targetStep : bytes;
  g.dstAcross = vertical ? bytes : targetStep;
  return true;
}

inline double Ratio(const Geometry& g) { return static_cast<double>(g.L) / static_cast<double>(g.M); }
inline int64_t Step(double r) { return static_cast<int64_t>(r * 65536.0 + 0.5); }
// (r / 2 - 1/2) in 16.16, truncated toward zero: the centre of target pixel 0
// in source coordinates, negative when enlarging.
inline int64_t CentredStart(double r) { return static_cast<int64_t>((r * 0.5 - 0.5) * 65536.0 + 0.5); }

// Runs op(t, i...) for every target pixel of every line: a horizontal pass
// walks each line on its own; a vertical pass walks once and applies each
// step to all lines of the target row, which keeps the memory access row-wise.
template <bool kVertical, class P, class Walk>
void ForLines(const P& p, const Geometry& g, Walk walk) {
  if constexpr (kVertical) {
    walk([&](int32_t t, int32_t i) { p.CopyRun(g.Dst(0, t), g.Src(0, i), g.N); },
         [&](int32_t t, int32_t i, int64_t pos) {
           const uint8_t* a = g.Src(0, i);
           const uint8_t* b = g.Src(0, i + 1);
           uint8_t* d = g.Dst(0, t);
           for (int32_t k = 0; k < g.N; ++k) p.Lerp(d + k * P::kBytes, a + k * P::kBytes, b + k * P::kBytes, pos);
         });
  } else {
    for (int32_t line = 0; line < g.N; ++line) {
      const uint8_t* s = g.Src(line, 0);
      uint8_t* d = g.Dst(line, 0);
      walk([&](int32_t t, int32_t i) { p.Copy(d + t * P::kBytes, s + i * P::kBytes); },
           [&](int32_t t, int32_t i, int64_t pos) {
             p.Lerp(d + t * P::kBytes, s + i * P::kBytes, s + (i + 1) * P::kBytes, pos);
           });
    }
  }
}

// ---- mode 1: point sampling ------------------------------------------------

// Shrinking or 1:1: the position starts half a step in; each target pixel
// takes the current source pixel, which then moves by the change of the
// position's whole part.
template <bool kVertical, class P>
void PointDown(const P& p, const Geometry& g) {
  const int64_t step = Step(Ratio(g));
  ForLines<kVertical>(p, g, [&](auto copy, auto) {
    int64_t pos = static_cast<int64_t>(static_cast<double>(step) * 0.5);
    int32_t i = 0;
    for (int32_t t = 0; t < g.M; ++t) {
      copy(t, i);
      const int64_t next = pos + step;
      i += static_cast<int32_t>((next >> 16) - (pos >> 16));
      if (i > g.L - 1) i = g.L - 1;
      pos = next;
    }
  });
}

// Enlarging: the source moves one pixel when the position's whole part grows,
// only while the position lies inside the row (the last pixel repeats). The
// position starts at r / 2, or centred as in linear mode (kCentred).
template <bool kVertical, bool kCentred, class P>
void PointUp(const P& p, const Geometry& g) {
  const double r = Ratio(g);
  const int64_t step = Step(r);
  const int64_t limit = (static_cast<int64_t>(g.L) << 16) - 65536;
  const int64_t start = kCentred ? CentredStart(r) : static_cast<int64_t>(r * 0.5 * 65536.0 + 0.5);
  ForLines<kVertical>(p, g, [&](auto copy, auto) {
    int64_t pos = start;
    int32_t i = 0;
    for (int32_t t = 0; t < g.M; ++t) {
      copy(t, i);
      const int64_t next = pos + step;
      if (pos >= 0 && pos < limit && (next >> 16) > (pos >> 16) && i < g.L - 1) ++i;
      pos = next;
    }
  });
}

// ---- mode 2: area average --------------------------------------------------

// Each target pixel sums T = 2^s samples at sub-steps of r / T source pixels,
// starting from a rounding bias, and takes the sum >> s.
template <bool kVertical, class P>
void AreaAverage(const P& p, const Geometry& g) {
  const double r = Ratio(g);
  const int64_t n = static_cast<int64_t>(r + 1.0);
  int64_t taps = 1;
  int32_t shift = 0;
  while (taps < n) {
    taps <<= 1;
    ++shift;
  }
  if (shift > 16) return;  // sub-steps below one 65536th of a pixel
  const uint32_t bias = shift ? (1u << (shift - 1)) : 0u;
  const int64_t substep = static_cast<int64_t>(static_cast<double>(65536 >> shift) * r + 0.5);
  for (int32_t line = 0; line < g.N; ++line) {
    const uint8_t* s = g.Src(line, 0);
    uint8_t* d = g.Dst(line, 0);
    int64_t pos = static_cast<int64_t>(static_cast<double>(substep) * 0.5);
    int32_t i = 0;
    for (int32_t t = 0; t < g.M; ++t) {
      auto sum = p.Start(bias, kVertical);
      for (int64_t k = 0; k < taps; ++k) {
        p.Add(sum, s + i * g.srcAlong);
        const int64_t next = pos + substep;
        if ((next >> 16) != (pos >> 16) && i < g.L - 1) ++i;
        pos = next;
      }
      p.Store(d + t * g.dstAlong, sum, shift);
    }
  }
}

// ---- mode 3: linear interpolation ------------------------------------------

// Inside the row the current pixel and the next are mixed by the position's
// fraction; before the first and after the last pixel centre the end pixel is
// copied.
template <bool kVertical, class P>
void Linear(const P& p, const Geometry& g) {
  const double r = Ratio(g);
  const int64_t step = Step(r);
  const int64_t limit = (static_cast<int64_t>(g.L) << 16) - 65536;
  const int64_t start = CentredStart(r);
  ForLines<kVertical>(p, g, [&](auto copy, auto lerp) {
    int64_t pos = start;
    int32_t i = 0;
    for (int32_t t = 0; t < g.M; ++t) {
      const int64_t next = pos + step;
      if (pos >= 0 && pos < limit && i < g.L - 1) {
        lerp(t, i, pos);
        if ((next >> 16) > (pos >> 16)) {
          i += static_cast<int32_t>((next >> 16) - (pos >> 16));
          if (i > g.L - 1) i = g.L - 1;
        }
      } else {
        copy(t, i);
      }
      pos = next;
    }
  });
}

// ---- modes 9 and 10: doubling ----------------------------------------------

inline int32_t DoubledCount(const Geometry& g) { return g.L < (g.M >> 1) ? g.L : (g.M >> 1); }

// The walk shared by the horizontal doublings: on every line, `pair(t, s, i)`
// writes target pixels 2i and 2i + 1 (t points at 2i) from source line s for
// each of the first n source pixels; target pixels beyond 2n repeat the last
// source pixel used.
template <class P, class Pair>
void DoubleEachLine(const P& p, const Geometry& g, Pair pair) {
  const int32_t n = DoubledCount(g);
  const int32_t last = n > 0 ? n - 1 : 0;
  for (int32_t line = 0; line < g.N; ++line) {
    const uint8_t* s = g.Src(line, 0);
    uint8_t* d = g.Dst(line, 0);
    for (int32_t i = 0; i < n; ++i) pair(d + (2 * i) * P::kBytes, s, i);
    for (int32_t t = 2 * n; t < g.M; ++t) p.Copy(d + t * P::kBytes, s + last * P::kBytes);
  }
}

// Each of the first n source pixels twice.
template <class P>
void DoubleHorz(const P& p, const Geometry& g) {
  DoubleEachLine(p, g, [&p](uint8_t* t, const uint8_t* s, int32_t i) {
    p.Copy(t, s + i * P::kBytes);
    p.Copy(t + P::kBytes, s + i * P::kBytes);
  });
}

// The same by whole rows: each of the first n source rows twice; rows beyond
// 2n repeat the last source row used.
template <class P>
void DoubleVert(const P& p, const Geometry& g) {
  const int32_t n = DoubledCount(g);
  const int32_t last = n > 0 ? n - 1 : 0;
  for (int32_t i = 0; i < n; ++i) {
    p.CopyRun(g.Dst(0, 2 * i), g.Src(0, i), g.N);
    p.CopyRun(g.Dst(0, 2 * i + 1), g.Src(0, i), g.N);
  }
  for (int32_t t = 2 * n; t < g.M; ++t) p.CopyRun(g.Dst(0, t), g.Src(0, last), g.N);
}

// Horizontal doubling with means: target 2i is source i - 1 and target 2i + 1
// the mean of sources i - 1 and i (source -1 standing for source 0).
template <class P>
void DoubleAverageHorz(const P& p, const Geometry& g) {
  DoubleEachLine(p, g, [&p](uint8_t* t, const uint8_t* s, int32_t i) {
    const uint8_t* a = s + (i > 0 ? i - 1 : 0) * P::kBytes;
    const uint8_t* b = s + i * P::kBytes;
    if constexpr (requires { p.CopyAndAverage(t, a, b); }) {
      p.CopyAndAverage(t, a, b);
    } else {
      p.Copy(t, a);
      p.Average(t + P::kBytes, a, b);
    }
  });
}

// Vertical doubling with means: rows 0 and 1 are source row 0; row 2k the
// mean of source rows k - 1 and k, row 2k + 1 source row k; rows beyond 2n
// repeat source row n - 1.
template <class P>
void DoubleAverageVert(const P& p, const Geometry& g) {
  const int32_t n = DoubledCount(g);
  const int32_t last = n > 0 ? n - 1 : 0;
  if (n > 0) {
    p.CopyRun(g.Dst(0, 0), g.Src(0, 0), g.N);
    p.CopyRun(g.Dst(0, 1), g.Src(0, 0), g.N);
  }
  for (int32_t k = 1; k < n; ++k) {
    p.AverageRun(g.Dst(0, 2 * k), g.Src(0, k - 1), g.Src(0, k), g.N);
    p.CopyRun(g.Dst(0, 2 * k + 1), g.Src(0, k), g.N);
  }
  for (int32_t t = 2 * n; t < g.M; ++t) p.CopyRun(g.Dst(0, t), g.Src(0, last), g.N);
}

}  // namespace

// Each routine: build the pixel kind from the format and palette, give up when
// it lacks what it needs or the rectangle is empty, then run its family.
#define DEFINE_SCALE_ROUTINE(name, Kind, vertical, kernel)                                                      \
  void name(const uint8_t* source, int32_t sourceStep, int32_t sourceLength, uint8_t* target, int32_t targetStep, \
            int32_t targetLength, int32_t lineCount, uint16_t pixelFormat, const ColorTableData* colorTable) {    \
    const Kind p(pixelFormat, colorTable);                                                                       \
    if (!p.Ready()) return;                                                                                      \
    Geometry g;                                                                                                  \
    if (!MakeGeometry(g, vertical, Kind::kBytes, source, sourceStep, sourceLength, target, targetStep,          \
                      targetLength, lineCount))                                                                  \
      return;                                                                                                    \
    kernel(p, g);                                                                                                \
  }

DEFINE_SCALE_ROUTINE(ScaleHorzMode1DownDepth8, Bytes8, false, (PointDown<false>))
DEFINE_SCALE_ROUTINE(ScaleHorzMode1DownDepth16, Words565, false, (PointDown<false>))
DEFINE_SCALE_ROUTINE(ScaleHorzMode1DownDepth24, Bytes24, false, (PointDown<false>))
DEFINE_SCALE_ROUTINE(ScaleHorzMode1DownDepth32, Words32, false, (PointDown<false>))
DEFINE_SCALE_ROUTINE(ScaleVertMode1DownDepth8, Bytes8, true, (PointDown<true>))
DEFINE_SCALE_ROUTINE(ScaleVertMode1DownDepth16, Words565, true, (PointDown<true>))
DEFINE_SCALE_ROUTINE(ScaleVertMode1DownDepth24, Bytes24, true, (PointDown<true>))
DEFINE_SCALE_ROUTINE(ScaleVertMode1DownDepth32, Words32, true, (PointDown<true>))

// The 8-bit enlarging members only copy indexes, so they run with or without
// a colour table.
DEFINE_SCALE_ROUTINE(ScaleHorzMode1UpDepth8, Bytes8, false, (PointUp<false, false>))
DEFINE_SCALE_ROUTINE(ScaleHorzMode1UpDepth16, Words565, false, (PointUp<false, false>))
DEFINE_SCALE_ROUTINE(ScaleHorzMode1UpDepth24, Bytes24, false, (PointUp<false, false>))
DEFINE_SCALE_ROUTINE(ScaleHorzMode1UpDepth32, Words32, false, (PointUp<false, true>))
DEFINE_SCALE_ROUTINE(ScaleVertMode1UpDepth8, Bytes8, true, (PointUp<true, false>))
DEFINE_SCALE_ROUTINE(ScaleVertMode1UpDepth16, Words565, true, (PointUp<true, false>))
DEFINE_SCALE_ROUTINE(ScaleVertMode1UpDepth24, Bytes24, true, (PointUp<true, false>))
DEFINE_SCALE_ROUTINE(ScaleVertMode1UpDepth32, Words32, true, (PointUp<true, false>))

DEFINE_SCALE_ROUTINE(ScaleHorzMode2Depth8Table, Palette8, false, (AreaAverage<false>))
DEFINE_SCALE_ROUTINE(ScaleHorzMode2Depth8, Bytes8, false, (AreaAverage<false>))
DEFINE_SCALE_ROUTINE(ScaleHorzMode2Depth15, Words15, false, (AreaAverage<false>))
DEFINE_SCALE_ROUTINE(ScaleHorzMode2Depth16, Words565, false, (AreaAverage<false>))
DEFINE_SCALE_ROUTINE(ScaleHorzMode2Depth24, Bytes24, false, (AreaAverage<false>))
DEFINE_SCALE_ROUTINE(ScaleHorzMode2Depth32, Words32, false, (AreaAverage<false>))
DEFINE_SCALE_ROUTINE(ScaleVertMode2Depth8Table, Palette8, true, (AreaAverage<true>))
DEFINE_SCALE_ROUTINE(ScaleVertMode2Depth8, Bytes8, true, (AreaAverage<true>))
DEFINE_SCALE_ROUTINE(ScaleVertMode2Depth15, Words15, true, (AreaAverage<true>))
DEFINE_SCALE_ROUTINE(ScaleVertMode2Depth16, Words565, true, (AreaAverage<true>))
DEFINE_SCALE_ROUTINE(ScaleVertMode2Depth24, Bytes24, true, (AreaAverage<true>))
DEFINE_SCALE_ROUTINE(ScaleVertMode2Depth32, Words32, true, (AreaAverage<true>))

DEFINE_SCALE_ROUTINE(ScaleHorzMode3Depth8Table, Palette8, false, (Linear<false>))
DEFINE_SCALE_ROUTINE(ScaleHorzMode3Depth8, Bytes8, false, (Linear<false>))
DEFINE_SCALE_ROUTINE(ScaleHorzMode3Depth15, Words15, false, (Linear<false>))
DEFINE_SCALE_ROUTINE(ScaleHorzMode3Depth16, Words565, false, (Linear<false>))
DEFINE_SCALE_ROUTINE(ScaleHorzMode3Depth24, Bytes24, false, (Linear<false>))
DEFINE_SCALE_ROUTINE(ScaleHorzMode3Depth32, Words32, false, (Linear<false>))
DEFINE_SCALE_ROUTINE(ScaleVertMode3Depth8Table, Palette8, true, (Linear<true>))
DEFINE_SCALE_ROUTINE(ScaleVertMode3Depth8, Bytes8, true, (Linear<true>))
DEFINE_SCALE_ROUTINE(ScaleVertMode3Depth15, Words15, true, (Linear<true>))
DEFINE_SCALE_ROUTINE(ScaleVertMode3Depth16, Words565, true, (Linear<true>))
DEFINE_SCALE_ROUTINE(ScaleVertMode3Depth24, Bytes24, true, (Linear<true>))
DEFINE_SCALE_ROUTINE(ScaleVertMode3Depth32, Words32, true, (Linear<true>))

DEFINE_SCALE_ROUTINE(ScaleHorzMode9Depth8, Bytes8, false, DoubleHorz)
DEFINE_SCALE_ROUTINE(ScaleHorzMode9Depth16, Words565, false, DoubleHorz)
DEFINE_SCALE_ROUTINE(ScaleHorzMode9Depth24, Bytes24, false, DoubleHorz)
DEFINE_SCALE_ROUTINE(ScaleHorzMode9Depth32, Words32, false, DoubleHorz)
DEFINE_SCALE_ROUTINE(ScaleVertMode9Depth8, Bytes8, true, DoubleVert)
DEFINE_SCALE_ROUTINE(ScaleVertMode9Depth16, Words565, true, DoubleVert)
DEFINE_SCALE_ROUTINE(ScaleVertMode9Depth24, Bytes24, true, DoubleVert)
DEFINE_SCALE_ROUTINE(ScaleVertMode9Depth32, Words32, true, DoubleVert)

DEFINE_SCALE_ROUTINE(ScaleHorzMode10Depth8, Bytes8, false, DoubleAverageHorz)
DEFINE_SCALE_ROUTINE(ScaleHorzMode10Depth15, Words15, false, DoubleAverageHorz)
DEFINE_SCALE_ROUTINE(ScaleHorzMode10Depth16, Words565, false, DoubleAverageHorz)
DEFINE_SCALE_ROUTINE(ScaleHorzMode10Depth24, Bytes24, false, DoubleAverageHorz)
DEFINE_SCALE_ROUTINE(ScaleHorzMode10Depth32, Words32, false, DoubleAverageHorz)
DEFINE_SCALE_ROUTINE(ScaleVertMode10Depth8, Bytes8, true, DoubleAverageVert)
DEFINE_SCALE_ROUTINE(ScaleVertMode10Depth15, Words15, true, DoubleAverageVert)
DEFINE_SCALE_ROUTINE(ScaleVertMode10Depth16, Words565, true, DoubleAverageVert)
DEFINE_SCALE_ROUTINE(ScaleVertMode10Depth24, Bytes24, true, DoubleAverageVert)
DEFINE_SCALE_ROUTINE(ScaleVertMode10Depth32, Words32, true, DoubleAverageVert)

#undef DEFINE_SCALE_ROUTINE
