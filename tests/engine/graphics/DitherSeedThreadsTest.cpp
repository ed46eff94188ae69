// The random ditherer's one-time seeding, asked for by several threads at
// once (the user-interface thread and the decoders' threads make ditherers).
// The sanitizer builds check that nothing races.
#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

#include "engine/graphics/Ditherers.h"
#include "platform/Rand.h"

namespace {

TEST(DitherSeedThreads, EveryThreadSeesTheSeedDoneWhenItsCallReturns) {
  constexpr int kThreads = 8;
  std::atomic<int> ready{0};
  std::atomic<int> sawUnseeded{0};
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([&] {
      ready.fetch_add(1);
      while (ready.load() < kThreads) std::this_thread::yield();
      for (int i = 0; i < 1000; ++i) {
        SeedRandomDitherOnce();
        if (!IsRandomDitherSeeded()) sawUnseeded.fetch_add(1);
        platform::Rand();  // each thread's own generator
      }
    });
  }
  for (auto& thread : threads) thread.join();
  EXPECT_EQ(sawUnseeded.load(), 0);
  EXPECT_TRUE(IsRandomDitherSeeded());
}

TEST(DitherSeedThreads, LaterSeedingDoesNotRestartTheSequence) {
  SeedRandomDitherOnce();
  platform::SeedRand(77);
  const int first = platform::Rand();
  platform::SeedRand(77);
  std::thread other([] { SeedRandomDitherOnce(); });
  other.join();
  SeedRandomDitherOnce();
  EXPECT_EQ(platform::Rand(), first);
}

}  // namespace
