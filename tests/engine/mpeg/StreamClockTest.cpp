// The pausable 90 kHz movie clock and its drift filter, on a fake time source.
#include <gtest/gtest.h>

#include "engine/core/Clock.h"
#include "engine/mpeg/StreamClock.h"
#include "platform/Clock.h"

namespace {

class StreamClockTest : public ::testing::Test {
 protected:
  platform::FakeClock fake_{1000000000ull};
  platform::ScopedClockSource scope_{&fake_};
  void SetUp() override { InitClock(); }
};

TEST_F(StreamClockTest, RunsOnlyWhileResumedAndKeepsItsTimeOverAPause) {
  StreamClock clock;
  clock.Reset();
  clock.Resume();
  clock.AddDriftSample(0);  // no drift: the filter holds 0
  fake_.AdvanceMilliseconds(1000);
  EXPECT_NEAR(clock.GetTime(), 90000, 1);
  clock.Pause();
  const int64_t before = clock.GetTime();
  fake_.AdvanceMilliseconds(2000);
  EXPECT_EQ(clock.GetTime(), before);
  clock.Resume();
  EXPECT_NEAR(clock.GetTime(), before, 1);
  fake_.AdvanceMilliseconds(500);
  EXPECT_NEAR(clock.GetTime(), before + 45000, 1);
}

TEST_F(StreamClockTest, DriftSamplesPullTheClockAndStopStartsAFreshFilter) {
  StreamClock clock;
  clock.Reset();
  clock.AddDriftSample(9000);  // before the first Resume: ignored
  EXPECT_FALSE(clock.HasDriftFilter());
  clock.Resume();
  clock.AddDriftSample(9000);  // the first sample becomes the smoothed value
  EXPECT_NEAR(clock.GetTime(), 9000, 1);
  clock.AddDriftSample(-9000);
  // 0.8 * 9000 + 0.2 * -9000
  EXPECT_NEAR(clock.GetTime(), 5400, 2);
  clock.Stop();
  EXPECT_FALSE(clock.HasDriftFilter());
  clock.Resume();
  clock.AddDriftSample(-4500);
  EXPECT_NEAR(clock.GetTime(), -4500, 1);
}

TEST(StreamClockTicksTest, MicrosecondsBecomeNinetyKilohertzTicks) {
  EXPECT_EQ(StreamClock::MicrosecondsToTicks(1000000), 90000);
  EXPECT_EQ(StreamClock::MicrosecondsToTicks(11), 0);
  EXPECT_EQ(StreamClock::MicrosecondsToTicks(12), 1);
}

}  // namespace
