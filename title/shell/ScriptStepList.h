// A script of the main panel: its steps in order, owned by the list, and the
// script's number (for logs).
#pragma once

#include <cstdint>
#include <vector>

#include "title/shell/ScriptStep.h"

class ScriptStepList {
 public:
  explicit ScriptStepList(int32_t number = -1) : number_(number) {}

  void AddStep(int32_t eventCode, int32_t eventId, const char* name, ScriptStep::Action action) {
    steps_.emplace_back(eventCode, eventId, name, std::move(action));
  }
  int32_t GetCount() const { return static_cast<int32_t>(steps_.size()); }
  // The step at the index, or null outside the list.
  const ScriptStep* GetStep(int32_t index) const {
    return index >= 0 && index < GetCount() ? &steps_[static_cast<size_t>(index)] : nullptr;
  }
  int32_t GetNumber() const { return number_; }
  void SetNumber(int32_t number) { number_ = number; }

 private:
  int32_t number_;
  std::vector<ScriptStep> steps_;
};
