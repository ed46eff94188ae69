// The shared trigonometric tables and the camera's motion: table values at
// their edges, the fast functions' reductions and guards, the speed limit,
// seeks that end exactly on their target once, and refused input.
#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>
#include <numbers>

#include "engine/panorama/PanoramaTables.h"
#include "engine/panorama/VNavigator.h"
#include "platform/Clock.h"

namespace {

constexpr float kPi = std::numbers::pi_v<float>;

class Tables : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_NE(AcquirePanoramaTables(), nullptr);
    BuildSineTable(8192);
    BuildArcsineTable(8192);
    BuildCosecantTable(8192);
  }
  void TearDown() override { ReleasePanoramaTables(); }
};

TEST_F(Tables, HoldExactEndsAndTheFastFunctionsReduceAnyAngle) {
  const PanoramaTables* t = PeekPanoramaTables();
  ASSERT_NE(t, nullptr);
  EXPECT_EQ(t->sine.entries.front(), 0.0f);
  EXPECT_EQ(t->sine.entries.back(), 1.0f);
  EXPECT_EQ(t->arcsine.entries.back(), 1.57079632679490f);
  EXPECT_EQ(t->cosecant.entries.back(), 1.0f);
  EXPECT_NEAR(t->sine.entries[4096], std::sin(4096 * (kPi / 2) / 8191), 1e-6);

  EXPECT_EQ(FastCosecant(0.0f), FLT_MAX);
  EXPECT_EQ(FastCosecant(-0.5f), -FastCosecant(0.5f));
  EXPECT_EQ(FastCosecant(3.0f), FastCosecant(kPi - 3.0f));
  EXPECT_NEAR(FastCosecant(0.5f), 1.0 / std::sin(0.5), 1e-3);
  EXPECT_NEAR(FastSecant(0.3f), 1.0 / std::cos(0.3), 1e-3);
  EXPECT_NEAR(FastCosecant(0.5f + 4 * kPi), FastCosecant(0.5f), 1e-3);
  EXPECT_NEAR(FastArcsine(0.5f), std::asin(0.5), 1e-3);
  EXPECT_EQ(FastArcsine(-0.5f), -FastArcsine(0.5f));
}

TEST_F(Tables, OutOfRangeArgumentsAreLimitedNeverReadOutsideTheTable) {
  // Beyond [-1, 1] the arcsine is that of the limit; NaN and infinities read
  // as 0 (the tests run under the address sanitizer).
  EXPECT_EQ(FastArcsine(7.0f), FastArcsine(1.0f));
  EXPECT_EQ(FastArcsine(-1e30f), -FastArcsine(1.0f));
  EXPECT_EQ(FastArcsine(std::nanf("")), 0.0f);
  EXPECT_EQ(FastCosecant(std::nanf("")), FLT_MAX);
  EXPECT_EQ(FastCosecant(INFINITY), FLT_MAX);
  EXPECT_TRUE(std::isfinite(FastSecant(1e30f)));
}

TEST_F(Tables, ASecondBuildOfTheSameSizeKeepsTheTable) {
  const float* before = PeekPanoramaTables()->sine.entries.data();
  BuildSineTable(8192);
  BuildSineTable(100);
  EXPECT_EQ(PeekPanoramaTables()->sine.entries.data(), before);
  EXPECT_EQ(PeekPanoramaTables()->sine.count, 8192);
}

TEST(TablesLifetime, TheLastReleaseFreesTheSharedObjectAndEmptyTablesAnswerOne) {
  ASSERT_EQ(PeekPanoramaTables(), nullptr);
  EXPECT_EQ(FastArcsine(0.5f), 1.0f);
  EXPECT_EQ(FastCosecant(0.5f), 1.0f);
  PanoramaTables* a = AcquirePanoramaTables();
  PanoramaTables* b = AcquirePanoramaTables();
  EXPECT_EQ(a, b);
  EXPECT_EQ(a->referenceCount, 2);
  ReleasePanoramaTables();
  EXPECT_EQ(PeekPanoramaTables(), a);
  ReleasePanoramaTables();
  EXPECT_EQ(PeekPanoramaTables(), nullptr);
}

// ---- Navigator ---------------------------------------------------------------

class TestNavigator : public VNavigator {
 public:
  TestNavigator(float speed, float acceleration, float deceleration) : VNavigator(speed, acceleration, deceleration) {}
  void Arrived() override { ++arrivals; }
  void GetBounds(Vec3& minimum, Vec3& maximum) override {
    minimum = {-10.0f, -1.0f, 0.0f};
    maximum = {10.0f, 1.0f, 0.0f};
  }
  int arrivals = 0;
};

TEST(Navigator, ALengthOfExactlyOneIsLimitedToTheMaximumSpeed) {
  TestNavigator n(0.5f, 1.0f, 1.0f);
  Vec3 v{1.0f, 0.0f, 0.0f};
  n.LimitSpeed(v);
  EXPECT_EQ(v[0], 0.5f);
  Vec3 slow{0.3f, 0.0f, 0.0f};
  n.LimitSpeed(slow);
  EXPECT_EQ(slow[0], 0.3f);
  Vec3 zero{0.0f, 0.0f, 0.0f};
  n.LimitSpeed(zero);
  EXPECT_EQ(zero, (Vec3{0.0f, 0.0f, 0.0f}));
}

TEST(Navigator, ASeekFromRestSlowsDownAndEndsExactlyOnTheTargetWithOneArrival) {
  platform::FakeClock clock;
  platform::ScopedClockSource scoped(&clock);
  TestNavigator n(2.0f, 0.5f, 4.0f);
  ASSERT_TRUE(n.SetPosition({0.0f, 0.0f, 0.0f}));
  const Vec3 target{1.25f, -0.5f, 0.0f};
  ASSERT_TRUE(n.SeekTo(target));
  float lastSpeed = 0.0f;
  bool slowedDown = false;
  int steps = 0;
  while (n.IsSeeking() && steps < 10000) {
    clock.AdvanceMilliseconds(20);
    n.UpdateNavigator();
    const Vec3& v = n.GetVelocity();
    const float speed = std::sqrt(v[0] * v[0] + v[1] * v[1]);
    if (speed < lastSpeed) slowedDown = true;
    lastSpeed = speed;
    ++steps;
  }
  EXPECT_FALSE(n.IsSeeking());
  EXPECT_TRUE(slowedDown);
  EXPECT_EQ(n.GetPosition(), target);
  EXPECT_EQ(n.arrivals, 1);
  EXPECT_EQ(n.GetVelocity(), (Vec3{0.0f, 0.0f, 0.0f}));
  for (int i = 0; i < 20; ++i) {
    clock.AdvanceMilliseconds(20);
    n.UpdateNavigator();
  }
  EXPECT_EQ(n.GetPosition(), target);
  EXPECT_EQ(n.arrivals, 1) << "a seek arrives once";
}

TEST(Navigator, ASeekToWhereTheCameraIsArrivesAtOnce) {
  TestNavigator n(2.0f, 0.5f, 4.0f);
  ASSERT_TRUE(n.SeekTo({0.0f, 0.0f, 0.0f}));
  n.UpdateNavigator();
  EXPECT_FALSE(n.IsSeeking());
  EXPECT_EQ(n.arrivals, 1);
}

TEST(Navigator, WithAZeroDirectionNeitherVelocityNorPositionChange) {
  TestNavigator n(2.0f, 0.5f, 4.0f);
  n.SetVelocity({0.3f, 0.0f, 0.0f});
  ASSERT_TRUE(n.Steer({0.0f, 0.0f, 0.0f}));
  n.UpdateNavigator();
  EXPECT_EQ(n.GetVelocity(), (Vec3{0.3f, 0.0f, 0.0f}));
  EXPECT_EQ(n.GetPosition(), (Vec3{0.0f, 0.0f, 0.0f}));
}

TEST(Navigator, SteeringAcceleratesUpToTheMaximumSpeedAndStaysInsideTheBounds) {
  platform::FakeClock clock;
  platform::ScopedClockSource scoped(&clock);
  TestNavigator n(1.0f, 2.0f, 2.0f);
  ASSERT_TRUE(n.Steer({0.0f, 1.0f, 0.0f}));
  for (int i = 0; i < 200; ++i) {
    clock.AdvanceMilliseconds(20);
    n.UpdateNavigator();
    const Vec3& v = n.GetVelocity();
    ASSERT_LE(std::sqrt(v[0] * v[0] + v[1] * v[1]), 1.0f + 1e-6f);
  }
  EXPECT_EQ(n.GetPosition()[1], 1.0f) << "clamped to the upper bound";
}

TEST(Navigator, NonFiniteTargetsPositionsAndDirectionsAreRefused) {
  TestNavigator n(1.0f, 1.0f, 1.0f);
  const float nan = std::nanf("");
  EXPECT_FALSE(n.SeekTo({nan, 0.0f, 0.0f}));
  EXPECT_FALSE(n.SeekTo({0.0f, INFINITY, 0.0f}));
  EXPECT_FALSE(n.SetPosition({nan, nan, 0.0f}));
  EXPECT_FALSE(n.Steer({INFINITY, 0.0f, 0.0f}));
  EXPECT_FALSE(n.IsSeeking());
  EXPECT_FALSE(n.IsSteering());
  n.UpdateNavigator();
  for (float c : n.GetPosition()) EXPECT_TRUE(std::isfinite(c));
  n.SetMaxSpeed(nan);
  EXPECT_EQ(n.GetMaxSpeed(), 0.0f);
}

}  // namespace
