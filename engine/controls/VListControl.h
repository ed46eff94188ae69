// The engine's list control: a run of items of a given size along one axis,
// a selected range, selection with the mouse (with drag selection and
// auto-scroll while the button is held) and with the cursor keys, scrolling
// as a VScroller. Subclasses count and draw the items. A list whose items
// run left to right selects by press and keys; holding the button over it
// neither drag-selects nor auto-scrolls.
#pragma once

#include <cstdint>

#include "engine/app/VControl.h"
#include "engine/controls/ControlEvents.h"
#include "engine/controls/VScroller.h"
#include "engine/core/VTask.h"

// Virtual-key codes the list answers.
constexpr uint32_t kKeyPageUp = 0x21;
constexpr uint32_t kKeyPageDown = 0x22;
constexpr uint32_t kKeyUp = 0x26;
constexpr uint32_t kKeyDown = 0x28;

class VListControl2_0_11 : public VControl, public VScroller, public VTask {
 public:
  static constexpr int32_t kKind = 269;

  // A task of the current task manager, stepped on every idle pass.
  VListControl2_0_11(int32_t id, int32_t left, int32_t top, int32_t layer, int32_t width, int32_t height,
                     bool vertical, int32_t itemSize, int32_t leftMargin, int32_t topMargin, int32_t rightMargin,
                     int32_t bottomMargin, VGraphicObject* parent);
  ~VListControl2_0_11() override;

  virtual int32_t GetItemCount() = 0;
  virtual int32_t GetItemSize(int32_t index);
  // The control's height over the item size (0 for an item size of 0).
  virtual int32_t GetVisibleCount();
  virtual void SetTopItem(int32_t index) { topItem_ = index; }
  virtual void DrawItem(DrawPort* port, int32_t index, const VRect& rect, bool selected) = 0;
  virtual void SelectionChanged(int32_t, int32_t, uint16_t) {}

  void DrawContent(DrawPort* port, const VRect& rect) override;
  bool MouseDown(const VMouseEvent& event) override;
  bool MouseUp(const VMouseEvent& event) override;
  bool MouseMove(const VMouseEvent& event) override;
  bool KeyDown(const VKeyEvent& event) override;
  bool UpdateCursor(const VMouseEvent& event) override;
  bool Step(uint32_t tick) override;

  // Axis 0: items; position the top item, page the visible count.
  void ScrollBy(int32_t delta, int32_t axis) override;
  int32_t GetMax(int32_t axis) override;
  int32_t GetPosition(int32_t axis) override;
  int32_t GetPageSize(int32_t axis) override;

  int32_t GetTopItem() const { return topItem_; }
  int32_t GetSelectionStart() const { return selectionStart_; }
  int32_t GetSelectionEnd() const { return selectionEnd_; }
  void GetSelectionRange(int32_t& first, int32_t& last) const {
    first = selectionStart_;
    last = selectionEnd_;
  }
  void SetSelection(int32_t start, int32_t end) {
    selectionStart_ = start;
    selectionEnd_ = end;
  }
  void SetRangeSelection(bool on) { rangeSelection_ = on; }
  bool IsButtonHeld() const { return buttonHeld_; }
  void SetColors(const VRGBColor& background, const VRGBColor& selection) {
    background_ = background;
    selectionColor_ = selection;
  }
  // The item area in window coordinates.
  VRect GetItemArea() const;

 protected:
  void RedrawList();
  // The item under a window coordinate along the axis, from the top item.
  int32_t ItemAt(int32_t coordinate);

  ControlLife life_;

 private:
  bool vertical_;
  int32_t itemSize_;
  int32_t leftMargin_, topMargin_, rightMargin_, bottomMargin_;
  int32_t topItem_ = 0;
  int32_t selectionStart_ = -1;
  int32_t selectionEnd_ = -1;
  int32_t anchor_ = 0;
  bool buttonHeld_ = false;
  bool rangeSelection_ = false;
  uint16_t modifiers_ = 0;
  VPoint pointer_;
  VRGBColor background_{255, 255, 255};
  VRGBColor selectionColor_{0, 0, 0};
};
