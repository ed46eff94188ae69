// The hotspot regions of HP001 in flat colours: red the front door, green
// the left window of the hall.
#include "lib.inc"
background { rgb 0 }
union {
  box { <2.4, 0.0, -0.46>, <3.6, 2.4, -0.44> pigment { rgb <1, 0, 0> } }
  box { <0.8, 0.9, -0.46>, <1.8, 2.5, -0.44> pigment { rgb <0, 1, 0> } }
  finish { ambient 0 emission 1 diffuse 0 }
}
camera { perspective location <2.6, 1.2, -5.2> look_at <3.2, 1.9, 0> right x * 284 / 360 up y angle 52 }
