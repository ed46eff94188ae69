// The back window: a black window over the whole screen behind everything,
// taking no input and never coming forward. The display set-up makes it when
// asked for; it is the application's back window.
#pragma once

#include "engine/app/VWindow.h"

class VBackWindow : public VWindow {
 public:
  static constexpr int32_t kKindCode = 1794;

  // With fade, a 600 ms level ramp runs before the window exists.
  VBackWindow(int32_t id, uint16_t windowId, bool fade, bool topmost, bool followsMinimise);
  ~VBackWindow() override;

  // Never comes forward: false.
  bool BringToFront(bool onlyIfNeeded) override;
};
