#include <gtest/gtest.h>

#include <thread>

#include "platform/Clock.h"
#include "platform/Rand.h"
#include "platform/Thread.h"

namespace {

TEST(Rand, MatchesTheRuntimeSequence) {
  // Seed 1 is the runtime's default; its first values are well known.
  platform::SeedRand(1);
  const int expected[] = {41, 18467, 6334, 26500, 19169, 15724, 11478, 29358};
  for (int e : expected) EXPECT_EQ(platform::Rand(), e);
  platform::SeedRand(1);
  EXPECT_EQ(platform::Rand(), 41);
}

TEST(Rand, IsPerThread) {
  platform::SeedRand(1);
  int other = -1;
  std::thread t([&] { other = platform::Rand(); });
  t.join();
  EXPECT_EQ(other, 41);
  EXPECT_EQ(platform::Rand(), 41);
}

TEST(Clock, SystemClockIsMonotonic) {
  uint64_t a = platform::PerformanceCounter();
  platform::SleepMilliseconds(2);
  uint64_t b = platform::PerformanceCounter();
  EXPECT_GE(b - a, 2000000u);
  EXPECT_EQ(platform::PerformanceFrequency(), 1000000000u);
}

TEST(Clock, FakeClockDrivesEveryReading) {
  platform::FakeClock fake;
  platform::ScopedClockSource scope(&fake);
  fake.SetTickCount(0xFFFFFFF0u);
  EXPECT_EQ(platform::TickCount(), 0xFFFFFFF0u);
  fake.AdvanceMilliseconds(0x20);
  EXPECT_EQ(platform::TickCount(), 0x10u);  // wraps like a 32-bit tick count
  platform::SleepMilliseconds(250);
  EXPECT_EQ(fake.SleptMilliseconds(), 250u);
  EXPECT_EQ(platform::Microseconds(), (0x100000010ull * 1000 + 250000));
}

TEST(Thread, PriorityRequestsAreBestEffort) {
  std::thread t([] {
    platform::SetCurrentThreadPriority(platform::kPriorityTimeCritical);  // may be refused
    EXPECT_TRUE(platform::SetCurrentThreadPriority(platform::kPriorityIdle));
    EXPECT_NE(platform::CurrentThreadId(), 0u);
  });
  t.join();
}

}  // namespace
