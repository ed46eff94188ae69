// A rectangle of single-precision floats (bubble-space coordinates), held top,
// left, bottom, right like VRect. Scripts write it left, top, right, bottom.
#pragma once

struct VFRect {
  float top = 0.0f;
  float left = 0.0f;
  float bottom = 0.0f;
  float right = 0.0f;

  constexpr VFRect() = default;
  // Arguments in the order left, top, right, bottom.
  constexpr VFRect(float l, float t, float r, float b) : top(t), left(l), bottom(b), right(r) {}

  void Set(float l, float t, float r, float b) {
    top = t;
    left = l;
    bottom = b;
    right = r;
  }
  constexpr float GetWidth() const { return right - left; }
  constexpr float GetHeight() const { return bottom - top; }

  friend constexpr bool operator==(const VFRect& a, const VFRect& b) {
    return a.top == b.top && a.left == b.left && a.bottom == b.bottom && a.right == b.right;
  }
  friend constexpr bool operator!=(const VFRect& a, const VFRect& b) { return !(a == b); }
};
