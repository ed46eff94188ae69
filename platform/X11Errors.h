// Errors the X server reports about our requests; not for use outside platform/.
#pragma once

#include <cstdint>

namespace platform::internal {

// Makes an error reply of the X server a logged event instead of the end of
// the process. A request naming a window that another part of the program
// (or SDL's own wake-up message) reaches just after it was destroyed is
// answered with an error; Xlib's default handler would exit with code 1.
// Does nothing when the video driver is not X11.
void InstallX11ErrorHandler();

// How many error replies were logged since the start (for tests).
uint32_t GetX11ErrorCount();

}  // namespace platform::internal
