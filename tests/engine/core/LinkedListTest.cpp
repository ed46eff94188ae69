#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <vector>

#include "engine/core/VLinkedList.h"

namespace {

// An element with a value and a count of destroyed elements.
class Item : public VListElement {
 public:
  explicit Item(int value, int* destroyed = nullptr) : value(value), destroyed_(destroyed) {}
  ~Item() override {
    if (destroyed_ != nullptr) ++*destroyed_;
  }
  int value;
  int key = 0;

 private:
  int* destroyed_;
};

std::vector<int> Values(const VLinkedList& list) {
  std::vector<int> out;
  for (VListElement* e = list.GetFirst(); e != nullptr; e = e->GetNext()) out.push_back(static_cast<Item*>(e)->value);
  return out;
}

void Fill(VLinkedList& list, std::initializer_list<int> values, int* destroyed = nullptr) {
  for (int v : values) list.Append(new Item(v, destroyed));
}

Item* At(const VLinkedList& list, int32_t index) { return static_cast<Item*>(list.GetAt(index)); }

TEST(VLinkedList, AppendKeepsOrderAndCounts) {
  VLinkedList list;
  EXPECT_EQ(list.GetCount(), 0);
  EXPECT_EQ(list.GetFirst(), nullptr);
  Fill(list, {1, 2, 3});
  list.Append(nullptr);
  EXPECT_EQ(Values(list), (std::vector<int>{1, 2, 3}));
  EXPECT_EQ(list.GetCount(), 3);
}

TEST(VLinkedList, AppendClearsTheElementsOldLink) {
  VLinkedList list;
  Item stray(9);
  list.Append(new Item(1));
  Item* e = new Item(2);
  e->SetNext(&stray);  // a stale link does not drag anything in
  list.Append(e);
  EXPECT_EQ(Values(list), (std::vector<int>{1, 2}));
  EXPECT_EQ(e->GetNext(), nullptr);
}

TEST(VLinkedList, AppendingAListedElementMovesItToTheEnd) {
  struct Case {
    int32_t index;
    std::vector<int> expected;
  };
  const Case cases[] = {{0, {2, 3, 1}}, {1, {1, 3, 2}}, {2, {1, 2, 3}}};
  for (const Case& c : cases) {
    VLinkedList list;
    Fill(list, {1, 2, 3});
    list.Append(list.GetAt(c.index));
    EXPECT_EQ(Values(list), c.expected) << c.index;
  }
}

TEST(VLinkedList, InsertAtPutsTheElementBeforeTheIndex) {
  struct Case {
    int32_t index;
    std::vector<int> expected;
  };
  const Case cases[] = {
      {0, {9, 1, 2, 3}},
      {1, {1, 9, 2, 3}},
      {2, {1, 2, 9, 3}},
      {3, {1, 2, 3, 9}},                 // at the count: appends
      {4, {1, 2, 3, 9}},                 // beyond: appends
      {VLinkedList::kEnd, {1, 2, 3, 9}},  // 2147483647
      {-1, {9, 1, 2, 3}},                // negative counts as 0
  };
  for (const Case& c : cases) {
    VLinkedList list;
    Fill(list, {1, 2, 3});
    list.InsertAt(new Item(9), c.index);
    EXPECT_EQ(Values(list), c.expected) << c.index;
  }
}

TEST(VLinkedList, InsertAtTakesAWholeChain) {
  struct Case {
    std::vector<int> initial;
    int32_t index;
    std::vector<int> expected;
  };
  const std::vector<Case> cases = {
      {{}, 0, {7, 8}},  // on an empty list the chain becomes the list
      {{}, 5, {7, 8}},
      {{1, 2}, 0, {7, 8, 1, 2}},
      {{1, 2}, 1, {1, 7, 8, 2}},
      {{1, 2}, VLinkedList::kEnd, {1, 2, 7, 8}},
  };
  for (const Case& c : cases) {
    VLinkedList list;
    for (int v : c.initial) list.Append(new Item(v));
    Item* seven = new Item(7);
    seven->SetNext(new Item(8));
    list.InsertAt(seven, c.index);
    EXPECT_EQ(Values(list), c.expected);
    EXPECT_EQ(list.GetCount(), static_cast<int32_t>(c.expected.size()));
  }
}

TEST(VLinkedList, InsertAtNullDoesNothing) {
  VLinkedList list;
  Fill(list, {1});
  list.InsertAt(nullptr, 0);
  EXPECT_EQ(Values(list), (std::vector<int>{1}));
}

TEST(VLinkedList, InsertingAListedElementMovesIt) {
  VLinkedList list;
  Fill(list, {1, 2, 3});
  list.InsertAt(list.GetAt(2), 0);
  EXPECT_EQ(Values(list), (std::vector<int>{3, 1, 2}));
  list.InsertAt(list.GetAt(0), VLinkedList::kEnd);
  EXPECT_EQ(Values(list), (std::vector<int>{1, 2, 3}));
}

TEST(VLinkedList, LocateAndGetAt) {
  struct Case {
    int32_t index;
    int element;      // value at the index, 0 for null
    int predecessor;  // value before it, 0 for null
    bool found;
  };
  const Case cases[] = {
      {0, 1, 0, true}, {1, 2, 1, true},  {2, 3, 2, true},
      {3, 0, 3, false},  // one past the end
      {9, 0, 3, false},
      {VLinkedList::kEnd, 0, 3, false},
      {-1, 0, 0, false},
  };
  VLinkedList list;
  Fill(list, {1, 2, 3});
  auto value = [](VListElement* e) { return e != nullptr ? static_cast<Item*>(e)->value : 0; };
  for (const Case& c : cases) {
    VListElement* element = reinterpret_cast<VListElement*>(&list);  // poison
    VListElement* predecessor = element;
    VListElement* result = list.Locate(c.index, &element, &predecessor);
    EXPECT_EQ(value(element), c.element) << c.index;
    EXPECT_EQ(value(predecessor), c.predecessor) << c.index;
    EXPECT_EQ(result != nullptr, c.found) << c.index;
    EXPECT_EQ(list.GetAt(c.index), result) << c.index;
  }
  VLinkedList empty;
  EXPECT_EQ(empty.GetAt(0), nullptr);
}

TEST(VLinkedList, RemoveAt) {
  struct Case {
    int32_t index;
    bool deleteIt;
    std::vector<int> expected;
    int destroyed;
  };
  const Case cases[] = {
      {0, true, {2, 3}, 1}, {1, true, {1, 3}, 1}, {2, true, {1, 2}, 1},
      {1, false, {1, 3}, 0}, {3, true, {1, 2, 3}, 0},  // past the end: nothing
      {-1, true, {1, 2, 3}, 0},
  };
  for (const Case& c : cases) {
    int destroyed = 0;
    VLinkedList list;
    Fill(list, {1, 2, 3}, &destroyed);
    VListElement* target = list.GetAt(c.index);
    list.RemoveAt(c.index, c.deleteIt);
    EXPECT_EQ(Values(list), c.expected) << c.index;
    EXPECT_EQ(destroyed, c.destroyed) << c.index;
    if (!c.deleteIt && target != nullptr) {
      EXPECT_EQ(target->GetNext(), nullptr);
      delete target;
    }
  }
}

TEST(VLinkedList, RemoveByIdentity) {
  int destroyed = 0;
  VLinkedList list;
  Fill(list, {1, 2, 3}, &destroyed);
  Item outsider(4);
  EXPECT_EQ(list.Remove(&outsider, true), nullptr);
  EXPECT_EQ(list.Remove(nullptr, true), nullptr);
  EXPECT_EQ(Values(list), (std::vector<int>{1, 2, 3}));
  EXPECT_EQ(destroyed, 0);

  VListElement* two = list.GetAt(1);
  EXPECT_EQ(list.Remove(two, false), two);
  EXPECT_EQ(two->GetNext(), nullptr);
  EXPECT_EQ(Values(list), (std::vector<int>{1, 3}));
  EXPECT_EQ(list.Remove(two, false), nullptr) << "no longer listed";
  delete two;
  EXPECT_EQ(destroyed, 1);

  VListElement* one = list.GetFirst();
  EXPECT_NE(list.Remove(one, true), nullptr);
  EXPECT_EQ(destroyed, 2);
  EXPECT_EQ(Values(list), (std::vector<int>{3}));
}

TEST(VLinkedList, DeleteAllAndTheDestructorDestroyEveryElement) {
  int destroyed = 0;
  {
    VLinkedList list;
    Fill(list, {1, 2, 3}, &destroyed);
    list.DeleteAll();
    EXPECT_EQ(destroyed, 3);
    EXPECT_EQ(list.GetFirst(), nullptr);
    EXPECT_EQ(list.GetCount(), 0);
    Fill(list, {4, 5}, &destroyed);
  }
  EXPECT_EQ(destroyed, 5);
}

// An element whose destructor removes another element of its list.
class Companion : public Item {
 public:
  Companion(int value, int* destroyed, VLinkedList* list, VListElement* partner)
      : Item(value, destroyed), list_(list), partner_(partner) {}
  ~Companion() override { list_->Remove(partner_, true); }

 private:
  VLinkedList* list_;
  VListElement* partner_;
};

TEST(VLinkedList, DeleteAllCopesWithDestructorsThatChangeTheList) {
  int destroyed = 0;
  VLinkedList list;
  Item* last = new Item(3, &destroyed);
  list.Append(new Companion(1, &destroyed, &list, last));
  list.Append(new Item(2, &destroyed));
  list.Append(last);
  list.DeleteAll();
  EXPECT_EQ(destroyed, 3);
  EXPECT_EQ(list.GetFirst(), nullptr);
}

class ByKey : public VBalance {
 public:
  int16_t Compare(VListElement* a, VListElement* b) override {
    ++calls;
    int ka = static_cast<Item*>(a)->key, kb = static_cast<Item*>(b)->key;
    return ka > kb ? 1 : (ka == kb ? 0 : -1);
  }
  int calls = 0;
};

class Constant : public VBalance {
 public:
  explicit Constant(int16_t answer) : answer_(answer) {}
  int16_t Compare(VListElement*, VListElement*) override { return answer_; }

 private:
  int16_t answer_;
};

TEST(VLinkedListSort, AgreesWithStableSort) {
  std::mt19937 random(1234);
  for (int round = 0; round < 200; ++round) {
    const int n = static_cast<int>(random() % 40);
    const int keyRange = 1 + static_cast<int>(random() % 8);  // small ranges give many ties
    VLinkedList list;
    std::vector<Item*> reference;
    for (int i = 0; i < n; ++i) {
      Item* e = new Item(i);
      e->key = static_cast<int>(random() % keyRange);
      list.Append(e);
      reference.push_back(e);
    }
    std::stable_sort(reference.begin(), reference.end(), [](Item* a, Item* b) { return a->key < b->key; });
    ByKey balance;
    list.Sort(balance);
    std::vector<Item*> sorted;
    for (VListElement* e = list.GetFirst(); e != nullptr; e = e->GetNext()) sorted.push_back(static_cast<Item*>(e));
    ASSERT_EQ(sorted, reference) << "round " << round;  // same objects: relinked, not copied
    EXPECT_LE(balance.calls, n * n);
  }
}

TEST(VLinkedListSort, ComparatorEdgeCases) {
  struct Case {
    int16_t answer;
    std::vector<int> expected;
  };
  const Case cases[] = {
      {0, {1, 2, 3, 4, 5}},   // everything equal: order unchanged
      {-1, {1, 2, 3, 4, 5}},
      {-32768, {1, 2, 3, 4, 5}},
      // "Always after": inconsistent, but the sort still ends and loses nothing.
      {1, {2, 3, 4, 5, 1}},
      {32767, {2, 3, 4, 5, 1}},
  };
  for (const Case& c : cases) {
    VLinkedList list;
    Fill(list, {1, 2, 3, 4, 5});
    Constant balance(c.answer);
    list.Sort(balance);
    std::vector<int> values = Values(list);
    EXPECT_EQ(values.size(), 5u) << c.answer;
    if (c.answer <= 0) {
      EXPECT_EQ(values, c.expected) << c.answer;
    } else {
      std::sort(values.begin(), values.end());
      EXPECT_EQ(values, (std::vector<int>{1, 2, 3, 4, 5})) << c.answer;
    }
  }
}

TEST(VLinkedListSort, EmptyAndSingle) {
  ByKey balance;
  VLinkedList empty;
  empty.Sort(balance);
  EXPECT_EQ(empty.GetFirst(), nullptr);
  VLinkedList one;
  Fill(one, {1});
  one.Sort(balance);
  EXPECT_EQ(Values(one), (std::vector<int>{1}));
  EXPECT_EQ(balance.calls, 0);
}

TEST(VListElement, ACopyIsUnlisted) {
  VLinkedList list;
  Fill(list, {1, 2});
  Item copy(*At(list, 0));
  EXPECT_EQ(copy.value, 1);
  EXPECT_EQ(copy.GetNext(), nullptr);
}

}  // namespace
