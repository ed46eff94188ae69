// Hotspots and mouse detectors under scripted input: press and click, enter
// and leave, the mouse held by a capturing detector, and moves passed on by
// one that does not capture.
#include <gtest/gtest.h>

#include "ControlTestSupport.h"
#include "engine/controls/VHotspot.h"

namespace {

using controltest::Bench;
using controltest::Log;

TEST(Hotspot, PressAndClick) {
  struct Case {
    const char* name;
    int32_t downX, downY, upX, upY;
    Log expected;
  };
  const Case cases[] = {
      {"click inside", 25, 25, 26, 26, {"31 70", "32 70"}},
      {"release outside", 25, 25, 60, 60, {"31 70"}},
      {"press outside", 5, 5, 25, 25, {}},
      {"release on the right edge (outside)", 25, 25, 40, 25, {"31 70"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Bench bench;
    auto* hotspot = new VHotspot(70, 20, 20, 0, 20, 20, bench.recorder);
    EXPECT_EQ(hotspot->GetCursorId(), 107);
    bench.Down(c.downX, c.downY);
    bench.Up(c.upX, c.upY);
    EXPECT_EQ(bench.log, c.expected);
  }
}

// Logs the moves that reach the objects below a detector.
class MoveCounter : public VControl {
 public:
  MoveCounter(VGraphicObject* parent) : VControl(0, 0, 0, 0, 0, 200, 150, parent) {}
  bool MouseMove(const VMouseEvent&) override {
    ++moves;
    return false;
  }
  int moves = 0;
};

TEST(MouseDetector, EnterAndLeaveOnce) {
  for (bool capture : {false, true}) {
    SCOPED_TRACE(capture);
    Bench bench;
    auto* below = new MoveCounter(bench.recorder);
    new VMouseDetector(71, 20, 20, 1, 20, 20, capture, bench.recorder);
    bench.Move(5, 5);
    bench.Move(25, 25);
    bench.Move(30, 30);
    bench.Move(35, 30);
    bench.Move(60, 60);
    bench.Move(70, 70);
    EXPECT_EQ(bench.log, (Log{"15 71", "16 71"}));
    // Without capture every move also reaches the object below; with it the
    // detector takes the moves while the pointer is inside.
    EXPECT_EQ(below->moves, capture ? 3 : 6);
  }
}

TEST(MouseDetector, CapturingDetectorSeesThePointerLeaveThroughAnotherObject) {
  Bench bench;
  auto* detector = new VMouseDetector(72, 20, 20, 0, 20, 20, true, bench.recorder);
  // A sibling in front of everything right of the detector takes every move.
  auto* front = new MoveCounter(bench.recorder);
  front->StoreBounds(VRect(40, 0, 200, 150));
  front->SetLayer(5, false);
  bench.Move(25, 25);
  EXPECT_EQ(VGraphicObject::GetCapturedObject(), detector);
  bench.Move(45, 25);
  EXPECT_EQ(bench.log, (Log{"15 72", "16 72"}));
  EXPECT_EQ(VGraphicObject::GetCapturedObject(), nullptr);
}

}  // namespace
