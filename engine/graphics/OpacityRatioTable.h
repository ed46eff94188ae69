// The program-wide 64 x 64 weight table of alpha mixing against a target
// alpha channel, shared by reference count: every pixel map holds one
// reference while it has storage, the transfer kernels one for a call.
#pragma once

#include <cstdint>

#include "engine/core/VRefCount.h"

class OpacityRatioTable : public VRefCount {
 public:
  // Entry [a][b] for a source alpha a and a merged target alpha b (0..63):
  // 16128 (63 x 256) when b <= a, else 16128 x a / b rounded to nearest.
  const uint16_t* GetRow(int32_t a) const { return entries_ ? entries_ + a * 64 : nullptr; }
  const uint16_t* GetEntries() const { return entries_; }
  // Release of the last reference frees the table, and the next
  // AcquireOpacityRatioTable builds it again.

 private:
  friend OpacityRatioTable* AcquireOpacityRatioTable();
  OpacityRatioTable();
  ~OpacityRatioTable() override;
  uint16_t* entries_ = nullptr;  // null when the allocation failed
};

// The program-wide table with one more reference (built on first use). Its
// entries may be null when memory was exhausted.
OpacityRatioTable* AcquireOpacityRatioTable();
