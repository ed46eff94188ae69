// The variable-length code tables of MPEG video, shared by every decoder and
// built once from their text form into direct lookup tables.
#pragma once

#include <cstdint>
#include <vector>

// One prefix-code table: Lookup takes the next `maxLength` bits of the
// stream (most significant first) and gives the code's length and value.
class VMPEGCodeTable {
 public:
  struct Entry {
    int16_t length = 0;  // 0: no code matches
    int32_t value = 0;
  };
  // `codes` holds pairs of a code of '0'/'1' characters and its value.
  VMPEGCodeTable(const char* const* codes, const int32_t* values, int count);
  int GetMaxLength() const { return maxLength_; }
  const Entry& Lookup(uint32_t bits) const { return entries_[bits]; }

 private:
  int maxLength_ = 0;
  std::vector<Entry> entries_;
};

// Values of the coefficient tables: run << 8 | (level & 0xFF); these runs mark
// the end of block and the escape code.
inline constexpr int32_t kRunEndOfBlock = 255;
inline constexpr int32_t kRunEscape = 254;

// macroblock_type flags.
inline constexpr int32_t kMacroblockQuant = 128;
inline constexpr int32_t kMacroblockForward = 64;
inline constexpr int32_t kMacroblockBackward = 32;
inline constexpr int32_t kMacroblockPattern = 16;
inline constexpr int32_t kMacroblockIntra = 8;

// The tables of the macroblock layer. Macroblock address increments: value 0
// is the escape (adds 33), -1 stuffing.
struct VMPEGMacroblockCodes {
  const VMPEGCodeTable& addressIncrement;
  const VMPEGCodeTable& typeI;
  const VMPEGCodeTable& typeP;
  const VMPEGCodeTable& typeB;
  const VMPEGCodeTable& codedBlockPattern;
  const VMPEGCodeTable& motionCode;  // magnitudes 0..16; the sign bit follows
};

// Every table of the decoder: the macroblock layer's and the block layer's.
struct VMPEGCodec : VMPEGMacroblockCodes {
  const VMPEGCodeTable& dualPrime;
  const VMPEGCodeTable& dcLuma;
  const VMPEGCodeTable& dcChroma;
  const VMPEGCodeTable& coefficients0;  // the sign bit follows a regular code
  const VMPEGCodeTable& coefficients1;
};

// The shared tables (built on first use, thread-safe).
const VMPEGCodec& AcquireMPEGCodec();
// The macroblock layer's alone, the same ones: what is derived from them when
// the program starts does not build the coefficient tables (a megabyte) in
// every program that never decodes a picture.
const VMPEGMacroblockCodes& AcquireMPEGMacroblockCodes();

// Scan orders (scan position -> raster index) and the default intra matrix in raster order.
extern const uint8_t kZigZagScan[64];
extern const uint8_t kAlternateScan[64];
extern const uint8_t kDefaultIntraMatrix[64];
// quantiser_scale of the non-linear scale type by quantiser_scale_code.
extern const uint8_t kNonLinearQuantiserScale[32];
