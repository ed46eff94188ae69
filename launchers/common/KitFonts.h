// Fonts of the launchers' dialogs: a face and size as the dialogs name them,
// resolved to a font file. "MS Sans Serif" and "Small Fonts" are the bitmap
// faces of the Windows fonts Debian ships in fonts-wine (where installed),
// every other face goes through fontconfig's matching. Fonts are kept for
// reuse.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "platform/FontRasterizer.h"

namespace kit {

struct FontSpec {
  std::string face;
  int32_t pixelHeight = 13;  // the character (em) height
  bool bold = false;
  friend bool operator==(const FontSpec&, const FontSpec&) = default;
};

// The pixel height of a point size on the 96-dot screen (rounded, at least 1).
int32_t PointsToPixels(int32_t points);

// The font, or null when no face at all can be loaded.
std::shared_ptr<platform::Font> GetFont(const FontSpec& spec);

// The dialogs' font: "MS Sans Serif" 8 point.
FontSpec DefaultDialogFont();

// Where fonts-wine puts its faces (OSTREVAN_WINE_FONTS overrides it).
std::string WineFontFolder();

// A font's base units as dialog templates use them: the average width of
// the letters A-Z and a-z, rounded as the dialog manager does
// ((sum / 26 + 1) / 2), and the cell height.
struct BaseUnits {
  int32_t x = 0;
  int32_t y = 0;
  friend bool operator==(const BaseUnits&, const BaseUnits&) = default;
};
BaseUnits MeasureBaseUnits(platform::Font& font);

}  // namespace kit
