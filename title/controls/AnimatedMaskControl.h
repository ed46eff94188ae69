// An object the user can spin: a row of frame pictures (views from successive
// angles), each with its own mask of clickable regions. Dragging in the spin
// area (mask value 254) turns the object with the pointer (a drag across the
// control runs through the whole row); let go while moving, it spins on with
// momentum and friction; clicking
// an item region (1..253) reports it to the owner (message 122) and locks the
// input; the screen can turn the object to a frame, slowing down over the
// last frames, and select a region on arrival (message 156). Every frame
// change sends 126; hovering the selected region sends 127.
//
// Ownership: the control holds one reference on each frame picture and on
// the current region mask. Its task part is stepped by the current task
// manager and belongs to the control (deleted with it).
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "engine/controls/VMaskControl.h"
#include "engine/core/VTask.h"

class VMask;

// Where the frames, mask pictures and region masks come from: the archives
// by media id (base + frame) unless a caller supplies its own. Each answer
// carries one reference for the caller, or is null.
class AnimatedMaskMedia {
 public:
  AnimatedMaskMedia(uint16_t frameBase, uint16_t regionMaskBase, uint16_t maskPictureBase)
      : frameBase_(frameBase), regionMaskBase_(regionMaskBase), maskPictureBase_(maskPictureBase) {}
  virtual ~AnimatedMaskMedia() = default;
  // Loaded as 8-bit pictures.
  virtual VPicture* LoadFrame(int32_t frame);
  // The frame at the program's load depth, to be the shown picture.
  virtual VPicture* LoadShownPicture(int32_t frame);
  virtual VPicture* LoadMaskPicture(int32_t frame);
  virtual VMask* LoadRegionMask(int32_t frame);

 private:
  uint16_t frameBase_;
  uint16_t regionMaskBase_;
  uint16_t maskPictureBase_;
};

class AnimatedMaskControl : public VMaskControl, public VTask {
 public:
  static constexpr int32_t kTaskId = 10;
  static constexpr int32_t kSpinArea = 254;
  static constexpr uint32_t kMessageItemClicked = 122;
  static constexpr uint32_t kMessageFrameChanged = 126;
  static constexpr uint32_t kMessageSelectedHovered = 127;
  static constexpr uint32_t kMessageArrived = 156;

  AnimatedMaskControl(int32_t id, uint16_t pictureId, int32_t frameCount, uint16_t frameBase, uint16_t regionMaskBase,
                      uint16_t maskPictureBase, int32_t left, int32_t top, int32_t layer, int32_t width,
                      int32_t height, VGraphicObject* parent);
  // An existing shown picture (one reference added) and a media source.
  AnimatedMaskControl(int32_t id, VPicture* picture, int32_t frameCount, std::unique_ptr<AnimatedMaskMedia> media,
                      int32_t left, int32_t top, int32_t layer, int32_t width, int32_t height,
                      VGraphicObject* parent);
  ~AnimatedMaskControl() override;

  using VPictureControl::SetFrame;
  bool MouseDown(const VMouseEvent& event) override;
  bool MouseUp(const VMouseEvent& event) override;
  bool MouseMove(const VMouseEvent& event) override;
  bool UpdateCursor(const VMouseEvent& event) override;
  bool HandleEvent(uint32_t code, uint32_t value1, uint32_t value2) override;
  bool Step(uint32_t pass) override;

  int32_t GetCurrentFrame() const { return current_; }
  void SetSelectedMask(int32_t index) { selected_ = index; }
  int32_t GetSelectedMask() const { return selected_; }
  void SetInputLocked(bool locked) { inputLocked_ = locked; }
  bool IsInputLocked() const { return inputLocked_; }
  void SetSelectable(bool enabled) { enabled_ = enabled; }
  // Turning toward a target.
  bool IsAnimating() const { return turning_; }
  void StopAnimation();
  // Turns to the frame (held inside the row) and selects the region there.
  void AnimateTo(int32_t target, int32_t region);
  // Copies the frame's picture into the shown picture; message 126.
  void SetFrame(int32_t frame);
  // The current frame with its mask picture and region mask, redrawn.
  void ShowCurrentFrame();

  double GetVelocity() const { return velocity_; }
  bool IsDragging() const { return dragging_; }
  bool IsOverSpinArea() const { return overSpin_; }
  bool IsOverItem() const { return overItem_; }

 private:
  void Setup(int32_t frameCount);
  void LoadRegionMask();
  void ShowCurrentUnlessDragging();
  // A drag taking hold at x, from the current frame.
  void StartDragAt(int32_t x);
  // The pointer of a drag at x: the object follows it. False when the
  // control was deleted on the way.
  bool DragTo(int32_t x);
  double GetFramesPerPixel() const;

  std::unique_ptr<AnimatedMaskMedia> media_;
  int32_t frameCount_ = 0;
  int32_t current_ = 0;
  int32_t target_ = 0;
  int32_t direction_ = 1;
  int32_t regionToSelect_ = -1;
  int32_t selected_ = -1;
  bool dragging_ = false;
  bool turning_ = false;
  bool moving_ = false;
  bool overSpin_ = false;
  bool overItem_ = false;
  bool inputLocked_ = false;
  bool enabled_ = true;
  double position_ = 0;
  double velocity_ = 0;
  int32_t dragX_ = 0;
  // Where the drag took hold: the pointer's x and the object's position.
  int32_t dragStartX_ = 0;
  double dragStartPosition_ = 0;
  uint32_t lastTick_ = 0;
  uint32_t nextTick_ = 0;
  uint32_t interval_ = 20;
  VMask* regionMask_ = nullptr;
  std::vector<VPicture*> frames_;
};
