// A program-wide number the display surfaces of pixel maps are made with
// (the title sets 1 before its display is set up). The software surfaces of
// this platform have no creation options, so the value is only kept and
// answered.
#pragma once

#include <cstdint>

// Stores the number; returns the previous one (0 at start).
int32_t SetDisplaySurfaceOption(int32_t value);
int32_t GetDisplaySurfaceOption();
