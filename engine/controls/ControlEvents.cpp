#include "engine/controls/ControlEvents.h"

#include "engine/app/MessagePointer.h"
#include "engine/app/VControl.h"

bool SendControlEvent(VControl& control, uint32_t code, uint32_t value) {
  VEventHandler* handler = control.GetEventHandler();
  ScopedMessagePointer sender(handler);
  return handler->DispatchUpward(code, value, sender.GetValue());
}

bool SendControlEvent(VControl& control, uint32_t code) {
  return SendControlEvent(control, code, static_cast<uint32_t>(control.GetId()));
}
