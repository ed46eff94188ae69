// MPEG-2 field pictures: each field fills every second line of its frame, and
// the second field of a P frame predicts the other parity from the first.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <tuple>
#include <vector>

#include "engine/mpeg/BitWriter.h"
#include "engine/mpeg/VMemoryBitstream.h"
#include "engine/mpeg/VideoStreamDecoder.h"
#include "engine/mpeg/MpegTestSupport.h"

namespace {

using mpegtest::BitWriter;

void Mpeg2Sequence(BitWriter& w, int width, int height, int chromaFormat = 1) {
  w.StartCode(0xB3);
  w.Put(static_cast<uint32_t>(width), 12);
  w.Put(static_cast<uint32_t>(height), 12);
  w.Put(1, 4), w.Put(4, 4), w.Put(0x3FFFF, 18), w.Put(1, 1), w.Put(20, 10), w.Put(0, 1), w.Put(0, 1), w.Put(0, 1);
  w.StartCode(0xB5);
  w.Put(1, 4);     // sequence extension
  w.Put(0x48, 8);  // main profile, main level
  w.Put(0, 1);     // interlaced sequence
  w.Put(static_cast<uint32_t>(chromaFormat), 2);  // 1: 4:2:0
  w.Put(0, 2), w.Put(0, 2), w.Put(0, 12), w.Put(1, 1), w.Put(0, 8), w.Put(0, 1), w.Put(0, 2), w.Put(0, 5);
}

// A picture header with its coding extension; structure 1 top, 2 bottom
// field, 3 frame (interlaced, field or frame motion and DCT per macroblock).
void FieldPicture(BitWriter& w, int type, int structure, int fCode = 1) {
  w.StartCode(0x00);
  w.Put(0, 10), w.Put(static_cast<uint32_t>(type), 3), w.Put(0xFFFF, 16);
  if (type == 2) w.Put(0, 1), w.Put(7, 3);
  w.Put(0, 1);
  w.StartCode(0xB5);
  w.Put(8, 4);
  const uint32_t f = type == 2 ? static_cast<uint32_t>(fCode) : 15;
  w.Put(f, 4), w.Put(f, 4), w.Put(15, 4), w.Put(15, 4);
  w.Put(0, 2);  // DC precision 8 bits
  w.Put(static_cast<uint32_t>(structure), 2);
  w.Put(structure == 3 ? 1 : 0, 1);  // top field first (frames only)
  w.Put(0, 1), w.Put(0, 1), w.Put(0, 1), w.Put(0, 1), w.Put(0, 1), w.Put(0, 1), w.Put(0, 1);
  w.Put(0, 1);  // not a progressive frame
  w.Put(0, 1);
  if (structure != 3) {
    w.StartCode(0x01);
    w.Put(4, 5);
    w.Put(0, 1);
  }
}

// Two intra macroblocks whose luma is 128 + dc (dc written as a 5-bit differential).
void FlatIntraField(BitWriter& w, int type, int structure, int dc) {
  FieldPicture(w, type, structure);
  for (int mb = 0; mb < 2; ++mb) {
    w.Put("1"), w.Put(type == 1 ? "1" : "00011");
    for (int b = 0; b < 4; ++b) {
      if (mb == 0 && b == 0) {
        w.Put("1110");  // size 5
        w.Put(static_cast<uint32_t>(dc > 0 ? dc : dc + 31), 5);
      } else {
        w.Put("100");
      }
      w.Put("10");
    }
    for (int b = 0; b < 2; ++b) w.Put("00"), w.Put("10");
  }
}

// A P field of zero-vector copies from the field chosen by `select`.
void CopyField(BitWriter& w, int structure, int select) {
  FieldPicture(w, 2, structure);
  for (int mb = 0; mb < 2; ++mb) {
    w.Put("1"), w.Put("001");    // forward motion only
    w.Put("01");                 // field motion
    w.Put(static_cast<uint32_t>(select), 1);
    w.Put("1"), w.Put("1");      // zero vector
  }
}

// Column x (32 rows) of each decoded frame's luma, with the decoder's counts;
// check(picture) runs on every picture.
struct Columns {
  std::vector<std::vector<uint8_t>> frames;
  int32_t pictureErrors = 0, sliceErrors = 0;
  int64_t pictureCounter = 0;
};

template <typename Check>
Columns DecodeColumns(const std::vector<uint8_t>& bytes, int x, Check check) {
  VMemoryBitstream bs(bytes.data(), bytes.size());
  VideoStreamDecoder decoder(bs);
  Columns out;
  if (!decoder.Start()) {
    ADD_FAILURE() << "the stream does not start";
    return out;
  }
  while (auto p = decoder.Next()) {
    out.frames.emplace_back();
    for (int y = 0; y < 32; ++y) out.frames.back().push_back(p->Y()[y * p->GetLumaWidth() + x]);
    check(*p);
  }
  out.pictureErrors = decoder.GetPictureErrorCount();
  out.sliceErrors = decoder.GetDecoder().GetSliceErrorCount();
  out.pictureCounter = decoder.GetDecoder().GetPictureCounter();
  return out;
}

TEST(FieldPictureTest, FieldsFillAlternateLinesAndTheSecondFieldPredictsFromTheFirst) {
  BitWriter w;
  Mpeg2Sequence(w, 32, 32);
  FlatIntraField(w, 1, 1, 20);   // top field 148
  FlatIntraField(w, 1, 2, -20);  // bottom field 108
  CopyField(w, 1, 1);            // top from the reference's bottom field: 108
  CopyField(w, 2, 0);            // bottom from this frame's top field: 108
  w.StartCode(0xB7);
  const Columns c = DecodeColumns(w.Bytes(), 5, [](const VMPVPicture& p) {
    EXPECT_EQ(p.pictureStructure, 1);
    EXPECT_EQ(p.progressiveFrame, 0);
  });
  const auto& frames = c.frames;
  EXPECT_EQ(c.pictureErrors, 0);
  EXPECT_EQ(c.sliceErrors, 0);
  EXPECT_EQ(c.pictureCounter, 4);
  ASSERT_EQ(frames.size(), 2u);
  for (int y = 0; y < 32; ++y) {
    EXPECT_EQ(frames[0][static_cast<size_t>(y)], y % 2 ? 108 : 148) << y;
    EXPECT_EQ(frames[1][static_cast<size_t>(y)], 108) << y;
  }
}

// A sequence header refused part-way (4:4:4 is not decoded) leaves the
// sequence as it was: the following fields predict in 4:2:0 as before,
// within the planes (the sanitizers watch).
TEST(FieldPictureTest, ARefusedSequenceHeaderLeavesTheSequenceAsItWas) {
  BitWriter w;
  Mpeg2Sequence(w, 32, 32);
  FlatIntraField(w, 1, 1, 20);
  FlatIntraField(w, 1, 2, -20);
  Mpeg2Sequence(w, 32, 32, 3);
  CopyField(w, 1, 1);
  CopyField(w, 2, 0);
  w.StartCode(0xB7);
  const Columns c = DecodeColumns(w.Bytes(), 5, [](const VMPVPicture& p) { EXPECT_EQ(p.GetChromaHeight(), 16); });
  const auto& frames = c.frames;
  EXPECT_EQ(c.sliceErrors, 0);
  ASSERT_EQ(frames.size(), 2u);
  for (int y = 0; y < 32; ++y) EXPECT_EQ(frames[1][static_cast<size_t>(y)], 108) << y;
}

// A motion vector difference with f_code 2.
void PutMotion(BitWriter& w, int delta) {
  static const char* kCodes[] = {"1", "01", "001", "0001", "000011", "0000101", "0000100", "0000011"};
  if (delta == 0) {
    w.Put("1");
    return;
  }
  const int magnitude = std::abs(delta) - 1;
  w.Put(kCodes[(magnitude >> 1) + 1]);
  w.Put(delta < 0 ? 1 : 0, 1);
  w.Put(static_cast<uint32_t>(magnitude & 1), 1);
}

void PutDualPrimeDelta(BitWriter& w, int d) { w.Put(d == 0 ? "0" : (d > 0 ? "10" : "11")); }


// Decodes with the engine and with ffmpeg; the worst frame's PSNR over the
// visible planes (99 when equal), or -1 when the frame counts differ.
double CompareWithFfmpeg(const std::vector<uint8_t>& bytes, int width, int height, const std::string& dir) {
  const std::string stream = dir + "/s.m2v";
  testsupport::WriteBytes(stream, std::string(bytes.begin(), bytes.end()));
  const auto reference = mpegtest::ReferenceFrames(stream, dir + "/ref.yuv", width, height, 1);
  const mpegtest::Decoded decoded = mpegtest::DecodeFile(stream);
  EXPECT_EQ(decoded.pictureErrors, 0);
  EXPECT_EQ(decoded.sliceErrors, 0);
  if (reference.size() != decoded.frames.size() || reference.empty()) return -1;
  double worst = 99;
  for (size_t i = 0; i < reference.size(); ++i) {
    worst = std::min(worst, mpegtest::Psnr(decoded.frames[i].bytes, reference[i]));
  }
  return worst;
}

class DualPrimeTest : public testsupport::TempDirTest {
 protected:
  DualPrimeTest() : TempDirTest("dualprime") {}
};

TEST_F(DualPrimeTest, FieldPicturesDecodeAsFfmpegDoes) {
  if (mpegtest::Ffmpeg().empty()) return;  // marked by RequireTool
  BitWriter w;
  Mpeg2Sequence(w, 32, 32);
  FlatIntraField(w, 1, 1, 20);
  FlatIntraField(w, 1, 2, -20);
  CopyField(w, 1, 1);
  CopyField(w, 2, 0);
  w.StartCode(0xB7);
  EXPECT_EQ(CompareWithFfmpeg(w.Bytes(), 32, 32, dir_), 99);
}

// Dual prime averages the same-parity prediction with the other parity's: in
// a frame picture from the two fields of the reference; in the second field
// of a P frame the other parity is this frame's first field.
TEST(DualPrimeDecodeTest, AveragesBothParities) {
  BitWriter w;
  Mpeg2Sequence(w, 32, 32);
  FlatIntraField(w, 1, 1, 20);   // top 148
  FlatIntraField(w, 1, 2, -20);  // bottom 108
  // A P frame picture, zero vector and zero differentials: every line the
  // mean of 148 and 108.
  FieldPicture(w, 2, 3, 2);
  for (int row = 0; row < 2; ++row) {
    w.StartCode(static_cast<uint8_t>(row + 1));
    w.Put(4, 5), w.Put(0, 1);
    for (int mb = 0; mb < 2; ++mb) {
      w.Put("1"), w.Put("001"), w.Put("11");
      PutMotion(w, 0), PutDualPrimeDelta(w, 0), PutMotion(w, 0), PutDualPrimeDelta(w, 0);
    }
  }
  // A new I pair, then a P pair of dual-prime fields.
  FlatIntraField(w, 1, 1, 20);
  FlatIntraField(w, 1, 2, -20);
  for (int structure : {1, 2}) {
    FieldPicture(w, 2, structure, 2);
    for (int mb = 0; mb < 2; ++mb) {
      w.Put("1"), w.Put("001"), w.Put("11");
      PutMotion(w, 0), PutDualPrimeDelta(w, 0), PutMotion(w, 0), PutDualPrimeDelta(w, 0);
    }
  }
  w.StartCode(0xB7);
  const Columns c = DecodeColumns(w.Bytes(), 9, [](const VMPVPicture&) {});
  const auto& frames = c.frames;
  EXPECT_EQ(c.pictureErrors, 0);
  EXPECT_EQ(c.sliceErrors, 0);
  ASSERT_EQ(frames.size(), 4u);
  for (int y = 0; y < 32; ++y) {
    EXPECT_EQ(frames[1][static_cast<size_t>(y)], 128) << y;
    // Top field: mean of the reference's top (148) and bottom (108) = 128;
    // bottom field: mean of the reference's bottom (108) and this frame's top (128).
    EXPECT_EQ(frames[3][static_cast<size_t>(y)], y % 2 ? 118 : 128) << y;
  }
}

}  // namespace
