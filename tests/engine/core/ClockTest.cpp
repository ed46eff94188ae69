// Clock, processor classes, running statistics, rate meter, deadline and
// fader, all on a fake clock.
#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <thread>
#include <vector>

#include "engine/core/Clock.h"
#include "engine/core/VDeadline.h"
#include "engine/core/VFader.h"
#include "engine/core/VRunningStats.h"
#include "platform/Clock.h"
#include "platform/Input.h"
#include "platform/MessageQueue.h"

namespace {

constexpr uint64_t kMs = 1000000ull;  // nanoseconds per millisecond

// Saves and restores the program-wide clock and processor state.
class ClockStateGuard {
 public:
  ClockStateGuard()
      : counter_(gClockStartCounter), cycles_(gClockStartCycles), freq_(gCounterFrequency), cps_(gCyclesPerSecond),
        cls_(gProcessorClass), mmx_(gProcessorHasMMX), sse_(gProcessorHasSSE), tsc_(gProcessorHasTSC) {}
  ~ClockStateGuard() {
    gClockStartCounter = counter_;
    gClockStartCycles = cycles_;
    gCounterFrequency = freq_;
    gCyclesPerSecond = cps_;
    gProcessorClass = cls_;
    gProcessorHasMMX = mmx_;
    gProcessorHasSSE = sse_;
    gProcessorHasTSC = tsc_;
  }

 private:
  uint64_t counter_, cycles_, freq_, cps_;
  uint32_t cls_;
  uint8_t mmx_, sse_, tsc_;
};

void UseProcessor(bool hasTsc) {
  gProcessorClass = kProcessorClassPentiumPro;
  gProcessorHasTSC = hasTsc ? 1 : 0;
}

TEST(ClockTest, CalibrationSleepsForTheRestOfTheFirstSecond) {
  struct Row {
    uint64_t passedMs;  // between InitClock and CalibrateClock
    uint64_t expectedSleepMs;
  };
  for (const Row& row : {Row{0, 1000}, Row{300, 700}, Row{999, 1}, Row{1000, 0}, Row{2500, 0}}) {
    ClockStateGuard state;
    platform::FakeClock clock(5000 * kMs, 3000000000ull);
    platform::ScopedClockSource source(&clock);
    UseProcessor(true);
    InitClock();
    clock.AdvanceMilliseconds(row.passedMs);
    EXPECT_EQ(CalibrateClock(), 3000000000ull) << row.passedMs;
    EXPECT_EQ(gCyclesPerSecond, 3000000000ull);
    EXPECT_EQ(clock.SleptMilliseconds(), row.expectedSleepMs) << row.passedMs;
  }
}

TEST(ClockTest, CalibrationWithoutTimeStampCounterMeasuresMicroseconds) {
  ClockStateGuard state;
  platform::FakeClock clock(0, 3000000000ull);
  platform::ScopedClockSource source(&clock);
  UseProcessor(false);
  InitClock();
  EXPECT_EQ(CalibrateClock(), 1000000ull);
}

TEST(ClockTest, LongRunningClockDoesNotOverflow) {
  ClockStateGuard state;
  platform::FakeClock clock(7 * kMs, 2000000000ull);
  platform::ScopedClockSource source(&clock);
  UseProcessor(true);
  InitClock();
  EXPECT_EQ(GetMicroseconds(), 0u);
  // Ten hours: the product with 10^6 no longer fits in 64 bits.
  clock.AdvanceMilliseconds(10ull * 3600 * 1000);
  EXPECT_EQ(GetMicroseconds(), 36000000000ull);
  clock.AdvanceNanoseconds(1500);
  EXPECT_EQ(GetMicroseconds(), 36000000001ull);
  // Thirty hours before calibrating: cycles times frequency overflows too.
  clock.AdvanceMilliseconds(20ull * 3600 * 1000);
  EXPECT_EQ(CalibrateClock(), 2000000000ull);
  EXPECT_EQ(clock.SleptMilliseconds(), 0u);
}

TEST(ClockTest, UninitialisedClockIsMarkedAndCalibrationInitialises) {
  ClockStateGuard state;
  gCounterFrequency = ~uint64_t{0};
  gCyclesPerSecond = ~uint64_t{0};
  EXPECT_EQ(GetMicroseconds(), 0u);
  platform::FakeClock clock(0, 1000000000ull);
  platform::ScopedClockSource source(&clock);
  UseProcessor(true);
  EXPECT_EQ(CalibrateClock(), 1000000000ull);
  EXPECT_EQ(gCounterFrequency, 1000000000ull);
  EXPECT_EQ(clock.SleptMilliseconds(), 1000u);
}

TEST(ClockTest, ReadCycleCounterDetectsProcessorOnFirstUse) {
  ClockStateGuard state;
  gProcessorClass = 0;
  ReadCycleCounter();
  EXPECT_NE(gProcessorClass, 0u);
}

TEST(ClockTest, ProcessorClasses) {
  struct Row {
    uint32_t type;
    bool hasId;
    uint32_t signature;
    uint32_t expected;
  };
  const Row rows[] = {
      {386, false, 0, 0x40000},       {486, false, 0, 0x80000},      {586, false, 0, 0x100000},
      {586, true, 0x0543, 0x100000},  {586, true, 0x0663, 0x200000}, {586, true, 0x906EA, 0x200000},
      {586, true, 0x00A20F10, 0x200000},  // family field 15 (extended family)
      {586, true, 0x0400, 0x100000},  {686, true, 0x0663, 0},        {0, false, 0, 0},
  };
  for (const Row& r : rows) {
    EXPECT_EQ(ClassifyProcessor(r.type, r.hasId, r.signature), r.expected) << r.type << " " << std::hex << r.signature;
  }
}

#if defined(__x86_64__)
TEST(ClockTest, DetectsA64BitProcessorWithItsFeatures) {
  ClockStateGuard state;
  DetectProcessor();
  EXPECT_EQ(gProcessorClass, kProcessorClassPentiumPro);
  EXPECT_EQ(gProcessorHasMMX, 1);
  EXPECT_EQ(gProcessorHasSSE, 1);
  EXPECT_EQ(gProcessorHasTSC, 1);
}
#endif

void ShiftBy100And50(void*, platform::ScreenPoint& p) {
  p.x -= 100;
  p.y -= 50;
}

TEST(ClockTest, MousePositionInScreenOrClientCoordinates) {
  platform::SetCursorScreenPosition(300, 200);
  auto previous = platform::SetScreenToClientHook(&ShiftBy100And50);
  int window = 0;
  VPoint p;
  EXPECT_EQ(GetMousePosition(p, nullptr), VPoint(300, 200));
  EXPECT_EQ(p, VPoint(300, 200));
  EXPECT_EQ(GetMousePosition(p, &window), VPoint(200, 150));
  EXPECT_EQ(p, VPoint(200, 150));
  platform::SetScreenToClientHook(previous);
}

TEST(VRunningStatsTest, SumsSmoothingAndVariance) {
  VRunningStats none(0.5);
  EXPECT_EQ(none.GetVariance(), 0.0);
  EXPECT_EQ(none.GetStandardDeviation(), 0.0);

  VRunningStats one(0.5);
  EXPECT_EQ(one.AddSample(7.0), 1);
  EXPECT_EQ(one.smoothed, 7.0);
  EXPECT_EQ(one.GetVariance(), 0.0);

  VRunningStats s(0.5);
  EXPECT_EQ(s.AddSample(1.0), 1);
  EXPECT_EQ(s.AddSample(2.0), 2);
  EXPECT_EQ(s.AddSample(3.0), 3);
  EXPECT_EQ(s.AddSample(4.0), 4);
  EXPECT_DOUBLE_EQ(s.sum, 10.0);
  EXPECT_DOUBLE_EQ(s.sumOfSquares, 30.0);
  // 1 -> 2 + (1 - 2) / 2 = 1.5 -> 3 - 0.75 = 2.25 -> 4 - 0.875 = 3.125
  EXPECT_DOUBLE_EQ(s.smoothed, 3.125);
  EXPECT_DOUBLE_EQ(s.GetVariance(), 1.25);
  EXPECT_DOUBLE_EQ(s.GetStandardDeviation(), std::sqrt(1.25));
}

TEST(VRateMeterTest, MeasuresFrameTimes) {
  platform::FakeClock clock(1000 * kMs);
  platform::ScopedClockSource source(&clock);
  VRateMeter meter;
  EXPECT_DOUBLE_EQ(meter.GetFrameTime(), 0.04);
  EXPECT_DOUBLE_EQ(meter.GetFrameRate(), 25.0);
  meter.Sample();  // only starts
  EXPECT_TRUE(meter.IsStarted());
  EXPECT_EQ(meter.GetSampleCount(), 0);
  EXPECT_DOUBLE_EQ(meter.GetFrameTime(), 0.04);

  clock.AdvanceMilliseconds(20);
  meter.Sample();
  EXPECT_EQ(meter.GetSampleCount(), 1);
  EXPECT_DOUBLE_EQ(meter.GetFrameTime(), 0.02);
  EXPECT_DOUBLE_EQ(meter.GetFrameRate(), 50.0);
  clock.AdvanceMilliseconds(40);
  meter.Sample();
  EXPECT_DOUBLE_EQ(meter.GetLastFrameTime(), 0.04);
  EXPECT_DOUBLE_EQ(meter.GetFrameTime(), 0.04 + (0.02 - 0.04) * 0.875);
}

TEST(VRateMeterTest, TickCountGoingBackSkipsTheSample) {
  struct Row {
    uint32_t from;
    uint32_t to;
    int expectedSamples;
    double expectedFrameTime;
  };
  const Row rows[] = {
      {5000, 4000, 0, 0.04},               // clock went back
      {0x7FFFFFF0u, 0x80000010u, 0, 0.04},  // signed values wrap to a smaller one
      {0xFFFFFFF0u, 0x00000010u, 1, 0.032},  // the unsigned wrap stays in order
      {0x100, 0x100, 1, 0.0},              // no time passed
  };
  for (const Row& r : rows) {
    platform::FakeClock clock;
    platform::ScopedClockSource source(&clock);
    VRateMeter meter;
    clock.SetTickCount(r.from);
    meter.Start();
    clock.SetTickCount(r.to);
    meter.Sample();
    EXPECT_EQ(meter.GetSampleCount(), r.expectedSamples) << r.from;
    EXPECT_DOUBLE_EQ(meter.GetFrameTime(), r.expectedFrameTime) << r.from;
    EXPECT_EQ(meter.lastTick, r.to);
  }
}

int gPeeks = 0;
bool CountPeek() {
  ++gPeeks;
  return false;
}

TEST(VDeadlineTest, WaitsOnTheTickCountLookingAtTheQueue) {
  struct Row {
    uint32_t startTick;
    uint32_t ms;
  };
  for (const Row& r : {Row{1000, 0}, Row{1000, 50}, Row{0xFFFFFFF0u, 0x20}}) {
    platform::FakeClock clock;
    clock.SetTickCount(r.startTick);
    clock.SetStepPerRead(kMs);  // every reading moves one millisecond on
    platform::ScopedClockSource source(&clock);
    auto previous = platform::SetPeekMessageHook(&CountPeek);
    gPeeks = 0;
    VDeadline deadline(r.ms, 77);
    EXPECT_EQ(deadline.value, 77u);
    uint32_t expected = r.startTick + r.ms;
    EXPECT_EQ(deadline.GetDeadline(), expected);
    uint32_t returned = deadline.Wait();
    if (r.ms == 0) {
      EXPECT_EQ(gPeeks, 0);
      EXPECT_EQ(returned, r.startTick + 1);
    } else {
      EXPECT_EQ(returned, expected);
      EXPECT_EQ(gPeeks, static_cast<int>(r.ms) - 1);
    }
    EXPECT_TRUE(deadline.HasPassed());
    platform::SetPeekMessageHook(previous);
  }
}

TEST(VDeadlineTest, PassedDeadlineReturnsAtOnce) {
  platform::FakeClock clock(100 * kMs);
  platform::ScopedClockSource source(&clock);
  VDeadline deadline(10);
  EXPECT_FALSE(deadline.HasPassed());
  clock.AdvanceMilliseconds(25);
  EXPECT_EQ(deadline.Wait(), 125u);
}

struct FadeStep {
  int64_t numerator;
  int64_t denominator;
  bool hasColor;
  VRGBColor color;
};

class RecordingFader : public VFader {
 public:
  void ShowFadeLevel(int64_t numerator, int64_t denominator, const VRGBColor* color) override {
    steps.push_back(FadeStep{numerator, denominator, color != nullptr, color ? *color : VRGBColor{}});
  }
  std::vector<FadeStep> steps;
};

TEST(VFaderTest, RampEndsExactlyOnTheTargetLevel) {
  // Readings step by various amounts; the ramp must still end on the to level.
  for (uint64_t stepNs : {kMs / 3, kMs, 7 * kMs, 1000 * kMs}) {
    platform::FakeClock clock(50 * kMs);
    clock.SetStepPerRead(stepNs);
    platform::ScopedClockSource source(&clock);
    RecordingFader fader;
    uint32_t start = platform::TickCount();
    fader.RunFade(100, 0, 600, nullptr, nullptr, 0);
    ASSERT_FALSE(fader.steps.empty());
    const FadeStep& first = fader.steps.front();
    EXPECT_EQ(first.denominator, 60000);
    EXPECT_LT(first.numerator, 60000);
    if (stepNs <= kMs) {
      EXPECT_EQ(first.numerator, 59900);  // level just below 1 after one tick
    }
    EXPECT_EQ(fader.steps.back().numerator, 0);
    EXPECT_FALSE(fader.steps.back().hasColor);
    for (size_t i = 1; i < fader.steps.size(); ++i) {
      EXPECT_LT(fader.steps[i].numerator, fader.steps[i - 1].numerator);
    }
    EXPECT_GE(platform::TickCount() - start, 600u);
  }
}

TEST(VFaderTest, RisingRampAndColours) {
  platform::FakeClock clock(0);
  clock.SetStepPerRead(kMs);
  platform::ScopedClockSource source(&clock);
  const VRGBColor from(0, 200, 100), to(200, 0, 100);

  RecordingFader both;
  both.RunFade(0, 100, 200, &from, &to, 1);
  ASSERT_EQ(both.steps.size(), 200u);
  EXPECT_EQ(both.steps[99].numerator, 100 * 100);  // half way: level 0.5
  EXPECT_EQ(both.steps[99].color, VRGBColor(100, 100, 100));
  EXPECT_EQ(both.steps.back().numerator, both.steps.back().denominator);
  EXPECT_EQ(both.steps.back().color, to);

  RecordingFader onlyTo;
  onlyTo.RunFade(0, 100, 10, nullptr, &to, -1);
  for (const FadeStep& s : onlyTo.steps) {
    EXPECT_TRUE(s.hasColor);
    EXPECT_EQ(s.color, to);
  }
  RecordingFader onlyFrom;
  onlyFrom.RunFade(0, 100, 10, &from, nullptr, 0);
  EXPECT_EQ(onlyFrom.steps.back().color, from);
}

TEST(VFaderTest, ZeroDurationAndSingleSteps) {
  platform::FakeClock clock(0);
  platform::ScopedClockSource source(&clock);  // time stands still
  RecordingFader fader;
  fader.RunFade(100, 0, 0, nullptr, nullptr, 0);
  EXPECT_TRUE(fader.steps.empty());
  VRGBColor c(1, 2, 3);
  fader.ApplyFadeStep(100, 100, &c);
  ASSERT_EQ(fader.steps.size(), 1u);
  EXPECT_EQ(fader.steps[0].numerator, 100);
  EXPECT_EQ(fader.steps[0].color, c);
  VFader plain;
  EXPECT_EQ(plain.GetTarget(), nullptr);
  EXPECT_EQ(plain.GetNext(), nullptr);
  plain.ApplyFadeStep(1, 1, nullptr);  // the display hook shows nothing
}

// A clock the threads of one test share: time moves by the sleeps of any of
// them and by a small step per reading, the cycle counter at a fixed rate.
class SharedFakeClock : public platform::ClockSource {
 public:
  static constexpr uint64_t kCyclesPerSecond = 2500000000ull;
  uint64_t MonotonicNanoseconds() override { return now_.fetch_add(1000) + 1000; }
  uint64_t Cycles() override {
    return static_cast<uint64_t>(static_cast<unsigned __int128>(now_.load()) * kCyclesPerSecond / 1000000000ull);
  }
  void SleepMilliseconds(uint32_t ms) override { now_.fetch_add(static_cast<uint64_t>(ms) * kMs); }

 private:
  std::atomic<uint64_t> now_{42 * kMs};
};

// The sound mixer's thread reads the clock while the user-interface thread
// starts and calibrates it: every thread here starts it lazily at once. The
// start is taken once, so each thread's own reading after its calibration is
// at least the second the calibration waits for; the processor is detected
// on first use by whichever thread comes first. The sanitizer builds check
// that nothing races.
TEST(ClockTest, ThreadsStartCalibrateAndReadTheClockTogether) {
  ClockStateGuard state;
  SharedFakeClock clock;
  platform::ScopedClockSource source(&clock);
  gCounterFrequency = ~uint64_t{0};
  gCyclesPerSecond = ~uint64_t{0};
  gProcessorClass = 0;

  constexpr int kThreads = 8;
  std::atomic<int> ready{0};
  std::atomic<int> wrongRate{0};
  std::atomic<int> tooEarly{0};
  std::atomic<int> wentBack{0};
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([&, t] {
      ready.fetch_add(1);
      while (ready.load() < kThreads) std::this_thread::yield();
      uint64_t last = 0;
      for (int i = 0; i < 200; ++i) {
        const uint64_t now = GetMicroseconds();
        if (now != 0 && now < last) wentBack.fetch_add(1);
        last = now;
        ReadCycleCounter();
        if (t % 2 == 0 && i % 50 == 0) {
          // The other threads' sleeps move the shared time between this
          // thread's readings, so only a rate of 0 (nothing measured) is wrong.
          if (CalibrateClock() == 0) wrongRate.fetch_add(1);
          // The calibration sleeps whole milliseconds up to the first second.
          if (GetMicroseconds() < 999000) tooEarly.fetch_add(1);
        }
      }
    });
  }
  for (auto& thread : threads) thread.join();
  EXPECT_EQ(wrongRate.load(), 0);
  EXPECT_EQ(tooEarly.load(), 0);
  EXPECT_EQ(wentBack.load(), 0);
  EXPECT_EQ(gCounterFrequency.load(), 1000000000ull);
  EXPECT_NE(gProcessorClass.load(), 0u);
}

}  // namespace
