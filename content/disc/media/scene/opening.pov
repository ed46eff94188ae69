// The opening movie: the camera walks down the market street toward the
// Ostrevan Haus and comes to rest before its door. clock runs 0..1.
#include "house.inc"
#declare T = clock * clock * (3 - 2 * clock);
camera {
  perspective
  location <0.6 * sin(clock * pi), 1.7 + 0.04 * sin(clock * 40), -48 + 28 * T>
  look_at <0, 3.5 + 3.8 * T, 0>
  right x * 384 / 224
  angle 62
}
