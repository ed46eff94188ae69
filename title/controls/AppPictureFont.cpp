#include "title/controls/AppPictureFont.h"

#include <algorithm>
#include <cstring>

AppPictureFont::AppPictureFont(uint16_t mediaId, uint16_t fontMediaId)
    : VPictureFont(mediaId, fontMediaId, ArchiveChoice::kByMediaId) {}

AppPictureFont::AppPictureFont(VFont& systemFont) : VPictureFont(systemFont) { RenderAllGlyphs(); }

AppPictureFont::AppPictureFont(const AppPictureFont& other)
    : VPictureFont(other), extraLeading_(other.extraLeading_) {
  if (other.spacing_) {
    spacing_ = std::make_unique<int8_t[]>(256);
    std::memcpy(spacing_.get(), other.spacing_.get(), 256);
  }
}

AppPictureFont::~AppPictureFont() = default;

int32_t AppPictureFont::GlyphDrawWidth(uint8_t character) const {
  const int32_t extra = spacing_ ? spacing_[character] : 0;
  return std::max(charWidths_[character] - extra, 0);
}

void AppPictureFont::SetSpacing(int32_t extra, int32_t character) {
  if (!spacing_) {
    spacing_ = std::make_unique<int8_t[]>(256);
    std::memset(spacing_.get(), 0, 256);
  }
  const int32_t first = character >= 0 && character <= 255 ? character : 0;
  const int32_t last = character >= 0 && character <= 255 ? character : 255;
  for (int32_t c = first; c <= last; ++c) {
    const int32_t base = charWidths_[c] - spacing_[c];
    const int32_t limited = std::clamp(extra, std::max(-base, -128), std::min(255 - base, 127));
    spacing_[c] = static_cast<int8_t>(limited);
    charWidths_[c] = static_cast<uint8_t>(base + limited);
  }
}

void AppPictureFont::SetSpacingTable(const int8_t* table) {
  if (table == nullptr) {
    if (!spacing_) return;
    for (int c = 0; c < 256; ++c) {
      charWidths_[c] = static_cast<uint8_t>(charWidths_[c] - spacing_[c]);
    }
    spacing_.reset();
    return;
  }
  for (int c = 0; c < 256; ++c) SetSpacing(table[c], c);
}

void AppPictureFont::SetExtraLeading(int32_t pixels) {
  ascent_ = static_cast<int16_t>(ascent_ - extraLeading_ + pixels);
  size_ = size_ - extraLeading_ + pixels;
  extraLeading_ = pixels;
}
