// Copying a rectangle of one pixel map into another across depths and pixel
// formats: a plain row copy when the layouts agree, else the depth converter
// of the pair (the key colour of the source's record stays exact).
#pragma once

#include "engine/core/VGeometry.h"

class PixelMap;

// Null rectangles mean the maps' bounds. True when both maps could be locked
// and the clipped rectangles overlap. The destination receives the source's
// attribute record (rewritten by the converter). A source in big-endian
// 15/16-bit words (format 3 or 4) is first reordered in place.
bool CopyPicturePixels(PixelMap& source, PixelMap& destination, const VRect* sourceRect = nullptr,
                       const VRect* destinationRect = nullptr);
