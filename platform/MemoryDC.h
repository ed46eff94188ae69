// Memory device contexts and DIB sections: the software stand-in for a GDI
// memory DC with a device-independent bitmap selected into it. The DIB section
// owns its pixel memory; drawing into a DC arrives with the drawing ports.
#pragma once

#include <cstdint>

#include "platform/Palette.h"

namespace platform {

// One colour of a DIB's colour table, in its stored byte order.
struct RgbQuad {
  uint8_t blue = 0;
  uint8_t green = 0;
  uint8_t red = 0;
  uint8_t reserved = 0;
};

// The header of a DIB section request (BITMAPINFOHEADER with its colour table).
struct DibHeader {
  int32_t width = 0;
  int32_t height = 0;     // positive: bottom-up rows; negative: top-down
  int32_t bitCount = 0;   // 8, 16, 24 or 32
  int32_t imageSize = 0;  // bytes of pixel data
  int32_t colorsUsed = 0;
  RgbQuad colors[256];
};

// A DIB section: pixel memory with 4-byte aligned rows.
class DibSection {
 public:
  ~DibSection();
  DibSection(const DibSection&) = delete;
  DibSection& operator=(const DibSection&) = delete;

  int32_t GetWidth() const { return width_; }
  int32_t GetHeight() const { return height_; }
  int32_t GetBitCount() const { return bitCount_; }
  int32_t GetRowBytes() const { return rowBytes_; }
  bool IsBottomUp() const { return bottomUp_; }
  uint8_t* GetBits() const { return bits_; }
  const RgbQuad* GetColors() const { return colors_; }

 private:
  friend DibSection* CreateDibSection(class MemoryDC*, const DibHeader&, uint8_t**);
  DibSection() = default;
  int32_t width_ = 0;
  int32_t height_ = 0;
  int32_t bitCount_ = 0;
  int32_t rowBytes_ = 0;
  bool bottomUp_ = true;
  uint8_t* bits_ = nullptr;
  RgbQuad colors_[256];
};

// A memory DC: what is selected into it. Selections are not owned.
class MemoryDC {
 public:
  // Selects a bitmap; returns the previously selected one (null at first).
  DibSection* SelectBitmap(DibSection* bitmap);
  // Selects a palette; returns the previous one (null at first).
  const Palette* SelectPalette(const Palette* palette);
  // Maps the selected palette into the DC; returns the entries realised.
  int32_t RealizePalette() const { return palette_ ? palette_->GetEntryCount() : 0; }
  DibSection* GetBitmap() const { return bitmap_; }
  const Palette* GetPalette() const { return palette_; }

 private:
  DibSection* bitmap_ = nullptr;
  const Palette* palette_ = nullptr;
};

// A new memory DC compatible with the screen, or null. Delete it with DeleteMemoryDC.
MemoryDC* CreateMemoryDC();
void DeleteMemoryDC(MemoryDC* dc);

// A new DIB section for the header (width and bit count above 0, height not 0),
// its pixels (not cleared) stored in *bits; null (and *bits null) on failure.
// The DC is only checked for presence. Delete it with DeleteDibSection.
DibSection* CreateDibSection(MemoryDC* dc, const DibHeader& header, uint8_t** bits);
void DeleteDibSection(DibSection* bitmap);

// Test hooks: the next `count` creations of that kind fail.
void FailNextMemoryDCs(int32_t count);
void FailNextDibSections(int32_t count);

}  // namespace platform
