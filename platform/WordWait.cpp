#include "platform/WordWait.h"

#include <linux/futex.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <ctime>

namespace platform {

void WaitOnWord(std::atomic<uint32_t>& word, uint32_t expected, int64_t timeoutNs) {
  timespec timeout{};
  if (timeoutNs >= 0) {
    timeout.tv_sec = static_cast<time_t>(timeoutNs / 1000000000);
    timeout.tv_nsec = static_cast<long>(timeoutNs % 1000000000);
  }
  syscall(SYS_futex, reinterpret_cast<uint32_t*>(&word), FUTEX_WAIT_PRIVATE, expected,
          timeoutNs >= 0 ? &timeout : nullptr, nullptr, 0);
}

void WakeOneOnWord(std::atomic<uint32_t>& word) {
  syscall(SYS_futex, reinterpret_cast<uint32_t*>(&word), FUTEX_WAKE_PRIVATE, 1, nullptr, nullptr, 0);
}

}  // namespace platform
