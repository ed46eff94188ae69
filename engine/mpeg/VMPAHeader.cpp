// Sync search, field parsing and frame length of MPEG-1 audio headers.
#include "engine/mpeg/VMPAHeader.h"

#include "engine/mpeg/MPEGExceptions.h"
#include "engine/mpeg/VBitstream.h"

namespace {
constexpr int32_t kSampleRates[3] = {44100, 48000, 32000};
// kbit/s by layer (1..3) and bit-rate index (0 is free format).
constexpr int32_t kBitRates[3][15] = {
    {0, 32, 64, 96, 128, 160, 192, 224, 256, 288, 320, 352, 384, 416, 448},
    {0, 32, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 384},
    {0, 32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320},
};
// The half sampling rates of MPEG-2 audio (ID bit 0): only to know how long
// such a frame is, so that a stream of them is told from chance sync words.
constexpr int32_t kHalfSampleRates[3] = {22050, 24000, 16000};
constexpr int32_t kHalfBitRates[2][15] = {
    {0, 32, 48, 56, 64, 80, 96, 112, 128, 144, 160, 176, 192, 224, 256},
    {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160},
};
}  // namespace

int32_t VMPAHeader::SampleRate() const {
  if (sampleRateIndex < 0 || sampleRateIndex >= 3) return 0;
  return id == 0 ? kHalfSampleRates[sampleRateIndex] : kSampleRates[sampleRateIndex];
}

int32_t VMPAHeader::BitRateKbps() const {
  if (layer < 1 || layer > 3 || bitRateIndex < 0 || bitRateIndex > 14) return 0;
  if (id == 0) return kHalfBitRates[layer == 1 ? 0 : 1][bitRateIndex];
  return kBitRates[layer - 1][bitRateIndex];
}

int32_t VMPAHeader::LayerIIBitRateKbps(int32_t index) {
  return index >= 0 && index <= 14 ? kBitRates[1][index] : 0;
}

int32_t VMPAHeader::Parse(uint32_t word) {
  id = static_cast<int32_t>((word >> 19) & 1);
  const int32_t layerField = static_cast<int32_t>((word >> 17) & 3);
  layer = 4 - layerField;
  protection = static_cast<int32_t>((word >> 16) & 1);
  bitRateIndex = static_cast<int32_t>((word >> 12) & 15);
  sampleRateIndex = static_cast<int32_t>((word >> 10) & 3);
  padding = static_cast<int32_t>((word >> 9) & 1);
  privateBit = static_cast<int32_t>((word >> 8) & 1);
  mode = static_cast<int32_t>((word >> 6) & 3);
  modeExtension = static_cast<int32_t>((word >> 4) & 3);
  copyright = static_cast<int32_t>((word >> 3) & 1);
  original = static_cast<int32_t>((word >> 2) & 1);
  emphasis = static_cast<int32_t>(word & 3);
  frameBytes = bodyBytes = mainDataBytes = 0;
  if (layerField == 0) return kMPAHeaderBadLayer;
  if (bitRateIndex == 15) return kMPAHeaderBadBitRate;
  if (sampleRateIndex == 3) return kMPAHeaderBadSampleRate;
  if (bitRateIndex == 0) return kMPAHeaderFreeFormat;
  const int32_t kbps = BitRateKbps();
  const int32_t rate = SampleRate();
  if (layer == 1) {
    frameBytes = (kbps * 12000 / rate + padding) * 4;
  } else if (layer == 3 && id == 0) {
    frameBytes = kbps * 72000 / rate + padding;
  } else {
    frameBytes = kbps * 144000 / rate + padding;
  }
  // The half rates would be read with the wrong tables: such a frame is
  // measured (to confirm a stream of them) but cannot be decoded here.
  if (id == 0) {
    bodyBytes = frameBytes - 4;
    return kMPAHeaderLowSampleRate;
  }
  bodyBytes = frameBytes - 4;
  if (layer == 3) {
    const int32_t side = mode == 3 ? 17 : 32;
    mainDataBytes = kbps * 144000 / rate - side - (protection ? 0 : 2) - 4;
  }
  return 0;
}

int32_t VMPAHeader::Read(VBitstream& bits) {
  bits.SkipBits(bits.GetHeldBitCount() & 7);
  uint32_t window = bits.ReadBits(12);
  while (window != 0xFFF) window = ((window << 8) | bits.ReadBits(8)) & 0xFFF;
  const uint32_t word = (0xFFFu << 20) | bits.ReadBits(20);
  const int32_t result = Parse(word);
  if (result != 0) return result;
  if (protection == 0) crc = bits.ReadBits(16);
  return 0;
}

int32_t VMPAHeader::Peek(VBitstream& bits) {
  try {
    bits.SkipBits(bits.GetHeldBitCount() & 7);
    for (;;) {
      // Throws when fewer than 32 bits can be had; the zeros that pad the
      // end of a source do not count.
      const uint32_t word = bits.PeekBits(32);
      if (bits.GetBitsLeft() < 32) return kMPAPeekNeedMore;
      if ((word >> 20) == 0xFFF) {
        const int32_t code = MPAPeekCodeFor(Parse(word));
        return code ? code : kMPAPeekFound;
      }
      bits.SkipBits(8);
    }
  } catch (const VBitstreamEmptyException&) {
    return kMPAPeekNeedMore;
  }
}

int32_t MPAPeekCodeFor(int32_t readError) {
  switch (readError) {
    case kMPAHeaderBadLayer: return kMPAPeekBadLayer;
    case kMPAHeaderBadBitRate: return kMPAPeekBadBitRate;
    case kMPAHeaderBadSampleRate: return kMPAPeekBadSampleRate;
    case kMPAHeaderFreeFormat: return kMPAPeekFreeFormat;
    case kMPAHeaderLowSampleRate: return kMPAPeekLowSampleRate;
    default: return 0;
  }
}
