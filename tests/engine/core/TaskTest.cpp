#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "engine/core/VTask.h"
#include "platform/Clock.h"

namespace {

using Trace = std::vector<std::string>;

// A task that writes "name" to a trace for each step and "~name" when
// destroyed; what it answers and does during a step is set by the test.
class Probe : public VTask {
 public:
  Probe(std::string name, Trace* trace, VTaskManager* manager, bool active = true, bool deleteWhenDone = true,
        bool owned = true, int32_t id = 0)
      : VTask(id, active, deleteWhenDone, owned, manager), name_(std::move(name)), trace_(trace) {}
  ~Probe() override { trace_->push_back("~" + name_); }

  bool Step(uint32_t pass) override {
    trace_->push_back(name_);
    lastPass = pass;
    seenTick = GetTaskTickCount();
    if (action) action();
    return answer;
  }

  bool answer = true;
  std::function<void()> action;
  uint32_t lastPass = 0;
  uint32_t seenTick = 0;

 private:
  std::string name_;
  Trace* trace_;
};

// Deletes itself as the last act of its step.
class SelfDeleting : public VTask {
 public:
  SelfDeleting(Trace* trace, VTaskManager* manager) : VTask(0, true, false, false, manager), trace_(trace) {}
  ~SelfDeleting() override { trace_->push_back("~self"); }
  bool Step(uint32_t) override {
    trace_->push_back("self");
    delete this;
    return true;
  }

 private:
  Trace* trace_;
};

// Deletes another task from its destructor (a task owning a helper task).
class Parent : public Probe {
 public:
  using Probe::Probe;
  ~Parent() override { delete child; }
  VTask* child = nullptr;
};

// The ids of the manager's tasks in list order.
Trace Ids(VTaskManager& manager) {
  Trace out;
  for (VTask* t = manager.GetFirstTask(); t != nullptr; t = VTaskManager::GetNextTask(t)) {
    out.push_back(std::to_string(t->GetTaskId()));
  }
  return out;
}

class TaskTest : public ::testing::Test {
 protected:
  platform::FakeClock clock_{5000ull * 1000000ull};
  platform::ScopedClockSource useClock_{&clock_};
  Trace trace_;
  VTaskManager manager_{1000, true, false, nullptr};
};

TEST_F(TaskTest, TasksJoinTheEndOfTheListAndAreSteppedInOrder) {
  new Probe("a", &trace_, &manager_, true, true, true, 1);
  new Probe("b", &trace_, &manager_, true, true, true, 2);
  new Probe("c", &trace_, &manager_, true, true, true, 3);
  EXPECT_EQ(manager_.GetTaskCount(), 3);
  EXPECT_EQ(Ids(manager_), (Trace{"1", "2", "3"}));
  EXPECT_TRUE(manager_.Step(7));
  EXPECT_TRUE(manager_.Step(8));
  EXPECT_EQ(trace_, (Trace{"a", "b", "c", "a", "b", "c"}));
  EXPECT_EQ(static_cast<Probe*>(manager_.GetFirstTask())->lastPass, 8u);
}

TEST_F(TaskTest, TheTickCountIsNotedAtTheStartOfEachPass) {
  Probe* p = new Probe("a", &trace_, &manager_);
  p->action = [this] { clock_.AdvanceMilliseconds(40); };  // time passing inside a step
  clock_.SetTickCount(123456);
  manager_.Step(1);
  EXPECT_EQ(p->seenTick, 123456u);
  EXPECT_EQ(GetTaskTickCount(), 123456u);
  clock_.SetTickCount(0xFFFFFFF0u);
  manager_.Step(2);
  EXPECT_EQ(p->seenTick, 0xFFFFFFF0u);
}

TEST_F(TaskTest, DoneTasksLeaveTheListAndAreDeletedOnlyWithBothFlags) {
  struct Case {
    bool deleteWhenDone;
    bool owned;
    bool viaFinished;  // finished flag instead of Step answering false
    bool deleted;
  };
  const Case cases[] = {
      {true, true, false, true},   {true, false, false, false}, {false, true, false, false},
      {false, false, false, false}, {true, true, true, true},     {true, false, true, false},
  };
  for (const Case& c : cases) {
    Trace trace;
    VTaskManager manager(1, true, false, nullptr);
    Probe* p = new Probe("p", &trace, &manager, true, c.deleteWhenDone, c.owned);
    new Probe("q", &trace, &manager, true, false, true);
    if (c.viaFinished) {
      p->SetFinished();
    } else {
      p->answer = false;
    }
    manager.Step(1);
    Trace expected = c.viaFinished ? Trace{} : Trace{"p"};  // a finished task is not stepped
    if (c.deleted) expected.push_back("~p");
    expected.push_back("q");
    EXPECT_EQ(trace, expected) << c.deleteWhenDone << c.owned << c.viaFinished;
    EXPECT_EQ(manager.GetTaskCount(), 1);
    if (!c.deleted) {
      EXPECT_EQ(p->GetManager(), nullptr);
      trace.clear();
      manager.Step(2);
      EXPECT_EQ(trace, (Trace{"q"})) << "a detached task is not stepped again";
      delete p;
    }
  }
}

TEST_F(TaskTest, InactiveTasksAreSkippedUntilActivated) {
  Probe* p = new Probe("p", &trace_, &manager_, false);
  p->answer = false;
  manager_.Step(1);
  manager_.Step(2);
  EXPECT_TRUE(trace_.empty());
  EXPECT_EQ(manager_.GetTaskCount(), 1) << "never removed while inactive";
  EXPECT_FALSE(p->SetActive(true));
  EXPECT_TRUE(p->IsActive());
  manager_.Step(3);
  EXPECT_EQ(trace_, (Trace{"p", "~p"}));
}

TEST_F(TaskTest, AnInactiveFinishedTaskIsRemoved) {
  Probe* p = new Probe("p", &trace_, &manager_, false);
  p->SetFinished();
  manager_.Step(1);
  EXPECT_EQ(trace_, (Trace{"~p"}));
}

TEST_F(TaskTest, SetActiveAnswersThePreviousValueAndStopClearsIt) {
  Probe p("p", &trace_, nullptr, true, false, false);
  EXPECT_TRUE(p.SetActive(true));
  p.Stop();
  EXPECT_FALSE(p.IsActive());
  EXPECT_FALSE(p.SetActive(false));
  EXPECT_EQ(p.GetManager(), nullptr);
  p.Detach();  // free: nothing happens
}

TEST_F(TaskTest, DeletingAListedTaskRemovesIt) {
  new Probe("a", &trace_, &manager_, true, true, true, 1);
  Probe* b = new Probe("b", &trace_, &manager_, true, true, true, 2);
  new Probe("c", &trace_, &manager_, true, true, true, 3);
  delete b;
  EXPECT_EQ(Ids(manager_), (Trace{"1", "3"}));
  trace_.clear();
  manager_.Step(1);
  EXPECT_EQ(trace_, (Trace{"a", "c"}));
}

TEST_F(TaskTest, FindTask) {
  // manager_(1000): a(0), sub(2000) [s1(21), s2(22)], b(3)
  Probe* a = new Probe("a", &trace_, &manager_, true, true, true, 0);
  VTaskManager* sub = new VTaskManager(2000, true, true, &manager_);
  Probe* s1 = new Probe("s1", &trace_, sub, true, true, true, 21);
  Probe* s2 = new Probe("s2", &trace_, sub, true, true, true, 22);
  Probe* b = new Probe("b", &trace_, &manager_, true, true, true, 3);
  struct Case {
    VTask* from;
    int32_t id;
    VTask* expected;
  };
  const Case cases[] = {
      {&manager_, 0, nullptr},  // a manager never finds id 0, though a has it
      {a, 0, a},                // a plain task does
      {&manager_, 1000, &manager_},
      {&manager_, 2000, sub},
      {&manager_, 22, s2},       // inside a nested manager
      {&manager_, 3, b},
      {&manager_, 99, nullptr},
      {sub, 3, b},               // the tasks after the manager in its own list
      {sub, 21, s1},
      {s1, 22, s2},
      {s2, 21, nullptr},         // a plain task looks only forward
      {b, 22, nullptr},
  };
  for (const Case& c : cases) EXPECT_EQ(c.from->FindTask(c.id), c.expected) << c.id;
}

TEST_F(TaskTest, NestedManagersStepTheirTasks) {
  new Probe("a", &trace_, &manager_);
  VTaskManager* sub = new VTaskManager(2, true, true, &manager_);
  new Probe("s1", &trace_, sub);
  new Probe("s2", &trace_, sub);
  new Probe("b", &trace_, &manager_);
  manager_.Step(1);
  EXPECT_EQ(trace_, (Trace{"a", "s1", "s2", "b"}));
  sub->SetActive(false);
  trace_.clear();
  manager_.Step(2);
  EXPECT_EQ(trace_, (Trace{"a", "b"}));
}

TEST_F(TaskTest, AStepThatRemovesTheFollowingTaskGoesOnAfterIt) {
  struct Case {
    bool deleteIt;
  };
  for (Case c : {Case{true}, Case{false}}) {
    Trace trace;
    VTaskManager manager(1, true, false, nullptr);
    Probe* a = new Probe("a", &trace, &manager);
    Probe* b = new Probe("b", &trace, &manager);
    new Probe("c", &trace, &manager);
    a->action = [&] {
      if (c.deleteIt) {
        delete b;
      } else {
        b->Detach();
      }
    };
    manager.Step(1);
    Trace expected = c.deleteIt ? Trace{"a", "~b", "c"} : Trace{"a", "c"};
    EXPECT_EQ(trace, expected);
    if (!c.deleteIt) delete b;
  }
}

TEST_F(TaskTest, AStepThatRemovesAnEarlierTaskGoesOn) {
  Probe* a = new Probe("a", &trace_, &manager_);
  Probe* b = new Probe("b", &trace_, &manager_);
  new Probe("c", &trace_, &manager_);
  b->action = [&] { delete a; };
  manager_.Step(1);
  EXPECT_EQ(trace_, (Trace{"a", "b", "~a", "c"}));
}

TEST_F(TaskTest, ATaskThatDetachesItselfEndsThePass) {
  new Probe("a", &trace_, &manager_);
  Probe* b = new Probe("b", &trace_, &manager_);
  new Probe("c", &trace_, &manager_);
  b->action = [&] { b->Detach(); };
  manager_.Step(1);
  EXPECT_EQ(trace_, (Trace{"a", "b"}));
  trace_.clear();
  manager_.Step(2);
  EXPECT_EQ(trace_, (Trace{"a", "c"}));
  delete b;
}

TEST_F(TaskTest, ATaskMayDeleteItselfDuringItsStep) {
  new Probe("a", &trace_, &manager_);
  new SelfDeleting(&trace_, &manager_);
  new Probe("c", &trace_, &manager_);
  manager_.Step(1);
  EXPECT_EQ(trace_, (Trace{"a", "self", "~self", "c"}));
  EXPECT_EQ(manager_.GetTaskCount(), 2);
}

TEST_F(TaskTest, ADoneTaskWhoseDestructorDeletesTheNextTask) {
  Parent* p = new Parent("p", &trace_, &manager_);
  Probe* child = new Probe("child", &trace_, &manager_, true, false, false);
  new Probe("c", &trace_, &manager_);
  p->child = child;
  p->answer = false;
  manager_.Step(1);
  EXPECT_EQ(trace_, (Trace{"p", "~child", "~p", "c"}));
  EXPECT_EQ(manager_.GetTaskCount(), 1);
}

TEST_F(TaskTest, DeleteAllDeletesOwnedTasksAndDetachesTheOthers) {
  new Probe("owned", &trace_, &manager_, true, false, true);
  Probe* free = new Probe("free", &trace_, &manager_, true, true, false);
  manager_.DeleteAll();
  EXPECT_EQ(trace_, (Trace{"~owned"}));
  EXPECT_EQ(manager_.GetTaskCount(), 0);
  EXPECT_EQ(free->GetManager(), nullptr);
  delete free;
}

TEST_F(TaskTest, DeleteAllFromInsideAStepDefersTheRunningTask) {
  Probe* a = new Probe("a", &trace_, &manager_);
  new Probe("b", &trace_, &manager_);
  a->action = [this] { manager_.DeleteAll(); };
  manager_.Step(1);
  // b goes at once; a (still running) goes when its step has returned.
  EXPECT_EQ(trace_, (Trace{"a", "~b", "~a"}));
  EXPECT_EQ(manager_.GetTaskCount(), 0);
}

TEST_F(TaskTest, AManagerDestroyedWithTasksEmptiesItsListFirst) {
  Probe* free = nullptr;
  {
    VTaskManager manager(1, true, false, nullptr);
    new Probe("owned", &trace_, &manager);
    free = new Probe("free", &trace_, &manager, true, true, false);
  }
  EXPECT_EQ(trace_, (Trace{"~owned"}));
  EXPECT_EQ(free->GetManager(), nullptr);
  delete free;
}

TEST_F(TaskTest, AManagerDeletedFromInsideAStep) {
  struct Case {
    bool owned;
  };
  for (Case c : {Case{true}, Case{false}}) {
    Trace trace;
    VTaskManager* manager = new VTaskManager(1, true, false, nullptr);
    Probe* a = new Probe("a", &trace, manager, true, true, c.owned);
    new Probe("b", &trace, manager);
    a->action = [&] { delete manager; };
    manager->Step(1);
    if (c.owned) {
      EXPECT_EQ(trace, (Trace{"a", "~b", "~a"}));
    } else {
      EXPECT_EQ(trace, (Trace{"a", "~b"}));
      EXPECT_EQ(a->GetManager(), nullptr);
      delete a;
    }
  }
}

TEST_F(TaskTest, TheCurrentTaskManager) {
  VTaskManager* before = SetTaskManager(&manager_);
  EXPECT_EQ(GetTaskManager(), &manager_);
  {
    VTaskManager other(2, true, false, nullptr);
    EXPECT_EQ(SetTaskManager(&other), &manager_);
    EXPECT_EQ(GetTaskManager(), &other);
  }
  EXPECT_EQ(GetTaskManager(), nullptr) << "a destroyed manager is no longer current";
  SetTaskManager(&manager_);
  Probe* p = new Probe("p", &trace_, GetTaskManager());
  EXPECT_EQ(p->GetManager(), &manager_);
  SetTaskManager(before);
}

TEST_F(TaskTest, AManagerIsItselfATaskThatCanBeDone) {
  VTaskManager* sub = new VTaskManager(2, true, true, &manager_);
  new Probe("s", &trace_, sub);
  sub->SetFinished();
  manager_.Step(1);
  // Deleted with its owned task; never stepped.
  EXPECT_EQ(trace_, (Trace{"~s"}));
  EXPECT_EQ(manager_.GetTaskCount(), 0);
}

}  // namespace
