// The equirectangular panorama map: a power-of-two number of columns spanning
// the full turn, the composed rows around the horizon plus one spare row for
// bilinear reads, in the pixel format of the frames it is projected into.
// Pictures are composed into it at any size (scaled to their placement).
#pragma once

#include <cstdint>
#include <vector>

#include "engine/core/VGeometry.h"
#include "engine/graphics/PixelMap.h"
#include "engine/panorama/PanoramaRenderer.h"

class PanoramaMap {
 public:
  PanoramaMap() = default;

  // Makes the storage: `width` columns (a power of two within the renderer's
  // limits), `composedRows` + 1 rows, all black. False (and empty) otherwise.
  bool Create(int32_t width, int32_t composedRows, int32_t depth, uint16_t pixelFormat);
  void Release();
  bool IsValid() const { return !pixels_.empty(); }

  int32_t GetWidth() const { return width_; }
  int32_t GetComposedRows() const { return composedRows_; }
  int32_t GetDepth() const { return depth_; }
  uint16_t GetPixelFormat() const { return pixelFormat_; }
  int32_t GetRowBytes() const { return rowBytes_; }
  uint8_t* GetPixels() { return pixels_.data(); }
  const uint8_t* GetPixels() const { return pixels_.data(); }
  // The raster the renderer reads (all stored rows).
  PanoramaRaster GetRaster();

  // Draws the picture's pixels (any depth our transfers read; converted to
  // the map's format) scaled to `placement`, only inside `clip` and the map.
  // Pixels the picture's transparency (key colour, mask, alpha channel) makes
  // less than half opaque are left out; the rest are drawn opaque.
  // `sourceTop` selects the frame of a vertically stacked picture. False when
  // nothing could be drawn.
  bool DrawPicture(PixelMap& picture, int32_t sourceTop, int32_t sourceHeight, const VRect& placement, const VRect& clip);
  // Drops the converted copy of the last picture drawn.
  void ForgetConvertedPicture() {
    convertedFrom_ = nullptr;
    converted_.clear();
    converted_.shrink_to_fit();
    opaque_.clear();
    opaque_.shrink_to_fit();
  }
  // Copies a finished map into a PixelMap-like buffer row by row (tests, the tool).
  void CopyRow(int32_t row, uint8_t* out) const;

  // The next power of two of a width, limited to the renderer's range; a
  // wider panorama is scaled down to the largest width.
  static int32_t MapWidthFor(int32_t pixels);

 private:
  bool ConvertPicture(const PixelMap& picture);
  // The picture's stored pixels when they already are in the map's depth and
  // format (a picture decoded for the screen): its rows are then copied as
  // they stand (32-bit ones with their fourth byte cleared), with no
  // converted copy. Null otherwise.
  const PixelBuffer* ReadableDirectly(const PixelMap& picture, PixelBuffer& buffer) const;
  void StorePixel(uint8_t* at, const VRGBColor& color) const;

  std::vector<uint8_t> pixels_;
  int32_t width_ = 0;
  int32_t composedRows_ = 0;
  int32_t depth_ = 0;
  uint16_t pixelFormat_ = 0;
  int32_t rowBytes_ = 0;
  // The last picture converted to the map's format, kept while the same
  // picture is composed in several passes.
  const PixelMap* convertedFrom_ = nullptr;
  std::vector<uint8_t> converted_;
  // Per converted pixel, 1 where the picture is opaque enough to be drawn;
  // empty for a picture without transparency.
  std::vector<uint8_t> opaque_;
  int32_t convertedWidth_ = 0;
  int32_t convertedHeight_ = 0;
};
