// Sequence-level values: frame rates, picture heights in macroblocks, and
// quantiser matrices that revert to the default when a header omits them.
#include <gtest/gtest.h>

#include <vector>

#include "engine/mpeg/BitWriter.h"
#include "engine/mpeg/VMPVDecoder.h"
#include "engine/mpeg/VMemoryBitstream.h"
#include "engine/mpeg/VideoStreamDecoder.h"

namespace {

using mpegtest::BitWriter;

void Sequence(BitWriter& w, int width, int height, int rateCode, const uint8_t* intraMatrix = nullptr) {
  w.StartCode(0xB3);
  w.Put(static_cast<uint32_t>(width), 12), w.Put(static_cast<uint32_t>(height), 12);
  w.Put(1, 4), w.Put(static_cast<uint32_t>(rateCode), 4), w.Put(0x3FFFF, 18), w.Put(1, 1), w.Put(20, 10), w.Put(0, 1);
  w.Put(intraMatrix ? 1 : 0, 1);
  if (intraMatrix)
    for (int i = 0; i < 64; ++i) w.Put(intraMatrix[i], 8);
  w.Put(0, 1);
}

// Sequence extension: progressive flag, 4:2:0, frame rate extension n and d.
void Extension(BitWriter& w, int progressive, int rateN = 0, int rateD = 0) {
  w.StartCode(0xB5);
  w.Put(1, 4), w.Put(0x48, 8), w.Put(static_cast<uint32_t>(progressive), 1), w.Put(1, 2), w.Put(0, 4), w.Put(0, 12);
  w.Put(1, 1), w.Put(0, 8), w.Put(0, 1), w.Put(static_cast<uint32_t>(rateN), 2), w.Put(static_cast<uint32_t>(rateD), 5);
}

double FrameRate(const BitWriter& w) {
  VMemoryBitstream bs(w.Bytes().data(), w.Bytes().size());
  VMPVDecoder decoder;
  decoder.StartSequence(&bs);
  return decoder.GetFrameRate();
}

TEST(SequenceHeaderTest, FrameRatesByCodeAndExtension) {
  const struct {
    int code;
    double rate;
  } cases[] = {{0, 0}, {1, 23.976025}, {2, 24}, {3, 25}, {4, 29.97003}, {5, 30}, {6, 50}, {7, 59.94006}, {8, 60}, {9, 0}, {15, 0}};
  for (const auto& c : cases) {
    BitWriter w;
    Sequence(w, 16, 16, c.code);
    w.StartCode(0xB7);
    EXPECT_NEAR(FrameRate(w), c.rate, 1e-5) << c.code;
  }
  BitWriter w;
  Sequence(w, 16, 16, 3);
  Extension(w, 1, 1, 0);  // 25 * 2 / 1
  w.StartCode(0xB7);
  EXPECT_NEAR(FrameRate(w), 50, 1e-9);
}

// 240 lines: 15 macroblock rows when progressive, 16 (whole field pairs) when not.
TEST(SequenceHeaderTest, InterlacedSequencesRoundTheHeightToFieldPairs) {
  for (int progressive : {1, 0}) {
    BitWriter w;
    Sequence(w, 32, 240, 3);
    Extension(w, progressive);
    w.StartCode(0xB7);
    VMemoryBitstream bs(w.Bytes().data(), w.Bytes().size());
    VMPVDecoder decoder;
    decoder.StartSequence(&bs);
    decoder.AllocatePictures(3);
    EXPECT_EQ(decoder.FindFreePicture()->GetMacroblockHeight(), progressive ? 15 : 16);
  }
}

// An I picture of one macroblock whose first luma block has one AC coefficient.
void PictureWithOneCoefficient(BitWriter& w) {
  w.StartCode(0x00);
  w.Put(0, 10), w.Put(1, 3), w.Put(0xFFFF, 16), w.Put(0, 1);
  w.StartCode(0x01);
  w.Put(8, 5), w.Put(0, 1);
  w.Put("1"), w.Put("1");
  w.Put("100"), w.Put("0100"), w.Put(0, 1), w.Put("10");  // DC 0, then level 2 at position 1, end
  for (int b = 0; b < 3; ++b) w.Put("100"), w.Put("10");
  for (int b = 0; b < 2; ++b) w.Put("00"), w.Put("10");
}

std::vector<std::vector<uint8_t>> DecodeLuma(const BitWriter& w) {
  VMemoryBitstream bs(w.Bytes().data(), w.Bytes().size());
  VideoStreamDecoder decoder(bs);
  std::vector<std::vector<uint8_t>> out;
  if (!decoder.Start()) return out;
  while (auto p = decoder.Next()) out.emplace_back(p->Y(), p->Y() + 256);
  return out;
}

TEST(SequenceHeaderTest, AHeaderWithoutAMatrixRevertsToTheDefault) {
  std::vector<uint8_t> steep(64, 200);
  BitWriter w;
  Sequence(w, 16, 16, 3, steep.data());
  PictureWithOneCoefficient(w);
  Sequence(w, 16, 16, 3);
  PictureWithOneCoefficient(w);
  w.StartCode(0xB7);
  BitWriter plain;
  Sequence(plain, 16, 16, 3);
  PictureWithOneCoefficient(plain);
  plain.StartCode(0xB7);
  const auto frames = DecodeLuma(w);
  const auto reference = DecodeLuma(plain);
  ASSERT_EQ(frames.size(), 2u);
  ASSERT_EQ(reference.size(), 1u);
  EXPECT_NE(frames[0], reference[0]);  // the loaded matrix made a steeper ramp
  EXPECT_EQ(frames[1], reference[0]);
}

}  // namespace
