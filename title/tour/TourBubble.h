// A hotspot region of the tour's panorama: a bubble over the angular
// rectangle of one hotspot, whose id is the hotspot's index. It reports the
// pointer entering (15) and leaving (16) it, a press (31), a click (32) and a
// right-button press (135) to the navigator, and shows the pointing hand.
// Taking the mouse when the pointer enters, it keeps getting the moves, the
// press and the release while the camera turns under the pointer.
#pragma once

#include <cstdint>

#include "engine/panorama/VBubble.h"

class TourBubble : public VBubble {
 public:
  static constexpr uint32_t kKind = 2304;
  static constexpr uint16_t kCursorPointingHand = 107;
  static constexpr uint32_t kEventRightButtonPressed = 135;

  TourBubble(int32_t hotspotIndex, const VFRect& bounds, int32_t order, bool captureOnEnter, VBubble* parent);

  bool IsPointerInside() const { return pointerInside_ != 0; }
  // Gives up the capture and forgets that the pointer was inside, without a
  // report: the next move that finds the pointer inside reports it again.
  void ForgetPointer();
  // The view moved under a still pointer, now at the bubble-space point:
  // with `entering`, a pointer that came inside is reported (15) without
  // taking the mouse; without it, one that went outside is reported (16)
  // and the mouse let go.
  void FollowPointer(float x, float y, bool entering);

  bool MouseDown(const BubbleMouseEvent& event) override;
  bool MouseUp(const BubbleMouseEvent& event) override;
  bool MouseMove(const BubbleMouseEvent& event) override;
  bool UpdateCursor(const BubbleMouseEvent& event) override;

 private:
  void Report(uint32_t code);
  // Gives up the bubble capture, and the viewer's hold on the mouse that came with it.
  void EndCapture();

  uint8_t captureOnEnter_;
  uint8_t pointerInside_ = 0;
};
