#include "launchers/common/KitLoop.h"

#include <algorithm>
#include <deque>
#include <vector>

#include "platform/Clock.h"
#include "platform/WindowQueue.h"

namespace kit {
namespace {

struct Posted {
  Handle window;
  uint32_t code;
  uintptr_t wParam;
  intptr_t lParam;
};

struct Timer {
  Handle window;
  int32_t id;
  uint32_t interval;
  uint32_t due;
};

std::deque<Posted> gPosted;
std::vector<Timer> gTimers;

// The kit's own wake-up: a thread message nobody handles.
constexpr uint32_t kWakeMessage = 0x7FFE0001u;

bool Due(uint32_t due, uint32_t now) { return static_cast<int32_t>(now - due) >= 0; }

// Runs the posted messages and the due timers; true when any ran.
bool RunKitWork() {
  bool ran = false;
  while (!gPosted.empty()) {
    const Posted p = gPosted.front();
    gPosted.pop_front();
    if (CWindow* w = CWindow::FromHandle(p.window)) w->WindowProc(p.code, p.wParam, p.lParam);
    ran = true;
  }
  const uint32_t now = platform::TickCount();
  // Timers fire in list order; a handler may change the list.
  std::vector<Timer> due;
  for (Timer& t : gTimers) {
    if (Due(t.due, now)) {
      due.push_back(t);
      t.due = now + t.interval;
    }
  }
  for (const Timer& t : due) {
    const bool live = std::any_of(gTimers.begin(), gTimers.end(),
                                  [&](const Timer& x) { return x.window == t.window && x.id == t.id; });
    if (!live) continue;
    if (CWindow* w = CWindow::FromHandle(t.window)) w->WindowProc(kMsgTimer, static_cast<uintptr_t>(t.id), 0);
    ran = true;
  }
  return ran;
}

// Microseconds until the next timer is due (capped).
uint64_t WaitBudget(uint64_t cap) {
  const uint32_t now = platform::TickCount();
  uint64_t wait = cap;
  for (const Timer& t : gTimers) {
    const int32_t left = static_cast<int32_t>(t.due - now);
    wait = std::min<uint64_t>(wait, left <= 0 ? 0 : static_cast<uint64_t>(left) * 1000u);
  }
  if (!gPosted.empty()) wait = 0;
  return wait;
}

// One step: kit work, then one message of the window layer. False on quit.
bool Step(bool wait, uint64_t capMicroseconds, int32_t* quitCode, bool* didSomething) {
  bool any = RunKitWork();
  platform::Message m;
  if (platform::PeekMessage(m, true)) {
    any = true;
    if (m.message == platform::kMsgQuit) {
      if (quitCode != nullptr) *quitCode = static_cast<int32_t>(static_cast<uint32_t>(m.wParam));
      return false;
    }
    if (m.message != kWakeMessage) platform::DispatchMessage(m);
  } else if (wait && !any) {
    const uint64_t budget = WaitBudget(capMicroseconds);
    if (budget > 0) platform::WaitForMessageMicroseconds(budget);
  }
  if (didSomething != nullptr) *didSomething = any;
  return true;
}

}  // namespace

namespace loop {

void Post(Handle window, uint32_t code, uintptr_t wParam, intptr_t lParam) {
  gPosted.push_back(Posted{window, code, wParam, lParam});
  platform::PostMessage(0, kWakeMessage, 0, 0);
}

void StartTimer(Handle window, int32_t id, uint32_t milliseconds) {
  milliseconds = std::max<uint32_t>(milliseconds, 10);
  const uint32_t due = platform::TickCount() + milliseconds;
  for (Timer& t : gTimers) {
    if (t.window == window && t.id == id) {
      t.interval = milliseconds;
      t.due = due;
      return;
    }
  }
  gTimers.push_back(Timer{window, id, milliseconds, due});
}

void StopTimer(Handle window, int32_t id) {
  gTimers.erase(std::remove_if(gTimers.begin(), gTimers.end(),
                                [&](const Timer& t) { return t.window == window && t.id == id; }),
                 gTimers.end());
}

void ForgetWindow(Handle window) {
  gTimers.erase(
      std::remove_if(gTimers.begin(), gTimers.end(), [&](const Timer& t) { return t.window == window; }),
      gTimers.end());
  gPosted.erase(
      std::remove_if(gPosted.begin(), gPosted.end(), [&](const Posted& p) { return p.window == window; }),
      gPosted.end());
}

}  // namespace loop

bool RunLoopUntil(const std::function<bool()>& done, int32_t* quitCode) {
  while (!done()) {
    int32_t code = 0;
    if (!Step(true, 50000, &code, nullptr)) {
      if (quitCode != nullptr) *quitCode = code;
      platform::PostQuitMessage(code);
      return false;
    }
  }
  return true;
}

void PumpFor(uint32_t milliseconds) {
  const uint32_t end = platform::TickCount() + milliseconds;
  while (!Due(end, platform::TickCount())) {
    int32_t code = 0;
    const uint32_t left = end - platform::TickCount();
    if (!Step(true, std::min<uint64_t>(static_cast<uint64_t>(left) * 1000u, 20000), &code, nullptr)) {
      platform::PostQuitMessage(code);
      return;
    }
  }
}

void PumpPending() {
  for (int i = 0; i < 10000; ++i) {
    int32_t code = 0;
    bool any = false;
    if (!Step(false, 0, &code, &any)) {
      platform::PostQuitMessage(code);
      return;
    }
    if (!any) return;
  }
}

bool TakeQuitMessage(int32_t* exitCode) {
  platform::Message m;
  std::vector<platform::Message> kept;
  bool found = false;
  while (platform::PeekMessage(m, true)) {
    if (m.message == platform::kMsgPaint) {
      platform::DispatchMessage(m);
      continue;
    }
    if (m.message == platform::kMsgQuit && !found) {
      found = true;
      if (exitCode != nullptr) *exitCode = static_cast<int32_t>(static_cast<uint32_t>(m.wParam));
      continue;
    }
    kept.push_back(m);
  }
  for (const platform::Message& k : kept) platform::PostMessage(k.window, k.message, k.wParam, k.lParam);
  return found;
}

}  // namespace kit
