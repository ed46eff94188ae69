// A worker thread that runs the virtual Run of its object. The thread is
// always joined: the destructor waits for it, so a class whose Run loops must
// end that loop (its own stop flag) and call Join in its own destructor,
// before its part of the object is destroyed.
#pragma once

#include <atomic>
#include <cstdint>
#include <mutex>
#include <thread>

class VThread {
 public:
  VThread() = default;
  // Waits for a running thread to end (see the note above).
  virtual ~VThread();
  VThread(const VThread&) = delete;
  VThread& operator=(const VThread&) = delete;

  // The thread's work; its answer is the thread's exit code. Empty here.
  virtual uint32_t Run() { return 0; }
  // One step of a worker loop, for derived classes; true to go on.
  virtual bool Step() { return false; }

  // Starts a thread running Run at the given priority (platform/Thread.h
  // levels; a refused priority is not an error). False when a thread of
  // this object is still running or the thread cannot be created. Once Run
  // has returned, Start may run the object again.
  bool Start(int priority);

  // Waits until the thread has ended (nothing when none runs, or when called
  // from the thread itself).
  void Join();

  // Whether a thread of this object is running (the handle is set).
  bool IsRunning() const { return running_.load(std::memory_order_acquire); }
  // The running thread's id, 0 when none runs.
  uint32_t GetThreadId() const { return threadId_.load(std::memory_order_acquire); }
  // The exit code of the last finished Run.
  uint32_t GetExitCode() const { return exitCode_.load(std::memory_order_acquire); }

  // Suspends the calling thread (always real time, never a test clock).
  static void Sleep(uint32_t milliseconds);

  // The thread entry: runs the object's Run, then clears its id and running
  // mark and answers Run's value; a null object answers 0xFFFFFFFF.
  static uint32_t ThreadEntry(VThread* thread);

 private:
  std::mutex startMutex_;  // serialises Start and Join
  std::thread thread_;
  std::atomic<bool> running_{false};
  std::atomic<uint32_t> threadId_{0};
  std::atomic<uint32_t> exitCode_{0};
};
