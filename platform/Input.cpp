#include "platform/Input.h"

namespace platform {
namespace {

constexpr uint32_t kKeyCount = 256;

KeyStateTable gKeys{};
uint32_t gDoubleClickTime = 500;
uint32_t gMessageTime = 0;
ScreenPoint gCursor{};
ScreenToClientHook gScreenToClient = nullptr;

}  // namespace

int16_t GetKeyState(uint32_t virtualKey) {
  if (virtualKey >= kKeyCount) {
    return 0;
  }
  const uint16_t state = (gKeys.down[virtualKey] ? 0xFF80u : 0u) | (gKeys.toggled[virtualKey] ? 1u : 0u);
  return static_cast<int16_t>(state);
}

void SetKeyDown(uint32_t virtualKey, bool down) {
  if (virtualKey < kKeyCount) {
    gKeys.down[virtualKey] = down;
  }
}

void SetKeyToggled(uint32_t virtualKey, bool toggled) {
  if (virtualKey < kKeyCount) {
    gKeys.toggled[virtualKey] = toggled;
  }
}

void ResetKeyStates() { gKeys = KeyStateTable{}; }

KeyStateTable GetKeyStateTable() { return gKeys; }
void SetKeyStateTable(const KeyStateTable& table) { gKeys = table; }

uint8_t MapVirtualKeyToChar(uint32_t vk) {
  if ((vk >= '0' && vk <= '9') || (vk >= 'A' && vk <= 'Z')) {
    return static_cast<uint8_t>(vk);
  }
  if (vk >= 0x60 && vk <= 0x69) {  // keypad digits
    return static_cast<uint8_t>('0' + (vk - 0x60));
  }
  switch (vk) {
    case kKeyBack:
    case kKeyTab:
    case kKeyReturn:
    case kKeyEscape:
    case kKeySpace:
      return static_cast<uint8_t>(vk);
    case 0x6A: return '*';
    case 0x6B: return '+';
    case 0x6D: return '-';
    case 0x6E: return '.';
    case 0x6F: return '/';
    case 0xBA: return ';';
    case 0xBB: return '=';
    case 0xBC: return ',';
    case 0xBD: return '-';
    case 0xBE: return '.';
    case 0xBF: return '/';
    case 0xC0: return '`';
    case 0xDB: return '[';
    case 0xDC: return '\\';
    case 0xDD: return ']';
    case 0xDE: return '\'';
    default: return 0;
  }
}

uint32_t GetDoubleClickTime() { return gDoubleClickTime; }
void SetDoubleClickTime(uint32_t milliseconds) { gDoubleClickTime = milliseconds; }

uint32_t GetMessageTime() { return gMessageTime; }
void SetMessageTime(uint32_t ticks) { gMessageTime = ticks; }

ScreenPoint GetCursorScreenPosition() { return gCursor; }
void SetCursorScreenPosition(int32_t x, int32_t y) { gCursor = ScreenPoint{x, y}; }

ScreenToClientHook SetScreenToClientHook(ScreenToClientHook hook) {
  ScreenToClientHook previous = gScreenToClient;
  gScreenToClient = hook;
  return previous;
}

void ScreenToClient(void* window, ScreenPoint& point) {
  if (window != nullptr && gScreenToClient != nullptr) {
    gScreenToClient(window, point);
  }
}

}  // namespace platform
