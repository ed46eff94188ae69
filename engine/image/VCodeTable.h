// VCodeTable: decodes variable-length prefix codes (Huffman codes) a byte at
// a time. The next 8 bits of a stream index a 256-entry table whose entry
// either ends a code (its total length and decoded value) or leads to a
// sub-table for the following 8 bits. The JPEG decoder fills tables from the
// Huffman table segments of a file; the MPEG video decoder from rows of code
// strings at start-up.
#pragma once

#include <cstdint>

class VCodeTable;

// One table entry. `length` is kEmptyCode for no code, kSubTableCode for an
// entry that continues in `subTable`, else the code's total length in bits.
struct VCodeEntry {
  uint16_t length;
  uint16_t value;
  VCodeTable* subTable;
};

// A code and its 16-bit value; the code is a string of the digits 0 and 1,
// most significant bit first.
struct VCodeRow {
  const char* code;
  uint16_t value;
};
// A code and its run and level; the value is run x 256 + level.
struct VRunLevelRow {
  const char* code;
  uint8_t run;
  int8_t level;
};
// A code and its value, both strings of the digits 0 and 1.
struct VCodePairRow {
  const char* code;
  const char* value;
};

class VCodeTable {
 public:
  static constexpr uint16_t kEmptyCode = 0xFFFF;
  static constexpr uint16_t kSubTableCode = 0xFFFE;
  static constexpr int32_t kMaxCodeLength = 32;

  // All 256 entries empty.
  VCodeTable();
  // Frees every sub-table.
  ~VCodeTable();
  VCodeTable(const VCodeTable&) = delete;
  VCodeTable& operator=(const VCodeTable&) = delete;

  // Adds the code of `length` bits (1..32), right-aligned in `code`, with its
  // value. False when a sub-table cannot be allocated, when the length is out
  // of range or the code has bits above its length, or when the code collides
  // with one already present (one is a prefix of the other, or they are
  // equal); a refused code leaves the table as it was, a failed allocation
  // leaves the sub-tables made so far (empty).
  bool AddCode(uint32_t code, int32_t length, uint16_t value);

  // Each row's code string is parsed as a base-2 number (its length is the
  // number of characters) and added with AddCode. A row whose string does not
  // parse, or that AddCode refuses, is skipped and makes the result false;
  // the other rows are still added.
  bool AddCodes(const VCodeRow* rows, int32_t count);
  bool AddRunLevelCodes(const VRunLevelRow* rows, int32_t count);
  bool AddCodePairs(const VCodePairRow* rows, int32_t count);

  const VCodeEntry& GetEntry(int32_t index) const { return entries_[index & 255]; }
  const VCodeEntry* GetEntries() const { return entries_; }

  // Resolves the code at the start of `bits` (the next 32 stream bits,
  // left-aligned): the entry that ends it, or null when no code matches.
  const VCodeEntry* Lookup(uint32_t bits) const {
    const VCodeTable* table = this;
    for (;;) {
      const VCodeEntry& entry = table->entries_[bits >> 24];
      if (entry.length == kEmptyCode) return nullptr;
      if (entry.length != kSubTableCode) return &entry;
      table = entry.subTable;
      bits <<= 8;
    }
  }

  // Parses a string of the digits 0 and 1 (1 to 32 of them): false for
  // anything else.
  static bool ParseBinary(const char* text, uint32_t& value, int32_t& length);

 private:
  VCodeEntry entries_[256];
};
