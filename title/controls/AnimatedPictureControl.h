// A picture control that steps through a row of frame pictures toward a
// target frame, one frame per step interval (30 ms), slowing down by 1.2
// per frame over the last frames, and tells its owner with owner message
// 156 (value: the target) on arrival. PlayForward and PlayBackward run the
// whole row.
//
// Ownership: holds one reference on each frame picture and owns its shown
// picture, into which the frames are copied.
#pragma once

#include <cstdint>
#include <vector>

#include "engine/controls/VPictureControl.h"
#include "engine/core/VTask.h"

class AnimatedPictureControl : public VPictureControl, public VTask {
 public:
  static constexpr uint32_t kMessageArrived = 156;
  static constexpr int32_t kTaskId = 10;

  // Frames by media id base + i, read at the program's load format; a frame
  // that cannot be read keeps its place and shows nothing.
  AnimatedPictureControl(int32_t id, int32_t frameCount, uint16_t frameBaseId, int32_t left, int32_t top,
                         int32_t layer, int32_t width, int32_t height, VGraphicObject* parent);
  // Existing frame pictures (one reference added to each; a null one shows
  // nothing).
  AnimatedPictureControl(int32_t id, const std::vector<VPicture*>& frames, int32_t left, int32_t top, int32_t layer,
                         int32_t width, int32_t height, VGraphicObject* parent);
  ~AnimatedPictureControl() override;

  // Toward the frame (held inside the row); a redraw when already there.
  void AnimateToFrame(int32_t frame);
  void PlayForward();
  void PlayBackward();
  // Copies the frame picture into the shown picture over the control's size;
  // what the frame does not cover is the key colour (black without one).
  void ShowFrame(int32_t frame, bool redraw);
  // A key colour applied to the shown picture after each copy; on, the
  // control is transparent (what lies behind is drawn under each frame).
  void SetKeyColor(bool on, const VRGBColor& color);
  void SetInputLocked(bool locked) { inputLocked_ = locked; }

  bool Step(uint32_t pass) override;
  bool MouseDown(const VMouseEvent& event) override;
  bool UpdateCursor(const VMouseEvent& event) override;

  int32_t GetCurrentFrame() const { return current_; }
  int32_t GetFrameTotal() const { return static_cast<int32_t>(frames_.size()); }
  bool IsTurning() const { return turning_; }

 private:
  void MakeShownPicture();
  void ApplyKeyColor();

  std::vector<VPicture*> frames_;
  int32_t current_ = 0;
  int32_t target_ = 0;
  int32_t direction_ = 1;
  bool turning_ = false;
  bool moving_ = false;
  bool inputLocked_ = false;
  uint32_t interval_ = 30;
  uint32_t nextTick_ = 0;
  bool keyed_ = false;
  VRGBColor key_{0, 0, 0};
};
