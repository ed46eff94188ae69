// Cooperative tasks: every piece of time-based work on the user-interface
// thread is a VTask that a VTaskManager steps once per idle pass, after noting
// the tick count as the pass's current time (GetTaskTickCount).
#pragma once

#include <cstdint>

#include "engine/core/VLinkedList.h"

class VTask;
class VTaskManager;

// The list record that a task embeds and its manager's list holds. It belongs
// to the task: never delete it on its own.
class VTaskListElement : public VListElement {
 public:
  explicit VTaskListElement(VTask* task) : task_(task) {}
  VTask* GetTask() const { return task_; }

 private:
  VTask* task_;
};

class VTask {
 public:
  // With a manager, the task joins the end of the manager's list.
  VTask(int32_t id, bool active, bool deleteWhenDone, bool ownedByManager, VTaskManager* manager);
  // Detaches the task. Safe at any time, also from inside its own Step: the
  // stepping manager then goes on with the task that followed it.
  virtual ~VTask();
  VTask(const VTask&) = delete;
  VTask& operator=(const VTask&) = delete;

  // One step of work; pass is the value given to the manager's Step (the
  // application's idle-pass count). False means done. Read the time with
  // GetTaskTickCount.
  virtual bool Step(uint32_t pass) = 0;
  // This task when its id matches, else the search goes on through the tasks
  // after it in the same list. Null when none matches.
  virtual VTask* FindTask(int32_t id);
  // Sets the active flag; answers the previous value.
  virtual bool SetActive(bool active);
  // How many milliseconds after `now` (a tick count) the task can do without
  // a step: 0 asks for a step on every pass (the default), kNoStepWanted for
  // none until a pass comes for another reason (input, another task). The
  // application's idle loop sleeps until the earliest time its tasks ask
  // for, so a task that works on a period should say when its next step is
  // due (SetNextStepTime); it may still be stepped earlier, on passes that
  // others bring. The default answers from the Set...Step calls below.
  virtual uint32_t GetStepWait(uint32_t now);

  // SetActive(false).
  void Stop() { SetActive(false); }

  static constexpr uint32_t kNoStepWanted = 0xFFFFFFFFu;
  // What the default GetStepWait answers: no step is needed before the tick
  // count `tick` (compared with wrap-around); a step on every pass; no step
  // until something else brings a pass.
  void SetNextStepTime(uint32_t tick);
  void SetStepOnEveryPass() { stepTiming_ = StepTiming::kEveryPass; }
  void SetNoStepWanted() { stepTiming_ = StepTiming::kNone; }
  // Takes the task out of its manager's list without deleting anything and
  // forgets the manager. Nothing happens for a free task.
  void Detach();

  int32_t GetTaskId() const { return taskId_; }
  bool IsActive() const { return active_; }
  // A finished task is taken out of its list on the next pass without being
  // stepped again (and deleted when the flags say so).
  bool IsFinished() const { return finished_; }
  void SetFinished(bool finished = true) { finished_ = finished; }
  bool IsOwnedByManager() const { return ownedByManager_; }
  void SetOwnedByManager(bool owned) { ownedByManager_ = owned; }
  bool IsDeleteWhenDone() const { return deleteWhenDone_; }
  void SetDeleteWhenDone(bool deleteWhenDone) { deleteWhenDone_ = deleteWhenDone; }
  // The manager whose list holds the task, or null.
  VTaskManager* GetManager() const { return manager_; }
  VTaskListElement* GetListElement() { return &listElement_; }

 private:
  friend class VTaskManager;

  int32_t taskId_;
  bool active_;
  bool ownedByManager_;
  bool deleteWhenDone_;
  bool finished_ = false;
  enum class StepTiming : uint8_t { kEveryPass, kAtTime, kNone };
  StepTiming stepTiming_ = StepTiming::kEveryPass;
  uint32_t nextStepTick_ = 0;
  VTaskManager* manager_ = nullptr;
  VTaskListElement listElement_;
};

// A task that holds tasks and steps them. Tasks that are done (finished, or
// Step answered false) leave the list; those marked delete-when-done and
// owned-by-manager are deleted, the others only detached.
//
// During a pass a task may remove or delete any task of the list, itself
// included (`delete this` as its last act), call DeleteAll, or delete the
// manager; a task running its Step that DeleteAll would delete is detached
// at once and deleted when its Step returns.
class VTaskManager : public VTask {
 public:
  // Built owned-by-manager, with an empty list.
  VTaskManager(int32_t id, bool active, bool deleteWhenDone, VTaskManager* manager);
  // Stops being the current manager, then empties its list as DeleteAll does
  // (tasks it owns are deleted, the others detached and left alive).
  ~VTaskManager() override;

  // Notes the tick count as the pass's time, then steps the active tasks in
  // list order and removes those that are done. Always true.
  bool Step(uint32_t pass) override;
  // Id 0 finds nothing. Else this manager, the tasks after it in its own
  // manager's list, then the tasks of its own list.
  VTask* FindTask(int32_t id) override;
  // The shortest wait of its active tasks (0 for a finished one, which the
  // next pass takes out); kNoStepWanted when none asks for a step.
  uint32_t GetStepWait(uint32_t now) override;

  // Until the list is empty: deletes its first task when owned-by-manager is
  // set, otherwise detaches it.
  void DeleteAll();

  // The first task of the list, or null; walk on with GetNextTask.
  VTask* GetFirstTask() const;
  static VTask* GetNextTask(const VTask* task);
  int32_t GetTaskCount() const { return tasks_.GetCount(); }

 private:
  friend class VTask;
  struct PassState;

  // Deletes the task, unless a pass is running its Step: then it is detached
  // and deleted when that Step returns.
  static void DeleteOrDefer(VTask* task);

  // The running passes of all managers, innermost first (null when idle).
  static PassState* innermostPass_;

  VLinkedList tasks_;
};

// The program-wide current task manager (null until the application sets it).
VTaskManager* GetTaskManager();
// Makes manager (not owned) the current one; answers the previous one.
VTaskManager* SetTaskManager(VTaskManager* manager);
// The tick count noted at the start of the latest VTaskManager::Step.
uint32_t GetTaskTickCount();

// Asks the application's idle loop for an idle pass (and with it the tick
// down the main window's event tree) no later than the tick count `tick`.
// For objects that run on the tick rather than as tasks (animations,
// repeating buttons): a request is kept until a pass runs at or after its
// time, then forgotten, so it is renewed on every tick that needs another.
// The earliest request wins. User-interface thread only.
void RequestIdlePassBy(uint32_t tick);
// The earliest pending request; false when none.
bool GetRequestedIdlePass(uint32_t& tick);
// Forgets the requests whose time has come by `now` (the loop calls it as
// each pass begins).
void ClearIdlePassRequests(uint32_t now);
