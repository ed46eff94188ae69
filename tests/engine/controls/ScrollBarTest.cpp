// Scroll bars and sliders: stepping line by line or jumping by the measured
// time of one line, the parts of a bar, slider values from the track and the
// thumb, a thumb drag, the arrow buttons at the ends, paging on the track.
#include <gtest/gtest.h>

#include "ControlTestSupport.h"
#include "engine/controls/VListControl.h"
#include "engine/controls/VPictureScrollBar.h"
#include "engine/controls/VScrollBar.h"
#include "engine/controls/VScroller.h"
#include "engine/controls/VSlider.h"

namespace {

using controltest::Bench;
using controltest::Log;
using controltest::SolidPicture;

// A scroller whose every step takes `stepMs` on the fake clock.
class TimedScroller : public VScroller {
 public:
  explicit TimedScroller(platform::FakeClock* clock) : clock_(clock) {}
  void ScrollBy(int32_t delta, int32_t) override {
    calls.push_back(delta);
    position += delta;
    clock_->AdvanceMilliseconds(stepMs);
  }
  int32_t GetMax(int32_t) override { return 1000; }
  int32_t GetPosition(int32_t) override { return position; }
  int32_t GetPageSize(int32_t) override { return 8; }
  std::vector<int32_t> calls;
  int32_t position = 500;
  uint32_t stepMs = 5;

 private:
  platform::FakeClock* clock_;
};

TEST(ScrollBar, StepsLineByLineOrJumpsByTheMeasuredTime) {
  struct Case {
    uint32_t stepMs;
    int32_t delta;
    std::vector<int32_t> first;
    std::vector<int32_t> later;
  };
  const std::vector<int32_t> tenLines(10, 1);
  std::vector<int32_t> measuredThenNine = {1};
  for (int i = 0; i < 9; ++i) measuredThenNine.push_back(1);
  const Case cases[] = {
      {5, 10, measuredThenNine, tenLines},  // 45 ms, then 50 ms: within 100 ms
      {20, 10, {1, 9}, {10}},               // 180 ms, then 200 ms: one jump
      {20, -5, {-1, -1, -1, -1, -1}, {-1, -1, -1, -1, -1}},  // 80 ms, then 100 ms: line by line
      {25, -6, {-1, -5}, {-6}},                              // 125 ms, then 150 ms: jumps
      {50, 2, {1, 1}, {1, 1}},              // 50 ms, then 100 ms: still within the limit
      {0, 0, {}, {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.stepMs) + " ms, " + std::to_string(c.delta));
    platform::FakeClock clock(1000ull * 1000000ull);
    platform::ScopedClockSource source(&clock);
    TimedScroller scroller(&clock);
    scroller.stepMs = c.stepMs;
    VScrollBar bar;
    scroller.SetScrollBar(&bar, 0);
    bar.Scroll(c.delta);
    EXPECT_EQ(scroller.calls, c.first);
    EXPECT_EQ(bar.GetStoredPosition(), scroller.position);
    scroller.calls.clear();
    bar.Scroll(c.delta);
    EXPECT_EQ(scroller.calls, c.later);
  }
}

TEST(ScrollBar, SmoothOffJumps) {
  platform::FakeClock clock(0);
  platform::ScopedClockSource source(&clock);
  TimedScroller scroller(&clock);
  VScrollBar bar;
  bar.SetSmooth(false);
  scroller.SetScrollBar(&bar, 0);
  bar.Scroll(6);
  EXPECT_EQ(scroller.calls, (std::vector<int32_t>{6}));
}

TEST(ScrollBar, Parts) {
  struct Case {
    int32_t part, value, expectedPosition;
  };
  const Case cases[] = {{0, 0, 497},  {1, 0, 503},  {2, 0, 493},   {3, 0, 507},
                        {4, 20, 20},  {5, 700, 700}, {6, 0, -32267}, {7, 0, 33267},
                        {9, 0, 500}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.part);
    platform::FakeClock clock(0);
    platform::ScopedClockSource source(&clock);
    TimedScroller scroller(&clock);
    scroller.stepMs = 200;  // every move a jump
    VScrollBar bar;
    bar.SetSmooth(false);
    bar.SetLineStep(3);
    scroller.SetScrollBar(&bar, 0);
    bar.ScrollPart(c.part, c.value);
    EXPECT_EQ(scroller.position, c.expectedPosition);
    EXPECT_EQ(bar.GetStoredPosition(), c.expectedPosition);
  }
}

TEST(ScrollBar, ScrollerAndBarForgetEachOther) {
  platform::FakeClock clock(0);
  platform::ScopedClockSource source(&clock);
  VScrollBar bar;
  {
    TimedScroller scroller(&clock);
    scroller.SetScrollBar(&bar, 0);
    EXPECT_EQ(bar.GetScroller(), &scroller);
    TimedScroller other(&clock);
    other.SetScrollBar(&bar, 1);  // moves to the other scroller
    EXPECT_EQ(scroller.GetScrollBar(0), nullptr);
    EXPECT_EQ(bar.GetScroller(), &other);
  }
  EXPECT_EQ(bar.GetScroller(), nullptr);
  bar.Scroll(3);  // nothing to scroll
  auto* dying = new VScrollBar();
  TimedScroller scroller(&clock);
  scroller.SetScrollBar(dying, 0);
  delete dying;
  EXPECT_EQ(scroller.GetScrollBar(0), nullptr);
}

// ---------------------------------------------------------------------------
// Sliders

// Logs the thumb's drag events that the slider takes.
class LoggingSlider : public VSlider {
 public:
  LoggingSlider(Log* log, int32_t minimum, int32_t maximum, VSliderThumb* thumb, VGraphicObject* track,
                VGraphicObject* parent)
      : VSlider(100, minimum, maximum, 150, 10, 0, 10, 100, thumb, track, parent), log_(log) {}
  bool HandleEvent(uint32_t code, uint32_t value1, uint32_t value2) override {
    if (code == kEventThumbDragged) log_->push_back("30 " + std::to_string(value1));
    return VSlider::HandleEvent(code, value1, value2);
  }

 private:
  Log* log_;
};

VSliderThumb* MakeThumb(int32_t top = 0, int32_t length = 100) {
  VPicture* p = SolidPicture(10, 20, 0xFFFFFF);
  auto* thumb = new VSliderThumb(101, p, nullptr, nullptr, nullptr, 0, top, 2, 10, length, nullptr);
  p->Release();
  return thumb;
}

VPictureButton* MakeTrack(int32_t top = 0, int32_t length = 100) {
  VPicture* p = SolidPicture(10, length, 0x404040);
  auto* track = new VPictureButton(102, p, nullptr, nullptr, nullptr, VPoint(0, top), 0, 0, 0, nullptr);
  p->Release();
  return track;
}

TEST(Slider, ValuesFromTheTrack) {
  struct Case {
    int32_t pressY;  // within the track
    int32_t value;
  };
  // Range 0..80, track 100, thumb 20: value = (y - 10) * 80 / 80.
  const Case cases[] = {{10, 0}, {50, 40}, {90, 80}, {99, 80}, {2, 0}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.pressY);
    Bench bench;
    auto* slider = new LoggingSlider(&bench.log, 0, 80, MakeThumb(), MakeTrack(), bench.recorder);
    bench.Move(155, 10 + c.pressY);
    bench.Down(155, 10 + c.pressY);
    EXPECT_EQ(slider->GetValue(), c.value);
    int32_t offset = 0, span = 0;
    slider->GetThumb()->GetTravel(offset, span);
    EXPECT_EQ(span, 80);
    EXPECT_EQ(offset, c.value);  // the thumb shows the value
    bench.Up(155, 10 + c.pressY);
  }
}

TEST(Slider, ThumbDragSends30Then52PerChangedValue) {
  Bench bench;
  auto* slider = new LoggingSlider(&bench.log, 0, 40, MakeThumb(), MakeTrack(), bench.recorder);
  bench.Move(155, 15);
  bench.Down(155, 15);
  bench.log.clear();
  bench.Move(155, 17);  // 2 pixels: value 1
  bench.Move(155, 18);  // 3 pixels: still 1
  bench.Move(155, 25);  // 10 pixels: value 5
  EXPECT_EQ(bench.log, (Log{"30 101", "52 100", "30 101", "30 101", "52 100"}));
  EXPECT_EQ(slider->GetValue(), 5);
  // A dragged thumb is not moved back by the slider showing its value.
  slider->SetValue(30, false);
  int32_t offset = 0, span = 0;
  slider->GetThumb()->GetTravel(offset, span);
  EXPECT_EQ(offset, 10);
  // Dragging past the end stops at the movement rectangle.
  bench.Move(155, 300);
  slider->GetThumb()->GetTravel(offset, span);
  EXPECT_EQ(offset, 80);
  EXPECT_EQ(slider->GetValue(), 40);
  bench.Up(155, 300);
}

TEST(Slider, EmptyRangeHidesTheThumb) {
  Bench bench;
  auto* slider = new LoggingSlider(&bench.log, 5, 5, MakeThumb(), MakeTrack(), bench.recorder);
  EXPECT_FALSE(slider->SetValue(9, false));  // clamped to 5: unchanged
  EXPECT_FALSE(slider->GetThumb()->IsVisible());
  slider->SetRange(5, 10);
  EXPECT_TRUE(slider->SetValue(9, false));
  EXPECT_TRUE(slider->GetThumb()->IsVisible());
  EXPECT_EQ(bench.log, (Log{"52 100"}));
}

TEST(Slider, TrackNoLongerThanItsThumbGivesNoValue) {
  Bench bench;
  auto* slider = new LoggingSlider(&bench.log, 0, 50, MakeThumb(0, 20), MakeTrack(0, 20), bench.recorder);
  bench.Move(155, 15);
  bench.Down(155, 15);
  bench.Up(155, 15);
  EXPECT_EQ(slider->GetValue(), 0);
  slider->SetValue(50, false);  // a thumb without room to travel stays put
  int32_t offset = 0, span = 0;
  slider->GetThumb()->GetTravel(offset, span);
  EXPECT_EQ(span, 0);
  EXPECT_EQ(offset, 0);
}

// ---------------------------------------------------------------------------
// The picture scroll bar on a list

class PlainList : public VListControl2_0_11 {
 public:
  explicit PlainList(VGraphicObject* parent)
      : VListControl2_0_11(110, 10, 10, 0, 100, 100, true, 10, 0, 0, 0, 0, parent) {}
  int32_t GetItemCount() override { return 100; }
  void DrawItem(DrawPort*, int32_t, const VRect&, bool) override {}
};

struct BarScene {
  explicit BarScene(Bench& bench) {
    list = new PlainList(bench.recorder);
    VPicture* arrow = SolidPicture(10, 10, 0x00FF00);
    up = new VPictureButton(111, arrow, nullptr, nullptr, nullptr, VPoint(0, 0), 1, 0, 0, nullptr);
    down = new VPictureButton(112, arrow, nullptr, nullptr, nullptr, VPoint(0, 110), 1, 0, 0, nullptr);
    arrow->Release();
    track = MakeTrack(10, 100);
    bar = new VPictureScrollBar(113, 0, 0, 150, 10, 0, 10, 120, MakeThumb(10, 100), track, up, down,
                                bench.recorder);
    list->SetScrollBar(bar, 0);
  }
  PlainList* list;
  VPictureButton* up;
  VPictureButton* down;
  VPictureButton* track;
  VPictureScrollBar* bar;
};

TEST(PictureScrollBar, ArrowsAtTheEnds) {
  Bench bench;
  BarScene scene(bench);
  EXPECT_EQ(scene.bar->VSlider::GetMaximum(), 90);
  EXPECT_FALSE(scene.up->IsVisible());  // at the top
  EXPECT_TRUE(scene.down->IsVisible());
  scene.list->ScrollBy(90, 0);
  scene.bar->Update();
  EXPECT_TRUE(scene.up->IsVisible());
  EXPECT_FALSE(scene.down->IsVisible());
  scene.bar->SetHideAtEnds(false);
  scene.bar->SetDisableAtEnds(true);
  scene.bar->Update();
  EXPECT_TRUE(scene.down->IsVisible());
  EXPECT_FALSE(scene.down->IsEnabledFlagSet());
}

TEST(PictureScrollBar, ArrowButtonsScrollByALine) {
  Bench bench;
  BarScene scene(bench);
  scene.bar->SetLineStep(2);
  bench.Move(155, 125);
  bench.Down(155, 125);  // the down arrow
  bench.Up(155, 125);
  EXPECT_EQ(scene.list->GetTopItem(), 2);
  EXPECT_EQ(scene.bar->GetValue(), 2);
  EXPECT_TRUE(scene.up->IsVisible());
  bench.Move(155, 15);
  bench.Down(155, 15);  // the up arrow, which then hides under the pointer
  bench.Up(155, 15);
  EXPECT_EQ(scene.list->GetTopItem(), 0);
  EXPECT_FALSE(scene.up->IsVisible());
  EXPECT_EQ(VGraphicObject::GetCapturedObject(), nullptr);
}

TEST(PictureScrollBar, HoldingOnTheTrackPagesUntilTheThumbPassesThePointer) {
  Bench bench;
  BarScene scene(bench);
  scene.track->SetRepeatInterval(50);
  // Track from y 20 to 120 in the window; pointer 60 pixels down: value
  // (60 - 10) * 90 / 80 = 56.
  bench.Move(155, 80);
  bench.Down(155, 80);
  EXPECT_EQ(scene.list->GetTopItem(), 10);
  for (int i = 0; i < 20; ++i) {
    bench.clock().AdvanceMilliseconds(60);
    bench.Tick(bench.Now());
  }
  EXPECT_EQ(scene.list->GetTopItem(), 60);
  EXPECT_EQ(scene.bar->GetValue(), 60);
  bench.Up(155, 80);
}

}  // namespace

namespace {

TEST(Slider, FullIntegerRange) {
  Bench bench;
  auto* slider = new LoggingSlider(&bench.log, INT32_MIN, INT32_MAX, MakeThumb(), MakeTrack(), bench.recorder);
  EXPECT_TRUE(slider->SetValue(INT32_MAX, false));
  int32_t offset = 0, span = 0;
  slider->GetThumb()->GetTravel(offset, span);
  EXPECT_EQ(offset, 80);
  EXPECT_TRUE(slider->SetValue(0, false));
  slider->GetThumb()->GetTravel(offset, span);
  EXPECT_EQ(offset, 40);
  bench.Move(155, 30);
  bench.Down(155, 30);  // the track under the thumb's start
  bench.Up(155, 30);
  EXPECT_LT(slider->GetValue(), 0);
}

}  // namespace
