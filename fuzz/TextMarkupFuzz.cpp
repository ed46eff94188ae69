// Fuzz target: a mark-up text laid out in an HTML text control (the first
// byte picks the width, the paged layout and the frame), drawn into a 16-bit
// map, hit-tested over a grid, scrolled, and searched for an anchor.
// Pictures named "WxH" are made in memory; no other file is opened.
#include <cstdint>
#include <cstdio>
#include <memory>

#include "engine/controls/VHTMLTextControl.h"
#include "engine/graphics/DrawPort.h"
#include "engine/graphics/PixelFormats.h"
#include "engine/graphics/PixelMap.h"
#include "engine/graphics/VFont.h"
#include "engine/graphics/VPicture.h"

namespace {

class FuzzControl : public VHTMLTextControl {
 public:
  using VHTMLTextControl::VHTMLTextControl;
  VPicture* LoadPicture(const VString& path) override {
    int w = 0, h = 0;
    if (std::sscanf(path.GetChars(), "%dx%d", &w, &h) != 2 || w <= 0 || h <= 0 || w > 400 || h > 400) return nullptr;
    return new VPicture(VRect(0, 0, w, h), VRGBColor(50, 100, 150));
  }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0 || size > (1u << 18)) return 0;
  const uint8_t mode = data[0];
  const int32_t width = 40 + (mode & 15) * 30;
  const int32_t height = 200;
  const bool paged = (mode & 16) != 0;
  const bool frame = (mode & 32) != 0;
  const int32_t alignment = (mode & 64) != 0 ? kAlignCenter : kAlignLeft;

  PixelMap map(VRect(0, 0, 500, height), 16, nullptr, nullptr, nullptr, PixelMap::kStorageMemory, kFormat565LE, 0);
  VFont* font = FindOrCreateFont("Times", 12, 0, nullptr, true);
  {
    FuzzControl control(VControl::kAllocateId, 0, 0, 0, width, height, nullptr, font, nullptr, alignment, frame,
                        (mode & 128) != 0 ? 300 : 0, nullptr);
    control.SetText(new VString(reinterpret_cast<const char*>(data + 1), static_cast<int32_t>(size - 1)), false);
    if (paged) control.Layout(true, nullptr);
    DrawPort port(&map);
    control.DrawContent(&port, VRect(0, 0, 500, height));
    for (int32_t y = 0; y < height; y += 23) {
      for (int32_t x = 0; x < width; x += 29) control.HitTest(VPoint(x, y));
    }
    control.ScrollBy(57, 0);
    control.SetCurrentPage(1);
    control.DrawContent(&port, VRect(0, 0, 500, height));
    if (VTextBox* root = control.GetRootBox()) root->FindAnchor("#a", 2, true);
    control.SetText(control.GetTextString(), false);
  }
  // The registry keeps every font a text asked for; start each input afresh.
  DeleteAllFonts();
  return 0;
}
