// The mutex with one frequent party: it must exclude exactly as a mutex does,
// however the frequent party and the others meet.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>
#include <vector>

#include "engine/core/VBiasedMutex.h"
#include "platform/AsymmetricFence.h"

namespace {

// A read, a pause and a write of a plain counter: two parties inside at once
// lose an increment; `inside` catches the overlap itself.
struct Guarded {
  int counter = 0;
  std::atomic<int> inside{0};
  std::atomic<int> overlaps{0};
  void Increment(int pause) {
    if (inside.fetch_add(1) != 0) ++overlaps;
    const int seen = counter;
    for (int i = 0; i < pause; ++i) std::atomic_signal_fence(std::memory_order_seq_cst);
    counter = seen + 1;
    inside.fetch_sub(1);
  }
};

// The frequent party in a tight loop (as the mixer passes its channels)
// against others that come now and then, some nesting their hold.
TEST(VBiasedMutexTest, FrequentPartyAndOthersNeverOverlap) {
  VBiasedMutex m;
  Guarded g;
  constexpr int kOthers = 3, kEach = 2000;
  std::atomic<bool> othersDone{false};
  int frequentPasses = 0;
  std::thread frequent([&] {
    // Until the others are done, so that the two sides meet throughout.
    for (; !othersDone.load(std::memory_order_relaxed); ++frequentPasses) {
      m.EnterFrequent();
      g.Increment(frequentPasses % 4);
      m.LeaveFrequent();
    }
  });
  std::vector<std::thread> others;
  for (int t = 0; t < kOthers; ++t) {
    others.emplace_back([&, t] {
      for (int i = 0; i < kEach; ++i) {
        VBiasedMutexLock hold(m);
        if ((i + t) % 3 == 0) {
          VBiasedMutexLock again(m);
          g.Increment(8);
        } else {
          g.Increment(8);
        }
        if (i % 500 == 0) std::this_thread::sleep_for(std::chrono::microseconds(200));  // the frequent party queues
      }
    });
  }
  for (std::thread& t : others) t.join();
  othersDone = true;
  frequent.join();
  EXPECT_EQ(g.overlaps.load(), 0);
  EXPECT_EQ(g.counter, frequentPasses + kOthers * kEach);
}

// Each side waits for the other to leave: another party while the frequent
// one is inside, and the frequent one while another holds the mutex.
TEST(VBiasedMutexTest, EachSideWaitsForTheOther) {
  VBiasedMutex m;
  std::atomic<bool> entered{false};
  m.EnterFrequent();
  std::thread other([&] {
    VBiasedMutexLock hold(m);
    entered = true;
  });
  std::this_thread::sleep_for(std::chrono::milliseconds(30));
  EXPECT_FALSE(entered.load());
  m.LeaveFrequent();
  other.join();
  EXPECT_TRUE(entered.load());

  std::atomic<bool> holding{false}, released{false};
  std::thread holder([&] {
    m.Wait();
    holding = true;
    std::this_thread::sleep_for(std::chrono::milliseconds(30));
    released = true;
    m.Release();
  });
  while (!holding) std::this_thread::yield();
  m.EnterFrequent();
  EXPECT_TRUE(released.load());
  m.LeaveFrequent();
  holder.join();
}

// The kernel offers the process-wide fence here (Linux 4.14 on); where it
// does not, both sides use full fences, which the tests above cover too.
TEST(VBiasedMutexTest, ReportsWhichFenceTheOthersUse) {
  const bool processWide = platform::HasProcessWideFence();
  EXPECT_EQ(processWide, platform::HasProcessWideFence());
  platform::RareSideFence();  // either kind returns
  RecordProperty("process_wide_fence", processWide ? "yes" : "no");
}

}  // namespace
