#include "title/controls/PlacementRecords.h"

#include <cmath>
#include <limits>

#include "engine/app/VGraphicObject.h"

namespace {
// Whole part toward zero, 0 for values that are not finite, cut to 32 bits.
int32_t Whole(double v) {
  if (!std::isfinite(v)) return 0;
  const double t = std::trunc(v);
  if (t >= static_cast<double>(std::numeric_limits<int32_t>::max())) return std::numeric_limits<int32_t>::max();
  if (t <= static_cast<double>(std::numeric_limits<int32_t>::min())) return std::numeric_limits<int32_t>::min();
  return static_cast<int32_t>(t);
}
}  // namespace

PlacementRecord::PlacementRecord(VGraphicObject* control, int32_t flags, double a, double b, double c, double d)
    : flags(flags) {
  if (control != nullptr) {
    controlId = control->GetId();
    shown = control->IsShown();
    enabled = control->IsEnabledFlagSet();
  }
  if (flags & kFirstPair) {
    first[0] = a;
    first[1] = b;
  }
  const bool second = (flags & kSecondPair) != 0;
  secondWhole = (second && c == -1.0) ? Whole(a) : Whole(c);
  secondValue = (second && d == -1.0) ? Whole(b) : d;
  single = flags == kSingleValue ? a : 0;
}

PlacementRecord* PlacementList::Find(int32_t controlId) const {
  for (VListElement* e = GetFirst(); e != nullptr; e = e->GetNext()) {
    auto* r = static_cast<PlacementRecord*>(e);
    if (r->controlId == controlId) return r;
  }
  return nullptr;
}

void PlacementList::AddOrMerge(PlacementRecord* record) {
  if (record == nullptr) return;
  PlacementRecord* old = Find(record->controlId);
  if (old == nullptr) {
    Append(record);
    return;
  }
  if (record->flags & PlacementRecord::kFirstPair) {
    old->first[0] = record->first[0];
    old->first[1] = record->first[1];
  }
  if (record->flags & PlacementRecord::kSecondPair) {
    old->secondWhole = record->secondWhole;
    old->secondValue = record->secondValue;
  }
  if (record->flags & PlacementRecord::kSingleValue) old->single = record->single;
  old->flags |= record->flags;
  delete record;
}
