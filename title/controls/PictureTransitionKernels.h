// The pixel work of the picture transitions on 15- and 16-bit maps: a view of
// a locked map's rows, the fade of a rectangle through black, the reveal of
// pattern cells, the pseudo-random pixel dissolve and the copy of a tile.
// Each works in the map's own layout (5-5-5 or 5-6-5) and byte order.
#pragma once

#include <cstdint>

#include "engine/core/VGeometry.h"

class PixelMap;

// The rows of a locked 15/16-bit map, top row first whatever the storage
// order. Points are in the map's coordinates (0, 0 at its top-left).
struct WordPixelView {
  uint8_t* top = nullptr;  // the first byte of the top row
  int64_t stride = 0;      // bytes from a row to the one below (negative bottom-up)
  int32_t width = 0;
  int32_t height = 0;
  bool sixBitGreen = false;  // 5-6-5, else 5-5-5
  bool bigEndian = false;    // words stored high byte first

  // A view of the map, which must be locked; invalid (top null) unless the
  // map has pixels of 15 or 16 bits.
  static WordPixelView Of(PixelMap& map);
  bool IsValid() const { return top != nullptr; }
  uint8_t* Row(int32_t y) const { return top + stride * y; }
  VRect Bounds() const { return VRect(0, 0, width, height); }
  // Whether the words of both views hold the same components (the byte
  // order may differ: every kernel reads and writes each view in its own).
  bool SameLayout(const WordPixelView& other) const { return sixBitGreen == other.sixBitGreen; }
};

// Writes every pixel of the area of dst as the pixel of src at the same
// place with each colour component multiplied by factor (0..64) and shifted
// right by 6. Both views must cover the area and share their layout.
void FadePixels(const WordPixelView& dst, const WordPixelView& src, const VRect& area, int32_t factor);

// Copies (or, without src, writes black into) every pixel of the area of
// dst whose column is column modulo cell and whose row is row modulo cell,
// both counted from the map's origin.
void RevealPatternCell(const WordPixelView& dst, const WordPixelView* src, const VRect& area, int32_t cell,
                       int32_t column, int32_t row);

// The pseudo-random order of the dissolve: g -> (g * 725 + 123) mod period.
// The period is 524288, or the next power of two for larger areas, so every
// pixel number below the area's pixel count comes up once per period.
uint32_t DissolvePeriod(int64_t pixelCount);
inline uint32_t NextDissolveState(uint32_t g, uint32_t period) {
  return static_cast<uint32_t>((uint64_t{g} * 725u + 123u) & (period - 1u));
}

// Reveals pixels in dissolve order until revealed reaches target: pixel
// number g names (rect.left + g mod width, rect.top + g div width) of rect;
// it is copied from src (black without src) when it lies in the clip.
// state and revealed are updated. A target above the pixel count of rect is
// taken as that count.
void DissolvePixels(const WordPixelView& dst, const WordPixelView* src, const VRect& rect, const VRect& clip,
                    uint32_t& state, int64_t& revealed, int64_t target);

// Copies the source rectangle of src to dstRect's top-left in dst, cut to
// both views and to the clip (dst coordinates).
void CopyWordRect(const WordPixelView& dst, const WordPixelView& src, const VRect& srcRect, const VRect& dstRect,
                  const VRect& clip);
