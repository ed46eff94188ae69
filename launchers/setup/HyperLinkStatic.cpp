// The address line's colours and its click.
#include "launchers/setup/HyperLinkStatic.h"

#include "launchers/common/DrawContext.h"
#include "platform/ShellExecute.h"

bool CHyperLinkStatic::CtlColor(kit::CtlColors& colors) {
  colors.text = kit::FromColorRef(color_);
  colors.transparent = true;
  return true;
}

void CHyperLinkStatic::OnMouseMove(platform::Point p, uint32_t flags) {
  (void)flags;
  const platform::Rect client = GetClientRect();
  const bool inside = p.x >= client.left && p.x < client.right && p.y >= client.top && p.y < client.bottom;
  if (inside) {
    if (GetCapture() != this) SetCapture();
    if (color_ != kHoverColor) {
      color_ = kHoverColor;
      Invalidate();
    }
    return;
  }
  color_ = kRestColor;
  Invalidate();
  if (GetCapture() == this) ReleaseCapture();
}

void CHyperLinkStatic::OnLButtonUp(platform::Point p, uint32_t flags) {
  (void)p;
  (void)flags;
  color_ = kOpeningColor;
  Invalidate();
  UpdateWindow();
  if (!url_.empty()) platform::ShellExecute("open", url_, "", "");
  color_ = kRestColor;
  Invalidate();
}
