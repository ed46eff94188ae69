#include "launchers/common/ToolTipWnd.h"

#include "launchers/common/KitFonts.h"

namespace kit {

using platform::Point;
using platform::Rect;

CToolTipWnd::CToolTipWnd()
    : textColor_(FromColorRef(0x000000)),
      backColor_(FromColorRef(0xA4F8F5)),
      tipFont_(kit::GetFont(FontSpec{"MS Sans Serif", PointsToPixels(8), false})) {}

bool CToolTipWnd::Create(CWindow* owner, const std::string& text) {
  if (IsCreated()) DestroyWindow();
  Rect measure{0, 0, kWrapWidth, 10};
  if (tipFont_) {
    // Measured as it is drawn: wrapped at the width, '&' shown as it is.
    std::vector<uint32_t> none(1);
    platform::PixelBuffer buffer{reinterpret_cast<uint8_t*>(none.data()), 4, 1, 1, platform::PixelLayout::kBgrx32,
                                 false};
    platform::RasterDeviceContext device(buffer);
    DrawContext dc(device, Point{0, 0}, Rect{0, 0, 1, 1});
    dc.DrawTextIn(measure, text, *tipFont_, textColor_, kTextWordBreak | kTextNoPrefix | kTextCalcRect);
  }
  measure.right += 6;
  measure.bottom += 4;
  TopLevelOptions options;
  options.title = "ToolTip";
  options.bounds = Rect{0, 0, measure.right + 2, measure.bottom + 2};  // the border lies outside the client
  options.border = true;
  options.popup = true;
  options.topmost = true;
  options.visible = false;
  options.disabled = true;
  options.owner = owner;
  if (!CreateTopLevel(options)) return false;
  text_ = text;
  return true;
}

Point CToolTipWnd::PlaceAt(Point cursor, Point size, Point screen) {
  Point p{cursor.x + kOffsetX, cursor.y + kOffsetY};
  if (p.x + size.x > screen.x) p.x -= size.x + kOffsetX;
  if (p.y + size.y > screen.y) p.y -= size.y + kOffsetY;
  return p;
}

void CToolTipWnd::Show() {
  if (!IsCreated()) return;
  const Point size{GetPixelWidth(), GetPixelHeight()};
  const Point at = PlaceAt(GetCursorPos(), size, GetScreenSize());
  MoveWindow(Rect{at.x, at.y, at.x + size.x, at.y + size.y});
  CWindow::Show(true);
  UpdateWindow();
}

void CToolTipWnd::Hide() {
  if (!IsCreated()) return;
  CWindow::Show(false);
  if (CWindow* owner = GetOwner()) owner->UpdateWindow();
}

bool CToolTipWnd::OnEraseBackground(DrawContext& dc) {
  dc.Fill(GetClientRect(), backColor_);
  return true;
}

void CToolTipWnd::OnPaint(DrawContext& dc) {
  if (!tipFont_) return;
  const Rect c = GetClientRect();
  Rect t{c.left + 2, c.top + 1, c.right - 2, c.bottom - 1};
  dc.DrawTextIn(t, GetText(), *tipFont_, textColor_, kTextWordBreak | kTextNoPrefix);
}

}  // namespace kit
