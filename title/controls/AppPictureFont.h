// The title's own picture font: the glyph strip and metrics of a picture
// font, each medium read from the archive its id selects, with extra advance
// per character (letter spacing) and extra leading above the glyphs; made
// from a system font, all its glyphs are rendered at once.
#pragma once

#include <cstdint>
#include <memory>

#include "engine/controls/VPictureFont.h"

class AppPictureFont : public VPictureFont {
 public:
  // From the archives (`fontMediaId` 0: the same id as the glyphs).
  AppPictureFont(uint16_t mediaId, uint16_t fontMediaId);
  // From a system font; every glyph with a width is rendered now.
  explicit AppPictureFont(VFont& systemFont);
  // A copy sharing the glyph picture, with the same widths, offsets, metrics
  // and a copy of the spacing table.
  explicit AppPictureFont(const AppPictureFont& other);
  ~AppPictureFont() override;
  AppPictureFont& operator=(const AppPictureFont&) = delete;

  // Character 0..255 changes that character's extra advance, any other value
  // all 256. The old extra advance is taken out of the width, the new one is
  // limited so the width stays within 0..255, stored and added.
  void SetSpacing(int32_t extra, int32_t character);
  // SetSpacing for every character from the table's 256 entries; null resets
  // every extra advance to 0 and drops the table.
  void SetSpacingTable(const int8_t* table);
  // The 256 extra advances (owned by the font), or null when none was set.
  const int8_t* GetSpacingTable() const { return spacing_.get(); }
  // The old extra leading is taken out of ascent and size, the new one added.
  void SetExtraLeading(int32_t pixels);
  int32_t GetExtraLeading() const { return extraLeading_; }

 protected:
  int32_t GlyphDrawWidth(uint8_t character) const override;
  int32_t GlyphTopInset() const override { return extraLeading_; }

 private:
  std::unique_ptr<int8_t[]> spacing_;
  int32_t extraLeading_ = 0;
};
