// Raw pixel memory as the software device contexts see it: a layout, a first
// row, a signed row step, and the packing of colours into each layout.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

namespace platform {

// An RGB colour as the device contexts take it.
struct Color {
  uint8_t red = 0;
  uint8_t green = 0;
  uint8_t blue = 0;
  friend constexpr bool operator==(const Color& a, const Color& b) {
    return a.red == b.red && a.green == b.green && a.blue == b.blue;
  }
};

// Integer rectangle, half-open: columns left..right-1, rows top..bottom-1.
struct Rect {
  int32_t left = 0;
  int32_t top = 0;
  int32_t right = 0;
  int32_t bottom = 0;
  constexpr bool IsEmpty() const { return right <= left || bottom <= top; }
  friend constexpr bool operator==(const Rect& a, const Rect& b) {
    return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
  }
};

struct Point {
  int32_t x = 0;
  int32_t y = 0;
};

// The overlap of two rectangles; empty (all 0) when they do not meet.
Rect IntersectRects(const Rect& a, const Rect& b);

// Pixel layouts of the engine's rasters.
enum class PixelLayout : uint8_t {
  kIndexed8,   // one byte, an index into the palette
  kGrey8,      // one byte, a grey level
  kRgb555,     // 16-bit word: red bits 10-14, green 5-9, blue 0-4
  kRgb565,     // 16-bit word: red bits 11-15, green 5-10, blue 0-4
  kRgb24,      // bytes red, green, blue
  kBgr24,      // bytes blue, green, red
  kRgbx32,     // bytes red, green, blue, unused
  kBgrx32,     // bytes blue, green, red, unused
  kXrgb32,     // bytes unused, red, green, blue
  kXbgr32,     // bytes unused, blue, green, red
};

// Bits per pixel of a layout as the engine counts them (15 for 5-5-5).
int LayoutDepth(PixelLayout layout);
// Bytes of memory one pixel takes.
int LayoutBytesPerPixel(PixelLayout layout);

// Up to 256 colours of an indexed raster.
struct PixelPalette {
  std::array<Color, 256> colors{};
  int count = 0;
  // The index of the nearest colour (squared RGB distance, lowest index on a
  // tie); 0 for an empty palette.
  uint8_t NearestIndex(const Color& color) const;
};

// A block of pixel memory that the caller owns and keeps alive while a
// device context draws into it. `first` is the first pixel of the top row;
// `rowStep` is the signed distance in bytes from one row to the row below it
// (negative for bottom-up storage). `bigEndianWords` selects the byte order of
// 16-bit pixels (the engine's 5-5-5 and 5-6-5 words are normally little-endian).
struct PixelBuffer {
  uint8_t* first = nullptr;
  ptrdiff_t rowStep = 0;
  int32_t width = 0;
  int32_t height = 0;
  PixelLayout layout = PixelLayout::kBgrx32;
  bool bigEndianWords = false;

  bool IsValid() const { return first != nullptr && width > 0 && height > 0; }
  uint8_t* PixelAddress(int32_t x, int32_t y) const {
    return first + static_cast<ptrdiff_t>(y) * rowStep + static_cast<ptrdiff_t>(x) * LayoutBytesPerPixel(layout);
  }
};

// Packs a colour into the pixel value of a layout (indexed layouts through the
// palette, or a grey ramp when there is none); the value's low bytes are the
// pixel's bytes in memory order when stored little-endian, except 16-bit words,
// which are returned as words.
uint32_t PackPixel(const Color& color, PixelLayout layout, const PixelPalette* palette);
// The colour a stored pixel value shows (5- and 6-bit components widened by
// repeating their top bits).
Color UnpackPixel(uint32_t value, PixelLayout layout, const PixelPalette* palette);
// Reads and writes one pixel value at an address, in the buffer's byte order.
uint32_t LoadPixel(const uint8_t* address, PixelLayout layout, bool bigEndianWords);
void StorePixel(uint8_t* address, uint32_t value, PixelLayout layout, bool bigEndianWords);
// The mask of the bits of a pixel value that carry colour (what inversion flips).
uint32_t PixelColorMask(PixelLayout layout);

// The Unicode code point of a code page 1252 byte (undefined codes map to
// themselves, as the system's converter does).
uint32_t Cp1252ToUnicode(uint8_t code);

}  // namespace platform
