// Loading the shell's interface pictures by media id: a picture that cannot
// be read (missing medium, unreadable data) is no picture at all rather than
// an empty one, so the screens simply go without it.
#pragma once

#include <cstdint>

class VPicture;

// The picture with one reference for the caller, or null for id 0 or when it
// cannot be read. depth 8 forces the 8-bit pixel format (region pictures);
// 0 keeps the program's load format.
VPicture* LoadShellPicture(uint16_t id, int32_t depth = 0);
