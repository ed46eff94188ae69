// One picture of the carousel's ring: a scaled picture control that shows
// the hand cursor (107) while its item is selected and clickable.
//
// The ring lays its places out again on every idle pass while it turns, and
// each place's size changes with its depth. A slot keeps the scaled copies
// of its pictures at the sizes it has been drawn at (a ring place takes one
// of a few dozen sizes), so that a turning ring draws copies already made
// instead of resampling twenty pictures a pass.
#pragma once

#include <cstdint>
#include <vector>

#include "engine/controls/VPictureControl.h"

class CarouselSlotControl : public VPictureControl {
 public:
  static constexpr uint16_t kHandCursor = 107;
  // Scaled copies kept at most; beyond, the slot starts afresh.
  static constexpr size_t kMaxScaledCopies = 48;

  CarouselSlotControl(VPicture* picture, VGraphicObject* parent);
  ~CarouselSlotControl() override;

  void SetHandCursor(bool hand) { hand_ = hand; }
  bool HasHandCursor() const { return hand_; }
  bool UpdateCursor(const VMouseEvent& event) override;
  void DrawContent(DrawPort* port, const VRect& rect) override;

  size_t GetScaledCopyCount() const { return copies_.size(); }

 private:
  struct ScaledCopy {
    VPicture* source;  // one reference held, so that its address stays its own
    int32_t width;
    int32_t height;
    VPicture* copy;
  };
  // The copy of the shown picture at the control's size; null when it
  // cannot be made.
  VPicture* CopyAtSize(VPicture* source, int32_t width, int32_t height);
  void ReleaseCopies();

  bool hand_ = false;
  std::vector<ScaledCopy> copies_;
};
