// The hotspot regions of HP002: red the door to the staircase, green the
// door to the kitchen.
#include "lib.inc"
background { rgb 0 }
union {
  box { <1.0, 0.0, 5.84>, <2.0, 2.1, 5.86> pigment { rgb <1, 0, 0> } }
  box { <0.09, 0.0, 2.5>, <0.11, 2.1, 3.5> pigment { rgb <0, 1, 0> } }
  finish { ambient 0 emission 1 diffuse 0 }
}
camera { perspective location <4.6, 1.5, 0.5> look_at <1.2, 1.3, 4.6> right x * 469 / 344 up y angle 78 }
