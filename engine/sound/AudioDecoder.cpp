#include "engine/sound/AudioDecoder.h"

#include <algorithm>
#include <bit>
#include <climits>
#include <cstring>

#include "engine/core/ByteFields.h"
#include "engine/core/MediaTypes.h"
#include "engine/core/VLinkedList.h"
#include "engine/sound/AudioStream.h"
#include "engine/sound/RawSoundReader.h"
#include "engine/sound/WAVESoundReader.h"

namespace {

class DecoderElement : public VListElement {
 public:
  DecoderElement(VAudioDecoder* prototype, uint16_t code) : prototype(prototype), code(code) {}
  ~DecoderElement() override { delete prototype; }
  VAudioDecoder* prototype;
  uint16_t code;
};

VLinkedList& Decoders() {
  static VLinkedList list;
  return list;
}

constexpr int32_t kAdaptation[16] = {230, 230, 230, 230, 307, 409, 512, 614, 768, 614, 512, 409, 307, 230, 230, 230};
// The step size stays where its product with the largest adaptation fits.
constexpr int32_t kMaxDelta = INT_MAX / 768;

struct ADPCMChannelState {
  int32_t coef1 = 0;
  int32_t coef2 = 0;
  int32_t delta = 0;
  int32_t sample1 = 0;
  int32_t sample2 = 0;

  int16_t Expand(int nibble) {
    const int32_t signedCode = nibble >= 8 ? nibble - 16 : nibble;
    int64_t predicted = (int64_t{sample1} * coef1 + int64_t{sample2} * coef2) / 256 + int64_t{signedCode} * delta;
    predicted = std::clamp<int64_t>(predicted, -32768, 32767);
    sample2 = sample1;
    sample1 = static_cast<int32_t>(predicted);
    delta = static_cast<int32_t>(int64_t{kAdaptation[nibble]} * delta / 256);
    delta = std::clamp(delta, 16, kMaxDelta);
    return static_cast<int16_t>(predicted);
  }
};

int16_t Le16s(const uint8_t* p) { return static_cast<int16_t>(bytefields::LoadLE16(p)); }

}  // namespace

// --- Base and registry ----------------------------------------------------------

VAudioDecoder::~VAudioDecoder() {
  if (stream_) stream_->Release();
}

void VAudioDecoder::Attach(VAudioStream* stream) {
  if (stream) stream->AddReference();
  if (stream_) stream_->Release();
  stream_ = stream;
}

bool VAudioDecoder::IsAtEnd() const { return !stream_ || stream_->IsAtEnd(position_); }

const uint8_t* VAudioDecoder::FixedFrames(int32_t& frames) const {
  frames = 0;
  return nullptr;
}

bool VAudioDecoder::Rewind() {
  position_ = 0;
  return true;
}

void RegisterAudioDecoder(VAudioDecoder* prototype) {
  if (!prototype) return;
  Decoders().Append(new DecoderElement(prototype, prototype->FormatCode()));
}

VAudioDecoder* CreateAudioDecoder(uint16_t code) {
  for (VListElement* e = Decoders().GetFirst(); e; e = e->GetNext()) {
    auto* element = static_cast<DecoderElement*>(e);
    if (element->prototype && element->code == code) return element->prototype->Clone();
  }
  return nullptr;
}

void ClearAudioDecoders() { Decoders().DeleteAll(); }

bool HasAudioDecoder(uint16_t code) {
  for (VListElement* e = Decoders().GetFirst(); e; e = e->GetNext()) {
    auto* element = static_cast<DecoderElement*>(e);
    if (element->prototype && element->code == code) return true;
  }
  return false;
}

void EnsureStandardSoundCodecs() {
  if (!HasAudioDecoder(kAudioTagPlain)) RegisterAudioDecoder(new VAudioNonDecoder);
  if (!HasAudioDecoder(kAudioTagMicrosoftADPCM)) RegisterAudioDecoder(new VMicrosoftADPCMDecoder);
  if (!HasSoundReader(MakeTypeCode("RSX "))) RegisterSoundReader(new VRawSoundReader);
  if (!HasSoundReader(MakeTypeCode("WAVE"))) RegisterSoundReader(new VWAVESoundReader);
}

void RegisterStandardSoundCodecs() {
  RegisterAudioDecoder(new VAudioNonDecoder);
  RegisterAudioDecoder(new VMicrosoftADPCMDecoder);
  RegisterSoundReader(new VRawSoundReader);
  RegisterSoundReader(new VWAVESoundReader);
}

// --- Plain samples --------------------------------------------------------------

void VAudioNonDecoder::Attach(VAudioStream* stream) {
  VAudioDecoder::Attach(stream);
  if (stream) format_ = stream->GetFormat();
}

uint8_t* VAudioNonDecoder::Decode(uint8_t* destination, int32_t& frames, const VAudioEncodingFormat& outFormat,
                                  bool& failed) {
  failed = false;
  if (!stream_) {
    failed = true;
    frames = 0;
    return nullptr;
  }
  const int32_t frameBytes = format_.FrameBytes();
  if (frames <= 0 || frameBytes <= 0) {
    frames = 0;
    return nullptr;
  }
  const int64_t want64 = int64_t{frames} * frameBytes;
  int32_t bytes = want64 > INT32_MAX ? INT32_MAX - INT32_MAX % frameBytes : static_cast<int32_t>(want64);
  const bool direct = destination && outFormat.SameEncoding(format_);
  uint8_t* target = direct ? destination : nullptr;
  bool lasting = false;
  uint8_t* data = stream_->ReadSamplesAt(position_, target, bytes, failed, lasting);
  // Samples handed out in the caller's destination are the caller's.
  samplesLast_ = lasting || direct;
  if (!data || bytes <= 0) {
    frames = 0;
    return nullptr;
  }
  if (bytes < frameBytes) {
    // A trailing piece smaller than a frame is consumed so that the end is reached.
    position_ += bytes;
    frames = 0;
    return nullptr;
  }
  // Frames of 8- and 16-bit samples are 1, 2 or 4 bytes: a shift, not a division.
  const auto unsignedFrameBytes = static_cast<uint32_t>(frameBytes);
  const bool powerOfTwo = (unsignedFrameBytes & (unsignedFrameBytes - 1)) == 0;
  frames = powerOfTwo ? bytes >> std::countr_zero(unsignedFrameBytes) : bytes / frameBytes;
  position_ += frames * frameBytes;
  if (direct && data != destination) {
    std::memcpy(destination, data, static_cast<size_t>(frames) * frameBytes);
    return destination;
  }
  return data;
}

int64_t VAudioNonDecoder::GetDurationMs() const {
  return stream_ ? format_.MillisecondsForBytes(stream_->GetDataSize()) : 0;
}

const uint8_t* VAudioNonDecoder::FixedFrames(int32_t& frames) const {
  frames = 0;
  const int32_t frameBytes = format_.FrameBytes();
  int32_t bytes = 0;
  const uint8_t* samples = stream_ && frameBytes > 0 ? stream_->FixedSamples(bytes) : nullptr;
  if (!samples) return nullptr;
  frames = bytes / frameBytes;
  return samples;
}

// --- Microsoft ADPCM --------------------------------------------------------------

bool DecodeMicrosoftADPCMBlock(const uint8_t* block, int32_t bytes, const VMicrosoftADPCMConfig& config,
                               int16_t* out) {
  if (!block || !out || !config.IsValid() || bytes < config.blockAlign) return false;
  const int channels = config.channels;
  ADPCMChannelState state[2];
  const uint8_t* p = block;
  for (int c = 0; c < channels; ++c) {
    const int predictor = p[c];
    if (predictor >= VMicrosoftADPCMConfig::kCoefficientCount) return false;
    state[c].coef1 = config.coefficients[predictor][0];
    state[c].coef2 = config.coefficients[predictor][1];
  }
  p += channels;
  for (int c = 0; c < channels; ++c) state[c].delta = Le16s(p + 2 * c);
  p += 2 * channels;
  for (int c = 0; c < channels; ++c) state[c].sample1 = Le16s(p + 2 * c);
  p += 2 * channels;
  for (int c = 0; c < channels; ++c) state[c].sample2 = Le16s(p + 2 * c);
  p += 2 * channels;
  int16_t* o = out;
  for (int c = 0; c < channels; ++c) *o++ = static_cast<int16_t>(state[c].sample2);
  for (int c = 0; c < channels; ++c) *o++ = static_cast<int16_t>(state[c].sample1);
  const int64_t codes = int64_t{config.samplesPerBlock - 2} * channels;
  for (int64_t i = 0; i < codes; ++i) {
    const uint8_t byte = p[i / 2];
    const int nibble = (i & 1) ? (byte & 0x0F) : (byte >> 4);
    *o++ = state[channels == 2 ? (i & 1) : 0].Expand(nibble);
  }
  return true;
}

void VMicrosoftADPCMDecoder::Attach(VAudioStream* stream) {
  VAudioDecoder::Attach(stream);
  haveConfig_ = false;
  blockFrames_ = blockOffset_ = 0;
  handedOut_ = 0;
  if (!stream) return;
  const VAudioEncodingFormat& in = stream->GetFormat();
  format_ = VAudioEncodingFormat(in.rate, 16, in.stereo != 0, kAudioEncodingSigned);
  const VAudioDecoderConfig* config = stream->GetDecoderConfig();
  if (config && config->code == kAudioTagMicrosoftADPCM) {
    config_ = *static_cast<const VMicrosoftADPCMConfig*>(config);
    haveConfig_ = config_.IsValid() && config_.channels == in.Channels();
  }
  if (haveConfig_ && !buffer_.Ensure(config_.samplesPerBlock * config_.channels * 2)) haveConfig_ = false;
}

uint8_t* VMicrosoftADPCMDecoder::Decode(uint8_t* /*destination*/, int32_t& frames,
                                        const VAudioEncodingFormat& /*outFormat*/, bool& failed) {
  failed = false;
  if (!stream_ || !haveConfig_) {
    failed = true;
    frames = 0;
    return nullptr;
  }
  if (frames <= 0) {
    frames = 0;
    return nullptr;
  }
  if (blockOffset_ >= blockFrames_) {
    blockFrames_ = blockOffset_ = 0;
    if (!blockBytes_.Ensure(config_.blockAlign)) {
      failed = true;
      frames = 0;
      return nullptr;
    }
    // Gathers one whole block (a stream may deliver it in pieces).
    int32_t got = 0;
    stream_->Reset(position_);
    while (got < config_.blockAlign) {
      int32_t bytes = config_.blockAlign - got;
      bool readFailed = false;
      uint8_t* data = stream_->ReadSamples(blockBytes_.GetData() + got, bytes, readFailed);
      if (readFailed) {
        failed = true;
        break;
      }
      if (!data || bytes <= 0) break;
      if (data != blockBytes_.GetData() + got) std::memcpy(blockBytes_.GetData() + got, data, static_cast<size_t>(bytes));
      got += bytes;
    }
    position_ += got;
    if (got < config_.blockAlign) {
      // A short last block holds no whole block of samples: the data ends here.
      frames = 0;
      return nullptr;
    }
    if (!DecodeMicrosoftADPCMBlock(blockBytes_.GetData(), got, config_,
                                   reinterpret_cast<int16_t*>(buffer_.GetData()))) {
      failed = true;
      frames = 0;
      return nullptr;
    }
    blockFrames_ = config_.samplesPerBlock;
  }
  frames = std::min(frames, blockFrames_ - blockOffset_);
  uint8_t* data = buffer_.GetData() + static_cast<size_t>(blockOffset_) * config_.channels * 2;
  blockOffset_ += frames;
  handedOut_ += frames;
  return data;
}

void VMicrosoftADPCMDecoder::Seek(int32_t bytePosition) {
  if (bytePosition != 0) return;
  position_ = 0;
  blockFrames_ = blockOffset_ = 0;
  handedOut_ = 0;
}

bool VMicrosoftADPCMDecoder::Rewind() {
  Seek(0);
  return true;
}

int64_t VMicrosoftADPCMDecoder::GetDurationMs() const {
  if (!stream_ || !haveConfig_ || config_.blockAlign == 0) return 0;
  const int64_t frames = int64_t{stream_->GetDataSize() / config_.blockAlign} * config_.samplesPerBlock;
  return format_.MillisecondsForFrames(frames);
}
