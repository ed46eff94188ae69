// The hover zone at each end of a timeline band and of the storyline panel:
// a picture that lights up while the pointer rests on it, the mouse held
// while it does, a cursor that says whether the date can still move that way,
// and owner messages 149 (entered) and 150 (left). The storyline screen moves
// its date while the pointer rests on an arrow; the arrow itself moves
// nothing. Nothing happens while the arrow is disabled.
#pragma once

#include <cstdint>

#include "engine/controls/VHotspot.h"

class VPicture;
class VPictureControl;

class ScrollArrow : public VMouseDetector {
 public:
  // Owner messages (the arrow's id, its event part).
  static constexpr uint32_t kOwnerEntered = 149;
  static constexpr uint32_t kOwnerLeft = 150;

  // pictureId is shown normally and pictureId + 1 while the pointer is
  // inside (0: no picture); cursorA while the date can move, cursorB once it
  // cannot. forward: the arrow moves to later dates. Starts disabled.
  ScrollArrow(int32_t id, uint16_t pictureId, int32_t cursorA, int32_t cursorB, bool forward, int32_t left, int32_t top,
              int32_t layer, int32_t width, int32_t height, VGraphicObject* parent);
  ~ScrollArrow() override;

  void Enable();
  // Also ends a rest of the pointer on the arrow: the capture is given back,
  // the normal picture shown and 150 sent, so that every 149 has its 150 and
  // the next entry reports 149 again.
  void Disable();
  bool IsArrowEnabled() const { return enabled_; }
  // The cursor follows at once when the pointer is inside.
  void SetCanScroll();
  void ClearCanScroll();
  bool GetDirection() const { return forward_; }
  bool CanScroll() const { return canScroll_; }
  VPictureControl* GetPictureControl() const { return picture_; }

  bool MouseMove(const VMouseEvent& event) override;
  bool UpdateCursor(const VMouseEvent& event) override;

 private:
  void ShowPicture(VPicture* picture);
  void Leave();
  uint16_t CurrentCursor() const;

  VPictureControl* picture_ = nullptr;  // child; owned by the control tree
  VPicture* normalPicture_ = nullptr;   // one reference each
  VPicture* litPicture_ = nullptr;
  uint16_t pictureId_;
  int32_t cursorA_;
  int32_t cursorB_;
  bool enabled_ = false;
  bool forward_;
  bool canScroll_ = true;
  ControlLife life_;
};
