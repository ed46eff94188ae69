#include "launchers/common/ProgressCtrl.h"

#include <algorithm>

namespace kit {

using platform::Rect;

void CProgressCtrl::SetRange(int32_t low, int32_t high) {
  low_ = low;
  high_ = high;
  pos_ = std::clamp(pos_, std::min(low_, high_), std::max(low_, high_));
  Invalidate();
}

int32_t CProgressCtrl::SetPos(int32_t pos) {
  const int32_t old = pos_;
  pos_ = std::clamp(pos, std::min(low_, high_), std::max(low_, high_));
  if (pos_ != old) Invalidate();
  return old;
}

intptr_t CProgressCtrl::WindowProc(uint32_t code, uintptr_t wParam, intptr_t lParam) {
  switch (code) {
    case kMsgProgressSetRange: {
      const auto packed = static_cast<uint32_t>(lParam);
      SetRange(static_cast<int16_t>(packed & 0xFFFF), static_cast<int16_t>(packed >> 16));
      return 0;
    }
    case kMsgProgressSetPos:
      return SetPos(static_cast<int32_t>(wParam));
    default:
      return CWindow::WindowProc(code, wParam, lParam);
  }
}

Rect CProgressCtrl::Well() const {
  Rect r = GetClientRect();
  const int32_t inset = (GetStyle() & kStyleBorder) ? 2 : 1;
  return Rect{r.left + inset + 1, r.top + inset + 1, r.right - inset - 1, r.bottom - inset - 1};
}

int32_t CProgressCtrl::FilledBlocks() const {
  const Rect well = Well();
  const int32_t width = well.right - well.left;
  const int32_t height = well.bottom - well.top;
  if (width <= 0 || height <= 0 || high_ == low_) return 0;
  const int32_t block = std::max(1, height * 2 / 3);
  const int64_t filled = static_cast<int64_t>(width) * (pos_ - low_) / (high_ - low_);
  const int64_t step = block + 2;
  return static_cast<int32_t>((filled + step - 1) / step);
}

void CProgressCtrl::OnPaint(DrawContext& dc) {
  Rect r = GetClientRect();
  if (GetStyle() & kStyleBorder) {
    dc.Frame(r, colors::kDarkShadow);
    r = Rect{r.left + 1, r.top + 1, r.right - 1, r.bottom - 1};
  }
  dc.Fill(r, colors::kFace);
  dc.DrawEdge(r, Edge::kThinSunken);
  const Rect well = Well();
  const int32_t height = well.bottom - well.top;
  const int32_t block = std::max(1, height * 2 / 3);
  const int32_t blocks = FilledBlocks();
  DrawContext inside = dc.Sub(well);
  for (int32_t i = 0; i < blocks; ++i) {
    const int32_t x = i * (block + 2);
    inside.Fill(Rect{x, 0, x + block, height}, colors::kSelection);
  }
}

}  // namespace kit
