// A decoded picture as rows of R, G, B bytes (the layout of a PPM file),
// converted straight into the caller's memory.
#pragma once

#include <cstddef>
#include <cstdint>

class VYCbCrPicture;

// Converts the top-left width x height pixels (cut to the picture) of a 4:2:0
// or 4:2:2 picture, frame by frame (no field interpolation), into rows of
// 3 x width bytes `stride` apart from `out`: the colours a conversion to 24 or
// 32 bits (ConvertToPixels) gives. False, nothing written, where that
// conversion refuses (no colour table, another chroma format).
bool ConvertPictureToRgbRows(const VYCbCrPicture& picture, int32_t width, int32_t height, uint8_t* out,
                             ptrdiff_t stride);
