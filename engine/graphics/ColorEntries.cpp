#include "engine/graphics/ColorEntries.h"

#include <cstring>

namespace {

inline int32_t Distance(const VRGBColor& a, int32_t r, int32_t g, int32_t b) {
  const int32_t dr = a.red - r;
  const int32_t dg = a.green - g;
  const int32_t db = a.blue - b;
  return dr * dr + dg * dg + db * db;
}

int32_t ScanNearest(const VRGBColor* colors, int32_t r, int32_t g, int32_t b, int32_t exclude) {
  int32_t best = -1;
  int32_t bestDistance = 10000000;
  for (int32_t i = 0; i < kColorEntryCount; ++i) {
    if (i == exclude) continue;
    const int32_t d = Distance(colors[i], r, g, b);
    if (d < bestDistance) {
      bestDistance = d;
      best = i;
    }
  }
  return best;
}

}  // namespace

int32_t FindNearestColorIndex(const ColorTableData& table, const VRGBColor& color) {
  if (table.nearestIndex) return table.nearestIndex[NearestIndexKey(color)];
  if (!table.colors) return -1;
  return ScanNearest(table.colors, color.red, color.green, color.blue, -1);
}

int32_t FindExactColorIndex(const ColorTableData& table, const VRGBColor& color) {
  if (!table.colors) return -1;
  for (int32_t i = 0; i < kColorEntryCount; ++i) {
    if (table.colors[i] == color) return i;
  }
  return -1;
}

int32_t FindNearestIndexRunnerUp(const ColorTableData& table, const VRGBColor& color, int32_t exclude) {
  if (!table.colors) return -1;
  return ScanNearest(table.colors, color.red, color.green, color.blue, exclude);
}

bool ColorTableBeginsWith(const ColorTableData& table, const ColorTableData& prefix) {
  if (table.colors == prefix.colors) return true;
  if (!table.colors || !prefix.colors) return false;
  if (table.colorCount < prefix.colorCount) return false;
  for (int32_t i = 0; i < prefix.colorCount && i < kColorEntryCount; ++i) {
    if (table.colors[i] != prefix.colors[i]) return false;
  }
  return true;
}

void BuildNearestIndexData(const VRGBColor* colors, uint8_t* out) {
  // Per red and green row, the partial distances of every entry are shared by
  // the 32 blue values, which keeps the 16.7 million comparisons cheap.
  int32_t partial[kColorEntryCount];
  for (int32_t r5 = 0; r5 < 32; ++r5) {
    for (int32_t g6 = 0; g6 < 64; ++g6) {
      const int32_t r = r5 * 8;
      const int32_t g = g6 * 4;
      for (int32_t i = 0; i < kColorEntryCount; ++i) {
        const int32_t dr = colors[i].red - r;
        const int32_t dg = colors[i].green - g;
        partial[i] = dr * dr + dg * dg;
      }
      uint8_t* row = out + ((r5 << 11) | (g6 << 5));
      for (int32_t b5 = 0; b5 < 32; ++b5) {
        const int32_t b = b5 * 8;
        int32_t best = 0;
        int32_t bestDistance = 10000000;
        for (int32_t i = 0; i < kColorEntryCount; ++i) {
          const int32_t db = colors[i].blue - b;
          const int32_t d = partial[i] + db * db;
          if (d < bestDistance) {
            bestDistance = d;
            best = i;
          }
        }
        row[b5] = static_cast<uint8_t>(best);
      }
    }
  }
}

void BuildShadeData(const VRGBColor* colors, uint16_t* out) {
  const double step = static_cast<double>(1.0f / 63.0f);
  for (int32_t index = 0; index < kColorEntryCount; ++index) {
    const double fr = colors[index].red * step;
    const double fg = colors[index].green * step;
    const double fb = colors[index].blue * step;
    double r = 0.0, g = 0.0, b = 0.0;
    for (int32_t level = 0; level < kShadeLevels; ++level) {
      const uint32_t rv = static_cast<uint32_t>(r + 0.49);
      const uint32_t gv = static_cast<uint32_t>(g + 0.49);
      const uint32_t bv = static_cast<uint32_t>(b + 0.49);
      out[level * 256 + index] = static_cast<uint16_t>(((rv >> 3) << 11) | ((gv >> 2) << 5) | (bv >> 3));
      r += fr;
      g += fg;
      b += fb;
    }
  }
}
