// Test bench for controls: a real engine window (not shown on a screen) with
// a 16-bit off-screen map, input given as window messages through its window
// procedure, a fake clock, and a container control that logs every control
// event and owner message reaching it.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "engine/app/MessagePointer.h"
#include "engine/app/VControl.h"
#include "engine/app/VWindow.h"
#include "engine/core/Cursor.h"
#include "engine/core/VEvent.h"
#include "engine/core/VTask.h"
#include "engine/graphics/LookupTables.h"
#include "engine/graphics/PixelMap.h"
#include "engine/graphics/VPicture.h"
#include "platform/Clock.h"
#include "platform/Input.h"
#include "platform/WindowMessage.h"

namespace controltest {

using Log = std::vector<std::string>;

// Logs "code value" (value = the sender's id for control events) for every
// event reaching it; takes the codes listed in `take`.
class EventRecorder : public VControl {
 public:
  EventRecorder(Log* log, VGraphicObject* parent, int32_t width, int32_t height)
      : VControl(0, 1, 0, 0, 0, width, height, parent), log_(log) {}
  bool HandleEvent(uint32_t code, uint32_t value1, uint32_t value2) override {
    if (code == kMessageTick) return false;
    log_->push_back(std::to_string(code) + " " + std::to_string(static_cast<int32_t>(value1)));
    if (onEvent) onEvent(code, value1, value2);
    for (uint32_t c : take) {
      if (c == code) return true;
    }
    return false;
  }
  std::vector<uint32_t> take;
  std::function<void(uint32_t, uint32_t, uint32_t)> onEvent;

 private:
  Log* log_;
};

// A window of the given size with one 16-bit off-screen map (black), an
// event recorder covering it, and a fake clock that each reading advances
// by 1 ms (so that busy waits end).
class Bench {
 public:
  explicit Bench(int32_t width = 200, int32_t height = 150)
      : clock_(1000ull * 1000000ull), source_(&clock_) {
    VGraphicObject::ResetProgramState();
    VControl::ResetControlIdPool();
    ResetCursorState();
    ResetMouseInputState();
    platform::SetCursorScreenPosition(-1, -1);  // off the window until the first mouse message
    SetupLookupTables();
    clock_.SetStepPerRead(1000000ull);
    taskManager_ = std::make_unique<VTaskManager>(0, true, false, nullptr);
    previousManager_ = SetTaskManager(taskManager_.get());
    window_ = std::make_unique<VWindow>(7, 0, VRect(0, 0, width, height), false, 0, false, false);
    window_->Create(0, VRect(0, 0, width, height), false, 0, nullptr, false);
    auto* map = new PixelMap(VRect(0, 0, width, height), 16, nullptr, nullptr, nullptr, PixelMap::kStorageMemory,
                             kFormat565LE, 0);
    const VRGBColor black(0, 0, 0);
    map->FillRect(nullptr, &black);
    window_->SetOffscreenMap(map, 0);
    recorder = new EventRecorder(&log, window_.get(), width, height);
  }
  ~Bench() {
    window_.reset();
    SetTaskManager(previousManager_);
    VGraphicObject::ResetProgramState();
    ShutdownLookupTables();
  }

  VWindow& window() { return *window_; }
  PixelMap* map() { return window_->GetOffscreenPixelMap(); }
  platform::FakeClock& clock() { return clock_; }
  uint32_t Now() { return platform::TickCount(); }

  void Move(int32_t x, int32_t y, uint32_t flags = 0) { Send(platform::kMsgMouseMove, flags, x, y); }
  void Down(int32_t x, int32_t y, uint32_t flags = 0) {
    Send(platform::kMsgLButtonDown, flags | platform::kMouseFlagLeftButton, x, y);
  }
  void Up(int32_t x, int32_t y, uint32_t flags = 0) { Send(platform::kMsgLButtonUp, flags, x, y); }
  void Click(int32_t x, int32_t y) {
    Down(x, y);
    Up(x, y);
  }
  void Key(uint32_t virtualKey) {
    platform::Message m;
    m.window = window_->GetHandle();
    m.message = platform::kMsgKeyDown;
    m.wParam = virtualKey;
    m.lParam = 1;
    window_->WindowProc(m);
  }
  // The idle pass: the task manager's step and the tick message down the
  // window's event tree.
  void Idle() {
    const uint32_t now = Now();
    taskManager_->Step(now);
    static_cast<VEventHandler&>(*window_).DispatchPostOrder(kMessageTick, now, 0);
  }
  void Tick(uint32_t tick) { static_cast<VEventHandler&>(*window_).DispatchPostOrder(kMessageTick, tick, 0); }

  // 0xRRGGBB of the 5-6-5 pixel, each component widened by bit replication.
  uint32_t PixelAt(int32_t x, int32_t y) {
    VRGBColor c;
    if (!map()->GetPixel(VPoint(x, y), c)) return 0xFFFFFFFF;
    return (uint32_t{c.red} << 16) | (uint32_t{c.green} << 8) | c.blue;
  }
  uint16_t Raw565(int32_t x, int32_t y) {
    PixelMapLock lock(map());
    const uint8_t* p = map()->GetPixelAddress(VPoint(x, y));
    return p != nullptr ? static_cast<uint16_t>(p[0] | (p[1] << 8)) : 0;
  }
  void Redraw() { window_->Redraw(nullptr); }

  Log log;
  EventRecorder* recorder;

 private:
  void Send(uint32_t message, uint32_t flags, int32_t x, int32_t y) {
    platform::SetMessageTime(platform::TickCount());
    // As the window system does: the pointer stands where its message says
    // (the window at the screen's top-left).
    platform::SetCursorScreenPosition(x, y);
    platform::Message m;
    m.window = window_->GetHandle();
    m.message = message;
    m.wParam = flags;
    m.lParam = platform::MakePointParam(x, y);
    window_->WindowProc(m);
  }

  platform::FakeClock clock_;
  platform::ScopedClockSource source_;
  std::unique_ptr<VTaskManager> taskManager_;
  VTaskManager* previousManager_ = nullptr;
  std::unique_ptr<VWindow> window_;
};

// A 16-bit (5-6-5) picture of the given size filled by colour(x, y) (0xRRGGBB);
// pixels for which opaque(x, y) is false are made transparent by an RGB key
// colour (magenta) when any is.
inline VPicture* MakePicture(int32_t width, int32_t height, const std::function<uint32_t(int32_t, int32_t)>& colour,
                             const std::function<bool(int32_t, int32_t)>& opaque = nullptr) {
  auto* map = new PixelMap(VRect(0, 0, width, height), 16, nullptr, nullptr, nullptr, PixelMap::kStorageMemory,
                           kFormat565LE, 0);
  bool keyed = false;
  for (int32_t y = 0; y < height; ++y) {
    for (int32_t x = 0; x < width; ++x) {
      uint32_t c = colour(x, y);
      if (opaque && !opaque(x, y)) {
        c = 0xFF00FF;
        keyed = true;
      }
      map->SetPixel(VPoint(x, y), VRGBColor(static_cast<uint8_t>(c >> 16), static_cast<uint8_t>(c >> 8),
                                            static_cast<uint8_t>(c)));
    }
  }
  auto* picture = new VPicture(map);
  if (keyed) {
    PixelMapAttributes attributes;
    attributes.SetKeyColor(VRGBColor(255, 0, 255));
    picture->SetPixelAttributes(attributes);
  }
  return picture;
}

inline VPicture* SolidPicture(int32_t width, int32_t height, uint32_t colour) {
  return MakePicture(width, height, [colour](int32_t, int32_t) { return colour; });
}

}  // namespace controltest
