// Test rasters with top-down or bottom-up storage, and a palette with its
// derived tables, for the graphics tests.
#pragma once

#include <cstdint>
#include <cstring>
#include <vector>

#include "engine/graphics/ColorEntries.h"
#include "engine/graphics/LookupTables.h"

namespace gfxtest {

// A raster of width x height pixels of `bytes` bytes, rows padded to 4 bytes,
// stored top-down or bottom-up. Row(y) is picture row y; First() and Step()
// are what a caller hands to the pixel routines (negative step when bottom-up).
struct Raster {
  int32_t width, height, bytes, rowBytes;
  bool bottomUp;
  std::vector<uint8_t> data;
  Raster(int32_t w, int32_t h, int32_t b, bool up = false)
      : width(w), height(h), bytes(b), rowBytes(((w * b) + 3) & ~3), bottomUp(up),
        data(static_cast<size_t>(rowBytes) * static_cast<size_t>(h), 0) {}
  uint8_t* Row(int32_t y) { return data.data() + static_cast<size_t>(bottomUp ? height - 1 - y : y) * rowBytes; }
  uint8_t* First() { return Row(0); }
  int32_t Step() const { return bottomUp ? -rowBytes : rowBytes; }
  uint8_t* At(int32_t x, int32_t y) { return Row(y) + x * bytes; }
  uint32_t Get(int32_t x, int32_t y) {
    uint32_t v = 0;
    std::memcpy(&v, At(x, y), static_cast<size_t>(bytes));
    return v;
  }
  void Set(int32_t x, int32_t y, uint32_t v) { std::memcpy(At(x, y), &v, static_cast<size_t>(bytes)); }
};

// A 256-colour palette with its nearest-index and shade tables.
struct Palette {
  std::vector<VRGBColor> colors = std::vector<VRGBColor>(256);
  std::vector<uint8_t> nearest = std::vector<uint8_t>(65536);
  std::vector<uint16_t> shade = std::vector<uint16_t>(64 * 256);
  ColorTableData data;
  void Finish() {
    BuildNearestIndexData(colors.data(), nearest.data());
    BuildShadeData(colors.data(), shade.data());
    data.colors = colors.data();
    data.colorCount = 256;
    data.nearestIndex = nearest.data();
    data.shade = shade.data();
  }
  // The 6 x 6 x 6 cube (levels 0, 51, ... 255), then 40 greys.
  static Palette Cube() {
    Palette p;
    int i = 0;
    for (int r = 0; r < 6; ++r)
      for (int g = 0; g < 6; ++g)
        for (int b = 0; b < 6; ++b)
          p.colors[i++] = VRGBColor(static_cast<uint8_t>(r * 51), static_cast<uint8_t>(g * 51), static_cast<uint8_t>(b * 51));
    for (; i < 256; ++i) {
      const uint8_t v = static_cast<uint8_t>((i - 216) * 6 + 8);
      p.colors[i] = VRGBColor(v, v, v);
    }
    p.Finish();
    return p;
  }
};

// Creates the lookup-table manager for a test and deletes it afterwards.
struct ScopedLookupTables {
  ScopedLookupTables() { SetupLookupTables(); }
  ~ScopedLookupTables() { ShutdownLookupTables(); }
};

}  // namespace gfxtest
