// Synthesis: fast DCT (butterflies with constants 1 / (2 cos(k pi / 64))),
// vector rings and the windowed sums of ISO/IEC 11172-3 with its window D.
#include "engine/mpeg/VIDCTFilterBank.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstring>

#include "engine/mpeg/VLayerIIFrame.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace {

// Fraction bits of the DCT constants, and the extra fraction bits the DCT's
// values carry between its stages.
constexpr int kDCTFractionBits = 12;
constexpr int kDCTGuardBits = 4;

// The synthesis window D[0..256] of ISO/IEC 11172-3 (Table B.3) in units
// of 2^-16 (every coefficient of the table is a whole multiple of that).
// The rest follows from the window's symmetry: D[512 - i] = -D[i], except
// at the multiples of 64 where D[512 - i] = D[i].
constexpr int32_t kHalfWindow[257] = {
    0, -1, -1, -1, -1, -1, -1, -2, -2, -2, -2, -3, -3, -4, -4, -5,
    -5, -6, -7, -7, -8, -9, -10, -11, -13, -14, -16, -17, -19, -21, -24, -26,
    -29, -31, -35, -38, -41, -45, -49, -53, -58, -63, -68, -73, -79, -85, -91, -97,
    -104, -111, -117, -125, -132, -139, -147, -154, -161, -169, -176, -183, -190, -196, -202, -208,
    213, 218, 222, 225, 227, 228, 228, 227, 224, 221, 215, 208, 200, 189, 177, 163,
    146, 127, 106, 83, 57, 29, -2, -36, -72, -111, -153, -197, -244, -294, -347, -401,
    -459, -519, -581, -645, -711, -779, -848, -919, -991, -1064, -1137, -1210, -1283, -1356, -1428, -1498,
    -1567, -1634, -1698, -1759, -1817, -1870, -1919, -1962, -2001, -2032, -2057, -2075, -2085, -2087, -2080, -2063,
    2037, 2000, 1952, 1893, 1822, 1739, 1644, 1535, 1414, 1280, 1131, 970, 794, 605, 402, 185,
    -45, -288, -545, -814, -1095, -1388, -1692, -2006, -2330, -2663, -3004, -3351, -3705, -4063, -4425, -4788,
    -5153, -5517, -5879, -6237, -6589, -6935, -7271, -7597, -7910, -8209, -8491, -8755, -8998, -9219, -9416, -9585,
    -9727, -9838, -9916, -9959, -9966, -9935, -9863, -9750, -9592, -9389, -9139, -8840, -8492, -8092, -7640, -7134,
    6574, 5959, 5288, 4561, 3776, 2935, 2037, 1082, 70, -998, -2122, -3300, -4533, -5818, -7154, -8540,
    -9975, -11455, -12980, -14548, -16155, -17799, -19478, -21189, -22929, -24694, -26482, -28289, -30112, -31947, -33791, -35640,
    -37489, -39336, -41176, -43006, -44821, -46617, -48390, -50137, -51853, -53534, -55178, -56778, -58333, -59838, -61289, -62684,
    -64019, -65290, -66494, -67629, -68692, -69679, -70590, -71420, -72169, -72835, -73415, -73908, -74313, -74630, -74856, -74992,
    75038
};

struct Tables {
  alignas(16) int16_t window[32][16];
  int32_t constants[31];
  Tables() {
    int32_t d[512];
    for (int i = 0; i <= 256; ++i) d[i] = kHalfWindow[i];
    for (int i = 257; i < 512; ++i) d[i] = (512 - i) % 64 == 0 ? kHalfWindow[512 - i] : -kHalfWindow[512 - i];
    // floor(D * 8192 + 0.5): from units of 2^-16 to 2^-13, rounded.
    for (int j = 0; j < 32; ++j) {
      for (int i = 0; i < 8; ++i) {
        window[j][2 * i] = static_cast<int16_t>((d[64 * i + j] + 4) >> 3);
        window[j][2 * i + 1] = static_cast<int16_t>((d[64 * i + 32 + j] + 4) >> 3);
      }
    }
    // trunc(4096 / (2 cos(k pi / 64))) for the butterfly stages of 32, 16,
    // 8, 4 and 2 points: k odd, then k = 2 (mod 4), 4 (mod 8), 8 (mod 16), 16.
    int n = 0;
    for (int step = 1; step <= 16; step *= 2) {
      for (int k = step; k < 32; k += 2 * step) {
        constants[n++] = static_cast<int32_t>(double{1 << kDCTFractionBits} / (2.0 * std::cos(k * M_PI / 64.0)));
      }
    }
  }
};

const Tables& GetTables() {
  static const Tables tables;
  return tables;
}

// DCT-II of n points (unnormalised: X[k] = sum x[i] cos((2i+1) k pi / 2n))
// by splitting into sums and scaled differences.
template <int N>
void FastDCT(int64_t* x, const int32_t* constants) {
  if constexpr (N == 1) {
    (void)x;
    (void)constants;
  } else {
    constexpr int H = N / 2;
    int64_t g[H], h[H];
    for (int i = 0; i < H; ++i) {
      const int64_t a = x[i];
      const int64_t b = x[N - 1 - i];
      g[i] = a + b;
      h[i] = ((a - b) * constants[i] + (1 << (kDCTFractionBits - 1))) >> kDCTFractionBits;
    }
    FastDCT<H>(g, constants + H);
    FastDCT<H>(h, constants + H);
    for (int k = 0; k < H; ++k) {
      x[2 * k] = g[k];
      x[2 * k + 1] = k + 1 < H ? h[k] + h[k + 1] : h[k];
    }
  }
}

inline int16_t Saturate16(int32_t v) { return static_cast<int16_t>(std::clamp(v, -32768, 32767)); }

}  // namespace

const int16_t* VIDCTFilterBank::Window() { return &GetTables().window[0][0]; }
const int32_t* VIDCTFilterBank::DCTConstants() { return GetTables().constants; }

void VIDCTFilterBank::DCT32(int64_t* values) {
  // The constants of each stage follow those of the larger one.
  FastDCT<32>(values, GetTables().constants);
}

VIDCTFilterBank::VIDCTFilterBank(int channels) : VFilterBank(channels) {
  GetTables();
  Reset();
}

void VIDCTFilterBank::Reset() {
  std::memset(rings_, 0, sizeof rings_);
  position_[0] = position_[1] = 15;
  phase_[0] = phase_[1] = 0;
}

void VIDCTFilterBank::SynthesizeSlot(int channel, const int16_t* subbands, int16_t* output, int stride) {
  // The DCT runs with extra fraction bits: every stage rounds, and the
  // later stages multiply what an earlier one rounded away.
  int64_t wide[32];
  for (int i = 0; i < 32; ++i) wide[i] = int64_t{subbands[i]} * (1 << kDCTGuardBits);
  DCT32(wide);
  int32_t c[32];
  for (int i = 0; i < 32; ++i) {
    const int64_t v = (wide[i] + (1 << (kDCTGuardBits - 1))) >> kDCTGuardBits;
    c[i] = static_cast<int32_t>(std::clamp<int64_t>(v, INT32_MIN / 2, INT32_MAX / 2));
  }
  // The vector V[0..63] from the DCT: V[i] = C[16+i] (i < 16), V[16] = 0,
  // V[i] = -C[48-i] (16 < i < 32), V[32+i] = -C[|16-i|]. Stored saturated
  // to 16 bits: content loud enough to leave that range clips instead of
  // wrapping round.
  const int p = position_[channel];
  const int phase = phase_[channel];
  auto& low = rings_[channel][phase];
  auto& high = rings_[channel][phase ^ 1];
  for (int j = 0; j < 32; ++j) {
    int32_t lo;
    if (j < 16) {
      lo = c[16 + j];
    } else if (j == 16) {
      lo = 0;
    } else {
      lo = -c[48 - j];
    }
    const int32_t hi = -c[j < 16 ? 16 - j : j - 16];
    const int16_t l = Saturate16(lo);
    const int16_t h = Saturate16(hi);
    low[j][p] = low[j][p + 16] = l;
    high[j][p] = high[j][p + 16] = h;
  }
  const Tables& t = GetTables();
  for (int j = 0; j < 32; ++j) {
    const int16_t* v = &low[j][p];
    const int16_t* w = t.window[j];
#if defined(__SSE2__)
    const __m128i v0 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(v));
    const __m128i v1 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(v + 8));
    const __m128i w0 = _mm_load_si128(reinterpret_cast<const __m128i*>(w));
    const __m128i w1 = _mm_load_si128(reinterpret_cast<const __m128i*>(w + 8));
    __m128i s = _mm_add_epi32(_mm_madd_epi16(v0, w0), _mm_madd_epi16(v1, w1));
    s = _mm_add_epi32(s, _mm_shuffle_epi32(s, 0x4E));
    s = _mm_add_epi32(s, _mm_shuffle_epi32(s, 0xB1));
    const int32_t sum = _mm_cvtsi128_si32(s);
#else
    int32_t sum = 0;
    for (int k = 0; k < 16; ++k) sum += int32_t{w[k]} * v[k];
#endif
    output[j * stride] = Saturate16((sum + 1024) >> 11);
  }
  position_[channel] = (p - 1) & 15;
  phase_[channel] = phase ^ 1;
}

void VIDCTFilterBank::Synthesize(const VMPAFrame& frame, int channels, int16_t* output) {
  channels = std::min(channels, channels_);
  for (int ch = 0; ch < channels; ++ch) {
    const int16_t* samples = frame.GetSamples(ch);
    if (!samples) continue;
    for (int slot = 0; slot < kMPASlots; ++slot) {
      SynthesizeSlot(ch, samples + slot * kMPASubbands, output + slot * kMPASubbands * channels + ch, channels);
    }
  }
}
