#include "platform/AsymmetricFence.h"

#include <linux/membarrier.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace platform {

namespace {

long Membarrier(int command) { return syscall(SYS_membarrier, command, 0, 0); }

}  // namespace

// The expedited private barrier interrupts only the processors that run a
// thread of this process; it must be registered for before its first use.
bool RegisterProcessWideFence() {
  const long commands = Membarrier(MEMBARRIER_CMD_QUERY);
  if (commands < 0 || (commands & MEMBARRIER_CMD_PRIVATE_EXPEDITED) == 0) return false;
  return Membarrier(MEMBARRIER_CMD_REGISTER_PRIVATE_EXPEDITED) == 0;
}

void RareSideFence() {
  // Once registered, the kernel does not refuse this command.
  if (HasProcessWideFence()) {
    Membarrier(MEMBARRIER_CMD_PRIVATE_EXPEDITED);
    return;
  }
  FullFence();
}

}  // namespace platform
