// The control events that engine controls send up their event tree, and the
// one routine that sends them: (code, the sender's control id, the sender's
// event-handler part as a message token).
#pragma once

#include <cstdint>
#include <memory>

class VControl;

enum ControlEventCode : uint32_t {
  kEventDragBegins = 12,
  kEventDraggedOver = 13,
  kEventDropped = 14,
  kEventPointerEntered = 15,   // mouse detector, mask region entered
  kEventPointerLeft = 16,      // mouse detector, mask region left
  kEventPressed = 17,          // picture and mask controls
  kEventReleased = 18,         // picture and mask controls
  kEventButtonPressed = 19,    // picture buttons
  kEventButtonRepeat = 20,     // picture button held with a repeat interval
  kEventButtonClicked = 21,    // picture buttons, animating picture
  kEventEnabled = 26,          // sent down to a button's event children
  kEventDisabled = 27,
  kEventButtonEntered = 28,
  kEventButtonLeft = 29,
  kEventThumbDragged = 30,
  kEventHotspotPressed = 31,
  kEventHotspotReleased = 32,
  kEventLinkActivated = 34,
  kEventItemSelected = 39,
  kEventItemDoubleClicked = 40,
  kEventTransitionStarted = 43,
  kEventTransitionEnded = 44,
  kEventAnimationStarted = 48,
  kEventAnimationTurned = 49,
  kEventAnimationStopped = 50,
  kEventSliderChanged = 52,
};

// Sends (code, value, the control's event part) up the control's event tree
// (the control's own handler first). Returns whether a receiver took it.
bool SendControlEvent(VControl& control, uint32_t code, uint32_t value);
// The same with the control's id as the value.
bool SendControlEvent(VControl& control, uint32_t code);

// Whether an object still exists after a call that may have deleted it (a
// receiver of an event may delete the control that sent it). The owner keeps
// a ControlLife member; code that sends an event takes a Watch first and
// touches nothing of the object once the watch reports it gone.
class ControlLife {
 public:
  ControlLife() : alive_(std::make_shared<bool>(true)) {}
  ~ControlLife() { *alive_ = false; }
  ControlLife(const ControlLife&) = delete;
  ControlLife& operator=(const ControlLife&) = delete;

  class Watch {
   public:
    explicit Watch(const ControlLife& life) : alive_(life.alive_) {}
    bool Alive() const { return *alive_; }

   private:
    std::shared_ptr<bool> alive_;
  };
  Watch MakeWatch() const { return Watch(*this); }

 private:
  std::shared_ptr<bool> alive_;
};
