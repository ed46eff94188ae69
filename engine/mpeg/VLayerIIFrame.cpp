// Layer II frame decoding: tables of ISO/IEC 11172-3 (bit allocation B.2a-d,
// quantisation classes B.4, scale factors B.1) and the frame's syntax.
#include "engine/mpeg/VLayerIIFrame.h"

#include <cmath>
#include <cstring>

#include "engine/mpeg/VBitstream.h"

namespace {

// Classes by number of steps: 3, 5, 7, 9, 15, 31, ..., 65535.
constexpr VLayerIIQuantClass kClasses[17] = {
    {3, 2, 5, true},        {5, 3, 7, true},        {7, 3, 3, false},       {9, 4, 10, true},
    {15, 4, 4, false},      {31, 5, 5, false},      {63, 6, 6, false},      {127, 7, 7, false},
    {255, 8, 8, false},     {511, 9, 9, false},     {1023, 10, 10, false},  {2047, 11, 11, false},
    {4095, 12, 12, false},  {8191, 13, 13, false},  {16383, 14, 14, false}, {32767, 15, 15, false},
    {65535, 16, 16, false},
};

// Rows of the tables for the higher rates (B.2a, B.2b) and the lower ones (B.2c, B.2d).
constexpr VLayerIIAllocationRow kHigh0 = {4, {-1, 0, 2, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16}};
constexpr VLayerIIAllocationRow kHigh1 = {4, {-1, 0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 16}};
constexpr VLayerIIAllocationRow kHigh2 = {3, {-1, 0, 1, 2, 3, 4, 5, 16}};
constexpr VLayerIIAllocationRow kHigh3 = {2, {-1, 0, 1, 16}};
constexpr VLayerIIAllocationRow kLow0 = {4, {-1, 0, 1, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15}};
constexpr VLayerIIAllocationRow kLow1 = {3, {-1, 0, 1, 3, 4, 5, 6, 7}};

const VLayerIIAllocationRow* RowFor(bool lowRate, int subband) {
  if (lowRate) return subband < 2 ? &kLow0 : &kLow1;
  if (subband < 3) return &kHigh0;
  if (subband < 11) return &kHigh1;
  if (subband < 23) return &kHigh2;
  return &kHigh3;
}

// Requantisation factors by class and scale-factor index, computed from
// their definitions: C = 2^b / steps, D = 1/2 for grouped classes and
// 2^(1-b) otherwise, scale factor 2^(1 - i/3) (index 63 is not a valid
// index and gives nothing).
struct Factors {
  int32_t multiplier[17][64];
  int32_t offset[17][64];
  Factors() {
    for (int c = 0; c < 17; ++c) {
      const VLayerIIQuantClass& k = kClasses[c];
      const double scale = std::ldexp(1.0, k.sampleBits) / k.steps;
      const double d = k.grouped ? 0.5 : std::ldexp(1.0, 1 - k.sampleBits);
      for (int i = 0; i < 64; ++i) {
        const double f = i == 63 ? 1e-20 : std::pow(2.0, 1.0 - i / 3.0);
        const auto m = static_cast<int32_t>(std::lround(scale * 8192.0 * f));
        multiplier[c][i] = m;
        offset[c][i] = static_cast<int32_t>(m * std::ldexp(1.0, k.sampleBits - 1) * d);
      }
    }
  }
};

const Factors& GetFactors() {
  static const Factors factors;
  return factors;
}

// Grouped codes split into their three values (the remainders by the
// number of steps, lowest first), for every code the field can hold.
struct Splits {
  uint8_t three[32 * 3];
  uint8_t five[128 * 3];
  uint8_t nine[1024 * 3];
  Splits() {
    Fill(three, 32, 3);
    Fill(five, 128, 5);
    Fill(nine, 1024, 9);
  }
  static void Fill(uint8_t* table, uint32_t codes, uint32_t steps) {
    for (uint32_t c = 0; c < codes; ++c) {
      uint32_t v = c;
      for (int i = 0; i < 3; ++i) {
        table[3 * c + i] = static_cast<uint8_t>(v % steps);
        v /= steps;
      }
    }
  }
  const uint8_t* For(int steps) const { return steps == 3 ? three : steps == 5 ? five : nine; }
};

const Splits& GetSplits() {
  static const Splits splits;
  return splits;
}

inline int16_t Requantise(int32_t code, int bits, int32_t m, int32_t o) {
  // The code with its top bit inverted, read as a signed b-bit number.
  const int32_t s = static_cast<int32_t>((static_cast<uint32_t>(code) ^ (1u << (bits - 1))) << (32 - bits)) >> (32 - bits);
  return static_cast<int16_t>((s * m + o + (1 << (bits - 2))) >> (bits - 1));
}

}  // namespace

const VLayerIIQuantClass& VLayerIIFrame::QuantClass(int index) { return kClasses[index]; }

VLayerIIFrame::VLayerIIFrame(const VMPAHeader& header) : VMPAFrame(header) {
  GetFactors();
  GetSplits();
  std::memset(samples_, 0, sizeof samples_);
}

const int16_t* VLayerIIFrame::GetSamples(int channel) const {
  return channel >= 0 && channel < channels_ ? samples_[channel] : nullptr;
}

int32_t VLayerIIFrame::Configure() {
  if (header_.layer != 2) return kMPAFrameNotLayerII;
  const int channels = header_.Channels();
  const int index = header_.bitRateIndex;
  if (index <= 0 || index >= 15) return kMPAHeaderBadBitRate;
  // The tables follow the bit rate per channel, as the index of the largest
  // mono bit rate not above it (at least 1). Streams that pair a bit rate
  // with a channel mode the format does not list (32 to 80 kbit/s stereo,
  // 224 kbit/s and more mono) are decoded all the same: encoders write them.
  const int perChannel = header_.BitRateKbps() / channels;
  int table = 1;
  while (table < 14 && VMPAHeader::LayerIIBitRateKbps(table + 1) <= perChannel) ++table;
  const bool lowRate = table == 1 || table == 2;
  int sblimit;
  if (lowRate) {
    sblimit = header_.SampleRate() == 32000 ? 12 : 8;
  } else {
    sblimit = (header_.SampleRate() == 48000 || (table >= 3 && table <= 5)) ? 27 : 30;
  }
  channels_ = channels;
  sblimit_ = sblimit;
  bound_ = header_.mode == 1 ? header_.modeExtension * 4 + 4 : sblimit;
  if (bound_ > sblimit) bound_ = sblimit;
  if (table != tableIndex_ || sblimit != rowsLimit_) {
    tableIndex_ = table;
    rowsLimit_ = sblimit;
    for (auto& channel : subbands_) {
      for (int sb = 0; sb < kMPASubbands; ++sb) channel[sb].row = sb < sblimit ? RowFor(lowRate, sb) : nullptr;
    }
  }
  return 0;
}

int32_t VLayerIIFrame::Decode(VBitstream& bits) {
  const int32_t configured = Configure();
  if (configured != 0) return configured;
  const Factors& factors = GetFactors();
  const int nch = channels_;

  // Bits the frame asks for, checked against its length before each part is read.
  int64_t used = 0;
  for (int sb = 0; sb < sblimit_; ++sb) used += subbands_[0][sb].row->bits * (sb < bound_ ? nch : 1);
  if (used > budget_) return kMPAFrameOverrun;

  // Bit allocation: per channel below the bound, shared above it.
  for (int sb = 0; sb < sblimit_; ++sb) {
    const int width = subbands_[0][sb].row->bits;
    for (int ch = 0; ch < nch; ++ch) {
      VLayerIISubband& s = subbands_[ch][sb];
      if (sb < bound_ || ch == 0) {
        s.allocation = static_cast<int>(bits.ReadBits(width));
      } else {
        s.allocation = subbands_[0][sb].allocation;
      }
      s.quantClass = s.allocation ? s.row->classes[s.allocation] : -1;
    }
  }
  // Scale-factor selection information, then the scale factors.
  for (int sb = 0; sb < sblimit_; ++sb) {
    for (int ch = 0; ch < nch; ++ch) {
      if (subbands_[ch][sb].allocation) used += 2;
    }
  }
  if (used > budget_) return kMPAFrameOverrun;
  for (int sb = 0; sb < sblimit_; ++sb) {
    for (int ch = 0; ch < nch; ++ch) {
      VLayerIISubband& s = subbands_[ch][sb];
      if (s.allocation) s.selection = static_cast<int>(bits.ReadBits(2));
    }
  }
  static constexpr int kScaleFactorBits[4] = {18, 12, 6, 12};
  for (int sb = 0; sb < sblimit_; ++sb) {
    for (int ch = 0; ch < nch; ++ch) {
      const VLayerIISubband& s = subbands_[ch][sb];
      if (!s.allocation) continue;
      used += kScaleFactorBits[s.selection];
      // Samples: 12 granules, read once for both channels above the bound.
      if (sb < bound_ || ch == 0) {
        const VLayerIIQuantClass& k = kClasses[s.quantClass];
        used += 12 * (k.grouped ? k.codeBits : 3 * k.codeBits);
      }
    }
  }
  if (used > budget_) return kMPAFrameOverrun;
  for (int sb = 0; sb < sblimit_; ++sb) {
    for (int ch = 0; ch < nch; ++ch) {
      VLayerIISubband& s = subbands_[ch][sb];
      if (!s.allocation) continue;
      int* f = s.scaleFactors;
      switch (s.selection) {
        case 0:
          f[0] = static_cast<int>(bits.ReadBits(6));
          f[1] = static_cast<int>(bits.ReadBits(6));
          f[2] = static_cast<int>(bits.ReadBits(6));
          break;
        case 1:
          f[0] = f[1] = static_cast<int>(bits.ReadBits(6));
          f[2] = static_cast<int>(bits.ReadBits(6));
          break;
        case 2:
          f[0] = f[1] = f[2] = static_cast<int>(bits.ReadBits(6));
          break;
        default:
          f[0] = static_cast<int>(bits.ReadBits(6));
          f[1] = f[2] = static_cast<int>(bits.ReadBits(6));
          break;
      }
      for (int part = 0; part < 3; ++part) {
        s.multiplier[part] = factors.multiplier[s.quantClass][f[part]];
        s.offset[part] = factors.offset[s.quantClass][f[part]];
      }
    }
  }

  std::memset(samples_, 0, sizeof samples_);
  // The allocated subbands in stream order, each with what its codes need.
  struct Active {
    const VLayerIIQuantClass* k;
    const uint8_t* split;  // grouped codes: three values per code
    int sb;
    int first, last;       // channels the codes serve
  };
  Active active[2 * kMPASubbands];
  int count = 0;
  for (int sb = 0; sb < sblimit_; ++sb) {
    for (int ch = 0; ch < nch; ++ch) {
      if (sb >= bound_ && ch > 0) break;
      const VLayerIISubband& s = subbands_[ch][sb];
      if (!s.allocation) continue;
      const VLayerIIQuantClass& k = kClasses[s.quantClass];
      active[count++] = {&k, k.grouped ? GetSplits().For(k.steps) : nullptr, sb, ch, sb >= bound_ ? nch - 1 : ch};
    }
  }
  // 12 granules of three samples per subband; one set of codes serves both
  // channels above the bound.
  for (int granule = 0; granule < 12; ++granule) {
    const int part = granule >> 2;
    int16_t* rows[2] = {samples_[0] + granule * 3 * kMPASubbands, samples_[1] + granule * 3 * kMPASubbands};
    for (int a = 0; a < count; ++a) {
      const Active& e = active[a];
      const VLayerIIQuantClass& k = *e.k;
      int32_t codes[3];
      if (e.split) {
        const uint8_t* v = e.split + 3 * bits.ReadBits(k.codeBits);
        codes[0] = v[0];
        codes[1] = v[1];
        codes[2] = v[2];
      } else if (k.codeBits <= 10) {
        const uint32_t c = bits.ReadBits(3 * k.codeBits);
        const uint32_t mask = (1u << k.codeBits) - 1;
        codes[0] = static_cast<int32_t>(c >> (2 * k.codeBits));
        codes[1] = static_cast<int32_t>((c >> k.codeBits) & mask);
        codes[2] = static_cast<int32_t>(c & mask);
      } else {
        codes[0] = static_cast<int32_t>(bits.ReadBits(k.codeBits));
        codes[1] = static_cast<int32_t>(bits.ReadBits(k.codeBits));
        codes[2] = static_cast<int32_t>(bits.ReadBits(k.codeBits));
      }
      for (int out = e.first; out <= e.last; ++out) {
        const VLayerIISubband& q = subbands_[out][e.sb];
        const int32_t m = q.multiplier[part];
        const int32_t o = q.offset[part];
        int16_t* row = rows[out] + e.sb;
        row[0] = Requantise(codes[0], k.sampleBits, m, o);
        row[kMPASubbands] = Requantise(codes[1], k.sampleBits, m, o);
        row[2 * kMPASubbands] = Requantise(codes[2], k.sampleBits, m, o);
      }
    }
  }
  return 0;
}
