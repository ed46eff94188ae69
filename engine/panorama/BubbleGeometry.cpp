#include "engine/panorama/BubbleGeometry.h"

#include <algorithm>
#include <cmath>

namespace frect {

bool Intersects(const VFRect& a, const VFRect& b) {
  return std::min(a.right, b.right) > std::max(a.left, b.left) && std::min(a.bottom, b.bottom) > std::max(a.top, b.top);
}

bool Intersection(const VFRect& a, const VFRect& b, VFRect& out) {
  out.left = std::max(a.left, b.left);
  out.top = std::max(a.top, b.top);
  out.right = std::min(a.right, b.right);
  out.bottom = std::min(a.bottom, b.bottom);
  return IsValid(out);
}

bool ContainsPoint(const VFRect& r, float x, float y) { return r.left <= x && x <= r.right && r.top <= y && y <= r.bottom; }

bool ContainsRect(const VFRect& outer, const VFRect& inner) {
  return inner.left >= outer.left && inner.right <= outer.right && inner.top >= outer.top && inner.bottom <= outer.bottom;
}

bool ContainsPointHalfOpen(const VFRect& r, float x, float y) { return r.left <= x && x < r.right && r.top <= y && y < r.bottom; }

void Union(VFRect& r, const VFRect& other) {
  if (IsEmpty(other)) return;
  if (IsEmpty(r)) {
    r = other;
    return;
  }
  r.left = std::min(r.left, other.left);
  r.top = std::min(r.top, other.top);
  r.right = std::max(r.right, other.right);
  r.bottom = std::max(r.bottom, other.bottom);
}

}  // namespace frect

void NormalizeBubblePoint(VFPoint& point) {
  if (!std::isfinite(point.x)) point.x = 0.0f;
  if (!std::isfinite(point.y)) point.y = 0.0f;
  float x = std::fmod(point.x, kBubbleTwoPi);
  if (x < 0.0f) x += kBubbleTwoPi;
  if (x >= kBubbleTwoPi) x = 0.0f;  // a tiny negative remainder rounds up to 2pi
  point.x = x;
  if (point.y < -kBubblePi || point.y >= kBubblePi) {
    float y = std::fmod(point.y + kBubblePi, kBubbleTwoPi);
    if (y < 0.0f) y += kBubbleTwoPi;
    point.y = y - kBubblePi;
    if (point.y >= kBubblePi) point.y -= kBubbleTwoPi;
  }
}

void NormalizeBubbleRect(VFRect& rect) {
  const float width = rect.right - rect.left;
  const float height = rect.bottom - rect.top;
  VFPoint corner{rect.left, rect.top};
  NormalizeBubblePoint(corner);
  if (width >= kBubbleTwoPi) {
    rect.left = 0.0f;
    rect.right = kBubbleTwoPi;
  } else {
    rect.left = corner.x;
    rect.right = corner.x + (std::isfinite(width) ? width : 0.0f);
  }
  if (height >= kBubbleTwoPi) {
    rect.top = -kBubblePi;
    rect.bottom = kBubblePi;
  } else {
    rect.top = corner.y;
    rect.bottom = corner.y + (std::isfinite(height) ? height : 0.0f);
  }
}
