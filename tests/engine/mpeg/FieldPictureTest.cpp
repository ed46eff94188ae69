// MPEG-2 field pictures: each field fills every second line of its frame, and
// the second field of a P frame predicts the other parity from the first.
#include <gtest/gtest.h>

#include <vector>

#include "engine/mpeg/BitWriter.h"
#include "engine/mpeg/VMemoryBitstream.h"
#include "engine/mpeg/VideoStreamDecoder.h"

namespace {

using mpegtest::BitWriter;

void Mpeg2Sequence(BitWriter& w, int width, int height) {
  w.StartCode(0xB3);
  w.Put(static_cast<uint32_t>(width), 12);
  w.Put(static_cast<uint32_t>(height), 12);
  w.Put(1, 4), w.Put(4, 4), w.Put(0x3FFFF, 18), w.Put(1, 1), w.Put(20, 10), w.Put(0, 1), w.Put(0, 1), w.Put(0, 1);
  w.StartCode(0xB5);
  w.Put(1, 4);     // sequence extension
  w.Put(0x48, 8);  // main profile, main level
  w.Put(0, 1);     // interlaced sequence
  w.Put(1, 2);     // 4:2:0
  w.Put(0, 2), w.Put(0, 2), w.Put(0, 12), w.Put(1, 1), w.Put(0, 8), w.Put(0, 1), w.Put(0, 2), w.Put(0, 5);
}

// A field picture header with its coding extension; structure 1 top, 2 bottom.
void FieldPicture(BitWriter& w, int type, int structure) {
  w.StartCode(0x00);
  w.Put(0, 10), w.Put(static_cast<uint32_t>(type), 3), w.Put(0xFFFF, 16);
  if (type == 2) w.Put(0, 1), w.Put(7, 3);
  w.Put(0, 1);
  w.StartCode(0xB5);
  w.Put(8, 4);
  w.Put(type == 2 ? 1 : 15, 4), w.Put(type == 2 ? 1 : 15, 4), w.Put(15, 4), w.Put(15, 4);
  w.Put(0, 2);  // DC precision 8 bits
  w.Put(static_cast<uint32_t>(structure), 2);
  w.Put(0, 1), w.Put(0, 1), w.Put(0, 1), w.Put(0, 1), w.Put(0, 1), w.Put(0, 1), w.Put(0, 1), w.Put(0, 1);
  w.Put(0, 1);  // not a progressive frame
  w.Put(0, 1);
  w.StartCode(0x01);
  w.Put(4, 5);
  w.Put(0, 1);
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

TEST(FieldPictureTest, FieldsFillAlternateLinesAndTheSecondFieldPredictsFromTheFirst) {
  BitWriter w;
  Mpeg2Sequence(w, 32, 32);
  FlatIntraField(w, 1, 1, 20);   // top field 148
  FlatIntraField(w, 1, 2, -20);  // bottom field 108
  CopyField(w, 1, 1);            // top from the reference's bottom field: 108
  CopyField(w, 2, 0);            // bottom from this frame's top field: 108
  w.StartCode(0xB7);
  VMemoryBitstream bs(w.Bytes().data(), w.Bytes().size());
  VideoStreamDecoder decoder(bs);
  ASSERT_TRUE(decoder.Start());
  std::vector<std::vector<uint8_t>> frames;
  while (auto p = decoder.Next()) {
    frames.emplace_back();
    for (int y = 0; y < 32; ++y) frames.back().push_back(p->Y()[y * p->GetLumaWidth() + 5]);
    EXPECT_EQ(p->pictureStructure, 1);
    EXPECT_EQ(p->progressiveFrame, 0);
  }
  EXPECT_EQ(decoder.GetPictureErrorCount(), 0);
  EXPECT_EQ(decoder.GetDecoder().GetSliceErrorCount(), 0);
  EXPECT_EQ(decoder.GetDecoder().GetPictureCounter(), 4);
  ASSERT_EQ(frames.size(), 2u);
  for (int y = 0; y < 32; ++y) {
    EXPECT_EQ(frames[0][static_cast<size_t>(y)], y % 2 ? 108 : 148) << y;
    EXPECT_EQ(frames[1][static_cast<size_t>(y)], 108) << y;
  }
}

}  // namespace
