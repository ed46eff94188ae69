// Bad input and awkward timing: controls deleted from inside their own
// events, ids outside the pools, picture entries out of range, the cursors
// the controls ask for.
#include <gtest/gtest.h>

#include "ControlTestSupport.h"
#include "engine/controls/DeferredDeletion.h"
#include "engine/controls/VHotspot.h"
#include "engine/controls/VListControl.h"
#include "engine/controls/VPictureButton.h"
#include "engine/controls/VPictureControl.h"
#include "engine/core/VTask.h"
#include "platform/Cursor.h"

namespace {

using controltest::Bench;
using controltest::Log;
using controltest::SolidPicture;

TEST(Robustness, ControlsDeletedFromInsideTheirOwnEvents) {
  struct Case {
    const char* name;
    uint32_t deleteOn;
    Log expected;
  };
  const Case cases[] = {
      {"picture control on its press", 17, {"17 130"}},
      {"picture control on its release", 18, {"17 130", "18 130"}},
      {"hotspot on its press", 31, {"31 131"}},
      {"hotspot on its click", 32, {"31 131", "32 131"}},
      {"list on its selection", 39, {"39 132"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Bench bench;
    VControl* control = nullptr;
    if (c.deleteOn == 17 || c.deleteOn == 18) {
      VPicture* p = SolidPicture(10, 10, 0xFF0000);
      control = new VPictureControl(130, p, 20, 20, 0, 0, 0, bench.recorder);
      p->Release();
    } else if (c.deleteOn == 31 || c.deleteOn == 32) {
      control = new VHotspot(131, 20, 20, 0, 10, 10, bench.recorder);
    } else {
      struct List : VListControl2_0_11 {
        explicit List(VGraphicObject* parent) : VListControl2_0_11(132, 20, 20, 0, 10, 10, true, 5, 0, 0, 0, 0, parent) {}
        int32_t GetItemCount() override { return 2; }
        void DrawItem(DrawPort*, int32_t, const VRect&, bool) override {}
      };
      control = new List(bench.recorder);
    }
    bench.recorder->onEvent = [&](uint32_t code, uint32_t, uint32_t) {
      if (code == c.deleteOn) DeleteControlLater(control);
    };
    bench.Move(25, 25);
    bench.Click(25, 25);
    bench.Move(26, 26);
    bench.Idle();
    EXPECT_EQ(DeferredDeletionCount(), 0);
    bench.Click(25, 25);  // nothing left to answer
    EXPECT_EQ(bench.log, c.expected);
    EXPECT_EQ(VGraphicObject::GetCapturedObject(), nullptr);
  }
}

// The task that deletes controls later asks for a pass only while one waits:
// an idle program must not be woken on every pass for it.
TEST(Robustness, TheDeletionTaskAsksForPassesOnlyWhileAControlWaits) {
  Bench bench;
  for (int round = 0; round < 2; ++round) {
    SCOPED_TRACE(round);
    DeleteControlLater(new VHotspot(131, 20, 20, 0, 10, 10, bench.recorder));
    EXPECT_EQ(GetTaskManager()->GetStepWait(bench.Now()), 0u);
    bench.Idle();
    EXPECT_EQ(DeferredDeletionCount(), 0);
    EXPECT_EQ(GetTaskManager()->GetStepWait(bench.Now()), VTask::kNoStepWanted);
  }
}

TEST(Robustness, IdsOutsideThePool) {
  Bench bench;
  for (int32_t id : {-5, 0, VControl::kFirstPoolId - 1, VControl::kFirstPoolId + VControl::kPoolSize, 99999}) {
    delete new VHotspot(id, 0, 0, 0, 5, 5, bench.recorder);
  }
  // A pool id is given back when its control goes, once.
  auto* a = new VHotspot(VControl::kAllocateId, 0, 0, 0, 5, 5, bench.recorder);
  const int32_t id = a->GetId();
  EXPECT_GE(id, VControl::kFirstPoolId);
  delete a;
  auto* b = new VHotspot(VControl::kAllocateId, 0, 0, 0, 5, 5, bench.recorder);
  EXPECT_EQ(b->GetId(), id);
}

TEST(Robustness, PictureEntriesOutOfRange) {
  Bench bench;
  VPicture* p = SolidPicture(10, 10, 0xFF0000);
  auto* button = new VPictureButton(133, p, nullptr, nullptr, nullptr, VPoint(20, 20), 0, 0, 0, bench.recorder);
  for (int32_t entry : {-1, 4, 1000}) {
    button->SetStatePicture(entry, p, 0, true);
    button->SetStatePictureId(entry, 55, 0, true);
    uint16_t id = 7;
    int32_t frame = 7;
    button->GetStatePictureId(entry, id, frame);
    EXPECT_EQ(id, 0);
    EXPECT_EQ(frame, 0);
    VPicture* got = p;
    button->GetStatePicture(entry, got, frame);
    EXPECT_EQ(got, nullptr);
  }
  button->SetStateCount(-3);  // no entries: the control keeps what it shows
  EXPECT_EQ(button->GetStateCount(), 0);
  button->UpdatePicture(true);
  bench.Redraw();
  EXPECT_EQ(bench.PixelAt(25, 25), 0xFF0000u);
  p->Release();
}

TEST(Robustness, CursorsOfTheControls) {
  Bench bench;
  platform::RecordingCursorBackend cursors;
  platform::ScopedCursorBackend scoped(&cursors);
  VPicture* p = SolidPicture(10, 10, 0xFF0000);
  auto* draggable = new VPictureControl(134, p, 20, 20, 0, 0, 0, bench.recorder);
  draggable->SetDraggable(true);
  new VPictureButton(135, p, nullptr, nullptr, nullptr, VPoint(60, 20), 0, 0, 0, bench.recorder);
  new VHotspot(136, 100, 20, 0, 10, 10, bench.recorder);
  p->Release();
  struct Case {
    int32_t x, y;
    uint16_t cursor;
  };
  const Case cases[] = {{25, 25, 105}, {65, 25, 107}, {105, 25, 107}};
  for (const Case& c : cases) {
    bench.Move(c.x, c.y);
    EXPECT_EQ(GetShownCursor(), c.cursor) << c.x;
  }
}

}  // namespace
