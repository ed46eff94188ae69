// HP001: the front of das Ostrevan Haus from the street, about 1890.
#include "lib.inc"
#include "house.inc"
#include "furniture.inc"
#declare Era = 1872;
House()
camera { perspective location <2.6, 1.2, -5.2> look_at <3.2, 1.9, 0> right x * 284 / 360 up y angle 52 }
