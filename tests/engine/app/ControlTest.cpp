#include <gtest/gtest.h>

#include <memory>
#include <set>
#include <string>
#include <vector>

#include "engine/core/ServiceCheck.h"
#include "engine/app/GraphicTestSupport.h"
#include "engine/app/MessagePointer.h"
#include "engine/app/VControl.h"
#include "engine/app/VPanelOwner.h"

using namespace apptest;

namespace {

// A control that logs its destruction and the control events it receives.
class TestControl : public VControl {
 public:
  TestControl(std::string name, Log* log, int32_t id, int32_t left, int32_t top, int32_t layer, int32_t width,
              int32_t height, VGraphicObject* parent)
      : VControl(kApplicationKind, id, left, top, layer, width, height, parent), name_(std::move(name)), log_(log) {}
  ~TestControl() override { log_->push_back("~" + name_); }

  bool HandleEvent(uint32_t code, uint32_t value1, uint32_t value2) override {
    if (code < kControlDragBegins || code > kControlDragEnds) return false;
    VEventHandler* sender = MessagePointerAs<VEventHandler>(value2);
    std::string from = "?";
    if (auto* control = dynamic_cast<TestControl*>(sender)) from = control->name_;
    log_->push_back(name_ + " event " + std::to_string(code) + " id " + std::to_string(value1) + " from " + from);
    return takesEvents;
  }

  const std::string& name() const { return name_; }
  bool takesEvents = false;

 private:
  std::string name_;
  Log* log_;
};

// A window whose root is a panel owner: it owns whatever is linked under it
// and logs the control events that reach its event part.
class OwnerWindow : public VPanelOwner, public RecordingWindowServices {
 public:
  explicit OwnerWindow(Log* log) : VPanelOwner(kWindowKind, 1), RecordingWindowServices(log, 640, 480), log_(log) {
    StoreBounds(VRect(0, 0, 640, 480));
  }
  ~OwnerWindow() override { log_->push_back("~window"); }
  VGraphicWindow* GetWindow() override { return this; }
  VGraphicObject* GetRootObject() override { return this; }
  bool HandleEvent(uint32_t code, uint32_t value1, uint32_t) override {
    if (code >= kControlDragBegins && code <= kControlDragEnds) {
      log_->push_back("window event " + std::to_string(code) + " id " + std::to_string(value1));
    }
    return false;
  }

 private:
  Log* log_;
};

class ControlTest : public ::testing::Test {
 protected:
  void SetUp() override { ResetAppState(); }
  void TearDown() override { ResetAppState(); }
  TestControl* Make(const std::string& name, VGraphicObject* parent, int32_t left = 0, int32_t top = 0,
                    int32_t layer = 0, int32_t width = 10, int32_t height = 10, int32_t id = VControl::kAllocateId) {
    return new TestControl(name, &log, id, left, top, layer, width, height, parent);
  }
  Log log;
};

std::string Names(VTLink* first, bool graphic) {
  std::string out;
  for (VTLink* n = first; n != nullptr; n = n->GetNextSibling()) {
    TestControl* c =
        graphic ? dynamic_cast<TestControl*>(static_cast<VGraphicObject*>(n)) : dynamic_cast<TestControl*>(n);
    if (!out.empty()) out += " ";
    out += c != nullptr ? c->name() : "?";
  }
  return out;
}

// ---------------------------------------------------------------------------
// Id pool

TEST_F(ControlTest, IdPoolIsNextFitAndWraps) {
  std::unique_ptr<TestControl> a(Make("a", nullptr));
  std::unique_ptr<TestControl> b(Make("b", nullptr));
  EXPECT_EQ(a->GetId(), 12311);
  EXPECT_EQ(b->GetId(), 12312);
  a.reset();
  std::unique_ptr<TestControl> c(Make("c", nullptr));
  EXPECT_EQ(c->GetId(), 12313);  // the cursor moved on
  // Fill the rest of the pool; the search then wraps to the freed 12311.
  std::set<int32_t> ids;
  for (int32_t i = 3; i < VControl::kPoolSize; ++i) ids.insert(VControl::AllocateControlId());
  EXPECT_EQ(ids.size(), static_cast<size_t>(VControl::kPoolSize - 3));
  EXPECT_EQ(*ids.rbegin(), 12311 + VControl::kPoolSize - 1);
  EXPECT_EQ(VControl::AllocateControlId(), 12311);
  EXPECT_EQ(VControl::AllocateControlId(), 0);  // all in use
  VControl::FreeControlId(12400);
  EXPECT_EQ(VControl::AllocateControlId(), 12400);
  VControl::FreeControlId(5);       // outside the pool: ignored
  VControl::FreeControlId(-70000);  // likewise
  EXPECT_EQ(VControl::AllocateControlId(), 0);
}

TEST_F(ControlTest, GivenIdsAreKeptAndNeverReturnedToThePool) {
  std::unique_ptr<TestControl> a(Make("a", nullptr, 0, 0, 0, 10, 10, 12320));
  EXPECT_EQ(a->GetId(), 12320);
  std::unique_ptr<TestControl> b(Make("b", nullptr));
  EXPECT_EQ(b->GetId(), 12311);
  std::unique_ptr<TestControl> c(Make("c", nullptr, 0, 0, 0, 10, 10, 7));
  EXPECT_EQ(c->GetId(), 7);
  EXPECT_EQ(c->GetKindCode(), VControl::kApplicationKind);
}

// ---------------------------------------------------------------------------
// Attaching

TEST_F(ControlTest, ParentMarkerUsesTheCurrentParent) {
  std::unique_ptr<TestControl> loose(Make("loose", CurrentParentMarker()));
  EXPECT_EQ(loose->GetParent(), nullptr);
  EXPECT_EQ(loose->GetEventHandler()->GetParent(), nullptr);

  std::unique_ptr<TestControl> p(Make("p", nullptr));
  VGraphicObject* previous = VGraphicObject::SetCurrentParent(p.get());
  EXPECT_EQ(previous, nullptr);
  TestControl* k = Make("k", CurrentParentMarker());
  EXPECT_EQ(VGraphicObject::SetCurrentParent(previous), p.get());
  EXPECT_EQ(k->GetParentObject(), p.get());
  EXPECT_EQ(k->GetEventHandler()->GetParent(), p->GetEventHandler());
  EXPECT_EQ(k->GetDataLink()->GetParent(), p->GetDataLink());
  // A destroyed current parent is forgotten rather than left dangling.
  VGraphicObject::SetCurrentParent(p.get());
  p.reset();
  EXPECT_EQ(VGraphicObject::GetCurrentParent(), nullptr);
}

TEST_F(ControlTest, ChildrenJoinAllThreeTreesLayerOrderedOnlyInTheGraphicOne) {
  std::unique_ptr<TestControl> p(Make("p", nullptr, 0, 0, 0, 100, 100));
  Make("a", p.get(), 0, 0, 2);
  Make("b", p.get(), 0, 0, 1);
  Make("c", p.get(), 0, 0, 3);
  EXPECT_EQ(Names(p->GetFirstChild(), true), "b a c");
  EXPECT_EQ(Names(p->GetEventHandler()->GetFirstChild(), false), "c b a");
  EXPECT_EQ(Names(p->GetDataLink()->GetFirstChild(), false), "c b a");
  AttachControl(nullptr, p.get());
  AttachControl(p.get(), nullptr);
}

// ---------------------------------------------------------------------------
// Ownership

TEST_F(ControlTest, DestroyingAControlDeletesItsWholeSubtreeOnce) {
  TestControl* root = Make("root", nullptr, 0, 0, 0, 100, 100);
  TestControl* a = Make("a", root, 0, 0, 0);
  Make("a1", a, 0, 0, 0);
  Make("a2", a, 0, 0, 1);
  TestControl* b = Make("b", root, 0, 0, 1);
  Make("b1", b);
  Make("c", root, 0, 0, 2);
  delete root;
  // (Each name is logged as its destructor starts.) The descendants of the
  // first child, then the following siblings with their subtrees (deepest
  // and last first), then the first child.
  EXPECT_EQ(log, (Log{"~root", "~a2", "~a1", "~b1", "~c", "~b", "~a"}));
  // All seven ids went back to the pool; the search starts at the cursor
  // (the last id handed out, 12317), which is free again.
  EXPECT_EQ(VControl::AllocateControlId(), 12317);
  EXPECT_EQ(VControl::AllocateControlId(), 12318);
}

TEST_F(ControlTest, DeletingThroughAnyPartDestroysTheWholeControlAndUnlinksIt) {
  std::unique_ptr<TestControl> p(Make("p", nullptr, 0, 0, 0, 100, 100));
  TestControl* a = Make("a", p.get());
  TestControl* b = Make("b", p.get());
  Make("b1", b);
  delete static_cast<VEventHandler*>(b);
  EXPECT_EQ(log, (Log{"~b", "~b1"}));
  EXPECT_EQ(Names(p->GetFirstChild(), true), "a");
  EXPECT_EQ(Names(p->GetEventHandler()->GetFirstChild(), false), "a");
  delete static_cast<VDataLink*>(a);
  EXPECT_EQ(p->GetFirstChild(), nullptr);
  EXPECT_EQ(p->GetEventHandler()->GetFirstChild(), nullptr);
  EXPECT_EQ(p->GetDataLink()->GetFirstChild(), nullptr);
}

TEST_F(ControlTest, RemoveChildDeletesOrDetachesKeepingTheSubtree) {
  std::unique_ptr<TestControl> p(Make("p", nullptr, 0, 0, 0, 100, 100, 100));
  Make("a", p.get(), 0, 0, 0, 10, 10, 101);
  TestControl* b = Make("b", p.get(), 0, 0, 1, 10, 10, 102);
  TestControl* b1 = Make("b1", b, 0, 0, 0, 10, 10, 103);

  p->RemoveChild(999, true);  // no such id: nothing
  p->RemoveChildObject(nullptr, true);
  EXPECT_TRUE(log.empty());

  p->RemoveChild(102, false);
  std::unique_ptr<TestControl> owned(b);
  EXPECT_EQ(Names(p->GetFirstChild(), true), "a");
  EXPECT_EQ(Names(p->GetEventHandler()->GetFirstChild(), false), "a");
  EXPECT_EQ(Names(p->GetDataLink()->GetFirstChild(), false), "a");
  EXPECT_EQ(b->GetParent(), nullptr);
  EXPECT_EQ(b->GetFirstChildObject(), b1);  // its own subtree stays with it
  EXPECT_EQ(b->GetEventHandler()->GetFirstChild(), b1->GetEventHandler());
  EXPECT_TRUE(log.empty());

  p->RemoveChild(101, true);
  EXPECT_EQ(log, (Log{"~a"}));
  EXPECT_EQ(p->GetFirstChild(), nullptr);

  log.clear();
  owned->RemoveChildObject(b1, true);
  EXPECT_EQ(log, (Log{"~b1"}));
  TestControl* zero = Make("zero", owned.get(), 0, 0, 0, 10, 10, 0);
  owned->RemoveChildObject(zero, true);  // id 0 is no id: nothing
  EXPECT_EQ(owned->GetFirstChildObject(), zero);
}

// ---------------------------------------------------------------------------
// Drag reports

class DragTest : public ControlTest {
 protected:
  void SetUp() override {
    ControlTest::SetUp();
    window = std::make_unique<OwnerWindow>(&log);
    target = Make("target", window.get(), 0, 0, 0, 200, 200);
    dragged = Make("dragged", window.get(), 300, 300, 5, 20, 20);
    dragged->SetDraggable(true);
    log.clear();
  }
  void TearDown() override {
    window.reset();
    ControlTest::TearDown();
  }
  std::string Id(const TestControl* c) const { return std::to_string(c->GetId()); }
  std::unique_ptr<OwnerWindow> window;
  TestControl* target = nullptr;
  TestControl* dragged = nullptr;
};

std::vector<std::string> EventsOnly(const Log& log) {
  std::vector<std::string> out;
  for (const std::string& line : log) {
    if (line.find(" event ") != std::string::npos) out.push_back(line);
  }
  return out;
}

TEST_F(DragTest, DragsAreReportedToTheObjectUnderTheControlAndUpItsEventTree) {
  target->takesEvents = true;
  dragged->StoreBounds(VRect(100, 100, 120, 120));  // over the target
  ASSERT_TRUE(window->CaptureMouse(MouseAt(105, 105)));
  ASSERT_TRUE(window->RouteMouseMove(MouseAt(115, 115)));
  ASSERT_TRUE(window->ReleaseMouse(MouseAt(115, 115)));
  const std::string id = Id(dragged);
  EXPECT_EQ(EventsOnly(log),
            (Log{"target event 12 id " + id + " from dragged", "target event 13 id " + id + " from dragged",
                 "target event 14 id " + id + " from dragged"}));
  EXPECT_TRUE(dragged->IsVisible());  // hidden only during the search
  EXPECT_EQ(dragged->GetBounds(), VRect(110, 110, 130, 130));
}

TEST_F(DragTest, AnEventNobodyTakesTravelsToPreviousSiblingsAndTheOwner) {
  TestControl* other = Make("other", window.get(), 0, 0, 0, 1, 1);  // previous sibling in the event tree
  (void)other;
  dragged->StoreBounds(VRect(100, 100, 120, 120));
  ASSERT_TRUE(window->CaptureMouse(MouseAt(105, 105)));
  const std::string id = Id(dragged);
  // Event tree of the window, newest first: other, dragged, target. Upward
  // from target: target, then its back links (dragged, other), then the window.
  EXPECT_EQ(EventsOnly(log),
            (Log{"target event 12 id " + id + " from dragged", "dragged event 12 id " + id + " from dragged",
                 "other event 12 id " + id + " from dragged", "window event 12 id " + id}));
  window->ReleaseMouse(MouseAt(105, 105));
}

TEST_F(DragTest, DraggingOverEmptySpaceReportsToTheWindowOnly) {
  ASSERT_TRUE(window->CaptureMouse(MouseAt(305, 305)));
  EXPECT_EQ(EventsOnly(log), (Log{"window event 12 id " + Id(dragged)}));
}

TEST_F(DragTest, WithoutAWindowNothingIsReportedAndTheControlStillDrags) {
  std::unique_ptr<TestControl> loose(Make("loose", nullptr, 0, 0, 0, 100, 100));
  TestControl* d = Make("d", loose.get(), 10, 10, 0, 20, 20);
  d->SetDraggable(true);
  log.clear();
  ASSERT_TRUE(loose->CaptureMouse(MouseAt(15, 15)));
  EXPECT_EQ(VGraphicObject::GetTrackingObject(), d);
  ASSERT_TRUE(loose->RouteMouseMove(MouseAt(25, 35)));
  EXPECT_EQ(d->GetBounds(), VRect(20, 30, 40, 50));
  ASSERT_TRUE(loose->ReleaseMouse(MouseAt(25, 35)));
  EXPECT_TRUE(EventsOnly(log).empty());
}

TEST_F(DragTest, DeletingTheWindowWithACapturedControlIsClean) {
  ASSERT_TRUE(window->CaptureMouse(MouseAt(305, 305)));
  window.reset();
  EXPECT_EQ(VGraphicObject::GetCapturedObject(), nullptr);
  EXPECT_EQ(VGraphicObject::GetTrackingObject(), nullptr);
}

// ---------------------------------------------------------------------------
// Panel owner

class RecordingPanelServices : public VPanelServices {
 public:
  explicit RecordingPanelServices(Log* log) : log_(log), previous_(SetPanelServices(this)) {}
  ~RecordingPanelServices() override { SetPanelServices(previous_); }
  VGraphicObject* CreatePanel(VPanelOwner&, int32_t classId, int32_t panelId) override {
    log_->push_back("create " + std::to_string(classId) + " " + std::to_string(panelId));
    return nullptr;
  }
  void SuspendPanel(VGraphicObject& panel) override { log_->push_back("suspend " + std::to_string(panel.GetId())); }
  void ResumePanel(VGraphicObject& panel) override { log_->push_back("resume " + std::to_string(panel.GetId())); }
  void ReenterPanel(VGraphicObject& panel) override { log_->push_back("reenter " + std::to_string(panel.GetId())); }
  bool IsKeptWhenReplaced(VGraphicObject&) override { return false; }
  void TeardownPanel(VGraphicObject& panel) override {
    log_->push_back("teardown " + std::to_string(panel.GetId()));
  }

 private:
  Log* log_;
  VPanelServices* previous_;
};

// No panel services for the scope: the owner's fallbacks.
class WithoutPanelServices {
 public:
  WithoutPanelServices() : previous_(SetPanelServices(nullptr)) {}
  ~WithoutPanelServices() { SetPanelServices(previous_); }
  WithoutPanelServices(const WithoutPanelServices&) = delete;
  WithoutPanelServices& operator=(const WithoutPanelServices&) = delete;

 private:
  ScopedMissingServicesAllowed allowed_;
  VPanelServices* previous_;
};

TEST_F(ControlTest, PanelOwnerShowsLoadedPanelsClosesThemAndOwnsTheRest) {
  WithoutPanelServices none;
  auto owner = std::make_unique<OwnerWindow>(&log);
  EXPECT_EQ(owner->GetKindCode(), VPanelOwner::kWindowKind);
  TestControl* p1 = Make("p1", owner.get(), 0, 0, 0, 640, 480, 8192);
  TestControl* p2 = Make("p2", owner.get(), 0, 0, 0, 640, 480, 8193);
  Make("p2child", p2, 0, 0, 0, 10, 10, 8200);
  p1->Hide(false);
  log.clear();

  EXPECT_EQ(owner->ShowPanel(2049, 9999, false), nullptr);  // not loaded, no factory
  EXPECT_EQ(owner->ShowPanel(2049, 8192, true), p1);
  EXPECT_EQ(owner->GetCurrentPanel(), p1);
  EXPECT_TRUE(p1->IsVisible());
  EXPECT_EQ(owner->ShowPanel(2049, 8193, true), p2);
  EXPECT_FALSE(p1->IsVisible());  // replaced: hidden

  owner->ClosePanel(8193, false);  // detached, alive, with its child
  EXPECT_EQ(owner->GetCurrentPanel(), nullptr);
  std::unique_ptr<TestControl> kept(p2);
  EXPECT_EQ(kept->GetParent(), nullptr);
  EXPECT_EQ(kept->FindObject(8200)->GetId(), 8200);
  log.clear();
  owner->ClosePanel(8192, true);
  EXPECT_EQ(log, (Log{"~p1"}));

  {
    RecordingPanelServices services(&log);
    log.clear();
    EXPECT_EQ(owner->ShowPanel(2049, 8194, false), nullptr);  // the services create nothing
    owner->ClosePanel(8194, true);                          // nothing loaded with that id
    EXPECT_EQ(log, (Log{"create 2049 8194"}));
  }

  Make("q1", owner.get());
  Make("q2", owner.get());
  log.clear();
  owner.reset();
  EXPECT_EQ(log, (Log{"~window", "~q2", "~q1"}));
}

}  // namespace
