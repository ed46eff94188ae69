// Layer II headers and frame configuration: sync search, the refusal codes
// of Read and Peek, frame lengths, the allocation table and subband limit
// by bit rate, and the joint-stereo bound.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/mpeg/VLayerIIFrame.h"
#include "engine/mpeg/VMPAHeader.h"
#include "engine/mpeg/VMemoryBitstream.h"

namespace {

struct Fields {
  int id = 1, layerField = 2, protection = 1, bitRate = 10, sampleRate = 1, padding = 0, mode = 0, extension = 0;
};

uint32_t Word(const Fields& f) {
  return (0xFFFu << 20) | (uint32_t(f.id) << 19) | (uint32_t(f.layerField) << 17) | (uint32_t(f.protection) << 16) |
         (uint32_t(f.bitRate) << 12) | (uint32_t(f.sampleRate) << 10) | (uint32_t(f.padding) << 9) |
         (uint32_t(f.mode) << 6) | (uint32_t(f.extension) << 4);
}

std::vector<uint8_t> Bytes(uint32_t word, const std::vector<uint8_t>& before = {}, size_t after = 8) {
  std::vector<uint8_t> v = before;
  for (int s = 24; s >= 0; s -= 8) v.push_back(static_cast<uint8_t>(word >> s));
  v.resize(v.size() + after, 0);
  return v;
}

struct HeaderCase {
  const char* name;
  Fields fields;
  int32_t read;
  int32_t peek;
  int32_t frameBytes;
};

TEST(LayerIIHeader, ReadAndPeekCodes) {
  Fields layer0;
  layer0.layerField = 0;
  Fields rate15;
  rate15.bitRate = 15;
  Fields freq3;
  freq3.sampleRate = 3;
  Fields freeFormat;
  freeFormat.bitRate = 0;
  Fields halfRate;
  halfRate.id = 0;
  Fields padded44;
  padded44.sampleRate = 0;
  padded44.bitRate = 8;
  padded44.padding = 1;
  Fields layerI;
  layerI.layerField = 3;
  layerI.bitRate = 1;
  layerI.sampleRate = 0;
  Fields layerIII;
  layerIII.layerField = 1;
  layerIII.bitRate = 9;
  layerIII.mode = 3;
  const HeaderCase cases[] = {
      {"192 kbit/s at 48 kHz", Fields{}, 0, 1, 576},
      {"128 kbit/s at 44.1 kHz, padded", padded44, 0, 1, 418},
      {"Layer I 32 kbit/s at 44.1 kHz", layerI, 0, 1, 32},
      {"Layer III 128 kbit/s at 48 kHz", layerIII, 0, 1, 384},
      {"layer field 0", layer0, -1002, 22, 0},
      {"bit-rate index 15", rate15, -1003, 21, 0},
      {"sampling index 3", freq3, -1004, 20, 0},
      {"free format", freeFormat, -1007, 23, 0},
      // Refused, but measured: 96 kbit/s at 24 kHz.
      {"half sampling rate (ID 0)", halfRate, -1008, 24, 576},
  };
  for (const HeaderCase& c : cases) {
    SCOPED_TRACE(c.name);
    // Bytes before the header are searched through (a lone 0xFF included).
    const std::vector<uint8_t> data = Bytes(Word(c.fields), {0x12, 0xFF, 0x00, 0x34});
    {
      VMemoryBitstream bits(data.data(), data.size());
      VMPAHeader header;
      EXPECT_EQ(header.Read(bits), c.read);
      EXPECT_EQ(header.frameBytes, c.frameBytes);
      // The header's 32 bits are consumed, good or bad.
      EXPECT_EQ(bits.GetBitsLeft(), 8u * 8u);
    }
    {
      VMemoryBitstream bits(data.data(), data.size());
      VMPAHeader header;
      EXPECT_EQ(header.Peek(bits), c.peek);
      // Peek drops the bytes before the sync word and nothing more.
      EXPECT_EQ(bits.GetBitsLeft(), (4u + 8u) * 8u);
      EXPECT_EQ(bits.PeekBits(32), Word(c.fields));
    }
  }
}

TEST(LayerIIHeader, PeekNeedsAWholeHeader) {
  const std::vector<uint8_t> data = {0xFF, 0xFD, 0xA4};
  VMemoryBitstream bits(data.data(), data.size());
  VMPAHeader header;
  EXPECT_EQ(header.Peek(bits), 0);
  const std::vector<uint8_t> noSync(64, 0x7F);
  VMemoryBitstream none(noSync.data(), noSync.size());
  EXPECT_EQ(header.Peek(none), 0);
}

TEST(LayerIIHeader, CrcWordIsReadAfterTheHeader) {
  Fields f;
  f.protection = 0;
  std::vector<uint8_t> data = Bytes(Word(f), {}, 0);
  data.push_back(0xBE);
  data.push_back(0xEF);
  data.resize(data.size() + 8, 0);
  VMemoryBitstream bits(data.data(), data.size());
  VMPAHeader header;
  ASSERT_EQ(header.Read(bits), 0);
  EXPECT_EQ(header.crc, 0xBEEFu);
  EXPECT_EQ(bits.GetBitsLeft(), 64u);
}

struct ConfigCase {
  int mode;
  int extension;
  int bitRate;
  int sampleRate;  // index: 0 44.1, 1 48, 2 32 kHz
  int32_t result;
  int table;
  int sblimit;
  int bound;
};

TEST(LayerIIFrameConfiguration, TablesLimitsAndBound) {
  const ConfigCase cases[] = {
      // Bit rates the format does not pair with the channel count are
      // decoded by their rate per channel: 16 to 40 kbit/s per channel take
      // the low-rate tables, 224 to 384 kbit/s mono the high-rate ones.
      {0, 0, 1, 1, 0, 1, 8, 8},
      {0, 0, 2, 1, 0, 1, 8, 8},
      {0, 0, 3, 0, 0, 1, 8, 8},
      {0, 0, 5, 2, 0, 1, 12, 12},
      {1, 1, 5, 1, 0, 1, 8, 8},
      {3, 0, 11, 1, 0, 11, 27, 27},
      {3, 0, 14, 1, 0, 14, 27, 27},
      {3, 0, 14, 0, 0, 14, 30, 30},
      {3, 0, 13, 2, 0, 13, 30, 30},
      // 192 kbit/s stereo: 96 per channel.
      {0, 0, 10, 1, 0, 6, 27, 27},
      {0, 0, 10, 0, 0, 6, 30, 30},
      {0, 0, 10, 2, 0, 6, 30, 30},
      // 64 kbit/s stereo: the low-rate tables.
      {0, 0, 4, 1, 0, 1, 8, 8},
      {2, 0, 4, 2, 0, 1, 12, 12},
      // Mono.
      {3, 0, 3, 0, 0, 3, 27, 27},
      {3, 0, 2, 2, 0, 2, 12, 12},
      {3, 0, 10, 0, 0, 10, 30, 30},
      {3, 0, 6, 1, 0, 6, 27, 27},
      // Joint stereo: the bound by mode extension.
      {1, 0, 10, 0, 0, 6, 30, 4},
      {1, 1, 10, 0, 0, 6, 30, 8},
      {1, 3, 10, 0, 0, 6, 30, 16},
      {1, 3, 4, 1, 0, 1, 8, 8},
  };
  for (const ConfigCase& c : cases) {
    SCOPED_TRACE("mode " + std::to_string(c.mode) + " extension " + std::to_string(c.extension) + " index " +
                 std::to_string(c.bitRate) + " frequency " + std::to_string(c.sampleRate));
    Fields f;
    f.mode = c.mode;
    f.extension = c.extension;
    f.bitRate = c.bitRate;
    f.sampleRate = c.sampleRate;
    VMPAHeader header;
    ASSERT_EQ(header.Parse(Word(f)), 0);
    VLayerIIFrame frame(header);
    ASSERT_EQ(frame.Configure(), c.result);
    if (c.result != 0) continue;
    EXPECT_EQ(frame.GetTableIndex(), c.table);
    EXPECT_EQ(frame.GetSubbandLimit(), c.sblimit);
    EXPECT_EQ(frame.GetBound(), c.bound);
  }
  Fields layerI;
  layerI.layerField = 3;
  VMPAHeader header;
  ASSERT_EQ(header.Parse(Word(layerI)), 0);
  VLayerIIFrame frame(header);
  EXPECT_EQ(frame.Configure(), -1005);
}

}  // namespace
