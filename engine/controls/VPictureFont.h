// Picture fonts: 256 glyphs cut side by side from one glyph picture (a strip
// of colour pixels, or an alpha channel under a solid picture that takes the
// text colour), with their metrics from a "FONT" or "RDX " medium; or made
// from a system font, whose glyphs are then rendered into an alpha strip on
// demand. Every picture font joins the program-wide font registry of VFont.
#pragma once

#include <bitset>
#include <cstdint>

#include "engine/graphics/VFont.h"

class DrawPort;
class MediaArchive;
class PixelMap;
class VAlphaChannel;
class VPicture;

class VPictureFont : public VFont {
 public:
  // From the archives: the glyph picture of `mediaId` ("RIX ", else an
  // "RAX " alpha channel under a black solid picture) and the metrics of
  // `fontMediaId` (0: the same id). Every glyph counts as rendered. A font
  // whose glyph medium is missing or unreadable draws nothing; one whose
  // metrics medium is missing keeps zero widths and draws nothing.
  VPictureFont(uint16_t mediaId, uint16_t fontMediaId);
  // From a system font: its name, size and style, widths and metrics
  // measured on a scratch port, and an empty alpha strip of (sum of widths x
  // size) under a black solid picture; glyphs are rendered when first drawn
  // (or by RenderAllGlyphs) at the picture-font smoothing level of now.
  // With `wholeCell` the strip also holds the system font's internal leading
  // and one row more above the character height (size and ascent grow by
  // them), so that the accents of capitals (the dots of "Ä") are kept rather
  // than cut off.
  explicit VPictureFont(VFont& systemFont, bool wholeCell = false);
  // Releases the glyph picture and deletes the shared scratch map.
  ~VPictureFont() override;

  bool IsSystemFont() const override { return false; }
  // Draws the text's glyphs with their baseline at y through the port's
  // DrawPixelMap, up to `count` characters or the first code 0, cut to the
  // clip rectangle when one is given, and never reading outside the strip.
  void DrawText(DrawPort* port, int32_t x, int32_t y, const char* text, int32_t count, const VRect* clip) override;
  // A solid glyph picture (alpha strips) takes the colour; a colour strip
  // keeps its pixels.
  void SetColor(const VRGBColor& color) override;

  // The glyph picture with one more reference (the caller releases it), or
  // null. Glyphs of a font made from a system font are all rendered first.
  VPicture* GetPicture();
  // Without a new reference; valid while the font lives. Glyphs may still be
  // unrendered.
  VPicture* PeekPicture() const { return picture_; }
  // The x of the character's glyph in the strip.
  int32_t GetGlyphOffset(uint8_t character) const { return glyphOffsets_[character]; }
  bool IsGlyphRendered(uint8_t character) const { return rendered_.test(character); }
  // Renders every glyph not rendered yet (fonts made from a system font).
  void RenderAllGlyphs();
  // Renders the glyphs of the text's characters that are not rendered yet.
  void RenderGlyphs(const char* text, int32_t count);
  // The system font glyphs are rendered from (owned by the registry), or null.
  VFont* GetSourceFont() const { return sourceFont_; }
  // True when the glyph picture carries an alpha channel (the glyphs take the
  // picture's colour).
  bool HasAlphaGlyphs() const;

 protected:
  enum class ArchiveChoice { kCurrent, kByMediaId };
  VPictureFont(uint16_t mediaId, uint16_t fontMediaId, ArchiveChoice choice);
  // A copy of another picture font sharing its glyph picture (one more
  // reference), with the same widths, offsets and metrics.
  explicit VPictureFont(const VPictureFont& other);

  // Hooks of the application picture font: how many columns of a glyph are
  // drawn (the width without any extra advance), the rows above the glyph
  // rows (extra leading), and the glyph rows' height.
  virtual int32_t GlyphDrawWidth(uint8_t character) const { return charWidths_[character]; }
  virtual int32_t GlyphTopInset() const { return 0; }
  int32_t GlyphRows() const { return size_ - GlyphTopInset(); }
  friend VAlphaChannel* RenderPictureFontText(const char*, int32_t, VPictureFont&);

  // Recomputes the glyph offsets from the widths (offset 0 = 0).
  void ComputeGlyphOffsets();
  // The source column range of a character's glyph, cut to the strip; empty
  // when the glyph lies outside it.
  VRect GlyphSource(uint8_t character) const;

  VPicture* picture_ = nullptr;
  uint16_t glyphOffsets_[256] = {};
  std::bitset<256> rendered_;
  VFont* sourceFont_ = nullptr;
  int32_t smoothing_ = 3;
  int32_t leadingRows_ = 0;  // rows of the strip above the system font's character height

 private:
  void LoadFromArchive(uint16_t mediaId, uint16_t fontMediaId, ArchiveChoice choice);
  void RenderGlyph(uint8_t character, DrawPort& port);
};

// The registered picture font of that glyph media id, or a new one made from
// the archives (`fontMediaId` 0: the same id). Null for id 0. The registry
// owns the result until DeleteAllFonts.
VPictureFont* FindFontById(uint16_t mediaId, uint16_t fontMediaId);

// The program-wide edge smoothing of glyphs rendered from system fonts: 0
// renders them at their size, 1..3 at 2, 4 or 8 times and averages. Clamped
// to 0..3, initially 3; read when a picture font is made. Returns the previous
// level.
int32_t SetPictureFontSmoothing(int32_t level);
int32_t GetPictureFontSmoothing();

// The picture fonts of the graphics services: a VPictureFont over the
// registered system font of the same name, size and style (null when there
// is no such face). Installed with the graphics services
// (InstallEngineServices in engine/services).
VFont* MakePictureFontFromSystemFace(const char* name, int32_t size, int32_t style);

// The coverage of a text in a picture font whose glyphs are an alpha strip:
// a new alpha channel of (text width x size) holding each glyph's columns
// (without any extra advance) at the pen position and below the extra
// leading, up to `count` characters or the first code 0. Columns outside the
// strip are left out. Null for a colour strip, an empty text or a font
// without glyph picture. The caller releases the result.
VAlphaChannel* RenderPictureFontText(const char* text, int32_t count, VPictureFont& font);
