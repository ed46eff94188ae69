// Encoding, decoding and lookup over Devid Uvedud entry tables.
#include "engine/archive/MediaEntry.h"

#include <cstring>

#include "engine/core/ByteFields.h"

namespace archive_format {

MediaEntry DecodeEntry(const uint8_t* bytes) {
  MediaEntry e;
  e.id = bytefields::LoadLE16(bytes);
  e.type = bytefields::LoadLE32(bytes + 2);
  std::memcpy(e.name, bytes + 6, 8);
  e.offset = bytefields::LoadLE32(bytes + 14);
  e.size = bytefields::LoadLE32(bytes + 18);
  return e;
}

void EncodeEntry(const MediaEntry& entry, uint8_t* bytes) {
  bytefields::StoreLE16(bytes, entry.id);
  bytefields::StoreLE32(bytes + 2, entry.type);
  std::memcpy(bytes + 6, entry.name, 8);
  bytefields::StoreLE32(bytes + 14, entry.offset);
  bytefields::StoreLE32(bytes + 18, entry.size);
}

int16_t DecodeCount(const uint8_t* header) { return static_cast<int16_t>(bytefields::LoadLE16(header + 2)); }

uint16_t DecodeVersion(const uint8_t* header) { return bytefields::LoadLE16(header); }

void EncodeHeader(int16_t count, uint8_t* header) {
  bytefields::StoreLE16(header, kVersion);
  bytefields::StoreLE16(header + 2, static_cast<uint16_t>(count));
  bytefields::StoreLE32(header + 4, 0);
}

int32_t FindEntryIndex(const MediaEntry* entries, int32_t count, uint16_t id, uint32_t type) {
  if (entries == nullptr || count < 1) return -1;
  int32_t low = 0;
  int32_t high = count;
  int32_t found = -1;
  while (high > low) {
    int32_t mid = (low + high) / 2;
    if (entries[mid].id == id) {
      found = mid;
      high = mid;
    } else if (entries[mid].id < id) {
      if (mid == low) break;
      low = mid;
    } else {
      high = mid;
    }
  }
  if (found < 0) return -1;
  for (int32_t i = found + 1; i < count && entries[i].id == id; ++i) {
    if (entries[i].type == type) return i;
  }
  return found;
}

uint32_t DecodeVariantCount(const uint8_t* bytes) { return bytefields::LoadLE32(bytes); }

bool IsValidVariantTable(uint32_t entrySize, uint32_t variantCount) {
  if (variantCount == 0) return false;
  uint64_t expected = 4 + static_cast<uint64_t>(kEntrySize) * variantCount;
  return expected == entrySize;
}

void ShortNameText(const MediaEntry& entry, char* out) {
  int n = 0;
  while (n < 8 && entry.name[n] != 0) {
    out[n] = static_cast<char>(entry.name[n]);
    ++n;
  }
  out[n] = 0;
}

}  // namespace archive_format
