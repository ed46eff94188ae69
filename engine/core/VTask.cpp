#include "engine/core/VTask.h"

#include "platform/Clock.h"

namespace {

VTaskManager* gCurrentTaskManager = nullptr;
uint32_t gTaskTickCount = 0;
bool gPassRequested = false;
uint32_t gRequestedPassTick = 0;

// Milliseconds from now to tick (0 when it has come), across the wrap.
uint32_t TicksUntil(uint32_t tick, uint32_t now) {
  const auto d = static_cast<int32_t>(tick - now);
  return d > 0 ? static_cast<uint32_t>(d) : 0;
}

VTask* TaskOf(VListElement* element) {
  return element != nullptr ? static_cast<VTaskListElement*>(element)->GetTask() : nullptr;
}

}  // namespace

// What a running VTaskManager::Step must know about changes made while a task
// steps. Passes nest (a task may step another manager), so the states of all
// running passes form a stack, innermost first.
struct VTaskManager::PassState {
  VTaskManager* manager = nullptr;
  PassState* outer = nullptr;
  VTask* current = nullptr;        // the task whose Step is running
  VListElement* next = nullptr;    // where the pass goes on, once known
  bool nextKnown = false;          // next is set and kept valid as tasks leave
  bool currentDestroyed = false;   // current was deleted during its Step
  bool deleteCurrent = false;      // current was detached by DeleteAll: delete it when Step returns
  bool managerDestroyed = false;   // the manager itself is gone: touch nothing of it
};

VTaskManager::PassState* VTaskManager::innermostPass_ = nullptr;

VTaskManager* GetTaskManager() { return gCurrentTaskManager; }

VTaskManager* SetTaskManager(VTaskManager* manager) {
  VTaskManager* previous = gCurrentTaskManager;
  gCurrentTaskManager = manager;
  return previous;
}

uint32_t GetTaskTickCount() { return gTaskTickCount; }

void RequestIdlePassBy(uint32_t tick) {
  if (!gPassRequested || static_cast<int32_t>(tick - gRequestedPassTick) < 0) gRequestedPassTick = tick;
  gPassRequested = true;
}

bool GetRequestedIdlePass(uint32_t& tick) {
  if (!gPassRequested) return false;
  tick = gRequestedPassTick;
  return true;
}

void ClearIdlePassRequests(uint32_t now) {
  if (gPassRequested && static_cast<int32_t>(now - gRequestedPassTick) >= 0) gPassRequested = false;
}

// ---- VTask ----------------------------------------------------------------

VTask::VTask(int32_t id, bool active, bool deleteWhenDone, bool ownedByManager, VTaskManager* manager)
    : taskId_(id),
      active_(active),
      ownedByManager_(ownedByManager),
      deleteWhenDone_(deleteWhenDone),
      listElement_(this) {
  if (manager != nullptr) {
    manager_ = manager;
    manager->tasks_.InsertAt(&listElement_, VLinkedList::kEnd);
  }
}

VTask::~VTask() {
  // A task deleted while its own Step runs: the pass that steps it must not
  // touch it again and goes on with the task that followed it.
  for (VTaskManager::PassState* s = VTaskManager::innermostPass_; s != nullptr; s = s->outer) {
    if (s->current != this) continue;
    s->currentDestroyed = true;
    s->next = manager_ == s->manager ? listElement_.GetNext() : nullptr;
    s->nextKnown = true;
  }
  Detach();
}

void VTask::Detach() {
  if (manager_ == nullptr) return;
  // A pass that already knows where it goes on skips this task when it was
  // to be the next one.
  for (VTaskManager::PassState* s = VTaskManager::innermostPass_; s != nullptr; s = s->outer) {
    if (s->manager == manager_ && s->nextKnown && s->next == &listElement_) s->next = listElement_.GetNext();
  }
  manager_->tasks_.Remove(&listElement_, false);
  manager_ = nullptr;
}

uint32_t VTask::GetStepWait(uint32_t now) {
  switch (stepTiming_) {
    case StepTiming::kEveryPass:
      return 0;
    case StepTiming::kAtTime:
      return TicksUntil(nextStepTick_, now);
    case StepTiming::kNone:
      break;
  }
  return kNoStepWanted;
}

void VTask::SetNextStepTime(uint32_t tick) {
  stepTiming_ = StepTiming::kAtTime;
  nextStepTick_ = tick;
}

VTask* VTask::FindTask(int32_t id) {
  if (taskId_ == id) return this;
  VTask* next = TaskOf(listElement_.GetNext());
  return next != nullptr ? next->FindTask(id) : nullptr;
}

bool VTask::SetActive(bool active) {
  bool previous = active_;
  active_ = active;
  return previous;
}

// ---- VTaskManager ---------------------------------------------------------

VTaskManager::VTaskManager(int32_t id, bool active, bool deleteWhenDone, VTaskManager* manager)
    : VTask(id, active, deleteWhenDone, true, manager) {}

VTaskManager::~VTaskManager() {
  if (gCurrentTaskManager == this) gCurrentTaskManager = nullptr;
  for (PassState* s = VTaskManager::innermostPass_; s != nullptr; s = s->outer) {
    if (s->manager == this) s->managerDestroyed = true;
  }
  // The list holds the elements embedded in the tasks; it must never delete
  // them itself, so the tasks leave it first.
  DeleteAll();
}

bool VTaskManager::Step(uint32_t pass) {
  gTaskTickCount = platform::TickCount();
  PassState state;
  state.manager = this;
  state.outer = VTaskManager::innermostPass_;
  VTaskManager::innermostPass_ = &state;

  VListElement* element = tasks_.GetFirst();
  while (element != nullptr) {
    VTask* task = TaskOf(element);
    state.current = task;
    state.next = nullptr;
    state.nextKnown = false;
    state.currentDestroyed = false;
    state.deleteCurrent = false;

    bool done = false;
    if (task->finished_) {
      done = true;
    } else if (task->active_) {
      done = !task->Step(pass);
    }
    state.current = nullptr;

    if (state.currentDestroyed) {
      element = state.next;  // noted by its destructor, kept valid since
    } else if (state.deleteCurrent) {
      delete task;  // DeleteAll detached it during its Step, so the pass ends here
      element = nullptr;
    } else {
      // Read after Step: a task may have removed the one after it, and one
      // that detached itself has no next link, which ends the pass.
      state.next = element->GetNext();
      state.nextKnown = true;
      if (done) {
        if (task->deleteWhenDone_ && task->ownedByManager_) {
          DeleteOrDefer(task);
        } else {
          task->Detach();
        }
      }
      element = state.next;
    }
    if (state.managerDestroyed) break;
  }

  VTaskManager::innermostPass_ = state.outer;
  return true;
}

void VTaskManager::DeleteOrDefer(VTask* task) {
  for (PassState* s = VTaskManager::innermostPass_; s != nullptr; s = s->outer) {
    if (s->current == task) {
      task->Detach();
      s->deleteCurrent = true;
      return;
    }
  }
  delete task;
}

VTask* VTaskManager::FindTask(int32_t id) {
  if (id == 0) return nullptr;
  if (VTask* found = VTask::FindTask(id)) return found;
  VTask* first = GetFirstTask();
  return first != nullptr ? first->FindTask(id) : nullptr;
}

uint32_t VTaskManager::GetStepWait(uint32_t now) {
  uint32_t wait = kNoStepWanted;
  for (VTask* task = GetFirstTask(); task != nullptr && wait > 0; task = GetNextTask(task)) {
    if (task->finished_) return 0;
    if (!task->active_) continue;
    const uint32_t taskWait = task->GetStepWait(now);
    if (taskWait < wait) wait = taskWait;
  }
  return wait;
}

void VTaskManager::DeleteAll() {
  while (VTask* task = GetFirstTask()) {
    if (task->ownedByManager_) {
      DeleteOrDefer(task);
    } else {
      task->Detach();
    }
  }
}

VTask* VTaskManager::GetFirstTask() const { return TaskOf(tasks_.GetFirst()); }

VTask* VTaskManager::GetNextTask(const VTask* task) {
  return task != nullptr ? TaskOf(task->listElement_.GetNext()) : nullptr;
}
