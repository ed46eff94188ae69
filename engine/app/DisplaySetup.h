// What the application's display set-up asks for (VApplication::SetupDisplay):
// the system palette's use, the colour table, a back window, the display
// mode and the main window's off-screen maps. The defaults ask for 640 x 480
// at 16 bits in full screen with the standard palette and one off-screen map
// at the display's depth, so a caller names only what differs.
#pragma once

#include <cstdint>

struct DisplaySetup {
  bool staticColors = false;        // the system's static colours stay in the palette
  bool changeSystemColors = false;  // the system colours follow the palette
  uint16_t colorTableId = 0;        // the colour table's media id; 0 is the standard palette
  int32_t offscreenCount = 1;       // off-screen maps of the main window
  int32_t offscreenDepth = 0;       // their depth; 0 is the display's
  bool withBackWindow = false;      // a back window covering the screen behind the main window
  int32_t width = 640;              // the display mode asked for; all three 0 keep the current one
  int32_t height = 480;
  int32_t bitsPerPixel = 16;
  bool fullScreen = true;  // full screen with a flip surface, which sets the off-screen maps' count and depth
};
