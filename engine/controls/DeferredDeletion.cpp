#include "engine/controls/DeferredDeletion.h"

#include <algorithm>
#include <vector>

#include "engine/app/VControl.h"
#include "engine/core/VTask.h"

namespace {

std::vector<VControl*>& Pending() {
  static std::vector<VControl*>* pending = new std::vector<VControl*>();
  return *pending;
}

// Deletes the waiting controls on the next pass of its manager. It asks for
// a pass only while controls wait, so an idle program is not woken for it.
class DeletionTask : public VTask {
 public:
  explicit DeletionTask(VTaskManager* manager) : VTask(0, true, true, true, manager) {}
  ~DeletionTask() override;
  bool Step(uint32_t) override {
    FlushDeferredDeletions();
    SetNoStepWanted();
    return true;
  }
};

DeletionTask* gTask = nullptr;
DeletionTask::~DeletionTask() {
  if (gTask == this) gTask = nullptr;
}

}  // namespace

void DeleteControlLater(VControl* control) {
  if (control == nullptr) return;
  auto& pending = Pending();
  if (std::find(pending.begin(), pending.end(), control) != pending.end()) return;
  DetachFromAllTrees(control);
  if (VGraphicObject::GetCapturedObject() == control) VGraphicObject::SetCapturedObject(nullptr);
  pending.push_back(control);
  if (gTask == nullptr) {
    if (VTaskManager* manager = GetTaskManager()) gTask = new DeletionTask(manager);
  } else {
    gTask->SetStepOnEveryPass();
  }
}

int DeferredDeletionCount() { return static_cast<int>(Pending().size()); }

void FlushDeferredDeletions() {
  auto& pending = Pending();
  while (!pending.empty()) {
    VControl* control = pending.back();
    pending.pop_back();
    delete control;
  }
}
