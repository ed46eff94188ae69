#include "engine/graphics/VFont.h"

#include <algorithm>
#include <functional>

#include "engine/graphics/DrawPort.h"
#include "engine/graphics/GraphicsServices.h"
#include "platform/DeviceContext.h"
#include "platform/FontRasterizer.h"

namespace {

VFont* gFirstFont = nullptr;

// The face names are at most this long, as the font record keeps them.
constexpr int32_t kFontNameCapacity = 128;

}  // namespace

VFont* VFont::GetFirstFont() { return gFirstFont; }

void VFont::JoinRegistry() {
  next_ = gFirstFont;
  gFirstFont = this;
}

VFont::VFont(const char* name, int32_t size, int32_t style)
    : name_(name != nullptr ? name : "", kFontNameCapacity), size_(size), style_(style) {
  JoinRegistry();
}

VFont::VFont(const VFont& font, int32_t sizeOrStyle)
    : name_(font.name_), size_(font.size_), style_(font.style_) {
  if (sizeOrStyle > 3) {
    size_ = sizeOrStyle;
  } else if (sizeOrStyle >= 0) {
    style_ = sizeOrStyle;
  }
  JoinRegistry();
}

VFont::~VFont() {
  for (VFont** link = &gFirstFont; *link != nullptr; link = &(*link)->next_) {
    if (*link == this) {
      *link = next_;
      break;
    }
  }
  // The printer copy is this font's own; a copy that goes first tells its owner.
  if (printerCopy_ != nullptr) {
    printerCopy_->printerOwner_ = nullptr;
    delete printerCopy_;
  }
  if (printerOwner_ != nullptr) printerOwner_->printerCopy_ = nullptr;
}

int32_t VFont::GetTextWidth(const char* text, int32_t count) const {
  if (text == nullptr) return 0;
  int32_t width = 0;
  for (int32_t i = 0; i < count && text[i] != 0; ++i) width += charWidths_[static_cast<uint8_t>(text[i])];
  return width;
}

void VFont::DrawText(DrawPort*, int32_t, int32_t, const char*, int32_t, const VRect*) {}

void VFont::SetColor(const VRGBColor&) {}

std::shared_ptr<platform::Font> VFont::GetPlatformFont() {
  if (!platformFontTried_) {
    platformFontTried_ = true;
    platform::FontRequest request;
    request.face = name_.GetChars() != nullptr ? name_.GetChars() : "";
    request.pixelHeight = size_;
    request.bold = (style_ & kFontStyleBold) != 0;
    request.italic = (style_ & kFontStyleItalic) != 0;
    request.underline = (style_ & kFontStyleUnderline) != 0;
    platformFont_ = platform::Font::Create(request);
  }
  return platformFont_;
}

void VFont::Measure(DrawPort* port) {
  if (measured_ != 0 || port == nullptr || port->GetDC() == nullptr) return;
  VFontSelection selection(port, this);
  for (int32_t c = 0; c < 256; ++c) {
    const char ch = static_cast<char>(c);
    charWidths_[c] = static_cast<uint8_t>(std::clamp(port->GetTextWidth(&ch, 1, this), 0, 255));
  }
  ascent_ = static_cast<int16_t>(port->GetFontAscent(this));
  descent_ = port->GetFontDescent(this);
  measured_ = 1;
}

int16_t VFont::GetAscent(DrawPort* port) {
  Measure(port);
  return ascent_;
}

uint16_t VFont::GetDescent(DrawPort* port) {
  Measure(port);
  return descent_;
}

const uint8_t* VFont::GetCharWidths(DrawPort* port) {
  Measure(port);
  return charWidths_;
}

VFont* VFont::GetPrinterFont(int32_t dotsPerInch) {
  if (!IsSystemFont()) return nullptr;
  if (printerCopy_ == nullptr) {
    const int64_t size = static_cast<int64_t>(size_) * dotsPerInch / 72;
    printerCopy_ = new VFont(name_.GetChars(), static_cast<int32_t>(std::clamp<int64_t>(size, 1, 4096)), style_);
    printerCopy_->printerOwner_ = this;
  }
  return printerCopy_;
}

VFont* FindOrCreateFont(const char* name, int32_t size, int32_t style, DrawPort* port, bool systemFontWanted) {
  if (name == nullptr) return nullptr;
  for (VFont* font = gFirstFont; font != nullptr; font = font->GetNextFont()) {
    if (font->GetSize() == size && font->GetStyle() == style && font->GetName().Equals(name) &&
        font->IsSystemFont() == systemFontWanted) {
      if (port != nullptr) font->Measure(port);
      return font;
    }
  }
  VFont* font = nullptr;
  if (systemFontWanted) {
    font = new VFont(name, size, style);
  } else if (const PictureFontFactory& factory = GetPictureFontFactory()) {
    font = factory(name, size, style);
  }
  if (font != nullptr && port != nullptr) font->Measure(port);
  return font;
}

void DeleteAllFonts() {
  while (gFirstFont != nullptr) delete gFirstFont;
}

// ---------------------------------------------------------------------------

VFontSelection::VFontSelection(DrawPort* port, VFont* font) : port_(port) {
  if (port_ == nullptr) return;
  previousSystemFontCurrent_ = port_->IsSystemFontCurrent();
  previousPictureFont_ = port_->GetCurrentPictureFont();
  if (font != nullptr && !font->IsSystemFont()) {
    port_->SetCurrentPictureFont(font);
    port_->SetSystemFontCurrent(false);
    return;
  }
  platform::DeviceContext* dc = port_->GetDC();
  if (dc == nullptr) return;
  VFont* system = font != nullptr ? font : port_->GetCurrentSystemFont();
  std::shared_ptr<platform::Font> deviceFont = system != nullptr ? system->GetPlatformFont() : nullptr;
  previousDeviceFont_ = dc->SelectFont(deviceFont);
  selectedSystemFont_ = true;
  port_->SetSystemFontCurrent(true);
}

VFontSelection::~VFontSelection() {
  if (port_ == nullptr) return;
  if (selectedSystemFont_ && port_->GetDC() != nullptr) port_->GetDC()->SelectFont(previousDeviceFont_);
  port_->SetCurrentPictureFont(previousPictureFont_);
  port_->SetSystemFontCurrent(previousSystemFontCurrent_);
}

VTextColorSelection::VTextColorSelection(DrawPort* port, const VRGBColor* color) : port_(port) {
  if (port_ == nullptr || color == nullptr || port_->GetDC() == nullptr) return;
  const platform::Color old = port_->GetDC()->SetTextColor(platform::Color{color->red, color->green, color->blue});
  previous_ = VRGBColor(old.red, old.green, old.blue);
  set_ = true;
}

VTextColorSelection::~VTextColorSelection() {
  if (set_ && port_->GetDC() != nullptr) {
    port_->GetDC()->SetTextColor(platform::Color{previous_.red, previous_.green, previous_.blue});
  }
}
