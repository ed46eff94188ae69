// The version 2.0 compression method of RAR archives: LZ matches over a 1 MB
// window with prefix-coded symbols, the multimedia (audio) blocks with their
// adaptive predictor, and solid streams that carry window and tables from one
// member to the next.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "launchers/common/Rar20AudioPredictor.h"

class Rar20Decoder {
 public:
  Rar20Decoder();

  // Forgets the stream: the next member must not continue a solid stream.
  void Reset();

  // Decodes one member of unpackedSize bytes from its packed data. A member
  // that continues a solid stream (continuing) uses the window and tables the
  // previous member left. The bytes go to out (when not null), at most
  // unpackedSize of them; crc receives the CRC-32 of those bytes. False when
  // the data are damaged: a code table that cannot be read, a symbol read past
  // the packed data, or a continuation without a stream before it.
  bool DecodeMember(const uint8_t* packed, size_t packedSize, uint32_t unpackedSize, bool continuing,
                    std::vector<uint8_t>* out, uint32_t* crc);

  // Whether a following member may continue this stream.
  bool CanContinue() const { return tablesValid_; }

 private:
  static constexpr uint32_t kWindowSize = 0x100000;
  static constexpr uint32_t kWindowMask = kWindowSize - 1;
  static constexpr int kLiteralCount = 298;
  static constexpr int kDistanceCount = 48;
  static constexpr int kRepeatCount = 28;
  static constexpr int kAudioCount = 257;
  static constexpr int kMaxTable = 4 * kAudioCount;
  static constexpr int kQuickBits = 10;

  // A canonical prefix code built from code lengths.
  struct Code {
    int count = 0;
    uint32_t limit[16] = {};
    uint32_t start[16] = {};
    uint16_t symbols[kLiteralCount] = {};
    uint16_t quick[1 << kQuickBits] = {};  // symbol << 4 | length; length 0: take the long path
  };

  uint32_t Peek16() const {
    const uint8_t* p = in_ + (bitPos_ >> 3);
    uint32_t v = (uint32_t{p[0]} << 16) | (uint32_t{p[1]} << 8) | p[2];
    return (v >> (8 - (bitPos_ & 7))) & 0xFFFF;
  }
  void Skip(int bits) { bitPos_ += static_cast<size_t>(bits); }
  uint32_t Bits(int bits) {
    if (bits == 0) return 0;
    uint32_t v = Peek16() >> (16 - bits);
    Skip(bits);
    return v;
  }
  bool PastEnd() const { return bitPos_ > endBits_; }

  static void Build(Code& code, const uint8_t* lengths, int count);
  int DecodeSymbol(const Code& code);
  static int DecodeSlow(const Code& code, uint32_t value, int* length);
  bool ReadTables();
  void CopyMatch(uint32_t length, uint32_t distance);
  // Copies the window's new bytes to the output; false once the member's size
  // is reached.
  bool Flush();

  std::vector<uint8_t> window_;
  uint32_t writePos_ = 0;
  uint32_t copiedPos_ = 0;

  std::vector<uint8_t> input_;  // the member's packed data and zero padding
  const uint8_t* in_ = nullptr;
  size_t bitPos_ = 0;
  size_t endBits_ = 0;
  size_t packedBytes_ = 0;

  uint32_t oldDist_[4] = {};
  uint32_t oldDistPtr_ = 0;
  uint32_t lastDist_ = 0;
  uint32_t lastLength_ = 0;

  Code literal_;
  Code distance_;
  Code repeat_;
  Code audio_[4];
  uint8_t previousLengths_[kMaxTable] = {};
  bool tablesValid_ = false;

  bool audioBlock_ = false;
  int channels_ = 1;
  int channel_ = 0;
  Rar20AudioPredictor predictor_;

  std::vector<uint8_t>* out_ = nullptr;
  uint32_t outLimit_ = 0;
  uint32_t produced_ = 0;
  uint32_t crc_ = 0;
};
