// A picture button that repeats its pointer-entered event 28 at a fixed
// interval while it stays pressed or under the pointer, so that holding an
// arrow button keeps scrolling.
#pragma once

#include <cstdint>

#include "engine/controls/VPictureButton.h"

class AppPictureButton : public VPictureButton {
 public:
  // The forms of VPictureButton; the repeat interval starts at 0 (none).
  using VPictureButton::VPictureButton;

  // Event 28 of the button itself schedules the first repeat one interval
  // later; each tick message at or past the schedule moves it on by one
  // interval and, in states 2 and 4, sends 28 again.
  bool HandleEvent(uint32_t code, uint32_t value1, uint32_t value2) override;

  void SetEnteredRepeatInterval(uint32_t ms) { enteredInterval_ = ms; }
  uint32_t GetEnteredRepeatInterval() const { return enteredInterval_; }

 private:
  uint32_t enteredInterval_ = 0;
  uint32_t nextEnteredRepeat_ = 0;
  bool repeating_ = false;
};
