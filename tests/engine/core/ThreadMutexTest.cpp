// Threads, recursive timed mutexes and reference counts.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <future>
#include <thread>
#include <vector>

#include "engine/core/VMutex.h"
#include "engine/core/VRefCount.h"
#include "engine/core/VThread.h"

namespace {

// Runs until released; counts its runs.
class GatedThread : public VThread {
 public:
  ~GatedThread() override {
    Open();
    Join();
  }
  uint32_t Run() override {
    ++runs;
    seenId = GetThreadId();
    while (!gate.load()) {
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return 40 + runs.load();
  }
  void Open() { gate = true; }

  std::atomic<bool> gate{false};
  std::atomic<int> runs{0};
  std::atomic<uint32_t> seenId{0};
};

// A worker loop with its own stop flag, stopped and joined by its destructor.
class LoopThread : public VThread {
 public:
  ~LoopThread() override {
    stop = true;
    Join();
  }
  uint32_t Run() override {
    while (!stop.load()) {
      Step();
      Sleep(1);
    }
    return 0;
  }
  bool Step() override {
    ++steps;
    return true;
  }
  std::atomic<bool> stop{false};
  std::atomic<int> steps{0};
};

TEST(VThreadTest, StartTwiceAnswersFalseAndRunsOnce) {
  GatedThread t;
  EXPECT_FALSE(t.IsRunning());
  EXPECT_EQ(t.GetThreadId(), 0u);
  ASSERT_TRUE(t.Start(0));
  EXPECT_TRUE(t.IsRunning());
  EXPECT_NE(t.GetThreadId(), 0u);
  EXPECT_FALSE(t.Start(0));
  t.Open();
  t.Join();
  EXPECT_EQ(t.runs.load(), 1);
  EXPECT_FALSE(t.IsRunning());
  EXPECT_EQ(t.GetThreadId(), 0u);
  EXPECT_EQ(t.GetExitCode(), 41u);
}

TEST(VThreadTest, StartsAnewAfterRunReturns) {
  GatedThread t;
  t.Open();
  ASSERT_TRUE(t.Start(0));
  // Wait for Run to return without joining: the handle clears by itself.
  for (int i = 0; i < 2000 && t.IsRunning(); ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  ASSERT_FALSE(t.IsRunning());
  ASSERT_TRUE(t.Start(0));
  t.Join();
  EXPECT_EQ(t.runs.load(), 2);
  EXPECT_EQ(t.GetExitCode(), 42u);
}

TEST(VThreadTest, TimeCriticalPriorityMayBeRefusedButStarts) {
  GatedThread t;
  ASSERT_TRUE(t.Start(15));
  t.Open();
  t.Join();
  EXPECT_EQ(t.runs.load(), 1);
}

TEST(VThreadTest, DestroyingARunningLoopStopsAndJoinsIt) {
  auto* t = new LoopThread;
  ASSERT_TRUE(t->Start(0));
  while (t->steps.load() < 3) {
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  delete t;  // must neither abort nor leave a thread behind
}

TEST(VThreadTest, BaseRunAndEntryWithoutObject) {
  VThread t;
  EXPECT_TRUE(t.Start(0));
  t.Join();
  EXPECT_EQ(t.GetExitCode(), 0u);
  EXPECT_EQ(VThread::ThreadEntry(nullptr), 0xFFFFFFFFu);
  // Destroying a never-joined but finished thread is fine too.
  VThread u;
  EXPECT_TRUE(u.Start(0));
}

TEST(VMutexTest, RecursiveForTheOwner) {
  VMutex m;
  ASSERT_TRUE(m.Wait(VMutex::kInfinite));
  ASSERT_TRUE(m.Wait(0));
  EXPECT_TRUE(m.IsHeldByCurrentThread());
  EXPECT_TRUE(m.Release());
  EXPECT_TRUE(m.IsHeldByCurrentThread());
  EXPECT_TRUE(m.Release());
  EXPECT_FALSE(m.IsHeldByCurrentThread());
  EXPECT_FALSE(m.Release());  // not owned any more
}

TEST(VMutexTest, OtherThreadTimesOutThenGetsIt) {
  VMutex m;
  ASSERT_TRUE(m.Wait(VMutex::kInfinite));
  auto other = std::async(std::launch::async, [&m] {
    bool tryNow = m.Wait(0);
    auto t0 = std::chrono::steady_clock::now();
    bool timed = m.Wait(50);
    auto waited = std::chrono::steady_clock::now() - t0;
    bool released = m.Release();  // not the owner: refused
    return std::make_tuple(tryNow, timed, waited, released);
  });
  auto [tryNow, timed, waited, released] = other.get();
  EXPECT_FALSE(tryNow);
  EXPECT_FALSE(timed);
  EXPECT_GE(waited, std::chrono::milliseconds(45));
  EXPECT_FALSE(released);
  EXPECT_TRUE(m.Release());

  auto later = std::async(std::launch::async, [&m] {
    bool got = m.Wait(30000);  // free at once; the long limit only absorbs a loaded machine
    return got && m.Release();
  });
  EXPECT_TRUE(later.get());
}

TEST(VMutexTest, ScopeLockExcludesOtherThreads) {
  VMutex m;
  int counter = 0;
  auto work = [&] {
    for (int i = 0; i < 10000; ++i) {
      VMutexLock lock(m);
      VMutexLock again(m);  // recursion inside the scope
      ++counter;
    }
  };
  std::thread a(work), b(work);
  a.join();
  b.join();
  EXPECT_EQ(counter, 20000);
  EXPECT_FALSE(m.IsHeldByCurrentThread());
}

// Under contention (waiters asleep in the kernel) every thread gets its turn,
// waiting without limit, with a time-out or only trying, and no increment is
// lost.
TEST(VMutexTest, ContendedWaitersOfEveryKindAllGetTheirTurn) {
  VMutex m;
  int counter = 0;
  const uint32_t timeouts[] = {VMutex::kInfinite, VMutex::kInfinite, 1, 0};
  std::vector<std::thread> threads;
  for (const uint32_t timeout : timeouts) {
    threads.emplace_back([&m, &counter, timeout] {
      for (int i = 0; i < 20000; ++i) {
        while (!m.Wait(timeout)) std::this_thread::yield();
        ++counter;
        if (i % 1000 == 0) std::this_thread::sleep_for(std::chrono::microseconds(50));  // others queue up
        m.Release();
      }
    });
  }
  for (std::thread& t : threads) t.join();
  EXPECT_EQ(counter, 80000);
  EXPECT_TRUE(m.Wait(0));
  EXPECT_TRUE(m.Release());
}

TEST(VMutexTest, ProgramMutexIsOneObject) {
  EXPECT_EQ(&GetProgramMutex(), &GetProgramMutex());
  VMutexLock lock(GetProgramMutex());
  EXPECT_TRUE(GetProgramMutex().IsHeldByCurrentThread());
}

class Counted : public VRefCount {
 public:
  explicit Counted(int* deletions) : deletions_(deletions) {}
  ~Counted() override { ++*deletions_; }

 private:
  int* deletions_;
};

TEST(VRefCountTest, CountsAndDeletesOnce) {
  int deletions = 0;
  auto* c = new Counted(&deletions);
  EXPECT_EQ(c->AddReference(), 2);
  EXPECT_EQ(c->Release(), 1);
  EXPECT_EQ(deletions, 0);
  EXPECT_EQ(c->Release(), 0);
  EXPECT_EQ(deletions, 1);
}

TEST(VRefCountTest, ConcurrentReferencesBalance) {
  int deletions = 0;
  auto* c = new Counted(&deletions);
  auto work = [c] {
    for (int i = 0; i < 5000; ++i) {
      c->AddReference();
      c->Release();
    }
  };
  std::thread a(work), b(work), d(work);
  a.join();
  b.join();
  d.join();
  EXPECT_EQ(c->GetReferenceCount(), 1);
  EXPECT_EQ(c->Release(), 0);
  EXPECT_EQ(deletions, 1);
}

}  // namespace
