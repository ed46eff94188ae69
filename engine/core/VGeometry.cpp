#include "engine/core/VGeometry.h"

#include <algorithm>
#include <limits>

int32_t VRect::GetArea() const {
  if (right < left || bottom < top) return 0;
  // Each extent fits in 33 bits; saturate before multiplying so the product stays in range.
  const int64_t cap = std::numeric_limits<int32_t>::max();
  int64_t w = std::min<int64_t>(static_cast<int64_t>(right) - left, cap);
  int64_t h = std::min<int64_t>(static_cast<int64_t>(bottom) - top, cap);
  return static_cast<int32_t>(std::min<int64_t>(w * h, cap));
}

bool VRect::Intersect(const VRect& other, VRect& out) const {
  VRect r;
  r.top = std::max(top, other.top);
  r.left = std::max(left, other.left);
  r.bottom = std::min(bottom, other.bottom);
  r.right = std::min(right, other.right);
  out = r;
  return out.IsNonEmpty();
}

void VRect::Union(const VRect& other) {
  if (other.IsEmpty()) return;
  if (IsEmpty()) {
    *this = other;
    return;
  }
  top = std::min(top, other.top);
  left = std::min(left, other.left);
  bottom = std::max(bottom, other.bottom);
  right = std::max(right, other.right);
}
