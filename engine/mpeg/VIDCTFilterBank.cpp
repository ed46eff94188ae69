// Synthesis: the 32-point DCT split into its even and odd halves (two 16 x 16
// products with 12-bit cosines), vector rings and the windowed sums of
// ISO/IEC 11172-3 with its window D; SSE2 where the processor has it (every
// x86-64 does), with plain loops giving the same numbers elsewhere.
#include "engine/mpeg/VIDCTFilterBank.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstring>
#include <numbers>

#include "engine/mpeg/VLayerIIFrame.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace {

// Fraction bits of the DCT's cosines. With inputs held to +-16383 the sums
// of 16 products of a sum or difference of two inputs (at most 32766) stay
// within 32 bits: 16 * 32766 * 4096 + 2048 < 2^31.
constexpr int kCosineBits = 12;
constexpr int16_t kInputLimit = 16383;

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
  // The window turned for each ring position p of the newest vector:
  // rotated[p][j][i] = window[j][(i - p) & 15], so that the taps line up
  // with ring entries 0..15 in place.
  alignas(16) int16_t rotated[16][32][16];
  // Cosines cos((2n+1) m pi / 64) for the even outputs m = 2k and the odd
  // outputs m = 2k+1 (k, n < 16), laid out for pairwise products: for the
  // pair of inputs (2p, 2p+1) and the four outputs of group g, the eight
  // values [k0 n0, k0 n1, k1 n0, k1 n1, ...].
  alignas(16) int16_t even[8][4][8];
  alignas(16) int16_t odd[8][4][8];
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
    for (int p = 0; p < 16; ++p) {
      for (int j = 0; j < 32; ++j) {
        for (int i = 0; i < 16; ++i) rotated[p][j][i] = window[j][(i - p) & 15];
      }
    }
    for (int p = 0; p < 8; ++p) {
      for (int g = 0; g < 4; ++g) {
        for (int q = 0; q < 4; ++q) {
          const int k = 4 * g + q;
          for (int h = 0; h < 2; ++h) {
            const int n = 2 * p + h;
            even[p][g][2 * q + h] = Cosine((2 * n + 1) * (2 * k));
            odd[p][g][2 * q + h] = Cosine((2 * n + 1) * (2 * k + 1));
          }
        }
      }
    }
  }
  static int16_t Cosine(int multiple) {
    return static_cast<int16_t>(std::lround(std::cos(multiple * std::numbers::pi / 64.0) * (1 << kCosineBits)));
  }
};

const Tables& GetTables() {
  static const Tables tables;
  return tables;
}

inline int16_t Saturate16(int32_t v) { return static_cast<int16_t>(std::clamp(v, -32768, 32767)); }

// C[m] = sum x[n] cos((2n+1) m pi / 64), rounded to the inputs' units; x is
// held to +-kInputLimit.
void DCT(const int16_t* input, int32_t* c) {
  const Tables& t = GetTables();
  constexpr int32_t kRound = 1 << (kCosineBits - 1);
#if defined(__SSE2__)
  const __m128i high = _mm_set1_epi16(kInputLimit);
  const __m128i low = _mm_set1_epi16(-kInputLimit);
  auto load = [&](int at) {
    const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(input + at));
    return _mm_min_epi16(_mm_max_epi16(v, low), high);
  };
  auto reverse = [](__m128i v) {
    v = _mm_shuffle_epi32(v, 0x1B);
    return _mm_shufflehi_epi16(_mm_shufflelo_epi16(v, 0xB1), 0xB1);
  };
  const __m128i x0 = load(0), x1 = load(8), x2 = reverse(load(16)), x3 = reverse(load(24));
  // x[n] + x[31-n] and x[n] - x[31-n], n < 16 (held inputs: no overflow).
  const __m128i s0 = _mm_add_epi16(x0, x3);
  const __m128i s1 = _mm_add_epi16(x1, x2);
  const __m128i d0 = _mm_sub_epi16(x0, x3);
  const __m128i d1 = _mm_sub_epi16(x1, x2);
  __m128i ev[4], od[4];
  for (int g = 0; g < 4; ++g) ev[g] = od[g] = _mm_set1_epi32(kRound);
  auto accumulate = [&](int p, __m128i s, __m128i d) {
    for (int g = 0; g < 4; ++g) {
      ev[g] = _mm_add_epi32(ev[g], _mm_madd_epi16(s, _mm_load_si128(reinterpret_cast<const __m128i*>(t.even[p][g]))));
      od[g] = _mm_add_epi32(od[g], _mm_madd_epi16(d, _mm_load_si128(reinterpret_cast<const __m128i*>(t.odd[p][g]))));
    }
  };
  accumulate(0, _mm_shuffle_epi32(s0, 0x00), _mm_shuffle_epi32(d0, 0x00));
  accumulate(1, _mm_shuffle_epi32(s0, 0x55), _mm_shuffle_epi32(d0, 0x55));
  accumulate(2, _mm_shuffle_epi32(s0, 0xAA), _mm_shuffle_epi32(d0, 0xAA));
  accumulate(3, _mm_shuffle_epi32(s0, 0xFF), _mm_shuffle_epi32(d0, 0xFF));
  accumulate(4, _mm_shuffle_epi32(s1, 0x00), _mm_shuffle_epi32(d1, 0x00));
  accumulate(5, _mm_shuffle_epi32(s1, 0x55), _mm_shuffle_epi32(d1, 0x55));
  accumulate(6, _mm_shuffle_epi32(s1, 0xAA), _mm_shuffle_epi32(d1, 0xAA));
  accumulate(7, _mm_shuffle_epi32(s1, 0xFF), _mm_shuffle_epi32(d1, 0xFF));
  alignas(16) int32_t e[16], o[16];
  for (int g = 0; g < 4; ++g) {
    _mm_store_si128(reinterpret_cast<__m128i*>(e + 4 * g), _mm_srai_epi32(ev[g], kCosineBits));
    _mm_store_si128(reinterpret_cast<__m128i*>(o + 4 * g), _mm_srai_epi32(od[g], kCosineBits));
  }
  for (int k = 0; k < 16; ++k) {
    c[2 * k] = e[k];
    c[2 * k + 1] = o[k];
  }
#else
  int16_t sum[16], difference[16];
  for (int n = 0; n < 16; ++n) {
    const int32_t a = std::clamp<int32_t>(input[n], -kInputLimit, kInputLimit);
    const int32_t b = std::clamp<int32_t>(input[31 - n], -kInputLimit, kInputLimit);
    sum[n] = static_cast<int16_t>(a + b);
    difference[n] = static_cast<int16_t>(a - b);
  }
  for (int k = 0; k < 16; ++k) {
    int32_t e = kRound, o = kRound;
    for (int n = 0; n < 16; ++n) {
      const int p = n / 2, g = k / 4, lane = 2 * (k % 4) + n % 2;
      e += int32_t{sum[n]} * t.even[p][g][lane];
      o += int32_t{difference[n]} * t.odd[p][g][lane];
    }
    c[2 * k] = e >> kCosineBits;
    c[2 * k + 1] = o >> kCosineBits;
  }
#endif
}

}  // namespace

const int16_t* VIDCTFilterBank::Window() { return &GetTables().window[0][0]; }

void VIDCTFilterBank::DCT32(const int16_t* input, int32_t* output) { DCT(input, output); }

VIDCTFilterBank::VIDCTFilterBank(int channels) : VFilterBank(channels) {
  GetTables();
  Reset();
}

void VIDCTFilterBank::Reset() {
  std::memset(rings_, 0, sizeof rings_);
  position_[0] = position_[1] = 15;
  phase_[0] = phase_[1] = 0;
}

void VIDCTFilterBank::SlotToBlock(int channel, const int16_t* subbands, int16_t* out) {
  int32_t c[32];
  DCT(subbands, c);
  // The vector V[0..63] from the DCT: V[i] = C[16+i] (i < 16), V[16] = 0,
  // V[i] = -C[48-i] (16 < i < 32), V[32+i] = -C[|16-i|]. Stored saturated
  // to 16 bits: content loud enough to leave that range clips instead of
  // wrapping round.
  const int p = position_[channel];
  const int phase = phase_[channel];
  auto& low = rings_[channel][phase];
  auto& high = rings_[channel][phase ^ 1];
  int16_t plus[32], minus[32];
  for (int m = 0; m < 32; ++m) {
    plus[m] = Saturate16(c[m]);
    minus[m] = Saturate16(-c[m]);
  }
  for (int j = 0; j < 16; ++j) {
    low[j][p] = plus[16 + j];
    high[j][p] = minus[16 - j];
  }
  low[16][p] = 0;
  high[16][p] = minus[0];
  for (int j = 17; j < 32; ++j) {
    low[j][p] = minus[48 - j];
    high[j][p] = minus[j - 16];
  }
  const Tables& t = GetTables();
#if defined(__SSE2__)
  for (int j = 0; j < 32; j += 8) {
    __m128i sums[2];
    for (int half = 0; half < 2; ++half) {
      __m128i s[4];
      for (int q = 0; q < 4; ++q) {
        const int row = j + 4 * half + q;
        const int16_t* v = low[row];
        const int16_t* w = t.rotated[p][row];
        s[q] = _mm_add_epi32(
            _mm_madd_epi16(_mm_load_si128(reinterpret_cast<const __m128i*>(v)),
                           _mm_load_si128(reinterpret_cast<const __m128i*>(w))),
            _mm_madd_epi16(_mm_load_si128(reinterpret_cast<const __m128i*>(v + 8)),
                           _mm_load_si128(reinterpret_cast<const __m128i*>(w + 8))));
      }
      // Lane q of the result: the four lanes of s[q] summed.
      const __m128i a = _mm_add_epi32(_mm_unpacklo_epi32(s[0], s[1]), _mm_unpackhi_epi32(s[0], s[1]));
      const __m128i b = _mm_add_epi32(_mm_unpacklo_epi32(s[2], s[3]), _mm_unpackhi_epi32(s[2], s[3]));
      const __m128i total = _mm_add_epi32(_mm_unpacklo_epi64(a, b), _mm_unpackhi_epi64(a, b));
      sums[half] = _mm_srai_epi32(_mm_add_epi32(total, _mm_set1_epi32(1024)), 11);
    }
    // Saturated to 16 bits as they are packed.
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out + j), _mm_packs_epi32(sums[0], sums[1]));
  }
#else
  for (int j = 0; j < 32; ++j) {
    const int16_t* v = low[j];
    const int16_t* w = t.rotated[p][j];
    int32_t sum = 0;
    for (int k = 0; k < 16; ++k) sum += int32_t{w[k]} * v[k];
    out[j] = Saturate16((sum + 1024) >> 11);
  }
#endif
  position_[channel] = (p - 1) & 15;
  phase_[channel] = phase ^ 1;
}

void VIDCTFilterBank::SynthesizeSlot(int channel, const int16_t* subbands, int16_t* output, int stride) {
  alignas(16) int16_t block[32];
  SlotToBlock(channel, subbands, block);
  for (int j = 0; j < 32; ++j) output[j * stride] = block[j];
}

void VIDCTFilterBank::Synthesize(const VMPAFrame& frame, int channels, int16_t* output) {
  channels = std::min(channels, channels_);
  const int16_t* left = frame.GetSamples(0);
  const int16_t* right = channels == 2 ? frame.GetSamples(1) : nullptr;
  if (!left) return;
  alignas(16) int16_t a[32], b[32];
  for (int slot = 0; slot < kMPASlots; ++slot) {
    int16_t* out = output + slot * kMPASubbands * channels;
    if (!right) {
      SlotToBlock(0, left + slot * kMPASubbands, out);
      continue;
    }
    SlotToBlock(0, left + slot * kMPASubbands, a);
    SlotToBlock(1, right + slot * kMPASubbands, b);
#if defined(__SSE2__)
    for (int j = 0; j < 32; j += 8) {
      const __m128i l = _mm_load_si128(reinterpret_cast<const __m128i*>(a + j));
      const __m128i r = _mm_load_si128(reinterpret_cast<const __m128i*>(b + j));
      _mm_storeu_si128(reinterpret_cast<__m128i*>(out + 2 * j), _mm_unpacklo_epi16(l, r));
      _mm_storeu_si128(reinterpret_cast<__m128i*>(out + 2 * j + 8), _mm_unpackhi_epi16(l, r));
    }
#else
    for (int j = 0; j < 32; ++j) {
      out[2 * j] = a[j];
      out[2 * j + 1] = b[j];
    }
#endif
  }
}
