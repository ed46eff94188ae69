// A window of the engine (not shown on a screen) with a 16-bit off-screen
// map, its own task manager and a fake clock that moves only when told, for
// the life of this object: the bench that scenes of tests and benchmarks
// put their controls on and play frame by frame.
#pragma once

#include <cstdint>
#include <memory>

#include "engine/app/VControl.h"
#include "engine/app/VWindow.h"
#include "engine/core/VEvent.h"
#include "engine/core/VTask.h"
#include "engine/graphics/PixelMap.h"
#include "platform/Clock.h"

namespace testsupport {

class FakeClockWindow {
 public:
  FakeClockWindow(int32_t width, int32_t height) : clock_(1000ull * 1000000ull), source_(&clock_) {
    clock_.SetStepPerRead(0);
    VGraphicObject::ResetProgramState();
    VControl::ResetControlIdPool();
    manager_ = std::make_unique<VTaskManager>(0, true, false, nullptr);
    previousManager_ = SetTaskManager(manager_.get());
    window_ = std::make_unique<VWindow>(7, 0, VRect(0, 0, width, height), false, 0, false, false);
    window_->Create(0, VRect(0, 0, width, height), false, 0, nullptr, false);
    window_->SetOffscreenMap(new PixelMap(VRect(0, 0, width, height), 16, nullptr, nullptr, nullptr,
                                          PixelMap::kStorageMemory, kFormat565LE, 0),
                             0);
  }
  ~FakeClockWindow() { Close(); }
  FakeClockWindow(const FakeClockWindow&) = delete;
  FakeClockWindow& operator=(const FakeClockWindow&) = delete;

  // The window and its controls deleted and the task manager from before put
  // back, ahead of what the controls used (archives, fonts, tables) going;
  // the destructor does it when nothing did.
  void Close() {
    if (window_ == nullptr) return;
    window_.reset();
    SetTaskManager(previousManager_);
    VGraphicObject::ResetProgramState();
  }

  // The clock `ms` on.
  void Advance(uint32_t ms) { clock_.AdvanceMilliseconds(ms); }
  // The task manager's step at the clock's time.
  void Step() { manager_->Step(platform::TickCount()); }
  // The idle pass: the task step and the tick message down the window's
  // tree, both at the clock's time.
  void Idle() {
    const uint32_t now = platform::TickCount();
    manager_->Step(now);
    static_cast<VEventHandler&>(*window_).DispatchPostOrder(kMessageTick, now, 0);
  }

  VWindow* GetWindow() const { return window_.get(); }
  PixelMap* GetMap() const { return window_->GetOffscreenPixelMap(); }

 private:
  platform::FakeClock clock_;
  platform::ScopedClockSource source_;
  std::unique_ptr<VTaskManager> manager_;
  VTaskManager* previousManager_ = nullptr;
  std::unique_ptr<VWindow> window_;
};

}  // namespace testsupport
