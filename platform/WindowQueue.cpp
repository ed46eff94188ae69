#include "platform/WindowQueue.h"

#include <SDL.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <deque>
#include <mutex>
#include <vector>

#include "platform/Clock.h"
#include "platform/Codepage1252.h"
#include "platform/VirtualKeyMap.h"
#include "platform/Window.h"
#include "platform/WindowSystemInternal.h"
#include "platform/X11EventTime.h"

namespace platform {
namespace {

// A waiting message. Messages made from input carry the key state table as
// it stood just after their event; retrieving one makes that table current.
struct QueuedMessage {
  Message message;
  bool hasKeys = false;
  KeyStateTable keys;
};

std::mutex gMutex;
std::condition_variable gPosted;
std::deque<QueuedMessage> gQueue;
std::atomic<bool> gSdl{false};
std::atomic<uint32_t> gWakeEvent{0};

// Turns the time stamps of another clock (SDL's ticks, the X server's time)
// into tick counts. The offset between the clocks comes from the event that
// was read soonest after it happened: a delay in reading only makes the
// difference larger, so the smallest difference seen is the closest to the
// true one, and no event is dated later than it was read.
class StampClock {
 public:
  void Observe(uint32_t stamp, uint32_t now) {
    const uint32_t difference = now - stamp;
    if (!known_ || static_cast<int32_t>(difference - offset_) < 0) {
      offset_ = difference;
      known_ = true;
    }
  }
  bool Known() const { return known_; }
  uint32_t ToTicks(uint32_t stamp) const { return stamp + offset_; }
  void Reset() { known_ = false; }

 private:
  bool known_ = false;
  uint32_t offset_ = 0;
};

// Input state of the translation (user-interface thread). The key table
// runs ahead of the one GetKeyState answers from: it has seen every event
// translated so far, while the program handles the messages one by one.
uint32_t gButtons = 0;        // the mouse-flag bits of the buttons held
uint32_t gLastKeyFlags = 0;   // key flags of the last key press, for the characters it types
bool gAppActive = false;
KeyStateTable gInputKeys;
StampClock gSdlClock;         // SDL's event time stamps
StampClock gServerClock;      // the X server's time of the input events
bool gEventTimeSet = false;   // while an SDL event is translated: its time
uint32_t gEventTime = 0;

void Enqueue(const QueuedMessage& q) {
  {
    std::lock_guard<std::mutex> lock(gMutex);
    gQueue.push_back(q);
  }
  gPosted.notify_all();
}

void Enqueue(const Message& m) { Enqueue(QueuedMessage{m, false, {}}); }

// A message made from input: it takes the key state as it stands now.
void EnqueueInput(const Message& m) { Enqueue(QueuedMessage{m, true, gInputKeys}); }

Message MakeMessage(WindowHandle window, uint32_t code, uintptr_t wParam, intptr_t lParam) {
  Message m;
  m.window = window;
  m.message = code;
  m.wParam = wParam;
  m.lParam = lParam;
  m.time = gEventTimeSet ? gEventTime : TickCount();
  m.point = GetCursorScreenPosition();
  return m;
}

bool KeyDown(uint32_t key) { return key < gInputKeys.down.size() && gInputKeys.down[key]; }
void SetInputKeyDown(uint32_t key, bool down) {
  if (key < gInputKeys.down.size()) {
    gInputKeys.down[key] = down;
  }
}
void SetInputKeyToggled(uint32_t key, bool toggled) {
  if (key < gInputKeys.toggled.size()) {
    gInputKeys.toggled[key] = toggled;
  }
}

uint32_t ModifierFlags() {
  uint32_t flags = gButtons;
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
  EnqueueInput(m);
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
    gButtons |= bit;
  } else {
    gButtons &= ~bit;
  }
  SetInputKeyDown(key, down);
  MouseMessage(code, b.windowID, b.x, b.y);
}

void WheelMessage(const SDL_MouseWheelEvent& w) {
  if (w.y == 0) return;
  Window* target = Window::FromHandle(GetCapture());
  if (target == nullptr) target = Window::FromSdlWindowId(w.windowID);
  if (target == nullptr) target = Window::GetPrimary();
  if (target == nullptr || !target->IsEnabled()) return;
  const int32_t turn = (w.direction == SDL_MOUSEWHEEL_FLIPPED ? -w.y : w.y) * 120;
  const auto packed = static_cast<uint16_t>(static_cast<int16_t>(std::clamp(turn, -32768, 32767)));
  const ScreenPoint at = GetCursorScreenPosition();
  Message m = MakeMessage(target->GetHandle(), kMsgMouseWheel, ModifierFlags() | (static_cast<uintptr_t>(packed) << 16),
                          MakePointParam(at.x, at.y));
  EnqueueInput(m);
}

void KeyMessage(const SDL_KeyboardEvent& k, bool down) {
  const VirtualKeyInfo vk = VirtualKeyFromSdl(k.keysym.sym, k.keysym.scancode);
  if (vk.key == 0) {
    return;
  }
  const bool wasDown = KeyDown(vk.key);
  if (vk.sidedKey != 0) {
    SetInputKeyDown(vk.sidedKey, down);
    const uint32_t other = (vk.sidedKey & 1u) ? vk.sidedKey - 1 : vk.sidedKey + 1;
    SetInputKeyDown(vk.key, down || KeyDown(other));
  } else {
    SetInputKeyDown(vk.key, down);
  }
  SetInputKeyToggled(kKeyCapsLock, (k.keysym.mod & KMOD_CAPS) != 0);
  SetInputKeyToggled(kKeyNumLock, (k.keysym.mod & KMOD_NUM) != 0);

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
  EnqueueInput(MakeMessage(target->GetHandle(), code, vk.key, MakeKeyParam(flags)));
  if (!down) {
    return;
  }
  gLastKeyFlags = flags;
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
    EnqueueInput(MakeMessage(target->GetHandle(), kMsgChar, c, MakeKeyParam(flags)));
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
    EnqueueInput(MakeMessage(target->GetHandle(), kMsgChar, c, MakeKeyParam(gLastKeyFlags & ~kKeyFlagUp)));
  }
}

void ReleaseHeldInput() {
  gInputKeys.down.reset();
  gButtons = 0;
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
      if (!gAppActive) {
        gAppActive = true;
        Window::ForEach([](Window& each) { EnqueueInput(MakeMessage(each.GetHandle(), kMsgActivateApp, 1, 0)); });
      }
      EnqueueInput(MakeMessage(w->GetHandle(), kMsgActivate, 1, 0));
      Window* focus = KeyTarget();
      EnqueueInput(MakeMessage(focus != nullptr ? focus->GetHandle() : w->GetHandle(), kMsgSetFocus, 0, 0));
      break;
    }
    case SDL_WINDOWEVENT_FOCUS_LOST: {
      // Keys and buttons released while another program has the input never
      // reach us: count them as released from here on.
      ReleaseHeldInput();
      EnqueueInput(MakeMessage(w->GetHandle(), kMsgActivate, 0, 0));
      if (gAppActive) {
        gAppActive = false;
        Window::ForEach([](Window& each) { EnqueueInput(MakeMessage(each.GetHandle(), kMsgActivateApp, 0, 0)); });
      }
      Window* focus = KeyTarget();
      EnqueueInput(MakeMessage(focus != nullptr ? focus->GetHandle() : w->GetHandle(), kMsgKillFocus, 0, 0));
      break;
    }
    case SDL_WINDOWEVENT_CLOSE:
      EnqueueInput(MakeMessage(w->GetHandle(), kMsgClose, 0, 0));
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
    case SDL_MOUSEWHEEL:
      WheelMessage(e.wheel);
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
        EnqueueInput(MakeMessage(primary->GetHandle(), kMsgClose, 0, 0));
      }
      break;
    default:
      break;  // wake-ups and everything the engine does not use
  }
}

bool IsInputEvent(uint32_t type) {
  return type == SDL_MOUSEMOTION || type == SDL_MOUSEBUTTONDOWN || type == SDL_MOUSEBUTTONUP ||
         type == SDL_MOUSEWHEEL || type == SDL_KEYDOWN || type == SDL_KEYUP || type == SDL_TEXTINPUT;
}

// An SDL event as pumped, with the X server's time of the X event when it
// is the window-system message SDL queues ahead of the events made of it.
struct PumpedEvent {
  SDL_Event event;
  bool hasServerTime = false;
  uint32_t serverTime = 0;
};

// Every event SDL holds is taken at once and dated before any is
// translated, so that the clocks' offsets come from the freshest of them.
// An input event is dated by the X server's time of the X event it came
// from where SDL hands that over, else by SDL's stamp (when SDL read it),
// else by now. Events read late, after the program was held up, keep the
// time they happened: clicks are counted by it.
void PumpSdl() {
  if (!gSdl.load()) {
    return;
  }
  SDL_PumpEvents();
  std::vector<PumpedEvent> batch;
  SDL_Event events[64];
  int n = 0;
  while ((n = SDL_PeepEvents(events, 64, SDL_GETEVENT, SDL_FIRSTEVENT, SDL_LASTEVENT)) > 0) {
    for (int i = 0; i < n; ++i) {
      PumpedEvent p;
      p.event = events[i];
      // The message of a window-system event lives only until the next
      // SDL_PeepEvents: read its time now.
      if (events[i].type == SDL_SYSWMEVENT) {
        p.hasServerTime = internal::X11InputEventTime(events[i].syswm.msg, &p.serverTime);
        p.event.syswm.msg = nullptr;
      }
      batch.push_back(p);
    }
  }
  if (batch.empty()) {
    return;
  }
  const uint32_t now = TickCount();
  for (const PumpedEvent& p : batch) {
    if (p.hasServerTime) {
      gServerClock.Observe(p.serverTime, now);
    } else if (IsInputEvent(p.event.type) && p.event.common.timestamp != 0) {
      gSdlClock.Observe(p.event.common.timestamp, now);
    }
  }
  bool serverTimeAhead = false;  // the last X event's time, for the SDL events made of it
  uint32_t serverTime = 0;
  for (const PumpedEvent& p : batch) {
    if (p.event.type == SDL_SYSWMEVENT) {
      serverTimeAhead = p.hasServerTime;
      serverTime = p.serverTime;
      continue;
    }
    gEventTimeSet = IsInputEvent(p.event.type);
    if (serverTimeAhead) {
      gEventTime = gServerClock.ToTicks(serverTime);
    } else if (p.event.common.timestamp != 0 && gSdlClock.Known()) {
      gEventTime = gSdlClock.ToTicks(p.event.common.timestamp);
    } else {
      gEventTime = now;
    }
    Translate(p.event);
    gEventTimeSet = false;
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
  if (enabled && gWakeEvent.load() == 0) {
    const Uint32 type = SDL_RegisterEvents(1);
    if (type != static_cast<Uint32>(-1)) {
      gWakeEvent.store(type);
    }
  }
  if (enabled) {
    // The window-system messages give the X server's time of each input
    // event (see PumpSdl); SDL's clock may start again with the subsystem.
    SDL_EventState(SDL_SYSWMEVENT, SDL_ENABLE);
    gSdlClock.Reset();
    gServerClock.Reset();
  }
  gSdl.store(enabled);
}

void ForgetWindow(uint32_t handle) {
  std::lock_guard<std::mutex> lock(gMutex);
  for (auto it = gQueue.begin(); it != gQueue.end();) {
    if (it->message.window == handle) {
      it = gQueue.erase(it);
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
  if (gSdl.load() && gWakeEvent.load() != 0) {
    SDL_Event wake{};
    wake.type = gWakeEvent.load();
    SDL_PushEvent(&wake);  // ends a wait in SDL_WaitEventTimeout
  }
  return true;
}

void PostQuitMessage(int32_t exitCode) {
  PostMessage(0, kMsgQuit, static_cast<uintptr_t>(static_cast<uint32_t>(exitCode)), 0);
}

bool PeekMessage(Message& out, bool remove) {
  PumpSdl();
  std::unique_lock<std::mutex> lock(gMutex);
  while (!gQueue.empty()) {
    if (gQueue.front().message.message == internal::kMsgRaiseRequest) {
      const Message raise = gQueue.front().message;
      gQueue.pop_front();
      lock.unlock();
      CarryOutRaise(raise);
      lock.lock();
      continue;
    }
    out = gQueue.front().message;
    if (remove) {
      if (gQueue.front().hasKeys) {
        SetKeyStateTable(gQueue.front().keys);
      }
      gQueue.pop_front();
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
    if (gSdl.load() && SdlWaitBlocks() && remaining >= 1000) {
      // Whole milliseconds in SDL (a posted message pushes an event that
      // ends the wait); what is left below one goes to the signal wait.
      SDL_WaitEventTimeout(nullptr, static_cast<int>(std::min<int64_t>(remaining / 1000, 1000)));
      continue;
    }
    if (gSdl.load()) {
      remaining = std::min(remaining, kSdlLookMicroseconds);
    }
    std::unique_lock<std::mutex> lock(gMutex);
    gPosted.wait_for(lock, std::chrono::microseconds(remaining), [] { return !gQueue.empty(); });
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
  std::lock_guard<std::mutex> lock(gMutex);
  return gQueue.size();
}

void ResetMessageQueue() {
  PumpSdl();
  {
    std::lock_guard<std::mutex> lock(gMutex);
    gQueue.clear();
  }
  gButtons = 0;
  gLastKeyFlags = 0;
  gAppActive = false;
  gInputKeys = KeyStateTable{};
  gSdlClock.Reset();
  gServerClock.Reset();
  ResetKeyStates();
}

}  // namespace platform
