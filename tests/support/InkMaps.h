// Test support for pictures drawn in a few inks: each ink is a letter whose
// colour is exact at every depth and in the 216-colour cube, so a map can be
// painted from and compared with rows of letters; and pixel maps of the
// depths, formats and storage kinds the drawing tests run through.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "engine/core/VGeometry.h"
#include "engine/graphics/PixelMap.h"
#include "engine/graphics/VColorTable.h"

namespace testsupport {

struct Ink {
  char code;
  VRGBColor color;
};
inline const Ink kInks[] = {
    {'K', VRGBColor(0, 0, 0)},     {'W', VRGBColor(255, 255, 255)}, {'R', VRGBColor(255, 0, 0)},
    {'G', VRGBColor(0, 255, 0)},   {'B', VRGBColor(0, 0, 255)},     {'Y', VRGBColor(255, 255, 0)},
    {'C', VRGBColor(0, 255, 255)}, {'M', VRGBColor(255, 0, 255)},
};

// The colour of an ink letter (a test failure for an unknown letter).
inline VRGBColor ColorOf(char code) {
  for (const Ink& ink : kInks)
    if (ink.code == code) return ink.color;
  ADD_FAILURE() << "no colour " << code;
  return VRGBColor();
}

// One string per row of the map; '?' for a colour outside the inks.
inline std::vector<std::string> Render(const PixelMap& map) {
  std::vector<std::string> rows;
  for (int32_t y = 0; y < map.GetHeight(); ++y) {
    std::string row;
    for (int32_t x = 0; x < map.GetWidth(); ++x) {
      VRGBColor c;
      char code = '?';
      if (map.GetPixel(VPoint(x, y), c))
        for (const Ink& ink : kInks)
          if (ink.color == c) code = ink.code;
      row += code;
    }
    rows.push_back(row);
  }
  return rows;
}

// Sets the pixels of the map from rows of ink letters, from the top left.
inline void Paint(PixelMap& map, const std::vector<std::string>& rows) {
  for (int32_t y = 0; y < static_cast<int32_t>(rows.size()); ++y)
    for (int32_t x = 0; x < static_cast<int32_t>(rows[y].size()); ++x)
      ASSERT_TRUE(map.SetPixel(VPoint(x, y), ColorOf(rows[y][x])));
}

// A depth, its pixel format and the storage kind of a map.
struct MapCase {
  int32_t depth;
  int32_t format;
  int16_t kind;
};

inline std::string Describe(const MapCase& c) {
  return "depth " + std::to_string(c.depth) + " format " + std::to_string(c.format) + " kind " +
         std::to_string(c.kind);
}

// A w x h map of the case; 8-bit maps use `table` (not owned), the others none.
inline std::unique_ptr<PixelMap> MakeMap(const MapCase& c, VColorTable* table, int32_t w, int32_t h) {
  auto map = std::make_unique<PixelMap>(VRect(0, 0, w, h), c.depth, c.depth == 8 ? table : nullptr, nullptr, nullptr,
                                        c.kind, c.format, 0);
  EXPECT_NE(map->GetPixels(), nullptr) << Describe(c);
  return map;
}

}  // namespace testsupport
