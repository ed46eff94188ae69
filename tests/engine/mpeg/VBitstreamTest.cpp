// The ring-buffered bit reader: sizes, refills of any length, start codes,
// the end of the data.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/mpeg/MPEGExceptions.h"
#include "engine/mpeg/VBitstream.h"

namespace {

// A bit stream over bytes in memory, handing out at most `chunk` bytes per read.
class MemoryBitstream : public VBitstream {
 public:
  MemoryBitstream(std::vector<uint8_t> data, uint32_t size, uint32_t chunk = 0x7FFFFFFF, bool refill = true)
      : VBitstream(nullptr, size, refill), data_(std::move(data)), chunk_(chunk) {}
  int endCalls = 0;

 protected:
  int32_t ReadSource(uint8_t* destination, int32_t count) override {
    const size_t n = std::min<size_t>({static_cast<size_t>(count), chunk_, data_.size() - position_});
    std::copy(data_.begin() + static_cast<ptrdiff_t>(position_), data_.begin() + static_cast<ptrdiff_t>(position_ + n),
              destination);
    position_ += n;
    return static_cast<int32_t>(n);
  }
  void EndOfSource() override { ++endCalls; }

 private:
  std::vector<uint8_t> data_;
  size_t chunk_;
  size_t position_ = 0;
};

std::vector<uint8_t> Counting(size_t n) {
  std::vector<uint8_t> v(n);
  for (size_t i = 0; i < n; ++i) v[i] = static_cast<uint8_t>(i * 7 + 3);
  return v;
}

TEST(VBitstreamTest, SizeIsRoundedToWordsAndAnEqualSizeKeepsTheBytes) {
  MemoryBitstream bs(Counting(64), 32770);
  EXPECT_EQ(bs.GetBufferSize(), 32772u);
  bs.Fill(8);
  EXPECT_EQ(bs.SetBufferSize(32771), 32772u);
  EXPECT_EQ(bs.ReadBits(8), 3u);
  EXPECT_EQ(bs.ReadBits(8), 10u);
}

TEST(VBitstreamTest, ResizingKeepsTheUnreadBytes) {
  MemoryBitstream bs(Counting(64), 16);
  EXPECT_EQ(bs.ReadBits(8), 3u);  // loads two words
  bs.SetBufferSize(64);
  std::vector<uint8_t> expected = Counting(64);
  for (size_t i = 1; i < 64; ++i) ASSERT_EQ(bs.ReadBits(8), expected[i]) << i;
}

// Small rings and reads of every length (also not whole words) give the bytes
// in stream order, and the end of the source is padded with zeros.
TEST(VBitstreamTest, ReadsAcrossTheRingInStreamOrderWhateverTheRefillLength) {
  const std::vector<uint8_t> data = Counting(203);
  for (uint32_t size : {8u, 12u, 20u, 64u}) {
    for (uint32_t chunk : {1u, 2u, 3u, 5u, 4096u}) {
      MemoryBitstream bs(data, size, chunk);
      for (size_t i = 0; i < data.size(); ++i) ASSERT_EQ(bs.ReadBits(8), data[i]) << size << " " << chunk << " " << i;
      EXPECT_EQ(bs.GetBitsLeft(), 0u);
      EXPECT_GE(bs.endCalls, 1);
      EXPECT_EQ(bs.PeekBits(32), 0u);  // zero padding after the end
      EXPECT_THROW(
          {
            for (int i = 0; i < 100; ++i) bs.ReadBits(32);
          },
          VBitstreamEmptyException);
    }
  }
}

TEST(VBitstreamTest, ReadBitsTakesAnyWidthMostSignificantFirst) {
  MemoryBitstream bs({0xA5, 0x0F, 0xFF, 0x00, 0x12, 0x34, 0x56, 0x78, 0x9A}, 8);
  EXPECT_EQ(bs.ReadBits(1), 1u);
  EXPECT_EQ(bs.ReadBits(3), 2u);
  EXPECT_EQ(bs.ReadBits(4), 5u);
  EXPECT_EQ(bs.ReadBits(12), 0x0FFu);
  EXPECT_EQ(bs.PeekBits(32), 0xF0012345u);
  EXPECT_EQ(bs.ReadBits(32), 0xF0012345u);
  EXPECT_EQ(bs.ReadBits(20), 0x6789Au);
}

TEST(VBitstreamTest, HeldBitsAreTheWindowLeftAlignedWithTheirCount) {
  MemoryBitstream bs({0xA5, 0x0F, 0xFF, 0x00, 0x12, 0x34, 0x56, 0x78}, 8);
  EXPECT_EQ(bs.PeekBits(16), 0xA50Fu);
  EXPECT_EQ(bs.GetHeldBitCount(), 32);
  EXPECT_EQ(bs.GetHeldBits() >> 32, 0xA50FFF00u);
  bs.SkipBits(5);
  EXPECT_EQ(bs.GetHeldBitCount(), 27);
  EXPECT_EQ(bs.GetHeldBits() >> 37, 0xA50FFF00u & 0x7FFFFFFu);
  // A peek past the held bits loads the next word below them.
  EXPECT_EQ(bs.PeekBits(28), (0xA50FFF00u & 0x7FFFFFFu) << 1);
  EXPECT_EQ(bs.GetHeldBitCount(), 59);
  EXPECT_EQ(bs.GetHeldBits() >> 5, (uint64_t{0xA50FFF00u & 0x7FFFFFFu} << 32) | 0x12345678u);
}

// A decoding loop that keeps the window in locals (adding words inline and
// topping up through the reader when the ring runs dry) reads the same bits
// as ReadBits, across ring wraps, refills of any length and a resize.
TEST(VBitstreamTest, AWindowKeptOutsideReadsAsReadBitsDoes) {
  const std::vector<uint8_t> data = Counting(301);
  struct Case {
    uint32_t ring;
    uint32_t chunk;
  };
  for (const Case c : {Case{8, 1}, Case{12, 5}, Case{16, 3}, Case{64, 0x7FFFFFFF}, Case{20, 7}}) {
    MemoryBitstream expected(data, c.ring, c.chunk), got(data, c.ring, c.chunk);
    int step = 0;
    for (size_t read = 0; read + 32 <= 8 * data.size(); ++step) {
      const int n = 1 + (step * 13) % 28;
      if (step == 40) {
        expected.SetBufferSize(c.ring * 2);
        got.SetBufferSize(c.ring * 2);
      }
      got.TopUp(32);
      uint64_t bits = got.GetHeldBits();
      int count = got.GetHeldBitCount();
      ASSERT_GE(count, 32);
      // Take n bits, then as many again after adding a word when one is there.
      uint32_t value = static_cast<uint32_t>(bits >> (64 - n));
      bits <<= n;
      count -= n;
      ASSERT_EQ(value, expected.ReadBits(n)) << "ring " << c.ring << " step " << step;
      if (count < 32 && got.TakeWord(bits, count)) {
        ASSERT_GE(count, 32);
      }
      if (count >= n) {
        value = static_cast<uint32_t>(bits >> (64 - n));
        bits <<= n;
        count -= n;
        ASSERT_EQ(value, expected.ReadBits(n)) << "ring " << c.ring << " step " << step;
        read += n;
      }
      got.SetHeldBits(bits, count);
      read += n;
    }
    EXPECT_EQ(got.GetBitsLeft(), expected.GetBitsLeft());
  }
}

TEST(VBitstreamTest, NextStartCodeStopsAfterThePrefix) {
  struct Case {
    std::vector<uint8_t> bytes;
    int skipBits;
    uint32_t value;
    uint64_t bitsLeftAfter;
  };
  const Case cases[] = {
      {{0x12, 0x34, 0x00, 0x00, 0x01, 0xB3, 0xAA, 0xBB}, 0, 0xB3, 24},
      {{0x00, 0x00, 0x01, 0xBA, 0x11, 0x22, 0x33, 0x44}, 0, 0xBA, 40},  // already aligned: three bytes
      {{0xFF, 0x00, 0x00, 0x00, 0x01, 0x00, 0x77, 0x88}, 3, 0x00, 24},  // from the middle of a byte
      {{0x00, 0x01, 0x00, 0x00, 0x00, 0x01, 0xB8, 0x00}, 0, 0xB8, 16},
  };
  for (const Case& c : cases) {
    MemoryBitstream bs(c.bytes, 16);
    bs.SkipBits(c.skipBits);
    bs.NextStartCode();
    EXPECT_EQ(bs.StartCodeValue(), c.value);
    EXPECT_EQ(bs.GetBitsLeft(), c.bitsLeftAfter);
  }
}

TEST(VBitstreamTest, NextStartCodeWithoutOneEndsWithTheEmptyError) {
  MemoryBitstream bs(std::vector<uint8_t>(1000, 0x00), 64, 7);
  EXPECT_THROW(bs.NextStartCode(), VBitstreamEmptyException);
}

TEST(VBitstreamTest, NoSourceAndNoBufferReadAsEmpty) {
  VBitstream none(nullptr, 64, true);
  EXPECT_THROW(none.ReadBits(8), VBitstreamEmptyException);
  VBitstream zero(nullptr, 0, true);
  EXPECT_EQ(zero.GetBufferSize(), 0u);
  EXPECT_THROW(zero.Prime(), VBitstreamEmptyException);
}

// Without refill on demand the reader waits for more data rather than padding.
TEST(VBitstreamTest, WithoutRefillOnDemandAPartialWordWaits) {
  MemoryBitstream bs({1, 2, 3, 4, 5, 6}, 16, 6, false);
  bs.Fill(6);
  EXPECT_EQ(bs.ReadBits(32), 0x01020304u);
  EXPECT_THROW(bs.ReadBits(8), VBitstreamEmptyException);
}

}  // namespace
