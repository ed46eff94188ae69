// One MPEG-1 audio frame decoded into subband samples: the frame interface
// and its Layer II form (bit allocation, scale factors, grouped and plain
// sample codes, requantisation into 16-bit values where 8192 stands for 1.0).
#pragma once

#include <cstdint>
#include <climits>

#include "engine/mpeg/VMPAHeader.h"

class VBitstream;

// 36 time slots of 32 subband samples per channel.
inline constexpr int kMPASlots = 36;
inline constexpr int kMPASubbands = 32;

class VMPAFrame {
 public:
  explicit VMPAFrame(const VMPAHeader& header) : header_(header) {}
  virtual ~VMPAFrame() = default;
  VMPAFrame(const VMPAFrame&) = delete;
  VMPAFrame& operator=(const VMPAFrame&) = delete;

  // Decodes the frame body after the header; 0 or a negative error code.
  virtual int32_t Decode(VBitstream& bits) = 0;
  // The channel's samples, [slot][subband]; null for a channel the frame lacks.
  virtual const int16_t* GetSamples(int channel) const = 0;

  // The header of the frame to decode next (set before Decode).
  void SetHeader(const VMPAHeader& header) { header_ = header; }
  const VMPAHeader& GetHeader() const { return header_; }

 protected:
  VMPAHeader header_;
};

// One row of the Layer II allocation tables: the width of the allocation
// field and the quantisation class of each allocation value from 1 on.
struct VLayerIIAllocationRow {
  int bits;
  int8_t classes[16];
};

// A quantisation class: number of steps, bits per sample (b) and per code,
// and whether three samples share one code.
struct VLayerIIQuantClass {
  int steps;
  int sampleBits;
  int codeBits;
  bool grouped;
};

// The state of one subband of one channel within the current frame.
struct VLayerIISubband {
  const VLayerIIAllocationRow* row = nullptr;
  int allocation = 0;    // the code read; 0: no samples
  int quantClass = -1;   // index into the class table, -1 when not allocated
  int selection = 0;     // scale-factor selection information
  int scaleFactors[3] = {63, 63, 63};
  int32_t multiplier[3] = {0, 0, 0};  // trunc(C * 8192 * scale factor) per part
  int32_t offset[3] = {0, 0, 0};      // trunc(multiplier * 2^(b-1) * D) per part
};

class VLayerIIFrame : public VMPAFrame {
 public:
  explicit VLayerIIFrame(const VMPAHeader& header);
  int32_t Decode(VBitstream& bits) override;
  const int16_t* GetSamples(int channel) const override;

  int GetChannels() const { return channels_; }
  int GetBound() const { return bound_; }
  int GetSubbandLimit() const { return sblimit_; }
  int GetTableIndex() const { return tableIndex_; }

  // Bits the frame body may take after the header (and CRC word); a frame
  // whose allocations ask for more is refused with kMPAFrameOverrun before
  // its samples are read.
  void SetBitBudget(int64_t bits) { budget_ = bits; }

  // Chooses the tables for the header; 0 or kMPAFrameNotLayerII.
  int32_t Configure();

  static const VLayerIIQuantClass& QuantClass(int index);

 private:
  int channels_ = 1;
  int bound_ = 0;
  int sblimit_ = 0;
  int tableIndex_ = -1;
  int rowsLimit_ = -1;  // the subband limit the rows were chosen for
  int64_t budget_ = INT64_MAX;
  VLayerIISubband subbands_[2][kMPASubbands];
  alignas(16) int16_t samples_[2][kMPASlots * kMPASubbands];
};
