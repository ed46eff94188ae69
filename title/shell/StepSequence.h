// The player of the main panel's scripts. It runs a script's steps in order:
// a step whose action started a change waits for the owner message that
// reports it; the others are passed at once. When the last step has run the
// sequence reports that it has finished (the main panel sends itself owner
// message 87).
//
// A step's action may cause its own message at once (a screen whose Show
// reports 94 before it returns): the sequence moves on from inside the
// action and the outer run stops there. A wait that no message ends (a
// screen that never reports) is given up after kWatchdogMs on the clock,
// with a line on stderr naming the script and the step, so that the title
// cannot freeze in a script.
#pragma once

#include <cstdint>
#include <functional>

class ScriptStep;
class ScriptStepList;

class StepSequence {
 public:
  // Longer than the longest opening or closing of a screen (the storyline
  // screen's backgrounds, fly-in and date run take about 5.3 s).
  static constexpr uint32_t kWatchdogMs = 10000;

  explicit StepSequence(const ScriptStepList* steps = nullptr) : steps_(steps) {}

  // Called when the last step has run (the sequence is no longer running).
  void SetFinished(std::function<void()> finished) { finished_ = std::move(finished); }
  // Called when a step's wait ends: the step, how long it waited and
  // whether the watchdog ended it rather than its message.
  using WaitEnded = std::function<void(const ScriptStep& step, uint32_t waitedMs, bool gaveUp)>;
  void SetWaitEnded(WaitEnded waitEnded) { waitEnded_ = std::move(waitEnded); }

  // When not running: attaches the list (when one is given) and runs it from
  // its first step. Nothing while running.
  void StartSequence(const ScriptStepList* steps);
  // While running: a message that the current step waits for moves the
  // sequence on. Always false.
  bool OnSequenceMessage(uint32_t code, uint32_t value);
  // Gives up a wait that has lasted kWatchdogMs and goes on; true when it did.
  bool CheckWatchdog();

  bool IsRunning() const { return running_; }
  bool IsWaiting() const { return running_ && waiting_; }
  int32_t GetIndex() const { return index_; }
  const ScriptStepList* GetSteps() const { return steps_; }

 private:
  void Advance();

  bool running_ = false;
  bool waiting_ = false;
  int32_t index_ = -1;
  const ScriptStepList* steps_;
  // Counts the moves from step to step: an action that changes it has moved
  // the sequence on itself.
  uint64_t moves_ = 0;
  uint32_t waitStart_ = 0;
  std::function<void()> finished_;
  WaitEnded waitEnded_;
};
