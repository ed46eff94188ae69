#include "title/controls/SignalTimer.h"

#include "platform/Clock.h"

SignalTimer::SignalTimer(int32_t id, uint32_t interval, VGraphicObject* parent)
    : VTask(id, false, false, false, GetTaskManager()),
      VControl(kApplicationKind, id, 1, 1, 0, 1, 1, parent),
      interval_(interval) {}

SignalTimer::~SignalTimer() = default;

void SignalTimer::Start(uint32_t duration) {
  lastTick_ = startTick_ = platform::TickCount();
  endTick_ = duration != 0 ? startTick_ + duration : 0;
  // An end tick that wraps to 0 would read as "no end".
  if (duration != 0 && endTick_ == 0) endTick_ = 1;
  SetNextStepTime(lastTick_ + interval_);
  SetActive(true);
}

void SignalTimer::Stop(bool notify) {
  SetActive(false);
  if (notify) SendControlEvent(*this, kMessageTimerEnded, static_cast<uint32_t>(GetId()));
}

double SignalTimer::GetValue() {
  const double elapsed = static_cast<int32_t>(lastTick_ - startTick_);
  if (!countDown_) return elapsed;
  return static_cast<double>(static_cast<int32_t>(endTick_ - startTick_)) - elapsed;
}

bool SignalTimer::Step(uint32_t) {
  const uint32_t now = GetTaskTickCount();
  if (static_cast<int32_t>(now - lastTick_) < static_cast<int32_t>(interval_)) return true;
  lastTick_ = now;
  SetNextStepTime(now + interval_);
  if (endTick_ != 0 && static_cast<int32_t>(now - endTick_) >= 0) {
    lastTick_ = endTick_;
    const ControlLife::Watch watch = life_.MakeWatch();
    Update();
    if (!watch.Alive()) return false;
    Stop(true);  // the owner may delete the timer here: touch nothing after
    return true;
  }
  Update();
  return true;
}
