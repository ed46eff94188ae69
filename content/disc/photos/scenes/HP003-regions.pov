// The hotspot region of HP003: red the door to the hall.
#include "lib.inc"
background { rgb 0 }
union {
  box { <6.09, 0.0, 2.5>, <6.11, 2.1, 3.5> pigment { rgb <1, 0, 0> } }
  finish { ambient 0 emission 1 diffuse 0 }
}
camera { perspective location <11.2, 1.5, 0.6> look_at <6.0, 1.2, 3.6> right x * 485 / 364 up y angle 72 }
