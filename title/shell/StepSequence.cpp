#include "title/shell/StepSequence.h"

#include <cstdio>

#include "platform/Clock.h"
#include "title/shell/ScriptStepList.h"

void StepSequence::StartSequence(const ScriptStepList* steps) {
  if (running_) return;
  if (steps != nullptr) steps_ = steps;
  running_ = true;
  waiting_ = false;
  index_ = -1;
  Advance();
}

bool StepSequence::OnSequenceMessage(uint32_t code, uint32_t value) {
  if (!running_ || steps_ == nullptr) return false;
  const ScriptStep* step = steps_->GetStep(index_);
  // A step that waits for nothing is only ever current while its action
  // runs: a message then is not its end.
  if (step == nullptr || step->GetEventCode() == ScriptStep::kNoWait) return false;
  if (!step->Matches(code, value)) return false;
  if (waiting_ && waitEnded_) waitEnded_(*step, platform::TickCount() - waitStart_, false);
  Advance();
  return false;
}

bool StepSequence::CheckWatchdog() {
  if (!running_ || !waiting_ || steps_ == nullptr) return false;
  const uint32_t waited = platform::TickCount() - waitStart_;
  if (waited < kWatchdogMs) return false;
  const ScriptStep* step = steps_->GetStep(index_);
  std::fprintf(stderr, "main panel: script %d, step %d (%s): no owner message %d after %u ms; going on\n",
               static_cast<int>(steps_->GetNumber()), static_cast<int>(index_ + 1),
               step != nullptr ? step->GetName() : "", step != nullptr ? static_cast<int>(step->GetEventCode()) : 0,
               static_cast<unsigned>(waited));
  if (step != nullptr && waitEnded_) waitEnded_(*step, waited, true);
  Advance();
  return true;
}

void StepSequence::Advance() {
  for (;;) {
    ++index_;
    ++moves_;
    waiting_ = false;
    const ScriptStep* step = steps_ != nullptr ? steps_->GetStep(index_) : nullptr;
    if (step == nullptr) {
      running_ = false;
      if (finished_) finished_();
      return;
    }
    const uint64_t mark = moves_;
    const int32_t eventCode = step->GetEventCode();
    const bool started = step->Run();
    // The action's own message has moved the sequence on (or ended it).
    if (moves_ != mark || !running_) return;
    if (!started || eventCode == ScriptStep::kNoWait) continue;
    waiting_ = true;
    waitStart_ = platform::TickCount();
    return;
  }
}
