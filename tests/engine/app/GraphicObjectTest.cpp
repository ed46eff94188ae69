#include <gtest/gtest.h>

#include <climits>
#include <memory>
#include <string>
#include <vector>

#include "engine/app/GraphicServices.h"
#include "engine/app/GraphicTestSupport.h"
#include "engine/app/MessagePointer.h"
#include "engine/app/VGraphicObject.h"
#include "engine/core/Cursor.h"
#include "engine/core/VEvent.h"

using namespace apptest;

namespace {

class GraphicObjectTest : public ::testing::Test {
 protected:
  void SetUp() override { ResetAppState(); }
  void TearDown() override { ResetAppState(); }
  Log log;
};

std::string ChildOrder(const VGraphicObject& parent) {
  std::string out;
  for (VGraphicObject* c = parent.GetFirstChildObject(); c != nullptr; c = c->GetNextObject()) {
    if (!out.empty()) out += " ";
    out += static_cast<Box*>(c)->name();
  }
  return out;
}

// ---------------------------------------------------------------------------
// Layer order

struct LayerRow {
  std::vector<std::pair<std::string, int32_t>> added;
  std::string order;  // back to front
};

TEST_F(GraphicObjectTest, SiblingsStaySortedByLayerAndEqualLayersPutTheNewestBehind) {
  const std::vector<LayerRow> rows = {
      {{{"a", 0}, {"b", 0}, {"c", 0}}, "c b a"}, {{{"a", 1}, {"b", 2}, {"c", 3}}, "a b c"},
      {{{"a", 3}, {"b", 2}, {"c", 1}}, "c b a"}, {{{"a", 1}, {"b", 3}, {"c", 2}}, "a c b"},
      {{{"a", 2}, {"b", 1}, {"c", 2}}, "b c a"}, {{{"a", -5}, {"b", 7}, {"c", 0}, {"d", 7}}, "a c d b"},
  };
  for (const LayerRow& row : rows) {
    Box parent("p", &log, 0, 0, 0, 0, 0, 100, 100);
    std::vector<std::unique_ptr<Box>> kids;
    for (const auto& [name, layer] : row.added) kids.push_back(MakeBox(name, &log, &parent, 0, 0, 10, 10, layer));
    EXPECT_EQ(ChildOrder(parent), row.order) << "row ending " << row.order;
    kids.clear();
    EXPECT_EQ(parent.GetFirstChild(), nullptr);
  }
}

TEST_F(GraphicObjectTest, SetLayerAndBringToFrontReorder) {
  Box parent("p", &log, 0, 0, 0, 0, 0, 100, 100);
  auto a = MakeBox("a", &log, &parent, 0, 0, 10, 10, 1);
  auto b = MakeBox("b", &log, &parent, 0, 0, 10, 10, 2);
  auto c = MakeBox("c", &log, &parent, 0, 0, 10, 10, 3);
  a->SetLayer(5, false);
  EXPECT_EQ(ChildOrder(parent), "b c a");
  b->BringToFront(false);
  EXPECT_EQ(ChildOrder(parent), "c a b");
  EXPECT_EQ(b->GetLayer(), 6);
  b->BringToFront(false);  // already frontmost: nothing
  EXPECT_EQ(b->GetLayer(), 6);
  // An equal layer on the last sibling is not "above": nothing moves.
  c->SetLayer(6, false);
  EXPECT_EQ(ChildOrder(parent), "a c b");
  c->BringToFront(false);
  EXPECT_EQ(ChildOrder(parent), "a c b");
  // The layer cannot pass the largest value.
  b->SetLayer(INT32_MAX, false);
  a->BringToFront(false);
  EXPECT_EQ(a->GetLayer(), INT32_MAX);
}

TEST_F(GraphicObjectTest, SetLayerOfARootLeavesItsDetachedChain) {
  Box a("a", &log, 0, 0, 0, 0, 1, 10, 10);
  Box b("b", &log, 0, 0, 0, 0, 1, 10, 10);
  b.VTLink::InsertAfter(&a);
  ASSERT_EQ(a.GetNextSibling(), &b);
  a.SetLayer(3, false);
  EXPECT_EQ(a.GetNextSibling(), nullptr);
  EXPECT_EQ(b.GetBackLink(), nullptr);
  // A later member of a detached chain stays where it is.
  Box c("c", &log, 0, 0, 0, 0, 1, 10, 10);
  c.VTLink::InsertAfter(&b);
  c.SetLayer(0, false);
  EXPECT_EQ(b.GetNextSibling(), &c);
}

TEST_F(GraphicObjectTest, LinkingIntoOwnSubtreeOnlyDetaches) {
  Box p("p", &log, 0, 0, 0, 0, 0, 10, 10);
  auto child = MakeBox("k", &log, &p, 0, 0, 5, 5);
  p.AddChild(child.get());
  EXPECT_EQ(p.GetBackLink(), nullptr);
  EXPECT_EQ(child->GetParent(), &p);
  p.AddChild(&p);
  EXPECT_EQ(p.GetFirstChild(), child.get());
}

// ---------------------------------------------------------------------------
// Geometry, visibility and search

TEST_F(GraphicObjectTest, GlobalGeometryAndSixteenBitEdges) {
  FakeWindow root(&log);
  root.StoreBounds(VRect(5, 7, 645, 487));
  auto p = MakeBox("p", &log, &root, 10, 20, 200, 100);
  auto k = MakeBox("k", &log, p.get(), 3, 4, 30, 40);
  VPoint origin;
  k->GetGlobalOrigin(origin, true);
  EXPECT_EQ(origin, VPoint(18, 31));
  k->GetGlobalOrigin(origin, false);
  EXPECT_EQ(origin, VPoint(3, 4));
  VRect g;
  k->GetGlobalBounds(g);
  EXPECT_EQ(g, VRect(18, 31, 48, 71));
  EXPECT_EQ(k->GetLeft(true), 18);
  EXPECT_EQ(k->GetTop(true), 31);
  EXPECT_EQ(k->GetRight(true), 48);
  EXPECT_EQ(k->GetRight(false), 33);
  EXPECT_EQ(GetObjectBottom(k.get(), true), 71);
  EXPECT_EQ(GetObjectBottom(k.get(), false), 44);
  EXPECT_EQ(GetObjectBottom(nullptr, true), 0);
  k->SetHeight(10);
  k->SetWidth(5);
  EXPECT_EQ(k->GetBounds(), VRect(3, 4, 8, 14));
  k->StoreBounds(VRect(40000, 0, 40010, 10));
  EXPECT_EQ(k->GetLeft(false), static_cast<int16_t>(40000));  // 16-bit result
}

TEST_F(GraphicObjectTest, ShownAndEnabledFollowTheAncestors) {
  Box root("root", &log, 0, 1, 0, 0, 0, 100, 100);
  auto p = MakeBox("p", &log, &root, 0, 0, 50, 50);
  auto k = MakeBox("k", &log, p.get(), 0, 0, 10, 10);
  struct Row {
    bool rootVisible, pVisible, kVisible, pEnabled, kEnabled;
    bool shown, enabled;
  };
  const Row rows[] = {
      {true, true, true, true, true, true, true},    {true, false, true, true, true, false, false},
      {false, true, true, true, true, false, false}, {true, true, false, true, true, false, false},
      {true, true, true, false, true, true, false},  {true, true, true, true, false, true, false},
  };
  for (const Row& r : rows) {
    root.StoreVisibleFlagForTest(r.rootVisible);
    p->StoreVisibleFlagForTest(r.pVisible);
    k->StoreVisibleFlagForTest(r.kVisible);
    p->SetEnabled(r.pEnabled);
    k->SetEnabled(r.kEnabled);
    EXPECT_EQ(k->IsShown(), r.shown);
    EXPECT_EQ(k->IsEnabled(), r.enabled);
  }
  EXPECT_TRUE(k->SetEnabled(true) == false);  // returns the old value
  k->Disable();
  EXPECT_FALSE(k->IsEnabledFlagSet());
}

TEST_F(GraphicObjectTest, VisibleExtentAndTotalBounds) {
  FakeWindow root(&log);
  auto a = MakeBox("a", &log, &root, 10, 10, 100, 100);
  auto a1 = MakeBox("a1", &log, a.get(), 90, 90, 50, 50);   // pokes out of a
  auto a2 = MakeBox("a2", &log, a.get(), -20, 0, 10, 10);   // hidden, left of a
  auto a21 = MakeBox("a21", &log, a2.get(), -10, 0, 5, 5);  // visible flag set under a hidden one
  a2->Hide(false);
  VRect r;
  a->GetVisibleExtent(r);
  EXPECT_EQ(r, VRect(-20, 10, 150, 150));  // a, a1, and a21 reached through hidden a2
  EXPECT_TRUE(a->GetTotalBounds(r) == false);
  EXPECT_EQ(r, VRect(-20, 10, 150, 150));
  a->SetClipsChildren(true);
  a->GetVisibleExtent(r);
  EXPECT_EQ(r, VRect(10, 10, 110, 110));
  EXPECT_TRUE(a->GetTotalBounds(r));
  EXPECT_EQ(r, VRect(10, 10, 110, 110));
  a1->GetVisibleExtent(r);
  EXPECT_EQ(r, VRect(100, 100, 110, 110));  // cut to the clipping parent
  a1->GetVisibleGlobalBounds(r);
  EXPECT_EQ(r, VRect(100, 100, 110, 110));
  a2->GetVisibleExtent(r);
  EXPECT_TRUE(r.IsEmpty());
  a21->GetVisibleExtent(r);
  EXPECT_TRUE(r.IsEmpty());  // its parent is not shown
}

TEST_F(GraphicObjectTest, VisibleRectIsTheIntersectionOfClippingAncestors) {
  Box root("root", &log, 0, 1, 0, 0, 0, 640, 480);
  auto p = MakeBox("p", &log, &root, 100, 100, 200, 200);
  auto q = MakeBox("q", &log, p.get(), 50, -50, 200, 100);
  auto k = MakeBox("k", &log, q.get(), 0, 0, 10, 10);
  VRect r(1, 2, 3, 4);
  EXPECT_FALSE(k->GetVisibleRect(r));
  EXPECT_EQ(r, VRect(1, 2, 3, 4));  // untouched
  p->SetClipsChildren(true);
  q->SetClipsChildren(true);
  ASSERT_TRUE(k->GetVisibleRect(r));
  EXPECT_EQ(r, VRect(150, 100, 300, 150));
  q->StoreBounds(VRect(500, 0, 600, 10));  // disjoint from p
  ASSERT_TRUE(k->GetVisibleRect(r));
  EXPECT_TRUE(r.IsEmpty());
}

TEST_F(GraphicObjectTest, FindByIdFrontmostAndCoveringAncestor) {
  FakeWindow root(&log);
  auto p = MakeBox("p", &log, &root, 0, 0, 300, 300, 0, 10);
  auto x = MakeBox("x", &log, p.get(), 10, 10, 50, 50, 0, 11);
  auto q = MakeBox("q", &log, &root, 20, 20, 100, 100, 1, 12);
  auto h = MakeBox("h", &log, &root, 0, 0, 640, 480, 2, 13);
  h->Hide(false);
  EXPECT_EQ(root.FindObject(11), x.get());
  EXPECT_EQ(root.FindObject(1), &root);
  EXPECT_EQ(p->FindById(12, false), nullptr);
  EXPECT_EQ(p->FindById(12, true), q.get());
  EXPECT_EQ(root.FindObject(99), nullptr);

  EXPECT_EQ(root.FindFrontmostInRect(VRect(30, 30, 40, 40)), q.get());  // h is hidden
  EXPECT_EQ(root.FindFrontmostInRect(VRect(11, 11, 15, 15)), x.get());
  EXPECT_EQ(root.FindFrontmostInRect(VRect(200, 200, 210, 210)), p.get());
  EXPECT_EQ(root.FindFrontmostInRect(VRect(400, 400, 410, 410)), &root);
  EXPECT_EQ(root.FindFrontmostInRect(VRect(700, 700, 710, 710)), nullptr);

  EXPECT_EQ(x->FindCoveringAncestor(VRect(10, 10, 60, 60)), p.get());  // q overlaps
  EXPECT_EQ(x->FindCoveringAncestor(VRect(10, 10, 15, 15)), x.get());
}

// ---------------------------------------------------------------------------
// Drawing with a port: pre-order, clipping, visibility

class DrawTest : public GraphicObjectTest {
 protected:
  // root (0,0,640,480)
  //   a  (10,10)-(110,110) layer 0, clips
  //     a1 (60,60)-(160,160) layer 0   -> clipped to a
  //     a2 (10,10)-(30,30)   layer 1
  //   b  (200,10)-(250,60)   layer 1
  //   h  (300,10)-(350,60)   layer 2, hidden, child h1
  //   c  (400,10)-(450,60)   layer 3
  void SetUp() override {
    GraphicObjectTest::SetUp();
    root = std::make_unique<FakeWindow>(&log);
    a = MakeBox("a", &log, root.get(), 10, 10, 100, 100, 0);
    a->SetClipsChildren(true);
    a1 = MakeBox("a1", &log, a.get(), 50, 50, 100, 100, 0);
    a2 = MakeBox("a2", &log, a.get(), 0, 0, 20, 20, 1);
    b = MakeBox("b", &log, root.get(), 200, 10, 50, 50, 1);
    h = MakeBox("h", &log, root.get(), 300, 10, 50, 50, 2);
    h1 = MakeBox("h1", &log, h.get(), 0, 0, 10, 10, 0);
    h->Hide(false);
    c = MakeBox("c", &log, root.get(), 400, 10, 50, 50, 3);
    log.clear();
  }
  void TearDown() override {
    c.reset();
    h1.reset();
    h.reset();
    b.reset();
    a2.reset();
    a1.reset();
    a.reset();
    root.reset();
    GraphicObjectTest::TearDown();
  }
  std::unique_ptr<FakeWindow> root;
  std::unique_ptr<Box> a, a1, a2, b, h, h1, c;
  FakePort port{"P"};
};

TEST_F(DrawTest, TreeDrawsInPreOrderCutToTheUpdateRectangle) {
  struct Row {
    const char* what;
    bool hasUpdate;
    VRect update;
    Log expected;
  };
  const std::vector<Row> rows = {
      {"everything",
       false,
       {},
       {"root (0,0,640,480) P", "a (10,10,110,110) P", "a1 (60,60,110,110) P", "a2 (10,10,30,30) P",
        "b (200,10,250,60) P", "c (400,10,450,60) P"}},
      {"a strip",
       true,
       VRect(0, 0, 220, 40),
       {"root (0,0,220,40) P", "a (10,10,110,40) P", "a2 (10,10,30,30) P", "b (200,10,220,40) P"}},
      {"inside a1 only",
       true,
       VRect(100, 100, 105, 105),
       {"root (100,100,105,105) P", "a (100,100,105,105) P", "a1 (100,100,105,105) P"}},
      {"outside a, inside a1's bounds", true, VRect(120, 120, 130, 130), {"root (120,120,130,130) P"}},
      {"empty update draws nothing", true, VRect(10, 10, 10, 20), {}},
  };
  for (const Row& row : rows) {
    log.clear();
    root->Draw(AsPort(&port), row.hasUpdate ? &row.update : nullptr, true, true);
    EXPECT_EQ(log, row.expected) << row.what;
  }
}

TEST_F(DrawTest, HiddenObjectStillDrawsItsFollowingSiblings) {
  h->Draw(AsPort(&port), nullptr, true, false);
  EXPECT_EQ(log, (Log{"c (400,10,450,60) P"}));
  log.clear();
  h->Draw(AsPort(&port), nullptr, false, false);
  EXPECT_TRUE(log.empty());
  log.clear();
  // The child of a hidden object draws nothing either when asked directly.
  h1->Draw(AsPort(&port), nullptr, false, false);
  EXPECT_TRUE(log.empty());
}

TEST_F(DrawTest, ClipToAncestorsCutsAChildDrawnDirectly) {
  a1->Draw(AsPort(&port), nullptr, false, true);
  EXPECT_EQ(log, (Log{"a1 (60,60,110,110) P"}));
  log.clear();
  a1->Draw(AsPort(&port), nullptr, false, false);
  EXPECT_EQ(log, (Log{"a1 (60,60,160,160) P"}));
  log.clear();
  VRect outside(120, 120, 130, 130);
  a1->Draw(AsPort(&port), &outside, false, true);
  EXPECT_TRUE(log.empty());
}

TEST_F(DrawTest, EveryDrawChecksTheColourTableAndRedrawsTransitionsWhenAPortIsUsed) {
  RecordingBackend backend(&log);
  backend.logTransitions = true;
  VRect update(400, 10, 410, 20);
  c->Draw(AsPort(&port), &update, true, false);
  EXPECT_EQ(log, (Log{"c (400,10,410,20) P", "transitions P (400,10,410,20)"}));
  EXPECT_EQ(backend.colorTableChecks, 1);
}

// ---------------------------------------------------------------------------
// Redraws asked by an object itself (no port): who repaints, with which port

TEST_F(DrawTest, OpaqueObjectRedrawsThroughAPortOnTheOffscreenMapAndCopiesItsExtent) {
  a->Redraw(nullptr, nullptr);
  EXPECT_EQ(log, (Log{"port map0", "a (10,10,110,110) map0", "a1 (60,60,110,110) map0", "a2 (10,10,30,30) map0",
                      "b (200,10,250,60) map0", "c (400,10,450,60) map0", "finish map0 copy (10,10,110,110)"}));
}

TEST_F(DrawTest, WithoutAnOffscreenMapTheRedrawGoesToTheWindowAndCopiesNothing) {
  root->hasOffscreenMap = false;
  VRect update(400, 10, 420, 30);
  c->Redraw(nullptr, &update);
  EXPECT_EQ(log, (Log{"port win0", "c (400,10,420,30) win0", "finish win0"}));
  log.clear();
  root->canMakeWindowPort = false;
  c->Redraw(nullptr, &update);
  EXPECT_TRUE(log.empty());
}

TEST_F(DrawTest, TransparentObjectHasTheRootRepaintItsExtent) {
  a->SetTransparent(true);
  a->Redraw(nullptr, nullptr);
  EXPECT_EQ(log, (Log{"port map0", "root (10,10,110,110) map0", "a (10,10,110,110) map0", "a1 (60,60,110,110) map0",
                      "a2 (10,10,30,30) map0", "finish map0 copy (10,10,110,110)"}));
}

TEST_F(DrawTest, TransparentRootDrawsItself) {
  root->SetTransparent(true);
  VRect update(0, 0, 5, 5);
  root->Redraw(nullptr, &update);
  EXPECT_EQ(log, (Log{"port map0", "root (0,0,5,5) map0", "finish map0 copy (0,0,5,5)"}));
}

TEST_F(DrawTest, CoveredObjectHasTheCoveredAncestorRepaint) {
  // a2 sits inside a; b is moved over a's corner, so b covers part of a.
  b->StoreBounds(VRect(20, 20, 60, 60));
  a2->Redraw(nullptr, nullptr);
  EXPECT_EQ(log, (Log{"port map0", "a (10,10,30,30) map0", "a2 (10,10,30,30) map0", "b (20,20,30,30) map0",
                      "finish map0 copy (10,10,30,30)"}));
}

TEST_F(DrawTest, RedrawOfAnObjectOutsideTheClipDrawsNothing) {
  VRect outside(120, 120, 130, 130);
  a1->Redraw(nullptr, &outside);
  EXPECT_TRUE(log.empty());
}

// ---------------------------------------------------------------------------
// Invalidation

TEST_F(DrawTest, InvalidateAndValidateUseTheVisibleExtent) {
  auto b1 = MakeBox("b1", &log, b.get(), 60, 0, 10, 10);  // outside b, b does not clip
  struct Row {
    const char* what;
    VGraphicObject* object;
    bool hasRect;
    VRect rect;
    Log expected;
  };
  VRect cut(0, 0, 50, 50);
  const std::vector<Row> rows = {
      {"clipping parent: own bounds", a.get(), false, {}, {"invalidate (10,10,110,110)"}},
      {"child cut to its clipping parent", a1.get(), false, {}, {"invalidate (60,60,110,110)"}},
      {"children outside add to the extent", b.get(), false, {}, {"invalidate (200,10,270,60)"}},
      {"hidden object: nothing", h.get(), false, {}, {}},
      {"child of hidden object: nothing", h1.get(), false, {}, {}},
      {"cut to the given rectangle", a.get(), true, cut, {"invalidate (10,10,50,50)"}},
      {"given rectangle elsewhere: nothing", b.get(), true, cut, {}},
  };
  for (const Row& row : rows) {
    log.clear();
    row.object->Invalidate(row.hasRect ? &row.rect : nullptr);
    EXPECT_EQ(log, row.expected) << row.what;
  }
  b1->Hide(false);
  log.clear();
  b->Invalidate();
  b->Validate();
  EXPECT_EQ(log, (Log{"invalidate (200,10,250,60)", "validate (200,10,250,60)"}));
  b1.reset();
}

TEST_F(DrawTest, EraseBackgroundFillsTheVisibleExtentWithTheBackgroundColour) {
  RecordingBackend backend(&log);
  VGraphicObject::SetBackgroundColor(VRGBColor(1, 2, 3));
  b->EraseBackground(AsPort(&port));
  b->EraseBackground(nullptr);
  h->EraseBackground(AsPort(&port));
  EXPECT_EQ(log, (Log{"fill P (200,10,250,60) rgb(1,2,3)", "port win0", "fill win0 (200,10,250,60) rgb(1,2,3)",
                      "finish win0"}));
}

// ---------------------------------------------------------------------------
// Moving

TEST_F(GraphicObjectTest, SetBoundsRedrawsOnlyWhenAFlagIsSetAndTheObjectIsShown) {
  struct Row {
    const char* what;
    int32_t dx, dy;
    bool redraw, force, hidden;
    VRect bounds;
    Log expected;
  };
  const std::vector<Row> rows = {
      {"no move, no force: nothing", 0, 0, true, false, false, VRect(100, 100, 150, 150), {}},
      {"forced in place: the root repaints it",
       0,
       0,
       false,
       true,
       false,
       VRect(100, 100, 150, 150),
       {"port map0", "root (100,100,150,150) map0", "m (100,100,150,150) map0", "finish map0 copy (100,100,150,150)"}},
      {"overlapping move: the root repaints the union",
       10,
       0,
       true,
       false,
       false,
       VRect(110, 100, 160, 150),
       {"port map0", "root (100,100,160,150) map0", "m (110,100,160,150) map0", "finish map0 copy (100,100,160,150)"}},
      {"far move: old area from the root, new area by the object",
       200,
       0,
       true,
       false,
       false,
       VRect(300, 100, 350, 150),
       {"port map0", "root (100,100,150,150) map0", "finish map0 copy (100,100,150,150)", "port map1",
        "m (300,100,350,150) map1", "finish map1 copy (300,100,350,150)"}},
      {"no flag: moved without a redraw", 10, 5, false, false, false, VRect(110, 105, 160, 155), {}},
      {"hidden: moved without a redraw", 10, 5, true, true, true, VRect(110, 105, 160, 155), {}},
  };
  for (const Row& row : rows) {
    Log rowLog;
    FakeWindow root(&rowLog);
    auto m = MakeBox("m", &rowLog, &root, 100, 100, 50, 50);
    if (row.hidden) m->Hide(false);
    rowLog.clear();
    m->SetBounds(row.dx, row.dy, row.redraw, row.force);
    EXPECT_EQ(m->GetBounds(), row.bounds) << row.what;
    EXPECT_EQ(rowLog, row.expected) << row.what;
  }
}

TEST_F(GraphicObjectTest, MoveToTakesWindowOrParentCoordinates) {
  FakeWindow root(&log);
  auto p = MakeBox("p", &log, &root, 100, 50, 300, 300);
  auto k = MakeBox("k", &log, p.get(), 10, 10, 20, 20);
  k->MoveTo(VPoint(150, 60), true, false, false);
  EXPECT_EQ(k->GetBounds(), VRect(50, 10, 70, 30));
  k->MoveTo(VPoint(0, 0), false, false, false);
  EXPECT_EQ(k->GetBounds(), VRect(0, 0, 20, 20));
  EXPECT_TRUE(log.empty());
}

// ---------------------------------------------------------------------------
// Visibility

TEST_F(GraphicObjectTest, HidingRedrawsFromTheRootAndShowingRedrawsTheObjectAndWhatFollows) {
  FakeWindow root(&log);
  auto m = MakeBox("m", &log, &root, 100, 100, 50, 50, 0);
  auto m1 = MakeBox("m1", &log, m.get(), 40, 40, 20, 20);
  auto n = MakeBox("n", &log, &root, 120, 120, 50, 50, 1);
  log.clear();

  m->SetVisible(false, true);
  EXPECT_EQ(log, (Log{"m visibility", "m1 visibility", "n visibility", "port map0", "root (100,100,160,160) map0",
                      "n (120,120,160,160) map0", "finish map0 copy (100,100,160,160)"}));
  log.clear();
  m->SetVisible(false, true);  // no change: nothing
  EXPECT_TRUE(log.empty());

  m->SetVisible(true, true);
  EXPECT_EQ(log, (Log{"m visibility", "m1 visibility", "n visibility", "port map1", "m (100,100,150,150) map1",
                      "m1 (140,140,160,160) map1", "n (120,120,160,160) map1", "finish map1 copy (100,100,160,160)"}));
  log.clear();

  m->Hide(false);
  EXPECT_EQ(log, (Log{"m visibility", "m1 visibility", "n visibility"}));
  log.clear();
  // Under a hidden parent the child's flag changes nothing that shows.
  m1->SetVisible(false, true);
  m1->SetVisible(true, true);
  EXPECT_TRUE(log.empty());
  EXPECT_TRUE(m1->IsVisible());
}

// ---------------------------------------------------------------------------
// Hit tests

TEST_F(GraphicObjectTest, PointTestsIncludeTheRightAndBottomEdges) {
  Box root("root", &log, 0, 1, 0, 0, 0, 640, 480);
  auto p = MakeBox("p", &log, &root, 0, 0, 80, 480);
  auto k = MakeBox("k", &log, p.get(), 10, 20, 100, 50);  // (10,20)-(110,70)
  struct Row {
    VPoint point;
    bool clipped;
    bool inside;
  };
  const Row rows[] = {
      {{10, 20}, false, true}, {{110, 70}, false, true}, {{111, 70}, false, false}, {{110, 71}, false, false},
      {{9, 20}, false, false}, {{10, 19}, false, false}, {{60, 45}, false, true},   {{90, 45}, true, false},
      {{80, 45}, true, true},  {{10, 70}, true, true},
  };
  for (const Row& r : rows) {
    p->SetClipsChildren(r.clipped);
    EXPECT_EQ(k->ContainsPoint(r.point), r.inside) << r.point.x << "," << r.point.y << " clipped " << r.clipped;
  }
}

TEST_F(GraphicObjectTest, RectangleTestsExcludeTheEdges) {
  Box k("k", &log, 0, 0, 10, 20, 0, 100, 50);  // (10,20)-(110,70)
  struct Row {
    VRect rect;
    bool meets;
  };
  const Row rows[] = {
      {VRect(110, 20, 120, 30), false}, {VRect(109, 20, 120, 30), true}, {VRect(0, 0, 10, 20), false},
      {VRect(0, 0, 11, 21), true},      {VRect(50, 70, 60, 80), false},  {VRect(50, 50, 50, 60), false},
  };
  for (const Row& r : rows) EXPECT_EQ(k.IntersectsRect(r.rect), r.meets) << RectText(r.rect);
}

// ---------------------------------------------------------------------------
// Input routing

class InputTest : public GraphicObjectTest {
 protected:
  void SetUp() override {
    GraphicObjectTest::SetUp();
    root = std::make_unique<FakeWindow>(&log);
    a = MakeBox("a", &log, root.get(), 0, 0, 100, 100, 0);
    b = MakeBox("b", &log, root.get(), 50, 50, 100, 100, 1);
    log.clear();
  }
  void TearDown() override {
    b.reset();
    a.reset();
    root.reset();
    GraphicObjectTest::TearDown();
  }
  std::unique_ptr<FakeWindow> root;
  std::unique_ptr<Box> a, b;
};

TEST_F(InputTest, MouseDownGoesToTheFrontmostObjectUnderThePointFirst) {
  struct Row {
    VPoint point;
    bool aTakes, bTakes;
    bool taken;
    Log expected;
  };
  const std::vector<Row> rows = {
      {{60, 60}, false, false, false, {"b down", "a down", "root down"}},
      {{60, 60}, false, true, true, {"b down"}},
      {{60, 60}, true, false, true, {"b down", "a down"}},
      {{10, 10}, false, false, false, {"a down", "root down"}},
      {{100, 100}, false, false, false, {"b down", "a down", "root down"}},  // a's corner counts
      {{101, 101}, false, false, false, {"b down", "root down"}},
      {{600, 400}, false, false, false, {"root down"}},
  };
  for (const Row& r : rows) {
    log.clear();
    a->behaviour.takeMouseDown = r.aTakes;
    b->behaviour.takeMouseDown = r.bTakes;
    EXPECT_EQ(root->CaptureMouse(MouseAt(r.point.x, r.point.y)), r.taken);
    EXPECT_EQ(log, r.expected) << r.point.x << "," << r.point.y;
  }
  EXPECT_EQ(VGraphicObject::GetCapturedObject(), nullptr);
}

TEST_F(InputTest, EqualLayersGiveTheLaterAddedObjectInputLast) {
  auto e1 = MakeBox("e1", &log, root.get(), 300, 300, 10, 10, 5);
  auto e2 = MakeBox("e2", &log, root.get(), 300, 300, 10, 10, 5);
  log.clear();
  root->CaptureMouse(MouseAt(305, 305));
  EXPECT_EQ(log, (Log{"e1 down", "e2 down", "root down"}));
}

TEST_F(InputTest, HiddenOrDisabledObjectsTakeNoInput) {
  auto p = MakeBox("p", &log, root.get(), 200, 200, 100, 100, 2);
  auto k = MakeBox("k", &log, p.get(), 0, 0, 50, 50);
  k->behaviour.takeMouseDown = true;
  k->behaviour.takeKeys = true;
  log.clear();
  p->Hide(false);
  log.clear();
  EXPECT_FALSE(root->CaptureMouse(MouseAt(210, 210)));
  EXPECT_EQ(log, (Log{"root down"}));
  log.clear();
  EXPECT_FALSE(root->RouteKeyDown(VKeyEvent(0, 0x41)));
  EXPECT_EQ(log, (Log{"b keydown 65", "a keydown 65", "root keydown 65"}));
  p->SetVisible(true, false);
  p->Disable();
  log.clear();
  EXPECT_FALSE(root->CaptureMouse(MouseAt(210, 210)));
  EXPECT_EQ(log, (Log{"root down"}));  // neither the disabled p nor its child is offered the press
}

TEST_F(InputTest, AbsorbingObjectStopsInputOutsideItselfWhileShown) {
  auto z = MakeBox("z", &log, root.get(), 500, 0, 10, 10, 3);
  z->SetAbsorbsInput(true);
  log.clear();
  EXPECT_TRUE(root->CaptureMouse(MouseAt(60, 60)));
  EXPECT_TRUE(log.empty());
  EXPECT_TRUE(root->RouteKeyDown(VKeyEvent(0, 0x41)));
  EXPECT_EQ(log, (Log{"z keydown 65"}));
  log.clear();
  z->SetEnabled(false);
  EXPECT_TRUE(root->CaptureMouse(MouseAt(60, 60)));
  EXPECT_TRUE(log.empty());
  z->Hide(false);
  log.clear();
  EXPECT_FALSE(root->CaptureMouse(MouseAt(60, 60)));
  EXPECT_EQ(log, (Log{"b down", "a down", "root down"}));
}

TEST_F(InputTest, MessagesWithoutAnEventRecordAreNotTaken) {
  b->SetAbsorbsInput(true);
  EXPECT_FALSE(b->HandleMessage(kMessageMouseDown, 0, 0));
  EXPECT_FALSE(b->HandleMessage(kMessageMouseDown, 12345, 0));  // no such token
  VKeyEvent key(0, 0x41);
  ScopedMessagePointer keyToken(&key);
  EXPECT_FALSE(b->HandleMessage(kMessageMouseDown, keyToken.GetValue(), 0));  // wrong record type
  EXPECT_FALSE(b->HandleMessage(kMessageTick, keyToken.GetValue(), 0));
  EXPECT_FALSE(b->HandleMessage(kMessageVisibilityChanged, 0, 0));
  EXPECT_EQ(log, (Log{"b visibility"}));
}

TEST_F(InputTest, KeysGoPostOrderUntilOneIsTaken) {
  a->behaviour.takeKeys = true;
  EXPECT_TRUE(root->RouteKeyDown(VKeyEvent(0, 0x0D)));
  EXPECT_TRUE(root->RouteKeyUp(VKeyEvent(0, 0x0D)));
  EXPECT_EQ(log, (Log{"b keydown 13", "a keydown 13", "b keyup 13", "a keyup 13"}));
}

TEST_F(InputTest, FocusMovesBetweenObjectsAndDiesWithThem) {
  a->SetFocus(true);
  EXPECT_EQ(VGraphicObject::GetFocusedObject(), a.get());
  b->SetFocus(true);
  EXPECT_EQ(VGraphicObject::GetFocusedObject(), b.get());
  a->SetFocus(false);  // not the focused one: nothing
  EXPECT_EQ(VGraphicObject::GetFocusedObject(), b.get());
  b.reset();
  EXPECT_EQ(VGraphicObject::GetFocusedObject(), nullptr);
}

TEST_F(InputTest, CursorUpdateShowsTheCursorOfTheObjectUnderThePoint) {
  a->SetCursorId(105);
  b->SetCursorId(106);
  root->SetCursorId(107);
  root->RouteCursorUpdate(MouseAt(10, 10));
  EXPECT_EQ(GetShownCursor(), 105);
  root->RouteCursorUpdate(MouseAt(60, 60));
  EXPECT_EQ(GetShownCursor(), 106);
  root->RouteCursorUpdate(MouseAt(600, 400));
  EXPECT_EQ(GetShownCursor(), 107);
  // Outside every object (even the root): nobody takes it, the root's shows.
  root->RouteCursorUpdate(MouseAt(700, 10));
  EXPECT_EQ(GetShownCursor(), 107);
  // A mouse move outside the root resets the shown cursor to the default.
  EXPECT_TRUE(root->RouteMouseMove(MouseAt(700, 10)));
  EXPECT_EQ(GetShownCursor(), GetPendingCursor());
}

// ---------------------------------------------------------------------------
// Capture and dragging

TEST_F(InputTest, DraggingFollowsThePointerKeepingTheGrabOffset) {
  auto d = MakeBox("d", &log, root.get(), 300, 300, 50, 40, 9);
  d->SetDraggable(true);
  log.clear();
  ASSERT_TRUE(root->CaptureMouse(MouseAt(310, 305)));
  EXPECT_EQ(log, (Log{"d down", "os-capture"}));
  EXPECT_EQ(VGraphicObject::GetCapturedObject(), d.get());
  EXPECT_EQ(VGraphicObject::GetTrackingObject(), d.get());
  EXPECT_TRUE(d->IsPressedObject());
  EXPECT_EQ(VGraphicObject::GetDragOffset(), VPoint(-10, -5));

  log.clear();
  EXPECT_TRUE(root->RouteMouseMove(MouseAt(330, 325)));
  EXPECT_EQ(d->GetBounds(), VRect(320, 320, 370, 360));
  // The move redrew the union of the old and new areas from the root.
  EXPECT_EQ(log.front(), "port map0");
  EXPECT_EQ(log.back(), "finish map0 copy (300,300,370,360)");

  log.clear();
  EXPECT_TRUE(root->ReleaseMouse(MouseAt(330, 325)));
  EXPECT_EQ(log, (Log{"os-release", "d up"}));
  EXPECT_EQ(VGraphicObject::GetCapturedObject(), nullptr);
  EXPECT_EQ(VGraphicObject::GetTrackingObject(), nullptr);
  log.clear();
  EXPECT_FALSE(root->ReleaseMouse(MouseAt(330, 325)));
  EXPECT_EQ(log, (Log{"os-release"}));
}

TEST_F(InputTest, DragLimitsKeepTheObjectInsideWithoutSixteenBitWrap) {
  struct Row {
    VRect limits;
    VPoint pointer;  // grabbed at the object's top-left
    VPoint topLeft;
  };
  const std::vector<Row> rows = {
      {VRect(0, 0, 300, 300), {400, 400}, {250, 260}},  // right edge on the limits' right edge
      {VRect(0, 0, 300, 300), {-100, -100}, {0, 0}},
      {VRect(0, 0, 300, 300), {100, 120}, {100, 120}},
      {VRect(100, 100, 120, 120), {0, 0}, {70, 80}},  // narrower than the object: lowered wins
      {VRect(), {-50, 1000}, {-50, 1000}},            // empty limits: free
      {VRect(0, 0, 40000, 40000), {39990, 39990}, {39950, 39960}},
      {VRect(-40000, -40000, 0, 0), {-39990, -39995}, {-39990, -39995}},
  };
  for (const Row& r : rows) {
    auto d = MakeBox("d", &log, root.get(), 0, 0, 50, 40, 9);
    d->SetDraggable(true);
    d->SetDragLimits(r.limits);
    ASSERT_TRUE(d->MouseDown(MouseAt(0, 0)));
    d->MouseMove(MouseAt(r.pointer.x, r.pointer.y));
    EXPECT_EQ(VPoint(d->GetBounds().left, d->GetBounds().top), r.topLeft) << RectText(r.limits);
    EXPECT_TRUE(d->MouseUp(MouseAt(0, 0)));
    VGraphicObject::SetCapturedObject(nullptr);
  }
}

TEST_F(InputTest, OnlyADraggableObjectIsCapturedAndOnlyTheTrackingObjectMoves) {
  EXPECT_FALSE(root->CaptureMouse(MouseAt(10, 10)));
  EXPECT_EQ(VGraphicObject::GetCapturedObject(), nullptr);
  EXPECT_FALSE(a->MouseMove(MouseAt(20, 20)));
  EXPECT_FALSE(a->MouseUp(MouseAt(20, 20)));
  EXPECT_EQ(a->GetBounds(), VRect(0, 0, 100, 100));
}

TEST_F(InputTest, TheCapturedObjectSeesPressesAndMovesBeforeTheTree) {
  a->TakeMouseCapture();
  a->behaviour.takeMouseDown = true;
  a->behaviour.takeMouseMove = true;
  a->logMoves = true;
  EXPECT_TRUE(root->CaptureMouse(MouseAt(140, 140)));  // outside a: still a's
  EXPECT_TRUE(root->RouteMouseMove(MouseAt(140, 140)));
  EXPECT_EQ(log, (Log{"a down", "a move"}));
  log.clear();
  a->behaviour.takeMouseDown = false;
  a->behaviour.takeMouseMove = false;
  EXPECT_FALSE(root->CaptureMouse(MouseAt(140, 140)));
  EXPECT_EQ(log, (Log{"a down", "b down", "root down", "os-capture"}));  // still captured: the window holds the mouse
}

TEST_F(InputTest, DestroyingTheCapturedOrTrackingObjectEndsTheCapture) {
  auto d = MakeBox("d", &log, root.get(), 300, 300, 50, 40, 9);
  d->SetDraggable(true);
  ASSERT_TRUE(root->CaptureMouse(MouseAt(310, 310)));
  d.reset();
  EXPECT_EQ(VGraphicObject::GetCapturedObject(), nullptr);
  EXPECT_EQ(VGraphicObject::GetTrackingObject(), nullptr);
  EXPECT_FALSE(root->ReleaseMouse(MouseAt(310, 310)));

  // A tracking object whose capture was dropped elsewhere still clears itself.
  auto e = MakeBox("e", &log, root.get(), 300, 300, 50, 40, 9);
  e->SetDraggable(true);
  ASSERT_TRUE(root->CaptureMouse(MouseAt(310, 310)));
  VGraphicObject::SetCapturedObject(nullptr);
  e.reset();
  EXPECT_EQ(VGraphicObject::GetTrackingObject(), nullptr);
}

TEST_F(InputTest, ReleaseEndsTrackingEvenWhenAnOverridingMouseUpDidNot) {
  auto d = MakeBox("d", &log, root.get(), 300, 300, 50, 40, 9);
  d->SetDraggable(true);
  d->behaviour.takeMouseUp = true;  // does not call the base MouseUp
  ASSERT_TRUE(root->CaptureMouse(MouseAt(310, 310)));
  EXPECT_TRUE(root->ReleaseMouse(MouseAt(310, 310)));
  EXPECT_EQ(VGraphicObject::GetTrackingObject(), nullptr);
  log.clear();
  EXPECT_FALSE(d->MouseMove(MouseAt(0, 0)));
  EXPECT_EQ(d->GetBounds(), VRect(300, 300, 350, 340));
}

// ---------------------------------------------------------------------------
// Message pointers

TEST(MessagePointerTest, TokensResolveOnlyWhileLiveAndForTheRegisteredType) {
  VMouseEvent mouse(VPoint(1, 2), 0, kButtonLeft, 0);
  VKeyEvent key(0, 0x41);
  uint32_t outer = 0;
  {
    ScopedMessagePointer m(&mouse);
    outer = m.GetValue();
    EXPECT_NE(outer, 0u);
    EXPECT_EQ(MessagePointerAs<VMouseEvent>(outer), &mouse);
    EXPECT_EQ(MessagePointerAs<VKeyEvent>(outer), nullptr);
    {
      ScopedMessagePointer k(&key);
      EXPECT_NE(k.GetValue(), outer);
      EXPECT_EQ(MessagePointerAs<VKeyEvent>(k.GetValue()), &key);
      EXPECT_EQ(MessagePointerAs<VMouseEvent>(outer), &mouse);
    }
  }
  EXPECT_EQ(MessagePointerAs<VMouseEvent>(outer), nullptr);
  EXPECT_EQ(MessagePointerAs<VMouseEvent>(0), nullptr);
  ScopedMessagePointer none(static_cast<VMouseEvent*>(nullptr));
  EXPECT_EQ(none.GetValue(), 0u);
}

}  // namespace
