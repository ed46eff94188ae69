// The house index: entries taking their titles and items from their bubbles
// (or the quoted title and VI000), the lookups by position, mask value,
// bubble and frame, and texts that are cut short, hold other words, name
// bubbles outside 0..999 or hold ten thousand places.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/core/MediaTypes.h"
#include "engine/core/VFileSpec.h"
#include "engine/core/VString.h"
#include "engine/core/VTextFile.h"
#include "title/shell/IndexEntry.h"
#include "title/shell/IndexEntryList.h"
#include "IndexTestSupport.h"

namespace {

std::string Code(const ItemRef& item) {
  VString text;
  return item.FormatItemRef(text) ? std::string(text.GetChars()) : std::string("?");
}

std::string TitleOf(const VString* title) { return title != nullptr ? std::string(title->GetChars()) : "(none)"; }

// "position bubble mask frame CODE title" for every entry in list order.
std::vector<std::string> Describe(const IndexEntryList& list) {
  std::vector<std::string> out;
  for (VListElement* e = list.GetFirst(); e != nullptr; e = e->GetNext()) {
    const auto& entry = *static_cast<IndexEntry*>(e);
    out.push_back(std::to_string(entry.GetPosition()) + " " + std::to_string(entry.GetBubbleNumber()) + " " +
                  std::to_string(entry.GetMaskValue()) + " " + std::to_string(entry.GetFrame()) + " " +
                  Code(entry.GetItem()) + " " + TitleOf(entry.GetTitle()));
  }
  return out;
}

class IndexEntriesTest : public indextest::IndexFixture {
 protected:
  // The records of `text` read from a plain file (bubbles 7 and 8 have no
  // media, so their entries keep the quoted title and VI000).
  std::vector<std::string> ReadText(const std::string& text) {
    WriteFile("records.txt", text);
    VTextFile file(VFileSpec(Path("records.txt").c_str()), MakeTypeCode("TEXT"), MakeTypeCode("ttxt"));
    EXPECT_TRUE(file.Open(1));
    IndexEntryList list(0);
    list.ReadRecords(file, static_cast<int64_t>(text.size()));
    file.Close();
    return Describe(list);
  }
};

TEST_F(IndexEntriesTest, EntriesTakeTitleAndItemFromTheirBubbleOrTheQuotedTitleAndVI000) {
  OpenIndexDisc();
  if (HasFatalFailure()) return;
  const IndexEntryList list(IndexEntryList::kIndexMediaId);
  EXPECT_TRUE(list.IsLoaded());
  EXPECT_EQ(Describe(list), (std::vector<std::string>{
                                "0 1 10 0 SH001 Die Halle",
                                "1 2 20 10 VI001 Die Kueche",
                                "2 3 40 20 VI000 Salon",          // a bubble without media
                                "3 4 50 30 SH001 Treppe",         // media without a text
                                "4 5 60 40 VI001 Der Garten",     // a TAB before the code
                            }));
}

TEST_F(IndexEntriesTest, LookupsAnswerTheFirstMatchAndMinusOneOrNothingForAbsentKeys) {
  OpenIndexDisc("1 1 10 0 SH001 \"A\"\n2 2 20 10 VI001 \"B\"\n3 3 20 12 VI001 \"C\"\n");
  if (HasFatalFailure()) return;
  const IndexEntryList list(IndexEntryList::kIndexMediaId);
  ASSERT_EQ(list.GetCount(), 3);
  EXPECT_EQ(list.GetPositionForMask(20), 1) << "two entries with mask 20: the earlier";
  EXPECT_EQ(list.GetBubbleNumberForMask(20), 2);
  EXPECT_EQ(list.GetFrameAt(2), 12);
  EXPECT_EQ(list.GetMaskValueAt(0), 10);
  EXPECT_EQ(list.GetBubbleNumberAt(1), 2);
  EXPECT_EQ(Code(list.GetItemAt(0)), "SH001");
  EXPECT_EQ(TitleOf(list.GetTitleForBubble(3)), "C");
  EXPECT_EQ(list.GetMaskValueForBubble(3), 20);
  EXPECT_EQ(list.GetFrameForBubble(1), 0);
  EXPECT_EQ(list.FindByFrame(10), list.FindByPosition(1));
  // Absent keys.
  EXPECT_EQ(list.GetFrameAt(3), -1);
  EXPECT_EQ(list.GetMaskValueAt(-1), -1);
  EXPECT_EQ(list.GetBubbleNumberAt(99), -1);
  EXPECT_EQ(list.GetItemAt(3), ItemRef());
  EXPECT_EQ(list.GetTitleAt(3), nullptr);
  EXPECT_EQ(list.GetBubbleNumberForMask(254), -1);
  EXPECT_EQ(list.GetPositionForMask(0), -1);
  EXPECT_EQ(list.GetMaskValueForBubble(7), -1);
  EXPECT_EQ(list.GetFrameForBubble(-1), -1);
  EXPECT_EQ(list.GetTitleForBubble(7), nullptr);
}

TEST_F(IndexEntriesTest, AMissingMediumGivesAnEmptyListAndFalse) {
  OpenIndexDisc();
  if (HasFatalFailure()) return;
  IndexEntryList list(10008);
  EXPECT_FALSE(list.IsLoaded());
  EXPECT_EQ(list.GetCount(), 0);
  EXPECT_EQ(list.GetTitleAt(0), nullptr);
}

TEST_F(IndexEntriesTest, TextsCutShortOrHoldingOtherWordsGiveOnlyTheirCompleteRecords) {
  OpenIndexDisc();
  if (HasFatalFailure()) return;
  struct Case {
    const char* name;
    std::string text;
    std::vector<std::string> entries;
  };
  const std::string first = "1 7 10 0 SH001 \"A\"\n";
  const std::vector<Case> cases = {
      {"numbers cut short", first + "2 8 20", {"0 7 10 0 VI000 A"}},
      {"code cut short", first + "2 8 20 3 SH", {"0 7 10 0 VI000 A"}},
      {"no opening quote", first + "2 8 20 3 SH001 B", {"0 7 10 0 VI000 A"}},
      {"no closing quote", first + "2 8 20 3 SH001 \"Bee", {"0 7 10 0 VI000 A"}},
      {"an empty title is skipped", "1 7 10 0 SH001 \"\"\n2 8 20 3 SH001 \"B\"\n", {"1 8 20 3 VI000 B"}},
      {"words without digits end the text", first + "PLACE Halle { INFO SH001 }\n", {"0 7 10 0 VI000 A"}},
      {"only words", "INDEX { PLACE Halle }", {}},
      {"words before numbers are skipped", "1 x 8 y 3 z 4 SH001 \"A\"", {"0 8 3 4 VI000 A"}},
      {"a doubled quote in the title", "1 7 10 0 SH001 \"Der \"\"Saal\"\"\"", {"0 7 10 0 VI000 Der \"Saal\""}},
      {"bubbles outside 0..999 name no place", "1 -5 10 0 SH001 \"A\"\n2 1000 11 0 SH001 \"B\"\n3 999 12 0 SH001 \"C\"",
       {"2 999 12 0 VI000 C"}},
      {"a line end inside the code is read as code", "1 7 10 0\nSH01 \"A\"", {"0 7 10 0 VI000 A"}},
      {"numbers over several lines and tabs", "1\n7\t10\n0\tSH001 \"A\"", {"0 7 10 0 VI000 A"}},
      {"a minus before the digits", "1 7 -10 0 SH001 \"A\"", {"0 7 -10 0 VI000 A"}},
      {"empty", "", {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(ReadText(c.text), c.entries);
  }
}

TEST_F(IndexEntriesTest, TenThousandPlacesAreAllReadAndLookedUpInFileOrder) {
  OpenIndexDisc(indextest::ManyPlaces(10000));
  if (HasFatalFailure()) return;
  const IndexEntryList list(IndexEntryList::kIndexMediaId);
  ASSERT_EQ(list.GetCount(), 10000);
  EXPECT_EQ(TitleOf(list.GetTitleAt(9999)), "P10000");
  EXPECT_EQ(list.GetTitleAt(10000), nullptr);
  EXPECT_EQ(list.GetPositionForMask(2), 0) << "the first of the many entries with mask 2";
}

}  // namespace
