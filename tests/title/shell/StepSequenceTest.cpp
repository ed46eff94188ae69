// The script player on a fake clock: steps that start nothing are passed at
// once, a waiting step moves on only on its message, a message caused from
// inside a step's own action moves the sequence on exactly once, and the
// watchdog gives up a wait only when it never ends.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/Clock.h"
#include "title/shell/ScriptStepList.h"
#include "title/shell/StepSequence.h"

namespace {

class StepSequenceTest : public testing::Test {
 protected:
  StepSequenceTest() { clock_.SetTickCount(50000); }

  // A step that logs its name and answers `started`.
  void Add(int32_t eventCode, const char* name, bool started, int32_t eventId = ScriptStep::kAnyId) {
    script_.AddStep(eventCode, eventId, name, [this, name, started] {
      ran_.push_back(name);
      return started;
    });
  }
  std::string Ran() const {
    std::string all;
    for (const std::string& name : ran_) all += (all.empty() ? "" : " ") + name;
    return all;
  }

  platform::FakeClock clock_;
  platform::ScopedClockSource source_{&clock_};
  ScriptStepList script_{4};
  StepSequence sequence_;
  std::vector<std::string> ran_;
  int finished_ = 0;
};

TEST_F(StepSequenceTest, StepsThatStartNothingEndTheScriptAtOnce) {
  Add(95, "a", false);
  Add(0, "b", true);
  Add(94, "c", false);
  sequence_.SetFinished([this] { ++finished_; });
  sequence_.StartSequence(&script_);
  EXPECT_EQ(Ran(), "a b c");
  EXPECT_EQ(finished_, 1) << "finished within the same call";
  EXPECT_FALSE(sequence_.IsRunning());
}

TEST_F(StepSequenceTest, AWaitingStepMovesOnOnlyOnItsMessage) {
  Add(95, "hide", true);
  Add(92, "mode", true, 14378);
  sequence_.SetFinished([this] { ++finished_; });
  sequence_.StartSequence(&script_);
  EXPECT_EQ(Ran(), "hide");
  const struct {
    uint32_t code;
    uint32_t value;
    const char* ran;
  } messages[] = {
      {94, 14417, "hide"},        // another code
      {95, 12345, "hide mode"},   // any id ends the wait for 95
      {92, 1, "hide mode"},       // the wrong id
      {92, 14378, "hide mode"},   // the last step: finished
  };
  for (const auto& m : messages) {
    EXPECT_FALSE(sequence_.OnSequenceMessage(m.code, m.value));
    EXPECT_EQ(Ran(), m.ran) << m.code << " " << m.value;
  }
  EXPECT_EQ(finished_, 1);
  EXPECT_FALSE(sequence_.IsRunning());
  sequence_.OnSequenceMessage(95, 0);
  EXPECT_EQ(finished_, 1) << "nothing after the end";
}

TEST_F(StepSequenceTest, StartWhileRunningDoesNothing) {
  Add(97, "suspend", true);
  ScriptStepList other(7);
  other.AddStep(0, -1, "other", [this] {
    ran_.push_back("other");
    return false;
  });
  sequence_.StartSequence(&script_);
  sequence_.StartSequence(&other);
  EXPECT_EQ(Ran(), "suspend");
  EXPECT_EQ(sequence_.GetSteps(), &script_);
}

// A screen that reports 94 from inside its Show: the action's own message
// moves the sequence on from inside the action, and the outer run stops
// there; every later step runs once and the end is reported once.
TEST_F(StepSequenceTest, AMessageFromInsideTheActionMovesOnOnce) {
  script_.AddStep(94, -1, "show", [this] {
    ran_.push_back("show");
    sequence_.OnSequenceMessage(94, 14417);
    return true;
  });
  Add(0, "status", false);
  Add(92, "mode", true);
  sequence_.SetFinished([this] { ++finished_; });
  sequence_.StartSequence(&script_);
  EXPECT_EQ(Ran(), "show status mode");
  EXPECT_TRUE(sequence_.IsWaiting());
  EXPECT_EQ(sequence_.GetIndex(), 2);
  sequence_.OnSequenceMessage(92, 1);
  EXPECT_EQ(Ran(), "show status mode");
  EXPECT_EQ(finished_, 1);
}

// A step that waits for nothing takes no message while its action runs.
TEST_F(StepSequenceTest, AStepWithoutWaitTakesNoMessage) {
  script_.AddStep(0, -1, "delete", [this] {
    ran_.push_back("delete");
    sequence_.OnSequenceMessage(95, 1);
    return false;
  });
  Add(95, "hide", true);
  sequence_.StartSequence(&script_);
  EXPECT_EQ(Ran(), "delete hide");
  EXPECT_TRUE(sequence_.IsWaiting()) << "the 95 sent during the deletion did not end the next wait";
}

TEST_F(StepSequenceTest, TheWatchdogGivesUpOnlyAWaitThatNeverEnds) {
  Add(92, "mode", true);
  Add(96, "uncover", true);
  sequence_.StartSequence(&script_);
  clock_.AdvanceMilliseconds(StepSequence::kWatchdogMs - 100);
  EXPECT_FALSE(sequence_.CheckWatchdog());
  sequence_.OnSequenceMessage(92, 2);  // this wait ends in time
  EXPECT_EQ(Ran(), "mode uncover");
  clock_.AdvanceMilliseconds(StepSequence::kWatchdogMs - 100);
  EXPECT_FALSE(sequence_.CheckWatchdog()) << "the clock counts from the start of the second wait";
  testing::internal::CaptureStderr();
  clock_.AdvanceMilliseconds(200);
  EXPECT_TRUE(sequence_.CheckWatchdog());
  const std::string said = testing::internal::GetCapturedStderr();
  EXPECT_NE(said.find("script 4, step 2 (uncover): no owner message 96"), std::string::npos) << said;
  EXPECT_FALSE(sequence_.IsRunning());
  EXPECT_FALSE(sequence_.CheckWatchdog());
}

}  // namespace
