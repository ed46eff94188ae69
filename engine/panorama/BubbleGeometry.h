// Bubble-space coordinates: angles in radians, x the yaw in [0, 2pi), y the
// pitch growing downwards in [-pi, pi); the rectangle operations on VFRect
// and the normalisation of points and rectangles onto the sphere.
#pragma once

#include <numbers>

#include "engine/core/VFRect.h"

inline constexpr float kBubblePi = std::numbers::pi_v<float>;
inline constexpr float kBubbleHalfPi = std::numbers::pi_v<float> / 2;
inline constexpr float kBubbleTwoPi = 2 * std::numbers::pi_v<float>;

struct VFPoint {
  float x = 0.0f;
  float y = 0.0f;
};

namespace frect {
// min(right) > max(left) and min(bottom) > max(top).
bool Intersects(const VFRect& a, const VFRect& b);
// out = the overlap; true when it is valid.
bool Intersection(const VFRect& a, const VFRect& b, VFRect& out);
// Closed on all sides.
bool ContainsPoint(const VFRect& r, float x, float y);
bool ContainsRect(const VFRect& outer, const VFRect& inner);
bool ContainsPointHalfOpen(const VFRect& r, float x, float y);
inline bool IsValid(const VFRect& r) { return r.right > r.left && r.bottom > r.top; }
inline bool IsEmpty(const VFRect& r) { return !IsValid(r); }
inline void Offset(VFRect& r, float dx, float dy) {
  r.left += dx;
  r.right += dx;
  r.top += dy;
  r.bottom += dy;
}
// Nothing for an empty other; a copy of other when r is empty; else the bounding rectangle.
void Union(VFRect& r, const VFRect& other);
}  // namespace frect

// x into [0, 2pi), y into [-pi, pi). Non-finite values become 0.
void NormalizeBubblePoint(VFPoint& point);
// The top-left corner normalised and the size kept; a rectangle 2pi wide or
// wider becomes [0, 2pi] horizontally, one 2pi high or higher [-pi, pi]
// vertically.
void NormalizeBubbleRect(VFRect& rect);
