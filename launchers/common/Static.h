// Static controls of the launchers' dialog kit: text (word-wrapped, left or
// centred) and pictures at their own size. With the notify style a static
// reports clicks to its parent as a command; without it the mouse passes
// through to what lies below.
#pragma once

#include <string>

#include "launchers/common/KitPicture.h"
#include "launchers/common/Window.h"

namespace kit {

class CStatic : public CWindow {
 public:
  enum class Kind : uint8_t { kText, kBitmap, kIcon };
  explicit CStatic(Kind kind) : kind_(kind) {}
  Kind GetKind() const { return kind_; }

  // The picture of a bitmap static; with the real-size style the control
  // takes the picture's size at its top-left corner.
  void SetImage(KitImage image);
  const KitImage& GetImage() const { return image_; }

  void OnPaint(DrawContext& dc) override;
  void OnLButtonUp(platform::Point p, uint32_t flags) override;
  bool IsMouseTransparent() const override { return (GetStyle() & kStyleNotify) == 0; }

 private:
  Kind kind_;
  KitImage image_;
};

// The stand-in of the program's icon: a small framed picture drawn by the kit.
void DrawProgramIcon(DrawContext& dc, int32_t x, int32_t y);

}  // namespace kit
