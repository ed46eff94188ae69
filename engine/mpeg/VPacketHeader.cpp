// Packet header parsing over bytes in memory, every read bounded.
#include "engine/mpeg/VPacketHeader.h"

#include "engine/core/ByteFields.h"

namespace {

uint64_t ReadTimeStamp(const uint8_t* p) {
  return (uint64_t{p[0] & 0x0Eu} << 29) | (uint64_t{p[1]} << 22) | (uint64_t{p[2] & 0xFEu} << 14) |
         (uint64_t{p[3]} << 7) | (uint64_t{p[4]} >> 1);
}

}  // namespace

int32_t VPacketHeader::Parse(const uint8_t* data, size_t available) {
  hasPts = false;
  pts = 0;
  stdBufferScale = stdBufferSize = 0;
  if (available < 6) return -1;
  startCode = bytefields::LoadBE32(data);
  streamId = data[3];
  packetLength = bytefields::LoadBE16(data + 4);
  const size_t end = 6 + size_t{packetLength};
  const size_t limit = end < available ? end : available;
  size_t at = 6;
  if (streamId != 0xBF) {
    while (at < limit && data[at] == 0xFF) ++at;
    if (at < limit && (data[at] & 0xC0) == 0x40) {
      if (at + 2 > limit) return -1;
      stdBufferScale = (data[at] >> 5) & 1;
      stdBufferSize = ((uint32_t{data[at]} & 0x1F) << 8) | data[at + 1];
      at += 2;
    }
    if (at >= limit) return -1;
    switch (data[at] >> 4) {
      case 0x0:
        ++at;  // the 0x0F marker of a packet without time stamps
        break;
      case 0x2:
        if (at + 5 > limit) return -1;
        pts = ReadTimeStamp(data + at);
        hasPts = true;
        at += 5;
        break;
      case 0x3:
        if (at + 10 > limit) return -1;
        pts = ReadTimeStamp(data + at);
        hasPts = true;
        at += 10;
        break;
      default:
        break;
    }
  }
  if (at > end) return -1;
  headerBytes = static_cast<uint32_t>(at);
  dataLength = static_cast<uint32_t>(end - at);
  return static_cast<int32_t>(dataLength);
}
