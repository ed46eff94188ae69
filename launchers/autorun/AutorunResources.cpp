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

// In the title's colours: brass for the buttons, the red of a wax seal for the
// one that installs or starts the title, dark oak for leaving and going back.
constexpr uint32_t kBrass = 0x8a6428;
constexpr uint32_t kOldBrass = 0x7a5a26;
constexpr uint32_t kWax = 0x9a3a1c;
constexpr uint32_t kOak = 0x5e3a22;

constexpr ButtonBitmaps kButtons[] = {
    {136, 135, 134, kBrass, "Homepage"},
    {158, 160, 159, kBrass, "Homepage"},
    {129, 150, 149, kOldBrass, "Online-Service"},
    {145, 148, 147, kBrass, "Registrierung"},
    {142, 141, 140, kOldBrass, "Katalog"},
    {146, 144, 143, kBrass, "Liesmich"},
    {133, 132, 131, kOak, "Beenden"},
    {139, 138, 137, kWax, "Installieren"},
    {151, 154, 153, kWax, "Starten"},
    {168, 167, 166, kBrass, "Upgrade"},
    {164, 163, 162, kOak, "Zur\xfc" "ck"},
    {170, 175, 174, kOldBrass, "Online-Shop"},
    {173, 172, 171, kOak, "Zur\xfc" "ck"},
    {178, 180, 179, kBrass, "Bestellen"},
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
    if (s.id == 130) colour = 0x3a2414;       // the menu's background, dark oak
    if (s.id == 165) colour = 0x4a3220;       // the readme's background
    if (s.id == 169) colour = 0x3a2414;       // the upgrade place without its button
    std::vector<uint8_t> bitmap = MakePlaceholderBitmap(s.width, s.height, colour, look);
    if (label != nullptr) bitmap = Labelled(std::move(bitmap), label, look == PanelLook::kPressed);
    kit::CResources::AddBitmap(s.id, std::move(bitmap));
  }
  kit::CResources::AddCursor(155, 32649);  // the hand
  kit::CResources::AddString(101, "Inf&o \xfc" "ber Tesselby...");
}
