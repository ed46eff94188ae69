// Prefix-code tables: filling by code, sub-tables for long codes, lookups,
// the bulk adders and the refusal of colliding or malformed codes.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

#include "engine/image/VCodeTable.h"

namespace {

// Looks up the code at the start of a bit string ("0110..."), padded with zeros.
const VCodeEntry* LookupBits(const VCodeTable& table, const std::string& bits) {
  uint32_t word = 0;
  for (size_t i = 0; i < 32; ++i) word = (word << 1) | (i < bits.size() && bits[i] == '1' ? 1u : 0u);
  return table.Lookup(word);
}

TEST(CodeTableTest, ShortCodesFillTheirRangeOfTheRootTable) {
  VCodeTable table;
  ASSERT_TRUE(table.AddCode(0b0, 1, 5));
  ASSERT_TRUE(table.AddCode(0b10, 2, 7));
  for (int i = 0; i < 256; ++i) {
    const VCodeEntry& e = table.GetEntry(i);
    if (i < 128) {
      EXPECT_EQ(e.length, 1);
      EXPECT_EQ(e.value, 5);
    } else if (i < 192) {
      EXPECT_EQ(e.length, 2);
      EXPECT_EQ(e.value, 7);
    } else {
      EXPECT_EQ(e.length, VCodeTable::kEmptyCode) << i;
    }
    EXPECT_EQ(e.subTable, nullptr);
  }
}

TEST(CodeTableTest, TenBitCodeGoesThroughASubTable) {
  VCodeTable table;
  ASSERT_TRUE(table.AddCode(0b1101100110, 10, 300));  // first 8 bits 11011001, then 10
  const VCodeEntry& root = table.GetEntry(0b11011001);
  ASSERT_EQ(root.length, VCodeTable::kSubTableCode);
  ASSERT_NE(root.subTable, nullptr);
  for (int i = 0; i < 256; ++i) {
    const VCodeEntry& e = root.subTable->GetEntry(i);
    if (i >> 6 == 0b10) {
      EXPECT_EQ(e.length, 10);
      EXPECT_EQ(e.value, 300);
    } else {
      EXPECT_EQ(e.length, VCodeTable::kEmptyCode);
    }
  }
  const VCodeEntry* hit = LookupBits(table, "1101100110111");
  ASSERT_NE(hit, nullptr);
  EXPECT_EQ(hit->value, 300);
  EXPECT_EQ(LookupBits(table, "1101100111"), nullptr);  // same sub-table, empty entry
  EXPECT_EQ(LookupBits(table, "0000000000"), nullptr);  // empty root entry
}

TEST(CodeTableTest, LongCodesNestSeveralLevels) {
  VCodeTable table;
  ASSERT_TRUE(table.AddCode(0x1ABCD, 17, 1));
  ASSERT_TRUE(table.AddCode(0xFFFFFFFFu, 32, 2));
  ASSERT_TRUE(table.AddCode(0x1ABCC, 17, 3));  // shares two levels with the first
  EXPECT_EQ(LookupBits(table, "11010101111001101")->value, 1);
  EXPECT_EQ(LookupBits(table, "11010101111001100")->value, 3);
  EXPECT_EQ(LookupBits(table, "11010101111001110"), nullptr);
  EXPECT_EQ(LookupBits(table, std::string(32, '1'))->value, 2);
  EXPECT_EQ(LookupBits(table, std::string(31, '1') + "0"), nullptr);
}

// Each row: codes added in order (code, length), and whether the last one is accepted.
struct CollisionCase {
  const char* name;
  std::vector<std::pair<uint32_t, int>> before;
  uint32_t code;
  int length;
  bool accepted;
};

TEST(CodeTableTest, CollidingAndMalformedCodesAreRefused) {
  const CollisionCase cases[] = {
      {"equal code", {{0b101, 3}}, 0b101, 3, false},
      {"longer code under a short one", {{0b10, 2}}, 0b1011, 4, false},
      {"shorter code over a long one", {{0b1011, 4}}, 0b10, 2, false},
      {"short code over a sub-table", {{0b1101100110, 10}}, 0b1101, 4, false},
      {"8-bit code over a sub-table", {{0b1101100110, 10}}, 0b11011001, 8, false},
      {"long code under an 8-bit code", {{0b11011001, 8}}, 0b1101100110, 10, false},
      {"long code under a short code", {{0b110, 3}}, 0b1101100110, 10, false},
      {"sibling of a long code", {{0b1101100110, 10}}, 0b1101100111, 10, true},
      {"disjoint code", {{0b0, 1}}, 0b10, 2, true},
      {"length 0", {}, 0, 0, false},
      {"length 33", {}, 0, 33, false},
      {"bits above the length", {}, 0b100, 2, false},
  };
  for (const CollisionCase& c : cases) {
    VCodeTable table;
    for (const auto& [code, length] : c.before) ASSERT_TRUE(table.AddCode(code, length, 1)) << c.name;
    EXPECT_EQ(table.AddCode(c.code, c.length, 2), c.accepted) << c.name;
    // A refused code changes nothing: every earlier code still resolves to value 1.
    for (const auto& [code, length] : c.before) {
      std::string bits;
      for (int i = length - 1; i >= 0; --i) bits += ((code >> i) & 1) ? '1' : '0';
      const VCodeEntry* e = LookupBits(table, bits);
      ASSERT_NE(e, nullptr) << c.name;
      EXPECT_EQ(e->value, 1) << c.name;
      EXPECT_EQ(e->length, length) << c.name;
    }
  }
}

TEST(CodeTableTest, BulkAddersParseRowsAndSkipBadOnes) {
  const VCodeRow codes[] = {{"1", 1}, {"01", 2}, {"0x1", 9}, {"001", 3}, {"", 4}, {nullptr, 5}, {"0001", 6}};
  VCodeTable table;
  EXPECT_FALSE(table.AddCodes(codes, 7));
  EXPECT_EQ(LookupBits(table, "1")->value, 1);
  EXPECT_EQ(LookupBits(table, "01")->value, 2);
  EXPECT_EQ(LookupBits(table, "001")->value, 3);
  EXPECT_EQ(LookupBits(table, "0001")->value, 6);
  EXPECT_EQ(LookupBits(table, "0000"), nullptr);

  VCodeTable clean;
  EXPECT_TRUE(clean.AddCodes(codes, 2));

  const VRunLevelRow runLevels[] = {{"11", 0, 1}, {"011", 1, 1}, {"0100", 31, 127}, {"012", 2, 2}};
  VCodeTable rl;
  EXPECT_FALSE(rl.AddRunLevelCodes(runLevels, 4));
  EXPECT_EQ(LookupBits(rl, "11")->value, 1);
  EXPECT_EQ(LookupBits(rl, "011")->value, 256 + 1);
  EXPECT_EQ(LookupBits(rl, "0100")->value, 31 * 256 + 127);
  EXPECT_TRUE(rl.AddRunLevelCodes(runLevels, 0));

  const VCodePairRow pairs[] = {{"1", "101"}, {"01", "11111111"}, {"001", "2"}, {"0001", "0"}};
  VCodeTable pt;
  EXPECT_FALSE(pt.AddCodePairs(pairs, 4));
  EXPECT_EQ(LookupBits(pt, "1")->value, 5);
  EXPECT_EQ(LookupBits(pt, "01")->value, 255);
  EXPECT_EQ(LookupBits(pt, "001"), nullptr);
  EXPECT_EQ(LookupBits(pt, "0001")->value, 0);
}

// A random complete prefix code (canonical, lengths 1..20): every code
// decodes to its own value from random following bits.
TEST(CodeTableTest, RandomCanonicalCodesDecodeFromAnyFollowingBits) {
  std::mt19937 rng(7);
  for (int round = 0; round < 20; ++round) {
    std::vector<int> lengths;
    // Kraft sum exactly 1: split leaves until enough codes exist.
    std::vector<int> leaves = {1, 1};
    while (leaves.size() < 40) {
      const size_t i = rng() % leaves.size();
      if (leaves[i] >= 20) continue;
      ++leaves[i];
      leaves.push_back(leaves[i]);
    }
    std::sort(leaves.begin(), leaves.end());
    VCodeTable table;
    uint32_t code = 0;
    int previous = leaves[0];
    std::vector<std::pair<uint32_t, int>> assigned;
    for (size_t i = 0; i < leaves.size(); ++i) {
      code <<= (leaves[i] - previous);
      previous = leaves[i];
      ASSERT_TRUE(table.AddCode(code, leaves[i], static_cast<uint16_t>(i)));
      assigned.emplace_back(code, leaves[i]);
      ++code;
    }
    for (size_t i = 0; i < assigned.size(); ++i) {
      const auto [c, len] = assigned[i];
      const uint32_t word = (c << (32 - len)) | (static_cast<uint32_t>(rng()) >> len);
      const VCodeEntry* e = table.Lookup(word);
      ASSERT_NE(e, nullptr);
      EXPECT_EQ(e->value, i);
      EXPECT_EQ(e->length, len);
    }
  }
}

}  // namespace
