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

// The text's flat coverage in a picture font (the caller releases it); null
// for a system font, a colour strip or an empty text.
VAlphaChannel* CoverageInPictureFont(const char* text, VFont* font) {
  if (text == nullptr || font == nullptr || font->IsSystemFont()) return nullptr;
  auto* pictureFont = dynamic_cast<VPictureFont*>(font);
  if (pictureFont == nullptr) return nullptr;
  return RenderPictureFontText(text, 32767, *pictureFont);
}

PixelMap* RotateAndDrop(PixelMap* map, double degrees) {
  PixelMap* rotated = RotatePixelMap(map, degrees, nullptr);
  delete map;
  return rotated;
}

}  // namespace

PixelMap* RenderTextToPicture(const char* text, double degrees, VFont* font, const VRGBColor& color) {
  VAlphaChannel* coverage = CoverageInPictureFont(text, font);
  if (coverage == nullptr) return nullptr;
  return RotateAndDrop(SolidWithCoverage(coverage, color), degrees);
}

bool MeasureTextToPicture(const char* text, double degrees, VFont* font, int32_t& width, int32_t& height) {
  VAlphaChannel* coverage = CoverageInPictureFont(text, font);
  if (coverage == nullptr) return false;
  const int32_t flatWidth = coverage->GetWidth(), flatHeight = coverage->GetHeight();
  coverage->Release();
  return RotatedSize(flatWidth, flatHeight, degrees, width, height);
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
