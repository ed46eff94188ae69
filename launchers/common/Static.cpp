#include "launchers/common/Static.h"

namespace kit {

using platform::Point;
using platform::Rect;

void CStatic::SetImage(KitImage image) {
  image_ = std::move(image);
  if ((GetStyle() & kStyleRealSize) && image_.IsValid()) {
    const Rect r = GetRect();
    MoveWindow(Rect{r.left, r.top, r.left + image_.width, r.top + image_.height});
  }
  Invalidate();
}

void CStatic::OnPaint(DrawContext& dc) {
  const Rect r = GetClientRect();
  const CtlColors c = ResolveColors();
  switch (kind_) {
    case Kind::kBitmap:
      if (image_.IsValid()) dc.Pixels(0, 0, image_.pixels.data(), image_.width, image_.height);
      break;
    case Kind::kIcon:
      DrawProgramIcon(dc, 0, 0);
      break;
    case Kind::kText: {
      if (!c.transparent) dc.Fill(r, c.back);
      std::shared_ptr<platform::Font> font = GetFont();
      if (!font) break;
      Rect t = r;
      uint32_t flags = kTextWordBreak | ((GetStyle() & kStyleNoPrefix) ? uint32_t{kTextNoPrefix} : 0u);
      if (GetStyle() & kStyleCenter) flags |= kTextCenter;
      if (IsEnabled()) {
        dc.DrawTextIn(t, GetText(), *font, c.text, flags);
      } else {
        dc.DrawDisabledText(t, GetText(), *font, flags);
      }
      break;
    }
  }
  if (GetStyle() & kStyleBorder) dc.Frame(r, colors::kDarkShadow);
}

void CStatic::OnLButtonUp(Point, uint32_t) {
  if ((GetStyle() & kStyleNotify) && GetParent() != nullptr) {
    GetParent()->SendMessage(kMsgCommand, MakeCommandParam(GetId(), kNotifyClicked), static_cast<intptr_t>(GetHandle()));
  }
}

void DrawProgramIcon(DrawContext& dc, int32_t x, int32_t y) {
  dc.Fill(Rect{x + 2, y + 2, x + 30, y + 30}, platform::Color{0, 128, 128});
  dc.Frame(Rect{x + 2, y + 2, x + 30, y + 30}, colors::kDarkShadow);
  dc.Fill(Rect{x + 8, y + 8, x + 24, y + 24}, colors::kHighlight);
  dc.Frame(Rect{x + 8, y + 8, x + 24, y + 24}, colors::kShadow);
}

}  // namespace kit
