// Software-drawn windows on the screen: a window's pixels (drawn by the
// program into plain memory) shown in its SDL window, the screen's size and
// the pointer's place on the whole screen (also outside the program's
// windows), for programs that draw every window themselves.
#pragma once

#include <cstdint>

#include "platform/PixelBuffer.h"

namespace platform {

class Window;

// Copies the pixels (any layout, the window's client size; a smaller buffer
// fills what it covers) into the SDL window and shows them. False for a
// window without an SDL window or when SDL refuses.
bool PresentWindowPixels(Window& window, const PixelBuffer& pixels);

// The size of the screen the windows are placed on: the first display's
// bounds, or 640 x 480 without video.
Point GetScreenSize();

// Where the pointer is on the screen, asked of the window system (so it is
// right also while the pointer is outside every window of the program); the
// last position the queue saw when the system cannot tell.
Point QueryCursorScreenPosition();

}  // namespace platform
