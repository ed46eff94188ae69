// The message queue of the user-interface thread: posted messages (from any
// thread, or from another process through platform/InstanceDirectory.h),
// SDL input turned into window messages, and paint messages made from the
// windows' update regions when nothing else waits. Retrieving, waiting and
// dispatching are for the user-interface thread; posting is for any thread.
#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/WindowMessage.h"

namespace platform {

// Puts a message at the end of the queue. Any thread. False when the handle
// is neither 0 (a message to the thread) nor a live window.
bool PostMessage(WindowHandle window, uint32_t message, uintptr_t wParam, intptr_t lParam);
// Posts the quit message with the exit code (any thread).
void PostQuitMessage(int32_t exitCode);

// Looks at the first message: posted and input messages in arrival order,
// then a paint message for the first window with an update region. With
// remove the message leaves the queue and becomes the current message (its
// time is what GetMessageTime answers). False when nothing waits.
bool PeekMessage(Message& out, bool remove);
// Waits for a message and removes it; false when it is the quit message.
bool GetMessage(Message& out);
// Waits until a message waits or the time runs out; true when one waits.
// The thread sleeps meanwhile: in SDL's own wait where the video driver can
// block on its input (X11, Wayland, with a window shown through SDL), else on
// the posted-message signal (looking at SDL's queue every 100 ms for events
// other threads push).
bool WaitForMessage(uint32_t timeoutMilliseconds);
// The same to the microsecond; kWaitForever waits until a message comes.
inline constexpr uint64_t kWaitForever = UINT64_MAX;
bool WaitForMessageMicroseconds(uint64_t timeoutMicroseconds);

// Hands the message to its window's procedure (DefaultWindowProcedure when
// the window has none); nothing for thread messages or windows gone. A paint
// message leaves the window validated, whether or not the procedure did.
intptr_t DispatchMessage(const Message& message);
// What a window does with a message its procedure does not handle: Alt+F4
// and the system menu's close ask the window to close, a restore or minimise
// command does so; everything else answers 0.
intptr_t DefaultWindowProcedure(const Message& message);

// Number of messages waiting (without paint messages); for tests.
size_t CountQueuedMessages();
// Drops every waiting message and clears the input state (buttons held,
// keys down); for tests.
void ResetMessageQueue();

}  // namespace platform
