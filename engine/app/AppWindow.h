// The application window: an engine window that carries the application's
// own messages (close quits the program, activation, the screen saver, the
// start message) and registers itself as the application's main window.
#pragma once

#include "engine/app/VWindow.h"

class AppWindow : public VWindow {
 public:
  static constexpr int32_t kKindCode = 1793;

  AppWindow(int32_t id, uint16_t windowId, const VRect& rect, bool topmost, bool followsMinimise);
  ~AppWindow() override;

  intptr_t WindowProc(const platform::Message& message) override;
  // Closing the application window quits the program; the object stays.
  void DestroySelf() override;
  // The answer to the start message (empty here).
  virtual void Start() {}
};
