// Fonts as the drawing ports need them: system fonts by face name, size and
// style, kept in one program-wide registry so each is made once, measured on
// a port, with printer-sized copies; and the scope objects that select a font
// and a text colour into a port. Picture fonts derive from VFont elsewhere.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>

#include "engine/core/VGeometry.h"
#include "engine/core/VString.h"

namespace platform {
class Font;
}
class DrawPort;

// Style bits.
inline constexpr int32_t kFontStyleBold = 1;
inline constexpr int32_t kFontStyleItalic = 2;
inline constexpr int32_t kFontStyleUnderline = 4;

class VFont {
 public:
  // A system font: character height `size` pixels, weight bold or normal,
  // italic and underline from the style. Joins the registry.
  VFont(const char* name, int32_t size, int32_t style);
  // A copy of another font with one property changed: an argument above 3 is
  // a new size, 0 to 3 a new style.
  VFont(const VFont& font, int32_t sizeOrStyle);
  // Leaves the registry; deletes the printer copy.
  virtual ~VFont();
  VFont(const VFont&) = delete;
  VFont& operator=(const VFont&) = delete;

  // True for a system font; picture fonts answer false.
  virtual bool IsSystemFont() const { return true; }
  // The sum of the measured widths of the text's characters, up to `count`
  // characters or the first code 0.
  virtual int32_t GetTextWidth(const char* text, int32_t count) const;
  // Draws with the font's own glyphs (picture fonts); y is the baseline. A
  // system font draws through the port's device context instead.
  virtual void DrawText(DrawPort* port, int32_t x, int32_t y, const char* text, int32_t count, const VRect* clip);
  // Recolours the glyphs of a picture font; a system font takes the port's
  // text colour and ignores this.
  virtual void SetColor(const VRGBColor& color);

  // Once per font: widths of the 256 characters, ascent and descent on the port.
  void Measure(DrawPort* port);
  int16_t GetAscent(DrawPort* port);
  uint16_t GetDescent(DrawPort* port);
  // 256 advance widths indexed by character code, owned by the font.
  const uint8_t* GetCharWidths(DrawPort* port);
  bool IsMeasured() const { return measured_ != 0; }

  // For a system font, the same font at size x resolution / 72, made once and
  // owned by this font; null for a picture font.
  VFont* GetPrinterFont(int32_t dotsPerInch);

  const VString& GetName() const { return name_; }
  int32_t GetSize() const { return size_; }
  int32_t GetStyle() const { return style_; }
  uint16_t GetMediaId() const { return mediaId_; }

  // The platform font (made on first use); null when no face could be loaded.
  std::shared_ptr<platform::Font> GetPlatformFont();

  // Registry links.
  VFont* GetNextFont() const { return next_; }
  static VFont* GetFirstFont();

 protected:
  VString name_;
  int32_t size_ = 0;
  int32_t style_ = 0;
  uint16_t mediaId_ = 0;
  uint8_t charWidths_[256] = {};
  int16_t ascent_ = -1;
  uint16_t descent_ = 0;
  uint8_t measured_ = 0;

 private:
  void JoinRegistry();

  VFont* printerCopy_ = nullptr;
  VFont* printerOwner_ = nullptr;  // set on a printer copy: the font that owns it
  VFont* next_ = nullptr;
  std::shared_ptr<platform::Font> platformFont_;
  bool platformFontTried_ = false;
};

// The registered font of that name, size, style and kind, made when missing
// and measured on the port when one is given. Null for a null name, and for a
// picture font (made by the picture-font subsystem, not here). The registry
// owns the result until DeleteAllFonts.
VFont* FindOrCreateFont(const char* name, int32_t size, int32_t style, DrawPort* port, bool systemFontWanted);
// Deletes every font of the registry.
void DeleteAllFonts();
// A picture font is made through the installed picture fonts
// (engine/graphics/GraphicsServices.h); without them a picture font request
// gives null.

// For a scope: selects a system font into the port's device context (the
// port's current system font when null), or makes a picture font the port's
// current picture font; puts back what was there when it ends.
class VFontSelection {
 public:
  VFontSelection(DrawPort* port, VFont* font);
  ~VFontSelection();
  VFontSelection(const VFontSelection&) = delete;
  VFontSelection& operator=(const VFontSelection&) = delete;

 private:
  DrawPort* port_;
  bool selectedSystemFont_ = false;
  std::shared_ptr<platform::Font> previousDeviceFont_;
  VFont* previousPictureFont_ = nullptr;
  bool previousSystemFontCurrent_ = true;
};

// For a scope: sets the port's text colour (when one is given) and puts the
// previous colour back when it ends.
class VTextColorSelection {
 public:
  VTextColorSelection(DrawPort* port, const VRGBColor* color);
  ~VTextColorSelection();
  VTextColorSelection(const VTextColorSelection&) = delete;
  VTextColorSelection& operator=(const VTextColorSelection&) = delete;

 private:
  DrawPort* port_;
  bool set_ = false;
  VRGBColor previous_;
};
