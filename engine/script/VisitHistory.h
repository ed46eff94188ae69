// The visit history behind item references: one flag per item, asked and set
// through GetHistoryFlag/SetHistoryFlag. The program installs the
// implementation with the script services (engine/script/ScriptServices.h):
// the title's history.log, or MemoryVisitHistory that keeps the flags in
// memory.
#pragma once

#include <bitset>
#include <cstddef>
#include <cstdint>

#include "engine/script/ItemRef.h"

// Storage of the visit flags. Implementations answer false for items they do
// not keep and when their storage fails.
class VisitHistory {
 public:
  virtual ~VisitHistory() = default;
  // True when the item's flag is set.
  virtual bool GetFlag(ItemRef item) = 0;
  // Sets the item's flag; true when it was stored.
  virtual bool SetFlag(ItemRef item) = 0;
};

// Replaces the installed history alone (scopes and tests) and returns the
// previous one. Not owned: the caller keeps it alive while it is installed
// (null removes it).
VisitHistory* SetVisitHistory(VisitHistory* history);
// The installed history; without one the use is reported as a missing
// service and the answer is null.
VisitHistory* GetVisitHistory();

// The installed history's flag of the item; false without a history.
bool GetHistoryFlag(ItemRef item);
// Sets the item's flag in the installed history; false without a history.
bool SetHistoryFlag(ItemRef item);

// Flags of categories 1 to 12 and numbers 0 to 999 in memory; other items are
// not kept (get and set answer false).
class MemoryVisitHistory : public VisitHistory {
 public:
  bool GetFlag(ItemRef item) override;
  bool SetFlag(ItemRef item) override;
  void Clear() { flags_.reset(); }
  // Number of flags set (for tests and diagnostics).
  size_t CountSet() const { return flags_.count(); }

 private:
  static bool IndexOf(const ItemRef& item, size_t& index);
  std::bitset<12 * 1000> flags_;
};

// Installs a history for the life of the scope and restores the previous one.
class ScopedVisitHistory {
 public:
  explicit ScopedVisitHistory(VisitHistory* history) : previous_(SetVisitHistory(history)) {}
  ~ScopedVisitHistory() { SetVisitHistory(previous_); }
  ScopedVisitHistory(const ScopedVisitHistory&) = delete;
  ScopedVisitHistory& operator=(const ScopedVisitHistory&) = delete;

 private:
  VisitHistory* previous_;
};
