#include "platform/VirtualKeyMap.h"

#include <SDL.h>

#include "platform/Input.h"

namespace platform {

VirtualKeyInfo VirtualKeyFromSdl(int32_t keycode, int32_t scancode) {
  VirtualKeyInfo info;
  if (keycode >= SDLK_a && keycode <= SDLK_z) {
    info.key = static_cast<uint32_t>('A' + (keycode - SDLK_a));
    return info;
  }
  if (keycode >= SDLK_0 && keycode <= SDLK_9) {
    info.key = static_cast<uint32_t>('0' + (keycode - SDLK_0));
    return info;
  }
  const auto sc = static_cast<SDL_Scancode>(scancode);
  if (sc >= SDL_SCANCODE_A && sc <= SDL_SCANCODE_Z) {
    // A layout whose key gives no Latin letter: the key's US letter.
    info.key = static_cast<uint32_t>('A' + (sc - SDL_SCANCODE_A));
    return info;
  }
  if (sc >= SDL_SCANCODE_1 && sc <= SDL_SCANCODE_9) {
    info.key = static_cast<uint32_t>('1' + (sc - SDL_SCANCODE_1));
    return info;
  }
  if (sc >= SDL_SCANCODE_F1 && sc <= SDL_SCANCODE_F12) {
    info.key = kKeyF1 + static_cast<uint32_t>(sc - SDL_SCANCODE_F1);
    return info;
  }
  if (sc >= SDL_SCANCODE_F13 && sc <= SDL_SCANCODE_F24) {
    info.key = 0x7C + static_cast<uint32_t>(sc - SDL_SCANCODE_F13);
    return info;
  }
  if (sc >= SDL_SCANCODE_KP_1 && sc <= SDL_SCANCODE_KP_9) {
    info.key = kKeyNumpad0 + 1 + static_cast<uint32_t>(sc - SDL_SCANCODE_KP_1);
    return info;
  }
  struct Row {
    SDL_Scancode scancode;
    uint32_t key;
    uint32_t sided;
    bool extended;
  };
  static constexpr Row kRows[] = {
      {SDL_SCANCODE_0, '0', 0, false},
      {SDL_SCANCODE_RETURN, kKeyReturn, 0, false},
      {SDL_SCANCODE_KP_ENTER, kKeyReturn, 0, true},
      {SDL_SCANCODE_ESCAPE, kKeyEscape, 0, false},
      {SDL_SCANCODE_BACKSPACE, kKeyBack, 0, false},
      {SDL_SCANCODE_TAB, kKeyTab, 0, false},
      {SDL_SCANCODE_SPACE, kKeySpace, 0, false},
      {SDL_SCANCODE_LSHIFT, kKeyShift, kKeyLeftShift, false},
      {SDL_SCANCODE_RSHIFT, kKeyShift, kKeyRightShift, false},
      {SDL_SCANCODE_LCTRL, kKeyControl, kKeyLeftControl, false},
      {SDL_SCANCODE_RCTRL, kKeyControl, kKeyRightControl, true},
      {SDL_SCANCODE_LALT, kKeyAlt, kKeyLeftAlt, false},
      {SDL_SCANCODE_RALT, kKeyAlt, kKeyRightAlt, true},
      {SDL_SCANCODE_PAUSE, kKeyPause, 0, false},
      {SDL_SCANCODE_CAPSLOCK, kKeyCapsLock, 0, false},
      {SDL_SCANCODE_PAGEUP, kKeyPageUp, 0, true},
      {SDL_SCANCODE_PAGEDOWN, kKeyPageDown, 0, true},
      {SDL_SCANCODE_END, kKeyEnd, 0, true},
      {SDL_SCANCODE_HOME, kKeyHome, 0, true},
      {SDL_SCANCODE_LEFT, kKeyLeft, 0, true},
      {SDL_SCANCODE_UP, kKeyUp, 0, true},
      {SDL_SCANCODE_RIGHT, kKeyRight, 0, true},
      {SDL_SCANCODE_DOWN, kKeyDown, 0, true},
      {SDL_SCANCODE_PRINTSCREEN, kKeyPrintScreen, 0, true},
      {SDL_SCANCODE_INSERT, kKeyInsert, 0, true},
      {SDL_SCANCODE_DELETE, kKeyDelete, 0, true},
      {SDL_SCANCODE_LGUI, kKeyLeftWindows, 0, true},
      {SDL_SCANCODE_RGUI, kKeyRightWindows, 0, true},
      {SDL_SCANCODE_APPLICATION, kKeyApplications, 0, true},
      {SDL_SCANCODE_KP_0, kKeyNumpad0, 0, false},
      {SDL_SCANCODE_KP_MULTIPLY, kKeyMultiply, 0, false},
      {SDL_SCANCODE_KP_PLUS, kKeyAdd, 0, false},
      {SDL_SCANCODE_KP_MINUS, kKeySubtract, 0, false},
      {SDL_SCANCODE_KP_PERIOD, kKeyDecimal, 0, false},
      {SDL_SCANCODE_KP_DIVIDE, kKeyDivide, 0, true},
      {SDL_SCANCODE_NUMLOCKCLEAR, kKeyNumLock, 0, true},
      {SDL_SCANCODE_SCROLLLOCK, kKeyScrollLock, 0, false},
      {SDL_SCANCODE_SEMICOLON, 0xBA, 0, false},
      {SDL_SCANCODE_EQUALS, 0xBB, 0, false},
      {SDL_SCANCODE_COMMA, 0xBC, 0, false},
      {SDL_SCANCODE_MINUS, 0xBD, 0, false},
      {SDL_SCANCODE_PERIOD, 0xBE, 0, false},
      {SDL_SCANCODE_SLASH, 0xBF, 0, false},
      {SDL_SCANCODE_GRAVE, 0xC0, 0, false},
      {SDL_SCANCODE_LEFTBRACKET, 0xDB, 0, false},
      {SDL_SCANCODE_BACKSLASH, 0xDC, 0, false},
      {SDL_SCANCODE_RIGHTBRACKET, 0xDD, 0, false},
      {SDL_SCANCODE_APOSTROPHE, 0xDE, 0, false},
      {SDL_SCANCODE_NONUSBACKSLASH, 0xE2, 0, false},
  };
  for (const Row& r : kRows) {
    if (r.scancode == sc) {
      info.key = r.key;
      info.sidedKey = r.sided;
      info.extended = r.extended;
      return info;
    }
  }
  return info;
}

}  // namespace platform
