#include "engine/image/VCodeTable.h"

#include <new>

VCodeTable::VCodeTable() {
  for (VCodeEntry& entry : entries_) entry = {kEmptyCode, 0, nullptr};
}

VCodeTable::~VCodeTable() {
  for (VCodeEntry& entry : entries_) delete entry.subTable;
}

bool VCodeTable::AddCode(uint32_t code, int32_t length, uint16_t value) {
  if (length < 1 || length > kMaxCodeLength) return false;
  if (length < 32 && (code >> length) != 0) return false;
  uint32_t w = length == 32 ? code : code << (32 - length);
  int32_t remaining = length;
  VCodeTable* table = this;

  // Into the sub-tables that already exist on the code's path. A code that
  // ends at or before such an entry would be a prefix of the longer codes
  // below it (and would fill beyond the 256 entries of its table).
  while (table->entries_[w >> 24].length == kSubTableCode) {
    if (remaining <= 8) return false;
    table = table->entries_[w >> 24].subTable;
    w <<= 8;
    remaining -= 8;
  }
  // A shorter code that ends here already covers this one.
  if (remaining > 8 && table->entries_[w >> 24].length != kEmptyCode) return false;
  if (remaining <= 8) {
    const int32_t free = 8 - remaining;
    const uint32_t first = w >> 24;
    const uint32_t count = 1u << free;
    for (uint32_t i = 0; i < count; ++i) {
      if (table->entries_[first + i].length != kEmptyCode) return false;
    }
    for (uint32_t i = 0; i < count; ++i) table->entries_[first + i] = {static_cast<uint16_t>(length), value, nullptr};
    return true;
  }

  // New sub-tables for the bits beyond this level.
  while (remaining > 8) {
    VCodeEntry& entry = table->entries_[w >> 24];
    auto* sub = new (std::nothrow) VCodeTable();
    if (!sub) return false;
    entry = {kSubTableCode, 0, sub};
    table = sub;
    w <<= 8;
    remaining -= 8;
  }
  const int32_t free = 8 - remaining;
  const uint32_t first = w >> 24;
  const uint32_t count = 1u << free;
  for (uint32_t i = 0; i < count; ++i) table->entries_[first + i] = {static_cast<uint16_t>(length), value, nullptr};
  return true;
}

bool VCodeTable::ParseBinary(const char* text, uint32_t& value, int32_t& length) {
  if (!text) return false;
  uint32_t v = 0;
  int32_t n = 0;
  for (; text[n] != '\0'; ++n) {
    if (n >= kMaxCodeLength || (text[n] != '0' && text[n] != '1')) return false;
    v = (v << 1) | static_cast<uint32_t>(text[n] - '0');
  }
  if (n == 0) return false;
  value = v;
  length = n;
  return true;
}

bool VCodeTable::AddCodes(const VCodeRow* rows, int32_t count) {
  bool ok = true;
  for (int32_t i = 0; rows && i < count; ++i) {
    uint32_t code = 0;
    int32_t length = 0;
    if (!ParseBinary(rows[i].code, code, length) || !AddCode(code, length, rows[i].value)) ok = false;
  }
  return ok && (rows || count <= 0);
}

bool VCodeTable::AddRunLevelCodes(const VRunLevelRow* rows, int32_t count) {
  bool ok = true;
  for (int32_t i = 0; rows && i < count; ++i) {
    uint32_t code = 0;
    int32_t length = 0;
    const auto value = static_cast<uint16_t>(rows[i].run * 256 + rows[i].level);
    if (!ParseBinary(rows[i].code, code, length) || !AddCode(code, length, value)) ok = false;
  }
  return ok && (rows || count <= 0);
}

bool VCodeTable::AddCodePairs(const VCodePairRow* rows, int32_t count) {
  bool ok = true;
  for (int32_t i = 0; rows && i < count; ++i) {
    uint32_t code = 0, value = 0;
    int32_t length = 0, valueLength = 0;
    if (!ParseBinary(rows[i].code, code, length) || !ParseBinary(rows[i].value, value, valueLength) ||
        valueLength > 16 || !AddCode(code, length, static_cast<uint16_t>(value))) {
      ok = false;
    }
  }
  return ok && (rows || count <= 0);
}
