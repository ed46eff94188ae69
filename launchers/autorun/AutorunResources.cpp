// Placeholder bitmaps: one colour per button, a look per state.
#include "launchers/autorun/AutorunResources.h"

#include "launchers/common/PlaceholderBitmap.h"
#include "launchers/common/Resources.h"

namespace {

// The buttons' bitmaps: normal, hover, pressed and the panel colour.
struct ButtonBitmaps {
  int32_t normal, hover, pressed;
  uint32_t colour;
};

constexpr ButtonBitmaps kButtons[] = {
    {136, 135, 134, 0x2a5caa},  // home page
    {158, 160, 159, 0x2a5caa},  // home page, top right
    {129, 150, 149, 0x3a8a5a},  // service
    {145, 148, 147, 0x8a6a2a},  // registration
    {142, 141, 140, 0x7a3a8a},  // catalogue
    {146, 144, 143, 0x4a7a9a},  // readme
    {133, 132, 131, 0x9a3a3a},  // quit
    {139, 138, 137, 0xc08020},  // first installation
    {151, 154, 153, 0x30a040},  // start
    {168, 167, 166, 0x5a5aa0},  // upgrade
    {164, 163, 162, 0x6a6a6a},  // readme: back
    {170, 175, 174, 0x2a8a8a},  // upgrade: shop
    {173, 172, 171, 0x6a6a6a},  // upgrade: back
    {178, 180, 179, 0x8a6a2a},  // upgrade: order form
};

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
    for (const ButtonBitmaps& b : kButtons) {
      if (s.id == b.normal || s.id == b.hover || s.id == b.pressed) {
        colour = b.colour;
        look = s.id == b.normal ? PanelLook::kRaised : s.id == b.hover ? PanelLook::kLit : PanelLook::kPressed;
      }
    }
    if (s.id == 130) colour = 0x30405a;       // the menu's background
    if (s.id == 165) colour = 0x5a6a7a;       // the readme's background
    if (s.id == 169) colour = 0x5a5aa0;       // the upgrade place without its button
    kit::CResources::AddBitmap(s.id, MakePlaceholderBitmap(s.width, s.height, colour, look));
  }
  kit::CResources::AddCursor(155, 32649);  // the hand
  kit::CResources::AddString(101, "Inf&o \xfc" "ber Tesselby...");
}
