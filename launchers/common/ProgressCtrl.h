// The progress bar of the launchers' dialog kit: a sunken well filled from
// the left with blocks in the selection colour, for a position within a
// range (0 to 100 unless set).
#pragma once

#include "launchers/common/Window.h"

namespace kit {

class CProgressCtrl : public CWindow {
 public:
  void SetRange(int32_t low, int32_t high);
  // Sets the position (kept within the range); answers the previous one.
  int32_t SetPos(int32_t pos);
  int32_t GetPos() const { return pos_; }
  int32_t GetLow() const { return low_; }
  int32_t GetHigh() const { return high_; }
  // The blocks drawn for the position.
  int32_t FilledBlocks() const;

  intptr_t WindowProc(uint32_t code, uintptr_t wParam, intptr_t lParam) override;
  void OnPaint(DrawContext& dc) override;

 private:
  platform::Rect Well() const;
  int32_t low_ = 0;
  int32_t high_ = 100;
  int32_t pos_ = 0;
};

}  // namespace kit
