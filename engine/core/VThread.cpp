#include "engine/core/VThread.h"

#include <chrono>
#include <future>
#include <system_error>
#include <utility>

#include "platform/Thread.h"

VThread::~VThread() {
  Join();
  std::lock_guard<std::mutex> guard(startMutex_);
  if (thread_.joinable()) {
    // Only reached when the object is destroyed by its own thread, which
    // cannot wait for itself; letting it go is the one way not to abort.
    thread_.detach();
  }
}

uint32_t VThread::ThreadEntry(VThread* thread) {
  if (thread == nullptr) {
    return 0xFFFFFFFFu;
  }
  uint32_t code = thread->Run();
  thread->exitCode_.store(code, std::memory_order_release);
  thread->threadId_.store(0, std::memory_order_release);
  // Last touch of the object: after this, Start may run it anew.
  thread->running_.store(false, std::memory_order_release);
  return code;
}

bool VThread::Start(int priority) {
  std::thread finished;
  {
    std::lock_guard<std::mutex> guard(startMutex_);
    if (running_.load(std::memory_order_acquire)) {
      return false;
    }
    // A thread whose Run has returned is ending; collect it before reuse.
    finished = std::move(thread_);
  }
  if (finished.joinable()) {
    finished.join();
  }

  std::lock_guard<std::mutex> guard(startMutex_);
  if (running_.load(std::memory_order_acquire) || thread_.joinable()) {
    return false;  // another caller started it meanwhile
  }
  std::promise<void> started;
  std::future<void> ready = started.get_future();
  running_.store(true, std::memory_order_release);
  try {
    // The thread owns the promise, so its state outlives the signal.
    thread_ = std::thread([this, priority, started = std::move(started)]() mutable {
      threadId_.store(platform::CurrentThreadId(), std::memory_order_release);
      platform::SetCurrentThreadPriority(priority);
      started.set_value();
      ThreadEntry(this);
    });
  } catch (const std::system_error&) {
    running_.store(false, std::memory_order_release);
    return false;
  }
  // The id is filled before Start answers, as the creation call would.
  ready.wait();
  return true;
}

void VThread::Join() {
  std::thread thread;
  {
    std::lock_guard<std::mutex> guard(startMutex_);
    if (!thread_.joinable()) {
      return;
    }
    if (thread_.get_id() == std::this_thread::get_id()) {
      return;  // a thread cannot wait for itself
    }
    thread = std::move(thread_);
  }
  thread.join();
}

void VThread::Sleep(uint32_t milliseconds) {
  std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
}
