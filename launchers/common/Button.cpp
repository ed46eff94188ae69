#include "launchers/common/Button.h"

#include "platform/Input.h"

namespace kit {

using platform::Color;
using platform::Point;
using platform::Rect;

namespace {

// The radio button's circle, 12 x 12: S shadow, D dark shadow, H highlight,
// L light, W the window colour, '.' left as it is.
constexpr const char* kRadio[12] = {
    "....SSSS....", "..SSDDDDSS..", ".SDDWWWWDDH.", ".SDWWWWWWLH.", "SDWWWWWWWWLH", "SDWWWWWWWWLH",
    "SDWWWWWWWWLH", "SDWWWWWWWWLH", ".SDWWWWWWLH.", ".HLLWWWWLLH.", "..HHLLLLHH..", "....HHHH....",
};
constexpr const char* kRadioDot[4] = {".XX.", "XXXX", "XXXX", ".XX."};
constexpr const char* kCheckMark[7] = {
    "......X", ".....XX", "X...XXX", "XX.XXX.", "XXXXX..", ".XXX...", "..X....",
};

Color PatternColor(char c) {
  switch (c) {
    case 'S': return colors::kShadow;
    case 'D': return colors::kDarkShadow;
    case 'H': return colors::kHighlight;
    case 'L': return colors::kLight;
    case 'W': return colors::kWindow;
    default: return colors::kText;
  }
}

void DrawPattern(DrawContext& dc, int32_t x, int32_t y, const char* const* rows, int32_t count, const Color* ink) {
  for (int32_t r = 0; r < count; ++r) {
    for (int32_t c = 0; rows[r][c] != '\0'; ++c) {
      if (rows[r][c] == '.') continue;
      dc.Pixel(x + c, y + r, ink != nullptr ? *ink : PatternColor(rows[r][c]));
    }
  }
}

}  // namespace

void CButton::SetCheck(int32_t state) {
  if (check_ == state) return;
  check_ = state;
  Invalidate();
}

void CButton::SetDefaultLook(bool on) {
  if (defaultLook_ == on) return;
  defaultLook_ = on;
  Invalidate();
}

std::vector<CWindow*> CButton::GroupMembers() const {
  std::vector<CWindow*> members;
  CWindow* parent = GetParent();
  if (parent == nullptr) return members;
  const auto& all = parent->Children();
  size_t self = 0;
  while (self < all.size() && all[self] != this) ++self;
  if (self == all.size()) return members;
  size_t first = self;
  while (first > 0 && (all[first]->GetStyle() & kStyleGroup) == 0) --first;
  size_t end = first + 1;
  while (end < all.size() && (all[end]->GetStyle() & kStyleGroup) == 0) ++end;
  for (size_t i = first; i < end; ++i) members.push_back(all[i]);
  return members;
}

void CButton::Click() {
  if (!IsEnabled()) return;
  const Handle self = GetHandle();
  if (kind_ == Kind::kRadio) {
    for (CWindow* w : GroupMembers()) {
      auto* b = dynamic_cast<CButton*>(w);
      if (b != nullptr && b != this && b->kind_ == Kind::kRadio) b->SetCheck(0);
    }
    SetCheck(1);
  } else if (kind_ == Kind::kCheckBox) {
    SetCheck(check_ != 0 ? 0 : 1);
  }
  if (GetParent() != nullptr && FromHandle(self) != nullptr) {
    GetParent()->SendMessage(kMsgCommand, MakeCommandParam(GetId(), kNotifyClicked), static_cast<intptr_t>(self));
  }
}

intptr_t CButton::WindowProc(uint32_t code, uintptr_t wParam, intptr_t lParam) {
  switch (code) {
    case kMsgButtonGetCheck:
      return check_;
    case kMsgButtonSetCheck:
      SetCheck(static_cast<int32_t>(wParam));
      return 0;
    case kMsgButtonClick:
      Click();
      return 0;
    default:
      return CWindow::WindowProc(code, wParam, lParam);
  }
}

bool CButton::Inside(Point p) const {
  const Rect r = GetClientRect();
  return p.x >= 0 && p.y >= 0 && p.x < r.right && p.y < r.bottom;
}

void CButton::OnLButtonDown(Point, uint32_t) {
  if (kind_ == Kind::kGroupBox) return;
  tracking_ = true;
  pressed_ = true;
  SetCapture();
  Invalidate();
  UpdateWindow();
}

void CButton::OnMouseMove(Point p, uint32_t) {
  if (!tracking_) return;
  const bool inside = Inside(p);
  if (inside != pressed_) {
    pressed_ = inside;
    Invalidate();
  }
}

void CButton::OnLButtonUp(Point p, uint32_t) {
  if (!tracking_) return;
  tracking_ = false;
  pressed_ = false;
  if (GetCapture() == this) ReleaseCapture();
  Invalidate();
  if (Inside(p)) Click();
}

bool CButton::OnKeyDown(uint32_t key) {
  if (key == platform::kKeySpace && kind_ != Kind::kGroupBox) {
    Click();
    return true;
  }
  return false;
}

void CButton::OnPaint(DrawContext& dc) {
  const CtlColors c = ResolveColors();
  switch (kind_) {
    case Kind::kPush:
    case Kind::kDefaultPush:
      PaintPush(dc, c);
      break;
    case Kind::kRadio:
    case Kind::kCheckBox:
      PaintMark(dc, c);
      break;
    case Kind::kGroupBox:
      PaintGroupBox(dc, c);
      break;
  }
}

void CButton::PaintPush(DrawContext& dc, const CtlColors& c) {
  Rect r = GetClientRect();
  dc.Fill(r, colors::kFace);
  if (defaultLook_ || HasFocus()) {
    dc.Frame(r, colors::kDarkShadow);
    r = Rect{r.left + 1, r.top + 1, r.right - 1, r.bottom - 1};
  }
  dc.DrawEdge(r, pressed_ ? Edge::kPressed : Edge::kRaised);
  std::shared_ptr<platform::Font> font = GetFont();
  if (font) {
    Rect t = r;
    if (pressed_) {
      t.left += 1;
      t.top += 1;
      t.right += 1;
      t.bottom += 1;
    }
    const uint32_t flags = kTextCenter | kTextVCenter | kTextSingleLine | ((GetStyle() & kStyleNoPrefix) ? uint32_t{kTextNoPrefix} : 0u);
    if (IsEnabled()) {
      dc.DrawTextIn(t, GetText(), *font, c.text, flags);
    } else {
      dc.DrawDisabledText(t, GetText(), *font, flags);
    }
  }
  if (HasFocus()) dc.FocusRect(Rect{r.left + 3, r.top + 3, r.right - 3, r.bottom - 3});
}

void CButton::PaintMark(DrawContext& dc, const CtlColors& c) {
  const Rect r = GetClientRect();
  if (!c.transparent) dc.Fill(r, c.back);
  const int32_t box = kind_ == Kind::kRadio ? 12 : 13;
  const int32_t top = (r.bottom - box) / 2;
  const bool down = pressed_ && tracking_;
  if (kind_ == Kind::kRadio) {
    DrawPattern(dc, 0, top, kRadio, 12, nullptr);
    if (down) dc.Fill(Rect{2, top + 2, 10, top + 10}, colors::kFace);
    if (check_ != 0) {
      const Color ink = IsEnabled() ? colors::kText : colors::kShadow;
      DrawPattern(dc, 4, top + 4, kRadioDot, 4, &ink);
    }
  } else {
    const Rect b{0, top, box, top + box};
    if (GetStyle() & kStyleFlat) {
      dc.Frame(b, colors::kDarkShadow);
    } else {
      dc.DrawEdge(b, Edge::kSunken);
    }
    const int32_t inset = (GetStyle() & kStyleFlat) ? 1 : 2;
    dc.Fill(Rect{b.left + inset, b.top + inset, b.right - inset, b.bottom - inset},
            down || !IsEnabled() ? colors::kFace : colors::kWindow);
    if (check_ != 0) {
      const Color ink = IsEnabled() ? colors::kText : colors::kShadow;
      DrawPattern(dc, 3, top + 3, kCheckMark, 7, &ink);
    }
  }
  std::shared_ptr<platform::Font> font = GetFont();
  if (!font || GetText().empty()) return;
  const int32_t textLeft = box + 4;
  Rect measure{textLeft, 0, r.right, r.bottom};
  dc.DrawTextIn(measure, GetText(), *font, c.text, kTextSingleLine | kTextCalcRect);
  const int32_t h = measure.bottom - measure.top;
  Rect t{textLeft, (r.bottom - h) / 2, r.right, (r.bottom - h) / 2 + h};
  if (IsEnabled()) {
    dc.DrawTextIn(t, GetText(), *font, c.text, kTextSingleLine);
  } else {
    dc.DrawDisabledText(t, GetText(), *font, kTextSingleLine);
  }
  if (HasFocus()) {
    dc.FocusRect(Rect{textLeft - 1, t.top - 1, std::min(r.right, textLeft + (measure.right - measure.left) + 1),
                      std::min(r.bottom, t.bottom + 1)});
  }
}

void CButton::PaintGroupBox(DrawContext& dc, const CtlColors& c) {
  const Rect r = GetClientRect();
  std::shared_ptr<platform::Font> font = GetFont();
  const int32_t textHeight = font ? font->GetMetrics().ascent + font->GetMetrics().descent : 0;
  const int32_t lineTop = GetText().empty() ? 0 : textHeight / 2;
  dc.DrawEdge(Rect{r.left, r.top + lineTop, r.right, r.bottom}, Edge::kEtched);
  if (!font || GetText().empty()) return;
  Rect measure{0, 0, r.right, textHeight};
  dc.DrawTextIn(measure, GetText(), *font, c.text, kTextSingleLine | kTextCalcRect);
  const int32_t w = measure.right - measure.left;
  Rect t{8, 0, 8 + w, textHeight};
  dc.Fill(Rect{t.left - 1, 0, t.right + 1, textHeight}, c.back);
  if (IsEnabled()) {
    dc.DrawTextIn(t, GetText(), *font, c.text, kTextSingleLine);
  } else {
    dc.DrawDisabledText(t, GetText(), *font, kTextSingleLine);
  }
}

}  // namespace kit
