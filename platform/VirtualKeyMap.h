// SDL key codes turned into the virtual-key codes the engine knows (letters
// 'A'..'Z', digits '0'..'9', F1 = 0x70 ..., the US positions of punctuation).
#pragma once

#include <cstdint>

namespace platform {

// Virtual keys beyond those named in platform/Input.h.
enum ExtraVirtualKey : uint32_t {
  kKeyPause = 0x13,
  kKeyCapsLock = 0x14,
  kKeyPageUp = 0x21,
  kKeyPageDown = 0x22,
  kKeyEnd = 0x23,
  kKeyHome = 0x24,
  kKeyLeft = 0x25,
  kKeyUp = 0x26,
  kKeyRight = 0x27,
  kKeyDown = 0x28,
  kKeyPrintScreen = 0x2C,
  kKeyInsert = 0x2D,
  kKeyDelete = 0x2E,
  kKeyLeftWindows = 0x5B,
  kKeyRightWindows = 0x5C,
  kKeyApplications = 0x5D,
  kKeyNumpad0 = 0x60,
  kKeyMultiply = 0x6A,
  kKeyAdd = 0x6B,
  kKeySubtract = 0x6D,
  kKeyDecimal = 0x6E,
  kKeyDivide = 0x6F,
  kKeyF1 = 0x70,
  kKeyF4 = 0x73,
  kKeyF10 = 0x79,
  kKeyF12 = 0x7B,
  kKeyNumLock = 0x90,
  kKeyScrollLock = 0x91,
  kKeyLeftShift = 0xA0,
  kKeyRightShift = 0xA1,
  kKeyLeftControl = 0xA2,
  kKeyRightControl = 0xA3,
  kKeyLeftAlt = 0xA4,
  kKeyRightAlt = 0xA5,
  kKeyMouseLeft = 0x01,
  kKeyMouseRight = 0x02,
  kKeyMouseMiddle = 0x04,
};

struct VirtualKeyInfo {
  uint32_t key = 0;           // 0: no virtual key for this SDL key
  uint32_t sidedKey = 0;      // the left/right variant of Shift, Ctrl and Alt, else 0
  bool extended = false;      // a key of the extended block
};

// The virtual key of an SDL key: letters and digits by the key code (so they
// follow the keyboard layout), everything else by its scan code.
VirtualKeyInfo VirtualKeyFromSdl(int32_t sdlKeycode, int32_t sdlScancode);

}  // namespace platform
