// The logic of a scroll bar: it mirrors the range and position of one axis
// of a VScroller and scrolls it, line by line when one line has been measured
// quick enough that the whole move stays within the smooth time limit, else
// in one jump.
#pragma once

#include <cstdint>

class VScroller;

class VScrollBar {
 public:
  static constexpr uint32_t kSmoothTimeLimitMs = 100;

  VScrollBar() = default;
  // Detaches from the scroller.
  virtual ~VScrollBar();
  VScrollBar(const VScrollBar&) = delete;
  VScrollBar& operator=(const VScrollBar&) = delete;

  // Reads minimum, maximum and position from the scroller (axis 0); returns
  // whether any changed.
  virtual bool Update();
  // The scroller's position; 0 without one.
  virtual int32_t GetPosition();

  // Scrolls the scroller's axis 0 by delta lines (see the .cpp).
  void Scroll(int32_t delta);
  // The request of a bar part: 0/1 a line back/forward, 2/3 a page, 4/5 to
  // the position `value`, 6/7 to the start/end; others only update.
  void ScrollPart(int32_t part, int32_t value);

  // Called by the scroller that connects or drops the bar.
  void AttachScroller(VScroller* scroller) { scroller_ = scroller; }
  VScroller* GetScroller() const { return scroller_; }

  uint32_t GetSingleStepTime() const { return singleStepTime_; }
  void SetSmooth(bool smooth) { smooth_ = smooth; }
  void SetLineStep(int32_t step) { lineStep_ = step; }
  int32_t GetLineStep() const { return lineStep_; }
  int32_t GetMinimum() const { return minimum_; }
  int32_t GetMaximum() const { return maximum_; }
  int32_t GetStoredPosition() const { return position_; }

 private:
  VScroller* scroller_ = nullptr;
  uint32_t singleStepTime_ = 0;
  bool smooth_ = true;
  uint32_t smoothTimeLimit_ = kSmoothTimeLimitMs;
  int32_t minimum_ = 0;
  int32_t maximum_ = 0;
  int32_t position_ = 0;
  int32_t lineStep_ = 1;
};
