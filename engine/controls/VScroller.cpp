#include "engine/controls/VScroller.h"

#include "engine/controls/VScrollBar.h"

VScroller::~VScroller() {
  for (VScrollBar*& bar : bars_) {
    if (bar != nullptr) bar->AttachScroller(nullptr);
    bar = nullptr;
  }
}

void VScroller::SetScrollBar(VScrollBar* bar, int32_t axis) {
  if (axis != 0 && axis != 1) return;
  if (bar != nullptr) {
    ForgetScrollBar(bar);
    if (VScroller* other = bar->GetScroller(); other != nullptr && other != this) other->ForgetScrollBar(bar);
  }
  if (bars_[axis] != nullptr && bars_[axis] != bar) bars_[axis]->AttachScroller(nullptr);
  bars_[axis] = bar;
  if (bar != nullptr) {
    bar->AttachScroller(this);
    bar->Update();
  }
}

void VScroller::ForgetScrollBar(VScrollBar* bar) {
  for (VScrollBar*& b : bars_) {
    if (b == bar) b = nullptr;
  }
}
