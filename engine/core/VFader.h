// A timed level ramp (a fade) run against the tick count. Each step goes to
// ShowFadeLevel, the display hook, which shows nothing yet: a fade is a busy
// wait of its duration.
#pragma once

#include <cstdint>

#include "engine/core/VGeometry.h"
#include "engine/core/VLinkedList.h"

// A list element, though nothing links it into a list by itself.
class VFader : public VListElement {
 public:
  // target: what the display hook would act on (null when there is none).
  explicit VFader(void* target = nullptr) : target_(target) {}
  ~VFader() override = default;

  // Ramps from one level to another (percent) over duration milliseconds;
  // with both colours given the working colour moves from one to the other.
  // The last step shows exactly the to level. A duration of 0 does nothing.
  // The mode is accepted for callers and does not change the ramp.
  void RunFade(int16_t fromLevel, int16_t toLevel, uint32_t durationMs, const VRGBColor* fromColor,
               const VRGBColor* toColor, int32_t mode);
  // One step outside a ramp (for instance 100/100 for the full level).
  void ApplyFadeStep(int64_t numerator, int64_t denominator, const VRGBColor* color);
  // Shows the level numerator / denominator (a fraction of 1) with the
  // colour, or none. Does nothing here; overridable by a display.
  virtual void ShowFadeLevel(int64_t numerator, int64_t denominator, const VRGBColor* color);

  void* GetTarget() const { return target_; }

 private:
  void* target_;
  bool flag_ = false;
};
