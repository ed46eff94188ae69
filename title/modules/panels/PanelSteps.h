// Steps the title's full-screen panels share: the black background control,
// the arrow cursor, a redraw that marks a frame for the flip chain, and the
// end of the program.
#pragma once

#include <cstdint>

class VGraphicObject;
class VPictureControl;

namespace panels {

// The id of every panel's background control.
inline constexpr int32_t kBackgroundId = 12290;
// The program's arrow cursor.
inline constexpr uint16_t kArrowCursor = 220;
// The screen's size.
inline constexpr int32_t kScreenWidth = 640;
inline constexpr int32_t kScreenHeight = 480;

// A 640 x 480 black picture control (id 12290) at 0, 0 under the panel.
VPictureControl* MakeBlackBackground(VGraphicObject* panel);
// Draws the panel now; when the display runs full screen with its flip
// chain, the frame is marked to go out on the next idle pass.
void RedrawAndMarkFrame(VGraphicObject* panel);
// Asks the application to end (nothing without one).
void QuitApplication();

}  // namespace panels
