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
  // The window by pair of taps, laid out as the rows of vectors are:
  // paired[i][2j] = D[64i+j], paired[i][2j+1] = D[64i+32+j].
  alignas(16) int16_t paired[8][64];
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
    for (int i = 0; i < 8; ++i) {
      for (int j = 0; j < 32; ++j) {
        paired[i][2 * j] = window[j][2 * i];
        paired[i][2 * j + 1] = window[j][2 * i + 1];
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
  // Even and odd outputs interleaved: C[8g..8g+7] from group g.
  for (int g = 0; g < 4; ++g) {
    const __m128i e = _mm_srai_epi32(ev[g], kCosineBits);
    const __m128i o = _mm_srai_epi32(od[g], kCosineBits);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(c + 8 * g), _mm_unpacklo_epi32(e, o));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(c + 8 * g + 4), _mm_unpackhi_epi32(e, o));
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
  std::memset(pairs_, 0, sizeof pairs_);
  std::memset(previousHigh_, 0, sizeof previousHigh_);
  position_[0] = position_[1] = 15;
}

void VIDCTFilterBank::SlotToBlock(int channel, const int16_t* subbands, int16_t* out) {
  alignas(16) int32_t c[32];
  DCT(subbands, c);
  // The vector V[0..63] from the DCT: V[i] = C[16+i] (i < 16), V[16] = 0,
  // V[i] = -C[48-i] (16 < i < 32), V[32+i] = -C[|16-i|]. Stored saturated
  // to 16 bits: content loud enough to leave that range clips instead of
  // wrapping round. plus[m] = C[m] and minus[m] = -C[m], saturated, with
  // minus[32] = 0 standing for V[16].
  alignas(16) int16_t plus[48], minus[48];
  const int at = position_[channel];
  int16_t* row = pairs_[channel][at];
  int16_t* previous = previousHigh_[channel];
  const Tables& t = GetTables();
#if defined(__SSE2__)
  const __m128i zero = _mm_setzero_si128();
  for (int r = 0; r < 4; ++r) {
    const __m128i a = _mm_load_si128(reinterpret_cast<const __m128i*>(c + 8 * r));
    const __m128i b = _mm_load_si128(reinterpret_cast<const __m128i*>(c + 8 * r + 4));
    _mm_store_si128(reinterpret_cast<__m128i*>(plus + 8 * r), _mm_packs_epi32(a, b));
    _mm_store_si128(reinterpret_cast<__m128i*>(minus + 8 * r),
                    _mm_packs_epi32(_mm_sub_epi32(zero, a), _mm_sub_epi32(zero, b)));
  }
  _mm_store_si128(reinterpret_cast<__m128i*>(minus + 32), zero);
  auto reverse = [](__m128i v) {
    v = _mm_shuffle_epi32(v, 0x1B);
    return _mm_shufflehi_epi16(_mm_shufflelo_epi16(v, 0xB1), 0xB1);
  };
  auto loadu = [](const int16_t* p) { return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p)); };
  // The first half of the new vector, V[0..31], and its second half V[32..63].
  const __m128i low[4] = {loadu(plus + 16), loadu(plus + 24), reverse(loadu(minus + 25)), reverse(loadu(minus + 17))};
  const __m128i high[4] = {reverse(loadu(minus + 9)), reverse(loadu(minus + 1)), loadu(minus), loadu(minus + 8)};
  // The row pairs each V[j] of this vector with V[32+j] of the one before.
  for (int r = 0; r < 4; ++r) {
    const __m128i before = _mm_load_si128(reinterpret_cast<const __m128i*>(previous + 8 * r));
    _mm_store_si128(reinterpret_cast<__m128i*>(row + 16 * r), _mm_unpacklo_epi16(low[r], before));
    _mm_store_si128(reinterpret_cast<__m128i*>(row + 16 * r + 8), _mm_unpackhi_epi16(low[r], before));
    _mm_store_si128(reinterpret_cast<__m128i*>(previous + 8 * r), high[r]);
  }
  // Output j: the sum over the rows of this slot and of every second slot
  // before it of D[64i+j] V[j] + D[64i+32+j] V'[32+j].
  __m128i sums[8];
  for (int q = 0; q < 8; ++q) sums[q] = _mm_set1_epi32(1024);
  for (int i = 0; i < 8; ++i) {
    const int16_t* v = pairs_[channel][(at + 2 * i) & 15];
    const int16_t* w = t.paired[i];
    for (int q = 0; q < 8; ++q) {
      sums[q] = _mm_add_epi32(sums[q], _mm_madd_epi16(_mm_load_si128(reinterpret_cast<const __m128i*>(v + 8 * q)),
                                                      _mm_load_si128(reinterpret_cast<const __m128i*>(w + 8 * q))));
    }
  }
  // Saturated to 16 bits as they are packed.
  for (int q = 0; q < 8; q += 2) {
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out + 4 * q),
                     _mm_packs_epi32(_mm_srai_epi32(sums[q], 11), _mm_srai_epi32(sums[q + 1], 11)));
  }
#else
  const auto saturate16 = [](int32_t v) { return static_cast<int16_t>(std::clamp(v, -32768, 32767)); };
  for (int m = 0; m < 32; ++m) {
    plus[m] = saturate16(c[m]);
    minus[m] = saturate16(-c[m]);
  }
  minus[32] = 0;
  for (int j = 0; j < 32; ++j) {
    const int16_t v = j < 16 ? plus[16 + j] : minus[48 - j];
    row[2 * j] = v;
    row[2 * j + 1] = previous[j];
  }
  for (int j = 0; j < 32; ++j) previous[j] = minus[j <= 16 ? 16 - j : j - 16];
  for (int j = 0; j < 32; ++j) {
    uint32_t sum = 1024;
    for (int i = 0; i < 8; ++i) {
      const int16_t* v = pairs_[channel][(at + 2 * i) & 15];
      const int16_t* w = t.paired[i];
      // Wrapping as the vector sums do (the window keeps real sums in range).
      sum += static_cast<uint32_t>(int32_t{v[2 * j]} * w[2 * j] + int32_t{v[2 * j + 1]} * w[2 * j + 1]);
    }
    out[j] = saturate16(static_cast<int32_t>(sum) >> 11);
  }
#endif
  position_[channel] = (at - 1) & 15;
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
