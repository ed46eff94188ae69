// A scroll bar made of a slider (track and thumb) and two arrow buttons: the
// scroller's range becomes the slider's range; the arrows scroll by a line,
// the track by a page towards the press, the thumb to its place. At the
// ends of the range the arrows are hidden (or disabled).
//
// Ownership: the arrow buttons, thumb and track are children of the bar.
#pragma once

#include <cstdint>

#include "engine/controls/VScrollBar.h"
#include "engine/controls/VSlider.h"

class VPictureScrollBar : public VScrollBar, public VSlider {
 public:
  static constexpr int32_t kKind = 274;

  VPictureScrollBar(int32_t id, int32_t minimum, int32_t maximum, int32_t left, int32_t top, int32_t layer,
                    int32_t width, int32_t height, VSliderThumb* thumb, VGraphicObject* track,
                    VPictureButton* upButton, VPictureButton* downButton, VGraphicObject* parent);
  ~VPictureScrollBar() override;

  bool Update() override;
  bool HandleEvent(uint32_t code, uint32_t value1, uint32_t value2) override;

  void SetHideAtEnds(bool hide) { hideAtEnds_ = hide; }
  void SetDisableAtEnds(bool disable) { disableAtEnds_ = disable; }
  VPictureButton* GetUpButton() const { return upButton_; }
  VPictureButton* GetDownButton() const { return downButton_; }

 private:
  void ApplyArrowState(VPictureButton* button, bool atEnd);
  bool IsFromButton(VPictureButton* button, uint32_t sender) const;

  VPictureButton* upButton_;
  VPictureButton* downButton_;
  bool disableAtEnds_ = false;
  bool hideAtEnds_ = true;
  int32_t pressSide_ = 0;  // -1 before the thumb, 1 after it, 0 none
};
