// The header of one packet of an ISO 11172-1 system stream: stream id,
// length, the optional buffer size field and presentation time stamp.
#pragma once

#include <cstddef>
#include <cstdint>

class VPacketHeader {
 public:
  // Parses the header at `data`, which holds `available` bytes of the packet
  // (from its start code on). Returns the payload length, or -1 when the
  // header is broken: it runs past the packet or past the available bytes,
  // or it is shorter than its six fixed bytes.
  int32_t Parse(const uint8_t* data, size_t available);

  uint32_t startCode = 0;
  uint32_t streamId = 0;
  uint32_t packetLength = 0;  // bytes after the length field
  uint32_t dataLength = 0;    // payload bytes
  uint32_t stdBufferScale = 0;
  uint32_t stdBufferSize = 0;
  uint64_t pts = 0;
  uint32_t headerBytes = 0;  // from the first byte of the start code
  bool hasPts = false;
};
