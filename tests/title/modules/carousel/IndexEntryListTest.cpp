// The house index: records read with their separators as the reader takes
// them, titles from the bubbles, and texts that end early or hold nonsense.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "title/modules/carousel/CarouselTestSupport.h"
#include "title/modules/carousel/IndexEntryList.h"

namespace {

using carouseltest::CarouselFixture;

struct Row {
  int position, bubble, mask, frame;
  std::string title;
};

std::vector<Row> RowsOf(const IndexEntryList& list) {
  std::vector<Row> out;
  for (int i = 0; i < list.GetCount(); ++i) {
    const IndexEntry* e = list.GetAt(i);
    out.push_back({e->position, e->bubbleNumber, e->maskValue, e->frame, e->title});
  }
  return out;
}

bool operator==(const Row& a, const Row& b) {
  return a.position == b.position && a.bubble == b.bubble && a.mask == b.mask && a.frame == b.frame &&
         a.title == b.title;
}

void PrintTo(const Row& r, std::ostream* os) {
  *os << r.position << " " << r.bubble << " " << r.mask << " " << r.frame << " \"" << r.title << "\"";
}

class IndexEntryListTest : public CarouselFixture {};

TEST_F(IndexEntryListTest, ReadsRecordsAsTheirSeparatorsAllow) {
  // No bubble of these numbers exists: the quoted titles stand.
  bubbles.clear();
  Open();
  struct Case {
    const char* what;
    std::string text;
    std::vector<Row> rows;
  };
  const std::vector<Case> cases = {
      {"one a line", "1 3 10 0 VI000 \"Hall\"\n2 5 20 4 SH001 \"Kitchen\"\n",
       {{0, 3, 10, 0, "Hall"}, {1, 5, 20, 4, "Kitchen"}}},
      {"numbers over several lines, tabs", "1\n3\t10\n0\tVI000 \"Hall\"", {{0, 3, 10, 0, "Hall"}}},
      {"a minus before the digits", "1 -3 10 0 VI000 \"Hall\"", {{0, -3, 10, 0, "Hall"}}},
      {"doubled quotes", "1 3 10 0 VI000 \"The \"\"Blue\"\" Room\"", {{0, 3, 10, 0, "The \"Blue\" Room"}}},
      {"an empty title drops the record", "1 3 10 0 VI000 \"\"\n2 4 11 1 VI000 \"Attic\"",
       {{1, 4, 11, 1, "Attic"}}},
      {"text ending inside a record", "1 3 10 0 VI000 \"Hall\"\n2 4 11", {{0, 3, 10, 0, "Hall"}}},
      {"an unclosed title", "1 3 10 0 VI000 \"Hall", {}},
      {"a record without a title", "1 3 10 0 VI000", {}},
      {"no digits at all", "nothing here", {}},
      {"empty", "", {}},
      {"huge numbers", "99999999999999999999 3 10 0 VI000 \"Hall\"", {{2147483646, 3, 10, 0, "Hall"}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    IndexEntryList list;
    list.Parse(c.text);
    EXPECT_EQ(RowsOf(list), c.rows);
  }
}

TEST_F(IndexEntryListTest, TitlesAndItemsComeFromTheBubbles) {
  index = "1 4 10 0 VI000 \"Hall\"\n2 9 20 5 VI000 \"Garden\"\n3 3 30 10 VI000 \"Salon\"\n";
  Open();
  IndexEntryList list(IndexEntryList::kIndexMediaId);
  EXPECT_TRUE(list.IsLoaded());
  EXPECT_EQ(RowsOf(list), (std::vector<Row>{{0, 4, 10, 0, "Diele"}, {1, 9, 20, 5, "Garden"}, {2, 3, 30, 10, "Salon"}}));
  EXPECT_EQ(list.GetBubbleNumberAt(2), 3);
  EXPECT_EQ(list.GetBubbleNumberAt(3), -1);
  EXPECT_EQ(list.GetTitleForBubble(9), "Garden");
  EXPECT_EQ(list.GetPositionForMask(30), 2);
  EXPECT_EQ(list.GetFrameForBubble(4), 0);
  EXPECT_EQ(list.FindByFrame(5)->bubbleNumber, 9);
  char code[6] = {};
  ASSERT_TRUE(list.GetItemAt(1).FormatItemRef(code));
  EXPECT_EQ(std::string(code), "VI000");
}

TEST_F(IndexEntryListTest, MissingMediumGivesAnEmptyList) {
  index.clear();
  Open();
  IndexEntryList list(IndexEntryList::kIndexMediaId);
  EXPECT_FALSE(list.IsLoaded());
  EXPECT_EQ(list.GetCount(), 0);
}

}  // namespace
