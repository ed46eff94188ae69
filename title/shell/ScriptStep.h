// One step of a main-panel script: an action that starts an animated change
// (hide a screen, fade the tour's cover, move the main interface into a
// layout) and the owner message that reports the change as done. A step
// with event code 0 waits for nothing; event id -1 accepts any value.
#pragma once

#include <cstdint>
#include <functional>
#include <utility>

class ScriptStep {
 public:
  // True when the change was started and the step waits for its message.
  using Action = std::function<bool()>;

  static constexpr int32_t kNoWait = 0;
  static constexpr int32_t kAnyId = -1;

  ScriptStep(int32_t eventCode, int32_t eventId, const char* name, Action action)
      : eventCode_(eventCode), eventId_(eventId), name_(name), action_(std::move(action)) {}

  int32_t GetEventCode() const { return eventCode_; }
  int32_t GetEventId() const { return eventId_; }
  // The action's name, for logs and tests.
  const char* GetName() const { return name_ != nullptr ? name_ : ""; }

  // Event code 0 matches anything; otherwise the code must be the event code
  // and the value the event id (unless that is -1).
  bool Matches(uint32_t code, uint32_t value) const;
  // Runs the action; false without one.
  bool Run() const;

 private:
  int32_t eventCode_;
  int32_t eventId_;
  const char* name_;
  Action action_;
};
