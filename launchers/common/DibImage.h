// A device-independent bitmap of the autorun menu: a packed DIB (40-byte
// header, then the pixel rows bottom-up, 32 bits a pixel on this true-colour
// screen) made from a bitmap resource, a picture file (on disc or in a
// launcher archive; BMP, JPEG or GIF) or an image, and drawn at its size or
// stretched with an averaging filter.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "launchers/common/DrawContext.h"
#include "launchers/common/KitPicture.h"

namespace kit {

// The raster operation of a plain copy, the only one these bitmaps draw with.
constexpr uint32_t kRopSourceCopy = 0x00CC0020;

class CDibImage {
 public:
  CDibImage() = default;
  ~CDibImage() = default;
  CDibImage(const CDibImage&) = delete;
  CDibImage& operator=(const CDibImage&) = delete;

  // False (and empty) when the resource is unknown or does not decode.
  bool LoadResourceBitmap(int32_t resourceId);
  // False (and empty) for an empty path, a file that is missing or cannot
  // be read, or a picture the readers refuse.
  bool LoadPictureFile(const std::string& path);
  // Takes the image's pixels; false for an empty image.
  bool CreateFromBitmap(const KitImage& image);
  void Free();
  bool IsValid() const { return !dib_.empty(); }
  int32_t GetWidth() const;
  int32_t GetHeight() const;
  // The packed DIB (header and rows) for inspection.
  const std::vector<uint8_t>& GetPackedDib() const { return dib_; }
  // The colour of a pixel (x, y from the top), 0x00RRGGBB.
  uint32_t GetPixel(int32_t x, int32_t y) const;

  // Draws the source rectangle (given from the top) onto the destination
  // rectangle. False when empty, for another raster operation, or for a
  // rectangle that is empty, mirrored or outside the image.
  bool Draw(DrawContext& dc, int32_t destX, int32_t destY, int32_t destWidth, int32_t destHeight, int32_t srcX,
            int32_t srcY, int32_t srcWidth, int32_t srcHeight, uint32_t rop);
  // Draws the whole image at its size with its top-left corner at (x, y).
  bool Paint(DrawContext& dc, int32_t x, int32_t y, uint32_t rop);

 private:
  std::vector<uint8_t> dib_;
};

}  // namespace kit
