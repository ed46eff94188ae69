// Placeholder bitmaps: one colour per button, a look per state.
#include "launchers/autorun/AutorunResources.h"

#include <string>

#include "launchers/common/DrawContext.h"
#include "launchers/common/KitFonts.h"
#include "launchers/common/KitPicture.h"
#include "launchers/common/PlaceholderBitmap.h"
#include "launchers/common/Resources.h"
#include "platform/DeviceContext.h"
#include "platform/PixelBuffer.h"

namespace {

// The buttons' bitmaps: normal, hover, pressed, the panel colour and the label.
struct ButtonBitmaps {
  int32_t normal, hover, pressed;
  uint32_t colour;
  const char* label;  // code page 1252
};

constexpr ButtonBitmaps kButtons[] = {
    {136, 135, 134, 0x2a5caa, "Homepage"},
    {158, 160, 159, 0x2a5caa, "Homepage"},
    {129, 150, 149, 0x3a8a5a, "Online-Service"},
    {145, 148, 147, 0x8a6a2a, "Registrierung"},
    {142, 141, 140, 0x7a3a8a, "Katalog"},
    {146, 144, 143, 0x4a7a9a, "Liesmich"},
    {133, 132, 131, 0x9a3a3a, "Beenden"},
    {139, 138, 137, 0xc08020, "Installieren"},
    {151, 154, 153, 0x30a040, "Starten"},
    {168, 167, 166, 0x5a5aa0, "Upgrade"},
    {164, 163, 162, 0x6a6a6a, "Zur\xfc" "ck"},
    {170, 175, 174, 0x2a8a8a, "Online-Shop"},
    {173, 172, 171, 0x6a6a6a, "Zur\xfc" "ck"},
    {178, 180, 179, 0x8a6a2a, "Bestellen"},
};

// The panel with its label drawn across the middle (one pixel lower when
// pressed); the panel alone when no font is at hand.
std::vector<uint8_t> Labelled(std::vector<uint8_t> panel, const char* label, bool pressed) {
  kit::KitImage image;
  if (!kit::DecodePicture(panel, image)) return panel;
  const std::shared_ptr<platform::Font> font = kit::GetFont(kit::FontSpec{"MS Sans Serif", 13, true});
  if (!font) return panel;
  platform::PixelBuffer buffer;
  buffer.first = reinterpret_cast<uint8_t*>(image.pixels.data());
  buffer.rowStep = static_cast<ptrdiff_t>(image.width) * 4;
  buffer.width = image.width;
  buffer.height = image.height;
  buffer.layout = platform::PixelLayout::kBgrx32;
  platform::RasterDeviceContext device(buffer);
  kit::DrawContext dc(device, platform::Point{0, 0}, platform::Rect{0, 0, image.width, image.height});
  const int32_t shift = pressed ? 1 : 0;
  platform::Rect r{shift, shift, image.width + shift, image.height + shift};
  dc.DrawTextIn(r, label, *font, platform::Color{255, 255, 255},
                kit::kTextCenter | kit::kTextVCenter | kit::kTextSingleLine | kit::kTextNoPrefix);
  std::vector<uint8_t> out = EncodeBmp24(image.width, image.height, image.pixels);
  return out.empty() ? panel : out;
}

}  // namespace

std::vector<AutorunBitmapSize> AutorunBitmapSizes() {
  std::vector<AutorunBitmapSize> sizes = {{130, 640, 480}, {165, 640, 480}, {152, 180, 246}};
  const auto add = [&sizes](int32_t from, int32_t to, int32_t w, int32_t h) {
    for (int32_t id = from; id <= to; ++id) sizes.push_back({id, w, h});
  };
  add(129, 129, 185, 42);
  add(131, 136, 185, 42);
  add(140, 150, 185, 42);
  add(162, 164, 185, 42);
  add(166, 169, 185, 42);
  add(137, 139, 185, 70);
  add(151, 151, 185, 70);
  add(153, 154, 185, 70);
  add(158, 160, 178, 36);
  add(170, 170, 222, 42);
  add(174, 175, 222, 42);
  add(171, 173, 197, 42);
  add(178, 180, 66, 61);
  return sizes;
}

void RegisterAutorunResources() {
  for (const AutorunBitmapSize& s : AutorunBitmapSizes()) {
    uint32_t colour = 0x808080;
    PanelLook look = PanelLook::kFlat;
    const char* label = nullptr;
    for (const ButtonBitmaps& b : kButtons) {
      if (s.id == b.normal || s.id == b.hover || s.id == b.pressed) {
        colour = b.colour;
        look = s.id == b.normal ? PanelLook::kRaised : s.id == b.hover ? PanelLook::kLit : PanelLook::kPressed;
        label = b.label;
      }
    }
    if (s.id == 130) colour = 0x30405a;       // the menu's background
    if (s.id == 165) colour = 0x5a6a7a;       // the readme's background
    if (s.id == 169) colour = 0x5a5aa0;       // the upgrade place without its button
    std::vector<uint8_t> bitmap = MakePlaceholderBitmap(s.width, s.height, colour, look);
    if (label != nullptr) bitmap = Labelled(std::move(bitmap), label, look == PanelLook::kPressed);
    kit::CResources::AddBitmap(s.id, std::move(bitmap));
  }
  kit::CResources::AddCursor(155, 32649);  // the hand
  kit::CResources::AddString(101, "Inf&o \xfc" "ber Tesselby...");
}
