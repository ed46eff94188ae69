#include "launchers/common/DibImage.h"

#include <cstring>

#include "engine/core/ByteFields.h"
#include "launchers/common/Resources.h"

namespace kit {

namespace {

constexpr size_t kHeaderSize = 40;

void Put32(std::vector<uint8_t>& b, size_t at, uint32_t v) { bytefields::StoreLE32(b.data() + at, v); }
void Put16(std::vector<uint8_t>& b, size_t at, uint16_t v) { bytefields::StoreLE16(b.data() + at, v); }
uint32_t Get32(const std::vector<uint8_t>& b, size_t at) { return bytefields::LoadLE32(b.data() + at); }

}  // namespace

bool CDibImage::CreateFromBitmap(const KitImage& image) {
  Free();
  if (!image.IsValid()) return false;
  const auto rowBytes = static_cast<size_t>(image.width) * 4;
  const size_t imageSize = rowBytes * static_cast<size_t>(image.height);
  dib_.assign(kHeaderSize + imageSize, 0);
  Put32(dib_, 0, kHeaderSize);
  Put32(dib_, 4, static_cast<uint32_t>(image.width));
  Put32(dib_, 8, static_cast<uint32_t>(image.height));  // positive: bottom-up rows
  Put16(dib_, 12, 1);
  Put16(dib_, 14, 32);
  Put32(dib_, 16, 0);  // uncompressed RGB
  Put32(dib_, 20, static_cast<uint32_t>(imageSize));
  for (int32_t y = 0; y < image.height; ++y) {
    const size_t row = kHeaderSize + static_cast<size_t>(image.height - 1 - y) * rowBytes;
    std::memcpy(dib_.data() + row, image.pixels.data() + static_cast<size_t>(y) * static_cast<size_t>(image.width),
                rowBytes);
  }
  return true;
}

bool CDibImage::LoadResourceBitmap(int32_t resourceId) {
  Free();
  KitImage image;
  if (!CResources::LoadBitmap(resourceId, image)) return false;
  return CreateFromBitmap(image);
}

bool CDibImage::LoadPictureFile(const std::string& path) {
  Free();
  KitImage image;
  if (!kit::LoadPictureFile(path, image)) return false;
  return CreateFromBitmap(image);
}

void CDibImage::Free() { dib_.clear(); }

int32_t CDibImage::GetWidth() const { return IsValid() ? static_cast<int32_t>(Get32(dib_, 4)) : 0; }
int32_t CDibImage::GetHeight() const { return IsValid() ? static_cast<int32_t>(Get32(dib_, 8)) : 0; }

uint32_t CDibImage::GetPixel(int32_t x, int32_t y) const {
  const int32_t w = GetWidth();
  const int32_t h = GetHeight();
  if (x < 0 || y < 0 || x >= w || y >= h) return 0;
  const size_t at = kHeaderSize + (static_cast<size_t>(h - 1 - y) * static_cast<size_t>(w) + static_cast<size_t>(x)) * 4;
  return Get32(dib_, at) & 0x00FFFFFFu;
}

bool CDibImage::Draw(DrawContext& dc, int32_t destX, int32_t destY, int32_t destWidth, int32_t destHeight,
                     int32_t srcX, int32_t srcY, int32_t srcWidth, int32_t srcHeight, uint32_t rop) {
  if (!IsValid() || rop != kRopSourceCopy) return false;
  const int32_t w = GetWidth();
  const int32_t h = GetHeight();
  if (destWidth <= 0 || destHeight <= 0 || srcWidth <= 0 || srcHeight <= 0) return false;
  if (srcX < 0 || srcY < 0 || srcX + srcWidth > w || srcY + srcHeight > h) return false;
  // The rows from the top of the source rectangle, in the DIB's bottom-up
  // order: row srcY' = height - srcY - srcHeight is its lowest.
  std::vector<uint32_t> out(static_cast<size_t>(destWidth) * static_cast<size_t>(destHeight));
  if (destWidth == srcWidth && destHeight == srcHeight) {
    for (int32_t y = 0; y < destHeight; ++y) {
      for (int32_t x = 0; x < destWidth; ++x) {
        out[static_cast<size_t>(y) * static_cast<size_t>(destWidth) + static_cast<size_t>(x)] =
            GetPixel(srcX + x, srcY + y);
      }
    }
  } else {
    // Halftone stretching: every destination pixel is the mean of the
    // source pixels its area covers (at least the nearest one).
    for (int32_t y = 0; y < destHeight; ++y) {
      const int32_t y0 = srcY + static_cast<int32_t>(static_cast<int64_t>(y) * srcHeight / destHeight);
      int32_t y1 = srcY + static_cast<int32_t>(static_cast<int64_t>(y + 1) * srcHeight / destHeight);
      if (y1 <= y0) y1 = y0 + 1;
      for (int32_t x = 0; x < destWidth; ++x) {
        const int32_t x0 = srcX + static_cast<int32_t>(static_cast<int64_t>(x) * srcWidth / destWidth);
        int32_t x1 = srcX + static_cast<int32_t>(static_cast<int64_t>(x + 1) * srcWidth / destWidth);
        if (x1 <= x0) x1 = x0 + 1;
        uint64_t r = 0;
        uint64_t g = 0;
        uint64_t b = 0;
        uint64_t n = 0;
        for (int32_t sy = y0; sy < y1; ++sy) {
          for (int32_t sx = x0; sx < x1; ++sx) {
            const uint32_t p = GetPixel(sx, sy);
            r += (p >> 16) & 0xFF;
            g += (p >> 8) & 0xFF;
            b += p & 0xFF;
            ++n;
          }
        }
        out[static_cast<size_t>(y) * static_cast<size_t>(destWidth) + static_cast<size_t>(x)] =
            static_cast<uint32_t>(((r + n / 2) / n) << 16 | ((g + n / 2) / n) << 8 | ((b + n / 2) / n));
      }
    }
  }
  dc.Pixels(destX, destY, out.data(), destWidth, destHeight);
  return true;
}

bool CDibImage::Paint(DrawContext& dc, int32_t x, int32_t y, uint32_t rop) {
  return Draw(dc, x, y, GetWidth(), GetHeight(), 0, 0, GetWidth(), GetHeight(), rop);
}

}  // namespace kit
