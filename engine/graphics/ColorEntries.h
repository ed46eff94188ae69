// A colour table seen as plain data, the form in which the pixel routines
// (transfer kernels, depth converters, ditherers) receive a palette, and the
// searches and derived tables computed from such data.
#pragma once

#include <cstdint>

#include "engine/core/VGeometry.h"

inline constexpr int32_t kColorEntryCount = 256;
inline constexpr int32_t kNearestIndexSize = 65536;     // one byte per 5-6-5 colour
inline constexpr int32_t kShadeLevels = 64;             // levels 0..63
inline constexpr int32_t kShadeTableSize = 64 * 256;    // 16-bit 5-6-5 values

// The palette and derived tables of one colour table. Nothing is owned: the
// colour table that fills it keeps the arrays alive (and unchanged) for as long
// as a routine uses them.
struct ColorTableData {
  const VRGBColor* colors = nullptr;     // always 256 entries (unused ones black)
  int32_t colorCount = 0;                // entries in use, 0..256
  const uint8_t* nearestIndex = nullptr; // 65536 palette indexes by 5-6-5 key, or null
  const uint16_t* shade = nullptr;       // [level * 256 + index] 5-6-5 colour scaled by level/63, or null
};

// The 16-bit nearest-index key of a colour, the same value as a 5-6-5 pixel.
constexpr uint32_t NearestIndexKey(uint32_t red, uint32_t green, uint32_t blue) {
  return ((red >> 3) << 11) | ((green >> 2) << 5) | (blue >> 3);
}
constexpr uint32_t NearestIndexKey(const VRGBColor& c) { return NearestIndexKey(c.red, c.green, c.blue); }

// Approximate nearest palette index: the nearest-index table at the colour's
// key when there is one, else the entry with the least sum of squared
// differences over all 256 entries (the lowest index on ties). -1 without colours.
int32_t FindNearestColorIndex(const ColorTableData& table, const VRGBColor& color);

// The first of the 256 entries equal to the colour, -1 when none.
int32_t FindExactColorIndex(const ColorTableData& table, const VRGBColor& color);

// The nearest entry by squared distance among all entries except `exclude`
// (the lowest index on ties): the index a key colour's look-alikes move to
// so that the key stays unique. -1 without colours.
int32_t FindNearestIndexRunnerUp(const ColorTableData& table, const VRGBColor& color, int32_t exclude);

// True when `table` holds `prefix`'s first colorCount entries at the same indexes
// (and at least as many colours); the same arrays always begin with each other.
bool ColorTableBeginsWith(const ColorTableData& table, const ColorTableData& prefix);

// Fills 65536 bytes: for every 5-6-5 key (r5 << 11 | g6 << 5 | b5) the first
// of the 256 entries nearest to (r5 * 8, g6 * 4, b5 * 8) by squared distance.
void BuildNearestIndexData(const VRGBColor* colors, uint8_t* out);

// Fills 64 x 256 16-bit values: entry (level * 256 + index) is the 5-6-5
// colour of entry index with each component scaled to trunc(c * level / 63 + 0.49).
void BuildShadeData(const VRGBColor* colors, uint16_t* out);
