// The X server's time stamp of an input event, read from the window-system
// message SDL queues ahead of the events it makes of each X event.
#pragma once

#include <cstdint>

namespace platform::internal {

// The server time (milliseconds, the server's own clock) of an X key,
// button or motion event carried by an SDL window-system message (an
// SDL_SysWMmsg); false for messages of other systems and other X events.
bool X11InputEventTime(const void* sysWmMessage, uint32_t* serverMilliseconds);

}  // namespace platform::internal
