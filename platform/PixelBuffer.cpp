#include "platform/PixelBuffer.h"

#include <algorithm>
#include <climits>

namespace platform {

Rect IntersectRects(const Rect& a, const Rect& b) {
  Rect r{std::max(a.left, b.left), std::max(a.top, b.top), std::min(a.right, b.right), std::min(a.bottom, b.bottom)};
  if (r.IsEmpty()) return Rect{};
  return r;
}

int LayoutDepth(PixelLayout layout) {
  switch (layout) {
    case PixelLayout::kIndexed8:
    case PixelLayout::kGrey8:
      return 8;
    case PixelLayout::kRgb555:
      return 15;
    case PixelLayout::kRgb565:
      return 16;
    case PixelLayout::kRgb24:
    case PixelLayout::kBgr24:
      return 24;
    default:
      return 32;
  }
}

int LayoutBytesPerPixel(PixelLayout layout) { return (LayoutDepth(layout) + 7) >> 3; }

uint8_t PixelPalette::NearestIndex(const Color& color) const {
  int best = 0;
  int bestDistance = INT_MAX;
  const int n = std::clamp(count, 0, 256);
  for (int i = 0; i < n; ++i) {
    const int dr = colors[i].red - color.red;
    const int dg = colors[i].green - color.green;
    const int db = colors[i].blue - color.blue;
    const int d = dr * dr + dg * dg + db * db;
    if (d < bestDistance) {
      bestDistance = d;
      best = i;
      if (d == 0) break;
    }
  }
  return static_cast<uint8_t>(best);
}

namespace {

uint8_t Luminance(const Color& c) {
  return static_cast<uint8_t>((c.red * 299 + c.green * 587 + c.blue * 114 + 500) / 1000);
}

uint8_t Widen5(uint32_t v) { return static_cast<uint8_t>((v << 3) | (v >> 2)); }
uint8_t Widen6(uint32_t v) { return static_cast<uint8_t>((v << 2) | (v >> 4)); }

// Bit positions of red, green and blue in the little-endian 32-bit word.
void Shifts32(PixelLayout layout, int& r, int& g, int& b) {
  switch (layout) {
    case PixelLayout::kRgbx32: r = 0; g = 8; b = 16; break;
    case PixelLayout::kBgrx32: r = 16; g = 8; b = 0; break;
    case PixelLayout::kXrgb32: r = 8; g = 16; b = 24; break;
    default: r = 24; g = 16; b = 8; break;  // kXbgr32
  }
}

}  // namespace

uint32_t PackPixel(const Color& c, PixelLayout layout, const PixelPalette* palette) {
  switch (layout) {
    case PixelLayout::kIndexed8:
      return palette != nullptr && palette->count > 0 ? palette->NearestIndex(c) : Luminance(c);
    case PixelLayout::kGrey8:
      return Luminance(c);
    case PixelLayout::kRgb555:
      return (static_cast<uint32_t>(c.red >> 3) << 10) | (static_cast<uint32_t>(c.green >> 3) << 5) | (c.blue >> 3);
    case PixelLayout::kRgb565:
      return (static_cast<uint32_t>(c.red >> 3) << 11) | (static_cast<uint32_t>(c.green >> 2) << 5) | (c.blue >> 3);
    case PixelLayout::kRgb24:
      return c.red | (static_cast<uint32_t>(c.green) << 8) | (static_cast<uint32_t>(c.blue) << 16);
    case PixelLayout::kBgr24:
      return c.blue | (static_cast<uint32_t>(c.green) << 8) | (static_cast<uint32_t>(c.red) << 16);
    default: {
      int r, g, b;
      Shifts32(layout, r, g, b);
      return (static_cast<uint32_t>(c.red) << r) | (static_cast<uint32_t>(c.green) << g) |
             (static_cast<uint32_t>(c.blue) << b);
    }
  }
}

Color UnpackPixel(uint32_t v, PixelLayout layout, const PixelPalette* palette) {
  switch (layout) {
    case PixelLayout::kIndexed8:
      if (palette != nullptr && palette->count > 0) {
        return static_cast<int>(v & 0xFF) < palette->count ? palette->colors[v & 0xFF] : Color{};
      }
      [[fallthrough]];
    case PixelLayout::kGrey8: {
      const uint8_t g = static_cast<uint8_t>(v);
      return Color{g, g, g};
    }
    case PixelLayout::kRgb555:
      return Color{Widen5((v >> 10) & 31), Widen5((v >> 5) & 31), Widen5(v & 31)};
    case PixelLayout::kRgb565:
      return Color{Widen5((v >> 11) & 31), Widen6((v >> 5) & 63), Widen5(v & 31)};
    case PixelLayout::kRgb24:
      return Color{static_cast<uint8_t>(v), static_cast<uint8_t>(v >> 8), static_cast<uint8_t>(v >> 16)};
    case PixelLayout::kBgr24:
      return Color{static_cast<uint8_t>(v >> 16), static_cast<uint8_t>(v >> 8), static_cast<uint8_t>(v)};
    default: {
      int r, g, b;
      Shifts32(layout, r, g, b);
      return Color{static_cast<uint8_t>(v >> r), static_cast<uint8_t>(v >> g), static_cast<uint8_t>(v >> b)};
    }
  }
}

uint32_t LoadPixel(const uint8_t* p, PixelLayout layout, bool bigEndianWords) {
  switch (LayoutBytesPerPixel(layout)) {
    case 1:
      return p[0];
    case 2:
      return bigEndianWords ? (static_cast<uint32_t>(p[0]) << 8) | p[1] : (static_cast<uint32_t>(p[1]) << 8) | p[0];
    case 3:
      return p[0] | (static_cast<uint32_t>(p[1]) << 8) | (static_cast<uint32_t>(p[2]) << 16);
    default:
      return p[0] | (static_cast<uint32_t>(p[1]) << 8) | (static_cast<uint32_t>(p[2]) << 16) |
             (static_cast<uint32_t>(p[3]) << 24);
  }
}

void StorePixel(uint8_t* p, uint32_t v, PixelLayout layout, bool bigEndianWords) {
  switch (LayoutBytesPerPixel(layout)) {
    case 1:
      p[0] = static_cast<uint8_t>(v);
      break;
    case 2:
      if (bigEndianWords) {
        p[0] = static_cast<uint8_t>(v >> 8);
        p[1] = static_cast<uint8_t>(v);
      } else {
        p[0] = static_cast<uint8_t>(v);
        p[1] = static_cast<uint8_t>(v >> 8);
      }
      break;
    case 3:
      p[0] = static_cast<uint8_t>(v);
      p[1] = static_cast<uint8_t>(v >> 8);
      p[2] = static_cast<uint8_t>(v >> 16);
      break;
    default:
      p[0] = static_cast<uint8_t>(v);
      p[1] = static_cast<uint8_t>(v >> 8);
      p[2] = static_cast<uint8_t>(v >> 16);
      p[3] = static_cast<uint8_t>(v >> 24);
      break;
  }
}

uint32_t PixelColorMask(PixelLayout layout) {
  switch (layout) {
    case PixelLayout::kIndexed8:
    case PixelLayout::kGrey8:
      return 0xFF;
    case PixelLayout::kRgb555:
      return 0x7FFF;
    case PixelLayout::kRgb565:
      return 0xFFFF;
    case PixelLayout::kRgb24:
    case PixelLayout::kBgr24:
      return 0xFFFFFF;
    default:
      return PackPixel(Color{255, 255, 255}, layout, nullptr);
  }
}

uint32_t Cp1252ToUnicode(uint8_t code) {
  static constexpr uint16_t kHigh[32] = {
      0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
      0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
      0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};
  if (code >= 0x80 && code < 0xA0) return kHigh[code - 0x80];
  return code;
}

}  // namespace platform
