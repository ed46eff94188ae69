#include "launchers/common/Window.h"

#include <algorithm>
#include <cstdlib>
#include <unordered_map>

#include "launchers/common/KitFonts.h"
#include "launchers/common/KitLoop.h"
#include "platform/Cursor.h"
#include "platform/Input.h"
#include "platform/VirtualKeyMap.h"
#include "platform/Window.h"
#include "platform/WindowPixels.h"
#include "platform/WindowQueue.h"

namespace kit {

using platform::Point;
using platform::Rect;

namespace {

std::unordered_map<Handle, CWindow*>& Registry() {
  static std::unordered_map<Handle, CWindow*> registry;
  return registry;
}
Handle gNextHandle = 1;
Handle gFocus = 0;
Handle gCapture = 0;
// Shown top-level windows, front first (topmost ones before the others).
std::vector<CWindow*> gTopLevels;

constexpr int32_t kFrame = 3;
constexpr int32_t kCaptionBar = 18;
constexpr uint32_t kDoubleClickTime = 500;

void PlaceInFront(CWindow* w, bool topmost) {
  gTopLevels.erase(std::remove(gTopLevels.begin(), gTopLevels.end(), w), gTopLevels.end());
  auto at = gTopLevels.begin();
  if (!topmost) {
    while (at != gTopLevels.end() && (*at)->Native() != nullptr && (*at)->Native()->IsTopmost()) ++at;
  }
  gTopLevels.insert(at, w);
}

}  // namespace

CWindow::CWindow() = default;

CWindow::~CWindow() {
  if (IsCreated()) DestroyWindow();
}

CWindow* CWindow::FromHandle(Handle handle) {
  auto it = Registry().find(handle);
  return it == Registry().end() ? nullptr : it->second;
}

bool CWindow::CreateTopLevel(const TopLevelOptions& options) {
  if (IsCreated()) return false;
  platform::WindowOptions w;
  w.className = "OstrevanKitWindow";
  w.title = options.title;
  w.bounds = options.bounds;
  w.native = platform::IsWindowSystemRunning();
  w.visible = options.visible;
  w.topmost = options.topmost;
  w.borderless = true;
  w.popup = options.popup;
  w.placeAtBounds = true;
  native_ = platform::Window::Create(w);
  if (!native_) return false;
  handle_ = gNextHandle++;
  Registry()[handle_] = this;
  native_->SetProcedure([this](platform::Window&, const platform::Message& m) { return HandleNativeMessage(m); });
  native_->SetEnabled(!options.disabled);
  rect_ = options.bounds;
  text_ = options.title;
  caption_ = options.caption;
  border_ = options.border;
  popup_ = options.popup;
  owner_ = options.owner;
  visible_ = options.visible;
  enabled_ = !options.disabled;
  parent_ = nullptr;
  dirty_ = true;
  PlaceInFront(this, options.topmost);
  if (visible_ && !popup_) {
    native_->Raise();
    platform::SetFocus(native_->GetHandle());
  }
  native_->Invalidate(nullptr);
  return true;
}

bool CWindow::CreateChild(CWindow* parent, int32_t id, const Rect& rect, uint32_t style, const std::string& text) {
  if (IsCreated() || parent == nullptr || !parent->IsCreated()) return false;
  handle_ = gNextHandle++;
  Registry()[handle_] = this;
  parent_ = parent;
  id_ = id;
  rect_ = rect;
  style_ = style;
  text_ = text;
  visible_ = (style & kStyleHidden) == 0;
  enabled_ = (style & kStyleDisabled) == 0;
  parent->children_.push_back(this);
  Invalidate();
  return true;
}

bool CWindow::SubclassDlgItem(int32_t id, CWindow* parent) {
  if (IsCreated() || parent == nullptr) return false;
  CWindow* old = parent->GetDlgItem(id);
  if (old == nullptr) return false;
  handle_ = gNextHandle++;
  Registry()[handle_] = this;
  parent_ = parent;
  id_ = old->id_;
  rect_ = old->rect_;
  style_ = old->style_;
  text_ = old->text_;
  font_ = old->font_;
  visible_ = old->visible_;
  enabled_ = old->enabled_;
  auto& siblings = parent->children_;
  const auto at = std::find(siblings.begin(), siblings.end(), old);
  siblings.insert(at, this);
  const bool hadFocus = GetFocus() == old;
  old->DestroyWindow();
  auto& owned = parent->owned_;
  owned.erase(std::remove_if(owned.begin(), owned.end(), [&](const std::unique_ptr<CWindow>& p) { return p.get() == old; }),
              owned.end());
  if (hadFocus) SetFocus();
  Invalidate();
  return true;
}

void CWindow::DestroyWindow() {
  if (!IsCreated()) return;
  OnDestroy();
  loop::ForgetWindow(handle_);
  if (gCapture == handle_) ReleaseCapture();
  if (gFocus == handle_) gFocus = 0;
  const std::vector<CWindow*> children = children_;
  for (CWindow* c : children) c->DestroyWindow();
  children_.clear();
  owned_.clear();
  if (parent_ != nullptr) {
    auto& s = parent_->children_;
    s.erase(std::remove(s.begin(), s.end(), this), s.end());
    parent_->Invalidate();
  }
  gTopLevels.erase(std::remove(gTopLevels.begin(), gTopLevels.end(), this), gTopLevels.end());
  // Windows this one owned lose their owner.
  for (auto& [h, w] : Registry()) {
    if (w->owner_ == this) w->owner_ = nullptr;
  }
  Registry().erase(handle_);
  native_.reset();
  handle_ = 0;
  parent_ = nullptr;
  owner_ = nullptr;
}

CWindow* CWindow::GetTopLevel() {
  CWindow* w = this;
  while (w->parent_ != nullptr) w = w->parent_;
  return w;
}

void CWindow::ModifyStyle(uint32_t remove, uint32_t add) {
  style_ = (style_ & ~remove) | add;
  Invalidate();
}

void CWindow::SetText(const std::string& text) {
  text_ = text;
  if (IsTopLevel() && native_) native_->SetTitle(text);
  Invalidate();
}

void CWindow::MoveWindow(const Rect& rect) {
  rect_ = rect;
  if (IsTopLevel() && native_) {
    native_->SetBounds(rect);
    native_->MoveTo(rect.left, rect.top);
    dirty_ = true;
  }
  Invalidate();
  if (parent_ != nullptr) parent_->Invalidate();
}

Point CWindow::ClientOriginInTopLevel() const {
  if (parent_ == nullptr) {
    if (caption_) return Point{kFrame, kFrame + kCaptionBar + 1};
    if (border_) return Point{1, 1};
    return Point{0, 0};
  }
  const Point p = parent_->ClientOriginInTopLevel();
  return Point{p.x + rect_.left, p.y + rect_.top};
}

Rect CWindow::GetClientRect() const {
  if (parent_ == nullptr) {
    const Point o = ClientOriginInTopLevel();
    const int32_t w = rect_.right - rect_.left - 2 * o.x;
    const int32_t h = rect_.bottom - rect_.top - o.y - (caption_ ? kFrame : o.x);
    return Rect{0, 0, std::max(0, w), std::max(0, h)};
  }
  return Rect{0, 0, rect_.right - rect_.left, rect_.bottom - rect_.top};
}

Point CWindow::ClientToScreen(Point p) const {
  const CWindow* top = this;
  while (top->parent_ != nullptr) top = top->parent_;
  const Point o = ClientOriginInTopLevel();
  return Point{p.x + o.x + top->rect_.left, p.y + o.y + top->rect_.top};
}

Point CWindow::ScreenToClient(Point p) const {
  const Point zero = ClientToScreen(Point{0, 0});
  return Point{p.x - zero.x, p.y - zero.y};
}

void CWindow::Show(bool visible) {
  if (visible_ == visible) return;
  visible_ = visible;
  if (IsTopLevel() && native_) {
    native_->Show(visible);
    if (visible) {
      PlaceInFront(this, native_->IsTopmost());
      if (!popup_) {
        native_->Raise();
        platform::SetFocus(native_->GetHandle());
      }
    } else {
      gTopLevels.erase(std::remove(gTopLevels.begin(), gTopLevels.end(), this), gTopLevels.end());
    }
  }
  if (!visible && HasFocus()) gFocus = 0;
  Invalidate();
  if (parent_ != nullptr) parent_->Invalidate();
}

void CWindow::Enable(bool enabled) {
  enabled_ = enabled;
  if (IsTopLevel() && native_) native_->SetEnabled(enabled);
  if (!enabled && HasFocus()) gFocus = 0;
  Invalidate();
}

bool CWindow::IsShownOnScreen() const {
  for (const CWindow* w = this; w != nullptr; w = w->parent_) {
    if (!w->visible_) return false;
  }
  return true;
}

void CWindow::Invalidate() {
  if (!IsCreated()) return;
  CWindow* top = GetTopLevel();
  top->dirty_ = true;
  if (top->native_) top->native_->Invalidate(nullptr);
}

void CWindow::UpdateWindow() {
  if (!IsCreated()) return;
  CWindow* top = GetTopLevel();
  if (top->dirty_ && top->visible_) top->Render();
}

const std::vector<uint32_t>& CWindow::GetPixels() {
  CWindow* top = GetTopLevel();
  if (top->dirty_ || top->pixels_.empty()) top->Render();
  return top->pixels_;
}

CWindow* CWindow::GetDlgItem(int32_t id) const {
  for (CWindow* c : children_) {
    if (c->id_ == id) return c;
  }
  return nullptr;
}

CWindow* CWindow::Adopt(std::unique_ptr<CWindow> child) {
  owned_.push_back(std::move(child));
  return owned_.back().get();
}

std::shared_ptr<platform::Font> CWindow::GetFont() const {
  for (const CWindow* w = this; w != nullptr; w = w->parent_) {
    if (w->font_) return w->font_;
  }
  return kit::GetFont(DefaultDialogFont());
}

void CWindow::SetFont(std::shared_ptr<platform::Font> font, bool redraw) {
  font_ = std::move(font);
  if (redraw) Invalidate();
}

bool CWindow::PostMessage(uint32_t code, uintptr_t wParam, intptr_t lParam) {
  return PostMessage(handle_, code, wParam, lParam);
}

bool CWindow::PostMessage(Handle window, uint32_t code, uintptr_t wParam, intptr_t lParam) {
  if (FromHandle(window) == nullptr) return false;
  loop::Post(window, code, wParam, lParam);
  return true;
}

void CWindow::SetTimer(int32_t id, uint32_t milliseconds) {
  if (IsCreated()) loop::StartTimer(handle_, id, milliseconds);
}
void CWindow::KillTimer(int32_t id) {
  if (IsCreated()) loop::StopTimer(handle_, id);
}

void CWindow::SetFocus() {
  if (!IsCreated()) return;
  CWindow* old = GetFocus();
  if (old == this) return;
  gFocus = handle_;
  CWindow* top = GetTopLevel();
  top->focusChild_ = handle_;
  if (top->native_ && top->visible_ && !top->popup_) platform::SetFocus(top->native_->GetHandle());
  if (old != nullptr) {
    old->OnKillFocus();
    old->Invalidate();
  }
  OnSetFocus();
  Invalidate();
}

CWindow* CWindow::GetFocus() { return FromHandle(gFocus); }

void CWindow::SetCapture() {
  if (!IsCreated()) return;
  gCapture = handle_;
  CWindow* top = GetTopLevel();
  if (top->native_) platform::SetCapture(top->native_->GetHandle());
}

void CWindow::ReleaseCapture() {
  if (gCapture != 0) platform::ReleaseCapture();
  gCapture = 0;
}

CWindow* CWindow::GetCapture() { return FromHandle(gCapture); }

CtlColors CWindow::ResolveColors() {
  CtlColors c;
  if (parent_ != nullptr) {
    c.back = colors::kFace;
  }
  if (!CtlColor(c) && parent_ != nullptr) parent_->OnCtlColor(*this, c);
  return c;
}

intptr_t CWindow::WindowProc(uint32_t code, uintptr_t wParam, intptr_t lParam) {
  switch (code) {
    case kMsgCommand:
      OnCommand(static_cast<int32_t>(wParam & 0xFFFF), static_cast<uint16_t>((wParam >> 16) & 0xFFFF),
                static_cast<Handle>(lParam));
      return 0;
    case kMsgClose:
      OnClose();
      return 0;
    case kMsgTimer:
      OnTimer(static_cast<int32_t>(wParam));
      return 0;
    default:
      return 0;
  }
}

void CWindow::OnPaint(DrawContext&) {}

bool CWindow::OnEraseBackground(DrawContext& dc) {
  if (parent_ != nullptr) return false;
  dc.Fill(GetClientRect(), colors::kFace);
  return true;
}

void CWindow::OnMouseMove(Point, uint32_t) {}
void CWindow::OnLButtonDown(Point, uint32_t) {}
void CWindow::OnLButtonUp(Point, uint32_t) {}
void CWindow::OnLButtonDblClk(Point p, uint32_t flags) { OnLButtonDown(p, flags); }
void CWindow::OnMouseWheel(int32_t delta) {
  if (parent_ != nullptr) parent_->OnMouseWheel(delta);
}
bool CWindow::OnSetCursor() {
  platform::ShowCursorById(platform::CursorSource::kSystem, cursor_);
  return true;
}
void CWindow::OnTimer(int32_t) {}
bool CWindow::OnKeyDown(uint32_t) { return false; }
bool CWindow::OnChar(uint8_t) { return false; }
bool CWindow::OnCommand(int32_t, uint16_t, Handle) { return false; }

void CWindow::PaintTree(DrawContext& dc) {
  OnEraseBackground(dc);
  OnPaint(dc);
  for (CWindow* c : children_) {
    if (!c->visible_) continue;
    DrawContext sub = dc.Sub(c->rect_);
    if (sub.Clip().IsEmpty()) continue;
    c->PaintTree(sub);
  }
}

CWindow* CWindow::ChildAt(Point p) {
  const Rect client = GetClientRect();
  if (p.x < client.left || p.y < client.top || p.x >= client.right || p.y >= client.bottom) return nullptr;
  for (auto it = children_.rbegin(); it != children_.rend(); ++it) {
    CWindow* c = *it;
    if (!c->visible_ || !c->enabled_ || c->IsMouseTransparent()) continue;
    const Rect& r = c->rect_;
    if (p.x >= r.left && p.y >= r.top && p.x < r.right && p.y < r.bottom) {
      CWindow* deeper = c->ChildAt(Point{p.x - r.left, p.y - r.top});
      return deeper != nullptr ? deeper : c;
    }
  }
  return this;
}

void CWindow::DrawNonClient(DrawContext& dc) {
  const Rect all{0, 0, GetPixelWidth(), GetPixelHeight()};
  if (caption_) {
    dc.Fill(all, colors::kFace);
    dc.DrawEdge(all, Edge::kRaised);
    const Rect bar{kFrame, kFrame, all.right - kFrame, kFrame + kCaptionBar};
    dc.Fill(bar, colors::kCaption);
    std::shared_ptr<platform::Font> font = kit::GetFont(FontSpec{"MS Sans Serif", PointsToPixels(8), true});
    if (font) {
      Rect t{bar.left + 3, bar.top, bar.right - 2, bar.bottom};
      dc.Sub(bar).Fill(Rect{}, colors::kCaption);
      DrawContext clipped = dc.Sub(Rect{0, 0, bar.right, bar.bottom});
      clipped.DrawTextIn(t, text_, *font, colors::kCaptionText, kTextSingleLine | kTextVCenter | kTextNoPrefix);
    }
  } else if (border_) {
    dc.Frame(all, colors::kDarkShadow);
  }
}

void CWindow::Render() {
  if (!IsTopLevel()) return;
  const int32_t w = std::max(1, GetPixelWidth());
  const int32_t h = std::max(1, GetPixelHeight());
  pixels_.assign(static_cast<size_t>(w) * static_cast<size_t>(h), 0);
  platform::PixelBuffer buffer;
  buffer.first = reinterpret_cast<uint8_t*>(pixels_.data());
  buffer.rowStep = static_cast<ptrdiff_t>(w) * 4;
  buffer.width = w;
  buffer.height = h;
  buffer.layout = platform::PixelLayout::kBgrx32;
  platform::RasterDeviceContext device(buffer);
  DrawContext root(device, Point{0, 0}, Rect{0, 0, w, h});
  DrawNonClient(root);
  const Point o = ClientOriginInTopLevel();
  const Rect client = GetClientRect();
  DrawContext clientDc = root.Sub(Rect{o.x, o.y, o.x + client.right, o.y + client.bottom});
  PaintTree(clientDc);
  dirty_ = false;
  if (native_ && native_->IsNative() && visible_) platform::PresentWindowPixels(*native_, buffer);
}

intptr_t CWindow::HandleNativeMessage(const platform::Message& m) {
  switch (m.message) {
    case platform::kMsgPaint:
      if (visible_) Render();
      return 0;
    case platform::kMsgMouseMove:
    case platform::kMsgLButtonDown:
    case platform::kMsgLButtonUp: {
      const Point origin = ClientOriginInTopLevel();
      const Point client{platform::PointParamX(m.lParam) - origin.x, platform::PointParamY(m.lParam) - origin.y};
      // The caption moves the window: pressed on it, the pointer drags it.
      const Point windowPoint{platform::PointParamX(m.lParam), platform::PointParamY(m.lParam)};
      if (dragging_) {
        if (m.message == platform::kMsgMouseMove) {
          const Point at{rect_.left + windowPoint.x - dragOffset_.x, rect_.top + windowPoint.y - dragOffset_.y};
          MoveWindow(Rect{at.x, at.y, at.x + GetPixelWidth(), at.y + GetPixelHeight()});
        } else if (m.message == platform::kMsgLButtonUp) {
          dragging_ = false;
          platform::ReleaseCapture();
        }
        return 0;
      }
      if (caption_ && m.message == platform::kMsgLButtonDown && windowPoint.y >= kFrame &&
          windowPoint.y < kFrame + kCaptionBar && windowPoint.x >= kFrame && windowPoint.x < GetPixelWidth() - kFrame) {
        dragging_ = true;
        dragOffset_ = windowPoint;
        if (native_) platform::SetCapture(native_->GetHandle());
        return 0;
      }
      CWindow* target = GetCapture();
      if (target != nullptr && target->GetTopLevel() != this) target = nullptr;
      if (target == nullptr) target = ChildAt(client);
      if (target == nullptr) return 0;
      const Point screen = ClientToScreen(client);
      const Point local = target->ScreenToClient(screen);
      const auto flags = static_cast<uint32_t>(m.wParam);
      const Handle handle = target->GetHandle();
      if (m.message == platform::kMsgMouseMove) {
        if (!target->OnSetCursor()) platform::ShowCursorById(platform::CursorSource::kSystem, 32512);
        if (FromHandle(handle) != nullptr) target->OnMouseMove(local, flags);
      } else if (m.message == platform::kMsgLButtonDown) {
        const bool dbl = handle == lastDownWindow_ && m.time - lastDownTime_ <= kDoubleClickTime &&
                         std::abs(local.x - lastDownPoint_.x) <= 2 && std::abs(local.y - lastDownPoint_.y) <= 2;
        lastDownWindow_ = dbl ? 0 : handle;
        lastDownTime_ = m.time;
        lastDownPoint_ = local;
        if (target->CanTakeFocus() && target->IsEnabled()) target->SetFocus();
        if (FromHandle(handle) == nullptr) return 0;
        if (dbl) {
          target->OnLButtonDblClk(local, flags);
        } else {
          target->OnLButtonDown(local, flags);
        }
      } else {
        target->OnLButtonUp(local, flags);
      }
      return 0;
    }
    case platform::kMsgMouseWheel: {
      // The wheel turns what has the keyboard, else what lies under the pointer.
      const auto turn = static_cast<int16_t>((m.wParam >> 16) & 0xFFFF);
      CWindow* target = GetFocus();
      if (target == nullptr || target->GetTopLevel() != this) {
        target = ChildAt(ScreenToClient(Point{platform::PointParamX(m.lParam), platform::PointParamY(m.lParam)}));
      }
      if (target != nullptr) target->OnMouseWheel(turn);
      return 0;
    }
    case platform::kMsgKeyDown:
    case platform::kMsgSysKeyDown:
    case platform::kMsgChar: {
      const auto key = static_cast<uint32_t>(m.wParam);
      const uint32_t keyFlags = platform::KeyFlagsOf(m.lParam);
      if (PreTranslateKey(m.message, key, keyFlags)) return 0;
      CWindow* focus = GetFocus();
      if (focus != nullptr && focus->GetTopLevel() == this) {
        if (m.message == platform::kMsgKeyDown && focus->OnKeyDown(key)) return 0;
        if (m.message == platform::kMsgChar && focus->OnChar(static_cast<uint8_t>(key))) return 0;
      }
      if (m.message == platform::kMsgSysKeyDown && key == platform::kKeyF4) {
        PostMessage(kMsgClose, 0, 0);
      }
      return 0;
    }
    case platform::kMsgClose:
      WindowProc(kMsgClose, 0, 0);
      return 0;
    case platform::kMsgSysCommand:
      if ((m.wParam & 0xFFF0) == platform::kSysCommandClose) WindowProc(kMsgClose, 0, 0);
      return 0;
    case platform::kMsgActivate:
    case platform::kMsgActivateApp:
    case platform::kMsgSetFocus:
    case platform::kMsgKillFocus:
    case platform::kMsgKeyUp:
    case platform::kMsgSysKeyUp:
    case platform::kMsgRButtonDown:
    case platform::kMsgRButtonUp:
    case platform::kMsgMButtonDown:
    case platform::kMsgMButtonUp:
      return 0;
    default:
      return WindowProc(m.message, m.wParam, m.lParam);
  }
}

CWindow* WindowFromPoint(Point screen) {
  for (CWindow* top : gTopLevels) {
    if (!top->IsVisible() || !top->IsEnabled()) continue;
    const Rect r = top->GetRect();
    if (screen.x < r.left || screen.y < r.top || screen.x >= r.right || screen.y >= r.bottom) continue;
    CWindow* w = top->ChildAt(top->ScreenToClient(screen));
    return w != nullptr ? w : top;
  }
  return nullptr;
}

Point GetCursorPos() { return platform::QueryCursorScreenPosition(); }

Point GetScreenSize() { return platform::GetScreenSize(); }

std::vector<CWindow*> TopLevelWindowsFrontFirst() { return gTopLevels; }

}  // namespace kit
