// Window messages as the engine's windows receive them: the message codes,
// the flags packed into their parameters and the message record itself.
// The codes and bit layouts are those the engine's handlers were written for.
#pragma once

#include <cstdint>

#include "platform/Input.h"

namespace platform {

// Names a window of the window layer; 0 names none (a message to the thread).
using WindowHandle = uint32_t;

enum WindowMessageCode : uint32_t {
  kMsgNull = 0x0000,
  kMsgActivate = 0x0006,     // wParam 1 active, 0 inactive
  kMsgSetFocus = 0x0007,
  kMsgKillFocus = 0x0008,
  kMsgPaint = 0x000F,        // the window's update region is not empty
  kMsgClose = 0x0010,
  kMsgQuit = 0x0012,         // wParam: the exit code
  kMsgActivateApp = 0x001C,  // wParam 1 when the program becomes active, 0 when another does
  kMsgKeyDown = 0x0100,      // wParam virtual key, lParam repeat count | key flags << 16
  kMsgKeyUp = 0x0101,
  kMsgChar = 0x0102,         // wParam the code page 1252 character, lParam as its key's
  kMsgSysKeyDown = 0x0104,   // keys while Alt is held (and F10)
  kMsgSysKeyUp = 0x0105,
  kMsgSysCommand = 0x0112,   // wParam a system command below
  kMsgMouseMove = 0x0200,    // wParam mouse flags (platform/Input.h), lParam the client point
  kMsgLButtonDown = 0x0201,
  kMsgLButtonUp = 0x0202,
  kMsgRButtonDown = 0x0204,
  kMsgRButtonUp = 0x0205,
  kMsgMButtonDown = 0x0207,
  kMsgMButtonUp = 0x0208,
  kMsgMouseWheel = 0x020A,   // wParam mouse flags | the turn << 16 (120 a notch, positive away from the user); lParam the screen point
  kMsgUser = 0x0400,         // first code free for the program's own messages
};

enum SystemCommand : uint32_t {
  kSysCommandMinimize = 0xF020,
  kSysCommandClose = 0xF060,
  kSysCommandRestore = 0xF120,
  kSysCommandScreenSave = 0xF140,
};

// The key flags: bits 16..31 of a key or character message's lParam.
enum KeyMessageFlags : uint32_t {
  kKeyFlagExtended = 0x0100,  // a key of the extended block (arrows, right Ctrl ...)
  kKeyFlagAltDown = 0x2000,   // Alt was held
  kKeyFlagRepeat = 0x4000,    // the key was already down: an automatic repeat (always set on release)
  kKeyFlagUp = 0x8000,        // a release
};

// One message. The point is where the pointer was, in screen coordinates,
// when the message was made; time is its tick count (platform/Clock.h).
struct Message {
  WindowHandle window = 0;
  uint32_t message = kMsgNull;
  uintptr_t wParam = 0;
  intptr_t lParam = 0;
  uint32_t time = 0;
  ScreenPoint point{};
};

// A point packed as mouse messages carry it: x in the low and y in the high
// 16 bits, each a signed 16-bit value (clamped to that range).
inline intptr_t MakePointParam(int32_t x, int32_t y) {
  const auto clamp = [](int32_t v) -> uint16_t {
    if (v < -32768) v = -32768;
    if (v > 32767) v = 32767;
    return static_cast<uint16_t>(static_cast<int16_t>(v));
  };
  return static_cast<intptr_t>(static_cast<uint32_t>(clamp(x)) | (static_cast<uint32_t>(clamp(y)) << 16));
}
inline int16_t PointParamX(intptr_t lParam) { return static_cast<int16_t>(static_cast<uint32_t>(lParam) & 0xFFFF); }
inline int16_t PointParamY(intptr_t lParam) {
  return static_cast<int16_t>((static_cast<uint32_t>(lParam) >> 16) & 0xFFFF);
}

// The key flags of a key or character message.
inline uint32_t KeyFlagsOf(intptr_t lParam) { return (static_cast<uint32_t>(lParam) >> 16) & 0xFFFF; }
inline intptr_t MakeKeyParam(uint32_t flags) { return static_cast<intptr_t>(1u | (flags << 16)); }

}  // namespace platform
