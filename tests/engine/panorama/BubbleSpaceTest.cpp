// Bubble space: normalisation onto the sphere, ordered children, hit tests
// across the seam and over the poles, mouse routing with capture and drags,
// the automatic id pool, control events, and composition of picture bubbles
// into the viewer's map in passes across the seams.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "engine/app/GraphicTestSupport.h"
#include "engine/app/MessagePointer.h"
#include "engine/controls/ControlEvents.h"
#include "engine/graphics/PixelMap.h"
#include "engine/graphics/VPicture.h"
#include "engine/panorama/BubbleViewControl.h"
#include "engine/panorama/PanoramaMap.h"
#include "engine/panorama/VPictureBubble.h"
#include "platform/Cursor.h"

namespace {

TEST(BubbleGeometry, PointsAndRectanglesNormaliseOntoTheSphere) {
  struct PointCase {
    float x, y, expectX, expectY;
  };
  const PointCase points[] = {
      {-0.5f, 0.0f, kBubbleTwoPi - 0.5f, 0.0f},
      {kBubbleTwoPi + 1.0f, 0.25f, 1.0f, 0.25f},
      {1.0f, 4.0f, 1.0f, 4.0f - kBubbleTwoPi},
      {1.0f, -kBubblePi, 1.0f, -kBubblePi},
      {1.0f, kBubblePi, 1.0f, -kBubblePi},
      {std::nanf(""), INFINITY, 0.0f, 0.0f},
  };
  for (const PointCase& c : points) {
    VFPoint p{c.x, c.y};
    NormalizeBubblePoint(p);
    EXPECT_NEAR(p.x, c.expectX, 1e-5) << c.x << "," << c.y;
    EXPECT_NEAR(p.y, c.expectY, 1e-5) << c.x << "," << c.y;
  }
  struct RectCase {
    VFRect in, expect;
  };
  const RectCase rects[] = {
      // 2pi wide or wider: the whole turn.
      {VFRect(-1.0f, 0.0f, 7.0f, 0.5f), VFRect(0.0f, 0.0f, kBubbleTwoPi, 0.5f)},
      {VFRect(-0.5f, 0.0f, 0.5f, 0.5f), VFRect(kBubbleTwoPi - 0.5f, 0.0f, kBubbleTwoPi + 0.5f, 0.5f)},
      // 2pi high or higher: pole to pole and round again, -pi to pi.
      {VFRect(1.0f, -4.0f, 2.0f, 3.0f), VFRect(1.0f, -kBubblePi, 2.0f, kBubblePi)},
      {VFRect(1.0f, -1.0f, 2.0f, kBubbleTwoPi - 1.0f), VFRect(1.0f, -kBubblePi, 2.0f, kBubblePi)},
      {VFRect(1.0f, 5.0f, 2.0f, 12.0f), VFRect(1.0f, -kBubblePi, 2.0f, kBubblePi)},
      {VFRect(-3.0f, -10.0f, 5.0f, 10.0f), VFRect(0.0f, -kBubblePi, kBubbleTwoPi, kBubblePi)},
      // Lower: the top is wrapped and the height kept.
      {VFRect(0.5f, 4.0f, 1.0f, 5.0f), VFRect(0.5f, 4.0f - kBubbleTwoPi, 1.0f, 5.0f - kBubbleTwoPi)},
      {VFRect(0.5f, -1.0f, 1.0f, 5.0f), VFRect(0.5f, -1.0f, 1.0f, 5.0f)},
  };
  for (const RectCase& c : rects) {
    VFRect r = c.in;
    NormalizeBubbleRect(r);
    const std::string in = std::to_string(c.in.left) + "," + std::to_string(c.in.top) + "," +
                           std::to_string(c.in.right) + "," + std::to_string(c.in.bottom);
    EXPECT_NEAR(r.left, c.expect.left, 1e-5) << in;
    EXPECT_NEAR(r.top, c.expect.top, 1e-5) << in;
    EXPECT_NEAR(r.right, c.expect.right, 1e-5) << in;
    EXPECT_NEAR(r.bottom, c.expect.bottom, 1e-5) << in;
  }
}

TEST(BubbleGeometry, RectangleOperations) {
  const VFRect a(0.0f, 0.0f, 1.0f, 1.0f);
  EXPECT_TRUE(frect::Intersects(a, VFRect(0.5f, 0.5f, 2.0f, 2.0f)));
  EXPECT_FALSE(frect::Intersects(a, VFRect(1.0f, 0.0f, 2.0f, 1.0f))) << "touching edges do not overlap";
  EXPECT_TRUE(frect::ContainsPoint(a, 1.0f, 1.0f));
  EXPECT_FALSE(frect::ContainsPointHalfOpen(a, 1.0f, 0.5f));
  VFRect u;
  frect::Union(u, a);
  EXPECT_EQ(u, a);
  frect::Union(u, VFRect());
  EXPECT_EQ(u, a);
  frect::Union(u, VFRect(2.0f, -1.0f, 3.0f, 0.5f));
  EXPECT_EQ(u, VFRect(0.0f, -1.0f, 3.0f, 1.0f));
}

class Node : public VBubble {
 public:
  Node(uint32_t id, const VFRect& bounds, int32_t order, VBubble* parent)
      : VBubble(1, id, bounds, 1.0f, order, parent) {}
};

std::vector<uint32_t> ChildIds(VBubble& parent) {
  std::vector<uint32_t> ids;
  for (auto* c = parent.FirstChildObject(); c != nullptr; c = c->NextObject()) ids.push_back(c->GetId());
  return ids;
}

TEST(BubbleTree, ChildrenStaySortedByOrderAndANewOneGoesBeforeEqualOrders) {
  Node root(100, VFRect(0, 0, 1, 1), 0, nullptr);
  new Node(1, VFRect(0, 0, 1, 1), 1, &root);
  new Node(3, VFRect(0, 0, 1, 1), 3, &root);
  new Node(2, VFRect(0, 0, 1, 1), 2, &root);
  EXPECT_EQ(ChildIds(root), (std::vector<uint32_t>{1, 2, 3}));
  new Node(33, VFRect(0, 0, 1, 1), 3, &root);
  EXPECT_EQ(ChildIds(root), (std::vector<uint32_t>{1, 2, 33, 3}));
  new Node(0, VFRect(0, 0, 1, 1), -5, &root);
  EXPECT_EQ(ChildIds(root), (std::vector<uint32_t>{0, 1, 2, 33, 3}));
  EXPECT_EQ(root.FindById(33, false)->GetId(), 33u);
  EXPECT_EQ(root.FindById(77, false), nullptr);
  EXPECT_EQ(root.RemoveBubble(2, true), nullptr);
  EXPECT_EQ(ChildIds(root), (std::vector<uint32_t>{0, 1, 33, 3}));
  VBubble* taken = root.RemoveBubble(33, false);
  ASSERT_NE(taken, nullptr);
  EXPECT_EQ(ChildIds(root), (std::vector<uint32_t>{0, 1, 3}));
  delete taken;
}

TEST(BubbleTree, HitTestsWrapAcrossTheSeamAndAreMirroredOverThePoles) {
  Node seam(1, VFRect(6.0f, -0.2f, 6.5f, 0.2f), 0, nullptr);
  EXPECT_TRUE(seam.ContainsPoint(0.1f, 0.0f)) << "0.1 + 2pi lies in 6.0..6.5";
  EXPECT_TRUE(seam.ContainsPoint(6.2f, 0.0f));
  EXPECT_FALSE(seam.ContainsPoint(0.3f, 0.0f));
  EXPECT_FALSE(seam.ContainsPoint(0.1f, 0.5f));
  // Reaching over the upper pole: the far side of the pole is part of it.
  Node cap(2, VFRect(1.0f, -1.7f, 1.2f, -1.5f), 0, nullptr);
  EXPECT_TRUE(cap.ContainsPoint(1.1f + kBubblePi, -1.5f));
  EXPECT_FALSE(cap.ContainsPoint(1.1f + kBubblePi, -1.3f));
  Node floor(3, VFRect(4.0f, 1.5f, 4.4f, 1.8f), 0, nullptr);
  EXPECT_TRUE(floor.ContainsPoint(4.2f - kBubblePi, 1.5f));
}

BubbleMouseEvent At(float x, float y) {
  BubbleMouseEvent e;
  e.x = x;
  e.y = y;
  e.buttons = 1;
  return e;
}

TEST(BubbleTree, AClickOnAHiddenOrDisabledBranchIsTakenOnlyWhenTheObjectAbsorbsIt) {
  struct Case {
    bool hidden;
    bool parentDisabled;
    bool absorbs;
    bool taken;
  };
  const Case cases[] = {{true, false, false, false}, {false, true, false, false}, {true, false, true, true},
                        {false, true, true, true},   {false, false, false, false}};
  for (const Case& c : cases) {
    Node parent(1, VFRect(0, 0, 1, 1), 0, nullptr);
    auto* child = new Node(2, VFRect(0, 0, 1, 1), 0, &parent);
    child->SetVisible(!c.hidden, false);
    parent.SetEnabled(!c.parentDisabled);
    child->SetAbsorbsMouse(c.absorbs);
    const BubbleMouseEvent e = At(0.5f, 0.5f);
    ScopedMessagePointer token(&e);
    // A plain node does not act on a press (it is not draggable).
    EXPECT_EQ(child->HandleMessage(kMessageMouseDown, token.GetValue(), 0), c.taken)
        << c.hidden << c.parentDisabled << c.absorbs;
    EXPECT_FALSE(child->HandleMessage(kMessageMouseDown, 0, 0)) << "no record, not taken";
  }
}

TEST(BubbleIds, AutomaticIdsWrapAndTheSearchEndsWhenAllAreInUse) {
  VBubble::ResetBubbleIdPool();
  EXPECT_EQ(VBubble::AllocateBubbleId(), 24579u);
  for (uint32_t i = 1; i < VBubble::kAutomaticIdCount; ++i) ASSERT_NE(VBubble::AllocateBubbleId(), 0u);
  EXPECT_EQ(VBubble::AllocateBubbleId(), 0u) << "all 2048 in use";
  VBubble::FreeBubbleId(24579);
  EXPECT_EQ(VBubble::AllocateBubbleId(), 24579u);
  VBubble::ResetBubbleIdPool();
  {
    Node a(VBubble::kAutomaticId, VFRect(), 0, nullptr);
    EXPECT_EQ(a.GetId(), 24579u);
  }
  Node b(VBubble::kAutomaticId, VFRect(), 0, nullptr);
  EXPECT_EQ(b.GetId(), 24580u) << "the search goes on after the last id handed out";
  VBubble::ResetBubbleIdPool();
}

// A viewer over the tour's space: 0..2pi by -pi/2..pi/2.
std::unique_ptr<BubbleViewControl> MakeViewer(int width = 320, int height = 240) {
  return std::make_unique<BubbleViewControl>(1, 0, VFRect(0.0f, -kBubbleHalfPi, kBubbleTwoPi, kBubbleHalfPi), 0, 0, 0,
                                             width, height, nullptr);
}

// A solid bubble; y is given from the horizon (the root's top-left is the upper pole).
VPictureBubble* Solid(BubbleViewControl& viewer, const VRGBColor& color, float left, float right, float top,
                      float bottom, float resolution, int32_t order = 0) {
  return new VPictureBubble(VBubble::kAutomaticId, color,
                            VFRect(left, top + kBubbleHalfPi, right, bottom + kBubbleHalfPi), resolution, order,
                            viewer.GetRoot());
}

uint32_t MapPixel(PanoramaMap& map, int x, int y) {
  uint32_t v;
  std::memcpy(&v, map.GetPixels() + static_cast<size_t>(y) * map.GetRowBytes() + static_cast<size_t>(x) * 4, 4);
  return v & 0xFFFFFF;
}

TEST(PictureBubbles, ABubbleAcrossTheSeamIsComposedInTwoPieces) {
  auto viewer = MakeViewer();
  const float r = 2048 / kBubbleTwoPi;
  Solid(*viewer, VRGBColor(0, 0, 0), 0.0f, kBubbleTwoPi, -kBubbleHalfPi, kBubbleHalfPi, r);
  Solid(*viewer, VRGBColor(255, 0, 0), 6.0f, 7.0f, -0.1f, 0.1f, r, 1);
  ASSERT_TRUE(viewer->PreparePanoramaMap(32, 8));
  PanoramaMap* map = viewer->GetPanoramaMap();
  ASSERT_NE(map, nullptr);
  ASSERT_EQ(map->GetWidth(), 2048);
  const int row = map->GetComposedRows() / 2;
  const int start = static_cast<int>(6.0f * r + 0.5f);
  const int end = static_cast<int>((7.0f - kBubbleTwoPi) * r + 0.5f);
  EXPECT_EQ(MapPixel(*map, start, row), 0xFF0000u);
  EXPECT_EQ(MapPixel(*map, 2047, row), 0xFF0000u);
  EXPECT_EQ(MapPixel(*map, 0, row), 0xFF0000u);
  EXPECT_EQ(MapPixel(*map, end - 1, row), 0xFF0000u);
  EXPECT_EQ(MapPixel(*map, end + 1, row), 0u);
  EXPECT_EQ(MapPixel(*map, start - 2, row), 0u);
  EXPECT_EQ(MapPixel(*map, 1000, row), 0u);
  EXPECT_EQ(MapPixel(*map, 0, row - 100), 0u) << "only the bubble's rows";
}

TEST(PictureBubbles, ABubbleFarCoarserThanTheRootIsNotDrawnAFinerOneIs) {
  auto viewer = MakeViewer();
  const float r = 1024 / kBubbleTwoPi;
  Solid(*viewer, VRGBColor(0, 0, 0), 0.0f, kBubbleTwoPi, -kBubbleHalfPi, kBubbleHalfPi, r);
  // Bubbles get the resolution of their picture's whole pixels.
  auto* coarse = Solid(*viewer, VRGBColor(0, 255, 0), 1.0f, 3.0f, -0.2f, 0.2f, r / 50.0f, 1);
  auto* fine = Solid(*viewer, VRGBColor(0, 0, 255), 3.0f, 3.5f, -0.2f, 0.2f, r * 3.5f, 1);
  ASSERT_TRUE(viewer->PreparePanoramaMap(32, 8));
  PanoramaMap* map = viewer->GetPanoramaMap();
  // The finest bubble decides the map's resolution: 3.5 x 1024 columns, up to a power of two.
  ASSERT_EQ(map->GetWidth(), 4096);
  const float mr = 4096 / kBubbleTwoPi;
  EXPECT_GT(mr / coarse->GetResolution(), 101.0f);
  EXPECT_LT(mr / fine->GetResolution(), 1.5f);
  const int row = map->GetComposedRows() / 2;
  EXPECT_EQ(MapPixel(*map, static_cast<int>(2.0f * mr), row), 0u) << "a ratio above 101 is not drawn";
  EXPECT_EQ(MapPixel(*map, static_cast<int>(3.25f * mr), row), 0x0000FFu);
}

// A bubble that records the control events reaching it from its children.
class Recorder : public VBubble {
 public:
  explicit Recorder(VBubble* parent) : VBubble(1, 500, VFRect(0.0f, 0.0f, kBubbleTwoPi, kBubblePi), 0.0f, 0, parent) {}
  bool HandleEvent(uint32_t code, uint32_t value1, uint32_t /*value2*/) override {
    events.push_back({code, value1});
    return true;
  }
  std::vector<std::pair<uint32_t, uint32_t>> events;
};

TEST(PictureBubbles, PressAndReleaseInsideReportPressedAndReleasedUpTheEventTree) {
  auto viewer = MakeViewer();
  auto* recorder = new Recorder(viewer->GetRoot());
  const float r = 512 / kBubbleTwoPi;
  auto* bubble = new VPictureBubble(VBubble::kAutomaticId, VRGBColor(9, 9, 9), VFRect(1.0f, 1.0f, 2.0f, 2.0f), r, 0,
                                    recorder);
  ASSERT_TRUE(viewer->PreparePanoramaMap(16, GetDefaultPixelFormat(16)));
  VBubbleSpaceGraphicObject* root = viewer->GetRoot();
  // Absolute points: the root's top-left is (0, -pi/2).
  EXPECT_TRUE(root->CaptureMouse(At(1.5f, 1.5f - kBubbleHalfPi)));
  EXPECT_EQ(VBubbleSpaceGraphicObject::GetCapturedObject(), bubble) << "the bubble captures to get the release";
  EXPECT_TRUE(root->ReleaseMouse(At(1.6f, 1.5f - kBubbleHalfPi)));
  EXPECT_EQ(VBubbleSpaceGraphicObject::GetCapturedObject(), nullptr);
  ASSERT_EQ(recorder->events.size(), 2u);
  EXPECT_EQ(recorder->events[0].first, static_cast<uint32_t>(kEventPressed));
  EXPECT_EQ(recorder->events[1].first, static_cast<uint32_t>(kEventReleased));
  EXPECT_EQ(recorder->events[0].second, bubble->GetId());
  EXPECT_NEAR(bubble->GetClickPoint().x, 0.6f, 1e-5);
  // A release outside reports nothing.
  recorder->events.clear();
  root->CaptureMouse(At(1.5f, 1.5f - kBubbleHalfPi));
  root->ReleaseMouse(At(4.0f, 0.0f));
  ASSERT_EQ(recorder->events.size(), 1u);
  // A press elsewhere reaches no bubble.
  EXPECT_FALSE(root->CaptureMouse(At(4.0f, 0.0f)));
}

TEST(PictureBubbles, ADraggedBubbleFollowsThePointerInsideItsLimitsAndReportsTheDrag) {
  auto viewer = MakeViewer();
  auto* recorder = new Recorder(viewer->GetRoot());
  const float r = 512 / kBubbleTwoPi;
  auto* target = new VPictureBubble(700, VRGBColor(1, 1, 1), VFRect(3.0f, 1.0f, 4.0f, 2.0f), r, 0, recorder);
  auto* dragged = new VPictureBubble(701, VRGBColor(2, 2, 2), VFRect(1.0f, 1.0f, 1.5f, 1.5f), r, 1, recorder);
  dragged->SetDraggable(true);
  dragged->SetDragLimits(VFRect(0.5f, -kBubbleHalfPi, 3.6f, kBubbleHalfPi));
  ASSERT_TRUE(viewer->PreparePanoramaMap(16, GetDefaultPixelFormat(16)));
  VBubbleSpaceGraphicObject* root = viewer->GetRoot();
  const float y = 1.25f - kBubbleHalfPi;
  ASSERT_TRUE(root->CaptureMouse(At(1.25f, y)));
  EXPECT_EQ(VBubbleSpaceGraphicObject::GetDragObject(), dragged);
  EXPECT_TRUE(root->RouteMouseMove(At(2.25f, y)));
  EXPECT_NEAR(dragged->GetAbsoluteBounds().left, 2.0f, 1e-5);
  EXPECT_TRUE(root->RouteMouseMove(At(5.25f, y)));
  EXPECT_NEAR(dragged->GetAbsoluteBounds().left, 3.1f, 1e-5) << "kept inside the drag limits";
  EXPECT_TRUE(root->ReleaseMouse(At(5.25f, y)));
  EXPECT_EQ(VBubbleSpaceGraphicObject::GetDragObject(), nullptr);
  EXPECT_EQ(VBubbleSpaceGraphicObject::GetCapturedObject(), nullptr);
  // Begin, over (twice) and end reached the bubble under the dragged one's parent chain.
  std::vector<uint32_t> codes;
  for (const auto& e : recorder->events) {
    codes.push_back(e.first);
    EXPECT_EQ(e.second, 701u);
  }
  EXPECT_EQ(codes.front(), static_cast<uint32_t>(kControlDragBegins));
  EXPECT_EQ(codes.back(), static_cast<uint32_t>(kControlDragEnds));
  EXPECT_EQ(target->GetId(), 700u);
}

}  // namespace

namespace {

// A bubble that takes the keys it is given.
class KeyTaker : public VBubble {
 public:
  KeyTaker(uint32_t id, VBubble* parent) : VBubble(1, id, VFRect(0.0f, 0.0f, 1.0f, 1.0f), 1.0f, 0, parent) {}
  bool KeyDown(const VKeyEvent& e) override {
    keys.push_back(e.character);
    return true;
  }
  std::vector<uint8_t> keys;
};

TEST(BubbleKeys, TheViewerHandsKeysToItsBubblesFrontmostFirstAndSkipsHiddenOnes) {
  auto viewer = MakeViewer();
  EXPECT_FALSE(viewer->KeyDown(VKeyEvent('a', 0x41))) << "no bubble, not taken";
  // Of equal orders the newer goes first in the list: it is drawn first, behind.
  auto* front = new KeyTaker(1, viewer->GetRoot());
  auto* back = new KeyTaker(2, viewer->GetRoot());
  EXPECT_TRUE(viewer->KeyDown(VKeyEvent('a', 0x41)));
  EXPECT_EQ(front->keys, std::vector<uint8_t>{'a'}) << "the one drawn last is asked first";
  EXPECT_TRUE(back->keys.empty());
  front->SetVisible(false, false);
  EXPECT_TRUE(viewer->KeyDown(VKeyEvent('b', 0x42)));
  EXPECT_EQ(back->keys, std::vector<uint8_t>{'b'});
  EXPECT_FALSE(viewer->KeyUp(VKeyEvent('b', 0x42))) << "plain bubbles take no key release";
}

}  // namespace

namespace {

TEST(PictureBubbles, AClickOnATransparentPixelIsAHitOnlyWithoutTheTransparencyTest) {
  auto viewer = MakeViewer();
  // 64 x 64 pixels over 1 x 1 radian: the left half in the key colour (transparent).
  auto* map = new PixelMap(VRect(0, 0, 64, 64), 32, nullptr, nullptr, nullptr, PixelMap::kStorageMemory, 8);
  ASSERT_TRUE(map->HasStorage());
  for (int y = 0; y < 64; ++y) {
    for (int x = 0; x < 64; ++x) map->SetPixel(VPoint(x, y), x < 32 ? VRGBColor(255, 0, 255) : VRGBColor(10, 20, 30));
  }
  PixelMapAttributes attributes;
  attributes.SetKeyColor(VRGBColor(255, 0, 255));
  map->SetAttributes(attributes);
  auto* picture = new VPicture(map);
  auto* bubble = new VPictureBubble(VBubble::kAutomaticId, picture, VFRect(2.0f, 1.0f, 3.0f, 2.0f), 0, viewer->GetRoot());
  picture->Release();
  ASSERT_TRUE(viewer->PreparePanoramaMap(32, 8));
  EXPECT_TRUE(bubble->IsTransparent());
  const float y = 1.5f - kBubbleHalfPi;
  EXPECT_FALSE(bubble->ContainsPoint(2.25f, y)) << "a transparent pixel";
  EXPECT_TRUE(bubble->ContainsPoint(2.75f, y));
  bubble->SetHitTestByTransparency(false);
  EXPECT_TRUE(bubble->ContainsPoint(2.25f, y));
  EXPECT_FALSE(bubble->ContainsPoint(3.0f, y)) << "the right edge is outside";
  // Composed over the background, only the opaque half shows.
  PanoramaMap* composed = viewer->GetPanoramaMap();
  const float r = composed->GetWidth() / kBubbleTwoPi;
  const int row = static_cast<int>(1.5f * r);
  EXPECT_EQ(MapPixel(*composed, static_cast<int>(2.75f * r), row), 0x0A141Eu);
  EXPECT_EQ(MapPixel(*composed, static_cast<int>(2.25f * r), row), 0u) << "the key colour is not drawn";
}

}  // namespace

namespace {

TEST(BubbleKeys, TheRootsOwnKeyHandlersHandKeysToTheBubblesAsTheViewerDoes) {
  struct Entry {
    const char* what;
    bool (*down)(BubbleViewControl&, const VKeyEvent&);
  };
  const Entry entries[] = {
      {"the viewer", [](BubbleViewControl& v, const VKeyEvent& e) { return v.KeyDown(e); }},
      {"the root's KeyDown",
       [](BubbleViewControl& v, const VKeyEvent& e) {
         return static_cast<VBubbleSpaceGraphicObject*>(v.GetRoot())->KeyDown(e);
       }},
  };
  for (const Entry& entry : entries) {
    auto viewer = MakeViewer();
    EXPECT_FALSE(entry.down(*viewer, VKeyEvent('a', 0x41))) << entry.what << ": no bubble";
    auto* taker = new KeyTaker(1, viewer->GetRoot());
    EXPECT_TRUE(entry.down(*viewer, VKeyEvent('k', 0x4B))) << entry.what;
    EXPECT_EQ(taker->keys, std::vector<uint8_t>{'k'}) << entry.what;
  }
}

TEST(BubbleCursors, TheCursorOfWhatLiesUnderThePointerReachesTheCursorService) {
  platform::RecordingCursorBackend cursors;
  platform::ScopedCursorBackend scoped(&cursors);
  ResetCursorState();
  auto viewer = MakeViewer();
  VBubble* root = viewer->GetRoot();
  root->SetCursorId(220);
  auto* hotspot = new Node(5, VFRect(1.0f, 1.0f, 2.0f, 2.0f), 1, root);
  hotspot->SetCursorId(107);
  new Node(6, VFRect(3.0f, 1.0f, 4.0f, 2.0f), 1, root);  // no cursor of its own
  auto* draggable = Solid(*viewer, VRGBColor(1, 2, 3), 5.0f, 5.5f, -0.2f, 0.2f, 512 / kBubbleTwoPi, 1);
  draggable->SetDraggable(true);
  ASSERT_TRUE(viewer->PreparePanoramaMap(16, GetDefaultPixelFormat(16)));
  using platform::CursorSource;
  struct Case {
    const char* what;
    float x, y;
    bool pressed;
    CursorSource source;
    uint16_t id;
  };
  const float y = 1.5f - kBubbleHalfPi;
  const Case cases[] = {
      {"an object's own cursor", 1.5f, y, false, CursorSource::kProgram, 107},
      {"an object with cursor 0: the arrow", 3.5f, y, false, CursorSource::kSystem, platform::kSystemCursorArrow},
      {"no object: the root's cursor", 0.5f, y, false, CursorSource::kProgram, 220},
      {"a draggable bubble", 5.25f, 0.0f, false, CursorSource::kProgram, 105},
      {"a draggable bubble being dragged", 5.25f, 0.0f, true, CursorSource::kProgram, 106},
  };
  for (const Case& c : cases) {
    if (c.pressed) {
      ASSERT_TRUE(root->CaptureMouse(At(c.x, c.y))) << c.what;
    }
    cursors.requests.clear();
    root->RouteCursorUpdate(At(c.x, c.y));
    ASSERT_EQ(cursors.requests.size(), 1u) << c.what;
    EXPECT_EQ(cursors.requests[0], (platform::RecordingCursorBackend::Request{c.source, c.id})) << c.what;
    EXPECT_EQ(GetShownCursor(), c.source == CursorSource::kSystem ? 0 : c.id) << c.what;
    if (c.pressed) root->ReleaseMouse(At(c.x, c.y));
  }
}

// A bubble over the whole space that logs the mouse input reaching it. A
// press is left to the tree, takes the capture as a hotspot does, or starts
// a drag.
class Catcher : public VBubble {
 public:
  enum Press { kLeave, kCapture, kDrag };
  Catcher(VBubble* parent, Press press, apptest::Log* log)
      : VBubble(1, 600, VFRect(0.0f, 0.0f, kBubbleTwoPi, kBubblePi), 1.0f, 0, parent), press_(press), log_(log) {
    SetDraggable(press == kDrag);
  }
  bool MouseDown(const BubbleMouseEvent& e) override {
    log_->push_back("bubble down");
    if (VBubble::MouseDown(e)) return true;
    if (press_ != kCapture) return false;
    BeginCapture();
    return true;
  }
  bool MouseMove(const BubbleMouseEvent& e) override {
    log_->push_back("bubble move");
    return VBubble::MouseMove(e);
  }
  bool MouseUp(const BubbleMouseEvent& e) override {
    log_->push_back("bubble up");
    VBubble::MouseUp(e);
    return true;
  }

 private:
  Press press_;
  apptest::Log* log_;
};

TEST(BubbleCapture, ACapturingBubbleGetsTheMovesAndTheReleaseThroughTheWindow) {
  struct Case {
    const char* what;
    Catcher::Press press;
    bool pressFirst;  // else the bubble takes the capture by itself, as a hotspot the pointer enters
    apptest::Log expect;
  };
  const Case cases[] = {
      {"a press nobody takes", Catcher::kLeave, true, {"bubble down", "os-release"}},
      {"a press the bubble captures", Catcher::kCapture, true, {"bubble down", "os-capture", "bubble move",
                                                                "os-release", "os-release", "bubble up"}},
      {"a drag", Catcher::kDrag, true, {"bubble down", "os-capture", "bubble move", "os-release", "os-release",
                                        "bubble up"}},
      // The window releases its capture, then the bubble space gives it back again (harmless twice).
      {"a capture taken without a press", Catcher::kCapture, false, {"bubble move", "os-release", "os-release",
                                                                     "bubble up"}},
  };
  for (const Case& c : cases) {
    apptest::ResetAppState();
    apptest::Log log;
    apptest::FakeWindow window(&log, 320, 240);
    // The viewer fills the window's top-left quarter.
    auto viewer = std::make_unique<BubbleViewControl>(1, 0, VFRect(0.0f, -kBubbleHalfPi, kBubbleTwoPi, kBubbleHalfPi),
                                                      0, 0, 0, 160, 120, &window);
    auto* bubble = new Catcher(viewer->GetRoot(), c.press, &log);
    if (c.pressFirst) {
      window.CaptureMouse(apptest::MouseAt(80, 60));
    } else {
      bubble->BeginCapture();
    }
    // Outside the window only a captured object hears the pointer.
    window.RouteMouseMove(apptest::MouseAt(400, 300));
    window.ReleaseMouse(apptest::MouseAt(400, 300));
    apptest::Log seen;
    for (const std::string& line : log) {
      if (line.rfind("bubble ", 0) == 0 || line.rfind("os-", 0) == 0) seen.push_back(line);
    }
    EXPECT_EQ(seen, c.expect) << c.what;
    EXPECT_EQ(VBubbleSpaceGraphicObject::GetCapturedObject(), nullptr) << c.what;
    EXPECT_EQ(VBubbleSpaceGraphicObject::GetDragObject(), nullptr) << c.what;
    EXPECT_EQ(VGraphicObject::GetCapturedObject(), nullptr) << c.what;
  }
  apptest::ResetAppState();
}

}  // namespace
