// The clock of a value network: a task that, every interval, pushes the
// milliseconds elapsed since its start down the graph, and at its end tick
// pushes the duration exactly and tells its parent chain with owner message
// 103 (value: its id). It is also a child control (kind 258, 1 x 1, drawing
// nothing) so that it lives and dies with the screen that built it.
//
// Ownership: owned by its parent control. Deleting the timer deletes the
// graph that hangs only from it. The owner may delete the timer while it
// answers 103 (the task manager tolerates it), or later.
#pragma once

#include <cstdint>

#include "engine/app/VControl.h"
#include "engine/controls/ControlEvents.h"
#include "engine/core/VTask.h"
#include "title/controls/SignalNode.h"

class SignalTimer : public SignalSource, public VTask, public VControl {
 public:
  static constexpr uint32_t kMessageTimerEnded = 103;

  // Inactive until Start.
  SignalTimer(int32_t id, uint32_t interval, VGraphicObject* parent);
  ~SignalTimer() override;

  // Runs for duration milliseconds (0: until stopped). The first value goes
  // out one interval after the start.
  void Start(uint32_t duration);
  // Deactivates; with notify sends 103 with the timer's id.
  void Stop(bool notify);
  // The elapsed milliseconds.
  double GetValue() override;
  bool Step(uint32_t pass) override;
  // Counting down instead of up: the value then runs from the duration to
  // 0 (-1), or back up (any other direction).
  void SetDirection(int32_t direction) { countDown_ = direction == -1; }

  uint32_t GetInterval() const { return interval_; }
  uint32_t GetEndTick() const { return endTick_; }

 private:
  uint32_t interval_;
  uint32_t lastTick_ = 0;
  uint32_t startTick_ = 0;
  uint32_t endTick_ = 0;
  bool countDown_ = false;
  ControlLife life_;
};
