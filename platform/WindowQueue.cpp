#include "platform/WindowQueue.h"

#include <SDL.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <deque>
#include <mutex>

#include "platform/Clock.h"
#include "platform/Codepage1252.h"
#include "platform/VirtualKeyMap.h"
#include "platform/Window.h"
#include "platform/WindowSystemInternal.h"

namespace platform {
namespace {

std::mutex g_mutex;
std::condition_variable g_posted;
std::deque<Message> g_queue;
std::atomic<bool> g_sdl{false};
std::atomic<uint32_t> g_wakeEvent{0};

// Input state of the translation (user-interface thread).
uint32_t g_buttons = 0;        // the mouse-flag bits of the buttons held
uint32_t g_lastKeyFlags = 0;   // key flags of the last key press, for the characters it types
bool g_appActive = false;

void Enqueue(const Message& m) {
  {
    std::lock_guard<std::mutex> lock(g_mutex);
    g_queue.push_back(m);
  }
  g_posted.notify_all();
}

Message MakeMessage(WindowHandle window, uint32_t code, uintptr_t wParam, intptr_t lParam) {
  Message m;
  m.window = window;
  m.message = code;
  m.wParam = wParam;
  m.lParam = lParam;
  m.time = TickCount();
  m.point = GetCursorScreenPosition();
  return m;
}

bool KeyDown(uint32_t key) { return GetKeyState(key) < 0; }

uint32_t ModifierFlags() {
  uint32_t flags = g_buttons;
  if (KeyDown(kKeyShift)) flags |= kMouseFlagShift;
  if (KeyDown(kKeyControl)) flags |= kMouseFlagControl;
  return flags;
}

Window* KeyTarget() {
  Window* w = Window::FromHandle(GetFocus());
  if (w == nullptr) {
    w = Window::GetPrimary();
  }
  return w;
}

void MouseMessage(uint32_t code, uint32_t sdlWindowId, int32_t x, int32_t y) {
  Window* source = Window::FromSdlWindowId(sdlWindowId);
  if (source == nullptr) {
    source = Window::GetPrimary();
  }
  if (source == nullptr) {
    return;
  }
  const Point client = source->MapFromSdlWindow(x, y);
  const Rect sb = source->GetBounds();
  const ScreenPoint screen{client.x + sb.left, client.y + sb.top};
  SetCursorScreenPosition(screen.x, screen.y);
  Window* target = Window::FromHandle(GetCapture());
  if (target == nullptr) {
    target = source;
    if (!target->IsEnabled()) {
      return;
    }
  }
  const Rect tb = target->GetBounds();
  Message m = MakeMessage(target->GetHandle(), code, ModifierFlags(),
                          MakePointParam(screen.x - tb.left, screen.y - tb.top));
  m.point = screen;
  Enqueue(m);
}

void ButtonMessage(const SDL_MouseButtonEvent& b, bool down) {
  uint32_t bit = 0;
  uint32_t key = 0;
  uint32_t code = 0;
  switch (b.button) {
    case SDL_BUTTON_LEFT:
      bit = kMouseFlagLeftButton;
      key = kKeyMouseLeft;
      code = down ? kMsgLButtonDown : kMsgLButtonUp;
      break;
    case SDL_BUTTON_RIGHT:
      bit = kMouseFlagRightButton;
      key = kKeyMouseRight;
      code = down ? kMsgRButtonDown : kMsgRButtonUp;
      break;
    case SDL_BUTTON_MIDDLE:
      bit = kMouseFlagMiddleButton;
      key = kKeyMouseMiddle;
      code = down ? kMsgMButtonDown : kMsgMButtonUp;
      break;
    default:
      return;
  }
  if (down) {
    g_buttons |= bit;
  } else {
    g_buttons &= ~bit;
  }
  SetKeyDown(key, down);
  MouseMessage(code, b.windowID, b.x, b.y);
}

void KeyMessage(const SDL_KeyboardEvent& k, bool down) {
  const VirtualKeyInfo vk = VirtualKeyFromSdl(k.keysym.sym, k.keysym.scancode);
  if (vk.key == 0) {
    return;
  }
  const bool wasDown = KeyDown(vk.key);
  if (vk.sidedKey != 0) {
    SetKeyDown(vk.sidedKey, down);
    const uint32_t other = (vk.sidedKey & 1u) ? vk.sidedKey - 1 : vk.sidedKey + 1;
    SetKeyDown(vk.key, down || KeyDown(other));
  } else {
    SetKeyDown(vk.key, down);
  }
  SetKeyToggled(kKeyCapsLock, (k.keysym.mod & KMOD_CAPS) != 0);
  SetKeyToggled(kKeyNumLock, (k.keysym.mod & KMOD_NUM) != 0);

  const bool control = KeyDown(kKeyControl);
  // The Alt key's own release still counts as a key with Alt held.
  const bool alt = KeyDown(kKeyAlt) || (!down && vk.key == kKeyAlt);
  const bool system = !control && (alt || vk.key == kKeyF10);
  uint32_t flags = (vk.extended ? kKeyFlagExtended : 0u) | (alt ? kKeyFlagAltDown : 0u);
  if (down) {
    if (k.repeat != 0 || wasDown) {
      flags |= kKeyFlagRepeat;
    }
  } else {
    flags |= kKeyFlagRepeat | kKeyFlagUp;
  }
  Window* target = KeyTarget();
  if (target == nullptr || !target->IsEnabled()) {
    return;
  }
  const uint32_t code = down ? (system ? kMsgSysKeyDown : kMsgKeyDown) : (system ? kMsgSysKeyUp : kMsgKeyUp);
  Enqueue(MakeMessage(target->GetHandle(), code, vk.key, MakeKeyParam(flags)));
  if (!down) {
    return;
  }
  g_lastKeyFlags = flags;
  // Characters of keys that SDL's text input leaves out.
  uint8_t c = 0;
  if (!alt || control) {
    if (vk.key == kKeyReturn || vk.key == kKeyEscape || vk.key == kKeyBack || vk.key == kKeyTab) {
      c = static_cast<uint8_t>(vk.key);
    } else if (control && !alt && vk.key >= 'A' && vk.key <= 'Z') {
      c = static_cast<uint8_t>(vk.key - 'A' + 1);
    }
  }
  if (c != 0) {
    Enqueue(MakeMessage(target->GetHandle(), kMsgChar, c, MakeKeyParam(flags)));
  }
}

void TextMessage(const SDL_TextInputEvent& t) {
  // Left Alt with a key makes a system command, not text (AltGr types text).
  if (KeyDown(kKeyLeftAlt) && !KeyDown(kKeyControl)) {
    return;
  }
  Window* target = KeyTarget();
  if (target == nullptr || !target->IsEnabled()) {
    return;
  }
  const std::string text = Utf8ToCp1252(t.text, '?');
  for (char ch : text) {
    const auto c = static_cast<uint8_t>(ch);
    if (c < 0x20 || c == 0x7F) {
      continue;  // control characters come from their keys
    }
    Enqueue(MakeMessage(target->GetHandle(), kMsgChar, c, MakeKeyParam(g_lastKeyFlags & ~kKeyFlagUp)));
  }
}

void ReleaseHeldInput() {
  for (uint32_t key = 0; key < 256; ++key) {
    SetKeyDown(key, false);
  }
  g_buttons = 0;
}

void WindowEvent(const SDL_WindowEvent& e) {
  Window* w = Window::FromSdlWindowId(e.windowID);
  if (w == nullptr) {
    return;
  }
  switch (e.event) {
    case SDL_WINDOWEVENT_SHOWN:
    case SDL_WINDOWEVENT_EXPOSED:
    case SDL_WINDOWEVENT_RESTORED:
    case SDL_WINDOWEVENT_MAXIMIZED:
    case SDL_WINDOWEVENT_SIZE_CHANGED:
      w->Invalidate(nullptr);
      break;
    case SDL_WINDOWEVENT_FOCUS_GAINED: {
      if (!g_appActive) {
        g_appActive = true;
        Window::ForEach([](Window& each) { Enqueue(MakeMessage(each.GetHandle(), kMsgActivateApp, 1, 0)); });
      }
      Enqueue(MakeMessage(w->GetHandle(), kMsgActivate, 1, 0));
      Window* focus = KeyTarget();
      Enqueue(MakeMessage(focus != nullptr ? focus->GetHandle() : w->GetHandle(), kMsgSetFocus, 0, 0));
      break;
    }
    case SDL_WINDOWEVENT_FOCUS_LOST: {
      Enqueue(MakeMessage(w->GetHandle(), kMsgActivate, 0, 0));
      if (g_appActive) {
        g_appActive = false;
        Window::ForEach([](Window& each) { Enqueue(MakeMessage(each.GetHandle(), kMsgActivateApp, 0, 0)); });
      }
      Window* focus = KeyTarget();
      Enqueue(MakeMessage(focus != nullptr ? focus->GetHandle() : w->GetHandle(), kMsgKillFocus, 0, 0));
      // Keys and buttons released while another program has the input never
      // reach us: count them as released now.
      ReleaseHeldInput();
      break;
    }
    case SDL_WINDOWEVENT_CLOSE:
      Enqueue(MakeMessage(w->GetHandle(), kMsgClose, 0, 0));
      break;
    default:
      break;
  }
}

void Translate(const SDL_Event& e) {
  switch (e.type) {
    case SDL_MOUSEMOTION:
      MouseMessage(kMsgMouseMove, e.motion.windowID, e.motion.x, e.motion.y);
      break;
    case SDL_MOUSEBUTTONDOWN:
      ButtonMessage(e.button, true);
      break;
    case SDL_MOUSEBUTTONUP:
      ButtonMessage(e.button, false);
      break;
    case SDL_KEYDOWN:
      KeyMessage(e.key, true);
      break;
    case SDL_KEYUP:
      KeyMessage(e.key, false);
      break;
    case SDL_TEXTINPUT:
      TextMessage(e.text);
      break;
    case SDL_WINDOWEVENT:
      WindowEvent(e.window);
      break;
    case SDL_QUIT:
      // An interrupt from the terminal or the session: ask the window to close.
      if (Window* primary = Window::GetPrimary()) {
        Enqueue(MakeMessage(primary->GetHandle(), kMsgClose, 0, 0));
      }
      break;
    default:
      break;  // wake-ups and everything the engine does not use
  }
}

void PumpSdl() {
  if (!g_sdl.load()) {
    return;
  }
  SDL_PumpEvents();
  SDL_Event events[64];
  int n = 0;
  while ((n = SDL_PeepEvents(events, 64, SDL_GETEVENT, SDL_FIRSTEVENT, SDL_LASTEVENT)) > 0) {
    for (int i = 0; i < n; ++i) {
      Translate(events[i]);
    }
  }
}

void CarryOutRaise(const Message& m) {
  Window* w = Window::FromHandle(m.window);
  if (w == nullptr) {
    w = Window::GetPrimary();
  }
  if (w != nullptr) {
    w->Raise();
  }
}

}  // namespace

namespace internal {

void SetSdlQueueEnabled(bool enabled) {
  if (enabled && g_wakeEvent.load() == 0) {
    const Uint32 type = SDL_RegisterEvents(1);
    if (type != static_cast<Uint32>(-1)) {
      g_wakeEvent.store(type);
    }
  }
  g_sdl.store(enabled);
}

void ForgetWindow(uint32_t handle) {
  std::lock_guard<std::mutex> lock(g_mutex);
  for (auto it = g_queue.begin(); it != g_queue.end();) {
    if (it->window == handle) {
      it = g_queue.erase(it);
    } else {
      ++it;
    }
  }
}

}  // namespace internal

bool PostMessage(WindowHandle window, uint32_t message, uintptr_t wParam, intptr_t lParam) {
  if (window != 0 && !Window::IsWindow(window)) {
    return false;
  }
  Enqueue(MakeMessage(window, message, wParam, lParam));
  if (g_sdl.load() && g_wakeEvent.load() != 0) {
    SDL_Event wake{};
    wake.type = g_wakeEvent.load();
    SDL_PushEvent(&wake);  // ends a wait in SDL_WaitEventTimeout
  }
  return true;
}

void PostQuitMessage(int32_t exitCode) {
  PostMessage(0, kMsgQuit, static_cast<uintptr_t>(static_cast<uint32_t>(exitCode)), 0);
}

bool PeekMessage(Message& out, bool remove) {
  PumpSdl();
  std::unique_lock<std::mutex> lock(g_mutex);
  while (!g_queue.empty()) {
    if (g_queue.front().message == internal::kMsgRaiseRequest) {
      const Message raise = g_queue.front();
      g_queue.pop_front();
      lock.unlock();
      CarryOutRaise(raise);
      lock.lock();
      continue;
    }
    out = g_queue.front();
    if (remove) {
      g_queue.pop_front();
      SetMessageTime(out.time);
    }
    return true;
  }
  lock.unlock();
  Window* painted = nullptr;
  Window::ForEach([&](Window& w) {
    if (painted == nullptr && w.IsVisible() && w.HasUpdateRegion()) {
      painted = &w;
    }
  });
  if (painted == nullptr) {
    return false;
  }
  out = MakeMessage(painted->GetHandle(), kMsgPaint, 0, 0);
  if (remove) {
    SetMessageTime(out.time);
  }
  return true;
}

namespace {

// Whether SDL_WaitEventTimeout really sleeps: the driver must wait on its
// input and have a window to wake; elsewhere SDL polls every millisecond.
bool SdlWaitBlocks() {
  const char* driver = SDL_GetCurrentVideoDriver();
  if (driver == nullptr) {
    return false;
  }
  const bool blocking = std::strcmp(driver, "x11") == 0 || std::strcmp(driver, "wayland") == 0;
  return blocking && Window::GetPrimary() != nullptr;
}

}  // namespace

bool WaitForMessage(uint32_t timeoutMilliseconds) {
  return WaitForMessageMicroseconds(static_cast<uint64_t>(timeoutMilliseconds) * 1000u);
}

bool WaitForMessageMicroseconds(uint64_t timeoutMicroseconds) {
  using Clock = std::chrono::steady_clock;
  constexpr int64_t kSdlLookMicroseconds = 100000;
  const bool forever = timeoutMicroseconds == kWaitForever;
  // A wait beyond a day is as good as forever and keeps the sums in range.
  const auto timeout = static_cast<int64_t>(std::min<uint64_t>(timeoutMicroseconds, 86400000000ull));
  const Clock::time_point deadline = Clock::now() + std::chrono::microseconds(timeout);
  for (;;) {
    Message m;
    if (PeekMessage(m, false)) {
      return true;
    }
    int64_t remaining = std::chrono::duration_cast<std::chrono::microseconds>(deadline - Clock::now()).count();
    if (forever) {
      remaining = 1000000;  // in slices of a second
    } else if (remaining <= 0) {
      return false;
    }
    if (g_sdl.load() && SdlWaitBlocks() && remaining >= 1000) {
      // Whole milliseconds in SDL (a posted message pushes an event that
      // ends the wait); what is left below one goes to the signal wait.
      SDL_WaitEventTimeout(nullptr, static_cast<int>(std::min<int64_t>(remaining / 1000, 1000)));
      continue;
    }
    if (g_sdl.load()) {
      remaining = std::min(remaining, kSdlLookMicroseconds);
    }
    std::unique_lock<std::mutex> lock(g_mutex);
    g_posted.wait_for(lock, std::chrono::microseconds(remaining), [] { return !g_queue.empty(); });
  }
}

bool GetMessage(Message& out) {
  while (!PeekMessage(out, true)) {
    WaitForMessage(1000);
  }
  return out.message != kMsgQuit;
}

intptr_t DispatchMessage(const Message& message) {
  Window* w = Window::FromHandle(message.window);
  if (w == nullptr) {
    return 0;
  }
  const intptr_t result = w->GetProcedure() ? w->GetProcedure()(*w, message) : DefaultWindowProcedure(message);
  if (message.message == kMsgPaint) {
    if (Window* again = Window::FromHandle(message.window)) {
      again->Validate(nullptr);
    }
  }
  return result;
}

intptr_t DefaultWindowProcedure(const Message& message) {
  switch (message.message) {
    case kMsgSysKeyDown:
      if (message.wParam == kKeyF4 && (KeyFlagsOf(message.lParam) & kKeyFlagAltDown) != 0) {
        PostMessage(message.window, kMsgSysCommand, kSysCommandClose, 0);
      }
      return 0;
    case kMsgSysCommand: {
      Window* w = Window::FromHandle(message.window);
      switch (message.wParam & 0xFFF0) {
        case kSysCommandClose:
          PostMessage(message.window, kMsgClose, 0, 0);
          break;
        case kSysCommandMinimize:
          if (w != nullptr) w->Minimize();
          break;
        case kSysCommandRestore:
          if (w != nullptr) w->Restore();
          break;
        default:
          break;  // the screen saver follows SetScreenSaverAllowed
      }
      return 0;
    }
    default:
      return 0;
  }
}

size_t CountQueuedMessages() {
  std::lock_guard<std::mutex> lock(g_mutex);
  return g_queue.size();
}

void ResetMessageQueue() {
  PumpSdl();
  {
    std::lock_guard<std::mutex> lock(g_mutex);
    g_queue.clear();
  }
  g_buttons = 0;
  g_lastKeyFlags = 0;
  g_appActive = false;
  ResetKeyStates();
}

}  // namespace platform
