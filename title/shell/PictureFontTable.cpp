#include "title/shell/PictureFontTable.h"

#include <array>
#include <memory>

#include "engine/controls/VPictureFont.h"
#include "title/shell/MuseumArchives.h"

namespace {

constexpr int32_t kFontCount = 12;
constexpr uint16_t kFirstGlyphMedia = 500;
constexpr uint16_t kFirstMetricsMedia = 520;

std::unique_ptr<std::array<VPictureFont*, kFontCount>> gFonts;

}  // namespace

void LoadPictureFonts() {
  gFonts = std::make_unique<std::array<VPictureFont*, kFontCount>>();
  SelectGuiArchive();
  for (int32_t i = 0; i < kFontCount; ++i) {
    (*gFonts)[static_cast<size_t>(i)] = FindFontById(static_cast<uint16_t>(kFirstGlyphMedia + i),
                                                     static_cast<uint16_t>(kFirstMetricsMedia + i));
  }
}

VPictureFont* GetPictureFont(int32_t index) {
  // Callers pass 0..11; anything else answers no font rather than reading
  // outside the table.
  if (!gFonts || index < 0 || index >= kFontCount) return nullptr;
  return (*gFonts)[static_cast<size_t>(index)];
}

void FreePictureFonts() { gFonts.reset(); }
