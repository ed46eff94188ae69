// Linked-record tables: reading records from text, the lookups, the category
// table's base media ids, and malformed input.
#include <gtest/gtest.h>
#include <unistd.h>

#include <climits>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "ScriptArchiveFixture.h"
#include "engine/archive/ArchiveServices.h"
#include "engine/script/CategoryTables.h"
#include "engine/script/LinkedRecordTable.h"
#include "engine/core/MediaTypes.h"
#include "engine/core/VFileSpec.h"
#include "engine/core/VString.h"
#include "engine/core/VTextFile.h"

namespace {

std::vector<int32_t> LinkedIds(const LinkedRecordTable& table, int32_t id) {
  int32_t ids[2] = {-7, -7};
  const int32_t count = table.GetLinkedIds(id, ids);
  return std::vector<int32_t>(ids, ids + count);
}

std::vector<int32_t> Linking(const LinkedRecordTable& table, int32_t id) {
  std::vector<int32_t> out(2 * static_cast<size_t>(table.GetCount()) + 1, -7);
  const int32_t count = table.FindRecordsLinkingTo(id, out.data(), static_cast<int32_t>(out.size()));
  out.resize(static_cast<size_t>(count));
  return out;
}

std::string Text(const LinkedRecord* record) {
  return record != nullptr && record->GetText() != nullptr ? record->GetText()->GetChars() : "<none>";
}

class RecordFileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    path_ = std::filesystem::temp_directory_path() /
            ("linked-record-test-" + std::to_string(getpid()) + "-" +
             std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()) + ".txt");
  }
  void TearDown() override { std::filesystem::remove(path_); }

  // Reads the records of `bytes` from a text file into `table`.
  void Read(LinkedRecordTable& table, const std::string& bytes) {
    std::ofstream(path_, std::ios::binary) << bytes;
    VTextFile file(VFileSpec(path_.c_str()), MakeTypeCode("TEXT"), MakeTypeCode("ttxt"));
    ASSERT_TRUE(file.Open(1));
    table.ReadRecords(file, static_cast<uint32_t>(bytes.size()));
  }

  std::filesystem::path path_;
};

TEST_F(RecordFileTest, ReadsRecordsInFileOrder) {
  LinkedRecordTable table;
  Read(table,
       "5, 2, 7, 9, 11, 12, 13, 14, \"Fifth \"\"item\"\"\", 300\r\n"
       "7 1 5  1 2 3 4 \"Seventh\" 301\r\n"
       "9 0 -1 -2 0 0 \"\" 0\r\n");
  ASSERT_EQ(table.GetCount(), 3);
  // A record written with the number 5 has the id 4; its links are as written.
  const LinkedRecord* fifth = table.FindRecord(4);
  ASSERT_NE(fifth, nullptr);
  EXPECT_EQ(table.FindRecord(5), nullptr);
  EXPECT_EQ(LinkedIds(table, 4), (std::vector<int32_t>{7, 9}));
  EXPECT_EQ(fifth->GetNumberA(), 11);
  EXPECT_EQ(fifth->GetNumberB(), 12);
  EXPECT_EQ(fifth->GetNumberD(), 13);
  EXPECT_EQ(fifth->GetNumberE(), 14);
  EXPECT_EQ(fifth->GetMediaId(), 300);
  EXPECT_EQ(Text(fifth), "Fifth \"item\"");
  EXPECT_STREQ(table.GetRecordText(6)->GetChars(), "Seventh");
  EXPECT_EQ(LinkedIds(table, 6), (std::vector<int32_t>{5}));
  // Count 0: no linked ids.
  EXPECT_EQ(LinkedIds(table, 8), (std::vector<int32_t>{}));
  EXPECT_EQ(table.FindRecord(8)->GetNumberA(), -1);
  EXPECT_EQ(table.FindRecord(8)->GetNumberB(), -2);
  EXPECT_EQ(table.FindRecord(8)->GetMediaId(), 0);
  // Lookups of absent ids.
  EXPECT_EQ(LinkedIds(table, 100), (std::vector<int32_t>{}));
  EXPECT_EQ(table.GetRecordText(100), nullptr);
}

TEST_F(RecordFileTest, FindsRecordsLinkingToAnId) {
  LinkedRecordTable table;
  Read(table,
       "1 2 3 3 0 0 0 0 \"a\" 0\n"
       "2 1 3 0 0 0 0 \"b\" 0\n"
       "3 2 1 2 0 0 0 0 \"c\" 0\n");
  // Links are compared as written (item numbers); the answers are record ids.
  EXPECT_EQ(Linking(table, 3), (std::vector<int32_t>{0, 0, 1}));
  EXPECT_EQ(Linking(table, 1), (std::vector<int32_t>{2}));
  EXPECT_EQ(Linking(table, 4), (std::vector<int32_t>{}));
  // The capacity is respected.
  int32_t one[1] = {-7};
  EXPECT_EQ(table.FindRecordsLinkingTo(3, one, 1), 1);
  EXPECT_EQ(one[0], 0);
}

TEST_F(RecordFileTest, LongLinkListsKeepTwoAndStayInStep) {
  LinkedRecordTable table;
  Read(table,
       "1 5 10 20 30 40 50 1 2 3 4 \"first\" 100\n"
       "2 0 5 6 7 8 \"second\" 200\n");
  ASSERT_EQ(table.GetCount(), 2);
  EXPECT_EQ(LinkedIds(table, 0), (std::vector<int32_t>{10, 20}));
  EXPECT_EQ(table.FindRecord(0)->GetNumberA(), 1);
  EXPECT_EQ(table.FindRecord(0)->GetNumberE(), 4);
  EXPECT_EQ(Text(table.FindRecord(0)), "first");
  EXPECT_EQ(table.FindRecord(0)->GetMediaId(), 100);
  EXPECT_EQ(Text(table.FindRecord(1)), "second");
  EXPECT_EQ(table.FindRecord(1)->GetNumberA(), 5);
  EXPECT_EQ(table.FindRecord(1)->GetMediaId(), 200);
}

TEST_F(RecordFileTest, MalformedInputEndsCleanly) {
  struct Case {
    const char* name;
    std::string bytes;
    int32_t records;
  } cases[] = {
      {"empty", "", 0},
      {"no numbers", "abc \"x\" ;;", 0},
      {"cut after the number", "5", 1},
      {"cut inside the links", "5 3 1", 1},
      {"huge count", "5 2000000000 1 2 3", 1},
      {"negative count", "5 -4 1 2 3 4 \"t\" 9\n6 0 0 0 0 0 \"u\" 1", 2},
      {"unterminated text", "5 0 1 2 3 4 \"never closed", 1},
      {"smallest number", "-2147483648 0 0 0 0 0 \"\" 0", 1},
      {"overflowing digits", "99999999999999999999 0 0 0 0 0 \"\" 0", 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    LinkedRecordTable table;
    Read(table, c.bytes);
    EXPECT_EQ(table.GetCount(), c.records);
  }
}

TEST_F(RecordFileTest, NegativeCountKeepsNoIds) {
  LinkedRecordTable table;
  Read(table, "5 -4 1 2 3 4 \"t\" 9\n");
  ASSERT_EQ(table.GetCount(), 1);
  EXPECT_EQ(LinkedIds(table, 4), (std::vector<int32_t>{}));
  EXPECT_EQ(table.FindRecord(4)->GetNumberA(), 1);
  EXPECT_EQ(table.FindRecord(4)->GetMediaId(), 9);
}

TEST_F(RecordFileTest, SmallestNumberWrapsToLargestId) {
  LinkedRecordTable table;
  Read(table, "-2147483648 0 0 0 0 0 \"\" 0");
  ASSERT_EQ(table.GetCount(), 1);
  EXPECT_NE(table.FindRecord(INT32_MAX), nullptr);
}

TEST_F(RecordFileTest, OutOfRangeItemNumbersSkipTheCategoryTable) {
  MemoryCategoryTables tables;
  ScopedCategoryTables scope(&tables);
  // Numbers outside 0..999 never index the table; their records keep the
  // file's values.
  LinkedRecordTable table;
  Read(table,
       "1000 0 0 0 0 0 \"thousand\" 5\n"
       "-1 0 0 0 0 0 \"minus\" 6\n"
       "123456789 0 0 0 0 0 \"large\" 7\n");
  ASSERT_EQ(table.GetCount(), 3);
  EXPECT_EQ(Text(table.FindRecord(999)), "thousand");
  EXPECT_EQ(table.FindRecord(999)->GetMediaId(), 5);
  EXPECT_EQ(Text(table.FindRecord(-2)), "minus");
  EXPECT_EQ(Text(table.FindRecord(123456788)), "large");
}

TEST(LinkedRecordLoadTest, LoadsFromArchive) {
  script_test::ScopedTextArchive archive({{400, "5 1 7 1 2 3 4 \"five\" 300\n7 1 5 0 0 0 0 \"seven\" 301\n"}},
                                         "linked-record-load");
  LinkedRecordTable table(400);
  EXPECT_TRUE(table.IsLoaded());
  ASSERT_EQ(table.GetCount(), 2);
  EXPECT_STREQ(table.GetRecordText(4)->GetChars(), "five");
  EXPECT_EQ(LinkedIds(table, 4), (std::vector<int32_t>{7}));
  EXPECT_EQ(Linking(table, 5), (std::vector<int32_t>{6}));
}

TEST(LinkedRecordLoadTest, ReadsOnlyItsOwnMedium) {
  // The medium's window ends where the next medium's bytes begin.
  script_test::ScopedTextArchive archive({{400, "5 0 0 0 0 0 \"a\" 1"}, {401, " 6 0 0 0 0 0 \"b\" 2"}},
                                         "linked-record-window");
  LinkedRecordTable table(400);
  EXPECT_EQ(table.GetCount(), 1);
}

TEST(LinkedRecordLoadTest, BaseMediaIdReplacesTextAndMediaId) {
  script_test::ScopedTextArchive archive(
      {{400, "5 0 1 2 3 4 \"file text\" 300\n6 0 1 2 3 4 \"own text\" 301\n"}, {701, "  Text of item five \r\n"}},
      "linked-record-base");
  MemoryCategoryTables tables;
  tables.SetCategoryEntry(2, 5, 700);
  ScopedCategoryTables scope(&tables);
  LinkedRecordTable table(400);
  ASSERT_EQ(table.GetCount(), 2);
  EXPECT_STREQ(table.GetRecordText(4)->GetChars(), "Text of item five");
  EXPECT_EQ(table.FindRecord(4)->GetMediaId(), 702);
  EXPECT_STREQ(table.GetRecordText(5)->GetChars(), "own text");
  EXPECT_EQ(table.FindRecord(5)->GetMediaId(), 301);
}

TEST(LinkedRecordLoadTest, MissingMediumGivesEmptyUnloadedTable) {
  script_test::ScopedTextArchive archive({{400, "5 0 0 0 0 0 \"a\" 1"}}, "linked-record-missing");
  LinkedRecordTable table(401);
  EXPECT_FALSE(table.IsLoaded());
  EXPECT_EQ(table.GetCount(), 0);
  EXPECT_EQ(table.FindRecord(4), nullptr);
  ScopedMediaArchive none(nullptr);
  LinkedRecordTable noArchive(400);
  EXPECT_FALSE(noArchive.IsLoaded());
}

TEST(LinkedRecordTest, DefaultsAndSet) {
  LinkedRecord record;
  EXPECT_EQ(record.GetId(), -1);
  int32_t ids[2] = {-7, -7};
  EXPECT_EQ(record.GetLinkedIds(ids), 0);
  EXPECT_EQ(record.GetNumberA(), -1);
  EXPECT_EQ(record.GetNumberB(), -1);
  EXPECT_EQ(record.GetMediaId(), -1);
  EXPECT_EQ(record.GetNumberD(), 0);
  EXPECT_EQ(record.GetText(), nullptr);

  const int32_t many[4] = {1, 2, 3, 4};
  VString text("hello");
  record.Set(9, 4, many, 1, 2, 3, 4, 5, &text);
  text.Assign("changed");
  EXPECT_EQ(record.GetId(), 9);
  EXPECT_EQ(record.GetLinkedIds(ids), 2);
  EXPECT_EQ(ids[0], 1);
  EXPECT_EQ(ids[1], 2);
  EXPECT_STREQ(record.GetText()->GetChars(), "hello");  // a copy
  record.Set(9, 0, nullptr, 1, 2, 3, 4, 5, nullptr);
  EXPECT_EQ(record.GetText(), nullptr);
  EXPECT_EQ(record.GetLinkedIds(ids), 0);
}

TEST(CategoryTablesTest, BaseMediaIds) {
  EXPECT_EQ(GetItemBaseMediaId(2, 1), 0);  // nothing registered
  MemoryCategoryTables tables;
  ScopedCategoryTables scope(&tables);
  EXPECT_TRUE(tables.SetCategoryEntry(2, 1, 0x12340000u | 700u));
  EXPECT_TRUE(tables.SetCategoryEntry(2, 2, 0xFFFF));
  EXPECT_TRUE(tables.SetCategoryEntry(12, 999, 5));
  EXPECT_FALSE(tables.SetCategoryEntry(13, 0, 5));
  EXPECT_FALSE(tables.SetCategoryEntry(2, 1000, 5));
  EXPECT_FALSE(tables.SetCategoryEntry(2, -1, 5));
  EXPECT_EQ(GetItemBaseMediaId(2, 1), 700);  // low 16 bits
  EXPECT_EQ(GetItemBaseMediaId(2, 2), 0);    // 0xFFFF is "none"
  EXPECT_EQ(GetItemBaseMediaId(12, 999), 5);
  EXPECT_EQ(GetItemBaseMediaId(2, 1000), 0);
  EXPECT_EQ(GetItemBaseMediaId(2, -1), 0);
  EXPECT_EQ(GetItemBaseMediaId(0, 1), 0);
}

// Tables write -1 for "none"; any entry of 0 or below is none, never the
// id its low 16 bits would give (65533 for -3, 0xFFFF for -1).
TEST(CategoryTablesTest, ZeroAndNegativeEntriesAreNone) {
  MemoryCategoryTables tables;
  ScopedCategoryTables scope(&tables);
  const struct {
    int32_t entry;
    uint16_t base;
  } cases[] = {{0, 0}, {-1, 0}, {-3, 0}, {-65536 + 700, 0}, {INT32_MIN, 0}, {1, 1}, {65534, 65534}, {65535, 0}};
  for (const auto& c : cases) {
    ASSERT_TRUE(tables.SetCategoryEntry(7, 3, static_cast<uint32_t>(c.entry)));
    EXPECT_EQ(GetItemBaseMediaId(7, 3), c.base) << c.entry;
  }
}

}  // namespace
