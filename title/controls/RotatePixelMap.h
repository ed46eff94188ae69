// Rotation of a pixel map by any angle with three shears (x, y, x), each
// moving rows or columns by fractional amounts with linear interpolation.
#pragma once

#include <cstdint>

class PixelMap;
class VColorTable;

// A new pixel map (owned by the caller) holding the source turned clockwise
// on screen by `degrees`: an 8-bit map over the colour table, or a solid map
// of the source's colour when the source is solid; with an alpha channel of
// the same size when the source has one (uncovered pixels are transparent
// and black). Whole quarter turns are exact; the remainder in -45..45 is
// sheared. The colour table is the given one, else the source's, else the
// current one; its nearest-colour table is built when missing. Null when the
// source has no pixels, or a coloured source has no colour table, or the
// result would be larger than 32767 pixels a side.
PixelMap* RotatePixelMap(PixelMap* source, double degrees, VColorTable* colorTable);
// The size of RotatePixelMap's result for a source of width x height: false
// when it would make none (no pixels, an angle that is not finite, or more
// than 32767 pixels a side).
bool RotatedSize(int32_t width, int32_t height, double degrees, int32_t& outWidth, int32_t& outHeight);
