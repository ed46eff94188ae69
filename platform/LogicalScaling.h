// The emulated screen shown in a window of another size: the logical picture
// is scaled by one factor to fit, centred, with black bars on the other axis.
// The same rule places the frame on screen and maps pointer positions back.
#pragma once

#include <cstdint>

namespace platform {

// Where a logical width x height picture lands inside an output of
// outputWidth x outputHeight pixels: the largest centred rectangle of the
// logical aspect ratio. Empty (all 0) when any size is not positive.
struct LetterboxRect {
  int32_t x = 0;
  int32_t y = 0;
  int32_t width = 0;
  int32_t height = 0;
};

inline LetterboxRect ComputeLetterbox(int32_t outputWidth, int32_t outputHeight, int32_t logicalWidth,
                                      int32_t logicalHeight) {
  LetterboxRect r;
  if (outputWidth <= 0 || outputHeight <= 0 || logicalWidth <= 0 || logicalHeight <= 0) {
    return r;
  }
  const int64_t ow = outputWidth;
  const int64_t oh = outputHeight;
  if (ow * logicalHeight >= oh * logicalWidth) {
    // Output wider than the picture: full height, bars left and right.
    r.height = outputHeight;
    r.width = static_cast<int32_t>((oh * logicalWidth + logicalHeight / 2) / logicalHeight);
  } else {
    r.width = outputWidth;
    r.height = static_cast<int32_t>((ow * logicalHeight + logicalWidth / 2) / logicalWidth);
  }
  if (r.width < 1) r.width = 1;
  if (r.height < 1) r.height = 1;
  r.x = (outputWidth - r.width) / 2;
  r.y = (outputHeight - r.height) / 2;
  return r;
}

// Maps one output coordinate into the logical picture: floor division, so a
// point left of or above the picture gives a negative coordinate.
inline int32_t MapToLogical(int32_t position, int32_t boxStart, int32_t boxSize, int32_t logicalSize) {
  if (boxSize <= 0) {
    return 0;
  }
  const int64_t n = static_cast<int64_t>(position - boxStart) * logicalSize;
  int64_t q = n / boxSize;
  if (n % boxSize != 0 && n < 0) {
    --q;
  }
  if (q > INT32_MAX) return INT32_MAX;
  if (q < INT32_MIN) return INT32_MIN;
  return static_cast<int32_t>(q);
}

}  // namespace platform

namespace platform {

// The output coordinate to put the pointer at so that MapToLogical gives the
// logical coordinate back: the first output pixel of that logical one. When
// the output is smaller than the picture some logical coordinates have no
// pixel of their own; the pixel of the next one that has is answered.
inline int32_t MapFromLogical(int32_t logical, int32_t boxStart, int32_t boxSize, int32_t logicalSize) {
  if (logicalSize <= 0) {
    return boxStart;
  }
  // ceil(logical * boxSize / logicalSize), also for negative coordinates.
  const int64_t n = static_cast<int64_t>(logical) * boxSize;
  int64_t q = n / logicalSize;
  if (n % logicalSize != 0 && n > 0) {
    ++q;
  }
  const int64_t position = q + boxStart;
  if (position > INT32_MAX) return INT32_MAX;
  if (position < INT32_MIN) return INT32_MIN;
  return static_cast<int32_t>(position);
}

}  // namespace platform
