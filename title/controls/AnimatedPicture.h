// A picture control that travels from a start point to an end point in
// steps, optionally showing its next frame at each step, looping or stopping;
// it tells its owner with owner message 158 (value: its id) when the last
// step or frame is reached.
#pragma once

#include <cstdint>
#include <vector>

#include "engine/controls/VPictureControl.h"
#include "engine/core/VTask.h"

class AnimatedPicture : public VPictureControl, public VTask {
 public:
  static constexpr uint32_t kMessageFinished = 158;
  static constexpr int32_t kFramePictureCount = 75;

  // A non-zero picture id shows that picture's own frames; 0 waits for
  // LoadPictures (frame-picture mode). Start and end point are (left, top)
  // until SetPath.
  AnimatedPicture(int32_t id, uint16_t pictureId, int32_t left, int32_t top, int32_t layer, int32_t width,
                  int32_t height, VGraphicObject* parent);
  // An existing picture (one reference added).
  AnimatedPicture(int32_t id, VPicture* picture, int32_t left, int32_t top, int32_t layer, int32_t width,
                  int32_t height, VGraphicObject* parent);
  ~AnimatedPicture() override;

  // Called with the frame index before each frame step; true goes on.
  virtual bool BeforeFrameStep(int32_t frame);

  void SetPath(int32_t startX, int32_t startY, int32_t endX, int32_t endY);
  void SetStepCount(int32_t count) { stepCount_ = count; }
  void SetStepInterval(uint32_t ms) { stepInterval_ = ms; }
  void SetFrameStepping(bool on) { frameStepping_ = on; }
  void SetLoop(bool on) { loop_ = on; }
  // Frame-picture mode: the 75 frames 6200 + i for id 6000, 6300 + i for 6001.
  void LoadPictures(uint16_t id);
  void ShowFrame(int32_t index, bool redraw);
  int32_t GetFrameCountOfAnimation() const;
  // Moves to the start point, frame 0, visible, running. With fewer than
  // two positions to pass (no steps, one frame) the first step ends it at
  // the end point.
  void Start();
  void Stop();
  bool Step(uint32_t pass) override;

  bool IsRunning() const { return running_; }
  int32_t GetStepCounter() const { return counter_; }

 private:
  void MoveToWhole(double x, double y);

  VPoint start_;
  VPoint end_;
  double offset_[2] = {0, 0};
  double position_[2] = {0, 0};
  int32_t counter_ = 0;
  int32_t stepCount_ = 0;
  bool running_ = false;
  uint32_t stepInterval_ = 50;
  uint32_t lastTick_ = 0;
  bool frameStepping_ = true;
  bool loop_ = false;
  bool frameMode_ = false;
  std::vector<VPicture*> frames_;
};
