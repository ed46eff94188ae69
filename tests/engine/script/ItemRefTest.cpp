// Item references: parsing, printing, comparison, the category table and the
// visit flags through the history service and the event-record hook.
#include <gtest/gtest.h>

#include <map>
#include <memory>

#include "engine/script/EventRecordHook.h"
#include "engine/script/ItemRef.h"
#include "engine/core/ServiceCheck.h"
#include "engine/script/VisitHistory.h"
#include "engine/core/VString.h"

namespace {

struct ParseCase {
  const char* text;
  int32_t category;
  int32_t number;
  bool valid;
};

TEST(ItemRefTest, ParsesTextForms) {
  const ParseCase cases[] = {
      {"BU001", 1, 1, true},     {"TL999", 12, 999, true},  {"hp123x", 8, 123, true},
      {"ev042", 4, 42, true},    {"Bh000", 2, 0, true},     {"ZZ005", 0, 5, false},
      {"XX123", 0, 123, false},  {"BUabc", 1, 100 * ('a' - '0') + 10 * ('b' - '0') + ('c' - '0'), false},
      {"ST12 ", 11, 120 + (' ' - '0'), true},
  };
  for (const ParseCase& c : cases) {
    SCOPED_TRACE(c.text);
    ItemRef ref(7, 7);
    ref.ParseItemRef(VString(c.text));
    EXPECT_EQ(ref.GetCategory(), c.category);
    EXPECT_EQ(ref.GetNumber(), c.number);
    EXPECT_EQ(ref.IsItemRefValid(), c.valid);
  }
}

TEST(ItemRefTest, ShortTextLeavesReferenceUnchanged) {
  for (const char* text : {"", "B", "BU1", "BU01"}) {
    ItemRef ref(3, 44);
    ref.ParseItemRef(VString(text));
    EXPECT_EQ(ref, ItemRef(3, 44)) << text;
  }
}

TEST(ItemRefTest, ConstructorTakesCategoryFirst) {
  const ItemRef ref(4, 17);
  EXPECT_EQ(ref.GetNumber(), 17);
  EXPECT_EQ(ref.GetCategory(), 4);
  const ItemRef none;
  EXPECT_EQ(none.GetNumber(), 0);
  EXPECT_EQ(none.GetCategory(), 0);
  EXPECT_FALSE(none.IsItemRefValid());
}

TEST(ItemRefTest, ValidityBounds) {
  EXPECT_TRUE(ItemRef(1, 0).IsItemRefValid());
  EXPECT_TRUE(ItemRef(12, 999).IsItemRefValid());
  EXPECT_FALSE(ItemRef(13, 1).IsItemRefValid());
  EXPECT_FALSE(ItemRef(0, 1).IsItemRefValid());
  EXPECT_FALSE(ItemRef(1, 1000).IsItemRefValid());
  EXPECT_FALSE(ItemRef(1, -1).IsItemRefValid());
}

TEST(ItemRefTest, ComparesBothFields) {
  EXPECT_TRUE(ItemRef(1, 5).ItemRefEquals(ItemRef(1, 5)));
  EXPECT_FALSE(ItemRef(1, 5).ItemRefEquals(ItemRef(2, 5)));
  EXPECT_FALSE(ItemRef(1, 5).ItemRefEquals(ItemRef(1, 6)));
  EXPECT_NE(ItemRef(1, 5), ItemRef(5, 1));
}

TEST(ItemRefTest, CategoryCodes) {
  const char* codes[] = {"XX", "BU", "BH", "DF", "EV", "SH", "VI", "BT", "HP", "AS", "PE", "ST", "TL", "XX"};
  for (int32_t i = 0; i < 14; ++i) {
    EXPECT_STREQ(GetCategoryCode(i), codes[i]) << i;
    // The lookup never returns 13: its "XX" is found at 0.
    EXPECT_EQ(FindCategoryCode(codes[i]), i == 13 ? 0 : i) << i;
  }
  EXPECT_EQ(FindCategoryCode("bu"), 1);
  EXPECT_EQ(FindCategoryCode("tLx"), 12);
  EXPECT_EQ(FindCategoryCode("B"), 0);
  EXPECT_EQ(FindCategoryCode(""), 0);
  EXPECT_EQ(FindCategoryCode(nullptr), 0);
  EXPECT_STREQ(GetCategoryCode(-1), "XX");
  EXPECT_STREQ(GetCategoryCode(14), "XX");
}

TEST(ItemRefTest, PrintsWhatParseReadsBack) {
  for (int32_t category = 1; category <= 12; ++category) {
    for (int32_t number : {0, 7, 42, 999}) {
      const ItemRef ref(category, number);
      VString text;
      ASSERT_TRUE(ref.FormatItemRef(text));
      EXPECT_EQ(text.GetLength(), 5);
      ItemRef back;
      back.ParseItemRef(text);
      EXPECT_EQ(back, ref) << text.GetChars();
    }
  }
  char out[6];
  ASSERT_TRUE(ItemRef(1, 1).FormatItemRef(out));
  EXPECT_STREQ(out, "BU001");
  ASSERT_TRUE(ItemRef(12, 999).FormatItemRef(out));
  EXPECT_STREQ(out, "TL999");
  EXPECT_TRUE(ItemRef(0, 5).FormatItemRef(out));
  EXPECT_STREQ(out, "XX005");
  EXPECT_FALSE(ItemRef(1, 1000).FormatItemRef(out));
  EXPECT_STREQ(out, "");
  EXPECT_FALSE(ItemRef(1, -1).FormatItemRef(out));
  EXPECT_FALSE(ItemRef(14, 1).FormatItemRef(out));
  VString text("keep");
  EXPECT_FALSE(ItemRef(-3, 1).FormatItemRef(text));
  EXPECT_TRUE(text.IsEmpty());
}

// A history that counts its calls, over the in-memory flags.
class CountingHistory : public MemoryVisitHistory {
 public:
  bool GetFlag(ItemRef item) override {
    ++gets;
    return MemoryVisitHistory::GetFlag(item);
  }
  bool SetFlag(ItemRef item) override {
    ++sets;
    return MemoryVisitHistory::SetFlag(item);
  }
  int gets = 0;
  int sets = 0;
};

// Event records whose keys come from a table; unknown events have no record.
std::map<int32_t, ItemRef>& EventKeys() {
  static std::map<int32_t, ItemRef> keys;
  return keys;
}
int gRecordsAlive = 0;

class TableEventRecord : public EventRecordInterface {
 public:
  explicit TableEventRecord(ItemRef key) : key_(key) { ++gRecordsAlive; }
  ~TableEventRecord() override { --gRecordsAlive; }
  void GetEventKey(ItemRef& key) const override { key = key_; }

 private:
  ItemRef key_;
};

class VisitFlagTest : public ::testing::Test {
 protected:
  void SetUp() override {
    EventKeys().clear();
    previousFactory_ = SetEventRecordFactory([](ItemRef event) -> std::unique_ptr<EventRecordInterface> {
      auto found = EventKeys().find(event.GetNumber());
      if (found == EventKeys().end()) return nullptr;
      return std::make_unique<TableEventRecord>(found->second);
    });
  }
  void TearDown() override {
    SetEventRecordFactory(std::move(previousFactory_));
    EXPECT_EQ(gRecordsAlive, 0);
  }

  CountingHistory history_;
  ScopedVisitHistory scope_{&history_};
  EventRecordFactory previousFactory_;
};

struct VisitCase {
  int32_t category;
  bool markResult;     // MarkItemVisited
  bool visitedAfter;   // IsItemVisited after marking
  bool flagSet;        // the item's own history flag after marking
};

TEST_F(VisitFlagTest, ByCategory) {
  const VisitCase cases[] = {
      {0, false, false, false},  {1, true, true, true},   {2, true, false, true},   {3, true, true, true},
      {5, true, true, true},     {6, true, true, true},   {7, true, true, true},    {8, true, true, true},
      {9, true, false, true},    {10, true, true, true},  {11, false, false, false}, {12, false, false, false},
      {13, false, false, false}, {-1, false, false, false},
  };
  for (const VisitCase& c : cases) {
    SCOPED_TRACE(c.category);
    history_.Clear();
    const ItemRef ref(c.category, 12);
    EXPECT_FALSE(ref.IsItemVisited());
    EXPECT_EQ(ref.MarkItemVisited(), c.markResult);
    EXPECT_EQ(ref.IsVisited(), c.visitedAfter);
    EXPECT_EQ(history_.MemoryVisitHistory::GetFlag(ref), c.flagSet);
  }
}

TEST_F(VisitFlagTest, ItemsAreIndependent) {
  EXPECT_TRUE(ItemRef(1, 1).MarkVisited());
  EXPECT_TRUE(ItemRef(1, 1).IsVisited());
  EXPECT_FALSE(ItemRef(1, 2).IsVisited());
  EXPECT_FALSE(ItemRef(3, 1).IsVisited());
}

TEST_F(VisitFlagTest, EventAnswersThroughItsKey) {
  EventKeys()[5] = ItemRef(1, 77);
  const ItemRef event(4, 5);
  EXPECT_FALSE(event.IsItemVisited());
  EXPECT_TRUE(event.MarkItemVisited());
  EXPECT_TRUE(history_.MemoryVisitHistory::GetFlag(event));          // its own flag
  EXPECT_TRUE(history_.MemoryVisitHistory::GetFlag(ItemRef(1, 77)));  // and the key's
  EXPECT_TRUE(event.IsItemVisited());
  // Another event sharing the key reads as visited too.
  EventKeys()[6] = ItemRef(1, 77);
  EXPECT_TRUE(ItemRef(4, 6).IsItemVisited());
}

TEST_F(VisitFlagTest, EventKeyFollowsTheKeysCategory) {
  EventKeys()[5] = ItemRef(2, 3);  // category 2: settable, never reads visited
  EXPECT_TRUE(ItemRef(4, 5).MarkItemVisited());
  EXPECT_FALSE(ItemRef(4, 5).IsItemVisited());
  EventKeys()[6] = ItemRef(11, 3);  // category 11: no flag at all
  EXPECT_FALSE(ItemRef(4, 6).MarkItemVisited());
  EXPECT_TRUE(history_.MemoryVisitHistory::GetFlag(ItemRef(4, 6)));
}

TEST_F(VisitFlagTest, EventWithoutRecordIsNotVisited) {
  const ItemRef event(4, 9);  // no record for 9
  EXPECT_FALSE(event.MarkItemVisited());
  EXPECT_TRUE(history_.MemoryVisitHistory::GetFlag(event));  // its own flag was still set
  EXPECT_FALSE(event.IsItemVisited());
}

TEST_F(VisitFlagTest, SelfReferencingEventStopsAfterOneLevel) {
  EventKeys()[5] = ItemRef(4, 5);
  const ItemRef event(4, 5);
  EXPECT_FALSE(event.IsItemVisited());
  EXPECT_TRUE(event.MarkItemVisited());
  EXPECT_TRUE(event.IsItemVisited());
  EXPECT_LE(history_.sets, 2);
}

TEST_F(VisitFlagTest, EventCycleStopsAfterOneLevel) {
  EventKeys()[1] = ItemRef(4, 2);
  EventKeys()[2] = ItemRef(4, 1);
  history_.gets = history_.sets = 0;
  EXPECT_FALSE(ItemRef(4, 1).IsItemVisited());
  EXPECT_EQ(history_.gets, 1);
  EXPECT_TRUE(ItemRef(4, 1).MarkItemVisited());
  EXPECT_EQ(history_.sets, 2);
  EXPECT_TRUE(ItemRef(4, 1).IsItemVisited());  // answered by event 2's own flag
}

TEST(VisitHistoryTest, WithoutHistoryNothingIsVisited) {
  ScopedMissingServicesAllowed allowed;
  ScopedVisitHistory none(nullptr);
  EXPECT_FALSE(GetHistoryFlag(ItemRef(1, 1)));
  EXPECT_FALSE(SetHistoryFlag(ItemRef(1, 1)));
  EXPECT_FALSE(ItemRef(1, 1).MarkItemVisited());
  EXPECT_FALSE(ItemRef(1, 1).IsItemVisited());
}

TEST(VisitHistoryTest, MemoryHistoryKeepsOnlyValidItems) {
  MemoryVisitHistory history;
  EXPECT_TRUE(history.SetFlag(ItemRef(12, 999)));
  EXPECT_TRUE(history.GetFlag(ItemRef(12, 999)));
  EXPECT_FALSE(history.SetFlag(ItemRef(13, 0)));
  EXPECT_FALSE(history.SetFlag(ItemRef(1, 1000)));
  EXPECT_FALSE(history.SetFlag(ItemRef(0, 0)));
  EXPECT_EQ(history.CountSet(), 1u);
}

TEST(VisitHistoryTest, ScopeRestoresPreviousHistory) {
  MemoryVisitHistory outer;
  MemoryVisitHistory inner;
  ScopedVisitHistory a(&outer);
  {
    ScopedVisitHistory b(&inner);
    EXPECT_TRUE(SetHistoryFlag(ItemRef(1, 3)));
  }
  EXPECT_EQ(GetVisitHistory(), &outer);
  EXPECT_FALSE(GetHistoryFlag(ItemRef(1, 3)));
  EXPECT_TRUE(inner.GetFlag(ItemRef(1, 3)));
}

}  // namespace
