// The title's twelve picture fonts: entry i is the font of glyph medium
// 500 + i with the metrics of medium 520 + i, both in the GUI archive. The
// table is the application's; the fonts belong to the font registry.
#pragma once

#include <cstdint>

class VPictureFont;

// (Re)builds the table: selects the GUI archive (it stays current) and finds
// or makes each font.
void LoadPictureFonts();
// The font of entry 0..11; null for another index or before the table was
// built.
VPictureFont* GetPictureFont(int32_t index);
// Forgets the table (the fonts stay with the registry).
void FreePictureFonts();
