// The autorun menu's tooltip: a pale-yellow top-most pop-up with a black
// border and the text wrapped at 250 pixels, shown below and to the right of
// the pointer (flipped to its left or above it at the screen's edges),
// never taking the input.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "launchers/common/Window.h"

namespace kit {

class CToolTipWnd : public CWindow {
 public:
  CToolTipWnd();

  // Measures the text and makes the hidden window; false when it cannot be made.
  bool Create(CWindow* owner, const std::string& text);
  // Shows it at the pointer.
  void Show();
  // Hides it and repaints the owner at once.
  void Hide();
  // Where Show puts the window's top-left corner for a pointer position,
  // a window size and a screen size.
  static platform::Point PlaceAt(platform::Point cursor, platform::Point size, platform::Point screen);

  void OnPaint(DrawContext& dc) override;
  bool OnEraseBackground(DrawContext& dc) override;

  static constexpr int32_t kOffsetX = 12;
  static constexpr int32_t kOffsetY = 24;
  static constexpr int32_t kWrapWidth = 250;

 private:
  platform::Color textColor_;
  platform::Color backColor_;
  std::shared_ptr<platform::Font> tipFont_;
};

}  // namespace kit
