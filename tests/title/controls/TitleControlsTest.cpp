// The title's own controls: picture frames reporting Show and Hide to their
// owner, the repeating entered event of application buttons, click areas.
#include <gtest/gtest.h>

#include "engine/controls/ControlTestSupport.h"
#include "title/controls/AppPictureButton.h"
#include "title/controls/ClickArea.h"
#include "title/controls/MarkablePictureButton.h"
#include "title/controls/PictureFrameControl.h"

namespace {

using controltest::Bench;
using controltest::Log;
using controltest::SolidPicture;

TEST(PictureFrame, BuiltHiddenAndReportsShowAndHide) {
  Bench bench;
  VGraphicObject* before = VGraphicObject::SetCurrentParent(bench.recorder);
  auto* frame = new PictureFrameControl(80, 0, 10, 10, 0, 100, 100, CurrentParentMarker());
  EXPECT_EQ(VGraphicObject::GetCurrentParent(), bench.recorder);
  VGraphicObject::SetCurrentParent(before);
  EXPECT_EQ(frame->GetKindCode(), 257);
  EXPECT_EQ(frame->GetKind(), -1);
  EXPECT_EQ(frame->GetFirstChildObject(), nullptr);
  EXPECT_FALSE(frame->IsVisible());
  EXPECT_TRUE(frame->IsTransparent());
  frame->Show();
  EXPECT_TRUE(frame->IsVisible());
  frame->Show();
  frame->Hide();
  EXPECT_FALSE(frame->IsVisible());
  EXPECT_EQ(bench.log, (Log{"94 80", "94 80", "95 80"}));
}

TEST(PictureFrame, PictureChildAtTheTopLeft) {
  Bench bench;
  // An id no archive holds: the child exists, without a picture.
  auto* frame = new PictureFrameControl(81, 4321, 10, 10, 0, 100, 100, bench.recorder);
  VGraphicObject* child = frame->GetFirstChildObject();
  ASSERT_NE(child, nullptr);
  EXPECT_EQ(child->GetId(), PictureFrameControl::kPictureChildId);
  EXPECT_EQ(child->GetBounds().left, 0);
  EXPECT_EQ(child->GetBounds().top, 0);
  EXPECT_EQ(child->GetNextObject(), nullptr);
}

TEST(PictureFrame, ShowChildReachesTheWholeSubtree) {
  Bench bench;
  auto* frame = new PictureFrameControl(82, 0, 10, 10, 0, 100, 100, bench.recorder);
  auto* child = new VControl(0, 90, 0, 0, 0, 10, 10, frame);
  auto* grandchild = new VControl(0, 91, 0, 0, 0, 5, 5, child);
  frame->ShowChild(91, false, false);
  EXPECT_FALSE(grandchild->IsVisible());
  frame->ShowChild(90, false, false);
  EXPECT_FALSE(child->IsVisible());
  frame->ShowChild(82, true, false);
  EXPECT_TRUE(frame->IsVisible());
  frame->ShowChild(12345, false, false);  // nobody
  EXPECT_TRUE(bench.log.empty());         // ShowChild sends no owner message
}

TEST(AppPictureButton, RepeatsEnteredWhileHeld) {
  Bench bench;
  VPicture* p = SolidPicture(10, 10, 0xFF0000);
  auto* button = new AppPictureButton(83, p, nullptr, nullptr, nullptr, VPoint(20, 20), 0, 0, 0, bench.recorder);
  p->Release();
  button->SetEnteredRepeatInterval(150);
  bench.clock().SetTickCount(1000);
  bench.clock().SetStepPerRead(0);
  bench.Move(25, 25);  // 28 at tick 1000
  std::vector<uint32_t> repeats;
  bench.recorder->onEvent = [&](uint32_t code, uint32_t, uint32_t) {
    if (code == 28) repeats.push_back(bench.Now());
  };
  for (uint32_t t = 1000; t <= 1500; t += 40) {
    bench.clock().SetTickCount(t);
    bench.Tick(t);
  }
  EXPECT_EQ(repeats, (std::vector<uint32_t>{1160, 1320, 1480}));  // first ticks at or after 1150, 1300, 1450
  // Pointer gone: state 1, no more repeats.
  bench.Move(100, 100);
  repeats.clear();
  for (uint32_t t = 1520; t <= 1900; t += 40) bench.Tick(t);
  EXPECT_TRUE(repeats.empty());
}

TEST(ClickArea, EventsOncePerCrossing) {
  Bench bench;
  auto* area = new ClickArea(84, 20, 20, 0, 20, 20, bench.recorder);
  EXPECT_EQ(area->GetCursorId(), 107);
  bench.Move(5, 5);
  bench.Move(25, 25);
  bench.Move(26, 26);
  bench.Move(30, 30);
  bench.Down(30, 30);
  bench.Up(60, 60);  // release outside: no 32
  bench.Move(60, 60);
  bench.Move(61, 61);
  bench.Move(25, 25);
  bench.Click(25, 25);
  EXPECT_EQ(bench.log, (Log{"15 84", "31 84", "16 84", "15 84", "31 84", "32 84"}));
}

}  // namespace

namespace {

// Three markable buttons on layers 1..3 at x 20, 40 and 45 (the last two
// overlap); the middle one is draggable (the relations screen's item buttons
// are).
struct MarkableScene {
  explicit MarkableScene(Bench& bench) {
    normal = SolidPicture(10, 10, 0xFF0000);
    over = SolidPicture(10, 10, 0x0000FF);
    marked = SolidPicture(10, 10, 0x00FF00);
    for (int i = 0; i < 3; ++i) {
      buttons[i] = new MarkablePictureButton(85 + i, normal, nullptr, over, marked, nullptr, VPoint(i == 0 ? 20 : 35 + 5 * i, 20),
                                             i + 1, 0, 0, bench.recorder);
    }
    buttons[1]->SetDraggable(true);
    bench.Redraw();
  }
  ~MarkableScene() {
    normal->Release();
    over->Release();
    marked->Release();
  }
  VPicture* normal;
  VPicture* over;
  VPicture* marked;
  MarkablePictureButton* buttons[3];
};

TEST(MarkablePictureButton, RisesWhileThePointerIsOverIt) {
  Bench bench;
  MarkableScene scene(bench);
  MarkablePictureButton* b = scene.buttons[1];
  bench.Move(42, 25);  // over the middle button only
  EXPECT_EQ(bench.log, (Log{"130 0", "28 86"}));
  EXPECT_GT(b->GetLayer(), 3);  // in front of the third
  EXPECT_EQ(b->GetSavedLayer(), 2);
  bench.Move(5, 5);
  EXPECT_EQ(bench.log, (Log{"130 0", "28 86", "29 86"}));
  EXPECT_EQ(b->GetLayer(), 2);
}

TEST(MarkablePictureButton, OwnerMayRefuseTheEntry) {
  Bench bench;
  MarkableScene scene(bench);
  bench.recorder->take = {130};
  bench.Move(42, 25);
  EXPECT_EQ(bench.log, (Log{"130 0"}));
  EXPECT_EQ(scene.buttons[1]->GetButtonState(), 1);
  EXPECT_EQ(scene.buttons[1]->GetLayer(), 2);
}

TEST(MarkablePictureButton, HighlightMarkAndRestore) {
  Bench bench;
  MarkableScene scene(bench);
  MarkablePictureButton* b = scene.buttons[1];
  EXPECT_EQ(bench.PixelAt(47, 25), 0xFF0000u);  // the third button in front
  b->Highlight();
  EXPECT_GT(b->GetLayer(), 3);
  EXPECT_EQ(bench.PixelAt(47, 25), 0x0000FFu);
  b->Restore();
  EXPECT_EQ(b->GetLayer(), 2);
  EXPECT_EQ(bench.PixelAt(41, 25), 0xFF0000u);
  b->MarkRelated();
  EXPECT_EQ(bench.PixelAt(47, 25), 0x00FF00u);
  b->Restore();
  EXPECT_EQ(bench.PixelAt(41, 25), 0xFF0000u);
  EXPECT_EQ(bench.PixelAt(47, 25), 0xFF0000u);
}

}  // namespace
