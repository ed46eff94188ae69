// Panels switched by a window through the class factory: creation by class
// id, suspending, resuming and closing with the counts of their steps, and
// the factory's sorted registry.
#include <gtest/gtest.h>

#include <map>
#include <memory>

#include "ControlTestSupport.h"
#include "engine/app/VPanelOwner.h"
#include "engine/controls/VFactory.h"
#include "engine/controls/VPanel.h"
#include "platform/Cursor.h"

namespace {

using controltest::Bench;

struct Counts {
  int build = 0, enter = 0, leave = 0, teardown = 0, destroyed = 0;
};
std::map<int32_t, Counts> gCounts;

class CountingPanel : public VPanel {
 public:
  explicit CountingPanel(bool kept) { SetKeptWhenReplaced(kept); }
  ~CountingPanel() override { ++gCounts[GetId()].destroyed; }
  void Build() override {
    ++gCounts[GetId()].build;
    StoreBounds(VRect(0, 0, 200, 150));
    builtUnder = GetCurrentParent();
  }
  void Enter() override { ++gCounts[GetId()].enter; }
  void Leave() override { ++gCounts[GetId()].leave; }
  void Teardown() override { ++gCounts[GetId()].teardown; }
  VGraphicObject* builtUnder = nullptr;
};

constexpr int32_t kPlainClass = 2048;  // replaced panels are deleted
constexpr int32_t kKeptClass = 2049;   // replaced panels are suspended
constexpr int32_t kNotAPanelClass = 2050;

class PanelTest : public ::testing::Test {
 protected:
  PanelTest()
      : previousFactory_(SetDefaultFactory(&factory_)),
        plain_(kPlainClass, sizeof(CountingPanel), nullptr, nullptr,
               [](void*, void*) -> VPropertyHolder* { return new CountingPanel(false); }, nullptr, nullptr, &factory_),
        kept_(kKeptClass, sizeof(CountingPanel), nullptr, nullptr,
              [](void*, void*) -> VPropertyHolder* { return new CountingPanel(true); }, nullptr, nullptr, &factory_),
        notAPanel_(kNotAPanelClass, 4, nullptr, nullptr,
                   [](void*, void*) -> VPropertyHolder* { return new VPropertyHolder(); },
                   [](VPropertyHolder* object, bool) { delete object; }, nullptr, &factory_) {
    gCounts.clear();
  }
  ~PanelTest() override {
    bench_.reset();
    SetDefaultFactory(previousFactory_);
  }
  VPanelOwner& owner() { return bench_->window(); }

  VFactory factory_;
  VFactory* previousFactory_;
  VFactoryRegistration plain_, kept_, notAPanel_;
  std::unique_ptr<Bench> bench_ = std::make_unique<Bench>();
};

TEST_F(PanelTest, CreatedBuiltAndEnteredAsTheCurrentParent) {
  VGraphicObject* before = VGraphicObject::GetCurrentParent();
  auto* panel = dynamic_cast<CountingPanel*>(owner().ShowPanel(kPlainClass, 8192, false));
  ASSERT_NE(panel, nullptr);
  EXPECT_EQ(panel->GetId(), 8192);
  EXPECT_EQ(panel->GetKindCode(), kPlainClass);
  EXPECT_EQ(panel->builtUnder, panel);
  EXPECT_EQ(VGraphicObject::GetCurrentParent(), before);
  EXPECT_EQ(owner().GetCurrentPanel(), panel);
  EXPECT_TRUE(panel->IsVisible());
  EXPECT_TRUE(panel->IsEntered());
  EXPECT_EQ(gCounts[8192].build, 1);
  EXPECT_EQ(gCounts[8192].enter, 1);
  EXPECT_FALSE(panel->Open(&owner(), false));  // opened already: builds nothing
  EXPECT_EQ(gCounts[8192].build, 1);
}

TEST_F(PanelTest, WaitCursorWhileAPanelIsMade) {
  platform::RecordingCursorBackend cursors;
  platform::ScopedCursorBackend scoped(&cursors);
  owner().ShowPanel(kPlainClass, 8192, false);
  bool waited = false;
  for (const auto& request : cursors.requests) waited = waited || request.id == 32514;
  EXPECT_TRUE(waited);
  EXPECT_EQ(GetShownCursor(), 0);
  const size_t count = cursors.requests.size();
  owner().ShowPanel(kPlainClass, 8192, false);  // loaded: nothing to make, no wait
  EXPECT_EQ(cursors.requests.size(), count);
}

TEST_F(PanelTest, ShowingTheCurrentPanelAgainChangesNothing) {
  VGraphicObject* panel = owner().ShowPanel(kKeptClass, 8192, false);
  EXPECT_EQ(owner().ShowPanel(kKeptClass, 8192, false), panel);
  EXPECT_EQ(gCounts[8192].build, 1);
  EXPECT_EQ(gCounts[8192].enter, 1);
  EXPECT_EQ(gCounts[8192].leave, 0);
}

TEST_F(PanelTest, KeptPanelIsSuspendedAndResumed) {
  VGraphicObject* kept = owner().ShowPanel(kKeptClass, 8192, false);
  VGraphicObject* other = owner().ShowPanel(kPlainClass, 8193, false);
  ASSERT_NE(other, nullptr);
  EXPECT_FALSE(kept->IsVisible());
  EXPECT_EQ(gCounts[8192].leave, 1);
  EXPECT_EQ(gCounts[8192].destroyed, 0);
  // Back to the kept panel: entered again, not built again; the plain one
  // it replaces is torn down and deleted, its leave step run once.
  EXPECT_EQ(owner().ShowPanel(kKeptClass, 8192, false), kept);
  EXPECT_TRUE(kept->IsVisible());
  EXPECT_EQ(gCounts[8192].build, 1);
  EXPECT_EQ(gCounts[8192].enter, 2);
  EXPECT_EQ(gCounts[8193].leave, 1);
  EXPECT_EQ(gCounts[8193].teardown, 1);
  EXPECT_EQ(gCounts[8193].destroyed, 1);
}

TEST_F(PanelTest, PlainPanelIsSuspendedThenDeletedWhenReplaced) {
  owner().ShowPanel(kPlainClass, 8192, false);
  VGraphicObject* next = owner().ShowPanel(kPlainClass, 8194, false);
  ASSERT_NE(next, nullptr);
  EXPECT_EQ(owner().GetCurrentPanel(), next);
  EXPECT_EQ(gCounts[8192].leave, 1);  // once, at the suspension
  EXPECT_EQ(gCounts[8192].teardown, 1);
  EXPECT_EQ(gCounts[8192].destroyed, 1);
  EXPECT_EQ(owner().FindPanel(8192), nullptr);
}

TEST_F(PanelTest, UnknownClassLeavesTheOldPanelShown) {
  VGraphicObject* old = owner().ShowPanel(kPlainClass, 8192, false);
  for (int32_t unknown : {2052, kNotAPanelClass}) {
    SCOPED_TRACE(unknown);
    EXPECT_EQ(owner().ShowPanel(unknown, 8195, false), nullptr);
    EXPECT_EQ(owner().GetCurrentPanel(), old);
    EXPECT_TRUE(old->IsVisible());
    EXPECT_TRUE(dynamic_cast<VPanel*>(old)->IsEntered());
  }
  EXPECT_EQ(gCounts[8192].leave, 2);  // suspended while the new one was tried
  EXPECT_EQ(gCounts[8192].enter, 3);
  EXPECT_EQ(gCounts[8192].destroyed, 0);
}

TEST_F(PanelTest, ClosingWithAndWithoutDeletion) {
  owner().ShowPanel(kKeptClass, 8192, false);
  owner().ClosePanel(8192, true);
  EXPECT_EQ(owner().GetCurrentPanel(), nullptr);
  EXPECT_EQ(gCounts[8192].leave, 1);
  EXPECT_EQ(gCounts[8192].teardown, 1);
  EXPECT_EQ(gCounts[8192].destroyed, 1);

  VGraphicObject* detached = owner().ShowPanel(kKeptClass, 8193, false);
  owner().ClosePanel(8193, false);
  EXPECT_EQ(owner().FindPanel(8193), nullptr);
  EXPECT_EQ(gCounts[8193].destroyed, 0);
  delete detached;
  owner().ClosePanel(9999, true);  // nothing with that id
}

TEST_F(PanelTest, ClosingTheWindowTearsItsPanelsDown) {
  owner().ShowPanel(kKeptClass, 8192, false);
  owner().ShowPanel(kPlainClass, 8193, false);  // 8192 suspended
  bench_.reset();
  EXPECT_EQ(gCounts[8192].leave, 1);  // not left a second time
  EXPECT_EQ(gCounts[8192].teardown, 1);
  EXPECT_EQ(gCounts[8193].leave, 1);
  EXPECT_EQ(gCounts[8193].teardown, 1);
  EXPECT_EQ(gCounts[8192].destroyed + gCounts[8193].destroyed, 2);
}

// ---------------------------------------------------------------------------
// The class factory

VPropertyHolder* CreateNothing(void*, void*) { return nullptr; }

TEST(Factory, RegistryStaysSortedAndFindsEachClass) {
  VFactory factory;
  VFactoryRegistration r2051(2051, 8, nullptr, nullptr, CreateNothing, nullptr, nullptr, &factory);
  VFactoryRegistration r2048(2048, 8, nullptr, nullptr, CreateNothing, nullptr, nullptr, &factory);
  VFactoryRegistration r2050(2050, 8, nullptr, nullptr, CreateNothing, nullptr, nullptr, &factory);
  VFactoryRegistration r2049(2049, 8, nullptr, nullptr, CreateNothing, nullptr, nullptr, &factory);
  ASSERT_EQ(factory.GetCount(), 4);
  for (int32_t i = 0; i < 4; ++i) EXPECT_EQ(factory.GetEntry(i)->GetClassId(), 2048 + i);
  EXPECT_EQ(FindFactoryClass(&factory, 2048), &r2048);
  EXPECT_EQ(FindFactoryClass(&factory, 2049), &r2049);
  EXPECT_EQ(FindFactoryClass(&factory, 2050), &r2050);
  EXPECT_EQ(FindFactoryClass(&factory, 2051), &r2051);
  EXPECT_EQ(FindFactoryClass(&factory, 2052), nullptr);
  EXPECT_EQ(FindFactoryClass(&factory, 0), nullptr);
  VFactory empty;
  EXPECT_EQ(FindFactoryClass(&empty, 2048), nullptr);
  EXPECT_EQ(FindFactoryClass(nullptr, 2048), nullptr);
}

TEST(Factory, MemberListsAndDataSize) {
  VFactory factory;
  VFactoryRegistration none(1, 4, nullptr, nullptr, CreateNothing, nullptr, nullptr, &factory);
  EXPECT_EQ(none.GetMemberCount(), 0);
  EXPECT_EQ(none.GetDataSize(), 0);
  const uint32_t types[] = {3, 0x1005, 7, 0};
  const int32_t sizes[] = {2, 99, 8};
  VFactoryRegistration some(2, 4, types, sizes, CreateNothing, nullptr, nullptr, &factory);
  EXPECT_EQ(some.GetMemberCount(), 3);
  EXPECT_EQ(some.GetDataSize(), 2 + 4 + 8);  // a reference type takes 4 bytes
  // Creation without a stream hands a member buffer of at least one byte.
  static size_t seen = 0;
  VFactoryRegistration probe(3, 4, nullptr, nullptr,
                             [](void* members, void*) -> VPropertyHolder* {
                               seen = members != nullptr ? 1 : 0;
                               return nullptr;
                             },
                             nullptr, nullptr, &factory);
  EXPECT_EQ(CreateObjectById(&factory, &probe, nullptr, nullptr), nullptr);
  EXPECT_EQ(seen, 1u);
  EXPECT_EQ(CreateObjectById(&factory, nullptr, nullptr, nullptr), nullptr);
}

TEST(Factory, FullRegistryIgnoresFurtherClasses) {
  VFactory factory;
  std::vector<std::unique_ptr<VFactoryRegistration>> records;
  for (int32_t i = 0; i < 257; ++i) {
    records.push_back(std::make_unique<VFactoryRegistration>(1000 - i, 4, nullptr, nullptr, CreateNothing, nullptr,
                                                             nullptr, &factory));
  }
  EXPECT_EQ(factory.GetCount(), VFactory::kMaxEntries);
  EXPECT_EQ(FindFactoryClass(&factory, 1000 - 256), nullptr);  // the 257th
  EXPECT_NE(FindFactoryClass(&factory, 1000 - 255), nullptr);
}

TEST(Factory, DestroyingTheDefaultClearsIt) {
  VFactory* previous;
  {
    VFactory mine;
    previous = SetDefaultFactory(&mine);
    EXPECT_EQ(GetDefaultFactory(), &mine);
  }
  VFactory* made = GetDefaultFactory();  // a new one on first use
  EXPECT_NE(made, nullptr);
  SetDefaultFactory(previous);
}

}  // namespace
