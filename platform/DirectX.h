// Whether the system's multimedia runtime the title checks for at start is
// installed. Linux has no such runtime and needs none: the check passes,
// unless OSTREVAN_NO_DIRECTX=1 asks for the failure (to see and test the
// title's message).
#pragma once

namespace platform {

// True unless OSTREVAN_NO_DIRECTX is set to something other than "" or "0".
bool IsDirectXInstalled();

}  // namespace platform
