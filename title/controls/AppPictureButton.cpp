#include "title/controls/AppPictureButton.h"

#include "engine/app/MessagePointer.h"
#include "platform/Clock.h"

bool AppPictureButton::HandleEvent(uint32_t code, uint32_t value1, uint32_t value2) {
  if (code == kEventButtonEntered && !repeating_ && MessagePointerAs<VEventHandler>(value2) == GetEventHandler()) {
    if (enteredInterval_ != 0) nextEnteredRepeat_ = platform::TickCount() + enteredInterval_;
    return false;
  }
  if (code == kMessageTick && enteredInterval_ != 0 && nextEnteredRepeat_ != 0 &&
      static_cast<int32_t>(value1 - nextEnteredRepeat_) >= 0) {
    nextEnteredRepeat_ += enteredInterval_;
    const int32_t state = GetButtonState();
    if (state == 2 || state == 4) {
      const ControlLife::Watch watch = life_.MakeWatch();
      repeating_ = true;
      SendControlEvent(*this, kEventButtonEntered);
      if (!watch.Alive()) return false;
      repeating_ = false;
    }
  }
  return VPictureButton::HandleEvent(code, value1, value2);
}
