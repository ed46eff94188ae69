// Buttons of the launchers' dialog kit in the classic 3-D look: push
// buttons (one of them the dialog's default), automatic radio buttons
// (one checked per group), automatic check boxes (flat or sunken) and group
// boxes. A click sends the parent a command with the button's id.
#pragma once

#include <cstdint>

#include "launchers/common/Window.h"

namespace kit {

class CButton : public CWindow {
 public:
  enum class Kind : uint8_t { kPush, kDefaultPush, kRadio, kCheckBox, kGroupBox };

  explicit CButton(Kind kind) : kind_(kind) {}
  Kind GetKind() const { return kind_; }

  int32_t GetCheck() const { return check_; }
  void SetCheck(int32_t state);
  // What a click does: checks a radio button (and clears the others of its
  // group), toggles a check box, and sends the command.
  void Click();
  bool IsPushButton() const { return kind_ == Kind::kPush || kind_ == Kind::kDefaultPush; }
  // Drawn with the default frame (the dialog decides).
  void SetDefaultLook(bool on);
  bool HasDefaultLook() const { return defaultLook_; }
  // The buttons of this one's group (from the control that starts it to the
  // next start), in order.
  std::vector<CWindow*> GroupMembers() const;

  intptr_t WindowProc(uint32_t code, uintptr_t wParam, intptr_t lParam) override;
  void OnPaint(DrawContext& dc) override;
  void OnMouseMove(platform::Point p, uint32_t flags) override;
  void OnLButtonDown(platform::Point p, uint32_t flags) override;
  void OnLButtonUp(platform::Point p, uint32_t flags) override;
  bool OnKeyDown(uint32_t key) override;
  bool IsMouseTransparent() const override { return kind_ == Kind::kGroupBox; }
  bool CanTakeFocus() const override { return kind_ != Kind::kGroupBox && IsEnabled() && IsVisible(); }

 private:
  void PaintPush(DrawContext& dc, const CtlColors& c);
  void PaintMark(DrawContext& dc, const CtlColors& c);
  void PaintGroupBox(DrawContext& dc, const CtlColors& c);
  bool Inside(platform::Point p) const;

  Kind kind_;
  int32_t check_ = 0;
  bool pressed_ = false;
  bool tracking_ = false;
  bool defaultLook_ = false;
};

}  // namespace kit
