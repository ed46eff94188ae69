// The aspect tree read from its scripts through category table 10: nodes,
// leaves and titles, the cases a disc may hold (no root, empty CHILDREN, an
// aspect without an entry), readers that stop at a token that does not fit
// or at the end, and trees that would never end (cycles, deep chains, ten
// thousand entries).
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <map>
#include <string>
#include <vector>

#include "engine/core/VString.h"
#include "engine/script/CategoryTables.h"
#include "engine/script/ItemRef.h"
#include "title/modules/aspects/AspectRecord.h"
#include "title/modules/aspects/AspectTree.h"

namespace {

constexpr int32_t kTable = AspectRecord::kAspectTable;

// Scripts and titles by media id; table 10 entry n names the script of
// aspect n (its title follows it).
class AspectDisc {
 public:
  AspectDisc() : scope_(&tables_) {}

  // Aspect n: script at 20000 + 10 n, title at + 1.
  void Aspect(int32_t number, const std::string& script, const std::string& title = "") {
    const auto media = static_cast<uint16_t>(20000 + 10 * number);
    tables_.SetCategoryEntry(kTable, number, media);
    texts_[media] = script;
    texts_[static_cast<uint16_t>(media + 1)] = title.empty() ? "Titel " + std::to_string(number) : title;
  }
  void Entry(int32_t number, uint32_t entry) { tables_.SetCategoryEntry(kTable, number, entry); }

  AspectTextSource Source() {
    return [this](uint16_t media, VString& out) {
      reads.push_back(media);
      const auto it = texts_.find(media);
      out.Assign(it != texts_.end() ? it->second.c_str() : "");
      return it != texts_.end();
    };
  }

  std::vector<uint16_t> reads;

 private:
  MemoryCategoryTables tables_;
  ScopedCategoryTables scope_;
  std::map<uint16_t, std::string> texts_;
};

std::string Title(const AspectRecord* record) {
  return record != nullptr && record->GetText().GetChars() != nullptr ? record->GetText().GetChars() : "";
}

// The numbers of the top level, or of a record's children.
std::vector<int32_t> Numbers(const VLinkedList* list) {
  std::vector<int32_t> out;
  for (const VListElement* e = list != nullptr ? list->GetFirst() : nullptr; e != nullptr; e = e->GetNext()) {
    out.push_back(static_cast<const AspectRecord*>(e)->GetId().GetNumber());
  }
  return out;
}

// Every record of the tree, with its depth.
void Walk(const VLinkedList* list, int32_t depth, int32_t& count, int32_t& deepest) {
  for (const VListElement* e = list != nullptr ? list->GetFirst() : nullptr; e != nullptr; e = e->GetNext()) {
    ++count;
    deepest = std::max(deepest, depth);
    const auto* record = static_cast<const AspectRecord*>(e);
    EXPECT_LE(record->GetChildCount(), AspectRecord::kMaxChildren);
    Walk(record->GetChildren(), depth + 1, count, deepest);
  }
}

TEST(AspectTree, NodesLeavesAndTitlesFromTheirScripts) {
  AspectDisc disc;
  disc.Aspect(0, "ASPECT { ID AS000 CHILDREN { ASPECTID AS001 ASPECTID AS002 aspectid as003 } }");
  disc.Aspect(1, "aspect { id AS001 children { ASPECTID AS010 ASPECTID AS011 } }", "Architektur");
  disc.Aspect(2, "ASPECT { ID AS002 INFO VI001 }", "Ein Film");
  disc.Aspect(3, "ASPECT { ID AS003 CHILDREN { } }", "Leer");
  disc.Aspect(10, "ASPECT { ID AS010 INFO SH002 }", "Der Brand");
  disc.Aspect(11, "ASPECT { ID AS011 CHILDREN { ASPECTID AS012 } }", "Dach");
  disc.Aspect(12, "ASPECT { ID AS012 INFO DF001 }", "Schreibtisch");
  AspectTree tree;
  tree.Load(disc.Source());

  ASSERT_EQ(Numbers(&tree.GetTopLevel()), (std::vector<int32_t>{1, 2, 3}));
  const AspectRecord* node = tree.GetAt(0);
  EXPECT_EQ(Title(node), "Architektur");
  EXPECT_TRUE(node->IsTopLevel());
  EXPECT_FALSE(node->IsLeaf());
  ASSERT_EQ(Numbers(node->GetChildren()), (std::vector<int32_t>{10, 11}));
  EXPECT_EQ(node->GetChild(0)->GetOwnerList(), &tree.GetTopLevel()) << "lower aspects name the top-level list";
  EXPECT_EQ(node->GetChild(0)->GetInfo(), ItemRef(kSlideShowCategory, 2));
  EXPECT_EQ(Title(node->GetChild(1)->GetChild(0)), "Schreibtisch") << "a third level loads like the others";
  EXPECT_EQ(node->GetChild(1)->GetChild(0)->GetInfo(), ItemRef(kDetailPhotoCategory, 1));
  EXPECT_EQ(node->GetChild(2), nullptr);

  EXPECT_TRUE(tree.GetAt(1)->IsLeaf()) << "a top-level leaf";
  EXPECT_EQ(tree.GetAt(1)->GetInfo(), ItemRef(kVideoCategory, 1));
  EXPECT_TRUE(tree.GetAt(2)->IsLeaf()) << "an empty CHILDREN block gives a leaf";
  EXPECT_EQ(tree.GetAt(2)->GetInfo(), ItemRef());
  EXPECT_EQ(tree.GetAt(3), nullptr);

  // Loading again starts afresh.
  tree.Load(disc.Source());
  EXPECT_EQ(tree.GetCount(), 3);
}

TEST(AspectTree, AnEntryOfNoneReadsNothing) {
  for (const uint32_t entry : {0u, 0xFFFFFFFFu, 0xFFFFu}) {
    AspectDisc disc;
    disc.Aspect(0, "ASPECT { ID AS000 CHILDREN { ASPECTID AS001 } }");
    disc.Entry(0, entry);
    AspectTree tree;
    tree.Load(disc.Source());
    EXPECT_EQ(tree.GetCount(), 0) << entry;
    EXPECT_TRUE(disc.reads.empty()) << entry;
  }
}

TEST(AspectTree, AnAspectWithoutAnEntryKeepsNoTitleAndNoChildren) {
  AspectDisc disc;
  disc.Aspect(0, "ASPECT { ID AS000 CHILDREN { ASPECTID AS004 ASPECTID AS005 ASPECTID ASxyz ASPECTID AS9999 } }");
  disc.Entry(4, 0);
  disc.Entry(5, 0xFFFFFFFFu);
  AspectTree tree;
  tree.Load(disc.Source());
  ASSERT_EQ(tree.GetCount(), 4);
  for (int32_t i = 0; i < 4; ++i) {
    EXPECT_EQ(Title(tree.GetAt(i)), "") << i;
    EXPECT_TRUE(tree.GetAt(i)->IsLeaf()) << i;
  }
  EXPECT_EQ(disc.reads, (std::vector<uint16_t>{20000})) << "only the root is read";
}

// Scripts that stop early or hold something else: the reader ends and keeps
// what it read before.
TEST(AspectTree, ReadersStopAtATokenThatDoesNotFitOrAtTheEnd) {
  struct Case {
    const char* root;
    std::vector<int32_t> top;
  };
  const Case cases[] = {
      {"ASPECT { ID AS000 CHILDREN { ASPECTID AS001 FOO ASPECTID AS002 } }", {1}},
      {"ASPECT { ID AS000 CHILDREN { ASPECTID AS001 ASPECTID", {1}},
      {"ASPECT { ID AS000 CHILDREN { ASPECTID AS001 ASPECTID AS002", {1, 2}},
      {"ASPECT { ID AS000 CHILDREN { ASPECTID 12 ASPECTID AS002 } }", {}},
      {"ASPECT { ID AS000 CHILDREN { { ASPECTID AS001 } }", {}},
      {"ASPECT { CHILDREN { ASPECTID AS001 } }", {1}},
      {"ASPECT ID AS000 CHILDREN { ASPECTID AS001 }", {}},
      {"CHILDREN { ASPECTID AS001 }", {}},
      {"", {}},
      {"}}}}", {}},
  };
  for (const Case& c : cases) {
    AspectDisc disc;
    disc.Aspect(0, c.root);
    disc.Aspect(1, "ASPECT { ID AS001 CHILDREN { ASPECTID AS002 INFO VI001 ASPECTID AS003 } }");
    disc.Aspect(2, "ASPECT { ID AS002 INFO");
    AspectTree tree;
    tree.Load(disc.Source());
    EXPECT_EQ(Numbers(&tree.GetTopLevel()), c.top) << c.root;
    if (tree.GetCount() > 0) {
      EXPECT_EQ(Numbers(tree.GetAt(0)->GetChildren()), (std::vector<int32_t>{2})) << c.root;
    }
  }
}

// Trees that lead back to themselves or never end: the load ends with every
// aspect it could place once, and the screen's lists stay within their rows.
TEST(AspectTree, CyclesDeepChainsAndHugeListsEnd) {
  {
    AspectDisc disc;
    disc.Aspect(0, "ASPECT { ID AS000 CHILDREN { ASPECTID AS001 ASPECTID AS000 } }");
    disc.Aspect(1, "ASPECT { ID AS001 CHILDREN { ASPECTID AS002 } }");
    disc.Aspect(2, "ASPECT { ID AS002 CHILDREN { ASPECTID AS001 ASPECTID AS003 } }");
    disc.Aspect(3, "ASPECT { ID AS003 INFO VI001 }");
    AspectTree tree;
    tree.Load(disc.Source());
    ASSERT_EQ(Numbers(&tree.GetTopLevel()), (std::vector<int32_t>{1, 0}));
    const AspectRecord* two = tree.GetAt(0)->GetChild(0);
    ASSERT_NE(two, nullptr);
    ASSERT_EQ(Numbers(two->GetChildren()), (std::vector<int32_t>{1, 3}));
    EXPECT_TRUE(two->GetChild(0)->IsLeaf()) << "the aspect met again below itself stops there";
    EXPECT_EQ(Title(two->GetChild(0)), "Titel 1");
    EXPECT_EQ(two->GetChild(1)->GetInfo(), ItemRef(kVideoCategory, 1));
    int32_t count = 0, deepest = 0;
    Walk(&tree.GetTopLevel(), 0, count, deepest);
    EXPECT_LT(deepest, AspectRecord::kMaxDepth);
  }
  {
    // Each aspect leads to the next: a chain deeper than the screen can use.
    AspectDisc disc;
    disc.Aspect(0, "ASPECT { ID AS000 CHILDREN { ASPECTID AS001 } }");
    for (int32_t n = 1; n < 40; ++n) {
      char script[96];
      std::snprintf(script, sizeof script, "ASPECT { ID AS%03d CHILDREN { ASPECTID AS%03d } }", n, n + 1);
      disc.Aspect(n, script);
    }
    AspectTree tree;
    tree.Load(disc.Source());
    int32_t count = 0, deepest = 0;
    Walk(&tree.GetTopLevel(), 0, count, deepest);
    EXPECT_EQ(deepest, AspectRecord::kMaxDepth - 1);
  }
  {
    // Ten thousand entries in one list, and every aspect listing them all.
    std::string list = "ASPECT { ID AS000 CHILDREN {";
    for (int32_t i = 0; i < 10000; ++i) list += " ASPECTID AS" + std::to_string(100 + i % 900);
    list += " } }";
    AspectDisc disc;
    disc.Aspect(0, list);
    for (int32_t n = 100; n < 130; ++n) disc.Aspect(n, list);
    AspectTree tree;
    tree.Load(disc.Source());
    EXPECT_EQ(tree.GetCount(), AspectRecord::kMaxChildren);
    int32_t count = 0, deepest = 0;
    Walk(&tree.GetTopLevel(), 0, count, deepest);
    EXPECT_LE(count, AspectRecord::kMaxRecords);
    EXPECT_LE(disc.reads.size(), 2u * AspectRecord::kMaxRecords + 1);
  }
}

TEST(AspectTree, TitlesAreCutToOneLine) {
  AspectDisc disc;
  disc.Aspect(0, "ASPECT { ID AS000 CHILDREN { ASPECTID AS001 } }");
  disc.Aspect(1, "ASPECT { ID AS001 INFO VI001 }", std::string(5000, 'x'));
  AspectTree tree;
  tree.Load(disc.Source());
  ASSERT_EQ(tree.GetCount(), 1);
  EXPECT_EQ(tree.GetAt(0)->GetText().GetLength(), AspectRecord::kMaxTitleLength);
}

}  // namespace
