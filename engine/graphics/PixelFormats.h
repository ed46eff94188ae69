// Pixel format codes: the layout of one pixel within its depth, as pixel maps,
// depth converters, transfer and resampling kernels and image readers name it.
#pragma once

#include <cstdint>

// The codes a pixel map carries. The 15- and 16-bit layouts come in two byte
// orders: the plain code holds big-endian words, the code with
// kFormatLittleEndianWords (0x8000) added holds little-endian words, the order
// every converter and kernel works in.
enum PixelFormatCode : uint16_t {
  kFormatNone = 0,            // no layout yet; from a reader: the default of its depth
  kFormatUseDefault = 1,      // a creation asking for the program-wide default format
  kFormatIndexed8 = 2,        // 8 bits: index into the colour table
  kFormat555 = 3,             // 15 bits: red 10-14, green 5-9, blue 0-4, big-endian word
  kFormat565 = 4,             // 16 bits: red 11-15, green 5-10, blue 0-4, big-endian word
  kFormatRGB24 = 5,           // 24 bits: bytes red, green, blue
  kFormatBGR24 = 6,           // 24 bits: bytes blue, green, red (Windows DIB)
  kFormatRGBX32 = 7,          // 32 bits: bytes red, green, blue, unused
  kFormatBGRX32 = 8,          // 32 bits: bytes blue, green, red, unused (Windows DIB)
  kFormatXRGB32 = 9,          // 32 bits: bytes unused, red, green, blue
  kFormatXBGR32 = 10,         // 32 bits: bytes unused, blue, green, red
  kFormatGrey8 = 11,          // 8 bits: grey level
  kFormat555LE = 0x8003,      // kFormat555 in little-endian words
  kFormat565LE = 0x8004,      // kFormat565 in little-endian words
};

// The byte-order bit of the 15- and 16-bit codes: set for little-endian words.
inline constexpr uint16_t kFormatLittleEndianWords = 0x8000;

constexpr bool HasLittleEndianWords(int32_t format) { return (format & kFormatLittleEndianWords) != 0; }
// The 15/16-bit layout of a code without its byte-order bit (kFormat555 or kFormat565 for those codes).
constexpr int32_t WordLayoutOf(int32_t format) { return format & ~int32_t{kFormatLittleEndianWords}; }
// True for the 5-5-5 and 5-6-5 codes in either byte order.
constexpr bool IsWordFormat(int32_t format) {
  return WordLayoutOf(format) == kFormat555 || WordLayoutOf(format) == kFormat565;
}
// True for the four 32-bit layouts.
constexpr bool Is32BitFormat(int32_t format) { return format >= kFormatRGBX32 && format <= kFormatXBGR32; }
// The bit offset of the three colour bytes in a 32-bit pixel: 8 when the
// unused byte comes first in memory (formats 9 and 10), else 0.
constexpr uint32_t ColorShift32(int32_t format) {
  return (format == kFormatXRGB32 || format == kFormatXBGR32) ? 8u : 0u;
}
// True when two 32-bit layouts are each other's bytes in reverse order (7 and 10, 8 and 9).
constexpr bool AreReversed32(int32_t a, int32_t b) {
  return (a == kFormatRGBX32 && b == kFormatXBGR32) || (a == kFormatXBGR32 && b == kFormatRGBX32) ||
         (a == kFormatBGRX32 && b == kFormatXRGB32) || (a == kFormatXRGB32 && b == kFormatBGRX32);
}
