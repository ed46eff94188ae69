// The image codecs: the documented byte sequences, and every overrun of the
// source or the destination reported as a failure without touching memory
// outside the buffers (ASan checks the latter).
#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <vector>

#include "engine/image/Codecs.h"

namespace {

using Bytes = std::vector<uint8_t>;

// Runs RLE8 (or RLE4) over exactly-sized heap copies of the buffers.
int32_t RunRLE(const Bytes& source, Bytes& destination, int32_t rowBytes, bool nibbles) {
  std::vector<uint8_t> src(source);
  if (nibbles) {
    VRunLengthNibbleCodec codec(src.data(), src.size(), destination.data(), destination.size(), rowBytes);
    return codec.Decode(0);
  }
  VRunLengthCodec codec(src.data(), src.size(), destination.data(), destination.size(), rowBytes);
  return codec.Decode(0);
}

struct RLECase {
  const char* name;
  bool nibbles;
  Bytes source;
  int32_t rowBytes;
  size_t destinationSize;
  int32_t result;   // 0: failure
  Bytes expected;   // destination afterwards (checked on success)
};

TEST(RunLengthCodecs, Table) {
  const std::vector<RLECase> cases = {
      {"run then end of line", false, {0x03, 0x41, 0x00, 0x00, 0x00, 0x01}, 4, 4, 4, {0x41, 0x41, 0x41, 0x00}},
      {"absolute run consumes padding", false, {0x00, 0x03, 0x61, 0x62, 0x63, 0x00, 0x01, 0x7A, 0x00, 0x01}, 4, 4, 4,
       {0x61, 0x62, 0x63, 0x7A}},
      {"delta moves right and down", false, {0x00, 0x02, 0x01, 0x01, 0x01, 0x55, 0x00, 0x01}, 2, 4, 4,
       {0xEE, 0xEE, 0xEE, 0x55}},
      {"two rows", false, {0x02, 0x01, 0x00, 0x00, 0x02, 0x02, 0x00, 0x01}, 2, 4, 4, {1, 1, 2, 2}},
      {"rle4 run alternates nibbles", true, {0x05, 0x12, 0x00, 0x01}, 8, 8, 5, {1, 2, 1, 2, 1, 0xEE, 0xEE, 0xEE}},
      {"rle4 absolute odd count pads to a word", true, {0x00, 0x03, 0xAB, 0xC0, 0x01, 0x0F, 0x00, 0x01}, 4, 4, 4,
       {0x0A, 0x0B, 0x0C, 0x00}},
      {"run past the destination", false, {0x05, 0x41, 0x00, 0x01}, 4, 4, 0, {}},
      {"absolute run past the destination", false, {0x00, 0x05, 1, 2, 3, 4, 5, 0, 0x00, 0x01}, 4, 4, 0, {}},
      {"absolute run past the source", false, {0x00, 0x05, 1, 2}, 8, 8, 0, {}},
      {"delta past the destination", false, {0x00, 0x02, 0x00, 0x05, 0x00, 0x01}, 4, 8, 0, {}},
      {"delta without its bytes", false, {0x00, 0x02, 0x01}, 4, 8, 0, {}},
      {"end of line past the last row", false, {0x04, 0x01, 0x00, 0x00, 0x00, 0x00, 0x00, 0x01}, 4, 4, 0, {}},
      {"source ends before the end code", false, {0x02, 0x09}, 4, 4, 0, {}},
      {"source ends after the last row", false, {0x04, 0x09}, 4, 4, 4, {9, 9, 9, 9}},
      {"empty source", false, {}, 4, 4, 0, {}},
      {"rle4 run past the destination", true, {0x09, 0x12, 0x00, 0x01}, 8, 8, 0, {}},
  };
  for (const RLECase& c : cases) {
    SCOPED_TRACE(c.name);
    Bytes destination(c.destinationSize, 0xEE);
    EXPECT_EQ(RunRLE(c.source, destination, c.rowBytes, c.nibbles), c.result);
    if (c.result != 0) {
      EXPECT_EQ(destination, c.expected);
    }
  }
}

TEST(RunLengthCodecs, NullBuffersGiveZero) {
  uint8_t buffer[4] = {};
  VRunLengthCodec a(nullptr, 4, buffer, 4, 4);
  EXPECT_EQ(a.Decode(0), 0);
  VRunLengthCodec b(buffer, 4, nullptr, 4, 4);
  EXPECT_EQ(b.Decode(0), 0);
  VRunLengthNibbleCodec c(buffer, 4, buffer, 4, 0);
  EXPECT_EQ(c.Decode(0), 0);
}

TEST(TargaRLECodec, Table) {
  struct Case {
    const char* name;
    int32_t depth;
    Bytes source;
    int32_t total;
    int32_t result;
    Bytes expected;
  };
  const std::vector<Case> cases = {
      {"run packet of 24-bit pixels", 24, {0x83, 1, 2, 3}, 12, 12, {1, 2, 3, 1, 2, 3, 1, 2, 3, 1, 2, 3}},
      {"raw packet then run", 8, {0x01, 7, 8, 0x81, 9}, 4, 4, {7, 8, 9, 9}},
      {"16-bit raw", 16, {0x00, 0x34, 0x12}, 2, 2, {0x34, 0x12}},
      {"run past the total is cut", 24, {0x83, 1, 2, 3}, 9, 9, {1, 2, 3, 1, 2, 3, 1, 2, 3}},
      {"raw packet past the total is cut", 8, {0x03, 1, 2, 3, 4}, 2, 2, {1, 2}},
      {"total not whole pixels", 24, {0x83, 1, 2, 3}, 4, 0, {}},
      {"raw packet past the source", 8, {0x03, 1, 2}, 4, 0, {}},
      {"run without its pixel", 32, {0x80, 1, 2}, 4, 0, {}},
      {"source ends early", 8, {0x80, 5}, 4, 0, {}},
      {"bad depth", 12, {0x80, 5}, 1, 0, {}},
      {"total below 1", 8, {0x80, 5}, 0, 0, {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Bytes source(c.source);
    Bytes destination(static_cast<size_t>(c.total > 0 ? c.total : 1), 0xEE);
    VTargaRLECodec codec(c.depth, source.data(), source.size(), destination.data());
    EXPECT_EQ(codec.Decode(c.total), c.result);
    if (c.result != 0) {
      EXPECT_EQ(destination, c.expected);
    }
  }
}

TEST(PackBitsCodec, Table) {
  struct Case {
    const char* name;
    Bytes source;
    int32_t samples;
    int32_t step;
    size_t room;
    int32_t result;
    Bytes expected;
    size_t consumed;
  };
  const std::vector<Case> cases = {
      {"repeat run", {0xFE, 0x07}, 3, 1, 3, 3, {7, 7, 7}, 2},
      {"no-op header then literal", {0x80, 0x01, 0x0A, 0x0B}, 2, 1, 2, 2, {0x0A, 0x0B}, 4},
      {"literal into one channel", {0x02, 1, 2, 3}, 3, 3, 9, 3, {1, 0xEE, 0xEE, 2, 0xEE, 0xEE, 3, 0xEE, 0xEE}, 4},
      {"run longer than wanted is cut", {0xF9, 0x05}, 3, 1, 3, 3, {5, 5, 5}, 2},
      {"nothing wanted", {0xFE, 0x07}, 0, 1, 3, 0, {0xEE, 0xEE, 0xEE}, 0},
      {"only a no-op header", {0x80}, 1, 1, 1, 0, {}, 1},
      {"literal past the source", {0x05, 1, 2}, 6, 1, 6, 0, {}, 0},
      {"samples past the destination", {0xFC, 0x01}, 5, 1, 3, 0, {}, 0},
      {"stepped samples past the destination", {0x03, 1, 2, 3, 4}, 4, 2, 6, 0, {}, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Bytes source(c.source);
    Bytes destination(c.room, 0xEE);
    const uint8_t* src = source.data();
    uint8_t* dst = destination.data();
    VPackBitsCodec codec(&src, source.data() + source.size(), &dst, destination.data() + destination.size(), c.step);
    EXPECT_EQ(codec.Decode(c.samples), c.result);
    if (c.result != 0 || c.samples < 1) {
      EXPECT_EQ(destination, c.expected);
      EXPECT_EQ(static_cast<size_t>(src - source.data()), c.consumed);
    }
  }
}

TEST(PackBitsCodec, SuccessiveRowsContinue) {
  Bytes source = {0xFF, 0x01, 0x01, 0x02, 0x03};  // row 1: 1 1; row 2: 2 3
  Bytes destination(4, 0);
  const uint8_t* src = source.data();
  uint8_t* dst = destination.data();
  VPackBitsCodec codec(&src, source.data() + source.size(), &dst, destination.data() + 4, 1);
  EXPECT_EQ(codec.Decode(2), 2);
  EXPECT_EQ(codec.Decode(2), 2);
  EXPECT_EQ(destination, (Bytes{1, 1, 2, 3}));
  EXPECT_EQ(src, source.data() + source.size());
}

// LZW: a clear code then code 0 delivers byte 0 (n = 2: clear 4, end 5,
// 3-bit codes: 100 000 101 -> bits LSB first 0b101'000'100 = 0x144).
TEST(LZWCodec, ClearThenZeroDeliversZero) {
  Bytes data = {0x02, 0x44, 0x01, 0x00};
  VLZWCodec codec(data.data(), data.data() + data.size(), 2);
  uint8_t out[4] = {9, 9, 9, 9};
  EXPECT_EQ(codec.Decode(out, 1, true), 1);
  EXPECT_EQ(out[0], 0);
  EXPECT_FALSE(codec.HasFailed());
  EXPECT_EQ(codec.SkipToEndOfData(), data.data() + data.size());
}

TEST(LZWCodec, RoundTripsThroughItsEncoder) {
  std::mt19937 random(7);
  for (int32_t codeSize = 2; codeSize <= 8; ++codeSize) {
    for (size_t length : {size_t{0}, size_t{1}, size_t{2}, size_t{300}, size_t{70000}}) {
      SCOPED_TRACE(testing::Message() << "code size " << codeSize << ", length " << length);
      Bytes input(length);
      // Runs and noise, so the table fills, widens and clears.
      for (size_t i = 0; i < length; ++i)
        input[i] = static_cast<uint8_t>(((i / 7) % 3 == 0 ? random() : i / 13) & ((1u << codeSize) - 1));
      VLZWCodec encoder(nullptr, nullptr, codeSize);
      ASSERT_EQ(encoder.Encode(input.data(), static_cast<int32_t>(length), true), static_cast<int32_t>(length));
      Bytes packed(encoder.GetEncoded(), encoder.GetEncoded() + encoder.GetEncodedLength());
      VLZWCodec decoder(packed.data(), packed.data() + packed.size(), codeSize);
      Bytes output(length + 1, 0xEE);
      EXPECT_EQ(decoder.Decode(output.data(), static_cast<int32_t>(length), true), static_cast<int32_t>(length));
      output.resize(length);
      EXPECT_EQ(output, input);
      EXPECT_FALSE(decoder.HasFailed());
      EXPECT_EQ(decoder.SkipToEndOfData(), packed.data() + packed.size());
    }
  }
}

TEST(LZWCodec, DeliversInPiecesAcrossCalls) {
  Bytes input(1000);
  for (size_t i = 0; i < input.size(); ++i) input[i] = static_cast<uint8_t>(i % 17);
  VLZWCodec encoder(nullptr, nullptr, 8);
  encoder.Encode(input.data(), static_cast<int32_t>(input.size()), true);
  Bytes packed(encoder.GetEncoded(), encoder.GetEncoded() + encoder.GetEncodedLength());
  VLZWCodec decoder(packed.data(), packed.data() + packed.size(), 8);
  Bytes output(input.size());
  for (size_t pos = 0; pos < output.size(); pos += 37) {
    const int32_t n = static_cast<int32_t>(std::min<size_t>(37, output.size() - pos));
    ASSERT_EQ(decoder.Decode(output.data() + pos, n, pos + 37 >= output.size()), n);
  }
  EXPECT_EQ(output, input);
}

TEST(LZWCodec, BadStreamsStopShortWithoutOverrun) {
  struct Case {
    const char* name;
    Bytes data;
    int32_t codeSize;
  };
  const std::vector<Case> cases = {
      // 3-bit codes: clear(4), then 7: not in the table and not the next free code.
      {"code beyond the next free one", {0x02, 0x3C, 0x00, 0x00}, 2},
      {"first code after clear is a table code", {0x01, 0x34, 0x00}, 2},
      {"sub-block longer than the data", {0x40, 0x44}, 2},
      {"no terminator", {0x01, 0x44}, 2},
      {"empty data", {}, 2},
      {"bad code size", {0x02, 0x44, 0x01, 0x00}, 12},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Bytes data(c.data);
    VLZWCodec codec(data.data(), data.data() + data.size(), c.codeSize);
    Bytes out(64, 0);
    EXPECT_LT(codec.Decode(out.data(), 64, true), 64);
  }
}

}  // namespace
