// Where the pointer stands for the objects of a window, and the routine that
// brings the display tree's view of the pointer up to date when objects
// move under a pointer that stands still (a moving control would otherwise
// keep the capture, highlight or cursor of a place the pointer has left).
#pragma once

#include "engine/core/VGeometry.h"

class VGraphicObject;

// The pointer in the window coordinates of the object's window; false,
// leaving out untouched, when the object stands in no window.
bool GetPointerInWindow(VGraphicObject& object, VPoint& out);

// Routes a mouse move at the pointer's place (with the buttons last held)
// through the object's window, then the cursor update, as the window does
// for a move of the pointer. Nothing when the object stands in no window.
void RefreshPointerState(VGraphicObject& object);
