// The engine's integer geometry values: rectangles (stored top, left, bottom,
// right; edges half-open for intersection), points and RGB colour triples.
#pragma once

#include <cstdint>

struct VPoint {
  int32_t x = 0;
  int32_t y = 0;

  constexpr VPoint() = default;
  constexpr VPoint(int32_t px, int32_t py) : x(px), y(py) {}

  void Set(int32_t px, int32_t py) {
    x = px;
    y = py;
  }
  VPoint& operator+=(const VPoint& other) {
    x += other.x;
    y += other.y;
    return *this;
  }
  friend constexpr bool operator==(const VPoint& a, const VPoint& b) { return a.x == b.x && a.y == b.y; }
  friend constexpr bool operator!=(const VPoint& a, const VPoint& b) { return !(a == b); }
};

struct VRect {
  int32_t top = 0;
  int32_t left = 0;
  int32_t bottom = 0;
  int32_t right = 0;

  constexpr VRect() = default;
  // Arguments in the order left, top, right, bottom.
  constexpr VRect(int32_t l, int32_t t, int32_t r, int32_t b) : top(t), left(l), bottom(b), right(r) {}

  void Set(int32_t l, int32_t t, int32_t r, int32_t b) {
    top = t;
    left = l;
    bottom = b;
    right = r;
  }
  void Clear() { top = left = bottom = right = 0; }

  constexpr int32_t GetWidth() const { return right - left; }
  constexpr int32_t GetHeight() const { return bottom - top; }
  void SetWidth(int32_t w) { right = left + w; }
  void SetHeight(int32_t h) { bottom = top + h; }
  // Width times height; 0 when either extent is negative. Computed in 64 bits
  // and saturated so extreme rectangles do not overflow.
  int32_t GetArea() const;

  constexpr bool IsEmpty() const { return right <= left || bottom <= top; }
  constexpr bool IsNonEmpty() const { return !IsEmpty(); }

  void Offset(const VPoint& d) { Offset(d.x, d.y); }
  void Offset(int32_t dx, int32_t dy) {
    left += dx;
    right += dx;
    top += dy;
    bottom += dy;
  }
  void MoveTo(int32_t l, int32_t t) { Offset(l - left, t - top); }
  void MoveToOrigin() { MoveTo(0, 0); }
  // Exchanges the rectangle's distances to the outer rectangle's top and bottom.
  void MirrorVertically(const VRect& outer) {
    int32_t dy = outer.bottom - bottom - (top - outer.top);
    top += dy;
    bottom += dy;
  }
  // out = the overlap of the two; true when it is not empty. out may alias
  // either operand.
  bool Intersect(const VRect& other, VRect& out) const;
  // Grows to include other; empty rectangles take no part.
  void Union(const VRect& other);

  // Point tests: half-open, and with the right and bottom edges counted inside.
  constexpr bool ContainsPoint(const VPoint& p) const {
    return p.x >= left && p.x < right && p.y >= top && p.y < bottom;
  }
  constexpr bool ContainsPointInclusive(const VPoint& p) const {
    return p.x >= left && p.x <= right && p.y >= top && p.y <= bottom;
  }

  friend constexpr bool operator==(const VRect& a, const VRect& b) {
    return a.top == b.top && a.left == b.left && a.bottom == b.bottom && a.right == b.right;
  }
  friend constexpr bool operator!=(const VRect& a, const VRect& b) { return !(a == b); }
};

struct VRGBColor {
  uint8_t red = 0;
  uint8_t green = 0;
  uint8_t blue = 0;

  constexpr VRGBColor() = default;
  constexpr VRGBColor(uint8_t r, uint8_t g, uint8_t b) : red(r), green(g), blue(b) {}
  friend constexpr bool operator==(const VRGBColor& a, const VRGBColor& b) {
    return a.red == b.red && a.green == b.green && a.blue == b.blue;
  }
  friend constexpr bool operator!=(const VRGBColor& a, const VRGBColor& b) { return !(a == b); }
};
