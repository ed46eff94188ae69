// A line of text made into a coloured pixel map with an alpha channel and
// turned by an angle: in a picture font whose glyphs are an alpha strip, or in
// a system font rendered with soft edges.
#pragma once

#include <cstdint>

#include "engine/core/VGeometry.h"

class PixelMap;
class VFont;
class VPicture;

// The text in the picture font (any picture font with an alpha strip): a
// solid map in the colour carrying the glyph coverage, turned clockwise by
// `degrees` (RotatePixelMap). The caller owns the result. Null for a system
// font, a colour strip, an empty text or a failed rotation.
PixelMap* RenderTextToPicture(const char* text, double degrees, VFont* font, const VRGBColor& color);
// The size RenderTextToPicture gives the text, found without turning any
// pixels; false where it would give no map.
bool MeasureTextToPicture(const char* text, double degrees, VFont* font, int32_t& width, int32_t& height);
// The same as a new picture (the caller releases it), in the form screens
// call it: the second and sixth arguments are not used.
VPicture* RenderTextToPicture(const char* text, int32_t unused, double degrees, VFont* font, const VRGBColor& color,
                              int32_t unusedMode);
// The text in a system font, its coverage rendered with the picture-font
// smoothing (or with `smoothing` 0..3 when it is not -1), as a solid map in
// the colour carrying that coverage, turned by `degrees`. Null for a picture
// font or an empty text.
PixelMap* RenderSystemTextToPicture(const char* text, double degrees, VFont* font, const VRGBColor& color,
                                    int32_t smoothing);
