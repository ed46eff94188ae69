// The value network on a fake clock: function nodes against values that a
// Python script computes from the same formulas over a table of times; the
// timer's schedule, its end value and message 103; firing of nodes with
// several inputs; cascade deletion; the sinks and what they refuse.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <fstream>
#include <map>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "engine/controls/ControlTestSupport.h"
#include "engine/controls/VPictureControl.h"
#include "support/RequireTool.h"
#include "support/Subprocess.h"
#include "support/TempDir.h"
#include "title/controls/SignalFunctions.h"
#include "title/controls/SignalSinks.h"
#include "title/controls/SignalTimer.h"

namespace {

using controltest::Bench;
using controltest::Log;
using controltest::SolidPicture;

// A sink that records what reaches it; counts its destruction.
class ProbeSink : public SignalSink {
 public:
  explicit ProbeSink(int32_t inputs, int* destroyed = nullptr) : SignalSink(inputs), destroyed_(destroyed) {}
  ~ProbeSink() override {
    if (destroyed_ != nullptr) ++*destroyed_;
  }
  std::vector<std::vector<double>> fired;

 protected:
  void Fire() override {
    std::vector<double> values;
    for (int32_t i = 0; i < GetInputCount(); ++i) values.push_back(GetInput(i));
    fired.push_back(values);
  }

 private:
  int* destroyed_;
};

class CountedRamp : public SignalLinearRamp {
 public:
  CountedRamp(int* destroyed, double in1, double in2, double in3, double in4)
      : SignalLinearRamp(0, in1, in2, in3, in4), destroyed_(destroyed) {}
  ~CountedRamp() override { ++*destroyed_; }

 private:
  int* destroyed_;
};

// ---- Function nodes against Python ----------------------------------------

// The formulas, written out again in Python. Each case: kind and inputs;
// printed: case index, time index, value.
const char* kOracle = R"PY(
import math, sys
def linear(t, a, b, d, s):
    if t < s: return a
    u = t - s
    if not (u < d): return b
    return a + u / d * (b - a)
def ease(t, a, b, d, s):
    if t < s: return a
    u = t - s
    if not (u < d): return b
    k = b - a
    return a + 2 * k / d * u - k / (d * d) * u * u
def speed(t, a, v, r, s):
    lo, hi = min(a, a + r), max(a, a + r)
    if t < s: u = 0.0
    else:
        d = s if s != 0 else t
        if d == 0: return lo
        u = (t - s) * (t / d)
    x = a + v / 1000 * r * u
    return max(lo, min(hi, x))
def twophase(t, a, m, e, p, total, s):
    if t < s: return a
    u = t - s
    if not (u < total): return e
    if u < p:
        k = m - a
        return -k / (p * p) * u * u + 2 * k / p * u + a
    ang = math.pi / 2 + (u - p) * math.pi / (total - p)
    return m - (1 - math.sin(ang)) * (m - e) / 2
def sine(t, a, ph, f, amp):
    return math.sin(t * f + ph) * amp + a
def clamp(t, off, lo, hi):
    return max(math.trunc(lo), min(math.trunc(t) - off, math.trunc(hi)))
class Spring:
    def __init__(s, a, rest, m, c, k):
        s.a, s.rest, s.m, s.c, s.k, s.last = a, rest, m, c, k, 0.0
    def __call__(s, t):
        if not s.m > 0: return s.rest
        w0sq = s.k / s.m
        decay = s.c * s.c / (4 * s.m * s.m)
        if not w0sq > decay: return s.rest
        sec = t / 1000
        wd = math.sqrt(w0sq - decay)
        phi = math.atan(s.c / (2 * s.m * wd))
        x = (s.a - s.rest) * math.sqrt(w0sq) / wd * math.exp(-s.c / (2 * s.m) * sec) * math.cos(wd * sec - phi)
        dt = t - s.last
        if dt > 0 and abs(x) / dt < 0.0005: return s.rest
        s.last = t
        return s.rest + x
times = [float(x) for x in sys.argv[1].split(',')]
cases = [line.split() for line in sys.stdin.read().strip().splitlines()]
for i, c in enumerate(cases):
    kind, args = c[0], [float(x) for x in c[1:]]
    f = Spring(*args) if kind == 'spring' else None
    for j, t in enumerate(times):
        if kind == 'spring': v = f(t)
        else: v = {'linear': linear, 'ease': ease, 'speed': speed, 'twophase': twophase,
                   'sine': sine, 'clamp': clamp}[kind](t, *args)
        print(i, j, repr(float(v)))
)PY";

struct FunctionCase {
  const char* kind;
  std::vector<double> inputs;  // after the time
};

std::unique_ptr<SignalFunction> MakeFunction(const FunctionCase& c) {
  const std::vector<double>& a = c.inputs;
  const std::string kind = c.kind;
  if (kind == "linear") return std::make_unique<SignalLinearRamp>(0, a[0], a[1], a[2], a[3]);
  if (kind == "ease") return std::make_unique<SignalEaseOut>(0, a[0], a[1], a[2], a[3]);
  if (kind == "speed") return std::make_unique<SignalSpeedRamp>(0, a[0], a[1], a[2], a[3]);
  if (kind == "twophase") return std::make_unique<SignalTwoPhaseRamp>(0, a[0], a[1], a[2], a[3], a[4], a[5]);
  if (kind == "sine") return std::make_unique<SignalSine>(0, a[0], a[1], a[2], a[3]);
  if (kind == "clamp") return std::make_unique<SignalClamp>(0, a[0], a[1], a[2]);
  if (kind == "spring") return std::make_unique<SignalSpring>(0, a[0], a[1], a[2], a[3], a[4]);
  return nullptr;
}

TEST(ValueNetworkFunctions, MatchAnIndependentComputation) {
  if (testsupport::RequireTool("python3").empty()) return;
  const std::vector<double> times = {0, 1, 1.5, 7.9, 40, 150, 199.9, 200, 333, 599, 600, 601, 1000, 2500, 10000};
  const std::vector<FunctionCase> cases = {
      {"linear", {10, 110, 400, 200}},
      {"linear", {10, 110, 0, 200}},        // no duration: the end value from the start time on
      {"linear", {-5, 5, 250, 0}},
      {"ease", {0, -50, 300, 0}},
      {"ease", {20, 40, 0, 100}},           // no duration
      {"speed", {5, 2, 100, 0}},
      {"speed", {5, 2, 100, 300}},
      {"speed", {50, 1, -30, 0}},           // a range downward
      {"twophase", {0, 100, 40, 200, 600, 100}},
      {"sine", {3, 0.5, 0.01, 7}},
      {"clamp", {2, 0, 4}},
      {"clamp", {-3, -10, 500}},
      {"spring", {100, 0, 1, 2, 50}},       // underdamped: swings and settles
      {"spring", {-40, 10, 2, 1, 300}},
      {"spring", {100, 0, 1, 30, 10}},      // overdamped: at rest at once
      {"spring", {100, 0, 1, 2, 1}},        // critically damped
      {"spring", {100, 7, 0, 2, 50}},       // no mass
  };
  std::string timeList;
  for (double t : times) timeList += (timeList.empty() ? "" : ",") + std::to_string(t);
  testsupport::TempDir dir("ostrevan_signals_");
  const std::string script = dir.Path() + "/oracle.py";
  const std::string input = dir.Path() + "/cases.txt";
  std::ofstream(script) << kOracle;
  {
    std::ofstream in(input);
    for (const FunctionCase& c : cases) {
      in << c.kind;
      for (double v : c.inputs) in << ' ' << v;
      in << '\n';
    }
  }
  const std::string out = testsupport::Capture("python3 " + script + " " + timeList + " < " + input);
  std::map<std::pair<int, int>, double> expected;
  std::istringstream lines(out);
  int i = 0, j = 0;
  std::string value;
  while (lines >> i >> j >> value) expected[{i, j}] = std::stod(value);
  ASSERT_EQ(expected.size(), cases.size() * times.size()) << out;

  for (size_t c = 0; c < cases.size(); ++c) {
    std::unique_ptr<SignalFunction> node = MakeFunction(cases[c]);
    ASSERT_NE(node, nullptr);
    for (size_t t = 0; t < times.size(); ++t) {
      node->ReceiveInput(0, times[t]);
      const double got = node->GetStoredValue();
      const double want = expected[{static_cast<int>(c), static_cast<int>(t)}];
      ASSERT_TRUE(std::isfinite(got)) << cases[c].kind << " case " << c << " at " << times[t];
      EXPECT_NEAR(got, want, 1e-9 * std::max(1.0, std::fabs(want)))
          << cases[c].kind << " case " << c << " at " << times[t];
    }
  }
}

TEST(ValueNetworkFunctions, ClampCasesAndRampHolds) {
  SignalClamp clamp(0, 2, 0, 4);
  clamp.ReceiveInput(0, 7.9);
  EXPECT_EQ(clamp.GetStoredValue(), 4);
  clamp.ReceiveInput(0, 1.5);
  EXPECT_EQ(clamp.GetStoredValue(), 0);
  SignalLinearRamp ramp(0, 1, 9, 100, 200);
  for (double t : {0.0, 150.0, 199.99}) {
    ramp.ReceiveInput(0, t);
    EXPECT_EQ(ramp.GetStoredValue(), 1) << t;
  }
  for (double t : {300.0, 301.0, 5000.0}) {
    ramp.ReceiveInput(0, t);
    EXPECT_EQ(ramp.GetStoredValue(), 9) << t;
  }
}

TEST(ValueNetworkFunctions, UnusableInputsGiveTheEndValueNeverANumberThatIsNot) {
  const double nan = std::nan("");
  const double inf = HUGE_VAL;
  struct Case {
    const char* what;
    std::unique_ptr<SignalFunction> node;
    double time;
    double end;
  };
  Case cases[] = {
      {"ramp without duration", std::make_unique<SignalLinearRamp>(0, 1, 9, 0, 0), 0, 9},
      {"ease-out without duration", std::make_unique<SignalEaseOut>(0, 1, 9, 0, 0), 0, 9},
      {"speed ramp at time 0", std::make_unique<SignalSpeedRamp>(0, 4, 1, 10, 0), 0, 4},
      {"spring without mass", std::make_unique<SignalSpring>(0, 50, 3, 0, 1, 1), 10, 3},
      {"spring with negative mass", std::make_unique<SignalSpring>(0, 50, 3, -1, 1, 1), 10, 3},
      {"spring at an infinite time", std::make_unique<SignalSpring>(0, 50, 3, 1, 1, 10), inf, 3},
      {"spring with NaN stiffness", std::make_unique<SignalSpring>(0, 50, 3, 1, 1, nan), 10, 3},
      {"two-phase ramp without phases", std::make_unique<SignalTwoPhaseRamp>(0, 1, 5, 9, 0, 0, 0), 0, 9},
      {"sine of an infinite time", std::make_unique<SignalSine>(0, 2, 0, 1, 1), inf, 2},
      {"clamp of NaN", std::make_unique<SignalClamp>(0, 0, -2, 2), nan, -2},
  };
  for (Case& c : cases) {
    c.node->ReceiveInput(0, c.time);
    EXPECT_EQ(c.node->GetStoredValue(), c.end) << c.what;
  }
}

// ---- Timer, firing, deletion ----------------------------------------------

class ValueNetworkTest : public ::testing::Test {
 protected:
  void SetUp() override {
    bench_.clock().SetStepPerRead(0);
    bench_.clock().SetTickCount(20000);
  }
  void PassAt(uint32_t ms) {
    bench_.clock().SetTickCount(20000 + ms);
    bench_.Idle();
  }
  Bench bench_;
};

TEST_F(ValueNetworkTest, TimerDeliversOnItsIntervalEndsWithTheDurationAndSends103Once) {
  auto* timer = new SignalTimer(321, 40, bench_.recorder);
  auto* probe = new ProbeSink(1);
  timer->Subscribe(probe, 0);
  timer->Start(500);
  for (uint32_t ms = 0; ms <= 700; ms += 15) PassAt(ms);
  ASSERT_FALSE(probe->fired.empty());
  EXPECT_GE(probe->fired.front()[0], 40);
  // Steps at least one interval apart; only the end may come sooner.
  for (size_t i = 1; i + 1 < probe->fired.size(); ++i) EXPECT_GE(probe->fired[i][0] - probe->fired[i - 1][0], 40);
  EXPECT_EQ(probe->fired.back()[0], 500);
  EXPECT_EQ(bench_.log, (Log{"103 321"}));
  EXPECT_FALSE(timer->IsActive());
  delete timer;  // and with it the probe
}

TEST_F(ValueNetworkTest, SinkWithTwoInputsFiresOncePerStepAfterBoth) {
  auto* timer = new SignalTimer(7, 10, bench_.recorder);
  auto* x = new SignalLinearRamp(0, 0, 100, 100, 0);
  auto* y = new SignalLinearRamp(0, 50, 0, 100, 0);
  auto* probe = new ProbeSink(2);
  timer->Subscribe(x, 0);
  timer->Subscribe(y, 0);
  x->Subscribe(probe, 0);
  y->Subscribe(probe, 1);
  timer->Start(0);
  for (uint32_t ms : {10u, 20u, 50u}) PassAt(ms);
  EXPECT_EQ(probe->fired, (std::vector<std::vector<double>>{{10, 45}, {20, 40}, {50, 25}}));
  delete timer;
}

TEST_F(ValueNetworkTest, DeletingTheTimerDeletesWhatHangsOnlyFromIt) {
  int functions = 0, sinks = 0;
  auto* a = new SignalTimer(1, 10, bench_.recorder);
  auto* b = new SignalTimer(2, 10, bench_.recorder);
  auto* only = new CountedRamp(&functions, 0, 1, 10, 0);
  auto* shared = new CountedRamp(&functions, 0, 1, 10, 0);
  auto* sinkOfOnly = new ProbeSink(1, &sinks);
  auto* sinkOfShared = new ProbeSink(1, &sinks);
  a->Subscribe(only, 0);
  a->Subscribe(shared, 0);
  b->Subscribe(shared, 1);
  only->Subscribe(sinkOfOnly, 0);
  shared->Subscribe(sinkOfShared, 0);
  a->Subscribe(nullptr, 0);  // changes nothing
  EXPECT_EQ(a->GetSubscriberCount(), 2);
  delete a;
  EXPECT_EQ(functions, 1);
  EXPECT_EQ(sinks, 1);
  EXPECT_EQ(shared->GetConnectedCount(), 1);
  b->Start(0);
  PassAt(10);
  EXPECT_EQ(sinkOfShared->fired.size(), 1u) << "the survivor still runs from the other timer";
  delete b;
  EXPECT_EQ(functions, 2);
  EXPECT_EQ(sinks, 2);
}

TEST_F(ValueNetworkTest, DeletingTheParentDeletesTimerAndGraph) {
  int sinks = 0;
  auto* screen = new VControl(0, 90, 0, 0, 0, 50, 50, bench_.recorder);
  auto* timer = new SignalTimer(3, 10, screen);
  timer->Subscribe(new ProbeSink(1, &sinks), 0);
  timer->Start(100);
  PassAt(10);
  delete screen;
  EXPECT_EQ(sinks, 1);
  PassAt(20);  // the task list no longer holds the timer
}

TEST_F(ValueNetworkTest, OwnerMayDeleteTheTimerWhileAnswering103) {
  int sinks = 0;
  SignalTimer* timer = new SignalTimer(44, 40, bench_.recorder);
  timer->Subscribe(new ProbeSink(1, &sinks), 0);
  auto* other = new SignalTimer(45, 40, bench_.recorder);
  auto* otherProbe = new ProbeSink(1);
  other->Subscribe(otherProbe, 0);
  bench_.recorder->onEvent = [&](uint32_t code, uint32_t value, uint32_t) {
    if (code == SignalTimer::kMessageTimerEnded && value == 44) {
      delete timer;
      timer = nullptr;
    }
  };
  timer->Start(80);
  other->Start(0);
  for (uint32_t ms = 0; ms <= 200; ms += 20) PassAt(ms);
  EXPECT_EQ(timer, nullptr);
  EXPECT_EQ(sinks, 1);
  EXPECT_EQ(otherProbe->fired.size(), 5u) << "the task after the deleted one is still stepped";
  delete other;
}

TEST_F(ValueNetworkTest, SinksApplyWholeValuesAndRefuseWhatTheyCannotShow) {
  VPicture* picture = SolidPicture(10, 40, 0x112233);
  picture->SetFrameCount(4);
  auto* target = new VPictureControl(70, picture, 5, 6, 0, 10, 10, bench_.recorder);
  picture->Release();

  SignalPositionSink position(target);
  EXPECT_EQ(position.GetInput(0), 5);
  EXPECT_EQ(position.GetInput(1), 6);
  position.ReceiveInput(0, 30.9);
  EXPECT_EQ(target->GetBounds().left, 30);
  position.ReceiveInput(1, -12.7);
  EXPECT_EQ(target->GetBounds().top, -12);
  for (double bad : {std::nan(""), HUGE_VAL, -HUGE_VAL}) {
    position.ReceiveInput(0, bad);
    EXPECT_EQ(target->GetBounds().left, 30);
    EXPECT_EQ(target->GetBounds().top, -12);
  }

  SignalFrameSink frame(target);
  for (double f : {2.0, 0.0, 5.0, -1.0, std::nan("")}) frame.ReceiveInput(0, f);
  EXPECT_EQ(target->GetFrame(), 2) << "frames outside 1..count are ignored";
  frame.ReceiveInput(0, 4.99);
  EXPECT_EQ(target->GetFrame(), 4);

  SignalWidthSink width(target);
  width.ReceiveInput(0, 3);  // width 10 - (3 - left 30) = 37
  EXPECT_EQ(target->GetWidth(), 37);

  SignalLevelSink level(target);
  level.ReceiveInput(0, 20.6);
  PixelMapAttributes attributes;
  ASSERT_TRUE(target->GetPixelAttributes(attributes));
  EXPECT_EQ(attributes.GetLevel(), 20);
  level.ReceiveInput(0, 400);
  ASSERT_TRUE(target->GetPixelAttributes(attributes));
  EXPECT_EQ(attributes.GetLevel(), 63);
  EXPECT_EQ(attributes.flags & 4, 0) << "the full level clears the level flag";

  SignalPositionSink nothing(nullptr);
  nothing.ReceiveInput(0, 1);  // a null target does nothing
}

TEST_F(ValueNetworkTest, DateAndCarouselSinksDriveTheirTargets) {
  struct Screen : DayNumberTarget, VisibleCountTarget {
    int32_t day = 700000, count = 3;
    std::vector<int32_t> days, counts;
    int32_t GetDateDayNumber() override { return day; }
    void SetDateDayNumber(int32_t d) override { days.push_back(day = d); }
    int32_t GetVisibleCount() override { return count; }
    void SetVisibleCount(int32_t c) override { counts.push_back(count = c); }
  } screen;
  SignalDateSink date(&screen);
  EXPECT_EQ(date.GetInput(0), 700000);
  for (double d : {700000.5, 700001.2, 700001.9, 700010.0}) date.ReceiveInput(0, d);
  EXPECT_EQ(screen.days, (std::vector<int32_t>{700001, 700010}));
  SignalCarouselSink carousel(&screen);
  EXPECT_EQ(carousel.GetInputCount(), 20);
  for (double c : {3.0, 4.0, 4.5, 20.0}) carousel.ReceiveInput(0, c);
  EXPECT_EQ(screen.counts, (std::vector<int32_t>{4, 20}));
}

}  // namespace
