#include "title/controls/TextToPicture.h"

#include <cstring>
#include <memory>

#include "engine/controls/VPictureFont.h"
#include "engine/graphics/DrawPort.h"
#include "engine/graphics/PixelMap.h"
#include "engine/graphics/VAlphaChannel.h"
#include "engine/graphics/VPicture.h"
#include "title/controls/RotatePixelMap.h"

namespace {

// A solid map of the channel's size in the colour, carrying the channel; the
// reference the caller held goes to the map.
PixelMap* SolidWithCoverage(VAlphaChannel* coverage, const VRGBColor& color) {
  auto* map = new PixelMap(VRect(0, 0, coverage->GetWidth(), coverage->GetHeight()), color, PixelMap::kStorageMemory);
  map->SetAlphaChannel(coverage);
  coverage->Release();
  return map;
}

PixelMap* RotateAndDrop(PixelMap* map, double degrees) {
  PixelMap* rotated = RotatePixelMap(map, degrees, nullptr);
  delete map;
  return rotated;
}

}  // namespace

PixelMap* RenderTextToPicture(const char* text, double degrees, VFont* font, const VRGBColor& color) {
  if (text == nullptr || font == nullptr || font->IsSystemFont()) return nullptr;
  auto* pictureFont = dynamic_cast<VPictureFont*>(font);
  if (pictureFont == nullptr) return nullptr;
  VAlphaChannel* coverage = RenderPictureFontText(text, 32767, *pictureFont);
  if (coverage == nullptr) return nullptr;
  return RotateAndDrop(SolidWithCoverage(coverage, color), degrees);
}

VPicture* RenderTextToPicture(const char* text, int32_t, double degrees, VFont* font, const VRGBColor& color,
                              int32_t) {
  PixelMap* map = RenderTextToPicture(text, degrees, font, color);
  return map != nullptr ? new VPicture(map) : nullptr;
}

PixelMap* RenderSystemTextToPicture(const char* text, double degrees, VFont* font, const VRGBColor& color,
                                    int32_t smoothing) {
  if (text == nullptr || text[0] == 0 || font == nullptr || !font->IsSystemFont()) return nullptr;
  const int32_t shift = smoothing >= 0 && smoothing <= 3 ? smoothing : GetPictureFontSmoothing();
  VAlphaChannel* coverage = nullptr;
  {
    PixelMap scratch(VRect(0, 0, 1, 1), 8, nullptr, nullptr, nullptr, PixelMap::kStorageDib);
    DrawPort port(&scratch);
    const auto length = static_cast<int32_t>(std::min<size_t>(std::strlen(text), 32767));
    coverage = port.DrawSmoothText(text, length, font, shift);
  }
  if (coverage == nullptr) return nullptr;
  return RotateAndDrop(SolidWithCoverage(coverage, color), degrees);
}
