// The event records that mouse and key messages become before they travel
// through the object tree, and the program-wide click counting. Records are
// plain values; user-interface thread only.
#pragma once

#include <cstdint>

#include "engine/core/VGeometry.h"

// Modifier bits: Ctrl 1, Alt 2 and 4, Shift 8 and 16.
constexpr uint16_t kModifierControl = 1;
constexpr uint16_t kModifierAlt = 6;
constexpr uint16_t kModifierShift = 24;

// Button bits of a mouse event.
constexpr uint16_t kButtonLeft = 1;
constexpr uint16_t kButtonMiddle = 2;
constexpr uint16_t kButtonRight = 4;

class VEvent {
 public:
  VEvent() = default;
  VEvent(const VEvent& other) = default;
  VEvent& operator=(const VEvent& other) = default;
  // From the flags of a mouse message: Shift gives 24, Control gives 1.
  explicit VEvent(uint32_t messageFlags);

  bool IsShiftDown() const { return (modifiers & kModifierShift) != 0; }
  bool IsControlDown() const { return (modifiers & kModifierControl) != 0; }
  bool IsAltDown() const { return (modifiers & kModifierAlt) != 0; }

  uint16_t modifiers = 0;
};

class VMouseEvent : public VEvent {
 public:
  // From a mouse message: its flags and its point (x in the low 16 bits, y
  // in the high 16 bits, each signed). Counts clicks against the time of
  // the message being processed and notes the buttons as the last ones.
  VMouseEvent(uint32_t messageFlags, uint32_t packedPoint);
  // A synthesised event: the point, the buttons and the modifiers of the
  // record. Notes the buttons as the last ones; clicks are not counted.
  VMouseEvent(const VPoint& point, uint16_t buttonBits, const VEvent& modifierRecord);
  // The same with the modifier bits given directly; the second value is
  // accepted for callers and not kept.
  VMouseEvent(const VPoint& point, int32_t unused, uint16_t buttonBits, uint16_t modifierBits);

  VPoint GetPoint() const { return VPoint(x, y); }
  bool IsLeftButtonDown() const { return (buttons & kButtonLeft) != 0; }
  bool IsMiddleButtonDown() const { return (buttons & kButtonMiddle) != 0; }
  bool IsRightButtonDown() const { return (buttons & kButtonRight) != 0; }
  bool IsInside(const VRect& rect) const { return rect.ContainsPoint(GetPoint()); }

  int32_t x = 0;
  int32_t y = 0;
  uint16_t buttons = 0;
};

class VKeyEvent : public VEvent {
 public:
  // A character 0 is replaced by the key's unshifted character; the
  // modifiers are those of the Shift, Alt and Ctrl keys held as the key
  // state reads (for a message being handled: when its event happened).
  VKeyEvent(uint8_t character, uint32_t virtualKey);

  uint8_t character = 0;
  uint32_t virtualKey = 0;
};

// Program-wide input state.
uint16_t GetLastMouseButtons();
// 1 for a single click, 2 for a double click, 3 for a triple click...
int32_t GetClickCount();
// Forgets the buttons, the press and the click count (start-up and tests).
void ResetMouseInputState();
