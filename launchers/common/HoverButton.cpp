#include "launchers/common/HoverButton.h"

#include "launchers/common/Resources.h"
#include "platform/Cursor.h"

namespace kit {

using platform::Point;

CHoverButton::~CHoverButton() {
  if (IsCreated()) DestroyWindow();
  toolTip_.DestroyWindow();
}

bool CHoverButton::Create(CWindow* parent, int32_t id, int32_t cursor) {
  if (!SubclassDlgItem(id, parent)) return false;
  ModifyStyle(0, kStyleTabStop | kStyleNotify | kStyleNoPrefix | kStyleRealSize);
  const uint16_t system = cursor != 0 ? CResources::CursorOf(cursor) : 0;
  cursorId_ = system != 0 ? system : 32512;
  state_ = kNormal;
  hasToolTip_ = false;
  return true;
}

bool CHoverButton::CreateFromResources(CWindow* parent, int32_t id, int32_t normalId, int32_t hoverId,
                                       int32_t pressedId, int32_t cursor) {
  if (!Create(parent, id, cursor)) return false;
  normal_.LoadResourceBitmap(normalId);
  hover_.LoadResourceBitmap(hoverId);
  pressed_.LoadResourceBitmap(pressedId);
  Invalidate();
  return true;
}

bool CHoverButton::CreateFromFiles(CWindow* parent, int32_t id, const std::string& normalPath,
                                   const std::string& hoverPath, const std::string& pressedPath, int32_t cursor) {
  if (!Create(parent, id, cursor)) return false;
  Invalidate();
  return normal_.LoadPictureFile(normalPath) && hover_.LoadPictureFile(hoverPath) &&
         pressed_.LoadPictureFile(pressedPath);
}

void CHoverButton::SetToolTipText(const std::string& text) {
  hasToolTip_ = true;
  toolTipText_ = text;
  toolTip_.Create(GetParent() != nullptr ? GetParent()->GetTopLevel() : nullptr, text);
}

CDibImage& CHoverButton::Image(int32_t state) {
  if (state == kHover) return hover_;
  if (state == kPressed) return pressed_;
  return normal_;
}

void CHoverButton::Redraw() {
  Invalidate();
  UpdateWindow();
}

void CHoverButton::OnPaint(DrawContext& dc) { Image(state_).Paint(dc, 0, 0, kRopSourceCopy); }

bool CHoverButton::OnSetCursor() {
  platform::ShowCursorById(platform::CursorSource::kSystem, cursorId_);
  return true;
}

void CHoverButton::OnMouseMove(Point, uint32_t) {
  if (state_ > kNormal) return;
  state_ = kHover;
  Redraw();
  // No leave message exists: the pointer is looked for while it is over us.
  SetTimer(kLeaveTimer, 1);
  if (hasToolTip_) SetTimer(kToolTipTimer, kToolTipDelay);
}

void CHoverButton::OnTimer(int32_t id) {
  if (id == kLeaveTimer) {
    if (WindowFromPoint(GetCursorPos()) != this) {
      KillTimer(kLeaveTimer);
      KillTimer(kToolTipTimer);
      if (hasToolTip_) toolTip_.Hide();
      state_ = kNormal;
      Redraw();
    }
  } else if (id == kToolTipTimer) {
    KillTimer(kToolTipTimer);
    if (hasToolTip_) toolTip_.Show();
  }
}

void CHoverButton::OnLButtonDown(Point, uint32_t) {
  state_ = kPressed;
  Redraw();
}

void CHoverButton::OnLButtonUp(Point, uint32_t) {
  if (hasToolTip_) {
    KillTimer(kToolTipTimer);
    toolTip_.Hide();
  }
  if (GetParent() != nullptr) {
    GetParent()->PostMessage(kMsgCommand, MakeCommandParam(GetId(), kNotifyClicked), static_cast<intptr_t>(GetHandle()));
  }
}

void CHoverButton::OnLButtonDblClk(Point, uint32_t) {}

void CHoverButton::OnDestroy() {
  // The tooltip belongs to the dialog's window, which goes with this one.
  toolTip_.DestroyWindow();
  state_ = kNormal;
}

}  // namespace kit
