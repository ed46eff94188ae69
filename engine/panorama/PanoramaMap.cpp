#include "engine/panorama/PanoramaMap.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <new>

#include "engine/graphics/ColorConstants.h"
#include "engine/graphics/PixelFormats.h"
#include "engine/graphics/PixelMap.h"
#include "engine/graphics/VColorTable.h"

bool PanoramaMap::Create(int32_t width, int32_t composedRows, int32_t depth, uint16_t pixelFormat) {
  Release();
  if (depth != 15 && depth != 16 && depth != 32) return false;
  if (width < PanoramaRenderer::kMinimumMapWidth || width > PanoramaRenderer::kMaximumMapWidth ||
      !std::has_single_bit(static_cast<uint32_t>(width)) || composedRows < 4 || composedRows > width) {
    return false;
  }
  const int32_t bytes = depth == 32 ? 4 : 2;
  try {
    pixels_.assign(static_cast<size_t>(width) * bytes * static_cast<size_t>(composedRows + 1), 0);
  } catch (const std::bad_alloc&) {
    Release();
    return false;
  }
  width_ = width;
  composedRows_ = composedRows;
  depth_ = depth;
  pixelFormat_ = pixelFormat;
  rowBytes_ = width * bytes;
  return true;
}

void PanoramaMap::Release() {
  pixels_.clear();
  pixels_.shrink_to_fit();
  width_ = composedRows_ = depth_ = rowBytes_ = 0;
  pixelFormat_ = 0;
  convertedFrom_ = nullptr;
  converted_.clear();
}

PanoramaRaster PanoramaMap::GetRaster() {
  PanoramaRaster r;
  if (!IsValid()) return r;
  r.pixels = pixels_.data();
  r.rowBytes = rowBytes_;
  r.width = width_;
  r.height = composedRows_ + 1;
  r.depth = depth_;
  return r;
}

namespace {

uint32_t Word(const uint8_t* p, uint16_t format) {
  return HasLittleEndianWords(format) ? uint32_t{p[0]} | (uint32_t{p[1]} << 8) : (uint32_t{p[0]} << 8) | p[1];
}

uint8_t Expand(uint32_t v, int bits) { return static_cast<uint8_t>((v << (8 - bits)) | (v >> (2 * bits - 8))); }

// The colour of pixel x of a stored row; false for a layout not read here.
bool ReadColor(const PixelBuffer& b, const uint8_t* row, int32_t x, const VRGBColor* palette, VRGBColor& c) {
  switch (b.depth) {
    case 8:
      if (b.pixelFormat == kFormatGrey8) {
        c.red = c.green = c.blue = row[x];
        return true;
      }
      if (palette == nullptr) return false;
      c = palette[row[x]];
      return true;
    case 15:
    case 16: {
      const uint32_t w = Word(row + x * 2, b.pixelFormat);
      if (b.depth == 15 || WordLayoutOf(b.pixelFormat) == kFormat555) {
        c.red = Expand((w >> 10) & 31, 5);
        c.green = Expand((w >> 5) & 31, 5);
        c.blue = Expand(w & 31, 5);
      } else {
        c.red = Expand((w >> 11) & 31, 5);
        c.green = Expand((w >> 5) & 63, 6);
        c.blue = Expand(w & 31, 5);
      }
      return true;
    }
    case 24: {
      const uint8_t* p = row + x * 3;
      if (b.pixelFormat == kFormatRGB24) {
        c.red = p[0];
        c.green = p[1];
        c.blue = p[2];
      } else {
        c.red = p[2];
        c.green = p[1];
        c.blue = p[0];
      }
      return true;
    }
    case 32: {
      if (!Is32BitFormat(b.pixelFormat)) return false;
      uint32_t v;
      std::memcpy(&v, row + x * 4, 4);
      const PixelShifts32 s = GetPixelShifts32(b.pixelFormat);
      c.red = static_cast<uint8_t>(v >> s.red);
      c.green = static_cast<uint8_t>(v >> s.green);
      c.blue = static_cast<uint8_t>(v >> s.blue);
      return true;
    }
    default:
      return false;
  }
}

// Copies `count` pixels of `bytes` bytes; 4-byte pixels keep only the bits
// of `keep` (the map stores its fourth byte as zero whatever the picture
// holds there).
void CopyPixels(uint8_t* to, const uint8_t* from, int32_t count, int32_t bytes, uint32_t keep) {
  if (bytes != 4) {
    std::memcpy(to, from, static_cast<size_t>(count) * static_cast<size_t>(bytes));
    return;
  }
  for (int32_t x = 0; x < count; ++x, to += 4, from += 4) {
    uint32_t v;
    std::memcpy(&v, from, 4);
    v &= keep;
    std::memcpy(to, &v, 4);
  }
}

}  // namespace

void PanoramaMap::StorePixel(uint8_t* at, const VRGBColor& c) const {
  if (depth_ == 32) {
    const PixelShifts32 s = GetPixelShifts32(Is32BitFormat(pixelFormat_) ? int32_t{pixelFormat_} : int32_t{kFormatBGRX32});
    const uint32_t v = (uint32_t{c.red} << s.red) | (uint32_t{c.green} << s.green) | (uint32_t{c.blue} << s.blue);
    std::memcpy(at, &v, 4);
    return;
  }
  const uint32_t w = depth_ == 15 || WordLayoutOf(pixelFormat_) == kFormat555
                         ? ((uint32_t{c.red} >> 3) << 10) | ((uint32_t{c.green} >> 3) << 5) | (uint32_t{c.blue} >> 3)
                         : ((uint32_t{c.red} >> 3) << 11) | ((uint32_t{c.green} >> 2) << 5) | (uint32_t{c.blue} >> 3);
  if (HasLittleEndianWords(pixelFormat_) || pixelFormat_ == kFormatNone) {
    at[0] = static_cast<uint8_t>(w);
    at[1] = static_cast<uint8_t>(w >> 8);
  } else {
    at[0] = static_cast<uint8_t>(w >> 8);
    at[1] = static_cast<uint8_t>(w);
  }
}

const PixelBuffer* PanoramaMap::ReadableDirectly(const PixelMap& picture, PixelBuffer& buffer) const {
  if (picture.IsSolidColor() || picture.PeekAttributes().flags != 0) return nullptr;
  buffer = picture.GetBuffer();
  if (buffer.pixels == nullptr || buffer.width <= 0 || buffer.height <= 0) return nullptr;
  if (buffer.depth != depth_ || buffer.pixelFormat != pixelFormat_ || pixelFormat_ == kFormatNone) return nullptr;
  // 32-bit pixels are taken in the map's own layout only, whose fourth
  // byte the copy clears.
  if (depth_ == 32 && !Is32BitFormat(pixelFormat_)) return nullptr;
  return &buffer;
}

bool PanoramaMap::ConvertPicture(const PixelMap& picture) {
  const int32_t bytes = depth_ == 32 ? 4 : 2;
  if (picture.IsSolidColor()) {
    // A solid map has no pixels: its colour everywhere.
    const int32_t w = picture.GetWidth();
    const int32_t h = picture.GetHeight();
    if (w <= 0 || h <= 0) return false;
    converted_.assign(static_cast<size_t>(w) * bytes * static_cast<size_t>(h), 0);
    for (size_t at = 0; at < converted_.size(); at += static_cast<size_t>(bytes)) StorePixel(&converted_[at], picture.GetSolidColor());
    opaque_.clear();
    convertedFrom_ = &picture;
    convertedWidth_ = w;
    convertedHeight_ = h;
    return true;
  }
  const PixelBuffer b = picture.GetBuffer();
  if (b.pixels == nullptr || b.width <= 0 || b.height <= 0) return false;
  std::vector<VRGBColor> palette;
  if (b.depth == 8 && b.pixelFormat != kFormatGrey8) {
    if (b.colorTable == nullptr) return false;
    palette.resize(256);
    for (int32_t i = 0; i < 256; ++i) b.colorTable->GetColor(palette[static_cast<size_t>(i)], i);
  }
  converted_.assign(static_cast<size_t>(b.width) * bytes * static_cast<size_t>(b.height), 0);
  for (int32_t y = 0; y < b.height; ++y) {
    const int32_t stored = b.bottomUp ? b.height - 1 - y : y;
    const uint8_t* row = b.pixels + static_cast<ptrdiff_t>(stored) * b.rowBytes;
    uint8_t* out = &converted_[static_cast<size_t>(y) * b.width * bytes];
    for (int32_t x = 0; x < b.width; ++x) {
      VRGBColor c;
      if (!ReadColor(b, row, x, palette.empty() ? nullptr : palette.data(), c)) {
        converted_.clear();
        return false;
      }
      StorePixel(out + static_cast<size_t>(x) * bytes, c);
    }
  }
  opaque_.clear();
  if (picture.PeekAttributes().flags != 0) {
    opaque_.resize(static_cast<size_t>(b.width) * static_cast<size_t>(b.height));
    for (int32_t y = 0; y < b.height; ++y) {
      for (int32_t x = 0; x < b.width; ++x) {
        opaque_[static_cast<size_t>(y) * b.width + x] = picture.GetOpacityAt(x, y) >= 32 ? 1 : 0;
      }
    }
  }
  convertedFrom_ = &picture;
  convertedWidth_ = b.width;
  convertedHeight_ = b.height;
  return true;
}

int32_t PanoramaMap::MapWidthFor(int32_t pixels) {
  if (pixels <= PanoramaRenderer::kMinimumMapWidth) return PanoramaRenderer::kMinimumMapWidth;
  if (pixels >= PanoramaRenderer::kMaximumMapWidth) return PanoramaRenderer::kMaximumMapWidth;
  return static_cast<int32_t>(std::bit_ceil(static_cast<uint32_t>(pixels)));
}

bool PanoramaMap::DrawPicture(PixelMap& picture, int32_t sourceTop, int32_t sourceHeight, const VRect& placement,
                              const VRect& clip) {
  if (!IsValid() || placement.IsEmpty()) return false;
  const int32_t pw = picture.GetWidth();
  if (pw <= 0 || sourceHeight <= 0 || sourceTop < 0 || sourceTop + sourceHeight > picture.GetHeight()) return false;
  const int32_t bytes = depth_ == 32 ? 4 : 2;
  PixelBuffer stored;
  const PixelBuffer* direct = ReadableDirectly(picture, stored);
  if (direct == nullptr &&
      (convertedFrom_ != &picture || convertedWidth_ != pw || convertedHeight_ != picture.GetHeight())) {
    if (!ConvertPicture(picture)) return false;
  }
  const int32_t left = std::max({clip.left, placement.left, 0});
  const int32_t right = std::min({clip.right, placement.right, width_});
  const int32_t top = std::max({clip.top, placement.top, 0});
  const int32_t bottom = std::min({clip.bottom, placement.bottom, composedRows_ + 1});
  if (right <= left || bottom <= top) return false;
  const int64_t placedWidth = placement.GetWidth();
  const int64_t placedHeight = placement.GetHeight();
  const bool sameWidth = placedWidth == pw;
  // The channels of a 32-bit map's pixels: a picture read directly is in
  // the map's own layout, a converted one has its fourth byte zero already.
  uint32_t keep = 0xFFFFFFFFu;
  if (depth_ == 32 && Is32BitFormat(pixelFormat_)) {
    const PixelShifts32 s = GetPixelShifts32(pixelFormat_);
    keep = (0xFFu << s.red) | (0xFFu << s.green) | (0xFFu << s.blue);
  }
  for (int32_t y = top; y < bottom; ++y) {
    const int64_t sy = sourceTop + (int64_t{y - placement.top} * sourceHeight) / placedHeight;
    const uint8_t* src =
        direct != nullptr
            ? direct->pixels + static_cast<ptrdiff_t>(direct->bottomUp ? direct->height - 1 - sy : sy) * direct->rowBytes
            : &converted_[static_cast<size_t>(sy) * pw * bytes];
    uint8_t* dst = pixels_.data() + static_cast<size_t>(y) * rowBytes_;
    if (direct == nullptr && !opaque_.empty()) {
      const uint8_t* opaqueRow = &opaque_[static_cast<size_t>(sy) * pw];
      for (int32_t x = left; x < right; ++x) {
        const int64_t sx = sameWidth ? x - placement.left : (int64_t{x - placement.left} * pw) / placedWidth;
        if (opaqueRow[sx] == 0) continue;
        std::memcpy(dst + static_cast<size_t>(x) * bytes, src + static_cast<size_t>(sx) * bytes, static_cast<size_t>(bytes));
      }
      continue;
    }
    if (sameWidth) {
      CopyPixels(dst + static_cast<size_t>(left) * bytes, src + static_cast<size_t>(left - placement.left) * bytes,
                 right - left, bytes, keep);
      continue;
    }
    for (int32_t x = left; x < right; ++x) {
      const int64_t sx = (int64_t{x - placement.left} * pw) / placedWidth;
      CopyPixels(dst + static_cast<size_t>(x) * bytes, src + static_cast<size_t>(sx) * bytes, 1, bytes, keep);
    }
  }
  // The spare row repeats the last composed row for the bilinear reads.
  if (bottom >= composedRows_) {
    std::memcpy(pixels_.data() + static_cast<size_t>(composedRows_) * rowBytes_,
                pixels_.data() + static_cast<size_t>(composedRows_ - 1) * rowBytes_, static_cast<size_t>(rowBytes_));
  }
  return true;
}

void PanoramaMap::CopyRow(int32_t row, uint8_t* out) const {
  if (!IsValid() || row < 0 || row > composedRows_) return;
  std::memcpy(out, pixels_.data() + static_cast<size_t>(row) * rowBytes_, static_cast<size_t>(rowBytes_));
}
