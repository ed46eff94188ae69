// Keyboard and mouse state of the platform layer: the key state table, the
// key-to-character table, the double-click time, the time stamp of the
// message being processed and the pointer position. The window layer feeds
// these as its events arrive; tests set them directly. User-interface thread.
#pragma once

#include <bitset>
#include <cstdint>

namespace platform {

// Virtual-key codes the engine names.
enum VirtualKey : uint32_t {
  kKeyBack = 0x08,
  kKeyTab = 0x09,
  kKeyReturn = 0x0D,
  kKeyShift = 0x10,
  kKeyControl = 0x11,
  kKeyAlt = 0x12,
  kKeyEscape = 0x1B,
  kKeySpace = 0x20,
};

// Flags that come with a mouse message: the buttons and modifier keys held.
enum MouseMessageFlags : uint32_t {
  kMouseFlagLeftButton = 0x01,
  kMouseFlagRightButton = 0x02,
  kMouseFlagShift = 0x04,
  kMouseFlagControl = 0x08,
  kMouseFlagMiddleButton = 0x10,
};

// The state of a key: 0xFF80 (negative) while it is down, bit 0 while its
// toggle is on (Caps Lock style), 0 otherwise. Unknown keys (code 256 and
// above) are never down.
int16_t GetKeyState(uint32_t virtualKey);
void SetKeyDown(uint32_t virtualKey, bool down);
void SetKeyToggled(uint32_t virtualKey, bool toggled);
// Every key up and untoggled.
void ResetKeyStates();

// The whole table at once. The window layer keeps its own table as input
// events arrive and queues a copy with each input message; retrieving the
// message installs that copy, so that while a message is handled
// GetKeyState answers as things stood when its event happened, not as they
// stand after the events that came after it.
struct KeyStateTable {
  std::bitset<256> down;
  std::bitset<256> toggled;
};
KeyStateTable GetKeyStateTable();
void SetKeyStateTable(const KeyStateTable& table);

// The unshifted character of a virtual key (letters give 'A'..'Z', digits,
// space, the keypad and the punctuation keys of the US layout); 0 for keys
// without a character.
uint8_t MapVirtualKeyToChar(uint32_t virtualKey);

// Milliseconds within which a second press counts as a double click (500).
uint32_t GetDoubleClickTime();
void SetDoubleClickTime(uint32_t milliseconds);

// The tick-count time stamp of the window message being processed.
uint32_t GetMessageTime();
void SetMessageTime(uint32_t ticks);

// The pointer position in screen coordinates.
struct ScreenPoint {
  int32_t x = 0;
  int32_t y = 0;
};
ScreenPoint GetCursorScreenPosition();
void SetCursorScreenPosition(int32_t x, int32_t y);

// Converts a screen point into the client coordinates of a window (an
// opaque handle of the window layer). The window layer installs the
// conversion; without one, or for a null window, the point is unchanged.
using ScreenToClientHook = void (*)(void* window, ScreenPoint& point);
ScreenToClientHook SetScreenToClientHook(ScreenToClientHook hook);  // returns the previous one
void ScreenToClient(void* window, ScreenPoint& point);

}  // namespace platform
