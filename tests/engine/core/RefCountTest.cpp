#include <gtest/gtest.h>

#include <utility>
#include <vector>

#include "engine/core/VRef.h"
#include "engine/core/VRefCount.h"

namespace {

// Records the last-release hook and the deletion in one event list, so a test
// sees both their number and their order.
class Tracked : public VRefCount {
 public:
  explicit Tracked(std::vector<const char*>* events) : events_(events) {}
  ~Tracked() override { events_->push_back("deleted"); }

 protected:
  void LastReleased() override { events_->push_back("last released"); }

 private:
  std::vector<const char*>* events_;
};

TEST(VRefCountTest, LastReleaseRunsHookThenDeletesOnce) {
  std::vector<const char*> events;
  auto* t = new Tracked(&events);
  EXPECT_EQ(t->GetReferenceCount(), 1);  // the creator's reference
  EXPECT_EQ(t->AddReference(), 2);
  EXPECT_EQ(t->AddReference(), 3);
  EXPECT_EQ(t->Release(), 2);
  EXPECT_EQ(t->Release(), 1);
  EXPECT_TRUE(events.empty());
  EXPECT_EQ(t->Release(), 0);
  EXPECT_EQ(events, (std::vector<const char*>{"last released", "deleted"}));
}

TEST(VRefTest, AdoptShareCopyMoveAndReset) {
  std::vector<const char*> events;
  auto* t = new Tracked(&events);
  {
    VRef<Tracked> a(t);  // adopts the creator's reference
    EXPECT_EQ(t->GetReferenceCount(), 1);
    VRef<Tracked> shared = VRef<Tracked>::Share(t);
    EXPECT_EQ(t->GetReferenceCount(), 2);
    VRef<Tracked> copy(a);
    EXPECT_EQ(t->GetReferenceCount(), 3);
    VRef<Tracked> moved(std::move(copy));
    EXPECT_EQ(t->GetReferenceCount(), 3);
    EXPECT_FALSE(copy);
    EXPECT_EQ(moved.get(), t);
    copy = moved;  // copy assignment adds
    EXPECT_EQ(t->GetReferenceCount(), 4);
    copy = std::move(moved);  // move assignment releases what copy held
    EXPECT_EQ(t->GetReferenceCount(), 3);
    shared.Reset();
    EXPECT_EQ(t->GetReferenceCount(), 2);
    Tracked* detached = copy.Detach();
    EXPECT_EQ(t->GetReferenceCount(), 2);
    EXPECT_EQ(detached->Release(), 1);
    EXPECT_TRUE(events.empty());
  }
  EXPECT_EQ(events, (std::vector<const char*>{"last released", "deleted"}));
}

TEST(VRefTest, AssigningTheLastHolderOfAnObjectToItselfKeepsItAlive) {
  std::vector<const char*> events;
  VRef<Tracked> a(new Tracked(&events));
  VRef<Tracked>& alias = a;
  a = alias;
  ASSERT_TRUE(a);
  EXPECT_EQ(a->GetReferenceCount(), 1);
  EXPECT_TRUE(events.empty());
  a.Reset();
  EXPECT_EQ(events.size(), 2U);
}

TEST(VRefTest, NullHoldsNothing) {
  VRef<Tracked> empty;
  VRef<Tracked> shared = VRef<Tracked>::Share(nullptr);
  VRef<Tracked> copy(empty);
  empty = copy;
  empty.Reset();
  EXPECT_FALSE(empty);
  EXPECT_FALSE(shared);
  EXPECT_EQ(copy.get(), nullptr);
}

}  // namespace
