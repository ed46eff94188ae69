// The cursor service: shows a cursor by its 16-bit id (below 32000 the
// program's own cursors, from 32000 on system cursors) and keeps a pending
// default that id 0 stands for. User-interface thread only.
#pragma once

#include <cstdint>

// Shows the cursor (0: the pending default, or the system arrow when none is
// pending) unless it is the one shown; returns the id shown before.
uint16_t SetMouseCursor(uint16_t id);
// Makes the id the pending default; when the default was the one shown, the
// new one is shown at once.
void SetPendingCursor(uint16_t id);
// Records the pending default as shown without changing the screen (the
// pointer has left the window, where the system shows its own cursor).
void ResetShownCursor();

uint16_t GetShownCursor();
uint16_t GetPendingCursor();
// Nothing shown and no default pending (start-up and tests).
void ResetCursorState();
