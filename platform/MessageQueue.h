// The window layer's message queue as the engine's waiting loops see it:
// a look at the queue that does not remove anything but lets the system
// deliver messages sent to the thread's windows. Without a window layer it
// does nothing.
#pragma once

namespace platform {

// The window layer's look at the queue: true when a message is waiting.
using PeekMessageHook = bool (*)();
// Installs the hook (null: none); returns the previous one.
PeekMessageHook SetPeekMessageHook(PeekMessageHook hook);
// Looks at the queue without removing anything; false without a hook.
bool PeekAnyMessage();

}  // namespace platform
