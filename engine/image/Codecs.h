// The decoders of compressed pixel data in image files: BMP RLE8 and RLE4,
// Targa run-length packets, PackBits rows and GIF's variable-width LZW (with
// its encoder). Each works on caller buffers whose lengths it is given; it
// never reads or writes outside them, and running past either is a failure.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

// The base of the codecs (the MPEG and audio decoders share it too).
class VCodec {
 public:
  VCodec() = default;
  VCodec(const VCodec&) = delete;
  VCodec& operator=(const VCodec&) = delete;
  virtual ~VCodec() = default;
  // Decodes; the argument and result depend on the codec. The base does nothing.
  virtual int32_t Decode(int32_t argument) {
    (void)argument;
    return 0;
  }
};

// BMP RLE8 into 8-bit rows `rowBytes` apart, in the file's row order. The
// destination is not cleared: pixels skipped by a delta keep their bytes.
class VRunLengthCodec : public VCodec {
 public:
  VRunLengthCodec(const uint8_t* source, size_t sourceLength, uint8_t* destination, size_t destinationLength,
                  int32_t rowBytes);
  // The destination offset reached at the end-of-bitmap code (or when the
  // source ends right after the last row was filled); 0 for null buffers, a
  // run or delta past the destination, or a source that ends early.
  int32_t Decode(int32_t unused) override;

 protected:
  // RLE4 shares the code walk; `nibbles` writes one 4-bit pixel per byte.
  int32_t Walk(bool nibbles);

  const uint8_t* source_;
  size_t sourceLength_;
  uint8_t* destination_;
  size_t destinationLength_;
  int32_t rowBytes_;
};

// BMP RLE4: the same codes, each 4-bit pixel written into one destination byte.
class VRunLengthNibbleCodec : public VRunLengthCodec {
 public:
  using VRunLengthCodec::VRunLengthCodec;
  int32_t Decode(int32_t unused) override;
};

// Targa run-length packets of 8-, 15/16-, 24- or 32-bit pixels.
class VTargaRLECodec : public VCodec {
 public:
  VTargaRLECodec(int32_t depth, const uint8_t* source, size_t sourceLength, uint8_t* destination);
  // Produces exactly `total` bytes into the destination (which must hold
  // them); a packet running past the total is cut there (as other Targa
  // readers do). The bytes written, or 0 for a bad depth, null buffers, a
  // total that is not whole pixels or a source that ends early.
  int32_t Decode(int32_t total) override;

 private:
  int32_t depth_;
  const uint8_t* source_;
  size_t sourceLength_;
  uint8_t* destination_;
};

// PackBits (signed header byte: 0..127 literal h + 1 bytes, -1..-127 the next
// byte 1 - h times, -128 nothing). Samples land `step` bytes apart, so one
// channel of interleaved pixels can be filled. The caller's source and
// destination pointers advance so successive rows continue where the last ended.
class VPackBitsCodec : public VCodec {
 public:
  // `sourceEnd` and `destinationEnd` bound the two buffers (one past the last byte).
  VPackBitsCodec(const uint8_t** source, const uint8_t* sourceEnd, uint8_t** destination,
                 const uint8_t* destinationEnd, int32_t step);
  // Produces `samples` samples: the argument, or 0 for null pointers, a
  // source that ends early or a sample that would land past the destination.
  // With samples below 1 nothing is read and the result is 0.
  int32_t Decode(int32_t samples) override;

 private:
  const uint8_t** source_;
  const uint8_t* sourceEnd_;
  uint8_t** destination_;
  const uint8_t* destinationEnd_;
  int32_t step_;
};

// GIF's LZW: codes of 3..12 bits packed least significant bit first into
// data sub-blocks (a size byte, then that many bytes).
class VLZWCodec : public VCodec {
 public:
  // Decoding: `data` is the first sub-block size byte, `dataEnd` the end of
  // the buffer, `initialCodeSize` GIF's minimum code size (2..8; anything
  // else makes every Decode deliver nothing).
  VLZWCodec(const uint8_t* data, const uint8_t* dataEnd, int32_t initialCodeSize);
  ~VLZWCodec() override;

  // Delivers up to `count` bytes into the destination; with `last`, one more
  // code is read afterwards and consumed only when it is the end code.
  // Returns the bytes delivered: fewer than asked when the stream ended
  // (end code, end of the data, or an invalid code).
  int32_t Decode(uint8_t* destination, int32_t count, bool last);
  using VCodec::Decode;
  // True once an invalid code or the end of the data was met.
  bool HasFailed() const { return failed_; }
  // The first byte after the sub-blocks the decoder has used: the rest of
  // the current sub-block and every further sub-block up to and including
  // the zero-length terminator are passed. Null when the data ends before
  // the terminator.
  const uint8_t* SkipToEndOfData() const;

  // Encoding: the compressed sub-blocks are appended to an internal buffer
  // (GetEncoded). `Encode` takes `count` bytes; with `last` the stream is
  // closed with the end code and the zero-length terminator. Returns the
  // bytes taken, or -1 for bad arguments or when memory ran out.
  int32_t Encode(const uint8_t* bytes, int32_t count, bool last);
  const uint8_t* GetEncoded() const { return encoded_.data(); }
  size_t GetEncodedLength() const { return encoded_.size(); }

 private:
  bool ReadCode(int32_t& code);
  void ResetWidths();
  void EmitCode(int32_t code);
  void AppendByte(uint8_t byte);
  void FlushBlock(bool force);

  int32_t initialSize_;
  int32_t codeWidth_ = 0;
  int32_t codeMask_ = 0;
  int32_t clearCode_ = 0;
  int32_t endCode_ = 0;
  int32_t widthLimit_ = 0;
  int32_t nextFree_ = 0;
  uint32_t reservoir_ = 0;
  int32_t reservoirBits_ = 0;
  // Decoder input: the sub-block being read (position and bytes left in it).
  const uint8_t* dataEnd_;
  const uint8_t* blockPos_ = nullptr;
  int32_t blockLeft_ = 0;
  bool ended_ = false;
  bool failed_ = false;
  bool valid_ = false;
  int32_t lastCode_ = -1;
  uint8_t lastFirstByte_ = 0;
  uint16_t prefix_[4096] = {};
  uint8_t suffix_[4096] = {};
  uint8_t stack_[4097] = {};
  int32_t stackSize_ = 0;
  // Encoder state.
  int16_t* hashCodes_ = nullptr;
  int32_t* hashKeys_ = nullptr;
  bool encodeStarted_ = false;
  int32_t currentString_ = -1;
  uint8_t block_[256] = {};
  int32_t blockFill_ = 0;
  std::vector<uint8_t> encoded_;
};
