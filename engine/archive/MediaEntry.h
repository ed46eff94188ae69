// The bytes of a Devid Uvedud archive: the 8-byte header, the 22-byte entry
// (also used for variant entries and the header of an extracted medium), the
// lookup rule by id and type, and the variant-table checks. Pure functions over
// memory; the file handling lives in MediaArchive.
#pragma once

#include <cstddef>
#include <cstdint>

#include "engine/core/MediaTypes.h"

// One archive entry, decoded. In a variant table `id` holds the variant key.
struct MediaEntry {
  uint16_t id = 0;
  uint32_t type = 0;
  uint8_t name[8] = {};  // short name, zero padded, not terminated at 8 characters
  uint32_t offset = 0;   // from the first byte of the archive
  uint32_t size = 0;
};

namespace archive_format {

constexpr int kHeaderSize = 8;
constexpr int kEntrySize = 22;
constexpr uint16_t kVersion = 5;
constexpr uint32_t kVariantTableType = MakeTypeCode("MSF ");
// Entries whose type word holds this value are read through the second handle.
constexpr uint32_t kSecondHandleType = 60;

// Decodes 22 bytes into an entry.
MediaEntry DecodeEntry(const uint8_t* bytes);
// Encodes an entry into 22 bytes.
void EncodeEntry(const MediaEntry& entry, uint8_t* bytes);
// The entry count of an 8-byte header (signed; below 1 means empty).
int16_t DecodeCount(const uint8_t* header);
// The version field of an 8-byte header.
uint16_t DecodeVersion(const uint8_t* header);
// Encodes the header {version 5, count, 0}.
void EncodeHeader(int16_t count, uint8_t* header);

// The lookup rule: binary search for the leftmost entry with the id, then a
// forward scan from the entry after it for the wanted type, falling back to the
// leftmost entry. -1 when entries is null, count < 1 or no entry has the id.
int32_t FindEntryIndex(const MediaEntry* entries, int32_t count, uint16_t id, uint32_t type);

// The variant count in the first 4 bytes of a variant table.
uint32_t DecodeVariantCount(const uint8_t* bytes);

// Checks a variant-table entry against its count M: M >= 1 and the entry's
// size equals 4 + 22 * M, computed in 64 bits so no count can wrap.
bool IsValidVariantTable(uint32_t entrySize, uint32_t variantCount);

// True when [offset, offset + size) lies within a region of `limit` bytes.
inline bool RangeInside(uint64_t offset, uint64_t size, uint64_t limit) {
  return offset <= limit && size <= limit - offset;
}

// The short name as text (up to 8 characters, stopping at the first zero).
// `out` must hold 9 bytes.
void ShortNameText(const MediaEntry& entry, char* out);

}  // namespace archive_format
