// Parameters a decoder takes from the sound file: the base record with the
// data's format tag, and the Microsoft ADPCM block layout with its
// predictor coefficient pairs.
#pragma once

#include <cstdint>

class VAudioDecoderConfig {
 public:
  explicit VAudioDecoderConfig(uint16_t code) : code(code) {}
  virtual ~VAudioDecoderConfig() = default;
  VAudioDecoderConfig(const VAudioDecoderConfig&) = default;
  VAudioDecoderConfig& operator=(const VAudioDecoderConfig&) = default;
  uint16_t code;
};

class VMicrosoftADPCMConfig : public VAudioDecoderConfig {
 public:
  static constexpr int kCoefficientCount = 7;
  VMicrosoftADPCMConfig() : VAudioDecoderConfig(8) {}

  // Whether the layout can be decoded: 1 or 2 channels, a block holding at
  // least the channel headers, and samples per block (at least 2) that fit
  // the block's 4-bit codes.
  bool IsValid() const {
    if (channels < 1 || channels > 2) return false;
    if (blockAlign < 7 * channels || samplesPerBlock < 2) return false;
    const int64_t codes = int64_t{samplesPerBlock - 2} * channels;
    return codes <= int64_t{blockAlign - 7 * channels} * 2;
  }

  uint16_t formatTag = 2;
  uint16_t channels = 1;
  uint32_t rate = 0;
  uint32_t averageBytesPerSecond = 0;
  uint16_t blockAlign = 0;
  uint16_t samplesPerBlock = 0;
  uint16_t coefficientCount = kCoefficientCount;
  int16_t coefficients[kCoefficientCount][2] = {};
};
