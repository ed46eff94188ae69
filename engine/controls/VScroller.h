// The scrolling interface that scroll bars talk to: a content with a range
// and a position per axis (0 and 1) that can be scrolled by a signed amount.
// A scroller knows the bar of each axis and a bar knows its scroller; either
// side detaches the other when it goes.
#pragma once

#include <cstdint>

class VScrollBar;

class VScroller {
 public:
  VScroller() = default;
  // Detaches both bars (they are told they have no scroller).
  virtual ~VScroller();
  VScroller(const VScroller&) = delete;
  VScroller& operator=(const VScroller&) = delete;

  virtual void ScrollBy(int32_t delta, int32_t axis) = 0;
  virtual int32_t GetMin(int32_t) { return 0; }
  virtual int32_t GetMax(int32_t axis) = 0;
  virtual int32_t GetPosition(int32_t axis) = 0;
  virtual int32_t GetPageSizeOfFirstAxis(int32_t) { return GetPageSize(0); }
  virtual int32_t GetPageSize(int32_t) { return 1; }

  // Connects the bar to the axis (0 or 1; others are ignored): the bar
  // leaves any axis it had, the axis' old bar is told it has no scroller,
  // then the bar is told its scroller and updates. Null empties the axis.
  void SetScrollBar(VScrollBar* bar, int32_t axis);
  VScrollBar* GetScrollBar(int32_t axis) const { return axis == 0 || axis == 1 ? bars_[axis] : nullptr; }
  // Forgets the bar wherever it is attached (the bar's destructor).
  void ForgetScrollBar(VScrollBar* bar);

 private:
  VScrollBar* bars_[2] = {nullptr, nullptr};
};
