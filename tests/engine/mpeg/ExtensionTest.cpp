// The extensions of MPEG-2 video that the decoder reads and keeps without
// decoding enhancement layers: sequence scalable, copyright, picture display
// and the picture spatial and temporal scalable extensions, each field read
// where it stands (the picture after them still decodes); and data-partitioned
// streams, which are refused.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "engine/mpeg/BitWriter.h"
#include "engine/mpeg/VMPVDecoder.h"
#include "engine/mpeg/VMemoryBitstream.h"
#include "engine/mpeg/VideoStreamDecoder.h"

namespace {

using mpegtest::BitWriter;
using Scalable = VMPVDecoder::SequenceScalableExtension;

// A 16 x 16 MPEG-2 sequence header with its sequence extension.
void Sequence(BitWriter& w, int progressive) {
  w.StartCode(0xB3);
  w.Put(16, 12), w.Put(16, 12), w.Put(1, 4), w.Put(3, 4), w.Put(0x3FFFF, 18), w.Put(1, 1), w.Put(20, 10);
  w.Put(0, 1), w.Put(0, 1), w.Put(0, 1);
  w.StartCode(0xB5);
  w.Put(1, 4), w.Put(0x48, 8), w.Put(static_cast<uint32_t>(progressive), 1), w.Put(1, 2), w.Put(0, 2), w.Put(0, 2);
  w.Put(0, 12), w.Put(1, 1), w.Put(0, 8), w.Put(0, 1), w.Put(0, 2), w.Put(0, 5);
}

void SequenceScalable(BitWriter& w, const Scalable& e) {
  w.StartCode(0xB5);
  w.Put(5, 4), w.Put(static_cast<uint32_t>(e.scalableMode), 2), w.Put(static_cast<uint32_t>(e.layerId), 4);
  if (e.scalableMode == 1) {
    w.Put(static_cast<uint32_t>(e.lowerLayerPredictionHorizontalSize), 14), w.Put(1, 1);
    w.Put(static_cast<uint32_t>(e.lowerLayerPredictionVerticalSize), 14);
    w.Put(static_cast<uint32_t>(e.horizontalSubsamplingFactorM), 5);
    w.Put(static_cast<uint32_t>(e.horizontalSubsamplingFactorN), 5);
    w.Put(static_cast<uint32_t>(e.verticalSubsamplingFactorM), 5);
    w.Put(static_cast<uint32_t>(e.verticalSubsamplingFactorN), 5);
  } else if (e.scalableMode == 3) {
    w.Put(static_cast<uint32_t>(e.pictureMuxEnable), 1);
    if (e.pictureMuxEnable) w.Put(static_cast<uint32_t>(e.muxToProgressiveSequence), 1);
    w.Put(static_cast<uint32_t>(e.pictureMuxOrder), 3), w.Put(static_cast<uint32_t>(e.pictureMuxFactor), 3);
  }
}

// An I picture header with its coding extension.
void Picture(BitWriter& w, int structure, int topFieldFirst, int repeatFirstField, int progressiveFrame) {
  w.StartCode(0x00);
  w.Put(0, 10), w.Put(1, 3), w.Put(0xFFFF, 16), w.Put(0, 1);
  w.StartCode(0xB5);
  w.Put(8, 4), w.Put(15, 4), w.Put(15, 4), w.Put(15, 4), w.Put(15, 4);
  w.Put(0, 2), w.Put(static_cast<uint32_t>(structure), 2), w.Put(static_cast<uint32_t>(topFieldFirst), 1);
  w.Put(structure == 3 ? 1 : 0, 1);  // frame prediction and DCT
  w.Put(0, 1), w.Put(0, 1), w.Put(0, 1), w.Put(0, 1);
  w.Put(static_cast<uint32_t>(repeatFirstField), 1), w.Put(1, 1), w.Put(static_cast<uint32_t>(progressiveFrame), 1);
  w.Put(0, 1);
}

void Copyright(BitWriter& w, const VMPVDecoder::CopyrightExtension& e) {
  w.StartCode(0xB5);
  w.Put(4, 4), w.Put(static_cast<uint32_t>(e.copyrightFlag), 1), w.Put(static_cast<uint32_t>(e.copyrightIdentifier), 8);
  w.Put(static_cast<uint32_t>(e.originalOrCopy), 1), w.Put(0, 7), w.Put(1, 1);
  w.Put(e.copyrightNumber1, 20), w.Put(1, 1), w.Put(e.copyrightNumber2, 22), w.Put(1, 1), w.Put(e.copyrightNumber3, 22);
}

void PictureDisplay(BitWriter& w, int count, int first) {
  w.StartCode(0xB5);
  w.Put(7, 4);
  for (int i = 0; i < count; ++i) {
    w.Put(static_cast<uint16_t>(first + i), 16), w.Put(1, 1);
    w.Put(static_cast<uint16_t>(-first - 10 * i), 16), w.Put(1, 1);
  }
}

// One intra macroblock of mid grey.
void FlatSlice(BitWriter& w) {
  w.StartCode(0x01);
  w.Put(4, 5), w.Put(0, 1);
  w.Put("1"), w.Put("1");
  for (int b = 0; b < 4; ++b) w.Put("100"), w.Put("10");
  for (int b = 0; b < 2; ++b) w.Put("00"), w.Put("10");
}

TEST(ExtensionTest, PictureExtensionsAreReadIntoTheirFields) {
  Scalable spatial;
  spatial.scalableMode = 1;
  spatial.layerId = 9;
  spatial.lowerLayerPredictionHorizontalSize = 8191;
  spatial.lowerLayerPredictionVerticalSize = 4097;
  spatial.horizontalSubsamplingFactorM = 17, spatial.horizontalSubsamplingFactorN = 3;
  spatial.verticalSubsamplingFactorM = 30, spatial.verticalSubsamplingFactorN = 1;
  const VMPVDecoder::CopyrightExtension copyright{1, 0xA5, 1, 0xFEDCB, 0x2AAAAA, 0x155555};
  BitWriter w;
  Sequence(w, 1);
  SequenceScalable(w, spatial);
  Picture(w, 3, 0, 0, 1);
  Copyright(w, copyright);
  PictureDisplay(w, 1, -32);
  w.StartCode(0xB5);  // picture spatial scalable extension
  w.Put(9, 4), w.Put(1023, 10), w.Put(1, 1), w.Put(0x8000 - 5, 15), w.Put(1, 1), w.Put(16383, 15);
  w.Put(2, 2), w.Put(1, 1), w.Put(0, 1);
  w.StartCode(0xB5);  // picture temporal scalable extension
  w.Put(10, 4), w.Put(3, 2), w.Put(513, 10), w.Put(1, 1), w.Put(1022, 10);
  FlatSlice(w);
  w.StartCode(0xB7);

  VMemoryBitstream bs(w.Bytes().data(), w.Bytes().size());
  VMPVDecoder decoder;
  decoder.StartSequence(&bs);
  decoder.AllocatePictures(4);
  EXPECT_TRUE(decoder.HasSequenceExtension());
  ASSERT_TRUE(decoder.HasSequenceScalableExtension());
  const Scalable& s = decoder.GetSequenceScalableExtension();
  EXPECT_EQ(s.scalableMode, 1);
  EXPECT_EQ(s.layerId, 9);
  EXPECT_EQ(s.lowerLayerPredictionHorizontalSize, 8191);
  EXPECT_EQ(s.lowerLayerPredictionVerticalSize, 4097);
  EXPECT_EQ(s.horizontalSubsamplingFactorM, 17);
  EXPECT_EQ(s.horizontalSubsamplingFactorN, 3);
  EXPECT_EQ(s.verticalSubsamplingFactorM, 30);
  EXPECT_EQ(s.verticalSubsamplingFactorN, 1);
  EXPECT_FALSE(decoder.IsDataPartitioned());

  ASSERT_TRUE(decoder.ReadHeaders());
  decoder.ParsePictureHeader();
  ASSERT_TRUE(decoder.HasCopyrightExtension());
  const auto& c = decoder.GetCopyrightExtension();
  EXPECT_EQ(c.copyrightFlag, 1);
  EXPECT_EQ(c.copyrightIdentifier, 0xA5);
  EXPECT_EQ(c.originalOrCopy, 1);
  EXPECT_EQ(c.copyrightNumber1, 0xFEDCBu);
  EXPECT_EQ(c.copyrightNumber2, 0x2AAAAAu);
  EXPECT_EQ(c.copyrightNumber3, 0x155555u);
  ASSERT_TRUE(decoder.HasPictureDisplayExtension());
  EXPECT_EQ(decoder.GetPictureDisplayExtension().count, 1);
  EXPECT_EQ(decoder.GetPictureDisplayExtension().horizontalOffset[0], -32);
  EXPECT_EQ(decoder.GetPictureDisplayExtension().verticalOffset[0], 32);
  ASSERT_TRUE(decoder.HasPictureSpatialScalableExtension());
  const auto& p = decoder.GetPictureSpatialScalableExtension();
  EXPECT_EQ(p.lowerLayerTemporalReference, 1023);
  EXPECT_EQ(p.lowerLayerHorizontalOffset, -5);
  EXPECT_EQ(p.lowerLayerVerticalOffset, 16383);
  EXPECT_EQ(p.spatialTemporalWeightCodeTableIndex, 2);
  EXPECT_EQ(p.lowerLayerProgressiveFrame, 1);
  EXPECT_EQ(p.lowerLayerDeinterlacedFieldSelect, 0);
  ASSERT_TRUE(decoder.HasPictureTemporalScalableExtension());
  const auto& t = decoder.GetPictureTemporalScalableExtension();
  EXPECT_EQ(t.referenceSelectCode, 3);
  EXPECT_EQ(t.forwardTemporalReference, 513);
  EXPECT_EQ(t.backwardTemporalReference, 1022);

  // The slice after the extensions decodes.
  ASSERT_TRUE(decoder.CanDecodePicture());
  decoder.DecodeOrSkipPicture(true);
  EXPECT_EQ(decoder.GetSliceErrorCount(), 0);
  ASSERT_NE(decoder.GetCurrentPicture(), nullptr);
  const uint8_t* y = decoder.GetCurrentPicture()->Y();
  EXPECT_TRUE(std::all_of(y, y + 256, [](uint8_t v) { return v == 128; }));
}

// The number of frame centre offsets follows the picture: its structure,
// repeat_first_field and top_field_first, and whether the sequence is
// progressive. A copyright extension after the offsets shows that each
// picture display extension was read to its end.
TEST(ExtensionTest, PictureDisplayOffsetsCountTheFieldsShown) {
  const struct {
    int progressiveSequence, structure, topFieldFirst, repeatFirstField, count;
  } cases[] = {{1, 3, 0, 0, 1}, {1, 3, 1, 1, 3}, {1, 3, 0, 1, 2}, {0, 3, 1, 0, 2},
               {0, 3, 1, 1, 3}, {0, 1, 0, 0, 1}, {0, 2, 0, 0, 1}};
  for (const auto& k : cases) {
    BitWriter w;
    Sequence(w, k.progressiveSequence);
    Picture(w, k.structure, k.topFieldFirst, k.repeatFirstField, k.progressiveSequence);
    PictureDisplay(w, k.count, 100);
    Copyright(w, {1, 7, 0, 1, 2, 3});
    w.StartCode(0xB7);
    VMemoryBitstream bs(w.Bytes().data(), w.Bytes().size());
    VMPVDecoder decoder;
    decoder.StartSequence(&bs);
    ASSERT_TRUE(decoder.ReadHeaders());
    decoder.ParsePictureHeader();
    const auto& d = decoder.GetPictureDisplayExtension();
    EXPECT_EQ(d.count, k.count) << "case " << &k - cases;
    for (int i = 0; i < k.count; ++i) {
      EXPECT_EQ(d.horizontalOffset[i], 100 + i) << "case " << &k - cases;
      EXPECT_EQ(d.verticalOffset[i], -100 - 10 * i) << "case " << &k - cases;
    }
    EXPECT_EQ(decoder.GetCopyrightExtension().copyrightIdentifier, 7) << "case " << &k - cases;
    EXPECT_EQ(decoder.GetCopyrightExtension().copyrightNumber3, 3u) << "case " << &k - cases;
  }
}

// Each scalable mode's fields; the extension is read once per stream (a
// repeat in a later sequence header is passed over).
TEST(ExtensionTest, SequenceScalableModesAreReadOncePerStream) {
  Scalable snr;
  snr.scalableMode = 2, snr.layerId = 1;
  Scalable temporal;
  temporal.scalableMode = 3, temporal.layerId = 15, temporal.pictureMuxEnable = 1;
  temporal.muxToProgressiveSequence = 1, temporal.pictureMuxOrder = 5, temporal.pictureMuxFactor = 6;
  Scalable temporalNoMux;
  temporalNoMux.scalableMode = 3, temporalNoMux.layerId = 2, temporalNoMux.pictureMuxOrder = 7;
  temporalNoMux.pictureMuxFactor = 1;
  Scalable spatial;
  spatial.scalableMode = 1, spatial.layerId = 3, spatial.lowerLayerPredictionHorizontalSize = 352;
  spatial.lowerLayerPredictionVerticalSize = 288, spatial.horizontalSubsamplingFactorM = 1;
  spatial.horizontalSubsamplingFactorN = 2, spatial.verticalSubsamplingFactorM = 1;
  spatial.verticalSubsamplingFactorN = 2;
  for (const Scalable& e : {snr, temporal, temporalNoMux, spatial}) {
    BitWriter w;
    Sequence(w, 1);
    SequenceScalable(w, e);
    Sequence(w, 1);
    SequenceScalable(w, snr.layerId == e.layerId ? temporal : snr);
    Picture(w, 3, 0, 0, 1);
    w.StartCode(0xB7);
    VMemoryBitstream bs(w.Bytes().data(), w.Bytes().size());
    VMPVDecoder decoder;
    decoder.StartSequence(&bs);
    ASSERT_TRUE(decoder.ReadHeaders());
    const Scalable& s = decoder.GetSequenceScalableExtension();
    const std::string name = "layer " + std::to_string(e.layerId);
    EXPECT_EQ(s.scalableMode, e.scalableMode) << name;
    EXPECT_EQ(s.layerId, e.layerId) << name;
    EXPECT_EQ(s.lowerLayerPredictionHorizontalSize, e.lowerLayerPredictionHorizontalSize) << name;
    EXPECT_EQ(s.lowerLayerPredictionVerticalSize, e.lowerLayerPredictionVerticalSize) << name;
    EXPECT_EQ(s.horizontalSubsamplingFactorM, e.horizontalSubsamplingFactorM) << name;
    EXPECT_EQ(s.horizontalSubsamplingFactorN, e.horizontalSubsamplingFactorN) << name;
    EXPECT_EQ(s.verticalSubsamplingFactorM, e.verticalSubsamplingFactorM) << name;
    EXPECT_EQ(s.verticalSubsamplingFactorN, e.verticalSubsamplingFactorN) << name;
    EXPECT_EQ(s.pictureMuxEnable, e.pictureMuxEnable) << name;
    EXPECT_EQ(s.muxToProgressiveSequence, e.muxToProgressiveSequence) << name;
    EXPECT_EQ(s.pictureMuxOrder, e.pictureMuxOrder) << name;
    EXPECT_EQ(s.pictureMuxFactor, e.pictureMuxFactor) << name;
  }
}

// A data-partitioned stream is refused with the reason at its start; when a
// later sequence header brings data partitioning, the pictures after it are
// not decoded (and nothing breaks).
TEST(ExtensionTest, DataPartitionedStreamsAreRefused) {
  Scalable partitioned;
  partitioned.scalableMode = 0;
  {
    BitWriter w;
    Sequence(w, 1);
    SequenceScalable(w, partitioned);
    Picture(w, 3, 0, 0, 1);
    w.StartCode(0x01);
    w.Put(64, 7);  // priority_breakpoint
    w.Put(4, 5), w.Put(0, 1);
    w.StartCode(0xB7);
    VMemoryBitstream bs(w.Bytes().data(), w.Bytes().size());
    VideoStreamDecoder decoder(bs);
    EXPECT_FALSE(decoder.Start());
    EXPECT_NE(decoder.GetStartError().find("data-partitioned"), std::string::npos) << decoder.GetStartError();
    EXPECT_EQ(decoder.Next(), nullptr);
  }
  BitWriter w;
  Sequence(w, 1);
  Picture(w, 3, 0, 0, 1);
  FlatSlice(w);
  Sequence(w, 1);
  SequenceScalable(w, partitioned);
  Picture(w, 3, 0, 0, 1);
  w.StartCode(0x01);
  w.Put(64, 7), w.Put(4, 5), w.Put(0, 1);
  Picture(w, 3, 0, 0, 1);
  FlatSlice(w);
  w.StartCode(0xB7);
  VMemoryBitstream bs(w.Bytes().data(), w.Bytes().size());
  VideoStreamDecoder decoder(bs);
  ASSERT_TRUE(decoder.Start());
  int frames = 0;
  while (decoder.Next()) ++frames;
  EXPECT_EQ(frames, 1);
  EXPECT_TRUE(decoder.GetDecoder().IsDataPartitioned());
  EXPECT_GE(decoder.GetPictureErrorCount(), 2);
}

}  // namespace
