// The black cover of the tour screen: a solid black picture over the
// panorama whose level (0 transparent .. 63 opaque) fades to a target in
// steps at most every 66 ms. It hides the panorama, reveals it, or dims it
// while a screen lies over the tour. While shown it keeps the pointer's
// moves from the panorama below. When a fade reaches its target it sends
// owner message 128 (value: its id); a fade to 0 ends with it hidden.
#pragma once

#include <cstdint>

#include "engine/controls/VPictureControl.h"
#include "engine/core/VTask.h"

class TourCover : public VPictureControl, public VTask {
 public:
  static constexpr uint32_t kMessageFadeEnded = 128;
  static constexpr int32_t kStepPeriod = 66;
  static constexpr int32_t kOpaque = 63;

  // Hidden, level 0, its task stopped.
  TourCover(int32_t id, int32_t defaultDuration, int32_t left, int32_t top, int32_t layer, int32_t width,
            int32_t height, VGraphicObject* parent);

  // Level above 63 fades to 63.
  void FadeTo(int32_t level, int32_t duration);
  void FadeIn(int32_t duration);
  void FadeOut(int32_t duration);
  void StartFade(int32_t duration);
  // 63 when the picture carries no level (or there is no picture).
  int32_t GetLevel() const;
  void SetLevel(int32_t level);
  int32_t GetTargetLevel() const { return target_; }
  int32_t GetDuration() const { return duration_; }

  bool MouseMove(const VMouseEvent& event) override;
  bool Step(uint32_t pass) override;

 private:
  int32_t stepPeriod_ = kStepPeriod;
  int32_t duration_;
  uint32_t lastTick_ = 0;
  uint32_t startTick_ = 0;
  int32_t start_ = 0;
  int32_t target_ = 0;
};
