// A picture control that plays the frames of a multi-frame picture: on every
// tick it moves its frame by a step through a frame range and, at the end of
// the range, stops, wraps round or turns back, reporting each as a control
// event (48 started, 49 wrapped or turned, 50 stopped). A click sends 21.
#pragma once

#include <cstdint>

#include "engine/controls/VPictureControl.h"

class VAnimatingPictureControl : public VPictureControl {
 public:
  enum EndMode : int32_t { kEndStop = 0, kEndWrap = 1, kEndReverse = 2 };

  VAnimatingPictureControl(int32_t id, uint16_t mediaId, int32_t left, int32_t top, int32_t layer, int32_t width,
                           int32_t height, VGraphicObject* parent);
  // An existing picture or null; the control adds one reference.
  VAnimatingPictureControl(int32_t id, VPicture* picture, int32_t left, int32_t top, int32_t layer, int32_t width,
                           int32_t height, VGraphicObject* parent);
  ~VAnimatingPictureControl() override;

  bool MouseDown(const VMouseEvent& event) override;
  bool MouseUp(const VMouseEvent& event) override;
  bool MouseMove(const VMouseEvent& event) override;
  bool UpdateCursor(const VMouseEvent& event) override;
  // Takes part in the tick (code 2) only.
  bool HandleEvent(uint32_t code, uint32_t value1, uint32_t value2) override;

  virtual void Start();
  virtual void Stop();
  // The frame becomes the last frame when the step is below 1, else the
  // first; returns it.
  virtual int32_t Rewind();
  // One step; whether a receiver took the event it sent.
  virtual bool StepAnimation();
  virtual void SetStep(int32_t step) { step_ = step; }
  virtual void SetEndMode(int32_t mode) { endMode_ = mode; }

  bool IsRunning() const { return running_; }
  void SetFrameRange(int32_t first, int32_t last) {
    firstFrame_ = first;
    lastFrame_ = last;
  }
  int32_t GetFirstFrame() const { return firstFrame_; }
  int32_t GetLastFrame() const { return lastFrame_; }
  int32_t GetStep() const { return step_; }
  // Milliseconds between two steps; 0 steps on every tick.
  void SetStepPeriod(uint32_t period) { stepPeriod_ = period; }
  uint32_t GetLastStepTick() const { return lastStepTick_; }

 private:
  void InitRange();

  bool running_ = false;
  int32_t endMode_ = kEndStop;
  int32_t firstFrame_ = 0;
  int32_t lastFrame_ = 0;
  int32_t step_ = 1;
  uint32_t stepPeriod_ = 0;
  uint32_t lastStepTick_ = 0;
};
