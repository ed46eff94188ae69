#include "platform/Thread.h"

#include <pthread.h>
#include <sched.h>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace platform {

bool SetCurrentThreadPriority(int priority) {
  if (priority >= kPriorityTimeCritical) {
    sched_param param{};
    param.sched_priority = sched_get_priority_min(SCHED_FIFO);
    if (pthread_setschedparam(pthread_self(), SCHED_FIFO, &param) == 0) {
      return true;
    }
    // Real-time scheduling refused: fall back to the highest nice level we may take.
    priority = kPriorityHighest;
  }
  // Map the priority onto the calling thread's nice value (Linux: per thread).
  int nice = 0;
  if (priority <= kPriorityIdle) {
    nice = 19;
  } else {
    nice = -priority * 5;
  }
  pid_t tid = static_cast<pid_t>(syscall(SYS_gettid));
  return setpriority(PRIO_PROCESS, static_cast<id_t>(tid), nice) == 0;
}

uint32_t CurrentThreadId() { return static_cast<uint32_t>(syscall(SYS_gettid)); }

}  // namespace platform
