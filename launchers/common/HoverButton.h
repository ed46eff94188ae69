// The autorun menu's picture buttons: a static bitmap control of a dialog
// taken over and drawn from three pictures (normal, under the pointer,
// pressed), with its own cursor and a tooltip that appears half a second
// after the pointer entered. Releasing the left button over it posts its
// command to the dialog; it returns to normal once the pointer has left.
#pragma once

#include <cstdint>
#include <string>

#include "launchers/common/DibImage.h"
#include "launchers/common/Window.h"
#include "launchers/common/ToolTipWnd.h"

namespace kit {

class CHoverButton : public CWindow {
 public:
  enum State : int32_t { kNormal = 0, kHover = 1, kPressed = 2 };
  static constexpr int32_t kLeaveTimer = 1;
  static constexpr int32_t kToolTipTimer = 2;
  static constexpr uint32_t kToolTipDelay = 500;

  CHoverButton() = default;
  ~CHoverButton() override;

  // Takes over the dialog's control (false when it has none of that id).
  // `cursor` is a cursor resource (0: the arrow).
  bool Create(CWindow* parent, int32_t id, int32_t cursor);
  // Create, then the three bitmap resources; a missing one leaves that
  // state without a picture. True when Create succeeded.
  bool CreateFromResources(CWindow* parent, int32_t id, int32_t normalId, int32_t hoverId, int32_t pressedId,
                           int32_t cursor);
  // Create, then the three picture files in this order: true only when all
  // succeed (stopping at the first failure).
  bool CreateFromFiles(CWindow* parent, int32_t id, const std::string& normalPath, const std::string& hoverPath,
                       const std::string& pressedPath, int32_t cursor);
  void SetToolTipText(const std::string& text);

  int32_t GetState() const { return state_; }
  bool HasToolTip() const { return hasToolTip_; }
  CToolTipWnd& GetToolTip() { return toolTip_; }
  CDibImage& Image(int32_t state);

  void OnPaint(DrawContext& dc) override;
  bool OnSetCursor() override;
  void OnMouseMove(platform::Point p, uint32_t flags) override;
  void OnTimer(int32_t id) override;
  void OnLButtonDown(platform::Point p, uint32_t flags) override;
  void OnLButtonUp(platform::Point p, uint32_t flags) override;
  void OnLButtonDblClk(platform::Point p, uint32_t flags) override;
  void OnDestroy() override;

 private:
  void Redraw();

  CDibImage normal_;
  CDibImage hover_;
  CDibImage pressed_;
  int32_t state_ = kNormal;
  uint16_t cursorId_ = 32512;
  bool hasToolTip_ = false;
  std::string toolTipText_;
  CToolTipWnd toolTip_;
};

}  // namespace kit
