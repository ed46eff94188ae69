// The program's own cursor pictures, by resource id: drawn here (the
// original artwork does not exist) and registered with the window layer so
// that SetMouseCursor shows them. 105 open hand (over something draggable),
// 106 closed hand (dragging), 107 pointing hand (clickable), 113 four
// arrowheads around a ring (looking around: the ways the view turns),
// 171/175 back arrow, 172/176 forward arrow, 173/178 down arrow, 174/177 up
// arrow, 220 arrow, 221 hourglass.
#pragma once

#include <cstdint>
#include <vector>

struct CursorPicture {
  int32_t width = 0;
  int32_t height = 0;
  int32_t hotX = 0;
  int32_t hotY = 0;
  std::vector<uint32_t> argb;  // width x height, 0xAARRGGBB, rows top down
};

// The ids that have a picture, in ascending order.
const std::vector<uint16_t>& GetCursorResourceIds();
// Draws the cursor of the id; false (picture untouched) for an unknown id.
bool GetCursorPicture(uint16_t id, CursorPicture& out);
// Registers every picture with the window layer's cursor backend; answers
// how many were registered (0 while the window layer does not run).
int32_t RegisterCursorResources();
