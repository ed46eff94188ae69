// The entry codec, the lookup rule against a brute-force oracle, and the
// variant-table size check.
#include "engine/archive/MediaEntry.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <vector>

namespace {

// Leftmost entry with the id; a later one of the wanted type wins; -1 when none.
int32_t Oracle(const std::vector<MediaEntry>& table, uint16_t id, uint32_t type) {
  int32_t first = -1;
  for (int32_t i = 0; i < static_cast<int32_t>(table.size()); ++i) {
    if (table[i].id != id) continue;
    if (first < 0) {
      first = i;
    } else if (table[i].type == type) {
      return i;
    }
  }
  return first;
}

TEST(MediaEntryFormat, EncodeDecodeRoundTrip) {
  MediaEntry e;
  e.id = 0xBEEF;
  e.type = MakeTypeCode("RIX ");
  for (int i = 0; i < 8; ++i) e.name[i] = static_cast<uint8_t>('a' + i);
  e.offset = 0x01020304;
  e.size = 0xFFFFFFFF;
  uint8_t bytes[22];
  archive_format::EncodeEntry(e, bytes);
  EXPECT_EQ(bytes[0], 0xEF);
  EXPECT_EQ(bytes[2], 'R');
  EXPECT_EQ(bytes[5], ' ');
  EXPECT_EQ(bytes[14], 0x04);
  MediaEntry back = archive_format::DecodeEntry(bytes);
  EXPECT_EQ(back.id, e.id);
  EXPECT_EQ(back.type, e.type);
  EXPECT_EQ(back.offset, e.offset);
  EXPECT_EQ(back.size, e.size);
  char name[9];
  archive_format::ShortNameText(back, name);
  EXPECT_STREQ(name, "abcdefgh");  // eight characters, no terminator in the entry
  uint8_t header[8];
  archive_format::EncodeHeader(-2, header);
  EXPECT_EQ(archive_format::DecodeCount(header), -2);
  EXPECT_EQ(header[0], 5);
}

TEST(MediaEntryFormat, LookupAgreesWithBruteForce) {
  std::mt19937 rng(12345);
  const uint32_t types[] = {MakeTypeCode("RIX "), MakeTypeCode("RAX "), MakeTypeCode("TEXT")};
  for (int round = 0; round < 2000; ++round) {
    int count = static_cast<int>(rng() % 40);
    std::vector<MediaEntry> table(static_cast<size_t>(count));
    uint16_t id = static_cast<uint16_t>(rng() % 3);
    for (MediaEntry& e : table) {
      id = static_cast<uint16_t>(id + rng() % 3);  // sorted, with runs of equal ids
      e.id = id;
      e.type = types[rng() % 3];
    }
    if (round % 7 == 0 && count > 0) table.back().id = 0xFFFF;
    for (int probe = 0; probe < 20; ++probe) {
      uint16_t want = static_cast<uint16_t>(rng() % (id + 3));
      if (probe == 0) want = 0xFFFF;
      uint32_t type = types[rng() % 3];
      ASSERT_EQ(archive_format::FindEntryIndex(table.data(), count, want, type), Oracle(table, want, type))
          << "round " << round << " id " << want;
    }
  }
  EXPECT_EQ(archive_format::FindEntryIndex(nullptr, 5, 1, 0), -1);
}

TEST(MediaEntryFormat, VariantTableSizes) {
  struct Row {
    uint32_t size;
    uint32_t count;
    bool valid;
  } rows[] = {
      {26, 1, true},          {48, 2, true},  {26, 0, false}, {4, 0, false}, {30, 1, false},
      {26, 2147483649u, false},  // 22 x M + 4 wraps to 26 in 32 bits
      {0xFFFFFFFF, 0xFFFFFFFF, false},
  };
  for (const Row& row : rows) {
    EXPECT_EQ(archive_format::IsValidVariantTable(row.size, row.count), row.valid) << row.size << " " << row.count;
  }
  EXPECT_TRUE(archive_format::RangeInside(10, 0, 10));
  EXPECT_FALSE(archive_format::RangeInside(11, 0, 10));
  EXPECT_FALSE(archive_format::RangeInside(0xFFFFFFF0u, 0x20, 0x100000000ull));
}

}  // namespace
