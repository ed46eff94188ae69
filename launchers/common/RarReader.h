// Reader of RAR 2.x archives (the launcher archives, .kvt): extracts one named
// member completely into memory. Stored members and the version 2.0 method
// (LZ, audio blocks, solid streams) are decoded; every extracted member is
// checked against its CRC-32.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

enum class RarStatus {
  kOk,
  kCannotOpen,         // the archive file does not open
  kNotAnArchive,       // no RAR mark at the start
  kBadHeader,          // a header that is cut, too small or fails its checksum
  kMemberNotFound,
  kEncrypted,          // the member needs a password
  kUnsupported,        // a version or method this reader does not decode, or a member split over volumes
  kTruncated,          // the member's data pass the end of the archive
  kDamaged,            // packed data that do not decode
  kChecksumMismatch,   // decoded data that fail the member's CRC-32
};

// A short English description of the status, for messages.
const char* RarStatusText(RarStatus status);

// One file header as the archive lists it.
struct RarMember {
  std::string name;           // as stored, up to its first zero byte
  uint32_t packedSize = 0;
  uint32_t unpackedSize = 0;
  uint32_t crc = 0;
  uint16_t flags = 0;
  uint8_t version = 0;        // version needed to unpack (20 = 2.0)
  uint8_t method = 0;         // 0x30 stored, 0x31..0x35 compressed
  uint64_t dataOffset = 0;
  bool truncated = false;     // the data pass the end of the archive
};

// Whether a member name matches a wanted name: "\" and "/" are the same
// character as "_", and letters match without case.
bool RarNamesMatch(const std::string& memberName, const std::string& wanted);

// Extracts the first member whose name matches memberName into out (cleared
// first; left empty on failure).
RarStatus ExtractRarMember(const std::string& archivePath, const std::string& memberName, std::vector<uint8_t>& out);
RarStatus ExtractRarMemberFromMemory(const uint8_t* data, size_t size, const std::string& memberName,
                                     std::vector<uint8_t>& out);

// Lists the file headers up to the end of the archive or the first damaged
// header (whose status is returned; kOk when the whole archive was read).
RarStatus ListRarMembers(const std::string& archivePath, std::vector<RarMember>& members);
RarStatus ListRarMembersFromMemory(const uint8_t* data, size_t size, std::vector<RarMember>& members);

// The launchers' entry point: the member extracted into buffer. A non-empty
// password is refused (encrypted members are not decoded).
bool ExtractToMemory(std::vector<uint8_t>& buffer, const std::string& memberName, const std::string& archivePath,
                     const std::string& password);
