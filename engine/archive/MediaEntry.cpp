// Encoding, decoding and lookup over Devid Uvedud entry tables.
#include "engine/archive/MediaEntry.h"

#include <cstring>

namespace archive_format {

namespace {

uint16_t Get16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }

uint32_t Get32(const uint8_t* p) {
  return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) |
         (static_cast<uint32_t>(p[2]) << 16) | (static_cast<uint32_t>(p[3]) << 24);
}

void Put16(uint8_t* p, uint16_t v) {
  p[0] = static_cast<uint8_t>(v);
  p[1] = static_cast<uint8_t>(v >> 8);
}

void Put32(uint8_t* p, uint32_t v) {
  for (int i = 0; i < 4; ++i) p[i] = static_cast<uint8_t>(v >> (8 * i));
}

}  // namespace

MediaEntry DecodeEntry(const uint8_t* bytes) {
  MediaEntry e;
  e.id = Get16(bytes);
  e.type = Get32(bytes + 2);
  std::memcpy(e.name, bytes + 6, 8);
  e.offset = Get32(bytes + 14);
  e.size = Get32(bytes + 18);
  return e;
}

void EncodeEntry(const MediaEntry& entry, uint8_t* bytes) {
  Put16(bytes, entry.id);
  Put32(bytes + 2, entry.type);
  std::memcpy(bytes + 6, entry.name, 8);
  Put32(bytes + 14, entry.offset);
  Put32(bytes + 18, entry.size);
}

int16_t DecodeCount(const uint8_t* header) { return static_cast<int16_t>(Get16(header + 2)); }

uint16_t DecodeVersion(const uint8_t* header) { return Get16(header); }

void EncodeHeader(int16_t count, uint8_t* header) {
  Put16(header, kVersion);
  Put16(header + 2, static_cast<uint16_t>(count));
  Put32(header + 4, 0);
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

uint32_t DecodeVariantCount(const uint8_t* bytes) { return Get32(bytes); }

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
