// The program's message loop on top of the window queue: an idle step while
// the queue is empty, a pre-dispatch look at every message, and a pump for
// nested loops. Between idle steps the loop sleeps for as long as the idle
// handler says it can, so an idle program uses next to no processor time.
#pragma once

#include <cstdint>
#include <functional>

#include "platform/WindowMessage.h"

namespace platform {

struct MessageLoopHooks {
  // Sees every message before it is dispatched; true means handled (the
  // message is not dispatched).
  std::function<bool(const Message&)> preDispatch;
  // Called while the queue is empty with the count of idle calls since the
  // last message; true asks to be called again.
  std::function<bool(int32_t idleCount)> onIdle;
  // Asked after every idle call that wants another: how long the loop may
  // sleep waiting for a message before the next idle call, in microseconds
  // (kWaitForever: until a message comes). Unset: no wait.
  std::function<uint64_t()> idleWait;
};

// Runs until the quit message; answers its exit code.
int32_t RunMessageLoop(const MessageLoopHooks& hooks);
// Takes one message (waiting for it), shows it to preDispatch and dispatches
// it unless that handled it. False when the message was the quit message
// (its exit code goes to exitCode when given); a nested loop that must end
// its enclosing loops too posts the quit message again.
bool PumpMessage(const MessageLoopHooks& hooks, int32_t* exitCode = nullptr);

}  // namespace platform
