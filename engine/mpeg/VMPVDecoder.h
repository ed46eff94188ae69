// MPEG video decoder: parses the sequence, group, picture and slice layers of
// an ISO/IEC 11172-2 stream (or ISO/IEC 13818-2 main profile when a sequence
// extension follows the sequence header), decodes the macroblocks into a pool
// of YCbCr pictures and keeps the reference pictures, in decoding order.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <iterator>
#include <memory>
#include <vector>

#include "engine/mpeg/InverseTransform.h"
#include "engine/mpeg/MPEGCodec.h"
#include "engine/mpeg/VMPVPicture.h"

class VBitstream;
class VYCbCrColorTable;
struct VPredictionKernels;

class VMPVDecoder {
 public:
  using PicturePtr = std::shared_ptr<VMPVPicture>;
  // The lookup tables of one coefficient code table (made by the macroblock layer).
  struct CoefficientTables;

  // The sequence scalable extension. The enhancement layers it describes are
  // not decoded; a data-partitioned stream is refused.
  struct SequenceScalableExtension {
    // 0 data partitioning, 1 spatial, 2 SNR, 3 temporal scalability.
    int32_t scalableMode = 0;
    int32_t layerId = 0;
    // Spatial scalability.
    int32_t lowerLayerPredictionHorizontalSize = 0, lowerLayerPredictionVerticalSize = 0;
    int32_t horizontalSubsamplingFactorM = 0, horizontalSubsamplingFactorN = 0;
    int32_t verticalSubsamplingFactorM = 0, verticalSubsamplingFactorN = 0;
    // Temporal scalability.
    int32_t pictureMuxEnable = 0, muxToProgressiveSequence = 0, pictureMuxOrder = 0, pictureMuxFactor = 0;
  };
  struct CopyrightExtension {
    int32_t copyrightFlag = 0, copyrightIdentifier = 0, originalOrCopy = 0;
    // The 64-bit copyright number in its three parts of 20, 22 and 22 bits.
    uint32_t copyrightNumber1 = 0, copyrightNumber2 = 0, copyrightNumber3 = 0;
  };
  // Frame centre offsets of the picture display extension, in 1/16 sample.
  struct PictureDisplayExtension {
    int32_t count = 0;
    int16_t horizontalOffset[3] = {0, 0, 0};
    int16_t verticalOffset[3] = {0, 0, 0};
  };
  struct PictureSpatialScalableExtension {
    int32_t lowerLayerTemporalReference = 0;
    int32_t lowerLayerHorizontalOffset = 0, lowerLayerVerticalOffset = 0;  // signed 15-bit values
    int32_t spatialTemporalWeightCodeTableIndex = 0;
    int32_t lowerLayerProgressiveFrame = 0, lowerLayerDeinterlacedFieldSelect = 0;
  };
  struct PictureTemporalScalableExtension {
    int32_t referenceSelectCode = 0, forwardTemporalReference = 0, backwardTemporalReference = 0;
  };

  VMPVDecoder();
  ~VMPVDecoder();
  VMPVDecoder(const VMPVDecoder&) = delete;
  VMPVDecoder& operator=(const VMPVDecoder&) = delete;

  // Advances to the first sequence header and parses it with its extensions.
  // Throws VBitstreamEmptyException when there is none, VMPEGException on a bad header.
  void StartSequence(VBitstream* bitstream);
  double GetFrameRate() const;
  // Makes the pool of pictures (at least 3) for the sequence's size.
  void AllocatePictures(int32_t count);
  // Reads sequence, group and other headers up to a picture start code;
  // false once the stream has ended (a sequence end code at the end of the data).
  bool ReadHeaders();
  void ParsePictureHeader();
  // Whether the picture just parsed can be decoded: frame pictures whose
  // reference pictures are there.
  bool CanDecodePicture() const;
  // Decodes the picture, or skips it (decode false, or when it cannot be decoded).
  void DecodeOrSkipPicture(bool decode);
  void EndSequence();

  PicturePtr FindFreePicture() const;
  int32_t CountBusyPictures() const;
  int32_t GetPoolSize() const { return static_cast<int32_t>(pool_.size()); }

  const PicturePtr& GetCurrentPicture() const { return current_; }
  int32_t GetPictureCodingType() const { return pictureCodingType_; }
  int32_t GetPictureStructure() const { return pictureStructure_; }
  int32_t GetSyntaxMode() const { return syntaxMode_; }
  int32_t GetHorizontalSize() const { return horizontalSize_; }
  int32_t GetVerticalSize() const { return verticalSize_; }
  int32_t GetChromaFormat() const { return chromaFormat_; }
  int32_t GetMatrixCoefficients() const { return matrixCoefficients_; }
  bool IsSequenceEnded() const { return sequenceEnded_; }
  bool AreReferencesMissing() const { return referencesMissing_; }
  bool IsSecondFieldPending() const { return secondField_; }
  int64_t GetPictureCounter() const { return pictureCounter_; }
  int32_t GetTemporalReference() const { return temporalReference_; }
  // The picture counter when the last group header was read.
  int64_t GetCounterAtGroup() const { return counterAtGroup_; }
  bool IsClosedGop() const { return closedGop_; }
  // Whether a group header was read since the last call; clears the mark.
  bool TakeGroupHeaderSeen() {
    const bool seen = groupHeaderSeen_;
    groupHeaderSeen_ = false;
    return seen;
  }
  // The extensions as last read; the flags say whether one was met at all.
  bool HasSequenceExtension() const { return sequenceExtensionSeen_; }
  bool HasSequenceDisplayExtension() const { return sequenceDisplaySeen_; }
  bool HasSequenceScalableExtension() const { return sequenceScalableSeen_; }
  bool HasPictureDisplayExtension() const { return pictureDisplaySeen_; }
  bool HasCopyrightExtension() const { return copyrightSeen_; }
  bool HasPictureSpatialScalableExtension() const { return pictureSpatialScalableSeen_; }
  bool HasPictureTemporalScalableExtension() const { return pictureTemporalScalableSeen_; }
  const SequenceScalableExtension& GetSequenceScalableExtension() const { return sequenceScalable_; }
  const CopyrightExtension& GetCopyrightExtension() const { return copyright_; }
  const PictureDisplayExtension& GetPictureDisplayExtension() const { return pictureDisplay_; }
  const PictureSpatialScalableExtension& GetPictureSpatialScalableExtension() const { return pictureSpatialScalable_; }
  const PictureTemporalScalableExtension& GetPictureTemporalScalableExtension() const {
    return pictureTemporalScalable_;
  }
  // A sequence scalable extension announced data partitioning: the stream's
  // pictures are split between two layers and are not decoded.
  bool IsDataPartitioned() const { return sequenceScalableSeen_ && sequenceScalable_.scalableMode == 0; }
  int32_t GetPriorityBreakpoint() const { return priorityBreakpoint_; }
  // Slices abandoned on bad data since the start.
  int32_t GetSliceErrorCount() const { return sliceErrors_; }
  // Set when a repeated sequence header changed the picture size or chroma
  // format: the pool was made again and the references dropped.
  bool TakeSequenceChanged() {
    const bool changed = sequenceChanged_;
    sequenceChanged_ = false;
    return changed;
  }

 private:
  struct MotionVector {
    int32_t x = 0, y = 0;
  };

  void ParseSequenceHeader();
  void ParseSequenceHeaderFields();
  void ParseSequenceExtension();
  void ParseExtensionsAndUserData(int context);
  void ParseGroupHeader();
  void ParsePictureCodingExtension();
  void ParseQuantMatrixExtension();
  void ParseSequenceScalableExtension();
  void ParseCopyrightExtension();
  void ParsePictureDisplayExtension();
  void ParsePictureSpatialScalableExtension();
  void ParsePictureTemporalScalableExtension();
  void LoadMatrix(int32_t* matrix);
  void SetMatrix(int32_t* prescaled, const uint8_t* raster);
  void SetQuantiserScale(uint32_t code);
  void ReleaseReferences();

  void DecodePicture();
  void DecodeSlice();
  void DecodeMacroblock(bool first);
  // Predicts `count` skipped macroblocks from `address` on.
  void PredictSkipped(int32_t address, int32_t count);
  void DecodeMotionVectors(int s);
  int32_t DecodeMotionComponent(int32_t predictor, int32_t fCode);
  int32_t DecodeDualPrimeDelta();
  void ComputeDualPrimeVectors(int32_t mvx, int32_t mvy, int32_t dmvx, int32_t dmvy);
  // The prediction of `count` macroblocks of one row from (mbx, mby) on, all
  // with the same vectors.
  void FormPrediction(int32_t mbx, int32_t mby, int32_t count, int32_t directions, int32_t motionType);
  // kField: field prediction (16 x 8 from the lines of sourceField into those
  // of destField); otherwise frame prediction (both fields -1).
  template <bool kField>
  void PredictMacroblock(const VMPVPicture& ref, int32_t mbx, int32_t mby, int32_t count, int32_t mvx, int32_t mvy,
                         int32_t sourceField, int32_t destField, bool average);
  void DecodeBlock(int component, bool intra);
  // What dequantising needs at one scan position: the matrix entry times the
  // quantiser scale and the row and column mask bits of its raster position.
  // Eight bytes, so that the reader's loop addresses a step by the scan
  // position itself; the raster positions and the transform's limits come
  // from the scan's own tables.
  struct ScanStep {
    int32_t scale;
    uint32_t mask;
  };
  // Run and level codes up to the end of the block, read word by word with
  // every length checked, dequantised with the matrix times the quantiser
  // scale (in scan order); `i` is the scan position before the first.
  // kMpeg1: the ISO/IEC 11172-2 syntax. Intra blocks begin with their DC term
  // (`component`: 0 luma, 1 Cb, 2 Cr); `which` names the matrix as
  // ScaledMatrix does.
  template <bool kIntra, bool kMpeg1>
  void DecodeCoefficients(int32_t i, int which, CoefficientTables tables, int component);
  template <bool kIntra, bool kMpeg1, bool kClamp>
  struct BlockSink;
  // The coded blocks of a macroblock (bit blocks - 1 - b of `pattern` for
  // block b), each decoded into block_ and then handed to store(b); read
  // straight from the ring while it holds enough for a block in one piece.
  template <typename Store>
  void DecodeBlocks(uint32_t pattern, int blocks, bool intra, Store store);
  template <bool kIntra, bool kMpeg1, bool kClamp, typename Store>
  void DecodeBlockRun(uint32_t pattern, int blocks, Store& store);
  // The same from block `first` on, block by block, each checking for the end of the data.
  template <typename Store>
  void DecodeBlocksChecked(uint32_t pattern, int blocks, int first, bool intra, Store& store);
  // An intra block's DC term from its size and differential bits, through
  // the component's predictor.
  void SetIntraDc(int component, int32_t size, uint32_t raw);
  // A matrix (0 intra luma, 1 intra chroma, 2 non-intra luma, 3 non-intra
  // chroma) times the quantiser scale, in the picture's scan order; made
  // again when the scale changed.
  const ScanStep* ScaledMatrix(int which) {
    if (scaledFor_[which] != quantiserScale_) MakeScaledMatrix(which);
    return scaledMatrices_[which];
  }
  void MakeScaledMatrix(int which);
  // The picture's scan: the raster position and the transform's largest
  // coefficient magnitude at each scan position.
  const uint8_t* ScanOrder() const;
  const int32_t* ScanLimits() const;
  // Whether every code of the coefficient reader's pair tables (all but the
  // escapes) stays within the transform's limits with that matrix now.
  bool MatrixFitsTableCodes(int which) {
    ScaledMatrix(which);
    return scaledFits_[which];
  }
  void ForgetScaledMatrices() { std::fill(std::begin(scaledFor_), std::end(scaledFor_), 0); }
  // Notes the decoded block's rows and columns for the transform, or that it
  // is flat when only the DC term is there.
  void FinishBlock(uint32_t rowMask, uint32_t columnMask);
  // Where each block of the macroblock goes: its first pixel and line stride.
  void BlockDestinations(int32_t mbx, int32_t mby, uint8_t** dst, int32_t* stride);
  void StoreBlock(uint8_t* dst, int32_t stride, bool intra);
  void PredictFieldPictureMacroblock(const VMPVPicture& ref, int32_t sourceField, int32_t mbx, int32_t mby,
                                     int32_t mvx, int32_t mvy, int32_t rowOffset, int32_t height, bool average);
  // The picture a prediction reads: by direction and, in field pictures, by
  // the field it selects.
  const VMPVPicture* ReferenceFor(int direction, int32_t sourceField) const;
  bool IsFieldPicture() const { return pictureStructure_ != 3; }
  int32_t FieldParity() const { return pictureStructure_ == 2 ? 1 : 0; }
  int32_t MacroblockRows() const { return IsFieldPicture() ? mbHeight_ / 2 : mbHeight_; }

  VBitstream* bs_ = nullptr;
  const VMPEGCodec& codec_;
  int32_t syntaxMode_ = 1;

  // sequence
  int32_t horizontalSize_ = 0, verticalSize_ = 0;
  int32_t aspectRatio_ = 0, frameRateCode_ = 0;
  int32_t progressiveSequence_ = 1, chromaFormat_ = 1, lowDelay_ = 0;
  int32_t frameRateExtN_ = 0, frameRateExtD_ = 0;
  int32_t matrixCoefficients_ = 5;
  bool sequenceExtensionSeen_ = false, sequenceDisplaySeen_ = false, sequenceScalableSeen_ = false;
  bool pictureDisplaySeen_ = false, copyrightSeen_ = false;
  bool pictureSpatialScalableSeen_ = false, pictureTemporalScalableSeen_ = false;
  SequenceScalableExtension sequenceScalable_;
  CopyrightExtension copyright_;
  PictureDisplayExtension pictureDisplay_;
  PictureSpatialScalableExtension pictureSpatialScalable_;
  PictureTemporalScalableExtension pictureTemporalScalable_;
  int32_t mbWidth_ = 0, mbHeight_ = 0;
  int32_t hSizeExtension_ = 0, vSizeExtension_ = 0;
  int32_t poolChromaFormat_ = 0;

  // prescaled matrices
  int32_t intraLuma_[64], nonIntraLuma_[64], intraChroma_[64], nonIntraChroma_[64];
  // The same times the quantiser scale of scaledFor_ (0: not made), in scan
  // order; forgotten at every picture, as headers before it may have loaded
  // matrices or changed the scan.
  ScanStep scaledMatrices_[4][64];
  bool scaledFits_[4] = {false, false, false, false};  // see MatrixFitsTableCodes
  int32_t scaledFor_[4] = {0, 0, 0, 0};

  // picture
  int32_t temporalReference_ = 0, pictureCodingType_ = 0;
  int32_t fullPel_[2] = {0, 0};
  int32_t fCode_[2][2] = {{1, 1}, {1, 1}};
  int32_t intraDcPrecision_ = 0, pictureStructure_ = 3, topFieldFirst_ = 0, framePredFrameDct_ = 1;
  int32_t concealmentVectors_ = 0, qScaleType_ = 0, intraVlcFormat_ = 0, alternateScan_ = 0;
  int32_t repeatFirstField_ = 0, progressiveFrame_ = 1;
  bool pictureHeaderParsed_ = false;
  bool secondField_ = false;       // the next field picture is the second of its frame
  bool firstFieldDecoded_ = false;  // the first field of the pending frame was decoded
  int64_t pictureCounter_ = 0;
  int64_t counterAtGroup_ = 0;
  bool groupHeaderSeen_ = false;
  bool closedGop_ = false;

  // slice and macroblock
  int32_t quantiserScale_ = 1;
  int32_t priorityBreakpoint_ = 0;
  int32_t address_ = 0;
  int32_t addressColumn_ = 0, addressRow_ = 0;  // address_ in macroblocks across and down
  int32_t dcPredictor_[3] = {0, 0, 0};
  int32_t pmv_[2][2][2] = {};  // [vector r][direction s][component t]
  int32_t fieldSelect_[2][2] = {};
  int32_t dualPrime_[2][2] = {};  // derived opposite-parity vectors [field][component]
  int32_t motionType_ = 2;  // 1 field, 2 frame (frame pictures)
  int32_t dctType_ = 0;
  int32_t lastDirections_ = 0;  // forward/backward flags of the last macroblock (B pictures)
  int32_t lastMotionType_ = 2;
  const VPredictionKernels* prediction_ = nullptr;  // chosen for each picture
  void (*transformAndStore_)(VCoefficientBlock&, uint8_t*, ptrdiff_t, bool) = nullptr;  // likewise
  VCoefficientBlock block_;
  bool flatBlock_ = false;  // the block holds one value everywhere: flatValue_
  int32_t flatValue_ = 0;

  // pictures
  std::vector<PicturePtr> pool_;
  PicturePtr current_, newer_, older_;
  VYCbCrColorTable* colorTable_ = nullptr;
  bool sequenceEnded_ = false;
  bool referencesMissing_ = true;
  bool sequenceChanged_ = false;
  int32_t sliceErrors_ = 0;
};
