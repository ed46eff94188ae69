// Links between the window layer's units (Window, WindowQueue, Display);
// not for use outside platform/.
#pragma once

#include <cstdint>

namespace platform::internal {

// A request from another process to bring a window (0: the primary one) to
// the front. The queue carries it out itself; no procedure ever sees it.
constexpr uint32_t kMsgRaiseRequest = 0x7FFF0001u;

// The queue learns that SDL events can be pumped and waited on (or not).
void SetSdlQueueEnabled(bool enabled);
// Drops the queue's references to a window that goes away.
void ForgetWindow(uint32_t handle);

}  // namespace platform::internal
