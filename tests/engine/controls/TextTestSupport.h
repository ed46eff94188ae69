// Test bench for text layout: a synthetic picture font whose widths follow a
// simple rule (so expected positions can be worked out by hand), a factory
// that makes its bold, italic and resized variants, and a dump of a box's
// segments as text.
#pragma once

#include <cstdint>
#include <cstdio>
#include <sstream>
#include <string>
#include <utility>

#include "ControlTestSupport.h"
#include "engine/controls/VHTMLTextControl.h"
#include "engine/controls/VTextBox.h"
#include "engine/controls/VTextControl.h"
#include "engine/graphics/DrawPort.h"
#include "engine/graphics/GraphicsServices.h"
#include "engine/graphics/VFont.h"

namespace texttest {

// Size s: every printable character s/2 wide (+1 when bold), a blank
// 3s/10, 'i' s/5, 'W' 9s/10, tab and control characters 0; descent s/5.
// Draws each non-blank glyph as a filled block in the text colour.
class SyntheticFont : public VFont {
 public:
  SyntheticFont(const char* name, int32_t size, int32_t style) : VFont(name, size, style) {
    for (int32_t c = 0; c < 256; ++c) charWidths_[c] = static_cast<uint8_t>(WidthRule(c, size, style));
    descent_ = static_cast<uint16_t>(size / 5);
    ascent_ = static_cast<int16_t>(size - size / 5);
    measured_ = 1;
  }
  static int32_t WidthRule(int32_t c, int32_t size, int32_t style) {
    if (c < 32 || c == 127) return 0;
    if (c == ' ') return size * 3 / 10;
    const int32_t bold = (style & kFontStyleBold) != 0 ? 1 : 0;
    if (c == 'i') return size / 5 + bold;
    if (c == 'W') return size * 9 / 10 + bold;
    return size / 2 + bold;
  }
  bool IsSystemFont() const override { return false; }
  void SetColor(const VRGBColor& color) override { color_ = color; }
  void DrawText(DrawPort* port, int32_t x, int32_t y, const char* text, int32_t count, const VRect* clip) override {
    for (int32_t i = 0; i < count && text[i] != 0; ++i) {
      const uint8_t c = static_cast<uint8_t>(text[i]);
      const int32_t w = charWidths_[c];
      if (c != ' ' && w > 1) {
        VRect glyph(x, y - ascent_, x + w - 1, y + descent_);
        if (clip != nullptr && !glyph.Intersect(*clip, glyph)) glyph = VRect();
        if (glyph.GetWidth() > 0 && glyph.GetHeight() > 0) port->FillRect(glyph, &color_, nullptr, 1, 0, 0);
      }
      x += w;
    }
  }

 private:
  VRGBColor color_;
};

// Makes FindOrCreateFont answer picture-font requests for "Synth" with
// synthetic fonts, for the scope.
class SyntheticFonts {
 public:
  SyntheticFonts()
      : previous_(SetPictureFontFactory([](const char* name, int32_t size, int32_t style) -> VFont* {
          if (name == nullptr || std::string(name) != "Synth") return nullptr;
          return new SyntheticFont(name, size, style);
        })) {}
  ~SyntheticFonts() {
    SetPictureFontFactory(std::move(previous_));
    DeleteAllFonts();
  }
  VFont* Get(int32_t size, int32_t style = 0) { return FindOrCreateFont("Synth", size, style, nullptr, false); }

 private:
  PictureFontFactory previous_;
};

inline std::string KindName(uint32_t kind) {
  if (kind & kSegmentCell) return "cell";
  if (kind & kSegmentRow) return "row";
  if (kind & kSegmentTable) return "table";
  if (kind & kSegmentListItem) return "li";
  if (kind & kSegmentList) return "ul";
  if (kind & kSegmentBullet) return "bullet";
  if (kind & kSegmentSubscript) return "sub";
  if (kind & kSegmentSuperscript) return "sup";
  if (kind & kSegmentPicture) return kind & kSegmentInLink ? "linkpic" : "pic";
  if (kind & kSegmentEnd) return "end";
  if (kind & kSegmentAnchor) return "anchor";
  if (kind & kSegmentLinkStart) return "href";
  if (kind & kSegmentEntity) return kind & kSegmentInLink ? "linkent" : "ent";
  if (kind & kSegmentInLink) return "link";
  return "text";
}

// One line per segment: kind "characters" x,y wxh, nested boxes indented.
inline void Dump(const VTextControl& control, const VTextBox& box, std::ostringstream& out, int depth) {
  for (int32_t i = 0; i < box.GetCount(); ++i) {
    const VTextSegment* s = box.GetSegment(i);
    out << std::string(static_cast<size_t>(depth) * 2, ' ') << KindName(s->kind);
    if (s->length > 0 && (s->kind & kSegmentBoxMask) == 0) {
      out << " \"" << std::string(control.GetChars() + s->textOffset, s->length) << "\"";
    }
    out << " " << s->x << "," << s->y << " " << s->width << "x" << s->height;
    if (s->page != 0) out << " p" << s->page;
    out << "\n";
    if (s->box != nullptr) Dump(control, *s->box, out, depth + 1);
  }
  for (bool left : {true, false}) {
    if (const VTextBox* area = box.GetFloatArea(left)) {
      out << std::string(static_cast<size_t>(depth) * 2, ' ') << (left ? "float-left" : "float-right") << "\n";
      Dump(control, *area, out, depth + 1);
    }
  }
}

inline std::string Dump(const VTextControl& control) {
  std::ostringstream out;
  if (control.GetRootBox() != nullptr) Dump(control, *control.GetRootBox(), out, 0);
  return out.str();
}

// An HTML control whose pictures come from their names: "WxH" makes a solid
// picture of that size. Texts must be set after construction (a constructor
// calls the base class's loader).
class PictureNameControl : public VHTMLTextControl {
 public:
  using VHTMLTextControl::VHTMLTextControl;
  VPicture* LoadPicture(const VString& path) override {
    int w = 0, h = 0;
    if (std::sscanf(path.GetChars(), "%dx%d", &w, &h) != 2 || w <= 0 || h <= 0 || w > 4096 || h > 4096) {
      return nullptr;
    }
    return controltest::SolidPicture(w, h, 0x3366CC);
  }
};

}  // namespace texttest
