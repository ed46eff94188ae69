// HP002: the hall about 1890, towards the staircase and the kitchen door.
#include "lib.inc"
#include "house.inc"
#include "furniture.inc"
#declare Era = 1872;
House()
RoomLight(<3.0, 2.6, 2.0>, 0.6)
camera { perspective location <4.6, 1.5, 0.5> look_at <1.2, 1.3, 4.6> right x * 469 / 344 up y angle 78 }
