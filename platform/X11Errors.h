// Errors the X server reports about our requests; not for use outside platform/.
#pragma once

#include <cstdint>

namespace platform::internal {

// Makes an error reply of the X server a logged event instead of the end of
// the process. A request naming a window that another part of the program
// (or SDL's own wake-up message) reaches just after it was destroyed is
// answered with an error; Xlib's default handler would exit with code 1.
// Xlib keeps one handler for the process; it is called only for X displays,
// so installing it does nothing to other video drivers. Install it before
// SDL opens its display: SDL's own handler passes errors on to it.
void InstallX11ErrorHandler();

// How many error replies were logged since the start (for tests).
uint32_t GetX11ErrorCount();

}  // namespace platform::internal
