// The argument record shared by every transfer routine (the per-rectangle
// pixel kernels chosen by SelectTransferRowRoutine) and the transparency data
// the routines read: mode bits, level, key colour and mask flags.
#pragma once

#include <cstdint>

#include "engine/core/VGeometry.h"
#include "engine/graphics/ColorEntries.h"
#include "engine/graphics/PixelFormats.h"

// Bits of the transfer mode (the flags word of a pixel map's attributes).
enum TransferModeBits : uint32_t {
  kTransferKeyIndex = 1,   // key colour given as a colour-table index
  kTransferKeyColor = 2,   // key colour given as RGB
  kTransferLevel = 4,      // mix by level / 63
  kTransferAlpha = 8,      // mix by the alpha plane, 0..63 per pixel
  kTransferMask = 16,      // write only where the mask region's current flag is 0
};

// The transparency data a transfer reads from the source's attributes.
// Nothing is owned.
struct TransferAttributes {
  uint32_t flags = 0;        // TransferModeBits
  uint8_t level = 63;        // 0..63, read only with kTransferLevel
  uint8_t keyIndex = 0;      // with kTransferKeyIndex
  VRGBColor keyColor;        // with kTransferKeyColor
  const uint8_t* maskFlags = nullptr;  // the mask's 256-entry current-flag table (kTransferMask)

  // The level in effect: the level byte with kTransferLevel, else 63.
  int32_t GetLevel() const { return (flags & kTransferLevel) ? level : 63; }
};

// Everything one transfer routine call sees. Row steps are signed byte
// distances (negative for maps stored bottom-up); every plane pointer is the
// rectangle's first pixel in that plane. The routine walks `height` rows of
// `width` pixels in the order of the pointers. Nothing is owned.
struct TransferRowArgs {
  const uint8_t* source = nullptr;        // not read for a solid source
  int32_t sourceRowBytes = 0;
  uint8_t* destination = nullptr;
  int32_t destinationRowBytes = 0;
  const uint8_t* alpha = nullptr;         // source alpha plane, one byte per pixel (mode bit 8)
  int32_t alphaRowBytes = 0;
  const uint8_t* targetAlpha = nullptr;   // destination's merged alpha plane (24-bit modes 8 and 12 read it)
  int32_t targetAlphaRowBytes = 0;
  int32_t width = 0;
  int32_t height = 0;
  int32_t bytesPerPixel = 0;              // 1, 2, 3 or 4
  int32_t depth = 0;                      // 8, 15, 16, 24 or 32
  uint16_t pixelFormat = kFormatNone;     // destination pixel format code (PixelFormats.h)
  TransferAttributes attributes;
  const VRGBColor* solidColor = nullptr;  // the colour of a solid source
  const ColorTableData* colorTable = nullptr;  // the destination's palette (8-bit routines)
  const uint8_t* mask = nullptr;          // mask plane of region numbers (mode bit 16)
  int32_t maskRowBytes = 0;
};

using TransferRowRoutine = void (*)(const TransferRowArgs&);

// The column of a pixel depth in the tables of routines kept per depth
// (8, 15, 16, 24, 32 -> 0..4); -1 for any other depth.
constexpr int32_t DepthTableColumn(int32_t depth) {
  switch (depth) {
    case 8: return 0;
    case 15: return 1;
    case 16: return 2;
    case 24: return 3;
    case 32: return 4;
    default: return -1;
  }
}
