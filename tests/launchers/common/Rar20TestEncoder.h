// A RAR 2.0 encoder for the tests: greedy LZ over the 1 MB window, prefix
// codes limited to 15 bits, table changes (kept or reset lengths), audio
// blocks of 1 to 4 channels, solid streams, and the archive around them.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace rartest {

// How a stretch of a member is coded.
struct EncodeBlock {
  size_t bytes = 0;       // how many bytes of the member (0: the rest)
  int audioChannels = 0;  // 0: LZ, 1 to 4: audio
  bool keepLengths = true;  // code the new lengths against the previous ones
};

struct EncodeMember {
  std::string name;
  std::vector<uint8_t> data;
  bool stored = false;
  std::vector<EncodeBlock> blocks;  // empty: one LZ block
  size_t symbolsPerTable = 0;       // > 0: a new LZ table after this many symbols
  // For a solid continuation: the previous member ends with the tables this
  // member starts with (else this member's first symbol changes the tables).
  bool tablesAtEndOfPrevious = false;
  uint8_t version = 20;
  uint16_t extraFlags = 0;
};

// Builds a whole archive; in a solid archive every member after the first
// continues the stream.
std::vector<uint8_t> BuildRarArchive(const std::vector<EncodeMember>& members, bool solid);

// Header offsets of the members in the last archive built (for corrupting
// tests): the offset of each file header and of its data.
struct MemberPlace {
  size_t header = 0;
  size_t data = 0;
  size_t packedSize = 0;
};
std::vector<MemberPlace> LastMemberPlaces();

}  // namespace rartest

namespace rartest {

// CRC-32 (reflected polynomial 0xEDB88320) computed bit by bit, sharing no
// code with the reader's: the checksums of the archives built here.
uint32_t Crc32(const uint8_t* data, size_t size);

// A one-member archive around given packed bytes (for damaged streams).
std::vector<uint8_t> WrapPackedMember(const std::string& name, const std::vector<uint8_t>& packed,
                                      uint32_t unpackedSize, uint32_t crc, uint8_t method = 0x33,
                                      uint8_t version = 20, uint16_t extraFlags = 0);

// Bits written first-bit-first into bytes, as the 2.0 method reads them.
class BitWriter {
 public:
  void Put(uint32_t value, int bits);
  std::vector<uint8_t> Finish();  // pads the last byte with zeros
  size_t BitCount() const { return bytes_.size() * 8 + static_cast<size_t>(used_); }

 private:
  std::vector<uint8_t> bytes_;
  uint32_t acc_ = 0;
  int used_ = 0;
};

}  // namespace rartest
