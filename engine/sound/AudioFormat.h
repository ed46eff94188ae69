// Sample formats of the audio path (rate, width, channels, signedness, byte
// order, stored-data tag) with their frame/byte/time arithmetic, and the free
// routines that fill silence and convert blocks between formats.
#pragma once

#include <cstdint>

// Encodings of VAudioEncodingFormat::encoding.
enum AudioEncoding : int32_t {
  kAudioEncodingNone = 0,
  kAudioEncodingSigned = 2,
  kAudioEncodingUnsigned = 3,
  kAudioEncodingMicrosoftADPCM = 16385,
};

// Tags of the stored data (which decoder reads it).
enum AudioFormatTag : uint16_t {
  kAudioTagPlain = 0,
  kAudioTagMicrosoftADPCM = 8,
};

// A frame is one sample per channel; a sample is (bits + 7) / 8 bytes.
class VAudioFormat {
 public:
  VAudioFormat(int32_t rate = 22050, int32_t bits = 16, bool stereo = false)
      : stereo(stereo ? 1 : 0), rate(rate), bits(bits) {}
  virtual ~VAudioFormat() = default;
  VAudioFormat(const VAudioFormat&) = default;
  VAudioFormat& operator=(const VAudioFormat&) = default;

  int32_t Channels() const { return stereo ? 2 : 1; }
  int64_t SamplesForFrames(int64_t n) const { return n * Channels(); }
  int64_t BytesForFrames(int64_t n) const { return int64_t{Channels()} * BytesPerSample() * n; }
  int64_t MillisecondsForFrames(int64_t n) const {
    return rate > 0 ? static_cast<int64_t>(static_cast<double>(n) * 1000.0 / rate) : 0;
  }
  int64_t BytesForSamples(int64_t n) const { return int64_t{BytesPerSample()} * n; }
  int64_t FramesInBytes(int64_t n) const { return FrameBytes() > 0 ? n / FrameBytes() : 0; }
  int64_t SamplesInBytes(int64_t n) const { return BytesPerSample() > 0 ? n / BytesPerSample() : 0; }
  int64_t MillisecondsForBytes(int64_t n) const {
    if (rate <= 0 || FrameBytes() <= 0) return 0;
    return static_cast<int64_t>(static_cast<double>(n) / rate * 1000.0 / FrameBytes());
  }
  int64_t BytesForMilliseconds(int64_t ms) const { return int64_t{FrameBytes()} * rate * ms / 1000; }
  int64_t FramesForMilliseconds(int64_t ms) const { return int64_t{rate} * ms / 1000; }
  int32_t FrameBytes() const { return Channels() * BytesPerSample(); }
  int32_t BytesPerSample() const { return (bits + 7) / 8; }
  int64_t BytesPerSecond() const { return int64_t{FrameBytes()} * rate; }
  bool SameFormat(const VAudioFormat& other) const {
    return stereo == other.stereo && rate == other.rate && bits == other.bits;
  }

  uint8_t stereo;
  int32_t rate;
  int32_t bits;
};

class VAudioEncodingFormat : public VAudioFormat {
 public:
  // 22050 Hz, 16 bits, mono, signed, little-endian, plain samples.
  VAudioEncodingFormat() = default;
  // Rate, bits and channels copied; unsigned for 8 bits, signed for 16, none otherwise.
  explicit VAudioEncodingFormat(const VAudioFormat& format);
  VAudioEncodingFormat(int32_t rate, int32_t bits, bool stereo, int32_t encoding)
      : VAudioFormat(rate, bits, stereo), encoding(encoding) {}

  bool SameEncoding(const VAudioEncodingFormat& other) const {
    return SameFormat(other) && encoding == other.encoding && byteOrder == other.byteOrder &&
           formatTag == other.formatTag;
  }

  int32_t encoding = kAudioEncodingSigned;
  int32_t byteOrder = 1;  // 1 little-endian, 0 big-endian
  uint16_t formatTag = kAudioTagPlain;
};

// Writes silence for `frames` frames; returns the bytes written (0 for widths
// other than 8 and 16).
int32_t FillSilence(void* buffer, const VAudioEncodingFormat& format, int32_t frames);

// 8 to 16 bits (byte b becomes b, b) or 16 to 8 bits (the high byte); any
// other pair fails with 0. Returns the bytes written.
int32_t ConvertSampleWidth(const void* source, const VAudioEncodingFormat& sourceFormat, int32_t samples,
                           void* destination, const VAudioEncodingFormat& destinationFormat);

// Converts sourceFrames frames into destinationFrames frames of the
// destination format: byte order, width, signedness, channels, then rate by
// stepping through the source with `step` (1024 = one source frame per output
// frame; 0 = computed from the rates, frame counts must then agree) and the
// 10-bit fraction carried in *fraction (null: from 0). Nearest frame, no
// interpolation; a step below 1024 never reads past the last source frame.
// Returns the bytes written, 0 on failure.
int32_t ConvertAudioFormat(const void* source, const VAudioEncodingFormat& sourceFormat, int32_t sourceFrames,
                           void* destination, const VAudioEncodingFormat& destinationFormat,
                           int32_t destinationFrames, int32_t step, int32_t* fraction);

// The source frames a conversion with `step` from `fraction` reads for
// `outputFrames` output frames: the frames it steps over, at least one.
// Inline: the mixer asks for it for every channel and block.
inline int32_t SourceFramesForStep(int32_t outputFrames, int32_t step, int32_t fraction) {
  if (outputFrames <= 0 || step <= 0) return 1;
  const int64_t frames = (int64_t{step} * outputFrames + fraction) >> 10;
  return frames < 1 ? 1 : frames > INT32_MAX ? INT32_MAX : static_cast<int32_t>(frames);
}
