// Transitions on a fake clock: the positions they draw, looping, bouncing,
// the start and end events, the redraw of running transitions when their
// window is redrawn; and the animating picture control's frame stepping.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ControlTestSupport.h"
#include "engine/app/VEngineDrawingBackend.h"
#include "engine/controls/VAnimatingPictureControl.h"
#include "engine/controls/VPictureControl.h"
#include "engine/controls/VTransition.h"

namespace {

using controltest::Bench;
using controltest::Log;
using controltest::SolidPicture;

// Logs every position it is asked to draw.
class RecordingTransition : public VTransition {
 public:
  RecordingTransition(std::vector<int32_t>* drawn, VGraphicObject* object, bool timed, int32_t length,
                      int32_t quantum, int32_t id, bool startNow)
      : VTransition(object, nullptr, timed, length, quantum, id, startNow), drawn_(drawn) {}
  ~RecordingTransition() override {
    if (destroyed != nullptr) *destroyed = true;
  }
  void DrawAt(DrawPort* port, int32_t position, int32_t) override {
    EXPECT_NE(port, nullptr);
    drawn_->push_back(position);
    if (onDraw) onDraw();
  }
  bool* destroyed = nullptr;
  std::function<void()> onDraw;

 private:
  std::vector<int32_t>* drawn_;
};

class TransitionTest : public ::testing::Test {
 protected:
  void SetUp() override {
    bench_.clock().SetStepPerRead(0);
    bench_.clock().SetTickCount(10000);
    VPicture* picture = SolidPicture(40, 30, 0x808080);
    control_ = new VPictureControl(50, picture, 10, 10, 0, 40, 30, bench_.recorder);
    picture->Release();
  }
  // One idle pass at start + ms.
  void PassAt(uint32_t ms) {
    bench_.clock().SetTickCount(10000 + ms);
    bench_.Idle();
  }
  Bench bench_;
  VPictureControl* control_ = nullptr;
  std::vector<int32_t> drawn_;
};

TEST_F(TransitionTest, TimedForwardDrawsEachNewPositionAndEnds) {
  bool destroyed = false;
  auto* t = new RecordingTransition(&drawn_, control_, true, 1000, 0, 77, true);
  t->destroyed = &destroyed;
  EXPECT_EQ(bench_.log, (Log{"43 77"}));
  for (uint32_t ms : {0u, 300u, 600u, 1100u}) PassAt(ms);
  EXPECT_EQ(drawn_, (std::vector<int32_t>{300, 600, 1000}));
  EXPECT_EQ(bench_.log, (Log{"43 77", "44 77"}));
  EXPECT_TRUE(destroyed) << "an ended transition with an object is deleted by its task manager";
}

TEST_F(TransitionTest, QuantumAlignsTimedPositions) {
  new RecordingTransition(&drawn_, control_, true, 1000, 100, 5, true);
  for (uint32_t ms : {0u, 300u, 350u, 399u, 600u, 1100u}) PassAt(ms);
  EXPECT_EQ(drawn_, (std::vector<int32_t>{300, 600, 1000}));
}

TEST_F(TransitionTest, EndModesLoopAndBounce) {
  struct Case {
    int32_t mode;
    std::vector<uint32_t> passes;
    std::vector<int32_t> drawn;
  };
  const Case cases[] = {
      // Loop: the end is drawn, then the position starts again from 0.
      {VTransition::kEndLoop, {50, 100, 130, 200, 240}, {50, 100, 30, 100, 40}},
      // Bounce: the end turns the direction; 0 turns it again.
      {VTransition::kEndReverse, {50, 100, 150, 200, 250, 300}, {50, 100, 50, 0, 50, 100}},
  };
  for (const Case& c : cases) {
    drawn_.clear();
    bench_.log.clear();
    bench_.clock().SetTickCount(10000);
    auto* t = new RecordingTransition(&drawn_, control_, true, 100, 0, 9, false);
    t->SetEndMode(c.mode);
    t->Start();
    for (uint32_t ms : c.passes) PassAt(ms);
    EXPECT_EQ(drawn_, c.drawn) << "end mode " << c.mode;
    EXPECT_EQ(bench_.log, (Log{"43 9"})) << "a looping or bouncing transition never ends by itself";
    EXPECT_TRUE(t->IsRunning());
    delete t;
  }
}

TEST_F(TransitionTest, SetDirectionBackwardAtZeroRewindsToTheLength) {
  auto* t = new RecordingTransition(&drawn_, control_, true, 500, 0, 3, false);
  t->SetDirection(-1);
  EXPECT_EQ(t->GetPosition(), 500);
  EXPECT_FALSE(t->IsForward());
  t->Start();
  PassAt(200);
  EXPECT_EQ(drawn_, (std::vector<int32_t>{300}));
  delete t;
}

TEST_F(TransitionTest, StepModeWithQuantumAdvancesAtMostOncePerQuantum) {
  auto* t = new RecordingTransition(&drawn_, control_, false, 10, 50, 4, true);
  for (uint32_t ms = 0; ms <= 200; ms += 10) PassAt(ms);
  // Passes every 10 ms: a new position only at 50, 100, 150 and 200 ms.
  EXPECT_EQ(drawn_, (std::vector<int32_t>{1, 2, 3, 4}));
  delete t;
}

TEST_F(TransitionTest, WithoutObjectItStaysInactiveInTheTaskList) {
  bool destroyed = false;
  auto* t = new RecordingTransition(&drawn_, nullptr, false, 2, 0, 6, true);
  t->destroyed = &destroyed;
  for (uint32_t ms : {1u, 2u, 3u}) PassAt(ms);
  EXPECT_FALSE(destroyed);
  EXPECT_FALSE(t->IsRunning());
  EXPECT_TRUE(t->IsAlive());
  EXPECT_EQ(drawn_, std::vector<int32_t>{}) << "no window to draw into";
  delete t;
}

TEST_F(TransitionTest, WindowRedrawRepaintsRunningTransitions) {
  VEngineDrawingBackend backend;
  VDrawingBackend* previous = SetDrawingBackend(&backend);
  auto* t = new RecordingTransition(&drawn_, control_, true, 1000, 0, 8, true);
  PassAt(400);
  ASSERT_EQ(drawn_, (std::vector<int32_t>{400}));
  bench_.Redraw();
  const size_t perRedraw = drawn_.size() - 1;
  EXPECT_GE(perRedraw, 1u);
  EXPECT_EQ(drawn_, std::vector<int32_t>(drawn_.size(), 400));
  // A redraw from inside the transition's own drawing does not repaint it
  // again (or it would never end).
  t->onDraw = [this] { bench_.Redraw(); };
  bench_.Redraw();
  EXPECT_EQ(drawn_.size(), 1 + 2 * perRedraw);
  t->onDraw = nullptr;
  // A redraw of a rectangle away from the object leaves it alone.
  const size_t before = drawn_.size();
  VRect away(150, 100, 190, 140);
  bench_.window().Redraw(&away);
  EXPECT_EQ(drawn_.size(), before);
  delete t;
  bench_.Redraw();
  EXPECT_EQ(drawn_.size(), before);
  SetDrawingBackend(previous);
}

TEST_F(TransitionTest, OwnerMayDeleteTheTransitionWhileAnsweringItsEnd) {
  bool destroyed = false;
  RecordingTransition* t = new RecordingTransition(&drawn_, control_, true, 100, 0, 12, true);
  t->destroyed = &destroyed;
  bench_.recorder->onEvent = [&](uint32_t code, uint32_t, uint32_t) {
    if (code == kEventTransitionEnded) delete t;
  };
  PassAt(150);
  EXPECT_TRUE(destroyed);
  EXPECT_EQ(bench_.log, (Log{"43 12", "44 12"}));
  PassAt(200);  // the task list is intact
}

TEST_F(TransitionTest, ZeroLengthEndsAtTheFirstStep) {
  bool destroyed = false;
  auto* t = new RecordingTransition(&drawn_, control_, true, 0, 0, 13, true);
  t->destroyed = &destroyed;
  PassAt(0);
  EXPECT_TRUE(destroyed);
  EXPECT_EQ(bench_.log, (Log{"43 13", "44 13"}));
}

// ---- Animating picture control -------------------------------------------

class AnimatingPictureTest : public ::testing::Test {
 protected:
  VAnimatingPictureControl* Make(int32_t frames) {
    VPicture* picture = SolidPicture(10, 10 * frames, 0x204060);
    picture->SetFrameCount(frames);
    auto* c = new VAnimatingPictureControl(60, picture, 0, 0, 0, 10, 10, bench_.recorder);
    picture->Release();
    return c;
  }
  // The frames after each tick, with "!" for each event 49 and "." for 50.
  std::string Run(VAnimatingPictureControl* c, int ticks) {
    std::string out;
    for (int i = 0; i < ticks; ++i) {
      bench_.log.clear();
      bench_.Tick(tick_++);
      out += std::to_string(c->GetFrame());
      for (const std::string& e : bench_.log) {
        if (e == "49 60") out += "!";
        if (e == "50 60") out += ".";
      }
      out += " ";
    }
    return out;
  }
  Bench bench_;
  uint32_t tick_ = 1000;
};

TEST_F(AnimatingPictureTest, EndModes) {
  struct Case {
    int32_t mode;
    int frames;
    int ticks;
    const char* shown;
  };
  const Case cases[] = {
      {VAnimatingPictureControl::kEndWrap, 4, 6, "1 2 3 0! 1 2 "},
      {VAnimatingPictureControl::kEndReverse, 4, 10, "1 2 3 3! 2 1 0 0! 1 2 "},
      {VAnimatingPictureControl::kEndStop, 4, 5, "1 2 3 3. 3 "},
      {VAnimatingPictureControl::kEndWrap, 1, 3, "0! 0! 0! "},
  };
  for (const Case& c : cases) {
    VAnimatingPictureControl* control = Make(c.frames);
    control->SetEndMode(c.mode);
    control->Start();
    EXPECT_EQ(Run(control, c.ticks), c.shown) << "end mode " << c.mode << ", " << c.frames << " frames";
    delete control;
  }
}

TEST_F(AnimatingPictureTest, StartAfterTheEndStopsAgainAtOnce) {
  VAnimatingPictureControl* c = Make(4);
  c->Start();
  EXPECT_EQ(bench_.log, (Log{"48 60"}));
  Run(c, 4);
  EXPECT_FALSE(c->IsRunning());
  bench_.log.clear();
  c->Start();
  EXPECT_EQ(Run(c, 1), "3. ");
  delete c;
}

TEST_F(AnimatingPictureTest, HiddenOrOnAHiddenPanelItDoesNotAdvance) {
  VAnimatingPictureControl* c = Make(4);
  c->Start();
  c->Hide(false);
  EXPECT_EQ(Run(c, 3), "0 0 0 ");
  delete c;
}

TEST_F(AnimatingPictureTest, StepPeriodKeepsItsPhase) {
  VAnimatingPictureControl* c = Make(8);
  c->SetStepPeriod(100);
  c->Start();
  std::vector<int32_t> frames;
  for (uint32_t tick : {1000u, 1050u, 1100u, 1230u, 1290u, 1300u}) {
    bench_.Tick(tick);
    frames.push_back(c->GetFrame());
  }
  EXPECT_EQ(frames, (std::vector<int32_t>{1, 1, 2, 3, 3, 4}));
  EXPECT_EQ(c->GetLastStepTick(), 1300u);
  delete c;
}

TEST_F(AnimatingPictureTest, ClickSendsTwentyOne) {
  VAnimatingPictureControl* c = Make(2);
  bench_.Click(5, 5);
  EXPECT_EQ(bench_.log, (Log{"21 60"}));
  delete c;
}

}  // namespace
