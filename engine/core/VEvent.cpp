#include "engine/core/VEvent.h"

#include "platform/Input.h"

namespace {

uint16_t gLastButtons = 0;
bool gPressed = false;
uint32_t gLastReleaseTime = 0;
int32_t gClickCount = 0;

uint16_t ModifiersFromFlags(uint32_t flags) {
  uint16_t m = 0;
  if (flags & platform::kMouseFlagShift) {
    m |= kModifierShift;
  }
  if (flags & platform::kMouseFlagControl) {
    m |= kModifierControl;
  }
  return m;
}

// Counts a press against the time of the message being processed: a press
// within the double-click time of the last release adds a click.
void CountClicks(uint16_t buttons) {
  uint32_t now = platform::GetMessageTime();
  if (buttons != 0) {
    if (!gPressed) {
      if (now - gLastReleaseTime > platform::GetDoubleClickTime()) {
        gClickCount = 1;
      } else {
        ++gClickCount;
      }
      gPressed = true;
    }
  } else if (gPressed) {
    gPressed = false;
    gLastReleaseTime = now;
  }
}

// A key is held when any of the bits 1 to 7 of its state is set (the toggle
// bit alone does not count).
bool KeyHeld(uint32_t key) { return (static_cast<uint16_t>(platform::GetKeyState(key)) & 0xFE) != 0; }

}  // namespace

VEvent::VEvent(uint32_t messageFlags) : modifiers(ModifiersFromFlags(messageFlags)) {}

VMouseEvent::VMouseEvent(uint32_t messageFlags, uint32_t packedPoint)
    : VEvent(messageFlags),
      x(static_cast<int16_t>(packedPoint & 0xFFFF)),
      y(static_cast<int16_t>(packedPoint >> 16)) {
  if (messageFlags & platform::kMouseFlagLeftButton) {
    buttons |= kButtonLeft;
  }
  if (messageFlags & platform::kMouseFlagMiddleButton) {
    buttons |= kButtonMiddle;
  }
  if (messageFlags & platform::kMouseFlagRightButton) {
    buttons |= kButtonRight;
  }
  CountClicks(buttons);
  gLastButtons = buttons;
}

VMouseEvent::VMouseEvent(const VPoint& point, uint16_t buttonBits, const VEvent& modifierRecord)
    : VEvent(modifierRecord), x(point.x), y(point.y), buttons(buttonBits) {
  gLastButtons = buttons;
}

VMouseEvent::VMouseEvent(const VPoint& point, int32_t, uint16_t buttonBits, uint16_t modifierBits)
    : x(point.x), y(point.y), buttons(buttonBits) {
  modifiers = modifierBits;
  gLastButtons = buttons;
}

VKeyEvent::VKeyEvent(uint8_t ch, uint32_t key) : character(ch), virtualKey(key) {
  if (character == 0) {
    character = platform::MapVirtualKeyToChar(key);
  }
  if (KeyHeld(platform::kKeyShift)) {
    modifiers |= kModifierShift;
  }
  if (KeyHeld(platform::kKeyAlt)) {
    modifiers |= kModifierAlt;
  }
  if (KeyHeld(platform::kKeyControl)) {
    modifiers |= kModifierControl;
  }
}

uint16_t GetLastMouseButtons() { return gLastButtons; }
int32_t GetClickCount() { return gClickCount; }

void ResetMouseInputState() {
  gLastButtons = 0;
  gPressed = false;
  gLastReleaseTime = 0;
  gClickCount = 0;
}
