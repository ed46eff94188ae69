// Sequence, group and picture layers of the MPEG video decoder, the picture
// pool and the rotation of the reference pictures.
#include "engine/mpeg/VMPVDecoder.h"

#include <algorithm>

#include "engine/graphics/VColorTable.h"
#include "engine/graphics/VYCbCrColorTable.h"
#include "engine/mpeg/MPEGExceptions.h"
#include "engine/mpeg/VBitstream.h"
#include "engine/mpeg/VideoKernels.h"

namespace {
// The largest picture accepted: a stream announcing more is refused rather
// than allowed to allocate without bound.
constexpr int64_t kMaxPictureArea = 1920 * 1152;

// A 15-bit two's complement field.
int32_t Signed15(uint32_t raw) { return static_cast<int32_t>(raw & 0x3FFF) - static_cast<int32_t>(raw & 0x4000); }
}  // namespace

VMPVDecoder::VMPVDecoder() : codec_(AcquireMPEGCodec()) {
  SetMatrix(intraLuma_, kDefaultIntraMatrix);
  SetMatrix(intraChroma_, kDefaultIntraMatrix);
  uint8_t flat[64];
  std::fill(std::begin(flat), std::end(flat), uint8_t{16});
  SetMatrix(nonIntraLuma_, flat);
  SetMatrix(nonIntraChroma_, flat);
}

VMPVDecoder::~VMPVDecoder() {
  current_.reset();
  newer_.reset();
  older_.reset();
  pool_.clear();
  if (colorTable_) colorTable_->Release();
}

void VMPVDecoder::SetMatrix(int32_t* prescaled, const uint8_t* raster) {
  for (int i = 0; i < 64; ++i) prescaled[i] = (kTransformScale[i] * raster[i] + 1) >> 1;
}

void VMPVDecoder::LoadMatrix(int32_t* matrix) {
  uint8_t raster[64];
  for (int i = 0; i < 64; ++i) {
    uint32_t v = bs_->ReadBits(8);
    if (v == 0) v = 1;  // a zero weight is outside the syntax; keep the arithmetic sound
    raster[kZigZagScan[i]] = static_cast<uint8_t>(v);
  }
  SetMatrix(matrix, raster);
}

void VMPVDecoder::StartSequence(VBitstream* bitstream) {
  bs_ = bitstream;
  bs_->Prime();
  // Advance to the first sequence header.
  for (;;) {
    bs_->NextStartCode();
    if (bs_->StartCodeValue() == 0xB3) break;
  }
  ParseSequenceHeader();
}

double VMPVDecoder::GetFrameRate() const {
  static const double kRates[9] = {0, 24000.0 / 1001, 24, 25, 30000.0 / 1001, 30, 50, 60000.0 / 1001, 60};
  if (frameRateCode_ < 1 || frameRateCode_ > 8) return 0;
  return kRates[frameRateCode_] * (frameRateExtN_ + 1) / (frameRateExtD_ + 1);
}

void VMPVDecoder::ParseSequenceHeader() {
  // A header that fails part-way leaves the sequence as it was, so that the
  // pictures in the pool keep matching the chroma format and the layout of
  // rows their planes were made for.
  const int32_t chromaFormat = chromaFormat_, progressiveSequence = progressiveSequence_, syntaxMode = syntaxMode_;
  try {
    ParseSequenceHeaderFields();
  } catch (...) {
    chromaFormat_ = chromaFormat;
    progressiveSequence_ = progressiveSequence;
    syntaxMode_ = syntaxMode;
    throw;
  }
}

void VMPVDecoder::ParseSequenceHeaderFields() {
  bs_->SkipBits(8);
  int32_t h = static_cast<int32_t>(bs_->ReadBits(12));
  int32_t v = static_cast<int32_t>(bs_->ReadBits(12));
  aspectRatio_ = static_cast<int32_t>(bs_->ReadBits(4));
  frameRateCode_ = static_cast<int32_t>(bs_->ReadBits(4));
  bs_->SkipBits(18 + 1 + 10 + 1);  // bit rate, marker, buffer size, constrained flag
  if (bs_->ReadBits(1)) {
    LoadMatrix(intraLuma_);
    std::copy(std::begin(intraLuma_), std::end(intraLuma_), intraChroma_);
  } else {
    SetMatrix(intraLuma_, kDefaultIntraMatrix);
    SetMatrix(intraChroma_, kDefaultIntraMatrix);
  }
  if (bs_->ReadBits(1)) {
    LoadMatrix(nonIntraLuma_);
    std::copy(std::begin(nonIntraLuma_), std::end(nonIntraLuma_), nonIntraChroma_);
  } else {
    uint8_t flat[64];
    std::fill(std::begin(flat), std::end(flat), uint8_t{16});
    SetMatrix(nonIntraLuma_, flat);
    SetMatrix(nonIntraChroma_, flat);
  }
  bs_->NextStartCode();
  if (bs_->StartCodeValue() == 0xB5) {
    syntaxMode_ = 2;
    ParseSequenceExtension();
    h |= hSizeExtension_ << 12;
    v |= vSizeExtension_ << 12;
    ParseExtensionsAndUserData(0);
  } else {
    syntaxMode_ = 1;
    progressiveSequence_ = 1;
    chromaFormat_ = 1;
    progressiveFrame_ = 1;
    pictureStructure_ = 3;
    framePredFrameDct_ = 1;
    concealmentVectors_ = 0;
    qScaleType_ = 0;
    intraVlcFormat_ = 0;
    alternateScan_ = 0;
    repeatFirstField_ = 0;
    topFieldFirst_ = 0;
    intraDcPrecision_ = 0;
    lowDelay_ = 0;
    frameRateExtN_ = frameRateExtD_ = 0;
  }
  if (h == 0 || v == 0 || int64_t{h} * v > kMaxPictureArea) throw VMPEGException("unsupported picture size");
  horizontalSize_ = h;
  verticalSize_ = v;
  const int32_t mbw = (h + 15) >> 4;
  const int32_t mbh = progressiveSequence_ ? (v + 15) >> 4 : 2 * ((v + 31) >> 5);
  if (!pool_.empty() && (mbw != mbWidth_ || mbh != mbHeight_ || chromaFormat_ != poolChromaFormat_)) {
    // A new picture size: the pool is made again and the references dropped,
    // so that no picture is decoded into planes of another size.
    mbWidth_ = mbw;
    mbHeight_ = mbh;
    const int32_t count = static_cast<int32_t>(pool_.size());
    ReleaseReferences();
    pool_.clear();
    AllocatePictures(count);
    referencesMissing_ = true;
    sequenceChanged_ = true;
  }
  mbWidth_ = mbw;
  mbHeight_ = mbh;
}

void VMPVDecoder::ParseSequenceExtension() {
  bs_->SkipBits(8);
  if (bs_->ReadBits(4) != 1) throw VMPEGException("sequence extension expected");
  bs_->SkipBits(8);  // profile and level
  const auto progressive = static_cast<int32_t>(bs_->ReadBits(1));
  const auto chroma = static_cast<int32_t>(bs_->ReadBits(2));
  if (chroma != 1 && chroma != 2) throw VMPEGException("unsupported chroma format");
  progressiveSequence_ = progressive;
  chromaFormat_ = chroma;
  hSizeExtension_ = static_cast<int32_t>(bs_->ReadBits(2));
  vSizeExtension_ = static_cast<int32_t>(bs_->ReadBits(2));
  bs_->SkipBits(12 + 1 + 8);  // bit rate extension, marker, buffer size extension
  lowDelay_ = static_cast<int32_t>(bs_->ReadBits(1));
  frameRateExtN_ = static_cast<int32_t>(bs_->ReadBits(2));
  frameRateExtD_ = static_cast<int32_t>(bs_->ReadBits(5));
  bs_->NextStartCode();
  sequenceExtensionSeen_ = true;
}

void VMPVDecoder::ParseExtensionsAndUserData(int context) {
  for (;;) {
    const uint32_t code = bs_->StartCodeValue();
    if (code == 0xB2) {
      bs_->SkipBits(8);
      bs_->NextStartCode();
      continue;
    }
    if (code != 0xB5) return;
    bs_->SkipBits(8);
    const uint32_t id = bs_->PeekBits(4);
    if (context == 0 && id == 2) {
      bs_->SkipBits(4 + 3);  // identifier, video format
      if (bs_->ReadBits(1)) {
        bs_->SkipBits(16);  // colour primaries, transfer characteristics
        const int32_t matrix = static_cast<int32_t>(bs_->ReadBits(8));
        matrixCoefficients_ = matrix <= 7 ? matrix : 5;
      }
      bs_->SkipBits(14 + 1 + 14);
      sequenceDisplaySeen_ = true;
    } else if (context == 0 && id == 5) {
      bs_->SkipBits(4);
      // Read once per stream; a repeat in a later sequence header is passed over.
      if (!sequenceScalableSeen_) ParseSequenceScalableExtension();
      // The slices of a data partition carry only part of each block's
      // coefficients (the rest is in a second stream): decoding them would
      // give wrong pictures.
      if (IsDataPartitioned()) throw VMPEGException("data-partitioned video is not supported");
    } else if (context == 2) {
      bs_->SkipBits(4);
      switch (id) {
        case 3: ParseQuantMatrixExtension(); break;
        case 4: ParseCopyrightExtension(); break;
        case 7: ParsePictureDisplayExtension(); break;
        case 9: ParsePictureSpatialScalableExtension(); break;
        case 10: ParsePictureTemporalScalableExtension(); break;
        default: break;  // not used here: passed over
      }
    }
    bs_->NextStartCode();
  }
}

void VMPVDecoder::ParseSequenceScalableExtension() {
  SequenceScalableExtension e;
  e.scalableMode = static_cast<int32_t>(bs_->ReadBits(2));
  e.layerId = static_cast<int32_t>(bs_->ReadBits(4));
  if (e.scalableMode == 1) {
    e.lowerLayerPredictionHorizontalSize = static_cast<int32_t>(bs_->ReadBits(14));
    bs_->SkipBits(1);  // marker
    e.lowerLayerPredictionVerticalSize = static_cast<int32_t>(bs_->ReadBits(14));
    e.horizontalSubsamplingFactorM = static_cast<int32_t>(bs_->ReadBits(5));
    e.horizontalSubsamplingFactorN = static_cast<int32_t>(bs_->ReadBits(5));
    e.verticalSubsamplingFactorM = static_cast<int32_t>(bs_->ReadBits(5));
    e.verticalSubsamplingFactorN = static_cast<int32_t>(bs_->ReadBits(5));
  } else if (e.scalableMode == 3) {
    e.pictureMuxEnable = static_cast<int32_t>(bs_->ReadBits(1));
    if (e.pictureMuxEnable) e.muxToProgressiveSequence = static_cast<int32_t>(bs_->ReadBits(1));
    e.pictureMuxOrder = static_cast<int32_t>(bs_->ReadBits(3));
    e.pictureMuxFactor = static_cast<int32_t>(bs_->ReadBits(3));
  }
  sequenceScalable_ = e;
  sequenceScalableSeen_ = true;
}

void VMPVDecoder::ParseCopyrightExtension() {
  CopyrightExtension e;
  e.copyrightFlag = static_cast<int32_t>(bs_->ReadBits(1));
  e.copyrightIdentifier = static_cast<int32_t>(bs_->ReadBits(8));
  e.originalOrCopy = static_cast<int32_t>(bs_->ReadBits(1));
  bs_->SkipBits(7 + 1);  // reserved, marker
  e.copyrightNumber1 = bs_->ReadBits(20);
  bs_->SkipBits(1);
  e.copyrightNumber2 = bs_->ReadBits(22);
  bs_->SkipBits(1);
  e.copyrightNumber3 = bs_->ReadBits(22);
  copyright_ = e;
  copyrightSeen_ = true;
}

void VMPVDecoder::ParsePictureDisplayExtension() {
  // As many offsets as the picture shows fields or frames.
  int32_t count;
  if (progressiveSequence_)
    count = repeatFirstField_ ? (topFieldFirst_ ? 3 : 2) : 1;
  else if (IsFieldPicture())
    count = 1;
  else
    count = repeatFirstField_ ? 3 : 2;
  PictureDisplayExtension e;
  e.count = count;
  for (int32_t i = 0; i < count; ++i) {
    e.horizontalOffset[i] = static_cast<int16_t>(bs_->ReadBits(16));
    bs_->SkipBits(1);
    e.verticalOffset[i] = static_cast<int16_t>(bs_->ReadBits(16));
    bs_->SkipBits(1);
  }
  pictureDisplay_ = e;
  pictureDisplaySeen_ = true;
}

void VMPVDecoder::ParsePictureSpatialScalableExtension() {
  PictureSpatialScalableExtension e;
  e.lowerLayerTemporalReference = static_cast<int32_t>(bs_->ReadBits(10));
  bs_->SkipBits(1);
  e.lowerLayerHorizontalOffset = Signed15(bs_->ReadBits(15));
  bs_->SkipBits(1);
  e.lowerLayerVerticalOffset = Signed15(bs_->ReadBits(15));
  e.spatialTemporalWeightCodeTableIndex = static_cast<int32_t>(bs_->ReadBits(2));
  e.lowerLayerProgressiveFrame = static_cast<int32_t>(bs_->ReadBits(1));
  e.lowerLayerDeinterlacedFieldSelect = static_cast<int32_t>(bs_->ReadBits(1));
  pictureSpatialScalable_ = e;
  pictureSpatialScalableSeen_ = true;
}

void VMPVDecoder::ParsePictureTemporalScalableExtension() {
  PictureTemporalScalableExtension e;
  e.referenceSelectCode = static_cast<int32_t>(bs_->ReadBits(2));
  e.forwardTemporalReference = static_cast<int32_t>(bs_->ReadBits(10));
  bs_->SkipBits(1);
  e.backwardTemporalReference = static_cast<int32_t>(bs_->ReadBits(10));
  pictureTemporalScalable_ = e;
  pictureTemporalScalableSeen_ = true;
}

void VMPVDecoder::ParseQuantMatrixExtension() {
  if (bs_->ReadBits(1)) {
    LoadMatrix(intraLuma_);
    if (chromaFormat_ == 1) std::copy(std::begin(intraLuma_), std::end(intraLuma_), intraChroma_);
  }
  if (bs_->ReadBits(1)) {
    LoadMatrix(nonIntraLuma_);
    if (chromaFormat_ == 1) std::copy(std::begin(nonIntraLuma_), std::end(nonIntraLuma_), nonIntraChroma_);
  }
  if (bs_->ReadBits(1)) LoadMatrix(intraChroma_);
  if (bs_->ReadBits(1)) LoadMatrix(nonIntraChroma_);
}

void VMPVDecoder::ParseGroupHeader() {
  bs_->SkipBits(8);
  bs_->SkipBits(25);  // time code
  closedGop_ = bs_->ReadBits(1) != 0;
  bs_->SkipBits(1);  // broken_link
  groupHeaderSeen_ = true;
  counterAtGroup_ = pictureCounter_;
  bs_->NextStartCode();
  // Only user data may follow; an extension here is passed over as well.
  ParseExtensionsAndUserData(1);
}

void VMPVDecoder::AllocatePictures(int32_t count) {
  count = std::max(count, 3);
  if (!colorTable_) colorTable_ = new VYCbCrColorTable(matrixCoefficients_, static_cast<VColorTable*>(nullptr));
  pool_.clear();
  for (int32_t i = 0; i < count; ++i)
    pool_.push_back(std::make_shared<VMPVPicture>(mbWidth_, mbHeight_, chromaFormat_, colorTable_));
  poolChromaFormat_ = chromaFormat_;
}

VMPVDecoder::PicturePtr VMPVDecoder::FindFreePicture() const {
  for (const PicturePtr& p : pool_)
    if (!p->inUse && !p->queued && p.use_count() == 1) return p;
  return nullptr;
}

int32_t VMPVDecoder::CountBusyPictures() const {
  int32_t busy = 0;
  for (const PicturePtr& p : pool_)
    if (p->inUse || p->queued || p.use_count() != 1) ++busy;
  return busy;
}

bool VMPVDecoder::ReadHeaders() {
  if (sequenceEnded_) return false;
  for (;;) {
    const uint32_t code = bs_->StartCodeValue();
    if (code == 0x00) return true;
    if (code == 0xB3) {
      ParseSequenceHeader();
    } else if (code == 0xB8) {
      ParseGroupHeader();
    } else if (code == 0xB7) {
      bs_->SkipBits(8);
      try {
        bs_->NextStartCode();
      } catch (...) {
        EndSequence();
        sequenceEnded_ = true;
        return false;
      }
    } else {
      bs_->SkipBits(8);
      bs_->NextStartCode();
    }
  }
}

void VMPVDecoder::ParsePictureHeader() {
  if (bs_->StartCodeValue() != 0x00) throw VMPEGException("picture header expected");
  bs_->SkipBits(8);
  temporalReference_ = static_cast<int32_t>(bs_->ReadBits(10));
  pictureCodingType_ = static_cast<int32_t>(bs_->ReadBits(3));
  bs_->SkipBits(16);
  if (pictureCodingType_ < kPictureI || pictureCodingType_ > kPictureD) {
    pictureCodingType_ = 0;
    throw VMPEGException("bad picture coding type");
  }
  fullPel_[0] = fullPel_[1] = 0;
  if (pictureCodingType_ == kPictureP || pictureCodingType_ == kPictureB) {
    fullPel_[0] = static_cast<int32_t>(bs_->ReadBits(1));
    fCode_[0][0] = fCode_[0][1] = static_cast<int32_t>(bs_->ReadBits(3));
  }
  if (pictureCodingType_ == kPictureB) {
    fullPel_[1] = static_cast<int32_t>(bs_->ReadBits(1));
    fCode_[1][0] = fCode_[1][1] = static_cast<int32_t>(bs_->ReadBits(3));
  }
  while (bs_->ReadBits(1)) bs_->SkipBits(8);
  bs_->NextStartCode();
  if (syntaxMode_ == 2) {
    fullPel_[0] = fullPel_[1] = 0;
    ParsePictureCodingExtension();
    ParseExtensionsAndUserData(2);
  }
}

void VMPVDecoder::ParsePictureCodingExtension() {
  if (bs_->StartCodeValue() != 0xB5) throw VMPEGException("picture coding extension expected");
  bs_->SkipBits(8);
  if (bs_->ReadBits(4) != 8) throw VMPEGException("picture coding extension expected");
  for (auto& direction : fCode_)
    for (int32_t& f : direction) f = static_cast<int32_t>(bs_->ReadBits(4));
  intraDcPrecision_ = static_cast<int32_t>(bs_->ReadBits(2));
  pictureStructure_ = static_cast<int32_t>(bs_->ReadBits(2));
  topFieldFirst_ = static_cast<int32_t>(bs_->ReadBits(1));
  framePredFrameDct_ = static_cast<int32_t>(bs_->ReadBits(1));
  concealmentVectors_ = static_cast<int32_t>(bs_->ReadBits(1));
  qScaleType_ = static_cast<int32_t>(bs_->ReadBits(1));
  intraVlcFormat_ = static_cast<int32_t>(bs_->ReadBits(1));
  alternateScan_ = static_cast<int32_t>(bs_->ReadBits(1));
  repeatFirstField_ = static_cast<int32_t>(bs_->ReadBits(1));
  bs_->SkipBits(1);  // chroma_420_type
  progressiveFrame_ = static_cast<int32_t>(bs_->ReadBits(1));
  if (bs_->ReadBits(1)) bs_->SkipBits(20);  // composite display fields
  bs_->NextStartCode();
  if (pictureStructure_ == 0) throw VMPEGException("bad picture structure");
}

void VMPVDecoder::SetQuantiserScale(uint32_t code) {
  if (code == 0) throw VMPEGException("quantiser scale 0");
  if (syntaxMode_ == 1)
    quantiserScale_ = static_cast<int32_t>(code);
  else
    quantiserScale_ = qScaleType_ ? kNonLinearQuantiserScale[code] : static_cast<int32_t>(2 * code);
}

void VMPVDecoder::ReleaseReferences() {
  if (current_) current_->inUse = false;
  if (newer_) newer_->inUse = false;
  if (older_) older_->inUse = false;
  current_.reset();
  newer_.reset();
  older_.reset();
}

void VMPVDecoder::EndSequence() {
  sequenceEnded_ = bs_ && bs_->IsSourceEnded() && bs_->GetBitsLeft() == 0;
  referencesMissing_ = true;
  secondField_ = false;
  firstFieldDecoded_ = false;
  ReleaseReferences();
}

bool VMPVDecoder::CanDecodePicture() const {
  if (pictureStructure_ < 1 || pictureStructure_ > 3 || IsDataPartitioned()) return false;
  const bool second = IsFieldPicture() && secondField_;
  if (second && (!firstFieldDecoded_ || !current_)) return false;
  switch (pictureCodingType_) {
    case 1:
    case 4: return true;
    // The second field of a frame may predict from the first alone.
    case 2: return second || (!referencesMissing_ && newer_ != nullptr);
    case 3: return !referencesMissing_ && newer_ != nullptr && older_ != nullptr;
    default: return false;
  }
}

void VMPVDecoder::DecodeOrSkipPicture(bool decode) {
  if (sequenceEnded_) return;
  if (decode && CanDecodePicture()) {
    DecodePicture();
    return;
  }
  if (pictureCodingType_ != kPictureB) referencesMissing_ = true;
  if (IsFieldPicture()) {
    if (secondField_ && firstFieldDecoded_ && current_) {
      // The frame stays incomplete: it is neither shown nor kept.
      current_->inUse = false;
      if (newer_ == current_) newer_.reset();
    }
    secondField_ = !secondField_;
    firstFieldDecoded_ = false;
  }
  // Pass over the slices up to the next picture, group, sequence header or end.
  for (;;) {
    const uint32_t code = bs_->StartCodeValue();
    if (code == 0x00 || code == 0xB3 || code == 0xB7 || code == 0xB8) break;
    bs_->SkipBits(8);
    bs_->NextStartCode();
  }
  pictureCounter_ += pictureStructure_ == 3 ? 2 : 1;
}

void VMPVDecoder::DecodePicture() {
  ForgetScaledMatrices();
  prediction_ = &GetPredictionKernels();
  transformAndStore_ = GetTransformAndStore();
  const bool field = IsFieldPicture();
  const bool second = field && secondField_;
  if (pictureCodingType_ == kPictureI && !second) referencesMissing_ = false;
  if (!second) {
    current_ = FindFreePicture();
    if (!current_) throw VMPEGException("no free picture");
    current_->inUse = true;
  }
  try {
    for (;;) {
      const uint32_t code = bs_->StartCodeValue();
      if (code < 0x01 || code > 0xAF) break;
      try {
        DecodeSlice();
      } catch (const VMPEGException&) {
        ++sliceErrors_;
      }
      bs_->NextStartCode();
    }
  } catch (const VBitstreamEmptyException&) {
    // The data ended inside the picture: keep what was decoded.
  }
  VMPVPicture& p = *current_;
  if (!second) {
    // A frame picture or the first field describes the frame.
    p.pictureCodingType = pictureCodingType_;
    p.pictureStructure = pictureStructure_;
    p.progressiveSequence = static_cast<uint8_t>(progressiveSequence_);
    p.progressiveFrame = static_cast<uint8_t>(progressiveFrame_);
    p.repeatFirstField = static_cast<uint8_t>(repeatFirstField_);
    p.bottomFieldFirst = static_cast<uint8_t>(field ? FieldParity() : !topFieldFirst_);
    p.displayCount = 2;
    p.temporalReference = temporalReference_;
    p.width = horizontalSize_;
    p.height = verticalSize_;
  }
  if (field) {
    secondField_ = !secondField_;
    firstFieldDecoded_ = secondField_;
    pictureCounter_ += 1;
  } else {
    pictureCounter_ += 2;
  }
  if (field && secondField_) return;  // the frame is complete after its second field
  if (pictureCodingType_ == kPictureI || pictureCodingType_ == kPictureP) {
    if (older_) older_->inUse = false;
    older_ = newer_;
    newer_ = current_;
  } else {
    current_->inUse = false;
  }
}
