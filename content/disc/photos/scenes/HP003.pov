// HP003: the salon about 1900, towards the door to the hall.
#include "lib.inc"
#include "house.inc"
#include "furniture.inc"
#declare Era = 1872;
House()
RoomLight(<9.0, 2.6, 2.5>, 0.6)
camera { perspective location <11.2, 1.5, 0.6> look_at <6.0, 1.2, 3.6> right x * 485 / 364 up y angle 72 }
