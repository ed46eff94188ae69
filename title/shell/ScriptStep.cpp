#include "title/shell/ScriptStep.h"

bool ScriptStep::Matches(uint32_t code, uint32_t value) const {
  if (eventCode_ == kNoWait) return true;
  if (static_cast<int32_t>(code) != eventCode_) return false;
  return eventId_ == kAnyId || static_cast<int32_t>(value) == eventId_;
}

bool ScriptStep::Run() const {
  if (!action_) return false;
  // The action may end the script that holds this step (its message can
  // come back synchronously): run a copy.
  const Action action = action_;
  return action();
}
