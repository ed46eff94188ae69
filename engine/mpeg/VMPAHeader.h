// The 32-bit header of an MPEG-1 audio frame: finding it in a bit stream,
// its fields, and the frame length it implies.
#pragma once

#include <cstdint>

class VBitstream;

// Results of VMPAHeader::Read (negative: the header is refused).
enum MPAHeaderError : int32_t {
  kMPAHeaderBadLayer = -1002,        // layer field 0
  kMPAHeaderBadBitRate = -1003,      // bit-rate index 15
  kMPAHeaderBadSampleRate = -1004,   // sampling-frequency index 3
  kMPAFrameNotLayerII = -1005,       // a Layer I or III frame handed to the Layer II decoder
  kMPAHeaderFreeFormat = -1007,      // bit-rate index 0: frame length not given by the header
  kMPAHeaderLowSampleRate = -1008,   // ID bit 0: the half sampling rates of MPEG-2 audio
  kMPAFrameOverrun = -1009,          // a frame whose contents need more bits than its length
};

// Results of VMPAHeader::Peek.
enum MPAPeekResult : int32_t {
  kMPAPeekNeedMore = 0,
  kMPAPeekFound = 1,
  kMPAPeekBadSampleRate = 20,
  kMPAPeekBadBitRate = 21,
  kMPAPeekBadLayer = 22,
  kMPAPeekFreeFormat = 23,
  kMPAPeekLowSampleRate = 24,
};

class VMPAHeader {
 public:
  VMPAHeader() = default;
  virtual ~VMPAHeader() = default;

  // Aligns to a byte, searches the 12-bit sync word, reads the header (and
  // the CRC word when present). 0 on success, else a MPAHeaderError; a
  // refused header's bits stay consumed.
  int32_t Read(VBitstream& bits);
  // Aligns to a byte and drops bytes up to the next sync word without
  // consuming the header itself, then parses it: a MPAPeekResult. Bytes
  // dropped before the sync word are not part of any frame.
  int32_t Peek(VBitstream& bits);
  // Parses a header word (sync in the top 12 bits); 0 or a MPAHeaderError.
  int32_t Parse(uint32_t word);

  // Sampling frequency in Hz and bit rate in kbit/s of the parsed fields
  // (the half rates of MPEG-2 audio when the ID bit is 0).
  int32_t SampleRate() const;
  int32_t BitRateKbps() const;
  // The Layer II bit rate of an MPEG-1 bit-rate index in kbit/s (0 for none).
  static int32_t LayerIIBitRateKbps(int32_t index);
  int32_t Channels() const { return mode == 3 ? 1 : 2; }
  // Samples per channel in a frame: 384 for Layer I, 1152 otherwise.
  int32_t SamplesPerFrame() const { return layer == 1 ? 384 : 1152; }

  int32_t id = 1;
  int32_t layer = 0;  // 1, 2 or 3
  int32_t protection = 1;  // 1: no CRC
  int32_t bitRateIndex = 0;
  int32_t sampleRateIndex = 0;
  int32_t padding = 0;
  int32_t privateBit = 0;
  int32_t mode = 0;  // 0 stereo, 1 joint stereo, 2 dual channel, 3 single channel
  int32_t modeExtension = 0;
  int32_t copyright = 0;
  int32_t original = 0;
  int32_t emphasis = 0;
  uint32_t crc = 0;  // read when present, not verified
  int32_t frameBytes = 0;  // the whole frame, header included
  int32_t bodyBytes = 0;   // frameBytes - 4
  int32_t mainDataBytes = 0;  // Layer III: the frame less header, CRC and side information
};

// Peek code for a Read error code (0 for anything else).
int32_t MPAPeekCodeFor(int32_t readError);
