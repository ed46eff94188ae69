// The program-wide named colours, PackColor, which turns an RGB colour into
// the 32-bit pixel value of one of the four 32-bit pixel layouts, and the
// 5-5-5 and 5-6-5 packings of the 15- and 16-bit layouts.
#pragma once

#include <cstdint>

#include "engine/core/VGeometry.h"
#include "engine/graphics/PixelFormats.h"

inline constexpr VRGBColor kBlackColor{0, 0, 0};
inline constexpr VRGBColor kWhiteColor{255, 255, 255};
inline constexpr VRGBColor kGreyColor{127, 127, 127};
inline constexpr VRGBColor kRedColor{255, 0, 0};
inline constexpr VRGBColor kGreenColor{0, 255, 0};
inline constexpr VRGBColor kBlueColor{0, 0, 255};
inline constexpr VRGBColor kYellowColor{255, 255, 0};
inline constexpr VRGBColor kMagentaColor{255, 0, 255};
inline constexpr VRGBColor kCyanColor{0, 255, 255};

// Bit offsets of red, green and blue within a 32-bit pixel of layout code
// 7..10; any other code is treated as layout 8 (the Windows DIB layout).
struct PixelShifts32 {
  uint32_t red;
  uint32_t green;
  uint32_t blue;
  uint32_t colorMask;  // the three colour bytes; the fourth byte carries no colour
};
constexpr PixelShifts32 GetPixelShifts32(int32_t code) {
  switch (code) {
    case kFormatRGBX32: return {0, 8, 16, 0x00FFFFFFu};
    case kFormatXRGB32: return {8, 16, 24, 0xFFFFFF00u};
    case kFormatXBGR32: return {24, 16, 8, 0xFFFFFF00u};
    default: return {16, 8, 0, 0x00FFFFFFu};
  }
}

// The 32-bit pixel of the colour in layout code 7 (R,G,B,0 in memory),
// 8 (B,G,R,0), 9 (0,R,G,B) or 10 (0,B,G,R); any other code gives 0.
constexpr uint32_t PackColor(const VRGBColor& c, int32_t code) {
  if (!Is32BitFormat(code)) return 0;
  const PixelShifts32 s = GetPixelShifts32(code);
  return (uint32_t{c.red} << s.red) | (uint32_t{c.green} << s.green) | (uint32_t{c.blue} << s.blue);
}

// The 15-bit (5-5-5) and 16-bit (5-6-5) pixel values of the colour, each
// component truncated to its field.
constexpr uint16_t PackColor555(const VRGBColor& c) {
  return static_cast<uint16_t>(((c.red >> 3) << 10) | ((c.green >> 3) << 5) | (c.blue >> 3));
}
constexpr uint16_t PackColor565(const VRGBColor& c) {
  return static_cast<uint16_t>(((c.red >> 3) << 11) | ((c.green >> 2) << 5) | (c.blue >> 3));
}

// The colours of 15-bit (5-5-5) and 16-bit (5-6-5) pixel values, each field
// widened to 8 bits by repeating its high bits.
constexpr uint8_t WidenField5(uint32_t c) { return static_cast<uint8_t>((c << 3) | (c >> 2)); }
constexpr uint8_t WidenField6(uint32_t c) { return static_cast<uint8_t>((c << 2) | (c >> 4)); }
constexpr VRGBColor DecodeColor555(uint32_t w) {
  return VRGBColor(WidenField5((w >> 10) & 31), WidenField5((w >> 5) & 31), WidenField5(w & 31));
}
constexpr VRGBColor DecodeColor565(uint32_t w) {
  return VRGBColor(WidenField5((w >> 11) & 31), WidenField6((w >> 5) & 63), WidenField5(w & 31));
}
