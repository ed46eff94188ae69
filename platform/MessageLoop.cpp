#include "platform/MessageLoop.h"

#include "platform/WindowQueue.h"

namespace platform {

bool PumpMessage(const MessageLoopHooks& hooks, int32_t* exitCode) {
  Message m;
  if (!GetMessage(m)) {
    if (exitCode != nullptr) {
      *exitCode = static_cast<int32_t>(static_cast<uint32_t>(m.wParam));
    }
    return false;
  }
  if (hooks.preDispatch && hooks.preDispatch(m)) {
    return true;
  }
  DispatchMessage(m);
  return true;
}

int32_t RunMessageLoop(const MessageLoopHooks& hooks) {
  bool idle = true;
  int32_t idleCount = 0;
  for (;;) {
    Message peeked;
    while (idle && !PeekMessage(peeked, false)) {
      if (!hooks.onIdle || !hooks.onIdle(idleCount++)) {
        idle = false;  // nothing more to do until a message comes: GetMessage blocks
        break;
      }
      if (hooks.idleWait) {
        const uint64_t wait = hooks.idleWait();
        if (wait > 0) {
          WaitForMessageMicroseconds(wait);
        }
      }
    }
    do {
      int32_t exitCode = 0;
      if (!PumpMessage(hooks, &exitCode)) {
        return exitCode;
      }
      idle = true;
      idleCount = 0;
    } while (PeekMessage(peeked, false));
  }
}

}  // namespace platform
