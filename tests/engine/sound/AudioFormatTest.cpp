// Sample formats: frame arithmetic, silence and block conversion between
// widths, signedness, byte orders, channel counts and rates.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "engine/sound/AudioFormat.h"

namespace {

VAudioEncodingFormat Format(int32_t rate, int32_t bits, bool stereo, int32_t encoding, int32_t order = 1) {
  VAudioEncodingFormat f(rate, bits, stereo, encoding);
  f.byteOrder = order;
  return f;
}

TEST(AudioFormat, ArithmeticAndDefaults) {
  const VAudioEncodingFormat def;
  EXPECT_EQ(def.rate, 22050);
  EXPECT_EQ(def.bits, 16);
  EXPECT_EQ(def.Channels(), 1);
  EXPECT_EQ(def.encoding, kAudioEncodingSigned);
  EXPECT_EQ(def.byteOrder, 1);
  EXPECT_EQ(def.formatTag, 0);
  const VAudioFormat stereo16(44100, 16, true);
  EXPECT_EQ(stereo16.FrameBytes(), 4);
  EXPECT_EQ(stereo16.BytesPerSecond(), 176400);
  EXPECT_EQ(stereo16.BytesForMilliseconds(10), 1764);
  EXPECT_EQ(stereo16.FramesForMilliseconds(1000), 44100);
  EXPECT_EQ(stereo16.MillisecondsForBytes(176400), 1000);
  EXPECT_EQ(stereo16.FramesInBytes(4001), 1000);
  EXPECT_EQ(VAudioEncodingFormat(VAudioFormat(11025, 8, false)).encoding, kAudioEncodingUnsigned);
  EXPECT_EQ(VAudioEncodingFormat(VAudioFormat(11025, 16, false)).encoding, kAudioEncodingSigned);
  EXPECT_EQ(VAudioEncodingFormat(VAudioFormat(11025, 24, false)).encoding, kAudioEncodingNone);
  // Large counts do not overflow.
  EXPECT_EQ(VAudioFormat(48000, 16, true).BytesForMilliseconds(3600000), int64_t{48000} * 4 * 3600);
}

TEST(AudioFormat, Silence) {
  struct Case {
    int bits;
    int32_t encoding;
    int order;
    std::vector<uint8_t> expected;
  } cases[] = {
      {8, kAudioEncodingUnsigned, 1, {0x80, 0x80}},
      {8, kAudioEncodingSigned, 1, {0, 0}},
      {16, kAudioEncodingSigned, 1, {0, 0, 0, 0}},
      {16, kAudioEncodingUnsigned, 1, {0x00, 0x80, 0x00, 0x80}},
      {16, kAudioEncodingUnsigned, 0, {0x80, 0x00, 0x80, 0x00}},
  };
  for (const Case& c : cases) {
    std::vector<uint8_t> buffer(c.expected.size(), 0x55);
    EXPECT_EQ(FillSilence(buffer.data(), Format(22050, c.bits, false, c.encoding, c.order), 2),
              static_cast<int32_t>(c.expected.size()));
    EXPECT_EQ(buffer, c.expected) << c.bits << " bits, encoding " << c.encoding;
  }
  uint8_t odd[6] = {};
  EXPECT_EQ(FillSilence(odd, Format(22050, 24, false, kAudioEncodingSigned), 2), 0);
}

TEST(AudioFormat, EightBitUnsignedToSixteenBitSignedDoublesTheRate) {
  const uint8_t in[] = {0x00, 0x80, 0xFF, 0x12};
  std::vector<uint8_t> out(16);
  int32_t fraction = 0;
  ASSERT_EQ(ConvertAudioFormat(in, Format(11025, 8, false, kAudioEncodingUnsigned), 4, out.data(),
                               Format(22050, 16, false, kAudioEncodingSigned), 8, 512, &fraction),
            16);
  for (int i = 0; i < 8; ++i) {
    const int b = in[i / 2];
    const auto expected = static_cast<int16_t>(static_cast<uint16_t>((b * 257) ^ 0x8000));
    int16_t got;
    std::memcpy(&got, out.data() + 2 * i, 2);
    EXPECT_EQ(got, expected) << i;
  }
  // Without a step the frame counts must agree.
  EXPECT_EQ(ConvertAudioFormat(in, Format(11025, 8, false, kAudioEncodingUnsigned), 4, out.data(),
                               Format(22050, 16, false, kAudioEncodingSigned), 8, 0, nullptr),
            0);
}

TEST(AudioFormat, StereoToMonoKeepsTheLeftChannel) {
  const int16_t in[] = {100, -5, 200, 7, -300, 9};
  int16_t out[3] = {};
  ASSERT_EQ(ConvertAudioFormat(in, Format(22050, 16, true, 2), 3, out, Format(22050, 16, false, 2), 3, 0, nullptr),
            6);
  EXPECT_EQ(out[0], 100);
  EXPECT_EQ(out[1], 200);
  EXPECT_EQ(out[2], -300);
  int16_t back[6] = {};
  ASSERT_EQ(ConvertAudioFormat(out, Format(22050, 16, false, 2), 3, back, Format(22050, 16, true, 2), 3, 0, nullptr),
            12);
  EXPECT_EQ(back[0], 100);
  EXPECT_EQ(back[1], 100);
  EXPECT_EQ(back[5], -300);
}

TEST(AudioFormat, FractionCarriesBetweenBlocks) {
  std::vector<int16_t> in(200);
  for (size_t i = 0; i < in.size(); ++i) in[i] = static_cast<int16_t>(i);
  std::vector<int16_t> out(100);
  int32_t fraction = 512;
  const VAudioEncodingFormat f = Format(22050, 16, false, 2);
  ASSERT_EQ(ConvertAudioFormat(in.data(), f, 151, out.data(), f, 100, 1536, &fraction), 200);
  EXPECT_EQ(fraction, 512);
  // Output j takes source frame (512 + j * 1536) >> 10.
  for (int j = 0; j < 100; ++j) EXPECT_EQ(out[static_cast<size_t>(j)], (512 + j * 1536) >> 10) << j;
  EXPECT_EQ(SourceFramesForStep(100, 1536, 512), 150);
}

TEST(AudioFormat, UpsamplingNeverReadsPastTheLastSourceFrame) {
  // Two output frames at step 512 from fraction 600 ask for (1024+600)>>10 = 1
  // source frame, yet the second output lands on index 1: it repeats frame 0.
  const int16_t in[] = {1234};
  int16_t out[2] = {};
  int32_t fraction = 600;
  const VAudioEncodingFormat f = Format(22050, 16, false, 2);
  ASSERT_EQ(ConvertAudioFormat(in, f, 1, out, f, 2, 512, &fraction), 4);
  EXPECT_EQ(out[0], 1234);
  EXPECT_EQ(out[1], 1234);
  EXPECT_GE(SourceFramesForStep(1, 512, 0), 1);  // never 0 frames
}

TEST(AudioFormat, RefusedConversions) {
  uint8_t in[8] = {};
  uint8_t out[16] = {};
  const VAudioEncodingFormat s16 = Format(22050, 16, false, kAudioEncodingSigned);
  EXPECT_EQ(ConvertAudioFormat(in, s16, 4, out, Format(22050, 16, false, kAudioEncodingNone), 4, 0, nullptr), 0);
  EXPECT_EQ(ConvertAudioFormat(in, s16, 4, in, s16, 4, 0, nullptr), 0);  // same buffer
  EXPECT_EQ(ConvertAudioFormat(in, s16, 0, out, s16, 4, 1024, nullptr), 0);
  EXPECT_EQ(ConvertAudioFormat(in, Format(0, 16, false, 2), 4, out, s16, 4, 1024, nullptr), 0);
  EXPECT_EQ(ConvertSampleWidth(in, s16, 4, out, s16), 0);
}

TEST(AudioFormat, ByteOrderAndWidth) {
  // Big-endian 16-bit signed to little-endian unsigned 8-bit: the high byte, top bit flipped.
  const uint8_t in[] = {0x12, 0x34, 0xF0, 0x00};
  uint8_t out[2] = {};
  ASSERT_EQ(ConvertAudioFormat(in, Format(8000, 16, false, kAudioEncodingSigned, 0), 2, out,
                               Format(8000, 8, false, kAudioEncodingUnsigned), 2, 0, nullptr),
            2);
  EXPECT_EQ(out[0], 0x92);
  EXPECT_EQ(out[1], 0x70);
  // 8-bit unsigned to big-endian 16-bit signed.
  const uint8_t small[] = {0x80, 0xFF};
  uint8_t wide[4] = {};
  ASSERT_EQ(ConvertAudioFormat(small, Format(8000, 8, false, kAudioEncodingUnsigned), 2, wide,
                               Format(8000, 16, false, kAudioEncodingSigned, 0), 2, 0, nullptr),
            4);
  EXPECT_EQ(wide[0], 0x00);
  EXPECT_EQ(wide[1], 0x80);
  EXPECT_EQ(wide[2], 0x7F);
  EXPECT_EQ(wide[3], 0xFF);
}

}  // namespace
